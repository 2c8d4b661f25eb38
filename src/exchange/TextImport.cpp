#include "exchange/TextImport.h"

#include "core/Globals.h"
#include "core/HistoryData.h"
#include "base/TextUtils.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "geo/AdrsSearch.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>

// ---- Reading the text ----

namespace {

const QByteArray Utf16LeMark("\xFF\xFE"), Utf16BeMark("\xFE\xFF"), Utf8Mark("\xEF\xBB\xBF");

// Follows UTF-8 a piece at a time, so that a file is judged whole without being held whole: where its bytes stop
// being UTF-8, and whether a character lies beyond ASCII.
class TUtf8Check {
public:
    // False from the first byte that is no part of a UTF-8 character on; a character may run on into the next
    // piece.
    bool Feed(QByteArrayView piece);
    // Where the first character broken, or cut off by the end of the text, starts; -1 when none is.
    qsizetype BrokenAt() const { return broken_ >= 0 || need_ == 0 ? broken_ : start_; }
    bool BeyondAscii() const { return beyondAscii_; }

private:
    qsizetype fed_ = 0;    // the bytes of the pieces before
    qsizetype start_ = 0;  // where the character being read starts
    qsizetype broken_ = -1;
    int need_ = 0;                    // its bytes still to come
    uchar low_ = 0x80, high_ = 0xBF;  // the range its next byte lies in: no overlong form, no surrogate
    bool beyondAscii_ = false;
};

bool TUtf8Check::Feed(QByteArrayView piece)
{
    if (broken_ >= 0)
        return false;
    const auto *b = reinterpret_cast<const uchar *>(piece.data());
    const qsizetype size = piece.size();
    for (qsizetype i = 0; i < size;) {
        if (need_ > 0) {
            if (b[i] < low_ || b[i] > high_) {
                broken_ = start_;
                return false;
            }
            low_ = 0x80;
            high_ = 0xBF;
            --need_;
            ++i;
            continue;
        }
        // Most of an address book's file is ASCII: eight bytes at a time.
        for (quint64 word; i + 8 <= size; i += 8) {
            std::memcpy(&word, b + i, sizeof word);
            if (word & 0x8080808080808080ULL)
                break;
        }
        if (i == size)
            break;
        const uchar c = b[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        beyondAscii_ = true;
        start_ = fed_ + i;
        if (c >= 0xC2 && c <= 0xDF) {
            need_ = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            need_ = 2;
            low_ = c == 0xE0 ? 0xA0 : 0x80;
            high_ = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            need_ = 3;
            low_ = c == 0xF0 ? 0x90 : 0x80;
            high_ = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            broken_ = start_;
            return false;
        }
        ++i;
    }
    fed_ += size;
    return true;
}

// Where UTF-16 bytes (without their mark) stop being characters: half a surrogate pair, or a last byte alone.
qsizetype firstNonUtf16(QByteArrayView bytes, bool bigEndian)
{
    const qsizetype units = bytes.size() / 2;
    const auto unit = [&](qsizetype i) {
        const auto first = static_cast<uchar>(bytes[2 * i]), second = static_cast<uchar>(bytes[2 * i + 1]);
        return static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (QChar::isHighSurrogate(u) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1)))
            ++i;
        else if (QChar::isSurrogate(u))
            return 2 * i;
    }
    return bytes.size() % 2 ? bytes.size() - 1 : -1;
}

}  // namespace

TTextEncoding DetectTextEncoding(QIODevice &in)
{
    // Neither mark can begin Shift-JIS or UTF-8 text.
    const QByteArray head = in.peek(3);
    if (head.startsWith(Utf16LeMark) || head.startsWith(Utf16BeMark))
        return TTextEncoding::Utf16;
    if (head.startsWith(Utf8Mark))
        return TTextEncoding::Utf8;
    TUtf8Check utf8;
    QByteArray piece(256 * 1024, Qt::Uninitialized);
    for (qint64 read; (read = in.read(piece.data(), piece.size())) > 0;)
        if (!utf8.Feed(QByteArrayView(piece.constData(), read)))
            return TTextEncoding::ShiftJis;
    return utf8.BrokenAt() < 0 && utf8.BeyondAscii() ? TTextEncoding::Utf8 : TTextEncoding::ShiftJis;
}

TTextEncoding DetectTextEncoding(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return DetectTextEncoding(buffer);
}

QString DecodeImportText(const QByteArray &bytes, TTextEncoding encoding, qsizetype *unreadableAt)
{
    const bool utf16 = encoding == TTextEncoding::Utf16, bigEndian = utf16 && bytes.startsWith(Utf16BeMark);
    const qsizetype mark = utf16 && (bigEndian || bytes.startsWith(Utf16LeMark))              ? Utf16LeMark.size()
                           : encoding == TTextEncoding::Utf8 && bytes.startsWith(Utf8Mark) ? Utf8Mark.size()
                                                                                           : 0;
    const QByteArrayView body = QByteArrayView(bytes).sliced(mark);
    const auto decode = [&](QByteArrayView part) -> QString {
        if (encoding == TTextEncoding::ShiftJis)
            return Sjis::decode(part);
        QStringDecoder decoder(!utf16 ? QStringDecoder::Utf8 : bigEndian ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE,
                               QStringDecoder::Flag::Stateless);
        return decoder(part);
    };
    qsizetype broken = -1;
    if (encoding == TTextEncoding::ShiftJis) {
        broken = Sjis::firstUndecodable(body);
    } else if (utf16) {
        broken = firstNonUtf16(body, bigEndian);
    } else {
        TUtf8Check utf8;
        utf8.Feed(body);
        broken = utf8.BrokenAt();
    }
    if (unreadableAt)
        *unreadableAt = -1;
    if (broken < 0)
        return decode(body);
    QString text = decode(body.first(broken));
    if (unreadableAt)
        *unreadableAt = text.size();
    const QString rest = decode(body.sliced(broken));
    // A decoder may drop a character cut off by the end; it still stands there for the reader to meet.
    return text + (rest.isEmpty() ? QString(QChar::ReplacementCharacter) : rest);
}

