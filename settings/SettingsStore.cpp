#include "settings/SettingsStore.h"

#include <string>

#include "res/StringTable.h"

namespace trovik {

std::string_view SettingKeyName(SettingKey key) {
    return LoadString(static_cast<unsigned>(key));
}

std::optional<std::uint32_t> ParseStoredInt(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > 0xFFFFFFFFull) {
            return std::nullopt;
        }
    }
    if (negative) {
        if (magnitude > 0x80000000ull) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(0 - magnitude);
    }
    return static_cast<std::uint32_t>(magnitude);
}

std::int32_t SettingsStore::GetInt(SettingKey key, std::int32_t defaultValue) const {
    return GetSectionInt(kSettingsSection, SettingKeyName(key), defaultValue);
}

bool SettingsStore::GetBool(SettingKey key, bool defaultValue) const {
    return GetInt(key, defaultValue ? 1 : 0) != 0;
}

std::string SettingsStore::GetString(SettingKey key) const {
    return GetSectionString(kSettingsSection, SettingKeyName(key));
}

bool SettingsStore::PutInt(SettingKey key, std::int32_t value) {
    return PutSectionInt(kSettingsSection, SettingKeyName(key), value);
}

bool SettingsStore::PutString(SettingKey key, std::string_view text) {
    return PutSectionString(kSettingsSection, SettingKeyName(key), text);
}

std::int32_t SettingsStore::GetSectionInt(std::string_view section, std::string_view name,
                                          std::int32_t defaultValue) const {
    const auto raw = backend.Read(section, name);
    if (!raw) {
        return defaultValue;
    }
    const auto parsed = ParseStoredInt(*raw);
    return parsed ? static_cast<std::int32_t>(*parsed) : defaultValue;
}

std::string SettingsStore::GetSectionString(std::string_view section, std::string_view name,
                                            std::string_view defaultValue) const {
    auto raw = backend.Read(section, name);
    return raw ? std::move(*raw) : std::string(defaultValue);
}

bool SettingsStore::PutSectionInt(std::string_view section, std::string_view name,
                                  std::int32_t value) {
    return backend.Write(section, name, std::to_string(value));
}

bool SettingsStore::PutSectionString(std::string_view section, std::string_view name,
                                     std::string_view text) {
    return backend.Write(section, name, text);
}

std::optional<std::string> SettingsStore::GetRaw(std::string_view section,
                                                 std::string_view name) const {
    return backend.Read(section, name);
}

}  // namespace trovik
