// The Rescue Center page: its controls, the backup list, Delete and Restore.
#include "mainwindow/rescuecenterpage.h"

#include "engine/registrychange.h"
#include "mainwindow/registrynotice.h"
#include "engine/services.h"
#include "mainwindow/frmcreatingbackkeys.h"
#include "mainwindow/pageframe.h"
#include "mainwindow/pictures.h"
#include "mainwindow/productname.h"
#include "mainwindow/twips.h"
#include "platform/desktop.h"

#include <QIcon>
#include <QScopedValueRollback>
#include <QTreeWidget>

namespace {

constexpr int kAnswerYes = 6;

QLabel* makeHeading(QWidget* page, const QString& name, const QString& text, const QRect& place)
{
    QLabel* label = makePlainLabel(page, name, text, place);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

}  // namespace

// The two buttons: their pictures, places (twips), hints and handlers.
const RescueCenterPage::ButtonRow RescueCenterPage::kButtons[ButtonCount] = {
    {"ImgRestoreNormal", "ImgRestoreMouseMove", "ImgRestoringClick", "Restore", 165, 525,
     " Restore from selected backup", &RescueCenterPage::ImgRestoreNormal_MouseMove,
     &RescueCenterPage::ImgRestoreMouseMove_MouseDown, &RescueCenterPage::ImgRestoringClick_MouseMove},
    {"ImgDeleteBackUpNormal", "ImgDeleteBackUpMouseMove", "ImgDeleteBackUpClick", "DeleteBackup", 165, 1020,
     " Delete the selected backup", &RescueCenterPage::ImgDeleteBackUpNormal_MouseMove,
     &RescueCenterPage::ImgDeleteBackUpMouseMove_MouseDown, &RescueCenterPage::ImgDeleteBackUpClick_MouseMove},
};

RescueCenterPage::RescueCenterPage(PageFrame& frame, QWidget* parent) : PictureBox(parent), m_frame(frame)
{
    setObjectName(QStringLiteral("PicRescuCenter"));
    setAutoFillBackground(true);
    connect(this, &PictureBox::mouseMoved, this, &RescueCenterPage::PicRescuCenter_MouseMove);
    makeHeading(this, QStringLiteral("Label26"), QStringLiteral("Tasks"), twips::rect(165, 90, 2550, 300));
    makeHeading(this, QStringLiteral("Label25"), QStringLiteral("Registry Backups"), twips::rect(3105, 90, 4000, 300));

    lvwBackUp = new QTreeWidget(this);
    lvwBackUp->setObjectName(QStringLiteral("lvwBackUp"));
    lvwBackUp->setGeometry(twips::rect(3060, 525, 7200, 5910));
    lvwBackUp->setRootIsDecorated(false);
    lvwBackUp->setIconSize(QSize(22, 22));
    // One line and one icon a row: the view need not measure each row.
    lvwBackUp->setUniformRowHeights(true);
    lvwBackUp->setHeaderLabels({QStringLiteral("Backup Date and Time"), QStringLiteral("No of Keys ")});
    lvwBackUp->setColumnWidth(0, twips::px(4200));

    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i] = makePageButton(this, kButtons[i]);
}

void RescueCenterPage::showBackups()
{
    LoadBackupList();
    showBackupCountInStatus();
}

void RescueCenterPage::showBackupCountInStatus()
{
    m_frame.setStatusText(3, QString::number(lvwBackUp->topLevelItemCount()) + QStringLiteral(" backup(s)"));
}

// Every file of the folder "Restore" whose name holds "backup", in any case,
// once each, in the order the folder listing gives them.
void RescueCenterPage::LoadBackupList()
{
    lvwBackUp->clear();
    m_backupRowKeys.clear();
    // The line counts let window messages run after every line: the rows
    // join the list once all are made, so that it is laid out and painted
    // once, not again for every row.
    const std::optional<std::vector<engine::BackupEntry>> backups = engine::ListBackups(m_frame.messagePump());
    if (!backups)
        return;
    QList<QTreeWidgetItem*> rows;
    for (const engine::BackupEntry& entry : *backups) {
        rows << backupRow(entry);
        m_backupRowKeys.add(entry.rowText);
    }
    lvwBackUp->addTopLevelItems(rows);
    // Long dates ("Wednesday, September 30, ...") are shown whole.
    lvwBackUp->resizeColumnToContents(0);
}

QTreeWidgetItem* RescueCenterPage::backupRow(const engine::BackupEntry& entry) const
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, entry.rowText);
    item->setData(0, BackupFileRole, entry.fileName);
    item->setIcon(0, QIcon(pictures::picture(QStringLiteral("Section3"))));
    item->setText(1, entry.keyCountText());
    return item;
}

