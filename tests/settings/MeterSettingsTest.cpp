#include "settings/MeterSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace trovik {
namespace {

class LoadSettingsTest : public ::testing::Test {
protected:
    void Set(std::string name, std::string value) {
        backend.values[{"Settings", std::move(name)}] = std::move(value);
    }
    MeterSettings Load() { return LoadSettings(store); }

    MemorySettingsBackend backend;
    SettingsStore store{backend};
};

TEST_F(LoadSettingsTest, EmptyStoreRunsOnTheDefaults) {
    const MeterSettings s = Load();
    EXPECT_EQ(s.scaleTx, 2000u);
    EXPECT_EQ(s.scaleRx, 5000u);
    EXPECT_EQ(s.span, 30u);
    EXPECT_EQ(s.idleLimit, 0u);
    EXPECT_EQ(s.shutdownAfter, 0u);
    EXPECT_EQ(s.errorLimit, 3u);
    EXPECT_TRUE(s.askExitFromPopup);
    EXPECT_EQ(s.trayBitmap, 146u);
    EXPECT_FALSE(s.logFile);
    EXPECT_TRUE(s.logCumulate) << "unset reads as on, as the sheet shows it";
    EXPECT_FALSE(s.spanAll);
    EXPECT_EQ(s.clickL + s.clickM + s.clickR + s.clickShiftL + s.clickShiftM + s.clickShiftR, 0u);
    EXPECT_TRUE(backend.values.empty()) << "loading must not write";

    WriteFirstStartDefaults(store);
    EXPECT_EQ(backend.values.size(), 3u);
    const MeterSettings first = Load();
    EXPECT_TRUE(first.logFile && first.logCumulate && first.logStatics);
}

TEST_F(LoadSettingsTest, ScalesOutOfRangeFallBack) {
    Set("ScaleRx", "0");
    Set("ScaleTx", "100000000");
    EXPECT_EQ(Load().scaleRx, 5000u);
    EXPECT_EQ(Load().scaleTx, 100000000u);
    Set("ScaleRx", "100000001");
    Set("ScaleTx", "-5");  // compared unsigned: far above the limit
    EXPECT_EQ(Load().scaleRx, 5000u);
    EXPECT_EQ(Load().scaleTx, 2000u);
    Set("ScaleTx", "1");
    EXPECT_EQ(Load().scaleTx, 1u);
}

TEST_F(LoadSettingsTest, SpanIsCorrectedToTicks1To100) {
    Set("Span", "150");
    EXPECT_EQ(Load().span, 30u);
    Set("Span", "5");
    EXPECT_EQ(Load().span, 5u);
    Set("Span", "100");
    EXPECT_EQ(Load().span, 100u);
    Set("Span", "0");
    EXPECT_EQ(Load().span, 30u);
    Set("Span", "-1");
    EXPECT_EQ(Load().span, 30u);
    Set("Span", "three");
    EXPECT_EQ(Load().span, 30u);
}

TEST_F(LoadSettingsTest, RuleSwitchesFoldIntoTheirLimits) {
    Set("IdolTimer", "20");
    EXPECT_EQ(Load().idleLimit, 0u) << "idle rule off while DiscOnIdol is 0";
    Set("DiscOnIdol", "1");
    EXPECT_EQ(Load().idleLimit, 1200u);

    EXPECT_EQ(Load().shutdownAfter, 0u);
    Set("ShutDownTimer", "1");
    EXPECT_EQ(Load().shutdownAfter, 1800u);
    Set("ShutDownTimeout", "1");
    EXPECT_EQ(Load().shutdownAfter, 60u);
}

// Values the pages would refuse, stored by hand: each is kept within its
// page's range, so the seconds never wrap (71582789 × 60 would give 44 s).
TEST_F(LoadSettingsTest, RuleLimitsAreKeptWithinTheirPagesRanges) {
    Set("DiscOnIdol", "1");
    Set("ShutDownTimer", "1");
    const struct {
        const char* key;
        const char* stored;
        std::uint32_t MeterSettings::*field;
        std::uint32_t loaded;
    } cases[] = {
        {"IdolTimer", "71582789", &MeterSettings::idleLimit, 30u * 60u},
        {"IdolTimer", "2147483647", &MeterSettings::idleLimit, 30u * 60u},
        {"IdolTimer", "31", &MeterSettings::idleLimit, 30u * 60u},
        {"IdolTimer", "30", &MeterSettings::idleLimit, 30u * 60u},
        {"IdolTimer", "1", &MeterSettings::idleLimit, 60u},
        {"IdolTimer", "0", &MeterSettings::idleLimit, 60u},
        {"IdolTimer", "-2147483648", &MeterSettings::idleLimit, 60u},
        {"ShutDownTimeout", "787410671", &MeterSettings::shutdownAfter, 720u * 60u},
        {"ShutDownTimeout", "721", &MeterSettings::shutdownAfter, 720u * 60u},
        {"ShutDownTimeout", "720", &MeterSettings::shutdownAfter, 720u * 60u},
        {"ShutDownTimeout", "0", &MeterSettings::shutdownAfter, 60u},
        {"ShutDownTimeout", "-1", &MeterSettings::shutdownAfter, 60u},
        {"ErrorLimit", "101", &MeterSettings::errorLimit, 100u},
        {"ErrorLimit", "100", &MeterSettings::errorLimit, 100u},
        {"ErrorLimit", "-1", &MeterSettings::errorLimit, 0u},
        {"ErrorLimit", "4294967295", &MeterSettings::errorLimit, 0u},
    };
    for (const auto& c : cases) {
        backend.values.erase({"Settings", "IdolTimer"});
        backend.values.erase({"Settings", "ShutDownTimeout"});
        backend.values.erase({"Settings", "ErrorLimit"});
        Set(c.key, c.stored);
        EXPECT_EQ(Load().*c.field, c.loaded) << c.key << "=" << c.stored;
    }
}

TEST_F(LoadSettingsTest, TrayIconMapsToItsBitmap) {
    for (auto [stored, bitmap] : {std::pair{"0", 146u},
                                  {"1", 147u},
                                  {"3", 149u},
                                  {"4", 150u},
                                  {"5", 146u},
                                  {"7", 146u},
                                  {"-1", 146u},
                                  {"x", 146u}}) {
        Set("TrayIcon", stored);
        EXPECT_EQ(Load().trayBitmap, bitmap) << stored;
    }
}

TEST_F(LoadSettingsTest, BooleansAndClicksAreCopied) {
    Set("SpanAll", "1");
    Set("LogFile", "2");
    Set("AskExitFromPopup", "0");
    Set("ClickShiftR", "368");
    Set("IdolTimeIgnoreTx", "1");
    Set("ErrorLimit", "0");
    const MeterSettings s = Load();
    EXPECT_TRUE(s.spanAll);
    EXPECT_TRUE(s.logFile);
    EXPECT_FALSE(s.askExitFromPopup);
    EXPECT_EQ(s.clickShiftR, 368u);
    EXPECT_TRUE(s.idolTimeIgnoreTx);
    EXPECT_EQ(s.errorLimit, 0u);
}

}  // namespace
}  // namespace trovik

