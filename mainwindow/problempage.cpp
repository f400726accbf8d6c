// The problem page: the visible list built from the hidden one, its check
// boxes carried back to the hidden rows, the selection text, and the fix of
// the checked rows.
#include "mainwindow/problempage.h"

#include "engine/backup.h"
#include "engine/backupstore.h"
#include "engine/fix.h"
#include "engine/problemlist.h"
#include "engine/registrychange.h"
#include "mainwindow/registrynotice.h"
#include "engine/resultsfile.h"
#include "engine/services.h"
#include "mainwindow/pictures.h"
#include "mainwindow/productname.h"
#include "mainwindow/sectionviews.h"
#include "mainwindow/twips.h"
#include "mainwindow/windowstate.h"
#include "platform/desktop.h"

#include <QEvent>
#include <QIcon>
#include <QScopedValueRollback>
#include <QTreeWidget>

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

// The two buttons: their pictures, places (twips), hints and handlers.
const ProblemPage::ButtonRow ProblemPage::kButtons[ButtonCount] = {
    {"ImgFixProblemsNormal2", "ImgFixProblemsMouseMove2", "ImgFixProblemsClick2", "FixProblems", 3795, 5880,
     " Correct Invalid Registry Entries", &ProblemPage::ImgFixProblemsNormal2_MouseMove,
     &ProblemPage::ImgFixProblemsMouseMove2_MouseDown, &ProblemPage::ImgFixProblemsClick2_MouseMove},
    {"ImgReturnNormal", "ImgReturnMouseMove", "ImgReturnClick", "Return", 5625, 5880, " Return To Main Page",
     &ProblemPage::ImgReturnNormal_MouseMove, &ProblemPage::ImgReturnMouseMove_MouseDown,
     &ProblemPage::ImgReturnClick_MouseMove},
};

ProblemPage::ProblemPage(ProblemPageFrame& frame, QWidget* parent)
    : PictureBox(parent), m_frame(frame), m_errors(frame.problemRows())
{
    setObjectName(QStringLiteral("PicShowError"));
    setAutoFillBackground(true);
    connect(this, &PictureBox::mouseMoved, this, &ProblemPage::PicShowError_MouseMove);

    lblShowProblems = makePlainLabel(this, QStringLiteral("lblShowProblems"),
                                     QStringLiteral("All Errors : 0 Problems Detected  (0 selected for Fixing)"),
                                     twips::rect(120, 120, 10200, 300));
    QFont bold = lblShowProblems->font();
    bold.setBold(true);
    lblShowProblems->setFont(bold);

    lvwProblem = new QTreeWidget(this);
    lvwProblem->setObjectName(QStringLiteral("lvwProblem"));
    lvwProblem->setGeometry(twips::rect(120, 480, 10260, 5280));
    lvwProblem->setRootIsDecorated(false);
    lvwProblem->setUniformRowHeights(true);
    lvwProblem->setIconSize(QSize(22, 22));
    lvwProblem->setHeaderLabels({QStringLiteral("Registry Section name"), QStringLiteral("Error Type "),
                                 QStringLiteral("Key Path"), QStringLiteral("Value / Data")});
    const int widths[4] = {3000, 2000, 3000, 8000};
    for (int c = 0; c < 4; ++c)
        lvwProblem->setColumnWidth(c, twips::px(widths[c]));
    lvwProblem->viewport()->setMouseTracking(true);
    lvwProblem->viewport()->installEventFilter(this);
    connect(lvwProblem, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (!m_fillingProblems && column == 0)
            lvwProblem_ItemCheck(item);
    });

    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i] = makePageButton(this, kButtons[i]);
}

bool ProblemPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && watched == lvwProblem->viewport())
        lvwProblem_MouseMove();
    return PictureBox::eventFilter(watched, event);
}

// --- the list ---------------------------------------------------------------------

void ProblemPage::FillProblemList()
{
    clearProblemPage();
    copyProblemRows();
}

void ProblemPage::clearProblemPage()
{
    const int n = m_errors.count();
    lblShowProblems->setText(
        QStringLiteral("All Errors : %1  Problems Detected  (%1 selected for Fixing)").arg(n));
    lvwProblem->clear();
}

void ProblemPage::copyProblemRows()
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
        m_frame.pumpMessages();
    }
}

void ProblemPage::lvwProblem_ItemCheck(QTreeWidgetItem* item)
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
        m_frame.pumpMessages();
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
        m_frame.pumpMessages();
    }
}

void ProblemPage::lvwProblem_MouseMove()
{
    m_buttons[FixProblems].showNormal();
    m_frame.setStatusText(1, QString());
}

// --- Fix and Return ------------------------------------------------------------------

bool ProblemPage::checkedProblemListed() const
{
    for (const engine::ProblemRow& row : m_errors.rows()) {
        if (row.Checked)
            return true;
    }
    return false;
}

// Nothing is touched unless every change of the fix can be kept: the
// registry files can be saved now and the backup folder written.
bool ProblemPage::fixCanBeKept()
{
    QString why = engine::WhyRegistryCannotChangeNow();
    if (why.isEmpty())
        why = engine::WhyNoBackupCanBeWritten();
    if (why.isEmpty())
        return true;
    mainwindow::TellRegistryNotChanged(why);
    return false;
}

