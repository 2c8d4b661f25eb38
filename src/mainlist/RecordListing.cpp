#include "mainlist/RecordListing.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/Hyphen.h"
#include "db/Table.h"
#include "mainlist/ListItems.h"
#include "mainlist/NarrowDown.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <utility>

bool PassesGroupTest(int viewGroup, int32_t group)
{
    if (viewGroup == 0)
        return true;
    if (viewGroup == 1)
        return group == 0;
    return group == viewGroup - 1;
}

int WalkListedRecords(TTable &table, const std::vector<int32_t> &recNos, const std::optional<TListOrder> &order,
                      const std::function<void(int)> &met)
{
    const int n = static_cast<int>(recNos.size());
    if (n == 0)
        return 0;
    // The records the walk has still to meet.
    QHash<int32_t, int> pending;
    pending.reserve(n);
    for (int i = n; i-- > 0;)
        pending.insert(recNos[i], i);
    TListOrder walk;
    int32_t start = recNos.front();
    if (order) {
        walk = *order;
    } else {
        // Record numbers far apart are cheaper by their keys than by walking over all between them.
        int32_t high = start;
        for (const int32_t recNo : recNos) {
            start = std::min(start, recNo);
            high = std::max(high, recNo);
        }
        if (static_cast<int64_t>(high) - start >= 4LL * n)
            return 0;
    }
    const QString before = table.IndexName();
    int count = 0;
    // The table may be the book's shared one: it never stays in another order.
    try {
        table.SetIndexName(QString());
        if (table.FindKey({start})) {
            TField &recNo = table.FieldByName(QStringLiteral("RecNo"));
            table.SetIndexName(walk.IndexName);
            // Records the list leaves out (another group, rows not selected) may lie between the listed ones.
            for (int budget = 4 * n;;) {
                const auto found = pending.constFind(recNo.AsInteger());
                if (found != pending.constEnd()) {
                    met(*found);
                    ++count;
                    pending.erase(found);
                }
                if (pending.isEmpty() || --budget == 0)
                    break;
                table.ReadAhead(std::min(static_cast<int>(pending.size()), budget), walk.Ascending);
                if (walk.Ascending ? (table.Next(), table.Eof()) : (table.Prior(), table.Bof()))
                    break;
            }
        }
    } catch (const EDatabaseError &) {
        table.SetIndexName(before);
        throw;
    }
    table.SetIndexName(before);
    return count;
}

std::vector<int32_t> ListRecordNumbers(TTable &adrs, const QString &indexName, bool ascending, int viewGroup,
                                       const TNarrowDownCondition *filter)
{
    // One pass reads the record number, the group and the fields the filter asks about, nothing else.
    QStringList fields = {QStringLiteral("RecNo"), QStringLiteral("Group")};
    const QStringList filterFields = filter ? FilterFields(*filter) : QStringList();
    fields += filterFields;
    std::vector<int32_t> recNos;
    adrs.SetIndexName(indexName);
    adrs.Scan(fields, ascending, [&](const QVariantList &v) {
        if (!PassesGroupTest(viewGroup, static_cast<int32_t>(v[1].toLongLong())))
            return;
        if (filter && !RowPassesFilter(*filter, [&](const QString &field) {
                return v[2 + filterFields.indexOf(field)];
            }))
            return;
        recNos.push_back(static_cast<int32_t>(v[0].toLongLong()));
    });
    return recNos;
}

void SortDuplicateEntries(std::vector<TDupliData> &entries, bool byGroup)
{
    std::stable_sort(entries.begin(), entries.end(), [byGroup](const TDupliData &a, const TDupliData &b) {
        if (const int c = a.Key1.compare(b.Key1); c != 0)
            return c < 0;
        if (const int c = a.Key2.compare(b.Key2); c != 0)
            return c < 0;
        return byGroup && a.Group < b.Group;
    });
}

