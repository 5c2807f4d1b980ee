#include "stats/EventLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "res/StringTable.h"
#include "res/TextFormat.h"
#include "stats/FileImage.h"

namespace trovik {
namespace {

// Reads the log into `buffer` (kLogBufferSize bytes) and returns the number
// of bytes it now holds: 0 for an absent file, nothing when the file exists
// but cannot be read (it must then not be overwritten).
//
// A log longer than the buffer can only have been written by something else.
// Never more than the buffer is read: its newest whole lines are kept, that
// is the file's last kLogBufferSize bytes without the partial line they begin
// with (unless they begin exactly at a line start). Taking the tail rather
// than the head keeps the newest events and lets the usual bounds continue
// from there; a tail without any LF keeps nothing.
std::optional<std::size_t> ReadKeptLog(const std::string& path, std::span<std::uint8_t> buffer) {
    // Not blocking: a FIFO in the log's place must not stall the meter. A
    // link in its place (even one leading nowhere) is not the log either.
    ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.Get() < 0) {
        if (errno == ENOENT) {
            return 0;
        }
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t start = size > buffer.size() ? size - buffer.size() : 0;
    const auto length = ReadAt(fd.Get(), buffer, static_cast<std::int64_t>(start));
    if (!length) {
        return std::nullopt;
    }
    if (start == 0) {
        return length;
    }
    std::uint8_t before = 0;
    const auto got =
        ReadAt(fd.Get(), std::span<std::uint8_t>(&before, 1), static_cast<std::int64_t>(start - 1));
    if (!got) {
        return std::nullopt;
    }
    if (*got == 1 && before == '\n') {
        return length;
    }
    const auto begin = buffer.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(*length);
    const auto lf = std::find(begin, end, std::uint8_t{'\n'});
    if (lf == end) {
        return 0;
    }
    const auto kept = static_cast<std::size_t>(end - (lf + 1));
    std::memmove(buffer.data(), &*lf + 1, kept);
    return kept;
}

// True when nothing is at `path` or a regular file that may be replaced;
// false for anything else (a directory, a link, an unreachable path).
bool AbsentOrRegular(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    return S_ISREG(st.st_mode);
}

// The zero-filled working buffer, or nothing when memory is short.
std::optional<std::vector<std::uint8_t>> AllocateLogBuffer() {
    try {
        return std::vector<std::uint8_t>(kLogBufferSize);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// The number of leading bytes to skip so that the line of `lineLength` bytes
// (without CR LF) fits after the remaining `length` bytes: 0 when it fits
// as it is, otherwise the end of the shortest run of whole oldest lines
// whose removal makes room. Nothing when no removal of whole lines helps.
std::optional<std::size_t> SkipForRoom(const std::uint8_t* data, std::size_t length,
                                       std::size_t lineLength) {
    // Fits while length + lineLength + 3 < kLogBufferSize.
    const std::size_t limit = kLogBufferSize - 3;  // length + lineLength must stay below
    if (lineLength >= limit) {
        return std::nullopt;
    }
    const std::size_t room = limit - lineLength;  // length must stay below this
    if (length < room) {
        return 0;
    }
    const std::size_t mustDrop = length - room + 1;
    // The skip ends just after an LF at index mustDrop - 1 or later.
    const std::uint8_t* end = data + length;
    const std::uint8_t* lf = std::find(data + mustDrop - 1, end, std::uint8_t{'\n'});
    if (lf == end) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(lf - data) + 1;
}

// The number of leading bytes to skip so that at most kLogMaxLines LF bytes
// remain: up to and including the (count - 1000)-th LF.
std::size_t SkipForLineCount(const std::uint8_t* data, std::size_t length) {
    const auto count =
        static_cast<std::size_t>(std::count(data, data + length, std::uint8_t{'\n'}));
    if (count <= kLogMaxLines) {
        return 0;
    }
    std::size_t toSkip = count - kLogMaxLines;
    for (std::size_t i = 0; i < length; ++i) {
        if (data[i] == '\n' && --toSkip == 0) {
            return i + 1;
        }
    }
    return length;  // not reached: there are more LF bytes than toSkip
}

}  // namespace

EventLog::EventLog(std::string logPath, LogClock localNow)
    : path(std::move(logPath)), now(std::move(localNow)) {}

bool EventLog::LogEvent(bool enabled, unsigned textId) {
    if (!enabled) {
        return false;
    }
    const std::string_view text = LoadString(textId);
    if (text.empty()) {
        return false;
    }
    return AppendLogLine(text);
}

bool EventLog::AppendLogLine(std::string_view text) {
    // The time is taken once, before the file is touched.
    const LocalTime t = now ? now() : LocalTime{};
    std::string line;
    try {
        line = FormatText("%04u/%02u/%02u %02u:%02u %s",
                          {t.year, t.month, t.day, t.hour, t.minute, text});
    } catch (const std::bad_alloc&) {
        return false;
    }
    auto buffer = AllocateLogBuffer();
    if (!buffer) {
        return false;
    }
    std::uint8_t* data = buffer->data();
    const auto read = ReadKeptLog(path, *buffer);
    if (!read) {
        return false;
    }
    std::size_t length = *read;

    // Make room by dropping the oldest lines, then append the line and CR LF;
    // when no room can be made the line is dropped and the rest still runs.
    const auto skip = SkipForRoom(data, length, line.size());
    if (skip) {
        std::memmove(data, data + *skip, length - *skip);
        length -= *skip;
        std::memcpy(data + length, line.data(), line.size());
        length += line.size();
        data[length++] = '\r';
        data[length++] = '\n';
    }

    const std::size_t start = SkipForLineCount(data, length);
    const std::span<const std::uint8_t> kept(data + start, length - start);
    return ReplaceFile(path, kept, Durability::Unsynced) && skip.has_value();
}

LogText EventLog::ReadLogText() const {
    auto buffer = AllocateLogBuffer();
    if (!buffer) {
        return {LogText::Kind::NoMemory, std::string(kLogNoMemoryText)};
    }
    if (!AbsentOrRegular(path) || !EnsureFileExists(path)) {
        return {};
    }
    const auto length = ReadKeptLog(path, *buffer);
    if (!length) {
        return {};
    }
    if (*length == 0) {
        return {LogText::Kind::Empty, std::string(kLogEmptyText)};
    }
    try {
        return {LogText::Kind::Log,
                std::string(reinterpret_cast<const char*>(buffer->data()), *length)};
    } catch (const std::bad_alloc&) {
        return {LogText::Kind::NoMemory, std::string(kLogNoMemoryText)};
    }
}

bool EventLog::ClearLog() {
    return AbsentOrRegular(path) && ReplaceFile(path, {}, Durability::Unsynced);
}

}  // namespace trovik
