#include "res/CompactNumber.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace trovik {
namespace {

TEST(CompactNumber, UnitStepsAndTruncatedTenths) {
    const struct {
        std::uint64_t value;
        std::string_view withTenths;
        std::string_view whole;
    } cases[] = {
        {0, "0", "0"},
        {999, "999", "999"},
        {1000, "1.0K", "1K"},
        {9999, "9.9K", "9K"},
        {99999, "99.9K", "99K"},
        {103830, "103.8K", "103K"},
        {999999, "999.9K", "999K"},  // truncated: never "1000.0K"
        {1000000, "1.0M", "1M"},
        {12400000, "12.4M", "12M"},
        {2700000000, "2.7G", "2G"},
        {4294967295, "4.2G", "4G"},
        {999999999999, "999.9G", "999G"},
        {1234567890123, "1.2T", "1T"},
        {18446744073709551615u, "18446744.0T", "18446744T"},
    };
    for (const auto& c : cases) {
        std::array<char, 16> buf{};
        EXPECT_EQ(std::string_view(buf.data(), CompactNumberInto(buf.data(), buf.size(), c.value)),
                  c.withTenths);
        EXPECT_EQ(
            std::string_view(buf.data(), CompactNumberInto(buf.data(), buf.size(), c.value, false)),
            c.whole);
    }
}

TEST(CompactNumber, NumbersInAText) {
    const struct {
        std::string_view text;
        std::string_view compact;
    } cases[] = {
        {"1,234,567 ", "1.2M "},
        {"4294967295±1897200 ", "4.2G±1.8M "},
        {"最高103830ﾊﾞｲﾄ/秒, 最新999ﾊﾞｲﾄ/秒", "最高103.8Kﾊﾞｲﾄ/秒, 最新999ﾊﾞｲﾄ/秒"},
        {" 月曜日 12:30 から10分間", " 月曜日 12:30 から10分間"},
        {"1,23 1234", "1,23 1.2K"},  // a comma before no three digits groups nothing
        {"17592186044415.99 GB", "17592186044415.99 GB"},    // a decimal fraction stays
        {"99999999999999999999 ", "99999999999999999999 "},  // past 64 bits
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompactNumbers(c.text), c.compact) << c.text;
    }
    EXPECT_EQ(CompactNumbers("18,446,744,073,709,551,615 ", false), "18446744T ");
}

}  // namespace
}  // namespace trovik
