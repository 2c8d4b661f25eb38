// The address designer's card: painting the paper, the objects, the grid, the printable range and the
// selection, and the mouse and keyboard work on it (selecting, moving, resizing, the rubber band), each move
// or resize recorded as one undo step.
#include "designers/Layout.h"

#include "base/Numbers.h"
#include "designers/CanvasGeometry.h"
#include "designers/OutlineRect.h"
#include "drawing/SenderRect.h"
#include "drawing/BackImage.h"
#include "drawing/MetafileEx.h"
#include "geo/PaintPanel.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>

#include <algorithm>
#include <cmath>

namespace {

int roundInt(double value) { return int(RoundHalfAway(value)); }

QRect drawnRect(const TRect &r) { return QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1); }

bool intersects(const TRect &a, const TRect &b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace


// ---- Painting ----

void TLayoutForm::pnlCardPaint(QPainter &painter)
{
    if (ResizeGuard)
        return;
    const QSize card(int(std::lrint(PaperWidth * ZoomRatio)), int(std::lrint(PaperHeight * ZoomRatio)));
    TCanvas canvas(painter, 96, 96);
    if (PrinterInfo)
        canvas.SetTarget(PrinterInfo->RenderTarget());
    if (InPreview()) {
        canvas.PlayPicture(*PreviewMetafile, QRectF(0, 0, card.width(), card.height()));
    } else {
        if (!BackgroundBitmap.isNull() && !(PaperFormat.Kind == 1 && PrintParts == 2))
            painter.drawImage(QRect(QPoint(0, 0), card), BackgroundBitmap);
        if (Layout.Background && Layout.Background->Kind() != TBackImage::None)
            Layout.Background->DrawPage(canvas, QPoint(PaperFormat.Width, PaperFormat.Height), ZoomRatio, 0, 0);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, card.width() - 1, card.height() - 1);
        for (auto object = ZOrderList.rbegin(); object != ZOrderList.rend(); ++object)
            (*object)->Draw(canvas, 0, 0);
        if (actGrid->isChecked() && GridPitch > 0) {
            painter.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 3, Qt::SolidLine, Qt::SquareCap));
            for (int i = 0; i <= GridColumns; ++i)
                for (int j = 0; j <= GridRows; ++j)
                    painter.drawLine(i * GridPitch, j * GridPitch, i * GridPitch + 1, j * GridPitch);
        }
        drawMarks(painter);
    }
    if (actPrintRange->isChecked() && PrinterInfo) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(drawnRect(PrintRangeRect));
    }
    if (PaperFocusFromKeys && pnlCard->hasFocus()) {
        // Where the keys work now: a frame of the selection colour inside the paper's edge.
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(pnlCard->palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(0, 0), card).adjusted(2, 2, -2, -2));
    }
}

