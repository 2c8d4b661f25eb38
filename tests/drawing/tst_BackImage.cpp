// The letter background: its stream with kept JPEG bytes, mirror state and version gate, damaged streams,
// turned pictures saved and loaded without flipping, the picture placements on the screen and at 600 dpi,
// and a tiled page in a PDF read back with pdftoppm.
#include "HostileJpegs.h"
#include "ObjectTestSupport.h"
#include "drawing/BackImage.h"
#include "drawing/BitmapTransform.h"

#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

const QColor Red(255, 0, 0), Green(0, 255, 0), Blue(0, 0, 255), Yellow(255, 255, 0);

// Four quadrants of different colours, so every mirror and turn shows.
QImage quadrants(int width, int height)
{
    QImage image(width, height, Bitmap24Format);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Yellow);
    return image;
}

TJpegImage jpeg(int width, int height)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    quadrants(width, height).save(&buffer, "JPG", 95);
    TJpegImage image;
    image.LoadFromData(data);
    return image;
}

// The box of the pixels that are not white.
QRect paintedBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 10 && std::abs(a.green() - b.green()) <= 10 && std::abs(a.blue() - b.blue()) <= 10;
}

void expectEmpty(const TBackImage &back)
{
    EXPECT_EQ(back.Kind(), 0);
    EXPECT_TRUE(back.Picture().isNull());
    EXPECT_FALSE(back.KeptJpeg().has_value());
}

// The picture fitted to the page, mirrored and turned back, at 200 dpi: a background whose every setting is stored.
void fitMirrored(TBackImage &back, const TJpegImage &picture)
{
    back.SetKind(TBackImage::Fitted);
    back.SetPictureFile(picture);
    back.FlipPicture(1);
    back.RotatePicture(0);
    back.SetResolution(200);
}

}  // namespace

TEST(BackImage, StreamsKeepJpegBytesAndRefuseDamage)
{
    // A JPEG is stored as loaded, with the mirror state that brings back what was shown.
    const TJpegImage picture = jpeg(40, 24);
    TBackImage back;
    fitMirrored(back, picture);
    const QByteArray bytes = SavedObject(back);
    ASSERT_EQ(bytes.mid(1, 7), QByteArray::fromHex("03000000958f98"));  // "jpg", complemented
    EXPECT_EQ(bytes.mid(12, picture.Data().size()), picture.Data());
    EXPECT_EQ(bytes.size(), 1 + 7 + 4 + picture.Data().size() + 3 + 4 + 1);

    TBackImage loaded;
    EXPECT_EQ(LoadObject(loaded, bytes), 0);
    EXPECT_EQ(loaded.Picture(), back.Picture());
    EXPECT_EQ(loaded.Resolution(), 200);
    EXPECT_EQ(SavedObject(loaded), bytes);
    TBackImage copy;
    copy.Assign(loaded);
    EXPECT_EQ(SavedObject(copy), bytes);

    // A bitmap, a colour and a gradient come back byte for byte; version 300 has no turned byte.
    TBackImage bitmap;
    bitmap.SetKind(TBackImage::Tiled);
    bitmap.SetPictureFile(TBitmapGraphic(quadrants(9, 5)));
    TBackImage colour;
    colour.SetKind(TBackImage::Colour);
    colour.SetColor1(0x123456);
    TBackImage gradient;
    gradient.SetKind(TBackImage::Gradient);
    gradient.SetColor1(0x010203);
    gradient.SetColor2(0x040506);
    gradient.SetGradientAngle(123);
    for (const TBackImage *source : {&bitmap, &colour, &gradient}) {
        const QByteArray record = SavedObject(*source);
        TBackImage again;
        EXPECT_EQ(LoadObject(again, record), 0);
        EXPECT_EQ(SavedObject(again), record);
        EXPECT_EQ(again.Picture(), source->Picture());
        TBackImage old;
        old.SetTurned(true);
        EXPECT_EQ(LoadObject(old, record.chopped(1), 300), 0);
        EXPECT_FALSE(old.Turned());
        EXPECT_EQ(old.Kind(), source->Kind());
    }
    EXPECT_EQ(SavedObject(gradient).size(), 1 + 4 + 4 + 4 + 1);

    // A picture kind still without a picture is stored as no background, which loads.
    TBackImage pending;
    pending.SetKind(TBackImage::Centred);
    TBackImage reloaded;
    EXPECT_EQ(LoadObject(reloaded, SavedObject(pending)), 0);
    expectEmpty(reloaded);

    // Cut anywhere, a count beyond the bytes left, an unknown kind or turn: refused, nothing kept.
    for (int cut = 0; cut < bytes.size(); cut += cut < 20 ? 1 : 97) {
        TBackImage damaged;
        damaged.SetKind(TBackImage::Colour);
        EXPECT_THROW(LoadObject(damaged, bytes.left(cut)), EStreamError) << cut;
        expectEmpty(damaged);
    }
    QByteArray huge = bytes;
    huge.replace(8, 4, QByteArray::fromHex("f0ffffff"));
    TBackImage refused;
    EXPECT_THROW(LoadObject(refused, huge), EStreamError);
    expectEmpty(refused);
    EXPECT_TRUE(RefusedUnderMemoryLimit([&] { LoadObject(refused, huge); }));
    EXPECT_THROW(LoadObject(refused, QByteArray::fromHex("0900")), EStreamError);
    QByteArray badTurn = bytes;
    badTurn[12 + picture.Data().size() + 2] = 7;
    EXPECT_THROW(LoadObject(refused, badTurn), EInvalidGraphic);
    expectEmpty(refused);

    // A picture that cannot be decoded is left out and stored back as it was read.
    QByteArray broken = bytes;
    broken.replace(12 + 2, picture.Data().size() - 4, QByteArray(picture.Data().size() - 4, '\x55'));
    TBackImage left;
    EXPECT_EQ(LoadObject(left, broken), 0);
    EXPECT_EQ(left.Kind(), TBackImage::Fitted);
    EXPECT_TRUE(left.PictureRefused());
    EXPECT_EQ(SavedObject(left), broken);
}

