// The program's printer: the installed printers (CUPS queues and the PDF printer), the setting of the chosen
// one, and TPrinterInfo, one window's remembered setting in its ".pi" file with the page metrics derived from it.
#pragma once

#include "drawing/Canvas.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <vector>

class QPrinter;

class EPrinterError : public std::runtime_error {
public:
    explicit EPrinterError(const QString &message)
        : std::runtime_error(message.toStdString()), Message(message)
    {
    }
    const QString Message;
};

// Writes PDF files; it exists on every machine, so the program always has a printer.
inline const QString PdfPrinterName = QStringLiteral("PDF出力");
// The paper number of a size of the caller's own, for printers that take any size within their limits.
constexpr quint16 UserPaperNumber = 256;

struct TPrinterPaper {
    quint16 Number = 0;  // the Windows paper number where the size has one, else one of the printer's own
    QString Name;
    int Width = 0;   // portrait, 0.1 mm
    int Length = 0;
};

// What a printer offers, as its driver reports it.
struct TPrinterCapabilities {
    QString Model;  // make and model: a different one means another printer behind the same name
    std::vector<TPrinterPaper> Papers;
    bool UserSizes = false;  // takes sizes from MinUserSize to MaxUserSize (0.1 mm, portrait)
    QSize MinUserSize, MaxUserSize;
    int Dpi = 600;
    QMarginsF MinimumMargins;  // points: what the printer cannot print on, for every paper
};

// The source of the installed printers. The real one asks CUPS; tests install printers of their own.
class TPrintDriver {
public:
    virtual ~TPrintDriver() = default;
    virtual QStringList Printers() const = 0;
    virtual QString DefaultPrinter() const = 0;
    virtual TPrinterCapabilities Capabilities(const QString &printer) const = 0;
    // Points printer at the named queue; output that only tests make goes to PDF.
    virtual void Select(QPrinter &printer, const QString &name) const = 0;
};

// Installs driver (nullptr: the CUPS driver again) and selects the default printer anew.
void SetPrintDriver(std::unique_ptr<TPrintDriver> driver);

// One printer's setting: what a ".pi" file keeps.
struct TPrinterSetting {
    QString PrinterName;
    QString Model;
    quint16 PaperNumber = 0;
    int PaperWidth = 0;  // portrait, 0.1 mm
    int PaperLength = 0;
    qint16 Orientation = 1;  // 1 portrait, 2 landscape
    qint16 Copies = 1;
    int Dpi = 0;  // one resolution both ways: a Qt printer has no other
    QMargins Margins;  // device pixels of the oriented page that are not printed on (the physical offsets)

    bool operator==(const TPrinterSetting &) const = default;
};

// The page as the printer sees it, in device pixels.
struct TPrinterMetrics {
    int Dpi = 0;
    int PhysicalWidth = 0, PhysicalHeight = 0;
    int OffsetX = 0, OffsetY = 0;
    int PageWidth = 0, PageHeight = 0;
};

TPrinterMetrics MetricsOf(const TPrinterSetting &setting);

// The program's printer object: which printer is chosen and its current setting.
class TPrinter {
public:
    // The driver's printers, then the PDF printer.
    QStringList Printers() const;
    int PrinterIndex();
    // -1 chooses the default printer. Choosing another printer gives its default setting.
    void SetPrinterIndex(int index);
    // The default printer with its default setting, whatever was chosen before: a window with no setting of its
    // own starts there, not on the paper another window left behind.
    void ChooseDefaultPrinter();
    QString PrinterName() { return Setting().PrinterName; }
    const TPrinterCapabilities &Capabilities();

    const TPrinterSetting &Setting();
    // Takes setting for the current printer as its driver would: an unknown paper becomes the default
    // paper, a user size is brought within the printer's limits, margins are at least the printer's.
    void SetSetting(const TPrinterSetting &setting);
    TPrinterMetrics Metrics() { return MetricsOf(Setting()); }

