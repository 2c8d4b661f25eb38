#include "designers/PaperFormats.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "base/Units.h"
#include "core/SharedHelpers.h"
#include "drawing/DrawRect.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

class TWriter {
public:
    explicit TWriter(QByteArray &out) : out_(out) {}
    void u8(uint8_t v) { out_.append(char(v)); }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void u32(uint32_t v)
    {
        char b[4];
        qToLittleEndian(v, b);
        out_.append(b, 4);
    }
    // One length byte, the characters, and zeros up to the field's room.
    void shortString(const QByteArray &s, int room)
    {
        const int n = std::min<int>(int(s.size()), room);
        u8(uint8_t(n));
        out_.append(s.constData(), n);
        out_.append(QByteArray(room - n, '\0'));
    }
    void rect(const TFormatRect &r)
    {
        i32(r.Left);
        i32(r.Top);
        i32(r.Right);
        i32(r.Bottom);
    }

private:
    QByteArray &out_;
};

class TReader {
public:
    explicit TReader(const char *p) : p_(p) {}
    uint8_t u8() { return uint8_t(*p_++); }
    int32_t i32() { return int32_t(u32()); }
    uint32_t u32()
    {
        const uint32_t v = qFromLittleEndian<uint32_t>(p_);
        p_ += 4;
        return v;
    }
    QByteArray shortString(int room)
    {
        const int n = std::min<int>(u8(), room);
        QByteArray s(p_, n);
        p_ += room;
        return s;
    }
    TFormatRect rect()
    {
        TFormatRect r;
        r.Left = i32();
        r.Top = i32();
        r.Right = i32();
        r.Bottom = i32();
        return r;
    }

private:
    const char *p_;
};

QByteArray complemented(const char *text)
{
    QByteArray bytes(text);
    for (char &c : bytes)
        c = char(~c);
    return bytes;
}

}  // namespace

QByteArray PaperFormatBytes(const TPaperFormat &f)
{
    QByteArray out;
    out.reserve(TPaperFormat::Size);
    TWriter w(out);
    w.u8(f.Kind);
    w.shortString(f.Category, 20);
    w.shortString(f.Name, 33);
    w.i32(f.Direction);
    w.i32(f.Width);
    w.i32(f.Height);
    w.shortString(f.PictureFile, 15);
    w.i32(f.CombinedRectCount);
    for (const TFormatRect &r : f.CombinedRects)
        w.rect(r);
    w.i32(f.SplitRectCount);
    for (const TFormatRect &r : f.SplitRects)
        w.rect(r);
    w.i32(f.SheetIndex);
    return out;
}

TPaperFormat PaperFormatFromBytes(const char *bytes, int sheetCount)
{
    TReader r(bytes);
    TPaperFormat f;
    f.Kind = r.u8();
    f.Category = r.shortString(20);
    f.Name = r.shortString(33);
    f.Direction = r.i32();
    // The previews and the user papers divide by the size.
    f.Width = std::max(r.i32(), 1);
    f.Height = std::max(r.i32(), 1);
    f.PictureFile = r.shortString(15);
    // The designers place 9 and 21 objects from arrays of 13 and 22: a larger count would reach objects that
    // do not exist.
    f.CombinedRectCount = std::clamp(r.i32(), 0, CombinedObjectCount);
    for (TFormatRect &rect : f.CombinedRects)
        rect = r.rect();
    f.SplitRectCount = std::clamp(r.i32(), 0, SplitObjectCount);
    for (TFormatRect &rect : f.SplitRects)
        rect = r.rect();
    const int32_t sheet = r.i32();
    f.SheetIndex = sheet >= 1 && sheet <= sheetCount ? sheet : 0;
    return f;
}

QByteArray FormatCategoryBytes(const TFormatCategory &s)
{
    QByteArray out;
    TWriter w(out);
    for (int32_t v : {s.SheetWidth, s.SheetHeight, s.Columns, s.Rows, s.LeftMargin, s.TopMargin, s.ColumnGap,
                      s.RowGap})
        w.i32(v);
    return out;
}

