// The stored start-up password and the dialog that asks for it.
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "core/InputPW.h"

#include "TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Stores a password the way the installer does: each character full-width, 16 groups padded with
// filler, groups shuffled, the two bytes of each group swapped.
QString scramble(const QString &password, QChar filler = QChar(0xFF0B) /* ＋ */)
{
    QString full;
    for (QChar c : password)
        full += QChar(c.unicode() - 0x20 + 0xFF00);
    while (full.size() < 16)
        full += filler;
    QString groups[16];
    for (int k = 0; k < 16; ++k) {
        const QByteArray pair = Sjis::encode(full.mid(k, 1));
        const int g = (k % 8) * 2 + k / 8;
        groups[g] = QString::asprintf("%02X%02X", static_cast<unsigned char>(pair[1]), static_cast<unsigned char>(pair[0]));
    }
    QString stored;
    for (const QString &g : groups)
        stored += g;
    return stored;
}

}  // namespace

TEST(StartupPassword, DescramblesShuffledGroupsAndDropsFiller)
{
    EXPECT_EQ(DescrambleStartupPassword(scramble("Ab3de")).Password, "Ab3de");
    EXPECT_EQ(DescrambleStartupPassword(scramble("pass-")).Password, "pass");  // "-" is filler, not password
    EXPECT_EQ(DescrambleStartupPassword(scramble("x", QChar(0xFF0F) /* ／ */)).Password, "x");
    EXPECT_EQ(DescrambleStartupPassword(scramble("0123456789abcdef")).Password, "0123456789abcdef");
    EXPECT_FALSE(DescrambleStartupPassword(QString()).Required());
    EXPECT_FALSE(DescrambleStartupPassword(scramble("")).Required());  // all filler: no password
}

TEST(StartupPassword, MalformedStoredValueStillAsksAndAcceptsNothing)
{
    for (const QString &stored : {QString("82A0"), scramble("abc") + "00", QString(64, 'G'), scramble("abc").left(63) + "Z"}) {
        const TStartupPassword p = DescrambleStartupPassword(stored);
        EXPECT_TRUE(p.Malformed) << stored.toStdString();
        EXPECT_TRUE(p.Required());
        EXPECT_TRUE(p.Password.isEmpty());
    }
}

TEST(InputPassword, AcceptsOnlyTheExactPassword)
{
    test::MessageBoxScript boxes;
    StartupPassword = scramble("Secret");
    TInputPassword dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("起動時パスワードの入力"));
    EXPECT_EQ(dialog.lblMsg1->text(), "Velmora");
    EXPECT_EQ(dialog.medtPassword->maxLength(), 16);

    dialog.btnOkClick();
    dialog.medtPassword->setText("secret");
    dialog.btnOkClick();
    EXPECT_TRUE(dialog.medtPassword->text().isEmpty());
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("パスワードを入力してください  "),
                                          QStringLiteral("パスワードが違います  \r\n正しいパスワードを入力してください  ")}));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.medtPassword->setText("Secret");
    dialog.btnOkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    StartupPassword.clear();
}

TEST(InputPassword, CancelAsksAndNoKeepsTheDialog)
{
    test::MessageBoxScript boxes;
    StartupPassword = scramble("pw");
    TInputPassword dialog(nullptr);
    boxes.answer(IDNO);
    boxes.answer(IDYES);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.btnCancel->click();  // No: stays open
        EXPECT_TRUE(dialog.isVisible());
        dialog.close();             // the close box asks too; Yes ends it
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("Velmora の起動を中止します  \r\nよろしいですか？  "));
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONQUESTION | MB_YESNO);
    StartupPassword.clear();
}
