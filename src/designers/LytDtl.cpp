#include "designers/LytDtl.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "designers/DataFrm.h"
#include "designers/ExTrackBar.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

int TrackStepAt(int x, int left, int right)
{
    if (x <= left)
        return 1;
    if (x >= right)
        return 5;
    return 1 + int(RoundHalfAway((long double)(x - left) / ((long double)(right - left) / 4)));
}

namespace {

const QString DetailSection = QStringLiteral("PRINTFORM");
const QString DetailKey = QStringLiteral("Detail");

// The receiver's and the sender's controls name the same parts: a screen reader says whose each is.
QString receiversPart(const QString &part) { return QStringLiteral("宛先 ") + part; }
QString sendersPart(const QString &part) { return QStringLiteral("差出人 ") + part; }

QCheckBox *check(const char *name, const QString &caption, QWidget *parent)
{
    return Named<QCheckBox>(name, caption, parent);
}

QRadioButton *radio(const char *name, const char *caption, QWidget *parent, QButtonGroup *group, int tag)
{
    auto *button = Named<QRadioButton>(name, QString::fromUtf8(caption), parent);
    group->addButton(button, tag);
    return button;
}

// The button-face colour of a disabled edit or list, the window colour of an enabled one.
void paintEnabled(QWidget *w, bool enabled)
{
    w->setEnabled(enabled);
    QPalette p = w->palette();
    p.setColor(QPalette::Base, enabled ? QPalette().color(QPalette::Base) : QPalette().color(QPalette::Button));
    w->setPalette(p);
}

void checkAlign(uint8_t value, QRadioButton *equal, QRadioButton *left, QRadioButton *right, QRadioButton *centre)
{
    (value == 0 ? equal : value == 1 ? left : value == 2 ? right : centre)->setChecked(true);
}

uint8_t checkedAlign(const QRadioButton *equal, const QRadioButton *left, const QRadioButton *right)
{
    return equal->isChecked() ? 0 : left->isChecked() ? 1 : right->isChecked() ? 2 : 3;
}

}  // namespace

TLayoutDetailDialog::TLayoutDetailDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("LayoutDetailDialog"));
    setWindowTitle(QStringLiteral("フォント・配置の詳細設定"));
    setProperty("HelpContext", 116);
    auto *root = new QVBoxLayout(this);
    pgcDetail = Named<QTabWidget>("pgcDetail", this);
    root->addWidget(pgcDetail);
    buildAutoPage();
    buildFontPage();
    buildLayoutPage();
    QPushButton *ok = nullptr, *cancel = nullptr;
    root->addLayout(MakeOkCancelButtons(this, ok, cancel));
    ok->setObjectName(QStringLiteral("btnOK"));
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QCheckBox *box : findChildren<QCheckBox *>())
        connect(box, &QCheckBox::toggled, this, [box](bool on) { SetCaptionColour(box, on); });
    for (QButtonGroup *group : findChildren<QButtonGroup *>())
        connect(group, &QButtonGroup::buttonToggled, this, [this] { recolour(); });
    // Ticked by a screen reader too, which does not click.
    connect(ckbAuto, &QCheckBox::toggled, this, &TLayoutDetailDialog::ckbAutoClick);
    for (TExTrackBar *bar : findChildren<TExTrackBar *>())
        connect(bar, &TExTrackBar::OnMouseDown, this,
                [this, bar](QObject *, Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &pos) {
                    tbrMouseDown(bar, pos);
                });
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);

    const int page = TMemIniFile(DataFolder + SettingsFileName).ReadInteger(DetailSection, DetailKey, 0);
    pgcDetail->setCurrentIndex(page < 0 || page >= pgcDetail->count() ? 0 : page);
    SetManual(false);
    recolour();
}

