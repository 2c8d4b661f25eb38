// The rectangle the layouts, the objects and the canvas share.
#pragma once

#include <QRect>

// A rectangle as the layouts keep it: right and bottom are the first column and row outside it.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    bool operator==(const TRect &) const = default;
};
