// TAddressSearch: the main list's filter dialog, building up to ten conditions on record items, in a simple
// and an advanced view, with named patterns kept in "Search.ptn".
#pragma once

#include "mainlist/NarrowDown.h"

#include <QDialog>
#include <QStringList>

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class TShiftJisValidator;
class TUniComboBox;
class TUniEdit;

inline constexpr int vtSimple = 0;
inline constexpr int vtAdvanced = 1;

class TAddressSearch : public QDialog {
    Q_OBJECT
public:
    explicit TAddressSearch(QWidget *owner);
    ~TAddressSearch() override;

    // The four panels the views are made of; the simple view shows only pnlItem and pnlButton.
    QWidget *pnlPattern, *pnlItem, *pnlCondition, *pnlButton;

    TUniComboBox *cbxPattern;
    QPushButton *bbtnViewPattern, *bbtnSavePattern, *bbtnDeletePattern;

    TUniComboBox *cbxItem;
    // The value editors; only the one of the item's kind is shown.
    TUniEdit *edtContent, *edtContentUni;
    TUniComboBox *cbxContentRW, *cbxContentRO, *Cbx_CatMain, *Cbx_CatSub;
    TUniComboBox *cbxCondition;
    QCheckBox *chkNotCondition;

    QPushButton *bbtnAdd, *bbtnUpdate, *bbtnDelete, *bbtnClear;
    QLabel *lblMaxCondition;
    QTreeWidget *lvCondition;
    QRadioButton *rbAnd, *rbOr;

    QPushButton *btnViewSwitch, *btnView, *btnClear, *btnCancel;

    int ViewType = vtSimple;

    // Replaces the list by copies of the filter's conditions and shows the first in the editors. Whether
    // "絞り込みの解除" is offered is settled here, by whether the caller has a filter at all.
    void SetConditions(const TNarrowDownCondition &filter);
    // The list's conditions in list order, with "すべて一致" as MatchAll.
    void GetConditions(TNarrowDownCondition &filter) const;

    void cbxItemClick();
    void Cbx_CatMainChange();
    void chkNotConditionClick();
    void rbAndOrClick();
    void bbtnAddClick();
    void bbtnUpdateClick();
    void bbtnDeleteClick();
    void bbtnClearClick();
    void lvConditionSelectItem();
    void lvConditionDblClick();
    void bbtnViewPatternClick();
    void bbtnSavePatternClick();
    void bbtnDeletePatternClick();
    void btnViewSwitchClick();
    void btnViewClick();
    void btnClearClick();
    void btnCancelClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void layOutControls();
    void connectHandlers();
    void LayoutView();
    void loadConditions(const TNarrowDownCondition &filter);
    void LoadCondition(const TNarrowDownItem &condition);
    TNarrowDownItem BuildCondition() const;
    bool isInList(const TNarrowDownItem &condition) const;
    QStringList rowTexts(const TNarrowDownItem &condition);
    std::vector<int> selectedRows() const;
    // The selected rows; with none, the focus goes where a row can be made or chosen.
    std::vector<int> rowsToChange();
    void selectOnlyRow(int row);
    void UpdateButtons();
    void FillCatMain(int mainNo);
    void FillCatSub(int mainNo, int subNo);
    int patternIndexOf(const QString &name) const;
    void storePatterns();
    void RefillPatternList();
    void NextFocusKeyPress();
    void showInformation(const QString &text);

    std::vector<TNarrowDownItem> conditions_;  // one per row of lvCondition
    std::vector<TNarrowDownPattern> patterns_;  // in stored order
    int shownItem_ = -1;                        // the item the editors were last set up for
    int listedCatMain_ = -1;                    // the main category whose sub-categories Cbx_CatSub lists
    TShiftJisValidator *contentLimit_;
    TShiftJisValidator *contentRWLimit_;
};
