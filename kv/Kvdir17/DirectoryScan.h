// A plain walk over every listing of the directory file, in listing order, answering an area search without
// any index: what the tests hold Kvdir17.so to, and the baseline of its benchmark.
#pragma once

#include "DirectoryFile.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kvdir {

// An area search as the condition and the name lists of the library carry it.
struct TScanQuery {
    std::string area;                    // "", 2, 5 (or 6) or 8 characters
    uint32_t kinds = 15;                 // the bits of TDirectoryCondition.Kinds, 0 for all
    uint32_t legalForm = 0;
    std::string category;                // "", "0000", "MM00" or "MMSS"
    uint32_t mode = 1;                   // TMatchMode
    std::string names, exclusions;       // "name,name,"
    bool faxOnly = false;
};

// The positions of the listings that answer the query, at most limit of them.
std::vector<uint32_t> ScanListings(const TDirectoryFile &file, const TScanQuery &query,
                                   size_t limit = std::numeric_limits<size_t>::max());

}  // namespace kvdir
