#include "drawing/NameRect.h"

#include "base/Numbers.h"
#include "drawing/ChangeField.h"
#include "drawing/CorpRect.h"
#include "drawing/DesignGlobals.h"

#include <algorithm>
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
    const auto sizeStep = StreamVersion >= 500 ? stream.Read<uint32_t>() : 3;
    ApplyStoredMeta(meta);
    PrintHonor = printHonor;
    SizeStep = sizeStep;
}

void TNameRect::SaveToStream(TObjectStream &stream) const
{
    TMetaRect::SaveToStream(stream);
    stream.Write<uint8_t>(PrintHonor);
    stream.Write<uint32_t>(SizeStep);
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
    // A damaged document may hold any step; the table takes the nearest one.
    BaseHeight_ = NameSizeHeight(MainSizeRow ? 0 : SenderStyle, static_cast<int>(std::min<uint32_t>(SizeStep, 5)));
    TMetaRect::UpdateFontHeight();
}

namespace {

template <class T> void setField(T &field, const T &value, uint8_t &pictureValid)
{
    if (ChangeField(field, value))
        pictureValid = 0;
}

}  // namespace

void TNameRect::SetKind(uint8_t kind) { setField(Kind_, kind, PictureValid_); }

void TNameRect::SetName(const QString &text)
{
    Name_ = IgnoreName_ ? text : normalizedName(text);
    PictureValid_ = 0;
}

void TNameRect::SetHonor(const QString &text)
{
    if (Honor_ != text && PrintHonor)
        PictureValid_ = 0;
    Honor_ = text;
}

void TNameRect::SetNote(const QString &text) { setField(Note_, text, PictureValid_); }

void TNameRect::SetJointCount(int count) { Joints_.resize(std::max(0, count)); }

QString TNameRect::GetJointName(int index) const
{
    return index >= 0 && index < Joints_.size() ? Joints_[index].Name : QString();
}

void TNameRect::SetJointName(int index, const QString &text)
{
    if (index < 0 || index >= Joints_.size())
        return;
    Joints_[index].Name = normalizedName(text);
    PictureValid_ = 0;
}

QString TNameRect::GetJointHonor(int index) const
{
    return index >= 0 && index < Joints_.size() ? Joints_[index].Honor : QString();
}

void TNameRect::SetJointHonor(int index, const QString &text)
{
    if (index >= 0 && index < Joints_.size())
        setField(Joints_[index].Honor, text, PictureValid_);
}

void TNameRect::SetJointNote(int index, const QString &text)
{
    if (index >= 0 && index < Joints_.size())
        setField(Joints_[index].Note, text, PictureValid_);
}

void TNameRect::SetOption124(uint8_t align) { setField(NameAlign_, align, PictureValid_); }

void TNameRect::SetOmitName(bool omit) { setField(IgnoreName_, static_cast<uint8_t>(omit), PictureValid_); }

void TNameRect::SetCorpName(const QString &text) { setField(CompanyName_, text, PictureValid_); }

QString TNameRect::GetDepartment(int index) const
{
    return index >= 0 && index < 2 ? Departments_[index] : QString();
}

void TNameRect::SetDepartment(int index, const QString &text)
{
    if (index >= 0 && index < 2)
        setField(Departments_[index], text, PictureValid_);
}

void TNameRect::SetPost(const QString &text) { setField(Post_, text, PictureValid_); }

void TNameRect::SetRatio1(double ratio) { setField(CompanyRatio_, ratio, PictureValid_); }

void TNameRect::SetRatio2(double ratio) { setField(DeptRatio_, ratio, PictureValid_); }

void TNameRect::SetRatio3(double ratio) { setField(PostRatio_, ratio, PictureValid_); }

void TNameRect::SetOption177(uint8_t companyBreak) { setField(CompanyBreak_, companyBreak, PictureValid_); }

void TNameRect::SetOption179(uint8_t spread) { setField(SpreadChars_, spread, PictureValid_); }

// ---- Layouts ----

void TNameRect::RenderContent(TCanvas &canvas, QSize size)
{
    TLayoutFrame frame;
    if (Kind_ == 2) {
        const bool company = !CompanyName_.isEmpty() || !Departments_[0].isEmpty() || !Departments_[1].isEmpty() ||
                             !Post_.isEmpty();
        if ((Name_.isEmpty() && !company) || !beginLayout(canvas, size, frame))
            return;
        renderCompany(canvas, frame);
    } else {
        if (Name_.isEmpty() || !beginLayout(canvas, size, frame))
            return;
        renderPerson(canvas, frame);
    }
}

