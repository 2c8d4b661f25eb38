#include "designers/WordSet.h"

#include "base/Fonts.h"
#include "core/SharedHelpers.h"
#include "designers/DataFrm.h"
#include "designers/DesignGeometry.h"
#include "designers/RangeEdit.h"
#include "designers/SettingsDialogs.h"
#include "drawing/DesignGlobals.h"
#include "geo/PaintPanel.h"
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
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <array>

namespace {

const QString PageKey = QStringLiteral("WordSet");
constexpr int32_t Red = 0x0000FF;
constexpr int32_t LightRed = 0xBFBFFF;

// Runs body with flag set, clearing it again even when body throws.
template <class Body> void whileSet(bool &flag, Body body)
{
    flag = true;
    struct Reset {
        bool &f;
        ~Reset() { f = false; }
    } reset{flag};
    body();
}

}  // namespace

TWordSettingDialog::TWordSettingDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("WordSettingDialog"));
    setWindowTitle(QStringLiteral("文章の表示設定"));
    setProperty("HelpContext", 130);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    pgcSetting = Named<QTabWidget>("pgcSetting", this);
    buildFontPage();
    buildAlignPage();
    buildFramePage();
    pnlPreview = MakePreviewPanel(
        "pnlPreview", this, [this]() -> TDrawRect & { return FPreview_; },
        [this] { return !FPreview_.Frame.Visible() && !FPreview_.Frame.BackVisible(); });

    auto *directions = new QButtonGroup(this);
    auto *lblDirection = Named<QLabel>("lblDirection", QStringLiteral("方向"), this);
    rbVertical = Named<QRadioButton>("rbVertical", QStringLiteral("縦書き"), this);
    rbHorizontal = Named<QRadioButton>("rbHorizontal", QStringLiteral("横書き"), this);
    directions->addButton(rbVertical, 0);
    directions->addButton(rbHorizontal, 1);
    connect(directions, &QButtonGroup::idToggled, this, [this](int tag, bool on) {
        if (on)
            rbDirectionClick(tag);
    });

    auto *top = new QHBoxLayout;
    top->addWidget(pgcSetting, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(pnlPreview);
    auto *direction = new QHBoxLayout;
    direction->addWidget(lblDirection);
    direction->addWidget(rbVertical);
    direction->addWidget(rbHorizontal);
    direction->addStretch();
    right->addLayout(direction);
    right->addStretch();
    top->addLayout(right);
    FinishSettingsDialog(this, top, pgcSetting, PageKey, btnOK, btnCancel);
}

