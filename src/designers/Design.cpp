#include "designers/Design.h"

#include "drawing/SenderRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/SingleInstance.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

TDesignForm::TDesignForm(QWidget *owner) : TLayoutForm(owner, DesignDocument)
{
    actSenderBlock = new QAction(QStringLiteral("差出人ブロックの追加(&S)"), this);
    actSenderBlock->setObjectName(QStringLiteral("actSenderBlock"));
    actSenderBlock->setIconText(QStringLiteral("差出人ブロック"));
    connect(actSenderBlock, &QAction::triggered, this, &TDesignForm::actSenderBlockExecute);
    // Beside the other objects the user adds.
    for (QAction *menu : MainMenu->actions())
        if (menu->menu() && menu->menu()->actions().contains(actQRCode))
            menu->menu()->addAction(actSenderBlock);
    CommandToolBar->addAction(actSenderBlock);
    // The extra button makes its tool bar wider than the designers' first size: the window grows to show it.
    ensurePolished();
    if (const int grow = CommandToolBar->sizeHint().width() - width(); grow > 0) {
        // about the same centre, so a window first placed in the middle of the screen stays there
        move(x() - grow / 2, y());
        resize(width() + grow, height());
    }
    // A letter body has no sender places to show or hide and no record to step through.
    for (QAction *action : {actSender, actFirst, actPrior, actNext, actLast, actEditData, actAdrsView, actBarcodeSet})
        action->setVisible(false);
    actSenderPartMode = new QAction(QStringLiteral("パーツ単位で移動(&P)"), this);
    actSenderPartMode->setObjectName(QStringLiteral("actSenderPartMode"));
    actSenderPartMode->setCheckable(true);
    actSenderPartMode->setVisible(false);
    connect(actSenderPartMode, &QAction::triggered, this, &TDesignForm::actSenderPartModeExecute);
    // With the block's other settings, in the format menu and in the block's pop-up menu.
    for (QAction *menu : MainMenu->actions())
        if (menu->menu() && menu->menu()->actions().contains(actDataForm))
            menu->menu()->addAction(actSenderPartMode);
    PopupMenu->addAction(actSenderPartMode);
}

void TDesignForm::UpdateObjectActions()
{
    TLayoutForm::UpdateObjectActions();
    const auto *block = dynamic_cast<const TSenderRect *>(FocusedObject());
    actSenderPartMode->setVisible(block != nullptr);
    actSenderPartMode->setChecked(block && block->BlockMode == 0);
}

void TDesignForm::actSenderPartModeExecute()
{
    auto *block = dynamic_cast<TSenderRect *>(FocusedObject());
    if (!block || InPreview())
        return;
    block->BlockMode = actSenderPartMode->isChecked() ? 0 : 1;
    // A part is chosen by the next click on it.
    block->ClearSelection();
    // The steps recorded so far hold the rectangles of the block, or of its parts, as the mode was.
    UndoList.Clear();
    pnlCard->update();
    MarkModified();
}

void TDesignForm::actSenderBlockExecute()
{
    if (!DocumentOpen || InPreview())
        return;
    auto block = std::make_unique<TSenderRect>();
    // Across the foot of the paper, written the way the paper runs.
    const int margin = PaperWidth / 10;
    block->SetRect(TRect{margin, PaperHeight * 2 / 3, PaperWidth - margin, PaperHeight - margin});
    block->SetDirection(PaperFormat.Direction != 0 ? 1 : 0);
    block->UpdateFontHeight();
    TSenderRect &object = *block;
    Layout.SenderList.push_back(std::move(block));
    // Filled from the sender before it is first drawn.
    BindSenderBlocks();
    PendingUndo = std::make_unique<TUndoDatas>(0);
    PlaceNewObject(object, false);
    CommitStep();
    MarkModified();
}

void RegisterDesignForm()
{
    ShowDesignForm = [](TAddressList *owner) {
        auto *form = dynamic_cast<TDesignForm *>(DesignForm);
        if (!form) {
            form = new TDesignForm(owner);
            DesignForm = form;
        }
        ForceForegroundWindow(form);
    };
}
