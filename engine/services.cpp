#include "engine/services.h"

#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "platform/winfile.h"

#include <QFile>
#include <QUrl>

#include <algorithm>

namespace engine {

namespace {

constexpr int kNormalAttributes = 0;

bool listedAsNormalFile(const QString& path)
{
    int error = 0;
    return !platform::Dir(path, kNormalAttributes, &error).isEmpty() && error == 0;
}

// Lines end at CR or CR LF, as the runtime's line input reads them. Fed a
// piece of the file at a time: a CR at the end of one piece may have its
// LF at the start of the next. Nothing of a line is kept.
class LineCounter {
public:
    explicit LineCounter(const MessagePump& pump) : m_pump(pump) {}

    void add(QByteArrayView bytes)
    {
        for (const char c : bytes) {
            if (c == '\r') {
                ++m_lines;
                runPump(m_pump);
                m_afterCr = true;
                m_inLine = false;
                continue;
            }
            if (!(c == '\n' && m_afterCr))
                m_inLine = true;
            m_afterCr = false;
        }
    }
    // A last line without an end counts.
    int finish()
    {
        if (m_inLine) {
            ++m_lines;
            runPump(m_pump);
        }
        return m_lines;
    }

private:
    const MessagePump& m_pump;
    int m_lines = 0;
    bool m_afterCr = false;
    bool m_inLine = false;
};

}  // namespace

QString linuxPathForWrite(const QString& windowsPath)
{
    if (windowsPath.isEmpty())
        return {};
    const QString existing = platform::toLinuxPath(windowsPath);
    if (!existing.isEmpty())
        return existing;
    const qsizetype cut = std::max(windowsPath.lastIndexOf(QLatin1Char('\\')), windowsPath.lastIndexOf(QLatin1Char('/')));
    if (cut < 0)
        return {};
    const QString name = windowsPath.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    QString folder = windowsPath.left(cut);
    if (folder.size() == 2 && folder[1] == QLatin1Char(':'))
        folder += QLatin1Char('\\');  // "C:\name": the folder is the drive's root
    const QString folderOnDisk = platform::toLinuxPath(folder);
    if (folderOnDisk.isEmpty())
        return {};
    return folderOnDisk + (folderOnDisk.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + name;
}

QString BrowseForFolder()
{
    const QString chosen = platform::desktop().browseForFolder(QStringLiteral("Choose directory..."));
    if (chosen.isEmpty())
        return {};
    return platform::toWindowsPath(chosen);
}

void PlayAlertSound()
{
    const QString path = platform::programFolder() + QStringLiteral("\\Alert.wav");
    if (!listedAsNormalFile(path))
        return;
    // Only a regular file of a sane size: the player would wait on a named
    // pipe and load anything whole.
    const QString onDisk = platform::toLinuxPath(path);
    if (platform::checkOwnFile(onDisk).ok())
        platform::desktop().playSound(onDisk);
}

QList<QByteArray> StoredTextLines(const QByteArray& bytes)
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

int CountFileLines(const QString& path, const MessagePump& pump)
{
    if (!listedAsNormalFile(path))
        return 0;
    // A named pipe, a device or an outsize file counts as nothing.
    LineCounter counter(pump);
    const platform::OwnFileRead read = platform::readOwnFileChunks(
        platform::toLinuxPath(path), [&counter](QByteArrayView bytes) { counter.add(bytes); });
    if (!read.ok())
        return 0;
    return counter.finish();
}

void SetWindowAlpha(QObject* window, int alpha)
{
    if (alpha < 0 || alpha > 255)
        return;
    platform::desktop().setWindowAlpha(window, alpha);
}

void OpenWebPage(QObject* window, const QString& address, const QString& extension)
{
    const QString trimmedAddress = address.trimmed();
    char tempFolder[256] = {};
    const DWORD length = GetTempPathA(255, tempFolder);
    // 0 is a failure; more than the buffer means the folder did not fit.
    if (length == 0 || length >= 255)
        return;
    const QString probe = platform::fromAnsi(tempFolder, static_cast<int>(length)) + QStringLiteral("temphtm.")
        + extension;

    const QString probeOnDisk = linuxPathForWrite(probe);
    if (probeOnDisk.isEmpty())
        return;
    {
        // The temporary folder is shared: an older probe (or a link planted
        // in its place) is removed, and the new one is created afresh, so
        // the write never reaches another file.
        QFile::remove(probeOnDisk);
        QFile f(probeOnDisk);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return;
        f.write("\"\"\r\n");
    }
    // A scan under way keeps what it has learned of the folders; the new
    // probe must be seen all the same.
    platform::forgetCachedLookups();

    char program[MAX_PATH + 1] = {};
    const long found = platform::FindExecutableA(platform::toAnsi(probe).constData(), "", program);
    if (found > 32) {
        QString answer = platform::fromAnsi(QByteArray(program));
        // A Windows answer may carry arguments after the program file.
        const qsizetype exe = answer.indexOf(QLatin1String(".EXE"), 0, Qt::CaseInsensitive);
        if (exe >= 0)
            answer = answer.left(exe + 4);
        answer = answer.trimmed();
        const QString quoted = QLatin1Char('"') + trimmedAddress + QLatin1Char('"');
        platform::ShellExecuteA(window, "open", platform::toAnsi(answer).constData(),
                                platform::toAnsi(quoted).constData(), "", platform::SW_SHOWMAXIMIZED);
    }
    QFile::remove(probeOnDisk);
}

QString HelpPageFileName()
{
    return QStringLiteral("help.htm");
}

// The program's pages are its own help page beside the executable: the
// product page is the page's table of contents, the support page its section
// on trouble and undoing a fix, the home page the page itself.
QString HelpPageAddress(const QString& section)
{
    const QString page = platform::programFolderLinux() + QLatin1Char('/') + HelpPageFileName();
    QUrl url = QUrl::fromLocalFile(page);
    if (!section.isEmpty())
        url.setFragment(section);
    return url.toString(QUrl::FullyEncoded);
}

QString SupportPageAddress()
{
    return HelpPageAddress(QStringLiteral("support"));
}

QString ProductPageAddress()
{
    return HelpPageAddress(QStringLiteral("contents"));
}

QString HomePageAddress()
{
    return HelpPageAddress(QString());
}

}  // namespace engine
