// The text import without its window: reading comma- or tab-separated text in Shift-JIS, UTF-8 or UTF-16 (by
// its byte-order mark), turning a row into an address record as the record form measures and cuts its fields,
// and adding the rows to a book in one transaction.
#pragma once

#include "core/AddressRecord.h"
#include "mainlist/ListItems.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QIODevice;
class TTable;

// UTF-16 is read only by its byte-order mark, which gives the byte order: "Unicode text" as spreadsheets save it.
enum class TTextEncoding { ShiftJis = 0, Utf8 = 1, Utf16 = 2 };

// UTF-16 when the bytes start with its byte-order mark (either order), UTF-8 when they start with its mark or
// are valid UTF-8 throughout with a character beyond ASCII; Shift-JIS otherwise. The device is read from where it
// stands to its end a piece at a time, as far as it takes to tell: the first character beyond ASCII may come
// anywhere in a file, and a file may be larger than is worth holding twice.
TTextEncoding DetectTextEncoding(QIODevice &in);
TTextEncoding DetectTextEncoding(const QByteArray &bytes);
// The text without a byte-order mark; bytes that are no character of the encoding become a character that stands
// for them (U+FFFD, or the control code Shift-JIS's converter puts there), and *unreadableAt, when given, is where
// in the text the first of them stands (-1 when none does). UTF-16 is read in the byte order its mark gives.
QString DecodeImportText(const QByteArray &bytes, TTextEncoding encoding, qsizetype *unreadableAt = nullptr);

// One record of the text: its fields and the line it starts on (from 1).
struct TCsvRow {
    int Line = 0;
    QStringList Fields;
    // A quote that is never closed, or a closing quote followed by more than a separator: the row is the
    // physical line(s) it was read from, which the import rejects.
    bool Malformed = false;
    // The row holds bytes the file's encoding cannot read (TCsvReader's unreadableAt).
    bool Unreadable = false;
    QString Text;  // the row as it stood in the file, for the report
};

// The longest beginning of at most units UTF-16 units that does not cut a surrogate pair.
QString CutToUnits(const QString &text, int units);

// Reads records as spreadsheets write them: a field in double quotes may hold separators, doubled quotes and
// line breaks; a quote inside an unquoted field is an ordinary character. Line ends CR LF, LF or CR.
class TCsvReader {
public:
    // cut: the text is the beginning of a longer one, and a quoted field it ends in is taken as far as it goes.
    // unreadableAt: where the first character the decoding could not read stands (DecodeImportText), -1 none.
    TCsvReader(const QString &text, QChar separator, bool cut = false, qsizetype unreadableAt = -1);
    // False at the end of the text.
    bool Next(TCsvRow &row);
    qsizetype Position() const { return pos_; }
    qsizetype Size() const { return text_.size(); }

private:
    void skipLineEnd();
    qsizetype lineEnd(qsizetype from) const;

