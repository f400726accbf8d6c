#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

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

void removeScratch()
{
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
