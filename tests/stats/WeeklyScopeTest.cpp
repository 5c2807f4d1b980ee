#include "stats/WeeklyScope.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFull = 8064;

void Put(Bytes& b, std::size_t offset, std::initializer_list<std::uint8_t> values) {
    for (const std::uint8_t v : values) {
        b.at(offset++) = v;
    }
}

class WeeklyScopeTest : public ::testing::Test {
protected:
    DataFiles Files() const { return DataFiles(dir.path().string(), "Trovik"); }
    fs::path ScopeFile() const { return dir.Path("Trovik.STA"); }

    ScratchDir dir{"trovik-scope-"};
};

TEST(ScopeSlot, NumbersTheTenMinuteSlotsOfTheWeek) {
    EXPECT_EQ(ScopeSlot(0, 0, 0), 0u);  // Sunday 00:00
    EXPECT_EQ(ScopeSlot(0, 0, 9), 0u);
    EXPECT_EQ(ScopeSlot(0, 0, 10), 1u);
    EXPECT_EQ(ScopeSlot(1, 0, 0), 144u);     // Monday 00:00
    EXPECT_EQ(ScopeSlot(3, 12, 35), 507u);   // Wednesday 12:30
    EXPECT_EQ(ScopeSlot(6, 23, 50), 1007u);  // Saturday 23:50
    EXPECT_EQ(ScopeSlot(6, 23, 59), 1007u);
}

TEST_F(WeeklyScopeTest, FirstSampleCreatesTheFileAtFullLength) {
    ASSERT_TRUE(RecordScopeSample(Files(), 1000, 0, 0));
    Bytes expect(kFull, 0);
    Put(expect, 0, {0xE8, 0x03, 0, 0});     // latest of slot 0
    Put(expect, 4032, {0xE8, 0x03, 0, 0});  // highest of slot 0
    EXPECT_EQ(ReadBytes(ScopeFile()), expect);

    // Saturday 23:50 is the last slot of both halves.
    ASSERT_TRUE(RecordScopeSample(Files(), 0x01020304u, 6, 143));
    Put(expect, 4028, {0x04, 0x03, 0x02, 0x01});
    Put(expect, 8060, {0x04, 0x03, 0x02, 0x01});
    EXPECT_EQ(ReadBytes(ScopeFile()), expect);
    EXPECT_EQ(dir.Entries(), 1u) << "no temporary file is left behind";
}

TEST_F(WeeklyScopeTest, LaterSamplesChangeLatestAndRaiseHighestOnly) {
    // Monday 01:20: slot 144 + 8 = 152, latest at 608, highest at 4640.
    ASSERT_TRUE(RecordScopeSample(Files(), 1000, 1, 8));
    ASSERT_TRUE(RecordScopeSample(Files(), 400, 1, 8));
    Bytes expect(kFull, 0);
    Put(expect, 608, {0x90, 0x01, 0, 0});
    Put(expect, 4640, {0xE8, 0x03, 0, 0});
    EXPECT_EQ(ReadBytes(ScopeFile()), expect) << "a lower rate leaves the highest";

    ASSERT_TRUE(RecordScopeSample(Files(), 0, 1, 8));
    Put(expect, 608, {0, 0, 0, 0});
    EXPECT_EQ(ReadBytes(ScopeFile()), expect) << "ten quiet minutes store 0 as latest";

    ASSERT_TRUE(RecordScopeSample(Files(), 1001, 1, 8));
    Put(expect, 608, {0xE9, 0x03, 0, 0});
    Put(expect, 4640, {0xE9, 0x03, 0, 0});
    EXPECT_EQ(ReadBytes(ScopeFile()), expect);

    ScopeImage image;
    ASSERT_TRUE(LoadWeeklyScope(Files(), image));
    EXPECT_EQ(image.Latest(152), 1001u);
    EXPECT_EQ(image.Highest(152), 1001u);
    EXPECT_EQ(image.Latest(151), 0u);
}

TEST_F(WeeklyScopeTest, OutOfRangeSlotsAreRejected) {
    EXPECT_FALSE(RecordScopeSample(Files(), 5, 7, 0));
    EXPECT_FALSE(RecordScopeSample(Files(), 5, 0, 144));
    EXPECT_FALSE(fs::exists(ScopeFile()));
}

