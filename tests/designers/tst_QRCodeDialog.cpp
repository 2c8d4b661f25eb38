// The QR-code settings dialog over a real "Sender.DB": the object shown, the edits applied to the preview
// only, emptied edits emptying their slots, the size edit's limits, a sender taken over, and the window's
// remembered size.
#include "designers/QRCode.h"

#include "Accessibility.h"
#include "SenderRows.h"
#include "TestBook.h"
#include "ObjectTestSupport.h"
#include "TestSupport.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "designers/SenderRecord.h"
#include "geo/UniNMDic.h"
#include "records/UniNMDEdit.h"
#include "widgets/ShiftJisValidator.h"
#include "platform/MemIniFile.h"

#include <QApplication>
#include <QBuffer>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(QStringView text) { return Sjis::encode(text); }

class QRCodeDialogTest : public ::testing::Test {
protected:
    void SetUp() override { book.Open(QStringLiteral("Book")); }
    TQRCodeSettingDialog &open(const TQRCodeRect &source)
    {
        dialog = std::make_unique<TQRCodeSettingDialog>(nullptr);
        dialog->ResetPreview(source);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return *dialog;
    }
    template <class T> T *control(const char *name)
    {
        T *c = dialog->findChild<T *>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }
    void type(const char *edit, const QString &text) { control<QLineEdit>(edit)->setText(text); }
    void leave(const char *name)
    {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(control<QLineEdit>(name), &out);
    }
    test::TestBook book;
    std::unique_ptr<TQRCodeSettingDialog> dialog;
};

TQRCodeRect &entry(TQRCodeRect &code)
{
    code.SetKind(TQRCodeRect::Memory);
    code.SetName(sjis(u"山田太郎"));
    code.SetTel(0, "0311112222");
    code.SetTel(1, "09033334444");
    code.SetMail(0, "taro@example.jp");
    code.SetMail(1, "yamada@example.jp");
    code.SetNote(sjis(u"同窓会"));
    code.SetCellSize(2);
    code.SetForeColor(0x800000);
    code.SetRect({300, 400, 300, 400});
    return code;
}

}  // namespace

TEST_F(QRCodeDialogTest, ShowsTheObjectAndEditsOnlyThePreview)
{
    TQRCodeRect code;
    entry(code);
    const QByteArray before = SavedObject(code);
    open(code);
    EXPECT_TRUE(control<QRadioButton>("rbAddress")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("rbSoftBank")->isChecked());
    EXPECT_EQ(control<QStackedWidget>("pgcKind")->currentIndex(), 1);
    EXPECT_EQ(control<QLineEdit>("edName")->text(), QStringLiteral("山田太郎"));
    EXPECT_EQ(control<QLineEdit>("edTel2")->text(), "09033334444");
    EXPECT_EQ(control<QLineEdit>("edMail2")->text(), "yamada@example.jp");
    EXPECT_EQ(control<QLineEdit>("edSize")->text(), "2");
    EXPECT_EQ(dialog->Preview().GetRect().Left, 0) << "the preview stands at the origin";
    EXPECT_GT(dialog->Preview().GetRect().Width(), 0) << "rendered when shown";

    // The plain text carries a telephone header inserted at the caret.
    control<QRadioButton>("rbText")->click();
    EXPECT_FALSE(control<QRadioButton>("rbDocomo")->isEnabled());
    EXPECT_EQ(control<QStackedWidget>("pgcKind")->currentIndex(), 0);
    auto *memo = control<QPlainTextEdit>("memText");
    memo->setPlainText("0312345678");
    QTextCursor caret = memo->textCursor();
    caret.setPosition(0);
    memo->setTextCursor(caret);
    control<QPushButton>("bbtnTelHeader")->click();
    EXPECT_EQ(memo->toPlainText(), "TEL:0312345678");
    EXPECT_EQ(memo->textCursor().position(), 4);

    // Edits reach the preview only at "更新" or OK.
    EXPECT_EQ(dialog->Preview().Kind(), TQRCodeRect::Memory);
    const int before2 = dialog->Preview().GetRect().Width();
    type("edSize", "4");
    leave("edSize");
    control<QPushButton>("btnRefresh")->click();
    EXPECT_EQ(dialog->Preview().Kind(), TQRCodeRect::PlainText);
    EXPECT_EQ(dialog->Preview().EncodedText(), "TEL:0312345678");
    EXPECT_EQ(dialog->Preview().CellSize(), 4);
    EXPECT_GT(dialog->Preview().GetRect().Width(), before2) << "larger cells, larger code";
    EXPECT_EQ(dialog->Preview().GetRect().Left, 0);

    control<QRadioButton>("rbMail")->click();
    control<QRadioButton>("rbDocomo")->click();
    type("edMailTo", "info@example.jp");
    type("edSubject", QStringLiteral("件名"));
    control<QPushButton>("btnOK")->click();
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(dialog->Preview().Kind(), TQRCodeRect::MatMsg);
    EXPECT_EQ(dialog->Preview().EncodedText(), "MATMSG:TO:info@example.jp;SUB:" + sjis(u"件名") + ";;");
    EXPECT_EQ(dialog->Preview().GetTel(0), "0311112222") << "the entry's data stays for another kind";
    EXPECT_EQ(SavedObject(code), before) << "the object itself is never touched";
}

