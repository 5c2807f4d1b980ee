#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "plugins/pelkin/BarDrawing.h"

namespace trovik::pelkin {

inline constexpr std::string_view kTitle = "Trovik拡張DLL - 巨大棒グラフの表示";
inline constexpr std::string_view kIniFileName = "TrvikPelkin.ini";
inline constexpr std::string_view kIniSection = "Config";
inline constexpr std::string_view kKeyPosition = "Position";
inline constexpr std::string_view kKeySize = "Size";
inline constexpr std::string_view kKeyColorBase = "ColorBase";
inline constexpr std::string_view kKeyColorTx = "ColorTx";
inline constexpr std::string_view kKeyColorRx = "ColorRx";

// "Size" when the INI file has none: Open makes an 11-pixel window, while the
// dialog proposes 8 (and stores whatever it shows).
inline constexpr std::uint32_t kOpenSizeDefault = 11;
inline constexpr std::uint32_t kDialogSizeDefault = 8;
inline constexpr std::uint32_t kMinSize = 7;
inline constexpr std::uint32_t kMaxSize = 64;

inline constexpr std::string_view kMsgNoWindow = "ウィンドウ作成失敗。";

struct BarSettings {
    std::uint32_t position = kLeft;
    std::uint32_t size = kOpenSizeDefault;
    BarColors colors;
};

// The INI file's values with their defaults, "Size" defaulting to `sizeDefault`.
BarSettings ReadBarSettings(const std::string& iniPath, std::uint32_t sizeDefault);

// Stores all five values as decimal text. False when the file could not be
// written.
bool WriteBarSettings(const std::string& iniPath, const BarSettings& settings);

}  // namespace trovik::pelkin
