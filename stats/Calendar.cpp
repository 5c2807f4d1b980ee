#include "stats/Calendar.h"

#include <array>
#include <ctime>

namespace trovik {
namespace {

// Days of a common year before the first of each month, January first.
constexpr std::array<unsigned, 12> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                       181, 212, 243, 273, 304, 334};

// Days from 1970-01-01 to the first of a month (1 to 12) of a proleptic
// Gregorian year, negative before it.
std::int64_t DaysFromEpoch(std::int64_t year, unsigned month) {
    // Count from March so the leap day is the last day of the counted year.
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    if (month < 1 || month > 12) {
        return 31;
    }
    if (month == 2) {
        return IsLeapYear(year) ? 29 : 28;
    }
    return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
}

unsigned DayIndex(unsigned year, unsigned month, unsigned day) {
    if (month < 1 || month > 12) {
        return day - 1;
    }
    const unsigned leapDay = month > 2 && IsLeapYear(year) ? 1 : 0;
    return 31 + kDaysBeforeMonth[month - 1] + leapDay + day - 1;
}

Date DateOfRecord(unsigned year, unsigned record) {
    // Records 0 to 30 hold the previous December.
    if (record < 31) {
        return {year - 1, 12, record + 1};
    }
    unsigned left = record - 31;
    for (unsigned month = 1; month <= 12; ++month) {
        if (left < DaysInMonth(year, month)) {
            return {year, month, left + 1};
        }
        left -= DaysInMonth(year, month);
    }
    return {year + 1, 1, left + 1};
}

unsigned WeekdayOf(unsigned year, unsigned month, unsigned day) {
    std::int64_t y = year;
    if (month < 1 || month > 12) {
        y -= 1;
        month = 12;
    }
    const std::int64_t days = DaysFromEpoch(y, month) + static_cast<std::int64_t>(day) - 1;
    // 1970-01-01 was a Thursday.
    return static_cast<unsigned>(((days + 4) % 7 + 7) % 7);
}

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
