#include "platform/AppUsageSources.h"

#include <utility>

namespace trovik {

AppUsageSources::AppUsageSources(std::unique_ptr<AcctdSource> helper,
                                 std::unique_ptr<AppUsageSource> sockets)
    : exact(std::move(helper)), watch(std::move(sockets)) {}

void AppUsageSources::Enable(bool on) {
    enabled = on;
    exact->Enable(on);
    watch->Enable(on && !usingExact);
}

std::size_t AppUsageSources::TakeAttributed(std::span<AppBytes> out) {
    if (!enabled) {
        return 0;
    }
    const bool answering = exact->Answering();
    if (answering && !usingExact) {
        usingExact = true;
        watch->Enable(false);
        dropPending = !exact->DropAttributed();
        return 0;
    }
    if (!answering && usingExact) {
        usingExact = false;
        const std::size_t n = exact->TakeAttributed(out);
        watch->Enable(true);
        return n;
    }
    if (usingExact) {
        // A round that was booking at the switch booked a second the watch
        // had counted.
        if (dropPending) {
            dropPending = !exact->DropAttributed();
            return 0;
        }
        return exact->TakeAttributed(out);
    }
    (void)exact->DropAttributed();
    return watch->TakeAttributed(out);
}

AppUsageKind AppUsageSources::Kind() const {
    return usingExact ? AppUsageKind::Exact : AppUsageKind::TcpOnly;
}

}  // namespace trovik
