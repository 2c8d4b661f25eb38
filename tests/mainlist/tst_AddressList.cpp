// The main list: which records it shows and in what order, cell texts, selection and the word search.
#include "base/SjisCodec.h"
#include "core/AdrsSel.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "mainlist/AdrsList.h"
#include "mainlist/AdrsSch.h"
#include "mainlist/DupliSch.h"
#include "mainlist/NarrowDown.h"
#include "mainlist/RecordListing.h"
#include "mainlist/WordSch.h"
#include "platform/CustomEvents.h"
#include "platform/Forms.h"
#include "widgets/UniSortListView.h"
#include "widgets/UniStdCtrls.h"

#include "TestBook.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QComboBox>
#include <QRegularExpression>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolButton>
#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

namespace {

struct Row {
    int group = 0;
    QByteArray tel;
    QString corp;
    QByteArray pos;
};

class AddressListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open();
        dm = book.Module.get();
        list = std::make_unique<TAddressList>();
    }
    void TearDown() override { list.reset(); }
    void add(const Row &r)
    {
        TTable &t = *dm->AdrsTable;
        t.Append();
        t.FieldByName("Group").SetAsInteger(r.group);
        t.FieldByName("Tel").SetAsString(r.tel);
        t.FieldByName("CorpKanji").SetAsString(Sjis::encode(r.corp));
        t.FieldByName("Pos").SetAsString(r.pos);
        t.Post();
    }
    std::vector<int32_t> shown() const { return list->ShownRecNos; }
    // The book's file as a user's damaged disk leaves it: records of a page each, and one of their pages in the
    // middle overwritten, so the file opens and counts its rows (through an index) but no full scan gets past
    // the damage. The table is let go first.
    void damageBook()
    {
        TTable &t = *dm->AdrsTable;
        t.StartTransaction();
        for (int i = 0; i < 400; ++i) {
            t.Append();
            t.FieldByName("Note").SetAsString(QByteArray(3000, 'a' + i % 26));
            t.Post();
        }
        t.Commit();
        const QString file = t.FileName();
        dm->CloseAdrsTable();
        const QByteArray intact = test::readFile(file);
        const qsizetype pages = intact.size() / 4096;
        for (qsizetype page = pages / 2; page < pages; ++page) {
            QByteArray damaged = intact;
            damaged.replace(page * 4096, 4096, QByteArray(4096, '\x5a'));
            test::writeFile(file, damaged);
            TTable probe;
            probe.DatabaseName = t.DatabaseName;
            probe.TableName = t.TableName;
            try {
                probe.Open();
                probe.RecordCount();
            } catch (const EDatabaseError &) {
                continue;  // an index page: the open itself notices
            }
            try {
                probe.Scan({"RecNo"}, true, [](const QVariantList &) {});
            } catch (const EDatabaseError &) {
                return;
            }
        }
        FAIL() << "no page of the table could be damaged";
    }

    test::TestBook book;
    QTemporaryDir &dir = book.Dir;
    TDMMirvale18 *dm = nullptr;
    std::unique_ptr<TAddressList> list;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(AddressListTest, GroupsAndSortDirectionChooseTheRows)
{
    add({0, "0311111111", "A", ""});
    add({2, "0322222222", "B", ""});
    add({2, "0333333333", "C", ""});
    add({1, "0344444444", "D", ""});
    list->RefreshList(true, true, false);
    EXPECT_EQ(shown(), (std::vector<int32_t>{1, 2, 3, 4}));
    list->ViewGroup = 1;  // records without a group
    list->RefreshList(false, true, false);
    EXPECT_EQ(shown(), (std::vector<int32_t>{1}));
    list->ViewGroup = 3;  // group 2
    list->RefreshList(false, true, false);
    EXPECT_EQ(shown(), (std::vector<int32_t>{2, 3}));
    list->ViewGroup = 0;
    list->SortDir = false;
    list->RefreshList(false, true, false);
    EXPECT_EQ(shown(), (std::vector<int32_t>{4, 3, 2, 1}));
    EXPECT_EQ(list->StatusPanels[3]->text(), QStringLiteral("表示件数： 4"));
}

TEST_F(AddressListTest, GroupBoxShowsTheLongestGroupNameWhole)
{
    // The window is shown before the book's names arrive; a name of the full 20 bytes must still fit.
    list->show();
    QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    const QString saved = GroupNames[10];
    GroupNames[10] = QStringLiteral("取引先グループ第十号");
    list->FillGroupCombo();
    GroupNames[10] = saved;
    QTest::qWait(50);
    QComboBox *box = list->cbxGroup;
    QStyleOptionComboBox option;
    option.initFrom(box);
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    EXPECT_GE(field.width(), box->fontMetrics().horizontalAdvance(box->itemText(11)));
}

