// The main window's controls: the tool bar with its group and order boxes, the list view, the status bar, and
// the commands with their menus, tool buttons and pop-ups.
#include "mainlist/AdrsList.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/AddressBookList.h"
#include "core/AddressRecord.h"
#include "core/AdrsSel.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/GrpEdt.h"
#include "core/Hyphen.h"
#include "core/Main.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "mainlist/AdrsCopy.h"
#include "mainlist/AdrsListSettings.h"
#include "mainlist/AdrsSch.h"
#include "mainlist/DataExchangeServices.h"
#include "mainlist/ListPrintServices.h"
#include "mainlist/DirectorySearchServices.h"
#include "mainlist/DupliSch.h"
#include "mainlist/HdrSel.h"
#include "mainlist/KeywdEdt.h"
#include "mainlist/MaintenanceServices.h"
#include "mainlist/LayoutServices.h"
#include "mainlist/RecordFormServices.h"
#include "mainlist/RecordListing.h"
#include "mainlist/WordSch.h"
#include "platform/CustomEvents.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"
#include "widgets/NamedControls.h"
#include "widgets/UniSortListView.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace {

struct TActionDef {
    QAction *TAddressList::*Member;
    const char *Name;
    const char *Caption;
    const char *Hint;  // the long part shown in the status bar
    QKeySequence Shortcut;
    // False while the window the command opens is not part of this build: the command stays disabled.
    bool Available;
};

}  // namespace

void TAddressList::createControls()
{
    tbarTool = addToolBar(QString());
    tbarTool->setObjectName(QStringLiteral("tbarTool"));
    tbarTool->setMovable(false);
    NameToolBarExtension(tbarTool);
    pnlSpacer = Named<QWidget>("pnlSpacer", tbarTool);
    // Two rows, the group over the order, as high as the tool buttons: each box gets the panel's width.
    auto *controls = new QGridLayout(pnlSpacer);
    controls->setContentsMargins(4, 0, 4, 0);
    controls->setVerticalSpacing(2);
    lblGroup = Named<QLabel>("lblGroup", QStringLiteral("グループ："), pnlSpacer);
    cbxGroup = Named<QComboBox>("cbxGroup", pnlSpacer);
    cbxGroup->setMaxVisibleItems(12);
    // The group names come with the book, after the window is first shown: the box grows to the longest.
    cbxGroup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    sbtnEditGroup = Named<QToolButton>("sbtnEditGroup", pnlSpacer);
    lblSort = Named<QLabel>("lblSort", QStringLiteral("表示順："), pnlSpacer);
    cbxSort = Named<QComboBox>("cbxSort", pnlSpacer);
    cbxSort->setMaxVisibleItems(16);
    sbtnSortDirection = Named<QToolButton>("sbtnSortDirection", pnlSpacer);
    sbtnSortDirection->setAccessibleName(QStringLiteral("表示方向"));
    lblGroup->setBuddy(cbxGroup);
    lblSort->setBuddy(cbxSort);
    QWidget *const rows[2][3] = {{lblGroup, cbxGroup, sbtnEditGroup}, {lblSort, cbxSort, sbtnSortDirection}};
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            controls->addWidget(rows[row][column], row, column);
    controls->setColumnStretch(3, 1);

    lvAddress = Named<TUniSortListView>("lvAddress", this);
    lvAddress->setAccessibleName(QStringLiteral("アドレス帳一覧"));
    // The list is ordered by the sort box, not by its headers.
    lvAddress->SetSortDirs({sdNone});
    lvAddress->SetSortDir(sdNone);
    lvAddress->SetSortIndex(0);
    lvAddress->SetShowDragImage(false);
    lvAddress->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvAddress->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvAddress->setTextElideMode(Qt::ElideRight);
    lvAddress->setSelectionMode(QAbstractItemView::ExtendedSelection);
    setCentralWidget(lvAddress);

    stbarInfo = statusBar();
    stbarInfo->setObjectName(QStringLiteral("stbarInfo"));
    for (int i = 0; i < 5; ++i) {
        StatusPanels[i] = new QLabel(stbarInfo);
        StatusPanels[i]->setObjectName(QStringLiteral("stbarInfoPanel%1").arg(i));
        StatusPanels[i]->setAlignment(Qt::AlignCenter);
        if (i == 0)
            stbarInfo->addWidget(StatusPanels[i], 1);
        else
            stbarInfo->addPermanentWidget(StatusPanels[i]);
    }
    StatusPanels[0]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusPanels[1]->setFixedWidth(ScaleByDpi(84, true));
    StatusPanels[2]->setFixedWidth(ScaleByDpi(108, true));
    StatusPanels[3]->setFixedWidth(ScaleByDpi(108, true));
    StatusPanels[1]->setAutoFillBackground(true);
}

