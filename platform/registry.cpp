#include "platform/registry.h"

#include "platform/atomicfile.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/regformat.h"
#include "platform/registrytesting.h"

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
bool g_saveQueued = false;  // a save call waits in the event queue
bool g_saveWanted = false;  // and it should still save when it runs
int g_batchDepth = 0;
quint64 g_filesWritten = 0;
void (*g_saveStageHook)(SaveStage) = nullptr;

// Far above any real registry; a bigger "file" is something else.
constexpr qint64 kMaxFileSize = qint64(1) << 30;

void saveStage(SaveStage stage)
{
    if (g_saveStageHook)
        g_saveStageHook(stage);
}

// Calls `f` on `root` and every key below it, without recursion.
template <typename F>
void forEachKey(Key* root, F f)
{
    std::vector<Key*> stack{root};
    while (!stack.empty()) {
        Key* k = stack.back();
        stack.pop_back();
        f(k);
        for (auto& child : k->children)
            stack.push_back(child.get());
    }
}

quint64 nowFiletime()
{
    return static_cast<quint64>(platform::currentDateTime().toMSecsSinceEpoch()) * 10000ull
        + regformat::kTicks1601To1970;
}

inline char16_t lowerUnit(char16_t u)
{
    if (u < 0x80)
        return u >= 'A' && u <= 'Z' ? static_cast<char16_t>(u + 32) : u;
    return QChar::toLower(u);
}

bool nameLess(const QString& a, QStringView b)
{
    return compareNames(a, b) < 0;
}

// Where a child named `name` is or would go.
std::vector<std::unique_ptr<Key>>::iterator childSlot(Key* parent, QStringView name, bool* found)
{
    auto& kids = parent->children;
    *found = false;
    if (kids.empty())
        return kids.end();
    // Files list siblings in order, so the last one is the usual answer.
    const int last = compareNames(kids.back()->name, name);
    if (last <= 0) {
        *found = last == 0;
        return last == 0 ? kids.end() - 1 : kids.end();
    }
    auto it = std::lower_bound(kids.begin(), kids.end(), name,
                               [](const std::unique_ptr<Key>& k, QStringView f) { return nameLess(k->name, f); });
    *found = it != kids.end() && compareNames((*it)->name, name) == 0;
    return it;
}

Key* insertChild(Key* parent, std::vector<std::unique_ptr<Key>>::iterator at, const QString& name)
{
    auto key = std::make_unique<Key>();
    key->name = name;
    key->parent = parent;
    key->hive = parent->hive;
    Key* raw = key.get();
    parent->children.insert(at, std::move(key));
    return raw;
}

Key* addChild(Key* parent, const QString& name)
{
    bool found = false;
    const auto at = childSlot(parent, name, &found);
    return insertChild(parent, at, name);
}

Key* findChildNamed(Key* parent, QStringView name)
{
    bool found = false;
    const auto at = childSlot(parent, name, &found);
    return found ? at->get() : nullptr;
}

QString fileError(const HiveFile& f, int line, const QString& what)
{
    return QStringLiteral("The registry file %1 cannot be read at line %2 (%3), so Velmora changes nothing in it.")
        .arg(f.path)
        .arg(line)
        .arg(what);
}

// One name of the previous key line, still escaped: where its text ends
// (after the separator that follows it) and the key it led to.
struct PathStep {
    qsizetype end;
    Key* key;
};

