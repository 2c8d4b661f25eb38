// TUniCustomListView: the report-style list the sortable lists derive from; rows are read through a model,
// so "no item" is the row -1.
#pragma once

#include <QTreeView>

class QHeaderView;

class TUniCustomListView : public QTreeView {
    Q_OBJECT
public:
    explicit TUniCustomListView(QWidget *parent = nullptr);

    int ItemCount() const;
    int GetFocused() const;   // the focused row, -1 when none
    int GetSelected() const;  // the first selected row, -1 when none
    int GetTopItem() const;   // the first visible row, -1 when the list is empty
    QHeaderView *GetColumns() const { return header(); }
};
