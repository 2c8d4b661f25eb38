// Writes Dt00/Directory.dat (layout in kv/Kvdir17/DirectoryFile.h) from sample listings: the listings in
// listing order with their areas, and the name, category and number indexes Kvdir17.so searches through.
#pragma once

#include "DirectoryFile.h"
#include "SampleListings.h"

#include <functional>
#include <string>
#include <vector>

namespace dirsample {

// Sorts the listings into listing order and writes folder + "Directory.dat" through a temporary file that
// replaces it only once it is complete, every text of every listing is known to fit the field of the hit and
// the detail it is copied into, and check (when given) has passed on it. Throws std::runtime_error on failure,
// leaving the file that was there.
void WriteDirectory(const kv::TGeoDic &geo, TStringPool &pool, std::vector<TSampleListing> &listings,
                    const std::string &folder, const std::function<void(const kvdir::TDirectoryFile &)> &check);

}  // namespace dirsample
