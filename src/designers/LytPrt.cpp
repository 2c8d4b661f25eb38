#include "designers/LytPrt.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UpDown.h"
#include "widgets/UniStdCtrls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString NoDataMessage = QStringLiteral("印刷するデータがありません  ");
constexpr int MaxCopies = 1000;
constexpr int MaxLabelCount = 999;

QRadioButton *radio(const char *name, const char *caption, QWidget *parent, QButtonGroup *group, int tag)
{
    auto *button = Named<QRadioButton>(name, QString::fromUtf8(caption), parent);
    group->addButton(button, tag);
    return button;
}

QLineEdit *numberEdit(const char *name, int maxLength, QWidget *parent)
{
    auto *edit = Named<QLineEdit>(name, parent);
    MakeHalfWidthField(edit, maxLength);
    edit->setMaximumWidth(70);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

// A whole number >= 0, or -1.
int wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 ? value : -1;
}

// The print offset: a scroll bar whose position 500 is no offset.
class TOffsetBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;
};

// An offset bar as the accessibility bus reads it: by its label, the side ("上："), with the distance the window
// shows beside it, in mm, as its value; Qt's own reads the position, 500 where the window shows 0.0 mm. A value
// set over the bus is a distance on the side the bar is on, as the window shows it.
class TOffsetBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TOffsetBarAccessible(QScrollBar *bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? OffsetValueText(bar()->value()) : QAccessibleWidget::text(t);
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return OffsetDistance(bar()->value()); }
    void setCurrentValue(const QVariant &value) override
    {
        if (bar()->isEnabled())
            bar()->setValue(OffsetPositionAt(value.toDouble(), bar()->value()));
    }
    QVariant maximumValue() const override { return OffsetDistance(bar()->maximum()); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return OffsetDistance(500 + bar()->singleStep()); }

private:
    QScrollBar *bar() const { return static_cast<QScrollBar *>(object()); }
};

QAccessibleInterface *offsetBarAccessible(const QString &, QObject *object)
{
    auto *bar = dynamic_cast<TOffsetBar *>(object);
    return bar ? new TOffsetBarAccessible(bar) : nullptr;
}

}  // namespace

TLayoutPrintDialog::TLayoutPrintDialog(QWidget *owner, const TWizardPrinter &printer)
    : QDialog(owner), Printer(printer)
{
    setObjectName(QStringLiteral("LayoutPrintDialog"));
    setWindowTitle(QStringLiteral("宛名印刷"));
    setProperty("HelpContext", 85);
    static const bool barsRead = [] {
        QAccessible::installFactory(offsetBarAccessible);
        return true;
    }();
    (void)barsRead;
    Printer.Copies = 1;
    auto *root = new QVBoxLayout(this);
    pages = Named<QStackedWidget>("pgcWizard", this);
    root->addWidget(pages);
    buildDataPage();
    buildPrintPage();
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
    // Leaving a number, and a text a screen reader sets, end the entry with this signal.
    for (QLineEdit *edit : {edStartRange, edEndRange, edCopy, edFlap, edLabelStart, edLabelCount})
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { leaveNumber(edit); });
    ShowPrinter();
}

TLayoutPrintDialog::~TLayoutPrintDialog() { DisconnectChildControls(this); }

