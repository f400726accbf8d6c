// Files and folders of the prefix's drives, looked up the way Windows (as
// Wine runs it) looks them up: Windows paths in, Linux paths only in here.
#include "platform/ansi.h"
#include "platform/files_internal.h"
#include "platform/prefix.h"
#include "platform/shortname.h"
#include "platform/winreg.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <cstring>
#include <map>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {
DWORD g_lastError = 0;
}  // namespace

DWORD GetLastError()
{
    return g_lastError;
}

void SetLastError(DWORD dwErrCode)
{
    g_lastError = dwErrCode;
}

namespace platform::files {

namespace {

constexpr DWORD kBadNetPath = 53;
constexpr DWORD kFilenameTooLong = 206;

// Run-time error numbers the runtime's Dir raises.
constexpr int kErrBadFileName = 52;
constexpr int kErrDeviceUnavailable = 68;

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

QString joinLinux(const QString& dir, const QString& name)
{
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

// ---- what a folder holds ----------------------------------------------

struct Folder {
    bool readable = false;
    std::vector<QString> names;  // in the order the file system gives them
    QHash<QString, int> exact;
    bool foldedBuilt = false;
    QHash<QString, int> folded;  // first entry for each folded name
    bool shortsBuilt = false;
    QHash<QString, int> shorts;  // first entry for each generated short name

    // Built on the first lookup that needs it: a walk asks only for names
    // exactly as they were listed.
    void buildFolded()
    {
        if (foldedBuilt)
            return;
        foldedBuilt = true;
        folded.reserve(static_cast<qsizetype>(names.size()));
        for (int i = 0; i < static_cast<int>(names.size()); ++i) {
            const QString f = foldName(names[i]);
            if (!folded.contains(f))
                folded.insert(f, i);
        }
    }

    void buildShorts()
    {
        if (shortsBuilt)
            return;
        shortsBuilt = true;
        for (int i = 0; i < static_cast<int>(names.size()); ++i) {
            const QString s = shortNameOf(names[i]);
            if (!s.isEmpty() && !shorts.contains(s))
                shorts.insert(s, i);
        }
    }
};

struct EntryInfo {
    DWORD attributes = 0;
    qint64 size = 0;
    struct timespec written {};
    struct timespec accessed {};
    struct timespec changed {};
    dev_t device = 0;
    ino_t inode = 0;
};

struct Cache {
    QHash<QString, std::shared_ptr<Folder>> folders;
    QHash<QString, std::optional<EntryInfo>> entries;
    // Where the folder part of a Windows path led (Linux path and the last
    // name as on disk), by drive and parts as written.
    QHash<QString, std::pair<QString, QString>> resolvedFolders;
    ScopeCache other;
};

int g_scopeDepth = 0;
// Tells one outermost scope from the next (see lookupScopeGeneration).
quint64 g_scopeGeneration = 0;

Cache& cache()
{
    static Cache c;
    return c;
}

std::shared_ptr<Folder> readFolder(const QString& dir)
{
    auto folder = std::make_shared<Folder>();
    const QByteArray path = QFile::encodeName(dir);
    DIR* d = ::opendir(path.constData());
    if (!d)
        return folder;
    folder->readable = true;
    while (const struct dirent* e = ::readdir(d)) {
        const char* raw = e->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
            continue;
        if (!QUtf8StringView(raw).isValidUtf8())
            continue;  // Windows cannot name it
        const QString name = QString::fromUtf8(raw);
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st {};
            const QByteArray full = path + '/' + raw;
            if (::stat(full.constData(), &st) != 0)
                continue;  // broken link: does not exist
        }
        const int index = static_cast<int>(folder->names.size());
        folder->names.push_back(name);
        folder->exact.insert(name, index);
    }
    ::closedir(d);
    return folder;
}

std::shared_ptr<Folder> folderOf(const QString& dir)
{
    if (!cacheActive())
        return readFolder(dir);
    auto& slot = cache().folders[dir];
    if (!slot)
        slot = readFolder(dir);
    return slot;
}

bool showDotFiles()
{
    const auto read = [] {
        const auto v = readRegistryString(HKEY_CURRENT_USER, "Software\\Wine", "ShowDotFiles");
        if (!v || v->isEmpty())
            return false;
        const QChar c = v->at(0);
        return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t')
               || c == QLatin1Char('1');
    };
    if (!cacheActive())
        return read();
    auto& slot = scopeCache().showDotFiles;
    if (!slot)
        slot = read();
    return *slot;
}

// The DOS attributes Wine keeps in an extended attribute ("0x<hex>").
DWORD dosAttributes(const QByteArray& path)
{
    char buffer[64];
    const ssize_t n = ::getxattr(path.constData(), "user.DOSATTRIB", buffer, sizeof(buffer) - 1);
    if (n <= 2)
        return 0;
    buffer[n] = 0;
    if (buffer[0] != '0' || (buffer[1] != 'x' && buffer[1] != 'X'))
        return 0;
    bool ok = false;
    const uint value = QByteArray(buffer + 2).trimmed().toUInt(&ok, 16);
    if (!ok)
        return 0;
    return value & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

std::optional<EntryInfo> readEntryInfo(const QString& linuxPath, const QString& name)
{
    const QByteArray path = QFile::encodeName(linuxPath);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return std::nullopt;
    EntryInfo info;
    if (S_ISDIR(st.st_mode)) {
        info.attributes = FILE_ATTRIBUTE_DIRECTORY;
        struct stat lst {};
        if (::lstat(path.constData(), &lst) == 0 && S_ISLNK(lst.st_mode))
            info.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    } else {
        info.attributes = FILE_ATTRIBUTE_ARCHIVE;
        info.size = st.st_size;
    }
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        info.attributes |= FILE_ATTRIBUTE_READONLY;
    if (name.size() > 1 && name.startsWith(QLatin1Char('.')) && name != QLatin1String("..") && !showDotFiles())
        info.attributes |= FILE_ATTRIBUTE_HIDDEN;
    info.attributes |= dosAttributes(path);
    info.device = st.st_dev;
    info.inode = st.st_ino;
    info.written = st.st_mtim;
    info.accessed = st.st_atim;
    info.changed = st.st_ctim;
    return info;
}

std::optional<EntryInfo> entryInfo(const QString& linuxPath, const QString& name)
{
    if (!cacheActive())
        return readEntryInfo(linuxPath, name);
    const auto it = cache().entries.constFind(linuxPath);
    if (it != cache().entries.cend())
        return *it;
    const auto info = readEntryInfo(linuxPath, name);
    cache().entries.insert(linuxPath, info);
    return info;
}

// The entry of `dir` that the Windows name `name` finds: the exact name
// first, else the first entry equal without regard to case or, for a legal
// 8.3 name, by its generated short name. Empty when none.
QString findEntry(const QString& dir, const QString& name)
{
    // What is left of a name such as "..." is a name, never a step up.
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    std::shared_ptr<Folder> folder;
    if (cacheActive()) {
        folder = folderOf(dir);
        if (folder->exact.contains(name))
            return name;
        if (!folder->readable) {
            // A folder we may pass through but not list still finds exact names.
            struct stat st {};
            if (::stat(QFile::encodeName(joinLinux(dir, name)).constData(), &st) == 0)
                return name;
        }
    } else {
        struct stat st {};
        if (::stat(QFile::encodeName(joinLinux(dir, name)).constData(), &st) == 0)
            return name;
        folder = readFolder(dir);
    }
    folder->buildFolded();
    int index = folder->folded.value(foldName(name), -1);
    if (isLegalShortName(name)) {
        folder->buildShorts();
        const int s = folder->shorts.value(name.toUpper(), -1);
        if (s >= 0 && (index < 0 || s < index))
            index = s;
    }
    return index >= 0 ? folder->names[static_cast<size_t>(index)] : QString();
}

// ---- Windows paths ------------------------------------------------------

struct WinPath {
    DWORD error = 0;
    int drive = -1;
    QString driveText;  // the drive as written ("c:"), for short paths
    QStringList parts;  // after ".", ".." and trailing blanks and dots
    bool trailingSeparator = false;
};

WinPath parseWindowsPath(const QString& input, bool wildcardsInLast, int depth = 0);

WinPath currentFolder(int depth)
{
    if (depth > 0) {
        WinPath p;
        p.error = ERROR_PATH_NOT_FOUND;
        return p;
    }
    return parseWindowsPath(programFolder(), false, depth + 1);
}

WinPath parseWindowsPath(const QString& input, bool wildcardsInLast, int depth)
{
    WinPath p;
    QString s = input;
    if (s.startsWith(QLatin1String("\\\\?\\"))) {
        s = s.mid(4);
        if (s.startsWith(QLatin1String("UNC\\"), Qt::CaseInsensitive)) {
            p.error = kBadNetPath;
            return p;
        }
    }
    if (s.size() >= 2 && isSeparator(s.at(0)) && isSeparator(s.at(1))) {
        p.error = kBadNetPath;  // \\server\share and device paths
        return p;
    }
    if (s.isEmpty()) {
        p.error = ERROR_PATH_NOT_FOUND;
        return p;
    }
    const bool hasDrive = s.size() >= 2 && s.at(1) == QLatin1Char(':') && s.at(0).unicode() < 0x80
                          && s.at(0).isLetter();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        const bool bad = c < 32 || c == u'<' || c == u'>' || c == u'"' || c == u'|'
                         || (c == u':' && !(i == 1 && hasDrive));
        if (bad) {
            p.error = ERROR_INVALID_NAME;
            return p;
        }
    }

    QStringList base;
    QString rest;
    if (hasDrive) {
        p.drive = s.at(0).toUpper().unicode() - u'A';
        p.driveText = s.left(2);
        rest = s.mid(2);
        if (rest.isEmpty() || !isSeparator(rest.at(0))) {
            // "C:name" is relative to the drive's current folder: the program
            // folder when it lies on that drive, else the root.
            const WinPath cwd = currentFolder(depth);
            if (cwd.error == 0 && cwd.drive == p.drive)
                base = cwd.parts;
        }
    } else {
        const WinPath cwd = currentFolder(depth);
        if (cwd.error != 0) {
            p.error = cwd.error;
            return p;
        }
        p.drive = cwd.drive;
        p.driveText = QString(QChar(u'A' + p.drive)) + QLatin1Char(':');
        if (!isSeparator(s.at(0)))
            base = cwd.parts;
        rest = s;
    }

    QStringList segments;
    for (qsizetype i = 0, start = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || isSeparator(rest.at(i))) {
            segments.append(rest.mid(start, i - start));
            start = i + 1;
        }
    }
    p.trailingSeparator = !rest.isEmpty() && isSeparator(rest.back());
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const bool last = i + 1 == segments.size();
        if (hasWildcards(segments[i]) && (!last || !wildcardsInLast)) {
            p.error = ERROR_INVALID_NAME;
            return p;
        }
    }
    p.parts = base;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        QString seg = segments[i];
        if (seg.isEmpty() || seg == QLatin1String("."))
            continue;
        if (seg == QLatin1String("..")) {
            if (!p.parts.isEmpty())
                p.parts.removeLast();
            continue;
        }
        if (i + 1 < segments.size()) {
            // A folder name followed by a separator loses one trailing dot
            // ("C:\app.\x.exe" is C:\app\x.exe); blanks stay.
            if (seg.back() == QLatin1Char('.'))
                seg.chop(1);
        } else {
            // The end of the path loses all its trailing blanks and dots.
            while (!seg.isEmpty() && (seg.back() == QLatin1Char(' ') || seg.back() == QLatin1Char('.')))
                seg.chop(1);
            if (seg.isEmpty())
                continue;
        }
        p.parts.append(seg);
    }

    if (driveRoot(p.drive).isEmpty()) {
        p.error = ERROR_PATH_NOT_FOUND;
        return p;
    }
    if (!driveReady(p.drive)) {
        p.error = ERROR_NOT_READY;
        return p;
    }
    return p;
}

