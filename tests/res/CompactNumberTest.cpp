#include "res/CompactNumber.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace trovik {
namespace {

TEST(CompactNumber, UnitStepsAndTruncatedTenths) {
    const struct {
        std::uint64_t value;
        std::string_view tenths;
        std::string_view whole;
    } cases[] = {
        {999, "999", "999"},
        {1000, "1.0K", "1K"},
        {9999, "9.9K", "9K"},
        {99999, "99.9K", "99K"},
        {103830, "103.8K", "103K"},
        {999999, "999.9K", "999K"},
        {12400000, "12.4M", "12M"},
        {2700000000, "2.7G", "2G"},
        {4294967295, "4.2G", "4G"},
        {1234567890123, "1.2T", "1T"},
        {18446744073709551615u, "18446744.0T", "18446744T"},
    };
    for (const auto& c : cases) {
        std::array<char, 16> buf{};
        EXPECT_EQ(std::string_view(buf.data(), CompactNumberInto(buf.data(), buf.size(), c.value)),
                  c.tenths);
        EXPECT_EQ(
            std::string_view(buf.data(), CompactNumberInto(buf.data(), buf.size(), c.value, false)),
            c.whole);
    }
}

TEST(CompactNumber, NumbersInAText) {
    EXPECT_EQ(CompactNumbers("1,234,567 "), "1.2M ");
    EXPECT_EQ(CompactNumbers("4294967295±1897200 "), "4.2G±1.8M ");
    EXPECT_EQ(CompactNumbers(" 12:30 から10分間 最高103830, 1,23"),
              " 12:30 から10分間 最高103.8K, 1,23");
    EXPECT_EQ(CompactNumbers("17592186044415.99 GB"), "17592186044415.99 GB");  // a fraction
    EXPECT_EQ(CompactNumbers("99999999999999999999"), "99999999999999999999");  // past 64 bits
}

}  // namespace
}  // namespace trovik
