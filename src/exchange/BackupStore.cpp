#include "exchange/BackupStore.h"

#include "base/FileModes.h"
#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/Numbers.h"
#include "core/Globals.h"
#include "core/Main.h"
#include "core/SharedHelpers.h"
#include "exchange/TableMaintenance.h"
#include "platform/EndReport.h"
#include "platform/MemIniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <openssl/evp.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <future>
#include <memory>
#include <semaphore>
#include <thread>

namespace {

const QString ManifestHeader = QStringLiteral("Velmora backup 1");
const QString PartialSuffix = QStringLiteral(".partial");
const QString DataPrefix = QStringLiteral("Data/");
const QString SettingsPrefix = QStringLiteral("Settings/");
// The settings files a backup takes from the data folder, and the only names a restore puts there.
const QStringList SettingsFilters = {QStringLiteral("*.ini")};
// The directory search's own tables (its search names, own targets and exclusions) beside the settings.
const QString CategoryPrefix = QStringLiteral("Category/");
constexpr qint64 CopyChunk = 8 << 20;
// The pieces summed apart, in parallel.
constexpr qint64 SumPiece = 8 << 20;

QString folderName(const QDateTime &at) { return at.toString(QStringLiteral("yyyyMMdd HHmmss")); }
// A whole backup's folder name: a partial one's adds PartialSuffix.
const QRegularExpression BackupFolderName(QStringLiteral("^\\d{8} \\d{6}$"));

// A manifest path may only name a file below the backup, in one of its three parts.
bool safePath(const QString &path)
{
    if (!IsPlainRelativePath(path))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    if (path.startsWith(SettingsPrefix))
        return parts.size() == 2 && !parts[1].startsWith(QLatin1Char('.')) && QDir::match(SettingsFilters, parts[1]);
    if (path.startsWith(CategoryPrefix))
        return parts.size() >= 2;
    return path.startsWith(DataPrefix) && parts.size() >= 3 && BackupDataFolders.contains(parts[1]);
}

// lstat: a link is there whatever it points to.
bool present(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(QDir::cleanPath(path)).constData(), &st) == 0;
}

bool removeTree(const QString &path) { return !present(path) || DeleteFolderTree(path); }

// A working folder of the restore, made anew so that it is the restore's own: a link planted in its place is
// removed, never filled or emptied.
bool makeFresh(const QString &folder) { return removeTree(folder) && MakeFolder(folder); }

// Renames from over to in one step (a file there is replaced).
bool moveTo(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(QDir::cleanPath(from)).constData(),
                    QFile::encodeName(QDir::cleanPath(to)).constData())
           == 0;
}

// Runs on a thread of its own.
QByteArray pieceSum(int fd, qint64 offset, qint64 length)
{
    InstallThreadEndReports();
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> sum(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    EVP_DigestInit_ex(sum.get(), EVP_sha256(), nullptr);
    QByteArray buffer(static_cast<int>(std::min<qint64>(length, 1 << 20)) + 1, Qt::Uninitialized);
    while (length > 0) {
        const ssize_t got = ::pread(fd, buffer.data(), static_cast<size_t>(std::min<qint64>(length, buffer.size())), offset);
        if (got <= 0)
            return {};
        EVP_DigestUpdate(sum.get(), buffer.constData(), static_cast<size_t>(got));
        offset += got;
        length -= got;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(sum.get(), digest, &size);
    return QByteArray(reinterpret_cast<const char *>(digest), static_cast<int>(size));
}

// The sum of a file's pieces, each started on its own thread.
std::vector<std::future<QByteArray>> startPieceSums(int fd, qint64 size)
{
    std::vector<std::future<QByteArray>> pieces;
    qint64 offset = 0;
    do {
        pieces.push_back(std::async(std::launch::async, pieceSum, fd, offset, std::min(SumPiece, size - offset)));
        offset += SumPiece;
    } while (offset < size);
    return pieces;
}

QByteArray finishPieceSums(std::vector<std::future<QByteArray>> &pieces)
{
    QByteArray list;
    bool ok = true;
    for (auto &piece : pieces) {
        const QByteArray digest = piece.get();
        ok = ok && !digest.isEmpty();
        list += digest;
    }
    return ok ? QCryptographicHash::hash(list, QCryptographicHash::Sha256).toHex() : QByteArray();
}

}  // namespace

QByteArray FileSum(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    std::vector<std::future<QByteArray>> pieces = startPieceSums(in.handle(), in.size());
    return finishPieceSums(pieces);
}

namespace {

// Writes all of size bytes; false with errno set otherwise. A disk that takes part of a write and then nothing
// more has no room left, whatever error code (none, across file systems) the short write came with.
bool writeWhole(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, static_cast<size_t>(size));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = ENOSPC;
            return false;
        }
        data += put;
        size -= put;
    }
    return true;
}

}  // namespace