TEST(BackImage, AJpegRefusedForItsScansOrSizeShowsNothingAndIsStoredBackAsItWasRead)
{
    const TJpegImage picture = jpeg(40, 24);
    TBackImage back;
    fitMirrored(back, picture);
    back.SetTurned(true);
    const QByteArray bytes = SavedObject(back);
    for (const QByteArray &refused : {ProgressiveJpeg(64, 64, MaxJpegScans), ProgressiveJpeg(18000, 18000, 1)}) {
        const QByteArray stored = WithJpegReplaced(bytes, picture.Data(), refused);
        TBackImage loaded;
        EXPECT_EQ(LoadObject(loaded, stored), 0);
        EXPECT_EQ(loaded.Kind(), TBackImage::Fitted);
        EXPECT_TRUE(loaded.Picture().isNull());
        EXPECT_TRUE(loaded.PictureRefused());
        EXPECT_TRUE(loaded.Turned()) << "the fields after the picture are read";
        loaded.SetRect({0, 0, 200, 300});
        loaded.Refresh(true);
        EXPECT_TRUE(loaded.IsEmpty());
        // The user's picture is not lost by saving, nor by passing through a copy (undo, the clipboard).
        EXPECT_EQ(SavedObject(loaded), stored);
        TBackImage copy;
        copy.Assign(loaded);
        EXPECT_EQ(SavedObject(copy), stored);
    }
    // One that decodes is not taken for refused.
    TBackImage shown;
    EXPECT_EQ(LoadObject(shown, bytes), 0);
    EXPECT_FALSE(shown.PictureRefused());
}

