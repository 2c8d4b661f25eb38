// The customer barcode object: its fixed extents and bar-size choice, what it keeps in a document, the loader
// of Kvstripe.so with its codes and messages, and real barcodes printed at 300, 600 and 1200 dpi and in PDF,
// measured against Japan Post's limits and read back.
#include "ObjectTestSupport.h"
#include "TestSupport.h"

#include "base/RuntimeLibrary.h"
#include "base/SjisCodec.h"
#include "drawing/BarcodeRect.h"
#include "drawing/PrintJob.h"
#include "Kvstripe/BarcodeImage.h"
#include "Kvstripe/Kvstripe.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <limits>


namespace {

QString dicFolder() { return test::appDir() + QStringLiteral("Dic/"); }

// Dark runs along row y of area: one per bar that crosses it.
int barsAcross(const QImage &image, const QRect &area, int y)
{
    int bars = 0;
    bool dark = false;
    for (int x = area.left(); x <= area.right(); ++x) {
        const bool now = qGray(image.pixel(x, y)) < 128;
        bars += now && !dark;
        dark = now;
    }
    return bars;
}

class BarcodePrinted : public test::PrintedPage {};

}  // namespace

TEST(BarcodeRect, SizeFollowsBarSizeAndDirectionAndOnlyMoves)
{
    // A side in 0.1 mm takes the largest bar size whose barcode is shorter: 682, 744, 806 and 930 long.
    int index = -1;
    EXPECT_FALSE(FitBarcodeSize(682, index));
    EXPECT_EQ(index, -1);
    for (const auto &[side, expected] : {std::pair{683, 0}, {744, 0}, {745, 1}, {806, 1}, {807, 2}, {930, 2}, {931, 3},
                                         {2000, 3}}) {
        ASSERT_TRUE(FitBarcodeSize(side, index)) << side;
        EXPECT_EQ(index, expected) << side;
    }

    TBarcodeRect barcode;
    barcode.SetRect({100, 100, 900, 900});
    EXPECT_EQ(barcode.GetRect(), (TRect{100, 100, 358, 111}));
    barcode.SetBarSize(3);
    EXPECT_EQ(barcode.GetRect(), (TRect{54, 98, 405, 113}));  // the centre stays
    barcode.SetHorizontal(0);
    EXPECT_EQ(barcode.GetRect().Width(), 351);  // until the next SetRect
    barcode.SetRect({7, 8, 9, 10});
    EXPECT_EQ(barcode.GetRect(), (TRect{7, 8, 22, 359}));

    // A drag by 10 screen pixels at zoom 2 moves it 5 units and keeps its size.
    barcode.SetRect({100, 100, 0, 0});
    barcode.SetZoom(2.0);
    const TRect shown = barcode.GetDispRect();
    barcode.SetDispRect({shown.Left + 10, shown.Top, shown.Right + 40, shown.Bottom + 40});
    EXPECT_EQ(barcode.GetRect(), (TRect{105, 100, 120, 451}));
    EXPECT_EQ(barcode.HitTest(shown.Left + 12, shown.Top + 1), Qt::ArrowCursor);
    EXPECT_EQ(barcode.GetKind(), 9);
}

TEST(BarcodeRect, StreamRoundTripsAndReadsOlderVersions)
{
    TBarcodeRect barcode;
    barcode.SetHorizontal(0);
    barcode.SetBarSize(2);
    barcode.SetRect({30, 40, 0, 0});
    barcode.Visible = 0;
    const QByteArray bytes = SavedObject(barcode);
    EXPECT_EQ(bytes, QByteArray::fromHex("1e000000280000002b00000058010000" "00" "02" "00"));

    TBarcodeRect copy;
    LoadObject(copy, bytes, CurrentStreamVersion);
    EXPECT_EQ(SavedObject(copy), bytes);
    EXPECT_EQ(copy.GetRect(), (TRect{30, 40, 43, 344}));

    // Before version 200 the visible flag follows the rectangle as its own byte, before the bar size.
    TBarcodeRect old;
    LoadObject(old, QByteArray::fromHex("1e000000280000002b00000058010000" "00" "01" "01"), 150);
    EXPECT_EQ(old.Visible, 0);
    EXPECT_EQ(old.BarSize(), 1);
    EXPECT_EQ(old.Horizontal(), 1);
    EXPECT_EQ(old.GetRect(), (TRect{30, 40, 30 + 281, 40 + 12}));

    for (qsizetype size = 0; size < bytes.size(); ++size) {
        TBarcodeRect cut;
        EXPECT_THROW(LoadObject(cut, bytes.left(size), CurrentStreamVersion), EStreamError) << size;
    }
}

