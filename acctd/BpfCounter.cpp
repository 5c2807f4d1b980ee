#include "acctd/BpfCounter.h"

#include <bpf/bpf.h>
#include <bpf/libbpf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>

namespace trovik {

extern const unsigned char kAcctCounterObject[];
extern const std::size_t kAcctCounterObjectSize;

namespace {

// The map's key and value as AcctCounter.bpf.c lays them out.
struct MapKey {
    std::uint64_t cgroupId;
    std::uint32_t ifindex;
    std::uint32_t direction;
};
struct MapValue {
    std::uint64_t bytes;
    std::uint64_t packets;
};
static_assert(sizeof(MapKey) == 16 && sizeof(MapValue) == 16);

std::string Failure(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error < 0 ? -error : error);
}

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

}  // namespace

BpfCounter::~BpfCounter() {
    Detach();
    if (object != nullptr) {
        bpf_object__close(object);
    }
}

std::string BpfCounter::Load() {
    if (object != nullptr) {
        return {};
    }
    LIBBPF_OPTS(bpf_object_open_opts, options, .object_name = "trovik_acct");
    bpf_object* opened = bpf_object__open_mem(kAcctCounterObject, kAcctCounterObjectSize, &options);
    if (opened == nullptr) {
        return Failure("the counting program does not open", errno);
    }
    if (const int error = bpf_object__load(opened); error != 0) {
        bpf_object__close(opened);
        return Failure("the kernel does not load the counting program", error);
    }
    object = opened;
    ingress = bpf_object__find_program_by_name(object, "acct_ingress");
    egress = bpf_object__find_program_by_name(object, "acct_egress");
    mapFd = bpf_object__find_map_fd_by_name(object, "acct_counts");
    if (ingress == nullptr || egress == nullptr || mapFd < 0) {
        return "the counting program lacks its parts";
    }
    return {};
}

std::string BpfCounter::Attach(const std::string& cgroupDir) {
    if (std::string loaded = Load(); !loaded.empty()) {
        return loaded;
    }
    Detach();
    const int dir = ::open(cgroupDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        return Failure(("cannot open the cgroup " + cgroupDir).c_str(), errno);
    }
    ingressLink = bpf_program__attach_cgroup(ingress, dir);
    const int ingressError = ingressLink == nullptr ? errno : 0;
    egressLink = bpf_program__attach_cgroup(egress, dir);
    const int egressError = egressLink == nullptr ? errno : 0;
    ::close(dir);
    if (ingressError != 0 || egressError != 0) {
        Detach();
        return Failure(("cannot attach the counting program to " + cgroupDir).c_str(),
                       ingressError != 0 ? ingressError : egressError);
    }
    return {};
}

void BpfCounter::Detach() {
    if (ingressLink != nullptr) {
        bpf_link__destroy(ingressLink);
        ingressLink = nullptr;
    }
    if (egressLink != nullptr) {
        bpf_link__destroy(egressLink);
        egressLink = nullptr;
    }
}

bool BpfCounter::Read(std::vector<AcctEntry>& out) const {
    out.clear();
    if (mapFd < 0) {
        return false;
    }
    const int cpus = libbpf_num_possible_cpus();
    if (cpus <= 0) {
        return false;
    }
    std::vector<MapValue> perCpu(static_cast<std::size_t>(cpus));
    MapKey key{};
    MapKey next{};
    const void* previous = nullptr;
    while (bpf_map_get_next_key(mapFd, previous, &next) == 0) {
        key = next;
        previous = &key;
        // Only this process deletes entries, and not while it reads, so one
        // that cannot be read is an error.
        if (bpf_map_lookup_elem(mapFd, &key, perCpu.data()) != 0) {
            return false;
        }
        AcctEntry entry;
        entry.cgroupId = key.cgroupId;
        entry.ifindex = key.ifindex;
        entry.direction = key.direction;
        for (const MapValue& v : perCpu) {
            entry.bytes += v.bytes;
            entry.packets += v.packets;
        }
        out.push_back(entry);
    }
    return errno == ENOENT;
}

bool BpfCounter::Delete(const AcctEntry& entry) {
    if (mapFd < 0) {
        return false;
    }
    const MapKey key{entry.cgroupId, entry.ifindex, entry.direction};
    return bpf_map_delete_elem(mapFd, &key) == 0;
}

int BpfCounter::IngressFd() const {
    return ingress != nullptr ? bpf_program__fd(ingress) : -1;
}

int BpfCounter::EgressFd() const {
    return egress != nullptr ? bpf_program__fd(egress) : -1;
}

std::string FindCgroup2RootIn(const std::string& mountinfo) {
    // id parent major:minor root mountpoint options [optional...] - type source super
    std::istringstream lines(mountinfo);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        std::string mountPoint;
        for (int n = 0; n < 5 && fields >> field; ++n) {
            mountPoint = field;
        }
        while (fields >> field && field != "-") {
        }
        if (fields >> field && field == "cgroup2") {
            return Unescape(mountPoint);
        }
    }
    return {};
}

std::string FindCgroup2Root() {
    std::ifstream file("/proc/self/mountinfo");
    std::stringstream text;
    text << file.rdbuf();
    return FindCgroup2RootIn(text.str());
}

}  // namespace trovik
