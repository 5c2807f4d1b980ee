#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trovik {

// Ids of the program's own texts. The settings key names (100 to 145) are
// addressed through SettingKey instead.
enum StringId : std::uint16_t {
    kMsgClearData = 1,
    kMsgNotConnected = 2,
    kMsgHungUp = 3,
    kMsgHangUpFailed = 4,
    kMsgAskHangUp = 5,
    kMeterCaption = 6,
    kMsgCountersUnreadable = 7,
    kMsgTimerFailed = 8,
    kMsgUnsupportedSystem = 9,
    kSettingsCaption = 10,
    kCountdownCaption = 14,
    kCountdownText = 15,
    kMsgAskExit = 17,
    kMsgNoCumulativeFile = 18,
    kMsgShutdownCancelled = 19,
    kMsgShutdownNotCounting = 20,

    kLogErrorHead = 200,
    kLogErrorAlignment = 201,  // ... one text per error bit, up to 207
    kLogTimeUpHungUp = 208,
    kLogTimeUpFailed = 209,
    kLogIdleHungUp = 210,
    kLogIdleFailed = 211,
    kLogShutdownStarts = 212,
    kLogShutdownFailed = 213,
    kLogOperatorHungUp = 214,
    kLogOperatorFailed = 215,
    kLogConnected = 216,
    kLogDisconnected = 217,
    kLogShutdownCancelled = 218,
    kLogRestartMark = 219,
    // The data allowance: the warning level (a format with the percent) and
    // the whole allowance reached, then its hang-up, success and failure.
    kLogQuotaWarning = 220,
    kLogQuotaReached = 221,
    kLogQuotaHungUp = 222,
    kLogQuotaFailed = 223,
    // Notification texts only: the error hang-up writes no log line.
    kNoticeErrorHungUp = 224,
    kNoticeErrorFailed = 225,
    // Time the meter did not run or that the clock skipped: before a sleep,
    // after it (with the time asleep), after the process stood still
    // unannounced, and a change of the wall clock (signed seconds).
    kLogSleeping = 226,
    kLogResumed = 227,
    kLogInterrupted = 228,
    kLogClockChanged = 229,
    // The data allowance's outlook, each a format with an amount: today's
    // budget and the use the period ends with at the pace so far.
    kAllowanceBudget = 240,
    kAllowanceProjection = 241,
    // The links counted: a hang-up left to the line's own service (with the
    // link's name), and what the meter says when it counts no link at all
    // (with the links there are, or none).
    kLogUnmanagedLine = 245,
    kNoLinkCounted = 246,
    kNoLinkPresent = 247,

    kAppTitle = 57344,
};

// The longest error line the tick can build, in bytes: text 200 followed by
// the seven kinds 201 to 207. The table checks it when it is compiled.
inline constexpr std::size_t kLongestErrorLine = 197;

// The text of a string-table entry (UTF-8), or an empty view when there is
// no entry of that id. The view refers to static storage.
std::string_view LoadString(unsigned id);

// The one message that has no id: the statistics source cannot be opened.
inline constexpr std::string_view kStatSourceUnopenedText = "レジストリが開けません。";

}  // namespace trovik
