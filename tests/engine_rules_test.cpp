// The problem rules judged against a small fake machine: which path each
// value is looked for as, and the exact row it gives when that path is
// missing.
#include "engine/problemlist.h"
#include "engine/rules.h"
#include "engine/scanwalk.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace engine;

namespace {

// Windows paths that exist, compared without regard to case; a path ending in
// "\" exists when a file lies in that folder.
const QStringList kExisting = {
    "C:\\WINDOWS\\system32\\shell32.dll",
    "C:\\WINDOWS\\system32\\msiexec.exe",
    "C:\\WINDOWS\\regedit.exe",
    "C:\\WINDOWS\\Fonts\\cour.ttf",
    "C:\\Help\\present.hlp",
    "C:\\My.Apps\\good.exe",
    "C:\\Apps\\My App.exe",
    "C:\\Program Files\\App\\present.exe",
    "C:\\Program Files\\Common Files\\Sys\\present.dll",
    "C:\\Tools\\onpath.exe",
    "Z:\\usr\\share\\wine\\fonts\\coure.fon",
};

struct FakeMachine {
    QStringList lookups;
    RuleEnvironment environment;
    int pumps = 0;

    FakeMachine()
    {
        environment.fileExists = [this](const QString& path) {
            lookups << path;
            for (const QString& f : kExisting) {
                if (f.compare(path, Qt::CaseInsensitive) == 0)
                    return true;
                if (path.endsWith('\\') && f.startsWith(path, Qt::CaseInsensitive))
                    return true;
            }
            return false;
        };
        environment.systemDir = [] { return QStringLiteral("C:\\WINDOWS\\system32"); };
        environment.windowsDir = [] { return QStringLiteral("C:\\WINDOWS"); };
        environment.programFilesDir = [] { return QStringLiteral("C:\\Program Files"); };
        environment.commonFilesDir = [] { return QStringLiteral("C:\\Program Files\\Common Files"); };
        environment.drives = [] {
            using platform::DriveType;
            return std::vector<platform::DriveInfo>{{'A', DriveType::Removable, {}},
                                                    {'C', DriveType::Fixed, {}},
                                                    {'D', DriveType::CdRom, {}},
                                                    {'E', DriveType::Network, {}},
                                                    {'F', DriveType::RamDisk, {}},
                                                    {'Z', DriveType::Fixed, {}}};
        };
        environment.environmentVariable = [](const QString& name) {
            if (name.compare("windir", Qt::CaseInsensitive) == 0)
                return QStringLiteral("C:\\WINDOWS");
            if (name.compare("AppRoot", Qt::CaseInsensitive) == 0)
                return QStringLiteral("C:\\Program Files\\App");
            if (name.compare("ProgramFiles", Qt::CaseInsensitive) == 0)
                return QStringLiteral("C:\\Program Files");
            return QString();
        };
    }
};

class RulesTest : public ::testing::Test {
public:
    void SetUp() override { bCancelScan = false; }
    FakeMachine machine;
    ProblemList list;
    bool bCancelScan = false;
    const ScanContext ctx{list, &machine.environment, [this] { ++machine.pumps; }, {}, &bCancelScan};
};

using Rule = void (*)(const ScanContext&, HKEY, const QString&, const QString&, QString, const QString&, const QString&);

struct Expected {
    QString keyName;
    QString keyValue;
    bool yes;
};

struct Case {
    const char* what;
    Rule rule;
    QString valueName;
    QString data;
    std::vector<Expected> rows;
};

void runTable(RulesTest& t, FakeMachine& machine, const std::vector<Case>& cases)
{
    ProblemList& list = t.list;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.clear();
        machine.lookups.clear();
        c.rule(t.ctx, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", c.valueName, c.data, "Section", "Key\\Path");
        ASSERT_EQ(list.count(), static_cast<int>(c.rows.size())) << c.data.toStdString();
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const ProblemRow& r = list.row(static_cast<int>(i) + 1);
            EXPECT_EQ(r.MainKey, "-2147483646");
            EXPECT_EQ(r.KeyName, c.rows[i].keyName);
            EXPECT_EQ(r.KeyValue, c.rows[i].keyValue);
            EXPECT_EQ(r.RegistryScanners, "Section");
            EXPECT_EQ(r.FullKeyPath, "Key\\Path");
            EXPECT_EQ(r.mainkeyname, "HKEY_LOCAL_MACHINE");
            EXPECT_EQ(r.DefaultOrNot, c.rows[i].yes ? "Yes" : "");
            EXPECT_TRUE(r.Checked);
            // The row names exactly the text that was looked for.
            EXPECT_TRUE(machine.lookups.contains(r.KeyValue)) << r.KeyValue.toStdString();
        }
    }
}

}  // namespace

