#include "listprint/ListPage.h"

#include "base/Numbers.h"
#include "base/Units.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "drawing/Canvas.h"
#include "drawing/DrawRect.h"
#include "drawing/PrintJob.h"


#include <algorithm>
#include <cmath>

namespace {

// Tenths of a millimetre.
constexpr int PageMargin = 100;
constexpr int TitleBand = 80;
constexpr int RowHeight = 60;
constexpr int CellPadding = 10;  // left and right of the text
constexpr int RowPadding = 5;    // above and below it
constexpr int TextHeight = 30;   // the character height of the cells
constexpr int TitleHeight = 45;
constexpr int PageNumberHeight = 30;
constexpr int LineWidth = 2;
// A line takes this many character heights, so wrapped lines keep apart.
constexpr double LinePitch = 1.2;
constexpr int MostLines = 4;
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

bool isBlank(QChar c) { return c == u' ' || c == u'\u3000'; }

// Letters, digits and the marks inside a number, a code or an address, in half or full width: a line never
// ends among them ("12F", "1-1-1", "yamada@example.jp").
bool inRun(QChar c)
{
    char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E)
        u -= 0xFEE0;  // the full-width forms of ASCII
    if (u < 0x80)
        return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
               QStringView(u"-./_@:#&+").contains(QChar(u));
    return u == 0x2010 || u == 0x2212;  // hyphen, minus
}

// A cell text as printed, and where its line may end: after a blank or between address parts (2, preferred),
// between other characters of Japanese text (1), never inside a run of letters or digits or a character (0).
struct TBreakableText {
    QString Text;
    std::vector<uint8_t> Break;  // before character i

    explicit TBreakableText(const QString &cell)
    {
        bool partEnds = false;
        for (const QChar c : cell) {
            if (c == PartBreak) {
                partEnds = true;
                continue;
            }
            const qsizetype i = Text.size();
            uint8_t kind = 0;
            if (i > 0 && !c.isLowSurrogate()) {
                const QChar before = Text[i - 1];
                if (partEnds || isBlank(before))
                    kind = 2;
                else if (!isBlank(c) && !(inRun(before) && inRun(c)))
                    kind = 1;
            }
            Text += c;
            Break.push_back(kind);
            partEnds = false;
        }
    }
};

// Breaks text into at most lines lines of at most width pixels at the canvas's font, each ending at the last
// break that fits, a preferred one where the line has one. False
// when it needs more lines or a run that may not be broken is wider than width.
bool wrapText(const TCanvas &canvas, const TBreakableText &text, int width, int lines, QStringList &out)
{
    out.clear();
    const qsizetype size = text.Text.size();
    qsizetype start = 0;
    while (start < size) {
        if (out.size() == lines)
            return false;
        QString head = text.Text.mid(start), rest;
        SplitTextAtWidth(canvas, head, width, rest);
        qsizetype end = start + head.size();
        if (end < size) {
            qsizetype preferred = 0, other = 0;
            for (qsizetype i = end; i > start && !preferred; --i) {
                if (text.Break[size_t(i)] == 2)
                    preferred = i;
                else if (!other && text.Break[size_t(i)] == 1)
                    other = i;
            }
            end = preferred ? preferred : other;
            if (!end)
                return false;
        }
        out << text.Text.mid(start, end - start);
        start = end;
    }
    if (out.isEmpty())
        out << QString();
    return true;
}

// Control characters (line breaks of a note) would draw as boxes; a cell is one run of text.
QString cellText(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; }))
        return text;
    QString flat = text;
    for (QChar &c : flat)
        if (c.unicode() < 0x20)
            c = u' ';
    return flat;
}

// The address as the list prints it: the building set off by a blank, so it may start a line of its own, and a
// chance to end a line between the other parts.
QString printedAddress(const std::array<QString, 4> &parts)
{
    QString text;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (parts[k].isEmpty())
            continue;
        if (!text.isEmpty())
            text += k == 3 ? QChar(u' ') : PartBreak;
        text += parts[k];
    }
    return text;
}

}  // namespace

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

