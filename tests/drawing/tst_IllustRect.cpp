// The picture object: its record over every version with bitmap and JPEG pictures, damaged records, the
// cut-out following the object, the screen image, and pictures printed at 300 and 600 dpi into images and
// PDF pages.
#include "HostileJpegs.h"
#include "ObjectTestSupport.h"
#include "TestSupport.h"

#include "base/Units.h"
#include "core/SharedHelpers.h"
#include "drawing/BitmapHelpers.h"
#include "drawing/BitmapTransform.h"
#include "drawing/IllustRect.h"

#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

const char *const DocumentedMessage = "画像が読み込めませんでした  ";

const QColor Red(220, 30, 30);
const QColor Green(0, 180, 0);
const QColor Blue(30, 30, 220);
const QColor Yellow(230, 200, 0);
const QColor Grey(128, 128, 128);

// Quadrants red, green (top right), blue (bottom left) and yellow.
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

TJpegImage jpegOf(const QImage &image)
{
    TJpegImage jpeg;
    jpeg.LoadFromData(JpegFileOf(image));
    return jpeg;
}

// object at rect showing picture, a bitmap.
void place(TIllustRect &object, const TRect &rect, const QImage &picture)
{
    object.SetRect(rect);
    const TBitmapGraphic graphic(picture);
    object.SetPicture(&graphic);
}

// A graphic of a kind the object cannot hold.
class TOtherGraphic : public TGraphic {
public:
    QByteArray Extension() const override { return "PNG"; }
    bool Empty() const override { return false; }
    const QImage &Bitmap() const override { return image_; }

private:
    QImage image_ = quadrants(4, 4);
};

QString maskFile(int number)
{
    return test::appDir() + QStringLiteral("Common/Mask/Itm%1.svg").arg(number, 2, 10, QLatin1Char('0'));
}

// The mask-file list as the designers make it, two shapes: the ellipse and the rounded rectangle.
class IllustWithMasks : public ::testing::Test {
protected:
    void SetUp() override
    {
        AddMaskFileName(maskFile(1));
        AddMaskFileName(maskFile(2));
    }
    void TearDown() override
    {
        FreeMaskFileList();
    }
};

QByteArray saved(const std::vector<const TDrawRect *> &objects)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    for (const TDrawRect *object : objects)
        object->SaveToStream(stream);
    return buffer.data();
}

// The message of the refusal of bytes, or "" when they load.
std::string refusal(const QByteArray &bytes)
{
    TIllustRect object;
    try {
        LoadObject(object, bytes, CurrentStreamVersion);
    } catch (const EStreamError &e) {
        return e.what();
    }
    return "";
}

bool near(const QColor &at, const QColor &colour, int tolerance = 12)
{
    return std::abs(at.red() - colour.red()) <= tolerance && std::abs(at.green() - colour.green()) <= tolerance
           && std::abs(at.blue() - colour.blue()) <= tolerance;
}

// The object as the card shows it at 96 dpi on a grey screen of that size.
QImage drawnOnScreen(TIllustRect &object, int width, int height)
{
    QImage screen(width, height, QImage::Format_RGB32);
    screen.fill(Grey);
    QPainter painter(&screen);
    TCanvas canvas(painter, 96, 96);
    object.Draw(canvas, 0, 0);
    return screen;
}

}  // namespace

