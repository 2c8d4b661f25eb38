#include "platform/EndReport.h"
#include "platform/MessageBox.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

// A signal handler may only write what is ready: each line whole, nothing formatted or allocated.
struct TFatalSignal {
    int Number;
    std::string_view Line;
};

const TFatalSignal FatalSignals[] = {
    {SIGSEGV, "Velmora: 不正なメモリ参照 (SIGSEGV) のため終了します\n"},
    {SIGBUS, "Velmora: 不正なメモリ参照 (SIGBUS) のため終了します\n"},
    {SIGFPE, "Velmora: 演算の例外 (SIGFPE) のため終了します\n"},
    {SIGILL, "Velmora: 不正な命令 (SIGILL) のため終了します\n"},
    {SIGABRT, "Velmora: 処理が中断された (SIGABRT) ため終了します\n"},
    {SIGTERM, "Velmora: 終了を求められた (SIGTERM) ため終了します\n"},
    {SIGHUP, "Velmora: 端末またはセッションが閉じられた (SIGHUP) ため終了します\n"},
    {SIGXFSZ, "Velmora: ファイルの大きさの上限を超えた (SIGXFSZ) ため終了します\n"},
};

void reportSignal(int number)
{
    for (const TFatalSignal &fatal : FatalSignals)
        if (fatal.Number == number) {
            [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, fatal.Line.data(), fatal.Line.size());
            break;
        }
    // The handler was reset on entry: the signal now ends the process as it would have without us.
    ::raise(number);
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
    struct sigaction action {};
    action.sa_handler = reportSignal;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (const TFatalSignal &fatal : FatalSignals)
        ::sigaction(fatal.Number, &action, nullptr);
    // The program talks to its own child programs and sockets: a peer that ended makes that one write fail.
    std::signal(SIGPIPE, SIG_IGN);
}

void ReportEarlyEnd(const QString &why) { PrintMessageToStderr(QStringLiteral("Velmora: ") + why); }
