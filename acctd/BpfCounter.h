#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct bpf_link;
struct bpf_object;
struct bpf_program;

namespace trovik {

// One entry of the program's map: what moved for one cgroup, link and
// direction since the program was loaded, summed over the CPUs.
struct AcctEntry {
    std::uint64_t cgroupId = 0;  // 0: packets of no full socket
    std::uint32_t ifindex = 0;
    std::uint32_t direction = 0;  // AcctdDirection
    std::uint64_t bytes = 0;
    std::uint64_t packets = 0;
};

// The counting program (AcctCounter.bpf.c, built into this binary) and its
// map. The map lives as long as this object: counts start from zero at
// Load and are gone once it is destroyed.
class BpfCounter {
public:
    BpfCounter() = default;
    ~BpfCounter();
    BpfCounter(const BpfCounter&) = delete;
    BpfCounter& operator=(const BpfCounter&) = delete;

    // Loads both programs into the kernel: those that count only the
    // sockets of this process's network namespace where the kernel can tell
    // (OwnNamespaceOnly), else those that count every socket. Returns "" or
    // what went wrong.
    std::string Load();
    bool OwnNamespaceOnly() const { return ownNamespaceOnly; }
    // Attaches both to the cgroup v2 directory `cgroupDir` (it then counts
    // every socket of that cgroup and of all below it). The attachments are
    // links held by this process: the kernel drops them when it ends, even
    // killed. Returns "" or what went wrong.
    std::string Attach(const std::string& cgroupDir);
    void Detach();

    // Every entry of the map, summed over the CPUs; false when the map
    // cannot be read.
    bool Read(std::vector<AcctEntry>& out) const;
    // Deletes the entry of the entry's cgroup, link and direction; false
    // when it cannot (it may be gone already).
    bool Delete(const AcctEntry& entry);

    // The loaded programs' descriptors (for a test run), -1 before Load.
    int IngressFd() const;
    int EgressFd() const;

private:
    std::string LoadPrograms(bool ownOnly, std::uint64_t cookie);

    bpf_object* object = nullptr;
    bpf_program* ingress = nullptr;
    bpf_program* egress = nullptr;
    bpf_link* ingressLink = nullptr;
    bpf_link* egressLink = nullptr;
    int mapFd = -1;
    bool ownNamespaceOnly = false;
};

// The mount point of the cgroup v2 hierarchy as /proc/self/mountinfo lists
// it (on a hybrid system the one under /sys/fs/cgroup/unified); "" when
// none is mounted.
std::string FindCgroup2Root();
// The same from the text of a mountinfo file.
std::string FindCgroup2RootIn(const std::string& mountinfo);

}  // namespace trovik
