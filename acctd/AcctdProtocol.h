#pragma once

// What the accounting helper (trovik-acctd) serves on the system bus, read
// only: the bytes and packets the kernel counted per cgroup, direction and
// link, as its eBPF program on the cgroup v2 root saw them.
//
//   Counts() -> a(tuutt)
//       One entry per cgroup id, link and direction that moved anything:
//       (cgroup id, ifindex, direction, bytes, packets). A caller is served
//       only the cgroups under its own user slice
//       (<root>/user.slice/user-<uid>.slice); root is served all. The
//       entries of a cgroup that was removed, or of a link that has gone,
//       are dropped once they have not moved for five minutes: they come
//       to no more.
//   LinkTotals() -> a(utttt)
//       Per ifindex: what the program counted received and sent, and what
//       the kernel's link counters say (bytes received, bytes sent), so that
//       a caller can tell how much of a link's traffic no socket of any
//       cgroup had (the kernel's own, forwarded packets, link headers).
//       Served to every caller: it names no cgroup.
//   Version() -> u
//       kAcctdVersion.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace trovik {

inline constexpr const char* kAcctdService = "org.trovik.Acctd1";
inline constexpr const char* kAcctdPath = "/org/trovik/Acctd1";
inline constexpr const char* kAcctdInterface = "org.trovik.Acctd1";
inline constexpr std::uint32_t kAcctdVersion = 1;

enum AcctdDirection : std::uint32_t {
    kAcctdReceived = 0,  // ingress
    kAcctdSent = 1,      // egress
};

// What names an entry: its cgroup, link and direction. One key has one entry.
struct AcctdKey {
    std::uint64_t cgroupId;
    std::uint32_t ifindex;
    std::uint32_t direction;
    bool operator==(const AcctdKey&) const = default;
};

struct AcctdKeyHash {
    std::size_t operator()(const AcctdKey& k) const {
        return std::hash<std::uint64_t>{}(k.cgroupId * 0x9E3779B97F4A7C15ULL ^
                                          (std::uint64_t{k.ifindex} << 1 | k.direction));
    }
};

}  // namespace trovik
