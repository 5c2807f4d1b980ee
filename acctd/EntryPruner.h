#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "acctd/AcctdProtocol.h"
#include "acctd/BpfCounter.h"

namespace trovik {

// Chooses the map entries that may be deleted, so that the map does not fill
// up over a long uptime (every cgroup and link that ever moved a byte has its
// entries, and a full map counts no new one).
//
// An entry may go once its cgroup has been removed, or its link (seen before
// in this namespace) has gone, and it has not moved for `idle`. Cgroup ids
// and ifindexes are not reused, so such an entry does not come back: callers
// see it vanish, after they read its last count. A link never seen here
// belongs to another network namespace and keeps its entries.
class EntryPruner {
public:
    using Clock = std::chrono::steady_clock;

    explicit EntryPruner(std::chrono::seconds idle) : idleFor(idle) {}

    // One round over the map's `entries`, with the ids of every cgroup now
    // at or below the root and the ifindexes of this namespace's links. Puts
    // the entries to delete into `doomed`.
    void Round(std::span<const AcctEntry> entries,
               const std::unordered_set<std::uint64_t>& liveCgroups,
               const std::unordered_set<std::uint32_t>& liveLinks, Clock::time_point now,
               std::vector<AcctEntry>& doomed);

private:
    // An entry found orphaned, as it stood when first found so.
    struct Orphan {
        std::uint64_t bytes;
        std::uint64_t packets;
        Clock::time_point since;
    };

    std::chrono::seconds idleFor;
    std::unordered_map<AcctdKey, Orphan, AcctdKeyHash> orphans;
    std::unordered_set<std::uint32_t> seenLinks;
};

}  // namespace trovik
