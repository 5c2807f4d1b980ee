#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <span>

#include "core/AppUsageSource.h"
#include "platform/AppSocketLedger.h"
#include "platform/LinkChoice.h"
#include "platform/NetlinkSocket.h"
#include "platform/RoundThread.h"
#include "platform/SocketDiag.h"

namespace trovik {

// The usage per application from the kernel, without privileges: once a
// second, on a thread of its own, the addresses of the counted links
// (RTM_GETADDR), the TCP sockets that closed since (the sock_diag destroy
// groups) and a dump of those open, booked by an AppSocketLedger. The
// meter's tick takes the result without waiting: while a round runs, the
// take finds nothing and the bytes wait for the next second.
class AppUsageWatch final : public AppUsageSource {
public:
    static constexpr std::size_t kReceiveBufferSize = 32 * 1024;

    // `board`: the counted links, published by the counter source; both
    // must outlive the watch.
    AppUsageWatch(const CountedLinkBoard& board, std::unique_ptr<SocketNamer> namer);
    ~AppUsageWatch() override;
    AppUsageWatch(const AppUsageWatch&) = delete;
    AppUsageWatch& operator=(const AppUsageWatch&) = delete;

    // On: the thread runs a round each second (started at the first call);
    // off: it forgets every socket and stops counting.
    void Enable(bool on) override;
    std::size_t TakeAttributed(std::span<AppBytes> out) override;

    // One round on the caller's thread, as the thread runs it; false when
    // the dump was not whole. While the counted links moved no byte since
    // the last dump, a round only hears of the sockets that closed: no
    // socket can have counted anything. For the benchmark and tests.
    bool RunRound();

    // Whether the kernel's word of closed sockets is heard (joining the
    // destroy groups may be refused).
    bool HearsClosedSockets() const { return destroyFd >= 0; }

private:
    void Forget();
    void ReadAddresses();
    void DrainClosed();

    const CountedLinkBoard& board;
    std::unique_ptr<SocketNamer> namer;
    AppSocketLedger ledger;
    TcpSocketLister lister;
    NetlinkRouteSocket route;
    bool routeOpen = false;
    std::uint32_t routeSequence = 0;
    int destroyFd = -1;
    std::unique_ptr<std::byte[]> buffer;
    CountedAddresses addresses;

    std::mutex bookMutex;  // held by a round; the take only tries it
    // The links' bytes at the last dump, and whether one was made.
    std::uint64_t movedAtDump = 0;
    bool dumped = false;
    bool forgotten = true;
    RoundThread rounds;
};

}  // namespace trovik
