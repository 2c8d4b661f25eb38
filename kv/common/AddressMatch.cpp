#include "AddressMatch.h"

#include "FixedField.h"

#include <algorithm>

namespace kv {

namespace {

// The prefecture the text starts with (0 for none) and the text after it.
std::pair<uint32_t, std::string_view> splitPrefecture(const TGeoDic &dic, std::string_view text)
{
    for (uint32_t n = 1; n <= 47; ++n) {
        const auto p = dic.prefecture(n);
        if (p && !p->name.empty() && text.starts_with(p->name))
            return {n, text.substr(p->name.size())};
    }
    return {0, text};
}

}  // namespace

std::vector<uint32_t> MatchMunicipalities(const TGeoDic &dic, std::string_view text)
{
    const auto [prefecture, rest] = splitPrefecture(dic, text);
    auto wanted = [&, prefecture = prefecture](uint32_t m) {
        return m != kNone && (prefecture == 0 || dic.municipality(m).prefecture == prefecture);
    };
    std::vector<uint32_t> found;

    // Names the text begins with: each is the first name of the range of names starting with it, so the
    // search stops at the first start of the text no name begins with.
    size_t longest = 0;
    for (size_t length = 0; length < rest.size();) {
        length += IsSjisLead(static_cast<unsigned char>(rest[length])) && length + 1 < rest.size() ? 2 : 1;
        const std::string_view start = rest.substr(0, length);
        const TGeoRange names = dic.namesStartingWith(start);
        if (names.count == 0)
            break;
        for (uint32_t i = names.first; i < names.first + names.count && dic.name(i) == start; ++i) {
            const uint32_t m = dic.nameMunicipality(i);
            if (!wanted(m))
                continue;
            if (length > longest)
                found.clear();
            longest = length;
            found.push_back(m);
        }
    }
    if (found.empty()) {
        if (rest.empty() && prefecture != 0) {
            const auto p = dic.prefecture(prefecture);
            for (uint32_t i = 0; i < p->municipalities.count; ++i)
                found.push_back(dic.municipalityOfPrefecture(p->municipalities.first + i));
        } else if (!rest.empty()) {
            const TGeoRange names = dic.namesStartingWith(rest);
            for (uint32_t i = names.first; i < names.first + names.count; ++i)
                if (wanted(dic.nameMunicipality(i)))
                    found.push_back(dic.nameMunicipality(i));
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    found.erase(std::remove(found.begin(), found.end(), kNone), found.end());
    return found;
}

std::string_view RestAfterMunicipality(const TGeoDic &dic, const TGeoMunicipality &m, std::string_view text)
{
    const auto p = dic.prefecture(m.prefecture);
    if (p && !p->name.empty() && text.starts_with(p->name))
        text.remove_prefix(p->name.size());
    for (std::string_view name : {m.name, m.shortName})
        if (!name.empty() && text.starts_with(name))
            return text.substr(name.size());
    return {};
}

}  // namespace kv
