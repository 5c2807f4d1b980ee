#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/AppUsage.h"
#include "core/AppUsageSource.h"
#include "core/Clock.h"
#include "core/ConnectionControl.h"
#include "core/CounterSource.h"
#include "core/Counters.h"
#include "core/Notifier.h"
#include "core/Sampler.h"
#include "core/WindowHooks.h"
#include "ext/ExtDllHost.h"
#include "ext/MessageBoxes.h"
#include "ext/TrvikExtension.h"
#include "res/TextFormat.h"
#include "settings/MeterSettings.h"
#include "settings/SettingsStore.h"
#include "stats/Allowance.h"
#include "stats/AllowanceState.h"
#include "stats/BillingSummary.h"
#include "stats/Cumulative.h"
#include "stats/DataFiles.h"
#include "stats/EventLog.h"

namespace trovik {

// Everything outside the engine, passed in by the program, the replay tool or
// a test.
struct MeterEnv {
    CounterSource& counters;
    SettingsStore& settings;
    Clock& clock;
    MessageBoxes& messages;
    ConnectionControl& connection;
    SystemPower& power;
    WindowHooks& window;
    DataFiles files;
    // The program file's directory with a trailing slash: where the
    // extension module named by ExtDLL is looked for.
    std::string programDir;
    // Where the modules keep their settings files (handed to the module in
    // TRVIK_DATA_DIR_ENV); empty: the records' directory. The demo keeps its
    // records apart but its modules' settings here.
    std::string moduleDataDir = {};
    // Who moved the counted bytes; null: nobody tells (every byte is then
    // unattributed).
    AppUsageSource* apps = nullptr;

    const std::string& ModuleDataDir() const {
        return moduleDataDir.empty() ? files.Directory() : moduleDataDir;
    }
};

// Menu commands the engine carries out itself.
enum MeterCommand : unsigned {
    kCmdClearData = 336,
    kCmdDisconnectNow = 368,
    kCmdCumulativeInfo = 464,
    kCmdCancelShutdown = 480,
};

enum class StartResult : std::uint8_t {
    Running,  // the meter ticks
    NoTimer,  // the window stays open but the meter stands still (the user was told)
    Ended,    // the meter must end (the user was told); run Destroy
};

// The message shown when a year's totals file can be neither read nor
// written; the period is kept and added at the next flush.
inline constexpr std::string_view kCumulativeFileErrorText =
    "累計情報ファイルに書き込めません。記録は次の機会に書き込みます。";

// The messages shown when the allowance's state file is there at start but
// is not one the meter can read (it is then left alone for this run), and
// when it cannot be written (tried again at every later write).
inline constexpr std::string_view kAllowanceFileUnusableText =
    "データ量の記録ファイルが読めないため、そのままにします。今期の使用量は終了するまでメモリーで数"
    "えます。";
inline constexpr std::string_view kAllowanceFileErrorText =
    "データ量の記録ファイルに書き込めません。次の機会に書き込みます。";

// The meter without its window: the run-time state the meter window owns and
// the work of its 100 ms tick, the automatic hang-up and shutdown rules, and
// its start and end. Viewers read the public fields while it runs; the only
// thing they write is resetRequested. Nothing runs on another thread but the
// writer of the usage per application (see AppUsageLedger).
class MeterEngine {
public:
    explicit MeterEngine(const MeterEnv& env);

    // The meter window's initialisation, in its fixed order.
    StartResult Start();

    // One 100 ms tick. Nothing in it allocates, except the event log's
    // writes on the ticks that log something.
    void Tick();

    // Clears the data: new base readings, empty rings, totals and history,
    // zero connection figures; an open countdown is closed. False, changing
    // nothing, when the byte counters cannot be read.
    bool ResetMeter();

    // Window destruction, in its fixed order, with the save.
    void Destroy();

    // Stores what the meter keeps across runs: window position, SystemTick,
    // the open cumulative period (only while connected), the allowance's
    // state and the graph snapshot (with logging on, once a connection was
    // seen).
    void SaveOnExit();

    // Closes the cumulative period; with `write` and LogCumulate on, a
    // non-empty period goes to the year's totals file first. A period whose
    // file cannot be written is kept (the user is told) and written by the
    // next flush of any kind, so a failing disk loses no record. Every
    // flush writes the allowance's state when its use changed.
    void FlushCumulative(bool write);

    // Periods waiting for their year file to become writable, oldest first.
    std::size_t PendingCumulative() const { return pendingCount; }

    // The seams the meter runs on; the viewers read the records and the clock
    // through the same ones.
    const MeterEnv& Environment() const { return env; }

    // After the settings sheet closed with OK: TopMost again, the settings
    // reloaded (so the next tick uses the new scales, span and rules, and a
    // cancelled auto-shutdown is armed again when it is on), and the 100 ms
    // timer set again; the user is told when it cannot be set.
    void ReloadSettings();

    // The menu commands 336, 368, 464 and 480. False for other ids.
    bool Command(unsigned id);

    // The countdown window's Cancel button: the window closes at once; the
    // next once-per-second step ends the countdown and logs it.
    void CountdownCancelPressed();