TFormatCategory FormatCategoryFromBytes(const char *bytes)
{
    TReader r(bytes);
    TFormatCategory s;
    s.SheetWidth = std::max(r.i32(), 1);
    s.SheetHeight = std::max(r.i32(), 1);
    // Sheet counts divide the records to print into sheets.
    s.Columns = std::max(r.i32(), 1);
    s.Rows = std::max(r.i32(), 1);
    s.LeftMargin = r.i32();
    s.TopMargin = r.i32();
    s.ColumnGap = r.i32();
    s.RowGap = r.i32();
    return s;
}

QByteArray CustomPaperBytes(const TCustomPaperRecord &c)
{
    QByteArray out;
    out.reserve(TCustomPaperRecord::Size);
    TWriter w(out);
    w.u32(c.Id);
    w.u32(c.BaseIndex);
    out.append(PaperFormatBytes(c.Format));
    w.u32(c.DirectionFlag);
    return out;
}

TCustomPaperRecord CustomPaperFromBytes(const char *bytes, int sheetCount)
{
    TReader r(bytes);
    TCustomPaperRecord c;
    c.Id = r.u32();
    c.BaseIndex = r.u32();
    c.Format = PaperFormatFromBytes(bytes + 8, sheetCount);
    c.DirectionFlag = qFromLittleEndian<uint32_t>(bytes + 664);
    return c;
}

namespace {

bool within(int64_t value, int64_t low, int64_t high) { return value >= low && value <= high; }

bool rectsWithinReach(const TFormatRect *rects, int count)
{
    for (int i = 0; i < count; ++i)
        for (int64_t side : {rects[i].Left, rects[i].Top, rects[i].Right, rects[i].Bottom})
            if (!within(side, -PaperReach, PaperReach))
                return false;
    return true;
}

// count papers of one side with their gaps after the margin, all on the sheet's side; in 64 bits, since the
// values are as read.
bool rowFits(int64_t margin, int64_t count, int64_t paper, int64_t gap, int64_t sheet)
{
    return within(sheet, MinLabelSide, MaxCustomPaperSize) && within(margin, 0, sheet) && within(gap, 0, sheet) &&
           count >= 1 && margin + count * paper + (count - 1) * gap <= sheet;
}

}  // namespace

bool PaperFormatFits(const TPaperFormat &f, const TFormatCategory *sheet)
{
    if (!within(f.Width, MinLabelSide, MaxCustomPaperSize) || !within(f.Height, MinLabelSide, MaxCustomPaperSize) ||
        !rectsWithinReach(f.CombinedRects.data(), std::clamp(f.CombinedRectCount, 0, int(f.CombinedRects.size()))) ||
        !rectsWithinReach(f.SplitRects.data(), std::clamp(f.SplitRectCount, 0, int(f.SplitRects.size()))))
        return false;
    return !sheet || (rowFits(sheet->LeftMargin, sheet->Columns, f.Width, sheet->ColumnGap, sheet->SheetWidth) &&
                      rowFits(sheet->TopMargin, sheet->Rows, f.Height, sheet->RowGap, sheet->SheetHeight));
}

namespace {

// Header counts held within what the file really holds, so a damaged count never allocates for records that
// are not there. The sheet table follows the records directly, as the designer's seek expects.
struct TTableCounts {
    qsizetype Records = 0, Sheets = 0;
    bool Whole = false;  // the file holds everything its header promises
};

TTableCounts countsWithin(qsizetype fileSize, qsizetype headerSize, uint32_t records, uint32_t sheets,
                          int recordSize)
{
    TTableCounts c;
    const qsizetype room = std::max<qsizetype>(fileSize - headerSize, 0);
    c.Records = std::min<qsizetype>(records, room / recordSize);
    if (c.Records == qsizetype(records))
        c.Sheets = std::min<qsizetype>(sheets, (room - c.Records * recordSize) / TFormatCategory::Size);
    c.Whole = c.Records == qsizetype(records) && c.Sheets == qsizetype(sheets);
    return c;
}

QByteArray readMagicFile(const QString &fileName, const char *magic, bool *exists)
{
    QFile file(fileName);
    *exists = file.exists();
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QByteArray expected = complemented(magic);
    return bytes.startsWith(expected) ? bytes : QByteArray();
}

}  // namespace