void TLayoutForm::drawMarks(QPainter &painter)
{
    painter.setBrush(Qt::NoBrush);
    for (size_t k = 0; k < SelectedList.size(); ++k) {
        const TDrawRect *object = SelectedList[k];
        const bool focused = int(k) == FocusedIndex;
        const TRect r = object->GetDispRect();
        // Inverted yellow, so the frame shows on white paper and on the paper's picture alike.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 1, focused ? Qt::SolidLine : Qt::DotLine));
        DrawOutlineRect(painter, drawnRect(r));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        const bool hollow = object->GetKind() == ObjectKind::Barcode || object->GetKind() == ObjectKind::QRCode;
        for (const TRect &handle : SelectionHandles(r)) {
            if (hollow) {
                painter.setPen(QPen(Qt::black, 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(drawnRect(handle));
            } else {
                painter.fillRect(handle.ToQRect(), focused ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80));
            }
        }
    }
    // The outlines of a drag and the rubber band, white dotted and inverted.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    if (OutlineShown) {
        if (Dragging)
            for (const TRect &outline : DragOutlines)
                DrawOutlineRect(painter, drawnRect(NormalizedRect(outline)));
        else
            DrawOutlineRect(painter, drawnRect(NormalizedRect(Band)));
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// ---- Mouse ----

void TLayoutForm::pnlCardMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at)
{
    if (InPreview() || CardDoubleClicked)
        return;
    const bool ctrl = modifiers & Qt::ControlModifier;
    ConstrainDrag = (modifiers & Qt::ShiftModifier) ? 1 : 0;
    if (!pnlCard->hasFocus())
        pnlCard->setFocus(Qt::MouseFocusReason);
    const Qt::CursorShape cursor = pnlCard->cursor().shape();
    if (cursor == Qt::ArrowCursor || cursor == Qt::SizeAllCursor) {
        int oldFocus = FocusedIndex;
        cbxViewRect->setCurrentIndex(0);
        FocusedIndex = -1;
        const auto hit = std::find_if(ZOrderList.begin(), ZOrderList.end(),
                                      [&](const TDrawRect *object) { return object->PtInRect(at.x(), at.y()); });
        if (hit != ZOrderList.end()) {
            const auto selected = std::find(SelectedList.begin(), SelectedList.end(), *hit);
            if (selected == SelectedList.end()) {
                if (!ctrl)
                    SelectedList.clear();
                SelectedList.push_back(*hit);
                FocusedIndex = int(SelectedList.size()) - 1;
            } else if (!ctrl) {
                FocusedIndex = int(selected - SelectedList.begin());
            } else {
                const int removed = int(selected - SelectedList.begin());
                SelectedList.erase(selected);
                if (oldFocus >= removed)
                    --oldFocus;
            }
        }
        if (FocusedIndex < 0) {
            if (!ctrl)
                SelectedList.clear();
            else
                FocusedIndex = oldFocus;
        }
        SyncObjectList();
        pnlCard->update();
    }
    if (button != Qt::LeftButton)
        return;
    DragStart = at;
    DragPending = false;
    if (FocusedObject() && !ctrl) {
        OutlineShown = 0;
        Qt::CursorShape shape = pnlCard->cursor().shape();
        if (shape == Qt::ArrowCursor)
            shape = Qt::SizeAllCursor;
        pnlCard->setCursor(shape);
        DragCursor = shape;
        if (shape != Qt::SizeAllCursor)
            for (const TDrawRect *object : SelectedList) {
                const TEdgeCodes codes = object->EdgeHitTest(at.x(), at.y());
                if (codes.Horizontal != EdgeCode::None && codes.Vertical != EdgeCode::None) {
                    ResizeHandle = codes;
                    break;
                }
            }
        DragPending = true;
    }
}

void TLayoutForm::pnlCardMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint at)
{
    if (InPreview() || CardDoubleClicked)
        return;
    if (!(buttons & Qt::LeftButton)) {
        if (!FocusedObject()) {
            pnlCard->setCursor(Qt::ArrowCursor);
            return;
        }
        if (modifiers & Qt::ControlModifier)
            return;
        Qt::CursorShape shape = Qt::ArrowCursor;
        for (const TDrawRect *object : SelectedList) {
            shape = object->HitTest(at.x(), at.y());
            if (shape != Qt::ArrowCursor)
                break;
        }
        pnlCard->setCursor(shape);
        return;
    }
    if (DragPending) {
        // The drag starts once the mouse has moved a pixel.
        if (!Dragging && at == DragStart)
            return;
        Dragging = true;
        pnlCardDragOver(at);
        return;
    }
    if (DragStart == QPoint(-1, -1))
        DragStart = at;
    Band = TRect{DragStart.x(), DragStart.y(), at.x(), at.y()};
    OutlineShown = 1;
    pnlCard->update();
}