namespace trovik {
namespace {

TEST(AllowanceSettingsLoad, DefaultsChangeNothingAndStrayValuesAreCorrected) {
    struct Case {
        const char* key;
        const char* value;  // nullptr: absent
        std::uint32_t quotaMB;
        std::uint32_t warnPercent;
        bool discOnQuota;
        bool notify;
        std::uint32_t closeDay;
    };
    const Case cases[] = {
        {"QuotaMB", nullptr, 0, 80, false, true, 10},
        {"QuotaMB", "3072", 3072, 80, false, true, 10},
        {"QuotaMB", "-5", 0, 80, false, true, 10},
        {"QuotaMB", "4294967295", 0, 80, false, true, 10},  // stored as -1
        {"QuotaMB", "99999999", 10485760, 80, false, true, 10},
        {"QuotaWarn", "0", 0, 80, false, true, 10},
        {"QuotaWarn", "101", 0, 80, false, true, 10},
        {"QuotaWarn", "100", 0, 100, false, true, 10},
        {"DiscOnQuota", "7", 0, 80, true, true, 10},
        {"Notify", "0", 0, 80, false, false, 10},
        {"TollCloseDay", "0", 0, 80, false, true, 1},
        {"TollCloseDay", "31", 0, 80, false, true, 28},
    };
    for (const Case& c : cases) {
        MemorySettingsBackend backend;
        if (c.value != nullptr) {
            backend.values[{"Settings", c.key}] = c.value;
        }
        const AllowanceSettings a = LoadSettings(SettingsStore(backend)).allowance;
        const std::string what = std::string(c.key) + "=" + (c.value ? c.value : "absent");
        EXPECT_EQ(a.quotaMB, c.quotaMB) << what;
        EXPECT_EQ(a.quotaKB, std::uint64_t{c.quotaMB} * 1024u) << what;
        EXPECT_EQ(a.warnPercent, c.warnPercent) << what;
        EXPECT_EQ(a.discOnQuota, c.discOnQuota) << what;
        EXPECT_EQ(a.notify, c.notify) << what;
        EXPECT_EQ(a.closeDay, c.closeDay) << what;
    }
}

}  // namespace
}  // namespace trovik
