#include "core/SimulatedLine.h"

#include <string_view>

namespace trovik {

namespace {

struct DemoApp {
    std::string_view key;
    std::string_view name;
    std::string_view icon;
};
constexpr std::array<DemoApp, SimulatedLine::kDemoApps> kDemoAppNames = {{
    {"desktop:trovik-demo.browser", "ウェブブラウザー", "web-browser"},
    {"desktop:trovik-demo.mail", "メール", "internet-mail"},
    {"exe:rsync", "rsync", "folder-remote"},
}};
// Which application each burst of a cycle of six belongs to: the browser
// most, mail and the sync now and then.
constexpr std::array<std::uint8_t, 6> kBurstApps = {0, 0, 1, 0, 2, 0};

}  // namespace

SimulatedLine::SimulatedLine(std::uint32_t seed) : state(seed == 0 ? 1u : seed) {
    for (std::size_t i = 0; i < kDemoApps; ++i) {
        CopyAppText(demoApps[i].key, kDemoAppNames[i].key);
        CopyAppText(demoApps[i].name, kDemoAppNames[i].name);
        CopyAppText(demoApps[i].icon, kDemoAppNames[i].icon);
    }
}

void SimulatedLine::Enable(bool on) {
    attributing = on;
    for (AppBytes& app : demoApps) {
        app.received = 0;
        app.sent = 0;
    }
}

std::size_t SimulatedLine::TakeAttributed(std::span<AppBytes> out) {
    std::size_t n = 0;
    for (AppBytes& app : demoApps) {
        if ((app.received != 0 || app.sent != 0) && n < out.size()) {
            out[n++] = app;
            app.received = 0;
            app.sent = 0;
        }
    }
    return n;
}

std::uint32_t SimulatedLine::Random(std::uint32_t below) {
    // xorshift32: cheap, allocation-free and repeatable.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return below == 0 ? 0 : state % below;
}

void SimulatedLine::StartPhase() {
    bursting = !bursting;
    quiet = false;
    if (bursting) {
        ++bursts;
        // A download or a page: 2 to 15 s near the modem's 5.6 KB/s.
        phaseTicks = 20 + Random(130);
        recvPerTick = 420 + Random(140);
        sentPerTick = 20 + Random(30);
    } else if (ticksToQuiet == 0) {
        // The user has gone away: not even a keep-alive for 2 to 3 minutes.
        quiet = true;
        phaseTicks = kQuietTicks + Random(kQuietTicks / 2);
        ticksToQuiet = kQuietAfterTicks + Random(kQuietAfterTicks);
        recvPerTick = 0;
        sentPerTick = 0;
    } else {
        // Reading: 1 to 8 s with the odd keep-alive.
        phaseTicks = 10 + Random(70);
        recvPerTick = 0;
        sentPerTick = 0;
    }
}

void SimulatedLine::Dial() {
    connected = true;
    bursting = false;
    ticksToQuiet = kQuietAfterTicks + Random(kQuietAfterTicks);
    ticksToNoise = kNoiseAfterTicks + Random(2 * kNoiseAfterTicks);
    noiseTicks = 0;
    StartPhase();
    values[static_cast<std::size_t>(StatValue::ConnectSpeed)] = Random(2) == 0 ? 53333u : 49333u;
}

void SimulatedLine::MakeNoise() {
    if (noiseTicks == 0) {
        if (ticksToNoise != 0 && --ticksToNoise == 0) {
            noiseTicks = kNoiseTicks;
        }
        return;
    }
    // An error tick at the start of each second of the patch.
    if (noiseTicks % 10 == 0) {
        ++values[Random(kErrorKindCount)];
    }
    if (--noiseTicks == 0) {
        ticksToNoise = kNoiseAgainTicks + Random(kNoiseAgainTicks);
    }
}

void SimulatedLine::Refresh() {
    if (!connected) {
        if (ticksToDial != 0 && --ticksToDial == 0) {
            Dial();
        }
        return;
    }
    if (phaseTicks == 0 || --phaseTicks == 0) {
        StartPhase();
    }
    if (!quiet && ticksToQuiet != 0) {
        --ticksToQuiet;
    }
    const std::uint32_t jitter = bursting ? Random(40) : 0;
    values[static_cast<std::size_t>(StatValue::BytesRecvd)] += recvPerTick + jitter;
    values[static_cast<std::size_t>(StatValue::BytesXmit)] += sentPerTick + jitter / 8;
    if (attributing && bursting) {
        AppBytes& app = demoApps[kBurstApps[bursts % kBurstApps.size()]];
        app.received += (recvPerTick + jitter) / 10 * 9;
        app.sent += (sentPerTick + jitter / 8) / 10 * 9;
    }
    if (!bursting && !quiet && Random(50) == 0) {
        values[static_cast<std::size_t>(StatValue::BytesXmit)] += 40;  // a keep-alive
    }
    // About one error tick every two minutes, of a random kind, besides the
    // noisy patches.
    if (Random(1200) == 0) {
        ++values[Random(kErrorKindCount)];
    }
    MakeNoise();
}

bool SimulatedLine::Query(StatValue name, std::uint32_t& value) {
    value = values[static_cast<std::size_t>(name)];
    return true;
}

bool SimulatedLine::HangUpModem() {
    if (!connected) {
        return false;
    }
    connected = false;
    ticksToDial = kRedialTicks;
    values[static_cast<std::size_t>(StatValue::ConnectSpeed)] = 0;
    return true;
}

bool SimulatedLine::GetHostAddress(std::string& text) {
    text = connected ? " 192.0.2.1" : " Unknown";
    return connected;
}

}  // namespace trovik
