// The splash window shown while the program starts; it closes itself 2500 ms after it is shown.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    TSplashForm();
    ~TSplashForm() override;

    QLabel *imgSplash;
    QTimer *tmrSplash;

    void tmrSplashTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
