#include "platform/regformat.h"

#include <cstring>

namespace platform::regformat {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void skipBlanks(const char*& p, const char* e)
{
    while (p < e && isBlank(*p))
        ++p;
}

bool startsWith(const char* p, const char* e, const char* word)
{
    const size_t n = std::strlen(word);
    return static_cast<size_t>(e - p) >= n && std::memcmp(p, word, n) == 0;
}

}  // namespace

const char* findClose(const char* p, const char* e, char terminator)
{
    while (p < e) {
        const char c = *p;
        if (c == terminator)
            return p;
        if (c == '\\') {
            if (e - p < 2)
                return nullptr;
            p += 2;  // an escape: its second character never ends the text
            continue;
        }
        ++p;
    }
    return nullptr;
}

namespace {

// One UTF-8 sequence starting at p (a byte >= 0x80) to UTF-16 units.
bool decodeUtf8(const char*& p, const char* e, char16_t units[2], int* count)
{
    const auto b0 = static_cast<unsigned char>(*p);
    int extra;
    char32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        return false;
    }
    if (e - p <= extra)
        return false;
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
        return false;
    p += extra + 1;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        units[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        *count = 2;
    } else {
        units[0] = static_cast<char16_t>(cp);
        *count = 1;
    }
    return true;
}

// One UTF-8 character at p, appended to `out` (when given) and passed.
bool appendUtf8(const char*& p, const char* e, QString* out, QString* error)
{
    char16_t units[2];
    int n = 0;
    if (!decodeUtf8(p, e, units, &n)) {
        *error = QStringLiteral("invalid UTF-8 text");
        return false;
    }
    if (out)
        out->append(QStringView(units, n));
    return true;
}

// Decodes the escaped text [p, e). `out` may be null (syntax check only).
bool decodeText(const char* p, const char* e, QString* out, QString* error)
{
    // Most names and strings are plain ASCII: one bulk conversion.
    const char* q = p;
    while (q < e && *q != '\\' && static_cast<unsigned char>(*q) < 0x80)
        ++q;
    if (q == e) {
        if (out)
            out->append(QLatin1StringView(p, e - p));
        return true;
    }
    if (out) {
        out->reserve(out->size() + (e - p));
        out->append(QLatin1StringView(p, q - p));
    }
    p = q;
    while (p < e) {
        const char c = *p;
        if (static_cast<unsigned char>(c) >= 0x80) {
            if (!appendUtf8(p, e, out, error))
                return false;
            continue;
        }
        if (c != '\\') {
            if (out)
                out->append(QChar(static_cast<char16_t>(c)));
            ++p;
            continue;
        }
        ++p;
        if (p >= e)
            break;  // a lone backslash at the end: the caller tells the missing close
        const char x = *p++;
        char16_t unit;
        switch (x) {
        case 'a': unit = 7; break;
        case 'b': unit = 8; break;
        case 't': unit = 9; break;
        case 'n': unit = 10; break;
        case 'v': unit = 11; break;
        case 'f': unit = 12; break;
        case 'r': unit = 13; break;
        case 'e': unit = 27; break;
        case 'x': {
            unsigned v = 0;
            int digits = 0;
            while (digits < 4 && p < e && hexDigit(*p) >= 0) {
                v = v * 16 + static_cast<unsigned>(hexDigit(*p++));
                ++digits;
            }
            if (digits == 0) {
                *error = QStringLiteral("\\x without hex digits");
                return false;
            }
            unit = static_cast<char16_t>(v);
            break;
        }
        case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
            unsigned v = static_cast<unsigned>(x - '0');
            int digits = 1;
            while (digits < 3 && p < e && *p >= '0' && *p <= '7') {
                v = v * 8 + static_cast<unsigned>(*p++ - '0');
                ++digits;
            }
            unit = static_cast<char16_t>(v);
            break;
        }
        default:
            if (static_cast<unsigned char>(x) >= 0x80) {
                // An escaped raw UTF-8 character stands for itself.
                --p;
                if (!appendUtf8(p, e, out, error))
                    return false;
                continue;
            }
            unit = static_cast<char16_t>(x);
            break;
        }
        if (out)
            out->append(QChar(unit));
    }
    return true;
}

// Reads an escaped text up to the unescaped `terminator`, which is consumed.
// `out` may be null (syntax check only).
bool parseText(const char*& p, const char* e, char terminator, QString* out, QString* error)
{
    const char* close = findClose(p, e, terminator);
    if (!decodeText(p, close ? close : e, out, error))
        return false;
    if (!close) {
        *error = terminator == ']' ? QStringLiteral("key name without closing ]") : QStringLiteral("text without closing quote");
        return false;
    }
    p = close + 1;
    return true;
}