    // Sets printer up to print with the current setting (the output file of the PDF printer is the caller's).
    void ApplyTo(QPrinter &printer);
    // Takes back what the printer dialog chose on printer.
    void ReadFrom(const QPrinter &printer);

private:
    void ensureChosen();
    TPrinterSetting defaultSetting(const QString &name, const TPrinterCapabilities &caps) const;

    int index_ = -2;  // not chosen yet
    TPrinterSetting setting_;
    TPrinterCapabilities caps_;
};

TPrinter &Printer();
// What the named printer offers; an unknown name offers nothing.
TPrinterCapabilities PrinterCapabilities(const QString &printer);

// How a TPrinterInfo came to its printer.
enum class TPrinterFileState {
    NoFile,         // no file yet: the default printer
    Loaded,         // the file's printer and setting
    Unreadable,     // the file could not be read: the default printer
    Corrupt,        // truncated, or a field outside its range: the default printer
    ForeignFormat,  // not a record of ours (an older program's file): the default printer
    PrinterGone,    // its printer is no longer installed: the default printer
    DriverChanged,  // another printer model now stands behind its name: the default printer
};

// Which way SetPrinterPaper found the paper.
enum class TPaperChoice {
    ByNumber,  // the printer lists the paper number asked for
    BySize,    // a listed paper has exactly the size asked for
    UserSize,  // the printer takes the size as a size of its own
    Refused,   // the printer has no such paper and cannot take the size (or none was given): the paper
               // stays as it was
};

// One printing window's printer setting, kept in its ".pi" file, and the page metrics derived from it.
class TPrinterInfo {
public:
    // Loads fileName; whatever is wrong with the file ends silently in the default printer, and
    // LoadState says why.
    explicit TPrinterInfo(const QString &fileName);

    void ReadCurrentPrinter();
    // Replaces the file whole; throws EPrinterError when it cannot be written, leaving the old file.
    void Save() const;

    // error 0 with the name of the kept paper; 1 when the printer lists no paper; 4 when it does not list
    // the kept paper (which stays as it is).
    void GetPaperName(int &error, QString &name) const;
    // The printable area in layout units, moved by (x, y).
    QRect GetPrintableRect(int x, int y) const;
    QPoint GetPaperSize96() const;
    QPoint TenthMmToDevice(QPoint tenthMm) const;
    int PointsToDevice(int points) const;
    // What the objects draw for on this printer; none without a resolution (no printer to read one from).
    TRenderTarget RenderTarget() const;
    int GetOrientation() const { return Setting.Orientation; }
    int GetCopies() const { return Setting.Copies; }
    void SetCopies(int copies);

    QString Device;  // the printer's name
    QString Driver;  // its make and model
    int DpiX = 0, DpiY = 0;
    int PhysicalWidth = 0, PhysicalHeight = 0;
    int OffsetX = 0, OffsetY = 0;
    int RightMargin = 0, BottomMargin = 0;
    double ScaleX = 0, ScaleY = 0;  // device pixels per layout unit
    QString FileName;
    TPrinterSetting Setting;
    TPrinterFileState LoadState = TPrinterFileState::NoFile;

private:
    TPrinterFileState load();
    void readPrinter(int index);
};

// The ".pi" record. Decoding checks the size and every field before anything is used.
QByteArray EncodePrinterSetting(const TPrinterSetting &setting);
TPrinterFileState DecodePrinterSetting(const QByteArray &bytes, TPrinterSetting &setting);

// Puts a paper (number, or 0 for a size only), orientation and portrait size in 0.1 mm into the current
// printer's setting.
TPaperChoice SetPrinterPaper(quint16 paperNumber, int orientation, int width, int length);
// The current printer's name, paper name (left as it is when the printer does not list the paper) and
// orientation, for the print dialogs.
void GetPrinterPaperInfo(QString &deviceName, QString &paperName, int &orientation);
