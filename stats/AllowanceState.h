#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "stats/Calendar.h"
#include "stats/FileImage.h"

namespace trovik {

// The data allowance's state ("<stem>.QTA"): the use of the billing period
// being counted, kept apart from the yearly totals so that it holds with
// LogCumulate off and across a crash, and the levels already reported in it.
// It keeps the period counted before as well, so that a clock set back into
// that period and put right again loses neither. A fixed image of exactly 56
// bytes, all numbers little-endian:
//
//   offset  size  content
//        0     8  magic "TrvikQA1" (its last character is the version)
//        8    24  the period counted last
//       32    24  the period counted before it; all zero: none
//
// A period:
//
//        0     2  first day: year, u16
//        2     1  first day: month, 1 to 12
//        3     1  first day: day, 1 to 31
//        4     2  last day: year, u16
//        6     1  last day: month
//        7     1  last day: day
//        8     8  kilobytes received plus sent in the period, u64
//       16     4  the allowance in MiB that the reported level is of, u32
//       20     1  the highest level reported, in percent of that allowance
//                 (0: none); every level at or below it counts as reported
//       21     3  zero
//
// A file of another length or with another magic is not this one's: it is
// read as unusable and left as it is.
inline constexpr std::size_t kAllowanceStateSize = 56;
inline constexpr std::string_view kAllowanceStateMagic = "TrvikQA1";
inline constexpr std::size_t kAllowancePeriodSize = 24;
static_assert(kAllowanceStateMagic.size() + 2 * kAllowancePeriodSize == kAllowanceStateSize);

// One period's entry; a first day of year 0 marks an empty one.
struct AllowancePeriodState {
    Date first{};
    Date last{};
    std::uint64_t usedKB = 0;
    std::uint32_t quotaMB = 0;
    std::uint32_t reportedPercent = 0;  // 0 to 100
};

// The file's contents: periods[0] was counted last, periods[1] before it.
struct AllowanceState {
    std::array<AllowancePeriodState, 2> periods{};
};

// The entry of the period from `first` to `last`, or none.
const AllowancePeriodState* FindAllowancePeriod(const AllowanceState& state, const Date& first,
                                                const Date& last);

// Makes `entry` the period counted last: it replaces the entry of the same
// period, and a new period pushes the last one into the second place (the
// one before it is dropped).
void PutAllowancePeriod(AllowanceState& state, const AllowancePeriodState& entry);

// The image as stored, and back; false (changing nothing) for an image that
// is not one (another magic, a day of month 0 or 13, a level above 100).
void EncodeAllowanceState(const AllowanceState& state,
                          std::span<std::uint8_t, kAllowanceStateSize> image);
bool DecodeAllowanceState(std::span<const std::uint8_t> image, AllowanceState& state);

// Reads the file: Read with `state` filled, Missing with it empty, or
// Unusable (it cannot be read, or it is not a state file of this length and
// magic) with it empty. An unusable file must not be replaced.
StoredFile ReadAllowanceState(const std::string& path, AllowanceState& state);

// Replaces the file as a whole, synced to disk like the records. False when
// it could not be done; the old file is then as it was. `scratch` is
// ReplaceFile's: the meter keeps one, so that its writes at the slow step
// allocate nothing.
bool WriteAllowanceState(const std::string& path, const AllowanceState& state,
                         std::string& scratch);
bool WriteAllowanceState(const std::string& path, const AllowanceState& state);

}  // namespace trovik
