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

}  // namespace

void ClearAddressRecord(TAddressRecord *record)
{
    if (record)
        *record = TAddressRecord();
}

TAddressRecord GetAddressRecordFields(TTable &t)
{
    TAddressRecord r;
    auto text = [&](const QString &field, qsizetype capacity) {
        return Sjis::cutToBytes(TrimBlanks(t.FieldByName(field).AsString()), capacity);
    };
    auto phone = [&](const QString &field) {
        return Sjis::cutToBytes(HyphenatePhone(TrimBlanks(t.FieldByName(field).AsString())),
                                TAddressRecord::TelCapacity);
    };
    auto integer = [&](const QString &field) { return t.FieldByName(field).AsInteger(); };
    auto flag = [&](const QString &field) { return t.FieldByName(field).AsBoolean(); };

    r.RecNo = integer(QStringLiteral("RecNo"));
    r.Group = integer(QStringLiteral("Group"));
    r.CustomCode = text(QStringLiteral("CustomCode"), 20);
    r.Tel = phone(QStringLiteral("Tel"));
    r.TelDiv = integer(QStringLiteral("TelDiv"));
    r.Fax = phone(QStringLiteral("Fax"));
    r.Portable1 = phone(QStringLiteral("Portable1"));
    r.Portable2 = phone(QStringLiteral("Portable2"));
    r.Pos = text(QStringLiteral("Pos"), 7);
    r.Tdfkn = text(QStringLiteral("Tdfkn"), 8);
    r.Adrs1 = text(QStringLiteral("Adrs1"), 32);
    r.Adrs2 = text(QStringLiteral("Adrs2"), 100);
    r.Adrs3 = text(QStringLiteral("Adrs3"), 116);
    r.AdrsKana = text(QStringLiteral("AdrsKana"), 100);
    r.JisCode = text(QStringLiteral("JisCode"), 5);
    r.KajoCode = text(QStringLiteral("KajoCode"), 6);
    r.Latitude = integer(QStringLiteral("Latitude"));
    r.Longitude = integer(QStringLiteral("Longitude"));
    r.PrivCorp = flag(QStringLiteral("PrivCorp"));
    r.CorpKanji = text(QStringLiteral("CorpKanji"), TAddressRecord::CorpKanjiCapacity);
    r.CorpKana = text(QStringLiteral("CorpKana"), 80);
    r.Dptmnt = text(QStringLiteral("Dptmnt"), 100);
    r.Post = text(QStringLiteral("Post"), 50);
    r.NameKanji = text(QStringLiteral("NameKanji"), 75);
    r.NameKana = text(QStringLiteral("NameKana"), 25);
    r.Honor = text(QStringLiteral("Honor"), 10);
    r.IgnoreName = flag(QStringLiteral("IgnoreName"));
    r.URL = text(QStringLiteral("URL"), 128);
    r.EMail1 = text(QStringLiteral("EMail1"), 64);
    r.EMail2 = text(QStringLiteral("EMail2"), 64);
    for (int n = 1; n <= 5; ++n) {
        r.Joint[n - 1] = text(QStringLiteral("Joint%1").arg(n), 55);
        r.JointHonor[n - 1] = text(QStringLiteral("JointHonor%1").arg(n), 10);
        r.JointPrints[n - 1] = flag(QStringLiteral("JointPrint%1").arg(n));
    }
    r.JointOwner = integer(QStringLiteral("JointOwner"));
    r.JointPrint = flag(QStringLiteral("JointPrint"));
    r.PrintTarget = integer(QStringLiteral("PrintTarget"));
    r.Sender = integer(QStringLiteral("Sender"));
    for (int n = 1; n <= 8; ++n)
        r.Keyword[n - 1] = text(QStringLiteral("Keyword%1").arg(n), 100);
    r.SymbolMark = t.FieldByName(QStringLiteral("SymbolMark")).AsString();
    r.SymbolColor = integer(QStringLiteral("SymbolColor"));
    r.AddDateTime = t.FieldByName(QStringLiteral("AddDateTime")).AsDateTime();
    r.UpdDateTime = t.FieldByName(QStringLiteral("UpdDateTime")).AsDateTime();
    r.CodeMain = integer(QStringLiteral("CodeMain"));
    r.CodeSub = integer(QStringLiteral("CodeSub"));
    r.Note = memoLines(t.FieldByName(QStringLiteral("Note")).AsString());
    r.ExtFile = memoLines(t.FieldByName(QStringLiteral("ExtFile")).AsString());
    return r;
}

