// The print wizard's arithmetic, without a window: which records a range and a limit choose, how many sheets
// a print takes, the offset and flap texts, and the range bounds' arrows.
#pragma once

#include <QHash>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

class TAddressList;
class TTable;

// What the wizard reads of the main list and its book.
class TPrintRows {
public:
    virtual ~TPrintRows() = default;
    virtual int GetRecordCount() const = 0;
    // The first selected row, -1 when none is.
    virtual int GetSelectedIndex() const = 0;
    virtual bool IsSelected(int row) const = 0;
    virtual int32_t GetRecNoAt(int row) const = 0;
    // The PrintTarget field of every record of the book, by RecNo.
    virtual QHash<int32_t, int32_t> PrintTargets() const = 0;
};

// The main list over the book's table: the print marks are read in one pass over the table.
class TAddressListRows : public TPrintRows {
public:
    TAddressListRows(const TAddressList &list, TTable &table) : List(list), Table(table) {}
    int GetRecordCount() const override;
    int GetSelectedIndex() const override;
    bool IsSelected(int row) const override;
    int32_t GetRecNoAt(int row) const override;
    QHash<int32_t, int32_t> PrintTargets() const override;

private:
    const TAddressList &List;
    TTable &Table;
};

// Range choices (the Tags of the range radios) and limit choices.
enum : int { rcShown = 0, rcSelected = 1, rcNumbers = 2, rcAll = 3 };
enum : int { lcNone = 0, lcPrintOnly = 1, lcExceptExcluded = 2 };

// The record numbers to print, in list order. The shown record is the first selected row's, and with no row
// selected there is none. Rows startRange to endRange are 1-based. Limit 1 keeps the records marked 1
// ("印刷"), limit 2 drops those marked 2 ("除外"); a record the book lacks has no mark.
std::vector<int32_t> BuildRecordList(const TPrintRows &rows, int rangeChoice, int limitChoice, int startRange,
                                     int endRange);

// The sheets a print takes. A multi-up paper: every record printed labelCount times from labelStart on, the
// pages filled papersPerSheet at a time; a single paper: a sheet per record (or one without records).
int SheetCount(bool multiUp, bool dataPrint, int records, int labelCount, int labelStart, int papersPerSheet,
               int copies);

// The offset scroll bars: position 500 is no offset. The side ("上：" / "下：", "左：" / "右：") and the
// distance ("2.0 mm").
QString OffsetSideText(int position, bool vertical);
QString OffsetValueText(int position);
// The distance in mm, and the position a distance comes to on the side the bar is on (as its side text says).
double OffsetDistance(int position);
int OffsetPositionAt(double distance, int position);

// The flap's text to 0.1 mm: digits and at most one ".", rounded, kept to 0..500; otherwise the current value.
int FlapFromText(const QString &text, int current);
QString FlapText(int flap);

// The range bounds after a step of the start or the end (up or down one): neither leaves 1..count, and the
// other follows when they would cross.
void StepRange(int &startRange, int &endRange, int count, bool onStart, bool up);
// The bounds after an edit of one of them left with value; the other follows.
void SetRangeBound(int &startRange, int &endRange, int count, bool onStart, int value);

// Whether the content (layout units), moved by the offset (0.1 mm) and, down, by the flap (0.1 mm), lies
// inside the printable area (device pixels) of a printer of this resolution.
bool ContentFitsPrintable(const QRect &content, const QRect &printable, int dpiX, int dpiY, int offsetX,
                          int offsetY, int flap);
