#include "platform/LinuxConnectionControl.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/if_arp.h>
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

namespace trovik {

namespace {

// --- netlink ---

constexpr std::size_t kReceiveBufferSize = LinuxCounterSource::kReceiveBufferSize;
constexpr std::size_t kMaxDatagrams = 1024;
constexpr int kListAttempts = 3;

// --- NetworkManager ---

const QString kNmService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kNmInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNmDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kNmActive = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// NM_ACTIVATION_STATE_FLAG_EXTERNAL: NetworkManager only mirrors a
// connection that something else (a pppd started by hand) made, and cannot
// end it.
constexpr unsigned kNmActivationExternal = 0x80;

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() < 1 ? 1 : static_cast<int>(std::min<std::int64_t>(left.count(), 60'000));
}

QDBusMessage GetProperty(BusConnection& bus, const QString& path, const QString& iface,
                         const QString& property, int timeoutMs) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kNmService, path, kProperties, QStringLiteral("Get"));
    call << iface << property;
    return bus.Call(call, timeoutMs);
}

// An object path other than "/" (NetworkManager's "none"), or nothing.
std::optional<QDBusObjectPath> ObjectPathOf(const QVariant& value) {
    if (value.userType() != qMetaTypeId<QDBusObjectPath>()) {
        return std::nullopt;
    }
    QDBusObjectPath path = value.value<QDBusObjectPath>();
    if (path.path().isEmpty() || path.path() == QStringLiteral("/")) {
        return std::nullopt;
    }
    return path;
}

// --- pid files and /proc ---

// A name the kernel could have given a link, and so a safe path component.
bool IsPlainLinkName(std::string_view name) {
    return !name.empty() && name.size() < kLinkNameCapacity && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// Reads the start of a small regular file (symbolic links at the last step
// are not followed). False when there is none.
bool ReadSmallFile(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    std::array<char, 128> text{};
    ssize_t got = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        do {
            got = ::read(fd, text.data(), text.size());
        } while (got < 0 && errno == EINTR);
    }
    ::close(fd);
    if (got < 0) {
        return false;
    }
    out.assign(text.data(), static_cast<std::size_t>(got));
    return true;
}

// The first line of `text`, and what follows it.
std::string_view TakeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// A pid as pppd writes it ("%d"), blanks around it allowed. 0 and 1 and
// negative values are refused: kill() would take them for a process group,
// every process, or init.
std::optional<pid_t> ParsePid(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    if (line.empty() || line.front() < '0' || line.front() > '9') {
        return std::nullopt;
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), pid);
    if (error != std::errc{} || end != line.data() + line.size() || pid <= 1) {
        return std::nullopt;
    }
    return pid;
}

// The pids that pppd's pid files give for interface `iface`: first those of
// <dir>/<iface>.pid, then those of <dir>/ppp-<linkname>.pid whose second
// line names the interface. Without duplicates, in that order.
std::vector<pid_t> PppdCandidates(const std::vector<std::string>& dirs, const std::string& iface) {
    std::vector<pid_t> pids;
    const auto add = [&pids](std::optional<pid_t> pid) {
        if (pid && std::find(pids.begin(), pids.end(), *pid) == pids.end()) {
            pids.push_back(*pid);
        }
    };
    std::string text;
    for (const std::string& dir : dirs) {
        if (ReadSmallFile(dir + "/" + iface + ".pid", text)) {
            std::string_view rest = text;
            add(ParsePid(TakeLine(rest)));
        }
    }
    for (const std::string& dir : dirs) {
        std::error_code error;
        std::filesystem::directory_iterator entries(dir, error);
        for (; !error && entries != std::filesystem::directory_iterator();
             entries.increment(error)) {
            const std::string file = entries->path().filename().string();
            if (file.size() <= 8 || !file.starts_with("ppp-") || !file.ends_with(".pid")) {
                continue;
            }
            if (!ReadSmallFile(entries->path().string(), text)) {
                continue;
            }
            std::string_view rest = text;
            const std::optional<pid_t> pid = ParsePid(TakeLine(rest));
            if (TakeLine(rest) == iface) {
                add(pid);
            }
        }
    }
    return pids;
}

// --- addresses ---

bool IsLoopbackOrAny(in_addr address) {
    const std::uint32_t host = ntohl(address.s_addr);
    return host == 0 || (host >> 24) == 127;
}

std::string Dotted(in_addr address) {
    std::array<char, INET_ADDRSTRLEN> text{};
    if (::inet_ntop(AF_INET, &address, text.data(), text.size()) == nullptr) {
        return {};
    }
    return text.data();
}

