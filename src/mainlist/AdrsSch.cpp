#include "mainlist/AdrsSch.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

// The glyphs' resource file sits in a static library, which links it in only when it is asked for; the
// request has to come from outside any namespace.
static QIcon glyph(const char *name)
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(AdrsSch);
        return true;
    }();
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/AdrsSch/") + QLatin1String(name) + QStringLiteral(".svg"));
}

namespace {

const QString SettingsSection = QStringLiteral("ADRS SCH");
const QString ViewTypeKey = QStringLiteral("ViewType");
const QString NoSubCategory = QStringLiteral("指定なし");
const QString EmptyValue = QStringLiteral("＜空白＞");
const QString NegateCaption = QStringLiteral("以外");
const QStringList MatchModeCaptions{QStringLiteral("前方一致"), QStringLiteral("あいまい"), QStringLiteral("後方一致")};
constexpr int MaxPatternNameLength = 30;
constexpr int FirstKeywordItem = 21;
constexpr int FirstJointItem = 16;
constexpr int LastJointItem = 20;
constexpr int NameItem = 12;

// Names and joint names are kept in the "@" escape form, so they are typed in the Unicode edit.
bool isUnicodeItem(int item) { return item == NameItem || (item >= FirstJointItem && item <= LastJointItem); }

// Telephone numbers and the postal code are stored without hyphens.
bool dropsHyphens(int item) { return item == 1 || (item >= 3 && item <= 6); }

// The input method an item's value is typed with. A keyword takes the mode the user chose for it, as it does in the
// record form; addresses, company names, departments, posts, names, joint names and the note are typed in
// hiragana; codes, numbers and the addresses of the web take none.
void setItemImeMode(QWidget *field, int item)
{
    const int keyword = item - FirstKeywordItem;
    if (keyword >= 0 && keyword < static_cast<int>(KeywordModes.size()))
        SetKeywordImeMode(field, keyword);
    else if (item == 7 || (item >= 9 && item <= NameItem) || (item >= FirstJointItem && item <= LastJointItem)
             || item == 29)
        SetImeMode(field, imHira);
    else
        SetImeMode(field, imClose);
}

QStringList choicesOf(int item)
{
    if (item == fiTelDiv)
        return {QStringLiteral("代表")};
    if (item == fiPrivCorp)
        return {QStringLiteral("個人"), QStringLiteral("会社")};
    return {};
}

THistoryData *historyOf(int item)
{
    if (!DMMirvale18)
        return nullptr;
    switch (item) {
    case 10: return DMMirvale18->DptmntHistory.get();
    case 11: return DMMirvale18->PostHistory.get();
    case 26:
    case 27:
    case 28: return DMMirvale18->KeywordHistory[static_cast<size_t>(item - 26)].get();
    default: return nullptr;
    }
}

int catNoOf(TTable &table) { return table.FieldByName(QStringLiteral("CatNo")).AsInteger(); }
QString nameOf(TTable &table) { return Sjis::decode(table.FieldByName(QStringLiteral("Name")).AsString()); }

// The name of the row whose CatNo is catNo, empty when there is none.
QString categoryName(bool sub, int catNo) { return Sjis::decode(DMMirvale18->CategoryName(sub, catNo)); }

}  // namespace

TAddressSearch::TAddressSearch(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AddressSearch"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    createControls();
    layOutControls();
    connectHandlers();

    const int viewType =
        TMemIniFile(DataFolder + SettingsFileName).ReadInteger(SettingsSection, ViewTypeKey, vtSimple);
    ViewType = viewType == vtAdvanced ? vtAdvanced : vtSimple;
    LayoutView();

    patterns_ = LoadSearchPatterns();
    RefillPatternList();

    {
        const QSignalBlocker blocker(cbxItem);
        for (int i = 0; i < FilterItemCount; ++i) {
            const int keyword = i - FirstKeywordItem;
            cbxItem->addItem(keyword >= 0 && keyword < static_cast<int>(KeywordNames.size())
                                 ? KeywordNames[static_cast<size_t>(keyword)]
                                 : FilterItemTable()[static_cast<size_t>(i)].Title);
        }
        cbxItem->setCurrentIndex(0);
    }
    cbxItemClick();
    cbxCondition->setCurrentIndex(0);
    chkNotCondition->setChecked(false);
    rbAnd->setChecked(true);
    chkNotConditionClick();
    rbAndOrClick();
    UpdateButtons();
    btnClear->setEnabled(false);  // until a filter is given to be released
    cbxItem->setFocus();
}

