#include "FakePrograms.h"

#include "platform/Process.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString canonical(const QString &folder) { return QDir(folder).canonicalPath(); }

}  // namespace

TEST(RunProgram, WaitsAndReturnsTheExitCodeWhileEventsGoOn)
{
    bool timerFired = false;
    QTimer::singleShot(50, [&] { timerFired = true; });
    EXPECT_EQ(RunProgram(QStringLiteral("/bin/sh -c \"sleep 0.4; exit 7\""), QString(), false, SW_SHOWNORMAL), 7);
    EXPECT_TRUE(timerFired);
}

TEST(RunProgram, KilledProgramDoesNotCountAsSuccess)
{
    EXPECT_EQ(RunProgram(QStringLiteral("/bin/sh -c \"kill -9 $$\""), QString(), false, SW_SHOWNORMAL), 128 + 9);
}

TEST(RunProgram, AtFolderIsTheQuotedProgramsOwnFolder)
{
    QTemporaryDir tmp;
    const QString folder = tmp.path() + QStringLiteral("/tools with blanks");
    const QString out = tmp.path() + QStringLiteral("/out.txt");
    test::writeScript(folder + QStringLiteral("/report"), "pwd > \"$1\"\nprintf '%s\\n' \"$2\" >> \"$1\"\n");

    const QString commandLine =
        QStringLiteral("\"%1/report\" \"%2\" \"two words\"").arg(folder, out);
    ASSERT_EQ(RunProgram(commandLine, QStringLiteral(" @ "), false, SW_SHOWNORMAL), 0);
    const QStringList lines = test::readLines(out);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(canonical(lines[0]), canonical(folder));
    EXPECT_EQ(lines[1], QStringLiteral("two words"));
}

TEST(RunProgram, MissingWorkingFolderKeepsTheCurrentFolder)
{
    QTemporaryDir tmp;
    const QString out = tmp.path() + QStringLiteral("/out.txt");
    ASSERT_EQ(RunProgram(QStringLiteral("/bin/sh -c \"pwd > '%1'\"").arg(out), tmp.path() + QStringLiteral("/gone"),
                         false, SW_SHOWNORMAL),
              0);
    EXPECT_EQ(canonical(test::readLines(out).value(0)), canonical(QDir::currentPath()));
}

TEST(RunProgram, NoWaitReturnsZeroAtOnceWhileTheProgramRuns)
{
    QTemporaryDir tmp;
    const QString gate = tmp.path() + QStringLiteral("/gate");
    const QString out = tmp.path() + QStringLiteral("/done.txt");
    // The program writes its file only once the test has opened its gate (or after a minute), so a call that
    // waited for it returns with the file there, however busy the machine.
    EXPECT_EQ(RunProgram(QStringLiteral("/bin/sh -c \"i=0; while [ ! -e '%1' ] && [ $i -lt 600 ]; do sleep 0.1; "
                                        "i=$((i+1)); done; echo done > '%2'\"")
                             .arg(gate, out),
                         QString(), true, SW_SHOWNORMAL),
              0);
    EXPECT_FALSE(QFileInfo::exists(out));
    test::writeFile(gate, "");
    EXPECT_TRUE(test::waitForFile(out));
}

TEST(RunProgram, ProgramsThatCannotStartGiveErrnoCodes)
{
    QTemporaryDir tmp;
    const QString plain = tmp.path() + QStringLiteral("/plain.txt");
    test::writeFile(plain, "not a program\n");

    EXPECT_EQ(RunProgram(tmp.path() + QStringLiteral("/missing arg"), QString(), false, SW_SHOWNORMAL), 2);
    EXPECT_EQ(RunProgram(tmp.path() + QStringLiteral("/missing"), QString(), true, SW_SHOWNORMAL), 2);
    EXPECT_EQ(RunProgram(QStringLiteral("velmora-no-such-program"), QString(), false, SW_SHOWNORMAL), 2);
    EXPECT_EQ(RunProgram(QString(), QString(), false, SW_SHOWNORMAL), 2);
    EXPECT_EQ(RunProgram(plain, QString(), false, SW_SHOWNORMAL), 13);
    EXPECT_EQ(RunProgram(tmp.path(), QString(), false, SW_SHOWNORMAL), 13);
}

TEST(ShellExecuteAndWait, RunsAProgramInItsOwnFolderAndReportsSuccessNotItsExitCode)
{
    QTemporaryDir tmp;
    const QString program = tmp.path() + QStringLiteral("/bin/tool");
    const QString out = tmp.path() + QStringLiteral("/out.txt");
    test::writeScript(program, "pwd > \"$1\"\nprintf '%s\\n' \"$2\" >> \"$1\"\nexit 3\n");

    EXPECT_EQ(ShellExecuteAndWait(program, QStringLiteral("\"%1\" \"a b\"").arg(out), QStringLiteral("@"),
                                  SW_SHOWDEFAULT, false),
              0);
    const QStringList lines = test::readLines(out);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(canonical(lines[0]), canonical(tmp.path() + QStringLiteral("/bin")));
    EXPECT_EQ(lines[1], QStringLiteral("a b"));
}

TEST(ShellExecuteAndWait, HandsOtherFilesToTheDesktopOpener)
{
    QTemporaryDir tmp;
    const QString log = tmp.path() + QStringLiteral("/opened.txt");
    test::writeArgvRecorder(tmp.path() + QStringLiteral("/xdg-open"), log);
    test::writeFile(tmp.path() + QStringLiteral("/docs/note.txt"), "memo\n");
    const test::ScopedPath path(tmp.path());

    EXPECT_EQ(ShellExecuteAndWait(tmp.path() + QStringLiteral("/docs/note.txt"), QStringLiteral("ignored"),
                                  QString(), SW_SHOWDEFAULT, false),
              0);
    EXPECT_EQ(test::readLines(log), QStringList{tmp.path() + QStringLiteral("/docs/note.txt")});

    EXPECT_EQ(ShellExecuteAndWait(tmp.path() + QStringLiteral("/docs/gone.txt"), QString(), QString(),
                                  SW_SHOWDEFAULT, false),
              2);
}
