#include "core/MeterEngine.h"

#include <gtest/gtest.h>

#include "res/StringTable.h"
#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

using MeterEngineTest = EngineTest;

TEST_F(MeterEngineTest, UnopenableSourceEndsTheStartWithAStopBox) {
    line.openFails = true;
    EXPECT_EQ(Start(), StartResult::Ended);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].id, 0u);
    EXPECT_EQ(messages.shown[0].text, "レジストリが開けません。");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
}

TEST_F(MeterEngineTest, UnreadableCountersEndTheStartAndSaveOnlyPositionAndTick) {
    line.SetFailing(StatValue::BytesRecvd, true);
    Set("LogFile", "1");
    Set("LogCumulate", "1");
    EXPECT_EQ(Start(), StartResult::Ended);
    ASSERT_EQ(messages.Ids(), std::vector<unsigned>{7u});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    engine.Destroy();
    EXPECT_FALSE(line.opened);
    EXPECT_EQ((backend.values[{"Settings", "SystemTick"}]), "3600000");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("Trovik.DAT")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("Trovik_2025.CUM")));
}

TEST_F(MeterEngineTest, StartTakesTheBaseArmsTheCountdownAndSeesTheLine) {
    line.Set(StatValue::BytesRecvd, 777);
    line.Set(StatValue::CRC, 12);
    Set("ScaleRx", "0");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(engine.sampler.baseRecv, 777u);
    EXPECT_EQ(engine.cumBaseRecv, 777u);
    EXPECT_EQ(engine.scopeBaseRecv, 777u);
    EXPECT_EQ(engine.scopeLastMinute, -1);
    EXPECT_EQ(engine.errors.errLast[2], 12u);
    EXPECT_EQ(engine.shutdownCountdown, 30u);
    EXPECT_EQ(engine.connectTime, clock.now);
    EXPECT_EQ(engine.cumPeriodStart, clock.now);
    EXPECT_EQ(engine.settings.scaleRx, 5000u);
    EXPECT_TRUE(engine.isConnected);
    EXPECT_TRUE(engine.everConnected);
    EXPECT_EQ(engine.connectCount, 0u) << "a line already up at start is no new connection";
    EXPECT_TRUE(std::filesystem::exists(dir.Path("Trovik.STA"))) << "the scope is repaired";
}

TEST_F(MeterEngineTest, TimerFailureLeavesTheWindowStill) {
    window.timerWorks = false;
    EXPECT_EQ(Start(), StartResult::NoTimer);
    EXPECT_EQ(messages.Ids(), std::vector<unsigned>{8u});
}

TEST_F(MeterEngineTest, ReloadTakesTheNewSettingsAndReportsATimerFailure) {
    Set("ShutDownTimer", "1");
    Set("ShutDownTimeout", "2");
    ASSERT_EQ(Start(), StartResult::Running);
    engine.Command(kCmdCancelShutdown);
    EXPECT_EQ(engine.shutdownAfter, 0u);
    messages.shown.clear();

    Set("ScaleTx", "100");
    Set("Span", "0");
    engine.ReloadSettings();
    EXPECT_EQ(engine.settings.scaleTx, 100u);
    EXPECT_EQ(engine.settings.span, 30u) << "the load's corrections apply";
    EXPECT_EQ(engine.shutdownAfter, 120u) << "the shutdown rule is armed again";
    EXPECT_TRUE(messages.shown.empty());

    window.timerWorks = false;
    engine.ReloadSettings();
    ASSERT_EQ(messages.Ids(), std::vector<unsigned>{8u});
    EXPECT_EQ(messages.shown[0].text, "タイマー登録が出来ません。");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
}

TEST_F(MeterEngineTest, RestartMarkWhenTheTickCountFell) {
    Set("LogFile", "1");
    ASSERT_EQ(Start(), StartResult::Running);  // no SystemTick stored: the mark
    engine.Destroy();
    EXPECT_NE(LogText().find("- - - - - -"), std::string::npos);

    std::filesystem::remove(dir.Path("Trovik.LOG"));
    MeterEngine again{MeterEnv{line, store, clock, messages, connection, power, window,
                               DataFiles(dir.path().string(), "Trovik"), ""}};
    clock.tick += 5000;  // same boot, later
    ASSERT_EQ(again.Start(), StartResult::Running);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("Trovik.LOG")));
}

TEST_F(MeterEngineTest, SavedPositionIsPulledInsideTheScreen) {
    struct Screened final : HeadlessWindow {
        std::optional<ScreenSize> Screen() override { return ScreenSize{1024, 768}; }
        ScreenSize WindowSize() override { return {100, 50}; }
    } screened;
    MeterEngine e{MeterEnv{line, store, clock, messages, connection, power, screened,
                           DataFiles(dir.path().string(), "Trovik"), ""}};
    Set("WndPosX", "1000");
    Set("WndPosY", "-20");
    ASSERT_EQ(e.Start(), StartResult::Running);
    EXPECT_EQ(screened.position.x, 924);
    EXPECT_EQ(screened.position.y, -20) << "a negative position is not corrected";
    Set("WndPosX", "-5");
    Set("WndPosY", "760");
    ASSERT_EQ(e.Start(), StartResult::Running);
    EXPECT_EQ(screened.position.x, -5);
    EXPECT_EQ(screened.position.y, 718);
}

