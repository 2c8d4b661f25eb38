#include "core/AddressRecord.h"

#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "core/Hyphen.h"
#include "db/Table.h"

#include <QString>

namespace {

// A memo as lines, as a string list reads text: CR, LF or CR LF end a line; no line after the last break.
std::optional<QByteArrayList> memoLines(const QByteArray &memo)
{
    if (memo.isEmpty())
        return std::nullopt;
    QByteArrayList lines;
    QByteArray line;
    for (qsizetype i = 0; i < memo.size(); ++i) {
        const char c = memo[i];
        if (c == '\r' || c == '\n') {
            lines << line;
            line.clear();
            if (c == '\r' && i + 1 < memo.size() && memo[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

// Every field but the record number, each once, with the capacity a text is cut to on reading: the one list
// the read and the write below both walk. Record is TAddressRecord or const TAddressRecord.
template <class Record, class Visitor>
void visitFields(Record &r, Visitor &&v)
{
    v.integer(QStringLiteral("Group"), r.Group);
    v.text(QStringLiteral("CustomCode"), r.CustomCode, 20);
    v.phone(QStringLiteral("Tel"), r.Tel);
    v.integer(QStringLiteral("TelDiv"), r.TelDiv);
    v.phone(QStringLiteral("Fax"), r.Fax);
    v.phone(QStringLiteral("Portable1"), r.Portable1);
    v.phone(QStringLiteral("Portable2"), r.Portable2);
    v.text(QStringLiteral("Pos"), r.Pos, 7);
    v.text(QStringLiteral("Tdfkn"), r.Tdfkn, 8);
    v.text(QStringLiteral("Adrs1"), r.Adrs1, 32);
    v.text(QStringLiteral("Adrs2"), r.Adrs2, 100);
    v.text(QStringLiteral("Adrs3"), r.Adrs3, 116);
    v.text(QStringLiteral("AdrsKana"), r.AdrsKana, 100);
    v.text(QStringLiteral("JisCode"), r.JisCode, 5);
    v.text(QStringLiteral("KajoCode"), r.KajoCode, 6);
    v.integer(QStringLiteral("Latitude"), r.Latitude);
    v.integer(QStringLiteral("Longitude"), r.Longitude);
    v.flag(QStringLiteral("PrivCorp"), r.PrivCorp);
    v.text(QStringLiteral("CorpKanji"), r.CorpKanji, TAddressRecord::CorpKanjiCapacity);
    v.text(QStringLiteral("CorpKana"), r.CorpKana, 80);
    v.text(QStringLiteral("Dptmnt"), r.Dptmnt, 100);
    v.text(QStringLiteral("Post"), r.Post, 50);
    v.text(QStringLiteral("NameKanji"), r.NameKanji, 75);
    v.text(QStringLiteral("NameKana"), r.NameKana, 25);
    v.text(QStringLiteral("Honor"), r.Honor, 10);
    v.flag(QStringLiteral("IgnoreName"), r.IgnoreName);
    v.text(QStringLiteral("URL"), r.URL, 128);
    v.text(QStringLiteral("EMail1"), r.EMail1, 64);
    v.text(QStringLiteral("EMail2"), r.EMail2, 64);
    for (int n = 1; n <= 5; ++n) {
        v.text(QStringLiteral("Joint%1").arg(n), r.Joint[n - 1], 55);
        v.text(QStringLiteral("JointHonor%1").arg(n), r.JointHonor[n - 1], 10);
        v.flag(QStringLiteral("JointPrint%1").arg(n), r.JointPrints[n - 1]);
    }
    v.integer(QStringLiteral("JointOwner"), r.JointOwner);
    v.flag(QStringLiteral("JointPrint"), r.JointPrint);
    v.integer(QStringLiteral("PrintTarget"), r.PrintTarget);
    v.integer(QStringLiteral("Sender"), r.Sender);
    for (int n = 1; n <= 8; ++n)
        v.text(QStringLiteral("Keyword%1").arg(n), r.Keyword[n - 1], 100);
    v.stored(QStringLiteral("SymbolMark"), r.SymbolMark);  // one of a fixed set: read as it is, blanks included
    v.integer(QStringLiteral("SymbolColor"), r.SymbolColor);
    v.addedTime(QStringLiteral("AddDateTime"), r.AddDateTime);
    v.dateTime(QStringLiteral("UpdDateTime"), r.UpdDateTime);
    v.integer(QStringLiteral("CodeMain"), r.CodeMain);
    v.integer(QStringLiteral("CodeSub"), r.CodeSub);
    v.note(QStringLiteral("Note"), r.Note);
    v.files(QStringLiteral("ExtFile"), r.ExtFile);
}

struct FieldReader {
    TTable &t;
    QByteArray trimmed(const QString &field) const { return TrimBlanks(t.FieldByName(field).AsString()); }
    void text(const QString &field, QByteArray &value, qsizetype capacity) const
    {
        value = Sjis::cutToBytes(trimmed(field), capacity);
    }
    void phone(const QString &field, QByteArray &value) const
    {
        value = Sjis::cutToBytes(HyphenatePhone(trimmed(field)), TAddressRecord::TelCapacity);
    }
    void stored(const QString &field, QByteArray &value) const { value = t.FieldByName(field).AsString(); }
    void integer(const QString &field, int32_t &value) const { value = t.FieldByName(field).AsInteger(); }
    void flag(const QString &field, bool &value) const { value = t.FieldByName(field).AsBoolean(); }
    void dateTime(const QString &field, double &value) const { value = t.FieldByName(field).AsDateTime(); }
    void addedTime(const QString &field, double &value) const { dateTime(field, value); }
    void note(const QString &field, std::optional<QByteArrayList> &value) const
    {
        value = memoLines(t.FieldByName(field).AsString());
    }
    void files(const QString &field, std::optional<QByteArrayList> &value) const { note(field, value); }
};

struct FieldWriter {
    TTable &t;
    TAddedTime added;
    // Texts are written as they are: measuring them to their fields is the caller's.
    void text(const QString &field, const QByteArray &value, qsizetype = 0) const
    {
        t.FieldByName(field).SetAsString(value);
    }
    void phone(const QString &field, const QByteArray &value) const { text(field, value); }
    void stored(const QString &field, const QByteArray &value) const { text(field, value); }
    void integer(const QString &field, int32_t value) const { t.FieldByName(field).SetAsInteger(value); }
    void flag(const QString &field, bool value) const { t.FieldByName(field).SetAsBoolean(value); }
    void dateTime(const QString &field, double value) const { t.FieldByName(field).SetAsDateTime(value); }
    void addedTime(const QString &field, double value) const
    {
        if (added == TAddedTime::Write)
            dateTime(field, value);
    }
    // The note's last line has no break after it; every attached file's line has one.
    void note(const QString &field, const std::optional<QByteArrayList> &value) const
    {
        t.FieldByName(field).SetAsString(value ? value->join("\r\n") : QByteArray());
    }
    void files(const QString &field, const std::optional<QByteArrayList> &value) const
    {
        QByteArray files;
        if (value)
            for (const QByteArray &line : *value)
                files += line + "\r\n";
        t.FieldByName(field).SetAsString(files);
    }
};

}  // namespace

TAddressRecord GetAddressRecordFields(TTable &table)
{
    TAddressRecord r;
    r.RecNo = table.FieldByName(QStringLiteral("RecNo")).AsInteger();
    visitFields(r, FieldReader{table});
    return r;
}

void SetAddressRecordFields(TTable &table, const TAddressRecord &r, TAddedTime added)
{
    visitFields(r, FieldWriter{table, added});
}

void ClearAddressRecord(TAddressRecord *record)
{
    if (record)
        *record = TAddressRecord();
}

TAddressRecord NewAddressRecord()
{
    TAddressRecord record;
    record.JointPrint = true;
    record.SymbolColor = TAddressRecord::DefaultSymbolColor;
    return record;
}
