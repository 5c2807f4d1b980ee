#include "stats/WeeklyScope.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace trovik {
bool RecordScopeSample(const DataFiles& files, std::uint32_t rate, unsigned weekday,
                       unsigned slotOfDay) {
    if (weekday >= kScopeDays || slotOfDay >= kScopeSlotsPerDay) {
        return false;
    }
    const std::string path = files.ScopePath();
    ScopeImage image;
    if (ReadStoredImage(path, image.Bytes()) == StoredFile::Unusable) {
        return false;
    }
    const std::size_t slot = weekday * kScopeSlotsPerDay + slotOfDay;
    image.SetLatest(slot, rate);
    if (rate >= image.Highest(slot)) {
        image.SetHighest(slot, rate);
    }
    return ReplaceFile(path, image.Bytes(), Durability::Synced);
}

bool LoadWeeklyScope(const DataFiles& files, ScopeImage& image) {
    const std::string path = files.ScopePath();
    switch (ReadStoredImage(path, image.Bytes())) {
        case StoredFile::Read:
            return true;
        case StoredFile::Missing:
            return EnsureFileExists(path);
        case StoredFile::Unusable:
            break;
    }
    return false;
}

bool RepairWeeklyScope(const DataFiles& files) {
    const std::string path = files.ScopePath();
    ScopeImage image;
    if (ReadStoredImage(path, image.Bytes()) == StoredFile::Unusable) {
        return false;
    }
    for (std::size_t slot = 0; slot < kScopeSlots; ++slot) {
        if (image.Highest(slot) < image.Latest(slot)) {
            image.SetHighest(slot, image.Latest(slot));
        }
    }
    return ReplaceFile(path, image.Bytes(), Durability::Synced);
}

}  // namespace trovik
