// The registry walk, the section table and the headless scan over a small
// hand-made prefix: order of keys shown and values judged, value types,
// buffer limits and every cancel point.
#include "engine/problemlist.h"
#include "engine/rules.h"
#include "engine/scancontext.h"
#include "engine/scandriver.h"
#include "engine/scansections.h"
#include "engine/scanwalk.h"
#include "platform/prefix.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QThread>

#include <functional>
#include <utility>

using namespace engine;

namespace {

// A chain far deeper than Windows allows, as a hostile file can hold.
constexpr int kDeepLevels = 300000;

testenv::PrefixBuilder walkRegistry()
{
    testenv::PrefixBuilder b;
    // Walk order.
    b.system("W\\K");
    b.sz("kv", "C:\\k.ttf");
    b.system("W\\K\\L");
    b.sz("lv", "C:\\l.ttf");
    b.system("W\\K\\L\\M");
    b.sz("mv", "C:\\m.ttf");
    b.system("W\\K\\N");
    b.sz("nv", "C:\\n.ttf");
    b.system("W\\Empty");
    // Value types.
    b.system("W\\T");
    b.sz({}, "C:\\def.ttf");
    b.expand("a", "C:\\expand.ttf");
    b.multi("b", {"C:\\first.ttf", "C:\\second.ttf"});
    b.dword("c", 0xffffffff);
    b.binary("d", QByteArray::fromHex("433a5c622e74746600"));
    b.dword("e", 0x2a);
    // Buffer limits: data of 254 characters fits (255 bytes with its NUL),
    // 255 do not and end the key's values.
    b.system("W\\Data");
    b.sz("a", "C:\\" + QString(247, 'e') + ".ttf");  // 254 characters
    b.sz("b", "C:\\" + QString(248, 'f') + ".ttf");  // 255 characters
    b.sz("c", "C:\\c.ttf");
    b.system("W\\Names");
    b.sz("a", "C:\\a.ttf");
    b.sz(QString(254, 'm'), "C:\\m.ttf");
    b.sz(QString(255, 'n'), "C:\\n.ttf");
    b.sz("z", "C:\\z.ttf");
    b.system("W\\Sub\\a");
    b.sz("v", "C:\\sa.ttf");
    b.system("W\\Sub\\" + QString(255, 'b'));
    b.sz("v", "C:\\sb.ttf");
    b.system("W\\Sub\\c");
    b.sz("v", "C:\\sc.ttf");
    // Active X values whose drive test pumps messages.
    b.system("W\\AX");
    b.sz("a", "Z:\\gone1.dll");
    b.sz("b", "C:\\gone2.dll");

    // One entry for every section.
    b.system("Software\\Classes\\CLSID\\{A}\\InprocServer32");
    b.sz({}, "C:\\gone\\a.dll");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe");
    b.sz({}, "C:\\gone\\x.exe");
    b.system("System\\CurrentControlSet\\Control\\VirtualDeviceDrivers");
    b.sz("UninstallString", "C:\\gone\\u.exe");
    b.system("Software\\Microsoft\\Windows\\Help");
    b.sz("h.hlp", "C:\\gone");
    b.system("Software\\Microsoft\\Windows\\HTML Help");
    b.sz("c.chm", "C:\\gone\\");
    b.system("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
    b.sz("F", "f.ttf");
    b.system("Software\\Microsoft\\Shared Tools\\T");
    b.sz("Path", "C:\\gone\\s.dll");
    b.system("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    b.sz("r", "C:\\gone\\r.exe");

    // Links back to where the walk came from.
    b.system("Links\\Up\\A");
    b.sz("a", "C:\\a.ttf");
    b.system("Links\\Up\\A\\B");
    b.sz("b", "C:\\b.ttf");
    b.system("Links\\Up\\A\\B\\toStart").link("\\Registry\\Machine\\Links\\Up");
    b.system("Links\\Up\\A\\C").link("\\REGISTRY\\Machine\\links\\up\\a");
    b.system("Links\\Up\\A\\B\\self").link("\\Registry\\Machine\\Links\\Up\\A\\B");
    // Each of N0..N20 holds two links to the next: 2^20 ways down one chain.
    for (int n = 0; n <= 20; ++n) {
        const QString at = QStringLiteral("Links\\Fan\\N%1").arg(n, 2, 10, QLatin1Char('0'));
        b.system(at);
        b.sz("v", QStringLiteral("C:\\n%1.ttf").arg(n));
        if (n < 20) {
            const QString next = QStringLiteral("\\Registry\\Machine\\Links\\Fan\\N%1").arg(n + 1, 2, 10, QLatin1Char('0'));
            b.system(at + "\\x").link(next);
            b.system(at + "\\y").link(next);
        }
    }
    // One chain deeper than a small stack holds as recursion, with a value
    // on the deepest key a walk enters and one at its end.
    QStringList deep(kDeepLevels, QStringLiteral("d"));
    b.system("Deep\\" + deep.join("\\"));
    b.sz("v", "C:\\deep.ttf");
    b.system("Deep\\" + deep.mid(0, kMaxKeyDepth - 1).join("\\"));
    b.sz("v", "C:\\limit.ttf");
    b.user("Software\\Microsoft\\Windows\\CurrentVersion\\Run").sz("u", "C:\\gone\\cu.exe");
    b.hive(testenv::Hive::UserDefault);
    return b;
}


// Nothing exists; every lookup is recorded.
struct NothingExists {
    QStringList lookups;
    RuleEnvironment environment{
        [this](const QString& p) {
            lookups << p;
            return false;
        },
        [] { return QStringLiteral("C:\\WINDOWS\\system32"); },
        [] { return QStringLiteral("C:\\WINDOWS"); },
        [] { return QStringLiteral("C:\\Program Files"); },
        [] { return QStringLiteral("C:\\Program Files\\Common Files"); },
        [] {
            using platform::DriveType;
            return std::vector<platform::DriveInfo>{{'A', DriveType::Removable, {}},
                                                    {'C', DriveType::Fixed, {}},
                                                    {'Z', DriveType::Fixed, {}}};
        },
        {},
        {},
    };
};

class WalkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString dir = testenv::makeTempDir("walk-prefix");
        ASSERT_TRUE(walkRegistry().folder("drive_c/windows/system32").drive("c:", "../drive_c").write(dir));
        const platform::PrefixError e = platform::openPrefix(dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }
    static void TearDownTestSuite() { platform::closePrefix(); }

    void SetUp() override
    {
        bCancelScan = false;
        setPathDisplay([this](const QString& t) { shown << t; });
    }
    void TearDown() override { bCancelScan = false; }

    // What the scan context's pump and display do; a test may change them.
    void setPump(std::function<void()> f) { pump = std::move(f); }
    void setPathDisplay(std::function<void(const QString&)> f) { display = std::move(f); }

    QStringList keyValues() const
    {
        QStringList out;
        for (const ProblemRow& r : list.rows())
            out << r.KeyValue;
        return out;
    }

    NothingExists files;
    QStringList shown;
    std::function<void()> pump;
    std::function<void(const QString&)> display;
    ProblemList list;
    bool bCancelScan = false;
    const ScanContext ctx{list, &files.environment,
                          [this] {
                              if (pump)
                                  pump();
                          },
                          [this](const QString& t) {
                              if (display)
                                  display(t);
                          },
                          &bCancelScan};
};

const QString kFonts = QStringLiteral("Fonts");

}  // namespace

TEST_F(WalkTest, SubKeysShownThenJudgedDepthFirstWithoutTheStartKey)
{
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W\\K", kFonts, "R");
    EXPECT_EQ(shown, QStringList({"R\\W\\K\\L", "R\\W\\K\\L\\M", "R\\W\\K\\N"}));
    EXPECT_EQ(keyValues(), QStringList({"C:\\l.ttf", "C:\\m.ttf", "C:\\n.ttf"}));
    ASSERT_EQ(list.count(), 3);
    const ProblemRow& m = list.row(2);
    EXPECT_EQ(m.FullKeyPath, "W\\K\\L\\M");
    EXPECT_EQ(m.KeyName, "mv");
    EXPECT_EQ(m.mainkeyname, "R");
    EXPECT_EQ(m.MainKey, "-2147483646");
}

TEST_F(WalkTest, KeyValuesJudgesOnlyTheOneKeyAndShowsNothing)
{
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "w\\k", kFonts, "R");
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(keyValues(), QStringList({"C:\\k.ttf"}));
    EXPECT_EQ(list.row(1).FullKeyPath, "w\\k");
}

