#pragma once

// Settings of the wall clock (by hand or by a time service stepping it; the
// kernel also reports one after every resume), heard from a timerfd on
// CLOCK_REALTIME armed with TFD_TIMER_CANCEL_ON_SET far in the future: its
// read fails with ECANCELED once the clock was set. Nothing wakes the loop
// while the clock runs steadily. A change of the time zone leaves
// CLOCK_REALTIME alone and is not reported.

#include <functional>
#include <memory>

class QSocketNotifier;

namespace trovik {

class ClockWatch final {
public:
    // `onClockSet` runs on the event loop of the thread that made the watch,
    // once each time the loop finds the clock set; settings close together
    // may come as one call.
    explicit ClockWatch(std::function<void()> onClockSet);
    ~ClockWatch();

    ClockWatch(const ClockWatch&) = delete;
    ClockWatch& operator=(const ClockWatch&) = delete;

    // False when the timer could not be made or armed: nothing is reported.
    bool Armed() const { return notifier != nullptr; }

private:
    bool Arm();
    void ReadPending();

    std::function<void()> callback;
    int timerFd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

}  // namespace trovik