QString CutToUnits(const QString &text, int units)
{
    if (text.size() <= units)
        return text;
    return text.left(text[units - 1].isHighSurrogate() ? units - 1 : units);
}

TCsvReader::TCsvReader(const QString &text, QChar separator, bool cut, qsizetype unreadableAt)
    : text_(text), separator_(separator), cut_(cut), unreadableAt_(unreadableAt)
{
}

qsizetype TCsvReader::lineEnd(qsizetype from) const
{
    qsizetype i = from;
    while (i < text_.size() && text_[i] != QLatin1Char('\r') && text_[i] != QLatin1Char('\n'))
        ++i;
    return i;
}

void TCsvReader::skipLineEnd()
{
    if (pos_ < text_.size() && text_[pos_] == QLatin1Char('\r')) {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == QLatin1Char('\n'))
            ++pos_;
    } else if (pos_ < text_.size() && text_[pos_] == QLatin1Char('\n')) {
        ++pos_;
    }
    ++line_;
}

bool TCsvReader::Next(TCsvRow &row)
{
    if (pos_ >= text_.size())
        return false;
    row = TCsvRow();
    row.Line = line_;
    const qsizetype start = pos_;
    const int startLine = line_;
    const QChar quote(u'"'), cr(u'\r'), lf(u'\n');
    // A malformed row is the physical line it began on, or up to the end of the line where the fault shows;
    // reading goes on after it.
    auto malformed = [&](qsizetype faultAt, bool unclosed) {
        row.Malformed = true;
        row.Fields.clear();
        if (unclosed) {
            pos_ = lineEnd(start);
            line_ = startLine;
        } else {
            pos_ = lineEnd(faultAt);
        }
        row.Text = text_.mid(start, pos_ - start);
        row.Unreadable = unreadableAt_ >= start && unreadableAt_ < pos_;
        if (pos_ < text_.size())
            skipLineEnd();
        return true;
    };
    while (true) {
        QString field;
        if (pos_ < text_.size() && text_[pos_] == quote) {
            ++pos_;
            while (true) {
                const qsizetype next = text_.indexOf(quote, pos_);
                if (next < 0 && cut_) {
                    field += QStringView(text_).mid(pos_);
                    pos_ = text_.size();
                    break;
                }
                if (next < 0)
                    return malformed(start, true);
                for (qsizetype i = pos_; i < next; ++i)
                    if (text_[i] == cr || (text_[i] == lf && (i == 0 || text_[i - 1] != cr)))
                        ++line_;
                field += QStringView(text_).mid(pos_, next - pos_);
                pos_ = next + 1;
                if (pos_ < text_.size() && text_[pos_] == quote) {
                    field += quote;
                    ++pos_;
                    continue;
                }
                break;
            }
            if (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != cr && text_[pos_] != lf)
                return malformed(pos_, false);
        } else {
            qsizetype i = pos_;
            while (i < text_.size() && text_[i] != separator_ && text_[i] != cr && text_[i] != lf)
                ++i;
            field = text_.mid(pos_, i - pos_);
            pos_ = i;
        }
        row.Fields << field;
        if (pos_ < text_.size() && text_[pos_] == separator_) {
            ++pos_;
            continue;
        }
        break;
    }
    row.Text = text_.mid(start, pos_ - start);
    row.Unreadable = unreadableAt_ >= start && unreadableAt_ < pos_;
    if (pos_ < text_.size())
        skipLineEnd();
    return true;
}

// ---- One row to a record ----

bool IsImportItem(int itemNo) { return itemNo >= 1 && itemNo < TextItemEnd; }

bool JoinsColumns(int itemNo)
{
    switch (itemNo) {
    case 9:                                      // 住所
    case 10:                                     // 住所カナ
    case 12: case 13: case 14: case 15:          // 会社名, 会社名カナ, 部署, 役職
    case 16: case 17:                            // 名前, 名前カナ
    case 21: case 22: case 23: case 24: case 25: // 連名1-5
    case 34:                                     // 備考
    case ipMunicipality: case ipTown: case ipBuilding:
        return true;
    default:
        return itemNo >= liFirstKeyword && itemNo < liFirstKeyword + 8;
    }
}

QString TextItemCaption(int itemNo)
{
    static const QString parts[] = {QStringLiteral("都道府県"), QStringLiteral("市区町村"), QStringLiteral("町域・番地"),
                                    QStringLiteral("建物名")};
    if (itemNo >= ipPrefecture)
        return parts[itemNo - ipPrefecture];
    if (itemNo >= liFirstKeyword && itemNo < liFirstKeyword + 8)
        return KeywordNames[itemNo - liFirstKeyword];
    return ListItemTable()[itemNo].Caption;
}

