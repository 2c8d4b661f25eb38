// The two directory search windows over the real Kvdir17.so and the sample directory: the conditions they build
// from their area lists, their refusals, pages with their total, the stop and the exact resumption, the CSV of
// selected hits and of the whole result, the main category searched alone, the remembered conditions and the
// two windows keeping each other from searching at once.
#include "directory/CtgrySch.h"
#include "directory/NmAdSch.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "directory/DirectoryCsv.h"
#include "directory/DirectoryDll.h"
#include "directory/SearchThread.h"
#include "geo/DicLibraries.h"
#include "mainlist/DirectorySearchServices.h"
#include "platform/MemIniFile.h"

#include "Accessibility.h"
#include "KeyWalk.h"
#include "TestBook.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QRadioButton>
#include <QLayout>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

const char *const noNames[2] = {"", ""};

QString sampleRoot()
{
    QString dt00 = QStringLiteral(VELMORA_SAMPLE_DT00);
    return dt00.left(dt00.size() - 5);  // without "Dt00/"
}

// Every hit of an area straight from the library, page size 200: what the window's pages must add up to.
std::vector<TDirectoryHit> libraryHits(const QByteArray &area, uint32_t kinds, const QByteArray &category = {})
{
    TDirectoryCondition c{};
    PutText(c.AreaCode, area);
    PutText(c.CategoryCode, category);
    c.One1 = c.One2 = 1;
    c.Kinds = kinds;
    c.PageSize = 200;
    PutText(c.DataFolder, QByteArray(VELMORA_SAMPLE_DT00));
    PutText(c.DicFolder, QFile::encodeName(test::appDir() + "Dic/"));
    std::vector<TDirectoryHit> page(200), all;
    TDirectoryResume resume{};
    resume.Started = resume.AreaDone = -1;
    for (;;) {
        int32_t count = 0;
        if (DirectorySearchArea(c, page.data(), count, resume, directoryReserved, nullptr, noNames) != directoryFound)
            break;
        all.insert(all.end(), page.begin(), page.begin() + count);
        if (resume.AreaDone != 0 || count == 0)
            break;
        c.Continuation = 1;
    }
    return all;
}

class SearchWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppFolder = test::appDir();
        const QString shipped = test::appDir() + "Category/";
        categories = tables.path() + "/";
        for (const QString &f : QDir(shipped).entryList(QDir::Files))
            QFile::copy(shipped + f, categories + f);
        book.Open(QStringLiteral("Book"), false, categories);
        HddInstalled = 1;
        HddDataFolder = sampleRoot();
        HistoryCount = 10;
        ASSERT_EQ(LoadHyphenDll(AppFolder, AppFolder + "Dic/"), 0);
        ASSERT_EQ(LoadDirectoryDll(AppFolder), 0);
    }
    void TearDown() override
    {
        delete NameAdrsSearch;
        delete CategorySearch;
        FreeDirectoryDll();
        FreeHyphenDll();
        HddInstalled = 0;
        HddDataFolder.clear();
    }

    TNameAdrsSearch *nameWindow()
    {
        NameAdrsSearch = new TNameAdrsSearch;
        NameAdrsSearch->show();
        return NameAdrsSearch;
    }
    TCategorySearch *categoryWindow()
    {
        CategorySearch = new TCategorySearch;
        CategorySearch->show();
        return CategorySearch;
    }
    static void chooseRegion(TDirectorySearchWindow *w, int region)
    {
        w->cbxArea->setCurrentIndex(region);
        emit w->cbxArea->activated(region);
    }
    // As a click (and Ctrl+clicks) leave it: the focused row first, the selection changed in one step.
    static void choose(QListWidget *list, std::initializer_list<int> rows)
    {
        list->setCurrentRow(*rows.begin(), QItemSelectionModel::NoUpdate);
        QItemSelection selection;
        for (int row : rows)
            selection.select(list->model()->index(row, 0), list->model()->index(row, 0));
        list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    static int rowOf(QListWidget *list, const QString &name)
    {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().endsWith(QLatin1Char('\t') + name))
                return i;
        return -1;
    }
    // Region 東京都 and its one prefecture.
    static void chooseTokyo(TDirectorySearchWindow *w)
    {
        chooseRegion(w, 3);
        ASSERT_EQ(w->lbxTdfkn->count(), 1);
        choose(w->lbxTdfkn, {0});
    }
    // The first city that has towns; its row.
    static int chooseCityWithTowns(TDirectorySearchWindow *w)
    {
        for (int row = 1; row < w->lbxCity->count(); ++row) {
            choose(w->lbxCity, {row});
            if (w->lbxOhaza->count() > 1)
                return row;
        }
        ADD_FAILURE() << "no city with towns";
        return 1;
    }
    static void onlyKinds(TDirectorySearchWindow *w, int bits)
    {
        // The box that stays checked goes last, so one kind stays chosen throughout.
        const std::array<QCheckBox *, 4> boxes{w->chkNormal, w->chkFax, w->chkFaxCombi, w->chkMainNumber};
        for (int i = 0; i < 4; ++i)
            if (bits & (1 << i))
                boxes[size_t(i)]->setChecked(true);
        for (int i = 0; i < 4; ++i)
            if (!(bits & (1 << i)))
                boxes[size_t(i)]->setChecked(false);
    }
    static bool run(TDirectorySearchWindow *w, QPushButton *button)
    {
        button->click();
        return QTest::qWaitFor([w] { return !w->IsBusy(); }, 60000);
    }
    // The name search over 東京都's one kind of number, searched, with its file output going to out.
    TNameAdrsSearch *tokyoSearchWritingTo(const QString &out)
    {
        {
            TMemIniFile ini(DataFolder + SettingsFileName);
            ini.WriteString(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("ExportFile"), out);
            ini.UpdateFile();
        }
        TNameAdrsSearch *w = nameWindow();
        chooseTokyo(w);
        onlyKinds(w, 2);
        EXPECT_TRUE(run(w, w->bbtnSearch));
        return w;
    }
    static THitListModel *hits(TDirectorySearchWindow *w) { return static_cast<THitListModel *>(w->lvResult->model()); }
    static QString panel(TDirectorySearchWindow *w, int n) { return w->StatusPanels[size_t(n)]->text(); }
    static std::vector<uint32_t> entries(TDirectorySearchWindow *w)
    {
        std::vector<uint32_t> out;
        for (const TDirectoryHit &h : hits(w)->Hits())
            out.push_back(h.Entry);
        return out;
    }

    QTemporaryDir tables;
    QString categories;
    test::TestBook book;
    test::MessageBoxScript boxes;
};

