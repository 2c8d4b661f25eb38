#include "geo/DicSch.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "geo/AdrsSearch.h"
#include "geo/KykbnSearch.h"
#include "geo/PosSearch.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

namespace {

const QString KykbnFile = QStringLiteral("Kykbn.dat");
const QString KykbnSection = QStringLiteral("KYKBN");

const QString TelPrompt = QStringLiteral("検索する電話番号を入力してください。");
const QString InvalidCharsText = QStringLiteral("半角の数字とハイフン以外は無効です。");
const QString HyphensOnlyText = QStringLiteral("ハイフンのみは無効です。");
const QString NoAddressFoundText = QStringLiteral("該当する住所は見つかりませんでした。");
const QString AdrsBookQuestion = QStringLiteral(
    "アドレス帳の中に該当するデータが見つかりました  \r\nこのデータを照会しますか？  \r\n\r\n"
    "照会しない場合はCDを検索します  \r\n\r\nキャンセルすると検索を中止します  ");

// Per page: the prompt, the texts of answers 4 and 8, the status over a filled town list, the help context,
// and what the screen reader calls the page's search edit (the page has no caption beside it).
struct TPageTexts {
    QString prompt, invalid, notFound, chooseTown;
    int helpContext;
    QString key;
};
const TPageTexts PageTexts[3] = {
    {TelPrompt, QStringLiteral("入力した局番に誤りがあります。"), QStringLiteral("該当する局番は見つかりませんでした。"),
     QStringLiteral("局番検索結果から住所を選択してください。"), 34, QStringLiteral("電話番号")},
    {QStringLiteral("検索する郵便番号を入力してください。"), QStringLiteral("入力した郵便番号に誤りがあります。"),
     NoAddressFoundText, QStringLiteral("郵便番号検索結果から住所を選択してください。"), 36, QStringLiteral("郵便番号")},
    {QStringLiteral("検索する住所を入力してください。"), QStringLiteral("入力した住所に誤りがあります。"), NoAddressFoundText,
     QStringLiteral("住所検索結果から住所を選択してください。"), 38, QStringLiteral("住所")},
};

const QStringList KanaFilters{QStringLiteral("すべて"), QStringLiteral("あ行"), QStringLiteral("か行"),
                              QStringLiteral("さ行"), QStringLiteral("た行"), QStringLiteral("な行"),
                              QStringLiteral("は行"), QStringLiteral("ま行"), QStringLiteral("や行"),
                              QStringLiteral("ら行"), QStringLiteral("わ行")};
// The half-width katakana initials each filter entry admits: lower <= b < upper.
const unsigned char KanaBounds[11] = {0xB1, 0xB6, 0xBB, 0xC0, 0xC5, 0xCA, 0xCF, 0xD4, 0xD7, 0xDC, 0xDD};

bool KanaAdmits(int entry, unsigned char initial)
{
    return entry <= 0 || (initial >= KanaBounds[entry - 1] && initial < KanaBounds[entry]);
}

// The hiragana heading of a half-width katakana initial; any other initial as it is.
QString ReadingHeading(const QByteArray &initial)
{
    static const QString katakana = QStringLiteral("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝ");
    static const QString hiragana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん");
    const QString text = Sjis::decode(initial);
    const int at = text.isEmpty() ? -1 : katakana.indexOf(text.left(1));
    return at < 0 ? text : hiragana.mid(at, 1);
}

bool OnlyNumberChars(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

// The hourglass for the life of a handler, restored on every way out.
struct TWaitCursor {
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

QTreeWidget *MakeListView(const QByteArray &name, const QStringList &headings)
{
    auto *view = Named<QTreeWidget>(name.constData());
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setHeaderLabels(headings);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    // A row a screen reader selects (no key, no click) becomes the current one, which the town list follows and
    // 決定 takes, as a row the arrows or the mouse reach.
    QObject::connect(view, &QTreeWidget::itemSelectionChanged, view, [view] {
        const QList<QTreeWidgetItem *> chosen = view->selectedItems();
        if (chosen.size() == 1 && chosen.first() != view->currentItem())
            view->setCurrentItem(chosen.first());
    });
    return view;
}

void AddRow(QTreeWidget *view, const QStringList &texts, int index)
{
    auto *item = new QTreeWidgetItem(view, texts);
    item->setData(0, Qt::UserRole, index);
}

void SelectFirstRow(QTreeWidget *view)
{
    if (view->topLevelItemCount() == 0)
        return;
    view->setCurrentItem(view->topLevelItem(0));
}

}  // namespace

void PutShortString(char *field, std::size_t room, const QByteArray &text)
{
    const QByteArray cut = CopyLeftMbcs(text, int(room));
    field[0] = char(cut.size());
    std::memcpy(field + 1, cut.constData(), std::size_t(cut.size()));
}

TDicSearch::TDicSearch(QWidget *owner) : QDialog(owner), ownerHandle_(owner ? owner->window() : nullptr)
{
    setObjectName(QStringLiteral("DicSearch"));
    setWindowTitle(QStringLiteral("検索"));
    buildControls();
}

TDicSearch::~TDicSearch() = default;

QWidget *TDicSearch::buildPage(int kind, const char *tabName, const char *prefix, int maxLength)
{
    TPage &page = pages_[kind];
    const auto name = [prefix](const char *kind, const char *rest) { return QByteArray(kind) + prefix + rest; };
    page.tab = Named<QWidget>(tabName);
    page.edit = Named<QLineEdit>(name("edt", "Sch").constData());
    if (kind == dicResultAdrs)
        page.edit->setMaxLength(maxLength);
    else
        MakeHalfWidthField(page.edit, maxLength);
    page.edit->setAccessibleName(PageTexts[kind].key);
    page.search = Named<QPushButton>(name("bbtn", "Sch").constData(), QStringLiteral("検索"));
    page.search->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    page.cities = MakeListView(name("lv", "City"), {QString()});
    page.cities->setHeaderHidden(true);
    page.cities->header()->setStretchLastSection(true);
    page.cities->setAccessibleName(QStringLiteral("市区町村一覧"));
    page.towns = MakeListView(name("lv", "Town"), {QStringLiteral("〒"), QString(), QStringLiteral("住所")});
    page.towns->setColumnWidth(0, 70);
    page.towns->setColumnWidth(1, 28);
    page.towns->setColumnWidth(2, 380);
    page.towns->setAccessibleName(QStringLiteral("町域一覧"));
    page.viewKana = Named<QComboBox>(name("cbx", "ViewKana").constData());
    page.viewKana->addItems(KanaFilters);
    page.viewKana->setMaxVisibleItems(KanaFilters.size());
    page.status = PageTexts[kind].prompt;

    auto *top = new QHBoxLayout;
    top->addWidget(page.edit, 1);
    top->addWidget(page.search);
    auto *filters = new QHBoxLayout;
    if (kind != dicResultTel) {
        page.viewTowns = Named<QRadioButton>(name("rb", "ViewTown").constData(), QStringLiteral("町大字一覧"));
        page.viewLarge = Named<QRadioButton>(name("rb", "ViewLarge").constData(), QStringLiteral("大口事業所等名一覧"));
        auto *group = new QButtonGroup(page.tab);
        group->addButton(page.viewTowns);
        group->addButton(page.viewLarge);
        page.viewTowns->setChecked(true);
        SetCaptionColour(page.viewTowns, true);
        SetCaptionColour(page.viewLarge, false);
        filters->addWidget(page.viewTowns);
        filters->addWidget(page.viewLarge);
        for (QRadioButton *button : {page.viewTowns, page.viewLarge}) {
            connect(button, &QRadioButton::toggled, this, [this, kind](bool on) {
                if (on)
                    viewTypeClick(kind);
            });
            button->installEventFilter(this);
        }
    }
    filters->addStretch();
    auto *kanaLabel = new QLabel(QStringLiteral("表示カナ"));
    kanaLabel->setBuddy(page.viewKana);
    filters->addWidget(kanaLabel);
    filters->addWidget(page.viewKana);
    auto *lists = new QHBoxLayout;
    lists->addWidget(page.cities, 2);
    lists->addWidget(page.towns, 5);
    auto *layout = new QVBoxLayout(page.tab);
    layout->addLayout(top);
    layout->addLayout(filters);
    layout->addLayout(lists, 1);

    connect(page.search, &QPushButton::clicked, this, [this, kind] {
        if (kind == dicResultTel)
            telSearch();
        else
            placeSearch(kind);
    });
    connect(page.cities, &QTreeWidget::currentItemChanged, this, [this, kind] { selectCity(kind); });
    connect(page.viewKana, &QComboBox::currentIndexChanged, this, [this, kind](int index) {
        pages_[kind].kanaIndex = index;
        if (pages_[kind].cities->topLevelItemCount() > 0)
            fillTowns(kind);
    });
    connect(page.towns, &QTreeWidget::itemDoubleClicked, this, [this] { decideOrList(); });
    for (QWidget *control : {static_cast<QWidget *>(page.edit), static_cast<QWidget *>(page.cities),
                             static_cast<QWidget *>(page.towns), static_cast<QWidget *>(page.viewKana)})
        control->installEventFilter(this);
    return page.tab;
}

void TDicSearch::buildListPage(QWidget *listPage)
{
    lblListTitle_ = Named<QLabel>("lblListTitle");
    edtListTel_ = Named<QLineEdit>("edtListTel");
    edtListField_ = Named<QLineEdit>("edtListField");
    for (QLineEdit *edit : {edtListTel_, edtListField_})
        edit->setReadOnly(true);
    edtListTel_->setAccessibleName(QStringLiteral("電話番号"));
    edtListField_->setAccessibleName(QStringLiteral("番号の項目"));
    lvTelList_ = MakeListView("lvTelList", {QStringLiteral("種類"), QStringLiteral("名称"), QString()});
    lvTelList_->setColumnWidth(0, 60);
    lvTelList_->setColumnWidth(1, 300);
    lvTelList_->header()->setStretchLastSection(true);
    lvTelList_->setAccessibleName(QStringLiteral("該当データ一覧"));
    lvTelList_->installEventFilter(this);
    connect(lvTelList_, &QTreeWidget::itemDoubleClicked, this, [this] { decideOrList(); });
    auto *numbers = new QHBoxLayout;
    numbers->addWidget(edtListTel_);
    numbers->addWidget(edtListField_);
    numbers->addStretch();
    auto *layout = new QVBoxLayout(listPage);
    layout->addWidget(lblListTitle_);
    layout->addLayout(numbers);
    layout->addWidget(lvTelList_, 1);
}

void TDicSearch::buildControls()
{
    pgctlSearch_ = Named<QStackedWidget>("pgctlSearch");
    tabstSearch_ = Named<QWidget>("tabstSearch");
    tabstTelList_ = Named<QWidget>("tabstTelList");
    pgctlDicType_ = Named<QTabWidget>("pgctlDicType");
    pgctlDicType_->addTab(buildPage(dicResultTel, "tabstTelSch", "Tel", 13), QStringLiteral("電話番号検索"));
    pgctlDicType_->addTab(buildPage(dicResultPos, "tabstPosSch", "Pos", 8), QStringLiteral("郵便番号検索"));
    pgctlDicType_->addTab(buildPage(dicResultAdrs, "tabstAdrsSch", "Adrs", 200), QStringLiteral("住所検索"));
    SetImeMode(pages_[dicResultAdrs].edit, imHira);
    pgctlDicType_->tabBar()->installEventFilter(this);
    connect(pgctlDicType_, &QTabWidget::currentChanged, this, [this] { pgctlDicTypeChange(); });
    auto *searchLayout = new QVBoxLayout(tabstSearch_);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(pgctlDicType_);
    buildListPage(tabstTelList_);
    pgctlSearch_->addWidget(tabstSearch_);
    pgctlSearch_->addWidget(tabstTelList_);

    lblStatus_ = Named<QLabel>("lblStatus", TelPrompt);
    chkSaveTel_ = Named<QCheckBox>("chkSaveTel", QStringLiteral("検索した番号の市外局番を保存する"));
    chkSaveTel_->hide();
    connect(chkSaveTel_, &QCheckBox::toggled, this, [this](bool on) { SetCaptionColour(chkSaveTel_, on); });
    btnPrior_ = Named<QPushButton>("btnPrior", QStringLiteral("戻る"));
    btnPrior_->hide();
    btnDecision_ = Named<QPushButton>("btnDecision", QStringLiteral("決定"));
    btnCancel_ = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"));
    for (QPushButton *button : {btnPrior_, btnDecision_, btnCancel_})
        button->setAutoDefault(false);
    connect(btnPrior_, &QPushButton::clicked, this, [this] { btnPriorClick(); });
    connect(btnDecision_, &QPushButton::clicked, this, [this] { btnDecisionClick(); });
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chkSaveTel_);
    buttons->addStretch();
    buttons->addWidget(btnPrior_);
    buttons->addWidget(btnDecision_);
    buttons->addWidget(btnCancel_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pgctlSearch_, 1);
    layout->addWidget(lblStatus_);
    layout->addLayout(buttons);
    resize(780, 460);
    pgctlDicTypeChange();
}

QWidget *TDicSearch::boxOwner() { return isVisible() ? static_cast<QWidget *>(this) : ownerHandle_; }

void TDicSearch::setStatus(const QString &text, bool error)
{
    TPage &page = pages_[pgctlDicType_->currentIndex()];
    page.status = text;
    page.statusError = error;
    showStatus();
}

void TDicSearch::showStatus()
{
    const TPage &page = pages_[pgctlDicType_->currentIndex()];
    const bool error = page.statusError;
    lblStatus_->setText(page.status);
    QPalette palette = lblStatus_->palette();
    palette.setColor(QPalette::WindowText, error ? QColor(0x80, 0, 0) : QApplication::palette().color(QPalette::WindowText));
    lblStatus_->setPalette(palette);
}

void TDicSearch::SetPages(int pages, bool searchAdrsBook, bool showSaveBox)
{
    pgctlDicType_->setTabVisible(dicResultTel, (pages & (dicPageTel | dicPageTelLocal)) != 0);
    pgctlDicType_->setTabVisible(dicResultPos, (pages & dicPagePos) != 0);
    pgctlDicType_->setTabVisible(dicResultAdrs, (pages & dicPageAdrs) != 0);
    directoryAllowed_ = (pages & dicPageTel) != 0;
    searchAdrsBook_ = searchAdrsBook;
    saveBoxShown_ = showSaveBox;
    pgctlDicTypeChange();
}

void TDicSearch::pgctlDicTypeChange()
{
    resultKind_ = pgctlDicType_->currentIndex();
    setProperty("HelpContext", PageTexts[resultKind_].helpContext);
    // The hint and the save box belong to the page on top, not to the window.
    showStatus();
    chkSaveTel_->setVisible(saveBoxShown_ && resultKind_ == dicResultTel);
}

bool TDicSearch::largeMode(int kind) const { return pages_[kind].viewLarge && pages_[kind].viewLarge->isChecked(); }

int TDicSearch::StartWith(int kind, const QByteArray &key)
{
    QByteArray text = key;
    if (kind != dicResultAdrs) {
        text = KeepNumberChars(key, NumberChars::Digits | NumberChars::Minus);
        if (KeepNumberChars(text, NumberChars::Digits).isEmpty())
            text.clear();
    }
    pgctlDicType_->setCurrentIndex(kind);
    pgctlDicTypeChange();
    pages_[kind].edit->setText(Sjis::decode(text));
    int answer = 0;
    if (text.isEmpty()) {
        if (saveBoxShown_)
            loadAreaCode();
    } else if (kind == dicResultTel) {
        answer = telSearch();
    } else {
        placeSearch(kind);
    }
    return decided_ ? 1 : answer;
}

void TDicSearch::loadAreaCode()
{
    const TMemIniFile ini(DataFolder + KykbnFile);
    chkSaveTel_->setChecked(ini.ReadBool(KykbnSection, QStringLiteral("Save"), false));
    if (chkSaveTel_->isChecked()) {
        QLineEdit *edit = pages_[dicResultTel].edit;
        edit->setText(ini.ReadString(KykbnSection, QStringLiteral("Tel"), QString()));
        edit->end(false);
    }
}

void TDicSearch::saveAreaCode()
{
    QByteArray area;
    if (chkSaveTel_->isChecked()) {
        area = TrimBlanks(Sjis::encode(pages_[dicResultTel].edit->text()));
        if (TryHyphenatePhone(area, {}) != 0)
            area.clear();
        else if (const int hyphen = area.indexOf('-'); hyphen >= 1)
            area = area.left(hyphen);
    }
    TMemIniFile ini(DataFolder + KykbnFile);
    ini.WriteBool(KykbnSection, QStringLiteral("Save"), chkSaveTel_->isChecked());
    ini.WriteString(KykbnSection, QStringLiteral("Tel"), Sjis::decode(area));
    // The search has its answer already: a file that cannot be written keeps the old one and is named.
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(boxOwner(), e.Message, AppTitle, MB_OK | MB_ICONERROR);
    }
}

