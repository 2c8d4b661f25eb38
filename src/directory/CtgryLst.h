// TCategoryList ("名称一覧"): the pick list of search names in "Category.DB", by kana row, own entries and the
// history of recent choices, with an edit panel to add, change and delete entries.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDialog>

#include <array>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeView;
class TTable;

class TCategoryList : public QDialog {
    Q_OBJECT
public:
    static constexpr int tabOwn = 10;
    static constexpr int tabHistory = 11;
    static constexpr int MaxRows = 100000;
    static constexpr int HistoryRows = 20;

    explicit TCategoryList(QWidget *owner);
    ~TCategoryList() override;

    QComboBox *cbxIndex;
    QTreeView *lvCategory;
    QPushButton *btnSelect, *btnCancel, *btnMode;
    QWidget *pnlEdit;
    QLineEdit *edtKana, *edtKanji;
    QCheckBox *chkOriginal;
    QPushButton *btnAdd, *btnUpdate, *btnDelete;

    // The shown rows, in display order.
    std::vector<int32_t> FRecNos;
    std::vector<std::pair<QByteArray, bool>> FKanaList;  // reading and Original flag
    int FIndexTab = 0;

    QByteArray GetSelectedKanji() const;
    void ChangeIndexTab(int tab);
    void RefreshList();
    void SetEditPanelVisible(bool visible);
    // tag 0 "登録", 1 "変更".
    void AddOrChange(int tag);
    void btnDeleteClick();
    void btnSelectClick();
    // The first two half-width kana of a reading, a voiced mark counting with its letter.
    static QByteArray KanaHead(const QByteArray &reading);
    QString GroupHeading(int row) const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class TRows;
    // The kanji of a shown row (from the table when not yet fetched).
    QByteArray rowKanji(int row) const;
    std::vector<int> selectedRows() const;
    void showSelectedEntry();
    TTable &table() const;
    bool isDuplicate(const QByteArray &kana, const QByteArray &kanji, int32_t self) const;

    TRows *rows_;
};

inline TCategoryList *CategoryList = nullptr;
