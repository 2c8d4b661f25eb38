// Prints the number of rows of a table file, or one field of every row (a line each, in the table's order), for
// end-to-end tests that check what the program stored. Usage: e2e_table_rows <folder/> <file> [field]
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4)
        return 2;
    Session().AddPassword(TablePassword);
    TTable table;
    table.DatabaseName = QString::fromLocal8Bit(argv[1]);
    table.TableName = QString::fromLocal8Bit(argv[2]);
    try {
        table.Open();
        if (argc == 4) {
            const QString field = QString::fromLocal8Bit(argv[3]);
            for (table.First(); !table.Eof(); table.Next())
                std::printf("%s\n", table.FieldByName(field).AsString().constData());
        } else
            std::printf("%d\n", table.RecordCount());
    } catch (const EDatabaseError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
