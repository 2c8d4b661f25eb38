// TEnvironment: the settings dialog. It writes the shared keys of "Mirvale18.ini" and the globals they feed,
// and reports what the main window must follow.
#pragma once

#include "mainlist/DataExchangeServices.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class TAddressList;

class TEnvironment : public QDialog {
    Q_OBJECT
public:
    explicit TEnvironment(TAddressList *owner);

    QLineEdit *edtDataPath;
    QPushButton *btnDataPath;
    QCheckBox *chkChooseBook;
    QSpinBox *spnHisCount;
    QCheckBox *chkChangeData, *chkFormClose, *chkConfirmation, *chkOutOfTarget, *chkSameNum;
    QCheckBox *chkBGPaint;
    QToolButton *btnBGColor;
    QComboBox *cbxMap, *cbxMapSearchKind, *cbxRoot;
    QLabel *lblHddState;
    QPushButton *btnHddInstall;
    QCheckBox *chkUpdateCheck;
    QPushButton *btnUpdate;
    QPushButton *btnOk, *btnCancel;

    int BGColor = 0;  // 0x00BBGGRR
    // What changed when OK was pressed.
    TEnvironmentResult Result;

    void btnOkClick();
    // The data install with its uninstall, in their own dialog; the state shown here follows it.
    void btnHddInstallClick();
    // The update check; an applied update that started the program again ends this one.
    void btnUpdateClick();

private:
    void showColour();
    void showHddState();
    TAddressList *owner_;
};

TEnvironmentResult RunEnvironmentDialog(TAddressList *owner);
