#include "mainlist/AdrsCopy.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Trim.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "mainlist/AdrsList.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"
#include "widgets/UpDown.h"
#include "widgets/WindowRole.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

const QString Section = QStringLiteral("ADRS COPY");

// The items of the same-number test, in the order it takes them; each has an index of the same name.
const std::array<QString, 4> NumberItemNames{QStringLiteral("Tel"), QStringLiteral("Fax"),
                                             QStringLiteral("Portable1"), QStringLiteral("Portable2")};

const char *const IntegerFields[] = {"Group",       "TelDiv", "Latitude", "Longitude", "JointOwner",
                                     "PrintTarget", "Sender", "CodeMain", "CodeSub",   "SymbolColor"};
const char *const BooleanFields[] = {"PrivCorp",    "IgnoreName",  "JointPrint",  "JointPrint1",
                                     "JointPrint2", "JointPrint3", "JointPrint4", "JointPrint5"};
const char *const TextFields[] = {
    "CustomCode", "Tel",         "Fax",         "Portable1",   "Portable2",   "Pos",         "Tdfkn",
    "Adrs1",      "Adrs2",       "Adrs3",       "AdrsKana",    "JisCode",     "KajoCode",    "CorpKanji",
    "CorpKana",   "Dptmnt",      "Post",        "NameKanji",   "NameKana",    "Honor",       "URL",
    "EMail1",     "EMail2",      "Joint1",      "Joint2",      "Joint3",      "Joint4",      "Joint5",
    "JointHonor1", "JointHonor2", "JointHonor3", "JointHonor4", "JointHonor5", "Keyword1",   "Keyword2",
    "Keyword3",   "Keyword4",    "Keyword5",    "Keyword6",    "Keyword7",    "Keyword8",    "Note",
    "ExtFile",    "SymbolMark"};

void useIndex(TTable &table, const QString &name)
{
    if (table.IndexName() != name)
        table.SetIndexName(name);
}

// Makes tag the choice of a group of radio buttons: the chosen caption is blue.
bool choose(QButtonGroup *group, int &choice, int tag)
{
    if (tag == choice)
        return false;
    SetCaptionColour(group->button(choice), false);
    SetCaptionColour(group->button(tag), true);
    choice = tag;
    return true;
}

// Reads [ADRS COPY] values that must be one of a few numbers, falling back when they are not.
int readChoice(const TMemIniFile &ini, const QString &key, int def, int last)
{
    const int value = ini.ReadInteger(Section, key, def);
    return value >= 0 && value <= last ? value : def;
}

void writeSettings(QWidget *owner, const std::function<void(TMemIniFile &)> &write)
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    write(ini);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(owner, e.Message, AppTitle, MB_ICONERROR);
    }
}

}  // namespace

// ---- TAdrsRecordCopier ----

TAdrsRecordCopier::TAdrsRecordCopier(TTable &source, TTable &target, const TAdrsCopyRules &rules,
                                     int &targetRecordCount)
    : source_(source), target_(target), rules_(rules), targetRecordCount_(targetRecordCount)
{
    auto pair = [&](const QString &name) { return FieldPair{&source.FieldByName(name), &target.FieldByName(name)}; };
    for (const char *name : IntegerFields)
        integers_.push_back(pair(QLatin1String(name)));
    for (const char *name : BooleanFields)
        booleans_.push_back(pair(QLatin1String(name)));
    for (const char *name : TextFields)
        texts_.push_back(pair(QLatin1String(name)));
    for (int i = 0; i < 4; ++i)
        numbers_[i] = pair(NumberItemNames[i]);
    customCode_ = pair(QStringLiteral("CustomCode"));
    addDateTime_ = pair(QStringLiteral("AddDateTime"));
    updDateTime_ = pair(QStringLiteral("UpdDateTime"));
    for (int i = 0; i < 4; ++i)
        if (rules.NumberItems[i])
            tickedItems_.push_back(i);
}

TCopyOutcome TAdrsRecordCopier::CopyRecord()
{
    failure_.reset();
    // Before any duplicate test, so the limit also stops records that would only overwrite.
    if (targetRecordCount_ >= MaxAdrsRecords)
        return coLimitReached;
    bool overwrite = false;
    try {
        if (rules_.SameNumCheck == 1 && !tickedItems_.empty() && isSameNumber())
            return coSkipped;
        const QByteArray code = customCode_.source->AsString();
        if (!code.isEmpty()) {
            useIndex(target_, customCode_.target->FieldName());
            if (target_.FindKey({code})) {
                if (rules_.SameCustomCheck == 1)
                    return coSkipped;
                overwrite = true;
            }
        }
        if (overwrite)
            target_.Edit();
        else
            target_.Append();
        fillTarget();
        target_.Post();
    } catch (const EDatabaseError &e) {
        failure_.emplace(e);
        target_.Cancel();
        return coFailed;
    }
    if (overwrite)
        return coOverwritten;
    ++targetRecordCount_;
    return coAdded;
}

