#pragma once

#include <cstdint>
#include <string_view>

#include "core/WindowHooks.h"
#include "ext/MessageBoxes.h"
#include "settings/SettingsStore.h"

namespace trovik {

// True when the command line holds the option "DEBUG" written directly after
// a "/": each "/" starts a word that runs to the next blank or "/", compared
// case-sensitively. Its only effect is the extension test command.
bool ParseDebugOption(std::string_view commandLine);

// The dialog template of a LayoutType: 1 → 140, 2 → 141, 3 → 143, 4 → 142,
// anything else → 102 (the standard layout).
unsigned LayoutTemplateFor(std::int32_t layoutType);

struct StartupDecision {
    bool run = false;  // false: end at once
    bool debugMode = false;
    unsigned layoutTemplate = 102;
};

// The program's initialisation before the meter window: a running meter that
// answered the single-instance ping has been raised, so this one ends
// quietly; a system the meter cannot run on ends with message 9.
StartupDecision DecideStartup(std::string_view commandLine, bool anotherMeterAnswered,
                              bool systemSupported, const SettingsStore& settings,
                              MessageBoxes& messages);

// The saved top-left corner of a window moved as little as needed to put the
// whole window on the screen (left and top win when the window is larger).
// Any 32-bit position is safe: nothing overflows.
ScreenPoint KeepOnScreen(ScreenPoint saved, ScreenSize window, ScreenRect screen);

}  // namespace trovik
