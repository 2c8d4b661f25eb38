#include "widgets/UniComCtrls.h"

#include <QHeaderView>

TUniCustomListView::TUniCustomListView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

int TUniCustomListView::ItemCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int TUniCustomListView::GetFocused() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

int TUniCustomListView::GetSelected() const
{
    if (!selectionModel())
        return -1;
    int first = -1;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

int TUniCustomListView::GetTopItem() const
{
    const QModelIndex top = indexAt(QPoint(1, 1));
    if (top.isValid())
        return top.row();
    return ItemCount() > 0 ? 0 : -1;
}
