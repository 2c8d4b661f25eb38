// The input as the fuzz targets hand it to a reader: as bytes, or as a file for the readers that open one by
// name; and how a target reports an accepted input the program cannot take back.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The process's own folder for the files the readers open; removed when the process ends normally.
inline QString Folder()
{
    static const QTemporaryDir folder;
    return folder.path() + u'/';
}

// Writes bytes as name (relative to Folder, its folders made) and answers the file's path.
inline QString InputFile(const QString &name, const QByteArray &bytes)
{
    const QString path = Folder() + name;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

// A fault no sanitizer sees (a file the program wrote that it then refuses): ends the run as a crash, so
// libFuzzer keeps the input.
inline void Require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

}  // namespace fuzz
