#include "listprint/ListPage.h"

#include "base/Numbers.h"
#include "base/TextUtils.h"
#include "base/Units.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "drawing/Canvas.h"
#include "drawing/PrintJob.h"


#include <QHash>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace {

// Tenths of a millimetre.
constexpr int PageMargin = 100;
constexpr int TitleBand = 80;
constexpr int RowHeight = 60;    // a row of one line
constexpr int CellPadding = 6;   // left and right of the text
constexpr int RowPadding = 5;    // above and below it
constexpr int TextHeight = 30;   // the character height of the cells where the page has room: 8.5 points
constexpr int LeastTextHeight = 25;  // the smallest that is read without effort: 7 points
constexpr int TitleHeight = 45;
constexpr int PageNumberHeight = 30;
constexpr int LineWidth = 2;
// A line takes this many character heights, so wrapped lines keep apart.
constexpr double LinePitch = 1.2;
// A word of kanji or kana longer than this many characters is a compound or a phrase: the column need not hold
// it on one line.
constexpr int LongestWord = 12;
// A run of letters and digits wider than this many character heights is a web address or a reference in a note,
// never a telephone number or a mail address: the column need not hold it on one line either.
constexpr int LongestRun = 24;
// Where even the runs up to LongestRun cannot stay whole at the smallest size, a run ends lines after its
// slashes, dots, hyphens, underscores, at signs and the marks of a query, and before an escape ("%E6"); a part
// between them wider than this many character heights ends lines between any of its letters, so that a column
// of web or mail addresses asks no more than a few characters' width.
constexpr int LongestRunPart = 4;
// Rows read at a time while the table is measured.
constexpr int MeasuredRows = 500;
const QColor HeaderColour(0xE0, 0xE0, 0xE0);
const QColor GridColour(0x60, 0x60, 0x60);

TFont listFont(bool bold)
{
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ ゴシック"), bold ? 1 : 0, 9);
    return font;
}

// A chance to end a line that is not printed: the list puts it between the parts of an address.
constexpr QChar PartBreak = u'\u200B';

bool isBlank(char32_t c) { return c == u' ' || c == u'\u3000'; }

// Letters, digits and the marks inside a number, a code or an address, in half or full width: a line never
// ends among them ("12F", "1-1-1", "yamada@example.jp").
bool inRun(char32_t u)
{
    // A web address's query, in half width only: the full-width marks end sentences and equations.
    if (u == u'?' || u == u'=')
        return true;
    if (u >= 0xFF01 && u <= 0xFF5E)
        u -= 0xFEE0;  // the full-width forms of ASCII
    if (u < 0x80)
        return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
               QStringView(u"-./_@:#&+%").contains(QChar(char16_t(u)));
    return u == 0x2010 || u == 0x2212;  // hyphen, minus
}

// Letters and digits, in half or full width: where no mark is near, a run ends a line between two of them.
bool letterOrDigit(char32_t u)
{
    if (u >= 0xFF01 && u <= 0xFF5E)
        u -= 0xFEE0;
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

// The marks a run of letters ends a line after where it must end one: the parts of a web address, of a mail
// address and its domain, a code's or a telephone number's groups.
bool endsRunPart(char32_t u)
{
    if (u >= 0xFF01 && u <= 0xFF5E)
        u -= 0xFEE0;
    return u < 0x80 ? QStringView(u"/.-?&=_@").contains(QChar(char16_t(u))) : u == 0x2010 || u == 0x2212;
}

// Marks no line begins with (closing brackets and stops, small kana, the long vowel mark and the repeat marks),
// and those no line ends with, looked up for every character of every cell.
struct TMarks {
    std::vector<bool> Closing = std::vector<bool>(0x10000), Opening = std::vector<bool>(0x10000);
    TMarks()
    {
        for (const QChar c : QStringLiteral("、。，．,.）)」』】〕〉》］｝’”!！?？:：;；・ー～ゝゞ々ぁぃぅぇぉっゃゅょゎ"
                                            "ァィゥェォッャュョヮヵヶｰｧｨｩｪｫｯｬｭｮﾞﾟ｡､｣･゛゜"))
            Closing[c.unicode()] = true;
        for (const QChar c : QStringLiteral("（(「『【〔〈《［｛‘“｢"))
            Opening[c.unicode()] = true;
    }
};

const TMarks &marks()
{
    static const TMarks table;
    return table;
}

bool closing(char32_t u) { return u < 0x10000 && marks().Closing[u]; }
bool opening(char32_t u) { return u < 0x10000 && marks().Opening[u]; }

// The scripts a Japanese text changes between where one word ends and the next begins; a number and the
// counter after it ("9丁目", "3番地", "15階") are one word.
enum class TScript { Latin, Kanji, Katakana, Other };

TScript scriptOf(char32_t u)
{
    if (inRun(u))
        return TScript::Latin;
    if ((u >= 0x3041 && u <= 0x309F) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) ||
        (u >= 0x20000 && u <= 0x3FFFF) || u == 0x3005 || u == 0x3006 || u == 0x3007 || u == 0x30F5 || u == 0x30F6)
        return TScript::Kanji;  // with the hiragana that joins kanji into a name ("丸の内", "霞が関")
    if ((u >= 0x30A1 && u <= 0x30FA) || u == 0x30FC || (u >= 0xFF66 && u <= 0xFF9F))
        return TScript::Katakana;
    return TScript::Other;
}

