#include "platform/registry.h"

#include "platform/regformat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::registry {

void runScheduledSave();

namespace {

using regformat::Cursor;

const char* const kFileNames[3] = {"system.reg", "user.reg", "userdef.reg"};
const char kDefaultSid[] = "S-1-5-21-0-0-0-1000";

// One "[key]" block of a file: its bytes run from `begin` (the blank lines
// before it) to the next block's `begin`.
struct Segment {
    Key* key;
    qsizetype begin;
    qsizetype keyLine;
};

struct HiveFile {
    QString path;
    bool existed = false;
    QByteArray bytes;  // as on disk (as loaded, or as last saved)
    std::vector<Segment> segments;
    Key* root = nullptr;
    bool writable = true;
    bool dirty = false;
    QByteArray arch = "#arch=win64";
};

struct Store {
    QString prefixDir;
    std::unique_ptr<Key> root;  // \Registry
    HiveFile files[3];
    QString userSid = QString::fromLatin1(kDefaultSid);
};

std::unique_ptr<Store> g_store;
quint32 g_generation = 1;
bool g_saveQueued = false;
std::function<void(const QString&)> g_errorHandler;

quint64 nowFiletime()
{
    return static_cast<quint64>(QDateTime::currentMSecsSinceEpoch()) * 10000ull + regformat::kTicks1601To1970;
}

bool foldLess(const QString& a, const QString& b)
{
    return a < b;  // UTF-16 units; a name that begins another sorts first
}

Key* addChild(Key* parent, const QString& name, QString folded)
{
    auto& kids = parent->children;
    auto it = kids.end();
    if (!kids.empty() && !foldLess(folded, kids.back()->fold))
        it = kids.end();
    else
        it = std::lower_bound(kids.begin(), kids.end(), folded,
                              [](const std::unique_ptr<Key>& k, const QString& f) { return foldLess(k->fold, f); });
    auto key = std::make_unique<Key>();
    key->name = name;
    key->fold = std::move(folded);
    key->parent = parent;
    key->hive = parent->hive;
    Key* raw = key.get();
    kids.insert(it, std::move(key));
    return raw;
}

Key* findChildFolded(Key* parent, const QString& folded)
{
    auto& kids = parent->children;
    if (kids.empty())
        return nullptr;
    if (kids.back()->fold == folded)
        return kids.back().get();
    auto it = std::lower_bound(kids.begin(), kids.end(), folded,
                               [](const std::unique_ptr<Key>& k, const QString& f) { return foldLess(k->fold, f); });
    if (it != kids.end() && (*it)->fold == folded)
        return it->get();
    return nullptr;
}

QString fileError(const HiveFile& f, int line, const QString& what)
{
    return QStringLiteral("The registry file %1 cannot be read at line %2 (%3), so Velmora changes nothing in it.")
        .arg(f.path)
        .arg(line)
        .arg(what);
}

// Reads the layout of a file: key blocks, their times, classes and links.
// Value lines are checked now and read later, when first needed.
bool indexFile(HiveFile& f, QString* error)
{
    const char* base = f.bytes.constData();
    Cursor c{base, base + f.bytes.size(), 1};
    const char* le = regformat::lineTextEnd(c.pos, c.end);
    if (QByteArray(c.pos, le - c.pos) != regformat::kHeaderLine) {
        *error = QStringLiteral("The registry file %1 is not a Wine registry file (its first line is not \"%2\"), so Velmora "
                                "changes nothing in it.")
                     .arg(f.path, QLatin1String(regformat::kHeaderLine));
        return false;
    }
    regformat::nextLine(c);
    qsizetype contentEnd = c.pos - base;
    Key* current = nullptr;
    QStringList path;
    QString what;
    const quint64 loadTime = nowFiletime();
    while (c.pos < c.end) {
        const char* p = c.pos;
        le = regformat::lineTextEnd(p, c.end);
        while (p < le && (*p == ' ' || *p == '\t'))
            ++p;
        if (p == le) {
            regformat::nextLine(c);
            continue;
        }
        const int line = c.line;
        if (*p == ';') {
            regformat::nextLine(c);
            contentEnd = c.pos - base;
            continue;
        }
        if (*p == '[') {
            Segment seg{nullptr, contentEnd, c.pos - base};
            quint64 seconds = 0;
            bool hasSeconds = false;
            if (!regformat::parseKeyLine(c, &path, &seconds, &hasSeconds, &what)) {
                *error = fileError(f, line, what);
                return false;
            }
            Key* k = f.root;
            for (const QString& part : path) {
                const QString folded = fold(part);
                Key* child = findChildFolded(k, folded);
                if (!child) {
                    child = addChild(k, part, folded);
                    child->time = loadTime;
                }
                k = child;
            }
            if (k->seg >= 0)
                k->multiSeg = true;
            else
                k->seg = static_cast<int>(f.segments.size());
            k->valuesLoaded = false;
            if (hasSeconds)
                k->time = seconds * regformat::kTicksPerSecond + regformat::kTicks1601To1970;
            seg.key = k;
            f.segments.push_back(seg);
            current = k;
            contentEnd = c.pos - base;
            continue;
        }
        if (*p == '#') {
            const auto starts = [p, le](const char* word) {
                const size_t n = std::strlen(word);
                return static_cast<size_t>(le - p) >= n && std::memcmp(p, word, n) == 0;
            };
            if (current && starts("#time=")) {
                quint64 t = 0;
                const char* q = p + 6;
                int digits = 0;
                for (; q < le && digits < 16; ++q, ++digits) {
                    const char ch = *q;
                    const int v = ch >= '0' && ch <= '9' ? ch - '0'
                        : ch >= 'a' && ch <= 'f'         ? ch - 'a' + 10
                        : ch >= 'A' && ch <= 'F'         ? ch - 'A' + 10
                                                         : -1;
                    if (v < 0)
                        break;
                    t = t * 16 + static_cast<unsigned>(v);
                }
                while (q < le && (*q == ' ' || *q == '\t'))
                    ++q;
                if (digits == 0 || q != le) {
                    *error = fileError(f, line, QStringLiteral("bad #time"));
                    return false;
                }
                current->time = t;
            } else if (current && starts("#class=")) {
                c.pos = p + 7;
                if (!regformat::parseClassLine(c, &current->cls, &what)) {
                    *error = fileError(f, line, what);
                    return false;
                }
                current->hasClass = true;
                contentEnd = c.pos - base;
                continue;
            } else if (current && starts("#link") && QByteArray(p + 5, le - p - 5).trimmed().isEmpty()) {
                current->link = true;
            } else if (!current && starts("#arch=")) {
                f.arch = QByteArray(p, le - p).trimmed();
            }
            regformat::nextLine(c);
            contentEnd = c.pos - base;
            continue;
        }
        if (!current) {
            *error = fileError(f, line, QStringLiteral("a value before the first key"));
            return false;
        }
        c.pos = p;
        if (!regformat::parseValueLine(c, nullptr, &what)) {
            *error = fileError(f, line, what);
            return false;
        }
        contentEnd = c.pos - base;
    }
    return true;
}

HiveFile* hiveOf(const Key* key)
{
    if (!g_store || key->hive < 0)
        return nullptr;
    return &g_store->files[key->hive];
}

void insertValue(Key* key, Value v)
{
    auto& vals = key->values;
    auto it = std::lower_bound(vals.begin(), vals.end(), v.fold,
                               [](const Value& a, const QString& f) { return foldLess(a.fold, f); });
    if (it != vals.end() && it->fold == v.fold) {
        it->type = v.type;  // a repeated name keeps its first spelling
        it->data = std::move(v.data);
        return;
    }
    vals.insert(it, std::move(v));
}

void parseSegmentValues(Key* key, const HiveFile& f, const Segment& seg)
{
    const char* base = f.bytes.constData();
    Cursor c{base + seg.keyLine, base + f.bytes.size(), 0};
    regformat::nextLine(c);  // the key line
    QString what;
    regformat::ParsedValue pv;
    while (c.pos < c.end) {
        const char* p = c.pos;
        const char* le = regformat::lineTextEnd(p, c.end);
        while (p < le && (*p == ' ' || *p == '\t'))
            ++p;
        if (p < le && *p == '[')
            break;
        if (p == le || *p == ';' || *p == '#') {
            regformat::nextLine(c);
            continue;
        }
        c.pos = p;
        if (!regformat::parseValueLine(c, &pv, &what)) {
            regformat::nextLine(c);  // checked at load; cannot happen
            continue;
        }
        Value v;
        v.fold = fold(pv.name);
        v.name = std::move(pv.name);
        v.type = pv.type;
        v.data = std::move(pv.data);
        insertValue(key, std::move(v));
    }
}

void ensureValues(Key* key)
{
    if (key->valuesLoaded)
        return;
    key->valuesLoaded = true;
    const HiveFile* f = hiveOf(key);
    if (!f || key->seg < 0)
        return;
    if (!key->multiSeg) {
        parseSegmentValues(key, *f, f->segments[key->seg]);
        return;
    }
    for (const Segment& s : f->segments) {
        if (s.key == key)
            parseSegmentValues(key, *f, s);
    }
}

// Which keys Wine writes a block for. The root of a file only for what it
// holds itself: an empty file stays without blocks.
bool needsBlock(Key* key)
{
    ensureValues(key);
    const bool leaf = key->children.empty() && !(hiveOf(key) && hiveOf(key)->root == key);
    return !key->values.empty() || leaf || key->hasClass || key->link;
}

QStringList relativePath(const Key* key, const Key* hiveRoot)
{
    QStringList parts;
    for (const Key* k = key; k && k != hiveRoot; k = k->parent)
        parts.prepend(k->name);
    return parts;
}

void appendBlock(QByteArray& out, Key* key, const Key* hiveRoot)
{
    ensureValues(key);
    regformat::appendKeyHeader(out, relativePath(key, hiveRoot), key->time, key->hasClass ? &key->cls : nullptr,
                               key->link);
    for (const Value& v : key->values)
        regformat::appendValue(out, v.name, v.type, v.data);
}

void collectInsertions(Key* key, int& anchor, std::vector<std::vector<Key*>>& inserts)
{
    if (key->seg >= 0)
        anchor = key->seg + 1;
    else if (needsBlock(key))
        inserts[static_cast<size_t>(anchor)].push_back(key);
    for (auto& child : key->children)
        collectInsertions(child.get(), anchor, inserts);
}

QByteArray defaultHeader(const HiveFile& f, int index)
{
    QByteArray h = QByteArray(regformat::kHeaderLine) + "\n";
    if (index == 0)
        h += ";; All keys relative to REGISTRY\\\\Machine\n";
    else if (index == 1)
        h += ";; All keys relative to REGISTRY\\\\User\\\\" + g_store->userSid.toLatin1() + "\n";
    else
        h += ";; All keys relative to REGISTRY\\\\User\\\\.Default\n";
    h += "\n" + f.arch + "\n";
    return h;
}

// The file's new bytes: unchanged blocks as they were, changed ones
// rewritten, new ones where Wine would write them.
QByteArray render(HiveFile& f, int index, std::vector<Segment>* newSegs)
{
    std::vector<std::vector<Key*>> inserts(f.segments.size() + 1);
    int anchor = 0;
    collectInsertions(f.root, anchor, inserts);

    QByteArray out;
    out.reserve(f.bytes.size() + 4096);
    const qsizetype headerEnd = f.segments.empty() ? f.bytes.size() : f.segments[0].begin;
    if (f.existed)
        out.append(f.bytes.constData(), headerEnd);
    else
        out = defaultHeader(f, index);
    auto emitInserts = [&](size_t at) {
        for (Key* k : inserts[at]) {
            const qsizetype begin = out.size();
            out.append('\n');
            newSegs->push_back({k, begin, out.size()});
            appendBlock(out, k, f.root);
        }
    };
    emitInserts(0);
    for (size_t i = 0; i < f.segments.size(); ++i) {
        const Segment& s = f.segments[i];
        const qsizetype end = i + 1 < f.segments.size() ? f.segments[i + 1].begin : f.bytes.size();
        Key* k = s.key;
        if (!k->dirty) {
            newSegs->push_back({k, out.size(), out.size() + (s.keyLine - s.begin)});
            out.append(f.bytes.constData() + s.begin, end - s.begin);
        } else if (k->seg == static_cast<int>(i) && needsBlock(k)) {
            const qsizetype begin = out.size();
            out.append(f.bytes.constData() + s.begin, s.keyLine - s.begin);
            newSegs->push_back({k, begin, out.size()});
            appendBlock(out, k, f.root);
        }
        emitInserts(i + 1);
    }
    return out;
}

void resetSegments(Key* key)
{
    key->seg = -1;
    key->multiSeg = false;
    key->dirty = false;
    for (auto& child : key->children)
        resetSegments(child.get());
}

bool readWhole(const QString& path, QByteArray* bytes, bool* exists, QString* error)
{
    QFile file(path);
    *exists = file.exists();
    bytes->clear();
    if (!*exists)
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// New file beside the old one, flushed, then renamed over it: a crash
// leaves the old file or the new one. Our temporary names start with
// ".velmora-save-", never Wine's "reg<hex>.tmp".
bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        target = info.canonicalFilePath();
        if (target.isEmpty()) {
            *error = QStringLiteral("%1 is a broken link").arg(path);
            return false;
        }
    }
    const QByteArray targetName = QFile::encodeName(target);
    mode_t mode = 0666;
    struct stat st;
    if (::stat(targetName.constData(), &st) == 0) {
        if (st.st_nlink > 1) {
            *error = QStringLiteral("%1 has more than one hard link, and replacing it would break them").arg(target);
            return false;
        }
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const QString dir = QFileInfo(target).absolutePath();
    QByteArray tmpl =
        QFile::encodeName(dir + QStringLiteral("/.velmora-save-%1-XXXXXX").arg(static_cast<qint64>(::getpid())));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        *error = QStringLiteral("cannot create a file in %1: %2").arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    bool ok = writeAll(fd, bytes.constData(), bytes.size()) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int savedErrno = errno;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(tmpl.constData(), targetName.constData()) != 0)
        ok = false;
    if (!ok) {
        *error = QStringLiteral("cannot write %1: %2").arg(target, QString::fromLocal8Bit(std::strerror(savedErrno ? savedErrno : errno)));
        ::unlink(tmpl.constData());
        return false;
    }
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool isDirWritable(const QString& filePath)
{
    QString real = filePath;
    const QFileInfo info(filePath);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        real = info.canonicalFilePath();
    const QByteArray dir = QFile::encodeName(QFileInfo(real).absolutePath());
    if (::access(dir.constData(), W_OK | X_OK) != 0)
        return false;
    if (QFileInfo::exists(real) && ::access(QFile::encodeName(real).constData(), W_OK) != 0)
        return false;
    return true;
}

void scheduleSave()
{
    if (g_saveQueued)
        return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;  // saved by the next flush or at close
    g_saveQueued = true;
    QMetaObject::invokeMethod(
        app,
        [] {
            g_saveQueued = false;
            runScheduledSave();
        },
        Qt::QueuedConnection);
}

void touch(Key* key)
{
    key->time = nowFiletime();
    key->dirty = true;
    if (HiveFile* f = hiveOf(key))
        f->dirty = true;
    scheduleSave();
}

Key* walkAbsolute(const QString& ntPath, int depth);

Key* followLink(Key* key, int depth)
{
    if (depth > 16)
        return nullptr;
    const Value* v = findValue(key, QStringLiteral("SymbolicLinkValue"));
    if (!v || v->type != REG_LINK)
        return nullptr;
    const auto* d = reinterpret_cast<const char16_t*>(v->data.constData());
    return walkAbsolute(QString(reinterpret_cast<const QChar*>(d), v->data.size() / 2), depth + 1);
}

LONG walkFrom(Key* start, const QStringList& components, bool create, Key** out, bool* created, int depth)
{
    Key* k = start;
    if (created)
        *created = false;
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString folded = fold(components[i]);
        Key* child = findChildFolded(k, folded);
        if (!child) {
            if (!create)
                return ERROR_FILE_NOT_FOUND;
            for (qsizetype j = i; j < components.size(); ++j) {
                if (components[j].size() > 255)
                    return ERROR_INVALID_PARAMETER;
            }
            if (!isWritable(k))
                return ERROR_ACCESS_DENIED;
            for (; i < components.size(); ++i) {
                k = addChild(k, components[i], fold(components[i]));
                touch(k);
            }
            if (created)
                *created = true;
            break;
        }
        k = child;
        if (k->link) {
            k = followLink(k, depth);
            if (!k)
                return ERROR_FILE_NOT_FOUND;
        }
    }
    *out = k;
    return ERROR_SUCCESS;
}