namespace {

// How many UTF-16 units the name edits of the record form take.
constexpr int NameUnits = 15;
constexpr int JointUnits = 11;
// The company name is typed into an edit of 112 bytes, though its field holds more.
constexpr int CorpKanjiBytes = 112;

// The sizes of the record's address fields, prefecture to building.
constexpr int AddressPartBytes[] = {8, 32, 100, 116};

// A date, a time or both, in the forms the list shows and spreadsheets write.
std::optional<QDateTime> readDateTime(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(?:(\d{4})[/\-.](\d{1,2})[/\-.](\d{1,2}))?\s*(?:(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch() || (m.capturedLength(1) == 0 && m.capturedLength(4) == 0))
        return std::nullopt;
    QDate date(1899, 12, 30);
    QTime time(0, 0);
    if (m.capturedLength(1)) {
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!date.isValid())
            return std::nullopt;
    }
    if (m.capturedLength(4)) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return std::nullopt;
    }
    return QDateTime(date, time);
}

// Where an address too long for its field is cut: at most maxBytes in, on a character boundary. Every reader
// of the record trims each field before joining them, so a blank at the cut would vanish ("受付B 5F" read back
// as "受付B5F"): the cut has no blank on either side of it. Only between the town and the building, where the
// join sets a blank of its own, is the cut made before a blank where there is one (beforeBlank).
qsizetype addressCut(const QByteArray &address, qsizetype maxBytes, bool beforeBlank = false)
{
    const qsizetype longest = Sjis::cutToBytes(address, maxBytes).size();
    if (longest == address.size())
        return longest;
    const auto blankAt = [&address](qsizetype at) {
        return address[at] == ' ' || (at + 1 < address.size() && address.mid(at, 2) == "\x81\x40");
    };
    QList<qsizetype> bounds;  // the character boundaries up to the longest cut
    for (qsizetype at = 0; at < longest; at += Sjis::isLeadByte(uchar(address[at])) ? 2 : 1)
        bounds.append(at);
    bounds.append(longest);
    for (qsizetype i = bounds.size() - 1; beforeBlank && i > 0; --i)
        if (blankAt(bounds[i]))
            return bounds[i];
    for (qsizetype i = bounds.size() - 1; i > 0; --i)
        if (!blankAt(bounds[i - 1]) && !blankAt(bounds[i]))
            return bounds[i];
    return longest;
}

// The text a whole address has in the place of address parts a row leaves empty, one after another.
struct TAddressGap {
    int First = 0, Last = 0;  // ipPrefecture-based: 0 prefecture … 3 building
    QString Text;
};

bool isPrefectureName(QStringView text)
{
    return std::find(PrefectureNamesW.begin(), PrefectureNamesW.end(), text) != PrefectureNamesW.end();
}

constexpr bool isAddressBlank(QChar c) { return c.unicode() <= 0x20 || c.unicode() == 0x3000; }

// Blanks of either width at the ends of an address or one of its parts only part it from the text beside it.
QString trimAddressBlanks(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && isAddressBlank(text[first]))
        ++first;
    while (last > first && isAddressBlank(text[last - 1]))
        --last;
    return text.sliced(first, last - first);
}

// The same over a part's Shift-JIS bytes, character by character: the place a whole address is cut or split at
// its prefecture may leave one at an end.
QByteArray trimAddressBlanks(const QByteArray &part)
{
    qsizetype first = -1, end = 0;
    for (qsizetype at = 0; at < part.size();) {
        const qsizetype size = Sjis::isLeadByte(uchar(part[at])) && at + 1 < part.size() ? 2 : 1;
        if (uchar(part[at]) > 0x20 && part.mid(at, size) != "\x81\x40") {
            first = first < 0 ? at : first;
            end = at + size;
        }
        at += size;
    }
    return first < 0 ? QByteArray() : part.mid(first, end - first);
}

// An address as it is read against the parts a row holds: without blanks, full-width letters, digits and signs
// as their ASCII forms, the dashes typed between numbers as "-" and characters Shift-JIS writes as others as the
// book will hold them, so that "梅田３－１－３" and "梅田 3-1-3", "剝町" and "剥町" read alike. At[i] is where
// character i stands in the text it was made from, At[size] that text's end.
struct TComparedAddress {
    QString Text;
    std::vector<qsizetype> At;
};

TComparedAddress comparedAddress(QStringView text)
{
    static constexpr char16_t dashes[] = {u'‐', u'‑', u'‒', u'–', u'—', u'―', u'−', u'ー', u'ｰ'};
    TComparedAddress compared;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (isAddressBlank(text[i]))
            continue;
        if (c >= u'！' && c <= u'～')
            c = static_cast<char16_t>(c - u'！' + u'!');
        else if (std::find(std::begin(dashes), std::end(dashes), c) != std::end(dashes))
            c = u'-';
        else
            c = Sjis::readBack(QChar(c)).unicode();
        compared.Text += QChar(c);
        compared.At.push_back(i);
    }
    compared.At.push_back(text.size());
    return compared;
}