void TLayoutPrintDialog::buildDataPage()
{
    tbsAdrs = Named<QWidget>("tbsAdrs", pages);
    pages->addWidget(tbsAdrs);
    auto *page = new QVBoxLayout(tbsAdrs);
    auto *gbxData = Named<QGroupBox>("gbxData", QStringLiteral("データの選択"), tbsAdrs);
    auto *data = new QGridLayout(gbxData);
    auto *ranges = new QButtonGroup(this);
    rbViewData = radio("rbViewData", "表示しているデータ", gbxData, ranges, 0);
    rbSelect = radio("rbSelect", "一覧で選択したデータ", gbxData, ranges, 1);
    rbRange = radio("rbRange", "数値で範囲を指定", gbxData, ranges, 2);
    rbAll = radio("rbAll", "一覧に表示されているすべてのデータ", gbxData, ranges, 3);
    data->addWidget(rbViewData, 0, 0, 1, 6);
    data->addWidget(rbSelect, 1, 0, 1, 6);
    data->addWidget(rbRange, 2, 0, 1, 6);
    edStartRange = numberEdit("edStartRange", 6, gbxData);
    edEndRange = numberEdit("edEndRange", 6, gbxData);
    const QSize arrows(16, 11);
    udStartRange = Named<TUpDown>("udStartRange", gbxData, [this](int d) {
        StepRange(StartRange, EndRange, RecordCount(), true, d > 0);
        ShowRange();
        UpdateDataCount();
    }, arrows);
    udEndRange = Named<TUpDown>("udEndRange", gbxData, [this](int d) {
        StepRange(StartRange, EndRange, RecordCount(), false, d > 0);
        ShowRange();
        UpdateDataCount();
    }, arrows);
    lblRangeFrom = Named<QLabel>("lblRangeFrom", QStringLiteral("件目から"), gbxData);
    lblRangeTo = Named<QLabel>("lblRangeTo", QStringLiteral("件目まで"), gbxData);
    lblRangeFrom->setBuddy(edStartRange);
    lblRangeTo->setBuddy(edEndRange);
    udStartRange->NameAfter(lblRangeFrom->text());
    udEndRange->NameAfter(lblRangeTo->text());
    data->addWidget(edStartRange, 3, 1);
    data->addWidget(udStartRange, 3, 2);
    data->addWidget(lblRangeFrom, 3, 3);
    data->addWidget(edEndRange, 3, 4);
    data->addWidget(udEndRange, 3, 5);
    data->addWidget(lblRangeTo, 3, 6);
    data->addWidget(rbAll, 4, 0, 1, 6);
    data->setColumnMinimumWidth(0, 20);
    page->addWidget(gbxData);

    auto *gbxLimit = Named<QGroupBox>("gbxLimit", QString(), tbsAdrs);
    auto *limit = new QVBoxLayout(gbxLimit);
    auto *limits = new QButtonGroup(this);
    rbNone = radio("rbNone", "すべて印刷する", gbxLimit, limits, 0);
    rbPrint = radio("rbPrint", "「印刷」 データだけを印刷する", gbxLimit, limits, 1);
    rbExcept = radio("rbExcept", "「除外」 データは印刷しない", gbxLimit, limits, 2);
    for (QRadioButton *r : {rbNone, rbPrint, rbExcept})
        limit->addWidget(r);
    page->addWidget(gbxLimit);
    lblDataNum = Named<QLabel>("lblDataNum", tbsAdrs);
    lblDataNum->setAlignment(Qt::AlignRight);
    page->addWidget(lblDataNum);
    page->addStretch();
    auto *buttons = new QHBoxLayout;
    btnPreview1 = Named<QPushButton>("btnPreview1", QStringLiteral("プレビュー(&V)"), tbsAdrs);
    btnNext = Named<QPushButton>("btnNext", QStringLiteral("次へ(&N)"), tbsAdrs);
    btnCancel1 = Named<QPushButton>("btnCancel1", QStringLiteral("キャンセル"), tbsAdrs);
    buttons->addStretch();
    for (QPushButton *b : {btnPreview1, btnNext, btnCancel1})
        buttons->addWidget(b);
    page->addLayout(buttons);

    // The choice follows the checked button however it was checked: a screen reader toggles a radio button
    // without clicking it, and the records printed must be the ones the page shows chosen.
    connect(ranges, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            rangeClick(id);
    });
    connect(limits, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            limitClick(id);
    });
    connect(btnNext, &QPushButton::clicked, this, &TLayoutPrintDialog::btnNextClick);
    connect(btnPreview1, &QPushButton::clicked, this, &TLayoutPrintDialog::btnPreviewClick);
    connect(btnCancel1, &QPushButton::clicked, this, &QDialog::reject);
}

