#include "platform/EndReport.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

// A signal handler may only write what is ready: nothing formatted by the library or allocated.
struct TFatalSignal {
    int Number;
    std::string_view Cause;
};

// Every signal whose default ends the process, but SIGPIPE, which the program ignores; the real-time signals
// have no names of their own and are told by their place after SIGRTMIN.
const TFatalSignal FatalSignals[] = {
    {SIGSEGV, "不正なメモリ参照 (SIGSEGV) のため"},
    {SIGBUS, "不正なメモリ参照 (SIGBUS) のため"},
    {SIGFPE, "演算の例外 (SIGFPE) のため"},
    {SIGILL, "不正な命令 (SIGILL) のため"},
    {SIGABRT, "処理が中断された (SIGABRT) ため"},
    {SIGTERM, "終了を求められた (SIGTERM) ため"},
    {SIGHUP, "端末またはセッションが閉じられた (SIGHUP) ため"},
    {SIGXFSZ, "ファイルの大きさの上限を超えた (SIGXFSZ) ため"},
    {SIGINT, "割り込みを受けた (SIGINT) ため"},
    {SIGQUIT, "強制終了を求められた (SIGQUIT) ため"},
    {SIGTRAP, "トラップ (SIGTRAP) のため"},
    {SIGUSR1, "シグナル (SIGUSR1) を受けたため"},
    {SIGUSR2, "シグナル (SIGUSR2) を受けたため"},
    {SIGALRM, "タイマーの期限が来た (SIGALRM) ため"},
    {SIGSTKFLT, "コプロセッサーのスタックの異常 (SIGSTKFLT) のため"},
    {SIGXCPU, "CPU時間の上限を超えた (SIGXCPU) ため"},
    {SIGVTALRM, "仮想タイマーの期限が来た (SIGVTALRM) ため"},
    {SIGPROF, "プロファイル用タイマーの期限が来た (SIGPROF) ため"},
    {SIGIO, "入出力のシグナル (SIGIO) を受けたため"},
    {SIGPWR, "電源の異常 (SIGPWR) のため"},
    {SIGSYS, "不正なシステムコール (SIGSYS) のため"},
};

// The line is made on the handler's own stack, and written in one piece so that no other output splits it.
class TSignalLine {
public:
    void Append(std::string_view part)
    {
        const std::size_t taken = std::min(part.size(), sizeof text_ - size_);
        std::memcpy(text_ + size_, part.data(), taken);
        size_ += taken;
    }
    void AppendNumber(int number)
    {
        char digits[12];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    void Write() const { [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text_, size_); }

private:
    char text_[256];
    std::size_t size_ = 0;
};

void reportSignal(int number)
{
    TSignalLine line;
    line.Append("Velmora: ");
    const auto fatal = std::find_if(std::begin(FatalSignals), std::end(FatalSignals),
                                    [number](const TFatalSignal &s) { return s.Number == number; });
    if (fatal != std::end(FatalSignals)) {
        line.Append(fatal->Cause);
    } else {
        line.Append("シグナル (SIGRTMIN+");
        line.AppendNumber(number - SIGRTMIN);
        line.Append(") を受けたため");
    }
    line.Append("終了します\n");
    line.Write();
    // The handler was reset on entry: the signal now ends the process as it would have without us.
    ::raise(number);
}

// A stack for the handler of its own: a thread that overflowed its stack has none left to run it on.
class TSignalStack {
public:
    TSignalStack()
    {
        stack_t current {};
        // One set up before (a sanitizer's) serves as well.
        if (::sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE))
            return;
        const std::size_t size = std::max<std::size_t>(SIGSTKSZ, 64 * 1024);
        memory_ = std::make_unique<char[]>(size);
        stack_t stack {};
        stack.ss_sp = memory_.get();
        stack.ss_size = size;
        if (::sigaltstack(&stack, nullptr) != 0)
            memory_.reset();
    }
    ~TSignalStack()
    {
        if (!memory_)
            return;
        stack_t off {};
        off.ss_flags = SS_DISABLE;
        ::sigaltstack(&off, nullptr);
    }
    TSignalStack(const TSignalStack &) = delete;
    TSignalStack &operator=(const TSignalStack &) = delete;

private:
    std::unique_ptr<char[]> memory_;
};

void reportOnSignal(int number, const struct sigaction &action)
{
    struct sigaction current {};
    // A signal ignored from the start (nohup, a job a script started in the background) does not end this
    // process, and stays ignored.
    if (::sigaction(number, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
        current.sa_handler == SIG_IGN)
        return;
    ::sigaction(number, &action, nullptr);
}

[[noreturn]] void reportTerminate()
{
    std::string line = "Velmora: 続行できない内部エラーのため終了します";
    if (const std::exception_ptr current = std::current_exception()) {
        line = "Velmora: 処理されなかった例外のため終了します";
        try {
            std::rethrow_exception(current);
        } catch (const std::exception &e) {
            line += std::string(" (") + e.what() + ")";
        } catch (...) {
        }
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    // The abort is this end's own: it is not told a second time as a signal.
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

}  // namespace

void InstallEndReports()
{
    std::set_terminate(reportTerminate);
    InstallThreadEndReports();
    struct sigaction action {};
    action.sa_handler = reportSignal;
    action.sa_flags = SA_RESETHAND | SA_NODEFER | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const TFatalSignal &fatal : FatalSignals)
        reportOnSignal(fatal.Number, action);
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number)
        reportOnSignal(number, action);
    // The program talks to its own child programs and sockets: a peer that ended makes that one write fail.
    std::signal(SIGPIPE, SIG_IGN);
}

void InstallThreadEndReports() { thread_local const TSignalStack stack; }

void ReportEarlyEnd(const QString &why) { PrintMessageToStderr(QStringLiteral("Velmora: ") + why); }
