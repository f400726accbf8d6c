#pragma once
// One pass of pending window messages. Long loops of the engine take one
// from their caller, so a window stays live (its Cancel, its animation)
// while they run; an empty pump lets none run.
#include <functional>

namespace engine {

using MessagePump = std::function<void()>;

inline void runPump(const MessagePump& pump)
{
    if (pump)
        pump();
}

}  // namespace engine
