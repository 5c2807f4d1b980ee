#pragma once

#include <cstdint>
#include <string_view>

namespace trovik {

// A settings key, identified by the string-table entry that holds its name.
// The enumerators are spelled exactly as the keys are stored.
enum class SettingKey : std::uint16_t {
    ScaleTx = 100,
    ScaleRx = 101,
    TopMost = 102,
    IconTitle = 103,
    SpanAll = 104,
    ShowError = 105,
    IdolTimer = 106,
    DiscOnError = 107,
    DiscOnTimeUp = 108,
    Span = 109,
    ClickL = 110,
    ClickM = 111,
    ClickR = 112,
    DiscOnIdol = 113,
    ErrorLimit = 114,
    WndPosX = 115,
    WndPosY = 116,
    GraphMode = 117,
    LogFile = 118,
    ShutDownTimeout = 119,
    ShutDownTimer = 120,
    ClickShiftL = 121,
    ClickShiftM = 122,
    ClickShiftR = 123,
    LayoutType = 124,
    SystemTick = 125,
    LogStatics = 126,
    TollCloseDay = 127,
    IdolTimeIgnoreTx = 128,
    TrayIconOnStart = 129,
    MeterInTray = 130,
    TrayIcon = 131,
    AskExitFromPopup = 132,
    CumulateRX = 133,  // 133 to 136: names only, never read or written
    CumulateTX = 134,
    CumulateToll = 135,
    CumulateFree = 136,
    LogCumulate = 137,
    DefaultTollType = 138,
    TollTypesDispMask = 139,
    ExtDLL = 140,
    // Blank-separated interface names that stand for the dial-up adapter
    // (wwan0, usb0, ...); empty: every PPP link.
    Interfaces = 141,
    // The data allowance of a billing period and desktop notifications
    // (ranges and defaults in settings/AllowanceSettings.h).
    QuotaMB = 142,
    QuotaWarn = 143,
    DiscOnQuota = 144,
    Notify = 145,
    // 0/1: the bytes of each application are counted and recorded.
    AppUsage = 146,
};

// The stored name of a key, from the string table.
std::string_view SettingKeyName(SettingKey key);

// The section that holds the keys.
inline constexpr std::string_view kSettingsSection = "Settings";

}  // namespace trovik
