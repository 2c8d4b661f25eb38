#include "designers/QRCode.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "designers/DataFrm.h"
#include "designers/NameReadingPopup.h"
#include "designers/RangeEdit.h"
#include "designers/SenderRecord.h"
#include "designers/SettingsDialogs.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"
#include "records/UniNMDEdit.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"
#include "widgets/UpDown.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString DesignSection = QStringLiteral("DESIGN");
constexpr int UnsetSize = 32767;
constexpr int MinWidth = 580;
constexpr int MinHeight = 460;
const QString QRHeaderTexts[] = {QStringLiteral("TEL:"), QStringLiteral("http://")};

// The paint box of the preview: the code at its own size.
class TPreviewBox : public QWidget {
public:
    TPreviewBox(QWidget *parent, const TQRCodeRect &code) : QWidget(parent), code_(code) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        TCanvas canvas(painter, 96, 96);
        const_cast<TQRCodeRect &>(code_).Draw(canvas, 0, 0);
    }

private:
    const TQRCodeRect &code_;
};

QLineEdit *lineEdit(const char *name, int maxChars, QWidget *parent)
{
    auto *edit = Named<QLineEdit>(name, parent);
    LimitToShiftJis(edit, 0);
    edit->setMaxLength(maxChars);
    return edit;
}

// The first two contact rows whose heading is heading (letter case aside), as their values.
std::array<QByteArray, 2> contactsHeaded(const TSenderRecord &sender, const QString &heading, bool digitsOnly)
{
    std::array<QByteArray, 2> found;
    int count = 0;
    for (int i = 0; i < 4 && count < 2; ++i)
        if (Sjis::decode(sender.Head[i]).compare(heading, Qt::CaseInsensitive) == 0)
            found[count++] = digitsOnly ? KeepNumberChars(sender.Addition[i], NumberChars::Digits) : sender.Addition[i];
    return found;
}

// Fills the two slots from the two edits in order, the second edit moving up when the first is empty. Both
// slots are set, so an emptied edit empties its slot instead of leaving old data to be encoded.
std::array<QByteArray, 2> twoSlots(const QByteArray &first, const QByteArray &second)
{
    std::array<QByteArray, 2> filled{first, QByteArray()};
    if (!second.isEmpty())
        filled[filled[0].isEmpty() ? 0 : 1] = second;
    return filled;
}

}  // namespace

TQRCodeSettingDialog::TQRCodeSettingDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("QRCodeSettingDialog"));
    setWindowTitle(QStringLiteral("QRコードの設定"));
    setProperty("HelpContext", 133);
    buildControls();
    setMinimumSize(minimumSizeHint().expandedTo(QSize(ScaleByDpi(MinWidth, true), ScaleByDpi(MinHeight, true))));
    resize(minimumSize());
    LoadSettings();
    NamePopup = std::make_unique<TNameReadingPopup>(this, std::vector<TUniNMDEdit *>{edName});
    listSenders();
}

TQRCodeSettingDialog::~TQRCodeSettingDialog() { DisconnectChildControls(this); }

