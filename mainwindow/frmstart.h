#pragma once
// The main window: the Registry Cleaner page (section choice, scanning page),
// menus, tool bar and status bar, and the frame around the problem page
// (problempage.h) and the Rescue Center page (rescuecenterpage.h), which it
// shows and hides.
// Handlers carry the names of their control and event; the registry and file
// work is the engine's. The implementation is split by feature, one file
// each (frmstart_<feature>.cpp), as the groups below are.
#include "engine/problemlist.h"
#include "engine/scancontext.h"
#include "mainwindow/controls.h"
#include "mainwindow/pageframe.h"
#include "mainwindow/problempage.h"
#include "mainwindow/productname.h"
#include "mainwindow/registrycleanerpage.h"
#include "mainwindow/rescuecenterpage.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPixmap>

#include <array>

class QAction;
class QCheckBox;
class QMenu;
class QTimer;
class QToolBar;

class FrmStart : public QMainWindow, private ProblemPageFrame, private RegistryCleanerPageFrame {
    Q_OBJECT
public:
    explicit FrmStart(QWidget* parent = nullptr);
    ~FrmStart() override;

    static QString productName() { return mainwindow::productName(); }

    // === Controls (built in frmstart_layout.cpp) ==================================

    // --- pages -------------------------------------------------------------
    RegistryCleanerPage* PicRegistryCleaner;
    PictureBox* PicScanning;
    ProblemPage* PicShowError;
    RescueCenterPage* PicRescuCenter;

    // --- menus, tool bar, status bar ----------------------------------------
    QMenu* mnuFile;
    QMenu* mnuCleaning;
    QMenu* mnuView;
    QMenu* mnuHelp;
    QAction* mnuFileLoadScanResults;
    QAction* mnuFileSaveScanResults;
    QAction* mnuline1;
    QAction* mnuFileRegistryCleaner;
    QAction* mnuFileRescueCenter;
    QAction* mnuFileShowScanResultsonStartup;
    QAction* mnuline4;
    QAction* mnuFileRegistryEditor;
    QAction* mnuline3;
    QAction* mnuFileExit;
    QAction* mnuCleaningScanRegitry;
    QAction* mnuCleaningFindMissingFiles;
    QAction* mnuCleaningFixProblems;
    QAction* mnuViewToolbar;
    QAction* mnuViewStatusbar;
    QAction* mnuHelpVelmora;
    QAction* mnuHelpVelmoraWebsite;
    QAction* mnuline5;
    QAction* mnuHelpAboutVelmora;
    QToolBar* ToolBar;
    StatusPanels* StatusBar1;

    // --- section choice and scanning page -------------------------------------
    std::array<QLabel*, 9> sectionCounters{};   // lblActiveX .. lblStartupProg
    QLabel* lblRegistryFilesScan;
    QLabel* lblProblemsFound;
    PictureImage* Image22;  // the section marker
    PictureImage* imgHoldingRotation;
    QTimer* tmrRotateImage;
    std::array<QPixmap, 4> ImglstRotate;

    // --- the picture buttons of the Registry Cleaner page ---------------------------
    PictureButton btnScan, btnFindMissingFiles, btnFixProblems, btnHelp, btnSupport;
    PictureButton btnCancel;

    // The hidden problem list.
    engine::ProblemList& lvwErrors() { return m_errors; }
    // What a scan or a walk of this window works with: the hidden list, the
    // message pump and the scan-position display.
    engine::ScanContext scanContext();
    bool bScanning = false;

    // === Frame: start, pages, menus (frmstart.cpp) ===================================
    void Form_Load();
    void mnuFileRegistryCleaner_Click();
    void SetPagesVisible(bool scanningPage, bool problemPage);
    void SetMenusEnabled(bool load, bool save, bool registryCleaner, bool rescueCenter, bool exit, bool scan,
                         bool findMissingFiles, bool fixProblems);

    // === Closing and the logon road (frmstart_startup.cpp) =============================
    void Form_Unload(qint16& Cancel);
    void mnuFileExit_Click();

    // === View: tool bar and registry editor (frmstart_view.cpp) =======================
    void ToolBar_ButtonClick(int index);
    void ToolBar_MouseDown();
    void mnuFileRegistryEditor_Click();

    // === Scan (frmstart_scan.cpp) ======================================================
    void mnuCleaningScanRegitry_Click();
    void ImgScanClick_MouseMove();
    void ImgCancelClick_MouseMove();
    void tmrRotateImage_Timer();
    void ScanSelectedSections();
    int CountSectionProblems(const QString& sectionName);

    // === Saved settings (frmstart_settings.cpp) ====================
    void ApplySavedSettings();
    void mnuFileShowScanResultsonStartup_Click();
    void mnuViewStatusbar_Click();
    void mnuViewToolbar_Click();