Key* walkAbsolute(const QString& ntPath, int depth)
{
    QStringList parts = ntPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || fold(parts.front()) != QLatin1String("registry"))
        return nullptr;
    parts.removeFirst();
    Key* out = nullptr;
    if (walkFrom(g_store->root.get(), parts, false, &out, nullptr, depth) != ERROR_SUCCESS)
        return nullptr;
    return out;
}

QString userSidFromHeader(const QByteArray& bytes)
{
    const QByteArray marker = ";; All keys relative to REGISTRY\\\\User\\\\";
    const qsizetype at = bytes.indexOf(marker);
    if (at < 0 || at > 200)
        return QString::fromLatin1(kDefaultSid);
    const qsizetype start = at + marker.size();
    qsizetype end = start;
    while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
        ++end;
    const QString sid = QString::fromLatin1(bytes.mid(start, end - start)).trimmed();
    return sid.isEmpty() || sid.contains(QLatin1Char('\\')) ? QString::fromLatin1(kDefaultSid) : sid;
}

}  // namespace

void runScheduledSave()
{
    if (!g_store)
        return;
    const PrefixError r = save();
    if (r.ok)
        return;
    if (g_errorHandler)
        g_errorHandler(r.message);
    else
        qWarning("%s", qPrintable(r.message));
}

