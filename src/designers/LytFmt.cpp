#include "designers/LytFmt.h"

#include "base/FileReplace.h"
#include "designers/CstmLyt.h"

#include "base/SjisCodec.h"
#include "base/Units.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "drawing/BarcodeRect.h"
#include "geo/PaintPanel.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString CustomCategory = QStringLiteral("カスタム");

QString sizeText(int width, int height)
{
    return QString::asprintf("%.1f x %.1f mm", width / 10.0, height / 10.0);
}

QRadioButton *radio(const char *name, const QString &caption, QWidget *parent)
{
    return Named<QRadioButton>(name, caption, parent);
}

}  // namespace

void MakeRadioPair(QWidget *owner, QRadioButton *a, QRadioButton *b)
{
    auto *group = new QButtonGroup(owner);
    group->addButton(a);
    group->addButton(b);
}

int ChosenItemValue(const QListWidget *list)
{
    const QListWidgetItem *item = list->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

int LayoutUnits(int tenthsMm) { return TenthsMmToLayout(tenthsMm); }

QImage LoadPaperPicture(const QByteArray &pictureFile, const QSize &size)
{
    if (pictureFile.isEmpty() || size.isEmpty())
        return {};
    QSvgRenderer renderer(AppFolder + QStringLiteral("Common/Format/") + Sjis::decode(pictureFile));
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

TNewLayoutDialog::TNewLayoutDialog(QWidget *owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("新規作成"));
    setProperty("HelpContext", 83);
    buildControls();
    Guard = true;
    LoadMasterFormats();
    LoadCustomFormats();
    for (QComboBox *category : {cbxPstCategory, cbxEnvCategory})
        if (category->count() > 0)
            category->setCurrentIndex(0);
    if (cbxPstCategory->count() > 0)
        ListCategoryFormats(cbxPstCategory->itemData(0).toInt(), lbPostcard);
    if (cbxEnvCategory->count() > 0)
        ListCategoryFormats(cbxEnvCategory->itemData(0).toInt(), lbEnvelope);
    for (QListWidget *list : {lbPostcard, lbEnvelope})
        if (list->count() > 0)
            list->setCurrentRow(0);
    for (QRadioButton *r : {rbPostCardV, rbEnvCardV, rbEnvWordV, rbEnvAdrs})
        r->setChecked(true);
    bbtnPstDelete->setEnabled(false);
    bbtnEnvDelete->setEnabled(false);
    Guard = false;
    recolour();
    SelectFormat();
}

TNewLayoutDialog::~TNewLayoutDialog()
{
    SaveCustomFormats();
    if (NewLayoutDialog == this)
        NewLayoutDialog = nullptr;
}

void TNewLayoutDialog::buildControls()
{
    setObjectName(QStringLiteral("NewLayoutDialog"));
    auto *root = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    root->addLayout(left);
    cbxPaperKind = Named<QComboBox>("cbxPaperKind", this);
    cbxPaperKind->addItems({QStringLiteral("はがき"), QStringLiteral("封筒")});
    cbxPaperKind->setAccessibleName(QStringLiteral("用紙の種類"));
    left->addWidget(cbxPaperKind);
    pgcPapers = Named<QStackedWidget>("pgcPapers", this);
    left->addWidget(pgcPapers);

    tbsPostCard = Named<QWidget>("tbsPostCard");
    auto *post = new QGridLayout(tbsPostCard);
    cbxPstCategory = Named<QComboBox>("cbxPstCategory", tbsPostCard);
    cbxPstCategory->setAccessibleName(QStringLiteral("分類"));
    lbPostcard = Named<QListWidget>("lbPostcard", tbsPostCard);
    lbPostcard->setAccessibleName(QStringLiteral("用紙"));
    rbPostCardV = radio("rbPostCardV", QStringLiteral("縦書き"), tbsPostCard);
    rbPostCardH = radio("rbPostCardH", QStringLiteral("横書き"), tbsPostCard);
    MakeRadioPair(this, rbPostCardV, rbPostCardH);
    bbtnPstAdd = Named<QPushButton>("bbtnPstAdd", QStringLiteral("登録"), tbsPostCard);
    bbtnPstDelete = Named<QPushButton>("bbtnPstDelete", QStringLiteral("削除"), tbsPostCard);
    lblPostCardSheetSize = Named<QLabel>("lblPostCardSheetSize", tbsPostCard);
    lblPostCardSize = Named<QLabel>("lblPostCardSize", tbsPostCard);
    lblPostCardNum = Named<QLabel>("lblPostCardNum", tbsPostCard);
    post->addWidget(cbxPstCategory, 0, 0, 1, 2);
    post->addWidget(lbPostcard, 1, 0, 1, 2);
    post->addWidget(rbPostCardV, 2, 0);
    post->addWidget(rbPostCardH, 2, 1);
    post->addWidget(new QLabel(QStringLiteral("用紙サイズ"), tbsPostCard), 3, 0);
    post->addWidget(lblPostCardSheetSize, 3, 1);
    post->addWidget(new QLabel(QStringLiteral("はがきサイズ"), tbsPostCard), 4, 0);
    post->addWidget(lblPostCardSize, 4, 1);
    post->addWidget(new QLabel(QStringLiteral("面付"), tbsPostCard), 5, 0);
    post->addWidget(lblPostCardNum, 5, 1);
    post->addWidget(bbtnPstAdd, 6, 0);
    post->addWidget(bbtnPstDelete, 6, 1);
    pgcPapers->addWidget(tbsPostCard);

    tbsEnvelope = Named<QWidget>("tbsEnvelope");
    auto *env = new QGridLayout(tbsEnvelope);
    cbxEnvCategory = Named<QComboBox>("cbxEnvCategory", tbsEnvelope);
    cbxEnvCategory->setAccessibleName(QStringLiteral("分類"));
    lbEnvelope = Named<QListWidget>("lbEnvelope", tbsEnvelope);
    lbEnvelope->setAccessibleName(QStringLiteral("用紙"));
    rbEnvCardV = radio("rbEnvCardV", QStringLiteral("縦"), tbsEnvelope);
    rbEnvCardH = radio("rbEnvCardH", QStringLiteral("横"), tbsEnvelope);
    rbEnvWordV = radio("rbEnvWordV", QStringLiteral("縦書き"), tbsEnvelope);
    rbEnvWordH = radio("rbEnvWordH", QStringLiteral("横書き"), tbsEnvelope);
    rbEnvAdrs = radio("rbEnvAdrs", QStringLiteral("宛先"), tbsEnvelope);
    rbEnvSender = radio("rbEnvSender", QStringLiteral("差出人"), tbsEnvelope);
    MakeRadioPair(this, rbEnvCardV, rbEnvCardH);
    MakeRadioPair(this, rbEnvWordV, rbEnvWordH);
    MakeRadioPair(this, rbEnvAdrs, rbEnvSender);
    bbtnEnvAdd = Named<QPushButton>("bbtnEnvAdd", QStringLiteral("登録"), tbsEnvelope);
    bbtnEnvDelete = Named<QPushButton>("bbtnEnvDelete", QStringLiteral("削除"), tbsEnvelope);
    lblEnvlopeSize = Named<QLabel>("lblEnvlopeSize", tbsEnvelope);
    env->addWidget(cbxEnvCategory, 0, 0, 1, 3);
    env->addWidget(lbEnvelope, 1, 0, 1, 3);
    env->addWidget(new QLabel(QStringLiteral("封筒"), tbsEnvelope), 2, 0);
    env->addWidget(rbEnvCardV, 2, 1);
    env->addWidget(rbEnvCardH, 2, 2);
    env->addWidget(new QLabel(QStringLiteral("文字"), tbsEnvelope), 3, 0);
    env->addWidget(rbEnvWordV, 3, 1);
    env->addWidget(rbEnvWordH, 3, 2);
    env->addWidget(new QLabel(QStringLiteral("表示"), tbsEnvelope), 4, 0);
    env->addWidget(rbEnvAdrs, 4, 1);
    env->addWidget(rbEnvSender, 4, 2);
    env->addWidget(new QLabel(QStringLiteral("封筒サイズ"), tbsEnvelope), 5, 0);
    env->addWidget(lblEnvlopeSize, 5, 1, 1, 2);
    env->addWidget(bbtnEnvAdd, 6, 1);
    env->addWidget(bbtnEnvDelete, 6, 2);
    pgcPapers->addWidget(tbsEnvelope);

    auto *right = new QVBoxLayout;
    root->addLayout(right, 1);
    pnlPreview = Named<QWidget>("pnlPreview", this);
    pnlPreview->setMinimumSize(300, 340);
    pnlPreview->setAutoFillBackground(true);
    QPalette grey = pnlPreview->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    pnlPreview->setPalette(grey);
    pnlCard = Named<TPaintPanel>("pnlCard", pnlPreview);
    pnlCard->SetBevelOuter(TPaintPanel::TBevel::None);
    pnlCard->OnPaint = [this](TPaintPanel &, QPainter &painter, const QRect &) { pnlCardPaint(painter); };
    pnlNoBarcode = Named<QLabel>("pnlNoBarcode", QStringLiteral("※バーコードは印刷できません"), this);
    QPalette red = pnlNoBarcode->palette();
    red.setColor(QPalette::WindowText, QColor(0xFF, 0, 0));
    pnlNoBarcode->setPalette(red);
    right->addWidget(pnlPreview, 1);
    right->addWidget(pnlNoBarcode);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    btnOK->setDefault(true);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    right->addLayout(buttons);

    connect(cbxPaperKind, &QComboBox::currentIndexChanged, this, &TNewLayoutDialog::cbxPaperKindChange);
    connect(cbxPstCategory, &QComboBox::currentIndexChanged, this, &TNewLayoutDialog::cbxPstCategoryChange);
    connect(cbxEnvCategory, &QComboBox::currentIndexChanged, this, &TNewLayoutDialog::cbxEnvCategoryChange);
    for (QListWidget *list : {lbPostcard, lbEnvelope})
        connect(list, &QListWidget::currentRowChanged, this, &TNewLayoutDialog::SelectFormat);
    for (QRadioButton *r : {rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH, rbEnvWordV, rbEnvWordH})
        // However the button was checked (a screen reader ticks it without a click); the dialog's own
        // settings come under Guard.
        connect(r, &QRadioButton::toggled, this, [this, r](bool on) {
            if (on && !Guard)
                rbDirectionClick(r);
        });
    for (QRadioButton *r : {rbEnvAdrs, rbEnvSender})
        connect(r, &QRadioButton::toggled, this, [this] {
            recolour();
            pnlCard->update();
        });
    connect(bbtnPstAdd, &QPushButton::clicked, this, &TNewLayoutDialog::bbtnCustomClick);
    connect(bbtnEnvAdd, &QPushButton::clicked, this, &TNewLayoutDialog::bbtnCustomClick);
    connect(bbtnPstDelete, &QPushButton::clicked, this, &TNewLayoutDialog::bbtnCustomDeleteClick);
    connect(bbtnEnvDelete, &QPushButton::clicked, this, &TNewLayoutDialog::bbtnCustomDeleteClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TNewLayoutDialog::reject);
    for (QWidget *w : std::initializer_list<QWidget *>{cbxPaperKind, cbxPstCategory, cbxEnvCategory, lbPostcard,
                                                       lbEnvelope, rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH,
                                                       rbEnvWordV, rbEnvWordH, rbEnvAdrs, rbEnvSender})
        w->installEventFilter(this);
}

// ---- The files ----

void TNewLayoutDialog::LoadMasterFormats()
{
    // A missing or foreign list leaves the dialog without papers; the designer reports it when it reads one.
    Master.Load(AppFolder + QStringLiteral("Common/Lyt.fmt"));
    QByteArray last;
    for (int i = 0; i < int(Master.Formats.size()); ++i) {
        const TPaperFormat &f = Master.Formats[i];
        if (f.Kind > 1 || f.Category == last)
            continue;
        (f.Kind == 0 ? cbxPstCategory : cbxEnvCategory)->addItem(Sjis::decode(f.Category), i);
        last = f.Category;
    }
}

void TNewLayoutDialog::LoadCustomFormats()
{
    Custom.Load(DataRootFolder + QStringLiteral("CstmL.fmt"));
    for (const TCustomPaperRecord &c : Custom.Records) {
        HasCustomPostcards |= c.Format.Kind == 0;
        HasCustomEnvelopes |= c.Format.Kind == 1;
    }
    if (HasCustomPostcards)
        cbxPstCategory->addItem(CustomCategory, 0);
    if (HasCustomEnvelopes)
        cbxEnvCategory->addItem(CustomCategory, 0);
}

void TNewLayoutDialog::SaveCustomFormats()
{
    const QString fileName = DataRootFolder + QStringLiteral("CstmL.fmt");
    if (!Custom.Save(fileName))
        ShowMessageBoxAt(parentWidget(),
                         QStringLiteral("カスタム用紙を保存できませんでした  ") + WriteFailureAt(fileName, errno), AppTitle,
                         MB_ICONERROR);
}

TPaperFormat TNewLayoutDialog::GetFormatRecord(int index) const
{
    return index >= 0 && index < GetFormatCount() ? Master.Formats[index] : TPaperFormat{};
}

void TNewLayoutDialog::ListCategoryFormats(int first, QListWidget *list) const
{
    list->clear();
    if (first < 0 || first >= GetFormatCount())
        return;
    const QByteArray category = Master.Formats[first].Category;
    QByteArray lastName;
    for (int i = first; i < GetFormatCount() && Master.Formats[i].Category == category; ++i) {
        const QByteArray &name = Master.Formats[i].Name;
        if (i != first && name == lastName)
            continue;
        auto *item = new QListWidgetItem(Sjis::decode(name), list);
        item->setData(Qt::UserRole, i);
        lastName = name;
    }
}

void TNewLayoutDialog::ListCustomFormats(int kind, QListWidget *list) const
{
    list->clear();
    for (const TCustomPaperRecord &c : Custom.Records) {
        if (c.Format.Kind != kind)
            continue;
        auto *item = new QListWidgetItem(Sjis::decode(c.Format.Name), list);
        item->setData(Qt::UserRole, int(c.Id));
    }
}

bool TNewLayoutDialog::IsCustomNameUsed(const QByteArray &name, int kind) const
{
    return std::any_of(Custom.Records.begin(), Custom.Records.end(),
                       [&](const TCustomPaperRecord &c) { return c.Format.Kind == kind && c.Format.Name == name; });
}

// ---- Choosing ----

bool TNewLayoutDialog::envelopePage() const { return pgcPapers->currentWidget() == tbsEnvelope; }
QListWidget *TNewLayoutDialog::shownList() const { return envelopePage() ? lbEnvelope : lbPostcard; }
QComboBox *TNewLayoutDialog::shownCategory() const { return envelopePage() ? cbxEnvCategory : cbxPstCategory; }

void TNewLayoutDialog::SetChangeMode(bool change)
{
    setWindowTitle(change ? QStringLiteral("用紙の変更") : QStringLiteral("新規作成"));
}

void TNewLayoutDialog::SetSenderSide(bool sender) { (sender ? rbEnvSender : rbEnvAdrs)->setChecked(true); }
bool TNewLayoutDialog::GetSenderSide() const { return rbEnvSender->isChecked(); }

void TNewLayoutDialog::SetMessageSide()
{
    MessageSide = true;
    UpdatePreview();
}

void TNewLayoutDialog::cbxPaperKindChange()
{
    pgcPapers->setCurrentIndex(cbxPaperKind->currentIndex());
    SelectFormat();
}

void TNewLayoutDialog::cbxPstCategoryChange()
{
    if (Guard)
        return;
    if (cbxPstCategory->currentIndex() == 0)
        ListCategoryFormats(0, lbPostcard);
    else
        ListCustomFormats(0, lbPostcard);
    bbtnPstDelete->setEnabled(cbxPstCategory->currentIndex() >= 1);
    lbPostcard->setCurrentRow(0);
    SelectFormat();
}

void TNewLayoutDialog::cbxEnvCategoryChange()
{
    if (Guard)
        return;
    const int first = cbxEnvCategory->currentData().toInt();
    if (first > 0)
        ListCategoryFormats(first, lbEnvelope);
    else
        ListCustomFormats(1, lbEnvelope);
    bbtnEnvDelete->setEnabled(first <= 0 && cbxEnvCategory->currentIndex() >= 0);
    lbEnvelope->setCurrentRow(0);
    SelectFormat();
}

void TNewLayoutDialog::checkEnvelopeRadios(int direction)
{
    (direction == 0 || direction == 1 ? rbEnvCardV : rbEnvCardH)->setChecked(true);
    (direction == 0 ? rbEnvWordV : rbEnvWordH)->setChecked(true);
}

void TNewLayoutDialog::takeFormat(int number)
{
    FormatNumber = number;
    if (number >= 0) {
        Format = GetFormatRecord(number);
    } else if (const TCustomPaperRecord *c = Custom.FindId(uint32_t(-number))) {
        Format = c->Format;
    }
    Sheet = Master.SheetOf(Format);
    const int length = Format.Direction == 0 ? Format.Height : Format.Width;
    NoBarcode = !FitBarcodeSize(length, BarSize);
}

void TNewLayoutDialog::SelectFormat()
{
    if (Guard)
        return;
    const bool envelope = envelopePage();
    QListWidget *list = shownList();
    int n = ChosenItemValue(list);
    if (n < 0)
        return;
    const bool master = envelope ? cbxEnvCategory->currentData().toInt() > 0 : cbxPstCategory->currentIndex() == 0;
    if (master) {
        if (envelope)
            n += (rbEnvCardH->isChecked() ? 1 : 0) + (rbEnvWordH->isChecked() ? 1 : 0);
        else
            n += rbPostCardH->isChecked() ? 1 : 0;
    } else {
        n = -n;
    }
    takeFormat(n);
    const QScopeGuard unguard([this] { Guard = false; });
    Guard = true;
    if (n >= 0) {
        for (QRadioButton *r : {rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH, rbEnvWordH})
            r->setEnabled(true);
        rbEnvWordV->setEnabled(rbEnvCardV->isChecked());
    } else {
        // A user paper has one direction.
        if (envelope)
            checkEnvelopeRadios(Format.Direction);
        else
            (Format.Direction == 0 ? rbPostCardV : rbPostCardH)->setChecked(true);
        for (QRadioButton *r : {rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH, rbEnvWordV, rbEnvWordH})
            r->setEnabled(r->isChecked());
    }
    recolour();
    UpdatePreview();
}

void TNewLayoutDialog::rbDirectionClick(QRadioButton *radio)
{
    if (radio == rbEnvCardH) {
        const QScopeGuard unguard([this] { Guard = false; });
        Guard = true;
        rbEnvWordH->setChecked(true);
    }
    rbEnvWordV->setEnabled(rbEnvCardV->isChecked() && FormatNumber >= 0);
    recolour();
    SelectFormat();
}

void TNewLayoutDialog::recolour()
{
    for (QRadioButton *r : {rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH, rbEnvWordV, rbEnvWordH, rbEnvAdrs,
                            rbEnvSender})
        SetCaptionColour(r, r->isChecked());
}

void TNewLayoutDialog::SelectFormatByNumber(int number)
{
    const QScopeGuard unguard([this] { Guard = false; });
    Guard = true;
    DocumentNumber = number;
    int shown = number;
    if (number < 0 && !Custom.FindId(uint32_t(-number)))
        shown = 0;  // the document's user paper was deleted: the first postcard stands in
    takeFormat(shown);
    const bool envelope = Format.Kind == 1;
    cbxPaperKind->setCurrentIndex(envelope ? 1 : 0);
    pgcPapers->setCurrentIndex(envelope ? 1 : 0);
    QComboBox *category = envelope ? cbxEnvCategory : cbxPstCategory;
    QListWidget *list = envelope ? lbEnvelope : lbPostcard;
    category->setCurrentIndex(category->findText(shown >= 0 ? Sjis::decode(Format.Category) : CustomCategory));
    if (shown >= 0)
        ListCategoryFormats(envelope ? category->currentData().toInt() : 0, list);
    else
        ListCustomFormats(Format.Kind, list);
    const auto found = list->findItems(Sjis::decode(Format.Name), Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.front());
    if (envelope) {
        checkEnvelopeRadios(Format.Direction);
        rbEnvWordV->setEnabled(Format.Direction == 0 || Format.Direction == 1);
    } else {
        (Format.Direction == 0 ? rbPostCardV : rbPostCardH)->setChecked(true);
    }
    for (QRadioButton *r : {rbPostCardV, rbPostCardH, rbEnvCardV, rbEnvCardH, rbEnvWordV, rbEnvWordH})
        if (shown < 0)
            r->setEnabled(r->isChecked());
    (envelope ? bbtnEnvDelete : bbtnPstDelete)->setEnabled(shown < 0);
    recolour();
    UpdatePreview();
}

// ---- Preview ----

void TNewLayoutDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    UpdatePreview();
}

