// Feeds arbitrary settings files to the meter's settings store through the
// real file backend, and checks that what the meter loads stays within its
// corrections whatever the file holds, and that a value written over such a
// file reads back.
//
// Input: the settings file itself.
#include <fcntl.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "platform/QtSettingsBackend.h"
#include "settings/MeterSettings.h"
#include "settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using trovik::fuzz::Check;

const fs::path& Dir() {
    return trovik::fuzz::ScratchDirectory("trovik-fuzz-settings-");
}

fs::path SettingsFile() {
    return Dir() / "Qanto" / "Vemaro.conf";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The store finds its file under the scratch directory.
    ::setenv("XDG_CONFIG_HOME", Dir().c_str(), 1);
    fs::create_directories(Dir() / "Qanto");
    static int argc = 1;
    static char name[] = "fuzz-Settings";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = SettingsFile().string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // A new time for every input, so that the file is read afresh rather
    // than taken from what was parsed of an earlier one of the same size.
    static std::time_t stamp = 1000000000;
    const timespec times[2] = {{++stamp, 0}, {stamp, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);

    trovik::QtSettingsBackend backend;
    Check(backend.FileName() == path);
    trovik::SettingsStore store(backend);
    const trovik::MeterSettings meter = trovik::LoadSettings(store);
    Check(meter.span >= 1 && meter.span <= trovik::kMaxSpan);
    Check(meter.scaleTx >= 1 && meter.scaleTx <= trovik::kMaxScale);
    Check(meter.scaleRx >= 1 && meter.scaleRx <= trovik::kMaxScale);
    Check(meter.trayBitmap >= 146 && meter.trayBitmap <= 150);
    for (unsigned id = 100; id <= 141; ++id) {
        const auto key = static_cast<trovik::SettingKey>(id);
        Check(store.GetBool(key, false) == (store.GetInt(key, 0) != 0));
        (void)store.GetString(key);
    }

    const auto written = static_cast<std::int32_t>(size * 2654435761u);
    if (store.PutInt(trovik::SettingKey::ErrorLimit, written)) {
        Check(store.GetInt(trovik::SettingKey::ErrorLimit, ~written) == written);
    }
    return 0;
}
