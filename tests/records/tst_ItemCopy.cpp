// The record form's item copy: the line it puts on the clipboard for a choice of items, the quoting that keeps
// the line's columns, the copy choice in the settings and the setting dialog.
#include "records/DtInqiry.h"
#include "records/ItemCopy.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "directory/ExportItemSelect.h"
#include "directory/ItemChoiceSettings.h"
#include "mainlist/AdrsList.h"
#include "platform/MemIniFile.h"

#include "TestBook.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString Section = QStringLiteral("DATA INQUIRY");

std::vector<TItemChoice> onlyItems(std::initializer_list<uint32_t> itemNos)
{
    std::vector<TItemChoice> choice = DefaultItemChoice(CopyItemCount);
    for (TItemChoice &entry : choice)
        entry.Chosen = false;
    // The chosen items go first, in the order given.
    size_t place = 0;
    for (const uint32_t itemNo : itemNos) {
        const auto at = std::find_if(choice.begin(), choice.end(),
                                     [itemNo](const TItemChoice &e) { return e.ItemNo == itemNo; });
        at->Chosen = true;
        std::rotate(choice.begin() + static_cast<std::ptrdiff_t>(place), at, at + 1);
        ++place;
    }
    return choice;
}

TCopySettings loaded(const QByteArray &iniText)
{
    TMemIniFile ini(QString{});
    ini.SetText(iniText);
    return LoadCopySettings(ini);
}

}  // namespace

TEST(ItemCopyText, QuotesOnlyValuesThatWouldBreakTheLine)
{
    std::array<QString, CopyItemCount> values;
    values[1] = QStringLiteral("C-01");
    values[11] = QStringLiteral("ビル5F, 東棟");
    values[15] = QStringLiteral("\"東西\"商事");
    values[17] = QStringLiteral("営業部\n第二課");
    values[46] = QStringLiteral("一行目\t二行目");
    EXPECT_EQ(BuildCopyText(values, onlyItems({15, 1, 11, 17, 46, 2}), false),
              QStringLiteral("\"\"\"東西\"\"商事\",C-01,\"ビル5F, 東棟\",\"営業部\n第二課\",一行目\t二行目,"));
    EXPECT_EQ(BuildCopyText(values, onlyItems({1}), true), QStringLiteral("C-01\r\n"));
    EXPECT_EQ(BuildCopyText(values, onlyItems({}), true), QStringLiteral("\r\n"));
    EXPECT_EQ(BuildCopyText(values, onlyItems({}), false), QString());
}