void TLayoutDetailDialog::buildAutoPage()
{
    TabSheet1 = Named<QWidget>("TabSheet1", pgcDetail);
    pgcDetail->addTab(TabSheet1, QStringLiteral("自動レイアウト"));
    auto *page = new QVBoxLayout(TabSheet1);
    ckbAuto = check("ckbAuto", QStringLiteral("表示情報のレイアウトを自動でおこなう"), TabSheet1);
    page->addWidget(ckbAuto);
    auto *gbxVisible = Named<QGroupBox>("gbxVisible", QStringLiteral("表示情報："), TabSheet1);
    auto *grid = new QGridLayout(gbxVisible);
    grid->addWidget(Named<QLabel>("lblReceiver", QStringLiteral("宛先："), gbxVisible), 0, 0);
    grid->addWidget(Named<QLabel>("lblSenderItems", QStringLiteral("差出人："), gbxVisible), 0, 1);
    const QString address[3] = {QStringLiteral("住所１"), QStringLiteral("住所２"), QStringLiteral("住所３")};
    ckbPos = check("ckbPos", QStringLiteral("郵便番号"), gbxVisible);
    ckbS_Pos = check("ckbS_Pos", QStringLiteral("郵便番号"), gbxVisible);
    for (int i = 0; i < 3; ++i) {
        ckbAddress[i] = check(QByteArray("ckbAddress" + QByteArray::number(i + 1)).constData(), address[i],
                              gbxVisible);
        ckbS_Address[i] = check(QByteArray("ckbS_Address" + QByteArray::number(i + 1)).constData(), address[i],
                                gbxVisible);
    }
    ckbName = check("ckbName", QStringLiteral("名前"), gbxVisible);
    ckbCorp = check("ckbCorp", QStringLiteral("会社名"), gbxVisible);
    ckbDptmnt = check("ckbDptmnt", QStringLiteral("部署"), gbxVisible);
    ckbPost = check("ckbPost", QStringLiteral("役職"), gbxVisible);
    ckbS_Name = check("ckbS_Name", QStringLiteral("名前"), gbxVisible);
    ckbS_Corp = check("ckbS_Corp", QStringLiteral("会社名"), gbxVisible);
    ckbS_Dptmnt = check("ckbS_Dptmnt", QStringLiteral("部署"), gbxVisible);
    ckbS_Post = check("ckbS_Post", QStringLiteral("役職"), gbxVisible);
    QCheckBox *const receiver[] = {ckbPos, ckbAddress[0], ckbAddress[1], ckbAddress[2], ckbName, ckbCorp,
                                   ckbDptmnt, ckbPost};
    QCheckBox *const sender[] = {ckbS_Pos, ckbS_Address[0], ckbS_Address[1], ckbS_Address[2], ckbS_Name,
                                 ckbS_Corp, ckbS_Dptmnt, ckbS_Post};
    for (int row = 0; row < 8; ++row) {
        grid->addWidget(receiver[row], row + 1, 0);
        grid->addWidget(sender[row], row + 1, 1);
        receiver[row]->setAccessibleName(receiversPart(receiver[row]->text()));
        sender[row]->setAccessibleName(sendersPart(sender[row]->text()));
    }
    for (int i = 0; i < 4; ++i) {
        ckbAddition[i] = check(QByteArray("ckbAddition" + QByteArray::number(i + 1)).constData(),
                               QStringLiteral("連絡先") + QChar(0xFF11 + i), gbxVisible);
        grid->addWidget(ckbAddition[i], i + 1, 2);
    }
    page->addWidget(gbxVisible);
    page->addStretch();
}