// The key of one "[path]" line. Consecutive lines mostly share their
// leading names, so those are taken from `steps` (the previous line's
// walk) without decoding them again.
bool walkKeyLine(HiveFile& f, const char* path, const char* pathEnd, std::vector<PathStep>& steps, QByteArrayView& prev,
                 quint64 loadTime, Key** out, QString* error)
{
    const qsizetype len = pathEnd - path;
    const qsizetype prevLen = prev.size();
    qsizetype same = 0;
    const qsizetype most = std::min(len, prevLen);
    while (same < most && path[same] == prev[same])
        ++same;
    // Names ending before a separator both lines share are the same keys.
    // The previous line's last name ends at its end instead: it is shared
    // when this line is the same, or goes on with a separator there.
    size_t keep = 0;
    while (keep < steps.size() && steps[keep].end < prevLen && steps[keep].end <= same)
        ++keep;
    if (keep + 1 == steps.size() && same == prevLen
        && (len == prevLen || (len - prevLen >= 2 && path[prevLen] == '\\' && path[prevLen + 1] == '\\'))) {
        ++keep;
        if (len > prevLen) {
            steps.back().end = prevLen + 2;
            if (prevLen + 2 == len) {
                *error = QStringLiteral("empty key name in path");
                return false;
            }
        }
    }
    steps.resize(keep);
    Key* k = keep ? steps.back().key : f.root;
    const char* p = path + (keep ? steps.back().end : 0);
    QString name;
    while (p < pathEnd) {
        const char* partEnd = regformat::keyPartEnd(p, pathEnd);
        if (partEnd == p) {
            *error = QStringLiteral("empty key name in path");
            return false;
        }
        if (!regformat::decodeKeyPart(p, partEnd, &name, error))
            return false;
        // A backslash written as \x5c or \134 separates names too.
        const QStringList parts = name.contains(QLatin1Char('\\')) ? name.split(QLatin1Char('\\')) : QStringList{name};
        for (const QString& part : parts) {
            if (part.isEmpty()) {
                *error = QStringLiteral("empty key name in path");
                return false;
            }
            bool found = false;
            const auto at = childSlot(k, part, &found);
            if (found) {
                k = at->get();
            } else {
                k = insertChild(k, at, part);
                k->time = loadTime;
            }
        }
        p = partEnd;
        if (p < pathEnd) {
            p += 2;  // the separator
            if (p == pathEnd) {
                *error = QStringLiteral("empty key name in path");
                return false;
            }
        }
        steps.push_back({p - path, k});
    }
    prev = QByteArrayView(path, len);
    *out = k;
    return true;
}

// Reads the layout of a file: key blocks, their times, classes and links.
// Value lines are checked now and read later, when first needed.
bool indexFile(HiveFile& f, QString* error)
{
    const char* base = f.bytes.constData();
    Cursor c{base, base + f.bytes.size(), 1};
    const char* le = regformat::lineTextEnd(c.pos, c.end);
    if (QByteArrayView(c.pos, le - c.pos) != QByteArrayView(regformat::kHeaderLine)) {
        *error = QStringLiteral("The registry file %1 is not a Wine registry file (its first line is not \"%2\"), so Velmora "
                                "changes nothing in it.")
                     .arg(f.path, QLatin1String(regformat::kHeaderLine));
        return false;
    }
    regformat::nextLine(c);
    qsizetype contentEnd = c.pos - base;
    Key* current = nullptr;
    std::vector<PathStep> steps;
    QByteArrayView prevPath;
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
            const char* pathBegin = nullptr;
            const char* pathEnd = nullptr;
            Key* k = nullptr;
            if (!regformat::scanKeyLine(c, &pathBegin, &pathEnd, &seconds, &hasSeconds, &what)
                || !walkKeyLine(f, pathBegin, pathEnd, steps, prevPath, loadTime, &k, &what)) {
                *error = fileError(f, line, what);
                return false;
            }
            if (k->seg >= 0)
                k->multiSeg = true;
            else
                k->seg = static_cast<int>(f.segments.size());
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
                QString cls;
                if (!regformat::parseClassLine(c, &cls, &what)) {
                    *error = fileError(f, line, what);
                    return false;
                }
                current->cls = std::make_unique<QString>(std::move(cls));
                contentEnd = c.pos - base;
                continue;
            } else if (current && starts("#link") && QByteArrayView(p + 5, le - p - 5).trimmed().isEmpty()) {
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
            // A wrapped hex value fails on its own line, not its first.
            *error = fileError(f, c.line, what);
            return false;
        }
        current->fileValues = true;
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

void insertValue(std::vector<Value>& vals, Value v)
{
    auto it = std::lower_bound(vals.begin(), vals.end(), v.name,
                               [](const Value& a, const QString& n) { return nameLess(a.name, n); });
    if (it != vals.end() && compareNames(it->name, v.name) == 0) {
        it->type = v.type;  // a repeated name keeps its first spelling
        it->data = std::move(v.data);
        return;
    }
    vals.insert(it, std::move(v));
}

void parseSegmentValues(std::vector<Value>& vals, const HiveFile& f, const Segment& seg)
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
        insertValue(vals, Value{std::move(pv.name), pv.type, std::move(pv.data)});
    }
}

// The values of a key as its blocks in the file hold them.
std::vector<Value> decodeValues(const Key* key)
{
    std::vector<Value> vals;
    const HiveFile* f = hiveOf(key);
    if (!f || key->seg < 0 || !key->fileValues)
        return vals;
    if (!key->multiSeg) {
        parseSegmentValues(vals, *f, f->segments[static_cast<size_t>(key->seg)]);
        return vals;
    }
    for (const Segment& s : f->segments) {
        if (s.key == key)
            parseSegmentValues(vals, *f, s);
    }
    return vals;
}