TEST_F(QRCodeDialogTest, CancelLeavesTheObjectAndNothingElse)
{
    TQRCodeRect code;
    entry(code);
    const QByteArray before = SavedObject(code);
    open(code);
    type("edName", QStringLiteral("別人"));
    control<QPushButton>("btnRefresh")->click();
    control<QPushButton>("btnCancel")->click();
    EXPECT_EQ(dialog->result(), 0);
    EXPECT_EQ(SavedObject(code), before);
}

TEST_F(QRCodeDialogTest, EmptiedEditsEmptyTheirSlots)
{
    TQRCodeRect code;
    entry(code);
    open(code);
    // The second edits move up when the first ones are empty ...
    type("edTel1", "");
    type("edTel2", "090-5555-6666");
    type("edMail1", "");
    control<QPushButton>("btnRefresh")->click();
    EXPECT_EQ(dialog->Preview().GetTel(0), "09055556666");
    EXPECT_EQ(dialog->Preview().GetMail(0), "yamada@example.jp");
    // ... and what was in the second slots is not encoded any more.
    EXPECT_EQ(dialog->Preview().GetTel(1), "");
    EXPECT_EQ(dialog->Preview().GetMail(1), "");
    type("edTel2", "");
    type("edMail2", "");
    control<QPushButton>("btnRefresh")->click();
    EXPECT_EQ(dialog->Preview().GetTel(0), "");
    EXPECT_EQ(dialog->Preview().GetMail(0), "");
    EXPECT_EQ(dialog->Preview().EncodedText(),
              "MEMORY:" + sjis(u"同窓会") + "\r\nNAME1:" + sjis(u"山田太郎") + "\r\n");
}

TEST_F(QRCodeDialogTest, NameOutsideTheCodePageKeepsItsPlace)
{
    TQRCodeRect code;
    open(code);
    control<QRadioButton>("rbAddress")->click();
    type("edName", QStringLiteral("髙橋😀"));
    control<QPushButton>("btnRefresh")->click();
    EXPECT_EQ(dialog->Preview().Name(), sjis(u"髙橋") + "?");
}

TEST_F(QRCodeDialogTest, SizeEditStaysWithinOneToFive)
{
    TQRCodeRect code;
    code.SetCellSize(2);
    open(code);
    auto *edit = control<QLineEdit>("edSize");
    QTest::keyClick(edit, Qt::Key_PageUp);
    EXPECT_EQ(edit->text(), "5");
    type("edSize", "9");
    leave("edSize");
    EXPECT_EQ(edit->text(), "5");
    type("edSize", "3");
    leave("edSize");
    type("edSize", "a");
    leave("edSize");
    EXPECT_EQ(edit->text(), "3");
    // Enter moves on to OK without pressing it.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
}

// A size a screen reader sets over the accessibility bus is kept within one to five and taken by OK, though the
// edit is never left.
TEST_F(QRCodeDialogTest, SizeSetOverTheAccessibilityBusIsTakenByOk)
{
    InstallTypedTextAccessibility();  // as the program does at start
    TQRCodeRect code;
    code.SetCellSize(2);
    open(code);
    auto *edit = control<QLineEdit>("edSize");
    ASSERT_TRUE(test::setTextOnTheBus(edit, "9"));
    EXPECT_EQ(edit->text(), "5");
    ASSERT_TRUE(test::setTextOnTheBus(edit, "4"));
    control<QPushButton>("btnOK")->click();
    EXPECT_EQ(dialog->Preview().CellSize(), 4);
}

TEST_F(QRCodeDialogTest, EmptySenderListOffersNothing)
{
    TQRCodeRect code;
    open(code);
    EXPECT_EQ(control<QComboBox>("cbxSender")->currentText(), "なし");
    EXPECT_FALSE(control<QPushButton>("btnSender")->isEnabled());
}

