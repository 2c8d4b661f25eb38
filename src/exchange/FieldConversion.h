// What the two conversions share: the changes they would make to fields of the book's records and of the
// senders, listed for the user to confirm, and their writing under a safety copy in one transaction over both
// files.
#pragma once

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

struct TFieldChange {
    bool Sender = false;  // a row of "Sender.DB", else of the book
    qint64 RecNo = 0;
    QString Name;         // the record's name as listed
    QString Field;
    QByteArray Old, New;  // as stored (Shift-JIS)
};

// Writes the changes in one transaction over both files; a field no longer as listed is left alone, and nothing
// changes when one write fails.
bool ApplyFieldChanges(const QString &adrsFile, const QString &senderFile, const std::vector<TFieldChange> &changes,
                       QString *error);

class TFieldConversion : public QDialog {
public:
    // Writes the checked rows; true when the records were changed.
    bool Execute();
    const std::vector<TFieldChange> &Changes() const { return changes_; }

protected:
    TFieldConversion(QWidget *owner, const char *name, const QString &caption, const QString &safetyKind);
    // Lists the changes (called by the derived dialog's constructor once it can find them).
    void ShowChanges(std::vector<TFieldChange> changes);
    virtual QString FieldCaption(const QString &field) const = 0;

private:
    QString safetyKind_;
    QLabel *lblInfo;
    QTreeWidget *lvChanges;
    QPushButton *btnOK, *btnCancel;
    std::vector<TFieldChange> changes_;
};
