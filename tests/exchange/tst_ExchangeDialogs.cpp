// The exchange windows over a real main list and book, offscreen: the import dialog from file to stored rows,
// the export and mark-export windows with their ranges, the settings, information and version dialogs.
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Main.h"
#include "db/Table.h"
#include "exchange/Env.h"
#include "exchange/FExport.h"
#include "exchange/FImport.h"
#include "exchange/Info.h"
#include "exchange/ListRange.h"
#include "exchange/MExport.h"
#include "exchange/VerInfo.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordListing.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"

#include "Accessibility.h"
#include "BenchSupport.h"
#include "ExchangeTestSupport.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QDir>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QScopeGuard>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cstring>

#include <functional>
#include <optional>

#include <malloc.h>
#include <sys/stat.h>

namespace {

class ExchangeDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DataFolder = DataRootFolder = dir.path() + "/";
        AdrsFolder = dir.path() + "/Adrs/";
        OtherFolder = dir.path() + "/Other/";
        HistoryFolder = dir.path() + "/History/";
        CategoryFolder = test::appDir() + "Category/";
        AppFolder = test::appDir();
        for (const QString &f : {AdrsFolder + "Book", OtherFolder, HistoryFolder})
            QDir().mkpath(f);
        AdrsBookList = {{"帳", "Book", abReady}};
        CurrentAdrsName = "帳";
        CurrentAdrsIndex = 0;
        test::SetSampleGroupNames();
        dm = std::make_unique<TDMMirvale18>();
        DMMirvale18 = dm.get();
        dm->CreateAdrsTableObject("Book");
        ASSERT_TRUE(dm->OpenAdrsTable());
        dm->CreateSenderTableObject();
        dm->CreateSharedTableObjects();
        list = std::make_unique<TAddressList>();
    }
    void TearDown() override
    {
        delete FileExport;
        delete MarkExport;
        list.reset();
        DMMirvale18 = nullptr;
        AdrsBookList.clear();
        CurrentAdrsName.clear();
        CurrentAdrsIndex = -1;
    }
    void fill(int count)
    {
        test::AddSampleRecords(*dm->AdrsTable, count, false);
        list->RefreshList(true, true, false);
    }
    // The records in the book and the list, and the export window with every item ticked.
    TFileExport *exportWindowOfEveryItem(const std::vector<TAddressRecord> &records)
    {
        TTable &book = *dm->AdrsTable;
        for (const TAddressRecord &r : records) {
            book.Append();
            SetAddressRecordFields(book, r);
            book.Post();
        }
        list->RefreshList(true, true, false);
        ShowFileExportWindow(list.get());
        auto *window = dynamic_cast<TFileExport *>(FileExport);
        if (window)
            for (int row = 0; row < window->lstItems->count(); ++row)
                window->lstItems->item(row)->setCheckState(Qt::Checked);
        return window;
    }

    // The records in the book and the list, and the mark export window over them; records whose latitude is 0
    // have no position.
    TMarkExport *markExportOf(const std::vector<int32_t> &latitudes)
    {
        TTable &t = *dm->AdrsTable;
        for (size_t n = 0; n < latitudes.size(); ++n) {
            TAddressRecord r = test::SampleRecord(int(n), false);
            r.Latitude = latitudes[n];
            r.Longitude = 503136000;
            t.Append();
            SetAddressRecordFields(t, r);
            t.Post();
        }
        list->RefreshList(true, true, false);
        ShowMarkExportWindow(list.get());
        return dynamic_cast<TMarkExport *>(MarkExport);
    }

    // text as a spreadsheet saves it, UTF-8 with its mark or Shift-JIS, in the file stem-utf8.csv or
    // stem-sjis.csv of the test's folder, and a new book of the encoding's own open to take it, no report of an
    // earlier import left beside it. The file's path; empty when the book does not open.
    QString WriteIntoNewBook(const char *stem, const QString &text, bool utf8)
    {
        const QString file = dir.path() + '/' + stem + (utf8 ? "-utf8.csv" : "-sjis.csv");
        test::writeFile(file, utf8 ? "\xEF\xBB\xBF" + text.toUtf8() : Sjis::encode(text));
        const QString folder = utf8 ? "Utf8Book" : "SjisBook";
        QDir().mkpath(AdrsFolder + folder);
        dm->CreateAdrsTableObject(folder);
        QFile::remove(DataFolder + "InError.txt");
        return dm->OpenAdrsTable() ? file : QString();
    }

    QTemporaryDir dir;
    std::unique_ptr<TDMMirvale18> dm;
    std::unique_ptr<TAddressList> list;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(ExchangeDialogTest, ImportPreviewsTheFileTakesNamedColumnsCopiesTheBookAndAddsTheRows)
{
    fill(2);
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, "\xEF\xBB\xBF" + QStringLiteral("名前,電話番号,メモ,〒\r\n𠮷田 一郎,03-1234-5678,x,1000001\r\n"
                                                          "鈴木 二郎,03-9999-0000,y,12\r\n佐藤 三郎,0120-000-000,z,\r\n")
                                               .toUtf8());
    TFileImport dialog(list.get());
    dialog.LoadFile(file);
    EXPECT_EQ(dialog.cbxCode->currentIndex(), 1);  // UTF-8 found
    EXPECT_TRUE(dialog.chkHeader->isChecked());    // the first line names items
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 3, -1, 8}));
    EXPECT_EQ(dialog.grdPreview->rowCount(), 1 + 4);
    EXPECT_EQ(dialog.grdPreview->item(2, 0)->text(), QStringLiteral("𠮷田 一郎"));
    // Read as Shift-JIS the preview turns to garbage; back to UTF-8 it is whole, the column choice kept.
    dialog.cbxCode->setCurrentIndex(0);
    emit dialog.cbxCode->activated(0);
    EXPECT_NE(dialog.grdPreview->item(2, 0)->text(), QStringLiteral("𠮷田 一郎"));
    dialog.cbxCode->setCurrentIndex(1);
    emit dialog.cbxCode->activated(1);
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 3, -1, 8}));

    boxes.answer(IDYES);
    dialog.btnImportClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << boxes.texts().join(" | ").toStdString();
    EXPECT_EQ(dialog.Outcome.Added, 2);
    EXPECT_EQ(dm->AdrsTable->RecordCount(), 4);
    // The book as it was before the import, and the rejected line by number.
    EXPECT_TRUE(QFile::exists(DataRootFolder + "backup.imp/Adrs.DB"));
    const QString report = QString::fromUtf8(test::readFile(DataFolder + "InError.txt"));
    EXPECT_TRUE(report.contains(QStringLiteral("3行目: 取り込めませんでした"))) << report.toStdString();
    ASSERT_GE(boxes.texts().size(), 2);
    EXPECT_TRUE(boxes.texts().last().contains(QStringLiteral("2件のデータを取り込みました")));
    EXPECT_TRUE(boxes.texts().last().contains(QStringLiteral("取り込めなかった行が1行あります")));
}

// "Unicode text" as spreadsheets save it, UTF-16 with its byte-order mark and tabs between the fields, is read
// as its mark says in either byte order; while it is loaded the code list shows UTF-16 and offers no other
// reading. A header whose bytes hold a comma's (本 is U+672C) still makes a tab-separated file.
TEST_F(ExchangeDialogTest, ImportReadsUnicodeTextByItsByteOrderMark)
{
    const QString text = QStringLiteral("名前\t電話番号\t本社\r\n𠮷田 一郎\t03-1234-5678\t東京\r\n"
                                        "鈴木 二郎\t06-9999-0000\t大阪\r\n");
    const QString file = dir.path() + "/unicode.txt";
    TFileImport dialog(list.get());
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "UTF-16BE" : "UTF-16LE");
        QStringEncoder encode(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE);
        test::writeFile(file, QByteArray(bigEndian ? "\xFE\xFF" : "\xFF\xFE") + QByteArray(encode(text)));
        dialog.LoadFile(file);
        EXPECT_EQ(dialog.cbxCode->currentText(), "UTF-16");
        EXPECT_FALSE(dialog.cbxCode->isEnabled());
        EXPECT_TRUE(dialog.rbTab->isChecked());
        EXPECT_TRUE(dialog.chkHeader->isChecked());
        EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 3, -1}));
        ASSERT_EQ(dialog.grdPreview->rowCount(), 1 + 3);
        ASSERT_EQ(dialog.grdPreview->columnCount(), 3);
        EXPECT_EQ(dialog.grdPreview->item(2, 0)->text(), QStringLiteral("𠮷田 一郎"));
        EXPECT_EQ(dialog.grdPreview->item(3, 2)->text(), QStringLiteral("大阪"));
    }
    boxes.answer(IDYES);
    dialog.btnImportClick();
    ASSERT_EQ(dialog.Outcome.Added, 2) << boxes.texts().join(" | ").toStdString();
    EXPECT_FALSE(dialog.cbxCode->isEnabled());
    QStringList names;
    TTable &t = *dm->AdrsTable;
    for (t.First(); !t.Eof(); t.Next())
        names << EscapedAnsiToWide(t.FieldByName("NameKanji").AsString()) + " " + QString::fromLatin1(t.FieldByName("Tel").AsString());
    EXPECT_EQ(names, (QStringList{QStringLiteral("𠮷田 一郎 0312345678"), QStringLiteral("鈴木 二郎 0699990000")}));

    // A Shift-JIS file after it: the list offers its two codes again.
    test::writeFile(file, Sjis::encode(QStringLiteral("名前,電話番号\r\n山田,03\r\n")));
    dialog.LoadFile(file);
    EXPECT_EQ(dialog.cbxCode->count(), 2);
    EXPECT_EQ(dialog.cbxCode->currentIndex(), 0);
    EXPECT_TRUE(dialog.cbxCode->isEnabled());
    EXPECT_TRUE(dialog.rbComma->isChecked());
}

// A file is shown with as many columns as a spreadsheet's sheet has, far more than the items: one more is refused
// with a message, not previewed, however many there are (a line of commas alone once took minutes and gigabytes).
TEST_F(ExchangeDialogTest, ImportRefusesOnlyAFileWiderThanASpreadsheet)
{
    const QString file = dir.path() + "/wide.csv";
    TFileImport dialog(list.get());
    for (const QByteArray &text : {WideCsv(2, TFileImport::MaxColumns + 1), QByteArray(200000, ',') + "\r\n"}) {
        SCOPED_TRACE(text.left(40).toStdString());
        boxes.clear();
        test::writeFile(file, text);
        QElapsedTimer timer;
        timer.start();
        dialog.LoadFile(file);
        EXPECT_LT(timer.elapsed(), 2000);
        ASSERT_EQ(boxes.texts().size(), 1);
        EXPECT_EQ(boxes.texts()[0],
                  QStringLiteral("列の数が多すぎるため取り込めません  \r\n取り込める列は16384列までです  \r\n")
                      + QDir::toNativeSeparators(file));
        EXPECT_EQ(dialog.grdPreview->columnCount(), 0);
        EXPECT_TRUE(dialog.edtFileName->text().isEmpty());
        EXPECT_FALSE(dialog.btnImport->isEnabled());
    }
    boxes.clear();
    test::writeFile(file, WideCsv(2, TFileImport::MaxColumns));
    dialog.LoadFile(file);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(dialog.ColumnItems(), std::vector<int>(TFileImport::MaxColumns, -1));
    EXPECT_TRUE(dialog.btnImport->isEnabled());

    // Read with another separator the same text may have too many columns: the preview empties until it fits.
    test::writeFile(file, "a\tb\r\n" + QByteArray(TFileImport::MaxColumns, ',') + "\tc\r\n");
    dialog.LoadFile(file);
    ASSERT_TRUE(dialog.rbTab->isChecked());
    EXPECT_EQ(dialog.grdPreview->columnCount(), 2);
    dialog.rbComma->setChecked(true);
    EXPECT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(dialog.grdPreview->columnCount(), 0);
    EXPECT_FALSE(dialog.btnImport->isEnabled());
    dialog.rbTab->setChecked(true);
    EXPECT_EQ(dialog.grdPreview->columnCount(), 2);
    EXPECT_TRUE(dialog.btnImport->isEnabled());
}

// The preview reads the beginning of a file and shows the beginning of each field: a field of megabytes is
// neither held nor laid out (one of 45 MB once took 10 s and 753 MB), whether quoted or not, in UTF-8 or
// Shift-JIS; the import still reads every row.
TEST_F(ExchangeDialogTest, ImportPreviewOfAHugeFieldHoldsOnlyWhatItShows)
{
    const QString file = dir.path() + "/huge.csv";
    const QString huge(6'000'000, QChar(u'あ'));
    const QString cut = QString(TFileImport::PreviewFieldUnits, QChar(u'あ')) + QStringLiteral("…");
    TFileImport dialog(list.get());
    dialog.show();
    for (const bool utf8 : {true, false})
        for (const char *quote : {"", "\""}) {
            SCOPED_TRACE(std::string(utf8 ? "UTF-8" : "Shift-JIS") + (*quote ? " quoted" : ""));
            const QString text = QStringLiteral("名前,メモ\r\n山田,") + quote + huge + quote + QStringLiteral("\r\n鈴木,x\r\n");
            test::writeFile(file, utf8 ? text.toUtf8() : Sjis::encode(text));
            const struct mallinfo2 before = mallinfo2();
            dialog.LoadFile(file);
            const struct mallinfo2 after = mallinfo2();
            EXPECT_LT(static_cast<qint64>(after.uordblks + after.hblkhd) - static_cast<qint64>(before.uordblks + before.hblkhd),
                      4 * TFileImport::PreviewBytes);
            EXPECT_EQ(dialog.cbxCode->currentIndex(), utf8 ? 1 : 0);
            ASSERT_EQ(dialog.grdPreview->columnCount(), 2);
            ASSERT_EQ(dialog.grdPreview->rowCount(), 1 + 2);  // the row after the field lies beyond what is read
            EXPECT_EQ(dialog.grdPreview->item(2, 0)->text(), QStringLiteral("山田"));
            EXPECT_EQ(dialog.grdPreview->item(2, 1)->text(), cut);
            EXPECT_TRUE(dialog.btnImport->isEnabled());
        }

    // The import reads the whole file, the rows beyond the preview's read too.
    test::writeFile(file, QStringLiteral("名前,メモ\r\n山田,\"%1\"\r\n鈴木,x\r\n佐藤,y\r\n")
                              .arg(QString(TFileImport::PreviewBytes, QChar(u'x')))
                              .toUtf8());
    dialog.LoadFile(file);
    ASSERT_EQ(dialog.grdPreview->rowCount(), 1 + 2);
    EXPECT_EQ(dialog.ColumnItems()[0], 16);
    boxes.answer(IDYES);
    dialog.btnImportClick();
    EXPECT_EQ(dialog.Outcome.Added, 3) << boxes.texts().join(" | ").toStdString();
}

