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
using namespace Qt::StringLiterals;

namespace {

testenv::WinePrefix g_wine;

const QString kRun = u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s;

struct Planted {
    QString key;  // as reg.exe takes it
    QString name; // empty: the default value
    QString data;
    QString type = u"REG_SZ"_s;
};

std::vector<Planted> plantedEntries()
{
    const QString clsid = u"HKLM\\Software\\Classes\\CLSID\\"_s;
    const QString app = u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"_s;
    const QString vdd = u"HKLM\\System\\CurrentControlSet\\Control\\VirtualDeviceDrivers"_s;
    const QString help = u"HKLM\\Software\\Microsoft\\Windows\\Help"_s;
    const QString html = u"HKLM\\Software\\Microsoft\\Windows\\HTML Help"_s;
    const QString fonts = u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"_s;
    const QString shared = u"HKLM\\Software\\Microsoft\\Shared Tools\\VM"_s;
    const QString server = u"}\\InprocServer32"_s;
    return {
        {clsid + u"{vm-01"_s + server, u""_s, u"C:\\vm\\present.dll"_s},
        {clsid + u"{vm-02"_s + server, u""_s, u"c:\\VM\\mixed.dll"_s},
        {clsid + u"{vm-03"_s + server, u""_s, u"C:\\vm\\gone.dll"_s},
        {clsid + u"{vm-04"_s + server, u""_s, u"\"C:\\vm\\gone4.ocx\""_s},
        {clsid + u"{vm-05"_s + server, u""_s, u"%SYSTEMROOT%\\system32\\vmgone5.dll"_s},
        {clsid + u"{vm-06"_s + server, u""_s, u"%programfiles%\\vm\\pf.dll"_s},
        {clsid + u"{vm-07"_s + server, u""_s, u"vmbare.dll"_s},
        {clsid + u"{vm-08"_s + server, u""_s, u"vmgone8.dll"_s},
        {clsid + u"{vm-09"_s + server, u""_s, u"%SystemRoot%\\vmgone9.dll"_s, u"REG_EXPAND_SZ"_s},
        {clsid + u"{vm-10"_s + server, u""_s, testenv::WinePrefix::windowsPath(g_wine.path() + u"/drive_c/vm/present.dll"_s)},
        {clsid + u"{vm-11"_s + server, u""_s, u"Z:\\nonexistent-vm\\gone11.dll"_s},
        {clsid + u"{vm-12"_s + server, u""_s, u"C:\\vm\\present.dll  "_s},
        {clsid + u"{vm-13"_s + server, u""_s, u"%CommonProgramFiles%\\vm\\cf.dll"_s},
        {clsid + u"{vm-14"_s + server, u""_s, u"C:\\vm\\sub\\..\\present.dll"_s},
        {clsid + u"{vm-15"_s + server, u""_s, u"C:\\vm/present.dll"_s},
        {clsid + u"{vm-16}\\ProgID"_s, u""_s, u"VmThing.OCX"_s},
        {clsid + u"{vm-16}\\VersionIndependentProgID"_s, u""_s, u"VmThing.Control.OCX"_s},
        {app + u"vm1.exe"_s, u""_s, u"C:\\vm\\app.exe"_s},
        {app + u"vm2.exe"_s, u""_s, u"C:\\vm\\gone2.exe"_s},
        {app + u"vm3.exe"_s, u""_s, u"\"C:\\vm\\gone3.exe\""_s},
        // Named through the folders Wine gives every process.
        {app + u"vmenv1.exe"_s, u""_s, u"%ProgramData%\\vm\\pd.exe"_s},
        {app + u"vmenv2.exe"_s, u""_s, u"%ALLUSERSPROFILE%\\vm\\pd.exe"_s},
        {app + u"vmenv3.exe"_s, u""_s, u"%PUBLIC%\\vm\\pub.exe"_s},
        {app + u"vmenv4.exe"_s, u""_s, u"%ProgramW6432%\\vm\\w64.exe"_s},
        {app + u"vmenv5.exe"_s, u""_s, u"%ProgramFiles(x86)%\\vm\\x86.exe"_s},
        {app + u"vmenv6.exe"_s, u""_s, u"%CommonProgramFiles(x86)%\\vm\\cx86.dll"_s},
        {app + u"vmenv7.exe"_s, u""_s, u"%CommonProgramW6432%\\vm\\cw64.dll"_s},
        {app + u"vmenvg1.exe"_s, u""_s, u"%ProgramData%\\vm\\gone.exe"_s},
        {app + u"vmenvg2.exe"_s, u""_s, u"%PUBLIC%\\vm\\gone.exe"_s},
        {app + u"vmenvg3.exe"_s, u""_s, u"%ProgramFiles(x86)%\\vm\\gone.exe"_s},
        {vdd, u"UninstallString"_s, u"C:\\vm\\goneun.exe /x"_s},
        {vdd, u"QuietUninstallString"_s, u"MsiExec.exe /X{1}"_s},
        {vdd, u"DisplayIcon"_s, u"C:\\vm\\app.exe,0"_s},
        {vdd, u"InstallSource"_s, u"C:\\vm\\gonesrc\\setup.exe"_s},
        {vdd, u"ModifyPath"_s, u"vmgonemod.exe /m"_s},
        {help, u"vmpresent.hlp"_s, u"C:\\vm\\help"_s},
        {help, u"vmgone.hlp"_s, u"C:\\vm\\help\\"_s},
        {html, u"vmgone.chm"_s, u"   "_s},
        {fonts, u"VM Font"_s, u"vmfont.ttf"_s},
        {fonts, u"VM Gone"_s, u"vmgone.ttf"_s},
        {fonts, u"VM Full"_s, u"C:\\vm\\gonefont.ttf"_s},
        {shared, u"Path"_s, u"C:\\vm\\shared\\present.dll"_s},
        {shared, u"Gone"_s, u"C:\\vm\\shared\\gone.dll"_s},
        {shared, u"Bare"_s, u"vmgone3.dll"_s},
        {shared, u"Star"_s, u"*.dll"_s},
        {kRun, u"vmA"_s, u"\"C:\\vm\\app.exe\" /min"_s},
        {kRun, u"vmB"_s, u"C:\\vm\\goneB.exe /min"_s},
        {kRun, u"vmC"_s, u"rundll32.exe vmgoneC.dll,Entry"_s},
        {kRun, u"vmD"_s, u"C:\\windows\\system32\\rundll32.exe C:\\vm\\goneD.dll,Run"_s},
        {kRun, u"vmE"_s, u"C:\\vm\\My.Dir\\tool.exe -u"_s},
        {kRun, u"vmF"_s, u"C:\\VM\\APP.EXE"_s},
        {kRun, u"vmG"_s, u"notepad.exe"_s},
        {kRun, u"vmI"_s, u"%SystemRoot%\\vmgoneI.exe"_s, u"REG_EXPAND_SZ"_s},
        {kRun, u"vmJ"_s, u"C:\\vm\\app.exe   "_s},
        {kRun, u"vmK"_s, u"C:\\vm\\goneK.exe"_s, u"REG_MULTI_SZ"_s},
        {kRun, u"vmL"_s, u"%SystemRoot%\\notepad.exe /x"_s},
        {kRun, u"vmM"_s, u"%windir%\\vmgoneM.exe"_s},
        {u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s, u"vmU"_s, u"C:\\vm\\goneU.exe"_s},
    };
}

// The rows the planted entries must give, in scan order.
std::vector<QStringList> expectedRows()
{
    const QString hkcr = u"-2147483648"_s, hklm = u"-2147483646"_s, hkcu = u"-2147483647"_s;
    const QString run = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"_s;
    auto ax = [&](const char* n, const QString& v) {
        return QStringList{hkcr, u"(Default)"_s, v, u"Active X Objects"_s, u"CLSID\\{vm-%1}\\InprocServer32"_s.arg(QString::fromLatin1(n)),
                           u"HKEY_CLASSES_ROOT"_s, u""_s};
    };
    QStringList ax8 = ax("08", u"C:\\windows\\system32\\vmgone8.dll"_s);
    ax8[6] = u"Yes"_s;
    const QString appPaths = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"_s;
    const QString vdd = u"SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers"_s;
    return {
        ax("03", u"C:\\vm\\gone.dll"_s),
        ax("04", u"C:\\vm\\gone4.ocx"_s),
        ax("05", u"C:\\windows\\system32\\vmgone5.dll"_s),
        ax8,
        ax("11", u"Z:\\nonexistent-vm\\gone11.dll"_s),
        {hklm, u"(Default)"_s, u"C:\\vm\\gone2.exe"_s, u"Application Paths"_s, appPaths + u"vm2.exe"_s, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"(Default)"_s, u"C:\\vm\\gone3.exe"_s, u"Application Paths"_s, appPaths + u"vm3.exe"_s, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"(Default)"_s, u"%ProgramData%\\vm\\gone.exe"_s, u"Application Paths"_s, appPaths + u"vmenvg1.exe"_s,
         u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"(Default)"_s, u"%PUBLIC%\\vm\\gone.exe"_s, u"Application Paths"_s, appPaths + u"vmenvg2.exe"_s,
         u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"(Default)"_s, u"%ProgramFiles(x86)%\\vm\\gone.exe"_s, u"Application Paths"_s, appPaths + u"vmenvg3.exe"_s,
         u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"InstallSource"_s, u"C:\\vm\\gonesrc\\setup.exe"_s, u"File Types"_s, vdd, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"ModifyPath"_s, u"C:\\windows\\system32\\vmgonemod.exe"_s, u"File Types"_s, vdd, u"HKEY_LOCAL_MACHINE"_s, u"Yes"_s},
        {hklm, u"UninstallString"_s, u"C:\\vm\\goneun.exe"_s, u"File Types"_s, vdd, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"vmgone.hlp"_s, u"C:\\vm\\help\\vmgone.hlp"_s, u"Help Files"_s, u"SOFTWARE\\Microsoft\\Windows\\Help"_s,
         u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"vmgone.chm"_s, u"C:\\windows\\system32\\vmgone.chm"_s, u"Help Files"_s,
         u"SOFTWARE\\Microsoft\\Windows\\HTML Help"_s, u"HKEY_LOCAL_MACHINE"_s, u"Yes"_s},
        {hklm, u"VM Full"_s, u"C:\\vm\\gonefont.ttf"_s, u"Fonts"_s, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"_s,
         u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"VM Gone"_s, u"C:\\windows\\Fonts\\vmgone.ttf"_s, u"Fonts"_s,
         u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"_s, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"Bare"_s, u"C:\\windows\\system32\\vmgone3.dll"_s, u"Shared Program Files"_s,
         u"SOFTWARE\\Microsoft\\Shared Tools\\VM"_s, u"HKEY_LOCAL_MACHINE"_s, u"Yes"_s},
        {hklm, u"Gone"_s, u"C:\\vm\\shared\\gone.dll"_s, u"Shared Program Files"_s, u"SOFTWARE\\Microsoft\\Shared Tools\\VM"_s,
         u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"vmB"_s, u"C:\\vm\\goneB.exe"_s, u"Startup Programs"_s, run, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"vmC"_s, u"C:\\windows\\system32\\vmgoneC.dll"_s, u"Startup Programs"_s, run, u"HKEY_LOCAL_MACHINE"_s, u"Yes"_s},
        {hklm, u"vmD"_s, u"C:\\vm\\goneD.dll"_s, u"Startup Programs"_s, run, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"vmK"_s, u"C:\\vm\\goneK.exe"_s, u"Startup Programs"_s, run, u"HKEY_LOCAL_MACHINE"_s, u""_s},
        {hklm, u"vmM"_s, u"C:\\windows\\system32\\%windir%\\vmgoneM.exe"_s, u"Startup Programs"_s, run, u"HKEY_LOCAL_MACHINE"_s,
         u"Yes"_s},
        {hkcu, u"vmU"_s, u"C:\\vm\\goneU.exe"_s, u"Startup Programs"_s, run, u"HKEY_CURRENT_USER"_s, u""_s},
    };
}

bool planted(const ProblemRow& r)
{
    return r.KeyName.startsWith(u"vm"_s, Qt::CaseInsensitive) || r.FullKeyPath.contains(u"\\vm"_s, Qt::CaseInsensitive)
        || r.FullKeyPath.contains(u"{vm-"_s) || r.RegistryScanners == u"File Types"_s;
}

// An independent look at the prefix's files: case-insensitive, one segment
// at a time, C: under drive_c and Z: from "/".
bool trulyExists(const QString& windowsPath)
{
    QString rest = windowsPath;
    QString dir;
    if (rest.startsWith(u"C:\\"_s, Qt::CaseInsensitive))
        dir = g_wine.path() + u"/drive_c"_s;
    else if (rest.startsWith(u"Z:\\"_s, Qt::CaseInsensitive))
        dir = u"/"_s;
    else
        return false;
    const QStringList parts = rest.mid(3).split(u'\\', Qt::SkipEmptyParts);
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

        const QString c = g_wine.path() + u"/drive_c"_s;
        for (const char* f : {"vm/present.dll", "vm/Mixed.DLL", "vm/app.exe", "vm/My.Dir/tool.exe",
                              "vm/help/vmpresent.hlp", "vm/shared/present.dll", "windows/system32/vmbare.dll",
                              "Program Files/vm/pf.dll", "Program Files/Common Files/vm/cf.dll",
                              "windows/Fonts/vmfont.ttf", "ProgramData/vm/pd.exe", "users/Public/vm/pub.exe",
                              "Program Files/vm/w64.exe", "Program Files (x86)/vm/x86.exe",
                              "Program Files (x86)/Common Files/vm/cx86.dll", "Program Files/Common Files/vm/cw64.dll"})
            ASSERT_TRUE(testenv::writeFile(c + u"/"_s + QString::fromLatin1(f), "x"));
        QDir().mkpath(c + u"/vm/sub"_s);

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
        const QString got = i < plantedRows.size() ? plantedRows[i].join(u" | "_s) : u"(none)"_s;
        const QString want = i < expected.size() ? expected[i].join(u" | "_s) : u"(none)"_s;
        EXPECT_EQ(got.toStdString(), want.toStdString()) << "row " << i;
    }

