// The data allowance as the running meter keeps it, and the notifications of
// the automatic actions.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "stats/Calendar.h"
#include "stats/Cumulative.h"
#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

class RecordingNotifier final : public Notifier {
public:
    void Notify(NoticeKind kind, std::string_view summary, std::string_view body) override {
        const char* names[] = {"hangup", "shutdown", "allowance", "file"};
        notices.push_back(std::string(names[static_cast<int>(kind)]) + " " + std::string(summary) +
                          (body.empty() ? "" : " | " + std::string(body)));
    }
    std::vector<std::string> notices;
};

constexpr const char* kWarn50 = "データ量警告 - 今期の使用量が50%に達しました";
constexpr const char* kReached = "データ量上限到達 - 今期の使用量が上限に達しました";

class AllowanceTest : public EngineTest {
protected:
    AllowanceTest() {
        engine.UseNotifier(notifier);
        Set("LogFile", "1");
        Set("LogCumulate", "1");
    }

    // A year file written out by hand: received and sent KB on some days.
    struct Day {
        unsigned month;
        unsigned day;
        std::uint32_t recvKB;
        std::uint32_t sentKB;
    };
    void WriteYear(unsigned year, std::initializer_list<Day> days) {
        CumulativeImage image;
        for (const Day& d : days) {
            image.Record(DayIndex(year, d.month, d.day)).SetRecvKB(d.recvKB);
            image.Record(DayIndex(year, d.month, d.day)).SetSentKB(d.sentKB);
        }
        testing::WriteBytes(dir.Path("Trovik_" + std::to_string(year) + ".CUM"), image.Bytes());
    }

    // Ticks of another engine on the same line and clock.
    void RunOther(MeterEngine& other, int ticks, std::uint32_t recv) {
        for (int i = 0; i < ticks; ++i) {
            line.Add(StatValue::BytesRecvd, recv);
            clockMs += 100;
            clock.now = startTime + clockMs / 1000;
            clock.tick += 100;
            other.Tick();
        }
    }

    RecordingNotifier notifier;
};

TEST_F(AllowanceTest, DefaultsChangeNothing) {
    Set("LogFile", "1");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(36000, 0, 100000);  // an hour at about 1 MB/s
    EXPECT_EQ(window.trayTips, std::vector<std::string>{"Vemaro"});
    EXPECT_EQ(Count(LogText(), "データ量"), 0u);
    EXPECT_EQ(connection.hangUps, 0);
    EXPECT_TRUE(notifier.notices.empty());
    EXPECT_GT(engine.PeriodUseKB(), 0u) << "the use is counted all the same";
}

TEST_F(AllowanceTest, UseStartsFromThePeriodsRecordsAndGrowsWithEachStep) {
    Set("QuotaMB", "10");
    // Closing day 10: the period of 7 December runs from 10 November to 9
    // December; 5 November belongs to the one before.
    WriteYear(2026, {{11, 5, 5000, 0}, {11, 20, 3000, 100}, {12, 9, 1000, 0}});
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    EXPECT_EQ(engine.PeriodUseKB(), 4100u);
    EXPECT_EQ(engine.UsePeriod().firstRecord, DayIndex(2026, 11, 10));
    EXPECT_EQ(window.trayTips.back(), "Vemaro — 4 MB / 10 MB (40 %)");

    Run(109, 0, 1024);
    EXPECT_EQ(engine.PeriodUseKB(), 4100u) << "nothing is counted between slow steps";
    Run(1, 0, 1024);  // the slow step at the eleventh second moves 110 KB
    EXPECT_EQ(engine.PeriodUseKB(), 4210u);
    EXPECT_EQ(window.trayTips.back(), "Vemaro — 4.11 MB / 10 MB (41 %)");
}

TEST_F(AllowanceTest, WarningAndEndAreReportedOncePerPeriod) {
    Set("QuotaMB", "1");
    Set("QuotaWarn", "50");
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(549, 0, 1024);  // four slow steps: 440 KB
    EXPECT_EQ(Count(LogText(), kWarn50), 0u);
    Run(1, 0, 1024);  // 550 KB passes the 512 KB warning level
    EXPECT_EQ(Count(LogText(), kWarn50), 1u);
    Run(550, 0, 1024);  // 1100 KB passes the 1024 KB allowance
    Run(2200, 0, 1024);
    const std::string log = LogText();
    EXPECT_EQ(Count(log, kWarn50), 1u);
    EXPECT_EQ(Count(log, kReached), 1u);
    EXPECT_EQ(notifier.notices,
              (std::vector<std::string>{
                  std::string("allowance ") + kWarn50 + " | 550 KB / 1 MB (53 %)",
                  std::string("allowance ") + kReached + " | 1.07 MB / 1 MB (107 %)"}));
    EXPECT_EQ(connection.hangUps, 0) << "no hang-up without DiscOnQuota";
}

