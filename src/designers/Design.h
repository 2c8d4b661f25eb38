// TDesignForm: the letter-body designer, the message side of a postcard or a letter. It is the address
// designer's window over a postcard or letter paper without the receiver's and sender's places: free texts
// with the example sentences, pictures, figures, QR codes, sender blocks filled from the sender list and the
// page background, saved as ".gpd" documents in the design folder and printed with no record bound.
#pragma once

#include "designers/Layout.h"

class TDesignForm : public TLayoutForm {
    Q_OBJECT
public:
    explicit TDesignForm(QWidget *owner);

    // Puts a new sender block, filled from the document's sender, on the paper and selects it.
    void actSenderBlockExecute();

    // The focused sender block is moved and sized part by part while checked, as a whole otherwise.
    void actSenderPartModeExecute();
    void UpdateObjectActions() override;

    QAction *actSenderBlock = nullptr, *actSenderPartMode = nullptr;
};

// Installs the main list's maker of the window; the program calls it at start.
void RegisterDesignForm();