TEST_F(MeterEngineTest, ReadingFollowsTheDisplayedPair) {
    ASSERT_EQ(Start(), StartResult::Running);
    Run(30, 100, 250);  // a full 3-second window
    EXPECT_EQ(engine.reading.RateTx, 1000u);
    EXPECT_EQ(engine.reading.RateRx, 2500u);
    EXPECT_EQ(engine.reading.PercentTx, 50u);
    EXPECT_EQ(engine.reading.PercentRx, 50u);
    EXPECT_EQ(engine.reading.TotalTx, 3000u);
    EXPECT_EQ(engine.reading.TotalRx, 7500u);
    EXPECT_EQ(window.bars, (std::array<std::uint32_t, 4>{50, 50, 50, 50}));

    Set("SpanAll", "1");
    engine.settings = LoadSettings(store);
    // Once the first byte has moved, every tick counts towards the average.
    Run(5);
    EXPECT_EQ(engine.reading.RateRx, 75000u / 35u);
    EXPECT_EQ(engine.sampler.spanRecv, 2500u * 25u / 30u);
    EXPECT_EQ(window.bars[2], 2142u * 100u / 5000u);
    EXPECT_EQ(window.bars[3], 2083u * 100u / 5000u) << "the marker shows the windowed rate";
}

TEST_F(MeterEngineTest, NumberTextsAreWrittenOnlyWhenTheyChange) {
    ASSERT_EQ(Start(), StartResult::Running);
    Run(1);
    EXPECT_EQ(window.texts, (std::vector<std::string>{"1000=0", "1001=0"}));
    Run(3);
    EXPECT_EQ(window.texts.size(), 2u);
    Run(1, 0, 30);
    EXPECT_EQ(window.texts.back(), "1001=10");
    EXPECT_EQ(window.texts.size(), 3u);
    engine.resetRequested = true;
    Run(1);
    EXPECT_EQ(window.texts.size(), 5u) << "after a reset both are rewritten";
}

TEST_F(MeterEngineTest, MinimisedTitleShowsTheWindowedRates) {
    Set("IconTitle", "1");
    Set("SpanAll", "1");
    Set("Span", "1");
    ASSERT_EQ(Start(), StartResult::Running);
    window.minimised = true;
    Run(1, 5, 120);
    Run(1, 6, 123);  // windowed: 1230 received, 60 sent per second
    EXPECT_EQ(window.title, "受1230 送60");
}

TEST_F(MeterEngineTest, TrayMeterImageFollowsTheReceiveRate) {
    Set("MeterInTray", "1");
    Set("Span", "1");
    ASSERT_EQ(Start(), StartResult::Running);
    Run(1, 0, 250);  // 2500 B/s, half the 5000 scale
    EXPECT_EQ(window.trayImage, 8u);
    Run(1, 0, 700);
    EXPECT_EQ(window.trayImage, 16u);
}

TEST_F(MeterEngineTest, ErrorIconStaysForTwentyTicksAfterTheLastError) {
    Set("ShowError", "1");
    ASSERT_EQ(Start(), StartResult::Running);
    line.Add(StatValue::CRC, 1);
    Run(1);
    EXPECT_TRUE(window.errorIcon);
    Run(18);
    EXPECT_TRUE(window.errorIcon);
    Run(1);
    EXPECT_FALSE(window.errorIcon);
}

TEST_F(MeterEngineTest, RequestedResetStartsOverAtTheNextTick) {
    ASSERT_EQ(Start(), StartResult::Running);
    Run(20, 10, 20);
    engine.connectCount = 4;
    engine.idleSeconds = 9;
    engine.shutdownCountdown = 12;
    engine.resetRequested = true;
    Run(1, 10, 20);
    EXPECT_FALSE(engine.resetRequested);
    EXPECT_EQ(engine.reading.TotalRx, 0u);
    EXPECT_EQ(engine.reading.RateRx, 0u);
    EXPECT_EQ(engine.sampler.history.historyUpdated[0], 0);
    EXPECT_EQ(engine.connectCount, 0u);
    EXPECT_EQ(engine.idleSeconds, 0u);
    EXPECT_EQ(engine.shutdownCountdown, 30u);
    EXPECT_EQ(engine.connectTime, clock.now);
    Run(1, 10, 20);
    EXPECT_EQ(engine.reading.TotalRx, 20u);
}

TEST_F(MeterEngineTest, ResetThatCannotReadIsDroppedWhole) {
    ASSERT_EQ(Start(), StartResult::Running);
    Run(10, 0, 100);
    engine.connectCount = 2;
    line.SetFailing(StatValue::BytesXmit, true);
    engine.resetRequested = true;
    Run(1, 0, 100);
    EXPECT_FALSE(engine.resetRequested) << "the request is used up";
    EXPECT_EQ(engine.connectCount, 2u);
    EXPECT_EQ(engine.reading.TotalRx, 1100u);
}

TEST_F(MeterEngineTest, DestroySavesPositionAndTickCount) {
    Set("WndPosX", "-40");
    Set("WndPosY", "300");
    ASSERT_EQ(Start(), StartResult::Running);
    clock.tick = 0xFFFFFF00u;
    engine.Destroy();
    EXPECT_FALSE(line.opened);
    EXPECT_EQ((backend.values[{"Settings", "WndPosX"}]), "-40");
    EXPECT_EQ((backend.values[{"Settings", "WndPosY"}]), "300");
    EXPECT_EQ(static_cast<std::uint32_t>(store.GetInt(SettingKey::SystemTick, 0)), 0xFFFFFF00u);
}

}  // namespace
}  // namespace trovik