// A file's encoding is the whole file's. A mail program's contacts (Display Name, Primary Email; CR LF) whose
// Japanese names come after 33,823 rows in Latin letters, past what the preview reads, come in with every name
// as written: in UTF-8 without a mark (剝, 鷗 and 𠮷 too, which Shift-JIS lacks), and in Shift-JIS. A file
// that is neither, and one read in an encoding chosen that it does not have, stop the import at the first row
// the encoding cannot read, say which row and which encoding, and store nothing.
TEST_F(ExchangeDialogTest, ImportReadsAFileInTheEncodingOfTheWholeFileAndStoresNothingItCannotRead)
{
    const int latinRows = 33823;
    QByteArray latin = "Display Name,Primary Email\r\n";
    for (int n = 1; n <= latinRows; ++n)
        latin += QStringLiteral("Contact %1,contact%1@example.com\r\n").arg(n, 5, 10, QChar(u'0')).toLatin1();
    ASSERT_GT(latin.size(), TFileImport::PreviewBytes);
    const QStringList names{"山田 太郎", "森 鷗外", "𠮷田 花子", "剝岡 一郎"};
    const QStringList sjisNames{"山田 太郎", "森 鴎外", "吉田 花子", "剥岡 一郎"};
    const auto rows = [](const QStringList &names, bool utf8) {
        QByteArray bytes;
        for (const QString &name : names) {
            const QString row = name + QStringLiteral(",contact@example.jp\r\n");
            bytes += utf8 ? row.toUtf8() : Sjis::encode(row);
        }
        return bytes;
    };
    const int firstJapaneseLine = 1 + latinRows + 1;
    struct Case {
        const char *trace;
        QByteArray bytes;
        int detected, chosen;  // cbxCode's index: 0 Shift-JIS, 1 UTF-8
        QStringList stored;    // the names after those in Latin letters; none when refused
        QString refusal;
    };
    const QString refusal = QStringLiteral("%1行目に、%2では読めないデータがあります  \r\n取り込みを中止しました  \r\n"
                                           "アドレス帳は取り込み前のままです  \r\n\r\nファイルの文字コードを確かめてください  ");
    const QList<Case> cases = {
        {"UTF-8 without a mark", latin + rows(names, true), 1, 1, names, {}},
        {"Shift-JIS", latin + rows(sjisNames, false), 0, 0, sjisNames, {}},
        // A row from a program that writes Latin-1 after the Shift-JIS ones.
        {"neither", latin + rows(sjisNames, false) + "Zo\xEB M\xFCller,zoe@example.de\r\n", 0, 0, {},
         refusal.arg(firstJapaneseLine + 4).arg("Shift-JIS")},
        {"Shift-JIS read as UTF-8", latin + rows(sjisNames, false), 0, 1, {}, refusal.arg(firstJapaneseLine).arg("UTF-8")},
    };
    const QString file = dir.path() + "/contacts.csv";
    int made = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.trace);
        test::writeFile(file, c.bytes);
        const QString folder = QStringLiteral("Contacts%1").arg(++made);
        QDir().mkpath(AdrsFolder + folder);
        dm->CreateAdrsTableObject(folder);
        ASSERT_TRUE(dm->OpenAdrsTable());
        boxes.clear();
        TFileImport dialog(list.get());
        dialog.LoadFile(file);
        EXPECT_EQ(dialog.cbxCode->currentIndex(), c.detected);
        if (c.chosen != c.detected) {
            dialog.cbxCode->setCurrentIndex(c.chosen);
            emit dialog.cbxCode->activated(c.chosen);
        }
        dialog.SetColumnItem(0, 16);  // 名前
        dialog.SetColumnItem(1, 19);  // E-Mail1
        dialog.chkHeader->setChecked(true);
        boxes.answer(IDYES);
        dialog.btnImportClick();
        ASSERT_FALSE(boxes.texts().isEmpty());
        TTable &book = *dm->AdrsTable;
        if (!c.refusal.isEmpty()) {
            EXPECT_EQ(boxes.texts().last().toStdString(), c.refusal.toStdString());
            EXPECT_EQ(boxes.shown().back().flags, MB_ICONERROR);
            EXPECT_EQ(dialog.Outcome.Added, 0);
            EXPECT_EQ(book.RecordCount(), 0);
            continue;
        }
        EXPECT_EQ(boxes.texts().last().toStdString(),
                  QStringLiteral("%1件のデータを取り込みました  ").arg(latinRows + names.size()).toStdString());
        EXPECT_EQ(book.RecordCount(), latinRows + names.size());
        QStringList stored;
        book.SetIndexName(QString());
        for (book.First(); !book.Eof(); book.Next()) {
            const QString name = EscapedAnsiToWide(book.FieldByName("NameKanji").AsString());
            if (!name.startsWith(QStringLiteral("Contact ")))
                stored << name;
        }
        EXPECT_EQ(stored.join(u'|').toStdString(), c.stored.join(u'|').toStdString());
    }
}

// A screen reader finds each column's item choice in the preview grid, named after its column with the item
// chosen, and the list it opens takes the choice.
TEST_F(ExchangeDialogTest, ImportColumnChoicesAreOnTheAccessibilityBusNamedAfterTheirColumns)
{
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, QStringLiteral("名前,x,電話番号\r\n山田,1,03-1234-5678\r\n").toUtf8());
    TFileImport dialog(list.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.LoadFile(file);
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(dialog.grdPreview);
    ASSERT_TRUE(grid && grid->tableInterface());
    const QStringList names{QStringLiteral("1列目の項目：名前"), QStringLiteral("2列目の項目：（取り込まない）"),
                            QStringLiteral("3列目の項目：電話番号")};
    QStringList reached;
    for (int i = 0; i < grid->childCount(); ++i)
        if (QAccessibleInterface *child = grid->child(i); child && names.contains(child->text(QAccessible::Name)))
            reached << child->text(QAccessible::Name);
    EXPECT_EQ(reached, names);
    for (int c = 0; c < 3; ++c) {
        QAccessibleInterface *cell = grid->tableInterface()->cellAt(0, c);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->text(QAccessible::Name), names[c]);
        EXPECT_EQ(cell->parent(), grid);
    }

    // The cell opens its list; the item picked there is the column's.
    dialog.grdPreview->setCurrentCell(0, 1);
    QTest::keyClick(dialog.grdPreview, Qt::Key_F2);
    auto *choice = dialog.grdPreview->findChild<QComboBox *>("cbxItem2");
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->accessibleName(), QStringLiteral("2列目の項目"));
    EXPECT_EQ(choice->currentData().toInt(), -1);
    const int fax = choice->findData(5);
    choice->setCurrentIndex(fax);
    emit choice->activated(fax);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 5, 3}));
    EXPECT_EQ(grid->tableInterface()->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("2列目の項目：FAX番号"));

}

TEST_F(ExchangeDialogTest, ImportOnAFullDiskSaysSoAndLeavesTheBookAsItWas)
{
    fill(2);
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, QStringLiteral("名前,電話番号\r\n鈴木 二郎,03-9999-0000\r\n佐藤 三郎,0120-000-000\r\n").toUtf8());
    TFileImport dialog(list.get());
    dialog.LoadFile(file);
    // The book's journal on a device that is always full: the first row written finds no room.
    const QString journal = AdrsFolder + "Book/Adrs.DB-journal";
    ASSERT_TRUE(QFile::link("/dev/full", journal));
    boxes.answer(IDYES);
    dialog.btnImportClick();
    QFile::remove(journal);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_GE(boxes.texts().size(), 2);
    const QString text = boxes.texts().last();
    EXPECT_TRUE(text.contains(QStringLiteral("ディスクの空き容量が足りません"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("アドレス帳は取り込み前のままです"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("INSERT"))) << text.toStdString();
    EXPECT_EQ(dm->AdrsTable->RecordCount(), 2);
}

// A book that cannot be written (its folder read-only) stops the import before the safety copy: the copy of the
// previous import stays the one kept, and the message names the book and why.
TEST_F(ExchangeDialogTest, ImportIntoAReadOnlyBookKeepsThePreviousSafetyCopyAndSaysWhy)
{
    fill(2);
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, QStringLiteral("名前,電話番号\r\n鈴木 二郎,03-9999-0000\r\n").toUtf8());
    const QString previous = DataRootFolder + "backup.imp/Adrs.DB";
    test::writeFile(previous, "the copy before the previous import");
    const QString bookFile = AdrsFolder + "Book/Adrs.DB";
    const QByteArray before = test::readFile(bookFile);
    dm->AdrsTable->Close();
    {
        const test::ReadOnlyFolder locked(AdrsFolder + "Book");
        if (!locked.mounted())
            GTEST_SKIP() << locked.skipReason().toStdString();
        dm->AdrsTable->Open();
        TFileImport dialog(list.get());
        dialog.LoadFile(file);
        boxes.answer(IDYES);
        dialog.btnImportClick();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(boxes.texts().size(), 2);
        EXPECT_EQ(boxes.texts().last(), "取り込みに失敗しました  \r\nアドレス帳は取り込み前のままです  \r\n\r\n"
                                            + QDir::toNativeSeparators(bookFile) + "\r\n\r\n" + NotWritableReason);
        dm->AdrsTable->Close();
    }
    dm->AdrsTable->Open();
    EXPECT_EQ(test::readFile(previous), "the copy before the previous import");
    EXPECT_EQ(test::entriesBelow(DataRootFolder + "backup.imp"), QStringList{"Adrs.DB"});
    EXPECT_EQ(test::readFile(bookFile), before);
    EXPECT_EQ(dm->AdrsTable->RecordCount(), 2);
}

// No room for the book's safety copy: the import stops before the book, says the disk is full and leaves no
// copy, whole or in part, behind.
TEST_F(ExchangeDialogTest, ImportWithoutRoomForTheSafetyCopyNamesTheFullDiskAndLeavesNoCopy)
{
    fill(2);
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, QStringLiteral("名前,電話番号\r\n鈴木 二郎,03-9999-0000\r\n").toUtf8());
    TFileImport dialog(list.get());
    dialog.LoadFile(file);
    const QString bookFile = AdrsFolder + "Book/Adrs.DB";
    const QByteArray before = test::readFile(bookFile);
    ASSERT_GT(before.size(), 4096);
    boxes.answer(IDYES);
    {
        const test::FullDisk disk(4096);
        dialog.btnImportClick();
    }
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("アドレス帳の控えが作成できませんでした  \r\n取り込みを中止します  \r\n")
                                        + DataRootFolder + "backup.imp/\r\n\r\nディスクの空き容量が足りません  \r\n"
                                        + "空き容量を増やしてからもう一度お試しください  ");
    EXPECT_FALSE(QFileInfo::exists(DataRootFolder + "backup.imp"));
    EXPECT_EQ(dm->AdrsTable->RecordCount(), 2);
    EXPECT_EQ(test::readFile(bookFile), before);
}

// A spreadsheet's split address: its columns, named as the parts, go to them; each column's list offers the
// parts after the list's items; every part lands in the book.
TEST_F(ExchangeDialogTest, ImportTakesTheAddressInPartsFromColumnsNamedAfterThem)
{
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, QStringLiteral("名前,建物名,都道府県,市区町村,町域・番地\r\n山田,○○ビル 5F,東京都,千代田区,千代田1-1\r\n").toUtf8());
    TFileImport dialog(list.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.LoadFile(file);
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, ipBuilding, ipPrefecture, ipMunicipality, ipTown}));
    dialog.grdPreview->setCurrentCell(0, 0);
    QTest::keyClick(dialog.grdPreview, Qt::Key_F2);
    auto *choice = dialog.grdPreview->findChild<QComboBox *>("cbxItem1");
    ASSERT_NE(choice, nullptr);
    QStringList lastItems;
    for (int i = choice->count() - 5; i < choice->count(); ++i)
        lastItems << choice->itemText(i);
    EXPECT_EQ(lastItems, (QStringList{"小分類名", "都道府県", "市区町村", "町域・番地", "建物名"}));

    boxes.answer(IDYES);
    dialog.btnImportClick();
    ASSERT_EQ(dialog.Outcome.Added, 1) << boxes.texts().join(" | ").toStdString();
    dm->AdrsTable->First();
    QStringList parts;
    for (const char *name : {"Tdfkn", "Adrs1", "Adrs2", "Adrs3"})
        parts << Sjis::decode(dm->AdrsTable->FieldByName(QString::fromLatin1(name)).AsString());
    EXPECT_EQ(parts, (QStringList{"東京都", "千代田区", "千代田1-1", "○○ビル 5F"}));
}

