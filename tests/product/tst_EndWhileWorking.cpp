// The end asked while a window works: 終了 pressed over the accessibility bus, or the main window closed by the
// window manager, while a list print, an export, an import, a backup, a batch change or a copy runs on a book
// large enough that it is still running, or while the directory search writes its output. The job stops as its
// 中止 stops it (or ends), what it wrote is whole or absent, a file the user had is as it was, and the program
// ends once the job has ended.
#include "ProductWindows.h"

#include "Accessibility.h"
#include "ExchangeTestSupport.h"
#include "PrintCommandAnswers.h"

#include "directory/SearchThread.h"
#include "drawing/PrinterInfo.h"
#include "exchange/BackupStore.h"
#include "exchange/FExport.h"
#include "exchange/FImport.h"
#include "exchange/MExport.h"
#include "mainlist/AdrsCopy.h"
#include "widgets/UniStdCtrls.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QWindow>

namespace {

enum class TEnd { Pressed, ClosedByTheWindowManager };

class EndWhileWorking : public test::ProductWindows {
protected:
    static constexpr int Records = 20000;

    void SetUp() override
    {
        ProductWindows::SetUp();
        QApplication::setQuitOnLastWindowClosed(false);
        // Each with a place on the map, for the mark export.
        TTable &t = *DMMirvale18->AdrsTable;
        t.StartTransaction();
        for (int n = 0; n < Records; ++n) {
            TAddressRecord r = test::SampleRecord(n, true);
            r.Latitude = 128484000 + n;
            r.Longitude = 503136000 + n;
            t.Append();
            SetAddressRecordFields(t, r);
            t.Post();
        }
        t.Commit();
        // The book a copy goes to.
        AdrsBookList.push_back({QStringLiteral("支店"), QStringLiteral("Target"), abReady});
        QDir().mkpath(AdrsFolder + "Target");
        test::OpenBookTable(AdrsFolder + "Target/");
        list->RefreshList(true, true, false);
        out = book.Dir.path() + "/out/";
        QDir().mkpath(out);
    }

