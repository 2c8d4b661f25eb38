#include "drawing/BitmapTransform.h"

#include "drawing/Graphic.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// ---- Mirroring and turning ----

// Bytes a pixel of image takes when the copies handle its format: 0 for one bit, -1 when they do not.
int pixelBytes(const QImage &image)
{
    if (image.format() == QImage::Format_Mono)
        return 0;
    switch (image.depth()) {
    case 8: return 1;
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return -1;
    }
}

// Copies every pixel (x, y) of source to place(x, y) of target; only the bits and bytes of pixels are
// written, so the padding at the end of target's rows stays as it was.
template <int Bytes, class Place> void copyPixels(const QImage &source, QImage &target, Place place)
{
    std::vector<const uchar *> in(source.height());
    std::vector<uchar *> out(target.height());
    for (int y = 0; y < source.height(); ++y)
        in[y] = source.constScanLine(y);
    uchar *bits = target.bits();
    for (int y = 0; y < target.height(); ++y)
        out[y] = bits + qsizetype(y) * target.bytesPerLine();
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QPoint to = place(x, y);
            if constexpr (Bytes == 0) {
                const uchar mask = uchar(0x80 >> (to.x() & 7));
                uchar &byte = out[to.y()][to.x() >> 3];
                byte = in[y][x >> 3] & (0x80 >> (x & 7)) ? byte | mask : byte & ~mask;
            } else {
                std::memcpy(out[to.y()] + qsizetype(to.x()) * Bytes, in[y] + qsizetype(x) * Bytes, Bytes);
            }
        }
    }
}

template <class Place> void copyPixels(int bytes, const QImage &source, QImage &target, Place place)
{
    switch (bytes) {
    case 0: copyPixels<0>(source, target, place); break;
    case 1: copyPixels<1>(source, target, place); break;
    case 2: copyPixels<2>(source, target, place); break;
    case 3: copyPixels<3>(source, target, place); break;
    default: copyPixels<4>(source, target, place); break;
    }
}

// ---- Resampling ----

constexpr int64_t One = 65536;

// 255 × 65536 + 32768 fits 32 bits.
inline uchar blend(int a, int b, int fraction) { return uchar((a * (65536 - fraction) + b * fraction + 32768) >> 16); }

inline uchar clampSum(int sum) { return sum < 0 ? 0 : uchar(std::min(255, (sum + 32768) >> 16)); }

// Fixed-point source positions of target columns (or rows) that map pixel centres onto pixel centres.
struct TCentredAxis {
    int64_t step;
    int64_t start;

    TCentredAxis(int sourceSize, int scaledSize)
    {
        const long double ratio = static_cast<long double>(sourceSize) / scaledSize;
        step = static_cast<int64_t>(ratio * One + 0.5L);
        start = static_cast<int64_t>((0.5L * ratio - 0.5L) * One + 0.5L);
    }
    int64_t operator()(int x) const { return step * x + start; }
};

// A bilinear tap: the two source columns and the weight of the second.
struct TLinearTap {
    int first;
    int second;
    int fraction;
};

// The taps of count target columns from first. Columns at either end copy the edge column; both ends are as
// wide as the wider of the two, which keeps every blended pair inside the source.
std::vector<TLinearTap> linearAxis(int sourceSize, int scaledSize, int first, int count)
{
    const TCentredAxis position(sourceSize, scaledSize);
    int leading = 0;
    while (leading < count && position(first + leading) <= 0)
        ++leading;
    int trailing = 0;
    while (trailing < count && position(first + count - 1 - trailing) >> 16 >= sourceSize - 1)
        ++trailing;
    const int border = std::max(leading, trailing);
    std::vector<TLinearTap> taps(count);
    for (int k = 0; k < count; ++k) {
        if (k < border) {
            taps[k] = {0, 0, 0};
        } else if (k >= count - border) {
            taps[k] = {sourceSize - 1, sourceSize - 1, 0};
        } else {
            const int64_t p = position(first + k);
            const int i = int(p >> 16);
            taps[k] = {i, std::min(i + 1, sourceSize - 1), int(p & 0xFFFF)};
        }
    }
    return taps;
}

void linearRow(const uchar *row, const std::vector<TLinearTap> &columns, uchar *out)
{
    for (const TLinearTap &t : columns) {
        for (int c = 0; c < 3; ++c)
            *out++ = blend(row[3 * t.first + c], row[3 * t.second + c], t.fraction);
    }
}

