#include "TestSupport.h"
#include "common/MappedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <new>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/resource.h>

#include <cstdio>
#include <thread>

namespace test {

QString appDir() { return QStringLiteral(VELMORA_APP_DIR); }
QString sourceDir() { return QStringLiteral(VELMORA_SOURCE_DIR); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void replaceDictionary(const QString &path, const QByteArray &bytes)
{
    writeFile(path + QStringLiteral(".new"), bytes);
    ASSERT_EQ(std::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(), QFile::encodeName(path).constData()),
              0)
        << path.toStdString();
    std::this_thread::sleep_for(kv::kStampInterval + std::chrono::milliseconds(50));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

FullDisk::FullDisk(qint64 limitBytes)
{
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    previousSoft_ = static_cast<qint64>(r.rlim_cur);
    previousHard_ = static_cast<qint64>(r.rlim_max);
    // Only the soft limit moves, so the destructor can raise it again without privileges.
    r.rlim_cur = static_cast<rlim_t>(limitBytes);
    setrlimit(RLIMIT_FSIZE, &r);
}

FullDisk::~FullDisk()
{
    const rlimit r{static_cast<rlim_t>(previousSoft_), static_cast<rlim_t>(previousHard_)};
    setrlimit(RLIMIT_FSIZE, &r);
    std::signal(SIGXFSZ, previousHandler_);
}

int RunWithAddressSpaceLimit(qint64 headroomBytes, const std::function<int()> &body)
{
    // The first field of statm is the mapped size in pages.
    qint64 pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const qint64 mapped = pages * sysconf(_SC_PAGESIZE);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        rlimit r{};
        getrlimit(RLIMIT_AS, &r);
        r.rlim_cur = static_cast<rlim_t>(mapped + headroomBytes);
        setrlimit(RLIMIT_AS, &r);
        int code;
        try {
            code = body();
        } catch (const std::bad_alloc &) {
            code = 99;
        } catch (...) {
            code = 98;
        }
        _exit(code);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

MessageBoxScript::MessageBoxScript()
{
    previous_ = SetMessageBoxHandler([this](const TMessageBoxRequest &r) {
        shown_.push_back(r);
        if (!answers_.empty()) {
            const Answer answer = answers_.front();
            answers_.pop_front();
            if (answer.whileOpen) {
                QEventLoop loop;
                QTimer::singleShot(0, &loop, [&] {
                    answer.whileOpen();
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                    loop.quit();
                });
                loop.exec();
            }
            return answer.buttonId;
        }
        return DefaultButtonOf(r.flags);
    });
}

MessageBoxScript::~MessageBoxScript() { SetMessageBoxHandler(previous_); }

QStringList MessageBoxScript::texts() const
{
    QStringList out;
    for (const auto &r : shown_)
        out << r.text;
    return out;
}

}  // namespace test
