// The main list's small dialogs: word search, duplicate display, keyword names and column choice.
#include "base/Fonts.h"
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "mainlist/AdrsListSettings.h"
#include "mainlist/DupliSch.h"
#include "mainlist/HdrSel.h"
#include "mainlist/KeywdEdt.h"
#include "mainlist/WordSch.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include "Accessibility.h"
#include "TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {

// Shown the way the main list shows it, and made active so focus and keys reach it.
template <typename Dialog>
std::unique_ptr<Dialog> shown()
{
    auto dialog = std::make_unique<Dialog>(nullptr);
    dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    QApplication::setActiveWindow(dialog.get());
    return dialog;
}

template <typename Control>
Control *child(QWidget *dialog, const char *name)
{
    auto *control = dialog->findChild<Control *>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

std::pair<int, int> itemsOf(const TDuplicateSearch &dialog)
{
    std::pair<int, int> items{-1, -1};
    dialog.GetItems(items.first, items.second);
    return items;
}

// The keyword globals and the data root belong to the whole program: every test leaves them as it found them.
class ListDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        DataRootFolder = dir.path() + "/root/";
        QDir().mkpath(DataRootFolder);
    }
    void TearDown() override
    {
        KeywordNames = savedNames;
        KeywordModes = savedModes;
    }
    QString listIni() const { return DataRootFolder + "AdrsList.ini"; }

    QTemporaryDir dir;
    const std::array<QString, 8> savedNames = KeywordNames;
    const std::array<uint8_t, 8> savedModes = KeywordModes;
};

}  // namespace

TEST(WordSearch, TrimsOnlyBlanksEnterLeadsToSearchAndClearEmptiesTheWord)
{
    auto dialog = shown<TWordSearch>();
    auto *edit = child<TUniEdit>(dialog.get(), "edtWord");
    dialog->SetWord(QStringLiteral("山田商店"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("山田商店"));
    EXPECT_EQ(edit->cursorPosition(), 4);
    edit->setText(QStringLiteral(" \t\u3000田中\u3000\r\n"));
    EXPECT_EQ(dialog->GetWord(), QStringLiteral("\u3000田中\u3000"));
    edit->setText(" \t ");
    EXPECT_EQ(dialog->GetWord(), "");

    edit->setText("abc");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->btnSearch->hasFocus());
    QTest::keyClick(dialog->btnSearch, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->GetWord(), "abc");

    dialog = shown<TWordSearch>();
    dialog->SetWord("abc");
    child<QPushButton>(dialog.get(), "btnClear")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->GetWord(), "");
}

TEST(DuplicateSearch, SameItemTwiceIsRefusedAndTheDialogStaysOpen)
{
    test::MessageBoxScript boxes;
    auto dialog = shown<TDuplicateSearch>();
    dialog->SetItems(1, 0);
    dialog->cbxItem1->setCurrentIndex(1);  // 住所
    dialog->cbxItem2->setCurrentIndex(2);  // 住所
    dialog->btnView->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("同じ項目を指定できません  ")});
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONINFORMATION);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->cbxItem2->hasFocus());

    dialog->cbxItem2->setCurrentIndex(4);
    QTest::keyClick(dialog->cbxItem2, Qt::Key_Return);
    EXPECT_TRUE(dialog->btnView->hasFocus());
    QTest::keyClick(dialog->btnView, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(itemsOf(*dialog), std::make_pair(2, 4));
}

TEST(DuplicateSearch, NoDisplayGivenViewsTelephoneUnchangedChoiceCancelsAndClearWins)
{
    auto dialog = shown<TDuplicateSearch>();
    dialog->SetItems(0, 0);
    EXPECT_EQ(child<QComboBox>(dialog.get(), "cbxItem1")->currentText(), QStringLiteral("電話番号"));
    EXPECT_EQ(child<QComboBox>(dialog.get(), "cbxItem2")->currentText(), QStringLiteral("（指定しない）"));
    EXPECT_FALSE(child<QPushButton>(dialog.get(), "btnClear")->isEnabled());
    child<QPushButton>(dialog.get(), "btnView")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(itemsOf(*dialog), std::make_pair(1, 0));

    dialog = shown<TDuplicateSearch>();
    dialog->SetItems(3, 0);
    EXPECT_EQ(dialog->cbxItem1->currentText(), QStringLiteral("会社名"));
    dialog->btnView->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    dialog = shown<TDuplicateSearch>();
    dialog->SetItems(3, 4);
    EXPECT_EQ(dialog->cbxItem2->currentText(), QStringLiteral("名前"));
    dialog->cbxItem1->setCurrentIndex(0);
    dialog->btnClear->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(itemsOf(*dialog), std::make_pair(0, 0));
}

