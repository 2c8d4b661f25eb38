// Makes an address book of sample records, for end-to-end tests of large books.
// Usage: e2e_make_book <book folder/> <records>
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    Session().AddPassword(TablePassword);
    TTable table;
    table.DatabaseName = QString::fromLocal8Bit(argv[1]);
    table.TableName = QStringLiteral("Adrs.DB");
    table.Schema = AdrsTableSchema();
    QDir().mkpath(table.DatabaseName);
    try {
        table.CreateTable();
        table.Open();
        fillBook(table, std::atoi(argv[2]));
    } catch (const EDatabaseError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
