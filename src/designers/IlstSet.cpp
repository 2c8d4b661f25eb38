#include "designers/IlstSet.h"

#include "base/Numbers.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "drawing/Canvas.h"
#include "drawing/DesignGlobals.h"
#include "drawing/MaskedDraw.h"
#include "platform/MemIniFile.h"
#include "records/EntryHelpers.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString Section = QStringLiteral("DESIGN");
constexpr int MaskSize = 62;
constexpr int MaskGap = 8;
constexpr int PreviewBox = 229;

}  // namespace

TPreviewPlace PlacePreview(QSize box, int dw, int dh)
{
    const int x = std::max(0, (box.width() - 4 - dw) / 2);
    const int y = std::max(0, (box.height() - 4 - dh) / 2);
    return {TRect{x, y, x + dw, y + dh}, QSize(std::max(box.width() - 4, dw), std::max(box.height() - 4, dh))};
}

TRect DragCutOut(const TRect &before, uint8_t &edgeH, uint8_t &edgeV, bool move, QPoint last, QPoint mouse,
                 bool keepProportions)
{
    TRect r = before;
    if (move) {
        const int dx = mouse.x() - last.x(), dy = mouse.y() - last.y();
        return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    }
    const bool left = edgeH == EdgeCode::Left, right = edgeH == EdgeCode::Right;
    const bool top = edgeV == EdgeCode::Top, bottom = edgeV == EdgeCode::Bottom;
    if (left)
        r.Left = mouse.x();
    else if (right)
        r.Right = mouse.x();
    if (top)
        r.Top = mouse.y();
    else if (bottom)
        r.Bottom = mouse.y();
    if (keepProportions && before.Width() != 0 && before.Height() != 0) {
        const double w0 = before.Width(), h0 = before.Height(), aspect = w0 / h0;
        int ex = left ? r.Left - before.Left : right ? r.Right - before.Right : 0;
        int ey = top ? r.Top - before.Top : bottom ? r.Bottom - before.Bottom : 0;
        const double rx = left || right ? r.Width() / w0 : 0;
        const double ry = top || bottom ? r.Height() / h0 : 0;
        if (std::fabs(rx) >= std::fabs(ry)) {
            ey = RoundToInt(ex / aspect);
            if ((right && top) || (left && !top))
                ey = -ey;
        } else {
            ex = RoundToInt(ey * aspect);
            if ((!left && top) || (left && bottom))
                ex = -ex;
        }
        r = before;
        if (left) {
            r.Left += ex;
        } else if (right) {
            r.Right += ex;
        } else {
            r.Left -= ex / 2;
            r.Right += ex / 2;
        }
        if (top) {
            r.Top += ey;
        } else if (bottom) {
            r.Bottom += ey;
        } else {
            r.Top -= ey / 2;
            r.Bottom += ey / 2;
        }
    }
    if (r.Right < r.Left) {
        std::swap(r.Left, r.Right);
        if (left || right)
            edgeH = left ? EdgeCode::Right : EdgeCode::Left;
    }
    if (r.Bottom < r.Top) {
        std::swap(r.Top, r.Bottom);
        if (top || bottom)
            edgeV = top ? EdgeCode::Bottom : EdgeCode::Top;
    }
    return r;
}

TRect BringCutOutBack(const TRect &cut, const TRect &picture)
{
    const bool acrossX = cut.Right > picture.Left && cut.Left < picture.Right;
    const bool acrossY = cut.Bottom > picture.Top && cut.Top < picture.Bottom;
    if (acrossX && acrossY)
        return cut;
    TRect r = cut;
    const auto shift = [](int &low, int &high, int by) {
        low += by;
        high += by;
    };
    if (r.Right <= picture.Left)
        shift(r.Left, r.Right, picture.Left - r.Left);
    else if (r.Left >= picture.Right)
        shift(r.Left, r.Right,
              picture.Width() >= r.Width() ? picture.Right - r.Right : picture.Left - r.Left);
    if (r.Bottom <= picture.Top)
        shift(r.Top, r.Bottom, picture.Top - r.Top);
    else if (r.Top >= picture.Bottom)
        shift(r.Top, r.Bottom,
              picture.Height() >= r.Height() ? picture.Bottom - r.Bottom : picture.Top - r.Top);
    return r;
}

