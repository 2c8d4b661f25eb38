// The address designer's view: the zoom and the card's place in the scroll box, the object chooser and the
// settings commands that follow the focused object, the two fixed-object sets and turning the layout.
#include "designers/Layout.h"

#include "core/SharedHelpers.h"
#include "designers/CanvasGeometry.h"
#include "drawing/AdditionRect.h"
#include "drawing/BackImage.h"
#include "drawing/BarcodeRect.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace {

QVariant objectData(TDrawRect *object) { return QVariant::fromValue(quintptr(object)); }
TDrawRect *itemObject(const QComboBox *combo, int index)
{
    return reinterpret_cast<TDrawRect *>(combo->itemData(index).value<quintptr>());
}

}  // namespace


void TLayoutForm::sbxPreviewResize()
{
    if (!DocumentOpen) {
        StatusPanels[1]->hide();
        return;
    }
    ResizeGuard = 1;
    const QSize free = sbxPreview->size() - QSize(4, 4);
    const int choice = int(RatioGroup->actions().indexOf(RatioGroup->checkedAction()));
    const double requested = ZoomChoices[size_t(std::max(choice, 0))];
    const bool fit = requested == 0;
    if (fit || requested != ZoomRatio) {
        if (!fit) {
            ZoomRatio = requested;
        } else if (InPreview() && PrinterInfo && PrinterInfo->ScaleX > 0) {
            ZoomRatio = FitZoom(free, int(RoundHalfAway(PrinterInfo->PhysicalWidth / PrinterInfo->ScaleX)),
                                int(RoundHalfAway(PrinterInfo->PhysicalHeight / PrinterInfo->ScaleY)));
        } else {
            ZoomRatio = FitZoom(free, PaperWidth, PaperHeight);
        }
    }
    const QSize card(int(std::lrint(PaperWidth * ZoomRatio)), int(std::lrint(PaperHeight * ZoomRatio)));
    const QSize page = card + QSize(2 * CardMargin, 2 * CardMargin);
    StatusPanels[1]->setFixedWidth(ScaleByDpi(90, true));
    StatusPanels[1]->show();
    StatusPanels[1]->setText(QStringLiteral("  表示： %1%").arg(int(RoundHalfAway(ZoomRatio * 100))));
    if (actGrid->isChecked()) {
        GridPitch = GridPitches[GridSize];
        GridColumns = GridPitch > 0 ? card.width() / GridPitch : 0;
        GridRows = GridPitch > 0 ? card.height() / GridPitch : 0;
    }
    if (!InPreview()) {
        const TRenderTarget target = PrinterInfo ? PrinterInfo->RenderTarget() : TRenderTarget{};
        for (TDrawRect *object : ZOrderList) {
            object->SetZoom(ZoomRatio);
            object->Prepare(target, false);
        }
    }
    PrintRangeRect = TRect{int(PrintableArea.Left * ZoomRatio), int(PrintableArea.Top * ZoomRatio),
                           int(PrintableArea.Right * ZoomRatio), int(PrintableArea.Bottom * ZoomRatio)};
    // The page is centred while it is smaller than the box, and scrolls once it is larger.
    const QSize viewport = sbxPreview->viewport()->size();
    QWidget *area = sbxPreview->widget();
    area->resize(std::max(page.width(), viewport.width()), std::max(page.height(), viewport.height()));
    const QPoint at(std::max(0, (area->width() - page.width()) / 2), std::max(0, (area->height() - page.height()) / 2));
    bvSpacer->setGeometry(QRect(at, page));
    pnlCard->setGeometry(QRect(at + QPoint(CardMargin, CardMargin), card));
    pnlCard->show();
    // In the screen's own pixel format: a picture of three bytes a pixel is converted whole on every paint.
    if (!InPreview() && !BackgroundSource.isNull() && !card.isEmpty() && BackgroundBitmap.size() != card)
        BackgroundBitmap = BackgroundSource.scaled(card, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB32);
    ResizeGuard = 0;
    pnlCard->update();
}

void TLayoutForm::cbxRatioClick(QComboBox *combo)
{
    QAction *item = RatioGroup->actions().value(combo->currentIndex());
    if (!item || item->isChecked())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    item->setChecked(true);
    cbxRatio->setCurrentIndex(combo->currentIndex());
    cbxRatio2->setCurrentIndex(combo->currentIndex());
    sbxPreview->horizontalScrollBar()->setValue(0);
    sbxPreview->verticalScrollBar()->setValue(0);
    sbxPreviewResize();
    QApplication::restoreOverrideCursor();
}

// ---- The object chooser ----

