// Looking paths up on the prefix's drives as Windows (under Wine) would:
// attributes, errors, Dir with masks, find-first/next, short paths, drives.
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/winfile.h"
#include "tests/files_fixture.h"
#include "tests/support/seamguard.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include <cstring>

namespace {

using filesfixture::driveC;

class FilesLookup : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::attachDrives(filesfixture::prefix()); }
    static void TearDownTestSuite() { platform::detachDrives(); }
};

constexpr DWORD A = FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD H = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD S = FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD R = FILE_ATTRIBUTE_READONLY;
constexpr DWORD D = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD BAD = INVALID_FILE_ATTRIBUTES;

DWORD attributesOf(const QString& path)
{
    return GetFileAttributesA(platform::toAnsi(path).constData());
}

QStringList dirAll(const QString& pattern, int mask, int* error = nullptr)
{
    QStringList out;
    for (QString name = platform::Dir(pattern, mask, error); !name.isEmpty(); name = platform::DirNext())
        out.append(name);
    out.sort();
    return out;
}

TEST_F(FilesLookup, PathsFoundAsWindowsFindsThem)
{
    const struct {
        const char* path;
        DWORD attributes;
        DWORD error;  // when not found
    } cases[] = {
        {R"(C:\windows\system32\notepad.exe)", A, 0},
        {R"(c:\WINDOWS\SYSTEM32\NOTEPAD.EXE)", A, 0},
        {R"(C:/windows/system32/notepad.exe)", A, 0},
        {R"(C:\windows\\system32/\notepad.exe)", A, 0},
        {R"(C:\windows\.\system32\..\system32\notepad.exe)", A, 0},
        {R"(C:\..\windows\system32\notepad.exe)", A, 0},
        {R"(C:\windows\system32\notepad.exe   )", A, 0},
        {R"(C:\windows\system32\notepad.exe..)", A, 0},
        {R"(C:\windows\system32\notepad.exe. .)", A, 0},
        {R"(\\?\C:\windows\system32\notepad.exe)", A, 0},
        // A folder name before a separator loses one trailing dot, as in
        // Wine; its blanks stay.
        {R"(C:\windows.\system32\notepad.exe)", A, 0},
        {R"(C:\windows\system32.\)", D, 0},
        {R"(C:\dotted..\in.txt)", A, 0},
        {R"(C:\dotted.\in.txt)", BAD, ERROR_PATH_NOT_FOUND},
        {R"(C:\windows..\system32\notepad.exe)", BAD, ERROR_PATH_NOT_FOUND},
        {R"(C:\windows \system32\notepad.exe)", BAD, ERROR_PATH_NOT_FOUND},
        {R"(C:\windows\...\windows\system32\notepad.exe)", BAD, ERROR_PATH_NOT_FOUND},
        {R"(C:\PROG~FBU\LONG~1ZR.HTM)", A, 0},
        {R"(c:\prog~fbu\comm~cp1\SHARED.DLL)", A, 0},
        {R"(C:\PROGRA~1)", BAD, ERROR_FILE_NOT_FOUND},  // no "~1" names under Wine
        {R"(C:\windows)", D, 0},
        {R"(C:\windows\)", D, 0},
        {R"(C:\)", D, 0},
        {R"(E:\X.DLL)", A, 0},
        {R"(C:\dir\.hiddenfile)", A | H, 0},
        {R"(C:\dir\.hiddendir)", D | H, 0},
        {R"(C:\dir\hidden.txt)", A | H, 0},
        {R"(C:\dir\system.txt)", A | S, 0},
        {R"(C:\dir\hidsys.txt)", A | H | S, 0},
        {R"(C:\dir\archive.txt)", A, 0},
        {R"(C:\dir\readonly.txt)", A | R, 0},
        {R"(C:\dir\link.txt)", A, 0},
        {R"(C:\dir\broken.txt)", BAD, ERROR_FILE_NOT_FOUND},
        {R"(C:\dir\missing.txt)", BAD, ERROR_FILE_NOT_FOUND},
        {R"(C:\missing\x.txt)", BAD, ERROR_PATH_NOT_FOUND},
        {R"(C:\dir\normal.txt\)", BAD, ERROR_INVALID_NAME},
        {R"(C:\dir\normal.txt\x)", BAD, ERROR_FILE_NOT_FOUND},
        {R"(Q:\x.txt)", BAD, ERROR_PATH_NOT_FOUND},  // no such drive
        {R"(I:\windows)", BAD, ERROR_PATH_NOT_FOUND},  // upper-case link ignored
        {R"(D:\x.txt)", BAD, ERROR_NOT_READY},         // link dangles
        {R"(C:\dir\a<b)", BAD, ERROR_INVALID_NAME},
        {R"(C:\dir\a>b)", BAD, ERROR_INVALID_NAME},
        {R"(C:\dir\a|b)", BAD, ERROR_INVALID_NAME},
        {R"(C:\dir\"normal.txt")", BAD, ERROR_INVALID_NAME},
        {R"(C:\dir\a:b)", BAD, ERROR_INVALID_NAME},
        {"C:\\dir\\a\tb", BAD, ERROR_INVALID_NAME},
        {R"(C:\dir\*.txt)", BAD, ERROR_INVALID_NAME},
        {R"(\\server\share\x.txt)", BAD, 53},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.path), c.attributes) << c.path;
        if (c.attributes == BAD) {
            EXPECT_EQ(GetLastError(), c.error) << c.path;
        }
    }
}

