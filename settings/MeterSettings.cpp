#include "settings/MeterSettings.h"

#include <algorithm>

namespace trovik {

std::uint32_t TrayBitmapFor(std::int32_t trayIcon) {
    if (trayIcon < 0 || trayIcon > 4) {
        return 146;
    }
    return 146 + static_cast<std::uint32_t>(trayIcon);
}

namespace {

std::uint32_t Within(std::int32_t value, std::uint32_t low, std::uint32_t high) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, low, high));
}

}  // namespace

MeterSettings LoadSettings(const SettingsStore& store) {
    auto u32 = [&](SettingKey key, std::int32_t def) {
        return static_cast<std::uint32_t>(store.GetInt(key, def));
    };
    MeterSettings s;
    s.iconTitle = store.GetBool(SettingKey::IconTitle, false);
    s.spanAll = store.GetBool(SettingKey::SpanAll, false);
    s.showError = store.GetBool(SettingKey::ShowError, false);
    s.discOnError = store.GetBool(SettingKey::DiscOnError, false);
    s.discOnTimeUp = store.GetBool(SettingKey::DiscOnTimeUp, false);
    s.logFile = store.GetBool(SettingKey::LogFile, false);
    s.logStatics = store.GetBool(SettingKey::LogStatics, false);
    // Unset reads as on, as the settings sheet shows it: the box the user
    // sees ticked is what the meter does.
    s.logCumulate = store.GetBool(SettingKey::LogCumulate, true);
    s.meterInTray = store.GetBool(SettingKey::MeterInTray, false);
    s.interfaces = store.GetString(SettingKey::Interfaces);
    s.appUsage = store.GetBool(SettingKey::AppUsage, true);

    s.span = u32(SettingKey::Span, 30);
    s.clickL = u32(SettingKey::ClickL, 0);
    s.clickM = u32(SettingKey::ClickM, 0);
    s.clickR = u32(SettingKey::ClickR, 0);
    s.clickShiftL = u32(SettingKey::ClickShiftL, 0);
    s.clickShiftM = u32(SettingKey::ClickShiftM, 0);
    s.clickShiftR = u32(SettingKey::ClickShiftR, 0);

    // Kept within the ranges the settings pages accept, so that a
    // hand-edited value can neither wrap when minutes become seconds nor
    // switch a rule off or on by accident.
    s.idleLimit =
        Within(store.GetInt(SettingKey::IdolTimer, 10), kMinIdleMinutes, kMaxIdleMinutes) * 60u;
    s.idolTimeIgnoreTx = store.GetBool(SettingKey::IdolTimeIgnoreTx, false);
    s.shutdownAfter = Within(store.GetInt(SettingKey::ShutDownTimeout, 30), kMinShutdownMinutes,
                             kMaxShutdownMinutes) *
                      60u;
    s.errorLimit = Within(store.GetInt(SettingKey::ErrorLimit, 3), kMinErrorLimit, kMaxErrorLimit);
    s.scaleTx = u32(SettingKey::ScaleTx, 2000);
    s.scaleRx = u32(SettingKey::ScaleRx, 5000);
    s.askExitFromPopup = store.GetBool(SettingKey::AskExitFromPopup, true);

    s.trayBitmap = TrayBitmapFor(store.GetInt(SettingKey::TrayIcon, 0));

    if (!store.GetBool(SettingKey::DiscOnIdol, false)) {
        s.idleLimit = 0;
    }
    if (!store.GetBool(SettingKey::ShutDownTimer, false)) {
        s.shutdownAfter = 0;
    }

    if (s.scaleTx == 0 || s.scaleTx > kMaxScale) {
        s.scaleTx = 2000;
    }
    if (s.scaleRx == 0 || s.scaleRx > kMaxScale) {
        s.scaleRx = 5000;
    }
    if (s.span == 0 || s.span > kMaxSpan) {
        s.span = 30;
    }
    s.allowance = LoadAllowanceSettings(store);
    return s;
}

void WriteFirstStartDefaults(SettingsStore& store) {
    store.PutInt(SettingKey::LogFile, 1);
    store.PutInt(SettingKey::LogCumulate, 1);
    store.PutInt(SettingKey::LogStatics, 1);
}

}  // namespace trovik
