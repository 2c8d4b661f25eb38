// The shared settings of "Mirvale18.ini" read at start-up, the drive scan, and the check that the directory
// data can be reached.
#pragma once

#include <QList>
#include <QString>

class QWidget;
class TMemIniFile;

// Reads the shared sections into the program-wide globals; shows one box (owner's window) when no disc
// drive exists and the directory data was not installed.
void LoadSettings(QWidget *owner);

// The data root the settings name ([BASE] DataPath), or DataFolder's "Data/" when they name none that can be
// used (*reset then says so).
QString ReadDataRootFolder(const TMemIniFile &ini, bool *reset = nullptr);

// Sets the folders below DataRootFolder ("Adrs/", "Other/", …) from it.
void SetDataRootSubfolders();

// Drive kinds, as the callers' masks name them.
inline constexpr int dkFixed = 1, dkCdRom = 2, dkNetwork = 4;

struct TMountedDrive {
    QString RootPath;  // the mount point, without trailing "/" (except "/" itself)
    int Kind = dkFixed;
};

// The mounted file systems, classified: optical media as CD-ROM drives, network file systems as network drives.
QList<TMountedDrive> MountedDrives();
// Fills DiscDrives and DiscDriveCount with the drives of the kinds in mask, at most 26, in mount order.
void ListDrives(int mask);
void ListDrives(int mask, const QList<TMountedDrive> &drives);

// True when DiscPath holds the directory data; otherwise looks among the media mounted now and makes the first
// that holds it DiscPath: a disc put in after the start is mounted at a place of its own, which the drives listed
// at the start do not name.
bool FindDiscData();
bool FindDiscData(const QList<TMountedDrive> &drives);

// True when the directory data can be reached now; otherwise asks for it in a message box.
bool CheckDataLocation();
