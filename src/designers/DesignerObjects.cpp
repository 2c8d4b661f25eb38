// The commands that add free objects and apply their settings dialogs, and the font command: each runs its
// dialog modally on the designer, ends without a change on Cancel, and otherwise leaves one undo step.
#include "designers/Designer.h"

#include "core/SharedHelpers.h"
#include "designers/DesignGeometry.h"
#include "designers/FgrSet.h"
#include "designers/IlstSet.h"
#include "designers/LytFont.h"
#include "designers/QRCode.h"
#include "designers/WordEdit.h"
#include "designers/WordSet.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"
#include "platform/Forms.h"

#include <QAction>
#include <QApplication>

namespace {

// Start rectangles of new objects in layout units.
constexpr TRect VerticalWordStart{50, 50, 200, 300};
constexpr TRect HorizontalWordStart{50, 50, 300, 200};
constexpr TRect FigureStart{50, 50, 300, 300};
constexpr TRect QRCodeStart{50, 50, 50, 50};

// The dialog's answer: true for OK; the designer repaints before it applies the values.
bool accepted(QDialog &dialog, QWidget *owner)
{
    CenterFormOnOwner(&dialog, owner);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    owner->repaint();
    return true;
}

void setLines(TWordRect &text, const QStringList &lines)
{
    text.SetLineCount(int(lines.size()));
    for (int i = 0; i < lines.size(); ++i)
        text.SetLine(i, lines[i]);
}

}  // namespace

void TDesignerForm::PlaceNewObject(TDrawRect &object, bool fit)
{
    if (fit)
        object.SetRect(FitNewObject(object.GetRect(), Paper()));
    object.SetZoom(ZoomRatio);
    if (SnapOn()) {
        const bool corner = object.GetKind() == ObjectKind::QRCode;
        object.SetDispRect(corner ? SnapCornerToGrid(object.GetDispRect(), GridPitch)
                                  : SnapToGrid(object.GetDispRect(), GridPitch));
    }
    object.Prepare(RenderTarget(), false);
    TDesignObjects &doc = Objects();
    doc.ZOrderList.insert(doc.ZOrderList.begin(), &object);
    PendingUndo->AddDrawRect(object, 0, 1, doc.FreeIndexOf(&object));
    SelectedList = {&object};
    FocusedIndex = 0;
    FillObjectList();
    SyncObjectList();
}

// The step of an edit: the focused object recorded before it changes.
void TDesignerForm::BeginEditStep(TDrawRect &object)
{
    PendingUndo = std::make_unique<TUndoDatas>(2);
    StoreSelection(0);
    PendingUndo->AddDrawRect(object, Objects().ZIndexOf(&object), 0, Objects().FreeIndexOf(&object));
}

void TDesignerForm::ChangeOthers(TDrawRect *focused, const std::function<bool(const TDrawRect &)> &applies,
                                 const std::function<void(TDrawRect &)> &change)
{
    for (TDrawRect *other : SelectedList) {
        if (other == focused || !applies(*other))
            continue;
        const int item = PendingUndo->GetCount();
        const auto fixed = std::find(FixedObjects.begin(), FixedObjects.end(), other);
        const int listIndex = other->GetKind() <= ObjectKind::Barcode ? int(fixed - FixedObjects.begin())
                                                                    : Objects().FreeIndexOf(other);
        PendingUndo->AddDrawRect(*other, Objects().ZIndexOf(other), 0, listIndex);
        change(*other);
        other->SetZoom(ZoomRatio);
        PendingUndo->UpdateObject(item, *other, 1);
    }
}

void TDesignerForm::FinishEditStep()
{
    CommitStep();
    MarkModified();
}

void TDesignerForm::actFigureExecute(int tag)
{
    auto *focused = dynamic_cast<TFigureRect *>(FocusedObject());
    if (tag == 1 && !focused)
        return;
    std::unique_ptr<TFigureRect> added;
    if (tag == 0) {
        added = std::make_unique<TFigureRect>();
        added->Assign(*DefaultFigure);
        added->Visible = 1;
        added->SetRect(FigureStart);
    }
    TFigureSettingDialog dialog(this);
    dialog.SetFigureRect(added ? *added : *focused);
    if (!accepted(dialog, this))
        return;
    DefaultFigure->Assign(dialog.FPreview());
    DefaultsChanged = 1;
    if (added) {
        PendingUndo = std::make_unique<TUndoDatas>(0);
        added->Assign(dialog.FPreview());
        added->SetRect(FigureStart);
        TFigureRect &object = *added;
        Objects().FigureList.push_back(std::move(added));
        PlaceNewObject(object, true);
        FinishEditStep();
        return;
    }
    BeginEditStep(*focused);
    const TRect old = focused->GetRect();
    const TRect sized = dialog.FPreview().GetRect();
    focused->Assign(dialog.FPreview());
    focused->SetRect(TRect{old.Left, old.Top, old.Left + sized.Width(), old.Top + sized.Height()});
    focused->SetZoom(ZoomRatio);
    PendingUndo->UpdateObject(0, *focused, 1);
    const auto isFigure = [](const TDrawRect &other) { return other.GetKind() == ObjectKind::Figure; };
    ChangeOthers(focused, isFigure, [focused](TDrawRect &other) {
        const TRect kept = other.GetRect();
        other.Assign(*focused);
        other.SetRect(kept);
    });
    FinishEditStep();
}

