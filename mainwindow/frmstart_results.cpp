// The results file: the last scan's problems kept in the program folder.
#include "engine/resultsfile.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QAction>
#include <QFile>
#include <QScopedValueRollback>
#include <QSet>

#include <cstdio>
#include <unistd.h>

namespace {

// A save runs its rows with the window disabled but messages still
// pumping; a save asked for meanwhile (closing, say) is the same save.
bool g_saving = false;

// Flushes a written file to the disk before it takes the old one's place.
bool syncFile(const QString& linuxPath)
{
    QFile file(linuxPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return ::fsync(file.handle()) == 0;
}

// The texts of the fields after the first of the rows loaded so far,
// compared without regard to case: a line whose file path is one of them
// repeats an earlier row.
class LoadedTexts {
public:
    bool has(const QString& keyValue) const { return !keyValue.isEmpty() && m_texts.contains(keyValue.toCaseFolded()); }
    void add(const engine::ProblemRow& row)
    {
        const QStringList fields = row.fields();
        for (qsizetype i = 1; i < fields.size(); ++i)
            m_texts.insert(fields[i].toCaseFolded());
    }

private:
    QSet<QString> m_texts;
};

}  // namespace

QString FrmStart::resultsFilePath() const
{
    return platform::programFolder() + QStringLiteral("/Scan.ocx");
}

// Rewrites the file whole with the hidden list's rows, one line each. The
// lines go to a new file beside it that takes the old one's place only when
// every line is written, so a failed save leaves the last good file.
void FrmStart::mnuFileSaveScanResults_Click()
{
    if (m_errors.count() == 0) {
        mnuFileSaveScanResults->setEnabled(false);
        return;
    }
    if (g_saving)
        return;
    const QScopedValueRollback saving(g_saving, true);

    const QString path = resultsFilePath();
    const QString onDisk = engine::linuxPathForWrite(path);
    const QString partial = onDisk + QStringLiteral(".new");
    // The rows of this moment: handlers that run while the lines are
    // written cannot shift them.
    const std::vector<engine::ProblemRow> rows = m_errors.rows();

    setEnabled(false);
    bool written = !onDisk.isEmpty() && (!QFile::exists(partial) || QFile::remove(partial));
    int leftOut = 0;
    for (size_t i = 0; written && i < rows.size(); ++i) {
        // A row whose line would read back as another row is left out.
        const QByteArray line = engine::StoredResultsLine(rows[i]);
        if (!line.isEmpty())
            written = engine::AppendResultsLine(partial, line);
        else
            ++leftOut;
        engine::DoEvents();
    }
    if (written && !QFile::exists(partial)) {
        // Every row was left out: the file is still replaced, empty.
        QFile empty(partial);
        written = empty.open(QIODevice::WriteOnly);
    }
    written = written && syncFile(partial)
        && std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(onDisk).constData()) == 0;
    setEnabled(true);

    if (!written) {
        if (!onDisk.isEmpty())
            QFile::remove(partial);
        mnuFileLoadScanResults->setEnabled(!platform::Dir(path, 0).isEmpty());
        platform::MsgBox(QStringLiteral("The scan results could not be saved to %1.").arg(path), 64, productName());
        return;
    }
    mnuFileLoadScanResults->setEnabled(true);
    mnuFileSaveScanResults->setEnabled(false);
    // The logon summary counts the file's lines and a load lists them: say
    // that they will show fewer problems than the list holds.
    if (leftOut > 0)
        platform::MsgBox(QStringLiteral("%1 of the %2 listed problems were left out of the scan results file %3, as "
                                        "its lines cannot carry their text; the start-up summary and the next load "
                                        "will show %4.")
                             .arg(leftOut)
                             .arg(rows.size())
                             .arg(path)
                             .arg(static_cast<qsizetype>(rows.size()) - leftOut),
                         64, productName());
}

void FrmStart::mnuFileLoadScanResults_Click()
{
    if (listWorkRunning())
        return;
    const QScopedValueRollback loading(m_loadRunning, true);
    const QString path = resultsFilePath();
    if (platform::Dir(path, 0).isEmpty()) {
        mnuFileLoadScanResults->setEnabled(false);
        return;
    }
    QByteArray bytes;
    const platform::OwnFileRead read = platform::readOwnFile(platform::toLinuxPath(path), &bytes);
    if (!read.ok()) {
        const QString why = read.outcome == platform::OwnFileRead::Missing ? QStringLiteral("it is not there")
                                                                           : read.reason;
        platform::MsgBox(QStringLiteral("The saved scan results could not be read from %1: %2.").arg(path, why), 64,
                         productName());
        return;
    }

    engine::bResultsLoaded = true;
    mnuFileRegistryCleaner_Click();
    m_errors.clear();
    mnuFileLoadScanResults->setEnabled(false);
    mnuFileSaveScanResults->setEnabled(false);

    // Rows are gathered apart and listed at the end, so that handlers
    // running meanwhile never see a half-loaded list.
    std::vector<engine::ProblemRow> loaded;
    LoadedTexts earlier;
    for (const QByteArray& line : engine::ResultsFileLines(bytes)) {
        const QStringList fields = engine::ResultsLineFields(line);
        // Fewer than three fields name no file; more than seven mean a field
        // held the separator and every field after it has moved, so the row
        // would point at another key.
        if (fields.size() >= 3 && fields.size() <= 7 && !earlier.has(fields[2])) {
            engine::ProblemRow row = engine::ProblemRow::fromFields(fields);
            row.Checked = true;
            earlier.add(row);
            loaded.push_back(row);
        }
        engine::DoEvents();
    }
    m_errors.clear();
    for (const engine::ProblemRow& row : loaded)
        m_errors.add(row);

    FillProblemList();
    SetPagesVisible(false, true);
}
