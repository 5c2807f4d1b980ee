#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "stats/Calendar.h"
#include "stats/Charges.h"
#include "stats/Cumulative.h"
#include "stats/DataFiles.h"

namespace trovik {

// One billing period: the month before the closing month, from the closing
// day on. Month 0 is the previous December, read from records 0 to 30 of the
// closing year's file.
struct BillingPeriod {
    unsigned year = 0;         // the year whose file holds the period
    unsigned month = 0;        // the period's first month, 0 to 11 (0: previous December)
    unsigned closeDay = 10;    // 1 to 28
    unsigned firstRecord = 0;  // DayIndex(year, month, closeDay)
    unsigned days = 0;         // DaysInMonth(year, month)
    unsigned firstWeekday = 0;
};

// The period that closes in `closingMonth` (1 to 12) of `year` on `closeDay`.
BillingPeriod PeriodClosingIn(unsigned year, unsigned closingMonth, unsigned closeDay);

// Connected seconds and ended calls of the period's days, split into normal
// and discount hours by the weekday masks, the weekday running on from the
// period's first one.
ChargeSums SumPeriod(const CumulativeImage& image, const BillingPeriod& period,
                     const std::array<std::uint32_t, 7>& dow);

// The texts of the cumulative summary, exactly as shown, trailing blanks
// included.
struct PeriodSummary {
    ChargeEstimate estimate;
    std::uint64_t recvKB = 0;
    std::uint64_t sentKB = 0;
    std::string total;        // "%u時間%02u分 ", connect time rounded up to the minute
    std::string recv;         // "%I64u " with thousands separators
    std::string sent;         // likewise
    std::string normalMin;    // "%u ", minutes in normal hours, rounded up
    std::string discountMin;  // "%u ", minutes in discount hours, rounded up
    std::string normal;       // "%u±%u ", yen and margin
    std::string discount;
    std::string sum;
};

PeriodSummary SummarisePeriod(const CumulativeImage& image, const BillingPeriod& period,
                              const ChargeType& type);

// Inserts a comma before every further group of three digits, counting from
// the right end but leaving out one trailing blank: "1234567 " becomes
// "1,234,567 ".
std::string WithThousandsSeparators(std::string text);

// One entry of the list of billing periods: "2001年  4月〆分" and
// year × 100 + closing month.
struct PeriodEntry {
    std::string text;
    unsigned data = 0;
};

// The periods that can be shown: for every year from 2000 to 2099 with a
// file of its own, up to today, closing months 1 to 12 and the next year's
// January (listed once). Empty when no year has a file.
std::vector<PeriodEntry> ListBillingPeriods(const DataFiles& files, const LocalTime& today);

// The entry whose period holds today, for a closing day; nothing when none
// of the listed periods does.
std::optional<std::size_t> TodaysPeriod(const std::vector<PeriodEntry>& entries,
                                        const LocalTime& today, unsigned closeDay);

}  // namespace trovik