namespace {

// The key texts of a duplicate item, untrimmed, cut to their documented lengths; the address as the list shows
// it, within its fields' length: "梅田3-1-3" with "5F" is not the same place as "梅田3-1-35".
QByteArray duplicateKey(int item, const QVariantList &v)
{
    switch (item) {
    case 1: return v[2].toByteArray().left(11);
    case 2:
        return JoinAddressParts<QByteArray>(
            {v[3].toByteArray(), v[4].toByteArray(), v[5].toByteArray(), v[6].toByteArray()});
    case 3: return v[7].toByteArray().left(120);
    case 4: return v[8].toByteArray().left(75);
    default: return {};
    }
}

}  // namespace

std::vector<int32_t> ListDuplicateRecordNumbers(TTable &adrs, int item1, int item2, int viewGroup)
{
    std::vector<TDupliData> entries;
    adrs.SetIndexName(QString());
    adrs.Scan({QStringLiteral("RecNo"), QStringLiteral("Group"), QStringLiteral("Tel"), QStringLiteral("Tdfkn"),
               QStringLiteral("Adrs1"), QStringLiteral("Adrs2"), QStringLiteral("Adrs3"), QStringLiteral("CorpKanji"),
               QStringLiteral("NameKanji")},
              true, [&](const QVariantList &v) {
                  entries.push_back({static_cast<int32_t>(v[0].toLongLong()), static_cast<int32_t>(v[1].toLongLong()),
                                     duplicateKey(item1, v), item2 > 0 ? duplicateKey(item2, v) : QByteArray()});
              });
    SortDuplicateEntries(entries, viewGroup != 0);

    const bool twoItems = item2 > 0;
    auto hasKey = [twoItems](const TDupliData &e) {
        return twoItems ? !(e.Key1.isEmpty() && e.Key2.isEmpty()) : !e.Key1.isEmpty();
    };
    auto usable = [&](const TDupliData &e) { return hasKey(e) && PassesGroupTest(viewGroup, e.Group); };

    std::vector<int32_t> recNos;
    size_t i = 0;
    while (i < entries.size()) {
        if (!usable(entries[i])) {
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool run = false;
        while (j < entries.size() && usable(entries[j]) && entries[j].Key1 == entries[i].Key1
               && (!twoItems || entries[j].Key2 == entries[i].Key2)) {
            if (!run)
                recNos.push_back(entries[i].RecNo);
            run = true;
            recNos.push_back(entries[j].RecNo);
            ++j;
        }
        i = j;
    }
    return recNos;
}

QString FormatPostalCode(const QString &code)
{
    if (code.size() == 5 || code.size() == 7)
        return code.left(3) + QLatin1Char('-') + code.mid(3, 4);
    return code;
}

namespace {

// The fields each list item reads, in the order its text uses them.
constexpr std::array<std::array<const char16_t *, 4>, ListItemCount> ItemFieldNames{{
    {},  // the row number
    {u"Group"}, {u"CustomCode"}, {u"Tel"}, {u"TelDiv"}, {u"Fax"}, {u"Portable1"}, {u"Portable2"}, {u"Pos"},
    {u"Tdfkn", u"Adrs1", u"Adrs2", u"Adrs3"}, {u"AdrsKana"}, {u"PrivCorp"}, {u"CorpKanji"}, {u"CorpKana"},
    {u"Dptmnt"}, {u"Post"}, {u"NameKanji"}, {u"NameKana"}, {u"URL"}, {u"EMail1"}, {u"EMail2"},
    {u"Joint1"}, {u"Joint2"}, {u"Joint3"}, {u"Joint4"}, {u"Joint5"},
    {u"Keyword1"}, {u"Keyword2"}, {u"Keyword3"}, {u"Keyword4"}, {u"Keyword5"}, {u"Keyword6"}, {u"Keyword7"},
    {u"Keyword8"}, {u"Note"}, {u"SymbolMark", u"SymbolColor"},
    {u"AddDateTime"}, {u"AddDateTime"}, {u"AddDateTime"}, {u"UpdDateTime"}, {u"UpdDateTime"}, {u"UpdDateTime"},
    {u"CodeMain"}, {u"CodeMain", u"CodeSub"},
}};

// "yyyy/MM/dd hh:mm:ss", or its date or its time alone; written directly, as an export asks it of every
// record and a format string would be read again for each.
QString dateTimeText(double value, bool withDate, bool withTime)
{
    QDate date;
    QTime time;
    if (!DoubleToDateAndTime(value, &date, &time) || !date.isValid())
        return QString();
    // Digits written by hand into a buffer: a printf, or an append per character, cost more than the rest of
    // the date cell.
    char16_t text[19];
    int n = 0;
    auto digits = [&](int value, int width) {
        for (int div = width == 4 ? 1000 : 10; div > 0; div /= 10)
            text[n++] = char16_t(u'0' + value / div % 10);
    };
    if (withDate) {
        // One conversion from the day number for all three parts.
        int year, month, day;
        date.getDate(&year, &month, &day);
        digits(year, 4);
        text[n++] = u'/';
        digits(month, 2);
        text[n++] = u'/';
        digits(day, 2);
    }
    if (withTime) {
        if (withDate)
            text[n++] = u' ';
        digits(time.hour(), 2);
        text[n++] = u':';
        digits(time.minute(), 2);
        text[n++] = u':';
        digits(time.second(), 2);
    }
    return QString(reinterpret_cast<const QChar *>(text), n);
}

}  // namespace

TListCells::TListCells(TTable &adrs, TCategoryNameFn categoryName)
    : adrs_(adrs), categoryName_(std::move(categoryName))
{
}

std::array<TField *, 4> &TListCells::fieldsOf(int itemNo)
{
    std::array<TField *, 4> &f = fields_[itemNo];
    if (!resolved_[itemNo]) {
        for (size_t k = 0; k < f.size() && ItemFieldNames[itemNo][k]; ++k)
            f[k] = &adrs_.FieldByName(QString::fromUtf16(ItemFieldNames[itemNo][k]));
        resolved_[itemNo] = true;
    }
    return f;
}

std::array<QString, 4> TListCells::AddressParts()
{
    std::array<QString, 4> parts;
    const std::array<TField *, 4> &f = fieldsOf(liAddress);
    for (size_t k = 0; k < parts.size(); ++k)
        parts[k] = Sjis::decode(TrimBlanks(f[k]->AsString()));
    return parts;
}

QString TListCells::Text(int itemNo, int rowIndex)
{
    if (itemNo < 0 || itemNo >= ListItemCount)
        return {};
    std::array<TField *, 4> &f = fieldsOf(itemNo);
    auto trimmed = [&f](int k) { return Sjis::decode(TrimBlanks(f[k]->AsString())); };
    auto integer = [&f](int k) { return f[k]->AsInteger(); };

    switch (itemNo) {
    case 0: return QString::number(rowIndex + 1);
    case 1: {
        const int group = integer(0);
        return group >= 1 && group <= 10 ? GroupNames[group] : QString();
    }
    case 3:
    case 5:
    case 6:
    case 7: return Sjis::decode(TrimBlanks(HyphenatePhone(TrimBlanks(f[0]->AsString()))));
    case 4: return integer(0) == 3 ? QStringLiteral("代表") : QString();
    case 8: return FormatPostalCode(trimmed(0));
    case liAddress: return JoinAddressParts(AddressParts());
    case 11: return f[0]->AsBoolean() ? QStringLiteral("個人") : QStringLiteral("会社");
    case 16:
    case 21:
    case 22:
    case 23:
    case 24:
    case 25: return TrimBlanks(EscapedAnsiToWide(f[0]->AsString()));
    case 35: {
        const QString mark = trimmed(0);
        if (mark.isEmpty())
            return mark;
        return mark + QStringLiteral(",$")
            + QStringLiteral("%1").arg(static_cast<quint32>(integer(1)), 8, 16, QLatin1Char('0')).toUpper();
    }
    case 36:
    case 39: return dateTimeText(f[0]->AsDateTime(), true, true);
    case 37:
    case 40: return dateTimeText(f[0]->AsDateTime(), true, false);
    case 38:
    case 41: return dateTimeText(f[0]->AsDateTime(), false, true);
    case 42: return Sjis::decode(TrimBlanks(categoryName_(integer(0), -1)));
    case 43: return Sjis::decode(TrimBlanks(categoryName_(integer(0), integer(1))));
    default: return trimmed(0);  // the texts kept as they are stored: codes, names, addresses, keywords, the note
    }
}
