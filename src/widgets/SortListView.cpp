#include "widgets/SortListView.h"

TCustomSortListView::TCustomSortListView(QWidget *parent) : TSortListViewBase(parent)
{
    ForwardEvents(this);
}
