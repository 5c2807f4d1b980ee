// Sleeps, stops, clock changes and a fast line through trovik-replay's
// interpreter: the output of each script as its .expected file says, and
// the log lines and records it leaves, worked out by hand in the scripts'
// comments.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stats/Calendar.h"
#include "stats/Cumulative.h"
#include "stats/DataFiles.h"
#include "stats/WeeklyScope.h"
#include "tests/ScratchDir.h"
#include "tests/replay/ReplayFixture.h"
#include "tools/replay/ReplayScript.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;

using testing::ReadText;

struct HourSeconds {
    unsigned month, day, hour;
    std::uint16_t seconds;
};

struct Case {
    const char* script;  // below tests/replay
    std::vector<std::string> logLines;
    std::vector<HourSeconds> hours;
};

class TimeGapsTest : public testing::ReplayFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(TimeGapsTest, RecordsKeepRealSecondsOnly) {
    const Case& c = GetParam();
    const fs::path script = fs::path(TROVIK_REPLAY_TESTS) / c.script;
    fs::path expected = script;
    expected.replace_extension(".expected");
    EXPECT_EQ(Run(ReadText(script)), ReadText(expected));

    const std::string log = ReadText(data.Path("Trovik.LOG"));
    for (const std::string& line : c.logLines) {
        EXPECT_NE(log.find(line + "\r\n"), std::string::npos) << line << "\nin\n" << log;
    }
    CumulativeImage image;
    ASSERT_TRUE(ReadCumulativeYear(DataFiles(data.path().string(), "Trovik"), 2026, image));
    for (const HourSeconds& h : c.hours) {
        EXPECT_EQ(image.Record(DayIndex(2026, h.month, h.day)).Hour(h.hour).Seconds(), h.seconds)
            << h.month << "/" << h.day << " " << h.hour << ":00";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, TimeGapsTest,
    ::testing::Values(
        Case{"suspend-call.script",
             {"2026/12/07 21:01 スリープに入りました",
              "2026/12/07 21:04 スリープから復帰しました (休止 0時間03分)",
              "2026/12/07 21:05 回線が切断されました 接続時間=0時間02分 総受信=1180KB(10000B/S)  "
              "総送信=118KB(1000B/S)"},
             {{12, 7, 21, 120}}},
        Case{"freeze-line-down.script",
             {"2026/12/07 22:03 計測の中断を検出しました (0時間03分)",
              "2026/12/07 22:03 回線が切断されました 接続時間=0時間00分 総受信=2119KB(10240B/S)  "
              "総送信=0KB(0B/S)"},
             {{12, 7, 22, 31}}},
        Case{"clock-forward.script",
             {"2026/12/09 20:02 時計の変更を検出しました (+86400秒)",
              "2026/12/09 20:04 回線が切断されました 接続時間=0時間04分 総受信=0KB(0B/S)  "
              "総送信=0KB(0B/S)"},
             {{12, 8, 20, 120}, {12, 9, 20, 121}}},
        Case{"clock-back.script",
             {"2026/12/08 19:32 時計の変更を検出しました (-3600秒)",
              "2026/12/08 19:34 回線が切断されました 接続時間=0時間04分 総受信=0KB(0B/S)  "
              "総送信=0KB(0B/S)"},
             {{12, 8, 20, 120}, {12, 8, 19, 121}}}));

// 8 MB/s for 25 minutes, past three wraps of the 32-bit counter. The weekly
// scope's marks fall on the slow steps at 10:00:11, 10:10:05 and 10:20:10
// (every 11 s from the start): 594 and 605 seconds of 8,000,000 B/s over
// the mark's 600 s, where 32-bit differences gave 761,721.
TEST_F(TimeGapsTest, FastLineCountsEveryByteInTheRecords) {
    const fs::path script = fs::path(TROVIK_REPLAY_TESTS) / "scripts" / "big-line.script";
    EXPECT_EQ(Run(ReadText(script)),
              ReadText(fs::path(TROVIK_REPLAY_TESTS) / "scripts" / "big-line.expected"));

    const DataFiles files(data.path().string(), "Trovik");
    CumulativeImage image;
    ASSERT_TRUE(ReadCumulativeYear(files, 2026, image));
    const ConstDayRecord day = std::as_const(image).Record(DayIndex(2026, 12, 7));
    EXPECT_EQ(day.RecvKB(), 11718750u);  // 12,000,000,000 / 1024
    EXPECT_EQ(day.SentKB(), 146484u);    // 150,000,000 / 1024
    EXPECT_EQ(day.Hour(10).Seconds(), 1500u);

    ScopeImage scope;
    ASSERT_EQ(ReadStoredImage(files.ScopePath(), scope.Bytes()), StoredFile::Read);
    EXPECT_EQ(scope.Latest(ScopeSlot(1, 10, 10)), 7920000u);
    EXPECT_EQ(scope.Latest(ScopeSlot(1, 10, 20)), 8066666u);
    EXPECT_EQ(scope.Highest(ScopeSlot(1, 10, 20)), 8066666u);
}

}  // namespace
}  // namespace trovik
