#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/AppUsageSource.h"
#include "platform/AppSocketLedger.h"

namespace trovik {

// Which application holds a TCP socket, told from what the kernel's socket
// dump gives for it (its cgroup and its inode):
//   - the desktop application whose unit the socket's cgroup is: the
//     desktop starts each application in a unit of its own, named
//     "app[-<launcher>]-<desktop id>-<random>.scope" or
//     "app[-<launcher>]-<desktop id>[@<random>].service";
//   - else the executable of the process that holds the socket, among the
//     processes whose descriptors this user may read;
//   - else no one ("other").

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

// Where the unified (v2) cgroup hierarchy is mounted, whose directories'
// inode numbers are the cgroup ids of the socket dump: /sys/fs/cgroup, or
// /sys/fs/cgroup/unified beside the v1 hierarchies.
std::string DefaultCgroupRoot();

// Names sockets for the usage per application. Used from one thread: a
// round is one dump of the sockets, and Name is called for the sockets not
// named before. What it looks up is kept: the cgroups' directories and what
// each names until a cgroup it does not know is asked for (walked again at
// most once a round), the processes' sockets for one round (read at most
// once a round, on the first socket that no cgroup names).
class AppNamer final : public SocketNamer {
public:
    static constexpr int kMaxCgroupDepth = 12;
    static constexpr std::size_t kMaxCgroups = 4096;
    static constexpr std::size_t kMaxProcessSockets = 64 * 1024;
    // A cgroup.procs longer than this (some thousand processes) names no
    // executable.
    static constexpr std::size_t kCgroupProcsReadLimit = 16 * 1024;

    // The roots are parameters so that tests work on trees of their own.
    explicit AppNamer(std::string cgroupRoot = DefaultCgroupRoot(), std::string procRoot = "/proc",
                      std::vector<std::string> applicationDirs = ApplicationDirs());

    // Starts a round: what /proc showed before may be stale, and a cgroup
    // not found before may be there now.
    void BeginRound() override;

    // Fills the key, the name and the icon of `out` for the socket of
    // cgroup `cgroupId` (0: none known) and inode `inode`:
    // "desktop:<desktop id>" with the desktop file's name (the id without
    // one) and icon, "exe:<executable's name>" with that name as name and
    // icon, or kOtherAppKey with kOtherAppName and no icon.
    void Name(std::uint64_t cgroupId, std::uint32_t inode, AppBytes& out) override;

    // Fills `out` for the traffic of cgroup `cgroupId` as a whole (the
    // accounting helper counts per cgroup, not per socket): the desktop
    // application whose unit it is, as Name does; else "exe:<name>" when
    // every process in it (its cgroup.procs) runs the one executable; else
    // "unit:<unit name>" with the unit's name ("session-2.scope"); else, for
    // the root and a cgroup not found, kOtherAppKey with kOtherAppName.
    void NameCgroup(std::uint64_t cgroupId, AppBytes& out);

private:
    // What a cgroup's unit names; an empty id: no application.
    struct DesktopApp {
        std::string id;
        std::string name;
        std::string icon;
    };

    const DesktopApp* AppOfCgroup(std::uint64_t cgroupId);
    DesktopApp ResolveUnit(std::string_view unitName) const;
    const std::string* ExecutableOfSocket(std::uint32_t inode);
    std::string ExecutableOfCgroup(const std::string& path) const;
    void WalkCgroups();
    void ScanProcesses();

    std::string cgroupRoot;
    std::string procRoot;
    std::vector<std::string> applicationDirs;

    // Each cgroup directory's path under the root, by its inode (the root's
    // own is empty).
    std::unordered_map<std::uint64_t, std::string> unitOfCgroup;
    // What each cgroup of unitOfCgroup names, once asked for; cgroup ids are
    // never used again, so an answer stays true while its cgroup is there.
    std::unordered_map<std::uint64_t, DesktopApp> appOfCgroup;
    // The socket inodes of the readable processes, to the index of their
    // process's executable name in `executables`.
    std::unordered_map<std::uint32_t, std::uint32_t> processOfSocket;
    std::vector<std::string> executables;
    bool walkedThisRound = false;
    bool scannedThisRound = false;
};

}  // namespace trovik