int MaskIndexAfterKey(int index, int count, int key)
{
    switch (key) {
    case Qt::Key_Left:
        return index > 1 ? index - 2 : index;
    case Qt::Key_Up:
        return index > 0 ? index - 1 : index;
    case Qt::Key_Right:
        return index + 2 < count ? index + 2 : index;
    case Qt::Key_Down:
        return index + 1 < count ? index + 1 : index;
    default:
        return index;
    }
}

// A box the dialog paints itself: the preview and each mask thumbnail.
class TIllustSettingDialog::TPaintBox : public QWidget {
public:
    TPaintBox(QWidget *parent, std::function<void(QPainter &)> paint) : QWidget(parent), paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        paint_(painter);
    }

private:
    std::function<void(QPainter &)> paint_;
};

TIllustSettingDialog::TIllustSettingDialog(QWidget *owner) : QDialog(owner), FPreview(std::make_unique<TIllustRect>())
{
    setObjectName(QStringLiteral("IllustSettingDialog"));
    setWindowTitle(QStringLiteral("イラストの表示設定"));
    setProperty("HelpContext", 127);
    setFixedSize(ScaleByDpi(592, true), ScaleByDpi(382, true));

    pgcSetting = Named<QTabWidget>("pgcSetting", this);
    buildOrientationPage();
    buildMaskPage();
    buildFramePage();

    sbxPreview = Named<QScrollArea>("sbxPreview", this);
    sbxPreview->setFixedSize(PreviewBox, PreviewBox);
    sbxPreview->setStyleSheet(QStringLiteral("QScrollArea { background: white; }"));
    sbxPreview->viewport()->setStyleSheet(QStringLiteral("background: white;"));
    pbxPreview = new TPaintBox(nullptr, [this](QPainter &painter) { paintPreview(painter); });
    pbxPreview->setObjectName(QStringLiteral("pbxPreview"));
    pbxPreview->setMouseTracking(true);
    pbxPreview->installEventFilter(this);
    sbxPreview->setWidget(pbxPreview);
    sbxPreview->setWidgetResizable(false);

    btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *bvBorder = Named<QFrame>("bvBorder", this);
    bvBorder->setFrameShape(QFrame::HLine);
    bvBorder->setFrameShadow(QFrame::Sunken);

    auto *top = new QHBoxLayout;
    top->addWidget(pgcSetting, 1);
    auto *previewColumn = new QVBoxLayout;
    previewColumn->addSpacing(pgcSetting->tabBar()->sizeHint().height());
    previewColumn->addWidget(sbxPreview);
    previewColumn->addStretch(1);
    top->addLayout(previewColumn);
    auto *root = new QVBoxLayout(this);
    root->addLayout(top, 1);
    root->addWidget(bvBorder);
    root->addLayout(MakeButtonRow({btnOK, btnCancel}));

    for (QAbstractButton *button : findChildren<QAbstractButton *>())
        if (qobject_cast<QRadioButton *>(button) || qobject_cast<QCheckBox *>(button))
            connect(button, &QAbstractButton::toggled, this, [this] { recolour(); });
    for (QWidget *w : {static_cast<QWidget *>(rbNone), static_cast<QWidget *>(rbMask),
                       static_cast<QWidget *>(rbTransparent), static_cast<QWidget *>(ckbFrame),
                       static_cast<QWidget *>(cbxLineCount), static_cast<QWidget *>(cbxCorner),
                       static_cast<QWidget *>(rbVert), static_cast<QWidget *>(rbHorz), static_cast<QWidget *>(rbL90),
                       static_cast<QWidget *>(rbR90), static_cast<QWidget *>(rb180),
                       static_cast<QWidget *>(cbxLineWidth), static_cast<QWidget *>(ckbBack),
                       static_cast<QWidget *>(sbxMask)})
        w->installEventFilter(this);
    sbxMask->viewport()->installEventFilter(this);
    sbxPreview->viewport()->installEventFilter(this);

    LoadSettings();
    rbVert->setChecked(true);
    rbL90->setChecked(true);
    BuildMaskList();
    recolour();
}

TIllustSettingDialog::~TIllustSettingDialog()
{
    SaveSettings();
}