bool TAdrsRecordCopier::isSameNumber() { return rules_.BothType == 0 ? allItemsMatch() : anyItemMatches(); }

bool TAdrsRecordCopier::allItemsMatch()
{
    std::array<QByteArray, 4> values;
    int key = -1;
    for (int i : tickedItems_) {
        values[i] = numbers_[i].source->AsString();
        if (key < 0 && !values[i].isEmpty())
            key = i;
    }
    if (key < 0)
        return false;
    useIndex(target_, NumberItemNames[key]);
    target_.FindNearest({values[key]});
    const TField &targetKey = *numbers_[key].target;
    for (; !target_.Eof() && targetKey.AsString() == values[key]; target_.Next()) {
        const bool all = std::all_of(tickedItems_.begin(), tickedItems_.end(), [&](int i) {
            return values[i].isEmpty() || numbers_[i].target->AsString() == values[i];
        });
        if (all)
            return true;
    }
    return false;
}

bool TAdrsRecordCopier::anyItemMatches()
{
    for (int i : tickedItems_) {
        const QByteArray value = numbers_[i].source->AsString();
        if (value.isEmpty())
            continue;
        useIndex(target_, NumberItemNames[i]);
        if (target_.FindKey({value}))
            return true;
    }
    return false;
}

void TAdrsRecordCopier::fillTarget()
{
    for (const FieldPair &f : integers_)
        f.target->SetAsInteger(f.source->AsInteger());
    for (const FieldPair &f : booleans_)
        f.target->SetAsBoolean(f.source->AsBoolean());
    for (const FieldPair &f : texts_)
        f.target->SetAsString(f.source->AsString());
    const QDateTime now = QDateTime::currentDateTime();
    if (rules_.SameAddDateTime) {
        addDateTime_.target->SetAsDateTime(addDateTime_.source->AsDateTime());
        updDateTime_.target->SetAsDateTime(rules_.SameUpdDateTime ? updDateTime_.source->AsDateTime()
                                                                  : DateTimeToDouble(now));
    } else {
        addDateTime_.target->SetAsDateTime(DateTimeToDouble(TruncateToSeconds(now)));
        updDateTime_.target->SetAsDateTime(DateTimeToDouble(now));
    }
}

// ---- TAddressCopy: creation and settings ----

TAddressCopy::TAddressCopy(TAddressList *owner) : QWidget(nullptr), owner_(owner)
{
    // A window of its own on the taskbar, freed with the main list it reads.
    setObjectName(QStringLiteral("AddressCopy"));
    UseWindowRoleForPlainWindows();
    setWindowTitle(QStringLiteral("他のアドレス帳にコピー"));
    setProperty("HelpContext", 62);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_DeleteOnClose);
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
    createControls();
    FormCreate();
}

TAddressCopy::~TAddressCopy()
{
    DisconnectChildControls(this);
    writeSettings(nullptr, [this](TMemIniFile &ini) {
        ini.WriteInteger(Section, QStringLiteral("Left"), ScaleByDpi(pos().x(), false));
        ini.WriteInteger(Section, QStringLiteral("Top"), ScaleByDpi(pos().y(), false));
    });
    if (AddressCopy == this)
        AddressCopy = nullptr;
}

