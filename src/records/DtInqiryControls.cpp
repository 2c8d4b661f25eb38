// The record form's controls: how they are built, laid out, wired and given their glyphs and Enter rules, and how
// a record is moved into them and read back out of them.
#include "records/DtInqiry.h"

#include "records/EntryHelpers.h"

#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/ExportItemSelect.h"
#include "geo/ContinualAdrsSearch.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordListing.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "records/InputLst.h"
#include "records/ItemCopy.h"
#include "records/NMDEdit.h"
#include "records/UniNMDEdit.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>

// Outside any unnamed namespace: the resource initialiser the macro declares has external linkage.
static void initGlyphResources() { Q_INIT_RESOURCE(DtInqiry); }

// The glyphs live in this unit's resource file, which a static library only links in when asked for.
QIcon EntryGlyph(const char *name)
{
    static const bool registered = [] {
        initGlyphResources();
        return true;
    }();
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/DtInqiry/") + QLatin1String(name) + QStringLiteral(".svg"));
}

namespace {

// A memo's text as lines; the break after the last line ends it rather than starting an empty line.
QByteArrayList textLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    QByteArrayList result;
    for (const QString &line : lines)
        result << Sjis::encode(line);
    return result;
}

template <class Control>
Control *withHint(Control *control, const QString &hint)
{
    control->setToolTip(hint);
    return control;
}

// A button that shows only its glyph; the hint says what it does, and so does its accessible name (spoken
// where no hint is given).
QPushButton *glyphButton(const char *name, const QString &hint, QWidget *parent, const QString &spoken = {})
{
    auto *button = withHint(Named<QPushButton>(name, parent), hint);
    button->setAccessibleName(spoken.isEmpty() ? hint : spoken);
    return button;
}

// An 8-bit edit: at most limit bytes of characters Shift-JIS has; a half-width field (the numbers, the customer
// code) takes what the input method gives full width as the half-width characters it stands for.
QLineEdit *sjisEdit(const char *name, int limit, QWidget *parent, bool halfWidth = false)
{
    auto *e = Named<QLineEdit>(name, parent);
    if (halfWidth)
        MakeHalfWidthField(e, limit);
    else
        e->setValidator(new TShiftJisValidator(limit, e));
    return e;
}