bool CopyFileSummed(const QString &source, const QString &target, QByteArray *sha256Hex,
                    const std::function<bool(qint64)> &advance, int *writeError, int *readError)
{
    QFile in(source);
    int failedWrite = 0, failedRead = 0;
    auto note = [&] {
        if (writeError)
            *writeError = failedWrite;
        if (readError)
            *readError = failedRead;
        return false;
    };
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        failedRead = errno;
        return note();
    }
    // The copy is the program's own, as private as a file it makes, with what the user's own bits of the file
    // it copies allow: a book made read-only comes back read-only.
    struct stat sourceStat {};
    const int from = in.handle();
    const mode_t mode = ::fstat(from, &sourceStat) == 0 ? ReplacingFileMode(sourceStat.st_mode, TFileAccess::Private)
                                                     : PrivateFileMode;
    const QByteArray targetName = QFile::encodeName(target);
    const int to = ::open(targetName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (to < 0) {
        failedWrite = errno;
        return note();
    }
    const qint64 size = in.size();
    // The pieces are summed on other threads while the kernel copies the file; what is summed is what the
    // copy read, as the file does not change under a backup or a restore.
    std::vector<std::future<QByteArray>> pieces;
    if (sha256Hex)
        pieces = startPieceSums(from, size);
    bool ok = true;
    qint64 copied = 0;
    while (ok && copied < size) {
        const qint64 want = std::min(CopyChunk, size - copied);
        ssize_t got = ::copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(want), 0);
        if (got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
            // A file system that cannot copy in the kernel: through a buffer.
            QByteArray buffer(static_cast<int>(want), Qt::Uninitialized);
            got = ::pread(from, buffer.data(), static_cast<size_t>(want), copied);
            if (got > 0 && !writeWhole(to, buffer.constData(), got)) {
                failedWrite = errno;
                got = -1;
            }
        } else if (got < 0) {
            failedWrite = errno;
        }
        ok = got > 0 && (!advance || advance(got));
        copied += std::max<ssize_t>(got, 0);
    }
    const QByteArray sum = sha256Hex ? finishPieceSums(pieces) : QByteArray();
    ok = ok && (!sha256Hex || !sum.isEmpty());
    // The copy reaches the disk before it is counted done, so a copy that later takes the place of data is whole
    // after a power loss. A file system that reports a full disk only when the data are written out says so here.
    if (ok && ::fsync(to) != 0) {
        failedWrite = errno;
        ok = false;
    }
    if (::close(to) != 0 && ok) {
        failedWrite = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(targetName.constData());
        return note();
    }
    if (sha256Hex)
        *sha256Hex = sum;
    return true;
}

QStringList FilesBelow(const QString &folder)
{
    QStringList files;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << root.relativeFilePath(it.next());
    files.sort();
    return files;
}

