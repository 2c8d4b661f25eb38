#include "exchange/Maintenance.h"

#include "exchange/BkupDat.h"
#include "exchange/OptDat.h"
#include "exchange/ReprIdx.h"
#include "exchange/RestDat.h"
#include "mainlist/MaintenanceServices.h"
#include "platform/Forms.h"

#include "core/SharedHelpers.h"

void RegisterMaintenance()
{
    RunBackupData = [](QWidget *owner) {
        TBackupData dialog(owner);
        return dialog.exec() == QDialog::Accepted;
    };
    RunRestoreData = [](QWidget *owner, bool *changeDataPath) {
        TRestoreData dialog(owner);
        const bool ok = dialog.exec() == QDialog::Accepted;
        *changeDataPath = ok && dialog.GetChangeDataPath();
        return ok;
    };
    RunOptimizeData = [](QWidget *owner) {
        TOptimizeData dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        return dialog.exec() == QDialog::Accepted;
    };
    RunRepairIndex = [](QWidget *owner, bool *repaired) {
        TRepairIndex dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        const bool ok = dialog.exec() == QDialog::Accepted;
        *repaired = ok && dialog.Repaired;
        return ok;
    };
}
