#include "platform/ClockWatch.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <limits>

namespace trovik {

ClockWatch::ClockWatch(std::function<void()> onClockSet) : callback(std::move(onClockSet)) {
    timerFd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd < 0) {
        return;
    }
    if (!Arm()) {
        ::close(timerFd);
        timerFd = -1;
        return;
    }
    notifier = std::make_unique<QSocketNotifier>(timerFd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [this] { ReadPending(); });
}

ClockWatch::~ClockWatch() {
    notifier.reset();
    if (timerFd >= 0) {
        ::close(timerFd);
    }
}

bool ClockWatch::Arm() {
    // The kernel holds the time at the end of its range (in the 23rd
    // century): the timer is there to be cancelled, never to expire.
    itimerspec when{};
    when.it_value.tv_sec = std::numeric_limits<time_t>::max();
    return ::timerfd_settime(timerFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when,
                             nullptr) == 0;
}

void ClockWatch::ReadPending() {
    // A read that succeeds would be the timer expiring, which it cannot; one
    // that fails with EAGAIN was a wake-up with nothing to read.
    std::uint64_t expirations = 0;
    if (::read(timerFd, &expirations, sizeof expirations) < 0 && errno == ECANCELED) {
        // Armed again before the call, so that a setting made during it is
        // heard too.
        (void)Arm();
        callback();
    }
}

}  // namespace trovik