void TAddressList::createActions()
{
    using L = TAddressList;
    const TActionDef defs[] = {
        {&L::actCreate, "actCreate", "アドレス帳の新規作成(&C)...", "新しくアドレス帳を作成します", {}, true},
        {&L::actOpen, "actOpen", "開く(&O)...", "別のアドレス帳を開きます", {}, true},
        {&L::actEditGroup, "actEditGroup", "グループ名の設定(&G)...", "アドレス帳のグループ項目の名称を設定します", {}, true},
        {&L::actAdrsCopy, "actAdrsCopy", "他のアドレス帳にコピー(&A)...", "アドレス帳データを別のアドレス帳にコピーします", {}, true},
        {&L::actImportFile, "actImportFile", "テキストファイルの取り込み(&I)...", "テキストファイルの内容をアドレス帳に取り込みます", {}, false},
        {&L::actExportFile, "actExportFile", "テキストファイルの出力(&E)...", "アドレス帳データをテキストファイル出力します", {}, false},
        {&L::actMarkExport, "actMarkExport", "マークファイルの出力(&M)", "緯度経度情報の保存されているアドレス帳データをマークファイルとして出力します", {}, false},
        {&L::actExit, "actExit", "Velmoraの終了(&X)", "Velmora を終了します", {}, true},
        {&L::actInquiry, "actInquiry", "照会(&I)...", "選択しているアドレス帳データを照会します", QKeySequence(Qt::CTRL | Qt::Key_I), false},
        {&L::actDelete, "actDelete", "削除(&D)", "選択しているアドレス帳データを削除します", QKeySequence(Qt::Key_Delete), true},
        {&L::actBatchChange, "actBatchChange", "一括編集(&B)...", "選択しているアドレス帳データの内容を一括で編集します", {}, false},
        {&L::actNameAdrsSearch, "actNameAdrsSearch", "名称住所検索(&A)...", "名称と住所から検索します", QKeySequence(Qt::CTRL | Qt::Key_S), false},
        {&L::actCategorySearch, "actCategorySearch", "カテゴリ検索(&C)...", "業種カテゴリと住所から検索します", QKeySequence(Qt::CTRL | Qt::Key_C), false},
        {&L::actNumerSearch, "actNumerSearch", "番号検索(&N)...", "電話番号や郵便番号などから検索します", QKeySequence(Qt::CTRL | Qt::Key_N), false},
        {&L::actWordSearch, "actWordSearch", "一覧内のワード検索(&W)...", "アドレス帳一覧に表示されている内容を対象に、指定した文字列を検索します", QKeySequence(Qt::CTRL | Qt::Key_W), true},
        {&L::actWordNext, "actWordNext", "次の候補を検索(&S)", "ワード検索の次の候補を検索します", QKeySequence(Qt::Key_F3), true},
        {&L::actAdrsSearch, "actAdrsSearch", "アドレス帳の絞り込み(&S)...", "一覧表示するアドレス帳データを絞り込みます", QKeySequence(Qt::CTRL | Qt::Key_F), true},
        {&L::actDuplicateSearch, "actDuplicateSearch", "重複データの表示(&D)...", "指定した項目内容が重複しているデータのみを一覧表示します", QKeySequence(Qt::CTRL | Qt::Key_D), true},
        {&L::actDisableSearch, "actDisableSearch", "絞り込みと重複表示の無効化(&I)", "アドレス帳の絞り込みや重複データの表示を一時的に解除します", {}, true},
        {&L::actCancelSearch, "actCancelSearch", "絞り込みと重複表示の解除(&C)", "アドレス帳の絞り込みや重複データの表示を解除します", {}, true},
        {&L::actKeywordEdit, "actKeywordEdit", "キーワード項目の設定(&K)...", "キーワード項目の設定します", {}, true},
        {&L::actViewColumn, "actViewColumn", "表示項目の設定(&V)...", "一覧に表示する項目を設定します", {}, true},
        {&L::actInitColumn, "actInitColumn", "項目幅の初期化(&I)", "一覧に表示できる項目の表示幅を初期の状態に戻します", {}, true},
        {&L::actReload, "actReload", "一覧の再表示(&R)", "アドレス帳の一覧を表示し直します", QKeySequence(Qt::Key_F5), true},
        {&L::actLayoutPrint, "actLayoutPrint", "宛名印刷(&A)...", "宛名印刷をします", {}, false},
        {&L::actLabelPrint, "actLabelPrint", "ラベル印刷(&B)...", "ラベル印刷をします", {}, false},
        {&L::actCardPrint, "actCardPrint", "名刺印刷(&C)...", "名刺印刷をします", {}, false},
        {&L::actDesignPrint, "actDesignPrint", "文面印刷(&D)...", "文面印刷をします", {}, false},
        {&L::actListPrint, "actListPrint", "一覧表印刷(&L)...", "アドレス帳データの一覧を印刷します", {}, false},
        {&L::actEnvironment, "actEnvironment", "環境設定(&E)...", "実行環境を設定します", QKeySequence(Qt::CTRL | Qt::Key_E), false},
        {&L::actBackup, "actBackup", "バックアップ(&B)...", "データのバックアップを取ります", {}, false},
        {&L::actRestore, "actRestore", "復元(&R)...", "バックアップしたデータを復元します", {}, false},
        {&L::actOptimize, "actOptimize", "データの最適化(&O)...", "データベースを最適化します", {}, false},
        {&L::actConvertKykbn, "actConvertKykbn", "局番変換(&K)...", "アドレス帳データの局番を変換します", {}, false},
        {&L::actConvertAdrsPos, "actConvertAdrsPos", "住所・郵便番号変換(&A)...", "アドレス帳データの住所と郵便番号を変換します", {}, false},
        {&L::actRepairIndex, "actRepairIndex", "インデックス修復(&I)...", "インデックスが破損したり古くなったりしたアドレス帳データを修復します", {}, false},
        {&L::actTopic, "actTopic", "Velmora 操作ガイド(&H)", "Velmora の操作ガイドを表示します", {}, true},
        {&L::actVersion, "actVersion", "バージョン情報(&A)", "バージョン情報を表示します", {}, false},
    };
    // The record form is part of the program when its maker was installed.
    const bool recordForm = static_cast<bool>(MakeRecordForm);
    for (const TActionDef &def : defs) {
        auto *action = new QAction(QString::fromUtf8(def.Caption), this);
        action->setObjectName(QLatin1String(def.Name));
        // The short hint is the caption without its accelerator and dots.
        QString shortHint = action->text();
        shortHint.remove(QRegularExpression(QStringLiteral("\\(&.\\)|\\.\\.\\.$|&")));
        action->setToolTip(shortHint);
        action->setStatusTip(QString::fromUtf8(def.Hint));
        action->setShortcut(def.Shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        const bool available = def.Available
            || (recordForm && (def.Member == &L::actInquiry || def.Member == &L::actNumerSearch))
            || (RunBatchChange && def.Member == &L::actBatchChange)
            || (ShowNameAdrsSearch && def.Member == &L::actNameAdrsSearch)
            || (ShowCategorySearch && def.Member == &L::actCategorySearch)
            || (RunFileImport && def.Member == &L::actImportFile)
            || (ShowFileExport && def.Member == &L::actExportFile)
            || (ShowMarkExport && def.Member == &L::actMarkExport)
            || (ShowListPrint && def.Member == &L::actListPrint)
            || (RunEnvironment && def.Member == &L::actEnvironment)
            || (RunVersionInfo && def.Member == &L::actVersion)
            || (RunBackupData && def.Member == &L::actBackup) || (RunRestoreData && def.Member == &L::actRestore)
            || (RunOptimizeData && def.Member == &L::actOptimize)
            || (RunConvertKykbn && def.Member == &L::actConvertKykbn)
            || (RunConvertAdrsPos && def.Member == &L::actConvertAdrsPos)
            || (RunRepairIndex && def.Member == &L::actRepairIndex)
            || (ShowLayoutForm && def.Member == &L::actLayoutPrint)
            || (ShowLabelForm && (def.Member == &L::actLabelPrint || def.Member == &L::actCardPrint))
            || (ShowDesignForm && def.Member == &L::actDesignPrint);
        action->setProperty("Available", available);
        action->setEnabled(available);
        addAction(action);
        this->*def.Member = action;
    }
    // The program's name in the exit's short hint is written apart from the rest, unlike in its caption.
    actExit->setToolTip(QStringLiteral("Velmora の終了"));
    // The list's pop-up menu shows its entries without the shortcut texts the main menu shows.
    actInquiry->setShortcutVisibleInContextMenu(false);
    actDelete->setShortcutVisibleInContextMenu(false);
    actOpen->setData(asmOpen);
    actCreate->setData(asmCreate);
    actWordNext->setEnabled(false);
    actDisableSearch->setCheckable(true);

    connect(actCreate, &QAction::triggered, this, [this] { actAddressSelectExecute(actCreate); });
    connect(actOpen, &QAction::triggered, this, [this] { actAddressSelectExecute(actOpen); });
    connect(actEditGroup, &QAction::triggered, this, &TAddressList::actEditGroupExecute);
    connect(actExit, &QAction::triggered, this, &TAddressList::actExitExecute);
    // The end pressed while the list asks waits for the answer instead of being lost.
    CloseControl(actExit);
    connect(actDelete, &QAction::triggered, this, &TAddressList::actDeleteExecute);
    connect(actWordNext, &QAction::triggered, this, &TAddressList::actWordNextExecute);
    connect(actDisableSearch, &QAction::triggered, this, &TAddressList::actDisableSearchExecute);
    connect(actCancelSearch, &QAction::triggered, this, &TAddressList::actCancelSearchExecute);
    connect(actInitColumn, &QAction::triggered, this, &TAddressList::actInitColumnExecute);
    connect(actReload, &QAction::triggered, this, &TAddressList::actReloadExecute);
    connect(actTopic, &QAction::triggered, this, &TAddressList::actTopicExecute);
    connect(actInquiry, &QAction::triggered, this, &TAddressList::actInquiryExecute);
    connect(actAdrsCopy, &QAction::triggered, this, [this] { ShowAddressCopy(this); });
    connect(actWordSearch, &QAction::triggered, this, &TAddressList::actWordSearchExecute);
    connect(actAdrsSearch, &QAction::triggered, this, &TAddressList::actAdrsSearchExecute);
    connect(actDuplicateSearch, &QAction::triggered, this, &TAddressList::actDuplicateSearchExecute);
    connect(actKeywordEdit, &QAction::triggered, this, &TAddressList::actKeywordEditExecute);
    connect(actViewColumn, &QAction::triggered, this, &TAddressList::actViewColumnExecute);
    connect(actNumerSearch, &QAction::triggered, this, &TAddressList::actNumerSearchExecute);
    connect(actBatchChange, &QAction::triggered, this, [this] { RunBatchChange(this); });
    connect(actNameAdrsSearch, &QAction::triggered, this, [this] { ShowNameAdrsSearch(this); });
    connect(actCategorySearch, &QAction::triggered, this, [this] { ShowCategorySearch(this); });
    connect(actImportFile, &QAction::triggered, this, &TAddressList::actImportFileExecute);
    connect(actExportFile, &QAction::triggered, this, [this] { ShowFileExport(this); });
    connect(actMarkExport, &QAction::triggered, this, [this] { ShowMarkExport(this); });
    connect(actListPrint, &QAction::triggered, this, &TAddressList::actListPrintExecute);
    connect(actEnvironment, &QAction::triggered, this, &TAddressList::actEnvironmentExecute);
    connect(actVersion, &QAction::triggered, this, [this] { RunVersionInfo(this); });
    connect(actLayoutPrint, &QAction::triggered, this, [this] { actDesignerExecute(1); });
    connect(actLabelPrint, &QAction::triggered, this, [this] { actDesignerExecute(2); });
    connect(actCardPrint, &QAction::triggered, this, [this] { actDesignerExecute(3); });
    connect(actDesignPrint, &QAction::triggered, this, [this] { actDesignerExecute(4); });
    connect(actBackup, &QAction::triggered, this, &TAddressList::actBackupExecute);
    connect(actRestore, &QAction::triggered, this, &TAddressList::actRestoreExecute);
    connect(actOptimize, &QAction::triggered, this, [this] { actMaintenanceExecute(RunOptimizeData, false); });
    connect(actConvertKykbn, &QAction::triggered, this, [this] { actMaintenanceExecute(RunConvertKykbn, true); });
    connect(actConvertAdrsPos, &QAction::triggered, this, [this] { actMaintenanceExecute(RunConvertAdrsPos, false); });
    connect(actRepairIndex, &QAction::triggered, this, &TAddressList::actRepairIndexExecute);
    connect(lvAddress, &QAbstractItemView::doubleClicked, actInquiry, &QAction::trigger);
    sbtnEditGroup->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    sbtnEditGroup->setToolTip(actEditGroup->toolTip());
    sbtnEditGroup->setAccessibleName(QStringLiteral("グループ名の設定"));
    sbtnEditGroup->setStatusTip(actEditGroup->statusTip());
    connect(sbtnEditGroup, &QToolButton::clicked, actEditGroup, &QAction::trigger);

    // A null entry stands for a separator.
    auto fill = [](QMenu *m, const std::vector<QAction *> &actions) {
        for (QAction *a : actions) {
            if (a)
                m->addAction(a);
            else
                m->addSeparator();
        }
        return m;
    };
    auto menu = [this, fill](const QString &title, const std::vector<QAction *> &actions) {
        return fill(menuBar()->addMenu(title), actions);
    };
    menuBar()->setObjectName(QStringLiteral("mmMain"));
    menu(QStringLiteral("ファイル(&F)"), {actCreate, actOpen, actEditGroup, nullptr, actAdrsCopy, actImportFile,
                                       actExportFile, nullptr, actMarkExport, nullptr, actExit});
    menu(QStringLiteral("編集(&E)"), {actInquiry, actDelete, nullptr, actBatchChange});
    menu(QStringLiteral("検索(&S)"), {actNameAdrsSearch, actCategorySearch, actNumerSearch, nullptr, actWordSearch,
                                    actWordNext});
    menu(QStringLiteral("表示(&V)"), {actAdrsSearch, actDuplicateSearch, actDisableSearch, actCancelSearch, nullptr,
                                    actKeywordEdit, actViewColumn, actInitColumn, nullptr, actReload});
    menu(QStringLiteral("印刷(&P)"), {actLayoutPrint, actLabelPrint, actCardPrint, actDesignPrint, nullptr, actListPrint});
    menu(QStringLiteral("オプション(&O)"), {actEnvironment, nullptr, actBackup, actRestore, nullptr, actOptimize,
                                        actConvertKykbn, actConvertAdrsPos, actRepairIndex});
    menu(QStringLiteral("ヘルプ(&H)"), {actTopic, nullptr, actVersion});

    auto popup = [this, fill](const char *name, const std::vector<QAction *> &actions) {
        auto *m = Named<QMenu>(name, this);
        return fill(m, actions);
    };
    pmAdrs = popup("pmAdrs", {actInquiry, actDelete, nullptr, actBatchChange});
    pmSearch = popup("pmSearch", {actAdrsSearch, actDuplicateSearch, actDisableSearch, actCancelSearch});
    pmPrint = popup("pmPrint", {actLayoutPrint, actLabelPrint, actCardPrint, actDesignPrint, nullptr, actListPrint});
    pmColumn = popup("pmColumn", {actViewColumn, nullptr, actInitColumn});

    // The tool bar: buttons with captions under their glyphs, then the group and sort controls, then the exit.
    tbarTool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbarTool->setIconSize(QSize(32, 32));
    auto button = [this](const char *name, QAction *action, const QString &caption, QStyle::StandardPixmap glyph) {
        // A tool button shows its action's icon text, so the caption stays when the action changes.
        action->setIconText(caption);
        action->setIcon(style()->standardIcon(glyph));
        auto *b = Named<QToolButton>(name, tbarTool);
        b->setDefaultAction(action);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setMinimumSize(66, 59);
        return b;
    };
    tbarTool->addWidget(button("tbtnNameAdrsSearch", actNameAdrsSearch, QStringLiteral("名称検索"), QStyle::SP_FileDialogContentsView));
    tbarTool->addWidget(button("tbtnCategorySearch", actCategorySearch, QStringLiteral("ｶﾃｺﾞﾘ検索"), QStyle::SP_FileDialogListView));
    tbarTool->addWidget(button("tbtnNew", actNumerSearch, QStringLiteral("番号検索"), QStyle::SP_FileDialogNewFolder));
    tbarTool->addSeparator();
    tbarTool->addWidget(button("tbtnInquiry", actInquiry, QStringLiteral("照会"), QStyle::SP_FileDialogInfoView));
    tbarTool->addWidget(button("tbtnDelete", actDelete, QStringLiteral("削除"), QStyle::SP_DialogDiscardButton));
    tbarTool->addSeparator();
    QToolButton *search = button("tbtnAdrsSearch", actAdrsSearch, QStringLiteral("絞り込み"), QStyle::SP_FileDialogDetailedView);
    search->setMenu(pmSearch);
    search->setPopupMode(QToolButton::MenuButtonPopup);
    tbarTool->addWidget(search);
    auto *print = tbtnPrint = new QToolButton(tbarTool);
    print->setObjectName(QStringLiteral("tbtnPrint"));
    print->setText(QStringLiteral("印刷"));
    print->setToolTip(QStringLiteral("印刷"));
    print->setStatusTip(QStringLiteral("アドレス帳データを元に印刷処理をします"));
    print->setIcon(QIcon(QStringLiteral(":/AdrsList/PRINT.svg")));
    print->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    print->setMinimumSize(66, 59);
    print->setMenu(pmPrint);
    print->setPopupMode(QToolButton::InstantPopup);
    tbarTool->addWidget(print);
    tbarTool->addSeparator();
    tbarTool->addWidget(pnlSpacer);
    tbarTool->addSeparator();
    tbarTool->addWidget(button("tbtnExit", actExit, QStringLiteral("終了"), QStyle::SP_DialogCloseButton));

    // A press where no row is leaves the list with a selected row: the focused one.
    lvAddress->viewport()->installEventFilter(this);
    lvAddress->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvAddress, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmAdrs->popup(lvAddress->viewport()->mapToGlobal(at)); });
    lvAddress->header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvAddress->header(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmColumn->popup(lvAddress->header()->mapToGlobal(at)); });
    updateSearchControls();
    applyBookRules(false);
}
