#pragma once

#include <cstdint>

#include "core/Clock.h"
#include "core/CounterSource.h"
#include "core/Counters.h"
#include "core/MessageBoxes.h"
#include "core/Sampler.h"
#include "settings/MeterSettings.h"
#include "settings/SettingsStore.h"

namespace trovik {

// Everything outside the engine, passed in by the program, the replay tool or
// a test.
struct MeterEnv {
    CounterSource& counters;
    SettingsStore& settings;
    Clock& clock;
    MessageBoxes& messages;
};

// What one tick hands to an extension module: the displayed rates, their
// percentages of the full scales and the totals since the reset.
struct MeterReading {
    std::uint32_t rateTx = 0;
    std::uint32_t rateRx = 0;
    std::uint32_t percentTx = 0;
    std::uint32_t percentRx = 0;
    std::uint64_t totalTx = 0;
    std::uint64_t totalRx = 0;
};

// The meter without its window: the run-time state the meter window owns and
// the work of its 100 ms tick. Viewers read the public fields while it runs;
// the only thing they write is resetRequested.
class MeterEngine {
public:
    explicit MeterEngine(const MeterEnv& env);

    // The meter window's initialisation. False when the meter must end: the
    // statistics source cannot be opened or its counters cannot be read
    // (the user has been told).
    bool Start();

    // One 100 ms tick.
    void Tick();

    // Clears the data: new base readings, empty rings, totals and history,
    // zero connection figures. False, changing nothing, when the byte
    // counters cannot be read.
    bool ResetMeter();

    // Window destruction: closes the statistics source and saves.
    void Destroy();

    // Stores what the meter keeps across runs (window position, SystemTick).
    void SaveOnExit();

    MeterSettings settings;
    Sampler sampler;
    ErrorCounters errors;
    MeterReading reading;

    bool resetRequested = false;

    // Connection figures, cleared by the reset.
    bool isConnected = false;
    bool everConnected = false;
    std::int64_t connectTime = 0;
    std::uint32_t connectCount = 0;
    std::uint32_t connectSpeed = 0;
    std::uint32_t idleSeconds = 0;
    std::uint32_t autoDisconnects = 0;
    std::uint32_t offlineSeconds = 0;
    std::uint32_t shutdownCountdown = 30;

    // Where the next cumulative period and weekly-scope point start counting.
    std::uint32_t cumBaseRecv = 0;
    std::uint32_t cumBaseSent = 0;
    std::uint32_t scopeBaseRecv = 0;
    std::int32_t scopeLastMinute = -1;

    // The window's screen position, read at start and written at exit.
    std::int32_t windowLeft = 0;
    std::int32_t windowTop = 0;

private:
    void FillReading();

    MeterEnv env;
    bool sourceOpen = false;
};

}  // namespace trovik
