// The table engine on a 100,000-record address book: appends, the ordered read of every index, key look-ups
// and updates, each beside the same work done with raw SQLCipher statements on the same file.
// Usage: bench_table [records]   (default 100000)
#include "base/SjisCodec.h"
#include "db/Collation.h"
#include "db/Session.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

// Reads every column of the row a raw statement stands on, as a look-up of a whole record does.
qint64 readRow(const TSqliteStatement &st)
{
    qint64 sum = 0;
    for (int c = 0; c < st.ColumnCount(); ++c)
        sum += st.ColumnType(c) == SQLITE_TEXT ? st.ColumnText(c).size() : st.ColumnInt(c);
    return sum;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    Session().AddPassword(TablePassword);
    Sample sample;

    printHeader("TTable", "raw SQLCipher");

    TTable t;
    t.DatabaseName = dir.path() + "/";
    t.TableName = "Adrs.DB";
    t.Schema = AdrsTableSchema();
    t.CreateTable();
    QFile::copy(t.FileName(), dir.path() + "/Raw.DB");
    t.Open();

    QElapsedTimer timer;
    timer.start();
    t.StartTransaction();
    for (int i = 1; i <= records; ++i) {
        t.Append();
        fill(t, sample, i);
        t.Post();
    }
    t.Commit();
    const double oursAppend = seconds(timer);

    // The same rows appended with one prepared INSERT into a copy of the empty table.
    // The raw connections get the same page cache as the engine's, so only the engine's own work differs.
    TSqliteDatabase raw;
    raw.Open(dir.path() + "/Raw.DB", TablePassword, false);
    raw.Exec("PRAGMA cache_size = -32768");
    {
        Sample again;
        QByteArrayList names;
        for (int c = 1; c < t.FieldCount(); ++c)
            names << '"' + t.FieldDef(c).Name.toUtf8() + '"';
        QByteArray marks;
        for (int c = 1; c < t.FieldCount(); ++c)
            marks += c > 1 ? ",?" : "?";
        // The values come from the same generator through a scratch row of our table, so both sides write
        // identical data; only the inserts are timed.
        std::vector<QVariantList> rows;
        rows.reserve(records);
        t.SetIndexName(QString());
        for (t.First(); !t.Eof(); t.Next()) {
            QVariantList v;
            for (int c = 1; c < t.FieldCount(); ++c) {
                const TFieldDef &f = t.FieldDef(c);
                TField &field = t.FieldByName(f.Name);
                if (f.Type == TFieldType::String || f.Type == TFieldType::Memo)
                    v << field.AsString();
                else if (f.Type == TFieldType::DateTime)
                    v << field.AsDateTime();
                else
                    v << qint64(field.AsInteger());
            }
            rows.push_back(std::move(v));
        }
        timer.restart();
        raw.Exec("BEGIN");
        TSqliteStatement insert(raw, "INSERT INTO \"Adrs\" (" + names.join(',') + ") VALUES (" + marks + ")");
        for (const QVariantList &v : rows) {
            insert.Reset();
            for (int i = 0; i < v.size(); ++i) {
                if (v[i].typeId() == QMetaType::QByteArray)
                    insert.BindText(i + 1, v[i].toByteArray());
                else if (v[i].typeId() == QMetaType::Double)
                    insert.BindDouble(i + 1, v[i].toDouble());
                else
                    insert.BindInt(i + 1, v[i].toLongLong());
            }
            insert.Step();
        }
        raw.Exec("COMMIT");
    }
    print({"append (one transaction)", oursAppend, seconds(timer), records});
    raw.Close();
    raw.Open(t.FileName(), TablePassword, false);
    raw.Exec("PRAGMA cache_size = -32768");

    // Ordered reads: every row of every index, reading the record number and one text column. Each side is
    // read three times, taking turns, and its fastest read counts, so a busy machine disturbs the ratio less.
    for (const TIndexDef &ix : AdrsTableSchema().Indexes) {
        double ours = 1e9, rawTime = 1e9;
        qint64 sum = 0, rawSum = 0, all = 0;
        int n = 0;
        for (int round = 0; round < 3; ++round) {
            timer.restart();
            t.SetIndexName(ix.Name);
            sum = 0;
            n = 0;
            for (t.First(); !t.Eof(); t.Next()) {
                sum += t.FieldByName("RecNo").AsInteger() + t.FieldByName("CorpKana").AsString().size();
                ++n;
            }
            ours = std::min(ours, seconds(timer));
            timer.restart();
            TSqliteStatement scan(raw, "SELECT * FROM \"Adrs\" ORDER BY " + rawOrderBy(ix));
            rawSum = all = 0;
            while (scan.Step()) {
                rawSum += scan.ColumnInt(0) + scan.ColumnText(20).size();
                all += readRow(scan);
            }
            rawTime = std::min(rawTime, seconds(timer));
        }
        const QByteArray label = "ordered read, index " + (ix.Name.isEmpty() ? QByteArray("(primary)") : ix.Name.toUtf8());
        if (sum != rawSum || all == 0)
            std::printf("mismatch on %s\n", label.constData());
        print({label.constData(), ours, rawTime, n});
    }

    // Key look-ups on the primary key and on the telephone index.
    const int lookups = std::min(records, 10000);
    std::vector<int> keys(lookups);
    for (int &k : keys)
        k = sample.between(1, records);
    timer.restart();
    t.SetIndexName(QString());
    for (int k : keys)
        t.FindKey({k});
    const double oursKey = seconds(timer);
    timer.restart();
    {
        TSqliteStatement get(raw, "SELECT * FROM \"Adrs\" WHERE rowid = ?");
        for (int k : keys) {
            get.Reset();
            get.BindInt(1, k);
            if (get.Step())
                readRow(get);
        }
    }
    print({"key look-up, primary", oursKey, seconds(timer), lookups});

    std::vector<QByteArray> tels;
    for (int k : keys) {
        t.FindKey({k});
        tels.push_back(t.FieldByName("Tel").AsString());
    }
    timer.restart();
    t.SetIndexName("Tel");
    for (const QByteArray &tel : tels)
        t.FindKey({tel});
    const double oursTel = seconds(timer);
    timer.restart();
    {
        TSqliteStatement get(raw, "SELECT * FROM \"Adrs\" WHERE \"Tel\" = ? ORDER BY \"Tel\", rowid LIMIT 1");
        for (const QByteArray &tel : tels) {
            get.Reset();
            get.BindText(1, tel);
            if (get.Step())
                readRow(get);
        }
    }
    print({"key look-up, index Tel", oursTel, seconds(timer), lookups});

    // Updates, each its own transaction as the record form writes them.
    const int updates = std::min(records, 1000);
    t.SetIndexName(QString());
    timer.restart();
    for (int i = 0; i < updates; ++i) {
        t.FindKey({keys[i]});
        t.Edit();
        t.FieldByName("Dptmnt").SetAsString(sample.kana(10));
        t.FieldByName("UpdDateTime").SetAsDateTime(46100.0 + i);
        t.Post();
    }
    const double oursUpdate = seconds(timer);
    timer.restart();
    {
        TSqliteStatement get(raw, "SELECT * FROM \"Adrs\" WHERE rowid = ?");
        TSqliteStatement update(raw, "UPDATE \"Adrs\" SET \"Dptmnt\" = ?, \"UpdDateTime\" = ? WHERE rowid = ?");
        for (int i = 0; i < updates; ++i) {
            // Find and read the record, then write the changed fields, as the record form does.
            get.Reset();
            get.BindInt(1, keys[i]);
            if (get.Step())
                readRow(get);
            get.Reset();
            update.Reset();
            update.BindText(1, sample.kana(10));
            update.BindDouble(2, 46200.0 + i);
            update.BindInt(3, keys[i]);
            update.Step();
        }
    }
    print({"update (a transaction each)", oursUpdate, seconds(timer), updates});
    return 0;
}
