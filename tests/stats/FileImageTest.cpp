#include "stats/FileImage.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
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

TEST_F(FileImageTest, AReplacementWithTheCallersScratchMakesNoNewRoomTheSecondTime) {
    const std::string path = dir.Path("Trovik.QTA").string();
    const std::vector<std::uint8_t> data{4, 5, 6};
    std::string scratch;
    ASSERT_TRUE(ReplaceFile(path, data, Durability::Synced, scratch));
    const std::size_t room = scratch.capacity();
    const char* const held = scratch.data();
    ASSERT_TRUE(ReplaceFile(path, data, Durability::Synced, scratch));
    EXPECT_EQ(scratch.capacity(), room);
    EXPECT_EQ(scratch.data(), held);
    EXPECT_EQ(testing::ReadBytes(path), data);
    EXPECT_EQ(dir.Entries(), 1u);
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

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(FileImageTest, ReplacingKeepsTheFilesPermissions) {
    // What a new file of this process gets, umask applied.
    const std::string probe = dir.Path("probe").string();
    ::close(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
    const mode_t fresh = ModeOf(probe);
    ASSERT_NE(fresh, 0u);

    const std::string path = dir.Path("Trovik2001.DAT").string();
    const std::vector<std::uint8_t> data{7, 8, 9};
    ASSERT_TRUE(ReplaceFile(path, data, Durability::Unsynced));
    EXPECT_EQ(ModeOf(path), fresh) << "a new record is an ordinary file of the user's";
    for (const mode_t mode : {0600u, 0640u, 0664u, 0400u}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(ReplaceFile(path, data, Durability::Synced));
        EXPECT_EQ(ModeOf(path), mode);
    }
}

TEST_F(FileImageTest, TemporaryFileIsNewAndNamedAfterTheRecord) {
    const std::string path = dir.Path("Trovik.LOG").string();
    std::string first;
    std::string second;
    const int a = CreateReplacement(path, first);
    const int b = CreateReplacement(path, second);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    ::close(a);
    ::close(b);
    EXPECT_NE(first, second);
    const std::string hidden = dir.Path(".Trovik.LOG.tmp-").string();
    for (const std::string& temp : {first, second}) {
        ASSERT_EQ(temp.size(), hidden.size() + kTempSuffixLength) << temp;
        EXPECT_EQ(temp.substr(0, hidden.size()), hidden);
        for (const char c : temp.substr(hidden.size())) {
            EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << temp;
        }
        EXPECT_TRUE(fs::is_regular_file(temp));
        EXPECT_EQ(fs::file_size(temp), 0u);
    }
}

TEST_F(FileImageTest, NothingIsReadOrCreatedThroughALink) {
    const std::string target = dir.Path("target").string();
    testing::WriteText(target, "abc");
    struct Case {
        const char* what;
        std::string leadsTo;
    };
    const Case cases[] = {{"a link to a real file", target},
                          {"a link to nothing", dir.Path("nowhere").string()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.Path("record").string();
        fs::remove(path);
        fs::create_symlink(c.leadsTo, path);
        std::array<std::uint8_t, 4> buf{1, 1, 1, 1};
        EXPECT_EQ(ReadFileInto(path, buf), std::nullopt);
        EXPECT_EQ(ReadStoredImage(path, buf), StoredFile::Unusable);
        EXPECT_EQ(buf, (std::array<std::uint8_t, 4>{}));
        EXPECT_EQ(FileLength(path), std::nullopt);
        EXPECT_FALSE(EnsureFileExists(path));
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_FALSE(fs::exists(dir.Path("nowhere")));
        EXPECT_EQ(testing::ReadText(target), "abc");
    }
}

}  // namespace
}  // namespace trovik
