// The postal-code object: a formatted code as centred text, a bare seven-digit code one digit per pre-printed
// box of a Japanese postcard or envelope.
#pragma once

#include "drawing/DrawRect.h"

#include <QString>

class TPosRect : public TMetaRect {
public:
    TPosRect();

    uint8_t GetKind() const override { return SenderStyle ? ObjectKind::SenderPostalCode : ObjectKind::PostalCode; }
    void RenderContent(TCanvas &canvas, QSize size) override;
    void Clear() override;
    void UpdateFontHeight() override;
    // Places the code in content of the given size on canvas: centred, or a digit per box with its advances;
    // empty when nothing is to be drawn.
    QList<TPlacedPiece> Layout(TCanvas &canvas, QSize size) const;

    const QString &Text() const { return Text_; }
    void SetText(const QString &text);
    // On a label or a card a formatted code keeps to the smallest text size: an own size under it, as a small
    // label's scale makes it, is raised to it. Below it the code goes only in a frame too small to hold it at
    // it. Not stored: the label designer sets it with each record bound, and a Clear takes it back.
    void SetKeepsReadable(bool on);

    // Set by the address-side designer on its sender objects and by the sender block on its parts.
    uint8_t SenderStyle = 0;
    // Set by the sender block on its parts: the recipient size even in sender style.
    uint8_t MainSizeRow = 0;

private:
    QList<TPlacedPiece> layoutPlain(TCanvas &canvas, QSize size) const;
    QList<TPlacedPiece> layoutBoxes(TCanvas &canvas, QSize size) const;

    QString Text_;
    bool KeepsReadable_ = false;
};
