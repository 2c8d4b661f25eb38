// The input-list dialog: editing the six histories on copies, written back only on OK.
#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "records/InputLst.h"
#include "widgets/UniStdCtrls.h"

#include "TestSupport.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList textsOf(const THistoryData &h)
{
    QStringList texts;
    for (int i = 0; i < h.GetCount(); ++i)
        texts << Sjis::decode(h.GetText(i));
    return texts;
}

class InputListDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        HistoryFolder = dir.path() + "/History/";
        DMMirvale18 = &dm;
        dm.CreateDatabaseAndHistories();
        dm.OpenDatabaseAndHistories();
        for (const char *t : {"総務部", "営業部"})
            dm.DptmntHistory->Add(Sjis::encode(QString::fromUtf8(t)), 0);
        for (const char *t : {"部長", "課長", "係長", "主任"})
            dm.PostHistory->Add(Sjis::encode(QString::fromUtf8(t)), 0);
        dm.DptmntHistory->SaveToFile();
        dm.PostHistory->SaveToFile();
    }
    void TearDown() override
    {
        dialog.reset();
        DMMirvale18 = nullptr;
    }
    QStringList fileTexts(const QString &file) const
    {
        THistoryData h(HistoryFolder + file, 100, true);
        h.LoadFromFile();
        return textsOf(h);
    }
    void open(int list)
    {
        dialog = std::make_unique<TInputList>(nullptr);
        EXPECT_EQ(InputList, dialog.get());
        dialog->SelectList(list);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::setActiveWindow(dialog.get());
    }
    template <class T = QPushButton> T *w(const char *name) const { return dialog->findChild<T *>(name); }
    TUniEdit *edit() const { return w<TUniEdit>("edtName"); }
    QListWidget *list() const { return w<QListWidget>("lbxList"); }
    QTabBar *tabs() const { return w<QTabBar>("tabctlInputList"); }
    void type(const QString &text) const
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(edit(), &event);
    }
    void add(const QString &text) const
    {
        edit()->clear();
        type(text);
        w("bbtnAdd")->click();
    }
    void select(const QList<int> &positions) const
    {
        list()->clearSelection();
        for (int p : positions)
            list()->item(p)->setSelected(true);
    }
    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts << list()->item(i)->text();
        return texts;
    }
    QList<int> selected() const
    {
        QList<int> positions;
        for (int i = 0; i < list()->count(); ++i)
            if (list()->item(i)->isSelected())
                positions << i;
        return positions;
    }

    QTemporaryDir dir;
    TDMMirvale18 dm;
    test::MessageBoxScript boxes;
    std::unique_ptr<TInputList> dialog;
};

}  // namespace

TEST_F(InputListDialog, AddRefusesTrimmedDuplicatesPutsNewNameFirstAndEnterNeverClosesTheDialog)
{
    open(ilPost);
    add(" 課長 ");
    add("   ");
    add("abc");
    type("ABC");  // letter case counts
    QTest::keyClick(edit(), Qt::Key_Return);  // Enter with text clicks 追加
    ASSERT_EQ(boxes.texts(), (QStringList{"既に同じ名称が登録されています  ", "名称を入力してください  "}));
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONINFORMATION);
    EXPECT_EQ(rows(), (QStringList{"ABC", "abc", "部長", "課長", "係長", "主任"}));
    EXPECT_EQ(selected(), QList<int>{0});
    EXPECT_TRUE(edit()->text().isEmpty());
    QTest::keyClick(edit(), Qt::Key_Return);  // empty: on to OK, since a list changed
    EXPECT_TRUE(w("btnOk")->hasFocus());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(InputListDialog, NameIsLimitedToTheListsBytesAndToShiftJis)
{
    open(ilHonor);
    type("御中御中様");  // 10 bytes, the honorifics' limit
    type("殿");
    EXPECT_EQ(edit()->text(), "御中御中様");
    tabs()->setCurrentIndex(ilPost);
    type("部長代理😀");  // the history would store "?" for it
    EXPECT_TRUE(edit()->text().isEmpty());
}

