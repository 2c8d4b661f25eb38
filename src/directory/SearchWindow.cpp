#include "directory/SearchWindow.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "core/Settings.h"
#include "core/SharedHelpers.h"
#include "directory/DirectoryDll.h"
#include "directory/ItemChoiceSettings.h"
#include "directory/SearchThread.h"
#include "geo/DicLibraries.h"
#include "mainlist/RecordFormServices.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"
#include "widgets/WindowRole.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScopeGuard>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>

namespace {

const QStringList LegalForms{QStringLiteral("指定しない"), QStringLiteral("株式"), QStringLiteral("有限"),
                             QStringLiteral("合資"), QStringLiteral("合名"), QStringLiteral("相互"),
                             QStringLiteral("財団法人"), QStringLiteral("社団法人")};
const QStringList MatchWords{QStringLiteral("前方一致"), QStringLiteral("あいまい"), QStringLiteral("後方一致"),
                             QStringLiteral("完全一致")};
constexpr int nameBytes = 50;

// Status states: how a job ended.
constexpr int stCountDone = 0;
constexpr int stSearchDone = 1;
constexpr int stOutputDone = 2;
constexpr int stNothing = 101;
constexpr int stStopped = 102;
constexpr int stError = 999;

// Bytes of a double-byte character, printable single-byte characters and half-width katakana.
QByteArray filterName(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (Sjis::isLeadByte(c) && i + 1 < text.size()) {
            out += text.mid(i, 2);
            ++i;
        } else if ((c >= 32 && c <= 127) || (c >= 161 && c <= 223)) {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

TDirectorySearchWindow::TDirectorySearchWindow(const TKind &kind, std::unique_ptr<TSearchThread> worker)
    : QWidget(nullptr), history_(kind.CategoryHistory), settingsSection_(kind.Section), kind_(kind),
      worker_(std::move(worker))
{
    setObjectName(QLatin1String(kind.Name));
    UseWindowRoleForPlainWindows();
    setWindowTitle(kind.Caption);
    setProperty("HelpContext", kind.HelpContext);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    // A child, so the window's tests find the worker; the window ends it before its children go.
    worker_->setParent(this);
    createControls();
    connect(worker_.get(), &TSearchThread::PageSearchDone, this, &TDirectorySearchWindow::pageSearchDone);
    connect(worker_.get(), &TSearchThread::CountDone, this, &TDirectorySearchWindow::countDone);
    connect(worker_.get(), &TSearchThread::OutputDone, this, &TDirectorySearchWindow::outputDone);
    // The remembered searches are written once the job's result is shown: the file is flushed to the disk,
    // which on a busy disk takes longer than all else a click does.
    historyWrite_.setSingleShot(true);
    historyWrite_.setInterval(0);
    connect(&historyWrite_, &QTimer::timeout, this, &TDirectorySearchWindow::saveHistory);
    busyPaint_.setSingleShot(true);
    busyPaint_.setInterval(50);
    connect(&busyPaint_, &QTimer::timeout, this, [this] { setUpdatesEnabled(true); });
}

TDirectorySearchWindow::~TDirectorySearchWindow()
{
    worker_.reset();
    if (historyWrite_.isActive()) {
        historyWrite_.stop();
        saveHistory();
    }
    saveSettings();
}

QByteArray TDirectorySearchWindow::FilteredName() const
{
    return filterName(Sjis::encode(HistoryCount >= 1 ? nmcbxName->currentText() : nmedtName->text()));
}

QWidget *TDirectorySearchWindow::nameBox() const
{
    return HistoryCount >= 1 ? static_cast<QWidget *>(nmcbxName) : static_cast<QWidget *>(nmedtName);
}

void TDirectorySearchWindow::setNameText(const QByteArray &name)
{
    const QString text = Sjis::decode(name);
    nmcbxName->setEditText(text);
    nmedtName->setText(text);
    lastName_ = name;
    nameChanged();
}

QString TDirectorySearchWindow::dataFolder() const
{
    return HddInstalled ? HddDataFolder + QStringLiteral("Dt00/") : DiscPath + QStringLiteral("/Mirvale18/");
}

// ---- Creation ----

void TDirectorySearchWindow::createControls()
{
    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 0);
    spltCenter = Named<QSplitter>("spltCenter", Qt::Vertical, this);
    spltCenter->setChildrenCollapsible(false);
    main->addWidget(spltCenter, 1);

    conditionPanel_ = Named<QWidget>("pnlCondition", spltCenter);
    auto *conditions = new QHBoxLayout(conditionPanel_);
    conditions->setContentsMargins(0, 0, 0, 0);

    // Name and the window's own conditions.
    conditionColumn_ = new QVBoxLayout;
    auto *nameRow = new QHBoxLayout;
    auto *nameLabel = new QLabel(QStringLiteral("名称："), conditionPanel_);
    nmcbxName = Named<QComboBox>("nmcbxName", conditionPanel_);
    nmcbxName->setEditable(true);
    nmcbxName->setInsertPolicy(QComboBox::NoInsert);
    nmcbxName->setMaxVisibleItems(10);
    nmcbxName->lineEdit()->setValidator(new TShiftJisValidator(nameBytes, nmcbxName));
    nmedtName = Named<QLineEdit>("nmedtName", conditionPanel_);
    nmedtName->setValidator(new TShiftJisValidator(nameBytes, nmedtName));
    SetImeMode(nmcbxName, imHira);
    SetImeMode(nmedtName, imHira);
    nameLabel->setBuddy(nmcbxName);
    // The edit stands in for the box when no names are remembered; a label has one buddy, so it takes the caption.
    nmedtName->setAccessibleName(QStringLiteral("名称"));
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(nmcbxName, 1);
    nameRow->addWidget(nmedtName, 1);
    conditionColumn_->addLayout(nameRow);
    conditions->addLayout(conditionColumn_, 3);

    // Telephone kinds and legal form.
    auto *options = new QVBoxLayout;
    auto *kinds = Named<QGroupBox>("gbxTelKind", QStringLiteral("電話種別"), conditionPanel_);
    auto *kindsLayout = new QGridLayout(kinds);
    chkNormal = Named<QCheckBox>("chkNormal", QStringLiteral("通常"), kinds);
    chkFax = Named<QCheckBox>("chkFax", QStringLiteral("FAX"), kinds);
    chkFaxCombi = Named<QCheckBox>("chkFaxCombi", QStringLiteral("FAX兼用"), kinds);
    chkMainNumber = Named<QCheckBox>("chkMainNumber", QStringLiteral("代表"), kinds);
    const std::array<QCheckBox *, 4> kindBoxes{chkNormal, chkFax, chkFaxCombi, chkMainNumber};
    for (int i = 0; i < 4; ++i) {
        kindBoxes[i]->setProperty("Tag", 1 << i);
        kindsLayout->addWidget(kindBoxes[i], i / 2, i % 2);
        connect(kindBoxes[i], &QCheckBox::toggled, this, [this, box = kindBoxes[i]](bool on) {
            // One kind at least stays chosen.
            if (!on && telKinds() == 0) {
                box->setChecked(true);
                return;
            }
            SetCaptionColour(box, on);
        });
    }
    options->addWidget(kinds);
    auto *corpLabel = new QLabel(QStringLiteral("法人格："), conditionPanel_);
    cbxCorpDiv = Named<QComboBox>("cbxCorpDiv", conditionPanel_);
    cbxCorpDiv->addItems(LegalForms);
    corpLabel->setBuddy(cbxCorpDiv);
    options->addWidget(corpLabel);
    options->addWidget(cbxCorpDiv);
    conditions->addLayout(options, 1);

    // Areas.
    auto *areas = new QVBoxLayout;
    auto *areaRow = new QHBoxLayout;
    auto *areaLabel = new QLabel(QStringLiteral("地域："), conditionPanel_);
    cbxArea = Named<QComboBox>("cbxArea", conditionPanel_);
    areaLabel->setBuddy(cbxArea);
    areaRow->addWidget(areaLabel);
    areaRow->addWidget(cbxArea, 1);
    areas->addLayout(areaRow);
    auto *lists = new QHBoxLayout;
    lbxTdfkn = Named<QListWidget>("lbxTdfkn", conditionPanel_);
    lbxTdfkn->setAccessibleName(QStringLiteral("都道府県"));
    lbxTdfkn->setFixedWidth(ScaleByDpi(112, true));
    spltAdrs = Named<QSplitter>("spltAdrs", Qt::Horizontal, conditionPanel_);
    spltAdrs->setChildrenCollapsible(false);
    lbxCity = Named<QListWidget>("lbxCity", spltAdrs);
    lbxCity->setAccessibleName(QStringLiteral("市区町村"));
    lbxOhaza = Named<QListWidget>("lbxOhaza", spltAdrs);
    lbxOhaza->setAccessibleName(QStringLiteral("町域"));
    lbxCity->setMinimumWidth(ScaleByDpi(140, true));
    lbxOhaza->setMinimumWidth(ScaleByDpi(140, true));
    lists->addWidget(lbxTdfkn);
    lists->addWidget(spltAdrs, 1);
    areas->addLayout(lists, 1);
    conditions->addLayout(areas, 5);
    area_ = new TAreaChooser(cbxArea, lbxTdfkn, lbxCity, lbxOhaza, this);

    // Job buttons.
    auto *jobs = new QVBoxLayout;
    auto jobButton = [this, jobs](const char *name, const QString &caption, QStyle::StandardPixmap glyph) {
        auto *b = Named<QPushButton>(name, caption, conditionPanel_);
        b->setIcon(style()->standardIcon(glyph));
        b->setMinimumWidth(ScaleByDpi(104, true));
        jobs->addWidget(b);
        return b;
    };
    bbtnSearch = jobButton("bbtnSearch", QStringLiteral("検索"), QStyle::SP_FileDialogContentsView);
    bbtnCount = jobButton("bbtnCount", QStringLiteral("件数確認"), QStyle::SP_FileDialogInfoView);
    bbtnFileExport = jobButton("bbtnFileExport", QStringLiteral("ファイル出力"), QStyle::SP_DialogSaveButton);
    bbtnStop = jobButton("bbtnStop", QStringLiteral("中止"), QStyle::SP_BrowserStop);
    pnlSearch = Named<QWidget>("pnlSearch", conditionPanel_);
    auto *searchLayout = new QVBoxLayout(pnlSearch);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    aniSearch = Named<QProgressBar>("aniSearch", pnlSearch);
    aniSearch->setRange(0, 0);
    aniSearch->setTextVisible(false);
    searchLayout->addWidget(aniSearch);
    jobs->addWidget(pnlSearch);
    jobs->addStretch(1);
    bbtnClose = jobButton("bbtnClose", QStringLiteral("閉じる"), QStyle::SP_DialogCloseButton);
    conditions->addLayout(jobs);
    bbtnSearch->setProperty("Tag", 0);

    // Results.
    auto *results = Named<QWidget>("pnlResult", spltCenter);
    auto *resultLayout = new QVBoxLayout(results);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    auto toolButton = [this, results, bar](const char *name, const QString &caption, QStyle::StandardPixmap glyph) {
        auto *b = Named<QToolButton>(name, results);
        b->setText(caption);
        b->setIcon(style()->standardIcon(glyph));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->addWidget(b);
        return b;
    };
    sbtnInquiry = toolButton("sbtnInquiry", QStringLiteral("照会"), QStyle::SP_FileDialogDetailedView);
    sbtnFileExport = toolButton("sbtnFileExport", QStringLiteral("選択出力"), QStyle::SP_DialogSaveButton);
    sbtnExportItemSelect = toolButton("sbtnExportItemSelect", QStringLiteral("項目設定"), QStyle::SP_FileDialogListView);
    pnlAdrs = Named<QLabel>("pnlAdrs", results);
    pnlAdrs->setFrameShape(QFrame::StyledPanel);
    bar->addWidget(pnlAdrs, 1);
    bar->addStretch(0);
    chkOmissionAdrs = Named<QCheckBox>("chkOmissionAdrs", QStringLiteral("検索結果の住所は省略して表示する"), results);
    bar->addWidget(chkOmissionAdrs);
    bbtnPrior = Named<QPushButton>("bbtnPrior", results);
    bbtnPrior->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    bbtnPrior->setToolTip(QStringLiteral("前のページの検索を行います"));
    bbtnPrior->setAccessibleName(QStringLiteral("前ページ"));
    bbtnPrior->setProperty("Tag", 2);
    bbtnNext = Named<QPushButton>("bbtnNext", results);
    bbtnNext->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    bbtnNext->setToolTip(QStringLiteral("次のページの検索を行います"));
    bbtnNext->setAccessibleName(QStringLiteral("次ページ"));
    bbtnNext->setProperty("Tag", 1);
    bar->addWidget(bbtnPrior);
    bar->addWidget(bbtnNext);
    resultLayout->addLayout(bar);
    lvResult = Named<QTreeView>("lvResult", results);
    lvResult->setAccessibleName(QStringLiteral("検索結果"));
    model_ = new THitListModel(lvResult);
    model_->CategoryName = [this](bool sub, int32_t catNo) { return categoryName(sub, catNo); };
    lvResult->setModel(model_);
    lvResult->setRootIsDecorated(false);
    lvResult->setUniformRowHeights(true);
    lvResult->setItemsExpandable(false);
    lvResult->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvResult->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvResult->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvResult->setSortingEnabled(false);
    lvResult->setTextElideMode(Qt::ElideRight);
    lvResult->setAllColumnsShowFocus(true);
    lvResult->header()->setStretchLastSection(false);
    lvResult->header()->setSectionsMovable(false);
    resultLayout->addWidget(lvResult, 1);

    stbarInfo = Named<QStatusBar>("stbarInfo", this);
    stbarInfo->setSizeGripEnabled(true);
    main->addWidget(stbarInfo);
    const std::vector<std::pair<QString, int>> panels = {
        {QStringLiteral("検索条件："), 60}, {{}, 60}, {{}, 60}, {{}, 60}, {QStringLiteral("結果："), 42}, {{}, 72},
        {{}, 100}, {{}, 60}, {{}, 0}, {{}, 108}, {{}, 140}};
    for (size_t i = 0; i < panels.size(); ++i) {
        if (i == 1 && !kind_.MatchPanel)
            continue;
        auto *p = new QLabel(panels[i].first, stbarInfo);
        p->setObjectName(QStringLiteral("stbarInfoPanel%1").arg(StatusPanels.size()));
        p->setFrameShape(QFrame::StyledPanel);
        p->setAlignment(i == 6 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        if (panels[i].second > 0)
            p->setMinimumWidth(ScaleByDpi(panels[i].second, true));
        stbarInfo->addWidget(p, panels[i].second > 0 ? 0 : 1);
        StatusPanels.push_back(p);
    }

    // Handlers.
    connect(bbtnSearch, &QPushButton::clicked, this, [this] { JobButtonClick(0, jobSearch); });
    connect(bbtnNext, &QPushButton::clicked, this, [this] { JobButtonClick(bbtnNext->property("Tag").toInt(), jobSearch); });
    connect(bbtnPrior, &QPushButton::clicked, this, [this] { JobButtonClick(2, jobSearch); });
    connect(bbtnCount, &QPushButton::clicked, this, [this] { JobButtonClick(0, jobCount); });
    connect(bbtnFileExport, &QPushButton::clicked, this, [this] { JobButtonClick(0, jobOutput); });
    connect(bbtnStop, &QPushButton::clicked, this, &TDirectorySearchWindow::bbtnStopClick);
    connect(bbtnClose, &QPushButton::clicked, this, &QWidget::close);
    connect(sbtnInquiry, &QToolButton::clicked, this, &TDirectorySearchWindow::sbtnInquiryClick);
    connect(sbtnFileExport, &QToolButton::clicked, this, &TDirectorySearchWindow::sbtnFileExportClick);
    connect(sbtnExportItemSelect, &QToolButton::clicked, this, &TDirectorySearchWindow::sbtnExportItemSelectClick);
    connect(lvResult, &QAbstractItemView::doubleClicked, this, &TDirectorySearchWindow::sbtnInquiryClick);
    connect(chkOmissionAdrs, &QCheckBox::toggled, this, [this](bool on) {
        SetCaptionColour(chkOmissionAdrs, on);
        model_->SetOmission(on ? areaCaption_ : QByteArray());
    });
    auto nameEdited = [this](const QString &text) {
        lastName_ = Sjis::encode(text);
        nameChanged();
    };
    connect(nmcbxName, &QComboBox::editTextChanged, this, nameEdited);
    connect(nmedtName, &QLineEdit::textChanged, this, nameEdited);
    connect(nmcbxName, &QComboBox::activated, this, [this](int index) {
        // The box also reports its text matching an entry as it loses the focus; only a pick applies one.
        const bool picked = pickingName_;
        pickingName_ = false;
        if (!picked || index < 0 || index >= static_cast<int>(history_.Saved.size()))
            return;
        history_.Selected = index;
        applyEntry(history_.Saved[static_cast<size_t>(index)]);
    });
    // A double click on a divider fits the column to its caption and texts.
    connect(lvResult->header(), &QHeaderView::sectionHandleDoubleClicked, this, [this](int column) {
        lvResult->resizeColumnToContents(column);
        lvResult->setColumnWidth(column, std::max(lvResult->columnWidth(column),
                                                  lvResult->header()->sectionSizeHint(column))
                                             + 2 * ScaleByDpi(6, true));
    });
    // Enter moves on through the conditions.
    enterMovesTo(cbxArea, [this] { (cbxArea->currentIndex() == 0 ? static_cast<QWidget *>(bbtnSearch) : lbxTdfkn)->setFocus(); });
    enterMovesTo(lbxOhaza, [this] {
        if (bbtnSearch->isEnabled())
            bbtnSearch->setFocus();
    });
    for (QWidget *w : std::initializer_list<QWidget *>{chkNormal, chkFax, chkFaxCombi, chkMainNumber, cbxCorpDiv, lbxTdfkn, lbxCity})
        enterMovesTo(w, [this] { focusNextChild(); });
    nmcbxName->view()->installEventFilter(this);
    nmcbxName->view()->viewport()->installEventFilter(this);
    lvResult->installEventFilter(this);
    for (QWidget *w : {static_cast<QWidget *>(nmcbxName), static_cast<QWidget *>(nmedtName)})
        w->installEventFilter(this);
}

void TDirectorySearchWindow::finishCreation(QWidget *ownConditions, QWidget *ownOptions)
{
    if (ownConditions)
        conditionColumn_->addWidget(ownConditions, 1);
    if (ownOptions) {
        auto *options = static_cast<QBoxLayout *>(conditionPanel_->layout()->itemAt(1)->layout());
        options->addWidget(ownOptions);
    }
    static_cast<QBoxLayout *>(conditionPanel_->layout()->itemAt(1)->layout())->addStretch(1);
    // Made after the common controls, the window's own conditions would come last to Tab: they are read under
    // the name, its own options under the legal form.
    chainAfter(nmedtName, ownConditions, chkNormal);
    chainAfter(cbxCorpDiv, ownOptions, cbxArea);
    loadSettings();
    nmcbxName->setVisible(HistoryCount >= 1);
    nmedtName->setVisible(HistoryCount < 1);
    bbtnStop->setEnabled(false);
    bbtnPrior->setEnabled(false);
    bbtnNext->setEnabled(false);
    pnlSearch->hide();
    history_.Load(DataRootFolder + kind_.HistoryFile, HistoryCount);
    fillNameItems();
    resetStatus();
    clearList();
    setMinimumSize(ScaleByDpi(640, true), ScaleByDpi(440, true));
    conditionPanel_->setMinimumHeight(ScaleByDpi(274, true));
    spltCenter->widget(1)->setMinimumHeight(ScaleByDpi(160, true));
}

void TDirectorySearchWindow::chainAfter(QWidget *previous, QWidget *panel, QWidget *next)
{
    if (!panel)
        return;
    std::vector<QWidget *> controls;
    for (QWidget *w = panel->nextInFocusChain(); w != panel && panel->isAncestorOf(w); w = w->nextInFocusChain())
        if (w->focusPolicy() != Qt::NoFocus)
            controls.push_back(w);
    for (QWidget *w : controls) {
        setTabOrder(previous, w);
        previous = w;
    }
    setTabOrder(previous, next);
}

// ---- Settings ----

void TDirectorySearchWindow::loadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const QString &s = kind_.Section;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1280, 1024);
    const int width = ini.ReadInteger(s, QStringLiteral("Width"), 960);
    const int height = ini.ReadInteger(s, QStringLiteral("Height"), 742);
    const int left = ini.ReadInteger(s, QStringLiteral("Left"), (ScaleByDpi(screenSize.width(), false) - width) / 2);
    const int top = ini.ReadInteger(s, QStringLiteral("Top"), (ScaleByDpi(screenSize.height(), false) - height) / 2);
    setGeometry(ScaleByDpi(left, true), ScaleByDpi(top, true), ScaleByDpi(width, true), ScaleByDpi(height, true));
    const int topHeight = ini.ReadInteger(s, QStringLiteral("TopHeight"), kind_.DefaultTopHeight);
    spltCenter->setSizes({ScaleByDpi(topHeight, true), ScaleByDpi(std::max(160, height - topHeight - 60), true)});
    const int cityWidth = ini.ReadInteger(s, QStringLiteral("CityWidth"), 188);
    spltAdrs->setSizes({ScaleByDpi(cityWidth, true), ScaleByDpi(188, true)});
    chkOmissionAdrs->setChecked(ini.ReadBool(s, QStringLiteral("OmissionAdrs"), true));
    SetCaptionColour(chkOmissionAdrs, chkOmissionAdrs->isChecked());
    for (int i = 0; i < THitListModel::ColumnCount; ++i) {
        int w = ini.ReadInteger(s, QStringLiteral("HeaderWidth%1").arg(i + 1), THitListModel::DefaultWidths()[i]);
        if (w < 1)
            w = THitListModel::DefaultWidths()[i];
        columnWidths_[i] = w;
        lvResult->setColumnWidth(i, ScaleByDpi(w, true));
    }
    outputFileName_ = ini.ReadString(s, QStringLiteral("ExportFile"), {});
    outputItems_ = ItemChoiceFromTexts(SearchItemTable(), ini.ReadString(s, QStringLiteral("ExportItemIndex"), {}),
                                       ini.ReadString(s, QStringLiteral("ExportItemExport"), {}));
}

void TDirectorySearchWindow::saveSettings()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    const QString &s = kind_.Section;
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    ini.WriteInteger(s, QStringLiteral("Left"), ScaleByDpi(r.x(), false));
    ini.WriteInteger(s, QStringLiteral("Top"), ScaleByDpi(r.y(), false));
    ini.WriteInteger(s, QStringLiteral("Width"), ScaleByDpi(r.width(), false));
    ini.WriteInteger(s, QStringLiteral("Height"), ScaleByDpi(r.height(), false));
    ini.WriteInteger(s, QStringLiteral("TopHeight"), ScaleByDpi(spltCenter->sizes().value(0), false));
    ini.WriteInteger(s, QStringLiteral("CityWidth"), ScaleByDpi(spltAdrs->sizes().value(0), false));
    ini.WriteBool(s, QStringLiteral("OmissionAdrs"), chkOmissionAdrs->isChecked());
    for (int i = 0; i < THitListModel::ColumnCount; ++i)
        ini.WriteInteger(s, QStringLiteral("HeaderWidth%1").arg(i + 1), ScaleByDpi(lvResult->columnWidth(i), false));
    ini.WriteString(s, QStringLiteral("ExportFile"), outputFileName_);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(nullptr, e.Message, AppTitle, MB_ICONERROR, mbpSystem);
    }
}

