#pragma once

#include <cstdint>

#include "stats/Calendar.h"

namespace trovik {

// Calendar time in whole seconds (the Unix epoch) and the system's tick count.
class Clock {
public:
    virtual ~Clock() = default;

    virtual std::int64_t Now() = 0;
    // Milliseconds since the system started, wrapping at 2^32.
    virtual std::uint32_t TickCount() = 0;
};

}  // namespace trovik