TEST_F(AddressListTest, DuplicateDisplayListsRunsInRecordOrder)
{
    add({0, "0311111111", "X", ""});
    add({0, "0399999999", "Y", ""});
    add({0, "0311111111", "Z", ""});
    add({0, "", "", ""});
    add({0, "", "", ""});
    list->DuplicateItem1 = 1;
    list->RefreshList(true, true, false);
    EXPECT_EQ(shown(), (std::vector<int32_t>{1, 3}));
    // With a group shown, a run of one member of that group lists nothing.
    TTable &t = *dm->AdrsTable;
    t.FindKey({3});
    t.Edit();
    t.FieldByName("Group").SetAsInteger(5);
    t.Post();
    list->ViewGroup = 6;
    list->RefreshList(false, true, false);
    EXPECT_TRUE(shown().empty());
}

TEST(RecordListing, DuplicateEntriesSortByKeysThenGroupKeepingOrder)
{
    std::vector<TDupliData> e = {{1, 2, "b", ""}, {2, 1, "a", ""}, {3, 1, "b", ""}, {4, 2, "a", ""}};
    SortDuplicateEntries(e, false);
    EXPECT_EQ((std::vector<int>{e[0].RecNo, e[1].RecNo, e[2].RecNo, e[3].RecNo}), (std::vector<int>{2, 4, 1, 3}));
    SortDuplicateEntries(e, true);
    EXPECT_EQ((std::vector<int>{e[0].RecNo, e[1].RecNo, e[2].RecNo, e[3].RecNo}), (std::vector<int>{2, 4, 3, 1}));
    EXPECT_EQ(FormatPostalCode("1234567"), "123-4567");
    EXPECT_EQ(FormatPostalCode("12345"), "123-45");
    EXPECT_EQ(FormatPostalCode("123456"), "123456");
}

TEST_F(AddressListTest, CellsFollowTheCurrentRecord)
{
    // One set of cells read record after record: the fields are kept, never their values. Every item's fields
    // are in the book.
    add({1, "0312345678", QStringLiteral("株式会社東京"), "1000005"});
    TTable &t = *dm->AdrsTable;
    TListCells cells(t, [](int32_t, int32_t) { return QByteArray(); });
    EXPECT_EQ(cells.Text(8, 0), "100-0005");
    EXPECT_EQ(cells.Text(12, 0), QStringLiteral("株式会社東京"));
    add({0, "0451234567", QStringLiteral("横浜商事"), "2200001"});
    t.Edit();
    t.FieldByName("AddDateTime").SetAsDateTime(46000.5);
    t.FieldByName("Keyword3").SetAsString(Sjis::encode(QStringLiteral(" 鍵 ")));
    t.Post();
    EXPECT_EQ(cells.Text(1, 1), QString());
    EXPECT_EQ(cells.Text(8, 1), "220-0001");
    EXPECT_EQ(cells.Text(12, 1), QStringLiteral("横浜商事"));
    EXPECT_EQ(cells.Text(35, 1), QString());
    EXPECT_EQ(cells.Text(36, 1), "2025/12/09 12:00:00");
    EXPECT_EQ(cells.Text(37, 1), "2025/12/09");
    EXPECT_EQ(cells.Text(38, 1), "12:00:00");
    EXPECT_EQ(cells.Text(liFirstKeyword + 2, 1), QStringLiteral("鍵"));
    for (int item = 0; item < ListItemCount; ++item)
        EXPECT_NO_THROW(cells.Text(item, 1)) << item;
    t.SetIndexName(QString());
    ASSERT_TRUE(t.FindKey({1}));
    EXPECT_EQ(cells.Text(12, 0), QStringLiteral("株式会社東京"));
}

