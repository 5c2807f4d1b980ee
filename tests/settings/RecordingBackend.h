#pragma once

// A memory store that also keeps every write in order, "Section/Name=value",
// so that tests can check what was written and in which order.

#include <string>
#include <vector>

#include "settings/SettingsBackend.h"

namespace trovik::testing {

class RecordingBackend final : public SettingsBackend {
public:
    std::optional<std::string> Read(std::string_view section, std::string_view name) override {
        return memory.Read(section, name);
    }
    bool Write(std::string_view section, std::string_view name, std::string_view value) override {
        writes.push_back(std::string(section) + "/" + std::string(name) + "=" + std::string(value));
        return memory.Write(section, name, value);
    }
    void Set(const std::string& name, const std::string& value) {
        memory.values[{"Settings", name}] = value;
    }
    // The writes to section "Settings", without the section.
    std::vector<std::string> SettingsWrites() const {
        std::vector<std::string> out;
        for (const std::string& w : writes) {
            if (w.starts_with("Settings/")) {
                out.push_back(w.substr(9));
            }
        }
        return out;
    }

    MemorySettingsBackend memory;
    std::vector<std::string> writes;
};

}  // namespace trovik::testing
