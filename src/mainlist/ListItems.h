// The 44 items the main list can show as columns, shared with list printing and the column dialog, and the
// column definitions built from them.
#pragma once

#include <QString>

#include <array>

struct TListItem {
    int ItemNo;
    QString Caption;
    int Align;  // 0 left, 1 centre, 2 right
    int Width;  // default width in 96-dpi units
    bool Shown;  // shown by default
    int PrintItem;  // the item's number in list printing's catalogue
};

inline constexpr int ListItemCount = 44;
// Items with a meaning of their own in code.
inline constexpr int liAddress = 9;        // prefecture, the two address lines and the building
inline constexpr int liFirstKeyword = 26;  // 26..33: the keyword columns, captioned with the keyword names
inline constexpr int liSymbol = 35;

const std::array<TListItem, ListItemCount> &ListItemTable();

// One possible column of the main list.
struct TColumnDef {
    int ItemNo = 0;   // decides the column's text
    int ItemRow = 0;  // the row of ListItemTable: decides caption and alignment
    int Width = 0;    // screen pixels
    bool Visible = false;
    bool operator==(const TColumnDef &) const = default;
};