QString MakeBackup(const QString &dataRoot, const QString &dataFolder, const TStepFn &step, QString *error)
{
    // The files and their sources, with the total to copy.
    std::vector<std::pair<QString, QString>> files;
    qint64 total = 0;
    for (const QString &sub : BackupDataFolders) {
        const QString folder = dataRoot + sub + QLatin1Char('/');
        for (const QString &rel : FilesBelow(folder))
            files.emplace_back(DataPrefix + sub + QLatin1Char('/') + rel, folder + rel);
    }
    const QStringList settings =
        QDir(dataFolder).entryList(SettingsFilters, QDir::Files, QDir::Name);
    for (const QString &name : settings)
        files.emplace_back(SettingsPrefix + name, dataFolder + name);
    for (const QString &rel : FilesBelow(dataFolder + CategoryPrefix))
        files.emplace_back(CategoryPrefix + rel, dataFolder + CategoryPrefix + rel);
    for (const auto &file : files)
        total += QFileInfo(file.second).size();

    QDateTime at = QDateTime::currentDateTime();
    while (QFileInfo::exists(dataRoot + folderName(at)) || QFileInfo::exists(dataRoot + folderName(at) + PartialSuffix))
        at = at.addSecs(1);
    const QString finalFolder = dataRoot + folderName(at);
    const QString partial = finalFolder + PartialSuffix + QLatin1Char('/');
    auto fail = [&](const QString &why) {
        QDir(partial).removeRecursively();
        *error = why;
        return QString();
    };
    // A write the backup's disk refuses names that disk, the data root, and why; not the user's file.
    const auto notWritten = [&](const QString &first, int error) {
        return fail(first + QStringLiteral("\r\n") + QDir::toNativeSeparators(dataRoot) + WriteFailureReason(error));
    };
    if (!ForceDirectories(partial))
        return notWritten(QStringLiteral("バックアップ先のフォルダを作成できません  "), errno);

    QByteArray manifest = ManifestHeader.toUtf8() + "\n";
    qint64 done = 0;
    for (const auto &[rel, source] : files) {
        const QString target = partial + rel;
        if (!ForceDirectories(QFileInfo(target).path()))
            return notWritten(QStringLiteral("バックアップ先のフォルダを作成できません  "), errno);
        QByteArray sum;
        bool stopped = false;
        int writeError = 0, readError = 0;
        const bool copied = CopyFileSummed(
            source, target, &sum,
            [&](qint64 piece) {
                done += piece;
                stopped = !step(done, total);
                return !stopped;
            },
            &writeError, &readError);
        if (stopped)
            return fail(QStringLiteral("バックアップを中止しました  "));
        if (!copied && (IsDiskFull(writeError) || IsNotWritable(writeError)))
            return notWritten(QStringLiteral("ファイルをバックアップできません  "), writeError);
        if (!copied)
            return fail(QStringLiteral("ファイルをバックアップできません  \r\n") + QDir::toNativeSeparators(source)
                        + ReadFailureReason(readError));
        manifest += sum + '\t' + QByteArray::number(QFileInfo(target).size()) + '\t' + rel.toUtf8() + '\n';
    }
    if (!ReplaceFileWhole(partial + ManifestFileName, manifest))
        return notWritten(QStringLiteral("バックアップの目録を書き込めません  "), errno);
    if (!ReplaceTreeDurably(partial, finalFolder))
        return notWritten(QStringLiteral("バックアップ先のフォルダを作成できません  "), errno);
    return finalFolder + QLatin1Char('/');
}

bool ReadManifest(const QString &backupFolder, std::vector<TBackupFile> *files, qint64 *bytes, int *readError)
{
    qint64 total = 0;
    QFile in(backupFolder + ManifestFileName);
    const bool opened = in.open(QIODevice::ReadOnly);
    if (readError)
        *readError = opened ? 0 : errno;
    if (!opened)
        return false;
    const QList<QByteArray> lines = in.readAll().split('\n');
    if (lines.isEmpty() || QString::fromUtf8(lines.first()) != ManifestHeader)
        return false;
    files->clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> fields = lines[i].split('\t');
        bool ok = false;
        TBackupFile f{QString::fromUtf8(fields.value(2)), fields.value(1).toLongLong(&ok), fields.value(0)};
        // Sizes no disk holds, alone or together, are no backup's. Each is at most MaxDiskBytes before it is
        // added, so the sum cannot overflow.
        if (fields.size() != 3 || !ok || f.Size < 0 || f.Size > MaxDiskBytes || f.Sha256.size() != 64
            || !safePath(f.Path) || (total += f.Size) > MaxDiskBytes)
            return false;
        files->push_back(f);
    }
    *bytes = total;
    return true;
}

QString BackupUnreadableText(const QString &file, int error)
{
    return QStringLiteral("バックアップデータを読み込めないため復元できません  \r\n") + QDir::toNativeSeparators(file)
           + ReadFailureReason(error);
}

