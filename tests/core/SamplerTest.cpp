#include "core/Sampler.h"

#include <gtest/gtest.h>

#include "core/ScriptedCounterSource.h"

namespace trovik {
namespace {

// Drives the sampler's steps in the order the tick runs them.
class SamplerTest : public ::testing::Test {
protected:
    void StartAt(std::uint32_t sent, std::uint32_t recv) {
        line.Set(StatValue::BytesXmit, sent);
        line.Set(StatValue::BytesRecvd, recv);
        sampler.Reset(sent, recv);
    }
    void Tick(std::uint32_t sent, std::uint32_t recv, std::uint32_t span = 30) {
        line.Add(StatValue::BytesXmit, sent);
        line.Add(StatValue::BytesRecvd, recv);
        sampler.ShiftAndRead(line, errors);
        sampler.DetectWraps();
        sampler.CountActivity();
        sampler.ComputeRates(span);
        sampler.FeedHistory();
    }

    ScriptedCounterSource line;
    ErrorCounters errors;
    Sampler sampler;
};

TEST_F(SamplerTest, RightAfterAResetEverythingIsZero) {
    StartAt(123456, 654321);
    Tick(0, 0);
    EXPECT_EQ(sampler.spanSent, 0u);
    EXPECT_EQ(sampler.spanRecv, 0u);
    EXPECT_EQ(sampler.avgSentAll, 0u);
    EXPECT_EQ(sampler.avgRecvAll, 0u);
    EXPECT_EQ(sampler.totalRecv, 0u);
    EXPECT_EQ(sampler.activeTicksRecv, 0u);
}

TEST_F(SamplerTest, WindowedRateIsDilutedUntilTheWindowIsFull) {
    StartAt(0, 0);
    // 3000 bytes per tick over a 30-tick window: the base samples still fill
    // the older part of the window for the first 29 ticks.
    for (std::uint32_t k = 1; k <= 29; ++k) {
        Tick(0, 3000);
        EXPECT_EQ(sampler.spanRecv, 1000u * k) << "tick " << k;
        EXPECT_EQ(sampler.avgRecvAll, 30000u) << "the average counts active ticks only";
    }
    Tick(0, 3000);
    EXPECT_EQ(sampler.spanRecv, 30000u);
    Tick(0, 3000);
    EXPECT_EQ(sampler.spanRecv, 30000u);
    EXPECT_EQ(sampler.totalRecv, 31u * 3000u);
}

TEST_F(SamplerTest, AverageLeavesOutIdleTicksBeforeTheFirstByte) {
    StartAt(0, 0);
    for (int i = 0; i < 20; ++i) {
        Tick(0, 0);
    }
    for (int i = 0; i < 10; ++i) {
        Tick(50, 500);
    }
    EXPECT_EQ(sampler.activeTicksRecv, 10u);
    EXPECT_EQ(sampler.avgRecvAll, 5000u);
    EXPECT_EQ(sampler.avgSentAll, 500u);
}

TEST_F(SamplerTest, WrapKeepsTheTotalContinuous) {
    StartAt(0xFFFFF000u, 0);
    Tick(0x800, 0, 1);
    EXPECT_EQ(sampler.totalSent, 0x800u);
    Tick(0x1000, 0, 1);  // the counter passes 2^32 and reads 0x800
    EXPECT_EQ(sampler.sentSamples[0], 0x800u);
    EXPECT_EQ(sampler.wrapsSent, 1u);
    EXPECT_EQ(sampler.totalSent, 0x1800u);
    EXPECT_EQ(sampler.spanSent, 0x1000u * 10u) << "the window rate is taken across the wrap";
    Tick(0x100, 0, 1);
    EXPECT_EQ(sampler.wrapsSent, 1u);
    EXPECT_EQ(sampler.totalSent, 0x1900u);
}

// A fast line wraps the 32-bit counter every few seconds. Each fall below
// the previous reading is a wrap (also when it stays above the base), and
// every window, average and history point is taken from the 64-bit counts.
TEST_F(SamplerTest, EightMegabytesASecondForFiveMinutesCountsEveryByte) {
    StartAt(0, 1000);
    const std::uint32_t perTick = 800000;  // 8,000,000 B/s
    for (int t = 0; t < 3000; ++t) {
        Tick(0, perTick, 30);
    }
    EXPECT_EQ(sampler.totalRecv, 3000ull * perTick);
    EXPECT_EQ(sampler.wrapsRecv, 0u + static_cast<std::uint32_t>((1000 + 3000ull * perTick) >> 32));
    EXPECT_EQ(sampler.spanRecv, 8000000u);
    EXPECT_EQ(sampler.avgRecvAll, 8000000u);
    EXPECT_EQ(sampler.history.historyRecv[0][0], 8000000u);
    EXPECT_EQ(sampler.history.historyRecv[2][0], 8000000u) << "one-minute points";
}

TEST_F(SamplerTest, RatesTooLargeFor32BitsAreHeldNotWrapped) {
    StartAt(0, 0);
    // 1 GB per tick is 10 GB/s: more than a 32-bit rate holds.
    for (int t = 0; t < 10; ++t) {
        Tick(0, 1000000000u, 1);
    }
    EXPECT_EQ(sampler.totalRecv, 10000000000ull);
    EXPECT_EQ(sampler.spanRecv, 0xFFFFFFFFu);
    EXPECT_EQ(sampler.avgRecvAll, 0xFFFFFFFFu);
    EXPECT_EQ(sampler.history.historyRecv[0][0], 0xFFFFFFFFu);
}

// A source with 64-bit counts tells how often the counter wrapped while no
// tick ran; after the gap the windows start afresh, with no spike, and the
// average leaves out the bytes whose time it did not see.
TEST_F(SamplerTest, GapKeepsItsBytesWithoutASpike) {
    StartAt(0, 0);
    for (int t = 0; t < 100; ++t) {
        Tick(0, 100000, 30);  // 1 MB/s
    }
    line.Add(StatValue::BytesRecvd, 1200ull * 100000ull * 50);  // 120 s at 50 MB/s: 6 GB
    sampler.ShiftAndRead(line, errors);
    sampler.DetectWraps();
    sampler.StartAfresh();  // where the tick finds the gap
    sampler.CountActivity();
    sampler.ComputeRates(30);
    sampler.FeedHistory();
    EXPECT_EQ(sampler.spanRecv, 0u);
    EXPECT_EQ(sampler.totalRecv, 100ull * 100000 + 6000000000ull);
    EXPECT_EQ(sampler.avgRecvAll, 1000000u);
    for (int t = 0; t < 30; ++t) {
        Tick(0, 100000, 30);
    }
    EXPECT_EQ(sampler.spanRecv, 1000000u);
    EXPECT_EQ(sampler.avgRecvAll, 1000000u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_LE(sampler.history.historyRecv[0][i], 1000000u) << "point " << i;
    }
}

TEST_F(SamplerTest, FailedReadRepeatsThePreviousSample) {
    StartAt(0, 0);
    Tick(0, 1000, 1);
    line.SetFailing(StatValue::BytesRecvd, true);
    Tick(0, 500, 1);
    EXPECT_EQ(sampler.recvSamples[0], 1000u);
    EXPECT_EQ(sampler.spanRecv, 0u);
    line.SetFailing(StatValue::BytesRecvd, false);
    Tick(0, 0, 1);
    EXPECT_EQ(sampler.spanRecv, 5000u);
    EXPECT_EQ(sampler.totalRecv, 1500u);
}

TEST_F(SamplerTest, HistoryLevelsFillAt100_600And3600Ticks) {
    StartAt(0, 0);
    const std::array<std::uint32_t, 4> firstPointAt = {10, 100, 600, 3600};
    for (std::uint32_t tick = 1; tick <= 3600; ++tick) {
        Tick(10, 100);
        for (std::size_t level = 0; level < 4; ++level) {
            const bool due = tick >= firstPointAt[level];
            ASSERT_EQ(sampler.history.historyUpdated[level] != 0, due)
                << "level " << level << " at tick " << tick;
        }
    }
    // A steady 100 bytes per tick is 1000 bytes per second at every level.
    for (std::size_t level = 0; level < 4; ++level) {
        EXPECT_EQ(sampler.history.historyRecv[level][0], 1000u) << level;
        EXPECT_EQ(sampler.history.historySent[level][0], 100u) << level;
        EXPECT_EQ(sampler.history.historyRecvAvg[level][0], 1000u) << level;
    }
    EXPECT_EQ(sampler.history.historyRecv[0][119], 1000u);
    EXPECT_EQ(sampler.history.historyRecv[1][35], 1000u);
    EXPECT_EQ(sampler.history.historyRecv[1][36], 0u)
        << "360 level-0 points make 36 level-1 points";
    EXPECT_EQ(sampler.history.historyRecv[2][5], 1000u);
    EXPECT_EQ(sampler.history.historyRecv[2][6], 0u);
}

TEST_F(SamplerTest, HistorySumsDoNotWrap) {
    StartAt(0, 0);
    auto& h = sampler.history;
    for (std::size_t i = 1; i < 10; ++i) {
        h.historyRecv[0][i - 1] = 0xF0000000u;  // shifted to 1..9 by the next point
    }
    h.historyFill[0] = 9;
    h.historyFill[1] = 9;
    sampler.recvCounts.fill(0);
    sampler.recvCounts[0] = 0xF0000000u;
    sampler.FeedHistory();
    EXPECT_EQ(h.historyRecv[0][0], 0xF0000000u);
    EXPECT_EQ(h.historyRecv[1][0], 0xF0000000u);
}

TEST_F(SamplerTest, EventBitsAreOredUpTheLevels) {
    StartAt(0, 0);
    for (int i = 0; i < 100; ++i) {
        Tick(0, 0);
        if (i == 3) {
            sampler.errorSamples[0] |= kConnectMark;
        }
        if (i == 57) {
            line.Add(StatValue::CRC, 1);
        }
    }
    const auto& ev = sampler.history.historyEvents;
    // Level-0 points are newest first: the point of ticks 1..10 is at 9.
    EXPECT_EQ(ev[0][9], kConnectMark);
    EXPECT_EQ(ev[0][4], kErrCRC) << "tick 59 belongs to the sixth point";
    EXPECT_EQ(ev[0][0], 0);
    EXPECT_EQ(ev[1][0], kConnectMark | kErrCRC);
}

TEST_F(SamplerTest, DisplayedAndMarkerPairsSwapWithSpanAll) {
    sampler.spanSent = 1;
    sampler.spanRecv = 2;
    sampler.avgSentAll = 3;
    sampler.avgRecvAll = 4;
    EXPECT_EQ(sampler.Displayed(false).recv, 2u);
    EXPECT_EQ(sampler.Marker(false).recv, 4u);
    EXPECT_EQ(sampler.Displayed(true).sent, 3u);
    EXPECT_EQ(sampler.Marker(true).sent, 1u);
}

TEST(Percent, IsNotCappedAndDoesNotWrap) {
    EXPECT_EQ(Percent(2500, 5000), 50u);
    EXPECT_EQ(Percent(4999, 5000), 99u);
    EXPECT_EQ(Percent(12000, 5000), 240u);
    EXPECT_EQ(Percent(50000000, 100000000), 50u);
    EXPECT_EQ(Percent(0xFFFFFFFFu, 1), 0xFFFFFFFFu) << "held, not wrapped to a small share";
}

}  // namespace
}  // namespace trovik
