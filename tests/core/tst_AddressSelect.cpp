// The address-book dialog driven through its controls, and what the next start makes of its records.
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/AddressBookList.h"
#include "core/AdrsSel.h"
#include "core/Globals.h"
#include "core/GrpEdt.h"
#include "platform/MemIniFile.h"
#include "widgets/UniStdCtrls.h"

#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

namespace {

class AddressSelect : public ::testing::Test {
protected:
    void SetUp() override
    {
        AdrsFolder = dir.path() + "/Adrs/";
        QDir().mkpath(AdrsFolder);
    }
    void TearDown() override { AdrsBookList.clear(); }

    void makeBook(const QString &folder, const QByteArray &content = "table")
    {
        test::writeFile(AdrsFolder + folder + "/Adrs.DB", content);
    }
    // Lists the books as the start-up does and opens the dialog over them, the book `current` being open.
    TAddressSelect &open(const QString &current, int mode)
    {
        LoadAddressBookList(false);
        for (size_t i = 0; i < AdrsBookList.size(); ++i)
            if (AdrsBookList[i].Name == current)
                CurrentAdrsIndex = static_cast<int>(i);
        dialog = std::make_unique<TAddressSelect>(nullptr);
        dialog->BookName = current;
        dialog->SetMode(mode);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::setActiveWindow(dialog.get());
        return *dialog;
    }
    QStringList rows() const
    {
        QStringList out;
        for (int r = 0; r < dialog->lvAdrs->count(); ++r)
            out << dialog->lvAdrs->item(r)->text();
        return out;
    }
    void select(const QString &caption)
    {
        dialog->lvAdrs->setCurrentItem(dialog->lvAdrs->findItems(caption, Qt::MatchExactly).value(0));
    }
    QLineEdit *editor() const
    {
        return qobject_cast<QLineEdit *>(dialog->lvAdrs->indexWidget(dialog->lvAdrs->currentIndex()));
    }
    // Types into the open rename editor and ends the edit with Enter, as the user does.
    void finishEdit(const QString &text)
    {
        QCoreApplication::processEvents();
        QLineEdit *edit = editor();
        ASSERT_NE(edit, nullptr);
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    void rename(const QString &from, const QString &to)
    {
        select(from);
        QTest::keyClick(dialog->lvAdrs, Qt::Key_F2);
        finishEdit(to);
    }
    void remove(const QString &caption, test::MessageBoxScript &boxes)
    {
        select(caption);
        boxes.answer(IDYES);
        dialog->actDelete->trigger();
    }
    void create(const QString &name)
    {
        dialog->rbNew->setChecked(true);
        dialog->edtNew->setText(name);
        dialog->btnOk->click();
    }
    QStringList operations(const QString &section) const
    {
        const TMemIniFile ini(AdrsFolder + "AdrsOp.ini");
        QStringList out;
        for (int i = 1; i <= ini.ReadInteger(section, "Count", 0); ++i)
            out << ini.ReadString(section, QString::number(i), "");
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<TAddressSelect> dialog;
};

const QString Forbidden = QStringLiteral("アドレス帳には次の文字は使えません\r\n \\ / : ; * ? \" < > |   ");

}  // namespace

TEST_F(AddressSelect, CreatingListedNameInOtherCaseAsksToOpenTheListedBook)
{
    test::MessageBoxScript boxes;
    makeBook("sales");
    makeBook("Office");
    open("Office", asmCreate);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("アドレス帳の作成"));
    boxes.answer(IDNO);
    create("  Sales\t");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("アドレス帳 'sales' は存在します  \r\n開きますか？  "));
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONQUESTION | MB_YESNO);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->edtNew->hasFocus());

    dialog->btnOk->click();  // answered Yes, the default
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->BookName, "sales");
    EXPECT_TRUE(dialog->BookChanged);
    EXPECT_EQ(AdrsBookList.size(), 2u);
}

TEST_F(AddressSelect, NewNamesFollowTheNameRules)
{
    test::MessageBoxScript boxes;
    makeBook("Office");
    open("Office", asmCreate);
    for (const QString &name : {QString(" \t "), QString(".hidden"), QString("a:b"), QString("a\x01" "b")})
        create(name);
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("作成するアドレス帳の名前を入力してください  "),
                                          QStringLiteral("' . ' で始まる名前は指定できません  "), Forbidden, Forbidden}));

    // Typing stops at 100 bytes: 50 double-byte characters fill the edit.
    dialog->edtNew->clear();
    for (const QString &typed : {QString(50, QChar(0x3042)), QString("x")}) {
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(dialog->edtNew, &commit);
    }
    EXPECT_EQ(dialog->edtNew->text(), QString(50, QChar(0x3042)));

    create(QStringLiteral("顧客"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(AdrsFolder + QStringLiteral("顧客")).isDir());
    EXPECT_EQ(AdrsBookList.back(), (TAdrsFolderInfo{QStringLiteral("顧客"), QStringLiteral("顧客"), abReady}));
}