TEST(IllustRect, BitmapAndJpegPicturesRoundTripByteForByte)
{
    TIllustRect bitmap;
    place(bitmap, {10, 20, 110, 90}, quadrants(6, 4));
    EXPECT_EQ(bitmap.Extension(), "bmp");
    EXPECT_EQ(bitmap.KeptJpeg(), nullptr);
    bitmap.FlipPicture(0);
    bitmap.Reserved = 0xDEADBEEF;
    bitmap.SetMaskRect({20, 30, 60, 70});
    bitmap.SetMaskIndex(4);
    bitmap.SetMaskTurned(1);
    bitmap.Frame.SetVisible(1);
    bitmap.Frame.SetColor(0x123456);
    const QByteArray bitmapRecord = SavedObject(bitmap);
    TIllustRect bitmapBack;
    EXPECT_EQ(LoadObject(bitmapBack, bitmapRecord, CurrentStreamVersion), 0);
    EXPECT_EQ(SavedObject(bitmapBack), bitmapRecord);
    // The mirrored bitmap itself is what is stored.
    EXPECT_EQ(bitmapBack.GetPicture().pixelColor(0, 0), Green);
    EXPECT_EQ(bitmapBack.MaskIndex(), 4);
    EXPECT_EQ(bitmapBack.MaskRect(), (TRect{20, 30, 60, 70}));

    // A JPEG keeps its file bytes, mirrored and turned only by the three state bytes after them.
    const TJpegImage jpeg = jpegOf(quadrants(64, 48));
    TIllustRect photo;
    photo.SetRect({0, 0, 96, 96});
    photo.SetPicture(&jpeg);
    EXPECT_EQ(photo.Extension(), "jpg");
    photo.FlipPicture(0);
    photo.RotatePicture(1);
    EXPECT_EQ(photo.Orientation(), 1);
    const QImage shown = photo.GetPicture();
    EXPECT_EQ(shown.size(), QSize(48, 64));
    const QByteArray record = SavedObject(photo);
    const qsizetype at = record.indexOf(jpeg.Data());
    ASSERT_GT(at, 0);
    EXPECT_EQ(record.mid(at + jpeg.Data().size(), 3), QByteArray("\x01\x00\x01", 3));
    TIllustRect photoBack;
    EXPECT_EQ(LoadObject(photoBack, record, CurrentStreamVersion), 0);
    EXPECT_EQ(photoBack.GetPicture(), shown);
    EXPECT_EQ(SavedObject(photoBack), record);

    // Both mirrors are a half turn.
    TIllustRect twice;
    twice.SetPicture(&jpeg);
    twice.FlipPicture(0);
    twice.FlipPicture(1);
    EXPECT_EQ(twice.MirrorH(), 0);
    EXPECT_EQ(twice.MirrorV(), 0);
    EXPECT_EQ(twice.Orientation(), 2);
    EXPECT_EQ(twice.GetPicture(), RotateBitmap(jpeg.Bitmap(), 2));
    // A mirror after a quarter turn: the state still gives the picture shown.
    photoBack.FlipPicture(1);
    photoBack.RotatePicture(0);
    const QImage turnedBack = photoBack.GetPicture();
    EXPECT_EQ(LoadObject(photoBack, SavedObject(photoBack), CurrentStreamVersion), 0);
    EXPECT_EQ(photoBack.GetPicture(), turnedBack);

    // A picture of another kind keeps its extension but stores none, so the next object reads as written.
    TIllustRect other;
    const TOtherGraphic png;
    other.SetPicture(&png);
    EXPECT_EQ(other.Extension(), "png");
    EXPECT_TRUE(other.GetPicture().isNull());
    QBuffer document;
    document.setData(saved({&other, &bitmap}));
    document.open(QIODevice::ReadOnly);
    TObjectStream stream(document);
    TIllustRect first, second;
    first.LoadFromStream(stream);
    second.LoadFromStream(stream);
    EXPECT_TRUE(first.GetPicture().isNull());
    EXPECT_EQ(SavedObject(second), bitmapRecord);
    EXPECT_EQ(stream.BytesLeft(), 0);

    TIllustRect copy;
    copy.Assign(photo);
    EXPECT_EQ(SavedObject(copy), record);
}

TEST(IllustRect, OlderVersionsRead)
{
    TIllustRect object;
    place(object, {10, 20, 110, 90}, quadrants(6, 4));
    object.SetMaskIndex(1);
    object.SetMaskRect({30, 30, 60, 60});
    object.SetMaskTurned(1);
    const QByteArray record600 = SavedObject(object);
    // From the end: the turned byte, the frame (13), the colour (4), the cut-out (16), the mask number (4).
    const qsizetype maskAt = record600.size() - 38;
    const auto withMask = [&](QByteArray record, qint32 mask) {
        record.replace(maskAt, 4, QByteArray(reinterpret_cast<const char *>(&mask), 4));
        return record;
    };
    struct TCase {
        int Version;
        QByteArray Record;
        int Mask;
        TRect Cut;
    };
    const QByteArray record300 = record600.chopped(1);
    QByteArray record200 = withMask(record300, 0);
    record200.remove(maskAt + 4, 16);
    record200.remove(16, 1);
    for (const TCase &c : {TCase{600, record600, 1, {30, 30, 60, 60}}, TCase{300, record300, 1, {30, 30, 60, 60}},
                           TCase{250, withMask(record300, 1), 2, {30, 30, 60, 60}},
                           TCase{201, withMask(record300, 0), 0, {30, 30, 60, 60}},
                           TCase{200, record200, 0, {10, 20, 110, 90}}}) {
        TIllustRect back;
        EXPECT_EQ(LoadObject(back, c.Record, c.Version), 0) << c.Version;
        EXPECT_EQ(back.MaskIndex(), c.Mask) << c.Version;
        EXPECT_EQ(back.MaskRect(), c.Cut) << c.Version;
        EXPECT_EQ(back.MaskTurned(), c.Version > 300 ? 1 : 0) << c.Version;
        EXPECT_EQ(back.GetRect(), (TRect{10, 20, 110, 90})) << c.Version;
        EXPECT_EQ(back.GetPicture(), object.GetPicture()) << c.Version;
    }
}

