// Folder rules of the Linux port: where per-user data and configuration live, and path delimiters.
#pragma once

#include "base/FileModes.h"

#include <QString>

// Folder strings end with "/", as the program has always joined names onto them.
QString IncludeTrailingPathDelimiter(const QString &folder);
QString ExcludeTrailingPathDelimiter(const QString &folder);

// The per-user application-data folder ($XDG_DATA_HOME, default ~/.local/share), trimmed, with "/";
// empty when none can be determined.
QString GetAllUsersDataFolder();

// The configuration folders: $XDG_CONFIG_HOME (default ~/.config) and $XDG_CONFIG_DIRS (default /etc/xdg).
QString UserConfigFolder();
QStringList MachineConfigFolders();

// Where the file dialogs start when the user has not chosen a folder yet: the desktop's documents folder, the
// home folder when there is none, with "/"; empty when neither exists. A dialog given no folder would open in
// the folder the program was started from.
QString UserDocumentsFolder();

// Creates one folder level. The folder holds the user's data, so only the user may enter it (PrivateFolderMode)
// rather than everyone. True when the folder exists afterwards.
bool CreateFolderWithFullAccess(const QString &folder);

// Creates a folder with all missing parents, each made with the mode of its access (MakeFolder); the folders
// there already keep theirs. True when it exists afterwards.
bool ForceDirectories(const QString &folder, TFileAccess access = TFileAccess::Private);

bool DirectoryExists(const QString &folder);
bool FileExists(const QString &file);

// A path read from a file that names a file below some folder: relative, "/"-separated, without "." or ".." or
// empty parts, and without control characters or line breaks, which no file of ours is named with and which
// would break the lists the name is written to.
bool IsPlainRelativePath(const QString &path);
