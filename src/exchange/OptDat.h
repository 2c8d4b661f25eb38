// The optimisation dialog: rewrites the open book's table file compactly.
#pragma once

#include "exchange/BookMaintenance.h"

class TOptimizeData : public TBookMaintenance {
public:
    explicit TOptimizeData(QWidget *owner);

protected:
    bool Work(const QString &file, QString *error) override;
    QString DoneMessage() const override { return QStringLiteral("データの最適化が完了しました  "); }
};
