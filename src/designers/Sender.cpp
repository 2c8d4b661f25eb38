#include "designers/Sender.h"

#include "designers/NameReadingPopup.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Trim.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/Hyphen.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "geo/DicSch.h"
#include "platform/CustomEvents.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "records/EntryHelpers.h"
#include "records/InputLst.h"
#include "records/UniNMDEdit.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString SenderSection = QStringLiteral("SENDER");
const QString SenderIniName = QStringLiteral("Sender.ini");
constexpr int UnsetPosition = 0x7FFFFFFF;

QByteArray trimmed(const QLineEdit *edit) { return Sjis::encode(TrimBlanks(edit->text())); }
QByteArray trimmed(const QComboBox *combo) { return Sjis::encode(TrimBlanks(combo->currentText())); }

// A stored postal code as the window shows it: three digits, a hyphen and the rest for 5 and 7 digits.
QString postalCodeText(const QByteArray &digits)
{
    if (digits.size() == 5 || digits.size() == 7)
        return QString::fromLatin1(digits.left(3) + "-" + digits.mid(3));
    return Sjis::decode(digits);
}

QString phoneText(const QByteArray &digits) { return Sjis::decode(HyphenatePhone(digits)); }


}  // namespace

TSenderForm::TSenderForm(QWidget *owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("差出人の編集"));
    setProperty("HelpContext", 76);
    buildControls();
    const auto edits = nameEdits();
    NamePopup = std::make_unique<TNameReadingPopup>(this, std::vector<TUniNMDEdit *>(edits.begin(), edits.end()));
    FormCreate();
}

TSenderForm::~TSenderForm()
{
    DisconnectChildControls(this);
    if (SenderForm == this)
        SenderForm = nullptr;
}

TTable &TSenderForm::table() const { return *DMMirvale18->SenderTable; }

std::array<TUniNMDEdit *, 6> TSenderForm::nameEdits() const
{
    return {edName, edJoint[0], edJoint[1], edJoint[2], edJoint[3], edJoint[4]};
}

std::vector<TSenderForm::TTextField> TSenderForm::textFields() const
{
    std::vector<TTextField> fields = {
        {QStringLiteral("Title"), edTitle, QStringLiteral("登録名")},
        {QStringLiteral("Name"), edName, QStringLiteral("名前")},
        {QStringLiteral("Tel"), edTel, QStringLiteral("TEL")},
        {QStringLiteral("Fax"), edFax, QStringLiteral("FAX")},
        {QStringLiteral("Pos"), edPos, QStringLiteral("〒")},
        {QStringLiteral("Tdfkn"), edTdfkn, QStringLiteral("住所")},
        {QStringLiteral("Corp"), edCorp, QStringLiteral("会社名")},
        {QStringLiteral("Dptmnt"), cbxDptmnt, QStringLiteral("部署")},
        {QStringLiteral("Post"), cbxPost, QStringLiteral("役職")}};
    // The rest have no label of their own: their accessible names are what the user knows them by.
    const auto add = [&fields](const QString &column, QWidget *control) {
        fields.push_back({column, control, control->accessibleName()});
    };
    add(QStringLiteral("Adrs1"), edAdrs1);
    add(QStringLiteral("Adrs2"), edAdrs2);
    add(QStringLiteral("Adrs3"), edAdrs3);
    for (int i = 0; i < 5; ++i) {
        add(QStringLiteral("Joint%1").arg(i + 1), edJoint[i]);
        add(QStringLiteral("Note%1").arg(i + 1), edNote[i]);
    }
    for (int i = 0; i < 4; ++i) {
        add(QStringLiteral("Head%1").arg(i + 1), cbxHead[i]);
        add(QStringLiteral("Addition%1").arg(i + 1), edAddition[i]);
    }
    return fields;
}

// ---- Controls ----