TAddressSearch::~TAddressSearch()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteInteger(SettingsSection, ViewTypeKey, ViewType);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(nullptr, e.Message, AppTitle, MB_ICONERROR, mbpSystem);
    }
}

void TAddressSearch::createControls()
{
    // The lists that take typed text as well as a choice; what is typed does not join the list.
    auto typedCombo = [this](const char *name) {
        auto *c = Named<TUniComboBox>(name, this);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        return c;
    };

    pnlPattern = Named<QWidget>("pnlPattern", this);
    pnlItem = Named<QWidget>("pnlItem", this);
    pnlCondition = Named<QWidget>("pnlCondition", this);
    pnlButton = Named<QWidget>("pnlButton", this);

    cbxPattern = typedCombo("cbxPattern");
    cbxPattern->lineEdit()->setMaxLength(MaxPatternNameLength);
    cbxPattern->setAccessibleName(QStringLiteral("パターン名"));
    cbxPattern->setValidator(new TShiftJisValidator(0, cbxPattern));
    SetImeMode(cbxPattern, imHira);
    bbtnViewPattern = Named<QPushButton>("bbtnViewPattern", glyph("VIEW"), QStringLiteral("表示"), this);
    bbtnSavePattern = Named<QPushButton>("bbtnSavePattern", glyph("SAVE"), QStringLiteral("保存"), this);
    bbtnDeletePattern = Named<QPushButton>("bbtnDeletePattern", glyph("DELETE"), QStringLiteral("削除"), this);

    cbxItem = Named<TUniComboBox>("cbxItem", this);
    cbxItem->setMaxVisibleItems(10);
    edtContent = Named<TUniEdit>("edtContent", this);
    contentLimit_ = new TShiftJisValidator(0, edtContent);
    edtContent->setValidator(contentLimit_);
    edtContentUni = Named<TUniEdit>("edtContentUni", this);
    cbxContentRW = typedCombo("cbxContentRW");
    contentRWLimit_ = new TShiftJisValidator(0, cbxContentRW);
    cbxContentRW->setValidator(contentRWLimit_);
    cbxContentRO = Named<TUniComboBox>("cbxContentRO", this);
    Cbx_CatMain = Named<TUniComboBox>("Cbx_CatMain", this);
    Cbx_CatSub = Named<TUniComboBox>("Cbx_CatSub", this);
    cbxCondition = Named<TUniComboBox>("cbxCondition", this);
    cbxCondition->addItems(MatchModeCaptions);
    // A condition's editors are named after the columns of the list they fill; one value editor shows at a time.
    cbxItem->setAccessibleName(QStringLiteral("項目名"));
    for (QWidget *editor : std::initializer_list<QWidget *>{edtContent, edtContentUni, cbxContentRW, cbxContentRO,
                                                             Cbx_CatMain, Cbx_CatSub})
        editor->setAccessibleName(QStringLiteral("内容"));
    cbxCondition->setAccessibleName(QStringLiteral("条件"));
    chkNotCondition = Named<QCheckBox>("chkNotCondition", QStringLiteral("以外を検索"), this);

    bbtnAdd = Named<QPushButton>("bbtnAdd", glyph("LISTADD"), QStringLiteral("追加"), this);
    bbtnUpdate = Named<QPushButton>("bbtnUpdate", glyph("LISTUPD"), QStringLiteral("変更"), this);
    bbtnDelete = Named<QPushButton>("bbtnDelete", glyph("LISTDEL"), QStringLiteral("削除"), this);
    // The pattern's row and the conditions' row each have a 削除: a screen reader says what each deletes.
    bbtnDeletePattern->setAccessibleName(QStringLiteral("パターンの削除"));
    bbtnDelete->setAccessibleName(QStringLiteral("条件の削除"));
    bbtnClear = Named<QPushButton>("bbtnClear", glyph("LISTCLEAR"), QStringLiteral("クリア"), this);
    lblMaxCondition = Named<QLabel>("lblMaxCondition", QStringLiteral("※条件は１０件まで指定できます"), this);
    lvCondition = Named<QTreeWidget>("lvCondition", this);
    lvCondition->setRootIsDecorated(false);
    lvCondition->setAccessibleName(QStringLiteral("条件の一覧"));
    lvCondition->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvCondition->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvCondition->setHeaderLabels({QStringLiteral("項目名"), QStringLiteral("内容"), QStringLiteral("条件")});
    lvCondition->header()->setStretchLastSection(false);
    lvCondition->header()->setSectionsMovable(false);
    const int columnWidths[] = {104, 272, 64};
    for (int c = 0; c < 3; ++c)
        lvCondition->header()->resizeSection(c, ScaleByDpi(columnWidths[c], true));
    rbAnd = Named<QRadioButton>("rbAnd", QStringLiteral("すべて一致"), this);
    rbOr = Named<QRadioButton>("rbOr", QStringLiteral("いずれかが一致"), this);

    btnViewSwitch = Named<QPushButton>("btnViewSwitch", QString(), this);
    btnView = Named<QPushButton>("btnView", QStringLiteral("絞り込む"), this);
    btnClear = Named<QPushButton>("btnClear", QStringLiteral("絞り込みの解除"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);

    // Enter in a field or choice moves on as eventFilter says; on a push button it presses the button.
    for (QWidget *field : std::initializer_list<QWidget *>{cbxPattern, cbxItem, edtContent, edtContentUni,
                                                            cbxContentRW, cbxContentRO, Cbx_CatMain, Cbx_CatSub,
                                                            cbxCondition, chkNotCondition, lvCondition, rbAnd, rbOr})
        field->installEventFilter(this);
}

void TAddressSearch::layOutControls()
{
    auto *patternRow = new QHBoxLayout(pnlPattern);
    patternRow->addWidget(cbxPattern, 1);
    for (QWidget *w : {bbtnViewPattern, bbtnSavePattern, bbtnDeletePattern})
        patternRow->addWidget(w);
    cbxPattern->setMinimumWidth(ScaleByDpi(240, true));

    auto *itemRow = new QHBoxLayout(pnlItem);
    itemRow->addWidget(cbxItem);
    for (QWidget *w : {static_cast<QWidget *>(edtContent), static_cast<QWidget *>(edtContentUni),
                       static_cast<QWidget *>(cbxContentRW), static_cast<QWidget *>(cbxContentRO),
                       static_cast<QWidget *>(Cbx_CatMain), static_cast<QWidget *>(Cbx_CatSub)})
        itemRow->addWidget(w, 1);
    itemRow->addWidget(cbxCondition);
    itemRow->addWidget(chkNotCondition);
    cbxItem->setMinimumWidth(ScaleByDpi(140, true));
    for (QWidget *w : {static_cast<QWidget *>(edtContent), static_cast<QWidget *>(edtContentUni),
                       static_cast<QWidget *>(cbxContentRW)})
        w->setMinimumWidth(ScaleByDpi(240, true));

    auto *conditionPanel = new QVBoxLayout(pnlCondition);
    auto *listButtons = new QHBoxLayout;
    for (QWidget *w : {bbtnAdd, bbtnUpdate, bbtnDelete, bbtnClear})
        listButtons->addWidget(w);
    listButtons->addWidget(lblMaxCondition);
    listButtons->addStretch();
    conditionPanel->addLayout(listButtons);
    conditionPanel->addWidget(lvCondition);
    lvCondition->setFixedHeight(ScaleByDpi(180, true));
    auto *matchRow = new QHBoxLayout;
    matchRow->addWidget(rbAnd);
    matchRow->addWidget(rbOr);
    matchRow->addStretch();
    conditionPanel->addLayout(matchRow);

    auto *bottomRow = new QHBoxLayout(pnlButton);
    bottomRow->addWidget(btnViewSwitch);
    bottomRow->addStretch();
    for (QWidget *w : {btnView, btnClear, btnCancel})
        bottomRow->addWidget(w);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QWidget *panel : {pnlPattern, pnlItem, pnlCondition, pnlButton})
        layout->addWidget(panel);
    // The dialog is as high as its shown panels.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const QList<QWidget *> tabOrder{cbxPattern,    bbtnViewPattern, bbtnSavePattern, bbtnDeletePattern, cbxItem,
                                    edtContent,    edtContentUni,   cbxContentRW,    cbxContentRO,      Cbx_CatMain,
                                    Cbx_CatSub,    cbxCondition,    chkNotCondition, bbtnAdd,           bbtnUpdate,
                                    bbtnDelete,    bbtnClear,       lvCondition,     rbAnd,             rbOr,
                                    btnViewSwitch, btnView,         btnClear,        btnCancel};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TAddressSearch::connectHandlers()
{
    using C = TAddressSearch;
    connect(cbxItem, &QComboBox::currentIndexChanged, this, &C::cbxItemClick);
    connect(Cbx_CatMain, &QComboBox::currentIndexChanged, this, &C::Cbx_CatMainChange);
    connect(chkNotCondition, &QCheckBox::toggled, this, &C::chkNotConditionClick);
    connect(rbAnd, &QRadioButton::toggled, this, &C::rbAndOrClick);
    connect(bbtnAdd, &QPushButton::clicked, this, &C::bbtnAddClick);
    connect(bbtnUpdate, &QPushButton::clicked, this, &C::bbtnUpdateClick);
    connect(bbtnDelete, &QPushButton::clicked, this, &C::bbtnDeleteClick);
    connect(bbtnClear, &QPushButton::clicked, this, &C::bbtnClearClick);
    connect(lvCondition, &QTreeWidget::itemSelectionChanged, this, &C::lvConditionSelectItem);
    connect(lvCondition, &QTreeWidget::itemDoubleClicked, this, &C::lvConditionDblClick);
    // The current condition is the one shown below for 変更, however it became current: arrows, Home/End, a
    // screen reader. While rows are being taken out the list and conditions_ disagree: nothing is loaded then.
    connect(lvCondition, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        const int row = current ? lvCondition->indexOfTopLevelItem(current) : -1;
        if (row >= 0 && lvCondition->topLevelItemCount() == static_cast<int>(conditions_.size()))
            LoadCondition(conditions_[static_cast<size_t>(row)]);
    });
    connect(bbtnViewPattern, &QPushButton::clicked, this, &C::bbtnViewPatternClick);
    connect(bbtnSavePattern, &QPushButton::clicked, this, &C::bbtnSavePatternClick);
    connect(bbtnDeletePattern, &QPushButton::clicked, this, &C::bbtnDeletePatternClick);
    connect(btnViewSwitch, &QPushButton::clicked, this, &C::btnViewSwitchClick);
    connect(btnView, &QPushButton::clicked, this, &C::btnViewClick);
    connect(btnClear, &QPushButton::clicked, this, &C::btnClearClick);
    connect(btnCancel, &QPushButton::clicked, this, &C::btnCancelClick);
}