TEST_F(SearchWindowTest, ConditionsFollowThePrefecturesCitiesAndTownsChosen)
{
    TNameAdrsSearch *w = nameWindow();
    w->nmcbxName->setEditText(QStringLiteral("東"));
    // 全国: one condition without an area.
    ASSERT_TRUE(run(w, w->bbtnSearch));
    ASSERT_EQ(w->Conditions().size(), 1u);
    EXPECT_EQ(FieldText(w->Conditions()[0].AreaCode), QByteArray());
    EXPECT_EQ(w->NameList(), Sjis::encode(QStringLiteral("東,")));
    EXPECT_EQ(w->Conditions()[0].PageSize, 20u);
    EXPECT_EQ(w->Conditions()[0].Kinds, 15u);

    // 関東 lists its prefectures, Tokyo and Kanagawa among them; two chosen make two conditions, no cities.
    chooseRegion(w, 2);
    const int tokyo = rowOf(w->lbxTdfkn, QStringLiteral("東京都"));
    const int kanagawa = rowOf(w->lbxTdfkn, QStringLiteral("神奈川県"));
    ASSERT_GE(tokyo, 0);
    ASSERT_GE(kanagawa, 0);
    choose(w->lbxTdfkn, {tokyo, kanagawa});
    EXPECT_EQ(w->lbxCity->count(), 0);
    w->cbxCorpDiv->setCurrentIndex(1);
    w->cbxGetCount->setCurrentIndex(1);
    ASSERT_TRUE(run(w, w->bbtnSearch));
    ASSERT_EQ(w->Conditions().size(), 2u);
    EXPECT_EQ(FieldText(w->Conditions()[0].AreaCode), "13");
    EXPECT_EQ(FieldText(w->Conditions()[1].AreaCode), "14");
    EXPECT_EQ(w->Conditions()[1].LegalForm, 1u);
    EXPECT_EQ(w->Conditions()[1].PageSize, 50u);
    EXPECT_EQ(w->pnlAdrs->text(), QString());

    // One prefecture: its cities; two cities make two five-digit codes.
    choose(w->lbxTdfkn, {tokyo});
    ASSERT_GT(w->lbxCity->count(), 3);
    EXPECT_TRUE(w->lbxCity->item(0)->text().endsWith(QStringLiteral("\t指定しない")));
    choose(w->lbxCity, {1, 2});
    EXPECT_EQ(w->lbxOhaza->count(), 0);
    ASSERT_TRUE(run(w, w->bbtnSearch));
    ASSERT_EQ(w->Conditions().size(), 2u);
    EXPECT_EQ(FieldText(w->Conditions()[0].AreaCode).size(), 5);
    EXPECT_TRUE(FieldText(w->Conditions()[1].AreaCode).startsWith("13"));

    // One city: its towns; a town is an eight-character code, and the caption names all three.
    const int cityRow = chooseCityWithTowns(w);
    ASSERT_GT(w->lbxOhaza->count(), 1);
    choose(w->lbxOhaza, {1});
    onlyKinds(w, 2);
    ASSERT_TRUE(run(w, w->bbtnSearch));
    ASSERT_EQ(w->Conditions().size(), 1u);
    const QByteArray town = FieldText(w->Conditions()[0].AreaCode);
    EXPECT_EQ(town.size(), 8);
    EXPECT_EQ(w->Conditions()[0].Kinds, 2u);
    const QString cityName = w->lbxCity->item(cityRow)->text().section('\t', 1);
    EXPECT_TRUE(w->pnlAdrs->isHidden() || w->pnlAdrs->text().startsWith(QStringLiteral("東京都") + cityName));
    // "指定しない" among the towns stands for the city.
    choose(w->lbxOhaza, {0});
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_EQ(FieldText(w->Conditions()[0].AreaCode), town.left(5));
}

TEST_F(SearchWindowTest, RefusesWhatTheConditionsCannotDo)
{
    TNameAdrsSearch *w = nameWindow();
    const QString noName = QStringLiteral("この条件で%1を行うために  \r\n名称が入力されている必要があります  ");
    // No name with normal numbers over a whole prefecture.
    chooseTokyo(w);
    w->bbtnSearch->click();
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(boxes.texts().back(), noName.arg(QStringLiteral("検索")));
    EXPECT_FALSE(w->IsBusy());
    w->bbtnCount->click();
    EXPECT_EQ(boxes.texts().back(), noName.arg(QStringLiteral("件数確認")));
    // A city is narrow enough for a search, not for an output (a town is).
    choose(w->lbxCity, {1});
    boxes.clear();
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_FALSE(boxes.texts().contains(noName.arg(QStringLiteral("検索"))));
    w->bbtnFileExport->click();
    EXPECT_EQ(boxes.texts().back(), noName.arg(QStringLiteral("ファイル出力")));
    // Output over the whole country or over two prefectures.
    chooseRegion(w, 0);
    w->nmcbxName->setEditText(QStringLiteral("東"));
    w->bbtnFileExport->click();
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("全国を指定したファイル出力はできません  "));
    chooseRegion(w, 2);
    choose(w->lbxTdfkn, {0, 1});
    w->bbtnFileExport->click();
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("複数都道府県を指定したファイル出力はできません  "));
    // Fax numbers alone need no name, even over the whole country.
    chooseRegion(w, 0);
    w->nmcbxName->setEditText(QString());
    onlyKinds(w, 2);
    boxes.clear();
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(hits(w)->rowCount(), 20);
    // The last kind stays chosen.
    w->chkFax->setChecked(false);
    EXPECT_TRUE(w->chkFax->isChecked());
}