TEST_F(RulesTest, ActiveXObjects)
{
    const Rule r = &ScanActiveXValue;
    runTable(*this, machine, {
        {"placeholder, mixed case", r, "", "%SystemRoot%\\system32\\x.ocx", {{"(Default)", "C:\\WINDOWS\\system32\\x.ocx", false}}},
        {"placeholder, upper case", r, "v", "%SYSTEMROOT%\\system32\\x.ocx", {{"v", "C:\\WINDOWS\\system32\\x.ocx", false}}},
        {"placeholder, text in front dropped", r, "v", "junk%systemroot%\\y.dll", {{"v", "C:\\WINDOWS\\y.dll", false}}},
        {"program files", r, "v", "%ProgramFiles%\\App\\a.dll", {{"v", "C:\\Program Files\\App\\a.dll", false}}},
        {"common files", r, "v", "%CommonProgramFiles%\\Sys\\b.dll", {{"v", "C:\\Program Files\\Common Files\\Sys\\b.dll", false}}},
        {"common files present", r, "v", "%commonprogramfiles%\\Sys\\present.dll", {}},
        {"sysroot read as the Windows folder", r, "v", "%Sysroot%\\system32\\c.dll", {{"v", "C:\\WINDOWS\\system32\\c.dll", false}}},
        {"quotes stripped", r, "v", "\"C:\\Gone\\x.dll\"", {{"v", "C:\\Gone\\x.dll", false}}},
        {"bare name in system folder", r, "v", "comctl.ocx", {{"v", "C:\\WINDOWS\\system32\\comctl.ocx", true}}},
        {"bare name present", r, "v", "SHELL32.DLL", {}},
        {"bare name only in the Windows folder", r, "v", "regedit.exe", {}},
        {"leading dot", r, "v", ".ocx", {}},
        {"wrong extension", r, "v", "readme.txt", {}},
        {"extension ax", r, "v", "C:\\Gone\\f.ax", {{"v", "C:\\Gone\\f.ax", false}}},
        {"no dot", r, "v", "Both", {}},
        {"icon index", r, "v", "C:\\Gone\\y.dll,-101", {}},
        {"cd-rom", r, "v", "D:\\x.dll", {}},
        {"network", r, "v", "e:\\x.dll", {}},
        {"ram disk", r, "v", "F:\\x.dll", {}},
        {"no such drive", r, "v", "Q:\\x.dll", {}},
        {"no drive letter", r, "v", "\\x.dll", {}},
        {"fixed drive Z", r, "v", "Z:\\x.dll", {{"v", "Z:\\x.dll", false}}},
        {"blank name", r, "  ", "comctl.ocx", {{"(Default)", "C:\\WINDOWS\\system32\\comctl.ocx", true}}},
        {"blank name kept by the root placeholder", r, "  ", "%SystemRoot%\\x.ocx", {{"  ", "C:\\WINDOWS\\x.ocx", false}}},
        {"blank name in the common files branch", r, "  ", "%commonprogramfiles%\\x.ocx", {{"(Default)", "C:\\Program Files\\Common Files\\x.ocx", false}}},
        {"blank data", r, "v", "   ", {}},
    });
}

TEST_F(RulesTest, ActiveXProgIdsAreNoFileNames)
{
    const char* keys[] = {"CLSID\\{1}\\ProgID", "CLSID\\{1}\\versionindependentprogid"};
    for (const char* key : keys)
        ScanActiveXValue(ctx, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "", "WMPlayer.OCX", "Active X Objects", key);
    EXPECT_EQ(list.count(), 0);
    ScanActiveXValue(ctx, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "", "WMPlayer.OCX", "Active X Objects",
                     "CLSID\\{1}\\InprocServer32");
    EXPECT_EQ(list.count(), 1);
}

