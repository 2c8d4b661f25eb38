#include "records/BatchChg.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "geo/ContinualAdrsSearch.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordFormServices.h"
#include "platform/Forms.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "records/DtInqiry.h"
#include "records/EntryHelpers.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

// Outside any unnamed namespace: the resource initialiser the macro declares has external linkage.
static void initGlyphResources() { Q_INIT_RESOURCE(DtInqiry); }

namespace {

constexpr int KeywordBytes = 100;
// How often a run lets the window repaint and the stop button be pressed.
constexpr int PumpIntervalMs = 50;

const std::array<QString, 8> KeywordFields{
    QStringLiteral("Keyword1"), QStringLiteral("Keyword2"), QStringLiteral("Keyword3"), QStringLiteral("Keyword4"),
    QStringLiteral("Keyword5"), QStringLiteral("Keyword6"), QStringLiteral("Keyword7"), QStringLiteral("Keyword8")};

// A borderless row of radio buttons, which also makes them one exclusive group.
QWidget *radioPanel(const char *name, QWidget *parent, std::initializer_list<QRadioButton **> buttons,
                    std::initializer_list<std::pair<const char *, QString>> captions)
{
    auto *panel = Named<QWidget>(name, parent);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    auto caption = captions.begin();
    for (QRadioButton **button : buttons) {
        *button = Named<QRadioButton>(caption->first, caption->second, panel);
        row->addWidget(*button);
        ++caption;
    }
    row->addStretch();
    return panel;
}

void paintRadioGroup(std::initializer_list<QRadioButton *> buttons)
{
    for (QRadioButton *button : buttons)
        SetCaptionColour(button, button->isChecked());
}

void enableInput(QWidget *control, bool enabled)
{
    control->setEnabled(enabled);
    if (qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control))
        SetInputColour(control, enabled);
}

double now() { return DateTimeToDouble(TruncateToSeconds(QDateTime::currentDateTime())); }

// The address look-up over the program's own library and dictionaries.
std::unique_ptr<TContinualAdrsSearch> makeAddressSearch()
{
    return std::make_unique<TContinualAdrsSearch>(AppFolder, AppFolder + QStringLiteral("Dic/"));
}

}  // namespace

// ---- Creation ----

TBatchChange::TBatchChange(TAddressList *owner) : QDialog(owner), owner_(owner)
{
    setObjectName(QStringLiteral("BatchChange"));
    setWindowTitle(QStringLiteral("アドレス帳の一括編集"));
    setProperty("HelpContext", 11);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont dialogFont(QStringLiteral("ＭＳ Ｐゴシック"));
    dialogFont.setPixelSize(12);
    setFont(dialogFont);

    createControls();
    InitControls();
    FillGroups();
    FillCategoryMain(0);
    FillCategorySub(0, 0);
    FillSenders();
    for (int k = 0; k < 3; ++k)
        FillKeywordList(k);
    FillSymbolMarks();
    static const bool glyphsRegistered = (initGlyphResources(), true);
    Q_UNUSED(glyphsRegistered);
    bbtnSymbolColor->setIcon(QIcon(QStringLiteral(":/DtInqiry/COLORSET.svg")));
}

TBatchChange::~TBatchChange() = default;