TEST_F(SearchWindowTest, PagesTheirTotalAndTheResumeAfterAStop)
{
    TNameAdrsSearch *w = nameWindow();
    chooseTokyo(w);
    onlyKinds(w, 2);
    const std::vector<TDirectoryHit> all = libraryHits("13", 2);
    ASSERT_GT(all.size(), 120u) << "the sample has too few fax numbers in Tokyo";
    QAbstractItemModelTester tester(w->lvResult->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    auto expectPage = [&](int page) {
        std::vector<uint32_t> wanted;
        for (size_t i = size_t(page - 1) * 20; i < size_t(page) * 20; ++i)
            wanted.push_back(all[i].Entry);
        EXPECT_EQ(entries(w), wanted) << "page " << page;
        EXPECT_EQ(hits(w)->CellText(0, 0), QString::number((page - 1) * 20 + 1));
    };
    ASSERT_TRUE(run(w, w->bbtnSearch));
    expectPage(1);
    EXPECT_EQ(panel(w, 9), QStringLiteral(" 表示ページ： 1"));
    EXPECT_EQ(panel(w, 10), QStringLiteral(" 検索総件数： 20"));
    EXPECT_EQ(panel(w, 7), QStringLiteral("検索完了"));
    EXPECT_EQ(panel(w, 2), QStringLiteral("Ｆ"));
    EXPECT_FALSE(w->bbtnPrior->isEnabled());
    EXPECT_TRUE(w->bbtnNext->isEnabled());
    // The numbers are shown hyphenated, the kinds worded.
    EXPECT_TRUE(hits(w)->CellText(0, 1).contains('-'));
    EXPECT_EQ(hits(w)->CellText(0, 2), all[0].Kind == 2 ? QStringLiteral("F兼") : QStringLiteral("Fax"));
    ASSERT_TRUE(run(w, w->bbtnNext));
    expectPage(2);
    EXPECT_EQ(panel(w, 10), QStringLiteral(" 検索総件数： 40"));
    ASSERT_TRUE(run(w, w->bbtnPrior));
    expectPage(1);
    // Page Down on the last row turns the page.
    w->lvResult->setFocus();
    w->lvResult->setCurrentIndex(hits(w)->index(19, 0));
    QTest::keyClick(w->lvResult, Qt::Key_PageDown);
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->IsBusy() && hits(w)->PageNo() == 2; }, 60000));
    ASSERT_TRUE(run(w, w->bbtnNext));
    expectPage(3);

    // Stopped while fetching a page: the page asked for is shown as a stopped search and the next-page button
    // resumes; the resumed search goes on where it stopped. (A shown page's successor is often kept already,
    // so the stop comes on the first page that asks the library.)
    auto *worker = w->findChild<TSearchThread *>();
    ASSERT_NE(worker, nullptr);
    bool stopped = false;
    auto stop = QObject::connect(worker, &TSearchThread::Progress, [&] {
        if (!stopped)
            w->bbtnStop->click();
        stopped = true;
    });
    while (!stopped && hits(w)->PageNo() < 5)
        ASSERT_TRUE(run(w, w->bbtnNext));
    QObject::disconnect(stop);
    ASSERT_TRUE(stopped);
    const int page = hits(w)->PageNo();
    EXPECT_EQ(panel(w, 7), QStringLiteral("検索中断"));
    EXPECT_EQ(w->bbtnNext->property("Tag").toInt(), TSearchThread::requestResume);
    EXPECT_TRUE(w->bbtnNext->isEnabled());
    ASSERT_TRUE(run(w, w->bbtnNext));
    EXPECT_EQ(w->bbtnNext->property("Tag").toInt(), TSearchThread::requestNext);
    EXPECT_EQ(hits(w)->PageNo(), page);
    expectPage(page);
    ASSERT_TRUE(run(w, w->bbtnNext));
    expectPage(page + 1);
    EXPECT_EQ(panel(w, 10), QStringLiteral(" 検索総件数： ") + QString::number((page + 1) * 20));
}

// The busy state is painted once a job has run a moment, and the window paints again after every job.
TEST_F(SearchWindowTest, PaintsItsBusyStateOnceAJobHasRunAMoment)
{
    TNameAdrsSearch *w = nameWindow();
    chooseTokyo(w);
    onlyKinds(w, 2);
    auto *worker = w->findChild<TSearchThread *>();
    ASSERT_NE(worker, nullptr);
    // The worker is held at its first library call until the moment has passed.
    bool held = false, paintsWhileHeld = false;
    auto hold = QObject::connect(worker, &TSearchThread::Progress, [&] {
        if (held)
            return;
        held = true;
        QTest::qWait(200);
        paintsWhileHeld = w->updatesEnabled() && w->IsBusy();
    });
    w->bbtnSearch->click();
    EXPECT_FALSE(w->updatesEnabled());
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->IsBusy(); }, 60000));
    QObject::disconnect(hold);
    ASSERT_TRUE(held);
    EXPECT_TRUE(paintsWhileHeld);
    EXPECT_TRUE(w->updatesEnabled());
    ASSERT_TRUE(run(w, w->bbtnNext));
    EXPECT_TRUE(w->updatesEnabled());
    boxes.clear();
    ASSERT_TRUE(run(w, w->bbtnCount));
    EXPECT_TRUE(w->updatesEnabled());
}

TEST_F(SearchWindowTest, WritesSelectedHitsAndTheWholeResultAsCsv)
{
    const QString out = tables.path() + "/out/hits.csv";
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteString(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("ExportFile"), out);
        ini.UpdateFile();
    }
    QDir().mkpath(tables.path() + "/out");
    TNameAdrsSearch *w = nameWindow();
    chooseTokyo(w);
    onlyKinds(w, 2);
    ASSERT_TRUE(run(w, w->bbtnSearch));
    auto *selection = w->lvResult->selectionModel();
    selection->clearSelection();
    for (int row : {0, 2, 5})
        selection->select(hits(w)->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    boxes.clear();
    w->sbtnFileExport->click();
    // Asked, kept destination, a new file: header and three lines.
    ASSERT_EQ(boxes.texts().size(), 3) << boxes.texts().join('|').toStdString();
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("3 件のデータを  \r\nCSV形式で")));
    EXPECT_EQ(boxes.texts()[2], QStringLiteral("3 件のデータを出力しました  "));
    QList<QByteArray> lines = test::readFile(out).split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], DirectoryCsvHeader(w->OutputItems()) + "\r");
    EXPECT_TRUE(lines[1].startsWith(",,") || lines[1].contains('-'));
    EXPECT_EQ(panel(w, 7), QStringLiteral("出力完了"));

    // The whole result, written over the same file.
    boxes.clear();
    boxes.answer(IDYES);  // output?
    boxes.answer(IDNO);   // change the destination?
    boxes.answer(IDYES);  // overwrite
    ASSERT_TRUE(run(w, w->bbtnFileExport));
    const size_t total = libraryHits("13", 2).size();
    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_EQ(boxes.texts().back(), QString::number(total) + QStringLiteral(" 件のデータを出力しました  "));
    lines = test::readFile(out).split('\n');
    EXPECT_EQ(size_t(lines.size()), total + 2);  // header, lines, the empty rest after the last line end
    EXPECT_TRUE(w->bbtnSearch->isEnabled());
}

// An output file that cannot be opened is reported, and the window goes on.
TEST_F(SearchWindowTest, AnUnwritableOutputFileIsReportedAndTheWindowStaysUsable)
{
    const QString out = tables.path() + "/taken.csv";
    QDir().mkpath(out);  // a folder of that name: the file cannot be opened
    TNameAdrsSearch *w = tokyoSearchWritingTo(out);
    boxes.clear();
    boxes.answer(IDYES);  // output the selected row?
    boxes.answer(IDNO);   // change the destination?
    boxes.answer(IDYES);  // overwrite
    w->sbtnFileExport->click();
    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_TRUE(boxes.texts().back().startsWith(QStringLiteral("ファイルに出力できませんでした")));
    EXPECT_EQ(panel(w, 7), QStringLiteral(" エラー"));
    EXPECT_TRUE(w->sbtnFileExport->isEnabled());
    EXPECT_TRUE(w->bbtnSearch->isEnabled());
    // The whole-result output ends with its worded code.
    chooseCityWithTowns(w);
    choose(w->lbxOhaza, {1});
    boxes.clear();
    boxes.answer(IDYES);
    boxes.answer(IDNO);
    boxes.answer(IDYES);
    ASSERT_TRUE(run(w, w->bbtnFileExport));
    EXPECT_EQ(boxes.texts().back(), QStringLiteral("ファイル出力エラー  \r\nRC = 201  \r\n出力ファイルを開けませんでした  "));
    EXPECT_TRUE(w->bbtnSearch->isEnabled());
    ASSERT_TRUE(run(w, w->bbtnSearch));
}

