// The address designer's controls: its commands, menus, tool bars, the scroll box with the card, and the
// status bar.
#include "designers/Layout.h"

#include "core/SharedHelpers.h"
#include "geo/PaintPanel.h"
#include "platform/Forms.h"
#include "widgets/NamedControls.h"

#include <QActionGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct TActionDef {
    QAction *TLayoutForm::*Member;
    const char *Name;
    const char *Caption;
    QKeySequence Shortcut;
    const char *Hint;
};

const QStringList ZoomTexts{QStringLiteral("用紙全体"), QStringLiteral("200%"), QStringLiteral("175%"),
                            QStringLiteral("150%"),   QStringLiteral("125%"), QStringLiteral("100%"),
                            QStringLiteral("75%"),    QStringLiteral("50%")};

}  // namespace

void TLayoutForm::createActions()
{
    using L = TLayoutForm;
    const TActionDef defs[] = {
        {&L::actNew, "actNew", "新規作成(&N)", QKeySequence(Qt::CTRL | Qt::Key_N), "新規作成|新しく宛名のレイアウトを作成します"},
        {&L::actOpen, "actOpen", "開く(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O), "開く|保存された宛名レイアウトを開きます"},
        {&L::actClose, "actClose", "閉じる(&C)", QKeySequence(Qt::CTRL | Qt::Key_F4), "現在開いている宛名レイアウトを閉じます"},
        {&L::actSave, "actSave", "上書き保存(&S)", QKeySequence(Qt::CTRL | Qt::Key_S), "上書き保存|編集中の宛名レイアウトを保存します"},
        {&L::actSaveAs, "actSaveAs", "名前を付けて保存(&A)...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), "編集中の宛名レイアウトに名前を付けて保存します"},
        {&L::actRecent, "actRecent", "最近使ったファイル(&F)", {}, ""},
        {&L::actPrintSet, "actPrintSet", "印刷設定(&U)...", {}, "印刷の詳細設定を行います"},
        {&L::actPrint, "actPrint", "印刷(&P)...", {}, "印刷|表示中の宛名レイアウトでアドレス帳データを印刷します"},
        {&L::actExit, "actExit", "印刷の終了(&E)", {}, "印刷の終了|宛名印刷を終了します"},
        {&L::actUndo, "actUndo", "元に戻す(&U)", QKeySequence(Qt::CTRL | Qt::Key_Z), ""},
        {&L::actRedo, "actRedo", "やり直し(&R)", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ""},
        {&L::actCopy, "actCopy", "枠のコピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C), ""},
        {&L::actPaste, "actPaste", "枠の貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_V), ""},
        {&L::actDelete, "actDelete", "枠の削除(&D)", {}, ""},
        {&L::actFirst, "actFirst", "最初のデータ(&F)", {}, ""},
        {&L::actPrior, "actPrior", "前のデータ(&P)", {}, ""},
        {&L::actNext, "actNext", "次のデータ(&N)", {}, ""},
        {&L::actLast, "actLast", "最後のデータ(&L)", {}, ""},
        {&L::actEditData, "actEditData", "アドレス帳データの編集(&E)...", {}, ""},
        {&L::actSenderEdit, "actSenderEdit", "差出人の編集(&N)...", {}, ""},
        {&L::actSender, "actSender", "差出人の表示(&S)", {}, ""},
        {&L::actBarcodeSet, "actBarcodeSet", "バーコードの設定(&B)...", {}, ""},
        {&L::actAdrsList, "actAdrsList", "アドレス帳一覧(&L)", QKeySequence(Qt::Key_F6), ""},
        {&L::actAdrsView, "actAdrsView", "アドレス帳詳細(&I)", QKeySequence(Qt::Key_F7), ""},
        {&L::actIllust, "actIllust", "イラストの選択(&I)...", {}, ""},
        {&L::actWord, "actWord", "文章の追加(&W)...", {}, ""},
        {&L::actWordEdit, "actWordEdit", "文章の編集(&W)...", {}, ""},
        {&L::actFigure, "actFigure", "図形の追加(&F)...", {}, ""},
        {&L::actFigureSet, "actFigureSet", "図形の設定(&V)...", {}, ""},
        {&L::actQRCode, "actQRCode", "QRコードの追加(&Q)...", {}, ""},
        {&L::actQRCodeSet, "actQRCodeSet", "QRコードの設定(&V)...", {}, ""},
        {&L::actIllustSet, "actIllustSet", "表示の設定(&V)...", {}, ""},
        {&L::actWordSet, "actWordSet", "表示の設定(&V)...", {}, ""},
        {&L::actFormat, "actFormat", "用紙の設定(&P)...", {}, ""},
        {&L::actFont, "actFont", "フォントの設定(&T)...", {}, ""},
        {&L::actDetail, "actDetail", "フォント・配置の詳細設定(&Y)...", {}, ""},
        {&L::actDataForm, "actDataForm", "表示情報の書式の設定(&F)...", {}, ""},
        {&L::actRectPos, "actRectPos", "枠の移動(&M)", {}, ""},
        {&L::actPaperCenterV, "actPaperCenterV", "用紙の上下中央に移動(&V)", {}, ""},
        {&L::actPaperCenterH, "actPaperCenterH", "用紙の左右中央に移動(&H)", {}, ""},
        {&L::actPaperCenter, "actPaperCenter", "用紙の中央に移動(&C)", {}, ""},
        {&L::actRectUnite, "actRectUnite", "枠の整列(&A)", {}, ""},
        {&L::actRectTop, "actRectTop", "上に揃える(&T)", {}, ""},
        {&L::actRectBottom, "actRectBottom", "下に揃える(&B)", {}, ""},
        {&L::actRectRight, "actRectRight", "右に揃える(&R)", {}, ""},
        {&L::actRectLeft, "actRectLeft", "左に揃える(&L)", {}, ""},
        {&L::actRectCenterV, "actRectCenterV", "上下中央に揃える(&F)", {}, ""},
        {&L::actRectCenterH, "actRectCenterH", "左右中央に揃える(&D)", {}, ""},
        {&L::actRectCenter, "actRectCenter", "中心に揃える(&O)", {}, ""},
        {&L::actRectWidth, "actRectWidth", "幅を揃える(&W)", {}, ""},
        {&L::actRectHeight, "actRectHeight", "高さを揃える(&E)", {}, ""},
        {&L::actRectSize, "actRectSize", "幅・高さを揃える(&A)", {}, ""},
        {&L::actEqualPaperH, "actEqualPaperH", "用紙に合わせて横に等間隔に並べる(&E)", {}, ""},
        {&L::actEqualPaperV, "actEqualPaperV", "用紙に合わせて縦に等間隔に並べる(&Q)", {}, ""},
        {&L::actEqualEndsH, "actEqualEndsH", "両端の枠に合わせて横に等間隔に並べる(&N)", {}, ""},
        {&L::actEqualEndsV, "actEqualEndsV", "両端の枠に合わせて縦に等間隔に並べる(&D)", {}, ""},
        {&L::actZOrder, "actZOrder", "重なり順(&Z)", {}, ""},
        {&L::actTop, "actTop", "最も上へ(&T)", {}, ""},
        {&L::actUp, "actUp", "ひとつ上へ(&U)", {}, ""},
        {&L::actDown, "actDown", "ひとつ下へ(&D)", {}, ""},
        {&L::actBottom, "actBottom", "最も下へ(&B)", {}, ""},
        {&L::actDefaultLayout, "actDefaultLayout", "標準の配置に戻す(&L)", {}, ""},
        {&L::actGrid, "actGrid", "グリッド(&G)", {}, ""},
        {&L::actGridNone, "actGridNone", "表示しない(&N)", {}, ""},
        {&L::actGridSmall, "actGridSmall", "小さめ(&S)", {}, ""},
        {&L::actGridNomal, "actGridNomal", "ふつう(&O)", {}, ""},
        {&L::actGridBig, "actGridBig", "大きめ(&B)", {}, ""},
        {&L::actAdjustGrid, "actAdjustGrid", "グリッドに合わせる(&L)", {}, ""},
        {&L::actPrintRange, "actPrintRange", "印刷領域の表示(&P)", {}, ""},
    };
    for (const TActionDef &def : defs) {
        auto *action = new QAction(QString::fromUtf8(def.Caption), this);
        action->setObjectName(QLatin1String(def.Name));
        action->setShortcut(def.Shortcut);
        const QString hint = QString::fromUtf8(def.Hint);
        action->setStatusTip(hint.mid(hint.indexOf(QLatin1Char('|')) + 1));
        action->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
        addAction(action);
        this->*def.Member = action;
    }
    pmiIllustDef = new QAction(QStringLiteral("元の大きさに戻す(&D)"), this);
    pmiIllustDef->setObjectName(QStringLiteral("pmiIllustDef"));
    // The tool bars show short names.
    const std::pair<QAction *, const char *> shortNames[] = {
        {actNew, "新規"},     {actOpen, "開く"},     {actSave, "保存"},       {actPrint, "印刷"},
        {actUndo, "元に戻す"}, {actRedo, "やり直し"}, {actIllust, "イラスト"}, {actWord, "文章"},
        {actFigure, "図形"},  {actQRCode, "QRコード"}, {actFirst, "最初"},    {actPrior, "前へ"},
        {actNext, "次へ"},    {actLast, "最後"},     {actGrid, "グリッド"}};
    for (const auto &[action, text] : shortNames)
        action->setIconText(QString::fromUtf8(text));
    actFirst->setData(0);
    actPrior->setData(1);
    actNext->setData(2);
    actLast->setData(3);
    for (QAction *action : {actSender, actAdjustGrid, actPrintRange, actGrid})
        action->setCheckable(true);
    auto *grid = new QActionGroup(this);
    int size = 0;
    for (QAction *action : {actGridNone, actGridSmall, actGridNomal, actGridBig}) {
        action->setCheckable(true);
        action->setData(size++);
        grid->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] {
            SetGridSize(uint8_t(action->data().toInt()));
            sbxPreviewResize();
        });
    }
    connect(actGrid, &QAction::triggered, this, [this] {
        // The button shows or hides the grid at the size last chosen (ふつう when none was).
        SetGridSize(actGrid->isChecked() ? uint8_t(GridSize ? GridSize : 2) : 0);
        sbxPreviewResize();
    });
    connect(actAdjustGrid, &QAction::triggered, this, [] {});
    connect(actPrintRange, &QAction::triggered, this, [this] { pnlCard->update(); });

    // The file and print commands.
    connect(actNew, &QAction::triggered, this, &TLayoutForm::actNewExecute);
    connect(actOpen, &QAction::triggered, this, &TLayoutForm::actOpenExecute);
    connect(actClose, &QAction::triggered, this, &TLayoutForm::actCloseExecute);
    connect(actSave, &QAction::triggered, this, &TLayoutForm::actSaveExecute);
    connect(actSaveAs, &QAction::triggered, this, &TLayoutForm::actSaveAsExecute);
    connect(actPrintSet, &QAction::triggered, this, &TLayoutForm::actPrintSetExecute);
    connect(actPrint, &QAction::triggered, this, &TLayoutForm::actPrintExecute);
    connect(actExit, &QAction::triggered, this, &TLayoutForm::actExitExecute);
    // It only asks the window to close: taken under the window's questions and jobs too, the close held until
    // they end.
    CloseControl(actExit);
    ConnectEditActions();
    connect(actFormat, &QAction::triggered, this, &TLayoutForm::actFormatExecute);
    connect(actDetail, &QAction::triggered, this, &TLayoutForm::actDetailExecute);
    connect(actDataForm, &QAction::triggered, this, &TLayoutForm::actDataFormExecute);
    connect(actBarcodeSet, &QAction::triggered, this, &TLayoutForm::actBarcodeSetExecute);
    for (QAction *action : {actFirst, actPrior, actNext, actLast})
        connect(action, &QAction::triggered, this, [this, action] { actMoveExecute(action->data().toInt()); });
    connect(actEditData, &QAction::triggered, this, &TLayoutForm::actEditDataExecute);
    connect(actSenderEdit, &QAction::triggered, this, &TLayoutForm::actSenderEditExecute);
    connect(actSender, &QAction::triggered, this, &TLayoutForm::actSenderExecute);
    connect(actAdrsList, &QAction::triggered, this, [this] { actFormChangeExecute(0); });
    connect(actAdrsView, &QAction::triggered, this, [this] { actFormChangeExecute(1); });
}

void TLayoutForm::SetGridSize(uint8_t size)
{
    GridSize = size;
    const std::array<QAction *, 4> actions{actGridNone, actGridSmall, actGridNomal, actGridBig};
    actions[size]->setChecked(true);
    actGrid->setChecked(size != 0);
}

void TLayoutForm::createMenus()
{
    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    // A submenu shown through the command's own action, so that disabling the command greys its entry.
    const auto submenu = [this](QMenu *parent, QAction *entry) {
        auto *menu = new QMenu(this);
        entry->setMenu(menu);
        parent->addAction(entry);
        return menu;
    };
    QMenu *file = MainMenu->addMenu(QStringLiteral("ファイル(&F)"));
    file->addActions({actNew, actOpen, actClose});
    file->addSeparator();
    file->addActions({actSave, actSaveAs});
    file->addSeparator();
    mmiRecent = submenu(file, actRecent);
    mmiRecent->setObjectName(QStringLiteral("mmiRecent"));
    file->addSeparator();
    file->addActions({actPrintSet, actPrint});
    file->addSeparator();
    file->addAction(actExit);

    QMenu *edit = MainMenu->addMenu(QStringLiteral("編集(&E)"));
    edit->addActions({actUndo, actRedo});
    edit->addSeparator();
    edit->addActions({actCopy, actPaste, actDelete});
    edit->addSeparator();
    edit->addActions({actFirst, actPrior, actNext, actLast, actEditData});
    edit->addSeparator();
    edit->addActions({actSenderEdit, actSender, actBarcodeSet});

    QMenu *insert = MainMenu->addMenu(QStringLiteral("挿入(&I)"));
    insert->addActions({actIllust, actWord, actFigure, actQRCode});

    QMenu *format = MainMenu->addMenu(QStringLiteral("書式(&O)"));
    format->addActions({actFormat, actFont, actDetail, actDataForm});
    format->addSeparator();
    QMenu *position = submenu(format, actRectPos);
    position->addActions({actPaperCenterV, actPaperCenterH, actPaperCenter});
    QMenu *unite = submenu(format, actRectUnite);
    unite->addActions({actRectTop, actRectBottom, actRectRight, actRectLeft});
    unite->addSeparator();
    unite->addActions({actRectCenterV, actRectCenterH, actRectCenter});
    unite->addSeparator();
    unite->addActions({actRectWidth, actRectHeight, actRectSize});
    unite->addSeparator();
    unite->addActions({actEqualPaperH, actEqualPaperV, actEqualEndsH, actEqualEndsV});
    QMenu *zOrder = submenu(format, actZOrder);
    zOrder->addActions({actTop, actUp, actDown, actBottom});
    format->addAction(actDefaultLayout);

    QMenu *view = MainMenu->addMenu(QStringLiteral("表示(&V)"));
    mmiRatio = view->addMenu(QStringLiteral("表示倍率(&R)"));
    mmiRatio->setObjectName(QStringLiteral("mmiRatio"));
    RatioGroup = new QActionGroup(this);
    for (int i = 0; i < ZoomTexts.size(); ++i) {
        QAction *item = mmiRatio->addAction(ZoomTexts[i]);
        item->setCheckable(true);
        item->setData(i);
        RatioGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] {
            // The menu item is checked already; the box follows and the layout is recomputed.
            cbxRatio->setCurrentIndex(i);
            cbxRatio2->setCurrentIndex(i);
            sbxPreview->horizontalScrollBar()->setValue(0);
            sbxPreview->verticalScrollBar()->setValue(0);
            sbxPreviewResize();
        });
    }
    view->addSeparator();
    GridPopupMenu = view->addMenu(QStringLiteral("グリッド(&G)"));
    GridPopupMenu->addActions({actGridNone, actGridSmall, actGridNomal, actGridBig});
    pmiGridNone = actGridNone;
    pmiGridSmall = actGridSmall;
    pmiGridNomal = actGridNomal;
    pmiGridBig = actGridBig;
    view->addActions({actAdjustGrid, actPrintRange});
    view->addSeparator();
    mmiToolBar = view->addAction(QStringLiteral("ツールバー表示(&T)"));
    mmiToolBar->setObjectName(QStringLiteral("mmiToolBar"));
    mmiToolBar->setCheckable(true);
    mmiToolBar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(mmiToolBar, &QAction::triggered, this, [this] { pnlToolBar->setVisible(mmiToolBar->isChecked()); });
    mmiShowMenu = view->addAction(QStringLiteral("メニュー表示(&M)"));
    mmiShowMenu->setObjectName(QStringLiteral("mmiShowMenu"));
    mmiShowMenu->setCheckable(true);
    view->addSeparator();
    view->addActions({actAdrsList, actAdrsView});

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->addActions({actCopy, actPaste, actDelete});
    PopupMenu->addSeparator();
    // Items of their own for the commands that the pop-up hides for free objects, so the main menu keeps them.
    const auto item = [this](QAction *source, const char *name) {
        QAction *proxy = PopupMenu->addAction(source->text());
        proxy->setObjectName(QLatin1String(name));
        proxy->setCheckable(source->isCheckable());
        connect(proxy, &QAction::triggered, source, &QAction::trigger);
        PopupItems.push_back({proxy, source});
    };
    item(actFont, "pmiFont");
    item(actDetail, "pmiDetail");
    item(actDataForm, "pmiDataForm");
    pmiBorder1 = PopupMenu->addSeparator();
    item(actEditData, "pmiEditData");
    item(actSenderEdit, "pmiSenderEdit");
    item(actSender, "pmiSender");
    item(actBarcodeSet, "pmiBarcode");
    pmiBorder2 = PopupMenu->addSeparator();
    PopupMenu->addActions({pmiIllustDef, actIllustSet, actWordEdit, actWordSet, actFigureSet, actQRCodeSet});
    connect(PopupMenu, &QMenu::aboutToShow, this, &TLayoutForm::PopupMenuPopup);
    connect(mmiRecent, &QMenu::aboutToShow, this, &TLayoutForm::UpdateRecentMenu);
}

