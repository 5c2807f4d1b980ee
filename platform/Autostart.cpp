#include "platform/Autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "stats/FileImage.h"

namespace trovik {

namespace {

constexpr std::string_view kEntryName = "trovik.desktop";

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// The Exec key's quoting: an argument holding a space or a reserved
// character goes in double quotes, with ", `, $ and \ escaped by a
// backslash; a literal % is doubled in any case.
std::string QuotedArgument(std::string_view argument) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string escaped;
    bool quote = false;
    for (char c : argument) {
        if (kReserved.find(c) != std::string_view::npos) {
            quote = true;
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            escaped += '\\';
        }
        escaped += c;
        if (c == '%') {
            escaped += '%';
        }
    }
    return quote ? '"' + escaped + '"' : escaped;
}

}  // namespace

std::string AutostartEntryPath() {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        base = std::string(home) + "/.config";
    } else {
        base = ".config";
    }
    return base + "/autostart/" + std::string(kEntryName);
}

bool IsAutostartEnabled(const std::string& path) {
    // Opened without waiting and read only as a regular file: a FIFO in its
    // place is no entry, and does not hold the settings sheet up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    std::string contents;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
            contents.append(buffer, static_cast<std::size_t>(n));
        }
    } else {
        ::close(fd);
        return false;
    }
    ::close(fd);
    std::istringstream in(contents);
    bool inEntry = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = Trimmed(line);
        if (!text.empty() && text.front() == '[') {
            inEntry = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (!inEntry || equals == std::string::npos) {
            continue;
        }
        const std::string key = Trimmed(std::string_view(text).substr(0, equals));
        const std::string value = Trimmed(std::string_view(text).substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

std::string AutostartCommand(const std::string& programPath, std::string_view searchPath) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::canonical(programPath, error);
    if (!error) {
        std::string_view rest = searchPath;
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            const std::string_view dir = rest.substr(0, colon);
            rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
            if (dir.empty() || dir.front() != '/') {
                continue;  // a relative entry depends on the folder the desktop starts in
            }
            std::error_code missing;
            const auto candidate =
                std::filesystem::canonical(std::filesystem::path(dir) / "trovik", missing);
            if (!missing && candidate == program) {
                return "trovik";
            }
            if (!missing) {
                break;  // the first trovik on the path is another program
            }
        }
    }
    return programPath;
}

std::string AutostartEntryText(const std::string& command) {
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=Trovik\n"
         << "Name[ja]=通信速度 (Trovik)\n"
         << "Comment=Transfer-rate meter for metered lines\n"
         << "Exec=" << QuotedArgument(command) << "\n"
         << "Icon=trovik\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    return text.str();
}

bool SetAutostart(const std::string& path, bool enabled, const std::string& command) {
    if (!enabled) {
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error) {
        return false;
    }
    const std::string text = AutostartEntryText(command);
    return ReplaceFile(path,
                       std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                       Durability::Unsynced);
}

AutostartEntry::AutostartEntry(std::string entryPath, std::string program)
    : path(std::move(entryPath)), programPath(std::move(program)) {}

bool AutostartEntry::Enabled() const {
    return IsAutostartEnabled(path);
}

bool AutostartEntry::Set(bool enabled) {
    const char* search = std::getenv("PATH");
    return SetAutostart(
        path, enabled,
        enabled ? AutostartCommand(programPath, search != nullptr ? search : "") : std::string());
}

}  // namespace trovik
