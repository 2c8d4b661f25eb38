#include "exchange/ExchangeDialogs.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "exchange/Env.h"
#include "exchange/FExport.h"
#include "exchange/FImport.h"
#include "exchange/Info.h"
#include "exchange/MExport.h"
#include "exchange/VerInfo.h"
#include "mainlist/AdrsList.h"
#include "mainlist/DataExchangeServices.h"
#include "platform/Forms.h"

void RegisterExchangeDialogs()
{
    RunFileImport = ImportTextFile;
    ShowFileExport = ShowFileExportWindow;
    ShowMarkExport = ShowMarkExportWindow;
    RunEnvironment = RunEnvironmentDialog;
    RunVersionInfo = [](TAddressList *owner) { ShowVersionInfo(owner); };
    RunInfoDialog = [](TAddressList *owner) {
        TInfoDialog dialog(owner, owner->ShowInfoAtStart, UpdateCheckAtStart != 0);
        CenterFormOnOwner(&dialog, owner);
        ExecDialog(dialog);
        return std::make_pair(dialog.GetShowInfo(), dialog.GetCheckUpdate());
    };
}
