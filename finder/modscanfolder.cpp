#include "finder/modscanfolder.h"

#include "engine/pathhelpers.h"
#include "engine/trim.h"
#include "platform/ansi.h"

#include <cstring>

namespace ModScanFolder {

namespace {

// A file is compared only when it carries one of these attribute bits
// (read-only, hidden, system, archive, normal, temporary).
constexpr DWORD kComparedAttributes = 0x1A7;

QString identityKey(const platform::FolderIdentity& id)
{
    return QString::number(id.device) + QLatin1Char(':') + QString::number(id.inode);
}

}  // namespace

QString TrimAtNull(const char* text, std::size_t size)
{
    const void* nul = std::memchr(text, 0, size);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : size;
    return platform::fromAnsi(QByteArray(text, static_cast<qsizetype>(length)));
}

bool GetVolumeInfo(const QString& root)
{
    if (root.isEmpty())
        return false;
    char volumeName[14] = {};
    char fileSystemName[32] = {};
    DWORD serial = 0;
    DWORD maxComponent = 0;
    DWORD flags = 0;
    return GetVolumeInformationA(platform::toAnsi(root).constData(), volumeName, 14, &serial, &maxComponent, &flags,
                                 fileSystemName, 32)
           != 0;
}

QString comparisonKey(const QString& path)
{
    QString key = engine::trimBlanks(path);
    for (QChar& c : key) {
        if (!c.isSurrogate())
            c = c.toUpper();
    }
    return key;
}

FolderWalk::FolderWalk(const engine::ScanContext& ctx, WalkDisplay& display)
    : m_ctx(ctx), m_rows(m_ctx.problems), m_display(display), m_lookups(std::make_unique<platform::LookupCacheScope>())
{
    rebuildIndex();
}

FolderWalk::~FolderWalk() = default;

void FolderWalk::rebuildIndex()
{
    m_keys.clear();
    m_index.clear();
    m_prefixes.clear();
    m_prefixesKnown = false;
    m_keys.reserve(static_cast<std::size_t>(m_rows.count()));
    for (const engine::ProblemRow& row : m_rows.rows()) {
        m_keys.push_back(comparisonKey(row.KeyValue));
        ++m_index[m_keys.back()];
    }
}

// Worked out when a folder is first reached again: a walk without links to
// walked folders never needs them.
void FolderWalk::knowPrefixes()
{
    if (m_prefixesKnown)
        return;
    m_prefixesKnown = true;
    for (const QString& key : m_keys)
        countPrefixes(key, 1);
}

void FolderWalk::countPrefixes(const QString& key, int delta)
{
    for (qsizetype i = key.indexOf(QLatin1Char('\\')); i >= 0; i = key.indexOf(QLatin1Char('\\'), i + 1)) {
        const auto it = m_prefixes.find(key.left(i + 1));
        if (it == m_prefixes.end()) {
            if (delta > 0)
                m_prefixes.insert(key.left(i + 1), delta);
        } else if ((*it += delta) <= 0) {
            m_prefixes.erase(it);
        }
    }
}

bool FolderWalk::rowsBelow(const QString& folderPath) const
{
    return m_prefixes.contains(comparisonKey(folderPath));
}

void FolderWalk::ScanDrive(const QString& drive, const QString& folder)
{
    if (!GetVolumeInfo(drive))
        return;
    ScanFolder(folder);
}

void FolderWalk::ScanFolder(const QString& path)
{
    // An explicit stack in place of recursion: no tree is too deep for it.
    std::vector<Frame> stack;
    Entered entered = enterFolder(path, stack);
    while (entered != Entered::Cancelled && !stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.subfolders.size()) {
            platform::forgetFolderLookups(top.path);
            m_onPath.remove(top.identity);
            stack.pop_back();
            if (stack.empty())
                break;
            entered = Entered::Skipped;  // back in the parent, after its child's walk
        } else {
            if (m_ctx.cancelled())
                break;
            const QString child = top.path + top.subfolders[top.next++] + QLatin1Char('\\');
            entered = enterFolder(child, stack);
        }
        if (entered == Entered::Skipped) {
            m_ctx.DoEvents();
            if (m_ctx.cancelled())
                break;
        }
    }
    m_onPath.clear();  // a cancelled walk leaves frames behind
    refreshDisplay();
}

