// The name lists of the directory search: the target and exclusion dialog over the shipped and own names of a
// search name, the own-item editor, and the search-name list with its tabs, edit panel and history.
#include "directory/CtgryLst.h"
#include "directory/ExportItemSelect.h"
#include "directory/NameLists.h"
#include "directory/OrgEdit.h"
#include "directory/TgtExcpt.h"

#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "widgets/ShiftJisValidator.h"

#include "Accessibility.h"
#include "KeyWalk.h"
#include "TestBook.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

QByteArray sj(const char *utf8) { return Sjis::encode(QString::fromUtf8(utf8)); }

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

class NameListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString shipped = test::appDir() + "Category/";
        const QString categories = tables.path() + "/";
        for (const QString &f : QDir(shipped).entryList(QDir::Files))
            QFile::copy(shipped + f, categories + f);
        book.Open(QStringLiteral("Book"), false, categories);
        dm = book.Module.get();
        ASSERT_TRUE(dm->OpenTargetTable());
        ASSERT_TRUE(dm->OpenExceptionTable());
        ASSERT_TRUE(dm->OpenOriginalTable());
    }
    void TearDown() override
    {
        dm->CloseTargetTable();
        dm->CloseExceptionTable();
        dm->CloseOriginalTable();
    }
    static void addRow(TTable &t, const char *name, bool show, int flag = -1)
    {
        const int32_t recNo = NextRecNo(t);
        t.Append();
        t.FieldByName(QStringLiteral("RecNo")).SetAsInteger(recNo);
        t.FieldByName(QStringLiteral("Name")).SetAsString(sj(name));
        t.FieldByName(QStringLiteral("Category")).SetAsString(category);
        t.FieldByName(QStringLiteral("Show")).SetAsBoolean(show);
        if (flag >= 0)
            t.FieldByName(QStringLiteral("Flag")).SetAsInteger(flag);
        t.Post();
    }
    static bool shown(TTable &t, const char *name)
    {
        for (const TNameRow &row : CategoryRows(t, category, t.FindField(QStringLiteral("Flag")) != nullptr))
            if (row.Name == sj(name))
                return row.Show;
        ADD_FAILURE() << "no row " << name;
        return false;
    }

    inline static const QByteArray category = sj("試験名称");
    QTemporaryDir tables;
    test::TestBook book;
    TDMMirvale18 *dm = nullptr;
    test::MessageBoxScript boxes;
};

// Own names of any non-zero flag are exclusions both when the lists are loaded and when they are saved.
TEST_F(NameListTest, TargetAndExclusionChoicesAreSavedAsTheyWereLoaded)
{
    addRow(*dm->TargetTable, "甲", true);
    addRow(*dm->TargetTable, "乙", false);
    addRow(*dm->ExceptionTable, "丙", false);
    addRow(*dm->OriginalTable, "丁", true, 0);
    addRow(*dm->OriginalTable, "戊", true, 2);
    TTargetException dialog(nullptr);
    dialog.SetSearchName(category);
    dialog.LoadLists();
    EXPECT_EQ(texts(dialog.lbxTargetAdd), (QStringList{"甲", "丁"}));
    EXPECT_EQ(texts(dialog.lbxTargetList), QStringList{"乙"});
    EXPECT_EQ(texts(dialog.lbxExceptionAdd), QStringList{"戊"});
    EXPECT_EQ(texts(dialog.lbxExceptionList), QStringList{"丙"});

    // A shipped name moved back lands before the own name; the exclusion lists swap their names.
    dialog.lbxTargetList->setCurrentRow(0);
    dialog.bbtnTargetAdd->click();
    EXPECT_EQ(texts(dialog.lbxTargetAdd), (QStringList{"甲", "乙", "丁"}));
    EXPECT_FALSE(dialog.bbtnTargetAdd->isEnabled());
    dialog.lbxExceptionAdd->setCurrentRow(0);
    dialog.bbtnExceptionDelete->click();
    dialog.lbxExceptionList->setCurrentRow(0);
    dialog.bbtnExceptionAdd->click();
    EXPECT_EQ(texts(dialog.lbxExceptionAdd), QStringList{"丙"});
    EXPECT_EQ(texts(dialog.lbxExceptionList), QStringList{"戊"});
    dialog.btnSet->click();
    EXPECT_TRUE(dialog.FChanged);
    EXPECT_TRUE(shown(*dm->TargetTable, "乙"));
    EXPECT_TRUE(shown(*dm->ExceptionTable, "丙"));
    EXPECT_FALSE(shown(*dm->OriginalTable, "戊"));
    const TChosenNames chosen = ChosenNames(*dm->TargetTable, *dm->ExceptionTable, *dm->OriginalTable, category);
    EXPECT_EQ(chosen.Targets.size(), 3u);
    EXPECT_EQ(chosen.Exclusions, std::vector<QByteArray>{sj("丙")});

    // The same name chosen as a target and as an exclusion is refused and writes nothing.
    TTargetException again(nullptr);
    again.SetSearchName(category);
    again.LoadLists();
    again.lbxExceptionList->setCurrentRow(0);
    again.bbtnExceptionAllAdd->click();
    again.lbxTargetAdd->addItem(QStringLiteral("戊"));
    again.btnSet->click();
    EXPECT_FALSE(again.FChanged);
    EXPECT_TRUE(boxes.texts().back().startsWith(QStringLiteral("「対象に追加する名称」と「対象から除外する名称」に")));
    EXPECT_FALSE(shown(*dm->OriginalTable, "戊"));
}

