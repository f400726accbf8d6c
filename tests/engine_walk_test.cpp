// The registry walk, the section table and the headless scan over a small
// hand-made prefix: order of keys shown and values judged, value types,
// buffer limits and every cancel point.
#include "engine/problemlist.h"
#include "engine/rules.h"
#include "engine/scancontext.h"
#include "engine/scandriver.h"
#include "engine/scansections.h"
#include "engine/scanstate.h"
#include "engine/scanwalk.h"
#include "platform/prefix.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QThread>

#include <functional>
#include <utility>

using namespace engine;

namespace {

QString regLine(const QString& name, const QString& data)
{
    return QStringLiteral("\"%1\"=\"%2\"\n").arg(name, data);
}

// A link key: its block marks it and names its target under \Registry.
QString linkBlock(const QString& path, const QString& target)
{
    QString s = QStringLiteral("\n[%1] 1700000000\n#link\n\"SymbolicLinkValue\"=hex(6):").arg(path);
    QStringList bytes;
    for (const QChar c : target)
        bytes << QString::number(c.unicode() & 0xFF, 16) << QString::number(c.unicode() >> 8, 16);
    return s + bytes.join(QLatin1Char(',')) + QLatin1Char('\n');
}

// A chain far deeper than Windows allows, as a hostile file can hold.
constexpr int kDeepLevels = 300000;

QByteArray systemReg()
{
    QString s = QStringLiteral("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n");
    auto key = [&s](const QString& path) { s += QStringLiteral("\n[%1] 1700000000\n").arg(path); };
    // Walk order.
    key("W\\\\K");
    s += regLine("kv", "C:\\\\k.ttf");
    key("W\\\\K\\\\L");
    s += regLine("lv", "C:\\\\l.ttf");
    key("W\\\\K\\\\L\\\\M");
    s += regLine("mv", "C:\\\\m.ttf");
    key("W\\\\K\\\\N");
    s += regLine("nv", "C:\\\\n.ttf");
    key("W\\\\Empty");
    // Value types.
    key("W\\\\T");
    s += "@=\"C:\\\\def.ttf\"\n";
    s += "\"a\"=str(2):\"C:\\\\expand.ttf\"\n";
    s += "\"b\"=str(7):\"C:\\\\first.ttf\\0C:\\\\second.ttf\\0\"\n";
    s += "\"c\"=dword:ffffffff\n";
    s += "\"d\"=hex:43,3a,5c,62,2e,74,74,66,00\n";
    s += "\"e\"=dword:0000002a\n";
    // Buffer limits: data of 254 characters fits (255 bytes with its NUL),
    // 255 do not and end the key's values.
    key("W\\\\Data");
    s += regLine("a", "C:\\\\" + QString(247, 'e') + ".ttf");  // 254 characters
    s += regLine("b", "C:\\\\" + QString(248, 'f') + ".ttf");  // 255 characters
    s += regLine("c", "C:\\\\c.ttf");
    key("W\\\\Names");
    s += regLine("a", "C:\\\\a.ttf");
    s += regLine(QString(254, 'm'), "C:\\\\m.ttf");
    s += regLine(QString(255, 'n'), "C:\\\\n.ttf");
    s += regLine("z", "C:\\\\z.ttf");
    key("W\\\\Sub\\\\a");
    s += regLine("v", "C:\\\\sa.ttf");
    key("W\\\\Sub\\\\" + QString(255, 'b'));
    s += regLine("v", "C:\\\\sb.ttf");
    key("W\\\\Sub\\\\c");
    s += regLine("v", "C:\\\\sc.ttf");
    // Active X values whose drive test pumps messages.
    key("W\\\\AX");
    s += regLine("a", "Z:\\\\gone1.dll");
    s += regLine("b", "C:\\\\gone2.dll");

    // One entry for every section.
    key("Software\\\\Classes\\\\CLSID\\\\{A}\\\\InprocServer32");
    s += "@=\"C:\\\\gone\\\\a.dll\"\n";
    key("Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\x.exe");
    s += "@=\"C:\\\\gone\\\\x.exe\"\n";
    key("System\\\\CurrentControlSet\\\\Control\\\\VirtualDeviceDrivers");
    s += regLine("UninstallString", "C:\\\\gone\\\\u.exe");
    key("Software\\\\Microsoft\\\\Windows\\\\Help");
    s += regLine("h.hlp", "C:\\\\gone");
    key("Software\\\\Microsoft\\\\Windows\\\\HTML Help");
    s += regLine("c.chm", "C:\\\\gone\\\\");
    key("Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts");
    s += regLine("F", "f.ttf");
    key("Software\\\\Microsoft\\\\Shared Tools\\\\T");
    s += regLine("Path", "C:\\\\gone\\\\s.dll");
    key("Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run");
    s += regLine("r", "C:\\\\gone\\\\r.exe");

    // Links back to where the walk came from.
    key("Links\\\\Up\\\\A");
    s += regLine("a", "C:\\\\a.ttf");
    key("Links\\\\Up\\\\A\\\\B");
    s += regLine("b", "C:\\\\b.ttf");
    s += linkBlock("Links\\\\Up\\\\A\\\\B\\\\toStart", "\\Registry\\Machine\\Links\\Up");
    s += linkBlock("Links\\\\Up\\\\A\\\\C", "\\REGISTRY\\Machine\\links\\up\\a");
    s += linkBlock("Links\\\\Up\\\\A\\\\B\\\\self", "\\Registry\\Machine\\Links\\Up\\A\\B");
    // Each of N0..N20 holds two links to the next: 2^20 ways down one chain.
    for (int n = 0; n <= 20; ++n) {
        const QString at = QStringLiteral("Links\\\\Fan\\\\N%1").arg(n, 2, 10, QLatin1Char('0'));
        key(at);
        s += regLine("v", QStringLiteral("C:\\\\n%1.ttf").arg(n));
        if (n < 20) {
            const QString next = QStringLiteral("\\Registry\\Machine\\Links\\Fan\\N%1").arg(n + 1, 2, 10, QLatin1Char('0'));
            s += linkBlock(at + "\\\\x", next);
            s += linkBlock(at + "\\\\y", next);
        }
    }
    // One chain deeper than a small stack holds as recursion, with a value
    // on the deepest key a walk enters and one at its end.
    QStringList deep(kDeepLevels, QStringLiteral("d"));
    key("Deep\\\\" + deep.join("\\\\"));
    s += regLine("v", "C:\\\\deep.ttf");
    key("Deep\\\\" + deep.mid(0, kMaxKeyDepth - 1).join("\\\\"));
    s += regLine("v", "C:\\\\limit.ttf");
    return s.toUtf8();
}

QByteArray userReg()
{
    return QByteArrayLiteral(
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n"
        "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] 1700000000\n"
        "\"u\"=\"C:\\\\gone\\\\cu.exe\"\n");
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
        ASSERT_TRUE(testenv::writeFile(dir + "/system.reg", systemReg()));
        ASSERT_TRUE(testenv::writeFile(dir + "/user.reg", userReg()));
        ASSERT_TRUE(testenv::writeFile(
            dir + "/userdef.reg",
            "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n\n#arch=win64\n"));
        QDir().mkpath(dir + "/drive_c/windows/system32");
        QDir().mkpath(dir + "/dosdevices");
        QFile::link("../drive_c", dir + "/dosdevices/c:");
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
    const ScanContext ctx{list, &files.environment,
                          [this] {
                              if (pump)
                                  pump();
                          },
                          [this](const QString& t) {
                              if (display)
                                  display(t);
                          }};
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
    setPathDisplay([](const QString&) { bCancelScan = true; });
    ScanSubKeys(ctx, HKEY_LOCAL_MACHINE, "W\\K", kFonts, "R");
    EXPECT_EQ(list.count(), 0);
}

TEST_F(WalkTest, CancelInsideARuleEndsTheKeyAfterThatValue)
{
    // The fixed-drive test lets messages run once per drive it passes over.
    ScanKeyValues(ctx, HKEY_LOCAL_MACHINE, "W\\AX", "Active X Objects", "R");
    EXPECT_EQ(keyValues(), QStringList({"Z:\\gone1.dll", "C:\\gone2.dll"}));

    list.clear();
    setPump([] { bCancelScan = true; });
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
