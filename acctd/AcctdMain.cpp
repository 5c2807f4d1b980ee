// trovik-acctd: loads the counting program, attaches it to the cgroup v2
// root and serves its counts on the system bus (AcctdProtocol.h), each
// caller only those of its own cgroups.
//
// Usage: trovik-acctd [--cgroup-root PATH] [--bus ADDRESS] [--prune-after S]
//   --cgroup-root  the cgroup v2 directory to count below (by default the
//                  cgroup v2 mount of /proc/self/mountinfo)
//   --bus          a bus address instead of the system bus
//   --prune-after  how long the entries of a removed cgroup or a gone link
//                  are still served, unchanged, before they are dropped
//                  (seconds, 300 by default)
// Exits 69 when BPF or cgroup v2 are not to be had, 1 when it cannot serve
// on the bus, 2 on a wrong command line, 0 after SIGTERM or SIGINT.

#include <linux/magic.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "acctd/AcctdProtocol.h"
#include "acctd/AcctdTypes.h"
#include "acctd/BpfCounter.h"
#include "acctd/EntryPruner.h"
#include "platform/NetlinkLinks.h"
#include "platform/NetlinkSocket.h"

namespace trovik {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitBus = 1;
constexpr int kExitUnavailable = 69;  // EX_UNAVAILABLE
constexpr int kRelearnMs = 10'000;
constexpr int kPruneAfterSeconds = 300;
constexpr int kMaxPruneRoundMs = 60'000;

// Which user each cgroup belongs to: a cgroup under
// <root>/user.slice/user-<uid>.slice is that user's. Cgroup ids are never
// reused, so an id once seen stays its user's after the cgroup is removed,
// and the counts of a finished session are still served to its user.
class CgroupOwners {
public:
    explicit CgroupOwners(std::filesystem::path cgroupRoot) : root(std::move(cgroupRoot)) {}

    void Learn() {
        namespace fs = std::filesystem;
        std::error_code error;
        for (const fs::directory_entry& slice :
             fs::directory_iterator(root / "user.slice", error)) {
            const std::string name = slice.path().filename().string();
            std::uint32_t uid = 0;
            if (!ParseSlice(name, uid) || !slice.is_directory(error) || slice.is_symlink(error)) {
                continue;
            }
            Note(slice.path(), uid);
            fs::recursive_directory_iterator walk(
                slice.path(), fs::directory_options::skip_permission_denied, error);
            for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
                if (walk->is_directory(error) && !walk->is_symlink(error)) {
                    Note(walk->path(), uid);
                }
            }
            error.clear();  // a cgroup removed during the walk ends only its branch
        }
    }

    // Forgets the cgroups that are neither below the root any more nor have
    // entries in the map.
    void Keep(const std::unordered_set<std::uint64_t>& live, std::span<const AcctEntry> entries) {
        std::unordered_set<std::uint64_t> counted;
        for (const AcctEntry& e : entries) {
            counted.insert(e.cgroupId);
        }
        std::erase_if(owners, [&](const auto& owner) {
            return !live.contains(owner.first) && !counted.contains(owner.first);
        });
    }

    // Whether the entries of `cgroupId` may be served to `uid`.
    bool Serves(std::uint32_t uid, std::uint64_t cgroupId) const {
        if (uid == 0) {
            return true;
        }
        const auto found = owners.find(cgroupId);
        return found != owners.end() && found->second == uid;
    }

private:
    // "user-<uid>.slice", nothing else.
    static bool ParseSlice(std::string_view name, std::uint32_t& uid) {
        constexpr std::string_view kPrefix = "user-", kSuffix = ".slice";
        if (name.size() <= kPrefix.size() + kSuffix.size() || !name.starts_with(kPrefix) ||
            !name.ends_with(kSuffix)) {
            return false;
        }
        const std::string_view digits =
            name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), uid);
        return error == std::errc() && end == digits.data() + digits.size();
    }

    // A cgroup directory's inode number is its cgroup id.
    void Note(const std::filesystem::path& dir, std::uint32_t uid) {
        struct stat info {};
        if (::lstat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            owners[info.st_ino] = uid;
        }
    }

    std::filesystem::path root;
    std::unordered_map<std::uint64_t, std::uint32_t> owners;
};

