// TMarkExport: the modeless export of the records that have a position as map marks (GPX waypoints written by
// the map layer's SaveMarkRecord).
#pragma once

#include "exchange/FExport.h"

#include <QWidget>

class QProgressBar;
class QPushButton;
class TAddressList;

class TMarkExport : public QWidget, public TListRangeWindow {
    Q_OBJECT
public:
    explicit TMarkExport(TAddressList *owner);
    ~TMarkExport() override;

    TListRangeBox *gbxRange;
    QProgressBar *pgbarExport;
    QPushButton *btnExport, *btnStop, *btnClose;

    QWidget *Window() override { return this; }
    void ListCountChanged() override;

    // The default file name: "Mark01" with the map layer's extension.
    static QString DefaultFileName() { return QStringLiteral("Mark01.gpx"); }
    // Writes one mark per record of the range that has a position, through a temporary file; false when
    // stopped or failed (with a message). Written: the marks written by the last run.
    bool ExportTo(const QString &fileName);
    void btnExportClick();
    int Written = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void updateCount();

    TAddressList *owner_;
    bool running_ = false;
    bool stopRequested_ = false;
};

void ShowMarkExportWindow(TAddressList *owner);
