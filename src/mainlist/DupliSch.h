// TDuplicateSearch: chooses the one or two items by which the main list shows only duplicated records.
#pragma once

#include "mainlist/RecordListing.h"

#include <QDialog>
#include <QString>

#include <array>

class QLabel;
class QPushButton;
class TUniComboBox;

// Item n (1..DuplicateItemCount) of the duplicate display is entry n - 1.
extern const std::array<QString, DuplicateItemCount> DuplicateItemNames;

class TDuplicateSearch : public QDialog {
    Q_OBJECT
public:
    explicit TDuplicateSearch(QWidget *owner);

    QLabel *lblMsg1, *lblMsg2, *lblMsg3, *lblMsg4;
    QLabel *lblItem1, *lblItem2;
    TUniComboBox *cbxItem1;
    TUniComboBox *cbxItem2;
    QPushButton *btnView;
    QPushButton *btnClear;
    QPushButton *btnCancel;

    bool Cleared = false;
    int GivenItem1 = 0;
    int GivenItem2 = 0;

    // item1: 0 off, else 1..DuplicateItemCount; item2: 0 none, else 1..DuplicateItemCount.
    void SetItems(int item1, int item2);
    // (0, 0) when the display was switched off.
    void GetItems(int &item1, int &item2) const;

    void btnViewClick();
    void btnClearClick();
    void btnCancelClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
