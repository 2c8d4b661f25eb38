#include "NameKey.h"

#include <array>

namespace kvdir {

namespace {

// The full-width form of each half-width character 0xA1 to 0xDF ("｡" to "ﾟ").
constexpr std::array<uint16_t, 0xE0 - 0xA1> kFullWidth = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B};

constexpr unsigned char kVoicedMark = 0xDE, kSemiVoicedMark = 0xDF;
constexpr uint16_t kFullSpace = 0x8140, kMiddleDot = 0x8145, kFullVu = 0x8394;

// The full-width character of a half-width one, joined with the voiced mark that follows it when the pair is
// one character ("ｶﾞ" is "ガ", whose code follows "カ"'s; "ﾊﾟ" is "パ", two after "ハ"). Sets used to 2 when
// the mark was taken.
uint16_t fullWidthKana(unsigned char c, unsigned char next, size_t &used)
{
    const uint16_t full = kFullWidth[c - 0xA1];
    used = 1;
    if (next == kVoicedMark && c == 0xB3) {  // ｳﾞ
        used = 2;
        return kFullVu;
    }
    const bool voicing = (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE);
    if (next == kVoicedMark && voicing) {
        used = 2;
        return full + 1;
    }
    if (next == kSemiVoicedMark && c >= 0xCA && c <= 0xCE) {
        used = 2;
        return full + 2;
    }
    return full;
}

uint16_t foldDoubleByte(uint16_t c)
{
    if (c >= 0x824F && c <= 0x8258)  // ０-９
        return uint16_t('0' + (c - 0x824F));
    if (c >= 0x8260 && c <= 0x8279)  // Ａ-Ｚ
        return uint16_t('A' + (c - 0x8260));
    if (c >= 0x8281 && c <= 0x829A)  // ａ-ｚ
        return uint16_t('A' + (c - 0x8281));
    if (c >= 0x829F && c <= 0x82F1) {  // ぁ-ん, as ァ-ン, whose codes skip 0x837F
        const uint16_t k = uint16_t(0x8340 + (c - 0x829F));
        return k >= 0x837F ? uint16_t(k + 1) : k;
    }
    return c;
}

void append(std::string &out, uint16_t c)
{
    if (c > 0xFF)
        out += char(c >> 8);
    out += char(c & 0xFF);
}

bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The legal forms as they stand in a folded name: written out, and the bracketed short forms people type.
constexpr std::string_view kLegalWords[] = {
    "\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0",  // 株式会社
    "\x97\x4C\x8C\xC0\x89\xEF\x8E\xD0",  // 有限会社
    "\x8D\x87\x8E\x91\x89\xEF\x8E\xD0",  // 合資会社
    "\x8D\x87\x96\xBC\x89\xEF\x8E\xD0",  // 合名会社
    "\x91\x8A\x8C\xDD\x89\xEF\x8E\xD0",  // 相互会社
    "\x8D\xE0\x92\x63\x96\x40\x90\x6C",  // 財団法人
    "\x8E\xD0\x92\x63\x96\x40\x90\x6C",  // 社団法人
    "\x81\x69\x8A\x94\x81\x6A",          // （株）
    "\x81\x69\x97\x4C\x81\x6A",          // （有）
    "(\x8A\x94)",                        // (株)
    "(\x97\x4C)",                        // (有)
    "\x87\x8A",                          // ㈱
    "\x87\x8B",                          // ㈲
};

}  // namespace

size_t CharLength(std::string_view text, size_t at)
{
    return isLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

std::string NameKey(std::string_view name)
{
    std::string folded;
    folded.reserve(name.size() * 2);
    for (size_t at = 0; at < name.size();) {
        const auto c = static_cast<unsigned char>(name[at]);
        if (c >= 0xA1 && c <= 0xDF) {
            size_t used = 1;
            const auto next = at + 1 < name.size() ? static_cast<unsigned char>(name[at + 1]) : 0;
            const uint16_t full = fullWidthKana(c, next, used);
            if (full != kMiddleDot)
                append(folded, full);
            at += used;
            continue;
        }
        const size_t length = CharLength(name, at);
        if (length == 2) {
            const uint16_t code = uint16_t(c << 8 | static_cast<unsigned char>(name[at + 1]));
            if (code != kFullSpace && code != kMiddleDot)
                append(folded, foldDoubleByte(code));
        } else if (c != ' ' && !isLead(c)) {  // a lead byte cut off at the end is no character
            folded += c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c);
        }
        at += length;
    }

    std::string key;
    key.reserve(folded.size());
    for (size_t at = 0; at < folded.size();) {
        const std::string_view rest = std::string_view(folded).substr(at);
        bool legal = false;
        for (std::string_view word : kLegalWords)
            if (rest.starts_with(word)) {
                at += word.size();
                legal = true;
                break;
            }
        if (legal)
            continue;
        const size_t length = CharLength(folded, at);
        key.append(folded, at, length);
        at += length;
    }
    return key;
}

std::vector<uint16_t> KeyChars(std::string_view key)
{
    std::vector<uint16_t> chars;
    for (size_t at = 0; at < key.size();) {
        const size_t length = CharLength(key, at);
        uint16_t c = static_cast<unsigned char>(key[at]);
        if (length == 2)
            c = uint16_t(c << 8 | static_cast<unsigned char>(key[at + 1]));
        chars.push_back(c);
        at += length;
    }
    return chars;
}

bool ContainsChars(std::string_view key, std::string_view part)
{
    if (part.empty())
        return true;
    for (size_t at = 0; at + part.size() <= key.size(); at += CharLength(key, at))
        if (key.compare(at, part.size(), part) == 0)
            return true;
    return false;
}

bool EndsWithChars(std::string_view key, std::string_view part)
{
    if (part.size() > key.size())
        return false;
    const size_t start = key.size() - part.size();
    size_t at = 0;
    while (at < start)
        at += CharLength(key, at);
    return at == start && key.substr(start) == part;
}

bool KeyMatches(std::string_view key, std::string_view searched, uint32_t mode)
{
    switch (mode) {
    case kPrefix:
        return key.starts_with(searched);
    case kFuzzy:
        return ContainsChars(key, searched);
    case kSuffix:
        return EndsWithChars(key, searched);
    default:
        return key == searched;
    }
}

std::vector<std::string> NameListKeys(std::string_view list)
{
    std::vector<std::string> keys;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (!name.empty())
            keys.push_back(NameKey(name));
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return keys;
}

}  // namespace kvdir
