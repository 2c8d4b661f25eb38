// Every control of the main list and its dialogs has a name a screen reader reads out and the accessibility
// bus finds it by.
#include "core/Globals.h"
#include "mainlist/AdrsCopy.h"
#include "mainlist/AdrsList.h"
#include "mainlist/AdrsSch.h"
#include "mainlist/DupliSch.h"
#include "mainlist/HdrSel.h"
#include "mainlist/KeywdEdt.h"
#include "mainlist/WordSch.h"
#include "widgets/UniStdCtrls.h"

#include "Accessibility.h"
#include "TestBook.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using ::testing::IsEmpty;

TEST(AccessibleNames, TheMainListAndItsDialogsNameEveryControl)
{
    test::MessageBoxScript boxes;
    test::TestBook book;
    book.Open(QStringLiteral("Book"), true);
    AdrsBookList = {{QStringLiteral("帳"), QStringLiteral("Book"), abReady}};
    CurrentAdrsName = QStringLiteral("帳");
    TAddressList list;
    list.RefreshList(true, true, false);
    EXPECT_THAT(test::unnamedControls(&list), IsEmpty());
    // So narrow that the tool bar folds its last commands behind its arrow button.
    list.show();
    list.resize(320, 600);
    QCoreApplication::sendPostedEvents();
    EXPECT_THAT(test::unnamedControls(&list), IsEmpty()) << "narrow";

    const struct {
        const char *name;
        std::function<QWidget *()> make;
    } windows[] = {
        {"TAddressSearch", [&list] { return new TAddressSearch(&list); }},
        {"TDuplicateSearch", [&list] { return new TDuplicateSearch(&list); }},
        {"THeaderSelect", [&list] { return new THeaderSelect(&list); }},
        {"TKeywordEdit", [&list] { return new TKeywordEdit(&list); }},
        {"TWordSearch", [&list] { return new TWordSearch(&list); }},
        {"TAddressCopy", [&list] { return new TAddressCopy(&list); }},
    };
    for (const auto &entry : windows) {
        SCOPED_TRACE(entry.name);
        std::unique_ptr<QWidget> window(entry.make());
        EXPECT_THAT(test::unnamedControls(window.get()), IsEmpty());
        EXPECT_THAT(test::controlsSharingANameWithAnother(window.get()), IsEmpty());
    }
    // The search dialog's other view shows the saved patterns and the list of conditions.
    TAddressSearch search(&list);
    search.btnViewSwitch->click();
    EXPECT_TRUE(search.cbxPattern->isVisibleTo(&search));
    EXPECT_THAT(test::unnamedControls(&search), IsEmpty());
    EXPECT_THAT(test::controlsSharingANameWithAnother(&search), IsEmpty());
    AdrsBookList.clear();
    CurrentAdrsName.clear();
}
