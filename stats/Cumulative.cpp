#include "stats/Cumulative.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <string>

#include "stats/Calendar.h"

namespace trovik {
namespace {

// Copies the December records of the previous year's image into records 0 to
// 30 of the year's image.
void CopyPreviousDecember(unsigned year, const CumulativeImage& previous, CumulativeImage& image) {
    const std::size_t first = DayIndex(year - 1, 12, 1);
    const auto from = previous.Bytes().subspan(kCumulativeHeaderSize + kDayRecordSize * first,
                                               kDayRecordSize * kPreviousDecemberRecords);
    std::copy(from.begin(), from.end(), image.Bytes().begin() + kCumulativeHeaderSize);
}

// Reads the previous year's file (zero when missing or unreadable) and copies
// its December into `image`. `scratch` receives the whole previous file.
void LoadPreviousDecember(const DataFiles& files, unsigned year, CumulativeImage& scratch,
                          CumulativeImage& image) {
    scratch.Clear();
    if (year > 0) {
        ReadStoredImage(files.CumulativePath(year - 1), scratch.Bytes());
    }
    CopyPreviousDecember(year, scratch, image);
}

// value + add, held at limit (value is at most limit).
std::uint32_t AddHeld(std::uint32_t value, std::uint32_t add, std::uint32_t limit) {
    return add >= limit - value ? limit : value + add;
}

void AddToRecord(const CumulativeInterval& interval, unsigned hour, DayRecord record) {
    record.SetRecvKB(record.RecvKB() + interval.recvKB);
    record.SetSentKB(record.SentKB() + interval.sentKB);
    const HourEntry entry = record.Hour(hour);
    entry.SetSeconds(static_cast<std::uint16_t>(
        AddHeld(entry.Seconds(), interval.seconds, std::numeric_limits<std::uint16_t>::max())));
    entry.SetConnections(static_cast<std::uint8_t>(
        AddHeld(entry.Connections(), interval.connectionsEnded, kMaxHourConnections)));
}

}  // namespace

bool AddCumulativeInterval(const DataFiles& files, const CumulativeInterval& interval) {
    const LocalTime start = ToLocalTime(interval.startTime);
    const std::string path = files.CumulativePath(start.year);
    const unsigned record = DayIndex(start.year, start.month, start.day);
    if (record < kPreviousDecemberRecords || record >= kDayRecords || start.hour >= kHoursPerDay) {
        return false;
    }

    // Up to two 41,916-byte images, kept off the stack; this runs once per
    // closed interval, not per tick.
    auto image = std::make_unique<CumulativeImage>();
    switch (ReadStoredImage(path, image->Bytes())) {
        case StoredFile::Read:
            break;
        case StoredFile::Missing: {
            auto previous = std::make_unique<CumulativeImage>();
            LoadPreviousDecember(files, start.year, *previous, *image);
            break;
        }
        case StoredFile::Unusable:
            return false;
    }

    AddToRecord(interval, start.hour, image->Record(record));
    return ReplaceFile(path, image->Bytes(), Durability::Synced);
}

bool ReadCumulativeYear(const DataFiles& files, unsigned year, CumulativeImage& image) {
    auto previous = std::make_unique<CumulativeImage>();
    const bool own = ReadStoredImage(files.CumulativePath(year), image.Bytes()) == StoredFile::Read;
    LoadPreviousDecember(files, year, *previous, image);
    return own;
}

}  // namespace trovik
