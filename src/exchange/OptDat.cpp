#include "exchange/OptDat.h"

#include "exchange/TableMaintenance.h"

TOptimizeData::TOptimizeData(QWidget *owner)
    : TBookMaintenance(owner, "OptimizeData", QStringLiteral("データの最適化"),
                       QStringLiteral("アドレス帳のデータベースを最適化します。\n"
                                      "削除したデータの領域を詰めて、ファイルを小さくします。"),
                       SafetyOptimize)
{
    setProperty("HelpContext", 46);
}

bool TOptimizeData::Work(const QString &file, QString *error) { return OptimizeTableFile(file, error); }
