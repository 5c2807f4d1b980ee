#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

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
        value = static_cast<std::uint32_t>(values[i]);
        return true;
    }
    // The byte counters also in 64 bits: a value set below the present one
    // counts as one wrap, as the meter reads it.
    bool QueryWide(StatValue name, std::uint64_t& value) override {
        const auto i = static_cast<std::size_t>(name);
        if (failing[i] || (name != StatValue::BytesXmit && name != StatValue::BytesRecvd)) {
            return false;
        }
        value = values[i];
        return true;
    }

    void Set(StatValue name, std::uint32_t value) {
        std::uint64_t& v = values[static_cast<std::size_t>(name)];
        v = IsByteCounter(name)
                ? v + static_cast<std::uint32_t>(value - static_cast<std::uint32_t>(v))
                : value;
    }
    // Adds modulo 2^32 as far as Query tells, as the adapter's counters wrap;
    // the byte counters' 64-bit count keeps every wrap.
    void Add(StatValue name, std::uint64_t delta) {
        std::uint64_t& v = values[static_cast<std::size_t>(name)];
        v = IsByteCounter(name) ? v + delta : static_cast<std::uint32_t>(v + delta);
    }
    std::uint32_t Get(StatValue name) const {
        return static_cast<std::uint32_t>(values[static_cast<std::size_t>(name)]);
    }
    void SetFailing(StatValue name, bool fails) { failing[static_cast<std::size_t>(name)] = fails; }

    bool CountsNothing() const override { return opened && countsNothing; }
    std::size_t PresentLinksInto(char* out, std::size_t capacity) const override {
        const std::size_t n = capacity == 0 ? 0 : std::min(present.size(), capacity - 1);
        present.copy(out, n);
        if (capacity != 0) {
            out[n] = '\0';
        }
        return n;
    }

    bool openFails = false;
    bool opened = false;
    // What the source says of its links: none counted, and those there are.
    bool countsNothing = false;
    std::string_view present;

private:
    static bool IsByteCounter(StatValue name) {
        return name == StatValue::BytesXmit || name == StatValue::BytesRecvd;
    }

    std::array<std::uint64_t, kStatValueCount> values{};
    std::array<bool, kStatValueCount> failing{};
};

}  // namespace trovik