TEST_F(AddressSelect, DeletedNameCreatedAgainWaitsInItsOwnFolderUntilTheDeleteIsDone)
{
    test::MessageBoxScript boxes;
    makeBook("A", "old");
    test::writeFile(AdrsFolder + "A/Memo.txt", "old memo");
    makeBook("B");
    QDir().mkpath(AdrsFolder + QStringLiteral("A（1）"));  // a leftover: the next number is taken
    open("B", asmOpen);
    remove("A", boxes);
    EXPECT_EQ(boxes.shown().back().text, QStringLiteral("アドレス帳 'A' を削除します  \r\nよろしいですか？  "));
    EXPECT_EQ(boxes.shown().back().flags, MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2);
    create("A");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(AdrsBookList.back(), (TAdrsFolderInfo{"A", QStringLiteral("A（2）"), abRenamePending}));
    EXPECT_EQ(operations("DELETE"), QStringList{"A"});
    EXPECT_EQ(operations("RENAME"), QStringList{QStringLiteral("A（2）/A")});
    test::writeFile(AdrsFolder + QStringLiteral("A（2）/Adrs.DB"), "new");  // the data module's first open

    SaveAddressBookOrder();
    const TMemIniFile order(AdrsFolder + "AdrsMng.ini");
    EXPECT_EQ(order.ReadSection("SORT"), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(order.ReadString("SORT", "1", ""), "A");  // the deleted book keeps its place

    LoadAddressBookList(true);
    EXPECT_EQ(AdrsBookList, (std::vector<TAdrsFolderInfo>{{"B", "B", abReady}, {"A", "A", abReady}}));
    EXPECT_EQ(test::readFile(AdrsFolder + "A/Adrs.DB"), "new");
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "A/Memo.txt"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + QStringLiteral("A（2）")));
}

TEST_F(AddressSelect, NewBookNeverMovesIntoAFolderAPendingOperationStillOwns)
{
    makeBook("Office");
    makeBook("X", "x data");
    makeBook("A", "a data");
    // A delete that removed the table but not the folder: nothing is listed, the folder is still to go.
    test::writeFile(AdrsFolder + "Left/Memo.txt", "left over");
    test::writeFile(AdrsFolder + "AdrsOp.ini", "[DELETE]\r\nCount=1\r\n1=Left\r\n");
    open("Office", asmCreate);
    rename("X", "Y");  // X's folder now belongs to the book Y
    rename("A", "B");
    rename("B", "K");  // B is a step of A's chain of renames
    for (const QString &name : {QString("x"), QString("Left"), QString("B")}) {
        create(name);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        test::writeFile(AdrsFolder + AdrsBookList.back().Folder + "/Adrs.DB", "new " + name.toUtf8());
        dialog->FillBookList();
    }
    EXPECT_EQ(operations("RENAME"), (QStringList{"X/Y", "A/B", "B/K", QStringLiteral("x（1）/x"),
                                                 QStringLiteral("Left（1）/Left"), QStringLiteral("B（1）/B")}));

    // A leftover folder that no operation refers to holds no book: the new book takes it, with nothing to
    // wait for (a rename onto it could never be done).
    test::writeFile(AdrsFolder + "Stray/Memo.txt", "stray");
    create("Stray");
    EXPECT_EQ(AdrsBookList.back(), (TAdrsFolderInfo{"Stray", "Stray", abReady}));
    EXPECT_EQ(operations("RENAME").size(), 6);
    test::writeFile(AdrsFolder + "Stray/Adrs.DB", "new Stray");

    LoadAddressBookList(true);
    EXPECT_EQ(AdrsBookList.size(), 7u);
    EXPECT_EQ(test::readFile(AdrsFolder + "Stray/Adrs.DB"), "new Stray");
    EXPECT_EQ(test::readFile(AdrsFolder + "Y/Adrs.DB"), "x data");
    EXPECT_EQ(test::readFile(AdrsFolder + "x/Adrs.DB"), "new x");
    EXPECT_EQ(test::readFile(AdrsFolder + "Left/Adrs.DB"), "new Left");
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Left/Memo.txt"));
    EXPECT_EQ(test::readFile(AdrsFolder + "K/Adrs.DB"), "a data");
    EXPECT_EQ(test::readFile(AdrsFolder + "B/Adrs.DB"), "new B");
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "AdrsOp.ini"));
}

