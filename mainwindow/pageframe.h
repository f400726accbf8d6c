#pragma once
// What a page of the main window asks of the window around it. The window
// owns the status bar and knows which of its long jobs is under way; a page
// only writes its texts there and holds back while such a job runs.
#include "engine/messagepump.h"

class QString;

class PageFrame {
public:
    // Panel 1 takes the hint or activity text, panel 3 the page's count.
    virtual void setStatusText(int panel, const QString& text) = 0;
    // A fix or a load of the results file lets window messages run while it
    // works on the lists; no action that reads or changes them, or the
    // registry, starts then.
    virtual bool listWorkRunning() const = 0;
    // One pass of pending window messages, for the page's long loops and
    // the engine work they start.
    virtual void pumpMessages() = 0;
    engine::MessagePump messagePump()
    {
        return [this] { pumpMessages(); };
    }

protected:
    ~PageFrame() = default;
};