    // Whether a window's job runs: its stop button, or its progress dialog's, can be pressed.
    static bool jobRuns()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<QProgressDialog *>(window))
                return true;
            for (QAbstractButton *b : window->findChildren<QAbstractButton *>())
                if (b->objectName().endsWith(QLatin1String("btnStop")) && b->isEnabled())
                    return true;
        }
        return false;
    }

    void showList()
    {
        list->show();
        // The start-up's information is another test's affair.
        QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
    }

    // Asks the program's end as how says, while something of it runs or asks: the main list stays meanwhile.
    void askEnd(TEnd how)
    {
        if (how == TEnd::Pressed) {
            EXPECT_TRUE(test::pressOnTheBus(list->findChild<QAbstractButton *>(QStringLiteral("tbtnExit"))));
        } else {
            QCloseEvent close;
            QCoreApplication::sendEvent(list->windowHandle(), &close);
        }
        EXPECT_TRUE(list->isVisible()) << "ended under what runs";
    }

    // Runs job, which starts a window's job and returns once it has ended, with the main list shown; the first
    // time the job runs at one of its steps the program's end is asked as how says. Answers whether it was.
    bool endWhile(TEnd how, const std::function<void()> &job)
    {
        showList();
        bool asked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (asked || !jobRuns())
                return;
            asked = true;
            askEnd(how);
        });
        poll.start(0);
        job();
        poll.stop();
        return asked;
    }

    // The next file dialog, once open, is given the end asked as how says, then answered with file, as a user
    // names the file just as the end comes.
    void endInNextFileDialog(TEnd how, const QString &file)
    {
        onNextDialog([this, how, file](QDialog &dialog) {
            auto *files = qobject_cast<QFileDialog *>(&dialog);
            ASSERT_TRUE(files);
            askEnd(how);
            files->selectFile(file);
            dialog.accept();
        });
    }

    // Hands the next modal dialog to act once it is open.
    void onNextDialog(const std::function<void(QDialog &)> &act)
    {
        auto *poll = new QTimer(&answering);
        QObject::connect(poll, &QTimer::timeout, [poll, act] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->stop();
            poll->deleteLater();
            act(*dialog);
        });
        poll->start(5);
    }

    bool ended() const { return QTest::qWaitFor([this] { return !list->isVisible(); }, 10000); }

    static int rows(const QString &folder) { return int(test::OpenBookTable(folder)->RecordCount()); }

    // A text file of count records to import.
    static void writeImportFile(const QString &csv, int count)
    {
        QByteArray lines = Sjis::encode(QStringLiteral("名前,電話番号,会社名\r\n"));
        for (int n = 0; n < count; ++n)
            lines += Sjis::encode(QStringLiteral("鈴木 次郎%1,03-1234-%2,株式会社山田商事 東京支店 営業第一部\r\n")
                                      .arg(n)
                                      .arg(n % 10000, 4, 10, QLatin1Char('0')));
        test::writeFile(csv, lines);
    }

    // How many records hold the keyword the batch change sets.
    static int changedKeywords()
    {
        int changed = 0;
        DMMirvale18->AdrsTable->Scan({QStringLiteral("Keyword1")}, true, [&](const QVariantList &v) {
            changed += v[0].toByteArray() == Sjis::encode(ChangedKeyword);
        });
        return changed;
    }
    static inline const QString ChangedKeyword = QStringLiteral("終了前");

    // The first rows of the list selected, or no longer.
    void selectFirstRows(int count, bool selected)
    {
        for (int row = 0; row < count; ++row)
            list->SetSelected(row, selected);
    }

    // The batch change's dialog, once open, set to write the keyword into the selected records and started.
    void changeKeywordsInNextDialog()
    {
        onNextDialog([](QDialog &dialog) {
            auto *change = qobject_cast<TBatchChange *>(&dialog);
            ASSERT_TRUE(change);
            change->chkKeyword[0]->click();
            change->edtKeyword[0]->setText(ChangedKeyword);
            change->btnStart->click();
        });
    }

    static std::string wayOf(TEnd how) { return how == TEnd::Pressed ? "終了 pressed, " : "closed by the window manager, "; }

    // 一覧表印刷 from the main list, printing to a PDF.
    TListPrint *listPrintToPdf()
    {
        auto *window = dynamic_cast<TListPrint *>(
            fromMainList(list->actListPrint, [] { return ListPrint ? ListPrint->Window() : nullptr; }));
        if (window)
            window->cbxPrinter->setCurrentIndex(window->cbxPrinter->findText(PdfPrinterName));
        return window;
    }

    TFileExport *exportWindow()
    {
        return dynamic_cast<TFileExport *>(
            fromMainList(list->actExportFile, [] { return FileExport ? FileExport->Window() : nullptr; }));
    }

    // The copy window with the whole book to copy into the other book.
    TAddressCopy *copyWindowForAll()
    {
        auto *window = dynamic_cast<TAddressCopy *>(fromMainList(list->actAdrsCopy, []() -> QWidget * { return AddressCopy; }));
        if (!window)
            return nullptr;
        const auto target = window->lvAdrs->findItems(QStringLiteral("支店"), Qt::MatchExactly);
        EXPECT_EQ(target.size(), 1);
        if (!target.isEmpty())
            window->lvAdrs->setCurrentItem(target.first());
        window->findChild<QRadioButton *>(QStringLiteral("rbAll"))->click();
        return window;
    }

    // A file whole (whole says so of its bytes) or not there at all, and nothing left beside it.
    void expectWholeOrAbsent(const QString &file, const std::function<bool(const QByteArray &)> &whole)
    {
        const QStringList beside = QDir(out).entryList(QDir::Files | QDir::Hidden);
        if (!QFile::exists(file)) {
            EXPECT_TRUE(beside.isEmpty()) << beside.join(u' ').toStdString();
            return;
        }
        EXPECT_EQ(beside, QStringList{QFileInfo(file).fileName()});
        EXPECT_TRUE(whole(test::readFile(file))) << file.toStdString();
        QFile::remove(file);
    }

    // What runs a window's job on a file; nothing when the window did not open.
    using TRun = std::function<void(const QString &)>;
    template <class TWindow, class TJob>
    static TRun onFile(TWindow *window, TJob job)
    {
        return window ? TRun([window, job](const QString &file) { (window->*job)(file); }) : TRun();
    }

    QString out;
    QObject answering;
};

