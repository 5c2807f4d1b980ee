#include "stats/Leftovers.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
using testing::WriteText;

TEST(LeftoversTest, OnlyTheWritersOwnTemporaryNamesMatch) {
    const struct {
        const char* name;
        bool leftover;
    } cases[] = {
        {"Trovik.LOG.dKx15g", true},
        {"Trovik.DAT.000000", true},
        {"Trovik.STA.ZZZZZZ", true},
        {"Trovik_2026.CUM.dKx15g", true},
        {"Trovik_0999.CUM.a1B2c3", true},   // "_%04u" of 999
        {"Trovik_12026.CUM.a1B2c3", true},  // a five-digit year
        {"Trovik.LOG", false},              // the record itself
        {"Trovik.LOG.dKx15", false},        // five characters
        {"Trovik.LOG.dKx15gg", false},      // seven
        {"Trovik.LOG.dKx-5g", false},       // not a template character
        {"Trovik.LOG.dKx.5g", false},
        {"Trovik.LOG_dKx15g", false},  // no dot
        {"Trovik.log.dKx15g", false},  // another record name
        {"Trovik.INI.dKx15g", false},
        {"Trovik.CUM.dKx15g", false},
        {"Trovik_26.CUM.dKx15g", false},     // "_%04u" never prints two digits
        {"Trovik_02026.CUM.dKx15g", false},  // nor a leading zero before four
        {"Trovik_2O26.CUM.dKx15g", false},
        {"Other.LOG.dKx15g", false},
        {"TrovikX.LOG.dKx15g", false},
        {"xTrovik.LOG.dKx15g", false},
        {".LOG.dKx15g", false},
        {"dKx15g", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsRecordTemporary(c.name, "Trovik"), c.leftover) << c.name;
    }
    EXPECT_TRUE(IsTemporaryOf("TrvikLunvar.ini.Q9w8E7", "TrvikLunvar.ini"));
    EXPECT_FALSE(IsTemporaryOf("TrvikLunvar.ini.tmp123", "TrvikLunvar.ini.t"));
    EXPECT_FALSE(IsTemporaryOf("TrvikLunvar.ini", "TrvikLunvar.ini"));
    EXPECT_FALSE(IsTemporaryOf("TrvikLunvar.ini.Q9w8E7", "TrvikPelkin.ini"));
    EXPECT_FALSE(IsTemporaryOf(".Q9w8E7", ""));
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Leftovers beside the records and the modules' settings go; look-alikes,
// links, directories and the files themselves stay.
TEST(LeftoversTest, RemovesLeftoversAndNothingElse) {
    ScratchDir scratch;
    const fs::path records = scratch.Path("records");
    const fs::path modules = scratch.Path("modules");
    fs::create_directories(records);
    fs::create_directories(modules);
    for (const char* name :
         {"Trovik.LOG", "Trovik.LOG.dKx15g", "Trovik.DAT.Ab3dEf", "Trovik.STA.000000",
          "Trovik_2026.CUM", "Trovik_2026.CUM.q1W2e3", "Trovik.LOG.dKx15", "Trovik.LOG.tmp1234",
          "Trovik_26.CUM.q1W2e3", "Other.DAT.Ab3dEf", "TrvikLunvar.ini.Q9w8E7", "notes.txt"}) {
        WriteText(records / name, "x");
    }
    fs::create_directory(records / "Trovik.STA.dir123");
    fs::create_symlink(records / "notes.txt", records / "Trovik.DAT.link12");
    for (const char* name : {"TrvikLunvar.ini", "TrvikLunvar.ini.Q9w8E7", "TrvikPelkin.ini.x1Y2z3",
                             "TrvikOther.ini.x1Y2z3", "Trovik.LOG.dKx15g"}) {
        WriteText(modules / name, "x");
    }

    EXPECT_EQ(RemoveRecordLeftovers(DataFiles(records.string(), "Trovik")), 4u);
    EXPECT_EQ(Names(records),
              (std::vector<std::string>{
                  "Other.DAT.Ab3dEf", "Trovik.DAT.link12", "Trovik.LOG", "Trovik.LOG.dKx15",
                  "Trovik.LOG.tmp1234", "Trovik.STA.dir123", "Trovik_2026.CUM",
                  "Trovik_26.CUM.q1W2e3", "TrvikLunvar.ini.Q9w8E7", "notes.txt"}));
    EXPECT_TRUE(fs::exists(records / "notes.txt")) << "a link's target is never touched";

    constexpr std::array<std::string_view, 2> ini = {"TrvikLunvar.ini", "TrvikPelkin.ini"};
    EXPECT_EQ(RemoveFileLeftovers(modules.string(), ini), 2u);
    EXPECT_EQ(Names(modules), (std::vector<std::string>{"Trovik.LOG.dKx15g", "TrvikLunvar.ini",
                                                        "TrvikOther.ini.x1Y2z3"}));
    EXPECT_EQ(RemoveFileLeftovers(scratch.Path("missing").string(), ini), 0u);
}

TEST(LeftoversTest, AnotherUsersFileStays) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    ScratchDir scratch;
    WriteText(scratch.Path("Trovik.LOG.dKx15g"), "x");
    ASSERT_EQ(::chown(scratch.Path("Trovik.LOG.dKx15g").c_str(), 4242, 4242), 0);
    EXPECT_EQ(RemoveRecordLeftovers(DataFiles(scratch.path().string(), "Trovik")), 0u);
    EXPECT_TRUE(fs::exists(scratch.Path("Trovik.LOG.dKx15g")));
}

}  // namespace
}  // namespace trovik
