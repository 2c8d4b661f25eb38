#include "drawing/NameRect.h"

#include "base/Numbers.h"
#include "drawing/ChangeField.h"
#include "drawing/CorpRect.h"
#include "drawing/DesignGlobals.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace {

constexpr char16_t Ideographic = u'\u3000';
// The name and five joint names.
constexpr int MaxJointLines = 5;

int truncToInt(double x) { return static_cast<int>(std::trunc(x)); }

// Characters as the reader counts them: a character outside the basic plane (𠮷) is one, not two units.
int charCount(QStringView text)
{
    int count = 0;
    for (QChar c : text)
        count += c.isLowSurrogate() ? 0 : 1;
    return count;
}

QString normalizedName(const QString &text)
{
    if (text.contains(u' '))
        return text;
    QString result;
    NormalizeNameSpacing(text, result);
    return result;
}

// The family part (before the first ASCII space, none without one) and the given part (after it) in characters.
struct TNameParts {
    int Family = 0;
    int Given = 0;
};

TNameParts nameParts(QStringView name)
{
    const qsizetype space = name.indexOf(u' ');
    if (space < 0)
        return {0, charCount(name)};
    return {charCount(name.left(space)), charCount(name.mid(space + 1))};
}

// The length of the name's characters with gap g between them and the space after the family name.
int nameLength(const TCanvas &canvas, TNameParts parts, int unit, int gap)
{
    const int chars = parts.Family + parts.Given;
    return unit * chars + (chars - 1) * gap + (parts.Family > 0 ? canvas.TextWidth(u" ") : 0);
}

// The gap widened so the name (and its honorific) fills the length.
int spreadGap(int gap, int chars, bool honor, int length, int need)
{
    if (!honor)
        return chars > 1 ? gap + (length - need) / (chars - 1) : gap + (length - need);
    return chars > 1 ? gap + (length - need) / chars : gap;
}

// One advance per UTF-16 unit: the first ASCII space jumps to givenStart + shift (the aligned start of the given
// name); the given name's characters step by unit + givenGap, every other character by unit + gap. The second
// unit of a surrogate pair does not advance.
QList<int> nameAdvances(QStringView line, int unit, int gap, int givenStart, int shift, int givenGap)
{
    QList<int> advances;
    int position = 0;
    bool afterSpace = false;
    for (QChar c : line) {
        int advance = 0;
        if (c.isLowSurrogate())
            advance = 0;
        else if (c == u' ' && !afterSpace)
            advance = givenStart - position + shift;
        else
            advance = unit + (afterSpace ? givenGap : gap);
        afterSpace = afterSpace || c == u' ';
        advances.append(advance);
        position += advance;
    }
    return advances;
}

}  // namespace

// ---- The object ----

TNameRect::TNameRect() { BaseHeight_ = NameSizeHeight(0, 3); }

void TNameRect::Assign(const TDrawRect &source)
{
    TMetaRect::Assign(source);
    if (const auto *name = dynamic_cast<const TNameRect *>(&source)) {
        PrintHonor = name->PrintHonor;
        SizeStep = name->SizeStep;
    }
}

void TNameRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredMeta meta = ReadStoredMeta(stream);
    const uint8_t printHonor = StreamVersion >= 200 ? stream.Read<uint8_t>() : 1;
    // The name's step is stored unsigned: a value beyond the int range (a damaged document) is a large step.
    const int sizeStep =
        StreamVersion >= 500 ? static_cast<int>(std::min<uint32_t>(stream.Read<uint32_t>(), INT32_MAX)) : 3;
    ApplyStoredMeta(meta);
    PrintHonor = printHonor;
    SizeStep = sizeStep;
}

void TNameRect::SaveToStream(TObjectStream &stream) const
{
    TMetaRect::SaveToStream(stream);
    stream.Write<uint8_t>(PrintHonor);
    stream.Write<uint32_t>(static_cast<uint32_t>(SizeStep));
}

