#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/ConnectionControl.h"
#include "core/CounterSource.h"

namespace trovik {

// A dial-up line for demonstrations (`Trovik --simulate`): it dials a few
// seconds after the meter starts, moves 56k-modem-like traffic in bursts and
// pauses, makes an occasional line error, obeys a hang-up and dials again a
// while later. It advances one tick of 100 ms per Refresh, from a fixed seed,
// so the same run repeats exactly.
class SimulatedLine final : public CounterSource, public ConnectionControl {
public:
    explicit SimulatedLine(std::uint32_t seed = 0x5EED1234u);

    bool Open() override { return true; }
    void Close() override {}
    void Refresh() override;
    bool Query(StatValue name, std::uint32_t& value) override;

    bool IsModemConnected() override { return connected; }
    bool HangUpModem() override;
    bool GetHostAddress(std::string& text) override;

    // Ticks until the first dial and between a hang-up and the next dial.
    static constexpr std::uint32_t kDialDelayTicks = 40;
    static constexpr std::uint32_t kRedialTicks = 300;

private:
    std::uint32_t Random(std::uint32_t below);
    void StartPhase();

    std::array<std::uint32_t, kStatValueCount> values{};
    std::uint32_t state;
    bool connected = false;
    std::uint32_t ticksToDial = kDialDelayTicks;
    bool bursting = false;
    std::uint32_t phaseTicks = 0;
    std::uint32_t recvPerTick = 0;
    std::uint32_t sentPerTick = 0;
};

}  // namespace trovik