void TQRCodeSettingDialog::buildControls()
{
    auto *kinds = new QButtonGroup(this);
    auto *gbxKind = Named<QGroupBox>("gbxKind", QStringLiteral("種類"), this);
    auto *kind = new QVBoxLayout(gbxKind);
    rbText = Named<QRadioButton>("rbText", QStringLiteral("文章"), gbxKind);
    rbAddress = Named<QRadioButton>("rbAddress", QStringLiteral("電話帳登録"), gbxKind);
    rbMail = Named<QRadioButton>("rbMail", QStringLiteral("メール作成"), gbxKind);
    int tag = 0;
    for (QRadioButton *r : {rbText, rbAddress, rbMail}) {
        kinds->addButton(r, tag++);
        kind->addWidget(r);
    }
    auto *carriers = new QButtonGroup(this);
    auto *gbxCarrier = Named<QGroupBox>("gbxCarrier", QStringLiteral("キャリア"), this);
    auto *carrier = new QGridLayout(gbxCarrier);
    rbDocomo = Named<QRadioButton>("rbDocomo", QStringLiteral("docomo"), gbxCarrier);
    rbSoftBank = Named<QRadioButton>("rbSoftBank", QStringLiteral("SoftBank"), gbxCarrier);
    carriers->addButton(rbDocomo, 0);
    carriers->addButton(rbSoftBank, 1);
    lblInfo = Named<QLabel>("lblInfo", QStringLiteral("※auはどちらの仕様にも対応しています"), this);
    carrier->addWidget(rbDocomo, 0, 0);
    carrier->addWidget(rbSoftBank, 1, 0);
    carrier->setRowStretch(2, 1);
    connect(kinds, &QButtonGroup::buttonToggled, this, [this](QAbstractButton *, bool on) {
        if (on)
            rbKindClick();
    });
    connect(carriers, &QButtonGroup::buttonToggled, this, [this](QAbstractButton *, bool on) {
        if (on)
            rbCarrierClick();
    });

    pgcKind = Named<QStackedWidget>("pgcKind", this);
    auto *tbsText = Named<QWidget>("tbsText", pgcKind);
    auto *text = new QGridLayout(tbsText);
    memText = Named<QPlainTextEdit>("memText", tbsText);
    // Tab goes on to the buttons below: a code's text has no use for a tab character.
    memText->setTabChangesFocus(true);
    LimitToShiftJis(memText);
    auto *lblText = Named<QLabel>("lblText", QStringLiteral("文章："), tbsText);
    lblText->setBuddy(memText);
    auto *bbtnTelHeader = Named<QPushButton>("bbtnTelHeader", QStringLiteral("「TEL:」を付加"), tbsText);
    auto *bbtnURLHeader = Named<QPushButton>("bbtnURLHeader", QStringLiteral("「http://」を付加"), tbsText);
    connect(bbtnTelHeader, &QPushButton::clicked, this, [this] { bbtnAddHeaderClick(0); });
    connect(bbtnURLHeader, &QPushButton::clicked, this, [this] { bbtnAddHeaderClick(1); });
    text->addWidget(lblText, 0, 0, 1, 3);
    text->addWidget(memText, 1, 0, 1, 3);
    text->addWidget(bbtnTelHeader, 2, 0);
    text->addWidget(bbtnURLHeader, 2, 1);
    text->setColumnStretch(2, 1);
    pgcKind->addWidget(tbsText);

    auto *tbsAddress = Named<QWidget>("tbsAddress", pgcKind);
    auto *address = new QGridLayout(tbsAddress);
    const auto row = [](QGridLayout *grid, int r, const char *labelName, const char *caption, QWidget *edit,
                        QWidget *parent) {
        auto *l = Named<QLabel>(labelName, QString::fromUtf8(caption), parent);
        l->setBuddy(edit);
        grid->addWidget(l, r, 0);
        grid->addWidget(edit, r, 1, 1, 2);
    };
    cbxSender = Named<QComboBox>("cbxSender", tbsAddress);
    cbxSender->setAccessibleName(QStringLiteral("差出人"));
    btnSender = Named<QPushButton>("btnSender", QStringLiteral("差出人から取得"), tbsAddress);
    auto *senders = new QHBoxLayout;
    senders->addWidget(cbxSender, 1);
    senders->addWidget(btnSender);
    address->addLayout(senders, 0, 0, 1, 3);
    edName = Named<TUniNMDEdit>("edName", tbsAddress);
    LimitToShiftJis(edName, 0);
    edName->setMaxLength(15);
    edKana = Named<TUniEdit>("edKana", tbsAddress);
    LimitToShiftJis(edKana, 0);
    edKana->setMaxLength(30);
    SetImeMode(edKana, imKata);
    edName->SetAssociate(edKana);
    edTel1 = Named<QLineEdit>("edTel1", tbsAddress);
    edTel2 = Named<QLineEdit>("edTel2", tbsAddress);
    MakeHalfWidthField(edTel1, 13);
    MakeHalfWidthField(edTel2, 13);
    edMail1 = lineEdit("edMail1", 128, tbsAddress);
    edMail2 = lineEdit("edMail2", 128, tbsAddress);
    edMemo = lineEdit("edMemo", 200, tbsAddress);
    for (QLineEdit *e : {edTel1, edTel2, edMail1, edMail2})
        SetImeMode(e, imDisable);
    for (QLineEdit *e : {edMail1, edMail2})
        e->setInputMethodHints(e->inputMethodHints() | Qt::ImhEmailCharactersOnly);
    row(address, 1, "lblName", "名前：", edName, tbsAddress);
    row(address, 2, "lblKana", "カナ：", edKana, tbsAddress);
    row(address, 3, "lblTel1", "TEL：", edTel1, tbsAddress);
    row(address, 4, "lblTel2", "TEL：", edTel2, tbsAddress);
    row(address, 5, "lblMail1", "E-Mail：", edMail1, tbsAddress);
    row(address, 6, "lblMail2", "E-Mail：", edMail2, tbsAddress);
    row(address, 7, "lblMemo", "メモ：", edMemo, tbsAddress);
    // The second number and address have the first's caption: a screen reader says which each is.
    edTel1->setAccessibleName(QStringLiteral("TEL1"));
    edTel2->setAccessibleName(QStringLiteral("TEL2"));
    edMail1->setAccessibleName(QStringLiteral("E-Mail1"));
    edMail2->setAccessibleName(QStringLiteral("E-Mail2"));
    address->setRowStretch(8, 1);
    pgcKind->addWidget(tbsAddress);
    connect(btnSender, &QPushButton::clicked, this, [this] { FillFromSender(cbxSender->currentIndex() + 1); });
    connect(edName, &TUniNMDEdit::OnConvertNeed, this,
            [this](QObject *sender, TNameDicKind kind, bool show, const QByteArray &value) {
                NamePopup->ConvertNeed(sender, kind, show, value);
            });
    connect(
        edName, &TUniNMDEdit::OnConvertKeyDown, this,
        [this](QObject *, quint32 &key, bool &handled) { NamePopup->ConvertKeyDown(key, handled); },
        Qt::DirectConnection);

    auto *tbsMail = Named<QWidget>("tbsMail", pgcKind);
    auto *mail = new QGridLayout(tbsMail);
    edMailTo = lineEdit("edMailTo", 128, tbsMail);
    edSubject = lineEdit("edSubject", 100, tbsMail);
    edBody = lineEdit("edBody", 200, tbsMail);
    SetImeMode(edMailTo, imDisable);
    edMailTo->setInputMethodHints(edMailTo->inputMethodHints() | Qt::ImhEmailCharactersOnly);
    row(mail, 0, "lblMailTo", "宛先：", edMailTo, tbsMail);
    row(mail, 1, "lblSubject", "件名：", edSubject, tbsMail);
    row(mail, 2, "lblBody", "本文：", edBody, tbsMail);
    mail->setRowStretch(3, 1);
    pgcKind->addWidget(tbsMail);

    auto *gbxView = Named<QGroupBox>("gbxView", QStringLiteral("表示"), this);
    auto *view = new QHBoxLayout(gbxView);
    auto *lblSize = Named<QLabel>("lblSize", QStringLiteral("サイズ："), gbxView);
    size = new TRangeEdit(gbxView, "edSize", "udSize", 1, 5, 1);
    size->SetLabel(lblSize);
    auto *lblColor = Named<QLabel>("lblColor", QStringLiteral("色："), gbxView);
    pnlColor = MakeSwatch("pnlColor", gbxView);
    QAbstractButton *bbtnColor = MakeColorButton("bbtnColor", gbxView, QStringLiteral("色"));
    view->addWidget(lblSize);
    view->setSpacing(2);
    view->addWidget(size->Edit);
    view->addWidget(size->UpDown);
    view->addSpacing(16);
    view->addWidget(lblColor);
    view->addWidget(pnlColor);
    view->addWidget(bbtnColor);
    view->addStretch();
    connect(bbtnColor, &QAbstractButton::clicked, this, [this] { ChooseSwatchColor(this, pnlColor, true); });

    sbxPreview = Named<QScrollArea>("sbxPreview", this);
    sbxPreview->setAlignment(Qt::AlignCenter);
    sbxPreview->setBackgroundRole(QPalette::Base);
    pbxPreview = new TPreviewBox(sbxPreview, Preview_);
    pbxPreview->setObjectName(QStringLiteral("pbxPreview"));
    sbxPreview->setWidget(pbxPreview);
    btnRefresh = Named<QPushButton>("btnRefresh", QStringLiteral("更新"), this);
    connect(btnRefresh, &QPushButton::clicked, this, [this] { applySettings(); });

    auto *choices = new QHBoxLayout;
    choices->addWidget(gbxKind);
    choices->addWidget(gbxCarrier, 1);
    auto *left = new QVBoxLayout;
    left->addLayout(choices);
    left->addWidget(lblInfo, 0, Qt::AlignRight);
    left->addWidget(pgcKind, 1);
    left->addWidget(gbxView);
    auto *right = new QVBoxLayout;
    right->addWidget(sbxPreview, 1);
    right->addWidget(btnRefresh, 0, Qt::AlignRight);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 5);
    top->addLayout(right, 3);
    auto *root = new QVBoxLayout(this);
    root->addLayout(top, 1);
    root->addLayout(MakeOkCancelButtons(this, btnOK, btnCancel));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    connect(btnOK, &QPushButton::clicked, this, [this] {
        applySettings();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *pnlGrip = Named<QSizeGrip>("pnlGrip", this);
    root->addWidget(pnlGrip, 0, Qt::AlignRight | Qt::AlignBottom);
    root->setSpacing(4);

    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
}

void TQRCodeSettingDialog::LoadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const int width = ini.ReadInteger(DesignSection, QStringLiteral("QRWidth"), UnsetSize);
    const int height = ini.ReadInteger(DesignSection, QStringLiteral("QRHeight"), UnsetSize);
    if (width == UnsetSize || height == UnsetSize)
        return;
    resize(ScaleByDpi(std::max(width, MinWidth), true), ScaleByDpi(std::max(height, MinHeight), true));
}