TEST(IllustRect, DamagedRecordsAreRefusedAndTheNextLoadsAsUsual)
{
    TIllustRect object;
    place(object, {0, 0, 50, 50}, quadrants(6, 4));
    const QByteArray bitmapRecord = SavedObject(object);
    const TJpegImage jpeg = jpegOf(quadrants(16, 16));
    object.SetPicture(&jpeg);
    const QByteArray jpegRecord = SavedObject(object);
    const qsizetype imageAt = 17 + 4 + 3;  // object record, extension "bmp"
    for (qsizetype cut = 0; cut < bitmapRecord.size(); ++cut) {
        const std::string message = refusal(bitmapRecord.left(cut));
        ASSERT_NE(message, "") << cut;
        if (cut >= imageAt && cut < imageAt + 14 + 40 + 4 * 20) {
            EXPECT_EQ(message, DocumentedMessage) << cut;
        }
    }
    for (qsizetype cut = 0; cut < jpegRecord.size(); ++cut)
        ASSERT_NE(refusal(jpegRecord.left(cut)), "") << cut;

    // A JPEG length beyond the record is refused before anything is allocated for it.
    const qsizetype lengthAt = 17 + 4 + 3;
    QByteArray huge = jpegRecord;
    huge.replace(lengthAt, 4, QByteArray("\xF0\xFF\xFF\xFF", 4));
    EXPECT_EQ(refusal(huge), "The object stream holds a count larger than its remaining data.");
    EXPECT_TRUE(RefusedUnderMemoryLimit([&] {
        TIllustRect target;
        LoadObject(target, huge, 600);
    }));

    // Damaged picture data of the right length: the picture is left out, the object and the next load, and the
    // bytes are stored back as they were read. A damaged bitmap, whose length only its header gives, is refused.
    QByteArray garbled = jpegRecord;
    for (qsizetype i = lengthAt + 4 + 2; i < lengthAt + 4 + jpeg.Data().size() - 2; ++i)
        garbled[i] = char(0x5A);
    TIllustRect left;
    EXPECT_EQ(LoadObject(left, garbled + bitmapRecord), bitmapRecord.size());
    EXPECT_TRUE(left.GetPicture().isNull());
    EXPECT_TRUE(left.PictureRefused());
    EXPECT_EQ(SavedObject(left), garbled);
    QByteArray notBitmap = bitmapRecord;
    notBitmap[imageAt] = 'X';
    EXPECT_EQ(refusal(notBitmap), DocumentedMessage);
    TIllustRect next;
    EXPECT_EQ(LoadObject(next, jpegRecord, CurrentStreamVersion), 0);
    EXPECT_EQ(next.GetPicture(), jpeg.Bitmap());
}

// The record of a picture object at rect whose JPEG is jpeg, with a transparent colour when one is given.
QByteArray recordWithJpeg(const TRect &rect, const QByteArray &jpeg, uint32_t colour = clNone)
{
    TIllustRect object;
    object.SetRect(rect);
    const TJpegImage standIn = jpegOf(quadrants(8, 8));
    object.SetPicture(&standIn);
    object.SetTransparentColor(colour);
    return WithJpegReplaced(SavedObject(object), standIn.Data(), jpeg);
}

TEST(IllustRect, AJpegIsDecodedNoLargerThanTheObjectPrintsItAndStoredAsItWas)
{
    // 100 x 148 mm, 3,494 pixels long at 600 dpi: a quarter of 18,000 pixels covers it, an eighth does not.
    const QByteArray huge = BaselineJpeg(18000, 18000);
    const QByteArray record = recordWithJpeg({0, 0, 378, 559}, huge);
    TIllustRect object;
    ASSERT_EQ(LoadObject(object, record), 0);
    EXPECT_EQ(object.GetPicture().size(), QSize(4500, 4500));
    ASSERT_NE(object.KeptJpeg(), nullptr);
    EXPECT_EQ(SavedObject(object), record);

    // A picture with a transparent colour keeps the pixels the colour was picked from: its full size.
    const QByteArray photo = BaselineJpeg(2000, 1000);
    TIllustRect small;
    ASSERT_EQ(LoadObject(small, recordWithJpeg({0, 0, 48, 24}, photo)), 0);
    EXPECT_EQ(small.GetPicture().size(), QSize(750, 375)) << "300 pixels a side, turned either way";
    ASSERT_EQ(LoadObject(small, recordWithJpeg({0, 0, 48, 24}, photo, 0x808080)), 0);
    EXPECT_EQ(small.GetPicture().size(), QSize(2000, 1000));
}

