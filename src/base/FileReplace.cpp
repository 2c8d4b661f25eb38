#include "base/FileReplace.h"

#include <QSaveFile>

bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes, const std::function<bool()> &beforeReplacing)
{
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // The write only fills QSaveFile's buffer, and its commit renames the temporary file into place even when
    // emptying that buffer onto a full disk failed; the flush is checked first, and without a commit the
    // temporary file is discarded. The commit syncs the file to the disk before it renames it.
    if (f.write(bytes) != bytes.size() || !f.flush())
        return false;
    if (beforeReplacing && !beforeReplacing())
        return false;
    return f.commit();
}
