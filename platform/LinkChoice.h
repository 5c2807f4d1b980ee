#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "platform/NetlinkLinks.h"

namespace trovik {

// What a network service says of one of the machine's links.
struct ServiceLink {
    std::array<char, kLinkNameCapacity> name{};  // NUL-terminated
    // NetworkManager manages a device of this interface name.
    bool byNetworkManager = false;
    // It is the interface of a bearer of a modem ModemManager manages.
    bool byModemManager = false;
    // NetworkManager: the device carries an active connection and says it is
    // metered (Metered YES or GUESS_YES, as phone hotspots announce it).
    bool metered = false;
    // NetworkManager has the device activated, or (for a modem link that
    // NetworkManager does not manage) its bearer is connected.
    bool activated = false;
    // The line's speed as the service knows it, bits per second: the Wi-Fi
    // bitrate, a modem's downlink speed; 0 when unknown.
    std::uint32_t speedBits = 0;
    // A modem's access technology ("LTE", "5G"), NUL-terminated; empty when
    // unknown or not a modem.
    std::array<char, 16> technology{};
    // The D-Bus object of the modem's bearer on this link, NUL-terminated;
    // empty when none (or too long to keep).
    std::array<char, 64> bearerPath{};

    std::string_view Name() const { return name.data(); }
    std::string_view Technology() const { return technology.data(); }
};

// The links the services on the machine report, as one plain value that the
// tick copies without allocating.
struct ServiceLinks {
    static constexpr std::size_t kMax = 32;

    std::array<ServiceLink, kMax> links{};
    std::size_t count = 0;
    // NetworkManager is running: a link it manages is connected while it has
    // the link activated, not merely while the link is up.
    bool networkManager = false;

    // The link of that name, or null.
    const ServiceLink* Find(std::string_view name) const;
    // The entry for `name`, made empty when there is none yet; null when
    // the list is full (or the name does not fit).
    ServiceLink* Entry(std::string_view name);
};

// The meeting point of the thread that asks the services and the meter's
// tick: the asking side publishes a complete report, the tick takes the
// newest one when there is one (a check of an atomic flag otherwise), and
// either side may ask the other to look again.
class ServiceLinkBoard {
public:
    void Publish(const ServiceLinks& report);
    // Copies the newest report into `out` when one came since the last
    // take; false (and `out` untouched) otherwise.
    bool TakeNew(ServiceLinks& out);

    // Asks the services to be asked again now (a link came or went).
    void RequestRefresh();
    // Waits until a refresh is asked for, Stop is called or `timeout`
    // passes; true unless stopped.
    bool WaitForRequest(std::chrono::milliseconds timeout);
    void Stop();

private:
    std::mutex mutex;
    std::condition_variable wake;
    ServiceLinks newest;
    std::atomic<bool> fresh{false};
    bool refreshAsked = false;
    bool stopped = false;
};

// The ifindexes of the links the meter counts, as its tick last found them,
// for another thread that needs to know which traffic is the line's (the
// usage per application). The tick publishes the set only when it changed,
// and the bytes the links moved in all at every tick, so that the other
// thread can rest while the line is quiet.
class CountedLinkBoard {
public:
    static constexpr std::size_t kCapacity = 32;
    using Indexes = std::array<std::int32_t, kCapacity>;

    void Publish(const Indexes& indexes, std::size_t count);
    // Copies the set into `out` and returns its size.
    std::size_t Read(Indexes& out) const;

    void NoteMoved(std::uint64_t bytes) { moved.store(bytes, std::memory_order_relaxed); }
    std::uint64_t Moved() const { return moved.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> moved{0};
    mutable std::mutex mutex;
    Indexes indexes{};
    std::size_t count = 0;
};

// Whether a link counts when the `Interfaces` setting names none: every
// PPP link; every link NetworkManager reports metered; every link of a modem
// ModemManager manages. Never a virtual link (see IsVirtualLink).
bool CountsByDefault(const LinkInfo& link, const ServiceLinks& services);

// Whether a counted link is connected. A PPP link is while it is up. A link
// NetworkManager (when running) or ModemManager manages is while the service
// has it activated. Any other link is while it is up with a carrier and has
// an address (`hasAddress`).
bool CountedLinkConnected(const LinkInfo& link, const ServiceLinks& services, bool hasAddress);

}  // namespace trovik
