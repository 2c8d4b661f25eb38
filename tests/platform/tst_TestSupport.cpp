// What the test main does around every test: what a test changed is put back before the next, and a modal dialog
// no test answers fails its test within seconds, naming it, and is closed; one answered through a timer, worked
// under or held open on purpose fails nothing.
#include "core/Globals.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"

#include "DialogWatch.h"
#include "KeptState.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

constexpr std::chrono::milliseconds kBound{300};

// The failures body records, kept from the test's own result.
std::vector<std::string> failuresOf(const std::function<void()> &body)
{
    ::testing::TestPartResultArray results;
    {
        const ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        body();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i)
        messages.push_back(results.GetTestPartResult(i).message());
    return messages;
}

// Without a watch an unanswered dialog would hold the test for ever: a late answer ends it instead, and says so.
class LateAnswer {
public:
    LateAnswer()
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                given_ = true;
                dialog->close();
            }
        });
        timer_.start(10000);
    }
    bool given() const { return given_; }

private:
    QTimer timer_;
    bool given_ = false;
};

}  // namespace

TEST(DialogWatch, AnUnansweredBoxOrDialogFailsItsTestNamingItAndIsClosed)
{
    const test::UnansweredDialogWatch watch(kBound);
    {
        const LateAnswer late;
        int answer = 0;
        const auto failures = failuresOf(
            [&] { answer = ShowMessageBoxAt(nullptr, QStringLiteral("𠮷野家へ送信しますか？"), AppTitle, MB_YESNO); });
        EXPECT_FALSE(late.given());
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_THAT(failures[0], HasSubstr("QMessageBox"));
        EXPECT_THAT(failures[0], HasSubstr("titled \"Velmora\""));
        EXPECT_THAT(failures[0], HasSubstr("𠮷野家へ送信しますか？"));
        EXPECT_EQ(answer, IDNO);
    }
    {
        QWidget owner;
        QDialog dialog(&owner);
        dialog.setObjectName(QStringLiteral("dlgAddressSelect"));
        dialog.setWindowTitle(QStringLiteral("アドレス帳の選択"));
        (new QVBoxLayout(&dialog))->addWidget(new QLabel(QStringLiteral("開くアドレス帳を指定してください")));
        const LateAnswer late;
        int result = -1;
        const auto failures = failuresOf([&] { result = ExecDialog(dialog); });
        EXPECT_FALSE(late.given());
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_THAT(failures[0],
                    HasSubstr("QDialog \"dlgAddressSelect\" titled \"アドレス帳の選択\" showing \"開くアドレス帳を指定してください\""));
        EXPECT_EQ(result, QDialog::Rejected);
    }
}

TEST(DialogWatch, ADialogAnsweredInTimeWorkedUnderOrHeldOpenOnPurposeFailsNothing)
{
    const test::UnansweredDialogWatch watch(kBound);
    QDialog dialog;
    // A handler that works longer than the bound under the open dialog (a busy machine's slow step) before the
    // test answers: the dialog's loop never waited.
    QTimer::singleShot(0, &dialog, [&] {
        for (int step = 0; step < 6; ++step) {
            QThread::msleep(kBound.count());
            QCoreApplication::processEvents();
        }
        dialog.accept();
    });
    auto failures = failuresOf([&] { EXPECT_EQ(ExecDialog(dialog), QDialog::Accepted); });
    EXPECT_THAT(failures, ::testing::IsEmpty());

    // Waiting longer than the bound while a test says it keeps the dialog open.
    const test::DialogMayStayOpen onPurpose;
    QTimer::singleShot(3 * kBound, &dialog, &QDialog::accept);
    failures = failuresOf([&] { EXPECT_EQ(ExecDialog(dialog), QDialog::Accepted); });
    EXPECT_THAT(failures, ::testing::IsEmpty());
}

TEST(KeptState, WhatATestChangedIsPutBackAndWhatOnlyATestChangesFailsIt)
{
    const ::testing::TestInfo &self = *::testing::UnitTest::GetInstance()->current_test_info();
    const QString data = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Oxa/Mirvale18/");
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/QtProject.conf");
    test::writeFile(config, "[FileDialog]\nlastVisited=file:///home\n");
    const uint8_t chooseBook = ChooseBookAtStart;
    const QString bookName = CurrentAdrsName;
    const auto books = AdrsBookList;
    const bool quitOnLast = QGuiApplication::quitOnLastWindowClosed();
    const bool hadDataFolder = QFileInfo::exists(data);

    test::KeptState kept;
    kept.OnTestStart(self);
    // As the start-up's test leaves them: the settings it read, the book it opened, the files it wrote.
    ChooseBookAtStart = !chooseBook;
    CurrentAdrsName = QStringLiteral("鷗外の𠮷");
    AdrsBookList.push_back({QStringLiteral("剝離"), QStringLiteral("Book"), abReady});
    QGuiApplication::setQuitOnLastWindowClosed(!quitOnLast);
    test::writeFile(data + QStringLiteral("Mirvale18.ini"), "[BASE]\r\nChooseBook=1\r\n");
    test::writeFile(config, "[FileDialog]\nlastVisited=file:///tmp\n");
    // What only a test does.
    qputenv("VELMORA_LEFT_BEHIND", "1");
    const test::MessageBoxScript boxes;
    QWidget window;
    window.setObjectName(QStringLiteral("frmLeftOpen"));
    window.show();
    const auto failures = failuresOf([&] { kept.OnTestEnd(self); });

    EXPECT_EQ(ChooseBookAtStart, chooseBook);
    EXPECT_EQ(CurrentAdrsName, bookName);
    EXPECT_EQ(AdrsBookList, books);
    EXPECT_EQ(QGuiApplication::quitOnLastWindowClosed(), quitOnLast);
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("Mirvale18.ini")));
    EXPECT_EQ(QFileInfo::exists(data), hadDataFolder);
    EXPECT_EQ(test::readFile(config), "[FileDialog]\nlastVisited=file:///home\n");
    EXPECT_FALSE(qEnvironmentVariableIsSet("VELMORA_LEFT_BEHIND"));
    EXPECT_FALSE(SetMessageBoxHandler(nullptr));
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_THAT(failures[0], HasSubstr("environment variable VELMORA_LEFT_BEHIND"));
    EXPECT_THAT(failures[1], HasSubstr("message box handler installed"));
    EXPECT_THAT(failures[2], HasSubstr("window QWidget \"frmLeftOpen\""));
}