    bool CountdownExists() const { return countdownExists; }

    // logind's word before the machine sleeps (true) and after it woke
    // (false). Before: the open cumulative period is closed as at an hour
    // change and the sleep logged; after: the next tick takes the time
    // asleep as a gap (see the tick) and logs it as a sleep.
    void PrepareForSleep(bool sleeping);

    // The wall clock was set: the next tick measures by how much and, if it
    // moved, closes the cumulative period at the old time.
    void ClockChanged() { clockChangeAnnounced = true; }

    // Sends the meter's notifications to `notifier` (which must outlive the
    // engine) instead of nowhere. The Notify setting still decides whether
    // any goes out.
    void UseNotifier(Notifier& notifier) { notices = &notifier; }

    // The data allowance: the billing period being counted, its use so far
    // in kilobytes received plus sent, and where today lies in it.
    const BillingPeriod& UsePeriod() const { return usePeriod; }
    std::uint64_t PeriodUseKB() const { return periodUseKB; }
    PeriodDays UseDays() const;

    // The usage per application, for its viewer.
    const AppUsageView& AppUsage() const { return appUsage; }

    MeterSettings settings;
    Sampler sampler;
    ErrorCounters errors;
    // What the last tick handed (or would have handed) to the extension
    // module: the displayed rates, their percentages and the totals.
    ExtReading reading{};
    EventLog log;
    ExtDllHost extHost;

    bool resetRequested = false;
    // Set after a popup opened by a mouse action closes without a choice;
    // the next mouse action is then ignored once. Every command clears it.
    bool swallowClick = false;

    // Connection figures, cleared by the reset.
    bool isConnected = false;
    bool everConnected = false;
    std::int64_t connectTime = 0;
    std::uint32_t connectCount = 0;
    std::uint32_t connectSpeed = 0;
    std::uint32_t idleSeconds = 0;
    std::uint32_t autoDisconnects = 0;
    std::uint32_t offlineSeconds = 0;
    // 30 when armed, 29 to 1 while counting; 0 when stopped (cancelled or
    // after the shutdown request) until a disconnect or a reset arms it. A
    // connection that comes while it counts arms it again; nothing counts
    // while connected.
    std::uint32_t shutdownCountdown = 30;
    // The shutdown delay in force: the settings' value until a cancel or a
    // shutdown request switches the rule off until the settings are loaded.
    std::uint32_t shutdownAfter = 0;

    // The cumulative period: whole kilobytes moved out of the counters,
    // ended connections, and the counts (the sampler's 64-bit ones) up to
    // which bytes were moved.
    std::uint32_t cumRecvKB = 0;
    std::uint32_t cumSentKB = 0;
    std::uint32_t cumDisconnects = 0;
    std::int64_t cumPeriodStart = 0;
    std::uint64_t cumBaseRecv = 0;
    std::uint64_t cumBaseSent = 0;

    // The weekly-scope mark: the received count at the last ten-minute mark
    // and its minute (-1: none yet).
    std::uint64_t scopeBaseRecv = 0;
    std::int32_t scopeLastMinute = -1;

    // The error window: error ticks per slot over the last 60 ticks.
    std::array<std::uint32_t, 60> errWindow{};
    std::uint32_t errWindowTicks = 0;

    // The values last written to the number fields; the reset sets them to
    // -2 so that the next tick rewrites both.
    std::uint32_t shownSent = 0xFFFFFFFEu;
    std::uint32_t shownRecv = 0xFFFFFFFEu;

    std::uint32_t secondTicks = 0;
    std::uint32_t slowSeconds = 0;
    std::uint32_t errorIconTicks = 0;
    bool hideAtFirstTick = false;

private:
    void SecondStep();
    void SlowStep();
    void OnConnectionChange(bool connectedNow);
    void LogErrorLine(ErrorBits bits);
    void ErrorWindowStep();
    void AdvanceErrorWindow();
    void IdleRule();
    void IdleReset();
    void TimeUpRule();
    void ShutdownStep();
    void CloseCountdownWindow();
    // A connection that comes up while the countdown counts closes the
    // countdown window and arms it again.
    void EndCountdownOnConnect();
    // Time the meter did not see run: a gap after a sleep or a stop of the
    // process, and a change of the wall clock (TimeWatch.cpp).
    void WatchTime();
    void OnClockJump(const ClockReading& now, std::int64_t jumpMs);
    void OnGap(const ClockReading& last, std::int64_t gapMs);
    // Moves the whole kilobytes counted since the last move into the
    // cumulative period.
    void MoveKilobytes();
    // Closes the cumulative period as ending at `end` (calendar seconds),
    // a written one with every whole kilobyte up to now; the next one
    // starts now.
    void ClosePeriod(bool write, std::int64_t end);
    // After a gap or a clock change: the period closed at `end`, connect
    // time and the scope mark moved past the seconds lost.
    void CloseOverTimeLost(std::int64_t end, std::int64_t lostSeconds);
    // A log line from a format of the string table, when logging is on.
    void LogFilled(unsigned textId, std::initializer_list<TextArg> args);
    void ShowValues();
    void FillReading();
    void DisconnectNow();
    void CancelShutdown();
    void ClearDataCommand();
    std::uint32_t SecondsSince(std::int64_t start);

