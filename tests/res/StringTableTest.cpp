#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace trovik {
namespace {

TEST(StringTable, TextsKeepTheirExactBytes) {
    EXPECT_EQ(LoadString(kAppTitle), "Vemaro");
    EXPECT_EQ(LoadString(kMeterCaption), "通信速度");
    // 201 mixes half-width katakana with one full-width ト; 207 starts with an
    // ideographic space instead of the blank of 201 to 206.
    EXPECT_EQ(LoadString(201), " ｱﾗｲﾒﾝトｴﾗｰ");
    EXPECT_EQ(LoadString(207), "\u3000ﾀｲﾑｱｳﾄ");
    EXPECT_EQ(LoadString(203), " CRCｴﾗｰ");
    // Said on Linux without the advice that concerned another system.
    EXPECT_EQ(LoadString(kMsgCountersUnreadable), "レジストリから情報が取得できません。");
    EXPECT_EQ(LoadString(kLogDisconnected),
              "回線が切断されました 接続時間=%u時間%02u分 総受信=%I64uKB(%uB/S)  "
              "総送信=%I64uKB(%uB/S)");
    EXPECT_EQ(LoadString(kLogRestartMark), "- - - - - -");
    // A success and its failure are one id apart, as for the other rules.
    EXPECT_EQ(LoadString(kLogQuotaHungUp), "データ量上限 - 回線切断成功");
    EXPECT_EQ(LoadString(kLogQuotaHungUp + 1), "データ量上限 - 回線切断失敗");
}

TEST(StringTable, EveryLogTextAndKeyNameExists) {
    for (unsigned id = 200; id <= 225; ++id) {
        EXPECT_FALSE(LoadString(id).empty()) << id;
    }
    std::set<std::string> names;
    for (unsigned id = 100; id <= 146; ++id) {
        const auto name = LoadString(id);
        EXPECT_FALSE(name.empty()) << id;
        EXPECT_TRUE(names.emplace(name).second) << "duplicate key name " << name;
    }
}

// The program runs on Linux: no text it shows names another system. Text 9
// (the refusal on NT) is never shown here.
TEST(StringTable, NoShownTextNamesWindows) {
    for (unsigned id = 0; id < 300; ++id) {
        if (id != kMsgUnsupportedSystem) {
            EXPECT_EQ(LoadString(id).find("Windows"), std::string_view::npos) << id;
        }
    }
}

TEST(StringTable, UnknownIdsGiveNothing) {
    EXPECT_TRUE(LoadString(0).empty());
    EXPECT_TRUE(LoadString(11).empty());
    EXPECT_TRUE(LoadString(199).empty());
    EXPECT_TRUE(LoadString(230).empty());
    EXPECT_TRUE(LoadString(70000).empty());
}

}  // namespace
}  // namespace trovik