void TAddressCopy::createControls()
{
    auto buttonGroup = [this](std::initializer_list<QRadioButton *> buttons, void (TAddressCopy::*handler)(int)) {
        auto *g = new QButtonGroup(this);
        int tag = 0;
        for (QRadioButton *b : buttons)
            g->addButton(b, tag++);
        connect(g, &QButtonGroup::idToggled, this, [this, handler](int tag, bool on) {
            if (on)
                (this->*handler)(tag);
        });
        return g;
    };

    lblAdrs = Named<QLabel>("lblAdrs", QStringLiteral("コピー先のアドレス帳を選択してください："), this);
    lvAdrs = Named<QListWidget>("lvAdrs", this);
    lvAdrs->setSelectionMode(QAbstractItemView::SingleSelection);
    lvAdrs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvAdrs->setFixedHeight(ScaleByDpi(96, true));
    SetViewLabel(lblAdrs, lvAdrs);

    rbList = Named<QRadioButton>("rbList", QStringLiteral("一覧で選択したデータ"), this);
    rbRange = Named<QRadioButton>("rbRange", QStringLiteral("数値で範囲を指定"), this);
    rbAll = Named<QRadioButton>("rbAll", QStringLiteral("一覧に表示されているすべてのデータ"), this);
    edtRangeBegin = Named<TUniEdit>("edtRangeBegin", this);
    edtRangeEnd = Named<TUniEdit>("edtRangeEnd", this);
    edtRangeBegin->setAccessibleName(QStringLiteral("コピー範囲の開始"));
    edtRangeEnd->setAccessibleName(QStringLiteral("コピー範囲の終了"));
    for (TUniEdit *edit : {edtRangeBegin, edtRangeEnd}) {
        MakeHalfWidthField(edit, 6);
        SetImeMode(edit, imClose);
        // Leaving the edit and a text set over the accessibility bus both end an entry.
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { applyTypedRange(edit); });
        edit->setAlignment(Qt::AlignRight);
        edit->setFixedWidth(ScaleByDpi(56, true));
    }
    const QSize upDownSize(ScaleByDpi(16, true), ScaleByDpi(11, true));
    udRangeBegin = Named<TUpDown>("udRangeBegin", this, [this](int step) { udRangeBeginClick(step); }, upDownSize);
    udRangeEnd = Named<TUpDown>("udRangeEnd", this, [this](int step) { udRangeEndClick(step); }, upDownSize);
    udRangeBegin->NameAfter(edtRangeBegin->accessibleName());
    udRangeEnd->NameAfter(edtRangeEnd->accessibleName());
    lblRangeBegin = Named<QLabel>("lblRangeBegin", QStringLiteral("件目 ～"), this);
    lblRangeEnd = Named<QLabel>("lblRangeEnd", QStringLiteral("件目"), this);
    lblDataCountTitle = Named<QLabel>("lblDataCountTitle", QStringLiteral("コピー対象件数："), this);
    lblDataCount = Named<QLabel>("lblDataCount", QString(), this);
    auto *grpDataSelect = Named<QGroupBox>("grpDataSelect", QStringLiteral("コピーするデータの選択"), this);
    auto *range = new QHBoxLayout;
    range->addWidget(rbRange);
    for (QWidget *w : std::initializer_list<QWidget *>{edtRangeBegin, udRangeBegin, lblRangeBegin, edtRangeEnd,
                                                        udRangeEnd, lblRangeEnd})
        range->addWidget(w);
    range->addStretch();
    auto *count = new QHBoxLayout;
    count->addStretch();
    count->addWidget(lblDataCountTitle);
    count->addWidget(lblDataCount);
    auto *dataLayout = new QVBoxLayout(grpDataSelect);
    dataLayout->addWidget(rbList);
    dataLayout->addLayout(range);
    dataLayout->addWidget(rbAll);
    dataLayout->addLayout(count);
    dataSelectGroup_ = buttonGroup({rbList, rbRange, rbAll}, &TAddressCopy::rbDataSelectClick);

    chkTel = Named<QCheckBox>("chkTel", QStringLiteral("電話番号"), this);
    chkFax = Named<QCheckBox>("chkFax", QStringLiteral("FAX番号"), this);
    chkPortable1 = Named<QCheckBox>("chkPortable1", QStringLiteral("携帯番号１"), this);
    chkPortable2 = Named<QCheckBox>("chkPortable2", QStringLiteral("携帯番号２"), this);
    for (QCheckBox *item : {chkTel, chkFax, chkPortable1, chkPortable2})
        connect(item, &QCheckBox::toggled, this, [this, item] { chkNumberItemClick(item); });
    rbAnd = Named<QRadioButton>("rbAnd", QStringLiteral("すべての項目が一致"), this);
    rbOr = Named<QRadioButton>("rbOr", QStringLiteral("いずれかの項目が一致"), this);
    bothTypeGroup_ = buttonGroup({rbAnd, rbOr}, &TAddressCopy::rbBothTypeClick);
    auto *grpNumberItems = Named<QGroupBox>("grpNumberItems", QStringLiteral("同一番号のチェック対象："), this);
    auto *numberLayout = new QGridLayout(grpNumberItems);
    numberLayout->addWidget(chkTel, 0, 0);
    numberLayout->addWidget(chkFax, 0, 1);
    numberLayout->addWidget(chkPortable1, 0, 2);
    numberLayout->addWidget(chkPortable2, 0, 3);
    numberLayout->addWidget(rbAnd, 1, 0, 1, 2);
    numberLayout->addWidget(rbOr, 1, 2, 1, 2);

    auto pairGroup = [&](const char *name, const QString &title, QRadioButton *first, QRadioButton *second) {
        auto *g = Named<QGroupBox>(name, title, this);
        auto *layout = new QHBoxLayout(g);
        layout->addWidget(first);
        layout->addWidget(second);
        layout->addStretch();
        return g;
    };
    rbNewAdd = Named<QRadioButton>("rbNewAdd", QStringLiteral("新規で登録する"), this);
    rbNotAdd = Named<QRadioButton>("rbNotAdd", QStringLiteral("登録しない"), this);
    sameNumGroup_ = buttonGroup({rbNewAdd, rbNotAdd}, &TAddressCopy::rbSameNumCheckClick);
    auto *grpSameNum = pairGroup("grpSameNum", QStringLiteral("同一番号の登録処理"), rbNewAdd, rbNotAdd);
    rbDestUpdate = Named<QRadioButton>("rbDestUpdate", QStringLiteral("コピー先を上書きする"), this);
    rbNotUpdate = Named<QRadioButton>("rbNotUpdate", QStringLiteral("コピーしない"), this);
    sameCustomGroup_ = buttonGroup({rbDestUpdate, rbNotUpdate}, &TAddressCopy::rbSameCustomCheckClick);
    auto *grpSameCustom =
        pairGroup("grpSameCustom", QStringLiteral("同一顧客コードの上書き処理"), rbDestUpdate, rbNotUpdate);

    chkSameAddDateTime =
        Named<QCheckBox>("chkSameAddDateTime", QStringLiteral("コピー元の登録日時と同じにする"), this);
    chkSameUpdDateTime =
        Named<QCheckBox>("chkSameUpdDateTime", QStringLiteral("コピー元の更新日時と同じにする"), this);
    connect(chkSameAddDateTime, &QCheckBox::toggled, this, &TAddressCopy::chkSameAddDateTimeClick);
    connect(chkSameUpdDateTime, &QCheckBox::toggled, this, &TAddressCopy::chkSameUpdDateTimeClick);
    auto *grpDateTime = Named<QGroupBox>("grpDateTime", QStringLiteral("日時の更新"), this);
    auto *dateLayout = new QVBoxLayout(grpDateTime);
    dateLayout->addWidget(chkSameAddDateTime);
    dateLayout->addWidget(chkSameUpdDateTime);

    pgbarAdrsCopy = Named<QProgressBar>("pgbarAdrsCopy", this);
    pgbarAdrsCopy->setTextVisible(false);
    btnCopy = Named<QPushButton>("btnCopy", QStringLiteral("コピー"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    connect(btnCopy, &QPushButton::clicked, this, &TAddressCopy::btnCopyClick);
    connect(btnCancel, &QPushButton::clicked, this, &TAddressCopy::btnCancelClick);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(pgbarAdrsCopy, 1);
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblAdrs);
    layout->addWidget(lvAdrs);
    for (QWidget *g : std::initializer_list<QWidget *>{grpDataSelect, grpNumberItems, grpSameNum, grpSameCustom,
                                                        grpDateTime})
        layout->addWidget(g);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget *order[] = {lvAdrs,  rbList,   rbRange,  edtRangeBegin, edtRangeEnd,  rbAll,        chkTel,
                        chkFax,  chkPortable1, chkPortable2, rbAnd, rbOr,      rbNewAdd,     rbNotAdd,
                        rbDestUpdate, rbNotUpdate, chkSameAddDateTime, chkSameUpdDateTime, btnCopy, btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Enter and the arrow keys in the list, the choices and the range edits answer through eventFilter; the
    // push buttons keep their own.
    for (QWidget *control : order)
        if (!qobject_cast<QPushButton *>(control))
            control->installEventFilter(this);
    adjustSize();
}

void TAddressCopy::FormCreate()
{
    loadSettings();
    fillBookList();
    setRangeBounds();
    if (BeginPos <= 0 || BeginPos > EndMax)
        BeginPos = BeginMin;
    if (EndPos <= 0 || EndPos > EndMax)
        EndPos = EndMax;
    if (BeginPos > EndPos)
        BeginPos = BeginMin;
    writeRangeEdits();
    for (QWidget *w : std::initializer_list<QWidget *>{edtRangeBegin, edtRangeEnd, udRangeBegin, udRangeEnd,
                                                        lblRangeBegin, lblRangeEnd})
        w->setEnabled(false);
    // Each stored choice is forgotten first, so choosing its button runs the choice's handler.
    const std::pair<QButtonGroup *, int *> choices[] = {{dataSelectGroup_, &DataSelect},
                                                        {bothTypeGroup_, &BothType},
                                                        {sameNumGroup_, &SameNumCheck},
                                                        {sameCustomGroup_, &SameCustomCheck}};
    for (const auto &[buttons, stored] : choices) {
        const int tag = std::exchange(*stored, -1);
        buttons->button(tag)->setChecked(true);
    }
    updateNumberChoices();
}

void TAddressCopy::loadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    const int left = ini.ReadInteger(Section, QStringLiteral("Left"),
                                     (ScaleByDpi(screenSize.width(), false) - ScaleByDpi(width(), false)) / 2);
    const int top = ini.ReadInteger(Section, QStringLiteral("Top"),
                                    (ScaleByDpi(screenSize.height(), false) - ScaleByDpi(height(), false)) / 2);
    move(ScaleByDpi(left, true), ScaleByDpi(top, true));

    DataSelect = readChoice(ini, QStringLiteral("DataSelect"), 0, 2);
    BeginPos = ini.ReadInteger(Section, QStringLiteral("BeginPos"), 0);
    EndPos = ini.ReadInteger(Section, QStringLiteral("EndPos"), 0);
    TickedNumberItems = 0;
    chkTel->setChecked(ini.ReadBool(Section, QStringLiteral("Tel"), false));
    chkFax->setChecked(ini.ReadBool(Section, QStringLiteral("Fax"), false));
    chkPortable1->setChecked(ini.ReadBool(Section, QStringLiteral("Portable1"), false));
    chkPortable2->setChecked(ini.ReadBool(Section, QStringLiteral("Portable2"), false));
    BothType = readChoice(ini, QStringLiteral("BothType"), 0, 1);
    SameNumCheck = readChoice(ini, QStringLiteral("SameNumCheck"), 0, 1);
    SameCustomCheck = readChoice(ini, QStringLiteral("SameCustomCheck"), 1, 1);
    chkSameAddDateTime->setChecked(ini.ReadBool(Section, QStringLiteral("SameAddDateTime"), true));
    chkSameUpdDateTime->setChecked(ini.ReadBool(Section, QStringLiteral("SameUpdDateTime"), true));
    chkSameAddDateTimeClick();
    chkSameUpdDateTimeClick();
}