// By keys alone: Enter in each field on the way to the preview, and on a column's item cell, which opens the
// cell's list and takes the item chosen there; none of them also presses 参照 behind it.
TEST_F(ExchangeDialogTest, ImportEnterInThePreviewAndTheFieldsOpensNoFileDialog)
{
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, QStringLiteral("名前,電話番号,メモ\r\n山田,03-1234-5678,x\r\n").toUtf8());
    TFileImport dialog(list.get());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.LoadFile(file);
    ASSERT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 3, -1}));
    test::FileDialogCount files;
    const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    dialog.edtFileName->setFocus();
    QStringList path;
    for (int i = 0; i < 10 && QApplication::focusWidget() != dialog.grdPreview; ++i) {
        path << QApplication::focusWidget()->objectName();
        if (!qobject_cast<QPushButton *>(QApplication::focusWidget()))
            key(Qt::Key_Return);
        ASSERT_EQ(files.shown, 0) << "Enter in " << path.join(u' ').toStdString();
        key(Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), dialog.grdPreview) << path.join(u' ').toStdString();
    ASSERT_EQ(dialog.grdPreview->currentIndex(), dialog.grdPreview->model()->index(0, 0));
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Return);
    ASSERT_EQ(files.shown, 0) << "Enter on the item cell";
    auto *choice = dialog.grdPreview->findChild<QComboBox *>("cbxItem3");
    ASSERT_NE(choice, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([choice] { return choice->view()->isVisible(); }));
    QTest::keyClick(choice->view(), Qt::Key_Down);
    const int chosen = choice->itemData(choice->view()->currentIndex().row()).toInt();
    QTest::keyClick(choice->view(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([choice] { return !choice->view()->isVisible(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 3, chosen}));
    EXPECT_EQ(files.shown, 0);
}

namespace {

// Calls a function as the window it watches is hidden.
class HideWatch : public QObject {
public:
    HideWatch(QObject *window, std::function<void()> onHide) : QObject(window), onHide_(std::move(onHide)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            onHide_();
        return false;
    }

private:
    std::function<void()> onHide_;
};

}  // namespace

// The file chosen in 参照's file dialog is read before that dialog closes: a key typed on at once (Alt+I) is
// handled in the file dialog's own loop, and found 取り込み still disabled when the file was read only after.
TEST_F(ExchangeDialogTest, ImportReadsTheChosenFileBeforeTheFileDialogCloses)
{
    const QString file = dir.path() + "/in.txt";
    test::writeFile(file, QStringLiteral("名前\t電話番号\r\n山田\t03-1234-5678\r\n").toUtf8());
    TFileImport dialog(list.get());
    dialog.show();
    bool closed = false, readyAtClose = false;
    QString nameAtClose;
    QTimer::singleShot(0, &dialog, [&] {
        auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(files, nullptr);
        files->installEventFilter(new HideWatch(files, [&] {
            closed = true;
            readyAtClose = dialog.btnImport->isEnabled();
            nameAtClose = dialog.edtFileName->text();
        }));
        files->selectFile(file);
        static_cast<QDialog *>(files)->accept();  // as its 開く button does
    });
    dialog.btnBrowse->click();
    ASSERT_TRUE(closed);
    EXPECT_TRUE(readyAtClose);
    EXPECT_EQ(nameAtClose.toStdString(), QDir::toNativeSeparators(file).toStdString());
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 3}));
    // What the file told, its separator and its header, is what the window shows once the file dialog is
    // gone, and what the import goes by: the header is no record.
    EXPECT_TRUE(dialog.rbTab->isChecked());
    EXPECT_TRUE(dialog.chkHeader->isChecked());
    boxes.answer(IDYES);
    dialog.btnImportClick();
    ASSERT_EQ(dialog.Outcome.Added, 1) << boxes.texts().join(" | ").toStdString();
    EXPECT_TRUE(dialog.Outcome.Problems.empty());
    dm->AdrsTable->First();
    EXPECT_EQ(EscapedAnsiToWide(dm->AdrsTable->FieldByName("NameKanji").AsString()), QStringLiteral("山田"));
}

TEST_F(ExchangeDialogTest, ImportAnsweredNoOrWithoutColumnsChangesNothing)
{
    const QString file = dir.path() + "/in.csv";
    test::writeFile(file, Sjis::encode(QStringLiteral("a,b\r\nc,d\r\n")));
    TFileImport dialog(list.get());
    dialog.LoadFile(file);
    EXPECT_EQ(dialog.cbxCode->currentIndex(), 0);
    EXPECT_FALSE(dialog.chkHeader->isChecked());
    dialog.btnImportClick();
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("取り込む項目を指定してください  "));
    dialog.SetColumnItem(0, 2);
    boxes.answer(IDNO);
    dialog.btnImportClick();
    EXPECT_EQ(dm->AdrsTable->RecordCount(), 0);
    EXPECT_FALSE(QFile::exists(DataRootFolder + "backup.imp/Adrs.DB"));
}

// The file chooser of the import starts where the user keeps documents, not in the folder the program was
// started from, and again in the folder of the file chosen last.
TEST_F(ExchangeDialogTest, ImportFileChooserStartsInTheDocumentsThenInTheChosenFilesFolder)
{
    QTemporaryDir home, elsewhere;
    QDir(home.path()).mkpath("Documents");
    QDir(home.path()).mkpath("spreadsheets");
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QString savedCurrent = QDir::currentPath();
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", savedHome);
        qputenv("XDG_CONFIG_HOME", savedConfig);
        QDir::setCurrent(savedCurrent);
    });
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/.config"));
    QDir::setCurrent(elsewhere.path());
    TFileImport dialog(list.get());
    const auto shownFolder = [&dialog] {
        QString folder;
        QTimer::singleShot(0, [&folder] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            folder = chooser->directory().absolutePath();
            chooser->reject();
        });
        dialog.btnBrowse->click();
        return folder;
    };
    EXPECT_EQ(shownFolder().toStdString(), (home.path() + "/Documents").toStdString());
    const QString file = home.path() + "/spreadsheets/in.csv";
    test::writeFile(file, Sjis::encode(QStringLiteral("a,b\r\n")));
    dialog.LoadFile(file);
    EXPECT_EQ(shownFolder().toStdString(), (home.path() + "/spreadsheets").toStdString());
}

// The range ticked as a screen reader ticks it, without a click, is counted at once, in both windows that have
// the range box.
TEST_F(ExchangeDialogTest, ARangeTickedWithoutAClickIsCounted)
{
    InstallTypedTextAccessibility();  // as the program does at start
    fill(30);
    list->SetSelected(3, true);
    list->SetSelected(5, true);
    const struct {
        const char *name;
        std::function<TListRangeBox *()> open;
        QString counted;
    } windows[] = {
        {"TFileExport",
         [this] {
             ShowFileExportWindow(list.get());
             return dynamic_cast<TFileExport *>(FileExport)->gbxRange;
         },
         QStringLiteral("出力件数：%1件")},
        {"TMarkExport",
         [this] {
             ShowMarkExportWindow(list.get());
             return dynamic_cast<TMarkExport *>(MarkExport)->gbxRange;
         },
         QStringLiteral("対象件数：%1件（緯度経度のあるデータのみ出力します）")},
    };
    for (const auto &window : windows) {
        SCOPED_TRACE(window.name);
        TListRangeBox *range = window.open();
        range->ListCountChanged();
        ASSERT_TRUE(range->rbAll->isChecked());
        ASSERT_TRUE(test::toggleOnTheBus(range->rbSelected));
        EXPECT_EQ(range->lblCount->text(), window.counted.arg(2));
        range->spnBegin->setValue(4);
        range->spnEnd->setValue(10);
        ASSERT_TRUE(test::toggleOnTheBus(range->rbRange));
        EXPECT_EQ(range->lblCount->text(), window.counted.arg(7));
        // The input method may be on in the range: its full-width digits are the number they stand for.
        auto *endText = range->spnEnd->findChild<QLineEdit *>();
        endText->selectAll();
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("１２"));
        QApplication::sendEvent(endText, &commit);
        EXPECT_EQ(range->spnEnd->value(), 12);
        EXPECT_EQ(range->lblCount->text(), window.counted.arg(9));
        // A screen reader's text is what typing could make of it, held to the list and counted.
        for (const auto &[text, end] : {std::pair(QStringLiteral("2a"), 2), std::pair(QStringLiteral("99"), 30)}) {
            ASSERT_TRUE(test::setTextOnTheBus(range->spnEnd, text));
            EXPECT_EQ(range->spnEnd->value(), end) << text.toStdString();
            EXPECT_EQ(range->spnEnd->text(), QString::number(end)) << text.toStdString();
        }
        EXPECT_EQ(range->lblCount->text(), window.counted.arg(27));
        EXPECT_EQ(range->Range().End, 30);
        ASSERT_TRUE(test::toggleOnTheBus(range->rbAll));
        EXPECT_EQ(range->lblCount->text(), window.counted.arg(30));
    }
}

namespace {

// Records as offices keep them: every field an export of every item writes is filled; buildings, long company
// names, two departments; names with the signs and characters Shift-JIS writes otherwise or lacks. The address
// lies in its parts as the record form keeps them: a municipality, a town without one, a building without a
// town, and one longer than the town's and building's fields together.
std::vector<TAddressRecord> officeRecords(int32_t codeMain, int32_t codeSub)
{
    struct Office {
        const char16_t *tdfkn, *adrs1, *adrs2, *adrs3, *corp, *dptmnt, *name, *joint;
    };
    const QString longTown = QStringLiteral("大字中川字") + QString(45, QChar(u'沢'));  // 100 bytes
    const QString longBuilding = QStringLiteral("山北町中川温泉郷ビレッジ ") + QString(45, QChar(u'棟'));  // 115 bytes
    const Office offices[] = {
        {u"東京都", u"千代田区", u"丸の内2丁目6-1", u"丸の内パークビルディング 12F", u"株式会社山田精密機械製作所東京本社",
         u"営業本部　第二営業部", u"山田 ¥太郎", u"山田 ¥花子"},
        {u"神奈川県", u"横浜市中区", u"本町1-2-3", u"横浜アイランドタワー 3階", u"有限会社さくら総合コンサルティング",
         u"技術開発部　品質保証課", u"佐藤‾花子", u"佐藤‾一郎"},
        {u"大阪府", u"大阪市北区", u"梅田3-1-1", u"", u"医療法人社団こころの森クリニック本院", u"総務部　経理課",
         u"𠮷田 一郎", u"𠮷田 花子"},
        {u"北海道", u"", u"札幌市中央区北5条西2-5", u"JRタワーオフィスプラザ 20F", u"北海道物産流通センター株式会社",
         u"物流部　第一倉庫課", u"森 鷗一", u"森 鷗子"},
        {u"福岡県", u"福岡市博多区", u"", u"博多駅前シティビル 8F", u"九州情報システム開発株式会社", u"営業部　法人課",
         u"鈴木 二郎", u"鈴木 三郎"},
        {u"神奈川県", u"足柄上郡山北町", nullptr, nullptr, u"株式会社足柄山林資源開発研究所", u"山林部　調査課",
         u"高橋 三郎", u"高橋 四郎"},
    };
    std::vector<TAddressRecord> records;
    for (int n = 0; n < static_cast<int>(std::size(offices)); ++n) {
        const Office &o = offices[n];
        const auto sjis = [](const char16_t *text) { return Sjis::encode(QString::fromUtf16(text)); };
        TAddressRecord r = NewAddressRecord();
        r.Group = n + 1;
        r.CustomCode = "K-" + QByteArray::number(1001 + n);
        r.Tel = "03" + QByteArray::number(52100000 + n);  // stored as digits, listed hyphenated
        r.TelDiv = n % 2 ? 3 : 0;
        r.Fax = "03" + QByteArray::number(52109900 + n);
        r.Portable1 = "090" + QByteArray::number(12340000 + n);
        r.Portable2 = "080" + QByteArray::number(98760000 + n);
        r.Pos = "10000" + QByteArray::number(10 + n);
        r.Tdfkn = sjis(o.tdfkn);
        r.Adrs1 = sjis(o.adrs1);
        r.Adrs2 = o.adrs2 ? sjis(o.adrs2) : Sjis::encode(longTown);
        r.Adrs3 = o.adrs3 ? sjis(o.adrs3) : Sjis::encode(longBuilding);
        r.AdrsKana = Sjis::encode(QStringLiteral("ﾄｳｷﾖｳﾄ ﾁﾖﾀﾞｸ %1").arg(n));
        r.PrivCorp = n == 4;
        r.CorpKanji = sjis(o.corp);
        r.CorpKana = Sjis::encode(QStringLiteral("ﾔﾏﾀﾞｾｲﾐﾂｷｶｲｾｲｻｸｼﾖ %1").arg(n));
        r.Dptmnt = sjis(o.dptmnt);
        r.Post = Sjis::encode(n % 2 ? QStringLiteral("部長代理") : QStringLiteral("課長"));
        r.NameKanji = WideToEscapedAnsi(QString::fromUtf16(o.name));
        r.NameKana = Sjis::encode(QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
        r.URL = "https://www.example.co.jp/office" + QByteArray::number(n);
        r.EMail1 = "info" + QByteArray::number(n) + "@example.co.jp";
        r.EMail2 = "sales" + QByteArray::number(n) + "@example.co.jp";
        for (int j = 0; j < 5; ++j)
            r.Joint[j] = WideToEscapedAnsi(j == 0 ? QString::fromUtf16(o.joint) : QStringLiteral("連名 %1の%2").arg(n).arg(j));
        for (int k = 0; k < 8; ++k)
            r.Keyword[k] = Sjis::encode(QStringLiteral("キーワード%1-%2").arg(k + 1).arg(n));
        r.Note = QByteArrayList{Sjis::encode(QStringLiteral("初回訪問 2024/4/%1, 午後").arg(n + 1)),
                                Sjis::encode(QStringLiteral("担当: \"田中\""))};
        r.SymbolMark = Sjis::encode(QStringLiteral("●"));
        r.SymbolColor = 0x0000FF + n;
        r.AddDateTime = DateTimeToDouble(QDateTime(QDate(2024, 4, 1 + n), QTime(9, 30, n)));
        r.UpdDateTime = DateTimeToDouble(QDateTime(QDate(2025, 5, 1 + n), QTime(17, 45, 10 + n)));
        r.CodeMain = codeMain;
        r.CodeSub = codeSub;
        records.push_back(r);
    }
    return records;
}

// The fields an export of every item writes, as text, record by record in the order they were added.
std::vector<QStringList> exportedFields(TTable &t)
{
    QStringList names{"Group", "CustomCode", "Tel", "TelDiv", "Fax", "Portable1", "Portable2", "Pos", "Tdfkn", "Adrs1",
                      "Adrs2", "Adrs3", "AdrsKana", "PrivCorp", "CorpKanji", "CorpKana", "Dptmnt", "Post", "NameKanji",
                      "NameKana", "URL", "EMail1", "EMail2"};
    for (int n = 1; n <= 5; ++n)
        names << QStringLiteral("Joint%1").arg(n);
    for (int n = 1; n <= 8; ++n)
        names << QStringLiteral("Keyword%1").arg(n);
    names << "Note" << "SymbolMark" << "SymbolColor" << "AddDateTime" << "UpdDateTime" << "CodeMain" << "CodeSub";
    std::vector<QStringList> rows;
    t.SetIndexName(QString());
    t.Scan(names, true, [&](const QVariantList &v) {
        QStringList row;
        for (qsizetype i = 0; i < names.size(); ++i) {
            const bool name = names[i] == "NameKanji" || names[i].startsWith("Joint");
            row << names[i] + "=" + (name ? EscapedAnsiToWide(v[i].toByteArray()) : v[i].typeId() == QMetaType::QByteArray ? Sjis::decode(v[i].toByteArray()) : v[i].toString());
        }
        rows.push_back(row);
    });
    return rows;
}

// The fields of t are those expected, as a file in Shift-JIS brings them back when utf8 is false: in the names,
// the signs and characters it writes as others, and "?" for what it lacks.
void expectFieldsAsExported(TTable &t, std::vector<QStringList> expected, bool utf8)
{
    if (!utf8)
        for (QStringList &row : expected)
            for (QString &field : row)
                if (field.startsWith("NameKanji=") || field.startsWith("Joint"))
                    field.replace(u'¥', u'￥').replace(u'‾', u'￣').replace(u'鷗', u'鴎').replace(QStringLiteral("𠮷"), QStringLiteral("?"));
    const std::vector<QStringList> after = exportedFields(t);
    ASSERT_EQ(after.size(), expected.size());
    for (size_t r = 0; r < after.size(); ++r)
        for (qsizetype f = 0; f < after[r].size(); ++f)
            EXPECT_EQ(after[r][f].toStdString(), expected[r][f].toStdString()) << "record " << r + 1;
}

}  // namespace

// 出力 of every item, then 取り込み of that file into a new book: every record comes back into the fields it
// came from, its address parts and building included. What Shift-JIS cannot write as it stands is said when the
// file is written: the characters it lacks, and those written as others (¥ and ‾ as their full-width forms, 鷗
// as 鴎); those, and only those, are what the book gets back in their place.
TEST_F(ExchangeDialogTest, ABookExportedWithEveryItemComesBackIntoTheSameFields)
{
    int32_t codeMain = 0, codeSub = 0;
    dm->ForEachCategory(true, QString(), [&](TTable &t) {
        if (codeMain == 0) {
            codeMain = t.FieldByName("CatNo").AsInteger() / 100;
            codeSub = t.FieldByName("CatNo").AsInteger() % 100;
        }
    });
    ASSERT_GT(codeMain, 0);
    const std::vector<TAddressRecord> records = officeRecords(codeMain, codeSub);
    auto *window = exportWindowOfEveryItem(records);
    ASSERT_NE(window, nullptr);
    const std::vector<QStringList> before = exportedFields(*dm->AdrsTable);
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Shift-JIS");
        window->cbxCode->setCurrentIndex(utf8 ? 1 : 0);
        const QString file = dir.path() + (utf8 ? "/every-utf8.csv" : "/every-sjis.csv");
        boxes.clear();
        window->ExportTo(file);
        ASSERT_EQ(window->Outcome.Written, static_cast<int>(records.size()));
        ASSERT_FALSE(boxes.texts().isEmpty());
        const QString told = boxes.texts().last();
        if (utf8) {
            EXPECT_EQ(told, QStringLiteral("6件のデータを出力しました  "));
        } else {
            EXPECT_TRUE(told.contains(QStringLiteral("Shift-JISで表せない文字を「?」で出力しました（𠮷）"))) << told.toStdString();
            EXPECT_TRUE(told.contains(QStringLiteral("Shift-JISで表せない文字を似た文字で出力しました（¥→￥、‾→￣、鷗→鴎）")))
                << told.toStdString();
            EXPECT_EQ(boxes.shown().back().flags & MB_ICONWARNING, MB_ICONWARNING);
        }

        // Into a new book, its columns named by the header.
        const QString folder = utf8 ? "Utf8Book" : "SjisBook";
        QDir().mkpath(AdrsFolder + folder);
        dm->CreateAdrsTableObject(folder);
        ASSERT_TRUE(dm->OpenAdrsTable());
        TFileImport dialog(list.get());
        dialog.LoadFile(file);
        EXPECT_TRUE(dialog.chkHeader->isChecked());
        std::vector<int> named = window->Options().Items;
        EXPECT_EQ(named.size(), static_cast<size_t>(TextItemEnd));
        std::replace(named.begin(), named.end(), 0, -1);  // No. is the list's, not the record's
        EXPECT_EQ(dialog.ColumnItems(), named);
        boxes.answer(IDYES);
        dialog.btnImportClick();
        ASSERT_EQ(dialog.Outcome.Added, static_cast<int>(records.size())) << boxes.texts().join(" | ").toStdString();
        EXPECT_EQ(dialog.Outcome.RejectedCount(), 0);
        EXPECT_EQ(dialog.Outcome.CutCount(), 0);

        expectFieldsAsExported(*dm->AdrsTable, before, utf8);

        dm->CreateAdrsTableObject("Book");
        ASSERT_TRUE(dm->OpenAdrsTable());
    }
    // The items chosen are remembered, the address parts with them, and a new window ticks them again.
    EXPECT_TRUE(window->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ShowFileExportWindow(list.get());
    window = dynamic_cast<TFileExport *>(FileExport);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Options().Items.size(), static_cast<size_t>(TextItemEnd));
}