void TSenderForm::buildControls()
{
    auto *root = new QVBoxLayout(this);
    auto *top = new QGridLayout;
    root->addLayout(top);
    const auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    const auto glyphButton = [this](const char *name, const char *glyph, const QString &accessible) {
        auto *b = Named<QPushButton>(name, EntryGlyph(glyph), QString(), this);
        b->setAccessibleName(accessible);
        // Reached by Tab and pressed by Space; a click leaves the caret in the field it searches from.
        b->setFocusPolicy(Qt::TabFocus);
        b->setAutoDefault(false);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return b;
    };
    const auto printToggle = [this](const char *name, const QString &caption) {
        auto *b = Named<QToolButton>(name, this);
        b->setCheckable(true);
        b->setText(caption);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAccessibleName(QStringLiteral("印刷対象 ") + caption);
        return b;
    };

    edTitle = Named<QLineEdit>("edTitle", this);
    edTitle->setPlaceholderText(QStringLiteral("標準"));
    ckbDefault = Named<QCheckBox>("ckbDefault", QStringLiteral("この差出人を標準にする"), this);
    top->addWidget(label(QStringLiteral("登録名"), edTitle), 0, 0);
    top->addWidget(edTitle, 0, 1, 1, 3);
    top->addWidget(ckbDefault, 0, 4, 1, 3);

    edName = Named<TUniNMDEdit>("edName", this);
    LimitToWholeCharacters(edName, 15);
    sbtnNamePrint = printToggle("sbtnNamePrint", QStringLiteral("本"));
    top->addWidget(label(QStringLiteral("名前"), edName), 1, 0);
    top->addWidget(edName, 1, 1, 1, 3);
    top->addWidget(sbtnNamePrint, 1, 4);

    edPos = Named<QLineEdit>("edPos", this);
    MakeHalfWidthField(edPos, 8);
    bbtnPosSearch = glyphButton("bbtnPosSearch", "POSSCH", QStringLiteral("郵便番号から住所を検索"));
    edTel = Named<QLineEdit>("edTel", this);
    MakeHalfWidthField(edTel, 13);
    bbtnTelSearch = glyphButton("bbtnTelSearch", "TELSCH", QStringLiteral("電話番号から検索"));
    edFax = Named<QLineEdit>("edFax", this);
    MakeHalfWidthField(edFax, 13);
    top->addWidget(label(QStringLiteral("〒"), edPos), 2, 0);
    top->addWidget(edPos, 2, 1);
    top->addWidget(bbtnPosSearch, 2, 2);
    top->addWidget(label(QStringLiteral("TEL"), edTel), 3, 0);
    top->addWidget(edTel, 3, 1);
    top->addWidget(bbtnTelSearch, 3, 2);
    top->addWidget(label(QStringLiteral("FAX"), edFax), 3, 3);
    top->addWidget(edFax, 3, 4, 1, 3);

    edTdfkn = Named<QLineEdit>("edTdfkn", this);
    edAdrs1 = Named<QLineEdit>("edAdrs1", this);
    edAdrs2 = Named<QLineEdit>("edAdrs2", this);
    edAdrs3 = Named<QLineEdit>("edAdrs3", this);
    // The label names the first part; the rest continue it.
    edAdrs1->setAccessibleName(QStringLiteral("住所２"));
    edAdrs2->setAccessibleName(QStringLiteral("住所３"));
    edAdrs3->setAccessibleName(QStringLiteral("住所４"));
    bbtnAddressSearch = glyphButton("bbtnAddressSearch", "ADRSSCH", QStringLiteral("住所から検索"));
    top->addWidget(label(QStringLiteral("住所"), edTdfkn), 4, 0);
    top->addWidget(edTdfkn, 4, 1);
    top->addWidget(edAdrs1, 4, 2, 1, 2);
    top->addWidget(bbtnAddressSearch, 4, 4);
    top->addWidget(edAdrs2, 5, 1, 1, 6);
    top->addWidget(edAdrs3, 6, 1, 1, 6);

    ckbHome = Named<QCheckBox>("ckbHome", QStringLiteral("連名を印刷する"), this);
    ckbCorp = Named<QCheckBox>("ckbCorp", QStringLiteral("会社情報を印刷する"), this);
    auto *choice = new QHBoxLayout;
    choice->addWidget(ckbHome);
    choice->addWidget(ckbCorp);
    choice->addStretch();
    root->addLayout(choice);

    pgcSender = Named<QTabWidget>("pgcSender", this);
    root->addWidget(pgcSender);
    tbsJoint = Named<QWidget>("tbsJoint");
    auto *joint = new QGridLayout(tbsJoint);
    joint->addWidget(new QLabel(QStringLiteral("連名"), tbsJoint), 0, 0);
    joint->addWidget(new QLabel(QStringLiteral("備考"), tbsJoint), 0, 1);
    joint->addWidget(new QLabel(QStringLiteral("印刷対象"), tbsJoint), 0, 2);
    for (int i = 0; i < 5; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        edJoint[i] = Named<TUniNMDEdit>(("edJoint" + n).constData(), tbsJoint);
        LimitToWholeCharacters(edJoint[i], 11);
        edJoint[i]->setAccessibleName(QStringLiteral("連名") + QString::number(i + 1));
        edNote[i] = Named<QLineEdit>(("edNote" + n).constData(), tbsJoint);
        edNote[i]->setAccessibleName(QStringLiteral("備考") + QString::number(i + 1));
        sbtnJointPrint[i] = printToggle(("sbtnJointPrint" + n).constData(), QString::number(i + 1));
        joint->addWidget(edJoint[i], i + 1, 0);
        joint->addWidget(edNote[i], i + 1, 1);
        joint->addWidget(sbtnJointPrint[i], i + 1, 2);
    }
    pgcSender->addTab(tbsJoint, QStringLiteral("連名"));

    tbsCorp = Named<QWidget>("tbsCorp");
    auto *corp = new QGridLayout(tbsCorp);
    edCorp = Named<QLineEdit>("edCorp", tbsCorp);
    cbxDptmnt = Named<QComboBox>("cbxDptmnt", tbsCorp);
    cbxPost = Named<QComboBox>("cbxPost", tbsCorp);
    for (QComboBox *c : {cbxDptmnt, cbxPost}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    bbtnDptmnt = glyphButton("bbtnDptmnt", "LISTEDIT", QStringLiteral("部署のリストを編集"));
    bbtnPost = glyphButton("bbtnPost", "LISTEDIT", QStringLiteral("役職のリストを編集"));
    corp->addWidget(label(QStringLiteral("会社名"), edCorp), 0, 0);
    corp->addWidget(edCorp, 0, 1, 1, 2);
    corp->addWidget(label(QStringLiteral("部署"), cbxDptmnt), 1, 0);
    corp->addWidget(cbxDptmnt, 1, 1);
    corp->addWidget(bbtnDptmnt, 1, 2);
    corp->addWidget(label(QStringLiteral("役職"), cbxPost), 2, 0);
    corp->addWidget(cbxPost, 2, 1);
    corp->addWidget(bbtnPost, 2, 2);
    corp->setRowStretch(3, 1);
    pgcSender->addTab(tbsCorp, QStringLiteral("会社"));

    tbsContact = Named<QWidget>("tbsContact");
    auto *contact = new QGridLayout(tbsContact);
    const QStringList rows = {QStringLiteral("１"), QStringLiteral("２"), QStringLiteral("３"), QStringLiteral("４")};
    for (int i = 0; i < 4; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        cbxHead[i] = Named<QComboBox>(("cbxHead" + n).constData(), tbsContact);
        cbxHead[i]->setEditable(true);
        cbxHead[i]->setInsertPolicy(QComboBox::NoInsert);
        cbxHead[i]->setAccessibleName(QStringLiteral("連絡先") + rows[i] + QStringLiteral("の見出し"));
        edAddition[i] = Named<QLineEdit>(("edAddition" + n).constData(), tbsContact);
        edAddition[i]->setAccessibleName(QStringLiteral("連絡先") + rows[i]);
        sbtnAdditionPrint[i] = printToggle(("sbtnAdditionPrint" + n).constData(), rows[i]);
        contact->addWidget(new QLabel(rows[i], tbsContact), i, 0);
        contact->addWidget(cbxHead[i], i, 1);
        contact->addWidget(edAddition[i], i, 2);
        contact->addWidget(sbtnAdditionPrint[i], i, 3);
    }
    contact->setColumnStretch(2, 1);
    pgcSender->addTab(tbsContact, QStringLiteral("連絡先"));

    auto *bottom = new QHBoxLayout;
    root->addLayout(bottom);
    const auto navigator = [this](const char *name, const char *glyph, const QString &accessible) {
        auto *b = Named<QToolButton>(name, this);
        b->setIcon(EntryGlyph(glyph));
        b->setAccessibleName(accessible);
        return b;
    };
    sbtnFirst = navigator("sbtnFirst", "LEFTEND", QStringLiteral("最初"));
    sbtnPrior = navigator("sbtnPrior", "LEFT", QStringLiteral("前"));
    lblNo = Named<QLabel>("lblNo", this);
    lblCount = Named<QLabel>("lblCount", this);
    sbtnNext = navigator("sbtnNext", "RIGHT", QStringLiteral("次"));
    sbtnLast = navigator("sbtnLast", "RIGHTEND", QStringLiteral("最後"));
    bottom->addWidget(sbtnFirst);
    bottom->addWidget(sbtnPrior);
    bottom->addWidget(lblNo);
    bottom->addWidget(new QLabel(QStringLiteral("/"), this));
    bottom->addWidget(lblCount);
    bottom->addWidget(sbtnNext);
    bottom->addWidget(sbtnLast);
    bottom->addStretch();
    bbtnNew = Named<QPushButton>("bbtnNew", QStringLiteral("新規"), this);
    bbtnDelete = Named<QPushButton>("bbtnDelete", QStringLiteral("削除"), this);
    btnChoice = Named<QPushButton>("btnChoice", QStringLiteral("選択"), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    for (QPushButton *b : {bbtnNew, bbtnDelete, btnChoice, btnClose}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }

    connect(edTitle, &QLineEdit::textChanged, this, &TSenderForm::edTitleChange);
    connect(edTitle, &QLineEdit::editingFinished, this, &TSenderForm::edTitleExit);
    for (QLineEdit *e : {edPos, edTdfkn, edAdrs1, edAdrs2, edAdrs3, edCorp, static_cast<QLineEdit *>(edName)})
        connect(e, &QLineEdit::textChanged, this, &TSenderForm::DataChange);
    connect(edTel, &QLineEdit::textChanged, this, &TSenderForm::edTelChange);
    connect(edFax, &QLineEdit::textChanged, this, &TSenderForm::edFaxChange);
    for (int i = 0; i < 5; ++i) {
        connect(edJoint[i], &QLineEdit::textChanged, this, &TSenderForm::DataChange);
        connect(edNote[i], &QLineEdit::textChanged, this, &TSenderForm::DataChange);
    }
    for (int i = 0; i < 4; ++i) {
        connect(edAddition[i], &QLineEdit::textChanged, this, &TSenderForm::DataChange);
        connect(cbxHead[i], &QComboBox::editTextChanged, this, &TSenderForm::DataChange);
        connect(cbxHead[i], &QComboBox::activated, this, [this, i] { cbxHeadClick(i); });
        connect(sbtnAdditionPrint[i], &QToolButton::clicked, this, [this, i] { sbtnAdditionPrintClick(i); });
    }
    for (QComboBox *c : {cbxDptmnt, cbxPost})
        connect(c, &QComboBox::editTextChanged, this, &TSenderForm::DataChange);
    for (QToolButton *b : {sbtnNamePrint, sbtnJointPrint[0], sbtnJointPrint[1], sbtnJointPrint[2], sbtnJointPrint[3],
                           sbtnJointPrint[4]})
        connect(b, &QToolButton::clicked, this, [this, b] { sbtnPrintClick(b); });
    connect(ckbDefault, &QCheckBox::clicked, this, &TSenderForm::ckbDefaultClick);
    connect(ckbHome, &QCheckBox::clicked, this, [this] { ckbSelInfoClick(0); });
    connect(ckbCorp, &QCheckBox::clicked, this, [this] { ckbSelInfoClick(1); });
    for (TUniNMDEdit *edit : nameEdits()) {
        connect(edit, &TUniNMDEdit::OnConvertNeed, this,
                [this](QObject *sender, TNameDicKind kind, bool show, const QByteArray &value) {
                    NamePopup->ConvertNeed(sender, kind, show, value);
                });
        connect(
            edit, &TUniNMDEdit::OnConvertKeyDown, this,
            [this](QObject *, quint32 &key, bool &handled) { NamePopup->ConvertKeyDown(key, handled); },
            Qt::DirectConnection);
    }
    connect(bbtnNew, &QPushButton::clicked, this, &TSenderForm::bbtnNewClick);
    connect(bbtnDelete, &QPushButton::clicked, this, &TSenderForm::bbtnDeleteClick);
    connect(btnChoice, &QPushButton::clicked, this, &TSenderForm::btnChoiceClick);
    connect(btnClose, &QPushButton::clicked, this, &TSenderForm::reject);
    connect(bbtnTelSearch, &QPushButton::clicked, this, [this] { bbtnSearchClick(0); });
    connect(bbtnPosSearch, &QPushButton::clicked, this, [this] { bbtnSearchClick(1); });
    connect(bbtnAddressSearch, &QPushButton::clicked, this, [this] { bbtnSearchClick(2); });
    connect(bbtnDptmnt, &QPushButton::clicked, this, [this] { bbtnEditListClick(0); });
    connect(bbtnPost, &QPushButton::clicked, this, [this] { bbtnEditListClick(1); });
    connect(sbtnFirst, &QToolButton::clicked, this, [this] { moveTo(&TTable::First); });
    connect(sbtnPrior, &QToolButton::clicked, this, [this] { moveTo(&TTable::Prior); });
    connect(sbtnNext, &QToolButton::clicked, this, [this] { moveTo(&TTable::Next); });
    connect(sbtnLast, &QToolButton::clicked, this, [this] { moveTo(&TTable::Last); });

    // The other texts hold no more Shift-JIS bytes than their columns, cut with a word at the field as in the
    // record form (the names count their characters and the numbers their digits and hyphens, set above).
    for (const TTextField &f : textFields()) {
        auto *combo = qobject_cast<QComboBox *>(f.control);
        QLineEdit *edit = combo ? combo->lineEdit() : static_cast<QLineEdit *>(f.control);
        if (!edit->validator())
            edit->setValidator(new TShiftJisValidator(SenderFieldSize(f.column), f.control));
    }

    // Enter moves on through the fields.
    for (QWidget *w : findChildren<QWidget *>())
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QCheckBox *>(w))
            w->installEventFilter(this);
}

// ---- Creation and showing ----

void TSenderForm::FormCreate()
{
    LoadSettings();
    pgcSender->setCurrentWidget(tbsJoint);
    for (QComboBox *c : cbxHead) {
        c->addItems(SenderHeadItems);
        c->setCurrentIndex(0);
    }
    Modified = TitleChanged = Loading = false;
    TTable &t = table();
    t.SetIndexName(QString());
    try {
        if (!t.IsEmpty()) {
            t.Last();
            LastNo = std::max(LastNo, t.FieldByName(QStringLiteral("RecNo")).AsInteger());
        } else {
            appendRow(NewSenderRecord(1, NewSenderTitle(t)));
            LastNo = 1;
        }
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, DatabaseErrorText(QStringLiteral("差出人情報の作成に失敗しました  "), e), AppTitle,
                         MB_ICONERROR);
        return;
    }
    if (DefaultSenderNo == 0) {
        t.First();
        DefaultSenderNo = t.FieldByName(QStringLiteral("RecNo")).AsInteger();
    }
    lblCount->setText(QString::number(t.RecordCount()));
    FillDptmntList();
    FillPostList();
    for (QToolButton *b : {sbtnNamePrint, sbtnJointPrint[0], sbtnJointPrint[1], sbtnJointPrint[2], sbtnJointPrint[3],
                           sbtnJointPrint[4]})
        b->setEnabled(false);
    created_ = true;
}

void TSenderForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TSenderForm::FormShow()
{
    if (!created_)
        return;
    TTable &t = table();
    t.SetIndexName(QString());
    if (!t.FindKey({SenderNo})) {
        if (!t.FindKey({DefaultSenderNo})) {
            t.First();
            DefaultSenderNo = t.FieldByName(QStringLiteral("RecNo")).AsInteger();
        }
        SenderNo = t.FieldByName(QStringLiteral("RecNo")).AsInteger();
    }
    ShowRecord();
    edName->setCursorPosition(int(edName->text().size()));
    edName->setFocus();
}

void TSenderForm::LoadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const int left = ini.ReadInteger(SenderSection, QStringLiteral("Left"), UnsetPosition);
    const int top = ini.ReadInteger(SenderSection, QStringLiteral("Top"), UnsetPosition);
    if (left != UnsetPosition && top != UnsetPosition)
        move(ScaleByDpi(left, true), ScaleByDpi(top, true));
    else
        CenterFormOnOwner(this, nullptr);
    LastNo = TMemIniFile(DataRootFolder + SenderIniName).ReadInteger(SenderSection, QStringLiteral("LastNo"), 0);
}

void TSenderForm::SaveSettings()
{
    try {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger(SenderSection, QStringLiteral("Left"), ScaleByDpi(pos().x(), false));
        ini.WriteInteger(SenderSection, QStringLiteral("Top"), ScaleByDpi(pos().y(), false));
        ini.UpdateFile();
        TMemIniFile sender(DataRootFolder + SenderIniName);
        sender.WriteInteger(SenderSection, QStringLiteral("Default"), DefaultSenderNo);
        sender.WriteInteger(SenderSection, QStringLiteral("LastNo"), LastNo);
        sender.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONWARNING);
    }
}

