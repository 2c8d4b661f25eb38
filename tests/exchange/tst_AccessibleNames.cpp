// Every control of the exchange, settings and maintenance windows has a name a screen reader reads out and the
// accessibility bus finds it by.
#include "core/Globals.h"
#include "exchange/BkupDat.h"
#include "exchange/CnvAdPos.h"
#include "exchange/CnvKykbn.h"
#include "exchange/Env.h"
#include "exchange/FExport.h"
#include "exchange/FImport.h"
#include "exchange/HDDInst.h"
#include "exchange/Info.h"
#include "exchange/MExport.h"
#include "exchange/OptDat.h"
#include "exchange/ReprIdx.h"
#include "exchange/RestDat.h"
#include "exchange/UpdDlg.h"
#include "exchange/VerInfo.h"
#include "exchange/WorkProgress.h"
#include "mainlist/AdrsList.h"

#include "Accessibility.h"
#include "TestBook.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using ::testing::IsEmpty;

TEST(AccessibleNames, TheExchangeSettingsAndMaintenanceWindowsNameEveryControl)
{
    test::MessageBoxScript boxes;
    test::TestBook book;
    book.Open(QStringLiteral("Book"), true);
    AppFolder = test::appDir();
    AdrsBookList = {{QStringLiteral("帳"), QStringLiteral("Book"), abReady}};
    CurrentAdrsName = QStringLiteral("帳");
    CurrentAdrsIndex = 0;
    TAddressList list;
    list.RefreshList(true, true, false);

    const struct {
        const char *name;
        std::function<QWidget *()> make;
    } windows[] = {
        {"TFileImport", [&list] { return new TFileImport(&list); }},
        {"TFileExport", [&list] { return new TFileExport(&list); }},
        {"TMarkExport", [&list] { return new TMarkExport(&list); }},
        {"TEnvironment", [&list] { return new TEnvironment(&list); }},
        {"TInfoDialog", [&list] { return new TInfoDialog(&list, true, false); }},
        {"TVersionInfo", [&list] { return new TVersionInfo(&list); }},
        {"TUpdateDialog", [&list] { return new TUpdateDialog(&list); }},
        {"TBackupData", [&list] { return new TBackupData(&list); }},
        {"TRestoreData", [&list] { return new TRestoreData(&list); }},
        {"TOptimizeData", [&list] { return new TOptimizeData(&list); }},
        {"TRepairIndex", [&list] { return new TRepairIndex(&list); }},
        {"TConvertAdrsPos", [&list] { return new TConvertAdrsPos(&list); }},
        {"TConvertKykbn", [&list] { return new TConvertKykbn(&list); }},
        {"THddInstall", [&list] { return new THddInstall(&list); }},
        {"TWorkProgress", [&list] { return new TWorkProgress(&list); }},
    };
    for (const auto &entry : windows) {
        SCOPED_TRACE(entry.name);
        std::unique_ptr<QWidget> window(entry.make());
        EXPECT_THAT(test::unnamedControls(window.get()), IsEmpty());
        EXPECT_THAT(test::controlsSharingANameWithAnother(window.get()), IsEmpty());
    }
    AdrsBookList.clear();
    CurrentAdrsName.clear();
    CurrentAdrsIndex = -1;
}
