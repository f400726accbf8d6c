#include "platform/ownfile.h"

#include "platform/atomicfile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qsizetype kChunkSize = 64 * 1024;

OwnFileRead refused(const QString& reason)
{
    return {OwnFileRead::Refused, reason};
}

// The system's reason, as a clause: "permission denied".
OwnFileRead cannotRead(int error)
{
    QString why = QString::fromLocal8Bit(std::strerror(error));
    if (!why.isEmpty())
        why[0] = why[0].toLower();
    return refused(why);
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("something other than a file");
}

OwnFileRead tooLarge()
{
    return refused(QStringLiteral("it is larger than %1 MiB, far more than the program ever writes")
                       .arg(kMaxOwnFileSize >> 20));
}

// What the name leads to, without opening it: a device may act on a mere open.
OwnFileRead check(const QByteArray& name)
{
    struct stat st;
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT ? OwnFileRead{} : cannotRead(errno);
    const bool isLink = S_ISLNK(st.st_mode);
    if (isLink && ::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT)
            return refused(QStringLiteral("it is a link to a file that does not exist"));
        return cannotRead(errno);
    }
    if (S_ISREG(st.st_mode))
        return st.st_size > kMaxOwnFileSize ? tooLarge() : OwnFileRead{OwnFileRead::Read, {}};
    return refused((isLink ? QStringLiteral("it is a link to %1, not to a regular file")
                           : QStringLiteral("it is %1, not a regular file"))
                       .arg(kindOf(st.st_mode)));
}

// Opens a regular file for reading; -1 with `result` set otherwise. The
// check is made again on the open descriptor, since the name may have been
// swapped in between; the open itself never waits (O_NONBLOCK).
int openRegular(const QByteArray& name, OwnFileRead* result, qint64* size)
{
    *result = check(name);
    if (!result->ok())
        return -1;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *result = errno == ENOENT ? OwnFileRead{} : cannotRead(errno);
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *result = refused(QStringLiteral("it is not a regular file"));
        ::close(fd);
        return -1;
    }
    if (st.st_size > kMaxOwnFileSize) {
        *result = tooLarge();
        ::close(fd);
        return -1;
    }
    // Not needed any more for a regular file, and some file systems would
    // take it at its word.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    *size = st.st_size;
    return fd;
}

// One read, retried when a signal cut it short.
ssize_t readSome(int fd, char* into, qsizetype room)
{
    for (;;) {
        const ssize_t n = ::read(fd, into, static_cast<size_t>(room));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

}  // namespace

OwnFileRead checkOwnFile(const QString& linuxPath)
{
    if (linuxPath.isEmpty())
        return {};
    return check(QFile::encodeName(linuxPath));
}

OwnFileRead readOwnFile(const QString& linuxPath, QByteArray* bytes)
{
    bytes->clear();
    if (linuxPath.isEmpty())
        return {};
    OwnFileRead result;
    qint64 size = 0;
    const int fd = openRegular(QFile::encodeName(linuxPath), &result, &size);
    if (fd < 0)
        return result;
    // Read to the end, not to the size seen: the file may still grow, but
    // never past the limit (one byte more tells that it went past).
    QByteArray data(static_cast<qsizetype>(size) + 1, Qt::Uninitialized);
    qsizetype at = 0;
    for (;;) {
        if (at == data.size()) {
            if (at > kMaxOwnFileSize) {
                ::close(fd);
                return tooLarge();
            }
            data.resize(std::min<qsizetype>(std::max<qsizetype>(at * 2, kChunkSize), kMaxOwnFileSize + 1));
        }
        const ssize_t n = readSome(fd, data.data() + at, data.size() - at);
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            return cannotRead(e);
        }
        if (n == 0)
            break;
        at += n;
    }
    ::close(fd);
    data.resize(at);
    *bytes = std::move(data);
    return result;
}

OwnFileRead readOwnFileChunks(const QString& linuxPath, const std::function<void(QByteArrayView)>& chunk)
{
    if (linuxPath.isEmpty())
        return {};
    OwnFileRead result;
    qint64 size = 0;
    const int fd = openRegular(QFile::encodeName(linuxPath), &result, &size);
    if (fd < 0)
        return result;
    std::vector<char> buffer(kChunkSize);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = readSome(fd, buffer.data(), kChunkSize);
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            return cannotRead(e);
        }
        if (n == 0)
            break;
        total += n;
        if (total > kMaxOwnFileSize) {
            ::close(fd);
            return tooLarge();
        }
        chunk(QByteArrayView(buffer.data(), n));
    }
    ::close(fd);
    return result;
}

bool appendOwnFile(const QString& linuxPath, const QByteArray& bytes)
{
    if (linuxPath.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(linuxPath);
    const OwnFileRead there = check(name);
    if (there.outcome == OwnFileRead::Refused)
        return false;
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat st;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && writeAll(fd, bytes.constData(), bytes.size());
    return ::close(fd) == 0 && ok;
}

}  // namespace platform
