#include "stats/Cumulative.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <optional>
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

constexpr std::size_t kFull = 41916;

// Local times in JST (UTC+9, no daylight saving), worked out from
// 2001-01-01 00:00:00 UTC = 978307200.
constexpr std::int64_t kDec31At235950 = 978274790;  // 2000-12-31 23:59:50
constexpr std::int64_t kJan1At000000 = 978274800;   // 2001-01-01 00:00:00
constexpr std::int64_t kJan1At000005 = 978274805;   // 2001-01-01 00:00:05
constexpr std::int64_t kMar1At103000 = 983410200;   // 2001-03-01 10:30:00, record 90
constexpr std::int64_t kMar1At105959 = 983411999;   // 2001-03-01 10:59:59, same hour

void Put(Bytes& b, std::size_t offset, std::initializer_list<std::uint8_t> values) {
    for (const std::uint8_t v : values) {
        b.at(offset++) = v;
    }
}

class CumulativeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            savedTz = tz;
        }
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
    }
    void TearDown() override {
        if (savedTz) {
            ::setenv("TZ", savedTz->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    DataFiles Files() const { return DataFiles(dir.path().string(), "Trovik"); }
    fs::path YearFile(unsigned year) const {
        return dir.Path("Trovik_" + std::to_string(year) + ".CUM");
    }
    static Bytes ImageBytes(const CumulativeImage& image) {
        return Bytes(image.Bytes().begin(), image.Bytes().end());
    }

    ScratchDir dir{"trovik-cumulative-"};
    std::optional<std::string> savedTz;
};

TEST_F(CumulativeTest, ConnectionAcrossNewYearSplitsBetweenTheYearFiles) {
    // The old year's file with December 1 (record 366 of leap year 2000) and
    // November 30 (record 365) filled in.
    Bytes old2000(kFull, 0);
    Put(old2000, 37964, {0x55, 0, 0, 0});                          // Nov 30 received
    Put(old2000, 38068, {0x04, 0x03, 0x02, 0x01, 0x0A, 0, 0, 0});  // Dec 1 received, sent
    Put(old2000, 38096, {0x0B, 0x0A, 0x07, 0x00});                 // Dec 1 hour 5
    WriteBytes(YearFile(2000), old2000);

    // 23:59:50 to the first slow pass after midnight: Dec 31 (record 396),
    // hour 23, of the old year's file.
    ASSERT_TRUE(AddCumulativeInterval(Files(), {kDec31At235950, 3, 1, 15, 0}));
    Bytes expect2000 = old2000;
    Put(expect2000, 41188, {0x03, 0, 0, 0, 0x01, 0, 0, 0});
    Put(expect2000, 41288, {0x0F, 0x00, 0x00, 0x00});
    EXPECT_EQ(ReadBytes(YearFile(2000)), expect2000);
    EXPECT_FALSE(fs::exists(YearFile(2001)));

    // The rest, up to the disconnection, from 00:00:00 on January 1.
    ASSERT_TRUE(AddCumulativeInterval(Files(), {kJan1At000000, 100, 20, 600, 1}));
    Bytes expect2001(kFull, 0);
    Put(expect2001, 4, {0x04, 0x03, 0x02, 0x01, 0x0A, 0, 0, 0});  // record 0: Dec 1
    Put(expect2001, 32, {0x0B, 0x0A, 0x07, 0x00});
    Put(expect2001, 3124, {0x03, 0, 0, 0, 0x01, 0, 0, 0});  // record 30: Dec 31
    Put(expect2001, 3224, {0x0F, 0x00, 0x00, 0x00});
    Put(expect2001, 3228, {0x64, 0, 0, 0, 0x14, 0, 0, 0});  // record 31: Jan 1
    Put(expect2001, 3236, {0x58, 0x02, 0x01, 0x00});        // hour 0: 600 s, 1 ended
    EXPECT_EQ(ReadBytes(YearFile(2001)), expect2001);
    EXPECT_EQ(ReadBytes(YearFile(2000)), expect2000) << "the old year is left alone";
    EXPECT_EQ(dir.Entries(), 2u) << "no temporary file is left behind";

    CumulativeImage image;
    EXPECT_TRUE(ReadCumulativeYear(Files(), 2001, image));
    EXPECT_EQ(ImageBytes(image), expect2001);
    EXPECT_EQ(image.Record(0).RecvKB(), 0x01020304u);
    EXPECT_EQ(image.Record(0).Hour(5).Seconds(), 0x0A0Bu);
    EXPECT_EQ(image.Record(31).SentKB(), 20u);
    EXPECT_EQ(image.Record(31).Hour(0).Connections(), 1u);
}

TEST_F(CumulativeTest, DecemberIsCopiedOnlyIntoANewYearFile) {
    Bytes old2000(kFull, 0);
    Put(old2000, 38068, {0x09, 0, 0, 0});  // Dec 1
    WriteBytes(YearFile(2000), old2000);
    WriteBytes(YearFile(2001), Bytes(4, 0));  // exists, holds only the header

    ASSERT_TRUE(AddCumulativeInterval(Files(), {kJan1At000005, 1, 0, 5, 0}));
    Bytes expect(kFull, 0);
    Put(expect, 3228, {0x01, 0, 0, 0});
    Put(expect, 3236, {0x05, 0, 0, 0});
    EXPECT_EQ(ReadBytes(YearFile(2001)), expect);

    // Reading shows the previous December whatever the year file holds.
    CumulativeImage image;
    EXPECT_TRUE(ReadCumulativeYear(Files(), 2001, image));
    EXPECT_EQ(image.Record(0).RecvKB(), 9u);
}

TEST_F(CumulativeTest, ReadingTakesRecordsZeroToThirtyFromThePreviousYear) {
    Bytes y2001(kFull, 0);
    Put(y2001, 4, {0x77, 0, 0, 0});      // record 0, never shown
    Put(y2001, 3228, {0x42, 0, 0, 0});   // record 31, Jan 1
    Put(y2001, 41084, {0x33, 0, 0, 0});  // record 395, Dec 31
    WriteBytes(YearFile(2001), y2001);

    CumulativeImage image;
    image.Bytes()[100] = 0xEE;  // stale contents are overwritten
    EXPECT_TRUE(ReadCumulativeYear(Files(), 2001, image));
    Bytes expect(kFull, 0);
    Put(expect, 3228, {0x42, 0, 0, 0});
    Put(expect, 41084, {0x33, 0, 0, 0});
    EXPECT_EQ(ImageBytes(image), expect) << "no 2000 file: the previous December is zero";

    Bytes y2000(kFull, 0);
    Put(y2000, 38484, {0x09, 0, 0, 0});  // record 370, Dec 5 2000
    WriteBytes(YearFile(2000), y2000);
    EXPECT_TRUE(ReadCumulativeYear(Files(), 2001, image));
    Put(expect, 420, {0x09, 0, 0, 0});  // record 4
    EXPECT_EQ(ImageBytes(image), expect);

    // No file of its own: false, and only the previous December (Dec 31 2001
    // into record 30).
    EXPECT_FALSE(ReadCumulativeYear(Files(), 2002, image));
    Bytes only(kFull, 0);
    Put(only, 3124, {0x33, 0, 0, 0});
    EXPECT_EQ(ImageBytes(image), only);
}

TEST_F(CumulativeTest, SumsWrapHoursAreHeldAndConnectionsSaturate) {
    Bytes y2001(kFull, 0);
    Put(y2001, 9364, {0xF0, 0xFF, 0xFF, 0xFF});  // record 90 received 0xFFFFFFF0
    Put(y2001, 9412, {0xE8, 0xFD, 0xFA, 0x00});  // hour 10: 65,000 s, 250 ended
    WriteBytes(YearFile(2001), y2001);

    ASSERT_TRUE(AddCumulativeInterval(Files(), {kMar1At103000, 0x20, 7, 1000, 300}));
    Bytes expect(kFull, 0);
    Put(expect, 9364, {0x10, 0, 0, 0, 0x07, 0, 0, 0});  // received modulo 2^32
    Put(expect, 9412, {0xFF, 0xFF, 0xFF, 0x00});        // held at 65,535 s and 255
    EXPECT_EQ(ReadBytes(YearFile(2001)), expect);

    ASSERT_TRUE(AddCumulativeInterval(Files(), {kMar1At105959, 0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu}));
    EXPECT_EQ(ReadBytes(YearFile(2001)), expect) << "the largest counts do not wrap either";
}

TEST_F(CumulativeTest, ThreeHundredConnectionsInOneHourLeave255) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(AddCumulativeInterval(Files(), {kMar1At103000 + i, 0, 0, 1, 100}));
    }
    const Bytes file = ReadBytes(YearFile(2001));
    ASSERT_EQ(file.size(), kFull);
    EXPECT_EQ(file[9412], 0x03);  // 3 s
    EXPECT_EQ(file[9414], 0xFF);
    EXPECT_EQ(file[9415], 0x00);
}

