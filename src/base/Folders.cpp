#include "base/Folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cerrno>

QString IncludeTrailingPathDelimiter(const QString &folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

QString ExcludeTrailingPathDelimiter(const QString &folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith('/'))
        f.chop(1);
    return f;
}

static QString homeRelative(const char *variable, const char *fallbackBelowHome)
{
    QString dir = qEnvironmentVariable(variable).trimmed();
    if (dir.isEmpty() || !QDir::isAbsolutePath(dir)) {
        const QString home = QDir::homePath();
        if (home.isEmpty())
            return {};
        dir = home + '/' + QLatin1String(fallbackBelowHome);
    }
    return IncludeTrailingPathDelimiter(dir);
}

QString GetAllUsersDataFolder() { return homeRelative("XDG_DATA_HOME", ".local/share"); }

QString UserConfigFolder() { return homeRelative("XDG_CONFIG_HOME", ".config"); }

QString UserDocumentsFolder()
{
    for (const QStandardPaths::StandardLocation location : {QStandardPaths::DocumentsLocation, QStandardPaths::HomeLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && DirectoryExists(folder))
            return IncludeTrailingPathDelimiter(folder);
    }
    return {};
}

QStringList MachineConfigFolders()
{
    QStringList out;
    for (const QString &dir : qEnvironmentVariable("XDG_CONFIG_DIRS").split(':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            out << IncludeTrailingPathDelimiter(dir);
    if (out.isEmpty())
        out << QStringLiteral("/etc/xdg/");
    return out;
}

bool CreateFolderWithFullAccess(const QString &folder)
{
    return DirectoryExists(folder) || MakeFolder(folder);
}

bool ForceDirectories(const QString &folder, TFileAccess access)
{
    if (folder.isEmpty())
        return false;
    // The missing levels, outermost first; each is made on its own, so each gets the mode.
    QStringList missing;
    for (QString f = QDir::cleanPath(QDir(folder).absolutePath()); !QFileInfo(f).isDir();) {
        missing.prepend(f);
        const QString parent = QFileInfo(f).path();
        if (parent == f)
            break;
        f = parent;
    }
    // Another process making the same level meanwhile leaves it made all the same.
    for (const QString &level : missing)
        if (!MakeFolder(level, access) && errno != EEXIST)
            return false;
    return DirectoryExists(folder);
}

bool DirectoryExists(const QString &folder) { return !folder.isEmpty() && QFileInfo(folder).isDir(); }

bool FileExists(const QString &file) { return !file.isEmpty() && QFileInfo(file).isFile(); }

bool IsPlainRelativePath(const QString &path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path) || path.contains(QLatin1Char('\\')))
        return false;
    const bool odd = std::any_of(path.begin(), path.end(), [](QChar c) {
        const QChar::Category kind = c.category();
        return kind == QChar::Other_Control || kind == QChar::Separator_Line || kind == QChar::Separator_Paragraph;
    });
    const QStringList parts = path.split(QLatin1Char('/'));
    return !odd && !parts.contains(QStringLiteral("..")) && !parts.contains(QStringLiteral(".")) && !parts.contains(QString());
}