void TLayoutPrintDialog::buildPrintPage()
{
    tbsPrint = Named<QWidget>("tbsPrint", pages);
    pages->addWidget(tbsPrint);
    auto *page = new QVBoxLayout(tbsPrint);
    auto *gbxPrinter = Named<QGroupBox>("gbxPrinter", QStringLiteral("プリンター"), tbsPrint);
    auto *printer = new QGridLayout(gbxPrinter);
    pnlPrinter = Named<QLabel>("pnlPrinter", gbxPrinter);
    pnlPaperSize = Named<QLabel>("pnlPaperSize", gbxPrinter);
    pnlOrientation = Named<QLabel>("pnlOrientation", gbxPrinter);
    for (QLabel *l : {pnlPrinter, pnlPaperSize, pnlOrientation})
        l->setFrameShape(QFrame::StyledPanel);
    bbtnPrinters = Named<QPushButton>("bbtnPrinters", QStringLiteral("設定"), gbxPrinter);
    printer->addWidget(pnlPrinter, 0, 0, 1, 2);
    printer->addWidget(bbtnPrinters, 0, 2);
    printer->addWidget(pnlPaperSize, 1, 0);
    printer->addWidget(pnlOrientation, 1, 1);
    page->addWidget(gbxPrinter);

    auto *middle = new QHBoxLayout;
    auto *gbxOffset = Named<QGroupBox>("gbxOffset", QStringLiteral("印刷位置の微調整"), tbsPrint);
    auto *offset = new QGridLayout(gbxOffset);
    scbVert = Named<TOffsetBar>("scbVert", Qt::Vertical, gbxOffset);
    scbHorz = Named<TOffsetBar>("scbHorz", Qt::Horizontal, gbxOffset);
    for (QScrollBar *bar : {scbVert, scbHorz}) {
        // A scroll bar takes no focus of its own; these are settings the keys must reach, as the numbers beside.
        bar->setFocusPolicy(Qt::StrongFocus);
        bar->setRange(0, 1000);
        bar->setPageStep(10);
        bar->setValue(500);
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            ShowOffsets();
            CheckPrintableArea();
        });
    }
    scbVert->setMinimumHeight(70);
    scbHorz->setMinimumWidth(110);
    lblVert = Named<QLabel>("lblVert", gbxOffset);
    lblOffsetV = Named<QLabel>("lblOffsetV", gbxOffset);
    lblHorz = Named<QLabel>("lblHorz", gbxOffset);
    lblOffsetH = Named<QLabel>("lblOffsetH", gbxOffset);
    lblVert->setBuddy(scbVert);
    lblHorz->setBuddy(scbHorz);
    offset->addWidget(scbVert, 0, 0, 2, 1);
    offset->addWidget(lblVert, 0, 1);
    offset->addWidget(lblOffsetV, 0, 2);
    offset->addWidget(scbHorz, 2, 1, 1, 2);
    offset->addWidget(lblHorz, 3, 1);
    offset->addWidget(lblOffsetH, 3, 2);
    middle->addWidget(gbxOffset);

    auto *right = new QVBoxLayout;
    auto *gbxCopy = Named<QGroupBox>("gbxCopy", QStringLiteral("部数"), tbsPrint);
    auto *copy = new QHBoxLayout(gbxCopy);
    edCopy = numberEdit("edCopy", 4, gbxCopy);
    // Beside the copies stands only their unit: the group's title names them.
    edCopy->setAccessibleName(gbxCopy->title());
    auto *udCopy = Named<TUpDown>("udCopy", gbxCopy, [this](int d) { stepNumber(edCopy, d); }, QSize(16, 11));
    udCopy->NameAfter(gbxCopy->title());
    lblCopy = Named<QLabel>("lblCopy", gbxCopy);
    copy->addWidget(edCopy);
    copy->addWidget(udCopy);
    copy->addWidget(Named<QLabel>("lblCopyUnit", QStringLiteral("部"), gbxCopy));
    copy->addStretch();
    copy->addWidget(lblCopy);
    right->addWidget(gbxCopy);

    gbxEnvelope = Named<QGroupBox>("gbxEnvelope", QStringLiteral("封筒"), tbsPrint);
    auto *envelope = new QGridLayout(gbxEnvelope);
    edFlap = numberEdit("edFlap", 4, gbxEnvelope);
    auto *udFlap = Named<TUpDown>("udFlap", gbxEnvelope, [this](int d) {
        Flap = std::clamp(Flap + d, 0, 500);
        edFlap->setText(FlapText(Flap));
        CheckPrintableArea();
    }, QSize(16, 11));
    auto *lblFlap = Named<QLabel>("lblFlap", QStringLiteral("ふたの長さ"), gbxEnvelope);
    lblFlap->setBuddy(edFlap);
    udFlap->NameAfter(lblFlap->text());
    envelope->addWidget(lblFlap, 0, 0);
    envelope->addWidget(edFlap, 0, 1);
    envelope->addWidget(udFlap, 0, 2);
    envelope->addWidget(Named<QLabel>("lblFlapUnit", QStringLiteral("mm"), gbxEnvelope), 0, 3);
    ckbReverse = Named<QCheckBox>("ckbReverse", QStringLiteral("上下逆方向から印刷する(&R)"), gbxEnvelope);
    envelope->addWidget(ckbReverse, 1, 0, 1, 4);
    right->addWidget(gbxEnvelope);

    gbxLabel = Named<QGroupBox>("gbxLabel", QStringLiteral("ラベル用紙"), tbsPrint);
    auto *label = new QGridLayout(gbxLabel);
    edLabelStart = numberEdit("edLabelStart", 4, gbxLabel);
    edLabelCount = numberEdit("edLabelCount", 4, gbxLabel);
    const auto numberRow = [&](int row, const char *labelName, const QString &caption, QLineEdit *edit,
                               const char *upDownName) {
        auto *named = Named<QLabel>(labelName, caption, gbxLabel);
        named->setBuddy(edit);
        auto *arrows =
            Named<TUpDown>(upDownName, gbxLabel, [this, edit](int d) { stepNumber(edit, d); }, QSize(16, 11));
        arrows->NameAfter(caption);
        label->addWidget(named, row, 0);
        label->addWidget(edit, row, 1);
        label->addWidget(arrows, row, 2);
    };
    numberRow(0, "lblLabelStart", QStringLiteral("印刷開始位置"), edLabelStart, "udLabelStart");
    numberRow(1, "lblLabelCount", QStringLiteral("1件の印刷回数"), edLabelCount, "udLabelCount");
    right->addWidget(gbxLabel);
    middle->addLayout(right);
    page->addLayout(middle);

    lblRangeInfo = Named<QLabel>("lblRangeInfo",
                                 QStringLiteral("※※ 印刷内容が、印刷可能領域に入りきらない可能性があります ※※"), tbsPrint);
    QPalette red = lblRangeInfo->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblRangeInfo->setPalette(red);
    lblRangeInfo->hide();
    page->addWidget(lblRangeInfo);
    ckbLimitedPrinter = Named<QCheckBox>(
        "ckbLimitedPrinter", QStringLiteral("イラストの型抜き・透明化が正しく印刷できないプリンターを使う"), tbsPrint);
    lblLimitedPrint = Named<QLabel>(
        "lblLimitedPrint", QStringLiteral("※型抜き・透明化したイラストを、切り抜かずに印刷します"), tbsPrint);
    page->addWidget(ckbLimitedPrinter);
    page->addWidget(lblLimitedPrint);
    page->addStretch();
    auto *buttons = new QHBoxLayout;
    btnBack = Named<QPushButton>("btnBack", QStringLiteral("戻る(&B)"), tbsPrint);
    btnPreview2 = Named<QPushButton>("btnPreview2", QStringLiteral("プレビュー(&V)"), tbsPrint);
    btnPrint = Named<QPushButton>("btnPrint", QStringLiteral("印刷(&P)"), tbsPrint);
    btnCancel2 = Named<QPushButton>("btnCancel2", QStringLiteral("キャンセル"), tbsPrint);
    buttons->addStretch();
    for (QPushButton *b : {btnBack, btnPreview2, btnPrint, btnCancel2})
        buttons->addWidget(b);
    page->addLayout(buttons);

    connect(bbtnPrinters, &QPushButton::clicked, this, &TLayoutPrintDialog::bbtnPrintersClick);
    connect(btnBack, &QPushButton::clicked, this, [this] { pages->setCurrentWidget(tbsAdrs); });
    connect(btnPreview2, &QPushButton::clicked, this, &TLayoutPrintDialog::btnPreviewClick);
    connect(btnPrint, &QPushButton::clicked, this, &TLayoutPrintDialog::btnPrintClick);
    connect(btnCancel2, &QPushButton::clicked, this, &QDialog::reject);
}

