#pragma once
// Writing files so that a crash or a full disk never leaves one half
// written: a whole file replaced through a new one beside it, and records
// appended to a file and synced, or cut back off again.
#include <QByteArray>
#include <QString>

#include <functional>

#include <sys/types.h>

namespace platform {

// A new file written beside its target, flushed, then renamed over it, the
// folder synced last: a crash leaves the old file or the new one. Until
// place() succeeds, the target is untouched; a file not placed is removed
// when this goes.
class AtomicFile {
public:
    enum class TempName {
        Unique,  // ".velmora-save-<pid>-XXXXXX" in the target's folder
        Beside,  // the target's name and ".new"; a stale one is removed first
    };
    // Unique: a link is followed to the file it names and a file of more
    // than one hard link is refused, as replacing it would break them.
    // Beside: the target path is replaced as it is named.
    AtomicFile() = default;
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    bool begin(const QString& target, TempName name, QString* error);
    int fd() const { return m_fd; }
    // Writes it all; false (errno kept) when it was not.
    bool write(const QByteArray& bytes);
    // Gives the new file its mode, syncs and closes it. With `kept`, a
    // descriptor of it stays open for reading it back once in place.
    bool flush(QString* error, int* kept = nullptr);
    // Renames the flushed file over the target; on failure it is removed
    // and the target stays as it was. `error` is the system's reason alone.
    bool place(QString* error);
    // Removes the new file, unless it was placed.
    void abandon();
    // The one sentence part "cannot write <target>: <reason>" for errno,
    // the new file removed.
    void abandon(int savedErrno, QString* error);

    const QString& target() const { return m_target; }
    const QString& folder() const { return m_dir; }

private:
    QString m_target;
    QByteArray m_targetName;
    QByteArray m_tmp;
    QString m_dir;
    mode_t m_mode = 0666;
    int m_fd = -1;
    bool m_placed = false;
};

// Syncs a folder, so that a name just made or renamed in it stays. Some
// file systems cannot; that is not taken for a failure.
void syncFolder(const QString& dir);

// The whole file at `linuxPath` replaced by `bytes` (AtomicFile, Beside).
bool replaceFileWhole(const QString& linuxPath, const QByteArray& bytes, QString* error);

// Appends one record to the file at `linuxPath` and syncs it (and its
// folder when the file was made now). When it cannot be written whole and
// synced, the file is cut back to what it held before, and a file this call
// made is removed, so no record cut short is left behind. The record is
// made by `record` once the file is open, so that the file stands while it
// is made.
bool appendSyncedRecord(const QString& linuxPath, const std::function<QByteArray()>& record);

// The size of a regular file, -1 when there is none (a link is not
// followed); and the file cut back to such a size and synced, or removed
// for -1.
qint64 regularFileSize(const QString& linuxPath);
bool cutFileBack(const QString& linuxPath, qint64 size);

// Writes all of `data` to `fd`, going on after interrupted or short writes;
// false with errno set when the rest cannot be written (ENOSPC for none).
bool writeAll(int fd, const char* data, qsizetype size);

}  // namespace platform
