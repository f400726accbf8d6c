// The writer that never leaves a file half written: a whole file replaced
// through a new one beside it, and records appended, synced, or cut back.
#include "platform/atomicfile.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QStringList namesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

TEST(AtomicFileTest, TheTargetChangesOnlyWhenTheNewFileIsPlaced)
{
    for (const auto name : {platform::AtomicFile::TempName::Unique, platform::AtomicFile::TempName::Beside}) {
        const QString dir = testenv::makeTempDir(QStringLiteral("atomic-place"));
        const QString target = dir + QStringLiteral("/file");
        testenv::writeFile(target, "old");
        QString why;
        {
            platform::AtomicFile file;
            ASSERT_TRUE(file.begin(target, name, &why)) << qPrintable(why);
            ASSERT_TRUE(file.write("new text"));
            EXPECT_EQ(testenv::readFile(target), QByteArray("old"));
            ASSERT_TRUE(file.flush(&why)) << qPrintable(why);
            EXPECT_EQ(testenv::readFile(target), QByteArray("old"));
            ASSERT_TRUE(file.place(&why)) << qPrintable(why);
        }
        EXPECT_EQ(testenv::readFile(target), QByteArray("new text"));
        EXPECT_EQ(namesIn(dir), QStringList{QStringLiteral("file")}) << "no new file is left beside it";
    }
}

TEST(AtomicFileTest, ANewFileNotPlacedGoesAndTheOldStays)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("atomic-abandon"));
    const QString target = dir + QStringLiteral("/file");
    testenv::writeFile(target, "old");
    QString why;
    {
        platform::AtomicFile file;
        ASSERT_TRUE(file.begin(target, platform::AtomicFile::TempName::Unique, &why)) << qPrintable(why);
        ASSERT_TRUE(file.write("half"));
    }
    EXPECT_EQ(testenv::readFile(target), QByteArray("old"));
    EXPECT_EQ(namesIn(dir), QStringList{QStringLiteral("file")});
}

TEST(AtomicFileTest, WhatStandsWhereTheNewFileGoesIsLeftAndTheSaveFails)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("atomic-blocked"));
    const QString target = dir + QStringLiteral("/file");
    testenv::writeFile(target, "old");
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral(".new/x")));
    QString why;
    EXPECT_FALSE(platform::replaceFileWhole(target, "new", &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("cannot create a file in "))) << qPrintable(why);
    EXPECT_EQ(testenv::readFile(target), QByteArray("old"));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral(".new/x")));

    // A stale file of that name is no obstacle.
    const QString other = dir + QStringLiteral("/other");
    testenv::writeFile(other + QStringLiteral(".new"), "stale");
    EXPECT_TRUE(platform::replaceFileWhole(other, "fresh", &why)) << qPrintable(why);
    EXPECT_EQ(testenv::readFile(other), QByteArray("fresh"));
    EXPECT_FALSE(QFileInfo::exists(other + QStringLiteral(".new")));
}

TEST(AtomicFileTest, ASharedFileIsNotReplacedAndALinkIsFollowed)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("atomic-links"));
    const QString target = dir + QStringLiteral("/file");
    testenv::writeFile(target, "old");
    ASSERT_TRUE(QFile::link(target, dir + QStringLiteral("/link")));
    QString why;
    {
        platform::AtomicFile file;
        ASSERT_TRUE(file.begin(dir + QStringLiteral("/link"), platform::AtomicFile::TempName::Unique, &why));
        ASSERT_TRUE(file.write("through the link"));
        ASSERT_TRUE(file.flush(&why) && file.place(&why)) << qPrintable(why);
    }
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/link")).isSymLink());
    EXPECT_EQ(testenv::readFile(target), QByteArray("through the link"));

    ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(dir + u"/hard"_s).constData()), 0);
    platform::AtomicFile file;
    EXPECT_FALSE(file.begin(target, platform::AtomicFile::TempName::Unique, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("more than one hard link"))) << qPrintable(why);
}

TEST(AtomicFileTest, ARecordIsAppendedWholeOrNotAtAll)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("atomic-append"));
    const QString path = dir + QStringLiteral("/records");
    EXPECT_TRUE(platform::appendSyncedRecord(path, [] { return QByteArray("one\r\n"); }));
    EXPECT_TRUE(platform::appendSyncedRecord(path, [] { return QByteArray("two\r\n"); }));
    EXPECT_EQ(testenv::readFile(path), QByteArray("one\r\ntwo\r\n"));
    EXPECT_EQ(platform::regularFileSize(path), 10);

    // A disk that fills up in the middle of the record: it is cut back off.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit full = old;
    full.rlim_cur = 13;
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const bool ok = platform::appendSyncedRecord(path, [] { return QByteArray("three\r\n"); });
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(testenv::readFile(path), QByteArray("one\r\ntwo\r\n"));

    // The file stands while its record is made.
    bool stood = false;
    const QString fresh = dir + QStringLiteral("/fresh");
    EXPECT_TRUE(platform::appendSyncedRecord(fresh, [&] {
        stood = QFileInfo::exists(fresh);
        return QByteArray("x\r\n");
    }));
    EXPECT_TRUE(stood);
}

TEST(AtomicFileTest, AFileIsCutBackToASizeOrRemoved)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("atomic-cut"));
    const QString path = dir + QStringLiteral("/records");
    testenv::writeFile(path, "one\r\ntwo\r\n");
    EXPECT_TRUE(platform::cutFileBack(path, 5));
    EXPECT_EQ(testenv::readFile(path), QByteArray("one\r\n"));
    EXPECT_TRUE(platform::cutFileBack(path, 50)) << "a file already shorter stays";
    EXPECT_EQ(testenv::readFile(path), QByteArray("one\r\n"));
    EXPECT_TRUE(platform::cutFileBack(path, -1));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(platform::regularFileSize(path), -1);
    EXPECT_TRUE(platform::cutFileBack(path, -1)) << "nothing there is what was asked for";
    EXPECT_FALSE(platform::cutFileBack(dir, 0)) << "a folder is no file to cut";
    EXPECT_EQ(platform::regularFileSize(dir), -1);
}