// The ids of every cgroup at and below `root` (a cgroup directory's inode
// number is its id); false when the walk failed. A cgroup removed while it
// is walked is simply not there.
bool LiveCgroups(const std::filesystem::path& root, std::unordered_set<std::uint64_t>& ids) {
    namespace fs = std::filesystem;
    ids.clear();
    std::vector<fs::path> pending{root};
    while (!pending.empty()) {
        const fs::path dir = std::move(pending.back());
        pending.pop_back();
        struct stat info {};
        if (::lstat(dir.c_str(), &info) != 0) {
            if (errno == ENOENT && dir != root) {
                continue;
            }
            return false;
        }
        if (!S_ISDIR(info.st_mode)) {
            continue;
        }
        ids.insert(info.st_ino);
        std::error_code error;
        for (fs::directory_iterator entries(dir, error);
             !error && entries != fs::directory_iterator(); entries.increment(error)) {
            if (entries->is_directory(error) && !entries->is_symlink(error)) {
                pending.push_back(entries->path());
            }
            if (error == std::errc::no_such_file_or_directory) {
                error.clear();  // removed between the listing and the look
            }
        }
        if (error && !(error == std::errc::no_such_file_or_directory && dir != root)) {
            return false;
        }
    }
    return true;
}

// The byte counters of this namespace's links, by ifindex; empty when the
// kernel's answer cannot be had whole.
std::map<std::uint32_t, LinkCounters> KernelLinks() {
    constexpr std::size_t kBufferSize = 32 * 1024;
    constexpr int kMaxDatagrams = 256;
    std::map<std::uint32_t, LinkCounters> links;
    NetlinkRouteSocket socket;
    if (!socket.Open()) {
        return links;
    }
    std::array<std::byte, 64> request{};
    const std::size_t requestSize = BuildLinkDumpRequest(request, 1);
    if (!socket.Send(std::span(request.data(), requestSize))) {
        return links;
    }
    auto buffer = std::make_unique<std::byte[]>(kBufferSize);
    for (int n = 0; n < kMaxDatagrams; ++n) {
        const std::ptrdiff_t got = socket.Receive(std::span(buffer.get(), kBufferSize));
        if (got <= 0) {
            break;
        }
        const auto result = ParseLinkDump(std::span(buffer.get(), static_cast<std::size_t>(got)),
                                          1u, [&links](const LinkInfo& link) {
                                              if (link.index > 0) {
                                                  links[static_cast<std::uint32_t>(link.index)] =
                                                      link.counters;
                                              }
                                          });
        if (result.end == DumpEnd::Done) {
            return links;
        }
        if (result.end != DumpEnd::Incomplete) {
            break;
        }
    }
    links.clear();
    return links;
}

const char* const kIntrospection = R"xml(  <interface name="org.trovik.Acctd1">
    <method name="Counts">
      <arg name="entries" type="a(tuutt)" direction="out"/>
    </method>
    <method name="LinkTotals">
      <arg name="links" type="a(utttt)" direction="out"/>
    </method>
    <method name="Version">
      <arg name="version" type="u" direction="out"/>
    </method>
  </interface>
)xml";

class AcctdObject final : public QDBusVirtualObject {
public:
    AcctdObject(BpfCounter& bpfCounter, CgroupOwners& cgroupOwners)
        : counter(bpfCounter), owners(cgroupOwners) {}

    QString introspect(const QString&) const override { return QString::fromUtf8(kIntrospection); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage ||
            message.interface() != QLatin1String(kAcctdInterface) ||
            !message.signature().isEmpty()) {
            return false;
        }
        const QString member = message.member();
        if (member == QStringLiteral("Version")) {
            connection.send(message.createReply(QVariant::fromValue(kAcctdVersion)));
        } else if (member == QStringLiteral("Counts")) {
            connection.send(Counts(message, connection));
        } else if (member == QStringLiteral("LinkTotals")) {
            connection.send(LinkTotals(message));
        } else {
            return false;
        }
        return true;
    }

