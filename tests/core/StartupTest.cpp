#include "core/Startup.h"

#include <gtest/gtest.h>

#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

TEST(Startup, DebugOptionFollowsTheSlashDirectly) {
    EXPECT_TRUE(ParseDebugOption("/DEBUG"));
    EXPECT_TRUE(ParseDebugOption("/x /DEBUG"));
    EXPECT_TRUE(ParseDebugOption("/x/DEBUG"));
    EXPECT_TRUE(ParseDebugOption("/DEBUG/x"));
    EXPECT_FALSE(ParseDebugOption("/debug"));
    EXPECT_FALSE(ParseDebugOption("/ DEBUG"));
    EXPECT_FALSE(ParseDebugOption("DEBUG"));
    EXPECT_FALSE(ParseDebugOption("/DEBUGGER"));
    EXPECT_FALSE(ParseDebugOption(""));
    EXPECT_FALSE(ParseDebugOption("/"));
}

TEST(Startup, WindowLargerThanItsScreenKeepsItsTopLeftInSight) {
    const ScreenPoint p = KeepOnScreen({500, -900}, {2000, 1000}, {-1280, 0, 1280, 1024});
    EXPECT_EQ(p.x, -1280);
    EXPECT_EQ(p.y, 0);
}

TEST(Startup, LayoutTypeChoosesTheTemplate) {
    EXPECT_EQ(LayoutTemplateFor(0), 102u);
    EXPECT_EQ(LayoutTemplateFor(1), 140u);
    EXPECT_EQ(LayoutTemplateFor(2), 141u);
    EXPECT_EQ(LayoutTemplateFor(3), 143u);
    EXPECT_EQ(LayoutTemplateFor(4), 142u);
    EXPECT_EQ(LayoutTemplateFor(9), 102u);
    EXPECT_EQ(LayoutTemplateFor(-1), 102u);
}

TEST(Startup, SecondMeterEndsQuietlyAndUnsupportedSystemsAreTold) {
    MemorySettingsBackend backend;
    backend.values[{"Settings", "LayoutType"}] = std::string("3");
    SettingsStore store(backend);
    RecordedMessages messages;

    const StartupDecision second = DecideStartup("/DEBUG", true, true, store, messages);
    EXPECT_FALSE(second.run);
    EXPECT_TRUE(messages.shown.empty());

    const StartupDecision refused = DecideStartup("", false, false, store, messages);
    EXPECT_FALSE(refused.run);
    EXPECT_EQ(messages.Ids(), std::vector<unsigned>{9u});

    const StartupDecision ok = DecideStartup("/DEBUG", false, true, store, messages);
    EXPECT_TRUE(ok.run);
    EXPECT_TRUE(ok.debugMode);
    EXPECT_EQ(ok.layoutTemplate, 143u);
}

}  // namespace
}  // namespace trovik