// Decoded values of the keys read last. Bounded, so that a walk over the
// whole registry does not keep every value in memory twice.
struct CachedValues {
    const Key* key = nullptr;
    std::vector<Value> values;
};
constexpr size_t kCachedKeys = 8;
CachedValues g_cache[kCachedKeys];

void clearCache()
{
    for (CachedValues& c : g_cache)
        c = CachedValues{};
}

const std::vector<Value>& valuesOf(Key* key)
{
    if (key->own)
        return *key->own;
    static const std::vector<Value> none;
    if (key->seg < 0 || !key->fileValues)
        return none;
    // Most recent first: a hit moves to the front, a miss evicts the last.
    size_t i = 0;
    while (i < kCachedKeys && g_cache[i].key != key)
        ++i;
    if (i == kCachedKeys) {
        i = kCachedKeys - 1;
        g_cache[i].key = key;
        g_cache[i].values = decodeValues(key);
    }
    if (i > 0)
        std::rotate(g_cache, g_cache + i, g_cache + i + 1);
    return g_cache[0].values;
}

// The key's values, made its own so they can change.
std::vector<Value>& ownValues(Key* key)
{
    if (key->own)
        return *key->own;
    key->own = std::make_unique<std::vector<Value>>();
    for (CachedValues& c : g_cache) {
        if (c.key == key) {
            *key->own = std::move(c.values);
            c = CachedValues{};
            return *key->own;
        }
    }
    *key->own = decodeValues(key);
    return *key->own;
}

bool hasValues(const Key* key)
{
    return key->own ? !key->own->empty() : key->seg >= 0 && key->fileValues;
}

// Which keys Wine writes a block for. The root of a file only for what it
// holds itself: an empty file stays without blocks.
bool needsBlock(Key* key)
{
    const bool leaf = key->children.empty() && !(hiveOf(key) && hiveOf(key)->root == key);
    return hasValues(key) || leaf || key->cls || key->link;
}

std::vector<const QString*> relativePath(const Key* key, const Key* hiveRoot)
{
    std::vector<const QString*> parts;
    for (const Key* k = key; k && k != hiveRoot; k = k->parent)
        parts.push_back(&k->name);
    std::reverse(parts.begin(), parts.end());
    return parts;
}

void appendBlock(QByteArray& out, Key* key, const Key* hiveRoot)
{
    regformat::appendKeyHeader(out, relativePath(key, hiveRoot), key->time, key->cls.get(), key->link);
    // A key marked changed without a change is rewritten from its file
    // text, decoded for this once only.
    const std::vector<Value> decoded = key->own ? std::vector<Value>() : decodeValues(key);
    for (const Value& v : key->own ? *key->own : decoded)
        regformat::appendValue(out, v.name, v.type, v.data);
}

// New keys that need a block, each after the block of the key before it
// in Wine's order (the index of that block plus one). Depth first, a key
// before its children, with a stack of our own.
void collectInsertions(Key* root, std::vector<std::pair<int, Key*>>& inserts)
{
    int anchor = 0;
    std::vector<Key*> stack{root};
    while (!stack.empty()) {
        Key* key = stack.back();
        stack.pop_back();
        if (key->seg >= 0)
            anchor = key->seg + 1;
        else if (needsBlock(key))
            inserts.emplace_back(anchor, key);
        for (auto it = key->children.rbegin(); it != key->children.rend(); ++it)
            stack.push_back(it->get());
    }
}


// Where a file's new text goes: written out in pieces, so that it is never
// held in memory beside the old one.
struct Sink {
    int fd = -1;
    QByteArray buf;
    qsizetype written = 0;  // bytes already in the file
    bool ok = true;
    int error = 0;

    qsizetype pos() const { return written + buf.size(); }
    void put(const char* data, qsizetype size)
    {
        if (!ok)
            return;
        if (!writeAll(fd, data, size)) {
            ok = false;
            error = errno;
            return;
        }
        const bool first = written == 0 && size > 0;
        written += size;
        if (first)
            saveStage(SaveStage::PartWritten);
    }
    void flush()
    {
        put(buf.constData(), buf.size());
        buf.resize(0);  // keeps its room for the next blocks
    }
    void flushIfFull()
    {
        if (buf.size() >= 64 * 1024)
            flush();
    }
};

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

