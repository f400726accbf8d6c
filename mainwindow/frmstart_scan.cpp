// The scan: the Scan and Cancel actions, the scanning page as the engine's
// scan driver reports to it (marker, counters, total), and the busy
// animation.
#include "engine/scandriver.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "mainwindow/frmnextmessagebox.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/sectionviews.h"
#include "mainwindow/timing.h"
#include "mainwindow/twips.h"
#include "platform/desktop.h"
#include "platform/prefix.h"

#include <QAction>
#include <QCheckBox>
#include <QScopedValueRollback>
#include <QTimer>

namespace {
const QString kScanningText = QStringLiteral(" Scanning ...");
// The scan position's refresh while the driver runs: about 40 a second.
constexpr int kScanPositionRefreshMs = 25;
}  // namespace

void FrmStart::mnuCleaningScanRegitry_Click()
{
    ImgScanClick_MouseMove();
}

// The menu's Scan Registry is on again while the rows are being listed; a
// Scan chosen then waits for this one to end instead of clearing its lists.
void FrmStart::ImgScanClick_MouseMove()
{
    if (m_scanActionRunning || listWorkRunning())
        return;
    const QScopedValueRollback running(m_scanActionRunning, true);
    btnScan.pressed->setEnabled(false);
    PicRegistryCleaner_MouseMove();
    btnScan.showNormal();
    engine::PlayAlertSound();
    mnuFileRegistryCleaner_Click();
    if (!PicRegistryCleaner->anySectionChosen()) {
        platform::MsgBox(QStringLiteral("Please select the Section you want to scan."), 64, productName());
        btnScan.pressed->setEnabled(true);
        return;
    }
    // The registry as Wine left it, when it changed since it was read; none
    // while a Wine server runs, which writes its newest keys only later.
    const platform::PrefixError reread = platform::reloadRegistryIfChangedOnDisk();
    const QString stale = reread.ok ? platform::whyRegistryReadMayBeStale() : reread.message;
    if (!stale.isEmpty()) {
        platform::MsgBox(stale, 16, productName());
        btnScan.pressed->setEnabled(true);
        return;
    }
    startScan();
    ScanSelectedSections();
    if (!m_closing)
        listScanResults();
}

void FrmStart::startScan()
{
    engine::bResultsLoaded = false;
    m_errors.clear();
    resetScanCounters();
    engine::bCancelScan = false;
    Image22->move(twips::px(990), twips::px(1785));
    SetPagesVisible(true, false);
    SetMenusEnabled(false, false, false, false, false, false, false, false);
    bScanning = true;
    StatusBar1->setPanelText(1, kScanningText);
    StatusBar1->setPanelText(3, QString());
    PicRegistryCleaner->setSectionPanelEnabled(false);
}

// After the scan, ended or cancelled: the rows found, all checked, the
// completion box, then the problem page.
void FrmStart::listScanResults()
{
    PicRegistryCleaner->setSectionPanelEnabled(true);
    StatusBar1->setPanelText(1, QString());
    bScanning = false;
    SetMenusEnabled(true, true, false, true, true, true, true, true);
    PicShowError->clearProblemPage();
    mnuFileSaveScanResults->setEnabled(true);
    PicShowError->copyProblemRows();
    if (m_closing)
        return;
    showCompletionBox();
    if (m_closing)
        return;
    SetMenusEnabled(true, true, false, true, true, true, true, problemsListed());
    SetPagesVisible(false, true);
    btnScan.pressed->setEnabled(true);
}

void FrmStart::resetScanCounters()
{
    lblProblemsFound->setText(QStringLiteral("0"));
    for (QLabel* counter : sectionCounters)
        counter->setText(QStringLiteral("0"));
}

void FrmStart::showCompletionBox()
{
    FrmNextMessageBox box(this);
    box.lblprob->setText(QStringLiteral("Scanning is complete : %1 problems found.").arg(m_errors.count()));
    platform::ShowModal(&box);
}

