#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

#include <csignal>
#include <unistd.h>

namespace testenv {

namespace {
QTemporaryDir& root()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/velmora-test-XXXXXX"));
    return dir;
}
}  // namespace

QString scratchRoot()
{
    return root().path();
}

void stopWineProcessesUnder(const QString& folder)
{
    if (folder.isEmpty() || !folder.startsWith(QLatin1Char('/')))
        return;
    const QByteArray wanted = "WINEPREFIX=" + QFile::encodeName(folder);
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : pids) {
        bool isPid = false;
        const int pid = name.toInt(&isPid);
        if (!isPid || pid == static_cast<int>(::getpid()))
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        if (!environ.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& entry : environ.readAll().split('\0')) {
            // Only a prefix inside `folder`: never another prefix's processes.
            if (entry.startsWith(wanted) && (entry.size() == wanted.size() || entry.at(wanted.size()) == '/')) {
                ::kill(pid, SIGKILL);
                break;
            }
        }
    }
}

void removeScratch()
{
    // A Wine program or server a test left behind would outlive its prefix.
    stopWineProcessesUnder(scratchRoot());
    root().remove();
}

QString makeTempDir(const QString& tag)
{
    static int counter = 0;
    const QString path = scratchRoot() + QLatin1Char('/') + tag + QLatin1Char('-') + QString::number(++counter);
    QDir().mkpath(path);
    return path;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool wineAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("wineboot")).isEmpty();
}

}  // namespace testenv