TCellFit FitCellText(TCanvas &canvas, const QString &cell, int width, int height, int baseHeight)
{
    const TBreakableText text(cell);
    TCellFit best;
    QStringList lines;
    for (int count = 1; count <= MostLines; ++count) {
        int size = std::min(baseHeight, static_cast<int>(height / (count * LinePitch)));
        for (; size >= 1; size = std::min(size - 1, size * 9 / 10)) {
            canvas.SetFontHeight(-size);
            if (wrapText(canvas, text, width, count, lines))
                break;
        }
        if (size > best.Height) {
            best.Height = size;
            best.Lines = lines;
        }
        // A size reached with fewer lines is never bettered by more of them at their smaller largest size.
        if (best.Height >= std::min(baseHeight, static_cast<int>(height / ((count + 1) * LinePitch))))
            break;
    }
    if (best.Height == 0) {
        // Not even the smallest size takes the text in the lines the cell holds: it may run below the cell,
        // but it stays whole.
        canvas.SetFontHeight(-1);
        best.Height = 1;
        if (!wrapText(canvas, text, std::max(width, 1), static_cast<int>(text.Text.size()) + 1, best.Lines))
            best.Lines = QStringList{text.Text};
    }
    return best;
}

TListPage::TListPage(const TListTemplate &listTemplate, const QSize &paper, const QRect &printable)
    : template_(listTemplate), paper_(paper)
{
    content_ = QRect(QPoint(PageMargin, PageMargin), paper - QSize(2 * PageMargin, 2 * PageMargin)) & printable;
    if (content_.isEmpty())
        content_ = printable;
    rowsPerPage_ = std::max(1, (content_.height() - TitleBand - RowHeight) / RowHeight);
}

std::vector<int> TListPage::ColumnEdges(TCanvas &canvas, const std::vector<QStringList> &rows) const
{
    const size_t count = template_.Columns.size();
    const long double dpi = canvas.LogPixelsX();
    // What each column holds, at the cells' size with its padding: its widest text, the heading included.
    std::vector<long long> natural(count, 0);
    const auto widen = [&](size_t c, const QString &text, bool header) {
        canvas.SetFont(listFont(header));
        canvas.SetFontHeight(-std::max(1, TenthsMmToPixels(TextHeight, dpi)));
        const int pixels = canvas.TextWidth(TBreakableText(cellText(text)).Text);
        natural[c] = std::max<long long>(natural[c], 2 * CellPadding + std::ceil(pixels * 254.0L / dpi));
    };
    for (size_t c = 0; c < count; ++c) {
        widen(c, template_.Columns[c].Caption, true);
        for (const QStringList &row : rows)
            widen(c, row.value(static_cast<int>(c)), false);
    }
    long long held = 0, weights = 0;
    for (size_t c = 0; c < count; ++c) {
        held += natural[c];
        weights += std::max(template_.Columns[c].Width, 1);
    }
    // Room to spare goes to the columns as the main list shares its width; too little room is taken from each
    // column by what it holds beyond its padding, so the texts come out the same size.
    const long long width = content_.width();
    const long long padding = 2LL * CellPadding * static_cast<long long>(count);
    std::vector<int> edges{content_.left()};
    long long sum = 0, spareSum = 0;
    for (size_t c = 0; c < count; ++c) {
        if (held <= width) {
            spareSum += std::max(template_.Columns[c].Width, 1);
            sum += natural[c];
            edges.push_back(content_.left() + static_cast<int>(sum + (width - held) * spareSum / weights));
        } else if (held > padding && width > padding) {
            sum += natural[c] - 2 * CellPadding;
            edges.push_back(content_.left() +
                            static_cast<int>(2LL * CellPadding * static_cast<long long>(c + 1) +
                                             sum * (width - padding) / (held - padding)));
        } else {
            edges.push_back(content_.left() + static_cast<int>(width * static_cast<long long>(c + 1) /
                                                               static_cast<long long>(count)));
        }
    }
    return edges;
}

