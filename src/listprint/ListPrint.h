// TListPrint ("一覧表印刷"): the modeless window that prints the main list as a table, with the range, the
// printer, paper and orientation, the counts of records and sheets and a preview of the pages; the printer
// setting is kept in "LstPrint.pi".
#pragma once

#include "drawing/PrinterInfo.h"
#include "listprint/ListPage.h"
#include "mainlist/ListPrintServices.h"

#include <QWidget>


class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class TAddressList;
class TListRangeBox;
class TPaintPanel;
class TWorkProgress;

class TListPrint : public QWidget, public TListPrintWindow {
    Q_OBJECT
public:
    explicit TListPrint(TAddressList *owner);
    ~TListPrint() override;

    TListRangeBox *gbxRange;
    QListWidget *lstItems;  // the template's columns, in their order
    QComboBox *cbxPrinter, *cbxPaper;
    QRadioButton *rbPortrait, *rbLandscape;
    QLabel *lblDataCount, *lblSheetCount;
    TPaintPanel *pnlPreview;
    QToolButton *sbtnPrevPage, *sbtnNextPage;
    QLabel *lblPage;
    TWorkProgress *pgbPrint;
    QPushButton *btnPrint, *btnClose;

    TListTemplate Template;
    TPrinterInfo Info;
    int PreviewPage = 0;  // from 0

    QWidget *Window() override { return this; }
    void ListCountChanged() override;
    void UpdateKeywordNames() override;
    void UpdateAddressListTemplate() override;
    void RefreshPreview() override;

    // The printed rows (list index, record number) of the range.
    std::vector<std::pair<int, int32_t>> PrintRows() const;
    // The page as the chosen printer and paper make it, the table measured for the range.
    TListPage PageLayout();
    int SheetCount() const { return layout_.PageCount(); }
    // Prints the range on the chosen printer; fileName is the PDF printer's output. False when nothing was
    // printed (a failure is reported, a stop is not).
    bool PrintTo(const QString &fileName);
    // Whether the table, as now measured, is printed readable; says why not when it is not.
    bool Readable();
    void btnPrintClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fillItems();
    void fillPrinters();
    void fillPapers();
    void cbxPrinterChange(int index);
    void cbxPaperChange(int index);
    void orientationClick();
    // Measures the table again and shows its counts.
    void recount();
    void showCounts();
    void showPage(int page);
    // The cell texts of rows first.. of the range, from the open book.
    std::vector<QStringList> readRows(const std::vector<std::pair<int, int32_t>> &rows, int first, int count);
    // Makes the program's printer the one this window prints on.
    void selectPrinter();

    TAddressList *owner_;
    TListPage layout_;  // as last measured
    bool printing_ = false;
    bool filling_ = false;
};

// Installs the main window's way to the window and the count of printers it asks before opening it.
void RegisterListPrint();
