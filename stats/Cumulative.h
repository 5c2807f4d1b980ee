#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "stats/DataFiles.h"
#include "stats/FileImage.h"

namespace trovik {

// The yearly cumulative totals file ("<stem>_2001.CUM"): a 4-byte header,
// always zero, then 403 day records of 104 bytes, little-endian. Records 0 to
// 30 hold December 1 to 31 of the year before (copied when the year's file is
// created), record 31 is January 1 (see DayIndex); records 397 to 402 stay
// zero.
inline constexpr std::size_t kCumulativeFileSize = 41916;
inline constexpr std::size_t kCumulativeHeaderSize = 4;
inline constexpr std::size_t kDayRecordSize = 104;
inline constexpr std::size_t kDayRecords = 403;
inline constexpr std::size_t kPreviousDecemberRecords = 31;
inline constexpr std::size_t kHourEntrySize = 4;
inline constexpr std::size_t kHoursPerDay = 24;
inline constexpr std::uint8_t kMaxHourConnections = 255;
static_assert(kCumulativeHeaderSize + kDayRecords * kDayRecordSize == kCumulativeFileSize);

// One hour of a day record: seconds connected (16 bits), connections that
// ended (8 bits, saturating at 255) and a reserved zero byte. A view into an
// image; `Byte` is const for a read-only view.
template <typename Byte>
class BasicHourEntry {
public:
    explicit BasicHourEntry(Byte* entry) : bytes(entry) {}

    std::uint16_t Seconds() const { return LoadLE16(bytes); }
    std::uint8_t Connections() const { return bytes[2]; }

    void SetSeconds(std::uint16_t seconds) const requires(!std::is_const_v<Byte>) {
        StoreLE16(bytes, seconds);
    }
    void SetConnections(std::uint8_t connections) const requires(!std::is_const_v<Byte>) {
        bytes[2] = connections;
    }

private:
    Byte* bytes;
};

// One calendar day of the file: kilobytes received and sent (32 bits each,
// summed modulo 2^32) and the 24 hour entries, local time.
template <typename Byte>
class BasicDayRecord {
public:
    explicit BasicDayRecord(Byte* record) : bytes(record) {}

    std::uint32_t RecvKB() const { return LoadLE32(bytes); }
    std::uint32_t SentKB() const { return LoadLE32(bytes + 4); }
    // Hour 0 to 23.
    BasicHourEntry<Byte> Hour(std::size_t hour) const {
        assert(hour < kHoursPerDay);
        return BasicHourEntry<Byte>(bytes + 8 + kHourEntrySize * hour);
    }

    void SetRecvKB(std::uint32_t kb) const requires(!std::is_const_v<Byte>) {
        StoreLE32(bytes, kb);
    }
    void SetSentKB(std::uint32_t kb) const requires(!std::is_const_v<Byte>) {
        StoreLE32(bytes + 4, kb);
    }

private:
    Byte* bytes;
};

using HourEntry = BasicHourEntry<std::uint8_t>;
using ConstHourEntry = BasicHourEntry<const std::uint8_t>;
using DayRecord = BasicDayRecord<std::uint8_t>;
using ConstDayRecord = BasicDayRecord<const std::uint8_t>;

// A whole year file in memory, exactly as stored.
class CumulativeImage {
public:
    // Record 0 to 402 (see DayIndex).
    DayRecord Record(std::size_t n) { return DayRecord(bytes.data() + Offset(n)); }
    ConstDayRecord Record(std::size_t n) const { return ConstDayRecord(bytes.data() + Offset(n)); }

    std::span<std::uint8_t, kCumulativeFileSize> Bytes() { return bytes; }
    std::span<const std::uint8_t, kCumulativeFileSize> Bytes() const { return bytes; }

    void Clear() { bytes.fill(0); }

private:
    static std::size_t Offset(std::size_t n) {
        assert(n < kDayRecords);
        return kCumulativeHeaderSize + kDayRecordSize * n;
    }

    std::array<std::uint8_t, kCumulativeFileSize> bytes{};
};

// One closed accumulation interval, counted as a whole to the local day and
// hour in which it began.
struct CumulativeInterval {
    std::int64_t startTime = 0;  // calendar time in seconds
    std::uint32_t recvKB = 0;
    std::uint32_t sentKB = 0;
    std::uint32_t seconds = 0;  // connected seconds
    std::uint32_t connectionsEnded = 0;
};

// Adds the interval to the file of its start's local year: received and sent
// KB to the day (modulo 2^32), seconds to the hour (held at 65,535 rather
// than wrapped), ended connections to the hour (held at 255). A year file
// that does not exist yet is created with the previous year's December in
// records 0 to 30 (zero when that file is missing). The file is replaced as a
// whole and flushed to disk. False when the year file can be neither read
// nor written (a directory in its place, an unwritable directory, a file
// that exists but cannot be read): nothing was changed, and the caller keeps
// its accumulators for the next attempt.
bool AddCumulativeInterval(const DataFiles& files, const CumulativeInterval& interval);

// Reads a year's file into `image`: a short file reads as zeros after its
// end, a longer one up to the format's size. Records 0 to 30 always come from
// the December of the previous year's file (zero when it is missing), never
// from the year file itself. True when the year's own file exists and could
// be read.
bool ReadCumulativeYear(const DataFiles& files, unsigned year, CumulativeImage& image);

}  // namespace trovik