void TBatchChange::createControls()
{
    lblMsg1 = Named<QLabel>("lblMsg1", QStringLiteral("選択したデータの項目内容を一括で編集します"), this);
    lblMsg2 = Named<QLabel>("lblMsg2", QStringLiteral("変更する内容を設定してください"), this);

    gbxMain = Named<QGroupBox>("gbxMain", QStringLiteral("メイン"), this);
    chkGroup = Named<QCheckBox>("chkGroup", QStringLiteral("グループ"), gbxMain);
    cbxGroup = Named<TUniComboBox>("cbxGroup", gbxMain);
    cbxGroup->setMaxVisibleItems(11);
    chkGetJisCode = Named<QCheckBox>("chkGetJisCode", QStringLiteral("市町村コードを取得"), gbxMain);
    lblGetJisCode = Named<QLabel>("lblGetJisCode",
                                  QStringLiteral("※市町村コードを取得するには、住所欄が入力されている必要があります"), gbxMain);
    QPalette maroon = lblGetJisCode->palette();
    maroon.setColor(QPalette::WindowText, QColor(0x80, 0, 0));
    lblGetJisCode->setPalette(maroon);
    chkPrivCorp = Named<QCheckBox>("chkPrivCorp", QStringLiteral("個人と会社の切り替え"), gbxMain);
    pnlPrivCorp = radioPanel("pnlPrivCorp", gbxMain, {&rbPriv, &rbCorp},
                             {{"rbPriv", QStringLiteral("個人")}, {"rbCorp", QStringLiteral("会社")}});
    chkIgnoreName = Named<QCheckBox>("chkIgnoreName", QStringLiteral("宛名の印刷に名前を使用しない"), gbxMain);
    pnlIgnoreName = radioPanel("pnlIgnoreName", gbxMain, {&rbIgnoreNameTrue, &rbIgnoreNameFalse},
                               {{"rbIgnoreNameTrue", QStringLiteral("チェックする")},
                                {"rbIgnoreNameFalse", QStringLiteral("チェックしない")}});
    chkCategory = Named<QCheckBox>("chkCategory", QStringLiteral("カテゴリ"), gbxMain);
    lblCatMain = Named<QLabel>("lblCatMain", QStringLiteral("大分類："), gbxMain);
    Cbx_CatMain = Named<TUniComboBox>("Cbx_CatMain", gbxMain);
    lblCatSub = Named<QLabel>("lblCatSub", QStringLiteral("小分類："), gbxMain);
    Cbx_CatSub = Named<TUniComboBox>("Cbx_CatSub", gbxMain);
    lblCatMain->setBuddy(Cbx_CatMain);
    lblCatSub->setBuddy(Cbx_CatSub);
    Cbx_CatMain->setMinimumWidth(150);
    Cbx_CatSub->setMinimumWidth(150);
    // A row nested in the grid would take the grid's spacing, none across when its two spacings differ.
    auto *category = new QHBoxLayout;
    category->setSpacing(4);
    category->addWidget(lblCatMain);
    category->addWidget(Cbx_CatMain);
    category->addSpacing(12);
    category->addWidget(lblCatSub);
    category->addWidget(Cbx_CatSub);
    category->addStretch();
    auto *main = new QGridLayout(gbxMain);
    main->addWidget(chkGroup, 0, 0);
    main->addWidget(cbxGroup, 0, 1, Qt::AlignLeft);
    main->addWidget(chkGetJisCode, 1, 0);
    main->addWidget(lblGetJisCode, 1, 1);
    main->addWidget(chkPrivCorp, 2, 0);
    main->addWidget(pnlPrivCorp, 2, 1);
    main->addWidget(chkIgnoreName, 3, 0);
    main->addWidget(pnlIgnoreName, 3, 1);
    main->addWidget(chkCategory, 4, 0);
    main->addLayout(category, 4, 1);
    main->setColumnStretch(1, 1);

    gbxSub = Named<QGroupBox>("gbxSub", QStringLiteral("サブ"), this);
    chkPrintTarget = Named<QCheckBox>("chkPrintTarget", QStringLiteral("印刷指定"), gbxSub);
    pnlPrintTarget = radioPanel("pnlPrintTarget", gbxSub, {&rbPrintTarget, &rbPrintException, &rbPrintUnspec},
                                {{"rbPrintTarget", QStringLiteral("印刷対象")},
                                 {"rbPrintException", QStringLiteral("印刷除外")},
                                 {"rbPrintUnspec", QStringLiteral("指定なし")}});
    chkSender = Named<QCheckBox>("chkSender", QStringLiteral("差出人"), gbxSub);
    cbxSender = Named<TUniComboBox>("cbxSender", gbxSub);
    cbxSender->setMinimumWidth(200);
    auto *sub = new QGridLayout(gbxSub);
    sub->addWidget(chkPrintTarget, 0, 0);
    sub->addWidget(pnlPrintTarget, 0, 1);
    sub->addWidget(chkSender, 1, 0);
    sub->addWidget(cbxSender, 1, 1, Qt::AlignLeft);
    sub->setColumnStretch(1, 1);

    gbxMemo = Named<QGroupBox>("gbxMemo", QStringLiteral("メモ"), this);
    auto *memo = new QGridLayout(gbxMemo);
    for (int i = 0; i < 8; ++i) {
        const QByteArray number = QByteArray::number(i + 1);
        chkKeyword[i] = Named<QCheckBox>(("chkKeyword" + number).constData(), QString(), gbxMemo);
        chkKeyword[i]->setProperty("Tag", i + 1);
        memo->addWidget(chkKeyword[i], i, 0);
        QWidget *input;
        if (i < 5) {
            auto *edit = Named<TUniEdit>(("edtKeyword" + number).constData(), gbxMemo);
            edit->SetMaxLength(KeywordBytes);
            edit->setValidator(new TShiftJisValidator(KeywordBytes, edit));
            edtKeyword[i] = edit;
            input = edit;
        } else {
            auto *combo = Named<TUniComboBox>(("cbxKeyword" + number).constData(), gbxMemo);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->lineEdit()->setMaxLength(KeywordBytes);
            combo->lineEdit()->setValidator(new TShiftJisValidator(KeywordBytes, combo));
            cbxKeyword[i - 5] = combo;
            input = combo;
        }
        memo->addWidget(input, i, 1);
    }
    memo->setColumnStretch(1, 1);

    gbxOther = Named<QGroupBox>("gbxOther", QStringLiteral("その他"), this);
    chkSymbolMark = Named<QCheckBox>("chkSymbolMark", QStringLiteral("シンボルマーク"), gbxOther);
    cbxSymbolMark = Named<TUniComboBox>("cbxSymbolMark", gbxOther);
    // A choice is named after the check box that stands beside it as its caption.
    for (auto [box, choice] : {std::pair<QCheckBox *, QComboBox *>(chkGroup, cbxGroup), {chkSender, cbxSender},
                               {chkSymbolMark, cbxSymbolMark}})
        choice->setAccessibleName(box->text());
    chkSymbolColor = Named<QCheckBox>("chkSymbolColor", QStringLiteral("シンボル色"), gbxOther);
    pnlSymbolColor = Named<QFrame>("pnlSymbolColor", gbxOther);
    pnlSymbolColor->setFrameShape(QFrame::Panel);
    pnlSymbolColor->setFrameShadow(QFrame::Sunken);
    pnlSymbolColor->setAutoFillBackground(true);
    pnlSymbolColor->setFixedSize(48, 22);
    bbtnSymbolColor = Named<QPushButton>("bbtnSymbolColor", gbxOther);
    bbtnSymbolColor->setToolTip(QStringLiteral("色の変更"));
    bbtnSymbolColor->setAccessibleName(bbtnSymbolColor->toolTip());
    auto *colour = new QHBoxLayout;
    colour->addWidget(pnlSymbolColor);
    colour->addWidget(bbtnSymbolColor);
    colour->addStretch();
    auto *other = new QGridLayout(gbxOther);
    other->addWidget(chkSymbolMark, 0, 0);
    other->addWidget(cbxSymbolMark, 0, 1, Qt::AlignLeft);
    other->addWidget(chkSymbolColor, 1, 0);
    other->addLayout(colour, 1, 1);
    other->setColumnStretch(1, 1);

    btnStart = Named<QPushButton>("btnStart", QStringLiteral("開始"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnStart);
    buttons->addWidget(btnCancel);

    auto *form = new QVBoxLayout(this);
    form->addWidget(lblMsg1);
    form->addWidget(lblMsg2);
    for (QGroupBox *box : {gbxMain, gbxSub, gbxMemo, gbxOther})
        form->addWidget(box);
    form->addLayout(buttons);
    form->setSpacing(4);
    for (QGridLayout *grid : {main, sub, memo, other}) {
        grid->setContentsMargins(8, 4, 8, 4);
        grid->setVerticalSpacing(2);
    }
    // The designed width, unless the fonts of this desktop need more; as tall as the groups are in these fonts,
    // so no empty band is left above the buttons.
    const int width = std::max(ScaleByDpi(645, true), minimumSizeHint().width());
    setFixedSize(width, form->hasHeightForWidth() ? form->totalHeightForWidth(width) : sizeHint().height());

    for (QCheckBox *box : groupChecks())
        connect(box, &QCheckBox::toggled, this, [this, box] { CheckBoxClick(box); });
    for (QRadioButton *b : {rbPriv, rbCorp})
        connect(b, &QRadioButton::toggled, this, &TBatchChange::rbPrivCorpClick);
    for (QRadioButton *b : {rbIgnoreNameTrue, rbIgnoreNameFalse})
        connect(b, &QRadioButton::toggled, this, &TBatchChange::rbIgnoreNameClick);
    for (QRadioButton *b : {rbPrintTarget, rbPrintException, rbPrintUnspec})
        connect(b, &QRadioButton::toggled, this, &TBatchChange::rbPrintTargetClick);
    connect(Cbx_CatMain, &QComboBox::activated, this, &TBatchChange::Cbx_CatMainChange);
    connect(bbtnSymbolColor, &QPushButton::clicked, this, &TBatchChange::bbtnSymbolColorClick);
    connect(btnStart, &QPushButton::clicked, this, &TBatchChange::btnStartClick);
    connect(btnCancel, &QPushButton::clicked, this, &TBatchChange::btnCancelClick);

    // Enter moves on through the fields; on a button it presses the button.
    for (QWidget *control : findChildren<QWidget *>())
        if (qobject_cast<QCheckBox *>(control) || qobject_cast<QRadioButton *>(control)
            || qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control))
            control->installEventFilter(this);
}

