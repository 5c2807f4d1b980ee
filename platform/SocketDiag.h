#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/NetlinkLinks.h"
#include "platform/NetlinkSocket.h"

namespace trovik {

// One TCP socket of a sock_diag dump: who holds it, where it is bound, and
// how many bytes it has moved (from the kernel's tcp_info).
struct TcpSocketInfo {
    std::uint64_t cookie = 0;  // the kernel's id of the socket, never reused
    std::uint32_t inode = 0;   // its inode, as /proc/PID/fd shows it
    std::uint32_t uid = 0;
    std::uint64_t cgroupId = 0;  // 0 when the kernel sent none
    std::uint8_t family = 0;     // AF_INET or AF_INET6
    std::uint8_t state = 0;      // TCP_ESTABLISHED, ...
    // The local address: 4 bytes for IPv4, 16 for IPv6, in network order.
    std::array<std::uint8_t, 16> localAddress{};
    std::uint16_t localPort = 0;  // host order
    bool haveBytes = false;       // tcp_info was sent and reaches the two fields
    // Sent and acknowledged by the peer; the kernel counts the SYN (and a
    // FIN) acknowledged as a byte each.
    std::uint64_t bytesAcked = 0;
    std::uint64_t bytesReceived = 0;  // received in order
};

// Receives the sockets of a dump answer, one call per message.
class TcpSocketSink {
public:
    virtual ~TcpSocketSink() = default;
    virtual void OnSocket(const TcpSocketInfo& socket) = 0;
};

// Parses one datagram of a SOCK_DIAG_BY_FAMILY dump answer as ParseLinkDump
// parses a link dump: every length checked before it is read, fields copied
// out with memcpy, messages of another sequence number skipped, nothing
// allocated. `links` of the result counts the sockets handed on.
DumpChunkResult ParseTcpSocketDump(std::span<const std::byte> data,
                                   std::optional<std::uint32_t> seq, TcpSocketSink& sink);

// A dump request for every TCP socket of `family` (AF_INET or AF_INET6;
// AF_UNSPEC: both, in the older request's form) in every state that moves
// bytes, with its tcp_info. Returns its size, 0 when `out` is too small.
std::size_t BuildTcpSocketDumpRequest(std::span<std::byte> out, std::uint32_t seq,
                                      std::uint8_t family);

// Lists the TCP sockets the kernel shows this process (without privileges:
// every socket of the network namespace, with its uid and inode) over a
// NETLINK_SOCK_DIAG socket: both families in one dump, or one dump per
// family where the kernel refuses that.
class TcpSocketLister {
public:
    static constexpr std::size_t kReceiveBufferSize = 32 * 1024;

    // `transport` null: a NETLINK_SOCK_DIAG socket.
    explicit TcpSocketLister(std::unique_ptr<NetlinkTransport> transport = nullptr);

    // Hands every socket of both families to `sink`; false when a dump
    // failed (the sockets handed on until then may be a part only).
    bool List(TcpSocketSink& sink);

private:
    bool ListFamily(std::uint8_t family, TcpSocketSink& sink);

    std::unique_ptr<NetlinkTransport> transport;
    std::unique_ptr<std::byte[]> receiveBuffer;
    std::uint32_t sequence = 0;
    bool open = false;
    bool bothAtOnce = true;
    bool refused = false;  // the last dump was answered with an error at once
};

}  // namespace trovik
