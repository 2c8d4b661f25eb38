#include "drawing/MaskedDraw.h"

#include "base/Units.h"
#include "drawing/Graphic.h"
#include "drawing/MetafileEx.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

// Work images are held one band of rows at a time, each at most 8 MiB, however large the printed picture.
constexpr qsizetype BandBytes = 8 * 1024 * 1024;

int bandHeight(qsizetype bytesPerRow, int height)
{
    return static_cast<int>(std::clamp<qsizetype>(BandBytes / std::max<qsizetype>(bytesPerRow, 1), 1, height));
}

// Calls band(y0, rows) for the bands of a picture height rows high.
template <class Band> void forEachBand(qsizetype bytesPerRow, int height, Band band)
{
    const int rows = bandHeight(bytesPerRow, height);
    for (int y0 = 0; y0 < height; y0 += rows)
        band(y0, std::min(rows, height - y0));
}

// Whether a picture is drawn into target at all: the one-bit masks cover the whole target, so the work stays
// bounded by the printed size; a target of more than MaxBitmapBytes pixels comes only from a damaged document.
bool drawable(const QImage &picture, const TRect &target)
{
    return !picture.isNull() && RasterFits(target.Width(), target.Height(), 1);
}

bool isWhite(const uchar *line, int x) { return (line[x >> 3] >> (7 - (x & 7))) & 1; }

void setBlack(uchar *line, int x) { line[x >> 3] &= static_cast<uchar>(~(0x80 >> (x & 7))); }

QImage whiteMask(int width, int height)
{
    QImage mask(width, height, QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(1);
    return mask;
}

// Rows y0 .. y0 + rows - 1 of the picture stretched to width x height, nearest pixel, as the canvas
// stretches it, so cut-outs and colours line up with what the canvas draws.
QImage stretchedBand(const QImage &picture, int width, int height, int y0, int rows)
{
    QImage band(width, rows, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&band);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(0, -y0, width, height), picture);
    return band;
}

// Draws each band of the stretched picture at its place in target, with the pixels that keep(x, y, pixel)
// refuses made fully transparent.
template <class Keep> void drawComposed(TCanvas &canvas, const QImage &picture, const TRect &target, Keep keep)
{
    if (!drawable(picture, target))
        return;
    const int width = target.Width();
    const int height = target.Height();
    forEachBand(qsizetype(width) * 4, height, [&](int y0, int rows) {
        QImage band = stretchedBand(picture, width, height, y0, rows);
        if (band.isNull())
            return;
        for (int y = 0; y < rows; ++y) {
            auto *line = reinterpret_cast<QRgb *>(band.scanLine(y));
            for (int x = 0; x < width; ++x) {
                if (!keep(x, y0 + y, line[x]))
                    line[x] = 0;
            }
        }
        canvas.StretchDIBits({target.Left, target.Top + y0, target.Right, target.Top + y0 + rows}, band);
    });
}

// Draws the picture stretched into target through the region of mask's black pixels. The bands go out
// already stretched, pixel for pixel, so every device shows the same pixels inside the region: a PDF viewer
// left to enlarge the picture itself would blend colours along the region's edges.
void drawClipped(TCanvas &canvas, const QImage &picture, const QImage &mask, const TRect &target)
{
    std::optional<QRegion> region = RegionFromMask(mask);
    if (!region)
        return;
    region->translate(target.Left, target.Top);
    const int width = target.Width();
    const int height = target.Height();
    forEachBand(qsizetype(width) * 4, height, [&](int y0, int rows) {
        canvas.StretchDIBits({target.Left, target.Top + y0, target.Right, target.Top + y0 + rows},
                             stretchedBand(picture, width, height, y0, rows), SRCCOPY, &*region);
    });
}

QRgb rgbOf(const QColor &colour) { return colour.rgb() & RGB_MASK; }

constexpr int ListHeaderSize = 32;
constexpr int RectSize = 16;
constexpr int ChunkRects = 4000;

qint32 field(const char *bytes, int offset) { return qFromLittleEndian<qint32>(bytes + offset); }

void putField(char *bytes, int offset, qint32 value) { qToLittleEndian(value, bytes + offset); }

// The region of one chunk (its header and rectangles), or none when the chunk is refused.
std::optional<QRegion> chunkRegion(const char *chunk)
{
    if (field(chunk, 0) != ListHeaderSize || field(chunk, 4) != 1)
        return std::nullopt;
    const int count = field(chunk, 8);
    QList<QRect> rects;
    rects.reserve(count);
    // Lists made from masks come in rows, runs left to right, and go in as they are; any other order is
    // added rectangle by rectangle.
    bool banded = true;
    for (int i = 0; i < count; ++i) {
        const char *r = chunk + ListHeaderSize + i * RectSize;
        const int left = field(r, 0);
        const int top = field(r, 4);
        const int right = field(r, 8);
        const int bottom = field(r, 12);
        if (right < left || bottom < top)
            return std::nullopt;
        if (right == left || bottom == top)
            continue;
        const QRect rect(left, top, right - left, bottom - top);
        if (!rects.isEmpty()) {
            const QRect &before = rects.last();
            const bool sameRow = rect.top() == before.top() && rect.bottom() == before.bottom()
                                 && rect.left() > before.right() + 1;
            banded = banded && (sameRow || rect.top() > before.bottom());
        }
        rects.append(rect);
    }
    QRegion region;
    if (banded) {
        region.setRects(rects.constData(), static_cast<int>(rects.size()));
    } else {
        for (const QRect &rect : rects)
            region += rect;
    }
    return region;
}

}  // namespace

