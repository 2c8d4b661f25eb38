// The text import and export windows, the map-mark export, the settings, information and version dialogs that
// the main window opens. They belong to the data-exchange part of the program, which builds on this one, so
// the main window reaches them through these makers the program installs at start; a command whose maker is
// not installed stays disabled.
#pragma once

#include <functional>
#include <utility>

class QWidget;
class TAddressList;

// A modeless window that works on a range of the main list's rows.
class TListRangeWindow {
public:
    virtual ~TListRangeWindow() = default;
    virtual QWidget *Window() = 0;
    // The main list rebuilt its rows or changed its selection: the range follows it.
    virtual void ListCountChanged() = 0;
    // The keyword names were edited: items captioned with them take the new names.
    virtual void UpdateKeywordNames() {}
};

// The export windows while they exist; each clears its reference when it closes.
inline TListRangeWindow *FileExport = nullptr;
inline TListRangeWindow *MarkExport = nullptr;
// Make the window when it is not open, then show or restore it.
inline std::function<void(TAddressList *owner)> ShowFileExport;
inline std::function<void(TAddressList *owner)> ShowMarkExport;

// The modal import into the open book; true when records were added.
inline std::function<bool(TAddressList *owner)> RunFileImport;

// What the settings dialog reports after it closed.
struct TEnvironmentResult {
    bool Accepted = false;
    bool MustEnd = false;              // an update was fetched: the program ends
    bool DataFolderChanged = false;
    bool HistoryCountChanged = false;
    bool LinkColorChanged = false;
    bool MapRouteChanged = false;      // the map or route program
};
inline std::function<TEnvironmentResult(TAddressList *owner)> RunEnvironment;

inline std::function<void(TAddressList *owner)> RunVersionInfo;
// The information dialog of the first show: whether to show it again next time and whether to check for
// updates at start, as the user left its two boxes.
inline std::function<std::pair<bool, bool>(TAddressList *owner)> RunInfoDialog;
