#include "platform/RoundThread.h"

#include <chrono>
#include <utility>

namespace trovik {

RoundThread::RoundThread(std::function<void()> onRound, std::function<void()> onForget,
                         std::function<void()> onEnd)
    : round(std::move(onRound)), forget(std::move(onForget)), end(std::move(onEnd)) {}

RoundThread::~RoundThread() {
    Stop();
}

void RoundThread::Enable(bool on) {
    {
        const std::lock_guard lock(wakeMutex);
        if (stopping) {
            return;
        }
        enabled = on;
        if (on && !thread.joinable()) {
            thread = std::thread([this] { Loop(); });
        }
    }
    wake.notify_all();
}

void RoundThread::Stop() {
    {
        const std::lock_guard lock(wakeMutex);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
}

void RoundThread::Loop() {
    std::unique_lock lock(wakeMutex);
    while (!stopping) {
        wake.wait_for(lock, std::chrono::seconds(1));
        if (stopping) {
            break;
        }
        lock.unlock();
        if (enabled) {
            forgotten = false;
            round();
        } else if (!forgotten) {
            forget();
            forgotten = true;
        }
        lock.lock();
    }
    lock.unlock();
    if (end) {
        end();
    }
}

}  // namespace trovik
