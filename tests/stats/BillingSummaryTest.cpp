#include "stats/BillingSummary.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

using testing::ScratchDir;

constexpr std::array<std::uint32_t, 7> kNightMasks = {0x8000FF, 0x8000FF, 0x8000FF, 0x8000FF,
                                                      0x8000FF, 0x8000FF, 0x8000FF};

void PutHour(CumulativeImage& image, unsigned record, unsigned hour, std::uint16_t seconds,
             std::uint8_t calls) {
    image.Record(record).Hour(hour).SetSeconds(seconds);
    image.Record(record).Hour(hour).SetConnections(calls);
}

TEST(BillingPeriod, StartsOnTheClosingDayOfTheMonthBefore) {
    // Closing in March 2001 on the 10th: February 10 (a Saturday) to March 9.
    const BillingPeriod p = PeriodClosingIn(2001, 3, 10);
    EXPECT_EQ(p.firstRecord, 31u + 31u + 9u);
    EXPECT_EQ(p.days, 28u);
    EXPECT_EQ(p.firstWeekday, 6u);

    // Closing in January: the previous December, from records 0 to 30.
    const BillingPeriod jan = PeriodClosingIn(2002, 1, 10);
    EXPECT_EQ(jan.firstRecord, 9u);
    EXPECT_EQ(jan.days, 31u);
    EXPECT_EQ(jan.firstWeekday, 1u) << "2001-12-10 was a Monday";
    EXPECT_EQ(PeriodClosingIn(2000, 3, 28).days, 29u) << "February of a leap year";
}

TEST(BillingPeriod, PeriodClosingInJanuaryIsSummedFromThePreviousDecember) {
    CumulativeImage image;
    PutHour(image, 9, 23, 1800, 1);  // December 10, 23:00, a discount hour
    PutHour(image, 9, 12, 600, 0);   // December 10, noon
    PutHour(image, 39, 3, 100, 0);   // January 9, the period's last day
    PutHour(image, 40, 0, 999, 4);   // January 10 belongs to the next period
    image.Record(9).SetRecvKB(1234567);
    image.Record(39).SetRecvKB(1);
    image.Record(40).SetRecvKB(1000);
    image.Record(9).SetSentKB(999);

    const BillingPeriod period = PeriodClosingIn(2002, 1, 10);
    const ChargeSums sums = SumPeriod(image, period, kNightMasks);
    EXPECT_EQ(sums.discountSeconds, 1900u);
    EXPECT_EQ(sums.discountCalls, 1u);
    EXPECT_EQ(sums.normalSeconds, 600u);
    EXPECT_EQ(sums.normalCalls, 0u);

    ChargeType preset0;  // 180 s per unit normally, 240 s in discount hours
    preset0.dow = kNightMasks;
    preset0.tollSpan = 180;
    preset0.freeSpan = 240;
    const PeriodSummary s = SummarisePeriod(image, period, preset0);
    EXPECT_EQ(s.total, "0時間42分 ");
    EXPECT_EQ(s.recv, "1,234,568 ");
    EXPECT_EQ(s.sent, "999 ");
    EXPECT_EQ(s.normalMin, "10 ");
    EXPECT_EQ(s.discountMin, "32 ");
    EXPECT_EQ(s.normal, "40±0 ");
    EXPECT_EQ(s.discount, "85±5 ");
    EXPECT_EQ(s.sum, "125±5 ");
}

TEST(BillingPeriod, WeekdayMasksFollowTheDays) {
    CumulativeImage image;
    // A period starting on a Saturday: day 0 Saturday, day 1 Sunday.
    const BillingPeriod p = PeriodClosingIn(2001, 3, 10);
    PutHour(image, p.firstRecord, 10, 60, 1);
    PutHour(image, p.firstRecord + 1, 10, 120, 1);
    std::array<std::uint32_t, 7> sundayOnly{};
    sundayOnly[0] = 0xFFFFFF;
    const ChargeSums sums = SumPeriod(image, p, sundayOnly);
    EXPECT_EQ(sums.discountSeconds, 120u);
    EXPECT_EQ(sums.normalSeconds, 60u);
}