void TNewLayoutDialog::UpdatePreview()
{
    // Without a paper list there is nothing to show.
    const bool hasPaper = Format.Width > 0 && Format.Height > 0;
    pnlCard->setVisible(hasPaper);
    if (!hasPaper)
        return;
    const bool multiUp = Format.SheetIndex > 0;
    const QString paper = sizeText(Format.Width, Format.Height);
    lblPostCardSize->setText(paper);
    lblPostCardSheetSize->setText(multiUp ? sizeText(Sheet.SheetWidth, Sheet.SheetHeight) : paper);
    lblPostCardNum->setText(multiUp ? QString::asprintf("%d x %d 枚", Sheet.Columns, Sheet.Rows)
                                    : QStringLiteral("1 x 1 枚"));
    lblEnvlopeSize->setText(paper);

    int w = LayoutUnits(multiUp ? Sheet.SheetWidth : Format.Width);
    int h = LayoutUnits(multiUp ? Sheet.SheetHeight : Format.Height);
    // The shipped and the user files are read with sizes of at least 1, so these never divide by zero.
    Scale = std::min(double(RoundHalfAway(0.9L * pnlPreview->height())) / h,
                     double(RoundHalfAway(0.9L * pnlPreview->width())) / w);
    w = int(std::nearbyint(w * Scale));
    h = int(std::nearbyint(h * Scale));
    const auto scaled = [this](int tenths, double extra) {
        return int(RoundHalfAway(Rescaled(tenths, TenthsMmPerInch, LayoutDpi) * Scale + extra));
    };
    if (multiUp) {
        PaperSize = {scaled(Format.Width, 0.5), scaled(Format.Height, 0.5)};
        Margins = {scaled(Sheet.LeftMargin, 0), scaled(Sheet.TopMargin, 0)};
        Gaps = {scaled(Sheet.ColumnGap, 0), scaled(Sheet.RowGap, 0)};
    } else {
        PaperSize = Margins = Gaps = QSize(0, 0);
    }
    Picture = MessageSide ? QImage() : LoadPaperPicture(Format.PictureFile, multiUp ? PaperSize : QSize(w, h));
    PreviewRects.clear();
    for (int i = 0; i < (MessageSide ? 0 : Format.CombinedRectCount); ++i) {
        const TFormatRect &r = Format.CombinedRects[i];
        const auto side = [this](int v) { return int(RoundHalfAway((long double)v * Scale)); };
        PreviewRects.push_back(QRect(QPoint(side(r.Left), side(r.Top)), QPoint(side(r.Right) - 1, side(r.Bottom) - 1))
                                   .translated(Margins.width(), Margins.height()));
    }
    pnlCard->setGeometry((pnlPreview->width() - w) / 2, (pnlPreview->height() - h) / 2 - 1, w, h);
    pnlCard->update();
    pnlNoBarcode->setVisible(NoBarcode && !MessageSide);
}

