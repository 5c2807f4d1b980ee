// The settings page's logic without its window: listing "Trvik*.so" with the
// module strings, the choice of ExtDLL, and the "プロパティ(&R)" sequence.

#include <gtest/gtest.h>

#include "ext/ExtDllHost.h"
#include "tests/ext/TestModules.h"

namespace trovik {
namespace {

using testing::IsLoaded;
using testing::ModuleProbe;
using testing::ProgramDirWith;
using testing::RecordingMessages;
using testing::WriteText;

std::vector<std::string> FileNames(const std::vector<ExtModuleInfo>& modules) {
    std::vector<std::string> names;
    for (const auto& module : modules) {
        names.push_back(module.fileName);
    }
    return names;
}

TEST(ExtPageTest, ListsMatchingFilesWithTheirStringsWithoutCallingThem) {
    ProgramDirWith program({"TrvikTestGood.so", "TrvikTestLevel1.so"});
    const auto& scratch = program.Scratch();
    WriteText(scratch.Path("TrvikBroken.so"), "not a shared object");
    WriteText(scratch.Path("Other.so"), "");
    WriteText(scratch.Path("trvikLower.so"), "");
    WriteText(scratch.Path("TrvikOld.so.1"), "");
    std::filesystem::create_directories(scratch.Path("TrvikFolder.so"));
    ModuleProbe probe(program.Path("TrvikTestGood.so"));

    const auto modules = ListExtModules(program.Dir());

    ASSERT_EQ(FileNames(modules), (std::vector<std::string>{"TrvikBroken.so", "TrvikTestGood.so",
                                                            "TrvikTestLevel1.so"}));
    // A file that does not load is listed by its title with empty texts.
    EXPECT_EQ(modules[0].title, "TrvikBroken");
    EXPECT_EQ(modules[0].version, "");
    EXPECT_EQ(modules[0].description, "");
    EXPECT_EQ(modules[1].title, "TrvikTestGood");
    EXPECT_EQ(modules[1].version, "9.87");
    EXPECT_EQ(modules[1].description, "A test module.");
    EXPECT_EQ(modules[2].version, "9.87");
    // Listing calls no export and leaves nothing loaded.
    EXPECT_EQ(probe.Calls(), "");
    EXPECT_FALSE(IsLoaded(program.Path("TrvikTestLevel1.so")));
}

TEST(ExtPageTest, ALongModuleStringIsCutToTheBufferOnACharacterBoundary) {
    ProgramDirWith program({"TrvikTestNoConfig.so"});
    const auto modules = ListExtModules(program.Dir());
    ASSERT_EQ(modules.size(), 1u);
    // "x" and 84 three-byte characters: 253 bytes; an 85th would pass 255.
    std::string expected = "x";
    for (int i = 0; i < 84; ++i) {
        expected += "あ";
    }
    EXPECT_EQ(modules[0].description, expected);
}

TEST(ExtPageTest, TheListHoldsAtMostSixtyFourFiles) {
    ProgramDirWith program({});
    for (int i = 0; i < 70; ++i) {
        const std::string name =
            "TrvikX" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".so";
        WriteText(program.Scratch().Path(name), "");
    }
    const auto modules = ListExtModules(program.Dir());
    ASSERT_EQ(modules.size(), 64u);
    EXPECT_EQ(modules.front().fileName, "TrvikX00.so");
    EXPECT_EQ(modules.back().fileName, "TrvikX63.so");
    EXPECT_TRUE(ListExtModules("/nonexistent-trovik-dir/").empty());
}

TEST(ExtPageTest, InitSelectsTheRowOfExtDllByExactName) {
    ProgramDirWith program({"TrvikTestGood.so", "TrvikTestLevel1.so"});
    RecordingMessages messages;

    const ExtPageState page = InitExtPage(program.Dir(), "TrvikTestLevel1.so", messages);
    EXPECT_TRUE(page.useExtension);
    EXPECT_EQ(page.selectedRow, 1);
    EXPECT_TRUE(messages.shown.empty());

    const ExtPageState none = InitExtPage(program.Dir(), "", messages);
    EXPECT_FALSE(none.useExtension);
    EXPECT_EQ(none.selectedRow, -1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ExtPageTest, ExtDllInAnotherLetterCaseIsReportedAndThenCleared) {
    ProgramDirWith program({"TrvikTestGood.so"});
    RecordingMessages messages;
    const ExtPageState page = InitExtPage(program.Dir(), "trviktestgood.so", messages);
    EXPECT_TRUE(page.useExtension);
    EXPECT_EQ(page.selectedRow, -1);
    EXPECT_EQ(messages.shown, std::vector<std::string>{
                                  "指定されてる拡張DLL(trviktestgood.so)は、見つかりません。"});
    // Confirming the page with no row selected stores an empty value.
    EXPECT_EQ(ExtPageValue(page, true, page.selectedRow), "");
}

TEST(ExtPageTest, ThePageValueIsTheSelectedFileWhenTheBoxIsTicked) {
    ProgramDirWith program({"TrvikTestGood.so", "TrvikTestLevel1.so"});
    RecordingMessages messages;
    const ExtPageState page = InitExtPage(program.Dir(), "", messages);
    EXPECT_EQ(ExtPageValue(page, true, 0), "TrvikTestGood.so");
    EXPECT_EQ(ExtPageValue(page, true, 1), "TrvikTestLevel1.so");
    EXPECT_EQ(ExtPageValue(page, false, 1), "");
    EXPECT_EQ(ExtPageValue(page, true, -1), "");
    EXPECT_EQ(ExtPageValue(page, true, 2), "");
}

TEST(ExtPageTest, PropertiesChecksTheLevelThenCallsConfig) {
    ProgramDirWith program(
        {"TrvikTestGood.so", "TrvikTestLevel1.so", "TrvikTestNoLevel.so", "TrvikTestNoConfig.so"});
    struct Case {
        const char* file;
        const char* calls;
        std::vector<std::string> messages;
    };
    const std::string data = "/data/dir";
    const Case cases[] = {
        {"TrvikTestGood.so", "GetLevel;Config(0,/data/dir);", {}},
        {"TrvikTestLevel1.so", "GetLevel;", {std::string(kExtIncompatibleText)}},
        {"TrvikTestNoLevel.so", "", {std::string(kExtIncompatibleText)}},
        {"TrvikTestNoConfig.so", "GetLevel;", {std::string(kExtNoConfigText)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ModuleProbe probe(program.Path(c.file));
        RecordingMessages messages;
        RunExtProperties(program.Dir(), c.file, data, messages);
        EXPECT_EQ(probe.Calls(), c.calls);
        EXPECT_EQ(messages.shown, c.messages);
    }
    // Released in every case.
    for (const Case& c : cases) {
        EXPECT_FALSE(IsLoaded(program.Path(c.file))) << c.file;
    }
}

TEST(ExtPageTest, PropertiesOnAFileThatDoesNotLoadDoesNothing) {
    ProgramDirWith program({});
    WriteText(program.Scratch().Path("TrvikBroken.so"), "not a shared object");
    RecordingMessages messages;
    RunExtProperties(program.Dir(), "TrvikBroken.so", "/data", messages);
    RunExtProperties(program.Dir(), "TrvikMissing.so", "/data", messages);
    RunExtProperties(program.Dir(), "../TrvikBroken.so", "/data", messages);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ExtPageTest, ListingAndConfiguringRunBesideTheOpenModule) {
    ProgramDirWith program({"TrvikTestGood.so"});
    ModuleProbe probe(program.Path("TrvikTestGood.so"));
    RecordingMessages messages;
    ExtDllHost host;
    ASSERT_TRUE(host.Load(program.Dir(), "TrvikTestGood.so", "/run", messages));
    EXPECT_EQ(ListExtModules(program.Dir()).size(), 1u);
    RunExtProperties(program.Dir(), "TrvikTestGood.so", "/cfg", messages);
    // The same instance: the open handle keeps working after both.
    host.Tick(ExtReading{1, 2, 3, 4, 5, 6});
    host.Unload();
    EXPECT_EQ(probe.Calls(),
              "GetLevel;Open(0,/run);GetLevel;Config(0,/cfg);Update(1234,1,2,3,4,5,6);"
              "Close(1234);");
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace trovik