int TListPage::PageCount(int records) const { return records <= 0 ? 0 : (records + rowsPerPage_ - 1) / rowsPerPage_; }

int TListPage::RowTop(int row) const { return content_.top() + TitleBand + RowHeight * (row + 1); }

void TListPage::Draw(TCanvas &canvas, const QPoint &origin, int page, int pageCount,
                     const std::vector<QStringList> &rows, const std::vector<int> &givenEdges) const
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
    const QString number = QStringLiteral("%1 / %2").arg(page + 1).arg(pageCount);
    canvas.TextOut(x(content_.right()) - canvas.TextWidth(number),
                   titleBottom - canvas.FontAscent() - canvas.FontDescent(), number);

    const int rowCount = static_cast<int>(rows.size());
    const int tableTop = content_.top() + TitleBand;
    const std::vector<int> edges = givenEdges.empty() ? ColumnEdges(canvas, rows) : givenEdges;
    canvas.SetBrush(HeaderColour);
    canvas.FillRect({x(content_.left()), y(tableTop), x(content_.right()), y(tableTop + RowHeight)});
    // A solid brush would give the text a background of its own.
    canvas.SetBrushStyle(TBrushStyle::Clear);

    const auto drawRow = [&](int top, const QStringList &texts, bool header) {
        const TFont font = listFont(header);
        for (size_t c = 0; c < template_.Columns.size(); ++c) {
            const QString text = cellText(texts.value(static_cast<int>(c)));
            if (text.isEmpty())
                continue;
            canvas.SetFont(font);
            const int left = x(edges[c] + CellPadding), right = x(edges[c + 1] - CellPadding);
            const int cellTop = y(top + RowPadding), cellBottom = y(top + RowHeight - RowPadding);
            const TCellFit fit = FitCellText(canvas, text, right - left, cellBottom - cellTop, size(TextHeight));
            canvas.SetFontHeight(-fit.Height);
            const int pitch = static_cast<int>(fit.Height * LinePitch);
            const int cell = canvas.FontAscent() + canvas.FontDescent();
            int lineTop = cellTop + (cellBottom - cellTop - pitch * static_cast<int>(fit.Lines.size())) / 2
                          + (pitch - cell) / 2;
            const int align = header ? 1 : template_.Columns[c].Align;
            for (const QString &line : fit.Lines) {
                int at = left;
                if (align != 0) {
                    const int free = right - left - canvas.TextWidth(line);
                    at += align == 1 ? free / 2 : free;
                }
                canvas.TextOut(at, lineTop, line);
                lineTop += pitch;
            }
        }
    };
    QStringList captions;
    for (const TListColumn &column : template_.Columns)
        captions << column.Caption;
    drawRow(tableTop, captions, true);
    for (int r = 0; r < rowCount; ++r)
        drawRow(RowTop(r), rows[r], false);

    // The grid: the header and every row framed, the columns apart.
    canvas.SetPen(GridColour, size(LineWidth));
    const int bottom = RowTop(rowCount);
    for (int r = -1; r <= rowCount; ++r) {
        const int at = y(r < 0 ? tableTop : RowTop(r));
        canvas.Polyline({QPoint(x(content_.left()), at), QPoint(x(content_.right()), at)});
    }
    for (const int edge : edges)
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

int PrintListPages(TPrintJob &job, int dpi, const QPoint &origin, const TListPage &page, int records,
                   const TListRowsFn &rows, const std::function<bool(int, int)> &progress)
{
    const int pages = page.PageCount(records);
    TCanvas canvas(job.Painter(), dpi, dpi);
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            job.NewPage();
        const int first = p * page.RowsPerPage();
        page.Draw(canvas, origin, p, pages, rows(first, std::min(page.RowsPerPage(), records - first)));
        if (progress && !progress(p + 1, pages))
            return p + 1;
    }
    return pages;
}
