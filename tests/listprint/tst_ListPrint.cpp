// List printing over a real main list and book, offscreen: the window the print command opens, its range and
// template following the main list, the pages it counts and prints to PDF (read back with poppler), and the
// cell texts kept whole inside their cells.
#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "core/AddressRecord.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "drawing/Canvas.h"
#include "drawing/PrinterInfo.h"
#include "exchange/ListRange.h"
#include "exchange/TableMaintenance.h"
#include "listprint/ListPrint.h"
#include "mainlist/AdrsList.h"
#include "mainlist/HdrSel.h"
#include "mainlist/KeywdEdt.h"
#include "widgets/UniStdCtrls.h"
#include "widgets/UniSortListView.h"

#include "CupsServer.h"
#include "PrintedPdf.h"
#include "ExchangeTestSupport.h"
#include "Accessibility.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPageCount(const QString &file)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The customer codes ("C" and the record's number) of each page, in the order read.
std::vector<std::vector<int>> codesByPage(const QString &file)
{
    const QStringList pages = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), file, QStringLiteral("-")})
                                  .split(QLatin1Char('\f'));
    std::vector<std::vector<int>> codes;
    static const QRegularExpression code(QStringLiteral("\\bC(\\d+)\\b"));
    for (const QString &page : pages) {
        if (page.trimmed().isEmpty())
            continue;
        codes.emplace_back();
        for (auto it = code.globalMatch(page); it.hasNext();)
            codes.back().push_back(it.next().captured(1).toInt());
    }
    return codes;
}

class ListPrintTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InstallFontSubstitutions();
        RegisterListPrint();
    }
    void SetUp() override
    {
        DataFolder = DataRootFolder = dir.path() + "/";
        AdrsFolder = dir.path() + "/Adrs/";
        HistoryFolder = dir.path() + "/History/";
        CategoryFolder = test::appDir() + "Category/";
        AppFolder = test::appDir();
        for (const QString &f : {AdrsFolder + "Book", HistoryFolder})
            QDir().mkpath(f);
        AdrsBookList = {{"帳", "Book", abReady}};
        CurrentAdrsName = "帳";
        CurrentAdrsIndex = 0;
        test::SetSampleGroupNames();
        dm = std::make_unique<TDMMirvale18>();
        DMMirvale18 = dm.get();
        dm->CreateAdrsTableObject("Book");
        ASSERT_TRUE(dm->OpenAdrsTable());
        dm->CreateSharedTableObjects();
        list = std::make_unique<TAddressList>();
        // The customer code tells every printed record apart.
        list->ColumnDefs[2].Visible = true;
        list->RefreshList(true, true, false);
    }
    void TearDown() override
    {
        if (ListPrint)
            ListPrint->Window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        list.reset();
        DMMirvale18 = nullptr;
        AdrsBookList.clear();
        CurrentAdrsName.clear();
        CurrentAdrsIndex = -1;
        KeywordNames[0] = QStringLiteral("キーワード１");
        if (hyphens)
            FreeHyphenDll();
    }
    void fill(int count)
    {
        test::AddSampleRecords(*dm->AdrsTable, count, false);
        list->RefreshList(true, true, false);
    }
    // count records as offices keep them, the notes by record (from 0), listed with their telephone numbers
    // hyphenated as the program shows them.
    void fillOffices(int count, const std::map<int, QString> &notes = {});
    TListPrint *open()
    {
        list->actListPrint->trigger();
        return dynamic_cast<TListPrint *>(ListPrint);
    }
    // The columns ticked in the main window's column dialog.
    void chooseColumns(TListPrint &window, const QStringList &chosen)
    {
        QTimer::singleShot(0, [chosen] {
            auto *dialog = qobject_cast<THeaderSelect *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (int row = 0; row < dialog->lvHeader->count(); ++row) {
                QListWidgetItem *item = dialog->lvHeader->item(row);
                item->setCheckState(chosen.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
            }
            dialog->btnOk->click();
        });
        list->actViewColumn->trigger();
        ASSERT_EQ(window.lstItems->count(), chosen.size());
    }
    // Every column there is, through the column dialog's button that ticks them all.
    void chooseEveryColumn(TListPrint &window)
    {
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<THeaderSelect *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->bbtnAll->click();
            dialog->btnOk->click();
        });
        list->actViewColumn->trigger();
        ASSERT_EQ(window.lstItems->count(), ListItemCount);
    }
    // The PDF printer on A4, landscape or not.
    static void chooseA4(TListPrint &window, bool landscape)
    {
        window.cbxPrinter->setCurrentIndex(window.cbxPrinter->findText(PdfPrinterName));
        window.cbxPaper->setCurrentIndex(window.cbxPaper->findText(QStringLiteral("A4")));
        (landscape ? window.rbLandscape : window.rbPortrait)->click();
    }

    QTemporaryDir dir;
    std::unique_ptr<TDMMirvale18> dm;
    std::unique_ptr<TAddressList> list;
    test::MessageBoxScript boxes;
    bool hyphens = false;
};

}  // namespace

TEST_F(ListPrintTest, ThousandRecordsOnA4LandscapeFillThePagesShownEachRecordOnceAndWhole)
{
    fill(1000);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, true);
    EXPECT_EQ(window->Info.Setting.PaperWidth, 2100);
    EXPECT_EQ(window->Info.GetOrientation(), 2);
    const TListPage page = window->PageLayout();
    EXPECT_EQ(page.Paper(), QSize(2970, 2100));
    // Every row of a page lies inside the page's content: no row is cut at the page's foot.
    const int sheets = page.PageCount();
    ASSERT_GT(sheets, 1);
    for (int p = 0; p < sheets; ++p)
        EXPECT_LE(page.RowTop(p, page.RowCount(p)), page.Content().bottom() + 1) << "page " << p + 1;
    EXPECT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：1000件"));
    EXPECT_EQ(window->lblSheetCount->text(), QStringLiteral("用紙枚数：%1枚").arg(sheets));
    EXPECT_EQ(window->lblPage->text(), QStringLiteral("1 / %1 ページ").arg(sheets));

    const QString file = dir.path() + "/list.pdf";
    ASSERT_TRUE(window->PrintTo(file));
    EXPECT_EQ(pdfPageCount(file), sheets);
    // Each page holds the next rows of the list whole, in the list's order; every record once.
    const std::vector<std::vector<int>> pages = codesByPage(file);
    ASSERT_EQ(static_cast<int>(pages.size()), sheets);
    std::multiset<int> all;
    int row = 0;
    for (size_t p = 0; p < pages.size(); ++p) {
        EXPECT_EQ(static_cast<int>(pages[p].size()), page.RowCount(static_cast<int>(p))) << "page " << p + 1;
        for (const int code : pages[p]) {
            // The sample record n has the number n + 1 and the code "C" + n.
            EXPECT_EQ(code + 1, list->GetRecNoAt(row)) << "page " << p + 1;
            all.insert(code);
            ++row;
        }
    }
    EXPECT_EQ(all.size(), 1000U);
    EXPECT_EQ(std::set<int>(all.begin(), all.end()).size(), 1000U);
    // The header and the title on the page, the rows' Japanese text extractable.
    const QString firstPage = run(QStringLiteral("pdftotext"), {"-raw", "-f", "1", "-l", "1", file, "-"});
    EXPECT_TRUE(firstPage.contains(QStringLiteral("アドレス帳一覧"))) << firstPage.left(300).toStdString();
    EXPECT_TRUE(firstPage.contains(QStringLiteral("顧客コード")));
    EXPECT_TRUE(firstPage.contains(QStringLiteral("山田 太郎")));
    EXPECT_TRUE(firstPage.contains(QStringLiteral("1 / %1").arg(sheets)));
}