// A caption that names the control beside it for a screen reader; made after the control, beside it in its
// parent.
QLabel *buddyLabel(const QString &caption, QWidget *buddy)
{
    auto *label = new QLabel(caption, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

// A button that stays down: a stop in the tab order, pressed by Space, its state on the accessibility bus.
QToolButton *toggleButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setCheckable(true);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

}  // namespace

void TDataInquiry::createControls()
{
    auto *top = new QHBoxLayout;
    auto navButton = [this](const char *name, const QString &hint) {
        auto *b = withHint(Named<QToolButton>(name, this), hint);
        b->setAccessibleName(hint);
        return b;
    };
    sbtnFirst = navButton("sbtnFirst", QStringLiteral("先頭のデータ"));
    sbtnPrior = navButton("sbtnPrior", QStringLiteral("１つ前のデータ"));
    sbtnNext = navButton("sbtnNext", QStringLiteral("次のデータ"));
    sbtnLast = navButton("sbtnLast", QStringLiteral("最後のデータ"));
    lblNowRec = new QLabel(QStringLiteral("---"), this);
    lblNowRec->setObjectName(QStringLiteral("lblNowRec"));
    lblNowRec->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblNowRec->setMinimumWidth(ScaleByDpi(48, true));
    lblTotalRec = new QLabel(QStringLiteral("---"), this);
    lblTotalRec->setObjectName(QStringLiteral("lblTotalRec"));
    lblTotalRec->setMinimumWidth(ScaleByDpi(48, true));
    chkContinualAdd = new QCheckBox(QStringLiteral("連続して登録"), this);
    chkContinualAdd->setObjectName(QStringLiteral("chkContinualAdd"));
    bbtnNew = new QPushButton(QStringLiteral("新規登録"), this);
    bbtnNew->setObjectName(QStringLiteral("bbtnNew"));
    top->addWidget(sbtnFirst);
    top->addWidget(sbtnPrior);
    top->addWidget(lblNowRec);
    top->addWidget(new QLabel(QStringLiteral("/"), this));
    top->addWidget(lblTotalRec);
    top->addWidget(sbtnNext);
    top->addWidget(sbtnLast);
    top->addStretch();
    top->addWidget(chkContinualAdd);
    top->addWidget(bbtnNew);

    pgctlData = new QTabWidget(this);
    pgctlData->setObjectName(QStringLiteral("pgctlData"));
    pgctlData->addTab(createMainPage(), QStringLiteral("メイン"));
    pgctlData->addTab(createSubPage(), QStringLiteral("サブ"));
    pgctlData->addTab(createMemoPage(), QStringLiteral("メモ"));
    pgctlData->addTab(createOtherPage(), QStringLiteral("その他"));

    auto *bottom = new QHBoxLayout;
    btnAdd = Named<QPushButton>("btnAdd", QStringLiteral("登録"), this);
    btnUpdate = Named<QPushButton>("btnUpdate", QStringLiteral("変更"), this);
    btnDelete = Named<QPushButton>("btnDelete", QStringLiteral("削除"), this);
    btnCopy = Named<QPushButton>("btnCopy", QStringLiteral("項目コピー"), this);
    bbtnCopySetting = glyphButton("bbtnCopySetting", QStringLiteral("コピーする項目の設定"), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    for (QPushButton *b : {btnAdd, btnUpdate, btnDelete})
        bottom->addWidget(b);
    bottom->addStretch();
    bottom->addWidget(btnCopy);
    bottom->addWidget(bbtnCopySetting);
    bottom->addStretch();
    bottom->addWidget(btnClose);

    auto *form = new QVBoxLayout(this);
    form->setContentsMargins(6, 6, 6, 6);
    form->addLayout(top);
    form->addWidget(pgctlData, 1);
    form->addLayout(bottom);

    // A browser's address bar cannot be read on this desktop.
    bbtnGetURL->setEnabled(false);
    // Enter presses a focused button, as the form's Enter navigation expects.
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(true);

    setFixedSize(ScaleByDpi(574, true), ScaleByDpi(627, true));
}

QWidget *TDataInquiry::createMainPage()
{
    tabstMain = new QWidget;
    tabstMain->setObjectName(QStringLiteral("tabstMain"));
    auto *grid = new QGridLayout(tabstMain);
    grid->setVerticalSpacing(3);
    auto combo = [](const char *name, int limit, QWidget *parent) {
        auto *c = Named<QComboBox>(name, parent);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->lineEdit()->setValidator(new TShiftJisValidator(limit, c));
        return c;
    };
    QWidget *p = tabstMain;
    int row = 0;

    cbxGroup = new TUniComboBox(p);
    cbxGroup->setObjectName(QStringLiteral("cbxGroup"));
    cbxGroup->setMaxVisibleItems(11);
    bbtnEditGroup = glyphButton("bbtnEditGroup", QStringLiteral("グループ名の設定"), p);
    edtCustomCode = sjisEdit("edtCustomCode", 20, p, true);
    grid->addWidget(buddyLabel(QStringLiteral("グループ"), cbxGroup), row, 0);
    grid->addWidget(cbxGroup, row, 1, 1, 2);
    grid->addWidget(bbtnEditGroup, row, 3);
    grid->addWidget(buddyLabel(QStringLiteral("顧客コード"), edtCustomCode), row, 4);
    grid->addWidget(edtCustomCode, row++, 5, 1, 2);

    // Made in the order they stand, so the tab order runs 電話番号, its look-up, 代表電話.
    edtTel = sjisEdit("edtTel", 13, p, true);
    bbtnTelSch = glyphButton("bbtnTelSch", QString(), p, QStringLiteral("電話番号から住所を検索"));
    chkMainNumber = new QCheckBox(QStringLiteral("代表電話"), p);
    chkMainNumber->setObjectName(QStringLiteral("chkMainNumber"));
    edtFax = sjisEdit("edtFax", 13, p, true);
    grid->addWidget(buddyLabel(QStringLiteral("電話番号"), edtTel), row, 0);
    grid->addWidget(edtTel, row, 1, 1, 2);
    grid->addWidget(bbtnTelSch, row, 3);
    grid->addWidget(chkMainNumber, row, 4);
    grid->addWidget(buddyLabel(QStringLiteral("FAX番号"), edtFax), row, 5);
    grid->addWidget(edtFax, row++, 6);

    edtPortable1 = sjisEdit("edtPortable1", 13, p, true);
    edtPortable2 = sjisEdit("edtPortable2", 13, p, true);
    grid->addWidget(buddyLabel(QStringLiteral("携帯番号１"), edtPortable1), row, 0);
    grid->addWidget(edtPortable1, row, 1, 1, 2);
    grid->addWidget(buddyLabel(QStringLiteral("携帯番号２"), edtPortable2), row, 5);
    grid->addWidget(edtPortable2, row++, 6);

    edtPos = sjisEdit("edtPos", 8, p, true);
    bbtnPosSch = glyphButton("bbtnPosSch", QString(), p, QStringLiteral("郵便番号から住所を検索"));
    edtJisCode = sjisEdit("edtJisCode", 8, p);
    edtJisCode->setReadOnly(true);
    bbtnGetJisCode = glyphButton("bbtnGetJisCode", QString(), p, QStringLiteral("市町村コードの取得"));
    lblKajoCode = new QLabel(p);
    lblKajoCode->setObjectName(QStringLiteral("lblKajoCode"));
    lblKajoCode->hide();
    grid->addWidget(buddyLabel(QStringLiteral("郵便番号"), edtPos), row, 0);
    grid->addWidget(edtPos, row, 1, 1, 2);
    grid->addWidget(bbtnPosSch, row, 3);
    grid->addWidget(buddyLabel(QStringLiteral("市町村コード"), edtJisCode), row, 4);
    grid->addWidget(edtJisCode, row, 5);
    grid->addWidget(bbtnGetJisCode, row++, 6, Qt::AlignLeft);

    edtTdfkn = sjisEdit("edtTdfkn", 8, p);
    bbtnAdrsSearch = glyphButton("bbtnAdrsSearch", QString(), p, QStringLiteral("住所の検索"));
    bbtnMap = glyphButton("bbtnMap", QString(), p, QStringLiteral("地図表示"));
    bbtnQRMap = glyphButton("bbtnQRMap", QString(), p, QStringLiteral("QRコード地図"));
    bbtnRoot = glyphButton("bbtnRoot", QString(), p, QStringLiteral("路線検索"));
    auto *places = new QHBoxLayout;
    for (QPushButton *b : {bbtnMap, bbtnQRMap, bbtnRoot})
        places->addWidget(b);
    places->addStretch();
    grid->addWidget(buddyLabel(QStringLiteral("都道府県"), edtTdfkn), row, 0);
    grid->addWidget(edtTdfkn, row, 1, 1, 2);
    grid->addWidget(bbtnAdrsSearch, row, 3);
    grid->addLayout(places, row++, 4, 1, 3);

    edtAdrs1 = sjisEdit("edtAdrs1", 32, p);
    edtAdrs2 = sjisEdit("edtAdrs2", 100, p);
    edtAdrs3 = sjisEdit("edtAdrs3", 116, p);
    edtAdrsKana = Named<QLineEdit>("edtAdrsKana", p);
    MakeReadingField(edtAdrsKana, 80);
    const std::array<std::pair<QString, QLineEdit *>, 4> addressLines{{{QStringLiteral("住所１"), edtAdrs1},
                                                                        {QStringLiteral("住所２"), edtAdrs2},
                                                                        {QStringLiteral("住所３"), edtAdrs3},
                                                                        {QStringLiteral("住所カナ"), edtAdrsKana}}};
    for (const auto &[caption, line] : addressLines) {
        grid->addWidget(buddyLabel(caption, line), row, 0);
        grid->addWidget(line, row++, 1, 1, 6);
    }

    sbtnPriv = toggleButton(QStringLiteral("sbtnPriv"), QStringLiteral("個人"), p);
    sbtnPriv->setToolTip(QStringLiteral("個人会社切り替え： 個人"));
    sbtnCorp = toggleButton(QStringLiteral("sbtnCorp"), QStringLiteral("会社"), p);
    sbtnCorp->setToolTip(QStringLiteral("個人会社切り替え： 会社"));
    grpPrivCorp = new QButtonGroup(this);
    grpPrivCorp->setExclusive(true);
    grpPrivCorp->addButton(sbtnPriv);
    grpPrivCorp->addButton(sbtnCorp);
    bbtnWebSearch = glyphButton("bbtnWebSearch", QStringLiteral("Web検索"), p);
    auto *privCorp = new QHBoxLayout;
    privCorp->addWidget(sbtnPriv);
    privCorp->addWidget(sbtnCorp);
    privCorp->addStretch();
    grid->addLayout(privCorp, row, 0, 1, 3);
    grid->addWidget(bbtnWebSearch, row++, 3);

    nmedtCorpKanji = new TNMDEdit(p);
    nmedtCorpKanji->setObjectName(QStringLiteral("nmedtCorpKanji"));
    nmedtCorpKanji->setValidator(new TShiftJisValidator(112, nmedtCorpKanji));
    lblCorpKanji = buddyLabel(QStringLiteral("会社名"), nmedtCorpKanji);
    lblCorpKanji->setObjectName(QStringLiteral("lblCorpKanji"));
    grid->addWidget(lblCorpKanji, row, 0);
    grid->addWidget(nmedtCorpKanji, row++, 1, 1, 6);
    edtCorpKana = Named<QLineEdit>("edtCorpKana", p);
    lblCorpKana = buddyLabel(QStringLiteral("カナ"), edtCorpKana);
    // Two readings are captioned カナ; each says whose it is.
    edtCorpKana->setAccessibleName(QStringLiteral("会社名のカナ"));
    lblCorpKana->setObjectName(QStringLiteral("lblCorpKana"));
    MakeReadingField(edtCorpKana, 80);
    grid->addWidget(lblCorpKana, row, 0);
    grid->addWidget(edtCorpKana, row++, 1, 1, 6);
    cbxDptmnt = combo("cbxDptmnt", 100, p);
    lblDptmnt = buddyLabel(QStringLiteral("部署"), cbxDptmnt);
    lblDptmnt->setObjectName(QStringLiteral("lblDptmnt"));
    bbtnDptmnt = glyphButton("bbtnDptmnt", QStringLiteral("部署リストの編集"), p);
    grid->addWidget(lblDptmnt, row, 0);
    grid->addWidget(cbxDptmnt, row, 1, 1, 5);
    grid->addWidget(bbtnDptmnt, row++, 6, Qt::AlignLeft);
    cbxPost = combo("cbxPost", 50, p);
    lblPost = buddyLabel(QStringLiteral("役職"), cbxPost);
    lblPost->setObjectName(QStringLiteral("lblPost"));
    bbtnPost = glyphButton("bbtnPost", QStringLiteral("役職リストの編集"), p);
    grid->addWidget(lblPost, row, 0);
    grid->addWidget(cbxPost, row, 1, 1, 5);
    grid->addWidget(bbtnPost, row++, 6, Qt::AlignLeft);

    nmedtNameKanji = new TUniNMDEdit(p);
    nmedtNameKanji->setObjectName(QStringLiteral("nmedtNameKanji"));
    LimitToWholeCharacters(nmedtNameKanji, 15);
    nmedtNameKana = new TUniNMDEdit(p);
    nmedtNameKana->setObjectName(QStringLiteral("nmedtNameKana"));
    MakeReadingField(nmedtNameKana, 25);
    nmedtNameKanji->SetAssociate(nmedtNameKana);
    nmedtNameKana->SetInputType(itKana);
    nmedtNameKana->SetAssociate(nmedtNameKanji);
    nmedtCorpKanji->SetAssociate(edtCorpKana);
    grid->addWidget(buddyLabel(QStringLiteral("名前"), nmedtNameKanji), row, 0);
    grid->addWidget(nmedtNameKanji, row, 1, 1, 3);
    grid->addWidget(buddyLabel(QStringLiteral("カナ"), nmedtNameKana), row, 4);
    nmedtNameKana->setAccessibleName(QStringLiteral("名前のカナ"));
    grid->addWidget(nmedtNameKana, row++, 5, 1, 2);
    cbxHonor = combo("cbxHonor", 10, p);
    bbtnHonor = glyphButton("bbtnHonor", QStringLiteral("敬称リストの編集"), p);
    grid->addWidget(buddyLabel(QStringLiteral("敬称"), cbxHonor), row, 0);
    grid->addWidget(cbxHonor, row, 1, 1, 2);
    grid->addWidget(bbtnHonor, row++, 3);

    Cbx_CatMain = new TUniComboBox(p);
    Cbx_CatMain->setObjectName(QStringLiteral("Cbx_CatMain"));
    Cbx_CatSub = new TUniComboBox(p);
    Cbx_CatSub->setObjectName(QStringLiteral("Cbx_CatSub"));
    grid->addWidget(buddyLabel(QStringLiteral("大分類"), Cbx_CatMain), row, 0);
    grid->addWidget(Cbx_CatMain, row, 1, 1, 3);
    grid->addWidget(buddyLabel(QStringLiteral("小分類"), Cbx_CatSub), row, 4);
    grid->addWidget(Cbx_CatSub, row++, 5, 1, 2);

    chkIgnoreName = new QCheckBox(QStringLiteral("宛名の印刷に名前を使用しない"), p);
    chkIgnoreName->setObjectName(QStringLiteral("chkIgnoreName"));
    grid->addWidget(chkIgnoreName, row++, 1, 1, 6);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(6, 1);
    return tabstMain;
}

QWidget *TDataInquiry::createSubPage()
{
    tabstSub = new QWidget;
    tabstSub->setObjectName(QStringLiteral("tabstSub"));
    QWidget *p = tabstSub;
    auto *page = new QVBoxLayout(p);

    auto *links = new QGridLayout;
    edtURL = sjisEdit("edtURL", 128, p);
    bbtnGetURL = glyphButton("bbtnGetURL", QString(), p, QStringLiteral("ブラウザーのURLを取得"));
    bbtnOpenURL = glyphButton("bbtnOpenURL", QString(), p, QStringLiteral("ホームページを開く"));
    edtEMail1 = sjisEdit("edtEMail1", 64, p);
    bbtnEMail1 = glyphButton("bbtnEMail1", QString(), p, QStringLiteral("E-Mail1にメールを送る"));
    edtEMail2 = sjisEdit("edtEMail2", 64, p);
    bbtnEMail2 = glyphButton("bbtnEMail2", QString(), p, QStringLiteral("E-Mail2にメールを送る"));
    // Addresses are Latin: the input method stays off, and what arrives full width becomes half-width.
    for (QLineEdit *e : {edtURL, edtEMail1, edtEMail2})
        SetImeMode(e, imDisable);
    edtURL->setInputMethodHints(edtURL->inputMethodHints() | Qt::ImhUrlCharactersOnly);
    for (QLineEdit *e : {edtEMail1, edtEMail2})
        e->setInputMethodHints(e->inputMethodHints() | Qt::ImhEmailCharactersOnly);
    links->addWidget(buddyLabel(QStringLiteral("URL"), edtURL), 0, 0);
    links->addWidget(edtURL, 0, 1);
    links->addWidget(bbtnGetURL, 0, 2);
    links->addWidget(bbtnOpenURL, 0, 3);
    links->addWidget(buddyLabel(QStringLiteral("E-Mail1"), edtEMail1), 1, 0);
    links->addWidget(edtEMail1, 1, 1);
    links->addWidget(bbtnEMail1, 1, 2);
    links->addWidget(buddyLabel(QStringLiteral("E-Mail2"), edtEMail2), 2, 0);
    links->addWidget(edtEMail2, 2, 1);
    links->addWidget(bbtnEMail2, 2, 2);
    page->addLayout(links);

    gbxJoint = new QGroupBox(QStringLiteral("連名設定"), p);
    gbxJoint->setObjectName(QStringLiteral("gbxJoint"));
    auto *joint = new QGridLayout(gbxJoint);
    const QString fullWidthDigits = QStringLiteral("１２３４５");
    for (int i = 0; i < 5; ++i) {
        nmedtJoint[i] = new TUniNMDEdit(gbxJoint);
        nmedtJoint[i]->setObjectName(QStringLiteral("nmedtJoint%1").arg(i + 1));
        LimitToWholeCharacters(nmedtJoint[i], 11);
        cbxJointHonor[i] = new QComboBox(gbxJoint);
        cbxJointHonor[i]->setObjectName(QStringLiteral("cbxJointHonor%1").arg(i + 1));
        cbxJointHonor[i]->setEditable(true);
        cbxJointHonor[i]->setInsertPolicy(QComboBox::NoInsert);
        cbxJointHonor[i]->lineEdit()->setValidator(new TShiftJisValidator(10, cbxJointHonor[i]));
        const QString jointName = QStringLiteral("連名") + fullWidthDigits[i];
        cbxJointHonor[i]->setAccessibleName(jointName + QStringLiteral("の敬称"));
        joint->addWidget(buddyLabel(jointName, nmedtJoint[i]), i, 0);
        joint->addWidget(nmedtJoint[i], i, 1);
        joint->addWidget(cbxJointHonor[i], i, 2);
    }
    bbtnJointHonor = glyphButton("bbtnJointHonor", QStringLiteral("敬称リストの編集"), gbxJoint);
    joint->addWidget(bbtnJointHonor, 4, 3);
    cbxJointOwner = new TUniComboBox(gbxJoint);
    cbxJointOwner->setObjectName(QStringLiteral("cbxJointOwner"));
    joint->addWidget(buddyLabel(QStringLiteral("連名主の変更"), cbxJointOwner), 5, 0);
    joint->addWidget(cbxJointOwner, 5, 1);
    auto *flags = new QHBoxLayout;
    sbtnJointPrintM = toggleButton(QStringLiteral("sbtnJointPrintM"), QStringLiteral("本"), gbxJoint);
    sbtnJointPrintM->setToolTip(QStringLiteral("連名印刷対象：本人"));
    flags->addWidget(sbtnJointPrintM);
    for (int i = 0; i < 5; ++i) {
        sbtnJointPrint[i] =
            toggleButton(QStringLiteral("sbtnJointPrint%1").arg(i + 1), QString(fullWidthDigits[i]), gbxJoint);
        sbtnJointPrint[i]->setToolTip(QStringLiteral("連名印刷対象：連名") + fullWidthDigits[i]);
        flags->addWidget(sbtnJointPrint[i]);
    }
    // Their captions ("本", "１") mean nothing without the caption before them: they are read as their tips.
    for (QToolButton *b : {sbtnJointPrintM, sbtnJointPrint[0], sbtnJointPrint[1], sbtnJointPrint[2],
                           sbtnJointPrint[3], sbtnJointPrint[4]})
        b->setAccessibleName(b->toolTip());
    flags->addStretch();
    joint->addWidget(new QLabel(QStringLiteral("連名印刷対象"), gbxJoint), 6, 0);
    joint->addLayout(flags, 6, 1, 1, 3);
    joint->setColumnStretch(1, 1);
    page->addWidget(gbxJoint);

    auto *lower = new QHBoxLayout;
    gbxSender = new QGroupBox(QStringLiteral("差出人"), p);
    gbxSender->setObjectName(QStringLiteral("gbxSender"));
    cbxSender = new TUniComboBox(gbxSender);
    cbxSender->setObjectName(QStringLiteral("cbxSender"));
    cbxSender->setAccessibleName(gbxSender->title());
    (new QHBoxLayout(gbxSender))->addWidget(cbxSender, 1);
    lower->addWidget(gbxSender, 1);
    auto *printBox = new QGroupBox(QStringLiteral("印刷指定"), p);
    sbtnPrintTarget = toggleButton(QStringLiteral("sbtnPrintTarget"), QStringLiteral("印刷"), printBox);
    sbtnPrintException = toggleButton(QStringLiteral("sbtnPrintException"), QStringLiteral("除外"), printBox);
    auto *printRow = new QHBoxLayout(printBox);
    printRow->addWidget(sbtnPrintTarget);
    printRow->addWidget(sbtnPrintException);
    lower->addWidget(printBox);
    page->addLayout(lower);
    page->addStretch();
    return tabstSub;
}

QWidget *TDataInquiry::createMemoPage()
{
    tabstMemo1 = new QWidget;
    tabstMemo1->setObjectName(QStringLiteral("tabstMemo1"));
    auto *page = new QVBoxLayout(tabstMemo1);
    gbxKeyword = new QGroupBox(QStringLiteral("キーワード"), tabstMemo1);
    gbxKeyword->setObjectName(QStringLiteral("gbxKeyword"));
    auto *grid = new QGridLayout(gbxKeyword);
    for (int i = 0; i < 8; ++i) {
        lblKeyword[i] = new QLabel(gbxKeyword);
        lblKeyword[i]->setObjectName(QStringLiteral("lblKeyword%1").arg(i + 1));
        grid->addWidget(lblKeyword[i], i, 0);
        if (i < 5) {
            edtKeyword[i] = new QLineEdit(gbxKeyword);
            edtKeyword[i]->setObjectName(QStringLiteral("edtKeyword%1").arg(i + 1));
            edtKeyword[i]->setValidator(new TShiftJisValidator(100, edtKeyword[i]));
            lblKeyword[i]->setBuddy(edtKeyword[i]);
            grid->addWidget(edtKeyword[i], i, 1);
            continue;
        }
        QComboBox *&c = cbxKeyword[i - 5];
        c = new QComboBox(gbxKeyword);
        c->setObjectName(QStringLiteral("cbxKeyword%1").arg(i + 1));
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->lineEdit()->setValidator(new TShiftJisValidator(100, c));
        lblKeyword[i]->setBuddy(c);
        bbtnKeyword[i - 5] = new QPushButton(gbxKeyword);
        bbtnKeyword[i - 5]->setObjectName(QStringLiteral("bbtnKeyword%1").arg(i + 1));
        grid->addWidget(c, i, 1);
        grid->addWidget(bbtnKeyword[i - 5], i, 2);
    }
    grid->setColumnStretch(1, 1);
    page->addWidget(gbxKeyword);
    mmoNote = new QPlainTextEdit(tabstMemo1);
    mmoNote->setObjectName(QStringLiteral("mmoNote"));
    page->addWidget(buddyLabel(QStringLiteral("備考"), mmoNote));
    mmoNote->setTabChangesFocus(true);
    LimitToShiftJis(mmoNote);
    page->addWidget(mmoNote, 1);
    return tabstMemo1;
}

QWidget *TDataInquiry::createOtherPage()
{
    tabstOther = new QWidget;
    tabstOther->setObjectName(QStringLiteral("tabstOther"));
    auto *page = new QVBoxLayout(tabstOther);

    gbxExtFile = new QGroupBox(QStringLiteral("外部ファイル"), tabstOther);
    gbxExtFile->setObjectName(QStringLiteral("gbxExtFile"));
    auto *files = new QGridLayout(gbxExtFile);
    lvExtFile = new QTreeWidget(gbxExtFile);
    lvExtFile->setObjectName(QStringLiteral("lvExtFile"));
    lvExtFile->setAccessibleName(gbxExtFile->title());
    lvExtFile->setHeaderLabels({QStringLiteral("No."), QStringLiteral("フォルダー"), QStringLiteral("ファイル")});
    lvExtFile->setRootIsDecorated(false);
    lvExtFile->setSelectionMode(QAbstractItemView::SingleSelection);
    lvExtFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvExtFile->header()->resizeSection(0, ScaleByDpi(36, true));
    lvExtFile->header()->resizeSection(1, ScaleByDpi(250, true));
    auto fileButton = [this](const char *name, const QString &caption, const QString &hint) {
        return withHint(Named<QPushButton>(name, caption, gbxExtFile), hint);
    };
    bbtnAddExtFile = fileButton("bbtnAddExtFile", QStringLiteral("登録"), QStringLiteral("外部ファイルの登録"));
    bbtnDelExtFile = fileButton("bbtnDelExtFile", QStringLiteral("解除"), QStringLiteral("登録の解除"));
    bbtnOpenExtFile = fileButton("bbtnOpenExtFile", QStringLiteral("開く"), QStringLiteral("外部ファイルを開く"));
    edtDetailPath = new QLineEdit(gbxExtFile);
    edtDetailPath->setObjectName(QStringLiteral("edtDetailPath"));
    edtDetailPath->setReadOnly(true);
    edtDetailFile = new QLineEdit(gbxExtFile);
    edtDetailFile->setObjectName(QStringLiteral("edtDetailFile"));
    edtDetailFile->setReadOnly(true);
    files->addWidget(lvExtFile, 0, 0, 4, 2);
    files->addWidget(bbtnAddExtFile, 0, 2);
    files->addWidget(bbtnDelExtFile, 1, 2);
    files->addWidget(bbtnOpenExtFile, 2, 2);
    files->addWidget(buddyLabel(QStringLiteral("フォルダー："), edtDetailPath), 4, 0);
    files->addWidget(edtDetailPath, 4, 1, 1, 2);
    files->addWidget(buddyLabel(QStringLiteral("ファイル："), edtDetailFile), 5, 0);
    files->addWidget(edtDetailFile, 5, 1, 1, 2);
    files->setColumnStretch(1, 1);
    page->addWidget(gbxExtFile, 1);

    gbxSymbol = new QGroupBox(QStringLiteral("シンボル"), tabstOther);
    gbxSymbol->setObjectName(QStringLiteral("gbxSymbol"));
    auto *symbol = new QHBoxLayout(gbxSymbol);
    cbxSymbolMark = new TUniComboBox(gbxSymbol);
    cbxSymbolMark->setObjectName(QStringLiteral("cbxSymbolMark"));
    pnlSymbolColor = new QFrame(gbxSymbol);
    pnlSymbolColor->setObjectName(QStringLiteral("pnlSymbolColor"));
    pnlSymbolColor->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlSymbolColor->setAutoFillBackground(true);
    pnlSymbolColor->setFixedSize(ScaleByDpi(40, true), ScaleByDpi(22, true));
    bbtnSymbolColor = new QPushButton(gbxSymbol);
    bbtnSymbolColor->setObjectName(QStringLiteral("bbtnSymbolColor"));
    bbtnSymbolColor->setToolTip(QStringLiteral("色の変更"));
    bbtnSymbolColor->setAccessibleName(bbtnSymbolColor->toolTip());
    symbol->addWidget(buddyLabel(QStringLiteral("マーク"), cbxSymbolMark));
    symbol->addWidget(cbxSymbolMark);
    symbol->addSpacing(16);
    symbol->addWidget(new QLabel(QStringLiteral("色"), gbxSymbol));
    symbol->addWidget(pnlSymbolColor);
    symbol->addWidget(bbtnSymbolColor);
    symbol->addStretch();
    page->addWidget(gbxSymbol);

    auto *dates = new QGridLayout;
    edtAddDateTime = new QLineEdit(tabstOther);
    edtAddDateTime->setObjectName(QStringLiteral("edtAddDateTime"));
    edtAddDateTime->setReadOnly(true);
    edtUpdDateTime = new QLineEdit(tabstOther);
    edtUpdDateTime->setObjectName(QStringLiteral("edtUpdDateTime"));
    edtUpdDateTime->setReadOnly(true);
    for (QLineEdit *e : {edtAddDateTime, edtUpdDateTime})
        e->setMinimumWidth(ScaleByDpi(170, true));
    dates->addWidget(buddyLabel(QStringLiteral("登録日時"), edtAddDateTime), 0, 0);
    dates->addWidget(edtAddDateTime, 0, 1);
    dates->addWidget(buddyLabel(QStringLiteral("更新日時"), edtUpdDateTime), 1, 0);
    dates->addWidget(edtUpdDateTime, 1, 1);
    dates->setColumnStretch(2, 1);
    page->addLayout(dates);
    return tabstOther;
}

void TDataInquiry::loadGlyphs()
{
    const std::pair<QAbstractButton *, const char *> glyphs[] = {
        {sbtnFirst, "LEFTEND"},      {sbtnPrior, "LEFT"},          {sbtnNext, "RIGHT"},
        {sbtnLast, "RIGHTEND"},      {bbtnNew, "NEWADD"},          {bbtnEditGroup, "EDIT"},
        {bbtnGetJisCode, "EDIT"},    {bbtnTelSch, "TELSCH"},       {bbtnPosSch, "POSSCH"},
        {bbtnAdrsSearch, "ADRSSCH"}, {bbtnMap, "MAP"},             {bbtnQRMap, "QRCODE"},
        {bbtnRoot, "TRAIN"},         {sbtnPriv, "HOME"},           {sbtnCorp, "CORP"},
        {bbtnWebSearch, "WEBSEARCH"}, {bbtnDptmnt, "LISTEDIT"},    {bbtnPost, "LISTEDIT"},
        {bbtnHonor, "LISTEDIT"},     {bbtnJointHonor, "LISTEDIT"}, {bbtnKeyword[0], "LISTEDIT"},
        {bbtnKeyword[1], "LISTEDIT"}, {bbtnKeyword[2], "LISTEDIT"}, {bbtnGetURL, "GETURL"},
        {bbtnOpenURL, "OPENURL"},    {bbtnEMail1, "MAIL"},         {bbtnEMail2, "MAIL"},
        {sbtnPrintTarget, "PRINTER"}, {sbtnPrintException, "NOPRINT"}, {bbtnAddExtFile, "SETFILE"},
        {bbtnDelExtFile, "DELFILE"}, {bbtnOpenExtFile, "INQUIRY"}, {bbtnSymbolColor, "COLORSET"},
        {bbtnCopySetting, "COPY"}};
    for (const auto &[button, name] : glyphs)
        button->setIcon(EntryGlyph(name));
    UpdateJointPrintGlyph(sbtnJointPrintM);
    for (QToolButton *b : sbtnJointPrint)
        UpdateJointPrintGlyph(b);
}

void TDataInquiry::connectHandlers()
{
    connect(sbtnFirst, &QToolButton::clicked, this, [this] { sbtnMoveRecordClick(0); });
    connect(sbtnPrior, &QToolButton::clicked, this, [this] { sbtnMoveRecordClick(1); });
    connect(sbtnNext, &QToolButton::clicked, this, [this] { sbtnMoveRecordClick(2); });
    connect(sbtnLast, &QToolButton::clicked, this, [this] { sbtnMoveRecordClick(3); });
    connect(bbtnNew, &QPushButton::clicked, this, &TDataInquiry::bbtnNewClick);
    connect(btnAdd, &QPushButton::clicked, this, &TDataInquiry::btnAddClick);
    connect(btnUpdate, &QPushButton::clicked, this, &TDataInquiry::btnUpdateClick);
    connect(btnDelete, &QPushButton::clicked, this, &TDataInquiry::btnDeleteClick);
    connect(btnClose, &QPushButton::clicked, this, &TDataInquiry::btnCloseClick);
    connect(btnCopy, &QPushButton::clicked, this, &TDataInquiry::btnCopyClick);
    connect(bbtnCopySetting, &QPushButton::clicked, this, &TDataInquiry::bbtnCopySettingClick);
    connect(bbtnGetJisCode, &QPushButton::clicked, this, &TDataInquiry::bbtnGetJisCodeClick);
    connectLinkButtons();
    const std::pair<QPushButton *, int> dicButtons[] = {{bbtnTelSch, 0}, {bbtnPosSch, 1}, {bbtnAdrsSearch, 2}};
    for (const auto &[button, tag] : dicButtons)
        connect(button, &QPushButton::clicked, this, [this, tag = tag] { bbtnDicSchClick(tag); });
    for (TUniNMDEdit *edit : nameEdits()) {
        connect(edit, &TUniNMDEdit::OnConvertNeed, this, &TDataInquiry::nmedtNameConvertNeed);
        // Direct: the key and the answer are references into the edit's own call.
        connect(edit, &TUniNMDEdit::OnConvertKeyDown, this, &TDataInquiry::nmedtNameConvertKeyDown,
                Qt::DirectConnection);
    }
    connect(chkContinualAdd, &QCheckBox::toggled, this, &TDataInquiry::chkContinualAddClick);
    connect(chkMainNumber, &QCheckBox::toggled, this, &TDataInquiry::chkMainNumberClick);
    connect(chkIgnoreName, &QCheckBox::toggled, this, &TDataInquiry::chkIgnoreNameClick);
    connect(pgctlData, &QTabWidget::currentChanged, this, &TDataInquiry::pgctlDataChange);
    pgctlData->tabBar()->installEventFilter(this);

    connect(cbxGroup, &QComboBox::activated, this, &TDataInquiry::cbxGroupClick);
    connect(bbtnEditGroup, &QPushButton::clicked, this, &TDataInquiry::bbtnEditGroupClick);
    connect(sbtnPriv, &QToolButton::clicked, this, &TDataInquiry::sbtnPrivCorpClick);
    connect(sbtnCorp, &QToolButton::clicked, this, &TDataInquiry::sbtnPrivCorpClick);
    // The company fields follow the checked button however it was checked: a screen reader toggles it without
    // a click. The pair is exclusive, so the company button toggles at every change.
    connect(sbtnCorp, &QToolButton::toggled, this, &TDataInquiry::UpdatePrivCorp);
    connect(Cbx_CatMain, &QComboBox::activated, this, &TDataInquiry::Cbx_CatMainChange);
    const std::pair<QPushButton *, int> listButtons[] = {{bbtnDptmnt, 0},     {bbtnPost, 1},
                                                         {bbtnHonor, 2},      {bbtnJointHonor, 2},
                                                         {bbtnKeyword[0], 3}, {bbtnKeyword[1], 4},
                                                         {bbtnKeyword[2], 5}};
    for (const auto &[button, tag] : listButtons)
        connect(button, &QPushButton::clicked, this, [this, tag = tag] { bbtnEditListClick(tag); });

    for (int i = 0; i < 5; ++i) {
        connect(nmedtJoint[i], &QLineEdit::textChanged, this, [this, i] { nmedtJointChange(i + 1); });
        // Leaving the edit and a text a screen reader sets end the entry with this signal.
        connect(nmedtJoint[i], &QLineEdit::editingFinished, this, [this, i] { nmedtJointExit(i + 1); });
    }
    connect(cbxJointOwner, &QComboBox::activated, this, &TDataInquiry::cbxJointOwnerClick);
    connect(sbtnJointPrintM, &QToolButton::clicked, this, [this] { sbtnJointPrintClick(0); });
    for (int i = 0; i < 5; ++i)
        connect(sbtnJointPrint[i], &QToolButton::clicked, this, [this, i] { sbtnJointPrintClick(i + 1); });
    connect(cbxSender, &QComboBox::activated, this, &TDataInquiry::cbxSenderClick);
    // The two print designations are never down together; either may be released. However one went down: a
    // screen reader toggles it without a click.
    connect(sbtnPrintTarget, &QToolButton::toggled, this, [this](bool down) {
        if (down)
            sbtnPrintException->setChecked(false);
    });
    connect(sbtnPrintException, &QToolButton::toggled, this, [this](bool down) {
        if (down)
            sbtnPrintTarget->setChecked(false);
    });

    mmoNote->installEventFilter(this);
    connect(bbtnAddExtFile, &QPushButton::clicked, this, &TDataInquiry::bbtnAddExtFileClick);
    connect(bbtnDelExtFile, &QPushButton::clicked, this, &TDataInquiry::bbtnDelExtFileClick);
    connect(bbtnOpenExtFile, &QPushButton::clicked, this, &TDataInquiry::bbtnOpenExtFileClick);
    connect(lvExtFile, &QTreeWidget::itemSelectionChanged, this, &TDataInquiry::lvExtFileSelectItem);
    connect(bbtnSymbolColor, &QPushButton::clicked, this, &TDataInquiry::bbtnSymbolColorClick);
}

void TDataInquiry::bindEnterKeys()
{
    auto toEnd = [this](QWidget *target) { return [this, target] { focusAtEnd(target); }; };
    auto to = [this](QWidget *target) { return [this, target] { focusOrNext(target); }; };
    const auto endOfForm = [this] { focusOrNext(holdOrAddButton()); };
    enterActions_ = {
        {cbxGroup, toEnd(edtCustomCode)},
        {edtTel,
         [this] {
             if (TrimBlanks(edtTdfkn->text()).isEmpty())
                 focusOrNext(bbtnTelSch);
             else
                 focusOrNext(chkMainNumber);
         }},
        {edtPos,
         [this] {
             if (TrimBlanks(edtTdfkn->text()).isEmpty())
                 focusOrNext(bbtnPosSch);
             else
                 focusAtEnd(edtTdfkn);
         }},
        {edtJisCode, toEnd(edtTdfkn)},
        {edtAdrs1, toEnd(edtAdrs2)},
        // The person/company switch stands between the address and the company: Enter stops on it as Tab does.
        {edtAdrsKana, [this] { grpPrivCorp->checkedButton()->setFocus(); }},
        {sbtnPriv, [this] { focusPersonOrCompany(); }},
        {sbtnCorp, [this] { focusPersonOrCompany(); }},
        {nmedtCorpKanji, toEnd(edtCorpKana)},
        {cbxDptmnt, to(cbxPost)},
        {cbxPost, toEnd(nmedtNameKanji)},
        {Cbx_CatMain,
         [this, endOfForm] {
             if (Cbx_CatSub->isEnabled())
                 Cbx_CatSub->setFocus();
             else if (sbtnCorp->isChecked())
                 focusOrNext(chkIgnoreName);
             else
                 endOfForm();
         }},
        {Cbx_CatSub,
         [this, endOfForm] {
             if (sbtnCorp->isChecked())
                 focusOrNext(chkIgnoreName);
             else
                 endOfForm();
         }},
        {chkIgnoreName, endOfForm},
        {edtURL, toEnd(edtEMail1)},
        {edtEMail1, toEnd(edtEMail2)},
        {edtEMail2, toEnd(nmedtJoint[0])},
        {cbxJointHonor[4], to(cbxJointOwner)},
        {cbxSender, endOfForm},
        {sbtnPrintException, endOfForm},
        {cbxKeyword[0], to(cbxKeyword[1])},
        {cbxKeyword[1], to(cbxKeyword[2])},
        {cbxKeyword[2], to(mmoNote)},
        {lvExtFile, to(cbxSymbolMark)},
        {cbxSymbolMark, endOfForm},
        {edtDetailPath, toEnd(edtDetailFile)},
        {edtAddDateTime, toEnd(edtUpdDateTime)},
    };
    QList<QWidget *> moveOn = {edtFax,         edtPortable1,  edtPortable2, edtTdfkn,      edtAdrs2,
                               edtAdrs3,       edtCorpKana,   cbxHonor,     nmedtNameKanji, nmedtNameKana,
                               cbxJointOwner,  chkMainNumber, edtCustomCode, edtUpdDateTime, edtDetailFile,
                               sbtnJointPrintM, sbtnPrintTarget};
    for (int i = 0; i < 5; ++i)
        moveOn << nmedtJoint[i] << edtKeyword[i];
    for (int i = 0; i < 4; ++i)
        moveOn << cbxJointHonor[i];
    for (QToolButton *b : sbtnJointPrint)
        moveOn << b;
    for (QWidget *w : moveOn)
        enterActions_.emplace(w, [this, w] { NextFocusKeyPress(w); });
    // A look-up or a list edit opened by Enter hands the focus on to the next field when it is done, so that
    // Enter alone walks the whole form.
    for (QPushButton *b : {bbtnTelSch, bbtnPosSch, bbtnAdrsSearch, bbtnDptmnt, bbtnPost, bbtnHonor, bbtnJointHonor,
                           bbtnKeyword[0], bbtnKeyword[1], bbtnKeyword[2]})
        enterActions_.emplace(b, [this, b] {
            b->click();
            focusNext(b, true);
        });
    for (const auto &entry : enterActions_)
        entry.first->installEventFilter(this);
}

void TDataInquiry::ClearControls()
{
    setActivePage(tabstMain);
    for (QLineEdit *e : {edtCustomCode, edtTel, edtFax, edtPortable1, edtPortable2, edtPos, edtTdfkn, edtAdrs1,
                         edtAdrs2, edtAdrs3, edtAdrsKana, edtJisCode, static_cast<QLineEdit *>(nmedtCorpKanji),
                         edtCorpKana, static_cast<QLineEdit *>(nmedtNameKanji),
                         static_cast<QLineEdit *>(nmedtNameKana), edtURL, edtEMail1, edtEMail2})
        e->clear();
    lblKajoCode->clear();
    for (QComboBox *c : {cbxDptmnt, cbxPost, cbxHonor})
        c->setEditText(QString());
    for (int i = 0; i < 5; ++i) {
        nmedtJoint[i]->clear();
        cbxJointHonor[i]->setEditText(QString());
        edtKeyword[i]->clear();
    }
    for (QComboBox *c : cbxKeyword)
        c->setEditText(QString());
    mmoNote->clear();
    chkMainNumber->setChecked(false);
    chkIgnoreName->setChecked(false);
    Latitude = Longitude = 0;
    ShownCatMain = 0;
    SelectMainCategory(0);
    cbxJointOwner->clear();
    cbxJointOwner->AddObject(QStringLiteral("本人"), 0);
    cbxJointOwner->setCurrentIndex(0);
    JointOwner = 0;
    for (int n = 1; n <= 5; ++n)
        nmedtJointChange(n);
    const TAddressRecord fresh = NewAddressRecord();
    sbtnJointPrintM->setChecked(fresh.JointPrint);
    UpdateJointPrintGlyph(sbtnJointPrintM);
    for (int i = 0; i < 5; ++i) {
        sbtnJointPrint[i]->setChecked(fresh.JointPrints[i]);
        UpdateJointPrintGlyph(sbtnJointPrint[i]);
    }
    setPrintTarget(fresh.PrintTarget);
    cbxSender->setCurrentIndex(cbxSender->count() > 0 ? 0 : -1);
    SenderNo = 0;
    lvExtFile->clear();
    edtDetailPath->clear();
    edtDetailFile->clear();
    bbtnAddExtFile->setEnabled(true);
    bbtnDelExtFile->setEnabled(false);
    cbxSymbolMark->setCurrentIndex(0);
    setSymbolColor(fresh.SymbolColor);
    edtAddDateTime->clear();
    edtUpdDateTime->clear();
    CarriedGroup = GroupNo;
}

void TDataInquiry::RecordToControls(TAddressRecord &record)
{
    cbxGroup->setCurrentIndex(record.Group);
    GroupNo = record.Group;
    edtCustomCode->setText(Sjis::decode(record.CustomCode));
    edtTel->setText(Sjis::decode(record.Tel));
    chkMainNumber->setChecked(record.TelDiv == 3);
    edtFax->setText(Sjis::decode(record.Fax));
    edtPortable1->setText(Sjis::decode(record.Portable1));
    edtPortable2->setText(Sjis::decode(record.Portable2));
    edtPos->setText(FormatPostalCode(Sjis::decode(record.Pos)));
    edtTdfkn->setText(Sjis::decode(record.Tdfkn));
    edtAdrs1->setText(Sjis::decode(record.Adrs1));
    edtAdrs2->setText(Sjis::decode(record.Adrs2));
    edtAdrs3->setText(Sjis::decode(record.Adrs3));
    edtAdrsKana->setText(Sjis::decode(record.AdrsKana));
    edtJisCode->setText(Sjis::decode(record.JisCode));
    lblKajoCode->setText(Sjis::decode(record.KajoCode));
    Latitude = record.Latitude;
    Longitude = record.Longitude;
    (record.PrivCorp ? sbtnPriv : sbtnCorp)->setChecked(true);
    UpdatePrivCorp();
    nmedtCorpKanji->setText(Sjis::decode(record.CorpKanji));
    edtCorpKana->setText(Sjis::decode(record.CorpKana));
    cbxDptmnt->setEditText(Sjis::decode(record.Dptmnt));
    cbxPost->setEditText(Sjis::decode(record.Post));
    nmedtNameKanji->setText(EscapedAnsiToWide(record.NameKanji));
    nmedtNameKana->setText(Sjis::decode(record.NameKana));
    cbxHonor->setEditText(Sjis::decode(record.Honor));
    chkIgnoreName->setChecked(record.IgnoreName);
    edtURL->setText(Sjis::decode(record.URL));
    edtEMail1->setText(Sjis::decode(record.EMail1));
    edtEMail2->setText(Sjis::decode(record.EMail2));
    for (int i = 0; i < 5; ++i)
        nmedtJoint[i]->setText(EscapedAnsiToWide(record.Joint[i]));
    for (int i = 0; i < 5; ++i)
        cbxJointHonor[i]->setEditText(Sjis::decode(record.JointHonor[i]));
    JointOwner = record.JointOwner;
    rebuildJointOwnerList();
    sbtnJointPrintM->setChecked(record.JointPrint);
    UpdateJointPrintGlyph(sbtnJointPrintM);
    for (int i = 0; i < 5; ++i) {
        sbtnJointPrint[i]->setChecked(record.JointPrints[i]);
        UpdateJointPrintGlyph(sbtnJointPrint[i]);
    }
    setPrintTarget(record.PrintTarget);
    const int sender = cbxSender->findData(record.Sender);
    if (sender < 0) {
        cbxSender->setCurrentIndex(0);
        record.Sender = 0;
        SenderNo = 0;
    } else {
        cbxSender->setCurrentIndex(sender);
        SenderNo = record.Sender;
    }
    for (int i = 0; i < 5; ++i)
        edtKeyword[i]->setText(Sjis::decode(record.Keyword[i]));
    for (int i = 0; i < 3; ++i)
        cbxKeyword[i]->setEditText(Sjis::decode(record.Keyword[i + 5]));
    mmoNote->setPlainText(linesText(record.Note));
    lvExtFile->clear();
    edtDetailPath->clear();
    edtDetailFile->clear();
    if (record.ExtFile)
        for (const QByteArray &line : *record.ExtFile)
            addExtFileRow(Sjis::decode(line));
    bbtnAddExtFile->setEnabled(lvExtFile->topLevelItemCount() < MaxExtFiles);
    bbtnDelExtFile->setEnabled(lvExtFile->topLevelItemCount() > 0);
    selectSymbolMark(record.SymbolMark);
    setSymbolColor(record.SymbolColor);
    edtAddDateTime->setText(formatDateTime(record.AddDateTime, QStringLiteral(" yyyy/MM/dd hh:mm:ss")));
    edtUpdDateTime->setText(formatDateTime(record.UpdDateTime, QStringLiteral(" yyyy/MM/dd hh:mm:ss")));
    SelectMainCategory(record.CodeMain);
    if (record.CodeMain != 0)
        SelectSubCategory(record.CodeMain, record.CodeSub);
    ShownCatMain = record.CodeMain;
}

TAddressRecord TDataInquiry::ControlsToRecord(bool forStore) const
{
    // A snapshot keeps each text as it stands, cut to its field; the store trims texts and keeps only the
    // digits of numbers (the table cuts to the field).
    auto text = [forStore](const QString &s, int width) {
        const QByteArray bytes = Sjis::encode(s);
        return forStore ? TrimBlanks(bytes) : Sjis::cutToBytes(bytes, width);
    };
    auto phone = [&](const QLineEdit *e) {
        return forStore ? digitsOf(e->text()) : text(e->text(), TAddressRecord::TelCapacity);
    };
    auto wide = [forStore](const QString &s, int width) {
        return forStore ? WideToEscapedAnsi(TrimBlanks(s)) : Sjis::cutToBytes(WideToEscapedAnsi(s), width);
    };
    TAddressRecord r;
    r.Group = GroupNo;
    r.CustomCode = text(edtCustomCode->text(), 20);
    r.Tel = phone(edtTel);
    r.TelDiv = chkMainNumber->isChecked() ? 3 : 0;
    r.Fax = phone(edtFax);
    r.Portable1 = phone(edtPortable1);
    r.Portable2 = phone(edtPortable2);
    r.Pos = forStore ? digitsOf(edtPos->text()) : digitsOf(edtPos->text()).left(7);
    r.Tdfkn = text(edtTdfkn->text(), 8);
    r.Adrs1 = text(edtAdrs1->text(), 32);
    r.Adrs2 = text(edtAdrs2->text(), 100);
    r.Adrs3 = text(edtAdrs3->text(), 116);
    r.AdrsKana = text(edtAdrsKana->text(), 100);
    r.JisCode = text(edtJisCode->text(), 5);
    r.KajoCode = text(lblKajoCode->text(), 6);
    r.Latitude = Latitude;
    r.Longitude = Longitude;
    r.PrivCorp = sbtnPriv->isChecked();
    r.CorpKanji = text(nmedtCorpKanji->text(), TAddressRecord::CorpKanjiCapacity);
    r.CorpKana = text(edtCorpKana->text(), 80);
    r.Dptmnt = text(cbxDptmnt->currentText(), 100);
    r.Post = text(cbxPost->currentText(), 50);
    r.NameKanji = wide(nmedtNameKanji->text(), 75);
    r.NameKana = text(nmedtNameKana->text(), 25);
    r.Honor = text(cbxHonor->currentText(), 10);
    r.IgnoreName = chkIgnoreName->isChecked();
    r.URL = text(edtURL->text(), 128);
    r.EMail1 = text(edtEMail1->text(), 64);
    r.EMail2 = text(edtEMail2->text(), 64);
    for (int i = 0; i < 5; ++i) {
        r.Joint[i] = wide(nmedtJoint[i]->text(), 55);
        r.JointHonor[i] = text(cbxJointHonor[i]->currentText(), 10);
        r.JointPrints[i] = sbtnJointPrint[i]->isChecked();
    }
    r.JointOwner = JointOwner;
    r.JointPrint = sbtnJointPrintM->isChecked();
    r.PrintTarget = printTargetValue();
    r.Sender = SenderNo;
    for (int i = 0; i < 5; ++i)
        r.Keyword[i] = text(edtKeyword[i]->text(), 100);
    for (int i = 0; i < 3; ++i)
        r.Keyword[i + 5] = text(cbxKeyword[i]->currentText(), 100);
    if (!mmoNote->toPlainText().isEmpty())
        r.Note = textLines(mmoNote->toPlainText());
    if (lvExtFile->topLevelItemCount() > 0) {
        QByteArrayList lines;
        for (const QString &path : ExtFilePaths())
            lines << Sjis::encode(path);
        r.ExtFile = lines;
    }
    if (cbxSymbolMark->currentIndex() > 0)
        r.SymbolMark = text(cbxSymbolMark->currentText(), 10);
    r.SymbolColor = SymbolColor();
    r.CodeMain = Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex());
    if (r.CodeMain > 0)
        r.CodeSub = Cbx_CatSub->ItemObject(Cbx_CatSub->currentIndex());
    return r;
}

void TDataInquiry::UpdateJointPrintGlyph(QToolButton *button)
{
    button->setIcon(EntryGlyph(button->isChecked() ? "PRINTER" : "NOPRINT"));
}