void setErrorHandler(std::function<void(const QString&)> handler)
{
    g_errorHandler = std::move(handler);
}

QString fold(const QString& name)
{
    // Most names are already lower case: share them rather than copy.
    qsizetype i = 0;
    const QChar* s = name.constData();
    for (; i < name.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (u < 0x80 ? (u >= 'A' && u <= 'Z') : QChar::toLower(u) != u)
            break;
    }
    if (i == name.size())
        return name;
    QString out = name;
    QChar* d = out.data();
    for (; i < out.size(); ++i) {
        const char16_t u = d[i].unicode();
        if (u < 0x80) {
            if (u >= 'A' && u <= 'Z')
                d[i] = QChar(static_cast<char16_t>(u + 32));
        } else {
            d[i] = QChar(QChar::toLower(u));
        }
    }
    return out;
}

PrefixError load(const QString& prefixDir)
{
    unload();
    auto store = std::make_unique<Store>();
    store->prefixDir = prefixDir;
    for (int i = 0; i < 3; ++i) {
        HiveFile& f = store->files[i];
        f.path = QDir(prefixDir).filePath(QLatin1String(kFileNames[i]));
        QString why;
        if (!readWhole(f.path, &f.bytes, &f.existed, &why))
            return {false, QStringLiteral("The registry file %1 cannot be read: %2.").arg(f.path, why)};
        if (i == 0 && !f.existed)
            return {false, QStringLiteral("The folder %1 has no system.reg, so it is not a Wine prefix that Velmora "
                                          "can clean (run wineboot to set one up).")
                               .arg(prefixDir)};
        f.writable = isDirWritable(f.path);
    }
    if (store->files[1].existed)
        store->userSid = userSidFromHeader(store->files[1].bytes);

    store->root = std::make_unique<Key>();
    store->root->name = QStringLiteral("Registry");
    store->root->fold = fold(store->root->name);
    Key* machine = addChild(store->root.get(), QStringLiteral("Machine"), QStringLiteral("machine"));
    Key* users = addChild(store->root.get(), QStringLiteral("User"), QStringLiteral("user"));
    Key* def = addChild(users, QStringLiteral(".Default"), QStringLiteral(".default"));
    Key* cur = addChild(users, store->userSid, fold(store->userSid));
    Key* roots[3] = {machine, cur, def};
    for (int i = 0; i < 3; ++i) {
        roots[i]->hive = i;
        store->files[i].root = roots[i];
    }
    g_store = std::move(store);
    ++g_generation;
    for (int i = 0; i < 3; ++i) {
        HiveFile& f = g_store->files[i];
        if (!f.existed)
            continue;
        QString error;
        if (!indexFile(f, &error)) {
            unload();
            return {false, error};
        }
    }
    // The files' arch line decides what new files get.
    g_store->files[1].arch = g_store->files[2].arch = g_store->files[0].arch;
    return {};
}