namespace {

// A file as a spreadsheet saves it: every field in quotes, lines ended CR LF. lines[n] is the line row n starts
// on, as the report numbers it.
QString spreadsheetText(const std::vector<QStringList> &rows, std::vector<int> *lines = nullptr)
{
    QString text;
    int line = 1;
    for (const QStringList &row : rows) {
        QStringList quoted;
        for (QString field : row)
            quoted << QLatin1Char('"') + field.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        const QString written = quoted.join(QLatin1Char(','));
        if (lines)
            lines->push_back(line);
        line += 1 + static_cast<int>(written.count(QStringLiteral("\r\n")));
        text += written + QStringLiteral("\r\n");
    }
    return text;
}

// The lines of the import's report, without its mark.
QStringList reportLines()
{
    const QByteArray bytes = test::readFile(DataFolder + "InError.txt");
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    return QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

}  // namespace

// 出力 of every item, rows changed in a spreadsheet, 取り込み into a new book: what a row holds in an address part
// is stored there as it stands; its whole address fills only parts it leaves empty, and where it says otherwise
// than the parts it is set aside, which the closing message counts and the report names by line.
TEST_F(ExchangeDialogTest, AnExportEditedInASpreadsheetKeepsEachPartTheRowHoldsAndSaysWhereTheAddressDisagreed)
{
    std::vector<TAddressRecord> records = officeRecords(0, 0);
    // An office whose address after the prefecture is longer than the town's field.
    TAddressRecord omiya = records[0];
    omiya.Tdfkn = Sjis::encode(QStringLiteral("埼玉県"));
    omiya.Adrs1 = Sjis::encode(QStringLiteral("さいたま市大宮区"));
    omiya.Adrs2 = Sjis::encode(QStringLiteral("桜木町１－７－５"));
    omiya.Adrs3 = Sjis::encode(QStringLiteral("ソニックシティビル１５Ｆ　大宮オフィス受付内　鉄道模型通信販売部門宛　担当窓口"));
    ASSERT_GT(omiya.Adrs1.size() + omiya.Adrs2.size() + omiya.Adrs3.size(), 100);
    records.push_back(omiya);
    auto *window = exportWindowOfEveryItem(records);
    ASSERT_NE(window, nullptr);
    const std::vector<QStringList> before = exportedFields(*dm->AdrsTable);
    window->cbxCode->setCurrentIndex(1);
    const QString exported = dir.path() + "/every.csv";
    window->ExportTo(exported);
    ASSERT_EQ(window->Outcome.Written, static_cast<int>(records.size()));

    std::vector<QStringList> rows;
    {
        TCsvReader reader(DecodeImportText(test::readFile(exported), TTextEncoding::Utf8), QLatin1Char(','));
        TCsvRow row;
        while (reader.Next(row))
            rows.push_back(row.Fields);
    }
    ASSERT_EQ(rows.size(), records.size() + 1);
    const auto column = [&rows](const QString &caption) { return static_cast<int>(rows[0].indexOf(caption)); };
    const int whole = column("住所"), prefecture = column("都道府県"), municipality = column("市区町村"),
              town = column("町域・番地"), building = column("建物名");
    ASSERT_GE(std::min({whole, prefecture, municipality, town, building}), 0);
    // 1: the address rewritten, its parts left as they were.
    rows[1][whole] = QStringLiteral("東京都港区芝公園４－２－８");
    // 2: the address alone, rewritten; its parts cleared.
    rows[2][whole] = QStringLiteral("神奈川県横浜市西区みなとみらい2-2-1 横浜ランドマークタワー 10F");
    rows[2][prefecture] = rows[2][municipality] = rows[2][town] = rows[2][building] = QString();
    // 3: a building added to the address, where the record had none.
    rows[3][whole] += QStringLiteral("グランフロント大阪 タワーA 20F");
    // 4: the parts alone: the address cleared, the municipality taken out of the town.
    rows[4][whole].clear();
    rows[4][municipality] = QStringLiteral("札幌市中央区");
    rows[4][town] = QStringLiteral("北5条西2-5");
    // 5: a new building where the record has no town; 7: one where the address runs past the town's field.
    rows[5][building] = QStringLiteral("博多駅前シティビル 9F");
    rows[7][building] = QStringLiteral("ソニックシティビル１６Ｆ　大宮オフィス受付内　鉄道模型通信販売部門宛　担当窓口");

    std::vector<QStringList> expected = before;
    const auto set = [&expected](int record, const QString &field, const QString &value) {
        for (QString &f : expected[record])
            if (f.startsWith(field + "="))
                f = field + "=" + value;
    };
    set(1, "Tdfkn", "神奈川県");
    set(1, "Adrs1", "横浜市西区");
    set(1, "Adrs2", "みなとみらい2-2-1");
    set(1, "Adrs3", "横浜ランドマークタワー 10F");
    set(2, "Adrs3", "グランフロント大阪 タワーA 20F");
    set(3, "Adrs1", "札幌市中央区");
    set(3, "Adrs2", "北5条西2-5");
    set(4, "Adrs3", "博多駅前シティビル 9F");
    set(6, "Adrs3", rows[7][building]);

    std::vector<int> lines;
    const QString edited = spreadsheetText(rows, &lines);
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Shift-JIS");
        const QString file = WriteIntoNewBook("edited", edited, utf8);
        ASSERT_FALSE(file.isEmpty());
        TFileImport dialog(list.get());
        dialog.LoadFile(file);
        ASSERT_TRUE(dialog.chkHeader->isChecked());
        boxes.clear();
        boxes.answer(IDYES);
        dialog.btnImportClick();
        ASSERT_EQ(dialog.Outcome.Added, static_cast<int>(records.size())) << boxes.texts().join(" | ").toStdString();

        expectFieldsAsExported(*dm->AdrsTable, expected, utf8);

        ASSERT_FALSE(boxes.texts().isEmpty());
        EXPECT_EQ(boxes.texts().last().toStdString(),
                  (QStringLiteral("7件のデータを取り込みました  \r\n"
                                 "住所がその各項目と食い違うため、各項目を取り込んだ行が3行あります  \r\n"
                                 "\r\n行番号と理由は次のファイルに記録しました  \r\n")
                   + DataFolder + "InError.txt")
                      .toStdString());
        EXPECT_EQ(boxes.shown().back().flags & MB_ICONWARNING, MB_ICONWARNING);
        QStringList report;
        for (const int row : {1, 5, 7}) {
            const QString text = spreadsheetText({rows[row]}).chopped(2).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            report << QStringLiteral("%1行目: 取り込みました（「住所」が都道府県・市区町村・町域・番地・建物名と食い違うため、住所を取り込まず各項目を取り込みました）: ")
                              .arg(lines[row])
                          + (utf8 ? text : Sjis::decode(Sjis::encode(text)));
        }
        EXPECT_EQ(reportLines().join(u'\n').toStdString(), report.join(u'\n').toStdString());
    }
}

