#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/SettingKey.h"
#include "settings/SettingsBackend.h"

namespace trovik {

// The program's keyed settings: 32-bit integers and strings in section
// "Settings", addressed by SettingKey, with the default given by the caller;
// plus the other sections of the same application key ("TollData%u").
//
// Integers are kept as decimal text. A value that is not a whole number
// within 32 bits (signed or unsigned) reads as absent, so a hand-edited or
// damaged file falls back to the defaults. Nothing is cached: every read
// reads the persisted value.
class SettingsStore {
public:
    explicit SettingsStore(SettingsBackend& persisted) : backend(persisted) {}

    std::int32_t GetInt(SettingKey key, std::int32_t defaultValue) const;
    // GetInt reduced to true (non-zero) or false.
    bool GetBool(SettingKey key, bool defaultValue) const;
    std::string GetString(SettingKey key) const;
    bool PutInt(SettingKey key, std::int32_t value);
    bool PutString(SettingKey key, std::string_view text);

    std::int32_t GetSectionInt(std::string_view section, std::string_view name,
                               std::int32_t defaultValue) const;
    std::string GetSectionString(std::string_view section, std::string_view name,
                                 std::string_view defaultValue = {}) const;
    bool PutSectionInt(std::string_view section, std::string_view name, std::int32_t value);
    bool PutSectionString(std::string_view section, std::string_view name, std::string_view text);

    // The stored text of a value, absent or not, for tools that print it raw.
    std::optional<std::string> GetRaw(std::string_view section, std::string_view name) const;

private:
    SettingsBackend& backend;
};

// Parses a stored integer: optional blanks, an optional sign and decimal
// digits, within -2^31 .. 2^32-1; the result is the 32-bit pattern.
std::optional<std::uint32_t> ParseStoredInt(std::string_view text);

}  // namespace trovik
