#include "tests/support/prefixbuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace testenv {

namespace {

bool isOctal(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '7';
}

bool isAsciiHex(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

// As Wine writes text: backslash always escaped, `special` escaped too,
// controls as C escapes or octal, everything above 127 as \x.
QByteArray escape(const QString& s, const char* special)
{
    QByteArray out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        const bool hasNext = i + 1 < s.size();
        if (c > 127) {
            const bool pad = hasNext && s.at(i + 1).unicode() < 128 && isAsciiHex(s.at(i + 1));
            out += "\\x" + QByteArray::number(c, 16).rightJustified(pad ? 4 : 0, '0');
            continue;
        }
        if (c < 32) {
            static const char kLetters[] = "a\ab\bt\tn\nv\vf\fr\re\x1b";
            const char* letter = nullptr;
            for (const char* p = kLetters; *p; p += 2)
                if (static_cast<char16_t>(p[1]) == c)
                    letter = p;
            if (letter) {
                out += '\\';
                out += letter[0];
            } else {
                const bool pad = hasNext && isOctal(s.at(i + 1));
                out += '\\' + QByteArray::number(c, 8).rightJustified(pad ? 3 : 0, '0');
            }
            continue;
        }
        if (c == '\\' || std::strchr(special, static_cast<char>(c)))
            out += '\\';
        out += static_cast<char>(c);
    }
    return out;
}

QByteArray hexBytes(QByteArray line, const QByteArray& data)
{
    // Wine wraps after a comma once the line is longer than 76 characters.
    qsizetype count = line.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        line += QByteArray::number(static_cast<uchar>(data.at(i)), 16).rightJustified(2, '0');
        count += 2;
        if (i + 1 < data.size()) {
            line += ',';
            if (++count > 76) {
                line += "\\\n  ";
                count = 2;
            }
        }
    }
    return line;
}

QByteArray utf16le(const QString& s)
{
    QByteArray b;
    for (const QChar c : s) {
        b += static_cast<char>(c.unicode() & 0xff);
        b += static_cast<char>(c.unicode() >> 8);
    }
    return b;
}

QByteArray header(Hive h)
{
    QByteArray s = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\";
    switch (h) {
    case Hive::System: s += "Machine"; break;
    case Hive::User: s += "User\\\\S-1-5-21-0-0-0-1000"; break;
    case Hive::UserDefault: s += "User\\\\.Default"; break;
    }
    return s + "\n\n#arch=win64\n";
}

QString fileName(Hive h)
{
    switch (h) {
    case Hive::System: return QStringLiteral("system.reg");
    case Hive::User: return QStringLiteral("user.reg");
    case Hive::UserDefault: return QStringLiteral("userdef.reg");
    }
    return {};
}

}  // namespace

QByteArray escapeRegString(const QString& s)
{
    return escape(s, "\"");
}

QByteArray escapeRegKeyName(const QString& s)
{
    return escape(s, "[]");
}

PrefixBuilder::PrefixBuilder() = default;

PrefixBuilder& PrefixBuilder::keyTime(qint64 seconds)
{
    m_seconds = seconds;
    return *this;
}

PrefixBuilder& PrefixBuilder::hive(Hive h)
{
    m_hives[static_cast<int>(h)] = true;
    return *this;
}

PrefixBuilder& PrefixBuilder::key(Hive h, const QString& path)
{
    hive(h);
    for (int i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i].hive == h && m_keys[i].path.compare(path, Qt::CaseInsensitive) == 0) {
            m_current = i;
            return *this;
        }
    }
    m_keys.append(Key{h, path, m_seconds, false, {}});
    m_current = static_cast<int>(m_keys.size()) - 1;
    return *this;
}

PrefixBuilder::Key& PrefixBuilder::current()
{
    if (m_current < 0)
        qFatal("PrefixBuilder: a value or link added before any key");
    return m_keys[m_current];
}

QByteArray PrefixBuilder::lead(const QString& name)
{
    return name.isEmpty() ? QByteArray("@=") : '"' + escapeRegString(name) + "\"=";
}

