#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "core/AppUsageSource.h"
#include "platform/NetlinkLinks.h"
#include "platform/SocketDiag.h"

namespace trovik {

// The local addresses of the counted links: a socket bound to one of them
// moves the line's bytes. Loopback addresses are never among them.
class CountedAddresses {
public:
    static constexpr std::size_t kCapacity = 64;

    void Clear() { count = 0; }
    // Adds an address unless it is a loopback one or the set is full.
    void Add(const LinkAddress& address);
    bool Contains(std::uint8_t family, const std::array<std::uint8_t, 16>& bytes) const;
    std::size_t Size() const { return count; }

private:
    std::array<LinkAddress, kCapacity> addresses{};
    std::size_t count = 0;
};

// Tells whose a socket is (platform/AppNaming's AppNamer in the program).
class SocketNamer {
public:
    virtual ~SocketNamer() = default;
    // Before the sockets of one dump are named.
    virtual void BeginRound() {}
    // Fills key, name and icon of `out`.
    virtual void Name(std::uint64_t cgroupId, std::uint32_t inode, AppBytes& out) = 0;
};

// The bookkeeping of the TCP sockets' bytes, round by round (a round: the
// sockets that closed since the last one, then a dump of those open).
//
// A socket is known by its cookie. Its increase since it was last seen is
// counted to its application, so nothing is counted twice. A socket that
// was open at the first round counts from then; one that appears later
// opened since the previous round and counts whole (less the SYN, which the
// kernel counts as a byte acknowledged). A socket is counted only while its
// local address belongs to a counted link. A socket that closed between two
// rounds is counted from the kernel's word of its end, with its final
// figures (that word comes a moment late, so a socket missing from one dump
// is kept for it); one missing from two dumps is forgotten.
//
// Fixed tables: at most kSockets sockets are followed (further ones wait
// until a place frees up) and kApps applications hold bytes not yet taken
// (further ones are counted under "その他"). Nothing in a round allocates
// but the naming of a socket seen for the first time.
class AppSocketLedger final : public TcpSocketSink {
public:
    static constexpr std::size_t kSockets = 8192;
    static constexpr std::size_t kApps = 256;

    explicit AppSocketLedger(SocketNamer& namer);

    // Starts a round with the counted links' addresses as they stand.
    void BeginRound(const CountedAddresses& addresses);
    // A socket of the dump (TcpSocketSink), or one that closed.
    void OnSocket(const TcpSocketInfo& socket) override;
    void OnClosed(const TcpSocketInfo& socket);
    // Ends the round; `complete`: the dump listed every open socket, so that
    // a socket missing from it has closed, and one new in the next round
    // opened after this one.
    void EndRound(bool complete);

    // Forgets every socket and every byte not taken: the next round is a
    // first one again.
    void Forget();

    // Moves the applications' bytes since the last take into `out`
    // (AppUsageSource::TakeAttributed).
    std::size_t Take(std::span<AppBytes> out);

    std::size_t SocketCount() const { return socketCount; }

private:
    struct Socket {
        std::uint64_t cookie = 0;  // 0: a free place
        std::uint64_t acked = 0;
        std::uint64_t received = 0;
        std::uint32_t round = 0;  // the last round it was seen in
        std::uint16_t app = 0;    // its application's place; kNoApp: not counted
        std::uint8_t missed = 0;  // whole dumps since that did not list it
    };
    static constexpr std::uint16_t kNoApp = 0xFFFF;

    Socket* Find(std::uint64_t cookie);
    Socket* Insert(std::uint64_t cookie);
    void Erase(Socket* socket);
    std::uint16_t AppOf(const TcpSocketInfo& socket);
    void Count(Socket& entry, const TcpSocketInfo& socket);

    SocketNamer& namer;
    const CountedAddresses* counted = nullptr;
    // Open addressing over the cookie, with deletion by moving entries back.
    std::unique_ptr<std::array<Socket, kSockets>> sockets;
    std::size_t socketCount = 0;
    std::uint32_t round = 0;
    bool firstRound = true;  // the sockets seen now were open before
    bool previousComplete = false;
    std::array<AppBytes, kApps> apps{};
    std::size_t appCount = 0;
    AppBytes scratch{};
};

}  // namespace trovik
