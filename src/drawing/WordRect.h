// The free-text object: the user's lines on a card, label or letter, vertical or horizontal, placed by a
// 3 x 3 alignment, with a line spacing, optional wrapping, a height-to-width ratio and a frame. Its size is
// either a fixed point size or found so that the lines fill the frame.
#pragma once

#include "drawing/DrawRect.h"
#include "drawing/RectFrame.h"

#include <QList>
#include <QPoint>
#include <QStringList>

class TWordRect : public TMetaRect {
public:
    TWordRect();
    TWordRect(const TWordRect &) = delete;
    TWordRect &operator=(const TWordRect &) = delete;

    void Assign(const TDrawRect &source) override;
    uint8_t GetKind() const override { return ObjectKind::Word; }
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;
    void RenderContent(TCanvas &canvas, QSize size) override;
    void Clear() override;

    int GetLineCount() const { return static_cast<int>(TextLines_.size()); }
    void SetLineCount(int count);
    QString GetLine(int index) const;
    // An index beyond the last line changes nothing.
    void SetLine(int index, const QString &text);
    // (Alignment mod 3): 0 right, 1 centre, 2 left; (Alignment div 3): 0 top, 1 centre, 2 bottom.
    int Alignment() const { return Alignment_; }
    void SetAlignment(int alignment);
    uint8_t WordWrap() const { return WordWrap_; }
    void SetWordWrap(uint8_t wrap);
    // 0 spreads the lines over the frame; 1 to 5 a gap of 0, 1/4, 1/3, 1/2 or 1 line height.
    uint8_t LineSpacing() const { return LineSpacing_; }
    void SetLineSpacing(uint8_t spacing);
    // Character height to width in percent; 100 is the face's own shape.
    int VHRatio() const { return VHRatio_; }
    void SetVHRatio(int ratio);

    // A line as the layout places it: its reference point in the content and the text alignment there.
    struct TPlacedLine {
        QString Text;
        QPoint At;
        unsigned Align = TA_LEFT | TA_TOP;
    };
    // Lays the lines out in content of the given size whose frame leaves inner free (the font it leaves on
    // canvas is the one to draw with); empty when nothing is to be drawn.
    QList<TPlacedLine> Layout(TCanvas &canvas, QSize size, const TRect &inner) const;

    // Both of its change events drop this object's picture.
    TRectFrame Frame;

private:
    // The lines as drawn, at the size the canvas is left at; empty when nothing is to be drawn.
    QStringList FitLines(TCanvas &canvas, int along, int across) const;

    QStringList TextLines_;
    int Alignment_ = 0;
    uint8_t WordWrap_ = 0;
    uint8_t LineSpacing_ = 0;
    int VHRatio_ = 100;
};
