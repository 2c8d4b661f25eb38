// Stand-ins for the desktop's programs: shell scripts of the test's own, found through a PATH the test sets.
#pragma once

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace test {

// PATH for the life of the object.
class ScopedPath {
public:
    explicit ScopedPath(const QString &path) : saved_(qgetenv("PATH")) { qputenv("PATH", path.toLocal8Bit()); }
    ~ScopedPath() { qputenv("PATH", saved_); }
    ScopedPath(const ScopedPath &) = delete;
    ScopedPath &operator=(const ScopedPath &) = delete;

private:
    QByteArray saved_;
};

// An executable shell script; it finds the system's tools whatever PATH the test has set.
inline void writeScript(const QString &path, const QByteArray &body)
{
    writeFile(path, "#!/bin/sh\nPATH=/usr/bin:/bin\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

// A script that writes its arguments, one a line, to log (complete once the file exists), then runs tail.
inline void writeArgvRecorder(const QString &path, const QString &log, const QByteArray &tail = {})
{
    const QByteArray quotedLog = "'" + log.toLocal8Bit() + "'";
    writeScript(path, "printf '%s\\n' \"$@\" > " + quotedLog + ".part\nmv " + quotedLog + ".part " + quotedLog +
                          "\n" + tail);
}

// Handles events until the file exists or the time is up (a bound for a busy machine, not an expectation).
inline bool waitForFile(const QString &path, int timeoutMs = 30000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!QFileInfo::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}

inline QStringList readLines(const QString &path)
{
    QString text = QString::fromLocal8Bit(readFile(path));
    if (text.endsWith('\n'))
        text.chop(1);
    return text.split('\n');
}

}  // namespace test
