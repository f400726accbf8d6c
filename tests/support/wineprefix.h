#pragma once
// A Wine prefix of a test program's own: made in a temporary folder, with
// every Wine command run against it and only its own server ever stopped.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace testenv {

struct WineResult {
    int exitCode = -1;  // -1: did not start, timed out or crashed
    QByteArray out;     // standard output
    bool ok() const { return exitCode == 0; }
};

class WinePrefix {
public:
    // Makes a new folder below the scratch folder and runs `wine wineboot -i`
    // in it. True when wineboot succeeded.
    bool boot(const QString& tag = QStringLiteral("wineprefix"));

    // The prefix's folder; empty until boot().
    const QString& path() const { return m_path; }

    // WINEPREFIX set to this prefix, Wine's debug output off, no .NET or
    // HTML engine installer at boot, no menu builder, and HOME and the XDG
    // data, config and cache folders inside wineHome().
    QProcessEnvironment environment() const;

    WineResult run(const QString& program, const QStringList& args, int timeoutMs = 180000) const;
    WineResult wine(const QStringList& args) const;
    WineResult reg(const QStringList& args) const;
    // `wine reg add KEY /v NAME /t TYPE /d DATA /f`: an empty name is the
    // default value (/ve), an empty type or data is left out.
    WineResult regAdd(const QString& key, const QString& name, const QString& data,
                      const QString& type = QString()) const;
    // The bytes of `wine reg export` (UTF-16 with its mark); empty when it failed.
    QByteArray regExport(const QString& key) const;

    // Waits until this prefix's server has saved its files and left.
    bool waitForServer() const;
    // Stops this prefix's server (it saves the registry first) and waits for it.
    bool stopServer() const;

    // A Linux path as Wine names it through drive Z:.
    static QString windowsPath(const QString& linuxPath);

private:
    QString m_path;
};

// The home folder every Wine run of the tests gets: below the scratch folder,
// so nothing a prefix's boot writes lands in the user's home.
QString wineHome();

bool inCi();

}  // namespace testenv

// For SetUp(): a test that needs Wine is skipped where Wine is missing, but
// fails in CI (CI=true), where Wine must be there.
#define VELMORA_REQUIRE_WINE()                          \
    do {                                                \
        if (!::testenv::wineAvailable()) {              \
            if (::testenv::inCi())                      \
                FAIL() << "Wine is not installed";      \
            GTEST_SKIP() << "Wine is not installed";    \
        }                                               \
    } while (0)