// ---- Modes ----

void TLayoutPrintDialog::SetDataPrint(bool dataPrint)
{
    DataPrint = dataPrint;
    pages->setCurrentWidget(dataPrint ? tbsAdrs : tbsPrint);
    btnBack->setVisible(dataPrint);
}

void TLayoutPrintDialog::SetPrintKind(uint8_t kind)
{
    PrintKind = kind;
    KindWord = kind == 2   ? QStringLiteral("ラベルレイアウト")
               : kind == 3 ? QStringLiteral("名刺レイアウト")
                           : QStringLiteral("宛名レイアウト");
    gbxEnvelope->setVisible(kind == 1);
    gbxLabel->hide();
    btnPreview1->hide();
    btnPreview2->hide();
    setProperty("HelpContext", kind == 2 ? 93 : kind == 3 ? 101 : 85);
    if (kind == 2)
        setWindowTitle(QStringLiteral("ラベル印刷"));
    else if (kind == 3)
        setWindowTitle(QStringLiteral("名刺印刷"));
}

void TLayoutPrintDialog::SetSheetCount(int count)
{
    if (count <= 1)
        return;
    MultiUp = true;
    PapersPerSheet = count;
    gbxLabel->show();
    btnPreview1->show();
    btnPreview2->show();
    LabelStart = std::min(LabelStart, count);
    if (PrintKind == 0 || PrintKind == 1)
        gbxLabel->setTitle(QStringLiteral("面付用紙"));
    else if (PrintKind == 3)
        gbxLabel->setTitle(QStringLiteral("名刺用紙"));
}

