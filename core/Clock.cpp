#include "core/Clock.h"

#include <ctime>

namespace trovik {

LocalTime ToLocalTime(std::int64_t t) {
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    LocalTime out;
    if (localtime_r(&tt, &tm) == nullptr) {
        return out;
    }
    out.year = static_cast<unsigned>(tm.tm_year + 1900);
    out.month = static_cast<unsigned>(tm.tm_mon + 1);
    out.day = static_cast<unsigned>(tm.tm_mday);
    out.hour = static_cast<unsigned>(tm.tm_hour);
    out.minute = static_cast<unsigned>(tm.tm_min);
    out.second = static_cast<unsigned>(tm.tm_sec);
    out.weekday = static_cast<unsigned>(tm.tm_wday);
    return out;
}

bool FromLocalTime(const LocalTime& local, std::int64_t& t) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(local.year) - 1900;
    tm.tm_mon = static_cast<int>(local.month) - 1;
    tm.tm_mday = static_cast<int>(local.day);
    tm.tm_hour = static_cast<int>(local.hour);
    tm.tm_min = static_cast<int>(local.minute);
    tm.tm_sec = static_cast<int>(local.second);
    tm.tm_isdst = -1;
    const std::time_t tt = std::mktime(&tm);
    if (tt == static_cast<std::time_t>(-1)) {
        return false;
    }
    // mktime normalises out-of-range fields; a date that changed did not exist.
    if (tm.tm_mday != static_cast<int>(local.day) ||
        tm.tm_mon != static_cast<int>(local.month) - 1) {
        return false;
    }
    t = static_cast<std::int64_t>(tt);
    return true;
}

}  // namespace trovik