FolderWalk::Entered FolderWalk::enterFolder(QString path, std::vector<Frame>& stack)
{
    if (!path.endsWith(QLatin1Char('\\')))
        path.append(QLatin1Char('\\'));
    QString identity;
    if (const auto id = platform::folderIdentity(path)) {
        identity = identityKey(*id);
        if (m_onPath.contains(identity)) {
            ++m_stats.loopsCut;
            return Entered::Skipped;
        }
        if (m_visited.contains(identity)) {
            ++m_stats.reachedAgain;
            matchAgain(path, identity);
            return m_ctx.cancelled() ? Entered::Cancelled : Entered::Skipped;
        }
        m_visited.insert(identity);
    }
    ++m_stats.folders;

    Frame frame;
    frame.path = path;
    frame.identity = identity;
    WIN32_FIND_DATAA data;
    const HANDLE h = FindFirstFileA(platform::toAnsi(path + QLatin1Char('*')).constData(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        for (;;) {
            ++m_stats.entries;
            m_progress = m_progress >= 99 ? 0 : m_progress + 0.01;
            if (m_ctx.cancelled()) {
                FindClose(h);
                return Entered::Cancelled;
            }
            m_ctx.DoEvents();
            const QString name = TrimAtNull(data.cFileName, sizeof(data.cFileName));
            const QString full = path + name;
            noteEntry(full);
            if (name != QLatin1String(".") && name != QLatin1String("..")) {
                // Attributes that cannot be read (all bits set) make a folder
                // whose listing then finds nothing.
                const DWORD attributes = GetFileAttributesA(platform::toAnsi(full).constData());
                if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                    frame.subfolders.push_back(name);
                else if (attributes & kComparedAttributes)
                    compareFile(full);
            }
            const bool more = FindNextFileA(h, &data) != 0;
            if (m_ctx.cancelled()) {
                FindClose(h);
                return Entered::Cancelled;
            }
            if (!more)
                break;
        }
        FindClose(h);
    }
    if (!identity.isEmpty())
        m_onPath.insert(identity);
    stack.push_back(std::move(frame));
    return Entered::Listed;
}

// A folder listed before, met again by another path. Walking its tree once
// more under every path could cost as much as there are ways through the
// links (exponential); instead only the subfolders through which some row's
// path still goes are followed, from listings read at most once more each.
// So the folders visited here are at most the folder parts of the rows'
// paths, each with the real folders it leads to.
void FolderWalk::matchAgain(const QString& path, const QString& identity)
{
    // Paths that differ only in case meet the same rows: a real folder is
    // matched once under each comparison key.
    const auto firstMatch = [this](const QString& at, const QString& id) {
        const QString key = comparisonKey(at) + QLatin1Char('|') + id;
        if (m_matched.contains(key))
            return false;
        m_matched.insert(key);
        return true;
    };
    knowPrefixes();
    if (!rowsBelow(path) || !firstMatch(path, identity))
        return;
    struct Step {
        QString path;
        QString identity;
        std::shared_ptr<const Listing> listing;
        std::size_t next = 0;
    };
    std::vector<Step> steps;
    const auto enter = [&](const QString& at, const QString& id) {
        m_onPath.insert(id);
        steps.push_back(Step{at, id, listingOf(at, id)});
    };
    enter(path, identity);
    while (!steps.empty() && !m_ctx.cancelled()) {
        Step& top = steps.back();
        if (top.next >= top.listing->entries.size()) {
            m_onPath.remove(top.identity);
            steps.pop_back();
            continue;
        }
        const auto& [name, attributes] = top.listing->entries[top.next++];
        const QString full = top.path + name;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (attributes & kComparedAttributes)
                compareFile(full);
            continue;
        }
        const QString child = full + QLatin1Char('\\');
        if (!rowsBelow(child))
            continue;
        const auto id = platform::folderIdentity(child);
        if (!id)
            continue;  // nothing to list there
        const QString childIdentity = identityKey(*id);
        if (m_onPath.contains(childIdentity)) {
            ++m_stats.loopsCut;
            continue;
        }
        if (!firstMatch(child, childIdentity))
            continue;
        ++m_stats.reachedAgain;
        m_ctx.DoEvents();
        enter(child, childIdentity);
    }
    for (const Step& step : steps)
        m_onPath.remove(step.identity);
}

std::shared_ptr<const FolderWalk::Listing> FolderWalk::listingOf(const QString& path, const QString& identity)
{
    if (auto known = m_listings.value(identity))
        return known;
    auto listing = std::make_shared<Listing>();
    WIN32_FIND_DATAA data;
    const HANDLE h = FindFirstFileA(platform::toAnsi(path + QLatin1Char('*')).constData(), &data);
    // Not kept when it fails: a shorter path may list the same folder.
    if (h == INVALID_HANDLE_VALUE)
        return listing;
    ++m_stats.relisted;
    do {
        const QString name = TrimAtNull(data.cFileName, sizeof(data.cFileName));
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        listing->entries.emplace_back(name, GetFileAttributesA(platform::toAnsi(path + name).constData()));
    } while (FindNextFileA(h, &data));
    FindClose(h);
    platform::forgetFolderLookups(path);
    m_listings.insert(identity, listing);
    return listing;
}

void FolderWalk::compareFile(const QString& fullPath)
{
    if (m_index.isEmpty())
        return;
    const QString key = comparisonKey(fullPath);
    if (!m_index.contains(key))
        return;
    // Only the walk removes rows while it runs; should the list have changed
    // anyway, the keys are worked out again before any row is touched.
    if (static_cast<int>(m_keys.size()) != m_rows.count())
        rebuildIndex();
    // Every row naming this file goes, however many there are.
    int removed = 0;
    for (int i = static_cast<int>(m_keys.size()); i >= 1; --i) {
        if (m_keys[static_cast<std::size_t>(i - 1)] == key && comparisonKey(m_rows.row(i).KeyValue) == key) {
            m_rows.remove(i);
            m_keys.erase(m_keys.begin() + (i - 1));
            ++removed;
        }
    }
    m_stats.removed += removed;
    if (m_prefixesKnown)
        countPrefixes(key, -removed);
    m_index.remove(key);
}

void FolderWalk::noteEntry(const QString& fullPath)
{
    m_lastEntry = fullPath;
    m_displayPending = true;
    if (!m_sinceRefresh.isValid() || m_sinceRefresh.elapsed() >= m_refreshMs)
        refreshDisplay();
}

void FolderWalk::refreshDisplay()
{
    m_display.showProgress(m_progress);
    if (!m_displayPending)
        return;
    m_displayPending = false;
    m_sinceRefresh.start();
    m_display.showStatus(m_lastEntry);
    m_ctx.ShowScanPath(engine::GetShortPath(m_lastEntry));
}

}  // namespace ModScanFolder