struct Resolved {
    bool found = false;
    QString unixPath;
    QString name;  // the last name as it is on disk
    qsizetype failedAt = -1;
};

// The key of the first `count` parts of a path in Cache::resolvedFolders.
QString resolvedKey(const WinPath& p, qsizetype count)
{
    QString key = QString::number(p.drive);
    for (qsizetype i = 0; i < count; ++i) {
        key += QLatin1Char('\\');
        key += p.parts.at(i);
    }
    return key;
}

Resolved resolve(const WinPath& p, qsizetype count)
{
    Resolved r;
    r.unixPath = driveRoot(p.drive);
    qsizetype i = 0;
    if (cacheActive() && count > 1) {
        // A walk asks for every entry of one folder in turn: its folder part
        // is looked up once.
        const QString key = resolvedKey(p, count - 1);
        auto& memo = cache().resolvedFolders;
        const auto known = memo.constFind(key);
        if (known != memo.cend()) {
            r.unixPath = known->first;
            r.name = known->second;
        } else {
            Resolved folder = resolve(p, count - 1);
            if (!folder.found)
                return folder;
            memo.insert(key, {folder.unixPath, folder.name});
            r = folder;
            r.found = false;
        }
        i = count - 1;
    }
    for (; i < count; ++i) {
        const QString real = findEntry(r.unixPath, p.parts.at(i));
        if (real.isEmpty()) {
            r.failedAt = i;
            return r;
        }
        r.unixPath = joinLinux(r.unixPath, real);
        r.name = real;
    }
    r.found = true;
    return r;
}

