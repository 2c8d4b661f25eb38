#include "exchange/ReprIdx.h"

#include "db/TableSchemas.h"
#include "exchange/TableMaintenance.h"

TRepairIndex::TRepairIndex(QWidget *owner)
    : TBookMaintenance(owner, "RepairIndex", QStringLiteral("インデックス修復"),
                       QStringLiteral("アドレス帳のデータベースを検査し、\n"
                                      "インデックスの破損が見つかったときは作り直します。"),
                       SafetyRepair)
{
    setProperty("HelpContext", 46);
}

bool TRepairIndex::Work(const QString &file, QString *error)
{
    return RepairTableFile(file, AdrsTableSchema(), &Repaired, error);
}

QString TRepairIndex::DoneMessage() const
{
    return Repaired ? QStringLiteral("インデックスを修復しました  ")
                    : QStringLiteral("インデックスに問題は見つかりませんでした  ");
}