// A file chosen in a folder that cannot be made (below one the user may not write) is not written: the message
// names the folder and says why, and the window goes on.
TEST_F(SearchWindowTest, AnOutputFolderThatCannotBeMadeSaysWhy)
{
    const QString locked = tables.path() + QStringLiteral("/共有/");
    QDir().mkpath(locked);
    const test::ReadOnlyFolder readOnly(locked);
    if (!readOnly.mounted())
        GTEST_SKIP() << readOnly.skipReason().toStdString();
    const QString folder = locked + QStringLiteral("東西商事");
    TNameAdrsSearch *w = tokyoSearchWritingTo(tables.path() + "/before.csv");
    QTimer choose;
    QObject::connect(&choose, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            // Typed as the user types a path whose folder is not there yet.
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(folder + QStringLiteral("/得意先.csv"));
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    choose.start(10);
    boxes.clear();
    boxes.answer(IDYES);  // output the selected row?
    boxes.answer(IDYES);  // change the destination?
    w->sbtnFileExport->click();
    choose.stop();
    EXPECT_EQ(boxes.texts().value(2), QStringLiteral("フォルダーが作成できませんでした  \r\n") + folder
                                          + QStringLiteral("\r\n\r\n") + NotWritableReason);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(w->sbtnFileExport->isEnabled());
}

// A disk without room and a folder that cannot be written are named with the file, for the selected hits and the
// whole result, overwritten or appended to alike, and the file written before stays as it was.
TEST_F(SearchWindowTest, AnOutputThatCannotBeWrittenSaysWhyAndKeepsTheFileBefore)
{
    test::SmallDisk disk(256 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    // The settings file keeps the name in Shift-JIS.
    const QString folder = disk.path() + QStringLiteral("出力 東西商事/");
    const QString out = folder + QStringLiteral("得意先一覧 吉田.csv");
    // One page of the disk exactly: lines added to it need room of their own.
    const QByteArray before(4096, ' ');
    test::writeFile(out, before);
    TNameAdrsSearch *w = tokyoSearchWritingTo(out);
    ASSERT_TRUE(disk.fill());
    const auto output = [&](bool whole, bool append) {
        boxes.clear();
        boxes.answer(IDYES);                   // output?
        boxes.answer(IDNO);                    // change the destination?
        boxes.answer(append ? IDNO : IDYES);  // overwrite or append
        if (whole)
            EXPECT_TRUE(run(w, w->bbtnFileExport));
        else
            w->sbtnFileExport->click();
        return boxes.texts().isEmpty() ? QString() : boxes.texts().back();
    };
    const auto check = [&](const QString &reason, int openCode) {
        // The whole result's output empties the list: the selected hits go first.
        ASSERT_TRUE(run(w, w->bbtnSearch));
        for (const bool append : {false, true}) {
            SCOPED_TRACE(append);
            EXPECT_EQ(output(false, append),
                      QStringLiteral("ファイルに出力できませんでした  \r\n") + out + QStringLiteral("  \r\n\r\n") + reason);
            EXPECT_EQ(test::readFile(out), before);
        }
        const QString first = openCode == TSearchThread::outputOpenFailed
                                  ? QStringLiteral("ファイル出力エラー  \r\nRC = 201  \r\n出力ファイルを開けませんでした  ")
                                  : QStringLiteral("ファイル出力エラー  \r\nRC = 202  \r\n出力ファイルに書き込めませんでした  \r\n"
                                                   "(ディスクの空き容量を確認してください)  ");
        for (const bool append : {false, true}) {
            SCOPED_TRACE(append);
            EXPECT_EQ(output(true, append), first + QStringLiteral("\r\n") + out + QStringLiteral("\r\n\r\n") + reason);
            EXPECT_EQ(test::readFile(out), before);
            EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(out).fileName()});
        }
    };
    {
        SCOPED_TRACE("full");
        check(DiskFullReason, TSearchThread::outputWriteFailed);
    }
    {
        SCOPED_TRACE("read-only");
        const test::ReadOnlyFolder locked(folder);
        ASSERT_TRUE(locked.mounted()) << locked.skipReason().toStdString();
        check(NotWritableReason, TSearchThread::outputOpenFailed);
    }
    EXPECT_TRUE(w->bbtnSearch->isEnabled());
}

// Search conditions that cannot be remembered (a disk without room, a folder that cannot be written) are named
// with the file and why, and the conditions saved before stay.
TEST_F(SearchWindowTest, SearchConditionsThatCannotBeSavedSayWhyAndKeepTheFileBefore)
{
    test::SmallDisk disk(256 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    DataRootFolder = disk.path() + QStringLiteral("データ 鷗外/");
    ASSERT_TRUE(QDir().mkpath(DataRootFolder));
    const QString file = DataRootFolder + "NmAd.shc";
    TNameAdrsSearch *w = tokyoSearchWritingTo(tables.path() + "/hits.csv");
    w->ApplyHistoryLimit();  // written at once
    const QByteArray before = test::readFile(file);
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(disk.fill());
    const auto saved = [&](const QString &reason) {
        boxes.clear();
        w->ApplyHistoryLimit();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("検索条件を保存できませんでした  \r\n") + file
                                             + "\r\n\r\n" + reason});
        EXPECT_EQ(test::readFile(file), before);
        EXPECT_EQ(QDir(DataRootFolder).entryList(QDir::Files | QDir::Hidden), QStringList{"NmAd.shc"});
    };
    saved(DiskFullReason);
    const test::ReadOnlyFolder locked(DataRootFolder);
    ASSERT_TRUE(locked.mounted()) << locked.skipReason().toStdString();
    saved(NotWritableReason);
}