void TAddressSearch::LayoutView()
{
    const bool advanced = ViewType == vtAdvanced;
    pnlPattern->setVisible(advanced);
    pnlCondition->setVisible(advanced);
    setWindowTitle(advanced ? QStringLiteral("絞り込み - 高度な設定") : QStringLiteral("絞り込み"));
    setProperty("HelpContext", advanced ? 48 : 47);
    btnViewSwitch->setText(advanced ? QStringLiteral("通常の設定方法に戻す") : QStringLiteral("高度な設定方法に切り替える"));
    layout()->activate();
    CenterFormOnOwner(this, parentWidget());
}

// ---- The condition list ----

void TAddressSearch::SetConditions(const TNarrowDownCondition &filter)
{
    loadConditions(filter);
    btnClear->setEnabled(!filter.Conditions.empty());
}

void TAddressSearch::loadConditions(const TNarrowDownCondition &filter)
{
    conditions_.clear();
    lvCondition->clear();
    for (const TNarrowDownItem &c : filter.Conditions) {
        conditions_.push_back(c);
        new QTreeWidgetItem(lvCondition, rowTexts(c));
    }
    (filter.MatchAll ? rbAnd : rbOr)->setChecked(true);
    UpdateButtons();
    if (!conditions_.empty())
        LoadCondition(conditions_.front());
}

