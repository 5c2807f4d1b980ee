// Stores the input as the weekly scope file, then runs the loader, one sample
// and the repair over it and checks each result: the image read, the file
// written back at exactly the format's size, highest never below latest after
// the repair.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "stats/DataFiles.h"
#include "stats/FileImage.h"
#include "stats/WeeklyScope.h"

namespace {

namespace fs = std::filesystem;
using trovik::DataFiles;
using trovik::ScopeImage;

constexpr std::size_t kFull = trovik::kScopeFileSize;
constexpr std::size_t kHighest = 4032;

using trovik::fuzz::Check;

// Every input leaves the directory empty again.
const fs::path& Directory() {
    return trovik::fuzz::ScratchDirectory("trovik-fuzz-scope-");
}

// The stored bytes padded with zeros or cut to the format's size.
std::vector<std::uint8_t> Stored(const fs::path& path) {
    return trovik::fuzz::Stored(path, kFull);
}

using trovik::fuzz::Take32;

void Put32(std::vector<std::uint8_t>& b, std::size_t offset, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) {
        b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

}  // namespace

// Input: flags (1: a file is there, 2: a directory in its place), the rate
// (32 bits), the weekday and the slot of the day, then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t header[7] = {};
    std::memcpy(header, data, std::min(size, sizeof header));
    const std::uint8_t* body = data + std::min(size, sizeof header);
    const std::size_t bodySize = size - std::min(size, sizeof header);

    const fs::path& dir = Directory();
    const DataFiles files(dir.string(), "Trovik");
    const fs::path path = files.ScopePath();

    const bool blocked = (header[0] & 2) != 0;
    const bool present = (header[0] & 1) != 0;
    if (blocked) {
        fs::create_directory(path);
    } else if (present) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(body), static_cast<std::streamsize>(bodySize));
        Check(out.good());
    }
    const std::uint32_t rate = Take32(header + 1);
    const unsigned weekday = header[5] % 8u;      // 7 is out of range
    const unsigned slotOfDay = header[6] % 150u;  // 144 and above are out of range
    const bool valid = weekday < 7 && slotOfDay < 144;

    ScopeImage image;
    const bool loaded = trovik::LoadWeeklyScope(files, image);
    if (blocked) {
        Check(!loaded);
        Check(std::all_of(image.Bytes().begin(), image.Bytes().end(),
                          [](std::uint8_t b) { return b == 0; }));
        Check(!trovik::RecordScopeSample(files, rate, weekday, slotOfDay));
        Check(!trovik::RepairWeeklyScope(files));
        Check(fs::is_directory(path) && fs::is_empty(path));
        fs::remove(path);
        return 0;
    }
    Check(loaded);
    std::vector<std::uint8_t> expect = Stored(path);
    Check(std::equal(image.Bytes().begin(), image.Bytes().end(), expect.begin()));
    Check(trovik::FileLength(path.string()) == (present ? bodySize : 0));

    const bool recorded = trovik::RecordScopeSample(files, rate, weekday, slotOfDay);
    Check(recorded == valid);
    if (valid) {
        const std::size_t slot = weekday * 144 + slotOfDay;
        Put32(expect, 4 * slot, rate);
        Put32(expect, kHighest + 4 * slot, std::max(rate, Take32(&expect[kHighest + 4 * slot])));
        Check(trovik::FileLength(path.string()) == kFull);
    }
    Check(Stored(path) == expect);

    Check(trovik::RepairWeeklyScope(files));
    Check(trovik::FileLength(path.string()) == kFull);
    const std::vector<std::uint8_t> repaired = Stored(path);
    for (std::size_t s = 0; s < 1008; ++s) {
        const std::uint32_t latest = Take32(&expect[4 * s]);
        const std::uint32_t highest = std::max(latest, Take32(&expect[kHighest + 4 * s]));
        Check(Take32(&repaired[4 * s]) == latest);
        Check(Take32(&repaired[kHighest + 4 * s]) == highest);
    }
    Check(trovik::LoadWeeklyScope(files, image));
    for (std::size_t s = 0; s < 1008; ++s) {
        Check(image.Highest(s) >= image.Latest(s));
    }

    // Only the scope file itself: no temporary file stays behind.
    Check(std::distance(fs::directory_iterator(dir), fs::directory_iterator()) == 1);
    fs::remove(path);
    return 0;
}
