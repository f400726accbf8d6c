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

namespace {

testenv::PrefixBuilder filesRegistry()
{
    testenv::PrefixBuilder b;
    b.system("Software\\Microsoft\\Windows NT\\CurrentVersion")
        .sz("SystemRoot", "C:\\winroot\\");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion")
        .sz("CommonFilesDir", "  C:\\Program Files\\Common Files  ")
        .sz("ProgramFilesDir", "C:\\Program Files");
    b.system("Software\\Wine\\Drives")
        .sz("a:", "hd")
        .sz("C:", "HD")
        .sz("d:", "floppy")
        .sz("e:", "cdrom")
        .sz("z:", "Network");
    b.user("Software\\Wine")
        .sz("ShowDotFiles", "Yes");
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