void TQRCodeSettingDialog::SaveSettings()
{
    // The size as the user left it, not a maximized one.
    const QRect bounds = isMaximized() ? normalGeometry() : geometry();
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteInteger(DesignSection, QStringLiteral("QRWidth"), ScaleByDpi(bounds.width(), false));
    ini.WriteInteger(DesignSection, QStringLiteral("QRHeight"), ScaleByDpi(bounds.height(), false));
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // Only the window's size is lost.
    }
}

void TQRCodeSettingDialog::listSenders()
{
    cbxSender->clear();
    if (DMMirvale18 && DMMirvale18->OpenSenderTable()) {
        const auto close = qScopeGuard([] { DMMirvale18->CloseSenderTable(); });
        TTable &table = *DMMirvale18->SenderTable;
        for (table.First(); !table.Eof(); table.Next())
            cbxSender->addItem(Sjis::decode(ReadSenderRecord(table).Title));
    }
    const bool none = cbxSender->count() == 0;
    if (none)
        cbxSender->addItem(QStringLiteral("なし"));
    cbxSender->setCurrentIndex(0);
    btnSender->setEnabled(!none);
}

void TQRCodeSettingDialog::ResetPreview(const TQRCodeRect &source)
{
    Preview_.Assign(source);
    Preview_.SetZoom(1.0);
    Preview_.SetRect({0, 0, 0, 0});
}