TEST_F(NameListTest, OwnItemsAreAddedCheckedAndDeletedAtOnce)
{
    addRow(*dm->TargetTable, "甲", false);
    TTargetException dialog(nullptr);
    TargetException = &dialog;
    dialog.SetSearchName(category);
    dialog.LoadLists();
    TOriginalEdit editor(&dialog);
    editor.SetFlag(0);
    editor.SetCategory(category);
    editor.LoadItems();
    EXPECT_FALSE(editor.btnDelete->isEnabled());
    auto add = [&](const char *name) {
        editor.edtItem->setText(QString::fromUtf8(name));
        editor.btnAddClick();
    };
    add("試験名称");
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("検索名称自体を登録することはできません  "));
    add("甲");
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("既に同じ項目が対象項目に登録されています  "));
    add("己");
    add("庚");
    add("己");
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("既に同じ項目が登録されています  "));
    EXPECT_EQ(texts(editor.lbxList), (QStringList{"己", "庚"}));
    const std::vector<TNameRow> rows = CategoryRows(*dm->OriginalTable, category, true);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].RecNo, 0);
    EXPECT_EQ(rows[1].RecNo, 1);
    EXPECT_TRUE(rows[0].Show);
    EXPECT_TRUE(editor.FChanged);
    dialog.MergeOwnItems();
    EXPECT_EQ(texts(dialog.lbxTargetAdd), (QStringList{"己", "庚"}));
    // Deleting takes the name out of the open dialog's lists too.
    editor.lbxList->selectAll();
    boxes.answer(IDYES);
    editor.btnDeleteClick();
    EXPECT_EQ(editor.lbxList->count(), 0);
    EXPECT_FALSE(editor.btnDelete->isEnabled());
    EXPECT_TRUE(texts(dialog.lbxTargetAdd).isEmpty());
    EXPECT_TRUE(CategoryRows(*dm->OriginalTable, category, true).empty());
    TargetException = nullptr;
}

