#include "drawing/PosRect.h"

#include "base/Units.h"

#include <QList>

#include <algorithm>
#include <array>

namespace {

constexpr int RecipientHeight = -24;
constexpr int SenderHeight = -19;

// The pre-printed boxes, in 0.1 mm: from the start of each box to the start of the next (the wider step after
// the third box is where the hyphen would stand), and the width of one box.
constexpr std::array<int, 7> BoxPitch{70, 70, 76, 68, 68, 68, 57};
constexpr int BoxWidth = 57;
// What a digit leaves free of its box, in 0.1 mm.
constexpr int BoxPadding = 18;

}  // namespace

TPosRect::TPosRect() { BaseHeight_ = RecipientHeight; }

void TPosRect::SetText(const QString &text) { SetDrawnField(Text_, text); }

void TPosRect::Clear()
{
    TMetaRect::Clear();
    Text_.clear();
    KeepsReadable_ = false;
}

void TPosRect::SetKeepsReadable(bool on) { SetDrawnField(KeepsReadable_, on); }

void TPosRect::UpdateFontHeight()
{
    BaseHeight_ = (MainSizeRow || !SenderStyle) ? RecipientHeight : SenderHeight;
    TMetaRect::UpdateFontHeight();
}

void TPosRect::RenderContent(TCanvas &canvas, QSize size)
{
    if (Text_.isEmpty())
        return;
    TurnOwnFont(false);
    DrawPieces(canvas, size, Layout(canvas, size));
}

QList<TPlacedPiece> TPosRect::Layout(TCanvas &canvas, QSize size) const
{
    if (Text_.isEmpty())
        return {};
    SelectTextFont(canvas, false);
    if (Text_.startsWith(u'〒') || Text_.indexOf(u'-') == 3)
        return layoutPlain(canvas, size);
    return layoutBoxes(canvas, size);
}

QList<TPlacedPiece> TPosRect::layoutPlain(TCanvas &canvas, QSize size) const
{
    // Font heights are negative: the larger size is the lower number.
    if (KeepsReadable_)
        canvas.SetFontHeight(std::min(canvas.FontHeight(), SmallestTextHeight(canvas)));
    if (!FitFontHeight(canvas, size.width(), false, canvas.TextWidth(Text_)) ||
        !FitFontHeight(canvas, size.height(), false, canvas.TextHeight(u"一")))
        return {};
    const int x = (size.width() - canvas.TextWidth(Text_)) / 2;
    const int y = (size.height() - canvas.TextHeight(u"一")) / 2;
    return {{Text_, QPoint(x, y), canvas.FontHeight()}};
}

QList<TPlacedPiece> TPosRect::layoutBoxes(TCanvas &canvas, QSize size) const
{
    const int dpiX = canvas.LogPixelsX();
    QList<int> advances(Text_.size(), 0);
    int total = 0;
    for (int i = 0; i < static_cast<int>(BoxPitch.size()); ++i) {
        const int pitch = TenthsMmToPixels(BoxPitch[i], dpiX);
        total += pitch;
        if (i < advances.size())
            advances[i] = pitch;
    }
    // The boxes stretch with the frame, so a frame drawn over a scanned card can be fitted to its boxes.
    const double ratio = static_cast<double>(size.width()) / total;
    for (int &advance : advances)
        advance = RoundToInt(advance * static_cast<long double>(ratio));

    const QStringView first = QStringView(Text_).left(1);
    const int inked = TenthsMmToPixels((BoxWidth - BoxPadding) * ratio, dpiX);
    if (!FitFontHeight(canvas, inked, true, canvas.TextWidth(first)) ||
        !FitFontHeight(canvas, size.height(), false, canvas.TextHeight(u"一")))
        return {};
    const int x = (size.width() - RoundToInt(total * static_cast<long double>(ratio))) / 2 +
                  (TenthsMmToPixels(BoxWidth * ratio, dpiX) - canvas.TextWidth(first)) / 2;
    const int y = (size.height() - canvas.TextHeight(u"一")) / 2;
    return {{Text_, QPoint(x, y), canvas.FontHeight(), advances}};
}
