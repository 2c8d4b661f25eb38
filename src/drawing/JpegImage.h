// A JPEG picture: the file bytes as they were loaded, so documents store them back unchanged, and their
// pixels decoded at full size or, for a caller that knows how large the picture prints, at the smallest of
// the library's scales that still covers it; always at best quality.
#pragma once

#include "drawing/Graphic.h"

#include <QIODevice>
#include <QString>

#include <limits>

// The most scans a JPEG may have, and the most passes over its blocks they may make together (a scan of every
// component is one pass, a scan of a smaller component part of one). Encoders write one scan per component,
// or ten for a colour picture in the library's own progression, a few dozen at most with an optimised scan
// script, and pass over each block six times at most (the luminance of that progression). Each scan costs the
// decoder a walk over the blocks of its components, data or not, so a file that repeats an empty scan of a
// few bytes would keep it busy for seconds.
inline constexpr int MaxJpegScans = 300;
inline constexpr int MaxJpegPasses = 20;
// What one decoding may hold: the decoded pixels and, for a file of several scans (progressive ones), the
// coefficients of the whole picture, two bytes each, which the library buffers whatever scale it decodes at.
// A photograph of 64 megapixels saved progressive without chroma subsampling buffers 385 MB and needs 27 MB of
// pixels for a postcard at 600 dpi; the bound lets that through and keeps the program under half a gigabyte.
// Where the coefficients and the pixels would pass the bound together (the same photograph filling an A4 page
// needs 192 MB of pixels), a picture held in memory is decoded from a copy of its coefficients in one scan,
// written while they are held and decoded row by row once they are freed.
inline constexpr qint64 MaxJpegDecodeBytes = qint64(400) << 20;
// The most pixels a picture may have. The library walks every block of a picture at any scale, a second for
// four gigapixels here, so a picture no paper needs would hold up whoever shows it; a gigapixel is nearly two
// A0 sheets at 600 dpi, far beyond any camera's photograph.
inline constexpr qint64 MaxJpegPixels = qint64(1) << 30;

// A picture refused for its size or its scans rather than for damage: whoever holds it may go on without it.
class EJpegRefused : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// A picture refused for its size: larger than the program decodes at the scale asked, not damaged, so the
// user is told how large it is (PictureTooLargeMessage) rather than that it cannot be read.
class EJpegTooLarge : public EJpegRefused {
public:
    explicit EJpegTooLarge(QSize pictureSize);
    QSize PictureSize() const { return pictureSize_; }

private:
    QSize pictureSize_;
};

// What the user is told of a picture refused for its size, its own size in pixels given.
QString PictureTooLargeMessage(QSize pictureSize);

class TJpegImage : public TGraphic {
public:
    // Passed as cover: the picture as large as MaxJpegDecodeBytes allows, at full size when it fits.
    static constexpr int LargestCover = std::numeric_limits<int>::max();

    // Keeps data and decodes it: at full size when cover is 0; otherwise at the smallest scale (in eighths)
    // whose sides both reach cover pixels, or at full size when none does; for LargestCover at the largest
    // scale within MaxJpegDecodeBytes. A picture is never decoded smaller than the cover asks: one whose
    // decoding would hold more than MaxJpegDecodeBytes at that scale is refused. Throws EInvalidGraphic,
    // leaving the image as it was, for data that is not a whole JPEG image (damaged or cut short), EJpegRefused
    // for one of more than MaxJpegScans scans or MaxJpegPasses passes (at the scan past the limit, before its
    // data), and EJpegTooLarge, before any decoding, for one whose decoding would hold too much, or whose
    // header gives a side longer than largestSide pixels or more than MaxJpegPixels pixels.
    void LoadFromData(const QByteArray &data, int largestSide = std::numeric_limits<int>::max(), int cover = 0);
    // Keeps data that LoadFromData refused, without pixels, so whoever holds it stores the picture back as it
    // was read; only the header is read, for PictureSize.
    void KeepRefused(const QByteArray &data);
    // LoadFromData for cover, or where it throws EInvalidGraphic, KeepRefused, noting a refusal for the
    // picture's size (TooLarge): how a document's picture is read.
    void LoadOrKeep(const QByteArray &data, int cover);
    const QByteArray &Data() const { return data_; }
    // Gives up the pixels once the holder's own form of them, shown (turned or mirrored), no longer shares
    // them, so a large photograph is not held twice; the picture counts as decoded at the size it was.
    void ReleasePixelsBesides(const QImage &shown)
    {
        if (shown.constBits() != bitmap_.constBits())
            bitmap_ = QImage();
    }
    // The size the pixels were decoded at, released or not; empty when none were.
    QSize DecodedSize() const { return decoded_; }
    // Kept bytes without pixels (KeepRefused).
    bool Refused() const { return decoded_.isEmpty() && !data_.isEmpty(); }
    // Kept bytes that LoadOrKeep refused for the picture's size (EJpegTooLarge), not for damage.
    bool TooLarge() const { return Refused() && tooLarge_; }
    // The picture's own size in pixels, as its header gives it, whatever size it was decoded at.
    QSize PictureSize() const { return size_; }
    // Whether the pixels serve a cover of cover pixels a side (as LoadFromData takes it): they reach it, are
    // the whole picture, or are what the bound allowed for as large a cover.
    bool Covers(int cover) const;

    QByteArray Extension() const override { return QByteArrayLiteral("jpg"); }
    bool Empty() const override { return bitmap_.isNull(); }
    // The decoded pixels, Bitmap24Format.
    const QImage &Bitmap() const override { return bitmap_; }

private:
    QByteArray data_;
    QImage bitmap_;
    QSize decoded_;
    QSize size_;
    int cover_ = 0;
    bool tooLarge_ = false;
};

// The picture's own size in pixels as the header of data gives it, nothing decoded: for the cover a caller
// asks of LoadFromData or JpegPixels. An invalid size when the header cannot be read.
QSize JpegPictureSize(const QByteArray &data);
// The pixels of data decoded as TJpegImage::LoadFromData decodes them; a null image where it would throw.
QImage JpegPixels(const QByteArray &data, int largestSide = std::numeric_limits<int>::max(), int cover = 0);

// Where the rows of a decoding go, for a caller that takes them one by one as they come out instead of holding
// the picture (a thumbnail of a picture of thousands of pixels a side).
class TJpegRows {
public:
    virtual ~TJpegRows() = default;
    // Before the library starts: the size decoded at and what the library buffers for it (every coefficient of
    // a file of several scans, nothing for one scan). May wait, for memory shared with other decodings; false
    // refuses the picture.
    virtual bool Start(QSize size, qint64 buffered) = 0;
    // How many rows from y on are not wanted: the library skips them without making their pixels.
    virtual int Unwanted(int y) = 0;
    // Where row y goes, its width times 3 bytes in Bitmap24Format's order; Took(y) once it is there.
    virtual uchar *Row(int y) = 0;
    virtual void Took(int y) = 0;
};

// The JPEG file device holds from its position, read as it is decoded through a buffer of a few kilobytes and
// never held whole (a file that shrinks or changes while it is read is a damaged picture), decoded as
// TJpegImage::LoadFromData decodes data for cover, its rows handed to rows. Throws as LoadFromData does.
void JpegRows(QIODevice &device, int cover, TJpegRows &rows);