void TQRCodeSettingDialog::ShowQRCode()
{
    const uint8_t kind = Preview_.Kind();
    (kind == TQRCodeRect::PlainText ? rbText : kind <= TQRCodeRect::Memory ? rbAddress : rbMail)->setChecked(true);
    (kind == TQRCodeRect::Memory || kind == TQRCodeRect::MailTo ? rbSoftBank : rbDocomo)->setChecked(true);
    rbKindClick();
    rbCarrierClick();
    memText->setPlainText(Sjis::decode(Preview_.Text()));
    edName->setText(Sjis::decode(Preview_.Name()));
    edKana->setText(Sjis::decode(Preview_.NameKana()));
    edTel1->setText(Sjis::decode(Preview_.GetTel(0)));
    edTel2->setText(Sjis::decode(Preview_.GetTel(1)));
    edMail1->setText(Sjis::decode(Preview_.GetMail(0)));
    edMail2->setText(Sjis::decode(Preview_.GetMail(1)));
    edMemo->setText(Sjis::decode(Preview_.Note()));
    edMailTo->setText(Sjis::decode(Preview_.GetMailTo()));
    edSubject->setText(Sjis::decode(Preview_.Subject()));
    edBody->setText(Sjis::decode(Preview_.Body()));
    size->SetPosition(Preview_.CellSize());
    SetSwatchColor(pnlColor, int32_t(Preview_.ForeColor()));
}

void TQRCodeSettingDialog::rbKindClick()
{
    for (QRadioButton *r : {rbText, rbAddress, rbMail})
        SetCaptionColour(r, r->isChecked());
    const bool carriers = !rbText->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{rbDocomo, rbSoftBank, lblInfo})
        w->setEnabled(carriers);
    pgcKind->setCurrentIndex(rbText->isChecked() ? 0 : rbAddress->isChecked() ? 1 : 2);
}

void TQRCodeSettingDialog::rbCarrierClick()
{
    for (QRadioButton *r : {rbDocomo, rbSoftBank})
        SetCaptionColour(r, r->isChecked());
}