TEST_F(ListPrintTest, RangeFollowsTheListsSelectionAndCount)
{
    fill(30);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    EXPECT_EQ(window->gbxRange->spnEnd->value(), 30);
    EXPECT_FALSE(window->gbxRange->rbSelected->isEnabled());
    // Selecting rows in the main list tells the window, which offers the selected rows.
    list->SetSelected(3, true);
    list->SetSelected(5, true);
    list->SetSelected(7, true);
    EXPECT_TRUE(window->gbxRange->rbSelected->isEnabled());
    window->gbxRange->rbSelected->click();
    EXPECT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：3件"));
    EXPECT_EQ(window->lblSheetCount->text(), QStringLiteral("用紙枚数：1枚"));
    const QString file = dir.path() + "/selected.pdf";
    ASSERT_TRUE(window->PrintTo(file));
    const std::vector<std::vector<int>> pages = codesByPage(file);
    ASSERT_EQ(pages.size(), 1U);
    std::vector<int> expected;
    for (const int r : {3, 5, 7})
        expected.push_back(list->GetRecNoAt(r) - 1);
    EXPECT_EQ(pages[0], expected);
    // Rows far apart are read by their keys rather than in one walk: the same rows come out.
    list->SetSelected(0, true);
    list->SetSelected(29, true);
    list->SetSelected(3, false);
    list->SetSelected(5, false);
    list->SetSelected(7, false);
    EXPECT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：2件"));
    ASSERT_TRUE(window->PrintTo(file));
    EXPECT_EQ(codesByPage(file), (std::vector<std::vector<int>>{{list->GetRecNoAt(0) - 1, list->GetRecNoAt(29) - 1}}));

    // From-to: rows 11 to 20.
    window->gbxRange->rbRange->click();
    window->gbxRange->spnBegin->setValue(11);
    window->gbxRange->spnEnd->setValue(20);
    EXPECT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：10件"));
    ASSERT_TRUE(window->PrintTo(file));
    // The print read the book's shared table; the main list reads every row of it still.
    EXPECT_EQ(list->RowTextsAt(29).value(2), QStringLiteral("C%1").arg(list->GetRecNoAt(29) - 1));

    // A new record count resets the range to the whole list; an empty list leaves nothing to print.
    fill(5);
    EXPECT_EQ(window->gbxRange->spnBegin->value(), 1);
    EXPECT_EQ(window->gbxRange->spnEnd->value(), 35);
    list->ViewGroup = 12;  // a group no record is in
    list->RefreshList(false, true, false);
    EXPECT_EQ(window->gbxRange->spnBegin->value(), 0);
    EXPECT_EQ(window->gbxRange->spnEnd->value(), 0);
    EXPECT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：0件"));
    EXPECT_EQ(window->lblSheetCount->text(), QStringLiteral("用紙枚数：0枚"));
    EXPECT_FALSE(window->btnPrint->isEnabled());
    EXPECT_FALSE(window->PrintTo(dir.path() + "/none.pdf"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/none.pdf"));
}

// The orientation and the range ticked as a screen reader ticks them, without a click, are the ones the pages
// are counted and printed with.
TEST_F(ListPrintTest, OrientationAndRangeTickedWithoutAClickAreTheOnesPrinted)
{
    fill(100);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    ASSERT_EQ(window->Info.GetOrientation(), 1);
    const int portraitSheets = window->SheetCount();
    const struct {
        QRadioButton *button;
        int orientation;
    } turns[] = {{window->rbLandscape, 2}, {window->rbPortrait, 1}, {window->rbLandscape, 2}};
    for (const auto &turn : turns) {
        SCOPED_TRACE(turn.button->objectName().toStdString());
        ASSERT_TRUE(test::toggleOnTheBus(turn.button));
        EXPECT_EQ(window->Info.GetOrientation(), turn.orientation);
        const QSize paper = window->PageLayout().Paper();
        EXPECT_EQ(paper.width() > paper.height(), turn.orientation == 2);
        if (turn.orientation == 1) {
            EXPECT_EQ(window->SheetCount(), portraitSheets);
        }
    }
    list->SetSelected(3, true);
    list->SetSelected(5, true);
    ASSERT_TRUE(test::toggleOnTheBus(window->gbxRange->rbSelected));
    EXPECT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：2件"));
    ASSERT_TRUE(test::toggleOnTheBus(window->gbxRange->rbAll));
    EXPECT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：100件"));
}

TEST_F(ListPrintTest, PrintsToACupsQueue)
{
    ASSERT_TRUE(QFile::exists(QStringLiteral("/usr/sbin/cupsd"))) << "tools/install-deps.sh --test installs CUPS";
    test::CupsServer cups;
    ASSERT_TRUE(cups.Running);
    fill(100);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    const int queue = window->cbxPrinter->findText(QString::fromLatin1(test::CupsServer::Queue));
    ASSERT_GE(queue, 0) << window->cbxPrinter->count();
    window->cbxPrinter->setCurrentIndex(queue);
    window->cbxPaper->setCurrentIndex(window->cbxPaper->findText(QStringLiteral("A4")));
    window->rbLandscape->click();
    EXPECT_EQ(window->Info.Device, QString::fromLatin1(test::CupsServer::Queue));
    ASSERT_TRUE(window->PrintTo(QString()));
    ASSERT_FALSE(cups.WaitForJobFile().isEmpty());
    // The queue took the pages as they were sent: every record once, on the pages the window counted.
    EXPECT_EQ(pdfPageCount(cups.JobFileName()), window->SheetCount());
    std::multiset<int> codes;
    for (const std::vector<int> &page : codesByPage(cups.JobFileName()))
        codes.insert(page.begin(), page.end());
    EXPECT_EQ(codes.size(), 100U);
    EXPECT_EQ(std::set<int>(codes.begin(), codes.end()).size(), 100U);
}

TEST_F(ListPrintTest, AStoppedPrintLeavesNoFileAndSaysNothing)
{
    fill(200);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    ASSERT_GT(window->SheetCount(), 2);
    // The stop button is pressed while the first page is out.
    auto *stop = window->findChild<QPushButton *>(QStringLiteral("btnStop"));
    ASSERT_NE(stop, nullptr);
    QTimer::singleShot(0, stop, &QPushButton::click);
    const QString file = dir.path() + "/stopped.pdf";
    EXPECT_FALSE(window->PrintTo(file));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_TRUE(window->btnPrint->isEnabled());
    EXPECT_TRUE(window->btnClose->isEnabled());
    // The next print is whole.
    EXPECT_TRUE(window->PrintTo(file));
    EXPECT_EQ(pdfPageCount(file), window->SheetCount());
}

namespace {

// The files of a folder, hidden ones too.
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

TEST_F(ListPrintTest, AStoppedPrintKeepsTheFileItWouldHaveReplaced)
{
    fill(200);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    const QString folder = dir.path() + "/out";
    const QString file = folder + "/list.pdf";
    test::writeFile(file, "the user's old list");
    QTimer::singleShot(0, window->findChild<QPushButton *>(QStringLiteral("btnStop")), &QPushButton::click);
    EXPECT_FALSE(window->PrintTo(file));
    EXPECT_EQ(test::readFile(file), "the user's old list");
    EXPECT_EQ(filesIn(folder), QStringList{"list.pdf"});
    EXPECT_FALSE(QFile::exists(DataFolder + "Unfinished.lst"));
}

// The program killed before each call that changes a file of the print (the list of unfinished output, the
// hidden PDF, its pages, its text maps, its rename): the old file stays or the new one is whole, and the next
// start leaves nothing else behind.
TEST_F(ListPrintTest, AKillAtAnyFileStepLeavesTheOldFileOrTheNewAndTheNextStartTidiesUp)
{
    fill(60);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    const QString folder = dir.path() + "/out";
    const QString file = folder + "/list.pdf";
    int step = 1;
    int replaced = 0;
    for (;; ++step) {
        test::writeFile(file, "the user's old list");
        // The forked copy has no thread but its own, and Qt paints a window with the help of threads of a pool:
        // nothing is shown there to be painted.
        const auto print = [&] {
            for (QWidget *shown : QApplication::topLevelWidgets())
                shown->hide();
            window->PrintTo(file);
        };
        if (!test::KillAtFileStep(dir.path(), step, print))
            break;
        const QByteArray now = test::readFile(file);
        if (now != "the user's old list") {
            ++replaced;
            EXPECT_EQ(pdfPageCount(file), window->SheetCount()) << "killed at step " << step;
        }
        RemoveLeftoversOfKilledWork();
        EXPECT_EQ(filesIn(folder), QStringList{"list.pdf"}) << "killed at step " << step;
        EXPECT_FALSE(QFile::exists(DataFolder + "Unfinished.lst")) << "killed at step " << step;
    }
    // The steps were seen: recording, the hidden file and its writes, the rename, the record's end.
    EXPECT_GT(step, 6);
    EXPECT_GE(replaced, 1);
    EXPECT_EQ(pdfPageCount(file), window->SheetCount());
    EXPECT_EQ(filesIn(folder), QStringList{"list.pdf"});
}

TEST_F(ListPrintTest, ColumnsFollowTheMainListsChoiceAndTheKeywordNames)
{
    fill(3);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    // The column dialog of the main window: customer code, name and the first keyword ticked, nothing else.
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<THeaderSelect *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const QStringList chosen{QStringLiteral("顧客コード"), QStringLiteral("名前"), QStringLiteral("キーワード１")};
        for (int row = 0; row < dialog->lvHeader->count(); ++row) {
            QListWidgetItem *item = dialog->lvHeader->item(row);
            item->setCheckState(chosen.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
        }
        dialog->btnOk->click();
    });
    list->actViewColumn->trigger();
    QStringList items;
    for (int row = 0; row < window->lstItems->count(); ++row)
        items << window->lstItems->item(row)->text();
    EXPECT_EQ(items, (QStringList{QStringLiteral("顧客コード"), QStringLiteral("名前"), QStringLiteral("キーワード１")}));

    // A keyword renamed in the main window's keyword dialog reaches the window and the printed header.
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TKeywordEdit *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->edtKeyword[0]->setText(QStringLiteral("取引区分"));
        dialog->btnOk->click();
    });
    list->actKeywordEdit->trigger();
    EXPECT_EQ(window->lstItems->item(2)->text(), QStringLiteral("取引区分"));
    const QString file = dir.path() + "/columns.pdf";
    ASSERT_TRUE(window->PrintTo(file));
    const QString text = run(QStringLiteral("pdftotext"), {"-raw", file, "-"});
    EXPECT_TRUE(text.contains(QStringLiteral("取引区分")));
    EXPECT_TRUE(text.contains(QStringLiteral("取引先")));  // the records' first keyword
    EXPECT_TRUE(text.contains(QStringLiteral("顧客コード 名前")));
    EXPECT_FALSE(text.contains(QStringLiteral("電話番号")));
    EXPECT_FALSE(text.contains(QStringLiteral("0310000000")));
}

TEST_F(ListPrintTest, OpensOnlyWithAPrinterOnceAndKeepsItsPrinterSetting)
{
    fill(2);
    const auto installed = ListPrintPrinterCount;
    ListPrintPrinterCount = [] { return 0; };
    list->actListPrint->trigger();
    ListPrintPrinterCount = installed;
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("プリンターがインストールされていません  ")});
    EXPECT_EQ(ListPrint, nullptr);

    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->parentWidget(), list.get());
    window->showMinimized();
    EXPECT_EQ(open(), window);  // the one window, restored
    EXPECT_FALSE(window->isMinimized());
    chooseA4(*window, true);
    window->cbxPaper->setCurrentIndex(window->cbxPaper->findText(QStringLiteral("A3")));

    // The main window's close check asks it to close; it keeps its printer setting for next time.
    ASSERT_TRUE(list->CloseSubForms());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ListPrint, nullptr);
    EXPECT_TRUE(QFile::exists(DataFolder + "LstPrint.pi"));
    window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->cbxPrinter->currentText(), PdfPrinterName);
    EXPECT_EQ(window->cbxPaper->currentText(), QStringLiteral("A3"));
    EXPECT_TRUE(window->rbLandscape->isChecked());
    EXPECT_EQ(window->PageLayout().Paper(), QSize(4200, 2970));
    // An empty list disables the command that opens it.
    list->ViewGroup = 12;
    list->RefreshList(false, true, false);
    EXPECT_FALSE(list->actListPrint->isEnabled());
}

// A 600 dpi canvas with the list's 9 pt gothic, on which the cells' texts are fitted.
struct TCellCanvas {
    TCellCanvas()
    {
        InstallFontSubstitutions();
        TFont font;
        SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ ゴシック"), 0, 9);
        canvas.SetFont(font);
    }
    QImage image{100, 100, QImage::Format_RGB32};
    QPainter painter{&image};
    TCanvas canvas{painter, 600, 600};
};

TEST(ListCell, LongTextIsWrappedNeverCut)
{
    TCellCanvas cells;
    TCanvas &canvas = cells.canvas;
    const int size = 30;  // 3 mm characters
    canvas.SetFontHeight(-size * 600 / 254);
    const auto check = [&](const QString &text, int width) {
        const QStringList lines = WrapCellText(text, width, size);
        EXPECT_EQ(lines.join(QString()), text);
        for (const QString &line : lines) {
            if (line.size() > 2) {
                EXPECT_LE(canvas.TextWidth(line), width * 600 / 254 + 1) << line.toStdString();
            }
            EXPECT_FALSE(!line.isEmpty() && line.back().isHighSurrogate()) << "a character split between lines";
        }
        return lines;
    };
    // Short text: one line.
    EXPECT_EQ(check(QStringLiteral("山田 太郎"), 250).size(), 1);
    // A long address in a narrow column: wrapped, whole.
    const QString address = QStringLiteral("東京都千代田区丸の内一丁目二番三号　𠮷野ビルディング第二別館十五階");
    EXPECT_GT(check(address, 300).size(), 1);
    // Narrower than one character: a character a line.
    EXPECT_EQ(check(QStringLiteral("𠮷田"), 20).size(), 2);
    // Far too long for a cell: still whole.
    check(address.repeated(6), 300);
    // A web address wider than a long word ends lines between its characters where the column is narrower; a
    // telephone number and a mail address keep whole.
    const QString web = QStringLiteral("https://www.example.co.jp/support/contact/form/index.html?id=0123456789");
    EXPECT_GE(check(web, 600).size(), 2);
    EXPECT_EQ(check(QStringLiteral("03-1234-5678 yamada.taro@example.co.jp"), 600),
              (QStringList{QStringLiteral("03-1234-5678 "), QStringLiteral("yamada.taro@example.co.jp")}));
    // Nothing to wrap.
    EXPECT_EQ(WrapCellText(QString(), 300, size), QStringList{QString()});
}

