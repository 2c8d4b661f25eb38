#include "db/Table.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "db/Collation.h"
#include "db/Session.h"
#include "db/Sqlite.h"

#include <QFile>
#include <QFileInfo>

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <optional>
#include <unordered_map>

#include <unistd.h>

namespace {

// Marks a file as a table of this program, so a database of another program is never taken for one.
constexpr int ApplicationId = 0x564C4D52;  // "VLMR"
constexpr int FormatVersion = 1;

using Row = std::vector<QVariant>;  // rowid first, then the columns in field order

// The read-ahead grows to this many rows: each page is a seek, so larger pages save little, while a window that
// no longer fits the processor's caches costs more than the queries it saves.
constexpr int MaxPageSize = 64;
// A read-ahead asked for reads at most this many rows at once: whole rows held together stay few whatever a walk
// asks (a walk over a whole book reads on in pieces of this size).
constexpr int MaxReadAhead = 4 * MaxPageSize;

QByteArray quoted(const QString &identifier)
{
    return '"' + identifier.toUtf8().replace('"', "\"\"") + '"';
}

bool isText(TFieldType type) { return type == TFieldType::String || type == TFieldType::Memo; }

QVariant defaultValue(TFieldType type)
{
    switch (type) {
    case TFieldType::String:
    case TFieldType::Memo: return QByteArray();
    case TFieldType::DateTime: return 0.0;
    case TFieldType::AutoInc: return QVariant();
    default: return qint64(0);
    }
}

QByteArray columnSql(const TFieldDef &f)
{
    switch (f.Type) {
    case TFieldType::AutoInc: return quoted(f.Name) + " INTEGER PRIMARY KEY AUTOINCREMENT";
    case TFieldType::String:
    case TFieldType::Memo: return quoted(f.Name) + " TEXT NOT NULL DEFAULT ''";
    case TFieldType::DateTime: return quoted(f.Name) + " REAL NOT NULL DEFAULT 0";
    default: return quoted(f.Name) + " INTEGER NOT NULL DEFAULT 0";
    }
}

int typeCode(TFieldType t) { return static_cast<int>(t); }

}  // namespace

struct TTable::Impl {
    TSqliteDatabase db;
    QByteArray sqlTable;
    std::vector<TFieldDef> fields;
    std::vector<TIndexDef> indexes;
    int primaryColumn = -1;  // the integer primary key column, which is the rowid

    // The order of the current index: column and whether it compares without regard to case.
    struct Term {
        int column;
        bool noCase;
    };
    std::vector<Term> order;

    // Range and filter, as SQL and the values bound to them.
    QByteArray rangeSql;
    QVariantList rangeValues;
    QByteArray filterSql;
    QVariantList filterValues;

    // Rows read ahead around the current one, in index order; pos is the current row in it.
    std::vector<Row> window;
    int pos = -1;
    int pageSize = 16;
    // Rows of windows left behind, read into again: a look-up after a look-up, or the next read-ahead page, then
    // allocates next to nothing.
    std::vector<Row> spare;

    // Statements are prepared once per text and reused: look-ups and posts repeat the same few. Selects of whole
    // rows are kept by what follows selectFrom, which a look-up then neither copies nor hashes.
    std::unordered_map<QByteArray, std::unique_ptr<TSqliteStatement>> statements;
    std::unordered_map<QByteArray, std::unique_ptr<TSqliteStatement>> rowSelects;
    QHash<QString, int> columnOf;  // field name, as defined and in lower case -> column
    std::vector<QByteArray> quotedNames;
    QByteArray selectFrom;  // "SELECT rowid, <every column> FROM <table>"

    // Open TTableReadScopes, and whether the read they hold has begun (it begins with the first read in them).
    int readScopes = 0;
    bool readHeld = false;

    void beginRead()
    {
        // Inside the caller's own transaction its reads are already held.
        if (readScopes == 0 || readHeld || !sqlite3_get_autocommit(db.Handle()))
            return;
        // Prepared once: a scope held over a single record (a postcard's page) then costs next to nothing.
        statement("BEGIN").Step();
        readHeld = true;
    }

