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
#include "engine/backup.h"
#include "engine/fix.h"
#include "engine/problemlist.h"
#include "engine/resultsfile.h"
#include "engine/scandriver.h"
#include "engine/scanstate.h"
#include "engine/scanwalk.h"
#include "engine/services.h"
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Keys whose subkeys a section walks, and keys whose values it judges, as
// written in the registry files (relative to their root, "\\" escaped).
const char* const kSubKeyRoots[] = {
    "Software\\\\Classes\\\\CLSID\\\\",
    "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\",
    "Software\\\\Microsoft\\\\Shared Tools\\\\",
};
const char* const kValueKeys[] = {
    "System\\\\CurrentControlSet\\\\Control\\\\VirtualDeviceDrivers",
    "Software\\\\Microsoft\\\\Windows\\\\Help",
    "Software\\\\Microsoft\\\\Windows\\\\HTML Help",
    "Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts",
    "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run",
};

// The figures of the counters carry the names of the scanning page's labels,
// so that runs of different versions compare line by line.
const char* const kCounterNames[engine::kSectionCount] = {
    "lblActiveX",   "lblApplicationPath", "lblFilepathsandhistorylist", "lblFileTypes",   "lblHelpFiles",
    "lblFonts",     "lblSharedProgFiles", "lblStartupMenu",             "lblStartupProg",
};

struct Block {
    QString path;        // raw, as between the brackets
    QStringList header;  // the [..] line and its # lines
    std::vector<QStringList> values;  // each value with its continuation lines
};

// Splits a registry file into its preamble and key blocks.
void parseReg(const QString& text, QStringList& preamble, std::vector<Block>& blocks)
{
    const QStringList lines = text.split('\n');
    Block* current = nullptr;
    bool continued = false;
    for (const QString& line : lines) {
        if (line.startsWith('[')) {
            blocks.push_back({});
            current = &blocks.back();
            current->path = line.mid(1, line.lastIndexOf(QLatin1String("] ")) - 1);
            current->header << line;
            continued = false;
            continue;
        }
        if (!current) {
            preamble << line;
            continue;
        }
        if (continued) {
            current->values.back() << line;
        } else if (line.startsWith('#')) {
            current->header << line;
        } else if (!line.isEmpty()) {
            current->values.push_back({line});
        }
        continued = line.endsWith('\\') && !current->values.empty();
    }
}

QString renamedValue(const QStringList& value, int copy)
{
    QStringList out = value;
    QString& first = out.first();
    if (first.startsWith('@'))
        first = QStringLiteral("\"@-s%1\"").arg(copy) + first.mid(1);
    else
        first.insert(first.indexOf(QLatin1String("\"=")), QStringLiteral("-s%1").arg(copy));
    return out.join('\n');
}

QString scaledReg(const QString& text, int scale)
{
    QStringList preamble;
    std::vector<Block> blocks;
    parseReg(text, preamble, blocks);
    QString out = preamble.join('\n');
    QString extra;
    auto writeBlock = [](QString& to, const Block& b, const QString& header0) {
        to += '\n' + header0 + '\n';
        for (int i = 1; i < b.header.size(); ++i)
            to += b.header[i] + '\n';
        for (const QStringList& v : b.values)
            to += v.join('\n') + '\n';
    };
    for (const Block& b : blocks) {
        const bool link = b.header.contains(QStringLiteral("#link"));
        bool isValueKey = false;
        for (const char* k : kValueKeys)
            isValueKey |= b.path.compare(QLatin1String(k), Qt::CaseInsensitive) == 0;
        QString own;
        writeBlock(own, b, b.header.first());
        if (isValueKey) {
            for (int copy = 1; copy < scale; ++copy)
                for (const QStringList& v : b.values)
                    own += renamedValue(v, copy) + '\n';
        }
        out += own;
        if (link)
            continue;
        for (const char* r : kSubKeyRoots) {
            const QLatin1String root(r);
            if (!b.path.startsWith(root, Qt::CaseInsensitive) || b.path.size() == root.size())
                continue;
            qsizetype end = b.path.indexOf(QLatin1String("\\\\"), root.size());
            if (end < 0)
                end = b.path.size();
            for (int copy = 1; copy < scale; ++copy) {
                const QString path = b.path.left(end) + QStringLiteral("-s%1").arg(copy) + b.path.mid(end);
                const QString header0 = '[' + path + b.header.first().mid(b.path.size() + 1);
                writeBlock(extra, b, header0);
            }
        }
    }
    return out + extra;
}

