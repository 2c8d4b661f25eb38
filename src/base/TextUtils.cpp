#include "base/TextUtils.h"

#include "base/SjisCodec.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// ---- Width tables ----
//
// The mapping is the one Windows applies under the Japanese system locale:
// - " " <-> U+3000 and "!".."~" <-> U+FF01..U+FF5E, so '"' and "'" become ＂ and ＇ (U+FF02, U+FF07; in Shift-JIS
//   the IBM-extension codes FA57 and FA56) and "~" becomes ～ (U+FF5E, 8160), exactly as in that locale.
// - "\" is left alone in both directions: under code page 932 the byte 5C is the yen sign, and with two
//   full-width candidates (＼ and ￥) the locale maps neither, so no text silently changes from one to the other.
// - In the half-width direction the typographic quotes ’ and ” also become "'" and '"', as they do there.
// - Half-width katakana take their sound marks along (ｶﾞ -> ガ, ﾊﾟ -> パ, ｳﾞ -> ヴ); a mark that does not
//   combine becomes the stand-alone full-width mark (ｱﾞ -> ア゛).
// The 8-bit tables are derived from the UTF-16 ones through the codec, so both forms cannot drift apart, and a
// result with no exact Shift-JIS form is not applied (ﾜﾞ stays ワ゛ in 8-bit text instead of turning into "?").

constexpr char16_t FirstHalfKana = 0xFF61;  // ｡ ... ﾟ run without gaps up to U+FF9F
constexpr char16_t VoicedMark = 0xFF9E;      // ﾞ
constexpr char16_t SemiVoicedMark = 0xFF9F;  // ﾟ
constexpr std::u16string_view HalfKanaFullForms =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
constexpr std::u16string_view VoicedBases = u"ｳｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾊﾋﾌﾍﾎﾜｦ";
constexpr std::u16string_view VoicedForms = u"ヴガギグゲゴザジズゼゾダヂヅデドバビブベボヷヺ";
constexpr std::u16string_view SemiVoicedBases = u"ﾊﾋﾌﾍﾎ";
constexpr std::u16string_view SemiVoicedForms = u"パピプペポ";
constexpr int HalfKanaCount = 0xFF9F - FirstHalfKana + 1;
static_assert(HalfKanaFullForms.size() == HalfKanaCount);
static_assert(VoicedBases.size() == VoicedForms.size() && SemiVoicedBases.size() == SemiVoicedForms.size());

// Latin-1 signs that the locale widens as well (¢ £ ¥ ¦ ¬ ¯).
constexpr std::pair<char16_t, char16_t> LatinFullForms[] = {
    {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00A5, 0xFFE5}, {0x00A6, 0xFFE4}, {0x00AC, 0xFFE2}, {0x00AF, 0xFFE3}};

// Half-width characters the locale narrows besides the inverse of the full-width mapping.
constexpr std::pair<char16_t, char16_t> ExtraHalfForms[] = {{u'’', u'\''}, {u'”', u'"'}};

struct WideWidthTables {
    std::array<char16_t, 0x80> ascii{};  // 0: no full-width form
    std::array<char16_t, HalfKanaCount> kana{};
    std::array<char16_t, HalfKanaCount> voiced{};  // 0: the mark does not combine
    std::array<char16_t, HalfKanaCount> semiVoiced{};
};

constexpr WideWidthTables makeWideTables()
{
    WideWidthTables t;
    t.ascii[u' '] = 0x3000;
    for (char16_t c = 0x21; c <= 0x7E; ++c) {
        if (c != u'\\')
            t.ascii[c] = c + 0xFEE0;
    }
    for (int k = 0; k < HalfKanaCount; ++k)
        t.kana[k] = HalfKanaFullForms[k];
    for (size_t i = 0; i < VoicedBases.size(); ++i)
        t.voiced[VoicedBases[i] - FirstHalfKana] = VoicedForms[i];
    for (size_t i = 0; i < SemiVoicedBases.size(); ++i)
        t.semiVoiced[SemiVoicedBases[i] - FirstHalfKana] = SemiVoicedForms[i];
    return t;
}

constexpr WideWidthTables WideTables = makeWideTables();

bool isHalfKana(char16_t c) { return c >= FirstHalfKana && c < FirstHalfKana + HalfKanaCount; }

