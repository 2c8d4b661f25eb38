#include "designers/DataFrm.h"

#include "core/SharedHelpers.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

void CheckChoice(uint32_t value, QRadioButton *first, QRadioButton *second, QRadioButton *third)
{
    (value == 0 ? first : value == 1 ? second : third)->setChecked(true);
}

uint32_t CheckedChoice(const QRadioButton *first, const QRadioButton *second)
{
    return first->isChecked() ? 0 : second->isChecked() ? 1 : 2;
}

bool MoveOnEnter(QWidget *dialog, QEvent *event)
{
    if (!IsEnterKey(event))
        return false;
    QWidget *next = dialog->focusWidget() ? dialog->focusWidget()->nextInFocusChain() : nullptr;
    while (next && next != dialog->focusWidget() &&
           (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled() || !next->isVisible() ||
            !dialog->isAncestorOf(next)))
        next = next->nextInFocusChain();
    if (next) {
        next->setFocus(Qt::TabFocusReason);
        if (auto *edit = qobject_cast<QLineEdit *>(next))
            edit->setCursorPosition(int(edit->text().size()));
    }
    return true;
}

namespace {

QRadioButton *radio(const char *name, const char *caption, QWidget *parent, QButtonGroup *group, int tag)
{
    auto *button = Named<QRadioButton>(name, QString::fromUtf8(caption), parent);
    group->addButton(button, tag);
    return button;
}

}  // namespace

TDataFormDialog::TDataFormDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("DataFormDialog"));
    setWindowTitle(QStringLiteral("書式の設定"));
    setProperty("HelpContext", 118);
    auto *root = new QVBoxLayout(this);

    auto *gbxConvert = Named<QGroupBox>("gbxConvert", QStringLiteral("文字の変換"), this);
    auto *convert = new QVBoxLayout(gbxConvert);
    ckbTdfkn = Named<QCheckBox>("ckbTdfkn", QStringLiteral("都道府県を表示しない"), gbxConvert);
    ckbVertNumeral = Named<QCheckBox>("ckbVertNumeral", QStringLiteral("縦書き時に住所の数字も縦に並べる"), gbxConvert);
    ckbChineseNumeral = Named<QCheckBox>("ckbChineseNumeral", QStringLiteral("数字を漢数字に変換する"), gbxConvert);
    ckbConnect = Named<QCheckBox>("ckbConnect", QStringLiteral("「－」 を 「の」 に変換する"), gbxConvert);
    for (QCheckBox *box : {ckbTdfkn, ckbVertNumeral, ckbChineseNumeral, ckbConnect}) {
        convert->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [box](bool on) { SetCaptionColour(box, on); });
    }
    root->addWidget(gbxConvert);

    auto *tbsCorpOmit = Named<QGroupBox>("tbsCorpOmit", QStringLiteral("法人格の表記"), this);
    auto *corp = new QVBoxLayout(tbsCorpOmit);
    auto *corpGroup = new QButtonGroup(this);
    rbNone = radio("rbNone", "そのまま", tbsCorpOmit, corpGroup, 0);
    rbOmittion = radio("rbOmittion", "省略（株式会社→（株））", tbsCorpOmit, corpGroup, 1);
    rbFull = radio("rbFull", "展開（（株）→株式会社）", tbsCorpOmit, corpGroup, 2);
    for (QRadioButton *r : {rbNone, rbOmittion, rbFull})
        corp->addWidget(r);
    root->addWidget(tbsCorpOmit);

    auto *gbxPosMark = Named<QGroupBox>("gbxPosMark", QStringLiteral("郵便記号"), this);
    auto *marks = new QGridLayout(gbxPosMark);
    auto *posGroup = new QButtonGroup(this);
    lblPosMark = Named<QLabel>("lblPosMark", QStringLiteral("宛先："), gbxPosMark);
    rbPosNone = radio("rbPosNone", "数字のみ", gbxPosMark, posGroup, 0);
    rbPosMark = radio("rbPosMark", "〒を付加", gbxPosMark, posGroup, 1);
    rbPosHyphen = radio("rbPosHyphen", "ハイフンを付加", gbxPosMark, posGroup, 2);
    auto *pnlBack = Named<QWidget>("pnlBack", gbxPosMark);
    auto *back = new QHBoxLayout(pnlBack);
    back->setContentsMargins(0, 0, 0, 0);
    auto *sendGroup = new QButtonGroup(this);
    lblSendPosMark = Named<QLabel>("lblSendPosMark", QStringLiteral("差出人："), pnlBack);
    rbSendPosNone = radio("rbSendPosNone", "数字のみ", pnlBack, sendGroup, 0);
    rbSendPosMark = radio("rbSendPosMark", "〒を付加", pnlBack, sendGroup, 1);
    rbSendPosHyphen = radio("rbSendPosHyphen", "ハイフンを付加", pnlBack, sendGroup, 2);
    marks->addWidget(lblPosMark, 0, 0);
    marks->addWidget(rbPosNone, 0, 1);
    marks->addWidget(rbPosMark, 0, 2);
    marks->addWidget(rbPosHyphen, 0, 3);
    for (QWidget *w : std::initializer_list<QWidget *>{lblSendPosMark, rbSendPosNone, rbSendPosMark, rbSendPosHyphen})
        back->addWidget(w);
    marks->addWidget(pnlBack, 1, 0, 1, 4);
    // The two rows offer the same marks: a screen reader says whose each is.
    for (QRadioButton *r : {rbPosNone, rbPosMark, rbPosHyphen})
        r->setAccessibleName(QStringLiteral("宛先 ") + r->text());
    for (QRadioButton *r : {rbSendPosNone, rbSendPosMark, rbSendPosHyphen})
        r->setAccessibleName(QStringLiteral("差出人 ") + r->text());
    root->addWidget(gbxPosMark);

    gbxHonorific = Named<QGroupBox>("gbxHonorific", QStringLiteral("敬称"), this);
    auto *honor = new QGridLayout(gbxHonorific);
    const auto honorEdit = [this](const char *name, const char *labelName, const char *caption, int row,
                                  QLabel *&label) {
        label = Named<QLabel>(labelName, QString::fromUtf8(caption), gbxHonorific);
        auto *edit = Named<QLineEdit>(name, gbxHonorific);
        LimitToShiftJis(edit, THonorific::MaxBytes);
        SetImeMode(edit, imHira);
        label->setBuddy(edit);
        static_cast<QGridLayout *>(gbxHonorific->layout())->addWidget(label, row, 0);
        static_cast<QGridLayout *>(gbxHonorific->layout())->addWidget(edit, row, 1);
        return edit;
    };
    edDefHonor = honorEdit("edDefHonor", "lblDefHonor", "標準の敬称", 0, lblDefHonor);
    edCorpHonor = honorEdit("edCorpHonor", "lblCorpHonor", "会社：", 1, lblCorpHonor);
    edPostHonor = honorEdit("edPostHonor", "lblPostHonor", "役職：", 2, lblPostHonor);
    edSenderHonor = honorEdit("edSenderHonor", "lblSenderHonor", "差出人宛：", 3, lblSenderHonor);
    lblinfo = Named<QLabel>("lblinfo", QStringLiteral("※連名のない場合のみ"), gbxHonorific);
    lblinfo->hide();
    honor->addWidget(lblinfo, 4, 0, 1, 2);
    root->addWidget(gbxHonorific);

    QPushButton *ok = nullptr, *cancel = nullptr;
    root->addLayout(MakeOkCancelButtons(this, ok, cancel));
    ok->setObjectName(QStringLiteral("btnOK"));
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QButtonGroup *group : {corpGroup, posGroup, sendGroup})
        connect(group, &QButtonGroup::buttonToggled, this, [this] { recolour(); });
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
    recolour();
}

