// The list-printing window, which sits above the main list: the main window reaches it through this interface
// and the maker the program installs at start; without the maker the print command stays disabled.
#pragma once

#include "mainlist/DataExchangeServices.h"

#include <functional>

class TAddressList;

class TListPrintWindow : public TListRangeWindow {
public:
    // The main list's column choice changed: the address-list template is made anew from its columns.
    virtual void UpdateAddressListTemplate() = 0;
    // The group names changed: the preview pages are drawn anew.
    virtual void RefreshPreview() = 0;
};

// The window while it exists; it clears the reference when it closes.
inline TListPrintWindow *ListPrint = nullptr;
// Make the window when it is not open, then show or restore it.
inline std::function<void(TAddressList *owner)> ShowListPrint;
// How many printers the window can print on (the installed queues and the PDF printer).
inline std::function<int()> ListPrintPrinterCount;

inline void RefreshListPrintPreview()
{
    if (ListPrint)
        ListPrint->RefreshPreview();
}