void TQRCodeSettingDialog::applySettings()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const bool softBank = rbSoftBank->isChecked();
    Preview_.SetKind(rbText->isChecked()      ? TQRCodeRect::PlainText
                     : rbAddress->isChecked() ? (softBank ? TQRCodeRect::Memory : TQRCodeRect::MeCard)
                                              : (softBank ? TQRCodeRect::MailTo : TQRCodeRect::MatMsg));
    Preview_.SetCellSize(size->Position());
    Preview_.SetForeColor(uint32_t(SwatchColor(pnlColor)));
    Preview_.SetText(Sjis::encode(memText->toPlainText()));
    Preview_.SetName(Sjis::encode(edName->text()));
    Preview_.SetNameKana(Sjis::encode(edKana->text()));
    const auto digits = [](const QLineEdit *edit) {
        return KeepNumberChars(Sjis::encode(edit->text()), NumberChars::Digits);
    };
    const auto tels = twoSlots(digits(edTel1), digits(edTel2));
    const auto mails = twoSlots(Sjis::encode(edMail1->text()), Sjis::encode(edMail2->text()));
    for (int i = 0; i < 2; ++i) {
        Preview_.SetTel(i, tels[i]);
        Preview_.SetMail(i, mails[i]);
    }
    Preview_.SetNote(Sjis::encode(edMemo->text()));
    Preview_.SetMailTo(Sjis::encode(edMailTo->text()));
    Preview_.SetSubject(Sjis::encode(edSubject->text()));
    Preview_.SetBody(Sjis::encode(edBody->text()));
    renderPreview();
}

void TQRCodeSettingDialog::renderPreview()
{
    Preview_.Prepare(TRenderTarget{}, false);
    const TRect r = Preview_.GetRect();
    Preview_.SetRect({0, 0, r.Width(), r.Height()});
    pbxPreview->setFixedSize(std::max(r.Width(), 1), std::max(r.Height(), 1));
    pbxPreview->update();
}

void TQRCodeSettingDialog::bbtnAddHeaderClick(int tag)
{
    memText->textCursor().insertText(QRHeaderTexts[tag]);
    memText->setFocus();
}

void TQRCodeSettingDialog::FillFromSender(int row)
{
    if (!DMMirvale18 || !DMMirvale18->OpenSenderTable())
        return;
    const auto close = qScopeGuard([] { DMMirvale18->CloseSenderTable(); });
    TTable &table = *DMMirvale18->SenderTable;
    if (table.IsEmpty())
        return;
    table.First();
    for (int i = 1; i < row && !table.Eof(); ++i)
        table.Next();
    const TSenderRecord sender = ReadSenderRecord(table);
    edName->setText(EscapedAnsiToWide(sender.Name));
    edKana->clear();
    edTel1->setText(Sjis::decode(sender.Tel));
    const auto mobiles = contactsHeaded(sender, QStringLiteral("携帯"), true);
    const auto mails = contactsHeaded(sender, QStringLiteral("E-Mail"), false);
    if (!edTel1->text().isEmpty()) {
        edTel2->setText(Sjis::decode(mobiles[0]));
    } else {
        edTel1->setText(Sjis::decode(mobiles[0]));
        edTel2->setText(Sjis::decode(mobiles[1]));
    }
    edMail1->setText(Sjis::decode(mails[0]));
    edMail2->setText(Sjis::decode(mails[1]));
}

void TQRCodeSettingDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ShowQRCode();
    renderPreview();
}

void TQRCodeSettingDialog::done(int result)
{
    NamePopup->Close();
    SaveSettings();
    QDialog::done(result);
}

void TQRCodeSettingDialog::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    NamePopup->FollowForm();
}

bool TQRCodeSettingDialog::event(QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(WM_NAMEDICCHOSEN)) {
        NamePopup->Converted();
        return true;
    }
    return QDialog::event(event);
}

bool TQRCodeSettingDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event) || watched == memText || qobject_cast<QPushButton *>(watched) ||
        qobject_cast<QComboBox *>(watched) == cbxSender)
        return QDialog::eventFilter(watched, event);
    if (watched == size->Edit) {
        btnOK->setFocus();
        return true;
    }
    if (qobject_cast<QLineEdit *>(watched) || qobject_cast<QRadioButton *>(watched))
        return MoveOnEnter(this, event);
    return QDialog::eventFilter(watched, event);
}
