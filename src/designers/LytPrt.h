// TLayoutPrintDialog ("宛名印刷"): the print wizard of the address, label and card designers. Page one
// chooses the records, page two the printer, the position, the copies, the flap and the multi-up start. It
// prints nothing: the designer reads the record list and the choices afterwards.
#pragma once

#include "designers/PrintRange.h"

#include <QDialog>
#include <QRect>

#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QStackedWidget;
class TUpDown;

// The printer as the designer's printer set-up has it: what the wizard shows and checks the layout against.
struct TWizardPrinter {
    QString Device;
    QString Paper;
    int Orientation = 1;  // 2 landscape
    int DpiX = 600, DpiY = 600;
    QRect Printable;      // device pixels: the physical offsets and the page size
    int Copies = 1;
};

class TLayoutPrintDialog : public QDialog {
    Q_OBJECT
public:
    TLayoutPrintDialog(QWidget *owner, const TWizardPrinter &printer);
    ~TLayoutPrintDialog() override;

    // The main list the records come from; without one there are none.
    void SetRows(const TPrintRows *rows) { Rows = rows; }
    void SetDataPrint(bool dataPrint);
    void SetPrintKind(uint8_t kind);
    // What the print question calls the document; SetPrintKind sets the word of the paper kind, which the
    // letter body, printing on the same papers, replaces with its own.
    void SetKindWord(const QString &word) { KindWord = word; }
    void SetSheetCount(int count);
    void SetContentRect(const QRect &rect);
    // Runs the printer set-up; true when the user changed the printer (the printer is then updated).
    std::function<bool(TWizardPrinter &)> OnPrinterSetup;
    // For the records chosen, the print (preview false) or the preview about to start: the question to ask in
    // place of the print's own where some of them cannot print all the layout shows, whose Yes goes on and No
    // stays in the wizard; empty where all can; nothing where the check was stopped, which asks nothing and
    // goes no further.
    std::function<std::optional<QString>(const std::vector<int32_t> &records, bool preview)> LeftOffQuestion;

    bool ResumeAfterPreview = false;
    bool PreviewRequested = false;
    bool PrinterChanged = false;
    std::vector<int32_t> RecordList;

    QPoint GetOffset() const;
    int GetFlap() const { return Flap; }
    bool GetReverse() const;
    int GetLabelStart() const { return LabelStart; }
    int GetLabelCount() const { return LabelCount; }
    bool GetLimitedPrinter() const;
    int GetCopies() const { return Printer.Copies; }
    const TWizardPrinter &GetPrinter() const { return Printer; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildDataPage();
    void buildPrintPage();
    QString Section() const;
    void LoadSettings();
    void SaveSettings();
    void rangeClick(int tag);
    void limitClick(int tag);
    void UpdateDataCount();
    void UpdateSheetCount();
    void CheckPrintableArea();
    void ShowPrinter();
    void ShowRange();
    void ShowOffsets();
    int RecordCount() const;
    void stepNumber(QLineEdit *edit, int delta);
    void leaveNumber(QLineEdit *edit);
    void leaveRange(QLineEdit *edit);
    void btnNextClick();
    void btnPreviewClick();
    void btnPrintClick();
    // Asked as the print or the preview starts: where some of the records chosen cannot print all the layout
    // shows, whether to go on; else, before a print, whether to print. True to go on.
    bool confirmStart(bool preview);
    void bbtnPrintersClick();

    const TPrintRows *Rows = nullptr;
    TWizardPrinter Printer;
    uint8_t PrintKind = 0;
    QString KindWord = QStringLiteral("宛名レイアウト");
    bool DataPrint = true;
    bool MultiUp = false;
    int PapersPerSheet = 1;
    int RangeChoice = -1;
    int LimitChoice = 0;
    int StartRange = 1, EndRange = 1;
    int Flap = 0;
    int LabelStart = 1, LabelCount = 1;
    QRect ContentRect;

    QStackedWidget *pages = nullptr;
    QWidget *tbsAdrs = nullptr, *tbsPrint = nullptr;
    QRadioButton *rbViewData, *rbSelect, *rbRange, *rbAll;
    QRadioButton *rbNone, *rbPrint, *rbExcept;
    QLineEdit *edStartRange, *edEndRange;
    TUpDown *udStartRange, *udEndRange;
    QLabel *lblRangeFrom, *lblRangeTo, *lblDataNum;
    QPushButton *btnNext, *btnPreview1, *btnCancel1;
    QLabel *pnlPrinter, *pnlPaperSize, *pnlOrientation;
    QPushButton *bbtnPrinters;
    QScrollBar *scbVert, *scbHorz;
    QLabel *lblVert, *lblOffsetV, *lblHorz, *lblOffsetH;
    QLineEdit *edCopy;
    QLabel *lblCopy;
    QGroupBox *gbxEnvelope, *gbxLabel;
    QLineEdit *edFlap, *edLabelStart, *edLabelCount;
    QCheckBox *ckbReverse, *ckbLimitedPrinter;
    QLabel *lblRangeInfo, *lblLimitedPrint;
    QPushButton *btnBack, *btnPreview2, *btnPrint, *btnCancel2;
};

// The wizard while it runs.
inline TLayoutPrintDialog *LayoutPrintDialog = nullptr;