void unload()
{
    if (g_store)
        ++g_generation;
    g_store.reset();
}

bool isLoaded()
{
    return g_store != nullptr;
}

quint32 generation()
{
    return g_generation;
}

bool hasUnsavedChanges()
{
    if (!g_store)
        return false;
    for (const HiveFile& f : g_store->files) {
        if (f.dirty)
            return true;
    }
    return false;
}

namespace {
void markTree(Key* key)
{
    ensureValues(key);
    key->dirty = true;
    for (auto& child : key->children)
        markTree(child.get());
}
}  // namespace

void markAllKeysChanged()
{
    if (!g_store)
        return;
    for (HiveFile& f : g_store->files) {
        markTree(f.root);
        f.dirty = true;
    }
}

PrefixError save()
{
    if (!hasUnsavedChanges())
        return {};
    if (serverRunning(g_store->prefixDir))
        return {false, QStringLiteral("A Wine program is running on the prefix %1, so the registry changes were not "
                                      "saved: close the Wine programs of this prefix, or run wineserver -k.")
                           .arg(g_store->prefixDir)};
    PrefixError result;
    for (int i = 0; i < 3; ++i) {
        HiveFile& f = g_store->files[i];
        if (!f.dirty)
            continue;
        QByteArray onDisk;
        bool exists = false;
        QString why;
        if (!readWhole(f.path, &onDisk, &exists, &why) || exists != f.existed || onDisk != f.bytes) {
            if (result.ok)
                result = {false, QStringLiteral("The registry file %1 was changed by another program since Velmora "
                                                "read it, so Velmora did not overwrite it and its changes were not "
                                                "saved.")
                                     .arg(f.path)};
            continue;
        }
        std::vector<Segment> segs;
        QByteArray bytes = render(f, i, &segs);
        if (!writeAtomically(f.path, bytes, &why)) {
            if (result.ok)
                result = {false, QStringLiteral("The registry changes could not be saved: %1.").arg(why)};
            continue;
        }
        f.bytes = std::move(bytes);
        f.existed = true;
        resetSegments(f.root);
        for (size_t s = 0; s < segs.size(); ++s) {
            Key* k = segs[s].key;
            if (k->seg < 0)
                k->seg = static_cast<int>(s);
            else
                k->multiSeg = true;
        }
        f.segments = std::move(segs);
        f.dirty = false;
    }
    return result;
}

