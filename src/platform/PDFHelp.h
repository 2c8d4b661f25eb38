// TPDFHelp: the operation guide, shown in the desktop's PDF viewer at the page of a window's help context.
#pragma once

#include <QString>

#include <memory>

class QProcess;

class TPDFHelp {
public:
    TPDFHelp();
    ~TPDFHelp();
    TPDFHelp(const TPDFHelp &) = delete;
    TPDFHelp &operator=(const TPDFHelp &) = delete;

    const QString &ReaderFolder() const { return readerFolder_; }  // the viewer's folder, with "/"
    const QString &ReaderName() const { return readerName_; }      // "evince", ..., "xdg-open"
    bool Unavailable() const { return unavailable_; }  // until a viewer was found
    // 1 before FindReader, 0 once a viewer was found; 101 no viewer, 201 guide missing, 301 viewer not started.
    int ErrorCode() const { return errorCode_; }
    const QString &ErrorText() const { return errorText_; }
    const QString &PdfFile() const { return pdfFile_; }  // empty when the file did not exist when it was set
    const QString &Title() const { return title_; }
    bool UsePageOffset() const { return usePageOffset_; }
    int PageOffset() const { return pageOffset_; }

    // Looks for a PDF viewer on PATH that can start at a page, else the desktop's opener (without a page).
    void FindReader();
    void SetPdfFile(const QString &path);
    void SetTitle(const QString &text) { title_ = text; }
    void SetUsePageOffset(bool flag) { usePageOffset_ = flag; }
    void SetPageOffset(int n) { pageOffset_ = n; }

    // Opens the guide at the page of a help context: contexts from 1 on are shifted by PageOffset when
    // UsePageOffset is set.
    void ShowPage(int context);
    // Opens the guide at a page counted from 0, in place of a guide window this object opened before.
    void OpenAt(int page);
    // Closes the guide window this object opened, when it is still open.
    void CloseDocument();

    // What the help request shows while Unavailable: ErrorText and where to read about the guide.
    QString UnavailableMessage() const;

private:
    QString readerFolder_;
    QString readerName_;
    bool unavailable_ = true;
    int errorCode_ = 1;
    QString errorText_;
    QString pdfFile_;
    QString title_;
    bool usePageOffset_ = false;
    int pageOffset_ = 0;
    std::unique_ptr<QProcess> viewer_;  // the viewer OpenAt started
};