std::array<QCheckBox *, 17> TBatchChange::groupChecks() const
{
    return {chkGroup,      chkGetJisCode, chkPrivCorp,   chkIgnoreName, chkCategory,   chkPrintTarget,
            chkSender,     chkKeyword[0], chkKeyword[1], chkKeyword[2], chkKeyword[3], chkKeyword[4],
            chkKeyword[5], chkKeyword[6], chkKeyword[7], chkSymbolMark, chkSymbolColor};
}

std::array<uint8_t, 17> TBatchChange::checkedFlags() const
{
    std::array<uint8_t, 17> flags{};
    const auto boxes = groupChecks();
    for (size_t n = 0; n < boxes.size(); ++n)
        flags[n] = boxes[n]->isChecked() ? 1 : 0;
    return flags;
}

void TBatchChange::InitControls()
{
    for (QWidget *control : std::initializer_list<QWidget *>{
             cbxGroup, rbPriv, rbCorp, rbIgnoreNameTrue, rbIgnoreNameFalse, lblCatMain, lblCatSub, Cbx_CatMain,
             Cbx_CatSub, rbPrintTarget, rbPrintException, rbPrintUnspec, cbxSender, cbxSymbolMark})
        enableInput(control, false);
    for (TUniEdit *edit : edtKeyword)
        enableInput(edit, false);
    for (TUniComboBox *combo : cbxKeyword)
        enableInput(combo, false);
    rbPriv->setChecked(true);
    rbIgnoreNameTrue->setChecked(true);
    rbPrintTarget->setChecked(true);
    // Each keyword's field is named after its check box, the caption standing beside it.
    for (int i = 0; i < 8; ++i) {
        chkKeyword[i]->setText(KeywordNames[i]);
        (i < 5 ? static_cast<QWidget *>(edtKeyword[i]) : cbxKeyword[i - 5])->setAccessibleName(KeywordNames[i]);
    }
    for (int i = 0; i < 5; ++i)
        SetKeywordImeMode(edtKeyword[i], i);
    for (int i = 0; i < 3; ++i)
        SetKeywordImeMode(cbxKeyword[i], i + 5);
    pnlSymbolColor->setProperty("Tag", TAddressRecord::DefaultSymbolColor);
    QPalette face = pnlSymbolColor->palette();
    face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    pnlSymbolColor->setPalette(face);
    bbtnSymbolColor->setEnabled(false);
    btnStart->setEnabled(false);
}

