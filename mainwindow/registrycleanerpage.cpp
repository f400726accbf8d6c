// The Registry Cleaner page: the section choice and the saving of each
// box's choice, the Scan action with the scanning page as the engine's scan
// driver reports to it (marker, counters, total) and the busy animation, and
// the page's other buttons.
#include "mainwindow/registrycleanerpage.h"

#include "engine/problemlist.h"
#include "engine/scandriver.h"
#include "engine/services.h"
#include "mainwindow/frmnextmessagebox.h"
#include "mainwindow/pictures.h"
#include "mainwindow/problempage.h"
#include "mainwindow/productname.h"
#include "mainwindow/registrynotice.h"
#include "mainwindow/sectionviews.h"
#include "mainwindow/timing.h"
#include "mainwindow/twips.h"
#include "mainwindow/windowstate.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kCounterWidth = 660;
constexpr int kSectionBoxWidth = 195;
constexpr int kSectionBoxHeight = 225;
const QString kScanningText = QStringLiteral(" Scanning ...");
// The scan position's refresh while the driver runs: about 40 a second.
constexpr int kScanPositionRefreshMs = 25;

int boxValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

}  // namespace

// The six buttons: their pictures, places (twips), hints and handlers.
// Cancel is on the scanning page and gives no hint: the status bar keeps
// telling that the scan runs.
const RegistryCleanerPage::ButtonRow RegistryCleanerPage::kButtons[ButtonCount] = {
    {"ImgScanNormal", "ImgScanMouseMove", "ImgScanClick", "Scan", 6195, 1665, " Scan registry for invalid entires",
     &RegistryCleanerPage::ImgScanNormal_MouseMove, &RegistryCleanerPage::ImgScanMouseMove_MouseDown,
     &RegistryCleanerPage::ImgScanClick_MouseMove},
    {"ImgFindMissingFilesNormal", "ImgFindMissingFilesMouseMove", "ImgFindMissingFilesClick", "FindMissingFiles",
     6195, 2400, " Find Missing Files", &RegistryCleanerPage::ImgFindMissingFilesNormal_MouseMove,
     &RegistryCleanerPage::ImgFindMissingFilesMouseMove_MouseDown,
     &RegistryCleanerPage::ImgFindMissingFilesClick_MouseMove},
    {"ImfFixProblemsNormal", "ImfFixProblemsMouseMove", "ImgFixProblemsClick", "FixProblems", 6195, 3165,
     " Correct Invalid Registry Entries", &RegistryCleanerPage::ImfFixProblemsNormal_MouseMove,
     &RegistryCleanerPage::ImfFixProblemsMouseMove_MouseDown, &RegistryCleanerPage::ImgFixProblemsClick_MouseMove},
    {"ImgHelpNormal", "ImgHelpMouseMove", "ImgHelpClick", "Help", 3540, 5535, " Read Program Help",
     &RegistryCleanerPage::ImgHelpNormal_MouseMove, &RegistryCleanerPage::ImgHelpMouseMove_MouseDown,
     &RegistryCleanerPage::ImgHelpClick_MouseMove},
    {"ImgSupportNormal", "ImgSupportMoseMove", "ImgSupportClick", "Support", 5415, 5535, " Get Online Support",
     &RegistryCleanerPage::ImgSupportNormal_MouseMove, &RegistryCleanerPage::ImgSupportMoseMove_MouseDown,
     &RegistryCleanerPage::ImgSupportClick_MouseMove},
    {"ImgCancelNormal", "ImgCancelMouseMove", "ImgCancelClick", "Cancel", 5355, 4290, nullptr,
     &RegistryCleanerPage::ImgCancelNormal_MouseMove, &RegistryCleanerPage::ImgCancelMouseMove_MouseDown,
     &RegistryCleanerPage::ImgCancelClick_MouseMove},
};

RegistryCleanerPage::RegistryCleanerPage(RegistryCleanerPageFrame& frame, ProblemPageFrame& problemFrame,
                                         const QRect& place, QWidget* parent)
    : PictureBox(parent), m_frame(frame)
{
    setObjectName(QStringLiteral("PicRegistryCleaner"));
    setGeometry(place);
    setAutoFillBackground(true);
    buildMainPage();
    buildScanningPage();
    m_problemPage = new ProblemPage(problemFrame, this);
    m_problemPage->setGeometry(rect());

    tmrRotateImage = mainwindow::makeTimer(this, QStringLiteral("tmrRotateImage"), 500);
    connect(tmrRotateImage, &QTimer::timeout, this, &RegistryCleanerPage::tmrRotateImage_Timer);
    // Enabled at design; the window's load stops it.
    tmrRotateImage->start();
}

