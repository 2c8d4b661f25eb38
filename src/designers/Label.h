// TLabelForm: the label and business-card window. It is the address designer over one label of a label sheet
// or one card of a business-card sheet: the receiver's fixed objects bound to the main list's record, the free
// objects, printed many-up from the wizard's start position with its prints per record, ".gpa" documents in
// the label folder and ".gpc" in the card folder. Its mode is fixed when it is made.
#pragma once

#include "designers/Layout.h"

#include <QDialog>

class QListWidget;

class TLabelForm : public TLayoutForm {
    Q_OBJECT
public:
    TLabelForm(QWidget *owner, bool cardMode);

    bool IsCardMode() const override { return Layout.Kind == CardDocument; }
    bool ChoosePaper(TPaperChoice &choice, bool change) override;
};

// The paper choice of the label window: the label sheets (paper kind 2) or the business-card sheets (kind 3)
// of "Lyt.fmt" by their names, which give their sizes and places, then the user's own papers of the kind from
// "CstmL.fmt", each laid out by its own sheet record there.
class TLabelPaperDialog : public QDialog {
    Q_OBJECT
public:
    TLabelPaperDialog(QWidget *owner, uint8_t paperKind);
    // Selects the paper numbered number (minus the id of a user paper) when it is listed.
    void SelectFormatByNumber(int number);
    // The selected paper; false when none is.
    bool GetChoice(TLayoutForm::TPaperChoice &choice) const;

    QListWidget *lbPaper = nullptr;

private:
    TMasterFormats Master;
    TCustomFormats Custom;
};

// Installs the main list's maker of the window; the program calls it at start.
void RegisterLabelForm();