TEST_F(AddressListTest, CellTextsFollowTheirItems)
{
    add({1, "0312345678", QStringLiteral("株式会社東京"), "1000005"});
    TTable &t = *dm->AdrsTable;
    t.Edit();
    t.FieldByName("SymbolMark").SetAsString(Sjis::encode(QStringLiteral("●")));
    t.FieldByName("SymbolColor").SetAsInteger(0x0000FF);
    t.FieldByName("CodeMain").SetAsInteger(16);
    t.FieldByName("CodeSub").SetAsInteger(2);
    t.Post();
    GroupNames[1] = QStringLiteral("取引先");
    const TCategoryNameFn names = [this](int32_t main, int32_t sub) {
        return sub < 0 ? list->GetCategoryMainName(main) : list->GetCategorySubName(main, sub);
    };
    TListCells cells(t, names);
    EXPECT_EQ(cells.Text(0, 6), "7");
    EXPECT_EQ(cells.Text(1, 0), QStringLiteral("取引先"));
    EXPECT_EQ(cells.Text(8, 0), "100-0005");
    EXPECT_EQ(cells.Text(11, 0), QStringLiteral("会社"));
    EXPECT_EQ(cells.Text(12, 0), QStringLiteral("株式会社東京"));
    EXPECT_EQ(cells.Text(35, 0), QStringLiteral("●,$000000FF"));
    EXPECT_EQ(cells.Text(42, 0), QStringLiteral("医療"));
    EXPECT_EQ(cells.Text(43, 0), QStringLiteral("内科"));
    EXPECT_EQ(cells.Text(36, 0), "1899/12/30 00:00:00");
    EXPECT_TRUE(cells.Text(ListItemCount, 0).isEmpty());

    // Drawn, a cell is one line: a note's three lines side by side, cut with an ellipsis where too wide.
    t.Edit();
    t.FieldByName("Note").SetAsString(Sjis::encode(QStringLiteral("一行目\r\n二行目\r\n三行目")));
    t.Post();
    list->ColumnDefs[34].Visible = 1;
    list->RefreshList(true, true, false);
    int noteColumn = 0;
    while (list->GetColumnItem(noteColumn) != 34)
        ++noteColumn;
    const QModelIndex note = list->lvAddress->model()->index(0, noteColumn);
    const QFontMetrics metrics(list->lvAddress->font());
    // The bounds of what the cell draws in a rectangle of the given width and of five lines' height.
    auto ink = [&](int width) {
        QImage image(width, 5 * metrics.height(), QImage::Format_RGB32);
        QStyleOptionViewItem option;
        option.initFrom(list->lvAddress);
        option.rect = image.rect();
        option.font = list->lvAddress->font();
        option.fontMetrics = metrics;
        option.state = QStyle::State_Enabled;
        option.palette.setColor(QPalette::Base, Qt::white);
        option.palette.setColor(QPalette::Text, Qt::black);
        QPainter painter(&image);
        list->lvAddress->itemDelegate()->paint(&painter, option, note);
        painter.end();
        QRect drawn;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255))
                    drawn |= QRect(x, y, 1, 1);
        return drawn;
    };
    const QRect whole = ink(1000);
    EXPECT_LE(whole.height(), metrics.height());
    EXPECT_GT(whole.width(), metrics.horizontalAdvance(QStringLiteral("一行目二行目三"))) << "every line on the one";
    const QRect cut = ink(metrics.horizontalAdvance(QStringLiteral("一行目二")));
    EXPECT_LE(cut.height(), metrics.height());
    EXPECT_LT(cut.width(), metrics.horizontalAdvance(QStringLiteral("一行目二")));
}

// Offices' addresses as a book lists them, a building or room after the street number: the list's 住所 column
// sets the building apart, so "梅田3-1-3" with "5F" never reads as street number 3-1-35. The duplicate display
// and the narrowing by 住所 read the address as the list shows it: the office whose town says "梅田3-1-35F" is
// another place.
TEST_F(AddressListTest, TheAddressSetsTheBuildingApartFromTheStreetNumberWhereverItIsJoined)
{
    const std::vector<std::array<const char16_t *, 5>> offices = {
        {u"大阪府", u"大阪市北区", u"梅田3-1-3", u"5F", u"株式会社梅田精密機械製作所 大阪本社"},
        {u"東京都", u"千代田区", u"丸の内1-9-1", u"201号室", u"丸の内法律事務所"},
        {u"福岡県", u"福岡市博多区", u"博多駅前２－１－１", u"５階", u"九州情報システム開発株式会社"},
        {u"東京都", u"千代田区", u"丸の内１－９－１", u"グラントウキョウノースタワー１２階", u"株式会社東京鷗外書房"},
        {u"大阪府", u"大阪市北区", u"梅田3-1-35F", u"", u"梅田商店"},
        {u"大阪府", u"大阪市北区", u"梅田3-1-3", u"5F", u"株式会社梅田精密機械製作所 大阪営業所"},
    };
    TTable &t = *dm->AdrsTable;
    for (const auto &o : offices) {
        t.Append();
        int k = 0;
        for (const char *field : {"Tdfkn", "Adrs1", "Adrs2", "Adrs3", "CorpKanji"})
            t.FieldByName(field).SetAsString(Sjis::encode(QString::fromUtf16(o[size_t(k++)])));
        t.FieldByName("Tel").SetAsString("0663451234");
        t.Post();
    }
    list->RefreshList(true, true, false);
    int column = 0;
    while (list->GetColumnItem(column) != liAddress)
        ++column;
    QStringList shownAddresses;
    for (int row = 0; row < list->lvAddress->model()->rowCount(); ++row)
        shownAddresses << list->lvAddress->model()->index(row, column).data().toString();
    EXPECT_EQ(shownAddresses, (QStringList{"大阪府大阪市北区梅田3-1-3 5F", "東京都千代田区丸の内1-9-1 201号室",
                                           "福岡県福岡市博多区博多駅前２－１－１ ５階",
                                           "東京都千代田区丸の内１－９－１ グラントウキョウノースタワー１２階",
                                           "大阪府大阪市北区梅田3-1-35F", "大阪府大阪市北区梅田3-1-3 5F"}));

    list->DuplicateItem1 = 2;
    list->RefreshList(true, true, false);
    EXPECT_EQ(shown(), (std::vector<int32_t>{1, 6}));
    list->DuplicateItem1 = 0;

    TNarrowDownItem street;
    street.Item = fiAddress;
    street.Text = "3-1-35";
    street.MatchMode = mmContains;
    list->Filter = TNarrowDownCondition{{street}, true};
    list->RefreshList(true, true, false);
    EXPECT_EQ(shown(), (std::vector<int32_t>{5}));
    list->Filter = TNarrowDownCondition();
}