TEST(BackImage, TurnedPicturesSaveAndLoadWithoutFlipping)
{
    // A bitmap held turned with the page looks the same after saving and loading.
    const QImage picture = quadrants(12, 8);
    TBackImage turned;
    turned.SetTurned(true);
    turned.SetKind(TBackImage::Centred);
    turned.SetPictureFile(TBitmapGraphic(picture));
    EXPECT_EQ(turned.Picture(), RotateBitmap(picture, 2));
    TBackImage loaded;
    LoadObject(loaded, SavedObject(turned));
    EXPECT_TRUE(loaded.Turned());
    EXPECT_EQ(loaded.Picture(), turned.Picture());
    EXPECT_EQ(SavedObject(loaded), SavedObject(turned));

    // So does a JPEG mirrored and turned by the user in every order, turned page or not.
    const TJpegImage photo = jpeg(30, 18);
    const QList<QList<int>> edits = {{0}, {1}, {10}, {11}, {12}, {0, 11}, {11, 0}, {1, 10, 0, 12}, {10, 1, 11, 0, 1}};
    for (bool page : {false, true}) {
        for (const QList<int> &steps : edits) {
            TBackImage back;
            back.SetTurned(page);
            back.SetKind(TBackImage::Fitted);
            back.SetPictureFile(photo);
            for (int step : steps) {
                if (step < 10)
                    back.FlipPicture(uint8_t(step));
                else
                    back.RotatePicture(uint8_t(step - 10));
            }
            TBackImage again;
            LoadObject(again, SavedObject(back));
            EXPECT_EQ(again.Picture(), back.Picture()) << page << " " << steps.size() << " " << steps.first();
            EXPECT_EQ(again.MirrorState(), back.MirrorState());
        }
    }
    // Turning the page afterwards turns the picture held, and that too survives a save.
    TBackImage late;
    late.SetKind(TBackImage::Tiled);
    late.SetPictureFile(TBitmapGraphic(picture));
    late.SetTurned(true);
    EXPECT_EQ(late.Picture(), RotateBitmap(picture, 2));
    TBackImage lateLoaded;
    LoadObject(lateLoaded, SavedObject(late));
    EXPECT_EQ(lateLoaded.Picture(), late.Picture());
}

TEST(BackImage, ScreenPlacements)
{
    TBackImage back;
    back.SetExtent(QPoint(1000, 500));  // 378 x 189 pixels at 96 dpi
    back.SetRect({0, 0, 378, 189});
    back.SetKind(TBackImage::Fitted);
    back.SetPictureFile(TBitmapGraphic(quadrants(100, 100)));
    back.Refresh(false);
    // Fitted: 189 x 189, centred across.
    const QImage &fitted = back.Rendered();
    ASSERT_EQ(fitted.size(), QSize(378, 189));
    EXPECT_EQ(fitted.pixelColor(94, 0), Red);
    EXPECT_EQ(fitted.pixelColor(93, 0), QColor(Qt::white));
    EXPECT_EQ(fitted.pixelColor(282, 188), Yellow);
    EXPECT_EQ(fitted.pixelColor(283, 188), QColor(Qt::white));

    // Centred at its own size: 300 x 150 pixels at 300 dpi is 96 x 48, 192 x 96 at zoom 2.
    back.SetKind(TBackImage::Centred);
    back.SetPictureFile(TBitmapGraphic(quadrants(300, 150)));
    back.SetResolution(300);
    back.SetZoom(2);
    back.Refresh(false);
    EXPECT_EQ(back.Rendered().size(), QSize(756, 378));
    EXPECT_EQ(paintedBox(back.Rendered().convertToFormat(QImage::Format_RGB32)), QRect(282, 141, 192, 96));

    // Tiled on a turned page: from the bottom-right corner, the partial tiles at the top and left.
    back.SetZoom(1);
    back.SetKind(TBackImage::Tiled);
    back.SetTurned(true);
    back.SetPictureFile(TBitmapGraphic(quadrants(50, 40)));
    back.SetResolution(96);
    back.Refresh(false);
    const QImage &tiles = back.Rendered();
    for (int x : {328, 278, 28})
        EXPECT_EQ(tiles.pixelColor(x, 149), Yellow) << x;  // a turned tile starts with its yellow quadrant
    EXPECT_EQ(tiles.pixelColor(27, 149), Blue);
    EXPECT_EQ(tiles.pixelColor(0, 0), tiles.pixelColor(50, 40));

    // A colour over part of the page, drawn where that part lies.
    back.SetKind(TBackImage::Colour);
    back.SetColor1(0x00FF00);
    back.SetRect({100, 50, 300, 150});
    QImage screen = WhitePage(400, 250);
    {
        QPainter painter(&screen);
        TCanvas canvas(painter, 96, 96);
        back.Draw(canvas, 10, 20);
    }
    EXPECT_EQ(back.DrawOffset(), QPoint(100, 50));
    EXPECT_EQ(paintedBox(screen), QRect(110, 70, 200, 100));
    back.SetKind(TBackImage::None);
    back.Refresh(true);
    EXPECT_TRUE(back.IsEmpty());
}

