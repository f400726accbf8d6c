// The problem rules judged against a small fake machine: which path each
// value is looked for as, and the exact row it gives when that path is
// missing.
#include "engine/problemlist.h"
#include "engine/rules.h"
#include "engine/scanwalk.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace engine;
using namespace Qt::StringLiterals;

namespace {

// Windows paths that exist, compared without regard to case; a path ending in
// "\" exists when a file lies in that folder.
const QStringList kExisting = {
    u"C:\\WINDOWS\\system32\\shell32.dll"_s,
    u"C:\\WINDOWS\\system32\\msiexec.exe"_s,
    u"C:\\WINDOWS\\regedit.exe"_s,
    u"C:\\WINDOWS\\Fonts\\cour.ttf"_s,
    u"C:\\Help\\present.hlp"_s,
    u"C:\\My.Apps\\good.exe"_s,
    u"C:\\Apps\\My App.exe"_s,
    u"C:\\Program Files\\App\\present.exe"_s,
    u"C:\\Program Files\\Common Files\\Sys\\present.dll"_s,
    u"C:\\Tools\\onpath.exe"_s,
    u"Z:\\usr\\share\\wine\\fonts\\coure.fon"_s,
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
                if (path.endsWith(u'\\') && f.startsWith(path, Qt::CaseInsensitive))
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
            return std::vector<platform::DriveInfo>{{u'A', DriveType::Removable, {}},
                                                    {u'C', DriveType::Fixed, {}},
                                                    {u'D', DriveType::CdRom, {}},
                                                    {u'E', DriveType::Network, {}},
                                                    {u'F', DriveType::RamDisk, {}},
                                                    {u'Z', DriveType::Fixed, {}}};
        };
        environment.environmentVariable = [](const QString& name) {
            if (name.compare(u"windir"_s, Qt::CaseInsensitive) == 0)
                return QStringLiteral("C:\\WINDOWS");
            if (name.compare(u"AppRoot"_s, Qt::CaseInsensitive) == 0)
                return QStringLiteral("C:\\Program Files\\App");
            if (name.compare(u"ProgramFiles"_s, Qt::CaseInsensitive) == 0)
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
        c.rule(t.ctx, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"_s, c.valueName, c.data, u"Section"_s, u"Key\\Path"_s);
        ASSERT_EQ(list.count(), static_cast<int>(c.rows.size())) << c.data.toStdString();
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const ProblemRow& r = list.row(static_cast<int>(i) + 1);
            EXPECT_EQ(r.MainKey, u"-2147483646"_s);
            EXPECT_EQ(r.KeyName, c.rows[i].keyName);
            EXPECT_EQ(r.KeyValue, c.rows[i].keyValue);
            EXPECT_EQ(r.RegistryScanners, u"Section"_s);
            EXPECT_EQ(r.FullKeyPath, u"Key\\Path"_s);
            EXPECT_EQ(r.mainkeyname, u"HKEY_LOCAL_MACHINE"_s);
            EXPECT_EQ(r.DefaultOrNot, c.rows[i].yes ? u"Yes"_s : u""_s);
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
        {"placeholder, mixed case", r, u""_s, u"%SystemRoot%\\system32\\x.ocx"_s, {{u"(Default)"_s, u"C:\\WINDOWS\\system32\\x.ocx"_s, false}}},
        {"placeholder, upper case", r, u"v"_s, u"%SYSTEMROOT%\\system32\\x.ocx"_s, {{u"v"_s, u"C:\\WINDOWS\\system32\\x.ocx"_s, false}}},
        {"placeholder, text in front dropped", r, u"v"_s, u"junk%systemroot%\\y.dll"_s, {{u"v"_s, u"C:\\WINDOWS\\y.dll"_s, false}}},
        {"program files", r, u"v"_s, u"%ProgramFiles%\\App\\a.dll"_s, {{u"v"_s, u"C:\\Program Files\\App\\a.dll"_s, false}}},
        {"common files", r, u"v"_s, u"%CommonProgramFiles%\\Sys\\b.dll"_s, {{u"v"_s, u"C:\\Program Files\\Common Files\\Sys\\b.dll"_s, false}}},
        {"common files present", r, u"v"_s, u"%commonprogramfiles%\\Sys\\present.dll"_s, {}},
        {"sysroot read as the Windows folder", r, u"v"_s, u"%Sysroot%\\system32\\c.dll"_s, {{u"v"_s, u"C:\\WINDOWS\\system32\\c.dll"_s, false}}},
        {"quotes stripped", r, u"v"_s, u"\"C:\\Gone\\x.dll\""_s, {{u"v"_s, u"C:\\Gone\\x.dll"_s, false}}},
        {"bare name in system folder", r, u"v"_s, u"comctl.ocx"_s, {{u"v"_s, u"C:\\WINDOWS\\system32\\comctl.ocx"_s, true}}},
        {"bare name present", r, u"v"_s, u"SHELL32.DLL"_s, {}},
        {"bare name only in the Windows folder", r, u"v"_s, u"regedit.exe"_s, {}},
        {"leading dot", r, u"v"_s, u".ocx"_s, {}},
        {"wrong extension", r, u"v"_s, u"readme.txt"_s, {}},
        {"extension ax", r, u"v"_s, u"C:\\Gone\\f.ax"_s, {{u"v"_s, u"C:\\Gone\\f.ax"_s, false}}},
        {"no dot", r, u"v"_s, u"Both"_s, {}},
        {"icon index", r, u"v"_s, u"C:\\Gone\\y.dll,-101"_s, {}},
        {"cd-rom", r, u"v"_s, u"D:\\x.dll"_s, {}},
        {"network", r, u"v"_s, u"e:\\x.dll"_s, {}},
        {"ram disk", r, u"v"_s, u"F:\\x.dll"_s, {}},
        {"no such drive", r, u"v"_s, u"Q:\\x.dll"_s, {}},
        {"no drive letter", r, u"v"_s, u"\\x.dll"_s, {}},
        {"fixed drive Z", r, u"v"_s, u"Z:\\x.dll"_s, {{u"v"_s, u"Z:\\x.dll"_s, false}}},
        {"blank name", r, u"  "_s, u"comctl.ocx"_s, {{u"(Default)"_s, u"C:\\WINDOWS\\system32\\comctl.ocx"_s, true}}},
        {"blank name kept by the root placeholder", r, u"  "_s, u"%SystemRoot%\\x.ocx"_s, {{u"  "_s, u"C:\\WINDOWS\\x.ocx"_s, false}}},
        {"blank name in the common files branch", r, u"  "_s, u"%commonprogramfiles%\\x.ocx"_s, {{u"(Default)"_s, u"C:\\Program Files\\Common Files\\x.ocx"_s, false}}},
        {"blank data", r, u"v"_s, u"   "_s, {}},
    });
}