void TBatchChange::FillGroups()
{
    cbxGroup->clear();
    cbxGroup->addItem(QStringLiteral("指定しない"));
    for (int n = 1; n <= 10; ++n)
        cbxGroup->addItem(QStringLiteral("%1： %2").arg(n, 2).arg(GroupNames[n]));
    cbxGroup->setCurrentIndex(0);
}

void TBatchChange::FillSenders()
{
    cbxSender->clear();
    cbxSender->AddObject(QStringLiteral("標準"), 0);
    for (int n = 0; n < owner_->GetSenderCount(); ++n)
        cbxSender->AddObject(owner_->GetSenderTitle(n), owner_->GetSenderRecNo(n));
    cbxSender->setCurrentIndex(0);
}

void TBatchChange::FillKeywordList(int k)
{
    TUniComboBox *combo = cbxKeyword[k];
    combo->clear();
    if (DMMirvale18 && DMMirvale18->KeywordHistory[k]) {
        const THistoryData &history = *DMMirvale18->KeywordHistory[k];
        for (int n = 0; n < history.GetCount(); ++n)
            combo->addItem(Sjis::decode(history.GetText(n)));
    }
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
}

void TBatchChange::FillSymbolMarks()
{
    cbxSymbolMark->clear();
    cbxSymbolMark->addItem(QStringLiteral("指定しない"));
    for (const QString &mark : MarkSymbols)
        cbxSymbolMark->addItem(mark);
    cbxSymbolMark->setCurrentIndex(0);
}

