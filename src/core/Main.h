// Start-up and shut-down: the entry steps, the hidden main form and its start message.
#pragma once

#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QApplication;
class TDMMirvale18;
class TPDFHelp;

// The name of the single-instance guard.
inline const QString InstanceName = QStringLiteral("Velmora18.Instance");

class TMainForm : public QWidget {
    Q_OBJECT
public:
    TMainForm();
    ~TMainForm() override;

    void FormCreate();
    void WMStartup();
    // The application's help handler: opens the operation guide at the page of the help context.
    bool AppHelp(int command, int data);

    TPDFHelp *PDFHelp() const { return pdfHelp_.get(); }
    // The main list while it runs.
    QWidget *MainList() const { return mainList_; }

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<TPDFHelp> pdfHelp_;
    std::unique_ptr<TDMMirvale18> dataModule_;
    QWidget *mainList_ = nullptr;
};

// The main list belongs to the part of the program built on this one: the program installs its maker at start.
// Start-up runs the window it makes modally, until it closes.
inline std::function<std::unique_ptr<QWidget>()> MakeMainList;

// Work a killed run left half done in the data folder is settled before the settings are loaded (a restore's swap
// is undone), under the hold of the data root they name and in the start's turn (TStartTurn); what it did is
// told once the start holds the data root the settings then name (an empty text tells nothing). What killed work
// left behind (backups and restores cut short, a killed rewrite's or repair's files, hidden files of killed
// prints) is removed once the data folders are known, before any book is opened. Both belong to a part built on
// this one: the program installs them at start.
inline std::function<TMessageBoxRequest()> RecoverInterruptedWork;
inline std::function<void()> RemoveWorkLeftovers;

// The data folder: $XDG_DATA_HOME/Oxa/Mirvale18/, or AppFolder when it cannot be made. Every folder made on the
// way (the data home too, when it is missing) is the user's alone.
QString FindDataFolder();
// An earlier start left the data folder and all it made there open to every local user: the next start takes
// the others' access away (NarrowLeftOpen), from all but a data root the user chose there ([BASE] DataPath),
// which keeps its own mode while the folders the program made in it are narrowed.
void NarrowDataFolder();
// Where the directory data was installed on the hard disk: sets HddInstalled and HddDataFolder.
void InstalledDataLocation();
void LocateInstalledData();
void CopyDefaultCategoryTables();
// Copies the shipped histories into HistoryFolder where they are missing; one that cannot be copied is skipped,
// as missing histories start empty.
void CopyDefaultHistoryFiles();
// The histories every data root starts with, copied from the program's own (Common/History/).
inline const QStringList DefaultHistoryFiles = {QStringLiteral("Post.mtd"), QStringLiteral("Honor.mtd")};
// Writes root into [BASE] DataPath of settingsFile; false when it could not be saved.
bool WriteDataPath(const QString &settingsFile, const QString &root);
// Writes DataRootFolder into [BASE] DataPath of the settings file; false when it could not be saved.
bool SaveDataPath();

// This copy's hold on its data root, taken at start: no other copy runs over the same books, nor over books
// inside or around them. It follows the data root when the settings or a restore move it.
inline std::unique_ptr<TInstanceGuard> DataRootHold;

// A move of the data root to another folder, by the settings or a restore. The hold on the new root is reserved
// before anything changes; a move given up (the object goes without Complete) removes what it made there and
// leaves the root free again.
class TDataRootMove {
public:
    TDataRootMove() = default;
    ~TDataRootMove();
    TDataRootMove(const TDataRootMove &) = delete;
    TDataRootMove &operator=(const TDataRootMove &) = delete;

    // False, having told the user over owner, when another running copy holds root, or one inside or around it,
    // or no hold on it can be had; nothing is made then.
    bool Reserve(QWidget *owner, const QString &root);
    // Makes the reserved root's folders and copies the shipped histories there, so that a disk without room for
    // them, or a folder the program cannot write, refuses the move before the settings name the root: false,
    // having told the user over owner why (a full disk, a folder that cannot be written, by name).
    bool Prepare(QWidget *owner);
    // The data root has moved: the hold reserved becomes this copy's (DataRootHold), and the old root is free.
    void Complete();

private:
    QString root_;
    std::unique_ptr<TInstanceGuard> reserved_;
    QStringList made_;  // folders and files the move made, in the order made
    bool completed_ = false;
};

// The help context F1 asks for in a window: the widget's own, or the nearest of those it stands in; 0, the guide's
// first page, where none has one.
int HelpContextOf(const QWidget *widget);

// The entry function's steps after the application object exists; returns the process exit code.
int RunVelmora(QApplication &app);
