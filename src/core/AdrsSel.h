// The address-book dialog: create a book, choose the one to open, rename, delete and reorder the others.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include <array>

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;
class TUniEdit;

// Modes the caller passes to SetMode.
inline constexpr int asmCreate = 0;
inline constexpr int asmOpen = 1;
inline constexpr int asmStartup = 9;

class TAddressSelect : public QDialog {
    Q_OBJECT
public:
    explicit TAddressSelect(QWidget *owner);

    QRadioButton *rbNew;
    TUniEdit *edtNew;
    QRadioButton *rbOpen;
    QListWidget *lvAdrs;
    QAction *actDelete;
    QAction *actRename;
    QAction *actUp;
    QAction *actDown;
    QToolButton *bbtnDelete;
    QToolButton *bbtnRename;
    QToolButton *bbtnUp;
    QToolButton *bbtnDown;
    QMenu *pmAdrs;
    QPushButton *btnOk;
    QPushButton *btnCancel;
    // The glyphs of delete, rename, up and down, in this order; every row shows the second.
    std::array<QIcon, 4> imglstAdrs;

    int Mode = asmCreate;
    QString BookName;
    bool BookChanged = false;

    void SetMode(int mode);
    void FillBookList();
    void rbSelectClick(QRadioButton *clicked);
    void lvAdrsSelectItem();
    void actRenameExecute();
    // In-place editing of row ended with the text S.
    void lvAdrsEdited(int row, const QString &S);
    void actDeleteExecute();
    void actUpExecute();
    void actDownExecute();
    void btnOkClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void arrangeControls();
    void FormShow();
    bool FormCloseQuery();
    int message(const QString &text, unsigned flags);
    // Refuses a name that breaks the name rules with its message; true when the name may be used.
    bool checkNameRules(const QString &name, const QString &emptyMessage);
    bool isCurrentBook(const QListWidgetItem *row) const;
    int bookIndexOf(const QListWidgetItem *row) const;
    // The row of AdrsBookList[bookIndex], or null when the list no longer shows it.
    QListWidgetItem *rowOfBook(int bookIndex) const;
    void focusEditAtEnd();
    void restartRename(int row, const QString &text);
    void moveSelected(int step);
    bool createBook();
    // Appends a pending operation; on failure shows why and returns false, and nothing may change.
    bool recordOperation(const QString &section, const QString &value);
};
