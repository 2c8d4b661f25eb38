// Japanese text helpers: width mapping, the "@" escape, Shift-JIS-safe cutting and splitting, word tables.
#pragma once

#include "base/Trim.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <type_traits>

// ---- Word tables ----

inline constexpr int PrefectureCount = 47;

// The prefectures in the conventional north-to-south order (UTF-16; PrefectureNames() gives them in Shift-JIS).
inline constexpr std::array<QStringView, PrefectureCount> PrefectureNamesW{
    u"北海道", u"青森県", u"岩手県", u"宮城県", u"秋田県", u"山形県", u"福島県", u"茨城県", u"栃木県", u"群馬県",
    u"埼玉県", u"千葉県", u"東京都", u"神奈川県", u"新潟県", u"富山県", u"石川県", u"福井県", u"山梨県", u"長野県",
    u"岐阜県", u"静岡県", u"愛知県", u"三重県", u"滋賀県", u"京都府", u"大阪府", u"兵庫県", u"奈良県", u"和歌山県",
    u"鳥取県", u"島根県", u"岡山県", u"広島県", u"山口県", u"徳島県", u"香川県", u"愛媛県", u"高知県", u"福岡県",
    u"佐賀県", u"長崎県", u"熊本県", u"大分県", u"宮崎県", u"鹿児島県", u"沖縄県"};

// Shift-JIS forms of PrefectureNamesW, same order.
const std::array<QByteArray, PrefectureCount> &PrefectureNames();
// Half-width katakana readings in Shift-JIS, same order; small kana are written large ("ﾄｳｷﾖｳﾄ") as the
// dictionaries store them.
const std::array<QByteArray, PrefectureCount> &PrefectureReadings();

inline constexpr int CorpTypeCount = 9;

// Legal forms of companies and their one-character keys (CorpTypeKeys[i] abbreviates CorpTypeWords[i]).
inline constexpr std::array<QStringView, CorpTypeCount> CorpTypeWords{
    u"株式会社", u"有限会社", u"合資会社", u"合名会社", u"相互会社", u"財団法人", u"社団法人", u"宗教法人", u"学校法人"};
inline constexpr QStringView CorpTypeKeys = u"株有資名相財社宗学";

// ---- Width mapping (the Japanese system locale's full-width/half-width rules) ----

// Half-width ASCII, katakana (with their sound marks) and punctuation to full width.
QByteArray ToFullWidth(const QByteArray &text);
QString ToFullWidthW(const QString &text);
// Full-width forms to half width, where Shift-JIS has a single-byte form.
QByteArray ToHalfWidth(const QByteArray &text);
// A reading as the name edits pass it on, in Shift-JIS: the hiragana that half-width katakana can write
// (ぁ..ん but ゎ, ゐ, ゑ) and the full-width forms ToHalfWidth knows become single-byte; anything else (kanji,
// the other hiragana) stays double-byte.
QByteArray HalfKanaReading(const QString &reading);

