// TFileExport: the modeless text-file export of the main list's records (the writing: TextExport).
#pragma once

#include "exchange/ListRange.h"
#include "exchange/TextExport.h"
#include "mainlist/DataExchangeServices.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TAddressList;

class TFileExport : public QWidget, public TListRangeWindow {
    Q_OBJECT
public:
    explicit TFileExport(TAddressList *owner);
    ~TFileExport() override;

    TListRangeBox *gbxRange;
    QListWidget *lstItems;  // checked: exported, in this order
    QCheckBox *chkHeader;
    QComboBox *cbxCode;  // 0 Shift-JIS, 1 UTF-8
    QRadioButton *rbComma, *rbTab;
    QProgressBar *pgbarExport;
    QPushButton *btnExport, *btnStop, *btnClose;

    // The item number of each row of lstItems.
    std::vector<int> ItemOrder;

    QWidget *Window() override { return this; }
    void ListCountChanged() override;
    void UpdateKeywordNames() override;

    TExportOptions Options() const;
    // Writes the range to fileName (the button asks for the file first); the outcome of the last run.
    void ExportTo(const QString &fileName);
    void btnExportClick();
    TExportOutcome Outcome;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void updateCount();
    void loadSettings();
    void saveSettings(const QString &folder) const;

    TAddressList *owner_;
    bool running_ = false;
    bool stopRequested_ = false;
};

// The main window's command: makes the window when there is none, then shows or restores it.
void ShowFileExportWindow(TAddressList *owner);
// Shows window as the export commands do: restored when minimised, else shown and brought forward.
void ShowOrRestore(QWidget *window);
