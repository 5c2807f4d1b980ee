#include "platform/LinuxConnectionControl.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/if_arp.h>
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
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
// The answers that say NetworkManager does not handle an interface: it is not
// on the bus, or it knows no device of that name. Every other error (denied,
// no reply in time) leaves open whether the line is NetworkManager's.
const QString kNmUnknownDevice = QStringLiteral("org.freedesktop.NetworkManager.UnknownDevice");
// What a daemon without the StateFlags property (before NetworkManager 1.10) answers.
const QString kNoSuchProperty[] = {QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                   QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty")};
// NM_ACTIVATION_STATE_FLAG_EXTERNAL: NetworkManager only mirrors a
// connection that something else (a pppd started by hand) made, and cannot
// end it.
constexpr unsigned kNmActivationExternal = 0x80;

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QString kBusInterface = QStringLiteral("org.freedesktop.DBus");

// An error that says NetworkManager does not handle the interface: it knows
// no such device, or it left the bus since it was asked for.
bool SaysNotHandled(const QDBusMessage& error) {
    const QString name = error.errorName();
    return name == kNmUnknownDevice ||
           name == QDBusError::errorString(QDBusError::ServiceUnknown) ||
           name == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner");
}

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
// are not followed), and its modification time in seconds when `modified`
// is given. False when there is none.
bool ReadSmallFile(const std::string& path, std::string& out, std::int64_t* modified = nullptr) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    std::array<char, 512> text{};
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
    if (modified != nullptr) {
        *modified = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    }
    return true;
}