// The item lists of 重複データ and the keyword modes take no input method at any focus.
TEST_F(ListDialogs, ClosedListsTakeNoInputMethod)
{
    const auto imEnabled = [](QWidget *w) {
        QInputMethodQueryEvent asked(Qt::ImEnabled);
        QApplication::sendEvent(w, &asked);
        return asked.value(Qt::ImEnabled).toBool();
    };
    auto duplicates = shown<TDuplicateSearch>();
    auto keywords = shown<TKeywordEdit>();
    for (QComboBox *list : std::initializer_list<QComboBox *>{duplicates->cbxItem1, duplicates->cbxItem2,
                                                              child<QComboBox>(keywords.get(), "cbxKeyword1")}) {
        SCOPED_TRACE(list->objectName().toStdString());
        list->setFocus();
        EXPECT_FALSE(imEnabled(list));
    }
    // The names themselves keep it.
    EXPECT_TRUE(imEnabled(child<QLineEdit>(keywords.get(), "edtKeyword1")));
}

TEST_F(ListDialogs, KeywordEditRefusesTheFirstEmptyNameAndCutsLongNamesOnLeaving)
{
    InstallTypedTextAccessibility();  // as the program does at start
    test::MessageBoxScript boxes;
    auto dialog = shown<TKeywordEdit>();
    child<TUniEdit>(dialog.get(), "edtKeyword5")->setText("");
    child<TUniEdit>(dialog.get(), "edtKeyword3")->setText(QStringLiteral(" \t"));
    child<QPushButton>(dialog.get(), "btnOk")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("キーワード項目３が未入力です  ")});
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONINFORMATION);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->edtKeyword[2]->hasFocus());
    EXPECT_FALSE(QFileInfo::exists(listIni()));
    EXPECT_EQ(KeywordNames, savedNames);

    // A character is never split: 14 bytes keep six double-byte characters, 13 bytes keep the eleven single ones.
    dialog->edtKeyword[2]->setText(QStringLiteral("あいうえおかき"));
    QTest::keyClick(dialog->edtKeyword[2], Qt::Key_Return);
    EXPECT_EQ(dialog->edtKeyword[2]->text(), QStringLiteral("あいうえおか"));
    EXPECT_TRUE(dialog->cbxKeyword[2]->hasFocus());
    QTest::keyClick(dialog->cbxKeyword[2], Qt::Key_Return);
    EXPECT_TRUE(dialog->edtKeyword[3]->hasFocus());
    EXPECT_FALSE(dialog->edtKeyword[3]->hasSelectedText());
    EXPECT_EQ(dialog->edtKeyword[3]->cursorPosition(), dialog->edtKeyword[3]->text().size());
    dialog->edtKeyword[3]->setText(QString(11, 'a') + QStringLiteral("漢"));
    dialog->cbxKeyword[3]->setFocus();
    EXPECT_EQ(dialog->edtKeyword[3]->text(), QString(11, 'a'));

    // A character Shift-JIS lacks never gets into a name.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("𠮷"));
    QApplication::sendEvent(dialog->edtKeyword[4], &commit);
    EXPECT_FALSE(dialog->edtKeyword[4]->text().contains(QStringLiteral("𠮷")));

    // A name a screen reader sets over the accessibility bus is cut as at leaving, though the edit keeps the focus.
    auto *sixth = child<TUniEdit>(dialog.get(), "edtKeyword6");
    ASSERT_TRUE(test::setTextOnTheBus(sixth, QStringLiteral("あいうえおかき")));
    EXPECT_EQ(sixth->text(), QStringLiteral("あいうえおか"));
}

TEST_F(ListDialogs, ColumnAndKeywordDialogsDrawEveryRowInTheProgramsFace)
{
    const QFont saved = QApplication::font();
    InstallUiFont();
    const QString face = QFontInfo(QApplication::font()).family();
    auto keywords = shown<TKeywordEdit>();
    EXPECT_EQ(QFontInfo(keywords->edtKeyword[0]->font()).family(), face);
    auto columns = shown<THeaderSelect>();
    auto *list = columns->findChild<QListWidget *>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(QFontInfo(list->font()).family(), face);
    QApplication::setFont(saved);
}

