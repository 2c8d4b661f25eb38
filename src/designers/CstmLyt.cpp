#include "designers/CstmLyt.h"

#include "designers/LytFmt.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Trim.h"
#include "core/SharedHelpers.h"
#include "drawing/BarcodeRect.h"
#include "geo/PaintPanel.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UpDown.h"
#include "widgets/UniStdCtrls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>

TCustomLayoutFormatDialog::TCustomLayoutFormatDialog(const TNewLayoutDialog &papers, QWidget *owner)
    : QDialog(owner), Papers(papers)
{
    setWindowTitle(QStringLiteral("カスタム用紙の作成"));
    setProperty("HelpContext", 84);
    buildControls();
}

TCustomLayoutFormatDialog::~TCustomLayoutFormatDialog() { DisconnectChildControls(this); }

void TCustomLayoutFormatDialog::buildControls()
{
    setObjectName(QStringLiteral("CustomLayoutFormatDialog"));
    auto *root = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    root->addLayout(left);
    auto *size = new QGridLayout;
    left->addLayout(size);
    edName = Named<QLineEdit>("edName", this);
    LimitToShiftJis(edName, MaxCustomNameBytes);
    edName->setMaxLength(20);
    edPaperWidth = Named<QLineEdit>("edPaperWidth", this);
    edPaperHeight = Named<QLineEdit>("edPaperHeight", this);
    const QSize arrows(16, 11);
    auto *udPaperWidth = new TUpDown(this, [this](int d) { step(edPaperWidth, d); }, arrows);
    auto *udPaperHeight = new TUpDown(this, [this](int d) { step(edPaperHeight, d); }, arrows);
    udPaperWidth->setObjectName(QStringLiteral("udPaperWidth"));
    udPaperHeight->setObjectName(QStringLiteral("udPaperHeight"));
    const auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    size->addWidget(label(QStringLiteral("用紙名"), edName), 0, 0);
    size->addWidget(edName, 0, 1, 1, 3);
    QLabel *width = label(QStringLiteral("幅"), edPaperWidth);
    udPaperWidth->NameAfter(width->text());
    size->addWidget(width, 1, 0);
    size->addWidget(edPaperWidth, 1, 1);
    size->addWidget(udPaperWidth, 1, 2);
    size->addWidget(new QLabel(QStringLiteral("mm"), this), 1, 3);
    QLabel *height = label(QStringLiteral("高さ"), edPaperHeight);
    udPaperHeight->NameAfter(height->text());
    size->addWidget(height, 2, 0);
    size->addWidget(edPaperHeight, 2, 1);
    size->addWidget(udPaperHeight, 2, 2);
    size->addWidget(new QLabel(QStringLiteral("mm"), this), 2, 3);
    for (QLineEdit *e : {edPaperWidth, edPaperHeight}) {
        MakeHalfWidthField(e, 6);
        e->setAlignment(Qt::AlignRight);
        connect(e, &QLineEdit::editingFinished, this, [this, e] { sizeExit(e); });
    }

    gbxSrcPaper = Named<QGroupBox>("gbxSrcPaper", QStringLiteral("元にする用紙："), this);
    left->addWidget(gbxSrcPaper);
    auto *source = new QVBoxLayout(gbxSrcPaper);
    pgcPapers = Named<QStackedWidget>("pgcPapers", gbxSrcPaper);
    source->addWidget(pgcPapers);
    tbsPostCard = Named<QWidget>("tbsPostCard");
    auto *post = new QGridLayout(tbsPostCard);
    lbPostCard = Named<QListWidget>("lbPostCard", tbsPostCard);
    lbPostCard->setAccessibleName(QStringLiteral("元にする用紙"));
    rbPostCardV = Named<QRadioButton>("rbPostCardV", QStringLiteral("縦書き"), tbsPostCard);
    rbPostCardH = Named<QRadioButton>("rbPostCardH", QStringLiteral("横書き"), tbsPostCard);
    MakeRadioPair(this, rbPostCardV, rbPostCardH);
    post->addWidget(lbPostCard, 0, 0, 1, 2);
    post->addWidget(rbPostCardV, 1, 0);
    post->addWidget(rbPostCardH, 1, 1);
    pgcPapers->addWidget(tbsPostCard);
    tbsEnvelope = Named<QWidget>("tbsEnvelope");
    auto *env = new QGridLayout(tbsEnvelope);
    cbxEnvCategory = Named<QComboBox>("cbxEnvCategory", tbsEnvelope);
    cbxEnvCategory->setAccessibleName(QStringLiteral("分類"));
    lbEnvelope = Named<QListWidget>("lbEnvelope", tbsEnvelope);
    lbEnvelope->setAccessibleName(QStringLiteral("元にする用紙"));
    rbEnvCardV = Named<QRadioButton>("rbEnvCardV", QStringLiteral("縦"), tbsEnvelope);
    rbEnvCardH = Named<QRadioButton>("rbEnvCardH", QStringLiteral("横"), tbsEnvelope);
    rbEnvWordV = Named<QRadioButton>("rbEnvWordV", QStringLiteral("縦書き"), tbsEnvelope);
    rbEnvWordH = Named<QRadioButton>("rbEnvWordH", QStringLiteral("横書き"), tbsEnvelope);
    MakeRadioPair(this, rbEnvCardV, rbEnvCardH);
    MakeRadioPair(this, rbEnvWordV, rbEnvWordH);
    env->addWidget(cbxEnvCategory, 0, 0, 1, 2);
    env->addWidget(lbEnvelope, 1, 0, 1, 2);
    env->addWidget(rbEnvCardV, 2, 0);
    env->addWidget(rbEnvCardH, 2, 1);
    env->addWidget(rbEnvWordV, 3, 0);
    env->addWidget(rbEnvWordH, 3, 1);
    pgcPapers->addWidget(tbsEnvelope);

    auto *right = new QVBoxLayout;
    root->addLayout(right, 1);
    pnlPreview = Named<QWidget>("pnlPreview", this);
    pnlPreview->setMinimumSize(260, 300);
    pnlPreview->setAutoFillBackground(true);
    QPalette grey = pnlPreview->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    pnlPreview->setPalette(grey);
    pnlCard = Named<TPaintPanel>("pnlCard", pnlPreview);
    pnlCard->SetBevelOuter(TPaintPanel::TBevel::None);
    pnlCard->OnPaint = [this](TPaintPanel &, QPainter &painter, const QRect &) { pnlCardPaint(painter); };
    right->addWidget(pnlPreview, 1);
    QPushButton *ok = nullptr, *cancel = nullptr;
    right->addLayout(MakeOkCancelButtons(this, ok, cancel));
    btnOK = ok;
    btnCancel = cancel;
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    connect(cbxEnvCategory, &QComboBox::currentIndexChanged, this, &TCustomLayoutFormatDialog::cbxEnvCategoryChange);
    for (QListWidget *list : {lbPostCard, lbEnvelope})
        connect(list, &QListWidget::currentRowChanged, this, &TCustomLayoutFormatDialog::SelectFormat);
    for (QRadioButton *r : {rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH, rbEnvWordV, rbEnvWordH})
        // However the button was checked (a screen reader ticks it without a click); the dialog's own
        // settings come under Guard.
        connect(r, &QRadioButton::toggled, this, [this, r](bool on) {
            if (!on || Guard)
                return;
            if (r == rbEnvCardH) {
                const QScopeGuard unguard([this] { Guard = false; });
                Guard = true;
                rbEnvWordH->setChecked(true);
            }
            rbEnvWordV->setEnabled(rbEnvCardV->isChecked());
            recolour();
            SelectFormat();
        });
    for (QWidget *w : findChildren<QWidget *>())
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QListWidget *>(w) ||
            qobject_cast<QRadioButton *>(w))
            w->installEventFilter(this);
}

