// Photographs stored on their side with an EXIF orientation: the orientation read in either byte order and
// wherever the block sits, damaged blocks taken as none; and a picture object given such a photograph showing
// it upright by its own mirror and turn, the file's bytes kept, turned on by the user from there, and a picture
// already in a document keeping the orientation it was stored with.
#include "ExifJpegs.h"
#include "ObjectTestSupport.h"

#include "drawing/IllustRect.h"
#include "drawing/JpegOrientation.h"

#include <QImageReader>

#include <gtest/gtest.h>

namespace {

using namespace test;

// Where the marks of an upright CornerMarkedPicture are on image: its top-left and top-right corners.
void expectUpright(const QImage &image, QSize upright)
{
    ASSERT_EQ(image.size(), upright);
    const int in = upright.width() / 12;
    EXPECT_TRUE(NearColour(image.pixelColor(in, in), TopLeftMark)) << image.pixelColor(in, in).name().toStdString();
    EXPECT_TRUE(NearColour(image.pixelColor(upright.width() - 1 - in, in), TopRightMark))
        << image.pixelColor(upright.width() - 1 - in, in).name().toStdString();
    EXPECT_TRUE(NearColour(image.pixelColor(in, upright.height() - 1 - in), QColor(200, 200, 200)));
}

QImage autoTransformed(const QByteArray &jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    QImageReader reader(&buffer, "JPG");
    reader.setAutoTransform(true);
    return reader.read();
}

const QSize Portrait(120, 160);

}  // namespace

TEST(JpegOrientation, EachOrientationIsReadInEitherByteOrderWhereverTheBlockSits)
{
    const QByteArray plain = EncodedJpeg(CornerMarkedPicture(Portrait));
    EXPECT_EQ(JpegOrientation(plain), 1);
    for (int orientation = 1; orientation <= 8; ++orientation)
        for (const bool intel : {false, true})
            for (const bool afterJfif : {false, true}) {
                SCOPED_TRACE(orientation * 100 + intel * 10 + afterJfif);
                const QByteArray jpeg = WithExifOrientation(plain, orientation, intel, afterJfif);
                EXPECT_EQ(JpegOrientation(jpeg), orientation);
                // Qt's reader, as every viewer, reads the same block.
                EXPECT_EQ(autoTransformed(jpeg).size(), ExifUprightSize(Portrait, orientation));
            }
}

TEST(JpegOrientation, ADamagedOrMisplacedBlockLeavesThePictureAsStored)
{
    const QByteArray plain = EncodedJpeg(CornerMarkedPicture(Portrait));
    const QByteArray six = WithExifOrientation(plain, 6);
    const qsizetype block = 2;  // the APP1 marker
    const qsizetype tiff = block + 4 + 6;
    const auto changed = [&](qsizetype at, const QByteArray &bytes) {
        QByteArray damaged = six;
        damaged.replace(at, bytes.size(), bytes);
        return damaged;
    };
    for (int value : {0, 9, 0xFFFF})
        EXPECT_EQ(JpegOrientation(WithExifOrientation(plain, value)), 1) << value;
    // The block's length past the file's end; a byte order neither Intel's nor Motorola's; the directory's
    // place past the block; a directory that ends before the tag; the tag of another type.
    EXPECT_EQ(JpegOrientation(changed(block + 2, QByteArray("\xFF\xF0", 2))), 1);
    EXPECT_EQ(JpegOrientation(changed(tiff, "XX")), 1);
    EXPECT_EQ(JpegOrientation(changed(tiff + 4, QByteArray("\x7F\xFF\xFF\xF0", 4))), 1);
    EXPECT_EQ(JpegOrientation(changed(tiff + 8, QByteArray("\x00\x01", 2))), 1);
    EXPECT_EQ(JpegOrientation(changed(tiff + 10 + 12 + 2, QByteArray("\x00\x04", 2))), 1);
    // A block after the first scan belongs to no header; neither does one in a file that is not a JPEG.
    const QByteArray block6 = WithExifOrientation(QByteArray("\xFF\xD8", 2), 6).mid(2);
    EXPECT_EQ(JpegOrientation(plain.left(plain.size() - 2) + block6 + plain.right(2)), 1);
    EXPECT_EQ(JpegOrientation(six.mid(2)), 1);
    // The file cut anywhere inside the block.
    for (qsizetype cut = 0; cut < block + block6.size(); ++cut)
        EXPECT_EQ(JpegOrientation(six.left(cut)), 1) << cut;
    EXPECT_EQ(JpegOrientation(six.left(block + block6.size())), 6);
}

TEST(JpegOrientation, APictureObjectShowsAPhotographUprightByItsOwnMirrorAndTurn)
{
    const QImage upright = CornerMarkedPicture(Portrait);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QByteArray file = WithExifOrientation(EncodedJpeg(StoredForOrientation(upright, orientation)), orientation,
                                                    orientation % 2 == 0);
        // The file as viewers show it: the fixture stores the pixels as the standard says.
        expectUpright(autoTransformed(file), Portrait);
        TJpegImage jpeg;
        jpeg.LoadFromData(file);
        expectUpright(ExifUpright(jpeg.Bitmap(), orientation), Portrait);

        TIllustRect object;
        object.SetRect(TRect{0, 0, 60, 80});
        object.SetPicture(&jpeg);
        EXPECT_EQ(object.PictureSize(), Portrait);
        expectUpright(object.GetPicture(), Portrait);
        // The file's bytes are kept as they are; the object's state says how they show, and comes back with
        // the object.
        ASSERT_TRUE(object.KeptJpeg());
        EXPECT_EQ(object.KeptJpeg()->Data(), file);
        TIllustRect loaded;
        LoadObject(loaded, SavedObject(object));
        EXPECT_EQ(loaded.Orientation(), object.Orientation());
        EXPECT_EQ(loaded.MirrorH(), object.MirrorH());
        EXPECT_EQ(loaded.MirrorV(), object.MirrorV());
        expectUpright(loaded.GetPicture(), Portrait);
        // The user turns it on from upright: a quarter turn anticlockwise puts its top-left mark bottom left.
        object.RotatePicture(0);
        const QImage turned = object.GetPicture();
        ASSERT_EQ(turned.size(), Portrait.transposed());
        EXPECT_TRUE(NearColour(turned.pixelColor(8, turned.height() - 9), TopLeftMark));
    }
}

TEST(JpegOrientation, APictureAlreadyInADocumentKeepsTheOrientationItWasStoredWith)
{
    // Stored before photographs came in upright: a phone's portrait shot lying on its side as its pixels are.
    const QByteArray file = WithExifOrientation(EncodedJpeg(StoredForOrientation(CornerMarkedPicture(Portrait), 6)), 6);
    TJpegImage jpeg;
    jpeg.LoadFromData(file);
    TIllustRect stored;
    stored.SetRect(TRect{0, 0, 80, 60});
    stored.SetPicture(&jpeg);
    stored.RotatePicture(0);
    ASSERT_EQ(stored.Orientation(), 3);
    const QByteArray record = SavedObject(stored);
    TIllustRect object;
    LoadObject(object, record);
    EXPECT_EQ(object.Orientation(), 3);
    EXPECT_EQ(object.GetPicture().size(), Portrait.transposed());
    EXPECT_EQ(SavedObject(object), record);
}
