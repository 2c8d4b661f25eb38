// TTable: one table file (an encrypted SQLCipher database) read and written through a cursor in the order
// of one of its indexes, with key look-ups, ranges, a filter and edit states.
#pragma once

#include "db/DatabaseError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum class TFieldType { Integer, AutoInc, String, Boolean, DateTime, Memo };

struct TFieldDef {
    QString Name;
    TFieldType Type = TFieldType::Integer;
    int Size = 0;  // bytes of Shift-JIS text for String; the part kept in the record for Memo (informative)
};

inline constexpr int ixPrimary = 1;
inline constexpr int ixUnique = 2;
inline constexpr int ixCaseInsensitive = 4;

struct TIndexDef {
    QString Name;    // empty for the primary index
    QString Fields;  // "JisCode;Adrs2;Adrs3"
    int Options = 0;
};

struct TTableSchema {
    std::vector<TFieldDef> Fields;
    std::vector<TIndexDef> Indexes;
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey };

class TTable;

// One column of the current row (or of the key being set, in the set-key state). Text is Shift-JIS bytes;
// a text longer than the field is cut to its size without splitting a character.
class TField {
public:
    const QString &FieldName() const;
    TFieldType DataType() const;
    int Size() const;

    QByteArray AsString() const;
    qint32 AsInteger() const;
    bool AsBoolean() const;
    double AsDateTime() const;  // days since 1899-12-30, the time of day as the fraction

    void SetAsString(const QByteArray &value);
    void SetAsInteger(qint32 value);
    void SetAsBoolean(bool value);
    void SetAsDateTime(double value);
    void Clear();

private:
    friend class TTable;
    TField(TTable *table, int column) : table_(table), column_(column) {}
    QVariant &slot() const;
    const QVariant &value() const;
    TTable *table_;
    int column_;
};

class TTable {
public:
    TTable();
    ~TTable();
    TTable(const TTable &) = delete;
    TTable &operator=(const TTable &) = delete;

    QString DatabaseName;  // the folder, with "/"
    QString TableName;     // the file name, "Adrs.DB"
    bool Exclusive = false;
    // The definitions CreateTable writes; Open reads the file's own and checks them against these when set.
    TTableSchema Schema;

    QString FileName() const { return DatabaseName + TableName; }

    // Makes the table file from Schema, protected by the first registered session password. The file is
    // built under a temporary name and renamed, so a crash never leaves half a table; an existing file is
    // never overwritten.
    void CreateTable();

    void Open();
    void Close();
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    TDataSetState State() const { return state_; }

    // Empty: primary-key order. Changing it keeps the current row and drops a range; the order in use asked for
    // again with no range set changes nothing.
    const QString &IndexName() const { return indexName_; }
    void SetIndexName(const QString &name);
    QStringList IndexFieldNames() const;

    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    // Reads up to count rows (at most a few hundred) after the current one in the order of the current index
    // (forward) or before it, in one statement, unless they were read ahead already; Next or Prior then move over
    // them without reading.
    // A walk that knows how far it goes (a printed page's rows) reads them at once, into the rows left behind,
    // rather than in pages growing towards it. The cursor stays where it is.
    void ReadAhead(int count, bool forward = true);
    bool IsEmpty();

    // Key look-ups on the current index: SetKey, assign the leading key fields through FieldByName,
    // then GotoKey (exact, true when found) or GotoNearest (the first row at or after the key).
    void SetKey();
    bool GotoKey();
    void GotoNearest();
    bool FindKey(const QVariantList &values);
    void FindNearest(const QVariantList &values);

    // Limits the rows to those whose leading index fields lie between start and end (inclusive).
    void SetRange(const QVariantList &start, const QVariantList &end);
    void CancelRange();

    // A condition "Field=value" (a number, or text in single quotes); applies while Filtered is set.
    void SetFilter(const QString &filter);
    void SetFiltered(bool filtered);
    const QString &Filter() const { return filterText_; }
    bool Filtered() const { return filtered_; }

    TField &FieldByName(const QString &name);
    TField *FindField(const QString &name);
    int FieldCount() const;
    const TFieldDef &FieldDef(int index) const;

    void Append();
    void Edit();
    void ClearFields();
    void Post();
    void Cancel();
    void Delete();

    // Rows in the current range and filter.
    int RecordCount();

    // Reads the named fields of every row in the current range and filter, in the order of the current index
    // or its reverse, in one pass, without moving the cursor: for whole-table work that needs a few columns
    // of every row (listing a book of 100,000 records reads its record numbers and groups this way).
    void Scan(const QStringList &fields, bool ascending, const std::function<void(const QVariantList &)> &row);
    // Changes are on disk when Post returns; kept for callers that ask for it.
    void FlushBuffers() {}

    // Groups many posts into one transaction: all of them reach the file, or none.
    void StartTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const;
    // Gives up an open transaction where a failure is already being told: a rollback that fails in turn adds
    // nothing to say, and closing the table drops the transaction as well.
    void Abandon() noexcept;

private:
    friend class TField;
    friend class TTableReadScope;
    void ApplyIndexName(const QString &name);
    void createFile();
    void openFile();
    // Throws, when the table is not open, why not: the failure of the make or open that left it closed.
    void requireActive() const;
    // Active, and out of any edit: a pending edit is posted, a key being set is given up.
    void requireBrowse();
    struct Impl;
    std::unique_ptr<Impl> d;
    TDataSetState state_ = TDataSetState::dsInactive;
    QString indexName_;
    QString filterText_;
    bool filtered_ = false;
    bool eof_ = true;
    bool bof_ = true;
    std::vector<std::unique_ptr<TField>> fields_;
    // Why the last CreateTable or Open failed, until an Open succeeds.
    std::optional<EDatabaseError> openFailure_;
};

// Holds one read of a table over a run of look-ups (the records of a printed page), sparing each look-up the
// file's locking and journal checks. Rows read inside are the rows read outside: the table's file keeps a
// rollback journal, so while the read is held no other connection can commit, and a write through this same
// table ends the read first and reaches the file at once, as it does outside. Another connection's writer waits
// until the scope ends (up to its busy timeout): hold one only over work that neither waits for the user nor
// runs the event loop. Scopes nest; a null table holds nothing.
class TTableReadScope {
public:
    explicit TTableReadScope(TTable *table);
    ~TTableReadScope();
    TTableReadScope(const TTableReadScope &) = delete;
    TTableReadScope &operator=(const TTableReadScope &) = delete;

private:
    TTable *table_;
};