// ---- The row shown ----

void TSenderForm::ShowRecord()
{
    Loading = true;
    const auto done = qScopeGuard([this] { Loading = false; });
    TTable &t = table();
    const TSenderRecord r = ReadSenderRecord(t);
    ckbDefault->setChecked(r.RecNo == DefaultSenderNo);
    SetCaptionColour(ckbDefault, ckbDefault->isChecked());
    edTitle->setText(Sjis::decode(r.Title));
    edName->setText(EscapedAnsiToWide(r.Name));
    edTel->setText(phoneText(r.Tel));
    edFax->setText(phoneText(r.Fax));
    edPos->setText(postalCodeText(r.Pos));
    edTdfkn->setText(Sjis::decode(r.Tdfkn));
    edAdrs1->setText(Sjis::decode(r.Adrs1));
    edAdrs2->setText(Sjis::decode(r.Adrs2));
    edAdrs3->setText(Sjis::decode(r.Adrs3));
    for (int i = 0; i < 5; ++i) {
        edJoint[i]->setText(EscapedAnsiToWide(r.Joint[i]));
        edNote[i]->setText(Sjis::decode(r.Note[i]));
    }
    edCorp->setText(Sjis::decode(r.Corp));
    ckbHome->setChecked(r.SelectInfo == 1);
    ckbCorp->setChecked(r.SelectInfo == 2);
    SetCaptionColour(ckbHome, ckbHome->isChecked());
    SetCaptionColour(ckbCorp, ckbCorp->isChecked());
    if (pgcSender->currentWidget() != tbsContact)
        pgcSender->setCurrentWidget(r.SelectInfo == 2 ? tbsCorp : tbsJoint);
    sbtnNamePrint->setChecked(r.NamePrint);
    sbtnNamePrint->setEnabled(ckbHome->isChecked());
    UpdatePrintGlyph(sbtnNamePrint);
    for (int i = 0; i < 5; ++i) {
        sbtnJointPrint[i]->setChecked(r.JointPrint[i]);
        sbtnJointPrint[i]->setEnabled(ckbHome->isChecked());
        UpdatePrintGlyph(sbtnJointPrint[i]);
    }
    for (auto [combo, value] : {std::pair{cbxDptmnt, r.Dptmnt}, std::pair{cbxPost, r.Post}}) {
        const QString text = Sjis::decode(value);
        const int found = combo->findText(text, Qt::MatchExactly);
        combo->setCurrentIndex(found);
        combo->setEditText(text);
    }
    AdditionPrintCount = 0;
    const QByteArray telDigits = KeepNumberChars(trimmed(edTel), NumberChars::Digits);
    const QByteArray faxDigits = KeepNumberChars(trimmed(edFax), NumberChars::Digits);
    for (int i = 0; i < 4; ++i) {
        const QString head = Sjis::decode(r.Head[i]);
        cbxHead[i]->setCurrentIndex(-1);
        cbxHead[i]->setEditText(head);
        const int entry = int(SenderHeadItems.indexOf(head));
        if (entry > 0)
            cbxHead[i]->setCurrentIndex(entry);
        QString addition = Sjis::decode(r.Addition[i]);
        if ((entry == 1 || entry == 3) && !r.Addition[i].isEmpty() && r.Addition[i] == telDigits)
            addition = edTel->text();
        else if (entry == 2 && !r.Addition[i].isEmpty() && r.Addition[i] == faxDigits)
            addition = edFax->text();
        edAddition[i]->setText(addition);
        const bool down = r.AdditionPrint[i] && AdditionPrintCount < 2;
        sbtnAdditionPrint[i]->setChecked(down);
        AdditionPrintCount += down ? 1 : 0;
        UpdatePrintGlyph(sbtnAdditionPrint[i]);
    }
    const int position = SenderRowPosition(t, r.RecNo);
    const int count = t.RecordCount();
    t.FindKey({r.RecNo});
    lblNo->setText(QString::number(position));
    lblCount->setText(QString::number(count));
    sbtnFirst->setEnabled(position != 1);
    sbtnPrior->setEnabled(position != 1);
    sbtnNext->setEnabled(position != count);
    sbtnLast->setEnabled(position != count);
    Modified = false;
}

