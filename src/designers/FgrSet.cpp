#include "designers/FgrSet.h"

#include "core/SharedHelpers.h"
#include "designers/DataFrm.h"
#include "designers/DesignGeometry.h"
#include "designers/RangeEdit.h"
#include "designers/SettingsDialogs.h"
#include "geo/PaintPanel.h"
#include "records/EntryHelpers.h"
#include "widgets/NamedControls.h"
#include "widgets/UpDown.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString PageKey = QStringLiteral("FigureSet");
constexpr int32_t LightRed = 0xBFBFFF;
constexpr int32_t White = 0xFFFFFF;

// Each row of the line-type grid shows a sample of its line type; the chosen row is light blue.
class TLineTypeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                              Qt::DashDotDotLine};
        painter->save();
        const QRect cell = option.rect;
        if (option.state & QStyle::State_Selected) {
            painter->fillRect(cell, QColor(0xBF, 0xDF, 0xFF));
            painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter->drawRect(cell.adjusted(0, 0, -1, -1));
        } else {
            painter->fillRect(cell, option.palette.base());
        }
        painter->setPen(QPen(Qt::black, 1, styles[std::clamp(index.row(), 0, 4)]));
        const int y = cell.top() + cell.height() / 2;
        for (int dy : {0, 1})
            painter->drawLine(cell.left() + 4, y + dy, cell.right() - 4, y + dy);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override { return {120, 16}; }
};

QCheckBox *check(const char *name, const char *caption, QWidget *parent)
{
    return Named<QCheckBox>(name, QString::fromUtf8(caption), parent);
}

QLabel *label(const char *name, const char *caption, QWidget *parent)
{
    return Named<QLabel>(name, QString::fromUtf8(caption), parent);
}

}  // namespace

TFigureSettingDialog::TFigureSettingDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FigureSettingDialog"));
    setWindowTitle(QStringLiteral("図形の設定"));
    setProperty("HelpContext", 132);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    pgcSetting = Named<QTabWidget>("pgcSetting", this);
    buildFigurePage();
    buildFramePage();
    pnlPreview = MakePreviewPanel(
        "pnlPreview", this, [this]() -> TDrawRect & { return FPreview_; },
        [this] {
            return !(FPreview_.FigureKind() == TFigureRect::Rectangle &&
                     (FPreview_.FrameVisible() || FPreview_.BackFill()));
        });

    auto *top = new QHBoxLayout;
    top->addWidget(pgcSetting, 1);
    top->addWidget(pnlPreview, 0, Qt::AlignTop);
    FinishSettingsDialog(this, top, pgcSetting, PageKey, btnOK, btnCancel);
}

