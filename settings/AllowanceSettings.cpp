#include "settings/AllowanceSettings.h"

#include <algorithm>

namespace trovik {

AllowanceSettings LoadAllowanceSettings(const SettingsStore& store) {
    AllowanceSettings a;
    const std::int32_t quota = store.GetInt(kQuotaMBRange.key, kQuotaMBRange.defaultValue);
    a.quotaMB = static_cast<std::uint32_t>(std::clamp(quota, kQuotaMBRange.min, kQuotaMBRange.max));
    a.quotaKB = std::uint64_t{a.quotaMB} * 1024u;

    const std::int32_t warn = store.GetInt(kQuotaWarnRange.key, kQuotaWarnRange.defaultValue);
    a.warnPercent = static_cast<std::uint32_t>(
        warn < kQuotaWarnRange.min || warn > kQuotaWarnRange.max ? kQuotaWarnRange.defaultValue
                                                                 : warn);
    a.discOnQuota = store.GetBool(kDiscOnQuotaRange.key, kDiscOnQuotaRange.defaultValue != 0);
    a.notify = store.GetBool(kNotifyRange.key, kNotifyRange.defaultValue != 0);

    const std::int32_t day = store.GetInt(kTollCloseDayRange.key, kTollCloseDayRange.defaultValue);
    a.closeDay =
        static_cast<std::uint32_t>(std::clamp(day, kTollCloseDayRange.min, kTollCloseDayRange.max));
    return a;
}

}  // namespace trovik
