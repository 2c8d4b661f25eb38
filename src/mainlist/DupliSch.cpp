#include "mainlist/DupliSch.h"

#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/UniStdCtrls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

const std::array<QString, DuplicateItemCount> DuplicateItemNames{
    QStringLiteral("電話番号"), QStringLiteral("住所"), QStringLiteral("会社名"), QStringLiteral("名前")};

TDuplicateSearch::TDuplicateSearch(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("DuplicateSearch"));
    setWindowTitle(QStringLiteral("重複データの表示"));
    setProperty("HelpContext", 50);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblMsg1 = Named<QLabel>("lblMsg1", QStringLiteral("指定した項目が重複しているデータのみを表示します"), this);
    lblMsg2 = Named<QLabel>(
        "lblMsg2", QStringLiteral("項目を２つ指定した場合、両方の項目内容が重複しているデータが対象になります"), this);
    lblMsg3 = Named<QLabel>(
        "lblMsg3", QStringLiteral("※指定した項目内容が空白（２つ指定した場合両方空白）のデータは表示されません"), this);
    lblMsg4 = Named<QLabel>(
        "lblMsg4", QStringLiteral("※重複データを表示している間、アドレス帳一覧画面の並び順の指定は無効になります"), this);
    QPalette notePalette = lblMsg4->palette();
    notePalette.setColor(QPalette::WindowText, QColor(0x80, 0, 0));
    lblMsg4->setPalette(notePalette);
    lblItem1 = Named<QLabel>("lblItem1", QStringLiteral("項目１："), this);
    lblItem2 = Named<QLabel>("lblItem2", QStringLiteral("項目２："), this);

    cbxItem1 = Named<TUniComboBox>("cbxItem1", this);
    cbxItem2 = Named<TUniComboBox>("cbxItem2", this);
    for (TUniComboBox *list : {cbxItem1, cbxItem2}) {
        SetImeMode(list, imClose);
        list->installEventFilter(this);
    }
    for (int n = 1; n <= DuplicateItemCount; ++n) {
        cbxItem1->AddObject(DuplicateItemNames[n - 1], n);
        cbxItem2->AddObject(DuplicateItemNames[n - 1], n);
    }
    cbxItem2->InsertObject(0, QStringLiteral("（指定しない）"), 0);
    cbxItem1->SetItemIndex(0);
    cbxItem2->SetItemIndex(0);
    lblItem1->setBuddy(cbxItem1);
    lblItem2->setBuddy(cbxItem2);

    btnView = Named<QPushButton>("btnView", QStringLiteral("表示"), this);
    btnClear = Named<QPushButton>("btnClear", QStringLiteral("重複データ表示の解除"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMsg1);
    layout->addWidget(lblMsg2);
    auto *items = new QGridLayout;
    items->addWidget(lblItem1, 0, 0);
    items->addWidget(cbxItem1, 0, 1);
    items->addWidget(lblItem2, 1, 0);
    items->addWidget(cbxItem2, 1, 1);
    items->setColumnStretch(2, 1);
    layout->addLayout(items);
    layout->addWidget(lblMsg3);
    layout->addWidget(lblMsg4);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnView);
    buttons->addWidget(btnClear);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(cbxItem1, cbxItem2);
    setTabOrder(cbxItem2, btnView);
    setTabOrder(btnView, btnClear);
    setTabOrder(btnClear, btnCancel);

    connect(btnView, &QPushButton::clicked, this, &TDuplicateSearch::btnViewClick);
    connect(btnClear, &QPushButton::clicked, this, &TDuplicateSearch::btnClearClick);
    connect(btnCancel, &QPushButton::clicked, this, &TDuplicateSearch::btnCancelClick);
    cbxItem1->setFocus();
    Cleared = false;
}

void TDuplicateSearch::SetItems(int item1, int item2)
{
    GivenItem1 = item1;
    GivenItem2 = item2;
    const bool shown = item1 != 0;
    cbxItem1->SetItemIndex(shown ? item1 - 1 : 0);
    cbxItem2->SetItemIndex(shown ? item2 : 0);
    btnClear->setEnabled(shown);
}

void TDuplicateSearch::GetItems(int &item1, int &item2) const
{
    if (Cleared) {
        item1 = 0;
        item2 = 0;
        return;
    }
    item1 = cbxItem1->ItemIndex() + 1;
    item2 = cbxItem2->ItemIndex();
}

void TDuplicateSearch::btnViewClick()
{
    if (cbxItem1->ItemIndex() == cbxItem2->ItemIndex() - 1) {
        ShowMessageBoxAt(this, QStringLiteral("同じ項目を指定できません  "), AppTitle, MB_ICONINFORMATION);
        cbxItem2->setFocus();
        return;
    }
    int item1 = 0, item2 = 0;
    GetItems(item1, item2);
    // An unchanged choice ends as a cancel, so the main list does not rebuild the same display.
    if (item1 != GivenItem1 || item2 != GivenItem2)
        accept();
    else
        reject();
}

void TDuplicateSearch::btnClearClick()
{
    Cleared = true;
    accept();
}

void TDuplicateSearch::btnCancelClick() { reject(); }

bool TDuplicateSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        if (watched == cbxItem1) {
            cbxItem2->setFocus();
            return true;
        }
        if (watched == cbxItem2) {
            btnView->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
