// One simulated day of the meter: 864,000 ticks with a connection and
// traffic, every record on (log, yearly totals, weekly scope), files on the
// real disk. Reports ticks per second; a day should take under 2 s.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/BenchFakes.h"
#include "core/MeterEngine.h"
#include "core/ScriptedCounterSource.h"

namespace trovik {
namespace {

using bench::QuietMessages;

class SimClock final : public Clock {
public:
    std::int64_t Now() override { return start + ms / 1000; }
    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(3600000 + ms); }
    std::int64_t start = 1796655600;  // 2026-12-07 00:00:00 JST
    std::int64_t ms = 0;
};

void BM_SimulatedDay(benchmark::State& state) {
    ::setenv("TZ", "JST-9", 1);
    std::string pattern = (std::filesystem::temp_directory_path() / "trovik-day-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no scratch directory");
        return;
    }
    constexpr std::int64_t kTicksPerDay = 864000;
    for (auto _ : state) {
        ScriptedCounterSource line;
        MemorySettingsBackend backend;
        SettingsStore store(backend);
        for (const char* key :
             {"LogFile", "LogCumulate", "LogStatics", "ShowError", "DiscOnError"}) {
            store.PutSectionString("Settings", key, "1");
        }
        SimClock clock;
        QuietMessages messages;
        bench::FixedLine up(true);
        HeadlessWindow window;
        MeterEngine engine(MeterEnv{line, store, clock, messages, up, up, window,
                                    DataFiles(pattern, "Trovik"), ""});
        if (engine.Start() != StartResult::Running) {
            state.SkipWithError("meter did not start");
            break;
        }
        for (std::int64_t n = 1; n <= kTicksPerDay; ++n) {
            // A 56k line in bursts: ten seconds busy, twenty idle, an error a minute.
            if ((n / 100) % 3 == 0) {
                line.Add(StatValue::BytesXmit, 40);
                line.Add(StatValue::BytesRecvd, 560);
            }
            if (n % 600 == 0) {
                line.Add(StatValue::CRC, 1);
            }
            clock.ms += 100;
            engine.Tick();
        }
        engine.Destroy();
        benchmark::DoNotOptimize(engine.reading);
    }
    state.counters["ticks_per_second"] = benchmark::Counter(
        static_cast<double>(kTicksPerDay) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    std::filesystem::remove_all(pattern);
}
BENCHMARK(BM_SimulatedDay)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace trovik
