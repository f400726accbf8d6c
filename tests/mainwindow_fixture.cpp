#include "tests/mainwindow_fixture.h"

#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>

namespace windowtest {

const char* const kFixtureCounters[9] = {"1", "1", "0", "0", "2", "1", "1", "0", "2"};

namespace {

const char kSystemReg[] = R"REG(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Classes\\CLSID\\{0A11CE00-0000-4000-8000-000000000001}\\InprocServer32] 1700000000
@="C:\\windows\\system32\\goneax.dll"

[Software\\Classes\\CLSID\\{0A11CE00-0000-4000-8000-000000000002}\\InprocServer32] 1700000000
@="C:\\windows\\system32\\present.dll"

[Software\\Microsoft\\Shared Tools\\GoneTool] 1700000000
"Path"="C:\\Program Files\\Common Files\\Gone\\gonetool.dll"

[Software\\Microsoft\\Shared Tools\\PresentTool] 1700000000
"Path"="C:\\windows\\system32\\present.dll"

[Software\\Microsoft\\Windows\\CurrentVersion] 1700000000
"CommonFilesDir"="C:\\Program Files\\Common Files"
"ProgramFilesDir"="C:\\Program Files"

[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe] 1700000000
@="C:\\Program Files\\Gone\\gone.exe"

[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\present.exe] 1700000000
@="C:\\windows\\present.exe"

[Software\\Microsoft\\Windows\\CurrentVersion\\Run] 1700000000
"GoneRun"="C:\\Program Files\\Gone\\gonerun.exe"
"PresentRun"="C:\\windows\\present.exe"

[Software\\Microsoft\\Windows\\Help] 1700000000
"gone.hlp"="C:\\windows\\help"
"present.hlp"="C:\\windows\\help"

[Software\\Microsoft\\Windows\\HTML Help] 1700000000
"gone.chm"="C:\\windows\\help"

[Software\\Microsoft\\Windows NT\\CurrentVersion] 1700000000
"SystemRoot"="C:\\windows"

[Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts] 1700000000
"Gone Font (TrueType)"="gonefont.ttf"
"Present Font (TrueType)"="present.ttf"

[Software\\Wine\\Drives] 1700000000
"c:"="hd"
)REG";

const char kUserReg[] = R"REG(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Microsoft\\Windows\\CurrentVersion\\Run] 1700000000
"GoneUser"="\"C:\\Program Files\\Gone\\goneuser.exe\" /min"
)REG";

const char kUserDefReg[] = R"REG(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\.Default

#arch=win64
)REG";

}  // namespace

bool writeFixturePrefix(const QString& dir)
{
    bool ok = testenv::writeFile(dir + "/system.reg", kSystemReg) && testenv::writeFile(dir + "/user.reg", kUserReg)
              && testenv::writeFile(dir + "/userdef.reg", kUserDefReg);
    for (const char* file : {"windows/system32/present.dll", "windows/present.exe", "windows/help/present.hlp",
                             "windows/Fonts/present.ttf", "windows/regedit.exe"})
        ok = ok && testenv::writeFile(dir + "/drive_c/" + QLatin1String(file), "x");
    ok = ok && QDir().mkpath(dir + "/drive_c/Program Files/Common Files") && QDir().mkpath(dir + "/dosdevices");
    ok = ok && QFile::link("../drive_c", dir + "/dosdevices/c:") && QFile::link("/", dir + "/dosdevices/z:");
    return ok;
}

}  // namespace windowtest
