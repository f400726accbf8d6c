#include "tests/finder_fixture.h"

#include "platform/prefix.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace finderfixture {

namespace {

QString g_prefix;

}  // namespace

QString openNewPrefix()
{
    const QString p = testenv::makeTempDir(QStringLiteral("finder-prefix"));
    testenv::PrefixBuilder b;
    b.system(QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion"))
        .sz(QStringLiteral("SystemRoot"), QStringLiteral("C:\\windows"));
    b.hive(testenv::Hive::User).folder(QStringLiteral("drive_c/windows/system32"));
    b.drive(QStringLiteral("c:"), QStringLiteral("../drive_c"))
        .drive(QStringLiteral("d:"), QStringLiteral("../missing_d"))
        .drive(QStringLiteral("z:"), QStringLiteral("/"));
    if (!b.write(p) || !platform::openPrefix(p).ok)
        return {};
    g_prefix = p;
    return p;
}

void closePrefix()
{
    platform::closePrefix();
    g_prefix.clear();
}

QString driveC()
{
    return g_prefix + QStringLiteral("/drive_c");
}

bool touch(const QString& relative)
{
    return testenv::writeFile(driveC() + QLatin1Char('/') + relative, "x");
}

bool makeFolder(const QString& relative)
{
    return QDir().mkpath(driveC() + QLatin1Char('/') + relative);
}

bool link(const QString& target, const QString& relative)
{
    const QString at = driveC() + QLatin1Char('/') + relative;
    QDir().mkpath(at.left(at.lastIndexOf(QLatin1Char('/'))));
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) == 0;
}

engine::ProblemList rowsNaming(const QStringList& values)
{
    engine::ProblemList rows;
    int n = 0;
    for (const QString& v : values) {
        engine::ProblemRow r;
        r.MainKey = QStringLiteral("-2147483646");
        r.KeyName = QStringLiteral("Value%1").arg(++n);
        r.KeyValue = v;
        r.RegistryScanners = QStringLiteral("Application Paths");
        r.FullKeyPath = QStringLiteral("Software\\Test");
        r.mainkeyname = QStringLiteral("HKEY_LOCAL_MACHINE");
        rows.add(r);
    }
    return rows;
}

QStringList keyValues(const engine::ProblemList& rows)
{
    QStringList out;
    for (const auto& r : rows.rows())
        out << r.KeyValue;
    return out;
}

}  // namespace finderfixture
