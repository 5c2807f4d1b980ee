#include "core/SimulatedLine.h"

#include <gtest/gtest.h>

namespace trovik {
namespace {

std::uint32_t Read(SimulatedLine& line, StatValue v) {
    std::uint32_t value = 0;
    EXPECT_TRUE(line.Query(v, value));
    return value;
}

TEST(SimulatedLine, DialsMovesTrafficInBurstsAndObeysHangUp) {
    SimulatedLine line;
    for (std::uint32_t i = 1; i < SimulatedLine::kDialDelayTicks; ++i) {
        line.Refresh();
    }
    EXPECT_FALSE(line.IsModemConnected());
    line.Refresh();
    EXPECT_TRUE(line.IsModemConnected());
    EXPECT_NE(Read(line, StatValue::ConnectSpeed), 0u);

    // Ten minutes: about 56k-modem speed while busy, with pauses and errors.
    std::uint32_t busyTicks = 0;
    std::uint32_t idleTicks = 0;
    std::uint32_t maxPerTick = 0;
    std::uint32_t last = Read(line, StatValue::BytesRecvd);
    for (int i = 0; i < 6000; ++i) {
        line.Refresh();
        const std::uint32_t now = Read(line, StatValue::BytesRecvd);
        ASSERT_GE(now, last) << "counters never fall";
        (now == last ? idleTicks : busyTicks)++;
        maxPerTick = std::max(maxPerTick, now - last);
        last = now;
    }
    EXPECT_GT(busyTicks, 1000u);
    EXPECT_GT(idleTicks, 600u);
    EXPECT_LE(maxPerTick, 600u) << "no more than a 56k modem moves in 100 ms";
    std::uint32_t errors = 0;
    for (std::size_t k = 0; k < kErrorKindCount; ++k) {
        errors += Read(line, static_cast<StatValue>(k));
    }
    EXPECT_GE(errors, 1u);

    EXPECT_TRUE(line.HangUpModem());
    EXPECT_FALSE(line.IsModemConnected());
    EXPECT_FALSE(line.HangUpModem());
    const std::uint32_t atHangUp = Read(line, StatValue::BytesRecvd);
    for (std::uint32_t i = 1; i < SimulatedLine::kRedialTicks; ++i) {
        line.Refresh();
    }
    EXPECT_EQ(Read(line, StatValue::BytesRecvd), atHangUp) << "nothing moves while down";
    line.Refresh();
    EXPECT_TRUE(line.IsModemConnected()) << "it dials again";
}

TEST(SimulatedLine, SameSeedSameLine) {
    SimulatedLine a(7);
    SimulatedLine b(7);
    for (int i = 0; i < 3000; ++i) {
        a.Refresh();
        b.Refresh();
    }
    EXPECT_EQ(Read(a, StatValue::BytesRecvd), Read(b, StatValue::BytesRecvd));
    EXPECT_EQ(Read(a, StatValue::BytesXmit), Read(b, StatValue::BytesXmit));
}

}  // namespace
}  // namespace trovik
