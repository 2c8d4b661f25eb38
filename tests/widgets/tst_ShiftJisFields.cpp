// A field kept in Shift-JIS shows what is stored: a character the converter writes as a look-alike is put in
// that form as it arrives and told, however it arrives; a password field tells a refusal without the character.
#include "Accessibility.h"
#include "base/SjisCodec.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

class ShiftJisFields : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallTypedTextAccessibility();
        window.resize(400, 160);
        edit = new QLineEdit(&window);
        edit->setGeometry(10, 10, 300, 28);
        memo = new QPlainTextEdit(&window);
        memo->setGeometry(10, 50, 300, 100);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
    }

    QWidget window;
    QLineEdit *edit = nullptr;
    QPlainTextEdit *memo = nullptr;
};

void typeText(QWidget *field, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(field, &press);
}

void commitText(QWidget *field, const QString &text)
{
    QInputMethodEvent preedit(text, {});
    QApplication::sendEvent(field, &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(field, &commit);
}

// Characters Shift-JIS has no code of its own for and writes as another, with the one it keeps.
const QList<std::pair<QChar, QChar>> &lookAlikes()
{
    static const QList<std::pair<QChar, QChar>> pairs = {
        {u'剝', u'剥'}, {u'鷗', u'鴎'}, {u'〜', u'～'}, {u'‖', u'∥'}, {u'−', u'－'}, {u'—', u'―'}, {u'¥', u'￥'}};
    return pairs;
}

}  // namespace

TEST_F(ShiftJisFields, ALookAlikeIsShownAsStoredAndToldHoweverItArrives)
{
    edit->setValidator(new TShiftJisValidator(100, edit));
    const QList<std::pair<const char *, std::function<void(const QString &)>>> ways = {
        {"typed", [&](const QString &t) { typeText(edit, t); }},
        {"committed by the input method", [&](const QString &t) { commitText(edit, t); }},
        {"pasted",
         [&](const QString &t) {
             QApplication::clipboard()->setText(t);
             edit->paste();
         }},
        {"set over the bus", [&](const QString &t) { ASSERT_TRUE(test::setTextOnTheBus(edit, t)); }},
    };
    for (const auto &[given, kept] : lookAlikes())
        for (const auto &[how, enter] : ways) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(given).arg(QLatin1String(how)).toStdString());
            edit->clear();
            edit->setFocus();
            test::forgetToolTip();
            enter(QStringLiteral("千代田区%1町１－２").arg(given));
            EXPECT_EQ(edit->text(), QStringLiteral("千代田区%1町１－２").arg(kept));
            EXPECT_EQ(Sjis::decode(Sjis::encode(edit->text())), edit->text()) << "the field shows what is not stored";
            EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("「%1」は「%2」として入力しました").arg(given).arg(kept)))
                << QToolTip::text().toStdString();
        }

    // A text the program sets, or a screen reader sets without typing, is shown as it will be kept too.
    edit->setText(QStringLiteral("剝製の鷗"));
    EXPECT_EQ(edit->text(), QStringLiteral("剥製の鴎"));

    // A character with no Shift-JIS code at all is refused, as before.
    edit->clear();
    test::forgetToolTip();
    commitText(edit, QStringLiteral("𩸽"));
    EXPECT_EQ(edit->text(), QString());
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("「𩸽」は入力できない文字です"))) << QToolTip::text().toStdString();
}

TEST_F(ShiftJisFields, AMultiLineFieldShowsTheLookAlikeItStores)
{
    LimitToShiftJis(memo);
    memo->setFocus();
    test::forgetToolTip();
    commitText(memo, QStringLiteral("森鷗外\n剝離〜"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("森鴎外\n剥離～"));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("「剝」は「剥」として入力しました"))) << QToolTip::text().toStdString();
    memo->insertPlainText(QStringLiteral("−"));
    EXPECT_TRUE(memo->toPlainText().endsWith(u'－'));
}

