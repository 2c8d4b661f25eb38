#include "base/FileReplace.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString HiddenMark = QStringLiteral(".velmora-");
constexpr int RandomPart = 6;

// The longest name in folder the file system says it takes, in bytes; 0 when it does not say.
qsizetype nameMax(const QString &folder)
{
    const long max = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return max > 0 ? qsizetype(max) : 0;
}

qsizetype encodedSize(QStringView text) { return QFile::encodeName(text.toString()).size(); }

// What of name the hidden file beside it carries: all of it when the hidden name fits, else the start of the name
// that fits followed by its extension, so that every name the file system takes has a hidden file beside it, and
// the file is still known by its extension. Never over 255 bytes whatever the file system says: FAT and exFAT
// count their limit in characters and say a byte count beyond it. Two long names may share their stem; the
// clean-up of one then takes the other's killed files too, which no one holds either.
QString hiddenStem(const QString &folder, const QString &name)
{
    const qsizetype said = nameMax(folder);
    const qsizetype max = said > 0 ? std::min<qsizetype>(said, NAME_MAX) : NAME_MAX;
    const qsizetype room = max - 1 - HiddenMark.size() - RandomPart;
    if (encodedSize(name) <= room)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QStringView extension = dot > 0 ? QStringView(name).mid(dot) : QStringView();
    if (encodedSize(extension) > room / 2)
        extension = {};
    QStringView start = QStringView(name).chopped(extension.size());
    while (!start.isEmpty() && encodedSize(start) + encodedSize(extension) > room)
        start.chop(start.size() >= 2 && start.back().isLowSurrogate() ? 2 : 1);
    return start.toString() + extension.toString();
}

// ".<stem>.velmora-" and six letters or digits, as OpenHiddenTemporary names its files.
bool isHiddenTemporary(const QString &entry, const QString &stem)
{
    const qsizetype nameEnd = entry.size() - HiddenMark.size() - RandomPart;
    if (nameEnd < 2 || !entry.startsWith(QLatin1Char('.')) || QStringView(entry).mid(nameEnd, HiddenMark.size()) != HiddenMark)
        return false;
    if (!stem.isEmpty() && QStringView(entry).mid(1, nameEnd - 1) != stem)
        return false;
    const QStringView random = QStringView(entry).right(RandomPart);
    return std::all_of(random.begin(), random.end(), [](QChar c) {
        return c.unicode() < 0x80 && (c.isLetter() || c.isDigit());
    });
}

}  // namespace

bool OpenHiddenTemporary(QTemporaryFile &file, const QString &destination)
{
    // A name the file system refuses fails before anything is written, as the file itself would.
    if (const int error = NameLengthError(destination)) {
        errno = error;
        return false;
    }
    const QFileInfo info(destination);
    file.setFileTemplate(info.absolutePath() + QStringLiteral("/.") + hiddenStem(info.absolutePath(), info.fileName())
                         + HiddenMark + QStringLiteral("XXXXXX"));
    if (!file.open())
        return false;
    // Taken before the file has a name. A file system without such locks leaves the file unheld, and the clean-up
    // then cannot take it either, so it stays.
    ::flock(file.handle(), LOCK_EX | LOCK_NB);
    return true;
}

void RemoveKilledWrites(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QString stem = name.isEmpty() ? name : hiddenStem(dir.absolutePath(), name);
    for (const QString &entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isHiddenTemporary(entry, stem))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(entry));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        // A lock its writer still holds: a write under way in another copy of the program.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

