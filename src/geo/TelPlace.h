// Where a telephone number is: the open address book's records holding it, the business directory's listing
// and the area its exchange serves, asked in that order. The dictionary window lists what each of them holds;
// the map asked by telephone number takes the first place one of them gives.
#pragma once

#include "Kvdir17/Kvdir17.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

class TTable;

// The business directory's number look-up, which the directory search (a folder above this one) provides and
// the program installs at start: the digits to at most eight entries and their count; answers the
// library's code (0 found). Without one installed the look-ups go on to the area dictionary.
using TDirectoryTelLookup = int (*)(const QByteArray &digits, TDirectoryDetail (&details)[KVDIR_TEL_RESULTS],
                                    int32_t &count);
void SetDirectoryTelLookup(TDirectoryTelLookup lookup);
TDirectoryTelLookup InstalledDirectoryTelLookup();

// The records of the book's table holding the digits in the first of its number fields that holds them
// (Tel, Fax, Portable1, Portable2): visit is called with the table on each of them, and the table's index
// comes back afterwards. Answers that field's index (0 to 3), or -1 when no field holds the number.
int VisitBookRecordsWithNumber(TTable &table, const QByteArray &digits, const std::function<void()> &visit);

// Answers of FindTelPlace.
inline constexpr int telPlaceFound = 0;      // a record or a listing of the number has a position
inline constexpr int telPlaceNearBy = 1;     // only the area is known: the position of its municipality
inline constexpr int telPlaceWrongDisc = 3;  // not placed, and the disc in the drive is not the directory's
inline constexpr int telPlaceInvalid = 4;    // not a number of the numbering plan
inline constexpr int telPlaceNoData = 8;     // nothing knows the number

// The position (1/1000 second of arc) of the digits: the first record of the open book (DMMirvale18) holding
// them that has a position, else the first listing of the directory with one, else the municipality the
// area is named after (a city with wards, which has no position of its own, by its first ward). The
// directory is asked only where its data can be read: with a disc of other data in the drive, a number
// nothing else places answers telPlaceWrongDisc. Raises EDicSearchError when the area dictionary fails.
int FindTelPlace(const QByteArray &digits, int32_t &latitude, int32_t &longitude);