TEST_F(AddressListTest, SelectionMirrorFollowsEveryChange)
{
    for (int i = 0; i < 10; ++i)
        add({0, QByteArray::number(i), "", ""});
    list->RefreshList(true, true, false);
    QAbstractItemModelTester tester(list->lvAddress->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    list->SelectItem(-3, true, true);
    EXPECT_EQ(list->GetSelectedIndex(), 0);
    list->SelectItem(12, true, true);
    EXPECT_EQ(list->GetSelectedIndex(), 9);
    EXPECT_EQ(list->GetSelectedCount(), 1);
    list->SelectItem(4, false, false);
    list->SelectItem(6, false, false);
    list->SetSelected(6, false);  // a row the user deselects is no longer selected for any command
    EXPECT_FALSE(list->IsSelected(6));
    EXPECT_TRUE(list->IsSelected(4));
    EXPECT_EQ(list->GetLastSelectedIndex(), 9);
    EXPECT_EQ(list->StatusPanels[2]->text(), QStringLiteral("選択件数： 2"));
    EXPECT_EQ(list->GetRecNoAt(10), -1);
    EXPECT_EQ(list->IndexOfRecNo(5), 4);
}

TEST_F(AddressListTest, WordSearchWrapsAroundAndResumes)
{
    add({0, "", QStringLiteral("山田商店"), ""});
    add({0, "", QStringLiteral("鈴木"), ""});
    add({0, "", QStringLiteral("山田工業"), ""});
    list->RefreshList(true, true, false);
    list->SelectItem(1, true, true);
    list->SearchWord = QStringLiteral("山田");
    ASSERT_TRUE(list->FindNextWord());
    EXPECT_EQ(list->GetSelectedIndex(), 2);
    ASSERT_TRUE(list->FindNextWord());
    EXPECT_EQ(list->GetSelectedIndex(), 0);  // wrapped past the end
    list->SearchWord = QStringLiteral("佐藤");
    EXPECT_FALSE(list->FindNextWord());
}

TEST_F(AddressListTest, EmptyBookGivesEmptyListAndNoneValues)
{
    list->RefreshList(true, true, false);
    EXPECT_EQ(list->GetRecordCount(), 0);
    EXPECT_EQ(list->GetSelectedIndex(), -1);
    EXPECT_EQ(list->GetFocusedIndex(), -1);
    EXPECT_EQ(list->GetRecNoAt(0), -1);
    EXPECT_EQ(list->StatusPanels[3]->text(), QStringLiteral("表示件数： 0"));
    EXPECT_TRUE(list->IsFirstRecord());
    list->SelectItem(0, true, true);
    EXPECT_EQ(list->LastSelIndex, -1);
}

TEST_F(AddressListTest, SettingsComeBackAfterTheWindowIsClosed)
{
    add({0, "0311111111", "A", ""});
    list->SortType = 2;
    list->SortDir = false;
    list->ViewGroup = 3;
    list->DuplicateItem1 = 1;
    list->ColumnDefs[5].Visible = true;
    TNarrowDownItem condition;
    condition.Item = 0;  // the customer code, a text item
    condition.Text = "A";
    condition.MatchMode = mmPrefix;
    list->Filter.Conditions.push_back(condition);
    list.reset();  // writes the settings
    list = std::make_unique<TAddressList>();
    EXPECT_EQ(list->SortType, 2);
    EXPECT_FALSE(list->SortDir);
    EXPECT_EQ(list->ViewGroup, 3);
    EXPECT_EQ(list->DuplicateItem1, 1);
    EXPECT_TRUE(list->ColumnDefs[5].Visible);
    EXPECT_EQ(list->cbxSort->currentIndex(), 2);
    EXPECT_EQ(list->StatusPanels[1]->text(), QStringLiteral("絞り込み中"));

    // A stored filter without conditions, read to its end, still offers both commands.
    list->DuplicateItem1 = 0;
    list->Filter = TNarrowDownCondition();
    list.reset();
    test::writeFile(DataRootFolder + "Search.lst", QByteArray("\x00\x01", 2));
    list = std::make_unique<TAddressList>();
    EXPECT_TRUE(list->actDisableSearch->isEnabled());
    EXPECT_TRUE(list->actCancelSearch->isEnabled());
}

TEST_F(AddressListTest, CommandsFollowTheirEnableRules)
{
    // Before a book is open nothing that works on one is offered; the print button shows a printer.
    auto *print = list->findChild<QToolButton *>("tbtnPrint");
    ASSERT_NE(print, nullptr);
    for (QAction *action : {list->actInquiry, list->actDelete, list->actAdrsSearch, list->actDuplicateSearch})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_FALSE(print->isEnabled());
    const QImage floppy = list->style()->standardIcon(QStyle::SP_DialogSaveButton).pixmap(32).toImage();
    EXPECT_NE(print->icon().pixmap(32).toImage(), floppy);
    EXPECT_FALSE(print->icon().isNull());
    list->RefreshList(true, true, false);
    EXPECT_TRUE(list->actAdrsSearch->isEnabled());
    EXPECT_TRUE(print->isEnabled());
    EXPECT_FALSE(list->actDelete->isEnabled());  // empty list
    EXPECT_TRUE(list->actReload->isEnabled());
    EXPECT_FALSE(list->actWordNext->isEnabled());
    EXPECT_FALSE(list->actDisableSearch->isEnabled());
    add({0, "1", "A", ""});
    list->RefreshList(false, true, false);
    EXPECT_TRUE(list->actDelete->isEnabled());
    // A command whose window is not part of this build stays disabled whatever its rule says.
    EXPECT_FALSE(list->actListPrint->isEnabled());
    EXPECT_EQ(list->actDelete->statusTip(), QStringLiteral("選択しているアドレス帳データを削除します"));
    EXPECT_EQ(list->actDelete->toolTip(), QStringLiteral("削除"));
    EXPECT_EQ(list->actExit->toolTip(), QStringLiteral("Velmora の終了"));
    EXPECT_EQ(list->actInquiry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    // The list's pop-up menu draws its entries without shortcut texts; the search drop-down keeps them.
    struct TMenuTexts : QProxyStyle {
        QStringList Texts;
        void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                         const QWidget *widget) const override
        {
            if (auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
                item && element == CE_MenuItem && !item->text.isEmpty())
                const_cast<TMenuTexts *>(this)->Texts << item->text;
            QProxyStyle::drawControl(element, option, painter, widget);
        }
    };
    auto drawnTexts = [](QMenu *menu) {
        TMenuTexts style;
        menu->setStyle(&style);
        menu->grab();
        menu->setStyle(nullptr);
        return style.Texts;
    };
    const QStringList popup = drawnTexts(list->pmAdrs);
    ASSERT_EQ(popup.size(), 3);
    for (const QString &text : popup)
        EXPECT_FALSE(text.contains(QLatin1Char('\t'))) << text.toStdString();
    EXPECT_TRUE(drawnTexts(list->pmSearch).first().contains(QLatin1Char('\t')));
    EXPECT_NE(list->findChild<QToolButton *>("tbtnAdrsSearch"), nullptr);
}

TEST_F(AddressListTest, DeleteRemovesTheSelectedRecordsAfterTheQuestion)
{
    for (int i = 1; i <= 6; ++i)
        add({0, QByteArray::number(i), "", ""});
    list->RefreshList(true, true, false);
    for (int row : {1, 2, 4})
        list->SelectItem(row, false, false);
    boxes.answer(IDNO);
    list->actDelete->trigger();
    EXPECT_EQ(list->GetRecordCount(), 6);
    EXPECT_EQ(boxes.shown().back().flags, MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2);
    boxes.answer(IDYES);
    list->actDelete->trigger();
    EXPECT_EQ(shown(), (std::vector<int32_t>{1, 4, 6}));
    EXPECT_EQ(list->GetSelectedIndex(), 1);  // the first old position, selected again
    EXPECT_EQ(dm->AdrsTable->RecordCount(), 3);
}

// A deletion of a selection is one change of the book: killed at any of its file steps, the next start finds
// every selected record or none of them. Steps are walked one by one at first and then further apart, so a
// deletion written record by record (thousands of steps) is still caught within a few kills.
TEST_F(AddressListTest, AKilledDeletionOfASelectionLeavesAllOfItOrNone)
{
    TTable &t = *dm->AdrsTable;
    t.StartTransaction();
    for (int i = 0; i < 300; ++i)
        add({i % 3, QByteArray("03-5412-") + QByteArray::number(1000 + i), QStringLiteral("株式会社鷗外総合企画研究所"), ""});
    add({0, "045-201-7788", QStringLiteral("剝離技研株式会社"), ""});
    t.Commit();
    const QString file = t.FileName();
    dm->CloseAdrsTable();
    const QByteArray before = test::readFile(file);
    int step = 1;
    bool sawKept = false, sawGone = false;
    for (;; step += step < 40 ? 1 : step) {
        list.reset();
        test::writeFile(file, before);
        ASSERT_TRUE(dm->OpenAdrsTable());
        list = std::make_unique<TAddressList>();
        list->RefreshList(true, true, false);
        ASSERT_EQ(list->GetRecordCount(), 301);
        for (int row = 0; row < 300; ++row)
            list->SelectItem(row, false, false);
        const bool killed = test::KillAtFileStep(dir.path(), step, [&] {
            boxes.answer(IDYES);
            list->actDelete->trigger();
        });
        list.reset();
        dm->CloseAdrsTable();
        ASSERT_TRUE(dm->OpenAdrsTable());
        const int left = dm->AdrsTable->RecordCount();
        ASSERT_TRUE(left == 301 || left == 1) << "killed at file step " << step << ": " << left << " records";
        (left == 301 ? sawKept : sawGone) = true;
        if (!killed)
            break;
    }
    EXPECT_TRUE(sawKept);
    EXPECT_TRUE(sawGone);
}

TEST_F(AddressListTest, DuplicateDisplayCanBeSuspendedAndCancelled)
{
    add({0, "0311111111", "A", ""});
    add({0, "0399999999", "B", ""});
    add({0, "0311111111", "C", ""});
    list->DuplicateItem1 = 1;
    list.reset();  // the stored duplicate item is read back by the next window, as at start
    ASSERT_TRUE(dm->OpenAdrsTable());
    list = std::make_unique<TAddressList>();
    list->RefreshList(true, true, false);
    EXPECT_EQ(list->GetRecordCount(), 2);
    EXPECT_TRUE(list->actDisableSearch->isEnabled());
    EXPECT_FALSE(list->cbxSort->isEnabled());
    list->actDisableSearch->trigger();  // suspended: every record, sortable again
    EXPECT_EQ(list->GetRecordCount(), 3);
    EXPECT_TRUE(list->cbxSort->isEnabled());
    EXPECT_EQ(list->StatusPanels[1]->text(), QStringLiteral("重複表示無効"));
    list->actCancelSearch->trigger();  // while suspended: only unchecked, nothing to reload
    EXPECT_FALSE(list->actDisableSearch->isChecked());
    EXPECT_FALSE(list->actCancelSearch->isEnabled());
    EXPECT_EQ(list->DuplicateItem1, 0);
    EXPECT_EQ(list->GetRecordCount(), 3);
    EXPECT_TRUE(list->StatusPanels[1]->text().isEmpty());
}

// Lifting a filter, by the dialog's 絞り込みの解除 or by the command, keeps the record that was selected
// selected (and in view), though it now sits at another row; so does a change of group or order.
TEST_F(AddressListTest, TheSelectedRecordStaysSelectedWhenTheFilterIsLifted)
{
    for (const char *tel : {"0311111111", "0322222222", "0633333333", "0344444444", "0655555555"})
        add({0, tel, QStringLiteral("会社"), ""});
    list->RefreshList(true, true, false);
    auto filterOsaka = [this] {
        TNarrowDownItem condition;
        condition.Item = 1;  // 電話番号
        condition.Text = "06";
        condition.MatchMode = mmPrefix;
        TNarrowDownCondition filter;
        filter.Conditions.push_back(condition);
        QTimer::singleShot(0, [filter] {
            auto *dialog = qobject_cast<TAddressSearch *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->SetConditions(filter);
            dialog->btnView->click();
        });
        list->actAdrsSearch->trigger();
        ASSERT_EQ(shown(), (std::vector<int32_t>{3, 5}));
        list->SelectItem(1, true, true);  // record 5
    };
    auto selectedRecords = [this] {
        std::vector<int32_t> recNos;
        for (int i = 0; i < list->GetRecordCount(); ++i)
            if (list->IsSelected(i))
                recNos.push_back(list->GetRecNoAt(i));
        return recNos;
    };

    filterOsaka();
    list->actCancelSearch->trigger();
    EXPECT_EQ(selectedRecords(), std::vector<int32_t>{5}) << "the command";

    filterOsaka();
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TAddressSearch *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->btnClear->click();
    });
    list->actAdrsSearch->trigger();
    EXPECT_EQ(list->GetRecordCount(), 5);
    EXPECT_EQ(selectedRecords(), std::vector<int32_t>{5}) << "解除 in the dialog";
    EXPECT_EQ(list->lvAddress->currentIndex().row(), 4);

    list->SelectItem(2, true, true);  // record 3
    list->sbtnSortDirection->click();
    EXPECT_EQ(shown().front(), 5) << "descending";
    EXPECT_EQ(selectedRecords(), std::vector<int32_t>{3}) << "another direction";
}

