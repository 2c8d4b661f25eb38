// The business directory library Kvdir17.so: one process-wide loader counted by its users (the two search
// workers for their lifetime, the dictionary window around each look-up), and the four calls every directory
// search goes through.
#pragma once

#include "Kvdir17/Kvdir17.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Results of the loader and the wrappers besides the library's own codes.
inline constexpr int directoryLoadFailed = 101;      // Kvdir17.so cannot be loaded
inline constexpr int directoryFunctionMissing = 102;  // an entry point is missing
inline constexpr int directoryNotLoaded = 103;

// The value every caller passes in the library's reserved position.
inline constexpr int32_t directoryReserved = 10000;

// The library's area-search codes as the callers treat them.
inline constexpr int directoryFound = 0;    // a page of hits; more may remain
inline constexpr int directoryNoMore = 1;   // the area has no (further) hits
inline constexpr int directoryStopped = 100;

// The two lists a search hands to the library: the name list and the exclusion list, each "name,...,"
// (empty for none).
using TDirectoryNames = const char *const[2];

// Adds one user. The first user (or the first after a failure) loads folder + "Kvdir17.so" and resolves the
// seven entry points. Returns 0, directoryLoadFailed (the user stays counted) or directoryFunctionMissing
// (the user is dropped again); each failure shows an error box. Callers need not act on the result: a
// library that is not loaded answers every call with directoryNotLoaded.
int LoadDirectoryDll(const QString &folder);
// Drops one user when there is one; the last one frees the library.
void FreeDirectoryDll();

// The wrappers answer directoryNotLoaded and touch nothing while the library is not loaded. Otherwise they
// normalize the folders of the record they pass, clear the out-values and return the library's code.
int DirectorySearchTel(TDirectoryTelRequest &request, TDirectoryDetail (&result)[KVDIR_TEL_RESULTS], int32_t &count);
// The dictionary window's number look-up: the library loaded from the program folder for this one call, over
// the installed directory data (or the disc's) and the program's dictionaries.
int DirectoryTelLookup(const QByteArray &digits, TDirectoryDetail (&result)[KVDIR_TEL_RESULTS], int32_t &count);
int DirectorySearchTelOne(TDirectoryTelRequest &request, TDirectoryDetail &detail, uint32_t entry);
// page holds condition.PageSize hits.
int DirectorySearchArea(TDirectoryCondition &condition, TDirectoryHit *page, int32_t &count, TDirectoryResume &resume,
                        int32_t reserved, TDirectoryAbort abort, TDirectoryNames names);
int DirectorySearchAreaCount(TDirectoryCondition &condition, int32_t &count, int32_t reserved, TDirectoryAbort abort,
                             TDirectoryNames names);

// A 256-byte folder field as the library reads it: trimmed and ending with "/", NUL-terminated in place.
void NormalizeDirectoryFolder(char (&folder)[256]);

// The whole entry of a hit, fetched with the hit's number and reference and the folders of the search's
// condition; on 0 the entry's number is reduced to its digits and hyphenated as the program shows numbers.
// Returns the library's code.
int FetchDirectoryDetail(const TDirectoryHit &hit, const TDirectoryCondition &condition, TDirectoryDetail &detail);
