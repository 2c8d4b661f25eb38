// Every end of the program its user did not ask for leaves its line on stderr, and the process still ends as
// the cause would have ended it.
#include "platform/EndReport.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TChildEnd {
    int Status = 0;
    QByteArray Stderr;
};

// Runs body in a child process with the end reports installed; body's result is the child's exit code.
TChildEnd runReported(const std::function<int()> &body)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDERR_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        InstallEndReports();
        ::_exit(body());
    }
    ::close(out[1]);
    TChildEnd end;
    char chunk[512];
    for (ssize_t got; (got = ::read(out[0], chunk, sizeof chunk)) > 0;)
        end.Stderr.append(chunk, got);
    ::close(out[0]);
    ::waitpid(child, &end.Status, 0);
    return end;
}

[[noreturn]] void fail() { throw std::runtime_error("Adrs.DB が読めません"); }
// As an exception leaves a slot through Qt's event dispatch: nothing above it may let it pass.
void throwThroughNoexcept() noexcept { fail(); }

}  // namespace

TEST(EndReport, ACrashSaysSoAndStillEndsByItsSignal)
{
    const TChildEnd end = runReported([] {
        ::raise(SIGSEGV);
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(end.Status));
    EXPECT_EQ(WTERMSIG(end.Status), SIGSEGV);
    EXPECT_EQ(QString::fromUtf8(end.Stderr), QStringLiteral("Velmora: 不正なメモリ参照 (SIGSEGV) のため終了します\n"));

    const TChildEnd terminated = runReported([] {
        ::raise(SIGTERM);
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(terminated.Status));
    EXPECT_EQ(WTERMSIG(terminated.Status), SIGTERM);
    EXPECT_TRUE(terminated.Stderr.contains("(SIGTERM)")) << terminated.Stderr.toStdString();
}

TEST(EndReport, AnExceptionNobodyCaughtIsNamedOnce)
{
    const TChildEnd end = runReported([] {
        throwThroughNoexcept();
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(end.Status));
    EXPECT_EQ(WTERMSIG(end.Status), SIGABRT);
    // Its own line alone: the abort that ends it is not told again as a signal.
    EXPECT_EQ(QString::fromUtf8(end.Stderr),
              QStringLiteral("Velmora: 処理されなかった例外のため終了します (Adrs.DB が読めません)\n"));
}

TEST(EndReport, AWriteToAReaderThatHasGoneFailsInsteadOfEndingTheProgram)
{
    const TChildEnd end = runReported([] {
        int pipe[2];
        if (::pipe(pipe) != 0)
            return 2;
        ::close(pipe[0]);
        return ::write(pipe[1], "x", 1) < 0 && errno == EPIPE ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(end.Status)) << "ended by signal " << WTERMSIG(end.Status);
    EXPECT_EQ(WEXITSTATUS(end.Status), 0);
    EXPECT_TRUE(end.Stderr.isEmpty());
}
