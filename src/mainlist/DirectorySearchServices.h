// The directory search windows the main window opens. They belong to the directory part of the program, which
// builds on this one, so the main window reaches them through these makers the program installs at start.
#pragma once

#include <functional>

class TAddressList;

// Creates the window when it is not open and shows it.
inline std::function<void(TAddressList *owner)> ShowNameAdrsSearch;
inline std::function<void(TAddressList *owner)> ShowCategorySearch;
// Asks both windows to close; false when one stays open (a job runs).
inline std::function<bool()> CloseDirectorySearches;
// The settings changed the number of kept search conditions, or the colour of the list the record form follows.
inline std::function<void()> ApplyDirectoryHistoryLimit;
inline std::function<void()> UpdateDirectoryLinkColor;