// A file of the user's that an output the end cuts short was to replace or add to: the output, which no one asked
// to end half-way, leaves it as it was. ファイル出力 of the name search (and a file it was to make is not left),
// テキストファイルの出力, マークファイルの出力, 一覧表印刷 and ラベル印刷 to a PDF, each ended once it writes.
TEST_F(EndWhileWorking, AnOutputTheEndCutsShortLeavesTheUsersFileAsItWas)
{
    HddInstalled = 1;
    HddDataFolder = QStringLiteral(VELMORA_SAMPLE_ROOT);
    TPrinter &printer = Printer();
    const TPrinterSetting printerBefore = printer.Setting();
    const auto restore = qScopeGuard([&] {
        HddInstalled = 0;
        HddDataFolder.clear();
        printer.SetSetting(printerBefore);
    });
    const QByteArray before = Sjis::encode(QStringLiteral("電話番号,掲載名\r\n03-1234-5678,株式会社 鴎外堂 本郷店\r\n"));
    const auto expectAsItWas = [&](const QString &file, bool made) {
        const QStringList beside = QDir(out).entryList(QDir::Files | QDir::Hidden);
        if (made) {
            EXPECT_FALSE(QFile::exists(file));
            EXPECT_TRUE(beside.isEmpty()) << beside.join(u' ').toStdString();
        } else {
            EXPECT_EQ(test::readFile(file), before);
            EXPECT_EQ(beside, QStringList{QFileInfo(file).fileName()});
        }
        QFile::remove(file);
    };
    for (const TEnd how : {TEnd::Pressed, TEnd::ClosedByTheWindowManager}) {
        const std::string way = wayOf(how);
        // ファイル出力 over 東京都's fax numbers, a page of lines a call: the end is asked at the second call, once
        // the first call's lines are written.
        enum class TFile { New, Overwritten, Appended };
        for (const TFile file : {TFile::New, TFile::Overwritten, TFile::Appended}) {
            SCOPED_TRACE(way + "ファイル出力, file " + std::to_string(int(file)));
            const QString csv = out + QStringLiteral("検索結果 東京.csv");
            if (file != TFile::New)
                test::writeFile(csv, before);
            {
                TMemIniFile ini(DataFolder + SettingsFileName);
                ini.WriteString(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("ExportFile"), csv);
                ini.UpdateFile();
            }
            showList();
            QPointer<TNameAdrsSearch> window = dynamic_cast<TNameAdrsSearch *>(
                fromMainList(list->actNameAdrsSearch, []() -> QWidget * { return NameAdrsSearch; }));
            ASSERT_TRUE(window);
            window->cbxArea->setCurrentIndex(3);
            emit window->cbxArea->activated(3);
            ASSERT_EQ(window->lbxTdfkn->count(), 1);
            window->lbxTdfkn->setCurrentRow(0);
            window->chkFax->setChecked(true);
            for (QCheckBox *other : {window->chkNormal, window->chkFaxCombi, window->chkMainNumber})
                other->setChecked(false);
            boxes.clear();
            boxes.answer(IDYES);  // output?
            boxes.answer(IDNO);   // change the destination?
            if (file != TFile::New)
                boxes.answer(file == TFile::Overwritten ? IDYES : IDNO);
            int calls = 0;
            QObject::connect(window->findChild<TSearchThread *>(), &TSearchThread::Progress, window, [&] {
                if (++calls == 2)
                    askEnd(how);
            });
            window->bbtnFileExport->click();
            EXPECT_TRUE(ended());
            EXPECT_GE(calls, 2) << "the output ended before its second call";
            EXPECT_EQ(NameAdrsSearch, nullptr);
            EXPECT_EQ(boxes.texts().size(), file == TFile::New ? 2 : 3) << boxes.texts().join(u'|').toStdString();
            expectAsItWas(csv, file == TFile::New);
        }
        // The others over a file of the user's, each ended as it writes: its window opened, then what runs it.
        const struct {
            const char *Name;
            QString File;
            std::function<TRun()> Open;
        } jobs[] = {
            {"テキストファイルの出力", QStringLiteral("住所録.csv"),
             [this] { return onFile(exportWindow(), &TFileExport::ExportTo); }},
            {"マークファイルの出力", QStringLiteral("取引先.gpx"),
             [this] {
                 return onFile(dynamic_cast<TMarkExport *>(fromMainList(
                                   list->actMarkExport, [] { return MarkExport ? MarkExport->Window() : nullptr; })),
                               &TMarkExport::ExportTo);
             }},
            {"一覧表印刷", QStringLiteral("一覧表.pdf"), [this] { return onFile(listPrintToPdf(), &TListPrint::PrintTo); }},
            // A new layout on every record, to the PDF printer; its own question as the window closes is another
            // test's affair.
            {"ラベル印刷", QStringLiteral("ラベル.pdf"),
             [this, &printer] {
                 printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
                 TPrinterSetting setting = printer.Setting();
                 setting.Copies = 1;
                 printer.SetSetting(setting);
                 auto *form = dynamic_cast<TLayoutForm *>(designer(list->actLabelPrint, LabelForm));
                 if (!form)
                     return TRun();
                 form->Modified = 0;
                 boxes.answer(IDYES);  // print?
                 return TRun(
                     [form](const QString &) { form->findChild<QAction *>(QStringLiteral("actPrint"))->trigger(); });
             }},
        };
        for (const auto &job : jobs) {
            SCOPED_TRACE(way + job.Name);
            const QString file = out + job.File;
            test::writeFile(file, before);
            boxes.clear();
            const TRun run = job.Open();
            ASSERT_TRUE(run) << "no window";
            // What the print command asks, answered.
            bool wizardShown = false;
            QTimer answer;
            QObject::connect(&answer, &QTimer::timeout, [&] { test::AnswerPrintCommand(wizardShown, file); });
            answer.start(20);
            EXPECT_TRUE(endWhile(how, [&] { run(file); }));
            answer.stop();
            EXPECT_TRUE(ended()) << boxes.texts().join(u'|').toStdString();
            expectAsItWas(file, false);
        }
    }
}

