#include "platform/QtSettingsBackend.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "settings/MeterSettings.h"
#include "settings/SettingsStore.h"
#include "tests/ScratchDir.h"

namespace trovik {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;
using testing::WriteText;

// Every test here works in its own config folder; the user's settings are
// never touched. Qt looks the folder up once per process, so it is set before
// the first store is made.
class QtSettingsBackendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root.emplace("trovik-settings-");
        ::setenv("XDG_CONFIG_HOME", root->path().c_str(), 1);
    }
    static void TearDownTestSuite() { root.reset(); }

    void SetUp() override { fs::remove(ConfigFile()); }

    static fs::path ConfigFile() { return root->Path("Qanto") / "Vemaro.conf"; }
    static void WriteFile(const std::string& text) { WriteText(ConfigFile(), text); }

    static std::optional<ScratchDir> root;
};

std::optional<ScratchDir> QtSettingsBackendTest::root;

// Anything but a regular file in the file's place is never opened (a FIFO
// would keep the meter waiting at start): the store keeps its values in
// memory and leaves that thing as it is.
TEST_F(QtSettingsBackendTest, OnlyARegularFileIsOpened) {
    fs::create_directories(ConfigFile().parent_path());
    const fs::path real = root->Path("real.conf");
    WriteText(real, "[Settings]\nSpan=7\n");
    const struct {
        const char* what;
        std::function<void()> make;
        bool refused;
    } cases[] = {
        {"a FIFO", [] { ASSERT_EQ(::mkfifo(ConfigFile().c_str(), 0600), 0); }, true},
        {"a directory", [] { fs::create_directory(ConfigFile()); }, true},
        {"a link to a regular file", [&] { fs::create_symlink(real, ConfigFile()); }, false},
        {"missing", [] {}, false},
    };
    for (const auto& c : cases) {
        fs::remove(ConfigFile());
        c.make();
        QtSettingsBackend backend;
        EXPECT_EQ(backend.Refused(), c.refused) << c.what;
        if (c.refused) {
            EXPECT_EQ(backend.Read("Settings", "Span"), std::nullopt) << c.what;
        }
        EXPECT_TRUE(backend.Write("Settings", "Span", "9")) << c.what;
        EXPECT_EQ(backend.Read("Settings", "Span"), "9") << c.what;
        if (c.refused) {
            EXPECT_TRUE(fs::exists(ConfigFile()) && !fs::is_regular_file(ConfigFile()))
                << "never replaced: " << c.what;
        }
    }
    fs::remove(ConfigFile());
}

TEST_F(QtSettingsBackendTest, KeepsValuesInTheUsersIniFile) {
    QtSettingsBackend backend;
    EXPECT_EQ(fs::path(backend.FileName()), ConfigFile());
    SettingsStore store(backend);
    EXPECT_TRUE(store.PutInt(SettingKey::WndPosX, -25));
    EXPECT_TRUE(store.PutString(SettingKey::ExtDLL, "TrvikPelkin.so"));
    EXPECT_TRUE(store.PutSectionString("TollData1", "Description", "市内 ﾀｲﾑﾌﾟﾗｽ(ｱﾅﾛｸﾞ)"));
    EXPECT_TRUE(store.PutSectionInt("TollData1", "Dow6", 0x8000FF));

    // A new store in the same process reads what the first one wrote.
    QtSettingsBackend again;
    SettingsStore reread(again);
    EXPECT_EQ(reread.GetInt(SettingKey::WndPosX, 0), -25);
    EXPECT_EQ(reread.GetString(SettingKey::ExtDLL), "TrvikPelkin.so");
    EXPECT_EQ(reread.GetSectionString("TollData1", "Description"), "市内 ﾀｲﾑﾌﾟﾗｽ(ｱﾅﾛｸﾞ)");
    EXPECT_EQ(reread.GetSectionInt("TollData1", "Dow6", 0), 0x8000FF);

    std::ifstream file(ConfigFile());
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("[Settings]"), std::string::npos);
    EXPECT_NE(text.find("WndPosX=-25"), std::string::npos);
    EXPECT_NE(text.find("[TollData1]"), std::string::npos);
}

TEST_F(QtSettingsBackendTest, HandEditedFileReadsAsDefaultsAndCorrections) {
    WriteFile(
        "[Settings]\n"
        "ScaleTx=fast\n"
        "ScaleRx=0\n"
        "Span=150\n"
        "LogFile=1\n"
        "IdolTimer=20\n"
        "TrayIcon=7\n"
        "ErrorLimit=5, 6\n");
    QtSettingsBackend backend;
    SettingsStore store(backend);
    const MeterSettings s = LoadSettings(store);
    EXPECT_EQ(s.scaleTx, 2000u);
    EXPECT_EQ(s.scaleRx, 5000u);
    EXPECT_EQ(s.span, 30u);
    EXPECT_TRUE(s.logFile);
    EXPECT_EQ(s.idleLimit, 0u);
    EXPECT_EQ(s.trayBitmap, 146u);
    EXPECT_EQ(s.errorLimit, 3u) << "a list is not a number";
}

TEST_F(QtSettingsBackendTest, SeesChangesMadeByAnotherWriter) {
    QtSettingsBackend backend;
    SettingsStore store(backend);
    EXPECT_TRUE(store.PutInt(SettingKey::ScaleRx, 1000));
    WriteFile("[Settings]\nScaleRx=2500\nExtDLL=TrvikMorvex.so\n");
    EXPECT_EQ(store.GetInt(SettingKey::ScaleRx, 0), 2500);
    EXPECT_EQ(store.GetString(SettingKey::ExtDLL), "TrvikMorvex.so");
}

TEST_F(QtSettingsBackendTest, MissingFileAndSectionsGiveDefaults) {
    QtSettingsBackend backend;
    SettingsStore store(backend);
    EXPECT_EQ(store.GetInt(SettingKey::TollCloseDay, 10), 10);
    EXPECT_EQ(store.GetSectionString("TollData15", "Description", "未登録"), "未登録");
    EXPECT_FALSE(fs::exists(ConfigFile())) << "reading creates nothing";
}

}  // namespace
}  // namespace trovik