void RegistryCleanerPage::buildMainPage()
{
    QWidget* page = this;
    connect(this, &PictureBox::mouseMoved, this, &RegistryCleanerPage::PicRegistryCleaner_MouseMove);
    buildSectionPanel();

    makeLabel(page, QStringLiteral("Label4"),
              QStringLiteral("Your registry has not yet been scanned for errors. Velmora 2007 is ready to begin, so "
                             "simply click \"Scan\" below to get started!"),
              twips::rect(3660, 240, 6600, 900), true, true);
    struct Step {
        const char* name;
        const char* text;
        const char* detailName;
        const char* detail;
        int top;
        int detailHeight;  // down to the next step
    };
    const Step steps[3] = {
        {"Label5", "Step 1", "Label7", " - Click Scan Registry button to identify problems", 1665, 465},
        {"Label17", "Step 2", "Label12", " - Click Find Missing Files button to find missing files", 2400, 495},
        {"Label18", "Step 3", "Label16", " - Click Fix Problems button to connect invalid Registry entries", 3165, 720},
    };
    for (const Step& s : steps) {
        makeLabel(page, QLatin1String(s.name), QLatin1String(s.text), twips::rect(3660, s.top, 2400, 270), true);
        makeLabel(page, QLatin1String(s.detailName), QLatin1String(s.detail),
                  twips::rect(3660, s.top + 270, 2460, s.detailHeight), false, true);
    }
    makeLabel(page, QStringLiteral("Label21"), QStringLiteral("Version 3.0.0"), twips::rect(8700, 6240, 1650, 255));

    for (int i = Scan; i < Cancel; ++i)
        m_buttons[i] = makePageButton(this, kButtons[i]);
}

void RegistryCleanerPage::buildSectionPanel()
{
    Picture10 = makePage(this, QStringLiteral("Picture10"), twips::rect(90, 90, 3390, 5760));
    Picture10->setFrameShape(QFrame::StyledPanel);
    connect(Picture10, &PictureBox::mouseMoved, this, &RegistryCleanerPage::Picture10_MouseMove);
    makeLabel(Picture10, QStringLiteral("Label2"), QStringLiteral("Registry Sections"), twips::rect(195, 150, 3000, 300),
              true);

    using Handler = void (RegistryCleanerPage::*)();
    const Handler handlers[9] = {
        &RegistryCleanerPage::ChkChosseSettingsActiveXProgramID_Click, &RegistryCleanerPage::ChkChosseSettingsApplicationPaths_Click,
        &RegistryCleanerPage::ChkeFilePathsAndHistory_Click,           &RegistryCleanerPage::ChkFileTypes_Click,
        &RegistryCleanerPage::ChkChosseSettingsInstalledHelpFiles_Click, &RegistryCleanerPage::ChkChosseSettingsInstalledFiles_Click,
        &RegistryCleanerPage::ChkChosseSettingsSharedProgramFiles_Click, &RegistryCleanerPage::ChkStartupMenu_Click,
        &RegistryCleanerPage::ChkChosseSettingsStartupPrograms_Click,
    };
    for (int i = 0; i < 9; ++i) {
        const mainwindow::SectionView& view = mainwindow::kSectionViews[i];
        const int top = view.boxTop;
        auto* box = new SectionCheckBox(Picture10);
        box->setObjectName(QLatin1String(view.checkBox));
        // Never smaller than the style draws its box, or its edge is cut.
        const QSize indicator = box->sizeHint();
        box->setGeometry(twips::px(195), twips::px(top), std::max(twips::px(kSectionBoxWidth), indicator.width()),
                         std::max(twips::px(kSectionBoxHeight), indicator.height()));
        // A value set by code runs the handler too, as the stored choice relies on.
        connect(box, &QCheckBox::stateChanged, this, handlers[i]);
        sectionBoxes[i] = box;

        auto* icon = new QLabel(Picture10);
        icon->setObjectName(QStringLiteral("imgSection%1").arg(i + 1));
        icon->setPixmap(pictures::picture(QStringLiteral("Section%1").arg(view.icon)));
        // Icon and caption centred on the box's row.
        const int middle = box->geometry().center().y();
        icon->setGeometry(twips::px(510), middle - 11, 22, 22);
        makeLabel(Picture10, QStringLiteral("lblSection%1").arg(i + 1), QLatin1String(view.caption),
                  QRect(twips::px(900), middle - 10, twips::px(2400), 20));
    }
}

