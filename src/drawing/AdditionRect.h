// The additional-text object: one further item of the record (chosen by its item number) or a free text,
// in one line, vertical or horizontal, shrunk to fit.
#pragma once

#include "drawing/DrawRect.h"

class TAdditionRect : public TMetaRect {
public:
    TAdditionRect();

    void Assign(const TDrawRect &source) override;
    uint8_t GetKind() const override { return ObjectKind::Addition; }
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;
    void RenderContent(TCanvas &canvas, QSize size) override;
    // A free text (item 0) survives; the texts of a record item are emptied.
    void Clear() override;
    void UpdateFontHeight() override;
    // Places the text and its subtext, shrunk to one line, in content of the given size on canvas; empty when
    // nothing is to be drawn.
    QList<TPlacedPiece> Layout(TCanvas &canvas, QSize size) const;

    const QString &Text() const { return Text_; }
    const QString &SubText() const { return SubText_; }
    void SetText(const QString &text);
    void SetSubText(const QString &text);

    // The designers fill Text and SubText by it; 0 is the user's free text, 19 to 22 the sender additions.
    uint8_t Item = 19;
    // 1 (smallest) to 5 (largest).
    int SizeStep = 3;

private:
    QString Text_;
    QString SubText_;
};
