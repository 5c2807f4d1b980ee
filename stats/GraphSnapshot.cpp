#include "stats/GraphSnapshot.h"

#include <array>
#include <cstring>
#include <optional>
#include <span>

#include "stats/FileImage.h"

namespace trovik {
namespace {

constexpr std::size_t kSeriesBytes = kHistoryLevels * kHistoryPoints * 4;  // 1920
constexpr std::size_t kSentOffset = kGraphSnapshotHeaderSize;              // 20
constexpr std::size_t kRecvOffset = kSentOffset + kSeriesBytes;            // 1940
constexpr std::size_t kRecvAvgOffset = kRecvOffset + kSeriesBytes;         // 3860
constexpr std::size_t kEventsOffset = kRecvAvgOffset + kSeriesBytes;       // 5780
static_assert(kEventsOffset + kHistoryLevels * kHistoryPoints == kGraphSnapshotSize);

using Image = std::array<std::uint8_t, kGraphSnapshotSize>;

void StoreSeries(std::uint8_t* out, const RateHistory::Series<std::uint32_t>& series) {
    for (std::size_t level = 0; level < kHistoryLevels; ++level) {
        for (std::size_t i = 0; i < kHistoryPoints; ++i) {
            StoreLE32(out + (level * kHistoryPoints + i) * 4, series[level][i]);
        }
    }
}

void LoadSeries(const std::uint8_t* in, RateHistory::Series<std::uint32_t>& series) {
    for (std::size_t level = 0; level < kHistoryLevels; ++level) {
        for (std::size_t i = 0; i < kHistoryPoints; ++i) {
            series[level][i] = LoadLE32(in + (level * kHistoryPoints + i) * 4);
        }
    }
}

// Reads the file once into `image`; true when it is exactly the snapshot's
// size (one byte more is asked for, to tell a longer file) with the magic.
bool ReadValidImage(const std::string& path, Image& image) {
    std::array<std::uint8_t, kGraphSnapshotSize + 1> buffer{};
    const auto length = ReadFileInto(path, buffer);
    if (!length || *length != kGraphSnapshotSize ||
        std::memcmp(buffer.data(), kGraphSnapshotMagic.data(), kGraphSnapshotMagic.size()) != 0) {
        return false;
    }
    std::memcpy(image.data(), buffer.data(), kGraphSnapshotSize);
    return true;
}

}  // namespace

bool SaveGraphSnapshot(const std::string& path, const LocalTime& now, std::uint32_t scaleTx,
                       std::uint32_t scaleRx, const RateHistory& history) {
    Image image{};
    std::memcpy(image.data(), kGraphSnapshotMagic.data(), kGraphSnapshotMagic.size());
    image[8] = static_cast<std::uint8_t>(now.month);
    image[9] = static_cast<std::uint8_t>(now.day);
    image[10] = static_cast<std::uint8_t>(now.hour);
    image[11] = static_cast<std::uint8_t>(now.minute);
    StoreLE32(&image[12], scaleTx);
    StoreLE32(&image[16], scaleRx);
    StoreSeries(&image[kSentOffset], history.historySent);
    StoreSeries(&image[kRecvOffset], history.historyRecv);
    StoreSeries(&image[kRecvAvgOffset], history.historyRecvAvg);
    for (std::size_t level = 0; level < kHistoryLevels; ++level) {
        std::memcpy(&image[kEventsOffset + level * kHistoryPoints],
                    history.historyEvents[level].data(), kHistoryPoints);
    }
    return ReplaceFile(path, image, Durability::Synced);
}

bool IsGraphSnapshotValid(const std::string& path) {
    Image image;
    return ReadValidImage(path, image);
}

bool LoadGraphSnapshot(const std::string& path, GraphSnapshotHeader& header, RateHistory& history) {
    Image image;
    if (!ReadValidImage(path, image)) {
        return false;
    }
    header.month = image[8];
    header.day = image[9];
    header.hour = image[10];
    header.minute = image[11];
    header.scaleTx = LoadLE32(&image[12]);
    header.scaleRx = LoadLE32(&image[16]);
    LoadSeries(&image[kSentOffset], history.historySent);
    LoadSeries(&image[kRecvOffset], history.historyRecv);
    LoadSeries(&image[kRecvAvgOffset], history.historyRecvAvg);
    for (std::size_t level = 0; level < kHistoryLevels; ++level) {
        std::memcpy(history.historyEvents[level].data(),
                    &image[kEventsOffset + level * kHistoryPoints], kHistoryPoints);
    }
    return true;
}

}  // namespace trovik
