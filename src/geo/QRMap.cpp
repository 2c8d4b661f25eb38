#include "geo/QRMap.h"

#include "base/Trim.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "drawing/QRCodeRect.h"
#include "geo/PaintPanel.h"
#include "geo/WebLinks.h"
#include "platform/MemIniFile.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"
#include "widgets/UpDown.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Section = QStringLiteral("QRMAP");

bool AllDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

TQRCodeMap::TQRCodeMap(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("QRCodeMap"));
    setWindowTitle(QStringLiteral("iMapFan/ケータイ地図MapFan"));
    setProperty("HelpContext", 60);
    lblMessage1 = new QLabel(QStringLiteral("携帯電話の地図サイト 「iMapFan/ケータイ地図MapFan」 へのアクセス用のQRコードです"), this);
    lblMessage2 = new QLabel(QStringLiteral("携帯で以下のQRコードを読み取って、取得したURLにアクセスすると"), this);
    lblMessage3 = new QLabel(QStringLiteral("「iMapFan/ケータイ地図MapFan」 で該当住所の地図を表示することができます"), this);
    edtAdrs = Named<QLineEdit>("edtAdrs", this);
    edtAdrs->setReadOnly(true);
    pnlQRCode = Named<TPaintPanel>("pnlQRCode", this);
    pnlQRCode->SetColor(Qt::white);
    pnlQRCode->SetBevelOuter(TPaintPanel::TBevel::Lowered);
    pnlQRCode->setFixedSize(ScaleByDpi(260, true), ScaleByDpi(260, true));
    pnlQRCode->OnPaint = [this](TPaintPanel &panel, QPainter &painter, const QRect &) {
        if (Image_.isNull())
            return;
        painter.drawImage(QPoint((panel.width() - Image_.width()) / 2, (panel.height() - Image_.height()) / 2),
                          Image_);
    };
    edtSize = Named<QLineEdit>("edtSize", this);
    MakeHalfWidthField(edtSize, 0);
    edtSize->setFixedWidth(ScaleByDpi(32, true));
    edtSize->setAlignment(Qt::AlignRight);
    edtSize->installEventFilter(this);
    // Leaving the edit and a text a screen reader sets end the entry with this signal.
    connect(edtSize, &QLineEdit::editingFinished, this, &TQRCodeMap::edtSizeExit);
    udSize = Named<TUpDown>("udSize", this, [this](int step) { udSizeChangingEx(Size_ + step); },
                            QSize(ScaleByDpi(16, true), ScaleByDpi(11, true)));
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    auto *adrsLabel = new QLabel(QStringLiteral("表示住所："), this);
    adrsLabel->setBuddy(edtAdrs);
    grid->addWidget(adrsLabel, 0, 0);
    grid->addWidget(edtAdrs, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("QRコード："), this), 1, 0, Qt::AlignTop);
    grid->addWidget(pnlQRCode, 1, 1, 1, 3, Qt::AlignLeft);
    auto *sizeLabel = new QLabel(QStringLiteral("表示サイズ："), this);
    sizeLabel->setBuddy(edtSize);
    grid->addWidget(sizeLabel, 2, 0);
    auto *size = new QHBoxLayout;
    size->setSpacing(0);
    size->addWidget(edtSize);
    size->addWidget(udSize);
    size->addStretch();
    grid->addLayout(size, 2, 1);
    grid->addWidget(btnClose, 2, 3, Qt::AlignRight);
    auto *layout = new QVBoxLayout(this);
    for (QLabel *l : {lblMessage1, lblMessage2, lblMessage3})
        layout->addWidget(l);
    layout->addSpacing(ScaleByDpi(6, true));
    layout->addLayout(grid);

    // FormCreate
    const TMemIniFile ini(DataFolder + SettingsFileName);
    Size_ = ini.ReadInteger(Section, QStringLiteral("Size"), 3);
    if (Size_ < 1 || Size_ > 5)
        Size_ = 3;
    EnteredSize_ = Size_;
    edtSize->setText(QString::number(Size_));
    LinkTemplate_ = QRMapLinkTemplate(ini);
}

TQRCodeMap::~TQRCodeMap()
{
    DisconnectChildControls(this);
    // FormDestroy
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteInteger(Section, QStringLiteral("Size"), Size_);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The size is a preference: a read-only settings file only loses it.
    }
}

void TQRCodeMap::SetAddress(const QString &address)
{
    const QString trimmed = TrimBlanks(address);
    if (trimmed == Address_)
        return;
    Address_ = trimmed;
    edtAdrs->setText(Address_);
    if (isVisible())
        BuildCode();
}

QByteArray TQRCodeMap::Link() const { return QRMapLink(LinkTemplate_, Address_); }

void TQRCodeMap::BuildCode()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TQRCode code = MakeQRCode(Link(), TQRDataMode::Byte, Size_, 96);
    // A link no code can hold keeps the previous picture, as a control that wrote no file would.
    if (!code.Image.isNull()) {
        Image_ = code.Image.convertToFormat(QImage::Format_RGB32,
                                            QList<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)});
    }
    QApplication::restoreOverrideCursor();
    pnlQRCode->update();
}

void TQRCodeMap::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    BuildCode();
}

void TQRCodeMap::edtSizeEnter() { EnteredSize_ = Size_; }

void TQRCodeMap::edtSizeExit()
{
    const QString text = edtSize->text();
    if (!AllDigits(text)) {
        edtSize->setText(QString::number(EnteredSize_));
        return;
    }
    udSizeChangingEx(std::clamp(text.toInt(), 1, 5));
    if (text != QString::number(Size_))
        edtSize->setText(QString::number(EnteredSize_));
}

bool TQRCodeMap::udSizeChangingEx(int value)
{
    if (value < 1 || value > 5)
        return false;
    EnteredSize_ = value;
    edtSize->setText(QString::number(value));
    edtSize->selectAll();
    if (value != Size_) {
        Size_ = value;
        if (isVisible())
            BuildCode();
    }
    return true;
}

bool TQRCodeMap::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != edtSize)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        edtSizeEnter();
        break;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            const int before = Size_;
            edtSizeExit();
            if (Size_ == before)
                btnClose->setFocus();
            return true;
        }
        case Qt::Key_PageUp:
            udSizeChangingEx(std::min(Size_ + 10, 5));
            return true;
        case Qt::Key_PageDown:
            udSizeChangingEx(std::max(Size_ - 10, 1));
            return true;
        case Qt::Key_Up:
            udSizeChangingEx(Size_ + 1);
            return true;
        case Qt::Key_Down:
            udSizeChangingEx(Size_ - 1);
            return true;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
