// The column-choice dialogs: moving rows with their entries, restoring the table order, the refused empty
// choice, and what the clipboard twin does differently.
#include "directory/ExportItemSelect.h"

#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString Velmora = QStringLiteral("Velmora");

QStringList captionsOf(const QListWidget *list)
{
    QStringList captions;
    for (int row = 0; row < list->count(); ++row)
        captions << list->item(row)->text();
    return captions;
}

std::vector<uint32_t> itemNosOf(const std::vector<TItemChoice> &entries)
{
    std::vector<uint32_t> numbers;
    for (const TItemChoice &entry : entries)
        numbers.push_back(entry.ItemNo);
    return numbers;
}

class ExportItemSelectTest : public ::testing::Test {
protected:
    void open(std::vector<TItemChoice> entries)
    {
        dialog = std::make_unique<TExportItemSelect>(nullptr);
        dialog->SetItems(entries, static_cast<int>(entries.size()) - 1);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    std::vector<TItemChoice> items()
    {
        std::vector<TItemChoice> out;
        dialog->GetItems(out);
        return out;
    }

    test::MessageBoxScript boxes;
    std::unique_ptr<TExportItemSelect> dialog;
};

}  // namespace

TEST_F(ExportItemSelectTest, MovesCarryTheEntriesAlongAndStopAtTheEnds)
{
    std::vector<TItemChoice> entries = DefaultItemChoice(SearchItemCount);
    entries[1].Chosen = false;
    open(entries);
    EXPECT_EQ(ExportItemSelect, dialog.get());
    EXPECT_EQ(dialog->lvExportItem->currentRow(), 0);
    dialog->bbtnUp->click();  // row 0: nothing

    // "最上段" on the third row: it becomes row 0 and rows 0 and 1 move down one place.
    dialog->lvExportItem->setCurrentRow(2);
    dialog->bbtnTop->click();
    EXPECT_EQ(dialog->lvExportItem->currentRow(), 0);
    EXPECT_EQ(captionsOf(dialog->lvExportItem).mid(0, 4),
              QStringList({QStringLiteral("FAX番号"), QStringLiteral("電話番号"), QStringLiteral("代表電話"),
                           QStringLiteral("郵便番号")}));
    std::vector<TItemChoice> out = items();
    ASSERT_EQ(out.size(), size_t(SearchItemCount));
    EXPECT_EQ(itemNosOf(out).at(0), 2u);
    EXPECT_EQ(itemNosOf(out).at(1), 0u);
    EXPECT_EQ(itemNosOf(out).at(2), 1u);
    EXPECT_EQ(out[2].TableRow, 1u);
    EXPECT_FALSE(out[2].Chosen);

    // "最下段", then "下" on the last row does nothing; "下" and "上" move by one.
    dialog->lvExportItem->setCurrentRow(1);
    dialog->bbtnBottom->click();
    EXPECT_EQ(dialog->lvExportItem->currentRow(), 17);
    dialog->bbtnDown->click();
    dialog->lvExportItem->setCurrentRow(0);
    dialog->bbtnDown->click();
    dialog->bbtnDown->click();
    dialog->bbtnUp->click();
    out = items();
    EXPECT_EQ(itemNosOf(out).at(0), 1u);
    EXPECT_EQ(itemNosOf(out).at(1), 2u);
    EXPECT_EQ(out.back().ItemNo, 0u);
    EXPECT_EQ(captionsOf(dialog->lvExportItem).back(), QStringLiteral("電話番号"));
}

TEST_F(ExportItemSelectTest, ReSortRestoresTableOrderAndKeepsEachCheck)
{
    open(DefaultItemChoice(SearchItemCount));
    dialog->lvExportItem->setCurrentRow(5);
    dialog->bbtnTop->click();
    dialog->lvExportItem->setCurrentRow(17);
    dialog->bbtnUp->click();
    // The moved "都道府県" (now row 0) and "小分類名" (now row 17) lose their checks before the sort.
    dialog->lvExportItem->item(0)->setCheckState(Qt::Unchecked);
    dialog->lvExportItem->item(17)->setCheckState(Qt::Unchecked);
    dialog->lvExportItem->setCurrentRow(9);

    dialog->bbtnReSort->click();
    EXPECT_EQ(dialog->lvExportItem->currentRow(), 0);
    const std::vector<TItemChoice> out = items();
    EXPECT_EQ(itemNosOf(out), itemNosOf(DefaultItemChoice(SearchItemCount)));
    for (const TItemChoice &entry : out)
        EXPECT_EQ(entry.Chosen, entry.ItemNo != 5 && entry.ItemNo != 16) << entry.ItemNo;
    EXPECT_EQ(dialog->lvExportItem->item(5)->checkState(), Qt::Unchecked);
}

