// TMemIniFile: an INI file held in memory, Shift-JIS on disk, sections and keys case-insensitive, order kept.
// Reads CRLF or LF and writes CRLF; nothing reaches the disk before UpdateFile, which replaces the file whole.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

class EIniFileError : public std::runtime_error {
public:
    explicit EIniFileError(const QString &message)
        : std::runtime_error(message.toStdString()), Message(message)
    {
    }
    const QString Message;
};

class TMemIniFile {
public:
    // The largest file read or written: some thousand times the settings files the program writes, whose
    // longest lists (the book order, the pending book operations) hold one line of at most about a hundred bytes
    // a book.
    static constexpr qint64 MaxFileBytes = qint64(4) << 20;

    // Loads the file when it exists. A file that exists but cannot be read, or is larger than MaxFileBytes,
    // leaves the object empty and marked, and UpdateFile then refuses to write over it.
    explicit TMemIniFile(const QString &fileName);

    const QString &FileName() const { return fileName_; }
    bool ReadFailed() const { return !readError_.isEmpty(); }
    // Why the file was not read (Japanese, for a message), empty when it was.
    const QString &ReadError() const { return readError_; }

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // A value that is not an integer (decimal, or hexadecimal with "$" or "0x") gives the default.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    bool ReadBool(const QString &section, const QString &key, bool def) const;
    // The number of numbered keys a "Count" key announces, never more than the keys its section holds (nor
    // less than 0): a damaged count cannot send a reader through more entries than the file has.
    int ReadCount(const QString &section, const QString &key) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    QStringList ReadSection(const QString &section) const;  // the keys, in order
    QStringList ReadSections() const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);
    void Clear();

    // Writes the whole file (temporary file, then rename). Throws EIniFileError when it cannot be written
    // (its message names a full disk), when the file could not be read at load, when a text has no Shift-JIS
    // form, or when the file would be larger than MaxFileBytes, which the next read would refuse; the file on
    // disk is then left as it was.
    void UpdateFile() const;

    // Parses file content; used by the constructor and by tests.
    void SetText(const QByteArray &content);
    QByteArray GetText() const;

private:
    struct Entry {
        QString key;
        QString value;
        bool hasValue;  // a line without "=" keeps its text as a key with no value
    };
    // Names are looked up through an index by their case-folded form, so reading a file stays linear in
    // its length; the vectors keep the order the file has. A section of a few keys is searched without one:
    // an index costs a couple of kilobytes however few names it holds.
    using TNameIndex = QHash<QString, size_t>;
    static constexpr size_t IndexedEntries = 16;
    struct Section {
        QString name;
        std::vector<Entry> entries;
        TNameIndex index;  // empty while entries has IndexedEntries or fewer
    };

    const Section *findSection(const QString &name) const;
    Section &sectionFor(const QString &name);
    static const Entry *findEntry(const Section &s, const QString &key);
    static Entry *findEntry(Section &s, const QString &key);
    static void addEntry(Section &s, Entry entry);
    static void indexEntries(Section &s);

    QString fileName_;
    QString readError_;
    std::vector<Section> sections_;
    TNameIndex sectionIndex_;
};

// Integer parsing with the settings files' rules, shared by every reader of numeric texts.
bool TryStrToInt(const QString &text, int &value);
