// The main window's maintenance commands: backup, restore, optimisation, the conversions and the index repair.
// Each runs its dialog through the maker the program installed and refreshes the list as the change asks.
#include "mainlist/AdrsList.h"

#include "core/AddressBookList.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Main.h"
#include "core/SharedHelpers.h"
#include "mainlist/MaintenanceServices.h"
#include "base/Folders.h"
#include "widgets/UniSortListView.h"

#include <QApplication>

namespace {

// The busy cursor while a command prepares its dialog; the dialog itself shows the normal one.
void busyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
}

int indexOfCurrentBook()
{
    for (size_t i = 0; i < AdrsBookList.size(); ++i)
        if (AdrsBookList[i].Name == CurrentAdrsName)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

void TAddressList::actBackupExecute()
{
    busyCursor();
    RunBackupData(this);
    lvAddress->setFocus();
}

void TAddressList::actRestoreExecute()
{
    busyCursor();
    bool changeDataPath = false;
    if (!RunRestoreData(this, &changeDataPath))
        return;
    LoadAddressBookList(false);
    TDMMirvale18 &dm = *DMMirvale18;
    // A restore may bring back a book list without the open book; it is then chosen again, as after a switch
    // of the data folder, rather than listing a table whose folder the restore removed.
    if (changeDataPath || indexOfCurrentBook() < 0) {
        CopyDefaultHistoryFiles();
        ForceDirectories(OtherFolder);
        CurrentIndex = -1;
        dm.CloseAdrsTable();
        if (categoriesHeld_) {
            dm.CloseOxaCatmTable();
            dm.CloseOxaCatsTable();
            categoriesHeld_ = false;
        }
        dm.FreeAdrsTableObject();
        dm.FreeSenderTableObject();
        dm.FreeSharedTableObjects();
        dm.FreeDatabaseAndHistories();
        OpenAddressBook(indexOfCurrentBook() < 0);
        return;
    }
    dm.FreeDatabaseAndHistories();
    dm.CreateDatabaseAndHistories();
    dm.OpenDatabaseAndHistories();
    CurrentAdrsIndex = indexOfCurrentBook();
    RefreshList(false, true, false);
    SelectItem(0, false, false);
    LoadSenderList();
    lvAddress->setFocus();
}

void TAddressList::actMaintenanceExecute(const std::function<bool(QWidget *)> &run, bool senders)
{
    busyCursor();
    if (run(this)) {
        RefreshList(false, true, false);
        SelectItem(0, false, false);
        if (senders)
            LoadSenderList();
    }
    lvAddress->setFocus();
}

void TAddressList::actRepairIndexExecute()
{
    busyCursor();
    bool repaired = false;
    if (RunRepairIndex(this, &repaired) && repaired) {
        RefreshList(false, true, false);
        SelectItem(0, false, false);
    }
    lvAddress->setFocus();
}