void TCustomLayoutFormatDialog::recolour()
{
    for (QRadioButton *r : {rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH, rbEnvWordV, rbEnvWordH})
        SetCaptionColour(r, r->isChecked());
}

// ---- The base paper ----

void TCustomLayoutFormatDialog::SetBaseFormat(int index)
{
    const QScopeGuard unguard([this] { Guard = false; });
    Guard = true;
    BaseIndex = index;
    Working = Papers.GetFormatRecord(index);
    if (Working.Kind == 0) {
        pgcPapers->setCurrentWidget(tbsPostCard);
        lbPostCard->clear();
        QByteArray last;
        for (int i = 0; i < Papers.GetFormatCount(); ++i) {
            const TPaperFormat f = Papers.GetFormatRecord(i);
            if (f.Kind != 0 || f.SheetIndex >= 1 || f.Name == last)
                continue;
            auto *item = new QListWidgetItem(Sjis::decode(f.Name), lbPostCard);
            item->setData(Qt::UserRole, i);
            last = f.Name;
        }
        const auto found = lbPostCard->findItems(Sjis::decode(Working.Name), Qt::MatchExactly);
        if (!found.isEmpty())
            lbPostCard->setCurrentItem(found.front());
        (Working.Direction != 0 ? rbPostCardH : rbPostCardV)->setChecked(true);
    } else {
        pgcPapers->setCurrentWidget(tbsEnvelope);
        cbxEnvCategory->clear();
        QByteArray last;
        for (int i = 0; i < Papers.GetFormatCount(); ++i) {
            const TPaperFormat f = Papers.GetFormatRecord(i);
            if (f.Kind != 1 || f.Category == last)
                continue;
            cbxEnvCategory->addItem(Sjis::decode(f.Category), i);
            last = f.Category;
        }
        cbxEnvCategory->setCurrentIndex(cbxEnvCategory->findText(Sjis::decode(Working.Category)));
        Papers.ListCategoryFormats(cbxEnvCategory->currentData().toInt(), lbEnvelope);
        const auto found = lbEnvelope->findItems(Sjis::decode(Working.Name), Qt::MatchExactly);
        if (!found.isEmpty())
            lbEnvelope->setCurrentItem(found.front());
        (Working.Direction == 0 || Working.Direction == 1 ? rbEnvCardV : rbEnvCardH)->setChecked(true);
        (Working.Direction == 0 ? rbEnvWordV : rbEnvWordH)->setChecked(true);
        rbEnvWordV->setEnabled(rbEnvCardV->isChecked());
    }
    recolour();
}

