#include "stats/AllowanceState.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace trovik {
namespace {

bool SameDate(const Date& a, const Date& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool IsDate(const Date& d) {
    return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31;
}

void StoreDate(std::uint8_t* p, const Date& d) {
    StoreLE16(p, static_cast<std::uint16_t>(d.year));
    p[2] = static_cast<std::uint8_t>(d.month);
    p[3] = static_cast<std::uint8_t>(d.day);
}

Date LoadDate(const std::uint8_t* p) {
    return {LoadLE16(p), p[2], p[3]};
}

void StorePeriod(std::uint8_t* p, const AllowancePeriodState& s) {
    std::fill_n(p, kAllowancePeriodSize, std::uint8_t{0});
    if (s.first.year == 0) {
        return;
    }
    StoreDate(p, s.first);
    StoreDate(p + 4, s.last);
    StoreLE64(p + 8, s.usedKB);
    StoreLE32(p + 16, s.quotaMB);
    p[20] = static_cast<std::uint8_t>(std::min<std::uint32_t>(s.reportedPercent, 100));
}

bool LoadPeriod(const std::uint8_t* p, AllowancePeriodState& s) {
    s = {};
    const Date first = LoadDate(p);
    if (first.year == 0) {
        return true;
    }
    s.first = first;
    s.last = LoadDate(p + 4);
    s.usedKB = LoadLE64(p + 8);
    s.quotaMB = LoadLE32(p + 16);
    s.reportedPercent = p[20];
    return IsDate(s.first) && IsDate(s.last) && s.reportedPercent <= 100;
}

}  // namespace

const AllowancePeriodState* FindAllowancePeriod(const AllowanceState& state, const Date& first,
                                                const Date& last) {
    for (const AllowancePeriodState& entry : state.periods) {
        if (entry.first.year != 0 && SameDate(entry.first, first) && SameDate(entry.last, last)) {
            return &entry;
        }
    }
    return nullptr;
}

void PutAllowancePeriod(AllowanceState& state, const AllowancePeriodState& entry) {
    // Another period than the latest moves the latest into the second
    // place; when that other one was second, the two change places.
    AllowancePeriodState& latest = state.periods[0];
    if (!SameDate(latest.first, entry.first) || !SameDate(latest.last, entry.last)) {
        state.periods[1] = latest;
    }
    latest = entry;
}

void EncodeAllowanceState(const AllowanceState& state,
                          std::span<std::uint8_t, kAllowanceStateSize> image) {
    std::copy(kAllowanceStateMagic.begin(), kAllowanceStateMagic.end(), image.begin());
    for (std::size_t i = 0; i < state.periods.size(); ++i) {
        StorePeriod(image.data() + kAllowanceStateMagic.size() + i * kAllowancePeriodSize,
                    state.periods[i]);
    }
}

bool DecodeAllowanceState(std::span<const std::uint8_t> image, AllowanceState& state) {
    if (image.size() != kAllowanceStateSize ||
        !std::equal(kAllowanceStateMagic.begin(), kAllowanceStateMagic.end(), image.begin())) {
        return false;
    }
    AllowanceState read;
    for (std::size_t i = 0; i < read.periods.size(); ++i) {
        if (!LoadPeriod(image.data() + kAllowanceStateMagic.size() + i * kAllowancePeriodSize,
                        read.periods[i])) {
            return false;
        }
    }
    state = read;
    return true;
}

StoredFile ReadAllowanceState(const std::string& path, AllowanceState& state) {
    state = {};
    // One byte more than the image, so that a longer file shows.
    std::array<std::uint8_t, kAllowanceStateSize + 1> bytes{};
    const auto n = ReadFileInto(path, bytes);
    if (!n) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT ? StoredFile::Missing
                                                                  : StoredFile::Unusable;
    }
    if (*n != kAllowanceStateSize ||
        !DecodeAllowanceState(std::span(bytes).first(kAllowanceStateSize), state)) {
        state = {};
        return StoredFile::Unusable;
    }
    return StoredFile::Read;
}

bool WriteAllowanceState(const std::string& path, const AllowanceState& state,
                         std::string& scratch) {
    std::array<std::uint8_t, kAllowanceStateSize> image{};
    EncodeAllowanceState(state, image);
    return ReplaceFile(path, image, Durability::Synced, scratch);
}

bool WriteAllowanceState(const std::string& path, const AllowanceState& state) {
    std::string scratch;
    return WriteAllowanceState(path, state, scratch);
}

}  // namespace trovik
