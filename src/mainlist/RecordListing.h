// Which records the main list shows and in what order (group test, filter, sort order, duplicate display),
// and the text of each list cell: the main list's work that needs no window.
#pragma once

#include "mainlist/ListItems.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TField;
class TTable;
struct TNarrowDownCondition;

// ViewGroup 0 every record; 1 records without a group; n >= 2 group n - 1.
bool PassesGroupTest(int viewGroup, int32_t group);

// The order of listed rows: an index of "Adrs.DB" (empty: the record numbers) and its direction.
struct TListOrder {
    QString IndexName;
    bool Ascending = true;
};

// Meets the records recNos (listed in order, or in none) in one walk of "Adrs.DB" from the first of them, not a
// look-up each: along the order's index, or, in none, along the record numbers when they lie close together.
// met(i) is called with the table on recNos[i], each record once (a record listed twice is met at its first);
// the walk goes at most four times their count of rows far. The table is left on the index it was on, at no
// row in particular. The records met; those not (out of reach, deleted or moved since the list was made) are
// for the caller to look up by key.
int WalkListedRecords(TTable &table, const std::vector<int32_t> &recNos, const std::optional<TListOrder> &order,
                      const std::function<void(int)> &met);

// Record numbers of "Adrs.DB" in the order of the named index (ascending or its reverse) that pass the group
// test and, when one is given, the filter.
std::vector<int32_t> ListRecordNumbers(TTable &adrs, const QString &indexName, bool ascending, int viewGroup,
                                       const TNarrowDownCondition *filter = nullptr);

// One record in the duplicate display.
struct TDupliData {
    int32_t RecNo = 0;
    int32_t Group = 0;
    QByteArray Key1, Key2;  // empty when the item is not in use
};

// Duplicate items: 1 telephone, 2 address, 3 company name, 4 personal name.
inline constexpr int DuplicateItemCount = 4;

// By Key1, then Key2, then (byGroup) the group; equal entries keep their order.
void SortDuplicateEntries(std::vector<TDupliData> &entries, bool byGroup);

// Record numbers of the runs of records whose keys equal another listed record's, in key order, each run in
// record-number order; records without a key or outside the group are never listed.
std::vector<int32_t> ListDuplicateRecordNumbers(TTable &adrs, int item1, int item2, int viewGroup);

// The name of a main category (sub < 0) or of a sub category, empty when none.
using TCategoryNameFn = std::function<QByteArray(int32_t main, int32_t sub)>;

// The texts of the list items for the records of an open "Adrs.DB". The fields an item reads are looked up by
// name the first time the item is asked for, not for every cell (a list or an export reads every cell of every
// row), so the table must stay open while this lives.
class TListCells {
public:
    TListCells(TTable &adrs, TCategoryNameFn categoryName);
    // The text of list item itemNo for the record the table stands on, listed at rowIndex.
    QString Text(int itemNo, int rowIndex);
    // The parts of the address item for that record, each trimmed: prefecture, address lines 1 and 2, building.
    std::array<QString, 4> AddressParts();

private:
    // The fields item itemNo reads, looked up the first time.
    std::array<TField *, 4> &fieldsOf(int itemNo);

    TTable &adrs_;
    TCategoryNameFn categoryName_;
    std::array<std::array<TField *, 4>, ListItemCount> fields_{};
    std::array<bool, ListItemCount> resolved_{};
};

// "1234567" -> "123-4567", "12345" -> "123-45"; other lengths unchanged.
QString FormatPostalCode(const QString &code);