TEST(ListPage, TextInkStaysInsideItsCells)
{
    InstallFontSubstitutions();
    // Narrow columns and long texts: whatever the fitting does, no ink may cross a grid line.
    TListTemplate listTemplate;
    listTemplate.Title = QStringLiteral("アドレス帳一覧");
    for (int c = 0; c < 6; ++c)
        listTemplate.Columns.push_back({c, QStringLiteral("項目%1").arg(c), c % 3, c == 0 ? 40 : 100});
    TListPage page(listTemplate, QSize(1480, 1000), QRect(0, 0, 1480, 1000));
    std::vector<QStringList> rows;
    for (int r = 0; r < 30; ++r)
        rows.push_back({QString::number(r + 1), QStringLiteral("株式会社ヴェルモア・ソリューションズ（東日本）"),
                        QStringLiteral("東京都千代田区丸の内一丁目"), QStringLiteral("𠮷田 太郎"), QString(),
                        QStringLiteral("WWWWWWWWWWWWWWW")});
    page.Measure(static_cast<int>(rows.size()), [&](int first, int count) {
        return std::vector<QStringList>(rows.begin() + first, rows.begin() + first + count);
    });
    ASSERT_TRUE(page.Readable());
    rows.resize(size_t(page.RowCount(0)));
    const int dpi = 600;
    const auto render = [&](const std::vector<QStringList> &texts) {
        QImage image(1480 * dpi / 254 + 1, 1000 * dpi / 254 + 1, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        TCanvas canvas(painter, dpi, dpi);
        page.Draw(canvas, QPoint(0, 0), 0, texts);
        return image;
    };
    const QImage withText = render(rows);
    const QImage blank = render(std::vector<QStringList>(rows.size()));
    const auto px = [&](int tenth) { return static_cast<int>(tenth * static_cast<long long>(dpi) / 254); };
    std::vector<int> edges;
    for (const int e : page.Edges())
        edges.push_back(px(e));
    int inked = 0, outside = 0;
    int r = 0;
    for (int y = px(page.RowTop(0, 0)); y < px(page.RowTop(0, page.RowCount(0))); ++y) {
        while (px(page.RowTop(0, r + 1)) <= y)
            ++r;
        const int rowTop = px(page.RowTop(0, r)), rowBottom = px(page.RowTop(0, r + 1));
        for (int x = edges.front(); x < edges.back(); ++x) {
            if (withText.pixel(x, y) == blank.pixel(x, y))
                continue;
            ++inked;
            const auto right = std::upper_bound(edges.begin(), edges.end(), x);
            const int cellLeft = *(right - 1), cellRight = *right;
            // The cell's padding keeps the ink off the lines by more than a pixel or two.
            if (x <= cellLeft + 3 || x >= cellRight - 3 || y <= rowTop + 3 || y >= rowBottom - 3)
                ++outside;
        }
    }
    EXPECT_GT(inked, 10000);
    EXPECT_EQ(outside, 0);
}

// Long notes at lengths over a range, first on a page, after other rows and two in a row: each row's lines go on
// from page to page without a gap and none twice, every page holds something and ends inside its room, and a row
// that ends right at a page's foot leaves no empty page behind it.
TEST(ListPage, ARowHigherThanAPageGoesOnBetweenItsLinesFromPageToPage)
{
    InstallFontSubstitutions();
    TListTemplate listTemplate;
    listTemplate.Title = QStringLiteral("アドレス帳一覧");
    listTemplate.Columns = {{0, QStringLiteral("No."), 2, 40}, {1, QStringLiteral("会社名"), 0, 160},
                            {2, QStringLiteral("住所"), 0, 200}, {3, QStringLiteral("備考"), 0, 180}};
    QString text;
    for (int i = 1; text.size() < 7000; ++i)
        text += QStringLiteral("【%1】𠮷野様より見積依頼（No.AB-%1）、森鷗外記念館の剝製展示の件は03-1234-5678へ。").arg(i);
    const auto note = [&](int length) { return text.left(text[length - 1].isHighSurrogate() ? length + 1 : length); };
    const auto ordinary = [](int n) {
        return QStringList{QString::number(n), QStringLiteral("関西エレクトロニクス販売株式会社"),
                           QStringLiteral("大阪府大阪市中央区本町2-3-4 大阪本町ガーデンシティ8F"), QString()};
    };
    int most = 0;
    std::vector<int> tails;
    for (int length = 600; length <= 6000; length += 19) {
        SCOPED_TRACE(length);
        std::vector<QStringList> rows{{QStringLiteral("1"), QString(), QString(), note(length)}};
        for (int n = 2; n <= 11; ++n)
            rows.push_back(ordinary(n));
        rows.push_back({QStringLiteral("12"), QString(), QString(), note(length)});
        rows.push_back({QStringLiteral("13"), QString(), QString(), note(length / 2)});
        for (int n = 14; n <= 24; ++n)
            rows.push_back(ordinary(n));
        TListPage page(listTemplate, QSize(2970, 2100), QRect(0, 0, 2970, 2100));
        page.Measure(static_cast<int>(rows.size()), [&](int first, int count) {
            return std::vector<QStringList>(rows.begin() + first, rows.begin() + first + count);
        });
        ASSERT_TRUE(page.Readable());
        ASSERT_GE(page.PageCount(), 2);
        int row = -1, line = 0;  // where the last part ended
        for (int p = 0; p < page.PageCount(); ++p) {
            ASSERT_GE(page.RowCount(p), 1) << "page " << p + 1;
            EXPECT_LE(page.RowTop(p, page.RowCount(p)), page.Content().bottom() + 1) << "page " << p + 1;
            for (int r = 0; r < page.RowCount(p); ++r) {
                const int at = page.FirstRow(p) + r;
                const auto [first, last] = page.RowLines(p, r);
                if (at == row) {
                    EXPECT_EQ(first, line) << "row " << at + 1 << " on page " << p + 1;
                } else {
                    EXPECT_EQ(at, row + 1) << "page " << p + 1;
                    EXPECT_EQ(first, 0) << "row " << at + 1 << " on page " << p + 1;
                }
                EXPECT_LT(first, last) << "row " << at + 1 << " on page " << p + 1;
                row = at;
                line = last;
                most = std::max(most, last - first);
            }
            // The first note's last part, alone on its page, the next row on the next.
            if (p + 1 < page.PageCount() && page.RowCount(p) == 1 && page.FirstRow(p) == 0 &&
                page.RowLines(p, 0).first > 0 && page.FirstRow(p + 1) == 1)
                tails.push_back(page.RowLines(p, 0).second - page.RowLines(p, 0).first);
        }
        EXPECT_EQ(row, static_cast<int>(rows.size()) - 1);
    }
    // Among them parts that fill their page, as many lines as any page holds.
    EXPECT_GT(std::count(tails.begin(), tails.end(), most), 0);
}

TEST(ListCell, LinesEndBetweenAddressPartsOrAtBlanksNeverInsideANumberOrAWord)
{
    InstallFontSubstitutions();
    const int size = 30;
    const QChar part(u'\u200B');
    const QStringList addresses{
        QStringLiteral("東京都") + part + QStringLiteral("渋谷区神宮前") + part + QStringLiteral("3-25-12 メゾン神宮前205"),
        QStringLiteral("大阪府") + part + QStringLiteral("大阪市中央区本町") + part + QStringLiteral("2-3-4 コーポ本町301"),
        QStringLiteral("東京都") + part + QStringLiteral("千代田区丸の内") + part + QStringLiteral("１－１－１ 丸の内ビル１２Ｆ")};
    // Wide enough for about half an address a line: the lines end where the parts meet or at the blank.
    for (const QString &address : addresses) {
        SCOPED_TRACE(address.toStdString());
        QString printed;
        std::set<qsizetype> partEnds;
        for (const QChar c : address) {
            if (c == part)
                partEnds.insert(printed.size());
            else
                printed += c;
        }
        for (const int width : {381, 508, 635}) {
            const QStringList lines = WrapCellText(address, width, size);
            EXPECT_EQ(lines.join(QString()), printed);
            ASSERT_GE(lines.size(), 1);
            QString ends;
            for (const QString &line : lines.sliced(0, lines.size() - 1)) {
                ends += line;
                EXPECT_TRUE(partEnds.count(ends.size()) || ends.endsWith(u' '))
                    << width << ": " << lines.join(" / ").toStdString();
            }
        }
    }
    // A run of letters and digits ends lines only where it is wider than the column: after its slashes, dots,
    // hyphens and the marks of a query where a part fits, between any two letters where none does; none of the
    // lines is wider than the column and no letter is lost.
    TCellCanvas cells;
    cells.canvas.SetFontHeight(-size * 600 / 254);
    const auto runLines = [&](const QString &run, int width) {
        const QStringList lines = WrapCellText(run, width, size);
        EXPECT_EQ(lines.join(QString()), run);
        for (const QString &line : lines)
            EXPECT_LE(cells.canvas.TextWidth(line), width * 600 / 254 + 1) << line.toStdString();
        return lines;
    };
    // Each line but the last ends after one of the marks where the parts between them fit.
    const auto endsAtMarks = [](const QStringList &lines) {
        for (const QString &line : lines.sliced(0, lines.size() - 1))
            if (!QStringLiteral("/.-?&=").contains(line.back()))
                return false;
        return lines.size() > 1;
    };
    EXPECT_EQ(runLines(QStringLiteral("03-1234-5678"), 8 * size).size(), 1);
    for (const int width : {3, 4, 5})
        EXPECT_TRUE(endsAtMarks(runLines(QStringLiteral("03-1234-5678"), width * size))) << width;
    for (const int width : {5, 6, 8, 10, 14})
        EXPECT_TRUE(endsAtMarks(
            runLines(QStringLiteral("https://www.example.co.jp/recruit/entry?id=0123&lang=ja"), width * size)))
            << width;
    EXPECT_GT(runLines(QStringLiteral("ABCDEFGHIJ1234567890"), 127).size(), 2);
    // Inside a word of kanji too: 資|料 is not the only end of 「資料：https://…」.
    const QStringList note = runLines(QStringLiteral("資料：https://www.example.co.jp/recruit/index.html"), 12 * size);
    EXPECT_TRUE(note.size() > 1 && note.first().startsWith(QStringLiteral("資料：https://www."))) << note.join(u'|').toStdString();
    // Japanese words: lines end where the script changes or around a legal form, not inside a word, nor between
    // a number and its counter; a word wider than the column ends lines inside it, never before a long vowel
    // mark or a small kana.
    EXPECT_EQ(WrapCellText(QStringLiteral("東京ホールディングス株式会社"), 11 * size, size),
              (QStringList{QStringLiteral("東京ホールディングス"), QStringLiteral("株式会社")}));
    EXPECT_EQ(WrapCellText(QStringLiteral("本町製作所株式会社"), 7 * size, size),
              (QStringList{QStringLiteral("本町製作所"), QStringLiteral("株式会社")}));
    EXPECT_EQ(WrapCellText(QStringLiteral("丸の内9丁目"), 4 * size, size),
              (QStringList{QStringLiteral("丸の内"), QStringLiteral("9丁目")}));
    for (const int chars : {2, 3, 4, 5})
        for (const QString &line : WrapCellText(QStringLiteral("コミュニケーションセンター"), chars * size, size))
            EXPECT_FALSE(line.startsWith(u'ー') || line.startsWith(u'ュ') || line.startsWith(u'ョ'))
                << chars << ": " << line.toStdString();
}

// Mail and web addresses narrower than their runs: lines end after the marks between their parts (underscores
// and at signs too) or before an escape, between two letters only where no part fits, and no line begins with a
// mark or with one letter and the mark after it; no line is wider than the column and no letter is lost.
TEST(ListCell, AddressesEndLinesAfterTheirMarksAndBeforeEscapesNeverBeforeAMark)
{
    const int size = 30;
    TCellCanvas cells;
    cells.canvas.SetFontHeight(-size * 600 / 254);
    const QString marks = QStringLiteral("/.-?&=_@");
    const auto lines = [&](const QString &run, double chars) {
        const int width = static_cast<int>(chars * size);
        const QStringList wrapped = WrapCellText(run, width, size);
        EXPECT_EQ(wrapped.join(QString()), run);
        for (qsizetype l = 0; l < wrapped.size(); ++l) {
            const QString &line = wrapped[l];
            EXPECT_LE(cells.canvas.TextWidth(line), width * 600 / 254 + 1) << line.toStdString();
            // After an end between two letters, not one letter and a mark.
            const bool betweenLetters = l > 0 && wrapped[l - 1].back().isLetterOrNumber() && line[0].isLetterOrNumber();
            EXPECT_FALSE(marks.contains(line[0]) || (betweenLetters && line.size() > 1 && marks.contains(line[1])))
                << chars << ": " << wrapped.join(u'|').toStdString();
        }
        return wrapped;
    };
    // Every line but the last ends after a mark or before an escape.
    const auto endAtMarks = [&](const QStringList &wrapped) {
        for (qsizetype l = 0; l + 1 < wrapped.size(); ++l)
            if (!marks.contains(wrapped[l].back()) && !wrapped[l + 1].startsWith(u'%'))
                return false;
        return wrapped.size() > 1;
    };
    const QString mail = QStringLiteral("sales.department.tokyo-branch_2026@mail.example-holdings.co.jp");
    for (const auto &[run, chars] : {std::pair{mail, 8.0},
                                      std::pair{QStringLiteral("order-center_06_6123_4567@kansai-elec.co.jp"), 7.0},
                                      std::pair{QStringLiteral("https://kansai-elec.co.jp/search?q=%E5%A4%A7%E9%98%AA&page=2"), 4.0}}) {
        const QStringList wrapped = lines(run, chars);
        EXPECT_TRUE(endAtMarks(wrapped)) << wrapped.join(u'|').toStdString();
        // No escape split.
        for (const QString &line : wrapped)
            EXPECT_FALSE(line.contains(QRegularExpression(QStringLiteral("%.?$")))) << wrapped.join(u'|').toStdString();
    }
    // Where a part is wider than the column.
    for (const double chars : {3.0, 4.0, 5.0}) {
        lines(mail, chars);
        lines(QStringLiteral("https://www.example.co.jp/support/contact/form/index.html?category=recruit&lang=ja"), chars);
        lines(QStringLiteral("yamada_hanako@tokyo-holdings.co.jp"), chars);
    }
}

TEST_F(ListPrintTest, TenOrdinaryRecordsPrintTheirAddressesWholeAndNothingUnderSevenPoints)
{
    struct TRow {
        const char *Address[4];
        const char *Corp, *Name, *Keyword;
    };
    const TRow rows[] = {
        {{"東京都", "千代田区丸の内", "1-1-1", "丸の内ビル12F"}, "株式会社青葉商事", "佐藤　一郎", "得意先"},
        {{"東京都", "渋谷区神宮前", "3-25-12", "メゾン神宮前205"}, "", "山田　花子", "友人"},
        {{"大阪府", "大阪市中央区本町", "2-3-4", "コーポ本町301"}, "本町製作所株式会社", "田中　健", "仕入先"},
        {{"神奈川県", "横浜市西区みなとみらい", "2-2-1", "ランドマークタワー45F"}, "みなとみらい物産", "鈴木　誠", ""},
        {{"北海道", "札幌市中央区北一条西", "4-2", ""}, "", "高橋　美咲", "同窓会"},
        {{"愛知県", "名古屋市中村区名駅", "1-1-4", "JRセントラルタワーズ30F"}, "中部商会", "伊藤　大輔", "得意先"},
        {{"福岡県", "福岡市博多区博多駅前", "2-1-1", "博多ビル8F"}, "", "渡辺　直子", ""},
        {{"京都府", "京都市下京区烏丸通七条下ル", "東塩小路町721-1", ""}, "古都観光", "中村　亮", "取引先"},
        {{"宮城県", "仙台市青葉区一番町", "3-7-1", "電力ビル1001"}, "", "小林　由美", "親戚"},
        {{"広島県", "広島市中区紙屋町", "1-2-22", "広島トランヴェールビル7F"}, "瀬戸内工業", "加藤　翔", "仕入先"},
    };
    TTable &t = *dm->AdrsTable;
    t.StartTransaction();
    for (const TRow &row : rows) {
        TAddressRecord r;
        QByteArray *parts[] = {&r.Tdfkn, &r.Adrs1, &r.Adrs2, &r.Adrs3};
        for (int k = 0; k < 4; ++k)
            *parts[k] = Sjis::encode(QString::fromUtf8(row.Address[k]));
        r.PrivCorp = !*row.Corp;
        r.CorpKanji = Sjis::encode(QString::fromUtf8(row.Corp));
        r.NameKanji = Sjis::encode(QString::fromUtf8(row.Name));
        r.Tel = "0312345678";
        r.Keyword[0] = Sjis::encode(QString::fromUtf8(row.Keyword));
        t.Append();
        SetAddressRecordFields(t, r);
        t.Post();
    }
    t.Commit();
    list->ColumnDefs[2].Visible = false;
    list->RefreshList(true, true, false);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    const QString file = dir.path() + "/list.pdf";
    ASSERT_TRUE(window->PrintTo(file));
    // An A4 page at 600 dpi is larger than Qt reads by default.
    QImageReader::setAllocationLimit(512);
    const QImage picture = test::renderedPage(file, 1, 600);
    EXPECT_FALSE(picture.isNull());
    test::keepSample(picture, "list-addresses-600dpi");

    // pdftotext keeps a line of a cell on one line of its text.
    const QStringList lines = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), file, QStringLiteral("-")})
                                  .split(QLatin1Char('\n'));
    const QString text = lines.join(QLatin1Char('\n'));
    for (const TRow &row : rows) {
        const QString head = QString::fromUtf8(row.Address[0]) + QString::fromUtf8(row.Address[1]) +
                             QString::fromUtf8(row.Address[2]);
        const QString building = QString::fromUtf8(row.Address[3]);
        SCOPED_TRACE(head.toStdString());
        // The address whole on its line, the building after a blank or on a line of its own.
        if (building.isEmpty())
            EXPECT_TRUE(text.contains(head)) << text.toStdString();
        else
            EXPECT_TRUE(text.contains(head + u' ' + building) || text.contains(head + u'\n' + building))
                << text.toStdString();
    }
    // Every word at 7 points or more.
    double smallest = 1000;
    for (const test::TPdfWord &word : test::pageWords(file, 1))
        smallest = std::min(smallest, word.Box.height());
    EXPECT_GE(smallest, 7.0);
}

