#include "core/StagedFile.h"

#include "base/FileReplace.h"
#include "core/Globals.h"
#include "core/Main.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString listFile() { return DataFolder.isEmpty() ? QString() : DataFolder + QStringLiteral("Unfinished.lst"); }

QStringList recorded()
{
    QFile file(listFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A list that cannot be written costs only the clean-up after a kill, so the job goes on without it.
bool record(const QStringList &destinations)
{
    if (listFile().isEmpty())
        return false;
    if (destinations.isEmpty())
        return QFile::remove(listFile()) || !QFileInfo::exists(listFile());
    return ReplaceFileWhole(listFile(), destinations.join(QLatin1Char('\n')).toUtf8() + '\n');
}

}  // namespace

TStagedFile::TStagedFile(const QString &destination) : destination_(ReplacedFile(destination)) {}

TStagedFile::~TStagedFile()
{
    // The file goes before its record does.
    if (file_.autoRemove())
        file_.remove();
    if (!recorded_)
        return;
    // One entry goes: another job may write to the same name.
    QStringList destinations = recorded();
    destinations.removeOne(destination_);
    record(destinations);
}

bool TStagedFile::Open()
{
    // The name is recorded before the file exists, so no moment leaves a hidden file nobody knows of.
    recorded_ = record(recorded() << destination_);
    if (!OpenHiddenTemporary(file_, destination_))
        return false;
    // Named now, for the writer to open.
    return !file_.fileName().isEmpty();
}

bool TStagedFile::Commit(std::optional<QFileDevice::Permissions> permissions)
{
    // Output is the user's file at a place they chose: the mode of the file it replaces, or the umask's.
    return (!permissions || file_.setPermissions(*permissions))
           && CommitReplacement(file_, destination_, TFileAccess::UsersDefault, !permissions);
}

namespace {

QString recordedFolder(const QString &folder) { return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); }

}  // namespace

void RecordUnfinishedFolder(const QString &folder) { record(recorded() << recordedFolder(folder)); }

void ForgetUnfinishedFolder(const QString &folder)
{
    QStringList folders = recorded();
    if (folders.removeAll(recordedFolder(folder)) > 0)
        record(folders);
}

void RemoveUnfinishedOutput()
{
    for (const QString &destination : recorded()) {
        const QFileInfo info(destination);
        if (info.isDir()) {
            // A move killed before the settings named its folder: the lock, the folders it made and the
            // histories it copied there are all it left.
            RemoveKilledWrites(destination + QStringLiteral("/History"));
            QStringList made{QStringLiteral("History/"), QStringLiteral("Other/")};
            for (const QString &history : DefaultHistoryFiles)
                made << QStringLiteral("History/") + history;
            RemoveUnusedDataRoot(destination, made);
        }
        else
            RemoveKilledWrites(info.absolutePath(), info.fileName());
    }
    record({});
    if (DataFolder.isEmpty())
        return;
    // One copy of the program runs on a data folder and its data root: no write of ours is under way in them now.
    QStringList folders{DataFolder};
    if (!DataRootFolder.isEmpty()) {
        folders << DataRootFolder << AdrsFolder << OtherFolder << HistoryFolder << LayoutFolder << LabelFolder << CardFolder
                << DesignFolder;
        for (const QString &book : QDir(AdrsFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            folders << AdrsFolder + book + QLatin1Char('/');
    }
    for (const QString &folder : folders)
        if (!folder.isEmpty())
            RemoveKilledWrites(folder);
}
