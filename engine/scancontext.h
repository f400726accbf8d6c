#pragma once
// What one scan works with: the list its rules add to, what they ask of the
// machine, the message pump it lets run, where it shows its position and
// the cancel request it heeds. The main window hands its own; the fix
// judges a value again with a context of its own list, no pump and no
// cancel; tests and the bench hand theirs.
#include "engine/messagepump.h"
#include "engine/problemlist.h"

#include <QString>

#include <functional>

namespace engine {

struct RuleEnvironment;

struct ScanContext {
    explicit ScanContext(ProblemList& list, const RuleEnvironment* rules = nullptr, MessagePump pumpPass = {},
                         std::function<void(const QString&)> display = {}, bool* cancel = nullptr)
        : problems(list), environment(rules), pump(std::move(pumpPass)), scanPathDisplay(std::move(display)),
          cancelScan(cancel)
    {
    }

    ProblemList& problems;
    // What the rules ask of the machine; nullptr: the real helpers.
    const RuleEnvironment* environment = nullptr;
    // One pass of pending window messages; empty: none run.
    MessagePump pump;
    // Where the walk shows the key it reaches, abbreviated; empty: nowhere.
    std::function<void(const QString&)> scanPathDisplay;
    // The cancel request, owned by the window that offers Cancel and set by
    // it while messages run; nullptr: no cancel can come.
    bool* cancelScan = nullptr;

    void DoEvents() const { runPump(pump); }
    bool cancelled() const { return cancelScan && *cancelScan; }
    void setCancelled(bool on) const
    {
        if (cancelScan)
            *cancelScan = on;
    }
    // Shows `text` abbreviated (AbbreviateScanPath).
    void ShowScanPath(const QString& text) const;
    const RuleEnvironment& env() const;
};

}  // namespace engine
