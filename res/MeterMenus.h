#pragma once

#include <span>
#include <string_view>

namespace trovik {

// One entry of the meter's menus: a command id with its text in the popup
// menu (135) and in the system menu; id 0 is a separator.
struct MeterMenuItem {
    unsigned id;
    std::string_view popupText;   // empty: not in the popup menu
    std::string_view systemText;  // empty: not in the system menu
};

// Both menus in their order from the top. The system menu shows the entries
// with a system text (the exit command has none) and "テスト(&T)" (304) only
// in debug mode; the popup menu shows those with a popup text.
std::span<const MeterMenuItem> MeterMenuItems();

inline constexpr unsigned kExtTestCommand = 304;
inline constexpr std::string_view kExtTestMenuText = "テスト(&T)";

}  // namespace trovik
