#include "db/Sqlite.h"

#include "base/FileModes.h"
#include "db/Collation.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

void TSqliteDatabase::Open(const QString &fileName, const QByteArray &key, bool create)
{
    Close();
    fileName_ = fileName;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    // SQLite would make the file with a mode of its own (0644 less the umask), and its journals take the file's:
    // made here first, empty, both are the user's alone. One it cannot make here it fails to make itself below.
    if (create)
        CreatePrivateFile(fileName);
    const int rc = sqlite3_open_v2(QFile::encodeName(fileName).constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
        const int systemError = systemErrorOf(rc);
        Close();
        throw EDatabaseError(fileName + QStringLiteral(": ") + why, rc, systemError, folder());
    }
    sqlite3_extended_result_codes(db_, 1);
    // A locked table is retried briefly before it counts as locked by another program.
    sqlite3_busy_timeout(db_, 2000);
    if (sqlite3_key(db_, key.constData(), key.size()) != SQLITE_OK)
        Fail(QStringLiteral("key"), SQLITE_ERROR);
    Exec("PRAGMA cipher_page_size = 4096");
    RegisterSjisCollation(db_);
}

QString TSqliteDatabase::folder() const { return QFileInfo(fileName_).absolutePath() + QLatin1Char('/'); }

int TSqliteDatabase::systemErrorOf(int rc) const
{
    if (!db_)
        return 0;
    const int error = sqlite3_system_errno(db_);
    // A file the engine could not make (the table itself, or the journal a change writes beside it) it then
    // tries to open as it is, which leaves errno saying the file is not there: the folder says why it could not
    // be made.
    if ((rc & 0xFF) != SQLITE_CANTOPEN || IsNotWritable(error))
        return error;
    const int folderError = WriteAccessError(folder());
    return IsNotWritable(folderError) ? folderError : error;
}

void TSqliteDatabase::Close()
{
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

void TSqliteDatabase::Exec(const QByteArray &sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(db_, sql.constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString why = message ? QString::fromUtf8(message) : QString();
        sqlite3_free(message);
        throw EDatabaseError(fileName_ + QStringLiteral(": ") + why, rc, systemErrorOf(rc), folder());
    }
}

void TSqliteDatabase::Fail(const QString &what, int rc) const
{
    throw EDatabaseError(fileName_ + QStringLiteral(": ") + what + QStringLiteral(": ")
                             + QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc)),
                         rc, systemErrorOf(rc), folder());
}

TSqliteStatement::TSqliteStatement(const TSqliteDatabase &db, const QByteArray &sql) : db_(&db)
{
    const int rc = sqlite3_prepare_v2(db.Handle(), sql.constData(), sql.size(), &stmt_, nullptr);
    if (rc != SQLITE_OK)
        db.Fail(QString::fromUtf8(sql), rc);
}

void TSqliteStatement::Reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void TSqliteStatement::BindInt(int index, qint64 value) { sqlite3_bind_int64(stmt_, index, value); }

void TSqliteStatement::BindDouble(int index, double value) { sqlite3_bind_double(stmt_, index, value); }

void TSqliteStatement::BindText(int index, const QByteArray &bytes)
{
    // Shift-JIS bytes are stored as they are; SQLite compares TEXT bytewise unless a collation says otherwise.
    sqlite3_bind_text(stmt_, index, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
}

bool TSqliteStatement::Step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    db_->Fail(QString::fromUtf8(sqlite3_sql(stmt_)), rc);
}

QByteArray TSqliteStatement::ColumnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    return text ? QByteArray(text, sqlite3_column_bytes(stmt_, column)) : QByteArray();
}

void TSqliteStatement::ColumnTextInto(int column, QByteArray &into) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    // Empty and null texts are made as ColumnText makes them, which allocates nothing either.
    if (!text || size == 0 || into.isNull()) {
        into = ColumnText(column);
        return;
    }
    into.resize(size);
    std::memcpy(into.data(), text, static_cast<size_t>(size));
}