TEST_F(NameListTest, SearchNamesAreAddedChangedChosenAndDeleted)
{
    TCategoryList dialog(nullptr);
    QAbstractItemModelTester tester(dialog.lvCategory->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    dialog.show();
    EXPECT_EQ(dialog.cbxIndex->currentIndex(), TCategoryList::tabHistory);
    dialog.SetEditPanelVisible(true);
    auto enter = [&](const char *kana, const char *kanji, bool original, int tag) {
        dialog.edtKana->setText(QString::fromUtf8(kana));
        dialog.edtKanji->setText(QString::fromUtf8(kanji));
        dialog.chkOriginal->setChecked(original);
        dialog.AddOrChange(tag);
    };
    dialog.ChangeIndexTab(3);  // た行
    const size_t before = dialog.FRecNos.size();
    enter("ﾃｽﾄ", "試験甲", false, 0);
    enter("ﾃｽﾄ", "試験乙", false, 0);
    enter("ﾃｽﾄ", "試験丙", true, 0);
    EXPECT_EQ(dialog.FRecNos.size(), before + 3);
    enter("ﾃｽﾄ", "試験乙", false, 0);
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("同じ内容が既に登録されています  "));
    enter("ﾝｽﾄ", "試験丁", false, 0);
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("カナの最初の１文字目は  \r\n「ｱ」～「ﾜ」の範囲で入力してください  "));
    // The written entry is selected; changing 乙 into 丙 meets the row after it, not only those before.
    ASSERT_EQ(dialog.GetSelectedKanji(), sj("試験丙"));
    const int count = static_cast<int>(boxes.texts().size());
    for (size_t i = 0; i < dialog.FRecNos.size(); ++i) {
        dialog.lvCategory->selectionModel()->select(dialog.lvCategory->model()->index(int(i), 0),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (dialog.GetSelectedKanji() == sj("試験乙"))
            break;
    }
    ASSERT_EQ(dialog.GetSelectedKanji(), sj("試験乙"));
    enter("ﾃｽﾄ", "試験丙", true, 1);
    ASSERT_EQ(static_cast<int>(boxes.texts().size()), count + 1);
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("同じ内容が既に登録されています  "));
    // A change into something new is written; only its own row may hold it.
    enter("ﾃｽﾄ", "試験丁", false, 1);
    EXPECT_EQ(dialog.GetSelectedKanji(), sj("試験丁"));
    enter("ﾃｽﾄ", "試験丁", false, 1);  // unchanged: nothing to do, no message
    EXPECT_EQ(static_cast<int>(boxes.texts().size()), count + 1);
    // Own entries under 独自; the chosen one in 履歴.
    dialog.ChangeIndexTab(TCategoryList::tabOwn);
    bool own = false;
    for (size_t i = 0; i < dialog.FRecNos.size(); ++i)
        own = own || dialog.FKanaList[i].second;
    EXPECT_TRUE(own);
    dialog.ChangeIndexTab(3);
    dialog.lvCategory->selectionModel()->select(dialog.lvCategory->model()->index(0, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QByteArray chosen = dialog.GetSelectedKanji();
    dialog.btnSelectClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    TCategoryList later(nullptr);
    later.show();
    ASSERT_FALSE(later.FRecNos.empty());
    EXPECT_EQ(later.GetSelectedKanji(), chosen);
    // Deleting from 履歴 keeps the entry under its kana tab.
    boxes.answer(IDYES);
    later.btnDeleteClick();
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("1件のデータを削除しました  "));
    EXPECT_TRUE(later.FRecNos.empty());
    // The first two kana, a voiced mark counting with its letter.
    EXPECT_EQ(TCategoryList::KanaHead(sj("ｶﾞｲｼ")), sj("ｶﾞｲ"));
    EXPECT_EQ(TCategoryList::KanaHead(sj("ﾃｽﾄ")), sj("ﾃｽ"));
}

// The list's tabs are browsed by arrows in their box: the focus stays there while the list follows each tab, full
// or empty, and Enter goes on to the list.
TEST_F(NameListTest, TheTabsAreBrowsedByArrowsWhileTheListFollows)
{
    TCategoryList dialog(nullptr);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.cbxIndex->setFocus();
    for (int tab = TCategoryList::tabHistory - 1; tab >= 0; --tab) {
        QTest::keyClick(dialog.cbxIndex, Qt::Key_Up);
        ASSERT_EQ(dialog.FIndexTab, tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.cbxIndex) << "after the Up to tab " << tab;
    }
    EXPECT_FALSE(dialog.FRecNos.empty()) << "あ行 lists the shipped names";
    QTest::keyClick(dialog.cbxIndex, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), dialog.lvCategory);
}

