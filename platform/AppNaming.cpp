#include "platform/AppNaming.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <span>
#include <utility>

#include "stats/AppUsageDb.h"

namespace trovik {
namespace {

// The words that stand for who started an application, not for what it is,
// in the units the desktops and the sandboxes make.
constexpr std::string_view kLaunchers[] = {
    "budgie", "cinnamon", "flatpak", "glib", "gnome", "kde", "lxqt", "mate", "snap", "xfce",
};

// A desktop file may sit this many subdirectories deep.
constexpr int kMaxDesktopSubdirs = 4;

bool IsLauncher(std::string_view word) {
    for (const std::string_view launcher : kLaunchers) {
        if (word == launcher) {
            return true;
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Undoes the unit names' "\xNN"; a backslash that starts no such escape is
// kept as it is.
std::string UnescapeUnit(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            const int high = HexDigit(text[i + 2]);
            const int low = HexDigit(text[i + 3]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// A desktop id becomes a file name: one that could lead out of the
// applications' directories, or that no file could have, is none.
bool IsDesktopId(std::string_view id) {
    if (id.empty() || id.size() > 255 || id.front() == '.' || id.front() == '-') {
        return false;
    }
    for (const char c : id) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return true;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FindIn(const std::string& dir, std::string_view id, int subdirs) {
    std::string file = dir + '/';
    file.append(id);
    file += ".desktop";
    if (IsRegularFile(file)) {
        return file;
    }
    if (subdirs == 0) {
        return {};
    }
    for (auto dash = id.find('-'); dash != std::string_view::npos; dash = id.find('-', dash + 1)) {
        if (dash == 0 || dash + 1 == id.size()) {
            continue;
        }
        std::string sub = dir + '/';
        sub.append(id.substr(0, dash));
        if (IsDirectory(sub)) {
            std::string found = FindIn(sub, id.substr(dash + 1), subdirs - 1);
            if (!found.empty()) {
                return found;
            }
        }
    }
    return {};
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string UnescapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[i + 1]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                continue;  // the next character is read as itself
        }
        ++i;
    }
    return out;
}

bool IsCgroup2(const char* path) {
    struct statfs fs {};
    return ::statfs(path, &fs) == 0 && fs.f_type == CGROUP2_SUPER_MAGIC;
}

// Adds the directories under the open directory `dirFd` (taken over and
// closed) to `units`, by their inodes, depth first. The walk stays on the
// root's file system: beside the v2 hierarchy the v1 hierarchies are mounts
// of their own whose inode numbers mean other cgroups.
void WalkInto(int dirFd, const std::string& under, dev_t device, int depth, std::size_t& budget,
              std::unordered_map<std::uint64_t, std::string>& units) {
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return;
    }
    const dirent* entry = nullptr;
    while (budget > 0 && (entry = ::readdir(dir)) != nullptr) {
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) {
            continue;  // cgroup files such as cgroup.procs
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(st.st_mode) || st.st_dev != device) {
            continue;
        }
        --budget;
        std::string path = under.empty() ? std::string(name) : under + '/' + std::string(name);
        if (depth < AppNamer::kMaxCgroupDepth) {
            const int child = ::openat(::dirfd(dir), entry->d_name,
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                WalkInto(child, path, device, depth + 1, budget, units);
            }
        }
        units.insert_or_assign(static_cast<std::uint64_t>(st.st_ino), std::move(path));
    }
    ::closedir(dir);
}

// The inode of a descriptor's link target "socket:[<inode>]"; 0 for any
// other target (files, pipes, anonymous inodes).
std::uint32_t SocketInode(std::string_view target) {
    constexpr std::string_view kPrefix = "socket:[";
    if (!target.starts_with(kPrefix) || !target.ends_with(']')) {
        return 0;
    }
    std::uint32_t inode = 0;
    const char* first = target.data() + kPrefix.size();
    const char* last = target.data() + target.size() - 1;
    const auto [end, error] = std::from_chars(first, last, inode);
    return error == std::errc{} && end == last ? inode : 0;
}

// A link's target in `buffer`; empty when it is no link or too long.
std::string_view ReadLinkAt(int dirFd, const char* name, std::span<char> buffer) {
    const ssize_t n = ::readlinkat(dirFd, name, buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
        return {};
    }
    return std::string_view(buffer.data(), static_cast<std::size_t>(n));
}

// The name of the executable of the process whose /proc directory is open
// as `pidFd`: its file's name, or the kernel's short name of the process
// when the file is hidden from this user.
std::string ExecutableName(int pidFd) {
    std::array<char, 4096> target{};
    std::string_view exe = ReadLinkAt(pidFd, "exe", target);
    constexpr std::string_view kDeleted = " (deleted)";  // replaced since it started
    if (exe.ends_with(kDeleted)) {
        exe.remove_suffix(kDeleted.size());
    }
    if (const auto slash = exe.rfind('/'); slash != std::string_view::npos) {
        exe.remove_prefix(slash + 1);
    }
    if (!exe.empty()) {
        return std::string(exe);
    }
    const int file = ::openat(pidFd, "comm", O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return {};
    }
    std::array<char, 64> comm{};
    ssize_t n = 0;
    do {
        n = ::read(file, comm.data(), comm.size());
    } while (n < 0 && errno == EINTR);
    ::close(file);
    if (n <= 0) {
        return {};
    }
    std::string_view name(comm.data(), static_cast<std::size_t>(n));
    if (name.ends_with('\n')) {
        name.remove_suffix(1);
    }
    return std::string(name);
}

bool IsProcessId(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string_view LastComponent(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void FillText(AppBytes& out, std::string_view key, std::string_view name, std::string_view icon) {
    CopyAppText(out.key, key);
    CopyAppText(out.name, name);
    // A cut path leads nowhere: an icon too long for its field is left out.
    CopyAppText(out.icon, icon.size() < out.icon.size() ? icon : std::string_view{});
}

}  // namespace

std::string DesktopIdOfUnit(std::string_view unitName,
                            const std::function<bool(const std::string& desktopId)>& exists) {
    constexpr std::string_view kPrefix = "app-";
    constexpr std::string_view kScope = ".scope";
    constexpr std::string_view kService = ".service";
    if (!unitName.starts_with(kPrefix)) {
        return {};
    }
    std::string_view rest = unitName.substr(kPrefix.size());
    if (rest.ends_with(kScope)) {
        rest.remove_suffix(kScope.size());
        // A scope's last word is its random part (often the process id).
        const auto dash = rest.rfind('-');
        if (dash == std::string_view::npos) {
            return {};
        }
        rest = rest.substr(0, dash);
    } else if (rest.ends_with(kService)) {
        rest.remove_suffix(kService.size());
    } else {
        return {};
    }
    rest = rest.substr(0, rest.find('@'));
    if (rest.empty()) {
        return {};
    }

    std::string whole = UnescapeUnit(rest);
    const auto dash = rest.find('-');
    if (dash == std::string_view::npos) {
        return IsDesktopId(whole) && !IsLauncher(whole) ? whole : std::string();
    }
    std::string withoutLauncher = UnescapeUnit(rest.substr(dash + 1));
    const bool wholeIsId = IsDesktopId(whole);
    const bool restIsId = IsDesktopId(withoutLauncher);
    if (wholeIsId && exists(whole)) {
        return whole;
    }
    if (restIsId && exists(withoutLauncher)) {
        return withoutLauncher;
    }
    if (IsLauncher(rest.substr(0, dash))) {
        return restIsId ? withoutLauncher : std::string();
    }
    return wholeIsId ? whole : std::string();
}

std::vector<std::string> ApplicationDirs() {
    std::vector<std::string> dirs;
    const auto add = [&dirs](std::string_view dir, std::string_view under) {
        while (dir.size() > 1 && dir.ends_with('/')) {
            dir.remove_suffix(1);
        }
        std::string path(dir);
        path += under;
        dirs.push_back(std::move(path));
    };
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
        add(data, "/applications");
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        add(home, "/.local/share/applications");
    }
    const char* system = std::getenv("XDG_DATA_DIRS");
    std::string_view rest =
        system != nullptr && *system != '\0' ? system : "/usr/local/share:/usr/share";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
        if (!dir.empty() && dir.front() == '/') {
            add(dir, "/applications");
        }
    }
    return dirs;
}

std::string FindDesktopFile(std::string_view desktopId, const std::vector<std::string>& dirs) {
    if (!IsDesktopId(desktopId)) {
        return {};
    }
    for (const std::string& dir : dirs) {
        std::string found = FindIn(dir, desktopId, kMaxDesktopSubdirs);
        if (!found.empty()) {
            return found;
        }
    }
    return {};
}

DesktopEntry ParseDesktopEntry(std::string_view text) {
    std::optional<std::string_view> plainName;
    std::optional<std::string_view> jaName;
    std::optional<std::string_view> jaJpName;
    std::optional<std::string_view> icon;
    bool inEntry = false;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inEntry || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trimmed(line.substr(0, equals));
        std::optional<std::string_view>* field = key == "Name"          ? &plainName
                                                 : key == "Name[ja]"    ? &jaName
                                                 : key == "Name[ja_JP]" ? &jaJpName
                                                 : key == "Icon"        ? &icon
                                                                        : nullptr;
        // A key given twice is not valid; the first one counts.
        if (field != nullptr && !field->has_value()) {
            *field = Trimmed(line.substr(equals + 1));
        }
    }
    // As for a ja_JP locale: the more particular name first.
    std::string_view name = plainName.value_or("");
    if (!jaName.value_or("").empty()) {
        name = *jaName;
    }
    if (!jaJpName.value_or("").empty()) {
        name = *jaJpName;
    }
    return DesktopEntry{UnescapeValue(name), UnescapeValue(icon.value_or(""))};
}

std::optional<DesktopEntry> ReadDesktopEntry(const std::string& path) {
    // Not waited on: a FIFO in a file's place is no desktop file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text(kDesktopFileReadLimit, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    if (got == kDesktopFileReadLimit) {
        // The last line may be cut: what it says is not known.
        const auto newline = text.rfind('\n');
        text.resize(newline == std::string::npos ? 0 : newline + 1);
    }
    return ParseDesktopEntry(text);
}

std::string DefaultCgroupRoot() {
    if (!IsCgroup2("/sys/fs/cgroup") && IsCgroup2("/sys/fs/cgroup/unified")) {
        return "/sys/fs/cgroup/unified";
    }
    return "/sys/fs/cgroup";
}

AppNamer::AppNamer(std::string cgroups, std::string proc, std::vector<std::string> dirs)
    : cgroupRoot(std::move(cgroups)), procRoot(std::move(proc)), applicationDirs(std::move(dirs)) {}

void AppNamer::BeginRound() {
    walkedThisRound = false;
    scannedThisRound = false;
}

void AppNamer::Name(std::uint64_t cgroupId, std::uint32_t inode, AppBytes& out) {
    if (const DesktopApp* app = cgroupId != 0 ? AppOfCgroup(cgroupId) : nullptr) {
        FillText(out, "desktop:" + app->id, app->name, app->icon);
        return;
    }
    if (const std::string* exe = inode != 0 ? ExecutableOfSocket(inode) : nullptr) {
        FillText(out, "exe:" + *exe, *exe, *exe);
        return;
    }
    FillText(out, kOtherAppKey, kOtherAppName, {});
}

void AppNamer::NameCgroup(std::uint64_t cgroupId, AppBytes& out) {
    if (const DesktopApp* app = cgroupId != 0 ? AppOfCgroup(cgroupId) : nullptr) {
        FillText(out, "desktop:" + app->id, app->name, app->icon);
        return;
    }
    const auto unit = unitOfCgroup.find(cgroupId);
    if (unit == unitOfCgroup.end() || unit->second.empty()) {
        FillText(out, kOtherAppKey, kOtherAppName, {});  // unknown, or the root
        return;
    }
    if (const std::string exe = ExecutableOfCgroup(unit->second); !exe.empty()) {
        FillText(out, "exe:" + exe, exe, exe);
        return;
    }
    const std::string_view name = LastComponent(unit->second);
    FillText(out, "unit:" + std::string(name), name, {});
}

std::string AppNamer::ExecutableOfCgroup(const std::string& path) const {
    const std::string procs = cgroupRoot + '/' + path + "/cgroup.procs";
    const int file = ::open(procs.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return {};
    }
    std::string text(kCgroupProcsReadLimit, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(file, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(file);
    text.resize(got);
    if (got == kCgroupProcsReadLimit) {
        // More processes than are looked at: which run what is not known.
        return {};
    }
    std::string common;
    std::string_view rest(text);
    while (!rest.empty()) {
        const auto newline = rest.find('\n');
        const std::string_view pid = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view{} : rest.substr(newline + 1);
        if (!IsProcessId(pid)) {
            continue;
        }
        const std::string dir = procRoot + '/' + std::string(pid);
        const int pidFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (pidFd < 0) {
            continue;  // ended meanwhile
        }
        std::string exe = ExecutableName(pidFd);
        ::close(pidFd);
        if (exe.empty() || (!common.empty() && exe != common)) {
            return {};
        }
        common = std::move(exe);
    }
    return common;
}

const AppNamer::DesktopApp* AppNamer::AppOfCgroup(std::uint64_t cgroupId) {
    if (const auto known = appOfCgroup.find(cgroupId); known != appOfCgroup.end()) {
        return known->second.id.empty() ? nullptr : &known->second;
    }
    auto unit = unitOfCgroup.find(cgroupId);
    if (unit == unitOfCgroup.end() && !walkedThisRound) {
        WalkCgroups();
        unit = unitOfCgroup.find(cgroupId);
    }
    if (unit == unitOfCgroup.end()) {
        return nullptr;  // not kept: a cgroup made after the walk is found in a later round
    }
    const auto [app, added] =
        appOfCgroup.emplace(cgroupId, ResolveUnit(LastComponent(unit->second)));
    return app->second.id.empty() ? nullptr : &app->second;
}

AppNamer::DesktopApp AppNamer::ResolveUnit(std::string_view unitName) const {
    DesktopApp app;
    app.id = DesktopIdOfUnit(unitName, [this](const std::string& id) {
        return !FindDesktopFile(id, applicationDirs).empty();
    });
    if (app.id.empty()) {
        return app;
    }
    if (const std::string file = FindDesktopFile(app.id, applicationDirs); !file.empty()) {
        if (std::optional<DesktopEntry> entry = ReadDesktopEntry(file)) {
            app.name = std::move(entry->name);
            app.icon = std::move(entry->icon);
        }
    }
    if (app.name.empty()) {
        app.name = app.id;
    }
    return app;
}

const std::string* AppNamer::ExecutableOfSocket(std::uint32_t inode) {
    if (!scannedThisRound) {
        ScanProcesses();
    }
    const auto found = processOfSocket.find(inode);
    if (found == processOfSocket.end() || executables[found->second].empty()) {
        return nullptr;
    }
    return &executables[found->second];
}

void AppNamer::WalkCgroups() {
    walkedThisRound = true;
    unitOfCgroup.clear();
    const int root = ::open(cgroupRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (root >= 0 && ::fstat(root, &st) == 0) {
        unitOfCgroup.emplace(static_cast<std::uint64_t>(st.st_ino), std::string());
        std::size_t budget = kMaxCgroups;
        WalkInto(root, std::string(), st.st_dev, 1, budget, unitOfCgroup);
    } else if (root >= 0) {
        ::close(root);
    }
    // What gone cgroups named is dropped, so the answers kept stay as many
    // as the cgroups there are.
    std::erase_if(appOfCgroup,
                  [this](const auto& known) { return !unitOfCgroup.contains(known.first); });
}

void AppNamer::ScanProcesses() {
    scannedThisRound = true;
    processOfSocket.clear();
    executables.clear();
    DIR* proc = ::opendir(procRoot.c_str());
    if (proc == nullptr) {
        return;
    }
    const dirent* entry = nullptr;
    while (processOfSocket.size() < kMaxProcessSockets && (entry = ::readdir(proc)) != nullptr) {
        if (!IsProcessId(entry->d_name)) {
            continue;
        }
        const int pidFd =
            ::openat(::dirfd(proc), entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (pidFd < 0) {
            continue;  // ended meanwhile
        }
        // Another user's process: its descriptors cannot be opened.
        const int fdDirFd = ::openat(pidFd, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* fds = fdDirFd >= 0 ? ::fdopendir(fdDirFd) : nullptr;
        if (fds == nullptr) {
            if (fdDirFd >= 0) {
                ::close(fdDirFd);
            }
            ::close(pidFd);
            continue;
        }
        bool named = false;
        std::array<char, 64> target{};  // "socket:[4294967295]" and more fits
        const dirent* fd = nullptr;
        while (processOfSocket.size() < kMaxProcessSockets && (fd = ::readdir(fds)) != nullptr) {
            const std::uint32_t inode = SocketInode(ReadLinkAt(::dirfd(fds), fd->d_name, target));
            if (inode == 0) {
                continue;
            }
            if (!named) {
                executables.push_back(ExecutableName(pidFd));
                named = true;
            }
            processOfSocket.emplace(inode, static_cast<std::uint32_t>(executables.size() - 1));
        }
        ::closedir(fds);
        ::close(pidFd);
    }
    ::closedir(proc);
}

}  // namespace trovik
