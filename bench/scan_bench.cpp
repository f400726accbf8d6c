// Loads a prefix and scans all nine sections through the program's scan
// driver, printing one "name: value" line per figure. With --scale N it
// first builds, in a temporary folder, a copy of the prefix's registry whose
// scanned keys and values are N times as many (the drives still point at the
// original files).
// With --fix it then fixes every row headless on a copy of the registry
// (records, deletions, one save; the problem page's pump passes counted, not
// run), restores the backup and compares the registry files with the copy's
// as they were before the fix.
// The prefix given is only read.
#include "bench/benchprefix.h"
#include "engine/backup.h"
#include "engine/fix.h"
#include "engine/problemlist.h"
#include "engine/resultsfile.h"
#include "engine/scandriver.h"
#include "engine/scanwalk.h"
#include "engine/services.h"
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/registrytesting.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The figures of the counters carry the names of the scanning page's labels,
// so that runs of different versions compare line by line.
const char* const kCounterNames[engine::kSectionCount] = {
    "lblActiveX",   "lblApplicationPath", "lblFilepathsandhistorylist", "lblFileTypes",   "lblHelpFiles",
    "lblFonts",     "lblSharedProgFiles", "lblStartupMenu",             "lblStartupProg",
};

QByteArrayList registryFiles(const QString& dir)
{
    QByteArrayList files;
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        QFile f(dir + u'/' + QString::fromUtf8(name));
        files << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    return files;
}

// A registry file without the keys' write times ("[key] seconds" and
// "#time=" lines), which a change and its undoing move on.
QByteArray withoutTimes(const QByteArray& file)
{
    QByteArrayList out;
    for (const QByteArray& line : file.split('\n')) {
        if (line.startsWith("#time="))
            continue;
        const qsizetype close = line.startsWith('[') ? line.lastIndexOf("] ") : -1;
        out << (close > 0 ? line.left(close + 1) : line);
    }
    return out.join('\n');
}

// Pump passes of the fix, counted only.
class CountingPump final : public engine::FixObserver {
public:
    long long passes = 0;
    void pump() override { ++passes; }
};

struct FixFigures {
    int rows = 0, fixed = 0, kept = 0, records = 0;
    long long pumps = 0;
    double fixMs = 0, saveMs = 0, restoreMs = 0;
    bool saved = false, restoredAll = false, identical = false, identicalBytes = false;
};

FixFigures fixEveryRow(engine::ProblemList& rows, const QString& prefixDir, const QString& programDir,
                       bool inWineOrder)
{
    FixFigures f;
    // The scaled copy adds its keys and values out of Wine's order, and a
    // rewritten block is written in that order: put the copy in it first.
    if (!inWineOrder) {
        platform::registry::markAllKeysChanged();
        platform::flushRegistry();
    }
    const QByteArrayList before = registryFiles(prefixDir);
    platform::setProgramFolderLinux(programDir);
    QDir().mkpath(programDir + u"/Restore"_s);
    f.rows = rows.count();
    std::vector<bool> visible(static_cast<size_t>(f.rows), true);

    QElapsedTimer timer;
    CountingPump pump;
    timer.start();
    engine::FixReport report;
    {
        platform::RegistryBatch batch;
        report = engine::FixRows(rows, pump);
        f.fixMs = timer.nsecsElapsed() / 1e6;
        timer.restart();
        f.saved = batch.finish().ok;
        f.saveMs = timer.nsecsElapsed() / 1e6;
    }
    engine::RemoveRowsOneByOne(
        f.rows, [&] { return static_cast<int>(visible.size()); },
        // Going from the last row, row i is still the list's row i.
        [&](int i) { return engine::LeavesList(report.outcomes[size_t(i - 1)]); },
        [&](int i) { visible.erase(visible.begin() + (i - 1)); }, pump);
    f.pumps = pump.passes;
    f.fixed = report.count(engine::FixOutcome::Fixed);
    f.kept = static_cast<int>(report.keptRows.size());
    f.records = engine::CountFileLines(report.backupFile);

    timer.restart();
    {
        platform::RegistryBatch batch;
        const engine::RestoreResult restored = engine::RestoreBackupFile(report.backupFile);
        f.restoredAll = restored.readable && restored.failed == 0 && restored.restored == f.records
            && batch.finish().ok;
    }
    f.restoreMs = timer.nsecsElapsed() / 1e6;

    const QByteArrayList after = registryFiles(prefixDir);
    f.identicalBytes = after == before;
    f.identical = after.size() == before.size();
    for (qsizetype i = 0; f.identical && i < after.size(); ++i)
        f.identical = withoutTimes(after[i]) == withoutTimes(before[i]);
    return f;
}