void TLayoutDetailDialog::buildFontPage()
{
    tbsName = Named<QWidget>("tbsName", pgcDetail);
    pgcDetail->addTab(tbsName, QStringLiteral("フォント"));
    auto *page = new QVBoxLayout(tbsName);
    auto *gbxFontSize = Named<QGroupBox>("gbxFontSize", QStringLiteral("文字の最大サイズ："), tbsName);
    auto *grid = new QGridLayout(gbxFontSize);
    const auto bar = [&](const char *name, const char *labelName, const char *caption, int row, int column,
                         QLabel *&label) {
        label = Named<QLabel>(labelName, QString::fromUtf8(caption), gbxFontSize);
        auto *track = Named<TExTrackBar>(name, gbxFontSize);
        track->setOrientation(Qt::Horizontal);
        track->setRange(1, 5);
        track->setValue(1);
        track->setPageStep(1);
        track->setTickPosition(QSlider::TicksBelow);
        track->setTickInterval(1);
        track->setMinimumWidth(120);
        const QString part = label->text().remove(QChar(u'：'));
        track->setAccessibleName(column == 0 ? receiversPart(part) : sendersPart(part));
        grid->addWidget(label, row, column);
        grid->addWidget(Named<QLabel>("", QStringLiteral("小"), gbxFontSize), row, column + 1);
        grid->addWidget(track, row, column + 2);
        grid->addWidget(Named<QLabel>("", QStringLiteral("大"), gbxFontSize), row, column + 3);
        return track;
    };
    lblAddress2 = Named<QLabel>("lblAddress2", QStringLiteral("宛先："), gbxFontSize);
    lblSender = Named<QLabel>("lblSender", QStringLiteral("差出人："), gbxFontSize);
    grid->addWidget(lblAddress2, 0, 0, 1, 4);
    grid->addWidget(lblSender, 0, 4, 1, 4);
    tbrName = bar("tbrName", "lblNameFont", "名前：", 1, 0, lblNameFont);
    tbrAddress = bar("tbrAddress", "lblAddressFont", "住所：", 2, 0, lblAddressFont);
    tbrAddition = bar("tbrAddition", "lblAdditionFont", "追加情報：", 3, 0, lblAdditionFont);
    tbrSendName = bar("tbrSendName", "lblSendNameFont", "名前：", 1, 4, lblSendNameFont);
    tbrSendAddress = bar("tbrSendAddress", "lblSendAddressFont", "住所：", 2, 4, lblSendAddressFont);
    tbrSendAddition = bar("tbrSendAddition", "lblSendAdditionFont", "連絡先：", 3, 4, lblSendAdditionFont);
    // The first row's end labels are the receiver's, named as the sender-only mode turns them off.
    lblMin1 = static_cast<QLabel *>(grid->itemAtPosition(1, 1)->widget());
    lblMax1 = static_cast<QLabel *>(grid->itemAtPosition(1, 3)->widget());
    lblMin1->setObjectName(QStringLiteral("lblMin1"));
    lblMax1->setObjectName(QStringLiteral("lblMax1"));
    page->addWidget(gbxFontSize);

    auto *gbxCorpRatio = Named<QGroupBox>("gbxCorpRatio", QStringLiteral("会社情報の文字サイズの比率："), tbsName);
    auto *ratios = new QHBoxLayout(gbxCorpRatio);
    lblNameRatio = Named<QLabel>("lblNameRatio", QStringLiteral("名前"), gbxCorpRatio);
    edNameRatio = Named<QLineEdit>("edNameRatio", QStringLiteral("10"), gbxCorpRatio);
    edNameRatio->setReadOnly(true);
    edNameRatio->setMaximumWidth(40);
    lblNameRatio->setBuddy(edNameRatio);
    ratios->addWidget(lblNameRatio);
    ratios->addWidget(edNameRatio);
    const auto ratio = [&](const char *name, const char *labelName, const char *caption, QLabel *&label) {
        auto *list = Named<QComboBox>(name, gbxCorpRatio);
        for (int value : LayoutRatioTable)
            list->addItem(QString::number(value));
        label = Named<QLabel>(labelName, QString::fromUtf8(caption), gbxCorpRatio);
        label->setBuddy(list);
        ratios->addWidget(label);
        ratios->addWidget(list);
        return list;
    };
    cbxCorpRatio = ratio("cbxCorpRatio", "lblCorpRatio", "： 会社", lblCorpRatio);
    cbxDptmntRatio = ratio("cbxDptmntRatio", "lblDptmntRatio", "： 部署", lblDptmntRatio);
    cbxPostRatio = ratio("cbxPostRatio", "lblPostRatio", "： 役職", lblPostRatio);
    ratios->addStretch();
    page->addWidget(gbxCorpRatio);
    page->addStretch();
}

