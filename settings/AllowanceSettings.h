#pragma once

#include <cstdint>

#include "settings/SettingsStore.h"

namespace trovik {

// An integer key's default and the range a settings page lets the user enter.
struct IntKeyRange {
    SettingKey key;
    std::int32_t defaultValue;
    std::int32_t min;
    std::int32_t max;
};

// The data allowance per billing period, in MiB; 0 means none. The upper end
// is 10 TiB.
inline constexpr IntKeyRange kQuotaMBRange{SettingKey::QuotaMB, 0, 0, 10485760};
// Percent of the allowance at which the warning goes out.
inline constexpr IntKeyRange kQuotaWarnRange{SettingKey::QuotaWarn, 80, 1, 100};
// 0/1: hang up when the allowance is used up, and at every new connection
// while it stays used up.
inline constexpr IntKeyRange kDiscOnQuotaRange{SettingKey::DiscOnQuota, 0, 0, 1};
// 0/1: automatic actions reach the user as desktop notifications.
inline constexpr IntKeyRange kNotifyRange{SettingKey::Notify, 1, 0, 1};
// The closing day of the billing period, shared with the charges.
inline constexpr IntKeyRange kTollCloseDayRange{SettingKey::TollCloseDay, 10, 1, 28};

// The meter's copy of the allowance and notification settings. With the
// defaults nothing changes: no allowance, so no warning, no hang-up and the
// tray tip stays the program's title.
struct AllowanceSettings {
    std::uint32_t quotaMB = 0;
    std::uint64_t quotaKB = 0;       // quotaMB × 1024; 0: no allowance
    std::uint32_t warnPercent = 80;  // 1 to 100
    bool discOnQuota = false;
    bool notify = true;
    std::uint32_t closeDay = 10;  // TollCloseDay, 1 to 28
};

// Reads them with their defaults. An allowance below 0 reads as none and one
// above the range as the range's end; a warning level outside 1 to 100 as
// 80; a closing day outside 1 to 28 is pulled to the nearer end, as the
// cumulative info's closing-day control does.
AllowanceSettings LoadAllowanceSettings(const SettingsStore& store);

}  // namespace trovik
