#include "exchange/Info.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "widgets/NamedControls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

TInfoDialog::TInfoDialog(QWidget *owner, bool showInfo, bool checkUpdate) : QDialog(owner)
{
    setObjectName(QStringLiteral("InfoDialog"));
    setWindowTitle(QStringLiteral("お知らせ"));
    setProperty("HelpContext", 19);
    auto *layout = new QVBoxLayout(this);
    mmoInfo = Named<QTextBrowser>("mmoInfo", this);
    mmoInfo->setFocusPolicy(Qt::NoFocus);
    mmoInfo->setAccessibleName(windowTitle());
    mmoInfo->setHtml(QStringLiteral(
        "<p><b>Velmora をご利用いただきありがとうございます。</b></p>"
        "<p>アドレス帳のデータは次のフォルダーに保存されます。<br>%1</p>"
        "<p>表計算ソフトなどで作成した住所録は［ファイル］→［テキストファイルの取り込み］で取り込めます。"
        "大切なデータは［オプション］からバックアップを取っておくことをお勧めします。</p>"
        "<p>操作方法は［ヘルプ］→［操作ガイド］（F1キー）をご覧ください。</p>")
                         .arg(DataRootFolder.toHtmlEscaped()));
    layout->addWidget(mmoInfo, 1);
    ckbInfo = Named<QCheckBox>("ckbInfo", QStringLiteral("次回もこのメッセージを表示する"), this);
    ckbUpdate = Named<QCheckBox>("ckbUpdate", QStringLiteral("起動時に最新アップデートの確認をする"), this);
    ckbInfo->setChecked(showInfo);
    ckbUpdate->setChecked(checkUpdate);
    layout->addWidget(ckbInfo);
    layout->addWidget(ckbUpdate);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = Named<QPushButton>("btnOk", QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    buttons->addWidget(btnOk);
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    resize(ScaleByDpi(460, true), ScaleByDpi(300, true));
}

bool TInfoDialog::GetShowInfo() const { return ckbInfo->isChecked(); }
bool TInfoDialog::GetCheckUpdate() const { return ckbUpdate->isChecked(); }
