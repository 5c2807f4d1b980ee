#include "core/Sampler.h"

#include <algorithm>

namespace trovik {
namespace {

// Bytes per second over `ticks` tenths of a second. The difference is taken
// modulo 2^32 (the counters wrap), then scaled in 64 bits so that a busy
// fast line does not overflow the intermediate product.
std::uint32_t WindowRate(std::uint32_t newest, std::uint32_t oldest, std::uint32_t ticks) {
    const std::uint64_t bytes = static_cast<std::uint32_t>(newest - oldest);
    return static_cast<std::uint32_t>(bytes * 10u / ticks);
}

std::uint64_t TotalSince(std::uint32_t newest, std::uint32_t base, std::uint32_t wraps) {
    const std::int64_t total = static_cast<std::int64_t>(newest) - static_cast<std::int64_t>(base) +
                               static_cast<std::int64_t>(static_cast<std::uint64_t>(wraps) << 32);
    return static_cast<std::uint64_t>(total);
}

std::uint32_t AverageAll(std::uint64_t total, std::uint32_t activeTicks) {
    if (activeTicks == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(total * 10u / activeTicks);
}

template <typename T, std::size_t N>
void ShiftOlder(std::array<T, N>& ring) {
    std::copy_backward(ring.begin(), ring.end() - 1, ring.end());
}

}  // namespace

std::uint32_t Percent(std::uint32_t value, std::uint32_t scale) {
    if (scale == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) * 100u / scale);
}

void Sampler::ShiftAndRead(CounterSource& source, ErrorCounters& errors) {
    ShiftOlder(sentSamples);
    ShiftOlder(recvSamples);
    ShiftOlder(errorSamples);
    (void)ReadByteCounters(source, sentSamples[0], recvSamples[0]);
    errorSamples[0] = ReadErrorBits(source, errors);
}

void Sampler::DetectWraps() {
    if (sentSamples[0] < lowSent) {
        lowSent = sentSamples[0];
        ++wrapsSent;
    }
    if (recvSamples[0] < lowRecv) {
        lowRecv = recvSamples[0];
        ++wrapsRecv;
    }
}

void Sampler::CountActivity() {
    if (sentSamples[0] != baseSent) {
        ++activeTicksSent;
    }
    if (recvSamples[0] != baseRecv) {
        ++activeTicksRecv;
    }
}

void Sampler::ComputeRates(std::uint32_t span) {
    totalSent = TotalSince(sentSamples[0], baseSent, wrapsSent);
    totalRecv = TotalSince(recvSamples[0], baseRecv, wrapsRecv);
    spanSent = WindowRate(sentSamples[0], sentSamples[span], span);
    spanRecv = WindowRate(recvSamples[0], recvSamples[span], span);
    avgSentAll = AverageAll(totalSent, activeTicksSent);
    avgRecvAll = AverageAll(totalRecv, activeTicksRecv);
}

void Sampler::FeedHistory() {
    RateHistory& h = history;
    for (std::size_t level = 0; level < kHistoryLevels; ++level) {
        const std::uint32_t limit = kHistoryLimit[level];
        if (++h.historyFill[level] < limit) {
            return;
        }
        h.historyFill[level] = 0;
        h.historyUpdated[level] = 1;
        ShiftOlder(h.historySent[level]);
        ShiftOlder(h.historyRecv[level]);
        ShiftOlder(h.historyRecvAvg[level]);
        ShiftOlder(h.historyEvents[level]);

        if (level == 0) {
            h.historySent[0][0] = sentSamples[0] - sentSamples[10];
            h.historyRecv[0][0] = recvSamples[0] - recvSamples[10];
            h.historyRecvAvg[0][0] = avgRecvAll;
            std::uint8_t events = 0;
            for (std::size_t i = 0; i < 10; ++i) {
                events = static_cast<std::uint8_t>(events | errorSamples[i]);
            }
            h.historyEvents[0][0] = events;
            continue;
        }

        // The lower level already holds this tick's point. Sums are formed in
        // 64 bits: a 32-bit sum of busy points would wrap.
        const std::size_t lower = level - 1;
        std::uint64_t sent = 0;
        std::uint64_t recv = 0;
        std::uint64_t avg = 0;
        std::uint8_t events = 0;
        for (std::size_t i = 0; i < limit; ++i) {
            sent += h.historySent[lower][i];
            recv += h.historyRecv[lower][i];
            avg += h.historyRecvAvg[lower][i];
            events = static_cast<std::uint8_t>(events | h.historyEvents[lower][i]);
        }
        h.historySent[level][0] = static_cast<std::uint32_t>(sent / limit);
        h.historyRecv[level][0] = static_cast<std::uint32_t>(recv / limit);
        h.historyRecvAvg[level][0] = static_cast<std::uint32_t>(avg / limit);
        h.historyEvents[level][0] = events;
    }
}

void Sampler::Reset(std::uint32_t sent, std::uint32_t recv) {
    baseSent = sent;
    baseRecv = recv;
    sentSamples.fill(sent);
    recvSamples.fill(recv);
    lowSent = sent;
    lowRecv = recv;
    totalSent = 0;
    totalRecv = 0;
    wrapsSent = 0;
    wrapsRecv = 0;
    activeTicksSent = 0;
    activeTicksRecv = 0;
    history = RateHistory{};
}

RatePair Sampler::Displayed(bool spanAll) const {
    return spanAll ? RatePair{avgSentAll, avgRecvAll} : RatePair{spanSent, spanRecv};
}

RatePair Sampler::Marker(bool spanAll) const {
    return Displayed(!spanAll);
}

}  // namespace trovik