void TFigureSettingDialog::buildFigurePage()
{
    auto *tbsFont = Named<QWidget>("tbsFont", pgcSetting);
    pgcSetting->addTab(tbsFont, QStringLiteral("図形"));
    auto *page = new QVBoxLayout(tbsFont);
    auto *kindRow = new QHBoxLayout;
    auto *lblItem8 = label("lblItem8", "種類：", tbsFont);
    cbxFigureKind = Named<QComboBox>("cbxFigureKind", tbsFont);
    cbxFigureKind->addItems({QStringLiteral("直線"), QStringLiteral("四角"), QStringLiteral("四角（角丸）"),
                             QStringLiteral("円"), QStringLiteral("扇形"), QStringLiteral("ひし形")});
    lblItem8->setBuddy(cbxFigureKind);
    kindRow->addWidget(lblItem8);
    kindRow->addWidget(cbxFigureKind);
    kindRow->addStretch();
    page->addLayout(kindRow);
    connect(cbxFigureKind, &QComboBox::activated, this, [this] { cbxFigureKindClick(); });

    const auto panel = [&](const char *name, const char *groupName, const char *caption, QWidget *&out) {
        out = Named<QWidget>(name, tbsFont);
        auto *outer = new QVBoxLayout(out);
        outer->setContentsMargins(0, 0, 0, 0);
        auto *group = Named<QGroupBox>(groupName, QString::fromUtf8(caption), out);
        outer->addWidget(group);
        page->addWidget(out);
        return group;
    };
    QGroupBox *gbxLine = panel("pnlLine", "gbxLine", "線の方向", pnlLine);
    auto *lines = new QVBoxLayout(gbxLine);
    const char *lineNames[] = {"ckbHorizontal", "ckbVertical", "ckbDiagonal_L", "ckbDiagonal_R"};
    const char *lineCaptions[] = {"水平線", "垂直線", "対角線： 左上から右下", "対角線： 右上から左下"};
    for (int tag = 0; tag < 4; ++tag) {
        QCheckBox *box = lineBoxes[tag] = check(lineNames[tag], lineCaptions[tag], gbxLine);
        lines->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this, box, tag] { ckbLineClick(box, tag); });
    }

    QGroupBox *gbxRoundRect = panel("pnlRoundRect", "gbxRoundRect", "角の半径", pnlRoundRect);
    auto *corners = new QGridLayout(gbxRoundRect);
    const QStringList sizes{QStringLiteral("小さい"), QStringLiteral("普通"), QStringLiteral("大きい")};
    const auto diameter = [&](const char *name, const char *labelName, const char *caption, int tag, int row) {
        auto *box = Named<QComboBox>(name, gbxRoundRect);
        box->addItems(sizes);
        auto *l = label(labelName, caption, gbxRoundRect);
        l->setBuddy(box);
        corners->addWidget(l, row, 0);
        corners->addWidget(box, row, 1);
        connect(box, &QComboBox::activated, this, [this, tag](int choice) {
            FPreview_.SetCornerRadius(tag, uint8_t(choice));
            repaintPreview();
        });
        return box;
    };
    cbxDiameterV = diameter("cbxDiameterV", "Label1", "縦方向：", 1, 0);
    cbxDiameterH = diameter("cbxDiameterH", "Label2", "横方向：", 0, 1);
    corners->setColumnStretch(2, 1);

    QGroupBox *gbxSector = panel("pnlSector", "gbxSector", "頂点の方向", pnlSector);
    auto *apex = new QGridLayout(gbxSector);
    auto *apexGroup = new QButtonGroup(this);
    const char *apexNames[] = {"rbBottomRight", "rbBottomLeft", "rbTopRight", "rbTopLeft"};
    const char *apexCaptions[] = {"右下", "左下", "右上", "左上"};
    const int apexCells[][2] = {{1, 1}, {1, 0}, {0, 1}, {0, 0}};
    for (int tag = 0; tag < 4; ++tag) {
        QRadioButton *button = sectorButtons[tag] =
            Named<QRadioButton>(apexNames[tag], QString::fromUtf8(apexCaptions[tag]), gbxSector);
        apexGroup->addButton(button, tag);
        apex->addWidget(button, apexCells[tag][0], apexCells[tag][1]);
        connect(button, &QRadioButton::toggled, this, [this, tag](bool on) {
            if (on)
                rbSectorDirClick(tag);
        });
    }
    page->addStretch();
}

