// Feeds arbitrary files to the graph snapshot's readers. Each input is stored
// twice: as it is, and as a file of the snapshot's size that begins with the
// magic followed by the input (cut or padded with zeros), so that the valid
// path is reached whatever the input length. A snapshot that loads must save
// back to the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "stats/GraphSnapshot.h"

namespace {

namespace fs = std::filesystem;
using trovik::GraphSnapshotHeader;
using trovik::kGraphSnapshotMagic;
using trovik::kGraphSnapshotSize;
using trovik::RateHistory;

const fs::path& Dir() {
    return trovik::fuzz::ScratchDirectory("trovik-fuzz-dat-");
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void Store(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr, "the input file can be written");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<std::uint8_t> Contents(const std::string& path) {
    std::vector<std::uint8_t> out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::uint8_t chunk[8192];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            out.insert(out.end(), chunk, chunk + n);
        }
        std::fclose(f);
    }
    return out;
}

void CheckFile(const std::vector<std::uint8_t>& bytes) {
    const std::string path = (Dir() / "Fuzz.DAT").string();
    const std::string again = (Dir() / "Again.DAT").string();
    Store(path, bytes);

    const bool valid = bytes.size() == kGraphSnapshotSize &&
                       std::memcmp(bytes.data(), kGraphSnapshotMagic.data(), 8) == 0;
    Check(trovik::IsGraphSnapshotValid(path) == valid, "validity is length and magic");

    GraphSnapshotHeader header;
    header.month = 0xEE;
    header.scaleTx = 0xDEADBEEF;
    auto history = std::make_unique<RateHistory>();
    history->historySent[1][2] = 0xCAFEF00D;
    history->historyFill[0] = 77;
    const bool loaded = trovik::LoadGraphSnapshot(path, header, *history);
    Check(loaded == valid, "a valid snapshot loads, another does not");
    if (!loaded) {
        Check(header.month == 0xEE && header.scaleTx == 0xDEADBEEF &&
                  history->historySent[1][2] == 0xCAFEF00D,
              "a failed load fills nothing");
        return;
    }
    Check(history->historyFill[0] == 77, "only the four series are loaded");
    Check(header.month == bytes[8] && header.day == bytes[9] && header.hour == bytes[10] &&
              header.minute == bytes[11],
          "the time bytes");
    trovik::LocalTime when;
    when.month = header.month;
    when.day = header.day;
    when.hour = header.hour;
    when.minute = header.minute;
    Check(trovik::SaveGraphSnapshot(again, when, header.scaleTx, header.scaleRx, *history),
          "saving succeeds");
    Check(Contents(again) == bytes, "load then save gives the same bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> raw(data, data + size);
    CheckFile(raw);

    std::vector<std::uint8_t> shaped(kGraphSnapshotSize, 0);
    std::memcpy(shaped.data(), kGraphSnapshotMagic.data(), kGraphSnapshotMagic.size());
    std::copy_n(data, std::min(size, kGraphSnapshotSize - kGraphSnapshotMagic.size()),
                shaped.begin() + static_cast<std::ptrdiff_t>(kGraphSnapshotMagic.size()));
    CheckFile(shaped);

    Check(std::distance(fs::directory_iterator(Dir()), {}) <= 2, "no temporary files left");
    return 0;
}