// The dialog freed with the focus in a name: its window goes only in QDialog's own destructor, and the focus-out
// then ends the entry. No handler of the dialog may run on what is left of it (here it would cut the name).
TEST_F(ListDialogs, NoKeywordHandlerRunsWhenTheDialogIsFreedWithTheFocusInAName)
{
    auto dialog = shown<TKeywordEdit>();
    TUniEdit *name = dialog->edtKeyword[4];
    name->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return name->hasFocus(); }));
    name->setText(QStringLiteral("取引先担当部署"));  // 14 bytes, more than a keyword name holds
    QSignalSpy changes(name, &QLineEdit::textChanged);
    dialog.reset();
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(ListDialogs, KeywordNamesAndModesAreWrittenInOrderAndReadBackWithTheirChangeFlags)
{
    test::MessageBoxScript boxes;
    test::writeFile(listIni(), Sjis::encode(QStringLiteral("[HEADER]\r\nHeaderIndex=x\r\n")));
    auto dialog = shown<TKeywordEdit>();
    dialog->cbxKeyword[1]->setCurrentIndex(4);  // 半角英数
    dialog->btnOk->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->ModesChanged, 1);
    EXPECT_EQ(dialog->NamesChanged, 0);
    const TMemIniFile ini(listIni());
    EXPECT_EQ(ini.ReadSection("KEYWORD").join(','), "Name1,Name2,Name3,Name4,Name5,Name6,Name7,Name8,"
                                                    "Mode1,Mode2,Mode3,Mode4,Mode5,Mode6,Mode7,Mode8");
    EXPECT_EQ(ini.ReadString("KEYWORD", "Mode2", ""), "1");
    EXPECT_EQ(ini.ReadString("HEADER", "HeaderIndex", ""), "x");

    // The same names and modes are stored again and report no change.
    QFile::remove(listIni());
    dialog = shown<TKeywordEdit>();
    EXPECT_EQ(dialog->cbxKeyword[1]->currentText(), QStringLiteral("半角英数"));
    dialog->btnOk->click();
    EXPECT_EQ(dialog->NamesChanged, 0);
    EXPECT_EQ(dialog->ModesChanged, 0);
    EXPECT_TRUE(QFileInfo::exists(listIni()));

    dialog = shown<TKeywordEdit>();
    dialog->edtKeyword[7]->setText(QStringLiteral(" 紹介 者\t"));
    dialog->cbxKeyword[6]->setCurrentIndex(1);
    dialog->btnOk->click();
    EXPECT_EQ(dialog->NamesChanged, 1);
    EXPECT_EQ(dialog->ModesChanged, 1);
    KeywordNames = savedNames;
    KeywordModes = savedModes;
    LoadListSettings(96);
    EXPECT_EQ(KeywordNames[7], QStringLiteral("紹介 者"));
    EXPECT_EQ(KeywordModes[6], imKata);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ListDialogs, KeywordCancelAndFailedSaveLeaveGlobalsAndFileUntouched)
{
    test::MessageBoxScript boxes;
    auto dialog = shown<TKeywordEdit>();
    dialog->edtKeyword[0]->setText("Changed");
    dialog->cbxKeyword[0]->setCurrentIndex(3);
    dialog->btnCancel->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(KeywordModes, savedModes);
    EXPECT_FALSE(QFileInfo::exists(listIni()));

    QDir().mkpath(listIni() + "/x");  // a folder in the file's place: it can be neither read nor written
    dialog = shown<TKeywordEdit>();
    dialog->edtKeyword[0]->setText("Changed");
    dialog->btnOk->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONERROR);
    EXPECT_TRUE(boxes.shown()[0].text.contains("AdrsList.ini"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->NamesChanged, 0);
    EXPECT_EQ(KeywordNames, savedNames);
}

namespace {

// Item i in row i, 100 + i pixels wide, visible as by default.
std::array<TColumnDef, ListItemCount> defaultColumns()
{
    std::array<TColumnDef, ListItemCount> defs;
    for (int i = 0; i < ListItemCount; ++i)
        defs[i] = {i, i, 100 + i, ListItemTable()[i].Shown};
    return defs;
}

}  // namespace