// The item list and the page buttons beside the preview are named for a screen reader like every other control.
TEST_F(ListPrintTest, EveryControlHasAnAccessibleName)
{
    fill(3);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_THAT(test::unnamedControls(window), ::testing::IsEmpty());
}

TEST_F(ListPrintTest, PageRowsReadInOneWalkOfTheListsOrderAreThoseReadOneByOne)
{
    TTable &t = *dm->AdrsTable;
    // Many records of one reading (equal but for case too) and of none, keywords mostly empty: long runs of
    // equal keys in the name and keyword indexes, ordered among themselves by record number.
    const QByteArray readings[] = {"ﾔﾏﾀﾞ ﾀﾛｳ", "", "abc", "ABC", "ｱｵｷ"};
    t.StartTransaction();
    for (int n = 0; n < 330; ++n) {
        TAddressRecord r = test::SampleRecord(n, false);
        r.NameKana = readings[n * 7 % 13 % 5];
        r.Group = n % 3 ? 2 : 0;
        r.Keyword[0] = n % 3 ? QByteArray() : "k" + QByteArray::number(n % 4);
        r.Keyword[1].clear();
        t.Append();
        SetAddressRecordFields(t, r);
        t.Post();
    }
    t.Commit();
    const std::vector<int> items = {0, 1, 2, 17, 26, 27};
    const TCategoryNameFn names = [](int32_t, int32_t) { return QByteArray(); };
    // The texts of each row read by its key on its own.
    const auto oneByOne = [&](const std::vector<std::pair<int, int32_t>> &rows) {
        std::vector<QStringList> texts;
        TListCells cells(t, names);
        t.SetIndexName(QString());
        for (const auto &[index, recNo] : rows) {
            QStringList &row = texts.emplace_back();
            if (t.FindKey({recNo}))
                for (const int item : items)
                    row << cells.Text(item, index);
        }
        return texts;
    };
    // Every page of rows, read as the printed list reads them, against the rows read one by one; byKey sums the
    // rows the walks did not meet.
    const auto check = [&](const std::vector<std::pair<int, int32_t>> &rows, const std::optional<TListOrder> &order,
                           int pageRows, int &byKey) {
        const std::vector<QStringList> expected = oneByOne(rows);
        byKey = 0;
        for (int first = 0; first < static_cast<int>(rows.size()); first += pageRows) {
            int missed = 0;
            const std::vector<QStringList> page = ReadListRows(t, rows, first, pageRows, order, items, names, &missed);
            ASSERT_EQ(page, std::vector<QStringList>(expected.begin() + first,
                                                     expected.begin() + std::min<size_t>(first + pageRows, rows.size())))
                << "rows from " << first;
            EXPECT_TRUE(t.IndexName().isEmpty());
            byKey += missed;
        }
    };
    const auto listed = [&](const QString &index, bool ascending, int viewGroup, int every) {
        std::vector<std::pair<int, int32_t>> rows;
        const std::vector<int32_t> recNos = ListRecordNumbers(t, index, ascending, viewGroup);
        for (size_t i = 0; i < recNos.size(); i += every)
            rows.emplace_back(static_cast<int>(i), recNos[i]);
        return rows;
    };
    for (const QString &index : {QString(), QStringLiteral("NameKana"), QStringLiteral("Keyword1"),
                                QStringLiteral("Keyword2")}) {
        for (const bool ascending : {true, false}) {
            const TListOrder order{index, ascending};
            SCOPED_TRACE((index + (ascending ? " ascending" : " descending")).toStdString());
            int byKey = -1;
            // Pages smaller and larger than the table's own read-ahead, and a last page not full: every row met
            // in the walk, none skipped nor taken twice.
            for (const int pageRows : {29, 7, 100}) {
                check(listed(index, ascending, 0, 1), order, pageRows, byKey);
                EXPECT_EQ(byKey, 0) << pageRows << " rows a page";
            }
            // A group and the selected rows: the walk passes over the rows the list leaves out.
            check(listed(index, ascending, 3, 1), order, 29, byKey);
            EXPECT_EQ(byKey, 0);
            check(listed(index, ascending, 0, 3), order, 29, byKey);
            EXPECT_EQ(byKey, 0);
            // Rows too sparse in the order for the walk to reach them all are read by their keys.
            check(listed(index, ascending, 0, 9), order, 29, byKey);
            EXPECT_GT(byKey, 0);
            // Rows in no index's order, or listed in another order than said, come out the same.
            check(listed(index, ascending, 0, 1), std::nullopt, 29, byKey);
            check(listed(index, ascending, 0, 1), TListOrder{QStringLiteral("CorpKana"), !ascending}, 29, byKey);
        }
    }
    // A record deleted and a reading changed since the list was made: the deleted row reads as empty cells, the
    // moved one as it now is.
    const std::vector<std::pair<int, int32_t>> rows = listed(QStringLiteral("NameKana"), true, 0, 1);
    t.SetIndexName(QString());
    ASSERT_TRUE(t.FindKey({rows[40].second}));
    t.Delete();
    ASSERT_TRUE(t.FindKey({rows[45].second}));
    t.Edit();
    t.FieldByName(QStringLiteral("NameKana")).SetAsString("zzz");
    t.Post();
    int byKey = 0;
    check(rows, TListOrder{QStringLiteral("NameKana"), true}, 29, byKey);
    EXPECT_EQ(ReadListRows(t, rows, 40, 1, TListOrder{QStringLiteral("NameKana"), true}, items, names)[0], QStringList());

    // The window walks the order the main list follows; the duplicate display follows none unless suspended.
    list->SortType = 6;
    list->SortDir = false;
    EXPECT_EQ(list->RowOrder()->IndexName, QStringLiteral("NameKana"));
    EXPECT_FALSE(list->RowOrder()->Ascending);
    list->DuplicateItem1 = 1;
    EXPECT_FALSE(list->RowOrder().has_value());
    list->SearchDisabled = true;
    EXPECT_TRUE(list->RowOrder().has_value());
}

