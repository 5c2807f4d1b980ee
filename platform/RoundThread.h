#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace trovik {

// A thread of its own that runs `round` once a second while enabled, and
// `forget` once when it is disabled after a round; `end` runs on it as it
// ends. Started by the first Enable(true). Its owner calls Stop before the
// members those use are gone.
class RoundThread final {
public:
    explicit RoundThread(std::function<void()> round, std::function<void()> forget,
                         std::function<void()> end = {});
    ~RoundThread();
    RoundThread(const RoundThread&) = delete;
    RoundThread& operator=(const RoundThread&) = delete;

    void Enable(bool on);
    // Ends the thread and waits for it; the rest of the calls do nothing.
    void Stop();

private:
    void Loop();

    std::function<void()> round;
    std::function<void()> forget;
    std::function<void()> end;
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool stopping = false;
    bool forgotten = true;  // the thread's own
    std::atomic<bool> enabled{false};
    std::thread thread;
};

}  // namespace trovik
