#include "DirectoryScan.h"

#include "NameKey.h"

#include <algorithm>
#include <cstring>

namespace kvdir {

std::vector<uint32_t> ScanListings(const TDirectoryFile &file, const TScanQuery &q, size_t limit)
{
    std::vector<std::string> names = NameListKeys(q.names), exclusions = NameListKeys(q.exclusions);
    if (q.mode != kFuzzy && names.size() > 1)
        names.resize(1);
    std::erase(names, std::string());
    std::erase(exclusions, std::string());
    const uint32_t kinds = ((q.kinds & 15) != 0 ? q.kinds & 15 : 15) & (q.faxOnly ? 2 | 4 : 15);
    const std::string area = q.area.size() == 6 ? q.area.substr(0, 5) : q.area;
    const uint32_t city = area.size() == 5 ? uint32_t(std::stoul(area)) : 0;
    const uint32_t main = q.category.size() == 4 ? uint32_t(std::stoul(q.category.substr(0, 2))) : 0;
    const uint32_t sub = q.category.size() == 4 ? uint32_t(std::stoul(q.category.substr(2))) : 0;

    std::vector<uint32_t> hits;
    for (uint32_t id = 0; id < file.listingCount() && hits.size() < limit; ++id) {
        const TListingRecord &l = file.listing(id);
        if ((kinds & 1u << (l.Kind & 3)) == 0 || (q.legalForm != 0 && l.LegalForm != q.legalForm)
            || (main != 0 && (l.Category / 100 != main || (sub != 0 && l.Category % 100 != sub))))
            continue;
        if (!area.empty()) {
            const TTownRecord *town = file.town(l.Town);
            const TMunicipalityRecord *m = town ? file.municipality(town->Municipality) : nullptr;
            if (!m)
                continue;
            const bool inArea = area.size() == 8 ? std::memcmp(town->District, area.data(), 8) == 0
                                                 : std::memcmp(m->Jis, area.data(), area.size()) == 0
                                                       || (city != 0 && m->WardCity == city);
            if (!inArea)
                continue;
        }
        const std::string_view key = file.key(id);
        if (!names.empty() && std::none_of(names.begin(), names.end(), [&](const std::string &n) {
                return KeyMatches(key, n, q.mode);
            }))
            continue;
        if (std::any_of(exclusions.begin(), exclusions.end(),
                        [&](const std::string &n) { return ContainsChars(key, n); }))
            continue;
        hits.push_back(id);
    }
    return hits;
}

}  // namespace kvdir
