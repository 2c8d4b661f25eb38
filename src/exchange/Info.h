// TInfoDialog: the information shown when the main window first appears, with the two start-up choices.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QTextBrowser;

class TInfoDialog : public QDialog {
    Q_OBJECT
public:
    // The boxes start as the settings stand: shown at start, update check at start.
    TInfoDialog(QWidget *owner, bool showInfo, bool checkUpdate);

    QTextBrowser *mmoInfo;
    QCheckBox *ckbInfo, *ckbUpdate;
    QPushButton *btnOk;

    bool GetShowInfo() const;
    bool GetCheckUpdate() const;
};
