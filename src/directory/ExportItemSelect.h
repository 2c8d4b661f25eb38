// TExportItemSelect and TCopyItemSet: which items a directory search writes to its CSV file, or the record form
// copies to the clipboard, and in which order. One dialog over two item tables.
#pragma once

#include "directory/ItemChoice.h"

#include <QDialog>

#include <span>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QVBoxLayout;

// The dialog works on a copy of the caller's choice; the caller's entries change only through GetItems.
class TItemSelectDialog : public QDialog {
    Q_OBJECT
public:
    QLabel *lblItem;
    QListWidget *lvItem;  // lvExportItem or lvCopyItem
    QPushButton *bbtnTop, *bbtnUp, *bbtnDown, *bbtnBottom;  // "Tag" 1 moves to the far end
    QPushButton *bbtnAll, *bbtnReSort;
    QPushButton *btnOk, *btnCancel;

    void bbtnAllClick();
    void bbtnReSortClick();
    void btnOkClick();
    void btnCancelClick();
    void lvItemDblClick();

protected:
    // What tells the two choices apart besides the copy's own option.
    struct TKind {
        const char *Name;  // objectName of the dialog
        int HelpContext;
        QString Caption, Prompt, ListName, AllCaption, EmptyMessage;
        std::span<const TItemDef> Table;
    };
    TItemSelectDialog(QWidget *owner, const TKind &kind);

    // Entries 0 … lastIndex become the list's rows in order, each ticked as it is chosen.
    void takeItems(const std::vector<TItemChoice> &entries, int lastIndex);
    // The entries in the list's order, each chosen as its row is ticked.
    void giveItems(std::vector<TItemChoice> &entries);
    // Places an option of the dialog under the list.
    void addOption(QWidget *option);
    // Enter in control is swallowed and moves the focus to OK, so it cannot close the dialog by accident.
    void enterMovesToOk(QWidget *control);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::span<const TItemDef> table_;
    QString emptyMessage_;
    std::vector<TItemChoice> Items;
    QVBoxLayout *options_;

    void fillList();
    void storeChecks();
};

class TExportItemSelect : public TItemSelectDialog {
    Q_OBJECT
public:
    explicit TExportItemSelect(QWidget *owner);
    ~TExportItemSelect() override;

    QListWidget *const lvExportItem;

    void SetItems(const std::vector<TItemChoice> &entries, int lastIndex);
    void GetItems(std::vector<TItemChoice> &entries);
};

class TCopyItemSet : public TItemSelectDialog {
    Q_OBJECT
public:
    explicit TCopyItemSet(QWidget *owner);
    ~TCopyItemSet() override;

    QListWidget *const lvCopyItem;
    QCheckBox *chkLastReturn;  // end the copied text with a line break

    void SetItems(const std::vector<TItemChoice> &entries, int lastIndex, bool lastReturn);
    void GetItems(std::vector<TItemChoice> &entries, bool &lastReturn);
    void chkLastReturnClick();
};

// The dialogs while they are open.
inline TExportItemSelect *ExportItemSelect = nullptr;
inline TCopyItemSet *CopyItemSet = nullptr;
