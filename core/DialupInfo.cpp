#include "core/DialupInfo.h"

#include <algorithm>
#include <utility>

#include "core/MeterEngine.h"
#include "res/TextFormat.h"

namespace trovik {

namespace {

std::string Count(std::uint32_t value) {
    return FormatText("%u ", {value});
}

std::string Grouped(std::string text) {
    InsertThousands(text);
    return text;
}

}  // namespace

void InsertThousands(std::string& text) {
    for (std::size_t k = 4; k < text.size(); k += 4) {
        text.insert(text.size() - k, 1, ',');
    }
}

std::string ConnectTimeText(std::uint32_t seconds) {
    const std::uint32_t hours = seconds / 3600;
    return FormatText("%u時間 %02u分", {hours, seconds / 60 - hours * 60});
}

std::string IdleTimeText(std::uint32_t seconds) {
    return FormatText("%u分 %02u秒", {seconds / 60, seconds % 60});
}

DialupTexts DialupInfoTexts(const MeterEngine& meter) {
    const MeterEnv& env = meter.Environment();
    DialupTexts t;
    if (meter.isConnected) {
        (void)env.connection.GetHostAddress(t[kFieldIp]);
        // A line whose speed nobody knows says so, rather than "0".
        std::string technology;
        const bool known = env.connection.GetLineTechnology(technology);
        t[kFieldSpeed] = meter.connectSpeed == 0 ? "--- " : Count(meter.connectSpeed);
        if (known) {
            t[kFieldSpeed] = technology + "  " + t[kFieldSpeed];
        }
    } else {
        t[kFieldSpeed] = "--- ";
    }
    const std::int64_t elapsed = env.clock.Now() - meter.connectTime;
    t[kFieldTime] = ConnectTimeText(static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(elapsed, 0, static_cast<std::int64_t>(UINT32_MAX))));
    const Sampler& s = meter.sampler;
    t[kFieldRecv] = Grouped(FormatText("%I64u ", {s.totalRecv}));
    t[kFieldSent] = Grouped(FormatText("%I64u ", {s.totalSent}));
    t[kFieldAvgRecv] = Grouped(Count(s.avgRecvAll));
    t[kFieldAvgSent] = Grouped(Count(s.avgSentAll));
    t[kFieldConnects] = Count(meter.connectCount);
    t[kFieldIdle] = IdleTimeText(meter.idleSeconds);
    t[kFieldAutoDisc] = Count(meter.autoDisconnects);
    constexpr std::array<std::pair<DialupField, StatValue>, kErrorKindCount> kErrorFields = {{
        {kFieldAlignment, StatValue::Alignment},
        {kFieldBuffer, StatValue::Buffer},
        {kFieldCrc, StatValue::CRC},
        {kFieldFraming, StatValue::Framing},
        {kFieldOverrun, StatValue::Overrun},
        {kFieldRunts, StatValue::Runts},
        {kFieldTimeout, StatValue::Timeout},
    }};
    for (const auto& [field, kind] : kErrorFields) {
        const auto k = static_cast<std::size_t>(kind);
        t[field] = Count(meter.errors.errLast[k] + meter.errors.errCarried[k]);
    }
    return t;
}

}  // namespace trovik
