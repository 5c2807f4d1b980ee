#include "acctd/EntryPruner.h"

namespace trovik {

void EntryPruner::Round(std::span<const AcctEntry> entries,
                        const std::unordered_set<std::uint64_t>& liveCgroups,
                        const std::unordered_set<std::uint32_t>& liveLinks, Clock::time_point now,
                        std::vector<AcctEntry>& doomed) {
    doomed.clear();
    seenLinks.insert(liveLinks.begin(), liveLinks.end());
    std::unordered_map<AcctdKey, Orphan, AcctdKeyHash> stillOrphans;
    for (const AcctEntry& e : entries) {
        // Cgroup 0 holds the packets of no full socket: it is no directory.
        const bool cgroupGone = e.cgroupId != 0 && !liveCgroups.contains(e.cgroupId);
        const bool linkGone = seenLinks.contains(e.ifindex) && !liveLinks.contains(e.ifindex);
        if (!cgroupGone && !linkGone) {
            continue;
        }
        const AcctdKey key{e.cgroupId, e.ifindex, e.direction};
        Orphan orphan{e.bytes, e.packets, now};
        if (const auto found = orphans.find(key); found != orphans.end() &&
                                                  found->second.bytes == e.bytes &&
                                                  found->second.packets == e.packets) {
            orphan.since = found->second.since;
        }
        if (now - orphan.since >= idleFor) {
            doomed.push_back(e);
        }
        // Doomed ones too: should the delete fail, the next round tries again.
        stillOrphans.emplace(key, orphan);
    }
    orphans.swap(stillOrphans);
    // A gone link is looked for only while the map holds entries of it.
    std::unordered_set<std::uint32_t> kept(liveLinks.begin(), liveLinks.end());
    for (const AcctEntry& e : entries) {
        if (seenLinks.contains(e.ifindex)) {
            kept.insert(e.ifindex);
        }
    }
    seenLinks.swap(kept);
}

}  // namespace trovik
