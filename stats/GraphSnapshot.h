#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "stats/Calendar.h"
#include "stats/RateHistory.h"

namespace trovik {

// The graph snapshot: the rate history as it stood at the last exit, for the
// log viewer. A fixed image of exactly 6260 bytes, all numbers little-endian:
//
//   offset  size  content
//        0     8  magic "TrvikGD1"
//        8     1  month of writing, 1 to 12 (local time)
//        9     1  day of month, 1 to 31
//       10     1  hour, 0 to 23
//       11     1  minute, 0 to 59
//       12     4  ScaleTx at writing, u32
//       16     4  ScaleRx at writing, u32
//       20  1920  historySent: 4 levels of 120 u32, level L at 480 * L
//     1940  1920  historyRecv, the same shape
//     3860  1920  historyRecvAvg, the same shape
//     5780   480  historyEvents: 4 levels of 120 bytes
//
// Within a level, index 0 (the newest point) comes first. A file of another
// length or with another magic counts as absent.
inline constexpr std::size_t kGraphSnapshotSize = 6260;
inline constexpr std::string_view kGraphSnapshotMagic = "TrvikGD1";
inline constexpr std::size_t kGraphSnapshotHeaderSize = 20;

// The 20-byte header: when the snapshot was written and the two full scales.
struct GraphSnapshotHeader {
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint32_t scaleTx = 0;
    std::uint32_t scaleRx = 0;
};

// Replaces the snapshot at `path` with the four history series, stamped with
// `now` (month, day, hour, minute). Written atomically and synced (it is
// written once per exit, also just before the machine shuts down). True when
// the file was written; on failure the old file is left as it was.
bool SaveGraphSnapshot(const std::string& path, const LocalTime& now, std::uint32_t scaleTx,
                       std::uint32_t scaleRx, const RateHistory& history);

// True when the file exists, is exactly kGraphSnapshotSize bytes long and
// begins with the magic.
bool IsGraphSnapshotValid(const std::string& path);

// When the snapshot is valid, fills `header` and the four series of `history`
// (historySent, historyRecv, historyRecvAvg, historyEvents) and returns true;
// historyFill and historyUpdated are left as they are. Otherwise returns
// false and changes nothing. The file is read once, so a file that changes
// meanwhile cannot yield a mixed result.
bool LoadGraphSnapshot(const std::string& path, GraphSnapshotHeader& header, RateHistory& history);

}  // namespace trovik
