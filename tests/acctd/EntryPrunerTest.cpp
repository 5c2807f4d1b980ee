#include "acctd/EntryPruner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trovik {
namespace {

using namespace std::chrono_literals;

// One map over five rounds half a minute apart, with entries kept to be
// dropped after a minute unchanged:
//   A  cgroup 10 on link 1: both stay
//   B  cgroup 11 on link 1: the cgroup is removed after the first round
//   C  no cgroup (0) on link 2: the link goes after the first round
//   D  cgroup 10 on link 7, never a link here (another namespace's)
//   E  cgroup 12 on link 1: removed with B, but moves once more after
//   F  no cgroup on link 1
// B's delete "fails" once: it is in the map again in the last round.
TEST(EntryPruner, DropsOrphanedEntriesOnlyOnceTheyHaveRestedLongEnough) {
    EntryPruner pruner(60s);
    const auto start = EntryPruner::Clock::now();
    auto entry = [](std::uint64_t cgroup, std::uint32_t link, std::uint64_t bytes) {
        return AcctEntry{cgroup, link, 0, bytes, bytes / 100};
    };
    const auto name = [](const AcctEntry& e) {
        return std::to_string(e.cgroupId) + "@" + std::to_string(e.ifindex);
    };
    const struct {
        int seconds;
        std::vector<AcctEntry> entries;
        std::unordered_set<std::uint64_t> cgroups;
        std::unordered_set<std::uint32_t> links;
        std::vector<std::string> doomed;
    } rounds[] = {
        {0,
         {entry(10, 1, 100), entry(11, 1, 100), entry(0, 2, 100), entry(10, 7, 100),
          entry(12, 1, 100), entry(0, 1, 100)},
         {1, 10, 11, 12},
         {1, 2},
         {}},
        {30,
         {entry(10, 1, 200), entry(11, 1, 200), entry(0, 2, 200), entry(10, 7, 200),
          entry(12, 1, 200), entry(0, 1, 200)},
         {1, 10},
         {1},
         {}},
        {60,
         {entry(10, 1, 300), entry(11, 1, 200), entry(0, 2, 200), entry(10, 7, 200),
          entry(12, 1, 300), entry(0, 1, 200)},
         {1, 10},
         {1},
         {}},
        {90,
         {entry(10, 1, 300), entry(11, 1, 200), entry(0, 2, 200), entry(10, 7, 200),
          entry(12, 1, 300), entry(0, 1, 200)},
         {1, 10},
         {1},
         {"11@1", "0@2"}},
        {120,
         {entry(10, 1, 300), entry(11, 1, 200), entry(10, 7, 200), entry(12, 1, 300),
          entry(0, 1, 200)},
         {1, 10},
         {1},
         {"11@1", "12@1"}},
    };
    std::vector<AcctEntry> doomed;
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.seconds);
        pruner.Round(round.entries, round.cgroups, round.links,
                     start + std::chrono::seconds(round.seconds), doomed);
        std::vector<std::string> names;
        for (const AcctEntry& e : doomed) {
            names.push_back(name(e));
        }
        EXPECT_EQ(names, round.doomed);
    }
}

}  // namespace
}  // namespace trovik
