// Build-time generator of Common/Lyt.fmt and the paper pictures of Common/Format/: the papers of papers.txt
// with the default places of the address objects, written by the program's own paper-format writer.
//
// Japan Post prints the receiver's postal-code boxes 5.7 x 8 mm, 12 mm below the top edge, their left edges
// 44.3, 51.3, 58.3, 65.9, 72.7, 79.5 and 86.3 mm from the left edge of a postcard, so the last box ends 8 mm
// from the right edge; envelopes keep the same distance from their top right corner. The sender's boxes of a
// postcard are 4 x 6 mm, their top 122 mm below the top edge, left edges 5.7, 9.7, 13.7, 18.4, 22.4, 26.4 and
// 30.4 mm. The customer barcode lies along the address below the receiver's boxes for vertical writing and
// under the address at the bottom right for horizontal writing, clear of the edges by at least 5 mm.
#include "designers/PaperFormats.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/SharedHelpers.h"
#include "drawing/BarcodeRect.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "mkpaperformats: %s\n", message.toLocal8Bit().constData());
    return 1;
}

struct TMm {
    double Left, Top, Right, Bottom;
};

int32_t units(double mm) { return int32_t(RoundHalfAway((long double)mm / 25.4L * 96)); }
TFormatRect rect(const TMm &r) { return {units(r.Left), units(r.Top), units(r.Right), units(r.Bottom)}; }

constexpr double ReceiverBoxLefts[7] = {44.3, 51.3, 58.3, 65.9, 72.7, 79.5, 86.3};
constexpr double SenderBoxLefts[7] = {5.7, 9.7, 13.7, 18.4, 22.4, 26.4, 30.4};

// The receiver's boxes of a paper width wide, kept at their distance from the top right corner.
TMm receiverBoxes(double width) { return {ReceiverBoxLefts[0] + width - 100, 12, 92.0 + width - 100, 20}; }
TMm senderBoxes(double left, double top) { return {left + 5.7, top, left + 34.4, top + 6}; }

// Cuts r into n equal parts along the direction lines advance: columns right to left for vertical writing,
// rows top to bottom for horizontal writing.
std::vector<TMm> split(const TMm &r, int n, bool vertical)
{
    std::vector<TMm> parts;
    for (int i = 0; i < n; ++i) {
        if (vertical) {
            const double w = (r.Right - r.Left) / n;
            parts.push_back({r.Right - w * (i + 1), r.Top, r.Right - w * i, r.Bottom});
        } else {
            const double h = (r.Bottom - r.Top) / n;
            parts.push_back({r.Left, r.Top + h * i, r.Right, r.Top + h * (i + 1)});
        }
    }
    return parts;
}

// A name place with the company, department and post before the name: the first 40 % of the place in the
// direction lines advance.
std::pair<std::vector<TMm>, TMm> companyAndName(const TMm &r, bool vertical)
{
    if (vertical) {
        const double x = r.Right - (r.Right - r.Left) * 0.4;
        return {split({x, r.Top, r.Right, r.Bottom}, 3, true), {r.Left, r.Top, x, r.Bottom}};
    }
    const double y = r.Top + (r.Bottom - r.Top) * 0.4;
    return {split({r.Left, r.Top, r.Right, y}, 3, false), {r.Left, y, r.Right, r.Bottom}};
}

// The receiver's name place with its company, department and post in vertical writing: the name's column
// stays in the middle of the place, which is the paper's middle, and the company columns stand right of it
// towards the address, each at most 0.7 of the name's width (the company's size beside the name), in the room
// left before the address. Where that room is less than the shared place gives them, they share the place as
// the sender's do.
std::pair<std::vector<TMm>, TMm> receiverCompanyAndName(const TMm &r, const TMm &address, bool vertical)
{
    auto shared = companyAndName(r, vertical);
    if (!vertical)
        return shared;
    const double width = (r.Right - r.Left) * 0.6;
    const double mid = (r.Left + r.Right) / 2;
    const TMm name{mid - width / 2, r.Top, mid + width / 2, r.Bottom};
    const double column = std::min((address.Left - 1 - name.Right) / 3, width * 0.7);
    if (column < shared.first[0].Right - shared.first[0].Left)
        return shared;
    return {split({name.Right, r.Top, name.Right + 3 * column, r.Bottom}, 3, true), name};
}

struct TLayout {
    std::vector<TMm> Combined;  // receiver code, address, name, barcode, then sender code, address, name, additions
    bool Vertical = false;
};

