// TInputList: the dialog that edits the six input-history lists of the data module behind the record form's
// drop-down lists, on copies that are written back only on OK.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;
class TShiftJisValidator;
class QTabBar;
class QWheelEvent;
class THistoryData;
class TUniEdit;

// The lists, numbered as the dialog's tabs and the bits of TInputList::GetChangedLists.
inline constexpr int ilDptmnt = 0;
inline constexpr int ilPost = 1;
inline constexpr int ilHonor = 2;
inline constexpr int ilKeyword1 = 3;  // keyword 6 of the record; ilKeyword2, ilKeyword3 follow
inline constexpr int InputListCount = 6;

// The histories come from DMMirvale18, whose six lists must exist (a book is open) while the dialog does.
class TInputList : public QDialog {
    Q_OBJECT
public:
    explicit TInputList(QWidget *owner);
    ~TInputList() override;

    QTabBar *tabctlInputList;
    QLabel *lblName;
    TUniEdit *edtName;
    QLabel *lblList;
    QListWidget *lbxList;
    QPushButton *bbtnAdd, *bbtnUpdate, *bbtnDelete, *bbtnUp, *bbtnDown;
    QPushButton *btnOk, *btnCancel;

    // Call before the dialog is shown.
    void SelectList(int list);
    // Bit n for each list n whose new contents are now in the data module and its file. Lists saved by an
    // OK whose other saves failed count too, so read it however the dialog ended.
    uint8_t GetChangedLists() const;

    void bbtnAddClick();
    void bbtnUpdateClick();
    void bbtnDeleteClick();
    void bbtnUpClick();
    void bbtnDownClick();
    void lbxListClick();
    void lbxListDblClick();
    void lbxListKeyPress();
    void edtNameKeyPress();
    void btnOkClick();
    void btnCancelClick();
    void tabctlInputListChanging(int list);
    void tabctlInputListChange(int list);
    // True when the wheel turned over a tab and switched the list.
    bool FormMouseWheel(QWheelEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void LoadListBox();
    void UpdateMoveButtons();
    bool SaveChangedLists();

    THistoryData &history(int list) const;
    QList<QByteArray> listBoxItems() const;
    QList<int> selectedPositions() const;
    int selectedCount() const;
    int indexOfName(const QByteArray &name) const;
    void exchangeItems(int a, int b);
    // edtName's byte limit and input method for the list.
    void applyListInput(int list);
    void focusNameAtEnd();
    void switchTab(int list);

    // Per list: the edited items (made when the list's tab is first left), the typed name and the selected
    // positions kept while another tab is shown, and whether it holds edits not yet saved.
    std::array<std::optional<QList<QByteArray>>, InputListCount> WorkingCopy;
    std::array<QString, InputListCount> KeptText;
    std::array<std::optional<QList<int>>, InputListCount> KeptSelection;
    std::array<bool, InputListCount> ChangedLists{};
    // The lists written back; the report the caller reads.
    std::array<bool, InputListCount> savedLists_{};
    // The tab whose list lbxList shows: the tab bar has already moved on when it reports a change.
    int shownList_ = 0;
    // The input limit of edtName, in Shift-JIS bytes: the longest text the shown list's history keeps.
    TShiftJisValidator *nameValidator_ = nullptr;  // the name box takes no more bytes than the list keeps
};

// The dialog while it runs.
inline TInputList *InputList = nullptr;

// Runs the dialog over owner with list's tab open and returns GetChangedLists, so the caller refills only the
// drop-down lists whose contents changed.
uint8_t EditInputLists(QWidget *owner, int list);
