// The large sample directory of the directory benchmarks (made on first use with data/directory's generator
// into build/sample-large/Dt00/), the conditions they search it with and the names they search it for.
#pragma once

#include "DirectoryFile.h"
#include "DirectoryScan.h"
#include "Kvdir17/Kvdir17.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The folder of the large set and the program's dictionary folder, each ending with "/".
inline const std::string LargeDirectoryFolder = VELMORA_LARGE_SAMPLE "Dt00/";
inline constexpr const char *DirectoryDicFolder = VELMORA_APP_DIR "Dic/";

// The large set in folder, made when it is missing, of another size or older than its generator or the
// dictionaries. False when it could not be made.
bool ensureLargeSet(const std::string &folder, uint32_t listings);

// Text between the sources' UTF-8 and the directory's Shift-JIS.
std::string sjis(const char *utf8);
std::string utf8(std::string_view text);

// One area of a query as the search windows hand it to the library: kinds, legal form and match mode of the
// query, the folders, and a page buffer of pageSize slots.
TDirectoryCondition directoryCondition(const kvdir::TScanQuery &q, const std::string &folder, uint32_t pageSize);

// The district that holds the most listings: its code, its first listing and its number of listings.
std::string largestTown(const kvdir::TDirectoryFile &file, uint32_t &first, uint32_t &count);

// The names a search of each match mode (prefix, fuzzy, suffix, exact) finds most often among the listings
// of a range: the commonest first two characters, pair of characters, last two characters and whole name of
// their keys.
std::vector<std::string> townNames(const kvdir::TDirectoryFile &file, uint32_t first, uint32_t count);