bool atLineEnd(const char* p, const char* e)
{
    skipBlanks(p, e);
    return p == e;
}

void appendUtf16(QByteArray* data, const QString& text)
{
    const qsizetype n = text.size();
    const qsizetype at = data->size();
    data->resize(at + 2 * n);
    char* d = data->data() + at;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        d[2 * i] = static_cast<char>(u & 0xFF);
        d[2 * i + 1] = static_cast<char>(u >> 8);
    }
}

bool parseHexNumber(const char*& p, const char* e, int maxDigits, quint64* value)
{
    quint64 v = 0;
    int digits = 0;
    while (p < e && digits < maxDigits && hexDigit(*p) >= 0) {
        v = v * 16 + static_cast<unsigned>(hexDigit(*p++));
        ++digits;
    }
    *value = v;
    return digits > 0;
}

// The "N):" after "str(" or "hex(": a value type in hex.
bool parseTypeNumber(const char*& p, const char* e, DWORD* type, QString* error)
{
    quint64 t = 0;
    if (!parseHexNumber(p, e, 8, &t) || !startsWith(p, e, "):")) {
        *error = QStringLiteral("malformed value type");
        return false;
    }
    p += 2;
    *type = static_cast<DWORD>(t);
    return true;
}

// Comma-separated hex bytes; a line ending in "\" goes on on the next line.
bool parseHexBytes(Cursor& c, const char* p, const char* le, QByteArray* out, QString* error)
{
    for (;;) {
        skipBlanks(p, le);
        if (p == le) {
            c.pos = le;
            nextLine(c);
            return true;
        }
        if (*p == '\\') {
            if (!atLineEnd(p + 1, le)) {
                *error = QStringLiteral("\\ not at the end of a hex line");
                return false;
            }
            c.pos = le;
            const int wrappedLine = c.line;
            nextLine(c);
            if (c.pos >= c.end) {
                c.line = wrappedLine;  // the fault is the "\" there
                *error = QStringLiteral("hex data continued past the end of the file");
                return false;
            }
            p = c.pos;
            le = lineTextEnd(p, c.end);
            continue;
        }
        const int hi = hexDigit(*p);
        if (hi < 0) {
            *error = QStringLiteral("bad hex data");
            return false;
        }
        int v = hi;
        ++p;
        if (p < le && hexDigit(*p) >= 0)
            v = v * 16 + hexDigit(*p++);
        if (out)
            out->append(static_cast<char>(v));
        skipBlanks(p, le);
        if (p < le && *p == ',')
            ++p;
        else if (p < le && *p != '\\') {
            *error = QStringLiteral("bad hex data");
            return false;
        }
    }
}

}  // namespace

const char* lineTextEnd(const char* pos, const char* end)
{
    const void* nl = std::memchr(pos, '\n', static_cast<size_t>(end - pos));
    const char* le = nl ? static_cast<const char*>(nl) : end;
    if (le > pos && le[-1] == '\r')
        --le;
    return le;
}

void nextLine(Cursor& c)
{
    const void* nl = std::memchr(c.pos, '\n', static_cast<size_t>(c.end - c.pos));
    if (nl) {
        c.pos = static_cast<const char*>(nl) + 1;
        ++c.line;
    } else {
        c.pos = c.end;
    }
}

