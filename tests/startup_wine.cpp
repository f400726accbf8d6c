// Wine starts the program at logon: a Run entry of the prefix's
// HKEY_LOCAL_MACHINE naming "velmora.exe" in the program folder with
// " ShowError" is started by wineboot, and the program takes the logon road.
// Wine hands its Linux children no QT_* variables, so the boot runs on a
// virtual display of its own. The program starts while the prefix's server
// still runs: after Continue it waits for that server to end before it
// opens the prefix.
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <iostream>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {

testenv::WinePrefix g_wine;
bool g_ready = false;

const QString kRunKey = QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

class LogonStartTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_ready = testenv::wineAvailable() && g_wine.boot(QStringLiteral("logon")); }

    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty()) {
            if (testenv::inCi())
                FAIL() << "xvfb-run is not installed";
            GTEST_SKIP() << "xvfb-run is not installed";
        }
        ASSERT_TRUE(g_ready);
        // The program in a folder of its own, with the link Wine starts.
        programDir = testenv::makeTempDir(QStringLiteral("program"));
        exe = programDir + QStringLiteral("/velmora");
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_BUILD_DIR "/app/velmora"), exe));
        ASSERT_TRUE(QFile::link(QStringLiteral("velmora"), programDir + QStringLiteral("/velmora.exe")));
        const QString data = QStringLiteral("\"%1\\velmora.exe\" ShowError")
                                 .arg(testenv::WinePrefix::windowsPath(programDir));
        ASSERT_TRUE(g_wine.regAdd(kRunKey, QStringLiteral("velmora"), data, QStringLiteral("REG_SZ")).ok());
        ASSERT_TRUE(g_wine.waitForServer());
        settingsFile = testenv::wineHome() + QStringLiteral("/.config/Velmora 2007.ini");
        QFile::remove(settingsFile);
    }

    void TearDown() override
    {
        if (!programDir.isEmpty()) {
            g_wine.reg({QStringLiteral("delete"), kRunKey, QStringLiteral("/v"), QStringLiteral("velmora"),
                        QStringLiteral("/f")});
            g_wine.waitForServer();
            QDir(programDir).removeRecursively();
        }
    }

    // Boots the prefix on a virtual display and, for up to `seconds`,
    // watches for our program: prints "argv:" and its arguments once it runs
    // and the settings file holds `marker` (then ends it), or "none" when it
    // never showed up or ended by itself.
    QStringList bootAndWatch(const QString& marker, int seconds)
    {
        const QString script = QStringLiteral(R"SH(
wine wineboot >/dev/null 2>&1
i=0
pid=
while [ $i -lt $((SECONDS_MAX * 10)) ]; do
  pid=
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/exe" 2>/dev/null)" = "$EXE" ]; then pid=${p#/proc/}; fi
  done
  if [ -n "$pid" ] && [ -n "$MARKER" ] && grep -qx "$MARKER" "$INI" 2>/dev/null; then break; fi
  sleep 0.1
  i=$((i + 1))
done
if [ -n "$pid" ] && [ -n "$MARKER" ] && grep -qx "$MARKER" "$INI" 2>/dev/null; then
  echo "argv:"
  tr '\0' '\n' <"/proc/$pid/cmdline"
  kill "$pid"
elif [ -n "$pid" ]; then
  echo "running"
  kill "$pid"
else
  echo "none"
fi
)SH");
        qputenv("EXE", QFile::encodeName(exe));
        qputenv("MARKER", marker.toUtf8());
        qputenv("INI", QFile::encodeName(settingsFile));
        qputenv("SECONDS_MAX", QByteArray::number(seconds));
        const testenv::WineResult r = g_wine.run(
            QStringLiteral("xvfb-run"),
            {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x600x24"), QStringLiteral("sh"),
             QStringLiteral("-c"), script},
            (seconds + 60) * 1000);
        for (const char* name : {"EXE", "MARKER", "INI", "SECONDS_MAX"})
            qunsetenv(name);
        g_wine.waitForServer();
        EXPECT_TRUE(r.ok()) << r.out.constData();
        return QString::fromLocal8Bit(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Boots the prefix on a virtual display (with a server of its own that
    // outlives its last program by `persist` seconds, when given), waits for
    // the summary and presses Continue, then watches for the main window.
    // Prints "summary", "waited" when the waiting window was seen, "main"
    // once the main window is shown, and "loaded" when its load saved the
    // section choices; "no summary" and the Wine processes when it never
    // came.
    QStringList bootAndContinue(int persist)
    {
        const QString script = QStringLiteral(R"SH(
shown() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
if [ "$PERSIST" -gt 0 ]; then wineserver -p"$PERSIST"; fi
wine wineboot >/dev/null 2>&1
i=0
while [ $i -lt 1200 ] && [ -z "$(shown '^Information$')" ]; do sleep 0.1; i=$((i + 1)); done
summary=$(shown '^Information$')
if [ -z "$summary" ]; then
  echo "no summary"
  ps -eo pid,args | grep -i -E 'velmora|wine|\.exe' | grep -v grep | sed 's/^/ps: /'
  exit 0
fi
echo summary
eval "$(xdotool getwindowgeometry --shell "$summary")"
# Continue: 15,68 (88 x 23) in the window.
xdotool mousemove $((X + 59)) $((Y + 79)); sleep 0.2; xdotool click 1
i=0
while [ $i -lt 900 ]; do
  if [ -n "$(shown '^Velmora 2007 - Waiting for Wine$')" ] && [ -z "$waited" ]; then waited=1; echo waited; fi
  if [ -n "$(shown '^Velmora 2007 - Registry Cleaner$')" ]; then echo main; break; fi
  sleep 0.1
  i=$((i + 1))
done
sleep 0.5
grep -qx 'ChkFileTypes=1' "$INI" 2>/dev/null && echo loaded
for p in /proc/[0-9]*; do
  if [ "$(readlink "$p/exe" 2>/dev/null)" = "$EXE" ]; then kill "${p#/proc/}"; fi
done
)SH");
        qputenv("EXE", QFile::encodeName(exe));
        qputenv("INI", QFile::encodeName(settingsFile));
        qputenv("PERSIST", QByteArray::number(persist));
        const testenv::WineResult r = g_wine.run(
            QStringLiteral("xvfb-run"),
            {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x600x24"), QStringLiteral("sh"),
             QStringLiteral("-c"), script},
            180000);
        for (const char* name : {"EXE", "INI", "PERSIST"})
            qunsetenv(name);
        g_wine.waitForServer();
        EXPECT_TRUE(r.ok()) << r.out.constData();
        return QString::fromLocal8Bit(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString programDir;
    QString exe;
    QString settingsFile;
};

// With saved problems the summary loads, which saves the logon option: the
// program runs, from the link, with the one argument "ShowError".
TEST_F(LogonStartTest, WinebootStartsTheProgramWithShowError)
{
    ASSERT_TRUE(testenv::writeFile(programDir + QStringLiteral("/Scan.ocx"), "1\r\n2\r\n3\r\n"));
    const QStringList out = bootAndWatch(QStringLiteral("ResultStartup=1"), 60);
    ASSERT_FALSE(out.isEmpty());
    ASSERT_EQ(out.first(), QStringLiteral("argv:")) << out.join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(out.size(), 3) << out.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(out.at(2), QStringLiteral("ShowError"));
    EXPECT_TRUE(out.at(1).endsWith(QStringLiteral("velmora.exe"), Qt::CaseInsensitive)) << out.at(1).toStdString();
    EXPECT_EQ(testenv::readFile(programDir + QStringLiteral("/Scan.ocx")), "1\r\n2\r\n3\r\n");
}

// Continue leads to the main window on the prefix, with the saved problems
// kept for Load Scan Results: whether the server ends a moment after the
// boot, or outlives the click by several seconds (a server of the test's own
// with a 10 s persistence), when the waiting window is seen first.
TEST_F(LogonStartTest, ContinueOpensTheMainWindowOnceWineHasEnded)
{
    for (int persist : {0, 10}) {
        SCOPED_TRACE(persist);
        QFile::remove(settingsFile);
        ASSERT_TRUE(testenv::writeFile(programDir + QStringLiteral("/Scan.ocx"), "1\r\n2\r\n3\r\n"));
        QStringList out = bootAndContinue(persist);
        // Now and then on a loaded machine a boot starts no program from the
        // Run key at all (no summary, no process of ours): one more boot
        // tells that from a program that never shows its summary.
        if (!out.isEmpty() && out.first() == QStringLiteral("no summary")) {
            std::cerr << "no summary on the first boot, booting once more: "
                      << out.join(QLatin1Char('|')).toStdString() << '\n';
            QFile::remove(settingsFile);
            out = bootAndContinue(persist);
        }
        const std::string seen = out.join(QLatin1Char('|')).toStdString();
        ASSERT_FALSE(out.isEmpty());
        EXPECT_EQ(out.first(), QStringLiteral("summary")) << seen;
        if (persist > 0) {
            EXPECT_TRUE(out.contains(QStringLiteral("waited"))) << seen;
        }
        EXPECT_TRUE(out.contains(QStringLiteral("main"))) << seen;
        EXPECT_TRUE(out.contains(QStringLiteral("loaded"))) << seen;
        EXPECT_EQ(testenv::readFile(programDir + QStringLiteral("/Scan.ocx")), "1\r\n2\r\n3\r\n");
    }
}

// With an empty results file the program ends by itself and writes nothing:
// no settings, no results file, and the prefix's registry as it was. That it
// ran at all shows in a log of the link's own: here "velmora.exe" is a
// script that notes its arguments, runs the program and notes how it ended.
TEST_F(LogonStartTest, WithoutSavedProblemsNothingIsTouched)
{
    ASSERT_TRUE(testenv::writeFile(programDir + QStringLiteral("/Scan.ocx"), ""));
    const QString log = testenv::makeTempDir(QStringLiteral("log")) + QStringLiteral("/run.log");
    ASSERT_TRUE(QFile::remove(programDir + QStringLiteral("/velmora.exe")));
    ASSERT_TRUE(testenv::writeFile(programDir + QStringLiteral("/velmora.exe"),
                                   QStringLiteral("#!/bin/sh\necho \"started: $*\" >>'%1'\n'%2' \"$@\"\n"
                                                  "echo \"ended: $?\" >>'%1'\n")
                                       .arg(log, exe)
                                       .toLocal8Bit()));
    ASSERT_TRUE(QFile::setPermissions(programDir + QStringLiteral("/velmora.exe"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QStringList out = bootAndWatch(QString(), 5);
    EXPECT_EQ(out, QStringList{QStringLiteral("none")});
    EXPECT_EQ(testenv::readFile(log), "started: ShowError\nended: 0\n");
    EXPECT_FALSE(QFile::exists(settingsFile));
    EXPECT_EQ(testenv::readFile(programDir + QStringLiteral("/Scan.ocx")), "");
    const QByteArray systemAfter = testenv::readFile(g_wine.path() + QStringLiteral("/system.reg"));
    // Wine itself rewrites the file at boot; the program adds nothing: its
    // logon entry is still there, as planted.
    EXPECT_TRUE(systemAfter.contains("\"velmora\"=")) << "the Run entry is gone";
}

}  // namespace
