#pragma once
// The Registry Cleaner page: the section choice panel with its nine boxes,
// each saved the moment it changes. The scan over the chosen sections is
// the engine's (engine/scandriver.h).
#include "mainwindow/controls.h"
#include "mainwindow/pageframe.h"

#include <array>

class QCheckBox;

// What the Registry Cleaner page asks of the window around it, beyond the
// status bar.
class RegistryCleanerPageFrame : public PageFrame {
protected:
    ~RegistryCleanerPageFrame() = default;
};

class RegistryCleanerPage : public PictureBox {
    Q_OBJECT
public:
    // The window's frame outlives the page.
    explicit RegistryCleanerPage(RegistryCleanerPageFrame& frame, QWidget* parent = nullptr);

    // The section at `index` (the scan's order) is checked; a grayed box is
    // not chosen.
    bool sectionChosen(int index) const;
    bool anySectionChosen() const;
    // The choice read back from the settings: 0 unchecked, 1 checked, 2 grayed.
    void setSectionChoice(int index, int value);
    // The settings key of the section's box.
    QString sectionKey(int index) const;
    // The boxes are off while a scan runs.
    void setSectionPanelEnabled(bool enabled);

    // --- the section boxes and their panel ---
    void ChkChosseSettingsActiveXProgramID_Click();
    void ChkChosseSettingsApplicationPaths_Click();
    void ChkeFilePathsAndHistory_Click();
    void ChkFileTypes_Click();
    void ChkChosseSettingsInstalledHelpFiles_Click();
    void ChkChosseSettingsInstalledFiles_Click();
    void ChkChosseSettingsSharedProgramFiles_Click();
    void ChkStartupMenu_Click();
    void ChkChosseSettingsStartupPrograms_Click();
    void Picture10_MouseMove();

private:
    void buildSectionPanel();
    void saveSectionChoice(int index);

    RegistryCleanerPageFrame& m_frame;
    PictureBox* Picture10;  // the section choice panel
    std::array<QCheckBox*, 9> sectionBoxes{};  // in the order of the scan sections
};