void TAddressCopy::saveSettings()
{
    writeSettings(this, [this](TMemIniFile &ini) {
        ini.WriteInteger(Section, QStringLiteral("DataSelect"), DataSelect);
        ini.WriteInteger(Section, QStringLiteral("BeginPos"), BeginPos);
        ini.WriteInteger(Section, QStringLiteral("EndPos"), EndPos);
        ini.WriteBool(Section, QStringLiteral("Tel"), chkTel->isChecked());
        ini.WriteBool(Section, QStringLiteral("Fax"), chkFax->isChecked());
        ini.WriteBool(Section, QStringLiteral("Portable1"), chkPortable1->isChecked());
        ini.WriteBool(Section, QStringLiteral("Portable2"), chkPortable2->isChecked());
        ini.WriteInteger(Section, QStringLiteral("BothType"), BothType);
        ini.WriteInteger(Section, QStringLiteral("SameNumCheck"), SameNumCheck);
        ini.WriteInteger(Section, QStringLiteral("SameCustomCheck"), SameCustomCheck);
        ini.WriteBool(Section, QStringLiteral("SameAddDateTime"), chkSameAddDateTime->isChecked());
        ini.WriteBool(Section, QStringLiteral("SameUpdDateTime"), chkSameUpdDateTime->isChecked());
    });
}

