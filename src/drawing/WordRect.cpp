#include "drawing/WordRect.h"

#include "base/Units.h"
#include "drawing/DesignGlobals.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest height-to-width ratio a stream may give, a hundredfold: a larger one times a width leaves the
// range of the layout's sizes. Ratios of 0 and below draw the face's own shape.
constexpr int MaxVHRatio = 10000;

// The gap between lines by line spacing, as a share of the line height.
double spacingFactor(uint8_t lineSpacing)
{
    static constexpr double Factors[] = {0, 0, 0.25, 1.0 / 3, 0.5, 1.0};
    // A damaged document may hold any byte: it draws without a chosen gap.
    return lineSpacing < std::size(Factors) ? Factors[lineSpacing] : 0;
}

int lineHeight(const TCanvas &canvas) { return canvas.TextHeight(u"一"); }

// Cuts one piece that fits along off rest; a single character wider than along still makes a piece, so that
// wrapping always moves on.
QString cutPiece(const TCanvas &canvas, QString &rest, int along)
{
    QString head = rest;
    SplitTextAtWidth(canvas, head, along, rest);
    if (head.isEmpty() && !rest.isEmpty()) {
        const qsizetype one = rest.size() > 1 && rest[0].isHighSurrogate() ? 2 : 1;
        head = rest.left(one);
        rest.remove(0, one);
    }
    return head;
}

}  // namespace

TWordRect::TWordRect()
{
    Frame.OnFrameChange = [this](TRectFrame *) { PictureValid_ = 0; };
    Frame.OnBackChange = [this](TRectFrame *) { PictureValid_ = 0; };
}

void TWordRect::Assign(const TDrawRect &source)
{
    TMetaRect::Assign(source);
    if (const auto *word = dynamic_cast<const TWordRect *>(&source)) {
        TextLines_ = word->TextLines_;
        SizeIndex_ = word->SizeIndex_;
        VHRatio_ = word->VHRatio_;
        Alignment_ = word->Alignment_;
        LineSpacing_ = word->LineSpacing_;
        WordWrap_ = word->WordWrap_;
        Frame.Assign(word->Frame);
    }
}

void TWordRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredMeta meta = ReadStoredMeta(stream);
    const quint32 count = stream.Read<quint32>();
    // Every line holds at least its own count.
    stream.CheckCount(count, 4);
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(count));
    for (quint32 i = 0; i < count; ++i) {
        QString line;
        if (StreamVersion >= 501)
            ReadScrambledWideString(stream, line);
        else
            ReadScrambledText(stream, line);
        lines.append(line);
    }
    const int sizeIndex = StreamVersion >= 200 && StreamVersion < 600 ? stream.Read<int32_t>() : meta.SizeIndex;
    const int vhRatio = StreamVersion >= 400 ? CheckedStreamValue(stream.Read<int32_t>(), INT32_MIN, MaxVHRatio) : 100;
    const int alignment = stream.Read<int32_t>();
    const uint8_t wordWrap = stream.Read<uint8_t>();
    const uint8_t lineSpacing = StreamVersion >= 200 ? stream.Read<uint8_t>() : 3;
    TRectFrame frame;
    frame.LoadFromStream(stream);
    ApplyStoredMeta(meta);
    TextLines_ = lines;
    SizeIndex_ = sizeIndex;
    VHRatio_ = vhRatio;
    Alignment_ = alignment;
    WordWrap_ = wordWrap;
    LineSpacing_ = lineSpacing;
    Frame.Assign(frame);
    PictureValid_ = 0;
}

void TWordRect::SaveToStream(TObjectStream &stream) const
{
    TMetaRect::SaveToStream(stream);
    stream.Write<quint32>(static_cast<quint32>(TextLines_.size()));
    for (const QString &line : TextLines_)
        WriteScrambledWideString(line, stream);
    stream.Write<int32_t>(VHRatio_);
    stream.Write<int32_t>(Alignment_);
    stream.Write<uint8_t>(WordWrap_);
    stream.Write<uint8_t>(LineSpacing_);
    Frame.SaveToStream(stream);
}

