// The nine sections scanned over a real prefix made by wineboot, with entries
// planted by "wine reg add": every planted stale entry gives its exact row,
// no planted present entry gives one, and every other row (what a fresh
// prefix shows) names a file that is truly missing under the prefix.
#include "engine/problemlist.h"
#include "engine/scandriver.h"
#include "platform/prefix.h"
#include "platform/winfile.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <iostream>

using namespace engine;

namespace {

testenv::WinePrefix g_wine;

const QString kRun = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Planted {
    QString key;  // as reg.exe takes it
    QString name; // empty: the default value
    QString data;
    QString type = "REG_SZ";
};

std::vector<Planted> plantedEntries()
{
    const QString clsid = "HKLM\\Software\\Classes\\CLSID\\";
    const QString app = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    const QString vdd = "HKLM\\System\\CurrentControlSet\\Control\\VirtualDeviceDrivers";
    const QString help = "HKLM\\Software\\Microsoft\\Windows\\Help";
    const QString html = "HKLM\\Software\\Microsoft\\Windows\\HTML Help";
    const QString fonts = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const QString shared = "HKLM\\Software\\Microsoft\\Shared Tools\\VM";
    const QString server = "}\\InprocServer32";
    return {
        {clsid + "{vm-01" + server, "", "C:\\vm\\present.dll"},
        {clsid + "{vm-02" + server, "", "c:\\VM\\mixed.dll"},
        {clsid + "{vm-03" + server, "", "C:\\vm\\gone.dll"},
        {clsid + "{vm-04" + server, "", "\"C:\\vm\\gone4.ocx\""},
        {clsid + "{vm-05" + server, "", "%SYSTEMROOT%\\system32\\vmgone5.dll"},
        {clsid + "{vm-06" + server, "", "%programfiles%\\vm\\pf.dll"},
        {clsid + "{vm-07" + server, "", "vmbare.dll"},
        {clsid + "{vm-08" + server, "", "vmgone8.dll"},
        {clsid + "{vm-09" + server, "", "%SystemRoot%\\vmgone9.dll", "REG_EXPAND_SZ"},
        {clsid + "{vm-10" + server, "", testenv::WinePrefix::windowsPath(g_wine.path() + "/drive_c/vm/present.dll")},
        {clsid + "{vm-11" + server, "", "Z:\\nonexistent-vm\\gone11.dll"},
        {clsid + "{vm-12" + server, "", "C:\\vm\\present.dll  "},
        {clsid + "{vm-13" + server, "", "%CommonProgramFiles%\\vm\\cf.dll"},
        {clsid + "{vm-14" + server, "", "C:\\vm\\sub\\..\\present.dll"},
        {clsid + "{vm-15" + server, "", "C:\\vm/present.dll"},
        {clsid + "{vm-16}\\ProgID", "", "VmThing.OCX"},
        {clsid + "{vm-16}\\VersionIndependentProgID", "", "VmThing.Control.OCX"},
        {app + "vm1.exe", "", "C:\\vm\\app.exe"},
        {app + "vm2.exe", "", "C:\\vm\\gone2.exe"},
        {app + "vm3.exe", "", "\"C:\\vm\\gone3.exe\""},
        // Named through the folders Wine gives every process.
        {app + "vmenv1.exe", "", "%ProgramData%\\vm\\pd.exe"},
        {app + "vmenv2.exe", "", "%ALLUSERSPROFILE%\\vm\\pd.exe"},
        {app + "vmenv3.exe", "", "%PUBLIC%\\vm\\pub.exe"},
        {app + "vmenv4.exe", "", "%ProgramW6432%\\vm\\w64.exe"},
        {app + "vmenv5.exe", "", "%ProgramFiles(x86)%\\vm\\x86.exe"},
        {app + "vmenv6.exe", "", "%CommonProgramFiles(x86)%\\vm\\cx86.dll"},
        {app + "vmenv7.exe", "", "%CommonProgramW6432%\\vm\\cw64.dll"},
        {app + "vmenvg1.exe", "", "%ProgramData%\\vm\\gone.exe"},
        {app + "vmenvg2.exe", "", "%PUBLIC%\\vm\\gone.exe"},
        {app + "vmenvg3.exe", "", "%ProgramFiles(x86)%\\vm\\gone.exe"},
        {vdd, "UninstallString", "C:\\vm\\goneun.exe /x"},
        {vdd, "QuietUninstallString", "MsiExec.exe /X{1}"},
        {vdd, "DisplayIcon", "C:\\vm\\app.exe,0"},
        {vdd, "InstallSource", "C:\\vm\\gonesrc\\setup.exe"},
        {vdd, "ModifyPath", "vmgonemod.exe /m"},
        {help, "vmpresent.hlp", "C:\\vm\\help"},
        {help, "vmgone.hlp", "C:\\vm\\help\\"},
        {html, "vmgone.chm", "   "},
        {fonts, "VM Font", "vmfont.ttf"},
        {fonts, "VM Gone", "vmgone.ttf"},
        {fonts, "VM Full", "C:\\vm\\gonefont.ttf"},
        {shared, "Path", "C:\\vm\\shared\\present.dll"},
        {shared, "Gone", "C:\\vm\\shared\\gone.dll"},
        {shared, "Bare", "vmgone3.dll"},
        {shared, "Star", "*.dll"},
        {kRun, "vmA", "\"C:\\vm\\app.exe\" /min"},
        {kRun, "vmB", "C:\\vm\\goneB.exe /min"},
        {kRun, "vmC", "rundll32.exe vmgoneC.dll,Entry"},
        {kRun, "vmD", "C:\\windows\\system32\\rundll32.exe C:\\vm\\goneD.dll,Run"},
        {kRun, "vmE", "C:\\vm\\My.Dir\\tool.exe -u"},
        {kRun, "vmF", "C:\\VM\\APP.EXE"},
        {kRun, "vmG", "notepad.exe"},
        {kRun, "vmI", "%SystemRoot%\\vmgoneI.exe", "REG_EXPAND_SZ"},
        {kRun, "vmJ", "C:\\vm\\app.exe   "},
        {kRun, "vmK", "C:\\vm\\goneK.exe", "REG_MULTI_SZ"},
        {kRun, "vmL", "%SystemRoot%\\notepad.exe /x"},
        {kRun, "vmM", "%windir%\\vmgoneM.exe"},
        {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "vmU", "C:\\vm\\goneU.exe"},
    };
}

// The rows the planted entries must give, in scan order.
std::vector<QStringList> expectedRows()
{
    const QString hkcr = "-2147483648", hklm = "-2147483646", hkcu = "-2147483647";
    const QString run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    auto ax = [&](const char* n, const QString& v) {
        return QStringList{hkcr, "(Default)", v, "Active X Objects", QString("CLSID\\{vm-%1}\\InprocServer32").arg(n),
                           "HKEY_CLASSES_ROOT", ""};
    };
    QStringList ax8 = ax("08", "C:\\windows\\system32\\vmgone8.dll");
    ax8[6] = "Yes";
    const QString appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    const QString vdd = "SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers";
    return {
        ax("03", "C:\\vm\\gone.dll"),
        ax("04", "C:\\vm\\gone4.ocx"),
        ax("05", "C:\\windows\\system32\\vmgone5.dll"),
        ax8,
        ax("11", "Z:\\nonexistent-vm\\gone11.dll"),
        {hklm, "(Default)", "C:\\vm\\gone2.exe", "Application Paths", appPaths + "vm2.exe", "HKEY_LOCAL_MACHINE", ""},
        {hklm, "(Default)", "C:\\vm\\gone3.exe", "Application Paths", appPaths + "vm3.exe", "HKEY_LOCAL_MACHINE", ""},
        {hklm, "(Default)", "%ProgramData%\\vm\\gone.exe", "Application Paths", appPaths + "vmenvg1.exe",
         "HKEY_LOCAL_MACHINE", ""},
        {hklm, "(Default)", "%PUBLIC%\\vm\\gone.exe", "Application Paths", appPaths + "vmenvg2.exe",
         "HKEY_LOCAL_MACHINE", ""},
        {hklm, "(Default)", "%ProgramFiles(x86)%\\vm\\gone.exe", "Application Paths", appPaths + "vmenvg3.exe",
         "HKEY_LOCAL_MACHINE", ""},
        {hklm, "InstallSource", "C:\\vm\\gonesrc\\setup.exe", "File Types", vdd, "HKEY_LOCAL_MACHINE", ""},
        {hklm, "ModifyPath", "C:\\windows\\system32\\vmgonemod.exe", "File Types", vdd, "HKEY_LOCAL_MACHINE", "Yes"},
        {hklm, "UninstallString", "C:\\vm\\goneun.exe", "File Types", vdd, "HKEY_LOCAL_MACHINE", ""},
        {hklm, "vmgone.hlp", "C:\\vm\\help\\vmgone.hlp", "Help Files", "SOFTWARE\\Microsoft\\Windows\\Help",
         "HKEY_LOCAL_MACHINE", ""},
        {hklm, "vmgone.chm", "C:\\windows\\system32\\vmgone.chm", "Help Files",
         "SOFTWARE\\Microsoft\\Windows\\HTML Help", "HKEY_LOCAL_MACHINE", "Yes"},
        {hklm, "VM Full", "C:\\vm\\gonefont.ttf", "Fonts", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
         "HKEY_LOCAL_MACHINE", ""},
        {hklm, "VM Gone", "C:\\windows\\Fonts\\vmgone.ttf", "Fonts",
         "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "HKEY_LOCAL_MACHINE", ""},
        {hklm, "Bare", "C:\\windows\\system32\\vmgone3.dll", "Shared Program Files",
         "SOFTWARE\\Microsoft\\Shared Tools\\VM", "HKEY_LOCAL_MACHINE", "Yes"},
        {hklm, "Gone", "C:\\vm\\shared\\gone.dll", "Shared Program Files", "SOFTWARE\\Microsoft\\Shared Tools\\VM",
         "HKEY_LOCAL_MACHINE", ""},
        {hklm, "vmB", "C:\\vm\\goneB.exe", "Startup Programs", run, "HKEY_LOCAL_MACHINE", ""},
        {hklm, "vmC", "C:\\windows\\system32\\vmgoneC.dll", "Startup Programs", run, "HKEY_LOCAL_MACHINE", "Yes"},
        {hklm, "vmD", "C:\\vm\\goneD.dll", "Startup Programs", run, "HKEY_LOCAL_MACHINE", ""},
        {hklm, "vmK", "C:\\vm\\goneK.exe", "Startup Programs", run, "HKEY_LOCAL_MACHINE", ""},
        {hklm, "vmM", "C:\\windows\\system32\\%windir%\\vmgoneM.exe", "Startup Programs", run, "HKEY_LOCAL_MACHINE",
         "Yes"},
        {hkcu, "vmU", "C:\\vm\\goneU.exe", "Startup Programs", run, "HKEY_CURRENT_USER", ""},
    };
}

bool planted(const ProblemRow& r)
{
    return r.KeyName.startsWith("vm", Qt::CaseInsensitive) || r.FullKeyPath.contains("\\vm", Qt::CaseInsensitive)
        || r.FullKeyPath.contains("{vm-") || r.RegistryScanners == "File Types";
}

// An independent look at the prefix's files: case-insensitive, one segment
// at a time, C: under drive_c and Z: from "/".
bool trulyExists(const QString& windowsPath)
{
    QString rest = windowsPath;
    QString dir;
    if (rest.startsWith("C:\\", Qt::CaseInsensitive))
        dir = g_wine.path() + "/drive_c";
    else if (rest.startsWith("Z:\\", Qt::CaseInsensitive))
        dir = "/";
    else
        return false;
    const QStringList parts = rest.mid(3).split('\\', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QString match;
        for (const QString& e : entries)
            if (e.compare(part, Qt::CaseInsensitive) == 0)
                match = e;
        if (match.isEmpty())
            return false;
        dir = QDir(dir).filePath(match);
    }
    return QFileInfo(dir).isFile();
}

class WineScanTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        ASSERT_TRUE(g_wine.boot()) << "wineboot failed";
        for (const Planted& p : plantedEntries()) {
            EXPECT_TRUE(g_wine.regAdd(p.key, p.name, p.data, p.type).ok())
                << p.key.toStdString() << " " << p.name.toStdString();
        }
        ASSERT_TRUE(g_wine.stopServer());

        const QString c = g_wine.path() + "/drive_c";
        for (const char* f : {"vm/present.dll", "vm/Mixed.DLL", "vm/app.exe", "vm/My.Dir/tool.exe",
                              "vm/help/vmpresent.hlp", "vm/shared/present.dll", "windows/system32/vmbare.dll",
                              "Program Files/vm/pf.dll", "Program Files/Common Files/vm/cf.dll",
                              "windows/Fonts/vmfont.ttf", "ProgramData/vm/pd.exe", "users/Public/vm/pub.exe",
                              "Program Files/vm/w64.exe", "Program Files (x86)/vm/x86.exe",
                              "Program Files (x86)/Common Files/vm/cx86.dll", "Program Files/Common Files/vm/cw64.dll"})
            ASSERT_TRUE(testenv::writeFile(c + "/" + f, "x"));
        QDir().mkpath(c + "/vm/sub");

        const platform::PrefixError e = platform::openPrefix(g_wine.path());
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }

