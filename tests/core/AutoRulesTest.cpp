#include <gtest/gtest.h>

#include <algorithm>

#include "stats/Cumulative.h"
#include "stats/WeeklyScope.h"
#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

using AutoRulesTest = EngineTest;

TEST_F(AutoRulesTest, ErrorTicksReachingTheLimitHangUpEachTime) {
    Set("DiscOnError", "1");
    Set("ErrorLimit", "3");
    connection.connected = true;
    connection.accept = false;  // the line stays, so every attempt can be seen
    ASSERT_EQ(Start(), StartResult::Running);
    Run(20);  // the window slides from the eleventh tick on
    for (int i = 0; i < 2; ++i) {
        line.Add(StatValue::Overrun, 1);
        Run(10);
    }
    EXPECT_EQ(connection.hangUps, 0);
    line.Add(StatValue::Overrun, 1);
    Run(1);
    EXPECT_EQ(connection.hangUps, 1) << "three error ticks within 60 ticks";
    EXPECT_EQ(engine.autoDisconnects, 1u);
    line.Add(StatValue::Runts, 1);
    Run(1);
    EXPECT_EQ(connection.hangUps, 2) << "a fourth one in the window tries again";
    Run(60);
    line.Add(StatValue::Runts, 1);
    Run(1);
    EXPECT_EQ(connection.hangUps, 2) << "the older ones have left the window";
}

TEST_F(AutoRulesTest, IdleRuleCanIgnoreOutgoingKeepAlives) {
    Set("DiscOnIdol", "1");
    Set("IdolTimer", "1");
    Set("LogFile", "1");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(1200, 10, 0);  // two minutes of outgoing keep-alive only
    EXPECT_EQ(connection.hangUps, 0);
    EXPECT_TRUE(connection.connected);

    Set("IdolTimeIgnoreTx", "1");
    engine.settings = LoadSettings(store);
    Run(599, 10, 0);
    EXPECT_EQ(connection.hangUps, 0);
    Run(10, 10, 0);
    EXPECT_EQ(connection.hangUps, 1) << "60 seconds without received bytes";
    EXPECT_FALSE(connection.connected);
    EXPECT_EQ(Count(LogText(), "通信途絶 - 回線切断成功"), 1u);
}

// A line the meter leaves to its service is named in the log once, however
// often a rule tries; and the tray tip says when no link is counted.
TEST_F(AutoRulesTest, AnUnmanagedLineIsLoggedOnceAndNoLinkIsToldInTheTip) {
    Set("DiscOnIdol", "1");
    Set("IdolTimer", "1");
    Set("LogFile", "1");
    connection.connected = true;
    connection.accept = false;
    connection.unmanaged = "usb0";
    line.countsNothing = true;
    line.present = "eth0 wlan0";
    ASSERT_EQ(Start(), StartResult::Running);
    EXPECT_EQ(window.trayTips.back(),
              "Vemaro\n計測する回線がありません (見つかった回線: eth0 wlan0)");
    Run(1210);  // the idle rule tries after each minute
    EXPECT_EQ(connection.hangUps, 2);
    EXPECT_EQ(Count(LogText(), "回線 usb0 はどのサービスの管理下にもないため切断しません"), 1u);
    EXPECT_EQ(Count(LogText(), "通信途絶 - 回線切断失敗"), 2u);

    line.countsNothing = false;
    Run(110);
    EXPECT_EQ(window.trayTips.back(), "Vemaro");
}

TEST_F(AutoRulesTest, TimeUpRuleRepeatsThroughTheMinuteWithoutALine) {
    Set("DiscOnTimeUp", "1");
    Set("LogFile", "1");
    clock.now = At(2026, 12, 8, 7, 54, 50);
    ASSERT_EQ(Start(), StartResult::Running);
    Run(900);
    const std::size_t failures = Count(LogText(), "７時５５分到来 - 回線切断失敗");
    EXPECT_GE(failures, 5u);
    EXPECT_LE(failures, 6u);
    EXPECT_EQ(engine.autoDisconnects, failures);
}

TEST_F(AutoRulesTest, KilobytesAreMovedWholeAndTheRestCarried) {
    Set("LogCumulate", "1");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(1, 0, 1000);
    Run(109);  // the first slow step runs at the 11th second
    EXPECT_EQ(engine.cumRecvKB, 0u);
    Run(1, 0, 1000);
    Run(109);
    EXPECT_EQ(engine.cumRecvKB, 1u);
    EXPECT_EQ(engine.sampler.recvSamples[0] - engine.cumBaseRecv, 976u);
}

TEST_F(AutoRulesTest, PeriodOverAClockSetBackCountsNoSeconds) {
    Set("LogCumulate", "1");
    clock.now = At(2026, 12, 7, 21, 30, 0);
    ASSERT_EQ(Start(), StartResult::Running);
    connection.connected = true;
    Run(10);           // connected at 21:30:01
    startTime -= 600;  // a time sync sets the clock back ten minutes
    connection.connected = false;
    Run(10);
    CumulativeImage image;
    ASSERT_TRUE(ReadCumulativeYear(DataFiles(dir.path().string(), "Trovik"), 2026, image));
    const auto hour = image.Record(371).Hour(21);
    EXPECT_EQ(hour.Seconds(), 0u);
    EXPECT_EQ(hour.Connections(), 1u);
}

