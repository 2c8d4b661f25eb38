#include "core/Settings.h"

#include "base/Folders.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QStorageInfo>
#include <QWidget>

namespace {

// The range tests are unsigned, so a negative value is out of range too.
int readRanged(const TMemIniFile &ini, const QString &section, const QString &key, int def, unsigned max)
{
    const int v = ini.ReadInteger(section, key, def);
    return static_cast<unsigned>(v) <= max ? v : def;
}

uint8_t readFlag(const TMemIniFile &ini, const QString &section, const QString &key, bool def)
{
    return ini.ReadBool(section, key, def) ? 1 : 0;
}

bool isOptical(const QByteArray &type) { return type == "iso9660" || type == "udf"; }

bool isNetwork(const QByteArray &type)
{
    static const QList<QByteArray> kinds = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "afs",
                                            "fuse.sshfs", "sshfs", "ncpfs", "davfs", "fuse.davfs2"};
    return kinds.contains(type);
}

}  // namespace

QList<TMountedDrive> MountedDrives()
{
    QList<TMountedDrive> out;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QByteArray type = volume.fileSystemType();
        const int kind = isOptical(type) ? dkCdRom : isNetwork(type) ? dkNetwork : dkFixed;
        out << TMountedDrive{ExcludeTrailingPathDelimiter(volume.rootPath()), kind};
    }
    return out;
}

void ListDrives(int mask, const QList<TMountedDrive> &drives)
{
    DiscDrives.clear();
    for (const TMountedDrive &d : drives) {
        if (DiscDrives.size() == 26)
            break;
        if (d.Kind & mask)
            DiscDrives << d.RootPath;
    }
    DiscDriveCount = DiscDrives.size();
}

void ListDrives(int mask) { ListDrives(mask, MountedDrives()); }

QString ReadDataRootFolder(const TMemIniFile &ini, bool *reset)
{
    QString folder = ini.ReadString(QStringLiteral("BASE"), QStringLiteral("DataPath"), QString());
    const bool unusable = folder.isEmpty() || !QDir::isAbsolutePath(folder) || !DirectoryExists(folder)
                          || IncludeTrailingPathDelimiter(folder).size() > 200;
    if (unusable)
        folder = DataFolder + QStringLiteral("Data/");
    if (reset)
        *reset = unusable;
    return IncludeTrailingPathDelimiter(folder);
}

void SetDataRootSubfolders()
{
    AdrsFolder = DataRootFolder + QStringLiteral("Adrs/");
    OtherFolder = DataRootFolder + QStringLiteral("Other/");
    HistoryFolder = DataRootFolder + QStringLiteral("History/");
    LayoutFolder = DataRootFolder + QStringLiteral("Layout/");
    LabelFolder = DataRootFolder + QStringLiteral("Label/");
    CardFolder = DataRootFolder + QStringLiteral("Card/");
    DesignFolder = DataRootFolder + QStringLiteral("Design/");
}

