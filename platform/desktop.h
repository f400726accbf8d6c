#pragma once
// The one seam through which the program reaches the desktop: message boxes,
// modal windows, the folder browser, sound and window transparency. The
// windows layer installs the Qt Widgets implementation; tests install one
// that answers.
#include <QString>

class QObject;

namespace platform {

class Desktop {
public:
    virtual ~Desktop() = default;
    // Style as MsgBox numbers it (64: information, OK; 36: question, Yes/No).
    // Returns the button pressed: 1 OK, 6 Yes, 7 No.
    virtual int messageBox(const QString& text, int style, const QString& title) = 0;
    // Shows `dialog` (a QDialog of the windows layer) modally and returns when
    // it is closed, with its result (1 accepted, 0 rejected). Every modal
    // window of the program opens here, so a test can read and answer it.
    // Unless overridden nothing is shown and 0 is returned.
    virtual int runModal(QObject* dialog);
    // A folder chosen by the user as a Linux path, or empty on cancel.
    virtual QString browseForFolder(const QString& title) = 0;
    // Starts playing a sound file (Linux path) and returns at once.
    virtual void playSound(const QString& linuxPath) = 0;
    // Whole-window opacity, 0..255. `window` is the window's QObject.
    virtual void setWindowAlpha(QObject* window, int alpha) = 0;
};

// The installed desktop; a silent one (stderr, OK/No answers, modal windows
// not shown) when none is.
Desktop& desktop();
void setDesktop(Desktop* d);  // not owned; nullptr restores the silent one

// MsgBox: the program's modal message box, through the seam.
int MsgBox(const QString& text, int style, const QString& title);
// ShowModal: a window of the program shown modally, through the seam.
int ShowModal(QObject* dialog);

}  // namespace platform