TEST_F(QRCodeDialogTest, SenderFillsNameTelephonesAndMail)
{
    TSenderRecord home = NewSenderRecord(1, sjis(u"自宅"));
    home.Name = WideToEscapedAnsi(QStringLiteral("鈴木一郎"));
    home.Head = {sjis(u"携帯"), "URL", "e-mail", sjis(u"携帯")};
    home.Addition = {"090-1111-2222", "http://example.jp", "ichiro@example.jp", "080-3333-4444"};
    test::registerSender(home);
    TSenderRecord office = NewSenderRecord(2, sjis(u"会社"));
    office.Tel = "03-555-666";
    office.Head = {sjis(u"携帯"), sjis(u"携帯"), "", ""};
    office.Addition = {"090-7777-8888", "090-9999-0000", "", ""};
    test::registerSender(office);

    TQRCodeRect code;
    code.SetKind(TQRCodeRect::MeCard);
    open(code);
    auto *senders = control<QComboBox>("cbxSender");
    ASSERT_EQ(senders->count(), 2);
    EXPECT_EQ(senders->itemText(1), QStringLiteral("会社"));
    type("edKana", "ｽｽﾞｷ");
    type("edMemo", QStringLiteral("メモ"));
    control<QPushButton>("btnSender")->click();
    // No telephone: the two mobile numbers.
    EXPECT_EQ(control<QLineEdit>("edName")->text(), QStringLiteral("鈴木一郎"));
    EXPECT_EQ(control<QLineEdit>("edKana")->text(), "");
    EXPECT_EQ(control<QLineEdit>("edTel1")->text(), "09011112222");
    EXPECT_EQ(control<QLineEdit>("edTel2")->text(), "08033334444");
    EXPECT_EQ(control<QLineEdit>("edMail1")->text(), "ichiro@example.jp");
    EXPECT_EQ(control<QLineEdit>("edMail2")->text(), "");
    EXPECT_EQ(control<QLineEdit>("edMemo")->text(), QStringLiteral("メモ")) << "the memo is left alone";

    // A telephone number and the first mobile number only.
    senders->setCurrentIndex(1);
    control<QPushButton>("btnSender")->click();
    EXPECT_EQ(control<QLineEdit>("edTel1")->text(), "03-555-666") << "as stored";
    EXPECT_EQ(control<QLineEdit>("edTel2")->text(), "09077778888");
    EXPECT_EQ(control<QLineEdit>("edMail1")->text(), "");
}

TEST_F(QRCodeDialogTest, WindowSizeIsRememberedWithinItsMinimum)
{
    {
        TMemIniFile ini(DataFolder + "Mirvale18.ini");
        ini.WriteInteger("DESIGN", "QRWidth", 700);
        ini.WriteInteger("DESIGN", "QRHeight", 300);
        ini.UpdateFile();
    }
    TQRCodeRect code;
    open(code);
    EXPECT_EQ(dialog->width(), ScaleByDpi(700, true));
    // A stored height below 460 opens at the smallest height: 460, or what the controls need when more.
    EXPECT_GE(dialog->minimumHeight(), ScaleByDpi(460, true));
    EXPECT_EQ(dialog->height(), dialog->minimumHeight());
    dialog->resize(ScaleByDpi(800, true), ScaleByDpi(600, true));
    dialog->reject();
    const TMemIniFile ini(DataFolder + "Mirvale18.ini");
    EXPECT_EQ(ini.ReadInteger("DESIGN", "QRWidth", 0), 800);
    EXPECT_EQ(ini.ReadInteger("DESIGN", "QRHeight", 0), 600);
}

TEST_F(QRCodeDialogTest, ColourComesFromTheSharedColourDialog)
{
    TQRCodeRect code;
    open(code);
    QTimer::singleShot(0, [] {
        auto *colours = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(colours, nullptr);
        colours->setCurrentColor(QColor(0, 0, 128));
        colours->accept();
    });
    dialog->findChild<QAbstractButton *>("bbtnColor")->click();
    EXPECT_EQ(dialog->Preview().ForeColor(), 0u) << "the colour reaches the code at the next refresh";
    control<QPushButton>("btnRefresh")->click();
    EXPECT_EQ(dialog->Preview().ForeColor(), 0x800000u);
    EXPECT_EQ(dialog->Preview().BackColor(), 0xFFFFFFu) << "the back colour is never changed here";
}

TEST_F(QRCodeDialogTest, NameReadingPopupPutsTheChosenNameIntoTheNameEdit)
{
    AppFolder = test::appDir();
    TQRCodeRect code;
    code.SetKind(TQRCodeRect::MeCard);
    open(code);
    auto *name = dialog->findChild<TUniNMDEdit *>("edName");
    ASSERT_TRUE(name);
    name->setFocus();
    emit name->OnConvertNeed(name, nkFirst, true, HalfKanaReading(QStringLiteral("かずお")));
    auto *dic = dialog->findChild<TUniNameDic *>();
    ASSERT_TRUE(dic);
    EXPECT_TRUE(dic->isVisible());
    EXPECT_TRUE(dic->GivenName()) << "the edit asked for a given name";
    EXPECT_EQ(dic->pos(), name->mapToGlobal(QPoint(0, name->height())));

    quint32 key = VK_DOWN;
    bool handled = false;
    emit name->OnConvertKeyDown(name, key, handled);
    EXPECT_TRUE(handled) << "the pop-up takes the keys while it is shown";
    key = VK_RETURN;
    emit name->OnConvertKeyDown(name, key, handled);
    QCoreApplication::sendPostedEvents(dialog.get());
    EXPECT_EQ(name->text(), QStringLiteral("一生"));
    EXPECT_EQ(control<QLineEdit>("edKana")->text(), QStringLiteral("ｶｽﾞｵ")) << "the reading goes to the kana edit";
    EXPECT_FALSE(dic->isVisible());

    // Nothing reads like it: no pop-up.
    emit name->OnConvertNeed(name, nkLineage, true, "zzz");
    EXPECT_FALSE(dic->isVisible());
}