TEST_F(RulesTest, ApplicationPaths)
{
    const Rule r = &ScanAppPathValue;
    runTable(*this, machine, {
        {"full path on a fixed drive", r, "", "C:\\Apps\\app.exe", {{"(Default)", "C:\\Apps\\app.exe", false}}},
        {"full path on a cd-rom is looked for too", r, "", "D:\\app.exe", {{"(Default)", "D:\\app.exe", false}}},
        {"present", r, "", "\"C:\\Program Files\\App\\present.exe\"", {}},
        {"com", r, "", "C:\\x.com", {}},
        {"ax is not an application", r, "", "C:\\x.ax", {}},
        {"bare name", r, "", "tool.exe", {{"(Default)", "C:\\WINDOWS\\system32\\tool.exe", true}}},
        {"bare name with a leading dot", r, "", ".exe", {{"(Default)", "C:\\WINDOWS\\system32\\.exe", true}}},
        {"program files placeholder", r, "", "%programfiles%\\App\\gone.exe", {{"(Default)", "C:\\Program Files\\App\\gone.exe", false}}},
        {"sysroot is no placeholder here", r, "", "%Sysroot%\\a.exe", {{"(Default)", "%Sysroot%\\a.exe", false}}},
        {"path list", r, "Path", "C:\\Program Files\\App;", {}},
    });
}

TEST_F(RulesTest, Fonts)
{
    const Rule r = &ScanFontValue;
    runTable(*this, machine, {
        {"bare name", r, "Arial (TrueType)", "arial.ttf", {{"Arial (TrueType)", "C:\\WINDOWS\\Fonts\\arial.ttf", false}}},
        {"bare name present", r, "Courier", "COUR.TTF", {}},
        {"full path unchanged", r, "X", "Z:\\usr\\share\\fonts\\x.ttf", {{"X", "Z:\\usr\\share\\fonts\\x.ttf", false}}},
        {"empty", r, "X", "", {}},
        {"blanks are a name", r, "X", " ", {{"X", "C:\\WINDOWS\\Fonts\\ ", false}}},
    });
}

TEST_F(RulesTest, HelpFiles)
{
    const Rule r = &ScanHelpFileValue;
    runTable(*this, machine, {
        {"folder without backslash", r, "app.hlp", "C:\\Help", {{"app.hlp", "C:\\Help\\app.hlp", false}}},
        {"folder with backslash", r, "app.hlp", "C:\\Help\\", {{"app.hlp", "C:\\Help\\app.hlp", false}}},
        {"present", r, "present.hlp", "C:\\help", {}},
        {"blank folder: system folder", r, "app.hlp", "   ", {{"app.hlp", "C:\\WINDOWS\\system32\\app.hlp", true}}},
        {"empty folder", r, "app.hlp", "", {}},
        {"default value: a folder holding a file", r, "", "C:\\Help", {}},
        {"default value: an empty folder", r, "", "C:\\Empty", {{"(Default)", "C:\\Empty\\", false}}},
    });
}

TEST_F(RulesTest, SharedProgramFiles)
{
    const Rule r = &ScanSharedFileValue;
    runTable(*this, machine, {
        {"text before the drive letter", r, "p", "xx C:\\Shared\\x.dll", {{"p", "C:\\Shared\\x.dll", false}}},
        {"drive path first", r, "p", ":\\Shared\\x.dll", {{"p", ":\\Shared\\x.dll", false}}},
        {"a quote is kept at the end", r, "p", "\"C:\\Shared\\x.dll\"", {}},
        {"no extension", r, "p", "C:\\Shared.d\\readme", {}},
        {"two-letter extension", r, "p", "C:\\Shared\\a.js", {}},
        {"four-letter extension", r, "p", "C:\\Shared\\a.html", {}},
        {"no drive path", r, "p", "Shared\\x.dll", {}},
        {"wildcard", r, "p", "*.dll", {}},
        {"bare name", r, "p", "mfc.dll", {{"p", "C:\\WINDOWS\\system32\\mfc.dll", true}}},
        {"bare name present", r, "p", "shell32.dll", {}},
        {"no dot", r, "p", "C:\\Shared", {}},
    });
}