TEST_F(CumulativeTest, ShortAndLongFilesAreReadUpToTheirEndOrTheFormatsSize) {
    Bytes shortFile(3232, 0);
    Put(shortFile, 3228, {0x05, 0, 0, 0});  // ends after record 31's received KB
    WriteBytes(YearFile(2001), shortFile);
    CumulativeImage image;
    EXPECT_TRUE(ReadCumulativeYear(Files(), 2001, image));
    EXPECT_EQ(image.Record(31).RecvKB(), 5u);
    EXPECT_EQ(image.Record(31).SentKB(), 0u);

    ASSERT_TRUE(AddCumulativeInterval(Files(), {kJan1At000005, 1, 2, 0, 0}));
    Bytes expect(kFull, 0);
    Put(expect, 3228, {0x06, 0, 0, 0, 0x02, 0, 0, 0});
    EXPECT_EQ(ReadBytes(YearFile(2001)), expect) << "the next write makes it full length";

    Bytes longFile = expect;
    longFile.resize(kFull + 100, 0xEE);
    WriteBytes(YearFile(2001), longFile);
    EXPECT_TRUE(ReadCumulativeYear(Files(), 2001, image));
    EXPECT_EQ(ImageBytes(image), expect);
    ASSERT_TRUE(AddCumulativeInterval(Files(), {kJan1At000005, 1, 0, 0, 0}));
    Put(expect, 3228, {0x07});
    EXPECT_EQ(ReadBytes(YearFile(2001)), expect) << "written back at the format's size";
}