void TCustomLayoutFormatDialog::SetCustomFormat(const TCustomPaperRecord &record)
{
    SetBaseFormat(int(record.BaseIndex));
    Working = record.Format;
}

void TCustomLayoutFormatDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    LoadFormat();
}

void TCustomLayoutFormatDialog::LoadFormat()
{
    WidthPosition = std::clamp(Working.Width, MinCustomPaperSize, MaxCustomPaperSize);
    HeightPosition = std::clamp(Working.Height, MinCustomPaperSize, MaxCustomPaperSize);
    int barSize = 0;
    NoBarcode = !FitBarcodeSize(Working.Direction != 0 ? Working.Width : Working.Height, barSize);
    {
        const QScopeGuard unguard([this] { Guard = false; });
        Guard = true;
        edPaperWidth->setText(QString::asprintf("%.1f", WidthPosition / 10.0));
        edPaperHeight->setText(QString::asprintf("%.1f", HeightPosition / 10.0));
    }
    UpdatePreview();
}

void TCustomLayoutFormatDialog::UpdatePreview()
{
    int w = LayoutUnits(Working.Width), h = LayoutUnits(Working.Height);
    // A base the list does not hold has no size to show.
    const bool paper = w > 0 && h > 0;
    pnlCard->setVisible(paper);
    if (!paper)
        return;
    const double s = std::min(0.9 * pnlPreview->height() / h, 0.9 * pnlPreview->width() / w);
    PreviewRects.clear();
    for (int i = 0; i < std::clamp(Working.CombinedRectCount, 0, 13); ++i) {
        const TFormatRect &r = Working.CombinedRects[i];
        const auto side = [s](int v) { return int(RoundHalfAway((long double)v * s)); };
        PreviewRects.push_back(QRect(QPoint(side(r.Left), side(r.Top)), QPoint(side(r.Right) - 1, side(r.Bottom) - 1)));
    }
    w = int(std::nearbyint(w * s));
    h = int(std::nearbyint(h * s));
    pnlCard->setGeometry((pnlPreview->width() - w) / 2, (pnlPreview->height() - h) / 2 - 1, w, h);
    Picture = LoadPaperPicture(Working.PictureFile, QSize(w, h));
    pnlCard->update();
}

void TCustomLayoutFormatDialog::pnlCardPaint(QPainter &painter)
{
    const TPaperFormat base = Papers.GetFormatRecord(BaseIndex);
    painter.fillRect(pnlCard->rect(), Qt::white);
    // The picture belongs to the base size; a resized paper shows none.
    if (!Picture.isNull() && Working.Width == base.Width && Working.Height == base.Height)
        painter.drawImage(pnlCard->rect(), Picture);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(pnlCard->rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(0, 0, 255));
    for (int i = 0; i < int(PreviewRects.size()); ++i)
        if (i != CombinedBarcodeIndex || !NoBarcode)
            painter.drawRect(PreviewRects[i]);
}

