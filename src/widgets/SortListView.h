// TSortListView: the report-style list with a sort column and divider notifications the record form, the
// category list and the search windows show.
#pragma once

#include "widgets/SortListViewLogic.h"

class TCustomSortListView : public TSortListViewBase<QTreeView> {
    Q_OBJECT
public:
    explicit TCustomSortListView(QWidget *parent = nullptr);

signals:
    void OnColumnWidthChange(int column, int newWidth);
    void OnColumnWidthChanging(int column, int newWidth, bool *allowChange);
    void OnDividerDblClick(int column);
    void OnDividerMouseDown(int column);
    void OnDividerMouseUp(int column);
    void OnSortChange(int oldIndex, int newIndex);
};

class TSortListView : public TCustomSortListView {
    Q_OBJECT
public:
    explicit TSortListView(QWidget *parent = nullptr) : TCustomSortListView(parent) {}
};
