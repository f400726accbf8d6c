// The environment variables of the prefix as Wine gives them to a program,
// over a small hand-made prefix: the folders Wine sets itself, which key wins,
// self-references, and the cost of a PATH that names itself many times.
//
// What `wine cmd /c set` showed in a fresh 64-bit prefix (wineboot -i):
//   ALLUSERSPROFILE=C:\ProgramData            ProgramData=C:\ProgramData
//   PUBLIC=C:\users\Public                    SystemDrive=C:   SystemRoot=C:\windows
//   ProgramFiles=C:\Program Files             ProgramFiles(x86)=C:\Program Files (x86)
//   ProgramW6432=C:\Program Files             CommonProgramFiles=C:\Program Files\Common Files
//   CommonProgramFiles(x86)=C:\Program Files (x86)\Common Files
//   CommonProgramW6432=C:\Program Files\Common Files
// with no ProgramW6432Dir or CommonW6432Dir in the registry. Values of those
// names put in the machine's or the user's Environment key did not change
// them; the volatile environment won over the user's key, the user's over
// the machine's, and PATH was the machine's followed by the user's.
#include "engine/environment.h"
#include "engine/problemlist.h"
#include "engine/rules.h"
#include "engine/scanwalk.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/winfile.h"
#include "platform/winreg.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>


using namespace engine;

namespace {

testenv::PrefixBuilder prefixRegistry()
{
    testenv::PrefixBuilder b;
    b.system("Software\\Microsoft\\Windows NT\\CurrentVersion")
        .sz("SystemRoot", "C:\\windows");
    b.system("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList")
        .expand("ProgramData", "%SystemDrive%\\ProgramData")
        .expand("Public", "C:\\users\\Public");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion")
        .sz("CommonFilesDir", "C:\\Program Files\\Common Files")
        .sz("CommonFilesDir (x86)", "C:\\Program Files (x86)\\Common Files")
        .sz("ProgramFilesDir", "C:\\Program Files")
        .sz("ProgramFilesDir (x86)", "C:\\Program Files (x86)");
    b.system("System\\CurrentControlSet\\Control\\Session Manager\\Environment")
        .sz("BAR", "machine")
        .expand("CHAIN", "%UNKNOWN%\\%SystemDrive%")
        .sz("FOO", "machine")
        .expand("LOOPA", "%LOOPB%a")
        .expand("LOOPB", "%LOOPA%b")
        .expand("PATH", "%SystemRoot%\\system32;%SystemRoot%;%PATH%")
        .sz("ProgramData", "M:\\machine")
        .sz("SystemRoot", "M:\\machine")
        .expand("TEMP", "%SystemRoot%\\temp")
        .expand("windir", "%SystemRoot%");
    b.system("Software\\Run1")
        .sz("a", "found.exe");
    b.system("Software\\Run40");
    for (int i = 0; i < 20; ++i)
        b.sz("f" + QString::number(i), "found.exe").sz("g" + QString::number(i), "gone" + QString::number(i) + ".exe");
    // The user's PATH names the PATH again and again.
    b.user("Environment")
        .sz("BAR", "user")
        .sz("FOO", "user")
        .expand("PATH", "%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;C:\\tools")
        .sz("PUBLIC", "U:\\user")
        .sz("TEMP", "C:\\users\\me\\Temp");
    b.user("Volatile Environment")
        .sz("APPDATA", "C:\\users\\me\\AppData\\Roaming")
        .sz("FOO", "vol");
    return b;
}

class PrefixEnvironment : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString dir = testenv::makeTempDir(QStringLiteral("environment"));
        testenv::PrefixBuilder b = prefixRegistry();
        for (const char* f : {"windows/system32/kernel32.dll", "ProgramData/App/present.exe", "users/Public/p.exe",
                              "Program Files/w.exe", "Program Files (x86)/x.exe",
                              "Program Files/Common Files/cw.dll", "Program Files (x86)/Common Files/cx.dll",
                              "tools/found.exe"})
            b.file(QStringLiteral("drive_c/") + f);
        ASSERT_TRUE(b.drive("c:", "../drive_c").write(dir));
        const platform::PrefixError e = platform::openPrefix(dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }
    static void TearDownTestSuite() { platform::closePrefix(); }

    // The real machine's answers, no pump, no display, no cancel.
    ProblemList list;
    const ScanContext ctx{list};

