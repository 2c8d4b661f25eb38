// Kvjis.so: free-form address text to postal code, JIS code, town code and the dictionary's own spelling of the
// prefecture, municipality and town. The text and the names are compared in their matching form
// (AdrsNormalizer.h), the names' forms coming ready sorted from Dic/Jis.dic.
#include "Kvjis.h"

#include "AdrsNormalizer.h"
#include "JisIndex.h"
#include "common/FixedField.h"
#include "common/GeoDic.h"

#include <cstring>
#include <string>
#include <string_view>

static_assert(KVJIS_DICTIONARY_ERROR == kv::kDictionaryError);

namespace {

using kv::kNone;
using kvjis::TJisIndex;

// Shift-JIS of the words the matching looks at after the town name.
constexpr std::string_view kCho = "\x92\x9A";              // 丁
constexpr std::string_view kChome = "\x92\x9A\x96\xDA";  // 丁目
constexpr std::string_view kStreet = "\x92\xCA";           // 通

bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t nextCharacter(std::string_view text, size_t at)
{
    return at + (kv::IsSjisLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1);
}

struct TTownMatch {
    uint32_t town = kNone;
    size_t end = 0;  // where the matched name ends in the text
};

// The town of m whose name is the longest start of text.
TTownMatch longestTown(const kv::TGeoDic &geo, const TJisIndex &index, uint32_t m, std::string_view text)
{
    TTownMatch match;
    index.forEachPrefix(kvjis::kTownKeys, index.townKeys(m), text, [&](size_t length, uint32_t town) {
        // The first of equal keys is the town listed first; only a longer key replaces it.
        if (length > match.end && geo.town(town).municipality == m)
            match = {town, length};
    });
    return match;
}

// The text with its block number in the dictionary's form: the first number that a hyphen or a bare 丁
// follows ("本町2-3-4", "本町2丁3") becomes "2丁目", as towns listed by block are spelt ("本町2丁目").
struct TBlockForm {
    std::string text;     // empty when the text has no such number
    size_t blockEnd = 0;  // where "丁目" ends in it
    size_t added = 0;     // bytes it is longer than the original
};

TBlockForm withBlockNumber(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        if (!isDigit(text[at])) {
            at = nextCharacter(text, at);
            continue;
        }
        size_t end = at;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        const std::string_view after = text.substr(end);
        at = end;
        size_t marker = 0;
        if (after.starts_with('-'))
            marker = 1;
        else if (after.starts_with(kCho) && !after.starts_with(kChome))
            marker = kCho.size();
        if (marker == 0)
            continue;
        return {std::string(text.substr(0, end)).append(kChome).append(after.substr(marker)), end + kChome.size(),
                kChome.size() - marker};
    }
    return {};
}

// Where the town begins in Kyoto's way of writing: the street, the crossing street and the direction from it
// ("寺町通御池上る上本能寺前町488"): after the last "上る", "下る", "東入" or "西入" (る also ル, or left out).
size_t afterDirection(std::string_view text)
{
    static constexpr std::string_view directions[] = {"\x8F\xE3", "\x89\xBA", "\x93\xFC"};  // 上 下 入
    static constexpr std::string_view endings[] = {"\x82\xE9", "\x83\x8B"};                   // る ル
    size_t found = std::string_view::npos;
    for (size_t at = 0; at < text.size(); at = nextCharacter(text, at)) {
        for (std::string_view direction : directions) {
            if (!text.substr(at).starts_with(direction))
                continue;
            size_t after = at + direction.size();
            for (std::string_view ending : endings)
                if (text.substr(after).starts_with(ending))
                    after += ending.size();
            // 上 and 下 stand alone only with their ending; 入 is written without it too ("東入").
            if (after > at + direction.size() || direction == directions[2])
                found = after;
        }
    }
    return found;
}

// The town the text after the municipality names: the longest town name it begins with, in the block form
// when the dictionary lists the town by blocks. A name that "通" follows names a street ("丸太町通"), and the
// town is then looked for after the direction, as Kyoto writes addresses.
TTownMatch matchTown(const kv::TGeoDic &geo, const TJisIndex &index, uint32_t m, std::string_view text)
{
    TTownMatch first = longestTown(geo, index, m, text);
    if (const TBlockForm blocked = withBlockNumber(text); !blocked.text.empty()) {
        const TTownMatch withBlock = longestTown(geo, index, m, blocked.text);
        if (withBlock.town != kNone && withBlock.end >= blocked.blockEnd)
            first = {withBlock.town, withBlock.end - blocked.added};
    }
    if (first.town != kNone && !text.substr(first.end).starts_with(kStreet))
        return first;
    const size_t at = afterDirection(text);
    if (at == std::string_view::npos)
        return {};
    const TTownMatch named = longestTown(geo, index, m, text.substr(at));
    return named.town != kNone ? TTownMatch{named.town, at + named.end} : TTownMatch{};
}