void TDirectorySearchWindow::saveOutputItems()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteString(kind_.Section, QStringLiteral("ExportItemIndex"), ItemChoiceIndexText(outputItems_));
    ini.WriteString(kind_.Section, QStringLiteral("ExportItemExport"), ItemChoiceChosenText(outputItems_));
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

// ---- Remembered searches ----

void TDirectorySearchWindow::fillNameItems()
{
    if (HistoryCount < 1)
        return;
    const QString text = nmcbxName->currentText();
    const QSignalBlocker block(nmcbxName);
    nmcbxName->clear();
    for (const TSearchHistoryEntry &e : history_.Saved)
        nmcbxName->addItem(Sjis::decode(e.Name));
    nmcbxName->setCurrentIndex(-1);
    nmcbxName->setEditText(text);
}

void TDirectorySearchWindow::saveHistory()
{
    if (!history_.Save(DataRootFolder + kind_.HistoryFile))
        ShowMessageBoxAt(this,
                         QStringLiteral("検索条件を保存できませんでした  \r\n") + DataRootFolder + kind_.HistoryFile
                             + WriteFailureReason(errno),
                         AppTitle, MB_ICONERROR);
}

void TDirectorySearchWindow::rememberSearch()
{
    TSearchHistoryEntry e;
    e.SetName(FilteredName());
    e.TelKinds = telKinds();
    e.LegalForm = std::max(0, cbxCorpDiv->currentIndex());
    e.PageSize = conditions_.empty() ? pageSize() : static_cast<int32_t>(conditions_.front().PageSize);
    e.Region = area_->Region();
    e.Level = area_->AreaList.empty() ? areaLevelNone : area_->AreaList.front().Level;
    for (const TAreaCode &a : area_->AreaList)
        e.Codes.append(a.Code);
    entryFromControls(e);
    history_.Remember(e, HistoryCount);
    if (kind_.CategoryHistory)
        history_.Selected = -1;
    historyWrite_.start();
    fillNameItems();
}

