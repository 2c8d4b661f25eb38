#include "drawing/AddressRect.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "drawing/DesignGlobals.h"

#include <algorithm>

namespace {

// Font heights at paper scale 1480 by size step: the recipient row, then the sender row.
constexpr std::array<std::array<int, 5>, 2> SizeTable{{{-18, -23, -28, -34, -40}, {-15, -18, -21, -25, -30}}};

// A run of at most this many digits reads across the column, as a house number does on a postcard.
constexpr int ShortDigitRun = 4;

bool isFullWidthDigit(QChar c) { return c >= u'０' && c <= u'９'; }

// What parts the building from a line it joins: the lines are printed in full width.
const QString BuildingBlank = QStringLiteral("\u3000");

// Runs draw with the canvas font made horizontal at the same height, then puts the font back.
template <class Fn> auto withHorizontalFont(TCanvas &canvas, Fn draw)
{
    const TFont saved = canvas.Font();
    MakeHorizontalFont(canvas.Font().Log);
    const auto result = draw();
    canvas.Font() = saved;
    return result;
}

using TSegment = TAddressRect::TSegment;
using TPlacedText = TAddressRect::TPlacedText;

// One line of the vertical layout: the line as given (its 8-bit length decides a join) and its pieces.
struct TColumn {
    QString Line;
    QList<TSegment> Segments;
    int Length = 0;
    int Thickness = 0;
    // The building, which keeps a column of its own (BuildingApart).
    bool Apart = false;
    // The building's line, set apart by a blank where it joins the column before.
    bool Building = false;
};

void measure(TCanvas &canvas, TColumn &column)
{
    column.Length = 0;
    column.Thickness = 0;
    for (TSegment &segment : column.Segments) {
        if (segment.Kind == 1) {
            segment.Length = withHorizontalFont(canvas, [&] { return canvas.TextHeight(u"一"); });
            segment.Thickness = withHorizontalFont(canvas, [&] { return canvas.TextWidth(segment.Text); });
        } else {
            segment.Length = canvas.TextWidth(segment.Text);
            segment.Thickness = canvas.TextHeight(u"一");
        }
        column.Length += segment.Length;
        column.Thickness = std::max(column.Thickness, segment.Thickness);
    }
}

// Appends column i + 1 to column i; the building after a blank, as its floor or room number would read on as
// the street number's ("１－９－１" and "１２階").
void join(QList<TColumn> &columns, qsizetype i)
{
    if (columns[i + 1].Building) {
        columns[i].Line += BuildingBlank;
        columns[i].Segments.append({0, BuildingBlank});
    }
    columns[i].Line += columns[i + 1].Line;
    columns[i].Segments += columns[i + 1].Segments;
    columns.removeAt(i + 1);
}

// A column longer than free keeps the segments that fit and as much of the next one as fits; a digit run
// set across the column is never split.
void cut(TCanvas &canvas, TColumn &column, int free)
{
    if (column.Length <= free)
        return;
    int used = 0;
    QList<TSegment> kept;
    for (TSegment segment : column.Segments) {
        if (used + segment.Length <= free) {
            used += segment.Length;
            kept.append(segment);
            continue;
        }
        if (segment.Kind == 0) {
            QString rest;
            SplitTextAtWidth(canvas, segment.Text, free - used, rest);
            if (!segment.Text.isEmpty())
                kept.append(segment);
        }
        break;
    }
    column.Segments = kept;
    measure(canvas, column);
}

}  // namespace

TAddressRect::TAddressRect() { BaseHeight_ = SizeTable[0][2]; }

void TAddressRect::Assign(const TDrawRect &source)
{
    TMetaRect::Assign(source);
    if (const auto *address = dynamic_cast<const TAddressRect *>(&source))
        SizeStep = address->SizeStep;
}

void TAddressRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredMeta meta = ReadStoredMeta(stream);
    // The stored fixed size stays: the letter designer sets it on the sender block's parts, and nothing sets
    // it again after a document is loaded.
    const auto sizeStep = StreamVersion >= 500 ? stream.Read<int32_t>() : 3;
    ApplyStoredMeta(meta);
    SizeStep = sizeStep;
}

void TAddressRect::SaveToStream(TObjectStream &stream) const
{
    TMetaRect::SaveToStream(stream);
    stream.Write<int32_t>(SizeStep);
}

void TAddressRect::Clear()
{
    TMetaRect::Clear();
    for (QString &line : Lines_)
        line.clear();
    KeepsReadable_ = false;
}

void TAddressRect::SetKeepsReadable(bool on) { SetDrawnField(KeepsReadable_, on); }

