#include "platform/ansi.h"

namespace platform {

namespace {
// Codes 0x80..0x9F; the unassigned ones keep their own value, as Windows does.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
}  // namespace

char16_t ansiToUnicode(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return kHigh[c - 0x80];
    return c;
}

unsigned char unicodeToAnsi(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

QByteArray toAnsi(const QString& text)
{
    QByteArray out;
    out.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = static_cast<char>(unicodeToAnsi(text.at(i).unicode()));
    // A surrogate pair is one character the code page lacks: one '?', not two.
    if (text.size() > 0) {
        QByteArray packed;
        packed.reserve(out.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            packed.append(out[i]);
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
        }
        return packed;
    }
    return out;
}

QString fromAnsi(const char* bytes, int length)
{
    QString out;
    out.resize(length);
    for (int i = 0; i < length; ++i)
        out[i] = QChar(ansiToUnicode(static_cast<unsigned char>(bytes[i])));
    return out;
}

QString fromAnsi(const QByteArray& bytes)
{
    return fromAnsi(bytes.constData(), static_cast<int>(bytes.size()));
}

}  // namespace platform