    // Every statement is reset when it returns, so nothing is pending: ending a read cannot fail but for a lost
    // file, and then the connection is rolled back rather than left inside a transaction.
    void endRead() noexcept
    {
        if (!readHeld)
            return;
        readHeld = false;
        try {
            statement("COMMIT").Step();
        } catch (...) {
            sqlite3_exec(db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }

    TSqliteStatement &statement(const QByteArray &sql)
    {
        auto &st = statements[sql];
        if (!st)
            st = std::make_unique<TSqliteStatement>(db, sql);
        else
            st->Reset();
        return *st;
    }

    TSqliteStatement &prepared(const QByteArray &sql)
    {
        beginRead();
        return statement(sql);
    }

    // A statement that writes: a held read ends first, so the change is committed when the statement ends.
    TSqliteStatement &preparedWrite(const QByteArray &sql)
    {
        endRead();
        return statement(sql);
    }

    TSqliteStatement &preparedRowSelect(const QByteArray &tail)
    {
        beginRead();
        auto &st = rowSelects[tail];
        if (!st)
            st = std::make_unique<TSqliteStatement>(db, selectFrom + tail);
        else
            st->Reset();
        return *st;
    }

    Row buffer;  // the edit or insert buffer, without the rowid
    Row keyBuffer;
    std::vector<bool> keyAssigned;


    static constexpr int RowidTerm = -1;

    QByteArray termSql(const Term &t) const
    {
        if (t.column == RowidTerm)
            return "rowid";
        QByteArray s = quoted(fields[t.column].Name);
        if (t.noCase)
            s += QByteArray(" COLLATE ") + SjisNoCaseCollation;
        return s;
    }

    // The fields a key names: those of the current index, or the primary key in primary-key order.
    std::vector<Term> keyTerms() const
    {
        if (!order.empty() || primaryColumn < 0)
            return order;
        return {{primaryColumn, false}};
    }

    QByteArray tupleOf(const std::vector<Term> &terms, size_t n, bool withRowid) const
    {
        QByteArray s = "(";
        for (size_t i = 0; i < n; ++i)
            s += (i ? ", " : "") + termSql(terms[i]);
        if (withRowid)
            s += QByteArray(n ? ", " : "") + "rowid";
        return s + ")";
    }

    static QByteArray placeholders(size_t n)
    {
        QByteArray s = "(";
        for (size_t i = 0; i < n; ++i)
            s += i ? ", ?" : "?";
        return s + ")";
    }

    QByteArray orderBy(bool descending) const
    {
        QByteArray s = " ORDER BY ";
        for (const Term &t : order)
            s += termSql(t) + (descending ? " DESC, " : ", ");
        return s + (descending ? "rowid DESC" : "rowid");
    }

    void bind(TSqliteStatement &st, int index, const QVariant &v) const
    {
        switch (v.typeId()) {
        case QMetaType::QByteArray: st.BindText(index, v.toByteArray()); break;
        case QMetaType::Double: st.BindDouble(index, v.toDouble()); break;
        case QMetaType::Bool: st.BindInt(index, v.toBool() ? 1 : 0); break;
        default: st.BindInt(index, v.toLongLong()); break;
        }
    }

    // Runs a select of whole rows with the range and filter and an extra condition.
    std::vector<Row> select(const QByteArray &condition, const QVariantList &values, const QByteArray &tail)
    {
        QByteArray sql;
        QByteArrayList where;
        if (!rangeSql.isEmpty())
            where << rangeSql;
        if (!filterSql.isEmpty())
            where << filterSql;
        if (!condition.isEmpty())
            where << condition;
        if (!where.isEmpty())
            sql = " WHERE " + where.join(" AND ");
        sql += tail;
        TSqliteStatement &st = preparedRowSelect(sql);
        int i = 1;
        for (const QVariantList *list : std::initializer_list<const QVariantList *>{&rangeValues, &filterValues, &values})
            for (const QVariant &v : *list)
                bind(st, i++, v);
        std::vector<Row> rows;
        while (st.Step()) {
            Row &row = rows.emplace_back();
            if (!spare.empty()) {
                row = std::move(spare.back());
                spare.pop_back();
            }
            row.resize(fields.size() + 1);
            row[0] = st.ColumnInt(0);
            for (size_t c = 0; c < fields.size(); ++c) {
                const int col = static_cast<int>(c) + 1;
                QVariant &v = row[c + 1];
                switch (fields[c].Type) {
                case TFieldType::String:
                case TFieldType::Memo:
                    if (v.typeId() == QMetaType::QByteArray)
                        st.ColumnTextInto(col, *static_cast<QByteArray *>(v.data()));
                    else
                        v = st.ColumnText(col);
                    break;
                case TFieldType::DateTime: v = st.ColumnDouble(col); break;
                default: v = st.ColumnInt(col); break;
                }
            }
        }
        st.Reset();
        return rows;
    }

    // Up to count rows beyond key in the index order (forward: after it, else before it, nearest first), key
    // holding values of the leading terms; inclusive takes the rows equal to the key as well. One condition
    // "(a, b, rowid) > (?, ?, ?)" would say it, but SQLite seeks an index with such a condition only when no
    // term has a collation, and then on its first column alone, so every read-ahead page would walk the index
    // from the start (or through all rows of an equal first key). Asked level by level instead (the leading
    // terms equal and the next one beyond, deepest level first), every query is a seek.
    std::vector<Row> beyond(const std::vector<Term> &terms, const QVariantList &key, bool forward, bool inclusive,
                            int count)
    {
        std::vector<Row> rows;
        const size_t m = static_cast<size_t>(key.size());
        for (size_t level = m; level-- > 0 && static_cast<int>(rows.size()) < count;) {
            QByteArray condition;
            QVariantList values;
            for (size_t i = 0; i < level; ++i) {
                condition += termSql(terms[i]) + " = ? AND ";
                values << key[i];
            }
            const bool orEqual = inclusive && level == m - 1;
            condition += termSql(terms[level]) + (forward ? (orEqual ? " >= ?" : " > ?") : (orEqual ? " <= ?" : " < ?"));
            values << key[level] << qint64(count - static_cast<int>(rows.size()));
            std::vector<Row> more = select(condition, values, orderBy(!forward) + " LIMIT ?");
            std::move(more.begin(), more.end(), std::back_inserter(rows));
        }
        return rows;
    }

    // The rows after (or before) a row in the order of the current index: its index columns, then its rowid.
    std::vector<Row> fetch(const Row &row, bool forward, int count)
    {
        std::vector<Term> terms = order;
        terms.push_back({RowidTerm, false});
        QVariantList key;
        for (const Term &t : order)
            key << row[t.column + 1];
        key << row[0];
        return beyond(terms, key, forward, false, count);
    }

    // The key values for the leading key fields that were assigned.
    QVariantList assignedKey() const
    {
        QVariantList values;
        for (const Term &t : keyTerms()) {
            if (!keyAssigned[t.column])
                break;
            values << keyBuffer[t.column];
        }
        return values;
    }

    const Row *current() const { return pos >= 0 && pos < static_cast<int>(window.size()) ? &window[pos] : nullptr; }

    // The window's rows, but for those moved out of it, become spare ones.
    void keepWindow()
    {
        for (Row &row : window)
            if (!row.empty() && spare.size() < static_cast<size_t>(MaxPageSize))
                spare.push_back(std::move(row));
    }

    void setWindow(std::vector<Row> rows, int position)
    {
        keepWindow();
        window = std::move(rows);
        pos = window.empty() ? -1 : position;
        pageSize = 16;
    }

    // Reads the current row again (after a write or a change of order, range or filter), or the nearest one
    // in the new order when it is no longer visible.
    void reposition(qint64 rowid)
    {
        auto rows = select("rowid = ?", {rowid}, " LIMIT 1");
        if (!rows.empty()) {
            setWindow(std::move(rows), 0);
            return;
        }
        setWindow(select({}, {}, orderBy(false) + " LIMIT 1"), 0);
    }
};

// ---- TField ----

const QString &TField::FieldName() const { return table_->d->fields[column_].Name; }
TFieldType TField::DataType() const { return table_->d->fields[column_].Type; }
int TField::Size() const { return table_->d->fields[column_].Size; }

QVariant &TField::slot() const
{
    // Writers check the state first: only the key and edit buffers are written.
    TTable::Impl &d = *table_->d;
    return table_->state_ == TDataSetState::dsSetKey ? d.keyBuffer[column_] : d.buffer[column_];
}

const QVariant &TField::value() const
{
    switch (table_->state_) {
    case TDataSetState::dsSetKey:
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert: return slot();
    default: break;
    }
    // Browsing: the current row, read in place (a list or an export reads every cell of every row), or the
    // empty defaults of an empty table.
    if (const Row *row = table_->d->current())
        return (*row)[column_ + 1];
    static thread_local QVariant empty;
    empty = defaultValue(table_->d->fields[column_].Type);
    return empty;
}

QByteArray TField::AsString() const
{
    const QVariant &v = value();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return QByteArray::number(v.toDouble(), 'g', 15);
    return QByteArray::number(v.toLongLong());
}

qint32 TField::AsInteger() const
{
    const QVariant &v = value();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray().trimmed().toInt();
    return static_cast<qint32>(v.toLongLong());
}

bool TField::AsBoolean() const { return AsInteger() != 0; }

double TField::AsDateTime() const
{
    const QVariant &v = value();
    return v.isNull() ? 0.0 : v.toDouble();
}

static void requireWritable(const TTable &table)
{
    if (table.State() != TDataSetState::dsEdit && table.State() != TDataSetState::dsInsert
        && table.State() != TDataSetState::dsSetKey)
        throw EDatabaseError(table.TableName + QStringLiteral(": not in edit or insert mode"));
}

void TField::SetAsString(const QByteArray &value)
{
    requireWritable(*table_);
    const TFieldDef &f = table_->d->fields[column_];
    switch (f.Type) {
    case TFieldType::String: slot() = Sjis::cutToBytes(value, f.Size); break;
    case TFieldType::Memo: slot() = value; break;
    case TFieldType::DateTime: slot() = value.trimmed().toDouble(); break;
    default: slot() = qint64(value.trimmed().toLongLong()); break;
    }
    if (table_->state_ == TDataSetState::dsSetKey)
        table_->d->keyAssigned[column_] = true;
}

void TField::SetAsInteger(qint32 value)
{
    requireWritable(*table_);
    if (isText(DataType()))
        SetAsString(QByteArray::number(value));
    else {
        slot() = DataType() == TFieldType::DateTime ? QVariant(double(value)) : QVariant(qint64(value));
        if (table_->state_ == TDataSetState::dsSetKey)
            table_->d->keyAssigned[column_] = true;
    }
}

void TField::SetAsBoolean(bool value) { SetAsInteger(value ? 1 : 0); }

void TField::SetAsDateTime(double value)
{
    requireWritable(*table_);
    slot() = value;
    if (table_->state_ == TDataSetState::dsSetKey)
        table_->d->keyAssigned[column_] = true;
}

void TField::Clear()
{
    requireWritable(*table_);
    slot() = defaultValue(DataType());
}

// ---- TTable ----

TTable::TTable() : d(std::make_unique<Impl>()) {}
TTable::~TTable() { Close(); }

namespace {

// Runs step, keeping its failure in failure for every later use of the table to raise again.
template <class Step> void keepingFailure(std::optional<EDatabaseError> &failure, Step step)
{
    try {
        step();
    } catch (const EDatabaseError &e) {
        failure.emplace(e);
        throw;
    }
}

}  // namespace

void TTable::CreateTable() { keepingFailure(openFailure_, [this] { createFile(); }); }

void TTable::Open()
{
    keepingFailure(openFailure_, [this] { openFile(); });
    openFailure_.reset();
}

void TTable::createFile()
{
    if (Schema.Fields.empty())
        throw EDatabaseError(TableName + QStringLiteral(": no field definitions"));
    if (Session().Passwords().isEmpty())
        throw EDatabaseError(TableName + QStringLiteral(": no table password"));
    const QString target = FileName();
    if (QFileInfo::exists(target))
        throw EDatabaseError(target + QStringLiteral(": the table already exists"));
    const QString temporary = target + QStringLiteral(".creating");
    QFile::remove(temporary);
    try {
        TSqliteDatabase db;
        db.Open(temporary, Session().Passwords().first(), true);
        db.Exec("BEGIN");
        db.Exec("PRAGMA application_id = " + QByteArray::number(ApplicationId));
        db.Exec("PRAGMA user_version = " + QByteArray::number(FormatVersion));
        const QByteArray table = quoted(QFileInfo(TableName).completeBaseName());
        QByteArrayList columns;
        for (const TFieldDef &f : Schema.Fields) {
            QByteArray c = columnSql(f);
            const bool isPrimary = std::any_of(Schema.Indexes.begin(), Schema.Indexes.end(), [&](const TIndexDef &ix) {
                return (ix.Options & ixPrimary) && ix.Fields == f.Name;
            });
            if (isPrimary && f.Type == TFieldType::Integer)
                c = quoted(f.Name) + " INTEGER PRIMARY KEY";
            columns << c;
        }
        db.Exec("CREATE TABLE " + table + " (" + columns.join(", ") + ")");
        db.Exec("CREATE TABLE velmora_fields (ord INTEGER PRIMARY KEY, name TEXT, type INTEGER, size INTEGER)");
        db.Exec("CREATE TABLE velmora_indexes (ord INTEGER PRIMARY KEY, name TEXT, fields TEXT, options INTEGER)");
        TSqliteStatement addField(db, "INSERT INTO velmora_fields VALUES (?, ?, ?, ?)");
        for (size_t i = 0; i < Schema.Fields.size(); ++i) {
            const TFieldDef &f = Schema.Fields[i];
            addField.Reset();
            addField.BindInt(1, static_cast<qint64>(i));
            addField.BindText(2, f.Name.toUtf8());
            addField.BindInt(3, typeCode(f.Type));
            addField.BindInt(4, f.Size);
            addField.Step();
        }
        TSqliteStatement addIndex(db, "INSERT INTO velmora_indexes VALUES (?, ?, ?, ?)");
        for (size_t i = 0; i < Schema.Indexes.size(); ++i) {
            const TIndexDef &ix = Schema.Indexes[i];
            addIndex.Reset();
            addIndex.BindInt(1, static_cast<qint64>(i));
            addIndex.BindText(2, ix.Name.toUtf8());
            addIndex.BindText(3, ix.Fields.toUtf8());
            addIndex.BindInt(4, ix.Options);
            addIndex.Step();
            if (ix.Options & ixPrimary)
                continue;
            QByteArrayList terms;
            for (const QString &name : ix.Fields.split(';')) {
                const auto f = std::find_if(Schema.Fields.begin(), Schema.Fields.end(),
                                            [&](const TFieldDef &fd) { return fd.Name == name; });
                if (f == Schema.Fields.end())
                    throw EDatabaseError(TableName + QStringLiteral(": index field ") + name + QStringLiteral(" missing"));
                terms << quoted(name) + ((ix.Options & ixCaseInsensitive) && isText(f->Type)
                                             ? QByteArray(" COLLATE ") + SjisNoCaseCollation
                                             : QByteArray());
            }
            db.Exec("CREATE " + QByteArray((ix.Options & ixUnique) ? "UNIQUE " : "") + "INDEX "
                    + quoted("ix_" + ix.Name) + " ON " + table + " (" + terms.join(", ") + ")");
        }
        db.Exec("COMMIT");
        db.Close();
    } catch (...) {
        QFile::remove(temporary);
        QFile::remove(temporary + QStringLiteral("-journal"));
        throw;
    }
    // The new file is on the disk before it takes its name, and the name after, as RenameDurably has it; the
    // rename here never replaces a file another process made in the meantime. A power loss leaves no table file
    // cut short, and no new book without its table.
    QFile made(temporary);
    if (!made.open(QIODevice::ReadOnly) || ::fsync(made.handle()) != 0 || !QFile::rename(temporary, target)) {
        const int error = errno;
        QFile::remove(temporary);
        throw EDatabaseError(target + QStringLiteral(": the table file cannot be made"), SQLITE_CANTOPEN, error,
                             QFileInfo(target).absolutePath() + QLatin1Char('/'));
    }
    SyncFolder(QFileInfo(target).absolutePath());
}

void TTable::openFile()
{
    if (Active())
        return;
    const QString file = FileName();
    if (!QFileInfo(file).isFile())
        throw EDatabaseError(file + QStringLiteral(": the table does not exist"));
    if (Session().Passwords().isEmpty())
        throw EDatabaseError(file + QStringLiteral(": no table password"));

    bool opened = false;
    std::optional<EDatabaseError> lastError;
    for (const QByteArray &password : Session().Passwords()) {
        try {
            d->db.Open(file, password, false);
            TSqliteStatement id(d->db, "PRAGMA application_id");
            // A wrong password or a file that is not a database fails on this first read.
            if (!id.Step() || id.ColumnInt(0) != ApplicationId)
                throw EDatabaseError(file + QStringLiteral(": not a table of this program"));
            opened = true;
            break;
        } catch (const EDatabaseError &e) {
            lastError.emplace(e);
            d->db.Close();
        }
    }
    if (!opened)
        throw *lastError;

    try {
        d->fields.clear();
        d->indexes.clear();
        TSqliteStatement readFields(d->db, "SELECT name, type, size FROM velmora_fields ORDER BY ord");
        while (readFields.Step())
            d->fields.push_back({QString::fromUtf8(readFields.ColumnText(0)),
                                 static_cast<TFieldType>(readFields.ColumnInt(1)), static_cast<int>(readFields.ColumnInt(2))});
        TSqliteStatement readIndexes(d->db, "SELECT name, fields, options FROM velmora_indexes ORDER BY ord");
        while (readIndexes.Step())
            d->indexes.push_back({QString::fromUtf8(readIndexes.ColumnText(0)),
                                  QString::fromUtf8(readIndexes.ColumnText(1)), static_cast<int>(readIndexes.ColumnInt(2))});
        if (!Schema.Fields.empty()) {
            const bool same = std::equal(d->fields.begin(), d->fields.end(), Schema.Fields.begin(), Schema.Fields.end(),
                                         [](const TFieldDef &a, const TFieldDef &b) {
                                             return a.Name == b.Name && a.Type == b.Type && a.Size == b.Size;
                                         });
            if (!same)
                throw EDatabaseError(file + QStringLiteral(": the table's fields are not the expected ones"));
        }
        d->sqlTable = quoted(QFileInfo(TableName).completeBaseName());
        d->primaryColumn = -1;
        for (const TIndexDef &ix : d->indexes)
            if (ix.Options & ixPrimary)
                for (size_t c = 0; c < d->fields.size(); ++c)
                    if (d->fields[c].Name == ix.Fields)
                        d->primaryColumn = static_cast<int>(c);
        d->db.Exec("PRAGMA cache_size = -32768");
        if (Exclusive) {
            // Holding the write lock from now on keeps every other connection out until Close.
            d->db.Exec("PRAGMA locking_mode = EXCLUSIVE");
            d->db.Exec("BEGIN EXCLUSIVE");
            d->db.Exec("COMMIT");
        }
        // A table that cannot be read through (a damaged page) fails here, not in the middle of work.
        TSqliteStatement probe(d->db, "SELECT count(*) FROM " + d->sqlTable);
        probe.Step();
    } catch (...) {
        d->statements.clear();
        d->rowSelects.clear();
        d->db.Close();
        throw;
    }
    fields_.clear();
    d->columnOf.clear();
    d->quotedNames.clear();
    for (size_t c = 0; c < d->fields.size(); ++c) {
        fields_.push_back(std::unique_ptr<TField>(new TField(this, static_cast<int>(c))));
        d->columnOf.insert(d->fields[c].Name, static_cast<int>(c));
        d->columnOf.insert(d->fields[c].Name.toLower(), static_cast<int>(c));
        d->quotedNames.push_back(quoted(d->fields[c].Name));
    }
    d->selectFrom = "SELECT rowid";
    for (const QByteArray &name : d->quotedNames)
        d->selectFrom += ", " + name;
    d->selectFrom += " FROM " + d->sqlTable;
    state_ = TDataSetState::dsBrowse;
    d->rangeSql.clear();
    d->rangeValues.clear();
    try {
        ApplyIndexName(indexName_);
        SetFiltered(filtered_);
        First();
    } catch (...) {
        Close();
        throw;
    }
}

void TTable::Close()
{
    if (!Active())
        return;
    d->endRead();
    if (InTransaction())
        d->db.Exec("ROLLBACK");
    d->statements.clear();
    d->rowSelects.clear();
    d->db.Close();
    d->window.clear();
    d->spare.clear();
    d->pos = -1;
    fields_.clear();
    state_ = TDataSetState::dsInactive;
    eof_ = bof_ = true;
}

void TTable::requireActive() const
{
    if (Active())
        return;
    // A book that could not be made or opened (a full disk, a folder that cannot be written) says so again to
    // whatever wants to use it, with the place.
    if (!openFailure_)
        throw EDatabaseError(TableName + QStringLiteral(": the table is not open"));
    throw EDatabaseError(TableName + QStringLiteral(": the table is not open: ") + openFailure_->Detail,
                         openFailure_->Code, openFailure_->SystemError, openFailure_->Folder);
}

void TTable::SetIndexName(const QString &name)
{
    if (!Active()) {
        indexName_ = name;
        return;
    }
    // Binding each printed record sets the primary order before its look-up: re-reading the row it stands on
    // would cost a second select per record for nothing.
    if (name.compare(indexName_, Qt::CaseInsensitive) == 0 && d->rangeSql.isEmpty()) {
        indexName_ = name;
        return;
    }
    ApplyIndexName(name);
}

void TTable::ApplyIndexName(const QString &name)
{
    std::vector<Impl::Term> order;
    if (!name.isEmpty()) {
        const auto ix = std::find_if(d->indexes.begin(), d->indexes.end(), [&](const TIndexDef &i) {
            return !(i.Options & ixPrimary) && i.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (ix == d->indexes.end())
            throw EDatabaseError(TableName + QStringLiteral(": no index ") + name);
        for (const QString &fieldName : ix->Fields.split(';')) {
            const int c = FieldByName(fieldName).column_;
            order.push_back({c, (ix->Options & ixCaseInsensitive) && isText(d->fields[c].Type)});
        }
    } else if (d->primaryColumn < 0) {
        for (const TIndexDef &ix : d->indexes)
            if (ix.Options & ixPrimary)
                for (const QString &fieldName : ix.Fields.split(';'))
                    order.push_back({FieldByName(fieldName).column_, false});
    }
    const Row *cur = d->current();
    const qint64 rowid = cur ? (*cur)[0].toLongLong() : 0;
    indexName_ = name;
    d->order = order;
    d->rangeSql.clear();
    d->rangeValues.clear();
    if (cur)
        d->reposition(rowid);
    else
        First();
}

QStringList TTable::IndexFieldNames() const
{
    QStringList names;
    for (const Impl::Term &t : d->keyTerms())
        names << d->fields[t.column].Name;
    return names;
}

void TTable::requireBrowse()
{
    requireActive();
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert)
        Post();
    else if (State() == TDataSetState::dsSetKey)
        Cancel();
}

void TTable::First()
{
    requireBrowse();
    d->setWindow(d->select({}, {}, d->orderBy(false) + " LIMIT 16"), 0);
    bof_ = true;
    eof_ = d->window.empty();
}

void TTable::Last()
{
    requireBrowse();
    auto rows = d->select({}, {}, d->orderBy(true) + " LIMIT 16");
    std::reverse(rows.begin(), rows.end());
    const int last = static_cast<int>(rows.size()) - 1;
    d->setWindow(std::move(rows), last);
    eof_ = true;
    bof_ = d->window.empty();
}

void TTable::Next()
{
    requireBrowse();
    const Row *cur = d->current();
    if (!cur) {
        eof_ = true;
        return;
    }
    bof_ = false;
    if (d->pos + 1 < static_cast<int>(d->window.size())) {
        ++d->pos;
        eof_ = false;
        return;
    }
    // Sequential reading fetches larger pages, so a scan costs about what one query over the table does.
    const int page = d->pageSize;
    auto rows = d->fetch(*cur, true, page);
    if (rows.empty()) {
        eof_ = true;
        return;
    }
    rows.insert(rows.begin(), std::move(d->window[d->pos]));
    d->keepWindow();
    d->window = std::move(rows);
    d->pos = 1;
    d->pageSize = std::min(page * 4, MaxPageSize);
    eof_ = false;
}

void TTable::Prior()
{
    requireBrowse();
    const Row *cur = d->current();
    if (!cur) {
        bof_ = true;
        return;
    }
    eof_ = false;
    if (d->pos > 0) {
        --d->pos;
        bof_ = false;
        return;
    }
    const int page = d->pageSize;
    auto rows = d->fetch(*cur, false, page);
    if (rows.empty()) {
        bof_ = true;
        return;
    }
    std::reverse(rows.begin(), rows.end());
    rows.push_back(std::move(d->window[d->pos]));
    d->pos = static_cast<int>(rows.size()) - 2;
    d->keepWindow();
    d->window = std::move(rows);
    d->pageSize = std::min(page * 4, MaxPageSize);
    bof_ = false;
}

void TTable::ReadAhead(int count, bool forward)
{
    requireBrowse();
    const Row *cur = d->current();
    if (!cur || count <= 0)
        return;
    count = std::min(count, MaxReadAhead);
    const int size = static_cast<int>(d->window.size());
    const int have = forward ? size - 1 - d->pos : d->pos;
    if (have >= count)
        return;
    auto rows = d->fetch(forward ? d->window.back() : d->window.front(), forward, count - have);
    if (rows.empty())
        return;
    // The window becomes the current row and the rows on the walk's side of it; those behind are left to be
    // read into.
    std::vector<Row> window;
    window.reserve(static_cast<size_t>(have + 1) + rows.size());
    if (forward) {
        for (int i = d->pos; i < size; ++i)
            window.push_back(std::move(d->window[i]));
        std::move(rows.begin(), rows.end(), std::back_inserter(window));
    } else {
        std::move(rows.rbegin(), rows.rend(), std::back_inserter(window));
        for (int i = 0; i <= d->pos; ++i)
            window.push_back(std::move(d->window[i]));
    }
    d->keepWindow();
    d->window = std::move(window);
    d->pos = forward ? 0 : static_cast<int>(d->window.size()) - 1;
}

bool TTable::IsEmpty()
{
    requireActive();
    return d->current() == nullptr;
}

void TTable::SetKey()
{
    requireBrowse();
    // Only assigned key fields are read, so the buffer keeps its old values.
    d->keyBuffer.resize(d->fields.size());
    d->keyAssigned.assign(d->fields.size(), false);
    state_ = TDataSetState::dsSetKey;
}

bool TTable::GotoKey()
{
    if (state_ != TDataSetState::dsSetKey)
        SetKey();
    const QVariantList key = d->assignedKey();
    state_ = TDataSetState::dsBrowse;
    if (key.isEmpty())
        return false;
    const size_t n = key.size();
    std::vector<Row> rows = d->select(d->tupleOf(d->keyTerms(), n, false) + " = " + Impl::placeholders(n), key,
                                      d->orderBy(false) + " LIMIT 1");
    if (rows.empty())
        return false;
    d->setWindow(std::move(rows), 0);
    eof_ = bof_ = false;
    return true;
}

void TTable::GotoNearest()
{
    if (state_ != TDataSetState::dsSetKey)
        SetKey();
    const QVariantList key = d->assignedKey();
    state_ = TDataSetState::dsBrowse;
    if (key.isEmpty()) {
        First();
        return;
    }
    std::vector<Row> rows = d->beyond(d->keyTerms(), key, true, true, 1);
    if (rows.empty()) {
        Last();
        return;
    }
    d->setWindow(std::move(rows), 0);
    eof_ = bof_ = false;
}

// Assigns values to the leading key fields.
static void assignKey(TTable &table, const QVariantList &values)
{
    table.SetKey();
    const QStringList names = table.IndexFieldNames();
    if (values.size() > names.size())
        throw EDatabaseError(table.TableName + QStringLiteral(": more key values than key fields"));
    for (int i = 0; i < values.size(); ++i) {
        TField &field = table.FieldByName(names[i]);
        const QVariant &v = values[i];
        if (v.typeId() == QMetaType::QByteArray)
            field.SetAsString(v.toByteArray());
        else if (v.typeId() == QMetaType::Double)
            field.SetAsDateTime(v.toDouble());
        else
            field.SetAsInteger(v.toInt());
    }
}

bool TTable::FindKey(const QVariantList &values)
{
    assignKey(*this, values);
    return GotoKey();
}

void TTable::FindNearest(const QVariantList &values)
{
    assignKey(*this, values);
    GotoNearest();
}

void TTable::SetRange(const QVariantList &start, const QVariantList &end)
{
    requireBrowse();
    const std::vector<Impl::Term> terms = d->keyTerms();
    const size_t n = std::min<size_t>(std::min(start.size(), end.size()), terms.size());
    const QByteArray key = d->tupleOf(terms, n, false);
    d->rangeSql = n == 0 ? QByteArray() : key + " >= " + Impl::placeholders(n) + " AND " + key + " <= " + Impl::placeholders(n);
    d->rangeValues = start.mid(0, n) + end.mid(0, n);
    First();
}

void TTable::CancelRange()
{
    requireBrowse();
    d->rangeSql.clear();
    d->rangeValues.clear();
    First();
}

void TTable::SetFilter(const QString &filter)
{
    filterText_ = filter;
    if (Active())
        SetFiltered(filtered_);
}

void TTable::SetFiltered(bool filtered)
{
    filtered_ = filtered;
    if (!Active())
        return;
    requireBrowse();
    d->filterSql.clear();
    d->filterValues.clear();
    if (filtered_ && !filterText_.trimmed().isEmpty()) {
        const int eq = filterText_.indexOf('=');
        if (eq <= 0)
            throw EDatabaseError(TableName + QStringLiteral(": filter ") + filterText_);
        TField &field = FieldByName(filterText_.left(eq).trimmed());
        QString value = filterText_.mid(eq + 1).trimmed();
        d->filterSql = quoted(field.FieldName()) + " = ?";
        if (value.size() >= 2 && value.startsWith('\'') && value.endsWith('\''))
            d->filterValues << Sjis::encode(value.mid(1, value.size() - 2).replace(QLatin1String("''"), QLatin1String("'")));
        else if (isText(field.DataType()))
            d->filterValues << Sjis::encode(value);
        else if (field.DataType() == TFieldType::DateTime)
            d->filterValues << value.toDouble();
        else
            d->filterValues << value.toLongLong();
    }
    First();
}

TField &TTable::FieldByName(const QString &name)
{
    if (TField *f = FindField(name))
        return *f;
    throw EDatabaseError(TableName + QStringLiteral(": field '") + name + QStringLiteral("' not found"));
}

TField *TTable::FindField(const QString &name)
{
    requireActive();
    // Callers nearly always spell a field as it is defined; other spellings cost a lower-casing.
    auto it = d->columnOf.constFind(name);
    if (it == d->columnOf.constEnd())
        it = d->columnOf.constFind(name.toLower());
    return it == d->columnOf.constEnd() ? nullptr : fields_[*it].get();
}

int TTable::FieldCount() const { return static_cast<int>(d->fields.size()); }
const TFieldDef &TTable::FieldDef(int index) const { return d->fields.at(index); }

void TTable::Append()
{
    requireBrowse();
    d->buffer.assign(d->fields.size(), QVariant());
    for (size_t c = 0; c < d->fields.size(); ++c)
        d->buffer[c] = defaultValue(d->fields[c].Type);
    state_ = TDataSetState::dsInsert;
}

void TTable::Edit()
{
    requireBrowse();
    const Row *cur = d->current();
    if (!cur)
        throw EDatabaseError(TableName + QStringLiteral(": no current record to edit"));
    d->buffer.assign(cur->begin() + 1, cur->end());
    state_ = TDataSetState::dsEdit;
}

void TTable::ClearFields()
{
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
        throw EDatabaseError(TableName + QStringLiteral(": not in edit or insert mode"));
    for (size_t c = 0; c < d->fields.size(); ++c)
        if (static_cast<int>(c) != d->primaryColumn || state_ == TDataSetState::dsInsert)
            d->buffer[c] = defaultValue(d->fields[c].Type);
}

void TTable::Post()
{
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
        throw EDatabaseError(TableName + QStringLiteral(": not in edit or insert mode"));
    const Row *cur = state_ == TDataSetState::dsEdit ? d->current() : nullptr;
    std::vector<int> columns;
    columns.reserve(d->fields.size());
    for (size_t c = 0; c < d->fields.size(); ++c) {
        if (d->fields[c].Type == TFieldType::AutoInc && (d->buffer[c].isNull() || d->buffer[c].toLongLong() == 0))
            continue;  // the engine numbers it
        // An update writes only what changed, so indexes over untouched fields are left alone.
        if (cur && (*cur)[c + 1] == d->buffer[c])
            continue;
        columns.push_back(static_cast<int>(c));
    }
    if (cur && columns.empty()) {
        state_ = TDataSetState::dsBrowse;
        return;
    }
    QByteArray sql;
    if (!cur) {
        QByteArray names;
        for (int c : columns)
            names += (names.isEmpty() ? "" : ", ") + d->quotedNames[c];
        sql = "INSERT INTO " + d->sqlTable + " (" + names + ") VALUES " + Impl::placeholders(columns.size());
    } else {
        QByteArray sets;
        for (int c : columns)
            sets += (sets.isEmpty() ? "" : ", ") + d->quotedNames[c] + " = ?";
        sql = "UPDATE " + d->sqlTable + " SET " + sets + " WHERE rowid = ?";
    }
    TSqliteStatement &st = d->preparedWrite(sql);
    int i = 1;
    for (int c : columns)
        d->bind(st, i++, d->buffer[c]);
    if (cur)
        st.BindInt(i, (*cur)[0].toLongLong());
    st.Step();

    // The posted row becomes the current one as it now stands in the file, without reading it back.
    Row row(d->fields.size() + 1);
    row[0] = cur && d->primaryColumn < 0 ? (*cur)[0].toLongLong() : qint64(0);
    for (size_t c = 0; c < d->fields.size(); ++c)
        row[c + 1] = d->buffer[c];
    if (!cur)
        row[0] = qint64(sqlite3_last_insert_rowid(d->db.Handle()));
    else if (d->primaryColumn >= 0)
        row[0] = d->buffer[d->primaryColumn].toLongLong();
    if (d->primaryColumn >= 0)
        row[d->primaryColumn + 1] = row[0];
    state_ = TDataSetState::dsBrowse;
    d->setWindow({std::move(row)}, 0);
    eof_ = bof_ = false;
}

void TTable::Cancel()
{
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsSetKey)
        state_ = TDataSetState::dsBrowse;
}

void TTable::Delete()
{
    requireBrowse();
    const Row *cur = d->current();
    if (!cur)
        throw EDatabaseError(TableName + QStringLiteral(": no current record to delete"));
    const Row deleted = *cur;
    TSqliteStatement &st = d->preparedWrite("DELETE FROM " + d->sqlTable + " WHERE rowid = ?");
    st.BindInt(1, deleted[0].toLongLong());
    st.Step();
    // The row after the deleted one becomes current, or the one before it at the end.
    auto after = d->fetch(deleted, true, 1);
    if (!after.empty()) {
        d->setWindow(std::move(after), 0);
        eof_ = bof_ = false;
        return;
    }
    auto before = d->fetch(deleted, false, 1);
    d->setWindow(std::move(before), 0);
    eof_ = true;
    bof_ = d->window.empty();
}

int TTable::RecordCount()
{
    requireActive();
    QByteArray sql = "SELECT count(*) FROM " + d->sqlTable;
    QByteArrayList where;
    if (!d->rangeSql.isEmpty())
        where << d->rangeSql;
    if (!d->filterSql.isEmpty())
        where << d->filterSql;
    if (!where.isEmpty())
        sql += " WHERE " + where.join(" AND ");
    TSqliteStatement &st = d->prepared(sql);
    int i = 1;
    for (const QVariantList *list : {&d->rangeValues, &d->filterValues})
        for (const QVariant &v : *list)
            d->bind(st, i++, v);
    st.Step();
    const int count = static_cast<int>(st.ColumnInt(0));
    st.Reset();
    return count;
}

void TTable::Scan(const QStringList &fieldNames, bool ascending, const std::function<void(const QVariantList &)> &row)
{
    requireBrowse();
    std::vector<int> columns;
    QByteArray list;
    for (const QString &name : fieldNames) {
        columns.push_back(FieldByName(name).column_);
        list += (list.isEmpty() ? "" : ", ") + d->quotedNames[columns.back()];
    }
    QByteArray sql = "SELECT " + (list.isEmpty() ? QByteArray("rowid") : list) + " FROM " + d->sqlTable;
    QByteArrayList where;
    if (!d->rangeSql.isEmpty())
        where << d->rangeSql;
    if (!d->filterSql.isEmpty())
        where << d->filterSql;
    if (!where.isEmpty())
        sql += " WHERE " + where.join(" AND ");
    sql += d->orderBy(!ascending);
    TSqliteStatement &st = d->prepared(sql);
    int i = 1;
    for (const QVariantList *values : {&d->rangeValues, &d->filterValues})
        for (const QVariant &v : *values)
            d->bind(st, i++, v);
    QVariantList values;
    values.reserve(static_cast<qsizetype>(columns.size()));
    try {
        while (st.Step()) {
            values.clear();
            for (size_t c = 0; c < columns.size(); ++c) {
                switch (d->fields[columns[c]].Type) {
                case TFieldType::String:
                case TFieldType::Memo: values << st.ColumnText(static_cast<int>(c)); break;
                case TFieldType::DateTime: values << st.ColumnDouble(static_cast<int>(c)); break;
                default: values << st.ColumnInt(static_cast<int>(c)); break;
                }
            }
            row(values);
        }
    } catch (...) {
        st.Reset();
        throw;
    }
    st.Reset();
}

void TTable::StartTransaction()
{
    requireBrowse();
    d->endRead();
    d->db.Exec("BEGIN IMMEDIATE");
}

void TTable::Commit()
{
    requireBrowse();
    d->endRead();
    d->db.Exec("COMMIT");
}

void TTable::Rollback()
{
    requireActive();
    Cancel();
    if (InTransaction())
        d->db.Exec("ROLLBACK");
    First();
}

void TTable::Abandon() noexcept
{
    try {
        if (InTransaction())
            Rollback();
    } catch (const EDatabaseError &) {
    }
}

bool TTable::InTransaction() const { return Active() && !sqlite3_get_autocommit(d->db.Handle()) && !d->readHeld; }

// ---- TTableReadScope ----

TTableReadScope::TTableReadScope(TTable *table) : table_(table)
{
    if (table_)
        ++table_->d->readScopes;
}

TTableReadScope::~TTableReadScope()
{
    if (table_ && --table_->d->readScopes == 0)
        table_->d->endRead();
}
