#include "engine/scanwalk.h"

#include "engine/scancontext.h"
#include "engine/scansections.h"
#include "platform/ansi.h"
#include "platform/regkey.h"
#include "platform/winreg.h"

#include <QSet>

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace engine {

namespace {
WalkStats g_stats;

// Buffers the walk hands to the enumeration calls, filled with blanks.
constexpr DWORD kBufferSize = 255;
}  // namespace

WalkStats& walkStats()
{
    return g_stats;
}

QString AbbreviateScanPath(const QString& text)
{
    if (text.size() <= 21)
        return text;
    QString tail;
    const qsizetype last = text.lastIndexOf(QLatin1Char('\\'));
    if (last >= 0) {
        tail = text.mid(last);
        if (tail == QLatin1String("\\")) {
            // Ends in a backslash: show the last folder name instead.
            const qsizetype from = text.size() - 6;
            const qsizetype before = from >= 0 ? text.lastIndexOf(QLatin1Char('\\'), from) : -1;
            if (before >= 0)
                tail = text.mid(before);
        }
    }
    return text.left(23) + QLatin1String(".....") + tail;
}

namespace {

// One key of the walk: open for enumeration, the length of its path (the
// levels share one path text, so a deep walk keeps no copy per level) and
// the index of the subkey to ask for next.
struct WalkLevel {
    platform::RegKey key;
    qsizetype pathLength = 0;
    int depth = 0;  // names from the root down to this key
    DWORD index = 0;
};

}  // namespace

void ScanSubKeys(const ScanContext& ctx, HKEY root, const QString& keyPath, const QString& sectionName,
                 const QString& rootName)
{
    platform::RegKey start = platform::RegKey::open(root, keyPath, KEY_ENUMERATE_SUB_KEYS);
    if (!start.ok())
        return;
    // Links can lead back to a key already walked (to an ancestor, or many
    // links into one subtree): each key is entered once per walk.
    QSet<quintptr> entered;
    entered.insert(platform::RegKeyIdentity(start.handle()));
    // An explicit stack rather than recursion: the registry's files decide
    // how deep it goes.
    std::vector<WalkLevel> levels;
    QString path = keyPath;
    const int startDepth = static_cast<int>(keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts).size());
    levels.push_back(WalkLevel{std::move(start), path.size(), startDepth, 0});
    while (!levels.empty()) {
        LONG rc = ERROR_SUCCESS;
        {
            WalkLevel& level = levels.back();
            path.truncate(level.pathLength);
            char name[kBufferSize];
            char cls[kBufferSize];
            std::memset(name, ' ', sizeof name);
            std::memset(cls, ' ', sizeof cls);
            DWORD nameSize = kBufferSize;
            DWORD classSize = kBufferSize;
            rc = RegEnumKeyExA(level.key.handle(), level.index, name, &nameSize, nullptr, cls, &classSize, nullptr);
            if (rc == ERROR_SUCCESS && level.depth < kMaxKeyDepth) {
                QString child = path + QLatin1Char('\\')
                    + platform::fromAnsi(name, static_cast<int>(qMin(nameSize, kBufferSize)));
                platform::RegKey sub = platform::RegKey::open(root, child, KEY_ENUMERATE_SUB_KEYS);
                const int depth = level.depth + 1;
                const quintptr identity = sub.ok() ? platform::RegKeyIdentity(sub.handle()) : 0;
                if (identity == 0 || !entered.contains(identity)) {
                    if (identity != 0)
                        entered.insert(identity);
                    ctx.ShowScanPath(rootName + QLatin1Char('\\') + child);
                    ScanKeyValues(ctx, root, child, sectionName, rootName);
                    if (sub.ok()) {
                        // Its subkeys next; this level goes on once they are done.
                        levels.push_back(WalkLevel{std::move(sub), child.size(), depth, 0});
                        path = std::move(child);
                        continue;
                    }
                }
            }
        }
        // The step of the key on top is done (its subkey walked, skipped or
        // none left): move on, test for a cancel, let messages run. A level
        // whose enumeration failed ends, and so completes its parent's step.
        for (;;) {
            ++levels.back().index;
            if (ctx.cancelled())
                return;
            ctx.DoEvents();
            if (rc == ERROR_SUCCESS)
                break;
            levels.pop_back();
            if (levels.empty())
                return;
            rc = ERROR_SUCCESS;
        }
    }
}

void ScanKeyValues(const ScanContext& ctx, HKEY root, const QString& keyPath, const QString& sectionName,
                   const QString& rootName)
{
    const platform::RegKey key = platform::RegKey::openDefault(root, keyPath);
    if (!key.ok())
        return;
    ++g_stats.keys;
    DWORD index = 0;
    LONG rc = ERROR_SUCCESS;
    do {
        if (ctx.cancelled())
            return;
        char name[kBufferSize];
        BYTE data[kBufferSize];
        std::memset(name, ' ', sizeof name);
        std::memset(data, ' ', sizeof data);
        DWORD nameSize = kBufferSize;
        DWORD dataSize = kBufferSize;
        rc = RegEnumValueA(key.handle(), index, name, &nameSize, nullptr, nullptr, data, &dataSize);
        if (rc == ERROR_SUCCESS) {
            const QString valueName = platform::fromAnsi(name, static_cast<int>(qMin(nameSize, kBufferSize)));
            // Read again by name: type first, then the data at its exact size.
            const QString text = GetValueAsString(key.handle(), valueName);
            ++g_stats.values;
            if (ctx.cancelled())
                return;
            ScanValueBySection(ctx, text, sectionName, valueName, root, rootName, keyPath);
        }
        if (ctx.cancelled())
            return;
        ++index;
        ctx.DoEvents();
    } while (rc == ERROR_SUCCESS);
}

QString GetValueAsString(HKEY key, const QString& valueName)
{
    const platform::RegValue value = platform::readRegValue(key, valueName);
    if (!value.ok())
        return {};
    switch (value.type) {
    case REG_SZ:
    case REG_MULTI_SZ:
        // Up to the first NUL: a multi-string gives its first string.
        return platform::regText(value.data, platform::RegNul::FirstNul);
    case REG_DWORD: {
        const std::optional<qint32> number = platform::regDword(value.data);
        return number ? QString::number(*number) : QString();
    }
    default:
        // REG_EXPAND_SZ included: such values are never judged.
        return {};
    }
}

void ScanValueBySection(const ScanContext& ctx, QString data, const QString& sectionName, const QString& valueName,
                        HKEY root, const QString& rootName, const QString& keyPath)
{
    const SectionRule rule = RuleOfSection(sectionName);
    if (!rule || ctx.cancelled())
        return;
    rule(ctx, root, rootName, valueName, std::move(data), sectionName, keyPath);
}

bool SectionHasRule(const QString& sectionName)
{
    return RuleOfSection(sectionName) != nullptr;
}

}  // namespace engine
