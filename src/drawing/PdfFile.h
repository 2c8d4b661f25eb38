// A PDF file read object by object through its cross-reference table, as Qt's writer leaves it: only the
// objects asked for are parsed, and objects are found by a word at their start, read in file order, so a file
// of a hundred thousand pages costs little more memory than one of ten (a few bytes an object for the table).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

class InputSource;
class QPDFTokenizer;

// One value of the file; a stream is its dictionary and where its data lies.
struct TPdfValue {
    struct TEntry;
    enum TKind { Null, Boolean, Integer, Real, Name, String, Array, Dictionary, Reference, Stream };
    TKind Kind = Null;
    QByteArray Text;                                        // a name with its slash, a string's bytes, a number
    int Number = 0;                                         // a reference's object
    int Generation = 0;
    std::vector<TPdfValue> Items;                           // an array's
    std::vector<TEntry> Entries;                            // a dictionary's or a stream's
    qint64 Start = 0;                                       // the value's text in the file (a stream's dictionary)
    qint64 End = 0;
    qint64 DataStart = 0;                                   // a stream's data as stored
    qint64 DataSize = 0;

    // The entry's value, a null value when the dictionary has none.
    const TPdfValue &Key(QByteArrayView name) const;
    bool IsName(QByteArrayView name) const { return Kind == Name && Text == name; }
};

struct TPdfValue::TEntry {
    QByteArray Key;  // the name with its slash
    TPdfValue Value;
};

class TPdfFile {
public:
    // Opens the file and reads its cross-reference sections and newest trailer. Throws std::runtime_error when
    // the file cannot be read or has no cross-reference section where its end says.
    explicit TPdfFile(const QString &file);
    ~TPdfFile();
    TPdfFile(const TPdfFile &) = delete;
    TPdfFile &operator=(const TPdfFile &) = delete;

    // False when the objects are indexed by a cross-reference stream, which this reader does not read.
    bool Indexed() const { return indexed_; }
    const TPdfValue &Trailer() const { return trailer_; }
    qint64 LastXref() const { return lastXref_; }
    qint64 Size() const { return size_; }

    // The object's value as the newest section places it; null when no section has it. Throws
    // std::runtime_error when its text is not that object.
    TPdfValue Object(int number);
    // A reference's object; any other value itself.
    TPdfValue Resolved(const TPdfValue &value);
    // The stream's data, decoded (none or Flate); throws std::runtime_error for another filter.
    QByteArray StreamData(const TPdfValue &stream);
    // The value's text as the file has it.
    QByteArray Source(const TPdfValue &value);
    // The objects whose text before any stream data holds word within its first HeadBytes bytes, in file order.
    std::vector<int> ObjectsWith(QByteArrayView word);
    static constexpr qsizetype HeadBytes = 4096;

private:
    QByteArrayView bytes(qint64 pos, qsizetype n);
    void skipSpace(qint64 &pos);
    qint64 number(qint64 &pos);
    void readSections(qint64 at);
    TPdfValue parse(int depth);

    std::shared_ptr<InputSource> input_;
    std::unique_ptr<QPDFTokenizer> tokenizer_;
    qint64 size_ = 0;
    QByteArray window_;  // the bytes read last, from windowStart_
    qint64 windowStart_ = 0;
    std::vector<qint64> offsets_;  // by object number: where it starts, 0 if nowhere, -1 if freed
    TPdfValue trailer_;
    qint64 lastXref_ = -1;
    bool indexed_ = true;
    int resolving_ = 0;  // stream lengths being looked up, one inside the other
};
