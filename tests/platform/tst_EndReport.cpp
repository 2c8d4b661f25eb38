// Every end of the program its user did not ask for leaves its line on stderr, and the process still ends as
// the cause would have ended it.
#include "platform/EndReport.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TChildEnd {
    int Status = 0;
    QByteArray Stderr;
};

// Runs body in a child process with the end reports installed; body's result is the child's exit code. The
// child starts with every signal at its default but ignored, as a process started by nohup has SIGHUP.
TChildEnd runReported(const std::function<int()> &body, int ignored = 0)
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
        for (int number = 1; number <= SIGRTMAX; ++number)
            std::signal(number, number == ignored ? SIG_IGN : SIG_DFL);
        // The signals whose end leaves a core leave none here.
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
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

// Deep enough to overflow any stack: each call keeps a frame that the compiler cannot fold away.
int deepen(int depth)
{
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return depth < 0 ? 0 : deepen(depth + 1) + frame[0];
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

// Every signal whose default ends a process, sent to it: one line naming it, then the end by that signal.
TEST(EndReport, EverySignalThatEndsTheProgramIsTold)
{
#define NAMED(signal) {signal, #signal}
    std::vector<std::pair<int, std::string>> fatal{
        NAMED(SIGHUP),  NAMED(SIGINT),    NAMED(SIGQUIT), NAMED(SIGILL),  NAMED(SIGTRAP),   NAMED(SIGABRT),
        NAMED(SIGBUS),  NAMED(SIGFPE),    NAMED(SIGUSR1), NAMED(SIGSEGV), NAMED(SIGUSR2),   NAMED(SIGALRM),
        NAMED(SIGTERM), NAMED(SIGSTKFLT), NAMED(SIGXCPU), NAMED(SIGXFSZ), NAMED(SIGVTALRM), NAMED(SIGPROF),
        NAMED(SIGIO),   NAMED(SIGPWR),    NAMED(SIGSYS)};
#undef NAMED
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number)
        fatal.emplace_back(number, "SIGRTMIN+" + std::to_string(number - SIGRTMIN));
    for (const auto &[number, name] : fatal) {
        const TChildEnd end = runReported([number] {
            ::kill(::getpid(), number);
            return 0;
        });
        ASSERT_TRUE(WIFSIGNALED(end.Status)) << name;
        EXPECT_EQ(WTERMSIG(end.Status), number) << name;
        const std::string line = end.Stderr.toStdString();
        EXPECT_TRUE(line.starts_with("Velmora: ") && line.ends_with("終了します\n") && end.Stderr.count('\n') == 1 &&
                    line.find("(" + name + ")") != std::string::npos)
            << name << ": " << line;
    }

    // A process started with a signal ignored (nohup) is not ended by it.
    const TChildEnd kept = runReported(
        [] {
            ::raise(SIGHUP);
            return 0;
        },
        SIGHUP);
    ASSERT_TRUE(WIFEXITED(kept.Status));
    EXPECT_TRUE(kept.Stderr.isEmpty());
}

// A stack overflow leaves no stack for the handler: it runs on one of its own, in the main thread and in a
// thread the program started.
TEST(EndReport, AStackOverflowIsToldAsACrash)
{
    const QByteArray crash("Velmora: 不正なメモリ参照 (SIGSEGV) のため終了します\n");
    const TChildEnd main = runReported([] {
        const rlimit small{256 * 1024, 256 * 1024};
        ::setrlimit(RLIMIT_STACK, &small);
        return deepen(0);
    });
    ASSERT_TRUE(WIFSIGNALED(main.Status));
    EXPECT_EQ(WTERMSIG(main.Status), SIGSEGV);
    EXPECT_EQ(main.Stderr, crash);

    const TChildEnd thread = runReported([] {
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, 256 * 1024);
        pthread_t worker;
        const auto body = [](void *) -> void * {
            InstallThreadEndReports();
            return reinterpret_cast<void *>(static_cast<intptr_t>(deepen(0)));
        };
        if (pthread_create(&worker, &attributes, body, nullptr) != 0)
            return 2;
        pthread_join(worker, nullptr);
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(thread.Status));
    EXPECT_EQ(WTERMSIG(thread.Status), SIGSEGV);
    EXPECT_EQ(thread.Stderr, crash);
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
