#include "acctd/BpfCounter.h"

#include <bpf/bpf.h>
#include <bpf/libbpf.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

#ifndef SO_NETNS_COOKIE
#define SO_NETNS_COOKIE 71  // asm-generic/socket.h, Linux 5.14
#endif

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

// The cookie of this process's network namespace, which the kernel gives
// every socket of it (5.14 and later).
bool OwnNetnsCookie(std::uint64_t& cookie) {
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    socklen_t size = sizeof cookie;
    const bool got =
        ::getsockopt(fd, SOL_SOCKET, SO_NETNS_COOKIE, &cookie, &size) == 0 && size == sizeof cookie;
    ::close(fd);
    return got;
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
    std::uint64_t cookie = 0;
    if (OwnNetnsCookie(cookie)) {
        // An older kernel refuses the namespace check; what it says then is
        // not worth showing, since the other programs follow.
        const libbpf_print_fn_t print = libbpf_set_print(nullptr);
        const std::string refused = LoadPrograms(true, cookie);
        libbpf_set_print(print);
        if (refused.empty()) {
            ownNamespaceOnly = true;
            return {};
        }
    }
    return LoadPrograms(false, 0);
}

std::string BpfCounter::LoadPrograms(bool ownOnly, std::uint64_t cookie) {
    LIBBPF_OPTS(bpf_object_open_opts, options, .object_name = "trovik_acct");
    bpf_object* opened = bpf_object__open_mem(kAcctCounterObject, kAcctCounterObjectSize, &options);
    if (opened == nullptr) {
        return Failure("the counting program does not open", errno);
    }
    bpf_program* in = bpf_object__find_program_by_name(opened, "acct_ingress");
    bpf_program* out = bpf_object__find_program_by_name(opened, "acct_egress");
    bpf_program* ownIn = bpf_object__find_program_by_name(opened, "acct_ingress_own");
    bpf_program* ownOut = bpf_object__find_program_by_name(opened, "acct_egress_own");
    bpf_map* rodata = nullptr;
    bpf_map* map = nullptr;
    bpf_object__for_each_map(map, opened) {
        if (std::string_view(bpf_map__name(map)).ends_with(".rodata")) {
            rodata = map;
        }
    }
    if (in == nullptr || out == nullptr || ownIn == nullptr || ownOut == nullptr ||
        rodata == nullptr || bpf_map__set_initial_value(rodata, &cookie, sizeof cookie) != 0) {
        bpf_object__close(opened);
        return "the counting program lacks its parts";
    }
    bpf_program__set_autoload(ownOnly ? in : ownIn, false);
    bpf_program__set_autoload(ownOnly ? out : ownOut, false);
    if (const int error = bpf_object__load(opened); error != 0) {
        bpf_object__close(opened);
        return Failure("the kernel does not load the counting program", error);
    }
    object = opened;
    ingress = ownOnly ? ownIn : in;
    egress = ownOnly ? ownOut : out;
    mapFd = bpf_object__find_map_fd_by_name(object, "acct_counts");
    if (mapFd < 0) {
        return "the counting program lacks its map";
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