TEST_F(AddressSelect, RenamesChainAndChangeOfCaseAreRecordedInOrder)
{
    makeBook("A", "a data");
    makeBook("abc");
    makeBook("Office");
    open("Office", asmOpen);
    rename("A", "B");
    rename("B", "K");
    rename("abc", "ABC");
    EXPECT_EQ(rows(), (QStringList{"K", "ABC", "Office"}));
    EXPECT_EQ(AdrsBookList[0], (TAdrsFolderInfo{"K", "A", abRenamePending}));
    EXPECT_EQ(operations("RENAME"), (QStringList{"A/B", "B/K", "abc/ABC"}));
    LoadAddressBookList(true);
    EXPECT_EQ(AdrsBookList, (std::vector<TAdrsFolderInfo>{
                                {"ABC", "ABC", abReady}, {"K", "K", abReady}, {"Office", "Office", abReady}}));
    EXPECT_EQ(test::readFile(AdrsFolder + "K/Adrs.DB"), "a data");
}

TEST_F(AddressSelect, RefusedRenamesKeepRowAndEntryTogether)
{
    test::MessageBoxScript boxes;
    makeBook("Office");
    makeBook("Other");
    makeBook("Zed");
    open("office", asmOpen);  // the open book is found without regard to case
    EXPECT_EQ(dialog->lvAdrs->currentItem()->text(), "Office");
    rename("Office", "Head");
    dialog->actDelete->trigger();
    for (const QString &name : {QString(), QString(".x"), QString("a|b")})
        rename("Other", name);
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("現在編集中のアドレス帳の名前は変更できません  "),
                                          QStringLiteral("現在編集中のアドレス帳は削除できません  "),
                                          QStringLiteral("空白の名前に変更することはできません  "),
                                          QStringLiteral("' . ' で始まる名前は指定できません  "), Forbidden}));
    boxes.clear();

    rename("Other", "ZED");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("指定された名前のアドレス帳は既に存在します  ")});
    QCoreApplication::processEvents();
    ASSERT_NE(editor(), nullptr);  // editing starts again on the same row
    EXPECT_EQ(editor()->text(), "Other");
    boxes.clear();

    // "a" and 50 double-byte characters are 101 bytes; the cut keeps whole characters: 99 bytes.
    const QString tooLong = "a" + QString(50, QChar(0x4E9C));
    finishEdit(tooLong);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("アドレス帳の名前の長さは全角で５０文字分までです  ")});
    EXPECT_EQ(rows(), (QStringList{"Office", "Other", "Zed"}));
    QCoreApplication::processEvents();
    ASSERT_NE(editor(), nullptr);
    const QString cut = editor()->text();
    EXPECT_EQ(cut, tooLong.left(50));
    finishEdit(cut);  // confirming the cut name takes it as the rename
    EXPECT_EQ(rows(), (QStringList{"Office", cut, "Zed"}));
    EXPECT_EQ(AdrsBookList[1], (TAdrsFolderInfo{cut, "Other", abRenamePending}));
    EXPECT_EQ(operations("RENAME"), QStringList{"Other/" + cut});
}

TEST_F(AddressSelect, RenameOntoFolderOfPendingDeleteWaitsForTheDelete)
{
    test::MessageBoxScript boxes;
    makeBook("A", "old a");
    makeBook("C", "c data");
    makeBook("Office");
    open("Office", asmOpen);
    remove("A", boxes);
    rename("C", "A");
    EXPECT_EQ(operations("DELETE"), QStringList{"A"});
    EXPECT_EQ(operations("RENAME"), QStringList{"C/A"});

    // The delete empties the folder but cannot remove it yet: the rename must not move into it.
    QDir().mkpath(AdrsFolder + "A/locked");
    LoadAddressBookList(true);
    EXPECT_EQ(test::readFile(AdrsFolder + "C/Adrs.DB"), "c data");
    EXPECT_EQ(AdrsBookList, (std::vector<TAdrsFolderInfo>{{"A", "C", abRenamePending}, {"Office", "Office", abReady}}));

    QDir().rmdir(AdrsFolder + "A/locked");
    LoadAddressBookList(true);
    EXPECT_EQ(AdrsBookList, (std::vector<TAdrsFolderInfo>{{"A", "A", abReady}, {"Office", "Office", abReady}}));
    EXPECT_EQ(test::readFile(AdrsFolder + "A/Adrs.DB"), "c data");
}

