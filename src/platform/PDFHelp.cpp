#include "platform/PDFHelp.h"

#include "base/Folders.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace {

// How each viewer is told the page to start at (pages counted from 1), in order of preference.
struct TViewerKind {
    const char *name;
    QStringList (*arguments)(const QString &page, const QString &file);
};

const TViewerKind ViewerKinds[] = {
    {"evince", [](const QString &page, const QString &file) { return QStringList{"-i", page, file}; }},
    {"okular", [](const QString &page, const QString &file) { return QStringList{"-p", page, file}; }},
    {"atril", [](const QString &page, const QString &file) { return QStringList{"-i", page, file}; }},
    {"xreader", [](const QString &page, const QString &file) { return QStringList{"-i", page, file}; }},
    {"zathura", [](const QString &page, const QString &file) { return QStringList{"-P", page, file}; }},
    {"qpdfview", [](const QString &page, const QString &file) { return QStringList{file + '#' + page}; }},
    {"mupdf", [](const QString &page, const QString &file) { return QStringList{file, page}; }},
    {"xpdf", [](const QString &page, const QString &file) { return QStringList{file, page}; }},
};

const QString DesktopOpener = QStringLiteral("xdg-open");

QStringList viewerArguments(const QString &viewer, int page, const QString &file)
{
    for (const TViewerKind &kind : ViewerKinds)
        if (viewer == QLatin1String(kind.name))
            return kind.arguments(QString::number(page + 1), file);
    return {file};
}

// A viewer that ignores the polite request is not left running after the program.
constexpr int ViewerCloseTimeoutMs = 3000;

}  // namespace

TPDFHelp::TPDFHelp() = default;

TPDFHelp::~TPDFHelp() { CloseDocument(); }

void TPDFHelp::FindReader()
{
    readerFolder_.clear();
    readerName_.clear();
    unavailable_ = true;
    QStringList candidates;
    for (const TViewerKind &kind : ViewerKinds)
        candidates << QLatin1String(kind.name);
    candidates << DesktopOpener;
    for (const QString &name : candidates) {
        const QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            continue;
        readerFolder_ = IncludeTrailingPathDelimiter(QFileInfo(path).absolutePath());
        readerName_ = name;
        unavailable_ = false;
        errorCode_ = 0;
        errorText_.clear();
        return;
    }
    errorCode_ = 101;
    errorText_ = QStringLiteral("PDF ビューアがインストールされていません  ");
}

void TPDFHelp::SetPdfFile(const QString &path) { pdfFile_ = FileExists(path) ? path : QString(); }

void TPDFHelp::ShowPage(int context)
{
    OpenAt(usePageOffset_ && context >= 1 ? context + pageOffset_ : context);
}

void TPDFHelp::OpenAt(int page)
{
    if (!FileExists(pdfFile_)) {
        errorCode_ = 201;
        errorText_ = QStringLiteral("『") + title_ + QStringLiteral("』が見つかりません  ");
        ShowMessageBoxAt(QApplication::activeWindow(), errorText_, AppTitle, MB_ICONERROR);
        return;
    }
    CloseDocument();
    // The folder keeps its "/", so joining the name onto it always makes the viewer's path.
    const QString program = readerName_.isEmpty() ? QString() : readerFolder_ + readerName_;
    auto viewer = std::make_unique<QProcess>();
    if (StartProgram(*viewer, program, viewerArguments(readerName_, page, pdfFile_), readerFolder_) != 0) {
        errorCode_ = 301;
        errorText_ = QStringLiteral("PDFファイルの呼び出しができませんでした  \r\nRC = 301  ");
        return;
    }
    viewer_ = std::move(viewer);
}

void TPDFHelp::CloseDocument()
{
    if (unavailable_ || !viewer_ || viewer_->state() == QProcess::NotRunning)
        return;
    viewer_->terminate();
    if (!viewer_->waitForFinished(ViewerCloseTimeoutMs)) {
        viewer_->kill();
        viewer_->waitForFinished(ViewerCloseTimeoutMs);
    }
    viewer_.reset();
}

QString TPDFHelp::UnavailableMessage() const
{
    // This desktop has no Start menu to point at: what the user can act on is the viewer itself.
    return errorText_ + QStringLiteral("\r\n\r\n操作ガイドの表示には PDF ビューア（evince、okular など）が必要です  "
                                       "\r\nインストールされているかご確認ください  ");
}
