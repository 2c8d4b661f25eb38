// EDatabaseError: every failure of the table engine, caught and reported by the window that called.
#pragma once

#include "base/FileReplace.h"

#include <QDir>
#include <QString>

#include <optional>
#include <stdexcept>

// What the user can do about a failure differs: a locked table works again once the other program lets go,
// a full disk once there is room, a place that cannot be written once the user picks one that can, a damaged
// file never does.
enum class TDatabaseErrorKind { Other, Locked, Full, ReadOnly, Damaged };

class EDatabaseError : public std::runtime_error {
public:
    // detail: the engine's own account (the table or file, the statement, SQLite's words), kept for what() and
    // whoever looks into a failure; windows show Message, which says it in the user's words. systemError: the
    // errno under the engine's failure, when it knows one; folder: the table's.
    explicit EDatabaseError(const QString &detail, int code = 0, int systemError = 0, const QString &folder = {})
        : std::runtime_error(detail.toStdString()), Code(code), SystemError(systemError), Folder(folder),
          Detail(detail), Message(userMessage())
    {
    }
    const int Code;  // the SQLite result code (extended codes included), 0 for the engine's own checks
    const int SystemError;
    const QString Folder;
    const QString Detail;
    const QString Message;

    TDatabaseErrorKind Kind() const
    {
        switch (Code & 0xFF) {
        case 5:   // SQLITE_BUSY
        case 6:   // SQLITE_LOCKED
            return TDatabaseErrorKind::Locked;
        case 13:  // SQLITE_FULL
            return TDatabaseErrorKind::Full;
        case 3:   // SQLITE_PERM
            return TDatabaseErrorKind::ReadOnly;
        case 8:   // SQLITE_READONLY, but for a file moved away while open (SQLITE_READONLY_DBMOVED)
            return Code == (8 | (4 << 8)) ? TDatabaseErrorKind::Other : TDatabaseErrorKind::ReadOnly;
        case 11:  // SQLITE_CORRUPT
        case 26:  // SQLITE_NOTADB
            return TDatabaseErrorKind::Damaged;
        case 10:  // SQLITE_IOERR
        case 14:  // SQLITE_CANTOPEN: a file, or its journal, that could not be made says why only in errno
            return IsDiskFull(SystemError)      ? TDatabaseErrorKind::Full
                   : IsNotWritable(SystemError) ? TDatabaseErrorKind::ReadOnly
                                                : TDatabaseErrorKind::Other;
        default: return TDatabaseErrorKind::Other;
        }
    }

    // The lines a message box adds below its own first line to say why, empty when nothing more is known. A
    // disk without room and a place that cannot be written are named by the table's folder first.
    QString Reason() const
    {
        const auto named = [this](const QString &why) {
            return Folder.isEmpty() ? why : QDir::toNativeSeparators(Folder) + QStringLiteral("\r\n") + why;
        };
        switch (Kind()) {
        case TDatabaseErrorKind::Locked:
            return QStringLiteral("ファイルが他のプログラムで使用されています  \r\nしばらくしてからもう一度お試しください  ");
        case TDatabaseErrorKind::Full:
            return named(DiskFullReason);
        case TDatabaseErrorKind::ReadOnly:
            return named(NotWritableReason);
        case TDatabaseErrorKind::Damaged:
            return QStringLiteral("ファイルが壊れています  \r\nバックアップから復元してください  ");
        default: return {};
        }
    }

private:
    QString userMessage() const
    {
        const QString first = QStringLiteral("データベースのファイルを読み書きできませんでした  ");
        const QString reason = Reason();
        return reason.isEmpty() ? first : first + QStringLiteral("\r\n\r\n") + reason;
    }
};

// A message box text: the failure's own first line, then the reason when one is known.
inline QString DatabaseErrorText(const QString &first, const EDatabaseError &e)
{
    const QString reason = e.Reason();
    return reason.isEmpty() ? first : first + QStringLiteral("\r\n\r\n") + reason;
}

// The same for a run that may have met a failure: first alone when it met none.
inline QString DatabaseErrorText(const QString &first, const std::optional<EDatabaseError> &e)
{
    return e ? DatabaseErrorText(first, *e) : first;
}

// What a window shows below its own lines of a failed change: the reason when one is known; else that the table
// could not be read or written, since the engine's text (the statement and all) tells the user nothing.
inline QString DatabaseErrorDetail(const EDatabaseError &e)
{
    const QString reason = e.Reason();
    return reason.isEmpty() ? e.Message : reason;
}