TEST_F(AddressListTest, EscapeEndsTheMainWindow)
{
    list->show();
    QTest::keyClick(list.get(), Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(list->property("ModalResult").toInt(), mrCancel);
}

TEST_F(AddressListTest, NameOfNoBookAsksForABookInsteadOfOpeningAnother)
{
    AdrsBookList = {{"Book", "Book", abReady}};
    CurrentAdrsName = "Gone";
    boxes.answer(IDYES);  // confirm ending the run when the question is cancelled
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<TAddressSelect *>(QApplication::activeModalWidget());
        asked = dialog != nullptr;
        if (dialog)
            dialog->btnCancel->click();
    });
    list->OpenAddressBook(false);
    EXPECT_TRUE(asked);
    EXPECT_EQ(list->windowTitle(), "Velmora");
}

TEST_F(AddressListTest, SwitchToABookThatCannotOpenLeavesNothingOfTheOldOne)
{
    add({0, "1", "A", ""});
    add({0, "2", "B", ""});
    AdrsBookList = {{"Book", "Book", abReady}, {"Broken", "Broken", abReady}};
    CurrentAdrsName = "Book";
    CurrentAdrsIndex = 0;
    test::writeFile(AdrsFolder + "Broken/Adrs.DB", "not a table");
    list->RefreshList(true, true, false);
    ASSERT_EQ(list->GetRecordCount(), 2);
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TAddressSelect *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->lvAdrs->setCurrentRow(1);
        dialog->btnOk->click();
    });
    list->actOpen->trigger();
    EXPECT_EQ(CurrentAdrsName, "Broken");
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Velmora"));  // no book is open
    EXPECT_EQ(list->GetRecordCount(), 0);
    EXPECT_FALSE(list->actAdrsSearch->isEnabled());
    EXPECT_FALSE(list->findChild<QToolButton *>("tbtnPrint")->isEnabled());
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("アドレス帳ファイルがオープンできませんでした  \r\n\r\n"
                                                   "ファイルが壊れています  \r\nバックアップから復元してください  "));
}

