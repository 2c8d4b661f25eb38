#include "designers/PrintRange.h"

#include "base/Units.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "mainlist/AdrsList.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

int TAddressListRows::GetRecordCount() const { return List.GetRecordCount(); }
int TAddressListRows::GetSelectedIndex() const { return List.GetSelectedIndex(); }
bool TAddressListRows::IsSelected(int row) const { return List.IsSelected(row); }
int32_t TAddressListRows::GetRecNoAt(int row) const { return List.GetRecNoAt(row); }

QHash<int32_t, int32_t> TAddressListRows::PrintTargets() const
{
    QHash<int32_t, int32_t> targets;
    targets.reserve(List.GetRecordCount());
    Table.Scan({QStringLiteral("RecNo"), QStringLiteral("PrintTarget")}, true,
               [&](const QVariantList &row) { targets.insert(row[0].toInt(), row[1].toInt()); });
    return targets;
}

std::vector<int32_t> BuildRecordList(const TPrintRows &rows, int rangeChoice, int limitChoice, int startRange,
                                     int endRange)
{
    std::vector<int32_t> list;
    if (rangeChoice == rcShown) {
        // No selected row means no record, not a record number of -1 for the printing to look up.
        const int row = rows.GetSelectedIndex();
        if (row >= 0)
            list.push_back(rows.GetRecNoAt(row));
        return list;
    }
    const int count = rows.GetRecordCount();
    int first = 0, last = count - 1;
    if (rangeChoice == rcNumbers) {
        first = std::max(first, startRange - 1);
        last = std::min(last, endRange - 1);
    }
    const QHash<int32_t, int32_t> targets =
        limitChoice == lcNone ? QHash<int32_t, int32_t>() : rows.PrintTargets();
    list.reserve(size_t(std::max(0, last - first + 1)));
    for (int row = first; row <= last; ++row) {
        if (rangeChoice == rcSelected && !rows.IsSelected(row))
            continue;
        const int32_t recNo = rows.GetRecNoAt(row);
        if (limitChoice == lcPrintOnly && targets.value(recNo) != 1)
            continue;
        if (limitChoice == lcExceptExcluded && targets.value(recNo) == 2)
            continue;
        list.push_back(recNo);
    }
    return list;
}

int SheetCount(bool multiUp, bool dataPrint, int records, int labelCount, int labelStart, int papersPerSheet,
               int copies)
{
    const int64_t items = dataPrint ? records : 1;
    if (!multiUp)
        return int(std::min<int64_t>(copies * items, INT32_MAX));
    const int64_t papers = int64_t(labelCount) * items + labelStart - 1;
    const int64_t perSheet = std::max(1, papersPerSheet);
    return int(std::min<int64_t>((papers + perSheet - 1) / perSheet * copies, INT32_MAX));
}

QString OffsetSideText(int position, bool vertical)
{
    const int d = position - 500;
    if (vertical)
        return d < 1 ? QStringLiteral("上：") : QStringLiteral("下：");
    return d < 1 ? QStringLiteral("左：") : QStringLiteral("右：");
}

QString OffsetValueText(int position) { return QString::asprintf("%.1f mm", OffsetDistance(position)); }

double OffsetDistance(int position) { return std::abs(position - 500) / 10.0; }

int OffsetPositionAt(double distance, int position)
{
    if (std::isnan(distance))
        return position;
    const int tenths = RoundToInt(std::min(std::abs(distance), 50.0) * 10);
    return position - 500 < 1 ? 500 - tenths : 500 + tenths;
}

int FlapFromText(const QString &text, int current)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]*\\.?[0-9]*$"));
    if (text.isEmpty() || text == QStringLiteral(".") || !number.match(text).hasMatch())
        return current;
    const int64_t tenths = std::min<int64_t>(RoundHalfAway(text.toDouble() * 10), 32767);
    return int(std::clamp<int64_t>(tenths, 0, 500));
}

QString FlapText(int flap) { return QString::asprintf("%.1f", flap / 10.0); }

void StepRange(int &startRange, int &endRange, int count, bool onStart, bool up)
{
    if (up) {
        if (onStart) {
            if (startRange >= count)
                return;
            if (startRange == endRange)
                ++endRange;
            ++startRange;
        } else if (endRange < count) {
            ++endRange;
        }
    } else {
        if (onStart) {
            if (startRange > 1)
                --startRange;
        } else {
            if (endRange <= 1)
                return;
            if (endRange == startRange)
                --startRange;
            --endRange;
        }
    }
}

void SetRangeBound(int &startRange, int &endRange, int count, bool onStart, int value)
{
    value = std::clamp(value, 1, std::max(1, count));
    if (onStart) {
        startRange = value;
        endRange = std::max(endRange, startRange);
    } else {
        endRange = value;
        startRange = std::min(startRange, endRange);
    }
}

bool ContentFitsPrintable(const QRect &content, const QRect &printable, int dpiX, int dpiY, int offsetX,
                          int offsetY, int flap)
{
    const int dx = TenthsMmToPixels(offsetX, dpiX);
    const int dy = TenthsMmToPixels(offsetY, dpiY) + TenthsMmToPixels(flap, dpiY);
    const int left = LayoutToPixels(content.left(), dpiX) + dx;
    const int top = LayoutToPixels(content.top(), dpiY) + dy;
    const int right = left + LayoutToPixels(content.width(), dpiX);
    const int bottom = top + LayoutToPixels(content.height(), dpiY);
    return left >= printable.left() && top >= printable.top() && right <= printable.left() + printable.width() &&
           bottom <= printable.top() + printable.height();
}
