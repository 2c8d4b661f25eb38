// Output that takes a while to write (a printed PDF) goes to a hidden file beside the file it becomes, which
// takes that file's place only once whole: a job that is stopped, fails or is killed leaves the user's old file
// as it was. While a job writes, its destination stays named in the data folder's list of unfinished output, so
// the hidden file of a job killed on the way is known for ours and removed at the next start.
#pragma once

#include <QString>
#include <QTemporaryFile>

class TStagedFile {
public:
    // destination: the file the output becomes; the hidden file is ".<its name>.velmora-XXXXXX" in its folder.
    explicit TStagedFile(const QString &destination);
    // Removes the hidden file unless Commit put it in place.
    ~TStagedFile();
    TStagedFile(const TStagedFile &) = delete;
    TStagedFile &operator=(const TStagedFile &) = delete;

    // Makes the hidden file, empty and closed for the writer to open by its name; false when the folder takes
    // no new file.
    bool Open();
    QString FileName() const { return file_.fileName(); }
    // Puts the written file in the destination's place, with the permissions any new file of the user gets;
    // false when it cannot (the hidden file then goes, the destination stays as it was).
    bool Commit();

private:
    QString destination_;
    QTemporaryFile file_;
    bool recorded_ = false;
};

// Removes the hidden files of the jobs the list of unfinished output names, left by a process that was killed,
// and empties the list. Run at start, before any job; files that only look like ours are never touched.
void RemoveUnfinishedOutput();
