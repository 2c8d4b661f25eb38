// Every control of the start-up's and the book's dialogs has a name a screen reader reads out and the
// accessibility bus finds it by.
#include "core/AdrsSel.h"
#include "core/Globals.h"
#include "core/GrpEdt.h"
#include "core/InputPW.h"

#include "Accessibility.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::IsEmpty;

TEST(AccessibleNames, TheStartUpAndBookDialogsNameEveryControl)
{
    test::MessageBoxScript boxes;
    QTemporaryDir dir;
    AdrsFolder = dir.path() + "/Adrs/";
    AdrsBookList = {{QStringLiteral("顧客"), QStringLiteral("顧客"), abReady}};
    CurrentAdrsIndex = 0;
    QDir().mkpath(AdrsFolder + QStringLiteral("顧客"));

    TAddressSelect select(nullptr);
    select.BookName = QStringLiteral("顧客");
    select.SetMode(asmStartup);
    EXPECT_THAT(test::unnamedControls(&select), IsEmpty());
    EXPECT_THAT(test::controlsSharingANameWithAnother(&select), IsEmpty());
    TGruopEdit groups(nullptr);
    EXPECT_THAT(test::unnamedControls(&groups), IsEmpty());
    EXPECT_THAT(test::controlsSharingANameWithAnother(&groups), IsEmpty());
    TInputPassword password(nullptr);
    EXPECT_THAT(test::unnamedControls(&password), IsEmpty());
    EXPECT_THAT(test::controlsSharingANameWithAnother(&password), IsEmpty());

    AdrsBookList.clear();
    CurrentAdrsIndex = -1;
}