void TAddressCopy::fillBookList()
{
    lvAdrs->clear();
    for (const TAdrsFolderInfo &book : AdrsBookList)
        if (book.Name != CurrentAdrsName && book.State != abDeletePending)
            lvAdrs->addItem(book.Name);
    if (lvAdrs->count() > 0)
        lvAdrs->setCurrentRow(0);
}

// ---- Ranges and the target count ----

void TAddressCopy::setRangeBounds()
{
    const int shown = owner_ ? owner_->GetRecordCount() : 0;
    BeginMin = EndMin = shown > 0 ? 1 : 0;
    BeginMax = EndMax = shown;
}

void TAddressCopy::ListCountChanged()
{
    if ((owner_ ? owner_->GetRecordCount() : 0) != EndMax) {
        setRangeBounds();
        BeginPos = BeginMin;
        EndPos = EndMax;
        writeRangeEdits();
    }
    updateTargetCount();
}

void TAddressCopy::writeRangeEdits()
{
    edtRangeBegin->setText(QString::number(BeginPos));
    edtRangeEnd->setText(QString::number(EndPos));
    // A refused text puts back the value shown last, never one the list has since made invalid.
    BeginPosOnEnter = BeginPos;
    EndPosOnEnter = EndPos;
}

void TAddressCopy::showBeginPos()
{
    if (BeginPos > EndPos)
        EndPos = BeginPos;
    writeRangeEdits();
    if (DataSelect == 1)
        updateTargetCount();
}

void TAddressCopy::showEndPos()
{
    if (EndPos < BeginPos)
        BeginPos = EndPos;
    writeRangeEdits();
    if (DataSelect == 1)
        updateTargetCount();
}