void TLayoutForm::pnlCardMouseUp(Qt::MouseButton button)
{
    if (InPreview())
        return;
    if (button == Qt::LeftButton && Dragging) {
        pnlCardEndDrag();
    } else if (OutlineShown && !Dragging) {
        // Objects the band touches join the selection; with Ctrl too, none leaves it.
        const TRect band = NormalizedRect(Band);
        for (auto object = ZOrderList.rbegin(); object != ZOrderList.rend(); ++object) {
            if (!intersects((*object)->GetDispRect(), band))
                continue;
            if (std::find(SelectedList.begin(), SelectedList.end(), *object) != SelectedList.end())
                continue;
            SelectedList.push_back(*object);
            FocusedIndex = int(SelectedList.size()) - 1;
        }
        SyncObjectList();
        OutlineShown = 0;
        Band = {};
        DragStart = QPoint(-1, -1);
        pnlCard->update();
    } else if (CardDoubleClicked && FocusedObject()) {
        switch (FocusedObject()->GetKind()) {
        case ObjectKind::Barcode: actBarcodeSet->trigger(); break;
        case ObjectKind::Illustration: actIllustSet->trigger(); break;
        case ObjectKind::Word: actWordSet->trigger(); break;
        case ObjectKind::Figure: actFigureSet->trigger(); break;
        case ObjectKind::QRCode: actQRCodeSet->trigger(); break;
        default: actFont->trigger(); break;
        }
    }
    if (button == Qt::LeftButton) {
        DragPending = false;
        Dragging = false;
    }
    CardDoubleClicked = 0;
}

void TLayoutForm::pnlCardDblClick()
{
    if (!InPreview())
        CardDoubleClicked = 1;
}

void TLayoutForm::pnlCardDragOver(QPoint at)
{
    if (InPreview() || SelectedList.empty())
        return;
    std::vector<TRect> rects;
    for (const TDrawRect *object : SelectedList)
        rects.push_back(object->GetDispRect());
    const QPoint delta = at - DragStart;
    const int pitch = SnapOn() ? GridPitch : 0;
    if (DragCursor == Qt::SizeAllCursor) {
        const TDrawRect *focused = FocusedObject();
        const QPoint d = MoveDelta(delta, focused ? focused->GetDispRect() : rects.front(), pitch, ConstrainDrag);
        for (TRect &r : rects)
            r = OffsetRect(r, d.x(), d.y());
        DragOutlines = rects;
    } else {
        DragOutlines = ResizeOutlines(rects, ResizeHandle, delta, pitch, ConstrainDrag);
    }
    OutlineShown = 1;
    pnlCard->update();
}


void TLayoutForm::pnlCardEndDrag()
{
    if (InPreview() || !OutlineShown || DragOutlines.size() != SelectedList.size())
        return;
    PendingUndo = std::make_unique<TUndoDatas>(3);
    StoreSelection(0);
    const int minimum = roundInt(MinimumObjectSize * ZoomRatio);
    for (size_t i = 0; i < SelectedList.size(); ++i) {
        TDrawRect *object = SelectedList[i];
        const TRect outline = FinalOutline(DragOutlines[i], minimum);
        const TRect shown = object->GetDispRect();
        PendingUndo->AddRect(object->GetRect(), Layout.ZIndexOf(object), 0, -1, SelectedSenderPart(object));
        if (outline.Width() == shown.Width() && outline.Height() == shown.Height())
            object->SetRect(OffsetRect(object->GetRect(), roundInt((outline.Left - shown.Left) / ZoomRatio),
                                       roundInt((outline.Top - shown.Top) / ZoomRatio)));
        else
            object->SetDispRect(outline);
    }
    FinishMoveStep();
    OutlineShown = 0;
    DragOutlines.clear();
    DragStart = QPoint(-1, -1);
}

void TLayoutForm::FinishMoveStep()
{
    for (size_t i = 0; i < SelectedList.size(); ++i) {
        TDrawRect *object = SelectedList[i];
        object->SetRect(KeepOnPaper(object->GetRect(), PaperWidth, PaperHeight));
        PendingUndo->UpdateRect(int(i), object->GetRect(), 1);
    }
    StoreSelection(1);
    UndoList.Add(std::move(PendingUndo));
    MarkModified();
}

// ---- Keys ----

