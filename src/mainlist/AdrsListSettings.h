// The main window's saved settings (placement, columns, keyword names, group and sort choice, start flags,
// duplicate items) and the group and sort captions, as plain values the window passes in and takes back.
#pragma once

#include "mainlist/ListItems.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>

// One order of the main list: its caption and the "Adrs.DB" index that gives it (empty: registration order).
struct TSortType {
    QString Caption;
    QString IndexName;
};

inline constexpr int SortTypeCount = 16;
inline constexpr int stFirstKeyword = 7;  // 7..14: the keyword orders, captioned with the keyword names

const std::array<TSortType, SortTypeCount> &SortTypeTable();

// The window's bounds in screen pixels from Mirvale18.ini [ADRS LIST]; without saved values the default size
// centred on a screen of screenSize pixels. ppi: the screen's pixels per inch.
QRect LoadWindowPlacement(const QSize &screenSize, double ppi);
// Stores the window's normal (not maximised, not minimised) bounds. Throws EIniFileError.
void SaveWindowPlacement(const QRect &normalBounds, double ppi);

struct TListSettings {
    std::array<TColumnDef, ListItemCount> ColumnDefs{};  // in column order, widths in screen pixels
    int ViewGroup = 0;  // 0 all, 1 records without group, n = 2..11 group n - 1
    int SortType = 0;   // row of SortTypeTable
    bool SortDir = true;  // ascending
};

// Reads AdrsList.ini: the columns, group and sort order, and the keyword names and modes into KeywordNames
// and KeywordModes. Damaged or out-of-range values give their defaults.
TListSettings LoadListSettings(double ppi);
// Writes the columns, group and sort order to AdrsList.ini. Throws EIniFileError.
void SaveListSettings(const TListSettings &settings, double ppi);

// Mirvale18.ini [BASE] Info: show the information dialog at start.
bool LoadStartFlags();
// Writes [BASE] Info and [UPDATE] UpdateCheck (from UpdateCheckAtStart). Throws EIniFileError.
void SaveStartFlags(bool showInfoAtStart);

// The items of the duplicate display: 0 off (Item1) or none (Item2), else 1..DuplicateItemCount.
struct TDuplicateItems {
    int Item1 = 0;
    int Item2 = 0;
    bool operator==(const TDuplicateItems &) const = default;
};

TDuplicateItems LoadDuplicateItem();
// Throws EIniFileError.
void SaveDuplicateItem(const TDuplicateItems &items);

// The 12 entries of the group box: all, records without group, then groups 1 to 10 of GroupNames.
QStringList GroupComboItems();
// The 16 entries of the sort box, the keyword orders named after KeywordNames.
QStringList SortComboItems();