TEST_F(RulesTest, StartupCommandLines)
{
    const Rule r = &ScanCommandLineValue;
    runTable(*this, machine, {
        {"argument looked for", r, "a", "rundll32.exe shellx.dll,Control_RunDLL", {{"a", "C:\\WINDOWS\\system32\\shellx.dll", true}}},
        {"argument present", r, "a", "rundll32.exe shell32.dll,Control_RunDLL", {}},
        {"switch cut", r, "a", "C:\\Program Files\\App\\app.exe /min", {{"a", "C:\\Program Files\\App\\app.exe", false}}},
        {"two drive paths", r, "a", "C:\\Win\\rundll32.exe C:\\Tools\\x.dll,Run", {{"a", "C:\\Win\\rundll32.exe ", false}, {"a", "C:\\Tools\\x.dll", false}}},
        {"dotted folder, no file dot", r, "a", "C:\\Apps.old\\tool", {}},
        {"dash", r, "a", "app.exe -silent", {{"a", "C:\\WINDOWS\\system32\\app.exe", true}}},
        {"no dot", r, "a", "prog", {}},
        {"two dots", r, "a", "my.prog.exe", {}},
        {"short extension", r, "a", "setup.js", {}},
        {"dotted folder with a dash argument", r, "a", "C:\\My.Apps\\un.exe -u", {{"a", "C:\\My.Apps\\un.exe -u", false}}},
        {"dash argument cut", r, "a", "C:\\Apps\\un.exe -u", {{"a", "C:\\Apps\\un.exe", false}}},
        {"quoted with argument", r, "a", "\"C:\\Apps\\gone.exe\" /s", {{"a", "C:\\Apps\\gone.exe", false}}},
        {"blank name", r, " ", "gone.exe", {{"(Default)", "C:\\WINDOWS\\system32\\gone.exe", true}}},
        {"empty", r, "a", "  ", {}},
        // A present program is never reported, however the text rules cut it.
        {"present, dotted folder and argument", r, "a", "C:\\My.Apps\\good.exe -u", {}},
        {"present, blank in the file name", r, "a", "C:\\Apps\\My App.exe", {}},
        {"missing, blank in the file name", r, "a", "C:\\Apps\\Other App.exe", {{"a", "C:\\WINDOWS\\system32\\App.exe", true}}},
        {"present program, missing argument", r, "a", "C:\\My.Apps\\good.exe C:\\Data\\f.cfg", {{"a", "C:\\Data\\f.cfg", false}}},
        {"bare name found in the Windows folder", r, "a", "regedit.exe", {}},
    });
}

TEST_F(RulesTest, EnvironmentVariablesInPlainStrings)
{
    // A file named through a variable the reading program expands is not
    // reported when it exists; otherwise the row is the one the text rules give.
    runTable(*this, machine, {
        {"app path present", &ScanAppPathValue, "", "%windir%\\regedit.exe", {}},
        {"app path missing", &ScanAppPathValue, "", "%windir%\\gone.exe", {{"(Default)", "%windir%\\gone.exe", false}}},
        {"unknown variable", &ScanAppPathValue, "", "%NOPE%\\regedit.exe", {{"(Default)", "%NOPE%\\regedit.exe", false}}},
        {"font present", &ScanFontValue, "f", "%WINDIR%\\Fonts\\cour.ttf", {}},
        {"help present", &ScanHelpFileValue, "present.hlp", "%SystemDrive%\\Help", {{"present.hlp", "%SystemDrive%\\Help\\present.hlp", false}}},
        {"startup present with switch", &ScanCommandLineValue, "s", "%ProgramFiles%\\App\\present.exe /s", {}},
        {"startup present, quoted with a dash", &ScanCommandLineValue, "s", "\"%AppRoot%\\present.exe\" -x", {}},
        {"startup missing", &ScanCommandLineValue, "s", "%ProgramFiles%\\App\\gone.exe /s",
         {{"s", "C:\\WINDOWS\\system32\\%ProgramFiles%\\App\\gone.exe", true}}},
    });
}