// ---- listings -----------------------------------------------------------

struct Listed {
    QString name;
    EntryInfo info;
};

// Wine leaves the prefix itself, /dev, /proc and /sys out of every listing,
// by what they are and not by the path they are reached through (a shell
// folder linked to a home that holds the prefix must not lead back into it).
bool hiddenFromListings(const EntryInfo& info)
{
    struct Ignored {
        QString prefix;
        std::vector<std::pair<dev_t, ino_t>> folders;
    };
    static Ignored ignored;
    static bool known = false;
    if (!known || ignored.prefix != prefixDir()) {
        known = true;
        ignored.prefix = prefixDir();
        ignored.folders.clear();
        QStringList paths = {QStringLiteral("/dev"), QStringLiteral("/proc"), QStringLiteral("/sys")};
        if (!ignored.prefix.isEmpty())
            paths.append(ignored.prefix);
        for (const QString& path : paths) {
            struct stat st {};
            if (::stat(QFile::encodeName(path).constData(), &st) == 0)
                ignored.folders.emplace_back(st.st_dev, st.st_ino);
        }
    }
    for (const auto& [device, inode] : ignored.folders) {
        if (info.device == device && info.inode == inode)
            return true;
    }
    return false;
}

std::vector<Listed> listFolder(const QString& dir, bool isRoot, const QString& mask)
{
    std::vector<Listed> out;
    const auto self = entryInfo(dir, QString());
    if (!self || !(self->attributes & FILE_ATTRIBUTE_DIRECTORY))
        return out;
    if (!isRoot) {
        for (const QString& dots : {QStringLiteral("."), QStringLiteral("..")}) {
            if (matchesMask(mask, dots))
                out.push_back(Listed{dots, *self});
        }
    }
    const auto folder = folderOf(dir);
    for (const QString& name : folder->names) {
        if (!matchesMask(mask, name)) {
            const QString s = shortNameOf(name);
            if (s.isEmpty() || !matchesMask(mask, s))
                continue;
        }
        const QString path = joinLinux(dir, name);
        const auto info = entryInfo(path, name);
        if (info && !hiddenFromListings(*info))
            out.push_back(Listed{name, *info});
    }
    return out;
}

