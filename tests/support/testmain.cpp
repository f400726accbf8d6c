// GoogleTest main for the project's tests: no display, and settings, runtime
// and config folders redirected to a private temporary folder so no test ever
// touches the user's own.
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

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
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch + QStringLiteral("/config")));
    qputenv("WINEDEBUG", "-all");

    ::testing::InitGoogleTest(&argc, argv);
    TestApp app(argc, argv);
    const int result = RUN_ALL_TESTS();
    // The verdict is in. Leave without tearing down Qt's helper threads: a
    // teardown that stalls on a busy machine must not turn a pass into a
    // time-out.
    testenv::removeScratch();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(result);
}
