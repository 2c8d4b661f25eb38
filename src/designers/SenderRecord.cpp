#include "designers/SenderRecord.h"

#include "base/SjisCodec.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include <QVariantList>

#include <functional>
#include <set>

namespace {

using TTextVisitor = std::function<void(const QString &field, QByteArray &value)>;
using TFlagVisitor = std::function<void(const QString &field, bool &value)>;

// Every text and flag field with its member, in the table's order, so reading, writing and the length check
// name each field once.
void forEachField(TSenderRecord &r, const TTextVisitor &text, const TFlagVisitor &flag)
{
    const auto numbered = [&text](const char *word, auto &values) {
        for (size_t i = 0; i < values.size(); ++i)
            text(QLatin1String(word) + QString::number(i + 1), values[i]);
    };
    const auto numberedFlags = [&flag](const char *word, auto &values) {
        for (size_t i = 0; i < values.size(); ++i)
            flag(QLatin1String(word) + QString::number(i + 1), values[i]);
    };
    text(QStringLiteral("Title"), r.Title);
    text(QStringLiteral("Name"), r.Name);
    text(QStringLiteral("Tel"), r.Tel);
    text(QStringLiteral("Fax"), r.Fax);
    text(QStringLiteral("Pos"), r.Pos);
    text(QStringLiteral("Tdfkn"), r.Tdfkn);
    text(QStringLiteral("Adrs1"), r.Adrs1);
    text(QStringLiteral("Adrs2"), r.Adrs2);
    text(QStringLiteral("Adrs3"), r.Adrs3);
    numbered("Joint", r.Joint);
    numbered("Note", r.Note);
    flag(QStringLiteral("NamePrint"), r.NamePrint);
    numberedFlags("JointPrint", r.JointPrint);
    text(QStringLiteral("Corp"), r.Corp);
    text(QStringLiteral("Dptmnt"), r.Dptmnt);
    text(QStringLiteral("Post"), r.Post);
    numbered("Head", r.Head);
    numbered("Addition", r.Addition);
    numberedFlags("AdditionPrint", r.AdditionPrint);
}

}  // namespace

int SenderFieldSize(const QString &field)
{
    for (const TFieldDef &f : SenderTableSchema().Fields)
        if (f.Name == field)
            return f.Size;
    return 0;
}

TSenderRecord ReadSenderRecord(TTable &table)
{
    TSenderRecord r;
    r.RecNo = table.FieldByName(QStringLiteral("RecNo")).AsInteger();
    r.SelectInfo = table.FieldByName(QStringLiteral("SelectInfo")).AsInteger();
    forEachField(
        r, [&table](const QString &field, QByteArray &value) { value = table.FieldByName(field).AsString(); },
        [&table](const QString &field, bool &value) { value = table.FieldByName(field).AsBoolean(); });
    return r;
}

QStringList OverlongSenderFields(const TSenderRecord &record)
{
    QStringList fields;
    TSenderRecord r = record;
    forEachField(
        r,
        [&fields](const QString &field, QByteArray &value) {
            if (value.size() > SenderFieldSize(field))
                fields << field;
        },
        [](const QString &, bool &) {});
    return fields;
}

void WriteSenderRecord(TTable &table, const TSenderRecord &record)
{
    const QStringList overlong = OverlongSenderFields(record);
    if (!overlong.isEmpty())
        throw EDatabaseError(QStringLiteral("longer than the field: ") + overlong.join(QLatin1Char(',')));
    TSenderRecord r = record;
    table.FieldByName(QStringLiteral("RecNo")).SetAsInteger(r.RecNo);
    table.FieldByName(QStringLiteral("SelectInfo")).SetAsInteger(r.SelectInfo);
    forEachField(
        r, [&table](const QString &field, QByteArray &value) { table.FieldByName(field).SetAsString(value); },
        [&table](const QString &field, bool &value) { table.FieldByName(field).SetAsBoolean(value); });
}

QByteArray NewSenderTitle(TTable &table)
{
    std::set<QByteArray> titles;
    table.Scan({QStringLiteral("Title")}, true,
               [&titles](const QVariantList &v) { titles.insert(v[0].toByteArray()); });
    const QByteArray word = Sjis::encode(u"差出人");
    if (titles.empty())
        return word + "1";
    for (int k = 0;; ++k) {
        const QByteArray title = word + QByteArray::number(qsizetype(table.RecordCount()) + k);
        if (!titles.count(title))
            return title;
    }
}

TSenderRecord NewSenderRecord(int32_t recNo, const QByteArray &title)
{
    TSenderRecord r;
    r.RecNo = recNo;
    r.Title = title;
    return r;
}

int SenderRowPosition(TTable &table, int32_t recNo)
{
    int position = 0, found = 0;
    table.Scan({QStringLiteral("RecNo")}, true, [&](const QVariantList &v) {
        ++position;
        if (v[0].toLongLong() == recNo)
            found = position;
    });
    return found;
}
