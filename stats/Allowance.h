#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "stats/BillingSummary.h"
#include "stats/Calendar.h"
#include "stats/Cumulative.h"

namespace trovik {

// The billing period that holds a local date: from the closing day of this
// month when the date is on or after it, else from the closing day of the
// month before. It is the period the cumulative info's "今月分" selects.
BillingPeriod CurrentBillingPeriod(const LocalTime& date, unsigned closeDay);

// Whether two periods are the same stretch of days counted the same way.
bool SamePeriod(const BillingPeriod& a, const BillingPeriod& b);

// The first and the last day of a period, both its own.
Date PeriodFirstDay(const BillingPeriod& period);
Date PeriodLastDay(const BillingPeriod& period);

// Where a day lies in a period: the days gone by with it (1 on the first
// day, `total` on the last) and the period's length. A day outside the
// period counts as its first or its last day, whichever is nearer; the
// meter may look at the time for a few seconds after a new period began
// before it counts the new one. All zero for a period of no days.
struct PeriodDays {
    unsigned elapsed = 0;
    unsigned total = 0;
};
PeriodDays DaysOfPeriod(const BillingPeriod& period, const LocalTime& today);

// Today's budget: what is left of the allowance divided by the days left,
// today and the period's last day counted; 0 once the allowance is used
// up, and without an allowance or days.
std::uint64_t TodaysBudgetKB(std::uint64_t usedKB, std::uint64_t quotaKB, PeriodDays days);

// The use the period ends with at the pace so far: the use divided by the
// days gone by (today counted), times the period's days; 0 without days.
std::uint64_t ProjectedUseKB(std::uint64_t usedKB, PeriodDays days);

// "今日の目安 あと 85.33 MB" and "期末見込み 4.28 GB"; both empty without an
// allowance or days.
std::size_t AllowanceBudgetInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                                std::uint32_t quotaMB, PeriodDays days);
std::size_t AllowanceProjectionInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                                    std::uint32_t quotaMB, PeriodDays days);

// Kilobytes received plus sent on the period's days of a year image.
std::uint64_t PeriodTransferKB(const CumulativeImage& image, const BillingPeriod& period);

// The period's use as recorded in the year files (the closing year's file,
// with the previous December taken from the year before).
std::uint64_t ReadPeriodTransferKB(const DataFiles& files, const BillingPeriod& period);

// used × 100 ÷ allowance, truncated and not capped; 0 without an allowance.
std::uint32_t AllowancePercent(std::uint64_t usedKB, std::uint64_t quotaKB);

// An amount of kilobytes for people, in binary units with at most two
// decimals, trailing zeros dropped: "512 KB", "1.5 MB", "1.23 GB", "3 GB".
// Truncated, never rounded up, so a use just below the allowance never reads
// as the allowance. Writes at most capacity - 1 bytes and a zero; returns
// the length.
std::size_t FormatDataAmountInto(char* out, std::size_t capacity, std::uint64_t kb);

// A number that changes exactly when FormatDataAmountInto's text does, so
// that a text is made only when it would read differently.
std::uint64_t ShownDataAmount(std::uint64_t kb);

// The use of the period: "1.23 GB / 3 GB (41 %)" with an allowance, "1.23 GB"
// without one. The settings page's "current use" and the tray tip show it.
std::size_t AllowanceUseInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                             std::uint32_t quotaMB);
std::string AllowanceUseText(std::uint64_t usedKB, std::uint32_t quotaMB);

// The tray icon's tip: the program's title, and with an allowance " — " and
// the use, then today's budget and the projection on a line each:
// "Vemaro — 1.23 GB / 3 GB (41 %)\n今日の目安 あと 85.33 MB\n期末見込み 4.28 GB".
// Without days (`days.total` 0) the use alone. Cut on a whole character.
std::size_t TrayTipInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                        std::uint32_t quotaMB, PeriodDays days);

}  // namespace trovik