    QString text_;
    QChar separator_;
    bool cut_;
    qsizetype unreadableAt_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

// Beside the list's items, whose address is the whole of it, a text file's column can hold one part of the
// record's address: the export writes each part from its field for the import to put back there, and a file
// that keeps the building apart has nowhere else to put it.
enum TTextAddressPart : int { ipPrefecture = ListItemCount, ipMunicipality, ipTown, ipBuilding };
// The item numbers of text files, written and read, end before this.
inline constexpr int TextItemEnd = ipBuilding + 1;

// The items a column can go to: the main list's items by number, 0 (No.) never, then the address parts; -1
// leaves the column out.
bool IsImportItem(int itemNo);
// Whether columns chosen for one item are joined, in their order, with a blank between as a name is written
// (姓 and 名 to 名前, two departments, an address in two columns): names, readings, the address and its parts
// below the prefecture, and texts. A number, a code, a date, a choice among names (group, category,
// prefecture), a mark or a single web or mail address takes one column: a second one could only make it another
// value, and the window refuses it.
bool JoinsColumns(int itemNo);
// The name of an item in the export's item list and header, the import's column choice and its report (the
// same name, so that a header the export wrote names the columns back): keyword items under their current
// names.
QString TextItemCaption(int itemNo);

// What the import made of a row it took otherwise than the row has it, for the closing message.
struct TRowChanges {
    bool Cut = false;               // a field cut to its size: text the book does not hold
    QStringList Swaps;              // characters stored as others, each as "¥→￥"
    QString UnknownGroup;           // a group name the book lacks: the record went to GroupNames[0]
    QStringList UnknownCategories;  // category names the book lacks: the record has none
    bool AddressSetAside = false;   // 住所 said other than the address parts the row holds, which were taken
};

// The municipality a whole address names after its prefecture (Shift-JIS, either may be empty): the beginning
// of rest that is a municipality's name, or nothing when no one name begins it.
using TMunicipalityFinder = std::function<QByteArray(const QByteArray &prefecture, const QByteArray &rest)>;
// The finder over the address dictionary (Kvaddr in libraryFolder, its data in dataFolder); one that finds
// nothing when the dictionary cannot be used, as the import goes on without it.
TMunicipalityFinder DictionaryMunicipalities(const QString &libraryFolder, const QString &dataFolder);

// Turns rows into records of the open book: groups by their names, categories by their names.
class TImportConverter {
public:
    // The group names of the book (entries 1-10 of GroupNames) and the category names (main and sub) to
    // their numbers; the record's dates when the row gives none.
    TImportConverter(const std::vector<int> &columnItems, double now);
    void SetCategories(const QHash<QString, int32_t> &mains, const QHash<QString, int32_t> &subs);
    // Where a whole address fills the municipality's place, the municipality it names goes there.
    void SetMunicipalities(TMunicipalityFinder finder);

    // False when the row cannot be stored (reasons in *errors); notes tell of fields cut to their size, of
    // characters stored as others, of names that matched nothing and of a whole address set aside, and
    // *changes holds the same by kind.
    //
    // Columns chosen for one item give it their values joined (JoinsColumns).
    //
    // The address parts a row holds are stored as it holds them. Its whole address (住所) fills the parts it
    // leaves empty when it reads as the parts it holds, in their order, with the text of the empty ones
    // between them (it may leave out a prefecture or a building the row gives apart, begin with a postal code
    // and differ from them in blanks and in the width of letters, digits and dashes); otherwise it is set
    // aside and said so. Nothing of one field is put in front of another, and no address part begins or ends
    // with a blank. Of the text in the empty parts' place, the prefecture and the municipality go to their
    // fields as far as they are named, and what follows the first half-width blank, where the list and the
    // export set the building apart, to the building's; as far as the fields hold them.
    bool Convert(const QStringList &fields, TAddressRecord *record, QStringList *errors, QStringList *notes,
                 TRowChanges *changes = nullptr) const;

private:
    std::vector<int> columnItems_;
    double now_;
    QHash<QString, int32_t> mains_, subs_;
    TMunicipalityFinder municipalities_;
};

// One line the import left out, or took with a note.
struct TImportProblem {
    int Line = 0;
    QString Reason;
    QString Text;
    bool Rejected = true;
    TRowChanges Changes = {};  // of a row taken
};

struct TImportOutcome {
    int Added = 0;
    bool Stopped = false;
    // The line of the first row holding bytes the file's encoding cannot read, 0 when none does: the run stopped
    // there and nothing was added.
    int UnreadableLine = 0;
    QString Failure;  // why a table error added nothing, as the window tells it
    std::vector<TImportProblem> Problems;
    int RejectedCount() const;
    int CutCount() const;
};

// Adds the rows of reader to table in one transaction. progress(position, size) is asked now and then; false
// stops the run and nothing is added, as a row the file's encoding cannot read does. A row beyond limit records
// in the book is rejected.
TImportOutcome ImportRows(TTable &table, TCsvReader &reader, const TImportConverter &converter, bool skipHeader,
                          int limit, const std::function<bool(qsizetype, qsizetype)> &progress);

// The report of rejected and noted lines, one a line ("n行目: reason: text"), CR LF ended, UTF-8 with its mark.
QByteArray ImportReport(const TImportOutcome &outcome);
// The closing message's lines on the rows taken otherwise than they stand, one for each kind of change with
// the rows it touched, then the rows left out.
QStringList ImportChangeLines(const TImportOutcome &outcome);
