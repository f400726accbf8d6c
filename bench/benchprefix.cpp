#include "bench/benchprefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <vector>

using namespace Qt::StringLiterals;

namespace bench {

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

struct Block {
    QString path;        // raw, as between the brackets
    QStringList header;  // the [..] line and its # lines
    std::vector<QStringList> values;  // each value with its continuation lines
};

// Splits a registry file into its preamble and key blocks.
void parseReg(const QString& text, QStringList& preamble, std::vector<Block>& blocks)
{
    const QStringList lines = text.split(u'\n');
    Block* current = nullptr;
    bool continued = false;
    for (const QString& line : lines) {
        if (line.startsWith(u'[')) {
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
        } else if (line.startsWith(u'#')) {
            current->header << line;
        } else if (!line.isEmpty()) {
            current->values.push_back({line});
        }
        continued = line.endsWith(u'\\') && !current->values.empty();
    }
}

QString renamedValue(const QStringList& value, int copy)
{
    QStringList out = value;
    QString& first = out.first();
    if (first.startsWith(u'@'))
        first = QStringLiteral("\"@-s%1\"").arg(copy) + first.mid(1);
    else
        first.insert(first.indexOf(QLatin1String("\"=")), QStringLiteral("-s%1").arg(copy));
    return out.join(u'\n');
}

QString scaledReg(const QString& text, int scale)
{
    QStringList preamble;
    std::vector<Block> blocks;
    parseReg(text, preamble, blocks);
    QString out = preamble.join(u'\n');
    QString extra;
    auto writeBlock = [](QString& to, const Block& b, const QString& header0) {
        to += u'\n' + header0 + u'\n';
        for (int i = 1; i < b.header.size(); ++i)
            to += b.header[i] + u'\n';
        for (const QStringList& v : b.values)
            to += v.join(u'\n') + u'\n';
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
                    own += renamedValue(v, copy) + u'\n';
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
                const QString header0 = u'[' + path + b.header.first().mid(b.path.size() + 1);
                writeBlock(extra, b, header0);
            }
        }
    }
    return out + extra;
}

// The copy's drives are the original's links.
void linkDrives(const QString& from, const QString& to)
{
    QDir().mkpath(to + u"/dosdevices"_s);
    const QFileInfoList devices = QDir(from + u"/dosdevices"_s).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& d : devices)
        if (d.isSymLink())
            QFile::link(d.symLinkTarget(), to + u"/dosdevices/"_s + d.fileName());
}

}  // namespace

bool buildScaledPrefix(const QString& from, const QString& to, int scale, QString& error)
{
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        QFile in(from + u'/' + QString::fromUtf8(name));
        if (!in.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("cannot read %1").arg(in.fileName());
            return false;
        }
        const QString text = QString::fromUtf8(in.readAll());
        QFile out(to + u'/' + QString::fromUtf8(name));
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
    for (const QString& name : {u"system.reg"_s, u"user.reg"_s, u"userdef.reg"_s}) {
        if (QFile::exists(from + u'/' + name) && !QFile::copy(from + u'/' + name, to + u'/' + name)) {
            error = QStringLiteral("cannot copy %1").arg(from + u'/' + name);
            return false;
        }
    }
    linkDrives(from, to);
    return true;
}

}  // namespace bench
