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
};

// The address designer while it exists; the designer clears it when it closes.
inline TLayoutServices *LayoutForm = nullptr;
// Creates the designer when it is not open and shows it (restored when minimised); installed at start.
inline std::function<void(TAddressList *owner)> ShowLayoutForm;
