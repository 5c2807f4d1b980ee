// The data allowance through trovik-replay's interpreter, across the
// restarts the script makes, with the log and the state file it leaves
// checked against what was worked out by hand.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ScratchDir.h"
#include "tests/replay/ReplayFixture.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;

using testing::ReadBytes;
using testing::ReadText;

class AllowanceReplayTest : public testing::ReplayFixture {
protected:
    static std::string TestFile(const std::string& name) {
        return ReadText(fs::path(TROVIK_REPLAY_TESTS) / name);
    }
};

TEST_F(AllowanceReplayTest, KillExitAndNewPeriodLeaveTheLogAndTheStateFile) {
    EXPECT_EQ(Run(TestFile("allowance-restart.script")), TestFile("allowance-restart.expected"));

    // 10 KB a second from 23:40:00 against 2 MiB: 50 % (1024 KB) at the
    // slow step of 23:41:50, 80 % (1638 KB) at 23:42:45. The kill at
    // 23:43:00 leaves 1760 KB; the end at 2090 KB (23:43:33) hangs up, and
    // so does the connection after the exit. Nothing is reported twice.
    const std::string lines[] = {
        "2026/12/09 23:40 - - - - - -",
        "2026/12/09 23:41 データ量警告 - 今期の使用量が50%に達しました",
        "2026/12/09 23:42 データ量警告 - 今期の使用量が80%に達しました",
        "2026/12/09 23:43 - - - - - -",  // the kill saved no tick count
        "2026/12/09 23:43 データ量上限到達 - 今期の使用量が上限に達しました",
        "2026/12/09 23:43 データ量上限 - 回線切断成功",
        "2026/12/09 23:43 回線が切断されました 接続時間=0時間00分 総受信=330KB(9968B/S)  "
        "総送信=0KB(0B/S)",
        "2026/12/09 23:43 回線が接続されました",
        "2026/12/09 23:43 データ量上限 - 回線切断成功",
        "2026/12/09 23:43 回線が切断されました 接続時間=0時間00分 総受信=0KB(0B/S)  "
        "総送信=0KB(0B/S)",
        "2026/12/10 00:03 回線が接続されました",
    };
    std::string log;
    for (const std::string& line : lines) {
        log += line + "\r\n";
    }
    EXPECT_EQ(ReadText(data.Path("Trovik.LOG")), log);

    // The new period first with the 220 KB of 10 December, nothing reported;
    // the period before with its 2090 KB and the end reported.
    const std::vector<std::uint8_t> state = {
        'T',  'r',  'v',  'i',  'k',  'Q',  'A',  '1',   //
        0xEA, 0x07, 0x0C, 0x0A, 0xEB, 0x07, 0x01, 0x09,  // 2026-12-10 to 2027-01-09
        0xDC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 220 KB
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // of 2 MiB, none reported
        0xEA, 0x07, 0x0B, 0x0A, 0xEA, 0x07, 0x0C, 0x09,  // 2026-11-10 to 2026-12-09
        0x2A, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 2090 KB
        0x02, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00,  // of 2 MiB, the end reported
    };
    EXPECT_EQ(ReadBytes(data.Path("Trovik.QTA")), state);
    EXPECT_FALSE(fs::exists(data.Path("Trovik_2026.CUM"))) << "LogCumulate is off";
}

}  // namespace
}  // namespace trovik
