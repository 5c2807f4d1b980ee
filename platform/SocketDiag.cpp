#include "platform/SocketDiag.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace trovik {
namespace {

constexpr std::size_t kBytesNeeded =
    offsetof(tcp_info, tcpi_bytes_received) + sizeof(tcp_info{}.tcpi_bytes_received);

// A dump has far fewer datagrams than this even with 100,000 sockets.
constexpr std::size_t kMaxDatagrams = 4096;

// Fills `socket` from the body of a SOCK_DIAG_BY_FAMILY message; false when
// the body is too short or an attribute runs past it.
bool ParseSocket(std::span<const std::byte> body, TcpSocketInfo& socket) {
    if (body.size() < sizeof(inet_diag_msg)) {
        return false;
    }
    const auto msg = ReadAt<inet_diag_msg>(body, 0);
    socket.family = msg.idiag_family;
    socket.state = msg.idiag_state;
    socket.uid = msg.idiag_uid;
    socket.inode = msg.idiag_inode;
    socket.localPort = static_cast<std::uint16_t>((msg.id.idiag_sport & 0xFF) << 8 |
                                                  (msg.id.idiag_sport >> 8 & 0xFF));
    std::memcpy(socket.localAddress.data(), msg.id.idiag_src, socket.localAddress.size());
    socket.cookie = std::uint64_t{msg.id.idiag_cookie[1]} << 32 | msg.id.idiag_cookie[0];
    std::size_t offset = NLMSG_ALIGN(sizeof(inet_diag_msg));
    while (offset < body.size() && body.size() - offset >= sizeof(rtattr)) {
        const auto attr = ReadAt<rtattr>(body, offset);
        if (attr.rta_len < sizeof(rtattr) || attr.rta_len > body.size() - offset) {
            return false;
        }
        const auto payload = body.subspan(offset + sizeof(rtattr), attr.rta_len - sizeof(rtattr));
        switch (attr.rta_type & NLA_TYPE_MASK) {
            case INET_DIAG_INFO:
                // Older kernels send a shorter tcp_info; one that stops short
                // of the byte counts has none.
                if (payload.size() >= kBytesNeeded) {
                    tcp_info info{};
                    std::memcpy(&info, payload.data(), std::min(payload.size(), sizeof(info)));
                    socket.haveBytes = true;
                    socket.bytesAcked = info.tcpi_bytes_acked;
                    socket.bytesReceived = info.tcpi_bytes_received;
                }
                break;
            case INET_DIAG_CGROUP_ID:
                if (payload.size() >= sizeof(std::uint64_t)) {
                    socket.cgroupId = ReadAt<std::uint64_t>(payload, 0);
                }
                break;
            default:
                break;
        }
        offset += Align4(attr.rta_len);
    }
    return true;
}

}  // namespace

DumpChunkResult ParseTcpSocketDump(std::span<const std::byte> data,
                                   std::optional<std::uint32_t> seq, TcpSocketSink& sink) {
    std::size_t sockets = 0;
    DumpChunkResult result =
        WalkNetlinkAnswer(data, seq, [&](std::uint16_t type, std::span<const std::byte> body) {
            if (type != SOCK_DIAG_BY_FAMILY && type != TCPDIAG_GETSOCK) {
                return true;
            }
            TcpSocketInfo socket;
            if (!ParseSocket(body, socket)) {
                return false;
            }
            ++sockets;
            sink.OnSocket(socket);
            return true;
        });
    result.links = sockets;
    return result;
}

namespace {

// Every state but those that never carry bytes of their own: a listening
// socket, and one in TIME_WAIT (which has no tcp_info). Leaving out LISTEN
// also spares the kernel its walk of the listening table.
// (The kernel's TCP states, as numbered in its net/tcp_states.h.)
constexpr unsigned kTcpTimeWait = 6;
constexpr unsigned kTcpListen = 10;
constexpr std::uint32_t kStatesWithBytes = ~((1u << kTcpListen) | (1u << kTcpTimeWait));

template <typename Body>
std::size_t BuildRequest(std::span<std::byte> out, std::uint32_t seq, std::uint16_t type,
                         const Body& body) {
    struct Request {
        nlmsghdr header;
        Body body;
    };
    if (out.size() < sizeof(Request)) {
        return 0;
    }
    Request request{};
    request.header.nlmsg_len = sizeof(Request);
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = seq;
    request.body = body;
    std::memcpy(out.data(), &request, sizeof(Request));
    return sizeof(Request);
}

}  // namespace

std::size_t BuildTcpSocketDumpRequest(std::span<std::byte> out, std::uint32_t seq,
                                      std::uint8_t family) {
    if (family == AF_UNSPEC) {
        // The older request answers both families from one walk of the
        // kernel's table of connections, which dominates a dump's cost.
        inet_diag_req body{};
        body.idiag_ext = 1u << (INET_DIAG_INFO - 1);
        body.idiag_states = kStatesWithBytes;
        return BuildRequest(out, seq, TCPDIAG_GETSOCK, body);
    }
    inet_diag_req_v2 body{};
    body.sdiag_family = family;
    body.sdiag_protocol = IPPROTO_TCP;
    body.idiag_ext = 1u << (INET_DIAG_INFO - 1);
    body.idiag_states = kStatesWithBytes;
    return BuildRequest(out, seq, SOCK_DIAG_BY_FAMILY, body);
}

TcpSocketLister::TcpSocketLister(std::unique_ptr<NetlinkTransport> channel)
    : transport(channel ? std::move(channel) : std::make_unique<NetlinkSocket>(NETLINK_SOCK_DIAG)),
      receiveBuffer(std::make_unique<std::byte[]>(kReceiveBufferSize)) {}

bool TcpSocketLister::List(TcpSocketSink& sink) {
    if (!open && !(open = transport->Open())) {
        return false;
    }
    if (bothAtOnce) {
        if (ListFamily(AF_UNSPEC, sink)) {
            return true;
        }
        if (!refused) {
            return false;
        }
        // A kernel without the older request: one dump per family.
        bothAtOnce = false;
        if (!open && !(open = transport->Open())) {
            return false;
        }
    }
    return ListFamily(AF_INET, sink) && ListFamily(AF_INET6, sink);
}

bool TcpSocketLister::ListFamily(std::uint8_t family, TcpSocketSink& sink) {
    refused = false;
    std::array<std::byte, 128> request{};
    const std::size_t size = BuildTcpSocketDumpRequest(request, ++sequence, family);
    if (transport->Send(std::span(request.data(), size))) {
        const std::span buffer(receiveBuffer.get(), kReceiveBufferSize);
        for (std::size_t n = 0; n < kMaxDatagrams; ++n) {
            const std::ptrdiff_t got = transport->Receive(buffer);
            if (got <= 0) {
                break;
            }
            const auto result =
                ParseTcpSocketDump(buffer.first(static_cast<std::size_t>(got)), sequence, sink);
            if (result.end == DumpEnd::Done) {
                return true;
            }
            refused = result.end == DumpEnd::Error && result.links == 0 && n == 0;
            if (result.end != DumpEnd::Incomplete) {
                break;
            }
        }
    }
    // A half-read answer must not mix with the next one.
    transport->Close();
    open = false;
    return false;
}

}  // namespace trovik
