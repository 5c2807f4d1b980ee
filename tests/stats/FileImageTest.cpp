#include "stats/FileImage.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

class FileImageTest : public ::testing::Test {
protected:
    ScratchDir dir{"trovik-fileimage-"};
};

TEST(LittleEndian, BytesGoLowFirst) {
    std::array<std::uint8_t, 6> b{};
    StoreLE32(b.data(), 0x11223344u);
    StoreLE16(b.data() + 4, 0xA1B2u);
    EXPECT_EQ(b, (std::array<std::uint8_t, 6>{0x44, 0x33, 0x22, 0x11, 0xB2, 0xA1}));
    EXPECT_EQ(LoadLE32(b.data()), 0x11223344u);
    EXPECT_EQ(LoadLE16(b.data() + 4), 0xA1B2u);
    const std::array<std::uint8_t, 4> top{0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(LoadLE32(top.data()), 0xFFFFFFFFu);
}

TEST_F(FileImageTest, ReplaceWritesTheWholeImageAndLeavesNoTemporary) {
    const std::string path = dir.Path("a.bin").string();
    const std::vector<std::uint8_t> first(1000, 0xAB);
    const std::vector<std::uint8_t> second{1, 2, 3};
    ASSERT_TRUE(ReplaceFile(path, first, Durability::Synced));
    EXPECT_EQ(FileLength(path), 1000u);
    ASSERT_TRUE(ReplaceFile(path, second, Durability::Unsynced));
    EXPECT_EQ(FileLength(path), 3u);
    EXPECT_EQ(dir.Entries(), 1u);

    std::array<std::uint8_t, 8> buf{};
    EXPECT_EQ(ReadFileInto(path, buf), 3u);
    EXPECT_EQ(buf, (std::array<std::uint8_t, 8>{1, 2, 3, 0, 0, 0, 0, 0}))
        << "a short file reads as what it holds, the rest stays zero";
}

TEST_F(FileImageTest, ReadingStopsAtTheBuffer) {
    const std::string path = dir.Path("big.bin").string();
    std::ofstream(path) << std::string(100, 'x');
    std::array<std::uint8_t, 10> buf{};
    EXPECT_EQ(ReadFileInto(path, buf), 10u);
}

TEST_F(FileImageTest, MissingOrUnusablePlacesFail) {
    std::array<std::uint8_t, 4> buf{};
    EXPECT_EQ(ReadFileInto(dir.Path("none").string(), buf), std::nullopt);
    EXPECT_EQ(ReadFileInto(dir.path().string(), buf), std::nullopt) << "a directory is no file";
    EXPECT_EQ(FileLength(dir.path().string()), std::nullopt);

    // A directory in the file's place cannot be replaced; no temporary stays.
    fs::create_directories(dir.Path("taken"));
    EXPECT_FALSE(ReplaceFile(dir.Path("taken").string(), buf, Durability::Synced));
    std::ofstream(dir.Path("plain").string()) << "x";
    EXPECT_FALSE(ReplaceFile((dir.Path("plain") / "below").string(), buf, Durability::Synced));
    EXPECT_EQ(dir.Entries(), 2u);
}

TEST_F(FileImageTest, EnsureCreatesOnlyWhenMissing) {
    const std::string path = dir.Path("log").string();
    EXPECT_TRUE(EnsureFileExists(path));
    EXPECT_EQ(FileLength(path), 0u);
    std::ofstream(path) << "keep";
    EXPECT_TRUE(EnsureFileExists(path));
    EXPECT_EQ(FileLength(path), 4u);
    EXPECT_FALSE(EnsureFileExists((dir.Path("log") / "x").string()));
}

}  // namespace
}  // namespace trovik
