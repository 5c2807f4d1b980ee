#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/BillingSummary.h"
#include "stats/Calendar.h"
#include "stats/Charges.h"
#include "stats/Cumulative.h"
#include "stats/DataFiles.h"

namespace trovik {

// The records as a terminal shows them and scripts read them: a billing
// period's summary, and a year's days as CSV or JSON. Only reads.

// Reads a year's file for the terminal commands: true when it exists, has
// the format's size and could be read. Otherwise `error` says what is wrong
// with which file (missing, unreadable, or damaged: another size).
bool ReadYearFileChecked(const DataFiles& files, unsigned year, CumulativeImage& image,
                         std::string& error);

// A file that is there but is not a year file of the right size, or cannot
// be read; empty when the file is missing or fine.
std::string YearFileDamage(const DataFiles& files, unsigned year);

enum class ExportFormat : std::uint8_t { Csv, Json };

// Appends a number in decimal, as the exports write every figure.
void AppendNumber(std::string& out, std::uint64_t n);

// Every day of the year's own records (the copied December of the year
// before left out) that holds anything, in date order. CSV: a header line,
// then date, connected seconds, received KB, sent KB, ended connections,
// and each hour's seconds and connections; JSON: {"year": Y, "days": [...]}
// with the same numbers and the hours as 24 [seconds, connections] pairs.
// LF line ends.
std::string ExportYear(const CumulativeImage& image, unsigned year, ExportFormat format);

// A charge type with its name, as the cumulative info lists it.
struct NamedChargeType {
    unsigned number = 0;
    ChargeType type;
};

// The summary of the period that closes in `closingMonth` of `closingYear`:
// its dates, connect time, kilobytes received and sent, the allowance used
// when one is set (quotaMB non-zero), and per charge type the minutes in
// normal and discount hours and the estimate, all as the cumulative info
// computes and shows them.
std::string PeriodReportText(const CumulativeImage& image, unsigned closingYear,
                             unsigned closingMonth, unsigned closeDay,
                             const std::vector<NamedChargeType>& types, std::uint32_t quotaMB);

}  // namespace trovik
