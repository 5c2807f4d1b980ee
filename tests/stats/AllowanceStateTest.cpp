#include "stats/AllowanceState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

// 10 December 2026 to 9 January 2027, the use past a 2 MiB allowance and
// its end reported; before it 10 November to 9 December with a use past
// 2^32 KB and 80 % of 3 GiB reported.
AllowanceState TwoPeriods() {
    AllowanceState state;
    state.periods[0] = {{2026, 12, 10}, {2027, 1, 9}, 2110, 2, 100};
    state.periods[1] = {{2026, 11, 10}, {2026, 12, 9}, 0x100000005ull, 3072, 80};
    return state;
}

const std::vector<std::uint8_t> kTwoPeriodsImage = {
    'T',  'r',  'v',  'i',  'k',  'Q',  'A',  '1',   // magic and version
    0xEA, 0x07, 0x0C, 0x0A, 0xEB, 0x07, 0x01, 0x09,  // 2026-12-10, 2027-01-09
    0x3E, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 2110 KB
    0x02, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00,  // of 2 MiB: 100 %
    0xEA, 0x07, 0x0B, 0x0A, 0xEA, 0x07, 0x0C, 0x09,  // 2026-11-10, 2026-12-09
    0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // 2^32 + 5 KB
    0x00, 0x0C, 0x00, 0x00, 0x50, 0x00, 0x00, 0x00,  // of 3072 MiB: 80 %
};

std::string Describe(const AllowancePeriodState& p) {
    return std::to_string(p.first.year) + "-" + std::to_string(p.first.month) + "-" +
           std::to_string(p.first.day) + ".." + std::to_string(p.last.year) + "-" +
           std::to_string(p.last.month) + "-" + std::to_string(p.last.day) + " " +
           std::to_string(p.usedKB) + " " + std::to_string(p.reportedPercent) + "/" +
           std::to_string(p.quotaMB);
}

TEST(AllowanceStateTest, ImageIsLaidOutByteForByte) {
    std::array<std::uint8_t, kAllowanceStateSize> image{};
    image.fill(0xCC);
    EncodeAllowanceState(TwoPeriods(), image);
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.end()), kTwoPeriodsImage);

    AllowanceState back;
    ASSERT_TRUE(DecodeAllowanceState(kTwoPeriodsImage, back));
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Describe(back.periods[i]), Describe(TwoPeriods().periods[i]));
    }
}

TEST(AllowanceStateTest, TheLatestPeriodComesFirstAndTheOneBeforeIsKept) {
    const Date nov10{2026, 11, 10};
    const Date dec9{2026, 12, 9};
    const Date dec10{2026, 12, 10};
    const Date jan9{2027, 1, 9};
    AllowanceState state;
    PutAllowancePeriod(state, {nov10, dec9, 100, 2, 0});
    PutAllowancePeriod(state, {dec10, jan9, 200, 2, 0});
    PutAllowancePeriod(state, {nov10, dec9, 150, 2, 0});  // the clock set back: they change places
    PutAllowancePeriod(state, {dec10, jan9, 250, 2, 0});  // and put right
    EXPECT_EQ(state.periods[0].usedKB, 250u);
    EXPECT_EQ(state.periods[1].usedKB, 150u);
    PutAllowancePeriod(state, {{2027, 1, 10}, {2027, 2, 9}, 300, 2, 0});
    EXPECT_EQ(state.periods[1].usedKB, 250u) << "the period before the last is dropped";
    EXPECT_EQ(FindAllowancePeriod(state, {2026, 11, 10}, {2026, 12, 9}), nullptr);
    EXPECT_EQ(FindAllowancePeriod(state, {2027, 1, 10}, {2027, 2, 8}), nullptr)
        << "the same first day with another last one is another period";
}

TEST(AllowanceStateTest, FilesReadAsTheirsMissingOrUnusable) {
    ScratchDir dir("trovik-allowance-state-");
    const std::string path = dir.Path("Trovik.QTA").string();
    auto with = [](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> image = kTwoPeriodsImage;
        image[at] = value;
        return image;
    };
    std::vector<std::uint8_t> longer = kTwoPeriodsImage;
    longer.push_back(0);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        StoredFile read;
    };
    const Case cases[] = {
        {"this version's image", kTwoPeriodsImage, StoredFile::Read},
        {"another version", with(7, '2'), StoredFile::Unusable},
        {"a byte long", longer, StoredFile::Unusable},
        {"empty", {}, StoredFile::Unusable},
        {"month 13", with(10, 13), StoredFile::Unusable},
        {"a level above 100", with(52, 101), StoredFile::Unusable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::WriteBytes(path, c.bytes);
        AllowanceState state = TwoPeriods();
        state.periods[0].usedKB = 1;
        EXPECT_EQ(ReadAllowanceState(path, state), c.read);
        if (c.read == StoredFile::Read) {
            EXPECT_EQ(state.periods[0].usedKB, 2110u);
        } else {
            EXPECT_EQ(state.periods[0].first.year, 0u) << "nothing of it is taken";
        }
    }

    fs::remove(path);
    AllowanceState state = TwoPeriods();
    EXPECT_EQ(ReadAllowanceState(path, state), StoredFile::Missing);
    EXPECT_EQ(state.periods[1].first.year, 0u);
    ASSERT_TRUE(WriteAllowanceState(path, TwoPeriods()));
    EXPECT_EQ(testing::ReadBytes(path), kTwoPeriodsImage);
}

}  // namespace
}  // namespace trovik