// A bare name that Windows or Wine would still find (along the PATH, or a
// font Wine ships in its own folder) is not missing.
TEST_F(RulesTest, BareNamesFoundWhereTheSystemLooksForThem)
{
    const auto judge = [this](Rule rule, const QString& valueName, const QString& data) {
        list.clear();
        rule(ctx, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", valueName, data, "Section", "Key\\Path");
        return list.count();
    };
    const struct {
        Rule rule;
        const char* data;
    } onPath[] = {
        {&ScanCommandLineValue, "onpath.exe -q"},
        {&ScanActiveXValue, "onpath.exe"},
        {&ScanInstallPathValue, "onpath.exe,0"},
    };
    for (const auto& c : onPath)
        EXPECT_EQ(judge(c.rule, "v", c.data), 1) << c.data << ": no PATH known";
    machine.environment.environmentVariable = [](const QString& name) {
        return name == "PATH" ? QStringLiteral("C:\\WINDOWS\\system32;%Unset%\\bin;relative;\"C:\\Tools\";")
                              : QString();
    };
    for (const auto& c : onPath)
        EXPECT_EQ(judge(c.rule, "v", c.data), 0) << c.data;
    EXPECT_EQ(judge(&ScanCommandLineValue, "v", "offpath.exe"), 1);

    EXPECT_EQ(judge(&ScanFontValue, "Courier", "coure.fon"), 1) << "no Wine font folder known";
    machine.environment.wineFontFolders = [] { return QStringList{"Z:\\usr\\share\\wine\\fonts"}; };
    EXPECT_EQ(judge(&ScanFontValue, "Courier", "coure.fon"), 0);
    EXPECT_EQ(judge(&ScanFontValue, "MS Serif", "serife.fon"), 1);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.row(1).KeyValue, "C:\\WINDOWS\\Fonts\\serife.fon");
    EXPECT_EQ(judge(&ScanFontValue, "Courier", "C:\\gone\\coure.fon"), 1) << "a full path stays as written";
}

TEST_F(RulesTest, FileTypesByValueName)
{
    const Rule r = &ScanUninstallValue;
    runTable(*this, machine, {
        {"uninstall string, any case", r, "uninstallSTRING", "C:\\Apps\\un.exe /x", {{"uninstallSTRING", "C:\\Apps\\un.exe", false}}},
        {"uninstall path", r, "UninstallPath", "gone.exe", {{"UninstallPath", "C:\\WINDOWS\\system32\\gone.exe", true}}},
        {"name with a blank in front", r, " UninstallString", "C:\\Apps\\un.exe", {}},
        {"other name", r, "DisplayName", "C:\\Apps\\un.exe", {}},
        {"quiet: bare program", r, "QuietUninstallString", "MsiExecX.exe /X{1}", {{"QuietUninstallString", "C:\\WINDOWS\\system32\\MsiExecX.exe", true}}},
        {"quiet: present", r, "QuietUninstallString", "MsiExec.exe /X{1}", {}},
        {"quiet: one quoted full path", r, "QuietUninstallString", "\"C:\\Apps\\un.exe\" /S", {}},
        {"install source", r, "DisplayIcon", "C:\\Program Files\\App\\app.exe,0", {{"DisplayIcon", "C:\\Program Files\\App\\app.exe", false}}},
        {"install source, present", r, "InstallSource", "\"C:\\Program Files\\App\\present.exe\"", {}},
        {"web address", r, "ModifyPath", "http://example.invalid/setup.exe", {}},
        {"backslash without drive", r, "InstallSource", "\\Setup\\setup.msi", {}},
        {"bare install file", r, "ModifyPath", "setup.exe /m", {{"ModifyPath", "C:\\WINDOWS\\system32\\setup.exe", true}}},
    });
}

TEST_F(RulesTest, QuietUninstallLookups)
{
    // A single quoted full path with switches: nothing is looked for at all.
    ScanQuietUninstallValue(ctx, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Q", "\"C:\\Apps\\un.exe\" /S", "S", "K");
    EXPECT_TRUE(machine.lookups.isEmpty());
    // Two dots: the program word and the argument word, then the full path.
    ScanQuietUninstallValue(ctx, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Q", "run.exe C:\\x\\a.dat", "S", "K");
    EXPECT_EQ(machine.lookups.first(), "C:\\WINDOWS\\system32\\run.exe");
    EXPECT_TRUE(machine.lookups.contains("C:\\x\\a.dat"));
}

TEST_F(RulesTest, HistoryPaths)
{
    const Rule r = &ScanHistoryPathValue;
    runTable(*this, machine, {
        {"full path", r, "1", "\"C:\\Docs\\a.txt", {{"1", "C:\\Docs\\a.txt", false}}},
        {"bare name", r, "1", "a.txt", {{"1", "C:\\WINDOWS\\system32\\a.txt", true}}},
        {"no drive", r, "1", "Docs\\a.txt", {}},
        {"no dot", r, "1", "C:\\Docs", {}},
    });
}

TEST_F(RulesTest, RootHandlesAsSignedText)
{
    ScanFontValue(ctx, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "a", "C:\\x", "Fonts", "K");
    ScanFontValue(ctx, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "a", "C:\\x", "Fonts", "K");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.row(1).MainKey, "-2147483648");
    EXPECT_EQ(list.row(2).MainKey, "-2147483647");
}