void TWordSettingDialog::buildFontPage()
{
    auto *tbsMask = Named<QWidget>("tbsMask", pgcSetting);
    pgcSetting->addTab(tbsMask, QStringLiteral("フォント"));
    auto *page = new QGridLayout(tbsMask);
    lbFonts = Named<QListWidget>("lbFonts", tbsMask);
    lbFonts->setAccessibleName(QStringLiteral("フォント"));
    FillFontList(lbFonts);
    page->addWidget(lbFonts, 0, 0, 6, 1);
    auto *bvCharset = Named<QFrame>("bvCharset", tbsMask);
    bvCharset->setFrameShape(QFrame::StyledPanel);
    auto *charset = new QHBoxLayout(bvCharset);
    charset->addWidget(Named<QLabel>("lblCarsetInfo", QStringLiteral("書体："), bvCharset));
    lblCharset = Named<QLabel>("lblCharset", QStringLiteral("欧文"), bvCharset);
    charset->addWidget(lblCharset);
    charset->addStretch();
    page->addWidget(bvCharset, 0, 1, 1, 3);

    auto *lblItem4 = Named<QLabel>("lblItem4", QStringLiteral("サイズ："), tbsMask);
    cbxFSize = Named<QComboBox>("cbxFSize", tbsMask);
    cbxFSize->addItem(QStringLiteral("自動"));
    for (size_t i = 1; i < FontSizeList.size(); ++i)
        cbxFSize->addItem(QString::number(FontSizeList[i]));
    lblItem4->setBuddy(cbxFSize);
    page->addWidget(lblItem4, 1, 1);
    page->addWidget(cbxFSize, 1, 2, 1, 2, Qt::AlignLeft);
    connect(cbxFSize, &QComboBox::activated, this, [this](int index) {
        FPreview_.SetSizeIndex(index);
        repaintPreview();
    });

    auto *Label1 = Named<QLabel>("Label1", QStringLiteral("縦横比："), tbsMask);
    vhRatio = new TRangeEdit(tbsMask, "edVHRatio", "udVHRatio", 20, 300, 3);
    vhRatio->SetLabel(Label1);
    auto *ratio = new QHBoxLayout;
    ratio->setSpacing(0);
    ratio->addWidget(vhRatio->Edit);
    ratio->addWidget(vhRatio->UpDown);
    ratio->addStretch();
    page->addWidget(Label1, 2, 1);
    page->addLayout(ratio, 2, 2, 1, 2);
    vhRatio->OnChange = [this](int value) {
        FPreview_.SetVHRatio(value);
        repaintPreview();
    };

    auto *lblStyle = Named<QLabel>("lblStyle", QStringLiteral("書式："), tbsMask);
    ckbBold = Named<QCheckBox>("ckbBold", QStringLiteral("太字"), tbsMask);
    ckbItalic = Named<QCheckBox>("ckbItalic", QStringLiteral("斜体"), tbsMask);
    page->addWidget(lblStyle, 3, 1);
    page->addWidget(ckbBold, 3, 2);
    page->addWidget(ckbItalic, 3, 3);
    for (QCheckBox *box : {ckbBold, ckbItalic})
        connect(box, &QCheckBox::toggled, this, [this] { ckbStyleClick(); });

    auto *lblColor = Named<QLabel>("lblColor", QStringLiteral("色："), tbsMask);
    pnlFontColor = MakeSwatch("pnlFontColor", tbsMask);
    bbtnFontColor = MakeColorButton("bbtnFontColor", tbsMask, QStringLiteral("文字の色"));
    page->addWidget(lblColor, 4, 1);
    page->addWidget(pnlFontColor, 4, 2);
    page->addWidget(bbtnFontColor, 4, 3, Qt::AlignLeft);
    page->setRowStretch(5, 1);
    // The highlighted face is the chosen one, however it was reached: arrows, typed letters, a screen reader;
    // a click also takes the first row that stands for a face the list lacks.
    connect(lbFonts, &QListWidget::currentRowChanged, this, [this] { lbFontsClick(); });
    connect(lbFonts, &QListWidget::itemClicked, this, [this] { lbFontsClick(); });
    connect(bbtnFontColor, &QAbstractButton::clicked, this, [this] {
        if (ChooseSwatchColor(this, pnlFontColor, true)) {
            TFont font = FPreview_.Font();
            font.Color = ColorFromBgr(SwatchColor(pnlFontColor));
            setFont(font);
        }
    });
}

void TWordSettingDialog::buildAlignPage()
{
    auto *tbsAlign = Named<QWidget>("tbsAlign", pgcSetting);
    pgcSetting->addTab(tbsAlign, QStringLiteral("文字の配置"));
    auto *page = new QVBoxLayout(tbsAlign);
    auto *groups = new QHBoxLayout;
    const auto group = [&](const char *name, const char *caption, bool horizontal,
                           std::initializer_list<std::pair<QRadioButton **, std::pair<const char *, const char *>>>
                               buttons,
                           std::initializer_list<int> tags) {
        auto *box = Named<QGroupBox>(name, QString::fromUtf8(caption), tbsAlign);
        auto *column = new QVBoxLayout(box);
        auto *exclusive = new QButtonGroup(box);
        auto tag = tags.begin();
        for (const auto &[out, names] : buttons) {
            QRadioButton *button = *out = Named<QRadioButton>(names.first, QString::fromUtf8(names.second), box);
            exclusive->addButton(button, *tag);
            column->addWidget(button);
            connect(button, &QRadioButton::toggled, this, [this, button, horizontal, t = *tag](bool on) {
                if (on)
                    rbAlignClick(button, horizontal, t);
            });
            ++tag;
        }
        groups->addWidget(box);
    };
    group("gbxHorzAlign", "横方向", true,
          {{&rbLeft, {"rbLeft", "左に寄せる"}}, {&rbHorzCenter, {"rbHorzCenter", "中央に表示"}},
           {&rbRight, {"rbRight", "右に寄せる"}}},
          {2, 1, 0});
    group("gbxVertAlign", "縦方向", false,
          {{&rbTop, {"rbTop", "上に寄せる"}}, {&rbVertCenter, {"rbVertCenter", "中央に表示"}},
           {&rbBottom, {"rbBottom", "下に寄せる"}}},
          {0, 1, 2});
    page->addLayout(groups);

    auto *spacing = new QHBoxLayout;
    ckbLineSpace = Named<QCheckBox>("ckbLineSpace", QStringLiteral("行間の幅を指定する："), tbsAlign);
    cbxLineSpace = Named<QComboBox>("cbxLineSpace", tbsAlign);
    cbxLineSpace->setAccessibleName(QStringLiteral("行間の幅"));
    cbxLineSpace->addItems({QStringLiteral("なし"), QStringLiteral("狭い"), QStringLiteral("普通"),
                            QStringLiteral("やや広い"), QStringLiteral("広い")});
    spacing->addWidget(ckbLineSpace);
    spacing->addWidget(cbxLineSpace);
    spacing->addStretch();
    page->addLayout(spacing);
    ckbWrap = Named<QCheckBox>("ckbWrap", QStringLiteral("枠に合わせて自動改行する"), tbsAlign);
    page->addWidget(ckbWrap);
    page->addStretch();
    connect(ckbLineSpace, &QCheckBox::toggled, this, [this] { ckbLineSpaceClick(); });
    connect(cbxLineSpace, &QComboBox::activated, this, [this](int index) {
        FPreview_.SetLineSpacing(uint8_t(index + 1));
        repaintPreview();
    });
    connect(ckbWrap, &QCheckBox::toggled, this, [this](bool on) {
        SetCaptionColour(ckbWrap, on);
        if (!FUpdating)
            FPreview_.SetWordWrap(on);
        repaintPreview();
    });
}