TEST_F(WeeklyScopeTest, RepairRaisesHighestToLatest) {
    Bytes file(kFull, 0);
    Put(file, 20, {10, 0, 0, 0});               // slot 5 latest 10
    Put(file, 4052, {3, 0, 0, 0});              //        highest 3
    Put(file, 24, {2, 0, 0, 0});                // slot 6 latest 2
    Put(file, 4056, {9, 0, 0, 0});              //        highest 9
    Put(file, 4028, {0xFF, 0xFF, 0xFF, 0xFF});  // slot 1007 latest, highest 0
    WriteBytes(ScopeFile(), file);

    ASSERT_TRUE(RepairWeeklyScope(Files()));
    Bytes expect = file;
    Put(expect, 4052, {10, 0, 0, 0});
    Put(expect, 8060, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(ReadBytes(ScopeFile()), expect);
}

TEST_F(WeeklyScopeTest, MissingFileIsCreated) {
    ScopeImage image;
    image.SetLatest(3, 77);  // stale contents are cleared
    EXPECT_TRUE(LoadWeeklyScope(Files(), image));
    EXPECT_EQ(image.Latest(3), 0u);
    EXPECT_EQ(FileLength(ScopeFile().string()), 0u) << "loading creates an empty file";

    ASSERT_TRUE(RepairWeeklyScope(Files()));
    EXPECT_EQ(ReadBytes(ScopeFile()), Bytes(kFull, 0)) << "repair writes it at full length";
}

TEST_F(WeeklyScopeTest, ShortAndLongFiles) {
    WriteBytes(ScopeFile(), Bytes{7, 0, 0, 0, 0x01, 0x02});  // ends inside slot 1's latest
    ScopeImage image;
    ASSERT_TRUE(LoadWeeklyScope(Files(), image));
    EXPECT_EQ(image.Latest(0), 7u);
    EXPECT_EQ(image.Latest(1), 0x0201u);
    EXPECT_EQ(image.Highest(0), 0u);

    ASSERT_TRUE(RecordScopeSample(Files(), 6, 0, 2));
    Bytes expect(kFull, 0);
    Put(expect, 0, {7, 0, 0, 0, 0x01, 0x02, 0, 0, 6, 0, 0, 0});
    Put(expect, 4040, {6, 0, 0, 0});
    EXPECT_EQ(ReadBytes(ScopeFile()), expect);

    Bytes longFile = expect;
    longFile.resize(kFull + 16, 0xEE);
    WriteBytes(ScopeFile(), longFile);
    ASSERT_TRUE(LoadWeeklyScope(Files(), image));
    EXPECT_EQ(Bytes(image.Bytes().begin(), image.Bytes().end()), expect);
    ASSERT_TRUE(RepairWeeklyScope(Files()));
    Put(expect, 4032, {7, 0, 0, 0, 0x01, 0x02, 0, 0});  // highest of slots 0, 1
    EXPECT_EQ(ReadBytes(ScopeFile()), expect) << "written back at the format's size";
}

TEST_F(WeeklyScopeTest, AFileThatCannotBeReadIsNotReplaced) {
    fs::create_directory(ScopeFile());
    ScopeImage image;
    image.SetHighest(0, 1);
    EXPECT_FALSE(LoadWeeklyScope(Files(), image));
    EXPECT_EQ(image.Highest(0), 0u);
    EXPECT_FALSE(RecordScopeSample(Files(), 5, 0, 0));
    EXPECT_FALSE(RepairWeeklyScope(Files()));
    EXPECT_TRUE(fs::is_directory(ScopeFile()));
    EXPECT_EQ(dir.Entries(), 1u) << "no temporary file is left behind";

    fs::remove(ScopeFile());
    fs::create_symlink(dir.Path("nowhere"), ScopeFile());
    EXPECT_FALSE(RecordScopeSample(Files(), 5, 0, 0));
    EXPECT_FALSE(RepairWeeklyScope(Files()));
    EXPECT_TRUE(fs::is_symlink(ScopeFile()));

    WriteBytes(dir.Path("plain"), Bytes{1});
    const DataFiles inFile(dir.Path("plain").string(), "Trovik");
    EXPECT_FALSE(LoadWeeklyScope(inFile, image));
    EXPECT_FALSE(RecordScopeSample(inFile, 5, 0, 0));
    EXPECT_FALSE(RepairWeeklyScope(inFile));
    EXPECT_EQ(dir.Entries(), 2u);
}

}  // namespace
}  // namespace trovik