void TLayoutPrintDialog::SetContentRect(const QRect &rect)
{
    ContentRect = rect;
    CheckPrintableArea();
}

QPoint TLayoutPrintDialog::GetOffset() const { return {scbHorz->value() - 500, scbVert->value() - 500}; }
bool TLayoutPrintDialog::GetReverse() const { return ckbReverse->isChecked(); }
bool TLayoutPrintDialog::GetLimitedPrinter() const { return ckbLimitedPrinter->isChecked(); }

// ---- Settings ----

QString TLayoutPrintDialog::Section() const
{
    return PrintKind == 2 ? QStringLiteral("LABEL PRINT")
                          : PrintKind == 3 ? QStringLiteral("CARD PRINT") : QStringLiteral("LAYOUT PRINT");
}

void TLayoutPrintDialog::LoadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const QString s = Section();
    const int range = ini.ReadInteger(s, "Range", 0);
    QRadioButton *ranges[] = {rbViewData, rbSelect, rbRange, rbAll};
    const int tag = range >= 0 && range <= 3 ? range : 0;
    // Each choice is applied once, here: its button's toggle would build the record list again for it.
    {
        const QSignalBlocker quiet(rbViewData->group());
        ranges[tag]->setChecked(true);
    }
    rangeClick(tag);
    const int limit = ini.ReadInteger(s, "Limit", 0);
    const int limitTag = RangeChoice != 0 && (limit == 1 || limit == 2) ? limit : 0;
    {
        const QSignalBlocker quiet(rbNone->group());
        (limitTag == 1 ? rbPrint : limitTag == 2 ? rbExcept : rbNone)->setChecked(true);
    }
    limitClick(limitTag);
    const int count = RecordCount();
    StartRange = std::clamp(ini.ReadInteger(s, "StartRange", 1), 1, std::max(1, count));
    EndRange = std::clamp(ini.ReadInteger(s, "EndRange", count), StartRange, std::max(StartRange, count));
    ShowRange();
    scbHorz->setValue(ini.ReadInteger(s, "OffsetX", 500));
    scbVert->setValue(ini.ReadInteger(s, "OffsetY", 500));
    if (PrintKind == 1) {
        Flap = std::clamp(ini.ReadInteger(s, "Flap", 0), 0, 500);
        ckbReverse->setChecked(ini.ReadBool(s, "Reverse", false));
    }
    if (MultiUp) {
        LabelStart = std::clamp(ini.ReadInteger(s, "LabelStart", 1), 1, PapersPerSheet);
        LabelCount = std::clamp(ini.ReadInteger(s, "LabelCount", 1), 1, MaxLabelCount);
    }
    edFlap->setText(FlapText(Flap));
    edLabelStart->setText(QString::number(LabelStart));
    edLabelCount->setText(QString::number(LabelCount));
    if (ResumeAfterPreview) {
        pages->setCurrentIndex(ini.ReadInteger(s, "Page", pages->currentIndex()) == 1 ? 1 : 0);
        const int copies = std::clamp(ini.ReadInteger(s, "Copy", 1), 1, MaxCopies);
        if (!MultiUp)
            Printer.Copies = copies;
        edCopy->setText(QString::number(copies));
    }
    if (edCopy->text().isEmpty())
        edCopy->setText(QString::number(Printer.Copies));
}

