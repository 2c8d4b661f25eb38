// The rows of the target, exclusion and own-name tables ("Target.DB", "Exception.DB", "Original.DB") that
// belong to one search name, and the names a search takes from them.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

class TTable;

struct TNameRow {
    int32_t RecNo = 0;
    QByteArray Name;
    bool Show = false;
    int32_t Flag = 0;  // own names: 0 a target, any other value an exclusion
};

// The rows whose Category is category, exactly, in the order of the "Category" index (RecNo order among
// equals); hasFlag reads Flag too. Leaves the table on its "Category" index.
std::vector<TNameRow> CategoryRows(TTable &table, const QByteArray &category, bool hasFlag);
// The first row of the search name with that name (and flag, when flag >= 0) made current; false when none.
bool LocateNameRow(TTable &table, const QByteArray &category, const QByteArray &name, int flag);

// The chosen target and exclusion names of a search name, as the search hands them to the library: shipped
// targets and own names with flag 0, shipped exclusions and own names with any other flag.
struct TChosenNames {
    std::vector<QByteArray> Targets, Exclusions;
};
TChosenNames ChosenNames(TTable &targets, TTable &exclusions, TTable &own, const QByteArray &category);

// The RecNo a new row of a table keyed by RecNo gets: 0 when empty, else the last RecNo plus 1. Leaves the
// table on its primary index.
int32_t NextRecNo(TTable &table);
