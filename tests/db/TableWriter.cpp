// Writes rows into a table, one transaction each, printing the count after every commit; used by the tests
// that kill a writer, fill its disk or run it as a user who cannot write its folder; a failure's message goes to
// stderr. Usage: tst_db_writer <folder/> <file-size-limit-bytes or 0>
#include "db/Session.h"
#include "db/Table.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const long limit = std::atol(argv[2]);
    if (limit > 0) {
        // A full disk: writes past the limit fail with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit r{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        setrlimit(RLIMIT_FSIZE, &r);
    }
    Session().AddPassword("wendraq63");
    TTable table;
    table.DatabaseName = QString::fromLocal8Bit(argv[1]);
    table.TableName = QStringLiteral("Crash.DB");
    try {
        table.Open();
        for (int i = 1;; ++i) {
            table.Append();
            table.FieldByName("Name").SetAsString(QByteArray(200, 'a' + i % 26));
            table.FieldByName("Value").SetAsInteger(i);
            table.Post();
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
    } catch (const EDatabaseError &e) {
        std::printf("error %s\n", e.what());
        // What a window would show, for the tests that look at the user's words.
        std::fputs(e.Message.toUtf8().constData(), stderr);
        return 1;
    }
}
