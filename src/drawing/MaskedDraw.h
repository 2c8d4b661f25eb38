// A picture put on a canvas cut to a mask shape or with one colour left out. Two ways: composed (the
// picture's cut-away pixels made fully transparent, band by band, and blended) and clipped (a clip region
// built from the mask, the picture drawn through it). Both reach the screen, images, the printer and PDF
// alike, since neither relies on raster operations, which PDF does not have.
#pragma once

#include "drawing/Canvas.h"

#include <QColor>
#include <QImage>
#include <QRegion>

#include <optional>

class QIODevice;
class TMetafileEx;

// Loads a mask shape file (an SVG drawing of black shapes) into shape, sized by the drawing's view box.
// False, with shape emptied, when the file cannot be read.
bool LoadMaskShape(const QString &fileName, TMetafileEx &shape);

// A one-bit mask of width x height, white, with shape stretched into maskRect in black. Format_Mono:
// a 0 bit (black) is a pixel of the picture, a 1 bit (white) one that is cut away. A null image when the
// size is empty or beyond MaxBitmapBytes pixels.
QImage MaskFromShape(const TMetafileEx &shape, const TRect &maskRect, int width, int height);

// The picture stretched into target, shown only where shape (stretched into maskRect, relative to the
// target's top-left corner) is black.
void DrawWithMask(TCanvas &canvas, const QImage &picture, const TMetafileEx &shape, const TRect &maskRect,
                  const TRect &target);
// The picture stretched into target, every pixel of the transparent colour left out.
void DrawWithTransparentColor(TCanvas &canvas, const QImage &picture, const QColor &transparent,
                              const TRect &target);
// As DrawWithMask and DrawWithTransparentColor, through a clip region; the canvas's clip is kept.
void DrawClippedByMask(TCanvas &canvas, const QImage &picture, const TMetafileEx &shape, const TRect &maskRect,
                       const TRect &target);
void DrawClippedByColor(TCanvas &canvas, const QImage &picture, const QColor &transparent, const TRect &target);

// The region of a one-bit mask's black pixels, or none when it cannot be built. Built from the rectangle
// list below, one rectangle per run of black pixels in a row.
std::optional<QRegion> RegionFromMask(const QImage &mask);

// A rectangle list: little-endian header of 32 bytes (header size 32, kind 1, rectangle count, region size
// 0, bounds left/top/right/bottom) followed by count rectangles of 16 bytes (left, top, right, bottom; right
// and bottom exclusive). Read from the stream's position in chunks of at most 4000 rectangles; none when the
// list is cut short or a chunk is refused (a header of another size or kind, a rectangle turned inside
// out), and then nothing past the chunk is read.
std::optional<QRegion> RegionFromRectList(QIODevice &stream);
