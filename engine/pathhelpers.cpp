#include "engine/pathhelpers.h"

#include "engine/registryaccess.h"
#include "engine/trim.h"
#include "platform/ansi.h"
#include "platform/winfile.h"

#include <QByteArray>

namespace engine {

namespace {

QString afterPlaceholder(const QString& text, QLatin1String placeholder)
{
    const qsizetype at = text.indexOf(placeholder, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    return text.mid(at + placeholder.size());
}

}  // namespace

QString TrimQuotesAndBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end) {
        const QChar c = text.at(start);
        if (c != QLatin1Char('"') && c != QLatin1Char('\r') && c != QLatin1Char(' '))
            break;
        ++start;
    }
    while (end > start) {
        const QChar c = text.at(end - 1);
        if (c != QLatin1Char('"') && c != QLatin1Char('\n') && c != QLatin1Char(' '))
            break;
        --end;
    }
    return text.mid(start, end - start);
}

QString GetFileExtension(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('.'))
            return path.mid(i + 1).toLower();
        if (c == QLatin1Char(':') || c == QLatin1Char('\\'))
            return {};
    }
    return {};
}

QString AddBackslash(const QString& text)
{
    if (trimBlanks(text).isEmpty())
        return {};
    if (text.endsWith(QLatin1Char('\\')))
        return text;
    return text + QLatin1Char('\\');
}

QString CutAtSwitches(const QString& commandText)
{
    QString result;
    const qsizetype slash = commandText.indexOf(QLatin1Char('/'));
    const qsizetype comma = commandText.indexOf(QLatin1Char(','));
    if (slash >= 0)
        result = TrimQuotesAndBlanks(commandText.left(slash));
    // The comma cut, taken from the whole text, wins over the slash cut.
    if (comma >= 0)
        result = TrimQuotesAndBlanks(commandText.left(comma));
    if (result.isEmpty())
        return commandText;
    return result;
}

QString StripRootPlaceholder(const QString& text)
{
    if (text.contains(QLatin1String("%Systemroot%"), Qt::CaseInsensitive))
        return afterPlaceholder(text, QLatin1String("%Systemroot%"));
    return afterPlaceholder(text, QLatin1String("%ProgramFiles%"));
}

QString StripCommonFilesPlaceholder(const QString& text)
{
    return afterPlaceholder(text, QLatin1String("%commonprogramfiles%"));
}

QString GetSystemDir()
{
    QByteArray buffer(256, '\0');
    const unsigned length = GetSystemDirectoryA(buffer.data(), 256);
    return platform::fromAnsi(buffer.left(static_cast<qsizetype>(length)));
}

QString GetWindowsDir()
{
    QByteArray buffer(256, '\0');
    const unsigned length = GetWindowsDirectoryA(buffer.data(), 256);
    return platform::fromAnsi(buffer.left(static_cast<qsizetype>(length)));
}

QString GetProgramFilesDir()
{
    QString value;
    if (!QueryRegistryValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
                            QStringLiteral("ProgramFilesDir"), value))
        return {};
    return trimBlanks(value);
}

QString GetCommonFilesDir()
{
    QString value;
    if (!QueryRegistryValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
                            QStringLiteral("CommonFilesDir"), value))
        return {};
    return trimBlanks(value);
}

bool FileExists(const QString& path)
{
    // Nothing to look for is nothing to report missing.
    if (trimBlanks(path).isEmpty())
        return true;
    // The last mask also admits files that are both hidden and system, which
    // the others pass over: such a file is on disk and must not be reported.
    static constexpr int kMasks[] = {0, 2, 32, 1, 0, 4, 2 | 4};
    // The queries of one test look at one state of the disk: the folder is
    // read once, not once per mask.
    const platform::LookupCacheScope oneTest;
    for (const int mask : kMasks) {
        int error = 0;
        const QString name = platform::Dir(path, mask, &error);
        if (error != 0)
            return true;  // cannot be checked: counts as existing
        if (!name.isEmpty())
            return true;
    }
    return false;
}

QString GetShortPath(const QString& path)
{
    QByteArray buffer(165, '\0');
    const DWORD length = GetShortPathNameA(platform::toAnsi(path).constData(), buffer.data(), 164);
    // A short form that does not fit the buffer is not shown at all.
    if (length == 0 || length >= 164)
        return {};
    return platform::fromAnsi(buffer.left(static_cast<qsizetype>(length)));
}

}  // namespace engine