void TIllustSettingDialog::buildOrientationPage()
{
    TabSheet1 = Named<QWidget>("TabSheet1");
    pgcSetting->addTab(TabSheet1, QStringLiteral("画像の向き"));
    gbxReverse = Named<QGroupBox>("gbxReverse", QStringLiteral("反転"), TabSheet1);
    rbVert = Named<QRadioButton>("rbVert", QStringLiteral("上下に反転"), gbxReverse);
    rbHorz = Named<QRadioButton>("rbHorz", QStringLiteral("左右に反転"), gbxReverse);
    bbtnReverse = Named<QPushButton>("bbtnReverse", QStringLiteral("実行(&R)"), gbxReverse);
    auto *reverse = new QGridLayout(gbxReverse);
    reverse->addWidget(rbVert, 0, 0);
    reverse->addWidget(rbHorz, 1, 0);
    reverse->addWidget(bbtnReverse, 1, 1, Qt::AlignRight);
    gbxRotate = Named<QGroupBox>("gbxRotate", QStringLiteral("回転"), TabSheet1);
    rbL90 = Named<QRadioButton>("rbL90", QStringLiteral("左90°"), gbxRotate);
    rbR90 = Named<QRadioButton>("rbR90", QStringLiteral("右90°"), gbxRotate);
    rb180 = Named<QRadioButton>("rb180", QStringLiteral("180°"), gbxRotate);
    bbtnRotate = Named<QPushButton>("bbtnRotate", QStringLiteral("実行(&T)"), gbxRotate);
    auto *rotate = new QGridLayout(gbxRotate);
    rotate->addWidget(rbL90, 0, 0);
    rotate->addWidget(rbR90, 1, 0);
    rotate->addWidget(rb180, 2, 0);
    rotate->addWidget(bbtnRotate, 2, 1, Qt::AlignRight);
    auto *page = new QVBoxLayout(TabSheet1);
    page->addWidget(gbxReverse);
    page->addWidget(gbxRotate);
    page->addStretch(1);
    connect(bbtnReverse, &QPushButton::clicked, this, &TIllustSettingDialog::bbtnReverseClick);
    connect(bbtnRotate, &QPushButton::clicked, this, &TIllustSettingDialog::bbtnRotateClick);
}

void TIllustSettingDialog::buildMaskPage()
{
    tbsMask = Named<QWidget>("tbsMask");
    pgcSetting->addTab(tbsMask, QStringLiteral("型抜き・透明化"));
    gbxMask = Named<QGroupBox>("gbxMask", QStringLiteral("表示"), tbsMask);
    rbNone = Named<QRadioButton>("rbNone", QStringLiteral("そのまま"), gbxMask);
    rbMask = Named<QRadioButton>("rbMask", QStringLiteral("型抜き"), gbxMask);
    rbTransparent = Named<QRadioButton>("rbTransparent", QStringLiteral("透明色の指定"), gbxMask);
    auto *view = new QButtonGroup(this);
    view->addButton(rbNone, 0);
    view->addButton(rbMask, 1);
    view->addButton(rbTransparent, 2);
    auto *views = new QHBoxLayout(gbxMask);
    views->setContentsMargins(8, 2, 8, 2);
    views->addWidget(rbNone);
    views->addWidget(rbMask);
    views->addWidget(rbTransparent);
    connect(view, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            rbImageViewClick();
    });
    sbxMask = Named<QScrollArea>("sbxMask", tbsMask);
    sbxMask->setFixedSize(285, 169);
    sbxMask->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sbxMask->setFocusPolicy(Qt::StrongFocus);
    // The arrow keys choose the shape here, so the box is a control of its own.
    sbxMask->setAccessibleName(QStringLiteral("型抜きの形"));
    maskList_ = Named<QWidget>("bvSpacer");
    sbxMask->setWidget(maskList_);
    lblMaskInfo = Named<QLabel>("lblMaskInfo", QStringLiteral("※切り抜き位置はドラッグで調整できます"), tbsMask);
    lblItem1 = Named<QLabel>("lblItem1", QStringLiteral("透明色："), tbsMask);
    pnlTransparentColor = Named<QFrame>("pnlTransparentColor", tbsMask);
    pnlTransparentColor->setFixedSize(40, 20);
    pnlTransparentColor->setFrameShape(QFrame::Box);
    pnlTransparentColor->setAutoFillBackground(true);
    lblInfo = Named<QLabel>("lblInfo", QStringLiteral("(画像をクリックしてください)"), tbsMask);
    // The cut-out hint and the transparent colour are never shown together: they share a line.
    auto *colourRow = new QHBoxLayout;
    colourRow->addWidget(lblMaskInfo);
    colourRow->addWidget(lblItem1);
    colourRow->addWidget(pnlTransparentColor);
    colourRow->addWidget(lblInfo);
    colourRow->addStretch(1);
    auto *page = new QVBoxLayout(tbsMask);
    page->setSpacing(4);
    page->setContentsMargins(6, 6, 6, 6);
    page->addWidget(gbxMask);
    page->addWidget(sbxMask);
    page->addLayout(colourRow);
    page->addStretch(1);
}