void FrmStart::ImgCancelClick_MouseMove()
{
    PicScanning_MouseMove();
    bScanning = false;
    engine::bCancelScan = true;
    engine::PlayAlertSound();
    btnCancel.normal->setEnabled(false);
    showRotationFrame(1);
    tmrRotateImage->stop();
}

// What the scan driver reports, shown as the scanning page shows it.
class FrmStart::ScanDisplay final : public engine::ScanObserver {
public:
    explicit ScanDisplay(FrmStart& window) : w(window) {}

    bool sectionChosen(int index) override { return w.PicRegistryCleaner->sectionChosen(index); }
    void sectionStarting(int index) override
    {
        w.StatusBar1->setPanelText(1, kScanningText);
        w.moveMarkerToSection(index);
    }
    int countSectionProblems(const engine::ScanContext&, const QString& sectionName) override
    {
        return w.CountSectionProblems(sectionName);
    }
    void sectionCounted(int index, int count) override
    {
        w.flushScanPosition();
        w.sectionCounters[index]->setText(QString::number(count));
    }
    void totalCounted(int total) override { w.lblProblemsFound->setText(QString::number(total)); }
    void sectionPassed(int) override { w.showProblemsFoundInStatus(); }

private:
    FrmStart& w;
};

void FrmStart::ScanSelectedSections()
{
    PicRegistryCleaner->setSectionPanelEnabled(false);
    showRotationFrame(1);
    mnuFileSaveScanResults->setEnabled(true);
    tmrRotateImage->start();
    btnCancel.normal->setEnabled(true);

    m_scanPositionInterval = mainwindow::scaledInterval(kScanPositionRefreshMs);
    m_scanPositionThrottled = true;
    ScanDisplay display(*this);
    const engine::ScanEnd end = engine::runScanDriver(display, scanContext());
    m_scanPositionThrottled = false;
    flushScanPosition();
    if (end == engine::ScanEnd::Cancelled)
        return;
    tmrRotateImage->stop();
    PicRegistryCleaner->setSectionPanelEnabled(true);
}

void FrmStart::showScanPosition(const QString& text)
{
    m_scanPositionText = text;
    m_scanPositionHeld = true;
    const qint64 since = m_scanPositionShown.isValid() ? m_scanPositionShown.elapsed() : m_scanPositionInterval;
    if (!m_scanPositionThrottled || since >= m_scanPositionInterval) {
        flushScanPosition();
        return;
    }
    if (!m_scanPositionTimer) {
        m_scanPositionTimer = new QTimer(this);
        m_scanPositionTimer->setSingleShot(true);
        connect(m_scanPositionTimer, &QTimer::timeout, this, &FrmStart::flushScanPosition);
    }
    // What is held back shows when the interval is over, even when no
    // further key comes in the meantime.
    if (!m_scanPositionTimer->isActive())
        m_scanPositionTimer->start(static_cast<int>(m_scanPositionInterval - since));
}

void FrmStart::flushScanPosition()
{
    if (!m_scanPositionHeld)
        return;
    m_scanPositionHeld = false;
    lblRegistryFilesScan->setText(m_scanPositionText);
    m_scanPositionShown.start();
}

// The marker goes to the section's column, one pixel above its counter.
void FrmStart::moveMarkerToSection(int index)
{
    const int left = mainwindow::kSectionViews[index].markerLeft;
    Image22->move(twips::px(left), sectionCounters[index]->y() - twips::px(15));
}

int FrmStart::CountSectionProblems(const QString& sectionName)
{
    return engine::CountSectionProblems(scanContext(), sectionName);
}

void FrmStart::tmrRotateImage_Timer()
{
    showRotationFrame(m_rotateFrame % 4 + 1);
}

void FrmStart::showRotationFrame(int frame)
{
    m_rotateFrame = frame;
    imgHoldingRotation->setPixmap(ImglstRotate[frame - 1]);
}
