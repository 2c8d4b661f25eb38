// The 1-pixel outlines of the designers' canvas (selection frames, drag outlines, rubber band), drawn inverted
// over the card many at a time while the mouse moves.
#pragma once

class QPainter;
class QRect;

// The pixels painter.drawRect(r) sets with the painter's pen and composition mode, the same ones, set in small
// batches. An inverting composition mode sends the spans of a single call of more than a few dozen rows to
// worker threads, which costs more than the drawing itself and far more on a busy machine; points in batches
// stay on the painting thread. A solid or dotted pen of one pixel is drawn so, on an unturned, unscaled
// painter and within the device. Beyond the device's edge, where drawRect clips the outline its own way, a
// dotted one is left to drawRect a band of rows at a time; anything else is left to drawRect whole.
void DrawOutlineRect(QPainter &painter, const QRect &r);