    // The data allowance (Allowance.cpp).
    void StartAllowance();
    void CountAllowance(std::uint64_t kb);
    // A new accumulation interval began (cumPeriodStart): its kilobytes count
    // to the period's use only when it began in that period (a clock set
    // back or forward puts it in another, which the next slow step takes up
    // with them).
    void AllowanceIntervalBegins();
    void AllowanceSlowStep(const LocalTime& local);
    void ReadPeriodUse(const BillingPeriod& period);
    void AllowanceConnectRule();
    // Reports the highest level newly reached, once per period.
    void ReportAllowanceLevels();
    // Writes the state file when the use or the levels changed since the
    // last write.
    void SaveAllowanceState();
    void QuotaHangUp();
    // Hangs up the line for a rule; a line the meter leaves to its own
    // service is logged once (AutoRules.cpp).
    bool HangUpLine();
    void ShowUseInTray(const LocalTime& now);
    // Whether the counted links' note of the tray tip changed since it was
    // last set, and the note's text (empty while a link is counted).
    bool LinkNoteChanged();
    std::size_t LinkNoteInto(char* out, std::size_t capacity) const;
    // Notifications, when the Notify setting is on.
    void Notify(NoticeKind kind, std::string_view summary, std::string_view body = {});
    void NotifyHangUp(unsigned textId);
    void NotifyErrorHangUp(bool hungUp, bool limitReached);
    void NotifyCountdownStarts();

    // The usage per application (AppUsage setting): started with the
    // meter and at each reload of the settings, fed once a second, written
    // at the end.
    void StartAppUsage();
    void AppUsageSecond();

    // Writes the waiting periods in order; false when one still fails.
    bool WritePendingCumulative();

    // Room for the periods of a few failed flushes; when it is full, further
    // periods are added to the newest waiting one (their hour is then
    // approximate, but nothing is lost).
    std::array<CumulativeInterval, 8> pending{};
    std::size_t pendingCount = 0;

    // The period whose use is counted (none yet: year 0), its use (the
    // larger of the year files' and the state file's when it began, plus
    // every kilobyte the accumulate step has moved since), and the highest
    // level reported in it, in percent of the allowance in reportedQuotaMB
    // (0: none). While the open accumulation interval began in another
    // period, its kilobytes belong there and are not counted.
    BillingPeriod usePeriod{};
    std::uint64_t periodUseKB = 0;
    std::uint32_t reportedPercent = 0;
    std::uint32_t reportedQuotaMB = 0;
    bool useCountsOpen = true;
    // The state file: its path and the room its writes make names in, what
    // it holds (with the current period's entry as of the last write),
    // whether the use or the levels changed since, whether it was found
    // unusable at start (then it is never written in this run), and whether
    // its last write failed.
    AllowanceState allowanceState{};
    std::string allowancePath;
    std::string allowanceScratch;
    bool allowanceDirty = false;
    bool allowanceFileKept = false;
    bool allowanceWriteFailed = false;
    // A connection was seen (at start or coming up), or the end of the
    // allowance was reached, and the allowance rule has not looked at the
    // line yet.
    bool quotaCheckLine = false;
    // The tray tip as last set: the use as shown, its percent, the
    // allowance, today's budget and the projection as shown.
    std::uint64_t tipShownUse = ~std::uint64_t{0};
    std::uint32_t tipPercent = 0;
    std::uint32_t tipQuotaMB = ~std::uint32_t{0};
    std::uint64_t tipBudget = 0;
    std::uint64_t tipProjection = 0;
    // What the tip says of the links: whether none is counted and which
    // there are then.
    bool tipNoLink = false;
    std::array<char, 96> tipLinks{};
    // The line a hang-up last left to its service, logged once.
    std::string unmanagedNoted;
    // The error rule's hang-up was reported and the error window has not
    // fallen below the limit since.
    bool errorHangUpNoticed = false;
    unsigned lastErrorNotice = 0;

    NoAppUsageSource noApps;
    AppUsageLedger appUsage;

    NoNotifier noNotices;
    Notifier* notices = &noNotices;

    // The clocks at the last tick (valid once a tick or the start read them)
    // and the monotonic time the open cumulative period began at.
    ClockReading lastClocks{};
    bool clocksValid = false;
    std::int64_t cumPeriodMonotonicMs = 0;
    bool periodMonotonicValid = false;
    bool clockChangeAnnounced = false;
    // logind said the machine goes to sleep / woke up, and the gap of that
    // sleep was not taken yet; the gap was taken before the word of the
    // resume came.
    bool sleepAnnounced = false;
    bool resumeAnnounced = false;
    bool gapTakenAsleep = false;

    MeterEnv env;
    bool sourceOpen = false;
    bool timerRunning = false;
    bool countdownExists = false;
    bool countdownCancelled = false;
};

}  // namespace trovik
