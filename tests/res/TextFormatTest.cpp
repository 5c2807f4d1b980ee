#include "res/TextFormat.h"

#include <gtest/gtest.h>

#include <array>

#include "res/StringTable.h"

namespace trovik {
namespace {

TEST(TextFormat, FillsTheDisconnectLine) {
    // 1 h 5 min; 2,048,000 bytes received at 512 B/s, 10,240 sent at 4 B/s.
    const std::uint64_t recvKB = 2048000u / 1024u;
    const std::uint64_t sentKB = 10240u / 1024u;
    EXPECT_EQ(FormatText(LoadString(kLogDisconnected), {1u, 5u, recvKB, 512u, sentKB, 4u}),
              "回線が切断されました 接続時間=1時間05分 総受信=2000KB(512B/S)  総送信=10KB(4B/S)");
}

TEST(TextFormat, WidthsFlagsAndSigns) {
    EXPECT_EQ(FormatText("%04u/%02u/%02u %02u:%02u %s", {2001u, 3u, 3u, 21u, 5u, "x"}),
              "2001/03/03 21:05 x");
    EXPECT_EQ(FormatText("[%9I64ukB]", {std::uint64_t{123}}), "[      123kB]");
    EXPECT_EQ(FormatText("[%-4u]", {7u}), "[7   ]");
    EXPECT_EQ(FormatText("%d %d %u", {-5, std::int32_t{0}, 0xFFFFFFFFu}), "-5 0 4294967295");
    EXPECT_EQ(FormatText("%I64u", {std::uint64_t{18446744073709551615ull}}),
              "18446744073709551615");
    EXPECT_EQ(FormatText("100%% %u", {3u}), "100% 3");
}

TEST(TextFormat, MissingArgumentsAndStrayPercentsDoNotCrash) {
    EXPECT_EQ(FormatText("受%u 送%u", {12u}), "受12 送");
    EXPECT_EQ(FormatText("%q and %", {}), "%q and %");
}

TEST(TextFormat, BoundedBufferCutsAndTerminates) {
    std::array<char, 6> buf{};
    buf.fill('x');
    EXPECT_EQ(FormatInto(buf.data(), buf.size(), "%u-%u", {12345u, 678u}), 5u);
    EXPECT_STREQ(buf.data(), "12345");
    EXPECT_EQ(FormatInto(buf.data(), 1, "abc", {}), 0u);
    EXPECT_EQ(buf[0], '\0');
}

}  // namespace
}  // namespace trovik
