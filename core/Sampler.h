#pragma once

#include <array>
#include <cstdint>

#include "core/CounterSource.h"
#include "core/Counters.h"
#include "stats/RateHistory.h"

namespace trovik {

inline constexpr std::size_t kSampleCount = 101;

// A send and a receive value in bytes per second.
struct RatePair {
    std::uint32_t sent = 0;
    std::uint32_t recv = 0;
};

// The sample rings, totals, rates and history of the meter. The tick calls
// the steps one by one, with other work in between; viewers read the fields.
// Everything is fixed-size integer work: nothing is allocated per tick.
class Sampler {
public:
    // Shifts every ring one place older and reads the newest samples. A failed
    // byte read leaves the newest sample equal to the previous one, so the
    // tick sees no transfer.
    void ShiftAndRead(CounterSource& source, ErrorCounters& errors);

    // Follows the counters in 64 bits: each reading's increase over the
    // previous one is added to the running counts, a reading below the
    // previous one being one wrap of the 32-bit counter (or, from a source
    // that keeps 64-bit counts, as many wraps as those tell).
    void DetectWraps();

    // After a time in which no tick ran (a suspend, a stopped process): the
    // windows start afresh from the newest readings, so the bytes moved
    // meanwhile stay in the totals but make no spike in the rates or the
    // history, and the all-transfer averages leave them out, since the meter
    // did not see how long they took.
    void StartAfresh();

    // Counts the ticks in which the newest reading differs from the base
    // reading; the all-transfer averages use them as their time base, so idle
    // time before the first byte is not averaged in.
    void CountActivity();

    // Totals since the reset, windowed rates over `span` ticks (1 to 100) and
    // the all-transfer averages.
    void ComputeRates(std::uint32_t span);

    // Feeds the rate history with this tick.
    void FeedHistory();

    // Starts over from the given base readings: every sample equals them,
    // totals, activity and history are zero.
    void Reset(std::uint32_t sent, std::uint32_t recv);

    // The pair shown as numbers: the all-transfer averages with `spanAll`,
    // else the windowed rates; the other pair is the bars' marker.
    RatePair Displayed(bool spanAll) const;
    RatePair Marker(bool spanAll) const;

    std::array<std::uint32_t, kSampleCount> sentSamples{};
    std::array<std::uint32_t, kSampleCount> recvSamples{};
    std::array<ErrorBits, kSampleCount> errorSamples{};
    // The same readings followed in 64 bits, counted on from the base
    // readings: every difference over more than one tick is taken here, so
    // no window, total or average wraps at 4 GiB.
    std::array<std::uint64_t, kSampleCount> sentCounts{};
    std::array<std::uint64_t, kSampleCount> recvCounts{};

    std::uint32_t baseSent = 0;
    std::uint32_t baseRecv = 0;
    // Times the 32-bit reading fell below the previous one since the reset.
    std::uint32_t wrapsSent = 0;
    std::uint32_t wrapsRecv = 0;
    std::uint64_t totalSent = 0;
    std::uint64_t totalRecv = 0;
    // Bytes of the totals moved while no tick ran, left out of the averages.
    std::uint64_t unseenSent = 0;
    std::uint64_t unseenRecv = 0;
    std::uint32_t activeTicksSent = 0;
    std::uint32_t activeTicksRecv = 0;
    std::uint32_t avgSentAll = 0;
    std::uint32_t avgRecvAll = 0;
    std::uint32_t spanSent = 0;
    std::uint32_t spanRecv = 0;

    RateHistory history;

private:
    // The source's 64-bit count at the last reading that had one.
    struct WideReading {
        bool valid = false;
        std::uint64_t count = 0;
    };
    WideReading wideSent;
    WideReading wideRecv;
    WideReading nowSent;
    WideReading nowRecv;
    // This tick's increase came with a gap: the tick is not counted active.
    bool afterGap = false;
};

// A count held at the largest 32-bit value rather than wrapped.
constexpr std::uint32_t Held32(std::uint64_t value) {
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

// value × 100 / scale, the share of the full scale in percent. Not capped:
// the bar painter clamps at 100. Worked in 64 bits, so rates above 42.9 MB/s
// do not wrap into small percentages; held at 2^32 - 1 beyond that.
std::uint32_t Percent(std::uint32_t value, std::uint32_t scale);

}  // namespace trovik