namespace {

// Ten records as users keep them: telephone numbers with hyphens, postal codes, buildings of 10 to 20
// characters, company names of 15 to 25, two departments, titles; no group and no main-number mark.
struct TOrdinary {
    const char *Tel, *Pos, *Tdfkn, *Adrs1, *Adrs2, *Adrs3, *Corp, *Dptmnt, *Post, *Name, *Keyword;
};
const TOrdinary OrdinaryRecords[] = {
    {"03-1234-5678", "1000005", "東京都", "千代田区", "丸の内1-1-1", "丸の内パークビルディング12F",
     "日本情報コミュニケーション協会", "営業本部 第一営業部", "部長", "佐藤　一郎", "得意先"},
    {"090-1234-5678", "1500043", "東京都", "渋谷区", "道玄坂1-2-3", "渋谷スクランブルスクエア東棟15F",
     "東京ホールディングス株式会社", "総務部 人事課", "課長代理", "山田　花子", "友人"},
    {"06-1234-5678", "5410053", "大阪府", "大阪市中央区", "本町2-3-4", "大阪本町ガーデンシティ8F",
     "関西エレクトロニクス販売株式会社", "営業部 第二課", "課長", "田中　健", "仕入先"},
    {"045-123-4567", "2200012", "神奈川県", "横浜市西区", "みなとみらい2-2-1", "横浜ランドマークタワー45F",
     "有限会社みなとみらいフードサービス", "企画部 広報課", "主任", "鈴木　誠", "得意先"},
    {"011-261-1111", "0600001", "北海道", "札幌市中央区", "北一条西4-2", "札幌北一条三井ビルディング5F",
     "北海道グリーンエネルギー開発株式会社", "技術部 設計課", "係長", "高橋　美咲", "同窓会"},
    {"052-123-4567", "4506001", "愛知県", "名古屋市中村区", "名駅1-1-4", "JRセントラルタワーズ30F",
     "名古屋セントラル物流センター株式会社", "物流部 配送課", "部長", "伊藤　大輔", "得意先"},
    {"092-123-4567", "8120011", "福岡県", "福岡市博多区", "博多駅前2-1-1", "博多駅前第一生命ビル8F",
     "九州テクノロジー研究所合同会社", "開発部 第三課", "マネージャー", "渡辺　直子", "取引先"},
    {"075-123-4567", "6008008", "京都府", "京都市下京区", "四条通烏丸東入長刀鉾町20", "京都四条烏丸センタービル3F",
     "一般社団法人日本オフィス機器工業会", "事務局 会員課", "事務局長", "中村　亮", "取引先"},
    {"022-123-4567", "9800811", "宮城県", "仙台市青葉区", "一番町3-7-1", "仙台一番町フォーラムビル1001",
     "株式会社ヴェルモア情報システム", "営業部 東北支店", "支店長", "小林　由美", "親戚"},
    {"082-123-4567", "7300011", "広島県", "広島市中区", "基町6-78", "広島紙屋町シャレオ中央ビル7F",
     "株式会社瀬戸内マリン技術研究所", "製造部 品質管理課", "課長", "加藤　翔", "仕入先"},
};

// Appends o as a record, its memo the lines of note.
void appendOrdinary(TTable &t, const TOrdinary &o, const QString &note = QString())
{
    TAddressRecord r;
    const auto sjis = [](const char *text) { return Sjis::encode(QString::fromUtf8(text)); };
    // Kept as digits; the list hyphenates them.
    r.Tel = QByteArray(o.Tel).replace('-', "");
    r.Portable1 = "09098765432";
    r.Pos = o.Pos;
    r.Tdfkn = sjis(o.Tdfkn);
    r.Adrs1 = sjis(o.Adrs1);
    r.Adrs2 = sjis(o.Adrs2);
    r.Adrs3 = sjis(o.Adrs3);
    r.CorpKanji = sjis(o.Corp);
    r.Dptmnt = sjis(o.Dptmnt);
    r.Post = sjis(o.Post);
    r.NameKanji = sjis(o.Name);
    r.Keyword[0] = sjis(o.Keyword);
    if (!note.isEmpty()) {
        r.Note.emplace();
        for (const QString &line : note.split(u'\n'))
            r.Note->append(Sjis::encode(line));
    }
    t.Append();
    SetAddressRecordFields(t, r);
    t.Post();
}

// A customer's note of length characters as an office keeps it: dated entries, a memo line every few, each
// entry numbered (seed and its place) so that every part of the note is told from every other.
QString officeNote(int length, int seed)
{
    static const char16_t *const entries[] = {
        u"営業部の佐藤より見積書（No.AB-1234）を送付、先方の総務部人事課 課長代理 山田様が窓口。",
        u"次回訪問は5月上旬14時、第一営業部の会議室にて。担当者変更の際は03-1234-5678へ連絡のこと。",
        u"請求書の宛名は「東京ホールディングス株式会社 経理部」、支払は月末締め翌月末払い（振込手数料は先方負担）。",
        u"納品先は渋谷スクランブルスクエア東棟15Fの受付経由、搬入は平日9時から17時まで。",
        u"年賀状・暑中見舞いは本社宛、お歳暮は不要とのこと。",
    };
    QString note;
    for (int i = 0; note.size() < length; ++i) {
        note += QStringLiteral("【%1-%2】").arg(seed).arg(i + 1) + QString::fromUtf16(entries[i % 5]);
        if (i % 3 == 2)
            note += u'\n';
    }
    note.truncate(length);
    return note;
}

void ListPrintTest::fillOffices(int count, const std::map<int, QString> &notes)
{
    TTable &t = *dm->AdrsTable;
    t.StartTransaction();
    for (int i = 0; i < count; ++i)
        appendOrdinary(t, OrdinaryRecords[i % std::size(OrdinaryRecords)], notes.count(i) ? notes.at(i) : QString());
    t.Commit();
    ASSERT_EQ(LoadHyphenDll(test::appDir(), test::appDir() + "Dic/"), 0);
    hyphens = true;
    list->RefreshList(true, true, false);
}

// Copies a printed file into the folder VELMORA_SAMPLE_DIR names, for a person to look at.
void keepPdf(const QString &file, const QString &name)
{
    const QString folder = qEnvironmentVariable("VELMORA_SAMPLE_DIR");
    if (!folder.isEmpty()) {
        QFile::remove(folder + QLatin1Char('/') + name + QStringLiteral(".pdf"));
        QFile::copy(file, folder + QLatin1Char('/') + name + QStringLiteral(".pdf"));
    }
}

// The x of the table's vertical grid lines on a page rendered at dpi, in points: the dark runs along a row just
// above the header's words, where the header's light ground holds nothing else.
std::vector<double> gridLines(const QImage &page, int dpi, double headerTop)
{
    std::vector<double> lines;
    const int y = static_cast<int>((headerTop - 2.5) * dpi / 72);
    for (int x = 0; x < page.width(); ++x) {
        if (qGray(page.pixel(x, y)) >= 160)
            continue;
        const int from = x;
        while (x + 1 < page.width() && qGray(page.pixel(x + 1, y)) < 160)
            ++x;
        lines.push_back((from + x) / 2.0 * 72 / dpi);
    }
    return lines;
}

// The marks no line of Japanese text begins with.
bool startsBadly(const QString &word)
{
    return !word.isEmpty() && QStringView(u"ー、。，．）」』】〕〉》・ァィゥェォッャュョぁぃぅぇぉっゃゅょ").contains(word[0]);
}

}  // namespace