TEST_F(EndWhileWorking, TheEndAskedWhileAWindowWorksEndsTheProgramOnceTheJobHasEnded)
{
    for (const TEnd how : {TEnd::Pressed, TEnd::ClosedByTheWindowManager}) {
        const std::string way = wayOf(how);
        {
            SCOPED_TRACE(way + "一覧表印刷");
            TListPrint *window = listPrintToPdf();
            ASSERT_TRUE(window);
            ASSERT_GT(window->SheetCount(), 10);
            const QString pdf = out + QStringLiteral("一覧表.pdf");
            EXPECT_TRUE(endWhile(how, [&] { window->PrintTo(pdf); }));
            EXPECT_TRUE(ended());
            EXPECT_EQ(ListPrint, nullptr);
            expectWholeOrAbsent(pdf, [](const QByteArray &bytes) {
                return bytes.startsWith("%PDF") && bytes.trimmed().endsWith("%%EOF");
            });
        }
        {
            SCOPED_TRACE(way + "テキストファイルの出力");
            TFileExport *window = exportWindow();
            ASSERT_TRUE(window);
            const QString csv = out + QStringLiteral("住所録.csv");
            EXPECT_TRUE(endWhile(how, [&] { window->ExportTo(csv); }));
            EXPECT_TRUE(ended());
            EXPECT_EQ(FileExport, nullptr);
            // Every record on a line of its own, the last one among them.
            expectWholeOrAbsent(csv, [](const QByteArray &bytes) {
                return bytes.endsWith("\r\n") && bytes.count("\r\n") >= Records + 1
                       && bytes.contains("\nC" + QByteArray::number(Records - 1) + ",");
            });
        }
        {
            SCOPED_TRACE(way + "マークファイルの出力");
            auto *window = dynamic_cast<TMarkExport *>(
                fromMainList(list->actMarkExport, [] { return MarkExport ? MarkExport->Window() : nullptr; }));
            ASSERT_TRUE(window);
            const QString marks = out + QStringLiteral("取引先.mrk");
            EXPECT_TRUE(endWhile(how, [&] { window->ExportTo(marks); }));
            EXPECT_TRUE(ended());
            EXPECT_EQ(MarkExport, nullptr);
            EXPECT_FALSE(QFile::exists(marks + ".part"));
            QFile::remove(marks);
        }
        {
            SCOPED_TRACE(way + "テキストファイルの取り込み, a dialog of the main window");
            const QString csv = out + QStringLiteral("取り込み.csv");
            const int imported = 5000;
            writeImportFile(csv, imported);
            const int before = rows(AdrsFolder + "Book/");
            boxes.answer(IDYES);
            onNextDialog([&](QDialog &dialog) {
                auto *import = qobject_cast<TFileImport *>(&dialog);
                ASSERT_TRUE(import);
                import->LoadFile(csv);
                import->btnImportClick();
            });
            EXPECT_TRUE(endWhile(how, [&] { list->actImportFile->trigger(); }));
            EXPECT_TRUE(ended());
            const int after = rows(AdrsFolder + "Book/");
            EXPECT_TRUE(after == before || after == before + imported) << after;
            QFile::remove(csv);
        }
        {
            SCOPED_TRACE(way + "バックアップ");
            onNextDialog([](QDialog &dialog) { dialog.findChild<QPushButton *>(QStringLiteral("btnOK"))->click(); });
            EXPECT_TRUE(endWhile(how, [&] { list->actBackup->trigger(); }));
            EXPECT_TRUE(ended());
            for (const TBackupInfo &backup : ListBackups(DataRootFolder))
                EXPECT_FALSE(backup.Damaged) << backup.Folder.toStdString();
        }
        {
            SCOPED_TRACE(way + "一括編集");
            const int total = 2000;
            selectFirstRows(total, true);
            boxes.answer(IDYES);
            changeKeywordsInNextDialog();
            EXPECT_TRUE(endWhile(how, [&] { list->actBatchChange->trigger(); }));
            EXPECT_TRUE(ended());
            EXPECT_TRUE(changedKeywords() == 0 || changedKeywords() == total) << changedKeywords();
            selectFirstRows(total, false);
        }
        {
            SCOPED_TRACE(way + "アドレス帳のコピー");
            TAddressCopy *window = copyWindowForAll();
            ASSERT_TRUE(window);
            const int before = rows(AdrsFolder + "Target/");
            boxes.answer(IDYES);
            EXPECT_TRUE(endWhile(how, [&] { window->btnCopy->click(); }));
            EXPECT_TRUE(ended());
            EXPECT_EQ(AddressCopy, nullptr);
            const int after = rows(AdrsFolder + "Target/");
            EXPECT_TRUE(after == before || after == before + rows(AdrsFolder + "Book/")) << after;
        }
    }
}