// The file's new text: unchanged blocks as they were, changed ones
// rewritten, new ones where Wine would write them. `newSegs` gets the
// blocks' places in it.
void render(HiveFile& f, int index, std::vector<Segment>* newSegs, Sink& out)
{
    std::vector<std::pair<int, Key*>> inserts;
    collectInsertions(f.root, inserts);
    std::stable_sort(inserts.begin(), inserts.end(),
                     [](const std::pair<int, Key*>& a, const std::pair<int, Key*>& b) { return a.first < b.first; });
    newSegs->reserve(f.segments.size() + inserts.size());

    const char* bytes = f.bytes.constData();
    // Unchanged text is written straight from the old bytes, in runs.
    qsizetype runBegin = 0;
    qsizetype runEnd = 0;
    const auto endRun = [&] {
        if (runEnd > runBegin) {
            out.flush();
            out.put(bytes + runBegin, runEnd - runBegin);
        }
        runBegin = runEnd = 0;
    };
    const auto copy = [&](qsizetype begin, qsizetype end) {
        if (runEnd != begin || runEnd == runBegin) {
            endRun();
            runBegin = begin;
        }
        runEnd = end;
    };
    const qsizetype headerEnd = f.segments.empty() ? f.bytes.size() : f.segments[0].begin;
    if (f.existed)
        copy(0, headerEnd);
    else
        out.buf.append(defaultHeader(f, index));
    size_t next = 0;
    const auto emitInserts = [&](int at) {
        for (; next < inserts.size() && inserts[next].first == at; ++next) {
            endRun();
            Key* k = inserts[next].second;
            const qsizetype begin = out.pos();
            out.buf.append('\n');
            newSegs->push_back({k, begin, out.pos()});
            appendBlock(out.buf, k, f.root);
            out.flushIfFull();
        }
    };
    emitInserts(0);
    for (size_t i = 0; i < f.segments.size(); ++i) {
        const Segment& s = f.segments[i];
        const qsizetype end = i + 1 < f.segments.size() ? f.segments[i + 1].begin : f.bytes.size();
        Key* k = s.key;
        if (!k->dirty) {
            const qsizetype at = runEnd == s.begin && runEnd > runBegin ? out.pos() + (runEnd - runBegin) : -1;
            if (at >= 0) {
                newSegs->push_back({k, at, at + (s.keyLine - s.begin)});
            } else {
                endRun();
                newSegs->push_back({k, out.pos(), out.pos() + (s.keyLine - s.begin)});
            }
            copy(s.begin, end);
        } else if (k->seg == static_cast<int>(i) && needsBlock(k)) {
            endRun();
            const qsizetype begin = out.pos();
            out.buf.append(bytes + s.begin, s.keyLine - s.begin);
            newSegs->push_back({k, begin, out.pos()});
            appendBlock(out.buf, k, f.root);
            out.flushIfFull();
        }
        emitInserts(static_cast<int>(i) + 1);
    }
    endRun();
    out.flush();
}

