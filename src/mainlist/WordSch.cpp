#include "mainlist/WordSch.h"

#include "base/TextUtils.h"
#include "core/SharedHelpers.h"
#include "widgets/NamedControls.h"
#include "widgets/UniStdCtrls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TWordSearch::TWordSearch(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("WordSearch"));
    setWindowTitle(QStringLiteral("一覧内のワード検索"));
    setProperty("HelpContext", 12);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblMsg1 = Named<QLabel>("lblMsg1", QStringLiteral("表示しているアドレス帳一覧の内容を、指定した文字列で検索します"),
                            this);
    lblMsg2 = Named<QLabel>("lblMsg2", QStringLiteral("該当する文字列のある行が見つかれば、その行に移動します"), this);
    lblMsg3 = Named<QLabel>("lblMsg3", QStringLiteral("※アドレス帳の件数が多い場合、検索に時間がかかる場合があります"),
                            this);
    QPalette notePalette = lblMsg3->palette();
    notePalette.setColor(QPalette::WindowText, QColor(0x80, 0, 0));
    lblMsg3->setPalette(notePalette);

    edtWord = Named<TUniEdit>("edtWord", this);
    edtWord->setAccessibleName(QStringLiteral("検索する文字列"));
    SetImeMode(edtWord, imHira);
    QFont wordFont = edtWord->font();
    wordFont.setPixelSize(15);
    edtWord->setFont(wordFont);
    edtWord->installEventFilter(this);

    btnSearch = Named<QPushButton>("btnSearch", QStringLiteral("検索"), this);
    btnClear = Named<QPushButton>("btnClear", QStringLiteral("検索の解除"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMsg1);
    layout->addWidget(lblMsg2);
    layout->addWidget(edtWord);
    layout->addWidget(lblMsg3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSearch);
    buttons->addWidget(btnClear);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(edtWord, btnSearch);
    setTabOrder(btnSearch, btnClear);
    setTabOrder(btnClear, btnCancel);

    connect(btnSearch, &QPushButton::clicked, this, &TWordSearch::btnSearchClick);
    connect(btnClear, &QPushButton::clicked, this, &TWordSearch::btnClearClick);
    connect(btnCancel, &QPushButton::clicked, this, &TWordSearch::btnCancelClick);
    edtWord->setFocus();
}

void TWordSearch::SetWord(const QString &word)
{
    edtWord->SetText(word);
    edtWord->SelectAll();  // leaves the caret after the last character
}

QString TWordSearch::GetWord() const { return TrimBlanks(edtWord->GetText()); }

void TWordSearch::btnSearchClick() { accept(); }

void TWordSearch::btnClearClick()
{
    edtWord->clear();
    accept();
}

void TWordSearch::btnCancelClick() { reject(); }

bool TWordSearch::eventFilter(QObject *watched, QEvent *event)
{
    // Enter only leads to the search button, so a half-typed word is not searched by accident.
    if (watched == edtWord && IsEnterKey(event)) {
        btnSearch->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