void TDirectorySearchWindow::applyEntry(const TSearchHistoryEntry &entry)
{
    setNameText(entry.Name);
    setTelKindsFrom(entry.TelKinds);
    cbxCorpDiv->setCurrentIndex(std::clamp<int>(entry.LegalForm, 0, cbxCorpDiv->count() - 1));
    std::vector<TAreaCode> areas;
    for (const QByteArray &code : entry.Codes)
        areas.push_back({code, entry.Level});
    area_->Restore(entry.Region, areas);
    controlsFromEntry(entry);
}

void TDirectorySearchWindow::ApplyHistoryLimit()
{
    history_.ApplyLimit(HistoryCount);
    const QByteArray name = lastName_;
    nmcbxName->setVisible(HistoryCount >= 1);
    nmedtName->setVisible(HistoryCount < 1);
    setNameText(name);
    saveHistory();
    fillNameItems();
}

void TDirectorySearchWindow::setTelKindsFrom(int32_t bits)
{
    for (QCheckBox *box : {chkNormal, chkFax, chkFaxCombi, chkMainNumber}) {
        const bool on = bits == 0 || (bits & box->property("Tag").toInt()) != 0;
        const QSignalBlocker block(box);
        box->setChecked(on);
        SetCaptionColour(box, on);
    }
}