void TWordRect::Clear()
{
    TMetaRect::Clear();
    TextLines_.clear();
}

void TWordRect::SetLineCount(int count)
{
    count = std::max(0, count);
    if (count == TextLines_.size())
        return;
    TextLines_.resize(count);
    PictureValid_ = 0;
}

QString TWordRect::GetLine(int index) const
{
    return index >= 0 && index < TextLines_.size() ? TextLines_[index] : QString();
}

void TWordRect::SetLine(int index, const QString &text)
{
    if (index >= 0 && index < TextLines_.size())
        SetDrawnField(TextLines_[index], text);
}

void TWordRect::SetAlignment(int alignment) { SetDrawnField(Alignment_, alignment); }

void TWordRect::SetWordWrap(uint8_t wrap) { SetDrawnField(WordWrap_, wrap); }

void TWordRect::SetLineSpacing(uint8_t spacing) { SetDrawnField(LineSpacing_, spacing); }

void TWordRect::SetVHRatio(int ratio) { SetDrawnField(VHRatio_, ratio); }

QStringList TWordRect::FitLines(TCanvas &canvas, int along, int across) const
{
    const bool vertical = !WritesHorizontally();
    // A ratio of 0 or below (a damaged document) draws the face's own shape.
    const int vhRatio = VHRatio_ > 0 ? VHRatio_ : 100;
    const auto applyRatio = [&] {
        if (vhRatio != 100)
            canvas.SetFontWidthRatio(vertical ? 100.0 / vhRatio : vhRatio / 100.0);
    };
    const auto spacing = [&] { return static_cast<int>(std::trunc(lineHeight(canvas) * spacingFactor(LineSpacing_))); };
    const auto blockHeight = [&](qsizetype lines) {
        return static_cast<int>(lines) * lineHeight(canvas) + static_cast<int>(lines - 1) * spacing();
    };

    // At the canvas's font height: the pieces that fit along, as many lines as fit across.
    const auto piecesThatFit = [&]() -> QStringList {
        qsizetype fitting = lineHeight(canvas) < across ? 1 : 0;
        if (fitting == 0)
            return {};
        while (blockHeight(fitting + 1) < across)
            ++fitting;
        applyRatio();
        QStringList fitted;
        for (const QString &line : TextLines_) {
            if (!WordWrap_) {
                QString rest = line;
                fitted.append(cutPiece(canvas, rest, along));
            } else if (line.isEmpty()) {
                fitted.append(QString());
            } else {
                for (QString rest = line; !rest.isEmpty() && fitted.size() < fitting;)
                    fitted.append(cutPiece(canvas, rest, along));
            }
            if (fitted.size() >= fitting)
                break;
        }
        return fitted.mid(0, fitting);
    };
    if (SelectFixedSize(canvas))
        return piecesThatFit();
    // A text that no size shrinks into the frame (thousands of characters) prints what fits at the smallest
    // size a text can be given, not nothing.
    const auto smallest = [&] {
        canvas.SetFontHeight(-PointsToPixels(FontSizeList[1], canvas.LogPixelsY()));
        return piecesThatFit();
    };

    if (!FitFontHeight(canvas, across, true, blockHeight(TextLines_.size())))
        return smallest();
    if (!WordWrap_) {
        int widest = 0;
        for (const QString &line : TextLines_)
            widest = std::max(widest, TextWidthW(canvas, line));
        const int corrected = static_cast<int>(vertical ? std::ceil(widest * 100.0 / vhRatio)
                                                        : std::ceil(vhRatio / 100.0 * widest));
        if (!FitFontHeight(canvas, along, false, corrected))
            return smallest();
        applyRatio();
        return TextLines_;
    }

    // Each pass either shrinks the font or gives the line that overflows most one more break.
    QStringList pieces;
    QList<int> breaks(TextLines_.size(), 0);
    for (;;) {
        applyRatio();
        pieces.clear();
        int excess = 0;
        qsizetype worst = -1;
        for (qsizetype i = 0; i < TextLines_.size(); ++i) {
            const qsizetype first = pieces.size();
            QString rest = TextLines_[i];
            for (int b = 0; b < breaks[i] && !rest.isEmpty(); ++b)
                pieces.append(cutPiece(canvas, rest, along));
            if (!rest.isEmpty() || pieces.size() == first)
                pieces.append(rest);
            const int over = TextWidthW(canvas, pieces.last()) - along;
            if (over > excess) {
                excess = over;
                worst = i;
            }
        }
        if (worst < 0)
            return pieces;
        const double byAlong = static_cast<double>(along) / (along + excess);
        const double byAcross = static_cast<double>(across) / blockHeight(pieces.size() + 1);
        // A line that cannot take another break (each character a piece already) only shrinks.
        if (byAlong >= byAcross || breaks[worst] >= TextLines_[worst].size()) {
            if (!FitFontHeight(canvas, along, false, along + excess))
                return smallest();
        } else {
            if (!FitFontHeight(canvas, across, false, blockHeight(pieces.size() + 1)))
                return smallest();
            ++breaks[worst];
        }
    }
}