void LoadSettings(QWidget *owner)
{
    const QString iniName = DataFolder + SettingsFileName;
    FirstRun = FileExists(iniName) ? 0 : 1;
    TMemIniFile ini(iniName);
    if (ini.ReadFailed())
        ShowMessageBoxAt(owner ? owner->window() : nullptr,
                         QStringLiteral("設定ファイルを読み込めません  \r\n既定の設定で起動します  \r\n\r\n")
                             + QDir::toNativeSeparators(iniName) + QStringLiteral("\r\n") + ini.ReadError(),
                         AppTitle, MB_ICONWARNING, mbpSystem);

    UpdateDomain = ini.ReadString(QStringLiteral("UPDATE PARAMETER"), QStringLiteral("Domain"), UpdateDomain);
    UpdateCheckPath = ini.ReadString(QStringLiteral("UPDATE PARAMETER"), QStringLiteral("Path"), QStringLiteral("/check/"));
    UpdateAppPath = ini.ReadString(QStringLiteral("UPDATE PARAMETER"), QStringLiteral("App"), QStringLiteral("/app/"));

    const QString hiddenPath = ini.ReadString(QStringLiteral("HIDDEN PARAMETER"), QStringLiteral("Path"), QString());
    DiscPath.clear();
    if (DirectoryExists(hiddenPath))
        DiscPath = ExcludeTrailingPathDelimiter(hiddenPath);
    SearchDriveExtend = readFlag(ini, QStringLiteral("HIDDEN PARAMETER"), QStringLiteral("SearchDriveExtend"), false);
    EnableVicinage = readFlag(ini, QStringLiteral("HIDDEN PARAMETER"), QStringLiteral("EnableVicinage"), false);

    ListDrives(SearchDriveExtend ? (dkCdRom | dkNetwork) : dkCdRom);
    if (DiscPath.isEmpty() && HddInstalled == 0 && DiscDriveCount == 0)
        ShowMessageBoxAt(owner ? owner->window() : nullptr,
                         QStringLiteral("使用可能な CD-ROM/DVD-ROM ドライブが検出できませんでした  \r\n"
                                        "ディスクを使用した検索は利用できません  "),
                         AppTitle, MB_ICONINFORMATION, mbpSystem);
    if (DiscPath.isEmpty()) {
        DiscPath = ini.ReadString(QStringLiteral("BASE"), QStringLiteral("CD"), QString());
        if (DiscPath.isEmpty())
            DiscPath = DiscDriveCount > 0 ? DiscDrives.first() : QString();
        else
            DiscPath = ExcludeTrailingPathDelimiter(DiscPath);
    }

    bool reset = false;
    DataRootFolder = ReadDataRootFolder(ini, &reset);
    DataPathReset = reset ? 1 : 0;
    ForceDirectories(DataRootFolder);

    if (DataPathReset) {
        CurrentAdrsName = QStringLiteral("アドレス");
        ChooseBookAtStart = 1;
    } else {
        CurrentAdrsName = ini.ReadString(QStringLiteral("BASE"), QStringLiteral("AdrsName"), QString());
        if (CurrentAdrsName.isEmpty()) {
            CurrentAdrsName = QStringLiteral("アドレス");
            ChooseBookAtStart = 1;
        }
    }

    SetDataRootSubfolders();

    HistoryCount = readRanged(ini, QStringLiteral("OPERATION"), QStringLiteral("HisCount"), 10, 30);
    AddressChangeData = readFlag(ini, QStringLiteral("ADDRESS"), QStringLiteral("ChangeData"), true);
    AddressFormClose = readFlag(ini, QStringLiteral("ADDRESS"), QStringLiteral("FormClose"), true);
    AddressConfirmation = readFlag(ini, QStringLiteral("ADDRESS"), QStringLiteral("Confirmation"), true);
    AddressOutOfTarget = readFlag(ini, QStringLiteral("ADDRESS"), QStringLiteral("OutOfTarget"), true);
    AddressSameNum = readFlag(ini, QStringLiteral("ADDRESS"), QStringLiteral("SameNum"), true);
    ViewBGPaint = readFlag(ini, QStringLiteral("VIEW"), QStringLiteral("BGPaint"), true);
    ViewBGColor = ini.ReadInteger(QStringLiteral("VIEW"), QStringLiteral("BGColor"), 14680047);
    CooperateMap = readRanged(ini, QStringLiteral("COOPERATE"), QStringLiteral("Map"), 2, 9);
    CooperateMapSearchKind = readRanged(ini, QStringLiteral("COOPERATE"), QStringLiteral("MapSearchKind"), 0, 1);
    CooperateRoot = readRanged(ini, QStringLiteral("COOPERATE"), QStringLiteral("Root"), 0, 1);
    UpdateCheckAtStart = readFlag(ini, QStringLiteral("UPDATE"), QStringLiteral("UpdateCheck"), true);

    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_LOCAL_MACHINE;
    if (reg.OpenKeyReadOnly(QStringLiteral("SOFTWARE\\Tzo\\Mirvale\\18.0"))) {
        StartupPassword = reg.ReadString(QStringLiteral("Type"));
        reg.CloseKey();
    }
}

bool FindDiscData(const QList<TMountedDrive> &drives)
{
    const auto holdsData = [](const QString &path) {
        return !path.isEmpty() && DirectoryExists(path + QStringLiteral("/Mirvale18/"));
    };
    if (holdsData(DiscPath))
        return true;
    ListDrives(SearchDriveExtend ? (dkCdRom | dkNetwork) : dkCdRom, drives);
    for (const QString &drive : DiscDrives)
        if (holdsData(drive)) {
            DiscPath = drive;
            return true;
        }
    return false;
}

bool FindDiscData() { return FindDiscData(MountedDrives()); }

bool CheckDataLocation()
{
    QWidget *owner = QApplication::activeWindow();
    if (HddInstalled) {
        if (DirectoryExists(HddDataFolder + QStringLiteral("Dt00/")))
            return true;
        ShowMessageBoxAt(owner, QStringLiteral("Velmora の電話帳データがHDD内に見つかりません  \r\n確認してください  "),
                         AppTitle, MB_ICONINFORMATION, mbpSystem);
        return false;
    }
    if (FindDiscData())
        return true;
    ShowMessageBoxAt(owner, QStringLiteral("Velmora のディスクを入れてください  "), AppTitle, MB_ICONINFORMATION,
                     mbpSystem);
    return false;
}
