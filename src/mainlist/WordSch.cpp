#include "mainlist/WordSch.h"

#include "core/SharedHelpers.h"
#include "core/TextUtils.h"
#include "widgets/UniStdCtrls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TWordSearch::TWordSearch(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("WordSearch"));
    setWindowTitle(QStringLiteral("一覧内のワード検索"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    lblMsg1 = label("lblMsg1", QStringLiteral("表示しているアドレス帳一覧の内容を、指定した文字列で検索します"));
    lblMsg2 = label("lblMsg2", QStringLiteral("該当する文字列のある行が見つかれば、その行に移動します"));
    lblMsg3 = label("lblMsg3", QStringLiteral("※アドレス帳の件数が多い場合、検索に時間がかかる場合があります"));
    QPalette notePalette = lblMsg3->palette();
    notePalette.setColor(QPalette::WindowText, QColor(0x80, 0, 0));
    lblMsg3->setPalette(notePalette);

    edtWord = new TUniEdit(this);
    edtWord->setObjectName(QStringLiteral("edtWord"));
    SetImeMode(edtWord, imHira);
    QFont wordFont = edtWord->font();
    wordFont.setPixelSize(15);
    edtWord->setFont(wordFont);
    edtWord->installEventFilter(this);

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    btnSearch = button("btnSearch", QStringLiteral("検索"));
    btnClear = button("btnClear", QStringLiteral("検索の解除"));
    btnCancel = button("btnCancel", QStringLiteral("キャンセル"));

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