// One piece of work: while it runs, no other fix, no load, and no scan
// still listing its rows.
void ProblemPage::ImgFixProblemsClick2_MouseMove()
{
    if (m_frame.listWorkRunning() || m_frame.scanActionRunning())
        return;
    const QScopedValueRollback fixing(m_fixRunning, true);
    PictureImage* normal = m_buttons[FixProblems].normal;
    normal->setEnabled(false);
    PicShowError_MouseMove();
    engine::PlayAlertSound();
    engine::EnsureBackupFolder();
    if (checkedProblemListed() && !fixCanBeKept()) {
        normal->setEnabled(true);
        return;
    }
    m_fixSaved = true;
    if (m_errors.count() > 0)
        FixCheckedProblems();
    // Nothing reached the disk: the lists, the page and the results file
    // stay as they were.
    if (!m_fixSaved) {
        normal->setEnabled(true);
        return;
    }
    const bool resultsOnStartup = m_frame.resultsOnStartup();
    if (m_errors.count() == 0)
        m_frame.showMainPage();
    if (resultsOnStartup && m_errors.count() > 0)
        m_frame.saveScanResults();
    // No problem is left: a results file kept for the logon summary would
    // count problems that are gone.
    if (m_errors.count() == 0 && (mainwindow::bResultsLoaded || resultsOnStartup))
        engine::DeleteResultsFile();
    normal->setEnabled(true);
}

// The pump runs other handlers while the fix works: the menus and the tool
// bar are off meanwhile, and the actions that touch the lists or the
// registry refuse to start (listWorkRunning). The fix works on the rows
// checked when it starts, found again by identity, and the rows leave the
// lists only once the registry is saved.
void ProblemPage::FixCheckedProblems()
{
    m_frame.holdCommands(true);

    // Marks the visible rows checked now as this fix's own.
    static int fixNumber = 0;
    const int thisFix = ++fixNumber;
    constexpr int kFixRole = Qt::UserRole + 1;
    {
        const QScopedValueRollback filling(m_fillingProblems, true);
        for (int i = 0; i < lvwProblem->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = lvwProblem->topLevelItem(i);
            item->setData(0, kFixRole, item->checkState(0) == Qt::Checked ? thisFix : 0);
        }
    }

    engine::FixObserver pump(m_frame.messagePump());
    engine::FixReport report;
    const engine::RegistryChangeSaved saved = engine::ChangeRegistryNow([&] {
        report = engine::FixCheckedRows(m_errors, pump);
        sBackupFile = report.backupFile;
    });
    m_fixSaved = saved.ok;
    // When no value left the registry on disk, the records of this fix go
    // too: the Rescue Center lists no backup of values that are still there.
    if (!saved.ok && !saved.partly)
        engine::CutBackupFile(report.backupFile, report.backupSizeBefore);

    if (saved.ok) {
        engine::RemoveFixedRows(m_errors, report, pump);
        engine::RemoveRowsOneByOne(
            lvwProblem->topLevelItemCount(), [this] { return lvwProblem->topLevelItemCount(); },
            [this, &report, thisFix](int i) {
                const QTreeWidgetItem* item = lvwProblem->topLevelItem(i - 1);
                return item->data(0, kFixRole).toInt() == thisFix
                    && !engine::NamesKeptRow(report, item->text(0), item->text(2), item->text(3));
            },
            [this](int i) { delete lvwProblem->takeTopLevelItem(i - 1); }, pump);
    }

    m_frame.holdCommands(false);
    if (!saved.ok) {
        mainwindow::TellRegistryNotChanged(saved.sentence(QStringLiteral("the checked problems stay listed and checked.")));
        return;
    }
    const QString kept = engine::KeptRowsSentence(report);
    if (!kept.isEmpty())
        platform::MsgBox(kept, 64, mainwindow::productName());
}

void ProblemPage::ImgReturnClick_MouseMove()
{
    if (m_frame.listWorkRunning())
        return;
    mainwindow::bResultsLoaded = false;
    PictureImage* normal = m_buttons[Return].normal;
    normal->setEnabled(false);
    PicShowError_MouseMove();
    engine::PlayAlertSound();
    if (m_frame.resultsOnStartup()) {
        m_frame.saveScanResults();
        m_frame.enableLoadScanResults();
    }
    m_frame.showMainPage();
    normal->setEnabled(true);
}

// --- hover, press and the page reset -------------------------------------------------

void ProblemPage::hoverOver(Button button)
{
    m_buttons[button].showHover();
    m_frame.setStatusText(1, QLatin1String(kButtons[button].hint));
}

void ProblemPage::ImgFixProblemsNormal2_MouseMove() { hoverOver(FixProblems); }
void ProblemPage::ImgReturnNormal_MouseMove() { hoverOver(Return); }
void ProblemPage::ImgFixProblemsMouseMove2_MouseDown() { m_buttons[FixProblems].showPressed(); }
void ProblemPage::ImgReturnMouseMove_MouseDown() { m_buttons[Return].showPressed(); }

void ProblemPage::PicShowError_MouseMove()
{
    m_buttons[FixProblems].showNormal();
    m_buttons[Return].showNormal();
    m_frame.setStatusText(1, QString());
}