void bilinear(const QImage &source, QImage &target, QPoint at, const TRect &part, int scaledWidth,
              int scaledHeight)
{
    const auto columns = linearAxis(source.width(), scaledWidth, part.Left, part.Width());
    const auto rows = linearAxis(source.height(), scaledHeight, part.Top, part.Height());
    // Neighbouring target rows mostly blend the same two source rows: their horizontal results are kept.
    struct TFilteredRow {
        int source = -1;
        std::vector<uchar> pixels;
    } kept[2];
    const auto filtered = [&](int row, int keep) -> const uchar * {
        for (TFilteredRow &k : kept)
            if (k.source == row)
                return k.pixels.data();
        TFilteredRow &slot = kept[0].source == keep ? kept[1] : kept[0];
        slot.source = row;
        slot.pixels.resize(3 * columns.size());
        linearRow(source.constScanLine(row), columns, slot.pixels.data());
        return slot.pixels.data();
    };
    for (int k = 0; k < part.Height(); ++k) {
        const TLinearTap &r = rows[k];
        uchar *out = target.scanLine(at.y() + k) + 3 * at.x();
        const uchar *upper = filtered(r.first, r.second);
        if (r.fraction == 0) {
            std::memcpy(out, upper, 3 * columns.size());
            continue;
        }
        const uchar *lower = filtered(r.second, r.first);
        for (size_t i = 0; i < 3 * columns.size(); ++i)
            out[i] = blend(upper[i], lower[i], r.fraction);
    }
}

// A bicubic tap: either a copy of one edge column (Copy) or four columns weighted by the table at Phase.
struct TCubicTap {
    bool copy;
    int column[4];
    int phase;
};

using TCubicTable = std::array<std::array<int, 4>, 256>;

// Positions not above 0 copy the first column and those at or past the last column copy it; the others
// filter four columns around the position, a column beyond either end replaced by the end column.
std::vector<TCubicTap> cubicAxis(int sourceSize, int scaledSize, int first, int count)
{
    const TCentredAxis position(sourceSize, scaledSize);
    std::vector<TCubicTap> taps(count);
    for (int k = 0; k < count; ++k) {
        const int64_t p = position(first + k);
        const int i = int(p >> 16);
        if (p <= 0)
            taps[k] = {true, {0, 0, 0, 0}, 0};
        else if (i >= sourceSize - 1)
            taps[k] = {true, {sourceSize - 1, 0, 0, 0}, 0};
        else
            taps[k] = {false,
                       {std::max(i - 1, 0), i, i + 1, std::min(i + 2, sourceSize - 1)},
                       int(p >> 8) & 255};
    }
    return taps;
}

// Filters a row horizontally; row holds source columns from offset on.
void cubicRow(const uchar *row, int offset, const std::vector<TCubicTap> &columns, const TCubicTable &weights,
              uchar *out)
{
    for (const TCubicTap &t : columns) {
        if (t.copy) {
            std::memcpy(out, row + 3 * (t.column[0] - offset), 3);
            out += 3;
            continue;
        }
        const auto &w = weights[t.phase];
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int m = 0; m < 4; ++m)
                sum += w[m] * row[3 * (t.column[m] - offset) + c];
            *out++ = clampSum(sum);
        }
    }
}

void bicubic(const QImage &source, QImage &target, QPoint at, const TRect &part, int scaledWidth,
             int scaledHeight)
{
    TCubicTable weights;
    for (int k = 0; k < 256; ++k)
        weights[k] = CubicWeights(1 + k / 256.0L, int(One));
    const auto columns = cubicAxis(source.width(), scaledWidth, part.Left, part.Width());
    const auto rows = cubicAxis(source.height(), scaledHeight, part.Top, part.Height());
    // The source columns the horizontal taps reach, filtered vertically first.
    const TCentredAxis position(source.width(), scaledWidth);
    const int firstColumn = int(std::max<int64_t>((position(part.Left) >> 16) - 1, 0));
    const int lastColumn = int(std::min<int64_t>((position(part.Right - 1) >> 16) + 2, source.width() - 1));
    std::vector<uchar> vertical(3 * std::max(lastColumn - firstColumn + 1, 0));
    for (int k = 0; k < part.Height(); ++k) {
        const TCubicTap &r = rows[k];
        uchar *out = target.scanLine(at.y() + k) + 3 * at.x();
        if (r.copy) {
            cubicRow(source.constScanLine(r.column[0]), 0, columns, weights, out);
            continue;
        }
        const auto &w = weights[r.phase];
        const uchar *in[4];
        for (int m = 0; m < 4; ++m)
            in[m] = source.constScanLine(r.column[m]);
        for (int i = 3 * firstColumn, j = 0; i < 3 * (lastColumn + 1); ++i, ++j)
            vertical[j] = clampSum(w[0] * in[0][i] + w[1] * in[1][i] + w[2] * in[2][i] + w[3] * in[3][i]);
        cubicRow(vertical.data(), firstColumn, columns, weights, out);
    }
}