std::optional<in_addr> LinkAddress(const std::string& iface) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    std::optional<in_addr> found;
    for (const ifaddrs* a = list; a != nullptr && !found; a = a->ifa_next) {
        if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET && a->ifa_name != nullptr &&
            iface == a->ifa_name) {
            sockaddr_in inet{};
            std::memcpy(&inet, a->ifa_addr, sizeof(inet));
            found = inet.sin_addr;
        }
    }
    ::freeifaddrs(list);
    return found;
}

std::vector<in_addr> HostNameAddresses() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') {
        return {};
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.data(), nullptr, &hints, &found) != 0) {
        return {};
    }
    std::vector<in_addr> addresses;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr != nullptr &&
            a->ai_addrlen >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
            sockaddr_in inet{};
            std::memcpy(&inet, a->ai_addr, sizeof(inet));
            addresses.push_back(inet.sin_addr);
        }
    }
    ::freeaddrinfo(found);
    return addresses;
}

}  // namespace

// --- NetlinkLinkLister ---

NetlinkLinkLister::NetlinkLinkLister(std::unique_ptr<NetlinkTransport> channel)
    : transport(channel ? std::move(channel) : std::make_unique<NetlinkRouteSocket>()),
      receiveBuffer(std::make_unique<std::byte[]>(kReceiveBufferSize)) {}

NetlinkLinkLister::~NetlinkLinkLister() = default;

bool NetlinkLinkLister::ListLinks(std::vector<LinkEntry>& out) {
    for (int attempt = 0; attempt < kListAttempts; ++attempt) {
        bool interrupted = false;
        if (ListOnce(out, interrupted)) {
            return true;
        }
        if (!interrupted) {
            return false;
        }
    }
    return false;
}

bool NetlinkLinkLister::ListOnce(std::vector<LinkEntry>& out, bool& interrupted) {
    out.clear();
    interrupted = false;
    // A fresh socket per list: nothing of an earlier, half-read answer can
    // mix into this one.
    if (!transport->Open()) {
        transport->Close();
        return false;
    }
    bool done = false;
    std::array<std::byte, 64> request{};
    const std::size_t requestSize = BuildLinkDumpRequest(request, ++sequence);
    if (transport->Send(std::span(request.data(), requestSize))) {
        const std::span buffer(receiveBuffer.get(), kReceiveBufferSize);
        for (std::size_t n = 0; n < kMaxDatagrams; ++n) {
            const std::ptrdiff_t got = transport->Receive(buffer);
            if (got <= 0 || static_cast<std::size_t>(got) > buffer.size()) {
                break;
            }
            const auto result = ParseLinkDump(
                buffer.first(static_cast<std::size_t>(got)), sequence,
                [&out](const LinkInfo& link) {
                    out.push_back({link.index, link.type, link.IsUp(), std::string(link.Name())});
                });
            interrupted = interrupted || result.interrupted;
            if (result.end != DumpEnd::Incomplete) {
                done = result.end == DumpEnd::Done;
                break;
            }
        }
    }
    transport->Close();
    return done && !interrupted;
}

// --- LinuxConnectionControl ---

LinuxConnectionControl::LinuxConnectionControl(const LinuxCounterSource& source,
                                               std::vector<std::string> names,
                                               ConnectionControlEnvironment environment)
    : counters(source), interfaceNames(std::move(names)), env(std::move(environment)) {
    if (!env.sendSignal) {
        env.sendSignal = [](pid_t pid, int signal) { return ::kill(pid, signal); };
    }
    if (!env.links) {
        env.links = std::make_unique<NetlinkLinkLister>();
    }
    if (!env.hostAddresses) {
        env.hostAddresses = HostNameAddresses;
    }
}

LinuxConnectionControl::~LinuxConnectionControl() = default;

bool LinuxConnectionControl::IsModemConnected() {
    // The counter source took this tick's links at the start of the tick.
    return counters.AnyCountedLinkUp();
}

bool LinuxConnectionControl::HangUpModem() {
    const Deadline deadline = std::chrono::steady_clock::now() + env.hangUpWait;
    LinkEntry line;
    if (!FindLine(line)) {
        return false;
    }
    Request request = DeactivateThroughNetworkManager(line.name, deadline);
    if (request == Request::NotHandled) {
        request = SignalOwningPppd(line.name);
    }
    if (request != Request::Made) {
        return false;
    }
    return WaitUntilGone(line, deadline);
}

