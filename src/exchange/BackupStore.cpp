#include "exchange/BackupStore.h"

#include "base/Folders.h"
#include "core/SharedHelpers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <future>
#include <memory>
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
bool makeFresh(const QString &folder)
{
    return removeTree(folder) && ::mkdir(QFile::encodeName(QDir::cleanPath(folder)).constData(), 0777) == 0;
}

// Renames from over to, replacing a file there in one step.
bool replaceFile(const QString &from, const QString &to)
{
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
    return !ec;
}

}  // namespace

namespace {

QByteArray pieceSum(int fd, qint64 offset, qint64 length)
{
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

bool CopyFileSummed(const QString &source, const QString &target, QByteArray *sha256Hex,
                    const std::function<bool(qint64)> &advance)
{
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    const int from = in.handle(), to = out.handle();
    const qint64 size = in.size();
    // The pieces are summed on other threads while the kernel copies the file; what is summed is what the
    // copy read, as the file does not change under a backup or a restore.
    std::vector<std::future<QByteArray>> pieces = startPieceSums(from, size);
    bool ok = true;
    qint64 copied = 0;
    while (ok && copied < size) {
        const qint64 want = std::min(CopyChunk, size - copied);
        ssize_t got = ::copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(want), 0);
        if (got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
            // A file system that cannot copy in the kernel: through a buffer.
            QByteArray buffer(static_cast<int>(want), Qt::Uninitialized);
            got = ::pread(from, buffer.data(), static_cast<size_t>(want), copied);
            if (got > 0 && ::write(to, buffer.constData(), static_cast<size_t>(got)) != got)
                got = -1;
        }
        ok = got > 0 && (!advance || advance(got));
        copied += std::max<ssize_t>(got, 0);
    }
    const QByteArray sum = finishPieceSums(pieces);
    ok = ok && !sum.isEmpty();
    out.close();
    if (!ok || out.error() != QFileDevice::NoError) {
        out.remove();
        return false;
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
    if (!QDir().mkpath(partial))
        return fail(QStringLiteral("バックアップ先のフォルダを作成できません  "));

    QByteArray manifest = ManifestHeader.toUtf8() + "\n";
    qint64 done = 0;
    for (const auto &[rel, source] : files) {
        const QString target = partial + rel;
        QDir().mkpath(QFileInfo(target).path());
        QByteArray sum;
        bool stopped = false;
        const bool copied = CopyFileSummed(source, target, &sum, [&](qint64 piece) {
            done += piece;
            stopped = !step(done, total);
            return !stopped;
        });
        if (stopped)
            return fail(QStringLiteral("バックアップを中止しました  "));
        if (!copied)
            return fail(QStringLiteral("ファイルをバックアップできません  \r\n") + QDir::toNativeSeparators(source));
        manifest += sum + '\t' + QByteArray::number(QFileInfo(target).size()) + '\t' + rel.toUtf8() + '\n';
    }
    QSaveFile out(partial + ManifestFileName);
    if (!out.open(QIODevice::WriteOnly) || out.write(manifest) != manifest.size() || !out.commit())
        return fail(QStringLiteral("バックアップの目録を書き込めません  "));
    if (!QDir().rename(partial, finalFolder))
        return fail(QStringLiteral("バックアップ先のフォルダを作成できません  "));
    return finalFolder + QLatin1Char('/');
}

bool ReadManifest(const QString &backupFolder, std::vector<TBackupFile> *files, qint64 *bytes)
{
    qint64 total = 0;
    QFile in(backupFolder + ManifestFileName);
    if (!in.open(QIODevice::ReadOnly))
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
        // Sizes whose sum no disk holds are no backup's.
        if (fields.size() != 3 || !ok || f.Size < 0 || f.Sha256.size() != 64 || !safePath(f.Path)
            || __builtin_add_overflow(total, f.Size, &total))
            return false;
        files->push_back(f);
    }
    *bytes = total;
    return true;
}

std::vector<TBackupInfo> ListBackups(const QString &dataRoot)
{
    static const QRegularExpression name(QStringLiteral("^\\d{8} \\d{6}$"));
    std::vector<TBackupInfo> backups;
    const QStringList folders = QDir(dataRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString &folder : folders) {
        const QDateTime made = QDateTime::fromString(folder, QStringLiteral("yyyyMMdd HHmmss"));
        std::vector<TBackupFile> files;
        qint64 bytes = 0;
        if (!name.match(folder).hasMatch() || !made.isValid()
            || !ReadManifest(dataRoot + folder + QLatin1Char('/'), &files, &bytes))
            continue;
        backups.push_back({dataRoot + folder + QLatin1Char('/'), made, bytes, static_cast<int>(files.size())});
    }
    return backups;
}

bool RestoreBackup(const QString &backupFolder, const QString &dataRoot, const QString &dataFolder,
                   const TStepFn &step, QString *error)
{
    std::vector<TBackupFile> files;
    qint64 total = 0, done = 0;
    if (!ReadManifest(backupFolder, &files, &total)) {
        *error = QStringLiteral("バックアップの目録が読めません  ");
        return false;
    }
    const QString staging = dataRoot + QStringLiteral(".restore/");
    const QString old = dataRoot + QStringLiteral(".restore.old/");
    auto fail = [&](const QString &why) {
        removeTree(staging);
        *error = why;
        return false;
    };
    if (!makeFresh(staging) || !makeFresh(old))
        return fail(QStringLiteral("復元用の作業フォルダを作成できません  \r\n") + QDir::toNativeSeparators(staging));

    // Every file is staged and checked before the data are touched.
    for (const TBackupFile &f : files) {
        const QString target = staging + f.Path;
        QDir().mkpath(QFileInfo(target).path());
        QByteArray sum;
        bool stopped = false;
        const bool copied = CopyFileSummed(backupFolder + f.Path, target, &sum, [&](qint64 piece) {
            done += piece;
            stopped = !step(done, total);
            return !stopped;
        });
        if (stopped)
            return fail(QStringLiteral("復元を中止しました  "));
        if (!copied || sum != f.Sha256 || QFileInfo(target).size() != f.Size)
            return fail(QStringLiteral("バックアップデータが破損しているため復元できません  \r\n")
                        + QDir::toNativeSeparators(f.Path));
    }

    // The swap: each data folder of the backup replaces the live one, which is put aside until all are in. A
    // folder the backup does not hold is not the backup's to empty: it stays as it is.
    QStringList folders;
    for (const QString &sub : BackupDataFolders)
        if (QFileInfo::exists(staging + DataPrefix + sub))
            folders << sub;
    QStringList swapped;
    auto rollBack = [&] {
        for (const QString &sub : swapped) {
            removeTree(dataRoot + sub);
            QDir().rename(old + sub, dataRoot + sub);
        }
        removeTree(old);
    };
    for (const QString &sub : folders) {
        if (QFileInfo::exists(dataRoot + sub) && !QDir().rename(dataRoot + sub, old + sub)) {
            rollBack();
            return fail(QStringLiteral("データフォルダを置き換えられません  \r\n") + QDir::toNativeSeparators(dataRoot + sub));
        }
        swapped << sub;
        if (!QDir().rename(staging + DataPrefix + sub, dataRoot + sub)) {
            rollBack();
            return fail(QStringLiteral("データフォルダを置き換えられません  \r\n") + QDir::toNativeSeparators(dataRoot + sub));
        }
    }
    QDir().mkpath(dataFolder);
    for (const QString &name : QDir(staging + SettingsPrefix).entryList(QDir::Files))
        replaceFile(staging + SettingsPrefix + name, dataFolder + name);
    // Each table file is replaced in one step; tables the backup does not hold stay as they are.
    for (const QString &rel : FilesBelow(staging + CategoryPrefix)) {
        QDir().mkpath(QFileInfo(dataFolder + CategoryPrefix + rel).path());
        replaceFile(staging + CategoryPrefix + rel, dataFolder + CategoryPrefix + rel);
    }
    removeTree(staging);
    // The replaced data go in the background: freeing a large book's blocks takes longer than the rest of the
    // swap, and what a stopped removal leaves the next restore removes first.
    std::thread([old] { removeTree(old); }).detach();
    return true;
}
