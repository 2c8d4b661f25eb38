// The progress strip of a long job in a dialog: a bar and a stop button. The job runs in the window's own
// thread and calls Step between pieces of work, which keeps the window answering and tells the job to stop.
// From Begin to End the job is the window's (TWindowWork, platform/Forms.h): a close of the window stops it as
// the stop button does and waits for it.
#pragma once

#include "platform/Forms.h"

#include <QWidget>

#include <optional>

class QProgressBar;
class QPushButton;

class TWorkProgress : public QWidget {
public:
    explicit TWorkProgress(QWidget *parent);

    // Starts a job: the bar empties, the stop button is enabled.
    void Begin();
    // done of total bytes (or items); false once the user pressed stop.
    bool Step(qint64 done, qint64 total);
    void End();
    bool Stopped() const { return stopped_; }
    // Whether the window's close was asked during the last job: the window goes next, so the job's summary is
    // left out (a failure is still told).
    bool CloseAsked() const { return work_ ? work_->CloseAsked() : closeAsked_; }

private:
    QProgressBar *pbWork;
    QPushButton *btnStop;
    bool stopped_ = false;
    bool closeAsked_ = false;
    std::optional<TWindowWork> work_;
};