// ---- Categories ----

void TBatchChange::FillCategoryMain(int number) { FillMainCategories(Cbx_CatMain, Cbx_CatSub, number); }

void TBatchChange::FillCategorySub(int mainNumber, int subCode)
{
    if (mainNumber == 0 || Cbx_CatMain->currentIndex() < 0) {
        Cbx_CatSub->clear();
        Cbx_CatSub->setEnabled(false);
        SetInputColour(Cbx_CatSub, false);
        return;
    }
    if (!FillSubCategories(Cbx_CatSub, mainNumber, subCode)) {
        FillCategoryMain(0);
        FShownCatMain = 0;
    }
}

void TBatchChange::Cbx_CatMainChange()
{
    const int number = Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex());
    if (number == FShownCatMain)
        return;
    FillCategorySub(number, 1);
    FShownCatMain = number;
}

// ---- Check boxes and radio buttons ----

void TBatchChange::CheckBoxClick(QCheckBox *sender)
{
    SetCaptionColour(sender, sender->isChecked());
    const bool on = sender->isChecked();
    auto enable = [on](std::initializer_list<QWidget *> controls) {
        for (QWidget *control : controls)
            enableInput(control, on);
    };
    if (sender == chkGroup) {
        enable({cbxGroup});
    } else if (sender == chkPrivCorp) {
        enable({rbPriv, rbCorp});
    } else if (sender == chkIgnoreName) {
        enable({rbIgnoreNameTrue, rbIgnoreNameFalse});
    } else if (sender == chkCategory) {
        enable({lblCatMain, lblCatSub, Cbx_CatMain, Cbx_CatSub});
    } else if (sender == chkPrintTarget) {
        enable({rbPrintTarget, rbPrintException, rbPrintUnspec});
    } else if (sender == chkSender) {
        enable({cbxSender});
    } else if (sender == chkSymbolMark) {
        enable({cbxSymbolMark});
    } else if (sender == chkSymbolColor) {
        enable({bbtnSymbolColor});
        QPalette palette = pnlSymbolColor->palette();
        palette.setColor(QPalette::Window, on ? ColorFromBgr(pnlSymbolColor->property("Tag").toInt())
                                              : QApplication::palette().color(QPalette::Button));
        pnlSymbolColor->setPalette(palette);
    } else if (const int n = sender->property("Tag").toInt(); n >= 1 && n <= 8) {
        enable({n <= 5 ? static_cast<QWidget *>(edtKeyword[n - 1]) : cbxKeyword[n - 6]});
    }
    const auto boxes = groupChecks();
    btnStart->setEnabled(std::any_of(boxes.begin(), boxes.end(), [](QCheckBox *box) { return box->isChecked(); }));
}

void TBatchChange::rbPrivCorpClick() { paintRadioGroup({rbPriv, rbCorp}); }

void TBatchChange::rbIgnoreNameClick() { paintRadioGroup({rbIgnoreNameTrue, rbIgnoreNameFalse}); }

void TBatchChange::rbPrintTargetClick() { paintRadioGroup({rbPrintTarget, rbPrintException, rbPrintUnspec}); }

void TBatchChange::bbtnSymbolColorClick()
{
    int32_t colour = pnlSymbolColor->property("Tag").toInt();
    if (!ChooseColor(this, colour))
        return;
    pnlSymbolColor->setProperty("Tag", colour);
    QPalette palette = pnlSymbolColor->palette();
    palette.setColor(QPalette::Window, ColorFromBgr(colour));
    pnlSymbolColor->setPalette(palette);
}

