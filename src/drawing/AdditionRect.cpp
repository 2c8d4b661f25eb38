#include "drawing/AdditionRect.h"

#include "drawing/DesignGlobals.h"

#include <algorithm>
#include <array>

namespace {

// Font heights at paper scale 1480 by size step.
constexpr std::array<int, 5> SizeTable{-14, -17, -21, -25, -28};

// Item numbers of the first layouts, before the sender additions and the further record items came.
uint8_t renumberedItem(uint8_t stored)
{
    if (stored >= 8)
        return static_cast<uint8_t>(stored + 11);
    if (stored >= 3)
        return static_cast<uint8_t>(stored + 8);
    return stored;
}

}  // namespace

TAdditionRect::TAdditionRect() { BaseHeight_ = SizeTable[2]; }

void TAdditionRect::Assign(const TDrawRect &source)
{
    TMetaRect::Assign(source);
    if (const auto *addition = dynamic_cast<const TAdditionRect *>(&source)) {
        Item = addition->Item;
        if (Item == 0)
            Text_ = addition->Text_;
        SizeStep = addition->SizeStep;
    }
}

void TAdditionRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredMeta meta = ReadStoredMeta(stream);
    const uint8_t visible = StreamVersion < 201 ? stream.Read<uint8_t>() : meta.Visible;
    uint8_t item = 19;
    QString text = Text_;
    if (StreamVersion >= 103) {
        const uint8_t stored = stream.Read<uint8_t>();
        if (stored == 0)
            ReadScrambledText(stream, text);
        item = StreamVersion < 201 ? renumberedItem(stored) : stored;
    }
    const auto sizeStep = StreamVersion >= 500 ? stream.Read<int32_t>() : 3;
    ApplyStoredMeta(meta);
    Visible = visible;
    Text_ = text;
    Item = item;
    SizeStep = sizeStep;
}

void TAdditionRect::SaveToStream(TObjectStream &stream) const
{
    TMetaRect::SaveToStream(stream);
    stream.Write<uint8_t>(Item);
    if (Item == 0)
        WriteScrambledText(Text_, stream);
    stream.Write<int32_t>(SizeStep);
}

void TAdditionRect::Clear()
{
    TMetaRect::Clear();
    if (Item != 0) {
        Text_.clear();
        SubText_.clear();
    }
    KeepsReadable_ = false;
    GivesWay_ = false;
}

void TAdditionRect::SetKeepsReadable(bool on) { SetDrawnField(KeepsReadable_, on); }

void TAdditionRect::SetGivesWay(bool givesWay) { SetDrawnField(GivesWay_, givesWay); }

void TAdditionRect::UpdateFontHeight()
{
    // A step outside 1..5 (a damaged document) takes the nearest size.
    BaseHeight_ = SizeTable[static_cast<size_t>(std::clamp(SizeStep, 1, 5) - 1)];
    TMetaRect::UpdateFontHeight();
}

void TAdditionRect::SetText(const QString &text) { SetDrawnField(Text_, text); }

void TAdditionRect::SetSubText(const QString &text) { SetDrawnField(SubText_, text); }

QString TAdditionRect::Line() const { return SubText_.isEmpty() ? Text_ : SubText_ + QStringLiteral("  ") + Text_; }

void TAdditionRect::RenderContent(TCanvas &canvas, QSize size)
{
    DrawPieces(canvas, size, Layout(canvas, size));
}

QList<TPlacedPiece> TAdditionRect::Layout(TCanvas &canvas, QSize size) const
{
    const TTextFrame frame = TextFrame(canvas, size);
    if (Text_.isEmpty() || GivesWay_ || frame.IsEmpty())
        return {};
    SelectTextFont(canvas, !frame.Horizontal);
    QString s = Line();
    const QString one = QStringLiteral("一");
    const int smallest = SmallestTextHeight(canvas);
    const int own = canvas.FontHeight();
    const int whole = frame.Horizontal ? size.height() : size.width();
    canvas.SetFontHeight(smallest);
    const bool holds = canvas.TextHeight(one) <= whole;
    // On a label or a card kept at the smallest size where the whole frame holds the line at it, its margins
    // across given up. Font heights are negative: the larger size is the lower number.
    const bool readable = KeepsReadable_ && holds;
    canvas.SetFontHeight(readable ? std::min(own, smallest) : own);
    bool across = FitFontHeight(canvas, frame.Breadth, false, canvas.TextHeight(one));
    // Elsewhere, and in a frame too low for the smallest size, the margins across are given up before the line
    // is set under that size: a face taller for its size than another would fall below it by the margins alone.
    if (!readable && canvas.FontHeight() > smallest && (KeepsReadable_ || own <= smallest)) {
        canvas.SetFontHeight(holds ? smallest : std::min(own, smallest));
        across = FitFontHeight(canvas, whole, false, canvas.TextHeight(one));
    }
    if (!readable) {
        if (!across || !FitFontHeight(canvas, frame.Length, false, canvas.TextWidth(s)))
            return {};
    } else {
        if (canvas.FontHeight() > smallest)
            canvas.SetFontHeight(smallest);
        if (!FitFontHeight(canvas, frame.Length, false, canvas.TextWidth(s)) || canvas.FontHeight() > smallest) {
            canvas.SetFontHeight(smallest);
            const QString more = QStringLiteral("…");
            QString rest;
            SplitTextAtWidth(canvas, s, frame.Length - canvas.TextWidth(more), rest);
            s += more;
        }
    }
    const int cell = canvas.TextHeight(one);
    // Centred across: the top of the line, or the right edge of the column.
    const int place = frame.AcrossMargin() + (frame.Breadth - cell) / 2 + (frame.Horizontal ? 0 : cell);
    return {{s, frame.At(frame.AlongMargin(), place), canvas.FontHeight()}};
}
