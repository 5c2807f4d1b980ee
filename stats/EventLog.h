#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "stats/Calendar.h"

namespace trovik {

// The whole log is handled in one buffer of this size; the file is kept
// below it (at most kLogBufferSize - 2 bytes after any append).
inline constexpr std::size_t kLogBufferSize = 100000;
// Lines kept, counted as LF bytes; a final line without LF is not counted.
inline constexpr std::size_t kLogMaxLines = 1000;

// What the log viewer shows instead of the log.
inline constexpr std::string_view kLogEmptyText = "ログは空です。";
inline constexpr std::string_view kLogNoMemoryText = "ログを表示するためのメモリを確保できません。";

// The present local time, for the lines' time stamps. The meter passes a
// callable over its Clock (ToLocalTime(clock.Now())); tests pass a fixed time.
using LogClock = std::function<LocalTime()>;

// The result of ReadLogText, for the log viewer.
struct LogText {
    enum class Kind : std::uint8_t {
        Log,       // `text` is the log (see ReadLogText for an oversized file)
        Empty,     // the log is empty; `text` is kLogEmptyText
        NoMemory,  // no buffer could be had; `text` is kLogNoMemoryText
        NoResult,  // the file could not be created or read; the viewer keeps what it shows
    };
    Kind kind = Kind::NoResult;
    std::string text;
};

// The event log: a UTF-8 text file of time-stamped lines ended by CR LF,
// "YYYY/MM/DD hh:mm text". It keeps its newest 1000 lines within the
// 100,000-byte buffer. Nothing is held in memory between calls: every
// operation reads the file and replaces it as a whole (atomically, through a
// temporary file and a rename), so a crash never leaves a torn log.
//
// Failures are never reported to the user; the boolean results are for
// tests. Called once per event from the GUI thread, never per meter tick
// (every call allocates the buffer).
class EventLog {
public:
    EventLog(std::string logPath, LogClock localNow);

    // Appends the string-table text `textId` when `enabled` (the meter's copy
    // of LogFile); with logging off nothing happens and no file is created.
    // An id without a text writes nothing. True when the line was written.
    bool LogEvent(bool enabled, unsigned textId);

    // Appends "YYYY/MM/DD hh:mm " + text + CR LF, with the present local
    // time; `text` is written verbatim. The file is created when absent.
    // Bounds, applied in this order:
    //  - the line goes in only while file length + line length + 3 is below
    //    100,000 bytes; when it does not fit, the oldest whole lines are
    //    dropped to make room, and when even that is not enough (an
    //    over-long text, or one unended line filling the buffer) the line is
    //    dropped and the file is rewritten unchanged;
    //  - with more than 1000 LF bytes the oldest lines are dropped so that
    //    exactly 1000 remain.
    // Old lines give way rather than the new one so that a full log keeps
    // recording: in UTF-8 the Japanese texts take 1.5 times (kanji) to 3
    // times (half-width katakana) the room they take in Shift-JIS, and 1000
    // lines often pass the byte bound. Anything in the log's place that
    // cannot be read as a regular file, a symbolic link included, is left
    // alone. True when the line is in the file afterwards.
    bool AppendLogLine(std::string_view text);

    // The whole log for the viewer, byte for byte. An absent file is created
    // empty (never through a link). A file longer than the buffer (only something else writes one)
    // is never read beyond it: what is shown, and what the next append
    // starts from, are its newest whole lines within its last 100,000 bytes.
    LogText ReadLogText() const;

    // Empties the log (creating it when absent). True on success.
    bool ClearLog();

    const std::string& Path() const { return path; }

private:
    std::string path;
    LogClock now;
};

}  // namespace trovik
