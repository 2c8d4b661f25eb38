// Replacing a file whole, as every settings, history and filter file is saved: the bytes go to a temporary
// file beside it, which takes the file's place only once all of them have reached it.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// False when any part of the write fails (a full disk, a folder that cannot be written); the file on disk is
// then exactly as it was. beforeReplacing, when given, runs once every byte is written and before the new file
// takes the name; its false abandons the new file.
bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes,
                      const std::function<bool()> &beforeReplacing = {});
