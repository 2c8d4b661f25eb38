// The additional-text object: one further item of the record (chosen by its item number) or a free text,
// in one line, vertical or horizontal, shrunk to fit (on a label or a card not below the smallest text size).
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
    // The line as it prints whole: the heading first, "ＴＥＬ  ０３－…".
    QString Line() const;
    void SetText(const QString &text);
    void SetSubText(const QString &text);
    // On a label or a card the line keeps to the smallest text size: an own size below it is raised to it, the
    // margins across the line are given up before it is made smaller, and a line longer than the frame at that
    // size is cut at the frame's end, a "…" showing that it goes on. Below the smallest size it goes only in a
    // frame too low to hold it at it. Not stored: the label designer sets it with each record bound, and a
    // Clear takes it back.
    void SetKeepsReadable(bool on);
    // A label's record layout has the line give way to a name block that would otherwise be set under the
    // smallest text size (LayOutLabelRecord): nothing is drawn nor printed for that record. Not stored; a Clear
    // takes it back.
    void SetGivesWay(bool givesWay);
    bool GivesWay() const { return GivesWay_; }

    // The designers fill Text and SubText by it; 0 is the user's free text, 19 to 22 the sender additions.
    uint8_t Item = 19;
    // 1 (smallest) to 5 (largest).
    int SizeStep = 3;

private:
    QString Text_;
    QString SubText_;
    bool KeepsReadable_ = false;
    bool GivesWay_ = false;
};