TEST_F(CumulativeTest, AYearFileThatCanBeNeitherReadNorWrittenFails) {
    // A directory in the file's place.
    fs::create_directory(YearFile(2001));
    EXPECT_FALSE(AddCumulativeInterval(Files(), {kJan1At000005, 1, 1, 1, 1}));
    EXPECT_TRUE(fs::is_directory(YearFile(2001)));
    EXPECT_TRUE(fs::is_empty(YearFile(2001)));
    EXPECT_EQ(dir.Entries(), 1u) << "no temporary file is left behind";
    CumulativeImage image;
    EXPECT_FALSE(ReadCumulativeYear(Files(), 2001, image));

    // A link to nothing: not read, so not replaced either.
    fs::remove(YearFile(2001));
    fs::create_symlink(dir.Path("nowhere"), YearFile(2001));
    EXPECT_FALSE(AddCumulativeInterval(Files(), {kJan1At000005, 1, 1, 1, 1}));
    EXPECT_TRUE(fs::is_symlink(YearFile(2001)));
    EXPECT_EQ(dir.Entries(), 1u);

    // The directory of the files is a regular file.
    WriteBytes(dir.Path("plain"), Bytes{1});
    const DataFiles inFile(dir.Path("plain").string(), "Trovik");
    EXPECT_FALSE(AddCumulativeInterval(inFile, {kJan1At000005, 1, 1, 1, 1}));
    EXPECT_FALSE(ReadCumulativeYear(inFile, 2001, image));
    EXPECT_EQ(dir.Entries(), 2u);
    EXPECT_EQ(ReadBytes(dir.Path("plain")), Bytes{1});
}

}  // namespace
}  // namespace trovik