QList<TWordRect::TPlacedLine> TWordRect::Layout(TCanvas &canvas, QSize size, const TRect &inner) const
{
    const int mx = std::max(inner.Left, TextMargins(canvas).x());
    const int my = std::max(inner.Top, TextMargins(canvas).y());
    const int W = size.width() - 2 * mx;
    const int H = size.height() - 2 * my;
    if (TextLines_.isEmpty())
        return {};
    const bool vertical = !WritesHorizontally();
    const int along = vertical ? H : W;
    const int across = vertical ? W : H;
    if (along < 1 || across < 1)
        return {};
    SelectTextFont(canvas, vertical);
    // A very large start, so that automatic sizing grows or shrinks from one known height.
    canvas.SetFontHeight(-4096);
    const QStringList lines = FitLines(canvas, along, across);
    if (lines.isEmpty())
        return {};

    const int h1 = lineHeight(canvas);
    const int count = static_cast<int>(lines.size());
    int gap = static_cast<int>(std::trunc(h1 * spacingFactor(LineSpacing_)));
    if (LineSpacing_ == 0 && count > 1)
        gap = (across - h1 * count) / (count - 1);
    const int block = count * h1 + (count - 1) * gap;
    // A damaged document may hold any placement; it draws as the first.
    const int alignment = Alignment_ >= 0 && Alignment_ <= 8 ? Alignment_ : 0;
    const int acrossPart = alignment % 3;  // 0 right, 1 centre, 2 left
    const int alongPart = alignment / 3;   // 0 top, 1 centre, 2 bottom
    static constexpr unsigned AlongAlign[] = {TA_LEFT, TA_CENTER, TA_RIGHT};

    QList<TPlacedLine> placed;
    for (int i = 0; i < count; ++i) {
        if (vertical) {
            const int right = acrossPart == 0 ? mx + W : acrossPart == 1 ? mx + (W + block) / 2 : mx + block;
            const int y = alongPart == 0 ? my : alongPart == 1 ? my + H / 2 : my + H;
            placed.append({lines[i], QPoint(right - i * (h1 + gap), y), AlongAlign[alongPart] | TA_TOP});
        } else {
            const int x = acrossPart == 0 ? mx + W : acrossPart == 1 ? mx + W / 2 : mx;
            const int top = alongPart == 0 ? my : alongPart == 1 ? my + (H - block) / 2 : my + H - block;
            placed.append({lines[i], QPoint(x, top + i * (h1 + gap)), AlongAlign[2 - acrossPart] | TA_TOP});
        }
    }
    return placed;
}

void TWordRect::RenderContent(TCanvas &canvas, QSize size)
{
    const TRect inner = Frame.Draw(canvas, {0, 0, size.width(), size.height()}, LayoutScale(canvas.LogPixelsY()));
    const QList<TPlacedLine> lines = Layout(canvas, size, inner);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    for (const TPlacedLine &line : lines) {
        canvas.SetTextAlign(line.Align);
        DrawPiece(canvas, size, line.At.x(), line.At.y(), line.Text);
    }
    canvas.SetTextAlign(TA_LEFT | TA_TOP);
}