// A postal code written before an address ("〒530-0001 大阪府…", its digits of either width): its seven digits, and
// the address after it in *rest. Empty, with the whole address as rest, when it has none.
QByteArray splitPostalCode(const QString &address, QString *rest)
{
    static const QRegularExpression code(QStringLiteral(
        "^〒?[ \\x{3000}]*([0-9０-９]{3})[-－‐‑–—―−ー]?([0-9０-９]{4})(?![0-9０-９\\-－‐‑–—―−ー])"));
    const QRegularExpressionMatch m = code.match(address);
    if (!m.hasMatch()) {
        *rest = address;
        return {};
    }
    *rest = trimAddressBlanks(address.mid(m.capturedEnd()));
    QByteArray digits;
    for (const QChar c : m.captured(1) + m.captured(2))
        digits += static_cast<char>('0' + c.digitValue());
    return digits;
}

// A whole address read as the parts first..last: each part held where it stands, each run of empty parts
// taking the text between.
std::optional<std::vector<TAddressGap>> readAsParts(const QString &address, const std::array<QString, 4> &parts,
                                                    int first, int last)
{
    const TComparedAddress compared = comparedAddress(address);
    const QString &text = compared.Text;
    const auto between = [&](qsizetype from, qsizetype to) {
        return trimAddressBlanks(address.sliced(compared.At[from], compared.At[to] - compared.At[from]));
    };
    std::vector<TAddressGap> gaps;
    bool open = false;  // the last gap runs on until a part held ends it
    qsizetype pos = 0;
    for (int part = first; part <= last; ++part) {
        if (parts[part].isEmpty()) {
            if (open)
                gaps.back().Last = part;
            else
                gaps.push_back({part, part, {}});
            open = true;
            continue;
        }
        const QString held = comparedAddress(parts[part]).Text;
        qsizetype at = pos;
        if (open) {
            // The last part ends the address; an earlier one is taken where it first stands.
            at = part == last ? text.size() - held.size() : text.indexOf(held, pos);
            if (at >= pos)
                gaps.back().Text = between(pos, at);
            open = false;
        }
        if (at < pos || !QStringView(text).sliced(at).startsWith(held))
            return std::nullopt;
        pos = at + held.size();
    }
    if (open)
        gaps.back().Text = between(pos, text.size());
    else if (pos < text.size())
        return std::nullopt;
    // The prefecture's place alone takes nothing but a prefecture.
    for (const TAddressGap &gap : gaps)
        if (gap.First == 0 && gap.Last == 0 && !gap.Text.isEmpty() && !isPrefectureName(gap.Text))
            return std::nullopt;
    return gaps;
}

// The whole address read against the parts a row holds, or nothing when it says something else. It may be the
// whole address, or leave out the first parts, which the row then holds and it has no prefecture of its own: the
// prefecture alone, or more when it begins with the next part the row holds, since text in the place of a
// municipality or a town the row holds might as well be another address. It may leave out the building, which
// the row then holds: that only where the row holds the town too, or none of the parts before the building,
// since text after the municipality might as well be the building the row replaced.
std::optional<std::vector<TAddressGap>> readAgainstParts(const QString &address, const std::array<QString, 4> &parts)
{
    QByteArray prefecture, rest;
    const bool ownPrefecture = SplitPrefecture(Sjis::encode(address), prefecture, rest);
    static constexpr std::pair<int, int> ranges[] = {{0, 3}, {0, 2}, {1, 3}, {1, 2}, {2, 3}, {2, 2}, {3, 3}};
    for (const auto &[first, last] : ranges) {
        const auto held = [&parts](int from, int to) {
            return std::any_of(parts.begin() + from, parts.begin() + to + 1, [](const QString &p) { return !p.isEmpty(); });
        };
        const auto allHeld = [&parts](int from, int to) {
            return std::none_of(parts.begin() + from, parts.begin() + to + 1, [](const QString &p) { return p.isEmpty(); });
        };
        if (first > 0 && (ownPrefecture || !allHeld(0, first - 1) || (first > 1 && parts[first].isEmpty())))
            continue;
        if (last < 3 && (parts[3].isEmpty() || (parts[2].isEmpty() && held(first, 2))))
            continue;
        if (auto gaps = readAsParts(address, parts, first, last))
            return gaps;
    }
    return std::nullopt;
}

}  // namespace

TImportConverter::TImportConverter(const std::vector<int> &columnItems, double now)
    : columnItems_(columnItems), now_(now)
{
}

void TImportConverter::SetCategories(const QHash<QString, int32_t> &mains, const QHash<QString, int32_t> &subs)
{
    mains_ = mains;
    subs_ = subs;
}

void TImportConverter::SetMunicipalities(TMunicipalityFinder finder) { municipalities_ = std::move(finder); }

TMunicipalityFinder DictionaryMunicipalities(const QString &libraryFolder, const QString &dataFolder)
{
    std::shared_ptr<TAdrsSearch> search;
    try {
        search = std::make_shared<TAdrsSearch>(libraryFolder, dataFolder);
    } catch (const EDicSearchError &) {
        return {};
    }
    return [search](const QByteArray &prefecture, const QByteArray &rest) {
        try {
            if (rest.isEmpty() || search->Search(prefecture + rest) != 0)
                return QByteArray();
        } catch (const EDicSearchError &) {
            return QByteArray();
        }
        // The dictionary names a municipality of a county with its county ("北群馬郡榛東村"); an address may
        // leave the county out. Two municipalities the text begins to name alike ("府中市" without its
        // prefecture) name it alike.
        QByteArray named;
        for (int i = 0; i < search->GetCityCount(); ++i) {
            const TAddrCityEntry &city = search->GetCity(i);
            if (!prefecture.isEmpty() && FieldText(city.Prefecture) != prefecture)
                continue;
            const QString name = Sjis::decode(FieldText(city.City));
            for (const QString &form : {name, name.mid(name.indexOf(u'郡') + 1)}) {
                const QByteArray bytes = Sjis::encode(form);
                if (bytes.isEmpty() || !rest.startsWith(bytes))
                    continue;
                if (!named.isEmpty() && named != bytes)
                    return QByteArray();
                named = bytes;
                break;
            }
        }
        return named;
    };
}