// Legal forms a company name holds as a word of its own among kanji.
const QStringList &legalForms()
{
    static const QStringList forms = {
        QStringLiteral("特定非営利活動法人"), QStringLiteral("一般社団法人"), QStringLiteral("一般財団法人"),
        QStringLiteral("公益社団法人"), QStringLiteral("公益財団法人"), QStringLiteral("社会福祉法人"),
        QStringLiteral("株式会社"), QStringLiteral("有限会社"), QStringLiteral("合同会社"),
        QStringLiteral("合資会社"), QStringLiteral("合名会社"), QStringLiteral("社団法人"),
        QStringLiteral("財団法人"), QStringLiteral("学校法人"), QStringLiteral("医療法人"),
        QStringLiteral("宗教法人")};
    return forms;
}

}  // namespace

// Widths of texts at the list's fonts, in character heights, device-free: the table is laid out once for the
// preview and the printer alike. The gothic faces set a text as wide as its characters one by one (no pair
// of them kerned), so a text's width is the sum of its characters', each measured once: a list's words are as
// many as its records, its characters a few thousand.
class TListPage::TTextMeasure {
public:
    TTextMeasure() : painter_(&image_), canvas_(painter_, Dpi, Dpi) {}

    double Width(QStringView text, bool bold)
    {
        double width = 0;
        for (qsizetype i = 0; i < text.size(); ++i)
            width += advance(text, i, bold);
        return width;
    }
    // The width after each UTF-16 unit of text (a surrogate pair's first unit counts nothing).
    QList<double> Extents(QStringView text, bool bold)
    {
        QList<double> extents;
        double width = 0;
        for (qsizetype i = 0; i < text.size(); ++i)
            extents.append(width += advance(text, i, bold));
        return extents;
    }

private:
    static constexpr int Dpi = 2540;
    static constexpr int Height = 1000;  // the character height measured at, in pixels

    // The advance of the character that ends at text[i], zero for the first unit of a surrogate pair.
    double advance(QStringView text, qsizetype i, bool bold)
    {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return 0;
        const bool pair = text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate();
        const char32_t point = pair ? QChar::surrogateToUcs4(text[i - 1], text[i]) : text[i].unicode();
        QHash<char32_t, double> &known = known_[bold];
        if (const auto found = known.constFind(point); found != known.constEnd())
            return *found;
        canvas_.SetFont(listFont(bold));
        canvas_.SetFontHeight(-Height);
        const double width = canvas_.TextWidth(pair ? text.sliced(i - 1, 2) : text.sliced(i, 1)) / double(Height);
        known.insert(point, width);
        return width;
    }

    QImage image_{1, 1, QImage::Format_RGB32};
    QPainter painter_;
    TCanvas canvas_;
    QHash<char32_t, double> known_[2];
};

