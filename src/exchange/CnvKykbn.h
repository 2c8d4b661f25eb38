// The exchange-code conversion: the telephone and fax numbers of the open book and of the senders renumbered
// by the published changes of Japan's numbering (Dic/Kykbn.tsv). The changes are listed for the user to
// confirm; the safety copies go to "backup.kyk/", and records and senders change in one transaction.
#pragma once

#include <QDate>
#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

struct TKykbnRule {
    QDate Date;
    QByteArray OldPrefix;
    int OldLength = 0;
    QByteArray NewPrefix;
    QString Area;
};

struct TNumberChange {
    bool Sender = false;  // a row of "Sender.DB", else of the book
    qint64 RecNo = 0;
    QString Name;
    QString Field;
    QByteArray Old, New;
};

std::vector<TKykbnRule> LoadKykbnRules(const QString &file);
// The renumbered number, or empty when no change applies.
QByteArray ConvertKykbn(const std::vector<TKykbnRule> &rules, const QByteArray &number);
// The changes the rules make to the book's and the senders' numbers (a missing sender table has none).
std::vector<TNumberChange> FindKykbnChanges(const QString &adrsFile, const QString &senderFile,
                                            const std::vector<TKykbnRule> &rules);
// Writes the changes in one transaction over both files; nothing changes when one fails.
bool ApplyNumberChanges(const QString &adrsFile, const QString &senderFile, const std::vector<TNumberChange> &changes,
                        QString *error);

class TConvertKykbn : public QDialog {
public:
    explicit TConvertKykbn(QWidget *owner);
    // Converts the checked rows; true when the records were changed.
    bool Execute();
    const std::vector<TNumberChange> &Changes() const { return changes_; }

private:
    QLabel *lblInfo;
    QTreeWidget *lvChanges;
    QPushButton *btnOK, *btnCancel;
    std::vector<TNumberChange> changes_;
};
