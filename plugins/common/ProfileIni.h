#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace trovik::plugin {

// A module's INI file: "[Section]" headers and "Key=Value" lines; section and
// key names compare without regard to letter case, surrounding blanks are
// ignored, lines starting with ';' are comments, the first occurrence of a
// key counts.

// The value of a key as an unsigned 32-bit number written in decimal. A
// missing file, section or key gives nothing, and so does a value that is
// not a number or does not fit: a damaged file falls back to the defaults.
// So does anything in the file's place that is no regular file (a symbolic
// link, a FIFO, which is never waited on) or cannot be read.
std::optional<std::uint32_t> ReadProfileUInt(const std::string& path, std::string_view section,
                                             std::string_view key);

inline std::uint32_t GetProfileUInt(const std::string& path, std::string_view section,
                                    std::string_view key, std::uint32_t fallback) {
    return ReadProfileUInt(path, section, key).value_or(fallback);
}

// Sets each key of the section to its value, keeping every other line of the
// file, adding the section and keys when missing; the file is replaced
// whole through a temporary file and a rename, as the program's records are,
// so it is never left half written and keeps its permissions. False when it
// could not be written, and when a file is there that could not be read
// (it is then left as it is).
// Shown by a module's dialog when its OK could not store the values; the
// dialog then stays open.
inline constexpr std::string_view kProfileWriteFailedText = "設定ファイルに書き込めません。";

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::initializer_list<std::pair<std::string_view, std::string>> values);

}  // namespace trovik::plugin
