// The backup dialog: copies the data of the data root and the settings files to a new dated backup folder.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TWorkProgress;

class TBackupData : public QDialog {
public:
    explicit TBackupData(QWidget *owner);

    // Makes the backup; true when it was made (the user was told either way).
    bool Execute();

private:
    QLabel *lblTarget;
    TWorkProgress *pgWork;
    QPushButton *btnOK, *btnCancel;
};
