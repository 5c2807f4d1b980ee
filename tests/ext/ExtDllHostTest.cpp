// The host's start, tick and end against modules built from the contract
// header alone: the calling order, the refusals with their messages, and the
// rule that a module is loaded only from the program's directory.

#include "ext/ExtDllHost.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/ext/TestModules.h"

namespace trovik {
namespace {

using testing::IsLoaded;
using testing::ModuleProbe;
using testing::ProgramDirWith;
using testing::RecordingMessages;

const std::string kLoadFailed(kExtLoadFailedText);
const std::string kIncompatible(kExtIncompatibleText);

// A reading past the full scale, with a receive total above 4 GiB.
constexpr ExtReading kReading{1234, 12500, 61, 250, 987654, 6000000000ull};

TEST(ExtDllHostTest, EmptyExtDllTouchesNothingAndSaysNothing) {
    RecordingMessages messages;
    ExtDllHost host;
    EXPECT_FALSE(host.Load("/nonexistent/", "", "/nonexistent", messages));
    EXPECT_FALSE(host.Load("/nonexistent/", "", messages));
    EXPECT_FALSE(host.IsOpen());
    EXPECT_TRUE(messages.shown.empty());
    host.Tick(kReading);  // nothing open: must not crash
    host.Unload();
}

TEST(ExtDllHostTest, StartTickAndEndKeepTheCallingOrder) {
    ProgramDirWith program({"TrvikTestGood.so"});
    ModuleProbe probe(program.Path("TrvikTestGood.so"));
    ASSERT_TRUE(probe.Loaded());
    RecordingMessages messages;
    const std::string dataDir = program.Scratch().path().string();
    {
        ExtDllHost host;
        ASSERT_TRUE(host.Load(program.Dir(), "TrvikTestGood.so", dataDir, messages));
        EXPECT_TRUE(host.IsOpen());
        EXPECT_EQ(host.Handle(), 0x1234u);
        EXPECT_EQ(probe.Calls(), "GetLevel;Open(0," + dataDir + ");");

        host.Tick(kReading);
        // The test dialog pauses the meter's own hand-over.
        host.SetPaused(true);
        host.Tick(ExtReading{1, 2, 3, 4, 5, 6});
        host.SetPaused(false);
        host.Tick(ExtReading{0, 0, 0, 0, 987654, 6000000000ull});
        host.Unload();
        EXPECT_FALSE(host.IsOpen());
        host.Tick(kReading);  // after Close: no call
        host.Unload();        // a second Unload closes nothing
    }
    EXPECT_EQ(probe.Calls(), "GetLevel;Open(0," + dataDir +
                                 ");"
                                 "Update(1234,1234,12500,61,250,987654,6000000000);"
                                 "Update(1234,0,0,0,0,987654,6000000000);"
                                 "Close(1234);");
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ExtDllHostTest, AHandleWithAllBitsSetIsAnOpenModule) {
    ProgramDirWith program({"TrvikTestAllBits.so"});
    ModuleProbe probe(program.Path("TrvikTestAllBits.so"));
    RecordingMessages messages;
    {
        ExtDllHost host;
        ASSERT_TRUE(host.Load(program.Dir(), "TrvikTestAllBits.so", "/data", messages));
        host.Tick(ExtReading{1, 2, 3, 4, 5, 6});
        // The destructor ends the module like Unload.
    }
    EXPECT_EQ(probe.Calls(),
              "GetLevel;Open(0,/data);Update(ffffffffffffffff,1,2,3,4,5,6);"
              "Close(ffffffffffffffff);");
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ExtDllHostTest, LevelOneIsRefusedWithBothMessagesAndNeverOpened) {
    ProgramDirWith program({"TrvikTestLevel1.so"});
    RecordingMessages messages;
    ExtDllHost host;
    {
        ModuleProbe probe(program.Path("TrvikTestLevel1.so"));
        EXPECT_FALSE(host.Load(program.Dir(), "TrvikTestLevel1.so", "/data", messages));
        EXPECT_EQ(probe.Calls(), "GetLevel;");
    }
    EXPECT_EQ(messages.shown, (std::vector<std::string>{kIncompatible, kLoadFailed}));
    EXPECT_EQ(messages.icons,
              (std::vector<MessageIcon>{MessageIcon::Exclamation, MessageIcon::Exclamation}));
    EXPECT_FALSE(host.IsOpen());
    // Released at once, never called again.
    EXPECT_FALSE(IsLoaded(program.Path("TrvikTestLevel1.so")));
    host.Tick(kReading);
    host.Unload();
}

TEST(ExtDllHostTest, AMissingExportIsRefusedBeforeAnyCall) {
    ProgramDirWith program({"TrvikTestNoClose.so", "TrvikTestNoLevel.so"});
    for (const char* name : {"TrvikTestNoClose.so", "TrvikTestNoLevel.so"}) {
        SCOPED_TRACE(name);
        ModuleProbe probe(program.Path(name));
        RecordingMessages messages;
        ExtDllHost host;
        EXPECT_FALSE(host.Load(program.Dir(), name, "/data", messages));
        EXPECT_EQ(messages.shown, std::vector<std::string>{kLoadFailed});
        EXPECT_EQ(probe.Calls(), "");
    }
}

TEST(ExtDllHostTest, OpenReturningZeroIsReportedAndNeverClosed) {
    ProgramDirWith program({"TrvikTestOpenFails.so"});
    ModuleProbe probe(program.Path("TrvikTestOpenFails.so"));
    RecordingMessages messages;
    {
        ExtDllHost host;
        EXPECT_FALSE(host.Load(program.Dir(), "TrvikTestOpenFails.so", "/data", messages));
        host.Tick(kReading);
        host.Unload();
    }
    EXPECT_EQ(probe.Calls(), "GetLevel;Open(0,/data);");
    EXPECT_EQ(messages.shown, std::vector<std::string>{kLoadFailed});
}

TEST(ExtDllHostTest, ModulesOutsideTheProgramDirectoryAreRefused) {
    // A valid module one level above the program directory, and the same
    // module in a subdirectory: neither may be reached through ExtDLL.
    ProgramDirWith outside({"TrvikTestGood.so"});
    const std::filesystem::path programDir = outside.Scratch().Path("prog");
    std::filesystem::create_directories(programDir / "sub");
    std::filesystem::copy_file(outside.Path("TrvikTestGood.so"),
                               programDir / "sub/TrvikTestGood.so");
    const std::string dir = programDir.string() + "/";
    const std::vector<std::string> names{"../TrvikTestGood.so", "sub/TrvikTestGood.so",
                                         outside.Path("TrvikTestGood.so"), "sub\\TrvikTestGood.so",
                                         "TrvikMissing.so"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        RecordingMessages messages;
        ExtDllHost host;
        EXPECT_FALSE(host.Load(dir, name, "/data", messages));
        EXPECT_EQ(messages.shown, std::vector<std::string>{kLoadFailed});
        EXPECT_FALSE(IsLoaded(outside.Path("TrvikTestGood.so")));
        EXPECT_FALSE(IsLoaded(dir + "sub/TrvikTestGood.so"));
    }
}

TEST(ExtDllHostTest, TheLoadWithoutDataDirUsesTheProgramDirectoryWhenWritable) {
    ProgramDirWith program({"TrvikTestGood.so"});
    ModuleProbe probe(program.Path("TrvikTestGood.so"));
    RecordingMessages messages;
    ExtDllHost host;
    ASSERT_TRUE(host.Load(program.Dir(), "TrvikTestGood.so", messages));
    EXPECT_EQ(probe.Calls(), "GetLevel;Open(0," + program.Scratch().path().string() + ");");
}

TEST(ExtDllHostTest, ProgramDirIsTheProgramsDirectoryWithATrailingSlash) {
    EXPECT_EQ(ProgramDirOf("/opt/trovik/Trovik"), "/opt/trovik/");
    EXPECT_EQ(ProgramDirOf("/Trovik"), "/");
    EXPECT_EQ(ProgramDirOf("Trovik"), "./");
    EXPECT_EQ(ProgramDirOf("bin/v1.2/Trovik"), "bin/v1.2/");
    const std::string own = ProgramDir();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(own + "trovik_ext_tests"));
}

TEST(ExtDllHostTest, OnlyPlainFileNamesAreAccepted) {
    EXPECT_TRUE(IsPlainFileName("TrvikLunvar.so"));
    EXPECT_FALSE(IsPlainFileName(""));
    EXPECT_FALSE(IsPlainFileName("/usr/lib/TrvikLunvar.so"));
    EXPECT_FALSE(IsPlainFileName("..\\TrvikLunvar.so"));
}

}  // namespace
}  // namespace trovik
