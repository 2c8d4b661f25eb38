// Address normalisation on Shift-JIS bytes: the few characters that matter for matching are recognised by
// their codes, everything else is copied as it is, so no conversion table of the whole character set is needed.
#include "AdrsNormalizer.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace kvjis {
namespace {

// Shift-JIS codes of the characters the rules look at.
constexpr uint16_t kIdeographicSpace = 0x8140, kLongVowel = 0x815B, kHorizontalBar = 0x815C, kHyphen = 0x815D,
                   kFullMinus = 0x817C, kBoxHorizontal = 0x849F;
constexpr uint16_t kFullDigit0 = 0x824F, kFullDigit9 = 0x8258, kFullUpperA = 0x8260, kFullUpperZ = 0x8279,
                   kFullLowerA = 0x8281, kFullLowerZ = 0x829A;
constexpr uint16_t kSmallKe = 0x8396, kSmallKa = 0x8395, kKeKatakana = 0x8350, kGaHiragana = 0x82AA,
                   kGaKatakana = 0x834B;
constexpr uint16_t kNoHiragana = 0x82CC, kNoKatakana = 0x836D, kNoKanji = 0x9456;
constexpr uint16_t kSmallTsu = 0x8362, kTsu = 0x8363;
constexpr uint16_t kDai = 0x91E5, kAza = 0x8E9A;
constexpr uint16_t kHalfLongVowel = 0xB0;

// Kanji numerals: digits, and the units 十 百 千 (壱 and 弐 are the forms of old registers).
struct TNumeral {
    uint16_t code;
    int value;  // digit, or 10/100/1000 for the units
};
constexpr TNumeral kNumerals[] = {
    {0x815A, 0},  {0x88EA, 1},   {0x88EB, 1},    {0x8BE3, 9}, {0x8CDC, 5}, {0x8E4F, 3}, {0x8E6C, 4},
    {0x8EB5, 7},  {0x8F5C, 10},  {0x90E7, 1000}, {0x93F1, 2}, {0x93F3, 2}, {0x94AA, 8}, {0x9553, 100},
    {0x985A, 6},
};

// Old, variant and compatibility forms of kanji met in place names, each with the common form it is matched
// as; the extension rows hold some characters twice, and both codes are listed. Sorted by the first code.
constexpr uint16_t kVariants[][2] = {
#include "KanjiVariants.inc"
};

int numeralValue(uint16_t code)
{
    const auto it = std::lower_bound(std::begin(kNumerals), std::end(kNumerals), code,
                                     [](const TNumeral &n, uint16_t c) { return n.code < c; });
    return it != std::end(kNumerals) && it->code == code ? it->value : -1;
}

uint16_t commonForm(uint16_t code)
{
    const auto it = std::lower_bound(std::begin(kVariants), std::end(kVariants), code,
                                     [](const uint16_t (&v)[2], uint16_t c) { return v[0] < c; });
    return it != std::end(kVariants) && (*it)[0] == code ? (*it)[1] : code;
}

bool isLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// A run of kanji numerals as a number: with units it is read as spoken ("二千五" = 2005, "十二" = 12), without
// them digit by digit ("一〇五" = 105).
class TNumeralRun {
public:
    bool empty() const { return count_ == 0; }
    void add(int value)
    {
        ++count_;
        if (value >= 10) {
            hasUnit_ = true;
            total_ += (pending_ ? current_ : 1) * value;
            current_ = 0;
            pending_ = false;
        } else {
            current_ = current_ * 10 + value;
            pending_ = true;
            digits_.push_back(char('0' + value));
        }
    }
    void flush(std::string &out)
    {
        if (count_ == 0)
            return;
        if (hasUnit_)
            out += std::to_string(total_ + (pending_ ? current_ : 0));
        else
            out += digits_;
        *this = TNumeralRun();
    }

private:
    int count_ = 0;
    bool hasUnit_ = false, pending_ = false;
    // Unsigned, so that a run of thousands of numerals wraps instead of overflowing; no address has one.
    uint64_t total_ = 0, current_ = 0;
    std::string digits_;
};

void append(std::string &out, uint16_t code)
{
    if (code > 0xFF)
        out += char(code >> 8);
    out += char(code & 0xFF);
}

bool endsWithDigit(const std::string &s) { return !s.empty() && s.back() >= '0' && s.back() <= '9'; }

}  // namespace

bool NormalizeAddress(std::string_view text, std::string &key)
{
    key.clear();
    key.reserve(text.size());
    TNumeralRun run;
    size_t lastStart = std::string::npos;  // where the last character written to key begins
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        uint16_t code;
        if (isLead(b)) {
            if (i + 1 >= text.size() || !isTrail(static_cast<unsigned char>(text[i + 1])))
                return false;
            code = uint16_t(b << 8 | static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            if (b < 0x20 && b != '\t' && b != '\r' && b != '\n')
                return false;
            code = b;
            ++i;
        } else {
            return false;
        }

        if (code == ' ' || code == '\t' || code == '\r' || code == '\n' || code == kIdeographicSpace)
            continue;
        if (const int value = numeralValue(code); value >= 0) {
            run.add(value);
            continue;
        }
        run.flush(key);
        const size_t start = key.size();

        if (code >= kFullDigit0 && code <= kFullDigit9)
            key += char('0' + (code - kFullDigit0));
        else if (code >= kFullUpperA && code <= kFullUpperZ)
            key += char('A' + (code - kFullUpperA));
        else if (code >= kFullLowerA && code <= kFullLowerZ)
            key += char('A' + (code - kFullLowerA));
        else if (code >= 'a' && code <= 'z')
            key += char(code - 'a' + 'A');
        else if (code == kFullMinus || code == kHyphen || code == kHorizontalBar || code == kBoxHorizontal)
            key += '-';
        else if ((code == kLongVowel || code == kHalfLongVowel) && endsWithDigit(key))
            key += '-';  // "1ー2": typed with the long-vowel key, meant as a hyphen
        else if (code == kSmallKe || code == kSmallKa || code == kGaHiragana || code == kGaKatakana)
            append(key, kKeKatakana);
        else if (code == kNoHiragana || code == kNoKanji)
            append(key, kNoKatakana);
        else if (code == kSmallTsu)
            append(key, kTsu);
        else if (code == kAza) {
            // "大字" and "字" prefix districts in registers and are left out in everyday writing.
            if (lastStart != std::string::npos && key.size() == lastStart + 2
                && static_cast<unsigned char>(key[lastStart]) == (kDai >> 8)
                && static_cast<unsigned char>(key[lastStart + 1]) == (kDai & 0xFF))
                key.resize(lastStart);
            lastStart = std::string::npos;
            continue;
        } else
            append(key, commonForm(code));
        lastStart = start;
    }
    run.flush(key);
    return true;
}

}  // namespace kvjis
