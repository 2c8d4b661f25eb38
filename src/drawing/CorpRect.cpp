#include "drawing/CorpRect.h"

#include "base/Numbers.h"
#include "drawing/DesignGlobals.h"

#include <algorithm>
#include <array>

namespace {

constexpr char16_t Ideographic = u'\u3000';

constexpr std::array<std::array<int, 5>, 2> SizeTable{{{-20, -30, -40, -47, -55}, {-18, -23, -29, -35, -40}}};

}  // namespace

int NameSizeHeight(int row, int step)
{
    return SizeTable[row ? 1 : 0][std::clamp(step, 1, 5) - 1];
}

bool SplitCompanyText(QString &first, QString &second)
{
    const QString text = first;
    qsizetype split = text.indexOf(Ideographic);
    if (split < 0)
        return false;
    if (text.indexOf(Ideographic, split + 1) >= 0) {
        // Positions count from 1 here; the middle character is m + 1.
        const qsizetype n = text.size();
        const qsizetype m = n / 2;
        if (text[m] == Ideographic) {
            split = m;
        } else {
            qsizetype left = 0;
            for (qsizetype i = m; i >= 1 && left == 0; --i)
                if (text[i - 1] == Ideographic)
                    left = i;
            qsizetype right = n;
            for (qsizetype i = m + 2; i <= n; ++i)
                if (text[i - 1] == Ideographic) {
                    right = i;
                    break;
                }
            split = ((m + 1 - left > right - (m + 1)) ? right : left) - 1;
        }
    }
    first = text.left(split);
    second = text.mid(split + 1);
    if (first.size() >= 3 && second.size() >= 3)
        return true;
    first = text;
    second.clear();
    return false;
}

TCorpRect::TCorpRect() { BaseHeight_ = NameSizeHeight(0, 3); }

void TCorpRect::Assign(const TDrawRect &source)
{
    TMetaRect::Assign(source);
    if (const auto *corp = dynamic_cast<const TCorpRect *>(&source))
        SizeStep = corp->SizeStep;
}

void TCorpRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredMeta meta = ReadStoredMeta(stream);
    const auto sizeStep = StreamVersion >= 500 ? stream.Read<int32_t>() : 3;
    ApplyStoredMeta(meta);
    SizeStep = sizeStep;
}

void TCorpRect::SaveToStream(TObjectStream &stream) const
{
    TMetaRect::SaveToStream(stream);
    stream.Write<int32_t>(SizeStep);
}

void TCorpRect::Clear()
{
    TMetaRect::Clear();
    Text_.clear();
    Honor_.clear();
}

void TCorpRect::UpdateFontHeight()
{
    BaseHeight_ = NameSizeHeight(MainSizeRow ? 0 : SenderStyle, SizeStep);
    TMetaRect::UpdateFontHeight();
}

void TCorpRect::SetText(const QString &text)
{
    if (Text_ != text)
        PictureValid_ = 0;
    Text_ = text;
}

void TCorpRect::SetHonor(const QString &text)
{
    if (Honor_ != text && PrintHonor)
        PictureValid_ = 0;
    Honor_ = text;
}

void TCorpRect::SetOption(uint8_t splitLong)
{
    if (SplitLong_ != splitLong)
        PictureValid_ = 0;
    SplitLong_ = splitLong;
}

void TCorpRect::RenderContent(TCanvas &canvas, QSize size)
{
    if (Text_.isEmpty())
        return;
    const QPoint margin = TextMargins(canvas);
    const bool horizontal = Direction_ != 0;
    if (horizontal)
        MakeHorizontalFont(Font_.Log);
    else
        MakeVerticalFont(Font_.Log);
    const int length = horizontal ? size.width() - 2 * margin.x() : size.height() - 2 * margin.y();
    const int across = horizontal ? size.height() - 2 * margin.y() : size.width() - 2 * margin.x();
    if (length < 1 || across < 1)
        return;
    canvas.SetFont(Font_);
    const int startHeight = CanvasFontHeight(canvas);
    canvas.SetFontHeight(startHeight);

    const bool honor = PrintHonor && !Honor_.isEmpty();
    const auto unit = [&] { return canvas.TextWidth(u"一"); };
    const auto lineHeight = [&] { return canvas.TextHeight(u"一"); };
    const auto honorGap = [&] { return RoundToInt(unit() / 3.0); };
    const auto honorWidth = [&] { return honor ? honorGap() + canvas.TextWidth(Honor_) : 0; };

    QString first = Text_;
    QString second;
    if (SplitLong_ && canvas.TextWidth(Text_) + honorWidth() - 2 * unit() > length) {
        // A text without a usable space stays one line; joining an empty second part would add a space.
        SplitCompanyText(first, second);
        if (!second.isEmpty() &&
            (2 * lineHeight() > across ||
             canvas.TextWidth(first) + canvas.TextWidth(second) - unit() + honorWidth() < length)) {
            first = Text_;
            second.clear();
            canvas.SetFontHeight(startHeight);
        }
    }
    if (second.isEmpty() && !FitFontHeight(canvas, across, false, lineHeight()))
        return;
    const int needed = (second.isEmpty() ? canvas.TextWidth(first)
                                         : std::max(canvas.TextWidth(first), canvas.TextWidth(second)) + unit()) +
                       honorWidth();
    if (needed > length && !FitFontHeight(canvas, length, false, needed))
        return;

    canvas.SetBrushStyle(TBrushStyle::Clear);
    const int h = lineHeight();
    int x = margin.x();
    int y = margin.y();
    if (horizontal)
        y += second.isEmpty() ? (across - h) / 2 : across / 2 - h;
    else
        x += second.isEmpty() ? across - (across - h) / 2 : across / 2 + h;
    DrawPiece(canvas, size, x, y, first);
    if (!second.isEmpty()) {
        // The second line ends where the honorific, flush with the end, begins.
        if (horizontal) {
            x = margin.x() + length - canvas.TextWidth(second) - honorWidth();
            y += h;
        } else {
            x -= h;
            y = margin.y() + length - canvas.TextWidth(second) - honorWidth();
        }
        DrawPiece(canvas, size, x, y, second);
        (horizontal ? x : y) = (horizontal ? margin.x() : margin.y()) + length - canvas.TextWidth(Honor_);
    } else {
        (horizontal ? x : y) += canvas.TextWidth(first) + honorGap();
    }
    if (honor)
        DrawPiece(canvas, size, x, y, Honor_);
}