void TLayoutDetailDialog::buildLayoutPage()
{
    TabSheet2 = Named<QWidget>("TabSheet2", pgcDetail);
    pgcDetail->addTab(TabSheet2, QStringLiteral("配置"));
    auto *page = new QVBoxLayout(TabSheet2);
    auto *gbxCharSpace = Named<QGroupBox>("gbxCharSpace", QStringLiteral("名前の文字間："), TabSheet2);
    ckbCharSpace = check("ckbCharSpace", QStringLiteral("枠にあわせて文字間を広げる"), gbxCharSpace);
    (new QVBoxLayout(gbxCharSpace))->addWidget(ckbCharSpace);
    page->addWidget(gbxCharSpace);

    auto *gbxNameAlign = Named<QGroupBox>("gbxNameAlign", QStringLiteral("名前の文字揃え："), TabSheet2);
    auto *align = new QVBoxLayout(gbxNameAlign);
    auto *receiverRow = new QHBoxLayout;
    auto *receiverGroup = new QButtonGroup(this);
    lblNameAlign = Named<QLabel>("lblNameAlign", QStringLiteral("宛先："), gbxNameAlign);
    rbEqual = radio("rbEqual", "均等", gbxNameAlign, receiverGroup, 0);
    rbLeft = radio("rbLeft", "左・上寄せ", gbxNameAlign, receiverGroup, 1);
    rbRight = radio("rbRight", "右・下寄せ", gbxNameAlign, receiverGroup, 2);
    rbCenter = radio("rbCenter", "中央寄せ", gbxNameAlign, receiverGroup, 3);
    for (QWidget *w : std::initializer_list<QWidget *>{lblNameAlign, rbEqual, rbLeft, rbRight, rbCenter})
        receiverRow->addWidget(w);
    for (QRadioButton *r : {rbEqual, rbLeft, rbRight, rbCenter})
        r->setAccessibleName(receiversPart(r->text()));
    align->addLayout(receiverRow);
    auto *pnlBack2 = Named<QWidget>("pnlBack2", gbxNameAlign);
    auto *senderRow = new QHBoxLayout(pnlBack2);
    senderRow->setContentsMargins(0, 0, 0, 0);
    auto *senderGroup = new QButtonGroup(this);
    lblSendNameAlign = Named<QLabel>("lblSendNameAlign", QStringLiteral("差出人："), pnlBack2);
    rbS_Equal = radio("rbS_Equal", "均等", pnlBack2, senderGroup, 0);
    rbS_Left = radio("rbS_Left", "左・上寄せ", pnlBack2, senderGroup, 1);
    rbS_Right = radio("rbS_Right", "右・下寄せ", pnlBack2, senderGroup, 2);
    rbS_Center = radio("rbS_Center", "中央寄せ", pnlBack2, senderGroup, 3);
    for (QWidget *w : std::initializer_list<QWidget *>{lblSendNameAlign, rbS_Equal, rbS_Left, rbS_Right, rbS_Center})
        senderRow->addWidget(w);
    for (QRadioButton *r : {rbS_Equal, rbS_Left, rbS_Right, rbS_Center})
        r->setAccessibleName(sendersPart(r->text()));
    align->addWidget(pnlBack2);
    page->addWidget(gbxNameAlign);

    auto *gbxSenderJoint = Named<QGroupBox>("gbxSenderJoint", QStringLiteral("差出人の連名："), TabSheet2);
    auto *joint = new QHBoxLayout(gbxSenderJoint);
    auto *jointGroup = new QButtonGroup(this);
    rbSeries = radio("rbSeries", "まとめて表示する", gbxSenderJoint, jointGroup, 1);
    rbParallel = radio("rbParallel", "横に並べる", gbxSenderJoint, jointGroup, 0);
    joint->addWidget(rbSeries);
    joint->addWidget(rbParallel);
    page->addWidget(gbxSenderJoint);

    auto *gbxCorpBreak = Named<QGroupBox>("gbxCorpBreak", QStringLiteral("会社情報："), TabSheet2);
    ckbCorpBreak = check("ckbCorpBreak", QStringLiteral("長い会社情報を空白で改行する"), gbxCorpBreak);
    (new QVBoxLayout(gbxCorpBreak))->addWidget(ckbCorpBreak);
    page->addWidget(gbxCorpBreak);
    page->addStretch();
}

void TLayoutDetailDialog::recolour()
{
    for (QRadioButton *r : findChildren<QRadioButton *>())
        SetCaptionColour(r, r->isChecked());
}

void TLayoutDetailDialog::SetDetail(const TPrintForm &form)
{
    tbrAddress->setValue(int(form.AddressSize));
    tbrName->setValue(int(form.NameSize));
    tbrAddition->setValue(int(form.AdditionSize));
    tbrSendAddress->setValue(int(form.SenderAddressSize));
    tbrSendName->setValue(int(form.SenderNameSize));
    tbrSendAddition->setValue(int(form.SenderAdditionSize));
    const auto ratioIndex = [](uint32_t index) { return int(std::min<uint32_t>(index, LayoutRatioTable.size() - 1)); };
    cbxCorpRatio->setCurrentIndex(ratioIndex(form.CorpRatio));
    cbxDptmntRatio->setCurrentIndex(ratioIndex(form.DptmntRatio));
    cbxPostRatio->setCurrentIndex(ratioIndex(form.PostRatio));
    ckbCharSpace->setChecked(form.WidenNameSpacing);
    checkAlign(form.NameAlign, rbEqual, rbLeft, rbRight, rbCenter);
    checkAlign(form.SenderNameAlign, rbS_Equal, rbS_Left, rbS_Right, rbS_Center);
    (form.SenderJointSeries ? rbSeries : rbParallel)->setChecked(true);
    ckbCorpBreak->setChecked(form.CorpBreak);
}

