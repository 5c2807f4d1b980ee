// The data allowance as the running meter keeps it, and the notifications of
// the automatic actions.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "stats/AllowanceState.h"
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
constexpr const char* kWarn65 = "データ量警告 - 今期の使用量が65%に達しました";
constexpr const char* kWarn80 = "データ量警告 - 今期の使用量が80%に達しました";
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

    // Another meter on the same line, clock, settings and files, started:
    // the program run again.
    std::unique_ptr<MeterEngine> Restarted() {
        auto other = std::make_unique<MeterEngine>(
            MeterEnv{line, store, clock, messages, connection, power, window,
                     DataFiles(dir.path().string(), "Trovik"), dir.path().string() + "/"});
        other->UseNotifier(notifier);
        startTime = clock.now;
        clockMs = 0;
        EXPECT_EQ(other->Start(), StartResult::Running);
        return other;
    }

    std::string StatePath() const { return dir.Path("Trovik.QTA").string(); }

    // The state file as a test writes it: one period's entry.
    void WriteState(const Date& first, const Date& last, std::uint64_t usedKB,
                    std::uint32_t quotaMB, std::uint32_t percent) {
        AllowanceState state;
        state.periods[0] = {first, last, usedKB, quotaMB, percent};
        ASSERT_TRUE(WriteAllowanceState(StatePath(), state));
    }

    AllowanceState ReadState() const {
        AllowanceState state;
        EXPECT_EQ(ReadAllowanceState(StatePath(), state), StoredFile::Read);
        return state;
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
    // 7 December is day 28 of 30: 6140 KB left over three days; 4100 KB in
    // 28 days is 4392 KB in 30.
    EXPECT_EQ(window.trayTips.back(),
              "Vemaro — 4 MB / 10 MB (40 %)\n今日の目安 あと 1.99 MB\n期末見込み 4.28 MB");

    Run(109, 0, 1024);
    EXPECT_EQ(engine.PeriodUseKB(), 4100u) << "nothing is counted between slow steps";
    Run(1, 0, 1024);  // the slow step at the eleventh second moves 110 KB
    EXPECT_EQ(engine.PeriodUseKB(), 4210u);
    EXPECT_EQ(window.trayTips.back(),
              "Vemaro — 4.11 MB / 10 MB (41 %)\n今日の目安 あと 1.96 MB\n期末見込み 4.4 MB");
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
    Run(550, 0, 1024);  // 880 KB passes 80 %, 1100 KB the 1024 KB allowance
    Run(2200, 0, 1024);
    const std::string log = LogText();
    EXPECT_EQ(Count(log, kWarn50), 1u);
    EXPECT_EQ(Count(log, kWarn80), 1u);
    EXPECT_EQ(Count(log, kReached), 1u);
    EXPECT_EQ(notifier.notices,
              (std::vector<std::string>{
                  std::string("allowance ") + kWarn50 + " | 550 KB / 1 MB (53 %)",
                  std::string("allowance ") + kWarn80 + " | 880 KB / 1 MB (85 %)",
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
    EXPECT_EQ(window.trayTips.back(),
              "Vemaro — 1.95 MB / 1 MB (195 %)\n今日の目安 あと 0 KB\n期末見込み 1.95 MB");
    EXPECT_EQ(Count(LogText(), "データ量"), 0u);
    EXPECT_TRUE(notifier.notices.empty());
}

// Runs with the records off and on: the allowance must not depend on them.
class AllowanceRestartTest : public AllowanceTest,
                             public ::testing::WithParamInterface<const char*> {};

// 2.04 MB of a 2 MB allowance stay 2.04 MB across an exit and the used-up
// line is hung up again; a kill loses only what came after the last slow
// step.
TEST_P(AllowanceRestartTest, UseAndItsHangUpHoldAcrossAnExitAndAKill) {
    Set("LogCumulate", GetParam());
    Set("QuotaMB", "2");
    Set("DiscOnQuota", "1");
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(2090, 0, 1024);  // the 19th slow step reaches 2090 KB and hangs up
    Run(20);
    engine.Destroy();

    auto again = Restarted();
    EXPECT_EQ(again->PeriodUseKB(), 2090u);
    connection.connected = true;  // the user dials again, and the hang-up fails
    connection.accept = false;
    RunOther(*again, 165, 1024);  // one slow step: 110 KB, and 55 KB not moved
    EXPECT_EQ(connection.hangUps, 2) << "still used up after the restart";
    auto third = Restarted();  // the second meter is killed: no exit, no flush
    EXPECT_EQ(third->PeriodUseKB(), 2200u);
    EXPECT_EQ(Count(LogText(), kReached), 1u) << "reported once, in the first run";
}

INSTANTIATE_TEST_SUITE_P(RecordsOffAndOn, AllowanceRestartTest, ::testing::Values("0", "1"));

TEST_F(AllowanceTest, StartTakesTheLargerOfTheStateFileAndTheRecords) {
    Set("QuotaMB", "10");
    clock.now = At(2026, 12, 7, 21, 0, 0);
    struct Case {
        std::uint32_t recordsKB;  // on 1 December
        Date first;               // of the state file's period; year 0: no file
        std::uint64_t stateKB;
        std::uint64_t use;
    };
    const Case cases[] = {
        {500, {2026, 11, 10}, 800, 800},   // counted past the records
        {900, {2026, 11, 10}, 300, 900},   // the records past the file
        {100, {2026, 10, 10}, 5000, 100},  // the file holds the period before
        {400, {}, 0, 400},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(StatePath());
        WriteYear(2026, {{12, 1, c.recordsKB, 0}});
        if (c.first.year != 0) {
            WriteState(c.first, {c.first.year, c.first.month + 1, 9}, c.stateKB, 10, 0);
        }
        auto meter = Restarted();
        EXPECT_EQ(meter->PeriodUseKB(), c.use) << c.recordsKB;
        meter->Destroy();
        EXPECT_EQ(ReadState().periods[0].usedKB, c.use) << "the exit keeps it";
    }
}

TEST_F(AllowanceTest, ANewPeriodStartsFromZeroAndTheFileKeepsTheOneBefore) {
    Set("LogCumulate", "0");
    Set("QuotaMB", "2");
    WriteState({2026, 11, 10}, {2026, 12, 9}, 1500, 2, 50);
    clock.now = At(2026, 12, 9, 23, 59, 30);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    EXPECT_EQ(engine.PeriodUseKB(), 1500u);
    // 23:59:41 and :52 add 220 KB (1720 KB passes 80 %); at 00:00:03 the last
    // 110 KB of the old period's interval go to it, and the new period
    // begins; 00:00:14 and :25 count 220 KB there.
    Run(550, 0, 1024);
    EXPECT_EQ(engine.UsePeriod().firstRecord, DayIndex(2027, 0, 10));
    EXPECT_EQ(engine.PeriodUseKB(), 220u);
    EXPECT_EQ(Count(LogText(), kWarn80), 1u);
    EXPECT_EQ(Count(LogText(), kWarn50), 0u) << "reported before this run";
    const std::vector<std::uint8_t> image = {
        'T',  'r',  'v',  'i',  'k',  'Q',  'A',  '1',   //
        0xEA, 0x07, 0x0C, 0x0A, 0xEB, 0x07, 0x01, 0x09,  // 2026-12-10 to 2027-01-09
        0xDC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 220 KB
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // of 2 MiB, no level yet
        0xEA, 0x07, 0x0B, 0x0A, 0xEA, 0x07, 0x0C, 0x09,  // 2026-11-10 to 2026-12-09
        0x26, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 1830 KB
        0x02, 0x00, 0x00, 0x00, 0x50, 0x00, 0x00, 0x00,  // 80 % of 2 MiB reported
    };
    EXPECT_EQ(testing::ReadBytes(StatePath()), image);
    // Day 1 of 31: 1828 KB left over 31 days; 220 KB a day makes 6820 KB.
    EXPECT_EQ(window.trayTips.back(),
              "Vemaro — 220 KB / 2 MB (10 %)\n今日の目安 あと 58 KB\n期末見込み 6.66 MB");
}

TEST_F(AllowanceTest, AStateFileThatIsNotOursIsLeftAsItIsAndTheUseCountedInMemory) {
    Set("QuotaMB", "2");
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    std::string newer = "TrvikQA2";
    newer.resize(kAllowanceStateSize, '\0');
    // Another program's file, a later version's, and a directory ("").
    for (const std::string& bytes :
         {std::string("not an allowance state\n"), newer, std::string()}) {
        std::filesystem::remove_all(StatePath());
        WriteYear(2026, {{12, 1, 300, 0}});
        if (bytes.empty()) {
            std::filesystem::create_directory(StatePath());
        } else {
            testing::WriteText(StatePath(), bytes);
        }
        messages.shown.clear();
        auto meter = Restarted();
        RunOther(*meter, 220, 1024);
        EXPECT_EQ(meter->PeriodUseKB(), 520u) << "the records' 300 KB, counted on in memory";
        meter->Destroy();
        if (bytes.empty()) {
            EXPECT_TRUE(std::filesystem::is_empty(StatePath()));
        } else {
            EXPECT_EQ(testing::ReadText(StatePath()), bytes);
        }
        ASSERT_EQ(messages.shown.size(), 1u) << "told once, at start";
        EXPECT_EQ(messages.shown[0].text, kAllowanceFileUnusableText);
        EXPECT_EQ(notifier.notices.back(),
                  "file " + std::string(kAllowanceFileUnusableText) + " | " + StatePath());
    }
}

// Each level is reported once per period, whether the meter ended, was
// killed or passed the level in its exit's last move.
TEST_F(AllowanceTest, EachLevelIsReportedOncePerPeriodAcrossRestarts) {
    Set("LogCumulate", "0");
    Set("QuotaMB", "1");
    Set("QuotaWarn", "65");  // one level more: 512, 665, 819 and 1024 KB
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(550, 0, 1024);  // 550 KB: 50 %
    engine.Destroy();
    auto second = Restarted();
    RunOther(*second, 220, 1024);  // 770 KB: the user's 65 %; then killed
    auto third = Restarted();
    RunOther(*third, 160, 1024);  // 880 KB: 80 %, and 50 KB the exit moves
    third->Destroy();
    auto fourth = Restarted();
    RunOther(*fourth, 100, 1024);  // no slow step: the exit moves 100 KB
    fourth->Destroy();             // and reports the end that 1030 KB pass
    auto fifth = Restarted();
    EXPECT_EQ(fifth->PeriodUseKB(), 1030u);
    RunOther(*fifth, 220, 1024);
    fifth->Destroy();
    EXPECT_EQ(notifier.notices,
              (std::vector<std::string>{
                  std::string("allowance ") + kWarn50 + " | 550 KB / 1 MB (53 %)",
                  std::string("allowance ") + kWarn65 + " | 770 KB / 1 MB (75 %)",
                  std::string("allowance ") + kWarn80 + " | 880 KB / 1 MB (85 %)",
                  std::string("allowance ") + kReached + " | 1 MB / 1 MB (100 %)"}));
}

TEST_F(AllowanceTest, AChangedAllowanceReportsTheHighestLevelItsUsePasses) {
    Set("QuotaMB", "2");
    Set("DiscOnQuota", "1");
    clock.now = At(2026, 12, 7, 21, 0, 0);
    connection.connected = true;
    ASSERT_EQ(Start(), StartResult::Running);
    Run(1100, 0, 1024);  // 1100 KB: 50 % of 2 MB
    Set("QuotaMB", "1");
    engine.ReloadSettings();
    Run(110);  // the next slow step: past the whole new allowance, at once
    EXPECT_EQ(Count(LogText(), kWarn80), 0u) << "passed together with the end";
    EXPECT_EQ(Count(LogText(), kReached), 1u);
    EXPECT_EQ(connection.hangUps, 1);
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