// The list as the window prints it from ten ordinary records, with the main list's default columns and with a
// wider choice, on A4 and A5 both ways: every word measured on the page.
TEST_F(ListPrintTest, OrdinaryRecordsPrintReadableTablesOrAreRefusedBeforePrinting)
{
    ASSERT_NO_FATAL_FAILURE(fillOffices(static_cast<int>(std::size(OrdinaryRecords))));
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    window->cbxPrinter->setCurrentIndex(window->cbxPrinter->findText(PdfPrinterName));
    const auto choosePaper = [&](const QString &paper, bool landscape) {
        window->cbxPaper->setCurrentIndex(window->cbxPaper->findText(paper));
        ASSERT_EQ(window->cbxPaper->currentText(), paper);
        (landscape ? window->rbLandscape : window->rbPortrait)->click();
    };
    const QString refusal = QStringLiteral("選ばれた印刷項目は、この用紙には読める大きさで印刷できません  \r\n"
                                           "大きな用紙か横向きを選ぶか、一覧の表示項目を減らしてください  ");
    QImageReader::setAllocationLimit(1024);

    const QStringList defaults{"No.", "グループ", "電話番号", "代表電話", "住所", "会社名", "名前", "キーワード１"};
    const QStringList wider{"No.", "グループ", "電話番号", "代表電話", "携帯番号1", "〒", "住所", "会社名",
                            "部署", "役職", "名前", "キーワード１"};
    // What must come out on one line: telephone numbers, postal codes, runs of letters and digits, the
    // company names' words.
    std::map<QString, QStringList> whole;  // by column
    static const QRegularExpression latin(QStringLiteral("[A-Za-z0-9@.\\-]{2,}"));
    static const QRegularExpression katakana(QStringLiteral("[ァ-ヺー]{2,}"));
    for (const TOrdinary &o : OrdinaryRecords) {
        whole["電話番号"] << QString::fromLatin1(o.Tel);
        whole["〒"] << FormatPostalCode(QString::fromLatin1(o.Pos));
        for (const char *text : {o.Adrs2, o.Adrs3})
            for (auto it = latin.globalMatch(QString::fromUtf8(text)); it.hasNext();)
                whole["住所"] << it.next().captured();
        for (auto it = katakana.globalMatch(QString::fromUtf8(o.Corp)); it.hasNext();)
            whole["会社名"] << it.next().captured();
    }
    whole["会社名"] << QStringLiteral("株式会社") << QStringLiteral("一般社団法人");
    whole["携帯番号1"] << QStringLiteral("090-9876-5432");

    int printed = 0;
    for (const QStringList *columns : {&defaults, &wider}) {
        chooseColumns(*window, *columns);
        for (const QString &paper : {QStringLiteral("A4"), QStringLiteral("A5")})
            for (const bool landscape : {false, true}) {
                const QString name = QStringLiteral("list-%1-%2-%3")
                                         .arg(paper, landscape ? "landscape" : "portrait",
                                              columns == &defaults ? "default" : "wider");
                SCOPED_TRACE(name.toStdString());
                choosePaper(paper, landscape);
                boxes.clear();
                const QString file = dir.path() + QLatin1Char('/') + name + QStringLiteral(".pdf");
                if (!window->PrintTo(file)) {
                    // Refused: said before anything was printed. The main list's columns fit the larger papers.
                    EXPECT_EQ(boxes.texts(), QStringList{refusal});
                    EXPECT_FALSE(QFile::exists(file));
                    EXPECT_FALSE(columns == &defaults || (paper == "A4" && landscape)) << "refused";
                    continue;
                }
                ++printed;
                EXPECT_TRUE(boxes.texts().isEmpty());
                keepPdf(file, name);
                const int dpi = 150;
                // One size a column through the table, none under 7 points.
                std::map<int, std::pair<double, double>> sizes;  // column: smallest, largest
                QString text;
                const int pages = test::pdfPages(file);
                ASSERT_GE(pages, 1);
                for (int page = 1; page <= pages; ++page) {
                    const QImage picture = test::renderedPage(file, page, dpi);
                    ASSERT_FALSE(picture.isNull());
                    const QList<test::TPdfWord> words = test::pageWords(file, page);
                    // The header's words whole, each on its line.
                    double headerTop = 0, headerBottom = 0;
                    for (const QString &caption : *columns) {
                        const auto found = std::find_if(words.begin(), words.end(),
                                                        [&](const test::TPdfWord &w) { return w.Text == caption; });
                        ASSERT_NE(found, words.end()) << caption.toStdString();
                        headerTop = found->Box.top();
                        headerBottom = std::max(headerBottom, found->Box.bottom());
                        EXPECT_GE(found->Box.height(), 7.0) << caption.toStdString();
                    }
                    const std::vector<double> grid = gridLines(picture, dpi, headerTop);
                    ASSERT_EQ(grid.size(), size_t(columns->size() + 1));
                    for (const test::TPdfWord &word : words) {
                        if (word.Box.top() <= headerBottom)
                            continue;
                        EXPECT_FALSE(startsBadly(word.Text)) << word.Text.toStdString();
                        text += word.Text + QLatin1Char('\n');
                        const double centre = word.Box.center().x();
                        const int column =
                            static_cast<int>(std::upper_bound(grid.begin(), grid.end(), centre) - grid.begin()) - 1;
                        EXPECT_TRUE(column >= 0 && column < columns->size()) << word.Text.toStdString();
                        auto &[least, most] = sizes.try_emplace(column, 1000.0, 0.0).first->second;
                        least = std::min(least, word.Box.height());
                        most = std::max(most, word.Box.height());
                    }
                }
                EXPECT_GE(sizes.size(), size_t(columns->size() - 2));  // the group and main-number columns are empty
                for (const auto &[column, range] : sizes) {
                    EXPECT_GE(range.first, 7.0) << columns->at(column).toStdString();
                    EXPECT_LE(range.second - range.first, 0.1) << columns->at(column).toStdString();
                }
                for (const auto &[column, pieces] : whole)
                    for (const QString &piece : pieces)
                        if (columns->contains(column)) {
                            EXPECT_TRUE(text.contains(piece)) << piece.toStdString() << " broken in\n"
                                                              << text.toStdString();
                        }
            }
    }
    EXPECT_GE(printed, 5);

    // The smallest paper offered, and every column on A6: refused with the message, nothing printed, also when
    // a screen reader presses 印刷.
    const QString documents = UserDocumentsFolder();
    const QStringList before = QDir(documents).entryList(QDir::Files);
    for (const auto &[columns, paper] : {std::pair{defaults, QStringLiteral("A10")},
                                         std::pair{QStringList(), QStringLiteral("A6")}}) {
        SCOPED_TRACE(paper.toStdString());
        if (columns.isEmpty()) {
            ASSERT_NO_FATAL_FAILURE(chooseEveryColumn(*window));
        } else {
            ASSERT_NO_FATAL_FAILURE(chooseColumns(*window, columns));
        }
        choosePaper(paper, false);
        boxes.clear();
        const QString file = dir.path() + QStringLiteral("/refused.pdf");
        EXPECT_FALSE(window->PrintTo(file));
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(boxes.texts(), QStringList{refusal});
        // The file dialog is never asked for; were it, it would be closed unanswered.
        bool asked = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&asked] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                asked = true;
                modal->close();
            }
        });
        guard.start(2000);
        boxes.clear();
        ASSERT_TRUE(window->btnPrint->isEnabled());
        ASSERT_TRUE(test::pressOnTheBus(window->btnPrint));
        EXPECT_EQ(boxes.texts(), QStringList{refusal});
        EXPECT_FALSE(asked);
        EXPECT_EQ(QDir(documents).entryList(QDir::Files), before);
    }
}

// A thousand office records with the note among the columns: one note of 1,200 characters, three long ones in a
// row, one of 5,000 and one holding a web address longer than any column. The list prints on A4 landscape, the
// long rows going on from page to page between their lines under the header each page repeats; measured from
// the PDF's words.
TEST_F(ListPrintTest, LongNotesGoOnFromPageToPageAndRefuseNoList)
{
    const QString address =
        QStringLiteral("https://www.example.co.jp/support/") + QStringLiteral("archive-2026/").repeated(10);
    const std::map<int, QString> notes = {{300, officeNote(1200, 1)},
                                          {450, QStringLiteral("資料の保存先は%1、照会番号は0120-123-456。").arg(address)},
                                          {600, officeNote(1500, 2)},
                                          {601, officeNote(1500, 3)},
                                          {602, officeNote(1500, 4)},
                                          {900, officeNote(5000, 5)}};
    ASSERT_NO_FATAL_FAILURE(fillOffices(1000, notes));
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    const QStringList columns{"No.", "グループ", "電話番号", "代表電話", "住所", "会社名", "部署", "名前", "備考"};
    chooseColumns(*window, columns);
    chooseA4(*window, true);
    boxes.clear();
    const QString file = dir.path() + "/notes.pdf";
    ASSERT_TRUE(window->PrintTo(file)) << boxes.texts().join(u'\n').toStdString();
    EXPECT_TRUE(boxes.texts().isEmpty());
    keepPdf(file, "list-long-notes");
    const TListPage layout = window->PageLayout();
    const int pages = test::pdfPages(file);
    ASSERT_EQ(pages, layout.PageCount());
    EXPECT_EQ(window->lblSheetCount->text(), QStringLiteral("用紙枚数：%1枚").arg(pages));

    // The notes as the list holds them, its blanks and memo lines not printed.
    QString notesListed;
    for (int row = 0; row < 1000; ++row)
        if (const auto note = notes.find(list->GetRecNoAt(row) - 1); note != notes.end())
            notesListed += note->second;
    notesListed.removeIf([](QChar c) { return c == u'\n' || c == u' ' || c == u'\u3000'; });

    // In points from the paper's corner, where the PDF printer's page begins.
    const auto pt = [](int tenths) { return tenths * 72.0 / 254; };
    const QRect content = layout.Content();
    const double noteLeft = pt(layout.Edges()[columns.size() - 1]), noteRight = pt(layout.Edges().back());
    QString notesPrinted;
    std::map<int, int> spans;  // the pages each row is printed on, by the row
    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(QStringLiteral("page %1").arg(page).toStdString());
        const QList<test::TPdfWord> words = test::pageWords(file, page);
        // The header on every page, the page's number and the count above it.
        double headerTop = 1e9, headerBottom = 0;
        for (const QString &caption : columns) {
            const auto found = std::find_if(words.begin(), words.end(),
                                            [&](const test::TPdfWord &w) { return w.Text == caption; });
            ASSERT_NE(found, words.end()) << caption.toStdString();
            headerTop = std::min(headerTop, found->Box.top());
            headerBottom = std::max(headerBottom, found->Box.bottom());
        }
        QString above;
        std::vector<test::TPdfWord> cells, note;
        for (const test::TPdfWord &word : words) {
            EXPECT_GE(word.Box.height(), 7.0) << word.Text.toStdString();
            if (word.Box.bottom() < headerTop)
                above += word.Text;
            else if (word.Box.top() > headerBottom)
                cells.push_back(word);
        }
        EXPECT_TRUE(above.contains(QStringLiteral("%1/%2").arg(page).arg(pages))) << above.toStdString();
        // Every word inside the table's room below the header, none over another.
        for (size_t i = 0; i < cells.size(); ++i) {
            const QRectF box = cells[i].Box;
            EXPECT_TRUE(box.left() >= pt(content.left()) - 0.1 && box.right() <= pt(content.right()) + 0.1 &&
                        box.bottom() <= pt(content.bottom()) + 0.1)
                << cells[i].Text.toStdString() << " at " << box.top() << ", " << box.left();
            for (size_t j = i + 1; j < cells.size(); ++j) {
                const QRectF common = box & cells[j].Box;
                EXPECT_FALSE(common.width() > 0.1 && common.height() > 0.1)
                    << cells[i].Text.toStdString() << " over " << cells[j].Text.toStdString();
            }
            if (box.center().x() > noteLeft && box.center().x() < noteRight)
                note.push_back(cells[i]);
        }
        // The note column's words line by line.
        std::sort(note.begin(), note.end(), [](const test::TPdfWord &a, const test::TPdfWord &b) {
            return std::abs(a.Box.top() - b.Box.top()) > 1 ? a.Box.top() < b.Box.top() : a.Box.left() < b.Box.left();
        });
        for (const test::TPdfWord &word : note)
            notesPrinted += word.Text;
        for (int row = 0; row < layout.RowCount(page - 1); ++row)
            ++spans[layout.FirstRow(page - 1) + row];
    }
    // Every character of every note once, in order, across the pages.
    const qsizetype same = std::mismatch(notesPrinted.begin(), notesPrinted.end(), notesListed.begin(),
                                         notesListed.end()).first - notesPrinted.begin();
    EXPECT_EQ(notesPrinted.size(), notesListed.size());
    EXPECT_EQ(same, notesListed.size()) << "printed " << notesPrinted.mid(same - 10, 40).toStdString() << "\nlisted  "
                                        << notesListed.mid(same - 10, 40).toStdString();
    // The long notes' rows on the pages they need, the 5,000 characters on three or more; every other row on one.
    for (const auto &[row, count] : spans) {
        const int record = list->GetRecNoAt(row) - 1;
        if (const qsizetype length = notes.count(record) ? notes.at(record).size() : 0; length >= 1200) {
            EXPECT_GE(count, length < 5000 ? 2 : 3) << "record " << record;
        } else {
            EXPECT_EQ(count, 1) << "record " << record;
        }
    }

    // The preview counts the same pages and shows those a note goes on to.
    int goesOn = 0;
    for (int page = 0; page < pages; ++page)
        if (layout.RowLines(page, 0).first > 0)
            goesOn = page;
    ASSERT_GT(goesOn, 0);
    EXPECT_EQ(window->lblPage->text(), QStringLiteral("1 / %1 ページ").arg(pages));
    while (window->PreviewPage < goesOn && window->sbtnNextPage->isEnabled())
        window->sbtnNextPage->click();
    EXPECT_EQ(window->lblPage->text(), QStringLiteral("%1 / %2 ページ").arg(goesOn + 1).arg(pages));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_GE(window->lblPage->width(), window->lblPage->sizeHint().width());
    test::keepSample(window->grab().toImage(), "list-long-notes-preview");
    while (window->sbtnNextPage->isEnabled())
        window->sbtnNextPage->click();
    EXPECT_EQ(window->lblPage->text(), QStringLiteral("%1 / %1 ページ").arg(pages));
}