bool parseValueLine(Cursor& c, ParsedValue* out, QString* error)
{
    const char* p = c.pos;
    const char* le = lineTextEnd(p, c.end);
    skipBlanks(p, le);
    QString* name = out ? &out->name : nullptr;
    if (name)
        name->clear();
    if (p < le && *p == '@') {
        ++p;
    } else if (p < le && *p == '"') {
        ++p;
        if (!parseText(p, le, '"', name, error))
            return false;
    } else {
        *error = QStringLiteral("malformed value name");
        return false;
    }
    skipBlanks(p, le);
    if (p == le || *p != '=') {
        *error = QStringLiteral("malformed value name");
        return false;
    }
    ++p;
    skipBlanks(p, le);

    QByteArray* data = out ? &out->data : nullptr;
    if (data)
        data->clear();
    DWORD type = REG_SZ;
    bool isString = false;
    if (p < le && *p == '"') {
        isString = true;
    } else if (startsWith(p, le, "str:")) {
        p += 4;
        isString = true;
    } else if (startsWith(p, le, "str(")) {
        p += 4;
        if (!parseTypeNumber(p, le, &type, error))
            return false;
        isString = true;
    }
    if (isString) {
        if (p == le || *p != '"') {
            *error = QStringLiteral("string data without opening quote");
            return false;
        }
        ++p;
        QString text;
        if (!parseText(p, le, '"', out ? &text : nullptr, error))
            return false;
        if (!atLineEnd(p, le)) {
            *error = QStringLiteral("text after the closing quote");
            return false;
        }
        if (data) {
            appendUtf16(data, text);
            data->append(2, '\0');
        }
        if (out)
            out->type = type;
        c.pos = le;
        nextLine(c);
        return true;
    }
    if (startsWith(p, le, "dword:")) {
        p += 6;
        quint64 v = 0;
        if (!parseHexNumber(p, le, 8, &v) || !atLineEnd(p, le)) {
            *error = QStringLiteral("malformed dword data");
            return false;
        }
        if (out) {
            out->type = REG_DWORD;
            const auto d = static_cast<quint32>(v);
            const char bytes[4] = {static_cast<char>(d & 0xFF), static_cast<char>((d >> 8) & 0xFF),
                                   static_cast<char>((d >> 16) & 0xFF), static_cast<char>(d >> 24)};
            data->append(bytes, 4);
        }
        c.pos = le;
        nextLine(c);
        return true;
    }
    if (startsWith(p, le, "hex:")) {
        p += 4;
        type = REG_BINARY;
    } else if (startsWith(p, le, "hex(")) {
        p += 4;
        if (!parseTypeNumber(p, le, &type, error))
            return false;
    } else {
        *error = QStringLiteral("unknown value type");
        return false;
    }
    if (out)
        out->type = type;
    return parseHexBytes(c, p, le, data, error);
}

bool scanKeyLine(Cursor& c, const char** pathBegin, const char** pathEnd, quint64* seconds, bool* hasSeconds,
                 QString* error)
{
    const char* p = c.pos;
    const char* le = lineTextEnd(p, c.end);
    skipBlanks(p, le);
    if (p == le || *p != '[') {
        *error = QStringLiteral("malformed key line");
        return false;
    }
    ++p;
    const char* close = findClose(p, le, ']');
    if (!close) {
        // Name the first fault in the text, as a full decode would.
        if (decodeText(p, le, nullptr, error))
            *error = QStringLiteral("key name without closing ]");
        return false;
    }
    *pathBegin = p;
    *pathEnd = close;
    p = close + 1;
    skipBlanks(p, le);
    *hasSeconds = false;
    *seconds = 0;
    if (p < le && *p >= '0' && *p <= '9') {
        quint64 v = 0;
        while (p < le && *p >= '0' && *p <= '9')
            v = v * 10 + static_cast<unsigned>(*p++ - '0');
        *seconds = v;
        *hasSeconds = true;
    }
    if (!atLineEnd(p, le)) {
        *error = QStringLiteral("text after the key name");
        return false;
    }
    c.pos = le;
    nextLine(c);
    return true;
}

const char* keyPartEnd(const char* p, const char* e)
{
    while (p < e) {
        if (*p == '\\') {
            if (e - p >= 2 && p[1] == '\\')
                return p;
            p += 2;
            continue;
        }
        ++p;
    }
    return e;
}

bool decodeKeyPart(const char* p, const char* e, QString* out, QString* error)
{
    out->clear();
    return decodeText(p, e, out, error);
}

bool parseClassLine(Cursor& c, QString* cls, QString* error)
{
    const char* p = c.pos;
    const char* le = lineTextEnd(p, c.end);
    skipBlanks(p, le);
    if (p == le || *p != '"') {
        *error = QStringLiteral("malformed #class line");
        return false;
    }
    ++p;
    cls->clear();
    if (!parseText(p, le, '"', cls, error))
        return false;
    if (!atLineEnd(p, le)) {
        *error = QStringLiteral("text after the class");
        return false;
    }
    c.pos = le;
    nextLine(c);
    return true;
}

// ---- writing ----

namespace {

const char kHex[] = "0123456789abcdef";

void appendHex(QByteArray& out, quint64 v, int minDigits)
{
    char buf[17];
    int n = 0;
    do {
        buf[n++] = kHex[v & 0xF];
        v >>= 4;
    } while (v);
    while (n < minDigits)
        buf[n++] = '0';
    while (n)
        out.append(buf[--n]);
}

bool isAsciiHex(char16_t u)
{
    return u < 0x80 && hexDigit(static_cast<char>(u)) >= 0;
}

}  // namespace

