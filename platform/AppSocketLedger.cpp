#include "platform/AppSocketLedger.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "stats/AppUsageDb.h"

namespace trovik {
namespace {

bool IsLoopback(const LinkAddress& a) {
    if (a.family == AF_INET) {
        return a.bytes[0] == 127;
    }
    static constexpr std::array<std::uint8_t, 16> kLoopback6 = {0, 0, 0, 0, 0, 0, 0, 0,
                                                                0, 0, 0, 0, 0, 0, 0, 1};
    return a.bytes == kLoopback6;
}

// An IPv4 address as an IPv6 socket bound to it shows it (::ffff:a.b.c.d).
bool IsMappedV4(const std::array<std::uint8_t, 16>& bytes) {
    static constexpr std::array<std::uint8_t, 12> kPrefix = {0, 0, 0, 0, 0,    0,
                                                             0, 0, 0, 0, 0xFF, 0xFF};
    return std::equal(kPrefix.begin(), kPrefix.end(), bytes.begin());
}

std::size_t HashOf(std::uint64_t cookie) {
    cookie ^= cookie >> 33;
    cookie *= 0xff51afd7ed558ccdULL;
    cookie ^= cookie >> 33;
    return static_cast<std::size_t>(cookie) & (AppSocketLedger::kSockets - 1);
}

}  // namespace

void CountedAddresses::Add(const LinkAddress& address) {
    if ((address.family != AF_INET && address.family != AF_INET6) || IsLoopback(address) ||
        count == addresses.size()) {
        return;
    }
    addresses[count++] = address;
}

bool CountedAddresses::Contains(std::uint8_t family,
                                const std::array<std::uint8_t, 16>& bytes) const {
    std::array<std::uint8_t, 16> key = bytes;
    if (family == AF_INET6 && IsMappedV4(bytes)) {
        family = AF_INET;
        key = {};
        std::memcpy(key.data(), bytes.data() + 12, 4);
    }
    const std::size_t size = family == AF_INET ? 4 : 16;
    for (std::size_t i = 0; i < count; ++i) {
        if (addresses[i].family == family &&
            std::equal(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(size),
                       addresses[i].bytes.begin())) {
            return true;
        }
    }
    return false;
}

static_assert((AppSocketLedger::kSockets & (AppSocketLedger::kSockets - 1)) == 0);

AppSocketLedger::AppSocketLedger(SocketNamer& socketNamer)
    : namer(socketNamer), sockets(std::make_unique<std::array<Socket, kSockets>>()) {}

void AppSocketLedger::BeginRound(const CountedAddresses& addresses) {
    counted = &addresses;
    ++round;
    namer.BeginRound();
}

AppSocketLedger::Socket* AppSocketLedger::Find(std::uint64_t cookie) {
    for (std::size_t i = HashOf(cookie), n = 0; n < kSockets; i = (i + 1) & (kSockets - 1), ++n) {
        Socket& s = (*sockets)[i];
        if (s.cookie == cookie) {
            return &s;
        }
        if (s.cookie == 0) {
            return nullptr;
        }
    }
    return nullptr;
}

AppSocketLedger::Socket* AppSocketLedger::Insert(std::uint64_t cookie) {
    // Kept below three quarters full, so that probes stay short.
    if (socketCount >= kSockets / 4 * 3) {
        return nullptr;
    }
    std::size_t i = HashOf(cookie);
    while ((*sockets)[i].cookie != 0) {
        i = (i + 1) & (kSockets - 1);
    }
    ++socketCount;
    (*sockets)[i] = Socket{cookie, 0, 0, round, kNoApp, 0};
    return &(*sockets)[i];
}

void AppSocketLedger::Erase(Socket* socket) {
    // Backward-shift deletion: later entries of the probe run move up, so
    // no lookup ever stops at the hole.
    auto hole = static_cast<std::size_t>(socket - sockets->data());
    (*sockets)[hole] = Socket{};
    --socketCount;
    for (std::size_t i = (hole + 1) & (kSockets - 1); (*sockets)[i].cookie != 0;
         i = (i + 1) & (kSockets - 1)) {
        const std::size_t home = HashOf((*sockets)[i].cookie);
        // Whether `home` lies cyclically in (hole, i]: then the entry stays.
        const bool stays = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
        if (!stays) {
            (*sockets)[hole] = (*sockets)[i];
            (*sockets)[i] = Socket{};
            hole = i;
        }
    }
}

std::uint16_t AppSocketLedger::AppOf(const TcpSocketInfo& socket) {
    scratch = AppBytes{};
    namer.Name(socket.cgroupId, socket.inode, scratch);
    const std::string_view key = AppText(scratch.key);
    for (std::size_t i = 0; i < appCount; ++i) {
        if (AppText(apps[i].key) == key) {
            return static_cast<std::uint16_t>(i);
        }
    }
    if (appCount == kApps - 1 && key != kOtherAppKey) {
        // The last place belongs to the other applications.
        scratch = AppBytes{};
        CopyAppText(scratch.key, kOtherAppKey);
        CopyAppText(scratch.name, kOtherAppName);
        for (std::size_t i = 0; i < appCount; ++i) {
            if (AppText(apps[i].key) == kOtherAppKey) {
                return static_cast<std::uint16_t>(i);
            }
        }
    }
    if (appCount == kApps) {
        return static_cast<std::uint16_t>(kApps - 1);
    }
    apps[appCount] = scratch;
    return static_cast<std::uint16_t>(appCount++);
}

void AppSocketLedger::Count(Socket& entry, const TcpSocketInfo& socket) {
    // The figures only grow; one that fell is not this socket's (a cookie
    // is never reused), and is taken as the new mark without counting.
    if (entry.app != kNoApp && socket.bytesAcked >= entry.acked &&
        socket.bytesReceived >= entry.received) {
        apps[entry.app].sent += socket.bytesAcked - entry.acked;
        apps[entry.app].received += socket.bytesReceived - entry.received;
    }
    entry.acked = socket.bytesAcked;
    entry.received = socket.bytesReceived;
    entry.round = round;
    entry.missed = 0;
}

void AppSocketLedger::OnSocket(const TcpSocketInfo& socket) {
    if (!socket.haveBytes || socket.cookie == 0 || counted == nullptr) {
        return;
    }
    if (Socket* entry = Find(socket.cookie)) {
        Count(*entry, socket);
        return;
    }
    Socket* entry = Insert(socket.cookie);
    if (entry == nullptr) {
        return;
    }
    if (counted->Contains(socket.family, socket.localAddress)) {
        entry->app = AppOf(socket);
    }
    // Seen for the first time: opened since the last complete dump counts
    // whole, without its SYN; one open before the first dump counts from
    // now.
    if (!firstRound && previousComplete) {
        entry->acked = std::min<std::uint64_t>(socket.bytesAcked, 1);
        entry->received = 0;
    } else {
        entry->acked = socket.bytesAcked;
        entry->received = socket.bytesReceived;
    }
    Count(*entry, socket);
}

void AppSocketLedger::OnClosed(const TcpSocketInfo& socket) {
    if (!socket.haveBytes || socket.cookie == 0 || counted == nullptr) {
        return;
    }
    Socket* entry = Find(socket.cookie);
    if (entry == nullptr) {
        // Opened and closed since the last dump: all of it counts.
        OnSocket(socket);
        entry = Find(socket.cookie);
    } else {
        Count(*entry, socket);
    }
    if (entry != nullptr) {
        Erase(entry);
    }
}

void AppSocketLedger::EndRound(bool complete) {
    if (complete) {
        // Gone from two whole dumps: closed without the word of it reaching
        // us (the kernel drops it when our queue is full).
        for (Socket& s : *sockets) {
            if (s.cookie != 0 && s.round != round) {
                ++s.missed;
            }
        }
        for (std::size_t i = 0; i < kSockets;) {
            Socket& s = (*sockets)[i];
            if (s.cookie != 0 && s.missed >= 2) {
                Erase(&s);  // the slot may now hold a moved entry: look again
                continue;
            }
            ++i;
        }
    }
    firstRound = firstRound && !complete;
    previousComplete = complete;
}

void AppSocketLedger::Forget() {
    sockets->fill(Socket{});
    socketCount = 0;
    appCount = 0;
    firstRound = true;
    previousComplete = false;
}

std::size_t AppSocketLedger::Take(std::span<AppBytes> out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < appCount && n < out.size(); ++i) {
        AppBytes& app = apps[i];
        if (app.received == 0 && app.sent == 0) {
            continue;
        }
        out[n++] = app;
        app.received = 0;
        app.sent = 0;
    }
    return n;
}

}  // namespace trovik