// ---- Keys and closing ----

bool TBatchChange::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        NextFocusKeyPress();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TBatchChange::NextFocusKeyPress()
{
    focusNextPrevChild(true);
    // The edits do not select their text on entry: the caret waits after it, ready to add to it.
    if (auto *edit = qobject_cast<QLineEdit *>(focusWidget()))
        edit->end(false);
}

void TBatchChange::btnCancelClick() { reject(); }

void TBatchChange::reject()
{
    if (running_) {
        stopRequested_ = true;
        return;
    }
    QDialog::reject();
}

// ---- The run ----

TAddressRecord TBatchChange::BuildRecord() const
{
    TAddressRecord record;
    ClearAddressRecord(&record);
    record.Group = std::max(0, cbxGroup->currentIndex());
    record.PrivCorp = rbPriv->isChecked();
    record.IgnoreName = rbIgnoreNameTrue->isChecked();
    record.CodeMain = Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex());
    record.CodeSub = record.CodeMain == 0 ? 0 : Cbx_CatSub->ItemObject(Cbx_CatSub->currentIndex());
    record.PrintTarget = rbPrintTarget->isChecked() ? 1 : rbPrintException->isChecked() ? 2 : 0;
    record.Sender = cbxSender->ItemObject(cbxSender->currentIndex());
    for (int i = 0; i < 5; ++i)
        record.Keyword[i] = Sjis::encode(TrimBlanks(edtKeyword[i]->text()));
    for (int i = 0; i < 3; ++i)
        record.Keyword[i + 5] = Sjis::encode(TrimBlanks(cbxKeyword[i]->currentText()));
    record.SymbolMark = cbxSymbolMark->currentIndex() > 0 ? Sjis::encode(cbxSymbolMark->currentText()) : QByteArray();
    record.SymbolColor = pnlSymbolColor->property("Tag").toInt();
    return record;
}

bool TBatchChange::applyChanges(TTable &t, const TAddressRecord &values)
{
    bool changed = false;
    auto setInteger = [&](const QString &name, int32_t value) {
        TField &field = t.FieldByName(name);
        if (field.AsInteger() != value) {
            field.SetAsInteger(value);
            changed = true;
        }
    };
    auto setBoolean = [&](const QString &name, bool value) {
        TField &field = t.FieldByName(name);
        if (field.AsBoolean() != value) {
            field.SetAsBoolean(value);
            changed = true;
        }
    };
    // Compared as the field would keep it, so a text cut to the field's size is not a change every time.
    auto setText = [&](const QString &name, const QByteArray &value) {
        TField &field = t.FieldByName(name);
        const QByteArray kept = Sjis::cutToBytes(value, field.Size());
        if (field.AsString() != kept) {
            field.SetAsString(kept);
            changed = true;
        }
    };

    if (chkGroup->isChecked())
        setInteger(QStringLiteral("Group"), values.Group);
    if (chkGetJisCode->isChecked()) {
        const auto part = [&t](const char *name) { return t.FieldByName(QLatin1String(name)).AsString(); };
        const QByteArray address =
            JoinAddressParts<QByteArray>({part("Tdfkn"), part("Adrs1"), part("Adrs2"), part("Adrs3")});
        if (address.isEmpty()) {
            setText(QStringLiteral("JisCode"), QByteArray());
            setText(QStringLiteral("KajoCode"), QByteArray());
        } else if (FAdrsSearch->Search(address) == 0) {
            const TContinualAdrsResult &found = FAdrsSearch->GetResult(false);
            setText(QStringLiteral("JisCode"), FieldText(found.JisCode));
            setText(QStringLiteral("KajoCode"), FieldText(found.TownCode));
        }
    }
    if (chkPrivCorp->isChecked())
        setBoolean(QStringLiteral("PrivCorp"), values.PrivCorp);
    if (chkIgnoreName->isChecked())
        setBoolean(QStringLiteral("IgnoreName"), values.IgnoreName);
    if (chkCategory->isChecked()) {
        TField &main = t.FieldByName(QStringLiteral("CodeMain"));
        if (main.AsInteger() != values.CodeMain) {
            main.SetAsInteger(values.CodeMain);
            t.FieldByName(QStringLiteral("CodeSub")).SetAsInteger(values.CodeSub);
            changed = true;
        } else {
            setInteger(QStringLiteral("CodeSub"), values.CodeSub);
        }
    }
    if (chkPrintTarget->isChecked())
        setInteger(QStringLiteral("PrintTarget"), values.PrintTarget);
    if (chkSender->isChecked())
        setInteger(QStringLiteral("Sender"), values.Sender);
    for (int i = 0; i < 8; ++i)
        if (chkKeyword[i]->isChecked())
            setText(KeywordFields[i], values.Keyword[i]);
    if (chkSymbolMark->isChecked())
        setText(QStringLiteral("SymbolMark"), values.SymbolMark);
    if (chkSymbolColor->isChecked())
        setInteger(QStringLiteral("SymbolColor"), values.SymbolColor);
    return changed;
}