TSenderRecord TSenderForm::recordFromControls() const
{
    TSenderRecord r;
    r.RecNo = SenderNo;
    r.Title = trimmed(edTitle);
    r.Name = WideToEscapedAnsi(TrimBlanks(edName->text()));
    r.Tel = KeepNumberChars(trimmed(edTel), NumberChars::Digits);
    r.Fax = KeepNumberChars(trimmed(edFax), NumberChars::Digits);
    r.Pos = KeepNumberChars(trimmed(edPos), NumberChars::Digits);
    r.Tdfkn = trimmed(edTdfkn);
    r.Adrs1 = trimmed(edAdrs1);
    r.Adrs2 = trimmed(edAdrs2);
    r.Adrs3 = trimmed(edAdrs3);
    r.SelectInfo = ckbHome->isChecked() ? 1 : ckbCorp->isChecked() ? 2 : 0;
    for (int i = 0; i < 5; ++i) {
        r.Joint[i] = WideToEscapedAnsi(TrimBlanks(edJoint[i]->text()));
        r.Note[i] = trimmed(edNote[i]);
        r.JointPrint[i] = sbtnJointPrint[i]->isChecked();
    }
    r.NamePrint = sbtnNamePrint->isChecked();
    r.Corp = trimmed(edCorp);
    r.Dptmnt = trimmed(cbxDptmnt);
    r.Post = trimmed(cbxPost);
    for (int i = 0; i < 4; ++i) {
        r.Head[i] = trimmed(cbxHead[i]);
        const int entry = int(SenderHeadItems.indexOf(cbxHead[i]->currentText()));
        const QLineEdit *number = entry == 1 || entry == 3 ? edTel : entry == 2 ? edFax : nullptr;
        // A row that shows the number itself keeps the digits, so it follows the number.
        r.Addition[i] = number && edAddition[i]->text() == number->text()
                            ? KeepNumberChars(trimmed(number), NumberChars::Digits)
                            : trimmed(edAddition[i]);
        r.AdditionPrint[i] = sbtnAdditionPrint[i]->isChecked();
    }
    return r;
}

