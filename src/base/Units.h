// The lengths of layouts and pages. Stored rectangles are in layout units of 1/96 inch, paper sizes, print
// offsets and the pre-printed boxes in tenths of a millimetre, type sizes in points, and whatever is drawn in
// pixels of the device's own resolution. Every conversion multiplies before it divides, so whole values that
// meet exactly stay exact, and rounds halves away from zero.
#pragma once

#include "base/Numbers.h"

inline constexpr int LayoutDpi = 96;
inline constexpr int TenthsMmPerInch = 254;
inline constexpr int PointsPerInch = 72;

// A length of value units of 1/from inch in units of 1/to inch, unrounded.
constexpr long double Rescaled(long double value, long double from, long double to) { return value * to / from; }

// Pixels at dpi of a length in layout units.
inline int LayoutToPixels(long double units, long double dpi) { return RoundToInt(Rescaled(units, LayoutDpi, dpi)); }
// Layout units of a length in pixels at dpi.
inline int PixelsToLayout(long double pixels, long double dpi) { return RoundToInt(Rescaled(pixels, dpi, LayoutDpi)); }
// Pixels at dpi of a length in tenths of a millimetre.
inline int TenthsMmToPixels(long double tenths, long double dpi)
{
    return RoundToInt(Rescaled(tenths, TenthsMmPerInch, dpi));
}
// Layout units of a length in tenths of a millimetre.
inline int TenthsMmToLayout(long double tenths) { return TenthsMmToPixels(tenths, LayoutDpi); }
// Pixels at dpi of a type size in points.
inline int PointsToPixels(long double points, long double dpi)
{
    return RoundToInt(Rescaled(points, PointsPerInch, dpi));
}
// Layout units of a type size in points.
inline int PointsToLayout(long double points) { return PointsToPixels(points, LayoutDpi); }
// Pixels at dpi per layout unit.
constexpr double LayoutScale(int dpi) { return static_cast<double>(dpi) / LayoutDpi; }
