#pragma once

// The viewers of the meter's records and state: the rate graph, the dial-up
// info, the log, the weekly scope, the cumulative info and the usage per
// application. The meter window
// hands each one a read-only view of its state and runs it modally; the
// meter keeps ticking meanwhile.

#include <array>
#include <cstdint>

#include "stats/RateHistory.h"

class QWidget;

namespace trovik {

class MeterEngine;

// What a viewer may see of the running meter. The engine is read only; a
// viewer may write the reset request, which the meter's next tick acts on,
// and the live graph clears the history's update flags of what it has drawn.
// The clock, the settings and the record folder come from the engine's own
// seams (MeterEngine::Environment()).
struct ViewerContext {
    const MeterEngine& meter;
    bool& resetRequested;
    std::array<std::uint8_t, kHistoryLevels>& historyUpdated;
};

// Whether the viewer of a menu command exists in this program.
bool ViewerAvailable(unsigned command);

// Runs the viewer of a menu command (320, 384, 400, 416, 464, 496) modally over
// `parent`, and returns when it closes.
void RunViewer(unsigned command, const ViewerContext& context, QWidget* parent);

}  // namespace trovik
