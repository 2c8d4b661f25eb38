// Pictures as the drawing objects hold them: a bitmap or a JPEG image, and the bitmap file images the
// document streams and picture files carry.
#pragma once

#include "drawing/ObjectStream.h"

#include <QByteArray>
#include <QImage>

class QIODevice;

// What the user is told of a picture that cannot be read or shown.
inline constexpr char PictureUnreadableMessage[] = "画像が読み込めませんでした  ";

// A picture that cannot be decoded: a damaged bitmap or JPEG, or one of a kind the program does not read.
// The message is the one the document readers show; Reason says what was wrong, for the log and the tests.
class EInvalidGraphic : public EStreamError {
public:
    explicit EInvalidGraphic(const char *reason);
    const char *Reason() const { return reason_; }

private:
    const char *reason_;
};

// A loaded picture. The objects keep a JPEG as its file bytes and every other picture as a bitmap.
class TGraphic {
public:
    virtual ~TGraphic() = default;
    // The lower-case standard extension of the graphic's kind ("bmp", "jpg").
    virtual QByteArray Extension() const = 0;
    virtual bool Empty() const = 0;
    // The pixels.
    virtual const QImage &Bitmap() const = 0;
};

class TBitmapGraphic : public TGraphic {
public:
    TBitmapGraphic() = default;
    explicit TBitmapGraphic(QImage image) : image_(std::move(image)) {}
    QByteArray Extension() const override { return QByteArrayLiteral("bmp"); }
    bool Empty() const override { return image_.isNull(); }
    const QImage &Bitmap() const override { return image_; }
    void SetBitmap(QImage image) { image_ = std::move(image); }

private:
    QImage image_;
};

// The 24-bit pixel format of pictures and resampling: three bytes a pixel.
inline constexpr QImage::Format Bitmap24Format = QImage::Format_RGB888;
// The most one picture or one object's raster may take. A few hundred bytes of a file can claim 65,500 x
// 65,500 pixels, and a document can give an object any size; nothing the program prints needs more than this.
inline constexpr qint64 MaxBitmapBytes = qint64(1) << 30;
// Whether a raster of width x height at bytesPerPixel stays within MaxBitmapBytes (false for an empty one).
bool RasterFits(qint64 width, qint64 height, int bytesPerPixel);
// image at 24 bits per pixel (palettes resolved, alpha dropped); itself when it already is.
QImage ToBitmap24(const QImage &image);

// Reads one bitmap file image (file header first) from device's position and leaves the position right after
// its pixels. Reads the core, info, V4 and V5 headers; 1, 4 and 8 bits with palettes, 16 and 32 bits with or
// without bit masks, 24 bits; bottom-up and top-down rows. 1 bit gives a mono image, 4 and 8 bits an indexed
// one, 24 bits Bitmap24Format, 16 and 32 bits RGB32. Throws EInvalidGraphic for anything else, a damaged or
// cut image, one larger than the bytes left, or one whose 24-bit form would exceed MaxBitmapBytes (decided from
// the header, before anything is allocated); nothing is read past the device's end.
QImage ReadBitmapImage(QIODevice &device);
// Writes image as a bitmap file image with an info header, bottom-up: mono and indexed images with their
// palettes at 1 and 8 bits, RGB32 and ARGB32 at 32 bits, everything else at 24 bits.
void WriteBitmapImage(QIODevice &device, const QImage &image);