bool TAddressCopy::applyTypedRange(TUniEdit *edit)
{
    const bool begin = edit == edtRangeBegin;
    const QByteArray typed = Sjis::encode(TrimBlanks(edit->text()));
    bool ok = !typed.isEmpty() && typed == KeepNumberChars(typed, NumberChars::Digits);
    const int value = ok ? typed.toInt(&ok) : 0;
    if (!ok || value < (begin ? BeginMin : EndMin) || value > (begin ? BeginMax : EndMax)) {
        edit->setText(QString::number(begin ? BeginPosOnEnter : EndPosOnEnter));
        return false;
    }
    edit->selectAll();
    if (begin) {
        BeginPos = value;
        showBeginPos();
    } else {
        EndPos = value;
        showEndPos();
    }
    return true;
}

void TAddressCopy::stepRange(TUniEdit *edit, int step)
{
    if (edit == edtRangeBegin) {
        BeginPos = std::clamp(BeginPos + step, BeginMin, BeginMax);
        showBeginPos();
    } else {
        EndPos = std::clamp(EndPos + step, EndMin, EndMax);
        showEndPos();
    }
}

void TAddressCopy::udRangeBeginClick(int step) { stepRange(edtRangeBegin, step); }
void TAddressCopy::udRangeEndClick(int step) { stepRange(edtRangeEnd, step); }

void TAddressCopy::updateTargetCount()
{
    switch (DataSelect) {
    case 0: TargetCount = owner_ ? owner_->GetSelectedCount() : 0; break;
    case 1: TargetCount = BeginPos == 0 ? 0 : EndPos - BeginPos + 1; break;
    case 2: TargetCount = owner_ ? owner_->GetRecordCount() : 0; break;
    default: TargetCount = 0; break;
    }
    lblDataCount->setText(QString::number(TargetCount) + QStringLiteral(" 件"));
    btnCopy->setEnabled(TargetCount != 0);
}

// ---- Choices ----

void TAddressCopy::rbDataSelectClick(int tag)
{
    if (!choose(dataSelectGroup_, DataSelect, tag))
        return;
    for (QWidget *w : std::initializer_list<QWidget *>{edtRangeBegin, edtRangeEnd, udRangeBegin, udRangeEnd,
                                                        lblRangeBegin, lblRangeEnd})
        w->setEnabled(tag == 1);
    updateTargetCount();
}

void TAddressCopy::rbBothTypeClick(int tag) { choose(bothTypeGroup_, BothType, tag); }
void TAddressCopy::rbSameNumCheckClick(int tag) { choose(sameNumGroup_, SameNumCheck, tag); }
void TAddressCopy::rbSameCustomCheckClick(int tag) { choose(sameCustomGroup_, SameCustomCheck, tag); }

void TAddressCopy::chkNumberItemClick(QCheckBox *item)
{
    SetCaptionColour(item, item->isChecked());
    TickedNumberItems += item->isChecked() ? 1 : -1;
    updateNumberChoices();
}

void TAddressCopy::updateNumberChoices()
{
    rbNewAdd->setEnabled(TickedNumberItems >= 1);
    rbNotAdd->setEnabled(TickedNumberItems >= 1);
    rbAnd->setEnabled(TickedNumberItems >= 2);
    rbOr->setEnabled(TickedNumberItems >= 2);
}

void TAddressCopy::chkSameAddDateTimeClick()
{
    SetCaptionColour(chkSameAddDateTime, chkSameAddDateTime->isChecked());
    chkSameUpdDateTime->setEnabled(chkSameAddDateTime->isChecked());
}

void TAddressCopy::chkSameUpdDateTimeClick() { SetCaptionColour(chkSameUpdDateTime, chkSameUpdDateTime->isChecked()); }

TAdrsCopyRules TAddressCopy::rules() const
{
    TAdrsCopyRules r;
    r.NumberItems = {chkTel->isChecked(), chkFax->isChecked(), chkPortable1->isChecked(), chkPortable2->isChecked()};
    r.BothType = BothType;
    r.SameNumCheck = SameNumCheck;
    r.SameCustomCheck = SameCustomCheck;
    r.SameAddDateTime = chkSameAddDateTime->isChecked();
    r.SameUpdDateTime = chkSameUpdDateTime->isChecked();
    return r;
}

// ---- Keys and closing ----