std::vector<TBackupInfo> ListBackups(const QString &dataRoot)
{
    std::vector<TBackupInfo> backups;
    const QStringList folders = QDir(dataRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString &folder : folders) {
        const QDateTime made = QDateTime::fromString(folder, QStringLiteral("yyyyMMdd HHmmss"));
        const QString path = dataRoot + folder + QLatin1Char('/');
        // A backup takes its name only once its manifest is written: a folder of that name without one is none.
        // One the user may not look into is listed, to be told why it cannot be restored.
        if (!BackupFolderName.match(folder).hasMatch() || !made.isValid()
            || (!present(path + ManifestFileName) && errno != EACCES))
            continue;
        std::vector<TBackupFile> files;
        qint64 bytes = 0;
        int readError = 0;
        if (ReadManifest(path, &files, &bytes, &readError))
            backups.push_back({path, made, bytes, static_cast<int>(files.size())});
        else
            backups.push_back({path, made, 0, 0, readError == 0, readError});
    }
    return backups;
}

namespace {

// A restore stages the backup in ".restore/" of the folder each file goes to (the data root for the data, the
// data folder for the settings and tables), so every item of the swap moves by a rename within one file
// system; what it replaces waits in ".restore.old/" beside it until the swap is over. The journal records the
// swap before it starts, so that the next start can undo a swap a killed run left half done.
const QString StagingName = QStringLiteral(".restore/");
const QString OldName = QStringLiteral(".restore.old/");
// In the data folder, which start-up knows before it reads the settings a swap replaces.
const QString JournalName = QStringLiteral(".restore.journal");
const QByteArray JournalHeader = "Velmora restore 1";
// Staging: nothing live has changed, only working folders are left. Swapping: the items listed may be moved
// in part. Done: every item is in, only working folders are left.
const QByteArray PhaseStaging = "staging", PhaseSwapping = "swapping", PhaseDone = "done";

struct TRestoreJournal {
    QByteArray Phase;
    QString Root, Folder;  // the data root and the data folder, with "/"
    // Manifest paths, in the order they are swapped: "Data/<folder>", "Settings/<file>", "Category/<file>".
    QStringList Items;

