#pragma once

#include <string>
#include <string_view>

#include "settings/LoginStart.h"

namespace trovik {

// Start at login, by the desktop's autostart rule: an entry named
// "trovik.desktop" in $XDG_CONFIG_HOME/autostart (~/.config/autostart). The
// entry itself is the setting: the meter starts at login exactly when the
// entry is there and not switched off (Hidden=true, or the GNOME key set to
// false), so nothing is stored twice.

// $XDG_CONFIG_HOME/autostart/trovik.desktop, or under $HOME/.config.
std::string AutostartEntryPath();

// Whether the entry at `path` starts the meter at login.
bool IsAutostartEnabled(const std::string& path);

// Writes the entry (replaced as a whole, its folder made when missing) or
// removes it. The entry starts `command`: "trovik" when that name on PATH
// leads to the running program, else the running program's own path.
// False when it could not be done; the old state then stands.
bool SetAutostart(const std::string& path, bool enabled, const std::string& command);

// The command an entry should start for the program file `programPath`,
// given the search path `searchPath` (as in $PATH).
std::string AutostartCommand(const std::string& programPath, std::string_view searchPath);

// The entry's text for a command (quoted by the desktop-entry rules).
std::string AutostartEntryText(const std::string& command);

// Start at login as the settings sheet sees it: the entry at `path`, which
// when switched on starts the program file `programPath` (by its short name
// when $PATH, read at that moment, leads to it).
class AutostartEntry final : public LoginStart {
public:
    AutostartEntry(std::string path, std::string programPath);

    bool Enabled() const override;
    bool Set(bool enabled) override;
    std::string Location() const override { return path; }

private:
    std::string path;
    std::string programPath;
};

}  // namespace trovik