void resetSegments(Key* root)
{
    forEachKey(root, [](Key* key) {
        key->seg = -1;
        key->multiSeg = false;
        key->dirty = false;
    });
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Opens a file for reading only when it is a regular file: a FIFO, a
// device or a link to one would block or never end. -1 with `why` set,
// and `openErrno` when the open itself failed (else 0).
int openRegular(const QByteArray& name, struct stat* st, QString* why, int* openErrno = nullptr)
{
    if (openErrno)
        *openErrno = 0;
    // Not opened at all when it is no regular file; checked again on the
    // descriptor, since it may be swapped in between.
    if (::stat(name.constData(), st) == 0 && !S_ISREG(st->st_mode)) {
        *why = S_ISDIR(st->st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file");
        return -1;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (openErrno)
            *openErrno = e;
        *why = systemReason(e);
        return -1;
    }
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        *why = QStringLiteral("it is not a regular file");
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads a registry file whole. `exists` is false (and the result true)
// only when there is nothing at all at `path`; a link to nothing, a
// folder that cannot be searched and the like are errors.
bool readWhole(const QString& path, QByteArray* bytes, bool* exists, QString* error)
{
    bytes->clear();
    *exists = false;
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0) {
        if (errno == ENOENT)
            return true;
        *error = systemReason(errno);
        return false;
    }
    *exists = true;
    const bool isLink = S_ISLNK(st.st_mode);
    int openErrno = 0;
    const int fd = openRegular(name, &st, error, &openErrno);
    if (fd < 0) {
        if (isLink && openErrno == ENOENT)
            *error = QStringLiteral("it is a link to a file that does not exist (%1)").arg(*error);
        return false;
    }
    if (st.st_size > kMaxFileSize) {
        ::close(fd);
        *error = QStringLiteral("it is larger than 1 GiB, far more than any registry");
        return false;
    }
    // Read to the end, not to the size seen: the file may still grow.
    bytes->resize(static_cast<qsizetype>(st.st_size) + 1);
    qsizetype at = 0;
    for (;;) {
        if (at == bytes->size()) {
            if (at > kMaxFileSize) {
                ::close(fd);
                bytes->clear();
                *error = QStringLiteral("it is larger than 1 GiB, far more than any registry");
                return false;
            }
            bytes->resize(std::min<qsizetype>(at * 2, kMaxFileSize + 1));
        }
        const ssize_t n = ::read(fd, bytes->data() + at, static_cast<size_t>(bytes->size() - at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            bytes->clear();
            *error = systemReason(e);
            return false;
        }
        if (n == 0)
            break;
        at += n;
    }
    ::close(fd);
    bytes->resize(at);
    return true;
}

// Whether the file on disk still holds `bytes` (or is still missing),
// compared a piece at a time.
bool sameAsOnDisk(const QString& path, bool existed, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return !existed && errno == ENOENT;
    bool same = existed;
    struct stat st;
    if (same && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != bytes.size()))
        same = false;
    std::vector<char> chunk(same ? 64 * 1024 : 0);
    qsizetype at = 0;
    while (same) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            same = n == 0 && at == bytes.size();
            break;
        }
        if (n > bytes.size() - at || std::memcmp(chunk.data(), bytes.constData() + at, static_cast<size_t>(n)) != 0)
            same = false;
        at += n;
    }
    ::close(fd);
    return same;
}

// The `size` bytes of an open file, from its start.
bool readBack(int fd, qsizetype size, QByteArray* out)
{
    out->resize(size);
    qsizetype at = 0;
    while (at < size) {
        const ssize_t n = ::pread(fd, out->data() + at, static_cast<size_t>(size - at), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
    }
    char extra;
    return ::pread(fd, &extra, 1, at) == 0;
}

// Each changed file goes through a new file beside the old one (written,
// flushed, then renamed over it), so that a crash leaves the old file or the
// new one. Our temporary names start with ".velmora-save-", never Wine's
// "reg<hex>.tmp".

// Flushes the written file and closes it. On success `kept` is a
// descriptor of it, open for reading it back once it is in place.
bool flushSave(AtomicFile& sf, int* kept, QString* error)
{
    if (!sf.flush(error, kept))
        return false;
    saveStage(SaveStage::Flushed);
    return true;
}

// Puts a flushed file in place of the old one. On failure the new file is
// removed and the old one stays as it was.
bool placeSave(AtomicFile& sf, QString* error)
{
    if (!sf.place(error))
        return false;
    saveStage(SaveStage::Renamed);
    return true;
}

// One changed file of a save: its new text written and flushed beside the
// old file, not yet in place.
struct WrittenFile {
    int index = -1;
    AtomicFile sf;
    int kept = -1;  // the new file, open for reading it back
    qsizetype size = 0;
    std::vector<Segment> segs;
};

void discardWritten(WrittenFile& w)
{
    if (w.kept >= 0)
        ::close(w.kept);
    w.kept = -1;
    w.sf.abandon();
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
    if (g_batchDepth > 0)
        return;  // the batch saves when it ends
    g_saveWanted = true;
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
            // Not inside a batch, nor after one has saved in its place.
            if (!g_saveWanted || g_batchDepth > 0)
                return;
            g_saveWanted = false;
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

// What one walk may spend on links, whatever the file: links that lead
// to each other, or to their own ancestors, or many times to the same
// chain, would otherwise make one open take forever.
struct LinkBudget {
    int links = 0;         // followed so far
    qsizetype steps = 0;   // names walked inside link targets
};
constexpr int kMaxLinkChain = 16;
constexpr int kMaxLinksPerWalk = 64;
constexpr qsizetype kMaxLinkSteps = 32767;  // the longest path Windows takes

Key* walkAbsolute(const QString& ntPath, int depth, LinkBudget& budget);

Key* followLink(Key* key, int depth, LinkBudget& budget)
{
    if (depth > kMaxLinkChain || ++budget.links > kMaxLinksPerWalk)
        return nullptr;
    const Value* v = findValue(key, QStringLiteral("SymbolicLinkValue"));
    if (!v || v->type != REG_LINK || v->data.size() / 2 > kMaxLinkSteps)
        return nullptr;
    const auto* d = reinterpret_cast<const char16_t*>(v->data.constData());
    return walkAbsolute(QString(reinterpret_cast<const QChar*>(d), v->data.size() / 2), depth + 1, budget);
}

LONG walkFrom(Key* start, const QStringList& components, bool create, Key** out, bool* created, int depth,
              LinkBudget& budget)
{
    Key* k = start;
    if (created)
        *created = false;
    for (qsizetype i = 0; i < components.size(); ++i) {
        if (depth > 0 && ++budget.steps > kMaxLinkSteps)
            return ERROR_FILE_NOT_FOUND;
        Key* child = findChildNamed(k, components[i]);
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
                k = addChild(k, components[i]);
                touch(k);
            }
            if (created)
                *created = true;
            break;
        }
        k = child;
        if (k->link) {
            k = followLink(k, depth, budget);
            if (!k)
                return ERROR_FILE_NOT_FOUND;
        }
    }
    *out = k;
    return ERROR_SUCCESS;
}

