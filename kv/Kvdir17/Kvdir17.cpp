// Kvdir17.so: the business telephone directory over Dt00/Directory.dat (DirectoryFile.h), searched through its
// own indexes: areas are ranges of listings, names are found through the characters and pairs of characters
// of their keys, categories and numbers through sorted lists. Nothing is shared between calling threads (each
// has its own mapping of the file), so the two search workers may call at once.
#include "Kvdir17.h"

#include "DirectoryFile.h"
#include "DirectorySearch.h"
#include "common/FixedField.h"
#include "common/GeoDic.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

namespace {

using namespace kvdir;

// The first word of a resume context this library wrote; a zero-filled context starts the area afresh.
constexpr uint32_t kResumeMark = 0x5244564B;  // "KVDR"
enum TResumeWord { kMark, kNext, kQuery, kStamp };

// The digits of a requested number, hyphens and blanks left out; false when anything else is in it or it is
// longer than any listed number can be.
bool requestDigits(const char (&field)[16], std::string &digits)
{
    digits.clear();
    for (char c : kv::FieldText(field)) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '-' && c != ' ')
            return false;
    }
    return digits.size() < sizeof TListingRecord::Tel;
}

// The digits of a number request and the directory it names: the code of the first thing wrong with them, or
// kFound. An empty number is allowed only when a listing whose number is not published may be asked for.
int32_t openNumberRequest(const TDirectoryTelRequest *request, bool emptyAllowed, std::string &digits,
                          std::optional<TDirectoryFile> &file)
{
    if (!request || !requestDigits(request->Tel, digits) || (digits.empty() && !emptyAllowed))
        return kInvalidArgument;
    const std::string folder = DataFolderOf(request->DataFolder);
    if (folder.empty())
        return kInvalidArgument;
    file.emplace(folder);
    return file->valid() ? kFound : kDataMissing;
}

void putDigits(char (&field)[2], uint32_t value)
{
    field[0] = char('0' + value / 10 % 10);
    field[1] = char('0' + value % 10);
}

// Texts joined into a field, cut like any text that does not fit it.
template <size_t N, size_t Parts>
void putJoined(char (&field)[N], const std::array<std::string_view, Parts> &parts)
{
    char joined[N + 2];
    size_t length = 0;
    for (std::string_view part : parts) {
        const size_t n = std::min(part.size(), sizeof joined - length);
        kv::CopyBytes(joined + length, part, n);
        length += n;
    }
    kv::PutText(field, std::string_view(joined, length), '\0');
}

void fillHit(const TDirectoryFile &file, uint32_t id, TDirectoryHit &hit)
{
    const TListingTexts t = ListingTexts(file, id);
    const TListingRecord &l = file.listing(id);
    std::memset(&hit, 0, sizeof hit);
    kv::PutText(hit.Tel, t.tel, '\0');
    hit.Kind = l.Kind;
    hit.Entry = id;
    kv::PutText(hit.Name, t.name, '\0');
    // The building set apart by a blank, so that its digits never read as part of the street number.
    const auto parts = t.addressParts();
    std::string address;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k == parts.size() - 1 && !address.empty() && !parts[k].empty())
            address += ' ';
        address += parts[k];
    }
    kv::PutText(hit.Address, address, '\0');
    putDigits(hit.MainCategory, l.Category / 100);
    putDigits(hit.SubCategory, l.Category % 100);
}

void fillDetail(const TDirectoryFile &file, uint32_t id, TDirectoryDetail &d)
{
    const TListingTexts t = ListingTexts(file, id);
    const TListingRecord &l = file.listing(id);
    std::memset(&d, 0, sizeof d);
    kv::PutText(d.Tel, t.tel, '\0');
    d.Kind = l.Kind;
    if (t.postalCode != 0)
        kv::PutText(d.PostalCode, kv::PostalDigits(t.postalCode), '\0');
    kv::PutText(d.Name, t.name, '\0');
    kv::PutText(d.NameReading, t.reading, '\0');
    kv::PutText(d.Prefecture, t.prefecture, '\0');
    kv::PutText(d.City, t.city, '\0');
    kv::PutText(d.Address1, t.town, '\0');
    kv::PutText(d.Address2, t.address2, '\0');
    kv::PutText(d.Address3, t.address3, '\0');
    kv::PutText(d.PrefectureReading, t.prefectureReading, '\0');
    kv::PutText(d.CityReading, t.cityReading, '\0');
    kv::PutText(d.Address1Reading, t.townReading, '\0');
    kv::PutText(d.Address2Reading, t.address2Reading, '\0');
    kv::PutText(d.Address3Reading, t.address3Reading, '\0');
    putJoined(d.AddressCode, std::array{t.jis, t.townCode});
    d.Person = l.Person;
    d.Latitude = l.Latitude;
    d.Longitude = l.Longitude;
    putDigits(d.MainCategory, l.Category / 100);
    putDigits(d.SubCategory, l.Category % 100);
}

