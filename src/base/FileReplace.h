// Replacing a file whole, as every settings, history and filter file is saved: the bytes go to a temporary
// file beside it, which takes the file's place only once all of them have reached it.
#pragma once

#include "base/FileModes.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QFile;
class QTemporaryFile;

// False when any part of the write fails (a full disk, a folder that cannot be written); the file on disk is
// then exactly as it was, and errno says why the write failed. beforeReplacing, when given, runs once every byte
// is written and before the new file takes the name; its false abandons the new file. A destination that is a
// link is written through it. The file gets the mode of its access (ReplacingFileMode, NewFileMode): the
// program's own files are the user's alone, an export the user places is the user's like any file.
bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes,
                      const std::function<bool()> &beforeReplacing = {}, TFileAccess access = TFileAccess::Private);

// Gives the written file open as fd, named from, the name to (a file there is replaced) so that a power loss
// leaves the old file or the new one whole, as a kill does: the file's bytes reach the disk before the rename,
// the folder's new entry after it. False, with errno set, when the file cannot be synced or renamed; the file
// then keeps its own name.
bool RenameDurably(int fd, const QString &from, const QString &to);

// The same for a folder tree staged whole at from, each of its files synced by its writer (CopyFileSummed): the
// entries of its folders reach the disk, deepest first, before anything moves; then the folder at to, when there
// is one and aside is given, moves to aside (beside it), the tree takes the name to, and the folders holding the
// old name and the new one are synced. What was moved aside may go once this answers true. False, with errno set,
// when a rename fails; to then holds what it held.
bool ReplaceTreeDurably(const QString &from, const QString &to, const QString &aside = {});
// Syncs the entries of folder: what was made, renamed or removed in it stays so after a power loss. A folder
// the file system refuses to sync is left to the system's own writing. errno is kept.
void SyncFolder(const QString &folder);
// Syncs the entries of folder and of every folder below it, deepest first (links not followed).
void SyncFolderTree(const QString &folder);

// The file a replacement written for fileName takes the place of: fileName, or the file at the end of its links,
// so that a link the user keeps stays one and the new content lands where it leads.
QString ReplacedFile(const QString &fileName);
// Gives file, written whole beside target (OpenHiddenTemporary), target's place as RenameDurably does. With
// takeMode it gets the mode of its access (GiveReplacingMode); without, it keeps its own. False, with errno set,
// when it cannot; the file then keeps its own name.
bool CommitReplacement(QTemporaryFile &file, const QString &target, TFileAccess access, bool takeMode = true);
// Gives the file open as fd, about to take target's place, the mode a file of that access gets there: from the
// file it replaces (ReplacingFileMode), or that of a new one (NewFileMode) when there is none. False, with errno
// set, when it cannot.
bool GiveReplacingMode(int fd, const QString &target, TFileAccess access);

// Whether a failed write's errno says the disk had no room left for it (a quota or a file size limit included).
bool IsDiskFull(int error);
// Whether a failed write's errno says the place cannot be written: a folder or file without the permission, or
// a file system mounted read-only.
bool IsNotWritable(int error);

// What a message box adds below its own lines when the disk had no room left for a write: the table engine's,
// a file copy's and a settings file's alike.
inline const QString DiskFullReason =
    QStringLiteral("ディスクの空き容量が足りません  \r\n空き容量を増やしてからもう一度お試しください  ");
// What it adds when the place written cannot be written (IsNotWritable).
inline const QString NotWritableReason =
    QStringLiteral("フォルダーまたはファイルに書き込めません  \r\n書き込みのできる場所を選んでからもう一度お試しください  ");
// What it adds when the file system takes no name as long as the one written (ENAMETOOLONG).
inline const QString NameTooLongReason =
    QStringLiteral("ファイル名が長すぎます  \r\n短い名前を付けてからもう一度お試しください  ");
// ENAMETOOLONG when the file system of path's folder takes no name as long as path's, else 0. What a write that
// makes other files before it gives path its name is checked with first.
int NameLengthError(const QString &path);
// 0 when path, a file or a folder, can be written (a folder: files made, replaced and removed in it); else the
// errno that says why not: EACCES, EROFS, or ENOENT when it does not exist. What a write is checked with before
// anything it would replace is touched.
int WriteAccessError(const QString &path);
// The lines below a failed write's own message when errno says why: "\r\n\r\n" and DiskFullReason,
// NotWritableReason or NameTooLongReason; empty for any other failure.
QString WriteFailureReason(int error);
// The same below a message that does not name the place written yet: "\r\n", place and WriteFailureReason; empty
// as that is.
QString WriteFailureAt(const QString &place, int error);

// What a message box adds below its own lines when a file or folder could not be read for want of the right to.
inline const QString NotReadableReason =
    QStringLiteral("フォルダーまたはファイルを読み取る権限がありません  \r\n読み取りを許可してからもう一度お試しください  ");
// The lines below a failed read's own message when errno says why: "\r\n\r\n" and NotReadableReason; empty for any
// other failure.
QString ReadFailureReason(int error);

// Writes bytes into file, open unbuffered for writing, from offset at; the file then ends after them. What a
// file grown in place (lines added, a closing tag moved on) is written with. 0, or the errno of the call that
// failed, a write the disk took only part of counting as a full disk (ENOSPC); the file is then taken back to the
// length it had.
int WriteInPlace(QFile &file, qint64 at, const QByteArray &bytes);

// The hidden file beside destination that is written before it takes the destination's place:
// ".<name>.velmora-XXXXXX", an unnamed file until it is given that name; of a name too long for that, as much of
// its start as fits and its extension. Its writer holds a lock on it for as long as it lives, so the clean-up
// after a kill passes by the files of writes still under way. False when the folder takes no new file, or no
// file of destination's name (ENAMETOOLONG).
bool OpenHiddenTemporary(QTemporaryFile &file, const QString &destination);

// Removes from folder the hidden files of writes that were killed, those of the destination name (of any name when
// name is empty) that no running process holds. Only names of exactly that form are touched, and never through
// a link.
void RemoveKilledWrites(const QString &folder, const QString &name = {});
