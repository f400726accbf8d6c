// Loads a prefix and scans all nine sections through the program's scan
// driver, printing one "name: value" line per figure. With --scale N it
// first builds, in a temporary folder, a copy of the prefix's registry whose
// scanned keys and values are N times as many (the drives still point at the
// original files).
// The prefix given is only read.
#include "engine/backup.h"
#include "engine/problemlist.h"
#include "engine/resultsfile.h"
#include "engine/scandriver.h"
#include "engine/scanstate.h"
#include "engine/scanwalk.h"
#include "platform/ansi.h"
#include "platform/prefix.h"

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
    QDir().mkpath(to + "/dosdevices");
    const QFileInfoList devices = QDir(from + "/dosdevices").entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& d : devices)
        if (d.isSymLink())
            QFile::link(d.symLinkTarget(), to + "/dosdevices/" + d.fileName());
    return true;
}

void print(const char* name, const QString& value)
{
    std::printf("%s: %s\n", name, value.toUtf8().constData());
}

int usage()
{
    std::fprintf(stderr, "usage: scan_bench PREFIX [--results FILE] [--scale N] [--repeat N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString prefix, results;
    int scale = 1, repeat = 3;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--results" && i + 1 < args.size())
            results = args[++i];
        else if (a == "--scale" && i + 1 < args.size())
            scale = std::max(1, args[++i].toInt());
        else if (a == "--repeat" && i + 1 < args.size())
            repeat = std::max(1, args[++i].toInt());
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
    engine::setMessagePump({});
    platform::closePrefix();
    return status;
}
