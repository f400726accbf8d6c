#pragma once
#include <QString>

namespace engine {

// The runtime's Trim: leading and trailing spaces only; tabs and other
// characters stay.
inline QString trimBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

}  // namespace engine