// One selected record, changed inside the run's transaction: true when it was stored. A refused post leaves the
// record as it was and is counted.
bool TBatchChange::changeRecord(TTable &t, const TAddressRecord &values, TRunOutcome &outcome)
{
    t.Edit();
    if (!applyChanges(t, values)) {
        t.Cancel();
        return false;
    }
    t.FieldByName(QStringLiteral("UpdDateTime")).SetAsDateTime(now());
    try {
        t.Post();
        return true;
    } catch (const EDatabaseError &e) {
        t.Cancel();
        ++outcome.Failed;
        outcome.Refusal.emplace(e);
        // An engine that gave up the whole transaction has lost the records before this one too.
        if (!t.InTransaction())
            throw;
        return false;
    }
}

// All records are changed in one transaction: a stop, a failure or a crash leaves the book as it was. A record
// that is gone ends the run, keeping the records changed before it.
TBatchChange::TRunOutcome TBatchChange::runChange()
{
    TRunOutcome outcome;
    if (chkGetJisCode->isChecked()) {
        try {
            FAdrsSearch = makeAddressSearch();
        } catch (const EContinualAdrsSearchError &e) {
            outcome.End = TRunEnd::Failed;
            outcome.Error = e.Message;
            return outcome;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    running_ = true;
    const auto finalStep = qScopeGuard([this] {
        FAdrsSearch.reset();
        QApplication::restoreOverrideCursor();
        running_ = false;
    });

    TAddressList &list = *owner_;
    struct TTarget {
        int Index;
        int32_t RecNo;
    };
    std::vector<TTarget> targets;
    targets.reserve(list.GetSelectedCount());
    for (int i = list.GetSelectedIndex(), last = list.GetLastSelectedIndex(); i >= 0 && i <= last; ++i)
        if (list.IsSelected(i))
            targets.push_back({i, list.GetRecNoAt(i)});
    std::vector<int32_t> changed(targets.size(), 0);
    // The change of the record the record form shows, given to the form once it is stored.
    std::optional<TAddressRecord> shownChange;
    const TAddressRecord values = BuildRecord();
    TTable &t = *DMMirvale18->AdrsTable;

    QProgressDialog progress(QStringLiteral("選択したデータを変更しています..."), QString(), 0,
                             static_cast<int>(targets.size()), this);
    progress.setObjectName(QStringLiteral("ProgressDialog"));
    progress.setWindowTitle(AppTitle);
    auto *btnStop = Named<QPushButton>("btnStop", QStringLiteral("中止"), &progress);
    progress.setCancelButton(btnStop);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    connect(&progress, &QProgressDialog::canceled, this, [this] { stopRequested_ = true; });
    QDeadlineTimer nextPump;  // expired: the first record shows the progress at once

    try {
        t.StartTransaction();
        for (size_t p = 0; p < targets.size() && outcome.End == TRunEnd::Completed; ++p) {
            if (!t.IndexName().isEmpty())
                t.SetIndexName(QString());
            if (!t.FindKey({targets[p].RecNo})) {
                outcome.End = TRunEnd::MissingRecord;
                break;
            }
            if (changeRecord(t, values, outcome)) {
                changed[p] = targets[p].RecNo;
                if (targets[p].Index == list.CurrentIndex && RecordForm && RecordForm->GetRecNo() == targets[p].RecNo) {
                    shownChange = values;
                    shownChange->RecNo = targets[p].RecNo;
                    shownChange->JisCode = t.FieldByName(QStringLiteral("JisCode")).AsString();
                    shownChange->KajoCode = t.FieldByName(QStringLiteral("KajoCode")).AsString();
                    shownChange->UpdDateTime = t.FieldByName(QStringLiteral("UpdDateTime")).AsDateTime();
                }
            }
            if (nextPump.hasExpired()) {
                progress.setValue(static_cast<int>(p + 1));
                QCoreApplication::processEvents();
                nextPump.setRemainingTime(PumpIntervalMs);
            }
            if (stopRequested_)
                outcome.End = TRunEnd::Stopped;
        }
        if (outcome.End == TRunEnd::Stopped)
            t.Rollback();
        else
            t.Commit();
    } catch (const EDatabaseError &e) {
        outcome.End = TRunEnd::Failed;
        outcome.Error = e.Message;
    } catch (const EContinualAdrsSearchError &e) {
        outcome.End = TRunEnd::Failed;
        outcome.Error = e.Message;
    } catch (...) {
        // Whatever else ends the run must not leave the transaction open for later writes to join.
        t.Rollback();
        throw;
    }
    if (outcome.End == TRunEnd::Failed) {
        try {
            t.Rollback();
        } catch (const EDatabaseError &e) {
            outcome.Error += QStringLiteral("\r\n") + e.Message;
        }
        return outcome;
    }
    if (outcome.End == TRunEnd::Stopped)
        return outcome;

    const bool anyChanged = std::any_of(changed.begin(), changed.end(), [](int32_t recNo) { return recNo != 0; });
    if (shownChange && RecordForm && RecordForm->GetRecNo() == shownChange->RecNo)
        if (auto *form = dynamic_cast<TDataInquiry *>(RecordForm))
            form->ApplyBatchChange(*shownChange, checkedFlags());
    if (outcome.End == TRunEnd::Completed) {
        if (anyChanged)
            t.FlushBuffers();
        ChangedRecNos = std::move(changed);
    }
    return outcome;
}

void TBatchChange::btnStartClick()
{
    if (running_)
        return;
    if (ShowMessageBoxAt(this, QStringLiteral("一覧で選択したデータを、設定した内容で変更します  \r\nよろしいですか？  "),
                         AppTitle, MB_ICONQUESTION | MB_YESNO)
        != IDYES)
        return;
    stopRequested_ = false;
    const TWindowWork work(this, [this] { stopRequested_ = true; });
    const TRunOutcome outcome = runChange();
    switch (outcome.End) {
    case TRunEnd::Stopped:
        // The run is one transaction, so a stop leaves every record as it was: say so, as the copy does, unless
        // the dialog was closed meanwhile and goes.
        if (!work.CloseAsked())
            ShowMessageBoxAt(this, QStringLiteral("一括編集を中止しました  \r\nアドレス帳は変更されていません  "),
                             AppTitle, MB_ICONINFORMATION);
        return;
    case TRunEnd::Failed:
        ShowMessageBoxAt(this, outcome.Error, AppTitle, MB_ICONERROR);
        return;
    case TRunEnd::MissingRecord:
        ShowMessageBoxAt(this, QStringLiteral("アドレス帳が読み出せませんでした  "), AppTitle, MB_ICONINFORMATION);
        break;
    case TRunEnd::Completed:
        break;
    }
    if (outcome.Failed > 0)
        ShowMessageBoxAt(this,
                         DatabaseErrorText(QStringLiteral("%1件のデータを変更できませんでした  ").arg(outcome.Failed),
                                           outcome.Refusal),
                         AppTitle, MB_ICONWARNING);
    if (outcome.End == TRunEnd::Completed)
        accept();
}

// ---- The command ----

void ExecuteBatchChange(TAddressList *list)
{
    // A record form the user keeps open (キャンセル on its unsaved changes) keeps the batch change from
    // running: its save would later write the old values back over the change.
    if (RecordForm) {
        RecordForm->FormWindow()->close();
        if (RecordForm)
            return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TBatchChange dialog(list);
    CenterFormOnOwner(&dialog, list);
    QApplication::restoreOverrideCursor();
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    const int first = list->GetSelectedIndex();
    list->RefreshList(false, true, true);
    list->SelectItem(first, false, true);
}

void RegisterBatchChange()
{
    RunBatchChange = [](TAddressList *list) { ExecuteBatchChange(list); };
}