TEST_F(FilesLookup, DotFilesAreShownWhenAsked)
{
    // Without a registry saying otherwise, dot-files are hidden (checked
    // above); the DOS attribute still hides a file without a dot.
    EXPECT_EQ(attributesOf(QStringLiteral(R"(C:\hiddenonly\.profile)")), A | H);
}

TEST_F(FilesLookup, ReadOnlyFolders)
{
    const QString dir = driveC() + QStringLiteral("/rofolder");
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(attributesOf(QStringLiteral(R"(C:\rofolder)")), D | R);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(dir).removeRecursively();
}

TEST_F(FilesLookup, DirAdmitsByMask)
{
    // A mask admits a file when the mask covers its hidden and system bits;
    // folders only with 16.
    const struct {
        const char* name;
        bool n0, h2, s4, hs6, d16, r1, a32;
    } cases[] = {
        {"normal.txt", true, true, true, true, true, true, true},
        {"readonly.txt", true, true, true, true, true, true, true},
        {"archive.txt", true, true, true, true, true, true, true},
        {"hidden.txt", false, true, false, true, false, false, false},
        {".hiddenfile", false, true, false, true, false, false, false},
        {"system.txt", false, false, true, true, false, false, false},
        {"hidsys.txt", false, false, false, true, false, false, false},
        {"sub", false, false, false, false, true, false, false},
        {".hiddendir", false, false, false, false, false, false, false},
        {"broken.txt", false, false, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        const QString path = QStringLiteral(R"(C:\dir\)") + QLatin1String(c.name);
        const bool expected[] = {c.n0, c.h2, c.s4, c.hs6, c.d16, c.r1, c.a32};
        const int masks[] = {0, 2, 4, 6, 16, 1, 32};
        for (int i = 0; i < 7; ++i) {
            int error = -1;
            const QString got = platform::Dir(path, masks[i], &error);
            EXPECT_EQ(error, 0);
            EXPECT_EQ(!got.isEmpty(), expected[i]) << c.name << " mask " << masks[i];
            if (!got.isEmpty()) {
                EXPECT_EQ(got, QLatin1String(c.name));
            }
        }
    }
    EXPECT_EQ(platform::Dir(QStringLiteral(R"(C:\dir\.hiddendir)"), 16 | 2), QStringLiteral(".hiddendir"));
}

TEST_F(FilesLookup, DirReturnsNamesAsOnDisk)
{
    EXPECT_EQ(platform::Dir(QStringLiteral(R"(C:\CASE\mixed.txt)"), 0), QStringLiteral("Mixed.TXT"));
    EXPECT_EQ(platform::Dir(QStringLiteral(R"(C:\PROG~FBU)"), 16), QStringLiteral("Program Files"));
    EXPECT_EQ(platform::Dir(QStringLiteral(R"(C:\case\A_B_~YUB.D)"), 0), QStringLiteral("a.b.c.d"));
    // A character the ANSI code page lacks comes back as "?".
    EXPECT_EQ(platform::Dir(QStringLiteral(R"(C:\dir\*nicode*)"), 0), QString::fromUtf8("\xc3\xbcnicode?.txt"));
}

TEST_F(FilesLookup, DirListsFoldersAndWildcards)
{
    const QStringList visible = {QStringLiteral("README"), QStringLiteral("archive.txt"), QStringLiteral("link.txt"),
                                 QStringLiteral("normal.txt"), QStringLiteral("readonly.txt"),
                                 QString::fromUtf8("\xc3\xbcnicode?.txt")};
    EXPECT_EQ(dirAll(QStringLiteral(R"(C:\dir\)"), 0), visible);
    EXPECT_EQ(dirAll(QStringLiteral(R"(C:\dir\*.*)"), 0), visible);
    EXPECT_EQ(dirAll(QStringLiteral(R"(c:\DIR\*.TXT)"), 0).size(), visible.size() - 1);
    EXPECT_EQ(dirAll(QStringLiteral(R"(C:\dir\n?rmal.txt)"), 0), QStringList{QStringLiteral("normal.txt")});
    EXPECT_EQ(dirAll(QStringLiteral(R"(C:\dir\*)"), 16 | 2 | 4).size(), 14);  // with ".", ".." and folders
    // The long name is listed when the mask matches its short name.
    EXPECT_EQ(dirAll(QStringLiteral(R"(C:\Program Files\*.htm)"), 0),
              QStringList{QStringLiteral("Long File Name.html")});
    EXPECT_TRUE(dirAll(QStringLiteral(R"(C:\empty\)"), 0).isEmpty());
    EXPECT_EQ(dirAll(QStringLiteral(R"(C:\empty\)"), 16), (QStringList{QStringLiteral("."), QStringLiteral("..")}));
    EXPECT_TRUE(dirAll(QStringLiteral(R"(C:\onlydirs\)"), 0).isEmpty());
    EXPECT_TRUE(dirAll(QStringLiteral(R"(C:\missing\*)"), 0).isEmpty());
    EXPECT_FALSE(dirAll(QStringLiteral(R"(C:\)"), 16).contains(QStringLiteral(".")));
}

TEST_F(FilesLookup, DirRaisesWhereThePathCannotBeChecked)
{
    const struct {
        const char* pattern;
        bool raises;
    } cases[] = {
        {R"(C:\dir\a<b.txt)", true},        {R"(C:\dir\"normal.txt")", true},
        {R"(C:\PROG*\*.htm)", true},        {R"(C:\dir?\x.txt)", true},
        {R"(\\server\share\x.dll)", true},  {R"(D:\x.dll)", true},
        {"C:\\dir\\x\x01.txt", true},       {R"(C:\dir\x:y.txt)", true},
        {R"(Q:\x.dll)", false},             {R"(C:\missing\x.dll)", false},
        {R"(C:\dir\missing.txt)", false},   {R"(C:\dir\*.none)", false},
    };
    for (const auto& c : cases) {
        int error = 0;
        EXPECT_TRUE(platform::Dir(QString::fromLatin1(c.pattern), 0, &error).isEmpty()) << c.pattern;
        EXPECT_EQ(error != 0, c.raises) << c.pattern;
    }
    int error = 0;
    platform::Dir(QStringLiteral("C:\\") + QString(300, QLatin1Char('x')), 0, &error);
    EXPECT_NE(error, 0) << "a path too long for the ANSI functions";
}

TEST_F(FilesLookup, OneListingForTheWholeProgram)
{
    const QString first = platform::Dir(QStringLiteral(R"(C:\dir\*.txt)"), 0);
    ASSERT_FALSE(first.isEmpty());
    // Any other listing ends the one under way.
    EXPECT_EQ(platform::Dir(QStringLiteral(R"(C:\windows\system32\notepad.exe)"), 0), QStringLiteral("notepad.exe"));
    EXPECT_TRUE(platform::DirNext().isEmpty());
    EXPECT_TRUE(platform::DirNext().isEmpty());
    platform::Dir(QStringLiteral(R"(C:\dir\*.txt)"), 0);
    platform::Dir(QStringLiteral(R"(C:\dir\missing.txt)"), 0);
    EXPECT_TRUE(platform::DirNext().isEmpty());
}

TEST_F(FilesLookup, RelativePathsStartAtTheProgramFolder)
{
    // Relative to the program folder, which the prefix layer gives; here it
    // is C:\dir.
    testenv::SeamGuard seam;
    seam.programFolder(driveC() + QStringLiteral("/dir"));
    EXPECT_EQ(attributesOf(QStringLiteral("normal.txt")), A);
    EXPECT_EQ(attributesOf(QStringLiteral(R"(..\windows\system32\notepad.exe)")), A);
    EXPECT_EQ(attributesOf(QStringLiteral(R"(\windows\system32\notepad.exe)")), A);
    EXPECT_EQ(attributesOf(QStringLiteral("C:normal.txt")), A);
    EXPECT_EQ(attributesOf(QStringLiteral("E:x.dll")), A);
}

TEST_F(FilesLookup, FindFirstAndNext)
{
    const auto listAll = [](const char* pattern, DWORD* error = nullptr) {
        QSet<QString> names;
        WIN32_FIND_DATAA data;
        const HANDLE h = FindFirstFileA(pattern, &data);
        if (h == INVALID_HANDLE_VALUE) {
            if (error)
                *error = GetLastError();
            return names;
        }
        do
            names.insert(platform::fromAnsi(data.cFileName, static_cast<int>(std::strlen(data.cFileName))));
        while (FindNextFileA(h, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(h));
        EXPECT_FALSE(FindClose(h));
        return names;
    };
    EXPECT_EQ(listAll(R"(C:\empty\*)"), (QSet<QString>{QStringLiteral("."), QStringLiteral("..")}));
    const auto all = listAll(R"(C:\dir\*)");
    EXPECT_EQ(all.size(), 14);  // every entry but the broken link, hidden and system ones included
    EXPECT_TRUE(all.contains(QStringLiteral("hidsys.txt")));
    EXPECT_FALSE(all.contains(QStringLiteral("broken.txt")));
    EXPECT_FALSE(listAll(R"(C:\*)").contains(QStringLiteral(".")));

    DWORD error = 0;
    EXPECT_TRUE(listAll(R"(C:\missing\*)", &error).isEmpty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(listAll(R"(C:\empty\*.txt)", &error).isEmpty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(listAll(R"(D:\*)", &error).isEmpty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_READY));

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(R"(C:\program files\long file name.HTML)", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Long File Name.html");
    EXPECT_STREQ(data.cAlternateFileName, "LONG~1ZR.HTM");
    FindClose(h);
    h = FindFirstFileA(R"(C:\windows\system32\notepad.exe)", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cAlternateFileName, "");
    EXPECT_EQ(data.nFileSizeLow, 1234u);
    EXPECT_EQ(data.dwFileAttributes, A);
    FindClose(h);
}

TEST_F(FilesLookup, ListingsLeaveOutThePrefixAndSystemFolders)
{
    const QStringList root = dirAll(QStringLiteral("Z:\\"), 16 | 2 | 4);
    EXPECT_TRUE(root.contains(QStringLiteral("usr")));
    for (const char* hidden : {"dev", "proc", "sys"})
        EXPECT_FALSE(root.contains(QLatin1String(hidden))) << hidden;
    // Looked up by name, they are still there.
    EXPECT_EQ(attributesOf(QStringLiteral(R"(Z:\proc)")) & D, D);

    const QString prefix = filesfixture::prefix();
    const QString parent = platform::toWindowsPath(prefix.left(prefix.lastIndexOf(QLatin1Char('/'))));
    const QString name = prefix.mid(prefix.lastIndexOf(QLatin1Char('/')) + 1);
    EXPECT_FALSE(dirAll(parent + QStringLiteral("\\*"), 16).contains(name));
    EXPECT_EQ(platform::Dir(parent + QLatin1Char('\\') + name, 16), name);
}

TEST_F(FilesLookup, ShortPaths)
{
    const struct {
        const char* path;
        const char* shortPath;  // nullptr: fails
    } cases[] = {
        {R"(C:\Program Files\Long File Name.html)", R"(C:\PROG~FBU\LONG~1ZR.HTM)"},
        {R"(c:\program files\common files\shared.dll)", R"(c:\PROG~FBU\COMM~CP1\shared.dll)"},
        {R"(C:\windows\system32\notepad.exe)", R"(C:\windows\system32\notepad.exe)"},
        {R"(C:\WINDOWS\SYSTEM32\)", R"(C:\WINDOWS\SYSTEM32\)"},
        {R"(C:\case\a.b.c.d)", R"(C:\case\A_B_~YUB.D)"},
        {R"(C:\dir\.hiddenfile)", R"(C:\dir\_HID~1N2)"},
        {R"(C:\windows\missing.exe)", nullptr},
        {R"(D:\x.dll)", nullptr},
    };
    for (const auto& c : cases) {
        char buffer[MAX_PATH] = {};
        const DWORD n = GetShortPathNameA(c.path, buffer, sizeof(buffer));
        if (c.shortPath) {
            EXPECT_EQ(n, std::strlen(c.shortPath)) << c.path;
            EXPECT_STREQ(buffer, c.shortPath) << c.path;
        } else {
            EXPECT_EQ(n, 0u) << c.path;
        }
    }
    // Too small a buffer: the size needed, NUL included, and nothing written.
    char small[8] = "unset";
    EXPECT_EQ(GetShortPathNameA(R"(C:\Program Files)", small, sizeof(small)), 12u);
    EXPECT_STREQ(small, "unset");
}

TEST_F(FilesLookup, DrivesAndTheWayBack)
{
    QString letters;
    for (const auto& d : platform::drives())
        letters.append(d.letter);
    EXPECT_EQ(letters, QStringLiteral("ACDEZ"));
    for (const auto& d : platform::drives()) {
        if (d.letter == QLatin1Char('A')) {
            EXPECT_EQ(d.type, platform::DriveType::Removable);
        }
        if (d.letter == QLatin1Char('D')) {
            EXPECT_EQ(d.type, platform::DriveType::Unknown) << "a root that is not there tells nothing";
        }
        if (d.letter == QLatin1Char('C')) {
            EXPECT_NE(d.type, platform::DriveType::Unknown);
        }
    }

    const QString prefix = filesfixture::prefix();
    EXPECT_EQ(platform::toWindowsPath(driveC() + QStringLiteral("/windows/system32")),
              QStringLiteral(R"(C:\windows\system32)"));
    EXPECT_EQ(platform::toWindowsPath(driveC()), QStringLiteral("C:\\"));
    EXPECT_EQ(platform::toWindowsPath(prefix + QStringLiteral("/dosdevices/c:/windows")),
              QStringLiteral(R"(C:\windows)"));
    EXPECT_EQ(platform::toWindowsPath(QStringLiteral("/usr/bin")), QStringLiteral(R"(Z:\usr\bin)"));
    EXPECT_EQ(platform::toWindowsPath(QStringLiteral("/")), QStringLiteral("Z:\\"));
    EXPECT_EQ(platform::toWindowsPath(prefix + QStringLiteral("/drive_e/x.dll")), QStringLiteral(R"(E:\x.dll)"));

    EXPECT_EQ(platform::toLinuxPath(QStringLiteral(R"(c:\WINDOWS\System32\NOTEPAD.exe)")),
              driveC() + QStringLiteral("/windows/system32/notepad.exe"));
    EXPECT_EQ(platform::toLinuxPath(QStringLiteral(R"(C:\PROG~FBU\)")), driveC() + QStringLiteral("/Program Files"));
    EXPECT_TRUE(platform::toLinuxPath(QStringLiteral(R"(C:\windows\nothing)")).isEmpty());
    EXPECT_TRUE(platform::toLinuxPath(QStringLiteral(R"(C:\dir\normal.txt\)")).isEmpty());
}

TEST_F(FilesLookup, SystemFoldersAndVolumes)
{
    // No registry open: the fresh prefix's defaults.
    char buffer[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof(buffer)), 10u);
    EXPECT_STREQ(buffer, R"(C:\windows)");
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof(buffer)), 19u);
    EXPECT_STREQ(buffer, R"(C:\windows\system32)");
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 10), 11u) << "size needed, NUL included";

    const DWORD n = GetTempPathA(sizeof(buffer), buffer);
    const QString expected = platform::toWindowsPath(QDir::tempPath()) + QLatin1Char('\\');
    EXPECT_EQ(QString::fromLatin1(buffer, static_cast<int>(n)), expected);
    EXPECT_TRUE(expected.startsWith(QLatin1String("Z:\\")));

    char volume[14];
    char fsName[32];
    DWORD serial = 0;
    DWORD maxLength = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetVolumeInformationA("C:\\", volume, 14, &serial, &maxLength, &flags, fsName, 32));
    EXPECT_STREQ(fsName, "NTFS");
    EXPECT_EQ(maxLength, 255u);
    EXPECT_TRUE(GetVolumeInformationA("z:/", volume, 14, &serial, &maxLength, &flags, fsName, 32));
    EXPECT_FALSE(GetVolumeInformationA("D:\\", volume, 14, &serial, &maxLength, &flags, fsName, 32));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_FALSE(GetVolumeInformationA("Q:\\", volume, 14, &serial, &maxLength, &flags, fsName, 32));
    EXPECT_FALSE(GetVolumeInformationA("\\\\s\\", volume, 14, &serial, &maxLength, &flags, fsName, 32));
    EXPECT_FALSE(GetVolumeInformationA("C:\\windows\\", volume, 14, &serial, &maxLength, &flags, fsName, 32));
}