TEST_F(RulesTest, ActiveXProgIdsAreNoFileNames)
{
    const char* keys[] = {"CLSID\\{1}\\ProgID", "CLSID\\{1}\\versionindependentprogid"};
    for (const char* key : keys)
        ScanActiveXValue(ctx, HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"_s, u""_s, u"WMPlayer.OCX"_s, u"Active X Objects"_s, QString::fromLatin1(key));
    EXPECT_EQ(list.count(), 0);
    ScanActiveXValue(ctx, HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"_s, u""_s, u"WMPlayer.OCX"_s, u"Active X Objects"_s,
                     u"CLSID\\{1}\\InprocServer32"_s);
    EXPECT_EQ(list.count(), 1);
}

TEST_F(RulesTest, ApplicationPaths)
{
    const Rule r = &ScanAppPathValue;
    runTable(*this, machine, {
        {"full path on a fixed drive", r, u""_s, u"C:\\Apps\\app.exe"_s, {{u"(Default)"_s, u"C:\\Apps\\app.exe"_s, false}}},
        {"full path on a cd-rom is looked for too", r, u""_s, u"D:\\app.exe"_s, {{u"(Default)"_s, u"D:\\app.exe"_s, false}}},
        {"present", r, u""_s, u"\"C:\\Program Files\\App\\present.exe\""_s, {}},
        {"com", r, u""_s, u"C:\\x.com"_s, {}},
        {"ax is not an application", r, u""_s, u"C:\\x.ax"_s, {}},
        {"bare name", r, u""_s, u"tool.exe"_s, {{u"(Default)"_s, u"C:\\WINDOWS\\system32\\tool.exe"_s, true}}},
        {"bare name with a leading dot", r, u""_s, u".exe"_s, {{u"(Default)"_s, u"C:\\WINDOWS\\system32\\.exe"_s, true}}},
        {"program files placeholder", r, u""_s, u"%programfiles%\\App\\gone.exe"_s, {{u"(Default)"_s, u"C:\\Program Files\\App\\gone.exe"_s, false}}},
        {"sysroot is no placeholder here", r, u""_s, u"%Sysroot%\\a.exe"_s, {{u"(Default)"_s, u"%Sysroot%\\a.exe"_s, false}}},
        {"path list", r, u"Path"_s, u"C:\\Program Files\\App;"_s, {}},
    });
}

TEST_F(RulesTest, Fonts)
{
    const Rule r = &ScanFontValue;
    runTable(*this, machine, {
        {"bare name", r, u"Arial (TrueType)"_s, u"arial.ttf"_s, {{u"Arial (TrueType)"_s, u"C:\\WINDOWS\\Fonts\\arial.ttf"_s, false}}},
        {"bare name present", r, u"Courier"_s, u"COUR.TTF"_s, {}},
        {"full path unchanged", r, u"X"_s, u"Z:\\usr\\share\\fonts\\x.ttf"_s, {{u"X"_s, u"Z:\\usr\\share\\fonts\\x.ttf"_s, false}}},
        {"empty", r, u"X"_s, u""_s, {}},
        {"blanks are a name", r, u"X"_s, u" "_s, {{u"X"_s, u"C:\\WINDOWS\\Fonts\\ "_s, false}}},
    });
}

TEST_F(RulesTest, HelpFiles)
{
    const Rule r = &ScanHelpFileValue;
    runTable(*this, machine, {
        {"folder without backslash", r, u"app.hlp"_s, u"C:\\Help"_s, {{u"app.hlp"_s, u"C:\\Help\\app.hlp"_s, false}}},
        {"folder with backslash", r, u"app.hlp"_s, u"C:\\Help\\"_s, {{u"app.hlp"_s, u"C:\\Help\\app.hlp"_s, false}}},
        {"present", r, u"present.hlp"_s, u"C:\\help"_s, {}},
        {"blank folder: system folder", r, u"app.hlp"_s, u"   "_s, {{u"app.hlp"_s, u"C:\\WINDOWS\\system32\\app.hlp"_s, true}}},
        {"empty folder", r, u"app.hlp"_s, u""_s, {}},
        {"default value: a folder holding a file", r, u""_s, u"C:\\Help"_s, {}},
        {"default value: an empty folder", r, u""_s, u"C:\\Empty"_s, {{u"(Default)"_s, u"C:\\Empty\\"_s, false}}},
    });
}

TEST_F(RulesTest, SharedProgramFiles)
{
    const Rule r = &ScanSharedFileValue;
    runTable(*this, machine, {
        {"text before the drive letter", r, u"p"_s, u"xx C:\\Shared\\x.dll"_s, {{u"p"_s, u"C:\\Shared\\x.dll"_s, false}}},
        {"drive path first", r, u"p"_s, u":\\Shared\\x.dll"_s, {{u"p"_s, u":\\Shared\\x.dll"_s, false}}},
        {"a quote is kept at the end", r, u"p"_s, u"\"C:\\Shared\\x.dll\""_s, {}},
        {"no extension", r, u"p"_s, u"C:\\Shared.d\\readme"_s, {}},
        {"two-letter extension", r, u"p"_s, u"C:\\Shared\\a.js"_s, {}},
        {"four-letter extension", r, u"p"_s, u"C:\\Shared\\a.html"_s, {}},
        {"no drive path", r, u"p"_s, u"Shared\\x.dll"_s, {}},
        {"wildcard", r, u"p"_s, u"*.dll"_s, {}},
        {"bare name", r, u"p"_s, u"mfc.dll"_s, {{u"p"_s, u"C:\\WINDOWS\\system32\\mfc.dll"_s, true}}},
        {"bare name present", r, u"p"_s, u"shell32.dll"_s, {}},
        {"no dot", r, u"p"_s, u"C:\\Shared"_s, {}},
    });
}

TEST_F(RulesTest, StartupCommandLines)
{
    const Rule r = &ScanCommandLineValue;
    runTable(*this, machine, {
        {"argument looked for", r, u"a"_s, u"rundll32.exe shellx.dll,Control_RunDLL"_s, {{u"a"_s, u"C:\\WINDOWS\\system32\\shellx.dll"_s, true}}},
        {"argument present", r, u"a"_s, u"rundll32.exe shell32.dll,Control_RunDLL"_s, {}},
        {"switch cut", r, u"a"_s, u"C:\\Program Files\\App\\app.exe /min"_s, {{u"a"_s, u"C:\\Program Files\\App\\app.exe"_s, false}}},
        {"two drive paths", r, u"a"_s, u"C:\\Win\\rundll32.exe C:\\Tools\\x.dll,Run"_s, {{u"a"_s, u"C:\\Win\\rundll32.exe "_s, false}, {u"a"_s, u"C:\\Tools\\x.dll"_s, false}}},
        {"dotted folder, no file dot", r, u"a"_s, u"C:\\Apps.old\\tool"_s, {}},
        {"dash", r, u"a"_s, u"app.exe -silent"_s, {{u"a"_s, u"C:\\WINDOWS\\system32\\app.exe"_s, true}}},
        {"no dot", r, u"a"_s, u"prog"_s, {}},
        {"two dots", r, u"a"_s, u"my.prog.exe"_s, {}},
        {"short extension", r, u"a"_s, u"setup.js"_s, {}},
        {"dotted folder with a dash argument", r, u"a"_s, u"C:\\My.Apps\\un.exe -u"_s, {{u"a"_s, u"C:\\My.Apps\\un.exe -u"_s, false}}},
        {"dash argument cut", r, u"a"_s, u"C:\\Apps\\un.exe -u"_s, {{u"a"_s, u"C:\\Apps\\un.exe"_s, false}}},
        {"quoted with argument", r, u"a"_s, u"\"C:\\Apps\\gone.exe\" /s"_s, {{u"a"_s, u"C:\\Apps\\gone.exe"_s, false}}},
        {"blank name", r, u" "_s, u"gone.exe"_s, {{u"(Default)"_s, u"C:\\WINDOWS\\system32\\gone.exe"_s, true}}},
        {"empty", r, u"a"_s, u"  "_s, {}},
        // A present program is never reported, however the text rules cut it.
        {"present, dotted folder and argument", r, u"a"_s, u"C:\\My.Apps\\good.exe -u"_s, {}},
        {"present, blank in the file name", r, u"a"_s, u"C:\\Apps\\My App.exe"_s, {}},
        {"missing, blank in the file name", r, u"a"_s, u"C:\\Apps\\Other App.exe"_s, {{u"a"_s, u"C:\\WINDOWS\\system32\\App.exe"_s, true}}},
        {"present program, missing argument", r, u"a"_s, u"C:\\My.Apps\\good.exe C:\\Data\\f.cfg"_s, {{u"a"_s, u"C:\\Data\\f.cfg"_s, false}}},
        {"bare name found in the Windows folder", r, u"a"_s, u"regedit.exe"_s, {}},
    });
}

TEST_F(RulesTest, EnvironmentVariablesInPlainStrings)
{
    // A file named through a variable the reading program expands is not
    // reported when it exists; otherwise the row is the one the text rules give.
    runTable(*this, machine, {
        {"app path present", &ScanAppPathValue, u""_s, u"%windir%\\regedit.exe"_s, {}},
        {"app path missing", &ScanAppPathValue, u""_s, u"%windir%\\gone.exe"_s, {{u"(Default)"_s, u"%windir%\\gone.exe"_s, false}}},
        {"unknown variable", &ScanAppPathValue, u""_s, u"%NOPE%\\regedit.exe"_s, {{u"(Default)"_s, u"%NOPE%\\regedit.exe"_s, false}}},
        {"font present", &ScanFontValue, u"f"_s, u"%WINDIR%\\Fonts\\cour.ttf"_s, {}},
        {"help present", &ScanHelpFileValue, u"present.hlp"_s, u"%SystemDrive%\\Help"_s, {{u"present.hlp"_s, u"%SystemDrive%\\Help\\present.hlp"_s, false}}},
        {"startup present with switch", &ScanCommandLineValue, u"s"_s, u"%ProgramFiles%\\App\\present.exe /s"_s, {}},
        {"startup present, quoted with a dash", &ScanCommandLineValue, u"s"_s, u"\"%AppRoot%\\present.exe\" -x"_s, {}},
        {"startup missing", &ScanCommandLineValue, u"s"_s, u"%ProgramFiles%\\App\\gone.exe /s"_s,
         {{u"s"_s, u"C:\\WINDOWS\\system32\\%ProgramFiles%\\App\\gone.exe"_s, true}}},
    });
}

// A bare name that Windows or Wine would still find (along the PATH, or a
// font Wine ships in its own folder) is not missing.
TEST_F(RulesTest, BareNamesFoundWhereTheSystemLooksForThem)
{
    const auto judge = [this](Rule rule, const QString& valueName, const QString& data) {
        list.clear();
        rule(ctx, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"_s, valueName, data, u"Section"_s, u"Key\\Path"_s);
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
        EXPECT_EQ(judge(c.rule, u"v"_s, QString::fromLatin1(c.data)), 1) << c.data << ": no PATH known";
    machine.environment.environmentVariable = [](const QString& name) {
        return name == u"PATH"_s ? QStringLiteral("C:\\WINDOWS\\system32;%Unset%\\bin;relative;\"C:\\Tools\";")
                              : QString();
    };
    for (const auto& c : onPath)
        EXPECT_EQ(judge(c.rule, u"v"_s, QString::fromLatin1(c.data)), 0) << c.data;
    EXPECT_EQ(judge(&ScanCommandLineValue, u"v"_s, u"offpath.exe"_s), 1);

    EXPECT_EQ(judge(&ScanFontValue, u"Courier"_s, u"coure.fon"_s), 1) << "no Wine font folder known";
    machine.environment.wineFontFolders = [] { return QStringList{u"Z:\\usr\\share\\wine\\fonts"_s}; };
    EXPECT_EQ(judge(&ScanFontValue, u"Courier"_s, u"coure.fon"_s), 0);
    EXPECT_EQ(judge(&ScanFontValue, u"MS Serif"_s, u"serife.fon"_s), 1);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.row(1).KeyValue, u"C:\\WINDOWS\\Fonts\\serife.fon"_s);
    EXPECT_EQ(judge(&ScanFontValue, u"Courier"_s, u"C:\\gone\\coure.fon"_s), 1) << "a full path stays as written";
}

TEST_F(RulesTest, FileTypesByValueName)
{
    const Rule r = &ScanUninstallValue;
    runTable(*this, machine, {
        {"uninstall string, any case", r, u"uninstallSTRING"_s, u"C:\\Apps\\un.exe /x"_s, {{u"uninstallSTRING"_s, u"C:\\Apps\\un.exe"_s, false}}},
        {"uninstall path", r, u"UninstallPath"_s, u"gone.exe"_s, {{u"UninstallPath"_s, u"C:\\WINDOWS\\system32\\gone.exe"_s, true}}},
        {"name with a blank in front", r, u" UninstallString"_s, u"C:\\Apps\\un.exe"_s, {}},
        {"other name", r, u"DisplayName"_s, u"C:\\Apps\\un.exe"_s, {}},
        {"quiet: bare program", r, u"QuietUninstallString"_s, u"MsiExecX.exe /X{1}"_s, {{u"QuietUninstallString"_s, u"C:\\WINDOWS\\system32\\MsiExecX.exe"_s, true}}},
        {"quiet: present", r, u"QuietUninstallString"_s, u"MsiExec.exe /X{1}"_s, {}},
        {"quiet: one quoted full path", r, u"QuietUninstallString"_s, u"\"C:\\Apps\\un.exe\" /S"_s, {}},
        {"install source", r, u"DisplayIcon"_s, u"C:\\Program Files\\App\\app.exe,0"_s, {{u"DisplayIcon"_s, u"C:\\Program Files\\App\\app.exe"_s, false}}},
        {"install source, present", r, u"InstallSource"_s, u"\"C:\\Program Files\\App\\present.exe\""_s, {}},
        {"web address", r, u"ModifyPath"_s, u"http://example.invalid/setup.exe"_s, {}},
        {"backslash without drive", r, u"InstallSource"_s, u"\\Setup\\setup.msi"_s, {}},
        {"bare install file", r, u"ModifyPath"_s, u"setup.exe /m"_s, {{u"ModifyPath"_s, u"C:\\WINDOWS\\system32\\setup.exe"_s, true}}},
    });
}

TEST_F(RulesTest, QuietUninstallLookups)
{
    // A single quoted full path with switches: nothing is looked for at all.
    ScanQuietUninstallValue(ctx, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"_s, u"Q"_s, u"\"C:\\Apps\\un.exe\" /S"_s, u"S"_s, u"K"_s);
    EXPECT_TRUE(machine.lookups.isEmpty());
    // Two dots: the program word and the argument word, then the full path.
    ScanQuietUninstallValue(ctx, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"_s, u"Q"_s, u"run.exe C:\\x\\a.dat"_s, u"S"_s, u"K"_s);
    EXPECT_EQ(machine.lookups.first(), u"C:\\WINDOWS\\system32\\run.exe"_s);
    EXPECT_TRUE(machine.lookups.contains(u"C:\\x\\a.dat"_s));
}

TEST_F(RulesTest, HistoryPaths)
{
    const Rule r = &ScanHistoryPathValue;
    runTable(*this, machine, {
        {"full path", r, u"1"_s, u"\"C:\\Docs\\a.txt"_s, {{u"1"_s, u"C:\\Docs\\a.txt"_s, false}}},
        {"bare name", r, u"1"_s, u"a.txt"_s, {{u"1"_s, u"C:\\WINDOWS\\system32\\a.txt"_s, true}}},
        {"no drive", r, u"1"_s, u"Docs\\a.txt"_s, {}},
        {"no dot", r, u"1"_s, u"C:\\Docs"_s, {}},
    });
}

TEST_F(RulesTest, RootHandlesAsSignedText)
{
    ScanFontValue(ctx, HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"_s, u"a"_s, u"C:\\x"_s, u"Fonts"_s, u"K"_s);
    ScanFontValue(ctx, HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"_s, u"a"_s, u"C:\\x"_s, u"Fonts"_s, u"K"_s);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.row(1).MainKey, u"-2147483648"_s);
    EXPECT_EQ(list.row(2).MainKey, u"-2147483647"_s);
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
        EXPECT_EQ(IsOnFixedDrive(ctx, QString::fromLatin1(c.path)), c.fixed) << c.path;
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
        ScanValueBySection(ctx, QString::fromLatin1(c.data), QString::fromLatin1(c.section), u"UninstallString"_s, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"_s, u"K"_s);
        EXPECT_EQ(list.count(), c.row ? 1 : 0) << c.section;
        if (c.row) {
            EXPECT_EQ(list.row(1).RegistryScanners, QString::fromLatin1(c.section));
        }
    }
    // A cancel set before the rule runs keeps it from running.
    list.clear();
    bCancelScan = true;
    ScanValueBySection(ctx, u"C:\\x.ttf"_s, u"Fonts"_s, u"a"_s, HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"_s, u"K"_s);
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
        EXPECT_EQ(AbbreviateScanPath(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
        ctx.ShowScanPath(QString::fromLatin1(c.in));
        EXPECT_EQ(shown, QString::fromLatin1(c.out));
    }
}