TEST_F(AddressSelect, FailedWriteOfOperationsFileChangesNothing)
{
    test::MessageBoxScript boxes;
    makeBook("Gone");
    makeBook("Office");
    makeBook("Old");
    open("Office", asmOpen);
    remove("Gone", boxes);
    // From here on the file cannot be read, so it must not be written.
    QFile::remove(AdrsFolder + "AdrsOp.ini");
    QDir().mkpath(AdrsFolder + "AdrsOp.ini/x");
    const std::vector<TAdrsFolderInfo> before = AdrsBookList;
    rename("Old", "New");
    create("Gone");  // the deleted book's folder is still there, so the new book needs a recorded rename
    EXPECT_EQ(AdrsBookList, before);
    EXPECT_EQ(rows(), (QStringList{"Office", "Old"}));
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(boxes.shown().size(), 3u);  // the delete question, then one error for each operation
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(boxes.shown()[i].flags, MB_ICONERROR);
        EXPECT_TRUE(boxes.shown()[i].text.contains("AdrsOp.ini"));
    }
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + QStringLiteral("Gone（1）")));
}

// A book whose folder cannot be made (books kept where the user may not write, a full disk) is not made: the
// message says why, nothing is listed or recorded for it, the dialog stays for another try, and once the user may
// write there the same name makes the book. So for a name that waits in a folder of its own: the folder of a
// rename that could not be recorded goes again.
TEST_F(AddressSelect, ABookWhoseFolderCannotBeMadeSaysWhyAndLeavesNothingBehind)
{
    test::MessageBoxScript boxes;
    makeBook("Office");
    makeBook("Gone");
    open("Office", asmOpen);
    remove("Gone", boxes);
    const std::vector<TAdrsFolderInfo> before = AdrsBookList;
    const QStringList renames = operations("RENAME");
    ASSERT_EQ(::chmod(QFile::encodeName(AdrsFolder).constData(), 0555), 0);
    {
        const test::AsUser user({dir.path()});
        for (const QString &name : {QStringLiteral("顧客"), QStringLiteral("Gone")}) {
            create(name);
            EXPECT_TRUE(dialog->isVisible()) << name.toStdString();
            EXPECT_EQ(boxes.shown().back().text,
                      QStringLiteral("アドレス帳を作成できませんでした  \r\n") + QDir::toNativeSeparators(AdrsFolder)
                          + (name == "Gone" ? QStringLiteral("Gone（1）") : name) + QStringLiteral("\r\n\r\n")
                          + NotWritableReason);
            EXPECT_EQ(AdrsBookList, before);
            EXPECT_EQ(operations("RENAME"), renames);
        }
    }
    ASSERT_EQ(::chmod(QFile::encodeName(AdrsFolder).constData(), 0755), 0);
    create(QStringLiteral("顧客"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(AdrsFolder + QStringLiteral("顧客")).isDir());
    EXPECT_EQ(AdrsBookList.back(), (TAdrsFolderInfo{QStringLiteral("顧客"), QStringLiteral("顧客"), abReady}));
}

// A screen reader presses the dialog's buttons while its delete question is open: nothing else runs until
// the question is answered, and the answer applies to the book it named.
TEST_F(AddressSelect, CommandsPressedWhileTheDeleteQuestionIsOpenAreRefused)
{
    test::MessageBoxScript boxes;
    for (const char *name : {"A", "B", "C"})
        makeBook(name);
    open("A", asmOpen);
    select("B");
    boxes.answer(IDYES, [&] {
        dialog->bbtnDelete->click();
        dialog->bbtnDown->click();
        dialog->bbtnUp->click();
        dialog->btnOk->click();
    });
    boxes.answer(IDYES);  // a second question, were one asked
    dialog->bbtnDelete->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("アドレス帳 'B' を削除します  \r\nよろしいですか？  "));
    EXPECT_EQ(rows(), (QStringList{"A", "C"}));
    EXPECT_EQ(operations("DELETE"), QStringList{"B"});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);

    // Answered, the dialog takes commands again.
    dialog->btnOk->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(AddressSelect, ReorderCarriesTheOpenBookAndDeletedBooksKeepTheirPlace)
{
    test::MessageBoxScript boxes;
    for (const char *name : {"A", "B", "C", "D", "E"})
        makeBook(name);
    open("D", asmOpen);
    remove("E", boxes);  // the last row can go too; the new last row is chosen
    EXPECT_EQ(dialog->lvAdrs->currentItem()->text(), "D");
    EXPECT_FALSE(dialog->actDown->isEnabled());
    remove("C", boxes);  // hidden between B and D
    select("D");
    dialog->actUp->trigger();
    EXPECT_EQ(rows(), (QStringList{"A", "D", "B"}));
    EXPECT_EQ(dialog->lvAdrs->currentItem()->text(), "D");
    EXPECT_EQ(CurrentAdrsIndex, 1);
    EXPECT_EQ(AdrsBookList[2], (TAdrsFolderInfo{"", "C", abDeletePending}));

    // Group names go to the open book's folder, not to that of the book it changed places with.
    LoadGroupNames();
    SaveGroupNames();
    EXPECT_TRUE(QFileInfo::exists(AdrsFolder + "D/Group.dat"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "B/Group.dat"));

    SaveAddressBookOrder();
    LoadAddressBookList(false);
    EXPECT_EQ(AdrsBookList[1].Folder, "D");
    EXPECT_EQ(AdrsBookList[2], (TAdrsFolderInfo{"", "C", abDeletePending}));
}

