#pragma once

#include <functional>
#include <memory>

#include "platform/SystemBus.h"

namespace trovik {

// The machine's sleep as systemd-logind announces it: PrepareForSleep(true)
// on org.freedesktop.login1.Manager before the machine sleeps, (false) after
// it resumed. While the machine is awake the watch holds a delay inhibitor
// lock, so that a sleep waits (up to logind's InhibitDelayMaxSec) until the
// callback for true has returned; the lock is let go right after that call,
// and a new one is asked for right after the call for false.
//
// The thread that makes the watch never waits for the bus. The connection is
// opened once, on a thread of its own, and only to a bus that answered the
// authentication handshake within kAnswerLimitMs (see AnsweringBusAddress);
// the calls to logind are asynchronous. Without a bus, or without logind, the
// callback is simply never made. Needs a QCoreApplication; the callback runs
// on the event loop of the thread that made the watch, and must not destroy
// the watch.
class SleepWatch final {
public:
    static constexpr int kAnswerLimitMs = 5000;
    // How long an Inhibit call is waited for before it is given up.
    static constexpr int kCallTimeoutMs = 5000;

    explicit SleepWatch(std::function<void(bool sleeping)> onPrepareForSleep,
                        BusChoice bus = BusChoice::System());
    // Lets go of the lock and the connection. Never waits for the connecting
    // thread: one still busy cleans up after itself.
    ~SleepWatch();
    SleepWatch(const SleepWatch&) = delete;
    SleepWatch& operator=(const SleepWatch&) = delete;

    // Whether the connection is open and the signal hooked up.
    bool Connected() const;
    // Whether a lock from logind is held now.
    bool HoldsLock() const;

private:
    class Receiver;
    struct Handoff;

    // Owned: deleted here, or by the connecting thread when that ends later.
    Receiver* receiver;
    std::shared_ptr<Handoff> handoff;
};

}  // namespace trovik
