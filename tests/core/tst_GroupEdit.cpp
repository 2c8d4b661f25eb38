// The group names of a book: "Group.dat" and the dialog that edits them.
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/GrpEdt.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include "Accessibility.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class GroupEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        AdrsFolder = dir.path() + "/Adrs/";
        AdrsBookList = {{"Other", "Other", abReady}, {QStringLiteral("顧客"), QStringLiteral("顧客"), abReady}};
        CurrentAdrsIndex = 1;
        QDir().mkpath(AdrsFolder + QStringLiteral("顧客"));
    }
    void TearDown() override
    {
        AdrsBookList.clear();
        CurrentAdrsIndex = -1;
    }
    QString groupFile() const { return AdrsFolder + QStringLiteral("顧客/Group.dat"); }
    TGruopEdit &open()
    {
        LoadGroupNames();
        dialog = std::make_unique<TGruopEdit>(nullptr);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::setActiveWindow(dialog.get());
        return *dialog;
    }
    TUniEdit *edit(int i) const { return dialog->findChild<TUniEdit *>("edtGroup" + QString::number(i)); }

    QTemporaryDir dir;
    std::unique_ptr<TGruopEdit> dialog;
};

}  // namespace

TEST_F(GroupEdit, OkWithoutChangeStillWritesTheFileAndTrimmedEqualNamesAreNoChange)
{
    test::MessageBoxScript boxes;
    test::writeFile(groupFile(), Sjis::encode(QStringLiteral("[NOTE]\r\nKeep=1\r\n[GROUP]\r\nGroup2=得意先\r\n")));
    open();
    EXPECT_EQ(dialog->property("HelpContext").toInt(), 42);
    EXPECT_EQ(edit(2)->text(), QStringLiteral("得意先"));
    EXPECT_EQ(edit(10)->text(), QStringLiteral("グループ１０"));
    EXPECT_TRUE(edit(1)->hasFocus());
    EXPECT_EQ(edit(1)->cursorPosition(), edit(1)->text().size());
    edit(1)->setText(QStringLiteral("  グループ１\t"));
    QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->NamesChanged);
    const TMemIniFile ini(groupFile());
    EXPECT_EQ(ini.ReadSection("GROUP").size(), 10);
    EXPECT_EQ(ini.ReadString("GROUP", "Group1", ""), QStringLiteral("グループ１"));
    EXPECT_EQ(ini.ReadString("NOTE", "Keep", ""), "1");
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Other/Group.dat"));

    open();
    edit(5)->setText(QStringLiteral(" 仕入先 "));
    dialog->btnOk->click();
    EXPECT_TRUE(dialog->NamesChanged);
    EXPECT_EQ(GroupNames[5], QStringLiteral("仕入先"));
    EXPECT_EQ(TMemIniFile(groupFile()).ReadString("GROUP", "Group5", ""), QStringLiteral("仕入先"));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(GroupEdit, EmptyAndDuplicateNamesAreRefusedAtTheEditConcerned)
{
    test::MessageBoxScript boxes;
    open();
    edit(10)->setText(QStringLiteral(" \u3000"));  // an ideographic space is a name, not a blank
    edit(4)->setText(" \t");
    dialog->btnOk->click();
    EXPECT_TRUE(edit(4)->hasFocus());
    edit(4)->setText("Group");
    edit(10)->clear();
    dialog->btnOk->click();
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("グループ項目４が未入力です  "),
                                          QStringLiteral("グループ項目１０が未入力です  ")}));
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONINFORMATION);
    EXPECT_TRUE(edit(10)->hasFocus());

    boxes.clear();
    edit(2)->setText("Sales");
    edit(7)->setText("sales");  // letter case counts: these differ
    edit(10)->setText("Sales ");
    dialog->btnOk->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("同じグループ名は設定できません  ")});
    EXPECT_TRUE(edit(10)->hasFocus());
    EXPECT_EQ(edit(10)->cursorPosition(), 6);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(GroupNames[2], QStringLiteral("グループ２"));
}