void TLayoutForm::createToolBars()
{
    pnlToolBar = Named<QWidget>("pnlToolBar");
    auto *bars = new QVBoxLayout(pnlToolBar);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setSpacing(0);
    const auto makeBar = [&](const char *name) {
        auto *bar = new QToolBar(pnlToolBar);
        bar->setObjectName(QLatin1String(name));
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        NameToolBarExtension(bar);
        return bar;
    };
    MainToolBar = makeBar("MainToolBar");
    MainToolBar->addActions({actNew, actOpen, actSave});
    MainToolBar->addSeparator();
    MainToolBar->addActions({actPrint});
    MainToolBar->addSeparator();
    cbxRatio = Named<QComboBox>("cbxRatio");
    cbxRatio->addItems(ZoomTexts);
    cbxRatio->setAccessibleName(QStringLiteral("表示倍率"));
    MainToolBar->addWidget(cbxRatio);
    ViewToolBar = makeBar("ViewToolBar");
    ViewToolBar->addActions({actFirst, actPrior, actNext, actLast});
    tbtnExit = Named<QToolButton>("tbtnExit");
    tbtnExit->setDefaultAction(actExit);
    tbtnExit->setText(QStringLiteral("終了"));
    auto *mainRow = new QHBoxLayout;
    mainRow->setContentsMargins(0, 0, 0, 0);
    mainRow->addWidget(MainToolBar);
    mainRow->addStretch();
    mainRow->addWidget(ViewToolBar);
    mainRow->addWidget(tbtnExit);
    bars->addLayout(mainRow);

    CommandToolBar = makeBar("CommandToolBar");
    CommandToolBar->addActions({actUndo, actRedo});
    CommandToolBar->addSeparator();
    CommandToolBar->addActions({actIllust, actWord, actFigure, actQRCode});
    CommandToolBar->addSeparator();
    tbtnGrid = Named<QToolButton>("tbtnGrid");
    tbtnGrid->setDefaultAction(actGrid);
    tbtnGrid->setMenu(GridPopupMenu);
    tbtnGrid->setPopupMode(QToolButton::MenuButtonPopup);
    CommandToolBar->addWidget(tbtnGrid);
    CommandToolBar->addSeparator();
    pnlBack2 = Named<QWidget>("pnlBack2");
    auto *chooser = new QHBoxLayout(pnlBack2);
    chooser->setContentsMargins(4, 0, 4, 0);
    lblItem2 = Named<QLabel>("lblItem2", QStringLiteral("枠の選択："));
    cbxViewRect = Named<QComboBox>("cbxViewRect");
    cbxViewRect->setMinimumContentsLength(12);
    lblItem2->setBuddy(cbxViewRect);
    chooser->addWidget(lblItem2, 0, Qt::AlignVCenter);
    chooser->addWidget(cbxViewRect, 0, Qt::AlignVCenter);
    CommandToolBar->addWidget(pnlBack2);
    bars->addWidget(CommandToolBar);

    PreviewToolBar = makeBar("PreviewToolBar");
    tbtnPriorPreview = Named<QToolButton>("tbtnPriorPreview");
    tbtnPriorPreview->setText(QStringLiteral("前ページ"));
    tbtnNextPreview = Named<QToolButton>("tbtnNextPreview");
    tbtnNextPreview->setText(QStringLiteral("次ページ"));
    tbtnPreviewClose = Named<QToolButton>("tbtnPreviewClose");
    tbtnPreviewClose->setText(QStringLiteral(" 閉じる "));
    cbxRatio2 = Named<QComboBox>("cbxRatio2");
    cbxRatio2->addItems(ZoomTexts);
    cbxRatio2->setAccessibleName(QStringLiteral("表示倍率"));
    PreviewToolBar->addWidget(tbtnPriorPreview);
    PreviewToolBar->addWidget(tbtnNextPreview);
    PreviewToolBar->addSeparator();
    PreviewToolBar->addWidget(cbxRatio2);
    PreviewToolBar->addWidget(tbtnPreviewClose);
    bars->addWidget(PreviewToolBar);
    connect(tbtnPriorPreview, &QToolButton::clicked, this, &TLayoutForm::tbtnPriorPreviewClick);
    connect(tbtnNextPreview, &QToolButton::clicked, this, &TLayoutForm::tbtnNextPreviewClick);
    connect(tbtnPreviewClose, &QToolButton::clicked, this, &TLayoutForm::tbtnPreviewCloseClick);
    connect(cbxRatio, &QComboBox::activated, this, [this] { cbxRatioClick(cbxRatio); });
    connect(cbxRatio2, &QComboBox::activated, this, [this] { cbxRatioClick(cbxRatio2); });
    connect(cbxViewRect, &QComboBox::activated, this, &TLayoutForm::cbxViewRectClick);
}

