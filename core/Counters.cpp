#include "core/Counters.h"

namespace trovik {

bool ReadStatValue(CounterSource& source, StatValue name, std::uint32_t& value) {
    return source.Query(name, value);
}

bool ReadByteCounters(CounterSource& source, std::uint32_t& sent, std::uint32_t& recv) {
    const bool sentOk = ReadStatValue(source, StatValue::BytesXmit, sent);
    const bool recvOk = ReadStatValue(source, StatValue::BytesRecvd, recv);
    return sentOk && recvOk;
}

ErrorBits ReadErrorBits(CounterSource& source, ErrorCounters& counters) {
    ErrorBits bits = 0;
    for (std::size_t k = 0; k < kErrorKindCount; ++k) {
        const std::uint32_t old = counters.errLast[k];
        std::uint32_t reading = old;
        if (!ReadStatValue(source, static_cast<StatValue>(k), reading)) {
            continue;
        }
        if (reading <= old) {
            counters.errLast[k] = reading;
            continue;
        }
        counters.errBeforeLast[k] = old;
        counters.errLast[k] = reading;
        if (old != 0xFFFFFFFFu) {
            bits = static_cast<ErrorBits>(bits | (1u << k));
        }
    }
    return bits;
}

void ResetErrorCounters(CounterSource& source, ErrorCounters& counters) {
    counters.errLast.fill(0);
    (void)ReadErrorBits(source, counters);
    counters.errBeforeLast.fill(0);
    counters.errCarried.fill(0);
}

}  // namespace trovik
