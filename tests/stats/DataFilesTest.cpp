#include "stats/DataFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

TEST(DataFiles, NamesFollowTheProgramFile) {
    const DataFiles exe("/opt/tools", "Trovik");
    EXPECT_EQ(exe.LogPath(), "/opt/tools/Trovik.LOG");
    EXPECT_EQ(exe.SnapshotPath(), "/opt/tools/Trovik.DAT");
    EXPECT_EQ(exe.ScopePath(), "/opt/tools/Trovik.STA");
    EXPECT_EQ(exe.AllowancePath(), "/opt/tools/Trovik.QTA");
    EXPECT_EQ(exe.CumulativePath(2001), "/opt/tools/Trovik_2001.CUM");
    EXPECT_EQ(exe.CumulativePath(7), "/opt/tools/Trovik_0007.CUM");
    EXPECT_EQ(exe.Beside("TrvikLunvar.ini"), "/opt/tools/TrvikLunvar.ini");
    EXPECT_EQ(DataFiles("/", "x").LogPath(), "/x.LOG");
}

class DataFilesPlaceTest : public ::testing::Test {
protected:
    ScratchDir root{"trovik-datafiles-"};
};

TEST_F(DataFilesPlaceTest, BesideAWritableProgramWithAndWithoutExtension) {
    fs::create_directories(root.Path("v1.2"));
    const std::string dir = root.Path("v1.2").string();
    // The dot of the directory is not an extension; the file's own is replaced.
    EXPECT_EQ(DataFiles::ForProgram(dir + "/Trovik").LogPath(), dir + "/Trovik.LOG");
    EXPECT_EQ(DataFiles::ForProgram(dir + "/Trovik.exe").LogPath(), dir + "/Trovik.LOG");
    EXPECT_EQ(DataFiles::ForProgram(dir + "/trovik.bin").CumulativePath(2026),
              dir + "/trovik_2026.CUM");
    EXPECT_EQ(DataFiles::ForProgram(dir + "/.trovik").ScopePath(), dir + "/.trovik.STA");
}

TEST_F(DataFilesPlaceTest, UnwritableProgramDirectoryFallsBackToTheUserDataDirectory) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    ::setenv("XDG_DATA_HOME", root.Path("share").c_str(), 1);
    // A directory that does not exist cannot be written (root may write anywhere else).
    const DataFiles files = DataFiles::ForProgram((root.Path("missing") / "Trovik").string());
    EXPECT_EQ(files.Directory(), (root.Path("share") / "Qanto" / "Vemaro").string());
    EXPECT_TRUE(fs::is_directory(files.Directory()));
    EXPECT_EQ(files.LogPath(), (root.Path("share") / "Qanto" / "Vemaro" / "Trovik.LOG").string());

    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataDirectory(), std::string(std::getenv("HOME")) + "/.local/share/Qanto/Vemaro");
    if (oldXdg) {
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    }
}

}  // namespace
}  // namespace trovik
