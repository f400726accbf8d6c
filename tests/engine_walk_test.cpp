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
using namespace Qt::StringLiterals;

namespace {

// A chain far deeper than Windows allows, as a hostile file can hold.
constexpr int kDeepLevels = 300000;

testenv::PrefixBuilder walkRegistry()
{
    testenv::PrefixBuilder b;
    // Walk order.
    b.system(u"W\\K"_s);
    b.sz(u"kv"_s, u"C:\\k.ttf"_s);
    b.system(u"W\\K\\L"_s);
    b.sz(u"lv"_s, u"C:\\l.ttf"_s);
    b.system(u"W\\K\\L\\M"_s);
    b.sz(u"mv"_s, u"C:\\m.ttf"_s);
    b.system(u"W\\K\\N"_s);
    b.sz(u"nv"_s, u"C:\\n.ttf"_s);
    b.system(u"W\\Empty"_s);
    // Value types.
    b.system(u"W\\T"_s);
    b.sz({}, u"C:\\def.ttf"_s);
    b.expand(u"a"_s, u"C:\\expand.ttf"_s);
    b.multi(u"b"_s, {u"C:\\first.ttf"_s, u"C:\\second.ttf"_s});
    b.dword(u"c"_s, 0xffffffff);
    b.binary(u"d"_s, QByteArray::fromHex("433a5c622e74746600"));
    b.dword(u"e"_s, 0x2a);
    // Buffer limits: data of 254 characters fits (255 bytes with its NUL),
    // 255 do not and end the key's values.
    b.system(u"W\\Data"_s);
    b.sz(u"a"_s, u"C:\\"_s + QString(247, u'e') + u".ttf"_s);  // 254 characters
    b.sz(u"b"_s, u"C:\\"_s + QString(248, u'f') + u".ttf"_s);  // 255 characters
    b.sz(u"c"_s, u"C:\\c.ttf"_s);
    b.system(u"W\\Names"_s);
    b.sz(u"a"_s, u"C:\\a.ttf"_s);
    b.sz(QString(254, u'm'), u"C:\\m.ttf"_s);
    b.sz(QString(255, u'n'), u"C:\\n.ttf"_s);
    b.sz(u"z"_s, u"C:\\z.ttf"_s);
    b.system(u"W\\Sub\\a"_s);
    b.sz(u"v"_s, u"C:\\sa.ttf"_s);
    b.system(u"W\\Sub\\"_s + QString(255, u'b'));
    b.sz(u"v"_s, u"C:\\sb.ttf"_s);
    b.system(u"W\\Sub\\c"_s);
    b.sz(u"v"_s, u"C:\\sc.ttf"_s);
    // Active X values whose drive test pumps messages.
    b.system(u"W\\AX"_s);
    b.sz(u"a"_s, u"Z:\\gone1.dll"_s);
    b.sz(u"b"_s, u"C:\\gone2.dll"_s);

    // One entry for every section.
    b.system(u"Software\\Classes\\CLSID\\{A}\\InprocServer32"_s);
    b.sz({}, u"C:\\gone\\a.dll"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe"_s);
    b.sz({}, u"C:\\gone\\x.exe"_s);
    b.system(u"System\\CurrentControlSet\\Control\\VirtualDeviceDrivers"_s);
    b.sz(u"UninstallString"_s, u"C:\\gone\\u.exe"_s);
    b.system(u"Software\\Microsoft\\Windows\\Help"_s);
    b.sz(u"h.hlp"_s, u"C:\\gone"_s);
    b.system(u"Software\\Microsoft\\Windows\\HTML Help"_s);
    b.sz(u"c.chm"_s, u"C:\\gone\\"_s);
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"_s);
    b.sz(u"F"_s, u"f.ttf"_s);
    b.system(u"Software\\Microsoft\\Shared Tools\\T"_s);
    b.sz(u"Path"_s, u"C:\\gone\\s.dll"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s);
    b.sz(u"r"_s, u"C:\\gone\\r.exe"_s);

    // Links back to where the walk came from.
    b.system(u"Links\\Up\\A"_s);
    b.sz(u"a"_s, u"C:\\a.ttf"_s);
    b.system(u"Links\\Up\\A\\B"_s);
    b.sz(u"b"_s, u"C:\\b.ttf"_s);
    b.system(u"Links\\Up\\A\\B\\toStart"_s).link(u"\\Registry\\Machine\\Links\\Up"_s);
    b.system(u"Links\\Up\\A\\C"_s).link(u"\\REGISTRY\\Machine\\links\\up\\a"_s);
    b.system(u"Links\\Up\\A\\B\\self"_s).link(u"\\Registry\\Machine\\Links\\Up\\A\\B"_s);
    // Each of N0..N20 holds two links to the next: 2^20 ways down one chain.
    for (int n = 0; n <= 20; ++n) {
        const QString at = QStringLiteral("Links\\Fan\\N%1").arg(n, 2, 10, QLatin1Char('0'));
        b.system(at);
        b.sz(u"v"_s, QStringLiteral("C:\\n%1.ttf").arg(n));
        if (n < 20) {
            const QString next = QStringLiteral("\\Registry\\Machine\\Links\\Fan\\N%1").arg(n + 1, 2, 10, QLatin1Char('0'));
            b.system(at + u"\\x"_s).link(next);
            b.system(at + u"\\y"_s).link(next);
        }
    }
    // One chain deeper than a small stack holds as recursion, with a value
    // on the deepest key a walk enters and one at its end.
    QStringList deep(kDeepLevels, QStringLiteral("d"));
    b.system(u"Deep\\"_s + deep.join(u"\\"_s));
    b.sz(u"v"_s, u"C:\\deep.ttf"_s);
    b.system(u"Deep\\"_s + deep.mid(0, kMaxKeyDepth - 1).join(u"\\"_s));
    b.sz(u"v"_s, u"C:\\limit.ttf"_s);
    b.user(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s).sz(u"u"_s, u"C:\\gone\\cu.exe"_s);
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
            return std::vector<platform::DriveInfo>{{u'A', DriveType::Removable, {}},
                                                    {u'C', DriveType::Fixed, {}},
                                                    {u'Z', DriveType::Fixed, {}}};
        },
        {},
        {},
    };
};

class WalkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString dir = testenv::makeTempDir(u"walk-prefix"_s);
        ASSERT_TRUE(walkRegistry().folder(u"drive_c/windows/system32"_s).drive(u"c:"_s, u"../drive_c"_s).write(dir));
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
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"W\\K"_s, kFonts, u"R"_s);
    EXPECT_EQ(shown, QStringList({u"R\\W\\K\\L"_s, u"R\\W\\K\\L\\M"_s, u"R\\W\\K\\N"_s}));
    EXPECT_EQ(keyValues(), QStringList({u"C:\\l.ttf"_s, u"C:\\m.ttf"_s, u"C:\\n.ttf"_s}));
    ASSERT_EQ(list.count(), 3);
    const ProblemRow& m = list.row(2);
    EXPECT_EQ(m.FullKeyPath, u"W\\K\\L\\M"_s);
    EXPECT_EQ(m.KeyName, u"mv"_s);
    EXPECT_EQ(m.mainkeyname, u"R"_s);
    EXPECT_EQ(m.MainKey, u"-2147483646"_s);
}

TEST_F(WalkTest, KeyValuesJudgesOnlyTheOneKeyAndShowsNothing)
{
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"w\\k"_s, kFonts, u"R"_s);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(keyValues(), QStringList({u"C:\\k.ttf"_s}));
    EXPECT_EQ(list.row(1).FullKeyPath, u"w\\k"_s);
}

TEST_F(WalkTest, EmptyOrMissingKeysYieldNothing)
{
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"W\\Empty"_s, kFonts, u"R"_s);
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"W\\NoSuchKey"_s, kFonts, u"R"_s);
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"W\\NoSuchKey"_s, kFonts, u"R"_s);
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"W"_s, kFonts, u"R"_s);  // implied key without values
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(list.count(), 0);
}

TEST_F(WalkTest, ValueTypesAsText)
{
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"W\\T"_s, kFonts, u"R"_s);
    // Default first; REG_EXPAND_SZ and REG_BINARY never judged; a multi-string
    // by its first string; numbers as signed decimal.
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.row(1).KeyName, u"(Default)"_s);
    EXPECT_EQ(list.row(1).KeyValue, u"C:\\def.ttf"_s);
    EXPECT_EQ(list.row(2).KeyValue, u"C:\\first.ttf"_s);
    EXPECT_EQ(list.row(3).KeyValue, u"C:\\WINDOWS\\Fonts\\-1"_s);
    EXPECT_EQ(list.row(4).KeyValue, u"C:\\WINDOWS\\Fonts\\42"_s);
    EXPECT_FALSE(files.lookups.contains(u"C:\\expand.ttf"_s));
}