void TIllustSettingDialog::buildFramePage()
{
    tbsFrameRect = Named<QWidget>("tbsFrameRect");
    pgcSetting->addTab(tbsFrameRect, QStringLiteral("飾り枠"));
    ckbFrame = Named<QCheckBox>("ckbFrame", QStringLiteral("枠線"), tbsFrameRect);
    gbxFrame = Named<QGroupBox>("gbxFrame", tbsFrameRect);
    const auto combo = [](const char *name, QStringList items, QWidget *parent) {
        auto *box = Named<QComboBox>(name, parent);
        box->addItems(items);
        return box;
    };
    lblItem2 = Named<QLabel>("lblItem2", QStringLiteral("線の種類："), gbxFrame);
    cbxLineCount = combo("cbxLineCount", {QStringLiteral("一重線"), QStringLiteral("二重線")}, gbxFrame);
    lblItem3 = Named<QLabel>("lblItem3", QStringLiteral("角の形："), gbxFrame);
    cbxCorner = combo("cbxCorner", {QStringLiteral("四角"), QStringLiteral("丸")}, gbxFrame);
    lblItem4 = Named<QLabel>("lblItem4", QStringLiteral("線の太さ："), gbxFrame);
    cbxLineWidth = combo("cbxLineWidth", {QStringLiteral("細い"), QStringLiteral("ふつう"), QStringLiteral("太い")}, gbxFrame);
    lblItem5 = Named<QLabel>("lblItem5", QStringLiteral("色："), gbxFrame);
    pnlFrameColor = Named<QFrame>("pnlFrameColor", gbxFrame);
    bbtnFrameColor = Named<QPushButton>("bbtnFrameColor", QStringLiteral("色の設定..."), gbxFrame);
    ckbBack = Named<QCheckBox>("ckbBack", QStringLiteral("背景"), tbsFrameRect);
    gbxBack = Named<QGroupBox>("gbxBack", tbsFrameRect);
    lblItem6 = Named<QLabel>("lblItem6", QStringLiteral("色："), gbxBack);
    pnlBackColor = Named<QFrame>("pnlBackColor", gbxBack);
    bbtnBackColor = Named<QPushButton>("bbtnBackColor", QStringLiteral("色の設定..."), gbxBack);
    for (QFrame *swatch : {pnlFrameColor, pnlBackColor}) {
        swatch->setFixedSize(40, 20);
        swatch->setFrameShape(QFrame::Box);
        swatch->setAutoFillBackground(true);
    }
    lblItem2->setBuddy(cbxLineCount);
    lblItem3->setBuddy(cbxCorner);
    lblItem4->setBuddy(cbxLineWidth);
    bbtnFrameColor->setAccessibleName(QStringLiteral("枠線の色"));
    bbtnBackColor->setAccessibleName(QStringLiteral("背景の色"));
    auto *frame = new QGridLayout(gbxFrame);
    frame->addWidget(lblItem2, 0, 0);
    frame->addWidget(cbxLineCount, 0, 1, 1, 2);
    frame->addWidget(lblItem3, 1, 0);
    frame->addWidget(cbxCorner, 1, 1, 1, 2);
    frame->addWidget(lblItem4, 2, 0);
    frame->addWidget(cbxLineWidth, 2, 1, 1, 2);
    frame->addWidget(lblItem5, 3, 0);
    frame->addWidget(pnlFrameColor, 3, 1);
    frame->addWidget(bbtnFrameColor, 3, 2);
    auto *back = new QHBoxLayout(gbxBack);
    back->addWidget(lblItem6);
    back->addWidget(pnlBackColor);
    back->addWidget(bbtnBackColor);
    back->addStretch(1);
    auto *page = new QVBoxLayout(tbsFrameRect);
    page->addWidget(ckbFrame);
    page->addWidget(gbxFrame);
    page->addWidget(ckbBack);
    page->addWidget(gbxBack);
    page->addStretch(1);
    connect(ckbFrame, &QCheckBox::clicked, this, &TIllustSettingDialog::ckbFrameClick);
    connect(ckbBack, &QCheckBox::clicked, this, &TIllustSettingDialog::ckbBackClick);
    for (QComboBox *box : {cbxLineCount, cbxCorner, cbxLineWidth})
        connect(box, &QComboBox::activated, this, &TIllustSettingDialog::FrameViewClick);
    connect(bbtnFrameColor, &QPushButton::clicked, this, [this] { FrameColorClick(0); });
    connect(bbtnBackColor, &QPushButton::clicked, this, [this] { FrameColorClick(1); });

    // Every page carries the three scale buttons, kept in step.
    const char *names[3][3] = {{"sbtnJust1", "sbtnFullScale1", "sbtnDouble1"},
                               {"sbtnJust2", "sbtnFullScale2", "sbtnDouble2"},
                               {"sbtnJust3", "sbtnFullScale3", "sbtnDouble3"}};
    const QString captions[3] = {QStringLiteral("全体"), QStringLiteral("ｘ１"), QStringLiteral("ｘ２")};
    QWidget *pages[3] = {TabSheet1, tbsMask, tbsFrameRect};
    for (int p = 0; p < 3; ++p) {
        auto *row = new QHBoxLayout;
        row->addStretch(1);
        for (int tag = 0; tag < 3; ++tag) {
            auto *button = Named<QToolButton>(names[p][tag], pages[p]);
            button->setText(captions[tag]);
            button->setCheckable(true);
            connect(button, &QToolButton::clicked, this, [this, tag] { sbtnRatioClick(tag); });
            scaleButtons[p][tag] = button;
            row->addWidget(button);
        }
        static_cast<QVBoxLayout *>(pages[p]->layout())->addLayout(row);
    }
}

