// The port-80 module's byte: the BCD table, the cap, and that only PercentRx
// counts. The real port writer is never built into a test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ext/ExtDllHost.h"
#include "plugins/morvex/PortByte.h"

namespace trovik {
namespace {

using morvex::BcdPercentByte;

class RecordingPort final : public morvex::PortWriter {
public:
    void WriteByte(std::uint8_t value) override { written.push_back(value); }
    std::vector<std::uint8_t> written;
};

TEST(MorvexTest, TheByteTableMatches) {
    const std::pair<std::uint32_t, std::uint8_t> table[] = {
        {0, 0x00},   {7, 0x07},    {9, 0x09},           {10, 0x10},  {42, 0x42},
        {55, 0x55},  {90, 0x90},   {99, 0x99},          {100, 0xA0}, {101, 0xA0},
        {250, 0xA0}, {1000, 0xA0}, {4294967295u, 0xA0},
    };
    for (const auto& [percent, byte] : table) {
        EXPECT_EQ(BcdPercentByte(percent), byte) << percent;
    }
    // Every value below 100 reads, in hexadecimal, as its decimal digits.
    for (std::uint32_t v = 0; v < 100; ++v) {
        EXPECT_EQ(BcdPercentByte(v), std::stoul(std::to_string(v), nullptr, 16)) << v;
    }
}

TEST(MorvexTest, OnlyTheReceivePercentageReachesThePort) {
    RecordingPort port;
    morvex::WriteReading(port, ExtReading{0, 0, 0, 42, 0, 0});
    morvex::WriteReading(port, ExtReading{99999, 88888, 77, 42, ~0ull, 123});
    morvex::WriteReading(port, ExtReading{0, 0, 250, 7, 0, 0});
    morvex::WriteReading(port, ExtReading{0, 0, 0, 250, 0, 0});
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x42, 0x42, 0x07, 0xA0}));
}

// The built modules are listed with their strings; listing calls none of
// their functions, so nothing here touches a port.
TEST(PluginListingTest, TheThreeModulesCarryTheirStrings) {
    const auto modules = ListExtModules(TROVIK_PLUGIN_DIR);
    std::vector<std::string> names;
    for (const auto& m : modules) {
        names.push_back(m.fileName);
        EXPECT_EQ(m.version, "1.00") << m.fileName;
    }
    ASSERT_EQ(names,
              (std::vector<std::string>{"TrvikLunvar.so", "TrvikMorvex.so", "TrvikPelkin.so"}));
    EXPECT_EQ(modules[0].description,
              "LUNVARのLCDに、送受信KB数と受信速度の棒グラフを表示します。");
    EXPECT_EQ(modules[1].description,
              "80hポートに、受信レートのグラフフルスケール値に対するパーセンテージをBCDで出力します"
              "。");
    EXPECT_EQ(modules[2].description, "画面端に巨大な棒グラフを表示します。");
    EXPECT_EQ(modules[1].title, "TrvikMorvex");
}

}  // namespace
}  // namespace trovik
