// The missing-files walk over a synthetic tree: 100,000 files in 5,000
// folders (and a few links that loop back), walked headless with 10 and with
// 10,000 problem rows, 1% of them naming files of the tree. Then the whole
// drive, where six more links lead to the tree (as a prefix's shell folders
// lead to the home), with 10,000 rows of which 1% name files through the
// tree's own path and 1% through the links. Prints one "name: value" line
// per figure; the message pump is counted, not run.
//
// usage: finder_bench [--repeat N] [--keep DIR]
//   --repeat N  walks each row count N times and reports the fastest (3)
//   --keep DIR  builds the prefix in DIR and leaves it there
#include "engine/problemlist.h"
#include "finder/modscanfolder.h"
#include "platform/prefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kTopFolders = 50;
constexpr int kSubFolders = 99;  // 50 + 50 * 99 = 5,000 folders
constexpr int kFilesPerFolder = 20;
constexpr int kLinks = 6;

QString filePath(int top, int sub, int file)
{
    return QStringLiteral("C:\\tree\\top%1\\sub%2\\file%3.dll").arg(top).arg(sub).arg(file);
}

// C:\links\l0 to l5, each a link to the tree (made also in a kept prefix
// built before they were).
bool addLinks(const QString& dir)
{
    const QString links = dir + QStringLiteral("/drive_c/links");
    QDir().mkpath(links);
    for (int i = 0; i < kLinks; ++i) {
        const QString at = links + QStringLiteral("/l%1").arg(i);
        if (!QFileInfo(at).isSymLink() && !QFile::link(QStringLiteral("../tree"), at))
            return false;
    }
    return true;
}

bool buildPrefix(const QString& dir)
{
    QDir().mkpath(dir + QStringLiteral("/dosdevices"));
    QFile::link(QStringLiteral("../drive_c"), dir + QStringLiteral("/dosdevices/c:"));
    QFile reg(dir + QStringLiteral("/system.reg"));
    if (!reg.open(QIODevice::WriteOnly))
        return false;
    reg.write("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n");
    reg.close();
    const QString tree = dir + QStringLiteral("/drive_c/tree");
    for (int t = 0; t < kTopFolders; ++t) {
        const QString top = tree + QStringLiteral("/top%1").arg(t);
        for (int s = 0; s < kSubFolders; ++s) {
            const QString sub = top + QStringLiteral("/sub%1").arg(s);
            if (!QDir().mkpath(sub))
                return false;
            // 5,000 folders hold the 100,000 files: the subfolders take 20
            // each, and the first subfolder of each top folder 20 more for
            // the top folder's share.
            const int files = kFilesPerFolder + (s == 0 ? kFilesPerFolder : 0);
            for (int f = 0; f < files; ++f) {
                const QByteArray name = QFile::encodeName(sub + QStringLiteral("/file%1.dll").arg(f));
                const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
                if (fd < 0)
                    return false;
                ::close(fd);
            }
        }
        // A few links back up the tree: the walk must not follow them round.
        if (t % 10 == 0) {
            QFile::link(QStringLiteral(".."), top + QStringLiteral("/sub0/loop-up"));
            QFile::link(QStringLiteral("../.."), top + QStringLiteral("/sub1/loop-root"));
        }
    }
    return true;
}

class NoDisplay final : public ModScanFolder::WalkDisplay {
public:
    void showStatus(const QString&) override { ++refreshes; }
    void showProgress(double) override {}
    long long refreshes = 0;
};

// `rows` rows, 1% (at least one) naming files of the tree spread over it,
// the rest naming files that are not there.
engine::ProblemList makeRows(int rows)
{
    engine::ProblemList list;
    const int present = std::max(1, rows / 100);
    for (int i = 0; i < rows; ++i) {
        engine::ProblemRow r;
        r.MainKey = QStringLiteral("-2147483646");
        r.KeyName = QStringLiteral("v%1").arg(i);
        const int top = i % kTopFolders;
        const int sub = (i / kTopFolders) % kSubFolders;
        r.KeyValue = i < present ? filePath(top, sub, i % kFilesPerFolder).toLower()
                                 : QStringLiteral("C:\\tree\\top%1\\sub%2\\gone%3.dll").arg(top).arg(sub).arg(i);
        r.RegistryScanners = QStringLiteral("Shared Program Files");
        list.add(r);
    }
    return list;
}

