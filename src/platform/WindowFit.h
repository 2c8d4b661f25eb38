// A window larger than the screen it opens on: its content scrolls, its rows of buttons stay in view.
#pragma once

#include <QSize>

class QWidget;

// Lets a window whose least size does not fit room (the screen's available area less the window's frame) be as
// small as the room: the content of its layout moves into a scrolling area that follows the focus, the rows of
// buttons at its top and foot kept above and below it, in view. A window whose least size fits, as it does on the
// screens the program was designed for, is left as it is. Answers the size the window wants: wanted, and the
// room a scroll bar takes where the content scrolls. Done once for a window, the first time it does not fit.
QSize FitWindowIntoRoom(QWidget *window, QSize room, QSize wanted);