TEST_F(WalkTest, BufferLimitsEndTheEnumeration)
{
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"W\\Data"_s, kFonts, u"R"_s);
    ASSERT_EQ(list.count(), 1);  // 254 characters fit, 255 end the key
    EXPECT_EQ(list.row(1).KeyValue.size(), 254);

    list.clear();
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"W\\Names"_s, kFonts, u"R"_s);
    EXPECT_EQ(keyValues(), QStringList({u"C:\\a.ttf"_s, u"C:\\m.ttf"_s}));

    list.clear();
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"W\\Sub"_s, kFonts, u"R"_s);
    EXPECT_EQ(keyValues(), QStringList({u"C:\\sa.ttf"_s}));
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(WalkTest, CancelFromTheDisplayStopsBeforeAnyValue)
{
    setPathDisplay([this](const QString&) { bCancelScan = true; });
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"W\\K"_s, kFonts, u"R"_s);
    EXPECT_EQ(list.count(), 0);
}

TEST_F(WalkTest, CancelInsideARuleEndsTheKeyAfterThatValue)
{
    // The fixed-drive test lets messages run once per drive it passes over.
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"W\\AX"_s, u"Active X Objects"_s, u"R"_s);
    EXPECT_EQ(keyValues(), QStringList({u"Z:\\gone1.dll"_s, u"C:\\gone2.dll"_s}));

    list.clear();
    setPump([this] { bCancelScan = true; });
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, u"W\\AX"_s, u"Active X Objects"_s, u"R"_s);
    EXPECT_EQ(keyValues(), QStringList({u"Z:\\gone1.dll"_s}));
}

TEST_F(WalkTest, CancelAtEveryPumpAddsNoFurtherRow)
{
    int total = 0;
    setPump([&total] { ++total; });
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"W"_s, kFonts, u"R"_s);
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
        ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"W"_s, kFonts, u"R"_s);
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
    QStringList fanShown{u"R\\Links\\Fan\\N00"_s};
    QStringList fanRows{u"C:\\n0.ttf"_s};
    QString at = u"R\\Links\\Fan\\N00"_s;
    for (int n = 1; n <= 20; ++n) {
        at += u"\\x"_s;
        fanShown << at;
        fanRows << QStringLiteral("C:\\n%1.ttf").arg(n);
    }
    const Case cases[] = {
        // Links to the start key, to a grandparent and to the key itself.
        {"links to ancestors", "Links\\Up", {u"R\\Links\\Up\\A"_s, u"R\\Links\\Up\\A\\B"_s}, {u"C:\\a.ttf"_s, u"C:\\b.ttf"_s}},
        // Each key is reached first through the links, then never again, not
        // even under its own name.
        {"links that fan out into one chain", "Links\\Fan", fanShown, fanRows},
    };
    for (const Case& c : cases) {
        shown.clear();
        list.clear();
        ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, QString::fromLatin1(c.start), kFonts, u"R"_s);
        QStringList abbreviated;
        for (const QString& path : c.shown)
            abbreviated << AbbreviateScanPath(path);
        EXPECT_EQ(shown.join(u" | "_s).toStdString(), abbreviated.join(u" | "_s).toStdString()) << c.what;
        EXPECT_EQ(keyValues().join(u" | "_s).toStdString(), c.rows.join(u" | "_s).toStdString()) << c.what;
    }
}