class BackImageAt600 : public ::testing::Test {
protected:
    static constexpr TRenderTarget Printer{true, 600, 600, 0, 0};
    static QImage printed(TBackImage &back, QPoint offset = {}, bool whole = true, int half = 0)
    {
        QImage page = WhitePage(2400, 1200);
        back.Print(Printer, offset, whole, half, QSize(2300, 1100));
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        back.PaintTo(canvas, 0, 0);
        return page;
    }
};

TEST_F(BackImageAt600, APhotographOpensAsLargeAsTheBoundAllowsAndIsPlacedAtItsOwnSize)
{
    // 24 megapixels, progressive, without chroma subsampling: its coefficients (137 MiB) and its pixels at full
    // size (69 MiB) fit the bound together.
    const QByteArray photo = PhotoJpeg(6000, 4000);
    const TJpegImage standIn = jpeg(8, 8);
    TBackImage stand;
    stand.SetKind(TBackImage::Centred);
    stand.SetPictureFile(standIn);
    stand.SetResolution(3000);
    const QByteArray stored = WithJpegReplaced(SavedObject(stand), standIn.Data(), photo);
    TBackImage back;
    ASSERT_EQ(LoadObject(back, stored), 0);
    EXPECT_FALSE(back.PictureRefused());
    EXPECT_EQ(back.Picture().size(), QSize(6000, 4000));
    EXPECT_EQ(SavedObject(back), stored);

    // At 3,000 dpi it is 2 x 1.33 inches, as its own 6,000 x 4,000 pixels say: 192 x 128 on the screen,
    // 1,200 x 800 at 600 dpi, centred on a page of 100 x 50 mm; turned a quarter, the other way round, and
    // cut by the page at the top and bottom.
    back.SetExtent(QPoint(1000, 500));
    back.SetRect({0, 0, 378, 189});
    back.Refresh(false);
    EXPECT_EQ(paintedBox(back.Rendered().convertToFormat(QImage::Format_RGB32)), QRect(93, 30, 192, 128));
    EXPECT_EQ(paintedBox(printed(back)), QRect(581, 190, 1200, 800));
    back.RotatePicture(1);
    back.Refresh(false);
    EXPECT_EQ(paintedBox(back.Rendered().convertToFormat(QImage::Format_RGB32)), QRect(125, 0, 128, 189));
    EXPECT_EQ(paintedBox(printed(back)).size(), QSize(800, 1181));
}

TEST(BackImage, A64MegapixelPhotographFillingAPagePrintsAt600PpiWithinHalfAGigabyte)
{
    // A camera's photograph re-saved progressive without chroma subsampling (385 MB of coefficients), the
    // background of an A4 page in landscape, which needs 6,615 of its 9,248 pixels across at 600 dpi.
    const QByteArray photo = PhotoJpeg(9248, 6936, {.Quality = 90});
    const TJpegImage standIn = jpeg(8, 8);
    TBackImage stand;
    stand.SetKind(TBackImage::Fitted);
    stand.SetPictureFile(standIn);
    const QByteArray stored = WithJpegReplaced(SavedObject(stand), standIn.Data(), photo);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    const QString peak = dir.filePath(QStringLiteral("peak"));
    // Opened as a document holding it is and printed, in a process of its own whose peak is measured.
    ASSERT_EQ(test::RunWithAddressSpaceLimit(qint64(1) << 40,
                                             [&] {
                                                 const TPeakMemory memory;
                                                 TBackImage back;
                                                 if (LoadObject(back, stored) != 0 || back.PictureRefused())
                                                     return 3;
                                                 back.SetExtent(QPoint(2970, 2100));
                                                 QPdfWriter writer(pdf);
                                                 writer.setResolution(600);
                                                 writer.setPageMargins(QMarginsF(0, 0, 0, 0));
                                                 writer.setPageSize(QPageSize(QSizeF(297, 210), QPageSize::Millimeter));
                                                 QPainter painter(&writer);
                                                 TCanvas canvas(painter, 600, 600);
                                                 back.Print(canvas.Target(), QPoint(0, 0), true, 0, QSize());
                                                 back.PaintTo(canvas, 0, 0);
                                                 painter.end();
                                                 test::writeFile(peak, QByteArray::number(memory.GrownBytes()));
                                                 return 0;
                                             }),
              0);
    const std::vector<TPdfImage> images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Size, QSize(6615, 4961));
    EXPECT_GE(images[0].Ppi, 598);