void TNewLayoutDialog::pnlCardPaint(QPainter &painter)
{
    const QRect all = pnlCard->rect();
    const bool envelope = Format.Kind == 1;
    const bool senderSide = envelope && rbEnvSender->isChecked();
    const bool multiUp = Format.SheetIndex > 0;
    painter.fillRect(all, Qt::white);
    if (!Picture.isNull() && !senderSide) {
        if (!multiUp)
            painter.drawImage(0, 0, Picture);
        else if (Picture.pixelColor(0, 0) != Qt::white)
            painter.fillRect(all, Picture.pixelColor(Picture.width() / 2, Picture.height() / 2));
    }
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(all.adjusted(0, 0, -1, -1));
    if (multiUp) {
        for (int row = 0; row < Sheet.Rows; ++row) {
            for (int column = 0; column < Sheet.Columns; ++column) {
                const QPoint at(Margins.width() + (PaperSize.width() + Gaps.width()) * column,
                                Margins.height() + (PaperSize.height() + Gaps.height()) * row);
                if (!Picture.isNull())
                    painter.drawImage(at, Picture);
                painter.drawRect(QRect(at, PaperSize).adjusted(0, 0, -1, -1));
            }
        }
    }
    painter.setPen(QColor(0, 0, 255));
    for (int i = 0; i < int(PreviewRects.size()); ++i) {
        if (envelope && i < 4 && senderSide)
            continue;
        if (envelope && i >= 4 && rbEnvAdrs->isChecked())
            break;
        if (i == CombinedBarcodeIndex && NoBarcode)
            continue;
        painter.drawRect(PreviewRects[i]);
    }
}