namespace {

using TTextMeasure = TListPage::TTextMeasure;

// A word and the blanks after it: the least a line holds.
struct TPiece {
    // Where a line may end inside the word: before this unit of Text. A forced end is between two letters of a
    // run, taken only where no other end of the run fits.
    struct TEnd {
        qsizetype At;
        bool Forced;
    };
    QString Text;     // without the blanks
    QString Blanks;
    double Width = 0;       // of Text, in character heights
    // Of the column that holds it as it should be read: Width, or less for a long word or run, which may end
    // lines inside.
    double Preferred = 0;
    // Of the narrowest column that may hold it: a run of letters ending lines at its marks or between letters.
    double Least = 0;
    double BlankWidth = 0;
    bool Header = false;
    bool PartBefore = false;  // address parts meet before it
    std::vector<TEnd> Inside;
};

// The words of a cell text.
std::vector<TPiece> piecesOf(TTextMeasure &measure, const QString &cell, bool header)
{
    // The text as printed and its code points: where each starts in it, its script and marks, whether address
    // parts meet before it, and (kind) whether a line may end before it: 2 a word ends, 1 inside a word of kanji
    // or kana, 0 never.
    struct TPoint {
        qsizetype Start;
        TScript Script;
        bool Blank, Closing, Opening, Digit, Counter, PartBefore, EndsRunPart, LetterOrDigit;
        bool Escape = false;  // begins a web address's escape ("%E6")
        uint8_t Kind = 0;
    };
    QString text;
    text.reserve(cell.size());
    std::vector<TPoint> points;
    points.reserve(size_t(cell.size()));
    bool partEnds = false;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const char16_t unit = cell[i].unicode() < 0x20 ? u' ' : cell[i].unicode();  // a note's line breaks
        if (unit == PartBreak) {
            partEnds = true;
            continue;
        }
        char32_t point = unit;
        const qsizetype start = text.size();
        text += QChar(unit);
        if (QChar::isHighSurrogate(unit) && i + 1 < cell.size() && cell[i + 1].isLowSurrogate()) {
            point = QChar::surrogateToUcs4(unit, cell[i + 1].unicode());
            text += cell[++i];
        }
        points.push_back({start, scriptOf(point), isBlank(point), closing(point), opening(point),
                          (point >= u'0' && point <= u'9') || (point >= u'０' && point <= u'９'),
                          point < 0x10000 && QStringView(u"丁番号階条").contains(QChar(char16_t(point))), partEnds,
                          endsRunPart(point), letterOrDigit(point)});
        partEnds = false;
    }
    const size_t n = points.size();
    const auto hex = [&](size_t i) {
        const char16_t c = text[points[i].Start].unicode();
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    };
    for (size_t i = 0; i + 2 < n; ++i)
        points[i].Escape = text[points[i].Start] == u'%' && hex(i + 1) && hex(i + 2);
    for (size_t i = 1; i < n; ++i) {
        const TPoint &a = points[i - 1];
        TPoint &b = points[i];
        if (b.Blank)
            b.Kind = 0;
        else if (b.PartBefore || a.Blank)
            b.Kind = 2;
        else if (header || b.Closing || a.Opening || (a.Digit && b.Counter))
            b.Kind = 0;
        else if (a.Script != b.Script)
            b.Kind = 2;
        else
            b.Kind = a.Script == TScript::Latin ? 0 : a.Script == TScript::Other ? 2 : 1;
    }
    // One katakana among kanji is part of their word ("一ツ橋", "霞ケ関", "烏丸通七条下ル").
    const auto join = [&](size_t i) {
        if (i < n && points[i].Kind == 2 && !points[i].PartBefore)
            points[i].Kind = 1;
    };
    for (size_t i = 1; i < n; ++i)
        if (points[i].Script == TScript::Katakana && points[i - 1].Script == TScript::Kanji &&
            (i + 1 == n || points[i + 1].Script != TScript::Katakana)) {
            join(i);
            if (i + 1 < n && points[i + 1].Script == TScript::Kanji)
                join(i + 1);
        }
    // A legal form is a word of its own among kanji.
    if (!header && (text.contains(u'会') || text.contains(u'法')))
        for (const QString &form : legalForms())
            for (qsizetype at = text.indexOf(form); at >= 0; at = text.indexOf(form, at + 1))
                for (const qsizetype edge : {at, at + form.size()}) {
                    const auto p = std::lower_bound(points.begin(), points.end(), edge,
                                                    [](const TPoint &point, qsizetype e) { return point.Start < e; });
                    if (p != points.begin() && p != points.end() && p->Start == edge && p->Kind == 1)
                        p->Kind = 2;
                }

