#pragma once

#include <cstdint>
#include <string>

#include "settings/AllowanceSettings.h"
#include "settings/SettingsStore.h"

namespace trovik {

// The meter's run-time copy of its settings, taken by LoadSettings at start
// and again after the settings sheet closes with OK. Values are already
// corrected and reduced (minutes to seconds, rule switches folded into their
// limits), so the tick never sees a value that would break its formulas.
struct MeterSettings {
    bool iconTitle = false;
    bool spanAll = false;
    bool showError = false;
    bool discOnError = false;
    bool discOnTimeUp = false;
    bool logFile = false;
    bool logStatics = false;
    bool logCumulate = false;
    bool meterInTray = false;
    bool idolTimeIgnoreTx = false;
    bool askExitFromPopup = true;

    std::uint32_t span = 30;  // ticks of 100 ms, 1 to 100
    std::uint32_t clickL = 0;
    std::uint32_t clickM = 0;
    std::uint32_t clickR = 0;
    std::uint32_t clickShiftL = 0;
    std::uint32_t clickShiftM = 0;
    std::uint32_t clickShiftR = 0;

    std::uint32_t idleLimit = 0;      // seconds; 0: idle hang-up off
    std::uint32_t shutdownAfter = 0;  // seconds offline; 0: auto-shutdown off
    std::uint32_t errorLimit = 3;
    std::uint32_t scaleTx = 2000;  // bytes per second, 1 to 100000000
    std::uint32_t scaleRx = 5000;
    std::uint32_t trayBitmap = 146;  // bitmap id of the tray meter images, 146 to 150

    AllowanceSettings allowance;
    // The links to count, blank-separated; empty: the meter's own choice.
    std::string interfaces;
    // Usage per application is counted and recorded.
    bool appUsage = true;
};

inline constexpr std::uint32_t kMaxScale = 100000000;
inline constexpr std::uint32_t kMaxSpan = 100;
// The ranges of the settings pages, in minutes and error ticks.
inline constexpr std::uint32_t kMinIdleMinutes = 1;
inline constexpr std::uint32_t kMaxIdleMinutes = 30;
inline constexpr std::uint32_t kMinShutdownMinutes = 1;
inline constexpr std::uint32_t kMaxShutdownMinutes = 720;
inline constexpr std::uint32_t kMinErrorLimit = 0;
inline constexpr std::uint32_t kMaxErrorLimit = 100;

// Reads the run-time settings with their defaults and corrections.
MeterSettings LoadSettings(const SettingsStore& store);

// A profile's first start (no settings file yet): the log, the cumulative
// totals and the weekly scope are switched on and stored, so a new user has
// records from the first call. A profile that exists keeps what it stored.
void WriteFirstStartDefaults(SettingsStore& store);

// The tray bitmap for a TrayIcon value: 0 to 4 give 146 to 150, anything else 146.
std::uint32_t TrayBitmapFor(std::int32_t trayIcon);

}  // namespace trovik
