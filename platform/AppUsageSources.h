#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <span>

#include "core/AppUsageSource.h"
#include "platform/AcctdSource.h"

namespace trovik {

// The usage per application from the accounting helper while it answers,
// else from the unprivileged watch of the TCP sockets. The helper's source
// runs whenever this is on (so that it is known when it answers again); the
// watch runs only while the helper does not answer.
//
// Nothing is counted twice: on the switch to the helper, the watch is
// stopped (it forgets its sockets and what it had not handed over) and the
// helper's bytes of the switching second are dropped, the watch having
// counted that time; while the watch is used, the helper's bytes are
// dropped at every take. On the switch to the watch, the helper's last
// bytes are still taken, and the watch starts afresh (its first round
// counts from then).
class AppUsageSources final : public AppUsageSource {
public:
    AppUsageSources(std::unique_ptr<AcctdSource> exact, std::unique_ptr<AppUsageSource> watch);

    void Enable(bool on) override;
    // On the meter's tick: never waits.
    std::size_t TakeAttributed(std::span<AppBytes> out) override;
    // Exact while the helper's source is the one taken from.
    AppUsageKind Kind() const override;

    AcctdSource& Exact() { return *exact; }

private:
    std::unique_ptr<AcctdSource> exact;
    std::unique_ptr<AppUsageSource> watch;
    bool enabled = false;
    bool dropPending = false;
    std::atomic<bool> usingExact{false};
};

}  // namespace trovik