// Full-width form of the character at text[i] (with the sound mark after it when they combine) appended to out;
// returns the number of units consumed.
int appendFullWidth(const char16_t *text, qsizetype i, qsizetype size, QString &out)
{
    const char16_t c = text[i];
    if (c < 0x80) {
        out += QChar(WideTables.ascii[c] ? WideTables.ascii[c] : c);
        return 1;
    }
    if (isHalfKana(c)) {
        const int k = c - FirstHalfKana;
        if (i + 1 < size) {
            const char16_t mark = text[i + 1];
            const char16_t combined = mark == VoicedMark       ? WideTables.voiced[k]
                                      : mark == SemiVoicedMark ? WideTables.semiVoiced[k]
                                                               : 0;
            if (combined) {
                out += QChar(combined);
                return 2;
            }
        }
        out += QChar(WideTables.kana[k]);
        return 1;
    }
    for (const auto &[latin, full] : LatinFullForms) {
        if (c == latin) {
            out += QChar(full);
            return 1;
        }
    }
    out += QChar(c);
    return 1;
}

// Full-width character -> its half-width spelling (one or two units), the inverse of the tables above.
std::unordered_map<char16_t, std::u16string> makeHalfForms()
{
    std::unordered_map<char16_t, std::u16string> half;
    for (char16_t c = 0; c < 0x80; ++c) {
        if (WideTables.ascii[c])
            half[WideTables.ascii[c]] = std::u16string(1, c);
    }
    for (int k = 0; k < HalfKanaCount; ++k) {
        const char16_t base = char16_t(FirstHalfKana + k);
        half[WideTables.kana[k]] = std::u16string(1, base);
        if (WideTables.voiced[k])
            half[WideTables.voiced[k]] = {base, VoicedMark};
        if (WideTables.semiVoiced[k])
            half[WideTables.semiVoiced[k]] = {base, SemiVoicedMark};
    }
    for (const auto &[full, narrow] : ExtraHalfForms)
        half[full] = std::u16string(1, narrow);
    // The Latin-1 signs have no single-byte Shift-JIS form, so their inverse would never apply to 8-bit text.
    return half;
}

// The Shift-JIS bytes of `mapped` when it round-trips exactly through the codec, else empty.
QByteArray exactSjis(const QString &mapped)
{
    QString unmappable;
    const QByteArray bytes = Sjis::encode(mapped, &unmappable);
    return unmappable.isEmpty() && Sjis::decode(bytes) == mapped ? bytes : QByteArray();
}

quint16 doubleByteCode(const QString &mapped)
{
    if (mapped.size() != 1)
        return 0;
    const QByteArray bytes = exactSjis(mapped);
    return bytes.size() == 2 ? quint16((uchar(bytes[0]) << 8) | uchar(bytes[1])) : 0;
}

struct SjisWidthTables {
    // Single byte -> double-byte code of its full-width form; 0 leaves the byte as it is.
    std::array<quint16, 256> full{};
    std::array<quint16, 256> voiced{};      // byte followed by ﾞ
    std::array<quint16, 256> semiVoiced{};  // byte followed by ﾟ
    // Double-byte code -> one or two single bytes (the first in the high byte); 0 leaves the character.
    std::vector<quint16> half = std::vector<quint16>(0x10000);
};

SjisWidthTables makeSjisTables()
{
    SjisWidthTables t;
    for (int b = 0; b < 256; ++b) {
        if (Sjis::isLeadByte(uchar(b)))
            continue;
        const char byte = char(b);
        const QString single = Sjis::decode(QByteArrayView(&byte, 1));
        const QString full = ToFullWidthW(single);
        if (full != single)
            t.full[b] = doubleByteCode(full);
        t.voiced[b] = doubleByteCode(ToFullWidthW(single + QChar(VoicedMark)));
        t.semiVoiced[b] = doubleByteCode(ToFullWidthW(single + QChar(SemiVoicedMark)));
    }
    // Every double-byte code is decoded, so duplicate codes of one character (NEC and IBM extensions) map too.
    const auto halfForms = makeHalfForms();
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Sjis::isLeadByte(uchar(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char pair[2] = {char(lead), char(trail)};
            const QString wide = Sjis::decode(QByteArrayView(pair, 2));
            if (wide.size() != 1)
                continue;
            const auto found = halfForms.find(wide[0].unicode());
            if (found == halfForms.end())
                continue;
            const QString narrow = QString::fromStdU16String(found->second);
            const QByteArray bytes = exactSjis(narrow);
            if (bytes.size() != narrow.size())
                continue;  // a half-width form that is not single-byte in Shift-JIS
            t.half[(lead << 8) | trail] = quint16((uchar(bytes[0]) << 8) | (bytes.size() > 1 ? uchar(bytes[1]) : 0));
        }
    }
    return t;
}

