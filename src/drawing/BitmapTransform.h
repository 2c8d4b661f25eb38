// Pixel-level transformations of pictures: mirroring, quarter turns, and resampling to another size with a
// bilinear, a cubic-convolution or an area-averaging filter in 16.16 fixed point.
#pragma once

#include "drawing/Canvas.h"

#include <QImage>
#include <QPoint>

#include <array>

// A mirrored copy with the source's format and palette: left to right when horizontal, else top to bottom.
// Handles 1 bit (most significant bit first), 8, 16, 24 and 32 bits; a null image for any other format.
QImage MirrorBitmap(const QImage &bitmap, bool horizontal);

// A turned copy: mode 0 a quarter turn anticlockwise, 1 a quarter turn clockwise, 2 a half turn. A null image
// for any other mode or a format MirrorBitmap does not handle.
QImage RotateBitmap(const QImage &bitmap, int mode);

// The four cubic-convolution weights (a = −1) times scale for phase t (1 ≤ t < 2): the taps one before, at,
// one after and two after the sample position.
std::array<int, 4> CubicWeights(long double t, int scale);

enum class TResampleMode { Bilinear = 0, Bicubic = 1, Automatic = 2 };

// Scales source to scaledWidth × scaledHeight and writes the part inside scaledRect into target at offset;
// with no target, the part replaces source. Both become 24-bit (Bitmap24Format). Automatic averages areas when
// the picture shrinks both ways and filters bicubically otherwise. Nothing happens for a null source, a
// rectangle outside the scaled picture, a negative offset or a target too small for the part; a scaled size
// below one pixel gives an empty result (source emptied when there is no target, target untouched).
void ResampleBitmapRect(QImage &source, QImage *target, int scaledWidth, TResampleMode mode, QPoint offset,
                        const TRect &scaledRect, int scaledHeight);
// The whole source scaled to width × height.
void ResampleBitmap(QImage &source, QImage *target, int width, int height, TResampleMode mode);
// A 24-bit picture scaled to width × height as ResampleBitmap scales it (Automatic), in Format_RGB32, the
// format the PDF writer takes without copying: made a band of rows at a time, so no 24-bit copy of the scaled
// picture is held beside it. Null where the picture is null or the size cannot be made.
QImage ResampledForPrinting(const QImage &picture, int width, int height);