TEST(BarcodeRect, MissingLibraryIsReportedOnceToTheCallerAndNeverCalled)
{
    QTemporaryDir program;  // a program folder without Kvstripe.so
    QTemporaryDir work;
    const QString programFolder = program.path() + QLatin1Char('/');
    const QString workFolder = work.path() + QLatin1Char('/');
    {
        TBarcodeRect first;
        TBarcodeRect second;
        const TBarcodeLoadFailure failure =
            first.MakeBarcode("1000013", Sjis::encode(u"霞が関1-3-2"), programFolder, dicFolder(), workFolder);
        EXPECT_EQ(failure.Text, QStringLiteral("Kvstripe.so\r\nDLLのロードに失敗しました"));
        EXPECT_EQ(failure.Caption, QStringLiteral("Kvstripe.so LoadLibrary Error"));
        EXPECT_TRUE(first.GetImage().isNull());

        // Later users are not told again, and learn that nothing is loaded.
        TBarcodeLoadFailure later;
        EXPECT_EQ(LoadBarcodeLibrary(test::appDir(), &later), BarcodeLibraryMissing);
        EXPECT_TRUE(later.IsEmpty());
        FreeBarcodeLibrary();
        EXPECT_TRUE(
            second.MakeBarcode("1000013", Sjis::encode(u"霞が関1-3-2"), test::appDir(), dicFolder(), workFolder)
                .IsEmpty());
        EXPECT_TRUE(second.GetImage().isNull());
        EXPECT_EQ(CallCreateAdrsBar("1000013", "x", 0, test::appDir(), dicFolder(), workFolder + "b.bmp"),
                  BarcodeLibraryNotLoaded);
    }
    // Once the last user is gone, the next load tries again.
    TBarcodeLoadFailure loaded;
    ASSERT_EQ(LoadBarcodeLibrary(test::appDir(), &loaded), 0);
    EXPECT_TRUE(loaded.IsEmpty());
    FreeBarcodeLibrary();

    // A library without the entry point.
    ASSERT_TRUE(
        QFile::copy(test::appDir() + QStringLiteral("Kvdash.so"), programFolder + QStringLiteral("Kvstripe.so")));
    TBarcodeLoadFailure failure;
    EXPECT_EQ(LoadBarcodeLibrary(programFolder, &failure), BarcodeFunctionMissing);
    EXPECT_EQ(failure.Text, QStringLiteral("CreateAdrsBar\r\n関数の割り当てに失敗しました"));
    EXPECT_EQ(failure.Caption, QStringLiteral("Kvstripe.so GetProcAddress Error"));
    EXPECT_EQ(CallCreateAdrsBar("1000013", "x", 0, programFolder, dicFolder(), workFolder + "b.bmp"),
              BarcodeLibraryNotLoaded);
    EXPECT_TRUE(QDir(work.path()).isEmpty());
}

TEST_F(BarcodePrinted, RealAddressPrintsItsBarsInsideTheRectangle)
{
    QTemporaryDir work;
    const QString workFolder = work.path() + QLatin1Char('/');
    TBarcodeRect shared;  // holds the library while the others come and go
    shared.MakeBarcode("", "x", test::appDir(), dicFolder(), workFolder);
    EXPECT_TRUE(shared.GetImage().isNull());  // no postal code, no barcode
    for (const uint8_t horizontal : {1, 0}) {
        TBarcodeRect barcode;
        barcode.SetHorizontal(horizontal);
        barcode.SetBarSize(horizontal ? 3 : 0);
        barcode.SetRect({200, 300, 0, 0});
        // Half-width numbers reach the library full width.
        barcode.MakeBarcode("1000013", Sjis::encode(u"東京都千代田区霞が関1-3-2 郵便プラザ503室"),
                            test::appDir(), dicFolder(), workFolder);
        ASSERT_FALSE(barcode.GetImage().isNull());
        EXPECT_TRUE(QDir(work.path()).isEmpty()) << "the library's file is removed";

        QImage page = blank(4000, 3496);
        barcode.CalcPrintRect(Printer, QPoint(0, 0), true);
        {
            QPainter painter(&page);
            TCanvas canvas(painter, 600, 600);
            barcode.Print(canvas, 0, 0);
        }
        const QRect printed = barcode.PrintRect().ToQRect();
        const QRect bars = InkBox(page, page.rect());
        EXPECT_TRUE(printed.contains(bars)) << horizontal;
        // The long side is filled end to end, and all 67 bars of the barcode cross its middle line.
        if (horizontal) {
            EXPECT_EQ(printed, QRect(1250, 1875, 2194, 94));
            EXPECT_GT(bars.width(), printed.width() * 9 / 10);
            EXPECT_EQ(barsAcross(page, printed, printed.center().y()), 67);
        } else {
            EXPECT_EQ(printed.size(), QSize(69, 1613));
            EXPECT_GT(bars.height(), printed.height() * 9 / 10);
            EXPECT_EQ(barsAcross(page.transformed(QTransform().rotate(-90)),
                                 QRect(printed.top(), page.width() - 1 - printed.right(), printed.height(),
                                       printed.width()),
                                 page.width() - 1 - printed.center().x()),
                      67);
        }
    }
    // The others released their references; the library stays loaded for the one left.
    EXPECT_EQ(CallCreateAdrsBar("", "x", 0, test::appDir(), dicFolder(), QString()), KVSTRIPE_BAD_POSTAL_CODE);
}