Key* walkAbsolute(const QString& ntPath, int depth, LinkBudget& budget)
{
    QStringList parts = ntPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || compareNames(parts.front(), u"registry") != 0)
        return nullptr;
    parts.removeFirst();
    Key* out = nullptr;
    if (walkFrom(g_store->root.get(), parts, false, &out, nullptr, depth, budget) != ERROR_SUCCESS)
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
    if (!r.ok)
        reportError(r.message);
}

void reportError(const QString& message)
{
    MsgBox(message, 64, QCoreApplication::applicationName());
}

Key::~Key()
{
    std::vector<std::unique_ptr<Key>> pending = std::move(children);
    while (!pending.empty()) {
        std::unique_ptr<Key> k = std::move(pending.back());
        pending.pop_back();
        for (auto& child : k->children)
            pending.push_back(std::move(child));
        k->children.clear();
    }  // each key goes with no children left, so this never nests
}

quint64 filesWritten()
{
    return g_filesWritten;
}

void beginBatch()
{
    ++g_batchDepth;
}

PrefixError endBatch()
{
    if (g_batchDepth == 0 || --g_batchDepth > 0)
        return {};
    g_saveWanted = false;  // saved here, not again by a call still queued
    return save();
}

int batchDepth()
{
    return g_batchDepth;
}

void setSaveStageHook(void (*hook)(SaveStage))
{
    g_saveStageHook = hook;
}

