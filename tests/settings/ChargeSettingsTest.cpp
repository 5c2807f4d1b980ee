#include "settings/ChargeSettings.h"

#include <gtest/gtest.h>

namespace trovik {
namespace {

class ChargesTest : public ::testing::Test {
protected:
    std::string Raw(const std::string& section, const std::string& name) {
        auto it = backend.values.find({section, name});
        return it == backend.values.end() ? "<absent>" : it->second;
    }
    MemorySettingsBackend backend;
    SettingsStore store{backend};
};

TEST_F(ChargesTest, FirstNameReadingWritesThePresetsOnce) {
    EXPECT_EQ(GetChargeTypeName(store, 2), "市内 ﾃﾚﾎｰﾀﾞｲ(ｱﾅﾛｸﾞ)");
    EXPECT_EQ(Raw("TollData", "Installed"), "1");
    EXPECT_EQ(Raw("TollData2", "FreeToll"), "1800");
    EXPECT_EQ(Raw("TollData2", "FreeSpan"), "0");
    EXPECT_EQ(Raw("TollData0", "Dow6"), "8388863");  // 0x8000FF
    EXPECT_EQ(Raw("TollData8", "Description"), "ﾌﾚｯﾂISDN");
    EXPECT_EQ(Raw("TollData8", "Dow0"), "16777215");  // 0xFFFFFF
    EXPECT_EQ(Raw("TollData9", "Description"), "<absent>");
    EXPECT_EQ(backend.values.size(), 9u * 11u + 1u);

    // Once installed, a removed preset stays removed.
    backend.values.erase({"TollData0", "Description"});
    EXPECT_EQ(GetChargeTypeName(store, 0), "未登録");
    EXPECT_EQ(backend.values.size(), 9u * 11u);
}

TEST_F(ChargesTest, UnwrittenAndOutOfRangeTypes) {
    EXPECT_EQ(GetChargeTypeName(store, 9), "未登録");
    EXPECT_EQ(GetChargeTypeName(store, 15), "未登録");
    EXPECT_EQ(GetChargeTypeName(store, 16), "");

    ChargeType t;
    ReadChargeType(store, 12, t);
    EXPECT_EQ(t.freeToll, 0u);
    EXPECT_EQ(t.tollSpan, 180u);
    EXPECT_EQ(t.freeSpan, 180u);
    EXPECT_EQ(t.dow, (std::array<std::uint32_t, 7>{}));

    t.dow.fill(5);
    t.freeToll = 77;
    ReadChargeType(store, 16, t);
    EXPECT_EQ(t.dow, (std::array<std::uint32_t, 7>{})) << "masks are cleared first";
    EXPECT_EQ(t.freeToll, 77u) << "nothing more is read above 15";
    WriteChargeType(store, 16, t);
    EXPECT_EQ(Raw("TollData16", "FreeToll"), "<absent>");
}

TEST_F(ChargesTest, WrittenTypeReadsBack) {
    ChargeType t;
    t.name = "深夜割引";
    t.dow = {0xFFFFFF, 0x1, 0x2, 0x3, 0x4, 0x5, 0x800000};
    t.freeToll = 1000;
    t.tollSpan = 60;
    t.freeSpan = 0;
    WriteChargeType(store, 10, t);
    ChargeType back;
    ReadChargeType(store, 10, back);
    EXPECT_EQ(GetChargeTypeName(store, 10), "深夜割引");
    EXPECT_EQ(back.dow, t.dow);
    EXPECT_EQ(back.freeToll, 1000u);
    EXPECT_EQ(back.tollSpan, 60u);
    EXPECT_EQ(back.freeSpan, 0u);
}

TEST_F(ChargesTest, DisplayMaskBitsPerType) {
    EXPECT_TRUE(IsChargeTypeShown(store, 0));
    EXPECT_TRUE(IsChargeTypeShown(store, 15));
    store.PutInt(SettingKey::TollTypesDispMask, 0b101);
    EXPECT_TRUE(IsChargeTypeShown(store, 0));
    EXPECT_FALSE(IsChargeTypeShown(store, 1));
    EXPECT_TRUE(IsChargeTypeShown(store, 2));
    EXPECT_TRUE(IsChargeTypeShown(store, 32)) << "bit n mod 32";
}

}  // namespace
}  // namespace trovik
