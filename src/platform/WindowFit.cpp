#include "platform/WindowFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>

namespace {

// The scrolling area a fitted window holds its content in.
const QString FitAreaName = QStringLiteral("ScreenFit");

// Whether the layout item is a row of buttons with their captions, as a window's stepping row or its
// 登録/変更/削除/閉じる and OK/キャンセル rows: what the user must reach whatever part of the content is in view.
bool isButtonRow(QLayoutItem *item)
{
    if (QWidget *widget = item->widget())
        return qobject_cast<QAbstractButton *>(widget) || qobject_cast<QDialogButtonBox *>(widget);
    QLayout *row = item->layout();
    if (!row)
        return false;
    bool buttons = false;
    for (int i = 0; i < row->count(); ++i) {
        QLayoutItem *part = row->itemAt(i);
        if (part->spacerItem())
            continue;
        QWidget *widget = part->widget();
        if (!widget || !(qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLabel *>(widget)))
            return false;
        buttons = buttons || qobject_cast<QAbstractButton *>(widget);
    }
    return buttons;
}

// The rows of buttons at the top and foot of a column that stay in view while the rest scrolls: as many as leave
// the scrolling area room for a few lines, each no wider than the room.
std::pair<int, int> keptRows(QBoxLayout *column, QSize room, int scrollingLeast)
{
    if (column->direction() != QBoxLayout::TopToBottom)
        return {0, column->count()};
    const auto fits = [room](QLayoutItem *item) {
        return isButtonRow(item) && item->minimumSize().width() <= room.width();
    };
    int first = 0, last = column->count();
    while (first < last && fits(column->itemAt(first)))
        ++first;
    while (last > first && fits(column->itemAt(last - 1)))
        --last;
    if (first == last)
        return {0, column->count()};
    int height = scrollingLeast + column->contentsMargins().top() + column->contentsMargins().bottom();
    for (int i = 0; i < column->count(); ++i)
        if (i < first || i >= last)
            height += column->itemAt(i)->sizeHint().height() + column->spacing();
    return height <= room.height() ? std::pair(first, last) : std::pair(0, column->count());
}

}  // namespace

QSize FitWindowIntoRoom(QWidget *window, QSize room, QSize wanted)
{
    const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint());
    const bool tooWide = least.width() > room.width(), tooHigh = least.height() > room.height();
    auto *layout = qobject_cast<QBoxLayout *>(window->layout());
    if ((!tooWide && !tooHigh) || !layout || window->findChild<QScrollArea *>(FitAreaName, Qt::FindDirectChildrenOnly))
        return wanted;
    const bool fixed = window->minimumSize() == window->maximumSize() || layout->sizeConstraint() == QLayout::SetFixedSize;

    auto *scroll = new QScrollArea(window);
    scroll->setObjectName(FitAreaName);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    const auto [first, last] = keptRows(layout, room, scroll->minimumSizeHint().height());

    // The content between the kept rows, laid out as it was, in the scrolling area; at the least size it had in
    // the window, so that it looks as it did wherever the room allows.
    const QMargins margins = layout->contentsMargins();
    QSize chrome(margins.left() + margins.right(), margins.top() + margins.bottom());
    for (int i = 0; i < layout->count(); ++i)
        if (i < first || i >= last)
            chrome.rheight() += layout->itemAt(i)->sizeHint().height() + layout->spacing();
    auto *column = new QBoxLayout(layout->direction());
    column->setContentsMargins(QMargins());
    column->setSpacing(layout->spacing());
    QWidgetList shown;
    for (int i = first; i < last; ++i) {
        const int stretch = layout->stretch(first);
        QLayoutItem *item = layout->takeAt(first);
        if (QLayout *part = item->layout())
            column->addLayout(part, stretch);
        else {
            column->addItem(item);
            column->setStretch(column->count() - 1, stretch);
        }
    }
    for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && !child->isHidden())
            shown << child;
    auto *content = new QWidget;
    content->setLayout(column);
    content->setMinimumSize((least - chrome).expandedTo(column->minimumSize()));
    scroll->setWidget(content);
    // Moved under a window being shown, the controls are hidden until shown again.
    for (QWidget *child : shown)
        if (child->parentWidget() == content)
            child->show();
    layout->insertWidget(first, scroll, 1);
    scroll->show();

    // The window now shrinks to the room; one that had a size of its own grows no larger than it was.
    layout->setSizeConstraint(QLayout::SetDefaultConstraint);
    window->setMinimumSize(0, 0);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    const QSize fitted = wanted + QSize(tooHigh ? bar : 0, tooWide ? bar : 0);
    window->setMaximumSize(fixed ? fitted : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    // The view follows the focus however it moves (Qt's follows Tab alone), to the whole control (Qt's to a
    // field's cursor).
    QObject::connect(qApp, &QApplication::focusChanged, scroll, [scroll](QWidget *, QWidget *now) {
        if (!now || !scroll->widget() || !scroll->widget()->isAncestorOf(now))
            return;
        const QPoint centre = now->mapTo(scroll->widget(), now->rect().center());
        scroll->ensureVisible(centre.x(), centre.y(), now->width() / 2 + 1, now->height() / 2 + 1);
    });
    return fitted;
}
