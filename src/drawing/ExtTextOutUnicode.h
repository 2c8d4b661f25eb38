// Text with one advance per character, as the postal-code and name layouts place it, also along a rotated
// (vertical) font: the wide output of the device, and the converter that draws the characters one at a time
// through the 8-bit output.
#pragma once

#include "drawing/Canvas.h"

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <stdexcept>

// A text output call of the device failed.
class ETextOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Draws count UTF-16 units of text at (x, y) with the advances dx (one per unit) in the canvas font, along
// its escapement. The device draws wide text itself, so this is its wide output; true when drawn.
bool ExtTextOutUnicode(TCanvas &dc, int x, int y, unsigned options, const TRect *rect, const QChar *text, int count,
                       const int *dx);

// One UTF-16 unit as the 8-bit output draws it.
struct TTextPiece {
    QByteArray Text;  // Shift-JIS form of the unit ("?" when it has none)
    int Offset = 0;   // sum of the advances of the pieces before it
    int Width = 0;    // its own advance
};

// One 8-bit output call of the converter.
struct TTextOutCall {
    int Piece = 0;
    int X = 0;
    int Y = 0;
    unsigned Options = 0;
    int Advance = 0;           // the advance of the piece's first byte
    bool Transparent = false;  // drawn with the background mode transparent
};

class TExtTextOutConverter {
public:
    TExtTextOutConverter(int x, int y, unsigned options, const TRect *rect, QStringView text, const int *dx);

    const QList<TTextPiece> &Pieces() const { return pieces_; }
    const TRect &ClipRect() const { return clipRect_; }

    // The calls Draw makes for a font of this escapement (tenths of a degree) on a device of this resolution:
    // the first piece with the whole extent (so an opaque background covers the string), then the farthest
    // piece and every piece with its own advance over a transparent background.
    QList<TTextOutCall> Plan(int escapement, int logPixelsX, int logPixelsY) const;
    // Raises ETextOutError when an output call fails; the device state is restored in any case.
    void Draw(TCanvas &dc) const;

private:
    int x_;
    int y_;
    unsigned options_;
    TRect clipRect_;
    QList<TTextPiece> pieces_;
};