int32_t TDirectorySearchWindow::telKinds() const
{
    int32_t bits = 0;
    for (const QCheckBox *box : {chkNormal, chkFax, chkFaxCombi, chkMainNumber})
        if (box->isChecked())
            bits |= box->property("Tag").toInt();
    return bits;
}

// ---- Showing and closing ----

void TDirectorySearchWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    applyEntry(history_.Current);
    if (TDirectorySearchWindow *other = otherWindow(); other && other->IsBusy())
        SetSearchEnabled(false);
}

void TDirectorySearchWindow::closeEvent(QCloseEvent *event)
{
    // A close asked while a job runs stops the job and waits for its end (job_).
    if (hitIsShownInForm())
        RecordForm->DisableRecordNavigator();
    event->accept();
}

// Esc is 閉じる: while a job runs 閉じる is disabled, and Esc leaves the window and its job alone.
void TDirectorySearchWindow::keyPressEvent(QKeyEvent *event)
{
    if (!EscPresses(event, bbtnClose))
        QWidget::keyPressEvent(event);
}

void TDirectorySearchWindow::enterMovesTo(QWidget *control, const std::function<void()> &action)
{
    enterActions_[control] = action;
    control->installEventFilter(this);
}

bool TDirectorySearchWindow::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == nmcbxName->view() && IsEnterKey(event))
        || (watched == nmcbxName->view()->viewport() && event->type() == QEvent::MouseButtonRelease))
        pickingName_ = true;
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == nmcbxName->view() && key->key() == Qt::Key_Delete) {
            const int index = nmcbxName->view()->currentIndex().row();
            if (index >= 0 && index < static_cast<int>(history_.Saved.size())) {
                history_.Delete(index);
                saveHistory();
                nmcbxName->hidePopup();
                fillNameItems();
            }
            return true;
        }
        if (watched == lvResult && !(key->modifiers() & Qt::ShiftModifier)) {
            const int row = lvResult->currentIndex().row();
            if (key->key() == Qt::Key_PageUp && row == 0 && bbtnPrior->isEnabled()) {
                bbtnPrior->click();
                return true;
            }
            if (key->key() == Qt::Key_PageDown && row == lastPageRow() && bbtnNext->isEnabled()) {
                bbtnNext->click();
                return true;
            }
            if (IsEnterKey(event)) {
                sbtnInquiryClick();
                return true;
            }
        }
        if (IsEnterKey(event)) {
            if (const auto action = enterActions_.find(watched); action != enterActions_.end()) {
                action->second();
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusOut && (watched == nmcbxName || watched == nmedtName)) {
        nameBoxLeft();
    }
    return QWidget::eventFilter(watched, event);
}