TEST_F(FilesLookup, CacheScopeKeepsAnswersUntilItEnds)
{
    const QString late = driveC() + QStringLiteral("/case/Late.TXT");
    QFile::remove(late);
    const QString path = QStringLiteral(R"(C:\case\late.txt)");
    {
        platform::LookupCacheScope scope;
        EXPECT_EQ(attributesOf(QStringLiteral(R"(C:\CASE\MIXED.txt)")), A);
        EXPECT_EQ(attributesOf(path), BAD);
        testenv::writeFile(late, "x");
        {
            platform::LookupCacheScope inner;
        }
        // Still inside the outer scope: the folder as it was first read.
        EXPECT_EQ(attributesOf(path), BAD);
    }
    // Without a scope, every lookup sees the disk as it is now.
    EXPECT_EQ(attributesOf(path), A);
    QFile::remove(late);
    EXPECT_EQ(attributesOf(path), BAD);
}

TEST_F(FilesLookup, CachedAnswersEqualUncachedOnes)
{
    const char* paths[] = {
        R"(C:\windows\system32\notepad.exe)", R"(C:\WINDOWS\SYSTEM32\MSCOMCTL.ocx)", R"(C:\PROG~FBU\LONG~1ZR.HTM)",
        R"(C:\dir\hidsys.txt)",               R"(C:\dir\broken.txt)",               R"(C:\dir\missing.txt)",
        R"(C:\missing\x)",                    R"(C:\dir\.HIDDENFILE)",              R"(C:\)",
        R"(D:\x)",
    };
    std::vector<DWORD> uncached;
    for (const char* p : paths)
        uncached.push_back(GetFileAttributesA(p));
    platform::LookupCacheScope scope;
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < std::size(paths); ++i)
            EXPECT_EQ(GetFileAttributesA(paths[i]), uncached[i]) << paths[i] << " round " << round;
    }
}

}  // namespace