// Group and category names of another book, and characters Shift-JIS writes as look-alikes, as a spreadsheet
// gives them: the rows come in, and the closing message names each change with the rows it touched and the
// group they went to.
TEST_F(ExchangeDialogTest, TheClosingMessageNamesEachChangeWithItsCountAndTheGroupTheRowsWentTo)
{
    const std::vector<QStringList> rows{
        {"名前", "会社名", "部署", "グループ", "電話番号", "大分類名"},
        {"森 鷗一", "株式会社森鷗外記念出版", "編集部　第一編集課", "得意先", "03-5210-0001", ""},
        {"山田 太郎", "株式会社山田精密機械製作所", "営業本部　第二営業部", "仕入先", "03-5210-0002", ""},
        {"佐藤 花子", "¥100ショップさくら販売株式会社", "店舗運営部　東日本課", "得意先", "045-210-0003", ""},
        {"鈴木 二郎", "九州情報システム開発株式会社", "営業部　法人課", "グループ3", "092-210-0004", "海外取引先"},
        {"高橋 三郎", "株式会社足柄山林資源開発研究所", "山林部　調査課", "", "0465-21-0005", ""},
    };
    std::vector<int> lines;
    const QString file = dir.path() + "/groups.csv";
    test::writeFile(file, "\xEF\xBB\xBF" + spreadsheetText(rows, &lines).toUtf8());
    QFile::remove(DataFolder + "InError.txt");
    TFileImport dialog(list.get());
    dialog.LoadFile(file);
    ASSERT_TRUE(dialog.chkHeader->isChecked());
    boxes.answer(IDYES);
    dialog.btnImportClick();
    ASSERT_EQ(dialog.Outcome.Added, 5) << boxes.texts().join(" | ").toStdString();

    TTable &book = *dm->AdrsTable;
    QStringList stored;
    book.SetIndexName(QString());
    for (book.First(); !book.Eof(); book.Next())
        stored << QString::number(book.FieldByName("Group").AsInteger()) + " " + Sjis::decode(book.FieldByName("CorpKanji").AsString());
    EXPECT_EQ(stored, (QStringList{"0 株式会社森鴎外記念出版", "0 株式会社山田精密機械製作所", "0 ￥100ショップさくら販売株式会社",
                                   "3 九州情報システム開発株式会社", "0 株式会社足柄山林資源開発研究所"}));

    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_EQ(boxes.texts().last().toStdString(),
              (QStringLiteral("5件のデータを取り込みました  \r\n"
                             "Shift-JISにない文字を似た文字にした行が2行あります（鷗→鴎、¥→￥）  \r\n"
                             "グループ「得意先」「仕入先」がないため「指定なし」にした行が3行あります  \r\n"
                             "分類「海外取引先」がないため分類なしにした行が1行あります  \r\n"
                             "\r\n行番号と理由は次のファイルに記録しました  \r\n")
               + DataFolder + "InError.txt")
                  .toStdString());
    EXPECT_EQ(boxes.shown().back().flags & MB_ICONWARNING, MB_ICONWARNING);
    const auto line = [&](int row, const QString &reason) {
        return QStringLiteral("%1行目: 取り込みました（%2）: ").arg(lines[row]).arg(reason) + spreadsheetText({rows[row]}).chopped(2);
    };
    EXPECT_EQ(reportLines().join(u'\n').toStdString(),
              (QStringList{line(1, "「会社名」の「鷗」を「鴎」にしました、グループ「得意先」がないため「指定なし」にしました"),
                           line(2, "グループ「仕入先」がないため「指定なし」にしました"),
                           line(3, "「会社名」の「¥」を「￥」にしました、グループ「得意先」がないため「指定なし」にしました"),
                           line(4, "大分類「海外取引先」がないため分類なしにしました")})
                  .join(u'\n')
                  .toStdString());
}

// An address typed beside its parts as people type it, in a spreadsheet's UTF-8 file (mark, CR LF) and in
// Shift-JIS: without its prefecture, after its postal code, with half-width digits, a full-width blank before the
// building. What reads as the parts the row holds fills the empty ones, never with a blank at an end; another
// address, however it begins, goes into no part, and is counted in the closing message and listed in the report.
TEST_F(ExchangeDialogTest, AnAddressTypedWithoutItsPrefectureIsNeverGluedOntoTheBuildingAndADisagreementIsCounted)
{
    const QString umeda = QStringLiteral("梅田三丁目１番３号");
    const QStringList lines{
        "顧客コード,住所,都道府県,市区町村,町域・番地,建物名",
        "Z-1,大阪市北区芝田一丁目１番４号,大阪府,大阪市北区," + umeda + ",",
        "Z-2,〒530-0001 大阪府大阪市北区梅田3-1-3,大阪府,大阪市北区,梅田３－１－３,",
        "Z-3,東京都千代田区丸の内2-4-1,大阪府,大阪市北区," + umeda + ",",
        "Z-4,大阪府大阪市北区" + umeda + "　梅田ビル５階,大阪府,大阪市北区," + umeda + ",",
        "Z-5,〒530-0001 大阪府大阪市北区梅田3-1-3,大阪府,大阪市北区," + umeda + ",",
        "Z-6,大阪市北区" + umeda + " 剝ビル 2F,大阪府,大阪市北区," + umeda + ",",
    };
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Shift-JIS");
        const QString file = WriteIntoNewBook("typed", text, utf8);
        ASSERT_FALSE(file.isEmpty());
        TFileImport dialog(list.get());
        dialog.LoadFile(file);
        ASSERT_EQ(dialog.ColumnItems(), (std::vector<int>{2, 9, ipPrefecture, ipMunicipality, ipTown, ipBuilding}));
        boxes.clear();
        boxes.answer(IDYES);
        dialog.btnImportClick();
        ASSERT_EQ(dialog.Outcome.Added, 6) << boxes.texts().join(" | ").toStdString();

        QStringList stored;
        TTable &book = *dm->AdrsTable;
        book.SetIndexName(QString());
        for (book.First(); !book.Eof(); book.Next()) {
            QStringList fields{QString::fromLatin1(book.FieldByName("Pos").AsString())};
            for (const char *name : {"Tdfkn", "Adrs1", "Adrs2", "Adrs3"})
                fields << Sjis::decode(book.FieldByName(QString::fromLatin1(name)).AsString());
            stored << fields.join(u'|');
        }
        EXPECT_EQ(stored.join(u'\n').toStdString(),
                  (QStringList{"|大阪府|大阪市北区|" + umeda + "|", "5300001|大阪府|大阪市北区|梅田３－１－３|",
                               "|大阪府|大阪市北区|" + umeda + "|", "|大阪府|大阪市北区|" + umeda + "|梅田ビル５階",
                               "|大阪府|大阪市北区|" + umeda + "|", "|大阪府|大阪市北区|" + umeda + "|剥ビル 2F"})
                      .join(u'\n')
                      .toStdString());

        ASSERT_FALSE(boxes.texts().isEmpty());
        EXPECT_EQ(boxes.texts().last().toStdString(),
                  ("6件のデータを取り込みました  \r\n"
                   + (utf8 ? QStringLiteral("Shift-JISにない文字を似た文字にした行が1行あります（剝→剥）  \r\n") : QString())
                   + "住所がその各項目と食い違うため、各項目を取り込んだ行が3行あります  \r\n"
                     "\r\n行番号と理由は次のファイルに記録しました  \r\n"
                   + DataFolder + "InError.txt")
                      .toStdString());
        const QString setAside = QStringLiteral("「住所」が都道府県・市区町村・町域・番地・建物名と食い違うため、住所を取り込まず各項目を取り込みました");
        QStringList report;
        for (const int line : {2, 4, 6})
            report << QStringLiteral("%1行目: 取り込みました（%2）: ").arg(line).arg(setAside) + Sjis::decode(Sjis::encode(lines[line - 1]));
        if (utf8)
            report << "7行目: 取り込みました（「住所」の「剝」を「剥」にしました）: " + lines[6];
        EXPECT_EQ(reportLines().join(u'\n').toStdString(), report.join(u'\n').toStdString());
    }
}

namespace {

// Picks an item in a column's list of the import's preview as a user does: the cell opened with F2, the item
// chosen in the list it opens with Enter. The window is shown and active; a box the choice posts has been shown
// when this returns.
void pickColumnItem(TFileImport &dialog, int column, int itemNo)
{
    dialog.grdPreview->setCurrentCell(0, column);
    QTest::keyClick(dialog.grdPreview, Qt::Key_F2);
    auto *choice = dialog.grdPreview->findChild<QComboBox *>(QStringLiteral("cbxItem%1").arg(column + 1));
    ASSERT_NE(choice, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([choice] { return choice->view()->isVisible(); }));
    const int index = choice->findData(itemNo);
    ASSERT_GE(index, 0);
    choice->view()->setCurrentIndex(choice->model()->index(index, 0));
    QTest::keyClick(choice->view(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.isActiveWindow(); }));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A mail program's contacts as it exports them: 88 columns, the name and its reading each in two (姓 before 名),
// the telephone numbers hyphenated, the office address in parts, web and mail addresses in the memo; most
// columns empty.
std::vector<QStringList> mailContacts()
{
    QStringList header{"姓", "名", "ミドル ネーム", "敬称", "姓 (フリガナ)", "名 (フリガナ)", "ニックネーム", "電子メール アドレス",
                       "電子メール 2 アドレス", "会社名", "部署", "役職", "勤務先電話", "勤務先 FAX", "携帯電話", "自宅電話",
                       "勤務先郵便番号", "勤務先都道府県", "勤務先市区町村", "勤務先番地", "Web ページ", "メモ"};
    for (int n = 1; header.size() < 88; ++n)
        header << QStringLiteral("ユーザー設定フィールド %1").arg(n);
    const auto contact = [&header](const QStringList &values) {
        QStringList row = values;
        while (row.size() < header.size())
            row << QString();
        return row;
    };
    return {header,
            contact({"山田", "太郎", "", "様", "ヤマダ", "タロウ", "", "yamada@example.co.jp", "t.yamada@example.ne.jp",
                     "株式会社山田精密機械製作所", "営業本部 第二営業部", "部長", "03-5210-0001", "03-5210-0002", "090-1234-5678",
                     "", "100-0001", "東京都", "千代田区", "千代田1-1", "https://www.example.co.jp/",
                     "受付 https://example.jp/uketsuke 宛 uketsuke@example.jp"}),
            contact({"森", "鷗一", "", "", "モリ", "オウイチ", "", "mori@example.jp", "", "剝離技研株式会社", "開発部", "", "045-201-7788",
                     "", "080-9876-5432", "", "231-0001", "神奈川県", "横浜市中区", "新港1-1-1", "", ""})};
}

}  // namespace

// A mail program's contacts file of 88 columns, in Shift-JIS as it writes it and in UTF-8 with its mark, is
// shown with every column: those named like an item take it, the rest stay （取り込まない） until chosen. 姓 and 名
// both chosen for 名前 (and their readings for 名前カナ) are joined as a name is written; a second column for the
// telephone number is refused in a box when it is chosen and the column keeps its choice; the rows come in.
TEST_F(ExchangeDialogTest, AMailProgramsContactsOf88ColumnsComeInWithTheNameJoinedFromItsTwoColumns)
{
    const std::vector<QStringList> rows = mailContacts();
    ASSERT_EQ(rows[0].size(), 88);
    QString text;
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &field : row)
            fields << CsvField(field);
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    for (const bool utf8 : {false, true}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Shift-JIS");
        const QString file = WriteIntoNewBook("contacts", text, utf8);
        ASSERT_FALSE(file.isEmpty());
        boxes.clear();
        TFileImport dialog(list.get());
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.LoadFile(file);
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(" | ").toStdString();
        ASSERT_EQ(dialog.grdPreview->columnCount(), 88);
        EXPECT_TRUE(dialog.btnImport->isEnabled());
        std::vector<int> items(88, -1);
        items[9] = 12;   // 会社名
        items[10] = 14;  // 部署
        items[11] = 15;  // 役職
        EXPECT_EQ(dialog.ColumnItems(), items);
        EXPECT_TRUE(dialog.chkHeader->isChecked());

        for (const auto &[column, item] : {std::pair{0, 16}, {1, 16}, {4, 17}, {5, 17}, {7, 19}, {8, 20}, {12, 3}, {13, 5},
                                           {16, 8}, {17, int(ipPrefecture)}, {18, int(ipMunicipality)}, {19, int(ipTown)},
                                           {20, 18}, {21, 34}}) {
            pickColumnItem(dialog, column, item);
            items[column] = item;
        }
        EXPECT_EQ(dialog.ColumnItems(), items);
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(" | ").toStdString();
        // The mobile number to 電話番号 too: refused, said, and the column left as it was; then to 携帯番号1.
        pickColumnItem(dialog, 14, 3);
        ASSERT_EQ(boxes.texts().size(), 1);
        EXPECT_EQ(boxes.texts()[0], QStringLiteral("「電話番号」はすでに13列目に選ばれています  \r\n「電話番号」に取り込める列は1つだけです  "));
        EXPECT_EQ(dialog.ColumnItems(), items);
        EXPECT_EQ(dialog.grdPreview->item(0, 14)->text(), QStringLiteral("（取り込まない）"));
        pickColumnItem(dialog, 14, 6);
        items[14] = 6;
        EXPECT_EQ(dialog.ColumnItems(), items);

        boxes.clear();
        boxes.answer(IDYES);
        dialog.btnImportClick();
        ASSERT_EQ(dialog.Outcome.Added, 2) << boxes.texts().join(" | ").toStdString();
        EXPECT_EQ(dialog.Outcome.RejectedCount(), 0);
        QStringList stored;
        TTable &book = *dm->AdrsTable;
        book.SetIndexName(QString());
        for (book.First(); !book.Eof(); book.Next()) {
            QStringList fields{EscapedAnsiToWide(book.FieldByName("NameKanji").AsString())};
            for (const char *name : {"NameKana", "CorpKanji", "Dptmnt", "Tel", "Fax", "Portable1", "Pos", "Tdfkn", "Adrs1", "Adrs2",
                                     "EMail1", "EMail2", "URL", "Note"})
                fields << Sjis::decode(book.FieldByName(QString::fromLatin1(name)).AsString());
            stored << fields.join(u'|');
        }
        // A name keeps 鷗 as it comes (Shift-JIS has written 鴎 for it); the company is Shift-JIS.
        EXPECT_EQ(stored.join(u'\n').toStdString(),
                  QStringLiteral("山田 太郎|ﾔﾏﾀﾞ ﾀﾛｳ|株式会社山田精密機械製作所|営業本部 第二営業部|0352100001|0352100002|09012345678|"
                                 "1000001|東京都|千代田区|千代田1-1|yamada@example.co.jp|t.yamada@example.ne.jp|"
                                 "https://www.example.co.jp/|受付 https://example.jp/uketsuke 宛 uketsuke@example.jp\n"
                                 "森 %1一|ﾓﾘ ｵｳｲﾁ|剥離技研株式会社|開発部|0452017788||08098765432|2310001|神奈川県|横浜市中区|"
                                 "新港1-1-1|mori@example.jp|||")
                      .arg(QChar(utf8 ? u'鷗' : u'鴎'))
                      .toStdString());
        ASSERT_FALSE(boxes.texts().isEmpty());
        EXPECT_TRUE(boxes.texts().last().startsWith(QStringLiteral("2件のデータを取り込みました  "))) << boxes.texts().last().toStdString();
    }
}

