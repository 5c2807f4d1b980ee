// Feeds arbitrary log files to the event log's readers and its append, and
// checks the bounds against a plain model of what must be kept.
//
// Input: with fewer than 8 bytes the input is the log file and the text is
// "t". Otherwise
//   byte 0     flags: 1 = build the file by repeating the pattern to the
//              length below, 2 = build the text the same way, 4 = clear the
//              log at the end
//   bytes 1-3  file length when repeating, modulo 300,001 (larger than the
//              buffer, so foreign oversized logs are covered)
//   bytes 4-5  text length when repeating, times 2 (up to 131,070 bytes)
//   byte 6, 7  hour and minute of the time stamp (any value up to 255)
//   the rest   the pattern; without flag 1 it is the file itself, and without
//              flag 2 the text is its first 16 bytes
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>

#include "fuzz/FuzzScratch.h"
#include "stats/EventLog.h"

namespace {

namespace fs = std::filesystem;
using trovik::EventLog;
using trovik::kLogBufferSize;
using trovik::kLogMaxLines;
using trovik::LocalTime;
using trovik::LogText;

constexpr std::size_t kMaxFile = 300000;

const fs::path& Dir() {
    return trovik::fuzz::ScratchDirectory("trovik-fuzz-log-");
}

std::string Contents(const std::string& path) {
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[65536];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            out.append(chunk, n);
        }
        std::fclose(f);
    }
    return out;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string Repeat(std::string_view pattern, std::size_t length) {
    if (pattern.empty()) {
        pattern = "\n";
    }
    std::string out(pattern.substr(0, std::min(pattern.size(), length)));
    while (out.size() < length) {
        out.append(out, 0, std::min(out.size(), length - out.size()));
    }
    return out;
}

std::size_t CountLf(std::string_view s) {
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
}

// What a reader keeps of a stored file: all of it when it fits the
// buffer, else the whole lines of its last kLogBufferSize bytes.
std::string ModelKept(const std::string& file) {
    if (file.size() <= kLogBufferSize) {
        return file;
    }
    const std::size_t start = file.size() - kLogBufferSize;
    if (file[start - 1] == '\n') {
        return file.substr(start);
    }
    const std::size_t lf = file.find('\n', start);
    return lf == std::string::npos ? std::string() : file.substr(lf + 1);
}

// The log after appending `line` (CR LF included) to `kept`: the oldest whole
// lines give way until the line fits, else the line is dropped; then at most
// 1000 LF bytes remain.
std::string ModelAppend(const std::string& kept, const std::string& line, bool& appended) {
    const std::size_t n = line.size() - 2;
    const auto fits = [&](std::size_t length) { return length + n + 3 < kLogBufferSize; };
    std::string s = kept;
    appended = false;
    std::size_t from = 0;
    while (!fits(s.size() - from)) {
        const std::size_t lf = s.find('\n', from);
        if (lf == std::string::npos) {
            break;
        }
        from = lf + 1;
    }
    if (fits(s.size() - from)) {
        s = s.substr(from) + line;
        appended = true;
    }
    std::size_t count = CountLf(s);
    std::size_t cut = 0;
    while (count > kLogMaxLines) {
        cut = s.find('\n', cut) + 1;
        --count;
    }
    return s.substr(cut);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = (Dir() / "Fuzz.LOG").string();
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string file;
    std::string text = "t";
    LocalTime time = {2001, 3, 3, 21, 5, 0, 6};
    bool clear = false;
    if (size < 8) {
        file = std::string(input);
    } else {
        const unsigned flags = data[0];
        const std::size_t fileLength =
            (static_cast<std::size_t>(data[1]) | static_cast<std::size_t>(data[2]) << 8 |
             static_cast<std::size_t>(data[3]) << 16) %
            (kMaxFile + 1);
        const std::size_t textLength =
            (static_cast<std::size_t>(data[4]) | static_cast<std::size_t>(data[5]) << 8) * 2;
        time.hour = data[6];
        time.minute = data[7];
        const std::string_view pattern = input.substr(8);
        file = (flags & 1) != 0 ? Repeat(pattern, fileLength) : std::string(pattern);
        text = (flags & 2) != 0
                   ? Repeat(pattern, textLength)
                   : std::string(pattern.substr(0, std::min<std::size_t>(16, pattern.size())));
        clear = (flags & 4) != 0;
    }
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }

    EventLog log(path, [&time] { return time; });
    const std::string kept = ModelKept(file);

    const LogText shown = log.ReadLogText();
    if (kept.empty()) {
        Check(shown.kind == LogText::Kind::Empty && shown.text == trovik::kLogEmptyText,
              "empty log shown as empty");
    } else {
        Check(shown.kind == LogText::Kind::Log, "log shown");
        Check(shown.text == kept, "shown text is the kept part");
    }
    Check(shown.text.size() <= kLogBufferSize, "shown text within the buffer");
    Check(Contents(path) == file, "reading leaves the file as it is");

    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u/%02u/%02u %02u:%02u ", time.year, time.month, time.day,
                  time.hour, time.minute);
    const std::string line = stamp + text + "\r\n";
    bool appended = false;
    const std::string expected = ModelAppend(kept, line, appended);

    const bool result = log.AppendLogLine(text);
    const std::string after = Contents(path);
    Check(after == expected, "append keeps what the model keeps");
    Check(result == appended, "append reports whether the line went in");
    Check(after.size() <= kLogBufferSize, "file within the buffer");
    Check(CountLf(after) <= kLogMaxLines, "at most 1000 LF");
    // Only a file that was already at its limit and got no line may stay
    // above 99,998 bytes, and then it is what was kept, unchanged.
    Check(after.size() <= kLogBufferSize - 2 || (!appended && after == kept),
          "appending never grows the file past 99,998 bytes");
    if (appended && text.find('\n') == std::string::npos) {
        Check(after.size() >= line.size() &&
                  after.compare(after.size() - line.size(), line.size(), line) == 0,
              "the line ends the file");
    }

    if (clear) {
        Check(log.ClearLog(), "clear succeeds");
        Check(fs::file_size(path) == 0, "clear empties the file");
    }
    Check(std::distance(fs::directory_iterator(Dir()), {}) == 1, "no temporary files left");
    return 0;
}
