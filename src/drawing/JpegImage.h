// A JPEG picture: the file bytes as they were loaded, so documents store them back unchanged, and their
// pixels decoded at full size and best quality.
#pragma once

#include "drawing/Graphic.h"

#include <limits>

class TJpegImage : public TGraphic {
public:
    // Keeps data and decodes it. Throws EInvalidGraphic, leaving the image as it was, for data that is not a
    // whole JPEG image (damaged, cut short, or larger than memory allows) and, before any decoding, for one
    // whose header gives a side longer than largestSide pixels.
    void LoadFromData(const QByteArray &data, int largestSide = std::numeric_limits<int>::max());
    const QByteArray &Data() const { return data_; }

    QByteArray Extension() const override { return QByteArrayLiteral("jpg"); }
    bool Empty() const override { return bitmap_.isNull(); }
    // The decoded pixels, Bitmap24Format.
    const QImage &Bitmap() const override { return bitmap_; }

private:
    QByteArray data_;
    QImage bitmap_;
};