bool TAddressCopy::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = watched == edtRangeBegin || watched == edtRangeEnd ? static_cast<TUniEdit *>(watched) : nullptr;
    if (edit && event->type() == QEvent::FocusIn) {
        if (edit == edtRangeBegin)
            BeginPosOnEnter = BeginPos;
        else
            EndPosOnEnter = EndPos;
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = IsEnterKey(event);
        if (edit) {
            switch (key) {
            case Qt::Key_Up: stepRange(edit, 1); return true;
            case Qt::Key_PageUp: stepRange(edit, 10); return true;
            case Qt::Key_Down: stepRange(edit, -1); return true;
            case Qt::Key_PageDown: stepRange(edit, -10); return true;
            default: break;
            }
            if (enter) {
                const int before = edit == edtRangeBegin ? BeginPos : EndPos;
                applyTypedRange(edit);
                if ((edit == edtRangeBegin ? BeginPos : EndPos) == before)
                    focusNextPrevChild(true);
                return true;
            }
        } else if (enter) {
            if (watched == rbList)
                chkTel->setFocus(Qt::TabFocusReason);
            else
                focusNextPrevChild(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TAddressCopy::keyPressEvent(QKeyEvent *event)
{
    if (!EscPresses(event, btnCancel))
        QWidget::keyPressEvent(event);
}

void TAddressCopy::btnCancelClick() { close(); }

void TAddressCopy::closeEvent(QCloseEvent *event)
{
    // A close asked during a copy stops it and is held back until btnCopyClick has returned (TWindowCommand,
    // TWindowWork): the run ends before the tables it writes go away.
    if (AddressCopy == this)
        AddressCopy = nullptr;
    QWidget::closeEvent(event);
}

void ShowAddressCopy(TAddressList *owner)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!AddressCopy)
        AddressCopy = new TAddressCopy(owner);
    if (AddressCopy->isMinimized()) {
        AddressCopy->showNormal();
    } else {
        AddressCopy->show();
        AddressCopy->raise();
        AddressCopy->activateWindow();
    }
    QApplication::restoreOverrideCursor();
}

// ---- The copy ----

void TAddressCopy::btnCopyClick()
{
    // Its questions and the run's progress let the window's buttons be pressed meanwhile.
    const TWindowCommand command(this);
    if (!command)
        return;
    const QList<QListWidgetItem *> chosen = lvAdrs->selectedItems();
    // Without a chosen row nothing may match, not even a book pending deletion (its name is empty).
    const auto book = std::find_if(AdrsBookList.begin(), AdrsBookList.end(), [&](const TAdrsFolderInfo &b) {
        return !chosen.isEmpty() && b.Name == chosen.first()->text();
    });
    if (book == AdrsBookList.end()) {
        ShowMessageBoxAt(this, QStringLiteral("コピー先のアドレス帳を選択してください  "), AppTitle,
                         MB_ICONINFORMATION);
        lvAdrs->setFocus();
        return;
    }
    if (ShowMessageBoxAt(this, QStringLiteral("アドレス帳のデータを、指定した他のアドレス帳にコピーします  \r\nよろしいですか？  "),
                         AppTitle, MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    if (rbDestUpdate->isChecked()
        && ShowMessageBoxAt(this,
                            QStringLiteral("コピー先のアドレス帳に、同じ顧客コードのデータが  \r\n見つかった場合に、そのデータを上書きしてしまう  \r\n設定ですが、よろしいですか？  "),
                            AppTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2)
               != IDYES)
        return;

    // The busy arrow, not the hourglass: the stop button stays pressable.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    pgbarAdrsCopy->setRange(0, TargetCount);
    pgbarAdrsCopy->setValue(0);
    repaint();
    if (!DMMirvale18->OpenSubAdrsTable(book->Folder)) {
        DMMirvale18->CloseSubAdrsTable();
        QApplication::restoreOverrideCursor();
        return;
    }
    RunEnd end = RunEnd::Undone;
    Failure.reset();
    try {
        TargetRecordCount = DMMirvale18->SubAdrsTable->RecordCount();
        end = copyRecords(*DMMirvale18->AdrsTable, *DMMirvale18->SubAdrsTable);
    } catch (const EDatabaseError &e) {
        Failure.emplace(e);
        end = RunEnd::Undone;
    }
    DMMirvale18->CloseSubAdrsTable();
    QApplication::restoreOverrideCursor();

    // Closed meanwhile, the window goes without the summary: only a failure is told.
    switch (end) {
    case RunEnd::Done:
        saveSettings();
        if (!command.CloseAsked())
            showSummary();
        close();
        return;
    case RunEnd::Stopped:
        if (!command.CloseAsked())
            ShowMessageBoxAt(this, QStringLiteral("コピーを中止しました  \r\nコピー先のアドレス帳は変更されていません  "),
                             AppTitle, MB_ICONINFORMATION);
        break;
    case RunEnd::Undone:
        ShowMessageBoxAt(this,
                         DatabaseErrorText(QStringLiteral("コピー中にエラーが発生したため、コピーを取り消しました  \r\n"
                                                          "コピー先のアドレス帳は変更されていません  "),
                                           Failure),
                         AppTitle, MB_ICONERROR);
        break;
    }
    pgbarAdrsCopy->setValue(0);
}

std::vector<int32_t> TAddressCopy::recordsToCopy() const
{
    std::vector<int32_t> recNos;
    if (!owner_)
        return recNos;
    int first = 0, last = -1;
    switch (DataSelect) {
    case 0:
        first = owner_->GetSelectedIndex();
        last = first < 0 ? -1 : owner_->GetLastSelectedIndex();
        break;
    case 1:
        first = BeginPos - 1;
        last = BeginPos == 0 ? -1 : EndPos - 1;
        break;
    case 2: last = owner_->GetRecordCount() - 1; break;
    default: break;
    }
    for (int i = first; i <= last; ++i)
        if (DataSelect != 0 || owner_->IsSelected(i))
            recNos.push_back(owner_->GetRecNoAt(i));
    return recNos;
}

// The whole run is one transaction on the target: a stop, a failure of the target as a whole or a crash leaves
// the target as it was; only a commit makes the copies visible.
TAddressCopy::RunEnd TAddressCopy::copyRecords(TTable &source, TTable &target)
{
    AddedCount = OverwrittenCount = SkippedCount = FailedCount = 0;
    const std::vector<int32_t> recNos = recordsToCopy();
    TAdrsRecordCopier copier(source, target, rules(), TargetRecordCount);

    QProgressDialog progress(QStringLiteral("コピーしています..."), QStringLiteral("中止"), 0, TargetCount, this);
    progress.setObjectName(QStringLiteral("dlgCopyProgress"));
    progress.setWindowTitle(AppTitle);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    const TWindowWork work(this, [&progress] { progress.cancel(); });
    int handled = 0;
    QElapsedTimer sinceEvents;
    // Shows how far the run is and lets the stop button be pressed; true when it was.
    auto stopAsked = [&] {
        pgbarAdrsCopy->setValue(handled);
        progress.setValue(handled);
        QCoreApplication::processEvents();
        sinceEvents.start();
        return progress.wasCanceled();
    };

    target.StartTransaction();
    progress.show();
    for (const int32_t recNo : recNos) {
        if ((!sinceEvents.isValid() || sinceEvents.elapsed() >= EventIntervalMs) && stopAsked()) {
            target.Abandon();
            return RunEnd::Stopped;
        }
        TCopyOutcome outcome = coFailed;
        try {
            useIndex(source, QString());
            if (!source.FindKey({recNo}))
                continue;  // no longer in the open book
            outcome = copier.CopyRecord();
            if (copier.Failure())
                Failure.emplace(*copier.Failure());
        } catch (const EDatabaseError &e) {
            Failure.emplace(e);
            outcome = coFailed;
        }
        switch (outcome) {
        case coAdded: ++AddedCount; break;
        case coOverwritten: ++OverwrittenCount; break;
        case coSkipped: ++SkippedCount; break;
        case coFailed:
            ++FailedCount;
            // Some failures (a full disk) end the transaction in the engine, taking the earlier copies with it.
            if (!target.InTransaction())
                return RunEnd::Undone;
            break;
        case coLimitReached:
            ShowMessageBoxAt(this, QStringLiteral("最大登録件数10万件に達しました  \r\nこれ以上登録できません  "),
                             AppTitle, MB_ICONINFORMATION);
            break;
        }
        if (outcome == coLimitReached)
            break;
        ++handled;
    }
    if (stopAsked()) {
        target.Abandon();
        return RunEnd::Stopped;
    }
    try {
        target.Commit();
    } catch (const EDatabaseError &e) {
        Failure.emplace(e);
        target.Abandon();
        return RunEnd::Undone;
    }
    return RunEnd::Done;
}

void TAddressCopy::showSummary()
{
    auto line = [](const QString &title, int count) {
        return QStringLiteral("\r\n") + title + QStringLiteral("\t") + QString::number(count) + QStringLiteral(" 件  ");
    };
    QString text = FailedCount > 0
                       ? QStringLiteral("アドレス帳のコピーが終了しました  \r\nコピーできなかったデータがあります  ")
                       : QStringLiteral("アドレス帳のコピーが完了しました  ");
    text += QStringLiteral("\r\n") + line(QStringLiteral("対象件数 : "), TargetCount)
            + line(QStringLiteral("登録件数 : "), AddedCount);
    if (OverwrittenCount > 0)
        text += line(QStringLiteral("上書き件数 : "), OverwrittenCount);
    if (SkippedCount > 0)
        text += line(QStringLiteral("未処理件数 : "), SkippedCount);
    if (FailedCount > 0)
        text = DatabaseErrorText(text + line(QStringLiteral("エラー件数 : "), FailedCount), Failure);
    ShowMessageBoxAt(this, text, AppTitle, FailedCount > 0 ? MB_ICONWARNING : MB_ICONINFORMATION);
}