// A name longer than the box holds is cut where no character is split.
void TDirectorySearchWindow::nameBoxLeft()
{
    const QByteArray text = Sjis::encode(HistoryCount >= 1 ? nmcbxName->currentText() : nmedtName->text());
    if (text.size() > nameBytes)
        setNameText(CopyLeftMbcs(text, nameBytes));
}

// ---- Jobs ----

bool TDirectorySearchWindow::IsBusy() const { return !pnlSearch->isHidden(); }

void TDirectorySearchWindow::SetSearchEnabled(bool enabled)
{
    if (!enabled) {
        if (othersBusy_)
            return;
        othersBusy_ = true;
        rememberedButtons_[0] = bbtnPrior->isEnabled();
        rememberedButtons_[1] = bbtnNext->isEnabled();
        for (QPushButton *b : {bbtnCount, bbtnFileExport, bbtnSearch, bbtnPrior, bbtnNext})
            b->setEnabled(false);
        return;
    }
    if (!othersBusy_)
        return;
    othersBusy_ = false;
    for (QPushButton *b : {bbtnCount, bbtnFileExport, bbtnSearch})
        b->setEnabled(true);
    bbtnPrior->setEnabled(rememberedButtons_[0]);
    bbtnNext->setEnabled(rememberedButtons_[1]);
}

