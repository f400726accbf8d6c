#pragma once
// The main window: menus, tool bar and status bar, and the frame around the
// Registry Cleaner page (registrycleanerpage.h), the problem page over it
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

#include <QMainWindow>

class QAction;
class QMenu;
class QToolBar;

class FrmStart : public QMainWindow, private ProblemPageFrame, private RegistryCleanerPageFrame {
    Q_OBJECT
public:
    explicit FrmStart(QWidget* parent = nullptr);
    ~FrmStart() override;

    static QString productName() { return mainwindow::productName(); }

    // The hidden problem list.
    engine::ProblemList& lvwErrors() { return m_errors; }
    // What a scan or a walk of this window works with: the hidden list, the
    // message pump, the scan-position display and the cancel request.
    engine::ScanContext scanContext() override;
    // Whether a scan is running.
    bool scanning() const { return bScanning; }
    // One pass of pending window messages for this window's long loops and
    // the engine work they start; QCoreApplication::processEvents unless
    // replaced (tests act from inside a loop this way).
    void pumpMessages() override;
    void setPump(engine::MessagePump pump) { m_pump = std::move(pump); }

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

    // === The Cleaning menu's Scan Registry (frmstart.cpp) ===========================
    void mnuCleaningScanRegitry_Click();

    // === Saved settings (frmstart_settings.cpp) ====================
    void ApplySavedSettings();
    void mnuFileShowScanResultsonStartup_Click();
    void mnuViewStatusbar_Click();
    void mnuViewToolbar_Click();

    // === Results file (frmstart_results.cpp) ============================================
    void mnuFileSaveScanResults_Click();
    void mnuFileLoadScanResults_Click();

    // === Fix Problems of the menu (frmstart_fix.cpp) ====================================
    void mnuCleaningFixProblems_Click();

    // === The switch to the Rescue Center page (frmstart_rescue.cpp) =====================
    void mnuFileRescueCenter_Click();

    // === Find Missing Files (frmstart_finder.cpp) ========================================
    void mnuCleaningFindMissingFiles_Click();
    void ShowMissingFilesWizard();

    // === Help and support (frmstart_help.cpp) ============================================
    void mnuHelpVelmora_Click();
    void mnuHelpVelmoraWebsite_Click();
    void mnuHelpAboutVelmora_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- building the window (frmstart_layout.cpp) ----------------------------------
    void buildMenus();
    void buildToolBar(QWidget* client);

    // --- frame (frmstart.cpp) -----------------------------------------------------------
    // What the pages ask of the frame.
    void setStatusText(int panel, const QString& text) override { StatusBar1->setPanelText(panel, text); }
    bool problemsListed() const { return m_errors.count() > 0; }

    // --- logon road (frmstart_startup.cpp) ---------------------------------------------
    void logonRoad();

    // --- view (frmstart_view.cpp) --------------------------------------------------------
    void startRegistryEditor();

    // --- what the Registry Cleaner page asks of the frame (frmstart.cpp) -----------------
    bool scanRunning() const override { return bScanning; }
    void setScanRunning(bool running) override { bScanning = running; }
    bool closing() const override { return m_closing; }
    void showRegistryCleaner() override { mnuFileRegistryCleaner_Click(); }
    void setPagesVisible(bool scanningPage, bool problemPage) override { SetPagesVisible(scanningPage, problemPage); }
    void setMenusEnabled(bool load, bool save, bool registryCleaner, bool rescueCenter, bool exit, bool scan,
                         bool findMissingFiles, bool fixProblems) override;
    void enableSaveScanResults() override;
    void disableFindMissingFilesMenu() override;
    void showMissingFilesWizard() override { ShowMissingFilesWizard(); }

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
    bool scanActionRunning() const override { return PicRegistryCleaner->scanActionRunning(); }
    void holdCommands(bool held) override;
    bool resultsOnStartup() const override;
    void saveScanResults() override { mnuFileSaveScanResults_Click(); }
    void enableLoadScanResults() override;
    void showMainPage() override { SetPagesVisible(false, false); }

    // === Controls (built in frmstart_layout.cpp), found by their object names ===

    // --- pages -------------------------------------------------------------
    RegistryCleanerPage* PicRegistryCleaner;
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

    engine::ProblemList m_errors;
    bool bScanning = false;
    engine::MessagePump m_pump;
    // Set by Cancel on the scanning page, by the wizard's Cancel and by
    // closing; the scan and the wizard's walk clear it when they start.
    bool m_cancelScan = false;
    bool m_closing = false;
    bool m_loadRunning = false;
    // A save runs its rows with the window disabled but messages still
    // pumping; a save asked for meanwhile (closing, say) is the same save.
    bool m_saving = false;
    // The menus' and the tool bar's states while a fix holds them.
    bool m_menusWereOn = true;
    bool m_toolBarWasOn = true;
};
