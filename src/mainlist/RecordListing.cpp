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

#include <algorithm>

bool PassesGroupTest(int viewGroup, int32_t group)
{
    if (viewGroup == 0)
        return true;
    if (viewGroup == 1)
        return group == 0;
    return group == viewGroup - 1;
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

// The key texts of a duplicate item, untrimmed, cut to their documented lengths.
QByteArray duplicateKey(int item, const QVariantList &v)
{
    switch (item) {
    case 1: return v[2].toByteArray().left(11);
    case 2: return (v[3].toByteArray() + v[4].toByteArray() + v[5].toByteArray() + v[6].toByteArray()).left(256);
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

QString ListItemText(int itemNo, int rowIndex, TTable &adrs, const TCategoryNameFn &categoryName)
{
    // The names are literals, not made per cell: a list or an export looks up every cell of every row.
    auto bytes = [&](const QString &field) { return adrs.FieldByName(field).AsString(); };
    auto trimmed = [&](const QString &field) { return Sjis::decode(TrimBlanks(bytes(field))); };
    auto phone = [&](const QString &field) { return Sjis::decode(TrimBlanks(HyphenatePhone(TrimBlanks(bytes(field))))); };
    auto unicode = [&](const QString &field) {
        return TrimBlanks(EscapedAnsiToWide(adrs.FieldByName(field).AsString()));
    };
    // "yyyy/MM/dd hh:mm:ss", or its date or its time alone; written directly, as an export asks it of every
    // record and a format string would be read again for each.
    auto dateTime = [&](const QString &field, bool withDate, bool withTime) {
        QDate date;
        QTime time;
        if (!DoubleToDateAndTime(adrs.FieldByName(field).AsDateTime(), &date, &time) || !date.isValid())
            return QString();
        // Digits written by hand: a printf per cell cost more than the rest of the date cell.
        QString text;
        text.reserve(19);
        auto digits = [&text](int value, int width) {
            for (int div = width == 4 ? 1000 : 10; div > 0; div /= 10)
                text += QChar(u'0' + value / div % 10);
        };
        if (withDate) {
            digits(date.year(), 4);
            text += u'/';
            digits(date.month(), 2);
            text += u'/';
            digits(date.day(), 2);
        }
        if (withTime) {
            if (withDate)
                text += u' ';
            digits(time.hour(), 2);
            text += u':';
            digits(time.minute(), 2);
            text += u':';
            digits(time.second(), 2);
        }
        return text;
    };
    auto integer = [&](const QString &field) { return adrs.FieldByName(field).AsInteger(); };

    switch (itemNo) {
    case 0: return QString::number(rowIndex + 1);
    case 1: {
        const int group = integer(QStringLiteral("Group"));
        return group >= 1 && group <= 10 ? GroupNames[group] : QString();
    }
    case 2: return trimmed(QStringLiteral("CustomCode"));
    case 3: return phone(QStringLiteral("Tel"));
    case 4: return integer(QStringLiteral("TelDiv")) == 3 ? QStringLiteral("代表") : QString();
    case 5: return phone(QStringLiteral("Fax"));
    case 6: return phone(QStringLiteral("Portable1"));
    case 7: return phone(QStringLiteral("Portable2"));
    case 8: return FormatPostalCode(trimmed(QStringLiteral("Pos")));
    case 9:
        return trimmed(QStringLiteral("Tdfkn")) + trimmed(QStringLiteral("Adrs1")) + trimmed(QStringLiteral("Adrs2"))
            + trimmed(QStringLiteral("Adrs3"));
    case 10: return trimmed(QStringLiteral("AdrsKana"));
    case 11:
        return adrs.FieldByName(QStringLiteral("PrivCorp")).AsBoolean() ? QStringLiteral("個人")
                                                                           : QStringLiteral("会社");
    case 12: return trimmed(QStringLiteral("CorpKanji"));
    case 13: return trimmed(QStringLiteral("CorpKana"));
    case 14: return trimmed(QStringLiteral("Dptmnt"));
    case 15: return trimmed(QStringLiteral("Post"));
    case 16: return unicode(QStringLiteral("NameKanji"));
    case 17: return trimmed(QStringLiteral("NameKana"));
    case 18: return trimmed(QStringLiteral("URL"));
    case 19: return trimmed(QStringLiteral("EMail1"));
    case 20: return trimmed(QStringLiteral("EMail2"));
    case 34: return trimmed(QStringLiteral("Note"));
    case 35: {
        const QString mark = trimmed(QStringLiteral("SymbolMark"));
        if (mark.isEmpty())
            return mark;
        return mark + QStringLiteral(",$")
            + QStringLiteral("%1")
                  .arg(static_cast<quint32>(integer(QStringLiteral("SymbolColor"))), 8, 16, QLatin1Char('0'))
                  .toUpper();
    }
    case 36: return dateTime(QStringLiteral("AddDateTime"), true, true);
    case 37: return dateTime(QStringLiteral("AddDateTime"), true, false);
    case 38: return dateTime(QStringLiteral("AddDateTime"), false, true);
    case 39: return dateTime(QStringLiteral("UpdDateTime"), true, true);
    case 40: return dateTime(QStringLiteral("UpdDateTime"), true, false);
    case 41: return dateTime(QStringLiteral("UpdDateTime"), false, true);
    case 42: return Sjis::decode(TrimBlanks(categoryName(integer(QStringLiteral("CodeMain")), -1)));
    case 43:
        return Sjis::decode(
            TrimBlanks(categoryName(integer(QStringLiteral("CodeMain")), integer(QStringLiteral("CodeSub")))));
    default: break;
    }
    // The field names made once: formatting them for every cell cost more than the rest of the cell.
    static const QString joints[] = {QStringLiteral("Joint1"), QStringLiteral("Joint2"), QStringLiteral("Joint3"),
                                     QStringLiteral("Joint4"), QStringLiteral("Joint5")};
    static const QString keywords[] = {QStringLiteral("Keyword1"), QStringLiteral("Keyword2"), QStringLiteral("Keyword3"),
                                       QStringLiteral("Keyword4"), QStringLiteral("Keyword5"), QStringLiteral("Keyword6"),
                                       QStringLiteral("Keyword7"), QStringLiteral("Keyword8")};
    if (itemNo >= 21 && itemNo <= 25)
        return unicode(joints[itemNo - 21]);
    if (itemNo >= liFirstKeyword && itemNo < liFirstKeyword + 8)
        return Sjis::decode(TrimBlanks(adrs.FieldByName(keywords[itemNo - liFirstKeyword]).AsString()));
    return {};
}