bool serverRunning(const QString& prefixDir)
{
    struct stat st;
    if (::stat(QFile::encodeName(prefixDir).constData(), &st) != 0)
        return false;
    const QString serverDir = QStringLiteral("server-%1-%2")
                                  .arg(static_cast<qulonglong>(st.st_dev), 0, 16)
                                  .arg(static_cast<qulonglong>(st.st_ino), 0, 16);
    const QString uid = QString::number(::getuid());
    QString tmp = qEnvironmentVariable("TMPDIR");
    if (tmp.isEmpty())
        tmp = QStringLiteral("/tmp");
    QStringList candidates = {QStringLiteral("/tmp/.wine-%1/%2").arg(uid, serverDir),
                              QStringLiteral("%1/.wine-%2/%3").arg(tmp, uid, serverDir)};
    // Debian's build names its folder in the prefix's "wineserver" file.
    QFile named(QDir(prefixDir).filePath(QStringLiteral("wineserver")));
    if (named.open(QIODevice::ReadOnly)) {
        const QString sub = QString::fromLocal8Bit(named.read(4096)).trimmed();
        if (!sub.isEmpty() && !sub.contains(QLatin1Char('/'))) {
            candidates << QStringLiteral("%1/%2/%3").arg(tmp, sub, serverDir)
                       << QStringLiteral("/tmp/%1/%2").arg(sub, serverDir);
        }
    }
    for (const QString& dir : candidates) {
        const QByteArray lock = QFile::encodeName(dir + QStringLiteral("/lock"));
        const int fd = ::open(lock.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == EACCES)
                return true;  // cannot tell: better refuse than lose changes
            continue;
        }
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = 0;
        fl.l_len = 1;
        const int rc = ::fcntl(fd, F_GETLK, &fl);
        ::close(fd);
        if (rc != 0 || fl.l_type != F_UNLCK)
            return true;
    }
    return false;
}