TEST_F(AllowanceTest, DiscOnQuotaHangsUpAtTheEndAndAtEachNewConnection) {
    Set("QuotaMB", "1");
    Set("DiscOnQuota", "1");
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(1100, 0, 1024);  // the tenth slow step reaches 1100 KB
    EXPECT_EQ(connection.hangUps, 1);
    EXPECT_FALSE(connection.connected);
    EXPECT_EQ(engine.autoDisconnects, 1u);
    EXPECT_EQ(Count(LogText(), "データ量上限 - 回線切断成功"), 1u);

    Run(20);
    connection.connected = true;  // the user dials again
    Run(10);
    EXPECT_EQ(connection.hangUps, 2) << "used up: the new connection is hung up too";
    EXPECT_FALSE(connection.connected);

    Run(10);  // the meter sees the line go
    connection.accept = false;
    connection.connected = true;
    Run(10);
    EXPECT_EQ(connection.hangUps, 3);
    EXPECT_TRUE(connection.connected);
    Run(100);
    EXPECT_EQ(connection.hangUps, 3) << "once per connection, not every second";
    const std::string log = LogText();
    EXPECT_EQ(Count(log, "データ量上限 - 回線切断成功"), 2u);
    EXPECT_EQ(Count(log, "データ量上限 - 回線切断失敗"), 1u);
    EXPECT_EQ(engine.autoDisconnects, 3u);
    EXPECT_EQ(notifier.notices.back(), "hangup データ量上限 - 回線切断失敗");
}

TEST_F(AllowanceTest, UsedUpLineAtStartIsHungUp) {
    Set("QuotaMB", "1");
    Set("DiscOnQuota", "1");
    WriteYear(2026, {{12, 1, 2000, 0}});
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(10);
    EXPECT_EQ(connection.hangUps, 1);
    EXPECT_EQ(Count(LogText(), kReached), 0u) << "the end was reached before this run";
}

