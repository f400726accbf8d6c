#pragma once
// The ANSI code page of the emulated system: Windows-1252.
#include <QByteArray>
#include <QString>

namespace platform {

// Program text to ANSI bytes; a character the code page lacks becomes '?'.
QByteArray toAnsi(const QString& text);
// ANSI bytes to program text (the five unassigned codes map to U+0081 etc.).
QString fromAnsi(const QByteArray& bytes);
QString fromAnsi(const char* bytes, int length);
// One code unit each way.
char16_t ansiToUnicode(unsigned char c);
// Returns '?' for a character outside the code page.
unsigned char unicodeToAnsi(char16_t c);

}  // namespace platform
