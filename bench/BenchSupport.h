// Shared by the benchmark programs: the sample records, timing and the printed table of figures.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>

#include <random>

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

double seconds(const QElapsedTimer &t);

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
