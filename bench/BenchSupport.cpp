#include "BenchSupport.h"

#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "db/Table.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>

QByteArray Sample::kana(int length)
{
    static const QString syllables = QStringLiteral("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜ");
    QString s;
    for (int i = 0; i < length; ++i)
        s += syllables[rng() % syllables.size()];
    return Sjis::encode(s);
}

QByteArray Sample::digits(int length)
{
    QByteArray s("0");
    while (s.size() < length)
        s += char('0' + rng() % 10);
    return s;
}

QByteArray WideCsv(int rows, int columns)
{
    QByteArray text;
    for (int r = 0; r < rows; ++r) {
        QByteArrayList fields;
        for (int c = 0; c < columns; ++c)
            fields << QByteArray::number(r * 1000 + c);
        text += fields.join(',') + "\r\n";
    }
    return text;
}

double seconds(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e9; }

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    return 0;
}

void fill(TTable &t, Sample &s, int i)
{
    t.FieldByName("Group").SetAsInteger(s.between(0, 10));
    t.FieldByName("CustomCode").SetAsString(QByteArray::number(i));
    t.FieldByName("Tel").SetAsString(s.digits(10));
    t.FieldByName("Fax").SetAsString(s.digits(10));
    t.FieldByName("Portable1").SetAsString(s.digits(11));
    t.FieldByName("Pos").SetAsString(s.digits(7).mid(1));
    t.FieldByName("Tdfkn").SetAsString(Sjis::encode(QStringLiteral("東京都")));
    t.FieldByName("Adrs1").SetAsString(Sjis::encode(QStringLiteral("千代田区")));
    t.FieldByName("Adrs2").SetAsString(Sjis::encode(QStringLiteral("丸の内%1丁目").arg(s.between(1, 9))));
    t.FieldByName("JisCode").SetAsString(QByteArray::number(s.between(1100, 47382)).rightJustified(5, '0'));
    t.FieldByName("CorpKanji").SetAsString(Sjis::encode(QStringLiteral("株式会社サンプル%1").arg(i)));
    t.FieldByName("CorpKana").SetAsString(s.kana(12));
    t.FieldByName("NameKanji").SetAsString(Sjis::encode(QStringLiteral("山田太郎")));
    t.FieldByName("NameKana").SetAsString(s.kana(8));
    for (int k = 1; k <= 8; ++k)
        t.FieldByName(QStringLiteral("Keyword%1").arg(k)).SetAsString(s.kana(s.between(0, 6)));
    t.FieldByName("Note").SetAsString(Sjis::encode(QStringLiteral("備考の一行目\r\n二行目")));
    t.FieldByName("AddDateTime").SetAsDateTime(46000.5 + i / 1000.0);
    t.FieldByName("CodeMain").SetAsInteger(s.between(1, 23));
    t.FieldByName("CodeSub").SetAsInteger(s.between(1, 20));
}

void fillBook(TTable &t, int count)
{
    Sample sample;
    t.StartTransaction();
    for (int i = 1; i <= count; ++i) {
        t.Append();
        fill(t, sample, i);
        t.Post();
    }
    t.Commit();
}

SampleBook::SampleBook(const QString &name, int records)
{
    DataFolder = DataRootFolder = dir.path() + "/";
    AdrsFolder = dir.path() + "/Adrs/";
    OtherFolder = dir.path() + "/Other/";
    CategoryFolder = dir.path() + "/Category/";
    for (const QString &f : {AdrsFolder + name, OtherFolder, CategoryFolder})
        QDir().mkpath(f);
    DMMirvale18 = &dm;
    dm.CreateAdrsTableObject(name);
    dm.OpenAdrsTable();
    dm.CreateSenderTableObject();
    dm.CreateSharedTableObjects();
    fillBook(*dm.AdrsTable, records);
}

void printHeader(const char *ours, const char *raw)
{
    std::printf("| work | rows | %s | %s | ratio |\n|---|---:|---:|---:|---:|\n", ours, raw);
}

void print(const Row &r)
{
    std::printf("| %-34s | %8d | %9.1f ms | %9.1f ms | %5.2f |\n", r.what, r.count, r.ours * 1000, r.raw * 1000,
                r.raw > 0 ? r.ours / r.raw : 0.0);
    std::fflush(stdout);
}


// The ORDER BY of an index as raw SQL.
QByteArray rawOrderBy(const TIndexDef &ix)
{
    QByteArray s;
    for (const QString &f : ix.Fields.split(';')) {
        s += '"' + f.toUtf8() + '"';
        if (ix.Options & ixCaseInsensitive)
            s += " COLLATE SJISNOCASE";
        s += ", ";
    }
    return s + "rowid";
}

void UseOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString CopyOfFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &f : QDir(from).entryList(QDir::Files))
        QFile::copy(from + "/" + f, to + "/" + f);
    return QDir(to).absolutePath() + "/";
}
