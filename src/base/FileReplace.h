// Replacing a file whole, as every settings, history and filter file is saved: the bytes go to a temporary
// file beside it, which takes the file's place only once all of them have reached it.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QTemporaryFile;

// False when any part of the write fails (a full disk, a folder that cannot be written); the file on disk is
// then exactly as it was, and errno says why the write failed. beforeReplacing, when given, runs once every byte
// is written and before the new file takes the name; its false abandons the new file. A destination that is a
// link is written through it, and a file replaced keeps its permissions.
bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes,
                      const std::function<bool()> &beforeReplacing = {});

// Whether a failed write's errno says the disk had no room left for it (a quota or a file size limit included).
bool IsDiskFull(int error);

// What a message box adds below its own lines when the disk had no room left for a write: the table engine's,
// a file copy's and a settings file's alike.
inline const QString DiskFullReason =
    QStringLiteral("ディスクの空き容量が足りません  \r\n空き容量を増やしてからもう一度お試しください  ");

// The hidden file beside destination that is written before it takes the destination's place:
// ".<name>.velmora-XXXXXX", an unnamed file until it is given that name. Its writer holds a lock on it for as long
// as it lives, so the clean-up after a kill passes by the files of writes still under way. False when the folder
// takes no new file.
bool OpenHiddenTemporary(QTemporaryFile &file, const QString &destination);

// Removes from folder the hidden files of writes that were killed, those of the destination name (of any name when
// name is empty) that no running process holds. Only names of exactly that form are touched, and never through
// a link.
void RemoveKilledWrites(const QString &folder, const QString &name = {});

// The permissions the user's new files get (0666 less the umask).
unsigned NewFileMode();