// The source span of one target column (or row) of the area average: the first column with its weight in
// 1/256, the whole columns after it, and the last column with its weight (none past the source's end).
struct TAreaSpan {
    int first;
    int firstWeight;
    int last;
    int lastWeight;
};

std::vector<TAreaSpan> areaAxis(int sourceSize, int scaledSize, int from, int count, uint64_t &inverse)
{
    const long double ratio = static_cast<long double>(sourceSize) / scaledSize;
    const int64_t step = static_cast<int64_t>(ratio * One + 0.5L);
    inverse = static_cast<uint64_t>(One / ratio + 0.5L);
    std::vector<TAreaSpan> spans(count);
    for (int k = 0; k < count; ++k) {
        const int64_t begin = step * (from + k);
        const int64_t end = begin + step;
        TAreaSpan &s = spans[k];
        s.first = int(std::min<int64_t>(begin >> 16, sourceSize));
        s.firstWeight = s.first < sourceSize ? 256 - int((begin & 0xFFFF) >> 8) : 0;
        s.last = int(std::min<int64_t>(end >> 16, sourceSize));
        s.lastWeight = s.last < sourceSize ? int((end & 0xFFFF) >> 8) : 0;
    }
    return spans;
}

// Sums of one source row over each column span, added to sums weighted by rowWeight (256: as they are).
void addAreaRow(const uchar *row, const std::vector<TAreaSpan> &columns, int rowWeight, uint64_t *sums)
{
    for (const TAreaSpan &s : columns) {
        for (int c = 0; c < 3; ++c) {
            uint64_t sum = 0;
            if (s.firstWeight)
                sum += (uint64_t(row[3 * s.first + c]) * s.firstWeight + 128) >> 8;
            for (int x = s.first + 1; x < s.last; ++x)
                sum += row[3 * x + c];
            if (s.lastWeight)
                sum += (uint64_t(row[3 * s.last + c]) * s.lastWeight + 128) >> 8;
            *sums++ += rowWeight == 256 ? sum : (sum * rowWeight + 128) >> 8;
        }
    }
}

void areaAverage(const QImage &source, QImage &target, QPoint at, const TRect &part, int scaledWidth,
                 int scaledHeight)
{
    uint64_t inverseX, inverseY;
    const auto columns = areaAxis(source.width(), scaledWidth, part.Left, part.Width(), inverseX);
    const auto rows = areaAxis(source.height(), scaledHeight, part.Top, part.Height(), inverseY);
    // Sums of whole spans reach 255 × the pixels of a span, beyond 32 bits for a large picture shrunk far.
    std::vector<uint64_t> sums(3 * columns.size());
    for (int k = 0; k < part.Height(); ++k) {
        const TAreaSpan &r = rows[k];
        std::fill(sums.begin(), sums.end(), 0);
        if (r.firstWeight)
            addAreaRow(source.constScanLine(r.first), columns, r.firstWeight, sums.data());
        for (int y = r.first + 1; y < r.last; ++y)
            addAreaRow(source.constScanLine(y), columns, 256, sums.data());
        if (r.lastWeight)
            addAreaRow(source.constScanLine(r.last), columns, r.lastWeight, sums.data());
        uchar *out = target.scanLine(at.y() + k) + 3 * at.x();
        for (size_t i = 0; i < sums.size(); ++i)
            out[i] = uchar(std::min<uint64_t>(255, (((sums[i] * inverseX + 32768) >> 16) * inverseY + 32768) >> 16));
    }
}

}  // namespace

QImage MirrorBitmap(const QImage &bitmap, bool horizontal)
{
    const int bytes = pixelBytes(bitmap);
    if (bytes < 0)
        return QImage();
    QImage target = bitmap.copy();
    const int w = bitmap.width(), h = bitmap.height();
    if (horizontal)
        copyPixels(bytes, bitmap, target, [w](int x, int y) { return QPoint(w - 1 - x, y); });
    else
        copyPixels(bytes, bitmap, target, [h](int x, int y) { return QPoint(x, h - 1 - y); });
    return target;
}