namespace {

// A bar as printed: its columns along the barcode and its rows across it, in page pixels (inclusive).
struct TPrintedBar {
    int First = 0, Last = 0;
    int Top = 0, Bottom = 0;
};

// The bars of a horizontal barcode inside area, from the left.
QList<TPrintedBar> printedBars(const QImage &page, const QRect &area)
{
    QList<TPrintedBar> bars;
    bool inBar = false;
    for (int x = area.left(); x <= area.right() + 1; ++x) {
        int top = -1, bottom = -1;
        for (int y = area.top(); x <= area.right() && y <= area.bottom(); ++y)
            if (qGray(page.pixel(x, y)) < 128) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        if (top < 0) {
            inBar = false;
            continue;
        }
        if (!inBar)
            bars.append({x, x, top, bottom});
        inBar = true;
        TPrintedBar &bar = bars.last();
        bar.Last = x;
        bar.Top = std::min(bar.Top, top);
        bar.Bottom = std::max(bar.Bottom, bottom);
    }
    return bars;
}

// What the bars say, read from where they reach: both ends a long bar, the upper or lower end a half bar.
std::vector<kvstripe::TBar> readBars(const QList<TPrintedBar> &bars)
{
    int top = std::numeric_limits<int>::max(), bottom = 0;
    for (const TPrintedBar &bar : bars) {
        top = std::min(top, bar.Top);
        bottom = std::max(bottom, bar.Bottom);
    }
    const int slack = (bottom - top) / 6;
    std::vector<kvstripe::TBar> read;
    for (const TPrintedBar &bar : bars) {
        const bool upper = bar.Top - top < slack, lower = bottom - bar.Bottom < slack;
        read.push_back(upper && lower ? kvstripe::TBar::Long
                       : upper        ? kvstripe::TBar::Upper
                       : lower        ? kvstripe::TBar::Lower
                                      : kvstripe::TBar::Timing);
    }
    return read;
}

// Japan Post's limits for a barcode of a points, in mm per a / 10.
struct TLimits {
    double Least, Most;
};
constexpr TLimits BarWidth{0.50, 0.70}, BarSpace{0.45, 0.60}, BarPitch{0.95, 1.30}, LongBar{3.40, 3.60},
    TimingBar{1.05, 1.35};

// Every measure of the printed bars at dpi within the limits for a points; a failure names what and where.
void expectWithinLimits(const QList<TPrintedBar> &bars, int points, int dpi, const std::string &where)
{
    const double mm = 25.4 / dpi;
    const double scale = points / 10.0;
    const auto check = [&](const char *what, int pixels, TLimits limits, int bar) {
        const double length = pixels * mm;
        EXPECT_TRUE(length >= limits.Least * scale - 1e-9 && length <= limits.Most * scale + 1e-9)
            << where << ": " << what << " of bar " << bar << " is " << length << " mm, limits "
            << limits.Least * scale << " to " << limits.Most * scale;
    };
    const std::vector<kvstripe::TBar> kinds = readBars(bars);
    for (qsizetype i = 0; i < bars.size(); ++i) {
        check("width", bars[i].Last - bars[i].First + 1, BarWidth, int(i));
        if (i + 1 < bars.size()) {
            check("space", bars[i + 1].First - bars[i].Last - 1, BarSpace, int(i));
            check("pitch", bars[i + 1].First - bars[i].First, BarPitch, int(i));
        }
        const int length = bars[i].Bottom - bars[i].Top + 1;
        if (kinds[size_t(i)] == kvstripe::TBar::Long)
            check("long bar", length, LongBar, int(i));
        if (kinds[size_t(i)] == kvstripe::TBar::Timing)
            check("timing bar", length, TimingBar, int(i));
    }
}

// The data the library gives for a postal code and address, as its caller's buffer receives it.
std::string libraryData(const QByteArray &postalCode, const QByteArray &address, const QString &workFolder)
{
    TRuntimeLibrary library;
    EXPECT_TRUE(library.Load(test::appDir(), QStringLiteral("Kvstripe.dll")));
    const auto create = reinterpret_cast<TCreateAdrsBar>(library.GetProcAddress("CreateAdrsBar"));
    char buffer[KVSTRIPE_BUFFER_SIZE] = {};
    const QByteArray file = QFile::encodeName(workFolder + QStringLiteral("data.bmp"));
    EXPECT_EQ(create(postalCode.constData(), address.constData(), 0, buffer, "",
                     QFile::encodeName(dicFolder()).constData(), file.constData()),
              KVSTRIPE_OK);
    QFile::remove(QString::fromLocal8Bit(file));
    return buffer;
}

}  // namespace

