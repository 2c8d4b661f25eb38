// The exchange-code conversion: the telephone and fax numbers of the open book and of the senders renumbered
// by the published changes of Japan's numbering (Dic/Kykbn.tsv). The changes are listed for the user to
// confirm; the safety copies go to "backup.kyk/", and records and senders change in one transaction.
#pragma once

#include "exchange/FieldConversion.h"

#include <QDate>

#include <vector>

struct TKykbnRule {
    QDate Date;
    QByteArray OldPrefix;
    int OldLength = 0;
    QByteArray NewPrefix;
    QString Area;
};

std::vector<TKykbnRule> LoadKykbnRules(const QString &file);
// The renumbered number, or empty when no change applies.
QByteArray ConvertKykbn(const std::vector<TKykbnRule> &rules, const QByteArray &number);
// The changes the rules make to the book's and the senders' numbers (a missing sender table has none).
std::vector<TFieldChange> FindKykbnChanges(const QString &adrsFile, const QString &senderFile,
                                           const std::vector<TKykbnRule> &rules);

class TConvertKykbn : public TFieldConversion {
public:
    explicit TConvertKykbn(QWidget *owner);

protected:
    QString FieldCaption(const QString &field) const override;
};