// The end asked before a window's job has started, while the file dialog or the question it opens first is up
// (or, under the main list's backup dialog, before 実行): the job, once started, stops at once as one running when
// the end came, nothing is written or changed, and the program ends.
TEST_F(EndWhileWorking, TheEndAskedBeforeAJobStartsStopsItAtOnce)
{
    for (const TEnd how : {TEnd::Pressed, TEnd::ClosedByTheWindowManager}) {
        const std::string way = wayOf(how);
        const struct {
            const char *Name;
            std::function<QWidget *()> Open;
            const char *Button;
            QString File;
        } fileJobs[] = {{"一覧表印刷", [this] { return listPrintToPdf(); }, "btnPrint", QStringLiteral("一覧表.pdf")},
                        {"テキストファイルの出力", [this] { return exportWindow(); }, "btnExport", QStringLiteral("住所録.csv")}};
        for (const auto &job : fileJobs) {
            SCOPED_TRACE(way + job.Name + "'s file dialog");
            QWidget *window = job.Open();
            ASSERT_TRUE(window);
            showList();
            endInNextFileDialog(how, out + job.File);
            window->findChild<QPushButton *>(QLatin1String(job.Button))->click();
            EXPECT_TRUE(ended());
            EXPECT_FALSE(ListPrint || FileExport);
            EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
        }
        {
            SCOPED_TRACE(way + "アドレス帳のコピー's question");
            TAddressCopy *window = copyWindowForAll();
            ASSERT_TRUE(window);
            const int before = rows(AdrsFolder + "Target/");
            showList();
            boxes.answer(IDYES, [&] { askEnd(how); });
            window->btnCopy->click();
            EXPECT_TRUE(ended());
            EXPECT_EQ(AddressCopy, nullptr);
            EXPECT_EQ(rows(AdrsFolder + "Target/"), before);
        }
        {
            SCOPED_TRACE(way + "テキストファイルの取り込み's question, a dialog of the main window");
            const QString csv = out + QStringLiteral("取り込み.csv");
            writeImportFile(csv, 5000);
            const int before = rows(AdrsFolder + "Book/");
            showList();
            onNextDialog([&](QDialog &dialog) {
                auto *import = qobject_cast<TFileImport *>(&dialog);
                ASSERT_TRUE(import);
                import->LoadFile(csv);
                boxes.answer(IDYES, [&] { askEnd(how); });
                import->btnImportClick();
            });
            list->actImportFile->trigger();
            EXPECT_TRUE(ended());
            EXPECT_EQ(rows(AdrsFolder + "Book/"), before);
            QFile::remove(csv);
        }
        {
            SCOPED_TRACE(way + "バックアップ, before 実行");
            showList();
            onNextDialog([&](QDialog &dialog) {
                askEnd(how);
                dialog.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
            });
            list->actBackup->trigger();
            EXPECT_TRUE(ended());
            EXPECT_TRUE(ListBackups(DataRootFolder).empty());
        }
        {
            SCOPED_TRACE(way + "一括編集's question");
            const int total = 2000;
            selectFirstRows(total, true);
            showList();
            boxes.answer(IDYES, [&] { askEnd(how); });
            changeKeywordsInNextDialog();
            list->actBatchChange->trigger();
            EXPECT_TRUE(ended());
            EXPECT_EQ(changedKeywords(), 0);
            selectFirstRows(total, false);
        }
    }
}

}  // namespace
