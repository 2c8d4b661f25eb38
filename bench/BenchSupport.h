// Shared by the benchmark programs: the sample records, timing and the printed table of figures.
#pragma once

#include "core/DBInfo.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>

#include <random>
#include <type_traits>

class TTable;
struct TIndexDef;

// Sample records: kana names, numbers and addresses, the same for every run.
struct Sample {
    std::mt19937 rng{20261206};
    QByteArray kana(int length);
    QByteArray digits(int length);
    int between(int low, int high) { return low + int(rng() % unsigned(high - low + 1)); }
};

// Fills the current row of an "Adrs.DB" being appended with sample record i.
void fill(TTable &t, Sample &s, int i);

// Appends count sample records in one transaction.
void fillBook(TTable &t, int count);

// A book of sample records in a temporary data folder, opened by the program's data module as the program opens
// a book: the folders set, the book's, sender and shared tables made. The list's settings stay in that folder.
struct SampleBook {
    QTemporaryDir dir;
    TDMMirvale18 dm;
    SampleBook(const QString &name, int records);
};

// Comma-separated text of the given rows, each of the given number of columns of short numbers, lines ended by
// CR LF: a file as wide as a test or bench wants it.
QByteArray WideCsv(int rows, int columns);

double seconds(const QElapsedTimer &t);

// A field of /proc/self/status in kB ("VmRSS:", "VmHWM:"); 0 when it cannot be read.
long statusKb(const char *field);

// The benches that draw do it off screen, so they run on a machine without a display; a platform the caller
// set is kept. Called before the application object is made.
void UseOffscreenPlatform();

// The files of folder from copied into folder to (made if missing), so that a bench opens copies of the
// program's tables read-write, never the program folder's own; to with a "/" at its end.
QString CopyOfFolder(const QString &from, const QString &to);

// Seconds per run of f, from as many runs as fit about a tenth of a second (at least one, after one more to
// touch the pages). An f that returns seconds times the part of its run that counts (its set-up left out).
template <typename F>
double perRun(F &&f)
{
    f();
    QElapsedTimer timer;
    timer.start();
    int runs = 0;
    double counted = 0;
    do {
        if constexpr (std::is_void_v<decltype(f())>)
            f();
        else
            counted += f();
        ++runs;
    } while (timer.nsecsElapsed() < 100'000'000 && runs < 10000);
    if constexpr (std::is_void_v<decltype(f())>)
        return seconds(timer) / runs;
    else
        return counted / runs;
}

struct Row {
    const char *what;
    double ours;
    double raw;
    int count;
};

void printHeader(const char *ours, const char *raw);
void print(const Row &r);

// The ORDER BY terms of an index as raw SQL, for the baselines.
QByteArray rawOrderBy(const TIndexDef &ix);
