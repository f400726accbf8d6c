#include "platform/atomicfile.h"

#include "platform/ownfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString systemReason(int savedErrno)
{
    return QString::fromLocal8Bit(std::strerror(savedErrno));
}

}  // namespace

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
{
    *this = std::move(other);
}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this != &other) {
        abandon();
        m_target = std::move(other.m_target);
        m_targetName = std::move(other.m_targetName);
        m_tmp = std::move(other.m_tmp);
        m_dir = std::move(other.m_dir);
        m_mode = other.m_mode;
        m_fd = other.m_fd;
        m_placed = other.m_placed;
        other.m_fd = -1;
        other.m_tmp.clear();
        other.m_placed = false;
    }
    return *this;
}

AtomicFile::~AtomicFile()
{
    abandon();
}

bool AtomicFile::begin(const QString& target, TempName name, QString* error)
{
    m_target = target;
    const QFileInfo info(target);
    if (name == TempName::Unique && info.isSymLink()) {
        m_target = info.canonicalFilePath();
        if (m_target.isEmpty()) {
            *error = QStringLiteral("%1 is a broken link").arg(target);
            return false;
        }
    }
    m_targetName = QFile::encodeName(m_target);
    struct stat st;
    if (::stat(m_targetName.constData(), &st) == 0) {
        if (name == TempName::Unique && st.st_nlink > 1) {
            *error = QStringLiteral("%1 has more than one hard link, and replacing it would break them").arg(m_target);
            return false;
        }
        m_mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        m_mode = 0666 & ~mask;
    }
    m_dir = QFileInfo(m_target).absolutePath();
    if (name == TempName::Unique) {
        // Never Wine's own "reg<hex>.tmp".
        m_tmp = QFile::encodeName(m_dir + QStringLiteral("/.velmora-save-%1-XXXXXX").arg(static_cast<qint64>(::getpid())));
        m_fd = ::mkstemp(m_tmp.data());
    } else {
        m_tmp = m_targetName + ".new";
        struct stat stale;
        // What stands there and cannot be removed (a folder) fails the open.
        if (::lstat(m_tmp.constData(), &stale) == 0 && !S_ISDIR(stale.st_mode))
            ::unlink(m_tmp.constData());
        m_fd = ::open(m_tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    }
    if (m_fd < 0) {
        const int savedErrno = errno;
        // What stands under that name is not ours: it is left where it is.
        m_tmp.clear();
        *error = QStringLiteral("cannot create a file in %1: %2").arg(m_dir, systemReason(savedErrno));
        return false;
    }
    return true;
}

bool AtomicFile::write(const QByteArray& bytes)
{
    return m_fd >= 0 && writeAll(m_fd, bytes.constData(), bytes.size());
}

void AtomicFile::abandon()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_placed && !m_tmp.isEmpty())
        ::unlink(m_tmp.constData());
    m_tmp.clear();
}

void AtomicFile::abandon(int savedErrno, QString* error)
{
    *error = QStringLiteral("cannot write %1: %2").arg(m_target, systemReason(savedErrno));
    abandon();
}

bool AtomicFile::flush(QString* error, int* kept)
{
    if (kept)
        *kept = -1;
    if (::fchmod(m_fd, m_mode) != 0 || ::fsync(m_fd) != 0) {
        abandon(errno, error);
        return false;
    }
    int copy = -1;
    if (kept) {
        copy = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        if (copy < 0) {
            abandon(errno, error);
            return false;
        }
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        const int savedErrno = errno;
        if (copy >= 0)
            ::close(copy);
        abandon(savedErrno, error);
        return false;
    }
    if (kept)
        *kept = copy;
    return true;
}

bool AtomicFile::place(QString* error)
{
    if (::rename(m_tmp.constData(), m_targetName.constData()) != 0) {
        *error = systemReason(errno);
        abandon();
        return false;
    }
    m_placed = true;
    m_tmp.clear();
    return true;
}

void syncFolder(const QString& dir)
{
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

bool replaceFileWhole(const QString& linuxPath, const QByteArray& bytes, QString* error)
{
    AtomicFile file;
    if (!file.begin(linuxPath, AtomicFile::TempName::Beside, error))
        return false;
    if (!file.write(bytes)) {
        file.abandon(errno, error);
        return false;
    }
    if (!file.flush(error) || !file.place(error))
        return false;
    syncFolder(file.folder());
    return true;
}

bool appendSyncedRecord(const QString& linuxPath, const std::function<QByteArray()>& makeRecord)
{
    const QByteArray name = QFile::encodeName(linuxPath);
    struct stat st;
    const bool created = ::stat(name.constData(), &st) != 0;
    // Only a regular file takes records, and one small enough to be read
    // back: a named pipe would block the open (not so without waiting), a
    // device would swallow the record.
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxOwnFileSize) {
        ::close(fd);
        return false;
    }
    const off_t before = st.st_size;
    const QByteArray record = makeRecord();
    // The record must be on disk before what it stands for changes, and so
    // must the name of a file just made.
    const bool ok = before >= 0 && writeAll(fd, record.constData(), record.size()) && ::fsync(fd) == 0;
    if (!ok) {
        // A full disk leaves part of the record behind; a reader must not
        // take it for one.
        if (before >= 0 && ::ftruncate(fd, before) == 0)
            ::fsync(fd);
        ::close(fd);
        if (created && QFileInfo(linuxPath).size() == 0)
            QFile::remove(linuxPath);
        return false;
    }
    ::close(fd);
    if (created)
        syncFolder(QFileInfo(linuxPath).absolutePath());
    return true;
}

qint64 regularFileSize(const QString& linuxPath)
{
    struct stat st;
    if (linuxPath.isEmpty() || ::lstat(QFile::encodeName(linuxPath).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

bool cutFileBack(const QString& linuxPath, qint64 size)
{
    if (linuxPath.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(linuxPath);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0)
        return size < 0;
    if (!S_ISREG(st.st_mode))
        return false;
    if (size < 0)
        return ::unlink(name.constData()) == 0;
    if (st.st_size <= size)
        return true;
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace platform
