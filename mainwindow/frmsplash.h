#pragma once
// The start-up window: the start-up picture fading in and out over the
// screen, then the main window. On a logon start it is never seen.
#include <QWidget>

class QLabel;
class QTimer;

class FrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit FrmSplash(QWidget* parent = nullptr);

    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();

    // Both fade timers stopped: no tick comes in after this.
    void stopFade();
    // The window's opacity now, 0 (clear) to 255.
    int splashAlpha() const { return SplashAlpha; }

private:
    QLabel* Picture1;
    QTimer* Timer1;  // fade-in
    QTimer* Timer2;  // fade-out
    int SplashAlpha = 0;
};