// A C0 or C1 control code or DEL: no field of a record holds one (a memo keeps its line breaks and tabs).
constexpr bool IsControlChar(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

// ---- The "@" escape that keeps UTF-16 text in 8-bit fields ----

// Every UTF-16 unit as "@" and four upper-case hexadecimal digits.
QByteArray WideToEscapedAnsi(const QString &text);
// The inverse; any text that is not wholly in the escape form is read as plain Shift-JIS.
QString EscapedAnsiToWide(const QByteArray &text);

// ---- Shift-JIS text ----

// Flag bits of KeepNumberChars.
namespace NumberChars {
inline constexpr int Digits = 1;  // "0".."9"
inline constexpr int Minus = 2;   // "-"
inline constexpr int Point = 4;   // "."
}  // namespace NumberChars

// Only the single-byte characters the flags choose, in order; double-byte characters are dropped.
QByteArray KeepNumberChars(const QByteArray &text, int flags);
// The first n bytes, one fewer when byte n would be the lead byte of a character cut in two.
QByteArray CopyLeftMbcs(const QByteArray &text, int n);
// The longest beginning of text whose Shift-JIS form has at most n bytes; a character is never cut in two.
// Characters without a Shift-JIS form count as the one byte they would be written as.
QString CopyLeftMbcsW(const QString &text, int n);
// Character by character; a double-byte character keeps its byte order.
QByteArray ReverseMbcsString(const QByteArray &text);
// The text without U+0020 and U+3000 spaces, in Shift-JIS.
QByteArray StripSpacesToAnsi(const QString &text);
// Non-overlapping occurrences, searched left to right; a match never starts inside a double-byte character.
int CountSubstring(const QByteArray &text, const QByteArray &pattern);

enum class TSplitMode {
    FixedWidth = 0,     // parts[0] the first `width` bytes (a cut character is moved whole to parts[1] and
                        // replaced by a blank, so parts[0] keeps the width), parts[1] the rest
    Plain = 1,          // cut at every separator
    CsvUnquoted = 2,    // separators inside double quotes do not cut; a part wholly in quotes loses them
                        // (doubled quotes inside stay doubled)
    CsvQuoted = 3,      // as CsvUnquoted, quotes kept
};

// Splits text into last + 1 parts (at least two in FixedWidth mode); missing parts are empty and the remainder
// after `last` cuts, separators included, is the last part. Separators are found only at character starts;
// an empty separator cuts nothing.
QList<QByteArray> SplitFields(const QByteArray &text, int last, TSplitMode mode, const QByteArray &separator,
                              int width = 0);

// One field of a comma-separated (or tab-separated) line appended to line: quoted, with its quotes doubled, when
// it holds the separator, a quote or a line break, so the line keeps its columns. Safe on Shift-JIS bytes: none
// of those is ever a trail byte. One pass over the field, as an export writes every cell of a book this way.
template <class Text>
void AppendCsvField(Text &line, const Text &value, char separator = ',')
{
    auto unit = [](auto c) -> char16_t {
        if constexpr (std::is_same_v<decltype(c), char>)
            return static_cast<unsigned char>(c);
        else
            return c.unicode();
    };
    const auto needsQuotes = std::find_if(value.begin(), value.end(), [&](auto c) {
        const char16_t u = unit(c);
        return u == static_cast<unsigned char>(separator) || u == u'"' || u == u'\r' || u == u'\n';
    });
    if (needsQuotes == value.end()) {
        line += value;
        return;
    }
    line += '"';
    for (const auto c : value) {
        if (unit(c) == u'"')
            line += c;
        line += c;
    }
    line += '"';
}

template <class Text>
Text CsvField(const Text &value, char separator = ',')
{
    Text field;
    AppendCsvField(field, value, separator);
    return field;
}

// True when the address begins with a prefecture name (the first in table order that fits); otherwise false,
// an empty prefecture and the whole address as rest.
bool SplitPrefecture(const QByteArray &address, QByteArray &prefecture, QByteArray &rest);
// The same over the half-width readings.
bool SplitPrefectureKana(const QByteArray &kanaAddress, QByteArray &prefecture, QByteArray &rest);

// A record's address parts (prefecture, municipality, town and street number, building) as one text, each
// trimmed. The building is set apart by a half-width blank: run on, "梅田3-1-3" and "5F" read as street number
// 3-1-35, and a customer barcode, a map or a dictionary takes them so. A blank of one byte, as the list print
// sets it, that the import can split at and that adds least to a text measured in Shift-JIS bytes. The other
// parts run on as addresses are written, or with between (a place a line may break) where given.
template <class Text>
Text JoinAddressParts(const std::array<Text, 4> &parts, const Text &between = Text())
{
    Text text;
    for (size_t k = 0; k < parts.size(); ++k) {
        const Text part = TrimBlanks(parts[k]);
        if (part.isEmpty())
            continue;
        if (!text.isEmpty())
            text += k == 3 ? Text(1, ' ') : between;
        text += part;
    }
    return text;
}

// ---- UTF-16 replacement tables ----

QString RemovePrefectureNames(const QString &text);
// "（株）", "（株", "株）", "(株)", "(株", "株)" and the same for every key -> the full legal form.
QString ExpandCorpAbbreviations(const QString &text);
// Legal forms -> "（株）" with fullWidthBrackets, else "(株)".
QString AbbreviateCorpTypes(const QString &text, bool fullWidthBrackets);
// "０".."９" -> "〇".."九".
QString DigitsToKanjiNumerals(const QString &text);
// "－", "―", "‐" -> "の" for kind 1, else "ー" (kind 0).
QString ReplaceDashes(const QString &text, int kind);

// ---- Date-times ----

// The same moment with the milliseconds dropped, as the tables store whole seconds.
QDateTime TruncateToSeconds(const QDateTime &dateTime);
