// TOriginalEdit ("項目の作成"): the user's own target or exclusion names of one search name, added and deleted
// at once in "Original.DB".
#pragma once

#include <QByteArray>
#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

class TOriginalEdit : public QDialog {
    Q_OBJECT
public:
    explicit TOriginalEdit(QWidget *owner);

    QLineEdit *edtItem;
    QListWidget *lbxList;
    QPushButton *btnAdd, *btnDelete, *btnClose;

    int FFlag = 0;  // 0 target, 1 exclusion
    QByteArray FCategory;
    bool FChanged = false;

    void SetFlag(int flag) { FFlag = flag; }
    void SetCategory(const QByteArray &category) { FCategory = category; }
    void LoadItems();
    void btnAddClick();
    void btnDeleteClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refuse(const QString &text, bool caretToEnd);
};

inline TOriginalEdit *OriginalEdit = nullptr;
