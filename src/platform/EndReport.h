// The program's ends that its user did not ask for: each leaves a line on stderr saying why, as a window
// may not be left to say it.
#pragma once

#include <QString>

// Once, at start: an uncaught exception and every signal whose default ends the process (a crash, a stack
// overflow, an abort, a termination asked from outside, a limit passed) print their line before the process
// ends as it would have; a signal ignored from the start stays ignored. A write to a pipe or socket whose
// reader has gone fails as a write (EPIPE) instead of ending the process.
void InstallEndReports();

// First in every thread the program starts (the main thread's comes with InstallEndReports): a thread that
// overflows its stack is told too, its handler running on a stack of its own.
void InstallThreadEndReports();

// A deliberate end before the program's windows are up, or a failure after they are gone: the reason as the
// line on stderr.
void ReportEarlyEnd(const QString &why);
