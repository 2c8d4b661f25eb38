#include "DirectorySearch.h"

#include "NameKey.h"
#include "common/FixedField.h"

#include <algorithm>
#include <limits>

namespace kvdir {

namespace {

constexpr uint32_t kNoMore = std::numeric_limits<uint32_t>::max();
// Candidates looked at between two calls of the abort callback.
constexpr uint32_t kAbortInterval = 16384;
// The index lists one name's candidates are intersected from at most; the other grams are checked on the
// candidates themselves, which costs less than walking long lists.
constexpr size_t kMostLists = 4;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool allDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The area code as the directory keys it: "", a prefecture, a municipality or city (a sixth character, the
// check digit, is ignored) or a district, whose last three characters are digits or a letter and digits.
bool areaKey(std::string_view code, std::string &key)
{
    if (code.empty() || (code.size() == 2 && allDigits(code))) {
        key = code;
        return true;
    }
    if ((code.size() == 5 || code.size() == 6) && allDigits(code)) {
        key = code.substr(0, 5);
        return true;
    }
    if (code.size() == 8 && allDigits(code.substr(0, 5)) && allDigits(code.substr(6))
        && ((code[5] >= '0' && code[5] <= '9') || (code[5] >= 'A' && code[5] <= 'Z'))) {
        key = code;
        return true;
    }
    return false;
}

// "0000" or nothing: any category; "MM00": main category MM; "MMSS": its sub category SS.
bool categoryNumber(std::string_view code, uint32_t &category)
{
    if (code.empty()) {
        category = 0;
        return true;
    }
    if (code.size() != 4 || !allDigits(code))
        return false;
    const uint32_t main = uint32_t((code[0] - '0') * 10 + (code[1] - '0'));
    const uint32_t sub = uint32_t((code[2] - '0') * 10 + (code[3] - '0'));
    if (main == 0 && sub != 0)
        return false;
    category = sub == 0 ? main : main * 100 + sub;
    return true;
}

void hashBytes(uint32_t &hash, std::string_view bytes)
{
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    hash = (hash ^ 0xFFu) * 16777619u;  // ends each field, so that ("ab", "c") and ("a", "bc") differ
}

void hashNumber(uint32_t &hash, uint32_t value)
{
    const char bytes[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    hashBytes(hash, std::string_view(bytes, 4));
}

// One list of listing positions, walked forwards only.
class TCursor {
public:
    explicit TCursor(std::span<const uint32_t> ids) : ids_(ids) {}
    size_t size() const { return ids_.size(); }

    // The first position not below target, galloping from where the cursor stands; kNoMore past the end.
    uint32_t seek(uint32_t target)
    {
        if (at_ >= ids_.size() || ids_[at_] >= target)
            return at_ < ids_.size() ? ids_[at_] : kNoMore;
        size_t step = 1, low = at_;
        while (low + step < ids_.size() && ids_[low + step] < target) {
            low += step;
            step *= 2;
        }
        const size_t high = std::min(ids_.size(), low + step + 1);
        at_ = size_t(std::lower_bound(ids_.begin() + ptrdiff_t(low), ids_.begin() + ptrdiff_t(high), target)
                     - ids_.begin());
        return at_ < ids_.size() ? ids_[at_] : kNoMore;
    }

private:
    std::span<const uint32_t> ids_;
    size_t at_ = 0;
};

// The positions in every one of several lists.
class TIntersection {
public:
    explicit TIntersection(std::vector<TCursor> lists) : lists_(std::move(lists)) {}

    uint32_t seek(uint32_t target)
    {
        uint32_t candidate = target;
        for (bool agreed = false; !agreed;) {
            agreed = true;
            for (TCursor &list : lists_) {
                const uint32_t at = list.seek(candidate);
                if (at == kNoMore)
                    return kNoMore;
                if (at != candidate) {
                    candidate = at;
                    agreed = false;
                }
            }
        }
        return candidate;
    }

private:
    std::vector<TCursor> lists_;
};

// The index lists a name key's listings lie in: its character pairs, and for the modes bound to an end of the
// name the first or last character beside that end; a single character alone for a fuzzy search of one.
std::vector<uint32_t> gramsOf(std::string_view key, uint32_t mode)
{
    const std::vector<uint16_t> chars = KeyChars(key);
    std::vector<uint32_t> grams;
    if (chars.size() == 1 && mode == kFuzzy)
        grams.push_back(SingleGram(chars[0]));
    for (size_t i = 0; i + 1 < chars.size(); ++i)
        grams.push_back(Gram(chars[i], chars[i + 1]));
    if (mode == kPrefix || mode == kExact)
        grams.push_back(Gram(kGramStart, chars.front()));
    if (mode == kSuffix || mode == kExact)
        grams.push_back(Gram(chars.back(), kGramEnd));
    return grams;
}

}  // namespace

std::string DataFolderOf(const char (&field)[256])
{
    std::string folder(trimmed(kv::FieldText(field)));
    if (!folder.empty() && !folder.ends_with('/'))
        folder += '/';
    return folder;
}

bool ParseCondition(const TDirectoryCondition &c, const char *const names[2], bool faxOnly, TAreaQuery &q)
{
    q.dataFolder = DataFolderOf(c.DataFolder);
    if (q.dataFolder.empty() || !areaKey(trimmed(kv::FieldText(c.AreaCode)), q.areaCode)
        || !categoryNumber(trimmed(kv::FieldText(c.CategoryCode)), q.category) || c.LegalForm > 7
        || c.MatchMode > kExact)
        return false;
    q.kinds = (c.Kinds & 15) == 0 ? 15 : c.Kinds & 15;
    if (faxOnly)
        q.kinds &= 2 | 4;
    q.legalForm = c.LegalForm;
    q.mode = c.MatchMode;

    q.names.clear();
    q.exclusions.clear();
    if (names) {
        std::vector<std::string> listed = NameListKeys(kv::ArgumentText(names[0]));
        // Only a fuzzy search takes the target names behind the search name.
        if (q.mode != kFuzzy && listed.size() > 1)
            listed.resize(1);
        for (std::string &key : listed)
            if (!key.empty())
                q.names.push_back(std::move(key));
        for (std::string &key : NameListKeys(kv::ArgumentText(names[1])))
            if (!key.empty())
                q.exclusions.push_back(std::move(key));
    }

    q.hash = 2166136261u;
    hashBytes(q.hash, q.areaCode);
    for (uint32_t value : {q.kinds, q.legalForm, q.category, q.mode, uint32_t(q.names.size())})
        hashNumber(q.hash, value);
    for (const std::string &name : q.names)
        hashBytes(q.hash, name);
    for (const std::string &name : q.exclusions)
        hashBytes(q.hash, name);
    return true;
}

// The positions that may be hits, ascending: one intersection of index lists per searched name (a listing
// found under several names comes once), the category's list alone, or every listing of the area.
class TAreaSearch::TCandidates {
public:
    TCandidates(const TDirectoryFile &file, const TAreaQuery &q, uint32_t end) : end_(end)
    {
        const std::span<const uint32_t> category =
            q.category ? file.categoryPostings(q.category) : std::span<const uint32_t>();
        if (q.names.empty()) {
            every_ = q.category == 0;
            if (!every_)
                alternatives_.emplace_back(std::vector<TCursor>{TCursor(category)});
            return;
        }
        for (const std::string &name : q.names) {
            std::vector<TCursor> lists;
            bool missing = false;
            for (uint32_t gram : gramsOf(name, q.mode)) {
                const std::span<const uint32_t> ids = file.gramPostings(gram);
                missing = missing || ids.empty();
                lists.emplace_back(ids);
            }
            if (missing)
                continue;  // a gram no listing has: no listing holds this name
            std::sort(lists.begin(), lists.end(),
                      [](const TCursor &a, const TCursor &b) { return a.size() < b.size(); });
            if (lists.size() > kMostLists)
                lists.erase(lists.begin() + kMostLists, lists.end());
            if (q.category)
                lists.emplace_back(category);
            alternatives_.emplace_back(std::move(lists));
        }
    }

    uint32_t seek(uint32_t target)
    {
        if (every_)
            return std::min(target, end_);
        uint32_t least = end_;
        for (TIntersection &alternative : alternatives_)
            least = std::min(least, alternative.seek(target));
        return least;
    }

private:
    uint32_t end_;
    bool every_ = false;
    std::vector<TIntersection> alternatives_;
};

TAreaSearch::TAreaSearch(const TDirectoryFile &file, const TAreaQuery &query) : file_(file), query_(query)
{
    uint32_t count = 0;
    if (query.kinds != 0 && file.area(query.areaCode, first_, count))
        end_ = first_ + count;
    else
        first_ = end_ = 0;
    candidates_ = std::make_unique<TCandidates>(file, query, end_);
}

TAreaSearch::~TAreaSearch() = default;

bool TAreaSearch::matches(uint32_t id) const
{
    const uint32_t a = file_.attributes(id);
    if ((query_.kinds & 1u << AttributeKind(a)) == 0)
        return false;
    if (query_.legalForm != 0 && AttributeLegalForm(a) != query_.legalForm)
        return false;
    const uint32_t category = AttributeCategory(a);
    if (query_.category != 0 && (query_.category < 100 ? category / 100 : category) != query_.category)
        return false;
    if (query_.names.empty() && query_.exclusions.empty())
        return true;
    const std::string_view key = file_.key(id);
    if (!query_.names.empty()
        && std::none_of(query_.names.begin(), query_.names.end(),
                        [&](const std::string &name) { return KeyMatches(key, name, query_.mode); }))
        return false;
    return std::none_of(query_.exclusions.begin(), query_.exclusions.end(),
                        [&](const std::string &name) { return ContainsChars(key, name); });
}

TAreaSearch::TWalk TAreaSearch::walk(uint32_t from, const std::function<bool(uint32_t)> &take,
                                     TDirectoryAbort abort)
{
    const uint32_t start = std::min(std::max(from, first_), end_);
    if (abort && abort(0, 0) == 0)
        return {kStoppedByCaller, start};
    uint32_t looked = 0, found = 0;
    for (uint32_t at = candidates_->seek(start); at < end_; at = candidates_->seek(at + 1)) {
        if (abort && ++looked % kAbortInterval == 0 && abort(int32_t(looked), int32_t(found)) == 0)
            return {kStoppedByCaller, at};
        if (!matches(at))
            continue;
        if (!take(at))
            return {kFound, at};
        ++found;
    }
    return {kFound, end_};
}

}  // namespace kvdir
