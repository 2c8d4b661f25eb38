#pragma once
// The sender rows the designer tests register. A row is ticked in the sender list and lives in 大阪府 unless a
// test says otherwise, so each test writes only the fields it is about.
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "db/Table.h"
#include "designers/SenderRecord.h"

#include <gtest/gtest.h>

namespace test {

inline TSenderRecord listedSender(int32_t recNo, const QString &title, const QString &name,
                                  const QString &town = QStringLiteral("大阪市北区梅田1-1"))
{
    TSenderRecord row = NewSenderRecord(recNo, Sjis::encode(title));
    row.Name = WideToEscapedAnsi(name);
    row.SelectInfo = 1;
    row.Pos = "5300001";
    row.Tdfkn = Sjis::encode(QStringLiteral("大阪府"));
    row.Adrs1 = Sjis::encode(town);
    return row;
}

// The table is counted open, so a test that holds it open keeps it so.
inline void registerSender(const TSenderRecord &row)
{
    ASSERT_TRUE(DMMirvale18->OpenSenderTable());
    TTable &table = *DMMirvale18->SenderTable;
    table.Append();
    WriteSenderRecord(table, row);
    table.Post();
    DMMirvale18->CloseSenderTable();
}

}  // namespace test
