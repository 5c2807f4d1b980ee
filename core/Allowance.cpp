// The data allowance of a billing period: its use, kept up to date without
// reading the records on every pass and kept across runs in its own state
// file; its levels (50 %, 80 %, the user's warning level and the end),
// each reported once per period; the hang-up when it is used up. Also the
// meter's desktop notifications.

#include "stats/Allowance.h"

#include <algorithm>
#include <array>

#include "core/MeterEngine.h"
#include "res/StringTable.h"
#include "res/TextFormat.h"
#include "stats/AllowanceState.h"

namespace trovik {
namespace {

bool InPeriod(std::int64_t t, const BillingPeriod& period) {
    return SamePeriod(CurrentBillingPeriod(ToLocalTime(t), period.closeDay), period);
}

// The highest level of the allowance that the use has reached, in percent:
// 50, 80, the user's warning level and 100 (the end); 0 for none, and
// without an allowance.
std::uint32_t LevelReached(std::uint64_t usedKB, const AllowanceSettings& a) {
    std::uint32_t reached = 0;
    if (a.quotaKB == 0) {
        return reached;
    }
    for (const std::uint32_t level : {50u, 80u, a.warnPercent, 100u}) {
        if (usedKB >= a.quotaKB * level / 100u) {
            reached = std::max(reached, level);
        }
    }
    return reached;
}

}  // namespace

void MeterEngine::StartAllowance() {
    allowancePath = env.files.AllowancePath();
    // Room for the names a write makes, so that later writes allocate none.
    allowanceScratch.reserve(allowancePath.size() + 16);
    if (ReadAllowanceState(allowancePath, allowanceState) == StoredFile::Unusable) {
        // Someone else's file, or one that cannot be read: it stays as it is
        // and the use is counted in memory only, from the records.
        allowanceFileKept = true;
        env.messages.Show(0, kAllowanceFileUnusableText, MessageIcon::Exclamation);
        Notify(NoticeKind::RecordFile, kAllowanceFileUnusableText, allowancePath);
    }
    const LocalTime now = ToLocalTime(env.clock.Now());
    ReadPeriodUse(CurrentBillingPeriod(now, settings.allowance.closeDay));
    quotaCheckLine = isConnected;
    ShowUseInTray(now);
}

void MeterEngine::ReadPeriodUse(const BillingPeriod& period) {
    usePeriod = period;
    std::uint64_t recorded = ReadPeriodTransferKB(env.files, period);
    // What the files do not hold yet: the periods waiting for their file and
    // the open interval, each where it began.
    for (std::size_t i = 0; i < pendingCount; ++i) {
        if (InPeriod(pending[i].startTime, period)) {
            recorded += std::uint64_t{pending[i].recvKB} + pending[i].sentKB;
        }
    }
    useCountsOpen = InPeriod(cumPeriodStart, period);
    const std::uint64_t open = useCountsOpen ? std::uint64_t{cumRecvKB} + cumSentKB : 0;
    // Levels the records already pass were crossed before (in an earlier run,
    // or before the clock was set back) and were reported then.
    const AllowanceSettings& a = settings.allowance;
    periodUseKB = recorded + open;
    reportedPercent = LevelReached(recorded, a);
    reportedQuotaMB = a.quotaMB;
    // The state file has the use as counted up to its last write, with or
    // without records; the larger of the two is the period's. The open
    // interval comes on top: it began after the period was last counted (at
    // the start, or after the clock was changed, which closes an interval).
    // The file's levels hold for the allowance they were reported against;
    // those of another allowance are taken as at a start without the file.
    if (const AllowancePeriodState* kept =
            FindAllowancePeriod(allowanceState, PeriodFirstDay(period), PeriodLastDay(period))) {
        periodUseKB = std::max(recorded, kept->usedKB) + open;
        reportedPercent =
            std::max(reportedPercent, kept->quotaMB == a.quotaMB ? kept->reportedPercent
                                                                 : LevelReached(kept->usedKB, a));
    }
    allowanceDirty = true;  // the period's entry is written at the next write
}

void MeterEngine::AllowanceIntervalBegins() {
    useCountsOpen = usePeriod.year == 0 || InPeriod(cumPeriodStart, usePeriod);
}

void MeterEngine::CountAllowance(std::uint64_t kb) {
    if (useCountsOpen && kb != 0) {
        periodUseKB += kb;
        allowanceDirty = true;
    }
}

void MeterEngine::ReportAllowanceLevels() {
    const AllowanceSettings& a = settings.allowance;
    if (a.quotaKB == 0) {
        return;
    }
    if (reportedQuotaMB != a.quotaMB) {
        // The allowance was changed: its levels are new, and the highest one
        // the use already passes is reported now.
        reportedQuotaMB = a.quotaMB;
        reportedPercent = 0;
        allowanceDirty = true;
    }
    // A use that passes several levels at once reports the highest; the
    // lower ones count as reported with it.
    const std::uint32_t level = LevelReached(periodUseKB, a);
    if (level <= reportedPercent) {
        return;
    }
    reportedPercent = level;
    allowanceDirty = true;
    if (level >= 100) {
        log.LogEvent(settings.logFile, kLogQuotaReached);
        Notify(NoticeKind::Allowance, LoadString(kLogQuotaReached),
               AllowanceUseText(periodUseKB, a.quotaMB));
        // The hang-up rule looks at the line in this second's step (or,
        // after a flush at exit, at the next start), never inside a flush.
        quotaCheckLine = true;
        return;
    }
    const std::string text = FormatText(LoadString(kLogQuotaWarning), {level});
    if (settings.logFile) {
        (void)log.AppendLogLine(text);
    }
    Notify(NoticeKind::Allowance, text, AllowanceUseText(periodUseKB, a.quotaMB));
}

void MeterEngine::SaveAllowanceState() {
    if (!allowanceDirty || allowanceFileKept || usePeriod.year == 0) {
        return;
    }
    PutAllowancePeriod(allowanceState, {PeriodFirstDay(usePeriod), PeriodLastDay(usePeriod),
                                        periodUseKB, reportedQuotaMB, reportedPercent});
    if (WriteAllowanceState(allowancePath, allowanceState, allowanceScratch)) {
        allowanceDirty = false;
        allowanceWriteFailed = false;
        return;
    }
    // Tried again at every later write; the user hears of it once, until a
    // write succeeds again.
    if (!allowanceWriteFailed) {
        allowanceWriteFailed = true;
        env.messages.Show(0, kAllowanceFileErrorText, MessageIcon::Exclamation);
        Notify(NoticeKind::RecordFile, kAllowanceFileErrorText, allowancePath);
    }
}

void MeterEngine::AllowanceSlowStep(const LocalTime& local) {
    const BillingPeriod current = CurrentBillingPeriod(local, settings.allowance.closeDay);
    if (!SamePeriod(current, usePeriod)) {
        SaveAllowanceState();  // the period that ends keeps what it counted
        ReadPeriodUse(current);
    }
    ReportAllowanceLevels();
    SaveAllowanceState();
    ShowUseInTray(local);
}

void MeterEngine::AllowanceConnectRule() {
    if (!quotaCheckLine) {
        return;
    }
    quotaCheckLine = false;
    const AllowanceSettings& a = settings.allowance;
    if (!isConnected || !a.discOnQuota || a.quotaKB == 0) {
        return;
    }
    // A connection made just after a new period began is measured against
    // the new period, not the used-up old one.
    const LocalTime now = ToLocalTime(env.clock.Now());
    const BillingPeriod current = CurrentBillingPeriod(now, a.closeDay);
    if (!SamePeriod(current, usePeriod)) {
        SaveAllowanceState();
        ReadPeriodUse(current);
        SaveAllowanceState();
        ShowUseInTray(now);
    }
    if (periodUseKB >= a.quotaKB) {
        QuotaHangUp();
    }
}

PeriodDays MeterEngine::UseDays() const {
    return DaysOfPeriod(usePeriod, ToLocalTime(env.clock.Now()));
}

void MeterEngine::QuotaHangUp() {
    ++autoDisconnects;
    const bool hungUp = HangUpLine();
    const unsigned text = hungUp ? kLogQuotaHungUp : kLogQuotaFailed;
    log.LogEvent(settings.logFile, text);
    NotifyHangUp(text);
}

bool MeterEngine::LinkNoteChanged() {
    const bool none = env.counters.CountsNothing();
    std::array<char, 96> names{};
    if (none) {
        (void)env.counters.PresentLinksInto(names.data(), names.size());
    }
    if (none == tipNoLink && names == tipLinks) {
        return false;
    }
    tipNoLink = none;
    tipLinks = names;
    return true;
}

std::size_t MeterEngine::LinkNoteInto(char* out, std::size_t capacity) const {
    if (!tipNoLink) {
        return 0;
    }
    const std::string_view names(tipLinks.data());
    return names.empty() ? FormatInto(out, capacity, LoadString(kNoLinkPresent), {})
                         : FormatInto(out, capacity, LoadString(kNoLinkCounted), {names});
}

void MeterEngine::ShowUseInTray(const LocalTime& now) {
    const bool linksChanged = LinkNoteChanged();
    const AllowanceSettings& a = settings.allowance;
    // Without an allowance the tip is the title alone, whatever the use; with
    // one, a new text is made only when an amount or the percent would read
    // differently.
    const std::uint64_t shownUse = a.quotaMB == 0 ? 0 : periodUseKB;
    const PeriodDays days = a.quotaMB == 0 ? PeriodDays{} : DaysOfPeriod(usePeriod, now);
    const std::uint64_t shown = ShownDataAmount(shownUse);
    const std::uint32_t percent = AllowancePercent(shownUse, a.quotaKB);
    const std::uint64_t budget = ShownDataAmount(TodaysBudgetKB(shownUse, a.quotaKB, days));
    const std::uint64_t projection = ShownDataAmount(ProjectedUseKB(shownUse, days));
    if (!linksChanged && shown == tipShownUse && percent == tipPercent && a.quotaMB == tipQuotaMB &&
        budget == tipBudget && projection == tipProjection) {
        return;
    }
    tipShownUse = shown;
    tipPercent = percent;
    tipQuotaMB = a.quotaMB;
    tipBudget = budget;
    tipProjection = projection;
    std::array<char, 256> tip{};
    std::size_t n = TrayTipInto(tip.data(), tip.size(), shownUse, a.quotaMB, days);
    if (tipNoLink && n + 1 < tip.size()) {
        tip[n++] = '\n';
        n += LinkNoteInto(tip.data() + n, tip.size() - n);
    }
    env.window.SetTrayTip(std::string_view(tip.data(), n));
}

void MeterEngine::Notify(NoticeKind kind, std::string_view summary, std::string_view body) {
    if (settings.allowance.notify) {
        notices->Notify(kind, summary, body);
    }
}

void MeterEngine::NotifyHangUp(unsigned textId) {
    Notify(NoticeKind::HangUp, LoadString(textId));
}

void MeterEngine::NotifyErrorHangUp(bool hungUp, bool limitReached) {
    // The rule tries on every error tick at the limit; the user hears of the
    // first attempt and of a changed result, not of every tick.
    if (!limitReached) {
        errorHangUpNoticed = false;
        return;
    }
    const unsigned text = hungUp ? kNoticeErrorHungUp : kNoticeErrorFailed;
    if (!errorHangUpNoticed || lastErrorNotice != text) {
        errorHangUpNoticed = true;
        lastErrorNotice = text;
        NotifyHangUp(text);
    }
}

void MeterEngine::NotifyCountdownStarts() {
    Notify(NoticeKind::Shutdown, LoadString(kLogShutdownStarts),
           FormatText(LoadString(kCountdownText), {std::uint32_t{29}}));
}

}  // namespace trovik
