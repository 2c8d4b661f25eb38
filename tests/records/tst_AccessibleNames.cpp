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

namespace {

// A book with its main list, as the record windows are opened from it.
class AccessibleNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"), true);
        AddressList = &list;
        list.RefreshList(true, true, false);
    }
    void TearDown() override
    {
        RecordForm = nullptr;
        AddressList = nullptr;
    }

    test::MessageBoxScript boxes;
    test::TestBook book;
    TAddressList list;
};

}  // namespace

TEST_F(AccessibleNames, TheRecordFormAndTheRecordDialogsNameEveryControl)
{

    {
        TDataInquiry form(&list);
        RecordForm = &form;
        form.SetSourceList(1);
        EXPECT_THAT(test::unnamedControls(&form), IsEmpty());
        EXPECT_THAT(test::controlsSharingANameWithAnother(&form), IsEmpty());
        RecordForm = nullptr;
    }
    TBatchChange batch(&list);
    EXPECT_THAT(test::unnamedControls(&batch), IsEmpty());
    EXPECT_THAT(test::controlsSharingANameWithAnother(&batch), IsEmpty());
    TInputList inputList(nullptr);
    EXPECT_THAT(test::unnamedControls(&inputList), IsEmpty());
    EXPECT_THAT(test::controlsSharingANameWithAnother(&inputList), IsEmpty());
}

// The record form is a window of its own, and a screen reader announces it as one (not as a pane, the role
// Qt gives a bare widget); its pages stay panes and the records' dialogs stay dialogs.
TEST_F(AccessibleNames, TheRecordFormIsAWindowToAScreenReader)
{
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
}