const SjisWidthTables &sjisTables()
{
    static const SjisWidthTables tables = makeSjisTables();
    return tables;
}

void appendCode(QByteArray &out, quint16 code)
{
    out += char(code >> 8);
    if (code & 0xFF)
        out += char(code & 0xFF);
}

// ---- Shift-JIS characters ----

// Bytes of the character starting at i: a lead byte takes the next byte along, as the runtime's byte-type
// test does.
qsizetype charLength(QByteArrayView text, qsizetype i)
{
    return Sjis::isLeadByte(uchar(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// True when byte `index` starts a double-byte character; a trail byte with a lead byte's value is not one.
bool isLeadByteAt(QByteArrayView text, qsizetype index)
{
    qsizetype i = 0;
    while (i < index)
        i += charLength(text, i);
    return i == index && Sjis::isLeadByte(uchar(text[index]));
}

// First occurrence of pattern at or after `from` (a character start) that begins on a character start.
qsizetype indexOfMbcs(QByteArrayView text, QByteArrayView pattern, qsizetype from)
{
    if (pattern.isEmpty())
        return -1;
    for (qsizetype i = from; i + pattern.size() <= text.size(); i += charLength(text, i)) {
        if (text[i] == pattern[0] && std::memcmp(text.data() + i, pattern.data(), pattern.size()) == 0)
            return i;
    }
    return -1;
}

// End of the comma-separated field starting at pos: the first separator outside double quotes, -1 when the
// field runs to the end of the text.
qsizetype csvFieldEnd(QByteArrayView text, qsizetype pos, QByteArrayView separator)
{
    bool quoted = false;
    for (qsizetype from = pos;;) {
        const qsizetype sep = indexOfMbcs(text, separator, from);
        const qsizetype pieceEnd = sep < 0 ? text.size() : sep;
        if (std::count(text.begin() + from, text.begin() + pieceEnd, '"') % 2)
            quoted = !quoted;
        if (sep < 0 || !quoted)
            return sep;
        from = sep + separator.size();
    }
}

bool splitByTable(const QByteArray &address, const std::array<QByteArray, PrefectureCount> &names,
                  QByteArray &prefecture, QByteArray &rest)
{
    for (const QByteArray &name : names) {
        if (address.startsWith(name)) {
            prefecture = name;
            rest = address.mid(name.size());
            return true;
        }
    }
    prefecture.clear();
    rest = address;
    return false;
}

std::array<QByteArray, PrefectureCount> encodeAll(const std::array<QStringView, PrefectureCount> &words)
{
    std::array<QByteArray, PrefectureCount> encoded;
    std::transform(words.begin(), words.end(), encoded.begin(), [](QStringView w) { return Sjis::encode(w); });
    return encoded;
}

constexpr std::array<QStringView, PrefectureCount> PrefectureReadingsW{
    u"ﾎﾂｶｲﾄﾞｳ", u"ｱｵﾓﾘｹﾝ", u"ｲﾜﾃｹﾝ", u"ﾐﾔｷﾞｹﾝ", u"ｱｷﾀｹﾝ", u"ﾔﾏｶﾞﾀｹﾝ", u"ﾌｸｼﾏｹﾝ", u"ｲﾊﾞﾗｷｹﾝ",
    u"ﾄﾁｷﾞｹﾝ", u"ｸﾞﾝﾏｹﾝ", u"ｻｲﾀﾏｹﾝ", u"ﾁﾊﾞｹﾝ", u"ﾄｳｷﾖｳﾄ", u"ｶﾅｶﾞﾜｹﾝ", u"ﾆｲｶﾞﾀｹﾝ", u"ﾄﾔﾏｹﾝ",
    u"ｲｼｶﾜｹﾝ", u"ﾌｸｲｹﾝ", u"ﾔﾏﾅｼｹﾝ", u"ﾅｶﾞﾉｹﾝ", u"ｷﾞﾌｹﾝ", u"ｼｽﾞｵｶｹﾝ", u"ｱｲﾁｹﾝ", u"ﾐｴｹﾝ",
    u"ｼｶﾞｹﾝ", u"ｷﾖｳﾄﾌ", u"ｵｵｻｶﾌ", u"ﾋﾖｳｺﾞｹﾝ", u"ﾅﾗｹﾝ", u"ﾜｶﾔﾏｹﾝ", u"ﾄﾂﾄﾘｹﾝ", u"ｼﾏﾈｹﾝ",
    u"ｵｶﾔﾏｹﾝ", u"ﾋﾛｼﾏｹﾝ", u"ﾔﾏｸﾞﾁｹﾝ", u"ﾄｸｼﾏｹﾝ", u"ｶｶﾞﾜｹﾝ", u"ｴﾋﾒｹﾝ", u"ｺｳﾁｹﾝ", u"ﾌｸｵｶｹﾝ",
    u"ｻｶﾞｹﾝ", u"ﾅｶﾞｻｷｹﾝ", u"ｸﾏﾓﾄｹﾝ", u"ｵｵｲﾀｹﾝ", u"ﾐﾔｻﾞｷｹﾝ", u"ｶｺﾞｼﾏｹﾝ", u"ｵｷﾅﾜｹﾝ"};

// ---- UTF-16 replacements ----

// Replaces every occurrence, looking again after each replacement, so occurrences that a replacement creates
// are replaced too. Such an occurrence must overlap the replaced part, so the search goes on from just
// before it rather than from the start.
void replaceEvery(QString &text, QStringView pattern, QStringView replacement)
{
    qsizetype from = 0;
    while ((from = text.indexOf(pattern, from)) >= 0) {
        text.replace(from, pattern.size(), replacement.data(), replacement.size());
        from = std::max<qsizetype>(0, from - pattern.size() + 1);
    }
}

struct CorpForms {
    static constexpr int PerType = 6;
    std::array<QString, CorpTypeCount * PerType> written;  // type i's forms at i * PerType ...
    std::array<QString, CorpTypeCount> fullWidth;
    std::array<QString, CorpTypeCount> halfWidth;
};

const CorpForms &corpForms()
{
    static const CorpForms forms = [] {
        CorpForms f;
        for (int i = 0; i < CorpTypeCount; ++i) {
            const QChar key = CorpTypeKeys[i];
            f.fullWidth[i] = u'（' + QString(key) + u'）';
            f.halfWidth[i] = u'(' + QString(key) + u')';
            // The whole bracketed form first, so "（株）" is not eaten by "（株" and leaves "）" behind.
            const QString written[CorpForms::PerType] = {f.fullWidth[i],        u'（' + QString(key),
                                                         QString(key) + u'）', f.halfWidth[i],
                                                         u'(' + QString(key),  QString(key) + u')'};
            std::copy(std::begin(written), std::end(written), f.written.begin() + i * CorpForms::PerType);
        }
        return f;
    }();
    return forms;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

template <typename Map>
QString mapChars(const QString &text, Map map)
{
    QString out = text;
    for (QChar &c : out)
        c = map(c);
    return out;
}

}  // namespace

// ---- Word tables ----

const std::array<QByteArray, PrefectureCount> &PrefectureNames()
{
    static const auto names = encodeAll(PrefectureNamesW);
    return names;
}

const std::array<QByteArray, PrefectureCount> &PrefectureReadings()
{
    static const auto readings = encodeAll(PrefectureReadingsW);
    return readings;
}

// ---- Width mapping ----

QString ToFullWidthW(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    for (qsizetype i = 0; i < text.size();)
        i += appendFullWidth(units, i, text.size(), out);
    return out;
}

QByteArray ToFullWidth(const QByteArray &text)
{
    const SjisWidthTables &t = sjisTables();
    QByteArray out;
    out.reserve(text.size() * 2);
    const auto *bytes = reinterpret_cast<const uchar *>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const uchar b = bytes[i];
        if (Sjis::isLeadByte(b)) {
            const qsizetype n = charLength(text, i);
            out.append(text.constData() + i, n);
            i += n;
            continue;
        }
        quint16 code = 0;
        if (i + 1 < size)
            code = bytes[i + 1] == 0xDE ? t.voiced[b] : bytes[i + 1] == 0xDF ? t.semiVoiced[b] : 0;
        if (code) {
            i += 2;
        } else {
            code = t.full[b];
            ++i;
        }
        if (code)
            appendCode(out, code);
        else
            out += char(b);
    }
    return out;
}

QByteArray ToHalfWidth(const QByteArray &text)
{
    const SjisWidthTables &t = sjisTables();
    QByteArray out;
    out.reserve(text.size());
    const auto *bytes = reinterpret_cast<const uchar *>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        if (charLength(text, i) == 1) {
            out += char(bytes[i++]);
            continue;
        }
        if (const quint16 half = t.half[(bytes[i] << 8) | bytes[i + 1]])
            appendCode(out, half);
        else
            out.append(text.constData() + i, 2);
        i += 2;
    }
    return out;
}

QByteArray HalfKanaReading(const QString &reading)
{
    // Through the full-width katakana of the same sound, which the katakana block holds 0x60 code points
    // above the hiragana; ゎ, ゐ and ゑ have no half-width form and stay hiragana.
    const QString katakana = mapChars(reading, [](QChar c) {
        const bool halfForm = c >= u'ぁ' && c <= u'ん' && c != u'ゎ' && c != u'ゐ' && c != u'ゑ';
        return halfForm ? QChar(c.unicode() + 0x60) : c;
    });
    return ToHalfWidth(Sjis::encode(katakana));
}

// ---- The "@" escape ----

QByteArray WideToEscapedAnsi(const QString &text)
{
    static constexpr char HexDigits[] = "0123456789ABCDEF";
    QByteArray out(text.size() * 5, Qt::Uninitialized);
    char *p = out.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        *p++ = '@';
        for (int shift = 12; shift >= 0; shift -= 4)
            *p++ = HexDigits[(u >> shift) & 0xF];
    }
    return out;
}