// Web and mail addresses as offices keep them, in the URL column, in notes after a word of kanji or a blank, and
// in a keyword: the list prints on its default paper, A4 portrait, with no word outside its cell or the page,
// none under 7 points, and every address whole across the lines it ends at.
TEST_F(ListPrintTest, WebAndMailAddressesPrintWholeInsideTheirCellsOnThePortraitPage)
{
    const QString longAddress = QStringLiteral("https://www.example.co.jp/support/contact/form/index.html?category="
                                               "recruit&lang=ja&ref=list-print-0123456789012");
    ASSERT_EQ(longAddress.size(), 111);
    const std::map<int, QString> notes = {
        {0, QStringLiteral("資料：https://www.example.co.jp/recruit/index.html を参照")},
        {1, QStringLiteral("問合せ https://www.kansai-elec.co.jp/support/inquiry/ 担当 田中")},
        {2, QStringLiteral("請求書送付先 keiri.honbu@minatomirai-food.co.jp （経理部）")}};
    ASSERT_NO_FATAL_FAILURE(fillOffices(10, notes));
    const std::map<int, QString> urls = {{0, QStringLiteral("https://www.aoba-comm.co.jp/")}, {1, longAddress},
                                         {4, QStringLiteral("http://hokkaido-green-energy.example.jp/")}};
    const QString mail = QStringLiteral("sato.ichiro@nihon-joho-comm.or.jp");
    TTable &t = *dm->AdrsTable;
    t.First();
    for (int record = 0; !t.Eof(); ++record, t.Next()) {
        t.Edit();
        if (urls.count(record))
            t.FieldByName("URL").SetAsString(urls.at(record).toLatin1());
        if (record == 3)
            t.FieldByName("Keyword1").SetAsString(mail.toLatin1());
        t.Post();
    }
    list->RefreshList(true, true, false);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    const QStringList defaults{"No.", "グループ", "電話番号", "代表電話", "住所", "会社名", "名前", "キーワード１"};
    for (const QStringList &columns : {defaults + QStringList{"備考"}, defaults + QStringList{"URL", "備考"}}) {
        SCOPED_TRACE(columns.join(u' ').toStdString());
        chooseColumns(*window, columns);
        chooseA4(*window, false);
        boxes.clear();
        const QString file = dir.path() + QStringLiteral("/addresses%1.pdf").arg(columns.size());
        ASSERT_TRUE(window->PrintTo(file)) << boxes.texts().join(u'\n').toStdString();
        keepPdf(file, QStringLiteral("list-web-addresses-%1").arg(columns.size()));
        const TListPage layout = window->PageLayout();
        const auto pt = [](int tenths) { return tenths * 72.0 / 254; };
        std::map<int, QString> byColumn;  // the words of each column in reading order
        QList<test::TPdfWord> words;
        for (int page = 1; page <= test::pdfPages(file); ++page)
            words += test::pageWords(file, page);
        std::sort(words.begin(), words.end(), [](const test::TPdfWord &a, const test::TPdfWord &b) {
            return std::abs(a.Box.top() - b.Box.top()) > 1 ? a.Box.top() < b.Box.top() : a.Box.left() < b.Box.left();
        });
        const std::vector<int> edges = layout.Edges();
        for (const test::TPdfWord &word : words) {
            EXPECT_GE(word.Box.height(), 7.0) << word.Text.toStdString();
            EXPECT_LE(word.Box.right(), pt(layout.Content().right()) + 0.1) << word.Text.toStdString();
            if (word.Box.top() < pt(layout.Content().top() + 80))
                continue;  // the title and the page number
            const auto right = std::upper_bound(edges.begin(), edges.end(), int(word.Box.center().x() * 254 / 72));
            ASSERT_TRUE(right != edges.begin() && right != edges.end()) << word.Text.toStdString();
            EXPECT_GE(word.Box.left(), pt(*(right - 1)) - 0.1) << word.Text.toStdString();
            EXPECT_LE(word.Box.right(), pt(*right) + 0.1) << word.Text.toStdString();
            byColumn[int(right - edges.begin()) - 1] += word.Text;
        }
        // The columns in the list's order.
        const auto column = [&](const QString &caption) {
            for (int c = 0; c < window->lstItems->count(); ++c)
                if (window->lstItems->item(c)->text() == caption)
                    return byColumn[c];
            return QString();
        };
        for (const auto &[record, url] : urls)
            EXPECT_EQ(column("URL").contains(url), columns.contains("URL")) << url.toStdString();
        EXPECT_TRUE(column("キーワード１").contains(mail)) << column("キーワード１").toStdString();
        for (const auto &[record, note] : notes)
            EXPECT_TRUE(column("備考").contains(QString(note).remove(u' ')))
                << note.toStdString() << " in\n" << column("備考").toStdString();
        // What stays whole where the runs end lines at their marks: the telephone numbers.
        for (const TOrdinary &o : OrdinaryRecords)
            EXPECT_TRUE(column("電話番号").contains(QString::fromLatin1(o.Tel))) << o.Tel;
    }
}

namespace {

// The web and mail addresses of eight offices: web addresses of 20 to 119 characters with queries and escapes,
// mail addresses of up to 64 with underscores and digits, a keyword with a web address between two words of
// kanji and notes with an address between Japanese words.
struct TOfficeAddresses {
    const char16_t *Url, *Mail1, *Mail2, *Keyword, *Note;
};
const TOfficeAddresses OfficeAddresses[] = {
    {u"https://www.aoba.jp/", u"sales.department.tokyo-branch_2026@mail.example-holdings.co.jp",
     u"info@nihon-joho-comm.or.jp", u"資料https://ex.jp/d?id=7&k=%41参照",
     u"詳細はinfo_desk-2026@nihon-joho-comm.or.jpまでお問い合わせください"},
    {u"https://www.example.co.jp/support/contact/form/index.html?category=recruit&lang=ja&ref=list-print-012345678"
     u"&q=%E6%9D%B1",
     u"yamada_hanako@tokyo-holdings.co.jp", u"hanako.yamada.private_1990@mobile.example-carrier.ne.jp", u"友人",
     u"資料はhttps://www.tokyo-holdings.co.jp/dl?file=catalog_2026.pdf&lang=jaから入手"},
    {u"https://kansai-elec.co.jp/search?q=%E5%A4%A7%E9%98%AA&page=2", u"tanaka.ken-2026@kansai-elec.co.jp",
     u"order-center_06_6123_4567@kansai-elec.co.jp", u"仕入先", u"発注はorder-center_06_6123_4567@kansai-elec.co.jpへ"},
    {u"http://minatomirai-food.example.jp/menu/index.php?id=1024&lang=ja", u"info@minatomirai-food.example.jp",
     u"suzuki.makoto_pr-section@minatomirai-food.example.jp", u"得意先",
     u"広報課 suzuki.makoto_pr-section@minatomirai-food.example.jp 宛に送付"},
    {u"https://hokkaido-green-energy.example.jp/news/2026/04/renewable_energy_report.html",
     u"m.takahashi_1985@hokkaido-green-energy.example.jp", u"design-section_2@hokkaido-green-energy.example.jp",
     u"同窓会", u"報告書はhttps://hokkaido-green-energy.example.jp/news/2026/04/を参照"},
    {u"https://www.nagoya-central-logistics.co.jp/recruit/entry?job=driver&area=%E5%90%8D%E5%8F%A4%E5%B1%8B",
     u"d-ito@nagoya-central-logistics.co.jp", u"haiso.center.chubu-area_2026@nagoya-central-logistics.co.jp",
     u"得意先", u"配送の問合せはhaiso.center.chubu-area_2026@nagoya-central-logistics.co.jpまで"},
    {u"https://q-tech.example.jp/?utm_source=list&utm_medium=print&id=%7E3", u"watanabe.naoko+list@q-tech.example.jp",
     u"kaihatsu_3ka@q-tech.example.jp", u"取引先", u"開発部kaihatsu_3ka@q-tech.example.jp（第三課）"},
    {u"https://www.office-kiki.or.jp/members/list?sort=name&order=asc&page=12&per=50",
     u"office-kiki.secretariat.membership-dept_2026@mail.office-kiki.jp", u"nakamura.ryo@office-kiki.or.jp",
     u"取引先", u"会員名簿はhttps://www.office-kiki.or.jp/members/list?sort=nameで公開"},
};

}  // namespace