TEST(BillingPeriod, ConnectTimeIsRoundedUpToTheMinute) {
    CumulativeImage image;
    const BillingPeriod p = PeriodClosingIn(2001, 3, 10);
    PutHour(image, p.firstRecord, 1, 59, 0);
    EXPECT_EQ(SummarisePeriod(image, p, ChargeType{}).total, "0時間01分 ");
    PutHour(image, p.firstRecord, 1, 3599, 0);
    EXPECT_EQ(SummarisePeriod(image, p, ChargeType{}).total, "1時間00分 ");
}

TEST(BillingPeriod, ThousandsSeparatorsLeaveTheTrailingBlankOut) {
    EXPECT_EQ(WithThousandsSeparators("0 "), "0 ");
    EXPECT_EQ(WithThousandsSeparators("123 "), "123 ");
    EXPECT_EQ(WithThousandsSeparators("1234 "), "1,234 ");
    EXPECT_EQ(WithThousandsSeparators("123456 "), "123,456 ");
    EXPECT_EQ(WithThousandsSeparators("1234567 "), "1,234,567 ");
    EXPECT_EQ(WithThousandsSeparators("18446744073709551615 "), "18,446,744,073,709,551,615 ");
}

class PeriodListTest : public ::testing::Test {
protected:
    void MakeYear(unsigned year) {
        const std::vector<std::uint8_t> zeros(kCumulativeFileSize);
        ASSERT_TRUE(ReplaceFile(files.CumulativePath(year), zeros, Durability::Unsynced));
    }
    static LocalTime Day(unsigned y, unsigned m, unsigned d) {
        LocalTime t;
        t.year = y;
        t.month = m;
        t.day = d;
        return t;
    }

    ScratchDir dir{"trovik-periods-"};
    DataFiles files{dir.path().string(), "Trovik"};
};

TEST_F(PeriodListTest, TwoYearsListJanuaryOnceAndStopAfterNextMonth) {
    MakeYear(2000);
    MakeYear(2001);
    const auto entries = ListBillingPeriods(files, Day(2001, 3, 15));
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[0].text, "2000年  1月〆分");
    EXPECT_EQ(entries[11].text, "2000年 12月〆分");
    EXPECT_EQ(entries[12].text, "2001年  1月〆分");
    EXPECT_EQ(entries[12].data, 200101u);
    EXPECT_EQ(entries[13].text, "2001年  2月〆分");
    EXPECT_EQ(entries[15].text, "2001年  4月〆分");

    // March 15 with closing day 10: the period from March 10 to April 9.
    EXPECT_EQ(TodaysPeriod(entries, Day(2001, 3, 15), 10), 15u);
    // March 5: still the period from February 10 to March 9.
    EXPECT_EQ(TodaysPeriod(entries, Day(2001, 3, 5), 10), 14u);
}

TEST_F(PeriodListTest, LateDecemberBelongsToTheNextYearsJanuaryPeriod) {
    MakeYear(2001);
    const auto entries = ListBillingPeriods(files, Day(2001, 12, 20));
    ASSERT_EQ(entries.size(), 13u);
    EXPECT_EQ(entries.back().text, "2002年  1月〆分");
    EXPECT_EQ(TodaysPeriod(entries, Day(2001, 12, 20), 10), 12u);
    EXPECT_EQ(TodaysPeriod(entries, Day(2001, 12, 5), 10), 11u);
}

TEST_F(PeriodListTest, NoFilesNoEntries) {
    EXPECT_TRUE(ListBillingPeriods(files, Day(2026, 12, 7)).empty());
    EXPECT_EQ(TodaysPeriod({}, Day(2026, 12, 7), 10), std::nullopt);
}

}  // namespace
}  // namespace trovik