void RegistryCleanerPage::buildScanningPage()
{
    PicScanning = makePage(this, QStringLiteral("PicScanning"), rect());
    QWidget* page = PicScanning;
    connect(PicScanning, &PictureBox::mouseMoved, this, &RegistryCleanerPage::PicScanning_MouseMove);

    makeLabel(page, QStringLiteral("Label22"), QStringLiteral("Registry Scan Summary"), twips::rect(240, 150, 6000, 300),
              true);
    makeLabel(page, QStringLiteral("Label23"),
              QStringLiteral("Velmora 2007 is now scanning for problems in all the selected areas. This process can "
                             "take several minutes, and you will be presented with a list of results when it is completed"),
              twips::rect(240, 480, 9900, 600), false, true);
    lblRegistryFilesScan = makeLabel(page, QStringLiteral("lblRegistryFilesScan"), QString(),
                                     twips::rect(240, 1200, 9900, 270));
    lblRegistryFilesScan->setFrameShape(QFrame::StyledPanel);

    // A counter holds five digits; the captions are a size smaller so that
    // the left column ends before the right one begins.
    for (int i = 0; i < 9; ++i) {
        const mainwindow::SectionView& view = mainwindow::kSectionViews[i];
        QLabel* counter = makeLabel(page, QLatin1String(view.counter), QStringLiteral("0"),
                                    twips::rect(view.counterLeft, view.counterTop, kCounterWidth, 255), true);
        counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        sectionCounters[i] = counter;
        QLabel* caption = makeLabel(page, QStringLiteral("lblScanSection%1").arg(i + 1), QLatin1String(view.caption),
                                    twips::rect(view.counterLeft + kCounterWidth + 60, view.counterTop, 2100, 255));
        QFont small = caption->font();
        small.setPointSizeF(small.pointSizeF() - 1);
        caption->setFont(small);
    }
    Image22 = new PictureImage(page);
    Image22->setObjectName(QStringLiteral("Image22"));
    Image22->setPixmap(pictures::picture(QStringLiteral("Marker")));
    Image22->setGeometry(twips::rect(990, 1785, 240, 240));

    for (int i = 0; i < 4; ++i)
        ImglstRotate[i] = pictures::picture(QStringLiteral("Busy%1").arg(i + 1));
    imgHoldingRotation = new PictureImage(page);
    imgHoldingRotation->setObjectName(QStringLiteral("imgHoldingRotation"));
    imgHoldingRotation->setGeometry(twips::rect(8160, 1800, 960, 960));
    showRotationFrame(1);

    makeLabel(page, QStringLiteral("Label3"), QStringLiteral("Problems found"), twips::rect(990, 3600, 1800, 300), true);
    lblProblemsFound = makeLabel(page, QStringLiteral("lblProblemsFound"), QStringLiteral("0"),
                                 twips::rect(2850, 3600, 1200, 300), true);

    m_buttons[Cancel] = makePageButton(this, PicScanning, kButtons[Cancel]);
}

void RegistryCleanerPage::setScanningPageVisible(bool visible)
{
    PicScanning->setVisible(visible);
}

// --- the section choice ------------------------------------------------------------

bool RegistryCleanerPage::sectionChosen(int index) const
{
    return sectionBoxes[index]->checkState() == Qt::Checked;
}

bool RegistryCleanerPage::anySectionChosen() const
{
    for (int i = 0; i < 9; ++i) {
        if (sectionChosen(i))
            return true;
    }
    return false;
}

void RegistryCleanerPage::setSectionChoice(int index, int value)
{
    static const Qt::CheckState states[3] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    QCheckBox* box = sectionBoxes[index];
    if (value == 2)
        box->setTristate(true);
    box->setCheckState(states[value]);
}