void TNameRect::Clear()
{
    TMetaRect::Clear();
    Name_.clear();
    Honor_.clear();
    Note_.clear();
    Joints_.clear();
    CompanyName_.clear();
    Departments_ = {};
    Post_.clear();
    IgnoreName_ = 0;
}

void TNameRect::UpdateFontHeight()
{
    BaseHeight_ = NameSizeHeight(MainSizeRow ? 0 : SenderStyle, SizeStep);
    TMetaRect::UpdateFontHeight();
}

void TNameRect::SetKind(uint8_t kind) { SetDrawnField(Kind_, kind); }

void TNameRect::SetName(const QString &text) { SetDrawnField(Name_, IgnoreName_ ? text : normalizedName(text)); }

void TNameRect::SetHonor(const QString &text)
{
    // An honorific that is not printed changes nothing drawn.
    if (PrintHonor)
        SetDrawnField(Honor_, text);
    else
        Honor_ = text;
}

void TNameRect::SetNote(const QString &text) { SetDrawnField(Note_, text); }

void TNameRect::SetJointCount(int count) { Joints_.resize(std::max(0, count)); }

QString TNameRect::GetJointName(int index) const
{
    return index >= 0 && index < Joints_.size() ? Joints_[index].Name : QString();
}

void TNameRect::SetJointName(int index, const QString &text)
{
    if (index >= 0 && index < Joints_.size())
        SetDrawnField(Joints_[index].Name, normalizedName(text));
}

QString TNameRect::GetJointHonor(int index) const
{
    return index >= 0 && index < Joints_.size() ? Joints_[index].Honor : QString();
}

void TNameRect::SetJointHonor(int index, const QString &text)
{
    if (index >= 0 && index < Joints_.size())
        SetDrawnField(Joints_[index].Honor, text);
}

void TNameRect::SetJointNote(int index, const QString &text)
{
    if (index >= 0 && index < Joints_.size())
        SetDrawnField(Joints_[index].Note, text);
}

void TNameRect::SetOption124(uint8_t align) { SetDrawnField(NameAlign_, align); }

void TNameRect::SetOmitName(bool omit) { SetDrawnField(IgnoreName_, static_cast<uint8_t>(omit)); }

void TNameRect::SetCorpName(const QString &text) { SetDrawnField(CompanyName_, text); }

QString TNameRect::GetDepartment(int index) const
{
    return index >= 0 && index < 2 ? Departments_[index] : QString();
}

void TNameRect::SetDepartment(int index, const QString &text)
{
    if (index >= 0 && index < 2)
        SetDrawnField(Departments_[index], text);
}

void TNameRect::SetPost(const QString &text) { SetDrawnField(Post_, text); }

void TNameRect::SetRatio1(double ratio) { SetDrawnField(CompanyRatio_, ratio); }

void TNameRect::SetRatio2(double ratio) { SetDrawnField(DeptRatio_, ratio); }

void TNameRect::SetRatio3(double ratio) { SetDrawnField(PostRatio_, ratio); }

void TNameRect::SetOption177(uint8_t companyBreak) { SetDrawnField(CompanyBreak_, companyBreak); }

void TNameRect::SetOption179(uint8_t spread) { SetDrawnField(SpreadChars_, spread); }

// ---- Layouts ----

bool TNameRect::hasText() const
{
    if (Kind_ != 2)
        return !Name_.isEmpty();
    return !Name_.isEmpty() || !CompanyName_.isEmpty() || !Departments_[0].isEmpty() ||
           !Departments_[1].isEmpty() || !Post_.isEmpty();
}

void TNameRect::RenderContent(TCanvas &canvas, QSize size)
{
    if (!hasText())
        return;
    TurnOwnFont(!WritesHorizontally());
    DrawPieces(canvas, size, Layout(canvas, size));
}