// ---- User papers ----

void TNewLayoutDialog::bbtnCustomClick()
{
    TCustomLayoutFormatDialog dialog(*this, this);
    CenterFormOnOwner(&dialog, this);
    if (FormatNumber < 0) {
        const TCustomPaperRecord *c = Custom.FindId(uint32_t(ChosenItemValue(shownList())));
        if (!c)
            return;
        dialog.SetCustomFormat(*c);
    } else if (Format.SheetIndex > 0) {
        dialog.SetBaseFormat(envelopePage() ? cbxEnvCategory->itemData(0).toInt() : 0);
    } else {
        dialog.SetBaseFormat(FormatNumber);
    }
    if (ExecDialog(dialog) == QDialog::Rejected)
        return;
    TCustomPaperRecord record;
    dialog.GetCustomFormat(record);
    record.Id = ++Custom.LastCustomId;
    Custom.Records.push_back(record);
    const bool envelope = envelopePage();
    QComboBox *category = shownCategory();
    bool &has = envelope ? HasCustomEnvelopes : HasCustomPostcards;
    {
        const QScopeGuard unguard([this] { Guard = false; });
        Guard = true;
        if (!has)
            category->addItem(CustomCategory, 0);
        has = true;
        category->setCurrentIndex(category->count() - 1);
        ListCustomFormats(envelope ? 1 : 0, shownList());
        shownList()->setCurrentRow(shownList()->count() - 1);
    }
    SelectFormat();
    (envelope ? bbtnEnvDelete : bbtnPstDelete)->setEnabled(true);
}