QString RegistryCleanerPage::sectionKey(int index) const
{
    return sectionBoxes[index]->objectName();
}

void RegistryCleanerPage::saveSectionChoice(int index)
{
    const QCheckBox* box = sectionBoxes[index];
    platform::SaveSetting(mainwindow::productName(), mainwindow::settingsSection(), box->objectName(),
                          QString::number(boxValue(box)));
}

void RegistryCleanerPage::ChkChosseSettingsActiveXProgramID_Click() { saveSectionChoice(0); }
void RegistryCleanerPage::ChkChosseSettingsApplicationPaths_Click() { saveSectionChoice(1); }
void RegistryCleanerPage::ChkeFilePathsAndHistory_Click() { saveSectionChoice(2); }
void RegistryCleanerPage::ChkFileTypes_Click() { saveSectionChoice(3); }
void RegistryCleanerPage::ChkChosseSettingsInstalledHelpFiles_Click() { saveSectionChoice(4); }
void RegistryCleanerPage::ChkChosseSettingsInstalledFiles_Click() { saveSectionChoice(5); }
void RegistryCleanerPage::ChkChosseSettingsSharedProgramFiles_Click() { saveSectionChoice(6); }
void RegistryCleanerPage::ChkStartupMenu_Click() { saveSectionChoice(7); }
void RegistryCleanerPage::ChkChosseSettingsStartupPrograms_Click() { saveSectionChoice(8); }


// --- Scan ---------------------------------------------------------------------------

bool RegistryCleanerPage::problemsListed() const
{
    return m_frame.problemRows().count() > 0;
}

// The menu's Scan Registry is on again while the rows are being listed; a
// Scan chosen then waits for this one to end instead of clearing its lists.
void RegistryCleanerPage::ImgScanClick_MouseMove()
{
    if (m_scanActionRunning || m_frame.listWorkRunning())
        return;
    const QScopedValueRollback running(m_scanActionRunning, true);
    PictureButton& scan = m_buttons[Scan];
    scan.pressed->setEnabled(false);
    PicRegistryCleaner_MouseMove();
    scan.showNormal();
    engine::PlayAlertSound();
    m_frame.showRegistryCleaner();
    if (!anySectionChosen()) {
        platform::MsgBox(QStringLiteral("Please select the Section you want to scan."), 64, mainwindow::productName());
        scan.pressed->setEnabled(true);
        return;
    }
    // The registry as Wine left it, when it changed since it was read; none
    // while a Wine server runs, which writes its newest keys only later.
    const platform::PrefixError reread = platform::reloadRegistryIfChangedOnDisk();
    const QString stale = reread.ok ? platform::whyRegistryReadMayBeStale() : reread.message;
    if (!stale.isEmpty()) {
        mainwindow::TellRegistryNotChanged(stale);
        scan.pressed->setEnabled(true);
        return;
    }
    startScan();
    ScanSelectedSections();
    if (!m_frame.closing())
        listScanResults();
}

void RegistryCleanerPage::startScan()
{
    mainwindow::bResultsLoaded = false;
    m_frame.problemRows().clear();
    resetScanCounters();
    m_frame.scanContext().setCancelled(false);
    Image22->move(twips::px(990), twips::px(1785));
    m_frame.setPagesVisible(true, false);
    m_frame.setMenusEnabled(false, false, false, false, false, false, false, false);
    m_frame.setScanRunning(true);
    m_frame.setStatusText(1, kScanningText);
    m_frame.setStatusText(3, QString());
    Picture10->setEnabled(false);
}

// After the scan, ended or cancelled: the rows found, all checked, the
// completion box, then the problem page.
void RegistryCleanerPage::listScanResults()
{
    Picture10->setEnabled(true);
    m_frame.setStatusText(1, QString());
    m_frame.setScanRunning(false);
    m_frame.setMenusEnabled(true, true, false, true, true, true, true, true);
    m_problemPage->clearProblemPage();
    m_frame.enableSaveScanResults();
    m_problemPage->copyProblemRows();
    if (m_frame.closing())
        return;
    showCompletionBox();
    if (m_frame.closing())
        return;
    m_frame.setMenusEnabled(true, true, false, true, true, true, true, problemsListed());
    m_frame.setPagesVisible(false, true);
    m_buttons[Scan].pressed->setEnabled(true);
}