void TIllustSettingDialog::LoadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const int page = ini.ReadInteger(Section, QStringLiteral("IllustSet"), 0);
    pgcSetting->setCurrentIndex(page < 0 || page >= pgcSetting->count() ? 0 : page);
    const int ratio = ini.ReadInteger(Section, QStringLiteral("IllustSetRatio"), 0);
    ratio_ = ratio == 0 || ratio == 1 ? ratio : 2;
    for (auto &page : scaleButtons)
        for (int t = 0; t < 3; ++t)
            page[t]->setChecked(t == ratio_);
}

void TIllustSettingDialog::SaveSettings()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteInteger(Section, QStringLiteral("IllustSet"), pgcSetting->currentIndex());
    ini.WriteInteger(Section, QStringLiteral("IllustSetRatio"), ratio_);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The page and the scale are conveniences of the next use.
    }
}

void TIllustSettingDialog::BuildMaskList()
{
    const QStringList *files = MaskFileList();
    const int count = files ? int(files->size()) : 0;
    const int s = ScaleByDpi(MaskSize, true), g = ScaleByDpi(MaskGap, true);
    for (int i = 0; i < count; ++i) {
        QImage thumb(MaskSize, MaskSize, QImage::Format_RGB32);
        thumb.fill(Qt::white);
        TMetafileEx shape;
        if (LoadMaskShape(files->at(i), shape)) {
            QPainter painter(&thumb);
            TCanvas canvas(painter, 96, 96);
            canvas.StretchDraw(TRect{0, 0, MaskSize, MaskSize}, shape);
        }
        FMaskImages.push_back(thumb);
        auto *box = new TPaintBox(maskList_, [this, i](QPainter &painter) { paintMaskBox(painter, i); });
        box->setObjectName(QStringLiteral("MaskBox%1").arg(i));
        box->setGeometry(g + (i / 2) * (s + g), g + (i % 2) * (s + g), s, s);
        box->installEventFilter(this);
        FMaskBoxes.push_back(box);
    }
    // The width reaches the column after the last full one, which keeps a margin right of the list.
    maskList_->resize(g + ((count + 1) / 2) * (s + g), 2 * (s + g) + g);
    sbxMask->horizontalScrollBar()->setSingleStep((s + g) / 2);
}

void TIllustSettingDialog::setSwatch(QFrame *swatch, int32_t bgr)
{
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, ColorFromBgr(bgr));
    swatch->setPalette(palette);
    swatch->setProperty("bgr", bgr);
}

int32_t TIllustSettingDialog::swatchColour(const QFrame *swatch) const
{
    return swatch->property("bgr").toInt();
}