void SetAddressRecordFields(TTable &table, const TAddressRecord &r, TAddedTime added)
{
    auto text = [&table](const QString &field, const QByteArray &value) { table.FieldByName(field).SetAsString(value); };
    auto integer = [&table](const QString &field, int32_t value) { table.FieldByName(field).SetAsInteger(value); };
    auto flag = [&table](const QString &field, bool value) { table.FieldByName(field).SetAsBoolean(value); };
    integer(QStringLiteral("Group"), r.Group);
    text(QStringLiteral("CustomCode"), r.CustomCode);
    text(QStringLiteral("Tel"), r.Tel);
    integer(QStringLiteral("TelDiv"), r.TelDiv);
    text(QStringLiteral("Fax"), r.Fax);
    text(QStringLiteral("Portable1"), r.Portable1);
    text(QStringLiteral("Portable2"), r.Portable2);
    text(QStringLiteral("Pos"), r.Pos);
    text(QStringLiteral("Tdfkn"), r.Tdfkn);
    text(QStringLiteral("Adrs1"), r.Adrs1);
    text(QStringLiteral("Adrs2"), r.Adrs2);
    text(QStringLiteral("Adrs3"), r.Adrs3);
    text(QStringLiteral("AdrsKana"), r.AdrsKana);
    text(QStringLiteral("JisCode"), r.JisCode);
    text(QStringLiteral("KajoCode"), r.KajoCode);
    integer(QStringLiteral("Latitude"), r.Latitude);
    integer(QStringLiteral("Longitude"), r.Longitude);
    flag(QStringLiteral("PrivCorp"), r.PrivCorp);
    text(QStringLiteral("CorpKanji"), r.CorpKanji);
    text(QStringLiteral("CorpKana"), r.CorpKana);
    text(QStringLiteral("Dptmnt"), r.Dptmnt);
    text(QStringLiteral("Post"), r.Post);
    text(QStringLiteral("NameKanji"), r.NameKanji);
    text(QStringLiteral("NameKana"), r.NameKana);
    text(QStringLiteral("Honor"), r.Honor);
    flag(QStringLiteral("IgnoreName"), r.IgnoreName);
    text(QStringLiteral("URL"), r.URL);
    text(QStringLiteral("EMail1"), r.EMail1);
    text(QStringLiteral("EMail2"), r.EMail2);
    for (int n = 1; n <= 5; ++n) {
        text(QStringLiteral("Joint%1").arg(n), r.Joint[n - 1]);
        text(QStringLiteral("JointHonor%1").arg(n), r.JointHonor[n - 1]);
        flag(QStringLiteral("JointPrint%1").arg(n), r.JointPrints[n - 1]);
    }
    integer(QStringLiteral("JointOwner"), r.JointOwner);
    flag(QStringLiteral("JointPrint"), r.JointPrint);
    integer(QStringLiteral("PrintTarget"), r.PrintTarget);
    integer(QStringLiteral("Sender"), r.Sender);
    for (int n = 1; n <= 8; ++n)
        text(QStringLiteral("Keyword%1").arg(n), r.Keyword[n - 1]);
    text(QStringLiteral("Note"), r.Note ? r.Note->join("\r\n") : QByteArray());
    QByteArray files;
    if (r.ExtFile)
        for (const QByteArray &line : *r.ExtFile)
            files += line + "\r\n";
    text(QStringLiteral("ExtFile"), files);
    text(QStringLiteral("SymbolMark"), r.SymbolMark);
    integer(QStringLiteral("SymbolColor"), r.SymbolColor);
    if (added == TAddedTime::Write)
        table.FieldByName(QStringLiteral("AddDateTime")).SetAsDateTime(r.AddDateTime);
    table.FieldByName(QStringLiteral("UpdDateTime")).SetAsDateTime(r.UpdDateTime);
    integer(QStringLiteral("CodeMain"), r.CodeMain);
    integer(QStringLiteral("CodeSub"), r.CodeSub);
}
