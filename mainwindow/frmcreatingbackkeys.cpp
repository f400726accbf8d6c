#include "mainwindow/frmcreatingbackkeys.h"

#include "mainwindow/timing.h"
#include "mainwindow/twips.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

FrmCreatingBackKeys::FrmCreatingBackKeys(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmCreatingBackKeys"));
    setWindowTitle(QStringLiteral("Restoring Status"));
    setModal(true);
    setFixedSize(twips::px(5400), twips::px(1500));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setGeometry(twips::rect(240, 240, 4920, 300));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(twips::rect(240, 720, 4920, 300));

    tmrProgress = mainwindow::makeTimer(this, QStringLiteral("tmrProgress"), 1000);
    tmrChecking = mainwindow::makeTimer(this, QStringLiteral("tmrChecking"), 11000);
    tmrProgress->setTimerType(Qt::PreciseTimer);
    tmrChecking->setTimerType(Qt::PreciseTimer);
    connect(tmrProgress, &QTimer::timeout, this, &FrmCreatingBackKeys::tmrProgress_Timer);
    connect(tmrChecking, &QTimer::timeout, this, &FrmCreatingBackKeys::tmrChecking_Timer);

    Form_Load();
}

void FrmCreatingBackKeys::Form_Load()
{
    Label1->setText(QStringLiteral(" Checking Restoring Point ..."));
    ProgressBar1->setMaximum(10);
    ProgressBar1->setValue(0);
    tmrProgress->start();
    tmrChecking->stop();
}

void FrmCreatingBackKeys::tmrProgress_Timer()
{
    ProgressBar1->setValue(ProgressBar1->value() + 1);
    if (ProgressBar1->value() < 10)
        return;
    ProgressBar1->setValue(0);
    // Switching an already running countdown on again leaves it running as
    // it was, so the box closes 11 s after the first full bar.
    if (!tmrChecking->isActive())
        tmrChecking->start();
    Label1->setText(QStringLiteral(" Restoring selected items..."));
}

void FrmCreatingBackKeys::tmrChecking_Timer()
{
    tmrProgress->stop();
    tmrChecking->stop();
    accept();
}
