// TDataFormDialog ("書式の設定"): the data-form half of the printed-items record — character conversions,
// company-type words, postal marks and honorifics.
#pragma once

#include "designers/PrintForm.h"

#include <QDialog>

class QAbstractButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QCheckBox;

class TDataFormDialog : public QDialog {
    Q_OBJECT
public:
    explicit TDataFormDialog(QWidget *owner);

    void SetDataForm(const TPrintForm &form);
    // Writes bytes 0-59 of form only.
    void GetDataForm(TPrintForm &form) const;
    // The letter-body designer: no receiver postal mark, no honorifics.
    void SetSenderOnly(bool senderOnly);
    // 2 label: no sender postal mark, the joint-name note shown; 3 card: no sender postal mark, no honorifics.
    void SetPrintKind(uint8_t kind);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void recolour();
    void disableHonorifics();

    QCheckBox *ckbTdfkn, *ckbChineseNumeral, *ckbVertNumeral, *ckbConnect;
    QRadioButton *rbNone, *rbOmittion, *rbFull;
    QLabel *lblPosMark, *lblSendPosMark;
    QRadioButton *rbPosNone, *rbPosMark, *rbPosHyphen;
    QRadioButton *rbSendPosNone, *rbSendPosMark, *rbSendPosHyphen;
    QGroupBox *gbxHonorific;
    QLineEdit *edDefHonor, *edCorpHonor, *edPostHonor, *edSenderHonor;
    QLabel *lblDefHonor, *lblCorpHonor, *lblPostHonor, *lblSenderHonor, *lblinfo;
};

// Checks the button of a three-way choice: the first for 0, the second for 1, the third for any other value.
void CheckChoice(uint32_t value, QRadioButton *first, QRadioButton *second, QRadioButton *third);
// 0 when the first is checked, 1 for the second, else 2.
uint32_t CheckedChoice(const QRadioButton *first, const QRadioButton *second);
// Enter moves on to the next control of the dialog, putting the caret after the text of an edit it reaches.
bool MoveOnEnter(QWidget *dialog, QEvent *event);
