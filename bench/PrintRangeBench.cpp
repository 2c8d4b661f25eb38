// The print wizard's record list on a 100,000-record address book: every range and limit the wizard offers,
// each beside the raw statement that reads the same marks from the same file in the same run.
// Usage: bench_printrange [records]   (default 100000; runs on the offscreen platform)
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "designers/PrintRange.h"
#include "mainlist/AdrsList.h"
#include "widgets/UniSortListView.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QItemSelectionModel>

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    SampleBook book("Book", records);
    TDMMirvale18 &dm = book.dm;
    TSqliteDatabase raw;
    raw.Open(dm.AdrsTable->FileName(), TablePassword, false);
    // A third marked "印刷", a third "除外".
    raw.Exec("UPDATE \"Adrs\" SET \"PrintTarget\" = rowid % 3");
    raw.Exec("PRAGMA cache_size = -32768");

    TAddressList list;
    list.resize(1000, 700);
    list.RefreshList(true, true, false);
    // The first half of the rows selected, as a shift-click selects them.
    QAbstractItemModel *model = list.lvAddress->model();
    list.lvAddress->selectionModel()->select(
        QItemSelection(model->index(0, 0), model->index(list.GetRecordCount() / 2 - 1, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const TAddressListRows rows(list, *dm.AdrsTable);

    const auto rawMarks = [&] {
        QElapsedTimer t;
        t.start();
        TSqliteStatement scan(raw, "SELECT rowid, \"PrintTarget\" FROM \"Adrs\"");
        QHash<int32_t, int32_t> marks;
        while (scan.Step())
            marks.insert(scan.ColumnInt(0), scan.ColumnInt(1));
        return marks.size() >= 0 ? seconds(t) : 0.0;
    };

    printHeader("record list", "raw marks read");
    struct Case {
        const char *what;
        int range, limit;
    };
    for (const Case c : {Case{"all rows, no limit", rcAll, lcNone}, Case{"all rows, printed only", rcAll, lcPrintOnly},
                         Case{"all rows, excluded left out", rcAll, lcExceptExcluded},
                         Case{"selected rows, printed only", rcSelected, lcPrintOnly},
                         Case{"rows 1000 to 90000, printed only", rcNumbers, lcPrintOnly}}) {
        size_t count = 0;
        const double ours = perRun([&] {
            count = BuildRecordList(rows, c.range, c.limit, 1000, 90000).size();
        });
        print({c.what, ours, c.limit == lcNone ? 0.0 : perRun(rawMarks), int(count)});
    }
    return 0;
}