// The record of a picture object at rect whose JPEG is jpeg, mirrored left to right and turned a quarter clockwise.
QByteArray turnedRecordWithJpeg(const TRect &rect, const QByteArray &jpeg)
{
    TIllustRect object;
    object.SetRect(rect);
    const TJpegImage standIn = jpegOf(quadrants(8, 8));
    object.SetPicture(&standIn);
    object.FlipPicture(0);
    object.RotatePicture(1);
    return WithJpegReplaced(SavedObject(object), standIn.Data(), jpeg);
}

TEST(IllustRect, AJpegRefusedForItsScansOrSizeShowsNothingAndIsStoredBackAsItWasRead)
{
    TIllustRect word;
    place(word, {0, 0, 40, 40}, quadrants(4, 4));
    const QByteArray next = SavedObject(word);
    const std::pair<QByteArray, QSize> refusals[] = {{ProgressiveJpeg(64, 48, MaxJpegScans), QSize(64, 48)},
                                                     {ProgressiveJpeg(18000, 12000, 1), QSize(18000, 12000)}};
    for (const auto &[refused, size] : refusals) {
        const QByteArray record = turnedRecordWithJpeg({0, 0, 378, 559}, refused);
        TIllustRect object;
        ASSERT_EQ(LoadObject(object, record + next), next.size());
        EXPECT_TRUE(object.GetPicture().isNull());
        EXPECT_TRUE(object.PictureRefused());
        EXPECT_EQ(object.GetRect(), TRect(0, 0, 378, 559));
        EXPECT_EQ(drawnOnScreen(object, 400, 600).pixelColor(200, 300), Grey);
        // Its own size is known from the header, turned as it shows.
        EXPECT_EQ(object.PictureSize(), size.transposed());
        // The user's picture and its mirror and turn are not lost by saving, nor by a copy (undo, the
        // clipboard), nor by a new size.
        EXPECT_EQ(SavedObject(object), record);
        TIllustRect copy;
        copy.Assign(object);
        EXPECT_EQ(SavedObject(copy), record);
        object.SetRect({0, 0, 700, 900});
        EXPECT_TRUE(object.PictureRefused());
    }
}

TEST(IllustRect, AJpegEnlargedAfterOpeningIsDecodedAgainAtTheScaleItsNewSizeNeeds)
{
    // 12 x 6 layout units want 75 pixels a side at 600 dpi: 5/8 of 240 x 120 covers them.
    const TJpegImage photo = jpegOf(quadrants(240, 120));
    TIllustRect object;
    ASSERT_EQ(LoadObject(object, turnedRecordWithJpeg({0, 0, 12, 6}, photo.Data())), 0);
    ASSERT_EQ(object.GetPicture().size(), QSize(75, 150));
    // The own size comes from the picture, not from the pixels decoded for the small object.
    EXPECT_EQ(object.PictureSize(), QSize(120, 240));

    // Enlarged, it holds the pixels an object opened at that size holds, mirrored and turned the same.
    const TRect large{0, 0, 60, 120};
    object.SetRect(large);
    TIllustRect opened;
    ASSERT_EQ(LoadObject(opened, turnedRecordWithJpeg(large, photo.Data())), 0);
    ASSERT_EQ(opened.GetPicture().size(), QSize(120, 240));
    EXPECT_EQ(object.GetPicture(), opened.GetPicture());

    // And prints from them: at 600 dpi the 375 x 750 pixels are the whole picture stretched, not 75 x 150.
    const auto printed = [](TIllustRect &picture) {
        QImage page = WhitePage(375, 750);
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        picture.CalcPrintRect(canvas.Target(), QPoint(0, 0), true);
        picture.Print(canvas, 0, 0);
        painter.end();
        return page;
    };
    EXPECT_EQ(printed(object), printed(opened));

    // Made smaller again it keeps what it has: no decoding for less.
    const QImage before = object.GetPicture();
    object.SetRect({0, 0, 12, 6});
    EXPECT_EQ(object.GetPicture().constBits(), before.constBits());
}

TEST_F(IllustWithMasks, MaskAndColourExcludeEachOtherAndAMissingShapeIsNoMask)
{
    TIllustRect object;
    place(object, {0, 0, 96, 96}, quadrants(40, 40));
    object.SetMaskIndex(0);
    EXPECT_TRUE(object.HasMaskImage());
    object.SetTransparentColor(0x00FF00);
    EXPECT_EQ(object.MaskIndex(), -1);
    EXPECT_FALSE(object.HasMaskImage());
    object.SetMaskIndex(1);
    EXPECT_EQ(object.TransparentColor(), clNone);
    EXPECT_TRUE(object.HasMaskImage());

    // A number beyond the list leaves no shape, not the one chosen before: the picture prints whole, and the
    // number is kept for the document.
    object.SetMaskIndex(5);
    EXPECT_FALSE(object.HasMaskImage());
    QImage page = WhitePage(320, 320);
    {
        QPainter painter(&page);
        TCanvas canvas(painter, 300, 300);
        PrintObject(object, canvas);
    }
    EXPECT_TRUE(near(page.pixelColor(2, 2), Red));
    EXPECT_TRUE(near(page.pixelColor(297, 297), Yellow));
    EXPECT_EQ(SavedObject(object).right(38).left(4), QByteArray("\x05\x00\x00\x00", 4));
}

