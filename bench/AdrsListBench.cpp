// The main list on a 100,000-record address book: opening it to the first painted screen, re-sorting by
// every sort order, filtering, switching groups and showing duplicates, each beside a raw ordered scan of the same file
// in the same run (the least any listing must read: the record numbers in index order, or the key columns of
// the duplicate display).
// Usage: bench_adrslist [records]   (default 100000; runs on the offscreen platform)
#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "mainlist/AdrsList.h"
#include "mainlist/AdrsListSettings.h"
#include "mainlist/NarrowDown.h"
#include "widgets/UniSortListView.h"

#include "BenchSupport.h"

#include <QApplication>

#include <cstdio>

namespace {

// Shows the list's first screen: everything the user waits for after a change.
void paint(TAddressList &list)
{
    list.lvAddress->viewport()->grab();
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    SampleBook book("Book", records);
    TDMMirvale18 &dm = book.dm;

    TSqliteDatabase raw;
    raw.Open(dm.AdrsTable->FileName(), TablePassword, false);
    raw.Exec("PRAGMA cache_size = -32768");
    auto rawScan = [&](const QString &indexName, bool ascending, const QByteArray &columns = "rowid, \"Group\"") {
        QElapsedTimer t;
        t.start();
        QByteArray order = "rowid";
        for (const TIndexDef &ix : AdrsTableSchema().Indexes)
            if (ix.Name == indexName && !indexName.isEmpty())
                order = rawOrderBy(ix);
        if (!ascending)
            order.replace(",", " DESC,").append(" DESC");
        TSqliteStatement scan(raw, "SELECT " + columns + " FROM \"Adrs\" ORDER BY " + order);
        qint64 sum = 0;
        while (scan.Step())
            for (int c = 0; c < scan.ColumnCount(); ++c)
                sum += scan.ColumnType(c) == SQLITE_TEXT ? scan.ColumnText(c).size() : scan.ColumnInt(c);
        return sum >= 0 ? seconds(t) : 0.0;
    };

    printHeader("main list", "raw ordered scan");
    QElapsedTimer timer;
    timer.start();
    TAddressList list;
    list.resize(1000, 700);
    list.show();
    list.RefreshList(true, true, false);
    list.SelectItem(0, false, false);
    paint(list);
    print({"open the book to the first screen", seconds(timer), rawScan(QString(), true), list.GetRecordCount()});

    for (int sortType = 0; sortType < SortTypeCount; ++sortType) {
        list.SortType = sortType;
        timer.restart();
        list.RefreshList(false, true, false);
        paint(list);
        const QByteArray what = "sort by " + SortTypeTable()[sortType].Caption.toUtf8();
        print({what.constData(), seconds(timer), rawScan(SortTypeTable()[sortType].IndexName, true),
               list.GetRecordCount()});
    }
    list.SortType = 0;
    list.SortDir = false;
    timer.restart();
    list.RefreshList(false, true, false);
    paint(list);
    print({"registration order, descending", seconds(timer), rawScan(QString(), false), list.GetRecordCount()});
    list.SortDir = true;

    // Filters: a text condition (company names containing a text) and a category, each beside the raw
    // statement that selects the same rows.
    auto rawWhere = [&](const QByteArray &where, const QVariant &value) {
        QElapsedTimer t;
        t.start();
        TSqliteStatement scan(raw, "SELECT rowid, \"Group\" FROM \"Adrs\" WHERE " + where + " ORDER BY rowid");
        if (value.typeId() == QMetaType::QByteArray)
            scan.BindText(1, value.toByteArray());
        else
            scan.BindInt(1, value.toLongLong());
        int n = 0;
        while (scan.Step())
            ++n;
        return std::make_pair(seconds(t), n);
    };
    TNarrowDownItem text;
    text.Item = 9;  // the company name
    text.ValueKind = vkText;
    text.Text = Sjis::encode(QStringLiteral("サンプル1"));
    text.MatchMode = mmContains;
    list.Filter.Conditions = {text};
    timer.restart();
    list.RefreshList(false, true, false);
    paint(list);
    {
        const auto [rawTime, rawRows] = rawWhere("instr(CAST(\"CorpKanji\" AS BLOB), CAST(? AS BLOB)) > 0", text.Text);
        print({"filter: company name contains a text", seconds(timer), rawTime, list.GetRecordCount()});
        if (rawRows != list.GetRecordCount())
            std::printf("mismatch: raw %d rows\n", rawRows);
    }
    TNarrowDownItem category;
    category.Item = fiCategory;
    category.ValueKind = vkChoice;
    category.Choice = 5 * 100;  // main category 5, any sub category
    list.Filter.Conditions = {category};
    timer.restart();
    list.RefreshList(false, true, false);
    paint(list);
    {
        const auto [rawTime, rawRows] = rawWhere("\"CodeMain\" = ?", qint64(5));
        print({"filter: one main category", seconds(timer), rawTime, list.GetRecordCount()});
        if (rawRows != list.GetRecordCount())
            std::printf("mismatch: raw %d rows\n", rawRows);
    }
    list.Filter = TNarrowDownCondition();

    list.ViewGroup = 4;
    timer.restart();
    list.RefreshList(false, true, false);
    paint(list);
    print({"switch to group 3", seconds(timer), rawScan(QString(), true), list.GetRecordCount()});
    list.ViewGroup = 0;

    for (int item = 1; item <= 4; ++item) {
        list.DuplicateItem1 = item;
        timer.restart();
        list.RefreshList(false, true, false);
        paint(list);
        const QByteArray what = "duplicates by item " + QByteArray::number(item);
        // The duplicate display reads the key columns of every record.
        print({what.constData(), seconds(timer),
               rawScan(QString(), true,
                       "rowid, \"Group\", \"Tel\", \"Tdfkn\", \"Adrs1\", \"Adrs2\", \"Adrs3\", \"CorpKanji\", "
                       "\"NameKanji\""),
               list.GetRecordCount()});
    }
    DMMirvale18 = nullptr;
    return 0;
}
