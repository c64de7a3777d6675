#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

// The picture shown in the middle of the screen for four seconds while the program starts its work.
// Made by StartUp, shown once, then hidden and freed; the main window keeps a weak pointer to it.
class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    QLabel* Image = nullptr;
    // Ends the splash after four seconds; runs from the moment it is shown.
    QTimer Timer;
    // Keeps the picture painted while the start-up work runs.
    QTimer UpDateTimer;

    void FormShow();
    void TimerTimer();
    void UpDateTimerTimer();

protected:
    void showEvent(QShowEvent* event) override;
};
