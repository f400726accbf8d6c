// The reader of the program's own files: regular files and links to them
// are read; named pipes, sockets, folders and outsize files are refused at
// once, with a reason, and never written to.
#include "platform/ownfile.h"
#include "tests/registry_support.h"
#include "tests/support/oddfiles.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

using platform::OwnFileRead;

namespace {

QByteArray readChunks(const QString& path, OwnFileRead* result, int* pieces = nullptr)
{
    QByteArray all;
    int n = 0;
    *result = platform::readOwnFileChunks(path, [&](QByteArrayView piece) {
        all.append(piece);
        ++n;
    });
    if (pieces)
        *pieces = n;
    return all;
}

}  // namespace

TEST(OwnFileTest, RegularFilesAndLinksToThemAreReadWhole)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("ownfile-read"));
    QByteArray big(200 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(testenv::writeFile(dir + u"/plain"_s, "a\r\nb\r\n"));
    ASSERT_TRUE(testenv::writeFile(dir + u"/empty"_s, ""));
    ASSERT_TRUE(testenv::writeFile(dir + u"/big"_s, big));
    ASSERT_TRUE(QFile::link(dir + u"/plain"_s, dir + u"/link"_s));
    ASSERT_TRUE(QFile::link(u"plain"_s, dir + u"/relative-link"_s));
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"plain", "a\r\nb\r\n"}, {"empty", ""}, {"big", big}, {"link", "a\r\nb\r\n"},
                 {"relative-link", "a\r\nb\r\n"}};
    for (const auto& c : cases) {
        const QString path = dir + u"/"_s + QString::fromUtf8(c.name);
        QByteArray bytes = "left over";
        const OwnFileRead whole = platform::readOwnFile(path, &bytes);
        EXPECT_EQ(whole.outcome, OwnFileRead::Read) << c.name;
        EXPECT_TRUE(whole.reason.isEmpty()) << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;
        EXPECT_EQ(platform::checkOwnFile(path).outcome, OwnFileRead::Read) << c.name;

        OwnFileRead chunked;
        int pieces = 0;
        EXPECT_EQ(readChunks(path, &chunked, &pieces), c.bytes) << c.name;
        EXPECT_EQ(chunked.outcome, OwnFileRead::Read) << c.name;
        if (c.bytes.size() > 64 * 1024) {
            EXPECT_GT(pieces, 1) << c.name;  // a piece at a time, not the whole
        }
    }

    // Nothing there: missing, which is no refusal.
    QByteArray bytes = "left over";
    EXPECT_EQ(platform::readOwnFile(dir + u"/none"_s, &bytes).outcome, OwnFileRead::Missing);
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_EQ(platform::checkOwnFile(dir + u"/none"_s).outcome, OwnFileRead::Missing);
    EXPECT_EQ(platform::readOwnFile(QString(), &bytes).outcome, OwnFileRead::Missing);
}