// An entry of a keyword's list is typed as the keyword is in the record form: one set to 半角英数 takes no input
// method and keeps half width what one commits full width; the other lists keep the input method.
TEST_F(InputListDialog, AKeywordsEntryIsTypedInTheModeSetForTheKeyword)
{
    const auto modes = KeywordModes;
    const auto restore = qScopeGuard([modes] { KeywordModes = modes; });
    KeywordModes[5] = imClose;
    KeywordModes[6] = imKata;
    const auto imEnabled = [this] {
        QInputMethodQueryEvent asked(Qt::ImEnabled);
        QApplication::sendEvent(edit(), &asked);
        return asked.value(Qt::ImEnabled).toBool();
    };
    open(ilKeyword1);
    EXPECT_FALSE(imEnabled());
    add("ｔｏｋｙｏ－０１");
    EXPECT_EQ(rows().value(0), "tokyo-01");
    for (int list : {ilKeyword1 + 1, ilDptmnt, ilPost}) {
        SCOPED_TRACE(list);
        tabs()->setCurrentIndex(list);
        EXPECT_TRUE(imEnabled());
        EXPECT_EQ(GetImeMode(edit()), list == ilKeyword1 + 1 ? imKata : imDontCare);
        add("ｔｏｋｙｏ－０２");
        EXPECT_EQ(rows().value(0), "ｔｏｋｙｏ－０２");
    }
}

TEST_F(InputListDialog, UpAndDownMoveTheSelectedBlockAndDoNothingAtTheEnds)
{
    open(ilPost);
    select({0});
    EXPECT_FALSE(w("bbtnUp")->isEnabled());
    dialog->bbtnUpClick();
    w("btnCancel")->click();  // nothing changed: no question
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    open(ilPost);
    select({1, 2});
    w("bbtnUp")->click();
    EXPECT_EQ(rows(), (QStringList{"課長", "係長", "部長", "主任"}));
    EXPECT_EQ(selected(), (QList<int>{0, 1}));
    EXPECT_FALSE(w("bbtnUp")->isEnabled());
    select({0, 2});
    w("bbtnDown")->click();
    EXPECT_EQ(rows(), (QStringList{"係長", "課長", "主任", "部長"}));
    EXPECT_EQ(selected(), (QList<int>{1, 3}));
    EXPECT_FALSE(w("bbtnDown")->isEnabled());
}

TEST_F(InputListDialog, UpdateNeedsOneSelectedRowAndDeleteRemovesEverySelectedRow)
{
    open(ilPost);
    type("次長");
    w("bbtnUpdate")->click();
    select({0, 1});
    w("bbtnUpdate")->click();
    EXPECT_TRUE(list()->hasFocus());
    select({1});
    edit()->setText("部長 ");
    w("bbtnUpdate")->click();
    EXPECT_EQ(boxes.texts(), (QStringList{"変更するデータを選択してください  ", "変更するデータを１件だけ選択してください  ",
                                          "既に同じ名称が登録されています  "}));
    edit()->setText("次長");
    w("bbtnUpdate")->click();
    EXPECT_EQ(rows()[1], "次長");
    EXPECT_EQ(selected(), QList<int>{1});

    select({0, 2, 3});
    w("bbtnDelete")->click();
    EXPECT_EQ(rows(), QStringList{"次長"});
    EXPECT_FALSE(w("bbtnUp")->isEnabled());
    EXPECT_FALSE(w("bbtnDown")->isEnabled());
}