void TDataFormDialog::recolour()
{
    for (QRadioButton *r : {rbNone, rbOmittion, rbFull, rbPosNone, rbPosMark, rbPosHyphen, rbSendPosNone,
                            rbSendPosMark, rbSendPosHyphen})
        SetCaptionColour(r, r->isChecked());
}

void TDataFormDialog::SetDataForm(const TPrintForm &form)
{
    ckbTdfkn->setChecked(form.HidePrefecture);
    ckbVertNumeral->setChecked(form.DigitsUpright);
    ckbChineseNumeral->setChecked(form.KanjiNumerals);
    ckbConnect->setChecked(form.DashToNo);
    CheckChoice(form.CorpTypeForm, rbNone, rbOmittion, rbFull);
    CheckChoice(form.PostalMark, rbPosNone, rbPosMark, rbPosHyphen);
    CheckChoice(form.SenderPostalMark, rbSendPosNone, rbSendPosMark, rbSendPosHyphen);
    edDefHonor->setText(form.DefaultHonor.Value());
    edCorpHonor->setText(form.CorpHonor.Value());
    edPostHonor->setText(form.PostHonor.Value());
    edSenderHonor->setText(form.SenderHonor.Value());
}

void TDataFormDialog::GetDataForm(TPrintForm &form) const
{
    form.HidePrefecture = ckbTdfkn->isChecked();
    form.DigitsUpright = ckbVertNumeral->isChecked();
    form.KanjiNumerals = ckbChineseNumeral->isChecked();
    form.DashToNo = ckbConnect->isChecked();
    form.CorpTypeForm = CheckedChoice(rbNone, rbOmittion);
    form.PostalMark = CheckedChoice(rbPosNone, rbPosMark);
    form.SenderPostalMark = CheckedChoice(rbSendPosNone, rbSendPosMark);
    form.DefaultHonor.SetValue(edDefHonor->text());
    form.CorpHonor.SetValue(edCorpHonor->text());
    form.PostHonor.SetValue(edPostHonor->text());
    form.SenderHonor.SetValue(edSenderHonor->text());
}

void TDataFormDialog::disableHonorifics()
{
    gbxHonorific->setEnabled(false);
    for (QLineEdit *edit : {edDefHonor, edCorpHonor, edPostHonor, edSenderHonor}) {
        QPalette face = edit->palette();
        face.setColor(QPalette::Base, face.color(QPalette::Button));
        edit->setPalette(face);
    }
}

void TDataFormDialog::SetSenderOnly(bool senderOnly)
{
    if (!senderOnly)
        return;
    for (QWidget *w : std::initializer_list<QWidget *>{lblPosMark, rbPosNone, rbPosMark, rbPosHyphen})
        w->setEnabled(false);
    disableHonorifics();
}

void TDataFormDialog::SetPrintKind(uint8_t kind)
{
    if (kind == 2 || kind == 3)
        for (QWidget *w :
             std::initializer_list<QWidget *>{lblSendPosMark, rbSendPosNone, rbSendPosMark, rbSendPosHyphen})
            w->setEnabled(false);
    if (kind == 2)
        lblinfo->show();
    if (kind == 3)
        disableHonorifics();
}

bool TDataFormDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (MoveOnEnter(this, event))
        return true;
    return QDialog::eventFilter(watched, event);
}
