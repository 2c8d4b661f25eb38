#include "base/FileReplace.h"

#include <QSaveFile>

#include <cerrno>

namespace {

bool replace(const QString &fileName, const QByteArray &bytes, const std::function<bool()> &beforeReplacing, int &error)
{
    QSaveFile f(fileName);
    // The reason is taken as the failing call left it: discarding the temporary file may change errno.
    const auto failed = [&error] {
        error = errno;
        return false;
    };
    if (!f.open(QIODevice::WriteOnly))
        return failed();
    // The write only fills QSaveFile's buffer, and its commit renames the temporary file into place even when
    // emptying that buffer onto a full disk failed; the flush is checked first, and without a commit the
    // temporary file is discarded. The commit syncs the file to the disk before it renames it.
    if (f.write(bytes) != bytes.size() || !f.flush())
        return failed();
    if (beforeReplacing && !beforeReplacing())
        return failed();
    return f.commit() || failed();
}

}  // namespace

bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes, const std::function<bool()> &beforeReplacing)
{
    int error = 0;
    if (replace(fileName, bytes, beforeReplacing, error))
        return true;
    errno = error;
    return false;
}

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }
