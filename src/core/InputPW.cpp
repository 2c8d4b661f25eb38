#include "core/InputPW.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/UniStdCtrls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TStartupPassword DescrambleStartupPassword(const QString &stored)
{
    TStartupPassword result;
    if (stored.isEmpty())
        return result;
    // The entry field takes 16 characters, so a sound value is exactly 16 groups; anything else would
    // be read past its end or give a password nobody can type.
    static const QString hex = QStringLiteral("0123456789ABCDEFabcdef");
    if (stored.size() != 64 || std::any_of(stored.begin(), stored.end(), [](QChar c) { return !hex.contains(c); })) {
        result.Malformed = true;
        return result;
    }
    const int n = stored.size() / 4;
    QByteArray password;
    for (int k = 0; k < n; ++k) {
        const int g = (k % 8) * 2 + k / 8;
        const QString group = stored.mid(g * 4, 4);
        QByteArray pair;
        pair.append(static_cast<char>(group.mid(2, 2).toInt(nullptr, 16)));
        pair.append(static_cast<char>(group.mid(0, 2).toInt(nullptr, 16)));
        const QByteArray half = ToHalfWidth(pair);
        if (half == "+" || half == "-" || half == "*" || half == "/")
            continue;
        password += half;
    }
    result.Password = Sjis::decode(password);
    return result;
}

TInputPassword::TInputPassword(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("InputPassword"));
    setWindowTitle(QStringLiteral("起動時パスワードの入力"));
    setProperty("HelpContext", 1);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblMsg1 = Named<QLabel>("lblMsg1", AppTitle, this);
    lblMsg2 = Named<QLabel>("lblMsg2", QStringLiteral("を起動するためのパスワードを入力してください"), this);
    medtPassword = Named<QLineEdit>("medtPassword", this);
    medtPassword->setAccessibleName(QStringLiteral("パスワード"));
    medtPassword->setMaxLength(16);
    medtPassword->setEchoMode(QLineEdit::Password);
    SetImeMode(medtPassword, imDisable);
    QHBoxLayout *buttons = MakeOkCancelButtons(this, btnOk, btnCancel);
    btnOk->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    auto *message = new QHBoxLayout;
    message->addWidget(lblMsg1);
    message->addWidget(lblMsg2);
    message->addStretch();
    layout->addLayout(message);
    layout->addWidget(medtPassword);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOk, &QPushButton::clicked, this, &TInputPassword::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TInputPassword::btnCancelClick);
    medtPassword->setFocus();
}

void TInputPassword::btnOkClick()
{
    if (medtPassword->text().isEmpty()) {
        ShowMessageBoxAt(this, QStringLiteral("パスワードを入力してください  "), AppTitle, MB_ICONINFORMATION);
        medtPassword->setFocus();
        return;
    }
    const TStartupPassword expected = DescrambleStartupPassword(StartupPassword);
    if (expected.Malformed || medtPassword->text() != expected.Password) {
        ShowMessageBoxAt(this, QStringLiteral("パスワードが違います  \r\n正しいパスワードを入力してください  "),
                         AppTitle, MB_ICONINFORMATION);
        medtPassword->clear();
        medtPassword->setFocus();
        return;
    }
    accept();
}

void TInputPassword::btnCancelClick() { reject(); }

bool TInputPassword::FormCloseQuery()
{
    return ShowMessageBoxAt(this, QStringLiteral("Velmora の起動を中止します  \r\nよろしいですか？  "), AppTitle,
                            MB_ICONQUESTION | MB_YESNO)
        != IDNO;
}

// Cancel, Esc and the close box all end here; only a confirmed question lets the dialog go.
void TInputPassword::reject()
{
    if (FormCloseQuery())
        QDialog::reject();
}
