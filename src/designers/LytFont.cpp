#include "designers/LytFont.h"

#include "base/Fonts.h"
#include "core/SharedHelpers.h"
#include "designers/DataFrm.h"
#include "designers/SettingsDialogs.h"
#include "widgets/NamedControls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int SamplePoints = 15;

}  // namespace

TLayoutFontDialog::TLayoutFontDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("LayoutFontDialog"));
    setWindowTitle(QStringLiteral("フォントの設定"));
    setProperty("HelpContext", 115);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    auto *lblFonts = Named<QLabel>("lblFonts", QStringLiteral("フォント："), this);
    lbFonts = Named<QListWidget>("lbFonts", this);
    FillFontList(lbFonts);
    SetViewLabel(lblFonts, lbFonts);
    auto *lblCharsetInfo = Named<QLabel>("lblCharsetInfo", QStringLiteral("書体："), this);
    lblCharset = Named<QLabel>("lblCharset", QStringLiteral("欧文"), this);
    auto *lblStyle = Named<QLabel>("lblStyle", QStringLiteral("スタイル："), this);
    ckbBold = Named<QCheckBox>("ckbBold", QStringLiteral("太字"), this);
    ckbItalic = Named<QCheckBox>("ckbItalic", QStringLiteral("斜体"), this);
    auto *lblColor = Named<QLabel>("lblColor", QStringLiteral("色："), this);
    pnlFontColor = MakeSwatch("pnlFontColor", this);
    QAbstractButton *bbtnFontColor = MakeColorButton("bbtnFontColor", this, QStringLiteral("文字の色"));
    pnlSample = Named<QLabel>("pnlSample", this);
    pnlSample->setFrameShape(QFrame::Panel);
    pnlSample->setFrameShadow(QFrame::Sunken);
    pnlSample->setAlignment(Qt::AlignCenter);
    pnlSample->setAutoFillBackground(true);
    pnlSample->setMinimumSize(ScaleByDpi(240, true), ScaleByDpi(60, true));
    ckbAll = Named<QCheckBox>("ckbAll", QStringLiteral("すべての枠のフォントを変更する"), this);
    ckbAll->setChecked(true);
    SetCaptionColour(ckbAll, true);

    auto *grid = new QGridLayout;
    grid->addWidget(lblFonts, 0, 0, 1, 4);
    grid->addWidget(lbFonts, 1, 0, 5, 1);
    grid->addWidget(lblCharsetInfo, 1, 1);
    grid->addWidget(lblCharset, 1, 2, 1, 2);
    grid->addWidget(lblStyle, 2, 1);
    grid->addWidget(ckbBold, 2, 2);
    grid->addWidget(ckbItalic, 2, 3);
    grid->addWidget(lblColor, 3, 1);
    grid->addWidget(pnlFontColor, 3, 2);
    grid->addWidget(bbtnFontColor, 3, 3, Qt::AlignLeft);
    grid->addWidget(pnlSample, 4, 1, 1, 3);
    grid->setRowStretch(5, 1);
    auto *root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addWidget(ckbAll);
    root->addLayout(MakeOkCancelButtons(this, btnOK, btnCancel));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The highlighted face is the chosen one, however it was reached: arrows, typed letters, a screen reader;
    // a click also takes the first row that stands for a face the list lacks.
    connect(lbFonts, &QListWidget::currentRowChanged, this, [this] { lbFontsClick(); });
    connect(lbFonts, &QListWidget::itemClicked, this, [this] { lbFontsClick(); });
    for (QCheckBox *box : {ckbBold, ckbItalic})
        connect(box, &QCheckBox::toggled, this, [this, box] { FontStyleClick(box); });
    connect(bbtnFontColor, &QAbstractButton::clicked, this, [this] {
        if (!ChooseSwatchColor(this, pnlFontColor, true))
            return;
        Font_.Color = ColorFromBgr(SwatchColor(pnlFontColor));
        showSample();
    });
    connect(ckbAll, &QCheckBox::toggled, this, [this](bool on) { SetCaptionColour(ckbAll, on); });
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
}

void TLayoutFontDialog::SetFont(const TFont &font)
{
    Font_ = font;
    MakeHorizontalFont(Font_.Log);
    Font_.Log.Font.setPointSize(SamplePoints);
    showSample();
}

bool TLayoutFontDialog::GetApplyAll() const { return ckbAll->isChecked(); }

void TLayoutFontDialog::ShowFont()
{
    const QString face = Font_.Log.Font.family();
    if (face.startsWith(QLatin1Char('@')))
        Font_.Log.Font.setFamily(face.mid(1));
    const int row = FontRow(lbFonts, Font_.Log.Font.family());
    {
        // Showing a face the list lacks highlights the first row without choosing it.
        const QSignalBlocker quiet(lbFonts);
        lbFonts->setCurrentRow(row);
    }
    showCharset(EntryCharset(lbFonts, row));
    Loading = true;
    ckbBold->setChecked(Font_.Log.Font.bold());
    ckbItalic->setChecked(Font_.Log.Font.italic());
    Loading = false;
    SetSwatchColor(pnlFontColor, BgrFromColor(Font_.Color));
    showSample();
}

void TLayoutFontDialog::lbFontsClick()
{
    const int row = lbFonts->currentRow();
    if (row < 0)
        return;
    Font_.Log.Charset = EntryCharset(lbFonts, row);
    Font_.Log.Font.setFamily(lbFonts->item(row)->text());
    showCharset(Font_.Log.Charset);
    showSample();
}

void TLayoutFontDialog::FontStyleClick(QCheckBox *clicked)
{
    SetCaptionColour(clicked, clicked->isChecked());
    if (Loading)
        return;
    Font_.Log.Font.setBold(ckbBold->isChecked());
    Font_.Log.Font.setItalic(ckbItalic->isChecked());
    Font_.Log.Font.setUnderline(false);
    Font_.Log.Font.setStrikeOut(false);
    showSample();
}

void TLayoutFontDialog::showCharset(int charset)
{
    if (charset == ANSI_CHARSET)
        pnlSample->setText(QStringLiteral("Oxa Corp."));
    else if (charset == SHIFTJIS_CHARSET)
        pnlSample->setText(QStringLiteral("Velmorin"));
    lblCharset->setText(CharsetCaption(charset, lblCharset->text()));
}

void TLayoutFontDialog::showSample()
{
    pnlSample->setFont(Font_.Log.Font);
    QPalette palette = pnlSample->palette();
    palette.setColor(QPalette::WindowText, Font_.Color);
    palette.setColor(QPalette::Window, Qt::white);
    pnlSample->setPalette(palette);
}

void TLayoutFontDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ShowFont();
    lbFonts->setFocus();
}

bool TLayoutFontDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event) && (watched == lbFonts || watched == ckbBold || watched == ckbItalic || watched == ckbAll))
        return MoveOnEnter(this, event);
    return QDialog::eventFilter(watched, event);
}
