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

TEST_F(MeterEngineTest, SavedPositionKeepsTheWholeWindowOnItsScreen) {
    // Two screens side by side; a point on neither belongs to the primary.
    struct Screened final : HeadlessWindow {
        std::optional<ScreenRect> ScreenAt(ScreenPoint p) override {
            if (p.x >= 1024 && p.x < 1824 && p.y >= 0 && p.y < 600) {
                return ScreenRect{1024, 0, 800, 600};
            }
            return ScreenRect{0, 0, 1024, 768};
        }
        ScreenSize WindowSize() override { return {100, 50}; }
    } screened;
    MeterEngine e{MeterEnv{line, store, clock, messages, connection, power, screened,
                           DataFiles(dir.path().string(), "Trovik"), ""}};
    const struct {
        const char* x;
        const char* y;
        ScreenPoint placed;
    } cases[] = {
        {"40", "30", {40, 30}},                   // on screen: unchanged
        {"1000", "760", {924, 718}},              // past right and bottom
        {"-5000", "-20", {0, 0}},                 // past left and top
        {"2147483647", "-2147483648", {924, 0}},  // the extremes do not overflow
        {"1800", "590", {1724, 550}},             // kept on the second screen
        {"1100", "20", {1100, 20}},               // already on the second screen
    };
    for (const auto& c : cases) {
        Set("WndPosX", c.x);
        Set("WndPosY", c.y);
        ASSERT_EQ(e.Start(), StartResult::Running);
        EXPECT_EQ(screened.position.x, c.placed.x) << c.x << "," << c.y;
        EXPECT_EQ(screened.position.y, c.placed.y) << c.x << "," << c.y;
    }
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

// The error line names each kind seen in the tick, in bit order, and stays
// whole with all seven (197 bytes of UTF-8 after the time stamp).
TEST_F(MeterEngineTest, ErrorLineNamesEveryKindAndIsNeverCut) {
    const struct {
        std::vector<StatValue> kinds;
        std::string line;
    } cases[] = {
        {{StatValue::Alignment}, "通信エラー発生 - ｱﾗｲﾒﾝトｴﾗｰ"},
        {{StatValue::Buffer}, "通信エラー発生 - ﾊﾞｯﾌｧｵｰﾊﾞｰﾗﾝ"},
        {{StatValue::CRC}, "通信エラー発生 - CRCｴﾗｰ"},
        {{StatValue::Framing}, "通信エラー発生 - ﾌﾚｰﾐﾝｸﾞｴﾗｰ"},
        {{StatValue::Overrun}, "通信エラー発生 - ｵｰﾊﾞｰﾗﾝ"},
        {{StatValue::Runts}, "通信エラー発生 - 不完全ﾌﾚｰﾑ"},
        {{StatValue::Timeout}, "通信エラー発生 -\xE3\x80\x80ﾀｲﾑｱｳﾄ"},
        {{StatValue::Alignment, StatValue::Buffer, StatValue::CRC, StatValue::Framing,
          StatValue::Overrun, StatValue::Runts, StatValue::Timeout},
         "通信エラー発生 - ｱﾗｲﾒﾝトｴﾗｰ ﾊﾞｯﾌｧｵｰﾊﾞｰﾗﾝ CRCｴﾗｰ ﾌﾚｰﾐﾝｸﾞｴﾗｰ ｵｰﾊﾞｰﾗﾝ 不完全ﾌﾚｰﾑ"
         "\xE3\x80\x80ﾀｲﾑｱｳﾄ"},
    };
    Set("LogFile", "1");
    Set("SystemTick", "0");  // no restart mark
    ASSERT_EQ(Start(), StartResult::Running);
    std::string expected;
    for (const auto& c : cases) {
        for (StatValue kind : c.kinds) {
            line.Add(kind, 1);
        }
        Run(1);
        expected += "2025/12/07 18:33 " + c.line + "\r\n";
    }
    EXPECT_EQ(cases[7].line.size(), 197u);
    EXPECT_EQ(LogText(), expected);
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
