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
// the use: "Vemaro — 1.23 GB / 3 GB (41 %)".
std::size_t TrayTipInto(char* out, std::size_t capacity, std::uint64_t usedKB,
                        std::uint32_t quotaMB);

}  // namespace trovik