namespace {

// The columns the personal lines share: the widest family and given names, honorific and note of all lines, the
// character unit and gap, where the given names start and how long they are, and where the honorifics and the
// notes stand along the lines.
struct TPersonColumns {
    TNameParts Widest;
    QString Honor;
    QString Note;
    int Unit = 0;
    int Gap = 0;
    int GivenStart = 0;
    int GivenLength = 0;
    int HonorOffset = 0;
    int NoteOffset = 0;
};

// The columns of lines (the name first, then the joint names) at the canvas font, made smaller when the lines
// are longer than the frame; false when nothing can be drawn.
bool fitPersonColumns(TCanvas &canvas, const TTextFrame &frame, const QList<TJointName> &lines, bool printHonor,
                      bool spread, TPersonColumns &columns)
{
    TNameParts &widest = columns.Widest;
    widest = nameParts(lines[0].Name);
    columns.Honor = printHonor ? lines[0].Honor : QString();
    columns.Note = lines[0].Note;
    for (const TJointName &line : lines.sliced(1)) {
        const TNameParts parts = nameParts(line.Name);
        widest.Family = std::max(widest.Family, parts.Family);
        widest.Given = std::max(widest.Given, parts.Given);
        if (printHonor && canvas.TextWidth(line.Honor) > canvas.TextWidth(columns.Honor))
            columns.Honor = line.Honor;
        if (canvas.TextWidth(line.Note) > canvas.TextWidth(columns.Note))
            columns.Note = line.Note;
    }
    const QString &honor = columns.Honor;
    const QString &note = columns.Note;
    const auto needed = [&](int unit, int gap) {
        int need = nameLength(canvas, widest, unit, gap);
        if (!honor.isEmpty()) {
            // A long honorific is printed narrowed to three quarters.
            const int width = canvas.TextWidth(honor);
            need += (charCount(honor) > 2 ? RoundToInt(width / 4.0 * 3) : width) + RoundToInt(unit / 3.0);
        }
        if (!note.isEmpty())
            need += RoundToInt(canvas.TextWidth(note) / 3.0 * 2) + gap;
        return need;
    };
    int unit = canvas.TextWidth(u"一");
    int need = needed(unit, RoundToInt(unit / 6.0));
    if (need > frame.Length) {
        if (!FitFontHeight(canvas, frame.Length, false, need))
            return false;
        unit = canvas.TextWidth(u"一");
        need = needed(unit, RoundToInt(unit / 6.0));
    }
    const int sixth = RoundToInt(unit / 6.0);
    const int chars = widest.Family + widest.Given;
    const int gap = spread ? spreadGap(sixth, chars, !honor.isEmpty(), frame.Length, need) : sixth;
    const int G = widest.Given;
    columns.Unit = unit;
    columns.Gap = gap;
    columns.GivenStart = widest.Family > 0 ? (unit + gap) * widest.Family + canvas.TextWidth(u" ") : 0;
    columns.GivenLength = unit * G + (G - 1) * gap;
    columns.HonorOffset = honor.isEmpty() ? 0 : (unit + gap) * G + columns.GivenStart - sixth + RoundToInt(unit / 3.0);
    columns.NoteOffset = note.isEmpty() ? 0 : sixth + unit * G + columns.GivenStart + (G - 1) * gap;
    return true;
}

// The advances of a line whose given name is shorter than the widest one, aligned by align: 0 spread over the
// given-name column, 1 from its start, 2 to its end, 3 centred.
QList<int> alignedAdvances(const TPersonColumns &columns, QStringView name, uint8_t align)
{
    const int unit = columns.Unit;
    const int gap = columns.Gap;
    const int lineGiven = nameParts(name).Given;
    int shift = 0;
    int givenGap = gap;
    if (lineGiven != columns.Widest.Given) {
        const int ownLength = lineGiven * unit + (lineGiven - 1) * gap;
        switch (align) {
        case 0:
            if (lineGiven != 1)
                givenGap = (columns.GivenLength - unit * lineGiven) / (lineGiven - 1);
            else
                shift = (columns.GivenLength - unit) / 2;
            break;
        case 2: shift = columns.GivenLength - ownLength; break;
        case 3: shift = (columns.GivenLength - ownLength) / 2; break;
        default: break;
        }
    }
    return nameAdvances(name, unit, gap, columns.GivenStart, shift, givenGap);
}

}  // namespace