// However a column's item is chosen, a second column for an item that takes one is refused: by a header naming
// it twice (名前 twice: both columns, joined; 電話番号 twice: the first only), by a pick in the list, and by a screen
// reader that sets the list's choice without picking it, the choice taken as the list closes.
TEST_F(ExchangeDialogTest, AColumnItemThatTakesOneColumnIsRefusedHoweverItIsChosen)
{
    const QString file = dir.path() + "/twice.csv";
    test::writeFile(file, "\xEF\xBB\xBF"
                              + QStringLiteral("名前,名前,電話番号,電話番号,登録日付\r\n山田,太郎,03-5210-0001,090-1234-5678,2026/01/05\r\n")
                                    .toUtf8());
    TFileImport dialog(list.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.LoadFile(file);
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 16, 3, -1, 37}));
    EXPECT_TRUE(boxes.texts().isEmpty());

    // Picked in the list: refused, said, and the column keeps its choice.
    pickColumnItem(dialog, 3, 3);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("「電話番号」はすでに3列目に選ばれています  \r\n「電話番号」に取り込める列は1つだけです  ")});
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 16, 3, -1, 37}));
    boxes.clear();

    // The list's choice set as a screen reader sets it, then the focus moved on: the cell closes on it.
    dialog.grdPreview->setCurrentCell(0, 3);
    QTest::keyClick(dialog.grdPreview, Qt::Key_F2);
    auto *choice = dialog.grdPreview->findChild<QComboBox *>("cbxItem4");
    ASSERT_NE(choice, nullptr);
    choice->setCurrentIndex(choice->findData(37));
    dialog.btnCancel->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.texts().isEmpty(); }));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("「登録日付」はすでに5列目に選ばれています  \r\n「登録日付」に取り込める列は1つだけです  ")});
    EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{16, 16, 3, -1, 37}));

    boxes.answer(IDYES);
    dialog.btnImportClick();
    ASSERT_EQ(dialog.Outcome.Added, 1) << boxes.texts().join(" | ").toStdString();
    dm->AdrsTable->First();
    EXPECT_EQ(EscapedAnsiToWide(dm->AdrsTable->FieldByName("NameKanji").AsString()), QStringLiteral("山田 太郎"));
    EXPECT_EQ(dm->AdrsTable->FieldByName("Tel").AsString(), "0352100001");
}

// An office moving to another machine: 出力 with the window's own items, whose address is the whole 住所, and
// 取り込み of that file into a new book. The file sets each building apart from its street number, as the list
// shows it ("梅田3-1-3 5F", never "梅田3-1-35F"), and the new book gets every address part back as it was: the
// prefecture and the municipality the dictionary names, the town and the building after the blank.
TEST_F(ExchangeDialogTest, AnExportOfTheWindowsOwnItemsGivesANewBookEveryAddressAsItWas)
{
    struct Office {
        const char16_t *tdfkn, *adrs1, *adrs2, *adrs3, *corp, *dptmnt, *post;
        QByteArray tel;
    };
    const Office offices[] = {
        {u"大阪府", u"大阪市北区", u"梅田3-1-3", u"5F", u"株式会社梅田精密機械製作所大阪本社", u"営業本部　第二営業部", u"課長",
         "0663451234"},
        {u"東京都", u"千代田区", u"丸の内1-9-1", u"201号室", u"丸の内国際特許法律事務所", u"知財部　商標課",
         u"窓口 https://www.example.co.jp/contact?id=7&k=1", "0352200001"},
        {u"福岡県", u"福岡市博多区", u"博多駅前２－１－１", u"５階", u"九州情報システム開発株式会社", u"営業部", u"部長代理",
         "0924410001"},
        {u"東京都", u"千代田区", u"丸の内１－９－１", u"グラントウキョウノースタワー１２階", u"株式会社シロガネ歯科材料",
         u"営業部", u"課長", "0362120001"},
        {u"神奈川県", u"横浜市中区", u"本町1-2-3", u"", u"有限会社さくら総合コンサルティング", u"技術開発部　品質保証課",
         u"info@sakura-consulting.example.jp", "0452110001"},
        {u"東京都", u"港区", u"芝公園4-2-8", u"剝離鷗ビル 3F", u"森鷗外記念出版株式会社", u"編集部", u"主任", "0334330001"},
    };
    TTable &book = *dm->AdrsTable;
    for (const Office &o : offices) {
        const auto sjis = [](const char16_t *text) { return Sjis::encode(QString::fromUtf16(text)); };
        TAddressRecord r = NewAddressRecord();
        r.Tel = o.tel;
        r.Tdfkn = sjis(o.tdfkn);
        r.Adrs1 = sjis(o.adrs1);
        r.Adrs2 = sjis(o.adrs2);
        r.Adrs3 = sjis(o.adrs3);
        r.PrivCorp = false;
        r.CorpKanji = sjis(o.corp);
        r.Dptmnt = sjis(o.dptmnt);
        r.Post = sjis(o.post);
        r.NameKanji = WideToEscapedAnsi(QStringLiteral("佐藤 健一"));
        r.URL = "https://www.example.co.jp/";
        r.EMail1 = "sales.department.tokyo-branch_2026@mail.example-holdings.co.jp";
        book.Append();
        SetAddressRecordFields(book, r);
        book.Post();
    }
    list->RefreshList(true, true, false);
    // Each record's address parts and its text in the main list's 住所 column.
    const auto addresses = [](TTable &t) {
        std::vector<QStringList> rows;
        TListCells cells(t, [](int32_t, int32_t) { return QByteArray(); });
        t.SetIndexName(QString());
        for (t.First(); !t.Eof(); t.Next()) {
            QStringList row{cells.Text(liAddress, 0), cells.Text(3, 0)};
            for (const char *name : {"Tdfkn", "Adrs1", "Adrs2", "Adrs3"})
                row << Sjis::decode(t.FieldByName(name).AsString());
            rows.push_back(row);
        }
        return rows;
    };
    const std::vector<QStringList> before = addresses(book);
    ASSERT_EQ(before.size(), std::size(offices));
    EXPECT_EQ(before[0][0], QStringLiteral("大阪府大阪市北区梅田3-1-3 5F"));

    ShowFileExportWindow(list.get());
    auto *window = dynamic_cast<TFileExport *>(FileExport);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Options().Items, (std::vector<int>{1, 2, 3, 5, 8, 9, 12, 14, 15, 16}));
    const QString file = dir.path() + "/moving.csv";
    window->ExportTo(file);
    ASSERT_EQ(window->Outcome.Written, static_cast<int>(std::size(offices)));
    const QByteArray bytes = test::readFile(file);
    for (const char16_t *address : {u"大阪府大阪市北区梅田3-1-3 5F", u"東京都千代田区丸の内1-9-1 201号室",
                                    u"福岡県福岡市博多区博多駅前２－１－１ ５階",
                                    u"東京都千代田区丸の内１－９－１ グラントウキョウノースタワー１２階",
                                    u"神奈川県横浜市中区本町1-2-3", u"東京都港区芝公園4-2-8 剥離鴎ビル 3F"})
        EXPECT_TRUE(bytes.contains("," + Sjis::encode(QString::fromUtf16(address)) + ","))
            << QString::fromUtf16(address).toStdString();

    QDir().mkpath(AdrsFolder + "Moved");
    dm->CreateAdrsTableObject("Moved");
    ASSERT_TRUE(dm->OpenAdrsTable());
    TFileImport dialog(list.get());
    dialog.LoadFile(file);
    EXPECT_EQ(dialog.ColumnItems(), window->Options().Items);
    boxes.answer(IDYES);
    dialog.btnImportClick();
    ASSERT_EQ(dialog.Outcome.Added, static_cast<int>(std::size(offices))) << boxes.texts().join(" | ").toStdString();
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("6件のデータを取り込みました  "));
    const std::vector<QStringList> after = addresses(*dm->AdrsTable);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].join(u'|').toStdString(), before[i].join(u'|').toStdString());
}

// A selection saved before the export offered the address parts still loads and writes the whole address
// alone (住所), as files from other programs give it: imported, it is split at the prefecture and loses
// nothing the record's fields can hold, even beyond the town's and building's fields together. An address
// longer than all of them is cut, and the import's message says so, not only its report.
TEST_F(ExchangeDialogTest, AWholeAddressKeepsWhatTheRecordHoldsAndACutIsToldInTheMessage)
{
    TTable &book = *dm->AdrsTable;
    std::vector<TAddressRecord> records = officeRecords(0, 0);
    // The last office's address fills every field: 8 + 32 + 100 + 116 bytes.
    records.back().Adrs1 = Sjis::encode(QStringLiteral("足柄上郡山北町大字中川字西丹沢"));
    records.back().Adrs1 += Sjis::encode(QStringLiteral("沢"));
    ASSERT_EQ(records.back().Adrs1.size(), 32);
    records.back().Adrs3 += Sjis::encode(QStringLiteral("A"));
    ASSERT_EQ(records.back().Adrs3.size(), 116);
    for (const TAddressRecord &r : records) {
        book.Append();
        SetAddressRecordFields(book, r);
        book.Post();
    }
    list->RefreshList(true, true, false);
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteString("FILE EXPORT", "Items", "2,9,16");
        ini.UpdateFile();
    }
    ShowFileExportWindow(list.get());
    auto *window = dynamic_cast<TFileExport *>(FileExport);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Options().Items, (std::vector<int>{2, 9, 16}));
    EXPECT_EQ(window->lstItems->count(), TextItemEnd);
    const QString file = dir.path() + "/whole.csv";
    window->ExportTo(file);
    ASSERT_EQ(window->Outcome.Written, static_cast<int>(records.size()));

    const auto addresses = [](TTable &t) {
        QStringList listed;
        TListCells cells(t, [](int32_t, int32_t) { return QByteArray(); });
        t.SetIndexName(QString());
        for (t.First(); !t.Eof(); t.Next())
            listed << cells.Text(liAddress, 0);
        return listed;
    };
    const QStringList before = addresses(book);
    QDir().mkpath(AdrsFolder + "New");
    dm->CreateAdrsTableObject("New");
    ASSERT_TRUE(dm->OpenAdrsTable());
    {
        TFileImport dialog(list.get());
        dialog.LoadFile(file);
        EXPECT_EQ(dialog.ColumnItems(), (std::vector<int>{2, 9, 16}));
        boxes.answer(IDYES);
        dialog.btnImportClick();
        ASSERT_EQ(dialog.Outcome.Added, static_cast<int>(records.size()));
        EXPECT_EQ(dialog.Outcome.CutCount(), 0);
        EXPECT_EQ(boxes.texts().last(), QStringLiteral("6件のデータを取り込みました  "));
    }
    EXPECT_EQ(addresses(*dm->AdrsTable), before);
    dm->AdrsTable->Last();
    EXPECT_EQ(Sjis::decode(dm->AdrsTable->FieldByName("Tdfkn").AsString()), QStringLiteral("神奈川県"));

    // Two characters more than every field holds: the end is cut, said in the message and in the report.
    const QString tooLong = before.back() + QStringLiteral("号室");
    test::writeFile(file, Sjis::encode(QStringLiteral("顧客コード,住所,名前\r\nK-2001,%1,渡辺 五郎\r\n").arg(tooLong)));
    TFileImport dialog(list.get());
    dialog.LoadFile(file);
    boxes.answer(IDYES);
    dialog.btnImportClick();
    ASSERT_EQ(dialog.Outcome.Added, 1);
    EXPECT_EQ(dialog.Outcome.CutCount(), 1);
    const QString told = boxes.texts().last();
    EXPECT_TRUE(told.contains(QStringLiteral("長すぎる項目を切り詰めて取り込んだ行が1行あります"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("InError.txt")));
    EXPECT_EQ(boxes.shown().back().flags & MB_ICONWARNING, MB_ICONWARNING);
    EXPECT_EQ(addresses(*dm->AdrsTable).last(), before.back());
    EXPECT_TRUE(QString::fromUtf8(test::readFile(DataFolder + "InError.txt")).contains(QStringLiteral("「住所」を116バイトに切り詰めました")));
}