void TFigureSettingDialog::buildFramePage()
{
    auto *tbsFrame = Named<QWidget>("tbsFrame", pgcSetting);
    pgcSetting->addTab(tbsFrame, QStringLiteral("色・設定"));
    auto *page = new QVBoxLayout(tbsFrame);

    ckbFrame = check("ckbFrame", "枠線", tbsFrame);
    page->addWidget(ckbFrame);
    auto *gbxFrame = Named<QGroupBox>("gbxFrame", tbsFrame);
    auto *frame = new QGridLayout(gbxFrame);
    lblItem7 = label("lblItem7", "種類：", gbxFrame);
    dgLineType = Named<QListWidget>("dgLineType", gbxFrame);
    dgLineType->setItemDelegate(new TLineTypeDelegate(dgLineType));
    for (int row = 0; row < 5; ++row)
        dgLineType->addItem(QString());
    dgLineType->setFixedHeight(5 * 16 + 2 * dgLineType->frameWidth());
    dgLineType->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dgLineType->setAccessibleName(QStringLiteral("線の種類"));
    lblItem7->setBuddy(dgLineType);
    frame->addWidget(lblItem7, 0, 0, Qt::AlignTop);
    frame->addWidget(dgLineType, 0, 1, 1, 3);
    lblItem9 = label("lblItem9", "太さ：", gbxFrame);
    lineWidth = new TRangeEdit(gbxFrame, "edLineWidth", "udLineWidth", 1, 50, 4);
    lineWidth->SetLabel(lblItem9);
    lblItem18 = label("lblItem18", "(ピクセル)", gbxFrame);
    auto *widthRow = new QHBoxLayout;
    widthRow->setSpacing(0);
    widthRow->addWidget(lineWidth->Edit);
    widthRow->addWidget(lineWidth->UpDown);
    widthRow->addSpacing(4);
    widthRow->addWidget(lblItem18);
    widthRow->addStretch();
    frame->addWidget(lblItem9, 1, 0);
    frame->addLayout(widthRow, 1, 1, 1, 3);
    lblItem10 = label("lblItem10", "色：", gbxFrame);
    pnlFrameColor = MakeSwatch("pnlFrameColor", gbxFrame);
    bbtnFrameColor = MakeColorButton("bbtnFrameColor", gbxFrame, QStringLiteral("枠の色"));
    frame->addWidget(lblItem10, 2, 0);
    frame->addWidget(pnlFrameColor, 2, 1);
    frame->addWidget(bbtnFrameColor, 2, 2);
    frame->setColumnStretch(3, 1);
    page->addWidget(gbxFrame);

    ckbBack = check("ckbBack", "背景", tbsFrame);
    page->addWidget(ckbBack);
    auto *gbxBack = Named<QGroupBox>("gbxBack", tbsFrame);
    auto *back = new QGridLayout(gbxBack);
    auto *kinds = new QButtonGroup(this);
    rbFilled = Named<QRadioButton>("rbFilled", QStringLiteral("単色"), gbxBack);
    rbGradation = Named<QRadioButton>("rbGradation", QStringLiteral("グラデーション"), gbxBack);
    kinds->addButton(rbFilled, 0);
    kinds->addButton(rbGradation, 1);
    back->addWidget(rbFilled, 0, 0, 1, 2);
    back->addWidget(rbGradation, 0, 2, 1, 3);
    lblItem1 = label("lblItem1", "色１：", gbxBack);
    pnlColor1 = MakeSwatch("pnlColor1", gbxBack);
    bbtnColorDlg1 = MakeColorButton("bbtnColorDlg1", gbxBack, QStringLiteral("色１"));
    lblItem2 = label("lblItem2", "色２：", gbxBack);
    pnlColor2 = MakeSwatch("pnlColor2", gbxBack);
    bbtnColorDlg2 = MakeColorButton("bbtnColorDlg2", gbxBack, QStringLiteral("色２"));
    back->addWidget(lblItem1, 1, 0);
    back->addWidget(pnlColor1, 1, 1);
    back->addWidget(bbtnColorDlg1, 1, 2);
    back->addWidget(lblItem2, 2, 0);
    back->addWidget(pnlColor2, 2, 1);
    back->addWidget(bbtnColorDlg2, 2, 2);
    lblItem3 = label("lblItem3", "角度：", gbxBack);
    angle = new TRangeEdit(gbxBack, "edAngle", "udAngle", 0, 359, 3);
    angle->SetLabel(lblItem3);
    auto *angleRow = new QHBoxLayout;
    angleRow->setSpacing(0);
    angleRow->addWidget(angle->Edit);
    angleRow->addWidget(angle->UpDown);
    angleRow->addStretch();
    back->addWidget(lblItem3, 3, 0);
    back->addLayout(angleRow, 3, 1, 1, 3);
    back->setColumnStretch(4, 1);
    page->addWidget(gbxBack);
    page->addStretch();

    connect(ckbFrame, &QCheckBox::toggled, this, [this] { ckbFrameClick(); });
    connect(dgLineType, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            FPreview_.SetLineStyle(uint8_t(row));
        repaintPreview();
    });
    lineWidth->OnChange = [this](int width) {
        FPreview_.SetLineWidth(width);
        repaintPreview();
    };
    angle->OnChange = [this](int degrees) {
        FPreview_.SetGradientAngle(degrees);
        repaintPreview();
    };
    connect(bbtnFrameColor, &QAbstractButton::clicked, this, [this] {
        if (ChooseSwatchColor(this, pnlFrameColor, true))
            FPreview_.SetFrameColor(SwatchColor(pnlFrameColor));
        repaintPreview();
    });
    connect(ckbBack, &QCheckBox::toggled, this, [this] { ckbBackClick(); });
    connect(kinds, &QButtonGroup::buttonToggled, this, [this](QAbstractButton *, bool on) {
        if (on)
            rbColorKindClick();
    });
    connect(bbtnColorDlg1, &QAbstractButton::clicked, this, [this] {
        if (ChooseSwatchColor(this, pnlColor1, false))
            FPreview_.SetFillColor1(SwatchColor(pnlColor1));
        repaintPreview();
    });
    connect(bbtnColorDlg2, &QAbstractButton::clicked, this, [this] {
        if (ChooseSwatchColor(this, pnlColor2, false))
            FPreview_.SetFillColor2(SwatchColor(pnlColor2));
        repaintPreview();
    });
}

