// GoogleTest main for the project's tests: no display; home, settings,
// runtime and cache folders redirected to a private temporary folder so no
// test ever touches the user's own; and an unexpected Qt warning fails the
// test it comes in.
#include "tests/support/qtwarnings.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#ifdef VELMORA_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString scratch = testenv::scratchRoot();
    const QString runtime = scratch + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString home = scratch + QStringLiteral("/home");
    QDir().mkpath(home);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/.cache")));
    qputenv("WINEDEBUG", "-all");

    ::testing::InitGoogleTest(&argc, argv);
    testenv::installQtMessageCheck();
    TestApp app(argc, argv);
    int result = RUN_ALL_TESTS();
    if (testenv::unexpectedQtWarningOutsideTests())
        result = 1;
#if defined(__SANITIZE_ADDRESS__)
    // The exit below skips the leak check a sanitizer build runs at exit.
    if (__lsan_do_recoverable_leak_check() != 0)
        result = 1;
#endif
    // The verdict is in. Leave without tearing down Qt's helper threads: a
    // teardown that stalls on a busy machine must not turn a pass into a
    // time-out.
    testenv::removeScratch();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(result);
}
