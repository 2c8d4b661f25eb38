// The geometry of the designers' editing commands, in layout units and integers (div truncating toward zero):
// paste placement, centring, alignment, even spacing, Z-order moves, the default layout, a new object's fit,
// the paper change and grid snapping. Widget-free, so every command is tested without a window.
#pragma once

#include "drawing/Rect.h"

#include <QList>
#include <QSize>

// Where a pasted group lands: the group's top-left corner on the paper's origin, its inner arrangement kept,
// and every object that then lies wholly beyond the paper's right or bottom edge pulled back onto the paper
// (its far edge on the paper's edge, or its near edge on 0 when it is larger than the paper). One rectangle
// per pasted object, in order.
QList<TRect> PlacePastedGroup(const QList<TRect> &rects, QSize paper);

// The centring commands: 0 up and down, 1 left and right, 2 both. The size stays.
enum class TPaperCentring { Vertical = 0, Horizontal = 1, Both = 2 };
TRect CentreOnPaper(const TRect &rect, TPaperCentring how, QSize paper);

// The alignment and size commands against the focused object's rectangle reference, by their tag: 0 top,
// 1 bottom, 2 right, 3 left, 4 centre up and down, 5 centre left and right, 6 centre, 7 width, 8 height,
// 9 width and height. Any other tag leaves rect as it is.
TRect AlignToReference(const TRect &rect, const TRect &reference, int tag);

// One object of an even spacing: its index in the selection and its new rectangle.
struct TSpacedRect {
    int Index = 0;
    TRect Rect;
};
// The even-spacing commands by their tag: 0 across the paper's width, 1 down its height, 2 between the
// outermost objects across, 3 between them down. The answer is in the order the objects are spaced (by left
// or top edge, equal edges in selection order); fewer than two objects are left where they are.
QList<TSpacedRect> SpaceEvenly(const QList<TRect> &rects, int tag, QSize paper);

// One step of a Z-order command: the entry at From goes to To (the entries between shift by one place).
struct TZOrderMove {
    int From = 0;
    int To = 0;
};
// The Z-order commands by their tag (0 to the top, 1 up one place, 2 down one place, 3 to the bottom) over a
// list whose entry i is selected when selected[i] is; index 0 is the top. The moves are applied in order.
QList<TZOrderMove> ZOrderMoves(const QList<bool> &selected, int tag);
// selected in the order the moves leave the list.
QList<bool> ApplyZOrderMoves(QList<bool> list, const QList<TZOrderMove> &moves);

// A customer barcode's place in its default rectangle: its own size, centred.
TRect CentreInRect(QSize own, const TRect &area);

// A new text or figure on the paper: shrunk (keeping its shape, about the origin) when it is wider or taller
// than the paper, then moved left and up as far as it sticks out beyond the right and bottom edges.
TRect FitNewObject(const TRect &rect, QSize paper);

// A paper change that scales the objects: each edge times the new extent over the old one, halves away from
// zero.
TRect ScaleToPaper(const TRect &rect, QSize oldPaper, QSize newPaper);
// A paper change that keeps the sizes: an object off the paper's near edge moves onto it; one beyond the far
// edge moves back until its far edge is on it, or its near edge on 0 when it is larger than the paper.
TRect BringOntoPaper(const TRect &rect, QSize paper);

// Width and height exchanged about the top-left corner (a text that changes its writing direction).
TRect SwapExtent(const TRect &rect);
// An object left wholly above or left of the paper by a change of size comes back to the edge it passed.
TRect KeepInReach(const TRect &rect);

// Snapping a displayed rectangle to a grid of pitch pixels: left and top to the grid line toward zero, right
// and bottom up to the next grid line. A pitch below 1 leaves it.
TRect SnapToGrid(const TRect &rect, int pitch);
// A self-sizing object snaps its left and top only; right and bottom come back as 0.
TRect SnapCornerToGrid(const TRect &rect, int pitch);

// An object shown in a square preview panel of client size: the zoom that gives its tighter side nine tenths
// of the panel, and its layout rectangle moved so that it stands in the panel's middle at that zoom.
struct TPreviewFit {
    double Zoom = 1.0;
    TRect Rect;
};
TPreviewFit FitInPreview(const TRect &rect, QSize client);
// The rectangle reflected in its diagonal: left and top exchanged, width and height exchanged (a text turned
// to the other writing direction in a square preview stays centred).
TRect ReflectInDiagonal(const TRect &rect);
