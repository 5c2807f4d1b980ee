#pragma once

// The cumulative info's chart of one billing period, apart from any window:
// one column per day in four views, painted over a rectangle of any paint
// device, and the labels that depend only on numbers.

#include <QColor>
#include <QFont>
#include <QRect>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "stats/BillingSummary.h"
#include "stats/Charges.h"
#include "stats/Cumulative.h"

class QPainter;

namespace trovik {

// The four views of the chart (ChartMode).
enum ChartView : unsigned {
    kConnectTimeView = 0,  // connect seconds per day, discount hours below
    kTransferView = 1,     // received and sent KB per day
    kHourOfDayView = 2,    // connect seconds per hour of each day
    kChargeRunView = 3,    // the running estimate of every shown type
};
inline constexpr unsigned kChartViews = 4;

// Scale steps run from 1 to 11; a larger step is a larger full scale, and a
// step above 11 counts as 11 (0 as 1).
inline constexpr unsigned kLargestScaleStep = 11;

// The full scale of a view at a step: seconds (views 0 and 2), KB (view 1)
// or yen (view 3).
std::uint32_t FullScale(unsigned view, unsigned step);

// The smallest step whose full scale holds `largest`; 12 (drawn as 11) when
// none does.
unsigned BestScaleStep(unsigned view, std::uint64_t largest);

// The texts of the labels beside the chart's top and middle; empty for the
// views that label themselves inside the chart.
struct ScaleLabels {
    std::string full;
    std::string half;
    bool operator==(const ScaleLabels&) const = default;
};
ScaleLabels SideScaleLabels(unsigned view, std::uint32_t fullScale);

// The transfer view's own axis label for a number of KB: "%uKB", "%uMB" or
// "%uGB".
std::string TransferAxisLabel(std::uint32_t kb);

// The label under day `i` of a period: its day of the month, counted from
// the closing day and wrapping to 1 after the first month's end, and the
// month number, shown for the first day and every first of a month.
struct DayLabel {
    unsigned day = 0;
    unsigned month = 0;  // 1 to 12
    bool showMonth = false;
    bool operator==(const DayLabel&) const = default;
};
DayLabel PeriodDayLabel(const BillingPeriod& period, unsigned i);

// The line colour of the type at `position` in the list of shown types;
// black from the seventh on, which gets no line.
QColor ChargeLineColour(std::size_t position);
inline constexpr std::size_t kChargeLines = 6;

// The chart's small sans font, about 6 pixels per character.
QFont ChartFont();

inline constexpr std::int64_t kNoLastRecord = INT64_MAX;

// What the chart shows.
struct CumulativeChart {
    const CumulativeImage* image = nullptr;
    BillingPeriod period;
    unsigned view = kConnectTimeView;
    std::uint32_t fullScale = 1;
    // Discount hours of the selected type per weekday; all zero when no type
    // is selected, which counts every hour as a normal one.
    std::array<std::uint32_t, 7> discountHours{};
    // The shown types in the order of their list (view 3).
    std::span<const ChargeType> shownTypes;
    // View 3's lines stop after this record of the image (today's);
    // negative: they draw nothing after the fee's start point.
    std::int64_t lastRecord = kNoLastRecord;
};

// Paints the chart over `area` (black, the plot 2 pixels in from the left
// and 8 down from the top, day labels at the bottom) and returns the largest
// value the view drew, for "最適". Draws nothing outside `area`.
std::uint64_t PaintCumulativeChart(QPainter& painter, const QRect& area,
                                   const CumulativeChart& chart);

// The last record of `year`'s image that is not after `today`: every record
// for an earlier year, today's record for this year, and for next year's
// image the days of its previous December up to today (-1 when today lies
// before all of them).
std::int64_t LastRecordUpTo(unsigned year, const LocalTime& today);

}  // namespace trovik
