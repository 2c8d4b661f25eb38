// The text export: what spreadsheets read back, the round trip through the import, the temporary file.
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "db/Table.h"
#include "exchange/TextExport.h"
#include "exchange/TextImport.h"
#include "mainlist/ListItems.h"
#include "base/SjisCodec.h"

#include "ExchangeTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Every item an import can take back: all but the list's row number, the date and time parts (the whole
// date-times carry them) and the category names (the sample has none).
std::vector<int> roundTripItems()
{
    std::vector<int> items;
    for (int item = 1; item < ListItemCount; ++item)
        if (item != 37 && item != 38 && item != 40 && item != 41 && item != 42 && item != 43)
            items.push_back(item);
    return items;
}

const TCategoryNameFn noCategories = [](int32_t, int32_t) { return QByteArray(); };

std::vector<std::pair<int, int32_t>> allRows(TTable &t)
{
    std::vector<std::pair<int, int32_t>> rows;
    t.SetIndexName(QString());
    t.Scan({QStringLiteral("RecNo")}, true, [&](const QVariantList &v) {
        rows.emplace_back(static_cast<int>(rows.size()), static_cast<int32_t>(v[0].toLongLong()));
    });
    return rows;
}

class TextExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::SetSampleGroupNames();
        QDir().mkpath(dir.path() + "/a");
        QDir().mkpath(dir.path() + "/b");
        source = test::OpenBookTable(dir.path() + "/a/");
    }
    TExportOutcome exportBook(TTable &t, const TExportOptions &options, const QString &file)
    {
        return ExportRows(t, allRows(t), options, noCategories, file, {});
    }

    TDMMirvale18 dataModule;
    QTemporaryDir dir;
    std::unique_ptr<TTable> source;
};

}  // namespace

TEST_F(TextExportTest, RoundTripThroughTheImportIsFieldIdenticalAndSpreadsheetsReadTheSameCells)
{
    constexpr int Records = 20000;
    test::AddSampleRecords(*source, Records, true);
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Shift-JIS");
        TExportOptions options;
        options.Items = roundTripItems();
        options.Encoding = utf8 ? TTextEncoding::Utf8 : TTextEncoding::ShiftJis;
        const QString first = dir.path() + (utf8 ? "/first-utf8.csv" : "/first-sjis.csv");
        const TExportOutcome written = exportBook(*source, options, first);
        ASSERT_TRUE(written.Failure.isEmpty());
        EXPECT_EQ(written.Written, Records);
        // Shift-JIS has no 𠮷: it is written as "?" and named, once.
        EXPECT_EQ(written.Unmappable, utf8 ? QString() : QStringLiteral("𠮷"));

        // Into an empty book and out again: the same bytes.
        QFile::remove(dir.path() + "/b/Adrs.DB");
        auto target = test::OpenBookTable(dir.path() + "/b/");
        const QByteArray bytes = test::readFile(first);
        TCsvReader reader(DecodeImportText(bytes, DetectTextEncoding(bytes)), QLatin1Char(','));
        const TImportOutcome imported = ImportRows(*target, reader, TImportConverter(options.Items, 0), true, MaxAdrsRecords, {});
        ASSERT_TRUE(imported.Failure.isEmpty());
        EXPECT_EQ(imported.Added, Records);
        EXPECT_EQ(imported.RejectedCount(), 0);
        const QString second = dir.path() + "/second.csv";
        ASSERT_TRUE(exportBook(*target, options, second).Failure.isEmpty());
        EXPECT_TRUE(test::readFile(second) == bytes);

        // Field by field, for the fields an item holds whole.
        if (utf8) {
            QStringList fields{"Group", "CustomCode", "Tel", "TelDiv", "Fax", "Portable1", "Pos", "Tdfkn", "AdrsKana",
                               "PrivCorp", "CorpKanji", "CorpKana", "Dptmnt", "Post", "NameKanji", "NameKana", "URL",
                               "EMail1", "Joint1", "Keyword1", "Keyword8", "Note", "SymbolMark", "SymbolColor", "AddDateTime"};
            std::vector<QVariantList> a, b;
            source->Scan(fields, true, [&](const QVariantList &v) { a.push_back(v); });
            target->Scan(fields, true, [&](const QVariantList &v) { b.push_back(v); });
            ASSERT_EQ(a.size(), b.size());
            for (size_t i = 0; i < a.size(); i += 997)
                EXPECT_EQ(a[i], b[i]) << "row " << i;
        }

        // Python's csv module, Excel dialect, after decoding: the same cells as the list shows.
        const QString script = QStringLiteral(
            "import csv, json, sys\n"
            "data = open(sys.argv[1], 'rb').read()\n"
            "text = data.decode('utf-8-sig') if sys.argv[2] == 'utf8' else data.decode('cp932')\n"
            "rows = list(csv.reader(text.splitlines(keepends=True), dialect='excel'))\n"
            "json.dump([rows[0], rows[1], rows[2], rows[8], len(rows)], sys.stdout)\n");
        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, first, utf8 ? "utf8" : "sjis"});
        ASSERT_TRUE(python.waitForFinished(60000));
        const QJsonArray read = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        ASSERT_EQ(read.size(), 5) << python.readAllStandardError().toStdString();
        EXPECT_EQ(read[4].toInt(), Records + 1);
        QStringList captions;
        for (const int item : options.Items)
            captions << TextItemCaption(item);
        EXPECT_EQ(read[0].toVariant().toStringList(), captions);
        source->SetIndexName(QString());
        for (const int row : {1, 2, 8}) {
            ASSERT_TRUE(source->FindKey({row}));
            QStringList cells;
            TListCells listCells(*source, noCategories);
            for (const int item : options.Items) {
                QString cell = listCells.Text(item, row - 1);
                if (!utf8)
                    cell = Sjis::decode(Sjis::encode(cell));
                cells << cell;
            }
            EXPECT_EQ(read[row == 8 ? 3 : row].toVariant().toStringList(), cells) << "row " << row;
        }
    }
}