bool LoadMaskShape(const QString &fileName, TMetafileEx &shape)
{
    shape.Clear();
    QSvgRenderer drawing(fileName);
    if (!drawing.isValid())
        return false;
    const QRectF box = drawing.viewBoxF();
    const int width = std::max(1, static_cast<int>(std::ceil(box.width())));
    const int height = std::max(1, static_cast<int>(std::ceil(box.height())));
    shape.SetSize(width, height);
    drawing.render(&shape.ShapePainter(std::nullopt), QRectF(0, 0, width, height));
    shape.EndRecording();
    return true;
}

QImage MaskFromShape(const TMetafileEx &shape, const TRect &maskRect, int width, int height)
{
    if (!RasterFits(width, height, 1))
        return QImage();
    QImage mask = whiteMask(width, height);
    // Drawn band by band in grey, any pixel darker than middle grey taken as black.
    forEachBand(width, height, [&](int y0, int rows) {
        QImage band(width, rows, QImage::Format_Grayscale8);
        band.fill(255);
        {
            QPainter painter(&band);
            painter.translate(0, -y0);
            TCanvas canvas(painter, LayoutDpi, LayoutDpi);
            canvas.StretchDraw(maskRect, shape);
        }
        for (int y = 0; y < rows; ++y) {
            const uchar *grey = band.constScanLine(y);
            uchar *bits = mask.scanLine(y0 + y);
            for (int x = 0; x < width; ++x) {
                if (grey[x] < 128)
                    setBlack(bits, x);
            }
        }
    });
    return mask;
}

void DrawWithMask(TCanvas &canvas, const QImage &picture, const TMetafileEx &shape, const TRect &maskRect,
                  const TRect &target)
{
    const QImage mask = MaskFromShape(shape, maskRect, target.Width(), target.Height());
    drawComposed(canvas, picture, target, [&](int x, int y, QRgb) { return !isWhite(mask.constScanLine(y), x); });
}

void DrawWithTransparentColor(TCanvas &canvas, const QImage &picture, const QColor &transparent, const TRect &target)
{
    const QRgb left = rgbOf(transparent);
    drawComposed(canvas, picture, target, [&](int, int, QRgb pixel) { return (pixel & RGB_MASK) != left; });
}

void DrawClippedByMask(TCanvas &canvas, const QImage &picture, const TMetafileEx &shape, const TRect &maskRect,
                       const TRect &target)
{
    if (!drawable(picture, target))
        return;
    drawClipped(canvas, picture, MaskFromShape(shape, maskRect, target.Width(), target.Height()), target);
}

void DrawClippedByColor(TCanvas &canvas, const QImage &picture, const QColor &transparent, const TRect &target)
{
    if (!drawable(picture, target))
        return;
    const int width = target.Width();
    const int height = target.Height();
    const QRgb left = rgbOf(transparent);
    QImage mask = whiteMask(width, height);
    forEachBand(qsizetype(width) * 4, height, [&](int y0, int rows) {
        const QImage band = stretchedBand(picture, width, height, y0, rows);
        for (int y = 0; y < rows && !band.isNull(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(band.constScanLine(y));
            uchar *bits = mask.scanLine(y0 + y);
            for (int x = 0; x < width; ++x) {
                if ((line[x] & RGB_MASK) != left)
                    setBlack(bits, x);
            }
        }
    });
    drawClipped(canvas, picture, mask, target);
}

std::optional<QRegion> RegionFromMask(const QImage &mask)
{
    QImage bits = mask.format() == QImage::Format_Mono ? mask : mask.convertToFormat(QImage::Format_Mono);
    // Whichever index the colour table makes black is the picture's.
    if (bits.colorCount() == 2 && qGray(bits.color(0)) > qGray(bits.color(1)))
        bits.invertPixels();
    const int width = bits.width();
    const int height = bits.height();

    QByteArray list(ListHeaderSize, '\0');
    putField(list.data(), 0, ListHeaderSize);
    putField(list.data(), 4, 1);
    putField(list.data(), 24, width);
    putField(list.data(), 28, height);
    qint32 count = 0;
    const auto addRun = [&](int left, int top, int right) {
        char rect[RectSize];
        putField(rect, 0, left);
        putField(rect, 4, top);
        putField(rect, 8, right);
        putField(rect, 12, top + 1);
        list.append(rect, RectSize);
        ++count;
    };
    for (int y = 0; y < height; ++y) {
        const uchar *line = bits.constScanLine(y);
        int start = -1;
        for (int x = 0; x < width; ++x) {
            if (!isWhite(line, x)) {
                if (start < 0)
                    start = x;
            } else if (start >= 0) {
                addRun(start, y, x);
                start = -1;
            }
        }
        if (start >= 0)
            addRun(start, y, width);
    }
    putField(list.data(), 8, count);
    QBuffer stream(&list);
    stream.open(QIODevice::ReadOnly);
    return RegionFromRectList(stream);
}

std::optional<QRegion> RegionFromRectList(QIODevice &stream)
{
    QByteArray chunk(ListHeaderSize + ChunkRects * RectSize, '\0');
    if (stream.read(chunk.data(), ListHeaderSize) != ListHeaderSize)
        return std::nullopt;
    putField(chunk.data(), 12, 0);
    qint64 remaining = static_cast<quint32>(field(chunk.constData(), 8));
    QRegion result;
    while (remaining > 0) {
        const int rects = static_cast<int>(std::min<qint64>(remaining, ChunkRects));
        putField(chunk.data(), 8, rects);
        const qint64 bytes = qint64(rects) * RectSize;
        if (stream.read(chunk.data() + ListHeaderSize, bytes) != bytes)
            return std::nullopt;
        const std::optional<QRegion> part = chunkRegion(chunk.constData());
        if (!part)
            return std::nullopt;
        result = result.united(*part);
        remaining -= rects;
    }
    return result;
}
