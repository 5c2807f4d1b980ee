#include "ui/charts/CumulativeChart.h"

#include <QPainter>
#include <QPen>
#include <QString>
#include <algorithm>
#include <string_view>

#include "res/TextFormat.h"
#include "stats/Calendar.h"

namespace trovik {
namespace {

constexpr std::array<std::uint32_t, kLargestScaleStep> kSecondScales{
    240, 600, 1200, 1800, 2400, 3600, 7200, 14400, 28800, 43200, 86400};
constexpr std::array<std::uint32_t, kLargestScaleStep> kKilobyteScales{
    16384, 32768, 65536, 131072, 262144, 524288, 1048576, 2097152, 4194304, 8388608, 16777216};
constexpr std::array<std::uint32_t, kLargestScaleStep> kYenScales{
    2000, 4000, 6000, 8000, 10000, 12000, 14000, 20000, 40000, 80000, 160000};

constexpr int kColumnPlaces = 31;
constexpr int kPlotLeftInset = 2;
constexpr int kPlotTopInset = 8;
constexpr int kOverflowBlock = 8;
constexpr std::uint32_t kSecondsPerHour = 3600;

const QColor kGrid(96, 96, 96);

// A bright colour for Sundays and Mondays, a dark one for the other days.
struct DayColour {
    QColor bright;
    QColor dark;
    const QColor& For(unsigned weekday) const { return weekday <= 1 ? bright : dark; }
};
const DayColour kDiscountBar{QColor(0, 255, 0), QColor(0, 192, 0)};
const DayColour kNormalBar{QColor(255, 0, 0), QColor(192, 0, 0)};
const DayColour kRecvBar{QColor(0, 255, 0), QColor(0, 192, 0)};
const DayColour kSentBar{QColor(0, 0, 255), QColor(0, 0, 192)};
const DayColour kOverflow{QColor(255, 255, 0), QColor(192, 192, 0)};

// The plot inside the chart area, as edges (right and bottom exclusive).
struct Plot {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }

    int ColumnLeft(unsigned i) const {
        return left + Width() * static_cast<int>(i) / kColumnPlaces;
    }
    int ColumnRight(unsigned i) const { return ColumnLeft(i + 1) - 2; }

