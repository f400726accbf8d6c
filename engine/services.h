#pragma once
// Small services the windows call: folder browser, click sound, line count,
// window transparency and the web-page opener. None reports an error: a
// failure leaves the result empty or zero and the caller goes on.
#include "engine/messagepump.h"

#include <QString>

class QObject;

namespace engine {

// The folder the user picks in the desktop's folder dialog, as a Windows
// path through the drive map; empty when cancelled.
QString BrowseForFolder();

// Starts "Alert.wav" of the program folder playing, when that file is there.
void PlayAlertSound();

// The number of lines of a text file (a line ends at CR or CR LF; a last
// line without an end counts); the pump runs once per line. A missing,
// hidden or unreadable file counts 0.
int CountFileLines(const QString& path, const MessagePump& pump = {});

// The lines of one of the program's text files, split at CR or CR LF, the
// empty ones left out.
QList<QByteArray> StoredTextLines(const QByteArray& bytes);

// Whole-window opacity, 0 (clear) to 255 (opaque); other values change nothing.
void SetWindowAlpha(QObject* window, int alpha);

// Opens `address` with the desktop's program for files of `extension`
// ("htm"), found through a probe file "temphtm.<extension>" in the temporary
// folder, which is deleted again. Nothing is started when none is registered.
void OpenWebPage(QObject* window, const QString& address, const QString& extension);

// The program's pages: its help page "help.htm" in the program folder, as a
// file URL, and its sections by anchor.
QString HelpPageFileName();
QString HelpPageAddress(const QString& section);  // empty: the whole page
QString SupportPageAddress();  // #support
QString ProductPageAddress();  // #contents
QString HomePageAddress();     // the page itself

// The Linux path for writing the file a Windows path names: the existing
// file when there is one, else the new name inside its existing folder.
// Empty when the folder cannot be found.
QString linuxPathForWrite(const QString& windowsPath);

}  // namespace engine
