// The results file: the last scan's problems kept in the program folder.
// What the file holds, and how it is written and read, is the engine's.
#include "engine/resultsfile.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/windowstate.h"
#include "platform/desktop.h"

#include <QAction>
#include <QScopedValueRollback>

QString FrmStart::resultsFilePath() const
{
    return engine::ResultsFilePath();
}

void FrmStart::mnuFileSaveScanResults_Click()
{
    if (m_errors.count() == 0) {
        mnuFileSaveScanResults->setEnabled(false);
        return;
    }
    if (m_saving)
        return;
    const QScopedValueRollback saving(m_saving, true);

    // The rows of this moment: handlers that run while the lines are
    // written cannot shift them.
    const std::vector<engine::ProblemRow> rows = m_errors.rows();
    setEnabled(false);
    const engine::ResultsSave save = engine::SaveResultsFile(rows, [this] { pumpMessages(); });
    setEnabled(true);

    if (!save.saved) {
        mnuFileLoadScanResults->setEnabled(engine::ResultsFileSaved());
        platform::MsgBox(save.sentence, 64, productName());
        return;
    }
    mnuFileLoadScanResults->setEnabled(true);
    mnuFileSaveScanResults->setEnabled(false);
    if (!save.sentence.isEmpty())
        platform::MsgBox(save.sentence, 64, productName());
}

void FrmStart::mnuFileLoadScanResults_Click()
{
    if (listWorkRunning())
        return;
    const QScopedValueRollback loading(m_loadRunning, true);
    const engine::ResultsRead read = engine::ReadResultsFile();
    if (read.outcome == engine::ResultsRead::Missing) {
        mnuFileLoadScanResults->setEnabled(false);
        return;
    }
    if (read.outcome == engine::ResultsRead::Unreadable) {
        platform::MsgBox(read.sentence, 64, productName());
        return;
    }

    mainwindow::bResultsLoaded = true;
    mnuFileRegistryCleaner_Click();
    m_errors.clear();
    mnuFileLoadScanResults->setEnabled(false);
    mnuFileSaveScanResults->setEnabled(false);

    // Rows are gathered apart and listed at the end, so that handlers
    // running meanwhile never see a half-loaded list.
    const std::vector<engine::ProblemRow> loaded = engine::ResultsRows(read.bytes, [this] { pumpMessages(); });
    m_errors.clear();
    for (const engine::ProblemRow& row : loaded)
        m_errors.add(row);

    PicShowError->FillProblemList();
    SetPagesVisible(false, true);
}
