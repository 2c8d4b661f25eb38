// The start-up password: its descrambling and the dialog that asks for it before any address book opens.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

struct TStartupPassword {
    QString Password;  // the half-width password; empty when none is set
    bool Malformed = false;  // the stored value is not 16 groups of 4 hexadecimal digits
    // A malformed stored value still protects the program: the dialog is shown and no entry is accepted.
    bool Required() const { return Malformed || !Password.isEmpty(); }
};

TStartupPassword DescrambleStartupPassword(const QString &stored);

class TInputPassword : public QDialog {
    Q_OBJECT
public:
    explicit TInputPassword(QWidget *owner);

    QLabel *lblMsg1;
    QLabel *lblMsg2;
    QLineEdit *medtPassword;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    void btnOkClick();
    void btnCancelClick();

protected:
    void reject() override;

private:
    bool FormCloseQuery();
};