bool predefinedPath(quint32 hkey, QStringList* components)
{
    if (!g_store)
        return false;
    switch (hkey) {
    case HKEY_LOCAL_MACHINE:
        *components = {QStringLiteral("Machine")};
        return true;
    case HKEY_CURRENT_USER:
        *components = {QStringLiteral("User"), g_store->userSid};
        return true;
    case HKEY_USERS:
        *components = {QStringLiteral("User")};
        return true;
    case HKEY_CLASSES_ROOT:
        *components = {QStringLiteral("Machine"), QStringLiteral("Software"), QStringLiteral("Classes")};
        return true;
    case HKEY_CURRENT_CONFIG:
        *components = {QStringLiteral("Machine"), QStringLiteral("System"), QStringLiteral("CurrentControlSet"),
                       QStringLiteral("Hardware Profiles"), QStringLiteral("Current")};
        return true;
    default:
        return false;
    }
}

Key* registryRoot()
{
    return g_store ? g_store->root.get() : nullptr;
}

bool splitPath(const QString& path, QStringList* components)
{
    components->clear();
    if (path.startsWith(QLatin1Char('\\')))
        return false;
    *components = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return true;
}

LONG walk(Key* start, const QStringList& components, bool create, Key** out, bool* created)
{
    if (!g_store)
        return ERROR_INVALID_HANDLE;
    return walkFrom(start, components, create, out, created, 0);
}