TEST_F(AddressListTest, DamagedBookIsReportedAndAnotherCanBeOpened)
{
    damageBook();
    AdrsBookList = {{"Book", "Book", abReady}, {"Other", "Other", abReady}};
    QDir().mkpath(AdrsFolder + "Other");
    CurrentAdrsName = "Book";
    list->OpenAddressBook(false);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("アドレス帳が読み出せませんでした  \r\n\r\n"
                                               "ファイルが壊れています  \r\nバックアップから復元してください  "));
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(list->GetRecordCount(), 0);
    EXPECT_FALSE(dm->AdrsTable->Active());
    list->actReload->trigger();  // nothing is read from a book that is not open
    EXPECT_EQ(boxes.texts().size(), 1);

    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TAddressSelect *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->lvAdrs->setCurrentRow(1);
        dialog->btnOk->click();
    });
    list->actOpen->trigger();
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Velmora - Other"));
    EXPECT_TRUE(dm->AdrsTable->Active());
    EXPECT_EQ(boxes.texts().size(), 1);
}

TEST_F(AddressListTest, LockedBookIsReportedOnceAndReadAgainWhenFree)
{
    for (int i = 0; i < 30; ++i)
        add({0, QByteArray::number(i), "", ""});
    list->RefreshList(true, true, false);
    QAbstractItemModel *model = list->lvAddress->model();
    auto cell = [&](int row) { return model->data(model->index(row, 0)).toString(); };
    const QString locked = QStringLiteral("アドレス帳が読み出せませんでした  \r\n\r\n"
                                          "ファイルが他のプログラムで使用されています  \r\n"
                                          "しばらくしてからもう一度お試しください  ");
    TSqliteDatabase other;
    other.Open(dm->AdrsTable->FileName(), TablePassword, false);
    other.Exec("BEGIN EXCLUSIVE");

    // F5 while another program writes: the rows painted stay blank and one message says why.
    list->actReloadExecute();
    for (int row = 0; row < 10; ++row)
        EXPECT_EQ(cell(row), QString());
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.texts(), QStringList{locked});

    // A new order cannot be listed either.
    list->cbxSort->setCurrentIndex(3);
    list->cbxSortChange();
    EXPECT_EQ(list->GetRecordCount(), 0);
    EXPECT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(boxes.texts().last(), locked);

    other.Exec("ROLLBACK");
    list->sbtnSortDirectionClick();
    EXPECT_EQ(list->GetRecNoAt(0), 30);
    EXPECT_EQ(cell(0), "1");
    EXPECT_EQ(boxes.texts().size(), 2);
}