bool TMasterFormats::Load(const QString &fileName)
{
    Formats.clear();
    Sheets.clear();
    Loaded = false;
    bool exists = false;
    const QByteArray bytes = readMagicFile(fileName, LytFmtMagic, &exists);
    if (bytes.size() < 36)
        return false;
    const uint32_t a = qFromLittleEndian<uint32_t>(bytes.constData() + 24);
    const uint32_t b = qFromLittleEndian<uint32_t>(bytes.constData() + 32);
    const TTableCounts counts = countsWithin(bytes.size(), 36, a, b, TPaperFormat::Size);
    // The shipped list is read only and whole; one cut short is damaged, and a paper number read from a
    // document would then name another paper.
    if (!counts.Whole)
        return false;
    const char *sheets = bytes.constData() + 36 + qsizetype(a) * TPaperFormat::Size;
    for (uint32_t k = 0; k < b; ++k)
        Sheets.push_back(FormatCategoryFromBytes(sheets + qsizetype(k) * TFormatCategory::Size));
    for (uint32_t n = 0; n < a; ++n) {
        Formats.push_back(PaperFormatFromBytes(bytes.constData() + 36 + qsizetype(n) * TPaperFormat::Size,
                                               int(Sheets.size())));
        // Paper numbers are places in this list: one paper left out would renumber the others.
        const TPaperFormat &read = Formats.back();
        if (!PaperFormatFits(read, read.SheetIndex > 0 ? &Sheets[size_t(read.SheetIndex - 1)] : nullptr)) {
            Formats.clear();
            Sheets.clear();
            return false;
        }
    }
    Loaded = true;
    return true;
}

QByteArray TMasterFormats::Bytes() const
{
    QByteArray out = complemented(LytFmtMagic);
    TWriter w(out);
    w.u32(uint32_t(Formats.size()));
    w.u32(uint32_t(36 + TPaperFormat::Size * Formats.size()));
    w.u32(uint32_t(Sheets.size()));
    for (const TPaperFormat &f : Formats)
        out.append(PaperFormatBytes(f));
    for (const TFormatCategory &s : Sheets)
        out.append(FormatCategoryBytes(s));
    return out;
}

namespace {

TFormatCategory sheetIn(const std::vector<TFormatCategory> &sheets, const TPaperFormat &format)
{
    if (format.SheetIndex >= 1 && format.SheetIndex <= int(sheets.size()))
        return sheets[size_t(format.SheetIndex - 1)];
    return {};
}

}  // namespace

TFormatCategory TMasterFormats::SheetOf(const TPaperFormat &format) const { return sheetIn(Sheets, format); }

void TCustomFormats::Load(const QString &fileName)
{
    LastCustomId = 0;
    Records.clear();
    Sheets.clear();
    bool exists = false;
    const QByteArray bytes = readMagicFile(fileName, CstmLFmtMagic, &exists);
    Foreign = exists && bytes.isEmpty();
    if (bytes.size() < 40)
        return;
    const uint32_t a = qFromLittleEndian<uint32_t>(bytes.constData() + 28);
    const uint32_t b = qFromLittleEndian<uint32_t>(bytes.constData() + 36);
    // The user's own papers: a file cut short keeps every whole record before the cut.
    const TTableCounts counts = countsWithin(bytes.size(), 40, a, b, TCustomPaperRecord::Size);
    const char *sheets = bytes.constData() + 40 + counts.Records * TCustomPaperRecord::Size;
    for (qsizetype k = 0; k < counts.Sheets; ++k)
        Sheets.push_back(FormatCategoryFromBytes(sheets + k * TFormatCategory::Size));
    LastCustomId = qFromLittleEndian<uint32_t>(bytes.constData() + 24);
    for (qsizetype n = 0; n < counts.Records; ++n) {
        TCustomPaperRecord record = CustomPaperFromBytes(bytes.constData() + 40 + n * TCustomPaperRecord::Size,
                                                         int(Sheets.size()));
        // A paper is found by its id: one without, or a second one with the same, could never be chosen.
        if (record.Id == 0 || FindId(record.Id))
            continue;
        const TFormatCategory sheet = SheetOf(record.Format);
        if (!PaperFormatFits(record.Format, record.Format.SheetIndex > 0 ? &sheet : nullptr))
            continue;
        // Ids are never given twice, also when the counter was damaged.
        LastCustomId = std::max(LastCustomId, record.Id);
        Records.push_back(std::move(record));
    }
}