void TLayoutDetailDialog::GetDetail(TPrintForm &form) const
{
    form.AddressSize = uint32_t(tbrAddress->value());
    form.NameSize = uint32_t(tbrName->value());
    form.AdditionSize = uint32_t(tbrAddition->value());
    form.SenderAddressSize = uint32_t(tbrSendAddress->value());
    form.SenderNameSize = uint32_t(tbrSendName->value());
    form.SenderAdditionSize = uint32_t(tbrSendAddition->value());
    form.CorpRatio = uint32_t(std::max(0, cbxCorpRatio->currentIndex()));
    form.DptmntRatio = uint32_t(std::max(0, cbxDptmntRatio->currentIndex()));
    form.PostRatio = uint32_t(std::max(0, cbxPostRatio->currentIndex()));
    form.WidenNameSpacing = ckbCharSpace->isChecked();
    form.NameAlign = checkedAlign(rbEqual, rbLeft, rbRight);
    form.SenderNameAlign = checkedAlign(rbS_Equal, rbS_Left, rbS_Right);
    form.SenderJointSeries = rbSeries->isChecked();
    form.CorpBreak = ckbCorpBreak->isChecked();
}

void TLayoutDetailDialog::SetPrintKind(uint8_t kind)
{
    PrintKind = kind;
    if (kind != 2 && kind != 3) {
        lblAdditionFont->setEnabled(false);
        tbrAddition->setEnabled(false);
        return;
    }
    for (QWidget *w : std::initializer_list<QWidget *>{lblSender, lblSendNameFont, tbrSendName,
                                                       lblSendAddressFont, tbrSendAddress, lblSendAdditionFont,
                                                       tbrSendAddition, lblSendNameAlign, rbS_Equal, rbS_Left,
                                                       rbS_Right, rbS_Center})
        w->setEnabled(false);
}

void TLayoutDetailDialog::SetManual(bool manual)
{
    Manual_ = manual;
    ckbAuto->setChecked(!manual);
    enableItems();
}

void TLayoutDetailDialog::SetItemGroups(uint8_t mode)
{
    ItemGroups = mode;
    enableItems();
}

void TLayoutDetailDialog::ckbAutoClick()
{
    Manual_ = !ckbAuto->isChecked();
    enableItems();
}

void TLayoutDetailDialog::enableItems()
{
    const bool receiver = Manual_ && ItemGroups != 2;
    const bool sender = Manual_ && ItemGroups != 1;
    for (QCheckBox *box : {ckbPos, ckbAddress[0], ckbAddress[1], ckbAddress[2], ckbName, ckbCorp, ckbDptmnt, ckbPost})
        box->setEnabled(receiver);
    for (QCheckBox *box : {ckbS_Pos, ckbS_Address[0], ckbS_Address[1], ckbS_Address[2], ckbS_Name, ckbS_Corp,
                           ckbS_Dptmnt, ckbS_Post, ckbAddition[0], ckbAddition[1], ckbAddition[2], ckbAddition[3]})
        box->setEnabled(sender);
    // The ratios belong to the combined name object, which only the automatic layout uses.
    for (QWidget *w : std::initializer_list<QWidget *>{edNameRatio, cbxCorpRatio, cbxDptmntRatio, cbxPostRatio})
        paintEnabled(w, !Manual_);
    for (QLabel *label : {lblNameRatio, lblCorpRatio, lblDptmntRatio, lblPostRatio})
        label->setEnabled(!Manual_);
}

void TLayoutDetailDialog::SetSenderOnly(bool senderOnly)
{
    if (!senderOnly)
        return;
    for (QWidget *w : std::initializer_list<QWidget *>{lblAddress2, lblNameFont, lblAddressFont, tbrName, tbrAddress,
                                                       lblMin1, lblMax1, lblNameAlign, rbEqual, rbLeft, rbRight,
                                                       rbCenter})
        w->setEnabled(false);
}