TEST(ItemCopySettings, MissingOrDamagedChoiceGivesEveryItemInTableOrder)
{
    const TCopySettings none = loaded({});
    EXPECT_EQ(ItemChoiceIndexText(none.Items), ItemChoiceIndexText(DefaultItemChoice(CopyItemCount)));
    EXPECT_EQ(ItemChoiceChosenText(none.Items), ItemChoiceChosenText(DefaultItemChoice(CopyItemCount)));
    EXPECT_TRUE(none.LastReturn);

    QStringList order, offs;
    for (int i = CopyItemCount - 1; i >= 0; --i)
        order << QString::number(i);
    for (int i = 0; i < CopyItemCount; ++i)
        offs << QStringLiteral("0");
    const auto ini = [&](const QStringList &index) {
        return ("[DATA INQUIRY]\r\nCopyItemIndex=" + index.join(',') + "\r\nCopyItemCopy=" + offs.join(',')
                + "\r\nLastReturn=0\r\n")
            .toLatin1();
    };
    const TCopySettings reversed = loaded(ini(order));
    EXPECT_EQ(reversed.Items.front().ItemNo, 54u);
    EXPECT_EQ(reversed.Items.front().TableRow, 54u);
    EXPECT_FALSE(reversed.Items.front().Chosen);
    EXPECT_FALSE(reversed.LastReturn);

    // 54 or 56 numbers, a part that is no number (in the place of item 0, so it would read as no duplicate),
    // an item twice or one outside the table: the order is dropped as a whole and the flags with it.
    const auto withAs = [&](const char *item, const QString &part) {
        return QStringList(order).replaceInStrings(QRegularExpression(QStringLiteral("^%1$").arg(item)), part);
    };
    for (const QStringList &bad :
         {order.mid(1), order + QStringList{"0"}, withAs("0", "x"), withAs("17", "16"), withAs("17", "55")}) {
        const TCopySettings damaged = loaded(ini(bad));
        EXPECT_EQ(ItemChoiceIndexText(damaged.Items), ItemChoiceIndexText(DefaultItemChoice(CopyItemCount)));
        EXPECT_EQ(ItemChoiceChosenText(damaged.Items), ItemChoiceChosenText(DefaultItemChoice(CopyItemCount)));
    }
    // Flags that are not one per item choose every item of a valid order.
    const QByteArray fewFlags = ini(order).replace("CopyItemCopy=0,", "CopyItemCopy=");
    for (const TItemChoice &entry : loaded(fewFlags).Items)
        EXPECT_TRUE(entry.Chosen);

    TMemIniFile written(QString{});
    TCopySettings settings{onlyItems({30, 2, 7}), false};
    StoreCopySettings(written, settings);
    const TCopySettings back = loaded(written.GetText());
    EXPECT_EQ(ItemChoiceIndexText(back.Items), ItemChoiceIndexText(settings.Items));
    EXPECT_EQ(ItemChoiceChosenText(back.Items), ItemChoiceChosenText(settings.Items));
    EXPECT_FALSE(back.LastReturn);
}

namespace {

class ItemCopyForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"), true);
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        GroupNames[2] = QStringLiteral("取引先");
    }
    void TearDown() override
    {
        delete form.data();
        list.reset();
        AddressList = nullptr;
        GroupNames[2].clear();
    }
    void open()
    {
        form = new TDataInquiry(list.get());
        RecordForm = form;
    }
    static QString clipboardText() { return QGuiApplication::clipboard()->text(); }
    TMemIniFile settingsFile() const { return TMemIniFile(DataFolder + SettingsFileName); }

    test::TestBook book;
    std::unique_ptr<TAddressList> list;
    QPointer<TDataInquiry> form;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(ItemCopyForm, CopiesTheShownRecordInTheChosenOrder)
{
    TAddressRecord r;
    r.RecNo = 7;
    r.Group = 2;
    r.Tel = "03-1234-5678";
    r.TelDiv = 3;
    r.Pos = "1000005";
    r.Tdfkn = Sjis::encode(u"東京都");
    r.Adrs1 = Sjis::encode(u"千代田区");
    r.Adrs2 = Sjis::encode(u"丸の内1-1");
    r.Adrs3 = Sjis::encode(u"ビル5F, 東棟");
    r.CorpKanji = Sjis::encode(u"\"東西\"商事");
    r.NameKanji = WideToEscapedAnsi(QStringLiteral("𠮷田 一郎"));
    r.PrintTarget = 2;
    r.Note = QByteArrayList{Sjis::encode(u"一行目"), Sjis::encode(u"二行目"), Sjis::encode(u"三行目")};
    r.ExtFile = QByteArrayList{"/home/u/a.pdf", "/home/u/b.txt"};
    r.AddDateTime = DateTimeToDouble(QDateTime(QDate(2024, 4, 1), QTime(9, 5, 7)));
    r.UpdDateTime = DateTimeToDouble(QDateTime(QDate(2024, 5, 2), QTime(18, 0, 0)));
    open();
    form->ShowRecord(r);
    form->CopyItems = onlyItems({0, 2, 3, 7, 12, 15, 19, 36, 46, 47, 49, 50, 51, 52});
    form->CopyLastReturn = true;
    form->btnCopy->click();

    // The name's character without a Shift-JIS form becomes what the conversion makes of it.
    const QString expected = QStringLiteral("取引先,03-1234-5678,代表,100-0005,\"東京都千代田区丸の内1-1 ビル5F, 東棟\","
                                            "\"\"\"東西\"\"商事\",?田 一郎,印刷除外,一行目\t二行目\t三行目,"
                                            "/home/u/a.pdf\t/home/u/b.txt,2024/04/01,09:05:07,2024/05/02,18:00:00\r\n");
    EXPECT_EQ(clipboardText().toStdString(), expected.toStdString());
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain;charset=Shift_JIS")),
              Sjis::encode(expected));
}