QList<TPlacedPiece> TNameRect::layoutPerson(TCanvas &canvas, const TTextFrame &frame) const
{
    const int jointLines = Kind_ == 1 ? std::min(static_cast<int>(Joints_.size()), MaxJointLines) : 0;
    const int lines = jointLines + 1;
    {
        const int h = canvas.TextHeight(u"一");
        if (!FitFontHeight(canvas, frame.Breadth, false, h * lines + (h / 8) * jointLines))
            return {};
    }
    // The name first, then the joint names in their order.
    QList<TJointName> printed{{Name_, Honor_, Note_}};
    printed.append(Joints_.mid(0, jointLines));
    TPersonColumns columns;
    if (!fitPersonColumns(canvas, frame, printed, PrintHonor, SpreadChars_, columns))
        return {};

    // The lines form a block centred across, each a line height and a gap from the next.
    const int height = canvas.FontHeight();
    const int h = canvas.TextHeight(u"一");
    const int lineGap = h / 8;
    const int middle = lines % 2 ? lines / 2 : lines / 2 - 1;
    const int centred = lines % 2 ? (frame.Breadth - h) / 2 : (frame.Breadth - (frame.Horizontal ? lineGap : -lineGap)) / 2;
    const auto lineStart = [&](int i) {
        const int step = (i - middle) * (h + lineGap);
        if (frame.Horizontal)
            return frame.At(frame.AlongMargin(), centred + frame.AcrossMargin() - (lines % 2 ? 0 : h) + step);
        return frame.At(frame.AlongMargin(), centred + frame.AcrossMargin() + h - step);
    };
    const auto along = [&](QPoint start, int offset) {
        return frame.Horizontal ? start + QPoint(offset, 0) : start + QPoint(0, offset);
    };
    QList<TPlacedPiece> pieces;
    for (int i = 0; i < lines; ++i) {
        const TJointName &line = printed[i];
        const QPoint start = lineStart(i);
        pieces.append({line.Name, start, height, alignedAdvances(columns, line.Name, NameAlign_)});
        if (PrintHonor && !line.Honor.isEmpty())
            pieces.append(
                {line.Honor, along(start, columns.HonorOffset), height, {}, charCount(line.Honor) > 2 ? 0.75 : 1});
    }

    const int noteHeight = truncToInt(height / 3.0 * 2);
    if (Kind_ != 1 || columns.Note.isEmpty() || noteHeight >= 0)
        return pieces;
    canvas.SetFontHeight(noteHeight);
    const int down = (h - canvas.TextHeight(u"一")) / 2;
    for (int i = 0; i < lines; ++i) {
        if (printed[i].Note.isEmpty())
            continue;
        const QPoint at =
            along(lineStart(i), columns.NoteOffset) + (frame.Horizontal ? QPoint(0, down) : QPoint(-down, 0));
        pieces.append({printed[i].Note, at, noteHeight});
    }
    return pieces;
}

namespace {

// A company text in one or two lines.
struct TLinePair {
    QString First;
    QString Second = {};
    void Join()
    {
        First += Ideographic + Second;
        Second.clear();
    }
};

}  // namespace

// The company layout: the company, department and post lines (each broken in two where that helps) stacked
// above the name line, the whole block fitted to the frame and centred across it.
class TNameRect::TCompanyLayout {
public:
    TCompanyLayout(const TNameRect &name, TCanvas &canvas, const TTextFrame &frame);
    QList<TPlacedPiece> Place();

private:
    int unit() const { return canvas_.TextWidth(u"一"); }
    int lineHeight() const { return canvas_.TextHeight(u"一"); }
    int honorWidth() const { return honor_ ? RoundToInt(unit() / 3.0) + canvas_.TextWidth(name_.Honor_) : 0; }
    int nameGap() const { return name_.IgnoreName_ ? 0 : RoundToInt(unit() / 6.0); }
    bool hasTwoFreeLines() const { return freeText_ && !freeText_->Second.isEmpty(); }
    int itemHeight(int k, int nameHeight) const;
    bool selectItem(int k, int nameHeight);
    template <class Visit> void forEachItem(int nameHeight, Visit visit);
    int stackHeight(int nameHeight);
    int nameNeed(int nameHeight, int gap);

