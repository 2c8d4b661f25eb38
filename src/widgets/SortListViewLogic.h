// What the two sortable list views share: sort column and direction, the arrow in the header, the
// column-click cycle and the divider notifications, written once over either list view base.
#pragma once

#include <QHeaderView>
#include <QModelIndexList>
#include <QObject>
#include <QPixmap>
#include <QTreeView>

#include <array>
#include <initializer_list>
#include <type_traits>

enum TSortDir : int { sdAsc = 0, sdDesc = 1, sdNone = 2 };

// A set of sort directions.
class TSortDirs {
public:
    constexpr TSortDirs() = default;
    constexpr TSortDirs(std::initializer_list<TSortDir> dirs)
    {
        for (const TSortDir dir : dirs)
            bits_ |= 1u << dir;
    }
    constexpr bool Contains(TSortDir dir) const { return (bits_ & (1u << dir)) != 0; }
    constexpr bool IsEmpty() const { return bits_ == 0; }
    constexpr bool operator==(const TSortDirs &) const = default;

private:
    unsigned bits_ = 0;
};

// The header of a sortable list view. It keeps the sort state because everything that shows or changes it
// happens here: the arrow is drawn on the right of the sort column's caption (an 11 x 11 image of our
// own, pointing up for ascending, down for descending, none for sdNone), column clicks cycle the direction,
// and a divider drag (a press on a section's handle, resizing while pressed, the release) is told once at
// its end, while widths set by code are told as they happen.
class TSortHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TSortHeader(QWidget *parent);

    int SortIndex() const { return sortIndex_; }
    TSortDir SortDir() const { return sortDir_; }
    TSortDirs SortDirs() const { return sortDirs_; }
    int TrackStartWidth() const { return trackStartWidth_; }  // -1 when no divider is being dragged

    void SetSortIndex(int value);
    void SetSortDir(TSortDir value);
    void SetSortDirs(TSortDirs value);

signals:
    void OnColumnWidthChange(int column, int newWidth);
    // The change has already happened when this is raised; allowChange comes in true and is not read.
    void OnColumnWidthChanging(int column, int newWidth, bool *allowChange);
    void OnDividerDblClick(int column);
    void OnDividerMouseDown(int column);
    void OnDividerMouseUp(int column);
    void OnSortChange(int oldIndex, int newIndex);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    TSortDir FirstAllowedDir() const;
    void ColClick(int column);
    void SectionResized(int column, int oldWidth, int newWidth);
    int HandleAt(const QPoint &pos) const;
    void ReapplyColumns() { viewport()->update(); }

    std::array<QPixmap, 2> headerImages_;  // indexed by sdAsc, sdDesc
    int sortIndex_ = 0;
    TSortDir sortDir_ = sdAsc;
    TSortDirs sortDirs_{sdAsc, sdDesc};
    int trackStartWidth_ = -1;
    int trackColumn_ = -1;
};

// Starts the drag a list view would start for indexes, without the picture of the dragged rows under the
// cursor. Rows stay in place whatever the drop does: the program's lists never give rows away by dragging.
void StartDragWithoutImage(QAbstractItemView *view, const QModelIndexList &indexes,
                           Qt::DropActions supportedActions);

// A sortable list view over Base (a report-style QTreeView or TUniCustomListView). Qt's moc cannot give a
// template signals, so each concrete view declares the events and passes the header's on with
// ForwardEvents in its constructor.
template <class Base>
class TSortListViewBase : public Base {
public:
    explicit TSortListViewBase(QWidget *parent) : Base(parent), headerHandle_(new TSortHeader(this))
    {
        if constexpr (std::is_same_v<Base, QTreeView>) {
            // TUniCustomListView makes itself a report; the plain view needs the same look.
            this->setRootIsDecorated(false);
            this->setItemsExpandable(false);
            this->setUniformRowHeights(true);
            this->setAllColumnsShowFocus(true);
            this->setSelectionBehavior(QAbstractItemView::SelectRows);
        }
        this->setHeader(headerHandle_);
        // Taking a header makes the view switch its clicks off with its own sorting.
        headerHandle_->setSectionsClickable(true);
    }

    TSortHeader *HeaderHandle() const { return headerHandle_; }
    bool ShowDragImage() const { return showDragImage_; }
    void SetShowDragImage(bool value) { showDragImage_ = value; }
    int SortIndex() const { return headerHandle_->SortIndex(); }
    void SetSortIndex(int value) { headerHandle_->SetSortIndex(value); }
    TSortDir SortDir() const { return headerHandle_->SortDir(); }
    void SetSortDir(TSortDir value) { headerHandle_->SetSortDir(value); }
    TSortDirs SortDirs() const { return headerHandle_->SortDirs(); }
    void SetSortDirs(TSortDirs value) { headerHandle_->SetSortDirs(value); }
    int TrackStartWidth() const { return headerHandle_->TrackStartWidth(); }

protected:
    template <class View>
    void ForwardEvents(View *view)
    {
        QObject::connect(headerHandle_, &TSortHeader::OnColumnWidthChange, view, &View::OnColumnWidthChange);
        QObject::connect(headerHandle_, &TSortHeader::OnColumnWidthChanging, view,
                         &View::OnColumnWidthChanging);
        QObject::connect(headerHandle_, &TSortHeader::OnDividerDblClick, view, &View::OnDividerDblClick);
        QObject::connect(headerHandle_, &TSortHeader::OnDividerMouseDown, view, &View::OnDividerMouseDown);
        QObject::connect(headerHandle_, &TSortHeader::OnDividerMouseUp, view, &View::OnDividerMouseUp);
        QObject::connect(headerHandle_, &TSortHeader::OnSortChange, view, &View::OnSortChange);
    }

    void startDrag(Qt::DropActions supportedActions) override
    {
        if (showDragImage_)
            Base::startDrag(supportedActions);
        else
            StartDragWithoutImage(this, this->selectedIndexes(), supportedActions);
    }

private:
    TSortHeader *const headerHandle_;
    bool showDragImage_ = false;
};
