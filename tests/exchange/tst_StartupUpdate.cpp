// The update check of the start, against servers of the test on 127.0.0.1: the main window opens its book
// without waiting on the network, and what the check finds is asked once it completes.
#include "exchange/Maintenance.h"
#include "exchange/UpdDlg.h"

#include "TestBook.h"
#include "TestHttpServer.h"
#include "mainlist/AdrsList.h"
#include "platform/Forms.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString Question = QStringLiteral("最新のアップデートが見つかりました  \r\nこのアップデートを適用してもよろしいですか？  \r\n\r\n"
                                        "※Windows 8 / 7 / Vista の場合、アップデートの途中で  \r\n"
                                        "　ユーザーアカウント制御（UAC）のダイアログが表示される  \r\n　ことがあります  ");

class StartupUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        AdrsBookList = {{"Book", "Book", abReady}};
        CurrentAdrsName = "Book";
        FirstRun = DataPathReset = ChooseBookAtStart = 0;
        UpdateCheckAtStart = 1;
        AppFolder = app.path() + "/";
        UpdateDomain = server.Domain();
        UpdateCheckPath = QStringLiteral("/check/");
        UpdateAppPath = QStringLiteral("/app/");
        RegisterMaintenance();
        newList();
    }
    void TearDown() override
    {
        list.reset();
        TUpdateDialog::LookUpHost = lookUpHost;
        AppFolder = test::appDir();
    }
    void newList()
    {
        list = std::make_unique<TAddressList>();
        list->ShowInfoAtStart = false;
    }
    // Runs the first-show steps, which never wait on the network: the check they start is still under way when
    // they return, neither answered nor failed, however long a busy machine took over them. A start that waited
    // for the network's answer would find the question asked; one that waited on a server or resolver that
    // never answers would return only through a time-out, which says why the check failed.
    void startUp()
    {
        const size_t asked = boxes.shown().size();
        list->StartUp();
        ASSERT_NE(UpdateDialog, nullptr) << "the check ended within the start";
        EXPECT_TRUE(UpdateDialog->ErrorText().isEmpty())
            << "the start waited for a network time-out: " << UpdateDialog->ErrorText().toStdString();
        EXPECT_EQ(boxes.shown().size(), asked) << "the start waited for the check's answer";
    }
    // A bound for a busy machine, not an expectation.
    bool checkEnded(int timeoutMs = 60000)
    {
        return QTest::qWaitFor([] { return UpdateDialog == nullptr; }, timeoutMs);
    }

    test::TestBook book;
    QTemporaryDir app;
    test::TestHttpServer server;
    test::MessageBoxScript boxes;
    std::unique_ptr<TAddressList> list;
    const TUpdateDialog::THostLookup lookUpHost = TUpdateDialog::LookUpHost;
};

TEST_F(StartupUpdate, TheBookOpensWithoutWaitingOnTheNetwork)
{
    // A server that takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    UpdateDomain = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort());
    startUp();
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Velmora - Book"));
    list.reset();
    EXPECT_EQ(UpdateDialog, nullptr);

    // A resolver that never answers: the check gives up silently after its short time-out.
    TUpdateDialog::LookUpHost = [](const QString &, QObject *, std::function<void(const QHostInfo &)>) { return -1; };
    UpdateDomain = QStringLiteral("update.velmora.jp");
    newList();
    QElapsedTimer waited;
    waited.start();
    startUp();
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Velmora - Book"));
    EXPECT_TRUE(checkEnded());
    // By its time-out, not at once.
    EXPECT_GE(waited.elapsed(), TUpdateDialog::LookupTimeoutMs / 2);
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(StartupUpdate, WhatTheCheckFindsIsAskedOnceItCompletes)
{
    server.Files["/app/Common/new.txt"] = "a new file";
    server.Files["/check/update.xml"] = "<update>" + test::UpdateEntry("Common/new.txt", 2, "a new file") + "</update>";
    // No: nothing is fetched beyond the list. The question waits while the user answers another window.
    boxes.answer(IDNO);
    QDialog other;
    other.setModal(true);
    other.show();
    startUp();
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Velmora - Book"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests.contains("/check/update.xml"); }, 30000));
    QTest::qWait(500);
    EXPECT_TRUE(boxes.texts().isEmpty());
    other.hide();
    ASSERT_TRUE(checkEnded());
    EXPECT_EQ(boxes.texts(), QStringList{Question});
    EXPECT_FALSE(server.Requests.contains("/app/Common/new.txt"));
    EXPECT_FALSE(QFileInfo::exists(AppFolder + "Common/new.txt"));

    // Yes: the file is replaced and the window goes on.
    boxes.clear();
    boxes.answer(IDYES);
    newList();
    startUp();
    ASSERT_TRUE(checkEnded());
    EXPECT_EQ(boxes.texts(), QStringList{Question});
    EXPECT_EQ(test::readFile(AppFolder + "Common/new.txt"), "a new file");
    EXPECT_FALSE(list->property("ModalResult").isValid());

    // An update that starts the program again closes the main window. The program started again is this
    // test binary: the filter it inherits runs no test, so it ends at once.
    server.Files["/app/Dic/Kvpost.dat"] = "new postal data";
    server.Files["/check/update.xml"] =
        "<update>" + test::UpdateEntry("Dic/Kvpost.dat", 3, "new postal data", {}, true) + "</update>";
    const QByteArray filter = qgetenv("GTEST_FILTER");
    qputenv("GTEST_FILTER", "NoTest.NoCase");
    boxes.clear();
    boxes.answer(IDYES);
    newList();
    startUp();
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->property("ModalResult").isValid(); }, 60000));
    filter.isNull() ? qunsetenv("GTEST_FILTER") : qputenv("GTEST_FILTER", filter);
    EXPECT_EQ(list->property("ModalResult").toInt(), QDialog::Rejected);
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "new postal data");
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("※自動的にアプリケーションが再起動されます")));
}

}  // namespace