bool TSenderForm::SaveRecord()
{
    if (TrimBlanks(edTitle->text()).isEmpty()) {
        ShowMessageBoxAt(this, QStringLiteral("登録名を入力してください  "), AppTitle, MB_ICONINFORMATION);
        edTitle->setCursorPosition(int(edTitle->text().size()));
        edTitle->setFocus();
        return false;
    }
    // A value the table cannot hold whole (a row stored longer before, a number of too many digits) is refused
    // before the row is touched, never cut to fit, and its field is named and shown.
    const TSenderRecord record = recordFromControls();
    if (const QStringList overlong = OverlongSenderFields(record); !overlong.isEmpty()) {
        const auto fields = textFields();
        const TTextField &field = *std::find_if(fields.begin(), fields.end(),
                                                [&overlong](const TTextField &f) { return f.column == overlong[0]; });
        const bool number = field.control == edTel || field.control == edFax || field.control == edPos;
        const QString reason = number ? QStringLiteral("「%1」の桁数が多すぎます  ").arg(field.caption)
                                      : QStringLiteral("「%1」の文字数が多すぎます  ").arg(field.caption);
        ShowMessageBoxAt(this, QStringLiteral("保存できませんでした  \r\n\r\n") + reason, AppTitle, MB_ICONERROR);
        if (pgcSender->isAncestorOf(field.control))
            pgcSender->setCurrentWidget(field.control->parentWidget());
        field.control->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(field.control))
            edit->selectAll();
        return false;
    }
    TTable &t = table();
    try {
        t.FindKey({SenderNo});
        t.Edit();
        try {
            WriteSenderRecord(t, record);
            AddDptmntHistory();
            AddPostHistory();
            t.Post();
            t.FlushBuffers();
        } catch (...) {
            t.Cancel();
            throw;
        }
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, QStringLiteral("保存できませんでした  \r\n\r\n") + DatabaseErrorDetail(e), AppTitle,
                         MB_ICONERROR);
        return false;
    }
    Modified = false;
    return true;
}

bool TSenderForm::CheckDuplicateTitle()
{
    // The box takes the focus from the title, whose exit would check it again under the box: a press of a button
    // that takes no focus asks once. The caller records the answer.
    TitleChanged = false;
    TTable &t = table();
    const QByteArray title = trimmed(edTitle);
    bool found = false;
    t.Scan({QStringLiteral("RecNo"), QStringLiteral("Title")}, true, [&](const QVariantList &v) {
        if (!found && v[0].toLongLong() != SenderNo && v[1].toByteArray() == title)
            found = true;
    });
    if (found)
        ShowMessageBoxAt(this, QStringLiteral("おなじ登録名が存在します．別の登録名を入力してください  "), AppTitle,
                         MB_ICONINFORMATION);
    t.FindKey({SenderNo});
    return found;
}

bool TSenderForm::LeaveRow()
{
    if (!Modified)
        return true;
    if (TitleChanged) {
        TitleChanged = CheckDuplicateTitle();
        if (TitleChanged) {
            edTitle->selectAll();
            edTitle->setFocus();
            return false;
        }
    }
    return SaveRecord();
}

void TSenderForm::moveTo(void (TTable::*step)())
{
    if (!LeaveRow())
        return;
    TTable &t = table();
    t.FindKey({SenderNo});
    (t.*step)();
    SenderNo = t.FieldByName(QStringLiteral("RecNo")).AsInteger();
    ShowRecord();
}

// ---- Change handlers ----

void TSenderForm::edTitleChange()
{
    if (Loading)
        return;
    TitleChanged = true;
    Modified = true;
}

void TSenderForm::edTitleExit()
{
    if (TitleChanged)
        TitleChanged = CheckDuplicateTitle();
}

void TSenderForm::DataChange()
{
    if (!Loading)
        Modified = true;
}

void TSenderForm::edTelChange()
{
    if (Loading)
        return;
    Modified = true;
    for (int i = 0; i < 4; ++i) {
        const int entry = int(SenderHeadItems.indexOf(cbxHead[i]->currentText()));
        if (entry == 1 || entry == 3)
            edAddition[i]->setText(edTel->text());
    }
}

void TSenderForm::edFaxChange()
{
    if (Loading)
        return;
    Modified = true;
    for (int i = 0; i < 4; ++i)
        if (SenderHeadItems.indexOf(cbxHead[i]->currentText()) == 2)
            edAddition[i]->setText(edFax->text());
}

void TSenderForm::cbxHeadClick(int tag)
{
    const QString tel = Sjis::decode(KeepNumberChars(trimmed(edTel), NumberChars::Digits | NumberChars::Minus));
    const QString fax = Sjis::decode(KeepNumberChars(trimmed(edFax), NumberChars::Digits | NumberChars::Minus));
    if (!tel.isEmpty() || !fax.isEmpty()) {
        const int entry = cbxHead[tag]->currentIndex();
        QLineEdit *row = edAddition[tag];
        if (entry == 1 || entry == 3)
            row->setText(tel);
        else if (entry == 2)
            row->setText(fax);
        else if (!row->text().isEmpty() && (row->text() == tel || row->text() == fax))
            row->clear();
    }
    Modified = true;
}

void TSenderForm::UpdatePrintGlyph(QToolButton *button)
{
    button->setIcon(EntryGlyph(button->isChecked() ? "PRINTER" : "NOPRINT"));
}

