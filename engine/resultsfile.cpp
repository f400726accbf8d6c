#include "engine/resultsfile.h"

#include "engine/backup.h"
#include "platform/ansi.h"

#include <QFile>

namespace engine {

namespace {
const QString kSeparator = QStringLiteral("^^");
}  // namespace

QString ResultsLine(const ProblemRow& row)
{
    return row.fields().join(kSeparator);
}

QByteArray StoredResultsLine(const ProblemRow& row)
{
    const QString plain = ResultsLine(row);
    // The format has no escape: check that the line splits back into the
    // very fields it was built from, and that every character survives the
    // code page.
    if (plain.split(kSeparator) != row.fields() || platform::fromAnsi(platform::toAnsi(plain)) != plain)
        return {};
    const QByteArray stored = platform::toAnsi(EncodeText(plain));
    if (stored.contains('\r') || stored.contains('\n'))
        return {};
    return stored;
}

QStringList ResultsLineFields(const QByteArray& stored)
{
    return DecodeText(platform::fromAnsi(stored)).split(kSeparator);
}

QList<QByteArray> ResultsFileLines(const QByteArray& bytes)
{
    // Empty lines give no row and are not kept: a file of nothing but line
    // ends must not cost a list entry per line.
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] != '\r')
            continue;
        if (i > start)
            lines << bytes.mid(start, i - start);
        if (i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << bytes.mid(start);
    return lines;
}

bool AppendResultsLine(const QString& linuxPath, const QByteArray& stored)
{
    QFile file(linuxPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = stored + "\r\n";
    const bool written = file.write(line) == line.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

}  // namespace engine