    bool fitName(int &h);
    void breakLongTexts(int h);
    bool joinBreaksThatFit(int &h);
    void narrowLongLines();
    QList<TPlacedPiece> place(int h);
    void placeNameLine(QList<TPlacedPiece> &pieces, int h, int start, int nameAcross);

    const TNameRect &name_;
    TCanvas &canvas_;
    const TTextFrame &frame_;
    const bool honor_;
    const bool shortPost_;
    // The smallest text size as a canvas font height.
    const int smallest_;
    // How many company texts there are; 0 once a size comes to nothing, which drops the whole company part.
    int companyTexts_;
    std::array<double, 4> ratios_;
    // The largest share of the name height at which each company text's lines reach no further than the frame's
    // end: above it even the smallest text size would be drawn past it.
    std::array<double, 4> fits_{1, 1, 1, 1};
    // The company name, both departments and a long post.
    std::array<TLinePair, 4> items_;
    // A free-text name with a full-width space, which may be broken like a company text.
    std::optional<TLinePair> freeText_;
};

TNameRect::TCompanyLayout::TCompanyLayout(const TNameRect &name, TCanvas &canvas, const TTextFrame &frame)
    : name_(name),
      canvas_(canvas),
      frame_(frame),
      honor_(name.PrintHonor && !name.Honor_.isEmpty()),
      shortPost_(!name.Post_.isEmpty() && charCount(name.Post_) <= 6),
      smallest_(SmallestTextHeight(canvas)),
      companyTexts_(static_cast<int>(!name.CompanyName_.isEmpty()) + !name.Departments_[0].isEmpty() +
                    !name.Departments_[1].isEmpty() + !name.Post_.isEmpty()),
      ratios_{name.CompanyRatio_, name.DeptRatio_, name.DeptRatio_, name.PostRatio_},
      items_{TLinePair{name.CompanyName_}, TLinePair{name.Departments_[0]}, TLinePair{name.Departments_[1]},
             TLinePair{shortPost_ ? QString() : name.Post_}}
{
    if (name.IgnoreName_ && name.Name_.contains(Ideographic))
        freeText_ = TLinePair{name.Name_};
}

QList<TPlacedPiece> TNameRect::TCompanyLayout::Place()
{
    int h = 0;
    if (!fitName(h))
        return {};
    if (name_.CompanyBreak_)
        breakLongTexts(h);
    if (!joinBreaksThatFit(h))
        return {};
    canvas_.SetFontHeight(h);
    if (companyTexts_ > 0)
        narrowLongLines();
    return place(h);
}

// Item k's size for the name height: its share of the name, but while the name is larger than the smallest
// text size, not smaller than that; a company line of a label shrunk to its ratio would not be read. A line
// longer than the frame even at that size is made as small as its length needs: it is never drawn past the
// frame, over what stands beside it (on a label, the next label).
int TNameRect::TCompanyLayout::itemHeight(int k, int nameHeight) const
{
    const int readable = std::min(truncToInt(nameHeight * ratios_[k]), std::max(nameHeight, smallest_));
    return std::max(readable, truncToInt(nameHeight * fits_[k]));
}

// Selects item k's size for the name height; a size that comes to nothing drops the whole company part.
bool TNameRect::TCompanyLayout::selectItem(int k, int nameHeight)
{
    const int height = itemHeight(k, nameHeight);
    if (height == 0)
        companyTexts_ = 0;
    canvas_.SetFontHeight(height);
    return height != 0;
}

// Calls visit(k, indent) for each company text k, selected at its size for the name height, with the indent
// it stands at (a quarter unit more after each company and department line); stops where a size comes to
// nothing, and leaves the canvas at the name height.
template <class Visit> void TNameRect::TCompanyLayout::forEachItem(int nameHeight, Visit visit)
{
    int indent = 0;
    for (int k = 0; k < 4 && companyTexts_ > 0; ++k) {
        if (items_[k].First.isEmpty())
            continue;
        if (!selectItem(k, nameHeight))
            break;
        visit(k, k < 3 ? indent : 0);
        if (k < 3)
            indent += unit() / 4;
    }
    canvas_.SetFontHeight(nameHeight);
}

