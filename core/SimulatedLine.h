#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/AppUsageSource.h"
#include "core/ConnectionControl.h"
#include "core/CounterSource.h"

namespace trovik {

// A dial-up line for demonstrations (`Trovik --simulate`): it dials a few
// seconds after the meter starts, moves 56k-modem-like traffic in bursts and
// pauses, makes an occasional line error, obeys a hang-up and dials again a
// few minutes later. Now and then it falls quiet for a few minutes and has a
// short noisy patch of line errors, so that every automatic rule can be seen
// on it within ten minutes: the idle hang-up after one minute, the error
// hang-up at three errors, the shutdown one minute after a hang-up. It
// advances one tick of 100 ms per Refresh, from a fixed seed, so the same run
// repeats exactly.
//
// Its bursts belong to a few made-up applications in turn (a browser, mail,
// a file sync), nine tenths of each tick's bytes; the rest, like a real
// line's headers and UDP, is no application's.
class SimulatedLine final : public CounterSource, public ConnectionControl, public AppUsageSource {
public:
    explicit SimulatedLine(std::uint32_t seed = 0x5EED1234u);

    bool Open() override { return true; }
    void Close() override {}
    void Refresh() override;
    bool Query(StatValue name, std::uint32_t& value) override;

    bool IsModemConnected() override { return connected; }
    bool HangUpModem() override;
    bool GetHostAddress(std::string& text) override;

    void Enable(bool on) override;
    std::size_t TakeAttributed(std::span<AppBytes> out) override;
    static constexpr std::size_t kDemoApps = 3;

    // Ticks until the first dial and between a hang-up and the next dial
    // (long enough for a one-minute shutdown rule and its countdown).
    static constexpr std::uint32_t kDialDelayTicks = 40;
    static constexpr std::uint32_t kRedialTicks = 1800;
    // A quiet spell of 2 to 3 minutes without a byte comes 2 to 4 minutes of
    // connection after the dial or the last one.
    static constexpr std::uint32_t kQuietAfterTicks = 1200;
    static constexpr std::uint32_t kQuietTicks = 1200;
    // A noisy patch (three error ticks within three seconds) comes 1.5 to
    // 4.5 minutes after the dial, then every 3 to 6 minutes.
    static constexpr std::uint32_t kNoiseAfterTicks = 900;
    static constexpr std::uint32_t kNoiseAgainTicks = 1800;
    static constexpr std::uint32_t kNoiseTicks = 30;

private:
    std::uint32_t Random(std::uint32_t below);
    void StartPhase();
    void Dial();
    void MakeNoise();

    std::array<std::uint32_t, kStatValueCount> values{};
    std::uint32_t state;
    bool connected = false;
    std::uint32_t ticksToDial = kDialDelayTicks;
    bool bursting = false;
    bool quiet = false;  // the present pause is a quiet spell
    std::uint32_t ticksToQuiet = 0;
    std::uint32_t ticksToNoise = 0;
    std::uint32_t noiseTicks = 0;
    std::uint32_t phaseTicks = 0;
    std::uint32_t recvPerTick = 0;
    std::uint32_t sentPerTick = 0;
    // The application of the present burst, and what each moved since the
    // meter last took it.
    std::uint32_t bursts = 0;
    bool attributing = false;
    std::array<AppBytes, kDemoApps> demoApps{};
};

}  // namespace trovik
