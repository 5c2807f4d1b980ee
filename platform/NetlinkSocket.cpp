#include "platform/NetlinkSocket.h"

#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

namespace trovik {

namespace {

// How long a datagram of an answer may be late before the answer counts as
// failed. The kernel queues them while the request is sent or the previous
// one is received, so this is only waited on when something went wrong.
constexpr int kReceiveGraceMs = 100;
// Datagrams that are not the kernel's are skipped, at most this many in a row.
constexpr int kMaxForeignDatagrams = 64;

}  // namespace

NetlinkSocket::~NetlinkSocket() {
    Close();
}

bool NetlinkSocket::Open() {
    Close();
    fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, protocol);
    return fd >= 0;
}

void NetlinkSocket::Close() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

bool NetlinkSocket::Send(std::span<const std::byte> request) {
    if (fd < 0) {
        return false;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent = 0;
    do {
        sent = ::sendto(fd, request.data(), request.size(), 0,
                        reinterpret_cast<const sockaddr*>(&kernel), sizeof(kernel));
    } while (sent < 0 && errno == EINTR);
    return sent >= 0 && static_cast<std::size_t>(sent) == request.size();
}

std::ptrdiff_t NetlinkSocket::Receive(std::span<std::byte> buffer) {
    if (fd < 0) {
        return -1;
    }
    bool waited = false;
    int foreign = 0;
    while (foreign < kMaxForeignDatagrams) {
        sockaddr_nl from{};
        iovec chunk{buffer.data(), buffer.size()};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof(from);
        message.msg_iov = &chunk;
        message.msg_iovlen = 1;
        const ssize_t got = ::recvmsg(fd, &message, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || waited) {
                return -1;
            }
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, kReceiveGraceMs) <= 0) {
                return -1;
            }
            waited = true;
            continue;
        }
        if ((message.msg_flags & MSG_TRUNC) != 0) {
            return -1;
        }
        if (from.nl_pid != 0) {
            ++foreign;  // another process wrote to this socket: not an answer
            continue;
        }
        return got;
    }
    return -1;
}

NetlinkRouteSocket::NetlinkRouteSocket() : NetlinkSocket(NETLINK_ROUTE) {}

}  // namespace trovik