TEST_F(AutoRulesTest, UnwritableYearFileKeepsThePeriodForTheNextFlush) {
    Set("LogCumulate", "1");
    clock.now = At(2026, 12, 7, 21, 30, 0);
    std::filesystem::create_directories(dir.Path("Trovik_2026.CUM"));  // in the file's way
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(110, 0, 1024);  // 110 KB, moved at the slow step at 21:30:11
    connection.connected = false;
    Run(10);  // the disconnect at 21:30:12 cannot be written
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kCumulativeFileErrorText);
    EXPECT_EQ(engine.PendingCumulative(), 1u);

    // The reconnect closes a period without writing, and still delivers the
    // waiting one once the file can be made.
    std::filesystem::remove(dir.Path("Trovik_2026.CUM"));
    connection.connected = true;
    Run(10);
    EXPECT_EQ(engine.PendingCumulative(), 0u);
    EXPECT_EQ(messages.shown.size(), 1u);
    CumulativeImage image;
    ASSERT_TRUE(ReadCumulativeYear(DataFiles(dir.path().string(), "Trovik"), 2026, image));
    EXPECT_EQ(image.Record(371).RecvKB(), 110u);
    EXPECT_EQ(image.Record(371).Hour(21).Seconds(), 12u);
    EXPECT_EQ(image.Record(371).Hour(21).Connections(), 1u);
}

TEST_F(AutoRulesTest, FirstScopeMarkOnlyTakesTheBaseline) {
    Set("LogStatics", "1");
    clock.now = At(2026, 12, 6, 23, 59, 55);  // a Sunday
    ASSERT_EQ(Start(), StartResult::Running);
    Run(110, 0, 100);  // the first slow step, 00:00:06 Monday: the baseline
    ScopeImage scope;
    ASSERT_TRUE(LoadWeeklyScope(DataFiles(dir.path().string(), "Trovik"), scope));
    EXPECT_EQ(std::count(scope.Bytes().begin(), scope.Bytes().end(), 0), 8064);
    // The next mark is the slow step at 00:10:00, 5940 ticks of 100 bytes
    // later; the average is always taken over 600 seconds.
    Run(6000, 0, 100);
    ASSERT_TRUE(LoadWeeklyScope(DataFiles(dir.path().string(), "Trovik"), scope));
    EXPECT_EQ(scope.Latest(ScopeSlot(1, 0, 10)), 594000u / 600u);
    EXPECT_EQ(scope.Highest(ScopeSlot(1, 0, 10)), 990u);
}

TEST_F(AutoRulesTest, CountdownPumpsMessagesAndTrayStartHidesOnce) {
    Set("ShutDownTimer", "1");
    Set("ShutDownTimeout", "1");
    Set("TrayIconOnStart", "1");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(2);
    EXPECT_EQ(window.hides, 1);
    connection.connected = false;
    Run(10 * 61);
    EXPECT_TRUE(window.countdownOpen);
    EXPECT_EQ(window.events.front(), "open 14");
    EXPECT_EQ(window.events[1], "BEEP");
    EXPECT_EQ(window.events[2], "29秒後にシステムを自動終了します。 96");
    EXPECT_EQ(window.events[3], "beep");
    EXPECT_GE(window.pumps, 1);
    engine.CountdownCancelPressed();
    EXPECT_FALSE(window.countdownOpen) << "the button closes the window at once";
    EXPECT_TRUE(engine.CountdownExists()) << "until the next second ends it";
    Run(10);
    EXPECT_FALSE(engine.CountdownExists());
    EXPECT_EQ(engine.shutdownCountdown, 0u);
    EXPECT_EQ(power.requests, 0);
}

// A line that comes back while the countdown counts: the window closes, the
// countdown is armed again without a cancel line, and nothing counts while
// connected, however long the line had been down.
TEST_F(AutoRulesTest, ConnectionDuringTheCountdownEndsItAndArmsItAgain) {
    Set("ShutDownTimer", "1");
    Set("ShutDownTimeout", "1");
    Set("LogFile", "1");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(10);
    connection.connected = false;
    Run(10 * 65);  // the countdown opened at 60 s and counts
    ASSERT_TRUE(window.countdownOpen);
    ASSERT_LT(engine.shutdownCountdown, 30u);
    connection.connected = true;
    Run(10);
    EXPECT_FALSE(window.countdownOpen);
    EXPECT_FALSE(engine.CountdownExists());
    EXPECT_EQ(engine.shutdownCountdown, 30u);
    Run(10 * 120);
    EXPECT_EQ(power.requests, 0) << "no power-off for a machine in use";
    EXPECT_FALSE(window.countdownOpen) << "nothing counts while connected";
    EXPECT_EQ(Count(LogText(), "システム終了開始"), 1u);
    EXPECT_EQ(Count(LogText(), "キャンセル"), 0u);
    EXPECT_EQ(Count(LogText(), "回線が接続されました"), 1u) << "the connect is logged as usual";

    // The next hang-up starts the rule over: a full countdown, then the request.
    connection.connected = false;
    Run(10 * 61);
    EXPECT_TRUE(window.countdownOpen);
    Run(10 * 29);
    EXPECT_EQ(power.requests, 1);
}

}  // namespace
}  // namespace trovik
