// TAddressList: the program's visible main window, showing the current address book.
#pragma once

#include <QMainWindow>

#include <cstdint>

struct TAddressRecord;

class TAddressList : public QMainWindow {
    Q_OBJECT
public:
    // A top-level window of its own (not a child of the hidden main form), so the desktop lists it.
    TAddressList();

    // The list row whose record the windows work on; -1 when none.
    int CurrentIndex = -1;

    ~TAddressList() override;

    // Reads the row with that record number of the open book into record; false (with a message) when
    // there is none.
    bool ReadRecord(int32_t recNo, TAddressRecord *record);

    // The first-show steps: the notice why a book must be chosen, then the book is opened.
    void StartUp();
    // Opens the current address book, first asking for one when ask is set.
    void OpenAddressBook(bool ask);
    // Writes CurrentAdrsName as [BASE] AdrsName.
    void SaveCurrentBookName();

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    bool shownOnce_ = false;
};
