#include "core/MeterEngine.h"

#include <algorithm>

#include "core/AppUsage.h"
#include "core/Startup.h"
#include "res/StringTable.h"
#include "res/TextFormat.h"
#include "stats/Cumulative.h"
#include "stats/GraphSnapshot.h"
#include "stats/Leftovers.h"
#include "stats/WeeklyScope.h"

namespace trovik {

MeterEngine::MeterEngine(const MeterEnv& environment)
    : log(environment.files.LogPath(),
          [&clock = environment.clock] { return ToLocalTime(clock.Now()); }),
      env(environment) {}

const AppUsageView& MeterEngine::AppUsage() const {
    // The engine's view while it keeps no ledger of the applications: the
    // recording is off and there is nothing to show.
    class OffAppUsage final : public AppUsageView {
    public:
        AppUsageState State() const override { return AppUsageState::Off; }
        std::vector<AppUsageRow> Summary(std::uint32_t, std::uint32_t) const override { return {}; }
    };
    static const OffAppUsage off{};
    return off;
}

StartResult MeterEngine::Start() {
    // Temporary files of replacements that a crash or a power loss cut
    // short, before anything is written.
    (void)RemoveRecordLeftovers(env.files);
    (void)RemoveFileLeftovers(env.ModuleDataDir(), kModuleSettingsFiles);

    settings = LoadSettings(env.settings);
    shutdownAfter = settings.shutdownAfter;
    (void)RepairWeeklyScope(env.files);

    env.window.BuildTrayIcons(settings.trayBitmap);
    if (env.settings.GetBool(SettingKey::TrayIconOnStart, false)) {
        env.window.AddTrayIcon();
        hideAtFirstTick = true;
    }

    // A tick count below the one saved at the last exit: the machine was
    // restarted since (or there was no last exit).
    const auto lastTick =
        static_cast<std::uint32_t>(env.settings.GetInt(SettingKey::SystemTick, -1));
    if (env.clock.TickCount() < lastTick) {
        log.LogEvent(settings.logFile, kLogRestartMark);
    }

    // The saved position, moved so that the whole window is on the screen
    // that holds it: a hand-edited or stale position never leaves the meter
    // out of sight (and then saved back there).
    const ScreenPoint current = env.window.WindowPosition();
    ScreenPoint pos{env.settings.GetInt(SettingKey::WndPosX, current.x),
                    env.settings.GetInt(SettingKey::WndPosY, current.y)};
    if (const auto screen = env.window.ScreenAt(pos)) {
        pos = KeepOnScreen(pos, env.window.WindowSize(), *screen);
    }
    env.window.MoveWindow(pos);

    env.counters.UseInterfaces(settings.interfaces);
    if (!env.counters.Open()) {
        env.messages.Show(0, kStatSourceUnopenedText, MessageIcon::Stop);
        return StartResult::Ended;
    }
    sourceOpen = true;

    env.counters.Refresh();
    if (!ResetMeter()) {
        env.messages.Show(kMsgCountersUnreadable, LoadString(kMsgCountersUnreadable),
                          MessageIcon::Stop);
        return StartResult::Ended;
    }
    FlushCumulative(false);
    resetRequested = false;

    isConnected = env.connection.IsModemConnected();
    everConnected = isConnected;
    StartAllowance();

    (void)extHost.Load(env.programDir, env.settings.GetString(SettingKey::ExtDLL),
                       env.ModuleDataDir(), env.messages);

    env.window.ApplyTopMost(env.settings.GetBool(SettingKey::TopMost, false));
    // The first tick measures from here: a message box of the start (a
    // module that did not load) is no gap in the measuring.
    clocksValid = env.clock.Read(lastClocks);
    timerRunning = env.window.StartTimer();
    if (!timerRunning) {
        env.messages.Show(kMsgTimerFailed, LoadString(kMsgTimerFailed), MessageIcon::Stop);
        return StartResult::NoTimer;
    }
    return StartResult::Running;
}

void MeterEngine::ReloadSettings() {
    env.window.ApplyTopMost(env.settings.GetBool(SettingKey::TopMost, false));
    settings = LoadSettings(env.settings);
    shutdownAfter = settings.shutdownAfter;
    env.counters.UseInterfaces(settings.interfaces);
    timerRunning = env.window.StartTimer();
    if (!timerRunning) {
        env.messages.Show(kMsgTimerFailed, LoadString(kMsgTimerFailed), MessageIcon::Exclamation);
    }
}

bool MeterEngine::ResetMeter() {
    std::uint32_t sent = 0;
    std::uint32_t recv = 0;
    if (!ReadByteCounters(env.counters, sent, recv)) {
        return false;
    }
    shownSent = shownRecv = 0xFFFFFFFEu;
    scopeBaseRecv = recv;
    scopeLastMinute = -1;
    cumBaseRecv = recv;
    cumBaseSent = sent;
    sampler.Reset(sent, recv);

    idleSeconds = 0;
    connectCount = 0;
    autoDisconnects = 0;
    offlineSeconds = 0;
    everConnected = false;
    connectTime = env.clock.Now();
    shutdownCountdown = 30;
    // A countdown window left open would count nothing with the meter
    // disabled behind it.
    if (countdownExists) {
        CloseCountdownWindow();
    }

    ResetErrorCounters(env.counters, errors);
    return true;
}

void MeterEngine::Destroy() {
    if (timerRunning) {
        env.window.StopTimer();
        timerRunning = false;
    }
    if (sourceOpen) {
        env.counters.Close();
        sourceOpen = false;
    }
    env.window.RemoveTrayIcon();
    extHost.Unload();
    SaveOnExit();
    env.window.DestroyTrayIcons();
}

void MeterEngine::SaveOnExit() {
    const ScreenPoint pos = env.window.WindowPosition();
    env.settings.PutInt(SettingKey::WndPosX, pos.x);
    env.settings.PutInt(SettingKey::WndPosY, pos.y);
    env.settings.PutInt(SettingKey::SystemTick, static_cast<std::int32_t>(env.clock.TickCount()));
    FlushCumulative(isConnected);
    if (settings.logFile && everConnected) {
        (void)SaveGraphSnapshot(env.files.SnapshotPath(), ToLocalTime(env.clock.Now()),
                                settings.scaleTx, settings.scaleRx, sampler.history);
    }
}

std::uint32_t MeterEngine::SecondsSince(std::int64_t start) {
    // A clock set back while a period is open must not give a negative or
    // wrapped length: such a period counts as 0 seconds.
    const std::int64_t seconds = env.clock.Now() - start;
    if (seconds <= 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::min<std::int64_t>(seconds, 0xFFFFFFFF));
}

void MeterEngine::FlushCumulative(bool write) {
    ClosePeriod(write, env.clock.Now());
}

void MeterEngine::ClosePeriod(bool write, std::int64_t end) {
    // A period that is written takes every whole kilobyte up to now, not
    // only those of the last slow step: on a fast line the 11 seconds since
    // then hold gigabytes.
    if (write) {
        MoveKilobytes();
        ReportAllowanceLevels();
    }
    std::int64_t length = std::clamp<std::int64_t>(end - cumPeriodStart, 0, 0xFFFFFFFF);
    // Never longer than the time the meter ran through it: a clock set
    // forward unseen, or a sleep, adds no connect time.
    ClockReading now;
    if (periodMonotonicValid && env.clock.Read(now)) {
        const std::int64_t ran = now.monotonicMs - cumPeriodMonotonicMs;
        length = std::min<std::int64_t>(length, ran <= 0 ? 0 : (ran + 999) / 1000);
    }
    const auto seconds = static_cast<std::uint32_t>(length);
    if (write && settings.logCumulate &&
        (cumRecvKB != 0 || cumSentKB != 0 || seconds != 0 || cumDisconnects != 0)) {
        const CumulativeInterval interval{cumPeriodStart, cumRecvKB, cumSentKB, seconds,
                                          cumDisconnects};
        if (pendingCount < pending.size()) {
            pending[pendingCount++] = interval;
        } else {
            CumulativeInterval& last = pending[pendingCount - 1];
            last.recvKB += interval.recvKB;
            last.sentKB += interval.sentKB;
            last.seconds += interval.seconds;
            last.connectionsEnded += interval.connectionsEnded;
        }
    }
    if (pendingCount != 0 && !WritePendingCumulative()) {
        env.messages.Show(0, kCumulativeFileErrorText, MessageIcon::Exclamation);
        Notify(NoticeKind::RecordFile, kCumulativeFileErrorText,
               env.files.CumulativePath(ToLocalTime(pending[0].startTime).year));
    }
    cumRecvKB = 0;
    cumSentKB = 0;
    cumDisconnects = 0;
    cumPeriodStart = env.clock.Now();
    periodMonotonicValid = env.clock.Read(now);
    cumPeriodMonotonicMs = now.monotonicMs;
    AllowanceIntervalBegins();
    // Every flush (a disconnect, the exit, a sleep, an hour's end) also
    // keeps the allowance's use.
    SaveAllowanceState();
}

bool MeterEngine::WritePendingCumulative() {
    std::size_t written = 0;
    while (written < pendingCount && AddCumulativeInterval(env.files, pending[written])) {
        ++written;
    }
    std::copy(pending.begin() + static_cast<std::ptrdiff_t>(written),
              pending.begin() + static_cast<std::ptrdiff_t>(pendingCount), pending.begin());
    pendingCount -= written;
    return pendingCount == 0;
}

}  // namespace trovik