void TIllustSettingDialog::SetIllustRect(const TIllustRect &object)
{
    FPreview->Assign(object);
    const TRect r = object.GetRect();
    FPreview->SetRect(TRect{0, 0, r.Width(), r.Height()});
    FMaskIndex = 0;
    const QImage &picture = FPreview->GetPicture();
    if (!picture.isNull())
        setSwatch(pnlTransparentColor, BgrFromColor(picture.pixelColor(0, picture.height() - 1)));
    if (object.MaskIndex() >= 0) {
        FMaskIndex = object.MaskIndex();
        rbMask->setChecked(true);
    } else if (object.TransparentColor() == clNone) {
        rbNone->setChecked(true);
    } else {
        setSwatch(pnlTransparentColor, int32_t(object.TransparentColor()));
        rbTransparent->setChecked(true);
    }
    rbImageViewClick();
    TRectFrame &frame = FPreview->Frame;
    ckbFrame->setChecked(frame.Visible());
    if (!frame.Visible())
        frame.SetColor(0x0000FF);
    ckbBack->setChecked(frame.BackVisible());
    if (!frame.BackVisible())
        frame.SetBackColor(0xBFBFFF);
    cbxLineCount->setCurrentIndex(frame.DoubleLine() ? 1 : 0);
    cbxCorner->setCurrentIndex(frame.RoundCorner() ? 1 : 0);
    cbxLineWidth->setCurrentIndex(std::min<int>(frame.WidthIndex(), 2));
    setSwatch(pnlFrameColor, frame.Color());
    setSwatch(pnlBackColor, frame.BackColor());
    ckbFrameClick();
    ckbBackClick();
    for (QWidget *box : FMaskBoxes)
        box->update();
}

void TIllustSettingDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    switch (pgcSetting->currentIndex()) {
    case 0:
        rbVert->setFocus();
        break;
    case 1:
        (rbNone->isChecked() ? rbNone : rbMask->isChecked() ? rbMask : rbTransparent)->setFocus();
        break;
    default:
        ckbFrame->setFocus();
        break;
    }
    sbtnRatioClick(ratio_);
}

void TIllustSettingDialog::sbtnRatioClick(int tag)
{
    pbxPreview->resize(0, 0);
    sbxPreview->horizontalScrollBar()->setValue(0);
    sbxPreview->verticalScrollBar()->setValue(0);
    ratio_ = tag;
    for (auto &page : scaleButtons)
        for (int t = 0; t < 3; ++t)
            page[t]->setChecked(t == tag);
    recolour();
    const TRect r = FPreview->GetRect();
    const int larger = std::max(r.Width(), r.Height());
    const double zoom = tag == 0 ? (larger > 0 ? sbxPreview->height() * 0.9 / larger : 1.0) : tag == 1 ? 1.0 : 2.0;
    FPreview->SetZoom(zoom);
    centrePreview();
}

void TIllustSettingDialog::centrePreview()
{
    const TRect d = FPreview->GetDispRect();
    const TPreviewPlace place = PlacePreview(sbxPreview->size(), d.Width(), d.Height());
    FPreview->SetDispRect(place.Picture);
    pbxPreview->resize(place.PaintBox);
    pbxPreview->update();
}

void TIllustSettingDialog::bbtnReverseClick()
{
    // "上下に反転" turns the picture upside down; the object's mirror 1 is the one about the horizontal axis.
    FPreview->FlipPicture(rbVert->isChecked() ? 1 : 0);
    pbxPreview->update();
}

void TIllustSettingDialog::bbtnRotateClick()
{
    const int kind = rbL90->isChecked() ? 0 : rbR90->isChecked() ? 1 : 2;
    FPreview->RotatePicture(kind);
    if (kind != 2) {
        const TRect r = FPreview->GetRect();
        FPreview->SetRect(TRect{r.Left, r.Top, r.Left + r.Height(), r.Top + r.Width()});
        sbxPreview->horizontalScrollBar()->setValue(0);
        sbxPreview->verticalScrollBar()->setValue(0);
        centrePreview();
    }
    pbxPreview->update();
}

void TIllustSettingDialog::rbImageViewClick()
{
    const bool mask = rbMask->isChecked(), colour = rbTransparent->isChecked();
    sbxMask->setVisible(mask);
    lblMaskInfo->setVisible(mask);
    pnlTransparentColor->setVisible(colour);
    lblItem1->setVisible(colour);
    lblInfo->setVisible(colour);
    if (mask) {
        FPreview->SetMaskIndex(FMaskIndex);
    } else if (colour) {
        FPreview->SetTransparentColor(uint32_t(swatchColour(pnlTransparentColor)));
    } else {
        FPreview->SetMaskIndex(-1);
        FPreview->SetTransparentColor(clNone);
    }
    pbxPreview->update();
}

void TIllustSettingDialog::ckbFrameClick()
{
    const bool on = ckbFrame->isChecked();
    FPreview->Frame.SetVisible(on);
    for (QWidget *w : std::initializer_list<QWidget *>{cbxLineCount, cbxCorner, cbxLineWidth, bbtnFrameColor,
                                                       lblItem2, lblItem3, lblItem4, lblItem5})
        w->setEnabled(on);
    pbxPreview->update();
}

