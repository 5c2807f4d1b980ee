#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trovik {

// The ten statistics values of the dial-up adapter. The seven error kinds
// come first, in the order their bits are numbered.
enum class StatValue : std::uint8_t {
    Alignment,
    Buffer,
    CRC,
    Framing,
    Overrun,
    Runts,
    Timeout,
    BytesXmit,
    BytesRecvd,
    ConnectSpeed,
};

inline constexpr std::size_t kStatValueCount = 10;
inline constexpr std::size_t kErrorKindCount = 7;

// The names under which the values are known ("BytesXmit", "CRC", ...).
inline constexpr std::array<std::string_view, kStatValueCount> kStatValueNames = {
    "Alignment", "Buffer",  "CRC",       "Framing",    "Overrun",
    "Runts",     "Timeout", "BytesXmit", "BytesRecvd", "ConnectSpeed",
};

constexpr std::string_view StatValueName(StatValue v) {
    return kStatValueNames[static_cast<std::size_t>(v)];
}

// Finds a value by its name; false when there is none of that name.
bool StatValueFromName(std::string_view name, StatValue& out);

// The seam through which the meter reads the adapter's counters. Every value
// is a 32-bit counter that grows and wraps at 2^32 (ConnectSpeed aside, which
// is bits per second).
//
// Refresh() is called once at the start of every tick (and before the reads
// of a reset); the reads that follow in that tick answer from what it took, so
// all values of one tick belong together. A source that reads each value on
// its own may ignore it.
class CounterSource {
public:
    virtual ~CounterSource() = default;

    // Opens the source (the statistics key). False when it cannot be read at all.
    virtual bool Open() = 0;
    virtual void Close() = 0;

    virtual void Refresh() {}

    // One value; on failure false, and `value` is left as it was.
    virtual bool Query(StatValue name, std::uint32_t& value) = 0;

    // The byte counters (BytesXmit, BytesRecvd) as the 64-bit counts they
    // are the low half of, for a source that keeps them: after a pause of
    // the process they tell how often the 32-bit value wrapped meanwhile.
    // False (and `value` unchanged) for a source that has only 32 bits.
    virtual bool QueryWide(StatValue, std::uint64_t&) { return false; }

    // The `Interfaces` setting, given at the start and whenever the settings
    // are read again; a source that chooses its links takes effect on it at
    // the next Refresh.
    virtual void UseInterfaces(std::string_view /*list*/) {}

    // True when the source is open and counts no link at all, so that the
    // meter can say why it reads 0; PresentLinksInto then names the links
    // there are (blank-separated, at most capacity - 1 bytes and a NUL;
    // returns the length).
    virtual bool CountsNothing() const { return false; }
    virtual std::size_t PresentLinksInto(char* out, std::size_t capacity) const {
        if (capacity != 0) {
            out[0] = '\0';
        }
        return 0;
    }
};

}  // namespace trovik