void TDirectorySearchWindow::buildConditions()
{
    const QByteArray data = QFile::encodeName(dataFolder());
    const QByteArray dic = QFile::encodeName(AppFolder + QStringLiteral("Dic/"));
    conditions_.clear();
    pageSize_ = pageSize();
    for (const TAreaCode &area : area_->AreaList) {
        TDirectoryCondition c{};
        PutText(c.AreaCode, area.Code);
        c.One1 = 1;
        c.Kinds = static_cast<uint32_t>(telKinds());
        c.LegalForm = static_cast<uint32_t>(std::max(0, cbxCorpDiv->currentIndex()));
        c.One2 = 1;
        c.PageSize = static_cast<uint32_t>(pageSize_);
        PutText(c.DataFolder, data);
        PutText(c.DicFolder, dic);
        conditions_.push_back(c);
    }
    if (conditions_.empty()) {
        TDirectoryCondition c{};
        c.One1 = c.One2 = 1;
        c.Kinds = static_cast<uint32_t>(telKinds());
        c.LegalForm = static_cast<uint32_t>(std::max(0, cbxCorpDiv->currentIndex()));
        c.PageSize = static_cast<uint32_t>(pageSize_);
        PutText(c.DataFolder, data);
        PutText(c.DicFolder, dic);
        conditions_.push_back(c);
    }
    completeConditions();
    areaCaption_ = area_->AreaCaption();
}

