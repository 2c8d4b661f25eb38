// Velmora: business address books and the printing of postcards, envelopes, labels and cards.
#include "core/Main.h"
#include "designers/Design.h"
#include "designers/Label.h"
#include "designers/Layout.h"
#include "directory/DirectoryDll.h"
#include "directory/NmAdSch.h"
#include "exchange/ExchangeDialogs.h"
#include "exchange/Maintenance.h"
#include "geo/DicSch.h"
#include "listprint/ListPrint.h"
#include "mainlist/AdrsList.h"
#include "records/BatchChg.h"
#include "records/DtInqiry.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(core);
    RegisterMainList();
    RegisterRecordForm();
    RegisterBatchChange();
    RegisterDirectorySearches();
    RegisterExchangeDialogs();
    RegisterMaintenance();
    RegisterLayoutForm();
    RegisterLabelForm();
    RegisterDesignForm();
    RegisterListPrint();
    SetDirectoryTelLookup(DirectoryTelLookup);
    return RunVelmora(app);
}
