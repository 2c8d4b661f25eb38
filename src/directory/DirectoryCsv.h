// The comma-separated lines of directory hits: the header of the chosen columns and one line per hit, built
// from the hit alone or from its whole entry. Shared by the search workers' whole-result output and the search
// windows' output of selected hits.
#pragma once

#include "Kvdir17/Kvdir17.h"
#include "directory/ItemChoice.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <vector>

// The name of a main category (sub false: catNo its two-digit number) or of a sub category (sub true: catNo
// main × 100 + sub); empty when there is none.
using TCategoryNameLookup = std::function<QByteArray(bool sub, int32_t catNo)>;

// True when a chosen column needs the whole entry of a hit, not only the hit.
bool ChoiceNeedsDetail(const std::vector<TItemChoice> &items);

// The titles of the chosen columns in choice order, Shift-JIS, without a line end.
QByteArray DirectoryCsvHeader(const std::vector<TItemChoice> &items);

// The values of the chosen columns in choice order, Shift-JIS, without a line end; empty when nothing is
// chosen. detail is the hit's entry with its number already in the shown form, or null for a line from the
// hit alone. A value holding a comma, a double quote or a line break is quoted, its quotes doubled, so every
// line keeps its columns.
QByteArray DirectoryCsvLine(const std::vector<TItemChoice> &items, const TDirectoryHit &hit,
                            const TDirectoryDetail *detail, const TCategoryNameLookup &categoryName);
