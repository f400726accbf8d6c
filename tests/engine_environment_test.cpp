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
#include "engine/scanstate.h"
#include "engine/scanwalk.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/winfile.h"
#include "platform/winreg.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace engine;

namespace {

QByteArray systemReg()
{
    QByteArray s = R"reg(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Microsoft\\Windows NT\\CurrentVersion] 1700000000
"SystemRoot"="C:\\windows"

[Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList] 1700000000
"ProgramData"=str(2):"%SystemDrive%\\ProgramData"
"Public"=str(2):"C:\\users\\Public"

[Software\\Microsoft\\Windows\\CurrentVersion] 1700000000
"CommonFilesDir"="C:\\Program Files\\Common Files"
"CommonFilesDir (x86)"="C:\\Program Files (x86)\\Common Files"
"ProgramFilesDir"="C:\\Program Files"
"ProgramFilesDir (x86)"="C:\\Program Files (x86)"

[System\\CurrentControlSet\\Control\\Session Manager\\Environment] 1700000000
"BAR"="machine"
"CHAIN"=str(2):"%UNKNOWN%\\%SystemDrive%"
"FOO"="machine"
"LOOPA"=str(2):"%LOOPB%a"
"LOOPB"=str(2):"%LOOPA%b"
"PATH"=str(2):"%SystemRoot%\\system32;%SystemRoot%;%PATH%"
"ProgramData"="M:\\machine"
"SystemRoot"="M:\\machine"
"TEMP"=str(2):"%SystemRoot%\\temp"
"windir"=str(2):"%SystemRoot%"

[Software\\Run1] 1700000000
"a"="found.exe"
)reg";
    s += "\n[Software\\\\Run40] 1700000000\n";
    for (int i = 0; i < 20; ++i) {
        s += "\"f" + QByteArray::number(i) + "\"=\"found.exe\"\n";
        s += "\"g" + QByteArray::number(i) + "\"=\"gone" + QByteArray::number(i) + ".exe\"\n";
    }
    return s;
}

// The user's PATH names the PATH again and again.
const char kUserReg[] = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Environment] 1700000000
"BAR"="user"
"FOO"="user"
"PATH"=str(2):"%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;%PATH%;C:\\tools"
"PUBLIC"="U:\\user"
"TEMP"="C:\\users\\me\\Temp"

[Volatile Environment] 1700000000
"APPDATA"="C:\\users\\me\\AppData\\Roaming"
"FOO"="vol"
)";

class PrefixEnvironment : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString dir = testenv::makeTempDir(QStringLiteral("environment"));
        ASSERT_TRUE(testenv::writeFile(dir + "/system.reg", systemReg()));
        ASSERT_TRUE(testenv::writeFile(dir + "/user.reg", kUserReg));
        const QString c = dir + "/drive_c";
        for (const char* f : {"windows/system32/kernel32.dll", "ProgramData/App/present.exe", "users/Public/p.exe",
                              "Program Files/w.exe", "Program Files (x86)/x.exe",
                              "Program Files/Common Files/cw.dll", "Program Files (x86)/Common Files/cx.dll",
                              "tools/found.exe"})
            ASSERT_TRUE(testenv::writeFile(c + "/" + f, "x"));
        QDir().mkpath(dir + "/dosdevices");
        QFile::link("../drive_c", dir + "/dosdevices/c:");
        const platform::PrefixError e = platform::openPrefix(dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }
    static void TearDownTestSuite() { platform::closePrefix(); }

    void SetUp() override { bCancelScan = false; }

    // The real machine's answers, no pump, no display.
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
