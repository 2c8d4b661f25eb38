// The data install: the business directory data copied from the disc ("Mirvale18/" of DiscPath) to a folder
// the user chooses, into its "Dt00/", checked file by file, and recorded in "HddInst.ini" for
// InstalledDataLocation; the uninstall removes it again. Both change HddInstalled and HddDataFolder.
#pragma once

#include "exchange/BackupStore.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TWorkProgress;

// Copies discData (with "/") below folder + "Dt00/"; on success records the install and sets the globals.
// Nothing of a stopped or failed copy stays behind, and an earlier install is kept until the new one is whole.
bool InstallDirectoryData(const QString &discData, const QString &folder, const TStepFn &step, QString *error);
// Removes the installed data and the record of it.
bool UninstallDirectoryData(QString *error);

class THddInstall : public QDialog {
public:
    explicit THddInstall(QWidget *owner);

private:
    void updateState();
    void btnInstallClick();
    void btnUninstallClick();

    QLabel *lblState;
    QLineEdit *edtFolder;
    QPushButton *btnBrowse;
    TWorkProgress *pgWork;
    QPushButton *btnInstall, *btnUninstall, *btnClose;
};