bool TNameRect::beginLayout(TCanvas &canvas, QSize size, TLayoutFrame &frame)
{
    frame.Size = size;
    frame.Margin = TextMargins(canvas);
    frame.Horizontal = Direction_ != 0;
    if (frame.Horizontal)
        MakeHorizontalFont(Font_.Log);
    else
        MakeVerticalFont(Font_.Log);
    const int width = size.width() - 2 * frame.Margin.x();
    const int height = size.height() - 2 * frame.Margin.y();
    frame.Length = frame.Horizontal ? width : height;
    frame.Breadth = frame.Horizontal ? height : width;
    if (frame.Length < 1 || frame.Breadth < 1)
        return false;
    canvas.SetFont(Font_);
    canvas.SetFontHeight(CanvasFontHeight(canvas));
    canvas.SetBrushStyle(TBrushStyle::Clear);
    return true;
}

void TNameRect::renderPerson(TCanvas &canvas, const TLayoutFrame &frame)
{
    const int jointLines = Kind_ == 1 ? std::min(static_cast<int>(Joints_.size()), MaxJointLines) : 0;
    const int lines = jointLines + 1;
    {
        const int h = canvas.TextHeight(u"一");
        if (!FitFontHeight(canvas, frame.Breadth, false, h * lines + (h / 8) * jointLines))
            return;
    }

    // The widest family and given names, honorific and note of all lines decide the common columns.
    TNameParts widest = nameParts(Name_);
    QString honor = PrintHonor ? Honor_ : QString();
    QString note = Note_;
    for (int i = 0; i < jointLines; ++i) {
        const TJointName &joint = Joints_[i];
        const TNameParts parts = nameParts(joint.Name);
        widest.Family = std::max(widest.Family, parts.Family);
        widest.Given = std::max(widest.Given, parts.Given);
        if (PrintHonor && canvas.TextWidth(joint.Honor) > canvas.TextWidth(honor))
            honor = joint.Honor;
        if (canvas.TextWidth(joint.Note) > canvas.TextWidth(note))
            note = joint.Note;
    }
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
            return;
        unit = canvas.TextWidth(u"一");
        need = needed(unit, RoundToInt(unit / 6.0));
    }
    const int sixth = RoundToInt(unit / 6.0);
    const int chars = widest.Family + widest.Given;
    const int gap = SpreadChars_ ? spreadGap(sixth, chars, !honor.isEmpty(), frame.Length, need) : sixth;

    const int G = widest.Given;
    const int givenStart = widest.Family > 0 ? (unit + gap) * widest.Family + canvas.TextWidth(u" ") : 0;
    const int honorOffset = honor.isEmpty() ? 0 : (unit + gap) * G + givenStart - sixth + RoundToInt(unit / 3.0);
    const int noteOffset = note.isEmpty() ? 0 : sixth + unit * G + givenStart + (G - 1) * gap;
    const int givenLength = unit * G + (G - 1) * gap;

    // Line i: its text, advances and honorific; the name first, then the joint names in their order.
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
    struct TLine {
        QString Text;
        QString Honor;
        QString Note;
    };
    QList<TLine> printed{{Name_, Honor_, Note_}};
    for (int i = 0; i < jointLines; ++i)
        printed.append({Joints_[i].Name, Joints_[i].Honor, Joints_[i].Note});

    const auto along = [&](QPoint start, int offset) {
        return frame.Horizontal ? start + QPoint(offset, 0) : start + QPoint(0, offset);
    };
    for (int i = 0; i < lines; ++i) {
        const TLine &line = printed[i];
        const int lineGiven = nameParts(line.Text).Given;
        int shift = 0;
        int givenGap = gap;
        if (lineGiven != G) {
            const int ownLength = lineGiven * unit + (lineGiven - 1) * gap;
            switch (NameAlign_) {
            case 0:
                if (lineGiven != 1)
                    givenGap = (givenLength - unit * lineGiven) / (lineGiven - 1);
                else
                    shift = (givenLength - unit) / 2;
                break;
            case 2: shift = givenLength - ownLength; break;
            case 3: shift = (givenLength - ownLength) / 2; break;
            default: break;
            }
        }
        const QPoint start = lineStart(i);
        const QList<int> advances = nameAdvances(line.Text, unit, gap, givenStart, shift, givenGap);
        DrawPiece(canvas, frame.Size, start.x(), start.y(), line.Text, advances.constData());
        if (PrintHonor && !line.Honor.isEmpty()) {
            const bool narrow = charCount(line.Honor) > 2;
            if (narrow)
                canvas.SetFontWidthRatio(0.75);
            const QPoint at = along(start, honorOffset);
            DrawPiece(canvas, frame.Size, at.x(), at.y(), line.Honor);
            if (narrow)
                canvas.SetFontWidthRatio(1);
        }
    }

    const int noteHeight = truncToInt(canvas.FontHeight() / 3.0 * 2);
    if (Kind_ != 1 || note.isEmpty() || noteHeight >= 0)
        return;
    canvas.SetFontHeight(noteHeight);
    const int down = (h - canvas.TextHeight(u"一")) / 2;
    for (int i = 0; i < lines; ++i) {
        if (printed[i].Note.isEmpty())
            continue;
        const QPoint at = along(lineStart(i), noteOffset) + (frame.Horizontal ? QPoint(0, down) : QPoint(-down, 0));
        DrawPiece(canvas, frame.Size, at.x(), at.y(), printed[i].Note);
    }
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