TEST_F(ExchangeDialogTest, ExportWindowFollowsTheListAndWritesTheChosenRange)
{
    fill(30);
    ShowFileExportWindow(list.get());
    auto *window = dynamic_cast<TFileExport *>(FileExport);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->gbxRange->spnEnd->value(), 30);
    EXPECT_FALSE(window->gbxRange->rbSelected->isEnabled());
    list->SetSelected(3, true);
    list->SetSelected(5, true);
    window->ListCountChanged();
    window->gbxRange->rbSelected->setChecked(true);
    emit window->gbxRange->RangeChanged();
    EXPECT_EQ(window->gbxRange->lblCount->text(), QStringLiteral("出力件数：2件"));
    // Only customer code and name, Shift-JIS, with the header.
    for (int row = 0; row < window->lstItems->count(); ++row) {
        const int item = window->ItemOrder[row];
        window->lstItems->item(row)->setCheckState(item == 2 || item == 16 ? Qt::Checked : Qt::Unchecked);
    }
    const QString file = dir.path() + "/out.csv";
    window->ExportTo(file);
    EXPECT_EQ(window->Outcome.Written, 2);
    const QStringList lines = Sjis::decode(test::readFile(file)).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("顧客コード,名前"));
    EXPECT_EQ(lines[1], QStringLiteral("%1,山田 太郎").arg(list->GetRecNoAt(3) == 4 ? "C3" : lines[1].section(',', 0, 0)));
    // The keyword names follow the keyword dialog.
    KeywordNames[0] = QStringLiteral("取引区分");
    window->UpdateKeywordNames();
    const auto row = std::find(window->ItemOrder.begin(), window->ItemOrder.end(), 26) - window->ItemOrder.begin();
    EXPECT_EQ(window->lstItems->item(static_cast<int>(row))->text(), QStringLiteral("取引区分"));
    // The choices are remembered; a new list count resets from-to to the whole list.
    EXPECT_EQ(TMemIniFile(DataFolder + SettingsFileName).ReadString("FILE EXPORT", "Items", ""), QStringLiteral("2,16"));
    fill(5);
    EXPECT_EQ(window->gbxRange->spnEnd->value(), 35);
    // Closing clears the program-wide reference, as the main window's close check expects.
    EXPECT_TRUE(window->close());
    EXPECT_EQ(FileExport, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(ExchangeDialogTest, MarkExportWritesOneWaypointPerRecordWithAPosition)
{
    auto *window = markExportOf({128484000, 0, 128484002, 0});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TMarkExport::DefaultFileName(), QStringLiteral("Mark01.gpx"));
    const QString file = dir.path() + "/Mark01.gpx";
    test::writeFile(file, "old");
    EXPECT_TRUE(window->ExportTo(file));
    EXPECT_EQ(window->Written, 2);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader gpx(&f);
    QStringList names;
    while (!gpx.atEnd())
        if (gpx.readNext() == QXmlStreamReader::StartElement && gpx.name() == QStringLiteral("name"))
            names << gpx.readElementText();
    EXPECT_FALSE(gpx.hasError());
    EXPECT_EQ(names, (QStringList{QStringLiteral("株式会社\"山田\"商事 0"), QStringLiteral("株式会社\"山田\"商事 2")}));
    EXPECT_EQ(QDir(dir.path()).entryList({"*Mark01*"}, QDir::Files | QDir::Hidden), QStringList{"Mark01.gpx"});
    window->close();
    EXPECT_EQ(MarkExport, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Esc is 閉じる in both export windows, wherever the focus is; while an export runs 閉じる is disabled, and Esc
// leaves the window and its export alone.
TEST_F(ExchangeDialogTest, EscClosesEitherExportWindowButNotUnderItsExport)
{
    // Enough marks that the export lets events through on its way.
    TTable &t = *dm->AdrsTable;
    t.StartTransaction();
    for (int n = 0; n < 5000; ++n) {
        TAddressRecord r = test::SampleRecord(n, false);
        r.Latitude = 128484000 + n;
        r.Longitude = 503136000;
        t.Append();
        SetAddressRecordFields(t, r);
        t.Post();
    }
    t.Commit();
    list->RefreshList(true, true, false);
    // Each window as the main list's command opens it, one at a time: the keys go to the window in front.
    struct TExportWindow {
        QPointer<QWidget> window;
        QPushButton *stop = nullptr;
        QWidget *focus = nullptr;
        std::function<void()> run;
    };
    const std::function<TExportWindow()> opens[] = {
        [&] {
            ShowFileExportWindow(list.get());
            auto *text = dynamic_cast<TFileExport *>(FileExport);
            text->lstItems->item(0)->setCheckState(Qt::Checked);
            return TExportWindow{text, text->btnStop, text->lstItems, [=] { text->ExportTo(dir.path() + "/out.csv"); }};
        },
        [&] {
            ShowMarkExportWindow(list.get());
            auto *marks = dynamic_cast<TMarkExport *>(MarkExport);
            return TExportWindow{marks, marks->btnStop, marks->btnExport,
                                 [=] { marks->ExportTo(dir.path() + "/Mark01.gpx"); }};
        },
    };
    for (const auto &open : opens) {
        const TExportWindow w = open();
        ASSERT_TRUE(w.window);
        SCOPED_TRACE(w.window->windowTitle().toStdString());
        w.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.window));
        w.focus->setFocus();
        bool pressed = false, keptWhileRunning = false;
        QTimer esc;
        QObject::connect(&esc, &QTimer::timeout, [&] {
            if (pressed || !w.stop->isEnabled())
                return;
            pressed = true;
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w.window.data(), Qt::Key_Escape);
            keptWhileRunning = w.window && w.window->isVisible();
        });
        esc.start(0);
        w.run();
        esc.stop();
        ASSERT_TRUE(pressed) << "the export let no events through";
        EXPECT_TRUE(keptWhileRunning);
        ASSERT_TRUE(w.window && w.window->isVisible()) << "closed under its export";
        EXPECT_EQ(boxes.texts().size(), 1u) << "the export went on to its end";
        boxes.clear();
        QTest::keyClick(w.focus, Qt::Key_Escape);
        EXPECT_TRUE(!w.window || !w.window->isVisible());
    }
    EXPECT_EQ(FileExport, nullptr);
    EXPECT_EQ(MarkExport, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A mark file the map program reads from its own folder, kept there behind a link: the export writes where the
// link leads, the link stays one, and the file keeps its permissions (0600).
TEST_F(ExchangeDialogTest, AMarkExportOverALinkWritesWhereItLeadsAndKeepsTheFilesMode)
{
    auto *window = markExportOf({128484000, 128484001});
    ASSERT_NE(window, nullptr);
    const QString kept = dir.path() + "/地図 鷗外/Mark01.gpx", link = dir.path() + "/Mark01.gpx";
    test::writeFile(kept, "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\">\n</gpx>\n");
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(kept, link));
    EXPECT_TRUE(window->ExportTo(link));
    EXPECT_EQ(QFileInfo(link).symLinkTarget().toStdString(), kept.toStdString());
    EXPECT_EQ(test::readFile(kept).count("<wpt "), 2);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(QDir(QFileInfo(kept).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Mark01.gpx"});
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A disk without room and a folder that cannot be written are named below the file, and the marks written
// before stay as they were.
TEST_F(ExchangeDialogTest, AMarkExportThatCannotBeWrittenSaysWhyAndKeepsTheFileBefore)
{
    test::SmallDisk disk(256 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    auto *window = markExportOf({128484000, 128484001, 128484002});
    ASSERT_NE(window, nullptr);
    const QString folder = disk.path() + QStringLiteral("地図 鷗外/");
    const QString file = folder + QStringLiteral("𠮷野 支店.gpx");
    const QByteArray before = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\">\n</gpx>\n";
    test::writeFile(file, before);
    ASSERT_TRUE(disk.fill());
    const auto exported = [&] {
        boxes.clear();
        EXPECT_FALSE(window->ExportTo(file));
        EXPECT_EQ(test::readFile(file), before);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(file).fileName()});
        return boxes.texts();
    };
    const QString first = QStringLiteral("マークファイルが書き込めませんでした  \r\n") + file + "\r\n\r\n";
    EXPECT_EQ(exported(), QStringList{first + DiskFullReason});
    {
        const test::ReadOnlyFolder locked(folder);
        ASSERT_TRUE(locked.mounted()) << locked.skipReason().toStdString();
        EXPECT_EQ(exported(), QStringList{first + NotWritableReason});
    }
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The report of an import lands where the data folder's InError.txt leads, here a card that is full and then
// locked: the rows still come in, and the closing message says why the report is missing.
TEST_F(ExchangeDialogTest, AnImportReportThatCannotBeWrittenSaysWhy)
{
    test::SmallDisk card(256 * 1024);
    if (!card.mounted())
        GTEST_SKIP() << card.skipReason().toStdString();
    const QString report = DataFolder + "InError.txt";
    QFile::remove(report);
    ASSERT_TRUE(QFile::link(card.path() + "InError.txt", report));
    ASSERT_TRUE(card.fill());
    const QString file = dir.path() + "/groups.csv";
    test::writeFile(file, "\xEF\xBB\xBF" + spreadsheetText({{"名前", "会社名", "グループ", "電話番号"},
                                                           {"森 鷗一", "株式会社森鷗外記念出版", "得意先", "03-5210-0001"}})
                                       .toUtf8());
    const auto imported = [&] {
        TFileImport dialog(list.get());
        dialog.LoadFile(file);
        boxes.clear();
        boxes.answer(IDYES);
        dialog.btnImportClick();
        EXPECT_EQ(dialog.Outcome.Added, 1);
        return boxes.texts().isEmpty() ? QString() : boxes.texts().last();
    };
    const QString unwritten = QStringLiteral("\r\n\r\n報告ファイルが書き込めませんでした  \r\n") + report + "\r\n\r\n";
    EXPECT_TRUE(imported().endsWith(unwritten + DiskFullReason));
    {
        const test::ReadOnlyFolder locked(card.path());
        ASSERT_TRUE(locked.mounted()) << locked.skipReason().toStdString();
        EXPECT_TRUE(imported().endsWith(unwritten + NotWritableReason));
    }
    QFile::remove(report);
}

TEST_F(ExchangeDialogTest, SettingsAreWrittenAndReportedByTheirFlags)
{
    HistoryCount = 10;
    ViewBGPaint = 1;
    ViewBGColor = 14680047;
    CooperateMap = 2;
    {
        TEnvironment dialog(list.get());
        dialog.spnHisCount->setValue(20);
        dialog.chkSameNum->setChecked(false);
        dialog.chkUpdateCheck->setChecked(false);
        dialog.btnOkClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(dialog.Result.Accepted);
        EXPECT_TRUE(dialog.Result.HistoryCountChanged);
        EXPECT_FALSE(dialog.Result.LinkColorChanged);
        EXPECT_FALSE(dialog.Result.MapRouteChanged);
        EXPECT_FALSE(dialog.Result.DataFolderChanged);
        EXPECT_FALSE(dialog.Result.MustEnd);
    }
    const TMemIniFile ini(DataFolder + SettingsFileName);
    EXPECT_EQ(ini.ReadInteger("OPERATION", "HisCount", 0), 20);
    EXPECT_FALSE(ini.ReadBool("ADDRESS", "SameNum", true));
    EXPECT_FALSE(ini.ReadBool("UPDATE", "UpdateCheck", true));
    EXPECT_EQ(HistoryCount, 20);
    EXPECT_EQ(UpdateCheckAtStart, 0);

    // A new data folder closes the windows that work on the open book before anything changes.
    list->RefreshList(true, true, false);
    ShowFileExportWindow(list.get());
    ASSERT_NE(FileExport, nullptr);
    const QString other = dir.path() + "/other data/";
    TEnvironment dialog(list.get());
    dialog.cbxMap->setCurrentIndex(5);
    dialog.BGColor = 0x00FF00;
    dialog.edtDataPath->setText(other);
    dialog.btnOkClick();
    EXPECT_TRUE(dialog.Result.DataFolderChanged);
    EXPECT_EQ(FileExport, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.Result.LinkColorChanged);
    EXPECT_TRUE(dialog.Result.MapRouteChanged);
    EXPECT_EQ(DataRootFolder, other);
    EXPECT_EQ(AdrsFolder, other + "Adrs/");
    EXPECT_TRUE(QFileInfo(other).isDir());
    EXPECT_EQ(TMemIniFile(DataFolder + SettingsFileName).ReadString("BASE", "DataPath", ""), other);
}

// Another running copy's data folder, under any name, is refused before anything is closed or written, and so is
// a folder inside it (its open book's folder, a new folder there) or around it, where this copy would reach its
// books; nothing of this copy is made there. A free one takes this copy's hold with it, and the folder left is
// free for another copy.
TEST_F(ExchangeDialogTest, TheDataFolderOfAnotherRunningCopyIsRefused)
{
    const QString own = DataRootFolder;
    DataRootHold = TakeDataRoot(InstanceName, own);
    ASSERT_TRUE(DataRootHold);
    const auto release = qScopeGuard([] { DataRootHold.reset(); });
    // Beside this copy's root, not inside it.
    const QTemporaryDir elsewhere;
    const QString held = QFileInfo(elsewhere.path()).canonicalFilePath() + "/held";
    test::writeFile(held + "/Adrs/アドレス/Adrs.DB", "the other copy's book");
    const std::unique_ptr<TInstanceGuard> otherCopy = TakeDataRoot(InstanceName, held);
    ASSERT_TRUE(otherCopy);
    ASSERT_TRUE(QFile::link(held, dir.path() + "/link"));
    const QStringList before = test::entriesBelow(elsewhere.path());
    const QByteArray settings = test::readFile(DataFolder + SettingsFileName);
    HistoryCount = 10;
    const QString inUse = "このデータ保存フォルダーは、起動中の別のVelmoraが使用しています  \r\n";
    const QString inside = "このデータ保存フォルダーは、  \r\n起動中の別のVelmoraが使用しているフォルダーの中にあります  \r\n";
    const QString around = "このデータ保存フォルダーの中に、  \r\n起動中の別のVelmoraが使用しているフォルダーがあります  \r\n";
    const QList<std::pair<QString, QString>> refused = {
        {held + "/", inUse},
        {dir.path() + "/link/", inUse},
        {elsewhere.path() + "/./held", inUse},
        {held + "/Adrs/アドレス", inside},
        {held + "/new/", inside},
        {dir.path() + "/link/Adrs/アドレス/", inside},
        {elsewhere.path() + "/", around},
    };
    for (const auto &[path, first] : refused) {
        const test::MessageBoxScript boxes;
        TEnvironment dialog(list.get());
        dialog.spnHisCount->setValue(20);
        dialog.edtDataPath->setText(path);
        dialog.btnOkClick();
        EXPECT_FALSE(dialog.Result.Accepted) << path.toStdString();
        ASSERT_EQ(boxes.texts().size(), 1) << path.toStdString();
        // The folder as the dialog takes it, ending in "/"; a folder inside or around names the one in use.
        const QString shown = QDir::toNativeSeparators(path.endsWith('/') ? path : path + '/');
        const QString usedBy = first == inUse ? QString() : "\r\n\r\n使用中のフォルダー：" + held;
        EXPECT_EQ(boxes.texts()[0], first + shown + usedBy + "\r\n\r\nそのVelmoraを終了してから、もう一度お試しください  ")
            << boxes.texts()[0].toStdString();
        EXPECT_EQ(DataRootFolder, own);
        EXPECT_EQ(HistoryCount, 10);
        EXPECT_EQ(test::readFile(DataFolder + SettingsFileName), settings);
        EXPECT_EQ(test::entriesBelow(elsewhere.path()), before) << path.toStdString();
        EXPECT_TRUE(DataRootHold->Holds(own));
    }
    EXPECT_EQ(test::readFile(held + "/Adrs/アドレス/Adrs.DB"), "the other copy's book");

    const QString free = elsewhere.path() + "/free/";
    TEnvironment dialog(list.get());
    dialog.edtDataPath->setText(free);
    dialog.btnOkClick();
    ASSERT_TRUE(dialog.Result.DataFolderChanged);
    EXPECT_EQ(DataRootFolder, free);
    EXPECT_TRUE(DataRootHold->Holds(free));
    TInstanceCheck check = TInstanceCheck::Only;
    EXPECT_FALSE(TakeDataRoot(InstanceName, free, &check));
    EXPECT_EQ(check, TInstanceCheck::Another);
    EXPECT_TRUE(TakeDataRoot(InstanceName, own));
}

// A disk without room for the new data folder's files refuses the switch and says so, whether the new folder's
// disk is full or the settings folder's; nothing of the switch is left in the new folder, and the settings and
// the folder in use are as they were. With room again the same switch goes through.
TEST_F(ExchangeDialogTest, AFullDiskRefusesTheDataFolderSwitchByNameAndLeavesNothing)
{
    const QString own = DataRootFolder;
    DataRootHold = TakeDataRoot(InstanceName, own);
    ASSERT_TRUE(DataRootHold);
    const auto release = qScopeGuard([] { DataRootHold.reset(); });
    const QTemporaryDir target;
    const QString made = target.path() + "/new/";
    const QString existing = target.path() + "/empty/";
    ASSERT_TRUE(QDir().mkpath(existing));
    // Settings longer than the room left below, shorter than the histories.
    TMemIniFile ini(DataFolder + SettingsFileName);
    for (int i = 0; i < 40; ++i)
        ini.WriteString("KEEP", QString::number(i), "a value kept as it was");
    ini.UpdateFile();
    const QByteArray settings = test::readFile(DataFolder + SettingsFileName);
    ASSERT_GT(settings.size(), 1000);
    const QString notMade = "データ保存フォルダーが作成できませんでした  \r\n";
    // room 0: as much as the disk has.
    auto switchTo = [this](const QString &root, qint64 room, QStringList &texts) {
        const test::MessageBoxScript boxes;
        TEnvironment dialog(list.get());
        dialog.edtDataPath->setText(root);
        {
            std::optional<test::FullDisk> disk;
            if (room > 0)
                disk.emplace(room);
            dialog.btnOkClick();
        }
        texts = boxes.texts();
        return dialog.Result.Accepted;
    };
    QStringList texts;
    // No room for the histories in the new folder: the folder is named, with the full disk.
    for (const QString &root : {made + "Data/", existing}) {
        EXPECT_FALSE(switchTo(root, 100, texts)) << root.toStdString();
        EXPECT_EQ(texts, QStringList{notMade + QDir::toNativeSeparators(root) + "\r\n\r\n" + DiskFullReason});
    }
    EXPECT_FALSE(QFileInfo::exists(made));
    EXPECT_TRUE(QDir(existing).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    // Room for the histories, not for the settings: each file not written is named, with the full disk.
    EXPECT_FALSE(switchTo(made, 1000, texts));
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_TRUE(texts.last().startsWith(DataFolder + SettingsFileName)) << texts.last().toStdString();
    for (const QString &text : texts)
        EXPECT_TRUE(text.endsWith("\r\n\r\n" + DiskFullReason)) << text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(made));
    EXPECT_EQ(test::readFile(DataFolder + SettingsFileName), settings);
    EXPECT_EQ(DataRootFolder, own);
    EXPECT_TRUE(DataRootHold->Holds(own));

    EXPECT_TRUE(switchTo(made, 0, texts));
    EXPECT_EQ(texts, QStringList());
    EXPECT_EQ(DataRootFolder, made);
    EXPECT_TRUE(DataRootHold->Holds(made));
    for (const char *history : {"Post.mtd", "Honor.mtd"})
        EXPECT_EQ(test::readFile(made + "History/" + history), test::readFile(AppFolder + "Common/History/" + history));
    EXPECT_TRUE(QFileInfo(made + "Other").isDir());
}

// A data folder the program cannot write (a file system mounted read-only) is refused in the settings with the
// reason and the folder named, whether its folders are there already or would have to be made; the folder in use
// and the settings stay as they were.
TEST_F(ExchangeDialogTest, AReadOnlyDataFolderIsRefusedWithTheReason)
{
    const QString own = DataRootFolder;
    DataRootHold = TakeDataRoot(InstanceName, own);
    ASSERT_TRUE(DataRootHold);
    const auto release = qScopeGuard([] { DataRootHold.reset(); });
    test::SmallDisk card(1024 * 1024);
    if (!card.mounted())
        GTEST_SKIP() << card.skipReason().toStdString();
    const QString filled = card.path() + "Velmora 鷗外/", empty = card.path() + "空/";
    for (const QString &folder : {filled + "History", filled + "Other", empty})
        ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(card.makeReadOnly()) << std::strerror(errno);
    const QByteArray settings = test::readFile(DataFolder + SettingsFileName);
    const std::pair<QString, QString> refusals[] = {
        {filled, "このデータ保存フォルダーは使用できません  \r\n"}, {empty, "データ保存フォルダーが作成できませんでした  \r\n"}};
    for (const auto &[root, first] : refusals) {
        const test::MessageBoxScript boxes;
        TEnvironment dialog(list.get());
        dialog.edtDataPath->setText(root);
        dialog.btnOkClick();
        EXPECT_FALSE(dialog.Result.Accepted) << root.toStdString();
        EXPECT_EQ(boxes.texts(), QStringList{first + QDir::toNativeSeparators(root) + "\r\n\r\n" + NotWritableReason});
    }
    EXPECT_EQ(DataRootFolder, own);
    EXPECT_EQ(test::readFile(DataFolder + SettingsFileName), settings);
}

// A switch of the data folder killed before any one of its file steps leaves every file old or new: the settings
// whole, naming the old folder or the new one, and once they name the new one its histories are there; a
// history is there whole or not at all.
TEST_F(ExchangeDialogTest, ASwitchKilledAtAnyStepLeavesEveryFileOldOrNew)
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteString("BASE", "DataPath", DataRootFolder);
    ini.UpdateFile();
    const QByteArray settings = test::readFile(DataFolder + SettingsFileName);
    const QString target = dir.path() + "/moved/";
    const QStringList histories = {"Honor.mtd", "Post.mtd"};
    bool sawOld = false, sawNew = false;
    int step = 1;
    for (;; ++step) {
        QDir(target).removeRecursively();
        test::writeFile(DataFolder + SettingsFileName, settings);
        // A settings file's temporary copy a kill left beside it, which the next start clears: the forked copies
        // all draw the same temporary names.
        for (const QString &left : QDir(dir.path()).entryList({"*.ini.*"}, QDir::Files | QDir::Hidden))
            QFile::remove(dir.path() + "/" + left);
        const bool killed = test::KillAtFileStep(dir.path(), step, [&] {
            TEnvironment dialog(list.get());
            dialog.edtDataPath->setText(target);
            dialog.btnOkClick();
        });
        const TMemIniFile now(DataFolder + SettingsFileName);
        ASSERT_FALSE(now.ReadFailed()) << "step " << step;
        const QString named = now.ReadString("BASE", "DataPath", "");
        ASSERT_TRUE(named == DataRootFolder || named == target) << "step " << step << ": " << named.toStdString();
        (named == target ? sawNew : sawOld) = true;
        // A history's copy killed before its rename leaves its hidden file, which the next start removes.
        RemoveKilledWrites(target + "History");
        const QStringList there = QDir(target + "History").entryList(QDir::Files | QDir::Hidden);
        for (const QString &file : there)
            ASSERT_TRUE(histories.contains(file) && test::readFile(target + "History/" + file)
                                                        == test::readFile(AppFolder + "Common/History/" + file))
                << "step " << step << ": " << file.toStdString();
        if (named == target) {
            EXPECT_EQ(there, histories) << "step " << step;
        }
        if (!killed)
            break;
    }
    EXPECT_GE(step, 5) << "a switch takes several file steps";
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(sawNew);
}

// Enter in a field takes the settings, as OK does; it must not open the folder choice of the first button.
TEST_F(ExchangeDialogTest, EnterInTheSettingsDialogPressesOk)
{
    HistoryCount = 10;
    TEnvironment dialog(list.get());
    dialog.show();
    dialog.spnHisCount->setFocus();
    dialog.spnHisCount->setValue(20);
    QString opened;
    QTimer::singleShot(0, &dialog, [&dialog, &opened] {
        QWidget *other = QApplication::activeModalWidget();
        if (other && other != &dialog) {
            opened = other->windowTitle();
            other->close();
        }
    });
    QTest::keyClick(dialog.spnHisCount, Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_EQ(opened, QString());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(HistoryCount, 20);
}

// Clicks, in the modal dialog named dialogName once it is open, the buttons named, after prepare.
void inModalDialog(const char *dialogName, const std::function<void(QWidget *)> &prepare, QStringList buttons)
{
    QTimer::singleShot(0, [=] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->objectName(), QLatin1String(dialogName));
        prepare(dialog);
        for (const QString &name : buttons) {
            auto *button = dialog->findChild<QPushButton *>(name);
            ASSERT_NE(button, nullptr) << name.toStdString();
            EXPECT_TRUE(button->isEnabled()) << name.toStdString();
            button->click();
        }
        if (QApplication::activeModalWidget() == dialog)
            dialog->close();
    });
}

TEST_F(ExchangeDialogTest, SettingsDialogInstallsAndUninstallsTheDirectoryData)
{
    QTemporaryDir disc, target;
    DiscPath = disc.path();
    test::writeFile(disc.path() + "/Mirvale18/Dt01.dat", QByteArray(20000, 'd'));
    HddInstalled = 0;
    HddDataFolder.clear();
    TEnvironment dialog(list.get());
    EXPECT_EQ(dialog.lblHddState->text(), QStringLiteral("HDDにインストールされていません"));

    inModalDialog("HddInstall", [&](QWidget *install) {
        install->findChild<QLineEdit *>("edtFolder")->setText(target.path());
    }, {"btnInstall"});
    dialog.btnHddInstall->click();
    EXPECT_EQ(HddInstalled, 1);
    EXPECT_EQ(HddDataFolder, target.path() + "/");
    EXPECT_EQ(test::readFile(target.path() + "/Dt00/Dt01.dat").size(), 20000);
    EXPECT_TRUE(dialog.lblHddState->text().contains(QDir::toNativeSeparators(target.path() + "/Dt00")));
    EXPECT_TRUE(TMemIniFile(DataFolder + "HddInst.ini").ReadBool("HDD", "Installed", false));

    boxes.answer(IDYES);
    inModalDialog("HddInstall", [](QWidget *) {}, {"btnUninstall"});
    dialog.btnHddInstall->click();
    EXPECT_EQ(HddInstalled, 0);
    EXPECT_TRUE(HddDataFolder.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(target.path() + "/Dt00"));
    EXPECT_EQ(dialog.lblHddState->text(), QStringLiteral("HDDにインストールされていません"));
    DiscPath.clear();
}

// An update fetched through the settings dialog ends the program only when it started the program again.
TEST_F(ExchangeDialogTest, SettingsDialogUpdateEndsTheProgramWhenItRestarts)
{
    QTemporaryDir app;
    AppFolder = app.path() + "/";
    test::TestHttpServer server;
    UpdateDomain = server.Domain();
    UpdateCheckPath = QStringLiteral("/check/");
    UpdateAppPath = QStringLiteral("/app/");
    server.Files["/app/Common/new.txt"] = "a new file";
    server.Files["/app/Dic/Kvpost.dat"] = "new postal data";
    server.Files["/check/update.xml"] = "<update>" + test::UpdateEntry("Common/new.txt", 2, "a new file") + "</update>";
    {
        TEnvironment dialog(list.get());
        inModalDialog("UpdateDialog", [](QWidget *) {}, {"btnCheck", "btnUpdate"});
        dialog.btnUpdate->click();
        EXPECT_EQ(test::readFile(AppFolder + "Common/new.txt"), "a new file");
        EXPECT_FALSE(dialog.Result.MustEnd);
    }

    // The program started again is this test binary: the filter it inherits runs no test, so it ends at once.
    const QByteArray filter = qgetenv("GTEST_FILTER");
    qputenv("GTEST_FILTER", "NoTest.NoCase");
    server.Files["/check/update.xml"] =
        "<update>" + test::UpdateEntry("Dic/Kvpost.dat", 3, "new postal data", {}, true) + "</update>";
    TEnvironment dialog(list.get());
    dialog.spnHisCount->setValue(HistoryCount + 1);
    inModalDialog("UpdateDialog", [](QWidget *) {}, {"btnCheck", "btnUpdate"});
    dialog.btnUpdate->click();
    filter.isNull() ? qunsetenv("GTEST_FILTER") : qputenv("GTEST_FILTER", filter);
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "new postal data");
    EXPECT_TRUE(dialog.Result.MustEnd);
    EXPECT_FALSE(dialog.Result.Accepted);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    // Nothing of the settings left unconfirmed is written by an ending program.
    EXPECT_NE(TMemIniFile(DataFolder + SettingsFileName).ReadInteger("OPERATION", "HisCount", 0), HistoryCount + 1);
    AppFolder = test::appDir();
}

