#pragma once

#include <array>
#include <cstdint>

#include "core/CounterSource.h"

namespace trovik {

// One byte per tick: a bit for each error kind whose counter rose, in the
// order of StatValue; 0x80 marks a connection made in that tick.
using ErrorBits = std::uint8_t;
inline constexpr ErrorBits kErrAlignment = 0x01;
inline constexpr ErrorBits kErrBuffer = 0x02;
inline constexpr ErrorBits kErrCRC = 0x04;
inline constexpr ErrorBits kErrFraming = 0x08;
inline constexpr ErrorBits kErrOverrun = 0x10;
inline constexpr ErrorBits kErrRunts = 0x20;
inline constexpr ErrorBits kErrTimeout = 0x40;
inline constexpr ErrorBits kConnectMark = 0x80;

// What the meter remembers of the seven error counters.
struct ErrorCounters {
    // The last reading of each counter.
    std::array<std::uint32_t, kErrorKindCount> errLast{};
    // For each counter, what errLast held just before its latest rise.
    std::array<std::uint32_t, kErrorKindCount> errBeforeLast{};
    // Sums carried over at connection changes.
    std::array<std::uint32_t, kErrorKindCount> errCarried{};
};

// Reads one value; on failure false and `value` unchanged.
bool ReadStatValue(CounterSource& source, StatValue name, std::uint32_t& value);

// Reads "BytesXmit" into `sent`, then "BytesRecvd" into `recv`. Both reads are
// always attempted, so a readable "BytesXmit" is stored even when
// "BytesRecvd" fails; the result is true only when both succeeded.
bool ReadByteCounters(CounterSource& source, std::uint32_t& sent, std::uint32_t& recv);

// Reads the seven error counters and returns the bits of those that rose
// since the last reading. The meter counts error ticks, not errors: several
// errors of one kind in one tick set its bit once. A counter that stood still
// or fell only takes the new reading; a rise from 0xFFFFFFFF is not flagged.
ErrorBits ReadErrorBits(CounterSource& source, ErrorCounters& counters);

// Takes the counters' present readings as the new starting point, so that
// errors counted before raise no bits afterwards, and clears the rest.
void ResetErrorCounters(CounterSource& source, ErrorCounters& counters);

}  // namespace trovik
