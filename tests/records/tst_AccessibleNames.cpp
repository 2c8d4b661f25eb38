// Every control of the record form and of the records' dialogs has a name a screen reader reads out and the
// accessibility bus finds it by.
#include "core/Globals.h"
#include "mainlist/AdrsList.h"
#include "records/BatchChg.h"
#include "records/DtInqiry.h"
#include "records/InputLst.h"

#include "Accessibility.h"
#include "TestBook.h"
#include "TestSupport.h"

#include <QAccessible>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::IsEmpty;

TEST(AccessibleNames, TheRecordFormAndTheRecordDialogsNameEveryControl)
{
    test::MessageBoxScript boxes;
    test::TestBook book;
    book.Open(QStringLiteral("Book"), true);
    TAddressList list;
    AddressList = &list;
    list.RefreshList(true, true, false);

    {
        TDataInquiry form(&list);
        RecordForm = &form;
        form.SetSourceList(1);
        EXPECT_THAT(test::unnamedControls(&form), IsEmpty());
        RecordForm = nullptr;
    }
    TBatchChange batch(&list);
    EXPECT_THAT(test::unnamedControls(&batch), IsEmpty());
    TInputList inputList(nullptr);
    EXPECT_THAT(test::unnamedControls(&inputList), IsEmpty());
    AddressList = nullptr;
}

// The record form is a window of its own, and a screen reader announces it as one (not as a pane, the role
// Qt gives a bare widget); its pages stay panes and the records' dialogs stay dialogs.
TEST(AccessibleNames, TheRecordFormIsAWindowToAScreenReader)
{
    test::MessageBoxScript boxes;
    test::TestBook book;
    book.Open(QStringLiteral("Book"), true);
    TAddressList list;
    AddressList = &list;
    list.RefreshList(true, true, false);
    {
        TDataInquiry form(&list);
        RecordForm = &form;
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&form);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->role(), QAccessible::Window);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(form.tabstMain)->role(), QAccessible::Client);
        RecordForm = nullptr;
    }
    TBatchChange batch(&list);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&batch)->role(), QAccessible::Dialog);
    AddressList = nullptr;
}