void TDirectorySearchWindow::JobButtonClick(int tag, int job)
{
    const bool paging = job == jobSearch && tag != 0;
    if (!paging && !checkConditions(job))
        return;
    if (!CheckDataLocation())
        return;
    bool append = false;
    if (job == jobCount || job == jobOutput) {
        const QString question =
            job == jobCount ? QStringLiteral("検索条件に該当するデータの総件数を調べます  \r\nよろしいですか？  ")
                            : QStringLiteral("検索条件に該当するデータを  \r\nCSV形式でテキストファイルに出力します  \r\nよろしいですか？  ");
        if (ShowMessageBoxAt(this, question, AppTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        if (job == jobOutput) {
            outputFileBefore_ = outputFileName_;
            const int choice = chooseOutputFile();
            if (choice == 9)
                return;
            append = choice == 1;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (TDirectorySearchWindow *other = otherWindow())
        other->SetSearchEnabled(false);
    const QString words[] = {QStringLiteral("検索"), QStringLiteral("件数確認"), QStringLiteral("ファイル出力")};
    // The busy state is painted only once the job has run a moment: a page the worker already holds, or finds
    // at once, is painted in its stead, without a whole window painted busy first and the page waiting for it.
    setUpdatesEnabled(false);
    busyPaint_.start();
    setBusy(true, words[job]);
    resetStatus();
    clearList();
    if (!paging) {
        buildConditions();
        worker_->SetConditions(conditions_, nameList_, exclusionList_);
    }
    if (job == jobSearch) {
        worker_->Mode = TSearchThread::modePageSearch;
        worker_->RequestKind = tag;
        requestKind_ = tag;
    } else if (job == jobCount) {
        worker_->Mode = TSearchThread::modeCount;
    } else {
        worker_->Mode = TSearchThread::modeFileOutput;
        worker_->RequestKind = TSearchThread::requestNew;
        worker_->SetOutput(append, outputFileName_, !append);
        worker_->SetOutputItems(outputItems_);
    }
    pnlSearch->show();
    worker_->StartJob();
    job_.emplace(this, [this] { worker_->Abandon(); });
}

void TDirectorySearchWindow::bbtnStopClick() { worker_->Stop(); }

void TDirectorySearchWindow::setBusy(bool busy, const QString &job)
{
    std::vector<QWidget *> controls{nmcbxName, nmedtName, chkNormal, chkFax, chkFaxCombi, chkMainNumber, cbxCorpDiv};
    for (QWidget *w : ownConditionControls())
        controls.push_back(w);
    for (QWidget *w : controls)
        w->setEnabled(!busy);
    area_->SetEnabled(!busy);
    for (QPushButton *b : {bbtnCount, bbtnSearch, bbtnPrior, bbtnNext, bbtnFileExport, bbtnClose})
        b->setEnabled(!busy);
    bbtnStop->setEnabled(busy);
    if (busy)
        panel(5)->setText(job);
}

// The window is idle again after its own job; paging follows the worker's page when a page was searched. False
// when the window's close was asked during the job (which stopped it): the window goes once the handler has
// returned, and only a failure of the job is told.
bool TDirectorySearchWindow::setIdle(bool paging)
{
    busyPaint_.stop();
    setUpdatesEnabled(true);
    pnlSearch->hide();
    setBusy(false, {});
    bbtnPrior->setEnabled(paging && !worker_->FirstPage());
    bbtnNext->setEnabled(paging && !worker_->LastPage());
    if (TDirectorySearchWindow *other = otherWindow())
        other->SetSearchEnabled(true);
    QApplication::restoreOverrideCursor();
    const bool stays = !job_ || !job_->CloseAsked();
    job_.reset();
    return stays;
}

QLabel *TDirectorySearchWindow::panel(int n) const
{
    if (!kind_.MatchPanel) {
        if (n == 1)
            return nullptr;
        if (n > 1)
            --n;
    }
    return StatusPanels[static_cast<size_t>(n)];
}

void TDirectorySearchWindow::resetStatus()
{
    for (int n : {1, 2, 3, 6, 7})
        if (QLabel *p = panel(n))
            p->clear();
    panel(9)->setText(QStringLiteral(" 表示ページ： ---"));
    panel(10)->setText(QStringLiteral(" 検索総件数： -----"));
}

void TDirectorySearchWindow::showStatus(int state, int count)
{
    const bool described = state == stCountDone || state == stSearchDone || state == stOutputDone || state == stStopped;
    QString match, kinds, legal;
    if (described && !conditions_.empty()) {
        const TDirectoryCondition &c = conditions_.front();
        match = MatchWords.value(static_cast<int>(c.MatchMode));
        const QString marks[] = {QStringLiteral("通"), QStringLiteral("Ｆ"), QStringLiteral("兼"), QStringLiteral("代")};
        for (int i = 0; i < 4; ++i)
            if (c.Kinds & (1u << i))
                kinds += marks[i];
        legal = LegalForms.value(static_cast<int>(c.LegalForm));
    }
    if (QLabel *p = panel(1))
        p->setText(match);
    panel(2)->setText(kinds);
    panel(3)->setText(legal);
    panel(6)->setText(QStringLiteral(" 件数： ") + (state == stError ? QString() : QString::number(count)));
    const QString results[] = {QStringLiteral("確認完了"), QStringLiteral("検索完了"), QStringLiteral("出力完了")};
    panel(7)->setText(state <= stOutputDone ? results[state]
                      : state == stNothing  ? QStringLiteral("該当無し")
                      : state == stStopped  ? QStringLiteral("検索中断")
                                            : QStringLiteral(" エラー"));
    if (state == stSearchDone && !model_->Hits().empty()) {
        const int page = model_->PageNo();
        panel(9)->setText(QStringLiteral(" 表示ページ： ") + QString::number(page));
        panel(10)->setText(QStringLiteral(" 検索総件数： ")
                           + QString::number(static_cast<int>(model_->Hits().size()) + pageSize_ * (page - 1)));
    }
}

// The worker's page, its numbers hyphenated as the program shows numbers.
void TDirectorySearchWindow::showPage(bool withCaption)
{
    std::vector<TDirectoryHit> hits(static_cast<size_t>(std::max(0, worker_->HitCount())));
    for (size_t i = 0; i < hits.size(); ++i) {
        worker_->GetPageHit(static_cast<int>(i), hits[i]);
        QByteArray number = FieldText(hits[i].Tel);
        TryHyphenatePhone(number, {});
        PutText(hits[i].Tel, number);
    }
    model_->SetPage(std::move(hits), worker_->PageNo(), pageSize_);
    if (withCaption) {
        pnlAdrs->setText(Sjis::decode(areaCaption_));
        pnlAdrs->setVisible(!areaCaption_.isEmpty());
        model_->SetOmission(chkOmissionAdrs->isChecked() ? areaCaption_ : QByteArray());
    }
    if (model_->rowCount() > 0) {
        const QModelIndex first = model_->index(0, 0);
        lvResult->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void TDirectorySearchWindow::clearList()
{
    model_->Clear();
    currentHit_ = -1;
    pnlAdrs->clear();
    pnlAdrs->hide();
    updateRecordNavigator();
}

void TDirectorySearchWindow::pageSearchDone()
{
    const int code = worker_->ResultCode();
    const bool newSearch = requestKind_ == TSearchThread::requestNew;
    if (code == directoryFound || code == directoryStopped) {
        showPage(true);
        showStatus(code == directoryFound ? stSearchDone : stStopped, worker_->HitCount());
        if (newSearch)
            rememberSearch();
        currentHit_ = -1;
        updateRecordNavigator();
    } else if (code == directoryNoMore) {
        showStatus(stNothing, 0);
        clearList();
        if (newSearch)
            rememberSearch();
    } else {
        showStatus(stError, 0);
        clearList();
    }
    const bool resume = code == directoryStopped && worker_->PageNo() > 1;
    // The button is dressed again only when its request changes: the style loads its icons afresh on each call.
    const int nextRequest = resume ? TSearchThread::requestResume : TSearchThread::requestNext;
    if (bbtnNext->property("Tag").toInt() != nextRequest) {
        bbtnNext->setProperty("Tag", nextRequest);
        bbtnNext->setIcon(style()->standardIcon(resume ? QStyle::SP_BrowserReload : QStyle::SP_ArrowDown));
        bbtnNext->setToolTip(resume ? QStringLiteral("中断した検索を再度行います") : QStringLiteral("次のページの検索を行います"));
    }
    const bool stays = setIdle(true);
    if (code == directoryNoMore && stays)
        ShowMessageBoxAt(this, QStringLiteral("該当するデータが見つかりませんでした  "), AppTitle, MB_ICONINFORMATION);
    else if (code != directoryFound && code != directoryStopped && code != directoryNoMore)
        ShowMessageBoxAt(this, kind_.SearchErrorWord + QStringLiteral("  \r\nRC = ") + QString::number(code) + QStringLiteral("  "),
                         AppTitle, MB_ICONERROR);
    if (!stays)
        return;
    if (code == directoryFound)
        lvResult->setFocus();
    else if (code == directoryNoMore)
        nameBox()->setFocus();
    else if (code == directoryStopped)
        (bbtnNext->isEnabled() ? bbtnNext : bbtnSearch)->setFocus();
    else
        bbtnClose->setFocus();
}

void TDirectorySearchWindow::countDone()
{
    const int code = worker_->ResultCode();
    const int total = worker_->HitCount();
    if (code == directoryFound || code == directoryNoMore || code == directoryStopped) {
        showStatus(code == directoryFound ? stCountDone : code == directoryNoMore ? stNothing : stStopped, total);
        rememberSearch();
    }
    const bool stays = setIdle(false);
    if (!stays && (code == directoryFound || code == directoryNoMore || code == directoryStopped))
        return;
    if (code == directoryFound)
        ShowMessageBoxAt(this, QString::number(total) + QStringLiteral(" 件のデータが見つかりました  "), AppTitle, MB_ICONINFORMATION);
    else if (code == directoryNoMore)
        ShowMessageBoxAt(this, QStringLiteral("該当するデータが見つかりませんでした  "), AppTitle, MB_ICONINFORMATION);
    else if (code == directoryStopped)
        ShowMessageBoxAt(this, QStringLiteral("中断しました  "), AppTitle, MB_ICONINFORMATION);
    else
        ShowMessageBoxAt(this, QStringLiteral("件数確認エラー  \r\nRC = ") + QString::number(code) + QStringLiteral("  "),
                         AppTitle, MB_ICONERROR);
}

void TDirectorySearchWindow::outputDone()
{
    const int code = worker_->ResultCode();
    worker_->CloseOutput();
    QString failedFile;
    if (code == directoryFound) {
        linesWritten_ = worker_->LinesWritten();
        showStatus(stOutputDone, linesWritten_);
    } else if (code == directoryNoMore || code == directoryStopped) {
        showStatus(code == directoryNoMore ? stNothing : stStopped, worker_->LinesWritten());
    } else {
        failedFile = outputFileName_;
        outputFileName_ = outputFileBefore_;
    }
    if (code == directoryFound || code == directoryNoMore || code == directoryStopped)
        rememberSearch();
    const bool stays = setIdle(false);
    QString text;
    unsigned icon = MB_ICONINFORMATION;
    if (code == directoryFound) {
        text = QString::number(linesWritten_) + QStringLiteral(" 件のデータを出力しました  ");
    } else if (code == directoryNoMore) {
        text = QStringLiteral("該当するデータが見つかりませんでした  ");
    } else if (code == directoryStopped) {
        text = QStringLiteral("中断しました  ");
    } else {
        icon = MB_ICONERROR;
        text = QStringLiteral("ファイル出力エラー  \r\nRC = ") + QString::number(code) + QStringLiteral("  ");
        if (code == TSearchThread::outputOpenFailed)
            text += QStringLiteral("\r\n出力ファイルを開けませんでした  ") + WriteFailureAt(failedFile, worker_->OutputError());
        else if (code == TSearchThread::outputWriteFailed)
            text += QStringLiteral("\r\n出力ファイルに書き込めませんでした  \r\n(ディスクの空き容量を確認してください)  ")
                    + WriteFailureAt(failedFile, worker_->OutputError());
        else if (code == TSearchThread::outputCategoryFailed)
            text += QStringLiteral("\r\nカテゴリの表を読めませんでした  ");
    }
    if (stays || icon == MB_ICONERROR)
        ShowMessageBoxAt(this, text, AppTitle, icon);
}