void TFigureSettingDialog::SetFigureRect(const TFigureRect &figure)
{
    FPreview_.Assign(figure);
    const TPreviewFit fit = FitInPreview(FPreview_.GetRect(), pnlPreview->InnerRect().size());
    FPreview_.SetZoom(fit.Zoom);
    FPreview_.SetRect(fit.Rect);

    cbxFigureKind->setCurrentIndex(FPreview_.FigureKind());
    cbxFigureKindClick();
    for (int tag = 0; tag < 4; ++tag)
        lineBoxes[tag]->setChecked((FPreview_.LineDirections() >> tag) & 1);
    cbxDiameterH->setCurrentIndex(FPreview_.GetCornerRadius(0));
    cbxDiameterV->setCurrentIndex(FPreview_.GetCornerRadius(1));
    if (FPreview_.SectorDirection() < 4)
        sectorButtons[FPreview_.SectorDirection()]->setChecked(true);
    for (QRadioButton *button : sectorButtons)
        SetCaptionColour(button, button->isChecked());

    ckbFrame->setChecked(FPreview_.FrameVisible());
    ckbFrameClick();
    dgLineType->setCurrentRow(FPreview_.LineStyle());
    lineWidth->SetPosition(FPreview_.LineWidth());
    SetSwatchColor(pnlFrameColor, FPreview_.FrameColor());

    if (!FPreview_.BackFill() && FPreview_.FillColor1() == 0)
        FPreview_.SetFillColor1(LightRed);
    if (!FPreview_.Gradation() && FPreview_.FillColor2() == 0)
        FPreview_.SetFillColor2(White);
    ckbBack->setChecked(FPreview_.BackFill());
    (FPreview_.Gradation() ? rbGradation : rbFilled)->setChecked(true);
    rbColorKindClick();
    ckbBackClick();
    angle->SetPosition(FPreview_.GradientAngle());
    SetSwatchColor(pnlColor1, FPreview_.FillColor1());
    SetSwatchColor(pnlColor2, FPreview_.FillColor2());
    repaintPreview();
}

