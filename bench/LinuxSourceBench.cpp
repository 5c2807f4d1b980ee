#include <benchmark/benchmark.h>

#include <cstdint>
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

// One tick of the real source on the loopback link, named: one dump, then
// all ten values read. It should make one kernel query and no allocation.
void LinuxSourceTick(benchmark::State& state) {
    auto counting = std::make_unique<CountingSocket>();
    CountingSocket* channel = counting.get();
    LinuxCounterSource source({"lo"}, "/sys/class/net", std::move(counting));
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
BENCHMARK(LinuxSourceTick);

}  // namespace
}  // namespace trovik