void TWordSettingDialog::buildFramePage()
{
    auto *tbsFrameRect = Named<QWidget>("tbsFrameRect", pgcSetting);
    pgcSetting->addTab(tbsFrameRect, QStringLiteral("飾り枠"));
    auto *page = new QVBoxLayout(tbsFrameRect);
    ckbFrame = Named<QCheckBox>("ckbFrame", QStringLiteral("枠線"), tbsFrameRect);
    page->addWidget(ckbFrame);
    auto *gbxFrame = Named<QGroupBox>("gbxFrame", tbsFrameRect);
    auto *frame = new QGridLayout(gbxFrame);
    const auto list = [&](const char *name, const char *labelName, const char *caption, QStringList items,
                          int row, QLabel *&label) {
        auto *box = Named<QComboBox>(name, gbxFrame);
        box->addItems(items);
        label = Named<QLabel>(labelName, QString::fromUtf8(caption), gbxFrame);
        label->setBuddy(box);
        frame->addWidget(label, row, 0);
        frame->addWidget(box, row, 1, 1, 2, Qt::AlignLeft);
        connect(box, &QComboBox::activated, this, [this] { FrameViewClick(); });
        return box;
    };
    cbxLineCount = list("cbxLineCount", "lblLineCount", "線の種類：",
                        {QStringLiteral("一重線"), QStringLiteral("二重線")}, 0, lblLineCount);
    cbxCorner = list("cbxCorner", "lblCorner", "角の形：", {QStringLiteral("四角"), QStringLiteral("丸")}, 1, lblCorner);
    cbxLineWidth = list("cbxLineWidth", "lblLineWidth", "線の太さ：",
                        {QStringLiteral("細い"), QStringLiteral("ふつう"), QStringLiteral("太い")}, 2, lblLineWidth);
    lblFrameColor = Named<QLabel>("lblFrameColor", QStringLiteral("色："), gbxFrame);
    pnlFrameColor = MakeSwatch("pnlFrameColor", gbxFrame);
    bbtnFrameColor = MakeColorButton("bbtnFrameColor", gbxFrame, QStringLiteral("枠の色"));
    frame->addWidget(lblFrameColor, 3, 0);
    frame->addWidget(pnlFrameColor, 3, 1);
    frame->addWidget(bbtnFrameColor, 3, 2, Qt::AlignLeft);
    frame->setColumnStretch(3, 1);
    page->addWidget(gbxFrame);

    ckbBack = Named<QCheckBox>("ckbBack", QStringLiteral("背景"), tbsFrameRect);
    page->addWidget(ckbBack);
    auto *gbxBack = Named<QGroupBox>("gbxBack", tbsFrameRect);
    auto *back = new QGridLayout(gbxBack);
    lblBackColor = Named<QLabel>("lblBackColor", QStringLiteral("色："), gbxBack);
    pnlBackColor = MakeSwatch("pnlBackColor", gbxBack);
    bbtnBackColor = MakeColorButton("bbtnBackColor", gbxBack, QStringLiteral("背景の色"));
    back->addWidget(lblBackColor, 0, 0);
    back->addWidget(pnlBackColor, 0, 1);
    back->addWidget(bbtnBackColor, 0, 2, Qt::AlignLeft);
    back->setColumnStretch(3, 1);
    page->addWidget(gbxBack);
    page->addStretch();

    connect(ckbFrame, &QCheckBox::toggled, this, [this] { ckbFrameClick(); });
    connect(ckbBack, &QCheckBox::toggled, this, [this] { ckbBackClick(); });
    connect(bbtnFrameColor, &QAbstractButton::clicked, this, [this] {
        if (ChooseSwatchColor(this, pnlFrameColor, false))
            FPreview_.Frame.SetColor(SwatchColor(pnlFrameColor));
        repaintPreview();
    });
    connect(bbtnBackColor, &QAbstractButton::clicked, this, [this] {
        if (ChooseSwatchColor(this, pnlBackColor, false))
            FPreview_.Frame.SetBackColor(SwatchColor(pnlBackColor));
        repaintPreview();
    });
}

