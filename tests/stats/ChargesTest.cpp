#include "stats/Charges.h"

#include <gtest/gtest.h>

namespace trovik {
namespace {

TEST(EstimateCharge, FlatDiscountPlanWithOneCallInEachZone) {
    // Preset 2: 1800 yen a month for the discount hours, 180 s per 10 yen
    // otherwise. One call from 23:00 to 1:00 and one of 30 minutes at noon.
    ChargeType t;
    t.freeToll = 1800;
    t.tollSpan = 180;
    t.freeSpan = 0;
    const ChargeEstimate e = EstimateCharge({1800, 1, 7200, 1}, t);
    EXPECT_EQ(e.discountAmount, 1800u);
    EXPECT_EQ(e.discountMargin, 0u);
    EXPECT_EQ(e.normalAmount, 105u);
    EXPECT_EQ(e.normalMargin, 5u);
    EXPECT_EQ(e.totalAmount, 1905u);
    EXPECT_EQ(e.totalMargin, 5u);
}

TEST(EstimateCharge, RoundsUpToWholeUnitsAndHandlesFreeZones) {
    ChargeType perUnit;
    perUnit.tollSpan = 180;
    perUnit.freeSpan = 240;
    EXPECT_EQ(EstimateCharge({181, 0, 240, 0}, perUnit).normalAmount, 20u);
    EXPECT_EQ(EstimateCharge({181, 0, 241, 2}, perUnit).discountAmount, 20u + 10u);
    EXPECT_EQ(EstimateCharge({181, 0, 241, 2}, perUnit).discountMargin, 10u);

    ChargeType flat;  // every hour a discount hour, no unit charge at all
    flat.freeToll = 4500;
    flat.tollSpan = 0;
    flat.freeSpan = 0;
    const ChargeEstimate e = EstimateCharge({0, 0, 999999, 40}, flat);
    EXPECT_EQ(e.totalAmount, 4500u);
    EXPECT_EQ(e.totalMargin, 0u);
    EXPECT_EQ(EstimateCharge({5000, 9, 0, 0}, flat).normalMargin, 0u)
        << "free normal hours add no margin";
    EXPECT_EQ(EstimateCharge({}, perUnit).discountAmount, 0u);
    perUnit.freeToll = 200;
    EXPECT_EQ(EstimateCharge({}, perUnit).discountAmount, 200u) << "the fee is always due";
}

}  // namespace
}  // namespace trovik
