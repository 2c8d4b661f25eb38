// TPrintMenuDialog: the start menu the designers show when they open: a new layout, an existing file, or the
// file edited last.
#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QPushButton;
class QRadioButton;

class TPrintMenuDialog : public QDialog {
public:
    explicit TPrintMenuDialog(QWidget *owner);

    // 0 address side, 1 labels, 2 business cards, 3 letter body.
    void SetKind(uint8_t kind);
    // 0 new, 1 open, 2 the last file; the last choice can be chosen only when it is offered.
    void SetChoice(uint8_t choice);
    uint8_t GetChoice() const;
    bool GetShowMenu() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void recolour();

    QRadioButton *rbNew, *rbOpen, *rbContinue;
    QCheckBox *ckbShowMenu;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
};

// The dialog while it is shown.
inline TPrintMenuDialog *PrintMenuDialog = nullptr;