    // A word is its characters, then its blanks.
    std::vector<TPiece> pieces;
    for (size_t i = 0; i < n;) {
        TPiece piece;
        piece.Header = header;
        piece.PartBefore = points[i].PartBefore;
        size_t j = i, blanks = n;
        do {
            if (points[j].Blank)
                blanks = std::min(blanks, j);
            ++j;
        } while (j < n && points[j].Kind != 2);
        const size_t last = std::min(j, blanks);
        const qsizetype from = points[i].Start, to = j < n ? points[j].Start : text.size();
        const qsizetype textEnd = blanks < j ? points[blanks].Start : to;
        piece.Text = text.mid(from, textEnd - from);
        piece.Blanks = text.mid(textEnd, to - textEnd);
        piece.BlankWidth = piece.Blanks.isEmpty() ? 0 : measure.Width(piece.Blanks, header);
        // The widest stretches of the word between the ends inside a word of kanji, between every end but the
        // forced ones, between every end, and of kanji and kana alone.
        double word = 0, part = 0, unit = 0, kanji = 0, widestWord = 0, widestPart = 0, widestUnit = 0,
               widestKanji = 0;
        bool kanjiEnds = false;
        for (size_t k = i; k < last; ++k) {
            const qsizetype units = (k + 1 < n ? points[k + 1].Start : text.size()) - points[k].Start;
            const double advance = measure.Width(QStringView(text).sliced(points[k].Start, units), header);
            if (k > i && !header) {
                const TPoint &a = points[k - 1], &b = points[k];
                const bool inWord = b.Kind == 1;
                const bool inRun = !inWord && a.Script == TScript::Latin && b.Script == TScript::Latin &&
                                   !b.Closing && !a.Opening;
                // A run's part ends after the last of its marks ("://") or before an escape; no line of it begins
                // with a mark, nor with a single letter and the mark after it ("a_", "e.").
                const bool partEnds = inRun && (a.EndsRunPart || b.Escape) && !b.EndsRunPart;
                const bool forced = inRun && !partEnds && a.LetterOrDigit && b.LetterOrDigit &&
                                    !(k + 1 < last && points[k + 1].EndsRunPart);
                if (inWord || partEnds || forced) {
                    piece.Inside.push_back({b.Start - from, forced});
                    kanjiEnds = kanjiEnds || inWord;
                    if (inWord)
                        word = 0;
                    if (!forced)
                        part = 0;
                    unit = 0;
                }
            }
            widestWord = std::max(widestWord, word += advance);
            widestPart = std::max(widestPart, part += advance);
            widestUnit = std::max(widestUnit, unit += advance);
            kanji = points[k].Script == TScript::Latin ? 0 : kanji + advance;
            widestKanji = std::max(widestKanji, kanji);
            piece.Width += advance;
        }
        if (piece.Inside.empty()) {
            piece.Preferred = piece.Least = piece.Width;
        } else {
            // A word of kanji up to LongestWord characters and a run of letters up to LongestRun character heights
            // are read whole where the page has room; short of it, a run ends lines at its marks, or between its
            // letters, and the column holds at least what no end divides (a letter and the mark after it).
            piece.Preferred = kanjiEnds ? std::max(std::min(piece.Width, double(LongestWord)),
                                                   std::min(widestWord, double(LongestRun)))
                                        : std::min(piece.Width, double(LongestRun));
            piece.Least = std::max(widestUnit,
                                   std::min(piece.Preferred, std::max(std::min(widestKanji, double(LongestWord)),
                                                                      std::min(widestPart, double(LongestRunPart)))));
        }
        pieces.push_back(std::move(piece));
        i = j;
    }
    return pieces;
}


// The width of the pieces on one line, in character heights.
double lineWidth(const std::vector<TPiece> &pieces)
{
    double width = 0;
    for (size_t i = 0; i < pieces.size(); ++i)
        width += pieces[i].Width + (i + 1 < pieces.size() ? pieces[i].BlankWidth : 0);
    return width;
}

