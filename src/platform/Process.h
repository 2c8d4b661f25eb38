// Starting other programs and handing files to the desktop, with the program's rules for waiting on them.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

// Window show states as callers pass them. A program on Linux decides its own first window state, so every
// function here takes the value and leaves it without effect.
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWDEFAULT = 10;

// Why a program could not be started, as errno codes: the program file is missing (ENOENT, 2), is not an
// executable file (EACCES, 13), or the system refused to run it (ENOEXEC, 8).

// Starts a command line (the program, then its arguments; double quotes group blanks as on Windows). The
// working folder "@" is the program file's own folder; a folder that does not exist leaves the current one.
// Unless noWait, waits for the program's end while the application keeps handling its events, and returns
// its exit code (128 + the signal number when it was killed); with noWait returns 0 once it runs. A program
// that cannot be started gives its errno code.
int RunProgram(const QString &commandLine, const QString &workingFolder, bool noWait, int showState);

// Opens a file: an executable program is run with the parameters, any other file or folder goes to the
// desktop's opener (xdg-open). Folder "@" is the file's own folder. Returns 0 once it runs (unless noWait,
// once it has ended), else the errno code.
int ShellExecuteAndWait(const QString &file, const QString &parameters, const QString &folder, int showState,
                        bool noWait);

// Starts a program as a child that the caller's QProcess keeps, so the caller can tell whether it still
// runs and end it. Folder as for RunProgram (already resolved, no "@"). Returns 0 or the errno code.
int StartProgram(QProcess &process, const QString &program, const QStringList &arguments, const QString &folder);

// Asks for the program to start again once this copy has ended (an update replaced its files). Started any
// earlier, the new copy would find this one still holding the data root's lock, hand off to it and end, and
// this one would then end as asked: nothing would be left running.
void RestartAfterEnd();
// The program's end, once the lock is released: starts the copy RestartAfterEnd asked for. A copy that cannot
// be started is said on stderr and in a message box.
void StartAskedRestart();
// How the new copy is started: the program's own file, detached. Tests put a starter of their own in its place.
extern std::function<bool(const QString &program)> StartNewCopy;
