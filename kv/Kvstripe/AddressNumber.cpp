// Address numbers on Shift-JIS bytes. The characters the rules name are recognised by their codes; kanji
// numerals and the spelling variants of names go through Kvjis's matching form, so both libraries read an
// address the same way.
#include "AddressNumber.h"

#include "Kvjis/AdrsNormalizer.h"
#include "common/FixedField.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kvstripe {
namespace {

// Shift-JIS codes of the characters the rules look at.
constexpr uint16_t kFullDigit0 = 0x824F, kFullDigit9 = 0x8258, kFullUpperA = 0x8260, kFullUpperZ = 0x8279,
                   kFullLowerA = 0x8281, kFullLowerZ = 0x829A;
constexpr uint16_t kHyphens[] = {'-', 0x815C /* ― */, 0x815D /* ‐ */, 0x817C /* － − */, 0x849F /* ─ */};
constexpr uint16_t kDropped[] = {'&', '/', '.', 0x8195 /* ＆ */, 0x815E /* ／ */, 0x8145 /* ・ */,
                                 0xA5 /* ･ */, 0x8144 /* ． */};
// The words after which kanji numerals are a number: their first characters (丁目 and 番地 begin with 丁 and
// 番), and 地割 as a whole.
constexpr uint16_t kUnits[] = {0x929A /* 丁 */, 0x94D4 /* 番 */, 0x8D86 /* 号 */, 0x90FC /* 線 */,
                               0x82CC /* の */, 0x836D /* ノ */};
constexpr uint16_t kChi = 0x926E, kWari = 0x8A84;  // 地 割

template <size_t N>
bool isOneOf(uint16_t code, const uint16_t (&set)[N])
{
    return std::find(std::begin(set), std::end(set), code) != std::end(set);
}

size_t characterLength(std::string_view text, size_t at)
{
    return kv::IsSjisLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

uint16_t codeAt(std::string_view text, size_t at)
{
    const auto b = static_cast<unsigned char>(text[at]);
    return characterLength(text, at) == 2 ? uint16_t(b << 8 | static_cast<unsigned char>(text[at + 1])) : b;
}

// The matching form of one character (empty for blanks and 字; "10" for 十).
std::string fold(std::string_view character)
{
    std::string key;
    kvjis::NormalizeAddress(character, key);
    return key;
}

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool isFullWidthDigit(uint16_t code) { return code >= kFullDigit0 && code <= kFullDigit9; }

// A kanji numeral: a double-byte character other than a digit whose matching form is a number.
bool isKanjiNumeral(std::string_view character)
{
    if (character.size() != 2 || isFullWidthDigit(codeAt(character, 0)))
        return false;
    const std::string key = fold(character);
    return !key.empty() && std::all_of(key.begin(), key.end(), isAsciiDigit);
}

bool unitFollows(std::string_view text, size_t at)
{
    if (at >= text.size())
        return false;
    const uint16_t code = codeAt(text, at);
    if (isOneOf(code, kUnits))
        return true;
    const size_t next = at + characterLength(text, at);
    return code == kChi && next < text.size() && codeAt(text, next) == kWari;
}

enum class TKind { Digit, Letter, Hyphen, Other };
struct TToken {
    TKind kind;
    char c = 0;
};

// The text as the rules see it: kept characters, and the others as Other.
std::vector<TToken> tokens(std::string_view text)
{
    std::vector<TToken> out;
    auto previousIsDigit = [&] { return !out.empty() && out.back().kind == TKind::Digit; };
    for (size_t at = 0; at < text.size();) {
        const size_t length = characterLength(text, at);
        const uint16_t code = codeAt(text, at);
        if (isKanjiNumeral(text.substr(at, length))) {
            size_t end = at;
            while (end < text.size() && isKanjiNumeral(text.substr(end, characterLength(text, end))))
                end += characterLength(text, end);
            if (unitFollows(text, end)) {
                for (char digit : fold(text.substr(at, end - at)))
                    out.push_back({TKind::Digit, digit});
            } else {
                out.push_back({TKind::Other});
            }
            at = end;
            continue;
        }
        at += length;
        char letter = 0;
        if (isAsciiDigit(char(code)) && code < 0x80)
            out.push_back({TKind::Digit, char(code)});
        else if (isFullWidthDigit(code))
            out.push_back({TKind::Digit, char('0' + (code - kFullDigit0))});
        else if (code >= 'A' && code <= 'Z')
            letter = char(code);
        else if (code >= 'a' && code <= 'z')
            letter = char(code - 'a' + 'A');
        else if (code >= kFullUpperA && code <= kFullUpperZ)
            letter = char('A' + (code - kFullUpperA));
        else if (code >= kFullLowerA && code <= kFullLowerZ)
            letter = char('A' + (code - kFullLowerA));
        else if (isOneOf(code, kHyphens))
            out.push_back({TKind::Hyphen, '-'});
        else if (!isOneOf(code, kDropped))
            out.push_back({TKind::Other});
        if (letter != 0)  // "5F": the floor, written as 階 would be
            out.push_back({letter == 'F' && previousIsDigit() ? TKind::Other : TKind::Letter, letter});
    }
    // Letters in a row are a name ("ABCビル"), not a letter of the number.
    for (size_t i = 0; i < out.size();) {
        size_t end = i;
        while (end < out.size() && out[end].kind == TKind::Letter)
            ++end;
        if (end - i >= 2)
            std::fill(out.begin() + i, out.begin() + end, TToken{TKind::Other});
        i = std::max(end, i + 1);
    }
    return out;
}

bool isLetter(char c) { return c >= 'A' && c <= 'Z'; }

// Geo.dic's name for finding a town in an address: a town listed by block ("本町２丁目") is found by its
// district ("本町"), so the block stays part of the address number.
std::string_view townName(const kv::TGeoDic &geo, const kv::TGeoTown &town)
{
    if (town.block != 0 && town.district != kv::kNone) {
        const std::string_view district = geo.district(town.district).name;
        if (!district.empty())
            return district;
    }
    return town.name;
}

// A text in the matching form, character by character, with where each character of the original ends.
struct TFolded {
    std::string key;
    std::vector<size_t> ends;     // per byte of key: the end of its character in the original
    std::vector<bool> starts;     // per byte of key: whether a character's form begins there

    explicit TFolded(std::string_view text)
    {
        for (size_t at = 0; at < text.size();) {
            const size_t length = characterLength(text, at);
            const std::string f = fold(text.substr(at, length));
            for (size_t i = 0; i < f.size(); ++i) {
                key += f[i];
                ends.push_back(at + length);
                starts.push_back(i == 0);
            }
            at += length;
        }
    }

    // The original end of the first whole-character occurrence of name's form; nothing when there is none.
    std::optional<size_t> find(std::string_view name) const
    {
        const TFolded wanted(name);
        if (wanted.key.empty())
            return std::nullopt;
        for (size_t p = key.find(wanted.key); p != std::string::npos; p = key.find(wanted.key, p + 1)) {
            const size_t end = p + wanted.key.size();
            if (starts[p] && (end == key.size() || starts[end]))
                return ends[end - 1];
        }
        return std::nullopt;
    }
};

}  // namespace

std::string AddressNumber(std::string_view rest)
{
    // Runs of text before a kept character as one hyphen, no hyphen first or twice.
    std::string kept;
    bool pendingText = false;
    for (const TToken &t : tokens(rest)) {
        if (t.kind == TKind::Other) {
            pendingText = true;
            continue;
        }
        const bool hyphen = t.kind == TKind::Hyphen || pendingText;
        if (hyphen && !kept.empty() && kept.back() != '-')
            kept += '-';
        pendingText = false;
        if (t.kind != TKind::Hyphen)
            kept += t.c;
    }
    std::string number;
    for (size_t i = 0; i < kept.size(); ++i) {
        const bool besideLetter =
            (i > 0 && isLetter(kept[i - 1])) || (i + 1 < kept.size() && isLetter(kept[i + 1]));
        if (kept[i] != '-' || !besideLetter)
            number += kept[i];
    }
    return number;
}

TNumberStart FindNumberStart(const kv::TGeoDic &geo, std::string_view postal7, std::string_view address)
{
    const kv::TGeoRange rows = geo.postalRowsStartingWith(postal7);
    if (rows.count == 0)
        return {TNumberSource::UnknownCode};
    const TFolded folded(address);
    bool hasTown = false;
    std::optional<size_t> townEnd;
    size_t townLength = 0;
    for (uint32_t i = 0; i < rows.count; ++i) {
        const kv::TGeoPostalRow row = geo.postalRow(rows.first + i);
        if (row.office != kv::kNone)
            return {TNumberSource::None};
        if (row.town == kv::kNone)
            continue;
        hasTown = true;
        // The town may recur in a building's name: its first place is the town. Of several towns under one
        // code the longest name found is the one the text names.
        const std::string_view name = townName(geo, geo.town(row.town));
        if (const auto end = folded.find(name); end && name.size() > townLength) {
            townEnd = end;
            townLength = name.size();
        }
    }
    if (townEnd)
        return {TNumberSource::AfterTown, *townEnd};
    if (!hasTown && postal7.ends_with("00"))
        return {TNumberSource::Representative};
    // The town is not written as the dictionary spells it, or the code has none ("一円", a municipality whose
    // numbers follow its name): the whole text is read, the names before the number being text like any other.
    return {TNumberSource::AfterTown, 0};
}

std::optional<std::string> PostalDigits7(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-' && i == 3 && digits.size() == 3)
            continue;
        if (!isAsciiDigit(text[i]))
            return std::nullopt;
        digits += text[i];
    }
    if (digits.size() != 7)
        return std::nullopt;
    return digits;
}

std::string BarcodeData(std::string_view postal7, std::string_view number)
{
    constexpr size_t kSymbolCharacters = 20;
    std::string data(postal7);
    size_t used = data.size();
    for (char c : number) {
        if (used >= kSymbolCharacters)
            break;
        data += c;
        used += isLetter(c) ? 2 : 1;
    }
    return data;
}

}  // namespace kvstripe