TEST_F(ShiftJisFields, APasswordFieldTellsARefusalWithoutShowingTheCharacter)
{
    edit->setEchoMode(QLineEdit::Password);
    SetImeMode(edit, imDisable);
    edit->setFocus();
    test::forgetToolTip();
    for (const QString &key : QStringList{u"s"_s, u"e"_s, u"c"_s, u"r"_s, u"é"_s, u"t"_s})
        typeText(edit, key);
    EXPECT_EQ(edit->text(), QStringLiteral("secrt"));
    const QString tip = QToolTip::text();
    EXPECT_TRUE(tip.contains(QStringLiteral("入力できない文字"))) << tip.toStdString();
    EXPECT_FALSE(tip.contains(u'é')) << tip.toStdString();

    test::forgetToolTip();
    commitText(edit, QStringLiteral("¥"));
    EXPECT_FALSE(QToolTip::text().contains(u'¥')) << QToolTip::text().toStdString();
    EXPECT_FALSE(QToolTip::text().contains(u'￥')) << QToolTip::text().toStdString();
}

// A closed field takes no input method from its first focus on, and one that keeps Shift-JIS makes what an input
// method commits full width half-width, as a disabled one does; another mode given later takes both back.
TEST_F(ShiftJisFields, AClosedFieldTakesNoInputMethodAndKeepsHalfWidth)
{
    const auto imEnabled = [](QWidget *w) {
        QInputMethodQueryEvent asked(Qt::ImEnabled);
        QApplication::sendEvent(w, &asked);
        return asked.value(Qt::ImEnabled).toBool();
    };
    auto *combo = new QComboBox(&window);
    combo->setEditable(true);
    combo->lineEdit()->setValidator(new TShiftJisValidator(100, combo));
    auto *layoutText = new QComboBox(&window);
    layoutText->setEditable(true);
    for (QWidget *w : {static_cast<QWidget *>(combo), static_cast<QWidget *>(layoutText)}) {
        w->setGeometry(10, 110, 300, 28);
        w->show();
    }
    edit->setValidator(new TShiftJisValidator(64, edit));

    const QString full = QStringLiteral("ｔａｒｏ．ｙａｍａｄａ＠ｅｘａｍｐｌｅ。ｃｏｍ");
    const QString half = QStringLiteral("taro.yamada@example.com");
    for (QWidget *w : {static_cast<QWidget *>(edit), static_cast<QWidget *>(combo)}) {
        SCOPED_TRACE(w->metaObject()->className());
        QLineEdit *line = qobject_cast<QLineEdit *>(w) ? edit : combo->lineEdit();
        SetImeMode(w, imClose);
        memo->setFocus();
        w->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->hasFocus(); }));
        EXPECT_FALSE(imEnabled(w));
        EXPECT_FALSE(w->testAttribute(Qt::WA_InputMethodEnabled));
        line->clear();
        commitText(w, full);
        EXPECT_EQ(line->text(), half);

        SetImeMode(w, imHira);
        EXPECT_TRUE(imEnabled(w));
        line->clear();
        commitText(w, full);
        EXPECT_EQ(line->text(), full);
    }

    // The input method's own key opens a closed field until the focus leaves it, as the user switches it on; a
    // disabled field stays shut.
    SetImeMode(edit, imClose);
    memo->setFocus();
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    const auto pressInputMethodKey = [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Zenkaku_Hankaku, Qt::NoModifier);
        QApplication::sendEvent(edit, &press);
    };
    pressInputMethodKey();
    EXPECT_TRUE(imEnabled(edit));
    memo->setFocus();
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    EXPECT_FALSE(imEnabled(edit));
    SetImeMode(edit, imDisable);
    pressInputMethodKey();
    EXPECT_FALSE(imEnabled(edit));

    // A combo box whose text is a layout's own (any character) is closed, and keeps what arrives as it is.
    SetImeMode(layoutText, imClose);
    layoutText->setFocus();
    EXPECT_FALSE(imEnabled(layoutText));
    commitText(layoutText, QStringLiteral("ＴＥＬ𠮷"));
    EXPECT_EQ(layoutText->currentText(), QStringLiteral("ＴＥＬ𠮷"));
}