QString EscapedAnsiToWide(const QByteArray &text)
{
    if (text.isEmpty())
        return {};
    // Only a text made wholly of "@XXXX" groups is an escaped one; anything else that happens to begin with
    // "@" (an e-mail handle, a value cut short by a field size) is ordinary Shift-JIS and reads as such.
    if (text[0] == '@' && text.size() % 5 == 0) {
        QString wide(text.size() / 5, Qt::Uninitialized);
        bool escaped = true;
        for (qsizetype g = 0; escaped && g < wide.size(); ++g) {
            const char *group = text.constData() + g * 5;
            char16_t unit = 0;
            escaped = group[0] == '@';
            for (int k = 1; escaped && k <= 4; ++k) {
                const int digit = hexDigit(group[k]);
                escaped = digit >= 0;
                unit = char16_t((unit << 4) | digit);
            }
            wide[g] = QChar(unit);
        }
        if (escaped)
            return wide;
    }
    return Sjis::decode(text);
}

// ---- Shift-JIS text ----

QByteArray KeepNumberChars(const QByteArray &text, int flags)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = charLength(text, i);
        const char c = text[i];
        i += n;
        if (n == 2)
            continue;
        if ((c >= '0' && c <= '9' && (flags & NumberChars::Digits)) || (c == '-' && (flags & NumberChars::Minus)) ||
            (c == '.' && (flags & NumberChars::Point)))
            out += c;
    }
    return out;
}