    static void setVolatile(const char* name, const char* value)
    {
        const platform::RegKey key = platform::RegKey::open(HKEY_CURRENT_USER, "Volatile Environment", KEY_SET_VALUE);
        ASSERT_TRUE(key.ok());
        ASSERT_EQ(RegSetValueExA(key.handle(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>(qstrlen(value) + 1)),
                  ERROR_SUCCESS);
    }
};

TEST_F(PrefixEnvironment, VariablesAsWineSetsThem)
{
    const struct {
        const char* name;
        const char* value;
    } cases[] = {
        // Wine's own, over the Environment keys.
        {"ProgramData", "C:\\ProgramData"},
        {"ALLUSERSPROFILE", "C:\\ProgramData"},
        {"PUBLIC", "C:\\users\\Public"},
        {"ProgramFiles", "C:\\Program Files"},
        {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
        {"ProgramW6432", "C:\\Program Files"},
        {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
        {"CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files"},
        {"CommonProgramW6432", "C:\\Program Files\\Common Files"},
        {"SystemRoot", "C:\\windows"},
        {"systemdrive", "C:"},
        // From the keys, expanded with Wine's values.
        {"windir", "C:\\windows"},
        {"TEMP", "C:\\users\\me\\Temp"},
        {"FOO", "vol"},
        {"BAR", "user"},
        {"APPDATA", "C:\\users\\me\\AppData\\Roaming"},
        {"PATH", "C:\\windows\\system32;C:\\windows;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;"
                 "C:\\tools"},
        // An unknown name stays as it stands; a loop ends.
        {"CHAIN", "%UNKNOWN%\\C:"},
        {"LOOPA", "%LOOPA%ba"},
        {"NOPE", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrefixEnvironmentVariable(c.name).toStdString(), c.value) << c.name;
    }
}

TEST_F(PrefixEnvironment, FilesNamedThroughWinesFoldersAreFound)
{
    const struct {
        const char* data;
        bool reported;
    } cases[] = {
        {"%ProgramData%\\App\\present.exe", false},
        {"%ALLUSERSPROFILE%\\App\\present.exe", false},
        {"%PUBLIC%\\p.exe", false},
        {"%ProgramW6432%\\w.exe", false},
        {"%ProgramFiles(x86)%\\x.exe", false},
        {"%CommonProgramFiles(x86)%\\cx.dll", false},
        {"%CommonProgramW6432%\\cw.dll", false},
        {"%ProgramData%\\App\\gone.exe", true},
        {"%ProgramFiles(x86)%\\gone.exe", true},
    };
    for (const auto& c : cases) {
        list.clear();
        ScanAppPathValue(ctx, HKEY_LOCAL_MACHINE, "R", "", c.data, "Application Paths", "K");
        ASSERT_EQ(list.count(), c.reported ? 1 : 0) << c.data;
        if (c.reported) {
            EXPECT_EQ(list.row(1).KeyValue, QString::fromLatin1(c.data));
        }
    }
}

TEST_F(PrefixEnvironment, APathThatNamesItselfIsWorkedOutOncePerScan)
{
    environmentStats() = {};
    long long perScan = 0;
    {
        const platform::LookupCacheScope scan;
        ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "Software\\Run1", "Startup Programs", "R");
        // PATH, the SystemRoot it names and the ";" between two "%PATH%".
        perScan = environmentStats().variablesWorkedOut;
        EXPECT_EQ(perScan, 3);
        ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "Software\\Run40", "Startup Programs", "R");
        EXPECT_EQ(environmentStats().variablesWorkedOut, perScan);
    }
    // Found along the PATH: only the twenty missing names are reported.
    QStringList reported;
    for (const ProblemRow& row : list.rows())
        reported << row.KeyValue;
    reported.sort();
    QStringList expected;
    for (int i = 0; i < 20; ++i)
        expected << QStringLiteral("C:\\windows\\system32\\gone%1.exe").arg(i);
    expected.sort();
    EXPECT_EQ(reported.join(" | ").toStdString(), expected.join(" | ").toStdString());

    // The next scan works it out again.
    {
        const platform::LookupCacheScope scan;
        ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "Software\\Run1", "Startup Programs", "R");
    }
    EXPECT_EQ(environmentStats().variablesWorkedOut, 2 * perScan);
}

TEST_F(PrefixEnvironment, KeptDuringAScanOnlyAndReadAfreshOutsideOne)
{
    setVolatile("FOO", "vol");
    EXPECT_EQ(PrefixEnvironmentVariable("FOO"), "vol");
    setVolatile("FOO", "changed");
    EXPECT_EQ(PrefixEnvironmentVariable("FOO"), "changed");
    {
        const platform::LookupCacheScope scan;
        EXPECT_EQ(PrefixEnvironmentVariable("FOO"), "changed");
        setVolatile("FOO", "during");
        EXPECT_EQ(PrefixEnvironmentVariable("FOO"), "changed");
    }
    EXPECT_EQ(PrefixEnvironmentVariable("FOO"), "during");
    setVolatile("FOO", "vol");
}

}  // namespace