void TDesignerForm::actQRCodeExecute(int tag)
{
    auto *focused = dynamic_cast<TQRCodeRect *>(FocusedObject());
    if (tag == 1 && !focused)
        return;
    TQRCodeSettingDialog dialog(this);
    if (focused)
        dialog.ResetPreview(*focused);
    else
        dialog.ResetPreview(TQRCodeRect());
    if (!accepted(dialog, this))
        return;
    if (tag == 0) {
        PendingUndo = std::make_unique<TUndoDatas>(0);
        auto added = std::make_unique<TQRCodeRect>();
        added->Assign(dialog.Preview());
        added->SetZoom(ZoomRatio);
        // The picture first: the code takes its size from it.
        added->Prepare(RenderTarget(), true);
        added->SetRect(QRCodeStart);
        // A code that does not fit right of and below its start goes to the paper's origin.
        const TRect r = added->GetRect();
        if (r.Right > PaperWidth || r.Bottom > PaperHeight)
            added->SetRect(TRect{0, 0, 0, 0});
        TQRCodeRect &object = *added;
        Objects().QRCodeList.push_back(std::move(added));
        PlaceNewObject(object, false);
        FinishEditStep();
        return;
    }
    BeginEditStep(*focused);
    const TRect old = focused->GetRect();
    focused->Assign(dialog.Preview());
    focused->SetZoom(ZoomRatio);
    focused->Prepare(RenderTarget(), true);
    focused->SetRect(TRect{old.Left, old.Top, old.Left, old.Top});
    PendingUndo->UpdateObject(0, *focused, 1);
    const auto isCode = [](const TDrawRect &other) { return other.GetKind() == ObjectKind::QRCode; };
    ChangeOthers(focused, isCode, [focused, this](TDrawRect &other) {
        auto &code = static_cast<TQRCodeRect &>(other);
        code.SetCellSize(focused->CellSize());
        code.SetForeColor(focused->ForeColor());
        code.SetBackColor(focused->BackColor());
        code.Prepare(RenderTarget(), true);
        code.SetRect(code.GetRect());
    });
    FinishEditStep();
}

void TDesignerForm::actWordSetExecute()
{
    auto *focused = dynamic_cast<TWordRect *>(FocusedObject());
    if (!focused)
        return;
    TWordSettingDialog dialog(this);
    dialog.SetWordRect(*focused);
    if (!accepted(dialog, this))
        return;
    BeginEditStep(*focused);
    const TRect old = focused->GetRect();
    const TRect sized = dialog.FPreview().GetRect();
    focused->Assign(dialog.FPreview());
    focused->SetRect(KeepInReach(TRect{old.Left, old.Top, old.Left + sized.Width(), old.Top + sized.Height()}));
    focused->SetZoom(ZoomRatio);
    PendingUndo->UpdateObject(0, *focused, 1);
    TakeWordDefaults(*focused, *DefaultWord);
    DefaultsChanged = 1;
    // Fixed texts take the font, illustrations the frame, other texts everything; the barcode, figures and
    // QR codes are left alone.
    const auto takes = [](const TDrawRect &other) {
        const uint8_t kind = other.GetKind();
        return kind < ObjectKind::Barcode || kind == ObjectKind::Illustration || kind == ObjectKind::Word;
    };
    ChangeOthers(focused, takes, [focused](TDrawRect &other) {
        if (auto *text = dynamic_cast<TWordRect *>(&other)) {
            const bool turned = text->Direction() != focused->Direction();
            CopyWordSettings(*focused, *text);
            text->Frame.Assign(focused->Frame);
            if (turned)
                text->SetRect(SwapExtent(text->GetRect()));
        } else if (auto *picture = dynamic_cast<TIllustRect *>(&other)) {
            picture->Frame.Assign(focused->Frame);
        } else if (auto *fixed = dynamic_cast<TMetaRect *>(&other)) {
            fixed->SetFont(focused->Font());
        }
    });
    FinishEditStep();
}