// The lines of the pieces in width character heights (see WrapCellText).
QStringList wrapPieces(TTextMeasure &measure, const std::vector<TPiece> &pieces, double width)
{
    // A little room for the printer's rounding of the glyphs' widths.
    width += 1e-6;
    QStringList lines;
    const size_t n = pieces.size();
    // A line ends at the last word that fits, after a blank or an address part where it has one.
    const auto strong = [&](size_t i) { return pieces[i].PartBefore || !pieces[i - 1].Blanks.isEmpty(); };
    for (size_t i = 0; i < n;) {
        QString line = pieces[i].Text;
        double used = pieces[i].Width;
        if (used > width && !pieces[i].Inside.empty()) {
            // A word wider than the column ends lines between its characters, each line as full as it goes; a
            // run of letters after one of its marks, else as full as it goes too.
            const TPiece &piece = pieces[i];
            const QList<double> extents = measure.Extents(piece.Text, piece.Header);
            const auto before = [&](qsizetype at) { return at > 0 ? extents[at - 1] : 0.0; };
            qsizetype start = 0;
            while (extents.back() - before(start) > width) {
                qsizetype end = 0, forced = 0, first = 0;
                for (const TPiece::TEnd &inside : piece.Inside) {
                    if (inside.At <= start)
                        continue;
                    if (!first)
                        first = inside.At;
                    if (before(inside.At) - before(start) > width)
                        break;
                    (inside.Forced ? forced : end) = inside.At;
                }
                end = end ? end : forced ? forced : first;
                if (!end)
                    break;
                lines << piece.Text.mid(start, end - start);
                start = end;
            }
            line = piece.Text.mid(start);
            used = extents.back() - before(start);
        }
        size_t j = i + 1, lastStrong = 0;
        for (; j < n && used + pieces[j - 1].BlankWidth + pieces[j].Width <= width; ++j) {
            if (strong(j))
                lastStrong = j;
            used += pieces[j - 1].BlankWidth + pieces[j].Width;
        }
        if (j < n && !strong(j) && lastStrong)
            j = lastStrong;
        line += pieces[i].Blanks;
        for (size_t k = i + 1; k < j; ++k)
            line += pieces[k].Text + pieces[k].Blanks;
        lines << line;
        i = j;
    }
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

// The address as the list prints it: as the main list shows it, the building set off by a blank so it may
// start a line of its own, and a chance to end a line between the other parts.
QString printedAddress(const std::array<QString, 4> &parts) { return JoinAddressParts(parts, QString(PartBreak)); }

// The height of a row of lines at size, in tenths of a millimetre.
int rowHeight(int lines, int size)
{
    return std::max(RowHeight, static_cast<int>(std::ceil(lines * size * LinePitch)) + 2 * RowPadding);
}

}  // namespace

QStringList WrapCellText(const QString &text, double width, int size, bool header)
{
    TTextMeasure measure;
    return wrapPieces(measure, piecesOf(measure, text, header), width / size);
}

std::vector<int> TListTemplate::Items() const
{
    std::vector<int> items;
    for (const TListColumn &column : Columns)
        items.push_back(column.ItemNo);
    return items;
}

TListTemplate AddressListTemplate(const std::array<TColumnDef, ListItemCount> &defs, const std::vector<int> &visible)
{
    TListTemplate result;
    result.Title = QStringLiteral("アドレス帳一覧");
    for (const int index : visible) {
        if (index < 0 || index >= ListItemCount)
            continue;
        const TColumnDef &def = defs[index];
        const TListItem &item = ListItemTable()[def.ItemRow];
        TListColumn column;
        column.ItemNo = def.ItemNo;
        column.Caption = def.ItemRow >= liFirstKeyword && def.ItemRow < liFirstKeyword + 8
                             ? KeywordNames[def.ItemRow - liFirstKeyword]
                             : item.Caption;
        column.Align = item.Align;
        column.Width = std::max(def.Width, 1);
        result.Columns.push_back(column);
    }
    return result;
}

TListPage::TListPage(const TListTemplate &listTemplate, const QSize &paper, const QRect &printable)
    : template_(listTemplate), paper_(paper), measure_(std::make_shared<TTextMeasure>())
{
    content_ = QRect(QPoint(PageMargin, PageMargin), paper - QSize(2 * PageMargin, 2 * PageMargin)) & printable;
    if (content_.isEmpty())
        content_ = printable;
}