TEST_F(WalkTest, EmptyOrMissingKeysYieldNothing)
{
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W\\Empty", kFonts, "R");
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W\\NoSuchKey", kFonts, "R");
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W\\NoSuchKey", kFonts, "R");
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W", kFonts, "R");  // implied key without values
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(list.count(), 0);
}

TEST_F(WalkTest, ValueTypesAsText)
{
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W\\T", kFonts, "R");
    // Default first; REG_EXPAND_SZ and REG_BINARY never judged; a multi-string
    // by its first string; numbers as signed decimal.
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.row(1).KeyName, "(Default)");
    EXPECT_EQ(list.row(1).KeyValue, "C:\\def.ttf");
    EXPECT_EQ(list.row(2).KeyValue, "C:\\first.ttf");
    EXPECT_EQ(list.row(3).KeyValue, "C:\\WINDOWS\\Fonts\\-1");
    EXPECT_EQ(list.row(4).KeyValue, "C:\\WINDOWS\\Fonts\\42");
    EXPECT_FALSE(files.lookups.contains("C:\\expand.ttf"));
}

TEST_F(WalkTest, BufferLimitsEndTheEnumeration)
{
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W\\Data", kFonts, "R");
    ASSERT_EQ(list.count(), 1);  // 254 characters fit, 255 end the key
    EXPECT_EQ(list.row(1).KeyValue.size(), 254);

    list.clear();
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W\\Names", kFonts, "R");
    EXPECT_EQ(keyValues(), QStringList({"C:\\a.ttf", "C:\\m.ttf"}));

    list.clear();
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W\\Sub", kFonts, "R");
    EXPECT_EQ(keyValues(), QStringList({"C:\\sa.ttf"}));
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(WalkTest, CancelFromTheDisplayStopsBeforeAnyValue)
{
    setPathDisplay([this](const QString&) { bCancelScan = true; });
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W\\K", kFonts, "R");
    EXPECT_EQ(list.count(), 0);
}

TEST_F(WalkTest, CancelInsideARuleEndsTheKeyAfterThatValue)
{
    // The fixed-drive test lets messages run once per drive it passes over.
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W\\AX", "Active X Objects", "R");
    EXPECT_EQ(keyValues(), QStringList({"Z:\\gone1.dll", "C:\\gone2.dll"}));

    list.clear();
    setPump([this] { bCancelScan = true; });
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W\\AX", "Active X Objects", "R");
    EXPECT_EQ(keyValues(), QStringList({"Z:\\gone1.dll"}));
}

TEST_F(WalkTest, CancelAtEveryPumpAddsNoFurtherRow)
{
    int total = 0;
    setPump([&total] { ++total; });
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W", kFonts, "R");
    const QStringList all = keyValues();
    ASSERT_GT(total, 10);
    ASSERT_GE(all.size(), 10);

    for (int n = 1; n <= total; ++n) {
        list.clear();
        bCancelScan = false;
        int calls = 0;
        int rowsAtCancel = -1;
        setPump([&] {
            if (++calls == n) {
                bCancelScan = true;
                rowsAtCancel = list.count();
            }
        });
        ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W", kFonts, "R");
        ASSERT_EQ(list.count(), rowsAtCancel) << "cancel at pump " << n;
        EXPECT_EQ(keyValues(), all.mid(0, rowsAtCancel)) << "cancel at pump " << n;
        EXPECT_EQ(calls, n) << "no message runs after the cancel";
    }
}

TEST_F(WalkTest, EveryKeyIsEnteredOnceWhateverLinksLeadBackToIt)
{
    struct Case {
        const char* what;
        const char* start;
        QStringList shown;
        QStringList rows;
    };
    QStringList fanShown{"R\\Links\\Fan\\N00"};
    QStringList fanRows{"C:\\n0.ttf"};
    QString at = "R\\Links\\Fan\\N00";
    for (int n = 1; n <= 20; ++n) {
        at += "\\x";
        fanShown << at;
        fanRows << QStringLiteral("C:\\n%1.ttf").arg(n);
    }
    const Case cases[] = {
        // Links to the start key, to a grandparent and to the key itself.
        {"links to ancestors", "Links\\Up", {"R\\Links\\Up\\A", "R\\Links\\Up\\A\\B"}, {"C:\\a.ttf", "C:\\b.ttf"}},
        // Each key is reached first through the links, then never again, not
        // even under its own name.
        {"links that fan out into one chain", "Links\\Fan", fanShown, fanRows},
    };
    for (const Case& c : cases) {
        shown.clear();
        list.clear();
        ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, c.start, kFonts, "R");
        QStringList abbreviated;
        for (const QString& path : c.shown)
            abbreviated << AbbreviateScanPath(path);
        EXPECT_EQ(shown.join(" | ").toStdString(), abbreviated.join(" | ").toStdString()) << c.what;
        EXPECT_EQ(keyValues().join(" | ").toStdString(), c.rows.join(" | ").toStdString()) << c.what;
    }
}