// Names as the ANSI functions hand them over (characters the code page
// lacks become "?").
QString ansiName(const QString& name)
{
    return fromAnsi(toAnsi(name));
}

struct DirState {
    QStringList names;
    qsizetype next = 0;
};

DirState& dirState()
{
    static DirState state;
    return state;
}

struct FindState {
    std::vector<Listed> entries;
    size_t next = 0;
};

std::map<HANDLE, FindState>& findStates()
{
    static std::map<HANDLE, FindState> states;
    return states;
}

void toFileTime(const struct timespec& t, DWORD out[2])
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(t.tv_sec) + 11644473600ULL) * 10000000ULL
                                + static_cast<std::uint64_t>(t.tv_nsec) / 100;
    out[0] = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    out[1] = static_cast<DWORD>(ticks >> 32);
}

void fillFindData(const Listed& entry, WIN32_FIND_DATAA* data)
{
    std::memset(data, 0, sizeof(*data));
    data->dwFileAttributes = entry.info.attributes;
    toFileTime(entry.info.changed, data->ftCreationTime);
    toFileTime(entry.info.accessed, data->ftLastAccessTime);
    toFileTime(entry.info.written, data->ftLastWriteTime);
    data->nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(entry.info.size) >> 32);
    data->nFileSizeLow = static_cast<DWORD>(entry.info.size & 0xFFFFFFFF);
    const QByteArray name = toAnsi(entry.name).left(MAX_PATH - 1);
    std::memcpy(data->cFileName, name.constData(), static_cast<size_t>(name.size()));
    const QByteArray alt = toAnsi(shortNameOf(entry.name)).left(13);
    std::memcpy(data->cAlternateFileName, alt.constData(), static_cast<size_t>(alt.size()));
}

