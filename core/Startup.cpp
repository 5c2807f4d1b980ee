#include "core/Startup.h"

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
