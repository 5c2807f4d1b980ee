#pragma once

#include "core/ConnectionControl.h"
#include "platform/SystemBus.h"

namespace trovik {

// Powers the machine off through systemd-logind: PowerOff(false), that is
// without asking the user for authorisation, on org.freedesktop.login1.
// logind decides by its policy whether this user may; a refusal comes back
// as an error and is reported as false, as are a missing service and an
// unreachable or stalled bus. Waits at most `callTimeoutMs` in all, the
// connect included. Needs a
// QCoreApplication, but no running event loop.
class LogindPower final : public SystemPower {
public:
    static constexpr int kDefaultCallTimeoutMs = 3000;

    explicit LogindPower(BusChoice bus = BusChoice::System(),
                         int callTimeoutMs = kDefaultCallTimeoutMs);

    bool RequestShutdown() override;

private:
    BusChoice bus;
    int callTimeoutMs;
};

}  // namespace trovik