TEST(IllustRect, TheCutOutFollowsTheObjectAndItsHandles)
{
    TIllustRect object;
    object.SetRect({0, 0, 100, 100});
    EXPECT_EQ(object.MaskRect(), (TRect{0, 0, 100, 100}));
    object.SetMaskRect({10, 20, 60, 70});
    object.SetRect({50, 50, 250, 100});
    EXPECT_EQ(object.MaskRect(), (TRect{70, 60, 170, 85}));
    object.SetZoom(2);
    EXPECT_EQ(object.DispMaskRect(), (TRect{140, 120, 340, 170}));
    object.SetDispRect({100, 100, 300, 200});
    EXPECT_EQ(object.GetRect(), (TRect{50, 50, 150, 100}));
    EXPECT_EQ(object.MaskRect(), (TRect{60, 60, 110, 85}));

    // An object without width has no share to keep: the cut-out becomes the whole object.
    TIllustRect flat;
    flat.SetRect({0, 0, 0, 50});
    flat.SetMaskRect({0, 0, 10, 10});
    flat.SetRect({0, 0, 100, 100});
    EXPECT_EQ(flat.MaskRect(), (TRect{0, 0, 100, 100}));

    object.SetMaskRect({100, 100, 200, 160});
    EXPECT_EQ(object.GetCursorAt(102, 99), Qt::SizeFDiagCursor);
    EXPECT_EQ(object.GetCursorAt(199, 159), Qt::SizeFDiagCursor);
    EXPECT_EQ(object.GetCursorAt(199, 100), Qt::SizeBDiagCursor);
    EXPECT_EQ(object.GetCursorAt(100, 130), Qt::SizeHorCursor);
    EXPECT_EQ(object.GetCursorAt(150, 160), Qt::SizeVerCursor);
    EXPECT_EQ(object.GetCursorAt(120, 140), Qt::SizeAllCursor);
    EXPECT_EQ(object.GetCursorAt(20, 20), Qt::ArrowCursor);
}

TEST_F(IllustWithMasks, ScreenImageShowsTheCutOutTheColourAndFollowsChanges)
{
    TIllustRect object;
    place(object, {10, 10, 110, 90}, quadrants(50, 40));
    object.SetMaskIndex(0);
    // The ellipse on the left half, turned a half turn on the screen: on the right half.
    object.SetMaskRect({10, 10, 60, 90});
    object.SetMaskTurned(1);
    const auto drawn = [&] { return drawnOnScreen(object, 120, 100); };
    QImage screen = drawn();
    EXPECT_EQ(object.DisplayCache().size(), QSize(100, 80));
    EXPECT_TRUE(near(screen.pixelColor(35, 50), Grey));
    EXPECT_TRUE(near(screen.pixelColor(85, 30), Green));
    EXPECT_TRUE(near(screen.pixelColor(85, 70), Yellow));
    EXPECT_TRUE(near(screen.pixelColor(62, 12), Grey));

    object.SetTransparentColor(BgrFromColor(Green));
    screen = drawn();
    EXPECT_TRUE(near(screen.pixelColor(85, 30), Grey));
    EXPECT_TRUE(near(screen.pixelColor(35, 30), Red));
    EXPECT_TRUE(near(screen.pixelColor(35, 70), Blue));

    object.Frame.SetVisible(1);
    EXPECT_TRUE(object.DisplayCache().isNull());
    object.SetTransparentColor(clNone);
    object.SetPrintMode(true);
    screen = drawn();
    EXPECT_FALSE(object.DisplayCache().isNull());
    EXPECT_TRUE(near(screen.pixelColor(10, 50), Qt::black, 0));
    EXPECT_TRUE(near(screen.pixelColor(85, 30), Green));
}

