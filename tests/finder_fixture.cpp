#include "tests/finder_fixture.h"

#include "platform/prefix.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace finderfixture {

namespace {

const char kSystemReg[] = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Microsoft\\Windows NT\\CurrentVersion] 1700000000
"SystemRoot"="C:\\windows"
)";

const char kUserReg[] = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64
)";

QString g_prefix;

}  // namespace

QString openNewPrefix()
{
    const QString p = testenv::makeTempDir(QStringLiteral("finder-prefix"));
    bool ok = testenv::writeFile(p + QStringLiteral("/system.reg"), kSystemReg)
              && testenv::writeFile(p + QStringLiteral("/user.reg"), kUserReg)
              && QDir().mkpath(p + QStringLiteral("/drive_c/windows/system32"))
              && QDir().mkpath(p + QStringLiteral("/dosdevices"));
    ok = ok && QFile::link(QStringLiteral("../drive_c"), p + QStringLiteral("/dosdevices/c:"))
         && QFile::link(QStringLiteral("../missing_d"), p + QStringLiteral("/dosdevices/d:"))
         && QFile::link(QStringLiteral("/"), p + QStringLiteral("/dosdevices/z:"));
    if (!ok || !platform::openPrefix(p).ok)
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