// The barcode's place: the largest bar size whose length fits room (mm) along the paper; the smallest where
// none does (the designers then print no barcode on that paper).
TMm barcode(double x, double y, double room, bool horizontal, bool rightAligned)
{
    int index = 0;
    FitBarcodeSize(int(room * 10), index);
    const QSize extent = BarcodeExtent(index, horizontal);
    const double w = extent.width() * 25.4 / 96, h = extent.height() * 25.4 / 96;
    if (rightAligned)
        x = std::max(x - w, 0.0);
    return {x, y, x + w, y + h};
}

// The right edge of the sender's column on a landscape postcard in horizontal writing.
constexpr double SenderColumnRight = 50;
// The right edge of the contact columns of a portrait postcard in vertical writing, short of the name's column
// in the paper's middle.
constexpr double ContactRight = 37;

TLayout addressLayout(const QString &layout, double w, double h, bool vertical)
{
    TLayout l;
    l.Vertical = vertical;
    auto &c = l.Combined;
    if (layout == QLatin1String("sheet")) {
        // A label or a card of a sheet: the receiver alone, horizontal, with a barcode where one fits; the name
        // under the address, taller than its lines, and the lowest 30 % left to the four additions.
        c = {{3, 2, w * 0.5, 7}, {3, 8, w - 3, h * 0.47}, {3, h * 0.5, w - 3, h * 0.7},
             barcode(w - 3, h * 0.5 - 4.5, w - 6, true, true)};
        return l;
    }
    const bool returnCard = layout == QLatin1String("return");
    const bool envelope = layout == QLatin1String("envelope");
    const double half = returnCard ? 100 : 0;  // the outgoing half of a return postcard
    const double left = half, right = w - 8;
    if (vertical) {
        c = {receiverBoxes(w), {right - 20, 24, right, h - 20}, {left + (w - half) / 2 - 11, 24,
                                                                   left + (w - half) / 2 + 11, h - 14},
             barcode(w - 6.5, 24, h - 29, false, false)};
    } else if (!returnCard && !envelope && w > h) {
        // A landscape postcard is too low for the sender under the receiver's name: the receiver stands right
        // of the sender's column under the stamp, the barcode at the foot as on a portrait postcard.
        c = {receiverBoxes(w), {SenderColumnRight + 4, 24, right, 48}, {SenderColumnRight + 4, 50, right, 74},
             barcode(right, h - 9, right - 8, true, true)};
    } else {
        // On a portrait postcard the barcode runs under the sender's boxes and contact line; on a low envelope
        // never over the name.
        c = {receiverBoxes(w), {left + 10, 28, right, 52}, {left + 10, 56, right, 80},
             barcode(right, envelope ? std::max(h - 22, 81.0) : h - 18, right - left - 8, true, true)};
    }
    if (returnCard) {
        // The reply half is addressed to the sender, in the receiver's places of that half.
        c.push_back({ReceiverBoxLefts[0], 12, 92.0, 20});
        c.push_back(vertical ? TMm{72, 24, 92, h - 20} : TMm{10, 28, 92, 52});
        c.push_back(vertical ? TMm{39, 24, 61, h - 14} : TMm{10, 56, 92, 80});
        // The contact lines as the paper writes them: columns left of the name, under the stamp's place, for
        // vertical writing; rows across the foot for horizontal writing.
        c.push_back(vertical ? TMm{ContactRight - 5, 36, ContactRight, h - 14} : TMm{10, h - 24, 92, h - 18});
        c.push_back(vertical ? TMm{ContactRight - 10, 36, ContactRight - 5, h - 14} : TMm{10, h - 17, 92, h - 11});
    } else if (envelope) {
        // The back: the sender below the middle, by the flap's seam for vertical writing.
        if (vertical) {
            c.push_back(senderBoxes(w / 2 - 20, h - 18));
            c.push_back({w / 2 + 1, h / 2, w / 2 + 13, h - 24});
            c.push_back({w / 2 - 13, h / 2, w / 2 - 1, h - 24});
            c.push_back({w / 2 - 21, h / 2, w / 2 - 15, h - 24});
            c.push_back({w / 2 + 15, h / 2, w / 2 + 21, h - 24});
        } else {
            c.push_back(senderBoxes(w / 2 - 20, h - 62));
            c.push_back({8, h - 54, w - 8, h - 42});
            c.push_back({8, h - 40, w - 8, h - 30});
            c.push_back({8, h - 28, w - 8, h - 22});
            c.push_back({8, h - 20, w - 8, h - 14});
        }
    } else if (vertical && w > h) {
        // A landscape postcard is too low for a company column between the stamp and the boxes: the sender's
        // columns stand right of both, left of the name.
        c.push_back(senderBoxes(0, h - 26));
        c.push_back({47, 24, 57, h - 8});
        c.push_back({35, 24, 47, h - 8});
        c.push_back({57, 24, 62, h - 8});
        // The second contact line a column as the first, left of the name, beside the stamp's place.
        c.push_back({30, 24, 35, h - 28});
    } else if (vertical) {
        // A postcard's front: the sender left of the name, above the printed boxes.
        c.push_back(senderBoxes(0, h - 26));
        c.push_back({17, 46, 27, h - 30});
        c.push_back({5, 46, 17, h - 30});
        c.push_back({ContactRight - 5, 46, ContactRight, h - 30});
        c.push_back({ContactRight - 10, 46, ContactRight - 5, h - 30});
    } else if (w > h) {
        // The contact lines and the address in the column above the boxes; the name beside and under the
        // boxes, across the paper, so a long company line keeps the smallest text size.
        c.push_back(senderBoxes(0, h - 26));
        c.push_back({8, 49, SenderColumnRight, h - 28});
        c.push_back({38, h - 24, w - 8, h - 12});
        c.push_back({8, 36, SenderColumnRight, 41});
        c.push_back({8, 42, SenderColumnRight, 47});
    } else {
        // The company lines over the sender's name take the room down to the boxes.
        c.push_back(senderBoxes(0, h - 26));
        c.push_back({8, h - 56, w - 8, h - 44});
        c.push_back({8, h - 43, w - 8, h - 27});
        c.push_back({8, h - 62, w - 8, h - 57});
        c.push_back({40, h - 26, w - 8, h - 20});
    }
    return l;
}

