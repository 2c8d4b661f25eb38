// TFileImport: the modal text-file import into the open address book (the reading and the run: TextImport).
#pragma once

#include "exchange/TextImport.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class TAddressList;

class TFileImport : public QDialog {
    Q_OBJECT
public:
    explicit TFileImport(QWidget *owner);

    QLineEdit *edtFileName;
    QPushButton *btnBrowse;
    QComboBox *cbxCode;  // 0 Shift-JIS, 1 UTF-8
    QRadioButton *rbComma, *rbTab;
    QCheckBox *chkHeader;
    QTableWidget *grdPreview;  // row 0: the item of each column; then the first rows of the file
    QLabel *lblStatus;
    QProgressBar *pgbarImport;
    QPushButton *btnImport, *btnStop, *btnCancel;

    // The rows shown in the preview.
    static constexpr int PreviewRows = 20;
    // Where the rejected lines are written, and the folder of the safety copy.
    QString ReportFile() const;
    QString SafetyFolder() const;

    // Loads a file (as the browse button does) and shows its first rows.
    void LoadFile(const QString &fileName);
    // The item chosen for each column (-1 none).
    std::vector<int> ColumnItems() const;
    void SetColumnItem(int column, int itemNo);
    void btnImportClick();

    // The outcome of the last run.
    TImportOutcome Outcome;

protected:
    void reject() override;

private:
    void refreshPreview();
    bool makeSafetyCopy();

    QByteArray bytes_;
    bool running_ = false;
    bool stopRequested_ = false;
};

// The main window's command: true when records were added.
bool ImportTextFile(TAddressList *owner);
