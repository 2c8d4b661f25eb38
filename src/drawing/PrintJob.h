// One print job: every page the program prints or writes as PDF is painted through it, and a PDF it wrote
// gets the text of its glyphs mapped back to the characters the glyph renderer drew them for.
#pragma once

#include <QPainter>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class TDrawnText;

class TPrintJob {
public:
    // Starts painting on printer as TPrinter::ApplyTo set it up (a queue, or the PDF printer writing its
    // output file). Messages name the file shownFile, the one a staged output file is to replace, or the output
    // file itself when it is empty. Throws EPrinterError when the printer cannot start.
    explicit TPrintJob(QPrinter &printer, const QString &shownFile = {});
    // Starts painting on writer, set up by the caller, which writes pdfFile.
    TPrintJob(QPdfWriter &writer, const QString &pdfFile);
    // Ends an unfinished job; a PDF whose text cannot be corrected is left as written.
    ~TPrintJob();
    TPrintJob(const TPrintJob &) = delete;
    TPrintJob &operator=(const TPrintJob &) = delete;

    QPainter &Painter() { return painter_; }
    bool NewPage();
    // Ends painting; a PDF file then gets its text maps corrected. Throws EPrinterError when the file cannot
    // be read back or updated, and when the writer left it without its end (the disk took only part of it).
    void End();
    // Ends painting of a run whose output is dropped: the file is left as it is, its text maps uncorrected.
    void Abandon();

private:
    QPagedPaintDevice &device_;
    QPainter painter_;
    QString pdfFile_;  // empty for a printer queue
    QString shownFile_;
    std::unique_ptr<TDrawnText> drawn_;  // what the glyphs drawn on a PDF stand for
    bool ended_ = false;
};

// Gives every font of the PDF file a ToUnicode map from drawn, the record of the device that wrote it: each glyph
// maps to the text it was drawn for in that font, so 長 stays 長 (not the radical ⻑ that shares its glyph), a
// typed ⻑ or ～ stays itself in the copy of the face that drew it, and vertical forms (ー, small kana, brackets)
// keep their characters; a glyph of such a font nothing recorded (text Qt drew itself) that the writer named by a
// radical is named by the ideograph sharing it. Fonts nothing recorded keep the writer's map. Only the fonts'
// objects are read, not the pages, and the new maps are appended as an update of the file. A file indexed by a
// cross-reference stream is left as it is. Throws EPrinterError, naming the file shownFile (pdfFile when empty),
// when the file cannot be read or updated; the file is then as it was.
void CorrectPdfText(const QString &pdfFile, const TDrawnText &drawn, const QString &shownFile = {});