void TListPage::Measure(int records, const TListRowsFn &rows)
{
    const size_t count = template_.Columns.size();
    TTextMeasure &measure = *measure_;
    readable_ = false;
    edges_.clear();
    lines_.clear();
    pageStarts_.clear();
    pageLines_.clear();
    if (count == 0)
        return;
    // Each column's widest word as it should be read and at its narrowest, and its widest text on one line, in
    // character heights, the header included; the width of every cell on one line, so that only the rows with a
    // cell wider than its column are read again.
    std::vector<double> words(count, 0), least(count, 0), texts(count, 0);
    std::vector<float> cells;
    cells.reserve(size_t(std::max(records, 0)) * count);
    const auto take = [&](size_t c, const QString &text, bool header) {
        const std::vector<TPiece> pieces = piecesOf(measure, text, header);
        const double width = lineWidth(pieces);
        for (const TPiece &piece : pieces) {
            words[c] = std::max(words[c], piece.Preferred);
            least[c] = std::max(least[c], piece.Least);
        }
        texts[c] = std::max(texts[c], width);
        return width;
    };
    for (size_t c = 0; c < count; ++c)
        take(c, template_.Columns[c].Caption, true);
    for (int first = 0; first < records; first += MeasuredRows)
        for (const QStringList &row : rows(first, std::min(MeasuredRows, records - first)))
            for (size_t c = 0; c < count; ++c)
                cells.push_back(static_cast<float>(take(c, row.value(static_cast<int>(c)), false)));
    if (cells.size() != size_t(std::max(records, 0)) * count)
        return;

    // The largest size at which the widest words fit side by side, a tenth of a millimetre spare for each edge's
    // rounding; where they do not fit at the smallest size, the runs of letters end lines at their marks.
    const double room = content_.width() - static_cast<double>(count) * (2 * CellPadding + 1);
    const auto largest = [&](const std::vector<double> &widths) {
        const double sum = std::accumulate(widths.begin(), widths.end(), 0.0);
        return sum > 0 ? std::min(TextHeight, static_cast<int>(std::floor(room / sum))) : TextHeight;
    };
    size_ = std::max(largest(words), LeastTextHeight);
    if (room <= 0 || largest(least) < LeastTextHeight)
        return;
    // The room left goes first to the words, then to the columns whose texts wrap: each as much as it lacks, the
    // ones lacking least first and the others in equal shares of what is left, so that as many columns as can
    // keep their words whole and their texts on one line; what is left then is shared as the main list shares
    // its width.
    std::vector<double> widths(count);
    double spare = room, weights = 0;
    for (size_t c = 0; c < count; ++c) {
        widths[c] = least[c] * size_;
        spare -= widths[c];
        weights += std::max(template_.Columns[c].Width, 1);
    }
    for (const std::vector<double> *wanted : {&words, &texts}) {
        std::vector<double> lacks(count);
        for (size_t c = 0; c < count; ++c)
            lacks[c] = std::max(0.0, (*wanted)[c] * size_ - widths[c]);
        std::vector<size_t> order(count);
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return lacks[a] < lacks[b]; });
        for (size_t k = 0; k < count; ++k) {
            const double lack = lacks[order[k]];
            const double given = lack <= spare ? lack : spare / static_cast<double>(count - k);
            widths[order[k]] += given;
            spare -= given;
        }
    }
    for (size_t c = 0; c < count; ++c)
        widths[c] += spare * std::max(template_.Columns[c].Width, 1) / weights;
    edges_.push_back(content_.left());
    double at = content_.left();
    for (size_t c = 0; c < count; ++c) {
        at += widths[c] + 2 * CellPadding + 1;
        edges_.push_back(c + 1 == count ? content_.right() : static_cast<int>(std::floor(at)));
    }

    // The rows as high as their most lines, the pages as many rows as they hold.
    std::vector<double> columns(count);
    for (size_t c = 0; c < count; ++c)
        columns[c] = (edges_[c + 1] - edges_[c] - 2 * CellPadding) / double(size_);
    const auto linesOf = [&](size_t c, const QString &text, bool header) {
        return static_cast<int>(wrapPieces(measure, piecesOf(measure, text, header), columns[c]).size());
    };
    headerLines_ = 1;
    for (size_t c = 0; c < count; ++c)
        headerLines_ = std::max(headerLines_, linesOf(c, template_.Columns[c].Caption, true));
    const int pageRoom = content_.height() - TitleBand - headerHeight();
    // A page that holds no row of one line is too small for any list.
    if (pageRoom < RowHeight)
        return;
    // The rows higher than a page, and the lines of their cells but the one of most lines.
    std::unordered_map<int, int> leads;
    lines_.assign(size_t(std::max(records, 0)), 1);
    for (int first = 0; first < records; first += MeasuredRows) {
        const int last = std::min(first + MeasuredRows, records);
        // The widths are kept as floats: a cell within their rounding of its column is wrapped to be sure.
        const auto wraps = [&](int r, size_t c) { return cells[size_t(r) * count + c] > columns[c] - 1e-4; };
        bool any = false;
        for (int r = first; r < last && !any; ++r)
            for (size_t c = 0; c < count && !any; ++c)
                any = wraps(r, c);
        if (!any)
            continue;
        const std::vector<QStringList> texts = rows(first, last - first);
        for (int r = first; r < last && r - first < static_cast<int>(texts.size()); ++r) {
            int most = 1, next = 1;
            for (size_t c = 0; c < count; ++c) {
                const int n = wraps(r, c) ? linesOf(c, texts[r - first].value(static_cast<int>(c)), false) : 1;
                next = std::max(next, std::min(most, n));
                most = std::max(most, n);
            }
            lines_[r] = most;
            if (rowHeight(most, size_) > pageRoom)
                leads.emplace(r, next);
        }
    }

    // The most lines of a row in room.
    const auto linesIn = [&](int room) {
        int n = std::max(0, static_cast<int>((room - 2 * RowPadding) / (size_ * LinePitch)));
        while (n > 0 && rowHeight(n, size_) > room)
            --n;
        while (rowHeight(n + 1, size_) <= room)
            ++n;
        return n;
    };
    const int pageLines = linesIn(pageRoom);
    pageStarts_.push_back(0);
    pageLines_.push_back(0);
    int used = 0;
    const auto newPage = [&](int row, int line) {
        pageStarts_.push_back(row);
        pageLines_.push_back(line);
        used = 0;
    };
    for (int r = 0; r < records; ++r) {
        const int height = rowHeight(lines_[r], size_);
        if (height <= pageRoom) {
            if (used + height > pageRoom)
                newPage(r, 0);
            used += height;
            continue;
        }
        // A row higher than a page begins where the room left holds the lines of its other cells, so that only
        // its longest cell goes on to the next pages, each as full as it holds.
        int part = linesIn(pageRoom - used);
        if (used > 0 && part < leads[r]) {
            newPage(r, 0);
            part = pageLines;
        }
        int from = 0;
        for (; lines_[r] - from > part; part = pageLines) {
            from += part;
            newPage(r, from);
        }
        used = rowHeight(lines_[r] - from, size_);
    }
    if (records > 0)
        newPage(records, 0);
    readable_ = true;
}