TEST_F(ListDialogs, HeaderMovesCarryTicksAndWidthsAndStopAtTheEnds)
{
    KeywordNames[0] = QStringLiteral("顧客区分");
    auto dialog = shown<THeaderSelect>();
    dialog->SetColumns(defaultColumns());
    auto *list = child<QListWidget>(dialog.get(), "lvHeader");
    EXPECT_EQ(list->item(26)->text(), QStringLiteral("顧客区分"));
    EXPECT_EQ(list->item(25)->text(), QStringLiteral("連名5"));
    for (QPushButton *button : {dialog->bbtnTop, dialog->bbtnUp, dialog->bbtnDown, dialog->bbtnBottom, dialog->bbtnAll,
                                dialog->bbtnReView, dialog->bbtnReSort})
        EXPECT_FALSE(button->icon().pixmap(16).isNull()) << button->objectName().toStdString();

    EXPECT_EQ(list->currentRow(), 0);
    child<QPushButton>(dialog.get(), "bbtnUp")->click();
    list->setCurrentRow(43);
    child<QPushButton>(dialog.get(), "bbtnDown")->click();
    std::array<TColumnDef, ListItemCount> defs{};
    dialog->GetColumns(defs);
    EXPECT_EQ(defs, defaultColumns());

    list->setCurrentRow(10);
    list->item(10)->setCheckState(Qt::Checked);
    child<QPushButton>(dialog.get(), "bbtnTop")->click();
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("住所カナ"));
    list->setCurrentRow(5);
    child<QPushButton>(dialog.get(), "bbtnBottom")->click();
    EXPECT_EQ(list->currentRow(), 43);
    dialog->GetColumns(defs);
    // Rows 0..43 now hold items 10, 0..3, 5..9, 11..43, 4, each with its own width and tick.
    for (int row = 0; row < ListItemCount; ++row) {
        const int item = row == 0 ? 10 : row <= 4 ? row - 1 : row <= 9 ? row : row <= 42 ? row + 1 : 4;
        EXPECT_EQ(defs[row], (TColumnDef{item, item, 100 + item, item == 10 || ListItemTable()[item].Shown})) << row;
        EXPECT_EQ(list->item(row)->checkState() == Qt::Checked, defs[row].Visible);
    }
}

TEST_F(ListDialogs, HeaderReSortRestoresItemOrderAndReViewRestoresDefaultTicksInPlace)
{
    std::array<TColumnDef, ListItemCount> given = defaultColumns();
    std::reverse(given.begin(), given.end());
    for (TColumnDef &d : given)
        d.Visible = d.ItemNo % 3 == 0;
    auto dialog = shown<THeaderSelect>();
    dialog->SetColumns(given);
    dialog->bbtnReSort->click();
    std::array<TColumnDef, ListItemCount> defs{};
    dialog->GetColumns(defs);
    for (int i = 0; i < ListItemCount; ++i)
        EXPECT_EQ(defs[i], (TColumnDef{i, i, 100 + i, i % 3 == 0}));
    EXPECT_EQ(dialog->lvHeader->currentRow(), 0);

    dialog->SetColumns(given);
    dialog->bbtnAll->click();
    dialog->bbtnReView->click();
    dialog->GetColumns(defs);
    std::vector<int> ticked;
    for (const TColumnDef &d : defs)
        if (d.Visible)
            ticked.push_back(d.ItemNo);
    EXPECT_EQ(ticked, (std::vector<int>{26, 16, 12, 9, 4, 3, 1, 0}));
    EXPECT_EQ(defs[0].ItemNo, 43);
}

TEST_F(ListDialogs, HeaderOkNeedsOneTickedRow)
{
    test::MessageBoxScript boxes;
    auto dialog = shown<THeaderSelect>();
    dialog->SetColumns(defaultColumns());
    QListWidget *list = dialog->lvHeader;
    for (int row = 0; row < ListItemCount; ++row)
        list->item(row)->setCheckState(Qt::Unchecked);
    dialog->btnOk->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("表示する項目は１つ以上選択してください  ")});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(list->hasFocus());

    list->setCurrentRow(2);
    dialog->lvHeaderDblClick();
    EXPECT_EQ(list->item(2)->checkState(), Qt::Checked);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(dialog->btnOk->hasFocus());
    QTest::keyClick(dialog->btnOk, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}
