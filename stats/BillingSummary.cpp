#include "stats/BillingSummary.h"

#include "res/TextFormat.h"

namespace trovik {
namespace {

constexpr unsigned kFirstYear = 2000;
constexpr unsigned kLastYear = 2099;

// Seconds to whole minutes, rounded up.
std::uint32_t MinutesUp(std::uint32_t seconds) {
    return (seconds + 59) / 60;
}

}  // namespace

BillingPeriod PeriodClosingIn(unsigned year, unsigned closingMonth, unsigned closeDay) {
    BillingPeriod p;
    p.year = year;
    p.month = closingMonth - 1;
    p.closeDay = closeDay;
    p.firstRecord = DayIndex(year, p.month, closeDay);
    p.days = DaysInMonth(year, p.month);
    p.firstWeekday = WeekdayOf(year, p.month, closeDay);
    return p;
}

ChargeSums SumPeriod(const CumulativeImage& image, const BillingPeriod& period,
                     const std::array<std::uint32_t, 7>& dow) {
    ChargeSums sums;
    unsigned weekday = period.firstWeekday % 7;
    for (unsigned i = 0; i < period.days; ++i) {
        const std::size_t record = period.firstRecord + i;
        if (record >= kDayRecords) {
            break;
        }
        const ConstDayRecord day = image.Record(record);
        const std::uint32_t mask = dow[weekday];
        for (std::size_t h = 0; h < kHoursPerDay; ++h) {
            const ConstHourEntry hour = day.Hour(h);
            if ((mask >> h) & 1u) {
                sums.discountSeconds += hour.Seconds();
                sums.discountCalls += hour.Connections();
            } else {
                sums.normalSeconds += hour.Seconds();
                sums.normalCalls += hour.Connections();
            }
        }
        weekday = (weekday + 1) % 7;
    }
    return sums;
}

std::string WithThousandsSeparators(std::string text) {
    for (std::size_t k = 4; k < text.size(); k += 4) {
        text.insert(text.size() - k, 1, ',');
    }
    return text;
}

PeriodSummary SummarisePeriod(const CumulativeImage& image, const BillingPeriod& period,
                              const ChargeType& type) {
    PeriodSummary s;
    const ChargeSums sums = SumPeriod(image, period, type.dow);
    s.estimate = EstimateCharge(sums, type);
    for (unsigned i = 0; i < period.days; ++i) {
        const std::size_t record = period.firstRecord + i;
        if (record >= kDayRecords) {
            break;
        }
        s.recvKB += image.Record(record).RecvKB();
        s.sentKB += image.Record(record).SentKB();
    }
    const std::uint32_t minutes = MinutesUp(sums.normalSeconds + sums.discountSeconds);
    s.total = FormatText("%u時間%02u分 ", {minutes / 60, minutes % 60});
    s.recv = WithThousandsSeparators(FormatText("%I64u ", {s.recvKB}));
    s.sent = WithThousandsSeparators(FormatText("%I64u ", {s.sentKB}));
    s.normalMin = FormatText("%u ", {MinutesUp(sums.normalSeconds)});
    s.discountMin = FormatText("%u ", {MinutesUp(sums.discountSeconds)});
    const ChargeEstimate& e = s.estimate;
    s.normal = FormatText("%u±%u ", {e.normalAmount, e.normalMargin});
    s.discount = FormatText("%u±%u ", {e.discountAmount, e.discountMargin});
    s.sum = FormatText("%u±%u ", {e.totalAmount, e.totalMargin});
    return s;
}

std::vector<PeriodEntry> ListBillingPeriods(const DataFiles& files, const LocalTime& today) {
    std::vector<PeriodEntry> entries;
    bool previousYearListed = false;
    CumulativeImage image;
    for (unsigned year = kFirstYear; year <= kLastYear; ++year) {
        const bool exists = ReadCumulativeYear(files, year, image);
        if (exists && year <= today.year) {
            // January of this year was already listed as the 13th entry of
            // the year before when that year has a file too.
            for (unsigned i = previousYearListed ? 2 : 1; i <= 13; ++i) {
                if (year == today.year && i > today.month + 1) {
                    break;
                }
                const unsigned y = i == 13 ? year + 1 : year;
                const unsigned m = i == 13 ? 1 : i;
                entries.push_back({FormatText("%04u年 %2u月〆分", {y, m}), y * 100 + m});
            }
        }
        previousYearListed = exists;
    }
    return entries;
}

std::optional<std::size_t> TodaysPeriod(const std::vector<PeriodEntry>& entries,
                                        const LocalTime& today, unsigned closeDay) {
    unsigned year = today.year;
    unsigned month = today.month;
    if (month == 12 && today.day >= closeDay) {
        year += 1;
        month = 0;
    }
    const unsigned target = DayIndex(year, month, today.day);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const unsigned y = entries[i].data / 100;
        const unsigned m = entries[i].data % 100;
        if (y != year) {
            continue;
        }
        const unsigned first = DayIndex(y, m - 1, closeDay);
        if (first <= target && target < first + DaysInMonth(y, m - 1)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace trovik
