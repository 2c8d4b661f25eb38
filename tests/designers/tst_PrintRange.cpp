// The print wizard's arithmetic: records chosen by range and limit, sheets, offsets, the flap and the range
// arrows.
#include "designers/PrintRange.h"

#include <gtest/gtest.h>

namespace {

// Rows 0..n-1 hold records 100, 101, ...; marks and selection as the test sets them.
class FakeRows : public TPrintRows {
public:
    explicit FakeRows(int n) : selected(size_t(n), false), count(n) {}
    int GetRecordCount() const override { return count; }
    int GetSelectedIndex() const override
    {
        const auto at = std::find(selected.begin(), selected.end(), true);
        return at == selected.end() ? -1 : int(at - selected.begin());
    }
    bool IsSelected(int row) const override { return selected[size_t(row)]; }
    int32_t GetRecNoAt(int row) const override { return 100 + row; }
    QHash<int32_t, int32_t> PrintTargets() const override { return marks; }

    std::vector<bool> selected;
    QHash<int32_t, int32_t> marks;
    int count;
};

}  // namespace

TEST(PrintRange, RangesAndLimits)
{
    FakeRows rows(6);
    rows.selected[2] = rows.selected[4] = true;
    rows.marks = {{100, 1}, {102, 2}, {103, 1}, {104, 2}};
    EXPECT_EQ(BuildRecordList(rows, rcShown, lcPrintOnly, 1, 6), std::vector<int32_t>{102})
        << "the shown record whatever its mark";
    EXPECT_EQ(BuildRecordList(rows, rcSelected, lcNone, 1, 6), (std::vector<int32_t>{102, 104}));
    EXPECT_EQ(BuildRecordList(rows, rcSelected, lcExceptExcluded, 1, 6), std::vector<int32_t>{});
    EXPECT_EQ(BuildRecordList(rows, rcNumbers, lcNone, 2, 4), (std::vector<int32_t>{101, 102, 103}));
    EXPECT_EQ(BuildRecordList(rows, rcNumbers, lcNone, 5, 99), (std::vector<int32_t>{104, 105}));
    EXPECT_EQ(BuildRecordList(rows, rcAll, lcPrintOnly, 1, 1), (std::vector<int32_t>{100, 103}));
    EXPECT_EQ(BuildRecordList(rows, rcAll, lcExceptExcluded, 1, 1), (std::vector<int32_t>{100, 101, 103, 105}));
}

TEST(PrintRange, NoSelectedRowPrintsNothing)
{
    FakeRows rows(3);
    EXPECT_TRUE(BuildRecordList(rows, rcShown, lcNone, 1, 3).empty());
    FakeRows empty(0);
    EXPECT_TRUE(BuildRecordList(empty, rcShown, lcNone, 1, 1).empty());
    EXPECT_TRUE(BuildRecordList(empty, rcAll, lcNone, 1, 1).empty());
}

TEST(PrintRange, SheetsOfMultiUpAndSinglePapers)
{
    // Ten papers a sheet, three records printed twice each, one copy.
    EXPECT_EQ(SheetCount(true, true, 3, 2, 5, 10, 1), 1);
    EXPECT_EQ(SheetCount(true, true, 3, 2, 6, 10, 1), 2);
    EXPECT_EQ(SheetCount(true, true, 3, 2, 6, 10, 3), 6);
    // Six papers a sheet (3 x 2), no records: the one design from the start position on.
    EXPECT_EQ(SheetCount(true, false, 0, 1, 6, 6, 1), 1);
    EXPECT_EQ(SheetCount(true, false, 0, 2, 6, 6, 1), 2);
    EXPECT_EQ(SheetCount(false, true, 7, 1, 1, 1, 2), 14);
    EXPECT_EQ(SheetCount(false, false, 7, 1, 1, 1, 2), 2);
}

TEST(PrintRange, OffsetTexts)
{
    EXPECT_EQ(OffsetSideText(480, true) + OffsetValueText(480), QStringLiteral("上：2.0 mm"));
    EXPECT_EQ(OffsetSideText(530, true) + OffsetValueText(530), QStringLiteral("下：3.0 mm"));
    EXPECT_EQ(OffsetSideText(500, true) + OffsetValueText(500), QStringLiteral("上：0.0 mm"));
    EXPECT_EQ(OffsetSideText(501, false), QStringLiteral("右："));
    EXPECT_EQ(OffsetSideText(0, false) + OffsetValueText(0), QStringLiteral("左：50.0 mm"));
}

TEST(PrintRange, FlapTexts)
{
    EXPECT_EQ(FlapFromText("12.3", 40), 123);
    EXPECT_EQ(FlapFromText("1.2.3", 40), 40);
    EXPECT_EQ(FlapFromText("12a", 40), 40);
    EXPECT_EQ(FlapFromText("", 40), 40);
    EXPECT_EQ(FlapFromText("999", 40), 500);
    EXPECT_EQ(FlapFromText(".05", 40), 1);
    EXPECT_EQ(FlapText(123), QStringLiteral("12.3"));
}

TEST(PrintRange, RangeArrowsAndEdits)
{
    int start = 3, end = 3;
    StepRange(start, end, 10, true, true);
    EXPECT_EQ(start, 4);
    EXPECT_EQ(end, 4) << "the end follows the start up";
    StepRange(start, end, 10, false, false);
    EXPECT_EQ(start, 3);
    EXPECT_EQ(end, 3) << "the start follows the end down";
    start = end = 10;
    StepRange(start, end, 10, true, true);
    EXPECT_EQ(start, 10);
    start = end = 1;
    StepRange(start, end, 10, false, false);
    EXPECT_EQ(end, 1);
    SetRangeBound(start, end, 10, true, 7);
    EXPECT_EQ(end, 7);
    SetRangeBound(start, end, 10, false, 2);
    EXPECT_EQ(start, 2);
    SetRangeBound(start, end, 10, false, 50);
    EXPECT_EQ(end, 10);
    SetRangeBound(start, end, 10, true, 0);
    EXPECT_EQ(start, 1);
}

TEST(PrintRange, PrintableAreaCheck)
{
    // A postcard at 600 dpi whose printer keeps 4 mm (94.5 px) free on every side.
    const QRect printable(94, 94, 2362 - 2 * 94, 3496 - 2 * 94);
    const QRect content(20, 20, 300, 500);  // layout units: 5.3 mm from the corner
    EXPECT_TRUE(ContentFitsPrintable(content, printable, 600, 600, 0, 0, 0));
    EXPECT_FALSE(ContentFitsPrintable(content, printable, 600, 600, -20, 0, 0)) << "2 mm to the left";
    EXPECT_FALSE(ContentFitsPrintable(content, printable, 600, 600, 0, 0, 400)) << "a 40 mm flap pushes it down";
    EXPECT_FALSE(ContentFitsPrintable(QRect(20, 20, 360, 500), printable, 600, 600, 0, 0, 0));
}
