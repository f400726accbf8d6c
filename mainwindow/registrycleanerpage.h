#pragma once
// The Registry Cleaner page: the section choice panel with its nine boxes
// (each saved the moment it changes), the Scan, Find Missing Files, Fix
// Problems, Help and Support buttons, and the scanning page with its
// counters, section marker, busy animation and Cancel. The problem page lies
// over it. The scan over the chosen sections is the engine's
// (engine/scandriver.h); the page starts it and shows its progress.
#include "engine/scancontext.h"
#include "mainwindow/controls.h"
#include "mainwindow/pageframe.h"

#include <QElapsedTimer>
#include <QPixmap>

#include <array>

class ProblemPage;
class ProblemPageFrame;
class QCheckBox;
class QTimer;

namespace engine {
class ProblemList;
}

// What the Registry Cleaner page asks of the window around it, beyond the
// status bar.
class RegistryCleanerPageFrame : public PageFrame {
public:
    // The hidden problem list the scan fills.
    virtual engine::ProblemList& problemRows() = 0;
    // What a scan works with: the hidden list, the message pump and the
    // scan-position display.
    virtual engine::ScanContext scanContext() = 0;
    // The window's scan flag, which its menus and tool bar heed too.
    virtual bool scanRunning() const = 0;
    virtual void setScanRunning(bool running) = 0;
    // The window is being closed: the steps after a scan are skipped.
    virtual bool closing() const = 0;
    // The Registry Cleaner page shown in place of the Rescue Center.
    virtual void showRegistryCleaner() = 0;
    virtual void setPagesVisible(bool scanningPage, bool problemPage) = 0;
    virtual void setMenusEnabled(bool load, bool save, bool registryCleaner, bool rescueCenter, bool exit,
                                 bool scan, bool findMissingFiles, bool fixProblems) = 0;
    virtual void enableSaveScanResults() = 0;
    virtual void disableFindMissingFilesMenu() = 0;
    virtual void showMissingFilesWizard() = 0;

protected:
    ~RegistryCleanerPageFrame() = default;
};

class RegistryCleanerPage : public PictureBox {
    Q_OBJECT
public:
    // The page at `place` of `parent`, the problem page over it; the
    // window's frames outlive the page.
    RegistryCleanerPage(RegistryCleanerPageFrame& frame, ProblemPageFrame& problemFrame, const QRect& place,
                        QWidget* parent = nullptr);

    ProblemPage* problemPage() const { return m_problemPage; }
    void setScanningPageVisible(bool visible);

    // The section at `index` (the scan's order) is checked; a grayed box is
    // not chosen.
    bool sectionChosen(int index) const;
    bool anySectionChosen() const;
    // The choice read back from the settings: 0 unchecked, 1 checked, 2 grayed.
    void setSectionChoice(int index, int value);
    // The settings key of the section's box.
    QString sectionKey(int index) const;

    // Scan Registry is still listing its rows.
    bool scanActionRunning() const { return m_scanActionRunning; }
    // Status panel 3 tells the last scan's total.
    void showProblemsFoundInStatus();
    // The busy animation runs from the start; the window's load stops it.
    void stopBusyAnimation();
    // Where the scan context's ShowScanPath lands. While the driver runs, the
    // text goes to the screen at most once per refresh interval (a key takes
    // microseconds, a repaint far more) and the latest one held back is
    // shown when the interval is over, at each section's end and at the end.
    void showScanPosition(const QString& text);

    // --- Scan and the scanning page ---
    void ImgScanClick_MouseMove();
    void ImgCancelClick_MouseMove();
    void tmrRotateImage_Timer();
    void ScanSelectedSections();
    int CountSectionProblems(const QString& sectionName);

    // --- the other buttons' actions ---
    void ImgFindMissingFilesClick_MouseMove();
    void ImgFixProblemsClick_MouseMove();
    void ImgHelpClick_MouseMove();
    void ImgSupportClick_MouseMove();

    // --- the section boxes ---
    void ChkChosseSettingsActiveXProgramID_Click();
    void ChkChosseSettingsApplicationPaths_Click();
    void ChkeFilePathsAndHistory_Click();
    void ChkFileTypes_Click();
    void ChkChosseSettingsInstalledHelpFiles_Click();
    void ChkChosseSettingsInstalledFiles_Click();
    void ChkChosseSettingsSharedProgramFiles_Click();
    void ChkStartupMenu_Click();
    void ChkChosseSettingsStartupPrograms_Click();

    // --- the buttons' hovers and presses, and the page resets ---
    void ImgScanNormal_MouseMove();
    void ImgFindMissingFilesNormal_MouseMove();
    void ImfFixProblemsNormal_MouseMove();
    void ImgHelpNormal_MouseMove();
    void ImgSupportNormal_MouseMove();
    void ImgCancelNormal_MouseMove();
    void ImgScanMouseMove_MouseDown();
    void ImgFindMissingFilesMouseMove_MouseDown();
    void ImfFixProblemsMouseMove_MouseDown();
    void ImgHelpMouseMove_MouseDown();
    void ImgSupportMoseMove_MouseDown();
    void ImgCancelMouseMove_MouseDown();
    void PicRegistryCleaner_MouseMove();
    void PicScanning_MouseMove();
    void Picture10_MouseMove();

private:
    enum Button { Scan, FindMissingFiles, FixProblems, Help, Support, Cancel, ButtonCount };
    using ButtonRow = PageButtonRow<RegistryCleanerPage>;
    static const ButtonRow kButtons[ButtonCount];

    class ScanDisplay;  // what the scan driver reports, shown on the scanning page

    void buildMainPage();
    void buildSectionPanel();
    void buildScanningPage();
    void saveSectionChoice(int index);
    void hoverOver(Button button);
    void showPressed(Button button);
    bool problemsListed() const;
    void startScan();
    void listScanResults();
    void resetScanCounters();
    void moveMarkerToSection(int index);
    void showRotationFrame(int frame);
    void showCompletionBox();
    void flushScanPosition();

    RegistryCleanerPageFrame& m_frame;
    PictureBox* Picture10;  // the section choice panel
    PictureBox* PicScanning;
    ProblemPage* m_problemPage;
    std::array<QCheckBox*, 9> sectionBoxes{};  // in the order of the scan sections
    std::array<QLabel*, 9> sectionCounters{};  // lblActiveX .. lblStartupProg
    QLabel* lblRegistryFilesScan;
    QLabel* lblProblemsFound;
    PictureImage* Image22;  // the section marker
    PictureImage* imgHoldingRotation;
    QTimer* tmrRotateImage;
    std::array<QPixmap, 4> ImglstRotate;
    std::array<PictureButton, ButtonCount> m_buttons;

    int m_rotateFrame = 1;
    bool m_scanActionRunning = false;
    bool m_scanPositionThrottled = false;
    bool m_scanPositionHeld = false;
    QString m_scanPositionText;  // held back, not shown yet
    int m_scanPositionInterval = 0;
    QElapsedTimer m_scanPositionShown;
    QTimer* m_scanPositionTimer = nullptr;
};
