// The index-repair dialog: checks the open book's table file and rebuilds it when anything is wrong.
#pragma once

#include "exchange/BookMaintenance.h"

class TRepairIndex : public TBookMaintenance {
public:
    explicit TRepairIndex(QWidget *owner);
    // After an OK: whether something was wrong and has been repaired.
    bool Repaired = false;

protected:
    bool Work(const QString &file, QString *error) override;
    QString DoneMessage() const override;
};
