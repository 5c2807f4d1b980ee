#include "stats/Charges.h"

namespace trovik {
namespace {

// ⌈a ÷ b⌉ in 32-bit unsigned arithmetic.
std::uint32_t CeilDiv(std::uint32_t a, std::uint32_t b) {
    return (a + b - 1) / b;
}

}  // namespace

ChargeEstimate EstimateCharge(const ChargeSums& sums, const ChargeType& type) {
    ChargeEstimate e;
    e.sums = sums;
    if (type.tollSpan != 0) {
        e.normalAmount = CeilDiv(sums.normalSeconds, type.tollSpan) * 10 + sums.normalCalls * 5;
        e.normalMargin = sums.normalCalls * 5;
    }
    e.discountAmount = type.freeToll;
    if (type.freeSpan != 0) {
        e.discountAmount +=
            CeilDiv(sums.discountSeconds, type.freeSpan) * 10 + sums.discountCalls * 5;
        e.discountMargin = sums.discountCalls * 5;
    }
    e.totalAmount = e.normalAmount + e.discountAmount;
    e.totalMargin = e.normalMargin + e.discountMargin;
    return e;
}

}  // namespace trovik
