// The base of the objects whose size follows from their content (the customer barcode, the QR code): the user
// moves them but never resizes them.
#pragma once

#include "drawing/DrawRect.h"

#include <QSize>

class TSelfSizedRect : public TDrawRect {
public:
    // Keeps r's left and top with the object's own size, unless the caller announced an already sized
    // rectangle with KeepRect.
    void SetRect(const TRect &rect) override;
    // A drag on the screen moves the object by the distance in layout units and never changes its size.
    void SetDispRect(const TRect &rect) override;
    // No resize handles.
    Qt::CursorShape HitTest(int x, int y) const override;

protected:
    // The size SetRect gives the object.
    virtual QSize OwnSize() const = 0;
    // Sets a rectangle the object has sized itself.
    void SetSizedRect(const TRect &rect);

    uint8_t KeepRect = 0;
};
