#include "platform/shell.h"

#include "platform/ansi.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cstring>

namespace platform {

namespace {

constexpr long kShellOk = 42;

QString queryDefaultApp(const QString& mimeType)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (tool.isEmpty())
        return {};
    QProcess p;
    p.setProgram(tool);
    p.setArguments({QStringLiteral("query"), QStringLiteral("default"), mimeType});
    p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return out.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(';'), 0, 0).trimmed();
}

bool startDetached(const QString& program, const QStringList& arguments, const QStringList& extraEnvironment)
{
    QProcess p;
    p.setProgram(program);
    p.setArguments(arguments);
    p.setStandardInputFile(QProcess::nullDevice());
    if (!extraEnvironment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& kv : extraEnvironment)
            env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        p.setProcessEnvironment(env);
    }
    return p.startDetached();
}

DefaultAppQuery g_query;
ProcessStarter g_starter;

QString defaultAppFor(const QString& mimeType)
{
    return g_query ? g_query(mimeType) : queryDefaultApp(mimeType);
}

bool start(const QString& program, const QStringList& arguments, const QStringList& env)
{
    return g_starter ? g_starter(program, arguments, env) : startDetached(program, arguments, env);
}

// A desktop id names a file in an applications folder; "vendor-app.desktop"
// may also stand for "vendor/app.desktop".
QString locateDesktopEntry(const QString& id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return {};
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString& dir : dirs) {
        QString rel = id;
        for (;;) {
            const QString path = dir + QLatin1Char('/') + rel;
            if (QFileInfo(path).isFile())
                return path;
            const int dash = rel.indexOf(QLatin1Char('-'));
            if (dash < 0)
                break;
            rel[dash] = QLatin1Char('/');
        }
    }
    return {};
}

// The Exec value of the [Desktop Entry] group, its string escapes undone.
QString desktopEntryExec(const QString& desktopFile)
{
    QByteArray bytes;
    if (!readOwnFile(desktopFile, &bytes).ok())
        return {};
    bool inEntry = false;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        const QString line = QString::fromUtf8(bytes.constData() + at, end - at).trimmed();
        at = end + 1;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || !line.startsWith(QLatin1String("Exec")))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.left(eq).trimmed() != QLatin1String("Exec"))
            continue;
        const QString raw = line.mid(eq + 1).trimmed();
        QString value;
        for (int i = 0; i < raw.size(); ++i) {
            if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
                const QChar n = raw[++i];
                if (n == QLatin1Char('s')) value += QLatin1Char(' ');
                else if (n == QLatin1Char('n')) value += QLatin1Char('\n');
                else if (n == QLatin1Char('t')) value += QLatin1Char('\t');
                else if (n == QLatin1Char('r')) value += QLatin1Char('\r');
                else if (n == QLatin1Char('\\')) value += QLatin1Char('\\');
                else { value += QLatin1Char('\\'); value += n; }
            } else {
                value += raw[i];
            }
        }
        return value;
    }
    return {};
}

// Splits an Exec value into words: blanks separate, double quotes group,
// and inside quotes a backslash keeps the next character.
QStringList splitExec(const QString& exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word += exec[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                word += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QString linuxPathOf(const QString& file)
{
    if (file.startsWith(QLatin1Char('/')))
        return QFileInfo::exists(file) ? file : QString();
    return toLinuxPath(file);
}

}  // namespace

void setDefaultAppQuery(DefaultAppQuery query)
{
    g_query = std::move(query);
}

void setProcessStarter(ProcessStarter starter)
{
    g_starter = std::move(starter);
}

QStringList desktopEntryCommand(const QString& desktopFile, const QStringList& arguments)
{
    const QStringList words = splitExec(desktopEntryExec(desktopFile));
    QStringList command;
    bool argumentsPlaced = false;
    for (const QString& w : words) {
        if (w == QLatin1String("%f") || w == QLatin1String("%u")) {
            if (!arguments.isEmpty())
                command << arguments.first();
            argumentsPlaced = true;
        } else if (w == QLatin1String("%F") || w == QLatin1String("%U")) {
            command << arguments;
            argumentsPlaced = true;
        } else {
            QString out;
            for (int i = 0; i < w.size(); ++i) {
                if (w[i] == QLatin1Char('%') && i + 1 < w.size()) {
                    if (w[++i] == QLatin1Char('%'))
                        out += QLatin1Char('%');
                    // other field codes are dropped
                } else {
                    out += w[i];
                }
            }
            if (!out.isEmpty())
                command << out;
        }
    }
    if (!command.isEmpty() && !argumentsPlaced)
        command << arguments;
    return command;
}

long ShellExecuteA(QObject*, const char* operation, const char* file, const char* parameters,
                   const char* directory, int)
{
    const QString verb = operation ? fromAnsi(QByteArray(operation)) : QString();
    if (!verb.isEmpty() && verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return SE_ERR_NOASSOC;
    const QString target = file ? fromAnsi(QByteArray(file)).trimmed() : QString();
    if (target.isEmpty())
        return SE_ERR_FNF;
    const QStringList args = QProcess::splitCommand(parameters ? fromAnsi(QByteArray(parameters)) : QString());
    const QString onDisk = linuxPathOf(target);
    if (onDisk.isEmpty())
        return SE_ERR_FNF;
    Q_UNUSED(directory);

    if (target.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty() || !prefixIsOpen())
            return SE_ERR_FNF;
        // The Windows program sees the registry as we last saved it.
        flushRegistry();
        const QString windowsPath = target.startsWith(QLatin1Char('/')) ? toWindowsPath(target) : target;
        return start(wine, QStringList{windowsPath} + args, {QStringLiteral("WINEPREFIX=") + prefixPath()})
                   ? kShellOk
                   : SE_ERR_FNF;
    }
    if (onDisk.endsWith(QLatin1String(".desktop"))) {
        const QStringList command = desktopEntryCommand(onDisk, args);
        if (command.isEmpty())
            return SE_ERR_NOASSOC;
        return start(command.first(), command.mid(1), {}) ? kShellOk : SE_ERR_FNF;
    }
    const QFileInfo info(onDisk);
    if (!info.isFile() || !info.isExecutable())
        return SE_ERR_NOASSOC;
    return start(onDisk, args, {}) ? kShellOk : SE_ERR_FNF;
}

long FindExecutableA(const char* file, const char*, char* result)
{
    if (result)
        result[0] = '\0';
    const QString target = file ? fromAnsi(QByteArray(file)) : QString();
    const QString onDisk = target.isEmpty() ? QString() : linuxPathOf(target);
    if (onDisk.isEmpty() || !QFileInfo(onDisk).isFile())
        return SE_ERR_FNF;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(onDisk, QMimeDatabase::MatchExtension);
    const QString entry = locateDesktopEntry(defaultAppFor(type.name()));
    if (entry.isEmpty())
        return SE_ERR_NOASSOC;
    QString answer = toWindowsPath(entry);
    if (answer.isEmpty())
        answer = entry;
    const QByteArray bytes = toAnsi(answer);
    if (bytes.size() >= MAX_PATH)
        return SE_ERR_NOASSOC;
    if (result)
        std::memcpy(result, bytes.constData(), static_cast<size_t>(bytes.size()) + 1);
    return kShellOk;
}

}  // namespace platform
