// The ten group names of the open address book: their file "Group.dat" and the dialog that edits them.
#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class TUniEdit;

// Fills GroupNames from "Group.dat" of the book at CurrentAdrsIndex, defaults where a name is missing.
void LoadGroupNames();
// Writes GroupNames[1..10] to "Group.dat" of the book at CurrentAdrsIndex; throws EIniFileError when the
// file cannot be read or written, and the file is then unchanged.
void SaveGroupNames();

class TGruopEdit : public QDialog {
    Q_OBJECT
public:
    explicit TGruopEdit(QWidget *owner);
    ~TGruopEdit() override;

    QLabel *lblTitle;
    // Indexed by group number, 1 to 10, like GroupNames; entry 0 is unused.
    std::array<QLabel *, 11> lblGroup{};
    std::array<TUniEdit *, 11> edtGroup{};
    QPushButton *btnOk;
    QPushButton *btnCancel;

    bool NamesChanged = false;

    void btnOkClick();
    void btnCancelClick();
    void NextFocusKeyPress();
    void edtGroupExit(TUniEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool checkNames(const std::array<QString, 11> &names);
};