// An unsigned decimal number that fills `text`.
std::optional<std::uint64_t> ParseCount(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
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

// A pid that a pid file gives, and when the file was last written.
struct PidFileEntry {
    pid_t pid = 0;
    std::int64_t written = 0;  // seconds since the epoch
};

// The pids that pppd's pid files give for interface `iface`: first those of
// <dir>/<iface>.pid, then those of <dir>/ppp-<linkname>.pid whose second
// line names the interface. Without duplicates, in that order.
std::vector<PidFileEntry> PppdCandidates(const std::vector<std::string>& dirs,
                                         const std::string& iface) {
    std::vector<PidFileEntry> entries;
    const auto add = [&entries](std::optional<pid_t> pid, std::int64_t written) {
        if (pid && std::none_of(entries.begin(), entries.end(),
                                [&](const PidFileEntry& e) { return e.pid == *pid; })) {
            entries.push_back({*pid, written});
        }
    };
    std::string text;
    std::int64_t written = 0;
    for (const std::string& dir : dirs) {
        if (ReadSmallFile(dir + "/" + iface + ".pid", text, &written)) {
            std::string_view rest = text;
            add(ParsePid(TakeLine(rest)), written);
        }
    }
    for (const std::string& dir : dirs) {
        std::error_code error;
        std::filesystem::directory_iterator files(dir, error);
        for (; !error && files != std::filesystem::directory_iterator(); files.increment(error)) {
            const std::string file = files->path().filename().string();
            if (file.size() <= 8 || !file.starts_with("ppp-") || !file.ends_with(".pid")) {
                continue;
            }
            if (!ReadSmallFile(files->path().string(), text, &written)) {
                continue;
            }
            std::string_view rest = text;
            const std::optional<pid_t> pid = ParsePid(TakeLine(rest));
            if (TakeLine(rest) == iface) {
                add(pid, written);
            }
        }
    }
    return entries;
}

// When process `pid` started, in seconds since the epoch: its start in clock
// ticks since boot (field 22 of <procRoot>/<pid>/stat, counted after the
// command name, which may hold blanks and parentheses) plus the boot time
// ("btime" of <procRoot>/stat).
std::optional<std::int64_t> ProcessStart(const std::string& procRoot, pid_t pid) {
    std::string stat;
    if (!ReadSmallFile(procRoot + "/" + std::to_string(pid) + "/stat", stat)) {
        return std::nullopt;
    }
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::string_view fields = std::string_view(stat).substr(close + 1);
    std::optional<std::uint64_t> ticks;
    for (int field = 3; field <= 22 && !fields.empty(); ++field) {
        fields.remove_prefix(std::min(fields.find_first_not_of(' '), fields.size()));
        const std::size_t end = std::min(fields.find(' '), fields.size());
        if (field == 22) {
            ticks = ParseCount(fields.substr(0, end));
        }
        fields.remove_prefix(end);
    }
    if (!ticks) {
        return std::nullopt;
    }
    // btime follows a line per processor, past what a small read holds.
    std::optional<std::uint64_t> bootTime;
    std::ifstream lines(procRoot + "/stat");
    for (std::string line; !bootTime && std::getline(lines, line);) {
        if (line.starts_with("btime ")) {
            bootTime = ParseCount(std::string_view(line).substr(6));
        }
    }
    const long perSecond = ::sysconf(_SC_CLK_TCK);
    if (!bootTime || perSecond <= 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*bootTime + *ticks / static_cast<std::uint64_t>(perSecond));
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

std::optional<in_addr> InterfaceAddress(const std::string& iface) {
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

// --- signals ---

SignalResult SignalCheckedProcess(pid_t pid, const std::function<bool()>& isTarget, int signal) {
    if (pid <= 1) {
        return SignalResult::NotTarget;
    }
    // Called directly: not every C library declares these for C++.
    const auto handle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0u));
    if (handle < 0) {
        return errno == ESRCH ? SignalResult::Gone : SignalResult::Failed;
    }
    SignalResult result = SignalResult::NotTarget;
    if (isTarget()) {
        if (::syscall(SYS_pidfd_send_signal, handle, signal, nullptr, 0u) == 0) {
            result = SignalResult::Sent;
        } else {
            result = errno == ESRCH ? SignalResult::Gone : SignalResult::Failed;
        }
    }
    ::close(handle);
    return result;
}

// --- LinuxConnectionControl ---

LinuxConnectionControl::LinuxConnectionControl(const LinuxCounterSource& source,
                                               ConnectionControlEnvironment environment)
    : counters(source), env(std::move(environment)) {
    if (!env.signalProcess) {
        env.signalProcess = SignalCheckedProcess;
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
    hangUpNote.clear();
    const Deadline deadline = std::chrono::steady_clock::now() + env.hangUpWait;
    LinkEntry line;
    LinuxCounterSource::CountedLink counted;
    if (!FindLine(line, counted)) {
        return false;
    }
    const bool byNetworkManager = counted.service != nullptr && counted.service->byNetworkManager;
    if (!counted.ppp && !byNetworkManager && counted.service != nullptr &&
        counted.service->byModemManager && counted.service->bearerPath[0] != '\0') {
        return DisconnectBearer(counted.service->bearerPath.data(), deadline);
    }
    if (!counted.ppp && !byNetworkManager) {
        // Nothing but the service that made it may end a link that is not
        // PPP: taking it down by hand would only have it brought up again,
        // or cut a line the user did not mean.
        hangUpNote = line.name;
        return false;
    }
    Request request = DeactivateThroughNetworkManager(line.name, deadline);
    if (request == Request::NotHandled && counted.ppp) {
        request = SignalOwningPppd(line.name);
    }
    if (request != Request::Made) {
        return false;
    }
    return WaitUntilGone(line, deadline);
}

bool LinuxConnectionControl::TakeUnmanagedLine(std::string& name) {
    if (hangUpNote.empty()) {
        return false;
    }
    name = std::move(hangUpNote);
    hangUpNote.clear();
    return true;
}

bool LinuxConnectionControl::GetLineTechnology(std::string& text) {
    LinuxCounterSource::CountedLink counted;
    if (!counters.FirstConnectedLink(counted) || counted.service == nullptr ||
        counted.service->Technology().empty()) {
        return false;
    }
    text = counted.service->Technology();
    return true;
}

bool LinuxConnectionControl::GetHostAddress(std::string& text) {
    text = " Unknown";
    LinkEntry line;
    LinuxCounterSource::CountedLink counted;
    if (FindLine(line, counted)) {
        if (const std::optional<in_addr> address = InterfaceAddress(line.name)) {
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

bool LinuxConnectionControl::FindLine(LinkEntry& line, LinuxCounterSource::CountedLink& counted) {
    // The counter source chose the line at this tick; the kernel's list,
    // asked afresh, confirms it is still there under that index and name.
    if (!counters.FirstConnectedLink(counted)) {
        return false;
    }
    std::vector<LinkEntry> list;
    if (!env.links->ListLinks(list)) {
        return false;
    }
    const std::string_view name(counted.name.data());
    const auto same = std::find_if(list.begin(), list.end(), [&](const LinkEntry& link) {
        return link.index == counted.index && link.name == name && link.up &&
               IsPlainLinkName(link.name);
    });
    if (same == list.end()) {
        return false;
    }
    line = std::move(*same);
    return true;
}

LinuxConnectionControl::Request LinuxConnectionControl::DeactivateThroughNetworkManager(
    const std::string& iface, Deadline deadline) {
    if (env.bus.IsNone()) {
        return Request::NotHandled;
    }
    BusConnection bus(env.bus,
                      std::min(BusConnection::kConnectLimit,
                               std::chrono::milliseconds(std::max(RemainingMs(deadline), 0))));
    if (!bus.IsConnected()) {
        // No bus: no NetworkManager either. A bus that took the connection
        // and said nothing may well have it: that is a refused hang-up.
        return bus.Stalled() ? Request::Refused : Request::NotHandled;
    }
    // Asked of the bus itself, so that a NetworkManager that is installed but
    // off is not started (or failed to start) by the question.
    QDBusMessage owner = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusInterface,
                                                        QStringLiteral("NameHasOwner"));
    owner << kNmService;
    const QDBusMessage ownerReply = bus.Call(owner, RemainingMs(deadline));
    const QVariant hasOwner = SingleReplyValue(ownerReply);
    if (hasOwner.userType() != QMetaType::Bool) {
        return Request::Refused;
    }
    if (!hasOwner.toBool()) {
        return Request::NotHandled;
    }
    QDBusMessage find = QDBusMessage::createMethodCall(kNmService, kNmPath, kNmInterface,
                                                       QStringLiteral("GetDeviceByIpIface"));
    find << QString::fromStdString(iface);
    const QDBusMessage found = bus.Call(find, RemainingMs(deadline));
    if (found.type() != QDBusMessage::ReplyMessage) {
        return SaysNotHandled(found) ? Request::NotHandled : Request::Refused;
    }
    const std::optional<QDBusObjectPath> device = ObjectPathOf(SingleReplyValue(found));
    if (!device) {
        return Request::Refused;  // an answer NetworkManager does not give
    }
    const QDBusMessage activeReply = GetProperty(
        bus, device->path(), kNmDevice, QStringLiteral("ActiveConnection"), RemainingMs(deadline));
    if (activeReply.type() != QDBusMessage::ReplyMessage) {
        return Request::Refused;
    }
    const std::optional<QDBusObjectPath> active = ObjectPathOf(SingleReplyValue(activeReply));
    if (!active) {
        return Request::NotHandled;  // "/": it knows the device but made no connection on it
    }
    // Versions without StateFlags know no external connections either.
    const QDBusMessage flagsReply = GetProperty(
        bus, active->path(), kNmActive, QStringLiteral("StateFlags"), RemainingMs(deadline));
    if (flagsReply.type() != QDBusMessage::ReplyMessage &&
        std::find(std::begin(kNoSuchProperty), std::end(kNoSuchProperty), flagsReply.errorName()) ==
            std::end(kNoSuchProperty)) {
        return Request::Refused;
    }
    const QVariant flags = SingleReplyValue(flagsReply);
    if (flags.userType() == QMetaType::UInt && (flags.toUInt() & kNmActivationExternal) != 0) {
        return Request::NotHandled;
    }
    QDBusMessage deactivate = QDBusMessage::createMethodCall(
        kNmService, kNmPath, kNmInterface, QStringLiteral("DeactivateConnection"));
    deactivate << QVariant::fromValue(*active);
    const QDBusMessage reply = bus.Call(deactivate, RemainingMs(deadline));
    return reply.type() == QDBusMessage::ReplyMessage ? Request::Made : Request::Refused;
}

bool LinuxConnectionControl::DisconnectBearer(const std::string& path, Deadline deadline) {
    if (env.bus.IsNone()) {
        return false;
    }
    BusConnection bus(env.bus,
                      std::min(BusConnection::kConnectLimit,
                               std::chrono::milliseconds(std::max(RemainingMs(deadline), 0))));
    if (!bus.IsConnected()) {
        return false;
    }
    const QString bearer = QString::fromStdString(path);
    const QString service = QStringLiteral("org.freedesktop.ModemManager1");
    const QString iface = QStringLiteral("org.freedesktop.ModemManager1.Bearer");
    const QDBusMessage reply = bus.Call(
        QDBusMessage::createMethodCall(service, bearer, iface, QStringLiteral("Disconnect")),
        RemainingMs(deadline));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return false;
    }
    return PollUntil(deadline, [&] {
        QDBusMessage get =
            QDBusMessage::createMethodCall(service, bearer, kProperties, QStringLiteral("Get"));
        get << iface << QStringLiteral("Connected");
        const QVariant connected = SingleReplyValue(bus.Call(get, RemainingMs(deadline)));
        return connected.userType() == QMetaType::Bool && !connected.toBool();
    });
}

bool LinuxConnectionControl::PollUntil(Deadline deadline, const std::function<bool()>& done) {
    for (;;) {
        if (done()) {
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(env.pollInterval, deadline - now));
    }
}

LinuxConnectionControl::Request LinuxConnectionControl::SignalOwningPppd(const std::string& iface) {
    for (const PidFileEntry& entry : PppdCandidates(env.pidDirs, iface)) {
        const auto isTarget = [this, &entry] { return IsPppdOf(entry.pid, entry.written); };
        switch (env.signalProcess(entry.pid, isTarget, SIGTERM)) {
            case SignalResult::Sent:
            case SignalResult::Gone:  // it ended meanwhile; the wait tells
                return Request::Made;
            case SignalResult::NotTarget:
                continue;  // a stale file whose pid now belongs to something else
            case SignalResult::Failed:
                return Request::Refused;
        }
    }
    return Request::NotHandled;
}

bool LinuxConnectionControl::IsPppdOf(pid_t pid, std::int64_t pidFileTime) const {
    std::string comm;
    if (!ReadSmallFile(env.procRoot + "/" + std::to_string(pid) + "/comm", comm)) {
        return false;
    }
    std::string_view rest = comm;
    if (TakeLine(rest) != "pppd") {
        return false;
    }
    // pppd writes its pid file after it started. A file written before this
    // process began was left by an earlier one whose pid came round again.
    // (The boot time is in whole seconds: a little slack.)
    constexpr std::int64_t kSlackSeconds = 2;
    const std::optional<std::int64_t> started = ProcessStart(env.procRoot, pid);
    return started && pidFileTime + kSlackSeconds >= *started;
}

bool LinuxConnectionControl::WaitUntilGone(const LinkEntry& line, Deadline deadline) {
    std::vector<LinkEntry> list;
    return PollUntil(deadline, [&] {
        if (!env.links->ListLinks(list)) {
            return false;
        }
        const auto same = std::find_if(list.begin(), list.end(), [&line](const LinkEntry& l) {
            return l.index == line.index && l.name == line.name;
        });
        return same == list.end() || !same->up;
    });
}

}  // namespace trovik
