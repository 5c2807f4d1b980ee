// Feeds arbitrary INI files to the modules' settings reader and writer, and
// checks that a written value reads back, that another section's value is
// untouched, and that no temporary file is left behind.
//
// Input: with fewer than 5 bytes the input is the file, and Config/Size is
// set to 7. Otherwise
//   byte 0     bit 0: write to "Other" instead of "Config" (the other one is
//              watched); bit 1: spell the section in capitals; bits 2-3: the
//              key, one of Size, Position, IpAddress, LcdPort
//   bytes 1-4  the value written, little-endian
//   the rest   the file
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzScratch.h"
#include "plugins/common/ProfileIni.h"

namespace {

namespace fs = std::filesystem;
using trovik::fuzz::Check;
using trovik::plugin::ReadProfileUInt;
using trovik::plugin::WriteProfileStrings;

constexpr std::string_view kKeys[] = {"Size", "Position", "IpAddress", "LcdPort"};

const fs::path& Dir() {
    return trovik::fuzz::ScratchDirectory("trovik-fuzz-ini-");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t control = size >= 5 ? data[0] : 0;
    const std::uint32_t value = size >= 5 ? trovik::fuzz::Take32(data + 1) : 7;
    const std::size_t skip = size >= 5 ? 5 : 0;

    const std::string ini = (Dir() / "Module.ini").string();
    {
        std::ofstream out(ini, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + skip),
                  static_cast<std::streamsize>(size - skip));
    }
    const bool toOther = (control & 1) != 0;
    std::string section = toOther ? "Other" : "Config";
    std::string watched = toOther ? "Config" : "Other";
    if ((control & 2) != 0) {
        std::transform(section.begin(), section.end(), section.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    }
    const std::string_view key = kKeys[(control >> 2) & 3];
    const std::string_view otherKey = kKeys[((control >> 2) + 1) & 3];

    const std::optional<std::uint32_t> watchedBefore = ReadProfileUInt(ini, watched, key);
    (void)ReadProfileUInt(ini, section, key);

    // A regular file of this size is always readable, so it is always written.
    Check(WriteProfileStrings(ini, section, {{key, std::to_string(value)}, {otherKey, "x"}}));
    Check(ReadProfileUInt(ini, section, key) == value);
    Check(!ReadProfileUInt(ini, section, otherKey).has_value());
    Check(ReadProfileUInt(ini, watched, key) == watchedBefore);
    Check(std::distance(fs::directory_iterator(Dir()), fs::directory_iterator()) == 1);
    return 0;
}
