// The finder's walk on a prefix made by Wine, whose Documents folder is
// linked to the folder that holds the prefix: the walk must end, find what
// is there and never wander back into the prefix.
#include "engine/problemlist.h"
#include "engine/scanstate.h"
#include "finder/modscanfolder.h"
#include "platform/prefix.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

struct NoDisplay : ModScanFolder::WalkDisplay {
    void showStatus(const QString&) override {}
    void showProgress(double) override {}
};

engine::ProblemList rowsNaming(const QStringList& values)
{
    engine::ProblemList rows;
    for (const QString& v : values) {
        engine::ProblemRow r;
        r.KeyName = QStringLiteral("v");
        r.KeyValue = v;
        rows.add(r);
    }
    return rows;
}

TEST(FinderWine, DocumentsLinkedToTheFolderHoldingThePrefix)
{
    VELMORA_REQUIRE_WINE();
    testenv::WinePrefix wine;
    ASSERT_TRUE(wine.boot(QStringLiteral("finder-wine")));
    ASSERT_TRUE(wine.waitForServer());

    const QString users = wine.path() + QStringLiteral("/drive_c/users");
    QString user;
    for (const QString& name : QDir(users).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name != QLatin1String("Public"))
            user = name;
    }
    ASSERT_FALSE(user.isEmpty());
    const QString documents = users + QLatin1Char('/') + user + QStringLiteral("/Documents");
    const QString holder = QFileInfo(wine.path()).absolutePath();
    const QString prefixName = QFileInfo(wine.path()).fileName();
    // Whatever Wine made there (a link into the home, or a folder) gives way
    // to a link to the folder that holds the prefix.
    if (QFileInfo(documents).isSymLink())
        ASSERT_TRUE(QFile::remove(documents));
    else
        ASSERT_TRUE(QDir(documents).removeRecursively());
    ASSERT_TRUE(QFile::link(holder, documents));
    ASSERT_TRUE(testenv::writeFile(holder + QStringLiteral("/finder-note.txt"), "x"));

    const auto opened = platform::openPrefix(wine.path());
    ASSERT_TRUE(opened.ok) << opened.message.toStdString();
    const QString docs = QStringLiteral("C:\\users\\") + user + QStringLiteral("\\Documents\\");
    const QStringList values = {
        QStringLiteral("C:\\windows\\system32\\notepad.exe"),
        docs + QStringLiteral("finder-note.txt"),
        docs + prefixName + QStringLiteral("\\system.reg"),
        docs + prefixName + QStringLiteral("\\drive_c\\windows\\system32\\notepad.exe"),
        QStringLiteral("C:\\windows\\system32\\no-such-file.dll"),
    };
    engine::ProblemList rows = rowsNaming(values);
    NoDisplay display;
    engine::bCancelScan = false;
    {
        ModScanFolder::FolderWalk walk(rows, display);
        walk.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\"));
        EXPECT_GT(walk.stats().entries, 1000);
    }
    platform::closePrefix();
    QStringList left;
    for (const auto& r : rows.rows())
        left << r.KeyValue;
    EXPECT_EQ(left, (QStringList{values[2], values[3], values[4]}));
}

}  // namespace