// `rows` rows: 1% name files of the tree by its own path, 1% by one of the
// links, the rest files that are not there.
engine::ProblemList makeLinkedRows(int rows)
{
    engine::ProblemList list;
    const int present = std::max(1, rows / 100);
    for (int i = 0; i < rows; ++i) {
        engine::ProblemRow r;
        r.MainKey = QStringLiteral("-2147483646");
        r.KeyName = QStringLiteral("v%1").arg(i);
        const int top = i % kTopFolders;
        const int sub = (i / kTopFolders) % kSubFolders;
        QString path = i < 2 * present ? filePath(top, sub, i % kFilesPerFolder)
                                       : QStringLiteral("C:\\tree\\top%1\\sub%2\\gone%3.dll").arg(top).arg(sub).arg(i);
        if (i >= present && i < 2 * present)
            path.replace(QStringLiteral("C:\\tree\\"), QStringLiteral("C:\\links\\l%1\\").arg(i % kLinks));
        r.KeyValue = path;
        r.RegistryScanners = QStringLiteral("Shared Program Files");
        list.add(r);
    }
    return list;
}

// CPU time of this process: on a busy machine it says more of the walk's own
// cost than the time on the wall.
qint64 cpuNs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct Run {
    long long entries = 0;
    qint64 ns = 0;
    qint64 cpu = 0;
    int removed = 0;
    long long pumps = 0;
    long long reachedAgain = 0;
    long long relisted = 0;
};

Run walkOnce(int rowCount, bool linked = false)
{
    engine::ProblemList rows = linked ? makeLinkedRows(rowCount) : makeRows(rowCount);
    long long pumps = 0;
    const engine::ScanContext ctx{rows, nullptr, [&pumps] { ++pumps; }};
    NoDisplay display;
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = cpuNs();
    ModScanFolder::FolderWalk walk(ctx, display);
    walk.ScanDrive(QStringLiteral("C:\\"), linked ? QStringLiteral("C:\\") : QStringLiteral("C:\\tree"));
    Run r;
    r.ns = timer.nsecsElapsed();
    r.cpu = cpuNs() - cpuStart;
    r.entries = walk.stats().entries;
    r.removed = walk.stats().removed;
    r.pumps = pumps;
    r.reachedAgain = walk.stats().reachedAgain;
    r.relisted = walk.stats().relisted;
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int repeat = 3;
    QString keep;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--repeat") && i + 1 < args.size())
            repeat = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--keep") && i + 1 < args.size())
            keep = args[++i];
        else {
            std::fprintf(stderr, "usage: finder_bench [--repeat N] [--keep DIR]\n");
            return 2;
        }
    }
    QTemporaryDir temp;
    const QString dir = keep.isEmpty() ? temp.path() : keep;
    QElapsedTimer build;
    build.start();
    if (!QFile::exists(dir + QStringLiteral("/system.reg")) && !buildPrefix(dir)) {
        std::fprintf(stderr, "finder_bench: cannot build the tree in %s\n", qPrintable(dir));
        return 1;
    }
    if (!addLinks(dir)) {
        std::fprintf(stderr, "finder_bench: cannot link to the tree in %s\n", qPrintable(dir));
        return 1;
    }
    std::printf("tree_build_ms: %lld\n", build.elapsed());
    if (const auto opened = platform::openPrefix(dir); !opened.ok) {
        std::fprintf(stderr, "finder_bench: %s\n", qPrintable(opened.message));
        return 1;
    }
    walkOnce(10);  // warms the kernel's caches for both runs alike

    double perSecond[2] = {};
    qint64 bestNs[2] = {};
    const int counts[2] = {10, 10000};
    for (int k = 0; k < 2; ++k) {
        Run best;
        for (int i = 0; i < repeat; ++i) {
            const Run r = walkOnce(counts[k]);
            if (i == 0 || r.ns < best.ns)
                best = r;
        }
        bestNs[k] = best.ns;
        perSecond[k] = best.entries / (best.ns / 1e9);
        std::printf("rows_%d_entries: %lld\n", counts[k], best.entries);
        std::printf("rows_%d_walk_ms: %.1f\n", counts[k], best.ns / 1e6);
        std::printf("rows_%d_entries_per_s: %.0f\n", counts[k], perSecond[k]);
        std::printf("rows_%d_walk_cpu_ms: %.1f\n", counts[k], best.cpu / 1e6);
        std::printf("rows_%d_pumps: %lld\n", counts[k], best.pumps);
        std::printf("rows_%d_removed: %d\n", counts[k], best.removed);
    }
    std::printf("walk_ratio_10000_to_10: %.2f\n", static_cast<double>(bestNs[1]) / static_cast<double>(bestNs[0]));

    Run linked;
    for (int i = 0; i < repeat; ++i) {
        const Run r = walkOnce(10000, true);
        if (i == 0 || r.ns < linked.ns)
            linked = r;
    }
    std::printf("linked_10000_entries: %lld\n", linked.entries);
    std::printf("linked_10000_walk_ms: %.1f\n", linked.ns / 1e6);
    std::printf("linked_10000_walk_cpu_ms: %.1f\n", linked.cpu / 1e6);
    std::printf("linked_10000_removed: %d\n", linked.removed);
    std::printf("linked_10000_reached_again: %lld\n", linked.reachedAgain);
    std::printf("linked_10000_relisted: %lld\n", linked.relisted);
    platform::closePrefix();
    return 0;
}
