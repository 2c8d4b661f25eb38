// Thin owners of SQLCipher connections and statements; every failure becomes an EDatabaseError.
#pragma once

#include "db/DatabaseError.h"

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <utility>

class TSqliteStatement;

class TSqliteDatabase {
public:
    TSqliteDatabase() = default;
    ~TSqliteDatabase() { Close(); }
    TSqliteDatabase(const TSqliteDatabase &) = delete;
    TSqliteDatabase &operator=(const TSqliteDatabase &) = delete;

    // Opens an existing file (create = false) or makes it; the key is applied before anything is read.
    void Open(const QString &fileName, const QByteArray &key, bool create);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    sqlite3 *Handle() const { return db_; }

    void Exec(const QByteArray &sql);
    [[noreturn]] void Fail(const QString &what, int rc) const;

private:
    // The file's folder, which a full disk or a place that cannot be written is named by.
    QString folder() const;
    // The errno under a failure of result code rc, as EDatabaseError takes it.
    int systemErrorOf(int rc) const;

    sqlite3 *db_ = nullptr;
    QString fileName_;
};

class TSqliteStatement {
public:
    TSqliteStatement() = default;
    TSqliteStatement(const TSqliteDatabase &db, const QByteArray &sql);
    ~TSqliteStatement() { sqlite3_finalize(stmt_); }
    TSqliteStatement(TSqliteStatement &&other) noexcept : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}
    TSqliteStatement &operator=(TSqliteStatement &&other) noexcept
    {
        std::swap(db_, other.db_);
        std::swap(stmt_, other.stmt_);
        return *this;
    }

    bool IsPrepared() const { return stmt_ != nullptr; }
    void Reset();
    void BindInt(int index, qint64 value);
    void BindDouble(int index, double value);
    void BindText(int index, const QByteArray &bytes);
    // True while a row is available.
    bool Step();
    int ColumnCount() const { return sqlite3_column_count(stmt_); }
    int ColumnType(int column) const { return sqlite3_column_type(stmt_, column); }
    qint64 ColumnInt(int column) const { return sqlite3_column_int64(stmt_, column); }
    double ColumnDouble(int column) const { return sqlite3_column_double(stmt_, column); }
    QByteArray ColumnText(int column) const;
    // The same text written into a buffer that is kept: one with room and not shared is not allocated again.
    void ColumnTextInto(int column, QByteArray &into) const;

private:
    const TSqliteDatabase *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
};
