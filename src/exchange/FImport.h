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
    // 0 Shift-JIS, 1 UTF-8; and Utf16Code, present only while a file with a UTF-16 mark is loaded, which fixes it.
    QComboBox *cbxCode;
    static constexpr int Utf16Code = 2;
    QRadioButton *rbComma, *rbTab;
    QCheckBox *chkHeader;
    // Row 0: the item of each column, chosen in a list that opens on the cell (a click, F2, Space or Enter);
    // then the first rows of the file.
    QTableWidget *grdPreview;
    QLabel *lblStatus;
    QProgressBar *pgbarImport;
    QPushButton *btnImport, *btnStop, *btnCancel;

    // The rows shown in the preview, the most the preview reads of a file (the import reads it whole), and
    // the characters a cell shows of a field; a longer field, or one the read ends in, is cut with "…".
    static constexpr int PreviewRows = 20;
    static constexpr qint64 PreviewBytes = 1 << 20;
    static constexpr int PreviewFieldUnits = 256;
    // The most columns a file may have: as many as a spreadsheet's sheet has, so every file a spreadsheet or
    // another program writes is shown (a mail program's contacts have near 90), its columns beyond the items
    // left out until chosen. The preview of that many takes about a second; a file with more is no table and is
    // refused, as soon as its first rows are read.
    static constexpr int MaxColumns = 16384;
    // Where the rejected lines are written, and the folder of the safety copy.
    QString ReportFile() const;
    QString SafetyFolder() const;

    // Loads a file (as the browse button does) and shows its first rows.
    void LoadFile(const QString &fileName);
    // The item chosen for each column (-1 none).
    std::vector<int> ColumnItems() const;
    void SetColumnItem(int column, int itemNo);
    // The item chosen for a column in its list, by whatever hand: false, with the choice refused and said in a
    // box once the list has closed, when another column has the item and it takes only one (JoinsColumns).
    bool ChooseColumnItem(int column, int itemNo);
    void btnImportClick();

    // The outcome of the last run.
    TImportOutcome Outcome;

protected:
    void reject() override;

private:
    // False when the file has more columns than MaxColumns: the preview is then emptied and the import refused.
    bool refreshPreview();
    // Ticks the separator and the header the loaded file shows and gives columns named like an item that item;
    // false when the file has more columns than MaxColumns.
    bool chooseByFile();
    // The first column other than except whose item is itemNo, -1 when none.
    int columnWith(int itemNo, int except) const;
    // The encoding cbxCode shows.
    TTextEncoding encoding() const;
    // The beginning of the file the preview reads, in the encoding chosen.
    QString previewText() const;
    // The book's files copied to SafetyFolder, replacing the copy there whole; false when they cannot be, with
    // the folder as it was and *writeError the errno of the write that failed (0 when none did).
    bool makeSafetyCopy(int *writeError);

    QString fileName_;
    QByteArray head_;
    bool headCut_ = false;  // the file goes on beyond head_
    bool running_ = false;
    bool stopRequested_ = false;
};

// The main window's command: true when records were added.
bool ImportTextFile(TAddressList *owner);
