#pragma once

#include <cstddef>
#include <span>

namespace trovik {

// A channel to one of the kernel's netlink families: one request at a time,
// whose answer is then received datagram by datagram.
class NetlinkTransport {
public:
    virtual ~NetlinkTransport() = default;

    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool Send(std::span<const std::byte> request) = 0;
    // Receives the next datagram of the answer into `buffer` and returns its
    // size; -1 when none can be had (an error, no answer, or a datagram
    // larger than the buffer).
    virtual std::ptrdiff_t Receive(std::span<std::byte> buffer) = 0;
};

// The real channel: a netlink socket of the protocol given (NETLINK_ROUTE,
// NETLINK_GENERIC). It never waits long for an answer: the kernel queues
// each datagram of a dump while the request is sent or the previous datagram
// is received, so one missing after a short grace is an error, not something
// to block the caller's tick on.
class NetlinkSocket : public NetlinkTransport {
public:
    explicit NetlinkSocket(int netlinkProtocol) : protocol(netlinkProtocol) {}
    ~NetlinkSocket() override;
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;

    bool Open() override;
    void Close() override;
    bool Send(std::span<const std::byte> request) override;
    std::ptrdiff_t Receive(std::span<std::byte> buffer) override;

private:
    int protocol;
    int fd = -1;
};

// The kernel's routing family: the links, their counters and addresses.
class NetlinkRouteSocket final : public NetlinkSocket {
public:
    NetlinkRouteSocket();
};

}  // namespace trovik