TEST_F(AllowanceTest, NewPeriodCountsFromItsOwnStart) {
    Set("QuotaMB", "1");
    Set("QuotaWarn", "50");
    WriteYear(2026, {{12, 9, 900, 0}});  // past the warning level already
    clock.now = At(2026, 12, 9, 23, 58, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(220, 0, 1024);  // 23:58:22: 1120 KB
    EXPECT_EQ(Count(LogText(), kReached), 1u);
    EXPECT_EQ(Count(LogText(), kWarn50), 0u) << "passed before this run";

    // The slow step at 00:00:01 of the closing day moves the last 110 KB
    // into the open interval, which began at 23:58:00 and so belongs to the
    // old period, and closes it at the hour change; the new period begins
    // empty.
    Run(1210 - 220, 0, 1024);
    EXPECT_EQ(engine.UsePeriod().year, 2027u);
    EXPECT_EQ(engine.UsePeriod().firstRecord, DayIndex(2027, 0, 10));
    EXPECT_EQ(engine.PeriodUseKB(), 0u);
    Run(550, 0, 1024);  // 00:00:56: 550 KB of the new period
    EXPECT_EQ(engine.PeriodUseKB(), 550u);
    EXPECT_EQ(Count(LogText(), kWarn50), 1u) << "the new period warns afresh";
    CumulativeImage image;
    ASSERT_TRUE(ReadCumulativeYear(DataFiles(dir.path().string(), "Trovik"), 2026, image));
    EXPECT_EQ(image.Record(DayIndex(2026, 12, 9)).RecvKB(), 900u + 1210u);
}

TEST_F(AllowanceTest, NewYearInsideAPeriodAndARestartKeepTheUse) {
    Set("QuotaMB", "1");
    Set("QuotaWarn", "50");
    WriteYear(2026, {{12, 15, 400, 0}});
    clock.now = At(2026, 12, 31, 23, 59, 30);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    EXPECT_EQ(engine.PeriodUseKB(), 400u);
    Run(300, 0, 1024);  // 23:59:41 and 23:59:52: 620 KB
    EXPECT_EQ(Count(LogText(), kWarn50), 1u);
    Run(300, 0, 1024);  // over midnight: 00:00:03, :14, :25 add 330 KB
    EXPECT_EQ(engine.PeriodUseKB(), 950u);
    EXPECT_EQ(engine.UsePeriod().year, 2027u) << "10 December to 9 January, one period";
    engine.Destroy();  // the exit writes the January part, 380 KB, to the new year's file

    MeterEngine again{MeterEnv{line, store, clock, messages, connection, power, window,
                               DataFiles(dir.path().string(), "Trovik"),
                               dir.path().string() + "/"}};
    again.UseNotifier(notifier);
    startTime = clock.now;
    clockMs = 0;
    ASSERT_EQ(again.Start(), StartResult::Running);
    EXPECT_EQ(again.PeriodUseKB(), 1000u) << "December from 2026's file, January from 2027's";
    RunOther(again, 110 * 7, 1024);  // 770 KB more: 1770 KB
    const std::string log = again.log.ReadLogText().text;
    EXPECT_EQ(Count(log, kWarn50), 1u) << "the restart does not warn again";
    EXPECT_EQ(Count(log, kReached), 1u);
    again.Destroy();
}

TEST_F(AllowanceTest, ClockSetBackReadsTheEarlierPeriodWithoutReporting) {
    Set("QuotaMB", "1");
    WriteYear(2026, {{12, 5, 2000, 0}});
    clock.now = At(2026, 12, 11, 10, 0, 0);
    ASSERT_EQ(Start(), StartResult::Running);
    EXPECT_EQ(engine.PeriodUseKB(), 0u);
    startTime -= 2 * 86400;  // a time sync puts the clock at 9 December
    Run(110);
    EXPECT_EQ(engine.UsePeriod().firstRecord, DayIndex(2026, 11, 10));
    EXPECT_EQ(engine.PeriodUseKB(), 2000u);
    EXPECT_EQ(window.trayTips.back(), "Vemaro — 1.95 MB / 1 MB (195 %)");
    EXPECT_EQ(Count(LogText(), "データ量"), 0u);
    EXPECT_TRUE(notifier.notices.empty());
}

TEST_F(AllowanceTest, AutomaticActionsAreNotified) {
    // The idle hang-up.
    Set("DiscOnIdol", "1");
    Set("IdolTimer", "1");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(610);
    ASSERT_EQ(notifier.notices, std::vector<std::string>{"hangup 通信途絶 - 回線切断成功"});

    // The error hang-up: one notice for a run of attempts with one result.
    notifier.notices.clear();
    Set("DiscOnError", "1");
    engine.settings = LoadSettings(store);
    connection.connected = true;
    connection.accept = false;
    Run(20);
    for (int i = 0; i < 5; ++i) {
        line.Add(StatValue::CRC, 1);
        Run(1);
    }
    EXPECT_EQ(connection.hangUps, 1 + 3);
    EXPECT_EQ(notifier.notices, std::vector<std::string>{"hangup 通信エラー多発 - 回線切断失敗"});
    Run(70);  // the errors leave the window; a new run is reported again
    connection.accept = true;
    for (int i = 0; i < 3; ++i) {
        line.Add(StatValue::CRC, 1);
        Run(1);
    }
    EXPECT_EQ(notifier.notices, (std::vector<std::string>{"hangup 通信エラー多発 - 回線切断失敗",
                                                          "hangup 通信エラー多発 - 回線切断成功"}));
}

TEST_F(AllowanceTest, TimeUpCountdownAndRecordFileAreNotified) {
    Set("DiscOnTimeUp", "1");
    Set("ShutDownTimer", "1");
    Set("ShutDownTimeout", "1");
    std::filesystem::create_directories(dir.Path("Trovik_2026.CUM"));  // in the file's way
    clock.now = At(2026, 12, 8, 7, 54, 50);
    connection.connected = true;
    power.accept = false;
    ASSERT_EQ(Start(), StartResult::Running);
    // 7:55:01 hangs the line up; the disconnect's record cannot be written;
    // the later attempts of the minute find no line and are not news; a
    // minute offline starts the countdown.
    Run(900);
    EXPECT_EQ(notifier.notices,
              (std::vector<std::string>{
                  "hangup ７時５５分到来 - 回線切断成功",
                  "file " + std::string(kCumulativeFileErrorText) + " | " +
                      dir.Path("Trovik_2026.CUM").string(),
                  "shutdown 無接続持続 - システム終了開始 | 29秒後にシステムを自動終了します。"}));
    EXPECT_EQ(Count(LogText(), "７時５５分到来 - 回線切断失敗"), engine.autoDisconnects - 1);
}

TEST_F(AllowanceTest, NotifyOffSilencesTheNoticesButNotTheLog) {
    Set("Notify", "0");
    Set("DiscOnIdol", "1");
    Set("IdolTimer", "1");
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(610);
    EXPECT_EQ(connection.hangUps, 1);
    EXPECT_EQ(Count(LogText(), "通信途絶 - 回線切断成功"), 1u);
    EXPECT_TRUE(notifier.notices.empty());
}

}  // namespace
}  // namespace trovik
