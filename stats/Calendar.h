#pragma once

#include <cstdint>

namespace trovik {

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

// Calendar helpers on which the cumulative files' day numbering and the
// billing periods rest. Gregorian calendar: a leap year is divisible by 4 and
// not by 100, or divisible by 400. Month 0 stands for December of the year
// before; so does any month outside 1 to 12.

bool IsLeapYear(unsigned year);

// Days of the month: 28 or 29 for February, 31 for month 0 (the previous
// December).
unsigned DaysInMonth(unsigned year, unsigned month);

// The record number of a date in the year's cumulative file: records 0 to 30
// are December 1 to 31 of the year before, record 31 is January 1, and every
// later day takes the next record (December 31 is 395, or 396 in a leap
// year). For month 0 the result is day - 1. The day is not checked: day 31 of
// a 30-day month gives the record of the next month's first day, which the
// billing-period arithmetic relies on. Unsigned: day 0 of month 0 wraps.
unsigned DayIndex(unsigned year, unsigned month, unsigned day);

// The weekday of a date, 0 = Sunday to 6 = Saturday. The day is not checked
// either: it counts on from the month's first day (day 0 is the day before).
unsigned WeekdayOf(unsigned year, unsigned month, unsigned day);

// A calendar date.
struct Date {
    unsigned year = 0;
    unsigned month = 0;  // 1 to 12
    unsigned day = 0;
};

// The date a record of a year's file stands for (records 0 to 30: December
// of the year before); nothing useful for records past the year's end.
Date DateOfRecord(unsigned year, unsigned record);

}  // namespace trovik