struct TCandidate {
    uint32_t municipality = kNone;
    uint32_t town = kNone;
    size_t matched = 0;  // bytes of the text the prefecture, municipality and town account for

    bool betterThan(const TCandidate &other) const
    {
        if (other.municipality == kNone)
            return municipality != kNone;
        if ((town != kNone) != (other.town != kNone))
            return town != kNone;
        if (matched != other.matched)
            return matched > other.matched;
        return municipality < other.municipality;
    }
};

// The best reading of the whole text: with or without a prefecture in front, each municipality whose name
// (or name without the county) follows, and the town after it.
TCandidate matchAddress(const kv::TGeoDic &geo, const TJisIndex &index, std::string_view key)
{
    TCandidate best;
    auto tryMunicipalities = [&](uint32_t prefecture, size_t prefectureLength) {
        const std::string_view rest = key.substr(prefectureLength);
        index.forEachPrefix(kvjis::kMunicipalityKeys, index.entries(kvjis::kMunicipalityKeys), rest,
                            [&](size_t length, uint32_t m) {
                                const kv::TGeoMunicipality city = geo.municipality(m);
                                if (city.index == kNone || (prefecture != 0 && city.prefecture != prefecture))
                                    return;
                                const TTownMatch town = matchTown(geo, index, m, rest.substr(length));
                                const TCandidate c{m, town.town, prefectureLength + length + town.end};
                                if (c.betterThan(best))
                                    best = c;
                            });
    };
    tryMunicipalities(0, 0);
    // A municipality may begin like a prefecture ("京都市", "大阪市"), so the text is read both ways.
    index.forEachPrefix(kvjis::kPrefectureKeys, index.entries(kvjis::kPrefectureKeys), key,
                        [&](size_t length, uint32_t prefecture) { tryMunicipalities(prefecture, length); });
    return best;
}

void fill(const kv::TGeoDic &geo, const TCandidate &found, TJisAdrsRecord *rec)
{
    const kv::TGeoMunicipality city = geo.municipality(found.municipality);
    const auto prefecture = geo.prefecture(city.prefecture);
    std::memset(rec, ' ', sizeof *rec);
    std::memset(rec->Reserved, 0, sizeof rec->Reserved);
    kv::PutText(rec->JisCode, city.jis);
    if (prefecture) {
        kv::PutText(rec->PrefectureReading, prefecture->reading);
        kv::PutText(rec->Prefecture, prefecture->name);
    }
    kv::PutText(rec->CityReading, city.reading);
    kv::PutText(rec->City, city.name);
    if (found.town == kNone) {
        if (city.ownPostalCode != 0)
            kv::PutText(rec->PostalCode, kv::PostalDigits(city.ownPostalCode));
        return;
    }
    const kv::TGeoTown town = geo.town(found.town);
    kv::PutText(rec->PostalCode, kv::PostalDigits(town.postalCode));
    kv::PutText(rec->TownReading, town.reading);
    kv::PutText(rec->Town, town.name);
    kv::PutText(rec->TownCode, geo.townCode(town));
}

}  // namespace

KV_EXPORT int32_t KVJisAdrs(const char *address, TJisAdrsRecord *rec, const char *data)
{
    if (!address || !rec)
        return KVJIS_INVALID;
    const std::string_view text = kv::ArgumentText(address, KVJIS_MAX_ADDRESS + 1);
    std::string key;
    if (text.size() > KVJIS_MAX_ADDRESS || !kvjis::NormalizeAddress(text, key) || key.empty())
        return KVJIS_INVALID;

    const kv::TGeoDic geo(data);
    const TJisIndex index(data, geo);
    if (!index.valid())
        return KVJIS_DICTIONARY_ERROR;
    const TCandidate found = matchAddress(geo, index, key);
    if (found.municipality == kNone)
        return KVJIS_NOT_FOUND;
    fill(geo, found, rec);
    return found.town != kNone ? KVJIS_MATCHED : KVJIS_PARTIAL;
}