void TLayoutDetailDialog::tbrMouseDown(TExTrackBar *bar, const QPoint &pos)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->value();
    option.sliderValue = bar->value();
    option.tickPosition = bar->tickPosition();
    const QRect groove = bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, bar);
    const QRect handle = bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
    // The thumb's centre runs from half a thumb inside one end of the groove to half a thumb inside the other.
    const int left = groove.left() + handle.width() / 2;
    const int right = groove.right() - handle.width() / 2;
    bar->setValue(TrackStepAt(pos.x(), left, right));
}

bool TLayoutDetailDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (MoveOnEnter(this, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TLayoutDetailDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QWidget *first[] = {ckbAuto, tbrName, ckbCharSpace};
    first[std::clamp(pgcDetail->currentIndex(), 0, 2)]->setFocus();
}

void TLayoutDetailDialog::done(int result)
{
    TMemIniFile settings(DataFolder + SettingsFileName);
    settings.WriteInteger(DetailSection, DetailKey, pgcDetail->currentIndex());
    // Only the page to open with next time is kept here; the dialog ends either way.
    try {
        settings.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
    QDialog::done(result);
}

// ---- Item boxes ----

namespace {

template <size_t N> QCheckBox *at(const std::array<QCheckBox *, N> &boxes, int index)
{
    return boxes[size_t(std::clamp(index, 0, int(N) - 1))];
}

}  // namespace

bool TLayoutDetailDialog::GetPosChecked() const { return ckbPos->isChecked(); }
void TLayoutDetailDialog::SetPosChecked(bool checked) { ckbPos->setChecked(checked); }
bool TLayoutDetailDialog::GetAddressChecked(int index) const { return at(ckbAddress, index)->isChecked(); }
void TLayoutDetailDialog::SetAddressChecked(int index, bool checked) { at(ckbAddress, index)->setChecked(checked); }
bool TLayoutDetailDialog::GetNameChecked() const { return ckbName->isChecked(); }
void TLayoutDetailDialog::SetNameChecked(bool checked) { ckbName->setChecked(checked); }
bool TLayoutDetailDialog::GetCorpChecked() const { return ckbCorp->isChecked(); }
void TLayoutDetailDialog::SetCorpChecked(bool checked) { ckbCorp->setChecked(checked); }
bool TLayoutDetailDialog::GetDptmntChecked() const { return ckbDptmnt->isChecked(); }
void TLayoutDetailDialog::SetDptmntChecked(bool checked) { ckbDptmnt->setChecked(checked); }
bool TLayoutDetailDialog::GetPostChecked() const { return ckbPost->isChecked(); }
void TLayoutDetailDialog::SetPostChecked(bool checked) { ckbPost->setChecked(checked); }
bool TLayoutDetailDialog::GetSenderPosChecked() const { return ckbS_Pos->isChecked(); }
void TLayoutDetailDialog::SetSenderPosChecked(bool checked) { ckbS_Pos->setChecked(checked); }
bool TLayoutDetailDialog::GetSenderAddressChecked(int index) const { return at(ckbS_Address, index)->isChecked(); }
void TLayoutDetailDialog::SetSenderAddressChecked(int index, bool checked)
{
    at(ckbS_Address, index)->setChecked(checked);
}
bool TLayoutDetailDialog::GetSenderNameChecked() const { return ckbS_Name->isChecked(); }
void TLayoutDetailDialog::SetSenderNameChecked(bool checked) { ckbS_Name->setChecked(checked); }
bool TLayoutDetailDialog::GetSenderCorpChecked() const { return ckbS_Corp->isChecked(); }
void TLayoutDetailDialog::SetSenderCorpChecked(bool checked) { ckbS_Corp->setChecked(checked); }
bool TLayoutDetailDialog::GetSenderDptmntChecked() const { return ckbS_Dptmnt->isChecked(); }
void TLayoutDetailDialog::SetSenderDptmntChecked(bool checked) { ckbS_Dptmnt->setChecked(checked); }
bool TLayoutDetailDialog::GetSenderPostChecked() const { return ckbS_Post->isChecked(); }
void TLayoutDetailDialog::SetSenderPostChecked(bool checked) { ckbS_Post->setChecked(checked); }
bool TLayoutDetailDialog::GetAdditionChecked(int index) const { return at(ckbAddition, index)->isChecked(); }
void TLayoutDetailDialog::SetAdditionChecked(int index, bool checked) { at(ckbAddition, index)->setChecked(checked); }
