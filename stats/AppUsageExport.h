#pragma once

#include <string>
#include <vector>

#include "stats/AppUsageDb.h"
#include "stats/Calendar.h"
#include "stats/RecordsExport.h"

namespace trovik {

// The usage per application as a terminal shows it and scripts read it.

// The billing period's rows (as ArrangeAppUsage leaves them): a heading
// with the period's dates, one line per application with its bytes received
// and sent, the unattributed row last, and the total, which is the counted
// links' own.
std::string AppUsageReportText(const std::vector<AppUsageRow>& rows, unsigned closingYear,
                               unsigned closingMonth, const Date& first, const Date& last,
                               unsigned days);

// Every day of the rows in date order. CSV: a header line, then date, key,
// name, bytes received and sent (the unattributed row with an empty key);
// JSON: {"year": Y, "days": [{"date": ..., "apps": [{"key", "name",
// "received", "sent"}, ...]}, ...]}. LF line ends.
std::string ExportAppUsage(const std::vector<AppUsageDayRow>& days, unsigned year,
                           ExportFormat format);

}  // namespace trovik