namespace {

bool replace(const QString &fileName, const QByteArray &bytes, const std::function<bool()> &beforeReplacing,
             TFileAccess access, int &error)
{
    // The reason is taken as the failing call left it: removing the temporary file may change errno.
    const auto failed = [&error] {
        error = errno;
        return false;
    };
    const QString target = ReplacedFile(fileName);
    struct stat existing {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0;
    if (exists && (S_ISDIR(existing.st_mode) || !QFileInfo(target).isWritable())) {
        errno = S_ISDIR(existing.st_mode) ? EISDIR : EACCES;
        return failed();
    }
    QTemporaryFile file;
    if (!OpenHiddenTemporary(file, target))
        return failed();
    // The write only fills the file's buffer: the flush reports a full disk.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed();
    if (beforeReplacing && !beforeReplacing())
        return failed();
    if (!CommitReplacement(file, target, access))
        return failed();
    return true;
}

}  // namespace

bool ReplaceFileWhole(const QString &fileName, const QByteArray &bytes, const std::function<bool()> &beforeReplacing,
                      TFileAccess access)
{
    int error = 0;
    if (replace(fileName, bytes, beforeReplacing, access, error))
        return true;
    errno = error;
    return false;
}

QString ReplacedFile(const QString &fileName)
{
    QFileInfo target(fileName);
    for (int depth = 0; target.isSymLink() && depth < 40; ++depth)
        target.setFile(target.symLinkTarget());
    return target.absoluteFilePath();
}

bool GiveReplacingMode(int fd, const QString &target, TFileAccess access)
{
    struct stat existing {};
    const mode_t mode = ::stat(QFile::encodeName(target).constData(), &existing) == 0
                            ? ReplacingFileMode(existing.st_mode, access)
                            : NewFileMode(access);
    return ::fchmod(fd, mode) == 0;
}

bool CommitReplacement(QTemporaryFile &file, const QString &target, TFileAccess access, bool takeMode)
{
    // Asking the name gives the file one: a kill from here to the rename leaves it for the next start to remove.
    if ((takeMode && !GiveReplacingMode(file.handle(), target, access))
        || !RenameDurably(file.handle(), file.fileName(), target))
        return false;
    file.setAutoRemove(false);
    return true;
}

void SyncFolder(const QString &folder)
{
    // A folder that cannot be synced (some file systems refuse it) leaves its entries to the system's own writing,
    // which is all that can be done.
    const int error = errno;
    const int fd = ::open(QFile::encodeName(QDir::cleanPath(folder)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    errno = error;
}

void SyncFolderTree(const QString &folder)
{
    QStringList folders{QDir::cleanPath(folder)};
    QDirIterator below(folders.first(), QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (below.hasNext())
        folders << below.next();
    // A folder's entry in its parent is synced after the folder's own entries.
    for (auto deepest = folders.crbegin(); deepest != folders.crend(); ++deepest)
        SyncFolder(*deepest);
}

bool RenameDurably(int fd, const QString &from, const QString &to)
{
    // A file system that reports a full disk only when the data are written out (over a network) says so here.
    if (::fsync(fd) != 0 || std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    // The new name is in place once the rename returns.
    SyncFolder(QFileInfo(to).absolutePath());
    return true;
}

bool ReplaceTreeDurably(const QString &from, const QString &to, const QString &aside)
{
    SyncFolderTree(from);
    const QString source = QDir::cleanPath(from), target = QDir::cleanPath(to), side = QDir::cleanPath(aside);
    const auto move = [](const QString &a, const QString &b) {
        return std::rename(QFile::encodeName(a).constData(), QFile::encodeName(b).constData()) == 0;
    };
    const bool movesAside = !aside.isEmpty() && QFileInfo::exists(target);
    if (movesAside && !move(target, side))
        return false;
    if (!move(source, target)) {
        const int error = errno;
        if (movesAside)
            move(side, target);
        errno = error;
        return false;
    }
    // The name leaves one folder and enters the other: both are synced, the new name's first.
    const QString sourceFolder = QFileInfo(source).path(), targetFolder = QFileInfo(target).path();
    SyncFolder(targetFolder);
    if (sourceFolder != targetFolder)
        SyncFolder(sourceFolder);
    return true;
}

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

bool IsNotWritable(int error) { return error == EACCES || error == EROFS || error == EPERM; }

int WriteAccessError(const QString &path)
{
    // access() answers for the real user, who is the user here, and says EROFS for a read-only mount even to root.
    return ::access(QFile::encodeName(QDir::cleanPath(path)).constData(), W_OK) == 0 ? 0 : errno;
}

QString WriteFailureReason(int error)
{
    if (IsDiskFull(error))
        return QStringLiteral("\r\n\r\n") + DiskFullReason;
    if (IsNotWritable(error))
        return QStringLiteral("\r\n\r\n") + NotWritableReason;
    if (error == ENAMETOOLONG)
        return QStringLiteral("\r\n\r\n") + NameTooLongReason;
    return {};
}

int NameLengthError(const QString &path)
{
    const QFileInfo info(path);
    const qsizetype max = nameMax(info.absolutePath());
    return max > 0 && encodedSize(info.fileName()) > max ? ENAMETOOLONG : 0;
}

QString ReadFailureReason(int error)
{
    return error == EACCES || error == EPERM ? QStringLiteral("\r\n\r\n") + NotReadableReason : QString();
}

int WriteInPlace(QFile &file, qint64 at, const QByteArray &bytes)
{
    const qint64 size = file.size();
    errno = 0;
    if (!file.seek(at) || file.write(bytes) != bytes.size()) {
        // Taken before the file is cut back, which may change errno.
        const int error = errno != 0 ? errno : ENOSPC;
        file.resize(size);
        return error;
    }
    errno = 0;
    return file.resize(at + bytes.size()) ? 0 : errno != 0 ? errno : EIO;
}

QString WriteFailureAt(const QString &place, int error)
{
    const QString reason = WriteFailureReason(error);
    return reason.isEmpty() ? reason : QStringLiteral("\r\n") + QDir::toNativeSeparators(place) + reason;
}
