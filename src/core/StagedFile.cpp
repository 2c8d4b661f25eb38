#include "core/StagedFile.h"

#include "base/FileReplace.h"
#include "core/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>

namespace {

const QString HiddenMark = QStringLiteral(".velmora-");

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

QString hiddenPrefix(const QFileInfo &destination)
{
    return destination.absolutePath() + QStringLiteral("/.") + destination.fileName() + HiddenMark;
}

}  // namespace

TStagedFile::TStagedFile(const QString &destination)
    : destination_(QFileInfo(destination).absoluteFilePath()),
      file_(hiddenPrefix(QFileInfo(destination)) + QStringLiteral("XXXXXX"))
{
}

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
    if (!file_.open())
        return false;
    file_.close();
    return true;
}

bool TStagedFile::Commit()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const QByteArray name = QFile::encodeName(file_.fileName());
    ::chmod(name.constData(), 0666 & ~mask);
    if (std::rename(name.constData(), QFile::encodeName(destination_).constData()) != 0)
        return false;
    file_.setAutoRemove(false);
    return true;
}

void RemoveUnfinishedOutput()
{
    for (const QString &destination : recorded()) {
        // The name compared as it is: a wildcard pattern would read brackets in the user's file name.
        const QFileInfo info(destination);
        QDir folder(info.absolutePath());
        const QString prefix = QLatin1Char('.') + info.fileName() + HiddenMark;
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
            if (name.size() == prefix.size() + 6 && name.startsWith(prefix))
                folder.remove(name);
    }
    record({});
}
