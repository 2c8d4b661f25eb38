// Program-wide state set at start-up and by the settings loader, read by every window.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

class TMainForm;
class TSplashForm;
class TInputPassword;

// One address book: its shown name, its folder below AdrsFolder, and what is pending on it.
inline constexpr uint8_t abReady = 0;
inline constexpr uint8_t abDeletePending = 1;
inline constexpr uint8_t abRenamePending = 2;

struct TAdrsFolderInfo {
    QString Name;  // empty while a delete is pending; the final new name while a rename is pending
    QString Folder;
    uint8_t State = abReady;
    bool operator==(const TAdrsFolderInfo &) const = default;
};

// Folders, each with a trailing "/".
inline QString AppFolder;
inline QString DataFolder;
inline QString CategoryFolder;
inline QString DataRootFolder;
inline QString AdrsFolder, OtherFolder, HistoryFolder, LayoutFolder, LabelFolder, CardFolder, DesignFolder;

// Where the directory data was installed on the hard disk.
inline uint8_t HddInstalled = 0;
inline QString HddDataFolder;

inline uint8_t ViewSplash = 1;
inline uint8_t FirstRun = 0;
inline uint8_t DataPathReset = 0;
inline uint8_t ChooseBookAtStart = 0;

inline QString UpdateDomain = QStringLiteral("update.velmora.jp");
inline QString UpdateCheckPath = QStringLiteral("/check/");
inline QString UpdateAppPath = QStringLiteral("/app/");

// Where the directory data disc is read: a folder without trailing "/" (a mount point replaces a drive).
inline QString DiscPath;
inline uint8_t SearchDriveExtend = 0;
inline uint8_t EnableVicinage = 0;
inline QStringList DiscDrives;  // at most 26
inline int DiscDriveCount = 0;

inline QString CurrentAdrsName;
inline std::vector<TAdrsFolderInfo> AdrsBookList;
// The most records an address book holds.
inline constexpr int MaxAdrsRecords = 100000;
inline int CurrentAdrsIndex = -1;
// The group names of the open book; entry 0 stands for "no group".
inline std::array<QString, 11> GroupNames{QStringLiteral("指定なし")};
// The user's names of the eight keyword fields and the input-method mode of each (6 hiragana, 8 full-width
// katakana, 5 full-width alphanumeric, 7 half-width katakana, 1 off); shared by every book.
inline std::array<QString, 8> KeywordNames{
    QStringLiteral("キーワード１"), QStringLiteral("キーワード２"), QStringLiteral("キーワード３"),
    QStringLiteral("キーワード４"), QStringLiteral("キーワード５"), QStringLiteral("キーワード６"),
    QStringLiteral("キーワード７"), QStringLiteral("キーワード８")};
inline std::array<uint8_t, 8> KeywordModes{6, 6, 6, 6, 6, 6, 6, 6};

// The marks a record can carry in the list, in the order the record form offers them.
inline const std::array<QString, 6> MarkSymbols{QStringLiteral("●"), QStringLiteral("▲"), QStringLiteral("▼"),
                                                QStringLiteral("■"), QStringLiteral("◆"), QStringLiteral("★")};

inline int HistoryCount = 10;
inline uint8_t AddressChangeData = 1, AddressFormClose = 1, AddressConfirmation = 1, AddressOutOfTarget = 1,
               AddressSameNum = 1;
inline uint8_t ViewBGPaint = 1;
inline int ViewBGColor = 14680047;  // 0x00BBGGRR
inline int CooperateMap = 2, CooperateMapSearchKind = 0, CooperateRoot = 0;
inline uint8_t UpdateCheckAtStart = 1;
inline QString StartupPassword;  // as stored, scrambled

inline TMainForm *MainForm = nullptr;
inline TSplashForm *SplashForm = nullptr;
inline TInputPassword *InputPasswordForm = nullptr;

// The settings file of the data folder.
inline const QString SettingsFileName = QStringLiteral("Mirvale18.ini");