Key* findChild(Key* parent, const QString& name)
{
    return findChildFolded(parent, fold(name));
}

const std::vector<Value>& values(Key* key)
{
    ensureValues(key);
    return key->values;
}

const Value* findValue(Key* key, const QString& name)
{
    ensureValues(key);
    const QString folded = fold(name);
    auto& vals = key->values;
    auto it = std::lower_bound(vals.begin(), vals.end(), folded,
                               [](const Value& a, const QString& f) { return foldLess(a.fold, f); });
    if (it != vals.end() && it->fold == folded)
        return &*it;
    return nullptr;
}

LONG setValue(Key* key, const QString& name, DWORD type, const QByteArray& data)
{
    if (!isWritable(key))
        return ERROR_ACCESS_DENIED;
    if (name.size() > 16383)
        return ERROR_INVALID_PARAMETER;
    ensureValues(key);
    const Value* old = findValue(key, name);
    if (old && old->type == type && old->data == data)
        return ERROR_SUCCESS;  // nothing changes, nothing to save
    Value v;
    v.name = name;
    v.fold = fold(name);
    v.type = type;
    v.data = data;
    insertValue(key, std::move(v));
    touch(key);
    return ERROR_SUCCESS;
}

LONG deleteValue(Key* key, const QString& name)
{
    if (!isWritable(key))
        return ERROR_ACCESS_DENIED;
    ensureValues(key);
    const QString folded = fold(name);
    auto& vals = key->values;
    auto it = std::lower_bound(vals.begin(), vals.end(), folded,
                               [](const Value& a, const QString& f) { return foldLess(a.fold, f); });
    if (it == vals.end() || it->fold != folded)
        return ERROR_FILE_NOT_FOUND;
    vals.erase(it);
    touch(key);
    return ERROR_SUCCESS;
}

bool isWritable(const Key* key)
{
    const HiveFile* f = hiveOf(key);
    return f && f->writable;
}

}  // namespace platform::registry
