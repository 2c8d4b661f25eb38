// The text export without its window: the main list's cell texts of chosen items, and the address parts that
// the list joins, one line per record, as comma- or tab-separated text in Shift-JIS or UTF-8 that spreadsheets
// and the import read back cell for cell.
#pragma once

#include "exchange/TextImport.h"
#include "mainlist/RecordListing.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class TTable;

struct TExportOptions {
    std::vector<int> Items;  // text item numbers (the list's items, the address parts), in the order of the columns
    bool Header = true;      // a first line of the items' captions
    TTextEncoding Encoding = TTextEncoding::ShiftJis;
    char Separator = ',';
};

struct TExportOutcome {
    int Written = 0;
    bool Stopped = false;
    QString Failure;      // nothing was written
    QString Unmappable;   // characters Shift-JIS lacks, written as "?"
    QString Replaced;     // characters Shift-JIS writes as others (Sjis::readBack), each once
};

// Writes the rows (list index, record number) of table to fileName in that order, through a temporary file:
// the file is replaced only when every line was made. progress(done, total) is asked now and then; false stops
// the run and nothing is written.
TExportOutcome ExportRows(TTable &table, const std::vector<std::pair<int, int32_t>> &rows, const TExportOptions &options,
                          const TCategoryNameFn &categoryName, const QString &fileName,
                          const std::function<bool(int, int)> &progress);
