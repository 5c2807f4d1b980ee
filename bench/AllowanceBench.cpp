// What the data allowance costs: the eleven-second slow step with and
// without an allowance (every iteration here is a tick that runs it, and
// since the use grows at each, each also writes the allowance's state file,
// synced, as a slow step with traffic does), and the terminal export of a
// full year.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "bench/AllocationCounter.h"
#include "bench/BenchFakes.h"
#include "core/MeterEngine.h"
#include "core/ScriptedCounterSource.h"
#include "stats/FileImage.h"
#include "stats/RecordsExport.h"
#include "tools/records/RecordsCommand.h"

namespace trovik {
namespace {

using bench::QuietMessages;

class StillClock final : public Clock {
public:
    std::int64_t Now() override { return 1796655600 + 1800; }  // 2026-12-07 00:30 JST
    std::uint32_t TickCount() override { return 3600000; }
};

// A scratch directory removed at the end.
class BenchDir {
public:
    BenchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "trovik-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path = pattern;
        }
    }
    ~BenchDir() {
        if (!path.empty()) {
            std::filesystem::remove_all(path);
        }
    }
    std::string path;
};

// Arg 0: no allowance (the default); 1: a 10 TiB allowance with a warning
// level and the hang-up on, never reached.
void BM_SlowStepTick(benchmark::State& state) {
    ::setenv("TZ", "JST-9", 1);
    BenchDir dir;
    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store(backend);
    store.PutSectionString("Settings", "LogCumulate", "1");
    if (state.range(0) != 0) {
        store.PutSectionString("Settings", "QuotaMB", "10485760");
        store.PutSectionString("Settings", "DiscOnQuota", "1");
    }
    StillClock clock;
    QuietMessages messages;
    bench::FixedLine up(true);
    HeadlessWindow window;
    MeterEngine engine(
        MeterEnv{line, store, clock, messages, up, up, window, DataFiles(dir.path, "Trovik"), ""});
    if (dir.path.empty() || engine.Start() != StartResult::Running) {
        state.SkipWithError("meter did not start");
        return;
    }
    std::size_t n = 0;
    const std::size_t before = bench::AllocationCount();
    for (auto _ : state) {
        line.Add(StatValue::BytesRecvd, 5600);
        // The next tick's once-per-second step is also a slow step.
        engine.secondTicks = 9;
        engine.slowSeconds = 10;
        engine.Tick();
        benchmark::DoNotOptimize(engine.cumRecvKB);
        ++n;
    }
    state.counters["allocs_per_step"] = benchmark::Counter(
        static_cast<double>(bench::AllocationCount() - before) / static_cast<double>(n));
}
BENCHMARK(BM_SlowStepTick)->Arg(0)->Arg(1);

CumulativeImage FullYear(unsigned year) {
    CumulativeImage image;
    for (unsigned r = 31; r < 31 + 366; ++r) {
        const DayRecord day = image.Record(r);
        day.SetRecvKB(123456 + r);
        day.SetSentKB(4567 + r);
        for (std::size_t h = 0; h < kHoursPerDay; ++h) {
            day.Hour(h).SetSeconds(static_cast<std::uint16_t>(3000 + h));
            day.Hour(h).SetConnections(static_cast<std::uint8_t>(h % 4));
        }
    }
    (void)year;
    return image;
}

void BM_ExportJsonFullYear(benchmark::State& state) {
    const CumulativeImage image = FullYear(2024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExportYear(image, 2024, ExportFormat::Json));
    }
}
BENCHMARK(BM_ExportJsonFullYear)->Unit(benchmark::kMillisecond);

// The whole command: the folder rule, the checked read and the output.
void BM_ExportCommandFullYear(benchmark::State& state) {
    BenchDir dir;
    const CumulativeImage image = FullYear(2024);
    if (dir.path.empty() ||
        !ReplaceFile(dir.path + "/Trovik_2024.CUM", image.Bytes(), Durability::Unsynced)) {
        state.SkipWithError("no scratch directory");
        return;
    }
    MemorySettingsBackend settings;
    LocalTime today;
    today.year = 2024;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        const RecordsCommandEnv env{dir.path + "/Trovik", settings, today, out, err};
        if (RunRecordsCommand({"--export", "json", "--year", "2024"}, env) != 0) {
            state.SkipWithError("export failed");
            break;
        }
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_ExportCommandFullYear)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trovik