void TAddressRect::UpdateFontHeight()
{
    const size_t row = MainSizeRow || !SenderStyle ? 0 : 1;
    // A step outside 1..5 (a damaged document) takes the nearest size.
    BaseHeight_ = SizeTable[row][static_cast<size_t>(std::clamp(SizeStep, 1, 5) - 1)];
    TMetaRect::UpdateFontHeight();
}

QString TAddressRect::GetLine(int index) const
{
    return index >= 0 && index < static_cast<int>(Lines_.size()) ? Lines_[static_cast<size_t>(index)] : QString();
}

void TAddressRect::SetLine(int index, const QString &text)
{
    if (index < 0 || index >= static_cast<int>(Lines_.size()))
        return;
    SetDrawnField(Lines_[static_cast<size_t>(index)], text);
}

void TAddressRect::SetDigitsUpright(uint8_t flag) { SetDrawnField(DigitsUpright_, flag); }

QList<TSegment> TAddressRect::SegmentLine(const QString &line, bool digitsUpright)
{
    if (digitsUpright)
        return {TSegment{0, line}};
    QList<TSegment> segments;
    qsizetype start = 0;
    while (start < line.size()) {
        const bool digits = isFullWidthDigit(line[start]);
        qsizetype end = start;
        while (end < line.size() && isFullWidthDigit(line[end]) == digits)
            ++end;
        const QString run = line.mid(start, end - start);
        const bool across = digits && run.size() <= ShortDigitRun;
        if (across)
            segments.append({1, Sjis::decode(ToHalfWidth(Sjis::encode(run)))});
        else
            segments.append({0, run});
        start = end;
    }
    return segments;
}

QList<TPlacedText> TAddressRect::Layout(TCanvas &canvas, QSize size) const
{
    const TTextFrame frame = TextFrame(canvas, size);
    if (frame.IsEmpty())
        return {};
    return frame.Horizontal ? LayoutHorizontal(canvas, frame) : LayoutVertical(canvas, frame);
}

int TAddressRect::LeastHeight(TCanvas &canvas, int width) const
{
    // Whether the lines are set at least at height (a canvas font height) in an object this high.
    const auto setAtLeast = [&](int height, int high) {
        const TTextFrame frame = TextFrame(canvas, QSize(width, high));
        return !frame.IsEmpty() && !LayoutHorizontal(canvas, frame).isEmpty() && canvas.FontHeight() <= height;
    };
    // Their own size, which the width alone may have made smaller.
    const int spare = 1 << 20;
    if (LayoutHorizontal(canvas, TextFrame(canvas, QSize(width, spare))).isEmpty())
        return 0;
    const int wanted = std::max(canvas.FontHeight(), SmallestTextHeight(canvas));
    int low = 0, high = 1;
    while (!setAtLeast(wanted, high)) {
        low = high;
        high *= 2;
    }
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (setAtLeast(wanted, middle) ? high : low) = middle;
    }
    return high;
}

void TAddressRect::RenderContent(TCanvas &canvas, QSize size)
{
    const QList<TPlacedText> pieces = Layout(canvas, size);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    for (const TPlacedText &piece : pieces) {
        if (piece.Vertical) {
            DrawPiece(canvas, size, piece.At.x(), piece.At.y(), piece.Text);
        } else {
            withHorizontalFont(canvas, [&] {
                DrawPiece(canvas, size, piece.At.x(), piece.At.y(), piece.Text);
                return 0;
            });
        }
    }
}