int TDicSearch::telSearch()
{
    TPage &page = pages_[dicResultTel];
    const QByteArray text = TrimBlanks(Sjis::encode(page.edit->text()));
    if (text.isEmpty()) {
        setStatus(TelPrompt, false);
        page.edit->setFocus();
        return 9;
    }
    if (!OnlyNumberChars(text)) {
        setStatus(InvalidCharsText, true);
        return 9;
    }
    const QByteArray digits = KeepNumberChars(text, NumberChars::Digits);
    if (digits.isEmpty()) {
        setStatus(HyphensOnlyText, true);
        return 9;
    }
    numberField_.clear();
    const int book = searchAdrsBook_ ? adrsBookSearch(digits) : 8;
    if (book == 9)
        return 9;
    directoryHidden_ = false;
    int found = book == 0 ? dicResultAdrsBook : -1;
    if (found < 0 && directoryAllowed_) {
        const int directory = directorySearch(digits);
        directoryHidden_ = directory == 2;
        if (directory == 0)
            found = dicResultDirectory;
    }
    if (found >= 0) {
        resultKind_ = found;
        if (saveBoxShown_)
            saveAreaCode();
        decideOrList();
        return 0;
    }
    const int area = kykbnSearch(digits);
    if (area == 0 && isVisible())
        page.cities->setFocus();
    if (area != 0)
        clearLists(page);
    else if (saveBoxShown_)
        saveAreaCode();
    return area == 9 ? 9 : 0;
}

