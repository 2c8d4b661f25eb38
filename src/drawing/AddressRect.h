// The address object: up to three address lines in vertical columns from right to left (the postcard layout)
// or in horizontal lines. It decides how many lines to use, joins a short first line with the next, shrinks
// the font until the lines fit unless a fixed size is chosen, and sets short digit runs sideways (reading
// across the column) in vertical writing.
#pragma once

#include "drawing/DrawRect.h"

#include <QList>
#include <QPoint>

#include <array>

class TAddressRect : public TMetaRect {
public:
    // A piece of a vertical line: kind 0 is set in the column, kind 1 is a short digit run set across it.
    // Length runs along the column, thickness across it, in device pixels.
    struct TSegment {
        uint8_t Kind = 0;
        QString Text;
        int Length = 0;
        int Thickness = 0;
    };
    // A piece of text as the layout places it: its reference point in the content, and whether it is drawn
    // with the vertical font.
    struct TPlacedText {
        QString Text;
        QPoint At;
        bool Vertical = false;
    };

    TAddressRect();

    void Assign(const TDrawRect &source) override;
    uint8_t GetKind() const override { return SenderStyle ? ObjectKind::SenderAddress : ObjectKind::Address; }
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;
    void RenderContent(TCanvas &canvas, QSize size) override;
    void Clear() override;
    void UpdateFontHeight() override;

    QString GetLine(int index) const;
    void SetLine(int index, const QString &text);
    uint8_t DigitsUpright() const { return DigitsUpright_; }
    void SetDigitsUpright(uint8_t flag);

    // The pieces of a line in vertical writing: runs of one to four full-width digits become kind-1 segments
    // in half width; with digitsUpright the whole line is one kind-0 segment. Lengths are not measured here.
    static QList<TSegment> SegmentLine(const QString &line, bool digitsUpright);
    // Lays the lines out in content of the given size on canvas (the font it leaves there is the one to draw
    // with); empty when nothing is to be drawn.
    QList<TPlacedText> Layout(TCanvas &canvas, QSize size) const;
    // The least height of an object width wide in horizontal writing (canvas pixels, margins included) at
    // which its lines are still set at the smallest text size or more, or at their own size where that is
    // smaller: how far the address can give room to what stands under it.
    int LeastHeight(TCanvas &canvas, int width) const;
    // On a label or a card, where an address is read at arm's length, horizontal lines keep to the smallest
    // text size: lines that would be made smaller than their own size are wrapped into more lines where that
    // sets them larger (a prefecture alone going on in its row), and lines joined into one are parted by a
    // blank, so the building never runs into the house number. Below the smallest size they go only in a frame too small to hold them at it. Not stored:
    // the label designer sets it with each record bound, and a Clear takes it back.
    void SetKeepsReadable(bool on);
    bool KeepsReadable() const { return KeepsReadable_; }

    // Sender style: the smaller size row and kind code 5.
    uint8_t SenderStyle = 0;
    // 1 (smallest) to 5 (largest).
    int SizeStep = 3;
    // Set by the sender block on its parts: sizes from the recipient row whatever the style.
    uint8_t MainSizeRow = 0;
    // Set by the address side of postcards and envelopes on its receiver: the building (line 2) keeps a column
    // or line of its own and is never joined to the address before it, however much room the address has.
    uint8_t BuildingApart = 0;

private:
    QList<TPlacedText> LayoutHorizontal(TCanvas &canvas, const TTextFrame &frame) const;
    QList<TPlacedText> LayoutLines(TCanvas &canvas, const TTextFrame &frame, QStringList lines, bool fixed) const;
    QList<TPlacedText> LayoutWrapped(TCanvas &canvas, const TTextFrame &frame, const QStringList &lines,
                                     int height) const;
    QList<TPlacedText> LayoutVertical(TCanvas &canvas, const TTextFrame &frame) const;

    std::array<QString, 3> Lines_;
    uint8_t DigitsUpright_ = 0;
    bool KeepsReadable_ = false;
};
