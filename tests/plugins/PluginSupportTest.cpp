// What the modules share: their INI files, the integer check of their
// dialogs, and where they find their data directory.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "ext/ExtDllHost.h"
#include "ext/TrvikExtension.h"
#include "plugins/common/ModuleFiles.h"
#include "plugins/common/ProfileIni.h"
#include "plugins/common/UIntField.h"
#include "plugins/lunvar/LcdLink.h"
#include "plugins/pelkin/BarSettings.h"
#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using plugin::CheckUIntField;
using plugin::ReadProfileUInt;
using plugin::UIntCheck;
using testing::ReadText;
using testing::ScratchDir;
using testing::WriteText;

TEST(ProfileIniTest, ReadsDecimalValuesOfTheRightSection) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("a.ini").string();
    WriteText(ini,
              "; comment\r\n"
              "[Other]\r\n"
              "Size=99\r\n"
              "  [ config ]  \r\n"
              "  size =  12  \r\n"
              ";Position=5\r\n"
              "Position=3\r\n"
              "Position=4\r\n"
              "ColorTx=4294967295\r\n"
              "ColorRx=4294967296\r\n"
              "ColorBase=12abc\r\n"
              "Empty=\r\n");
    EXPECT_EQ(ReadProfileUInt(ini, "Config", "Size"), 12u);
    EXPECT_EQ(ReadProfileUInt(ini, "Config", "Position"), 3u);  // the first one counts
    EXPECT_EQ(ReadProfileUInt(ini, "Other", "Size"), 99u);
    EXPECT_EQ(ReadProfileUInt(ini, "Config", "ColorTx"), 4294967295u);
    // Values that are not numbers, or too large, read as absent.
    EXPECT_EQ(ReadProfileUInt(ini, "Config", "ColorRx"), std::nullopt);
    EXPECT_EQ(ReadProfileUInt(ini, "Config", "ColorBase"), std::nullopt);
    EXPECT_EQ(ReadProfileUInt(ini, "Config", "Empty"), std::nullopt);
    EXPECT_EQ(ReadProfileUInt(ini, "Config", "Missing"), std::nullopt);
    EXPECT_EQ(plugin::GetProfileUInt(ini, "Config", "ColorRx", 255), 255u);
    EXPECT_EQ(plugin::GetProfileUInt(scratch.Path("none.ini").string(), "Config", "Size", 11), 11u);
}

TEST(ProfileIniTest, WritingKeepsEverythingElseAndLeavesNoTemporaryFile) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("b.ini").string();
    WriteText(ini,
              "[Config]\n"
              "; keep me\n"
              "size=12\n"
              "\n"
              "[Later]\n"
              "Size=5\n");
    ASSERT_TRUE(plugin::WriteProfileStrings(ini, "Config", {{"Size", "20"}, {"Position", "2"}}));
    EXPECT_EQ(ReadText(ini),
              "[Config]\n"
              "; keep me\n"
              "Size=20\n"
              "Position=2\n"
              "\n"
              "[Later]\n"
              "Size=5\n");
    EXPECT_EQ(scratch.Entries(), 1u);
}

TEST(ProfileIniTest, WritingCreatesTheFileAndTheSection) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("sub/c.ini").string();
    ASSERT_TRUE(plugin::WriteProfileStrings(ini, "Config", {{"IpAddress", "2130706433"}}));
    EXPECT_EQ(ReadText(ini), "[Config]\nIpAddress=2130706433\n");
    WriteText(ini, "[Other]\nA=1");
    ASSERT_TRUE(plugin::WriteProfileStrings(ini, "Config", {{"LcdPort", "4000"}}));
    EXPECT_EQ(ReadText(ini), "[Other]\nA=1\n[Config]\nLcdPort=4000\n");
    // A file where its directory should be: the write fails.
    WriteText(scratch.Path("blocker"), "");
    EXPECT_FALSE(plugin::WriteProfileStrings(scratch.Path("blocker/d.ini").string(), "Config",
                                             {{"A", "1"}}));
}

TEST(ProfileIniTest, WhatCannotBeReadIsNeitherWaitedOnNorReplaced) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("e.ini").string();
    const std::string victim = scratch.Path("victim").string();
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0); }},
        {"a link to a real file", [&] { fs::create_symlink(victim, ini); }},
        {"a link to nothing", [&] { fs::create_symlink(scratch.Path("nowhere"), ini); }},
        {"a directory", [&] { fs::create_directory(ini); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(ini);
        WriteText(victim, "[Config]\nSize=7\n");
        c.make();
        const fs::file_status before = fs::symlink_status(ini);
        EXPECT_EQ(ReadProfileUInt(ini, "Config", "Size"), std::nullopt);
        EXPECT_FALSE(plugin::WriteProfileStrings(ini, "Config", {{"Size", "20"}}));
        EXPECT_EQ(fs::symlink_status(ini).type(), before.type());
        EXPECT_EQ(ReadText(victim), "[Config]\nSize=7\n");
        EXPECT_FALSE(fs::exists(scratch.Path("nowhere")));
        EXPECT_EQ(scratch.Entries(), 2u) << "no temporary file is left";
    }
}