// Eight offices with every web and mail address column shown beside the main list's default columns: the list
// prints on A4 portrait and landscape, before and after ordinary records join it, every address whole and in
// order inside its cells, read back from the PDF's words; a list whose columns cannot fit even with every value
// broken where it may be is refused.
TEST_F(ListPrintTest, EveryAddressColumnShownPrintsEachValueWholeInsideItsCellsAndOnlyTooManyColumnsAreRefused)
{
    const int offices = static_cast<int>(std::size(OfficeAddresses));
    std::map<int, QString> notes;
    for (int i = 0; i < offices; ++i)
        notes[i] = QString::fromUtf16(OfficeAddresses[i].Note);
    ASSERT_NO_FATAL_FAILURE(fillOffices(offices, notes));
    TTable &t = *dm->AdrsTable;
    t.First();
    for (const TOfficeAddresses &a : OfficeAddresses) {
        ASSERT_FALSE(t.Eof());
        t.Edit();
        t.FieldByName("URL").SetAsString(QString::fromUtf16(a.Url).toLatin1());
        t.FieldByName("EMail1").SetAsString(QString::fromUtf16(a.Mail1).toLatin1());
        t.FieldByName("EMail2").SetAsString(QString::fromUtf16(a.Mail2).toLatin1());
        t.FieldByName("Keyword1").SetAsString(Sjis::encode(QString::fromUtf16(a.Keyword)));
        t.Post();
        t.Next();
    }
    ASSERT_EQ(QString::fromUtf16(OfficeAddresses[1].Url).size(), 119);
    ASSERT_EQ(QString::fromUtf16(OfficeAddresses[7].Mail1).size(), 64);
    list->RefreshList(true, true, false);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    // In the main list's order.
    const QStringList columns{"No.", "グループ", "電話番号", "代表電話", "住所", "会社名", "名前",
                              "URL", "E-Mail1", "E-Mail2", "キーワード１", "備考"};
    chooseColumns(*window, columns);
    for (int c = 0; c < columns.size(); ++c)
        ASSERT_EQ(window->lstItems->item(c)->text(), columns[c]);
    const auto pt = [](int tenths) { return tenths * 72.0 / 254; };

    // A column's values of the listed rows in the list's order, as printed: without blanks.
    const auto listed = [&](const std::function<QString(int)> &value) {
        QString text;
        for (int row = 0; row < list->GetRecordCount(); ++row)
            text += value(list->GetRecNoAt(row) - 1);
        return text.remove(u' ');
    };
    const auto office = [&](int record, const char16_t *TOfficeAddresses::*field) {
        return record < offices ? QString::fromUtf16(OfficeAddresses[record].*field) : QString();
    };
    for (const bool ordinary : {false, true}) {
        if (ordinary) {
            // Thirty rows: the offices and ordinary records with no address at all.
            t.StartTransaction();
            for (int i = 0; i < 22; ++i)
                appendOrdinary(t, OrdinaryRecords[i % std::size(OrdinaryRecords)]);
            t.Commit();
            list->RefreshList(true, true, false);
        }
        const std::map<QString, QString> addresses = {
            {"URL", listed([&](int r) { return office(r, &TOfficeAddresses::Url); })},
            {"E-Mail1", listed([&](int r) { return office(r, &TOfficeAddresses::Mail1); })},
            {"E-Mail2", listed([&](int r) { return office(r, &TOfficeAddresses::Mail2); })},
            {"キーワード１", listed([&](int r) {
                 const size_t ordinaryRecord = size_t(r - offices) % std::size(OrdinaryRecords);
                 return r < offices ? office(r, &TOfficeAddresses::Keyword)
                                    : QString::fromUtf8(OrdinaryRecords[ordinaryRecord].Keyword);
             })},
            {"備考", listed([&](int r) { return office(r, &TOfficeAddresses::Note); })}};
        for (const bool landscape : {false, true}) {
            const QString name = QStringLiteral("list-every-address-%1-%2")
                                     .arg(ordinary ? "30" : "8", landscape ? "landscape" : "portrait");
            SCOPED_TRACE(name.toStdString());
            chooseA4(*window, landscape);
            ASSERT_EQ(window->lstItems->count(), columns.size());
            boxes.clear();
            const QString file = dir.path() + QLatin1Char('/') + name + QStringLiteral(".pdf");
            ASSERT_TRUE(window->PrintTo(file)) << boxes.texts().join(u'\n').toStdString();
            EXPECT_TRUE(boxes.texts().isEmpty());
            keepPdf(file, name);
            const TListPage layout = window->PageLayout();
            const std::vector<int> edges = layout.Edges();
            ASSERT_EQ(edges.size(), size_t(columns.size() + 1));
            const QRect inner = layout.Content();
            const QRectF content = QRectF(QPointF(pt(inner.left()), pt(inner.top())),
                                          QPointF(pt(inner.right()), pt(inner.bottom()))).adjusted(-0.1, -0.1, 0.1, 0.1);
            std::map<int, QString> byColumn;  // the words of each column in reading order, page after page
            QStringList phones;
            const int pages = test::pdfPages(file);
            ASSERT_EQ(pages, layout.PageCount());
            for (int page = 1; page <= pages; ++page) {
                QList<test::TPdfWord> words = test::pageWords(file, page);
                std::sort(words.begin(), words.end(), [](const test::TPdfWord &a, const test::TPdfWord &b) {
                    return std::abs(a.Box.top() - b.Box.top()) > 1 ? a.Box.top() < b.Box.top()
                                                                    : a.Box.left() < b.Box.left();
                });
                const double tableTop = pt(inner.top() + 80), rowsTop = pt(layout.RowTop(page - 1, 0));
                std::map<int, QString> header;
                for (const test::TPdfWord &word : words) {
                    EXPECT_GE(word.Box.height(), 7.0) << word.Text.toStdString();
                    EXPECT_TRUE(content.contains(word.Box)) << word.Text.toStdString();
                    if (word.Box.top() < tableTop)
                        continue;  // the title and the page number
                    const auto right =
                        std::upper_bound(edges.begin(), edges.end(), int(word.Box.center().x() * 254 / 72));
                    ASSERT_TRUE(right != edges.begin() && right != edges.end()) << word.Text.toStdString();
                    EXPECT_GE(word.Box.left(), pt(*(right - 1) + 6) - 0.2) << word.Text.toStdString();
                    EXPECT_LE(word.Box.right(), pt(*right - 6) + 0.2) << word.Text.toStdString();
                    const int c = int(right - edges.begin()) - 1;
                    (word.Box.center().y() < rowsTop ? header : byColumn)[c] += word.Text;
                    if (word.Box.center().y() > rowsTop && columns[c] == "電話番号")
                        phones << word.Text;
                }
                // The header on every page.
                for (int c = 0; c < columns.size(); ++c)
                    EXPECT_EQ(header[c], columns[c]) << "page " << page;
            }
            // The telephone numbers whole on their lines: the room left goes to the columns lacking least first.
            for (const QString &tel : std::as_const(phones))
                EXPECT_TRUE(tel.contains(QRegularExpression(QStringLiteral("^\\d+-\\d+-\\d+$")))) << tel.toStdString();
            // Every character of every address once, in order.
            for (const auto &[caption, text] : addresses)
                EXPECT_EQ(byColumn[static_cast<int>(columns.indexOf(caption))].toStdString(), text.toStdString())
                    << caption.toStdString();
        }
    }

    // Every column there is leaves no readable room for any of them on A4 portrait: refused, nothing printed.
    ASSERT_NO_FATAL_FAILURE(chooseEveryColumn(*window));
    chooseA4(*window, false);
    boxes.clear();
    const QString file = dir.path() + QStringLiteral("/every-column.pdf");
    EXPECT_FALSE(window->PrintTo(file));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("選ばれた印刷項目は、この用紙には読める大きさで印刷できません  \r\n"
                                                        "大きな用紙か横向きを選ぶか、一覧の表示項目を減らしてください  ")});
}

// A PDF that meets a full disk part way is not a printed list: the print says the disk is full, and nothing is
// left under the chosen name or beside it.
TEST_F(ListPrintTest, APdfThatMeetsAFullDiskIsReportedAndLeavesNothing)
{
    test::SmallDisk disk(128 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    fill(1000);
    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, true);
    const QString file = disk.path() + QStringLiteral("一覧 鷗外.pdf");
    boxes.clear();
    EXPECT_FALSE(window->PrintTo(file));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("印刷できませんでした  \r\nPDF ファイル ") + file
                                         + QStringLiteral(" を書き込めませんでした\r\n\r\n") + DiskFullReason});
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

namespace {

// Records whose street numbers were typed with the hyphen ‐ (Shift-JIS 0x815D) and records typed with -, beside
// telephone numbers the list hyphenates with -: IPAex draws both hyphens with one glyph, and 長 with the glyph of
// the radical ⻑, which text pasted from another program's PDF holds.
const TOrdinary HyphenRecords[] = {
    {"03-3210-5678", "1000005", "東京都", "千代田区", "丸の内1‐9‐1", "グラントウキョウノースタワー12F",
     "長谷川商事株式会社", "営業本部 第一営業部", "部長", "長谷川　見一", "得意先"},
    {"026-234-5678", "3800836", "長野県", "長野市", "鶴賀緑町1613‐2", "長野駅前ビル5F", "信濃金門工業株式会社",
     "総務部", "課長", "金子　鳥見", "仕入先"},
    {"03-3210-5679", "1000005", "東京都", "千代田区", "丸の内1-9-1", "グラントウキョウノースタワー12F",
     "門馬物産株式会社", "営業部 第二課", "部長", "馬場　言子", "得意先"},
    {"095-822-1234", "8500853", "長崎県", "長崎市", "金屋町2-3", "長門ビル5F", "長崎金物株式会社", "営業部",
     "係長", "長尾　金吾", "友人"},
};

// The list's PDF says each row's address, building, company, name and, when shown, telephone number as stored.
void expectRowsRead(const QString &file, std::initializer_list<TOrdinary> rows, bool telephone)
{
    QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), file, QStringLiteral("-")});
    text.removeIf([](QChar c) { return c.isSpace(); });
    for (const TOrdinary &row : rows) {
        QStringList parts{QString::fromUtf8(row.Tdfkn) + QString::fromUtf8(row.Adrs1) + QString::fromUtf8(row.Adrs2),
                          QString::fromUtf8(row.Adrs3), QString::fromUtf8(row.Corp),
                          QString::fromUtf8(row.Name).remove(u'　')};
        if (telephone)
            parts.append(QString::fromUtf8(row.Tel));
        for (const QString &part : parts)
            EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();
    }
}

}  // namespace

// A list's PDF says the characters of its records, whatever the designer showed before and whichever of the two
// hyphens the list printed before.
TEST_F(ListPrintTest, EachListsPdfSaysTheCharactersOfItsRecordsThoughTwoShareAGlyph)
{
    const auto &rows = HyphenRecords;
    ASSERT_EQ(Sjis::decode(Sjis::encode(u"1‐9‐1")), QStringLiteral("1‐9‐1"));
    TTable &t = *dm->AdrsTable;
    t.StartTransaction();
    for (const TOrdinary &row : rows)
        appendOrdinary(t, row);
    t.Commit();
    list->ColumnDefs[2].Visible = false;
    list->RefreshList(true, true, false);

    // A letter pasted from another program's PDF, shown in the designer in the list's face.
    {
        QImage screen(3000, 300, QImage::Format_RGB32);
        screen.fill(Qt::white);
        QPainter painter(&screen);
        TCanvas canvas(painter, 600, 600);
        TFont gothic;
        SetFontSpec(&gothic.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ ゴシック"), 0, 9);
        canvas.SetFont(gothic);
        canvas.SetFontHeight(-100);
        canvas.TextOut(0, 0, QStringLiteral("⻑野県⻑野市 ⾦⼦ ⿃⾒ ⾨⾺ ⾔⼦"));
    }

    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    // The records with the hyphen ‐, then those with -, then the first again: a list each.
    for (const int first : {0, 2, 0}) {
        for (int row = 0; row < list->GetRecordCount(); ++row)
            list->SetSelected(row, list->GetRecNoAt(row) - 1 == first || list->GetRecNoAt(row) - 1 == first + 1);
        window->gbxRange->rbSelected->click();
        ASSERT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：2件"));
        const QString file = dir.path() + QStringLiteral("/list%1.pdf").arg(first);
        ASSERT_TRUE(window->PrintTo(file));
        expectRowsRead(file, {rows[first], rows[first + 1]}, false);
    }
}

// One list holds the records of both hyphens, their telephone numbers hyphenated with -, and says each as stored.
TEST_F(ListPrintTest, OneListOfBothHyphensSaysEachRecordsCharacters)
{
    TTable &t = *dm->AdrsTable;
    t.StartTransaction();
    for (const TOrdinary &row : HyphenRecords)
        appendOrdinary(t, row);
    t.Commit();
    ASSERT_EQ(LoadHyphenDll(test::appDir(), test::appDir() + "Dic/"), 0);
    hyphens = true;
    list->ColumnDefs[2].Visible = false;
    list->RefreshList(true, true, false);

    TListPrint *window = open();
    ASSERT_NE(window, nullptr);
    chooseA4(*window, false);
    window->gbxRange->rbAll->click();
    ASSERT_EQ(window->lblDataCount->text(), QStringLiteral("印刷件数：4件"));
    const QString file = dir.path() + QStringLiteral("/list.pdf");
    ASSERT_TRUE(window->PrintTo(file));
    expectRowsRead(file, {HyphenRecords[0], HyphenRecords[1], HyphenRecords[2], HyphenRecords[3]}, true);
}