void TWordSettingDialog::SetWordRect(const TWordRect &text)
{
    FPreview_.Assign(text);
    const TPreviewFit fit = FitInPreview(FPreview_.GetRect(), pnlPreview->InnerRect().size());
    FPreview_.SetZoom(fit.Zoom);
    FPreview_.SetRect(fit.Rect);

    whileSet(FUpdating, [this] {
        cbxFSize->setCurrentIndex(FPreview_.SizeIndex());
        vhRatio->SetPosition(FPreview_.VHRatio());
        (FPreview_.Direction() != 0 ? rbHorizontal : rbVertical)->setChecked(true);
        QRadioButton *vertical[] = {rbTop, rbVertCenter, rbBottom};
        QRadioButton *horizontal[] = {rbRight, rbHorzCenter, rbLeft};
        const int alignment = FPreview_.Alignment();
        if (alignment >= 0 && alignment <= 8) {
            vertical[alignment / 3]->setChecked(true);
            horizontal[alignment % 3]->setChecked(true);
        }
        if (FPreview_.LineSpacing() == 0) {
            cbxLineSpace->setEnabled(false);
            cbxLineSpace->setCurrentIndex(0);
        } else {
            ckbLineSpace->setChecked(true);
            cbxLineSpace->setCurrentIndex(FPreview_.LineSpacing() - 1);
        }
        ckbWrap->setChecked(FPreview_.WordWrap() != 0);
    });

    TRectFrame &frame = FPreview_.Frame;
    ckbFrame->setChecked(frame.Visible() != 0);
    ckbFrameClick();
    if (!frame.Visible())
        frame.SetColor(Red);
    ckbBack->setChecked(frame.BackVisible() != 0);
    ckbBackClick();
    if (!frame.BackVisible())
        frame.SetBackColor(LightRed);
    cbxLineCount->setCurrentIndex(frame.DoubleLine());
    cbxCorner->setCurrentIndex(frame.RoundCorner());
    cbxLineWidth->setCurrentIndex(frame.WidthIndex());
    SetSwatchColor(pnlFrameColor, frame.Color());
    SetSwatchColor(pnlBackColor, frame.BackColor());
    repaintPreview();
}

void TWordSettingDialog::ShowFont()
{
    TFont font = FPreview_.Font();
    const QString face = font.Log.Font.family();
    if (face.startsWith(QLatin1Char('@'))) {
        font.Log.Font.setFamily(face.mid(1));
        setFont(font);
    }
    const int row = FontRow(lbFonts, font.Log.Font.family());
    {
        // Showing a face the list lacks highlights the first row without choosing it.
        const QSignalBlocker quiet(lbFonts);
        lbFonts->setCurrentRow(row);
    }
    lblCharset->setText(CharsetCaption(EntryCharset(lbFonts, row), lblCharset->text()));
    whileSet(FUpdating, [&] {
        ckbBold->setChecked(font.Log.Font.bold());
        ckbItalic->setChecked(font.Log.Font.italic());
        SetSwatchColor(pnlFontColor, BgrFromColor(font.Color));
    });
}

void TWordSettingDialog::lbFontsClick()
{
    const int row = lbFonts->currentRow();
    if (row < 0)
        return;
    TFont font = FPreview_.Font();
    font.Log.Charset = EntryCharset(lbFonts, row);
    font.Log.Font.setFamily(lbFonts->item(row)->text());
    lblCharset->setText(CharsetCaption(font.Log.Charset, lblCharset->text()));
    setFont(font);
}