TEST(ProfileIniTest, WritingKeepsThePermissionsAndWritesThroughNoPlantedLink) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("f.ini").string();
    const std::string victim = scratch.Path("victim").string();
    WriteText(ini, "[Config]\nSize=1\n");
    WriteText(victim, "precious");
    ASSERT_EQ(::chmod(ini.c_str(), 0600), 0);
    // Links under the names a temporary file could once be given.
    for (const std::string& suffix : {".tmp" + std::to_string(::getpid()), std::string(".tmp")}) {
        fs::create_symlink(victim, ini + suffix);
    }
    ASSERT_TRUE(plugin::WriteProfileStrings(ini, "Config", {{"Size", "2"}}));
    EXPECT_EQ(ReadText(ini), "[Config]\nSize=2\n");
    EXPECT_EQ(ReadText(victim), "precious");
    EXPECT_EQ(fs::status(ini).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(scratch.Entries(), 4u);
}

TEST(UIntFieldTest, TellsNotANumberFromOutOfRange) {
    std::uint32_t value = 0;
    EXPECT_EQ(CheckUIntField("8", 7, 64, value), UIntCheck::Ok);
    EXPECT_EQ(value, 8u);
    EXPECT_EQ(CheckUIntField(" 64 ", 7, 64, value), UIntCheck::Ok);
    EXPECT_EQ(value, 64u);
    EXPECT_EQ(CheckUIntField("100", 7, 64, value), UIntCheck::OutOfRange);
    EXPECT_EQ(CheckUIntField("6", 7, 64, value), UIntCheck::OutOfRange);
    EXPECT_EQ(CheckUIntField("70000", 0, 65535, value), UIntCheck::OutOfRange);
    EXPECT_EQ(CheckUIntField("99999999999999999999", 0, 65535, value), UIntCheck::OutOfRange);
    EXPECT_EQ(CheckUIntField("0", 0, 65535, value), UIntCheck::Ok);
    EXPECT_EQ(CheckUIntField("", 0, 65535, value), UIntCheck::NotANumber);
    EXPECT_EQ(CheckUIntField("-1", 0, 65535, value), UIntCheck::NotANumber);
    EXPECT_EQ(CheckUIntField("1 2", 0, 65535, value), UIntCheck::NotANumber);
    EXPECT_EQ(plugin::UIntFieldMessage(UIntCheck::OutOfRange, 7, 64),
              "7 から 64 までの整数を入力してください。");
    EXPECT_EQ(plugin::UIntFieldMessage(UIntCheck::OutOfRange, 0, 65535),
              "0 から 65535 までの整数を入力してください。");
    EXPECT_EQ(plugin::UIntFieldMessage(UIntCheck::NotANumber, 0, 65535),
              "正の整数を入力してください。");
}

// Sets or removes the data-directory variable for one test.
class DataDirVariable {
public:
    explicit DataDirVariable(const char* value) {
        if (const char* old = std::getenv(TRVIK_DATA_DIR_ENV)) {
            saved = old;
        }
        if (value != nullptr) {
            ::setenv(TRVIK_DATA_DIR_ENV, value, 1);
        } else {
            ::unsetenv(TRVIK_DATA_DIR_ENV);
        }
    }
    ~DataDirVariable() {
        if (saved) {
            ::setenv(TRVIK_DATA_DIR_ENV, saved->c_str(), 1);
        } else {
            ::unsetenv(TRVIK_DATA_DIR_ENV);
        }
    }
    DataDirVariable(const DataDirVariable&) = delete;
    DataDirVariable& operator=(const DataDirVariable&) = delete;

private:
    std::optional<std::string> saved;
};

TEST(ModuleFilesTest, TheHostsDataDirectoryComesFirst) {
    {
        DataDirVariable given("/srv/trovik/data/");
        EXPECT_EQ(plugin::ModuleDataDir(), "/srv/trovik/data");
        EXPECT_EQ(plugin::ModuleDataPath("TrvikLunvar.ini"), "/srv/trovik/data/TrvikLunvar.ini");
    }
    // Without it, or with a relative one, the running program's file
    // decides: here the test program, whose directory is writable.
    const auto own = std::filesystem::canonical("/proc/self/exe").parent_path();
    {
        DataDirVariable relative("data");
        EXPECT_TRUE(std::filesystem::equivalent(plugin::ModuleDataDir(), own));
    }
    {
        DataDirVariable none(nullptr);
        const std::filesystem::path path = plugin::ModuleDataPath("TrvikPelkin.ini");
        EXPECT_EQ(path.filename(), "TrvikPelkin.ini");
        EXPECT_TRUE(std::filesystem::equivalent(path.parent_path(), own));
    }
}

// The start's clean-up knows each module's settings file by name.
TEST(ModuleFilesTest, TheProgramKnowsTheSettingsFilesOfItsModules) {
    for (std::string_view name : {lunvar::kIniFileName, pelkin::kIniFileName}) {
        EXPECT_NE(std::find(kModuleSettingsFiles.begin(), kModuleSettingsFiles.end(), name),
                  kModuleSettingsFiles.end())
            << name;
    }
}

}  // namespace
}  // namespace trovik
