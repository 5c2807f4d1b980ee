#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <unordered_map>
#include <vector>

#include "acctd/AcctdProtocol.h"
#include "core/AppUsageSource.h"
#include "platform/AppNaming.h"
#include "platform/LinkChoice.h"
#include "platform/RoundThread.h"
#include "platform/SystemBus.h"

namespace trovik {

// One entry of the accounting helper's Counts(): the running total of one
// cgroup on one link in one direction since the helper started.
struct AcctdCount {
    std::uint64_t cgroupId = 0;  // 0: no socket (the kernel's own traffic)
    std::uint32_t ifindex = 0;
    std::uint32_t direction = 0;  // AcctdDirection
    std::uint64_t bytes = 0;
    std::uint64_t packets = 0;
};

// Asks the helper on `connection` for its counts (not starting it when it
// is not running) and fills `out`; false when it did not answer in
// `timeoutMs` or answered something else.
bool AskAcctdCounts(BusConnection& connection, int timeoutMs, std::vector<AcctdCount>& out);

// Whether the helper is on `bus` and answers Version() with the version
// this program speaks. Blocks for up to the bus's connect limit and
// `timeoutMs`.
bool AcctdAnswers(const BusChoice& bus, int timeoutMs);

// The usage per application from the accounting helper (trovik-acctd): once
// a second, on a thread of its own and a bus connection of its own, its
// Counts(). The totals of the last answer are kept per (cgroup, link,
// direction); each one's increase on a counted link is attributed to the
// application of its cgroup. The first answer, and the first after one
// that did not come, count from then; an answer in which a total fell (the
// helper started again) counts from then as well. A total new in an answer
// that follows another one moved since that one and counts whole. Cgroup 0
// is no application's: it stays unattributed.
//
// The meter's tick takes the result without waiting: while a round books
// its answer, the take finds nothing and the bytes wait a second.
class AcctdSource final : public AppUsageSource {
public:
    // Totals kept; an answer's further entries are not followed (and count
    // whole once a place is free, having never counted).
    static constexpr std::size_t kEntries = 4096;
    // Applications holding bytes not taken yet; a further one is counted
    // under kOtherAppName.
    static constexpr std::size_t kApps = 256;
    static constexpr int kCallTimeoutMs = 1000;

    // `board`: the counted links, published by the counter source; it must
    // outlive the source.
    AcctdSource(const CountedLinkBoard& board, std::unique_ptr<AppNamer> namer,
                BusChoice bus = BusChoice::System());
    ~AcctdSource() override;
    AcctdSource(const AcctdSource&) = delete;
    AcctdSource& operator=(const AcctdSource&) = delete;

    // On: the thread asks each second (started at the first call); off: it
    // forgets the totals and what was not taken, and asks no more.
    void Enable(bool on) override;
    std::size_t TakeAttributed(std::span<AppBytes> out) override;
    AppUsageKind Kind() const override { return AppUsageKind::Exact; }

    // The helper answered the last call.
    bool Answering() const { return answering.load(std::memory_order_relaxed); }

    // Drops what was attributed and not taken (counted by another source
    // meanwhile); never waits: false when a round was booking.
    bool DropAttributed();

    // One round on the caller's thread, as the thread runs it; false when
    // the helper did not answer. For tests.
    bool RunRound();

private:
    struct CgroupBytes {
        std::uint64_t cgroupId = 0;
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
    };

    void Forget();
    void Book(const CountedLinkBoard::Indexes& counted, std::size_t countedSize);
    void Add(const AppBytes& app);

    const CountedLinkBoard& board;
    std::unique_ptr<AppNamer> namer;
    BusChoice bus;
    // The round's own (the thread's, or RunRound's caller's).
    std::unique_ptr<BusConnection> connection;
    std::vector<AcctdCount> answer;
    std::unordered_map<AcctdKey, std::uint64_t, AcctdKeyHash> totals;
    std::unordered_map<AcctdKey, std::uint64_t, AcctdKeyHash> nextTotals;
    std::vector<CgroupBytes> increases;
    bool baseline = true;  // the next answer counts from then

    std::mutex bookMutex;  // held while a round adds its bytes; the take only tries it
    std::array<AppBytes, kApps> apps{};
    std::size_t appCount = 0;

    std::atomic<bool> answering{false};
    RoundThread rounds;
};

}  // namespace trovik