bool tooLong(const char* path)
{
    return std::strlen(path) >= static_cast<size_t>(MAX_PATH);
}

QString windowsDirectory()
{
    const auto read = [] {
        const auto v = readRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion",
                                          "SystemRoot");
        QString dir = v ? v->trimmed() : QString();
        const bool absolute = dir.size() >= 3 && dir.at(0).unicode() < 0x80 && dir.at(0).isLetter()
                              && dir.at(1) == QLatin1Char(':') && isSeparator(dir.at(2));
        if (!absolute)
            return QStringLiteral("C:\\windows");
        while (dir.size() > 3 && isSeparator(dir.back()))
            dir.chop(1);
        return dir;
    };
    if (!cacheActive())
        return read();
    auto& slot = scopeCache().windowsDir;
    if (!slot)
        slot = read();
    return *slot;
}

// Copies `text` as ANSI with its NUL when it fits; the Windows rule for the
// result: the length without NUL, or the size needed (NUL included).
DWORD copyOut(const QString& text, char* buffer, DWORD size)
{
    const QByteArray bytes = toAnsi(text);
    const DWORD length = static_cast<DWORD>(bytes.size());
    if (buffer && length < size) {
        std::memcpy(buffer, bytes.constData(), length);
        buffer[length] = 0;
        return length;
    }
    return length + 1;
}

// What a Dir pattern finds before the attribute mask is applied: the names
// (as the ANSI functions give them) with their attributes, or the run-time
// error the pattern raises.
struct DirCandidates {
    int raise = 0;
    std::vector<std::pair<QString, DWORD>> entries;
};

QHash<QString, DirCandidates>& dirPatternMemo()
{
    static QHash<QString, DirCandidates> memo;
    return memo;
}

