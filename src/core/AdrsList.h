// TAddressList: the program's visible main window, showing the current address book.
#pragma once

#include <QMainWindow>

class TAddressList : public QMainWindow {
    Q_OBJECT
public:
    // A top-level window of its own (not a child of the hidden main form), so the desktop lists it.
    TAddressList();
};
