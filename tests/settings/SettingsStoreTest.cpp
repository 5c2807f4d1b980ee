#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace trovik {
namespace {

TEST(ParseStoredInt, AcceptsSigned32AndUnsigned32Only) {
    EXPECT_EQ(ParseStoredInt("42"), 42u);
    EXPECT_EQ(ParseStoredInt("  +7 \n"), 7u);
    EXPECT_EQ(ParseStoredInt("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseStoredInt("-2147483648"), 0x80000000u);
    EXPECT_EQ(ParseStoredInt("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseStoredInt("4294967296"), std::nullopt);
    EXPECT_EQ(ParseStoredInt("-2147483649"), std::nullopt);
    EXPECT_EQ(ParseStoredInt("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseStoredInt(""), std::nullopt);
    EXPECT_EQ(ParseStoredInt("-"), std::nullopt);
    EXPECT_EQ(ParseStoredInt("12abc"), std::nullopt);
    EXPECT_EQ(ParseStoredInt("1 2"), std::nullopt);
    EXPECT_EQ(ParseStoredInt("0x10"), std::nullopt);
    EXPECT_EQ(ParseStoredInt("true"), std::nullopt);
}

class SettingsStoreTest : public ::testing::Test {
protected:
    MemorySettingsBackend backend;
    SettingsStore store{backend};
};

TEST_F(SettingsStoreTest, AbsentOrDamagedValuesReadAsTheDefault) {
    EXPECT_EQ(store.GetInt(SettingKey::ScaleTx, 2000), 2000);
    backend.values[{"Settings", "ScaleTx"}] = "fast";
    EXPECT_EQ(store.GetInt(SettingKey::ScaleTx, 2000), 2000);
    backend.values[{"Settings", "ScaleTx"}] = "1500";
    EXPECT_EQ(store.GetInt(SettingKey::ScaleTx, 2000), 1500);
    EXPECT_EQ(store.GetString(SettingKey::ExtDLL), "");
}

TEST_F(SettingsStoreTest, BooleansReduceAnyNonZeroValue) {
    EXPECT_TRUE(store.GetBool(SettingKey::AskExitFromPopup, true));
    backend.values[{"Settings", "LogFile"}] = std::string("5");
    EXPECT_TRUE(store.GetBool(SettingKey::LogFile, false));
    backend.values[{"Settings", "LogFile"}] = std::string("0");
    EXPECT_FALSE(store.GetBool(SettingKey::LogFile, true));
    backend.values[{"Settings", "LogFile"}] = "yes";
    EXPECT_TRUE(store.GetBool(SettingKey::LogFile, true));
}

TEST_F(SettingsStoreTest, WritesUnderTheKeyNameAndReadsBack) {
    EXPECT_TRUE(store.PutInt(SettingKey::WndPosX, -12));
    EXPECT_EQ((backend.values[{"Settings", "WndPosX"}]), "-12");
    EXPECT_EQ(store.GetInt(SettingKey::WndPosX, 0), -12);

    // The tick count is unsigned; its bit pattern survives the round trip.
    EXPECT_TRUE(store.PutInt(SettingKey::SystemTick, static_cast<std::int32_t>(0xFFFFFFF0u)));
    EXPECT_EQ(static_cast<std::uint32_t>(store.GetInt(SettingKey::SystemTick, 0)), 0xFFFFFFF0u);

    EXPECT_TRUE(store.PutString(SettingKey::ExtDLL, "TrvikLunvar.so"));
    EXPECT_EQ(store.GetString(SettingKey::ExtDLL), "TrvikLunvar.so");
    EXPECT_EQ((backend.values[{"Settings", "ExtDLL"}]), "TrvikLunvar.so");
}

TEST_F(SettingsStoreTest, OtherSectionsOfTheSameApplication) {
    EXPECT_EQ(store.GetSectionString("TollData9", "Description", "未登録"), "未登録");
    EXPECT_TRUE(store.PutSectionString("TollData0", "Description", "市内 通常料金"));
    EXPECT_TRUE(store.PutSectionInt("TollData0", "Dow0", 0x8000FF));
    EXPECT_EQ(store.GetSectionString("TollData0", "Description"), "市内 通常料金");
    EXPECT_EQ(store.GetSectionInt("TollData0", "Dow0", 0), 0x8000FF);
    // The same name in another section is another value.
    EXPECT_EQ(store.GetSectionInt("TollData1", "Dow0", -3), -3);
    EXPECT_EQ(store.GetInt(SettingKey::ScaleTx, 1), 1);
}

TEST_F(SettingsStoreTest, FailedWritesAreReported) {
    backend.failWrites = true;
    EXPECT_FALSE(store.PutInt(SettingKey::WndPosX, 1));
    EXPECT_EQ(store.GetInt(SettingKey::WndPosX, 7), 7);
}

}  // namespace
}  // namespace trovik