void TLayoutForm::FillObjectList()
{
    cbxViewRect->clear();
    cbxViewRect->addItem(QStringLiteral("なし"));
    const auto add = [this](const QString &text, TDrawRect *object, bool always) {
        if (always || object->Visible)
            cbxViewRect->addItem(text, objectData(object));
    };
    const bool split = SplitLayout != 0;
    // A letter body has no fixed objects on its paper.
    const bool fixed = Layout.Kind != DesignDocument;
    if (fixed && (PrintParts == 0 || PrintParts == 1)) {
        if (split) {
            const QStringList names{QStringLiteral("郵便番号"), QStringLiteral("住所１"), QStringLiteral("住所２"),
                                    QStringLiteral("住所３"),   QStringLiteral("名前"),  QStringLiteral("会社"),
                                    QStringLiteral("部署"),     QStringLiteral("役職"),  QStringLiteral("バーコード")};
            const int order[] = {0, 1, 2, 3, 7, 4, 5, 6, SplitBarcodeIndex};
            for (int i = 0; i < names.size(); ++i)
                add(names[i], SplitObjects[size_t(order[i])].get(), false);
        } else {
            add(QStringLiteral("郵便番号"), CombinedObjects[0].get(), true);
            add(QStringLiteral("住所"), CombinedObjects[1].get(), true);
            add(QStringLiteral("名前"), CombinedObjects[2].get(), true);
            add(QStringLiteral("バーコード"), CombinedObjects[CombinedBarcodeIndex].get(), false);
        }
        if (Layout.HasRecordItems())
            for (int row = 0; row < 4; ++row)
                add(QStringLiteral("追加情報") + QString(QChar(u'１' + row)), &Layout.RecordItem(row), false);
    }
    if (fixed && (PrintParts == 0 || PrintParts == 2)) {
        if (split) {
            const QStringList names{
                QStringLiteral("差出人郵便番号"), QStringLiteral("差出人住所１"),   QStringLiteral("差出人住所２"),
                QStringLiteral("差出人住所３"),   QStringLiteral("差出人名前"),     QStringLiteral("差出人会社"),
                QStringLiteral("差出人部署"),     QStringLiteral("差出人役職"),     QStringLiteral("差出人連絡先１"),
                QStringLiteral("差出人連絡先２"), QStringLiteral("差出人連絡先３"), QStringLiteral("差出人連絡先４")};
            const int order[] = {9, 10, 11, 12, 16, 13, 14, 15, 17, 18, 19, 20};
            for (int i = 0; i < names.size(); ++i)
                add(names[i], SplitObjects[size_t(order[i])].get(), false);
        } else {
            add(QStringLiteral("差出人郵便番号"), CombinedObjects[4].get(), true);
            add(QStringLiteral("差出人住所"), CombinedObjects[5].get(), true);
            add(QStringLiteral("差出人名前"), CombinedObjects[6].get(), true);
            add(QStringLiteral("差出人連絡先１"), CombinedObjects[7].get(), false);
            add(QStringLiteral("差出人連絡先２"), CombinedObjects[8].get(), false);
        }
    }
    const auto addFree = [&](const QString &word, const auto &list) {
        for (size_t i = 0; i < list.size(); ++i)
            cbxViewRect->addItem(word + QString::number(i + 1), objectData(list[i].get()));
    };
    addFree(QStringLiteral("イラスト"), IllustList);
    addFree(QStringLiteral("文章"), WordList);
    addFree(QStringLiteral("図形"), FigureList);
    addFree(QStringLiteral("QRコード"), QRCodeList);
    addFree(QStringLiteral("差出人ブロック"), Layout.SenderList);
    cbxViewRect->setCurrentIndex(0);
}

void TLayoutForm::cbxViewRectClick()
{
    const int index = cbxViewRect->currentIndex();
    if (index <= 0) {
        ClearSelection();
    } else {
        TDrawRect *object = itemObject(cbxViewRect, index);
        const auto at = std::find(SelectedList.begin(), SelectedList.end(), object);
        if (at == SelectedList.end()) {
            SelectedList = {object};
            FocusedIndex = 0;
        } else {
            FocusedIndex = int(at - SelectedList.begin());
        }
    }
    UpdateObjectActions();
    pnlCard->update();
}

void TLayoutForm::SyncObjectList()
{
    cbxViewRect->setCurrentIndex(0);
    if (TDrawRect *focused = FocusedObject()) {
        for (int i = cbxViewRect->count() - 1; i >= 1; --i)
            if (itemObject(cbxViewRect, i) == focused) {
                cbxViewRect->setCurrentIndex(i);
                break;
            }
    }
    UpdateObjectActions();
}

void TLayoutForm::UpdateObjectActions()
{
    const TDrawRect *focused = FocusedObject();
    const int kind = focused ? focused->GetKind() : -1;
    actIllustSet->setVisible(kind == ObjectKind::Illustration);
    pmiIllustDef->setVisible(kind == ObjectKind::Illustration);
    actWordEdit->setVisible(kind == ObjectKind::Word);
    actWordSet->setVisible(kind == ObjectKind::Word);
    actFigureSet->setVisible(kind == ObjectKind::Figure);
    actQRCodeSet->setVisible(kind == ObjectKind::QRCode);
}


