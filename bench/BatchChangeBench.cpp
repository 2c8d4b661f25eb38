// The batch change over every record of a 100,000-record address book, run from the dialog as the user starts it
// (one transaction, progress shown, events processed), beside raw SQLCipher statements doing the same work on
// the same file in the same run: read each selected record by its number and update the changed fields.
// Usage: bench_batchchange [records]   (default 100000; runs on the offscreen platform)
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "mainlist/AdrsList.h"
#include "platform/MessageBox.h"
#include "records/BatchChg.h"
#include "widgets/UniSortListView.h"
#include "widgets/UniStdCtrls.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

#include <cstdio>

namespace {

// The raw work of one run: per record, read the record by its number (every column, as the run compares the
// fields it changes) and, when asked, write the new values and the update time; all in one transaction.
double rawRun(TSqliteDatabase &raw, const std::vector<int32_t> &recNos, const QByteArray &keyword, bool write)
{
    QElapsedTimer timer;
    timer.start();
    raw.Exec("BEGIN IMMEDIATE");
    {
        TSqliteStatement get(raw, "SELECT * FROM \"Adrs\" WHERE \"RecNo\" = ?");
        TSqliteStatement update(
            raw, "UPDATE \"Adrs\" SET \"Group\" = ?, \"Keyword1\" = ?, \"UpdDateTime\" = ? WHERE \"RecNo\" = ?");
        qint64 sum = 0;
        for (int32_t recNo : recNos) {
            get.Reset();
            get.BindInt(1, recNo);
            if (get.Step())
                for (int c = 0; c < get.ColumnCount(); ++c)
                    sum += get.ColumnType(c) == SQLITE_TEXT ? get.ColumnText(c).size() : get.ColumnInt(c);
            if (!write)
                continue;
            update.Reset();
            update.BindInt(1, 3);
            update.BindText(2, keyword);
            update.BindDouble(3, 46100.0);
            update.BindInt(4, recNo);
            update.Step();
        }
        if (sum < 0)
            std::puts("");
    }
    raw.Exec("COMMIT");
    return seconds(timer);
}

// One run of the dialog over the selected records: group 3 and keyword 1 set.
double dialogRun(TAddressList &list, const QString &keyword)
{
    QElapsedTimer timer;
    timer.start();
    TBatchChange dialog(&list);
    dialog.chkGroup->setChecked(true);
    dialog.cbxGroup->setCurrentIndex(3);
    dialog.chkKeyword[0]->setChecked(true);
    dialog.edtKeyword[0]->setText(keyword);
    dialog.btnStart->click();
    if (dialog.result() != QDialog::Accepted)
        std::puts("the run did not complete");
    return seconds(timer);
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    SetMessageBoxHandler([](const TMessageBoxRequest &) { return IDYES; });
    SampleBook book("Book", records);
    TDMMirvale18 &dm = book.dm;

    TAddressList list;
    list.RefreshList(true, true, false);
    list.lvAddress->selectAll();
    std::vector<int32_t> recNos;
    for (int i = 0; i < list.GetRecordCount(); ++i)
        if (list.IsSelected(i))
            recNos.push_back(list.GetRecNoAt(i));
    if (static_cast<int>(recNos.size()) != records)
        std::fprintf(stderr, "only %zu of %d records are selected\n", recNos.size(), records);

    TSqliteDatabase raw;
    raw.Open(dm.AdrsTable->FileName(), TablePassword, false);

    printHeader("batch change", "raw SQLCipher");
    // Each side writes values the records do not hold yet, so both change every record.
    const double oursChange = dialogRun(list, QStringLiteral("batch"));
    print({"change group and keyword 1", oursChange, rawRun(raw, recNos, "raw", true), int(recNos.size())});
    // Now every record holds the values already: the run only reads and compares.
    rawRun(raw, recNos, "batch", true);
    const double oursSame = dialogRun(list, QStringLiteral("batch"));
    print({"values already held (no write)", oursSame, rawRun(raw, recNos, "batch", false),
           int(recNos.size())});
    DMMirvale18 = nullptr;
    return 0;
}
