// Time the meter did not see run, and changes of the wall clock. Each tick
// compares the three clocks with the previous tick's: boot time running
// ahead of monotonic time is a sleep, a tick far too late a stopped process
// (a debugger, a paused machine), and wall time moving apart from boot time
// a change of the clock. Either way the records keep real seconds only.

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "core/MeterEngine.h"
#include "res/StringTable.h"
#include "res/TextFormat.h"

namespace trovik {
namespace {

constexpr std::int64_t kTickMs = 100;
// A tick later than this behind the previous one: the process did not run.
constexpr std::int64_t kLateTickMs = 5000;
// Sleep time (boot time beyond monotonic time) that counts as a gap even
// without logind's word.
constexpr std::int64_t kUnannouncedSleepMs = 2000;
// A change of the wall clock against boot time that counts as a jump: with
// the change announced, any whole second; unannounced, twice that, so that
// the slewing of the clock is never taken for one.
constexpr std::int64_t kAnnouncedJumpMs = 1000;
constexpr std::int64_t kUnannouncedJumpMs = 2000;

std::int64_t FloorSeconds(std::int64_t ms) {
    return ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
}

// Milliseconds to whole seconds, half a second and more rounded away from 0.
std::int64_t RoundedSeconds(std::int64_t ms) {
    return ms < 0 ? -((-ms + 500) / 1000) : (ms + 500) / 1000;
}

}  // namespace

void MeterEngine::WatchTime() {
    ClockReading now;
    if (!env.clock.Read(now)) {
        return;
    }
    if (!clocksValid) {
        lastClocks = now;
        clocksValid = true;
        return;
    }
    const ClockReading last = lastClocks;
    lastClocks = now;

    const std::int64_t jumpMs = (now.wallMs - now.bootMs) - (last.wallMs - last.bootMs);
    if (std::llabs(jumpMs) >= (clockChangeAnnounced ? kAnnouncedJumpMs : kUnannouncedJumpMs)) {
        OnClockJump(now, jumpMs);
    }
    clockChangeAnnounced = false;

    const std::int64_t ranMs = now.monotonicMs - last.monotonicMs;
    const std::int64_t passedMs = now.bootMs - last.bootMs;
    if (resumeAnnounced || ranMs - kTickMs > kLateTickMs ||
        passedMs - ranMs > kUnannouncedSleepMs) {
        OnGap(last, std::max<std::int64_t>(passedMs - kTickMs, 0));
    }
}

void MeterEngine::OnClockJump(const ClockReading& now, std::int64_t jumpMs) {
    // The period so far ends at the time the old clock shows now, and holds
    // the seconds that really passed; the next one begins at the new time.
    const std::int64_t seconds = RoundedSeconds(jumpMs);
    CloseOverTimeLost(FloorSeconds(now.wallMs - jumpMs), seconds);
    LogFilled(kLogClockChanged, {seconds});
}

void MeterEngine::CloseOverTimeLost(std::int64_t end, std::int64_t lostSeconds) {
    ClosePeriod(isConnected, end);
    connectTime += lostSeconds;
    // A ten-minute mark across the lost time would average the wrong span.
    scopeLastMinute = -1;
    scopeBaseRecv = sampler.recvCounts[0];
}

void MeterEngine::LogFilled(unsigned textId, std::initializer_list<TextArg> args) {
    if (!settings.logFile) {
        return;
    }
    std::array<char, 96> text{};
    const std::size_t n = FormatInto(text.data(), text.size(), LoadString(textId), args);
    (void)log.AppendLogLine(std::string_view(text.data(), n));
}

void MeterEngine::OnGap(const ClockReading& last, std::int64_t gapMs) {
    const bool slept = sleepAnnounced || resumeAnnounced;
    // The clocks found the sleep before logind's word of the resume came:
    // that word then brings nothing more.
    gapTakenAsleep = sleepAnnounced && !resumeAnnounced;
    sleepAnnounced = false;
    resumeAnnounced = false;
    sampler.StartAfresh();
    // The period ends at the last tick before the gap; the bytes moved
    // meanwhile are in this tick's reading and go with it.
    const std::int64_t seconds = RoundedSeconds(gapMs);
    CloseOverTimeLost(FloorSeconds(last.wallMs), seconds);
    LogFilled(slept ? kLogResumed : kLogInterrupted,
              {static_cast<std::uint64_t>(seconds / 3600),
               static_cast<std::uint32_t>(seconds / 60 % 60)});
}

void MeterEngine::PrepareForSleep(bool sleeping) {
    if (!sleeping) {
        // The next tick takes the time asleep, unless it was taken already.
        resumeAnnounced = !gapTakenAsleep;
        gapTakenAsleep = false;
        return;
    }
    FlushCumulative(isConnected);
    log.LogEvent(settings.logFile, kLogSleeping);
    // Ticks may still run before the machine sleeps: the gap is taken when
    // the clocks show it or the resume is announced.
    sleepAnnounced = true;
    gapTakenAsleep = false;
}

}  // namespace trovik