DirCandidates findDirCandidates(const QString& pattern)
{
    DirCandidates out;
    if (pattern.isEmpty())
        return out;
    if (toAnsi(pattern).size() >= MAX_PATH) {
        out.raise = kErrBadFileName;
        return out;
    }
    const WinPath p = parseWindowsPath(pattern, true);
    if (p.error == ERROR_PATH_NOT_FOUND || p.error == ERROR_FILE_NOT_FOUND)
        return out;
    if (p.error != 0) {
        out.raise = p.error == ERROR_NOT_READY ? kErrDeviceUnavailable : kErrBadFileName;
        return out;
    }
    const bool listing = p.trailingSeparator || p.parts.isEmpty();
    const qsizetype folderParts = listing ? p.parts.size() : p.parts.size() - 1;
    const QString mask = listing ? QStringLiteral("*") : p.parts.last();
    const Resolved folder = resolve(p, folderParts);
    if (!folder.found)
        return out;
    if (!hasWildcards(mask)) {
        const QString real = findEntry(folder.unixPath, mask);
        if (real.isEmpty())
            return out;
        if (const auto info = entryInfo(joinLinux(folder.unixPath, real), real))
            out.entries.emplace_back(ansiName(real), info->attributes);
    } else {
        for (const Listed& e : listFolder(folder.unixPath, folderParts == 0, mask))
            out.entries.emplace_back(ansiName(e.name), e.info.attributes);
    }
    return out;
}

// Within a scope: the entries of the last folder FindFirstFileA listed with a
// wildcard, by the bytes of the pattern's folder part, so that a walk asking
// for the attributes of each entry it was just given needs no new lookup.
struct LastListing {
    QByteArray folder;  // the pattern up to and with its last separator
    QHash<QString, DWORD> attributes;  // by the name on disk
};

LastListing& lastListing()
{
    static LastListing listing;
    return listing;
}

void rememberListing(const char* pattern, const std::vector<Listed>& entries)
{
    LastListing& last = lastListing();
    last.folder.clear();
    last.attributes.clear();
    const char* slash = std::strrchr(pattern, '\\');
    const char* other = std::strrchr(pattern, '/');
    if (other && (!slash || other > slash))
        slash = other;
    if (!slash)
        return;
    last.folder = QByteArray(pattern, static_cast<qsizetype>(slash - pattern + 1));
    last.attributes.reserve(static_cast<qsizetype>(entries.size()));
    for (const Listed& e : entries)
        last.attributes.insert(e.name, e.info.attributes);
}

// The attributes of a plain name in the last listed folder, exactly as the
// full lookup would find them; nothing when the path is anything else.
std::optional<DWORD> attributesFromListing(const char* path)
{
    const LastListing& last = lastListing();
    if (!cacheActive() || last.folder.isEmpty())
        return std::nullopt;
    const size_t length = std::strlen(path);
    const size_t folder = static_cast<size_t>(last.folder.size());
    if (length <= folder || std::memcmp(path, last.folder.constData(), folder) != 0)
        return std::nullopt;
    // A name Windows reads as it stands: no separators, wildcards or
    // characters it refuses, and no trailing dot or blank it would drop.
    for (size_t i = folder; i < length; ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 32 || std::strchr("\\/<>\"|:*?", c))
            return std::nullopt;
    }
    if (path[length - 1] == '.' || path[length - 1] == ' ')
        return std::nullopt;
    const auto it = last.attributes.constFind(fromAnsi(QByteArray(path + folder, static_cast<qsizetype>(length - folder))));
    if (it == last.attributes.cend())
        return std::nullopt;
    return *it;
}

// The existence test asks the same pattern with up to seven masks in a row;
// within a scope the pattern is looked up once.
DirCandidates dirCandidates(const QString& pattern)
{
    if (!cacheActive())
        return findDirCandidates(pattern);
    auto& memo = dirPatternMemo();
    const auto it = memo.constFind(pattern);
    if (it != memo.cend())
        return *it;
    DirCandidates found = findDirCandidates(pattern);
    memo.insert(pattern, found);
    return found;
}
}  // namespace

bool cacheActive()
{
    return g_scopeDepth > 0;
}

ScopeCache& scopeCache()
{
    return cache().other;
}

void clearLookupCache()
{
    ++g_scopeGeneration;
    cache() = Cache{};
    dirPatternMemo().clear();
    lastListing() = LastListing{};
}

}  // namespace platform::files