QByteArray TCustomFormats::Bytes() const
{
    QByteArray out = complemented(CstmLFmtMagic);
    TWriter w(out);
    w.u32(LastCustomId);
    w.u32(uint32_t(Records.size()));
    w.u32(uint32_t(40 + TCustomPaperRecord::Size * Records.size()));
    w.u32(uint32_t(Sheets.size()));
    for (const TCustomPaperRecord &c : Records)
        out.append(CustomPaperBytes(c));
    for (const TFormatCategory &s : Sheets)
        out.append(FormatCategoryBytes(s));
    return out;
}

bool TCustomFormats::Save(const QString &fileName) const
{
    if (Records.empty()) {
        if (Foreign || !QFile::exists(fileName))
            return true;
        return QFile::remove(fileName);
    }
    return ReplaceFileWhole(fileName, Bytes());
}

const TCustomPaperRecord *TCustomFormats::FindId(uint32_t id) const
{
    const auto found = std::find_if(Records.begin(), Records.end(), [id](const auto &r) { return r.Id == id; });
    return found == Records.end() ? nullptr : &*found;
}

TFormatCategory TCustomFormats::SheetOf(const TPaperFormat &format) const { return sheetIn(Sheets, format); }

namespace {

int32_t roundTimes(int32_t v, double factor)
{
    return int32_t(std::clamp<long double>(RoundHalfAway((long double)v * factor), -PaperReach, PaperReach));
}

// Objects are placed by these rectangles and saved with the document, which reads none beyond the reach.
TFormatRect withinReach(const TFormatRect &r)
{
    const TRect kept = KeptWithinReach(TRect{r.Left, r.Top, r.Right, r.Bottom});
    return {kept.Left, kept.Top, kept.Right, kept.Bottom};
}

void resizeRects(TFormatRect *rects, const TFormatRect *base, int count, int barcode, double sx, double sy,
                 int direction, int pw, int ph)
{
    for (int i = 0; i < count; ++i) {
        const TFormatRect &b = base[i];
        TFormatRect &r = rects[i];
        if (i == barcode) {
            const auto extent = [](int32_t low, int32_t high) {
                return int(std::clamp<int64_t>(int64_t(high) - low, -2 * PaperReach, 2 * PaperReach));
            };
            const int w = extent(b.Left, b.Right), h = extent(b.Top, b.Bottom);
            int x = roundTimes(b.Left, sx), y = roundTimes(b.Top, sy);
            if (direction != 0)
                x = std::clamp(x, 0, std::max(pw - w, 0));
            else
                y = std::clamp(y, 0, std::max(ph - h, 0));
            r = withinReach({x, y, x + w, y + h});
            continue;
        }
        r = {roundTimes(b.Left, sx), roundTimes(b.Top, sy), roundTimes(b.Right, sx), roundTimes(b.Bottom, sy)};
        if (r.Right - r.Left < 10)
            r.Right = r.Left + 10;
        if (r.Bottom - r.Top < 10)
            r.Bottom = r.Top + 10;
        r = withinReach(r);
    }
}

}  // namespace

TPaperFormat ResizePaperFormat(const TPaperFormat &base, int width, int height)
{
    TPaperFormat f = base;
    f.Width = width;
    f.Height = height;
    // A damaged base of no size would divide by zero: it keeps its rectangles as they are.
    const double sx = base.Width > 0 ? double(width) / base.Width : 1.0;
    const double sy = base.Height > 0 ? double(height) / base.Height : 1.0;
    const int pw = TenthsMmToLayout(width);
    const int ph = TenthsMmToLayout(height);
    resizeRects(f.CombinedRects.data(), base.CombinedRects.data(), std::clamp(base.CombinedRectCount, 0, 13),
                CombinedBarcodeIndex, sx, sy, base.Direction, pw, ph);
    resizeRects(f.SplitRects.data(), base.SplitRects.data(), std::clamp(base.SplitRectCount, 0, 22),
                SplitBarcodeIndex, sx, sy, base.Direction, pw, ph);
    return f;
}

QByteArray CustomPaperName(const QString &text)
{
    return Sjis::cutToBytes(Sjis::encode(TrimBlanks(text)), MaxCustomNameBytes);
}
