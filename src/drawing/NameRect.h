// The name object: the addressee's (or, in a sender block, the sender's) name block with honorifics, joint
// names and notes, laid out for a person or, below a block of company lines, for a company record.
#pragma once

#include "drawing/DrawRect.h"

#include <QList>
#include <QString>

#include <array>

struct TJointName {
    QString Name;   // family and given name as the main name holds them
    QString Honor;
    QString Note;
};

class TNameRect : public TMetaRect {
public:
    TNameRect();

    void Assign(const TDrawRect &source) override;
    uint8_t GetKind() const override { return SenderStyle ? ObjectKind::SenderName : ObjectKind::Name; }
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;
    // Kind 2 lays out a company record, any other kind a person.
    void RenderContent(TCanvas &canvas, QSize size) override;
    // Places the lines, honorifics and notes in content of the given size on canvas; empty when nothing is to
    // be drawn.
    QList<TPlacedPiece> Layout(TCanvas &canvas, QSize size) const;
    // The breadth across its lines the block takes at the object's own size, margins included, in an object
    // length long along them (canvas pixels): what the record's text needs before a fit makes it smaller.
    int NeededBreadth(TCanvas &canvas, int length) const;
    void Clear() override;
    void UpdateFontHeight() override;

    uint8_t Kind() const { return Kind_; }
    void SetKind(uint8_t kind);
    const QString &Name() const { return Name_; }
    // Family and given name come apart at one ASCII space; a name with none takes its first full-width space
    // as that space (unless it is free text).
    void SetName(const QString &text);
    const QString &Honor() const { return Honor_; }
    void SetHonor(const QString &text);
    const QString &Note() const { return Note_; }
    void SetNote(const QString &text);

    int GetJointCount() const { return static_cast<int>(Joints_.size()); }
    void SetJointCount(int count);
    QString GetJointName(int index) const;
    void SetJointName(int index, const QString &text);
    QString GetJointHonor(int index) const;
    void SetJointHonor(int index, const QString &text);
    void SetJointNote(int index, const QString &text);

    // Alignment of a shorter given name: 0 spread, 1 left or top, 2 right or bottom, 3 centred.
    void SetOption124(uint8_t align);
    // The name is free text, printed as it is.
    void SetOmitName(bool omit);
    const QString &CorpName() const { return CompanyName_; }
    void SetCorpName(const QString &text);
    QString GetDepartment(int index) const;
    void SetDepartment(int index, const QString &text);
    void SetPost(const QString &text);
    // Sizes of the company line, both department lines and the post relative to the name.
    void SetRatio1(double ratio);
    void SetRatio2(double ratio);
    void SetRatio3(double ratio);
    // Breaks long company texts into two lines at a full-width space.
    void SetOption177(uint8_t companyBreak);
    // Widens the gaps between the name's characters so the name fills its length.
    void SetOption179(uint8_t spread);

    uint8_t SenderStyle = 0;
    int SizeStep = 3;
    uint8_t MainSizeRow = 0;
    uint8_t PrintHonor = 1;

private:
    class TCompanyLayout;

    // Whether the layout of the kind has anything to draw.
    bool hasText() const;
    QList<TPlacedPiece> layoutPerson(TCanvas &canvas, const TTextFrame &frame) const;

    uint8_t Kind_ = 0;
    QString Name_;
    QString Honor_;
    QString Note_;
    QList<TJointName> Joints_;
    uint8_t NameAlign_ = 0;
    uint8_t IgnoreName_ = 0;
    QString CompanyName_;
    std::array<QString, 2> Departments_;
    QString Post_;
    double CompanyRatio_ = 0.7;
    double DeptRatio_ = 0.6;
    double PostRatio_ = 0.5;
    uint8_t CompanyBreak_ = 0;
    uint8_t SpreadChars_ = 1;
};
