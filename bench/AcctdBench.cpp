// The accounting helper's per-packet cost: the kernel runs the counting
// program a million times on one 1,400-byte IPv4 packet (BPF_PROG_TEST_RUN)
// and reports the mean time of a run. Skipped where the program cannot be
// loaded (not root, no BPF).

#include <benchmark/benchmark.h>
#include <bpf/bpf.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "acctd/BpfCounter.h"

namespace {

constexpr int kRepeat = 1'000'000;
constexpr std::size_t kEthernetHeader = 14;
constexpr std::size_t kIpPacket = 1400;

// An Ethernet frame carrying a UDP datagram over IPv4 of 1,400 bytes at the
// network layer; the test run takes the frame and hands the program the
// packet from its IP header on, as the cgroup hooks do.
std::array<std::uint8_t, kEthernetHeader + kIpPacket> SyntheticFrame() {
    std::array<std::uint8_t, kEthernetHeader + kIpPacket> frame{};
    const std::uint8_t header[] = {
        0x02, 0,    0,    0,    0,    0x02, 0x02, 0, 0, 0, 0, 0x01, 0x08, 0x00,  // Ethernet, IPv4
        0x45, 0,    0x05, 0x78, 0,    0,    0x40, 0,  // version 4, 20-byte header, length 1400
        0x40, 0x11, 0,    0,                          // TTL 64, UDP, no checksum
        192,  0,    2,    1,    192,  0,    2,    2,  // 192.0.2.1 -> 192.0.2.2
        0x30, 0x39, 0,    9,    0x05, 0x64, 0,    0,  // UDP 12345 -> 9, length 1380
    };
    std::copy(std::begin(header), std::end(header), frame.begin());
    return frame;
}

void RunProgram(benchmark::State& state, bool sent) {
    trovik::BpfCounter counter;
    if (const std::string failed = counter.Load(); !failed.empty()) {
        state.SkipWithError(("the counting program cannot be loaded: " + failed).c_str());
        return;
    }
    auto frame = SyntheticFrame();
    double nsPerPacket = 0;
    for (auto _ : state) {
        LIBBPF_OPTS(bpf_test_run_opts, run, .data_in = frame.data(),
                    .data_size_in = static_cast<std::uint32_t>(frame.size()), .repeat = kRepeat);
        if (bpf_prog_test_run_opts(sent ? counter.EgressFd() : counter.IngressFd(), &run) != 0 ||
            run.retval != 1) {
            state.SkipWithError("the test run failed");
            return;
        }
        // The kernel's mean over the repeats, in nanoseconds.
        nsPerPacket = run.duration;
        state.SetIterationTime(static_cast<double>(run.duration) * kRepeat * 1e-9);
    }
    // Every run counted its packet: the figure is of counting, not of a
    // packet passed over.
    std::vector<trovik::AcctEntry> entries;
    std::uint64_t counted = 0;
    if (counter.Read(entries)) {
        for (const trovik::AcctEntry& e : entries) {
            counted += e.packets;
        }
    }
    if (counted != static_cast<std::uint64_t>(state.iterations()) * kRepeat) {
        state.SkipWithError("the program did not count every packet");
        return;
    }
    state.SetLabel(counter.OwnNamespaceOnly() ? "this namespace's sockets"
                                              : "every namespace's sockets");
    state.counters["ns_per_packet"] = nsPerPacket;
    state.SetItemsProcessed(state.iterations() * kRepeat);
}

void BM_AcctCounterReceived(benchmark::State& state) {
    RunProgram(state, false);
}
void BM_AcctCounterSent(benchmark::State& state) {
    RunProgram(state, true);
}

BENCHMARK(BM_AcctCounterReceived)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AcctCounterSent)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