void TAddressSearch::GetConditions(TNarrowDownCondition &filter) const
{
    filter.Conditions = conditions_;
    filter.MatchAll = rbAnd->isChecked();
}

QStringList TAddressSearch::rowTexts(const TNarrowDownItem &c)
{
    QString content;
    if (c.ValueKind == vkText) {
        if (c.Text.isEmpty())
            content = EmptyValue;
        else
            content = isUnicodeItem(c.Item) ? EscapedAnsiToWide(c.Text) : Sjis::decode(c.Text);
    } else if (c.Item == fiCategory) {
        content = categoryName(false, c.Choice / 100);
        if (c.Choice % 100 != 0)
            content += QLatin1Char('-') + categoryName(true, c.Choice);
    } else {
        content = choicesOf(c.Item).value(c.Choice);
    }
    QString mode;
    if (c.MatchMode != mmNone)
        mode = MatchModeCaptions.value(c.MatchMode);
    else if (c.Negate)
        mode = NegateCaption;
    return {cbxItem->itemText(c.Item), content, mode};
}

std::vector<int> TAddressSearch::selectedRows() const
{
    std::vector<int> rows;
    for (QTreeWidgetItem *item : lvCondition->selectedItems())
        rows.push_back(lvCondition->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TAddressSearch::selectOnlyRow(int row)
{
    QTreeWidgetItem *item = lvCondition->topLevelItem(row);
    lvCondition->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvCondition->scrollToItem(item);
}

bool TAddressSearch::isInList(const TNarrowDownItem &condition) const
{
    return std::find(conditions_.begin(), conditions_.end(), condition) != conditions_.end();
}

void TAddressSearch::UpdateButtons()
{
    const int count = static_cast<int>(conditions_.size());
    const int selected = static_cast<int>(lvCondition->selectedItems().size());
    bbtnAdd->setEnabled(count < MaxNarrowDownConditions);
    bbtnUpdate->setEnabled(selected == 1);
    bbtnDelete->setEnabled(selected >= 1);
    bbtnClear->setEnabled(count > 0);
    bbtnSavePattern->setEnabled(count > 0);
}

void TAddressSearch::bbtnAddClick()
{
    if (conditions_.size() >= MaxNarrowDownConditions)
        return;
    const TNarrowDownItem c = BuildCondition();
    if (isInList(c))
        return;
    conditions_.push_back(c);
    new QTreeWidgetItem(lvCondition, rowTexts(c));
    selectOnlyRow(static_cast<int>(conditions_.size()) - 1);
    if (ViewType == vtAdvanced)
        lvCondition->setFocus();
    UpdateButtons();
}

std::vector<int> TAddressSearch::rowsToChange()
{
    const std::vector<int> rows = selectedRows();
    if (conditions_.empty())
        cbxItem->setFocus();
    else if (rows.empty())
        lvCondition->setFocus();
    return rows;
}

void TAddressSearch::bbtnUpdateClick()
{
    const std::vector<int> rows = rowsToChange();
    if (rows.size() != 1)
        return;
    const TNarrowDownItem c = BuildCondition();
    if (isInList(c))
        return;
    conditions_[static_cast<size_t>(rows[0])] = c;
    const QStringList texts = rowTexts(c);
    QTreeWidgetItem *item = lvCondition->topLevelItem(rows[0]);
    for (int column = 0; column < texts.size(); ++column)
        item->setText(column, texts[column]);
}

void TAddressSearch::bbtnDeleteClick()
{
    const std::vector<int> rows = rowsToChange();
    if (rows.empty())
        return;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        delete lvCondition->takeTopLevelItem(*row);
        conditions_.erase(conditions_.begin() + *row);
    }
    if (!conditions_.empty())
        selectOnlyRow(std::min(rows.front(), static_cast<int>(conditions_.size()) - 1));
    UpdateButtons();
}

void TAddressSearch::bbtnClearClick()
{
    conditions_.clear();
    lvCondition->clear();
    UpdateButtons();
}

void TAddressSearch::lvConditionSelectItem() { UpdateButtons(); }

void TAddressSearch::lvConditionDblClick()
{
    if (conditions_.empty()) {
        cbxItem->setFocus();
        return;
    }
    const std::vector<int> rows = selectedRows();
    if (!rows.empty())
        LoadCondition(conditions_[static_cast<size_t>(rows.front())]);
}

void TAddressSearch::rbAndOrClick()
{
    SetCaptionColour(rbAnd, rbAnd->isChecked());
    SetCaptionColour(rbOr, rbOr->isChecked());
}

// ---- The editors ----

void TAddressSearch::cbxItemClick()
{
    const int item = cbxItem->currentIndex();
    if (item == shownItem_ || item < 0 || item >= FilterItemCount)
        return;
    shownItem_ = item;
    const TFilterItem &def = FilterItemTable()[static_cast<size_t>(item)];
    QWidget *editor = nullptr;
    switch (def.Kind) {
    case ikEdit: {
        TUniEdit *e = isUnicodeItem(item) ? edtContentUni : edtContent;
        e->SetMaxLength(def.MaxLength);
        if (e == edtContent)
            contentLimit_->SetMaxBytes(def.MaxLength);
        e->clear();
        setItemImeMode(e, item);
        editor = e;
        break;
    }
    case ikHistory: {
        cbxContentRW->lineEdit()->setMaxLength(def.MaxLength);
        contentRWLimit_->SetMaxBytes(def.MaxLength);
        setItemImeMode(cbxContentRW, item);
        cbxContentRW->clear();
        if (const THistoryData *history = historyOf(item))
            for (int i = 0; i < history->GetCount(); ++i)
                cbxContentRW->addItem(Sjis::decode(history->GetText(i)));
        cbxContentRW->setCurrentIndex(-1);
        cbxContentRW->clearEditText();
        editor = cbxContentRW;
        break;
    }
    case ikChoice:
        cbxContentRO->clear();
        cbxContentRO->addItems(choicesOf(item));
        cbxContentRO->setCurrentIndex(0);
        chkNotCondition->setChecked(false);
        editor = cbxContentRO;
        break;
    case ikCategory:
        FillCatMain(1);
        FillCatSub(Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex()), 0);
        editor = Cbx_CatMain;
        break;
    }
    for (QWidget *w : {static_cast<QWidget *>(edtContent), static_cast<QWidget *>(edtContentUni),
                       static_cast<QWidget *>(cbxContentRW), static_cast<QWidget *>(cbxContentRO),
                       static_cast<QWidget *>(Cbx_CatMain)})
        w->setVisible(w == editor);
    Cbx_CatSub->setVisible(editor == Cbx_CatMain);
    const bool textValue = def.Kind == ikEdit || def.Kind == ikHistory;
    cbxCondition->setVisible(textValue);
    chkNotCondition->setVisible(!textValue);
}

