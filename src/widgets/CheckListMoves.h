// The moves of a checked list whose rows stand for the entries of a choice, shared by the dialogs that choose
// and order columns: a row and its entry always travel together.
#pragma once

#include "widgets/NamedControls.h"

#include <QIcon>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace CheckList {

// The glyphs of the move buttons and of the list commands beside them ("TOP", "UP", "DOWN", "BOTTOM",
// "ALLVIEW", "REVIEW", "RESORT").
QIcon Glyph(const char *name);

// Moves row `from` to `to` and the entry at the same place of entries with it; the rows between keep their
// order.
template <class Entries>
void MoveRow(QListWidget *list, Entries &entries, int from, int to)
{
    list->setUpdatesEnabled(false);
    QListWidgetItem *row = list->takeItem(from);
    list->insertItem(to, row);
    list->setUpdatesEnabled(true);
    list->setCurrentRow(to);
    const auto at = [&entries](int i) { return entries.begin() + i; };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
}

// Where the up (or, with "Tag" 1, the to-the-top) button moves the current row; -1 when it cannot move.
inline int UpTarget(const QListWidget *list, const QPushButton *sender)
{
    const int i = list->currentRow();
    if (i <= 0)
        return -1;
    return sender->property("Tag").toInt() == 1 ? 0 : i - 1;
}

// The same for the down (to-the-bottom) button.
inline int DownTarget(const QListWidget *list, const QPushButton *sender)
{
    const int i = list->currentRow();
    const int last = list->count() - 1;
    if (i < 0 || i >= last)
        return -1;
    return sender->property("Tag").toInt() == 1 ? last : i + 1;
}

// The four move buttons of list made on dialog, bbtnTop, bbtnUp, bbtnDown and bbtnBottom in that order, stacked
// at the head of side and set apart from what follows them; each moves the current row, and its entry in entries
// with it.
using MoveButtons = std::tuple<QPushButton *, QPushButton *, QPushButton *, QPushButton *>;
template <class Entries>
MoveButtons MakeMoveButtons(QWidget *dialog, QVBoxLayout *side, QListWidget *list, Entries &entries)
{
    struct Move {
        const char *name, *glyph;
        QString caption;
        int tag;
        int (*target)(const QListWidget *, const QPushButton *);
    };
    const Move moves[] = {{"bbtnTop", "TOP", QStringLiteral("最上段"), 1, UpTarget},
                          {"bbtnUp", "UP", QStringLiteral("上"), 0, UpTarget},
                          {"bbtnDown", "DOWN", QStringLiteral("下"), 0, DownTarget},
                          {"bbtnBottom", "BOTTOM", QStringLiteral("最下段"), 1, DownTarget}};
    QPushButton *buttons[std::size(moves)];
    for (size_t i = 0; i < std::size(moves); ++i) {
        const Move &move = moves[i];
        auto *button = Named<QPushButton>(move.name, Glyph(move.glyph), move.caption, dialog);
        button->setProperty("Tag", move.tag);
        QObject::connect(button, &QPushButton::clicked, dialog, [list, &entries, button, target = move.target] {
            if (const int to = target(list, button); to >= 0)
                MoveRow(list, entries, list->currentRow(), to);
        });
        side->addWidget(button);
        buttons[i] = button;
    }
    side->addSpacing(16);
    return {buttons[0], buttons[1], buttons[2], buttons[3]};
}

inline void CheckAll(QListWidget *list)
{
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setCheckState(Qt::Checked);
}

inline bool AnyChecked(const QListWidget *list)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->checkState() == Qt::Checked)
            return true;
    return false;
}

inline void ToggleCurrent(QListWidget *list)
{
    if (QListWidgetItem *row = list->currentItem())
        row->setCheckState(row->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

}  // namespace CheckList
