// Velmora: business address books and the printing of postcards, envelopes, labels and cards.
#include "app/Windows.h"
#include "core/Main.h"
#include "platform/EndReport.h"

#include <QApplication>

int main(int argc, char **argv)
{
    InstallEndReports();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(core);
    RegisterWindows();
    return RunVelmora(app);
}
