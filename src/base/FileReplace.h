// Replacing a file whole, as every settings, history and filter file is saved: the bytes go to a temporary
// file beside it, which takes the file's place only once all of them have reached it.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// False when any part of the write fails (a full disk, a folder that cannot be written); the file on disk is
// then exactly as it was, and errno says why the write failed. beforeReplacing, when given, runs once every byte
// is written and before the new file takes the name; its false abandons the new file.
bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes,
                      const std::function<bool()> &beforeReplacing = {});

// Whether a failed write's errno says the disk had no room left for it (a quota or a file size limit included).
bool IsDiskFull(int error);

// What a message box adds below its own lines when the disk had no room left for a write: the table engine's,
// a file copy's and a settings file's alike.
inline const QString DiskFullReason =
    QStringLiteral("ディスクの空き容量が足りません  \r\n空き容量を増やしてからもう一度お試しください  ");
