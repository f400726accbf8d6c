// Booting a prefix the way the tests do leaves nothing in the desktop's
// folders (menu entries, icons, file types): Wine's menu builder is off.
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(WineHome, BootingAPrefixWritesNothingToTheDesktopFolders)
{
    VELMORA_REQUIRE_WINE();
    testenv::WinePrefix prefix;
    const QProcessEnvironment env = prefix.environment();
    const QString home = testenv::wineHome();
    EXPECT_TRUE(home.startsWith(testenv::scratchRoot() + QLatin1Char('/'))) << qPrintable(home);
    EXPECT_EQ(env.value(QStringLiteral("HOME")), home);
    EXPECT_EQ(env.value(QStringLiteral("XDG_DATA_HOME")), home + QStringLiteral("/.local/share"));
    ASSERT_TRUE(prefix.boot(QStringLiteral("home"))) << "wineboot failed";
    ASSERT_TRUE(prefix.waitForServer());

    // The menu builder makes these folders even when it has nothing to put
    // in them.
    for (const char* folder : {".local/share/applications", ".local/share/mime", ".local/share/icons",
                               ".local/share/desktop-directories", ".config/menus"}) {
        EXPECT_FALSE(QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(folder))) << folder;
    }
    prefix.stopServer();
}

}  // namespace