bool RescueCenterPage::LoadFileNameDateSize(const QString& fileName)
{
    // A row whose text begins with this one, in any case, keeps this file
    // out.
    if (m_backupRowKeys.size() != static_cast<size_t>(lvwBackUp->topLevelItemCount())) {
        m_backupRowKeys.clear();
        for (int i = 0; i < lvwBackUp->topLevelItemCount(); ++i)
            m_backupRowKeys.add(lvwBackUp->topLevelItem(i)->text(0));
    }
    const QString rowText = engine::BackupRowText(fileName);
    if (m_backupRowKeys.covers(rowText))
        return false;
    lvwBackUp->addTopLevelItem(backupRow(engine::DescribeBackup(fileName, m_frame.messagePump())));
    m_backupRowKeys.add(rowText);
    return true;
}

void RescueCenterPage::DeleteOrRestoreBackup(bool bDelete, const QString& listText, const QString& fileName)
{
    // The row's own file, as the listing named it; no other is acted on.
    const engine::BackupFile backup = engine::FindBackup(fileName);
    sSelectedBackupFile = backup.path;
    const QString title = mainwindow::productName();

    if (bDelete) {
        if (const QString why = engine::WhyRegistryCannotChangeNow(); !why.isEmpty()) {
            mainwindow::TellRegistryNotChanged(why);
            return;
        }
        const int answer = platform::MsgBox(QStringLiteral("Are you sure you want to delete  ") + listText
                                                + QStringLiteral(" backup "),
                                            36, title);
        if (answer != kAnswerYes)
            return;
        if (const QString why = engine::DeleteBackup(backup); !why.isEmpty())
            platform::MsgBox(why, 64, title);
        return;
    }
    // The progress box follows a restore that went through (or found no
    // file); otherwise the user is told why the backup stays.
    const engine::BackupRestored restored = engine::RestoreBackup(backup, m_frame.messagePump());
    if (!restored.sentence.isEmpty())
        platform::MsgBox(restored.sentence, 64, title);
    if (restored.showProgress) {
        FrmCreatingBackKeys box;
        platform::ShowModal(&box);
    }
}

// Delete and Restore act on the first selected backup only.
void RescueCenterPage::runBackupAction(Button button, bool bDelete)
{
    if (m_actionRunning || m_frame.listWorkRunning())
        return;
    const QScopedValueRollback running(m_actionRunning, true);
    PictureImage* normal = m_buttons[button].normal;
    normal->setEnabled(false);
    PicRescuCenter_MouseMove();
    engine::PlayAlertSound();
    QString text;
    QString fileName;
    bool found = false;
    for (int i = 0; i < lvwBackUp->topLevelItemCount(); ++i) {
        if (lvwBackUp->topLevelItem(i)->isSelected()) {
            text = lvwBackUp->topLevelItem(i)->text(0);
            fileName = lvwBackUp->topLevelItem(i)->data(0, BackupFileRole).toString();
            found = true;
            break;
        }
        m_frame.pumpMessages();
    }
    if (found) {
        DeleteOrRestoreBackup(bDelete, text, fileName);
        LoadBackupList();
    }
    normal->setEnabled(true);
    showBackupCountInStatus();
}

void RescueCenterPage::ImgRestoringClick_MouseMove()
{
    runBackupAction(Restore, false);
}

void RescueCenterPage::ImgDeleteBackUpClick_MouseMove()
{
    runBackupAction(DeleteBackUp, true);
}

// --- hover, press and the page reset -------------------------------------------------

void RescueCenterPage::hoverOver(Button button)
{
    m_buttons[button].showHover();
    showBackupCountInStatus();
    m_frame.setStatusText(1, QLatin1String(kButtons[button].hint));
}

void RescueCenterPage::ImgRestoreNormal_MouseMove() { hoverOver(Restore); }
void RescueCenterPage::ImgDeleteBackUpNormal_MouseMove() { hoverOver(DeleteBackUp); }
void RescueCenterPage::ImgRestoreMouseMove_MouseDown() { m_buttons[Restore].showPressed(); }
void RescueCenterPage::ImgDeleteBackUpMouseMove_MouseDown() { m_buttons[DeleteBackUp].showPressed(); }

void RescueCenterPage::PicRescuCenter_MouseMove()
{
    m_buttons[DeleteBackUp].showNormal();
    m_buttons[Restore].showNormal();
    m_frame.setStatusText(1, QString());
}
