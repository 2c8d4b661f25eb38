// The printed list without a window: the address-list template made from the main list's columns, the pages
// the rows fill (every row of one height, so the page count follows from the record count alone), the cell
// texts fitted whole into their cells, and the print run over a print job.
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

// A cell text fitted into its cell: the character height in device pixels and the lines, which together hold
// every character of the text.
struct TCellFit {
    int Height = 0;
    QStringList Lines;
};
// The largest character height up to baseHeight at which text, wrapped into as many lines as the cell height
// holds at that size, fits width; a text too long for one line is wrapped or made smaller, never cut. Lines
// end after a blank or between address parts (U+200B, not printed) where they can, else between Japanese
// characters, never inside a run of letters or digits.
TCellFit FitCellText(TCanvas &canvas, const QString &text, int width, int height, int baseHeight);

// One page of the list on a paper, in tenths of a millimetre (the oriented paper), the same at every resolution.
class TListPage {
public:
    // printable: the part of the paper the printer can print on.
    TListPage(const TListTemplate &listTemplate, const QSize &paper, const QRect &printable);

    const TListTemplate &Template() const { return template_; }
    QSize Paper() const { return paper_; }
    QRect Content() const { return content_; }
    int RowsPerPage() const { return rowsPerPage_; }
    int PageCount(int records) const;
    // The column edges across the content of a page of these rows, first the left edge, last the right: each
    // column as wide as its widest text (heading included) at the cells' size where the page has the room,
    // all of them narrower by what they hold where it has not.
    std::vector<int> ColumnEdges(TCanvas &canvas, const std::vector<QStringList> &rows) const;
    // The top of data row r of a page (from 0).
    int RowTop(int row) const;

    // Draws page (from 0) of pageCount with the cell texts of its rows; origin is where the paper's corner
    // lies on the canvas, in its device pixels.
    // The columns stand at edges where given, else where ColumnEdges puts them for these rows.
    void Draw(TCanvas &canvas, const QPoint &origin, int page, int pageCount, const std::vector<QStringList> &rows,
              const std::vector<int> &edges = {}) const;

private:
    TListTemplate template_;
    QSize paper_;
    QRect content_;
    int rowsPerPage_ = 1;
};

// Reads the cell texts of the rows (list index, record number) from first, count of them, from the book's
// table, the rows listed in order (none: in no index's order), and leaves the table on its primary index; a
// record deleted since the list was made reads as empty cells. readByKey, when given, counts the rows the walk
// of the order did not meet and that were looked up by their keys instead. Nothing in between lets other readers
// move the table, so the book's shared table object serves.
std::vector<QStringList> ReadListRows(TTable &table, const std::vector<std::pair<int, int32_t>> &rows, int first,
                                      int count, const std::optional<TListOrder> &order, const std::vector<int> &items,
                                      const TCategoryNameFn &categoryName, int *readByKey = nullptr);

// Rows first to first + count - 1 of what is printed.
using TListRowsFn = std::function<std::vector<QStringList>(int first, int count)>;

// Prints the records on job, page after page, at dpi with the paper's corner at origin. progress(done pages,
// all pages) is asked after each page; false stops the run. The pages printed.
int PrintListPages(TPrintJob &job, int dpi, const QPoint &origin, const TListPage &page, int records,
                   const TListRowsFn &rows, const std::function<bool(int, int)> &progress);
