#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

#include "stats/DataFiles.h"
#include "stats/FileImage.h"

namespace trovik {

// The weekly scope file ("<stem>.STA"): 1,008 ten-minute slots of the week,
// Sunday 00:00 first. The latest average receive rate of slot s (bytes per
// second, 32 bits) lies at 4 s, the highest ever measured at 4,032 + 4 s,
// little-endian. Zero in both halves: never measured.
inline constexpr std::size_t kScopeSlots = 1008;
inline constexpr std::size_t kScopeSlotsPerDay = 144;
inline constexpr std::size_t kScopeDays = 7;
inline constexpr std::size_t kScopeHighestOffset = 4 * kScopeSlots;
inline constexpr std::size_t kScopeFileSize = 8 * kScopeSlots;

// weekday × 144 + hour × 6 + minute ÷ 10 (weekday 0 = Sunday, local time);
// 0 to 1,007 for weekday 0 to 6, hour 0 to 23 and minute 0 to 59.
inline unsigned ScopeSlot(unsigned weekday, unsigned hour, unsigned minute) {
    return weekday * 144 + hour * 6 + minute / 10;
}

// The whole weekly scope file in memory, exactly as stored.
class ScopeImage {
public:
    // Slot 0 to 1,007.
    std::uint32_t Latest(std::size_t slot) const { return LoadLE32(bytes.data() + Offset(slot)); }
    std::uint32_t Highest(std::size_t slot) const {
        return LoadLE32(bytes.data() + kScopeHighestOffset + Offset(slot));
    }
    void SetLatest(std::size_t slot, std::uint32_t rate) {
        StoreLE32(bytes.data() + Offset(slot), rate);
    }
    void SetHighest(std::size_t slot, std::uint32_t rate) {
        StoreLE32(bytes.data() + kScopeHighestOffset + Offset(slot), rate);
    }

    std::span<std::uint8_t, kScopeFileSize> Bytes() { return bytes; }
    std::span<const std::uint8_t, kScopeFileSize> Bytes() const { return bytes; }

    void Clear() { bytes.fill(0); }

private:
    static std::size_t Offset(std::size_t slot) {
        assert(slot < kScopeSlots);
        return 4 * slot;
    }

    std::array<std::uint8_t, kScopeFileSize> bytes{};
};

// Stores one ten-minute average: latest of the slot = rate, highest = rate
// when rate is not below it. Weekday 0 (Sunday) to 6, slot of the day 0 to
// 143. The file is replaced as a whole, flushed to disk, and thereby made
// full length (created when missing). False when the arguments are out of
// range or the file can be neither read nor written; the sample is then lost.
bool RecordScopeSample(const DataFiles& files, std::uint32_t rate, unsigned weekday,
                       unsigned slotOfDay);

// Reads the file into `image`: zero after the end of a short file, a longer
// one up to the format's size. A missing file is created empty. False, with
// an all-zero image, when the file can be neither read nor created.
bool LoadWeeklyScope(const DataFiles& files, ScopeImage& image);

// Raises every slot's highest value to its latest where it is below, and
// writes the file back whole (creating it at full length when missing).
// False when the file can be neither read nor written.
bool RepairWeeklyScope(const DataFiles& files);

}  // namespace trovik