// ---- Stacking and the fixed sets ----

void TLayoutForm::AddToZOrder(TDrawRect *object, bool visibleOnly)
{
    if (visibleOnly && !object->Visible)
        return;
    ZOrderList.insert(ZOrderList.begin(), object);
}


void TLayoutForm::ListFixedSet(uint8_t split)
{
    FixedObjects.clear();
    if (split)
        for (const auto &object : SplitObjects)
            FixedObjects.push_back(object.get());
    else
        for (const auto &object : CombinedObjects)
            FixedObjects.push_back(object.get());
    // A label's additions serve both sets.
    if (!split && Layout.HasRecordItems())
        for (int row = 0; row < 4; ++row)
            FixedObjects.push_back(&Layout.RecordItem(row));
}

void TLayoutForm::SetSplitLayout(uint8_t flag)
{
    SplitLayout = flag;
    // The file and new commands stack the objects themselves; switching them here too would stack them twice.
    const bool restack = DocumentOpen && !SplitSwitching;
    if (restack)
        for (TDrawRect *object : FixedObjects)
            RemoveFromZOrder(object);
    ListFixedSet(flag);
    auto *chosen = static_cast<TBarcodeRect *>(flag ? SplitObjects[SplitBarcodeIndex].get()
                                                    : CombinedObjects[CombinedBarcodeIndex].get());
    const auto *other = static_cast<const TBarcodeRect *>(flag ? CombinedObjects[CombinedBarcodeIndex].get()
                                                               : SplitObjects[SplitBarcodeIndex].get());
    chosen->SetBarSize(other->BarSize());
    chosen->Visible = other->Visible;
    if (!restack)
        return;
    const uint8_t horizontal = PaperFormat.Direction != 0 ? 1 : 0;
    for (TDrawRect *object : FixedObjects) {
        if (auto *barcode = dynamic_cast<TBarcodeRect *>(object)) {
            barcode->SetHorizontal(horizontal);
        } else if (auto *text = dynamic_cast<TMetaRect *>(object)) {
            text->SetDirection(horizontal);
            text->UpdateFontHeight();
        }
    }
    const auto stack = [this](std::initializer_list<int> order, bool always) {
        for (int i : order)
            if (always)
                AddToZOrder(FixedObjects[size_t(i)], false);
            else
                AddToZOrder(FixedObjects[size_t(i)], true);
    };
    if (PrintParts == 0 || PrintParts == 1) {
        if (flag)
            stack({0, 1, 2, 3, 4, 5, 6, 7}, false);
        else
            stack({0, 1, 2}, true);
        if (NoBarcode && chosen->Visible)
            chosen->Visible = 0;
        if (chosen->BarSize() > BarSize)
            chosen->SetBarSize(BarSize);
        AddToZOrder(chosen, true);
        if (Layout.HasRecordItems())
            for (int row = 0; row < 4; ++row)
                AddToZOrder(&Layout.RecordItem(row), true);
    }
    if (PrintParts == 0 || PrintParts == 2) {
        if (flag) {
            stack({9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, false);
        } else {
            stack({4, 5, 6}, true);
            stack({7, 8}, false);
        }
    }
}

void TLayoutForm::TurnLayout()
{
    const TRenderTarget target = PrinterInfo ? PrinterInfo->RenderTarget() : TRenderTarget{};
    for (TDrawRect *object : ZOrderList) {
        if (auto *barcode = dynamic_cast<TBarcodeRect *>(object)) {
            barcode->ConvertImage();
        } else if (auto *illust = dynamic_cast<TIllustRect *>(object)) {
            illust->RotatePicture(2);
        } else if (auto *figure = dynamic_cast<TFigureRect *>(object)) {
            const uint8_t lines = figure->LineDirections();
            const uint8_t diagonals = lines & 0x0C;
            if (figure->FigureKind() == TFigureRect::Line && (diagonals == 4 || diagonals == 8))
                figure->SetLineDirections(uint8_t((lines & ~0x0C) | (diagonals ^ 0x0C)));
            if (figure->FigureKind() == TFigureRect::Sector)
                figure->SetSectorDirection(uint8_t(3 - figure->SectorDirection()));
            if (figure->Gradation()) {
                const int a = figure->GradientAngle();
                figure->SetGradientAngle(a < 180 ? a + 180 : a - 180);
            }
        } else if (auto *qr = dynamic_cast<TQRCodeRect *>(object)) {
            qr->SetConvertImage(qr->Turned() ? 0 : 1);
        } else if (auto *text = dynamic_cast<TMetaRect *>(object)) {
            text->SetTurned(text->Turned() ? 0 : 1);
        }
        object->SetRect(TurnedRect(object->GetRect(), PaperWidth, PaperHeight));
        object->Prepare(target, false);
    }
    if (Layout.Background)
        Layout.Background->SetTurned(!Layout.Background->Turned());
}
