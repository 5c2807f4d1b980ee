#include "platform/AppNaming.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

}  // namespace trovik