void TWordSettingDialog::ckbStyleClick()
{
    SetCaptionColour(ckbBold, ckbBold->isChecked());
    SetCaptionColour(ckbItalic, ckbItalic->isChecked());
    if (FUpdating)
        return;
    TFont font = FPreview_.Font();
    font.Log.Font.setBold(ckbBold->isChecked());
    font.Log.Font.setItalic(ckbItalic->isChecked());
    font.Log.Font.setUnderline(false);
    font.Log.Font.setStrikeOut(false);
    setFont(font);
}

void TWordSettingDialog::rbAlignClick(QRadioButton *clicked, bool horizontal, int tag)
{
    const std::array<QRadioButton *, 3> group = horizontal ? std::array{rbLeft, rbHorzCenter, rbRight}
                                                           : std::array{rbTop, rbVertCenter, rbBottom};
    for (QRadioButton *button : group)
        SetCaptionColour(button, button == clicked);
    if (FUpdating)
        return;
    const int placement = FPreview_.Alignment();
    FPreview_.SetAlignment(horizontal ? tag + placement / 3 * 3 : tag * 3 + placement % 3);
    repaintPreview();
}

void TWordSettingDialog::ckbLineSpaceClick()
{
    const bool on = ckbLineSpace->isChecked();
    SetCaptionColour(ckbLineSpace, on);
    if (FUpdating)
        return;
    cbxLineSpace->setEnabled(on);
    FPreview_.SetLineSpacing(on ? uint8_t(cbxLineSpace->currentIndex() + 1) : 0);
    repaintPreview();
}

void TWordSettingDialog::ckbFrameClick()
{
    const bool on = ckbFrame->isChecked();
    SetCaptionColour(ckbFrame, on);
    FPreview_.Frame.SetVisible(on);
    for (QWidget *w : std::initializer_list<QWidget *>{cbxLineCount, cbxCorner, cbxLineWidth, bbtnFrameColor,
                                                        lblLineCount, lblCorner, lblLineWidth, lblFrameColor})
        w->setEnabled(on);
    repaintPreview();
}

void TWordSettingDialog::ckbBackClick()
{
    const bool on = ckbBack->isChecked();
    SetCaptionColour(ckbBack, on);
    FPreview_.Frame.SetBackVisible(on);
    bbtnBackColor->setEnabled(on);
    lblBackColor->setEnabled(on);
    repaintPreview();
}

void TWordSettingDialog::FrameViewClick()
{
    FPreview_.Frame.SetDoubleLine(uint8_t(cbxLineCount->currentIndex()));
    FPreview_.Frame.SetRoundCorner(uint8_t(cbxCorner->currentIndex()));
    FPreview_.Frame.SetWidthIndex(uint8_t(cbxLineWidth->currentIndex()));
    repaintPreview();
}

void TWordSettingDialog::rbDirectionClick(int tag)
{
    SetCaptionColour(rbVertical, tag == 0);
    SetCaptionColour(rbHorizontal, tag == 1);
    if (FUpdating)
        return;
    FPreview_.SetDirection(uint8_t(tag));
    FPreview_.SetRect(ReflectInDiagonal(FPreview_.GetRect()));
    repaintPreview();
}

void TWordSettingDialog::setFont(const TFont &font)
{
    FPreview_.SetFont(font);
    repaintPreview();
}

void TWordSettingDialog::repaintPreview() { pnlPreview->update(); }

void TWordSettingDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ShowFont();
    switch (pgcSetting->currentIndex()) {
    case 0: lbFonts->setFocus(); break;
    case 1: (rbLeft->isChecked() ? rbLeft : rbHorzCenter->isChecked() ? rbHorzCenter : rbRight)->setFocus(); break;
    default: ckbFrame->setFocus(); break;
    }
}

void TWordSettingDialog::done(int result)
{
    SaveDialogPage(PageKey, pgcSetting->currentIndex());
    QDialog::done(result);
}

bool TWordSettingDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event) || PressesOnEnter(watched))
        return QDialog::eventFilter(watched, event);
    if (watched == ckbItalic || watched == ckbBack) {
        (rbVertical->isChecked() ? rbVertical : rbHorizontal)->setFocus();
        return true;
    }
    if (watched == cbxLineWidth) {
        ckbBack->setFocus();
        return true;
    }
    return MoveOnEnter(this, event);
}
