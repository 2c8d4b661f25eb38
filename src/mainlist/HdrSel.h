// THeaderSelect: which of the 44 list items the main list shows as columns, and in what order.
#pragma once

#include "mainlist/ListItems.h"

#include <QDialog>

#include <array>

class QLabel;
class QListWidget;
class QPushButton;

class THeaderSelect : public QDialog {
    Q_OBJECT
public:
    explicit THeaderSelect(QWidget *owner);

    QLabel *lblHeader;
    QListWidget *lvHeader;
    QPushButton *bbtnTop, *bbtnUp, *bbtnDown, *bbtnBottom;  // "Tag" 1 moves to the far end
    QPushButton *bbtnAll, *bbtnReView, *bbtnReSort;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // The dialog works on a copy; the caller's definitions change only through GetColumns.
    void SetColumns(const std::array<TColumnDef, ListItemCount> &defs);
    // The definitions in the dialog's order, each visible as its row is ticked.
    void GetColumns(std::array<TColumnDef, ListItemCount> &defs);

    void bbtnAllClick();
    void bbtnReViewClick();
    void bbtnReSortClick();
    void btnOkClick();
    void btnCancelClick();
    void lvHeaderDblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<TColumnDef, ListItemCount> Columns{};

    void fillList();
    void storeTicks();
};
