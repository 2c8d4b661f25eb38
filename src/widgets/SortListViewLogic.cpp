#include "widgets/SortListViewLogic.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeaderV2>

#include <utility>

namespace {

constexpr int ArrowImageSize = 11;

// A triangle five rows high, in a mid grey that reads on light and dark headers alike.
QPixmap MakeArrowImage(TSortDir dir)
{
    QPixmap image(ArrowImageSize, ArrowImageSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (int row = 0; row < 5; ++row) {
        const int halfWidth = dir == sdAsc ? row : 4 - row;
        painter.fillRect(5 - halfWidth, 3 + row, 2 * halfWidth + 1, 1, QColor(0x80, 0x80, 0x80));
    }
    return image;
}

}  // namespace

TSortHeader::TSortHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent), headerImages_{MakeArrowImage(sdAsc), MakeArrowImage(sdDesc)}
{
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QHeaderView::sectionResized, this, &TSortHeader::SectionResized);
    // Connected before anyone else can be, so the sort state is settled when the user's handler runs.
    connect(this, &QHeaderView::sectionClicked, this, &TSortHeader::ColClick);
}

TSortDir TSortHeader::FirstAllowedDir() const
{
    if (sortDirs_.Contains(sdAsc))
        return sdAsc;
    return sortDirs_.Contains(sdDesc) ? sdDesc : sdNone;
}

void TSortHeader::SetSortIndex(int value)
{
    if (value >= count())
        value = 0;
    if (value == sortIndex_)
        return;
    const int oldIndex = std::exchange(sortIndex_, value);
    sortDir_ = FirstAllowedDir();
    emit OnSortChange(oldIndex, sortIndex_);
    ReapplyColumns();
}

void TSortHeader::SetSortDir(TSortDir value)
{
    if (value == sortDir_ || !sortDirs_.Contains(value))
        return;
    sortDir_ = value;
    emit OnSortChange(sortIndex_, sortIndex_);
    ReapplyColumns();
}

void TSortHeader::SetSortDirs(TSortDirs value)
{
    if (value == sortDirs_ || value.IsEmpty())
        return;
    sortDirs_ = value;
    if (!sortDirs_.Contains(sortDir_))
        SetSortDir(FirstAllowedDir());
}

void TSortHeader::ColClick(int column)
{
    if (column != sortIndex_) {
        SetSortIndex(column);
        return;
    }
    // sdAsc -> sdDesc -> sdNone -> sdAsc, skipping what is not allowed; the set is never empty.
    TSortDir next = sortDir_;
    do
        next = static_cast<TSortDir>((next + 1) % 3);
    while (!sortDirs_.Contains(next));
    SetSortDir(next);
}

void TSortHeader::SectionResized(int column, int oldWidth, int newWidth)
{
    if (trackStartWidth_ != -1) {
        if (column == trackColumn_)
            emit OnDividerMouseDown(column);
        return;
    }
    if (newWidth == oldWidth)
        return;
    bool allowChange = true;
    emit OnColumnWidthChanging(column, newWidth, &allowChange);
    emit OnColumnWidthChange(column, sectionSize(column));
}

// The section whose right-hand divider is at pos, as the base header finds it for resizing; -1 when pos is
// on no divider the user may drag.
int TSortHeader::HandleAt(const QPoint &pos) const
{
    int visual = visualIndexAt(pos.x());
    if (visual == -1)
        return -1;
    const int logical = logicalIndex(visual);
    const int start = sectionViewportPosition(logical);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    int handle = -1;
    if (pos.x() < start + grip) {
        while (handle == -1 && --visual >= 0)
            if (!isSectionHidden(logicalIndex(visual)))
                handle = logicalIndex(visual);
    } else if (pos.x() > start + sectionSize(logical) - grip) {
        handle = logical;
    }
    return handle != -1 && sectionResizeMode(handle) == Interactive ? handle : -1;
}

void TSortHeader::mousePressEvent(QMouseEvent *event)
{
    const int handle = event->button() == Qt::LeftButton ? HandleAt(event->position().toPoint()) : -1;
    QHeaderView::mousePressEvent(event);
    if (handle != -1) {
        trackColumn_ = handle;
        trackStartWidth_ = sectionSize(handle);
    }
}

void TSortHeader::mouseReleaseEvent(QMouseEvent *event)
{
    QHeaderView::mouseReleaseEvent(event);
    if (trackColumn_ == -1 || event->button() != Qt::LeftButton)
        return;
    // The drag ends here whether or not the width moved, so widths set by code afterwards are told again.
    const int column = std::exchange(trackColumn_, -1);
    const int startWidth = std::exchange(trackStartWidth_, -1);
    if (sectionSize(column) != startWidth)
        emit OnColumnWidthChange(column, sectionSize(column));
    emit OnDividerMouseUp(column);
}

void TSortHeader::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Kept from the base, whose answer would be to fit the column to its contents.
    const int handle = event->button() == Qt::LeftButton ? HandleAt(event->position().toPoint()) : -1;
    if (handle == -1)
        QHeaderView::mouseDoubleClickEvent(event);
    else
        emit OnDividerDblClick(handle);
}

void TSortHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (logicalIndex != sortIndex_ || sortDir_ == sdNone || !rect.isValid()) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    const QPixmap &arrow = headerImages_[sortDir_];
    QStyleOptionHeaderV2 option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    // The caption gives up room for the arrow, which follows the caption as the column aligns it.
    const QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this);
    const int room = arrow.width() + style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    option.rect = label.adjusted(0, 0, -room, 0);
    style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, this);
    const int captionWidth = qMin(option.fontMetrics.horizontalAdvance(option.text), option.rect.width());
    const Qt::Alignment alignment = (option.textAlignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    const QRect block =
        QStyle::alignedRect(Qt::LeftToRight, alignment, QSize(captionWidth + room, arrow.height()), label);
    painter->drawPixmap(block.right() + 1 - arrow.width(), block.top(), arrow);
}

void StartDragWithoutImage(QAbstractItemView *view, const QModelIndexList &indexes,
                           Qt::DropActions supportedActions)
{
    QAbstractItemModel *model = view->model();
    if (!model)
        return;
    QModelIndexList draggable;
    for (const QModelIndex &index : indexes)
        if (model->flags(index) & Qt::ItemIsDragEnabled)
            draggable.append(index);
    if (draggable.isEmpty())
        return;
    QMimeData *data = model->mimeData(draggable);
    if (!data)
        return;
    auto *drag = new QDrag(view);
    drag->setMimeData(data);
    drag->exec(supportedActions, view->defaultDropAction());
}