PrefixBuilder& PrefixBuilder::value(const QString& name, const QByteArray& data)
{
    current().values.append(lead(name) + data);
    return *this;
}

PrefixBuilder& PrefixBuilder::hexValue(const QString& name, const QByteArray& tag, const QByteArray& data)
{
    current().values.append(hexBytes(lead(name) + tag, data));
    return *this;
}

PrefixBuilder& PrefixBuilder::sz(const QString& name, const QString& data)
{
    return value(name, '"' + escapeRegString(data) + '"');
}

PrefixBuilder& PrefixBuilder::expand(const QString& name, const QString& data)
{
    return value(name, "str(2):\"" + escapeRegString(data) + '"');
}

PrefixBuilder& PrefixBuilder::multi(const QString& name, const QStringList& strings)
{
    QString joined;
    for (const QString& s : strings)
        joined += s + QChar(0);
    return value(name, "str(7):\"" + escapeRegString(joined) + '"');
}

PrefixBuilder& PrefixBuilder::dword(const QString& name, quint32 data)
{
    return value(name, "dword:" + QByteArray::number(data, 16).rightJustified(8, '0'));
}

PrefixBuilder& PrefixBuilder::binary(const QString& name, const QByteArray& data)
{
    return hexValue(name, "hex:", data);
}

PrefixBuilder& PrefixBuilder::hex(const QString& name, quint32 type, const QByteArray& data)
{
    return hexValue(name, "hex(" + QByteArray::number(type, 16) + "):", data);
}

PrefixBuilder& PrefixBuilder::link(const QString& target)
{
    current().isLink = true;
    return hex(QStringLiteral("SymbolicLinkValue"), 6, utf16le(target));
}

PrefixBuilder& PrefixBuilder::drive(const QString& name, const QString& target)
{
    m_links.append({name, target});
    return *this;
}

PrefixBuilder& PrefixBuilder::file(const QString& relativePath, const QByteArray& bytes)
{
    m_files.append({relativePath, bytes});
    return *this;
}

PrefixBuilder& PrefixBuilder::folder(const QString& relativePath)
{
    m_folders.append(relativePath);
    return *this;
}

QByteArray PrefixBuilder::text(Hive h) const
{
    QByteArray s = header(h);
    for (const Key& k : m_keys) {
        if (k.hive != h)
            continue;
        QByteArray path;
        for (const QString& part : k.path.split(QLatin1Char('\\')))
            path += (path.isEmpty() ? "" : "\\\\") + escapeRegKeyName(part);
        const quint64 filetime = (static_cast<quint64>(k.seconds) + 11644473600ULL) * 10000000ULL;
        s += "\n[" + path + "] " + QByteArray::number(k.seconds) + "\n#time="
             + QByteArray::number(filetime >> 32, 16)
             + QByteArray::number(filetime & 0xffffffffULL, 16).rightJustified(8, '0') + '\n';
        if (k.isLink)
            s += "#link\n";
        for (const QByteArray& line : k.values)
            s += line + '\n';
    }
    return s;
}

bool PrefixBuilder::write(const QString& dir) const
{
    bool ok = QDir().mkpath(dir);
    for (Hive h : {Hive::System, Hive::User, Hive::UserDefault}) {
        if (!m_hives[static_cast<int>(h)])
            continue;
        QFile f(dir + QLatin1Char('/') + fileName(h));
        ok = ok && f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text(h)) == text(h).size();
    }
    for (const QString& d : m_folders)
        ok = ok && QDir().mkpath(dir + QLatin1Char('/') + d);
    for (const auto& [path, bytes] : m_files) {
        const QString full = dir + QLatin1Char('/') + path;
        QFile f(full);
        ok = ok && QDir().mkpath(QFileInfo(full).path()) && f.open(QIODevice::WriteOnly | QIODevice::Truncate)
             && f.write(bytes) == bytes.size();
    }
    if (!m_links.isEmpty())
        ok = ok && QDir().mkpath(dir + QStringLiteral("/dosdevices"));
    for (const auto& [name, target] : m_links)
        ok = ok && QFile::link(target, dir + QStringLiteral("/dosdevices/") + name);
    return ok;
}

}  // namespace testenv
