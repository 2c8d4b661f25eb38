#include "app/Windows.h"

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

void RegisterWindows()
{
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
}