bool LinuxConnectionControl::GetHostAddress(std::string& text) {
    text = " Unknown";
    LinkEntry line;
    if (FindLine(line)) {
        if (const std::optional<in_addr> address = LinkAddress(line.name)) {
            const std::string dotted = Dotted(*address);
            if (!dotted.empty()) {
                text = " " + dotted;
                return true;
            }
        }
    }
    // A name that resolves to loopback (Debian maps it to 127.0.1.1) says
    // nothing about the line.
    for (const in_addr address : env.hostAddresses()) {
        if (!IsLoopbackOrAny(address)) {
            const std::string dotted = Dotted(address);
            if (!dotted.empty()) {
                text = " " + dotted;
                return true;
            }
        }
    }
    return false;
}

bool LinuxConnectionControl::Counts(const LinkEntry& link) const {
    if (interfaceNames.empty()) {
        return link.type == ARPHRD_PPP;
    }
    return std::find(interfaceNames.begin(), interfaceNames.end(), link.name) !=
           interfaceNames.end();
}

bool LinuxConnectionControl::FindLine(LinkEntry& line) {
    std::vector<LinkEntry> list;
    if (!env.links->ListLinks(list)) {
        return false;
    }
    const auto first = std::find_if(list.begin(), list.end(), [this](const LinkEntry& link) {
        return link.up && Counts(link) && IsPlainLinkName(link.name);
    });
    if (first == list.end()) {
        return false;
    }
    line = std::move(*first);
    return true;
}

LinuxConnectionControl::Request LinuxConnectionControl::DeactivateThroughNetworkManager(
    const std::string& iface, Deadline deadline) {
    if (env.bus.IsNone()) {
        return Request::NotHandled;
    }
    BusConnection bus(env.bus);
    if (!bus.IsConnected()) {
        return Request::NotHandled;
    }
    // No NetworkManager, or one that does not know the interface: not its line.
    QDBusMessage find = QDBusMessage::createMethodCall(kNmService, kNmPath, kNmInterface,
                                                       QStringLiteral("GetDeviceByIpIface"));
    find << QString::fromStdString(iface);
    const std::optional<QDBusObjectPath> device =
        ObjectPathOf(SingleReplyValue(bus.Call(find, RemainingMs(deadline))));
    if (!device) {
        return Request::NotHandled;
    }
    const std::optional<QDBusObjectPath> active = ObjectPathOf(
        SingleReplyValue(GetProperty(bus, device->path(), kNmDevice,
                                     QStringLiteral("ActiveConnection"), RemainingMs(deadline))));
    if (!active) {
        return Request::NotHandled;
    }
    // Versions without StateFlags know no external connections either.
    const QVariant flags = SingleReplyValue(GetProperty(
        bus, active->path(), kNmActive, QStringLiteral("StateFlags"), RemainingMs(deadline)));
    if (flags.userType() == QMetaType::UInt && (flags.toUInt() & kNmActivationExternal) != 0) {
        return Request::NotHandled;
    }
    QDBusMessage deactivate = QDBusMessage::createMethodCall(
        kNmService, kNmPath, kNmInterface, QStringLiteral("DeactivateConnection"));
    deactivate << QVariant::fromValue(*active);
    const QDBusMessage reply = bus.Call(deactivate, RemainingMs(deadline));
    return reply.type() == QDBusMessage::ReplyMessage ? Request::Made : Request::Refused;
}

LinuxConnectionControl::Request LinuxConnectionControl::SignalOwningPppd(const std::string& iface) {
    for (const pid_t pid : PppdCandidates(env.pidDirs, iface)) {
        if (!IsPppd(pid)) {
            continue;  // a stale file whose pid now belongs to something else
        }
        if (env.sendSignal(pid, SIGTERM) == 0 || errno == ESRCH) {
            return Request::Made;  // ESRCH: it ended meanwhile; the wait tells
        }
        return Request::Refused;
    }
    return Request::NotHandled;
}

bool LinuxConnectionControl::IsPppd(pid_t pid) const {
    std::string comm;
    if (!ReadSmallFile(env.procRoot + "/" + std::to_string(pid) + "/comm", comm)) {
        return false;
    }
    std::string_view rest = comm;
    return TakeLine(rest) == "pppd";
}

bool LinuxConnectionControl::WaitUntilGone(const LinkEntry& line, Deadline deadline) {
    std::vector<LinkEntry> list;
    for (;;) {
        if (env.links->ListLinks(list)) {
            const auto same = std::find_if(list.begin(), list.end(), [&line](const LinkEntry& l) {
                return l.index == line.index && l.name == line.name;
            });
            if (same == list.end() || !same->up) {
                return true;
            }
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(env.pollInterval, deadline - now));
    }
}

}  // namespace trovik
