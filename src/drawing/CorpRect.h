// The company object: one company, department or post text in one or two lines, with its own honorific, and
// what the name object's company layout shares with it (the size table and the split at a full-width space).
#pragma once

#include "drawing/DrawRect.h"

#include <QString>

// The font height (1/96 inch at paper scale 1480) of a name or company object for its size step 1..5: row 0
// for a recipient and for every part of a sender block, row 1 for the sender objects. A step outside 1..5, as
// a damaged document may hold, takes the nearest one.
int NameSizeHeight(int row, int step);

// Splits first at the full-width space nearest its middle into first and second; true when both parts keep at
// least three characters, otherwise first is left whole (the parts joined again) and second empty.
bool SplitCompanyText(QString &first, QString &second);

class TCorpRect : public TMetaRect {
public:
    TCorpRect();

    void Assign(const TDrawRect &source) override;
    uint8_t GetKind() const override { return SenderStyle ? ObjectKind::SenderName : ObjectKind::Name; }
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;
    void RenderContent(TCanvas &canvas, QSize size) override;
    void Clear() override;
    void UpdateFontHeight() override;
    // Places the text, its second line and the honorific in content of the given size on canvas; empty when
    // nothing is to be drawn.
    QList<TPlacedPiece> Layout(TCanvas &canvas, QSize size) const;

    const QString &Text() const { return Text_; }
    void SetText(const QString &text);
    const QString &Honor() const { return Honor_; }
    void SetHonor(const QString &text);
    // Allows a long text to be split into two lines at a full-width space.
    void SetOption(uint8_t splitLong);

    uint8_t PrintHonor = 1;
    uint8_t SenderStyle = 0;
    int SizeStep = 3;
    uint8_t MainSizeRow = 0;

private:
    uint8_t SplitLong_ = 0;
    QString Honor_;
    QString Text_;
};