QByteArray CopyLeftMbcs(const QByteArray &text, int n)
{
    return Sjis::cutToBytes(text, std::max(n, 0));
}

QString CopyLeftMbcsW(const QString &text, int n)
{
    if (Sjis::encode(text).size() <= n)
        return text;
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype next = end + (text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1);
        bytes += Sjis::encode(QStringView(text).sliced(end, next - end)).size();
        if (bytes > n)
            break;
        end = next;
    }
    return text.left(end);
}


QByteArray ReverseMbcsString(const QByteArray &text)
{
    const qsizetype size = text.size();
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size;) {
        const qsizetype n = charLength(text, i);
        std::memcpy(out.data() + size - i - n, text.constData() + i, n);
        i += n;
    }
    return out;
}

QByteArray StripSpacesToAnsi(const QString &text)
{
    QString stripped = text;
    stripped.removeIf([](QChar c) { return c == u' ' || c == u'\u3000'; });
    return Sjis::encode(stripped);
}

int CountSubstring(const QByteArray &text, const QByteArray &pattern)
{
    int count = 0;
    for (qsizetype i = indexOfMbcs(text, pattern, 0); i >= 0; i = indexOfMbcs(text, pattern, i + pattern.size()))
        ++count;
    return count;
}

QList<QByteArray> SplitFields(const QByteArray &text, int last, TSplitMode mode, const QByteArray &separator,
                              int width)
{
    // A width cut always has a rest, and it needs a place.
    QList<QByteArray> parts(std::max(last, mode == TSplitMode::FixedWidth ? 1 : 0) + 1);
    if (mode == TSplitMode::FixedWidth) {
        if (text.size() <= width) {
            parts[0] = text;
        } else if (width > 0 && isLeadByteAt(text, width - 1)) {
            parts[0] = text.left(width - 1) + ' ';
            parts[1] = text.mid(width - 1);
        } else {
            parts[0] = text.left(std::max(width, 0));
            parts[1] = text.mid(std::max(width, 0));
        }
        return parts;
    }
    qsizetype pos = 0;
    int cut = 0;
    for (; cut < last; ++cut) {
        const qsizetype end = mode == TSplitMode::Plain ? indexOfMbcs(text, separator, pos)
                                                        : csvFieldEnd(text, pos, separator);
        if (end < 0)
            break;
        parts[cut] = text.mid(pos, end - pos);
        pos = end + separator.size();
    }
    parts[cut] = text.mid(pos);
    if (mode == TSplitMode::CsvUnquoted) {
        for (QByteArray &part : parts) {
            if (part.size() >= 2 && part.front() == '"' && part.back() == '"')
                part = part.mid(1, part.size() - 2);
        }
    }
    return parts;
}

