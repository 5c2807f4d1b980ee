// The automatic hang-up and shutdown rules and the commands that act on the
// line and the countdown.

#include <algorithm>
#include <numeric>

#include "core/MeterEngine.h"
#include "res/StringTable.h"
#include "res/TextFormat.h"

namespace trovik {

void MeterEngine::ErrorWindowStep() {
    ++errWindow[0];
    const std::uint64_t sum = std::accumulate(errWindow.begin(), errWindow.end(), std::uint64_t{0});
    // The window is not cleared: every further error tick while the sum stays
    // at the limit tries again. Nothing is logged.
    if (sum >= settings.errorLimit) {
        ++autoDisconnects;
        const bool hungUp = HangUpLine();
        NotifyErrorHangUp(hungUp, true);
    } else {
        NotifyErrorHangUp(false, false);
    }
}

bool MeterEngine::HangUpLine() {
    const bool hungUp = env.connection.HangUpModem();
    std::string name;
    if (!hungUp && env.connection.TakeUnmanagedLine(name) && name != unmanagedNoted) {
        if (settings.logFile) {
            (void)log.AppendLogLine(
                FormatText(LoadString(kLogUnmanagedLine), {std::string_view(name)}));
        }
        unmanagedNoted = std::move(name);
    }
    return hungUp;
}

void MeterEngine::AdvanceErrorWindow() {
    ++errWindowTicks;
    // From the eleventh tick on the window moves every tick, so it spans the
    // last 60 ticks.
    if (errWindowTicks > 10) {
        std::copy_backward(errWindow.begin(), errWindow.end() - 1, errWindow.end());
        errWindowTicks = 11;  // stays above 10 without ever wrapping
    }
    errWindow[0] = 0;
}

void MeterEngine::IdleRule() {
    if (settings.idleLimit == 0 || idleSeconds < settings.idleLimit) {
        return;
    }
    idleSeconds = 0;
    ++autoDisconnects;
    const bool hungUp = HangUpLine();
    log.LogEvent(settings.logFile, hungUp ? kLogIdleHungUp : kLogIdleFailed);
    NotifyHangUp(hungUp ? kLogIdleHungUp : kLogIdleFailed);
}

void MeterEngine::IdleReset() {
    if (sampler.sentCounts[0] != sampler.sentCounts[1] && !settings.idolTimeIgnoreTx) {
        idleSeconds = 0;
    }
    if (sampler.recvCounts[0] != sampler.recvCounts[1]) {
        idleSeconds = 0;
    }
}

void MeterEngine::TimeUpRule() {
    // Not remembered: every slow step within 7:55 tries again and logs again,
    // connected or not.
    ++autoDisconnects;
    const bool hungUp = HangUpLine();
    log.LogEvent(settings.logFile, hungUp ? kLogTimeUpHungUp : kLogTimeUpFailed);
    // Only an attempt on a line that was up is news; without one the rule
    // fails five or six times a morning by design.
    if (isConnected) {
        NotifyHangUp(hungUp ? kLogTimeUpHungUp : kLogTimeUpFailed);
    }
}

void MeterEngine::CloseCountdownWindow() {
    env.window.CloseCountdown();
    countdownExists = false;
    countdownCancelled = false;
}

void MeterEngine::ShutdownStep() {
    if (countdownExists && countdownCancelled) {
        shutdownCountdown = 0;  // stopped until a disconnect or a reset arms it
        CloseCountdownWindow();
        log.LogEvent(settings.logFile, kLogShutdownCancelled);
        return;
    }
    // The rule shuts down a machine left without a connection: while a
    // connection exists it has nothing to count.
    if (isConnected || shutdownAfter == 0 || offlineSeconds < shutdownAfter ||
        shutdownCountdown == 0) {
        return;
    }
    if (shutdownCountdown == 30) {
        log.LogEvent(settings.logFile, kLogShutdownStarts);
        NotifyCountdownStarts();
        env.window.OpenCountdown(kCountdownCaption);
        countdownExists = true;
        countdownCancelled = false;
        env.window.Beep(BeepKind::Exclamation);
    }
    --shutdownCountdown;
    if (shutdownCountdown == 0) {
        CloseCountdownWindow();
        SaveOnExit();
        if (!env.power.RequestShutdown()) {
            log.LogEvent(settings.logFile, kLogShutdownFailed);
        }
        shutdownAfter = 0;
        return;
    }
    std::array<char, 96> text{};
    const std::size_t n =
        FormatInto(text.data(), text.size(), LoadString(kCountdownText), {shutdownCountdown});
    env.window.SetCountdown(std::string_view(text.data(), n), shutdownCountdown * 100 / 30);
    env.window.Beep(BeepKind::Simple);
}

void MeterEngine::EndCountdownOnConnect() {
    if (!countdownExists) {
        return;
    }
    if (countdownCancelled) {
        // Cancelled while the messages were pumped in this second: the
        // cancel stands and is logged, as the next second would have.
        shutdownCountdown = 0;
        log.LogEvent(settings.logFile, kLogShutdownCancelled);
    } else {
        shutdownCountdown = 30;
    }
    CloseCountdownWindow();
}

void MeterEngine::CountdownCancelPressed() {
    if (!countdownExists) {
        return;
    }
    countdownCancelled = true;
    env.window.CloseCountdown();
}

bool MeterEngine::Command(unsigned id) {
    switch (id) {
        case kCmdClearData:
            ClearDataCommand();
            return true;
        case kCmdDisconnectNow:
            DisconnectNow();
            return true;
        case kCmdCumulativeInfo:
            swallowClick = false;
            FlushCumulative(isConnected);
            return true;
        case kCmdCancelShutdown:
            CancelShutdown();
            return true;
        default:
            return false;
    }
}

void MeterEngine::ClearDataCommand() {
    swallowClick = false;
    if (env.messages.Ask(kMsgClearData, LoadString(kMsgClearData), MessageIcon::Exclamation)) {
        resetRequested = true;
    }
}

void MeterEngine::DisconnectNow() {
    swallowClick = false;
    if (!env.connection.IsModemConnected()) {
        env.messages.Show(kMsgNotConnected, LoadString(kMsgNotConnected), MessageIcon::Exclamation);
        return;
    }
    if (!env.messages.Ask(kMsgAskHangUp, LoadString(kMsgAskHangUp), MessageIcon::Question)) {
        return;
    }
    const bool hungUp = HangUpLine();
    log.LogEvent(settings.logFile, hungUp ? kLogOperatorHungUp : kLogOperatorFailed);
    const unsigned message = hungUp ? kMsgHungUp : kMsgHangUpFailed;
    env.messages.Show(message, LoadString(message), MessageIcon::Exclamation);
}

void MeterEngine::CancelShutdown() {
    swallowClick = false;
    const bool running = shutdownAfter != 0 || countdownExists;
    shutdownAfter = 0;
    if (countdownExists) {
        countdownCancelled = true;
    }
    const unsigned message = running ? kMsgShutdownCancelled : kMsgShutdownNotCounting;
    env.messages.Show(message, LoadString(message), MessageIcon::Exclamation);
}

}  // namespace trovik
