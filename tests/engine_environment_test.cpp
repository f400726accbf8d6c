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
using namespace Qt::StringLiterals;

namespace {

testenv::PrefixBuilder prefixRegistry()
{
    testenv::PrefixBuilder b;
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion"_s)
        .sz(u"SystemRoot"_s, u"C:\\windows"_s);
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList"_s)
        .expand(u"ProgramData"_s, u"%SystemDrive%\\ProgramData"_s)
        .expand(u"Public"_s, u"C:\\users\\Public"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion"_s)
        .sz(u"CommonFilesDir"_s, u"C:\\Program Files\\Common Files"_s)
        .sz(u"CommonFilesDir (x86)"_s, u"C:\\Program Files (x86)\\Common Files"_s)
        .sz(u"ProgramFilesDir"_s, u"C:\\Program Files"_s)
        .sz(u"ProgramFilesDir (x86)"_s, u"C:\\Program Files (x86)"_s);
    b.system(u"System\\CurrentControlSet\\Control\\Session Manager\\Environment"_s)
        .sz(u"BAR"_s, u"machine"_s)
        .expand(u"CHAIN"_s, u"%UNKNOWN%\\%SystemDrive%"_s)
        .sz(u"FOO"_s, u"machine"_s)
        .expand(u"LOOPA"_s, u"%LOOPB%a"_s)
        .expand(u"LOOPB"_s, u"%LOOPA%b"_s)
        .expand(u"PATH"_s, u"%SystemRoot%\\system32;%SystemRoot%;%PATH%"_s)
        .sz(u"ProgramData"_s, u"M:\\machine"_s)
        .sz(u"SystemRoot"_s, u"M:\\machine"_s)
        .expand(u"TEMP"_s, u"%SystemRoot%\\temp"_s)
        .expand(u"windir"_s, u"%SystemRoot%"_s);
    b.system(u"Software\\Run1"_s)
        .sz(u"a"_s, u"found.exe"_s);
    b.system(u"Software\\Run40"_s);
    for (int i = 0; i < 20; ++i)
        b.sz(u"f"_s + QString::number(i), u"found.exe"_s).sz(u"g"_s + QString::number(i), u"gone"_s + QString::number(i) + u".exe"_s);
    // The user's PATH names the PATH again and again.
    b.user(u"Environment"_s)
        .sz(u"BAR"_s, u"user"_s)
        .sz(u"FOO"_s, u"user"_s)
        .expand(u"PATH"_s, u"%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;C:\\tools"_s)
        .sz(u"PUBLIC"_s, u"U:\\user"_s)
        .sz(u"TEMP"_s, u"C:\\users\\me\\Temp"_s);
    b.user(u"Volatile Environment"_s)
        .sz(u"APPDATA"_s, u"C:\\users\\me\\AppData\\Roaming"_s)
        .sz(u"FOO"_s, u"vol"_s);
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
            b.file(QStringLiteral("drive_c/") + QString::fromLatin1(f));
        ASSERT_TRUE(b.drive(u"c:"_s, u"../drive_c"_s).write(dir));
        const platform::PrefixError e = platform::openPrefix(dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }
    static void TearDownTestSuite() { platform::closePrefix(); }

    // The real machine's answers, no pump, no display, no cancel.
    ProblemList list;
    const ScanContext ctx{list};

    static void setVolatile(const char* name, const char* value)
    {
        const platform::RegKey key = platform::RegKey::open(HKEY_CURRENT_USER, u"Volatile Environment"_s, KEY_SET_VALUE);
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
        EXPECT_EQ(PrefixEnvironmentVariable(QString::fromLatin1(c.name)).toStdString(), c.value) << c.name;
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
        ScanAppPathValue(ctx, HKEY_LOCAL_MACHINE, u"R"_s, u""_s, QString::fromLatin1(c.data), u"Application Paths"_s, u"K"_s);
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
        ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"Software\\Run1"_s, u"Startup Programs"_s, u"R"_s);
        // PATH, the SystemRoot it names and the ";" between two "%PATH%".
        perScan = environmentStats().variablesWorkedOut;
        EXPECT_EQ(perScan, 3);
        ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"Software\\Run40"_s, u"Startup Programs"_s, u"R"_s);
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
    EXPECT_EQ(reported.join(u" | "_s).toStdString(), expected.join(u" | "_s).toStdString());

    // The next scan works it out again.
    {
        const platform::LookupCacheScope scan;
        ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"Software\\Run1"_s, u"Startup Programs"_s, u"R"_s);
    }
    EXPECT_EQ(environmentStats().variablesWorkedOut, 2 * perScan);
}

TEST_F(PrefixEnvironment, KeptDuringAScanOnlyAndReadAfreshOutsideOne)
{
    setVolatile("FOO", "vol");
    EXPECT_EQ(PrefixEnvironmentVariable(u"FOO"_s), u"vol"_s);
    setVolatile("FOO", "changed");
    EXPECT_EQ(PrefixEnvironmentVariable(u"FOO"_s), u"changed"_s);
    {
        const platform::LookupCacheScope scan;
        EXPECT_EQ(PrefixEnvironmentVariable(u"FOO"_s), u"changed"_s);
        setVolatile("FOO", "during");
        EXPECT_EQ(PrefixEnvironmentVariable(u"FOO"_s), u"changed"_s);
    }
    EXPECT_EQ(PrefixEnvironmentVariable(u"FOO"_s), u"during"_s);
    setVolatile("FOO", "vol");
}

}  // namespace
