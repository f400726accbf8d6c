// The problem page: the visible list built from the hidden one, its check
// boxes carried back to the hidden rows, and the selection text.
#include "engine/scanstate.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "mainwindow/sectionviews.h"

#include <QTreeWidget>

#include <array>

namespace {

// The picture of a section in the problem list; 0 when the section has none.
int sectionIconIndex(const QString& sectionName)
{
    static const std::array<QString, engine::kSectionCount> captions = [] {
        std::array<QString, engine::kSectionCount> upper;
        for (size_t i = 0; i < upper.size(); ++i)
            upper[i] = QString::fromLatin1(mainwindow::kSectionViews[i].caption).toUpper();
        return upper;
    }();
    const QString key = sectionName.trimmed().toUpper();
    for (size_t i = 0; i < captions.size(); ++i) {
        if (mainwindow::kSectionViews[i].rowsShowIcon && key == captions[i])
            return mainwindow::kSectionViews[i].icon;
    }
    return 0;
}

QString normalised(const QString& text)
{
    return text.toUpper().trimmed();
}

}  // namespace

void FrmStart::FillProblemList()
{
    clearProblemPage();
    copyProblemRows();
}

void FrmStart::clearProblemPage()
{
    const int n = m_errors.count();
    lblShowProblems->setText(
        QStringLiteral("All Errors : %1  Problems Detected  (%1 selected for Fixing)").arg(n));
    lvwProblem->clear();
}

void FrmStart::copyProblemRows()
{
    // A section without a picture of its own keeps the one of the row before.
    int icon = 0;
    const int rows = m_errors.count();
    for (int i = 1; i <= rows && i <= m_errors.count(); ++i) {
        engine::ProblemRow& hidden = m_errors.row(i);
        if (const int own = sectionIconIndex(hidden.RegistryScanners))
            icon = own;
        m_fillingProblems = true;
        auto* item = new QTreeWidgetItem(lvwProblem);
        item->setText(0, hidden.RegistryScanners);
        if (icon > 0)
            item->setIcon(0, QIcon(pictures::picture(QStringLiteral("Section%1").arg(icon))));
        item->setText(1, hidden.KeyValue.trimmed().isEmpty() ? QStringLiteral(" Invalid Key Name")
                                                             : QStringLiteral(" Invalid File Path"));
        item->setText(2, hidden.KeyName);
        item->setText(3, hidden.KeyValue);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        hidden.Checked = true;
        m_fillingProblems = false;
        engine::DoEvents();
    }
}

void FrmStart::lvwProblem_ItemCheck(QTreeWidgetItem* item)
{
    // Read the row first: the pumping below may run other handlers.
    const QString section = normalised(item->text(0));
    const QString valueName = normalised(item->text(2));
    const QString filePath = normalised(item->text(3));
    const bool checked = item->checkState(0) == Qt::Checked;

    int selected = 0;
    for (int i = 0; i < lvwProblem->topLevelItemCount(); ++i) {
        if (lvwProblem->topLevelItem(i)->checkState(0) == Qt::Checked)
            ++selected;
        engine::DoEvents();
    }
    lblShowProblems->setText(QStringLiteral("All Errors : %1 Problems Detected  (%2 selected for Fixing)")
                                 .arg(m_errors.count())
                                 .arg(selected));

    // Every hidden row with the same section, value name and file path
    // follows, wherever it stands in the list.
    for (int j = 1; j <= m_errors.count(); ++j) {
        engine::ProblemRow& hidden = m_errors.row(j);
        if (section == normalised(hidden.RegistryScanners) && valueName == normalised(hidden.KeyName) &&
            filePath == normalised(hidden.KeyValue))
            hidden.Checked = checked;
        engine::DoEvents();
    }
}

void FrmStart::lvwProblem_MouseMove()
{
    btnFixProblems2.showNormal();
    setStatusHint(QString());
}
