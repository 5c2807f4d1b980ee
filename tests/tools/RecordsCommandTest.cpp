#include "tools/records/RecordsCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "stats/Calendar.h"
#include "stats/Cumulative.h"
#include "stats/RecordsExport.h"
#include "tests/ScratchDir.h"

namespace trovik {
namespace {

class RecordsCommandTest : public ::testing::Test {
protected:
    RecordsCommandTest() {
        today.year = 2026;
        today.month = 12;
        today.day = 7;
    }

    std::optional<int> Run(const std::vector<std::string>& args) {
        out.str({});
        err.str({});
        const RecordsCommandEnv env{dir.Path("Trovik").string(), backend, today, out, err};
        return RunRecordsCommand(args, env);
    }

    void WriteYear(unsigned year, const CumulativeImage& image) {
        testing::WriteBytes(dir.Path("Trovik_" + std::to_string(year) + ".CUM"), image.Bytes());
    }

    testing::ScratchDir dir{"trovik-records-"};
    MemorySettingsBackend backend;
    LocalTime today;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(RecordsCommandTest, OtherArgumentsAreNotOurs) {
    EXPECT_FALSE(Run({}).has_value());
    EXPECT_FALSE(Run({"--simulate"}).has_value());
    EXPECT_FALSE(Run({"/DEBUG", "--report"}).has_value());
}

TEST_F(RecordsCommandTest, MalformedCommandsFailWithUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {"--export"},
        {"--export", "xml"},
        {"--export", "csv", "--year"},
        {"--export", "csv", "--year", "20x6"},
        {"--export", "csv", "--yaer", "2026"},
        {"--export", "json", "--year", "2026", "extra"},
        {"--report", "2026"},
        {"--report", "2026", "13"},
        {"--report", "2026", "0"},
        {"--report", "99", "1"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), 1) << args.size() << " " << args.back();
        EXPECT_TRUE(out.str().empty()) << args.back();
        EXPECT_NE(err.str().find("使い方: trovik --report"), std::string::npos) << args.back();
    }
}

TEST_F(RecordsCommandTest, ExportWritesTheYearAndReadsNothingElse) {
    CumulativeImage image;
    image.Record(DayIndex(2024, 3, 1)).SetRecvKB(12);
    WriteYear(2024, image);
    const auto before = std::filesystem::last_write_time(dir.Path("Trovik_2024.CUM"));

    EXPECT_EQ(Run({"--export", "json", "--year", "2024"}), 0) << err.str();
    EXPECT_EQ(out.str(), ExportYear(image, 2024, ExportFormat::Json));
    EXPECT_TRUE(err.str().empty());
    EXPECT_EQ(Run({"--export", "csv", "--year", "2024"}), 0);
    EXPECT_EQ(out.str(), ExportYear(image, 2024, ExportFormat::Csv));

    // This year (2026) has no file.
    EXPECT_EQ(Run({"--export", "csv"}), 1);
    EXPECT_TRUE(out.str().empty());
    EXPECT_NE(err.str().find("Trovik_2026.CUM"), std::string::npos) << err.str();

    EXPECT_EQ(dir.Entries(), 1u) << "nothing created";
    EXPECT_EQ(std::filesystem::last_write_time(dir.Path("Trovik_2024.CUM")), before);
    EXPECT_TRUE(backend.values.empty());
}

// As the program's main runs it: --simulate, before or after the command,
// reads the demo's records from the per-user data folder.
TEST_F(RecordsCommandTest, SimulateReadsTheDemosRecords) {
    ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    const std::filesystem::path demo = dir.path() / "Qanto" / "Vemaro" / "demo";
    CumulativeImage image;
    image.Record(DayIndex(2024, 3, 1)).SetRecvKB(34);
    testing::WriteBytes(demo / "Trovik_2024.CUM", image.Bytes());

    for (std::vector<std::string> words :
         {std::vector<std::string>{"trovik", "--simulate", "--export", "csv", "--year", "2024"},
          {"trovik", "--export", "csv", "--year", "2024", "--simulate"}}) {
        std::vector<char*> argv;
        for (std::string& w : words) {
            argv.push_back(w.data());
        }
        std::ostringstream captured;
        std::streambuf* const saved = std::cout.rdbuf(captured.rdbuf());
        const auto status = RunRecordsCommand(static_cast<int>(argv.size()), argv.data());
        std::cout.rdbuf(saved);
        EXPECT_EQ(status, 0) << words[1];
        EXPECT_EQ(captured.str(), ExportYear(image, 2024, ExportFormat::Csv)) << words[1];
    }
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(RecordsCommandTest, DamagedYearFileIsReportedNotRead) {
    testing::WriteText(dir.Path("Trovik_2026.CUM"), std::string(41915, '\0'));
    EXPECT_EQ(Run({"--export", "json"}), 1);
    EXPECT_NE(err.str().find("壊れています"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"--report"}), 1);
    EXPECT_NE(err.str().find("壊れています"), std::string::npos) << err.str();
    // A January period also reads the year before.
    EXPECT_EQ(Run({"--report", "2027", "1"}), 1);
    EXPECT_NE(err.str().find("壊れています"), std::string::npos) << err.str();
}

TEST_F(RecordsCommandTest, ReportTakesTheSettingsAndWritesNoneOfThem) {
    backend.values[{"Settings", "TollCloseDay"}] = "20";
    backend.values[{"Settings", "QuotaMB"}] = "1";
    backend.values[{"Settings", "TollTypesDispMask"}] = "1";  // type 0 only
    CumulativeImage image;
    image.Record(DayIndex(2026, 11, 20)).SetRecvKB(512);  // in 20 November - 19 December
    image.Record(DayIndex(2026, 11, 19)).SetRecvKB(9999);
    WriteYear(2026, image);
    const auto settingsBefore = backend.values;

    EXPECT_EQ(Run({"--report"}), 0) << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("2026年 12月〆分 (2026/11/20 - 2026/12/19, 30日間)\n", 0), 0u) << text;
    EXPECT_NE(text.find("データ量：512 KB / 1 MB (50 %)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("概算課金 0：市内 通常料金\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("概算課金 1"), std::string::npos) << text;
    EXPECT_EQ(backend.values, settingsBefore) << "the presets stay in memory";

    // January's period starts in December of the year before, whose file
    // alone is enough; a year with no file at all is an error.
    EXPECT_EQ(Run({"--report", "2027", "1"}), 0) << err.str();
    EXPECT_EQ(Run({"--report", "2025", "6"}), 1);
    EXPECT_NE(err.str().find("累計情報ファイルが見つかりません。"), std::string::npos);
}

}  // namespace
}  // namespace trovik
