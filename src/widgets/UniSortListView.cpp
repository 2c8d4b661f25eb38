#include "widgets/UniSortListView.h"

TUniCustomSortListView::TUniCustomSortListView(QWidget *parent) : TSortListViewBase(parent)
{
    ForwardEvents(this);
}
