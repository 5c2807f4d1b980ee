#pragma once

#include <cstdint>

namespace trovik {

// Calendar time in whole seconds (the Unix epoch) and the system's tick count.
class Clock {
public:
    virtual ~Clock() = default;

    virtual std::int64_t Now() = 0;
    // Milliseconds since the system started, wrapping at 2^32.
    virtual std::uint32_t TickCount() = 0;
};

// A calendar time broken down in local time (the TZ rules of the process).
struct LocalTime {
    unsigned year = 1970;
    unsigned month = 1;  // 1 to 12
    unsigned day = 1;    // 1 to 31
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    unsigned weekday = 4;  // 0 = Sunday
};

LocalTime ToLocalTime(std::int64_t t);

// The calendar time of a local date and time; false when it does not exist.
bool FromLocalTime(const LocalTime& local, std::int64_t& t);

}  // namespace trovik