void TFigureSettingDialog::cbxFigureKindClick()
{
    const int kind = cbxFigureKind->currentIndex();
    FPreview_.SetKind(uint8_t(kind));
    pnlLine->setVisible(kind == TFigureRect::Line);
    pnlRoundRect->setVisible(kind == TFigureRect::RoundRectangle);
    pnlSector->setVisible(kind == TFigureRect::Sector);
    if (kind == TFigureRect::Line) {
        // A line always draws its outline.
        ckbFrame->setChecked(true);
        ckbFrameClick();
        ckbFrame->setEnabled(false);
    } else {
        ckbFrame->setEnabled(true);
    }
    repaintPreview();
}

void TFigureSettingDialog::ckbLineClick(QCheckBox *box, int tag)
{
    SetCaptionColour(box, box->isChecked());
    uint8_t lines = FPreview_.LineDirections();
    lines = box->isChecked() ? uint8_t(lines | (1u << tag)) : uint8_t(lines & ~(1u << tag));
    FPreview_.SetLineDirections(lines);
    repaintPreview();
}

void TFigureSettingDialog::rbSectorDirClick(int tag)
{
    if (tag == FPreview_.SectorDirection())
        return;
    SetCaptionColour(sectorButtons[FPreview_.SectorDirection() & 3], false);
    FPreview_.SetSectorDirection(uint8_t(tag));
    SetCaptionColour(sectorButtons[tag], true);
    repaintPreview();
}

void TFigureSettingDialog::ckbFrameClick()
{
    const bool on = ckbFrame->isChecked();
    SetCaptionColour(ckbFrame, on);
    SetInputColour(lineWidth->Edit, on);
    SetInputColour(dgLineType, on);
    FPreview_.SetFrameVisible(on);
    for (QWidget *w : std::initializer_list<QWidget *>{dgLineType, lineWidth->Edit, lineWidth->UpDown,
                                                        bbtnFrameColor, lblItem7, lblItem9, lblItem10})
        w->setEnabled(on);
    repaintPreview();
}

void TFigureSettingDialog::ckbBackClick()
{
    const bool on = ckbBack->isChecked();
    SetCaptionColour(ckbBack, on);
    FPreview_.SetBackFill(on);
    for (QWidget *w : std::initializer_list<QWidget *>{rbFilled, rbGradation, bbtnColorDlg1, lblItem1})
        w->setEnabled(on);
    updateGradientControls();
    repaintPreview();
}

void TFigureSettingDialog::rbColorKindClick()
{
    SetCaptionColour(rbFilled, rbFilled->isChecked());
    SetCaptionColour(rbGradation, rbGradation->isChecked());
    FPreview_.SetGradation(rbGradation->isChecked());
    updateGradientControls();
    repaintPreview();
}

void TFigureSettingDialog::updateGradientControls()
{
    const bool on = ckbBack->isChecked() && rbGradation->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{bbtnColorDlg2, angle->UpDown, angle->Edit, lblItem2, lblItem3})
        w->setEnabled(on);
    SetInputColour(angle->Edit, on);
}

void TFigureSettingDialog::repaintPreview() { pnlPreview->update(); }

void TFigureSettingDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (pgcSetting->currentIndex() == 0)
        cbxFigureKind->setFocus();
    else
        (ckbFrame->isEnabled() ? static_cast<QWidget *>(ckbFrame) : dgLineType)->setFocus();
}

void TFigureSettingDialog::done(int result)
{
    SaveDialogPage(PageKey, pgcSetting->currentIndex());
    QDialog::done(result);
}

bool TFigureSettingDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event) || PressesOnEnter(watched))
        return QDialog::eventFilter(watched, event);
    if (watched == lineWidth->Edit) {
        ckbBack->setFocus();
        return true;
    }
    if (watched == rbFilled || watched == rbGradation) {
        (angle->Edit->isEnabled() ? static_cast<QWidget *>(angle->Edit) : btnOK)->setFocus();
        return true;
    }
    return MoveOnEnter(this, event);
}
