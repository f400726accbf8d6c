#include "platform/shortname.h"

#include <cstdint>
#include <vector>

namespace platform {

namespace {

// Characters a short name cannot hold (besides control and non-ASCII ones).
bool isShortNameForbidden(char16_t c)
{
    switch (c) {
    case u'*': case u'?': case u'<': case u'>': case u'|': case u'"':
    case u'+': case u'=': case u',': case u';': case u'[': case u']':
    case u' ': case u':': case u'/': case u'\\':
        return true;
    default:
        return c < 0x20 || c >= 0x7F;
    }
}

// What the hashed short name puts in place of a character.
char16_t shortNameChar(char16_t c)
{
    if (c == u'.' || c == u'~' || isShortNameForbidden(c))
        return u'_';
    return c;
}

char16_t lowerUnit(char16_t c)
{
    return QChar::isSurrogate(c) ? c : static_cast<char16_t>(QChar::toLower(c));
}

char16_t upperUnit(char16_t c)
{
    return QChar::isSurrogate(c) ? c : static_cast<char16_t>(QChar::toUpper(c));
}

bool sameFolded(char16_t a, char16_t b)
{
    return a == b || upperUnit(a) == upperUnit(b);
}

}  // namespace

QString foldName(const QString& name)
{
    QString out(name);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = QChar(upperUnit(out.at(i).unicode()));
    return out;
}

bool hasWildcards(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

bool isLegalShortName(const QString& name)
{
    if (name.isEmpty() || name.size() > 12)
        return false;
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return true;
    if (name.at(0) == QLatin1Char('.'))
        return false;
    qsizetype dot = -1;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (c == u'.') {
            if (dot >= 0)
                return false;
            dot = i;
        } else if (isShortNameForbidden(c)) {
            return false;
        }
    }
    if (dot < 0)
        return name.size() <= 8;
    const qsizetype ext = name.size() - dot - 1;
    return dot <= 8 && ext >= 1 && ext <= 3;
}

QString shortNameOf(const QString& name)
{
    if (name.isEmpty() || isLegalShortName(name))
        return {};
    const qsizetype len = name.size();

    std::uint16_t hash = 0xBEEF;
    for (qsizetype i = 0; i < len; ++i) {
        const std::uint16_t c = lowerUnit(name.at(i).unicode());
        std::uint16_t next = 0;
        if (i + 1 < len)
            next = static_cast<std::uint16_t>(lowerUnit(name.at(i + 1).unicode()) << 8);
        hash = static_cast<std::uint16_t>((hash << 3) ^ (hash >> 5) ^ c ^ next);
    }

    // The extension begins at the last dot after the first character that is
    // not the last character.
    qsizetype ext = -1;
    for (qsizetype i = 1; i < len - 1; ++i) {
        if (name.at(i) == QLatin1Char('.'))
            ext = i;
    }

    static const char kHashChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    QString out;
    for (qsizetype i = 0; i < 4 && i < len && i != ext; ++i)
        out.append(QChar(shortNameChar(name.at(i).unicode())));
    do
        out.append(QLatin1Char('~'));
    while (out.size() < 5);
    out.append(QLatin1Char(kHashChars[(hash >> 10) & 0x1F]));
    out.append(QLatin1Char(kHashChars[(hash >> 5) & 0x1F]));
    out.append(QLatin1Char(kHashChars[hash & 0x1F]));
    if (ext >= 0) {
        out.append(QLatin1Char('.'));
        for (qsizetype i = ext + 1; i < len && i <= ext + 3; ++i)
            out.append(QChar(shortNameChar(name.at(i).unicode())));
    }
    return out.toUpper();
}

bool matchesMask(const QString& mask, const QString& name)
{
    const qsizetype m = mask.size();
    const qsizetype n = name.size();
    // can[i * (n + 1) + j]: mask from i matches name from j. Filled from the
    // ends, so each cell needs only cells already known.
    std::vector<char> can(static_cast<size_t>((m + 1) * (n + 1)), 0);
    const auto at = [n](qsizetype i, qsizetype j) { return static_cast<size_t>(i * (n + 1) + j); };
    // Once the name is used up, trailing "*", "?" and "." may match nothing.
    can[at(m, n)] = 1;
    for (qsizetype i = m - 1; i >= 0; --i) {
        const char16_t mc = mask.at(i).unicode();
        can[at(i, n)] = (mc == u'*' || mc == u'?' || mc == u'.') && can[at(i + 1, n)];
    }
    for (qsizetype i = m - 1; i >= 0; --i) {
        const char16_t mc = mask.at(i).unicode();
        for (qsizetype j = n - 1; j >= 0; --j) {
            bool ok;
            if (mc == u'*') {
                ok = can[at(i + 1, j)] || can[at(i, j + 1)];
            } else if (mc == u'?') {
                // A character the ANSI code page lacks reaches us as one "?",
                // even when it takes two code units: let "?" take the pair.
                ok = can[at(i + 1, j + 1)]
                     || (j + 1 < n && name.at(j).isHighSurrogate() && name.at(j + 1).isLowSurrogate()
                         && can[at(i + 1, j + 2)]);
            } else {
                ok = sameFolded(mc, name.at(j).unicode()) && can[at(i + 1, j + 1)];
            }
            can[at(i, j)] = ok;
        }
    }
    return can[at(0, 0)] != 0;
}

}  // namespace platform