void TLayoutPrintDialog::SaveSettings()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    const QString s = Section();
    if (DataPrint) {
        ini.WriteInteger(s, "Range", std::max(0, RangeChoice));
        ini.WriteInteger(s, "Limit", LimitChoice);
        ini.WriteInteger(s, "StartRange", StartRange);
        ini.WriteInteger(s, "EndRange", EndRange);
    }
    ini.WriteInteger(s, "OffsetX", scbHorz->value());
    ini.WriteInteger(s, "OffsetY", scbVert->value());
    if (PrintKind == 1) {
        ini.WriteInteger(s, "Flap", Flap);
        ini.WriteBool(s, "Reverse", ckbReverse->isChecked());
    }
    if (MultiUp) {
        ini.WriteInteger(s, "LabelStart", LabelStart);
        ini.WriteInteger(s, "LabelCount", LabelCount);
    }
    ini.WriteInteger(s, "Page", pages->currentIndex());
    ini.WriteInteger(s, "Copy", std::max(1, wholeNumber(edCopy->text())));
    // The choices are in force for this run whether or not they could be kept.
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

// ---- Showing ----

void TLayoutPrintDialog::showEvent(QShowEvent *event)
{
    LoadSettings();
    ShowOffsets();
    if (DataPrint)
        UpdateDataCount();
    else
        UpdateSheetCount();
    CheckPrintableArea();
    QDialog::showEvent(event);
}

void TLayoutPrintDialog::ShowPrinter()
{
    pnlPrinter->setText(Printer.Device);
    pnlPaperSize->setText(Printer.Paper);
    pnlOrientation->setText(Printer.Orientation == 2 ? QStringLiteral("横") : QStringLiteral("縦"));
}

void TLayoutPrintDialog::ShowRange()
{
    edStartRange->setText(QString::number(StartRange));
    edEndRange->setText(QString::number(EndRange));
}