TEST_F(GroupEdit, LongNamesAreCutToTwentyBytesWithoutSplittingACharacter)
{
    // 19 single bytes and a double-byte character: the cut keeps 19 bytes.
    test::writeFile(groupFile(), Sjis::encode("[GROUP]\r\nGroup1=" + QString(19, 'a') + QStringLiteral("漢字") + "\r\n"));
    open();
    EXPECT_EQ(GroupNames[1], QString(19, 'a'));

    // Leaving an edit cuts what it holds; Enter moves on to the next edit with the caret at its end.
    edit(1)->setText(QString(11, QChar(0x3042)));  // 22 bytes in 11 characters
    QTest::keyClick(edit(1), Qt::Key_Return);
    EXPECT_EQ(edit(1)->text(), QString(10, QChar(0x3042)));
    EXPECT_TRUE(edit(2)->hasFocus());
    EXPECT_EQ(edit(2)->cursorPosition(), edit(2)->text().size());
    edit(10)->setFocus();
    QTest::keyClick(edit(10), Qt::Key_Return);
    EXPECT_TRUE(dialog->btnOk->hasFocus());

    // A character Shift-JIS lacks never gets into a name.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("𠮷田"));
    QApplication::sendEvent(edit(3), &commit);
    EXPECT_FALSE(edit(3)->text().contains(QStringLiteral("𠮷")));
}

// A screen reader sets a name over the accessibility bus and presses OK, never leaving the edit: the name is cut
// as when the edit is left, and kept so.
TEST_F(GroupEdit, ALongNameSetOverTheAccessibilityBusIsCutAsOnLeaving)
{
    InstallTypedTextAccessibility();  // as the program does at start
    open();
    ASSERT_TRUE(test::setTextOnTheBus(edit(4), QString(11, QChar(0x3042))));
    EXPECT_EQ(edit(4)->text(), QString(10, QChar(0x3042)));
    dialog->btnOk->click();
    EXPECT_EQ(GroupNames[4], QString(10, QChar(0x3042)));
}

// The dialog freed with the focus in a name: its window goes only in QDialog's own destructor, and the focus-out
// then ends the entry. No handler of the dialog may run on what is left of it (here it would cut the name).
TEST_F(GroupEdit, NoHandlerRunsWhenTheDialogIsFreedWithTheFocusInAName)
{
    open();
    edit(5)->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit(5)->hasFocus(); }));
    edit(5)->setText(QStringLiteral("東日本営業本部第二課担当"));  // 24 bytes, more than a name holds
    QSignalSpy changes(edit(5), &QLineEdit::textChanged);
    dialog.reset();
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(GroupEdit, FailedSaveKeepsDialogOpenAndNamesAsStored)
{
    test::MessageBoxScript boxes;
    QDir().mkpath(groupFile() + "/x");  // a folder in the file's place: it can be neither read nor written
    open();
    edit(3)->setText("New");
    dialog->btnOk->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONERROR);
    EXPECT_TRUE(boxes.shown()[0].text.contains("Group.dat"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(GroupNames[3], QStringLiteral("グループ３"));
}

TEST(TrimBlanks, RemovesControlCharactersAndBlanksButNotIdeographicSpace)
{
    EXPECT_EQ(TrimBlanks(QStringLiteral("\t\r\n a b\x1f ")), "a b");
    EXPECT_EQ(TrimBlanks(QStringLiteral("\u3000名前\u3000")), QStringLiteral("\u3000名前\u3000"));
    EXPECT_EQ(TrimBlanks(QByteArray("\x01 \x82\xa0 \r\n")), QByteArray("\x82\xa0"));
    EXPECT_EQ(CopyLeftMbcsW(QStringLiteral("ab漢字"), 5), QStringLiteral("ab漢"));
}
