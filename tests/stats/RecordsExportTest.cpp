#include "stats/RecordsExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

// ",0,0" for each of `hours` empty hours.
std::string EmptyHours(int hours) {
    std::string s;
    for (int i = 0; i < hours; ++i) {
        s += ",0,0";
    }
    return s;
}

std::string EmptyJsonHours(int hours) {
    std::string s;
    for (int i = 0; i < hours; ++i) {
        s += ", [0, 0]";
    }
    return s;
}

// 2024, a leap year: something on 1 January, on 29 February (connections
// only) and on 31 December (received KB only); the copied December of 2023
// and the unused records after the year's end hold numbers too, which must
// not show.
CumulativeImage LeapYearImage() {
    CumulativeImage image;
    image.Record(0).SetRecvKB(999);  // 1 December 2023
    image.Record(30).Hour(5).SetSeconds(999);
    const DayRecord jan1 = image.Record(31);
    jan1.SetRecvKB(5);
    jan1.SetSentKB(2);
    jan1.Hour(0).SetSeconds(120);
    jan1.Hour(0).SetConnections(1);
    jan1.Hour(23).SetSeconds(3600);
    image.Record(90).Hour(5).SetConnections(2);  // 29 February
    image.Record(396).SetRecvKB(7);              // 31 December
    image.Record(397).SetRecvKB(999);
    return image;
}

const char* const kCsvHeader =
    "date,seconds,received_kb,sent_kb,disconnects,h00_seconds,h00_disconnects,h01_seconds,"
    "h01_disconnects,h02_seconds,h02_disconnects,h03_seconds,h03_disconnects,h04_seconds,"
    "h04_disconnects,h05_seconds,h05_disconnects,h06_seconds,h06_disconnects,h07_seconds,"
    "h07_disconnects,h08_seconds,h08_disconnects,h09_seconds,h09_disconnects,h10_seconds,"
    "h10_disconnects,h11_seconds,h11_disconnects,h12_seconds,h12_disconnects,h13_seconds,"
    "h13_disconnects,h14_seconds,h14_disconnects,h15_seconds,h15_disconnects,h16_seconds,"
    "h16_disconnects,h17_seconds,h17_disconnects,h18_seconds,h18_disconnects,h19_seconds,"
    "h19_disconnects,h20_seconds,h20_disconnects,h21_seconds,h21_disconnects,h22_seconds,"
    "h22_disconnects,h23_seconds,h23_disconnects\n";

TEST(RecordsExport, CsvHasTheRecordedDaysOfTheYearItself) {
    const std::string expected = std::string(kCsvHeader) + "2024-01-01,3720,5,2,1,120,1" +
                                 EmptyHours(22) + ",3600,0\n" + "2024-02-29,0,0,0,2" +
                                 EmptyHours(5) + ",0,2" + EmptyHours(18) + "\n" +
                                 "2024-12-31,0,7,0,0" + EmptyHours(24) + "\n";
    EXPECT_EQ(ExportYear(LeapYearImage(), 2024, ExportFormat::Csv), expected);
}

TEST(RecordsExport, JsonHasTheSameDays) {
    const std::string expected =
        "{\"year\": 2024, \"days\": [\n"
        "  {\"date\": \"2024-01-01\", \"seconds\": 3720, \"received_kb\": 5, \"sent_kb\": 2, "
        "\"disconnects\": 1, \"hours\": [[120, 1]" +
        EmptyJsonHours(22) +
        ", [3600, 0]]},\n"
        "  {\"date\": \"2024-02-29\", \"seconds\": 0, \"received_kb\": 0, \"sent_kb\": 0, "
        "\"disconnects\": 2, \"hours\": [[0, 0]" +
        EmptyJsonHours(4) + ", [0, 2]" + EmptyJsonHours(18) +
        "]},\n"
        "  {\"date\": \"2024-12-31\", \"seconds\": 0, \"received_kb\": 7, \"sent_kb\": 0, "
        "\"disconnects\": 0, \"hours\": [[0, 0]" +
        EmptyJsonHours(23) + "]}\n]}\n";
    EXPECT_EQ(ExportYear(LeapYearImage(), 2024, ExportFormat::Json), expected);
}

TEST(RecordsExport, EmptyYearGivesTheFrameOnly) {
    const CumulativeImage empty;
    EXPECT_EQ(ExportYear(empty, 2025, ExportFormat::Json), "{\"year\": 2025, \"days\": []}\n");
    EXPECT_EQ(ExportYear(empty, 2025, ExportFormat::Csv), kCsvHeader);
}

