// What the main list asks of the address designer. The designer belongs to the printing part of the program,
// which builds on this one, so the main list reaches it through this interface and a maker the program
// installs at start.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;
class TAddressList;

class TLayoutServices {
public:
    virtual ~TLayoutServices() = default;

    virtual QWidget *FormWindow() = 0;
    // Records of the open book were changed or deleted, or the list's records, order or first selected row
    // changed: the designer shows the first selected record again.
    virtual void DataUpdated(const std::vector<int32_t> &recNos) = 0;
    virtual void DataDeleted(const std::vector<int32_t> &recNos) = 0;
    virtual void ListChanged() = 0;
    // The label window: true while it works on business cards, false on label sheets.
    virtual bool IsCardMode() const { return false; }
};

// The address designer while it exists; the designer clears it when it closes.
inline TLayoutServices *LayoutForm = nullptr;
// Creates the designer when it is not open and shows it (restored when minimised); installed at start.
inline std::function<void(TAddressList *owner)> ShowLayoutForm;

// The label and business-card window (one window, its mode fixed when it is made) while it exists.
inline TLayoutServices *LabelForm = nullptr;
// Creates it in card or label mode when it is not open and shows it; installed at start.
inline std::function<void(TAddressList *owner, bool cardMode)> ShowLabelForm;

// The letter-body designer while it exists; it has no record to show, so the main list only closes it.
inline TLayoutServices *DesignForm = nullptr;
// Creates it when it is not open and shows it; installed at start.
inline std::function<void(TAddressList *owner)> ShowDesignForm;