void TNewLayoutDialog::bbtnCustomDeleteClick()
{
    QListWidget *list = shownList();
    const int id = ChosenItemValue(list);
    if (id <= 0)
        return;
    if (DocumentNumber == -id) {
        ShowMessageBoxAt(this, QStringLiteral("使用中の用紙は削除できません  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    auto &records = Custom.Records;
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [id](const TCustomPaperRecord &c) { return c.Id == uint32_t(id); }),
                  records.end());
    const int row = list->currentRow();
    const bool envelope = envelopePage();
    {
        const QScopeGuard unguard([this] { Guard = false; });
        Guard = true;
        delete list->takeItem(row);
    }
    if (list->count() > 0) {
        list->setCurrentRow(std::min(row, list->count() - 1));
        SelectFormat();
        return;
    }
    // The kind's last user paper went: so does its category entry.
    QComboBox *category = shownCategory();
    {
        const QScopeGuard unguard([this] { Guard = false; });
        Guard = true;
        category->removeItem(category->count() - 1);
    }
    (envelope ? HasCustomEnvelopes : HasCustomPostcards) = false;
    category->setCurrentIndex(-1);
    category->setCurrentIndex(0);
    (envelope ? bbtnEnvDelete : bbtnPstDelete)->setEnabled(false);
}

void TNewLayoutDialog::reject()
{
    // The open document's user paper is gone: the user has to choose another one.
    if (DocumentNumber < 0 && !Custom.FindId(uint32_t(-DocumentNumber))) {
        ShowMessageBoxAt(this, QStringLiteral("選択した用紙は削除されています  \r\n新しい用紙を設定してください"),
                         AppTitle, MB_ICONINFORMATION);
        return;
    }
    QDialog::reject();
}

// ---- Keys ----

bool TNewLayoutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        if (watched == lbPostcard)
            (rbPostCardV->isChecked() ? rbPostCardV : rbPostCardH)->setFocus();
        else if (watched == lbEnvelope)
            (rbEnvCardV->isChecked() ? rbEnvCardV : rbEnvCardH)->setFocus();
        else
            focusNextChild();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