    // === Results file (frmstart_results.cpp) ============================================
    void mnuFileSaveScanResults_Click();
    void mnuFileLoadScanResults_Click();

    // === Fix Problems of the main page and the menu (frmstart_fix.cpp) ===================
    void ImgFixProblemsClick_MouseMove();
    void mnuCleaningFixProblems_Click();

    // === The switch to the Rescue Center page (frmstart_rescue.cpp) =====================
    void mnuFileRescueCenter_Click();

    // === Find Missing Files (frmstart_finder.cpp) ========================================
    void mnuCleaningFindMissingFiles_Click();
    void ImgFindMissingFilesClick_MouseMove();
    void ShowMissingFilesWizard();

    // === Help and support (frmstart_help.cpp) ============================================
    void ImgHelpClick_MouseMove();
    void ImgSupportClick_MouseMove();
    void mnuHelpVelmora_Click();
    void mnuHelpVelmoraWebsite_Click();
    void mnuHelpAboutVelmora_Click();

    // === Picture buttons: hover, press, page resets (frmstart_buttons.cpp) ===============
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

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- building the window (frmstart_layout.cpp) ----------------------------------
    void buildMenus();
    void buildToolBar(QWidget* client);
    void buildRegistryCleanerPage();
    void buildScanningPage();
    void connectButton(const PictureButton& b, void (FrmStart::*hover)(), void (FrmStart::*press)(),
                       void (FrmStart::*action)());

    // --- frame (frmstart.cpp) -----------------------------------------------------------
    // The engine's message pump.
    void installEngineSeams();
    void removeEngineSeams();
    void setStatusHint(const QString& text) { StatusBar1->setPanelText(1, text); }
    // What the pages ask of the frame.
    void setStatusText(int panel, const QString& text) override { StatusBar1->setPanelText(panel, text); }
    void showProblemsFoundInStatus();
    bool problemsListed() const { return m_errors.count() > 0; }

    // --- logon road (frmstart_startup.cpp) ---------------------------------------------
    void logonRoad();

    // --- view (frmstart_view.cpp) --------------------------------------------------------
    void startRegistryEditor();

    // --- scan (frmstart_scan.cpp) --------------------------------------------------------
    class ScanDisplay;  // what the scan driver reports, shown on the scanning page
    void startScan();
    void listScanResults();
    void resetScanCounters();
    void moveMarkerToSection(int index);
    void showRotationFrame(int frame);
    void showCompletionBox();
    // Where the scan context's ShowScanPath lands. While the driver runs, the text
    // goes to the screen at most once per refresh interval (a key takes
    // microseconds, a repaint far more) and the latest one held back is
    // shown when the interval is over, at each section's end and at the end.
    void showScanPosition(const QString& text);
    void flushScanPosition();

    // --- settings (frmstart_settings.cpp) ----------------------------------------------------
    void connectOptionMenus();
    void hideStatusBar();
    void hideToolBar();
    void changeWindowHeight(int delta);
    void updateLogonEntry(bool on);

    // --- help (frmstart_help.cpp) ---------------------------------------------------------------
    void connectHelpMenu();

    // --- results file (frmstart_results.cpp) ---------------------------------------------------
    QString resultsFilePath() const;

    // --- what the problem page asks of the frame (frmstart_fix.cpp) ------------------------------
    // A fix or a load lets messages run while it works on the lists; no
    // other action that reads or changes them, or the registry, starts then.
    bool listWorkRunning() const override { return PicShowError->fixRunning() || m_loadRunning; }
    engine::ProblemList& problemRows() override { return m_errors; }
    bool scanActionRunning() const override { return m_scanActionRunning; }
    void holdCommands(bool held) override;
    bool resultsOnStartup() const override;
    void saveScanResults() override { mnuFileSaveScanResults_Click(); }
    void enableLoadScanResults() override;
    void showMainPage() override { SetPagesVisible(false, false); }

    // --- buttons ------------------------------------------------------------------------------------
    void hoverOver(PictureButton& b, const QString& hint);

    engine::ProblemList m_errors;
    int m_rotateFrame = 1;
    bool m_closing = false;
    bool m_scanActionRunning = false;
    bool m_loadRunning = false;
    // The menus' and the tool bar's states while a fix holds them.
    bool m_menusWereOn = true;
    bool m_toolBarWasOn = true;
    bool m_scanPositionThrottled = false;
    bool m_scanPositionHeld = false;
    QString m_scanPositionText;  // held back, not shown yet
    int m_scanPositionInterval = 0;
    QElapsedTimer m_scanPositionShown;
    QTimer* m_scanPositionTimer = nullptr;
};