// The input method commits a search name's reading as full-width katakana, a screen reader may set hiragana:
// either is the half-width reading the list is kept in, as the record form's reading fields take it.
TEST_F(NameListTest, ASearchNameReadingIsTakenHalfWidthHoweverItArrives)
{
    InstallTypedTextAccessibility();  // as the program does at start
    TCategoryList dialog(nullptr);
    dialog.show();
    dialog.SetEditPanelVisible(true);
    dialog.ChangeIndexTab(3);  // た行
    const size_t before = dialog.FRecNos.size();
    dialog.edtKana->clear();  // the tab's first entry is shown
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("テスト"));
    QApplication::sendEvent(dialog.edtKana, &commit);
    EXPECT_EQ(dialog.edtKana->text(), QStringLiteral("ﾃｽﾄ"));
    dialog.edtKanji->setText(QStringLiteral("試験甲"));
    dialog.AddOrChange(0);
    EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front().toStdString();
    EXPECT_EQ(dialog.FRecNos.size(), before + 1);

    QAccessibleInterface *kana = QAccessible::queryAccessibleInterface(dialog.edtKana);
    kana->editableTextInterface()->replaceText(0, kana->textInterface()->characterCount(), QStringLiteral("てすと"));
    EXPECT_EQ(dialog.edtKana->text(), QStringLiteral("ﾃｽﾄ"));
    dialog.edtKanji->setText(QStringLiteral("試験乙"));
    dialog.AddOrChange(0);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(dialog.FRecNos.size(), before + 2);
}

// The name lists' dialogs and the column choices of the directory's output name every control, the lists
// after the captions above them.
TEST_F(NameListTest, EveryControlOfTheListDialogsHasAnAccessibleName)
{
    TTargetException targets(nullptr);
    targets.SetSearchName(category);
    targets.LoadLists();
    TOriginalEdit own(&targets);
    own.SetCategory(category);
    own.LoadItems();
    TCategoryList names(nullptr);
    names.show();
    names.SetEditPanelVisible(true);
    TExportItemSelect output(nullptr);
    output.SetItems(DefaultItemChoice(SearchItemCount), 0);
    TCopyItemSet copy(nullptr);
    for (QWidget *dialog : std::initializer_list<QWidget *>{&targets, &own, &names, &output, &copy}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        EXPECT_THAT(test::unnamedControls(dialog), ::testing::IsEmpty());
    }
}

}  // namespace

// Tab reads each group of the target and exclusion dialog as it stands: the chosen names, the buttons between
// the lists, the candidates; then the next group and the dialog's buttons.
TEST_F(NameListTest, TabReadsTheTargetAndExclusionDialogInItsOrder)
{
    addRow(*dm->TargetTable, "甲", true);
    addRow(*dm->TargetTable, "乙", false);
    addRow(*dm->ExceptionTable, "丙", false);
    TTargetException dialog(nullptr);
    dialog.SetSearchName(category);
    dialog.LoadLists();
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const QList<QWidget *> round = test::tabRound(&dialog);
    EXPECT_THAT(test::readingOrderFaults(round, &dialog), ::testing::IsEmpty());
    QStringList names;
    for (QWidget *w : round)
        names << test::controlName(w);
    const auto at = [&names](const char *name) { return names.indexOf(QLatin1String(name)); };
    EXPECT_LT(at("lbxTargetAdd"), at("bbtnTargetCreate")) << names.join(u' ').toStdString();
    EXPECT_LT(at("bbtnTargetCreate"), at("lbxTargetList")) << names.join(u' ').toStdString();
    EXPECT_LT(at("lbxTargetList"), at("lbxExceptionAdd")) << names.join(u' ').toStdString();
    EXPECT_LT(at("lbxExceptionAdd"), at("bbtnExceptionCreate")) << names.join(u' ').toStdString();
    EXPECT_LT(at("bbtnExceptionCreate"), at("lbxExceptionList")) << names.join(u' ').toStdString();
    EXPECT_GE(at("lbxTargetAdd"), 0) << names.join(u' ').toStdString();
}
