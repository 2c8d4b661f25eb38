// TPrintDataSaveDialog ("名前を付けて保存"): the title a document is saved under, beside the saved ones.
#pragma once

#include "designers/PrtDialog.h"

class QLineEdit;

class TPrintDataSaveDialog : public TPrintDataDialog {
    Q_OBJECT
public:
    explicit TPrintDataSaveDialog(QWidget *owner);

    void SetTitle(const QString &title);
    // The title typed, without blanks around it.
    QString GetTitle() const;

    void accept() override;

protected:
    void SelectionChanged(QTreeWidgetItem *item) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *edTitle = nullptr;
};