TEST_F(TextExportTest, TabsHeaderlessAndAFileThatCannotBeWrittenLeavesTheOldOne)
{
    test::AddSampleRecords(*source, 3, false);
    TExportOptions options;
    options.Items = {2, 12};
    options.Header = false;
    options.Separator = '\t';
    const QString file = dir.path() + "/out.txt";
    ASSERT_TRUE(exportBook(*source, options, file).Failure.isEmpty());
    const QString text = Sjis::decode(test::readFile(file));
    EXPECT_EQ(text.split(QStringLiteral("\r\n"))[0], QStringLiteral("C0\t\"株式会社\"\"山田\"\"商事 0\""));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 3);
    // A folder that is not there: a failure, and nothing written.
    const TExportOutcome failed = exportBook(*source, options, dir.path() + "/missing/out.txt");
    EXPECT_FALSE(failed.Failure.isEmpty());
    EXPECT_EQ(failed.Written, 0);
    // A stop: the file stays as it was.
    const QByteArray before = test::readFile(file);
    const TExportOutcome stopped = ExportRows(*source, allRows(*source), options, noCategories, file,
                                              [](int, int) { return false; });
    if (stopped.Stopped) {
        EXPECT_EQ(test::readFile(file), before);
    }
}

// An export is the user's file at a place they chose, not the program's own: new, it gets what the umask gives
// as any program's file does; written over the user's file, that file's mode.
TEST_F(TextExportTest, AnExportIsTheUsersFileWithTheModeTheUmaskOrTheOldFileGives)
{
    const test::UsualUmask umask;
    test::AddSampleRecords(*source, 2, false);
    TExportOptions options;
    options.Items = {2, 12};
    const QString file = dir.path() + "/得意先 鷗外.csv";
    ASSERT_TRUE(exportBook(*source, options, file).Failure.isEmpty());
    EXPECT_EQ(test::modeOf(file), 0644u);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    ASSERT_TRUE(exportBook(*source, options, file).Failure.isEmpty());
    EXPECT_EQ(test::modeOf(file), 0640u);
}

TEST_F(TextExportTest, LinesFollowTheListOrderWhetherTheBookIsWalkedOrLookedUp)
{
    test::AddSampleRecords(*source, 20, false);
    const std::vector<std::pair<int, int32_t>> all = allRows(*source);
    TExportOptions options;
    options.Items = {0, 2, 12};
    options.Header = false;
    // The lines a list in this order shows, made record by record.
    auto expected = [&](const std::vector<std::pair<int, int32_t>> &listed) {
        QByteArray text;
        TListCells cells(*source, noCategories);
        for (const auto &[index, recNo] : listed) {
            if (!source->FindKey({recNo}))
                continue;
            QString line;
            for (const int item : options.Items)
                line += (line.isEmpty() && item == options.Items.front() ? QString() : QStringLiteral(","))
                    + CsvField(cells.Text(item, index));
            text += Sjis::encode(line + QStringLiteral("\r\n"));
        }
        return text;
    };
    const QString file = dir.path() + "/order.csv";
    // The whole book backwards, with a record deleted since the list was made: one walk over the book.
    std::vector<std::pair<int, int32_t>> backwards;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        backwards.emplace_back(static_cast<int>(backwards.size()), it->second);
        if (backwards.size() == 5)
            backwards.emplace_back(static_cast<int>(backwards.size()), 99999);
    }
    TExportOutcome outcome = ExportRows(*source, backwards, options, noCategories, file, {});
    EXPECT_EQ(outcome.Written, 20);
    EXPECT_EQ(test::readFile(file), expected(backwards));
    // Two rows of twenty, out of the book's order: read by their keys.
    const std::vector<std::pair<int, int32_t>> two = {{0, all[17].second}, {1, all[3].second}};
    outcome = ExportRows(*source, two, options, noCategories, file, {});
    EXPECT_EQ(outcome.Written, 2);
    EXPECT_EQ(test::readFile(file), expected(two));
    EXPECT_TRUE(test::readFile(file).startsWith("1,"));
}
