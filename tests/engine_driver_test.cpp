// The scan driver over a small hand-made prefix with one stale entry per
// judged section: what it reports to its observer and in which order, which
// sections it walks, the platform id asked only for Fonts, each of its
// thirteen cancel test points (and the places where it does not test), the
// per-section count, and the scan of every section for the bench.
#include "engine/problemlist.h"
#include "engine/scandriver.h"
#include "engine/scansections.h"
#include "platform/prefix.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/printto.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <set>
#include <utility>

using namespace engine;
using namespace Qt::StringLiterals;

namespace {

// One stale entry per judged section.
testenv::PrefixBuilder driverRegistry()
{
    testenv::PrefixBuilder b;
    b.system(u"Software\\Classes\\CLSID\\{0A11CE00-0000-4000-8000-000000000001}\\InprocServer32"_s)
        .sz({}, u"C:\\windows\\system32\\goneax.dll"_s);
    b.system(u"Software\\Microsoft\\Shared Tools\\GoneTool"_s)
        .sz(u"Path"_s, u"C:\\Program Files\\Common Files\\Gone\\gonetool.dll"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion"_s)
        .sz(u"CommonFilesDir"_s, u"C:\\Program Files\\Common Files"_s)
        .sz(u"ProgramFilesDir"_s, u"C:\\Program Files"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe"_s)
        .sz({}, u"C:\\Program Files\\Gone\\gone.exe"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts"_s)
        .sz(u"Old Font (TrueType)"_s, u"oldfont.ttf"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s)
        .sz(u"GoneRun"_s, u"C:\\Program Files\\Gone\\gonerun.exe"_s);
    b.system(u"Software\\Microsoft\\Windows\\Help"_s)
        .sz(u"gone.hlp"_s, u"C:\\windows\\help"_s);
    b.system(u"Software\\Microsoft\\Windows\\HTML Help"_s)
        .sz(u"gone.chm"_s, u"C:\\windows\\help"_s);
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion"_s)
        .sz(u"SystemRoot"_s, u"C:\\windows"_s);
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"_s)
        .sz(u"Gone Font (TrueType)"_s, u"gonefont.ttf"_s);
    b.system(u"Software\\Wine\\Drives"_s)
        .sz(u"c:"_s, u"hd"_s);
    b.system(u"System\\CurrentControlSet\\Control\\VirtualDeviceDrivers"_s)
        .sz(u"UninstallString"_s, u"C:\\Program Files\\Gone\\uninstall.exe"_s);
    b.user(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s)
        .sz(u"GoneUser"_s, u"C:\\Program Files\\Gone\\goneuser.exe"_s);
    b.hive(testenv::Hive::UserDefault);
    return b;
}

// Writes down everything the driver reports. The scan is cancelled (the
// flag set) at the first moment `cancelAt` names:
//   "<event>"               an event that begins with this text;
//   "row <section>"         a message pump once the last row is of that section;
//   "pump after <event>"    a message pump while that was the last event.
class Recorder final : public ScanObserver {
public:
    std::set<int> chosen{0, 1, 2, 3, 4, 5, 6, 7, 8};
    DWORD platform = 2;
    QString cancelAt;
    QStringList log;
    const ProblemList* rows = nullptr;  // the scan's list, read by pump()
    bool* bCancelScan = nullptr;        // the scan's cancel request

    bool sectionChosen(int index) override { return chosen.count(index) > 0; }
    void sectionStarting(int index) override { note(QStringLiteral("start %1").arg(index)); }
    DWORD platformId() override
    {
        note(QStringLiteral("platform"));
        return platform;
    }
    int countSectionProblems(const ScanContext& ctx, const QString& sectionName) override
    {
        note(QStringLiteral("counting ") + sectionName);
        return ScanObserver::countSectionProblems(ctx, sectionName);
    }
    void sectionCounted(int index, int count) override { note(QStringLiteral("counter %1=%2").arg(index).arg(count)); }
    void totalCounted(int total) override { note(QStringLiteral("total %1").arg(total)); }
    void sectionPassed(int index) override { note(QStringLiteral("passed %1").arg(index)); }

    void pump()
    {
        if (cancelAt.startsWith(QLatin1String("row "))) {
            const int n = rows->count();
            if (n > 0 && rows->row(n).RegistryScanners == cancelAt.mid(4))
                *bCancelScan = true;
        } else if (cancelAt.startsWith(QLatin1String("pump after "))) {
            if (!log.isEmpty() && log.last() == cancelAt.mid(11))
                *bCancelScan = true;
        }
    }

private:
    void note(const QString& event)
    {
        log << event;
        if (!cancelAt.isEmpty() && event.startsWith(cancelAt))
            *bCancelScan = true;
    }
};

class DriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString dir = testenv::makeTempDir(u"driver-prefix"_s);
        testenv::PrefixBuilder b = driverRegistry();
        b.folder(u"drive_c/windows/system32"_s).folder(u"drive_c/windows/Fonts"_s).folder(u"drive_c/windows/help"_s);
        b.drive(u"c:"_s, u"../drive_c"_s).drive(u"z:"_s, u"/"_s);
        ASSERT_TRUE(b.write(dir));
        const platform::PrefixError e = platform::openPrefix(dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }
    static void TearDownTestSuite() { platform::closePrefix(); }

    void SetUp() override
    {
        bCancelScan = false;
        recorder.rows = &list;
        recorder.bCancelScan = &bCancelScan;
        setPump([this] { recorder.pump(); });
    }
    void TearDown() override { bCancelScan = false; }

    // What the scan context's pump does; a test may change it.
    void setPump(std::function<void()> f) { pump = std::move(f); }

    QStringList sectionsOfRows() const
    {
        QStringList out;
        for (const ProblemRow& r : list.rows())
            out << r.RegistryScanners;
        return out;
    }

    Recorder recorder;
    std::function<void()> pump;
    ProblemList list;
    bool bCancelScan = false;
    const ScanContext ctx{list, nullptr,
                          [this] {
                              if (pump)
                                  pump();
                          },
                          {}, &bCancelScan};
};

QStringList passedOnly(int upTo)
{
    QStringList log;
    for (int i = 0; i <= upTo; ++i)
        log << QStringLiteral("passed %1").arg(i);
    return log;
}

TEST_F(DriverTest, EverySectionReportsInTableOrder)
{
    EXPECT_EQ(runScanDriver(recorder, ctx), ScanEnd::Completed);
    const QStringList expected = {
        u"start 0"_s, u"counting Active X Objects"_s, u"counter 0=1"_s, u"total 1"_s, u"passed 0"_s,
        u"start 1"_s, u"counting Application Paths"_s, u"counter 1=1"_s, u"total 2"_s, u"passed 1"_s,
        u"start 2"_s, u"counter 2=0"_s, u"total 2"_s, u"passed 2"_s,
        u"start 3"_s, u"counting File Types"_s, u"counter 3=1"_s, u"total 3"_s, u"passed 3"_s,
        u"start 4"_s, u"counting Help Files"_s, u"counter 4=2"_s, u"total 5"_s, u"passed 4"_s,
        u"start 5"_s, u"platform"_s, u"counting Fonts"_s, u"counter 5=1"_s, u"total 6"_s, u"passed 5"_s,
        u"start 6"_s, u"counting Shared Program Files"_s, u"counter 6=1"_s, u"total 7"_s, u"passed 6"_s,
        u"start 7"_s, u"counter 7=0"_s, u"total 7"_s, u"passed 7"_s,
        u"start 8"_s, u"counting Startup Programs"_s, u"counter 8=2"_s, u"total 9"_s,
    };
    EXPECT_EQ(recorder.log, expected);
    EXPECT_EQ(sectionsOfRows(),
              QStringList({u"Active X Objects"_s, u"Application Paths"_s, u"File Types"_s, u"Help Files"_s, u"Help Files"_s, u"Fonts"_s,
                           u"Shared Program Files"_s, u"Startup Programs"_s, u"Startup Programs"_s}));
    EXPECT_EQ(list.row(9).mainkeyname, u"HKEY_CURRENT_USER"_s);
}

TEST_F(DriverTest, SectionsNotChosenAreNeitherStartedNorWalked)
{
    const struct {
        const char* name;
        std::set<int> chosen;
        QStringList log;
    } cases[] = {
        {"none", {}, passedOnly(7)},
        {"Startup Programs only", {8},
         passedOnly(7) + QStringList{u"start 8"_s, u"counting Startup Programs"_s, u"counter 8=2"_s, u"total 2"_s}},
        {"the two never judged",
         {2, 7},
         QStringList{u"passed 0"_s, u"passed 1"_s, u"start 2"_s, u"counter 2=0"_s, u"total 0"_s, u"passed 2"_s, u"passed 3"_s, u"passed 4"_s,
                     u"passed 5"_s, u"passed 6"_s, u"start 7"_s, u"counter 7=0"_s, u"total 0"_s, u"passed 7"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        list.clear();
        recorder.log.clear();
        recorder.chosen = c.chosen;
        EXPECT_EQ(runScanDriver(recorder, ctx), ScanEnd::Completed);
        EXPECT_EQ(recorder.log, c.log);
        EXPECT_FALSE(recorder.log.contains(u"platform"_s)) << "the platform id is asked only for Fonts";
    }
}

TEST_F(DriverTest, PlatformIdPicksTheFontsKey)
{
    recorder.chosen = {5};
    for (const auto& [platform, file] : {std::pair<DWORD, const char*>{2, "gonefont.ttf"}, {1, "oldfont.ttf"}, {0, "oldfont.ttf"}}) {
        SCOPED_TRACE(platform);
        list.clear();
        recorder.log.clear();
        recorder.platform = platform;
        runScanDriver(recorder, ctx);
        EXPECT_EQ(recorder.log.count(u"platform"_s), 1);
        ASSERT_EQ(list.count(), 1);
        EXPECT_TRUE(list.row(1).KeyValue.endsWith(QString::fromLatin1(file), Qt::CaseInsensitive))
            << list.row(1).KeyValue.toStdString();
    }
}

// Each test point, and the places where the driver does not test: the scan
// goes on to the next test point instead.
TEST_F(DriverTest, CancelEndsTheScanAtTheNextTestPoint)
{
    const struct {
        const char* cancelAt;
        std::set<int> chosen;  // empty: all
        ScanEnd end;
        const char* lastEvent;
        int rows;
    } cases[] = {
        // After each of sections 1 to 8.
        {"counter 0", {}, ScanEnd::Cancelled, "passed 0", 1},
        {"counter 1", {}, ScanEnd::Cancelled, "passed 1", 2},
        {"counter 2", {}, ScanEnd::Cancelled, "passed 2", 2},
        {"counter 3", {}, ScanEnd::Cancelled, "passed 3", 3},
        {"counter 4", {}, ScanEnd::Cancelled, "passed 4", 5},
        {"counter 5", {}, ScanEnd::Cancelled, "passed 5", 6},
        {"counter 6", {}, ScanEnd::Cancelled, "passed 6", 7},
        {"counter 7", {}, ScanEnd::Cancelled, "passed 7", 7},
        // ... also when the section was not chosen.
        {"passed 3", {8}, ScanEnd::Cancelled, "passed 3", 0},
        // Between the two Help Files walks and the two Startup Programs walks.
        {"row Help Files", {}, ScanEnd::Cancelled, "start 4", 4},
        {"row Startup Programs", {}, ScanEnd::Cancelled, "start 8", 8},
        // Before the first walk of sections 7, 8 and 9.
        {"start 6", {}, ScanEnd::Cancelled, "start 6", 6},
        {"start 7", {}, ScanEnd::Cancelled, "start 7", 7},
        {"start 8", {}, ScanEnd::Cancelled, "start 8", 7},
        // No test before sections 1 to 6, none between the Startup Menu
        // walks, none after section 9.
        {"start 0", {}, ScanEnd::Cancelled, "passed 0", 0},
        {"start 5", {}, ScanEnd::Cancelled, "passed 5", 5},
        {"pump after start 7", {}, ScanEnd::Cancelled, "passed 7", 7},
        {"counter 8", {}, ScanEnd::Completed, "total 9", 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cancelAt);
        list.clear();
        bCancelScan = false;
        recorder.log.clear();
        recorder.chosen = c.chosen.empty() ? std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8} : c.chosen;
        recorder.cancelAt = QString::fromLatin1(c.cancelAt);
        EXPECT_EQ(runScanDriver(recorder, ctx), c.end);
        ASSERT_FALSE(recorder.log.isEmpty());
        EXPECT_EQ(recorder.log.last(), QString::fromLatin1(c.lastEvent));
        EXPECT_EQ(list.count(), c.rows);
    }
}

TEST_F(DriverTest, CountSectionProblemsComparesWholeNamesAndPumpsOncePerRow)
{
    ProblemList rows;
    for (const char* section : {"Fonts", "fonts", "Fonts ", " Fonts", "Fonts", "Help Files"}) {
        ProblemRow r;
        r.RegistryScanners = QLatin1String(section);
        rows.add(r);
    }
    const ScanContext counting{rows, nullptr, ctx.pump};
    int pumps = 0;
    setPump([&pumps] { ++pumps; });
    EXPECT_EQ(CountSectionProblems(counting, u"Fonts"_s), 2);
    EXPECT_EQ(pumps, 6);
    EXPECT_EQ(CountSectionProblems(counting, u"Startup Programs"_s), 0);

    // Rows that leave while messages run are not read.
    pumps = 0;
    setPump([&] {
        if (++pumps == 1) {
            rows.remove(6);
            rows.remove(5);
        }
    });
    EXPECT_EQ(CountSectionProblems(counting, u"Fonts"_s), 1);
    EXPECT_EQ(pumps, 4);
}

TEST_F(DriverTest, ScanOfAllSectionsStartsCleanAndSummarisesTheCounters)
{
    list.add(ProblemRow{});
    bCancelScan = true;
    const ScanSummary s = scanAllSections(ctx, 2);
    EXPECT_FALSE(s.cancelled);
    const std::array<QString, kSectionCount> counters{u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"2"_s, u"1"_s, u"1"_s, u"0"_s, u"2"_s};
    EXPECT_EQ(s.counters, counters);
    EXPECT_EQ(s.problemsFound, u"9"_s);
    EXPECT_EQ(s.problemsFoundShown, u"7"_s) << "the status bar shows the total as section 8 left it";
    EXPECT_EQ(list.count(), 9);

    setPump([this] {
        const int n = list.count();
        if (n > 0 && list.row(n).RegistryScanners == u"Fonts"_s)
            bCancelScan = true;
    });
    const ScanSummary cancelled = scanAllSections(ctx, 2);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.counters[5], u"1"_s);
    EXPECT_EQ(cancelled.counters[6], u"0"_s);
    EXPECT_EQ(cancelled.problemsFound, u"6"_s);
}

TEST(SectionTableTest, OnlyFontsKeyDependsOnThePlatform)
{
    for (int i = 0; i < kSectionCount; ++i) {
        EXPECT_EQ(scanSections()[i].keyByPlatform, i == 5) << i;
        if (i != 5) {
            ASSERT_EQ(sectionWalks(i, 1).size(), sectionWalks(i, 2).size());
            for (size_t w = 0; w < sectionWalks(i, 1).size(); ++w)
                EXPECT_EQ(sectionWalks(i, 1)[w].keyPath, sectionWalks(i, 2)[w].keyPath) << i;
        }
    }
}

}  // namespace
