#include "core/Splash.h"

#include "core/Globals.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

TSplashForm::TSplashForm() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(512, 400);

    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(512, 400) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    QSvgRenderer(QStringLiteral(":/core/images/splash.svg")).render(&painter, QRectF(0, 0, 512, 400));
    painter.end();

    imgSplash = Named<QLabel>("imgSplash", this);
    imgSplash->setPixmap(pixmap);
    imgSplash->setAccessibleName(AppTitle);
    imgSplash->setGeometry(0, 0, 512, 400);

    tmrSplash = Named<QTimer>("tmrSplash", this);
    tmrSplash->setInterval(2500);
    tmrSplash->setSingleShot(true);
    connect(tmrSplash, &QTimer::timeout, this, &TSplashForm::tmrSplashTimer);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

TSplashForm::~TSplashForm()
{
    if (SplashForm == this)
        SplashForm = nullptr;
}

void TSplashForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    tmrSplash->start();
}

void TSplashForm::tmrSplashTimer() { close(); }

void TSplashForm::closeEvent(QCloseEvent *event)
{
    SplashForm = nullptr;
    event->accept();
}
