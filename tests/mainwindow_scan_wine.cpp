// The Scan action on a real Wine prefix beside a running wineserver: the
// server holds the keys it was just given and writes them to the files only
// later, so the scan says so and waits; once the server has gone the scan
// finds what was added and no longer reports what was removed.
#include "engine/problemlist.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/timing.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QStringList>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

testenv::WinePrefix g_wine;
bool g_ready = false;

const char kAppPaths[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char kRemoved[] = "velmoraremoved.exe";
const char kAdded[] = "velmoraadded.exe";

QString goneFile(const char* name)
{
    return QStringLiteral("C:\\Program Files\\Velmora Gone\\") + QLatin1String(name);
}

class ScanWine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        const bool booted = g_wine.boot(QStringLiteral("scan"));
        g_wine.waitForServer();
        if (!booted)
            return;
        g_ready = g_wine.regAdd(QLatin1String(kAppPaths) + QLatin1String(kRemoved), QString(), goneFile(kRemoved)).ok();
        g_wine.waitForServer();
    }
    static void TearDownTestSuite() { g_wine.stopServer(); }

    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        ASSERT_TRUE(g_ready) << "the Wine prefix could not be prepared";
        programDir = testenv::makeTempDir(QStringLiteral("program"));
        seams.programFolder(programDir).desktop(&desktop);
        seams.timingScale(0.01);
    }
    void TearDown() override
    {
        window.reset();
        if (platform::prefixIsOpen())
            platform::closePrefix();
        if (!programDir.isEmpty())
            QDir(programDir).removeRecursively();
    }

    // The Scan action, its scan-complete box answered with Next.
    void scan()
    {
        desktop.onModal = [](QDialog& box) { windowtest::FakeDesktop::pressDefaultButton(box); };
        window->mnuCleaningScanRegitry_Click();
        desktop.onModal = {};
    }
    // The planted files the listed rows name.
    QStringList plantedRows() const
    {
        QStringList found;
        for (const engine::ProblemRow& r : window->lvwErrors().rows()) {
            if (r.KeyValue.contains(QLatin1String("Velmora Gone")))
                found << r.KeyValue;
        }
        return found;
    }

    QString programDir;
    windowtest::FakeDesktop desktop;
    testenv::WindowSeamGuard seams;
    std::unique_ptr<FrmStart> window;
};

TEST_F(ScanWine, BesideARunningWineserverTheScanWaitsForTheKeysItHolds)
{
    ASSERT_TRUE(platform::openPrefix(g_wine.path()).ok);
    window = std::make_unique<FrmStart>();
    window->Form_Load();
    for (int i = 0; i < 9; ++i)
        windowtest::sectionBoxes(*window)[i]->setChecked(i == 1);  // Application Paths
    scan();
    ASSERT_EQ(desktop.modals.size(), 1);
    EXPECT_EQ(plantedRows(), QStringList{goneFile(kRemoved)});

    // A Wine program starts: its server takes one key away and adds another,
    // in memory.
    ASSERT_EQ(g_wine.run(QStringLiteral("wineserver"), {QStringLiteral("-p")}).exitCode, 0);
    ASSERT_TRUE(g_wine.reg({u"delete"_s, QLatin1String(kAppPaths) + QLatin1String(kRemoved), u"/f"_s}).ok());
    ASSERT_TRUE(g_wine.regAdd(QLatin1String(kAppPaths) + QLatin1String(kAdded), QString(), goneFile(kAdded)).ok());
    scan();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.startsWith(QLatin1String("A Wine program is running on the prefix")))
        << desktop.boxes[0].text.toStdString();
    EXPECT_EQ(desktop.modals.size(), 1) << "no second scan-complete box";
    EXPECT_EQ(plantedRows(), QStringList{goneFile(kRemoved)}) << "the last scan's rows stay";
    EXPECT_FALSE(windowtest::showErrorPage(*window)->isHidden());
    EXPECT_TRUE(window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden());

    // The server writes what it holds as it leaves; the scan then sees it.
    ASSERT_TRUE(g_wine.stopServer());
    scan();
    EXPECT_EQ(desktop.boxes.size(), 1);
    ASSERT_EQ(desktop.modals.size(), 2);
    EXPECT_EQ(plantedRows(), QStringList{goneFile(kAdded)});
}

}  // namespace