TEST_F(AddressListTest, EveryCommandIsInItsMenusAndOnlyBuiltOnesCanRun)
{
    add({0, "1", "A", ""});
    list->RefreshList(true, true, false);
    const QStringList built = {"actCreate", "actOpen", "actEditGroup", "actExit", "actDelete", "actInitColumn",
                               "actReload", "actTopic", "actAdrsCopy", "actAdrsSearch", "actWordSearch", "actDuplicateSearch", "actKeywordEdit",
                               "actViewColumn"};
    const QList<QAction *> actions = list->findChildren<QAction *>(QRegularExpression("^act"));
    EXPECT_EQ(actions.size(), 38);
    for (QAction *action : actions) {
        const bool inMenu = !action->associatedObjects().isEmpty();
        EXPECT_TRUE(inMenu) << action->objectName().toStdString();
        if (built.contains(action->objectName())) {
            EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        } else if (action != list->actWordNext && action != list->actDisableSearch && action != list->actCancelSearch) {
            EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
        }
    }
    // Column widths go back to their defaults.
    list->ColumnDefs[0].Width = 500;
    list->actInitColumn->trigger();
    EXPECT_EQ(list->ColumnDefs[0].Width, 56);
    // Reloading keeps the selection's place.
    list->SelectItem(0, true, false);
    list->actReload->trigger();
    EXPECT_EQ(list->GetSelectedIndex(), 0);
}

