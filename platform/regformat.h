#pragma once
// Wine's registry text format ("WINE REGISTRY Version 2"): reading and
// writing single lines. The registry store (registry.cpp) keeps the files.
#include "platform/wintypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace platform::regformat {

inline constexpr char kHeaderLine[] = "WINE REGISTRY Version 2";

// 100 ns ticks between 1601-01-01 and 1970-01-01.
inline constexpr quint64 kTicks1601To1970 = 116444736000000000ull;
inline constexpr quint64 kTicksPerSecond = 10000000ull;

// A cursor over one file's bytes. `line` is the number of the line that
// `pos` is on (from 1), so errors can name it.
struct Cursor {
    const char* pos;
    const char* end;
    int line;
};

// End of the current line's text (before "\r\n" or "\n").
const char* lineTextEnd(const char* pos, const char* end);
// Moves past the current line's "\n" (or to the end).
void nextLine(Cursor& c);

struct ParsedValue {
    QString name;
    DWORD type = REG_NONE;
    QByteArray data;
};

// Reads one value line (and its continuation lines for hex data), starting
// at the first non-blank character. With `out` null it only checks the
// syntax. On success the cursor is at the start of the next line; on
// failure `c.line` is the line of the fault (a continuation line of
// wrapped hex data has its own number).
bool parseValueLine(Cursor& c, ParsedValue* out, QString* error);

// Position of the unescaped `terminator` in [p, e), or null.
const char* findClose(const char* p, const char* e, char terminator);

// Reads a "[path] seconds" line. The path is left escaped, [pathBegin,
// pathEnd): consecutive keys share most of it, so the caller decodes only
// the names that differ.
bool scanKeyLine(Cursor& c, const char** pathBegin, const char** pathEnd, quint64* seconds, bool* hasSeconds,
                 QString* error);
// End of the escaped key name starting at p: the next "\\" separator or e.
const char* keyPartEnd(const char* p, const char* e);
// Decodes one escaped key name into `out`.
bool decodeKeyPart(const char* p, const char* e, QString* out, QString* error);

// Reads the quoted text of a #class="..." line, `c` just after '='.
bool parseClassLine(Cursor& c, QString* cls, QString* error);

// Writing, exactly as Wine writes. Each returns the number of characters
// appended (Wine counts them to wrap long hex lines).
int appendEscaped(QByteArray& out, const QChar* text, qsizetype length, const char* extraEscapes);
void appendValue(QByteArray& out, const QString& name, DWORD type, const QByteArray& data);
// The "[path] seconds" and "#time=" lines, then "#class" and "#link" when set.
void appendKeyHeader(QByteArray& out, const std::vector<const QString*>& path, quint64 filetime, const QString* cls,
                     bool link);

}  // namespace platform::regformat
