// The 100 ms tick and its once-per-second and once-per-eleven-seconds steps.

#include <algorithm>
#include <array>

#include "core/MeterEngine.h"
#include "res/StringTable.h"
#include "res/TextFormat.h"
#include "stats/WeeklyScope.h"

namespace trovik {
namespace {

// Room for a number or the minimised title; the tick formats into these
// instead of allocating.
using TextBuffer = std::array<char, 48>;

std::string_view Format(TextBuffer& buf, std::string_view format,
                        std::initializer_list<TextArg> args) {
    const std::size_t n = FormatInto(buf.data(), buf.size(), format, args);
    return {buf.data(), n};
}

constexpr std::string_view kMinimisedTitle = "受%u 送%u";

}  // namespace

void MeterEngine::Tick() {
    if (hideAtFirstTick) {
        env.window.HideWindow();
        hideAtFirstTick = false;
    }

    env.counters.Refresh();
    sampler.ShiftAndRead(env.counters, errors);
    sampler.DetectWraps();
    WatchTime();

    const ErrorBits bits = sampler.errorSamples[0];
    if (bits != 0) {
        if (settings.showError) {
            env.window.ShowErrorIcon(true);
            errorIconTicks = 20;
        }
        if (settings.discOnError) {
            ErrorWindowStep();
        }
        if (settings.logFile) {
            LogErrorLine(bits);
        }
    }
    AdvanceErrorWindow();

    if (++secondTicks >= 10) {
        secondTicks = 0;
        SecondStep();
    }

    if (resetRequested) {
        resetRequested = false;
        (void)ResetMeter();
    }

    if (errorIconTicks != 0 && --errorIconTicks == 0) {
        env.window.ShowErrorIcon(false);
    }

    sampler.CountActivity();
    IdleReset();
    sampler.ComputeRates(settings.span);
    ShowValues();
    sampler.FeedHistory();

    const RatePair shown = sampler.Displayed(settings.spanAll);
    const RatePair marker = sampler.Marker(settings.spanAll);
    if (settings.meterInTray) {
        const std::uint64_t image = static_cast<std::uint64_t>(shown.recv) * 16u / settings.scaleRx;
        env.window.SetTrayMeter(static_cast<unsigned>(std::min<std::uint64_t>(image, 16)));
    }
    env.window.SetBars(
        Percent(shown.sent, settings.scaleTx), Percent(marker.sent, settings.scaleTx),
        Percent(shown.recv, settings.scaleRx), Percent(marker.recv, settings.scaleRx));
    FillReading();
    // Last, the module's Update (not while its test dialog feeds it).
    extHost.Tick(reading);
}

void MeterEngine::ShowValues() {
    TextBuffer buf;
    const RatePair shown = sampler.Displayed(settings.spanAll);
    if (shown.sent != shownSent) {
        env.window.SetValueText(kSendValueControl, Format(buf, "%u", {shown.sent}));
        shownSent = shown.sent;
    }
    if (shown.recv != shownRecv) {
        env.window.SetValueText(kRecvValueControl, Format(buf, "%u", {shown.recv}));
        shownRecv = shown.recv;
    }
    // The minimised title always shows the windowed rates.
    if (settings.iconTitle && env.window.IsMinimised()) {
        env.window.SetTitle(Format(buf, kMinimisedTitle, {sampler.spanRecv, sampler.spanSent}));
    }
}

void MeterEngine::FillReading() {
    const RatePair shown = sampler.Displayed(settings.spanAll);
    reading.RateTx = shown.sent;
    reading.RateRx = shown.recv;
    reading.PercentTx = Percent(shown.sent, settings.scaleTx);
    reading.PercentRx = Percent(shown.recv, settings.scaleRx);
    reading.TotalTx = sampler.totalSent;
    reading.TotalRx = sampler.totalRecv;
}

void MeterEngine::LogErrorLine(ErrorBits bits) {
    // The head and up to seven kinds always fit; should a text ever outgrow
    // the buffer, the line is cut between characters.
    std::array<char, kLongestErrorLine> text{};
    std::size_t n = 0;
    auto append = [&](std::string_view part) {
        const std::size_t take = Utf8PrefixLength(part, text.size() - n);
        std::copy_n(part.data(), take, text.data() + n);
        n += take;
    };
    append(LoadString(kLogErrorHead));
    for (unsigned bit = 0; bit < kErrorKindCount; ++bit) {
        if (bits & (1u << bit)) {
            append(LoadString(kLogErrorAlignment + bit));
        }
    }
    (void)log.AppendLogLine(std::string_view(text.data(), n));
}

void MeterEngine::SecondStep() {
    (void)ReadStatValue(env.counters, StatValue::ConnectSpeed, connectSpeed);

    if (!isConnected && everConnected) {
        ++offlineSeconds;
    }

    ShutdownStep();
    AppUsageSecond();
    // While the countdown window is open its Cancel button must be heard; a
    // tick dispatched here runs whole and does not come back to this step,
    // since secondTicks was already set back.
    if (countdownExists) {
        env.window.PumpPendingMessages();
    }

    if (++slowSeconds > 10) {
        slowSeconds = 0;
        SlowStep();
    }

    const bool connectedNow = env.connection.IsModemConnected();
    if (connectedNow != isConnected) {
        OnConnectionChange(connectedNow);
        quotaCheckLine = connectedNow;
    }
    AllowanceConnectRule();

    if (isConnected) {
        ++idleSeconds;
    }
    IdleRule();
}

void MeterEngine::SlowStep() {
    const std::int64_t now = env.clock.Now();
    const LocalTime local = ToLocalTime(now);

    if (settings.discOnTimeUp && local.hour == 7 && local.minute == 55) {
        TimeUpRule();
    }

    if (isConnected) {
        MoveKilobytes();
        if (local.hour != ToLocalTime(cumPeriodStart).hour) {
            FlushCumulative(true);
        }
    }

    if (settings.logStatics && local.minute % 10 == 0 &&
        static_cast<std::int32_t>(local.minute) != scopeLastMinute) {
        if (scopeLastMinute != -1) {
            const std::uint32_t rate = Held32((sampler.recvCounts[0] - scopeBaseRecv) / 600u);
            (void)RecordScopeSample(env.files, rate, local.weekday,
                                    local.hour * 6 + local.minute / 10);
        }
        scopeLastMinute = static_cast<std::int32_t>(local.minute);
        scopeBaseRecv = sampler.recvCounts[0];
    }

    AllowanceSlowStep(local);
}

void MeterEngine::MoveKilobytes() {
    // Whole kilobytes only: the remainder stays in the counts and is carried
    // into the next move.
    const std::uint64_t recvKB = (sampler.recvCounts[0] - cumBaseRecv) / 1024u;
    cumRecvKB = Held32(std::uint64_t{cumRecvKB} + recvKB);
    cumBaseRecv += recvKB * 1024u;
    const std::uint64_t sentKB = (sampler.sentCounts[0] - cumBaseSent) / 1024u;
    cumSentKB = Held32(std::uint64_t{cumSentKB} + sentKB);
    cumBaseSent += sentKB * 1024u;
    CountAllowance(recvKB + sentKB);
}

void MeterEngine::OnConnectionChange(bool connectedNow) {
    if (connectedNow) {
        sampler.errorSamples[0] = static_cast<ErrorBits>(sampler.errorSamples[0] | kConnectMark);
        ++connectCount;
        connectTime = env.clock.Now();
        isConnected = true;
        everConnected = true;
        log.LogEvent(settings.logFile, kLogConnected);
        EndCountdownOnConnect();
        FlushCumulative(false);
    } else {
        isConnected = false;
        offlineSeconds = 0;
        shutdownCountdown = 30;
        ++cumDisconnects;
        if (settings.logFile) {
            // The totals and averages are those of the previous tick: this
            // step runs before the tick's totals.
            const std::uint32_t seconds = SecondsSince(connectTime);
            const std::uint32_t hours = seconds / 3600;
            const std::uint32_t minutes = seconds / 60 - hours * 60;
            (void)log.AppendLogLine(
                FormatText(LoadString(kLogDisconnected),
                           {hours, minutes, sampler.totalRecv / 1024u, sampler.avgRecvAll,
                            sampler.totalSent / 1024u, sampler.avgSentAll}));
        }
        FlushCumulative(true);
    }
    for (std::size_t k = 0; k < kErrorKindCount; ++k) {
        errors.errCarried[k] += errors.errBeforeLast[k];
    }
}

}  // namespace trovik
