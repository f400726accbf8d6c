#include "mainwindow/frmsplash.h"

#include "engine/services.h"
#include "mainwindow/pictures_startup.h"
#include "mainwindow/programstart.h"
#include "mainwindow/timing.h"
#include "mainwindow/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

FrmSplash::FrmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FrmSplash"));
    setWindowTitle(QStringLiteral("Velmora 2007"));
    setFixedSize(twips::px(5070), twips::px(3600));
    // The fade cannot be cut short: the window takes no input.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twips::rect(0, 0, 5070, 3600));
    Picture1->setPixmap(pictures::splashPicture());

    Timer1 = mainwindow::makeTimer(this, QStringLiteral("Timer1"), 25);
    Timer2 = mainwindow::makeTimer(this, QStringLiteral("Timer2"), 25);
    connect(Timer1, &QTimer::timeout, this, &FrmSplash::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &FrmSplash::Timer2_Timer);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void FrmSplash::Form_Load()
{
    if (mainwindow::isLogonStart()) {
        stopFade();
        if (mainwindow::askStartupSummary() && mainwindow::waitForWineServer())
            mainwindow::showFrmStart();
        mainwindow::unloadFrmSplash();
        return;
    }
    // Clear before the window is first shown.
    engine::SetWindowAlpha(this, 0);
    Timer1->start();
    Timer2->stop();
}

void FrmSplash::stopFade()
{
    Timer1->stop();
    Timer2->stop();
}

void FrmSplash::Timer1_Timer()
{
    SplashAlpha += 3;
    if (SplashAlpha < 250) {
        engine::SetWindowAlpha(this, SplashAlpha);
        return;
    }
    Timer1->stop();
    Timer2->start();
}

void FrmSplash::Timer2_Timer()
{
    SplashAlpha -= 3;
    engine::SetWindowAlpha(this, SplashAlpha);
    if (SplashAlpha > 3)
        return;
    // Stopped first: no tick may come in while the main window loads.
    stopFade();
    mainwindow::showFrmStart();
    mainwindow::unloadFrmSplash();
}