void TSenderForm::sbtnPrintClick(QToolButton *button)
{
    UpdatePrintGlyph(button);
    Modified = true;
}

void TSenderForm::sbtnAdditionPrintClick(int tag)
{
    QToolButton *button = sbtnAdditionPrint[tag];
    if (!button->isChecked()) {
        --AdditionPrintCount;
    } else if (AdditionPrintCount < 2) {
        ++AdditionPrintCount;
    } else {
        // At most two contact rows are printed: the highest-numbered other one gives way.
        for (int i = 3; i >= 0; --i) {
            if (i != tag && sbtnAdditionPrint[i]->isChecked()) {
                sbtnAdditionPrint[i]->setChecked(false);
                UpdatePrintGlyph(sbtnAdditionPrint[i]);
                break;
            }
        }
    }
    UpdatePrintGlyph(button);
    Modified = true;
}

void TSenderForm::ckbDefaultClick()
{
    SetCaptionColour(ckbDefault, ckbDefault->isChecked());
    if (!Loading && ckbDefault->isChecked())
        DefaultSenderNo = SenderNo;
}

void TSenderForm::ckbSelInfoClick(int tag)
{
    QCheckBox *clicked = tag == 0 ? ckbHome : ckbCorp;
    QCheckBox *other = tag == 0 ? ckbCorp : ckbHome;
    if (!Loading) {
        if (clicked->isChecked())
            other->setChecked(false);
        Modified = true;
    }
    SetCaptionColour(ckbHome, ckbHome->isChecked());
    SetCaptionColour(ckbCorp, ckbCorp->isChecked());
    for (QToolButton *b : {sbtnNamePrint, sbtnJointPrint[0], sbtnJointPrint[1], sbtnJointPrint[2], sbtnJointPrint[3],
                           sbtnJointPrint[4]})
        b->setEnabled(ckbHome->isChecked());
}

// ---- New, delete, choice ----

void TSenderForm::appendRow(const TSenderRecord &record)
{
    TTable &t = table();
    t.Append();
    try {
        WriteSenderRecord(t, record);
        t.Post();
        t.FlushBuffers();
    } catch (...) {
        t.Cancel();
        throw;
    }
}

void TSenderForm::bbtnNewClick()
{
    if (!LeaveRow())
        return;
    TTable &t = table();
    try {
        appendRow(NewSenderRecord(LastNo + 1, NewSenderTitle(t)));
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, DatabaseErrorText(QStringLiteral("差出人情報の作成に失敗しました  "), e), AppTitle,
                         MB_ICONERROR);
        t.FindKey({SenderNo});
        return;
    }
    SenderNo = ++LastNo;
    t.FindKey({SenderNo});
    ShowRecord();
    edName->setFocus();
}

void TSenderForm::bbtnDeleteClick()
{
    const QString question = QStringLiteral("差出人'") + TrimBlanks(edTitle->text()) + QStringLiteral("'を削除します  ") +
                             QStringLiteral("\r\n") + QStringLiteral("よろしいですか？");
    if (ShowMessageBoxAt(this, question, AppTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDNO)
        return;
    TTable &t = table();
    t.FindKey({SenderNo});
    if (t.RecordCount() > 1) {
        const bool wasDefault = SenderNo == DefaultSenderNo;
        try {
            t.Delete();
            t.FlushBuffers();
        } catch (const EDatabaseError &) {
            ShowMessageBoxAt(this, QStringLiteral("削除できませんでした  "), AppTitle, MB_ICONERROR);
            return;
        }
        t.FindNearest({SenderNo});
        if (t.Eof())
            t.Last();
        SenderNo = t.FieldByName(QStringLiteral("RecNo")).AsInteger();
        if (wasDefault)
            DefaultSenderNo = SenderNo;
    } else {
        // The table keeps one row: it is emptied under its own number. Address records carry sender numbers,
        // so a number the row never had would take over the records of a sender deleted long ago, and the
        // records of this one would lose it.
        TSenderRecord empty = NewSenderRecord(SenderNo, Sjis::encode(u"差出人1"));
        t.Edit();
        try {
            WriteSenderRecord(t, empty);
            t.Post();
            t.FlushBuffers();
        } catch (const EDatabaseError &) {
            t.Cancel();
            ShowMessageBoxAt(this, QStringLiteral("クリアできませんでした  "), AppTitle, MB_ICONERROR);
            return;
        }
        DefaultSenderNo = SenderNo;
        AdditionPrintCount = 0;
    }
    ShowRecord();
}

void TSenderForm::btnChoiceClick()
{
    // Left as the moves leave the row: a title another sender carries is asked about, not stored.
    if (!LeaveRow())
        return;
    done(1);
}

void TSenderForm::reject()
{
    // Closing saves the row shown first; a row that cannot be saved keeps the window open.
    if (created_ && !LeaveRow())
        return;
    done(2);
}

void TSenderForm::done(int result)
{
    SaveSettings();
    NamePopup->Close();
    QDialog::done(result);
}

// ---- Dictionary look-ups ----

void TSenderForm::bbtnSearchClick(int tag)
{
    TDicSearch DicSearch(this);
    CenterFormOnOwner(&DicSearch, this);
    DicSearch.SetOwnerHandle(this);
    DicSearch.SetListHelpContext(34);
    DicSearch.SetPages(dicPageTel | dicPagePos | dicPageAdrs, false, false);
    const QString key = tag == 0   ? edTel->text()
                        : tag == 1 ? edPos->text()
                                   : JoinAddressParts<QString>(
                                         {edTdfkn->text(), edAdrs1->text(), edAdrs2->text(), edAdrs3->text()});
    const int start = DicSearch.StartWith(tag, Sjis::encode(key));
    if (start == 0) {
        if (ExecDialog(DicSearch) != QDialog::Accepted)
            return;
    } else if (start != 1) {
        return;
    }
    TDicSearchResult r;
    DicSearch.GetResultRecord(r);
    const auto text = [](const QByteArray &field) { return Sjis::decode(field); };
    const QString tel = TrimBlanks(text(ShortString(r.Tel)));
    if (!tel.isEmpty()) {
        if (r.TelKind == 1) {
            edTel->clear();
            edFax->setText(tel);
        } else {
            edTel->setText(tel);
            if (r.TelKind == 2)
                edFax->setText(tel);
            else
                edFax->clear();
        }
    }
    edPos->setText(text(ShortString(r.PosCode)));
    const QString prefecture = text(ShortString(r.Prefecture)), city = text(ShortString(r.City)),
                  town = text(ShortString(r.Town)), rest = text(ShortString(r.Address));
    if (!prefecture.isEmpty() || !city.isEmpty() || !town.isEmpty() || !rest.isEmpty()) {
        edTdfkn->setText(prefecture);
        edAdrs1->setText(city);
        if (!edAdrs2->text().startsWith(town)) {
            edAdrs2->setText(town);
            edAdrs3->setText(rest);
        } else if (!rest.isEmpty()) {
            edAdrs3->setText(rest);
        }
    }
    const QString name = text(ShortString(r.Name));
    if (!name.isEmpty()) {
        if (r.Individual) {
            edName->setText(name);
        } else {
            edCorp->setText(name);
            pgcSender->setCurrentWidget(tbsCorp);
        }
    }
    QLineEdit *focus = tag == 0 ? edTel : tag == 1 ? edPos : edAdrs2;
    focus->setCursorPosition(int(focus->text().size()));
    focus->setFocus();
}

// ---- Name readings ----

bool TSenderForm::event(QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(WM_NAMEDICCHOSEN)) {
        NamePopup->Converted();
        return true;
    }
    return QDialog::event(event);
}

