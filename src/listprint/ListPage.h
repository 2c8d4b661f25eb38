// The printed list without a window: the address-list template made from the main list's columns, the table
// laid out for the rows printed (one size, columns as wide as their words, rows as high as their lines), the
// pages the rows fill, and the print run over a print job.
#pragma once

#include "mainlist/ListItems.h"
#include "mainlist/RecordListing.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TCanvas;
class TPrintJob;
class TTable;

struct TListColumn {
    int ItemNo = 0;   // decides the cell text
    QString Caption;
    int Align = 0;    // 0 left, 1 centre, 2 right
    int Width = 0;    // the main list's width: the column's share of room the texts leave on the page
};

struct TListTemplate {
    QString Title;
    std::vector<TListColumn> Columns;
    std::vector<int> Items() const;
};

// The built-in template of the address list: the visible columns of the main list in its order and widths,
// the keyword columns under the keyword names as they are now.
TListTemplate AddressListTemplate(const std::array<TColumnDef, ListItemCount> &defs, const std::vector<int> &visible);

// Rows first to first + count - 1 of what is printed.
using TListRowsFn = std::function<std::vector<QStringList>(int first, int count)>;

// The lines a cell text is printed in, set at size (a character height in tenths of a millimetre) in a column
// width tenths of a millimetre wide. Lines end after a blank, between address parts (U+200B, not printed) or
// between words: where the script changes (kanji and hiragana, katakana, Latin letters and digits) and around
// a company's legal form ("株式会社", "一般社団法人"). A word of kanji or kana wider than the column ends a
// line between two of its characters; letters, digits and the marks between them ("090-1234-5678",
// "yamada@example.jp") never do, unless their run is wider than the column: then after a mark between its
// parts (/ . - ? & = _ @) or before an escape ("%E6"), and between two letters or digits only where no such
// end fits, never before a mark. No line begins with a closing mark, a small kana or "ー", and none ends
// after an opening mark. A header (header) ends lines at its blanks alone.
QStringList WrapCellText(const QString &text, double width, int size, bool header = false);

// One page of the list on a paper, in tenths of a millimetre (the oriented paper), the same at every resolution,
// and the table the pages hold once measured: one character size for every cell, columns no narrower than
// their widest word, rows as high as their wrapped lines. A row higher than a page's room (a long note) goes on
// from page to page, its cells split between their lines, under the header each page repeats.
class TListPage {
public:
    // printable: the part of the paper the printer can print on.
    TListPage(const TListTemplate &listTemplate, const QSize &paper, const QRect &printable);

    const TListTemplate &Template() const { return template_; }
    QSize Paper() const { return paper_; }
    QRect Content() const { return content_; }

    // Lays the table out for the records rows reads (a few hundred at a time): the largest character size from
    // 8.5 points down to 7 at which every column holds its widest word (a word of kanji or kana counted up to
    // twelve characters, a run of letters up to the width of 24), the room left given to the columns whose
    // texts wrap, those lacking least first, the rows as high as their lines, the pages as many rows as they
    // hold. Where the words do not fit at 7 points, the runs of letters end lines between their parts, or
    // every four characters' width where a part is wider: a column of web or mail addresses asks no more. A
    // table whose columns do not fit the page's width even so, or whose page holds no row, is not readable; no
    // row's length makes it so.
    void Measure(int records, const TListRowsFn &rows);
    bool Readable() const { return readable_; }
    // The column edges across the content, first the left edge, last the right.
    const std::vector<int> &Edges() const { return edges_; }
    int PageCount() const { return readable_ ? static_cast<int>(pageStarts_.size()) - 1 : 0; }
    // The rows of page: those with any of their lines on it, the first perhaps continued from the page before
    // and the last perhaps continued on the next.
    int FirstRow(int page) const { return pageStarts_[page]; }
    int RowCount(int page) const
    {
        return pageStarts_[page + 1] - pageStarts_[page] + (pageLines_[page + 1] > 0 ? 1 : 0);
    }
    // The lines of row (from 0) of page that the page holds, from the first to one past the last.
    std::pair<int, int> RowLines(int page, int row) const;
    // The top of row (from 0) of page; of row RowCount(page), the bottom of the page's last row.
    int RowTop(int page, int row) const;

    // Draws page (from 0) with the cell texts of its rows; origin is where the paper's corner lies on the
    // canvas, in its device pixels.
    void Draw(TCanvas &canvas, const QPoint &origin, int page, const std::vector<QStringList> &rows) const;

    class TTextMeasure;

private:
    int headerHeight() const;
    // The height of the part of row (from 0) of page that the page holds.
    int partHeight(int page, int row) const;

    TListTemplate template_;
    QSize paper_;
    QRect content_;
    bool readable_ = false;
    int size_ = 0;
    std::vector<int> edges_;
    std::vector<int> lines_;       // of every row: its cell of most lines
    std::vector<int> pageStarts_;  // the first row of every page, then the row count
    std::vector<int> pageLines_;   // the line of its first row every page begins at (0: the row's start), then 0
    int headerLines_ = 1;
    std::shared_ptr<TTextMeasure> measure_;  // shared by the copies of the page, which draw alike
};

// Reads the cell texts of the rows (list index, record number) from first, count of them, from the book's
// table, the rows listed in order (none: in no index's order), and leaves the table on its primary index; a
// record deleted since the list was made reads as empty cells. readByKey, when given, counts the rows the walk
// of the order did not meet and that were looked up by their keys instead. Nothing in between lets other readers
// move the table, so the book's shared table object serves.
std::vector<QStringList> ReadListRows(TTable &table, const std::vector<std::pair<int, int32_t>> &rows, int first,
                                      int count, const std::optional<TListOrder> &order, const std::vector<int> &items,
                                      const TCategoryNameFn &categoryName, int *readByKey = nullptr);

// Prints the measured table's pages on job, page after page, at dpi with the paper's corner at origin.
// progress(done pages, all pages) is asked after each page; false stops the run. The pages printed.
int PrintListPages(TPrintJob &job, int dpi, const QPoint &origin, const TListPage &page, const TListRowsFn &rows,
                   const std::function<bool(int, int)> &progress);