bool TImportConverter::Convert(const QStringList &fields, TAddressRecord *record, QStringList *errors,
                               QStringList *notes, TRowChanges *changes) const
{
    TAddressRecord &r = *record;
    // A row starts as a record typed into the form does: the person's own name is printed on the postcard.
    r = NewAddressRecord();
    const int errorsBefore = static_cast<int>(errors->size());
    std::optional<QDate> addDate, updDate;
    std::optional<QTime> addTime, updTime;
    QString mainName, subName;
    TRowChanges unasked;
    TRowChanges &changed = changes ? *changes : unasked;
    changed = TRowChanges();
    // Each item's value: the row's columns chosen for it, in their order, joined by a blank as a name is written;
    // items in the order of their first columns.
    std::array<QString, TextItemEnd> values;
    std::vector<int> items;
    for (size_t column = 0; column < columnItems_.size() && column < static_cast<size_t>(fields.size()); ++column) {
        const int item = columnItems_[column];
        if (!IsImportItem(item))
            continue;
        const QString &field = fields[static_cast<qsizetype>(column)];
        const QString value = item == 9 || item >= ipPrefecture ? trimAddressBlanks(field) : TrimBlanks(field);
        if (value.isEmpty())
            continue;
        QString &joined = values[item];
        if (joined.isEmpty())
            items.push_back(item);
        else
            joined += QLatin1Char(' ');
        joined += value;
    }
    // The whole address, after the postal code it may begin with, and its parts.
    QString wholeAddress;
    const QByteArray addressCode = splitPostalCode(values[9], &wholeAddress);
    const std::array<QString, 4> addressParts{values[ipPrefecture], values[ipMunicipality], values[ipTown],
                                              values[ipBuilding]};

    // A control code (a NUL, a DEL) would be stored inside the text and print as nothing or garbage.
    auto controlFree = [&](const QString &value, int itemNo, bool multiLine = false) {
        const auto refused = [multiLine](QChar c) {
            return IsControlChar(c) && !(multiLine && (c == u'\r' || c == u'\n' || c == u'\t'));
        };
        if (std::none_of(value.begin(), value.end(), refused))
            return true;
        *errors << QStringLiteral("「%1」に制御文字があります").arg(TextItemCaption(itemNo));
        return false;
    };
    auto encoded = [&](const QString &value, int itemNo, bool multiLine = false) -> std::optional<QByteArray> {
        if (!controlFree(value, itemNo, multiLine))
            return std::nullopt;
        QString missing;
        const QByteArray bytes = Sjis::encode(value, &missing);
        if (!missing.isEmpty()) {
            *errors << QStringLiteral("「%1」にShift-JISで表せない文字があります（%2）").arg(TextItemCaption(itemNo), missing);
            return std::nullopt;
        }
        for (const QChar c : value)
            if (Sjis::readBack(c) != c) {
                const QString note = QStringLiteral("「%1」の「%2」を「%3」にしました").arg(TextItemCaption(itemNo)).arg(c).arg(Sjis::readBack(c));
                if (!notes->contains(note))
                    *notes << note;
                const QString swap = QString(c) + QStringLiteral("→") + Sjis::readBack(c);
                if (!changed.Swaps.contains(swap))
                    changed.Swaps << swap;
            }
        return bytes;
    };
    auto cut = [&](const QByteArray &bytes, int capacity, int itemNo) {
        const QByteArray kept = Sjis::cutToBytes(bytes, capacity);
        if (kept.size() < bytes.size()) {
            *notes << QStringLiteral("「%1」を%2バイトに切り詰めました").arg(TextItemCaption(itemNo)).arg(capacity);
            changed.Cut = true;
        }
        return kept;
    };
    auto text = [&](const QString &value, int capacity, int itemNo, QByteArray &field) {
        if (const auto bytes = encoded(value, itemNo))
            field = cut(*bytes, capacity, itemNo);
    };
    auto reading = [&](const QString &value, int capacity, int itemNo, QByteArray &field) {
        if (encoded(value, itemNo))
            field = cut(HalfKanaReading(value), capacity, itemNo);
    };
    auto name = [&](const QString &value, int units, int itemNo, QByteArray &field) {
        if (!controlFree(value, itemNo))
            return;
        const QString kept = CutToUnits(value, units);
        if (kept.size() < value.size()) {
            *notes << QStringLiteral("「%1」を%2文字に切り詰めました").arg(TextItemCaption(itemNo)).arg(units);
            changed.Cut = true;
        }
        field = WideToEscapedAnsi(kept);
    };
    auto number = [&](const QString &value, int itemNo, QByteArray &field, const QString &invalid) {
        const QByteArray half = ToHalfWidth(Sjis::encode(value));
        for (const char c : half)
            if (!(c >= '0' && c <= '9') && c != '-' && c != ' ') {
                *errors << invalid;
                return;
            }
        field = KeepNumberChars(half, NumberChars::Digits);
        if (field.size() > 11) {
            *errors << QStringLiteral("「%1」の桁数が多すぎます").arg(TextItemCaption(itemNo));
            field.clear();
        }
    };
    auto date = [&](const QString &value, int itemNo, std::optional<QDate> *d, std::optional<QTime> *t) {
        const std::optional<QDateTime> read = readDateTime(value);
        if (!read) {
            *errors << QStringLiteral("「%1」が日時として読めません").arg(TextItemCaption(itemNo));
            return;
        }
        if (d && read->date() != QDate(1899, 12, 30))
            *d = read->date();
        if (t)
            *t = read->time();
    };

    for (const int item : items) {
        const QString &value = values[item];
        const QString telMessage = QStringLiteral("電話番号は半角数字かハイフンのみが有効です  ");
        switch (item) {
        case 1: {
            const auto found = std::find(GroupNames.begin() + 1, GroupNames.end(), value);
            if (found != GroupNames.end())
                r.Group = static_cast<int32_t>(found - GroupNames.begin());
            else if (value != GroupNames[0]) {
                *notes << QStringLiteral("グループ「%1」がないため「%2」にしました").arg(value, GroupNames[0]);
                changed.UnknownGroup = value;
            }
            break;
        }
        case 2: text(value, 20, item, r.CustomCode); break;
        case 3: number(value, item, r.Tel, telMessage); break;
        case 4: r.TelDiv = value == QLatin1String("0") ? 0 : 3; break;
        case 5: number(value, item, r.Fax, QStringLiteral("FAX番号は半角数字かハイフンのみが有効です  ")); break;
        case 6: number(value, item, r.Portable1, QStringLiteral("携帯番号は半角数字かハイフンのみが有効です  ")); break;
        case 7: number(value, item, r.Portable2, QStringLiteral("携帯番号は半角数字かハイフンのみが有効です  ")); break;
        case 8: {
            number(value, item, r.Pos, QStringLiteral("正しい郵便番号を入力してください  "));
            const qsizetype digits = r.Pos.size();
            if (digits != 0 && digits != 3 && digits != 5 && digits != 7) {
                *errors << QStringLiteral("正しい桁数の郵便番号を入力してください  ");
                r.Pos.clear();
            }
            break;
        }
        case 10: reading(value, 100, item, r.AdrsKana); break;
        case 9:
        case ipPrefecture:
        case ipMunicipality:
        case ipTown:
        case ipBuilding: break;  // below
        case 11: r.PrivCorp = value == QStringLiteral("個人"); break;
        case 12: text(value, CorpKanjiBytes, item, r.CorpKanji); break;
        case 13: reading(value, 80, item, r.CorpKana); break;
        case 14: text(value, 100, item, r.Dptmnt); break;
        case 15: text(value, 50, item, r.Post); break;
        case 16: name(value, NameUnits, item, r.NameKanji); break;
        case 17: reading(value, 25, item, r.NameKana); break;
        case 18: text(value, 128, item, r.URL); break;
        case 19: text(value, 64, item, r.EMail1); break;
        case 20: text(value, 64, item, r.EMail2); break;
        case 34: {
            if (const auto bytes = encoded(value, item, true)) {
                QByteArray note = *bytes;
                note.replace("\r\n", "\n").replace('\r', '\n');
                r.Note = note.split('\n');
            }
            break;
        }
        case 35: {
            const qsizetype colour = value.lastIndexOf(QStringLiteral(",$"));
            text(colour < 0 ? value : value.left(colour), 10, item, r.SymbolMark);
            if (colour >= 0)
                r.SymbolColor = static_cast<int32_t>(value.mid(colour + 2).toUInt(nullptr, 16));
            break;
        }
        case 36: date(value, item, &addDate, &addTime); break;
        case 37: date(value, item, &addDate, nullptr); break;
        case 38: date(value, item, nullptr, &addTime); break;
        case 39: date(value, item, &updDate, &updTime); break;
        case 40: date(value, item, &updDate, nullptr); break;
        case 41: date(value, item, nullptr, &updTime); break;
        case 42: mainName = value; break;
        case 43: subName = value; break;
        default:
            if (item >= 21 && item <= 25)
                name(value, JointUnits, item, r.Joint[item - 21]);
            else if (item >= liFirstKeyword && item < liFirstKeyword + 8)
                text(value, 100, item, r.Keyword[item - liFirstKeyword]);
            break;
        }
    }
    if (items.empty()) {
        *errors << QStringLiteral("取り込む項目がありません");
        return false;
    }
    QByteArray *const partFields[] = {&r.Tdfkn, &r.Adrs1, &r.Adrs2, &r.Adrs3};
    const auto room = [](int from, int to) {
        return std::accumulate(AddressPartBytes + from, AddressPartBytes + to + 1, 0);
    };
    // Text of a whole address in the place of the empty parts first..last: a prefecture to its own field; a
    // municipality the dictionary names to its field; the building after the first half-width blank, where the
    // list and the export set it apart (right after the prefecture or the municipality where the record has
    // nothing between; a full-width blank is kept as written, since the list would show a half-width one); the
    // rest to the town's field. Where the parts so found are longer than their fields, all the record holds is
    // kept: a rest longer than the town's field starts in the municipality's, which the list joins with it as
    // it stands, and what those cannot hold goes on in the building's.
    const auto spread = [&](QByteArray text, int first, int last) {
        QByteArray prefecture = Sjis::encode(addressParts[0]);
        qsizetype firstBlank = 1;  // where the blank before the building may stand
        if (first == 0 && last > 0) {
            QByteArray rest;
            SplitPrefecture(text, prefecture, rest);
            r.Tdfkn = prefecture;
            text = rest;
            first = 1;
            firstBlank = 0;
        }
        if (first == 1 && last > 1 && municipalities_) {
            const QByteArray trimmed = trimAddressBlanks(text);
            const QByteArray municipality = municipalities_(prefecture, trimmed);
            const qsizetype rest = trimmed.size() - municipality.size();
            if (!municipality.isEmpty() && municipality.size() <= AddressPartBytes[1] && rest <= room(2, last)) {
                r.Adrs1 = municipality;
                text = trimmed.right(rest);
                first = 2;
                firstBlank = 0;
            }
        }
        // Shift-JIS has no trail byte 0x20.
        if (const qsizetype blank = text.indexOf(' '); last == 3 && first < 3 && blank >= firstBlank
            && blank <= room(first, 2) && text.size() - blank - 1 <= AddressPartBytes[3]) {
            r.Adrs3 = text.mid(blank + 1);
            text.truncate(blank);
            last = 2;
        }
        if (first == 1 && last > 1) {
            if (text.size() > AddressPartBytes[2]) {
                r.Adrs1 = text.left(addressCut(text, AddressPartBytes[1]));
                text = text.mid(r.Adrs1.size());
            }
            first = 2;
        }
        if (first == 2 && last > 2) {
            r.Adrs2 = text.left(addressCut(text, AddressPartBytes[2], true));
            text = trimAddressBlanks(text.mid(r.Adrs2.size()));
            first = 3;
        }
        *partFields[first] = cut(text, AddressPartBytes[first], 9);
    };
    if (!values[9].isEmpty()) {
        // A postal code before the address is the row's own, or fills it where the row gives none.
        const bool codeAgrees = addressCode.isEmpty() || r.Pos.isEmpty() || addressCode.startsWith(r.Pos);
        const auto gaps = !codeAgrees           ? std::nullopt
                          : wholeAddress.isEmpty() ? std::optional(std::vector<TAddressGap>())
                                                   : readAgainstParts(wholeAddress, addressParts);
        if (gaps) {
            if (r.Pos.isEmpty())
                r.Pos = addressCode;
            for (const TAddressGap &gap : *gaps)
                if (const auto bytes = gap.Text.isEmpty() ? std::nullopt : encoded(gap.Text, 9))
                    spread(*bytes, gap.First, gap.Last);
        } else {
            *notes << QStringLiteral("「住所」が都道府県・市区町村・町域・番地・建物名と食い違うため、住所を取り込まず各項目を取り込みました");
            changed.AddressSetAside = true;
        }
    }
    for (int part = 0; part < 4; ++part) {
        const int item = ipPrefecture + part;
        if (const auto bytes = addressParts[part].isEmpty() ? std::nullopt : encoded(addressParts[part], item))
            *partFields[part] = cut(*bytes, AddressPartBytes[part], item);
        *partFields[part] = trimAddressBlanks(*partFields[part]);
    }
    if (!mainName.isEmpty()) {
        r.CodeMain = mains_.value(mainName, 0);
        if (r.CodeMain == 0) {
            *notes << QStringLiteral("大分類「%1」がないため分類なしにしました").arg(mainName);
            changed.UnknownCategories << mainName;
        }
    }
    if (!subName.isEmpty() && r.CodeMain > 0) {
        const int32_t sub = subs_.value(QString::number(r.CodeMain) + QLatin1Char('\t') + subName, 0);
        r.CodeSub = sub % 100;
        if (sub == 0) {
            *notes << QStringLiteral("小分類「%1」がないため小分類なしにしました").arg(subName);
            changed.UnknownCategories << subName;
        }
    }
    auto moment = [this](const std::optional<QDate> &d, const std::optional<QTime> &t, bool cutToSeconds) {
        if (!d && !t)
            return cutToSeconds ? DateTimeToDouble(TruncateToSeconds(DoubleToDateTime(now_))) : now_;
        const QDate day = d.value_or(DoubleToDateTime(now_).date());
        return DateTimeToDouble(QDateTime(day, t.value_or(QTime(0, 0))));
    };
    r.AddDateTime = moment(addDate, addTime, true);
    r.UpdDateTime = moment(updDate, updTime, false);
    return errors->size() == errorsBefore;
}

