// The usage per application's cost: one round of its watch (the counted
// link's addresses, the closed sockets, a dump of 1,000 open TCP sockets and
// their bookkeeping) as its thread runs it each second, on a busy line and
// on a quiet one (which needs no dump); the kernel's dump alone, whose walk
// of its whole table of connections is a fixed cost the sockets add little
// to; and the meter's tick with the ledger on, which must allocate nothing.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/AllocationCounter.h"
#include "bench/BenchFakes.h"
#include "core/MeterEngine.h"
#include "core/ScriptedCounterSource.h"
#include "platform/AppNaming.h"
#include "platform/AppUsageWatch.h"

namespace trovik {
namespace {

// The first IPv4 address of a link that is up and not loopback: connections
// to it are this machine's own, on that address, which the watch then
// counts as the line's.
bool OwnAddress(in_addr& address, unsigned& index) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return false;
    }
    bool found = false;
    for (ifaddrs* i = list; i != nullptr && !found; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET ||
            (i->ifa_flags & IFF_LOOPBACK) != 0 || (i->ifa_flags & IFF_UP) == 0) {
            continue;
        }
        address = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
        index = ::if_nametoindex(i->ifa_name);
        found = index != 0;
    }
    ::freeifaddrs(list);
    return found;
}

// `pairs` connections to this machine's own address: twice as many sockets.
struct OwnConnections {
    std::vector<int> fds;
    ~OwnConnections() {
        for (const int fd : fds) {
            ::close(fd);
        }
    }
    bool Open(in_addr address, int pairs) {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        fds.push_back(listener);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr = address;
        socklen_t size = sizeof at;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&at), size) != 0 ||
            ::listen(listener, pairs) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
            return false;
        }
        for (int n = 0; n < pairs; ++n) {
            const int client = ::socket(AF_INET, SOCK_STREAM, 0);
            fds.push_back(client);
            if (::connect(client, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
                return false;
            }
            const int server = ::accept(listener, nullptr, nullptr);
            if (server < 0) {
                return false;
            }
            fds.push_back(server);
            (void)::write(client, "x", 1);
        }
        return true;
    }
};

void BM_AppUsageRound(benchmark::State& state) {
    in_addr address{};
    unsigned index = 0;
    if (!OwnAddress(address, index)) {
        state.SkipWithError("no link with an IPv4 address besides loopback");
        return;
    }
    OwnConnections connections;
    if (!connections.Open(address, static_cast<int>(state.range(0) / 2))) {
        state.SkipWithError("the connections could not be made");
        return;
    }
    CountedLinkBoard board;
    CountedLinkBoard::Indexes indexes{};
    indexes[0] = static_cast<std::int32_t>(index);
    board.Publish(indexes, 1);
    AppUsageWatch watch(board, std::make_unique<AppNamer>());
    // The first rounds name every socket once; the rounds measured are the
    // steady state of every second after.
    board.NoteMoved(1);
    if (!watch.RunRound() || !watch.RunRound()) {
        state.SkipWithError("the sockets cannot be dumped");
        return;
    }
    const std::size_t before = bench::AllocationCount();
    std::int64_t rounds = 0;
    const bool busy = state.range(1) != 0;
    for (auto _ : state) {
        if (busy) {
            board.NoteMoved(static_cast<std::uint64_t>(rounds) * 1500);
        }
        benchmark::DoNotOptimize(watch.RunRound());
        ++rounds;
    }
    state.counters["allocs_per_round"] = benchmark::Counter(
        static_cast<double>(bench::AllocationCount() - before) / static_cast<double>(rounds));
    state.counters["sockets"] = static_cast<double>(connections.fds.size());
}
BENCHMARK(BM_AppUsageRound)
    ->ArgNames({"sockets", "busy"})
    ->Args({1000, 1})
    ->Args({1000, 0})
    ->Unit(benchmark::kMicrosecond);

// The kernel's part of a round alone: the dump of the same sockets, parsed
// and counted, booked nowhere.
void BM_TcpSocketDump(benchmark::State& state) {
    in_addr address{};
    unsigned index = 0;
    OwnConnections connections;
    if (!OwnAddress(address, index) ||
        !connections.Open(address, static_cast<int>(state.range(0) / 2))) {
        state.SkipWithError("the connections could not be made");
        return;
    }
    class Count final : public TcpSocketSink {
    public:
        void OnSocket(const TcpSocketInfo&) override { ++sockets; }
        std::size_t sockets = 0;
    } sink;
    TcpSocketLister lister;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lister.List(sink));
    }
    state.counters["sockets"] =
        static_cast<double>(sink.sockets) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TcpSocketDump)->Arg(2)->Arg(1000)->Unit(benchmark::kMicrosecond);

// A source with one application's bytes every second.
class SteadyApps final : public AppUsageSource {
public:
    void Enable(bool) override {}
    std::size_t TakeAttributed(std::span<AppBytes> out) override {
        out[0] = app;
        return 1;
    }
    AppBytes app = [] {
        AppBytes a;
        CopyAppText(a.key, "exe:curl");
        CopyAppText(a.name, "curl");
        a.received = 5000;
        a.sent = 300;
        return a;
    }();
};

class StepClock final : public Clock {
public:
    std::int64_t Now() override { return 1800000000 + ms / 1000; }
    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(3600000 + ms); }
    bool Read(ClockReading& now) override {
        ms += 100;
        now = {1800000000000 + ms, 3600000 + ms, 3600000 + ms};
        return true;
    }

private:
    std::int64_t ms = 0;
};

// Ticks with the ledger on, writing its record each minute, and off: the
// tick hands the rows over and allocates nothing for them (the writer
// allocates on its own thread, which the count leaves out), so both count
// the same few allocations of the hourly writes of the other records.
void BM_TickWithAppUsage(benchmark::State& state) {
    std::string dir = (std::filesystem::temp_directory_path() / "trovik-apps-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        state.SkipWithError("no scratch directory");
        return;
    }
    {
        ScriptedCounterSource line;
        MemorySettingsBackend backend;
        SettingsStore store(backend);
        StepClock clock;
        bench::QuietMessages messages;
        bench::FixedLine up(true);
        HeadlessWindow window;
        SteadyApps apps;
        store.PutSectionString("Settings", "AppUsage", state.range(0) != 0 ? "1" : "0");
        MeterEngine engine(MeterEnv{
            line, store, clock, messages, up, up, window, DataFiles(dir, "Trovik"), "", {}, &apps});
        if (engine.Start() != StartResult::Running) {
            state.SkipWithError("meter did not start");
            return;
        }
        const std::size_t before = bench::ThreadAllocationCount();
        std::int64_t ticks = 0;
        for (auto _ : state) {
            line.Add(StatValue::BytesRecvd, 5600);
            engine.Tick();
            ++ticks;
        }
        state.counters["allocs_per_tick"] =
            benchmark::Counter(static_cast<double>(bench::ThreadAllocationCount() - before) /
                               static_cast<double>(ticks));
        engine.Destroy();
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TickWithAppUsage)->ArgName("apps")->Arg(1)->Arg(0);

}  // namespace
}  // namespace trovik