int TDicSearch::adrsBookSearch(const QByteArray &digits)
{
    bookHits_.clear();
    bookRecNos_.clear();
    TTable *table = DMMirvale18 ? DMMirvale18->AdrsTable.get() : nullptr;
    if (!table || !table->Active())
        return 8;
    static const QString fieldTexts[4] = {QStringLiteral("TEL"), QStringLiteral("FAX"), QStringLiteral("携帯１"),
                                          QStringLiteral("携帯２")};
    const int field = VisitBookRecordsWithNumber(*table, digits, [this, table] {
        TAdrsBookHit hit;
        hit.PrivCorp = table->FieldByName(QStringLiteral("PrivCorp")).AsBoolean() ? 1 : 0;
        const QByteArray person = TrimBlanks(table->FieldByName(QStringLiteral("NameKanji")).AsString());
        hit.Name = hit.PrivCorp ? person : TrimBlanks(table->FieldByName(QStringLiteral("CorpKanji")).AsString());
        if (!hit.PrivCorp)
            hit.Name2 = person;
        bookHits_.push_back(hit);
        bookRecNos_.push_back(table->FieldByName(QStringLiteral("RecNo")).AsInteger());
    });
    if (field >= 0)
        numberField_ = fieldTexts[field];
    if (bookHits_.empty())
        return 8;
    switch (ShowMessageBoxAt(boxOwner(), AdrsBookQuestion, AppTitle, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        if (isVisible())
            activateWindow();
        hitCount_ = int(bookHits_.size());
        return 0;
    case IDNO:
        return 8;
    default:
        return 9;
    }
}

int TDicSearch::directorySearch(const QByteArray &digits)
{
    const TWaitCursor wait;
    if (digits.size() <= 1)
        return 1;
    const TDirectoryTelLookup directoryTelLookup = InstalledDirectoryTelLookup();
    if (!directoryTelLookup)
        return 1;
    int32_t count = 0;
    const int code = directoryTelLookup(digits, details_, count);
    hitCount_ = std::clamp<int>(count, 0, KVDIR_TEL_RESULTS);
    for (TDirectoryDetail &detail : details_) {
        QByteArray number = FieldText(detail.Tel);
        if (code == 0)
            TryHyphenatePhone(number, {});
        PutText(detail.Tel, number);
    }
    if (code == 0) {
        setStatus(TelPrompt, false);
        pages_[dicResultTel].edit->setText(Sjis::decode(FieldText(details_[0].Tel)));
    }
    return code;
}

template <class TSearch>
TSearch &TDicSearch::wrapper(std::unique_ptr<TSearch> &search)
{
    if (!search)
        search = std::make_unique<TSearch>(AppFolder, AppFolder + QStringLiteral("Dic/"));
    return *search;
}

int TDicSearch::kykbnSearch(const QByteArray &digits)
{
    TPage &page = pages_[dicResultTel];
    int code = 0;
    QByteArray hyphenated;
    try {
        const TWaitCursor wait;
        code = wrapper(kykbn_).Search(digits, &hyphenated);
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(boxOwner(), e.Message, AppTitle, MB_OK | MB_ICONERROR);
        return 9;
    }
    if (code != 0) {
        setStatus(code == 4 ? PageTexts[dicResultTel].invalid : PageTexts[dicResultTel].notFound, true);
        return code;
    }
    page.edit->setText(Sjis::decode(hyphenated));
    page.listedFor = page.edit->text();
    page.city = -1;
    const QSignalBlocker block(page.cities);
    page.cities->clear();
    for (int i = 0; i < kykbn_->GetCityCount(); ++i)
        AddRow(page.cities, {Sjis::decode(FieldText(kykbn_->GetCity(i).Name))}, i);
    SelectFirstRow(page.cities);
    selectCity(dicResultTel);
    return 0;
}

void TDicSearch::placeSearch(int kind)
{
    TPage &page = pages_[kind];
    const TPageTexts &texts = PageTexts[kind];
    QByteArray text = TrimBlanks(Sjis::encode(page.edit->text()));
    if (text.isEmpty()) {
        setStatus(texts.prompt, false);
        page.edit->setFocus();
        return;
    }
    if (kind == dicResultPos) {
        if (!OnlyNumberChars(text))
            return setStatus(InvalidCharsText, true);
        if (KeepNumberChars(text, NumberChars::Digits).isEmpty())
            return setStatus(HyphensOnlyText, true);
    }
    int code = 0;
    try {
        const TWaitCursor wait;
        if (kind == dicResultPos) {
            QByteArray formatted;
            code = wrapper(pos_).Search(KeepNumberChars(text, NumberChars::Digits), &formatted);
            if (code == 0)
                page.edit->setText(Sjis::decode(formatted));
        } else {
            code = wrapper(adrs_).Search(text);
        }
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(boxOwner(), e.Message, AppTitle, MB_OK | MB_ICONERROR);
        return clearLists(page);
    }
    if (code != 0) {
        setStatus(code == 4 ? texts.invalid : texts.notFound, true);
        return clearLists(page);
    }
    page.listedFor = page.edit->text();
    page.city = -1;
    {
        const QSignalBlocker block(page.cities);
        page.cities->clear();
        if (kind == dicResultPos) {
            for (int i = 0; i < pos_->GetCityCount(); ++i)
                AddRow(page.cities, {Sjis::decode(FieldText(pos_->GetCity(i).Name))}, i);
        } else {
            for (int i = 0; i < adrs_->GetCityCount(); ++i) {
                const TAddrCityEntry &city = adrs_->GetCity(i);
                AddRow(page.cities, {Sjis::decode(FieldText(city.Prefecture) + FieldText(city.City))}, i);
            }
        }
        SelectFirstRow(page.cities);
    }
    selectCity(kind);
    if (isVisible())
        page.cities->setFocus();
}

void TDicSearch::clearLists(TPage &page)
{
    const QSignalBlocker block(page.cities);
    page.cities->clear();
    page.towns->clear();
    page.city = -1;
    page.listedFor.clear();
}

void TDicSearch::selectCity(int kind)
{
    TPage &page = pages_[kind];
    QTreeWidgetItem *item = page.cities->currentItem();
    if (!item || item->data(0, Qt::UserRole).toInt() == page.city)
        return;
    page.city = item->data(0, Qt::UserRole).toInt();
    fillTowns(kind);
}

void TDicSearch::fillTowns(int kind)
{
    TPage &page = pages_[kind];
    page.towns->clear();
    QTreeWidgetItem *cityItem = page.cities->currentItem();
    if (!cityItem)
        return;
    const int city = cityItem->data(0, Qt::UserRole).toInt();
    const bool large = largeMode(kind);
    // Each town as (reading initial, postal code, name, large office's name).
    std::vector<std::array<QByteArray, 4>> towns;
    try {
        const TWaitCursor wait;
        if (kind == dicResultTel) {
            kykbn_->SelectCity(city);
            for (int i = 0; i < kykbn_->GetTownCount(); ++i) {
                const TPhoneTownEntry &town = kykbn_->GetTown(i);
                towns.push_back({FieldText(town.Initial), FieldText(town.PostalCode), FieldText(town.Name), {}});
            }
        } else {
            const auto collect = [&](auto &search) {
                search.SelectCity(city, large ? placeLargeOffices : placeTowns);
                for (int i = 0; i < search.GetTownCount(); ++i) {
                    const auto &town = search.GetTown(i);
                    towns.push_back({FieldText(town.Reading).left(1), FieldText(town.PostalCode), FieldText(town.Name),
                                     large ? FieldText(search.GetLarge(i).Name) : QByteArray()});
                }
            };
            if (kind == dicResultPos)
                collect(*pos_);
            else
                collect(*adrs_);
        }
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(boxOwner(), e.Message, AppTitle, MB_OK | MB_ICONERROR);
        return;
    }
    QString lastHeading;
    for (int i = 0; i < int(towns.size()); ++i) {
        const auto &[initial, postal, name, office] = towns[std::size_t(i)];
        if (initial.isEmpty() && name.isEmpty())
            continue;
        if (!KanaAdmits(page.kanaIndex, initial.isEmpty() ? 0 : static_cast<unsigned char>(initial[0])))
            continue;
        const QString heading = ReadingHeading(initial);
        QStringList row{Sjis::decode(PostalCodeForm(postal)), heading == lastHeading ? QString() : heading,
                        Sjis::decode(name)};
        if (large)
            row << Sjis::decode(office);
        lastHeading = heading;
        AddRow(page.towns, row, i);
    }
    if (page.towns->topLevelItemCount() == 0)
        return setStatus(NoAddressFoundText, true);
    // The focus stays where the user is: a city browsed by arrows, a reading filter or the towns-or-offices
    // choice changed by them; Enter in the cities goes on to the towns.
    SelectFirstRow(page.towns);
    QString status = PageTexts[kind].chooseTown;
    if (kind == dicResultTel && directoryAllowed_)
        status.prepend(directoryHidden_ ? QStringLiteral("該当するデータは表示できません。")
                                        : QStringLiteral("該当するデータは見つかりませんでした。"));
    setStatus(status, false);
}

void TDicSearch::viewTypeClick(int kind)
{
    TPage &page = pages_[kind];
    const bool large = largeMode(kind);
    SetCaptionColour(page.viewTowns, !large);
    SetCaptionColour(page.viewLarge, large);
    if (large) {
        page.towns->setHeaderLabels({QStringLiteral("〒"), QString(), QStringLiteral("住所"),
                                     QStringLiteral("大口事業所等名")});
        page.towns->setColumnWidth(2, 190);
        page.towns->setColumnWidth(3, 190);
    } else {
        page.towns->setColumnCount(3);
        page.towns->setColumnWidth(2, 380);
    }
    if (page.cities->topLevelItemCount() > 0)
        fillTowns(kind);
}

void TDicSearch::decideOrList()
{
    if (pgctlSearch_->currentWidget() == tabstTelList_) {
        if (QTreeWidgetItem *item = lvTelList_->currentItem())
            chosenHit_ = lvTelList_->indexOfTopLevelItem(item);
        return btnDecisionClick();
    }
    const bool hitKind = resultKind_ == dicResultAdrsBook || resultKind_ == dicResultDirectory;
    if (hitKind && hitCount_ != 1) {
        setProperty("HelpContext", listHelpContext_);
        pgctlSearch_->setCurrentWidget(tabstTelList_);
        edtListTel_->setText(pages_[dicResultTel].edit->text());
        edtListField_->setText(numberField_);
        edtListField_->setVisible(!numberField_.isEmpty());
        btnPrior_->show();
        lblListTitle_->setText(resultKind_ == dicResultAdrsBook ? QStringLiteral("アドレス帳に複数のデータが見つかりました。")
                                                                : QStringLiteral("電話帳データに複数のデータが見つかりました。"));
        fillHitList();
        return;
    }
    if (hitKind)
        chosenHit_ = 0;
    btnDecisionClick();
}

void TDicSearch::fillHitList()
{
    lvTelList_->clear();
    const QString person = QStringLiteral("個人"), company = QStringLiteral("会社");
    if (resultKind_ == dicResultDirectory) {
        for (int i = 0; i < std::min(hitCount_, KVDIR_TEL_RESULTS); ++i)
            AddRow(lvTelList_, {details_[i].Person == 99 ? person : company, Sjis::decode(FieldText(details_[i].Name))}, i);
    } else {
        for (int i = 0; i < int(bookHits_.size()); ++i) {
            const TAdrsBookHit &hit = bookHits_[std::size_t(i)];
            if (hit.PrivCorp)
                AddRow(lvTelList_, {person, EscapedAnsiToWide(hit.Name)}, i);
            else
                AddRow(lvTelList_, {company, Sjis::decode(hit.Name), EscapedAnsiToWide(hit.Name2)}, i);
        }
    }
    SelectFirstRow(lvTelList_);
    if (isVisible())
        lvTelList_->setFocus();
}

int TDicSearch::GetSelectedHit() const
{
    if (chosenHit_ < 0 || chosenHit_ >= int(bookRecNos_.size()))
        return -1;
    return bookRecNos_[std::size_t(chosenHit_)];
}

void TDicSearch::btnDecisionClick()
{
    // The form gets the place of the query the page shows: one typed or set since the lists were filled is
    // searched first, as Enter in its field does, and the user chooses from the lists it gives.
    if (pgctlSearch_->currentWidget() == tabstSearch_ && resultKind_ <= dicResultAdrs) {
        const TPage &page = pages_[resultKind_];
        if (page.edit->text() != page.listedFor)
            return page.search->click();
    }
    if (!buildResult())
        return;
    decided_ = true;
    if (isVisible())
        accept();
    else
        setResult(QDialog::Accepted);
}

bool TDicSearch::buildResult()
{
    result_ = {};
    TDicSearchResult &r = result_;
    if (resultKind_ == dicResultAdrsBook)
        return chosenHit_ >= 0 && chosenHit_ < int(bookHits_.size());
    if (resultKind_ == dicResultDirectory) {
        if (chosenHit_ < 0 || chosenHit_ >= std::min(hitCount_, KVDIR_TEL_RESULTS))
            return false;
        const TDirectoryDetail &d = details_[chosenHit_];
        r.Individual = d.Person == 99 ? 1 : 0;
        PutShortString(r.Tel, FieldText(d.Tel));
        r.TelKind = d.Kind;
        PutShortString(r.PosCode, PostalCodeForm(FieldText(d.PostalCode)));
        PutShortString(r.Prefecture, FieldText(d.Prefecture));
        PutShortString(r.City, FieldText(d.City));
        // The building apart, as the rest after the town: run on, it would read as more of the street number.
        PutShortString(r.Town, FieldText(d.Address1) + FieldText(d.Address2));
        PutShortString(r.Address, FieldText(d.Address3));
        PutShortString(r.AddressKana, FieldText(d.PrefectureReading) + FieldText(d.CityReading) +
                                          FieldText(d.Address1Reading) + FieldText(d.Address2Reading) +
                                          FieldText(d.Address3Reading));
        const QByteArray code = FieldText(d.AddressCode);
        PutShortString(r.JisCode, code.left(5));
        PutShortString(r.KajoCode, code.mid(5, 6));
        const QByteArray name = FieldText(d.Name);
        PutShortString(r.Name, r.Individual ? name : Sjis::encode(ExpandCorpAbbreviations(Sjis::decode(name))));
        PutShortString(r.NameKana, FieldText(d.NameReading));
        r.Latitude = int32_t(RoundHalfAway(static_cast<long double>(int32_t(d.Latitude)) * 1000 / 256));
        r.Longitude = int32_t(RoundHalfAway(static_cast<long double>(int32_t(d.Longitude)) * 1000 / 256));
        r.CatMain = QByteArray(d.MainCategory, 2).toInt();
        r.CatSub = QByteArray(d.SubCategory, 2).toInt();
        return true;
    }
    const TPage &page = pages_[resultKind_];
    if (page.cities->topLevelItemCount() == 0 || page.towns->topLevelItemCount() == 0)
        return false;
    const QTreeWidgetItem *item = page.towns->currentItem();
    const int town = item ? item->data(0, Qt::UserRole).toInt() : -1;
    try {
        // Both kinds of answer carry the place under the same names.
        const auto putPlace = [&r](const auto &place) {
            PutShortString(r.PosCode, FieldText(place.PostalCode));
            PutShortString(r.Prefecture, FieldText(place.Prefecture));
            PutShortString(r.City, FieldText(place.City));
            PutShortString(r.Town, FieldText(place.Town));
            PutShortString(r.AddressKana, FieldText(place.PrefectureReading) + FieldText(place.CityReading) +
                                              FieldText(place.TownReading));
            PutShortString(r.JisCode, FieldText(place.JisCode).left(5));
            PutShortString(r.KajoCode, FieldText(place.TownCode));
            r.Latitude = place.Latitude;
            r.Longitude = place.Longitude;
        };
        if (resultKind_ == dicResultTel) {
            const TKykbnResult &k = kykbn_->GetResult(town, true);
            PutShortString(r.Tel, FieldText(k.Phone));
            putPlace(k);
            // An area entry can stand for several municipalities (東京都's wards are one, 13100): a chosen town
            // carries its own municipality's code, as the postal and address pages give it.
            if (town >= 0)
                PutShortString(r.JisCode, FieldText(kykbn_->GetTown(town).Code, 5));
        } else {
            const TPosAdrsResult &p = resultKind_ == dicResultPos ? pos_->GetResult(town, true) : adrs_->GetResult(town, true);
            putPlace(p);
            PutShortString(r.Name, Sjis::encode(ExpandCorpAbbreviations(Sjis::decode(FieldText(p.LargeName)))));
            PutShortString(r.NameKana, FieldText(p.LargeReading));
        }
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(boxOwner(), e.Message, AppTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void TDicSearch::btnPriorClick()
{
    pgctlSearch_->setCurrentWidget(tabstSearch_);
    pgctlDicTypeChange();
    QLineEdit *edit = pages_[pgctlDicType_->currentIndex()].edit;
    edit->end(false);
    edit->setFocus();
    btnPrior_->hide();
}

void TDicSearch::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (pgctlSearch_->currentWidget() == tabstTelList_)
        return lvTelList_->setFocus();
    const TPage &page = pages_[pgctlDicType_->currentIndex()];
    if (page.cities->topLevelItemCount() > 0) {
        page.cities->setFocus();
    } else {
        page.edit->end(false);
        page.edit->setFocus();
    }
}

bool TDicSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == pgctlDicType_->tabBar() && event->type() == QEvent::Wheel) {
        // Wheel toward the user: the next visible page, wrapping around.
        const int step = static_cast<QWheelEvent *>(event)->angleDelta().y() < 0 ? 1 : -1;
        const int count = pgctlDicType_->count();
        int index = pgctlDicType_->currentIndex();
        for (int i = 0; i < count; ++i) {
            index = (index + step + count) % count;
            if (pgctlDicType_->isTabVisible(index))
                break;
        }
        pgctlDicType_->setCurrentIndex(index);
        return true;
    }
    if (!IsEnterKey(event))
        return QDialog::eventFilter(watched, event);
    if (watched == lvTelList_) {
        btnDecision_->setFocus();
        return true;
    }
    for (int kind = 0; kind < 3; ++kind) {
        TPage &page = pages_[kind];
        if (watched == page.edit) {
            page.search->click();
        } else if (watched == page.cities) {
            page.towns->setFocus();
        } else if (watched == page.towns) {
            decideOrList();
        } else if (watched == page.viewTowns || watched == page.viewLarge) {
            page.viewKana->setFocus();
        } else if (watched == page.viewKana) {
            focusNextChild();
        } else {
            continue;
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
