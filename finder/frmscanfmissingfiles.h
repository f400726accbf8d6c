#pragma once
// The missing-files wizard: choose where to look (the Windows folder, its
// whole drive or remembered folders), walk there, and drop every problem
// whose file turns out to exist. Modal over the main window; it reads and
// thins out the hidden problem list it is given.
#include "engine/problemlist.h"
#include "engine/scancontext.h"

#include <QDialog>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

class FrmScanFmissingFiles : public QDialog {
    Q_OBJECT
public:
    // Works on the context's list (the main window's hidden one), with its
    // pump, scan-position display and cancel request.
    explicit FrmScanFmissingFiles(const engine::ScanContext& ctx, QWidget* parent = nullptr);
    ~FrmScanFmissingFiles() override;

    // The remembered folder list: "Folders" in the program folder.
    static QString FolderListFile();

    void Form_Load();
    void ShowWizardPage(bool scanPage, bool folderPage, bool optionsPage);
    void OptScanKnownApplicationFolders_Click();
    void OptScanAllDisk_Click();
    void OptFoldersScan_Click();
    void CmdNext_Click();
    void cmdBack_Click();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void lvwFolders_ItemCheck(QTreeWidgetItem* item);
    void cmdScan_Click();
    void cmdCancel_Click();
    void cmdFinish_Click();
    void CmdHelp_Click();

    // True while the Scan handler runs (its walk lets other handlers in).
    bool scanRunning() const { return m_scanRunning; }
    // The hidden list's count when the last walk began.
    int problemCountBeforeScan() const { return ProblemCountBeforeScan; }
    // How often the walk refreshes the label and the bar (ms; 0 = every entry).
    void setWalkRefreshInterval(int ms) { m_walkRefreshMs = ms; }

public slots:
    // The close box and Escape: during a walk they act as Cancel, and the
    // window closes once the Scan handler has returned.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    class StatusDisplay;
    void buildButtons();
    void buildOptionsPage();
    void buildFolderPage();
    void buildScanPage();
    void loadFolderList();
    void addFolderRow(const QString& text);
    void setScanEnabledByRows();
    void walkScope();
    void reportScan();
    void closeWizard();

    QLabel* Picture1;
    QLabel* Label3;
    QLabel* Label6;
    QLabel* Label7;
    QFrame* Frame1;
    QPushButton* cmdBack;
    QPushButton* cmdScan;
    QPushButton* CmdNext;
    QPushButton* cmdCancel;
    QPushButton* cmdFinish;
    QPushButton* CmdHelp;

    // Page 1: what to scan.
    QFrame* PicOptionsButtons;
    QLabel* Label8;
    QRadioButton* OptScanKnownApplicationFolders;
    QRadioButton* OptFoldersScan;
    QRadioButton* OptScanAllDisk;

    // Page 2: the folder list.
    QFrame* PicFolderSelection;
    QLabel* Label5;
    QLabel* Label4;
    QTreeWidget* lvwFolders;
    QPushButton* cmdAdd;
    QPushButton* cmdRemove;

    // Page 3: the walk.
    QFrame* PicScanningHDD;
    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QLabel* lblStatus;

    int ProblemCountBeforeScan = 0;

    engine::ScanContext m_ctx;
    engine::ProblemList& m_errors;
    bool m_ownCancel = false;
    bool m_fillingFolders = false;
    bool m_scanRunning = false;
    bool m_finishPending = false;
    bool m_closePending = false;
    bool m_placed = false;
    int m_walkRefreshMs = 40;
};
