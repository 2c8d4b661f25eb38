// The main window's restore command with the real restore: what the list shows afterwards.
#include "exchange/BackupStore.h"
#include "exchange/Maintenance.h"
#include "exchange/RestDat.h"

#include "TestBook.h"
#include "core/AdrsSel.h"
#include "db/Table.h"
#include "mainlist/AdrsList.h"
#include "mainlist/MaintenanceServices.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class RestoreCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        dm = book.Module.get();
        AdrsBookList = {{"Book", "Book", abReady}};
        CurrentAdrsName = "Book";
        CurrentAdrsIndex = 0;
        RegisterMaintenance();
        // The dialog restores the newest backup as its OK button would, without its question.
        RunRestoreData = [](QWidget *owner, bool *changeDataPath) {
            TRestoreData dialog(owner);
            *changeDataPath = false;
            return dialog.Execute(0);
        };
        list = std::make_unique<TAddressList>();
    }
    void TearDown() override { list.reset(); }
    void add(const char *tel)
    {
        TTable &t = *dm->AdrsTable;
        t.Append();
        t.FieldByName("Tel").SetAsString(tel);
        t.Post();
    }
    void backup()
    {
        QString error;
        ASSERT_FALSE(MakeBackup(DataRootFolder, DataFolder, [](qint64, qint64) { return true; }, &error).isEmpty());
    }
    test::TestBook book;
    TDMMirvale18 *dm = nullptr;
    std::unique_ptr<TAddressList> list;
    test::MessageBoxScript boxes;
};

TEST_F(RestoreCommand, TheListShowsTheRestoredRecords)
{
    add("0311111111");
    add("0322222222");
    backup();
    add("0333333333");
    list->RefreshList(true, true, false);
    ASSERT_EQ(list->GetRecordCount(), 3);
    ASSERT_TRUE(list->actRestore->isEnabled());
    list->actRestore->trigger();
    EXPECT_EQ(list->GetRecordCount(), 2);
    EXPECT_TRUE(dm->AdrsTable->Active());
}

// The senders restored with the data are the ones the list offers afterwards.
TEST_F(RestoreCommand, TheSenderListIsReadAgain)
{
    auto addSender = [this](int recNo) {
        TTable &s = *dm->SenderTable;
        s.Append();
        s.FieldByName("RecNo").SetAsInteger(recNo);
        s.FieldByName("Title").SetAsString("T");
        s.Post();
    };
    ASSERT_TRUE(dm->OpenSenderTable());
    addSender(1);
    backup();
    addSender(2);
    dm->CloseSenderTable();
    list->LoadSenderList();
    ASSERT_EQ(list->GetSenderCount(), 2);
    list->actRestore->trigger();
    EXPECT_EQ(list->GetSenderCount(), 1);
}

// A backup made before the open book existed: the book is chosen again instead of listing a table whose folder
// the restore took away.
TEST_F(RestoreCommand, ABackupWithoutTheOpenBookAsksForABook)
{
    backup();
    dm->CloseAdrsTable();
    dm->FreeAdrsTableObject();
    dm->CreateAdrsTableObject("New");
    QDir().mkpath(AdrsFolder + "New");
    ASSERT_TRUE(dm->OpenAdrsTable());
    add("0344444444");
    AdrsBookList = {{"Book", "Book", abReady}, {"New", "New", abReady}};
    CurrentAdrsName = "New";
    CurrentAdrsIndex = 1;
    list->RefreshList(true, true, false);
    ASSERT_EQ(list->GetRecordCount(), 1);
    QString chosen;
    // The restore runs events while it copies, so the book dialog is looked for until it shows.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<TAddressSelect *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        chosen = "asked";
        poll.stop();
        // Pressed once the dialog's own loop runs.
        QTimer::singleShot(0, dialog->btnCancel, &QPushButton::click);
    });
    poll.start(20);
    boxes.answer(IDOK);   // the restore is done
    boxes.answer(IDYES);  // confirm ending the run when the question is cancelled
    list->actRestore->trigger();
    EXPECT_EQ(chosen, "asked");
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "New"));
}

}  // namespace
