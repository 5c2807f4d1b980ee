#include "core/Counters.h"

#include <gtest/gtest.h>

#include "core/ScriptedCounterSource.h"

namespace trovik {
namespace {

class CountersTest : public ::testing::Test {
protected:
    ScriptedCounterSource line;
    ErrorCounters counters;
};

TEST_F(CountersTest, BothByteReadsAreAttemptedAndBothMustSucceed) {
    line.Set(StatValue::BytesXmit, 100);
    line.Set(StatValue::BytesRecvd, 200);
    std::uint32_t sent = 1;
    std::uint32_t recv = 2;
    EXPECT_TRUE(ReadByteCounters(line, sent, recv));
    EXPECT_EQ(sent, 100u);
    EXPECT_EQ(recv, 200u);

    line.Set(StatValue::BytesXmit, 150);
    line.Set(StatValue::BytesRecvd, 250);
    line.SetFailing(StatValue::BytesRecvd, true);
    EXPECT_FALSE(ReadByteCounters(line, sent, recv));
    EXPECT_EQ(sent, 150u) << "the readable value is stored although the call fails";
    EXPECT_EQ(recv, 200u);

    line.SetFailing(StatValue::BytesRecvd, false);
    line.SetFailing(StatValue::BytesXmit, true);
    EXPECT_FALSE(ReadByteCounters(line, sent, recv));
    EXPECT_EQ(sent, 150u);
    EXPECT_EQ(recv, 250u) << "the second read is attempted after the first failed";
}

TEST_F(CountersTest, EachRiseSetsItsBitOnce) {
    EXPECT_EQ(ReadErrorBits(line, counters), 0);
    line.Add(StatValue::CRC, 5);  // five errors in one tick count as one error tick
    line.Add(StatValue::Framing, 1);
    EXPECT_EQ(ReadErrorBits(line, counters), kErrCRC | kErrFraming);
    EXPECT_EQ(counters.errLast[2], 5u);
    EXPECT_EQ(counters.errBeforeLast[2], 0u);
    EXPECT_EQ(ReadErrorBits(line, counters), 0) << "a counter standing still sets nothing";

    for (auto v : {StatValue::Alignment, StatValue::Buffer, StatValue::CRC, StatValue::Framing,
                   StatValue::Overrun, StatValue::Runts, StatValue::Timeout}) {
        line.Add(v, 1);
    }
    EXPECT_EQ(ReadErrorBits(line, counters), 0x7F);
    EXPECT_EQ(counters.errBeforeLast[2], 5u);
    EXPECT_EQ(counters.errLast[2], 6u);
}

TEST_F(CountersTest, FallsOnlyLowerTheLastReading) {
    line.Set(StatValue::Overrun, 10);
    EXPECT_EQ(ReadErrorBits(line, counters), kErrOverrun);
    line.Set(StatValue::Overrun, 4);
    EXPECT_EQ(ReadErrorBits(line, counters), 0);
    EXPECT_EQ(counters.errLast[4], 4u);
    EXPECT_EQ(counters.errBeforeLast[4], 0u) << "a fall is not a rise";
    line.Set(StatValue::Overrun, 5);
    EXPECT_EQ(ReadErrorBits(line, counters), kErrOverrun) << "the next rise counts again";
    EXPECT_EQ(counters.errBeforeLast[4], 4u);
}

TEST_F(CountersTest, ARiseFromAllOnesIsNotFlagged) {
    counters.errLast[6] = 0xFFFFFFFFu;
    // A rise from the top is only possible for a source that does not wrap,
    // and then it is no evidence of an error.
    struct TopSource : CounterSource {
        bool Open() override { return true; }
        void Close() override {}
        bool Query(StatValue v, std::uint32_t& value) override {
            if (v == StatValue::Timeout) {
                return false;
            }
            value = 0;
            return true;
        }
    } failingTimeout;
    EXPECT_EQ(ReadErrorBits(failingTimeout, counters), 0);
    EXPECT_EQ(counters.errLast[6], 0xFFFFFFFFu) << "a failed read changes nothing";

    line.Set(StatValue::Timeout, 0xFFFFFFFFu);
    counters.errLast[6] = 0xFFFFFFFEu;
    EXPECT_EQ(ReadErrorBits(line, counters), kErrTimeout);
    EXPECT_EQ(counters.errLast[6], 0xFFFFFFFFu);
}

TEST_F(CountersTest, FailedErrorReadSetsNoBitAndKeepsState) {
    line.Set(StatValue::Runts, 3);
    line.SetFailing(StatValue::Runts, true);
    line.Add(StatValue::Buffer, 1);
    EXPECT_EQ(ReadErrorBits(line, counters), kErrBuffer);
    EXPECT_EQ(counters.errLast[5], 0u);
    line.SetFailing(StatValue::Runts, false);
    EXPECT_EQ(ReadErrorBits(line, counters), kErrRunts) << "the rise shows once readable";
}

TEST_F(CountersTest, ResetTakesPresentCountersAsTheStart) {
    line.Set(StatValue::CRC, 40);
    line.Set(StatValue::Timeout, 2);
    counters.errCarried.fill(9);
    counters.errBeforeLast.fill(9);
    ResetErrorCounters(line, counters);
    EXPECT_EQ(counters.errLast[2], 40u);
    EXPECT_EQ(counters.errLast[6], 2u);
    EXPECT_EQ(counters.errBeforeLast, (std::array<std::uint32_t, 7>{}));
    EXPECT_EQ(counters.errCarried, (std::array<std::uint32_t, 7>{}));
    EXPECT_EQ(ReadErrorBits(line, counters), 0) << "errors counted before the reset raise nothing";
}

}  // namespace
}  // namespace trovik