void TNameRect::renderCompany(TCanvas &canvas, const TLayoutFrame &frame)
{
    const int length = frame.Length;
    const int breadth = frame.Breadth;
    const bool honor = PrintHonor && !Honor_.isEmpty();
    int companyTexts = static_cast<int>(!CompanyName_.isEmpty()) + !Departments_[0].isEmpty() +
                       !Departments_[1].isEmpty() + !Post_.isEmpty();
    const bool shortPost = !Post_.isEmpty() && charCount(Post_) <= 6;
    std::array<double, 4> ratios{CompanyRatio_, DeptRatio_, DeptRatio_, PostRatio_};
    std::array<TLinePair, 4> items{TLinePair{CompanyName_}, TLinePair{Departments_[0]}, TLinePair{Departments_[1]},
                                   TLinePair{shortPost ? QString() : Post_}};
    const auto unit = [&] { return canvas.TextWidth(u"一"); };
    const auto lineHeight = [&] { return canvas.TextHeight(u"一"); };
    const auto honorWidth = [&] { return honor ? RoundToInt(unit() / 3.0) + canvas.TextWidth(Honor_) : 0; };
    // Selects item k's size for the name height; a size that comes to nothing drops the whole company part.
    const auto selectItem = [&](int k, int nameHeight) {
        const int height = truncToInt(nameHeight * ratios[k]);
        if (height == 0)
            companyTexts = 0;
        canvas.SetFontHeight(height);
        return height != 0;
    };
    const auto stackHeight = [&](int nameHeight) {
        const int h0 = lineHeight();
        int stack = 0;
        bool first = true;
        for (int k = 0; k < 4 && companyTexts > 0; ++k) {
            if (items[k].First.isEmpty())
                continue;
            if (!selectItem(k, nameHeight))
                break;
            const int hk = lineHeight();
            stack += hk + (first ? h0 / 4 : h0 / 16) + (items[k].Second.isEmpty() ? 0 : hk);
            first = false;
        }
        canvas.SetFontHeight(nameHeight);
        return companyTexts > 0 ? stack : 0;
    };
    // The name's length with the honorific and, after company texts, the indent and a short post before it.
    const auto nameNeed = [&](int nameHeight, int gap) {
        const int u = unit();
        int need = nameLength(canvas, nameParts(Name_), u, gap) + honorWidth();
        if (companyTexts > 0) {
            need += u / 2;
            if (shortPost && truncToInt(nameHeight * ratios[3]) != 0) {
                canvas.SetFontHeight(truncToInt(nameHeight * ratios[3]));
                need += canvas.TextWidth(Post_);
                canvas.SetFontHeight(nameHeight);
            }
        }
        return need;
    };
    const auto nameGap = [&] { return IgnoreName_ ? 0 : RoundToInt(unit() / 6.0); };

    int h = canvas.FontHeight();
    if (lineHeight() > breadth) {
        if (!FitFontHeight(canvas, breadth, false, lineHeight()))
            return;
        h = canvas.FontHeight();
    }
    std::optional<TLinePair> freeText;
    if (IgnoreName_ && Name_.contains(Ideographic)) {
        freeText = TLinePair{Name_};
    } else {
        const int need = nameNeed(h, nameGap());
        if (need > length) {
            if (!FitFontHeight(canvas, length, false, need))
                return;
            h = canvas.FontHeight();
        }
    }

    if (CompanyBreak_) {
        if (freeText && canvas.TextWidth(freeText->First) + (companyTexts > 0 ? unit() / 2 : 0) + honorWidth() -
                                2 * unit() >
                            length)
            SplitCompanyText(freeText->First, freeText->Second);
        int indent = 0;
        for (int k = 0; k < 4 && companyTexts > 0; ++k) {
            if (items[k].First.isEmpty())
                continue;
            if (!selectItem(k, h))
                break;
            const int u = unit();
            if (canvas.TextWidth(items[k].First) - u + (k < 3 ? indent : 0) > length)
                SplitCompanyText(items[k].First, items[k].Second);
            if (k < 3)
                indent += u / 4;
        }
        canvas.SetFontHeight(h);
    }

    // Breaks that fit on one line after the font was made smaller are joined again, the narrowest first.
    int fitted = h;
    for (;;) {
        canvas.SetFontHeight(h);
        if (freeText) {
            const int width = std::max(canvas.TextWidth(freeText->First), canvas.TextWidth(freeText->Second)) +
                              unit() + honorWidth() + (companyTexts > 0 ? unit() / 2 : 0);
            if (width > length && !FitFontHeight(canvas, length, false, width))
                return;
        }
        fitted = canvas.FontHeight();
        const int need = lineHeight() * (freeText && !freeText->Second.isEmpty() ? 2 : 1) +
                         (companyTexts > 0 ? stackHeight(fitted) : 0);
        if (need > breadth && !FitFontHeight(canvas, breadth, false, need))
            return;
        fitted = canvas.FontHeight();

        TLinePair *best = nullptr;
        int bestWidth = 0;
        const auto consider = [&](TLinePair &pair, int width) {
            if (width < length && (!best || width < bestWidth)) {
                best = &pair;
                bestWidth = width;
            }
        };
        if (freeText && !freeText->Second.isEmpty())
            consider(*freeText, canvas.TextWidth(freeText->First) + canvas.TextWidth(freeText->Second) - unit() +
                                    honorWidth());
        int indent = 0;
        for (int k = 0; k < 4 && companyTexts > 0; ++k) {
            if (items[k].First.isEmpty())
                continue;
            if (!selectItem(k, fitted))
                break;
            const int u = unit();
            if (!items[k].Second.isEmpty())
                consider(items[k], canvas.TextWidth(items[k].First) + canvas.TextWidth(items[k].Second) - u +
                                       (k < 3 ? indent : 0));
            if (k < 3)
                indent += u / 4;
        }
        canvas.SetFontHeight(fitted);
        if (!best)
            break;
        best->Join();
    }
    h = fitted;
    canvas.SetFontHeight(h);

    // Company lines still too long get a smaller ratio; department lines never stand larger than the company.
    if (companyTexts > 0) {
        const int u = unit();
        int indent = 0;
        for (int k = 0; k < 4; ++k) {
            const TLinePair &item = items[k];
            if (item.First.isEmpty())
                continue;
            int w = canvas.TextWidth(item.First);
            if (!item.Second.isEmpty()) {
                const bool secondWider = canvas.TextWidth(item.Second) >= canvas.TextWidth(item.First);
                w = canvas.TextWidth((secondWider ? item.Second : item.First) + QStringLiteral("一"));
            }
            if (k < 3) {
                w += indent;
                indent = u / 4;
            }
            const double fit = static_cast<double>(length) / (w + u);
            if (ratios[k] > fit) {
                ratios[k] = fit;
                if (k == 0) {
                    ratios[1] = std::min(ratios[1], ratios[0]);
                    ratios[2] = std::min(ratios[2], ratios[0]);
                } else if (k == 1) {
                    ratios[2] = std::min(ratios[2], ratios[1]);
                } else if (k == 2) {
                    ratios[1] = std::min(ratios[1], ratios[2]);
                }
            }
        }
    }

    const int stack = companyTexts > 0 ? stackHeight(h) : 0;
    const int H = lineHeight();
    const int u = unit();
    const int total = H + (freeText && !freeText->Second.isEmpty() ? H : 0) + stack;
    const int outside = (breadth - total) / 2;
    // Across: lines step down, columns step left.
    const int step = frame.Horizontal ? 1 : -1;
    int across = frame.Horizontal ? outside + frame.Margin.y() : frame.Margin.x() + breadth - outside;
    const int gap16 = u / 16;
    const int gap4 = u / 4;

    if (companyTexts > 0) {
        int indent = 0;
        for (int k = 0; k < 4; ++k) {
            const TLinePair &item = items[k];
            if (item.First.isEmpty())
                continue;
            if (k == 3) {
                if (companyTexts > 1)
                    across += step * (gap4 - gap16);
                indent = 0;
            }
            selectItem(k, h);
            const int hk = lineHeight();
            const int uk = unit();
            const QPoint first = frame.At(frame.AlongMargin() + indent, across);
            DrawPiece(canvas, frame.Size, first.x(), first.y(), item.First);
            across += step * (hk + gap16);
            if (!item.Second.isEmpty()) {
                const QPoint second = frame.At(frame.AlongMargin() + length - canvas.TextWidth(item.Second) - uk,
                                               frame.Horizontal ? first.y() + hk : first.x() - hk);
                DrawPiece(canvas, frame.Size, second.x(), second.y(), item.Second);
                across += step * hk;
            }
            indent += gap4;
        }
    }

    canvas.SetFontHeight(h);
    // The name line: the last line of the block (top when horizontal, right edge of the leftmost column).
    const int nameAcross = frame.Horizontal ? frame.Margin.y() + breadth - outside - H : H + frame.Margin.x() + outside;
    int start = frame.AlongMargin();
    if (companyTexts > 0) {
        const int postHeight = truncToInt(h * ratios[3]);
        if (shortPost && postHeight != 0) {
            canvas.SetFontHeight(postHeight);
            const int hp = lineHeight();
            const int centre = frame.Horizontal ? nameAcross + RoundToInt(H / 2.0) - RoundToInt(hp / 2.0)
                                                : nameAcross - RoundToInt(H / 2.0) + RoundToInt(hp / 2.0);
            const QPoint at = frame.At(frame.AlongMargin(), centre);
            DrawPiece(canvas, frame.Size, at.x(), at.y(), Post_);
            start += canvas.TextWidth(Post_);
            canvas.SetFontHeight(h);
        }
        start += u / 2;
    }

    if (freeText && !freeText->Second.isEmpty()) {
        const int end = frame.AlongMargin() + length;
        const QPoint first = frame.At(start, nameAcross - step * H);
        DrawPiece(canvas, frame.Size, first.x(), first.y(), freeText->First);
        const QPoint second = frame.At(end - canvas.TextWidth(freeText->Second) - honorWidth(), nameAcross);
        DrawPiece(canvas, frame.Size, second.x(), second.y(), freeText->Second);
        if (honor) {
            const QPoint at = frame.At(end - canvas.TextWidth(Honor_), nameAcross);
            DrawPiece(canvas, frame.Size, at.x(), at.y(), Honor_);
        }
        return;
    }

    const TNameParts parts = nameParts(Name_);
    int gap = nameGap();
    if (SpreadChars_)
        gap = spreadGap(gap, parts.Family + parts.Given, honor, length, nameNeed(h, gap));
    const int givenStart = parts.Family > 0 ? (u + gap) * parts.Family + canvas.TextWidth(u" ") : 0;
    const QList<int> advances = nameAdvances(Name_, u, gap, givenStart, 0, gap);
    const QPoint at = frame.At(start, nameAcross);
    DrawPiece(canvas, frame.Size, at.x(), at.y(), Name_, advances.constData());
    if (honor) {
        const int offset = RoundToInt(u / 3.0) + (u + gap) * parts.Given + givenStart -
                           (IgnoreName_ ? 0 : RoundToInt(u / 6.0));
        const QPoint mark = frame.At(start + offset, nameAcross);
        DrawPiece(canvas, frame.Size, mark.x(), mark.y(), Honor_);
    }
}
