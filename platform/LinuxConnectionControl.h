#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ConnectionControl.h"
#include "platform/LinuxCounterSource.h"
#include "platform/SystemBus.h"

namespace trovik {

// One link as the kernel lists it.
struct LinkEntry {
    std::int32_t index = 0;  // ifindex
    std::uint16_t type = 0;  // ARPHRD_*
    bool up = false;         // LinkInfo::IsUp
    std::string name;
};

// Lists the kernel's links afresh on every call.
class LinkLister {
public:
    virtual ~LinkLister() = default;
    // Every link, in the kernel's order; false when no complete list could
    // be had (`out` may then hold a partial list).
    virtual bool ListLinks(std::vector<LinkEntry>& out) = 0;
};

// The real lister: one RTM_GETLINK dump per call over a fresh netlink
// socket. A dump interrupted by a change of links is asked again, a few
// times at most.
class NetlinkLinkLister final : public LinkLister {
public:
    // `transport` null: a NetlinkRouteSocket.
    explicit NetlinkLinkLister(std::unique_ptr<NetlinkTransport> transport = nullptr);
    ~NetlinkLinkLister() override;
    NetlinkLinkLister(const NetlinkLinkLister&) = delete;
    NetlinkLinkLister& operator=(const NetlinkLinkLister&) = delete;

    bool ListLinks(std::vector<LinkEntry>& out) override;

private:
    bool ListOnce(std::vector<LinkEntry>& out, bool& interrupted);

    std::unique_ptr<NetlinkTransport> transport;
    std::unique_ptr<std::byte[]> receiveBuffer;
    std::uint32_t sequence = 0;
};

enum class SignalResult : unsigned char {
    Sent,
    Gone,       // no such process (any more)
    NotTarget,  // the check refused it; nothing was sent
    Failed,     // not permitted, or no process handles (pidfds) on this kernel
};

// Sends `signal` to process `pid` through a process handle (a pidfd) taken
// before `isTarget` runs: if the process ends and its pid goes to another
// process while it is checked, the signal still goes to the ended one,
// where it is lost (Gone), never to the newcomer.
SignalResult SignalCheckedProcess(pid_t pid, const std::function<bool()>& isTarget, int signal);

// Everything the connection control touches outside the process; the
// defaults are the real ones, tests replace them.
struct ConnectionControlEnvironment {
    // Where NetworkManager is asked.
    BusChoice bus = BusChoice::System();
    // Where pppd leaves its pid files. Debian's pppd writes
    // /var/run/<ifname>.pid (the pid alone) and, with the `linkname` option,
    // /var/run/ppp-<linkname>.pid (the pid, then the interface name); on
    // Debian /var/run is a link to /run.
    std::vector<std::string> pidDirs = {"/run", "/var/run"};
    // Where a process's command name and start are read
    // (<procRoot>/<pid>/comm and stat) and the boot time (<procRoot>/stat).
    std::string procRoot = "/proc";
    // Sends `signal` to process `pid` only if `isTarget` approves it, as
    // SignalCheckedProcess does. Empty: SignalCheckedProcess.
    std::function<SignalResult(pid_t pid, const std::function<bool()>& isTarget, int signal)>
        signalProcess;
    // Null: a NetlinkLinkLister.
    std::unique_ptr<LinkLister> links;
    // The IPv4 addresses of the host's name. Empty: gethostname and
    // getaddrinfo (which may consult the resolver).
    std::function<std::vector<in_addr>()> hostAddresses;
    // The most HangUpModem spends, D-Bus calls included, and how often it
    // looks whether the link is gone meanwhile.
    std::chrono::milliseconds hangUpWait{5000};
    std::chrono::milliseconds pollInterval{100};
};

// The dial-up line on Linux: the first link the counter source counts that is
// connected (see LinuxCounterSource for which links those are).
//
// IsModemConnected answers from the counter source's snapshot of the current
// tick (allocation-free). HangUpModem and GetHostAddress confirm the link in
// the kernel's list afresh. HangUpModem hangs up that link:
//  - through NetworkManager when it has an active connection on that
//    interface that it made itself (DeactivateConnection; a refusal is final,
//    and so is any error or silence of NetworkManager's: only its absence
//    from the bus or its not knowing the interface leave a PPP line to pppd);
//  - for a PPP link otherwise by SIGTERM to the pppd whose pid file names the
//    interface, once /proc shows that pid to be a pppd that was running when
//    the file was written, through a handle on that very process;
//  - for a modem's link that NetworkManager does not drive, by disconnecting
//    its bearer through ModemManager, true once the bearer says it is
//    disconnected (the modem's link may well stay up);
//  - never for another link no service manages (TakeUnmanagedLine names it);
// then it waits, polling the links, until that link (same index and name) is
// gone or down, and is true only then. All three block the caller; they need
// a QCoreApplication for the D-Bus part but no running event loop.
class LinuxConnectionControl final : public ConnectionControl {
public:
    LinuxConnectionControl(const LinuxCounterSource& counters,
                           ConnectionControlEnvironment environment = {});
    ~LinuxConnectionControl() override;
    LinuxConnectionControl(const LinuxConnectionControl&) = delete;
    LinuxConnectionControl& operator=(const LinuxConnectionControl&) = delete;

    bool IsModemConnected() override;
    bool HangUpModem() override;
    bool GetHostAddress(std::string& text) override;
    bool TakeUnmanagedLine(std::string& name) override;
    bool GetLineTechnology(std::string& text) override;

private:
    enum class Request : unsigned char { Made, Refused, NotHandled };
    using Deadline = std::chrono::steady_clock::time_point;

    bool FindLine(LinkEntry& line, LinuxCounterSource::CountedLink& counted);
    Request DeactivateThroughNetworkManager(const std::string& iface, Deadline deadline);
    Request SignalOwningPppd(const std::string& iface);
    // Disconnects a ModemManager bearer and waits until it says so.
    bool DisconnectBearer(const std::string& path, Deadline deadline);
    bool IsPppdOf(pid_t pid, std::int64_t pidFileTime) const;
    bool WaitUntilGone(const LinkEntry& line, Deadline deadline);
    // Asks `done` every poll interval until it is true (true) or the
    // deadline passes (false).
    bool PollUntil(Deadline deadline, const std::function<bool()>& done);

    const LinuxCounterSource& counters;
    ConnectionControlEnvironment env;
    std::string hangUpNote;  // the link the last hang-up left alone
};

}  // namespace trovik