// The height of the company lines above the name line at the name height.
int TNameRect::TCompanyLayout::stackHeight(int nameHeight)
{
    const int h0 = lineHeight();
    int stack = 0;
    bool first = true;
    forEachItem(nameHeight, [&](int k, int) {
        const int hk = lineHeight();
        stack += hk + (first ? h0 / 4 : h0 / 16) + (items_[k].Second.isEmpty() ? 0 : hk);
        first = false;
    });
    return companyTexts_ > 0 ? stack : 0;
}

// The name's length with the honorific and, after company texts, the indent and a short post before it.
int TNameRect::TCompanyLayout::nameNeed(int nameHeight, int gap)
{
    const int u = unit();
    int need = nameLength(canvas_, nameParts(name_.Name_), u, gap) + honorWidth();
    if (companyTexts_ > 0) {
        need += u / 2;
        if (shortPost_ && itemHeight(3, nameHeight) != 0) {
            canvas_.SetFontHeight(itemHeight(3, nameHeight));
            need += canvas_.TextWidth(name_.Post_);
            canvas_.SetFontHeight(nameHeight);
        }
    }
    return need;
}

// The name height that fits one line across and the name along; false when nothing can be drawn.
bool TNameRect::TCompanyLayout::fitName(int &h)
{
    h = canvas_.FontHeight();
    if (lineHeight() > frame_.Breadth) {
        if (!FitFontHeight(canvas_, frame_.Breadth, false, lineHeight()))
            return false;
        h = canvas_.FontHeight();
    }
    if (freeText_)
        return true;
    const int need = nameNeed(h, nameGap());
    if (need > frame_.Length) {
        if (!FitFontHeight(canvas_, frame_.Length, false, need))
            return false;
        h = canvas_.FontHeight();
    }
    return true;
}

// Breaks the free text and the company texts that are too long for the frame at a full-width space.
void TNameRect::TCompanyLayout::breakLongTexts(int h)
{
    const int length = frame_.Length;
    if (freeText_ &&
        canvas_.TextWidth(freeText_->First) + (companyTexts_ > 0 ? unit() / 2 : 0) + honorWidth() - 2 * unit() > length)
        SplitCompanyText(freeText_->First, freeText_->Second);
    forEachItem(h, [&](int k, int indent) {
        if (canvas_.TextWidth(items_[k].First) - unit() + indent > length)
            SplitCompanyText(items_[k].First, items_[k].Second);
    });
}

// Fits the block to the frame; breaks that fit on one line after the font was made smaller are joined again,
// the narrowest first, and the block fitted again. False when nothing can be drawn.
bool TNameRect::TCompanyLayout::joinBreaksThatFit(int &h)
{
    const int length = frame_.Length;
    int fitted = h;
    for (;;) {
        canvas_.SetFontHeight(h);
        if (freeText_) {
            const int width = std::max(canvas_.TextWidth(freeText_->First), canvas_.TextWidth(freeText_->Second)) +
                              unit() + honorWidth() + (companyTexts_ > 0 ? unit() / 2 : 0);
            if (width > length && !FitFontHeight(canvas_, length, false, width))
                return false;
        }
        fitted = canvas_.FontHeight();
        // Company lines at the smallest size do not shrink with the name: the name is made smaller again until
        // the block fits.
        for (;;) {
            const int need =
                lineHeight() * (hasTwoFreeLines() ? 2 : 1) + (companyTexts_ > 0 ? stackHeight(fitted) : 0);
            if (need <= frame_.Breadth)
                break;
            if (!FitFontHeight(canvas_, frame_.Breadth, false, need))
                return false;
            if (canvas_.FontHeight() == fitted)
                break;
            fitted = canvas_.FontHeight();
        }

        TLinePair *best = nullptr;
        int bestWidth = 0;
        const auto consider = [&](TLinePair &pair, int width) {
            if (width < length && (!best || width < bestWidth)) {
                best = &pair;
                bestWidth = width;
            }
        };
        if (hasTwoFreeLines())
            consider(*freeText_, canvas_.TextWidth(freeText_->First) + canvas_.TextWidth(freeText_->Second) -
                                     unit() + honorWidth());
        forEachItem(fitted, [&](int k, int indent) {
            if (!items_[k].Second.isEmpty())
                consider(items_[k], canvas_.TextWidth(items_[k].First) + canvas_.TextWidth(items_[k].Second) -
                                        unit() + indent);
        });
        if (!best)
            break;
        best->Join();
    }
    h = fitted;
    return true;
}

