#pragma once
// Text and file-system helpers on which the problem rules build their
// judgement. Windows paths throughout. Positions count from 1.
#include <QString>

namespace engine {

// Leading quotes, CRs and spaces; trailing quotes, LFs and spaces.
QString TrimQuotesAndBlanks(const QString& text);
// Lower-case extension after the last dot, or empty.
QString GetFileExtension(const QString& path);
// Ends the text with "\"; empty or all-blank text gives empty.
QString AddBackslash(const QString& text);
// The text before its "/" or "," switches.
QString CutAtSwitches(const QString& commandText);
// The text after "%Systemroot%" or "%ProgramFiles%" (any case), or empty.
QString StripRootPlaceholder(const QString& text);
// The text after "%commonprogramfiles%" (any case), or empty.
QString StripCommonFilesPlaceholder(const QString& text);

QString GetSystemDir();
QString GetWindowsDir();
QString GetProgramFilesDir();  // empty when the registry value cannot be read
QString GetCommonFilesDir();

// True when the directory listing finds the file; a path that cannot be
// checked (bad characters, drive not ready) counts as existing.
bool FileExists(const QString& path);
// The 8.3 form of an existing path, or empty.
QString GetShortPath(const QString& path);

}  // namespace engine
