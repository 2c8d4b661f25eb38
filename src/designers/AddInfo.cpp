#include "designers/AddInfo.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "designers/DataFrm.h"
#include "records/EntryHelpers.h"
#include "widgets/NamedControls.h"
#include "widgets/UniStdCtrls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString AdditionItemText(int code)
{
    switch (code) {
    case 1: return QStringLiteral("逆順電話番号");
    case 2: return QStringLiteral("日付 (yyyymmdd)");
    case 3: return QStringLiteral("TEL");
    case 4: return QStringLiteral("FAX");
    case 5: return QStringLiteral("携帯1");
    case 6: return QStringLiteral("携帯2");
    case 7: return QStringLiteral("URL");
    case 9: return QStringLiteral("E-Mail1");
    case 10: return QStringLiteral("E-Mail2");
    case 19: return QStringLiteral("連絡先１");
    case 20: return QStringLiteral("連絡先２");
    case 21: return QStringLiteral("連絡先３");
    case 22: return QStringLiteral("連絡先４");
    default: return code >= 11 && code <= 18 ? KeywordNames[code - 11] : QString();
    }
}

TAdditionInfoDialog::TAdditionInfoDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AdditionInfoDialog"));
    setWindowTitle(QStringLiteral("追加情報の設定"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    gbxAddition = Named<QGroupBox>("gbxAddition", QStringLiteral("追加項目"), this);
    auto *rows = new QGridLayout(gbxAddition);
    const char *boxNames[] = {"ckbAddition1", "ckbAddition2", "ckbAddition3", "ckbAddition4"};
    const char *comboNames[] = {"cbxAddition1", "cbxAddition2", "cbxAddition3", "cbxAddition4"};
    const QString captions[] = {QStringLiteral("項目1："), QStringLiteral("項目2："), QStringLiteral("項目3："),
                                QStringLiteral("項目4：")};
    for (int row = 0; row < 4; ++row) {
        QCheckBox *box = ckbAddition[row] = Named<QCheckBox>(boxNames[row], captions[row], gbxAddition);
        QComboBox *combo = cbxAddition[row] = Named<QComboBox>(comboNames[row], gbxAddition);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMaxVisibleItems(15);
        combo->lineEdit()->setMaxLength(50);
        combo->setMinimumWidth(ScaleByDpi(200, true));
        // The row's check box cannot name it and the group's title names all four alike.
        combo->setAccessibleName(QStringLiteral("追加項目") + QString::number(row + 1));
        SetImeMode(combo, imClose);
        box->setChecked(true);
        rows->addWidget(box, row, 0);
        rows->addWidget(combo, row, 1);
        connect(box, &QCheckBox::toggled, this, [this, row] { ckbAdditionClick(row); });
        ckbAdditionClick(row);
    }

    gbxBarcode = Named<QGroupBox>("gbxBarcode", this);
    auto *barcode = new QHBoxLayout(gbxBarcode);
    ckbBarcode = Named<QCheckBox>("ckbBarcode", QStringLiteral("バーコード："), gbxBarcode);
    ckbBarcode->setChecked(true);
    lblBarSize = Named<QLabel>("lblBarSize", QStringLiteral("サイズ（ポイント）："), gbxBarcode);
    cbxBarSize = Named<QComboBox>("cbxBarSize", gbxBarcode);
    cbxBarSize->addItems({QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("11")});
    lblBarSize->setBuddy(cbxBarSize);
    barcode->addWidget(ckbBarcode);
    barcode->addStretch();
    barcode->addWidget(lblBarSize);
    barcode->addWidget(cbxBarSize);
    connect(ckbBarcode, &QCheckBox::toggled, this, [this] { ckbBarcodeClick(); });
    connect(cbxBarSize, &QComboBox::activated, this, [this](int index) {
        if (index > MaxBarSize)
            cbxBarSize->setCurrentIndex(MaxBarSize);
    });
    ckbBarcodeClick();

    auto *root = new QVBoxLayout(this);
    root->addWidget(gbxAddition);
    root->addWidget(gbxBarcode);
    auto *bevel = Named<QFrame>("Bevel1", this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    root->addWidget(bevel);
    root->addLayout(MakeOkCancelButtons(this, btnOK, btnCancel));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
}

void TAdditionInfoDialog::SetMode(uint8_t mode)
{
    Mode = mode;
    if (mode <= 3)
        setProperty("HelpContext", mode < 2 ? 119 : 120);
    if (mode < 2) {
        setWindowTitle(QStringLiteral("バーコードの設定"));
        gbxAddition->hide();
    }
}

void TAdditionInfoDialog::FillAdditionItems(uint8_t group)
{
    QList<int> codes;
    if (Mode == 2)
        codes = {1, 2};
    if (group == 1)
        codes += {3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    else if (group == 2)
        codes += {19, 20, 21, 22};
    for (QComboBox *combo : cbxAddition) {
        const QString typed = combo->currentText();
        combo->setUpdatesEnabled(false);
        combo->clear();
        for (int code : codes)
            combo->addItem(AdditionItemText(code), code);
        combo->setCurrentIndex(-1);
        combo->setEditText(typed);
        combo->setUpdatesEnabled(true);
    }
}

bool TAdditionInfoDialog::GetAdditionChecked(int row) const { return ckbAddition.at(row)->isChecked(); }

void TAdditionInfoDialog::SetAdditionChecked(int row, bool checked) { ckbAddition.at(row)->setChecked(checked); }

int TAdditionInfoDialog::GetAdditionItem(int row) const
{
    const QComboBox *combo = cbxAddition.at(row);
    const int index = combo->currentIndex();
    // Text typed over a chosen entry is free text.
    if (index < 0 || combo->itemText(index) != combo->currentText())
        return 0;
    return combo->itemData(index).toInt();
}

void TAdditionInfoDialog::SetAdditionItem(int row, int code)
{
    QComboBox *combo = cbxAddition.at(row);
    const int index = combo->findData(code);
    combo->setCurrentIndex(index);
    if (index < 0)
        combo->setEditText(QString());
}

QString TAdditionInfoDialog::GetAdditionText(int row) const
{
    return GetAdditionItem(row) != 0 ? QString() : cbxAddition.at(row)->currentText().trimmed();
}

void TAdditionInfoDialog::SetAdditionText(int row, const QString &text)
{
    QComboBox *combo = cbxAddition.at(row);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

bool TAdditionInfoDialog::GetBarcode() const { return ckbBarcode->isChecked(); }

void TAdditionInfoDialog::SetBarcode(bool on) { ckbBarcode->setChecked(on); }

uint8_t TAdditionInfoDialog::GetBarSize() const
{
    return cbxBarSize->count() == 0 || cbxBarSize->currentIndex() < 0 ? 0 : uint8_t(cbxBarSize->currentIndex());
}

void TAdditionInfoDialog::SetBarSize(uint8_t index)
{
    cbxBarSize->setCurrentIndex(index > MaxBarSize ? MaxBarSize : index & 0x7F);
}

void TAdditionInfoDialog::SetMaxBarSize(uint8_t max)
{
    if (max == MaxBarSize)
        return;
    MaxBarSize = max;
    if (cbxBarSize->currentIndex() > max)
        cbxBarSize->setCurrentIndex(max);
    for (int index = cbxBarSize->count() - 1; index > max; --index)
        cbxBarSize->removeItem(index);
}

void TAdditionInfoDialog::SetBarcodeDisabled(bool disabled)
{
    if (!disabled)
        return;
    ckbBarcode->setChecked(false);
    ckbBarcode->setEnabled(false);
    cbxBarSize->clear();
}

void TAdditionInfoDialog::ckbAdditionClick(int row)
{
    const bool on = ckbAddition[row]->isChecked();
    SetCaptionColour(ckbAddition[row], on);
    cbxAddition[row]->setEnabled(on);
    SetInputColour(cbxAddition[row], on);
}

void TAdditionInfoDialog::ckbBarcodeClick()
{
    const bool on = ckbBarcode->isChecked();
    SetCaptionColour(ckbBarcode, on);
    lblBarSize->setEnabled(on);
    cbxBarSize->setEnabled(on);
    SetInputColour(cbxBarSize, on);
}

bool TAdditionInfoDialog::eventFilter(QObject *watched, QEvent *event)
{
    const bool moves = qobject_cast<QCheckBox *>(watched) || qobject_cast<QComboBox *>(watched) ||
                       (qobject_cast<QLineEdit *>(watched) && qobject_cast<QComboBox *>(watched->parent()));
    if (moves && IsEnterKey(event))
        return MoveOnEnter(this, event);
    return QDialog::eventFilter(watched, event);
}
