#include "base/FileModes.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Group's and others' bits taken away, the rest kept.
mode_t narrowed(mode_t mode) { return mode & 07777 & ~mode_t(077); }

QByteArray pathOf(const QString &path) { return QFile::encodeName(QDir::cleanPath(path)); }

// The folders whose own mode stays, by what they are rather than by a name that may be spelt otherwise.
using TKept = std::vector<std::pair<dev_t, ino_t>>;

// Deeper than any tree of ours: a tree nested without end (a bind mount of itself) stops here.
constexpr int MaxDepth = 64;

void narrowFolder(int folder, const struct stat &own, uid_t user, const TKept &kept, int depth);

// What the folder open as folder holds, each entry looked at where it is, never through a link.
void narrowEntries(int folder, uid_t user, const TKept &kept, int depth)
{
    const int listing = ::dup(folder);
    DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        struct stat st {};
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0
            || ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_uid != user)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int below = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            struct stat opened {};
            // The folder opened is the one looked at: nothing put in its place meanwhile is narrowed.
            if (below >= 0 && ::fstat(below, &opened) == 0 && opened.st_dev == st.st_dev && opened.st_ino == st.st_ino)
                narrowFolder(below, opened, user, kept, depth + 1);
            else if (below < 0 && (st.st_mode & 077) != 0)
                ::fchmodat(folder, name, narrowed(st.st_mode), AT_SYMLINK_NOFOLLOW);
            if (below >= 0)
                ::close(below);
        } else if (S_ISREG(st.st_mode) && (st.st_mode & 077) != 0) {
            // Refused for a link put in the file's place since it was looked at.
            ::fchmodat(folder, name, narrowed(st.st_mode), AT_SYMLINK_NOFOLLOW);
        }
    }
    ::closedir(dir);
}

void narrowFolder(int folder, const struct stat &own, uid_t user, const TKept &kept, int depth)
{
    if (own.st_uid != user || depth > MaxDepth)
        return;
    narrowEntries(folder, user, kept, depth);
    const bool keep = std::find(kept.begin(), kept.end(), std::make_pair(own.st_dev, own.st_ino)) != kept.end();
    if (!keep && (own.st_mode & 077) != 0)
        ::fchmod(folder, narrowed(own.st_mode));
}

}  // namespace

mode_t NewFileMode()
{
    // Read, not set and set back: a file another thread made in between would get no mask at all.
    QFile status(QStringLiteral("/proc/self/status"));
    mode_t mask = 022;
    if (status.open(QIODevice::ReadOnly))
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const unsigned read = line.mid(6).trimmed().toUInt(&ok, 8);
                mask = ok ? read : mask;
                break;
            }
    return 0666 & ~mask;
}

mode_t NewFileMode(TFileAccess access) { return access == TFileAccess::Private ? PrivateFileMode : NewFileMode(); }

mode_t ReplacingFileMode(mode_t existing, TFileAccess access)
{
    return access == TFileAccess::Private ? narrowed(existing) : existing & 07777;
}

bool MakeFolder(const QString &folder, TFileAccess access)
{
    return ::mkdir(pathOf(folder).constData(), access == TFileAccess::Private ? PrivateFolderMode : 0777) == 0;
}

bool CreatePrivateFile(const QString &file)
{
    const int fd = ::open(pathOf(file).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, PrivateFileMode);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void NarrowLeftOpen(const QString &folder, const QStringList &leave)
{
    TKept kept;
    for (const QString &path : leave) {
        struct stat st {};
        if (::stat(pathOf(path).constData(), &st) == 0)
            kept.emplace_back(st.st_dev, st.st_ino);
    }
    // The folder itself is no link either: what a link leads to is not the program's to narrow.
    const int top = ::open(pathOf(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat own {};
    if (top >= 0 && ::fstat(top, &own) == 0 && (own.st_mode & 077) != 0)
        narrowFolder(top, own, ::geteuid(), kept, 0);
    if (top >= 0)
        ::close(top);
}