void TLayoutForm::pnlCardKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const TDrawRect *focused = FocusedObject();
    if (!focused || InPreview())
        return;
    if (key == Qt::Key_Delete) {
        actDelete->trigger();
        return;
    }
    const bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
    const bool forward = key == Qt::Key_Right || key == Qt::Key_Down;
    if (!horizontal && key != Qt::Key_Up && key != Qt::Key_Down)
        return;
    const bool ctrl = modifiers & Qt::ControlModifier;
    int step = 0;
    if (SnapOn() && GridPitch > 0) {
        const TRect shown = focused->GetDispRect();
        const int p = horizontal ? (ctrl ? shown.Right : shown.Left) : (ctrl ? shown.Bottom : shown.Top);
        step = roundInt((ArrowGridTarget(p, GridPitch, forward) - p) / ZoomRatio);
    } else {
        step = (modifiers & Qt::ShiftModifier) ? 10 : 1;
        if (!forward)
            step = -step;
    }
    const int dx = horizontal ? step : 0, dy = horizontal ? 0 : step;
    PendingUndo = std::make_unique<TUndoDatas>(3);
    StoreSelection(0);
    for (TDrawRect *object : SelectedList) {
        TRect r = object->GetRect();
        PendingUndo->AddRect(r, Layout.ZIndexOf(object), 0, -1, SelectedSenderPart(object));
        if (!ctrl) {
            r = OffsetRect(r, dx, dy);
        } else {
            r.Right += dx;
            r.Bottom += dy;
            r = NormalizedRect(r);
            r.Right = std::max(r.Right, r.Left + MinimumObjectSize);
            r.Bottom = std::max(r.Bottom, r.Top + MinimumObjectSize);
        }
        object->SetRect(r);
    }
    FinishMoveStep();
}

void TLayoutForm::pnlCardContextPopup(const QContextMenuEvent &request)
{
    if (InPreview())
        return;
    if (request.reason() != QContextMenuEvent::Keyboard) {
        PopupMenu->popup(request.globalPos());
        return;
    }
    // The keys' request carries no point of the user's: the menu opens on the object it acts on, else at the
    // paper's corner, inside what the view shows of the paper.
    QRect shown = pnlCard->visibleRegion().boundingRect();
    if (shown.isEmpty())
        shown = pnlCard->rect();
    QPoint at = shown.topLeft();
    if (const TDrawRect *focused = FocusedObject()) {
        const TRect r = focused->GetDispRect();
        at = QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    PopupMenu->popup(pnlCard->mapToGlobal(QPoint(std::clamp(at.x(), shown.left(), shown.right()),
                                                 std::clamp(at.y(), shown.top(), shown.bottom()))));
}

// ---- The card's events ----

bool TLayoutForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sbxPreview && event->type() == QEvent::Resize) {
        sbxPreviewResize();
        return false;
    }
    if (watched != pnlCard)
        return TDesignerForm::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        pnlCardMouseDown(mouse->button(), mouse->modifiers(), mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        pnlCardMouseMove(mouse->buttons(), mouse->modifiers(), mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        pnlCardMouseUp(mouse->button());
        return true;
    }
    case QEvent::MouseButtonDblClick:
        pnlCardDblClick();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        // Shift pressed or let go during a drag applies or lifts the constraint at once.
        if (key->key() == Qt::Key_Shift && Dragging) {
            ConstrainDrag = event->type() == QEvent::KeyPress ? 1 : 0;
            pnlCardDragOver(pnlCard->mapFromGlobal(QCursor::pos()));
            return true;
        }
        if (event->type() == QEvent::KeyPress && FocusedObject()
            && (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Left || key->key() == Qt::Key_Right
                || key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            pnlCardKeyDown(key->key(), key->modifiers());
            return true;
        }
        return false;
    }
    case QEvent::ContextMenu:
        // The Menu key comes as a key press too: only this request opens the menu, so it opens once.
        pnlCardContextPopup(*static_cast<QContextMenuEvent *>(event));
        return true;
    case QEvent::FocusIn: {
        // The frame shows a focus the keys or a screen reader gave the paper, not a click's; the focus coming back
        // from its pop-up or a dialog keeps how it came.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            PaperFocusFromKeys = reason != Qt::MouseFocusReason;
        pnlCard->update();
        return false;
    }
    case QEvent::FocusOut:
        pnlCard->update();
        return false;
    case QEvent::Leave:
        pnlCard->setCursor(Qt::ArrowCursor);
        return false;
    default:
        return false;
    }
}