TEST_F(AddressListTest, PressBelowTheRowsKeepsARowSelected)
{
    for (int i = 0; i < 3; ++i)
        add({0, QByteArray::number(i), "", ""});
    // Shown, the window opens its book by itself: give it one to open without asking.
    AdrsBookList = {{"Book", "Book", abReady}};
    CurrentAdrsName = "Book";
    ChooseBookAtStart = DataPathReset = FirstRun = 0;
    HistoryFolder = dir.path() + "/History/";
    list->resize(800, 600);
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    list->RefreshList(true, true, false);
    list->SelectItem(1, true, false);
    list->SetSelected(1, false);
    ASSERT_EQ(list->GetSelectedCount(), 0);
    QWidget *viewport = list->lvAddress->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, viewport->height() - 5));
    EXPECT_EQ(list->GetSelectedCount(), 1);
    EXPECT_TRUE(list->IsSelected(1));
    // Closed right after a refresh, with the view's new layout still pending: the view, hidden while the
    // window is destroyed, asks for its headers, and must not find the columns already gone.
    list->RefreshList(true, true, false);
    list.reset();
}

TEST_F(AddressListTest, WordSearchAndDuplicateCommandsUseTheirDialogs)
{
    add({0, "0311111111", QStringLiteral("山田商店"), ""});
    add({0, "0399999999", QStringLiteral("鈴木"), ""});
    add({0, "0311111111", QStringLiteral("佐藤"), ""});
    list->RefreshList(true, true, false);
    auto answer = [](auto act) {
        QTimer::singleShot(0, [act] { act(QApplication::activeModalWidget()); });
    };
    answer([](QWidget *w) {
        auto *dialog = qobject_cast<TWordSearch *>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->edtWord->setText(QStringLiteral("鈴木"));
        dialog->btnSearch->click();
    });
    list->actWordSearch->trigger();
    EXPECT_EQ(list->GetSelectedIndex(), 1);
    EXPECT_TRUE(list->actWordNext->isEnabled());

    answer([](QWidget *w) {
        auto *dialog = qobject_cast<TWordSearch *>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->edtWord->setText(QStringLiteral("田中"));
        dialog->btnSearch->click();
    });
    list->actWordSearch->trigger();
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("指定した文字列は見つかりませんでした  "));

    TNarrowDownItem condition;
    condition.Text = "x";
    condition.MatchMode = mmPrefix;
    list->Filter.Conditions.push_back(condition);
    answer([](QWidget *w) {
        auto *dialog = qobject_cast<TDuplicateSearch *>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->cbxItem1->setCurrentIndex(0);  // the telephone number
        dialog->btnView->click();
    });
    list->actDuplicateSearch->trigger();
    EXPECT_EQ(list->DuplicateItem1, 1);
    EXPECT_TRUE(list->Filter.Conditions.empty());  // a duplicate display clears the filter
    EXPECT_EQ(shown(), (std::vector<int32_t>{1, 3}));
    EXPECT_FALSE(list->cbxSort->isEnabled());
}

TEST_F(AddressListTest, BookTableOpensFirstAndABookThatCannotOpenStopsTheRest)
{
    // The fixture's module stands aside: the window opens the book through a module of its own.
    TDMMirvale18 module;
    DMMirvale18 = &module;
    AdrsBookList = {{"Broken", "Broken", abReady}};
    CurrentAdrsName = "Broken";
    test::writeFile(AdrsFolder + "Broken/Adrs.DB", "not a table");
    list->OpenAddressBook(false);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("アドレス帳ファイルがオープンできませんでした  ")));
    EXPECT_EQ(module.OxaCatmRefCount, 0);
    EXPECT_EQ(module.OxaCatmTable, nullptr);
    EXPECT_EQ(module.SenderTable, nullptr);
    list.reset();
    DMMirvale18 = dm;
}

TEST_F(AddressListTest, AFullDiskAtCloseKeepsEverySettingAndSaysSo)
{
    AdrsBookList = {{"Book", "Book", abReady}};
    list.reset();  // every settings file written once
    const QStringList files = {DataFolder + "Mirvale18.ini", DataRootFolder + "AdrsList.ini",
                               AdrsFolder + "AdrsMng.ini"};
    QByteArrayList before;
    for (const QString &file : files)
        before << test::readFile(file);
    ASSERT_FALSE(before.contains(QByteArray()));
    list = std::make_unique<TAddressList>();
    list->SortType = 2;
    list->DuplicateItem1 = 1;
    boxes.clear();
    {
        test::FullDisk disk(8);
        list.reset();
    }
    for (qsizetype i = 0; i < files.size(); ++i)
        EXPECT_EQ(test::readFile(files[i]), before[i]) << files[i].toStdString();
    // Each file that could not be written is named, and a failure does not keep the others from being tried.
    const QStringList texts = boxes.texts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_TRUE(texts[0].startsWith(files[0]));
    EXPECT_TRUE(texts[1].startsWith(files[1]));
    EXPECT_TRUE(texts[2].startsWith(files[2]));
    EXPECT_TRUE(texts[3].startsWith(files[0]));
}
