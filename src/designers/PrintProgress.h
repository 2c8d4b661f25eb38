// The progress window of a designer's print, and of the check of the records before it: the work done of all
// and 中止, over the window whose job it is.
#pragma once

#include "designers/LayoutPrint.h"
#include "platform/Forms.h"

#include <QProgressDialog>

// From its making to its end the job is window's (TWindowWork): a close of the window, whenever it comes, stops
// the job as 中止 does and is carried out once the job has ended. A screen reader's press of the window's own
// buttons and actions meanwhile is lost (TWindowQuestion), as under the window's boxes: nothing of the window
// changes under the job. The progress shows once the job looks to take longer than half a second.
class TPrintProgressWindow {
public:
    TPrintProgressWindow(QWidget *window, const QString &title, const QString &text, int total);
    TPrintProgressWindow(const TPrintProgressWindow &) = delete;
    TPrintProgressWindow &operator=(const TPrintProgressWindow &) = delete;

    // What the job reports to: the work done of all shown, the events let in; false once it was stopped.
    TPrintProgress Progress();

private:
    QProgressDialog dialog_;
    const TWindowQuestion question_;
    const TWindowWork work_;
};