TEST_F(ExchangeDialogTest, InformationAndVersionDialogsShowWhatTheyReport)
{
    TInfoDialog info(list.get(), true, false);
    EXPECT_TRUE(info.GetShowInfo());
    EXPECT_FALSE(info.GetCheckUpdate());
    info.ckbInfo->setChecked(false);
    info.ckbUpdate->setChecked(true);
    EXPECT_FALSE(info.GetShowInfo());
    EXPECT_TRUE(info.GetCheckUpdate());
    EXPECT_EQ(info.ckbInfo->text(), QStringLiteral("次回もこのメッセージを表示する"));
    EXPECT_EQ(info.ckbUpdate->text(), QStringLiteral("起動時に最新アップデートの確認をする"));

    TVersionInfo version(list.get());
    EXPECT_TRUE(version.lblVersion->text().contains(QStringLiteral("18.0")));
    QStringList formats;
    for (int i = 0; i < version.lvDictionary->topLevelItemCount(); ++i)
        formats << version.lvDictionary->topLevelItem(i)->text(0) + "=" + version.lvDictionary->topLevelItem(i)->text(1);
    EXPECT_TRUE(formats.contains(QStringLiteral("Geo.dic=VMGEODIC"))) << formats.join(' ').toStdString();
    EXPECT_TRUE(formats.contains(QStringLiteral("Phone.dic=VMPHONTB")));
    const QString credits = version.mmoCredit->toPlainText();
    for (const char *attribution : {"OpenStreetMap contributors", "国土地理院", "Natural Earth", "mecab-ipadic", "python3-phonenumbers"})
        EXPECT_TRUE(credits.contains(QString::fromUtf8(attribution))) << attribution;
}