void fillRects(TPaperFormat &f, const TLayout &l)
{
    const auto &c = l.Combined;
    f.CombinedRectCount = int32_t(c.size());
    for (size_t i = 0; i < c.size(); ++i)
        f.CombinedRects[i] = rect(c[i]);
    std::vector<TMm> s;
    s.push_back(c[0]);
    for (const TMm &line : split(c[1], 3, l.Vertical))
        s.push_back(line);
    auto [company, name] = receiverCompanyAndName(c[2], c[1], l.Vertical);
    s.insert(s.end(), company.begin(), company.end());
    s.push_back(name);
    s.push_back(c[3]);
    if (c.size() > 4) {
        s.push_back(c[4]);
        for (const TMm &line : split(c[5], 3, l.Vertical))
            s.push_back(line);
        auto [senderCompany, senderName] = companyAndName(c[6], l.Vertical);
        s.insert(s.end(), senderCompany.begin(), senderCompany.end());
        s.push_back(senderName);
        for (const TMm &addition : {c[7], c[8]})
            for (const TMm &part : split(addition, 2, !l.Vertical))
                s.push_back(part);
    }
    f.SplitRectCount = int32_t(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        f.SplitRects[i] = rect(s[i]);
}

// The paper picture: white paper, the printed boxes in red, the stamp's place dashed.
QByteArray picture(double w, double h, const QString &layout)
{
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1mm\" height=\"%2mm\" "
                                 "viewBox=\"0 0 %1 %2\">\n<rect width=\"%1\" height=\"%2\" fill=\"#ffffff\"/>\n")
                      .arg(w)
                      .arg(h);
    const auto box = [&svg](double x, double y, double bw, double bh) {
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"none\" stroke=\"#e60012\" "
                              "stroke-width=\"0.4\"/>\n")
                   .arg(x)
                   .arg(y)
                   .arg(bw)
                   .arg(bh);
    };
    const auto boxes = [&](const double *lefts, double dx, double y, double bw, double bh) {
        for (int i = 0; i < 7; ++i)
            box(lefts[i] + dx, y, bw, bh);
        const double mid = y + bh / 2;
        svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#e60012\" "
                              "stroke-width=\"0.4\"/>\n")
                   .arg(lefts[2] + dx + bw + 0.3)
                   .arg(mid)
                   .arg(lefts[3] + dx - 0.3);
    };
    const auto stamp = [&svg](double x, double y) {
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"22\" height=\"26\" fill=\"none\" stroke=\"#e60012\" "
                              "stroke-width=\"0.3\" stroke-dasharray=\"1.5 1\"/>\n")
                   .arg(x)
                   .arg(y);
    };
    boxes(ReceiverBoxLefts, w - 100, 12, 5.7, 8);
    if (layout == QLatin1String("return")) {
        boxes(ReceiverBoxLefts, 0, 12, 5.7, 8);
        svg += QStringLiteral("<line x1=\"100\" y1=\"0\" x2=\"100\" y2=\"%1\" stroke=\"#999999\" stroke-width=\"0.3\" "
                              "stroke-dasharray=\"2 2\"/>\n")
                   .arg(h);
        stamp(108, 8);
    } else if (layout == QLatin1String("card")) {
        boxes(SenderBoxLefts, 0, h - 26, 4, 6);
        stamp(8, 8);
    } else {
        stamp(8, 8);
    }
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

