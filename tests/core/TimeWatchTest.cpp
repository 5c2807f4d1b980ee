// What the tick takes for a sleep, a stop or a change of the clock when
// nothing announces it: the clocks alone decide, with margins that ordinary
// timer jitter and clock slewing never reach.

#include <gtest/gtest.h>

#include "core/MeterEngine.h"
#include "core/ScriptedCounterSource.h"
#include "tests/ScratchDir.h"
#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

class ThreeClocks final : public Clock {
public:
    std::int64_t Now() override { return wallMs / 1000; }
    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(bootMs); }
    bool Read(ClockReading& now) override {
        now = {wallMs, monotonicMs, bootMs};
        return true;
    }
    void Advance(std::int64_t wall, std::int64_t monotonic, std::int64_t boot) {
        wallMs += wall;
        monotonicMs += monotonic;
        bootMs += boot;
    }

    std::int64_t wallMs = At(2026, 12, 7, 21, 0, 0) * 1000;
    std::int64_t monotonicMs = 5000000;
    std::int64_t bootMs = 5000000;
};

struct Step {
    const char* what;
    std::int64_t wall, monotonic, boot;  // added before the next tick
    bool announced;                      // as a cancelled clock timer
    const char* logged;                  // nullptr: nothing
};

class TimeWatchTest : public ::testing::TestWithParam<Step> {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
    }

    testing::ScratchDir dir{"trovik-timewatch-"};
    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    ThreeClocks clock;
    RecordedMessages messages;
    FakeConnection connection;
    FakePower power;
    RecordingWindow window;
    MeterEngine engine{MeterEnv{line, store, clock, messages, connection, power, window,
                                DataFiles(dir.path().string(), "Trovik"),
                                dir.path().string() + "/"}};
};

TEST_P(TimeWatchTest, OnlyARealGapOrChangeIsTaken) {
    const Step& step = GetParam();
    backend.values[{"Settings", "LogFile"}] = "1";
    ASSERT_EQ(engine.Start(), StartResult::Running);
    for (int i = 0; i < 20; ++i) {
        clock.Advance(100, 100, 100);
        engine.Tick();
    }
    const std::string before = engine.log.ReadLogText().text;
    clock.Advance(step.wall + 100, step.monotonic + 100, step.boot + 100);
    if (step.announced) {
        engine.ClockChanged();
    }
    engine.Tick();
    const std::string added = engine.log.ReadLogText().text.substr(before.size());
    if (step.logged == nullptr) {
        EXPECT_EQ(added, "") << step.what;
    } else {
        EXPECT_NE(added.find(step.logged), std::string::npos) << step.what << ": " << added;
    }
}

// Ticks that still run after the word of the sleep are no gap; the clocks
// may find the sleep before the word of the resume comes, and then that
// word adds nothing: one line for one sleep.
TEST_F(TimeWatchTest, OneSleepIsLoggedOnceWhicheverSeesItFirst) {
    backend.values[{"Settings", "LogFile"}] = "1";
    ASSERT_EQ(engine.Start(), StartResult::Running);
    const auto tick = [&](std::int64_t asleepMs) {
        clock.Advance(100 + asleepMs, 100, 100 + asleepMs);
        engine.Tick();
    };
    tick(0);
    engine.PrepareForSleep(true);
    for (int i = 0; i < 5; ++i) {
        tick(0);
    }
    tick(65000);
    engine.PrepareForSleep(false);
    tick(0);
    tick(0);
    const std::string log = engine.log.ReadLogText().text;
    EXPECT_EQ(Count(log, "スリープに入りました"), 1u) << log;
    EXPECT_EQ(Count(log, "スリープから復帰しました (休止 0時間01分)"), 1u) << log;
    EXPECT_EQ(Count(log, "復帰"), 1u) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TimeWatchTest,
    ::testing::Values(Step{"steady", 0, 0, 0, false, nullptr},
                      Step{"timer jitter", 40, 40, 40, false, nullptr},
                      Step{"slewed 1.5 s, unannounced", 1500, 0, 0, false, nullptr},
                      Step{"set 1.2 s, announced", 1200, 0, 0, true, "(+1秒)"},
                      Step{"set back 90 s, unannounced", -90000, 0, 0, false, "(-90秒)"},
                      Step{"tick 4 s late", 4000, 4000, 4000, false, nullptr},
                      Step{"tick 6 s late", 6000, 6000, 6000, false,
                           "計測の中断を検出しました (0時間00分)"},
                      Step{"asleep 1.5 s", 1500, 0, 1500, false, nullptr},
                      Step{"asleep 2 h 5 min, unannounced", 7500000, 0, 7500000, false,
                           "計測の中断を検出しました (2時間05分)"}));

}  // namespace
}  // namespace trovik
