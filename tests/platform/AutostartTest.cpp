#include "platform/Autostart.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

using testing::ScratchDir;
using testing::WriteText;

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(AutostartTest, EntryComesAndGoesAndIsTheOnlyState) {
    ScratchDir scratch;
    ::setenv("XDG_CONFIG_HOME", scratch.path().c_str(), 1);
    const std::string path = AutostartEntryPath();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(path, scratch.Path("autostart/trovik.desktop").string());

    EXPECT_FALSE(IsAutostartEnabled(path));
    // A FIFO in the entry's place is no entry, and is not waited on.
    std::filesystem::create_directories(scratch.Path("autostart"));
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(IsAutostartEnabled(path));
    std::filesystem::remove(path);
    ASSERT_TRUE(SetAutostart(path, true, "/opt/my tools/Trovik"));
    EXPECT_TRUE(IsAutostartEnabled(path));
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("[Desktop Entry]\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/opt/my tools/Trovik\"\n"), std::string::npos);
    EXPECT_EQ(scratch.Entries(), 1u);  // the folder only, no temporary file
    EXPECT_EQ(std::filesystem::directory_iterator(scratch.Path("autostart"))->path().filename(),
              "trovik.desktop");

    ASSERT_TRUE(SetAutostart(path, false, ""));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(SetAutostart(path, false, ""));  // already off

    // An autostart "folder" that is a file: the entry cannot be written.
    ScratchDir blocked;
    WriteText(blocked.Path("autostart"), "x");
    EXPECT_FALSE(SetAutostart(blocked.Path("autostart/trovik.desktop").string(), true, "trovik"));
}

TEST(AutostartTest, SwitchedOffEntriesDoNotStartTheMeter) {
    ScratchDir scratch;
    const auto path = scratch.Path("trovik.desktop");
    const struct {
        const char* text;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nExec=trovik\n", true},
        {"[Desktop Entry]\nExec=trovik\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden = true\r\n", false},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=true\nHidden=false\n", true},
        {"[Desktop Entry]\nExec=trovik\n[Desktop Action x]\nHidden=true\n", true},
    };
    for (const auto& c : cases) {
        WriteText(path, c.text);
        EXPECT_EQ(IsAutostartEnabled(path.string()), c.enabled) << c.text;
    }
}

TEST(AutostartTest, CommandIsTheShortNameOnlyWhenItLeadsToThisProgram) {
    ScratchDir scratch;
    const auto lib = scratch.Path("lib/trovik/Trovik");
    WriteText(lib, "program");
    std::filesystem::create_directories(scratch.Path("bin"));
    std::filesystem::create_symlink("../lib/trovik/Trovik", scratch.Path("bin/trovik"));
    WriteText(scratch.Path("other/trovik"), "another program");
    const std::string bin = scratch.Path("bin").string();
    const std::string other = scratch.Path("other").string();

    EXPECT_EQ(AutostartCommand(lib.string(), "/nowhere:" + bin), "trovik");
    EXPECT_EQ(AutostartCommand(lib.string(), "/nowhere"), lib.string());
    EXPECT_EQ(AutostartCommand(lib.string(), other + ":" + bin), lib.string());
    EXPECT_EQ(AutostartCommand(lib.string(), "relative:" + bin), "trovik");
    EXPECT_EQ(AutostartCommand(scratch.Path("gone").string(), bin), scratch.Path("gone").string());
}

TEST(AutostartTest, ExecQuotesWhatTheDesktopWouldSplitOrExpand) {
    const struct {
        const char* command;
        const char* exec;
    } cases[] = {
        {"trovik", "Exec=trovik\n"},
        {"/a b/Trovik", "Exec=\"/a b/Trovik\"\n"},
        {"/a$b/Tro\"vik", "Exec=\"/a\\$b/Tro\\\"vik\"\n"},
        {"/100%/Trovik", "Exec=/100%%/Trovik\n"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(AutostartEntryText(c.command).find(c.exec), std::string::npos) << c.command;
    }
}

}  // namespace
}  // namespace trovik