namespace {

// Six pictures of 600 x 400 pixels, each 1.5 x 1 inches: plain, mirrored, turned; cut to the ellipse,
// framed, and with green left out through a clip region.
std::vector<std::unique_ptr<TIllustRect>> scene()
{
    const QImage picture = quadrants(600, 400);
    std::vector<std::unique_ptr<TIllustRect>> objects;
    for (int i = 0; i < 6; ++i) {
        auto object = std::make_unique<TIllustRect>();
        place(*object, {24 + 192 * (i % 3), 24 + 192 * (i / 3), 168 + 192 * (i % 3), 120 + 192 * (i / 3)}, picture);
        objects.push_back(std::move(object));
    }
    objects[1]->FlipPicture(0);
    objects[2]->RotatePicture(1);
    objects[3]->SetMaskIndex(0);
    objects[4]->Frame.SetVisible(1);
    objects[4]->Frame.SetWidthIndex(1);
    objects[5]->SetTransparentColor(BgrFromColor(Green));
    objects[5]->AltPrinting = 1;
    return objects;
}

void printScene(QPainter &painter, int dpi, std::vector<std::unique_ptr<TIllustRect>> &objects)
{
    TCanvas canvas(painter, dpi, dpi);
    for (auto &object : objects)
        PrintObject(*object, canvas);
}

// page at the fraction (fx, fy) of object i's printed rectangle at dpi.
QColor at(const QImage &page, int i, int dpi, double fx, double fy)
{
    const double left = (24 + 192 * (i % 3)) * dpi / 96.0;
    const double top = (24 + 192 * (i / 3)) * dpi / 96.0;
    return page.pixelColor(int(left + fx * 1.5 * dpi), int(top + fy * dpi));
}

void expectScene(const QImage &page, int dpi)
{
    const QColor White(255, 255, 255);
    const double edge = 3.0 / 300;  // 3 pixels at 300 dpi
    // Position and size: the plain picture from its first to its last pixel.
    EXPECT_TRUE(near(at(page, 0, dpi, edge, edge), Red));
    EXPECT_TRUE(near(at(page, 0, dpi, -edge, 0.5 - edge), White));
    EXPECT_TRUE(near(at(page, 0, dpi, 1 - edge, 1 - edge), Yellow));
    EXPECT_TRUE(near(at(page, 0, dpi, 1 + edge, 0.9), White));
    EXPECT_TRUE(near(at(page, 0, dpi, 0.9, 1 + edge * 1.5), White));
    EXPECT_TRUE(near(at(page, 0, dpi, 0.75, 0.25), Green));
    // Mirrored left to right.
    EXPECT_TRUE(near(at(page, 1, dpi, 0.25, 0.25), Green));
    EXPECT_TRUE(near(at(page, 1, dpi, 0.75, 0.75), Blue));
    // Turned clockwise: the bottom left quadrant comes to the top left.
    EXPECT_TRUE(near(at(page, 2, dpi, 0.25, 0.25), Blue));
    EXPECT_TRUE(near(at(page, 2, dpi, 0.75, 0.25), Red));
    EXPECT_TRUE(near(at(page, 2, dpi, 0.75, 0.75), Green));
    // The ellipse: the corners cut away, the picture inside up to near the edges' middles.
    EXPECT_TRUE(near(at(page, 3, dpi, 0.04, 0.06), White));
    EXPECT_TRUE(near(at(page, 3, dpi, 0.96, 0.94), White));
    EXPECT_TRUE(near(at(page, 3, dpi, 0.03, 0.45), Red));
    EXPECT_TRUE(near(at(page, 3, dpi, 0.5 - edge, 0.03), Red));
    EXPECT_TRUE(near(at(page, 3, dpi, 0.7, 0.7), Yellow));
    // The frame, 6/96 inch wide, and the picture inside it.
    const double line = 6.0 / 96;
    EXPECT_TRUE(near(at(page, 4, dpi, line / 1.5 / 2, 0.5), Qt::black));
    EXPECT_TRUE(near(at(page, 4, dpi, 0.5, line / 2), Qt::black));
    EXPECT_TRUE(near(at(page, 4, dpi, line / 1.5 + edge, line + edge), Red));
    EXPECT_TRUE(near(at(page, 4, dpi, 1 - line / 1.5 - edge, 1 - line - edge), Yellow));
    // Green left out, the rest kept.
    EXPECT_TRUE(near(at(page, 5, dpi, 0.75, 0.25), White));
    EXPECT_TRUE(near(at(page, 5, dpi, 0.25, 0.25), Red));
    EXPECT_TRUE(near(at(page, 5, dpi, 0.75, 0.75), Yellow));
}

class PrintedPictures : public IllustWithMasks, public ::testing::WithParamInterface<int> {};

}  // namespace

