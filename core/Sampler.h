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

    // Counts a wrap whenever a reading falls below the lowest one since the
    // reset, sent first, then received.
    void DetectWraps();

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

    std::uint32_t baseSent = 0;
    std::uint32_t baseRecv = 0;
    std::uint32_t lowSent = 0;
    std::uint32_t lowRecv = 0;
    std::uint32_t wrapsSent = 0;
    std::uint32_t wrapsRecv = 0;
    std::uint64_t totalSent = 0;
    std::uint64_t totalRecv = 0;
    std::uint32_t activeTicksSent = 0;
    std::uint32_t activeTicksRecv = 0;
    std::uint32_t avgSentAll = 0;
    std::uint32_t avgRecvAll = 0;
    std::uint32_t spanSent = 0;
    std::uint32_t spanRecv = 0;

    RateHistory history;
};

// value × 100 / scale, the share of the full scale in percent. Not capped:
// the bar painter clamps at 100. Worked in 64 bits, so rates above 42.9 MB/s
// do not wrap into small percentages.
std::uint32_t Percent(std::uint32_t value, std::uint32_t scale);

}  // namespace trovik
