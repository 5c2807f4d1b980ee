// The meter's per-tick work on a scripted line: what the GUI thread pays ten
// times a second, and proof that it allocates nothing.

#include <benchmark/benchmark.h>

#include "bench/AllocationCounter.h"
#include "bench/BenchFakes.h"
#include "core/MeterEngine.h"
#include "core/ScriptedCounterSource.h"

namespace trovik {
namespace {

using bench::QuietMessages;

// A clock whose three clocks move on 100 ms at every reading, as they do
// between two ticks, so the tick's watch for sleeps and clock changes does
// its whole work.
class TickingClock final : public Clock {
public:
    std::int64_t Now() override { return (kEpochMs + ms) / 1000; }
    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(3600000 + ms); }
    bool Read(ClockReading& now) override {
        ms += 100;
        now = {kEpochMs + ms, 3600000 + ms, 3600000 + ms};
        return true;
    }

private:
    static constexpr std::int64_t kEpochMs = 1800000000000;
    std::int64_t ms = 0;
};

void BM_MeterTick(benchmark::State& state) {
    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store(backend);
    TickingClock clock;
    QuietMessages messages;
    bench::FixedLine connection(false);
    HeadlessWindow window;
    MeterEngine engine(MeterEnv{line, store, clock, messages, connection, connection, window,
                                DataFiles("/nonexistent", "Trovik"), ""});
    if (engine.Start() != StartResult::Running) {
        state.SkipWithError("meter did not start");
        return;
    }
    std::uint32_t n = 0;
    const std::size_t before = bench::AllocationCount();
    for (auto _ : state) {
        line.Add(StatValue::BytesXmit, 37);
        line.Add(StatValue::BytesRecvd, 560);
        if ((++n & 1023) == 0) {
            line.Add(StatValue::CRC, 1);
        }
        engine.Tick();
        benchmark::DoNotOptimize(engine.reading);
    }
    const std::size_t allocations = bench::AllocationCount() - before;
    state.counters["allocs_per_tick"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(n));
}
BENCHMARK(BM_MeterTick);

}  // namespace
}  // namespace trovik
