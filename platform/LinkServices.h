#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "platform/LinkChoice.h"
#include "platform/SystemBus.h"

namespace trovik {

// Asks NetworkManager and ModemManager, on `bus`, what they know of the
// machine's links: NetworkManager's devices (managed, activated, metered,
// the Wi-Fi bitrate) and the interfaces of ModemManager's bearers (connected,
// the modem's access technology, the downlink speed). A service that is not
// on the bus adds nothing; one that does not answer within `timeoutMs` a call
// adds what it said before. Blocks for as long as the calls take.
ServiceLinks AskLinkServices(const BusChoice& bus, int timeoutMs);

// The access technology ModemManager reports (MMModemAccessTechnology bits)
// as a short name, the newest of those set: "5G", "LTE", "HSPA+", ...;
// empty for none it knows.
const char* AccessTechnologyName(unsigned bits);

// Asks the services on a thread of its own, at once, whenever the board is
// asked for a refresh, and every `interval` besides (NetworkManager sets a
// connection's metered state once it is up, which no link change tells),
// and publishes each report on the board. Needs a QCoreApplication.
class LinkServiceWatch final {
public:
    static constexpr std::chrono::milliseconds kInterval{3000};
    static constexpr int kCallTimeoutMs = 1000;

    LinkServiceWatch(ServiceLinkBoard& board, BusChoice bus = BusChoice::System(),
                     std::chrono::milliseconds interval = kInterval);
    // Waits for the round under way, which ends within its calls' timeouts.
    ~LinkServiceWatch();
    LinkServiceWatch(const LinkServiceWatch&) = delete;
    LinkServiceWatch& operator=(const LinkServiceWatch&) = delete;

private:
    ServiceLinkBoard& board;
    std::thread asker;
};

}  // namespace trovik