void TLayoutPrintDialog::ShowOffsets()
{
    // The side is the bar's name on the bus: a screen reader on the bar hears it change as the bar crosses zero.
    const auto showSide = [](QLabel *side, QScrollBar *bar, bool vertical) {
        const QString text = OffsetSideText(bar->value(), vertical);
        if (side->text() == text)
            return;
        side->setText(text);
        QAccessibleEvent renamed(bar, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    };
    showSide(lblVert, scbVert, true);
    lblOffsetV->setText(OffsetValueText(scbVert->value()));
    showSide(lblHorz, scbHorz, false);
    lblOffsetH->setText(OffsetValueText(scbHorz->value()));
}

int TLayoutPrintDialog::RecordCount() const { return Rows ? Rows->GetRecordCount() : 0; }

void TLayoutPrintDialog::rangeClick(int tag)
{
    RangeChoice = tag;
    for (QRadioButton *r : {rbViewData, rbSelect, rbRange, rbAll})
        SetCaptionColour(r, r->isChecked());
    const bool numbers = tag == rcNumbers;
    for (QWidget *w : std::initializer_list<QWidget *>{edStartRange, edEndRange, udStartRange, udEndRange,
                                                       lblRangeFrom, lblRangeTo})
        w->setEnabled(numbers);
    UpdateDataCount();
}

void TLayoutPrintDialog::limitClick(int tag)
{
    LimitChoice = tag;
    for (QRadioButton *r : {rbNone, rbPrint, rbExcept})
        SetCaptionColour(r, r->isChecked());
    UpdateDataCount();
}

void TLayoutPrintDialog::UpdateDataCount()
{
    if (RangeChoice < 0)
        return;
    RecordList = Rows ? BuildRecordList(*Rows, RangeChoice, LimitChoice, StartRange, EndRange)
                      : std::vector<int32_t>();
    lblDataNum->setText(QString::asprintf("%d 件", int(RecordList.size())));
    UpdateSheetCount();
}

void TLayoutPrintDialog::UpdateSheetCount()
{
    const int copies = std::max(1, wholeNumber(edCopy->text()));
    lblCopy->setText(QString::asprintf(
        "%d 枚", SheetCount(MultiUp, DataPrint, int(RecordList.size()), LabelCount, LabelStart, PapersPerSheet,
                           copies)));
}

void TLayoutPrintDialog::CheckPrintableArea()
{
    const int flap = PrintKind == 1 ? Flap : 0;
    lblRangeInfo->setVisible(!Printer.Printable.isEmpty() &&
                             !ContentFitsPrintable(ContentRect, Printer.Printable, Printer.DpiX, Printer.DpiY,
                                                   scbHorz->value() - 500, scbVert->value() - 500, flap));
}

// ---- Number edits ----

void TLayoutPrintDialog::stepNumber(QLineEdit *edit, int delta)
{
    if (edit == edStartRange || edit == edEndRange) {
        const bool onStart = edit == edStartRange;
        SetRangeBound(StartRange, EndRange, RecordCount(), onStart, (onStart ? StartRange : EndRange) + delta);
        ShowRange();
        UpdateDataCount();
        return;
    }
    if (edit == edFlap) {
        Flap = std::clamp(Flap + delta, 0, 500);
        edFlap->setText(FlapText(Flap));
        CheckPrintableArea();
        return;
    }
    int *value = edit == edLabelStart ? &LabelStart : edit == edLabelCount ? &LabelCount : &Printer.Copies;
    const int high = edit == edLabelStart ? PapersPerSheet : edit == edLabelCount ? MaxLabelCount : MaxCopies;
    *value = std::clamp(*value + delta, 1, high);
    edit->setText(QString::number(*value));
    UpdateSheetCount();
}

void TLayoutPrintDialog::leaveNumber(QLineEdit *edit)
{
    if (edit == edStartRange || edit == edEndRange) {
        leaveRange(edit);
        return;
    }
    if (edit == edFlap) {
        Flap = FlapFromText(edFlap->text(), Flap);
        edFlap->setText(FlapText(Flap));
        CheckPrintableArea();
        return;
    }
    int *value = edit == edLabelStart ? &LabelStart : edit == edLabelCount ? &LabelCount : &Printer.Copies;
    const int typed = wholeNumber(edit->text());
    if (typed >= 0) {
        const int high = edit == edLabelStart ? PapersPerSheet : edit == edLabelCount ? MaxLabelCount : MaxCopies;
        *value = std::clamp(typed, 1, high);
    }
    edit->setText(QString::number(*value));
    UpdateSheetCount();
}

void TLayoutPrintDialog::leaveRange(QLineEdit *edit)
{
    const int typed = wholeNumber(edit->text());
    if (typed >= 0)
        SetRangeBound(StartRange, EndRange, RecordCount(), edit == edStartRange, typed);
    ShowRange();
    if (typed >= 0)
        UpdateDataCount();
}

bool TLayoutPrintDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    const bool number = edit && edit != nullptr &&
                        (edit == edStartRange || edit == edEndRange || edit == edCopy || edit == edFlap ||
                         edit == edLabelStart || edit == edLabelCount);
    if (number && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int delta = key == Qt::Key_PageUp ? 10 : key == Qt::Key_PageDown ? -10 : key == Qt::Key_Up ? 1
                          : key == Qt::Key_Down ? -1 : 0;
        if (delta != 0) {
            leaveNumber(edit);
            stepNumber(edit, delta);
            return true;
        }
    }
    // Qt's horizontal scroll bar moves the other way from its arrow keys; the arrows move the print this way.
    if (watched == scbHorz && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            scbHorz->triggerAction(key == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                                       : QAbstractSlider::SliderSingleStepAdd);
            return true;
        }
    }
    if (IsEnterKey(event)) {
        if (edit && number)
            leaveNumber(edit);
        if (watched == ckbLimitedPrinter) {
            btnPrint->setFocus();
            return true;
        }
        focusNextChild();
        QWidget *next = focusWidget();
        if (next == btnPreview1)
            btnNext->setFocus();
        else if (next == btnPreview2)
            btnPrint->setFocus();
        else if (next == bbtnPrinters)
            ckbLimitedPrinter->setFocus();
        else if (auto *nextEdit = qobject_cast<QLineEdit *>(next))
            nextEdit->selectAll();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Buttons ----

void TLayoutPrintDialog::btnNextClick()
{
    if (RecordList.empty()) {
        ShowMessageBoxAt(this, NoDataMessage, AppTitle, MB_ICONINFORMATION);
        return;
    }
    pages->setCurrentWidget(tbsPrint);
}

void TLayoutPrintDialog::btnPreviewClick()
{
    if (pages->currentWidget() == tbsAdrs && RecordList.empty()) {
        ShowMessageBoxAt(this, NoDataMessage, AppTitle, MB_ICONINFORMATION);
        return;
    }
    if (!confirmStart(true))
        return;
    SaveSettings();
    PreviewRequested = true;
    accept();
}

bool TLayoutPrintDialog::confirmStart(bool preview)
{
    const std::optional<QString> leftOff = LeftOffQuestion ? LeftOffQuestion(RecordList, preview) : QString();
    if (!leftOff)
        return false;
    QString question = *leftOff;
    unsigned icon = MB_ICONWARNING;
    if (question.isEmpty()) {
        if (preview)
            return true;
        question = KindWord + QStringLiteral("を印刷します  \r\nよろしいですか？");
        icon = MB_ICONQUESTION;
    }
    return ShowMessageBoxAt(this, question, AppTitle, MB_YESNO | icon) == IDYES;
}

void TLayoutPrintDialog::btnPrintClick()
{
    if (!confirmStart(false))
        return;
    SaveSettings();
    accept();
}

void TLayoutPrintDialog::bbtnPrintersClick()
{
    if (!OnPrinterSetup)
        return;
    TWizardPrinter changed = Printer;
    if (!OnPrinterSetup(changed))
        return;
    Printer = changed;
    ShowPrinter();
    if (wholeNumber(edCopy->text()) != Printer.Copies) {
        edCopy->setText(QString::number(Printer.Copies));
        UpdateSheetCount();
    }
    PrinterChanged = true;
    CheckPrintableArea();
}
