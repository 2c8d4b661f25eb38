// TUniSortListView: the sortable list over the Unicode list view, as the main record list uses it.
#pragma once

#include "widgets/SortListViewLogic.h"
#include "widgets/UniComCtrls.h"

class TUniCustomSortListView : public TSortListViewBase<TUniCustomListView> {
    Q_OBJECT
public:
    explicit TUniCustomSortListView(QWidget *parent = nullptr);

signals:
    void OnColumnWidthChange(int column, int newWidth);
    void OnColumnWidthChanging(int column, int newWidth, bool *allowChange);
    void OnDividerDblClick(int column);
    void OnDividerMouseDown(int column);
    void OnDividerMouseUp(int column);
    void OnSortChange(int oldIndex, int newIndex);
};

class TUniSortListView : public TUniCustomSortListView {
    Q_OBJECT
public:
    explicit TUniSortListView(QWidget *parent = nullptr) : TUniCustomSortListView(parent) {}
};
