// Stores the input as a year file and a previous-year file of the cumulative
// totals, then runs the reader and the writer over them and checks what they
// produce: the image read, and a year file written back at exactly the
// format's size with only the interval's day and hour changed.

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "stats/Calendar.h"
#include "stats/Cumulative.h"
#include "stats/DataFiles.h"
#include "stats/FileImage.h"

namespace {

namespace fs = std::filesystem;
using trovik::CumulativeImage;
using trovik::DataFiles;

constexpr std::size_t kFull = trovik::kCumulativeFileSize;
constexpr unsigned kYear = 2001;
// December 1 of 2000 (a leap year) is record 366, at this offset.
constexpr std::size_t kPreviousDecemberOffset = 4 + 104 * 366;
constexpr std::size_t kDecemberBytes = 31 * 104;
// 2000-12-31 00:00:00 in JST (UTC+9).
constexpr std::int64_t kFirstStart = 978274800 - 86400;
constexpr std::int64_t kStartSpan = 86400 * 368;  // up to 2002-01-01

using trovik::fuzz::Check;

// Every input leaves the directory empty again. The local times are JST's,
// set before the first use.
const fs::path& Directory() {
    static const bool japan = [] {
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
        return true;
    }();
    (void)japan;
    return trovik::fuzz::ScratchDirectory("trovik-fuzz-cumulative-");
}

fs::path YearPath(unsigned year) {
    return Directory() / ("Trovik_" + std::to_string(year) + ".CUM");
}

void WriteAll(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Check(out.good());
}

// The stored bytes padded with zeros or cut to the format's size.
std::vector<std::uint8_t> Stored(const fs::path& path) {
    return trovik::fuzz::Stored(path, kFull);
}

using trovik::fuzz::Take32;

void CheckReadImage(bool yearFile, bool previousFile, bool ownRead, const CumulativeImage& image) {
    Check(ownRead == yearFile);
    const std::vector<std::uint8_t> own =
        yearFile ? Stored(YearPath(kYear)) : std::vector<std::uint8_t>(kFull, 0);
    const std::vector<std::uint8_t> previous =
        previousFile ? Stored(YearPath(kYear - 1)) : std::vector<std::uint8_t>(kFull, 0);
    const auto bytes = image.Bytes();
    Check(std::equal(bytes.begin(), bytes.begin() + 4, own.begin()));
    Check(std::equal(bytes.begin() + 4, bytes.begin() + 4 + kDecemberBytes,
                     previous.begin() + kPreviousDecemberOffset));
    Check(std::equal(bytes.begin() + 4 + kDecemberBytes, bytes.end(),
                     own.begin() + 4 + kDecemberBytes));
}

void CheckAdd(const trovik::CumulativeInterval& interval, bool blocked) {
    const trovik::LocalTime start = trovik::ToLocalTime(interval.startTime);
    const fs::path path = YearPath(start.year);
    const bool existed = fs::exists(path);
    const bool previousExisted = fs::is_regular_file(YearPath(start.year - 1));
    const std::vector<std::uint8_t> before =
        existed && !blocked ? Stored(path) : std::vector<std::uint8_t>(kFull);
    const std::vector<std::uint8_t> previous =
        previousExisted ? Stored(YearPath(start.year - 1)) : std::vector<std::uint8_t>(kFull, 0);

    const bool ok =
        trovik::AddCumulativeInterval(DataFiles(Directory().string(), "Trovik"), interval);
    if (blocked) {
        Check(!ok);
        Check(fs::is_directory(path));
        return;
    }
    Check(ok);
    Check(trovik::FileLength(path.string()) == kFull);

    std::vector<std::uint8_t> expect = before;
    if (!existed) {
        const std::size_t decemberOffset =
            4 + 104 * static_cast<std::size_t>(trovik::IsLeapYear(start.year - 1) ? 366 : 365);
        std::copy_n(previous.begin() + static_cast<std::ptrdiff_t>(decemberOffset), kDecemberBytes,
                    expect.begin() + 4);
    }
    const std::size_t record = 4 + 104 * trovik::DayIndex(start.year, start.month, start.day);
    const std::size_t hour = record + 8 + 4 * start.hour;
    const std::uint32_t recv = Take32(&expect[record]) + interval.recvKB;
    const std::uint32_t sent = Take32(&expect[record + 4]) + interval.sentKB;
    const std::uint64_t seconds = std::min<std::uint64_t>(
        65535, std::uint64_t{expect[hour]} + (std::uint64_t{expect[hour + 1]} << 8) +
                   std::uint64_t{interval.seconds});
    const std::uint64_t ended =
        std::min<std::uint64_t>(255, expect[hour + 2] + std::uint64_t{interval.connectionsEnded});
    for (int i = 0; i < 4; ++i) {
        expect[record + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(recv >> (8 * i));
        expect[record + 4 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(sent >> (8 * i));
    }
    expect[hour] = static_cast<std::uint8_t>(seconds);
    expect[hour + 1] = static_cast<std::uint8_t>(seconds >> 8);
    expect[hour + 2] = static_cast<std::uint8_t>(ended);
    Check(Stored(path) == expect);
}

}  // namespace

// Input: a 23-byte header (flags; the split between the two files, 16 bits;
// the interval's start offset, received KB, sent KB, seconds and connections,
// 32 bits each), then the year file's bytes followed by the previous year's.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t header[23] = {};
    std::memcpy(header, data, std::min(size, sizeof header));
    const std::uint8_t* body = data + std::min(size, sizeof header);
    const std::size_t bodySize = size - std::min(size, sizeof header);

    const fs::path& dir = Directory();

    const bool yearFile = (header[0] & 1) != 0;
    const bool previousFile = (header[0] & 2) != 0;
    const bool blocked = (header[0] & 4) != 0;  // a directory in the year file's place
    const std::size_t split =
        std::min<std::size_t>(bodySize, static_cast<std::size_t>(header[1] | (header[2] << 8)) * 8);
    if (blocked) {
        fs::create_directory(YearPath(kYear));
    } else if (yearFile) {
        WriteAll(YearPath(kYear), body, split);
    }
    if (previousFile) {
        WriteAll(YearPath(kYear - 1), body + split, bodySize - split);
    }

    CumulativeImage image;
    const DataFiles files(dir.string(), "Trovik");
    CheckReadImage(yearFile && !blocked, previousFile,
                   trovik::ReadCumulativeYear(files, kYear, image), image);

    trovik::CumulativeInterval interval;
    interval.startTime = kFirstStart + static_cast<std::int64_t>(Take32(header + 3) % kStartSpan);
    interval.recvKB = Take32(header + 7);
    interval.sentKB = Take32(header + 11);
    interval.seconds = Take32(header + 15);
    interval.connectionsEnded = Take32(header + 19);
    const bool intoBlocked = blocked && trovik::ToLocalTime(interval.startTime).year == kYear;
    CheckAdd(interval, intoBlocked);

    // Nothing but the year files themselves: no temporary file stays behind.
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        Check(name.size() == std::string("Trovik_2001.CUM").size() && name.ends_with(".CUM"));
    }
    for (unsigned year = kYear - 1; year <= kYear + 1; ++year) {
        fs::remove_all(YearPath(year));
    }
    return 0;
}
