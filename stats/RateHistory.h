#pragma once

#include <array>
#include <cstdint>

namespace trovik {

inline constexpr std::size_t kHistoryLevels = 4;
inline constexpr std::size_t kHistoryPoints = 120;

// Four levels of rate history, one point per 1 s, 10 s, 1 min and 6 min.
// Index 0 of every series is the newest point.
struct RateHistory {
    template <typename T>
    using Series = std::array<std::array<T, kHistoryPoints>, kHistoryLevels>;

    Series<std::uint32_t> historySent{};     // bytes per second sent
    Series<std::uint32_t> historyRecv{};     // bytes per second received
    Series<std::uint32_t> historyRecvAvg{};  // the all-transfer receive average
    Series<std::uint8_t> historyEvents{};    // OR of the ticks' ErrorBits
    // Lower-level points gathered towards the next point of each level.
    std::array<std::uint32_t, kHistoryLevels> historyFill{};
    // Set when a level received a point; the graph clears it when it repaints.
    std::array<std::uint8_t, kHistoryLevels> historyUpdated{};
};

// Points of the level below (ticks for level 0) that make one point.
inline constexpr std::array<std::uint32_t, kHistoryLevels> kHistoryLimit = {10, 10, 6, 6};

}  // namespace trovik
