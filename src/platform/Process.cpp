#include "platform/Process.h"

#include "base/Folders.h"
#include "platform/EndReport.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <utility>

namespace {

// The program file at the start of a command line: the text before the first blank outside double quotes,
// with the quotes removed.
QString programFileOf(const QString &commandLine)
{
    bool quoted = false;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        if (commandLine[i] == QLatin1Char('"'))
            quoted = !quoted;
        else if (commandLine[i] == QLatin1Char(' ') && !quoted)
            return commandLine.left(i).remove(QLatin1Char('"'));
    }
    return QString(commandLine).remove(QLatin1Char('"'));
}

// The folder part of a file name, with its "/"; empty for a bare name.
QString folderOf(const QString &file) { return file.left(file.lastIndexOf(QLatin1Char('/')) + 1); }

QString resolveFolder(const QString &folder, const QString &programFile)
{
    const QString trimmed = folder.trimmed();
    return trimmed == QLatin1String("@") ? folderOf(programFile) : trimmed;
}

// Checked before starting because QProcess reports a failed exec only as text: a bare name is looked up on
// PATH, a path is taken as it is. Gives the absolute file to start, or the errno code why it cannot be.
int resolveProgram(const QString &program, QString &resolved)
{
    if (program.isEmpty())
        return ENOENT;
    if (!program.contains(QLatin1Char('/'))) {
        resolved = QStandardPaths::findExecutable(program);
        return resolved.isEmpty() ? ENOENT : 0;
    }
    const QFileInfo info(program);
    if (!info.exists())
        return ENOENT;
    if (!info.isFile() || !info.isExecutable())
        return EACCES;
    resolved = info.absoluteFilePath();
    return 0;
}

int prepare(QProcess &process, const QString &program, const QStringList &arguments, const QString &folder)
{
    QString resolved;
    if (const int code = resolveProgram(program, resolved))
        return code;
    process.setProgram(resolved);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    if (DirectoryExists(folder))
        process.setWorkingDirectory(folder);
    return 0;
}

// The application stays responsive while it waits: its events are handled after every 100 ms.
int waitForEnd(QProcess &process)
{
    while (process.state() != QProcess::NotRunning) {
        if (!process.waitForFinished(100))
            QCoreApplication::processEvents();
    }
    // For a killed program QProcess holds the signal number; the shell's 128 + signal keeps it apart from a
    // clean end.
    if (process.exitStatus() == QProcess::CrashExit)
        return 128 + process.exitCode();
    return process.exitCode();
}

struct LaunchResult {
    int startError = 0;
    int exitCode = 0;
};

LaunchResult launch(const QString &program, const QStringList &arguments, const QString &folder, bool noWait)
{
    QProcess process;
    if (noWait) {
        // Detached, so the program outlives this object and its end needs no reaping by us.
        if (const int code = prepare(process, program, arguments, folder))
            return {code};
        return {process.startDetached() ? 0 : ENOEXEC};
    }
    if (const int code = StartProgram(process, program, arguments, folder))
        return {code};
    return {0, waitForEnd(process)};
}

}  // namespace

int StartProgram(QProcess &process, const QString &program, const QStringList &arguments, const QString &folder)
{
    if (const int code = prepare(process, program, arguments, folder))
        return code;
    process.start();
    return process.waitForStarted(-1) ? 0 : ENOEXEC;
}

int RunProgram(const QString &commandLine, const QString &workingFolder, bool noWait, int /*showState*/)
{
    QStringList words = QProcess::splitCommand(commandLine);
    const QString program = words.isEmpty() ? QString() : words.takeFirst();
    const LaunchResult result =
        launch(program, words, resolveFolder(workingFolder, programFileOf(commandLine)), noWait);
    return result.startError ? result.startError : result.exitCode;
}

int ShellExecuteAndWait(const QString &file, const QString &parameters, const QString &folder, int /*showState*/,
                        bool noWait)
{
    const QFileInfo info(file);
    if (!info.exists())
        return ENOENT;
    const QString workFolder = resolveFolder(folder, file);
    if (info.isFile() && info.isExecutable())
        return launch(info.absoluteFilePath(), QProcess::splitCommand(parameters), workFolder, noWait).startError;
    // The opener takes the one file; parameters only mean something to a program that is run directly.
    return launch(QStringLiteral("xdg-open"), {info.absoluteFilePath()}, workFolder, noWait).startError;
}

namespace {

// Set by an update that replaced the program, until its end starts the new copy.
bool restartAsked = false;

}  // namespace

std::function<bool(const QString &program)> StartNewCopy = [](const QString &program) {
    return QProcess::startDetached(program, {});
};

void RestartAfterEnd() { restartAsked = true; }

void StartAskedRestart()
{
    const QString program = QCoreApplication::applicationFilePath();
    if (!std::exchange(restartAsked, false) || StartNewCopy(program))
        return;
    ReportEarlyEnd(QStringLiteral("アップデート後のアプリケーションを起動できませんでした: ") + program);
    ShowMessageBoxAt(nullptr,
                     QStringLiteral("アップデート後のアプリケーションを起動できませんでした  \r\n"
                                    "もう一度起動してください  "),
                     AppTitle, MB_ICONERROR, mbpSystem);
}
