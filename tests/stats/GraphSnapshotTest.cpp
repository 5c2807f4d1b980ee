#include "stats/GraphSnapshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::ScratchDir;
using testing::WriteText;

class GraphSnapshotTest : public ::testing::Test {
protected:
    std::string Contents() const { return ReadText(path); }
    void Store(const std::string& bytes) const { WriteText(path, bytes); }
    // Distinct values in every point, so that a misplaced block shows.
    static RateHistory Pattern() {
        RateHistory h;
        for (std::size_t level = 0; level < kHistoryLevels; ++level) {
            for (std::size_t i = 0; i < kHistoryPoints; ++i) {
                const auto n = static_cast<std::uint32_t>(level * 1000 + i);
                h.historySent[level][i] = 0x10000000u + n;
                h.historyRecv[level][i] = 0x20000000u + n;
                h.historyRecvAvg[level][i] = 0x30000000u + n;
                h.historyEvents[level][i] = static_cast<std::uint8_t>(level * 64 + i % 64);
            }
        }
        return h;
    }

    ScratchDir dir{"trovik-snapshot-"};
    std::string path = dir.Path("Trovik.DAT").string();
};

std::string Bytes(const std::string& s, std::size_t offset, std::size_t n) {
    return s.substr(offset, n);
}

TEST_F(GraphSnapshotTest, TheImageIsLaidOutLittleEndianAtFixedOffsets) {
    RateHistory h;
    h.historySent[0][0] = 0x01020304u;
    h.historySent[3][119] = 0xA1B2C3D4u;
    h.historyRecv[1][5] = 0x00000500u;
    h.historyRecvAvg[2][0] = 0xFFFFFFFEu;
    h.historyEvents[0][0] = 0x81;
    h.historyEvents[3][119] = 0x7F;
    const LocalTime newYearsEve = {2001, 12, 31, 23, 59, 30, 1};
    ASSERT_TRUE(SaveGraphSnapshot(path, newYearsEve, 0x12345678u, 2000, h));

    const std::string s = Contents();
    ASSERT_EQ(s.size(), 6260u);
    EXPECT_EQ(Bytes(s, 0, 8), "TrvikGD1");
    EXPECT_EQ(Bytes(s, 8, 4), std::string("\x0C\x1F\x17\x3B", 4));  // 12, 31, 23, 59
    EXPECT_EQ(Bytes(s, 12, 4), std::string("\x78\x56\x34\x12", 4));
    EXPECT_EQ(Bytes(s, 16, 4), std::string("\xD0\x07\x00\x00", 4));
    EXPECT_EQ(Bytes(s, 20, 4), std::string("\x04\x03\x02\x01", 4));
    // Level 3, point 119 of historySent: 20 + 3 * 480 + 119 * 4 = 1936.
    EXPECT_EQ(Bytes(s, 1936, 4), std::string("\xD4\xC3\xB2\xA1", 4));
    // historyRecv level 1 point 5: 1940 + 480 + 20 = 2440.
    EXPECT_EQ(Bytes(s, 2440, 4), std::string("\x00\x05\x00\x00", 4));
    // historyRecvAvg level 2 point 0: 3860 + 960 = 4820.
    EXPECT_EQ(Bytes(s, 4820, 4), std::string("\xFE\xFF\xFF\xFF", 4));
    // historyEvents: first and last byte of the file.
    EXPECT_EQ(s[5780], '\x81');
    EXPECT_EQ(s[6259], '\x7F');
    // Everything else is zero.
    std::string rest = s;
    for (std::size_t at :
         {0u,    1u,    2u,    3u,    4u,    5u,    6u,    7u,    8u,    9u,    10u,
          11u,   12u,   13u,   14u,   15u,   16u,   17u,   20u,   21u,   22u,   23u,
          1936u, 1937u, 1938u, 1939u, 2441u, 4820u, 4821u, 4822u, 4823u, 5780u, 6259u}) {
        rest[at] = '\0';
    }
    EXPECT_EQ(rest, std::string(6260, '\0'));
}

