// Writes the default shared tables of the program folder's Category/: the business categories (main and
// sub) from a text list, and the search names with their target and exclusion names from another.
// Usage: mkcategory <categories.txt> <output folder/> <searchnames.txt>
#include "base/SjisCodec.h"
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "SearchNames.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

namespace {

[[noreturn]] void fail(const QString &why)
{
    std::fprintf(stderr, "mkcategory: %s\n", qPrintable(why));
    std::exit(1);
}

void makeTable(TTable &table, const QString &folder, const QString &file, const TTableSchema &schema)
{
    table.DatabaseName = folder;
    table.TableName = file;
    table.Schema = schema;
    QFile::remove(table.FileName());
    table.CreateTable();
    table.Open();
}

QByteArray fitted(const QString &name, int size)
{
    QString lost;
    const QByteArray bytes = Sjis::encode(name, &lost);
    if (!lost.isEmpty() || bytes.size() > size)
        fail(QStringLiteral("name does not fit its field: ") + name);
    return bytes;
}

// A search name's target or exclusion names: one row each, chosen (Show) from the start.
void writeNames(TTable &table, int &recNo, const QStringList &names, const QByteArray &searchName,
                const QByteArray &reading)
{
    for (const QString &name : names) {
        table.Append();
        table.FieldByName("RecNo").SetAsInteger(recNo++);
        table.FieldByName("Name").SetAsString(fitted(name, 60));
        table.FieldByName("Category").SetAsString(searchName);
        table.FieldByName("CategoryKana").SetAsString(reading);
        table.FieldByName("Show").SetAsBoolean(true);
        table.Post();
    }
}

// "Category.DB" from the search-name list, and the target and exclusion names of each search name into
// "Target.DB" and "Exception.DB".
void writeSearchNames(const QString &path, TTable &category, TTable &target, TTable &exception)
{
    QList<TSearchName> searchNames;
    try {
        searchNames = ReadSearchNames(path);
    } catch (const std::runtime_error &e) {
        fail(QString::fromStdString(e.what()));
    }
    category.StartTransaction();
    target.StartTransaction();
    exception.StartTransaction();
    int names = 0, targets = 0, exclusions = 0;
    for (const TSearchName &s : searchNames) {
        const QByteArray name = fitted(s.name, 50), reading = fitted(s.reading, 30);
        // The search-name list files a name under the kana its reading starts with, "ｱ" to "ﾜ".
        const auto first = static_cast<unsigned char>(reading.at(0));
        if (first < 0xB1 || first > 0xDC)
            fail(QStringLiteral("the reading of %1 does not start with ｱ to ﾜ").arg(s.name));
        category.Append();
        category.FieldByName("RecNo").SetAsInteger(names++);
        category.FieldByName("Original").SetAsBoolean(false);
        category.FieldByName("Kana").SetAsString(reading);
        category.FieldByName("Kanji").SetAsString(name);
        category.Post();
        writeNames(target, targets, s.targets, name, reading);
        writeNames(exception, exclusions, s.exclusions, name, reading);
    }
    category.Commit();
    target.Commit();
    exception.Commit();
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 4)
        fail(QStringLiteral("usage: mkcategory <categories.txt> <output folder/> <searchnames.txt>"));
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(QStringLiteral("cannot read ") + list.fileName());
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);
    Session().AddPassword(TablePassword);

    try {
        TTable mains, subs;
        makeTable(mains, folder, QStringLiteral("OxaCatm.DB"), OxaCatmTableSchema());
        makeTable(subs, folder, QStringLiteral("OxaCats.DB"), OxaCatsTableSchema());
        mains.StartTransaction();
        subs.StartTransaction();
        static const QRegularExpression line(QStringLiteral("^(\\s*)(\\d{2})\\s+(\\S.*)$"));
        int main = 0, lineNo = 0;
        QTextStream in(&list);
        while (!in.atEnd()) {
            const QString text = in.readLine();
            ++lineNo;
            if (text.trimmed().isEmpty() || text.startsWith('#'))
                continue;
            const auto m = line.match(text);
            if (!m.hasMatch())
                fail(QStringLiteral("line %1 is not a category").arg(lineNo));
            const int number = m.captured(2).toInt();
            const QByteArray name = fitted(m.captured(3).trimmed(), 100);
            if (m.captured(1).isEmpty()) {
                main = number;
                mains.Append();
                mains.FieldByName("CatNo").SetAsInteger(main);
                mains.FieldByName("Name").SetAsString(name);
                mains.FieldByName("Show").SetAsBoolean(true);
                mains.Post();
            } else {
                if (main == 0)
                    fail(QStringLiteral("line %1: a sub category before any main category").arg(lineNo));
                subs.Append();
                subs.FieldByName("CatNo").SetAsInteger(main * 100 + number);
                subs.FieldByName("CatMainNo").SetAsInteger(main);
                subs.FieldByName("Name").SetAsString(name);
                subs.FieldByName("Show").SetAsBoolean(true);
                subs.Post();
            }
        }
        mains.Commit();
        subs.Commit();

        TTable category, target, exception;
        makeTable(category, folder, QStringLiteral("Category.DB"), CategoryTableSchema());
        makeTable(target, folder, QStringLiteral("Target.DB"), TargetTableSchema());
        makeTable(exception, folder, QStringLiteral("Exception.DB"), TargetTableSchema());
        writeSearchNames(QString::fromLocal8Bit(argv[3]), category, target, exception);
    } catch (const EDatabaseError &e) {
        fail(e.Message);
    }
    return 0;
}