void TSenderForm::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    NamePopup->FollowForm();
}

// ---- Department and post lists ----

namespace {

void fillFromHistory(QComboBox *combo, const THistoryData *history)
{
    combo->clear();
    if (history && history->IsLoaded())
        for (int i = 0; i < history->GetCount(); ++i)
            combo->addItem(Sjis::decode(history->GetText(i)));
}

// The saved text goes to the head of its history and of the combo's list.
void addHistory(QWidget *owner, QComboBox *combo, THistoryData *history)
{
    const QString text = TrimBlanks(combo->currentText());
    if (text.isEmpty())
        return;
    const QByteArray bytes = Sjis::encode(text);
    if (history && history->IsLoaded()) {
        const int i = history->IndexOf(bytes);
        if (i != -1)
            history->Delete(i);
        history->Insert(0, bytes, 0);
        // The row is saved already; a history that cannot be written is reported and the save stands.
        try {
            history->SaveToFile();
        } catch (const EHistoryDataError &e) {
            ShowMessageBoxAt(owner, e.Message, AppTitle, MB_ICONWARNING);
        }
    }
    const int found = combo->findText(text, Qt::MatchExactly);
    if (found >= 0)
        combo->removeItem(found);
    combo->insertItem(0, text);
    combo->setCurrentIndex(0);
}

}  // namespace

void TSenderForm::FillDptmntList() { fillFromHistory(cbxDptmnt, DMMirvale18->DptmntHistory.get()); }
void TSenderForm::FillPostList() { fillFromHistory(cbxPost, DMMirvale18->PostHistory.get()); }

void TSenderForm::AddDptmntHistory()
{
    const bool loading = std::exchange(Loading, true);
    addHistory(this, cbxDptmnt, DMMirvale18->DptmntHistory.get());
    Loading = loading;
}

void TSenderForm::AddPostHistory()
{
    const bool loading = std::exchange(Loading, true);
    addHistory(this, cbxPost, DMMirvale18->PostHistory.get());
    Loading = loading;
}

void TSenderForm::bbtnEditListClick(int tag)
{
    const uint8_t changed = EditInputLists(this, tag);
    const bool loading = std::exchange(Loading, true);
    const auto refill = [](QComboBox *combo, void (TSenderForm::*fill)(), TSenderForm *form) {
        const QString text = combo->currentText();
        (form->*fill)();
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
        combo->setEditText(text);
    };
    if (changed & 1)
        refill(cbxDptmnt, &TSenderForm::FillDptmntList, this);
    if (changed & 2)
        refill(cbxPost, &TSenderForm::FillPostList, this);
    Loading = loading;
}

// ---- Enter ----

void TSenderForm::DataKeyPress(QWidget *control)
{
    QWidget *next = control;
    // Enter walks the fields and passes the buttons by; Tab stops on them.
    do {
        next = next->nextInFocusChain();
    } while (next != control && (!next->isVisible() || !next->isEnabled() || next->focusPolicy() == Qt::NoFocus ||
                                 (qobject_cast<QAbstractButton *>(next) && !qobject_cast<QCheckBox *>(next)) ||
                                 next->focusProxy() || qobject_cast<QTabBar *>(next)));
    next->setFocus(Qt::TabFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(next))
        edit->setCursorPosition(int(edit->text().size()));
}

bool TSenderForm::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        QWidget *control = static_cast<QWidget *>(watched);
        // A combo's line edit stands for its combo.
        if (auto *combo = qobject_cast<QComboBox *>(control->parentWidget()))
            control = combo;
        DataKeyPress(control);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