void TAddressSearch::FillCatMain(int mainNo)
{
    const QSignalBlocker blocker(Cbx_CatMain);
    Cbx_CatMain->Clear();
    int selected = -1;
    DMMirvale18->ForEachCategory(false, QString(), [&](TTable &t) {
        const int catNo = catNoOf(t);
        const int index = Cbx_CatMain->AddObject(nameOf(t), catNo);
        if (catNo == mainNo && selected < 0)
            selected = index;
    });
    // A number the table no longer has leaves the first category chosen.
    Cbx_CatMain->setCurrentIndex(selected >= 0 ? selected : 0);
}

void TAddressSearch::FillCatSub(int mainNo, int subNo)
{
    Cbx_CatSub->Clear();
    Cbx_CatSub->AddObject(NoSubCategory, 0);
    int selected = 0;
    DMMirvale18->ForEachCategory(true, QStringLiteral("CatMainNo=%1").arg(mainNo), [&](TTable &t) {
        const int number = catNoOf(t) % 100;
        const int index = Cbx_CatSub->AddObject(nameOf(t), number);
        if (number == subNo && selected == 0)
            selected = index;
    });
    Cbx_CatSub->setCurrentIndex(selected);
    listedCatMain_ = mainNo;
}

void TAddressSearch::Cbx_CatMainChange()
{
    const int mainNo = Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex());
    if (mainNo != listedCatMain_)
        FillCatSub(mainNo, 0);
}

