#pragma once

#include <cstdint>

#include "stats/Calendar.h"

namespace trovik {

// The three clocks of one moment, in milliseconds: the wall clock (the Unix
// epoch; it can be set), a monotonic clock that stands still while the
// machine sleeps, and the time since boot, sleep included. Between two
// readings, boot time outrunning monotonic time is a sleep; wall time
// moving apart from boot time is a change of the clock.
struct ClockReading {
    std::int64_t wallMs = 0;
    std::int64_t monotonicMs = 0;
    std::int64_t bootMs = 0;
};

// Calendar time in whole seconds (the Unix epoch) and the system's tick count.
class Clock {
public:
    virtual ~Clock() = default;

    virtual std::int64_t Now() = 0;
    // Milliseconds since the system started, wrapping at 2^32.
    virtual std::uint32_t TickCount() = 0;

    // All three clocks at once; false from a clock that keeps calendar time
    // only, for which the meter cannot tell a pause or a change of the clock.
    virtual bool Read(ClockReading&) { return false; }
};

}  // namespace trovik
