#include "core/AddressRecord.h"

#include "db/Table.h"

#include <QString>

void ClearAddressRecord(TAddressRecord *record)
{
    if (record)
        *record = TAddressRecord();
}

void SetAddressRecordFields(TTable &table, const TAddressRecord &r)
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
    table.FieldByName(QStringLiteral("AddDateTime")).SetAsDateTime(r.AddDateTime);
    table.FieldByName(QStringLiteral("UpdDateTime")).SetAsDateTime(r.UpdDateTime);
    integer(QStringLiteral("CodeMain"), r.CodeMain);
    integer(QStringLiteral("CodeSub"), r.CodeSub);
}