    std::cout << "Rows of the fresh prefix: " << freshRows.size() << "\n";
    for (const QStringList& f : freshRows) {
        std::cout << "  " << f.join(u" | "_s).toStdString() << "\n";
        EXPECT_FALSE(trulyExists(f.at(2))) << "reported but present: " << f.at(2).toStdString();
        EXPECT_FALSE(f.at(4).endsWith(u"ProgID"_s, Qt::CaseInsensitive)) << f.at(4).toStdString();
        // Wine ships fonts such as coure.fon in its own folder and registers
        // them by bare name: those are on disk.
        if (f.at(3) == u"Fonts"_s) {
            const QString bare = f.at(2).mid(f.at(2).lastIndexOf(u'\\') + 1);
            for (const QString& folder : platform::wineFontFolders())
                EXPECT_FALSE(trulyExists(folder + u"\\"_s + bare)) << "served by Wine: " << bare.toStdString();
        }
    }

    // Counters as the scanning page shows them.
    int counted = 0;
    for (const QString& c : result.counters)
        counted += c.toInt();
    EXPECT_EQ(QString::number(counted), result.problemsFound);
    EXPECT_EQ(result.counters[2], u"0"_s);
    EXPECT_EQ(result.counters[7], u"0"_s);
    std::cout << "Counters:";
    for (const QString& c : result.counters)
        std::cout << " " << c.toStdString();
    std::cout << "\n";
}
