#include "drawing/SelfSizedRect.h"

#include "base/Numbers.h"

void TSelfSizedRect::SetRect(const TRect &rect)
{
    TRect r = rect;
    if (KeepRect == 0) {
        const QSize size = OwnSize();
        r.Right = r.Left + size.width();
        r.Bottom = r.Top + size.height();
    }
    KeepRect = 0;
    // The object grows around its centre or from its corner as its content asks; a document holding it must
    // still read back, so it never leaves the coordinates a stored rectangle may have.
    TDrawRect::SetRect(KeptWithinReach(r));
}

void TSelfSizedRect::SetDispRect(const TRect &rect)
{
    const long double zoom = Zoom_;
    const TRect shown = GetDispRect();
    const int dx = RoundToInt((rect.Left - shown.Left) / zoom);
    const int dy = RoundToInt((rect.Top - shown.Top) / zoom);
    SetSizedRect({Rect.Left + dx, Rect.Top + dy, Rect.Right + dx, Rect.Bottom + dy});
}

Qt::CursorShape TSelfSizedRect::HitTest(int x, int y) const
{
    (void)x;
    (void)y;
    return Qt::ArrowCursor;
}

void TSelfSizedRect::SetSizedRect(const TRect &rect)
{
    KeepRect = 1;
    SetRect(rect);
}
