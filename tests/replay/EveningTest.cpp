// Whole evenings through trovik-replay's interpreter, with the files they
// leave checked byte for byte against images worked out by hand.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/ScratchDir.h"
#include "tests/replay/ReplayFixture.h"
#include "tools/replay/ReplayScript.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;

using testing::ReadText;

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    const std::string text = ReadText(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void Put32(std::vector<std::uint8_t>& image, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        image[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void Put16(std::vector<std::uint8_t>& image, std::size_t at, std::uint16_t v) {
    image[at] = static_cast<std::uint8_t>(v);
    image[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint32_t Get32(const std::vector<std::uint8_t>& image, std::size_t at) {
    return static_cast<std::uint32_t>(image[at]) |
           (static_cast<std::uint32_t>(image[at + 1]) << 8) |
           (static_cast<std::uint32_t>(image[at + 2]) << 16) |
           (static_cast<std::uint32_t>(image[at + 3]) << 24);
}

// Whole evenings, with the files they leave.
class EveningTest : public testing::ReplayFixture {
protected:
    static std::string ScriptFile(const std::string& name) {
        return ReadText(fs::path(TROVIK_REPLAY_SCRIPTS) / name);
    }
};

TEST_F(EveningTest, AWholeEveningLeavesItsRecords) {
    EXPECT_EQ(Run(ScriptFile("evening.script")), ScriptFile("evening.expected"));

    const std::string lines[] = {
        "2026/12/07 20:58 - - - - - -",
        "2026/12/07 20:58 回線が接続されました",
        "2026/12/07 20:59 通信エラー発生 - CRCｴﾗｰ",
        "2026/12/07 20:59 通信エラー発生 - CRCｴﾗｰ ﾌﾚｰﾐﾝｸﾞｴﾗｰ",
        "2026/12/07 21:01 通信途絶 - 回線切断成功",
        "2026/12/07 21:01 回線が切断されました 接続時間=0時間03分 総受信=1261KB(6803B/S)  "
        "総送信=126KB(680B/S)",
        "2026/12/07 21:02 無接続持続 - システム終了開始",
        "2026/12/07 21:02 システム終了はオペレータによってキャンセルされました",
        "2026/12/07 21:02 回線が接続されました",
        "2026/12/07 21:02 通信エラー発生 -\u3000ﾀｲﾑｱｳﾄ",
        "2026/12/07 21:02 通信エラー発生 -\u3000ﾀｲﾑｱｳﾄ",
        "2026/12/07 21:02 通信エラー発生 -\u3000ﾀｲﾑｱｳﾄ",
        "2026/12/07 21:02 回線が切断されました 接続時間=0時間00分 総受信=1409KB(4945B/S)  "
        "総送信=140KB(494B/S)",
        "2026/12/07 21:03 無接続持続 - システム終了開始",
        "2026/12/07 21:04 回線が接続されました",
        "2026/12/08 07:55 ７時５５分到来 - 回線切断成功",
        "2026/12/08 07:55 回線が切断されました 接続時間=10時間50分 総受信=1790KB(46B/S)  "
        "総送信=140KB(3B/S)",
        "2026/12/08 07:55 ７時５５分到来 - 回線切断失敗",
        "2026/12/08 07:55 ７時５５分到来 - 回線切断失敗",
        "2026/12/08 07:55 ７時５５分到来 - 回線切断失敗",
        "2026/12/08 07:55 ７時５５分到来 - 回線切断失敗",
        "2026/12/08 07:55 ７時５５分到来 - 回線切断失敗",
    };
    std::string log;
    for (const std::string& line : lines) {
        log += line + "\r\n";
    }
    EXPECT_EQ(ReadText(data.Path("Trovik.LOG")), log);

    // The year file: 7 December is record 31 + 334 + 6 = 371, 8 December 372.
    // Each interval counts to the day and hour it began. Kilobytes are the
    // whole ones moved at the slow steps (every 11 s from 20:58:00) while
    // connected, the remainder carried on:
    //  - 21:00:01, hour flush: 1,200,000 bytes in = 1171 KB, 120,000 out = 117 KB;
    //  - 21:00:12: 1,292,000 in (+90 KB), 129,200 out (+9 KB); the idle
    //    hang-up's disconnect flushes them with one ended call;
    //  - second call, steps at 21:02:24, :35, :46: +9, +54, +53 KB in and
    //    +1, +5, +5 KB out; the disconnect at 21:02:53 flushes;
    //  - third call, one byte a tick: the first hour flush (22:00:09) moves
    //    the 32 KB left from the second call too, 65 KB in all, and 3 KB out;
    //    then 35, 35, 35, 35, 36, 35, 35, 35, 35 KB per hour and 32 KB up to
    //    the hang-up at 07:55:04.
    std::vector<std::uint8_t> cum(41916, 0);
    const auto rec = [](std::size_t n) { return 4 + 104 * n; };
    const auto hour = [&](std::size_t n, std::size_t h) { return rec(n) + 8 + 4 * h; };
    Put32(cum, rec(371), 1171 + 90 + 116 + 65 + 35 + 35);
    Put32(cum, rec(371) + 4, 117 + 9 + 11 + 3);
    Put16(cum, hour(371, 20), 120);  // 20:58:01 to the 21:00:01 slow step
    // 21:00:01-21:01:11 (70 s), 21:02:22-21:02:53 (31 s), 21:04:23-22:00:09
    // (3346 s); two calls ended.
    Put16(cum, hour(371, 21), 70 + 31 + 3346);
    cum[hour(371, 21) + 2] = 2;
    Put16(cum, hour(371, 22), 3597);  // 22:00:09 to 23:00:06
    Put16(cum, hour(371, 23), 3597);  // 23:00:06 to 00:00:03
    Put32(cum, rec(372), 35 + 35 + 36 + 35 + 35 + 35 + 35 + 32);
    const std::uint16_t night[] = {3597, 3608, 3597, 3597, 3608, 3597, 3597};
    for (std::size_t h = 0; h < 7; ++h) {
        Put16(cum, hour(372, h), night[h]);
    }
    Put16(cum, hour(372, 7), 3300);  // 07:00:04 to the hang-up at 07:55:04
    cum[hour(372, 7) + 2] = 1;
    EXPECT_EQ(ReadBytes(data.Path("Trovik_2026.CUM")), cum);

    // The weekly scope: marks at the first slow step (every 11 s from
    // 20:58:00) of every ten-minute boundary from 21:00 on; the first only
    // takes the baseline. From 21:04:23 on, one byte arrives per tick, so a
    // slot's average is the ticks between its marks divided by 600.
    std::vector<std::uint8_t> scope(8064, 0);
    const std::int64_t start = 0;  // 20:58:00, in seconds from the script's start
    auto markTick = [&](std::int64_t boundarySeconds) {
        const std::int64_t step =
            (boundarySeconds - start + 10) / 11 * 11;  // first step at or after
        return step * 10;
    };
    std::int64_t previous = markTick(120);  // 21:00 (baseline, 1,200,000 bytes received)
    // 21:10: 1,446,935 bytes at the mark, 246,935 since the baseline.
    std::int64_t mark = markTick(720);
    Put32(scope, 4 * 271, 246935 / 600);
    Put32(scope, 4032 + 4 * 271, 246935 / 600);
    previous = mark;
    for (std::size_t slot = 272; slot <= 335; ++slot) {  // Monday 21:20 to Tuesday 07:50
        const std::int64_t boundary = 720 + 600 * static_cast<std::int64_t>(slot - 271);
        mark = markTick(boundary);
        const auto rate = static_cast<std::uint32_t>((mark - previous) / 600);
        Put32(scope, 4 * slot, rate);
        Put32(scope, 4032 + 4 * slot, rate);
        previous = mark;
    }
    EXPECT_EQ(ReadBytes(data.Path("Trovik.STA")), scope);

    // The graph snapshot written at exit, 07:56 on 8 December: the header,
    // and a last two minutes of one byte per tick (10 B/s) received.
    const std::vector<std::uint8_t> dat = ReadBytes(data.Path("Trovik.DAT"));
    ASSERT_EQ(dat.size(), 6260u);
    EXPECT_EQ(std::string(dat.begin(), dat.begin() + 8), "TrvikGD1");
    EXPECT_EQ((std::vector<std::uint8_t>(dat.begin() + 8, dat.begin() + 12)),
              (std::vector<std::uint8_t>{12, 8, 7, 56}));
    EXPECT_EQ(Get32(dat, 12), 2000u);
    EXPECT_EQ(Get32(dat, 16), 5000u);
    for (std::size_t i = 0; i < 120; ++i) {
        EXPECT_EQ(Get32(dat, 20 + 4 * i), 0u) << "level 0 sent " << i;
        EXPECT_EQ(Get32(dat, 1940 + 4 * i), 10u) << "level 0 received " << i;
        EXPECT_EQ(dat[5780 + i], 0u) << "level 0 events " << i;
    }
}

TEST_F(EveningTest, HangUpCommandsAndCountdownCancels) {
    EXPECT_EQ(Run(ScriptFile("cancel-paths.script")), ScriptFile("cancel-paths.expected"));
    // The clear closes the countdown without a line; the menu's cancel is
    // logged at the next second.
    EXPECT_EQ(ReadText(data.Path("Trovik.LOG")),
              "2026/12/07 22:00 - - - - - -\r\n"
              "2026/12/07 22:00 回線が接続されました\r\n"
              "2026/12/07 22:00 オペレータによる切断要求 - 回線切断失敗\r\n"
              "2026/12/07 22:00 オペレータによる切断要求 - 回線切断成功\r\n"
              "2026/12/07 22:00 回線が切断されました 接続時間=0時間00分 総受信=0KB(0B/S)  "
              "総送信=0KB(0B/S)\r\n"
              "2026/12/07 22:01 無接続持続 - システム終了開始\r\n"
              "2026/12/07 22:01 回線が接続されました\r\n"
              "2026/12/07 22:01 回線が切断されました 接続時間=0時間00分 総受信=0KB(0B/S)  "
              "総送信=0KB(0B/S)\r\n"
              "2026/12/07 22:02 無接続持続 - システム終了開始\r\n"
              "2026/12/07 22:02 システム終了はオペレータによってキャンセルされました\r\n");
    EXPECT_FALSE(fs::exists(data.Path("Trovik_2026.CUM"))) << "LogCumulate switched off";
}

TEST_F(EveningTest, RefusedShutdownIsLoggedAndSwitchesTheRuleOff) {
    EXPECT_EQ(Run(ScriptFile("shutdown-refused.script")), ScriptFile("shutdown-refused.expected"));
    const std::string log = ReadText(data.Path("Trovik.LOG"));
    EXPECT_NE(log.find("2026/12/07 23:31 無接続持続 - システム終了開始\r\n"
                       "2026/12/07 23:31 システム終了失敗\r\n"),
              std::string::npos);
    // The snapshot was written before the request, with the connection seen.
    EXPECT_TRUE(fs::exists(data.Path("Trovik.DAT")));
}

}  // namespace
}  // namespace trovik