private:
    QDBusMessage Counts(const QDBusMessage& message, const QDBusConnection& connection) {
        // The bus daemon vouches for the caller's uid; nothing the caller
        // sends is taken for it.
        const QDBusReply<uint> uid = connection.interface()->serviceUid(message.service());
        if (!uid.isValid()) {
            return message.createErrorReply(QDBusError::AccessDenied,
                                            QStringLiteral("the caller's user is not known"));
        }
        std::vector<AcctEntry> entries;
        if (!counter.Read(entries)) {
            return message.createErrorReply(QDBusError::Failed,
                                            QStringLiteral("the counts cannot be read"));
        }
        if (uid.value() != 0) {
            owners.Learn();  // cgroups made since the last walk
        }
        QList<AcctdCount> served;
        for (const AcctEntry& e : entries) {
            if (owners.Serves(uid.value(), e.cgroupId)) {
                served.append({e.cgroupId, e.ifindex, e.direction, e.bytes, e.packets});
            }
        }
        return message.createReply(QVariant::fromValue(served));
    }

    QDBusMessage LinkTotals(const QDBusMessage& message) {
        std::vector<AcctEntry> entries;
        if (!counter.Read(entries)) {
            return message.createErrorReply(QDBusError::Failed,
                                            QStringLiteral("the counts cannot be read"));
        }
        std::map<std::uint32_t, AcctdLink> links;
        for (const auto& [index, counters] : KernelLinks()) {
            AcctdLink& link = links[index];
            link.ifindex = index;
            link.linkReceived = counters.rxBytes;
            link.linkSent = counters.txBytes;
        }
        // Links of other namespaces, or gone, have no kernel counters here.
        for (const AcctEntry& e : entries) {
            AcctdLink& link = links[e.ifindex];
            link.ifindex = e.ifindex;
            (e.direction == kAcctdSent ? link.countedSent : link.countedReceived) += e.bytes;
        }
        QList<AcctdLink> served;
        for (const auto& [index, link] : links) {
            served.append(link);
        }
        return message.createReply(QVariant::fromValue(served));
    }

    BpfCounter& counter;
    CgroupOwners& owners;
};

// Drops the entries the pruner lets go, and the owners of cgroups that have
// neither a directory nor entries left.
class MapPruning {
public:
    MapPruning(BpfCounter& bpfCounter, CgroupOwners& cgroupOwners, std::filesystem::path root,
               std::chrono::seconds idle)
        : counter(bpfCounter), owners(cgroupOwners), cgroupRoot(std::move(root)), pruner(idle) {}

    void Round() {
        if (!counter.Read(entries) || !LiveCgroups(cgroupRoot, cgroups)) {
            return;  // judged next round, with nothing forgotten meanwhile
        }
        links.clear();
        for (const auto& [index, counters] : KernelLinks()) {
            links.insert(index);
        }
        if (links.empty()) {
            return;  // every namespace has lo: the dump failed
        }
        pruner.Round(entries, cgroups, links, EntryPruner::Clock::now(), doomed);
        std::size_t dropped = 0;
        for (const AcctEntry& e : doomed) {
            dropped += counter.Delete(e) ? 1 : 0;
        }
        owners.Keep(cgroups, entries);
        if (dropped > 0) {
            std::printf("trovik-acctd: dropped %zu entries of removed cgroups or gone links\n",
                        dropped);
            std::fflush(stdout);
        }
    }

private:
    BpfCounter& counter;
    CgroupOwners& owners;
    std::filesystem::path cgroupRoot;
    EntryPruner pruner;
    std::vector<AcctEntry> entries;
    std::vector<AcctEntry> doomed;
    std::unordered_set<std::uint64_t> cgroups;
    std::unordered_set<std::uint32_t> links;
};

// A whole number of seconds, 0 to a day.
bool ParseSeconds(std::string_view text, int& seconds) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    return error == std::errc() && end == text.data() + text.size() && seconds >= 0 &&
           seconds <= 86'400;
}

bool IsCgroup2(const std::string& path) {
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 &&
           static_cast<unsigned long>(info.f_type) == CGROUP2_SUPER_MAGIC;
}