bool SplitPrefecture(const QByteArray &address, QByteArray &prefecture, QByteArray &rest)
{
    return splitByTable(address, PrefectureNames(), prefecture, rest);
}

bool SplitPrefectureKana(const QByteArray &kanaAddress, QByteArray &prefecture, QByteArray &rest)
{
    return splitByTable(kanaAddress, PrefectureReadings(), prefecture, rest);
}

// ---- UTF-16 replacements ----

QString RemovePrefectureNames(const QString &text)
{
    QString out = text;
    for (QStringView name : PrefectureNamesW)
        replaceEvery(out, name, {});
    return out;
}

QString ExpandCorpAbbreviations(const QString &text)
{
    const CorpForms &forms = corpForms();
    QString out = text;
    for (size_t i = 0; i < forms.written.size(); ++i)
        replaceEvery(out, forms.written[i], CorpTypeWords[i / CorpForms::PerType]);
    return out;
}

QString AbbreviateCorpTypes(const QString &text, bool fullWidthBrackets)
{
    const CorpForms &forms = corpForms();
    QString out = text;
    for (int i = 0; i < CorpTypeCount; ++i)
        replaceEvery(out, CorpTypeWords[i], fullWidthBrackets ? forms.fullWidth[i] : forms.halfWidth[i]);
    return out;
}

QString DigitsToKanjiNumerals(const QString &text)
{
    static constexpr char16_t Numerals[] = u"〇一二三四五六七八九";
    return mapChars(text, [](QChar c) {
        return c >= u'０' && c <= u'９' ? QChar(Numerals[c.unicode() - u'０']) : c;
    });
}

QString ReplaceDashes(const QString &text, int kind)
{
    const QChar replacement = kind == 1 ? u'の' : u'ー';
    return mapChars(text, [replacement](QChar c) { return c == u'－' || c == u'―' || c == u'‐' ? replacement : c; });
}

// ---- Date-times ----

QDateTime TruncateToSeconds(const QDateTime &dateTime)
{
    return dateTime.addMSecs(-dateTime.time().msec());
}
