// The data allowance of a billing period: its use, kept up to date without
// reading the records on every pass; its warning and its end, reported once
// per period; the hang-up when it is used up. Also the meter's desktop
// notifications.

#include "stats/Allowance.h"

#include <array>

#include "core/MeterEngine.h"
#include "res/StringTable.h"
#include "res/TextFormat.h"

namespace trovik {
namespace {

bool InPeriod(std::int64_t t, const BillingPeriod& period) {
    return SamePeriod(CurrentBillingPeriod(ToLocalTime(t), period.closeDay), period);
}

// The warning level in kilobytes.
std::uint64_t WarnLevel(const AllowanceSettings& a) {
    return a.quotaKB * a.warnPercent / 100u;
}

}  // namespace

void MeterEngine::StartAllowance() {
    ReadPeriodUse(CurrentBillingPeriod(ToLocalTime(env.clock.Now()), settings.allowance.closeDay));
    quotaCheckLine = isConnected;
    ShowUseInTray();
}

void MeterEngine::ReadPeriodUse(const BillingPeriod& period) {
    usePeriod = period;
    periodUseKB = ReadPeriodTransferKB(env.files, period);
    // What the files do not hold yet: the periods waiting for their file and
    // the open interval, each where it began.
    for (std::size_t i = 0; i < pendingCount; ++i) {
        if (InPeriod(pending[i].startTime, period)) {
            periodUseKB += std::uint64_t{pending[i].recvKB} + pending[i].sentKB;
        }
    }
    useCountsOpen = InPeriod(cumPeriodStart, period);
    if (useCountsOpen) {
        periodUseKB += std::uint64_t{cumRecvKB} + cumSentKB;
    }
    // Levels the records already pass were crossed before (in an earlier run,
    // or before the clock was set back) and were reported then.
    const AllowanceSettings& a = settings.allowance;
    warnedAtKB = a.quotaKB != 0 && periodUseKB >= WarnLevel(a) ? WarnLevel(a) : 0;
    reachedAtKB = a.quotaKB != 0 && periodUseKB >= a.quotaKB ? a.quotaKB : 0;
}

void MeterEngine::CountAllowance(std::uint64_t kb) {
    if (useCountsOpen) {
        periodUseKB += kb;
    }
}

void MeterEngine::AllowanceSlowStep(const LocalTime& local) {
    const AllowanceSettings& a = settings.allowance;
    const BillingPeriod current = CurrentBillingPeriod(local, a.closeDay);
    if (!SamePeriod(current, usePeriod)) {
        ReadPeriodUse(current);
    }
    if (a.quotaKB != 0) {
        const std::uint64_t warnLevel = WarnLevel(a);
        if (periodUseKB >= a.quotaKB) {
            warnedAtKB = warnLevel;  // the end passes the warning level too
            if (reachedAtKB != a.quotaKB) {
                reachedAtKB = a.quotaKB;
                log.LogEvent(settings.logFile, kLogQuotaReached);
                Notify(NoticeKind::Allowance, LoadString(kLogQuotaReached),
                       AllowanceUseText(periodUseKB, a.quotaMB));
                if (a.discOnQuota && isConnected) {
                    QuotaHangUp();
                }
            }
        } else if (periodUseKB >= warnLevel && warnedAtKB != warnLevel) {
            warnedAtKB = warnLevel;
            const std::string text = FormatText(LoadString(kLogQuotaWarning), {a.warnPercent});
            if (settings.logFile) {
                (void)log.AppendLogLine(text);
            }
            Notify(NoticeKind::Allowance, text, AllowanceUseText(periodUseKB, a.quotaMB));
        }
    }
    ShowUseInTray();
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
    const BillingPeriod current = CurrentBillingPeriod(ToLocalTime(env.clock.Now()), a.closeDay);
    if (!SamePeriod(current, usePeriod)) {
        ReadPeriodUse(current);
        ShowUseInTray();
    }
    if (periodUseKB >= a.quotaKB) {
        QuotaHangUp();
    }
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

void MeterEngine::ShowUseInTray() {
    const bool linksChanged = LinkNoteChanged();
    const AllowanceSettings& a = settings.allowance;
    // Without an allowance the tip is the title alone, whatever the use; with
    // one, a new text is made only when the amount or the percent would read
    // differently.
    const std::uint64_t shownUse = a.quotaMB == 0 ? 0 : periodUseKB;
    const std::uint64_t shown = ShownDataAmount(shownUse);
    const std::uint32_t percent = AllowancePercent(shownUse, a.quotaKB);
    if (!linksChanged && shown == tipShownUse && percent == tipPercent && a.quotaMB == tipQuotaMB) {
        return;
    }
    tipShownUse = shown;
    tipPercent = percent;
    tipQuotaMB = a.quotaMB;
    std::array<char, 256> tip{};
    std::size_t n = TrayTipInto(tip.data(), tip.size(), shownUse, a.quotaMB);
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