    static void TearDownTestSuite()
    {
        if (g_wine.path().isEmpty())
            return;
        platform::closePrefix();
        g_wine.stopServer();
    }

    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
    }
};

}  // namespace

TEST_F(WineScanTest, PlantedEntriesGiveExactlyTheirRowsAndFreshRowsAreTrulyMissing)
{
    ProblemList list;
    const ScanSummary result = scanAllSections(ScanContext{list});
    EXPECT_FALSE(result.cancelled);

    std::vector<QStringList> plantedRows;
    std::vector<QStringList> freshRows;
    for (const ProblemRow& r : list.rows())
        (planted(r) ? plantedRows : freshRows).push_back(r.fields());

    const std::vector<QStringList> expected = expectedRows();
    EXPECT_EQ(plantedRows.size(), expected.size());
    for (size_t i = 0; i < std::max(plantedRows.size(), expected.size()); ++i) {
        const QString got = i < plantedRows.size() ? plantedRows[i].join(" | ") : "(none)";
        const QString want = i < expected.size() ? expected[i].join(" | ") : "(none)";
        EXPECT_EQ(got.toStdString(), want.toStdString()) << "row " << i;
    }

    std::cout << "Rows of the fresh prefix: " << freshRows.size() << "\n";
    for (const QStringList& f : freshRows) {
        std::cout << "  " << f.join(" | ").toStdString() << "\n";
        EXPECT_FALSE(trulyExists(f.at(2))) << "reported but present: " << f.at(2).toStdString();
        EXPECT_FALSE(f.at(4).endsWith("ProgID", Qt::CaseInsensitive)) << f.at(4).toStdString();
        // Wine ships fonts such as coure.fon in its own folder and registers
        // them by bare name: those are on disk.
        if (f.at(3) == "Fonts") {
            const QString bare = f.at(2).mid(f.at(2).lastIndexOf('\\') + 1);
            for (const QString& folder : platform::wineFontFolders())
                EXPECT_FALSE(trulyExists(folder + "\\" + bare)) << "served by Wine: " << bare.toStdString();
        }
    }

    // Counters as the scanning page shows them.
    int counted = 0;
    for (const QString& c : result.counters)
        counted += c.toInt();
    EXPECT_EQ(QString::number(counted), result.problemsFound);
    EXPECT_EQ(result.counters[2], "0");
    EXPECT_EQ(result.counters[7], "0");
    std::cout << "Counters:";
    for (const QString& c : result.counters)
        std::cout << " " << c.toStdString();
    std::cout << "\n";
}
