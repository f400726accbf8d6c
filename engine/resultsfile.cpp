#include "engine/resultsfile.h"

#include "engine/backup.h"
#include "engine/services.h"
#include "platform/ansi.h"
#include "platform/atomicfile.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QFile>
#include <QSet>

namespace engine {

namespace {
const QString kSeparator = QStringLiteral("^^");
}  // namespace

QString ResultsLine(const ProblemRow& row)
{
    return row.fields().join(kSeparator);
}

QByteArray StoredResultsLine(const ProblemRow& row, const MessagePump& pump)
{
    const QString plain = ResultsLine(row);
    // The format has no escape: check that the line splits back into the
    // very fields it was built from, and that every character survives the
    // code page.
    if (plain.split(kSeparator) != row.fields() || platform::fromAnsi(platform::toAnsi(plain)) != plain)
        return {};
    const QByteArray stored = platform::toAnsi(EncodeText(plain, pump));
    if (stored.contains('\r') || stored.contains('\n'))
        return {};
    return stored;
}

QStringList ResultsLineFields(const QByteArray& stored, const MessagePump& pump)
{
    return DecodeText(platform::fromAnsi(stored), pump).split(kSeparator);
}

QList<QByteArray> ResultsFileLines(const QByteArray& bytes)
{
    return StoredTextLines(bytes);
}

QString ResultsFilePath()
{
    return platform::programFolder() + QStringLiteral("/Scan.ocx");
}

bool ResultsFileSaved()
{
    return !platform::Dir(ResultsFilePath(), 0).isEmpty();
}

int SavedProblemCount(const MessagePump& pump)
{
    return CountFileLines(ResultsFilePath(), pump);
}

bool DeleteResultsFile()
{
    const QString onDisk = platform::toLinuxPath(ResultsFilePath());
    return !onDisk.isEmpty() && QFile::remove(onDisk);
}

ResultsSave SaveResultsFile(const std::vector<ProblemRow>& rows, const MessagePump& pump)
{
    ResultsSave result;
    const QString path = ResultsFilePath();
    const QString onDisk = linuxPathForWrite(path);
    platform::AtomicFile file;
    QString why;
    bool begun = false;
    // The new file comes with its first line.
    const auto begin = [&] {
        begun = begun || file.begin(onDisk, platform::AtomicFile::TempName::Beside, &why);
        return begun;
    };
    bool written = !onDisk.isEmpty();
    for (size_t i = 0; written && i < rows.size(); ++i) {
        const QByteArray line = StoredResultsLine(rows[i], pump);
        if (!line.isEmpty())
            written = begin() && file.write(line + "\r\n");
        else
            ++result.leftOut;
        runPump(pump);
    }
    // Every row left out: the file is still replaced, empty.
    written = written && begin() && file.flush(&why) && file.place(&why);
    if (!written) {
        file.abandon();
        result.sentence = QStringLiteral("The scan results could not be saved to %1.").arg(path);
        return result;
    }
    platform::syncFolder(file.folder());
    result.saved = true;
    // The logon summary counts the file's lines and a load lists them: say
    // that they will show fewer problems than the list holds.
    if (result.leftOut > 0)
        result.sentence = QStringLiteral("%1 of the %2 listed problems were left out of the scan results file %3, as "
                                         "its lines cannot carry their text; the start-up summary and the next load "
                                         "will show %4.")
                              .arg(result.leftOut)
                              .arg(rows.size())
                              .arg(path)
                              .arg(static_cast<qsizetype>(rows.size()) - result.leftOut);
    return result;
}

ResultsRead ReadResultsFile()
{
    ResultsRead result;
    const QString path = ResultsFilePath();
    if (platform::Dir(path, 0).isEmpty())
        return result;
    const platform::OwnFileRead read = platform::readOwnFile(platform::toLinuxPath(path), &result.bytes);
    if (!read.ok()) {
        const QString why = read.outcome == platform::OwnFileRead::Missing ? QStringLiteral("it is not there")
                                                                           : read.reason;
        result.outcome = ResultsRead::Unreadable;
        result.sentence = QStringLiteral("The saved scan results could not be read from %1: %2.").arg(path, why);
        return result;
    }
    result.outcome = ResultsRead::Read;
    return result;
}

std::vector<ProblemRow> ResultsRows(const QByteArray& bytes, const MessagePump& pump)
{
    std::vector<ProblemRow> loaded;
    QSet<QString> earlier;  // case-folded
    for (const QByteArray& line : ResultsFileLines(bytes)) {
        const QStringList fields = ResultsLineFields(line, pump);
        if (fields.size() >= 3 && fields.size() <= 7
            && (fields[2].isEmpty() || !earlier.contains(fields[2].toCaseFolded()))) {
            ProblemRow row = ProblemRow::fromFields(fields);
            row.Checked = true;
            const QStringList rowFields = row.fields();
            for (qsizetype i = 1; i < rowFields.size(); ++i)
                earlier.insert(rowFields[i].toCaseFolded());
            loaded.push_back(row);
        }
        runPump(pump);
    }
    return loaded;
}

}  // namespace engine
