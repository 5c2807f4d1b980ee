#include "core/Sampler.h"

#include <algorithm>

namespace trovik {
namespace {

// Bytes per second over `ticks` tenths of a second, held at 2^32 - 1.
std::uint32_t WindowRate(std::uint64_t newest, std::uint64_t oldest, std::uint32_t ticks) {
    const std::uint64_t bytes = newest - oldest;
    if (bytes > UINT64_MAX / 10u) {
        return 0xFFFFFFFFu;
    }
    return Held32(bytes * 10u / ticks);
}

std::uint32_t AverageAll(std::uint64_t total, std::uint32_t activeTicks) {
    if (activeTicks == 0) {
        return 0;
    }
    if (total > UINT64_MAX / 10u) {
        return 0xFFFFFFFFu;
    }
    return Held32(total * 10u / activeTicks);
}

// What one counter moved since its previous reading: the 64-bit counts'
// difference when the source gave one now and at the previous reading (and
// it did not fall), else the 32-bit difference, a fall being one wrap.
std::uint64_t Increase(std::uint32_t newest, std::uint32_t previous, std::uint64_t& wideLast,
                       bool& wideValid, bool wideNow, std::uint64_t wide) {
    std::uint64_t increase = static_cast<std::uint32_t>(newest - previous);
    if (wideNow) {
        if (wideValid && wide >= wideLast &&
            static_cast<std::uint32_t>(wide - wideLast) == static_cast<std::uint32_t>(increase)) {
            increase = wide - wideLast;
        }
        wideLast = wide;
        wideValid = true;
    }
    return increase;
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
    return Held32(static_cast<std::uint64_t>(value) * 100u / scale);
}

void Sampler::ShiftAndRead(CounterSource& source, ErrorCounters& errors) {
    ShiftOlder(sentSamples);
    ShiftOlder(recvSamples);
    ShiftOlder(errorSamples);
    ShiftOlder(sentCounts);
    ShiftOlder(recvCounts);
    const bool sentOk = ReadStatValue(source, StatValue::BytesXmit, sentSamples[0]);
    const bool recvOk = ReadStatValue(source, StatValue::BytesRecvd, recvSamples[0]);
    nowSent.valid = sentOk && source.QueryWide(StatValue::BytesXmit, nowSent.count);
    nowRecv.valid = recvOk && source.QueryWide(StatValue::BytesRecvd, nowRecv.count);
    errorSamples[0] = ReadErrorBits(source, errors);
}

void Sampler::DetectWraps() {
    if (sentSamples[0] < sentSamples[1]) {
        ++wrapsSent;
    }
    if (recvSamples[0] < recvSamples[1]) {
        ++wrapsRecv;
    }
    sentCounts[0] = sentCounts[1] + Increase(sentSamples[0], sentSamples[1], wideSent.count,
                                             wideSent.valid, nowSent.valid, nowSent.count);
    recvCounts[0] = recvCounts[1] + Increase(recvSamples[0], recvSamples[1], wideRecv.count,
                                             wideRecv.valid, nowRecv.valid, nowRecv.count);
}

void Sampler::StartAfresh() {
    unseenSent += sentCounts[0] - sentCounts[1];
    unseenRecv += recvCounts[0] - recvCounts[1];
    afterGap = true;
    sentSamples.fill(sentSamples[0]);
    recvSamples.fill(recvSamples[0]);
    sentCounts.fill(sentCounts[0]);
    recvCounts.fill(recvCounts[0]);
}

void Sampler::CountActivity() {
    if (afterGap) {
        afterGap = false;
        return;
    }
    if (sentSamples[0] != baseSent) {
        ++activeTicksSent;
    }
    if (recvSamples[0] != baseRecv) {
        ++activeTicksRecv;
    }
}

void Sampler::ComputeRates(std::uint32_t span) {
    totalSent = sentCounts[0] - baseSent;
    totalRecv = recvCounts[0] - baseRecv;
    spanSent = WindowRate(sentCounts[0], sentCounts[span], span);
    spanRecv = WindowRate(recvCounts[0], recvCounts[span], span);
    avgSentAll = AverageAll(totalSent - unseenSent, activeTicksSent);
    avgRecvAll = AverageAll(totalRecv - unseenRecv, activeTicksRecv);
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
            h.historySent[0][0] = Held32(sentCounts[0] - sentCounts[10]);
            h.historyRecv[0][0] = Held32(recvCounts[0] - recvCounts[10]);
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
    sentCounts.fill(sent);
    recvCounts.fill(recv);
    wideSent = {};
    wideRecv = {};
    totalSent = 0;
    totalRecv = 0;
    wrapsSent = 0;
    wrapsRecv = 0;
    unseenSent = 0;
    unseenRecv = 0;
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
