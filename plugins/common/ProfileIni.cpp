#include "plugins/common/ProfileIni.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "stats/FileImage.h"

namespace trovik::plugin {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// Far larger than any module's settings; a bigger file is not one of them.
constexpr std::size_t kMaxIniBytes = 1 << 20;

enum class IniFile : std::uint8_t { Read, Missing, Unusable };

// Reads the file's lines (without their CR LF) the way the program reads its
// records: a link, a FIFO (never waited on), a directory or a file that cannot
// be read is Unusable and is never to be replaced.
IniFile ReadLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.Get() < 0) {
        return errno == ENOENT ? IniFile::Missing : IniFile::Unusable;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<std::uint64_t>(st.st_size) > kMaxIniBytes) {
        return IniFile::Unusable;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size) + 1);
    const std::optional<std::size_t> got = ReadAt(fd.Get(), bytes, 0);
    if (!got || *got >= bytes.size()) {
        return IniFile::Unusable;  // unreadable, or grew while being read
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), *got);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        start = end + 1;
    }
    return IniFile::Read;
}

// "[Name]" gives "Name"; anything else gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    const auto close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

// "Key=Value" gives the key; comments and other lines give nothing.
std::optional<std::string_view> KeyName(std::string_view line, std::string_view* value) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const auto eq = trimmed.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    if (value != nullptr) {
        *value = Trim(trimmed.substr(eq + 1));
    }
    return Trim(trimmed.substr(0, eq));
}

std::optional<std::uint32_t> ParseUInt(std::string_view text) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

bool ReplaceWhole(const std::string& path, const std::string& contents) {
    std::error_code error;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), error);
    }
    return ReplaceFile(
        path, std::span(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()),
        Durability::Synced);
}

}  // namespace

std::optional<std::uint32_t> ReadProfileUInt(const std::string& path, std::string_view section,
                                             std::string_view key) {
    std::vector<std::string> lines;
    if (ReadLines(path, lines) != IniFile::Read) {
        return std::nullopt;
    }
    bool inSection = false;
    for (const std::string& line : lines) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
            continue;
        }
        std::string_view value;
        if (inSection) {
            if (const auto name = KeyName(line, &value); name && SameName(*name, key)) {
                return ParseUInt(value);
            }
        }
    }
    return std::nullopt;
}

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::initializer_list<std::pair<std::string_view, std::string>> values) {
    std::vector<std::string> lines;
    if (ReadLines(path, lines) == IniFile::Unusable) {
        return false;  // what it holds was never seen: it must not be lost
    }
    for (const auto& [key, value] : values) {
        const std::string newLine = std::string(key) + "=" + value;
        bool inSection = false;
        bool done = false;
        std::size_t sectionEnd = lines.size();  // after the section's last non-empty line
        bool sectionFound = false;
        for (std::size_t i = 0; i < lines.size() && !done; ++i) {
            if (const auto name = SectionName(lines[i])) {
                if (inSection) {
                    break;
                }
                inSection = SameName(*name, section);
                if (inSection && !sectionFound) {
                    sectionFound = true;
                    sectionEnd = i + 1;
                }
                continue;
            }
            if (!inSection) {
                continue;
            }
            if (const auto name = KeyName(lines[i], nullptr); name && SameName(*name, key)) {
                lines[i] = newLine;
                done = true;
            } else if (!Trim(lines[i]).empty()) {
                sectionEnd = i + 1;
            }
        }
        if (done) {
            continue;
        }
        if (sectionFound) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), newLine);
        } else {
            // Appended piece by piece: gcc 12 at -O3 takes "[" + string for
            // an overlapping copy (a false -Wrestrict).
            std::string header;
            header.reserve(section.size() + 2);
            header += '[';
            header += section;
            header += ']';
            lines.push_back(std::move(header));
            lines.push_back(newLine);
        }
    }
    std::string contents;
    for (const std::string& line : lines) {
        contents += line;
        contents += '\n';
    }
    return ReplaceWhole(path, contents);
}

}  // namespace trovik::plugin
