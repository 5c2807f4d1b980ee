// Feeds arbitrary files to the allowance state's reader. Each input is
// stored twice: as it is, and behind the magic at the state's size (cut or
// padded with zeros), so that the checks of the periods are reached whatever
// the input. A read never changes the file; a state that reads writes back
// to an image that reads as the same state, and the write leaves the file at
// exactly the format's size with no temporary file beside it.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "stats/AllowanceState.h"

namespace {

namespace fs = std::filesystem;
using trovik::AllowancePeriodState;
using trovik::AllowanceState;
using trovik::kAllowanceStateMagic;
using trovik::kAllowanceStateSize;
using trovik::StoredFile;
using trovik::fuzz::Check;

const fs::path& Dir() {
    return trovik::fuzz::ScratchDirectory("trovik-fuzz-qta-");
}

void Store(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    Check(out.good());
}

std::vector<std::uint8_t> Load(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Same(const AllowancePeriodState& a, const AllowancePeriodState& b) {
    return a.first.year == b.first.year && a.first.month == b.first.month &&
           a.first.day == b.first.day && a.last.year == b.last.year &&
           a.last.month == b.last.month && a.last.day == b.last.day && a.usedKB == b.usedKB &&
           a.quotaMB == b.quotaMB && a.reportedPercent == b.reportedPercent;
}

void Exercise(const std::vector<std::uint8_t>& bytes) {
    const fs::path path = Dir() / "Trovik.QTA";
    Store(path, bytes);
    AllowanceState state;
    const StoredFile read = trovik::ReadAllowanceState(path.string(), state);
    Check(read != StoredFile::Missing);
    Check(Load(path) == bytes);
    const bool magic =
        bytes.size() == kAllowanceStateSize &&
        std::equal(kAllowanceStateMagic.begin(), kAllowanceStateMagic.end(), bytes.begin());
    if (!magic) {
        Check(read == StoredFile::Unusable);
    }
    if (read != StoredFile::Read) {
        Check(state.periods[0].first.year == 0 && state.periods[1].first.year == 0);
        fs::remove(path);
        return;
    }
    for (const AllowancePeriodState& p : state.periods) {
        Check(p.reportedPercent <= 100);
    }
    Check(trovik::WriteAllowanceState(path.string(), state));
    Check(trovik::FileLength(path.string()) == kAllowanceStateSize);
    AllowanceState again;
    Check(trovik::ReadAllowanceState(path.string(), again) == StoredFile::Read);
    for (std::size_t i = 0; i < state.periods.size(); ++i) {
        Check(Same(state.periods[i], again.periods[i]));
    }
    Check(std::distance(fs::directory_iterator(Dir()), fs::directory_iterator()) == 1);
    fs::remove(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> input(data, data + size);
    Exercise(input);
    std::vector<std::uint8_t> framed(kAllowanceStateSize, 0);
    std::copy(kAllowanceStateMagic.begin(), kAllowanceStateMagic.end(), framed.begin());
    std::copy_n(input.begin(),
                std::min(input.size(), kAllowanceStateSize - kAllowanceStateMagic.size()),
                framed.begin() + static_cast<std::ptrdiff_t>(kAllowanceStateMagic.size()));
    Exercise(framed);

    AllowanceState none;
    Check(trovik::ReadAllowanceState((Dir() / "Trovik.QTA").string(), none) == StoredFile::Missing);
    return 0;
}
