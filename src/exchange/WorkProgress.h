// The progress strip of a long job in a dialog: a bar and a stop button. The job runs in the window's own
// thread and calls Step between pieces of work, which keeps the window answering and tells the job to stop.
#pragma once

#include <QWidget>

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

private:
    QProgressBar *pbWork;
    QPushButton *btnStop;
    bool stopped_ = false;
};
