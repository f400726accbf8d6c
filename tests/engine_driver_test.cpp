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

namespace {

// One stale entry per judged section.
testenv::PrefixBuilder driverRegistry()
{
    testenv::PrefixBuilder b;
    b.system("Software\\Classes\\CLSID\\{0A11CE00-0000-4000-8000-000000000001}\\InprocServer32")
        .sz({}, "C:\\windows\\system32\\goneax.dll");
    b.system("Software\\Microsoft\\Shared Tools\\GoneTool")
        .sz("Path", "C:\\Program Files\\Common Files\\Gone\\gonetool.dll");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion")
        .sz("CommonFilesDir", "C:\\Program Files\\Common Files")
        .sz("ProgramFilesDir", "C:\\Program Files");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe")
        .sz({}, "C:\\Program Files\\Gone\\gone.exe");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion\\Fonts")
        .sz("Old Font (TrueType)", "oldfont.ttf");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion\\Run")
        .sz("GoneRun", "C:\\Program Files\\Gone\\gonerun.exe");
    b.system("Software\\Microsoft\\Windows\\Help")
        .sz("gone.hlp", "C:\\windows\\help");
    b.system("Software\\Microsoft\\Windows\\HTML Help")
        .sz("gone.chm", "C:\\windows\\help");
    b.system("Software\\Microsoft\\Windows NT\\CurrentVersion")
        .sz("SystemRoot", "C:\\windows");
    b.system("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts")
        .sz("Gone Font (TrueType)", "gonefont.ttf");
    b.system("Software\\Wine\\Drives")
        .sz("c:", "hd");
    b.system("System\\CurrentControlSet\\Control\\VirtualDeviceDrivers")
        .sz("UninstallString", "C:\\Program Files\\Gone\\uninstall.exe");
    b.user("Software\\Microsoft\\Windows\\CurrentVersion\\Run")
        .sz("GoneUser", "C:\\Program Files\\Gone\\goneuser.exe");
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
        const QString dir = testenv::makeTempDir("driver-prefix");
        testenv::PrefixBuilder b = driverRegistry();
        b.folder("drive_c/windows/system32").folder("drive_c/windows/Fonts").folder("drive_c/windows/help");
        b.drive("c:", "../drive_c").drive("z:", "/");
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
        "start 0", "counting Active X Objects", "counter 0=1", "total 1", "passed 0",
        "start 1", "counting Application Paths", "counter 1=1", "total 2", "passed 1",
        "start 2", "counter 2=0", "total 2", "passed 2",
        "start 3", "counting File Types", "counter 3=1", "total 3", "passed 3",
        "start 4", "counting Help Files", "counter 4=2", "total 5", "passed 4",
        "start 5", "platform", "counting Fonts", "counter 5=1", "total 6", "passed 5",
        "start 6", "counting Shared Program Files", "counter 6=1", "total 7", "passed 6",
        "start 7", "counter 7=0", "total 7", "passed 7",
        "start 8", "counting Startup Programs", "counter 8=2", "total 9",
    };
    EXPECT_EQ(recorder.log, expected);
    EXPECT_EQ(sectionsOfRows(),
              QStringList({"Active X Objects", "Application Paths", "File Types", "Help Files", "Help Files", "Fonts",
                           "Shared Program Files", "Startup Programs", "Startup Programs"}));
    EXPECT_EQ(list.row(9).mainkeyname, "HKEY_CURRENT_USER");
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
         passedOnly(7) + QStringList{"start 8", "counting Startup Programs", "counter 8=2", "total 2"}},
        {"the two never judged",
         {2, 7},
         QStringList{"passed 0", "passed 1", "start 2", "counter 2=0", "total 0", "passed 2", "passed 3", "passed 4",
                     "passed 5", "passed 6", "start 7", "counter 7=0", "total 0", "passed 7"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        list.clear();
        recorder.log.clear();
        recorder.chosen = c.chosen;
        EXPECT_EQ(runScanDriver(recorder, ctx), ScanEnd::Completed);
        EXPECT_EQ(recorder.log, c.log);
        EXPECT_FALSE(recorder.log.contains("platform")) << "the platform id is asked only for Fonts";
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
        EXPECT_EQ(recorder.log.count("platform"), 1);
        ASSERT_EQ(list.count(), 1);
        EXPECT_TRUE(list.row(1).KeyValue.endsWith(file, Qt::CaseInsensitive))
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
        recorder.cancelAt = c.cancelAt;
        EXPECT_EQ(runScanDriver(recorder, ctx), c.end);
        ASSERT_FALSE(recorder.log.isEmpty());
        EXPECT_EQ(recorder.log.last(), c.lastEvent);
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
    EXPECT_EQ(CountSectionProblems(counting, "Fonts"), 2);
    EXPECT_EQ(pumps, 6);
    EXPECT_EQ(CountSectionProblems(counting, "Startup Programs"), 0);

    // Rows that leave while messages run are not read.
    pumps = 0;
    setPump([&] {
        if (++pumps == 1) {
            rows.remove(6);
            rows.remove(5);
        }
    });
    EXPECT_EQ(CountSectionProblems(counting, "Fonts"), 1);
    EXPECT_EQ(pumps, 4);
}

TEST_F(DriverTest, ScanOfAllSectionsStartsCleanAndSummarisesTheCounters)
{
    list.add(ProblemRow{});
    bCancelScan = true;
    const ScanSummary s = scanAllSections(ctx, 2);
    EXPECT_FALSE(s.cancelled);
    const std::array<QString, kSectionCount> counters{"1", "1", "0", "1", "2", "1", "1", "0", "2"};
    EXPECT_EQ(s.counters, counters);
    EXPECT_EQ(s.problemsFound, "9");
    EXPECT_EQ(s.problemsFoundShown, "7") << "the status bar shows the total as section 8 left it";
    EXPECT_EQ(list.count(), 9);

    setPump([this] {
        const int n = list.count();
        if (n > 0 && list.row(n).RegistryScanners == "Fonts")
            bCancelScan = true;
    });
    const ScanSummary cancelled = scanAllSections(ctx, 2);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.counters[5], "1");
    EXPECT_EQ(cancelled.counters[6], "0");
    EXPECT_EQ(cancelled.problemsFound, "6");
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