int TListPage::headerHeight() const { return rowHeight(headerLines_, size_); }

std::pair<int, int> TListPage::RowLines(int page, int row) const
{
    const int r = pageStarts_[page] + row;
    return {row == 0 ? pageLines_[page] : 0, r == pageStarts_[page + 1] ? pageLines_[page + 1] : lines_[r]};
}

int TListPage::partHeight(int page, int row) const
{
    const auto [first, last] = RowLines(page, row);
    return rowHeight(last - first, size_);
}

int TListPage::RowTop(int page, int row) const
{
    int top = content_.top() + TitleBand + headerHeight();
    for (int r = 0; r < row; ++r)
        top += partHeight(page, r);
    return top;
}

void TListPage::Draw(TCanvas &canvas, const QPoint &origin, int page, const std::vector<QStringList> &rows) const
{
    const long double dpi = canvas.LogPixelsY();
    const auto x = [&](int t) { return origin.x() + TenthsMmToPixels(t, dpi); };
    const auto y = [&](int t) { return origin.y() + TenthsMmToPixels(t, dpi); };
    const auto size = [&](int t) { return std::max(1, TenthsMmToPixels(t, dpi)); };
    canvas.SetBkMode(TBkMode::Transparent);
    canvas.SetTextAlign(TA_LEFT | TA_TOP);

    // Title at the left, the page number at the right, both on the title band's baseline.
    canvas.SetFont(listFont(true));
    canvas.SetFontHeight(-size(TitleHeight));
    const int titleBottom = y(content_.top() + TitleBand - 15);
    canvas.TextOut(x(content_.left()), titleBottom - canvas.FontAscent() - canvas.FontDescent(), template_.Title);
    canvas.SetFont(listFont(false));
    canvas.SetFontHeight(-size(PageNumberHeight));
    const QString number = QStringLiteral("%1 / %2").arg(page + 1).arg(PageCount());
    canvas.TextOut(x(content_.right()) - canvas.TextWidth(number),
                   titleBottom - canvas.FontAscent() - canvas.FontDescent(), number);

    const int rowCount = std::min(static_cast<int>(rows.size()), RowCount(page));
    const int tableTop = content_.top() + TitleBand;
    canvas.SetBrush(HeaderColour);
    canvas.FillRect({x(content_.left()), y(tableTop), x(content_.right()), y(tableTop + headerHeight())});
    // A solid brush would give the text a background of its own.
    canvas.SetBrushStyle(TBrushStyle::Clear);

    TTextMeasure &measure = *measure_;
    // The glyphs no larger than measured: a pixel rounded up would widen every line.
    const int glyphs = std::max(1, static_cast<int>(size_ * dpi / TenthsMmPerInch));
    const double pitch = size_ * LinePitch;
    const int pitchPixels = size(static_cast<int>(std::lround(pitch)));
    // The lines first to last - 1 of a row's cells; the lines of a row split between pages from the part's top,
    // so that every line keeps its place on one page or the next.
    const auto drawRow = [&](int top, int height, const QStringList &texts, bool header, int first, int last,
                             bool split) {
        canvas.SetFont(listFont(header));
        canvas.SetFontHeight(-glyphs);
        const int cell = canvas.FontAscent() + canvas.FontDescent();
        for (size_t c = 0; c < template_.Columns.size(); ++c) {
            const QString text = texts.value(static_cast<int>(c));
            if (text.isEmpty())
                continue;
            const int left = x(edges_[c] + CellPadding), right = x(edges_[c + 1] - CellPadding);
            const QStringList lines = wrapPieces(measure, piecesOf(measure, text, header),
                                                 (edges_[c + 1] - edges_[c] - 2 * CellPadding) / double(size_));
            const int align = header ? 1 : template_.Columns[c].Align;
            // The lines in the middle of a whole row.
            double lineTop = split ? top + RowPadding : top + (height - pitch * static_cast<double>(lines.size())) / 2;
            for (int l = first; l < std::min(last, static_cast<int>(lines.size())); ++l) {
                const QString &line = lines[l];
                int from = left;
                if (align != 0) {
                    const int free = right - left - canvas.TextWidth(line);
                    from += align == 1 ? free / 2 : free;
                }
                canvas.TextOut(from, y(static_cast<int>(std::lround(lineTop))) + (pitchPixels - cell) / 2, line);
                lineTop += pitch;
            }
        }
    };
    QStringList captions;
    for (const TListColumn &column : template_.Columns)
        captions << column.Caption;
    drawRow(tableTop, headerHeight(), captions, true, 0, INT_MAX, false);
    for (int r = 0, top = RowTop(page, 0); r < rowCount; ++r) {
        const auto [first, last] = RowLines(page, r);
        const int height = partHeight(page, r);
        if (last - first < lines_[pageStarts_[page] + r])
            drawRow(top, height, rows[r], false, first, last, true);
        else
            drawRow(top, height, rows[r], false, 0, INT_MAX, false);
        top += height;
    }

    // The grid: the header and every row framed, the columns apart.
    canvas.SetPen(GridColour, size(LineWidth));
    const int bottom = RowTop(page, rowCount);
    for (int r = -1; r <= rowCount; ++r) {
        const int at = y(r < 0 ? tableTop : RowTop(page, r));
        canvas.Polyline({QPoint(x(content_.left()), at), QPoint(x(content_.right()), at)});
    }
    for (const int edge : edges_)
        canvas.Polyline({QPoint(x(edge), y(tableTop)), QPoint(x(edge), y(bottom))});
}

