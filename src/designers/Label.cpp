#include "designers/Label.h"

#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "drawing/BarcodeRect.h"
#include "mainlist/AdrsList.h"
#include "platform/Forms.h"
#include "platform/SingleInstance.h"
#include "widgets/NamedControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TLabelForm::TLabelForm(QWidget *owner, bool cardMode) : TLayoutForm(owner, cardMode ? CardDocument : LabelDocument)
{
}

bool TLabelForm::ChoosePaper(TPaperChoice &choice, bool change)
{
    TLabelPaperDialog dialog(this, IsCardMode() ? 3 : 2);
    if (change)
        dialog.setWindowTitle(QStringLiteral("用紙の変更"));
    CenterFormOnOwner(&dialog, this);
    if (DocumentOpen)
        dialog.SelectFormatByNumber(FormatNumber);
    return ExecDialog(dialog) == QDialog::Accepted && dialog.GetChoice(choice);
}

// ---- The paper choice ----

TLabelPaperDialog::TLabelPaperDialog(QWidget *owner, uint8_t paperKind) : QDialog(owner)
{
    setObjectName(QStringLiteral("LabelPaperDialog"));
    setWindowTitle(QStringLiteral("用紙の選択"));
    // The label and card papers are chosen as the new-document dialog chooses the others; its page covers both.
    setProperty("HelpContext", 83);
    auto *layout = new QVBoxLayout(this);
    auto *paperLabel = new QLabel(paperKind == 3 ? QStringLiteral("名刺用紙") : QStringLiteral("ラベル用紙"), this);
    layout->addWidget(paperLabel);
    lbPaper = Named<QListWidget>("lbPaper", this);
    SetViewLabel(paperLabel, lbPaper);
    lbPaper->setMinimumSize(ScaleByDpi(360, true), ScaleByDpi(180, true));
    layout->addWidget(lbPaper);
    const auto add = [this](const QString &name, int number) {
        auto *item = new QListWidgetItem(name, lbPaper);
        item->setData(Qt::UserRole, number);
    };
    Master.Load(AppFolder + QStringLiteral("Common/Lyt.fmt"));
    for (size_t i = 0; i < Master.Formats.size(); ++i)
        if (Master.Formats[i].Kind == paperKind)
            add(Sjis::decode(Master.Formats[i].Name), int(i));
    Custom.Load(DataRootFolder + QStringLiteral("CstmL.fmt"));
    for (const TCustomPaperRecord &record : Custom.Records)
        if (record.Format.Kind == paperKind && record.Id <= uint32_t(INT32_MAX))
            add(Sjis::decode(record.Format.Category) + QStringLiteral("：") + Sjis::decode(record.Format.Name),
                -int(record.Id));
    if (lbPaper->count() > 0)
        lbPaper->setCurrentRow(0);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    auto *btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    btnOK->setDefault(true);
    btnOK->setEnabled(lbPaper->count() > 0);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbPaper, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TLabelPaperDialog::SelectFormatByNumber(int number)
{
    for (int row = 0; row < lbPaper->count(); ++row)
        if (lbPaper->item(row)->data(Qt::UserRole).toInt() == number)
            lbPaper->setCurrentRow(row);
}

bool TLabelPaperDialog::GetChoice(TLayoutForm::TPaperChoice &choice) const
{
    const QListWidgetItem *item = lbPaper->currentItem();
    if (!item)
        return false;
    const int number = item->data(Qt::UserRole).toInt();
    choice = {};
    choice.Number = number;
    if (number >= 0) {
        choice.Paper = Master.Formats[size_t(number)];
        choice.Sheet = Master.SheetOf(choice.Paper);
    } else {
        const TCustomPaperRecord *record = Custom.FindId(uint32_t(-int64_t(number)));
        if (!record)
            return false;
        choice.Paper = record->Format;
        choice.Sheet = Custom.SheetOf(choice.Paper);
    }
    choice.NoBarcode = !FitBarcodeSize(choice.Paper.Direction != 0 ? choice.Paper.Width : choice.Paper.Height,
                                       choice.BarSize);
    return true;
}

void RegisterLabelForm()
{
    ShowLabelForm = [](TAddressList *owner, bool cardMode) {
        auto *form = dynamic_cast<TLabelForm *>(LabelForm);
        if (!form) {
            form = new TLabelForm(owner, cardMode);
            LabelForm = form;
        }
        ForceForegroundWindow(form);
    };
}
