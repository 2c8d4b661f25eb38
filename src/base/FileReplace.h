// Replacing a file whole, as every settings, history and filter file is saved: the bytes go to a temporary
// file beside it, which takes the file's place only once all of them have reached it.
#pragma once

#include <QByteArray>
#include <QString>

// False when any part of the write fails (a full disk, a folder that cannot be written); the file on disk is
// then exactly as it was.
bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes);
