// The restore dialog: lists the backups of the data root, restores the chosen one over the data, or into
// another data folder, which then becomes the data folder.
#pragma once

#include "exchange/BackupStore.h"
#include "platform/MessageBox.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class TWorkProgress;

// At start, before the settings are loaded: settles a restore a killed run left in the data folder, and answers
// the box that tells the user what became of it (its text empty when there was none).
TMessageBoxRequest RecoverInterruptedRestore();

class TRestoreData : public QDialog {
public:
    explicit TRestoreData(QWidget *owner);

    // True after an OK when the restore also switched the data folder.
    bool GetChangeDataPath() const { return changeDataPath_; }
    // Restores the chosen backup (into targetRoot when given, else over the data); true when restored.
    bool Execute(int row, const QString &targetRoot = QString());

private:
    void fillList();
    void btnOKClick();

    QTreeWidget *lvBackup;
    QCheckBox *ckbChangePath;
    QLineEdit *edtDataPath;
    QPushButton *btnBrowse;
    TWorkProgress *pgWork;
    QPushButton *btnOK, *btnCancel;
    std::vector<TBackupInfo> backups_;
    bool changeDataPath_ = false;
};