void TAddressSearch::chkNotConditionClick()
{
    SetCaptionColour(chkNotCondition, chkNotCondition->isChecked());
}

TNarrowDownItem TAddressSearch::BuildCondition() const
{
    TNarrowDownItem c;
    c.Item = cbxItem->currentIndex();
    const TFilterItem &def = FilterItemTable()[static_cast<size_t>(c.Item)];
    // Text set from code passes no validator, so the field's byte limit is kept here as well.
    auto ansi = [&def](const QString &text) {
        const QByteArray bytes = Sjis::encode(text);
        return def.MaxLength > 0 ? Sjis::cutToBytes(bytes, def.MaxLength) : bytes;
    };
    switch (def.Kind) {
    case ikEdit:
    case ikHistory: {
        c.ValueKind = vkText;
        if (isUnicodeItem(c.Item)) {
            c.Text = WideToEscapedAnsi(edtContentUni->GetText().left(def.MaxLength));
        } else {
            QString text = def.Kind == ikEdit ? edtContent->GetText() : cbxContentRW->currentText();
            if (dropsHyphens(c.Item))
                text.remove(QLatin1Char('-'));
            c.Text = ansi(text);
        }
        break;
    }
    case ikChoice:
        c.ValueKind = vkChoice;
        c.Choice = cbxContentRO->currentIndex();
        break;
    case ikCategory:
        c.ValueKind = vkChoice;
        c.Choice = Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex()) * 100
                   + Cbx_CatSub->ItemObject(Cbx_CatSub->currentIndex());
        break;
    }
    if (c.ValueKind == vkText && !c.Text.isEmpty()) {
        c.MatchMode = cbxCondition->currentIndex();
    } else {
        c.MatchMode = mmNone;
        // Only a choice is ever inverted: a text condition carrying the flag of a checkbox hidden since another
        // item was chosen would be listed as "以外" while it matches as it stands.
        c.Negate = c.ValueKind == vkChoice && chkNotCondition->isChecked();
    }
    return c;
}

