#include "directory/OrgEdit.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/NameLists.h"
#include "directory/TgtExcpt.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>

namespace {

constexpr int itemBytes = 60;

}  // namespace

TOriginalEdit::TOriginalEdit(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("OriginalEdit"));
    setWindowTitle(QStringLiteral("項目の作成"));
    setProperty("HelpContext", 23);
    auto *grid = new QGridLayout(this);
    auto *itemLabel = new QLabel(QStringLiteral("項目名："), this);
    edtItem = Named<QLineEdit>("edtItem", this);
    edtItem->setValidator(new TShiftJisValidator(itemBytes, edtItem));
    SetImeMode(edtItem, imHira);
    itemLabel->setBuddy(edtItem);
    auto *listLabel = new QLabel(QStringLiteral("登録済み項目一覧："), this);
    lbxList = Named<QListWidget>("lbxList", this);
    lbxList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    SetViewLabel(listLabel, lbxList);
    btnAdd = Named<QPushButton>("btnAdd", QStringLiteral("登録"), this);
    btnDelete = Named<QPushButton>("btnDelete", QStringLiteral("削除"), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    btnAdd->setAutoDefault(false);
    btnDelete->setAutoDefault(false);
    btnClose->setAutoDefault(false);
    grid->addWidget(itemLabel, 0, 0);
    grid->addWidget(edtItem, 1, 0);
    grid->addWidget(btnAdd, 1, 1);
    grid->addWidget(listLabel, 2, 0);
    grid->addWidget(lbxList, 3, 0, 2, 1);
    grid->addWidget(btnDelete, 3, 1, Qt::AlignTop);
    grid->addWidget(btnClose, 4, 1, Qt::AlignBottom);
    resize(ScaleByDpi(380, true), ScaleByDpi(320, true));
    connect(btnAdd, &QPushButton::clicked, this, &TOriginalEdit::btnAddClick);
    connect(btnDelete, &QPushButton::clicked, this, &TOriginalEdit::btnDeleteClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    edtItem->installEventFilter(this);
    lbxList->installEventFilter(this);
}

void TOriginalEdit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        LoadItems();
}

void TOriginalEdit::LoadItems()
{
    const int focused = lbxList->currentRow();
    lbxList->clear();
    if (DMMirvale18 && DMMirvale18->OriginalTable && DMMirvale18->OriginalTable->Active()) {
        try {
            for (const TNameRow &row : CategoryRows(*DMMirvale18->OriginalTable, FCategory, true))
                if (row.Flag == FFlag)
                    lbxList->addItem(Sjis::decode(row.Name));
        } catch (const EDatabaseError &e) {
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        }
    }
    btnDelete->setEnabled(lbxList->count() > 0);
    if (lbxList->count() > 0) {
        lbxList->setCurrentRow(std::clamp(focused, 0, lbxList->count() - 1));
        lbxList->currentItem()->setSelected(true);
    }
}

void TOriginalEdit::refuse(const QString &text, bool caretToEnd)
{
    ShowMessageBoxAt(this, text, AppTitle, MB_ICONINFORMATION);
    edtItem->setFocus();
    if (caretToEnd)
        edtItem->end(false);
}

void TOriginalEdit::btnAddClick()
{
    const QByteArray name = Sjis::encode(edtItem->text().trimmed());
    if (name.isEmpty()) {
        refuse(QStringLiteral("登録したい項目名を入力してください  "), false);
        return;
    }
    if (name == FCategory) {
        refuse(QStringLiteral("検索名称自体を登録することはできません  "), true);
        return;
    }
    if (!DMMirvale18 || !DMMirvale18->OriginalTable)
        return;
    TTable &shipped = FFlag == 0 ? *DMMirvale18->TargetTable : *DMMirvale18->ExceptionTable;
    TTable &own = *DMMirvale18->OriginalTable;
    try {
        const std::vector<TNameRow> shippedRows = CategoryRows(shipped, FCategory, false);
        if (std::any_of(shippedRows.begin(), shippedRows.end(), [&](const TNameRow &r) { return r.Name == name; })) {
            refuse(FFlag == 0 ? QStringLiteral("既に同じ項目が対象項目に登録されています  ")
                              : QStringLiteral("既に同じ項目が除外項目に登録されています  "),
                   true);
            return;
        }
        const std::vector<TNameRow> ownRows = CategoryRows(own, FCategory, true);
        if (std::any_of(ownRows.begin(), ownRows.end(), [&](const TNameRow &r) { return r.Name == name && r.Flag == FFlag; })) {
            refuse(QStringLiteral("既に同じ項目が登録されています  "), true);
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        const int32_t recNo = NextRecNo(own);
        own.Append();
        own.FieldByName(QStringLiteral("RecNo")).SetAsInteger(recNo);
        own.FieldByName(QStringLiteral("Name")).SetAsString(name);
        own.FieldByName(QStringLiteral("Category")).SetAsString(FCategory);
        own.FieldByName(QStringLiteral("CategoryKana")).SetAsString({});
        own.FieldByName(QStringLiteral("Flag")).SetAsInteger(FFlag);
        own.FieldByName(QStringLiteral("Show")).SetAsBoolean(true);
        try {
            own.Post();
        } catch (const EDatabaseError &) {
            own.Cancel();
        }
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        return;
    }
    FChanged = true;
    edtItem->clear();
    LoadItems();
}

void TOriginalEdit::btnDeleteClick()
{
    const QList<QListWidgetItem *> selected = lbxList->selectedItems();
    if (!lbxList->currentItem() || selected.isEmpty())
        return;
    const QString question = QString::number(selected.size()) + QStringLiteral("件の項目を削除します  ") + QStringLiteral("\r\n")
                             + QStringLiteral("よろしいですか？  ");
    if (ShowMessageBoxAt(this, question, AppTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int deleted = 0;
    TTable &own = *DMMirvale18->OriginalTable;
    for (int row = lbxList->count() - 1; row >= 0 && deleted < selected.size(); --row) {
        if (!lbxList->item(row)->isSelected())
            continue;
        const QByteArray name = Sjis::encode(lbxList->item(row)->text());
        try {
            const std::vector<TNameRow> rows = CategoryRows(own, FCategory, true);
            const auto found = std::find_if(rows.begin(), rows.end(),
                                            [&](const TNameRow &r) { return r.Name == name && r.Flag == FFlag; });
            if (found == rows.end())
                continue;
            if (TargetException)
                TargetException->RemoveName(FFlag == 0 ? TTargetException::groupTarget : TTargetException::groupException, name);
            own.SetIndexName({});
            if (!own.FindKey({found->RecNo}))
                continue;
            own.Delete();
            ++deleted;
        } catch (const EDatabaseError &) {
            own.Cancel();
        }
    }
    QApplication::restoreOverrideCursor();
    if (deleted > 0) {
        FChanged = true;
        LoadItems();
    }
    if (lbxList->count() == 0) {
        btnClose->setFocus();
    } else {
        edtItem->setFocus();
        edtItem->end(false);
    }
}

bool TOriginalEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        if (watched == edtItem && !edtItem->text().trimmed().isEmpty())
            btnAddClick();
        else
            btnClose->setFocus();
        return true;
    }
    if (event->type() == QEvent::FocusOut && watched == edtItem) {
        const QByteArray text = Sjis::encode(edtItem->text());
        if (text.size() > itemBytes)
            edtItem->setText(Sjis::decode(CopyLeftMbcs(text, itemBytes)));
    }
    return QDialog::eventFilter(watched, event);
}