// ---- The run ----

int TImportOutcome::RejectedCount() const
{
    return static_cast<int>(std::count_if(Problems.begin(), Problems.end(), [](const TImportProblem &p) { return p.Rejected; }));
}

int TImportOutcome::CutCount() const
{
    return static_cast<int>(std::count_if(Problems.begin(), Problems.end(), [](const TImportProblem &p) { return p.Changes.Cut; }));
}

TImportOutcome ImportRows(TTable &table, TCsvReader &reader, const TImportConverter &converter, bool skipHeader,
                          int limit, const std::function<bool(qsizetype, qsizetype)> &progress)
{
    TImportOutcome outcome;
    QElapsedTimer sinceAsked;
    sinceAsked.start();
    try {
        int count = table.RecordCount();
        table.SetIndexName(QString());
        table.StartTransaction();
        try {
            TCsvRow row;
            TAddressRecord record;
            QStringList errors, notes;
            TRowChanges changes;
            bool first = true;
            while (reader.Next(row)) {
                // Read in an encoding it does not have, a file yields other characters than it holds, in this row
                // and in those before it that read without a fault: none of them is stored.
                if (row.Unreadable) {
                    table.Rollback();
                    outcome.UnreadableLine = row.Line;
                    outcome.Added = 0;
                    outcome.Problems.clear();
                    return outcome;
                }
                if (first && skipHeader) {
                    first = false;
                    continue;
                }
                first = false;
                if (sinceAsked.elapsed() >= 50) {
                    sinceAsked.restart();
                    if (progress && !progress(reader.Position(), reader.Size())) {
                        table.Rollback();
                        outcome.Stopped = true;
                        outcome.Added = 0;
                        return outcome;
                    }
                }
                // An empty line is no record and no fault.
                if (!row.Malformed && row.Fields.size() == 1 && row.Fields[0].isEmpty())
                    continue;
                if (row.Malformed) {
                    outcome.Problems.push_back({row.Line, QStringLiteral("引用符（\"）の対応が正しくありません"), row.Text, true});
                    continue;
                }
                errors.clear();
                notes.clear();
                if (!converter.Convert(row.Fields, &record, &errors, &notes, &changes)) {
                    outcome.Problems.push_back({row.Line, errors.join(QStringLiteral("、")), row.Text, true});
                    continue;
                }
                if (count >= limit) {
                    outcome.Problems.push_back({row.Line, QStringLiteral("最大登録件数10万件に達しました"), row.Text, true});
                    continue;
                }
                table.Append();
                SetAddressRecordFields(table, record);
                table.Post();
                ++count;
                ++outcome.Added;
                if (!notes.isEmpty())
                    outcome.Problems.push_back({row.Line, notes.join(QStringLiteral("、")), row.Text, false, changes});
            }
            table.Commit();
        } catch (const EDatabaseError &) {
            table.Cancel();
            table.Rollback();
            throw;
        }
    } catch (const EDatabaseError &e) {
        outcome.Failure = DatabaseErrorDetail(e);
        outcome.Added = 0;
    }
    if (progress)
        progress(reader.Size(), reader.Size());
    return outcome;
}

