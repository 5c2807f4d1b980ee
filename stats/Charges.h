#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace trovik {

inline constexpr unsigned kChargeTypeCount = 16;

// A call-charge type: a tariff of the telephone line. Discount hours are
// given per weekday as a 24-bit mask (bit h: the hour h:00 to h:59).
struct ChargeType {
    std::string name;
    std::array<std::uint32_t, 7> dow{};  // discount-hour masks, 0 = Sunday
    std::uint32_t freeToll = 0;          // discount-plan fee per billing period, yen
    std::uint32_t tollSpan = 180;        // normal hours: seconds per 10 yen; 0 = free
    std::uint32_t freeSpan = 180;        // discount hours: seconds per 10 yen; 0 = free
};

// The name an unwritten type reads with.
inline constexpr std::string_view kUnregisteredChargeName = "未登録";

// Connected seconds and ended calls of a period, split into normal and
// discount hours by a type's masks.
struct ChargeSums {
    std::uint32_t normalSeconds = 0;
    std::uint32_t normalCalls = 0;
    std::uint32_t discountSeconds = 0;
    std::uint32_t discountCalls = 0;
};

// The estimated bill in yen. Each call adds half a unit (5 yen) to the
// amount and the same again to its margin.
struct ChargeEstimate {
    ChargeSums sums;
    std::uint32_t normalAmount = 0;
    std::uint32_t normalMargin = 0;
    std::uint32_t discountAmount = 0;
    std::uint32_t discountMargin = 0;
    std::uint32_t totalAmount = 0;
    std::uint32_t totalMargin = 0;
};

ChargeEstimate EstimateCharge(const ChargeSums& sums, const ChargeType& type);

}  // namespace trovik
