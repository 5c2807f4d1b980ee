#include "platform/AppUsageWatch.h"

#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace trovik {
namespace {

// An address dump has few datagrams; this bounds a misbehaving answer.
constexpr std::size_t kMaxDatagrams = 256;

// A socket in the kernel's groups of closed TCP sockets, never waiting.
int OpenDestroyGroups() {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_SOCK_DIAG);
    if (fd < 0) {
        return -1;
    }
    // Room for a burst of closes between two rounds.
    const int size = 1 << 20;
    (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups =
        (1u << (SKNLGRP_INET_TCP_DESTROY - 1)) | (1u << (SKNLGRP_INET6_TCP_DESTROY - 1));
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

AppUsageWatch::AppUsageWatch(const CountedLinkBoard& counted, std::unique_ptr<SocketNamer> names)
    : board(counted),
      namer(std::move(names)),
      ledger(*namer),
      buffer(std::make_unique<std::byte[]>(kReceiveBufferSize)),
      rounds([this] { (void)RunRound(); }, [this] { Forget(); }) {}

AppUsageWatch::~AppUsageWatch() {
    rounds.Stop();
    if (destroyFd >= 0) {
        ::close(destroyFd);
    }
    if (routeOpen) {
        route.Close();
    }
}

void AppUsageWatch::Enable(bool on) {
    rounds.Enable(on);
}

void AppUsageWatch::Forget() {
    const std::lock_guard book(bookMutex);
    ledger.Forget();
    forgotten = true;
    dumped = false;
}

void AppUsageWatch::ReadAddresses() {
    CountedLinkBoard::Indexes indexes{};
    const std::size_t count = board.Read(indexes);
    addresses.Clear();
    if (count == 0) {
        return;
    }
    if (!routeOpen) {
        routeOpen = route.Open();
        if (!routeOpen) {
            return;
        }
    }
    std::array<std::byte, 64> request{};
    const std::size_t size = BuildAddressDumpRequest(request, ++routeSequence);
    if (!route.Send(std::span(request.data(), size))) {
        route.Close();
        routeOpen = false;
        return;
    }
    class Sink final : public LinkSink {
    public:
        Sink(const CountedLinkBoard::Indexes& i, std::size_t n, CountedAddresses& a)
            : indexes(i), count(n), out(a) {}
        void OnLink(const LinkInfo&) override {}
        void OnAddress(std::int32_t index, const LinkAddress& address) override {
            for (std::size_t i = 0; i < count; ++i) {
                if (indexes[i] == index) {
                    out.Add(address);
                }
            }
        }

    private:
        const CountedLinkBoard::Indexes& indexes;
        std::size_t count;
        CountedAddresses& out;
    } sink(indexes, count, addresses);
    const std::span answer(buffer.get(), kReceiveBufferSize);
    for (std::size_t n = 0; n < kMaxDatagrams; ++n) {
        const std::ptrdiff_t got = route.Receive(answer);
        if (got <= 0) {
            break;
        }
        const auto result =
            ParseLinkDump(answer.first(static_cast<std::size_t>(got)), routeSequence, sink);
        if (result.end != DumpEnd::Incomplete) {
            return;
        }
    }
    // A half-read answer must not mix with the next one.
    route.Close();
    routeOpen = false;
}

void AppUsageWatch::DrainClosed() {
    if (destroyFd < 0) {
        return;
    }
    class Sink final : public TcpSocketSink {
    public:
        explicit Sink(AppSocketLedger& l) : ledger(l) {}
        void OnSocket(const TcpSocketInfo& socket) override { ledger.OnClosed(socket); }

    private:
        AppSocketLedger& ledger;
    } sink(ledger);
    for (;;) {
        const ssize_t got = ::recv(destroyFd, buffer.get(), kReceiveBufferSize, MSG_DONTWAIT);
        if (got < 0 && errno == ENOBUFS) {
            continue;  // some were lost; those sockets are forgotten unseen
        }
        if (got <= 0) {
            return;
        }
        (void)ParseTcpSocketDump(std::span(buffer.get(), static_cast<std::size_t>(got)),
                                 std::nullopt, sink);
    }
}

bool AppUsageWatch::RunRound() {
    const std::uint64_t moved = board.Moved();
    const bool quiet = dumped && moved == movedAtDump;
    if (!quiet) {
        ReadAddresses();
    }
    const std::lock_guard book(bookMutex);
    if (forgotten) {
        forgotten = false;
        if (destroyFd < 0) {
            destroyFd = OpenDestroyGroups();
        }
    }
    ledger.BeginRound(addresses);
    // Before the dump, the sockets that closed since the last one; after it,
    // those that closed while it ran, which it may have missed.
    DrainClosed();
    if (quiet) {
        return true;
    }
    const bool complete = lister.List(ledger);
    DrainClosed();
    ledger.EndRound(complete);
    dumped = complete;
    movedAtDump = moved;
    return complete;
}

std::size_t AppUsageWatch::TakeAttributed(std::span<AppBytes> out) {
    const std::unique_lock book(bookMutex, std::try_to_lock);
    if (!book.owns_lock()) {
        return 0;
    }
    return ledger.Take(out);
}

}  // namespace trovik
