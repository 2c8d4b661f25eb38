// The common frame of the dialogs that change the open book's table file as a whole (optimisation, index
// repair): a text, progress, the run and close buttons. The run makes the safety copy, closes the book's table
// for the change and opens it again afterwards, whatever the change did.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QVBoxLayout;

class TBookMaintenance : public QDialog {
public:
    // Runs the change; true when it was made (the user was told either way).
    bool Execute();

protected:
    TBookMaintenance(QWidget *owner, const char *name, const QString &caption, const QString &info,
                     const QString &safetyKind);
    // The change on the book's table file, closed while it runs.
    virtual bool Work(const QString &file, QString *error) = 0;
    virtual QString DoneMessage() const = 0;

private:
    QString safetyKind_;
    QLabel *lblProgress;
    QPushButton *btnOK, *btnCancel;
};
