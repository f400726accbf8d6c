// registry_bench PREFIX OUTDIR: copies the prefix's three registry files
// into OUTDIR, loads them from there through the registry layer, saves them
// back, and prints one "name: value" line per figure:
//   load_mb_s      opening the prefix (read, check every line, build the key tree)
//   save_mb_s      the save the program does: each file written anew next to
//                  the old one, flushed and renamed over it, unchanged blocks
//                  copied as they are (here every block, nothing was changed)
//   peak_mb        highest resident memory during load and that save, minus
//                  the resident memory just before the load (VmHWM - VmRSS
//                  from /proc/self/status, the peak reset through clear_refs);
//                  it includes the files' bytes the layer keeps
//   identical      the saved files equal the originals byte for byte
//   rewrite_mb_s, rewrite_peak_mb, identical_rewrite: the same for a forced
//                  full rewrite, every block serialised anew (a harder figure
//                  than the program ever needs: it only rewrites changed keys);
//                  the peak counts from before the load, with the registry loaded
// Then the same for a registry ten times as big, made from the prefix's own
// keys (suffix _10x). Speeds are MB of registry files per second.
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/registrytesting.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

const char* const kFiles[] = {"system.reg", "user.reg", "userdef.reg"};

double rssMb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stod(line.substr(std::string(field).size())) / 1024.0;
    }
    return 0;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Each file plus nine copies of its key blocks under "ZBulk<n>\\".
QByteArray tenfold(const QByteArray& original)
{
    const qsizetype first = original.indexOf("\n[");
    if (first < 0)
        return original;
    const QByteArray blocks = original.mid(first);
    QByteArray out = original;
    for (int n = 1; n <= 9; ++n) {
        QByteArray copy = blocks;
        copy.replace("\n[]", "\n[ZBulk" + QByteArray::number(n) + "]");
        copy.replace("\n[", "\n[ZBulk" + QByteArray::number(n) + "\\\\");
        copy.replace("\\\\]", "]");  // the root block renamed above
        out += copy;
    }
    return out;
}

struct Figures {
    double loadMbS = 0;
    double saveMbS = 0;
    double peakMb = 0;
    double rewriteMbS = 0;
    double rewritePeakMb = 0;
    double filesMb = 0;
    bool identical = false;
    bool identicalRewrite = false;
    QString error;
};

bool sameFiles(const QHash<QString, QByteArray>& source, const QString& outDir)
{
    for (const char* name : kFiles) {
        if (readAll(QDir(outDir).filePath(QLatin1String(name))) != source[QLatin1String(name)])
            return false;
    }
    return true;
}

Figures measure(const QHash<QString, QByteArray>& source, const QString& outDir)
{
    Figures fig;
    QDir().mkpath(outDir);
    qint64 total = 0;
    for (const char* name : kFiles) {
        const QByteArray& bytes = source[QLatin1String(name)];
        total += bytes.size();
        if (!bytes.isNull() && !writeAll(QDir(outDir).filePath(QLatin1String(name)), bytes)) {
            fig.error = QStringLiteral("cannot write into %1").arg(outDir);
            return fig;
        }
    }
    fig.filesMb = total / 1048576.0;
    malloc_trim(0);  // memory freed by an earlier run must not hide in the baseline
    const double base = rssMb("VmRSS:");
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    const platform::PrefixError opened = platform::openPrefix(outDir);
    const qint64 loadNs = timer.nsecsElapsed();
    if (!opened.ok) {
        fig.error = opened.message;
        return fig;
    }
    platform::registry::markAllFilesChanged();
    timer.restart();
    const platform::PrefixError saved = platform::flushRegistry();
    const qint64 saveNs = timer.nsecsElapsed();
    fig.peakMb = rssMb("VmHWM:") - base;
    if (!saved.ok) {
        fig.error = saved.message;
        platform::closePrefix();
        return fig;
    }
    fig.identical = sameFiles(source, outDir);

    malloc_trim(0);  // the comparison's buffers are gone; do not count them
    resetPeak();
    platform::registry::markAllKeysChanged();
    timer.restart();
    const platform::PrefixError rewritten = platform::flushRegistry();
    const qint64 rewriteNs = timer.nsecsElapsed();
    fig.rewritePeakMb = rssMb("VmHWM:") - base;
    platform::closePrefix();
    if (!rewritten.ok) {
        fig.error = rewritten.message;
        return fig;
    }
    fig.identicalRewrite = sameFiles(source, outDir);
    fig.loadMbS = fig.filesMb / (loadNs / 1e9);
    fig.saveMbS = fig.filesMb / (saveNs / 1e9);
    fig.rewriteMbS = fig.filesMb / (rewriteNs / 1e9);
    return fig;
}

void print(const Figures& f, const char* suffix)
{
    std::printf("files_mb%s: %.2f\n", suffix, f.filesMb);
    std::printf("load_mb_s%s: %.1f\n", suffix, f.loadMbS);
    std::printf("save_mb_s%s: %.1f\n", suffix, f.saveMbS);
    std::printf("peak_mb%s: %.1f\n", suffix, f.peakMb);
    std::printf("identical%s: %s\n", suffix, f.identical ? "yes" : "no");
    std::printf("rewrite_mb_s%s: %.1f\n", suffix, f.rewriteMbS);
    std::printf("rewrite_peak_mb%s: %.1f\n", suffix, f.rewritePeakMb);
    std::printf("identical_rewrite%s: %s\n", suffix, f.identicalRewrite ? "yes" : "no");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: registry_bench PREFIX OUTDIR\n");
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    // Read through the layer first, so a bad prefix is told as the program tells it.
    const platform::PrefixError check = platform::openPrefix(prefix);
    if (!check.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(check.message));
        return 1;
    }
    platform::closePrefix();

    QHash<QString, QByteArray> files;
    QHash<QString, QByteArray> big;
    for (const char* name : kFiles) {
        const QString path = QDir(prefix).filePath(QLatin1String(name));
        files[QLatin1String(name)] = QFile::exists(path) ? readAll(path) : QByteArray();
        big[QLatin1String(name)] = tenfold(files[QLatin1String(name)]);
    }
    const Figures one = measure(files, out);
    if (!one.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(one.error));
        return 1;
    }
    print(one, "");
    const Figures ten = measure(big, QDir(out).filePath(QStringLiteral("10x")));
    if (!ten.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(ten.error));
        return 1;
    }
    print(ten, "_10x");
    const bool same = one.identical && one.identicalRewrite && ten.identical && ten.identicalRewrite;
    return same ? 0 : 1;
}
