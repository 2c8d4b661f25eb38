// The keyboard's way through a window: the controls Tab reaches in turn, and where that way goes against the
// order a reader takes the window in.
#pragma once

#include <QList>
#include <QStringList>

class QWidget;

namespace test {

// The controls Tab reaches once round the shown, active window, from the head of its focus chain, by keys
// alone: Tab pressed at the focused control, Ctrl+Tab where the control keeps Tab for itself (a table, a text).
// The round ends early where the focus leaves the window.
QList<QWidget *> tabRound(QWidget *window);

// Each step round the window, back to where the round began, that goes against the reading order: back up to a
// control above in the same column, or back left to a control in the same row; one step back up, from the
// window's end to its start, is the round closing. Moving on to the next column (up and to the right) or the
// next row (down and to the left) is reading on, so group boxes and columns of controls are read whole. In a
// window of one row the round closes back left.
QStringList readingOrderFaults(const QList<QWidget *> &round, QWidget *window);

// A control as a failure names it: its object name, else its class and text.
QString controlName(const QWidget *control);

}  // namespace test