void RegistryCleanerPage::resetScanCounters()
{
    lblProblemsFound->setText(QStringLiteral("0"));
    for (QLabel* counter : sectionCounters)
        counter->setText(QStringLiteral("0"));
}

void RegistryCleanerPage::showCompletionBox()
{
    FrmNextMessageBox box(window());
    box.setProblemCount(m_frame.problemRows().count());
    platform::ShowModal(&box);
}

void RegistryCleanerPage::showProblemsFoundInStatus()
{
    m_frame.setStatusText(3, QStringLiteral(" Problems Found  ") + lblProblemsFound->text());
}

void RegistryCleanerPage::ImgCancelClick_MouseMove()
{
    PicScanning_MouseMove();
    m_frame.setScanRunning(false);
    m_frame.scanContext().setCancelled(true);
    engine::PlayAlertSound();
    m_buttons[Cancel].normal->setEnabled(false);
    showRotationFrame(1);
    tmrRotateImage->stop();
}

// What the scan driver reports, shown as the scanning page shows it.
class RegistryCleanerPage::ScanDisplay final : public engine::ScanObserver {
public:
    explicit ScanDisplay(RegistryCleanerPage& page) : p(page) {}

    bool sectionChosen(int index) override { return p.sectionChosen(index); }
    void sectionStarting(int index) override
    {
        p.m_frame.setStatusText(1, kScanningText);
        p.moveMarkerToSection(index);
    }
    int countSectionProblems(const engine::ScanContext&, const QString& sectionName) override
    {
        return p.CountSectionProblems(sectionName);
    }
    void sectionCounted(int index, int count) override
    {
        p.flushScanPosition();
        p.sectionCounters[index]->setText(QString::number(count));
    }
    void totalCounted(int total) override { p.lblProblemsFound->setText(QString::number(total)); }
    void sectionPassed(int) override { p.showProblemsFoundInStatus(); }

private:
    RegistryCleanerPage& p;
};

void RegistryCleanerPage::ScanSelectedSections()
{
    Picture10->setEnabled(false);
    showRotationFrame(1);
    m_frame.enableSaveScanResults();
    tmrRotateImage->start();
    m_buttons[Cancel].normal->setEnabled(true);

    m_scanPositionInterval = mainwindow::scaledInterval(kScanPositionRefreshMs);
    m_scanPositionThrottled = true;
    ScanDisplay display(*this);
    const engine::ScanEnd end = engine::runScanDriver(display, m_frame.scanContext());
    m_scanPositionThrottled = false;
    flushScanPosition();
    if (end == engine::ScanEnd::Cancelled)
        return;
    tmrRotateImage->stop();
    Picture10->setEnabled(true);
}

void RegistryCleanerPage::showScanPosition(const QString& text)
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
        connect(m_scanPositionTimer, &QTimer::timeout, this, &RegistryCleanerPage::flushScanPosition);
    }
    // What is held back shows when the interval is over, even when no
    // further key comes in the meantime.
    if (!m_scanPositionTimer->isActive())
        m_scanPositionTimer->start(static_cast<int>(m_scanPositionInterval - since));
}

void RegistryCleanerPage::flushScanPosition()
{
    if (!m_scanPositionHeld)
        return;
    m_scanPositionHeld = false;
    lblRegistryFilesScan->setText(m_scanPositionText);
    m_scanPositionShown.start();
}

// The marker goes to the section's column, one pixel above its counter.
void RegistryCleanerPage::moveMarkerToSection(int index)
{
    const int left = mainwindow::kSectionViews[index].markerLeft;
    Image22->move(twips::px(left), sectionCounters[index]->y() - twips::px(15));
}

int RegistryCleanerPage::CountSectionProblems(const QString& sectionName)
{
    return engine::CountSectionProblems(m_frame.scanContext(), sectionName);
}

void RegistryCleanerPage::stopBusyAnimation()
{
    tmrRotateImage->stop();
}

void RegistryCleanerPage::tmrRotateImage_Timer()
{
    showRotationFrame(m_rotateFrame % 4 + 1);
}