void TIllustSettingDialog::ckbBackClick()
{
    const bool on = ckbBack->isChecked();
    FPreview->Frame.SetBackVisible(on);
    bbtnBackColor->setEnabled(on);
    lblItem6->setEnabled(on);
    pbxPreview->update();
}

void TIllustSettingDialog::FrameViewClick()
{
    FPreview->Frame.SetDoubleLine(uint8_t(cbxLineCount->currentIndex()));
    FPreview->Frame.SetRoundCorner(uint8_t(cbxCorner->currentIndex()));
    FPreview->Frame.SetWidthIndex(uint8_t(cbxLineWidth->currentIndex()));
    pbxPreview->update();
}

void TIllustSettingDialog::FrameColorClick(int tag)
{
    QFrame *swatch = tag == 0 ? pnlFrameColor : pnlBackColor;
    int32_t bgr = swatchColour(swatch);
    if (!ChooseColor(this, bgr))
        return;
    setSwatch(swatch, bgr);
    if (tag == 0)
        FPreview->Frame.SetColor(bgr);
    else
        FPreview->Frame.SetBackColor(bgr);
    pbxPreview->update();
}

void TIllustSettingDialog::chooseMask(int index)
{
    if (index == FMaskIndex || index < 0 || index >= int(FMaskBoxes.size()))
        return;
    const int old = FMaskIndex;
    FMaskIndex = index;
    if (old >= 0 && old < int(FMaskBoxes.size()))
        FMaskBoxes[old]->update();
    TPaintBox *box = FMaskBoxes[index];
    box->update();
    // The chosen box is scrolled into view with a margin of 8 pixels.
    QScrollBar *bar = sbxMask->horizontalScrollBar();
    const int left = box->x() - bar->value(), right = left + box->width();
    if (left - 8 < 0)
        bar->setValue(bar->value() + left - 8);
    else if (right + 8 > sbxMask->viewport()->width())
        bar->setValue(bar->value() + right + 8 - sbxMask->viewport()->width());
    FPreview->SetMaskIndex(FMaskIndex);
    pbxPreview->update();
}

void TIllustSettingDialog::paintMaskBox(QPainter &painter, int index)
{
    const QRect area(0, 0, FMaskBoxes[index]->width(), FMaskBoxes[index]->height());
    painter.drawImage(area, FMaskImages[index]);
    painter.setBrush(Qt::NoBrush);
    const bool chosen = index == FMaskIndex;
    painter.setPen(QPen(chosen ? QColor(Qt::red) : QColor(0x80, 0x80, 0x80), chosen ? 3 : 1));
    painter.drawRect(chosen ? area.adjusted(1, 1, -2, -2) : area.adjusted(0, 0, -1, -1));
}

void TIllustSettingDialog::paintPreview(QPainter &painter)
{
    {
        TCanvas canvas(painter, 96, 96);
        FPreview->Draw(canvas, 0, 0);
    }
    if (!FPreview->Frame.Visible() && !FPreview->Frame.BackVisible()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DotLine));
        const TRect d = FPreview->GetDispRect();
        painter.drawRect(QRect(d.Left, d.Top, d.Width() - 1, d.Height() - 1));
    }
    if (rbMask->isChecked())
        DrawMaskHandles(painter);
}

