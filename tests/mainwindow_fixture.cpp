#include "tests/mainwindow_fixture.h"

#include "mainwindow/pictures.h"
#include "mainwindow/sectionviews.h"
#include "mainwindow/twips.h"
#include "platform/prefix.h"
#include "tests/support/namedcontrol.h"
#include "tests/support/prefixbuilder.h"
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

using namespace Qt::StringLiterals;

namespace windowtest {

const QString kApp = QStringLiteral("Velmora 2007");
const QString kSettingsSection = QStringLiteral("MySettings");

const char* const kFixtureCounters[9] = {"1", "1", "0", "0", "2", "1", "1", "0", "2"};

namespace {

// The registry of the prefix: stale and present entries in several sections.
testenv::PrefixBuilder fixtureRegistry()
{
    testenv::PrefixBuilder b;
    b.system(u"Software\\Classes\\CLSID\\{0A11CE00-0000-4000-8000-000000000001}\\InprocServer32"_s)
        .sz({}, u"C:\\windows\\system32\\goneax.dll"_s);
    b.system(u"Software\\Classes\\CLSID\\{0A11CE00-0000-4000-8000-000000000002}\\InprocServer32"_s)
        .sz({}, u"C:\\windows\\system32\\present.dll"_s);
    b.system(u"Software\\Microsoft\\Shared Tools\\GoneTool"_s)
        .sz(u"Path"_s, u"C:\\Program Files\\Common Files\\Gone\\gonetool.dll"_s);
    b.system(u"Software\\Microsoft\\Shared Tools\\PresentTool"_s)
        .sz(u"Path"_s, u"C:\\windows\\system32\\present.dll"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion"_s)
        .sz(u"CommonFilesDir"_s, u"C:\\Program Files\\Common Files"_s)
        .sz(u"ProgramFilesDir"_s, u"C:\\Program Files"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe"_s)
        .sz({}, u"C:\\Program Files\\Gone\\gone.exe"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\present.exe"_s)
        .sz({}, u"C:\\windows\\present.exe"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s)
        .sz(u"GoneRun"_s, u"C:\\Program Files\\Gone\\gonerun.exe"_s)
        .sz(u"PresentRun"_s, u"C:\\windows\\present.exe"_s);
    b.system(u"Software\\Microsoft\\Windows\\Help"_s)
        .sz(u"gone.hlp"_s, u"C:\\windows\\help"_s)
        .sz(u"present.hlp"_s, u"C:\\windows\\help"_s);
    b.system(u"Software\\Microsoft\\Windows\\HTML Help"_s)
        .sz(u"gone.chm"_s, u"C:\\windows\\help"_s);
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion"_s)
        .sz(u"SystemRoot"_s, u"C:\\windows"_s);
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"_s)
        .sz(u"Gone Font (TrueType)"_s, u"gonefont.ttf"_s)
        .sz(u"Present Font (TrueType)"_s, u"present.ttf"_s);
    b.system(u"Software\\Wine\\Drives"_s)
        .sz(u"c:"_s, u"hd"_s);
    b.user(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s)
        .sz(u"GoneUser"_s, u"\"C:\\Program Files\\Gone\\goneuser.exe\" /min"_s);
    b.hive(testenv::Hive::UserDefault);
    return b;
}

}  // namespace

bool writeFixturePrefix(const QString& dir)
{
    testenv::PrefixBuilder b = fixtureRegistry();
    for (const char* file : {"windows/system32/present.dll", "windows/present.exe", "windows/help/present.hlp",
                             "windows/Fonts/present.ttf", "windows/regedit.exe"})
        b.file(u"drive_c/"_s + QLatin1String(file));
    b.folder(u"drive_c/Program Files/Common Files"_s).drive(u"c:"_s, u"../drive_c"_s).drive(u"z:"_s, u"/"_s);
    return b.write(dir);
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

using testenv::control;

QAction* menuItem(const FrmStart& w, const char* name)
{
    return control<QAction>(w, name);
}

QToolBar* toolBar(const FrmStart& w)
{
    return control<QToolBar>(w, "ToolBar");
}

StatusPanels* statusBar(const FrmStart& w)
{
    return control<StatusPanels>(w, "StatusBar1");
}

RegistryCleanerPage* registryCleanerPage(const FrmStart& w)
{
    return control<RegistryCleanerPage>(w, "PicRegistryCleaner");
}

ProblemPage* showErrorPage(const FrmStart& w)
{
    return control<ProblemPage>(w, "PicShowError");
}

RescueCenterPage* rescueCenterPage(const FrmStart& w)
{
    return control<RescueCenterPage>(w, "PicRescuCenter");
}

QString menuStates(const FrmStart& w)
{
    QString s;
    for (const char* name : {"mnuFileLoadScanResults", "mnuFileSaveScanResults", "mnuFileRegistryCleaner",
                             "mnuFileRescueCenter", "mnuFileExit", "mnuCleaningScanRegitry",
                             "mnuCleaningFindMissingFiles", "mnuCleaningFixProblems"})
        s += menuItem(w, name)->isEnabled() ? u'T' : u'F';
    return s;
}

bool sameImage(const QPixmap& a, const QPixmap& b)
{
    return !a.isNull() && a.toImage() == b.toImage();
}

namespace {

// The section's control of the window named in `name` of its view.
template <typename T>
std::array<T*, 9> sectionControls(const FrmStart& w, const char* mainwindow::SectionView::*name)
{
    std::array<T*, 9> controls{};
    for (int i = 0; i < 9; ++i) {
        const char* objectName = mainwindow::kSectionViews[i].*name;
        controls[i] = w.findChild<T*>(QLatin1String(objectName));
        EXPECT_NE(controls[i], nullptr) << objectName;
    }
    return controls;
}

}  // namespace

std::array<QCheckBox*, 9> sectionBoxes(const FrmStart& w)
{
    return sectionControls<QCheckBox>(w, &mainwindow::SectionView::checkBox);
}

std::array<QLabel*, 9> sectionCounters(const FrmStart& w)
{
    return sectionControls<QLabel>(w, &mainwindow::SectionView::counter);
}

PictureButton pictureButton(const FrmStart& w, const char* normal, const char* hover, const char* pressed)
{
    const PictureButton b{w.findChild<PictureImage*>(QLatin1String(normal)),
                          w.findChild<PictureImage*>(QLatin1String(hover)),
                          w.findChild<PictureImage*>(QLatin1String(pressed))};
    EXPECT_TRUE(b.normal && b.hover && b.pressed) << normal;
    return b;
}

QPixmap busyFrame(int index)
{
    return pictures::picture(QStringLiteral("Busy%1").arg(index + 1));
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
    ASSERT_TRUE(testenv::writeFile(programDir + u"/Alert.wav"_s, "RIFF"));
    seams.programFolder(programDir).desktop(&desktop);
    QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
    seams.timingScale(0.01);
    reopenWindow();
}

void FrmStartTest::TearDown()
{
    window.reset();
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
    const std::array<QCheckBox*, 9> boxes = sectionBoxes(*window);
    for (QCheckBox* box : boxes)
        box->setChecked(false);
    for (int i : sections)
        boxes[i]->setChecked(true);
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
    EXPECT_EQ(desktop.modals.last().name, u"FrmNextMessageBox"_s);
    return desktop.modals.last().texts.value(u"lblprob"_s);
}

bool FrmStartTest::duringScan(std::function<void()> act)
{
    bool ran = false;
    window->setPump([&] {
        if (!ran && window->scanning()) {
            ran = true;
            act();
        }
        QCoreApplication::processEvents();
    });
    scanAndAnswer();
    window->setPump([] { QCoreApplication::processEvents(); });
    return ran;
}

QStringList FrmStartTest::counters() const
{
    QStringList c;
    for (const QLabel* l : windowtest::sectionCounters(*window))
        c << l->text();
    return c;
}

bool FrmStartTest::markerAtSection(int i) const
{
    const int left = i < 4 ? 990 : 3885;
    return window->findChild<PictureImage*>(u"Image22"_s)->x() == twips::px(left) && window->findChild<PictureImage*>(u"Image22"_s)->y() == windowtest::sectionCounters(*window)[i]->y() - 1;
}

}  // namespace windowtest
