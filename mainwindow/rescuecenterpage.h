#pragma once
// The Rescue Center page: the list of the fix's backups and the Restore and
// Delete buttons that act on the first selected one. The backups themselves
// are the engine's (engine/backupstore.h); the page asks and shows.
#include "engine/backupstore.h"
#include "mainwindow/controls.h"

#include <array>

class PageFrame;
class QTreeWidget;
class QTreeWidgetItem;

class RescueCenterPage : public PictureBox {
    Q_OBJECT
public:
    // The window's frame gets the status texts; it outlives the page.
    explicit RescueCenterPage(PageFrame& frame, QWidget* parent = nullptr);

    // Each row of lvwBackUp keeps the name of its own file in this role.
    static constexpr int BackupFileRole = Qt::UserRole;

    // The page is being shown: the backups listed afresh and counted in
    // status panel 3.
    void showBackups();

    void LoadBackupList();
    bool LoadFileNameDateSize(const QString& fileName);
    // Acts on the file `fileName` of the folder "Restore", the backup the row
    // `listText` stands for.
    void DeleteOrRestoreBackup(bool bDelete, const QString& listText, const QString& fileName);
    // The backup the last Delete or Restore worked on.
    const QString& selectedBackupFile() const { return sSelectedBackupFile; }

    // --- the two buttons' actions, hovers and presses, and the page reset ---
    void ImgRestoringClick_MouseMove();
    void ImgDeleteBackUpClick_MouseMove();
    void ImgRestoreNormal_MouseMove();
    void ImgDeleteBackUpNormal_MouseMove();
    void ImgRestoreMouseMove_MouseDown();
    void ImgDeleteBackUpMouseMove_MouseDown();
    void PicRescuCenter_MouseMove();

private:
    enum Button { Restore, DeleteBackUp, ButtonCount };
    using ButtonRow = PageButtonRow<RescueCenterPage>;
    static const ButtonRow kButtons[ButtonCount];

    void hoverOver(Button button);
    void showBackupCountInStatus();
    void runBackupAction(Button button, bool bDelete);
    QTreeWidgetItem* backupRow(const engine::BackupEntry& entry) const;

    PageFrame& m_frame;
    QTreeWidget* lvwBackUp;
    std::array<PictureButton, ButtonCount> m_buttons;
    QString sSelectedBackupFile;
    // The listed row texts: a row is not listed twice.
    engine::BackupRowTexts m_backupRowKeys;
    // Set while Delete or Restore runs: the restore lets window messages
    // run, and the other button must not act on the backup meanwhile.
    bool m_actionRunning = false;
};