    QString Base(const QString &item) const { return item.startsWith(DataPrefix) ? Root : Folder; }
    QString Staged(const QString &item) const { return Base(item) + StagingName + item; }
    QString Old(const QString &item) const { return Base(item) + OldName + item; }
    QString Live(const QString &item) const
    {
        if (item.startsWith(DataPrefix))
            return Root + item.mid(DataPrefix.size());
        if (item.startsWith(SettingsPrefix))
            return Folder + item.mid(SettingsPrefix.size());
        return Folder + item;
    }
    QString FileName() const { return Folder + JournalName; }
};

bool swapItem(const QString &item)
{
    return item.startsWith(DataPrefix) ? BackupDataFolders.contains(item.mid(DataPrefix.size())) : safePath(item);
}

// Written whole or not at all: a kill leaves the previous phase.
bool writeJournal(const TRestoreJournal &j)
{
    QByteArray text = JournalHeader + '\n' + j.Phase + '\n' + QFile::encodeName(j.Root).toPercentEncoding() + '\n';
    for (const QString &item : j.Items)
        text += item.toUtf8() + '\n';
    return ReplaceFileWhole(j.FileName(), text);
}

bool readJournal(const QString &dataFolder, TRestoreJournal *j)
{
    QFile in(dataFolder + JournalName);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QList<QByteArray> lines = in.readAll().split('\n');
    if (lines.size() < 4 || lines.first() != JournalHeader || !lines.last().isEmpty())
        return false;
    lines.removeLast();
    j->Phase = lines[1];
    j->Root = QFile::decodeName(QByteArray::fromPercentEncoding(lines[2]));
    j->Folder = dataFolder;
    j->Items.clear();
    for (qsizetype i = 3; i < lines.size(); ++i) {
        j->Items << QString::fromUtf8(lines[i]);
        if (!swapItem(j->Items.last()))
            return false;
    }
    return (j->Phase == PhaseStaging || j->Phase == PhaseSwapping || j->Phase == PhaseDone)
           && QDir::isAbsolutePath(j->Root) && j->Root.endsWith(QLatin1Char('/'));
}

void removeWorkFolders(const TRestoreJournal &j, const QString &name)
{
    removeTree(j.Root + name);
    removeTree(j.Folder + name);
}

// The temporary files of journal writes a kill stopped.
void removeJournalTemporaries(const QString &dataFolder)
{
    RemoveKilledWrites(dataFolder, JournalName);
}

// The working folders go first, the journal last: a kill in between leaves the journal to finish the removal.
void finishWork(const TRestoreJournal &j)
{
    removeWorkFolders(j, StagingName);
    removeWorkFolders(j, OldName);
    removeJournalTemporaries(j.Folder);
    QFile::remove(j.FileName());
}

// Moves each item's live copy aside and the staged one in; answers the live path it could not replace, or
// empty when all are in.
QString swapIn(const TRestoreJournal &j)
{
    for (const QString &item : j.Items) {
        const QString live = j.Live(item), old = j.Old(item);
        ForceDirectories(QFileInfo(old).path());
        ForceDirectories(QFileInfo(live).path());
        if ((present(live) && !moveTo(live, old)) || !moveTo(j.Staged(item), live))
            return live;
    }
    return {};
}

// Puts back what a swap replaced, from the last item: an item moved in goes back to staging, the one it
// replaced back in its place. Every step is a rename that is skipped once done, so an undo stopped anywhere
// runs again from the start. Answers the live path it could not put back, or empty when all are back.
QString swapOut(const TRestoreJournal &j)
{
    for (auto item = j.Items.crbegin(); item != j.Items.crend(); ++item) {
        const QString live = j.Live(*item), staged = j.Staged(*item), old = j.Old(*item);
        if (!present(staged) && present(live) && !(ForceDirectories(QFileInfo(staged).path()) && moveTo(live, staged)))
            return live;
        if (present(old) && !present(live) && !moveTo(old, live))
            return live;
    }
    return {};
}

// Syncs the folders whose entries a swap or its undo changed: those holding each item's live, staged and old
// copy, up to the folder it is restored into, deepest first. Only then may the journal say what they hold, and
// the copies the working folders keep be removed.
void syncSwapFolders(const TRestoreJournal &j)
{
    QStringList folders;
    for (const QString &item : j.Items) {
        const QString base = QDir::cleanPath(j.Base(item));
        for (const QString &path : {j.Live(item), j.Staged(item), j.Old(item)}) {
            QString folder = QDir::cleanPath(path);
            do {
                folder = QFileInfo(folder).path();
                folders << folder;
            } while (folder.size() > base.size() && folder.startsWith(base));
        }
    }
    folders.removeDuplicates();
    std::stable_sort(folders.begin(), folders.end(),
                     [](const QString &a, const QString &b) { return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/')); });
    for (const QString &folder : folders)
        SyncFolder(folder);
}

// Undoes a swap and marks the journal so that only working folders are left; answers what it could not put
// back, the journal itself when it could not be marked, or empty.
QString undoSwap(TRestoreJournal &j)
{
    const QString stuck = swapOut(j);
    if (!stuck.isEmpty())
        return stuck;
    syncSwapFolders(j);
    j.Phase = PhaseStaging;
    j.Items.clear();
    return writeJournal(j) ? QString() : j.FileName();
}

// One restore at a time, and none while the data an earlier one replaced are still being removed.
std::binary_semaphore &restoreTurn()
{
    static std::binary_semaphore turn(1);
    return turn;
}

bool restoreInTurn(const QString &backupFolder, const std::vector<TBackupFile> &files, qint64 total,
                   TRestoreJournal &journal, const TStepFn &step, QString *error, bool namesRoot)
{
    // What an earlier restore left is settled first: its working folders may hold the only copy of the data
    // a killed swap put aside.
    QString stuck;
    if (RecoverRestore(journal.Folder, &stuck) == TRestoreRecovery::Failed) {
        *error = QStringLiteral("前回の復元で置き換えたデータを元に戻せないため復元できません  \r\n")
                 + QDir::toNativeSeparators(stuck);
        return false;
    }
    auto fail = [&](const QString &why) {
        finishWork(journal);
        *error = why;
        return false;
    };
    const auto noJournal = [&](int writeError) {
        return QStringLiteral("復元用の作業ファイルを作成できません  \r\n") + QDir::toNativeSeparators(journal.FileName())
               + WriteFailureReason(writeError);
    };
    if (!writeJournal(journal)) {
        *error = noJournal(errno);
        return false;
    }
    for (const QString &folder : {journal.Root + StagingName, journal.Root + OldName, journal.Folder + StagingName,
                                  journal.Folder + OldName})
        if (!makeFresh(folder))
            return fail(QStringLiteral("復元用の作業フォルダを作成できません  \r\n") + QDir::toNativeSeparators(folder)
                        + WriteFailureReason(errno));

    // Every file is staged and checked before the data are touched. A write the disk refuses is that disk's
    // doing, named by the folder restored into, and never taken for a damaged backup.
    const auto notWritten = [&](const TBackupFile &f, int writeError) {
        const QString place = QDir::toNativeSeparators(journal.Base(f.Path));
        return fail(IsDiskFull(writeError)
                        ? QStringLiteral("ディスクの空き容量が不足しているため復元できません  \r\n") + place
                        : QStringLiteral("復元できません  \r\n") + place + WriteFailureReason(writeError));
    };
    qint64 done = 0;
    for (const TBackupFile &f : files) {
        const QString target = journal.Staged(f.Path);
        if (!ForceDirectories(QFileInfo(target).path()))
            return notWritten(f, errno);
        QByteArray sum;
        bool stopped = false;
        int writeError = 0, readError = 0;
        const bool copied = CopyFileSummed(
            backupFolder + f.Path, target, &sum,
            [&](qint64 piece) {
                done += piece;
                stopped = !step(done, total);
                return !stopped;
            },
            &writeError, &readError);
        if (stopped)
            return fail(QStringLiteral("復元を中止しました  "));
        if (IsDiskFull(writeError) || IsNotWritable(writeError))
            return notWritten(f, writeError);
        // A file the backup names and has, that the user may not read, is no damage: a chmod mends it. One it
        // does not have is.
        if (readError != 0 && readError != ENOENT)
            return fail(BackupUnreadableText(backupFolder + f.Path, readError));
        if (!copied || sum != f.Sha256 || QFileInfo(target).size() != f.Size)
            return fail(QStringLiteral("バックアップデータが破損しているため復元できません  \r\n")
                        + QDir::toNativeSeparators(f.Path));
    }

    // The settings naming the data folder restored into go in with it in the same swap: the backup's, or when it
    // holds none, the ones in use. No kill then leaves the data in one folder and the settings naming the other,
    // nor a restore the next start calls done while the settings still name the old folder.
    const QString settingsItem = SettingsPrefix + SettingsFileName;
    const QString settings = journal.Staged(settingsItem), inUse = journal.Live(settingsItem);
    const bool ownSettings = namesRoot && !present(settings);
    bool staged = true;
    int writeError = 0;
    if (ownSettings && present(inUse)) {
        // Settings the program cannot read are never written over (it runs on its defaults beside them), so
        // they could not name the new folder.
        const TMemIniFile read(inUse);
        if (read.ReadFailed())
            return fail(QStringLiteral("設定ファイルを読み込めないため復元できません  \r\n") + QDir::toNativeSeparators(inUse)
                        + QStringLiteral("\r\n") + read.ReadError());
        staged = ForceDirectories(QFileInfo(settings).path()) && CopyFileSummed(inUse, settings, nullptr, {}, &writeError);
        if (!staged && writeError == 0)
            writeError = errno;
    }
    if (namesRoot && !(staged && WriteDataPath(settings, journal.Root)))
        return fail(QStringLiteral("設定ファイルを書き込めません  \r\n") + QDir::toNativeSeparators(settings)
                    + WriteFailureReason(staged ? errno : writeError));

    // The swap: each data folder the backup holds replaces the live one whole; a folder it does not hold is not
    // the backup's to empty. Each settings file and table is replaced on its own; those the backup does not
    // hold stay as they are.
    for (const QString &sub : BackupDataFolders)
        if (present(journal.Staged(DataPrefix + sub)))
            journal.Items << DataPrefix + sub;
    for (const TBackupFile &f : files)
        if (!f.Path.startsWith(DataPrefix))
            journal.Items << f.Path;
    if (ownSettings)
        journal.Items << settingsItem;
    // The staged copies are whole on the disk before anything is replaced: each file was synced as it was copied,
    // the folders holding them are now.
    for (const QString &base : {journal.Root, journal.Folder}) {
        SyncFolderTree(base + StagingName);
        SyncFolder(base);
    }
    journal.Phase = PhaseSwapping;
    if (!writeJournal(journal))
        return fail(noJournal(errno));
    QString unmoved = swapIn(journal);
    if (unmoved.isEmpty()) {
        syncSwapFolders(journal);
        journal.Phase = PhaseDone;
        if (writeJournal(journal))
            return true;
        unmoved = journal.FileName();
    }
    stuck = undoSwap(journal);
    if (!stuck.isEmpty()) {
        // The journal stays: the next start puts back what is still out of place.
        *error = QStringLiteral("復元で置き換えたデータを元に戻せません  \r\n") + QDir::toNativeSeparators(stuck);
        return false;
    }
    return fail(QStringLiteral("データフォルダを置き換えられません  \r\n") + QDir::toNativeSeparators(unmoved));
}

}  // namespace

bool RestoreBackup(const QString &backupFolder, const QString &dataRoot, const QString &dataFolder,
                   const TStepFn &step, QString *error, bool namesRoot)
{
    std::vector<TBackupFile> files;
    qint64 total = 0;
    int readError = 0;
    if (!ReadManifest(backupFolder, &files, &total, &readError)) {
        *error = readError != 0 ? BackupUnreadableText(backupFolder + ManifestFileName, readError)
                                : QStringLiteral("バックアップの目録が読めません  ");
        return false;
    }
    // A settings file the program would refuse to read is not brought in. The staged copy must have the size
    // the manifest gives, so the manifest's size is the file's.
    for (const TBackupFile &f : files)
        if (f.Path.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive) && f.Size > TMemIniFile::MaxFileBytes) {
            *error = QStringLiteral("バックアップの設定ファイルが大きすぎるため復元できません  \r\n")
                     + QDir::toNativeSeparators(f.Path);
            return false;
        }
    restoreTurn().acquire();
    TRestoreJournal journal{PhaseStaging, dataRoot, dataFolder, {}};
    if (!restoreInTurn(backupFolder, files, total, journal, step, error, namesRoot)) {
        restoreTurn().release();
        return false;
    }
    removeWorkFolders(journal, StagingName);
    // The replaced data go in the background: freeing a large book's blocks takes longer than the rest of the
    // swap. The journal, removed last, has the next start finish what a stopped removal leaves.
    std::thread([journal] {
        InstallThreadEndReports();
        finishWork(journal);
        restoreTurn().release();
    }).detach();
    return true;
}

TRestoreRecovery RecoverRestore(const QString &dataFolder, QString *stuck)
{
    if (!present(dataFolder + JournalName))
        return TRestoreRecovery::None;
    TRestoreJournal journal;
    if (!readJournal(dataFolder, &journal)) {
        *stuck = dataFolder + JournalName;
        return TRestoreRecovery::Failed;
    }
    const TRestoreRecovery found = journal.Phase == PhaseDone      ? TRestoreRecovery::Completed
                                   : journal.Phase == PhaseStaging ? TRestoreRecovery::NotStarted
                                                                   : TRestoreRecovery::Undone;
    if (found == TRestoreRecovery::Undone) {
        *stuck = undoSwap(journal);
        if (!stuck->isEmpty())
            return TRestoreRecovery::Failed;
    }
    finishWork(journal);
    return found;
}

void RemoveBackupLeftovers(const QString &dataRoot, const QString &dataFolder)
{
    // While a restore is recorded its working folders may hold the only copy of the data: RecoverRestore
    // settles it first.
    if (present(dataFolder + JournalName))
        return;
    const TRestoreJournal none{PhaseStaging, dataRoot, dataFolder, {}};
    removeWorkFolders(none, StagingName);
    removeWorkFolders(none, OldName);
    removeJournalTemporaries(dataFolder);
    static const QRegularExpression partial(QStringLiteral("^\\d{8} \\d{6}") + QRegularExpression::escape(PartialSuffix)
                                            + QLatin1Char('$'));
    for (const QString &name : QDir(dataRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (partial.match(name).hasMatch())
            removeTree(dataRoot + name);
}

void NarrowDataRoot(const QString &dataRoot)
{
    for (const QString &name : QDir(dataRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks))
        if (BackupDataFolders.contains(name) || SafetyFolders.contains(name) || BackupFolderName.match(name).hasMatch())
            NarrowLeftOpen(dataRoot + name);
}
