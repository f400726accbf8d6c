#include "mainwindow/frmwaitforwine.h"

#include "mainwindow/controls.h"
#include "mainwindow/pictures.h"
#include "mainwindow/programstart.h"
#include "mainwindow/timing.h"
#include "mainwindow/twips.h"
#include "platform/prefix.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kWidth = 6510;
constexpr int kTextWidth = 6060;
}  // namespace

FrmWaitForWine::FrmWaitForWine(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmWaitForWine"));
    setWindowTitle(QStringLiteral("Velmora 2007 - Waiting for Wine"));
    setWindowIcon(QIcon(pictures::picture(QStringLiteral("AppIcon"))));
    setModal(true);
    // The small font of the start-up summary, which this window follows.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setFixedSize(twips::px(kWidth), twips::px(2100));

    lblWaiting = makePlainLabel(this, QStringLiteral("lblWaiting"),
                                QStringLiteral("Velmora is waiting for Wine to end on the prefix"),
                                twips::rect(225, 180, kTextWidth, 240));
    lblPrefix = makePlainLabel(this, QStringLiteral("lblPrefix"), QString(), twips::rect(225, 450, kTextWidth, 240));
    lblWhy = makePlainLabel(this, QStringLiteral("lblWhy"),
                            QStringLiteral("While Wine runs, it would overwrite any change Velmora made. Velmora "
                                           "goes on by itself once Wine has ended; Cancel ends Velmora without "
                                           "changing anything."),
                            twips::rect(225, 780, kTextWidth, 600));
    lblWhy->setWordWrap(true);

    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdCancel->setGeometry(twips::rect(kWidth - 225 - 1320, 1560, 1320, 345));
    connect(cmdCancel, &QPushButton::clicked, this, &FrmWaitForWine::cmdCancel_Click);

    tmrPoll = mainwindow::makeTimer(this, QStringLiteral("tmrPoll"), kPollMs);
    tmrGiveUp = mainwindow::makeTimer(this, QStringLiteral("tmrGiveUp"), kGiveUpMs);
    tmrGiveUp->setSingleShot(true);
    connect(tmrPoll, &QTimer::timeout, this, &FrmWaitForWine::tmrPoll_Timer);
    connect(tmrGiveUp, &QTimer::timeout, this, &FrmWaitForWine::tmrGiveUp_Timer);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void FrmWaitForWine::Form_Load(const QString& prefixDir)
{
    m_prefixDir = prefixDir;
    // A long path is shortened in its middle; the whole of it is the hint.
    lblPrefix->setText(QFontMetrics(lblPrefix->font()).elidedText(prefixDir, Qt::ElideMiddle, lblPrefix->width()));
    lblPrefix->setToolTip(prefixDir);
    tmrPoll->start();
    tmrGiveUp->start();
}

void FrmWaitForWine::tmrPoll_Timer()
{
    if (platform::wineServerRunning(m_prefixDir))
        return;
    bServerEnded = true;
    accept();
}

// Opening the prefix then says why it cannot be changed, as at any start
// while Wine runs.
void FrmWaitForWine::tmrGiveUp_Timer()
{
    bServerEnded = !platform::wineServerRunning(m_prefixDir);
    bGaveUp = !bServerEnded;
    accept();
}

void FrmWaitForWine::cmdCancel_Click()
{
    mainwindow::End();
}

void FrmWaitForWine::done(int result)
{
    tmrPoll->stop();
    tmrGiveUp->stop();
    QDialog::done(result);
}
