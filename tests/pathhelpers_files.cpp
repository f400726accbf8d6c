// The existence test and the folders, over the hand-made prefix.
#include "engine/pathhelpers.h"
#include "platform/winfile.h"
#include "tests/files_fixture.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

class PathHelpersFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::attachDrives(filesfixture::prefix()); }
    static void TearDownTestSuite() { platform::detachDrives(); }
};

TEST_F(PathHelpersFiles, FileExists)
{
    const struct {
        const char* path;
        bool exists;
    } cases[] = {
        {R"(C:\windows\system32\notepad.exe)", true},
        {R"(C:\WINDOWS\SYSTEM32\NOTEPAD.EXE)", true},
        {R"(C:/Windows/System32/Notepad.exe)", true},
        {R"(C:\windows\system32\notepad.exe  )", true},
        {R"(C:\windows\system32\missing.dll)", false},
        {R"(C:\missing\missing.dll)", false},
        {R"(C:\PROG~FBU\LONG~1ZR.HTM)", true},
        {R"(C:\dir\hidden.txt)", true},
        {R"(C:\dir\.hiddenfile)", true},
        {R"(C:\dir\system.txt)", true},
        // Hidden and system at once: on disk, so never reported missing.
        {R"(C:\dir\hidsys.txt)", true},
        {R"(C:\dir\readonly.txt)", true},
        {R"(C:\dir\archive.txt)", true},
        {R"(C:\dir\link.txt)", true},
        {R"(C:\dir\broken.txt)", false},
        {R"(C:\windows.\system32\notepad.exe)", true},
        {R"(C:\dotted..\in.txt)", true},
        // "?" stands for a character the ANSI code page lacks, even one
        // outside the BMP; a folder part with "?" cannot be checked.
        {R"(C:\wide\x?.dll)", true},
        {R"(C:\wide\y?.dll)", false},
        {R"(C:\wid?\x.dll)", true},
        // A folder is not a file; a folder with a trailing backslash stands
        // for its files.
        {R"(C:\dir\sub)", false},
        {R"(C:\windows)", false},
        {R"(C:\dir\)", true},
        {R"(C:\dir\normal.txt\)", false},
        {R"(C:\empty\)", false},
        {R"(C:\onlydirs\)", false},
        {R"(C:\hiddenonly\)", true},
        {R"(C:\dir\*.txt)", true},
        {R"(C:\dir\*.none)", false},
        // Paths that cannot be checked count as existing.
        {R"(D:\x.dll)", true},
        {R"("C:\windows\system32\missing.dll")", true},
        {R"(C:\windows\system32\missing.dll" /s)", true},
        {R"(C:\dir\a<b.dll)", true},
        {R"(\\server\share\x.dll)", true},
        {R"(C:\*\x.dll)", true},
        // A drive letter without a link: not found.
        {R"(Q:\x.dll)", false},
        {R"(E:\x.dll)", true},
        {"", true},
        {"   ", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileExists(QString::fromLatin1(c.path)), c.exists) << c.path;
}

TEST_F(PathHelpersFiles, FileExistsEndsTheListingUnderWay)
{
    ASSERT_FALSE(platform::Dir(QStringLiteral(R"(C:\dir\*.txt)"), 0).isEmpty());
    FileExists(QStringLiteral(R"(C:\windows\system32\missing.dll)"));
    EXPECT_TRUE(platform::DirNext().isEmpty());
}

TEST_F(PathHelpersFiles, ShortPathAndFolders)
{
    EXPECT_EQ(GetShortPath(QStringLiteral(R"(C:\Program Files\Long File Name.html)")),
              QStringLiteral(R"(C:\PROG~FBU\LONG~1ZR.HTM)"));
    EXPECT_EQ(GetShortPath(QStringLiteral(R"(C:\Program Files\missing.html)")), QString());
    EXPECT_EQ(GetShortPath(QString()), QString());
    // No registry open: a fresh prefix's folders.
    EXPECT_EQ(GetWindowsDir(), QStringLiteral(R"(C:\windows)"));
    EXPECT_EQ(GetSystemDir(), QStringLiteral(R"(C:\windows\system32)"));
    EXPECT_EQ(GetProgramFilesDir(), QString());
    EXPECT_EQ(GetCommonFilesDir(), QString());
}

}  // namespace