QImage RotateBitmap(const QImage &bitmap, int mode)
{
    const int bytes = pixelBytes(bitmap);
    if (bytes < 0 || mode < 0 || mode > 2)
        return QImage();
    const int w = bitmap.width(), h = bitmap.height();
    QImage target = mode == 2 ? QImage(w, h, bitmap.format()) : QImage(h, w, bitmap.format());
    if (target.isNull())
        return target;
    std::memset(target.bits(), 0, size_t(target.sizeInBytes()));
    target.setColorTable(bitmap.colorTable());
    target.setDotsPerMeterX(mode == 2 ? bitmap.dotsPerMeterX() : bitmap.dotsPerMeterY());
    target.setDotsPerMeterY(mode == 2 ? bitmap.dotsPerMeterY() : bitmap.dotsPerMeterX());
    switch (mode) {
    case 0: copyPixels(bytes, bitmap, target, [w](int x, int y) { return QPoint(y, w - 1 - x); }); break;
    case 1: copyPixels(bytes, bitmap, target, [h](int x, int y) { return QPoint(h - 1 - y, x); }); break;
    default: copyPixels(bytes, bitmap, target, [w, h](int x, int y) { return QPoint(w - 1 - x, h - 1 - y); });
    }
    return target;
}

std::array<int, 4> CubicWeights(long double t, int scale)
{
    const auto inner = [](long double u) { return 1 - 2 * u * u + u * u * u; };
    const auto outer = [](long double u) { return 4 - 8 * u + 5 * u * u - u * u * u; };
    const auto weight = [scale](long double v) { return static_cast<int>(v * scale + 0.5L); };
    return {weight(outer(t)), weight(inner(t - 1)), weight(inner(2 - t)), weight(outer(3 - t))};
}

void ResampleBitmapRect(QImage &source, QImage *target, int scaledWidth, TResampleMode mode, QPoint offset,
                        const TRect &scaledRect, int scaledHeight)
{
    if (source.isNull() || scaledRect.Left < 0 || scaledRect.Top < 0 || scaledWidth < scaledRect.Right
        || scaledHeight < scaledRect.Bottom || offset.x() < 0 || offset.y() < 0)
        return;
    if (target
        && (target->width() < scaledRect.Width() + offset.x() || target->height() < scaledRect.Height() + offset.y()))
        return;
    // The positions divide by the scaled size.
    if (scaledWidth < 1 || scaledHeight < 1 || scaledRect.IsEmpty()) {
        if (!target)
            source = QImage();
        return;
    }
    source = ToBitmap24(source);
    QImage created;
    if (target) {
        *target = ToBitmap24(*target);
    } else {
        created = QImage(scaledRect.Width() + offset.x(), scaledRect.Height() + offset.y(), Bitmap24Format);
        if (created.isNull())
            return;
        created.fill(Qt::black);
    }
    QImage &out = target ? *target : created;

    if (scaledWidth == source.width() && scaledHeight == source.height()) {
        for (int y = 0; y < scaledRect.Height(); ++y)
            std::memcpy(out.scanLine(offset.y() + y) + 3 * offset.x(),
                        source.constScanLine(scaledRect.Top + y) + 3 * scaledRect.Left, 3 * size_t(scaledRect.Width()));
    } else if (mode == TResampleMode::Bilinear) {
        bilinear(source, out, offset, scaledRect, scaledWidth, scaledHeight);
    } else if (mode == TResampleMode::Automatic && scaledWidth < source.width() && scaledHeight < source.height()) {
        areaAverage(source, out, offset, scaledRect, scaledWidth, scaledHeight);
    } else {
        bicubic(source, out, offset, scaledRect, scaledWidth, scaledHeight);
    }
    if (!target)
        source = created;
}

void ResampleBitmap(QImage &source, QImage *target, int width, int height, TResampleMode mode)
{
    ResampleBitmapRect(source, target, width, mode, QPoint(0, 0), TRect{0, 0, width, height}, height);
}

QImage ResampledForPrinting(const QImage &picture, int width, int height)
{
    constexpr int BandRows = 256;
    if (picture.isNull() || width < 1 || height < 1)
        return QImage();
    QImage printed(width, height, QImage::Format_RGB32);
    QImage band(width, std::min(BandRows, height), Bitmap24Format);
    if (printed.isNull() || band.isNull())
        return QImage();
    QImage source = picture;
    for (int top = 0; top < height; top += BandRows) {
        const int rows = std::min(BandRows, height - top);
        ResampleBitmapRect(source, &band, width, TResampleMode::Automatic, QPoint(0, 0),
                           TRect{0, top, width, top + rows}, height);
        for (int y = 0; y < rows; ++y) {
            const uchar *in = band.constScanLine(y);
            auto *out = reinterpret_cast<QRgb *>(printed.scanLine(top + y));
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = qRgb(in[0], in[1], in[2]);
        }
    }
    return printed;
}