// Company lines still too long get a smaller ratio; department lines never stand larger than the company.
void TNameRect::TCompanyLayout::narrowLongLines()
{
    const int u = unit();
    int indent = 0;
    for (int k = 0; k < 4; ++k) {
        const TLinePair &item = items_[k];
        if (item.First.isEmpty())
            continue;
        int w = canvas_.TextWidth(item.First);
        if (!item.Second.isEmpty()) {
            const bool secondWider = canvas_.TextWidth(item.Second) >= canvas_.TextWidth(item.First);
            w = canvas_.TextWidth((secondWider ? item.Second : item.First) + QStringLiteral("一"));
        }
        if (k < 3) {
            w += indent;
            indent = u / 4;
        }
        const double fit = static_cast<double>(frame_.Length) / (w + u);
        fits_[k] = static_cast<double>(frame_.Length) / w;
        if (ratios_[k] > fit) {
            ratios_[k] = fit;
            if (k == 0) {
                ratios_[1] = std::min(ratios_[1], ratios_[0]);
                ratios_[2] = std::min(ratios_[2], ratios_[0]);
            } else if (k == 1) {
                ratios_[2] = std::min(ratios_[2], ratios_[1]);
            } else if (k == 2) {
                ratios_[1] = std::min(ratios_[1], ratios_[2]);
            }
        }
    }
}

// Places the company lines from the first one across, then the name line as the last line of the block (top
// when horizontal, right edge of the leftmost column).
QList<TPlacedPiece> TNameRect::TCompanyLayout::place(int h)
{
    const int breadth = frame_.Breadth;
    const int stack = companyTexts_ > 0 ? stackHeight(h) : 0;
    const int H = lineHeight();
    const int u = unit();
    const int total = H + (hasTwoFreeLines() ? H : 0) + stack;
    const int outside = (breadth - total) / 2;
    // Across: lines step down, columns step left.
    const int step = frame_.Horizontal ? 1 : -1;
    int across = frame_.Horizontal ? outside + frame_.Margin.y() : frame_.Margin.x() + breadth - outside;
    const int gap16 = u / 16;
    const int gap4 = u / 4;

    QList<TPlacedPiece> pieces;
    if (companyTexts_ > 0) {
        int indent = 0;
        for (int k = 0; k < 4; ++k) {
            const TLinePair &item = items_[k];
            if (item.First.isEmpty())
                continue;
            if (k == 3) {
                if (companyTexts_ > 1)
                    across += step * (gap4 - gap16);
                indent = 0;
            }
            selectItem(k, h);
            const int height = canvas_.FontHeight();
            const int hk = lineHeight();
            const int uk = unit();
            const QPoint first = frame_.At(frame_.AlongMargin() + indent, across);
            pieces.append({item.First, first, height});
            across += step * (hk + gap16);
            if (!item.Second.isEmpty()) {
                const int along = frame_.AlongMargin() + frame_.Length - canvas_.TextWidth(item.Second) - uk;
                const QPoint second = frame_.At(along, frame_.Horizontal ? first.y() + hk : first.x() - hk);
                pieces.append({item.Second, second, height});
                across += step * hk;
            }
            indent += gap4;
        }
    }

    canvas_.SetFontHeight(h);
    const int nameAcross =
        frame_.Horizontal ? frame_.Margin.y() + breadth - outside - H : H + frame_.Margin.x() + outside;
    int start = frame_.AlongMargin();
    if (companyTexts_ > 0) {
        const int postHeight = itemHeight(3, h);
        if (shortPost_ && postHeight != 0) {
            // A short post stands before the name, centred across the name line.
            canvas_.SetFontHeight(postHeight);
            const int hp = lineHeight();
            const int centre = frame_.Horizontal ? nameAcross + RoundToInt(H / 2.0) - RoundToInt(hp / 2.0)
                                                 : nameAcross - RoundToInt(H / 2.0) + RoundToInt(hp / 2.0);
            pieces.append({name_.Post_, frame_.At(frame_.AlongMargin(), centre), postHeight});
            start += canvas_.TextWidth(name_.Post_);
            canvas_.SetFontHeight(h);
        }
        start += u / 2;
    }
    placeNameLine(pieces, h, start, nameAcross);
    return pieces;
}