void RegistryCleanerPage::showRotationFrame(int frame)
{
    m_rotateFrame = frame;
    imgHoldingRotation->setPixmap(ImglstRotate[frame - 1]);
}

// --- Find Missing Files, Fix Problems, Help and Support ---------------------------------

void RegistryCleanerPage::ImgFindMissingFilesClick_MouseMove()
{
    if (m_frame.listWorkRunning())
        return;
    PicRegistryCleaner_MouseMove();
    engine::PlayAlertSound();
    if (problemsListed()) {
        PictureImage* pressed = m_buttons[FindMissingFiles].pressed;
        pressed->setEnabled(false);
        m_frame.showMissingFilesWizard();
        m_frame.setMenusEnabled(false, true, false, true, true, true, true, true);
        pressed->setEnabled(true);
    } else {
        m_frame.disableFindMissingFilesMenu();
    }
}

void RegistryCleanerPage::ImgFixProblemsClick_MouseMove()
{
    if (m_frame.listWorkRunning())
        return;
    PictureImage* normal = m_buttons[FixProblems].normal;
    normal->setEnabled(false);
    PicRegistryCleaner_MouseMove();
    if (problemsListed()) {
        m_frame.setPagesVisible(false, true);
        engine::PlayAlertSound();
    } else {
        m_frame.setMenusEnabled(false, true, false, true, true, true, true, false);
    }
    normal->setEnabled(true);
}

void RegistryCleanerPage::ImgHelpClick_MouseMove()
{
    PicRegistryCleaner_MouseMove();
    engine::PlayAlertSound();
    engine::OpenWebPage(window(), engine::ProductPageAddress(), mainwindow::webPageExtension());
}

void RegistryCleanerPage::ImgSupportClick_MouseMove()
{
    PicRegistryCleaner_MouseMove();
    engine::PlayAlertSound();
    engine::OpenWebPage(window(), engine::SupportPageAddress(), mainwindow::webPageExtension());
}

// --- hover, press and the page resets ------------------------------------------------

void RegistryCleanerPage::hoverOver(Button button)
{
    m_buttons[button].showHover();
    if (const char* hint = kButtons[button].hint)
        m_frame.setStatusText(1, QLatin1String(hint));
}

void RegistryCleanerPage::showPressed(Button button)
{
    m_buttons[button].showPressed();
}

void RegistryCleanerPage::ImgScanNormal_MouseMove() { hoverOver(Scan); }

void RegistryCleanerPage::ImgFindMissingFilesNormal_MouseMove()
{
    if (problemsListed())
        hoverOver(FindMissingFiles);
}

void RegistryCleanerPage::ImfFixProblemsNormal_MouseMove()
{
    if (problemsListed())
        hoverOver(FixProblems);
}

void RegistryCleanerPage::ImgHelpNormal_MouseMove() { hoverOver(Help); }
void RegistryCleanerPage::ImgSupportNormal_MouseMove() { hoverOver(Support); }
void RegistryCleanerPage::ImgCancelNormal_MouseMove() { hoverOver(Cancel); }

void RegistryCleanerPage::ImgScanMouseMove_MouseDown() { showPressed(Scan); }
void RegistryCleanerPage::ImgFindMissingFilesMouseMove_MouseDown() { showPressed(FindMissingFiles); }
void RegistryCleanerPage::ImfFixProblemsMouseMove_MouseDown() { showPressed(FixProblems); }
void RegistryCleanerPage::ImgHelpMouseMove_MouseDown() { showPressed(Help); }
void RegistryCleanerPage::ImgSupportMoseMove_MouseDown() { showPressed(Support); }
void RegistryCleanerPage::ImgCancelMouseMove_MouseDown() { showPressed(Cancel); }

void RegistryCleanerPage::PicRegistryCleaner_MouseMove()
{
    if (m_frame.scanRunning())
        return;
    m_frame.setStatusText(1, QString());
    for (Button b : {Scan, FindMissingFiles, FixProblems, Support, Help})
        m_buttons[b].showNormal();
}

void RegistryCleanerPage::PicScanning_MouseMove()
{
    m_buttons[Cancel].showNormal();
    m_frame.setStatusText(1, kScanningText);
}

void RegistryCleanerPage::Picture10_MouseMove()
{
    m_frame.setStatusText(1, QString());
}
