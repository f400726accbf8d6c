// What the files layer reads from the prefix's registry: the Windows folder,
// drive types, whether dot-files are shown, Program Files and Common Files.
#include "engine/pathhelpers.h"
#include "platform/prefix.h"
#include "platform/winfile.h"
#include "tests/files_fixture.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <map>

using namespace Qt::StringLiterals;

namespace {

testenv::PrefixBuilder filesRegistry()
{
    testenv::PrefixBuilder b;
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion"_s)
        .sz(u"SystemRoot"_s, u"C:\\winroot\\"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion"_s)
        .sz(u"CommonFilesDir"_s, u"  C:\\Program Files\\Common Files  "_s)
        .sz(u"ProgramFilesDir"_s, u"C:\\Program Files"_s);
    b.system(u"Software\\Wine\\Drives"_s)
        .sz(u"a:"_s, u"hd"_s)
        .sz(u"C:"_s, u"HD"_s)
        .sz(u"d:"_s, u"floppy"_s)
        .sz(u"e:"_s, u"cdrom"_s)
        .sz(u"z:"_s, u"Network"_s);
    b.user(u"Software\\Wine"_s)
        .sz(u"ShowDotFiles"_s, u"Yes"_s);
    return b;
}

class FilesRegistry : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString prefix = filesfixture::prefix();
        ASSERT_TRUE(filesRegistry().write(prefix));
        testenv::writeFile(filesfixture::driveC() + QStringLiteral("/winroot/system32/kernel32.dll"), "x");
        const auto opened = platform::openPrefix(prefix);
        ASSERT_TRUE(opened.ok) << opened.message.toStdString();
    }
    static void TearDownTestSuite() { platform::closePrefix(); }
};

TEST_F(FilesRegistry, WindowsFolderFromSystemRoot)
{
    EXPECT_EQ(engine::GetWindowsDir(), QStringLiteral(R"(C:\winroot)"));
    EXPECT_EQ(engine::GetSystemDir(), QStringLiteral(R"(C:\winroot\system32)"));
    EXPECT_TRUE(engine::FileExists(engine::GetSystemDir() + QStringLiteral(R"(\KERNEL32.DLL)")));
}

TEST_F(FilesRegistry, DriveTypesFromTheRegistryFirst)
{
    std::map<char, platform::DriveType> types;
    for (const auto& d : platform::drives())
        types[static_cast<char>(d.letter.unicode())] = d.type;
    EXPECT_EQ(types['A'], platform::DriveType::Fixed);
    EXPECT_EQ(types['C'], platform::DriveType::Fixed);
    EXPECT_EQ(types['D'], platform::DriveType::Removable);
    EXPECT_EQ(types['E'], platform::DriveType::CdRom);
    EXPECT_EQ(types['Z'], platform::DriveType::Network);
    platform::LookupCacheScope scope;
    EXPECT_EQ(platform::drives().size(), 5u);
    EXPECT_EQ(platform::drives()[2].type, platform::DriveType::Removable);
}

TEST_F(FilesRegistry, DotFilesShownWhenTheUserSaysSo)
{
    EXPECT_EQ(GetFileAttributesA(R"(C:\dir\.hiddenfile)"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    // The DOS attribute still hides.
    EXPECT_EQ(GetFileAttributesA(R"(C:\dir\hidden.txt)"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(platform::Dir(QStringLiteral(R"(C:\dir\.hiddenfile)"), 0), QStringLiteral(".hiddenfile"));
}

TEST_F(FilesRegistry, ProgramAndCommonFilesTrimmed)
{
    EXPECT_EQ(engine::GetProgramFilesDir(), QStringLiteral(R"(C:\Program Files)"));
    EXPECT_EQ(engine::GetCommonFilesDir(), QStringLiteral(R"(C:\Program Files\Common Files)"));
}

}  // namespace