// A main category whose sub categories are all hidden is searched as a whole.
TEST_F(SearchWindowTest, AMainCategoryWithoutVisibleSubCategoriesIsSearchedAlone)
{
    const std::vector<TDirectoryHit> tokyo = libraryHits("13", 15);
    ASSERT_FALSE(tokyo.empty());
    const int main = FieldText(tokyo.front().MainCategory).toInt();
    ASSERT_GT(main, 0);
    {
        TTable subs;
        subs.DatabaseName = categories;
        subs.TableName = QStringLiteral("OxaCats.DB");
        subs.Open();
        for (subs.First(); !subs.Eof(); subs.Next()) {
            if (subs.FieldByName(QStringLiteral("CatMainNo")).AsInteger() == main) {
                subs.Edit();
                subs.FieldByName(QStringLiteral("Show")).SetAsBoolean(false);
                subs.Post();
            }
        }
    }
    TCategorySearch *w = categoryWindow();
    int row = -1;
    for (int i = 0; i < w->lbxMain->count(); ++i)
        if (w->lbxMain->item(i)->data(Qt::UserRole).toInt() == main)
            row = i;
    ASSERT_GT(row, 0);
    w->lbxMain->setCurrentRow(row);
    EXPECT_EQ(w->lbxSub->count(), 0);
    EXPECT_EQ(w->CategoryCode(), QByteArray::number(main * 100).rightJustified(4, '0'));
    chooseTokyo(w);
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_EQ(FieldText(w->Conditions()[0].CategoryCode), w->CategoryCode());
    EXPECT_EQ(w->Conditions()[0].MatchMode, 1u);
    ASSERT_GT(hits(w)->rowCount(), 0) << boxes.texts().join('|').toStdString();
    for (const TDirectoryHit &h : hits(w)->Hits())
        EXPECT_EQ(FieldText(h.MainCategory).toInt(), main);
    // "指定なし": no category code, the sub list grey and disabled; ten status panels.
    w->lbxMain->setCurrentRow(0);
    EXPECT_FALSE(w->lbxSub->isEnabled());
    EXPECT_EQ(w->CategoryCode(), QByteArray());
    EXPECT_EQ(w->StatusPanels.size(), 10u);
    EXPECT_TRUE(w->bbtnFileExport->isHidden());
}

// A match mode ticked as a screen reader ticks it, without a click, is the one searched with and the one
// shown chosen.
TEST_F(SearchWindowTest, AMatchModeTickedWithoutAClickIsTheOneSearched)
{
    TNameAdrsSearch *w = nameWindow();
    w->nmcbxName->setEditText(QStringLiteral("東"));
    chooseTokyo(w);
    const struct {
        QRadioButton *button;
        uint32_t mode;
    } modes[] = {{w->rbFull, 3}, {w->rbRear, 2}, {w->rbAmbiguous, 1}, {w->rbFront, 0}};
    for (const auto &m : modes) {
        SCOPED_TRACE(m.button->objectName().toStdString());
        ASSERT_TRUE(test::toggleOnTheBus(m.button));
        ASSERT_TRUE(m.button->isChecked());
        EXPECT_EQ(w->MatchMode(), static_cast<int>(m.mode));
        ASSERT_TRUE(run(w, w->bbtnSearch));
        ASSERT_FALSE(w->Conditions().empty());
        EXPECT_EQ(w->Conditions()[0].MatchMode, m.mode);
    }
}

TEST_F(SearchWindowTest, OneWindowSearchesAtATime)
{
    TNameAdrsSearch *name = nameWindow();
    TCategorySearch *category = categoryWindow();
    chooseTokyo(name);
    onlyKinds(name, 2);
    name->bbtnSearch->click();
    EXPECT_TRUE(name->IsBusy());
    EXPECT_FALSE(category->bbtnSearch->isEnabled());
    EXPECT_FALSE(category->bbtnCount->isEnabled());
    EXPECT_FALSE(name->close());  // a window does not close while it searches
    ASSERT_TRUE(QTest::qWaitFor([name] { return !name->IsBusy(); }, 60000));
    EXPECT_TRUE(category->bbtnSearch->isEnabled());
    EXPECT_TRUE(category->bbtnCount->isEnabled());
}

TEST_F(SearchWindowTest, RemembersItsSearchesForTheNextWindow)
{
    TNameAdrsSearch *w = nameWindow();
    w->nmcbxName->setEditText(QStringLiteral("東"));
    w->rbAmbiguous->click();
    chooseTokyo(w);
    choose(w->lbxCity, {2});
    const QString city = w->lbxCity->item(2)->text();
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_EQ(w->nmcbxName->count(), 1);
    delete w;
    ASSERT_TRUE(QFile::exists(DataRootFolder + "NmAd.shc"));
    w = nameWindow();
    EXPECT_EQ(w->nmcbxName->currentText(), QStringLiteral("東"));
    EXPECT_TRUE(w->rbAmbiguous->isChecked());
    EXPECT_EQ(w->cbxArea->currentIndex(), 3);
    ASSERT_EQ(w->lbxCity->selectedItems().size(), 1);
    EXPECT_EQ(w->lbxCity->selectedItems().front()->text(), city);
}

// A window deleted while it is shown (its owner going with it) leaves the screen whole: the name box holding a
// remembered name and the focus reports that name as the focus leaves it on the way, to a window still there.
TEST_F(SearchWindowTest, AWindowDeletedWhileShownLeavesTheScreenWhole)
{
    for (const bool byName : {true, false}) {
        TDirectorySearchWindow *w = byName ? static_cast<TDirectorySearchWindow *>(nameWindow()) : categoryWindow();
        chooseTokyo(w);
        for (const QString &name : {QStringLiteral("東"), QStringLiteral("西")}) {
            w->nmcbxName->setEditText(name);
            ASSERT_TRUE(run(w, w->bbtnSearch));
        }
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        w->nmcbxName->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([w] { return w->nmcbxName->hasFocus(); }));
        w->nmcbxName->lineEdit()->setText(QStringLiteral("東"));
        ASSERT_NE(w->nmcbxName->currentText(), w->nmcbxName->itemText(w->nmcbxName->currentIndex()));
        delete w;
    }
    EXPECT_EQ(NameAdrsSearch, nullptr);
    EXPECT_EQ(CategorySearch, nullptr);
}

// The remembered searches reach the file after the page is shown, and a window that goes before the event loop
// comes round to writing them writes them as it goes.
TEST_F(SearchWindowTest, WritesItsRememberedSearchesAfterThePageAndAsItGoes)
{
    const auto savedNames = [] {
        TSearchHistory file(false);
        file.Load(DataRootFolder + "NmAd.shc", 10);
        QStringList names;
        for (const TSearchHistoryEntry &e : file.Saved)
            names << Sjis::decode(e.Name);
        return names;
    };
    TNameAdrsSearch *w = nameWindow();
    chooseTokyo(w);
    w->nmcbxName->setEditText(QStringLiteral("東"));
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_TRUE(QTest::qWaitFor([&] { return savedNames() == QStringList{QStringLiteral("東")}; }, 5000))
        << savedNames().join('|').toStdString();
    // Closed in the same turn of the event loop as its page arrives (queued: the worker waits for its hand-back).
    auto *worker = w->findChild<TSearchThread *>();
    ASSERT_TRUE(worker);
    bool gone = false;
    QObject::connect(
        worker, &TSearchThread::PageSearchDone, qApp,
        [&] {
            delete NameAdrsSearch;
            gone = true;
        },
        Qt::QueuedConnection);
    w->nmcbxName->setEditText(QStringLiteral("大"));
    w->bbtnSearch->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone; }, 60000));
    EXPECT_EQ(NameAdrsSearch, nullptr);
    EXPECT_EQ(savedNames(), (QStringList{QStringLiteral("大"), QStringLiteral("東")}));
}

}  // namespace