TEST_F(ItemCopyForm, WithoutSettingsANewRecordCopiesAllItemsAndEndsTheLine)
{
    open();
    EXPECT_TRUE(form->btnCopy->isEnabled());
    form->mmoNote->setPlainText(QStringLiteral("一\n二\n三"));
    form->btnCopy->click();
    QString text = clipboardText();
    ASSERT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    text.chop(2);
    const QStringList fields = text.split(QLatin1Char(','));
    ASSERT_EQ(fields.size(), CopyItemCount);
    EXPECT_EQ(fields[36], QStringLiteral("指定なし"));
    EXPECT_EQ(fields[46], QStringLiteral("一\t二\t三"));
    for (int item = 49; item <= 52; ++item)
        EXPECT_TRUE(fields[item].isEmpty()) << item;
}

TEST_F(ItemCopyForm, SettingDialogHandsBackOnlyOnOk)
{
    open();
    const auto runDialog = [this](std::function<void(TCopyItemSet *)> inside) {
        QTimer::singleShot(0, [inside] {
            ASSERT_NE(CopyItemSet, nullptr);
            inside(CopyItemSet);
        });
        form->bbtnCopySetting->click();
        EXPECT_EQ(CopyItemSet, nullptr);
    };

    form->CopyItems[3].Chosen = false;
    runDialog([](TCopyItemSet *dialog) {
        EXPECT_EQ(dialog->lvCopyItem->item(3)->checkState(), Qt::Unchecked);
        EXPECT_TRUE(dialog->chkLastReturn->isChecked());
        dialog->bbtnAll->click();
        dialog->chkLastReturn->setChecked(false);
        dialog->btnCancel->click();
    });
    EXPECT_FALSE(form->CopyItems[3].Chosen);
    EXPECT_TRUE(form->CopyLastReturn);
    EXPECT_FALSE(settingsFile().ValueExists(Section, QStringLiteral("CopyItemIndex")));

    runDialog([](TCopyItemSet *dialog) {
        dialog->lvCopyItem->setCurrentRow(20);
        dialog->bbtnTop->click();
        dialog->lvCopyItem->item(1)->setCheckState(Qt::Unchecked);
        dialog->chkLastReturn->setChecked(false);
        dialog->btnOk->click();
    });
    EXPECT_EQ(form->CopyItems[0].ItemNo, 20u);
    EXPECT_FALSE(form->CopyItems[1].Chosen);
    EXPECT_FALSE(form->CopyItems[4].Chosen);  // item 3, now one place further
    EXPECT_FALSE(form->CopyLastReturn);
    const TMemIniFile ini = settingsFile();
    EXPECT_TRUE(ini.ReadString(Section, "CopyItemIndex", {}).startsWith(QStringLiteral("20,0,1,2,3,4,")));
    EXPECT_TRUE(ini.ReadString(Section, "CopyItemCopy", {}).startsWith(QStringLiteral("1,0,1,1,0,1,")));
    EXPECT_FALSE(ini.ReadBool(Section, QStringLiteral("LastReturn"), true));

    // The next form starts with the stored choice.
    delete form.data();
    open();
    EXPECT_EQ(form->CopyItems[0].ItemNo, 20u);
    EXPECT_FALSE(form->CopyItems[4].Chosen);
    EXPECT_FALSE(form->CopyLastReturn);
}