TEST_F(GraphSnapshotTest, RoundTrip) {
    const RateHistory saved = Pattern();
    ASSERT_TRUE(SaveGraphSnapshot(path, {2001, 7, 4, 9, 5, 0, 3}, 33600, 56000, saved));
    EXPECT_TRUE(IsGraphSnapshotValid(path));

    GraphSnapshotHeader header;
    RateHistory loaded;
    loaded.historyFill = {1, 2, 3, 4};
    ASSERT_TRUE(LoadGraphSnapshot(path, header, loaded));
    EXPECT_EQ(header.month, 7);
    EXPECT_EQ(header.day, 4);
    EXPECT_EQ(header.hour, 9);
    EXPECT_EQ(header.minute, 5);
    EXPECT_EQ(header.scaleTx, 33600u);
    EXPECT_EQ(header.scaleRx, 56000u);
    EXPECT_EQ(loaded.historySent, saved.historySent);
    EXPECT_EQ(loaded.historyRecv, saved.historyRecv);
    EXPECT_EQ(loaded.historyRecvAvg, saved.historyRecvAvg);
    EXPECT_EQ(loaded.historyEvents, saved.historyEvents);
    // Only the four series are loaded.
    EXPECT_EQ(loaded.historyFill, (std::array<std::uint32_t, 4>{1, 2, 3, 4}));
}

TEST_F(GraphSnapshotTest, ASaveReplacesTheOldSnapshotWithoutLeftovers) {
    ASSERT_TRUE(SaveGraphSnapshot(path, {2001, 1, 1, 0, 0, 0, 1}, 1, 1, Pattern()));
    ASSERT_TRUE(SaveGraphSnapshot(path, {2001, 2, 3, 4, 5, 0, 6}, 7, 8, RateHistory{}));
    const std::string s = Contents();
    ASSERT_EQ(s.size(), 6260u);
    EXPECT_EQ(Bytes(s, 8, 12), std::string("\x02\x03\x04\x05\x07\0\0\0\x08\0\0\0", 12));
    EXPECT_EQ(s.substr(20), std::string(6240, '\0'));
    EXPECT_EQ(dir.Entries(), 1u);

    EXPECT_FALSE(
        SaveGraphSnapshot((dir.Path("missing") / "x.DAT").string(), {}, 1, 1, RateHistory{}));
}

TEST_F(GraphSnapshotTest, AnotherLengthOrMagicCountsAsAbsentAndLoadsNothing) {
    const std::string good = "TrvikGD1" + std::string(6252, '\x11');
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"one byte short", good.substr(0, 6259)},     {"one byte long", good + "\x11"},
        {"header only", good.substr(0, 20)},          {"empty", ""},
        {"other magic", "TrvikGD2" + good.substr(8)}, {"lower case", "trvikgd1" + good.substr(8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Store(c.bytes);
        EXPECT_FALSE(IsGraphSnapshotValid(path));
        GraphSnapshotHeader header;
        header.month = 99;
        RateHistory history;
        history.historySent[0][0] = 42;
        EXPECT_FALSE(LoadGraphSnapshot(path, header, history));
        EXPECT_EQ(header.month, 99);
        EXPECT_EQ(history.historySent[0][0], 42u);
        EXPECT_EQ(history.historyEvents[0][0], 0);
    }
    fs::remove(path);
    EXPECT_FALSE(IsGraphSnapshotValid(path));
    fs::create_directory(path);
    EXPECT_FALSE(IsGraphSnapshotValid(path));

    // The same bytes with the right length and magic are a snapshot.
    fs::remove(path);
    Store(good);
    EXPECT_TRUE(IsGraphSnapshotValid(path));
    GraphSnapshotHeader header;
    RateHistory history;
    ASSERT_TRUE(LoadGraphSnapshot(path, header, history));
    EXPECT_EQ(header.month, 0x11);
    EXPECT_EQ(header.scaleRx, 0x11111111u);
    EXPECT_EQ(history.historyRecvAvg[3][119], 0x11111111u);
    EXPECT_EQ(history.historyEvents[3][119], 0x11);
}

}  // namespace
}  // namespace trovik
