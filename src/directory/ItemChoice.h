// The ordered column choices of the directory's CSV output and of the record form's clipboard copy, and the
// item tables they choose from.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One item of a choice; the order of a choice's entries is the output order.
struct TItemChoice {
    uint32_t ItemNo = 0;    // the item's number as kept in the settings
    uint32_t TableRow = 0;  // the row of the item table whose number equals ItemNo
    bool Chosen = false;    // the column is written
};

struct TItemDef {
    int No;
    QString Title;     // also the CSV header text
    bool NeedsDetail;  // the column needs the whole directory entry, not only the hit
};

inline constexpr int SearchItemCount = 18;
inline constexpr int CopyItemCount = 55;

// The CSV columns of directory hits.
const std::array<TItemDef, SearchItemCount> &SearchItemTable();
// The fields of an address-book record the record form copies to the clipboard.
const std::array<TItemDef, CopyItemCount> &CopyItemTable();

// Every item of a table in table order, all chosen: the choice when the settings hold no valid one.
std::vector<TItemChoice> DefaultItemChoice(int itemCount);
