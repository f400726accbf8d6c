#pragma once
// Things that can stand where the program expects one of its own files:
// a named pipe, links to one or to a socket, a sparse file above the size
// limit. All made in the test's own folders, never under /dev.
#include "platform/ownfile.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QString>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace testenv {

enum class OddKind { Fifo, LinkToFifo, Oversize, LinkToOversize, LinkToSocket };

inline constexpr OddKind kOddKinds[] = {OddKind::Fifo, OddKind::LinkToFifo, OddKind::Oversize,
                                        OddKind::LinkToOversize, OddKind::LinkToSocket};

inline const char* describe(OddKind kind)
{
    switch (kind) {
    case OddKind::Fifo: return "a named pipe";
    case OddKind::LinkToFifo: return "a link to a named pipe";
    case OddKind::Oversize: return "a sparse file above the size limit";
    case OddKind::LinkToOversize: return "a link to a sparse file above the size limit";
    case OddKind::LinkToSocket: return "a link to a socket";
    }
    return "?";
}

inline bool makeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// A file of `size` bytes that takes no room on disk.
inline bool makeSparse(const QString& path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size);
}

// A socket's node in the file system (bound, then closed: the node stays).
inline bool makeSocketNode(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un addr{};
    if (name.size() >= static_cast<qsizetype>(sizeof(addr.sun_path)))
        return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, name.constData(), static_cast<size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool ok = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

// Puts a thing of `kind` at `path`; the targets of links go into a folder of
// their own, so that they never show up beside `path`. Returns the target
// (or `path` itself when it is no link).
inline QString makeOdd(OddKind kind, const QString& path)
{
    const bool link = kind == OddKind::LinkToFifo || kind == OddKind::LinkToOversize || kind == OddKind::LinkToSocket;
    // Socket names are short: their folder sits right below the scratch root.
    const QString target = link ? makeTempDir(QStringLiteral("t")) + QStringLiteral("/n") : path;
    bool made = false;
    switch (kind) {
    case OddKind::Fifo:
    case OddKind::LinkToFifo: made = makeFifo(target); break;
    case OddKind::Oversize:
    case OddKind::LinkToOversize: made = makeSparse(target, platform::kMaxOwnFileSize + 4096); break;
    case OddKind::LinkToSocket: made = makeSocketNode(target); break;
    }
    if (made && link)
        made = QFile::link(target, path);
    return made ? target : QString();
}

// What kind of node `path` is now, without following a link (S_IFIFO, ...).
inline mode_t nodeType(const QString& path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & S_IFMT;
}

}  // namespace testenv