void TDesignerForm::actFontExecute()
{
    TDrawRect *focused = FocusedObject();
    const TFont *current = ObjectFont(focused);
    if (!current)
        return;
    TLayoutFontDialog dialog(this);
    dialog.SetFont(*current);
    if (!accepted(dialog, this))
        return;
    const TFont chosen = dialog.GetFont();
    PendingUndo = std::make_unique<TUndoDatas>(2);
    StoreSelection(0);
    const auto change = [this, &chosen](TDrawRect &object) {
        const int item = PendingUndo->GetCount();
        const auto fixed = std::find(FixedObjects.begin(), FixedObjects.end(), &object);
        PendingUndo->AddDrawRect(object, Objects().ZIndexOf(&object), 0,
                                 fixed != FixedObjects.end() ? int(fixed - FixedObjects.begin())
                                                             : Objects().FreeIndexOf(&object));
        SetObjectFont(object, chosen);
        PendingUndo->UpdateObject(item, object, 1);
    };
    change(*focused);
    const bool all = dialog.GetApplyAll();
    std::vector<TDrawRect *> others(FixedObjects.begin(), FixedObjects.end());
    for (const auto &word : Objects().WordList)
        others.push_back(word.get());
    for (const auto &block : Objects().SenderList)
        others.push_back(block.get());
    for (TDrawRect *other : others)
        if (other != focused && ObjectFont(other) && (all || IsSelected(other)))
            change(*other);
    FinishEditStep();
}

void TDesignerForm::actWordExecute(int tag)
{
    auto *focused = dynamic_cast<TWordRect *>(FocusedObject());
    if (tag == 1 && !focused)
        return;
    TWordEditDialog dialog(this);
    if (tag == 1) {
        QStringList lines;
        for (int i = 0; i < focused->GetLineCount(); ++i)
            lines << focused->GetLine(i);
        dialog.SetLines(lines);
        dialog.SetEditFont(focused->Font());
    }
    dialog.SetDirection(tag == 1 ? focused->Direction() : DefaultWord->Direction());
    if (!accepted(dialog, this))
        return;
    const QStringList lines = dialog.GetLines();
    const auto chosen = uint8_t(dialog.GetDirection());
    if (DefaultWord->Direction() != chosen) {
        DefaultWord->SetDirection(chosen);
        DefaultsChanged = 1;
    }
    if (tag == 0) {
        PendingUndo = std::make_unique<TUndoDatas>(0);
        auto added = std::make_unique<TWordRect>();
        setLines(*added, lines);
        CopyWordSettings(*DefaultWord, *added);
        added->SetRect(chosen == WritingDirection::Vertical ? VerticalWordStart : HorizontalWordStart);
        TWordRect &object = *added;
        Objects().WordList.push_back(std::move(added));
        PlaceNewObject(object, true);
        FinishEditStep();
        return;
    }
    BeginEditStep(*focused);
    setLines(*focused, lines);
    if (focused->Direction() != chosen) {
        focused->SetDirection(chosen);
        focused->SetRect(KeepInReach(SwapExtent(focused->GetRect())));
    }
    focused->SetZoom(ZoomRatio);
    PendingUndo->UpdateObject(0, *focused, 1);
    const auto turns = [chosen](const TDrawRect &other) {
        const auto *text = dynamic_cast<const TWordRect *>(&other);
        return text && text->Direction() != chosen;
    };
    ChangeOthers(focused, turns, [chosen](TDrawRect &other) {
        static_cast<TWordRect &>(other).SetDirection(chosen);
        other.SetRect(SwapExtent(other.GetRect()));
    });
    FinishEditStep();
}

void TDesignerForm::actIllustSetExecute()
{
    auto *focused = dynamic_cast<TIllustRect *>(FocusedObject());
    if (!focused)
        return;
    TIllustSettingDialog dialog(this);
    dialog.SetIllustRect(*focused);
    if (!accepted(dialog, this))
        return;
    BeginEditStep(*focused);
    const TRect old = focused->GetRect();
    const TRect sized = dialog.Preview().GetRect();
    focused->Assign(dialog.Preview());
    focused->SetRect(KeepInReach(TRect{old.Left, old.Top, old.Left + sized.Width(), old.Top + sized.Height()}));
    focused->SetZoom(ZoomRatio);
    PendingUndo->UpdateObject(0, *focused, 1);
    // Other illustrations take the cut-out shape and the frame, texts the frame.
    const auto takes = [](const TDrawRect &other) {
        return other.GetKind() == ObjectKind::Illustration || other.GetKind() == ObjectKind::Word;
    };
    ChangeOthers(focused, takes, [focused](TDrawRect &other) {
        if (auto *picture = dynamic_cast<TIllustRect *>(&other)) {
            picture->SetMaskIndex(focused->MaskIndex());
            picture->Frame.Assign(focused->Frame);
        } else {
            static_cast<TWordRect &>(other).Frame.Assign(focused->Frame);
        }
    });
    FinishEditStep();
}
