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
        {".Trovik.LOG.tmp-dKx15g", true},
        {".Trovik.DAT.tmp-000000", true},
        {".Trovik.STA.tmp-ZZZZZZ", true},
        {".Trovik.QTA.tmp-q1W2e3", true},
        {".Trovik_2026.CUM.tmp-dKx15g", true},
        {".Trovik_0999.CUM.tmp-a1B2c3", true},   // "_%04u" of 999
        {".Trovik_12026.CUM.tmp-a1B2c3", true},  // a five-digit year
        {"Trovik.LOG", false},                   // the record itself
        {"Trovik.LOG.backup", false},            // the user's own copy
        {"Trovik_2026.CUM.dKx15g", false},       // the form older versions left
        {"Trovik.LOG.tmp-dKx15g", false},        // not hidden
        {".Trovik.LOG.tmp-dKx15", false},        // five characters
        {".Trovik.LOG.tmp-dKx15gg", false},      // seven
        {".Trovik.LOG.tmp-dKx-5g", false},       // not a template character
        {".Trovik.LOG.tmpXdKx15g", false},       // no marker
        {".Trovik.log.tmp-dKx15g", false},       // another record name
        {".Trovik.INI.tmp-dKx15g", false},
        {".Trovik.CUM.tmp-dKx15g", false},
        {".Trovik_26.CUM.tmp-dKx15g", false},     // "_%04u" never prints two digits
        {".Trovik_02026.CUM.tmp-dKx15g", false},  // nor a leading zero before four
        {".Trovik_2O26.CUM.tmp-dKx15g", false},
        {".Other.LOG.tmp-dKx15g", false},
        {".TrovikX.LOG.tmp-dKx15g", false},
        {".xTrovik.LOG.tmp-dKx15g", false},
        {"..LOG.tmp-dKx15g", false},
        {".tmp-dKx15g", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsRecordTemporary(c.name, "Trovik"), c.leftover) << c.name;
    }
    EXPECT_TRUE(IsTemporaryOf(".TrvikLunvar.ini.tmp-Q9w8E7", "TrvikLunvar.ini"));
    EXPECT_FALSE(IsTemporaryOf("TrvikLunvar.ini.backup", "TrvikLunvar.ini"));
    EXPECT_FALSE(IsTemporaryOf(".TrvikLunvar.ini", "TrvikLunvar.ini"));
    EXPECT_FALSE(IsTemporaryOf(".TrvikLunvar.ini.tmp-Q9w8E7", "TrvikPelkin.ini"));
    EXPECT_FALSE(IsTemporaryOf("..tmp-Q9w8E7", ""));
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
         {"Trovik.LOG", ".Trovik.LOG.tmp-dKx15g", ".Trovik.DAT.tmp-Ab3dEf",
          ".Trovik.STA.tmp-000000", "Trovik_2026.CUM", ".Trovik_2026.CUM.tmp-q1W2e3",
          "Trovik_2026.CUM.backup", "Trovik.LOG.dKx15g", ".Trovik_26.CUM.tmp-q1W2e3",
          ".Other.DAT.tmp-Ab3dEf", ".TrvikLunvar.ini.tmp-Q9w8E7", "notes.txt"}) {
        WriteText(records / name, "x");
    }
    fs::create_directory(records / ".Trovik.STA.tmp-dir123");
    fs::create_symlink(records / "notes.txt", records / ".Trovik.DAT.tmp-link12");
    for (const char* name :
         {"TrvikLunvar.ini", ".TrvikLunvar.ini.tmp-Q9w8E7", ".TrvikPelkin.ini.tmp-x1Y2z3",
          "TrvikLunvar.ini.backup", ".TrvikOther.ini.tmp-x1Y2z3", ".Trovik.LOG.tmp-dKx15g"}) {
        WriteText(modules / name, "x");
    }

    EXPECT_EQ(RemoveRecordLeftovers(DataFiles(records.string(), "Trovik")), 4u);
    EXPECT_EQ(Names(records),
              (std::vector<std::string>{
                  ".Other.DAT.tmp-Ab3dEf", ".Trovik.DAT.tmp-link12", ".Trovik.STA.tmp-dir123",
                  ".Trovik_26.CUM.tmp-q1W2e3", ".TrvikLunvar.ini.tmp-Q9w8E7", "Trovik.LOG",
                  "Trovik.LOG.dKx15g", "Trovik_2026.CUM", "Trovik_2026.CUM.backup", "notes.txt"}));
    EXPECT_TRUE(fs::exists(records / "notes.txt")) << "a link's target is never touched";

    constexpr std::array<std::string_view, 2> ini = {"TrvikLunvar.ini", "TrvikPelkin.ini"};
    EXPECT_EQ(RemoveFileLeftovers(modules.string(), ini), 2u);
    EXPECT_EQ(Names(modules),
              (std::vector<std::string>{".Trovik.LOG.tmp-dKx15g", ".TrvikOther.ini.tmp-x1Y2z3",
                                        "TrvikLunvar.ini", "TrvikLunvar.ini.backup"}));
    EXPECT_EQ(RemoveFileLeftovers(scratch.Path("missing").string(), ini), 0u);
}

TEST(LeftoversTest, AnotherUsersFileStays) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    ScratchDir scratch;
    WriteText(scratch.Path(".Trovik.LOG.tmp-dKx15g"), "x");
    ASSERT_EQ(::chown(scratch.Path(".Trovik.LOG.tmp-dKx15g").c_str(), 4242, 4242), 0);
    EXPECT_EQ(RemoveRecordLeftovers(DataFiles(scratch.path().string(), "Trovik")), 0u);
    EXPECT_TRUE(fs::exists(scratch.Path(".Trovik.LOG.tmp-dKx15g")));
}

}  // namespace
}  // namespace trovik