TEST_P(PrintedPictures, OnImagesAndPdfPagesAtThePrinterResolution)
{
    const int dpi = GetParam();
    auto objects = scene();
    QImage page = WhitePage(6 * dpi, 4 * dpi);
    {
        QPainter painter(&page);
        printScene(painter, dpi, objects);
    }
    expectScene(page, dpi);
    // Larger than the printed area, the picture is shrunk once for the printer; smaller, it is stretched.
    if (dpi == 300) {
        ASSERT_NE(objects[0]->PrintCache(), nullptr);
        EXPECT_EQ(objects[0]->PrintCache()->size(), QSize(450, 300));
    } else {
        EXPECT_EQ(objects[0]->PrintCache(), nullptr);
    }

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("pictures.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(dpi);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(6, 4), QPageSize::Inch));
        QPainter painter(&writer);
        printScene(painter, dpi, objects);
    }
    const QImage rendered = RenderedPdfPage(pdf, dpi);
    ASSERT_EQ(rendered.size(), page.size());
    expectScene(rendered, dpi);
}

INSTANTIATE_TEST_SUITE_P(Dpi, PrintedPictures, ::testing::Values(300, 600));

namespace {

// object printed alone into a PDF page of its size at 600 dpi, as the PDF printer prints.
void printToPdf(TIllustRect &object, const QString &pdf)
{
    QPdfWriter writer(pdf);
    writer.setResolution(600);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(object.GetRect().Width(), object.GetRect().Height()) * 25.4 / LayoutDpi,
                                 QPageSize::Millimeter));
    QPainter painter(&writer);
    TCanvas canvas(painter, 600, 600);
    PrintObject(object, canvas);
}

}  // namespace

TEST(IllustRect, PhotographsOfUpTo64MegapixelsPrintAt600PpiInTheirFrameWithinHalfAGigabyte)
{
    // As cameras and phones make them: 64 megapixels re-saved progressive at quality 90 with the colour
    // subsampled, whose coefficients alone take 193 MB, and 48 megapixels progressive without subsampling,
    // 288 MB. In a frame of 100 x 75 mm, a picture needs 2,363 pixels across at 600 dpi. 64 megapixels without
    // subsampling, 385 MB of coefficients, filling an A4 page needs 7,016 pixels across: the whole picture,
    // 192 MB more; turned upright as a phone's portrait shot is, its pixels are held once, turned.
    QTemporaryDir dir;
    const TRect postcardFrame{0, 0, 378, 284};
    const TRect pageFrame{0, 0, 1123, 794};
    const TRect portraitPageFrame{0, 0, 794, 1123};
    for (const auto &[name, size, subsampled, frame, turned] :
         {std::tuple{"64 MP 4:2:0", QSize(9248, 6936), true, postcardFrame, false},
          std::tuple{"48 MP 4:4:4", QSize(8000, 6000), false, postcardFrame, false},
          std::tuple{"64 MP 4:4:4 on A4", QSize(9248, 6936), false, pageFrame, false},
          std::tuple{"64 MP 4:2:0 turned upright on A4", QSize(9248, 6936), true, portraitPageFrame, true}}) {
        SCOPED_TRACE(name);
        const QString file = dir.filePath(QStringLiteral("写真.jpg"));
        test::writeFile(file, PhotoJpeg(size.width(), size.height(), {.Subsampled = subsampled, .Quality = 90}));
        const QString inserted = dir.filePath(QStringLiteral("inserted.pdf"));
        const QString opened = dir.filePath(QStringLiteral("opened.pdf"));
        const QString peak = dir.filePath(QStringLiteral("peak"));
        // Inserted from the file as the designers insert a picture, printed; stored, opened again as a
        // document holding it is, printed: in a process of its own, whose peak is measured from its start.
        const int code = test::RunWithAddressSpaceLimit(qint64(1) << 40, [&] {
            const TPeakMemory memory;
            QByteArray stored;
            {
                int resolution = 72;
                std::unique_ptr<TGraphic> picture = LoadPictureFile(
                    file, resolution, [&](QSize) { return PictureCover(QSize(frame.Width(), frame.Height())); });
                if (!picture)
                    return 2;
                TIllustRect object;
                object.SetPicture(picture.get());
                picture.reset();
                if (turned)
                    object.RotatePicture(1);
                object.SetRect(frame);
                printToPdf(object, inserted);
                stored = SavedObject(object);
            }
            TIllustRect object;
            if (LoadObject(object, stored) != 0 || object.PictureRefused())
                return 3;
            printToPdf(object, opened);
            test::writeFile(peak, QByteArray::number(memory.GrownBytes()));
            return 0;
        });
        ASSERT_EQ(code, 0);
        for (const QString &pdf : {inserted, opened}) {
            const std::vector<TPdfImage> images = PdfImages(pdf);
            ASSERT_EQ(images.size(), 1u) << pdf.toStdString();
            EXPECT_EQ(images[0].Size, QSize(LayoutToPixels(frame.Width(), 600), LayoutToPixels(frame.Height(), 600)))
                << pdf.toStdString();
            EXPECT_GE(images[0].Ppi, 598) << pdf.toStdString();
        }
#if !defined(VELMORA_SANITIZE)
        // The address sanitizer's shadow memory and quarantine would count in the peak.
        EXPECT_LT(test::readFile(peak).toLongLong(), qint64(512) << 20);
#endif
    }
}

