#include "core/Startup.h"

#include <algorithm>
#include <cstdint>

#include "res/StringTable.h"

namespace trovik {

bool ParseDebugOption(std::string_view commandLine) {
    bool found = false;
    for (std::size_t i = commandLine.find('/'); i != std::string_view::npos;
         i = commandLine.find('/', i + 1)) {
        std::size_t end = i + 1;
        while (end < commandLine.size() && commandLine[end] != ' ' && commandLine[end] != '/') {
            ++end;
        }
        found = found || commandLine.substr(i + 1, end - i - 1) == "DEBUG";
    }
    return found;
}

unsigned LayoutTemplateFor(std::int32_t layoutType) {
    switch (layoutType) {
        case 1:
            return 140;
        case 2:
            return 141;
        case 3:
            return 143;
        case 4:
            return 142;
        default:
            return 102;
    }
}

namespace {

std::int32_t KeepInside(std::int32_t at, std::int32_t length, std::int32_t start,
                        std::int32_t extent) {
    const std::int64_t last = std::int64_t{start} + extent - std::max(length, 0);
    const std::int64_t kept = std::max<std::int64_t>(std::min<std::int64_t>(at, last), start);
    return static_cast<std::int32_t>(kept);
}

}  // namespace

ScreenPoint KeepOnScreen(ScreenPoint saved, ScreenSize window, ScreenRect screen) {
    return {KeepInside(saved.x, window.width, screen.x, screen.width),
            KeepInside(saved.y, window.height, screen.y, screen.height)};
}

StartupDecision DecideStartup(std::string_view commandLine, bool anotherMeterAnswered,
                              bool systemSupported, const SettingsStore& settings,
                              MessageBoxes& messages) {
    StartupDecision d;
    if (anotherMeterAnswered) {
        return d;
    }
    d.debugMode = ParseDebugOption(commandLine);
    if (!systemSupported) {
        messages.Show(kMsgUnsupportedSystem, LoadString(kMsgUnsupportedSystem), MessageIcon::Stop);
        return d;
    }
    d.layoutTemplate = LayoutTemplateFor(settings.GetInt(SettingKey::LayoutType, 0));
    d.run = true;
    return d;
}

}  // namespace trovik