QList<TPlacedText> TAddressRect::LayoutHorizontal(TCanvas &canvas, const TTextFrame &frame) const
{
    QStringList lines;
    for (const QString &line : Lines_)
        if (!line.isEmpty())
            lines.append(line);
    if (lines.isEmpty())
        return {};
    SelectTextFont(canvas, false);
    const bool fixed = SelectFixedSize(canvas);
    const QList<TPlacedText> joined = LayoutLines(canvas, frame, lines, fixed);
    const int own = CanvasFontHeight(canvas);
    const int set = canvas.FontHeight();
    const int smallest = -SmallestTextHeight(canvas);
    // Font heights are negative: the larger size is the lower number.
    if (!KeepsReadable_ || fixed || (!joined.isEmpty() && set <= own && -set >= smallest))
        return joined;
    // Wrapped, a prefecture alone goes on in its row, as it is joined to the next line above: a row of its own
    // would take a line's height the name and the additions under the address need.
    if (lines.size() > 1 && lines[0].size() < 5) {
        lines[0] += QStringLiteral("\u3000") + lines[1];
        lines.removeAt(1);
    }
    // Else the largest size, from the smallest text size (or above what the joined lines were made) up to
    // their own, at which they wrap into the frame; an own size below the smallest is raised to it.
    int low = std::max(smallest, joined.isEmpty() ? 0 : 1 - set);
    int high = std::max(-own, smallest);
    const auto wrapsAt = [&](int size) { return !LayoutWrapped(canvas, frame, lines, -size).isEmpty(); };
    if (low > high || !wrapsAt(low)) {
        canvas.SetFontHeight(set);
        return joined;
    }
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (wrapsAt(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return LayoutWrapped(canvas, frame, lines, -low);
}

// The lines joined until they fit, and made smaller to fit unless their size is fixed.
QList<TPlacedText> TAddressRect::LayoutLines(TCanvas &canvas, const TTextFrame &frame, QStringList lines,
                                             bool fixed) const
{
    const int mx = frame.Margin.x();
    const int my = frame.Margin.y();
    const int W = frame.Width();
    const int H = frame.Height();
    // The building's line: set apart by a blank where it joins the line before, and kept a line of its own
    // where the building is kept apart.
    qsizetype building = !Lines_[2].isEmpty() ? lines.size() - 1 : -1;
    const auto width = [&](const QString &text) { return canvas.TextWidth(text); };
    const auto fit = [&](int available, int needed) { return FitFontHeight(canvas, available, false, needed); };
    const auto join = [&](qsizetype i) {
        lines[i] += (KeepsReadable_ || building == i + 1 ? BuildingBlank : QString()) + lines[i + 1];
        lines.removeAt(i + 1);
        building = building == i + 1 ? -1 : building > i ? building - 1 : building;
    };
    // Whether line i + 1 may be joined to line i.
    const auto joins = [&](qsizetype i) { return !BuildingApart || building != i + 1; };
    const QString one = QStringLiteral("一");
    for (;;) {
        if (!fixed)
            canvas.SetFontHeight(CanvasFontHeight(canvas));
        const int g = canvas.TextHeight(one) / 10;
        if (lines.size() == 1) {
            if (!fit(H, canvas.TextHeight(one) + g) || !fit(W, width(lines[0])))
                return {};
            return {{lines[0], QPoint(mx, my + (H - canvas.TextHeight(one)) / 2)}};
        }
        if (lines[0].size() < 5 && joins(0)) {
            join(0);
            continue;
        }
        if (lines.size() == 2) {
            if (!fit(H, (canvas.TextHeight(one) + g) * 2)) {
                join(0);
                continue;
            }
            if (!fit(W, std::max(width(lines[0] + one), width(lines[1] + one))))
                return {};
            if (width(lines[0] + lines[1]) - width(one) < W && joins(0)) {
                join(0);
                continue;
            }
            const int h1 = canvas.TextHeight(one);
            const int gap = h1 / 10;
            return {{lines[0], QPoint(mx, my + H / 2 - gap - h1)},
                    {lines[1], QPoint(mx + W - width(lines[1]), my + H / 2)}};
        }
        const auto wider = [&] {
            const qsizetype k = width(lines[1]) >= width(lines[2]) ? 1 : 2;
            return width(lines[k]) >= width(lines[0]) ? k : 0;
        };
        const auto reduce = [&](qsizetype k) {
            join(!joins(1) || (k != 0 && width(lines[0]) <= width(lines[2])) ? 0 : 1);
        };
        const qsizetype k = wider();
        if (!fit(H, (canvas.TextHeight(one) + g) * 3)) {
            reduce(k);
            continue;
        }
        if (!fit(W, 2 * width(one) + width(lines[k])))
            return {};
        const int first = width(lines[0] + lines[1]);
        const int last = width(lines[1] + lines[2]) + width(one);
        if (!(first - width(one) >= W && (last >= W || !joins(1)))) {
            if (first >= W && last < W && joins(1))
                join(1);
            else
                reduce(wider());
            continue;
        }
        const int h1 = canvas.TextHeight(one);
        const int gap = h1 / 10;
        const int y1 = my + (H - h1) / 2;
        return {{lines[0], QPoint(mx, y1 - gap - h1)},
                {lines[1], QPoint(mx + W - width(lines[1] + one), y1)},
                {lines[2], QPoint(mx + W - width(lines[2]), y1 + gap + h1)}};
    }
}

// The lines set at height, each from a row of its own unless it fits behind the row before, parted by a blank;
// a line wider than the frame goes on in the next row, broken after a blank or before a house number where
// that leaves the row at least half full. The rows stand left-aligned and centred across the frame, a last
// row that begins a line right-aligned as the second of two lines is. Empty when the rows do not fit.
QList<TPlacedText> TAddressRect::LayoutWrapped(TCanvas &canvas, const TTextFrame &frame, const QStringList &lines,
                                               int height) const
{
    canvas.SetFontHeight(height);
    const int W = frame.Width();
    const int h1 = canvas.TextHeight(u"一");
    const int gap = h1 / 10;
    const qsizetype most = frame.Height() / (h1 + gap);
    const QString blank = QStringLiteral("\u3000");
    const auto number = [](QChar c) { return isFullWidthDigit(c) || c == u'－'; };
    struct TRow {
        QString Text;
        bool Begins = false;
    };
    QList<TRow> rows;
    for (const QString &line : lines) {
        if (!rows.isEmpty() && canvas.TextWidth(rows.last().Text + blank + line) <= W) {
            rows.last().Text += blank + line;
            continue;
        }
        QString rest = line;
        for (bool begins = true; !rest.isEmpty(); begins = false) {
            qsizetype n = 0;
            while (n < rest.size() && canvas.TextWidth(rest.left(n + 1)) <= W)
                ++n;
            if (n == 0 || rows.size() >= most)
                return {};
            for (qsizetype p = n; n < rest.size() && p > n / 2; --p)
                if (rest[p - 1] == blank[0] || (number(rest[p]) && !number(rest[p - 1]))) {
                    n = p;
                    break;
                }
            rows.append({rest.left(n).trimmed(), begins});
            rest = rest.mid(n).trimmed();
        }
    }
    const int mx = frame.Margin.x();
    int y = frame.Margin.y() + (frame.Height() - int(rows.size()) * h1 - int(rows.size() - 1) * gap) / 2;
    QList<TPlacedText> placed;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const bool right = i > 0 && i == rows.size() - 1 && rows[i].Begins;
        placed.append({rows[i].Text, QPoint(right ? mx + W - canvas.TextWidth(rows[i].Text) : mx, y)});
        y += h1 + gap;
    }
    return placed;
}

QList<TPlacedText> TAddressRect::LayoutVertical(TCanvas &canvas, const TTextFrame &frame) const
{
    const int mx = frame.Margin.x();
    const int my = frame.Margin.y();
    const int W = frame.Width();
    const int H = frame.Height();
    QList<TColumn> columns;
    for (size_t i = 0; i < Lines_.size(); ++i)
        if (!Lines_[i].isEmpty())
            columns.append({Lines_[i], SegmentLine(Lines_[i], DigitsUpright_), 0, 0, BuildingApart && i == 2, i == 2});
    if (columns.isEmpty())
        return {};
    // Whether column i + 1 may be joined to column i.
    const auto joins = [&](qsizetype i) { return !columns[i + 1].Apart; };
    if (columns.size() >= 2 && Sjis::encode(columns[0].Line).size() < 5 && joins(0))
        join(columns, 0);

    SelectTextFont(canvas, true);
    const bool fixed = SelectFixedSize(canvas);
    int h1 = 0;
    int g = 0;
    const auto measureAll = [&] {
        h1 = canvas.TextHeight(u"一");
        g = h1 / 10;
        for (TColumn &column : columns)
            measure(canvas, column);
    };
    // With a fixed size, how many columns fit across.
    qsizetype fitting = 3;
    if (fixed) {
        measureAll();
        if (h1 >= W)
            return {};
        fitting = 1;
        while (fitting < 3 && (fitting + 1) * h1 + fitting * g < W)
            ++fitting;
    }
    const auto fit = [&](int available, int needed) {
        if (!FitFontHeight(canvas, available, false, needed))
            return false;
        measureAll();
        return true;
    };

    // A column's reference point (the right edge of its cell, the cell centred on the column's axis) for a
    // column whose ink, digit runs set across included, starts at left and is thickness wide.
    const auto centred = [&](int left, int thickness) { return left + (thickness + h1) / 2; };
    // With a fixed size the columns stand from the right edge, each its own thickness and a gap further left;
    // a column that would reach past the left edge is dropped.
    const auto fromTheRight = [&] {
        QList<int> placed;
        int right = mx + W;
        for (const TColumn &column : columns) {
            if (right - column.Thickness < mx)
                break;
            placed.append(centred(right - column.Thickness, column.Thickness));
            right -= column.Thickness + g;
        }
        columns.resize(placed.size());
        return placed;
    };
    QList<int> xs;
    QList<int> ys;
    for (;;) {
        if (!fixed)
            canvas.SetFontHeight(CanvasFontHeight(canvas));
        measureAll();
        if (columns.size() == 1) {
            if (!fixed && (!fit(W, columns[0].Thickness + g) || !fit(H, columns[0].Length)))
                return {};
            if (fixed)
                cut(canvas, columns[0], H);
            if (columns[0].Thickness > W)  // a digit run wider than a fixed size's frame
                return {};
            xs = {centred(mx + (W - columns[0].Thickness) / 2, columns[0].Thickness)};
            ys = {my};
            break;
        }
        if (columns.size() == 2) {
            if (!fixed && !fit(W, columns[0].Thickness + columns[1].Thickness + 2 * g)) {
                join(columns, 0);
                continue;
            }
            if (!fixed && !fit(H, std::max(columns[0].Length, columns[1].Length) + h1))
                return {};
            if (columns[0].Length + columns[1].Length - (fixed ? 0 : h1) < H && joins(0)) {
                join(columns, 0);
                continue;
            }
            if (fixed && fitting == 1) {
                columns.removeLast();
                cut(canvas, columns[0], H);
                xs = fromTheRight();
                ys = {my};
                break;
            }
            if (fixed) {
                cut(canvas, columns[0], H);
                cut(canvas, columns[1], H - h1);
            }
            const int t0 = columns[0].Thickness;
            const int t1 = columns[1].Thickness;
            if (fixed && t0 + t1 + g > W) {
                xs = fromTheRight();
                ys = {my, my + H - columns.last().Length};
                break;
            }
            const int x1 = mx + (W - t0 - t1 - g) / 2;
            const int x0 = x1 + t1 + g;
            xs = {centred(x0, t0), centred(x1, t1)};
            ys = {my, my + H - columns[1].Length};
            break;
        }
        // Three lines. k: the longer of the later two when it is at least as long as the first, else the first.
        const auto longer = [&] {
            const qsizetype k = columns[1].Length >= columns[2].Length ? 1 : 2;
            return columns[k].Length >= columns[0].Length ? k : 0;
        };
        const auto reduce = [&](qsizetype k) {
            join(columns, !joins(1) || (k != 0 && columns[0].Length <= columns[2].Length) ? 0 : 1);
        };
        const qsizetype k = longer();
        if (!fixed) {
            if (!fit(W, columns[0].Thickness + columns[1].Thickness + columns[2].Thickness + 3 * g)) {
                reduce(k);
                continue;
            }
            if (!fit(H, columns[longer()].Length + 2 * h1))
                return {};
        }
        if (columns[0].Length + columns[1].Length - (fixed ? 0 : h1) < H) {
            reduce(longer());
            continue;
        }
        if (columns[1].Length + columns[2].Length + h1 < H && joins(1)) {
            join(columns, 1);
            continue;
        }
        if (fixed) {
            cut(canvas, columns[0], H);
            cut(canvas, columns[1], H - h1);
            cut(canvas, columns[2], H - h1);
        }
        const int t0 = columns[0].Thickness;
        const int t1 = columns[1].Thickness;
        const int t2 = columns[2].Thickness;
        int y1 = my + H - columns[1].Length - h1;
        if (y1 < my + h1)
            y1 = my + h1;
        else
            y1 = std::min(y1, columns[0].Length - 2 * h1);
        int y2 = my + H - columns[2].Length;
        if (y2 < my + h1)
            y2 = my + h1;
        else
            y2 = std::min(y2, y1 + columns[1].Length - h1);
        ys = {my, y1, y2};
        if (fixed && (fitting < 3 || t0 + t1 + t2 + 2 * g > W)) {
            columns.resize(fitting);
            xs = fromTheRight();
        } else {
            const int x2 = mx + (W - t0 - t1 - t2 - 2 * g) / 2;
            const int x1 = x2 + t2 + g;
            const int x0 = x1 + t1 + g;
            xs = {centred(x0, t0), centred(x1, t1), centred(x2, t2)};
        }
        break;
    }

    // A digit run is centred on the column's middle, half a cell left of its reference point; the cell is the
    // height of "一", wider than the glyph's advance on faces with a tall line cell.
    QList<TPlacedText> pieces;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        int y = ys[i];
        for (const TSegment &segment : columns[i].Segments) {
            if (segment.Kind == 1)
                pieces.append({segment.Text, QPoint(xs[i] - segment.Thickness / 2 - h1 / 2, y), false});
            else
                pieces.append({segment.Text, QPoint(xs[i], y), true});
            y += segment.Length;
        }
    }
    return pieces;
}
