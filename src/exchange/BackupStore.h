// Backups of the data. A backup is a folder named by its date and time ("yyyymmdd hhnnss") in the data root
// holding the books with their table files, the shared tables, the documents and the settings files, and a
// manifest of each file's size and SHA-256 sum. The folder takes its name only once it is complete, manifest
// included, so a backup stopped or failed on the way is never offered for a restore. A restore checks every
// file against the manifest while copying it to a staging folder and swaps the data in only when all agree,
// recording the swap first in a journal so that a swap a killed run left half done is undone at the next start.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

// done of total bytes; false stops the job.
using TStepFn = std::function<bool(qint64 done, qint64 total)>;

// The sum of a file as a manifest gives it (hex); empty when it cannot be read.
QByteArray FileSum(const QString &file);

struct TBackupFile {
    // inside the backup, "/"-separated: "Data/<folder of the data root>/…", "Settings/<file>" or "Category/<file>"
    QString Path;
    qint64 Size = 0;
    QByteArray Sha256;  // hex
};

struct TBackupInfo {
    QString Folder;  // with "/"
    QDateTime Made;
    qint64 Bytes = 0;
    int Files = 0;
    // Its manifest is none a backup writes (a size no disk holds, a path outside the backup, …): it cannot be
    // restored, and has no files or size to tell.
    bool Damaged = false;
    // Why its manifest could not be read (EACCES for a backup the user may not read), 0 when it could: it cannot
    // be restored as it is, but is not damaged, and has no files or size to tell either.
    int ReadError = 0;
};

inline const QString ManifestFileName = QStringLiteral("Manifest.txt");
// The folders of the data root a backup holds, in the order they are copied.
inline const QStringList BackupDataFolders = {QStringLiteral("Adrs"),   QStringLiteral("Other"),
                                              QStringLiteral("History"), QStringLiteral("Layout"),
                                              QStringLiteral("Label"),  QStringLiteral("Card"),
                                              QStringLiteral("Design")};

// A file's sum in a manifest: the SHA-256 of the SHA-256 digests of its 8 MiB pieces in order (one piece for a
// smaller file), so the pieces of a large book are summed in parallel.
// Copies source to target, summing it when sha256Hex is given, and syncs the copy to the disk before it answers
// (the copies of a backup, a restore or a safety copy take the place of data); false, with target removed, on a
// read, write or sync failure or when advance (given the bytes of each piece copied) answers false. The copy is
// the program's own file (ReplacingFileMode of the source's mode). writeError, when given, is set after a
// failure to the errno of the write or sync of target that failed (ENOSPC for a write the disk took only in
// part), or 0 when the copy failed otherwise (the source, the sum, a stop); readError to the errno of the
// source that could not be opened, or 0.
bool CopyFileSummed(const QString &source, const QString &target, QByteArray *sha256Hex,
                    const std::function<bool(qint64)> &advance, int *writeError = nullptr, int *readError = nullptr);

// The files of a folder tree, as paths relative to it, in a stable order.
QStringList FilesBelow(const QString &folder);

// Makes a backup of dataRoot's folders and dataFolder's settings files and "Category/" tables; answers the backup's folder, or empty
// with *error set and nothing left behind.
QString MakeBackup(const QString &dataRoot, const QString &dataFolder, const TStepFn &step, QString *error);

// The backups in dataRoot, newest first: every folder named as a backup that holds a manifest (or may not be
// looked into), those whose manifest is none a backup writes marked Damaged, those whose manifest cannot be read
// with their ReadError.
std::vector<TBackupInfo> ListBackups(const QString &dataRoot);
// A backup's files and their total size; false for a manifest no backup writes, or one that cannot be read
// (*readError, when given, is then the errno of the open, else 0).
bool ReadManifest(const QString &backupFolder, std::vector<TBackupFile> *files, qint64 *bytes, int *readError = nullptr);
// The message of a backup that cannot be restored because file, one of its files, cannot be read: the reason
// when error says one.
QString BackupUnreadableText(const QString &file, int error);

// Restores a backup: its data folders into dataRoot (replacing those folders whole), its settings files and
// "Category/" tables into dataFolder. Nothing is changed unless every file matched its manifest entry and was
// staged; a swap that fails half way is undone, and one a killed run left is undone by RecoverRestore. With
// namesRoot (a restore into another data folder, which becomes the data folder) the settings swapped in with the
// data name dataRoot as the data folder: the backup's, or the ones in use when the backup holds none.
bool RestoreBackup(const QString &backupFolder, const QString &dataRoot, const QString &dataFolder,
                   const TStepFn &step, QString *error, bool namesRoot = false);

enum class TRestoreRecovery {
    None,        // no restore was left unfinished
    NotStarted,  // one was stopped before it changed anything: the data are as they were
    Undone,      // one was stopped in its swap: the data it had replaced are back
    Completed,   // one had put every file in place: the restored data stay
    Failed,      // what was replaced could not all be put back (stuck names what)
};
// Settles what a killed restore left, as its journal in dataFolder records it, and removes its working folders.
// Start-up runs it before the settings are read.
TRestoreRecovery RecoverRestore(const QString &dataFolder, QString *stuck);
// Removes what killed backups and restores left behind: "yyyymmdd hhnnss.partial" folders and the working
// folders of a restore that no journal records.
void RemoveBackupLeftovers(const QString &dataRoot, const QString &dataFolder);
// Takes others' access away from what the program keeps in dataRoot and an earlier start left open to them: the
// folders of the books and the rest of the data, the backups and the safety copies, with all they hold. The
// start narrows a data root inside the data folder with the data folder; one the user chose elsewhere is the
// user's own folder, which keeps its mode, as does anything else the user keeps in it.
void NarrowDataRoot(const QString &dataRoot);