TEST(IllustRect, HostileRecordsAreRefusedAndExtremeSizesDrawNothing)
{
    TIllustRect object;
    place(object, {0, 0, 50, 50}, quadrants(6, 4));
    object.SetTransparentColor(0x0000FF);
    const QByteArray bytes = SavedObject(object);
    // Illustrations with a transparent colour 134,217,848 and 12,000,000 units wide, and 40,000 square.
    for (const auto &[right, bottom] : std::initializer_list<std::pair<qint32, qint32>>{
             {134217848, 50}, {12000000, 50}, {40000, 40000}}) {
        QByteArray damaged = bytes;
        qToLittleEndian<qint32>(right, damaged.data() + 8);
        qToLittleEndian<qint32>(bottom, damaged.data() + 12);
        TIllustRect target;
        EXPECT_THROW(LoadObject(target, damaged), EStreamError) << right;
    }
    // The mask number, followed by the cut-out, its colour, the frame and the turned flag; below version 300
    // the number steps over the shape inserted then, which must not overflow.
    const qsizetype maskAt = bytes.size() - 16 - 4 - 13 - 1 - 4;
    for (int version : {600, 299}) {
        QByteArray damaged = version == 600 ? bytes : bytes.chopped(1);
        qToLittleEndian<qint32>(INT32_MAX, damaged.data() + maskAt);
        TIllustRect target;
        EXPECT_THROW(LoadObject(target, damaged, version), EStreamError) << version;
        qToLittleEndian<qint32>(-1, damaged.data() + maskAt + 4);  // the cut-out's left edge
        qToLittleEndian<qint32>(INT32_MIN, damaged.data() + maskAt + 8);
        qToLittleEndian<qint32>(-1, damaged.data() + maskAt);
        EXPECT_THROW(LoadObject(target, damaged, version), EStreamError) << version;
    }

    // Given such a size by hand, the object is drawn on the screen and printed at 600 dpi without a raster
    // beyond the bound of one object, and without writing into one that could not be made.
    const auto drawn = [](TRect rect, bool printed) {
        return test::RunWithAddressSpaceLimit(qint64(1) << 30, [rect, printed] {
            TIllustRect huge;
            place(huge, rect, quadrants(6, 4));
            huge.SetTransparentColor(0x0000FF);
            QImage page = WhitePage(200, 200);
            QPainter painter(&page);
            TCanvas canvas(painter, printed ? 600 : 96, printed ? 600 : 96);
            if (printed) {
                huge.CalcPrintRect(canvas.Target(), QPoint(0, 0), true);
                huge.Print(canvas, 0, 0);
            } else {
                huge.Draw(canvas, 0, 0);
            }
            return 0;
        });
    };
    EXPECT_EQ(drawn({0, 0, 134217848, 50}, false), 0);
    EXPECT_EQ(drawn({0, 0, 12000000, 50}, true), 0);
}

namespace {

// On screen the picture is stretched once into a cache that shows the very pixels the picture stretched on each
// paint showed, and that goes with a new picture and a new zoom.
TEST(IllustScreenImage, TheStretchedPictureIsKeptUntilThePictureOrTheZoomChanges)
{
    TIllustRect object;
    const QImage picture = quadrants(64, 48);
    place(object, {10, 10, 107, 71}, picture);  // 97 x 61: an uneven stretch
    const auto drawn = [&] { return drawnOnScreen(object, 260, 200); };
    QImage stretchedEachTime(260, 200, QImage::Format_RGB32);
    stretchedEachTime.fill(Grey);
    {
        QPainter painter(&stretchedEachTime);
        TCanvas canvas(painter, 96, 96);
        PrintBitmap(canvas, picture, {10, 10, 107, 71}, SRCCOPY);
    }
    EXPECT_TRUE(drawn() == stretchedEachTime);
    EXPECT_EQ(object.DisplayCache().size(), QSize(97, 61));
    EXPECT_TRUE(drawn() == stretchedEachTime);

    QImage blue(64, 48, Bitmap24Format);
    blue.fill(Blue);
    const TBitmapGraphic graphic(blue);
    object.SetPicture(&graphic);
    EXPECT_TRUE(near(drawn().pixelColor(20, 20), Blue));
    object.SetZoom(2.0);
    const QImage zoomed = drawn();
    EXPECT_EQ(object.DisplayCache().size(), QSize(194, 122));
    EXPECT_TRUE(near(zoomed.pixelColor(200, 130), Blue));
    EXPECT_TRUE(near(zoomed.pixelColor(216, 144), Grey));
}

}  // namespace
