// The program's ends that its user did not ask for: each leaves a line on stderr saying why, as a window
// may not be left to say it.
#pragma once

#include <QString>

// Once, at start: an uncaught exception and the signals that end a process (a crash, an abort, a termination
// asked from outside, a file grown past its limit) print their line before the process ends as it would have.
// A write to a pipe or socket whose reader has gone fails as a write (EPIPE) instead of ending the process.
void InstallEndReports();

// A deliberate end before the program's windows are up, or a failure after they are gone: the reason as the
// line on stderr.
void ReportEarlyEnd(const QString &why);