namespace platform {

using namespace files;

LookupCacheScope::LookupCacheScope()
{
    if (g_scopeDepth++ == 0)
        ++g_scopeGeneration;
}

LookupCacheScope::~LookupCacheScope()
{
    if (--g_scopeDepth == 0)
        clearLookupCache();
}

void forgetCachedLookups()
{
    if (cacheActive())
        clearLookupCache();
}

quint64 lookupScopeGeneration()
{
    return g_scopeDepth > 0 ? g_scopeGeneration : 0;
}

QString toLinuxPath(const QString& windowsPath)
{
    const WinPath p = parseWindowsPath(windowsPath, false);
    if (p.error != 0)
        return {};
    const Resolved r = resolve(p, p.parts.size());
    if (!r.found)
        return {};
    if (p.trailingSeparator && !p.parts.isEmpty()) {
        const auto info = entryInfo(r.unixPath, r.name);
        if (!info || !(info->attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {};
    }
    return r.unixPath;
}

std::optional<FolderIdentity> folderIdentity(const QString& windowsPath)
{
    const QString linuxPath = toLinuxPath(windowsPath);
    if (linuxPath.isEmpty())
        return std::nullopt;
    struct stat st {};
    if (::stat(QFile::encodeName(linuxPath).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return FolderIdentity{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
}

void forgetFolderLookups(const QString& windowsFolder)
{
    if (!cacheActive())
        return;
    const WinPath p = parseWindowsPath(windowsFolder, false);
    if (p.error != 0)
        return;
    const Resolved r = resolve(p, p.parts.size());
    if (!r.found)
        return;
    Cache& c = cache();
    c.resolvedFolders.remove(resolvedKey(p, p.parts.size()));
    const auto it = c.folders.find(r.unixPath);
    if (it == c.folders.end())
        return;
    if (*it) {
        QString path = joinLinux(r.unixPath, QString());
        const qsizetype base = path.size();
        for (const QString& name : (*it)->names) {
            path.truncate(base);
            path.append(name);
            c.entries.remove(path);
        }
    }
    c.folders.erase(it);
}

QString Dir(const QString& pattern, int attributes, int* error)
{
    DirState& state = dirState();
    state = DirState{};
    if (error)
        *error = 0;
    const DirCandidates found = dirCandidates(pattern);
    if (found.raise != 0) {
        if (error)
            *error = found.raise;
        return {};
    }
    for (const auto& [name, a] : found.entries) {
        if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if ((a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) & ~static_cast<DWORD>(attributes)) != 0)
            continue;
        state.names.append(name);
    }
    return DirNext();
}

QString DirNext()
{
    DirState& state = dirState();
    if (state.next >= state.names.size())
        return {};
    return state.names.at(state.next++);
}

}  // namespace platform

using namespace platform;
using namespace platform::files;

DWORD GetFileAttributesA(const char* lpFileName)
{
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (tooLong(lpFileName)) {
        SetLastError(kFilenameTooLong);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (const auto listed = attributesFromListing(lpFileName)) {
        SetLastError(ERROR_SUCCESS);
        return *listed;
    }
    const WinPath p = parseWindowsPath(fromAnsi(QByteArray(lpFileName)), false);
    if (p.error != 0) {
        SetLastError(p.error);
        return INVALID_FILE_ATTRIBUTES;
    }
    const Resolved r = resolve(p, p.parts.size());
    if (!r.found) {
        SetLastError(r.failedAt + 1 == p.parts.size() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    const auto info = entryInfo(r.unixPath, r.name);
    if (!info) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (p.trailingSeparator && !(info->attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_FILE_ATTRIBUTES;
    }
    SetLastError(ERROR_SUCCESS);
    return info->attributes;
}

HANDLE FindFirstFileA(const char* lpFileName, WIN32_FIND_DATAA* lpFindFileData)
{
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (tooLong(lpFileName)) {
        SetLastError(kFilenameTooLong);
        return INVALID_HANDLE_VALUE;
    }
    const WinPath p = parseWindowsPath(fromAnsi(QByteArray(lpFileName)), true);
    if (p.error != 0) {
        SetLastError(p.error);
        return INVALID_HANDLE_VALUE;
    }
    if (p.trailingSeparator || p.parts.isEmpty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const qsizetype folderParts = p.parts.size() - 1;
    const Resolved folder = resolve(p, folderParts);
    if (!folder.found) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const QString mask = p.parts.last();
    FindState state;
    if (!hasWildcards(mask)) {
        const QString real = findEntry(folder.unixPath, mask);
        if (!real.isEmpty()) {
            if (const auto info = entryInfo(joinLinux(folder.unixPath, real), real))
                state.entries.push_back(Listed{real, *info});
        }
    } else {
        state.entries = listFolder(folder.unixPath, folderParts == 0, mask);
        if (cacheActive())
            rememberListing(lpFileName, state.entries);
    }
    if (state.entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    static HANDLE nextHandle = 0x100;
    const HANDLE handle = nextHandle++;
    fillFindData(state.entries.front(), lpFindFileData);
    state.next = 1;
    findStates().emplace(handle, std::move(state));
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData)
{
    auto& states = findStates();
    const auto it = states.find(hFindFile);
    if (it == states.end() || !lpFindFileData) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    FindState& state = it->second;
    if (state.next >= state.entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return 0;
    }
    fillFindData(state.entries[state.next++], lpFindFileData);
    SetLastError(ERROR_SUCCESS);
    return 1;
}

BOOL FindClose(HANDLE hFindFile)
{
    if (findStates().erase(hFindFile) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return 1;
}

DWORD GetShortPathNameA(const char* lpszLongPath, char* lpszShortPath, DWORD cchBuffer)
{
    if (!lpszLongPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (tooLong(lpszLongPath)) {
        SetLastError(kFilenameTooLong);
        return 0;
    }
    const WinPath p = parseWindowsPath(fromAnsi(QByteArray(lpszLongPath)), false);
    if (p.error != 0) {
        SetLastError(p.error);
        return 0;
    }
    QString out = p.driveText + QLatin1Char('\\');
    QString dir = driveRoot(p.drive);
    for (qsizetype i = 0; i < p.parts.size(); ++i) {
        const QString& part = p.parts.at(i);
        const QString real = findEntry(dir, part);
        if (real.isEmpty()) {
            SetLastError(i + 1 == p.parts.size() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
            return 0;
        }
        dir = joinLinux(dir, real);
        if (i > 0)
            out.append(QLatin1Char('\\'));
        if (isLegalShortName(part)) {
            out.append(part);  // already short: kept as written
        } else {
            const QString s = shortNameOf(real);
            out.append(s.isEmpty() ? real : s);
        }
    }
    if (p.trailingSeparator && !p.parts.isEmpty())
        out.append(QLatin1Char('\\'));
    SetLastError(ERROR_SUCCESS);
    return copyOut(out, lpszShortPath, cchBuffer);
}

unsigned GetWindowsDirectoryA(char* lpBuffer, unsigned uSize)
{
    return copyOut(windowsDirectory(), lpBuffer, uSize);
}

unsigned GetSystemDirectoryA(char* lpBuffer, unsigned uSize)
{
    QString dir = windowsDirectory();
    if (!dir.endsWith(QLatin1Char('\\')))
        dir.append(QLatin1Char('\\'));
    return copyOut(dir + QStringLiteral("system32"), lpBuffer, uSize);
}

DWORD GetTempPathA(DWORD nBufferLength, char* lpBuffer)
{
    QString path = toWindowsPath(QDir::tempPath());
    if (path.isEmpty())
        path = windowsDirectory();
    if (!path.endsWith(QLatin1Char('\\')))
        path.append(QLatin1Char('\\'));
    return copyOut(path, lpBuffer, nBufferLength);
}
