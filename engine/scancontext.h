#pragma once
// What one scan works with: the list its rules add to, what they ask of the
// machine, the message pump it lets run and where it shows its position.
// The main window hands its own; the fix judges a value again with a
// context of its own list and no pump; tests and the bench hand theirs.
#include "engine/problemlist.h"

#include <QString>

#include <functional>

namespace engine {

struct RuleEnvironment;

struct ScanContext {
    explicit ScanContext(ProblemList& list, const RuleEnvironment* rules = nullptr, std::function<void()> pumpPass = {},
                         std::function<void(const QString&)> display = {})
        : problems(list), environment(rules), pump(std::move(pumpPass)), scanPathDisplay(std::move(display))
    {
    }

    ProblemList& problems;
    // What the rules ask of the machine; nullptr: the real helpers.
    const RuleEnvironment* environment = nullptr;
    // One pass of pending window messages; empty: none run.
    std::function<void()> pump;
    // Where the walk shows the key it reaches, abbreviated; empty: nowhere.
    std::function<void(const QString&)> scanPathDisplay;

    void DoEvents() const
    {
        if (pump)
            pump();
    }
    // Shows `text` abbreviated (AbbreviateScanPath).
    void ShowScanPath(const QString& text) const;
    const RuleEnvironment& env() const;
};

}  // namespace engine