void TAddressSearch::LoadCondition(const TNarrowDownItem &c)
{
    if (c.Item < 0 || c.Item >= FilterItemCount)
        return;
    cbxItem->setCurrentIndex(c.Item);
    cbxItemClick();
    switch (FilterItemTable()[static_cast<size_t>(c.Item)].Kind) {
    case ikEdit:
        if (isUnicodeItem(c.Item))
            edtContentUni->SetText(EscapedAnsiToWide(c.Text));
        else
            edtContent->SetText(Sjis::decode(c.Text));
        break;
    case ikHistory:
        cbxContentRW->setEditText(Sjis::decode(c.Text));
        break;
    case ikChoice:
        if (c.Choice >= 0 && c.Choice < cbxContentRO->count())
            cbxContentRO->setCurrentIndex(c.Choice);
        break;
    case ikCategory:
        FillCatMain(c.Choice / 100);
        FillCatSub(Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex()), c.Choice % 100);
        break;
    }
    cbxCondition->setCurrentIndex(c.MatchMode == mmNone ? 0 : c.MatchMode);
    chkNotCondition->setChecked(c.Negate);
}

// ---- Patterns ----

int TAddressSearch::patternIndexOf(const QString &name) const
{
    for (size_t i = 0; i < patterns_.size(); ++i)
        if (Sjis::decode(patterns_[i].Name) == name)
            return static_cast<int>(i);
    return -1;
}

