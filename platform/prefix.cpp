#include "platform/prefix.h"

#include "platform/registry.h"
#include "platform/winfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/stat.h>

namespace platform {

namespace {

QString g_prefix;
bool g_open = false;
QString g_programFolderOverride;

QString executablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

// Temporary files of a save that was killed midway, by a process that is
// gone: the registry file itself is intact, these are only litter.
void removeStaleSaveFiles(const QString& prefixDir)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.velmora-save-(\\d+)-[A-Za-z0-9]{6}$"));
    const QDir dir(prefixDir);
    const QStringList names = dir.entryList({QStringLiteral(".velmora-save-*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch())
            continue;
        const pid_t pid = static_cast<pid_t>(m.captured(1).toLongLong());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            QFile::remove(dir.filePath(name));
    }
}

}  // namespace

QString defaultPrefixPath()
{
    const QString env = qEnvironmentVariable("WINEPREFIX");
    if (!env.isEmpty())
        return env;
    return QDir::homePath() + QStringLiteral("/.wine");
}

PrefixError openPrefix(const QString& prefixDir)
{
    closePrefix();
    const QFileInfo info(prefixDir);
    if (prefixDir.isEmpty() || !info.exists())
        return {false, QStringLiteral("The Wine prefix %1 does not exist.").arg(prefixDir)};
    if (!info.isDir())
        return {false, QStringLiteral("%1 is not a folder, so it cannot be a Wine prefix.").arg(prefixDir)};
    const QString dir = info.absoluteFilePath();
    // Missing is told apart from unreadable: a folder that cannot be
    // searched, or a link to nothing, is not a folder without system.reg.
    const QString system = QDir(dir).filePath(QStringLiteral("system.reg"));
    struct stat st;
    if (::lstat(QFile::encodeName(system).constData(), &st) != 0) {
        const int e = errno;
        if (e != ENOENT)
            return {false, QStringLiteral("The registry file %1 cannot be read: %2.")
                               .arg(system, QString::fromLocal8Bit(std::strerror(e)))};
        return {false, QStringLiteral("The folder %1 has no system.reg, so it is not a Wine prefix that Velmora can "
                                      "clean (run wineboot to set one up).")
                           .arg(dir)};
    }
    if (registry::serverRunning(dir))
        return {false, QStringLiteral("A Wine program is running on the prefix %1, and Wine would overwrite any change "
                                      "made now: close the Wine programs of this prefix, or run wineserver -k, then "
                                      "start Velmora again.")
                           .arg(dir)};
    const PrefixError loaded = registry::load(dir);
    if (!loaded.ok)
        return loaded;
    removeStaleSaveFiles(dir);
    g_prefix = dir;
    g_open = true;
    attachDrives(dir);
    return {};
}

PrefixError closePrefix()
{
    if (!g_open)
        return {};
    const PrefixError saved = registry::save();
    detachDrives();
    registry::unload();
    g_open = false;
    g_prefix.clear();
    return saved;
}

bool wineServerRunning(const QString& prefixDir)
{
    return registry::serverRunning(prefixDir);
}

bool prefixIsOpen()
{
    return g_open;
}

QString prefixPath()
{
    return g_open ? g_prefix : QString();
}

QString whyChangesCannotBeKept()
{
    if (!g_open)
        return QStringLiteral("No Wine prefix is open, so there is no registry to change.");
    if (registry::serverRunning(g_prefix))
        return QStringLiteral("A Wine program is running on the prefix %1, and Wine would overwrite any change made "
                              "now, so Velmora changed nothing: close the Wine programs of this prefix, or run "
                              "wineserver -k, then try again.")
            .arg(g_prefix);
    const QString changed = registry::fileChangedOnDisk();
    if (!changed.isEmpty())
        return QStringLiteral("The registry file %1 was changed by another program while Velmora held changes it "
                              "had not saved, so Velmora changed nothing: start Velmora again to work on the "
                              "changed file.")
            .arg(changed);
    const QString locked = registry::fileNotWritable();
    if (!locked.isEmpty())
        return QStringLiteral("The registry file %1 or its folder cannot be written, so Velmora could not keep a "
                              "change and changed nothing.")
            .arg(locked);
    return {};
}

PrefixError reloadRegistryIfChangedOnDisk()
{
    if (!g_open)
        return {};
    const quint32 before = registry::generation();
    const PrefixError reloaded = registry::reloadIfChangedOnDisk();
    if (!reloaded.ok)
        return {false, QStringLiteral("The registry of the prefix %1 was changed by another program and cannot be "
                                      "read again: %2")
                           .arg(g_prefix, reloaded.message)};
    if (registry::generation() != before)
        attachDrives(g_prefix);
    return {};
}

QString whyRegistryReadMayBeStale()
{
    if (!g_open)
        return {};
    // Without unsaved changes a changed file was just read again.
    if (!registry::serverRunning(g_prefix)
        && (!registry::hasUnsavedChanges() || registry::fileChangedOnDisk().isEmpty()))
        return {};
    return whyChangesCannotBeKept();
}

PrefixError flushRegistry()
{
    if (!g_open)
        return {};
    return registry::save();
}

RegistryBatch::RegistryBatch()
{
    registry::beginBatch();
}

RegistryBatch::~RegistryBatch()
{
    if (!m_open)
        return;
    const PrefixError saved = finish();
    if (!saved.ok)
        registry::reportError(saved.message);
}

PrefixError RegistryBatch::finish()
{
    if (!m_open)
        return {};
    m_open = false;
    return registry::endBatch();
}

PrefixError dropUnsavedRegistryChanges()
{
    if (!g_open)
        return {};
    const quint32 before = registry::generation();
    const PrefixError dropped = registry::discardUnsavedChanges();
    if (registry::generation() != before)
        attachDrives(g_prefix);
    return dropped;
}

QString programFolder()
{
    const QString linuxDir = g_programFolderOverride.isEmpty() ? QFileInfo(executablePath()).absolutePath()
                                                            : g_programFolderOverride;
    const QString windows = toWindowsPath(linuxDir);
    if (!windows.isEmpty())
        return windows;
    QString fallback = QStringLiteral("Z:") + linuxDir;
    fallback.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return fallback;
}

QString programExeName()
{
    return QFileInfo(executablePath()).completeBaseName();
}

void setProgramFolderLinux(const QString& linuxDir)
{
    g_programFolderOverride = linuxDir;
}

QString programFolderLinux()
{
    return g_programFolderOverride.isEmpty() ? QFileInfo(executablePath()).absolutePath() : g_programFolderOverride;
}

}  // namespace platform
