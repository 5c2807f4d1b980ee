#pragma once

#include <array>
#include <cstdint>

#include "core/CounterSource.h"

namespace trovik {

// A counter source whose values the caller sets and advances: the line of
// tests, of the replay tool and of the simulated meter. Any value can be made
// to fail, and so can opening the source.
class ScriptedCounterSource final : public CounterSource {
public:
    bool Open() override {
        opened = !openFails;
        return opened;
    }
    void Close() override { opened = false; }

    bool Query(StatValue name, std::uint32_t& value) override {
        const auto i = static_cast<std::size_t>(name);
        if (failing[i]) {
            return false;
        }
        value = values[i];
        return true;
    }

    void Set(StatValue name, std::uint32_t value) {
        values[static_cast<std::size_t>(name)] = value;
    }
    // Adds modulo 2^32, as the adapter's counters wrap.
    void Add(StatValue name, std::uint32_t delta) {
        values[static_cast<std::size_t>(name)] += delta;
    }
    std::uint32_t Get(StatValue name) const { return values[static_cast<std::size_t>(name)]; }
    void SetFailing(StatValue name, bool fails) { failing[static_cast<std::size_t>(name)] = fails; }

    bool openFails = false;
    bool opened = false;

private:
    std::array<std::uint32_t, kStatValueCount> values{};
    std::array<bool, kStatValueCount> failing{};
};

}  // namespace trovik
