#include "designers/PrintProgress.h"

#include <algorithm>

TPrintProgressWindow::TPrintProgressWindow(QWidget *window, const QString &title, const QString &text, int total)
    : dialog_(text, QStringLiteral("中止"), 0, std::max(1, total), window),
      question_(window),
      work_(window, [this] { dialog_.cancel(); })
{
    dialog_.setObjectName(QStringLiteral("PrintProgress"));
    dialog_.setWindowTitle(title);
    // Application-modal: the other windows are disabled while it runs, and enabled again after.
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(500);
}

TPrintProgress TPrintProgressWindow::Progress()
{
    return [this](int done, int total) {
        dialog_.setMaximum(std::max(1, total));
        // Shown, the modal window lets the events in here: 中止, a close of the window.
        dialog_.setValue(done);
        return !dialog_.wasCanceled();
    };
}
