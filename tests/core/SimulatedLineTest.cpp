#include "core/SimulatedLine.h"

#include <gtest/gtest.h>

#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

std::uint32_t Read(SimulatedLine& line, StatValue v) {
    std::uint32_t value = 0;
    EXPECT_TRUE(line.Query(v, value));
    return value;
}

TEST(SimulatedLine, DialsMovesTrafficInBurstsAndObeysHangUp) {
    SimulatedLine line;
    for (std::uint32_t i = 1; i < SimulatedLine::kDialDelayTicks; ++i) {
        line.Refresh();
    }
    EXPECT_FALSE(line.IsModemConnected());
    line.Refresh();
    EXPECT_TRUE(line.IsModemConnected());
    EXPECT_NE(Read(line, StatValue::ConnectSpeed), 0u);

    // Ten minutes: about 56k-modem speed while busy, with pauses and errors.
    std::uint32_t busyTicks = 0;
    std::uint32_t idleTicks = 0;
    std::uint32_t maxPerTick = 0;
    std::uint32_t last = Read(line, StatValue::BytesRecvd);
    for (int i = 0; i < 6000; ++i) {
        line.Refresh();
        const std::uint32_t now = Read(line, StatValue::BytesRecvd);
        ASSERT_GE(now, last) << "counters never fall";
        (now == last ? idleTicks : busyTicks)++;
        maxPerTick = std::max(maxPerTick, now - last);
        last = now;
    }
    EXPECT_GT(busyTicks, 1000u);
    EXPECT_GT(idleTicks, 600u);
    EXPECT_LE(maxPerTick, 600u) << "no more than a 56k modem moves in 100 ms";
    std::uint32_t errors = 0;
    for (std::size_t k = 0; k < kErrorKindCount; ++k) {
        errors += Read(line, static_cast<StatValue>(k));
    }
    EXPECT_GE(errors, 1u);

    EXPECT_TRUE(line.HangUpModem());
    EXPECT_FALSE(line.IsModemConnected());
    EXPECT_FALSE(line.HangUpModem());
    const std::uint32_t atHangUp = Read(line, StatValue::BytesRecvd);
    for (std::uint32_t i = 1; i < SimulatedLine::kRedialTicks; ++i) {
        line.Refresh();
    }
    EXPECT_EQ(Read(line, StatValue::BytesRecvd), atHangUp) << "nothing moves while down";
    line.Refresh();
    EXPECT_TRUE(line.IsModemConnected()) << "it dials again";
}

// The demo line shows each automatic rule, set as the help suggests, within
// ten minutes of the start, whatever the seed.
TEST(SimulatedLine, EveryRuleCanBeSeenWithinTenMinutes) {
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    struct Rule {
        const char* name;
        std::vector<std::pair<std::string, std::string>> settings;
        const char* logged;
        bool powerOff;
    };
    const Rule rules[] = {
        {"idle", {{"DiscOnIdol", "1"}, {"IdolTimer", "1"}}, "通信途絶 - 回線切断成功", false},
        {"errors", {{"DiscOnError", "1"}, {"ErrorLimit", "3"}}, "回線が切断されました", false},
        {"shutdown",
         {{"DiscOnIdol", "1"},
          {"IdolTimer", "1"},
          {"ShutDownTimer", "1"},
          {"ShutDownTimeout", "1"}},
         "無接続持続 - システム終了開始",
         true},
    };
    for (const Rule& rule : rules) {
        for (const std::uint32_t seed : {0x5EED1234u, 1u, 77u, 0xC0FFEEu}) {
            testing::ScratchDir dir("trovik-demo-");
            SimulatedLine line(seed);
            MemorySettingsBackend backend;
            SettingsStore store(backend);
            backend.values[{"Settings", "LogFile"}] = "1";
            for (const auto& [key, value] : rule.settings) {
                backend.values[{"Settings", key}] = value;
            }
            FakeClock clock;
            clock.now = 1765100000;
            RecordedMessages messages;
            FakePower power;
            RecordingWindow window;
            MeterEngine engine{MeterEnv{line, store, clock, messages, line, power, window,
                                        DataFiles(dir.path().string(), "Trovik"), ""}};
            ASSERT_EQ(engine.Start(), StartResult::Running);
            for (int tick = 1; tick <= 6000; ++tick) {
                if (tick % 10 == 0) {
                    ++clock.now;
                }
                clock.tick += 100;
                engine.Tick();
            }
            const std::string log = engine.log.ReadLogText().text;
            EXPECT_NE(log.find(rule.logged), std::string::npos) << rule.name << " seed " << seed;
            EXPECT_EQ(power.requests, rule.powerOff ? 1 : 0) << rule.name << " seed " << seed;
        }
    }
}

TEST(SimulatedLine, SameSeedSameLine) {
    SimulatedLine a(7);
    SimulatedLine b(7);
    for (int i = 0; i < 3000; ++i) {
        a.Refresh();
        b.Refresh();
    }
    EXPECT_EQ(Read(a, StatValue::BytesRecvd), Read(b, StatValue::BytesRecvd));
    EXPECT_EQ(Read(a, StatValue::BytesXmit), Read(b, StatValue::BytesXmit));
}

}  // namespace
}  // namespace trovik
