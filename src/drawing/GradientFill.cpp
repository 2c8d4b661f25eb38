#include "drawing/GradientFill.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct TChannels {
    double V[3];
};

TChannels channelsOf(const QColor &colour) { return {{double(colour.red()), double(colour.green()), double(colour.blue())}}; }

// Each channel's step per unit of length, none over a length below 1.
TChannels stepsOver(const TChannels &first, const TChannels &second, double length)
{
    TChannels steps{};
    if (length >= 1) {
        for (int c = 0; c < 3; ++c)
            steps.V[c] = (first.V[c] - second.V[c]) / length;
    }
    return steps;
}

uchar channel(double value) { return static_cast<uchar>(std::clamp(std::trunc(value), 0.0, 255.0)); }

void putPixel(uchar *line, int x, const TChannels &value)
{
    for (int c = 0; c < 3; ++c)
        line[3 * x + c] = channel(value.V[c]);
}

// Bands across the picture: row by row for 0 and 180 degrees.
void fillRows(QImage &bitmap, bool fromBottom, const TChannels &first, const TChannels &step)
{
    const int height = bitmap.height();
    for (int y = 0; y < height; ++y) {
        TChannels value;
        for (int c = 0; c < 3; ++c)
            value.V[c] = first.V[c] - y * step.V[c];
        uchar *line = bitmap.scanLine(fromBottom ? height - 1 - y : y);
        for (int x = 0; x < bitmap.width(); ++x)
            putPixel(line, x, value);
    }
}

// Bands down the picture: scan line 0 computed, the others copied from it, for 90 and 270 degrees.
void fillColumns(QImage &bitmap, bool fromRight, const TChannels &first, const TChannels &step)
{
    const int width = bitmap.width();
    uchar *top = bitmap.scanLine(0);
    for (int x = 0; x < width; ++x) {
        TChannels value;
        for (int c = 0; c < 3; ++c)
            value.V[c] = first.V[c] - x * step.V[c];
        putPixel(top, fromRight ? width - 1 - x : x, value);
    }
    for (int y = 1; y < bitmap.height(); ++y)
        std::memcpy(bitmap.scanLine(y), top, static_cast<size_t>(width) * 3);
}

}  // namespace

void FillGradient(QImage &bitmap, int angle, const QColor &first, const QColor &second)
{
    if (bitmap.format() != QImage::Format_RGB888) {
        QImage bits(bitmap.size(), QImage::Format_RGB888);
        bits.setDotsPerMeterX(bitmap.dotsPerMeterX());
        bits.setDotsPerMeterY(bitmap.dotsPerMeterY());
        bitmap = bits;
    }
    const int width = bitmap.width();
    const int height = bitmap.height();
    if (width <= 0 || height <= 0)
        return;
    if (first.rgb() == second.rgb()) {
        bitmap.fill(first);
        return;
    }
    // Whole turns would leave no angle inside the quadrant to take the tangent of.
    angle %= 360;
    if (angle < 0)
        angle += 360;
    const TChannels c1 = channelsOf(first);
    const TChannels c2 = channelsOf(second);
    if (angle == 0 || angle == 180) {
        fillRows(bitmap, angle == 180, c1, stepsOver(c1, c2, height - 1));
        return;
    }
    if (angle == 90 || angle == 270) {
        fillColumns(bitmap, angle == 270, c1, stepsOver(c1, c2, width - 1));
        return;
    }

    const double theta = (angle % 90) * 0.017453292519943295;
    const int quadrant = angle / 90;
    const double tangent = std::tan(theta);
    double alongX = 0;
    double alongY = 0;
    if (quadrant == 0 || quadrant == 2) {
        alongX = std::trunc(std::abs(height / tangent)) + width - 1;
        alongY = std::trunc(std::abs(width * tangent)) + height - 1;
    } else {
        alongX = std::trunc(std::abs(height * tangent)) + width - 1;
        alongY = std::trunc(std::abs(width / tangent)) + height - 1;
    }
    const TChannels sx = stepsOver(c1, c2, alongX);
    const TChannels sy = stepsOver(c1, c2, alongY);
    const bool fromBottom = angle >= 90 && angle <= 270;
    const bool fromRight = angle >= 180;
    for (int y = 0; y < height; ++y) {
        uchar *line = bitmap.scanLine(fromBottom ? height - 1 - y : y);
        for (int c = 0; c < 3; ++c) {
            const double rowStart = c1.V[c] - y * sy.V[c];
            const double step = sx.V[c];
            // One channel at a time in a plain loop the compiler can widen; the value is truncated toward
            // zero before it is held to 0 .. 255, as the band angles do.
            uchar *out = line + c;
            const int last = width - 1;
            for (int x = 0; x < width; ++x) {
                const int value = static_cast<int>(rowStart - (fromRight ? last - x : x) * step);
                out[3 * x] = static_cast<uchar>(std::clamp(value, 0, 255));
            }
        }
    }
}