void TLayoutForm::createControls()
{
    createActions();
    createMenus();
    createToolBars();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlToolBar);
    sbxPreview = new TLimitedScrollBox(central);
    sbxPreview->setObjectName(QStringLiteral("sbxPreview"));
    sbxPreview->setAccessibleName(QStringLiteral("用紙"));
    sbxPreview->setWidgetResizable(false);
    sbxPreview->setBackgroundRole(QPalette::Dark);
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pnlPage"));
    bvSpacer = new QFrame(page);
    bvSpacer->setObjectName(QStringLiteral("bvSpacer"));
    bvSpacer->setFrameShape(QFrame::NoFrame);
    pnlCard = new TPaintPanel(page);
    pnlCard->setObjectName(QStringLiteral("pnlCard"));
    pnlCard->SetBevelOuter(TPaintPanel::TBevel::None);
    pnlCard->SetColor(Qt::white);
    pnlCard->setAccessibleName(QStringLiteral("用紙"));
    // The paper is Tab's stop in the view, where the arrows and the pop-up's keys work on the chosen object; the
    // view around it takes the focus from a click only, as it did, and is no stop of its own that keeps the arrows.
    pnlCard->setFocusPolicy(Qt::StrongFocus);
    sbxPreview->setFocusPolicy(Qt::ClickFocus);
    pnlCard->setMouseTracking(true);
    pnlCard->resize(0, 0);
    pnlCard->hide();
    pnlCard->OnPaint = [this](TPaintPanel &, QPainter &painter, const QRect &) { pnlCardPaint(painter); };
    pnlCard->installEventFilter(this);
    sbxPreview->setWidget(page);
    sbxPreview->installEventFilter(this);
    sbxPreview->viewport()->installEventFilter(this);
    sbxPreview->verticalScrollBar()->setSingleStep(20);
    sbxPreview->horizontalScrollBar()->setSingleStep(20);
    layout->addWidget(sbxPreview, 1);
    setCentralWidget(central);

    StatusBar = statusBar();
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusPanels[0] = new QLabel(StatusBar);
    StatusPanels[1] = new QLabel(StatusBar);
    StatusBar->addWidget(StatusPanels[0], 1);
    StatusBar->addPermanentWidget(StatusPanels[1]);
    StatusPanels[1]->hide();
    cbxViewRect->addItem(QStringLiteral("なし"));
    cbxViewRect->setCurrentIndex(0);
    setMinimumSize(ScaleByDpi(LayoutMinWidth, true), ScaleByDpi(LayoutMinHeight, true));
}
