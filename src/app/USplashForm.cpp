#include "app/USplashForm.h"

#include "widgets/BuiltinPictures.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setAccessibleName(QStringLiteral("Lumora is starting"));
    setFixedSize(416, 246);
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setAccessibleName(QStringLiteral("Lumora"));
    Image->setGeometry(0, 0, 416, 246);
    Image->setPixmap(BuiltinPicture(QStringLiteral("splash/splash")));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    Timer.setInterval(4000);
    Timer.setSingleShot(true);
    connect(&Timer, &QTimer::timeout, this, &TSplashForm::TimerTimer);
    UpDateTimer.setInterval(50);
    connect(&UpDateTimer, &QTimer::timeout, this, &TSplashForm::UpDateTimerTimer);
    UpDateTimer.start();
}

void TSplashForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TSplashForm::FormShow() {
    repaint();
    // The picture reaches the screen before the start-up work goes on; the user's input waits.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Timer.start();
}

void TSplashForm::TimerTimer() {
    Timer.stop();
    UpDateTimer.stop();
    hide();
    deleteLater();
}

void TSplashForm::UpDateTimerTimer() {
    // Between the pieces of start-up work the event loop runs; a repaint asked for here reaches the
    // screen at its next turn. A window opened meanwhile (a first run's configuration window) would
    // cover the splash where no window manager keeps it on top, so it is raised again as well.
    if (!isVisible())
        return;
    raise();
    update();
}