QByteArray sjis(const QString &text)
{
    QString unmappable;
    const QByteArray bytes = Sjis::encode(text, &unmappable);
    if (!unmappable.isEmpty())
        throw std::runtime_error("not in Shift-JIS: " + text.toStdString());
    return bytes;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 4)
        return fail(QStringLiteral("usage: mkpaperformats <papers.txt> <Lyt.fmt> <picture folder>"));
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot read ") + input.fileName());
    const QString pictures = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(pictures);

    TMasterFormats master;
    const QStringList lines = QString::fromUtf8(input.readAll()).split(QLatin1Char('\n'));
    try {
        for (const QString &line : lines) {
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList c = line.split(QLatin1Char('\t'));
            if (c.size() != 7 && c.size() != 15)
                return fail(QStringLiteral("a line needs 7 or 15 columns: ") + line);
            const QStringList kinds = {QStringLiteral("postcard"), QStringLiteral("envelope"), QStringLiteral("label"),
                                       QStringLiteral("card")};
            const int kind = int(kinds.indexOf(c[0]));
            if (kind < 0)
                return fail(QStringLiteral("unknown kind: ") + c[0]);
            TPaperFormat f;
            f.Kind = uint8_t(kind);
            f.Category = sjis(c[1]);
            f.Name = sjis(c[2]);
            if (f.Category.size() > 20 || f.Name.size() > 30)
                return fail(QStringLiteral("category or name too long: ") + line);
            const int width = c[3].toInt(), height = c[4].toInt();
            const QString pictureFile = c[5] == QLatin1String("-") ? QString() : c[5];
            const QString layout = c[6];
            if (c.size() == 15) {
                TFormatCategory sheet;
                int32_t *fields[] = {&sheet.SheetWidth, &sheet.SheetHeight, &sheet.Columns,   &sheet.Rows,
                                     &sheet.LeftMargin, &sheet.TopMargin,   &sheet.ColumnGap, &sheet.RowGap};
                for (int i = 0; i < 8; ++i)
                    *fields[i] = c[7 + i].toInt();
                if (sheet.LeftMargin + sheet.Columns * width + (sheet.Columns - 1) * sheet.ColumnGap > sheet.SheetWidth ||
                    sheet.TopMargin + sheet.Rows * height + (sheet.Rows - 1) * sheet.RowGap > sheet.SheetHeight)
                    return fail(QStringLiteral("the papers leave the sheet: ") + line);
                master.Sheets.push_back(sheet);
                f.SheetIndex = int32_t(master.Sheets.size());
            }
            // Postcards: vertical then horizontal writing; envelopes also turned for landscape; sheets once.
            const int variants = kind == 0 ? 2 : kind == 1 ? 3 : 1;
            for (int direction = 0; direction < variants; ++direction) {
                TPaperFormat v = f;
                const bool landscape = kind == 1 && direction == 2;
                v.Direction = kind >= 2 ? 1 : direction;
                v.Width = landscape ? height : width;
                v.Height = landscape ? width : height;
                const bool vertical = kind < 2 && direction == 0;
                fillRects(v, addressLayout(layout, v.Width / 10.0, v.Height / 10.0, vertical));
                if (!pictureFile.isEmpty()) {
                    QString name = pictureFile;
                    if (landscape)
                        name.insert(name.lastIndexOf(QLatin1Char('.')), QLatin1Char('L'));
                    v.PictureFile = sjis(name);
                    if (v.PictureFile.size() > 15)
                        return fail(QStringLiteral("picture name too long: ") + name);
                    if (!ReplaceFileWhole(pictures + name, picture(v.Width / 10.0, v.Height / 10.0, layout)))
                        return fail(QStringLiteral("cannot write ") + pictures + name);
                }
                master.Formats.push_back(v);
            }
        }
    } catch (const std::exception &e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    if (master.Formats.empty() || master.Formats[0].Kind != 0)
        return fail(QStringLiteral("the first paper must be a postcard"));
    if (!ReplaceFileWhole(QString::fromLocal8Bit(argv[2]), master.Bytes()))
        return fail(QStringLiteral("cannot write ") + QString::fromLocal8Bit(argv[2]));
    return 0;
}