TEST_F(RulesTest, FixedDriveByLetterWithPumpPerDrivePassed)
{
    struct {
        const char* path;
        bool fixed;
        int pumps;
    } const cases[] = {
        {"C:\\x", true, 1}, {"c:\\x", true, 1}, {"A:\\x", false, 0}, {"D:\\x", false, 2},
        {"E:\\x", false, 3}, {"Z:\\x", true, 5}, {"Q:\\x", false, 6}, {"\\x", false, 6},
        {"\"C:\\x", false, 6}, {"", false, 6},
    };
    for (const auto& c : cases) {
        machine.pumps = 0;
        EXPECT_EQ(IsOnFixedDrive(ctx, c.path), c.fixed) << c.path;
        EXPECT_EQ(machine.pumps, c.pumps) << c.path;
    }
}

TEST_F(RulesTest, DispatchBySectionNameExactly)
{
    struct {
        const char* section;
        const char* data;
        bool row;
    } const cases[] = {
        {"Fonts", "C:\\x.ttf", true},
        {"fonts", "C:\\x.ttf", false},
        {"Fonts ", "C:\\x.ttf", false},
        {"Active X Objects", "C:\\x.dll", true},
        {"Application Paths", "C:\\x.exe", true},
        {"Help Files", "C:\\h", true},
        {"Shared Program Files", "C:\\x.dll", true},
        {"Startup Programs", "C:\\x.exe", true},
        {"File Types", "C:\\x.exe", true},  // value name UninstallString below
        {"File paths and history list", "C:\\x.txt", true},
        {"None", "C:\\x.dll", false},
        {"Installed Sound Files", "C:\\x.dll", false},
    };
    for (const auto& c : cases) {
        list.clear();
        ScanValueBySection(ctx, c.data, c.section, "UninstallString", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "K");
        EXPECT_EQ(list.count(), c.row ? 1 : 0) << c.section;
        if (c.row) {
            EXPECT_EQ(list.row(1).RegistryScanners, c.section);
        }
    }
    // A cancel set before the rule runs keeps it from running.
    list.clear();
    bCancelScan = true;
    ScanValueBySection(ctx, "C:\\x.ttf", "Fonts", "a", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "K");
    EXPECT_EQ(list.count(), 0);
    bCancelScan = false;
}

TEST(ScanPathTest, Abbreviation)
{
    struct {
        const char* in;
        const char* out;
    } const cases[] = {
        {"", ""},
        {"HKEY_CLASSES_ROOT\\abc", "HKEY_CLASSES_ROOT\\abc"},  // 21 characters
        {"HKEY_CLASSES_ROOT\\CLSID", "HKEY_CLASSES_ROOT\\CLSID.....\\CLSID"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFT.....\\SOFTWARE"},
        {"C:\\WINDOWS\\system32\\drivers\\etc\\", "C:\\WINDOWS\\system32\\dri.....\\drivers\\etc\\"},
        {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstuvw....."},
        {"abcdefghijklmnopqrstuvwxy\\", "abcdefghijklmnopqrstuvw.....\\"},
        {"HKEY_CLASSES_ROOT\\CLSID\\{0000}\\InprocServer32",
         "HKEY_CLASSES_ROOT\\CLSID.....\\InprocServer32"},
    };
    QString shown;
    ProblemList list;
    const ScanContext ctx{list, nullptr, {}, [&shown](const QString& t) { shown = t; }};
    for (const auto& c : cases) {
        EXPECT_EQ(AbbreviateScanPath(c.in), c.out) << c.in;
        ctx.ShowScanPath(c.in);
        EXPECT_EQ(shown, c.out);
    }
}
