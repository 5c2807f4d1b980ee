#include "stats/Allowance.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace trovik {
namespace {

using CalendarDate = ::trovik::Date;

std::string DateText(const CalendarDate& d) {
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

LocalTime Date(unsigned y, unsigned m, unsigned d) {
    LocalTime t;
    t.year = y;
    t.month = m;
    t.day = d;
    return t;
}

TEST(BillingPeriodOfDate, IsThePeriodThatHoldsTheDate) {
    struct Case {
        LocalTime date;
        unsigned closeDay;
        unsigned year;  // the file that holds the period
        unsigned firstRecord;
        unsigned days;
    };
    const Case cases[] = {
        // 10 November to 9 December: 31 + 304 + 9.
        {Date(2026, 12, 7), 10, 2026, 344, 30},
        // On the closing day the next period begins, in the previous
        // December of the next year's file.
        {Date(2026, 12, 10), 10, 2027, 9, 31},
        {Date(2027, 1, 9), 10, 2027, 9, 31},
        {Date(2027, 1, 10), 10, 2027, 40, 31},
        // Closing day 1: the calendar month; February of a leap year.
        {Date(2028, 2, 29), 1, 2028, 62, 29},
        {Date(2026, 3, 27), 28, 2026, 89, 28},
        {Date(2026, 12, 31), 28, 2027, 27, 31},
    };
    for (const Case& c : cases) {
        const BillingPeriod p = CurrentBillingPeriod(c.date, c.closeDay);
        EXPECT_EQ(p.year, c.year) << c.date.month << "/" << c.date.day;
        EXPECT_EQ(p.firstRecord, c.firstRecord) << c.date.month << "/" << c.date.day;
        EXPECT_EQ(p.days, c.days) << c.date.month << "/" << c.date.day;
        EXPECT_TRUE(SamePeriod(p, CurrentBillingPeriod(c.date, c.closeDay)));
    }
    EXPECT_FALSE(SamePeriod(CurrentBillingPeriod(Date(2026, 12, 7), 10),
                            CurrentBillingPeriod(Date(2026, 12, 7), 11)));
}

TEST(BillingPeriodOfDate, TransferSumsOnlyThePeriodsDays) {
    CumulativeImage image;
    image.Record(8).SetRecvKB(1000);  // 9 December: the period before
    image.Record(9).SetRecvKB(5);     // 10 December
    image.Record(9).SetSentKB(0xFFFFFFFF);
    image.Record(39).SetSentKB(7);     // 9 January
    image.Record(40).SetRecvKB(1000);  // 10 January: the period after
    const BillingPeriod p = CurrentBillingPeriod(Date(2027, 1, 1), 10);
    EXPECT_EQ(PeriodTransferKB(image, p), 5u + 0xFFFFFFFFull + 7u) << "summed in 64 bits";
}

TEST(DataAmountText, BinaryUnitsWithTwoDecimalsCutNotRounded) {
    struct Case {
        std::uint64_t kb;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 KB"},       {1023, "1023 KB"},       {1024, "1 MB"},
        {1536, "1.5 MB"},  {1034, "1 MB"},           // 1.0097...
        {1035, "1.01 MB"}, {1048575, "1023.99 MB"},  // just below a GiB never reads as one
        {1048576, "1 GB"}, {1289750, "1.23 GB"},    {17179869184ull, "16384 GB"},
    };
    for (const Case& c : cases) {
        std::array<char, 32> buf{};
        const std::size_t n = FormatDataAmountInto(buf.data(), buf.size(), c.kb);
        EXPECT_EQ(std::string(buf.data(), n), c.text) << c.kb;
        EXPECT_EQ(buf[n], '\0');
    }
    // The shown amount changes exactly when the text does.
    for (std::size_t i = 1; i < std::size(cases); ++i) {
        const bool sameText = std::string(cases[i - 1].text) == cases[i].text;
        EXPECT_EQ(ShownDataAmount(cases[i - 1].kb) == ShownDataAmount(cases[i].kb), sameText)
            << cases[i].kb;
    }
    EXPECT_EQ(ShownDataAmount(1034), ShownDataAmount(1024));

    std::array<char, 4> small{};
    EXPECT_EQ(FormatDataAmountInto(small.data(), small.size(), 1536), 3u);
    EXPECT_STREQ(small.data(), "1.5");
}

TEST(DataAmountText, UseAndTrayTip) {
    EXPECT_EQ(AllowanceUseText(1289750, 3072), "1.23 GB / 3 GB (41 %)");
    EXPECT_EQ(AllowanceUseText(1536, 0), "1.5 MB");
    EXPECT_EQ(AllowanceUseText(2048, 1), "2 MB / 1 MB (200 %)") << "not capped";
    EXPECT_EQ(AllowancePercent(5, 0), 0u);

    std::array<char, 128> tip{};
    std::size_t n = TrayTipInto(tip.data(), tip.size(), 1289750, 3072, {});
    EXPECT_EQ(std::string(tip.data(), n), "Vemaro — 1.23 GB / 3 GB (41 %)");
    n = TrayTipInto(tip.data(), tip.size(), 1289750, 0, {7, 30});
    EXPECT_EQ(std::string(tip.data(), n), "Vemaro") << "without an allowance the title alone";

    // With the days, today's budget and the projection follow on a line each.
    n = TrayTipInto(tip.data(), tip.size(), 1048576, 3072, {7, 30});
    const std::string use = "Vemaro — 1 GB / 3 GB (33 %)\n";
    EXPECT_EQ(std::string(tip.data(), n), use + "今日の目安 あと 85.33 MB\n期末見込み 4.28 GB");
    // A buffer too short ends on a whole character: no half of "今".
    n = TrayTipInto(tip.data(), use.size() + 3, 1048576, 3072, {7, 30});
    EXPECT_EQ(std::string(tip.data(), n), use);
}

TEST(BillingPeriodOfDate, FirstAndLastDayAndTodaysPlace) {
    struct Case {
        LocalTime periodOf;
        unsigned closeDay;
        CalendarDate first;
        CalendarDate last;
        LocalTime today;
        unsigned elapsed;  // of the period's days
        unsigned total;
    };
    const Case cases[] = {
        // 10 November to 9 December: 30 days; outside it, its nearer end.
        {Date(2026, 12, 7), 10, {2026, 11, 10}, {2026, 12, 9}, Date(2026, 11, 10), 1, 30},
        {Date(2026, 12, 7), 10, {2026, 11, 10}, {2026, 12, 9}, Date(2026, 12, 9), 30, 30},
        {Date(2026, 12, 7), 10, {2026, 11, 10}, {2026, 12, 9}, Date(2026, 12, 10), 30, 30},
        {Date(2026, 12, 7), 10, {2026, 11, 10}, {2026, 12, 9}, Date(2025, 12, 20), 1, 30},
        // Across the new year, in the next year's file.
        {Date(2026, 12, 20), 10, {2026, 12, 10}, {2027, 1, 9}, Date(2026, 12, 31), 22, 31},
        {Date(2026, 12, 20), 10, {2026, 12, 10}, {2027, 1, 9}, Date(2027, 1, 1), 23, 31},
        // The calendar month of a leap February.
        {Date(2028, 2, 14), 1, {2028, 2, 1}, {2028, 2, 29}, Date(2028, 2, 29), 29, 29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.today.year) + "-" + std::to_string(c.today.month) + "-" +
                     std::to_string(c.today.day));
        const BillingPeriod p = CurrentBillingPeriod(c.periodOf, c.closeDay);
        const CalendarDate first = PeriodFirstDay(p);
        const CalendarDate last = PeriodLastDay(p);
        EXPECT_EQ(DateText(first), DateText(c.first));
        EXPECT_EQ(DateText(last), DateText(c.last));
        const PeriodDays days = DaysOfPeriod(p, c.today);
        EXPECT_EQ(days.elapsed, c.elapsed);
        EXPECT_EQ(days.total, c.total);
    }
    const PeriodDays none = DaysOfPeriod(BillingPeriod{}, Date(2026, 12, 7));
    EXPECT_EQ(none.elapsed + none.total, 0u);
}

TEST(AllowanceOutlook, BudgetIsWhatIsLeftPerDayLeftAndProjectionThePace) {
    struct Case {
        std::uint64_t usedKB;
        std::uint32_t quotaMB;
        PeriodDays days;
        std::uint64_t budgetKB;
        std::uint64_t projectionKB;
        const char* budget;  // empty without an allowance or days
        const char* projection;
    };
    const Case cases[] = {
        // 2 GiB left over 24 days (the 7th to the 30th): 87,381 KB a day;
        // 1 GiB in 7 days is 4,493,897 KB in 30.
        {1048576, 3072, {7, 30}, 87381, 4493897, "今日の目安 あと 85.33 MB", "期末見込み 4.28 GB"},
        // The first day: the whole allowance over all 31 days.
        {0, 2, {1, 31}, 66, 0, "今日の目安 あと 66 KB", "期末見込み 0 KB"},
        // The last day counts as one day left: all that is left is today's.
        {1000, 2, {30, 30}, 1048, 1000, "今日の目安 あと 1.02 MB", "期末見込み 1000 KB"},
        // Used up, and past it: no budget, never below zero.
        {2048, 2, {10, 30}, 0, 6144, "今日の目安 あと 0 KB", "期末見込み 6 MB"},
        {5000, 2, {15, 30}, 0, 10000, "今日の目安 あと 0 KB", "期末見込み 9.76 MB"},
        // 2041 KB over 29 days and 7 × 31 ÷ 3 = 72.3: cut, like every amount.
        {7, 2, {3, 31}, 70, 72, "今日の目安 あと 70 KB", "期末見込み 72 KB"},
        // A use whose product with the days passes 64 bits keeps its digits.
        {0x0A00000000000001ull,
         10485760,
         {2, 31},
         0,
         11168927075878830095ull,
         "今日の目安 あと 0 KB",
         "期末見込み 10651518894080 GB"},
        // Without an allowance or days, nothing is shown.
        {1000, 0, {7, 30}, 0, 4285, "", ""},
        {1000, 2, {0, 0}, 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.usedKB) + " of " + std::to_string(c.quotaMB) + " MB, day " +
                     std::to_string(c.days.elapsed) + "/" + std::to_string(c.days.total));
        EXPECT_EQ(TodaysBudgetKB(c.usedKB, std::uint64_t{c.quotaMB} * 1024, c.days), c.budgetKB);
        EXPECT_EQ(ProjectedUseKB(c.usedKB, c.days), c.projectionKB);
        std::array<char, 64> buf{};
        std::size_t n = AllowanceBudgetInto(buf.data(), buf.size(), c.usedKB, c.quotaMB, c.days);
        EXPECT_EQ(std::string(buf.data(), n), c.budget);
        n = AllowanceProjectionInto(buf.data(), buf.size(), c.usedKB, c.quotaMB, c.days);
        EXPECT_EQ(std::string(buf.data(), n), c.projection);
    }
}

}  // namespace
}  // namespace trovik
