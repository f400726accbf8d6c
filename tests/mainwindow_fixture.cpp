#include "tests/mainwindow_fixture.h"

#include "engine/scanstate.h"
#include "mainwindow/timing.h"
#include "mainwindow/twips.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "tests/support/testenv.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

namespace windowtest {

const QString kApp = QStringLiteral("Velmora 2007");
const QString kSettingsSection = QStringLiteral("MySettings");

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

// --- the fake desktop ------------------------------------------------------------

int FakeDesktop::runModal(QObject* dialog)
{
    auto* d = qobject_cast<QDialog*>(dialog);
    if (!d)
        return 0;
    Modal seen{d->objectName(), d->windowTitle(), {}};
    for (const QLabel* l : d->findChildren<QLabel*>()) {
        if (!l->objectName().isEmpty())
            seen.texts[l->objectName()] = l->text();
    }
    for (const QAbstractButton* b : d->findChildren<QAbstractButton*>()) {
        if (!b->objectName().isEmpty())
            seen.texts[b->objectName()] = b->text();
    }
    modals.append(seen);
    d->setResult(QDialog::Rejected);
    if (onModal)
        onModal(*d);
    else if (!pressDefaultButton(*d))
        d->reject();
    return d->result();
}

bool FakeDesktop::pressDefaultButton(QDialog& dialog)
{
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->isDefault()) {
            b->click();
            return true;
        }
    }
    return false;
}

// --- small helpers -------------------------------------------------------------------

QString menuStates(const FrmStart& w)
{
    QString s;
    for (const QAction* a : {w.mnuFileLoadScanResults, w.mnuFileSaveScanResults, w.mnuFileRegistryCleaner,
                             w.mnuFileRescueCenter, w.mnuFileExit, w.mnuCleaningScanRegitry,
                             w.mnuCleaningFindMissingFiles, w.mnuCleaningFixProblems})
        s += a->isEnabled() ? 'T' : 'F';
    return s;
}

bool sameImage(const QPixmap& a, const QPixmap& b)
{
    return !a.isNull() && a.toImage() == b.toImage();
}

engine::ProblemRow problem(const QString& section, const QString& name, const QString& value, const QString& keyPath)
{
    engine::ProblemRow r;
    r.MainKey = QStringLiteral("-2147483646");
    r.KeyName = name;
    r.KeyValue = value;
    r.RegistryScanners = section;
    r.FullKeyPath = keyPath;
    r.mainkeyname = QStringLiteral("HKEY_LOCAL_MACHINE");
    return r;
}

// --- the fixture -----------------------------------------------------------------------

void FrmStartTest::SetUp()
{
    prefixDir = testenv::makeTempDir(QStringLiteral("prefix"));
    ASSERT_TRUE(writeFixturePrefix(prefixDir));
    const platform::PrefixError opened = platform::openPrefix(prefixDir);
    ASSERT_TRUE(opened.ok) << opened.message.toStdString();
    programDir = testenv::makeTempDir(QStringLiteral("program"));
    ASSERT_TRUE(testenv::writeFile(programDir + "/Alert.wav", "RIFF"));
    platform::setProgramFolderLinux(programDir);

    platform::setDesktop(&desktop);
    QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
    engine::bCancelScan = false;
    mainwindow::setTimingScale(0.01);
    reopenWindow();
}

void FrmStartTest::TearDown()
{
    window.reset();
    platform::setDesktop(nullptr);
    platform::setProcessStarter({});
    mainwindow::setTimingScale(1.0);
    engine::bCancelScan = false;
    if (platform::prefixIsOpen())
        platform::closePrefix();
    if (!prefixDir.isEmpty())
        QDir(prefixDir).removeRecursively();
    if (!programDir.isEmpty())
        QDir(programDir).removeRecursively();
}

void FrmStartTest::reopenWindow()
{
    window.reset();
    window = std::make_unique<FrmStart>();
    window->Form_Load();
    desktop.sounds.clear();
}

void FrmStartTest::chooseOnly(std::initializer_list<int> sections)
{
    for (QCheckBox* box : window->sectionBoxes)
        box->setChecked(false);
    for (int i : sections)
        window->sectionBoxes[i]->setChecked(true);
}

QString FrmStartTest::scanAndAnswer(std::function<void()> atBox)
{
    const int before = desktop.modals.size();
    desktop.onModal = [&](QDialog& box) {
        if (atBox)
            atBox();
        EXPECT_TRUE(FakeDesktop::pressDefaultButton(box));
    };
    window->mnuCleaningScanRegitry_Click();
    desktop.onModal = {};
    EXPECT_EQ(desktop.modals.size(), before + 1);
    if (desktop.modals.size() != before + 1)
        return {};
    EXPECT_EQ(desktop.modals.last().name, "FrmNextMessageBox");
    return desktop.modals.last().texts.value("lblprob");
}

bool FrmStartTest::duringScan(std::function<void()> act)
{
    bool ran = false;
    engine::setMessagePump([&] {
        if (!ran && window->bScanning) {
            ran = true;
            act();
        }
        QCoreApplication::processEvents();
    });
    scanAndAnswer();
    engine::setMessagePump([] { QCoreApplication::processEvents(); });
    return ran;
}

QStringList FrmStartTest::counters() const
{
    QStringList c;
    for (const QLabel* l : window->sectionCounters)
        c << l->text();
    return c;
}

bool FrmStartTest::markerAtSection(int i) const
{
    const int left = i < 4 ? 990 : 3885;
    return window->Image22->x() == twips::px(left) && window->Image22->y() == window->sectionCounters[i]->y() - 1;
}

}  // namespace windowtest
