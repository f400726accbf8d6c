#pragma once
// The problem page: the visible list of the scan's problems, built from the
// window's hidden list, the selection text, and the Fix and Return buttons.
// The work on each row of a fix is the engine's (engine/fix.h); the page asks
// and shows.
#include "mainwindow/controls.h"
#include "mainwindow/pageframe.h"

#include <array>

class QTreeWidget;
class QTreeWidgetItem;

namespace engine {
class ProblemList;
}

// What the problem page asks of the window around it, beyond the status bar.
class ProblemPageFrame : public PageFrame {
public:
    // The hidden problem list the page shows and the fix works on.
    virtual engine::ProblemList& problemRows() = 0;
    // A scan is still listing its rows.
    virtual bool scanActionRunning() const = 0;
    // The menus and the tool bar are off while the fix lets messages run,
    // and back as they were after it.
    virtual void holdCommands(bool held) = 0;
    // The menu option "Show Scan Results on Startup".
    virtual bool resultsOnStartup() const = 0;
    virtual void saveScanResults() = 0;
    virtual void enableLoadScanResults() = 0;
    // Back to the section choice: the scanning and problem pages hidden.
    virtual void showMainPage() = 0;

protected:
    ~ProblemPageFrame() = default;
};

class ProblemPage : public PictureBox {
    Q_OBJECT
public:
    // The window's frame outlives the page.
    explicit ProblemPage(ProblemPageFrame& frame, QWidget* parent = nullptr);

    void FillProblemList();
    // The two halves of FillProblemList, for a caller with work between:
    // the list emptied and counted, then the hidden rows shown, all checked.
    void clearProblemPage();
    void copyProblemRows();
    void lvwProblem_ItemCheck(QTreeWidgetItem* item);
    void lvwProblem_MouseMove();
    void FixCheckedProblems();

    // A fix is under way: it lets window messages run while it works.
    bool fixRunning() const { return m_fixRunning; }
    // The backup file of the latest fix.
    const QString& backupFile() const { return sBackupFile; }

    // --- the two buttons' actions, hovers and presses, and the page reset ---
    void ImgFixProblemsClick2_MouseMove();
    void ImgReturnClick_MouseMove();
    void ImgFixProblemsNormal2_MouseMove();
    void ImgReturnNormal_MouseMove();
    void ImgFixProblemsMouseMove2_MouseDown();
    void ImgReturnMouseMove_MouseDown();
    void PicShowError_MouseMove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Button { FixProblems, Return, ButtonCount };
    using ButtonRow = PageButtonRow<ProblemPage>;
    static const ButtonRow kButtons[ButtonCount];

    void hoverOver(Button button);
    bool checkedProblemListed() const;
    bool fixCanBeKept();

    ProblemPageFrame& m_frame;
    engine::ProblemList& m_errors;
    QTreeWidget* lvwProblem;
    QLabel* lblShowProblems;
    std::array<PictureButton, ButtonCount> m_buttons;
    QString sBackupFile;
    // Set while the page itself changes check boxes: no handler runs then.
    bool m_fillingProblems = false;
    bool m_fixRunning = false;
    bool m_fixSaved = true;  // the latest fix's changes reached the disk
};
