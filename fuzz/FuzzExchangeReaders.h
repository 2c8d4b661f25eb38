// The fuzz targets' readers of data exchange (see FuzzReaders.h for the contract): a backup's manifest and the
// update list, each read where the program reads it, inside the process's own folder.
#pragma once

#include "FuzzInput.h"

#include "core/Globals.h"
#include "exchange/BackupStore.h"
#include "exchange/UpdDlg.h"
#include "platform/MemIniFile.h"

#include <QMap>

#include <vector>

namespace fuzz {

// The manifest of a backup folder in a data root: listed as the restore dialog lists the backups, then
// restored (which reads it again and stops at the first file, none of which is there).
inline bool BackupManifest(const uint8_t *data, size_t size)
{
    const QString root = Folder() + QStringLiteral("Backups/");
    const QString backup = root + QStringLiteral("20261207 120000/");
    InputFile(QStringLiteral("Backups/20261207 120000/") + ManifestFileName, bytesOf(data, size));
    const std::vector<TBackupInfo> listed = ListBackups(root);
    std::vector<TBackupFile> files;
    qint64 bytes = 0;
    const bool read = ReadManifest(backup, &files, &bytes);
    // Every manifest is listed, one that does not read as damaged.
    Require(listed.size() == 1 && listed[0].Damaged == !read, "a manifest is not listed as it reads");
    if (!read)
        return false;
    if (!files.empty()) {
        QString error;
        RestoreBackup(backup, root, Folder() + QStringLiteral("Settings/"),
                      [](qint64, qint64) { return true; }, &error);
    }
    return true;
}

// Writes every listed name with its version as the updater records an installed file, and reads them back.
// Names that differ only in case share one key of the case-insensitive file: they are left out.
inline void RequireInstalledNames(const std::vector<TUpdateFile> &files)
{
    const QString section = QStringLiteral("FILES");
    QMap<QString, int> uses;
    for (const TUpdateFile &f : files)
        ++uses[f.Name.toCaseFolded()];
    TMemIniFile installed(QString{});
    for (const TUpdateFile &f : files)
        installed.WriteString(section, f.Name, QString::number(f.Version));
    TMemIniFile written(QString{});
    try {
        written.SetText(installed.GetText());
    } catch (const EIniFileError &) {
        Require(false, "a listed name cannot be written to Installed.ini");
    }
    for (const TUpdateFile &f : files)
        Require(uses[f.Name.toCaseFolded()] > 1 ||
                    written.ReadString(section, f.Name, QString()) == QString::number(f.Version),
                "a listed name does not read back from Installed.ini");
}

// The update list, fetched by the update dialog from a file URL; the listed files are then compared with the
// installed ones (an empty program folder), and each name must survive as the key the updater keeps its
// version under in "update/Installed.ini". The folders and the server are the program's again afterwards.
inline bool UpdateList(const uint8_t *data, size_t size)
{
    const QString app = AppFolder, dataFolder = DataFolder, domain = UpdateDomain, checkPath = UpdateCheckPath;
    AppFolder = Folder() + QStringLiteral("App/");
    DataFolder = Folder() + QStringLiteral("Data/");
    UpdateDomain = QStringLiteral("file://") + Folder();
    UpdateCheckPath = QStringLiteral("check/");
    InputFile(QStringLiteral("check/update.xml"), bytesOf(data, size));
    bool read = false;
    {
        TUpdateDialog dialog(nullptr);
        read = dialog.CheckUpdate();
        if (read) {
            dialog.MarkNewerFiles();
            RequireInstalledNames(dialog.Files());
        }
    }
    AppFolder = app;
    DataFolder = dataFolder;
    UpdateDomain = domain;
    UpdateCheckPath = checkPath;
    return read;
}

}  // namespace fuzz