// The copy's drives are the original's links.
void linkDrives(const QString& from, const QString& to)
{
    QDir().mkpath(to + "/dosdevices");
    const QFileInfoList devices = QDir(from + "/dosdevices").entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& d : devices)
        if (d.isSymLink())
            QFile::link(d.symLinkTarget(), to + "/dosdevices/" + d.fileName());
}

bool buildScaledPrefix(const QString& from, const QString& to, int scale, QString& error)
{
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        QFile in(from + '/' + name);
        if (!in.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("cannot read %1").arg(in.fileName());
            return false;
        }
        const QString text = QString::fromUtf8(in.readAll());
        QFile out(to + '/' + name);
        if (!out.open(QIODevice::WriteOnly)) {
            error = QStringLiteral("cannot write %1").arg(out.fileName());
            return false;
        }
        out.write((QLatin1String(name) == QLatin1String("userdef.reg") ? text : scaledReg(text, scale)).toUtf8());
    }
    linkDrives(from, to);
    return true;
}

// A copy of the prefix's registry files and drive links, for a run that
// changes the registry.
bool copyPrefix(const QString& from, const QString& to, QString& error)
{
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        if (QFile::exists(from + '/' + name) && !QFile::copy(from + '/' + name, to + '/' + name)) {
            error = QStringLiteral("cannot copy %1").arg(from + '/' + name);
            return false;
        }
    }
    linkDrives(from, to);
    return true;
}

QByteArrayList registryFiles(const QString& dir)
{
    QByteArrayList files;
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        QFile f(dir + '/' + name);
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

FixFigures fixEveryRow(const QString& prefixDir, const QString& programDir, bool inWineOrder)
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
    QDir().mkpath(programDir + "/Restore");
    engine::ProblemList& rows = engine::lvwErrors();
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
        if (a == "--results" && i + 1 < args.size())
            results = args[++i];
        else if (a == "--scale" && i + 1 < args.size())
            scale = std::max(1, args[++i].toInt());
        else if (a == "--repeat" && i + 1 < args.size())
            repeat = std::max(1, args[++i].toInt());
        else if (a == "--fix")
            fix = true;
        else if (!a.startsWith("--") && prefix.isEmpty())
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
        if (!scaled.isValid() || !buildScaledPrefix(open, scaled.path(), scale, error)) {
            std::fprintf(stderr, "scan_bench: %s\n", error.toUtf8().constData());
            return 1;
        }
        open = scaled.path();
    } else if (fix) {
        QString error;
        if (!scaled.isValid() || !copyPrefix(open, scaled.path(), error)) {
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
    engine::setMessagePump([&pumps] { ++pumps; });
    engine::ScanSummary result;
    double best = 0, first = 0;
    engine::WalkStats stats;
    long long pumpsPerScan = 0;
    for (int run = 0; run < repeat; ++run) {
        engine::walkStats() = {};
        pumps = 0;
        timer.restart();
        result = engine::scanAllSections();
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
    print("rows", QString::number(engine::lvwErrors().count()));
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
            for (const engine::ProblemRow& r : engine::lvwErrors().rows()) {
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
        const FixFigures f = fixEveryRow(open, program.path(), scale == 1);
        print("fix_rows", QString::number(f.rows));
        print("fix_fixed", QString::number(f.fixed));
        print("fix_kept", QString::number(f.kept));
        print("fix_records", QString::number(f.records));
        print("fix_pumps", QString::number(f.pumps));
        print("fix_ms", QString::number(f.fixMs, 'f', 1));
        print("save_ms", QString::number(f.saveMs, 'f', 1));
        print("restore_ms", QString::number(f.restoreMs, 'f', 1));
        print("identical", f.saved && f.restoredAll && f.identical ? "yes" : "no");
        print("identical_bytes", f.identicalBytes ? "yes" : "no");
        if (!f.saved || !f.restoredAll || !f.identical)
            status = 1;
    }
    engine::setMessagePump({});
    platform::closePrefix();
    return status;
}
