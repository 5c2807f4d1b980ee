#include "stats/Allowance.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace trovik {
namespace {

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
    std::size_t n = TrayTipInto(tip.data(), tip.size(), 1289750, 3072);
    EXPECT_EQ(std::string(tip.data(), n), "Vemaro — 1.23 GB / 3 GB (41 %)");
    n = TrayTipInto(tip.data(), tip.size(), 1289750, 0);
    EXPECT_EQ(std::string(tip.data(), n), "Vemaro") << "without an allowance the title alone";
}

}  // namespace
}  // namespace trovik
