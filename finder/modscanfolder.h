#pragma once
// The folder and drive walk of the missing-files finder: walks a folder tree
// of the prefix's drives, Windows paths throughout, and drops from the
// hidden problem list every row whose file it meets at exactly the path the
// scan recorded. Qt Core only; the wizard shows what it reports.
#include "engine/problemlist.h"
#include "engine/scancontext.h"
#include "platform/winfile.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

namespace ModScanFolder {

// Where a walk shows that it moves (the wizard's lblStatus and ProgressBar1).
class WalkDisplay {
public:
    virtual ~WalkDisplay() = default;
    virtual void showStatus(const QString& path) = 0;
    // 0 up to below 100; an activity indicator, not a share of the work.
    virtual void showProgress(double value) = 0;
};

// The text of a fixed-size ANSI field up to its first NUL.
QString TrimAtNull(const char* text, std::size_t size);

// True when the drive root answers the volume query. An empty root is no
// drive (the platform would take it for the program's own drive).
bool GetVolumeInfo(const QString& root);

// The key a file path is compared by: trimmed of blanks and upper-cased
// character by character (no character grows into two).
QString comparisonKey(const QString& path);

// One scan of the wizard. It may walk several folders. Each real folder
// (device and inode, links followed) is listed once for the whole scan;
// reached again by another path, it is not walked again, but every row whose
// file lies below that path is still matched there. A folder that is one of
// its own ancestors on the path is not entered, so link loops end.
class FolderWalk {
public:
    // Rows leave the context's list; its pump runs once per entry and its
    // scan-position display shows the short path of the latest entry.
    FolderWalk(const engine::ScanContext& ctx, WalkDisplay& display);
    ~FolderWalk();
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // Walks `folder` when the volume of `drive` answers; else nothing.
    void ScanDrive(const QString& drive, const QString& folder);
    // Walks `path` and every folder below it, depth first: a folder's files
    // are compared before its subfolders are entered.
    void ScanFolder(const QString& path);

    // How often the label, the bar and the scan position are refreshed;
    // 0 refreshes them for every entry.
    void setRefreshInterval(int ms) { m_refreshMs = ms; }

    struct Stats {
        long long entries = 0;  // directory entries met, "." and ".." included
        long long folders = 0;  // folders listed by the walk
        long long loopsCut = 0;  // folders not entered: an ancestor of their own on the path
        long long reachedAgain = 0;  // folders met again by another path, matched but not walked
        long long relisted = 0;  // listings read again for that, once per real folder at most
        int removed = 0;        // problem rows dropped
    };
    const Stats& stats() const { return m_stats; }

private:
    struct Frame {
        QString path;  // ends with "\"
        QString identity;
        std::vector<QString> subfolders;
        std::size_t next = 0;
    };
    // What a folder reached again is matched by: its entries with their
    // attributes, as the walk met them.
    struct Listing {
        std::vector<std::pair<QString, DWORD>> entries;
    };
    enum class Entered { Listed, Skipped, Cancelled };

    Entered enterFolder(QString path, std::vector<Frame>& stack);
    void matchAgain(const QString& path, const QString& identity);
    std::shared_ptr<const Listing> listingOf(const QString& path, const QString& identity);
    bool rowsBelow(const QString& folderPath) const;
    void compareFile(const QString& fullPath);
    void knowPrefixes();
    void countPrefixes(const QString& key, int delta);
    void noteEntry(const QString& fullPath);
    void refreshDisplay();
    void rebuildIndex();

    engine::ScanContext m_ctx;
    engine::ProblemList& m_rows;
    WalkDisplay& m_display;
    std::unique_ptr<platform::LookupCacheScope> m_lookups;
    // The rows' comparison keys in list order, and how many rows carry each.
    std::vector<QString> m_keys;
    QHash<QString, int> m_index;
    // Every folder part of the rows' keys ("C:\", "C:\APP\", ...) and how
    // many rows lie below it: a folder reached again is followed only there.
    QHash<QString, int> m_prefixes;
    bool m_prefixesKnown = false;
    QSet<QString> m_visited;  // "device:inode" of every folder listed
    QSet<QString> m_onPath;   // those of the folders on the path now walked
    QHash<QString, std::shared_ptr<const Listing>> m_listings;  // of folders reached again
    QSet<QString> m_matched;  // comparison key and identity of each folder matched again
    double m_progress = 0;
    QString m_lastEntry;
    bool m_displayPending = false;
    int m_refreshMs = 40;
    QElapsedTimer m_sinceRefresh;
    Stats m_stats;
};

}  // namespace ModScanFolder
