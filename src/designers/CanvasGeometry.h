// The arithmetic of the designers' canvas, without widgets: the zoom that fits the paper, grid snapping, the
// outlines of a move or resize drag, the steps of the arrow keys, keeping objects on the paper, and turning a
// rectangle with the paper. Rectangles are the layouts' (right and bottom the first column and row outside).
#pragma once

#include "drawing/DrawRect.h"
#include "drawing/Rect.h"

#include <QPoint>
#include <QSize>

#include <array>
#include <vector>

// The grid's pitch in screen pixels by grid size 0 (none) to 3; the grid does not follow the zoom.
inline constexpr std::array<int, 4> GridPitches{0, 15, 25, 35};
// The margin around the card in the scroll box, in pixels.
inline constexpr int CardMargin = 20;
// The smallest width and height an edit leaves an object, in layout units.
inline constexpr int MinimumObjectSize = 10;

// The zoom at which the paper with its margins fits the free area.
double FitZoom(QSize free, int paperWidth, int paperHeight);
// The nearest multiple of pitch, halves away from zero.
int SnapToGrid(int value, int pitch);
// The grid line the arrow key brings an edge at pixel p to: the next one in the key's direction, an edge
// within 2 pixels before a line counting as on it.
int ArrowGridTarget(int p, int pitch, bool forward);

TRect OffsetRect(const TRect &r, int dx, int dy);
TRect NormalizedRect(const TRect &r);
TRect UnionRect(const std::vector<TRect> &rects);
// A layout rectangle lying wholly beside the paper comes back to its nearest edge; one that still touches
// the paper stays where it is.
TRect KeepOnPaper(const TRect &r, int paperWidth, int paperHeight);
// The rectangle turned by half a turn on the paper.
TRect TurnedRect(const TRect &r, int paperWidth, int paperHeight);

// The displacement of a move drag: with a pitch the focused rectangle lands on the grid, constrained the
// smaller axis stays put.
QPoint MoveDelta(QPoint delta, const TRect &focused, int pitch, bool constrain);
// The outlines of a resize drag by the handle's edge codes: the union of rects is stretched (constrained: in
// its aspect ratio, a middle handle growing the other side about the centre) and every rectangle with it.
std::vector<TRect> ResizeOutlines(const std::vector<TRect> &rects, TEdgeCodes handle, QPoint delta, int pitch,
                                  bool constrain);
// An outline normalised and at least minPixels wide and high (widened right and downward).
TRect FinalOutline(const TRect &outline, int minPixels);

// The eight 7-pixel handles of a selected object's displayed rectangle.
std::array<TRect, 8> SelectionHandles(const TRect &r);

// A picture's size in layout units at its resolution (dots per inch), shrunk in its proportions to the part of
// the printable area that lies on the paper when it is larger.
QSize PictureLayoutSize(QSize pixels, int resolution, const TRect &printable, int paperWidth, int paperHeight);
