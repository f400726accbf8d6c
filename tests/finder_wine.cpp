// The finder's walk on prefixes made by Wine: its shell folders linked to the
// home, and a Documents folder linked to the folder that holds the prefix.
// The walk must end, find what is there by every path that leads to it and
// never wander back into the prefix.
#include "engine/problemlist.h"
#include "finder/modscanfolder.h"
#include "platform/prefix.h"
#include "tests/support/printto.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <ostream>

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

QString userOf(const QString& prefix)
{
    QString user;
    const QDir users(prefix + QStringLiteral("/drive_c/users"));
    for (const QString& name : users.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name != QLatin1String("Public"))
            user = name;
    }
    return user;
}

QStringList keyValues(const engine::ProblemList& rows)
{
    QStringList out;
    for (const auto& r : rows.rows())
        out << r.KeyValue;
    return out;
}

// A new prefix links Desktop, Documents, Downloads, Music, Pictures and Videos
// to the home: a file there is on disk under all six paths.
TEST(FinderWine, OneFileInTheHomeIsFoundThroughEveryShellFolder)
{
    VELMORA_REQUIRE_WINE();
    testenv::WinePrefix wine;
    ASSERT_TRUE(wine.boot(QStringLiteral("finder-wine-home")));
    ASSERT_TRUE(wine.waitForServer());
    const QString user = userOf(wine.path());
    ASSERT_FALSE(user.isEmpty());

    const QString profile = wine.path() + QStringLiteral("/drive_c/users/") + user;
    const QString home = QFileInfo(testenv::wineHome()).canonicalFilePath();
    QStringList values;
    for (const char* folder : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"}) {
        const QFileInfo shell(profile + QLatin1Char('/') + QLatin1String(folder));
        ASSERT_TRUE(shell.isSymLink()) << folder;
        EXPECT_EQ(shell.canonicalFilePath(), home) << folder;
        values << QStringLiteral("C:\\users\\") + user + QLatin1Char('\\') + QLatin1String(folder)
                      + QStringLiteral("\\finder-home-note.txt");
    }
    ASSERT_TRUE(testenv::writeFile(home + QStringLiteral("/finder-home-note.txt"), "x"));
    const QString elsewhere = QStringLiteral("C:\\users\\") + user + QStringLiteral("\\finder-home-note.txt");
    values << elsewhere;

    const auto opened = platform::openPrefix(wine.path());
    ASSERT_TRUE(opened.ok) << opened.message.toStdString();
    engine::ProblemList rows = rowsNaming(values);
    NoDisplay display;
    {
        // "Scan all disks": the drive of the Windows folder, from its root.
        ModScanFolder::FolderWalk walk(engine::ScanContext{rows}, display);
        walk.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\"));
        EXPECT_EQ(walk.stats().removed, 6);
    }
    platform::closePrefix();
    QFile::remove(home + QStringLiteral("/finder-home-note.txt"));
    EXPECT_EQ(keyValues(rows), QStringList{elsewhere});
}

TEST(FinderWine, DocumentsLinkedToTheFolderHoldingThePrefix)
{
    VELMORA_REQUIRE_WINE();
    testenv::WinePrefix wine;
    ASSERT_TRUE(wine.boot(QStringLiteral("finder-wine")));
    ASSERT_TRUE(wine.waitForServer());

    const QString users = wine.path() + QStringLiteral("/drive_c/users");
    const QString user = userOf(wine.path());
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
    {
        ModScanFolder::FolderWalk walk(engine::ScanContext{rows}, display);
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
