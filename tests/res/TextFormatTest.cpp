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
    EXPECT_EQ(FormatText("(%+lld) (%+lld) (%+d)", {std::int64_t{86400}, std::int64_t{-3600}, 0}),
              "(+86400) (-3600) (+0)");
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

TEST(TextFormat, CutsOnlyBetweenCharacters) {
    const struct {
        std::string_view text;
        std::size_t limit;
        std::size_t kept;
    } cases[] = {
        {"abc", 2, 2},
        {"abc", 9, 3},
        {"あい", 6, 6},  // two three-byte characters
        {"あい", 5, 3},
        {"あい", 3, 3},
        {"あい", 2, 0},
        {"aあ", 3, 1},
        {"\xC3\xA9x", 1, 0},  // a two-byte character
        {"\xC3\xA9x", 2, 2},
        {"x\xF0\x9F\x98\x80", 4, 1},  // a four-byte character
        {"x\xF0\x9F\x98\x80", 5, 5},
        {"\x80\x80\x80", 2, 2},  // no lead byte to go back to: cut where asked
        {"", 4, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8PrefixLength(c.text, c.limit), c.kept) << c.text << " " << c.limit;
    }

    // A bounded format never ends inside a character.
    std::array<char, 8> buf{};
    EXPECT_EQ(FormatInto(buf.data(), 5, "ab受け", {}), 2u);
    EXPECT_STREQ(buf.data(), "ab");
    EXPECT_EQ(FormatInto(buf.data(), 6, "ab受け", {}), 5u);
    EXPECT_STREQ(buf.data(), "ab受");
    EXPECT_EQ(FormatInto(buf.data(), 6, "%s", {"\xE3\x80\x80ﾀ"}), 3u);
    EXPECT_STREQ(buf.data(), "\xE3\x80\x80");
    // A cut through the digits of a number stays where it is.
    EXPECT_EQ(FormatInto(buf.data(), 6, "受%u", {123u}), 5u);
    EXPECT_STREQ(buf.data(), "受12");
}

}  // namespace
}  // namespace trovik
