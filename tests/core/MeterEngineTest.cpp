#include "core/MeterEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ScriptedCounterSource.h"
#include "res/StringTable.h"

namespace trovik {
namespace {

class FakeClock final : public Clock {
public:
    std::int64_t Now() override { return now; }
    std::uint32_t TickCount() override { return tick; }
    std::int64_t now = 1000000000;
    std::uint32_t tick = 3600000;
};

class RecordedMessages final : public MessageBoxes {
public:
    void Show(unsigned id, std::string_view text, MessageIcon icon) override {
        shown.push_back({id, std::string(text), icon});
    }
    bool Ask(unsigned id, std::string_view text, MessageIcon icon) override {
        shown.push_back({id, std::string(text), icon});
        return true;
    }
    struct Box {
        unsigned id;
        std::string text;
        MessageIcon icon;
    };
    std::vector<Box> shown;
};

class MeterEngineTest : public ::testing::Test {
protected:
    void Run(int ticks, std::uint32_t sent, std::uint32_t recv) {
        for (int i = 0; i < ticks; ++i) {
            line.Add(StatValue::BytesXmit, sent);
            line.Add(StatValue::BytesRecvd, recv);
            clock.tick += 100;
            engine.Tick();
        }
    }

    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    FakeClock clock;
    RecordedMessages messages;
    MeterEngine engine{MeterEnv{line, store, clock, messages}};
};

TEST_F(MeterEngineTest, UnopenableSourceEndsTheStartWithAStopBox) {
    line.openFails = true;
    EXPECT_FALSE(engine.Start());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].id, 0u);
    EXPECT_EQ(messages.shown[0].text, "レジストリが開けません。");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
}

TEST_F(MeterEngineTest, UnreadableCountersEndTheStartWithMessage7) {
    line.SetFailing(StatValue::BytesRecvd, true);
    EXPECT_FALSE(engine.Start());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].id, 7u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    engine.Destroy();
    EXPECT_FALSE(line.opened);
}

TEST_F(MeterEngineTest, StartTakesTheBaseAndArmsTheCountdown) {
    line.Set(StatValue::BytesRecvd, 777);
    line.Set(StatValue::CRC, 12);
    backend.values[{"Settings", "ScaleRx"}] = "0";
    ASSERT_TRUE(engine.Start());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(engine.sampler.baseRecv, 777u);
    EXPECT_EQ(engine.cumBaseRecv, 777u);
    EXPECT_EQ(engine.scopeBaseRecv, 777u);
    EXPECT_EQ(engine.scopeLastMinute, -1);
    EXPECT_EQ(engine.errors.errLast[2], 12u);
    EXPECT_EQ(engine.shutdownCountdown, 30u);
    EXPECT_EQ(engine.connectTime, clock.now);
    EXPECT_EQ(engine.settings.scaleRx, 5000u);
}

TEST_F(MeterEngineTest, ReadingFollowsTheDisplayedPair) {
    ASSERT_TRUE(engine.Start());
    Run(30, 100, 250);  // a full 3-second window
    EXPECT_EQ(engine.reading.rateTx, 1000u);
    EXPECT_EQ(engine.reading.rateRx, 2500u);
    EXPECT_EQ(engine.reading.percentTx, 50u);
    EXPECT_EQ(engine.reading.percentRx, 50u);
    EXPECT_EQ(engine.reading.totalTx, 3000u);
    EXPECT_EQ(engine.reading.totalRx, 7500u);

    backend.values[{"Settings", "SpanAll"}] = "1";
    engine.settings = LoadSettings(store);
    // Once the first byte has moved, every tick counts towards the average.
    Run(5, 0, 0);
    EXPECT_EQ(engine.reading.rateRx, 75000u / 35u);
    EXPECT_EQ(engine.sampler.spanRecv, 2500u * 25u / 30u);
}

TEST_F(MeterEngineTest, RequestedResetStartsOverAtTheNextTick) {
    ASSERT_TRUE(engine.Start());
    Run(20, 10, 20);
    engine.connectCount = 4;
    engine.idleSeconds = 9;
    engine.shutdownCountdown = 12;
    engine.resetRequested = true;
    clock.now += 60;
    Run(1, 10, 20);
    EXPECT_FALSE(engine.resetRequested);
    EXPECT_EQ(engine.sampler.totalRecv, 0u);
    EXPECT_EQ(engine.reading.totalRx, 0u);
    EXPECT_EQ(engine.reading.rateRx, 0u);
    EXPECT_EQ(engine.sampler.history.historyUpdated[0], 0);
    EXPECT_EQ(engine.connectCount, 0u);
    EXPECT_EQ(engine.idleSeconds, 0u);
    EXPECT_EQ(engine.shutdownCountdown, 30u);
    EXPECT_EQ(engine.connectTime, clock.now);
    Run(1, 10, 20);
    EXPECT_EQ(engine.reading.totalRx, 20u);
}

TEST_F(MeterEngineTest, ResetThatCannotReadIsDroppedWhole) {
    ASSERT_TRUE(engine.Start());
    Run(10, 0, 100);
    engine.connectCount = 2;
    line.SetFailing(StatValue::BytesXmit, true);
    engine.resetRequested = true;
    Run(1, 0, 100);
    EXPECT_FALSE(engine.resetRequested) << "the request is used up";
    EXPECT_EQ(engine.connectCount, 2u);
    EXPECT_EQ(engine.reading.totalRx, 1100u);
}

TEST_F(MeterEngineTest, DestroySavesPositionAndTickCount) {
    backend.values[{"Settings", "WndPosX"}] = "-40";
    backend.values[{"Settings", "WndPosY"}] = "300";
    ASSERT_TRUE(engine.Start());
    clock.tick = 0xFFFFFF00u;
    engine.Destroy();
    EXPECT_FALSE(line.opened);
    EXPECT_EQ((backend.values[{"Settings", "WndPosX"}]), "-40");
    EXPECT_EQ((backend.values[{"Settings", "WndPosY"}]), "300");
    EXPECT_EQ(static_cast<std::uint32_t>(store.GetInt(SettingKey::SystemTick, 0)), 0xFFFFFF00u);
}

}  // namespace
}  // namespace trovik