TEST(OwnFileTest, AnythingButARegularFileIsRefusedAtOnceWithItsReason)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("ownfile-odd"));
    struct Case {
        QString what;
        QString path;
        QString reason;
    };
    std::vector<Case> cases;
    const QString reasons[] = {
        u"it is a named pipe, not a regular file"_s,
        u"it is a link to a named pipe, not to a regular file"_s,
        u"it is larger than 256 MiB, far more than the program ever writes"_s,
        u"it is larger than 256 MiB, far more than the program ever writes"_s,
        u"it is a link to a socket, not to a regular file"_s,
    };
    int i = 0;
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        const QString path = dir + u"/odd"_s + QString::number(i);
        ASSERT_FALSE(testenv::makeOdd(kind, path).isEmpty()) << testenv::describe(kind);
        cases.push_back({QString::fromLatin1(testenv::describe(kind)), path, reasons[i]});
        ++i;
    }
    ASSERT_TRUE(QDir().mkpath(dir + u"/folder"_s));
    cases.push_back({u"a folder"_s, dir + u"/folder"_s, u"it is a folder, not a regular file"_s});
    ASSERT_TRUE(QFile::link(dir + u"/gone"_s, dir + u"/dangling"_s));
    cases.push_back({u"a link to nothing"_s, dir + u"/dangling"_s, u"it is a link to a file that does not exist"_s});
    ASSERT_TRUE(testenv::writeFile(dir + u"/locked"_s, "secret"));
    ASSERT_EQ(::chmod(QFile::encodeName(dir + u"/locked"_s).constData(), 0), 0);

    const testenv::Watchdog watchdog("reading files that are not regular files");
    for (const Case& c : cases) {
        QByteArray bytes = "left over";
        const OwnFileRead whole = platform::readOwnFile(c.path, &bytes);
        EXPECT_EQ(whole.outcome, OwnFileRead::Refused) << qPrintable(c.what);
        EXPECT_EQ(whole.reason, c.reason) << qPrintable(c.what);
        EXPECT_TRUE(bytes.isEmpty()) << qPrintable(c.what);

        OwnFileRead chunked;
        int pieces = 0;
        EXPECT_TRUE(readChunks(c.path, &chunked, &pieces).isEmpty()) << qPrintable(c.what);
        EXPECT_EQ(chunked.outcome, OwnFileRead::Refused) << qPrintable(c.what);
        EXPECT_EQ(pieces, 0) << qPrintable(c.what);

        // The check before an open tells the same.
        const OwnFileRead checked = platform::checkOwnFile(c.path);
        EXPECT_EQ(checked.outcome, OwnFileRead::Refused) << qPrintable(c.what);
        EXPECT_EQ(checked.reason, c.reason) << qPrintable(c.what);
    }

    // A file that cannot be opened says what the system says.
    {
        regtest::NoRootOverride asAnyUser;
        QByteArray bytes;
        const OwnFileRead locked = platform::readOwnFile(dir + u"/locked"_s, &bytes);
        EXPECT_EQ(locked.outcome, OwnFileRead::Refused);
        EXPECT_EQ(locked.reason, u"permission denied"_s);
    }
}

TEST(OwnFileTest, AppendsOnlyToRegularFilesAndLeavesEverythingElseAlone)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("ownfile-append"));
    ASSERT_TRUE(testenv::writeFile(dir + u"/list"_s, "C:\\a\r\n"));
    ASSERT_TRUE(QFile::link(dir + u"/list"_s, dir + u"/link"_s));

    EXPECT_TRUE(platform::appendOwnFile(dir + u"/new"_s, "C:\\b\r\n"));
    EXPECT_EQ(testenv::readFile(dir + u"/new"_s), "C:\\b\r\n");
    EXPECT_TRUE(platform::appendOwnFile(dir + u"/list"_s, "C:\\b\r\n"));
    EXPECT_TRUE(platform::appendOwnFile(dir + u"/link"_s, "C:\\c\r\n"));
    EXPECT_EQ(testenv::readFile(dir + u"/list"_s), "C:\\a\r\nC:\\b\r\nC:\\c\r\n");
    EXPECT_EQ(testenv::nodeType(dir + u"/link"_s), S_IFLNK);

    const testenv::Watchdog watchdog("appending to files that are not regular files");
    int i = 0;
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        const QString path = dir + u"/odd"_s + QString::number(i++);
        const QString target = testenv::makeOdd(kind, path);
        ASSERT_FALSE(target.isEmpty()) << testenv::describe(kind);
        const mode_t before = testenv::nodeType(target);
        const qint64 size = QFileInfo(target).size();
        EXPECT_FALSE(platform::appendOwnFile(path, "C:\\d\r\n")) << testenv::describe(kind);
        EXPECT_EQ(testenv::nodeType(target), before) << testenv::describe(kind);
        EXPECT_EQ(QFileInfo(target).size(), size) << testenv::describe(kind);
        EXPECT_EQ(testenv::nodeType(path), target == path ? before : S_IFLNK) << testenv::describe(kind);
    }
    ASSERT_TRUE(QFile::link(dir + u"/gone"_s, dir + u"/dangling"_s));
    EXPECT_FALSE(platform::appendOwnFile(dir + u"/dangling"_s, "C:\\d\r\n"));
    EXPECT_FALSE(QFile::exists(dir + u"/gone"_s));
}
