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

void TCorpRect::SetText(const QString &text) { SetDrawnField(Text_, text); }

void TCorpRect::SetHonor(const QString &text)
{
    // An honorific that is not printed changes nothing drawn.
    if (PrintHonor)
        SetDrawnField(Honor_, text);
    else
        Honor_ = text;
}

void TCorpRect::SetOption(uint8_t splitLong) { SetDrawnField(SplitLong_, splitLong); }

void TCorpRect::RenderContent(TCanvas &canvas, QSize size)
{
    if (Text_.isEmpty())
        return;
    TurnOwnFont(!WritesHorizontally());
    DrawPieces(canvas, size, Layout(canvas, size));
}

QList<TPlacedPiece> TCorpRect::Layout(TCanvas &canvas, QSize size) const
{
    const TTextFrame frame = TextFrame(canvas, size);
    if (Text_.isEmpty() || frame.IsEmpty())
        return {};
    SelectTextFont(canvas, !frame.Horizontal);
    const int startHeight = canvas.FontHeight();
    const int length = frame.Length;
    const int across = frame.Breadth;

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
        return {};
    const int needed = (second.isEmpty() ? canvas.TextWidth(first)
                                         : std::max(canvas.TextWidth(first), canvas.TextWidth(second)) + unit()) +
                       honorWidth();
    if (needed > length && !FitFontHeight(canvas, length, false, needed))
        return {};

    const int height = canvas.FontHeight();
    const int h = lineHeight();
    // The first line (column) is centred across, or the pair of lines is.
    int acrossAt = second.isEmpty() ? (across - h) / 2 : across / 2 - h;
    if (!frame.Horizontal)
        acrossAt = second.isEmpty() ? across - (across - h) / 2 : across / 2 + h;
    acrossAt += frame.AcrossMargin();
    QList<TPlacedPiece> pieces{{first, frame.At(frame.AlongMargin(), acrossAt), height}};
    const int end = frame.AlongMargin() + length;
    int honorAt = frame.AlongMargin() + canvas.TextWidth(first) + honorGap();
    if (!second.isEmpty()) {
        // The second line ends where the honorific, flush with the end, begins: one line lower, or the next
        // column to the left.
        acrossAt += frame.Horizontal ? h : -h;
        pieces.append({second, frame.At(end - canvas.TextWidth(second) - honorWidth(), acrossAt), height});
        honorAt = end - canvas.TextWidth(Honor_);
    }
    if (honor)
        pieces.append({Honor_, frame.At(honorAt, acrossAt), height});
    return pieces;
}
