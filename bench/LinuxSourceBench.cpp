#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "bench/AllocationCounter.h"
#include "platform/LinuxCounterSource.h"

namespace trovik {
namespace {

// The real socket, counting the requests and datagrams that go through it.
class CountingSocket final : public NetlinkTransport {
public:
    bool Open() override { return socket.Open(); }
    void Close() override { socket.Close(); }
    bool Send(std::span<const std::byte> request) override {
        ++requests;
        return socket.Send(request);
    }
    std::ptrdiff_t Receive(std::span<std::byte> buffer) override {
        ++datagrams;
        return socket.Receive(buffer);
    }

    std::int64_t requests = 0;
    std::int64_t datagrams = 0;

private:
    NetlinkRouteSocket socket;
};

// One tick of the real source on one named link (TROVIK_BENCH_LINK, else
// the loopback link), then all ten values read: with the link watch (the
// argument 1) one query for that link, without it (0) a dump of every link
// of the machine. No allocation either way. scripts/measure-links.sh runs
// it with 3 and with 4,000 links present.
void LinuxSourceTick(benchmark::State& state) {
    auto counting = std::make_unique<CountingSocket>();
    CountingSocket* channel = counting.get();
    const char* link = std::getenv("TROVIK_BENCH_LINK");
    std::unique_ptr<LinkChangeWatch> watch;
    if (state.range(0) != 0) {
        watch = std::make_unique<NetlinkLinkWatch>();
    }
    LinuxCounterSource source({link != nullptr ? link : "lo"}, "/sys/class/net",
                              std::move(counting), std::move(watch));
    if (!source.Open()) {
        state.SkipWithError("the kernel's link statistics cannot be read");
        return;
    }
    const std::int64_t requestsBefore = channel->requests;
    const std::int64_t datagramsBefore = channel->datagrams;
    std::int64_t failed = 0;
    const std::size_t allocationsBefore = bench::AllocationCount();
    for (auto _ : state) {
        source.Refresh();
        for (std::size_t i = 0; i < kStatValueCount; ++i) {
            std::uint32_t value = 0;
            if (!source.Query(static_cast<StatValue>(i), value)) {
                ++failed;
            }
            benchmark::DoNotOptimize(value);
        }
    }
    const std::size_t allocations = bench::AllocationCount() - allocationsBefore;
    const auto ticks = static_cast<double>(state.iterations());
    state.counters["allocs_per_tick"] = static_cast<double>(allocations) / ticks;
    state.counters["queries_per_tick"] =
        static_cast<double>(channel->requests - requestsBefore) / ticks;
    state.counters["datagrams_per_tick"] =
        static_cast<double>(channel->datagrams - datagramsBefore) / ticks;
    state.counters["failed_reads"] = static_cast<double>(failed);
}
BENCHMARK(LinuxSourceTick)->ArgName("watch")->Arg(0)->Arg(1);

}  // namespace
}  // namespace trovik