QByteArray ImportReport(const TImportOutcome &outcome)
{
    QString report;
    for (const TImportProblem &p : outcome.Problems) {
        QString line = p.Text;
        line.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        report += QStringLiteral("%1行目: %2%3: %4\r\n")
                      .arg(p.Line)
                      .arg(p.Rejected ? QStringLiteral("取り込めませんでした（") : QStringLiteral("取り込みました（"),
                           TrimBlanks(p.Reason) + QStringLiteral("）"), line);
    }
    // UTF-8: a line refused for a character Shift-JIS lacks must show that character.
    return "\xEF\xBB\xBF" + report.toUtf8();
}

QStringList ImportChangeLines(const TImportOutcome &outcome)
{
    int cut = 0, swapped = 0, grouped = 0, uncategorised = 0, setAside = 0;
    QStringList swaps, groups, categories;
    const auto gather = [](QStringList &into, const QStringList &names) {
        for (const QString &name : names)
            if (!into.contains(name))
                into << name;
    };
    for (const TImportProblem &p : outcome.Problems) {
        if (p.Rejected)
            continue;
        const TRowChanges &c = p.Changes;
        cut += c.Cut;
        setAside += c.AddressSetAside;
        if (!c.Swaps.isEmpty()) {
            ++swapped;
            gather(swaps, c.Swaps);
        }
        if (!c.UnknownGroup.isEmpty()) {
            ++grouped;
            gather(groups, {c.UnknownGroup});
        }
        if (!c.UnknownCategories.isEmpty()) {
            ++uncategorised;
            gather(categories, c.UnknownCategories);
        }
    }
    // A few names say what happened; the report has every row.
    const auto listed = [](const QStringList &names, const QString &form, const QString &separator) {
        constexpr int shown = 5;
        QStringList texts;
        for (qsizetype i = 0; i < std::min<qsizetype>(names.size(), shown); ++i)
            texts << form.arg(names[i]);
        QString text = texts.join(separator);
        if (names.size() > shown)
            text += QStringLiteral("ほか%1件").arg(names.size() - shown);
        return text;
    };
    QStringList lines;
    if (cut > 0)
        lines << QStringLiteral("長すぎる項目を切り詰めて取り込んだ行が%1行あります  ").arg(cut);
    if (swapped > 0)
        lines << QStringLiteral("Shift-JISにない文字を似た文字にした行が%1行あります（%2）  ")
                     .arg(swapped)
                     .arg(listed(swaps, QStringLiteral("%1"), QStringLiteral("、")));
    if (grouped > 0)
        lines << QStringLiteral("グループ%1がないため「%2」にした行が%3行あります  ")
                     .arg(listed(groups, QStringLiteral("「%1」"), QString()), GroupNames[0])
                     .arg(grouped);
    if (uncategorised > 0)
        lines << QStringLiteral("分類%1がないため分類なしにした行が%2行あります  ")
                     .arg(listed(categories, QStringLiteral("「%1」"), QString()))
                     .arg(uncategorised);
    if (setAside > 0)
        lines << QStringLiteral("住所がその各項目と食い違うため、各項目を取り込んだ行が%1行あります  ")
                     .arg(setAside);
    if (outcome.RejectedCount() > 0)
        lines << QStringLiteral("取り込めなかった行が%1行あります  ").arg(outcome.RejectedCount());
    return lines;
}