// By keys alone an entry is taken into the name field and changed: Enter on the list does what a double click
// does, and the entry changed is the one moved to.
TEST_F(InputListDialog, EnterOnTheListTakesTheEntryMovedToForChanging)
{
    open(ilPost);
    list()->setFocus();
    list()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(list(), Qt::Key_Down);
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(edit()->text(), "課長");
    EXPECT_TRUE(edit()->hasFocus());
    edit()->end(false);
    type("代理");
    QTest::keyClick(w("bbtnUpdate"), Qt::Key_Space);
    EXPECT_EQ(rows(), (QStringList{"部長", "課長代理", "係長", "主任"}));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(InputListDialog, TabsAndWheelKeepEachListsEditsAndOkSavesEveryChangedListInTheDialogsOrder)
{
    open(ilPost);
    EXPECT_EQ(tabs()->tabText(4), " キーワード７ ");
    select({3});
    w("bbtnDelete")->click();
    tabs()->setCurrentIndex(ilDptmnt);
    EXPECT_EQ(rows(), (QStringList{"総務部", "営業部"}));
    add("企画部");
    type("途中");
    select({1});
    // The wheel over the tabs switches lists as well, round from the first to the last and back.
    const QPointF over = tabs()->tabRect(0).center();
    const auto wheel = [&](int delta) {
        QWheelEvent event(over, tabs()->mapToGlobal(over), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(tabs(), &event);
    };
    wheel(120);
    EXPECT_EQ(tabs()->currentIndex(), 5);
    tabs()->setCurrentIndex(ilPost);
    EXPECT_EQ(rows().size(), 3);
    EXPECT_TRUE(edit()->text().isEmpty());
    tabs()->setCurrentIndex(5);
    wheel(-120);
    EXPECT_EQ(tabs()->currentIndex(), ilDptmnt);
    EXPECT_EQ(rows(), (QStringList{"企画部", "総務部", "営業部"}));
    EXPECT_EQ(edit()->text(), "途中");
    EXPECT_EQ(selected(), QList<int>{1});

    w("btnOk")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->GetChangedLists(), 3);
    EXPECT_EQ(fileTexts("Dptmnt.mtd"), rows());
    EXPECT_EQ(textsOf(*dm.DptmntHistory), rows());
    EXPECT_EQ(dm.DptmntHistory->GetDateTime(0), 3.0);  // the first item carries the latest value
    EXPECT_EQ(dm.DptmntHistory->GetDateTime(2), 1.0);
    EXPECT_EQ(fileTexts("Post.mtd"), (QStringList{"部長", "課長", "係長"}));
    EXPECT_EQ(textsOf(*dm.PostHistory), fileTexts("Post.mtd"));
    EXPECT_FALSE(QFileInfo::exists(HistoryFolder + "Keyword3.mtd"));  // only visited, never changed
    EXPECT_TRUE(boxes.shown().empty());
    dialog.reset();
    EXPECT_EQ(InputList, nullptr);
}

TEST_F(InputListDialog, CancelAfterChangesAsksNamingEachChangedTabAndWritesNothing)
{
    const QByteArray before = test::readFile(HistoryFolder + "Dptmnt.mtd");
    open(ilDptmnt);
    add("企画部");
    tabs()->setCurrentIndex(4);
    add("A");
    boxes.answer(IDNO);
    w("btnCancel")->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, " 部署 \r\n キーワード７ \r\n\r\n以上のリストが変更されています  \r\n"
                                     "このままキャンセルすると変更内容が破棄されますが  \r\nよろしいですか？  ");
    EXPECT_EQ(boxes.shown()[0].flags, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(rows(), QStringList{"A"});

    boxes.answer(IDYES);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);  // Esc asks as well
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dialog->GetChangedLists(), 0);
    EXPECT_EQ(test::readFile(HistoryFolder + "Dptmnt.mtd"), before);
    EXPECT_EQ(textsOf(*dm.DptmntHistory), (QStringList{"総務部", "営業部"}));
    EXPECT_FALSE(QFileInfo::exists(HistoryFolder + "Keyword2.mtd"));
}

TEST_F(InputListDialog, FailedSaveIsShownKeepsHistoryAsItsFileAndIsNotReported)
{
    // A department file that could not be read is never written over, so its save fails.
    dm.CloseDatabaseAndHistories();
    const QByteArray corrupt("\x05\x00\x00\x00", 4);
    test::writeFile(HistoryFolder + "Dptmnt.mtd", corrupt);
    dm.OpenDatabaseAndHistories();
    boxes.clear();

    open(ilPost);
    add("次長");
    tabs()->setCurrentIndex(ilDptmnt);
    add("企画部");
    w("btnOk")->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, HistoryFolder + "Dptmnt.mtd\r\nデータが書き込めませんでした");
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONERROR);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(test::readFile(HistoryFolder + "Dptmnt.mtd"), corrupt);
    EXPECT_EQ(dm.DptmntHistory->GetCount(), 0);  // as it was, not the refused list
    EXPECT_EQ(fileTexts("Post.mtd").first(), "次長");
    EXPECT_EQ(textsOf(*dm.PostHistory), fileTexts("Post.mtd"));
    EXPECT_EQ(rows(), QStringList{"企画部"});  // the edits stay for another try

    // The saved list is no longer pending: the question names only the one that failed.
    boxes.answer(IDYES);
    w("btnCancel")->click();
    EXPECT_TRUE(boxes.shown()[1].text.startsWith(" 部署 \r\n\r\n"));
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dialog->GetChangedLists(), 1 << ilPost);
}
