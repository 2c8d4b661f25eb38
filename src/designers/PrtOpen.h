// TPrintDataOpenDialog ("開く"): a saved document chosen by title, with the thumbnail stored in it.
#pragma once

#include "designers/PrtDialog.h"

#include <QImage>

class TPrintDataOpenDialog : public TPrintDataDialog {
    Q_OBJECT
public:
    explicit TPrintDataOpenDialog(QWidget *owner);

    // Selects the listed document of this title; it can be neither deleted nor renamed.
    void SetFileName(const QString &title);
    // The selected title, empty when none is.
    QString GetFileName() const;
    const QImage &Preview() const { return Preview_; }

    void accept() override;

protected:
    void SelectionChanged(QTreeWidgetItem *item) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PlacePreview();

    QImage Preview_;
    QWidget *pnlPreview = nullptr;
    QWidget *pbxPreview = nullptr;
};