namespace {

TEST_F(SearchWindowTest, CountsAfterAskingAndRemembersWithoutAHistoryList)
{
    HistoryCount = 0;
    TNameAdrsSearch *w = nameWindow();
    EXPECT_TRUE(w->nmcbxName->isHidden());
    EXPECT_FALSE(w->nmedtName->isHidden());
    chooseTokyo(w);
    onlyKinds(w, 2);
    boxes.clear();
    ASSERT_TRUE(run(w, w->bbtnCount));
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("検索条件に該当するデータの総件数を調べます  \r\nよろしいですか？  "));
    const size_t total = libraryHits("13", 2).size();
    EXPECT_EQ(boxes.texts()[1], QString::number(total) + QStringLiteral(" 件のデータが見つかりました  "));
    EXPECT_EQ(panel(w, 7), QStringLiteral("確認完了"));
    EXPECT_FALSE(w->bbtnNext->isEnabled());
    // Declining the question starts nothing.
    boxes.answer(IDNO);
    w->bbtnCount->click();
    EXPECT_FALSE(w->IsBusy());
    // Without a history list the file still keeps the current conditions, and the next window takes them up.
    delete w;
    TSearchHistory file(false);
    file.Load(DataRootFolder + "NmAd.shc", 0);
    EXPECT_EQ(file.Current.TelKinds, 2);
    EXPECT_EQ(file.Current.Codes, QList<QByteArray>{"13"});
    w = nameWindow();
    EXPECT_FALSE(w->chkNormal->isChecked());
    EXPECT_TRUE(w->chkFax->isChecked());
    EXPECT_EQ(w->lbxTdfkn->selectedItems().size(), 1);
    // The limit raised again shows the list.
    HistoryCount = 10;
    w->ApplyHistoryLimit();
    EXPECT_FALSE(w->nmcbxName->isHidden());
}

TEST_F(SearchWindowTest, TheCategoryWindowRemembersItsCategories)
{
    TCategorySearch *w = categoryWindow();
    w->lbxMain->setCurrentRow(2);
    ASSERT_GT(w->lbxSub->count(), 1);
    w->lbxSub->setCurrentRow(1);
    const QByteArray code = w->CategoryCode();
    chooseTokyo(w);
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_EQ(FieldText(w->Conditions()[0].CategoryCode), code);
    EXPECT_EQ(w->Conditions()[0].PageSize, 20u);
    delete w;
    w = categoryWindow();
    EXPECT_EQ(w->lbxMain->currentRow(), 2);
    EXPECT_EQ(w->lbxSub->currentRow(), 1);
    EXPECT_EQ(w->CategoryCode(), code);
    EXPECT_EQ(w->cbxArea->currentIndex(), 3);
    // Another sub category is another remembered search.
    w->lbxSub->setCurrentRow(0);
    ASSERT_TRUE(run(w, w->bbtnSearch));
    EXPECT_EQ(w->History().Saved.size(), 2u);
}

}  // namespace

namespace {

TEST_F(SearchWindowTest, SettingsAndRememberedNamesOfTheNameBox)
{
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("HeaderWidth3"), 0);
        ini.WriteInteger(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("HeaderWidth4"), 222);
        ini.WriteString(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("ExportItemIndex"), QStringLiteral("1,0,2"));
        ini.WriteBool(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("OmissionAdrs"), false);
        ini.UpdateFile();
    }
    TNameAdrsSearch *w = nameWindow();
    EXPECT_EQ(w->lvResult->columnWidth(2), 48);
    EXPECT_EQ(w->lvResult->columnWidth(3), 222);
    EXPECT_FALSE(w->chkOmissionAdrs->isChecked());
    ASSERT_EQ(w->OutputItems().size(), 18u);  // a list of the wrong length: table order, all chosen
    EXPECT_EQ(w->OutputItems()[1].ItemNo, 1u);
    // Two searches remembered, newest first; Delete in the open list forgets the highlighted one.
    onlyKinds(w, 2);
    for (const QString &name : {QStringLiteral("東"), QStringLiteral("大")}) {
        w->nmcbxName->setEditText(name);
        ASSERT_TRUE(run(w, w->bbtnSearch));
    }
    ASSERT_EQ(w->nmcbxName->count(), 2);
    EXPECT_EQ(w->nmcbxName->itemText(0), QStringLiteral("大"));
    w->nmcbxName->showPopup();
    w->nmcbxName->view()->setCurrentIndex(w->nmcbxName->model()->index(1, 0));
    QTest::keyClick(w->nmcbxName->view(), Qt::Key_Delete);
    ASSERT_EQ(w->nmcbxName->count(), 1);
    EXPECT_EQ(w->nmcbxName->itemText(0), QStringLiteral("大"));
    delete w;
    TMemIniFile ini(DataFolder + SettingsFileName);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("HeaderWidth3"), -1), 48);
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("OmissionAdrs"), true));
    TSearchHistory file(false);
    file.Load(DataRootFolder + "NmAd.shc", 10);
    EXPECT_EQ(file.Saved.size(), 1u);
}

}  // namespace

namespace {

// The window manager closes the window while a dialog of it is open (名称一覧, 対象除外選択, 項目設定, the
// output file of ファイル出力): the window stays until the dialog and its handler have returned, then closes and is
// freed; nothing is freed under the dialog.
TEST_F(SearchWindowTest, AWindowClosedWhileItsDialogIsOpenClosesOnceTheDialogHasReturned)
{
    struct Path {
        const char *dialog;
        std::function<TDirectorySearchWindow *()> open;
        std::function<void(TDirectorySearchWindow *)> press;
    };
    const std::vector<Path> paths = {
        {"名称一覧", [this] { return nameWindow(); }, [](auto *w) { static_cast<TNameAdrsSearch *>(w)->bbtnNameList->click(); }},
        {"対象除外選択", [this] { return nameWindow(); },
         [](TDirectorySearchWindow *w) {
             auto *name = static_cast<TNameAdrsSearch *>(w);
             name->rbAmbiguous->setChecked(true);
             name->nmcbxName->setEditText(QStringLiteral("銀行"));
             name->bbtnTargetException->click();
         }},
        {"項目設定", [this] { return categoryWindow(); }, [](auto *w) { w->sbtnExportItemSelect->click(); }},
        {"ファイル出力", [this] { return nameWindow(); },
         [this](TDirectorySearchWindow *w) {
             chooseTokyo(w);
             onlyKinds(w, 2);
             boxes.answer(IDYES);  // output?
             w->bbtnFileExport->click();
         }},
    };
    for (const Path &path : paths) {
        SCOPED_TRACE(path.dialog);
        QPointer<TDirectorySearchWindow> w = path.open();
        bool dialogShown = false, aliveWhileOpen = false;
        QTimer whileOpen;  // gone with the path, should its dialog not open
        whileOpen.setSingleShot(true);
        QObject::connect(&whileOpen, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            dialogShown = dialog != nullptr;
            w->close();
            // What the dialog's own loop does meanwhile with windows closed from inside it.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveWhileOpen = w && w->isVisible();
            if (dialog)
                dialog->reject();
        });
        whileOpen.start(0);
        path.press(w);
        EXPECT_TRUE(dialogShown);
        EXPECT_TRUE(aliveWhileOpen);
        test::handlerReturned();
        EXPECT_TRUE(w.isNull());
    }
}

