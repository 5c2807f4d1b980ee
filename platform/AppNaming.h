#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trovik {

// The desktop id that a unit's name (a cgroup directory's last component)
// names, or empty when the unit is not an application's. The unit's words
// are parted by '-', and the desktop id's own '-' and other bytes are
// escaped as "\xNN". What stays after "app-", the unit's type and its random
// part is "<launcher>-<id>" or "<id>": the first of the two readings whose
// desktop file `exists` says is there wins, the whole first; when neither
// is, the first word is taken for a launcher only when it is one of the
// desktops' and launchers' own names (gnome, kde, flatpak, ...). An id that
// could name a path outside the applications' directories ('/', a leading
// '.') is none.
std::string DesktopIdOfUnit(std::string_view unitName,
                            const std::function<bool(const std::string& desktopId)>& exists);

// The directories desktop files are looked up in, first the one that
// overrides the others: $XDG_DATA_HOME/applications (~/.local/share), then
// each directory of $XDG_DATA_DIRS (/usr/local/share:/usr/share) with
// "applications" added. Relative entries are left out.
std::vector<std::string> ApplicationDirs();

// The path of the desktop file of `desktopId` in the first of `dirs` that
// has one, or empty. In a directory, "a-b-c" is "a-b-c.desktop" or, where a
// subdirectory holds it, "a/b-c.desktop", "a-b/c.desktop", "a/b/c.desktop".
std::string FindDesktopFile(std::string_view desktopId, const std::vector<std::string>& dirs);

// What the meter shows of a desktop file: from its [Desktop Entry] group,
// the Japanese name (Name[ja_JP], else Name[ja]) or else the plain Name, and
// the Icon, with the escapes \s \n \t \r \\ undone. Empty when not given.
struct DesktopEntry {
    std::string name;
    std::string icon;
};

inline constexpr std::size_t kDesktopFileReadLimit = 64 * 1024;

DesktopEntry ParseDesktopEntry(std::string_view text);

// The entry of the regular file at `path`, of which the first
// kDesktopFileReadLimit bytes are read (the [Desktop Entry] group comes
// first); nullopt when it is not a regular file or cannot be read.
std::optional<DesktopEntry> ReadDesktopEntry(const std::string& path);

}  // namespace trovik