TEST_F(BarcodePrinted, BarsKeepJapanPostsLimitsAtEverySizeOnPrintersAndInPdf)
{
    QTemporaryDir work;
    const QString workFolder = work.path() + QLatin1Char('/');
    const QByteArray postalCode = "1000013";
    const QByteArray address = Sjis::encode(u"東京都千代田区霞が関１－３－２郵便プラザ５０３室");
    const std::vector<kvstripe::TBar> expected = kvstripe::Bars(libraryData(postalCode, address, workFolder));
    ASSERT_EQ(expected.size(), 67u);

    for (int index = 0; index < 4; ++index) {
        const int points = 8 + index;
        for (const uint8_t horizontal : {1, 0}) {
            TBarcodeRect barcode;
            barcode.SetHorizontal(horizontal);
            barcode.SetBarSize(index);
            barcode.SetRect({4, 4, 0, 0});
            barcode.MakeBarcode(postalCode, address, test::appDir(), dicFolder(), workFolder);
            ASSERT_FALSE(barcode.GetImage().isNull());
            // The barcode's rectangle, turned so that it reads from the left with its upper ends at the top.
            const auto reading = [horizontal](const QImage &page, const QRect &area) {
                const QImage cut = page.copy(area).convertToFormat(QImage::Format_Grayscale8);
                const QImage turned = horizontal ? cut : cut.transformed(QTransform().rotate(-90));
                return printedBars(turned, turned.rect());
            };

            for (const int dpi : {300, 600, 1200}) {
                const std::string where = std::to_string(points) + " pt, " + (horizontal ? "across" : "down")
                                          + ", printer at " + std::to_string(dpi) + " dpi";
                barcode.CalcPrintRect(test::PrinterAt(dpi), QPoint(0, 0), true);
                const QRect area = barcode.PrintRect().ToQRect();
                QImage page = blank(area.right() + 50, area.bottom() + 50);
                {
                    QPainter painter(&page);
                    TCanvas canvas(painter, dpi, dpi);
                    barcode.Print(canvas, 0, 0);
                }
                EXPECT_TRUE(area.contains(InkBox(page))) << where;
                const QList<TPrintedBar> bars = reading(page, area);
                expectWithinLimits(bars, points, dpi, where);
                EXPECT_EQ(readBars(bars), expected) << where;
            }

            // A PDF at 600 dpi, as the PDF printer writes it, read back at 600 and 1200 dpi.
            barcode.CalcPrintRect(Printer, QPoint(0, 0), true);
            const QString pdf = work.filePath(QStringLiteral("barcode.pdf"));
            {
                QPdfWriter writer(pdf);
                const TRect r = barcode.GetRect();
                writer.setPageSize(QPageSize(QSizeF((r.Right + 4) * 25.4 / 96, (r.Bottom + 4) * 25.4 / 96),
                                             QPageSize::Millimeter));
                writer.setPageMargins(QMarginsF(0, 0, 0, 0));
                writer.setResolution(600);
                TPrintJob job(writer, pdf);
                TCanvas canvas(job.Painter(), 600, 600);
                barcode.Print(canvas, 0, 0);
                job.End();
            }
            for (const int dpi : {600, 1200}) {
                const std::string where = std::to_string(points) + " pt, " + (horizontal ? "across" : "down")
                                          + ", PDF read at " + std::to_string(dpi) + " dpi";
                const QImage page = RenderedPdfPage(pdf, dpi);
                const QRect printed = barcode.PrintRect().ToQRect();
                const QRect area(printed.topLeft() * dpi / 600, printed.size() * dpi / 600);
                const QList<TPrintedBar> bars = reading(page, area);
                expectWithinLimits(bars, points, dpi, where);
                EXPECT_EQ(readBars(bars), expected) << where;
            }
        }
    }
}

TEST(BarcodeRect, ABarSizeTheTableDoesNotHaveIsRefused)
{
    TBarcodeRect barcode;
    barcode.SetBarSize(3);
    QByteArray bytes = SavedObject(barcode);
    TBarcodeRect copy;
    EXPECT_EQ(LoadObject(copy, bytes), 0);
    EXPECT_EQ(copy.BarSize(), 3);
    for (char size : {'\x04', '\xFF'}) {
        bytes[17] = size;
        EXPECT_THROW(LoadObject(copy, bytes), EStreamError) << int(uchar(size));
    }
}