std::vector<QStringList> ReadListRows(TTable &table, const std::vector<std::pair<int, int32_t>> &rows, int first,
                                      int count, const std::optional<TListOrder> &order, const std::vector<int> &items,
                                      const TCategoryNameFn &categoryName, int *readByKey)
{
    if (readByKey)
        *readByKey = 0;
    first = std::max(first, 0);
    const int last = std::min(first + count, static_cast<int>(rows.size()));
    const int n = std::max(last - first, 0);
    std::vector<QStringList> texts(n);
    if (texts.empty())
        return texts;
    TListCells cells(table, categoryName);
    std::vector<bool> done(n);
    const auto read = [&](int i) {
        for (const int item : items)
            texts[i - first] << (item == liAddress ? printedAddress(cells.AddressParts()) : cells.Text(item, rows[i].first));
        done[i - first] = true;
    };
    // A page's rows in one read of the book, not one each, and in one walk of the list's order where they follow
    // it; a record listed twice is met once, the other row is read by its key.
    const TTableReadScope held(&table);
    std::vector<int32_t> recNos;
    recNos.reserve(n);
    for (int i = first; i < last; ++i)
        recNos.push_back(rows[i].second);
    WalkListedRecords(table, recNos, order, [&](int i) { read(first + i); });
    table.SetIndexName(QString());
    // Rows the walk did not meet: beyond its reach, or moved in the order or deleted since the list was made.
    for (int i = first; i < last; ++i)
        if (!done[i - first]) {
            if (readByKey)
                ++*readByKey;
            if (table.FindKey({rows[i].second}))
                read(i);
        }
    return texts;
}

int PrintListPages(TPrintJob &job, int dpi, const QPoint &origin, const TListPage &page, const TListRowsFn &rows,
                   const std::function<bool(int, int)> &progress)
{
    const int pages = page.PageCount();
    TCanvas canvas(job.Painter(), dpi, dpi);
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            job.NewPage();
        page.Draw(canvas, origin, p, rows(page.FirstRow(p), page.RowCount(p)));
        if (progress && !progress(p + 1, pages))
            return p + 1;
    }
    return pages;
}