// Walked down to the depth Windows allows and no further, on a stack that
// recursion could not use; each level opened by its path, so without the
// limit this chain would take hours.
TEST_F(WalkTest, ADeepChainIsWalkedToTheDepthLimitOnASmallStack)
{
    QThread* thread = QThread::create([this] { ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "Deep", kFonts, "R"); });
    thread->setStackSize(256 * 1024);
    thread->start();
    ASSERT_TRUE(thread->wait(QDeadlineTimer(100000)));
    delete thread;
    ASSERT_EQ(shown.size(), kMaxKeyDepth - 1);
    EXPECT_TRUE(shown.last().endsWith("\\d"));
    EXPECT_EQ(keyValues(), QStringList({"C:\\limit.ttf"}));
    QString deepest = "Deep";
    for (int i = 1; i < kMaxKeyDepth; ++i)
        deepest += "\\d";
    EXPECT_EQ(list.row(1).FullKeyPath, deepest);
}

TEST(SectionTableTest, ThirteenWalksInOrder)
{
    struct W {
        int section;
        WalkKind kind;
        HKEY root;
        const char* rootName;
        const char* path;
    };
    const auto S = WalkKind::AllSubKeys;
    const auto V = WalkKind::KeyValues;
    const W expected[] = {
        {0, S, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "CLSID"},
        {1, S, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
        {2, S, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes\\CLSID"},
        {3, V, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers"},
        {4, V, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\Help"},
        {4, V, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\HTML Help"},
        {5, V, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"},
        {6, S, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Shared Tools"},
        {7, V, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"},
        {7, S, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
        {8, V, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {8, V, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
    };
    std::vector<W> got;
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i)
        for (const ScanWalk& w : sectionWalks(i, 2)) {
            got.push_back({i, w.kind, w.root, nullptr, nullptr});
            paths.push_back((w.rootName + "|" + w.keyPath).toStdString());
        }
    ASSERT_EQ(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].section, expected[i].section) << i;
        EXPECT_EQ(got[i].kind, expected[i].kind) << i;
        EXPECT_EQ(got[i].root, expected[i].root) << i;
        EXPECT_EQ(paths[i], std::string(expected[i].rootName) + "|" + expected[i].path) << i;
    }
    EXPECT_EQ(sectionWalks(5, 1).at(0).keyPath, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts");

    const auto& t = scanSections();
    const char* names[] = {"Active X Objects", "Application Paths", "None", "File Types", "Help Files",
                           "Fonts", "Shared Program Files", "Installed Sound Files", "Startup Programs"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(t[i].sectionName, names[i]);
        EXPECT_EQ(t[i].counted, i != 2 && i != 7);
        EXPECT_EQ(t[i].cancelTestBefore, i >= 6);
        EXPECT_EQ(t[i].cancelTestBetween, i == 4 || i == 8);
        EXPECT_EQ(t[i].cancelTestAfter, i < 8);
    }
}

TEST_F(WalkTest, HeadlessScanOfAllSections)
{
    const ScanSummary r = scanAllSections(ctx, 2);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(keyValues(), QStringList({"C:\\gone\\a.dll", "C:\\gone\\x.exe", "C:\\gone\\u.exe", "C:\\gone\\h.hlp",
                                        "C:\\gone\\c.chm", "C:\\WINDOWS\\Fonts\\f.ttf", "C:\\gone\\s.dll",
                                        "C:\\gone\\r.exe", "C:\\gone\\cu.exe"}));
    const std::array<QString, 9> counters{"1", "1", "0", "1", "2", "1", "1", "0", "2"};
    EXPECT_EQ(r.counters, counters);
    EXPECT_EQ(r.problemsFound, "9");
    const ProblemRow& ax = list.row(1);
    EXPECT_EQ(ax.fields(), QStringList({"-2147483648", "(Default)", "C:\\gone\\a.dll", "Active X Objects",
                                        "CLSID\\{A}\\InprocServer32", "HKEY_CLASSES_ROOT", ""}));
    const ProblemRow& cu = list.row(9);
    EXPECT_EQ(cu.fields(), QStringList({"-2147483647", "u", "C:\\gone\\cu.exe", "Startup Programs",
                                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "HKEY_CURRENT_USER",
                                        ""}));
    // The unjudged sections walked their keys too.
    EXPECT_EQ(shown.count("HKEY_CLASSES_ROOT\\CLSID.....\\{A}"), 1);
    EXPECT_EQ(shown.count("HKEY_LOCAL_MACHINE\\SOFT.....\\{A}"), 1);
    EXPECT_EQ(shown.count("HKEY_LOCAL_MACHINE\\SOFT.....\\x.exe"), 2);
}

TEST_F(WalkTest, HeadlessScanStopsAtTheDriverTestPoints)
{
    struct Case {
        const char* cancelOnRowOf;  // the pump sets the flag once a row of this section is listed
        int rows;
        std::array<QString, 9> counters;
    };
    const Case cases[] = {
        {"Active X Objects", 1, {"1", "0", "0", "0", "0", "0", "0", "0", "0"}},
        {"Help Files", 4, {"1", "1", "0", "1", "0", "0", "0", "0", "0"}},
        {"Fonts", 6, {"1", "1", "0", "1", "2", "1", "0", "0", "0"}},
        {"Startup Programs", 8, {"1", "1", "0", "1", "2", "1", "1", "0", "0"}},
    };
    for (const Case& c : cases) {
        setPump([this, &c] {
            const int n = list.count();
            if (n > 0 && list.row(n).RegistryScanners == c.cancelOnRowOf)
                bCancelScan = true;
        });
        const ScanSummary r = scanAllSections(ctx, 2);
        EXPECT_TRUE(r.cancelled) << c.cancelOnRowOf;
        EXPECT_EQ(list.count(), c.rows) << c.cancelOnRowOf;
        EXPECT_EQ(r.counters, c.counters) << c.cancelOnRowOf;
    }
}
