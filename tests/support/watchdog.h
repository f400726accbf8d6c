#pragma once
// Ends the test program, saying what hung, when a scope takes far longer
// than it ever should: a read that blocks (a named pipe opened without care)
// would otherwise sit until ctest's time-out. Not a timing check: the limit
// is many times what the work takes.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace testenv {

class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(60))
        : m_thread([this, what = std::move(what), limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "HUNG: %s did not end within %lld s\n", what.c_str(),
                               static_cast<long long>(limit.count()));
                  std::fflush(stderr);
                  std::_Exit(3);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;  // last: starts once the rest is built
};

}  // namespace testenv
