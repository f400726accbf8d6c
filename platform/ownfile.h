#pragma once
// Reading the program's own files (results file, backups, folder list,
// drive labels, settings): only a regular file, or a link to one, and of a
// sane size. A named pipe, a device or a link to one is never opened for
// reading: it would block the read or never end. And appending to them.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace platform {

// Far above anything the program writes, far below what would exhaust
// memory.
constexpr qint64 kMaxOwnFileSize = qint64(256) << 20;

struct OwnFileRead {
    enum Outcome { Read, Missing, Refused };
    Outcome outcome = Missing;
    // When refused: why, as a clause for a sentence ("it is a named pipe,
    // not a regular file").
    QString reason;
    bool ok() const { return outcome == Read; }
};

// Whether the file at `linuxPath` may be read, without opening it: Read for
// a regular file (or a link to one) of at most kMaxOwnFileSize, Missing when
// nothing at all is there, else Refused with the reason.
OwnFileRead checkOwnFile(const QString& linuxPath);

// The whole file into `bytes` (emptied first, and left empty unless Read).
// A file over kMaxOwnFileSize is refused, even one growing while read.
OwnFileRead readOwnFile(const QString& linuxPath, QByteArray* bytes);

// The file's bytes handed to `chunk` a piece at a time, in order, so that
// a long file costs no more memory than one piece. Stops and refuses once
// more than kMaxOwnFileSize has come (the pieces before it were handed on).
OwnFileRead readOwnFileChunks(const QString& linuxPath, const std::function<void(QByteArrayView)>& chunk);

// Appends `bytes` to the regular file at `linuxPath` (one checkOwnFile
// reads), creating it when nothing is there. Anything else is left alone: a named pipe would block
// the open, a device would take the bytes. False when not all was written.
bool appendOwnFile(const QString& linuxPath, const QByteArray& bytes);

}  // namespace platform