void TIllustSettingDialog::DrawMaskHandles(QPainter &painter)
{
    const TRect m = FPreview->DispMaskRect();
    const int L = m.Left, T = m.Top, R = m.Right, B = m.Bottom;
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 1, Qt::DotLine));
    painter.drawRect(QRect(L, T, R - L - 1, B - T - 1));
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 1));
    const QPoint corners[8] = {{L - 3, T - 3},
                               {L - 3, T + (B - T) / 2 - 3},
                               {L - 3, B - 4},
                               {L + (R - L) / 2 - 3, T - 3},
                               {R - 4, T - 3},
                               {R - 4, T + (B - T) / 2 - 3},
                               {R - 4, B - 4},
                               {L + (R - L) / 2 - 3, B - 4}};
    for (const QPoint &corner : corners)
        painter.drawRect(QRect(corner, QSize(6, 6)));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TIllustSettingDialog::previewMouse(QEvent *event)
{
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint at = mouse->position().toPoint();
    if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        sbxPreview->setFocus();
        if (rbMask->isChecked()) {
            if (FPreview->GetCursorAt(at.x(), at.y()) != Qt::ArrowCursor) {
                FDragStart = at;
                FDragging = 0;
                const TEdgeCodes edges = FPreview->HitTestEdges(at.x(), at.y());
                FEdgeH = edges.Horizontal;
                FEdgeV = edges.Vertical;
            }
        } else if (pgcSetting->currentWidget() == tbsMask && rbTransparent->isChecked() &&
                   FPreview->PtInRect(at.x(), at.y())) {
            const QColor colour = pbxPreview->grab(QRect(at, QSize(1, 1))).toImage().pixelColor(0, 0);
            setSwatch(pnlTransparentColor, BgrFromColor(colour));
            FPreview->SetTransparentColor(uint32_t(BgrFromColor(colour)));
            pbxPreview->update();
        }
        return;
    }
    if (event->type() == QEvent::MouseMove) {
        if (!rbMask->isChecked())
            return;
        const Qt::CursorShape cursor = FPreview->GetCursorAt(at.x(), at.y());
        if (!(mouse->buttons() & Qt::LeftButton)) {
            pbxPreview->setCursor(cursor);
            return;
        }
        if (pbxPreview->cursor().shape() == Qt::ArrowCursor)
            return;
        FDragging = 1;
        const bool move = pbxPreview->cursor().shape() == Qt::SizeAllCursor;
        const TRect r = DragCutOut(FPreview->DispMaskRect(), FEdgeH, FEdgeV, move, FDragStart, at,
                                   mouse->modifiers() & Qt::ShiftModifier);
        FPreview->SetMaskRect(r);
        FDragStart = at;
        pbxPreview->update();
        return;
    }
    if (event->type() == QEvent::MouseButtonRelease && FDragging == 1) {
        FPreview->SetMaskRect(BringCutOutBack(FPreview->DispMaskRect(), FPreview->GetDispRect()));
        FDragging = 0;
        pbxPreview->update();
    }
}

void TIllustSettingDialog::recolour()
{
    for (QAbstractButton *button : findChildren<QAbstractButton *>())
        if (qobject_cast<QRadioButton *>(button) || qobject_cast<QCheckBox *>(button) ||
            qobject_cast<QToolButton *>(button))
            SetCaptionColour(button, button->isChecked());
}

bool TIllustSettingDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel && (watched == sbxMask->viewport() || watched == sbxPreview->viewport())) {
        // Wheel forward scrolls back: the mask list sideways by half a column a notch, the preview down its
        // length first and sideways only when it has no vertical bar.
        const int notches = static_cast<QWheelEvent *>(event)->angleDelta().y() / 120;
        QScrollBar *bar = watched == sbxMask->viewport() || !sbxPreview->verticalScrollBar()->isVisible()
                              ? (watched == sbxMask->viewport() ? sbxMask : sbxPreview)->horizontalScrollBar()
                              : sbxPreview->verticalScrollBar();
        const int lines = watched == sbxMask->viewport() ? 1 : QApplication::wheelScrollLines();
        if (bar->isVisible())
            bar->setValue(bar->value() - notches * lines * bar->singleStep());
        return true;
    }
    if (watched == pbxPreview) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
            event->type() == QEvent::MouseButtonRelease)
            previewMouse(event);
        else if (event->type() == QEvent::Leave)
            pbxPreview->unsetCursor();
        return QDialog::eventFilter(watched, event);
    }
    for (int i = 0; i < int(FMaskBoxes.size()); ++i)
        if (watched == FMaskBoxes[i] && event->type() == QEvent::MouseButtonPress) {
            sbxMask->setFocus();
            chooseMask(i);
            return true;
        }
    if (watched == sbxMask && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
            chooseMask(MaskIndexAfterKey(FMaskIndex, int(FMaskBoxes.size()), key));
            return true;
        }
    }
    if (IsEnterKey(event)) {
        QWidget *next = nullptr;
        if (watched == rbVert || watched == rbHorz)
            next = rbL90->isChecked() ? rbL90 : rbR90->isChecked() ? rbR90 : rb180;
        else if (watched == rbL90 || watched == rbR90 || watched == rb180 || watched == ckbBack)
            next = btnOK;
        else if (watched == cbxLineWidth)
            next = ckbBack;
        if (next) {
            next->setFocus();
            return true;
        }
        if (watched == rbNone || watched == rbMask || watched == rbTransparent || watched == ckbFrame ||
            watched == cbxLineCount || watched == cbxCorner) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