void print(const char* name, const QString& value)
{
    std::printf("%s: %s\n", name, value.toUtf8().constData());
}

int usage()
{
    std::fprintf(stderr, "usage: scan_bench PREFIX [--results FILE] [--scale N] [--repeat N] [--fix]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString prefix, results;
    int scale = 1, repeat = 3;
    bool fix = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--results"_s && i + 1 < args.size())
            results = args[++i];
        else if (a == u"--scale"_s && i + 1 < args.size())
            scale = std::max(1, args[++i].toInt());
        else if (a == u"--repeat"_s && i + 1 < args.size())
            repeat = std::max(1, args[++i].toInt());
        else if (a == u"--fix"_s)
            fix = true;
        else if (!a.startsWith(u"--"_s) && prefix.isEmpty())
            prefix = a;
        else
            return usage();
    }
    if (prefix.isEmpty())
        return usage();

    QTemporaryDir scaled;
    QString open = QFileInfo(prefix).absoluteFilePath();
    if (scale > 1) {
        QString error;
        if (!scaled.isValid() || !bench::buildScaledPrefix(open, scaled.path(), scale, error)) {
            std::fprintf(stderr, "scan_bench: %s\n", error.toUtf8().constData());
            return 1;
        }
        open = scaled.path();
    } else if (fix) {
        QString error;
        if (!scaled.isValid() || !bench::copyPrefix(open, scaled.path(), error)) {
            std::fprintf(stderr, "scan_bench: %s\n", error.toUtf8().constData());
            return 1;
        }
        open = scaled.path();
    }

    QElapsedTimer timer;
    timer.start();
    const platform::PrefixError e = platform::openPrefix(open);
    const double loadMs = timer.nsecsElapsed() / 1e6;
    if (!e.ok) {
        std::fprintf(stderr, "scan_bench: %s\n", e.message.toUtf8().constData());
        return 1;
    }

    long long pumps = 0;
    engine::ProblemList rows;
    const engine::ScanContext scan{rows, nullptr, [&pumps] { ++pumps; }};
    engine::ScanSummary result;
    double best = 0, first = 0;
    engine::WalkStats stats;
    long long pumpsPerScan = 0;
    for (int run = 0; run < repeat; ++run) {
        engine::walkStats() = {};
        pumps = 0;
        timer.restart();
        result = engine::scanAllSections(scan);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (run == 0)
            first = ms;
        best = run == 0 ? ms : std::min(best, ms);
        stats = engine::walkStats();
        pumpsPerScan = pumps;
    }

    print("prefix", prefix);
    print("scale", QString::number(scale));
    print("keys", QString::number(stats.keys));
    print("values", QString::number(stats.values));
    print("rows", QString::number(rows.count()));
    print("pumps", QString::number(pumpsPerScan));
    print("load_ms", QString::number(loadMs, 'f', 1));
    print("scan_ms", QString::number(best, 'f', 1));
    print("scan_first_ms", QString::number(first, 'f', 1));
    print("values_per_s", QString::number(best > 0 ? stats.values / (best / 1000.0) : 0.0, 'f', 0));
    for (size_t i = 0; i < result.counters.size(); ++i)
        print(kCounterNames[i], result.counters[i]);
    print("lblProblemsFound", result.problemsFound);

    int status = 0;
    if (!results.isEmpty()) {
        QFile out(results);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "scan_bench: cannot write %s\n", results.toUtf8().constData());
            status = 1;
        } else {
            for (const engine::ProblemRow& r : rows.rows()) {
                const QByteArray line = engine::StoredResultsLine(r);
                if (!line.isEmpty())
                    out.write(line + "\r\n");
            }
            if (!out.flush())
                status = 1;
        }
    }
    if (fix) {
        QTemporaryDir program;
        const FixFigures f = fixEveryRow(rows, open, program.path(), scale == 1);
        print("fix_rows", QString::number(f.rows));
        print("fix_fixed", QString::number(f.fixed));
        print("fix_kept", QString::number(f.kept));
        print("fix_records", QString::number(f.records));
        print("fix_pumps", QString::number(f.pumps));
        print("fix_ms", QString::number(f.fixMs, 'f', 1));
        print("save_ms", QString::number(f.saveMs, 'f', 1));
        print("restore_ms", QString::number(f.restoreMs, 'f', 1));
        print("identical", f.saved && f.restoredAll && f.identical ? u"yes"_s : u"no"_s);
        print("identical_bytes", f.identicalBytes ? u"yes"_s : u"no"_s);
        if (!f.saved || !f.restoredAll || !f.identical)
            status = 1;
    }
    platform::closePrefix();
    return status;
}