TEST(RecordsExport, DatesOfRecords) {
    struct Case {
        unsigned year, record, y, m, d;
    };
    const Case cases[] = {{2024, 0, 2023, 12, 1},   {2024, 30, 2023, 12, 31},
                          {2024, 31, 2024, 1, 1},   {2024, 90, 2024, 2, 29},
                          {2025, 90, 2025, 3, 1},   {2024, 396, 2024, 12, 31},
                          {2025, 395, 2025, 12, 31}};
    for (const Case& c : cases) {
        const Date date = DateOfRecord(c.year, c.record);
        EXPECT_EQ(date.year, c.y) << c.record;
        EXPECT_EQ(date.month, c.m) << c.record;
        EXPECT_EQ(date.day, c.d) << c.record;
    }
}

TEST(RecordsExport, MissingUnreadableAndDamagedFilesAreReported) {
    testing::ScratchDir dir;
    const DataFiles files(dir.path().string(), "Trovik");
    CumulativeImage image;
    std::string error;

    EXPECT_FALSE(ReadYearFileChecked(files, 2026, image, error));
    EXPECT_EQ(error, "累計情報ファイルが見つかりません。 (" + files.CumulativePath(2026) + ")");

    testing::WriteText(dir.Path("Trovik_2026.CUM"), std::string(100, 'x'));
    EXPECT_FALSE(ReadYearFileChecked(files, 2026, image, error));
    EXPECT_NE(error.find("壊れています (100 バイト、正しくは 41916 バイト)"), std::string::npos)
        << error;

    std::filesystem::remove(dir.Path("Trovik_2026.CUM"));
    std::filesystem::create_directories(dir.Path("Trovik_2026.CUM"));
    EXPECT_FALSE(ReadYearFileChecked(files, 2026, image, error));
    EXPECT_NE(error.find("読めません"), std::string::npos) << error;

    std::filesystem::remove(dir.Path("Trovik_2026.CUM"));
    testing::WriteBytes(dir.Path("Trovik_2026.CUM"), LeapYearImage().Bytes());
    EXPECT_TRUE(ReadYearFileChecked(files, 2026, image, error)) << error;
    EXPECT_EQ(image.Record(31).RecvKB(), 5u);
}

// Preset 2's example: a call from 23:00 to 1:00 and one of 30 minutes at
// noon. The discount hours cost the plan fee alone (1800±0); the half hour
// at noon ⌈1800 ÷ 180⌉ × 10 + 5 = 105±5.
TEST(RecordsExport, ReportShowsTheCumulativeInfosNumbers) {
    CumulativeImage image;
    const DayRecord nov20 = image.Record(DayIndex(2026, 11, 20));
    nov20.SetRecvKB(1234567);
    nov20.Hour(23).SetSeconds(3600);
    const DayRecord nov21 = image.Record(DayIndex(2026, 11, 21));
    nov21.SetSentKB(10);
    nov21.Hour(0).SetSeconds(3600);
    nov21.Hour(0).SetConnections(1);
    nov21.Hour(12).SetSeconds(1800);
    nov21.Hour(12).SetConnections(1);

    NamedChargeType telehoudai;
    telehoudai.number = 2;
    telehoudai.type.name = "市内 ﾃﾚﾎｰﾀﾞｲ(ｱﾅﾛｸﾞ)";
    telehoudai.type.dow.fill(0x8000FF);
    telehoudai.type.freeToll = 1800;
    telehoudai.type.tollSpan = 180;
    telehoudai.type.freeSpan = 0;

    EXPECT_EQ(PeriodReportText(image, 2026, 12, 10, {telehoudai}, 2048),
              "2026年 12月〆分 (2026/11/10 - 2026/12/09, 30日間)\n"
              "総接続時間：約 2時間30分\n"
              "総受信量：約 1,234,567 KB\n"
              "総送信量：約 10 KB\n"
              "データ量：1.17 GB / 2 GB (58 %)\n"
              "概算課金 2：市内 ﾃﾚﾎｰﾀﾞｲ(ｱﾅﾛｸﾞ)\n"
              "  通常時間帯：約 30 分  105±5 円\n"
              "  割引時間帯：約 120 分  1800±0 円\n"
              "  計：1905±5 円\n");

    // Without an allowance or a listed type: the totals alone. A period
    // closing in January starts in the previous December.
    EXPECT_EQ(PeriodReportText(CumulativeImage{}, 2027, 1, 10, {}, 0),
              "2027年  1月〆分 (2026/12/10 - 2027/01/09, 31日間)\n"
              "総接続時間：約 0時間00分\n"
              "総受信量：約 0 KB\n"
              "総送信量：約 0 KB\n");
}

}  // namespace
}  // namespace trovik