// The main window's commands open each window once. Closed while one works (its search, its count, its file
// output), as the main list's end closes them, the job stops as its 中止 stops it and the window closes once the
// job has ended: the close is never dropped, and what the output wrote is whole lines.
TEST_F(SearchWindowTest, TheMainWindowOpensAndClosesTheWindowsOnceTheirJobHasEnded)
{
    const QString out = tables.path() + "/out.csv";
    test::writeFile(out, "the user's old lines\r\n");
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteString(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("ExportFile"), out);
        ini.UpdateFile();
    }
    RegisterDirectorySearches();
    ShowNameAdrsSearch(nullptr);
    TNameAdrsSearch *first = NameAdrsSearch;
    ASSERT_NE(first, nullptr);
    ShowNameAdrsSearch(nullptr);
    EXPECT_EQ(NameAdrsSearch, first);
    const struct {
        const char *name;
        QPushButton *TDirectorySearchWindow::*button;
        std::vector<int> answers;  // 件数確認 and ファイル出力 ask first; the output keeps its file and overwrites it
    } jobs[] = {{"検索", &TDirectorySearchWindow::bbtnSearch, {}},
                {"件数確認", &TDirectorySearchWindow::bbtnCount, {IDYES}},
                {"ファイル出力", &TDirectorySearchWindow::bbtnFileExport, {IDYES, IDNO, IDYES}}};
    for (const auto &job : jobs) {
        SCOPED_TRACE(job.name);
        ShowNameAdrsSearch(nullptr);
        ShowCategorySearch(nullptr);
        QPointer<TNameAdrsSearch> w = NameAdrsSearch;
        ASSERT_TRUE(w);
        chooseTokyo(w);
        onlyKinds(w, 2);
        boxes.clear();
        for (const int answer : job.answers)
            boxes.answer(answer);
        // Right after the button has started the job, before the window hears of its end.
        bool closedWhileBusy = false, keptMeanwhile = false;
        QObject::connect(w->*job.button, &QPushButton::clicked, [&] {
            closedWhileBusy = w->IsBusy();
            keptMeanwhile = !CloseDirectorySearches() && NameAdrsSearch == w;
        });
        (w->*job.button)->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w; }, 60000));
        EXPECT_TRUE(closedWhileBusy);
        EXPECT_TRUE(keptMeanwhile);
        EXPECT_EQ(boxes.texts().size(), job.answers.size()) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(CloseDirectorySearches());
        EXPECT_EQ(NameAdrsSearch, nullptr);
        EXPECT_EQ(CategorySearch, nullptr);
        EXPECT_TRUE(test::readFile(out).endsWith("\r\n"));
    }
    const TMemIniFile ini(DataFolder + SettingsFileName);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("CATEGORY SEARCH"), QStringLiteral("Width"), 0), 960);
    ShowNameAdrsSearch = ShowCategorySearch = nullptr;
    CloseDirectorySearches = nullptr;
}

// ファイル出力 ended with the program (the main list closing the windows beside it) or by the window manager's close
// of the window once lines are written: no one asked the output to end there, so the file is as it was before it:
// a new file is not left, one overwritten keeps its lines, one appended to has them alone, nothing is left beside
// it and nothing is said. 中止 at the same point keeps the lines so far and says 中断しました.
TEST_F(SearchWindowTest, AnOutputEndedWithTheWindowLeavesTheFileAsItWas)
{
    RegisterDirectorySearches();
    const auto unregister = qScopeGuard([] {
        ShowNameAdrsSearch = ShowCategorySearch = nullptr;
        CloseDirectorySearches = nullptr;
    });
    const QString folder = tables.path() + QStringLiteral("/出力 東西商事/");
    const QString out = folder + QStringLiteral("得意先一覧 吉田.csv");
    QDir().mkpath(folder);
    const QByteArray before = Sjis::encode(QStringLiteral("電話番号,掲載名\r\n03-1234-5678,株式会社 鴎外堂 本郷店\r\n"));
    enum class TFile { New, Overwritten, Appended };
    enum class TEnd { MainList, WindowClosed, Stopped };
    for (const TFile file : {TFile::New, TFile::Overwritten, TFile::Appended})
        for (const TEnd end : {TEnd::MainList, TEnd::WindowClosed, TEnd::Stopped}) {
            SCOPED_TRACE(testing::Message() << "file " << int(file) << ", end " << int(end));
            QFile::remove(out);
            if (file != TFile::New)
                test::writeFile(out, before);
            {
                TMemIniFile ini(DataFolder + SettingsFileName);
                ini.WriteString(QStringLiteral("NAMEADRS SEARCH"), QStringLiteral("ExportFile"), out);
                ini.UpdateFile();
            }
            ShowNameAdrsSearch(nullptr);
            QPointer<TNameAdrsSearch> w = NameAdrsSearch;
            ASSERT_TRUE(w);
            chooseTokyo(w);
            onlyKinds(w, 2);
            boxes.clear();
            std::vector<int> answers{IDYES, IDNO};  // output? change the destination?
            if (file != TFile::New)
                answers.push_back(file == TFile::Overwritten ? IDYES : IDNO);
            for (const int answer : answers)
                boxes.answer(answer);
            // At the second call's hand-back: the first call's lines are in the file.
            auto *worker = w->findChild<TSearchThread *>();
            ASSERT_NE(worker, nullptr);
            int calls = 0;
            bool kept = false;
            QObject::connect(worker, &TSearchThread::Progress, w, [&] {
                if (++calls != 2)
                    return;
                if (end == TEnd::MainList)
                    kept = !CloseDirectorySearches() && NameAdrsSearch == w;
                else if (end == TEnd::WindowClosed)
                    kept = !w->close();
                else
                    w->bbtnStop->click();
            });
            w->bbtnFileExport->click();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !w || !w->IsBusy(); }, 60000));
            ASSERT_GE(calls, 2) << "the output ended before its second call";
            if (end != TEnd::Stopped) {
                EXPECT_TRUE(kept);
                EXPECT_TRUE(QTest::qWaitFor([&] { return !w; }, 10000));
                EXPECT_EQ(boxes.texts().size(), answers.size()) << boxes.texts().join(u'|').toStdString();
                if (file == TFile::New)
                    EXPECT_FALSE(QFile::exists(out));
                else
                    EXPECT_EQ(test::readFile(out), before);
                EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                          file == TFile::New ? QStringList() : QStringList{QFileInfo(out).fileName()});
                continue;
            }
            EXPECT_EQ(boxes.texts().back(), QStringLiteral("中断しました  "));
            EXPECT_EQ(panel(w, 7), QStringLiteral("検索中断"));
            QByteArray lines = test::readFile(out);
            if (file == TFile::Appended) {
                ASSERT_TRUE(lines.startsWith(before));
                lines = lines.mid(before.size());
            } else {
                const QByteArray header = DirectoryCsvHeader(w->OutputItems()) + "\r\n";
                ASSERT_TRUE(lines.startsWith(header));
                lines = lines.mid(header.size());
            }
            EXPECT_TRUE(lines.endsWith("\r\n"));
            EXPECT_GE(lines.count("\r\n"), 1) << "the first call's lines";
            EXPECT_LT(size_t(lines.count("\r\n")), libraryHits("13", 2).size());
            w->close();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !w; }, 10000));
        }
}

}  // namespace

