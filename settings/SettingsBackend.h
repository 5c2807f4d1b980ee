#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace trovik {

// The persistent keyed store behind SettingsStore: text values by section
// and name, all within the program's one application key. Reads must reach
// the persisted value (no stale cache), since another process may have
// written it. A failed write reports false and is otherwise ignored.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;

    virtual std::optional<std::string> Read(std::string_view section, std::string_view name) = 0;
    virtual bool Write(std::string_view section, std::string_view name, std::string_view value) = 0;
};

// A store that lives in memory only, for tests and for a meter that must not
// touch the user's settings.
class MemorySettingsBackend final : public SettingsBackend {
public:
    std::optional<std::string> Read(std::string_view section, std::string_view name) override {
        auto it = values.find({std::string(section), std::string(name)});
        if (it == values.end()) {
            return std::nullopt;
        }
        return it->second;
    }

    bool Write(std::string_view section, std::string_view name, std::string_view value) override {
        if (failWrites) {
            return false;
        }
        values[{std::string(section), std::string(name)}] = std::string(value);
        return true;
    }

    std::map<std::pair<std::string, std::string>, std::string> values;
    bool failWrites = false;
};

}  // namespace trovik