void TCustomLayoutFormatDialog::SelectFormat()
{
    if (Guard)
        return;
    int n = -1;
    if (pgcPapers->currentWidget() == tbsPostCard) {
        n = ChosenItemValue(lbPostCard);
        if (n >= 0)
            n += rbPostCardH->isChecked() ? 1 : 0;
    } else {
        n = ChosenItemValue(lbEnvelope);
        if (n >= 0)
            n += (rbEnvCardH->isChecked() ? 1 : 0) + (rbEnvWordH->isChecked() ? 1 : 0);
    }
    if (n < 0 || n == BaseIndex)
        return;
    BaseIndex = n;
    Working = Papers.GetFormatRecord(n);
    LoadFormat();
}

void TCustomLayoutFormatDialog::cbxEnvCategoryChange()
{
    if (Guard)
        return;
    {
        const QScopeGuard unguard([this] { Guard = false; });
        Guard = true;
        Papers.ListCategoryFormats(cbxEnvCategory->currentData().toInt(), lbEnvelope);
        lbEnvelope->setCurrentRow(0);
    }
    SelectFormat();
}

// ---- The size ----

void TCustomLayoutFormatDialog::step(QLineEdit *edit, int delta)
{
    int &pos = position(edit);
    pos = std::clamp(pos + delta, MinCustomPaperSize, MaxCustomPaperSize);
    edit->setText(QString::asprintf("%.1f", pos / 10.0));
    ApplyPaperSize();
}

void TCustomLayoutFormatDialog::sizeExit(QLineEdit *edit)
{
    if (Guard)
        return;
    int &pos = position(edit);
    const QByteArray text = Sjis::encode(TrimBlanks(edit->text()));
    const bool valid = !text.isEmpty() && KeepNumberChars(text, NumberChars::Digits | NumberChars::Point) == text &&
                       text.count('.') < 2;
    if (valid) {
        const long double value = RoundHalfAway(text.toDouble() * 10);
        pos = std::clamp(int(std::min<long double>(value, 32767)), MinCustomPaperSize, MaxCustomPaperSize);
    }
    edit->setText(QString::asprintf("%.1f", pos / 10.0));
    if (valid)
        ApplyPaperSize();
}

void TCustomLayoutFormatDialog::ApplyPaperSize()
{
    // Always from the base paper, so repeated changes never add up rounding.
    Working = ResizePaperFormat(Papers.GetFormatRecord(BaseIndex), WidthPosition, HeightPosition);
    LoadFormat();
}

// ---- The result ----

void TCustomLayoutFormatDialog::accept()
{
    const QByteArray name = CustomPaperName(edName->text());
    QString message;
    if (name.isEmpty())
        message = QStringLiteral("用紙名を入力してください  ");
    // Names are compared as they will be stored, after the cut to 30 bytes.
    else if (Papers.IsCustomNameUsed(name, Working.Kind))
        message = QStringLiteral("指定された用紙名はすでに使われています  ");
    if (!message.isEmpty()) {
        ShowMessageBoxAt(this, message, AppTitle, MB_ICONINFORMATION);
        edName->setFocus();
        return;
    }
    QDialog::accept();
}

void TCustomLayoutFormatDialog::GetCustomFormat(TCustomPaperRecord &record) const
{
    record = TCustomPaperRecord{};
    record.Format = Working;
    record.Format.Category = Sjis::encode(u"カスタム");
    record.Format.Name = CustomPaperName(edName->text());
    const TPaperFormat base = Papers.GetFormatRecord(BaseIndex);
    if (Working.Width != base.Width || Working.Height != base.Height)
        record.Format.PictureFile.clear();
    record.BaseIndex = uint32_t(BaseIndex);
}

// ---- Keys ----

bool TCustomLayoutFormatDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == edPaperWidth || watched == edPaperHeight)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int delta = key == Qt::Key_PageUp ? 10 : key == Qt::Key_PageDown ? -10 : key == Qt::Key_Up ? 1
                          : key == Qt::Key_Down ? -1 : 0;
        if (delta != 0) {
            step(static_cast<QLineEdit *>(watched), delta);
            return true;
        }
    }
    if (IsEnterKey(event)) {
        focusNextChild();
        if (auto *edit = qobject_cast<QLineEdit *>(focusWidget()))
            edit->selectAll();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