TEST_F(ExportItemSelectTest, AllChecksEveryRowAndDoubleClickToggles)
{
    std::vector<TItemChoice> entries = DefaultItemChoice(SearchItemCount);
    for (TItemChoice &entry : entries)
        entry.Chosen = entry.ItemNo % 2 == 0;
    open(entries);
    dialog->bbtnAll->click();
    for (const TItemChoice &entry : items())
        EXPECT_TRUE(entry.Chosen);

    QListWidget *list = dialog->lvExportItem;
    list->setCurrentRow(3);
    const QPoint at = list->visualItemRect(list->item(3)).center() + QPoint(40, 0);
    // A real double click starts with a click; the second press arrives as the double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(list->item(3)->checkState(), Qt::Unchecked);
    dialog->lvItemDblClick();
    EXPECT_EQ(list->item(3)->checkState(), Qt::Checked);
}

TEST_F(ExportItemSelectTest, EmptyChoiceIsRefusedAndEnterOnlyMovesToOk)
{
    std::vector<TItemChoice> entries = DefaultItemChoice(SearchItemCount);
    for (TItemChoice &entry : entries)
        entry.Chosen = false;
    open(entries);
    QApplication::setActiveWindow(dialog.get());
    dialog->lvExportItem->setFocus();
    QTest::keyClick(dialog->lvExportItem, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->btnOk->hasFocus());

    dialog->btnOk->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("出力する項目は１つ以上選択してください  "));
    EXPECT_EQ(boxes.shown()[0].caption, Velmora);
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONINFORMATION);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(dialog->lvExportItem->hasFocus());

    dialog->lvExportItem->item(7)->setCheckState(Qt::Checked);
    dialog->btnOk->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(boxes.shown().size(), 1u);

    dialog.reset();
    EXPECT_EQ(ExportItemSelect, nullptr);
}

TEST_F(ExportItemSelectTest, CopyTwinDiffersOnlyWhereDocumented)
{
    open(DefaultItemChoice(SearchItemCount));
    auto copy = std::make_unique<TCopyItemSet>(nullptr);
    EXPECT_EQ(CopyItemSet, copy.get());
    std::vector<TItemChoice> entries = DefaultItemChoice(CopyItemCount);
    for (TItemChoice &entry : entries)
        entry.Chosen = false;
    copy->SetItems(entries, CopyItemCount - 1, true);
    copy->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(copy.get()));

    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("出力項目の設定"));
    EXPECT_EQ(copy->windowTitle(), QStringLiteral("コピーする項目の設定"));
    EXPECT_EQ(dialog->property("HelpContext").toInt(), 26);
    EXPECT_EQ(copy->property("HelpContext").toInt(), 61);
    EXPECT_EQ(dialog->lblItem->text(), QStringLiteral("出力する項目を設定してください："));
    EXPECT_EQ(copy->lblItem->text(), QStringLiteral("クリップボードにコピーする項目を設定してください："));
    EXPECT_EQ(copy->findChild<QListWidget *>(QStringLiteral("lvCopyItem")), copy->lvCopyItem);
    EXPECT_EQ(copy->lvCopyItem->count(), CopyItemCount);
    EXPECT_EQ(copy->lvCopyItem->item(54)->text(), QStringLiteral("小分類名"));
    EXPECT_EQ(dialog->bbtnAll->text(), QStringLiteral("すべて出力"));
    EXPECT_EQ(copy->bbtnAll->text(), QStringLiteral("すべてコピー"));
    EXPECT_EQ(dialog->findChild<QCheckBox *>(), nullptr);
    for (TItemSelectDialog *d : std::initializer_list<TItemSelectDialog *>{dialog.get(), copy.get()})
        for (QPushButton *b : {d->bbtnTop, d->bbtnUp, d->bbtnDown, d->bbtnBottom, d->bbtnAll, d->bbtnReSort})
            EXPECT_FALSE(b->icon().pixmap(16, 16).isNull()) << b->objectName().toStdString();

    // The option's caption is blue only while it is checked; Enter on it moves to OK without closing.
    EXPECT_TRUE(copy->chkLastReturn->isChecked());
    EXPECT_EQ(copy->chkLastReturn->palette().color(QPalette::WindowText), QColor(Qt::blue));
    copy->chkLastReturn->click();
    EXPECT_NE(copy->chkLastReturn->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QApplication::setActiveWindow(copy.get());
    copy->chkLastReturn->setFocus();
    QTest::keyClick(copy->chkLastReturn, Qt::Key_Return);
    EXPECT_TRUE(copy->btnOk->hasFocus());
    EXPECT_TRUE(copy->isVisible());

    copy->btnOk->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("コピーする項目は１つ以上選択してください  "));
    std::vector<TItemChoice> out;
    bool lastReturn = true;
    copy->GetItems(out, lastReturn);
    EXPECT_FALSE(lastReturn);
    EXPECT_EQ(out.size(), size_t(CopyItemCount));
}