namespace {

// A screen reader names every control of both windows, the edit that stands in for the remembered names
// when none are kept among them.
TEST_F(SearchWindowTest, EveryControlOfBothWindowsHasAnAccessibleName)
{
    for (int remembered : {10, 0}) {
        SCOPED_TRACE(remembered);
        HistoryCount = remembered;
        EXPECT_THAT(test::unnamedControls(nameWindow()), ::testing::IsEmpty());
        EXPECT_THAT(test::unnamedControls(categoryWindow()), ::testing::IsEmpty());
        delete NameAdrsSearch;
        delete CategorySearch;
    }
}

// At the size they open with, both windows show every condition control whole: the town list ends left of the
// job buttons, as wide as it may be at least.
TEST_F(SearchWindowTest, TheConditionControlsFitTheWindowAtItsFirstSize)
{
    for (TDirectorySearchWindow *w : {static_cast<TDirectorySearchWindow *>(nameWindow()),
                                      static_cast<TDirectorySearchWindow *>(categoryWindow())}) {
        QCoreApplication::processEvents();
        const QRect town(w->lbxOhaza->mapTo(w, QPoint(0, 0)), w->lbxOhaza->size());
        const QRect areas(w->spltAdrs->mapTo(w, QPoint(0, 0)), w->spltAdrs->size());
        EXPECT_GE(w->lbxOhaza->width(), w->lbxOhaza->minimumWidth()) << w->windowTitle().toStdString();
        EXPECT_LE(town.right(), areas.right()) << w->windowTitle().toStdString();
        EXPECT_LT(areas.right(), w->bbtnSearch->mapTo(w, QPoint(0, 0)).x()) << w->windowTitle().toStdString();
        EXPECT_GE(w->width(), w->layout()->minimumSize().width()) << w->windowTitle().toStdString();
    }
}

}  // namespace

// Esc is 閉じる in both windows, wherever the focus is: while a job runs 閉じる is disabled and Esc leaves the
// window and its job alone; once the job has ended Esc closes the window.
TEST_F(SearchWindowTest, EscClosesEitherWindowAsItsCloseButtonDoes)
{
    const auto escAt = [](QWidget *control) {
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : control, Qt::Key_Escape);
    };
    for (const bool byName : {true, false}) {
        SCOPED_TRACE(byName ? "名称住所検索" : "カテゴリ検索");
        QPointer<TDirectorySearchWindow> w = byName ? static_cast<TDirectorySearchWindow *>(nameWindow())
                                                    : categoryWindow();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        chooseTokyo(w);
        onlyKinds(w, 2);
        auto *worker = w->findChild<TSearchThread *>();
        ASSERT_NE(worker, nullptr);
        bool pressed = false, keptWhileBusy = false;
        auto hold = QObject::connect(worker, &TSearchThread::Progress, [&] {
            if (pressed)
                return;
            pressed = true;
            escAt(w->lvResult);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            keptWhileBusy = w && w->isVisible() && w->IsBusy();
        });
        w->bbtnSearch->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w || !w->IsBusy(); }, 60000));
        QObject::disconnect(hold);
        ASSERT_TRUE(pressed);
        EXPECT_TRUE(keptWhileBusy);
        ASSERT_TRUE(w);
        const bool done = std::any_of(w->StatusPanels.begin(), w->StatusPanels.end(),
                                      [](QLabel *p) { return p->text() == QStringLiteral("検索完了"); });
        EXPECT_TRUE(done) << "the job did not run to its end";
        escAt(byName ? static_cast<QWidget *>(w->nmcbxName) : w->lbxCity);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w; })) << "Esc left the window open";
    }
    EXPECT_EQ(NameAdrsSearch, nullptr);
    EXPECT_EQ(CategorySearch, nullptr);
}

// Tab reads both windows as they stand: the name and the window's own conditions under it, the kinds, the
// legal form and the page size under it, the areas, the job buttons, then the results.
TEST_F(SearchWindowTest, TabReadsBothWindowsInTheirOrder)
{
    for (const bool byName : {true, false}) {
        SCOPED_TRACE(byName ? "名称住所検索" : "カテゴリ検索");
        TDirectorySearchWindow *w = byName ? static_cast<TDirectorySearchWindow *>(nameWindow()) : categoryWindow();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        chooseTokyo(w);
        const QList<QWidget *> round = test::tabRound(w);
        QStringList names;
        for (QWidget *control : round)
            names << test::controlName(control);
        EXPECT_THAT(test::readingOrderFaults(round, w), ::testing::IsEmpty()) << names.join(u' ').toStdString();
        const qsizetype own = names.indexOf(QLatin1String(byName ? "bbtnNameList" : "lbxMain"));
        EXPECT_GT(own, names.indexOf(QLatin1String("nmcbxName"))) << names.join(u' ').toStdString();
        EXPECT_LT(own, names.indexOf(QLatin1String("chkNormal"))) << names.join(u' ').toStdString();
        if (byName) {
            const qsizetype pages = names.indexOf(QLatin1String("cbxGetCount"));
            EXPECT_GT(pages, names.indexOf(QLatin1String("cbxCorpDiv"))) << names.join(u' ').toStdString();
            EXPECT_LT(pages, names.indexOf(QLatin1String("cbxArea"))) << names.join(u' ').toStdString();
        }
        delete w;
    }
}