// Walked down to the depth Windows allows and no further, on a stack that
// recursion could not use; each level opened by its path, so without the
// limit this chain would take hours.
TEST_F(WalkTest, ADeepChainIsWalkedToTheDepthLimitOnASmallStack)
{
    QThread* thread = QThread::create([this] { ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, u"Deep"_s, kFonts, u"R"_s); });
    thread->setStackSize(256 * 1024);
    thread->start();
    ASSERT_TRUE(thread->wait(QDeadlineTimer(100000)));
    delete thread;
    ASSERT_EQ(shown.size(), kMaxKeyDepth - 1);
    EXPECT_TRUE(shown.last().endsWith(u"\\d"_s));
    EXPECT_EQ(keyValues(), QStringList({u"C:\\limit.ttf"_s}));
    QString deepest = u"Deep"_s;
    for (int i = 1; i < kMaxKeyDepth; ++i)
        deepest += u"\\d"_s;
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
            paths.push_back((w.rootName + u"|"_s + w.keyPath).toStdString());
        }
    ASSERT_EQ(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].section, expected[i].section) << i;
        EXPECT_EQ(got[i].kind, expected[i].kind) << i;
        EXPECT_EQ(got[i].root, expected[i].root) << i;
        EXPECT_EQ(paths[i], std::string(expected[i].rootName) + "|" + expected[i].path) << i;
    }
    EXPECT_EQ(sectionWalks(5, 1).at(0).keyPath, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"_s);

    const auto& t = scanSections();
    const char* names[] = {"Active X Objects", "Application Paths", "None", "File Types", "Help Files",
                           "Fonts", "Shared Program Files", "Installed Sound Files", "Startup Programs"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(t[i].sectionName, QString::fromLatin1(names[i]));
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
    EXPECT_EQ(keyValues(), QStringList({u"C:\\gone\\a.dll"_s, u"C:\\gone\\x.exe"_s, u"C:\\gone\\u.exe"_s, u"C:\\gone\\h.hlp"_s,
                                        u"C:\\gone\\c.chm"_s, u"C:\\WINDOWS\\Fonts\\f.ttf"_s, u"C:\\gone\\s.dll"_s,
                                        u"C:\\gone\\r.exe"_s, u"C:\\gone\\cu.exe"_s}));
    const std::array<QString, 9> counters{u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"2"_s, u"1"_s, u"1"_s, u"0"_s, u"2"_s};
    EXPECT_EQ(r.counters, counters);
    EXPECT_EQ(r.problemsFound, u"9"_s);
    const ProblemRow& ax = list.row(1);
    EXPECT_EQ(ax.fields(), QStringList({u"-2147483648"_s, u"(Default)"_s, u"C:\\gone\\a.dll"_s, u"Active X Objects"_s,
                                        u"CLSID\\{A}\\InprocServer32"_s, u"HKEY_CLASSES_ROOT"_s, u""_s}));
    const ProblemRow& cu = list.row(9);
    EXPECT_EQ(cu.fields(), QStringList({u"-2147483647"_s, u"u"_s, u"C:\\gone\\cu.exe"_s, u"Startup Programs"_s,
                                        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"_s, u"HKEY_CURRENT_USER"_s,
                                        u""_s}));
    // The unjudged sections walked their keys too.
    EXPECT_EQ(shown.count(u"HKEY_CLASSES_ROOT\\CLSID.....\\{A}"_s), 1);
    EXPECT_EQ(shown.count(u"HKEY_LOCAL_MACHINE\\SOFT.....\\{A}"_s), 1);
    EXPECT_EQ(shown.count(u"HKEY_LOCAL_MACHINE\\SOFT.....\\x.exe"_s), 2);
}

TEST_F(WalkTest, HeadlessScanStopsAtTheDriverTestPoints)
{
    struct Case {
        const char* cancelOnRowOf;  // the pump sets the flag once a row of this section is listed
        int rows;
        std::array<QString, 9> counters;
    };
    const Case cases[] = {
        {"Active X Objects", 1, {u"1"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s}},
        {"Help Files", 4, {u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s}},
        {"Fonts", 6, {u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"2"_s, u"1"_s, u"0"_s, u"0"_s, u"0"_s}},
        {"Startup Programs", 8, {u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"2"_s, u"1"_s, u"1"_s, u"0"_s, u"0"_s}},
    };
    for (const Case& c : cases) {
        setPump([this, &c] {
            const int n = list.count();
            if (n > 0 && list.row(n).RegistryScanners == QString::fromLatin1(c.cancelOnRowOf))
                bCancelScan = true;
        });
        const ScanSummary r = scanAllSections(ctx, 2);
        EXPECT_TRUE(r.cancelled) << c.cancelOnRowOf;
        EXPECT_EQ(list.count(), c.rows) << c.cancelOnRowOf;
        EXPECT_EQ(r.counters, c.counters) << c.cancelOnRowOf;
    }
}