    // The height of a bar of `value`: in proportion, or the whole plot from
    // the full scale on.
    int BarHeight(std::uint64_t value, std::uint32_t fullScale) const {
        if (value >= fullScale) {
            return Height();
        }
        return static_cast<int>(static_cast<std::uint64_t>(Height()) * value / fullScale);
    }
};

void Fill(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour) {
    if (right > left && bottom > top) {
        painter.fillRect(QRect(left, top, right - left, bottom - top), colour);
    }
}

void DrawText(QPainter& painter, int x, int y, const std::string& text) {
    painter.drawText(QRect(x, y, 400, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void DrawGrid(QPainter& painter, const Plot& plot) {
    for (int k = 0; k < 4; ++k) {
        const int y = plot.top + k * plot.Height() / 4;
        Fill(painter, plot.left, y, plot.right, y + 1, kGrid);
    }
}

// Day i of the period as a record of the image, or nothing past its end.
bool DayRecordOf(const CumulativeChart& chart, unsigned i, std::size_t& record) {
    record = static_cast<std::size_t>(chart.period.firstRecord) + i;
    return i < chart.period.days && record < kDayRecords;
}

unsigned WeekdayOfDay(const CumulativeChart& chart, unsigned i) {
    return (chart.period.firstWeekday + i) % 7;
}

// A bar standing on the plot's bottom from `below` up to `value`, with the
// overflow block above the plot when the value passes the full scale.
void StackedBar(QPainter& painter, const Plot& plot, int x0, int x1, std::uint64_t below,
                std::uint64_t value, std::uint32_t fullScale, const QColor& colour) {
    const int from = plot.bottom - plot.BarHeight(below, fullScale);
    const int to = plot.bottom - plot.BarHeight(value, fullScale);
    Fill(painter, x0, to, x1, from, colour);
}

void Overflow(QPainter& painter, const Plot& plot, int x0, int x1, std::uint64_t value,
              std::uint32_t fullScale, unsigned weekday) {
    if (value > fullScale) {
        Fill(painter, x0, plot.top - kOverflowBlock, x1, plot.top, kOverflow.For(weekday));
    }
}

std::uint64_t PaintConnectTime(QPainter& painter, const Plot& plot, const CumulativeChart& chart) {
    DrawGrid(painter, plot);
    std::uint64_t largest = 0;
    std::size_t record = 0;
    for (unsigned i = 0; DayRecordOf(chart, i, record); ++i) {
        const unsigned weekday = WeekdayOfDay(chart, i);
        const std::uint32_t mask = chart.discountHours[weekday];
        const ConstDayRecord day = chart.image->Record(record);
        std::uint64_t discount = 0;
        std::uint64_t normal = 0;
        for (std::size_t h = 0; h < kHoursPerDay; ++h) {
            const std::uint32_t seconds =
                std::min<std::uint32_t>(day.Hour(h).Seconds(), kSecondsPerHour);
            ((mask >> h) & 1u ? discount : normal) += seconds;
        }
        const std::uint64_t sum = discount + normal;
        largest = std::max(largest, sum);
        const int x0 = plot.ColumnLeft(i);
        const int x1 = plot.ColumnRight(i);
        StackedBar(painter, plot, x0, x1, 0, discount, chart.fullScale, kDiscountBar.For(weekday));
        StackedBar(painter, plot, x0, x1, discount, sum, chart.fullScale, kNormalBar.For(weekday));
        Overflow(painter, plot, x0, x1, sum, chart.fullScale, weekday);
    }
    return largest;
}

std::uint64_t PaintTransfer(QPainter& painter, const Plot& plot, const CumulativeChart& chart) {
    DrawGrid(painter, plot);
    std::uint64_t largest = 0;
    std::size_t record = 0;
    for (unsigned i = 0; DayRecordOf(chart, i, record); ++i) {
        const unsigned weekday = WeekdayOfDay(chart, i);
        const ConstDayRecord day = chart.image->Record(record);
        largest = std::max<std::uint64_t>({largest, day.RecvKB(), day.SentKB()});
        const int x0 = plot.ColumnLeft(i);
        const int x1 = plot.ColumnRight(i);
        const int middle = x1 - (x1 - x0) / 2;
        StackedBar(painter, plot, x0, middle, 0, day.RecvKB(), chart.fullScale,
                   kRecvBar.For(weekday));
        Overflow(painter, plot, x0, middle, day.RecvKB(), chart.fullScale, weekday);
        StackedBar(painter, plot, middle, x1, 0, day.SentKB(), chart.fullScale,
                   kSentBar.For(weekday));
        Overflow(painter, plot, middle, x1, day.SentKB(), chart.fullScale, weekday);
    }
    for (std::uint32_t i = 1; i <= 2; ++i) {
        DrawText(painter, plot.left, plot.bottom - plot.Height() / static_cast<int>(i) - 5,
                 TransferAxisLabel(chart.fullScale / i));
    }
    return largest;
}

std::uint64_t PaintHourOfDay(QPainter& painter, const Plot& plot, const CumulativeChart& chart) {
    std::size_t record = 0;
    for (unsigned i = 0; DayRecordOf(chart, i, record); ++i) {
        const std::uint32_t mask = chart.discountHours[WeekdayOfDay(chart, i)];
        const ConstDayRecord day = chart.image->Record(record);
        const int x0 = plot.ColumnLeft(i);
        const int x1 = plot.ColumnRight(i);
        for (unsigned h = 0; h < kHoursPerDay; ++h) {
            const std::uint32_t seconds = day.Hour(h).Seconds();
            const int c = seconds == 0 ? 0
                          : seconds <= kSecondsPerHour
                              ? static_cast<int>(127 + seconds * 128 / kSecondsPerHour)
                              : 255;
            const QColor colour = (mask >> h) & 1u ? QColor(0, c, 0) : QColor(c, 0, 0);
            const int y0 = plot.bottom - static_cast<int>(h + 1) * plot.Height() / 24;
            const int y1 = plot.bottom - static_cast<int>(h) * plot.Height() / 24;
            Fill(painter, x0, y0, x1, y1, colour);
        }
    }
    DrawGrid(painter, plot);
    return 0;
}

// A y for the running estimate, kept within a range the paint engine takes;
// the area's clip cuts it.
qreal EstimateY(const Plot& plot, std::uint64_t yen, std::uint32_t fullScale) {
    const std::uint64_t rise = static_cast<std::uint64_t>(plot.Height()) * yen / fullScale;
    return plot.bottom - static_cast<qreal>(std::min<std::uint64_t>(rise, 1u << 20));
}

std::uint64_t PaintChargeRun(QPainter& painter, const Plot& plot, const CumulativeChart& chart) {
    DrawGrid(painter, plot);
    std::uint64_t largest = 0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const std::size_t lines = std::min(chart.shownTypes.size(), kChargeLines);
    for (std::size_t p = 0; p < lines; ++p) {
        const ChargeType& type = chart.shownTypes[p];
        painter.setPen(QPen(ChargeLineColour(p), 2, Qt::SolidLine));
        QPointF from(plot.left, EstimateY(plot, type.freeToll, chart.fullScale));
        ChargeSums running;
        std::size_t record = 0;
        for (unsigned i = 0; DayRecordOf(chart, i, record); ++i) {
            if (static_cast<std::int64_t>(record) > chart.lastRecord) {
                break;
            }
            BillingPeriod oneDay = chart.period;
            oneDay.firstRecord = static_cast<unsigned>(record);
            oneDay.days = 1;
            oneDay.firstWeekday = WeekdayOfDay(chart, i);
            const ChargeSums day = SumPeriod(*chart.image, oneDay, type.dow);
            running.normalSeconds += day.normalSeconds;
            running.normalCalls += day.normalCalls;
            running.discountSeconds += day.discountSeconds;
            running.discountCalls += day.discountCalls;
            const std::uint32_t estimate = EstimateCharge(running, type).totalAmount;
            largest = std::max<std::uint64_t>(largest, estimate);
            const int x =
                plot.left + (plot.Width() * static_cast<int>(i) + plot.Width() / 2) / kColumnPlaces;
            const QPointF to(x, EstimateY(plot, estimate, chart.fullScale));
            painter.drawLine(from, to);
            from = to;
        }
    }
    painter.restore();
    DrawText(painter, plot.left, plot.top - 5, FormatText("%u", {chart.fullScale}));
    DrawText(painter, plot.left, plot.bottom - plot.Height() / 2 - 5,
             FormatText("%u", {chart.fullScale / 2}));
    return largest;
}

void PaintDayLabels(QPainter& painter, const Plot& plot, const CumulativeChart& chart) {
    const unsigned days = std::min<unsigned>(chart.period.days, kColumnPlaces);
    for (unsigned i = 0; i < days; ++i) {
        const DayLabel label = PeriodDayLabel(chart.period, i);
        const int x = plot.ColumnLeft(i);
        DrawText(painter, x, plot.bottom - 14, FormatText("%2u", {label.day}));
        if (label.showMonth) {
            DrawText(painter, x - 2, plot.bottom - 24, FormatText("%2u", {label.month}));
        }
    }
}

}  // namespace

std::uint32_t FullScale(unsigned view, unsigned step) {
    const std::size_t i = std::clamp(step, 1u, kLargestScaleStep) - 1;
    switch (view) {
        case kTransferView:
            return kKilobyteScales[i];
        case kChargeRunView:
            return kYenScales[i];
        default:
            return kSecondScales[i];
    }
}

unsigned BestScaleStep(unsigned view, std::uint64_t largest) {
    for (unsigned step = 1; step <= kLargestScaleStep; ++step) {
        if (FullScale(view, step) >= largest) {
            return step;
        }
    }
    return kLargestScaleStep + 1;
}

ScaleLabels SideScaleLabels(unsigned view, std::uint32_t fullScale) {
    switch (view) {
        case kConnectTimeView:
            if (fullScale <= 3600) {
                return {FormatText("%um", {fullScale / 60}), FormatText("%um", {fullScale / 120})};
            }
            return {FormatText("%uh", {fullScale / 3600}), FormatText("%uh", {fullScale / 7200})};
        case kHourOfDayView:
            return {"24", "12"};
        default:
            return {};
    }
}

std::string TransferAxisLabel(std::uint32_t kb) {
    if (kb >= 1048576) {
        return FormatText("%uGB", {kb / 1048576});
    }
    if (kb >= 1024) {
        return FormatText("%uMB", {kb / 1024});
    }
    return FormatText("%uKB", {kb});
}

DayLabel PeriodDayLabel(const BillingPeriod& period, unsigned i) {
    // The period's first month: 0 stands for the previous December.
    const unsigned firstMonth = period.month == 0 || period.month > 12 ? 12 : period.month;
    const unsigned firstMonthDays = DaysInMonth(period.year, period.month);
    DayLabel label;
    label.day = period.closeDay + i;
    label.month = firstMonth;
    if (label.day > firstMonthDays) {
        label.day -= firstMonthDays;
        label.month = firstMonth % 12 + 1;
    }
    label.showMonth = i == 0 || label.day == 1;
    return label;
}

QColor ChargeLineColour(std::size_t position) {
    static const std::array<QColor, kChargeLines> kLines{QColor(255, 0, 0),   QColor(0, 0, 255),
                                                         QColor(0, 255, 0),   QColor(255, 255, 0),
                                                         QColor(255, 0, 255), QColor(0, 255, 255)};
    return position < kLines.size() ? kLines[position] : QColor(0, 0, 0);
}

QFont ChartFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(9);
    return font;
}

std::uint64_t PaintCumulativeChart(QPainter& painter, const QRect& area,
                                   const CumulativeChart& chart) {
    if (area.isEmpty()) {
        return 0;
    }
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, Qt::black);
    const Plot plot{area.left() + kPlotLeftInset, area.top() + kPlotTopInset,
                    area.left() + area.width(), area.top() + area.height()};
    std::uint64_t largest = 0;
    if (chart.image != nullptr && plot.Width() > 0 && plot.Height() > 0) {
        CumulativeChart drawn = chart;
        drawn.fullScale = std::max<std::uint32_t>(chart.fullScale, 1);
        painter.setFont(ChartFont());
        painter.setPen(Qt::white);
        switch (chart.view) {
            case kTransferView:
                largest = PaintTransfer(painter, plot, drawn);
                break;
            case kHourOfDayView:
                largest = PaintHourOfDay(painter, plot, drawn);
                break;
            case kChargeRunView:
                largest = PaintChargeRun(painter, plot, drawn);
                break;
            default:
                largest = PaintConnectTime(painter, plot, drawn);
                break;
        }
        painter.setPen(Qt::white);
        PaintDayLabels(painter, plot, drawn);
    }
    painter.restore();
    return largest;
}

std::int64_t LastRecordUpTo(unsigned year, const LocalTime& today) {
    if (year < today.year) {
        return kNoLastRecord;
    }
    if (year == today.year) {
        return DayIndex(today.year, today.month, today.day);
    }
    if (year == today.year + 1 && today.month == 12) {
        return static_cast<std::int64_t>(today.day) - 1;
    }
    return -1;
}

}  // namespace trovik