#if !defined(VELMORA_SANITIZE)
    // The address sanitizer's shadow memory and quarantine would count in the peak.
    EXPECT_LT(test::readFile(peak).toLongLong(), qint64(512) << 20);
#endif
}

TEST_F(BackImageAt600, PrintedPlacements)
{
    TBackImage back;
    back.SetExtent(QPoint(1000, 500));  // 2362 x 1181 at 600 dpi
    back.SetKind(TBackImage::Centred);
    back.SetPictureFile(TBitmapGraphic(quadrants(60, 30)));
    back.SetResolution(300);
    // 300 dpi on a 600-dpi printer: twice the pixel size, centred on the page.
    QImage page = printed(back);
    EXPECT_EQ(back.PrintRect(), (TRect{0, 0, 2362, 1181}));
    EXPECT_EQ(paintedBox(page), QRect(1121, 560, 120, 60));
    EXPECT_EQ(page.pixelColor(1121, 560), Red);
    EXPECT_EQ(page.pixelColor(1240, 619), Yellow);

    // Moved by the offset in 0.1 mm; cut to the printer's page and the left half.
    page = printed(back, QPoint(100, 0));
    EXPECT_EQ(paintedBox(page), QRect(1121 + 236, 560, 120, 60));
    back.Print(Printer, QPoint(0, 0), false, 1, QSize(2300, 1100));
    EXPECT_EQ(back.PrintRect(), (TRect{0, 0, 1181, 1100}));

    // A picture without a resolution prints at 72 dpi.
    back.SetResolution(0);
    EXPECT_EQ(paintedBox(printed(back)).size(), QSize(500, 250));
    back.SetResolution(300);

    // Fitted: the whole height.
    back.SetKind(TBackImage::Fitted);
    EXPECT_EQ(paintedBox(printed(back)), QRect(0, 0, 2362, 1181));

    // Tiled on a turned page: whole tiles end at the bottom-right corner, partial ones at the top left.
    back.SetKind(TBackImage::Tiled);
    back.SetTurned(true);
    page = printed(back);
    EXPECT_EQ(page.pixelColor(2361, 1180), Red);     // a turned tile ends with its red quadrant
    EXPECT_EQ(page.pixelColor(2362 - 120, 1181 - 60), Yellow);
    EXPECT_EQ(page.pixelColor(2362 - 1200, 1181 - 600), Yellow);
    EXPECT_EQ(page.pixelColor(2362, 100), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(2, 2), page.pixelColor(2 + 120 * 2, 2 + 60 * 3));

    // A white colour prints nothing; another fills the page.
    back.SetKind(TBackImage::Colour);
    back.SetColor1(0xFFFFFF);
    EXPECT_TRUE(paintedBox(printed(back)).isNull());
    back.SetColor1(0x000000);
    EXPECT_EQ(paintedBox(printed(back)), QRect(0, 0, 2362, 1181));
    back.SetKind(TBackImage::Gradient);
    back.SetColor1(0x000000);
    back.SetColor2(0xFFFFFF);
    back.SetGradientAngle(90);
    page = printed(back);
    EXPECT_EQ(page.pixelColor(3, 600), QColor(Qt::black));
    EXPECT_GT(qGray(page.pixel(2300, 600)), 240);
    back.FreePrintCache();
}

