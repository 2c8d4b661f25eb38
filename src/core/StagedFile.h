// Output that takes a while to write (a printed PDF, a program file an update replaces) goes to a hidden file
// beside the file it becomes, which takes that file's place only once whole: a job that is stopped, fails or is
// killed leaves the user's old file as it was. While a job writes, its destination stays named in the data
// folder's list of unfinished output, so the hidden file of a job killed on the way is known for ours and removed
// at the next start.
#pragma once

#include <QFileDevice>
#include <QString>
#include <QTemporaryFile>

#include <optional>

class TStagedFile {
public:
    // destination: the file the output becomes, or the file its links lead to, which the output then replaces
    // (ReplacedFile); the hidden file is ".<its name>.velmora-XXXXXX" in its folder (OpenHiddenTemporary).
    explicit TStagedFile(const QString &destination);
    // Removes the hidden file unless Commit put it in place.
    ~TStagedFile();
    TStagedFile(const TStagedFile &) = delete;
    TStagedFile &operator=(const TStagedFile &) = delete;

    // Makes the hidden file, empty, for the writer to open by its name; false when the folder takes no new file.
    bool Open();
    QString FileName() const { return file_.fileName(); }
    // Puts the written file in the destination's place, with the given permissions or else those of the file it
    // replaces (those any new file of the user gets when there is none); false when it cannot (the hidden file
    // then goes, the destination stays as it was).
    bool Commit(std::optional<QFileDevice::Permissions> permissions = std::nullopt);

private:
    QString destination_;
    QTemporaryFile file_;  // open while the job lives: its lock keeps the clean-up of another start off it
    bool recorded_ = false;
};

// Names folder, about to be made for a data root, in the list of unfinished output: a kill before anything is
// kept in it leaves a folder holding only the root's lock, which the next start removes.
void RecordUnfinishedFolder(const QString &folder);
// The folder recorded is in use now.
void ForgetUnfinishedFolder(const QString &folder);

// Run at start, before any job: removes the hidden files of the jobs the list of unfinished output names, left by
// a process that was killed, and the folders it names that hold only a data root's lock no copy holds, and
// empties the list; then the hidden files of killed whole-file writes (ReplaceFileWhole) in the program's own
// folders: the data folder, the data root and the folders the program keeps in it. Files that only look like
// ours elsewhere are never touched, nor the files of writes another running copy has under way.
void RemoveUnfinishedOutput();