void TAddressSearch::storePatterns()
{
    try {
        SaveSearchPatterns(patterns_);
    } catch (const ENarrowDownError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TAddressSearch::RefillPatternList()
{
    const QString typed = TrimBlanks(cbxPattern->currentText());
    const QSignalBlocker blocker(cbxPattern);
    cbxPattern->Clear();
    for (const TNarrowDownPattern &p : patterns_)
        cbxPattern->addItem(Sjis::decode(p.Name));
    const int index = patternIndexOf(typed);
    cbxPattern->setCurrentIndex(index);
    if (index < 0)
        cbxPattern->clearEditText();
    bbtnViewPattern->setEnabled(!patterns_.empty());
    bbtnDeletePattern->setEnabled(!patterns_.empty());
}

void TAddressSearch::showInformation(const QString &text)
{
    ShowMessageBoxAt(this, text, AppTitle, MB_ICONINFORMATION);
}

void TAddressSearch::bbtnViewPatternClick()
{
    const QString name = TrimBlanks(cbxPattern->currentText());
    if (name.isEmpty()) {
        showInformation(QStringLiteral("表示したいパターン名を入力してください  "));
        cbxPattern->setFocus();
        return;
    }
    const int index = patternIndexOf(name);
    if (index < 0) {
        showInformation(QStringLiteral("指定したパターン名は保存されていません  "));
        return;
    }
    cbxPattern->setCurrentIndex(index);
    loadConditions(patterns_[static_cast<size_t>(index)].Condition);
}

void TAddressSearch::bbtnSavePatternClick()
{
    if (conditions_.empty())
        return;
    const QString name = TrimBlanks(cbxPattern->currentText());
    if (name.isEmpty()) {
        showInformation(QStringLiteral("保存するにはパターン名を入力してください  "));
        cbxPattern->setFocus();
        return;
    }
    TNarrowDownCondition filter;
    GetConditions(filter);
    const int index = patternIndexOf(name);
    if (index >= 0) {
        patterns_[static_cast<size_t>(index)].Condition = filter;
    } else {
        // The file counts its patterns in one byte; one more would lose them all.
        if (patterns_.size() >= MaxNarrowDownPatterns) {
            showInformation(QStringLiteral("登録できるパターンは２５５件までです  "));
            cbxPattern->setFocus();
            return;
        }
        patterns_.push_back({Sjis::encode(name), filter});
    }
    storePatterns();
    RefillPatternList();
}

void TAddressSearch::bbtnDeletePatternClick()
{
    const QString name = TrimBlanks(cbxPattern->currentText());
    if (name.isEmpty()) {
        showInformation(QStringLiteral("削除したいパターン名を入力してください  "));
        cbxPattern->setFocus();
        return;
    }
    if (ShowMessageBoxAt(this, QStringLiteral("選択しているパターンを削除します  \r\nよろしいですか？  "), AppTitle,
                         MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    const int index = patternIndexOf(name);
    if (index < 0)
        return;
    patterns_.erase(patterns_.begin() + index);
    storePatterns();
    RefillPatternList();
    cbxPattern->setFocus();
}

// ---- Closing and views ----

void TAddressSearch::btnViewSwitchClick()
{
    ViewType = ViewType == vtAdvanced ? vtSimple : vtAdvanced;
    LayoutView();
    cbxItem->setFocus();
}

void TAddressSearch::btnViewClick()
{
    if (ViewType == vtSimple) {
        // The simple view filters by what the editors hold, whatever the list had.
        bbtnClearClick();
        bbtnAddClick();
    }
    accept();
}

void TAddressSearch::btnClearClick()
{
    bbtnClearClick();
    accept();
}

void TAddressSearch::btnCancelClick() { reject(); }

// ---- Keyboard ----

void TAddressSearch::NextFocusKeyPress()
{
    focusNextPrevChild(true);
    QWidget *focus = focusWidget();
    if (auto *combo = qobject_cast<QComboBox *>(focus); combo && combo->lineEdit())
        combo->lineEdit()->end(false);
    else if (auto *edit = qobject_cast<QLineEdit *>(focus))
        edit->end(false);
}

bool TAddressSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event))
        return QDialog::eventFilter(watched, event);
    if (watched == cbxPattern) {
        cbxItem->setFocus();
    } else if (watched == cbxCondition || watched == chkNotCondition) {
        if (ViewType == vtSimple)
            btnView->setFocus();
        else
            NextFocusKeyPress();
    } else if (watched == rbAnd || watched == rbOr) {
        btnView->setFocus();
    } else if (watched == lvCondition) {
        (rbAnd->isChecked() ? rbAnd : rbOr)->setFocus();
    } else {
        // cbxItem and the value editors
        NextFocusKeyPress();
    }
    return true;
}
