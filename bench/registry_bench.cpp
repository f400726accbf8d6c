// registry_bench PREFIX OUTDIR: loads the prefix's three registry files
// through the registry layer, writes every key anew into OUTDIR under the same
// names, and prints load and save speed, peak memory and whether the written
// files equal the originals. Then the same for a registry ten times as big,
// made from the prefix's own keys.
#include "platform/prefix.h"
#include "platform/registry.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <fstream>
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
    double filesMb = 0;
    bool identical = false;
    QString error;
};

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
    platform::registry::markAllKeysChanged();
    timer.restart();
    const platform::PrefixError saved = platform::flushRegistry();
    const qint64 saveNs = timer.nsecsElapsed();
    fig.peakMb = rssMb("VmHWM:") - base;
    platform::closePrefix();
    if (!saved.ok) {
        fig.error = saved.message;
        return fig;
    }
    fig.loadMbS = fig.filesMb / (loadNs / 1e9);
    fig.saveMbS = fig.filesMb / (saveNs / 1e9);
    fig.identical = true;
    for (const char* name : kFiles) {
        if (readAll(QDir(outDir).filePath(QLatin1String(name))) != source[QLatin1String(name)])
            fig.identical = false;
    }
    return fig;
}

void print(const Figures& f, const char* suffix)
{
    std::printf("files_mb%s: %.2f\n", suffix, f.filesMb);
    std::printf("load_mb_s%s: %.1f\n", suffix, f.loadMbS);
    std::printf("save_mb_s%s: %.1f\n", suffix, f.saveMbS);
    std::printf("peak_mb%s: %.1f\n", suffix, f.peakMb);
    std::printf("identical%s: %s\n", suffix, f.identical ? "yes" : "no");
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
    return one.identical && ten.identical ? 0 : 1;
}