int appendEscaped(QByteArray& out, const QChar* text, qsizetype length, const char* extraEscapes)
{
    const qsizetype before = out.size();
    const auto plain = [extraEscapes](char16_t u) {
        return u >= 32 && u < 127 && u != '\\' && !((u == '"' || u == '[' || u == ']') && std::strchr(extraEscapes, u));
    };
    for (qsizetype i = 0; i < length; ++i) {
        // Runs that need no escape are copied in one go.
        if (plain(text[i].unicode())) {
            qsizetype j = i + 1;
            while (j < length && plain(text[j].unicode()))
                ++j;
            const qsizetype at = out.size();
            out.resize(at + (j - i));
            char* d = out.data() + at;
            for (qsizetype k = i; k < j; ++k)
                *d++ = static_cast<char>(text[k].unicode());
            i = j - 1;
            continue;
        }
        const char16_t u = text[i].unicode();
        const char16_t next = i + 1 < length ? text[i + 1].unicode() : 0;
        if (u > 127) {
            out.append("\\x");
            appendHex(out, u, isAsciiHex(next) && i + 1 < length ? 4 : 1);
        } else if (u < 32) {
            char letter = 0;
            switch (u) {
            case 7: letter = 'a'; break;
            case 8: letter = 'b'; break;
            case 9: letter = 't'; break;
            case 10: letter = 'n'; break;
            case 11: letter = 'v'; break;
            case 12: letter = 'f'; break;
            case 13: letter = 'r'; break;
            case 27: letter = 'e'; break;
            default: break;
            }
            out.append('\\');
            if (letter) {
                out.append(letter);
            } else {
                const bool pad = i + 1 < length && next >= '0' && next <= '7';
                char buf[3];
                int n = 0;
                unsigned v = u;
                do {
                    buf[n++] = static_cast<char>('0' + (v & 7));
                    v >>= 3;
                } while (v);
                while (pad && n < 3)
                    buf[n++] = '0';
                while (n)
                    out.append(buf[--n]);
            }
        } else if (u == '\\') {
            out.append("\\\\");
        } else if (std::strchr(extraEscapes, static_cast<char>(u))) {
            out.append('\\');
            out.append(static_cast<char>(u));
        } else {
            out.append(static_cast<char>(u));
        }
    }
    return static_cast<int>(out.size() - before);
}

void appendValue(QByteArray& out, const QString& name, DWORD type, const QByteArray& data)
{
    int count;
    if (name.isEmpty()) {
        out.append("@=");
        count = 2;
    } else {
        out.append('"');
        count = 1 + appendEscaped(out, name.constData(), name.size(), "\"");
        out.append("\"=");
        count += 2;
    }
    const qsizetype len = data.size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && len >= 2 && len % 2 == 0
        && bytes[len - 2] == 0 && bytes[len - 1] == 0) {
        if (type != REG_SZ) {
            out.append("str(");
            appendHex(out, type, 1);
            out.append("):");
        }
        out.append('"');
        const qsizetype units = len / 2 - 1;
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i)
            text[i] = QChar(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
        appendEscaped(out, text.constData(), text.size(), "\"");
        out.append("\"\n");
        return;
    }
    if (type == REG_DWORD && len == 4) {
        out.append("dword:");
        appendHex(out, quint32(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (quint32(bytes[3]) << 24)), 8);
        out.append('\n');
        return;
    }
    if (type == REG_BINARY) {
        out.append("hex:");
        count += 4;
    } else {
        const qsizetype at = out.size();
        out.append("hex(");
        appendHex(out, type, 1);
        out.append("):");
        count += static_cast<int>(out.size() - at);
    }
    for (qsizetype i = 0; i < len; ++i) {
        out.append(kHex[bytes[i] >> 4]);
        out.append(kHex[bytes[i] & 0xF]);
        count += 2;
        if (i < len - 1) {
            out.append(',');
            if (++count > 76) {
                out.append("\\\n  ");
                count = 2;
            }
        }
    }
    out.append('\n');
}

void appendKeyHeader(QByteArray& out, const std::vector<const QString*>& path, quint64 filetime, const QString* cls,
                     bool link)
{
    out.append('[');
    for (size_t i = 0; i < path.size(); ++i) {
        if (i)
            out.append("\\\\");
        appendEscaped(out, path[i]->constData(), path[i]->size(), "[]");
    }
    out.append("] ");
    const quint64 secs = filetime >= kTicks1601To1970 ? (filetime - kTicks1601To1970) / kTicksPerSecond : 0;
    out.append(QByteArray::number(static_cast<quint32>(secs)));
    out.append("\n#time=");
    appendHex(out, filetime >> 32, 1);
    appendHex(out, filetime & 0xFFFFFFFFu, 8);
    out.append('\n');
    if (cls) {
        out.append("#class=\"");
        appendEscaped(out, cls->constData(), cls->size(), "\"");
        out.append("\"\n");
    }
    if (link)
        out.append("#link\n");
}

}  // namespace platform::regformat