// The name (or a free text in two lines) from start along the line, with its honorific.
void TNameRect::TCompanyLayout::placeNameLine(QList<TPlacedPiece> &pieces, int h, int start, int nameAcross)
{
    const int u = unit();
    const int H = lineHeight();
    const QString &honor = name_.Honor_;
    if (hasTwoFreeLines()) {
        const int end = frame_.AlongMargin() + frame_.Length;
        const int step = frame_.Horizontal ? 1 : -1;
        pieces.append({freeText_->First, frame_.At(start, nameAcross - step * H), h});
        pieces.append(
            {freeText_->Second, frame_.At(end - canvas_.TextWidth(freeText_->Second) - honorWidth(), nameAcross), h});
        if (honor_)
            pieces.append({honor, frame_.At(end - canvas_.TextWidth(honor), nameAcross), h});
        return;
    }

    const QString &name = name_.Name_;
    const TNameParts parts = nameParts(name);
    int gap = nameGap();
    if (name_.SpreadChars_)
        gap = spreadGap(gap, parts.Family + parts.Given, honor_, frame_.Length, nameNeed(h, gap));
    const int givenStart = parts.Family > 0 ? (u + gap) * parts.Family + canvas_.TextWidth(u" ") : 0;
    pieces.append({name, frame_.At(start, nameAcross), h, nameAdvances(name, u, gap, givenStart, 0, gap)});
    if (honor_) {
        const int offset = RoundToInt(u / 3.0) + (u + gap) * parts.Given + givenStart -
                           (name_.IgnoreName_ ? 0 : RoundToInt(u / 6.0));
        pieces.append({honor, frame_.At(start + offset, nameAcross), h});
    }
}

QList<TPlacedPiece> TNameRect::Layout(TCanvas &canvas, QSize size) const
{
    const TTextFrame frame = TextFrame(canvas, size);
    if (!hasText() || frame.IsEmpty())
        return {};
    SelectTextFont(canvas, !frame.Horizontal);
    if (Kind_ == 2)
        return TCompanyLayout(*this, canvas, frame).Place();
    return layoutPerson(canvas, frame);
}

int TNameRect::NeededBreadth(TCanvas &canvas, int length) const
{
    // Laid out with room to spare across, nothing is made smaller for the breadth.
    const int spare = 1 << 20;
    const bool horizontal = WritesHorizontally();
    const QList<TPlacedPiece> pieces = Layout(canvas, horizontal ? QSize(length, spare) : QSize(spare, length));
    if (pieces.isEmpty())
        return 0;
    // A line's top is its place across; a column's is its right edge.
    int low = INT_MAX, high = INT_MIN;
    for (const TPlacedPiece &piece : pieces) {
        canvas.SetFontHeight(piece.FontHeight);
        const int thickness = canvas.TextHeight(u"一");
        const int across = horizontal ? piece.At.y() : piece.At.x() - thickness;
        low = std::min(low, across);
        high = std::max(high, across + thickness);
    }
    const QPoint margin = TextMargins(canvas);
    return high - low + 2 * (horizontal ? margin.y() : margin.x());
}