TEST_F(BackImageAt600, ATiledPageInAPdf)
{
    TBackImage back;
    back.SetExtent(QPoint(254, 127));  // 150 x 75 at 150 dpi
    back.SetKind(TBackImage::Tiled);
    back.SetPictureFile(TBitmapGraphic(quadrants(40, 20)));
    back.SetResolution(150);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("back.pdf"));
    {
        QPdfWriter writer(file);
        writer.setResolution(150);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(200 * 25.4 / 150, 100 * 25.4 / 150), QPageSize::Millimeter));
        QPainter painter(&writer);
        TCanvas canvas(painter, 150, 150);
        back.Print(canvas.Target(), QPoint(0, 0), true, 0, QSize(200, 100));
        back.PaintTo(canvas, 0, 0);
    }
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"),
                                                QStringLiteral("-singlefile"), file, dir.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(pdftoppm.waitForFinished(60000));
    ASSERT_EQ(pdftoppm.exitCode(), 0) << pdftoppm.readAllStandardError().toStdString();
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    // Tiles of 40 x 20 from the top left, the last column cut at the page's 150 pixels.
    EXPECT_TRUE(near(page.pixelColor(5, 5), Red));
    EXPECT_TRUE(near(page.pixelColor(125, 5), Red));
    EXPECT_TRUE(near(page.pixelColor(35, 15), Yellow));
    EXPECT_TRUE(near(page.pixelColor(125, 72), Blue));
    EXPECT_TRUE(near(page.pixelColor(145, 72), Yellow));
    EXPECT_TRUE(near(page.pixelColor(155, 5), Qt::white));
    EXPECT_TRUE(near(page.pixelColor(5, 78), Qt::white));
}

TEST_F(BackImageAt600, TinyTilesPrintInRowsWithTheSamePixelsAndBoundedWork)
{
    // 4 x 4 quadrants at 600 dpi: half a million tiles of 4 pixels, from the top left or, turned, from the
    // bottom right, each pixel the picture's as one tile would show it.
    for (bool turned : {false, true}) {
        TBackImage back;
        back.SetExtent(QPoint(1000, 500));  // 2362 x 1181
        back.SetKind(TBackImage::Tiled);
        back.SetPictureFile(TBitmapGraphic(quadrants(4, 4)));
        back.SetResolution(600);
        back.SetTurned(turned);
        const QImage page = printed(back);
        KeepSamplePage(page, turned ? "background-tiny-tiles-turned" : "background-tiny-tiles");
        const QColor colours[2][2] = {{Red, Green}, {Blue, Yellow}};
        int wrong = 0;
        for (int y = 0; y < 1100; y += 7) {
            for (int x = 0; x < 2300; x += 5) {
                // A turned page holds its picture turned by a half turn.
                const int tx = turned ? 3 - ((x - 2362) % 4 + 4) % 4 : x % 4;
                const int ty = turned ? 3 - ((y - 1181) % 4 + 4) % 4 : y % 4;
                wrong += page.pixelColor(x, y) != colours[ty / 2][tx / 2];
            }
        }
        EXPECT_EQ(wrong, 0) << turned;
    }
    // One-pixel tiles on a 1200-dpi postcard, 33 million of them, print in moments.
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(1) << 30, [] {
                  alarm(10);
                  TBackImage back;
                  back.SetExtent(QPoint(1000, 1480));
                  back.SetKind(TBackImage::Tiled);
                  back.SetPictureFile(TBitmapGraphic(quadrants(12, 12)));
                  back.SetResolution(14400);
                  QImage page = WhitePage(100, 100);
                  back.Print(test::PrinterAt(1200), QPoint(0, 0), true, 0, QSize(4724, 6992));
                  QPainter painter(&page);
                  TCanvas canvas(painter, 1200, 1200);
                  back.PaintTo(canvas, 0, 0);
                  return 0;
              }),
              0);
}