TEST_F(AddressSelect, WithoutBooksOpenAndStartupBothCreate)
{
    for (const int mode : {asmOpen, asmStartup}) {
        open(QStringLiteral("アドレス"), mode);
        EXPECT_EQ(dialog->Mode, mode);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("アドレス帳の作成"));
        EXPECT_EQ(dialog->edtNew->text(), QStringLiteral("アドレス"));
        EXPECT_TRUE(dialog->edtNew->hasFocus());
        EXPECT_FALSE(dialog->rbOpen->isEnabled());
        EXPECT_FALSE(dialog->actRename->isEnabled());
    }
    // A book waiting for its delete is still an entry of the list, though no row shows it: the mode is
    // decided by the entries, and the empty list leaves only the new book to choose.
    makeBook("Doomed");
    test::writeFile(AdrsFolder + "AdrsOp.ini", "[DELETE]\r\nCount=1\r\n1=Doomed\r\n");
    open(QStringLiteral("アドレス"), asmStartup);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("アドレス帳の切り替え"));
    EXPECT_TRUE(dialog->rbOpen->isChecked());
    EXPECT_FALSE(dialog->rbOpen->isEnabled());
    EXPECT_TRUE(dialog->rbNew->isEnabled());
}

TEST_F(AddressSelect, StartupCancelEndsOnlyWhenConfirmed)
{
    test::MessageBoxScript boxes;
    makeBook("Office");
    open("Office", asmStartup);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("アドレス帳の切り替え"));
    boxes.answer(IDNO);
    dialog->btnCancel->click();
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("キャンセルした場合アドレス帳が開けませんので  \r\n"
                                                    "Velmora を終了することになります  \r\nよろしいですか？  "));
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2);
    boxes.answer(IDYES);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(AddressSelect, KeyboardAndMouseFollowTheListAndTheRadioButtons)
{
    test::MessageBoxScript boxes;
    makeBook("Home");
    makeBook("Office");
    open("Office", asmOpen);
    EXPECT_TRUE(dialog->lvAdrs->hasFocus());
    QTest::keyClick(dialog->lvAdrs, Qt::Key_Return);
    EXPECT_TRUE(dialog->btnOk->hasFocus());
    dialog->edtNew->setFocus();
    EXPECT_TRUE(dialog->rbNew->isChecked());
    EXPECT_EQ(dialog->rbNew->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QTest::keyClick(dialog->edtNew, Qt::Key_Return);
    EXPECT_TRUE(dialog->btnOk->hasFocus());
    QTest::keyClick(dialog->rbNew, Qt::Key_Return);
    EXPECT_TRUE(dialog->edtNew->hasFocus());
    dialog->rbOpen->click();
    EXPECT_TRUE(dialog->lvAdrs->hasFocus());

    // Pressing beside the rows keeps a book chosen; the right button offers the menu.
    QWidget *viewport = dialog->lvAdrs->viewport();
    const QPoint empty(5, viewport->height() - 5);
    dialog->lvAdrs->clearSelection();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, empty);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->lvAdrs->selectedItems().size(), 1);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, empty, viewport->mapToGlobal(empty));
    QApplication::sendEvent(viewport, &menu);
    EXPECT_TRUE(dialog->pmAdrs->isVisible());
    dialog->pmAdrs->hide();
    QCoreApplication::processEvents();  // the focus comes back from the menu

    rename("Home", "House");  // the Enter that ends the edit is the editor's, not OK's
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(operations("RENAME"), QStringList{"Home/House"});

    const QRect house = dialog->lvAdrs->visualItemRect(dialog->lvAdrs->item(0));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, house.center());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->BookName, "House");
    EXPECT_TRUE(dialog->BookChanged);
    EXPECT_TRUE(boxes.texts().isEmpty());
}