int Run(int argc, char** argv) {
    std::string cgroupRoot;
    QString busAddress;
    int pruneAfter = kPruneAfterSeconds;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        bool understood = i + 1 < argc;
        if (understood && arg == "--cgroup-root") {
            cgroupRoot = argv[++i];
        } else if (understood && arg == "--bus") {
            busAddress = QString::fromLocal8Bit(argv[++i]);
        } else if (understood && arg == "--prune-after") {
            understood = ParseSeconds(argv[++i], pruneAfter);
        } else {
            understood = false;
        }
        if (!understood) {
            std::fprintf(stderr,
                         "usage: trovik-acctd [--cgroup-root PATH] [--bus ADDRESS]"
                         " [--prune-after SECONDS]\n");
            return kExitUsage;
        }
    }
    if (cgroupRoot.empty()) {
        cgroupRoot = FindCgroup2Root();
    }
    if (cgroupRoot.empty() || !IsCgroup2(cgroupRoot)) {
        std::fprintf(stderr, "trovik-acctd: %s is no cgroup v2 hierarchy; the helper needs one\n",
                     cgroupRoot.empty() ? "nothing mounted" : cgroupRoot.c_str());
        return kExitUnavailable;
    }

    // SIGTERM and SIGINT end the event loop, so that the program is
    // detached before the process goes (the kernel would also detach it).
    sigset_t ends;
    sigemptyset(&ends);
    sigaddset(&ends, SIGTERM);
    sigaddset(&ends, SIGINT);
    sigprocmask(SIG_BLOCK, &ends, nullptr);
    const int endFd = signalfd(-1, &ends, SFD_CLOEXEC | SFD_NONBLOCK);

    BpfCounter counter;
    if (const std::string failed = counter.Attach(cgroupRoot); !failed.empty()) {
        std::fprintf(stderr, "trovik-acctd: %s; the helper needs BPF (CAP_BPF, CAP_NET_ADMIN)\n",
                     failed.c_str());
        return kExitUnavailable;
    }

    QCoreApplication app(argc, argv);
    RegisterAcctdTypes();
    QDBusConnection bus = busAddress.isEmpty()
                              ? QDBusConnection::systemBus()
                              : QDBusConnection::connectToBus(busAddress, QStringLiteral("acctd"));
    CgroupOwners owners{std::filesystem::path(cgroupRoot)};
    owners.Learn();
    AcctdObject object(counter, owners);
    if (!bus.isConnected() ||
        !bus.registerVirtualObject(QLatin1String(kAcctdPath), &object,
                                   QDBusConnection::SingleNode) ||
        !bus.registerService(QLatin1String(kAcctdService))) {
        std::fprintf(stderr, "trovik-acctd: cannot serve %s on the bus: %s\n", kAcctdService,
                     qPrintable(bus.lastError().message()));
        return kExitBus;
    }
    QTimer relearn;
    QObject::connect(&relearn, &QTimer::timeout, [&owners] { owners.Learn(); });
    relearn.start(kRelearnMs);
    // Looked at twice within the time an orphaned entry is kept, and at
    // least once a minute.
    MapPruning pruning(counter, owners, cgroupRoot, std::chrono::seconds(pruneAfter));
    QTimer prune;
    QObject::connect(&prune, &QTimer::timeout, [&pruning] { pruning.Round(); });
    prune.start(std::clamp(pruneAfter * 1000 / 2, 1000, kMaxPruneRoundMs));
    QSocketNotifier endNotifier(endFd, QSocketNotifier::Read);
    QObject::connect(&endNotifier, &QSocketNotifier::activated, [endFd] {
        signalfd_siginfo info{};
        if (::read(endFd, &info, sizeof info) > 0) {
            QCoreApplication::quit();
        }
    });
    std::printf(
        "trovik-acctd: counting below %s, %s\n", cgroupRoot.c_str(),
        counter.OwnNamespaceOnly()
            ? "the sockets of this network namespace only"
            : "the sockets of every network namespace (this kernel cannot tell them apart)");
    std::fflush(stdout);
    const int status = app.exec();
    counter.Detach();
    return status;
}

}  // namespace
}  // namespace trovik

int main(int argc, char** argv) {
    return trovik::Run(argc, argv);
}