int32_t searchArea(TDirectoryCondition *condition, TDirectoryHit *page, int32_t *count, TDirectoryResume *resume,
                   TDirectoryAbort abort, const char *const names[2], bool faxOnly)
{
    TAreaQuery query;
    if (!condition || !page || !count || !resume || condition->PageSize < 1 || condition->PageSize > 200
        || !ParseCondition(*condition, names, faxOnly, query))
        return kInvalidArgument;
    const TDirectoryFile file(query.dataFolder);
    if (!file.valid())
        return kDataMissing;
    TAreaSearch search(file, query);

    uint32_t from = search.first();
    if (condition->Continuation != 0 && resume->State[kMark] != 0) {
        // Only a context of this very search over these very listings is followed; anything else would give
        // hits twice or leave some out.
        if (resume->State[kMark] != kResumeMark || resume->State[kQuery] != query.hash
            || resume->State[kStamp] != file.stamp() || resume->State[kNext] < search.first()
            || resume->State[kNext] > search.end())
            return kInvalidArgument;
        from = resume->State[kNext];
    }

    // One hit more than the page is looked for, so that the call tells whether the area has more.
    const uint32_t pageSize = condition->PageSize;
    uint32_t taken = 0;
    const TAreaSearch::TWalk walk = search.walk(
        from,
        [&](uint32_t id) {
            if (taken == pageSize)
                return false;
            fillHit(file, id, page[taken++]);
            return true;
        },
        abort);

    std::memset(resume->State, 0, sizeof resume->State);
    resume->State[kMark] = kResumeMark;
    resume->State[kNext] = walk.next;
    resume->State[kQuery] = query.hash;
    resume->State[kStamp] = file.stamp();
    resume->AreaDone = walk.code == kFound && walk.next == search.end() ? 1 : 0;
    *count = int32_t(taken);
    if (walk.code != kFound)
        return walk.code;
    return taken > 0 ? kFound : kAreaExhausted;
}

int32_t countArea(TDirectoryCondition *condition, int32_t *count, TDirectoryAbort abort,
                  const char *const names[2], bool faxOnly)
{
    TAreaQuery query;
    if (!condition || !count || !ParseCondition(*condition, names, faxOnly, query))
        return kInvalidArgument;
    const TDirectoryFile file(query.dataFolder);
    if (!file.valid())
        return kDataMissing;
    TAreaSearch search(file, query);
    int32_t hits = 0;
    const TAreaSearch::TWalk walk = search.walk(
        search.first(),
        [&](uint32_t) {
            ++hits;
            return true;
        },
        abort);
    *count = hits;
    if (walk.code != kFound)
        return walk.code;
    return hits > 0 ? kFound : kAreaExhausted;
}

}  // namespace

KV_EXPORT int32_t kvdir_search_area(TDirectoryCondition *condition, TDirectoryHit *page, int32_t *count,
                                    TDirectoryResume *resume, int32_t, TDirectoryAbort abort,
                                    const char *const names[2])
{
    return searchArea(condition, page, count, resume, abort, names, false);
}

KV_EXPORT int32_t kvdir_search_area_count(TDirectoryCondition *condition, int32_t *count, int32_t,
                                          TDirectoryAbort abort, const char *const names[2])
{
    return countArea(condition, count, abort, names, false);
}

KV_EXPORT int32_t kvdir_search_area_fax(TDirectoryCondition *condition, TDirectoryHit *page, int32_t *count,
                                        TDirectoryResume *resume, int32_t, TDirectoryAbort abort,
                                        const char *const names[2])
{
    return searchArea(condition, page, count, resume, abort, names, true);
}

KV_EXPORT int32_t kvdir_search_area_count_fax(TDirectoryCondition *condition, int32_t *count, int32_t,
                                              TDirectoryAbort abort, const char *const names[2])
{
    return countArea(condition, count, abort, names, true);
}

KV_EXPORT int32_t kvdir_search_tel(TDirectoryTelRequest *request, TDirectoryDetail result[8], int32_t *count)
{
    std::string digits;
    std::optional<TDirectoryFile> file;
    if (!result || !count)
        return kInvalidArgument;
    if (const int32_t code = openNumberRequest(request, false, digits, file); code != kFound)
        return code;
    int32_t found = 0;
    for (const TNumberRecord &n : file->numbers(NumberValue(digits))) {
        if (found == KVDIR_TEL_RESULTS)
            break;
        if (n.Listing < file->listingCount())
            fillDetail(*file, n.Listing, result[found++]);
    }
    *count = found;
    return found > 0 ? kFound : kNothingFound;
}

KV_EXPORT int32_t kvdir_search_tel_one(TDirectoryTelRequest *request, TDirectoryDetail *detail, uint32_t entry)
{
    std::string digits;
    std::optional<TDirectoryFile> file;
    if (!detail)
        return kInvalidArgument;
    if (const int32_t code = openNumberRequest(request, true, digits, file); code != kFound)
        return code;
    // The number guards the reference: a hit of other listings than these finds nothing rather than a
    // stranger's entry.
    if (entry >= file->listingCount() || kv::FieldText(file->listing(entry).Tel) != digits)
        return kNothingFound;
    fillDetail(*file, entry, *detail);
    return kFound;
}

KV_EXPORT int32_t kvdir_tel_mask(TDirectoryTelRequest *request, uint32_t *kinds)
{
    std::string digits;
    std::optional<TDirectoryFile> file;
    if (!kinds)
        return kInvalidArgument;
    if (const int32_t code = openNumberRequest(request, false, digits, file); code != kFound)
        return code;
    uint32_t mask = 0;
    for (const TNumberRecord &n : file->numbers(NumberValue(digits)))
        if (n.Listing < file->listingCount())
            mask |= 1u << AttributeKind(file->attributes(n.Listing));
    *kinds = mask;
    return mask != 0 ? kFound : kNothingFound;
}
