#include "tests/support/wineprefix.h"

#include "tests/support/testenv.h"

#include <QProcess>

namespace testenv {

bool WinePrefix::boot(const QString& tag)
{
    m_path = makeTempDir(tag);
    return run(QStringLiteral("wine"), {QStringLiteral("wineboot"), QStringLiteral("-i")}, 240000).ok();
}

QString wineHome()
{
    return scratchRoot() + QStringLiteral("/home");
}

QProcessEnvironment WinePrefix::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), m_path);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No .NET or HTML engine installers, and no menu entries, icons or file
    // types written to the desktop's folders.
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml=;winemenubuilder.exe=d"));
    // Whatever Wine still writes to a home lands in the scratch folder.
    const QString home = wineHome();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    return env;
}

WineResult WinePrefix::run(const QString& program, const QStringList& args, int timeoutMs) const
{
    WineResult r;
    // Without a prefix Wine would fall back to ~/.wine: never touch that.
    if (m_path.isEmpty())
        return r;
    QProcess p;
    p.setProcessEnvironment(environment());
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForStarted(30000))
        return r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.out = p.readAllStandardOutput();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    return r;
}

WineResult WinePrefix::wine(const QStringList& args) const
{
    return run(QStringLiteral("wine"), args);
}

WineResult WinePrefix::reg(const QStringList& args) const
{
    return wine(QStringList{QStringLiteral("reg")} + args);
}

WineResult WinePrefix::regAdd(const QString& key, const QString& name, const QString& data, const QString& type) const
{
    QStringList args{QStringLiteral("add"), key};
    if (name.isEmpty())
        args << QStringLiteral("/ve");
    else
        args << QStringLiteral("/v") << name;
    if (!type.isEmpty())
        args << QStringLiteral("/t") << type;
    if (!data.isEmpty())
        args << QStringLiteral("/d") << data;
    args << QStringLiteral("/f");
    // Wine's reg tool now and then fails on a busy machine while its server
    // starts; a second try tells a real refusal from that.
    const WineResult first = reg(args);
    return first.ok() ? first : reg(args);
}

QByteArray WinePrefix::regExport(const QString& key) const
{
    const QString file = makeTempDir(QStringLiteral("export")) + QStringLiteral("/out.reg");
    if (!reg({QStringLiteral("export"), key, windowsPath(file), QStringLiteral("/y")}).ok())
        return {};
    return readFile(file);
}

bool WinePrefix::waitForServer() const
{
    return run(QStringLiteral("wineserver"), {QStringLiteral("-w")}).ok();
}

bool WinePrefix::stopServer() const
{
    run(QStringLiteral("wineserver"), {QStringLiteral("-k")}, 30000);
    const bool left = waitForServer();
    // Anything of this prefix still running (a service the server started)
    // would outlive the prefix.
    stopWineProcessesUnder(m_path);
    return left;
}

QString WinePrefix::windowsPath(const QString& linuxPath)
{
    return QStringLiteral("Z:") + QString(linuxPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool inCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

}  // namespace testenv
