#include "stats/Calendar.h"

#include <gtest/gtest.h>

namespace trovik {
namespace {

TEST(Calendar, LeapYearRules) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(2001));
    EXPECT_TRUE(IsLeapYear(2004));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_EQ(DaysInMonth(1900, 2), 28u);
    EXPECT_EQ(DaysInMonth(2000, 2), 29u);
    EXPECT_EQ(DaysInMonth(2100, 2), 28u);
}

TEST(Calendar, DaysInEveryMonth) {
    const unsigned common[13] = {31, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (unsigned month = 0; month <= 12; ++month) {
        EXPECT_EQ(DaysInMonth(2001, month), common[month]) << "month " << month;
    }
    EXPECT_EQ(DaysInMonth(2001, 0), 31u) << "the previous December";
}

TEST(Calendar, DayIndexNumbersTheYearFileRecords) {
    EXPECT_EQ(DayIndex(2001, 1, 1), 31u);
    EXPECT_EQ(DayIndex(2001, 1, 31), 61u);
    EXPECT_EQ(DayIndex(2001, 2, 1), 62u);
    EXPECT_EQ(DayIndex(2000, 2, 29), 90u);
    EXPECT_EQ(DayIndex(2001, 3, 1), 90u);
    EXPECT_EQ(DayIndex(2000, 3, 1), 91u);
    EXPECT_EQ(DayIndex(2001, 12, 1), 365u);
    EXPECT_EQ(DayIndex(2001, 12, 31), 395u);
    EXPECT_EQ(DayIndex(2000, 12, 31), 396u);
    EXPECT_EQ(DayIndex(1900, 12, 31), 395u);
    EXPECT_EQ(DayIndex(2100, 3, 1), 90u);
}

TEST(Calendar, DayIndexOutsideTheYearAndUncheckedDays) {
    // Month 0 (the previous December) and months outside 1..12: day - 1.
    EXPECT_EQ(DayIndex(2001, 0, 1), 0u);
    EXPECT_EQ(DayIndex(2001, 0, 31), 30u);
    EXPECT_EQ(DayIndex(2001, 13, 5), 4u);
    // Day 31 of a 30-day month is the next month's first record.
    EXPECT_EQ(DayIndex(2001, 4, 31), DayIndex(2001, 5, 1));
    EXPECT_EQ(DayIndex(2001, 4, 31), 151u);
    // Day 30 of February in a common year lands on March 2.
    EXPECT_EQ(DayIndex(2001, 2, 30), 91u);
}

TEST(Calendar, WeekdaysOfKnownDates) {
    EXPECT_EQ(WeekdayOf(2001, 1, 1), 1u);    // Monday
    EXPECT_EQ(WeekdayOf(2000, 2, 29), 2u);   // Tuesday
    EXPECT_EQ(WeekdayOf(2000, 3, 1), 3u);    // Wednesday
    EXPECT_EQ(WeekdayOf(1970, 1, 1), 4u);    // Thursday
    EXPECT_EQ(WeekdayOf(1969, 12, 31), 3u);  // Wednesday, before the epoch
    EXPECT_EQ(WeekdayOf(1900, 3, 1), 4u);    // Thursday, after no leap day
    EXPECT_EQ(WeekdayOf(2100, 3, 1), 1u);    // Monday
    EXPECT_EQ(WeekdayOf(2000, 12, 31), 0u);  // Sunday
}

TEST(Calendar, WeekdayOfMonthZeroAndUncheckedDays) {
    // December 2000: the 1st was a Friday, the 31st a Sunday.
    EXPECT_EQ(WeekdayOf(2001, 0, 1), 5u);
    EXPECT_EQ(WeekdayOf(2001, 0, 31), 0u);
    // April 31 2001 is May 1, a Tuesday; day 0 of March 2000 is February 29.
    EXPECT_EQ(WeekdayOf(2001, 4, 31), 2u);
    EXPECT_EQ(WeekdayOf(2000, 3, 0), 2u);
}

}  // namespace
}  // namespace trovik