int compareNames(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* x = a.utf16();
    const char16_t* y = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (x[i] == y[i])
            continue;
        const char16_t lx = lowerUnit(x[i]);
        const char16_t ly = lowerUnit(y[i]);
        if (lx != ly)
            return lx < ly ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
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
    Key* machine = addChild(store->root.get(), QStringLiteral("Machine"));
    Key* users = addChild(store->root.get(), QStringLiteral("User"));
    Key* def = addChild(users, QStringLiteral(".Default"));
    Key* cur = addChild(users, store->userSid);
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
    clearCache();
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

void markAllFilesChanged()
{
    if (!g_store)
        return;
    for (HiveFile& f : g_store->files)
        f.dirty = true;
}

void markAllKeysChanged()
{
    if (!g_store)
        return;
    for (HiveFile& f : g_store->files) {
        forEachKey(f.root, [](Key* k) { k->dirty = true; });
        f.dirty = true;
    }
}

namespace {

PrefixError changedElsewhere(const HiveFile& f)
{
    return {false, QStringLiteral("The registry file %1 was changed by another program since Velmora read it, so "
                                  "Velmora did not overwrite it and its changes were not saved.")
                       .arg(f.path)};
}

// Writes the new text of one changed file beside it and flushes it.
bool writeFile(int index, WrittenFile* w, QString* why)
{
    HiveFile& f = g_store->files[index];
    w->index = index;
    if (!w->sf.begin(f.path, AtomicFile::TempName::Unique, why))
        return false;
    Sink sink;
    sink.fd = w->sf.fd();
    render(f, index, &w->segs, sink);
    if (!sink.ok) {
        w->sf.abandon(sink.error, why);
        return false;
    }
    if (!flushSave(w->sf, &w->kept, why))
        return false;
    w->size = sink.written;
    return true;
}

// The file is in place: its text and blocks become the ones in memory.
// False when it cannot be read back.
bool adoptWritten(WrittenFile& w)
{
    HiveFile& f = g_store->files[w.index];
    // Read it back rather than build it in memory beside the old one: that
    // would double the memory.
    ++g_filesWritten;
    f.bytes = QByteArray();
    const bool readOk = readBack(w.kept, w.size, &f.bytes);
    ::close(w.kept);
    w.kept = -1;
    f.existed = true;
    f.dirty = false;
    resetSegments(f.root);
    if (!readOk) {
        // Saved, but its text is not at hand for reading values or
        // copying blocks: keep away from the file until it is reopened.
        f.bytes = QByteArray();
        f.segments.clear();
        f.writable = false;
        return false;
    }
    for (size_t s = 0; s < w.segs.size(); ++s) {
        Key* k = w.segs[s].key;
        if (k->seg < 0)
            k->seg = static_cast<int>(s);
        else
            k->multiSeg = true;
    }
    f.segments = std::move(w.segs);
    return true;
}

}  // namespace

PrefixError save()
{
    if (!hasUnsavedChanges())
        return {};
    if (serverRunning(g_store->prefixDir))
        return {false, QStringLiteral("A Wine program is running on the prefix %1, so the registry changes were not "
                                      "saved: close the Wine programs of this prefix, or run wineserver -k.")
                           .arg(g_store->prefixDir)};
    // Every changed file is written in full before any replaces its old
    // one, so that a failure on the way (a full disk) replaces none and a
    // change spread over two files never lands by half.
    std::vector<WrittenFile> written;
    written.reserve(3);
    PrefixError failed;
    for (int i = 0; i < 3 && failed.ok; ++i) {
        if (!g_store->files[i].dirty)
            continue;
        WrittenFile w;
        QString why;
        if (writeFile(i, &w, &why))
            written.push_back(std::move(w));
        else
            failed = {false, QStringLiteral("The registry changes could not be saved: %1.").arg(why)};
    }
    // Checked last, just before the old files go: another program may have
    // written one while the new ones were being written.
    for (size_t j = 0; j < written.size() && failed.ok; ++j) {
        const HiveFile& f = g_store->files[written[j].index];
        if (!sameAsOnDisk(f.path, f.existed, f.bytes))
            failed = changedElsewhere(f);
    }
    if (!failed.ok) {
        for (WrittenFile& w : written)
            discardWritten(w);
        return failed;  // nothing replaced, every change still unsaved
    }

    // In a fixed order; the first that cannot be put in place stops the
    // rest, and what was replaced counts as saved.
    size_t placed = 0;
    QString why;
    while (placed < written.size() && placeSave(written[placed].sf, &why))
        ++placed;
    QStringList dirs;
    for (size_t j = 0; j < placed; ++j) {
        if (!dirs.contains(written[j].sf.folder()))
            dirs << written[j].sf.folder();
    }
    for (const QString& dir : dirs)
        syncFolder(dir);
    PrefixError result;
    if (placed < written.size()) {
        QStringList replaced;
        QStringList notReplaced;
        for (size_t j = 0; j < written.size(); ++j)
            (j < placed ? replaced : notReplaced) << g_store->files[written[j].index].path;
        for (size_t j = placed; j < written.size(); ++j)
            discardWritten(written[j]);
        if (replaced.isEmpty())
            result = {false, QStringLiteral("The registry changes could not be saved: the new %1 could not be put in "
                                            "place (%2).")
                                 .arg(notReplaced.front(), why)};
        else
            result = {false, QStringLiteral("The registry changes were saved only in part: %1 %2 replaced, but the "
                                            "new %3 could not be put in place (%4), so %5 still unsaved.")
                                 .arg(replaced.join(QStringLiteral(" and ")),
                                      replaced.size() > 1 ? QStringLiteral("were") : QStringLiteral("was"),
                                      notReplaced.front(), why,
                                      notReplaced.size() > 1
                                          ? QStringLiteral("its changes and those to %1 are")
                                                .arg(notReplaced.mid(1).join(QStringLiteral(" and ")))
                                          : QStringLiteral("its changes are"))};
    }
    for (size_t j = 0; j < placed; ++j) {
        if (!adoptWritten(written[j]) && result.ok)
            result = {false, QStringLiteral("The registry file %1 was saved but could not be read again: start "
                                            "Velmora again before making other changes.")
                                 .arg(g_store->files[written[j].index].path)};
    }
    result.partly = !result.ok && placed > 0;
    return result;
}

QString fileChangedOnDisk()
{
    if (!g_store)
        return {};
    for (const HiveFile& f : g_store->files) {
        if (!sameAsOnDisk(f.path, f.existed, f.bytes))
            return f.path;
    }
    return {};
}

QString fileNotWritable()
{
    if (!g_store)
        return {};
    for (const HiveFile& f : g_store->files) {
        if (!f.writable || !isDirWritable(f.path))
            return f.path;
    }
    return {};
}

namespace {

// Reads the files again; when they cannot be read, what was held stays.
PrefixError reloadFromDisk()
{
    std::unique_ptr<Store> old = std::move(g_store);
    clearCache();
    const PrefixError loaded = load(old->prefixDir);
    if (!loaded.ok) {
        clearCache();
        g_store = std::move(old);
        ++g_generation;
    }
    return loaded;
}

}  // namespace

PrefixError reloadIfChangedOnDisk()
{
    if (!g_store || hasUnsavedChanges() || fileChangedOnDisk().isEmpty())
        return {};
    return reloadFromDisk();
}

PrefixError discardUnsavedChanges()
{
    if (!g_store || !hasUnsavedChanges())
        return {};
    const PrefixError loaded = reloadFromDisk();
    if (loaded.ok)
        g_saveWanted = false;
    return loaded;
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
    struct stat namedSt;
    QString ignored;
    const int named = openRegular(QFile::encodeName(QDir(prefixDir).filePath(QStringLiteral("wineserver"))), &namedSt,
                                  &ignored);
    if (named >= 0) {
        char buf[4096];
        ssize_t n;
        do
            n = ::read(named, buf, sizeof buf);
        while (n < 0 && errno == EINTR);
        ::close(named);
        const QString sub = QString::fromLocal8Bit(buf, n > 0 ? static_cast<int>(n) : 0).trimmed();
        if (!sub.isEmpty() && !sub.contains(QLatin1Char('/'))) {
            candidates << QStringLiteral("%1/%2/%3").arg(tmp, sub, serverDir)
                       << QStringLiteral("/tmp/%1/%2").arg(sub, serverDir);
        }
    }
    for (const QString& dir : candidates) {
        const QByteArray lock = QFile::encodeName(dir + QStringLiteral("/lock"));
        const int fd = ::open(lock.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
    LinkBudget budget;
    return walkFrom(start, components, create, out, created, 0, budget);
}

Key* findChild(Key* parent, const QString& name)
{
    return findChildNamed(parent, name);
}

const std::vector<Value>& values(Key* key)
{
    return valuesOf(key);
}

namespace {
std::vector<Value>::const_iterator valueSlot(const std::vector<Value>& vals, QStringView name, bool* found)
{
    auto it = std::lower_bound(vals.begin(), vals.end(), name,
                               [](const Value& a, QStringView n) { return nameLess(a.name, n); });
    *found = it != vals.end() && compareNames(it->name, name) == 0;
    return it;
}
}  // namespace

const Value* findValue(Key* key, const QString& name)
{
    const std::vector<Value>& vals = valuesOf(key);
    bool found = false;
    const auto it = valueSlot(vals, name, &found);
    return found ? &*it : nullptr;
}

LONG setValue(Key* key, const QString& name, DWORD type, const QByteArray& data)
{
    if (!isWritable(key))
        return ERROR_ACCESS_DENIED;
    if (name.size() > 16383)
        return ERROR_INVALID_PARAMETER;
    const Value* old = findValue(key, name);
    if (old && old->type == type && old->data == data)
        return ERROR_SUCCESS;  // nothing changes, nothing to save
    insertValue(ownValues(key), Value{name, type, data});
    touch(key);
    return ERROR_SUCCESS;
}

LONG deleteValue(Key* key, const QString& name)
{
    if (!isWritable(key))
        return ERROR_ACCESS_DENIED;
    bool found = false;
    valueSlot(valuesOf(key), name, &found);
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    std::vector<Value>& vals = ownValues(key);
    const auto it = valueSlot(vals, name, &found);
    vals.erase(vals.begin() + (it - vals.cbegin()));
    touch(key);
    return ERROR_SUCCESS;
}

bool isWritable(const Key* key)
{
    const HiveFile* f = hiveOf(key);
    return f && f->writable;
}

}  // namespace platform::registry
