// The network LCD module: its datagrams byte for byte, its INI file, and the
// built module driven by the host, received on a loopback socket. Every INI
// file here points at 127.0.0.1 before anything is opened.

#include <gtest/gtest.h>

#include <chrono>

#include "ext/ExtDllHost.h"
#include "plugins/common/ProfileIni.h"
#include "plugins/lunvar/LcdDatagrams.h"
#include "plugins/lunvar/LcdLink.h"
#include "tests/plugins/PluginTestSupport.h"

namespace trovik {
namespace {

using lunvar::LineDatagram;
using testing::LineBytes;
using testing::LoopbackReceiver;
using testing::MessageRecord;
using testing::ModuleInScratch;
using testing::WriteText;

constexpr std::uint32_t kLoopback = 0x7F000001u;  // 127.0.0.1

std::vector<std::uint8_t> Bytes(const LineDatagram& datagram) {
    return {datagram.begin(), datagram.end()};
}

std::vector<std::uint8_t> Line1(std::uint64_t totalRx) {
    LineDatagram d;
    lunvar::MakeReceivedLine(d, totalRx);
    return Bytes(d);
}

std::vector<std::uint8_t> Line2(std::uint32_t percentRx) {
    LineDatagram d;
    lunvar::MakeRateBarLine(d, percentRx);
    return Bytes(d);
}

// Line 2 written out: `blocks` bytes 0xFF, then spaces to 16.
std::vector<std::uint8_t> BarBytes(std::size_t blocks) {
    std::vector<std::uint8_t> bytes{0x01, 0xC0};
    for (std::size_t i = 0; i < 16; ++i) {
        bytes.push_back(i < blocks ? 0xFF : 0x20);
    }
    return bytes;
}

TEST(LunvarDatagramTest, LineOneShowsWholeKilobytesRightAligned) {
    EXPECT_EQ(Line1(0), LineBytes(0x80, "        0kB Rcvd"));
    // Truncated, not rounded.
    EXPECT_EQ(Line1(2047), LineBytes(0x80, "        1kB Rcvd"));
    EXPECT_EQ(Line1(1024ull * 123456789), LineBytes(0x80, "123456789kB Rcvd"));
    EXPECT_EQ(Line1(999999999ull * 1024), LineBytes(0x80, "999999999kB Rcvd"));
    EXPECT_EQ(Line1(~0ull), LineBytes(0x80, "999999999kB Rcvd"));
}

TEST(LunvarDatagramTest, LineTwoIsOneBlockPerSixPercentUpToSixteen) {
    EXPECT_EQ(Line2(0), BarBytes(0));
    EXPECT_EQ(Line2(5), BarBytes(0));
    EXPECT_EQ(Line2(6), BarBytes(1));
    EXPECT_EQ(Line2(95), BarBytes(15));
    EXPECT_EQ(Line2(96), BarBytes(16));
    EXPECT_EQ(Line2(100), BarBytes(16));
    EXPECT_EQ(Line2(250), BarBytes(16));
    EXPECT_EQ(Line2(0xFFFFFFFFu), BarBytes(16));
}

TEST(LunvarDatagramTest, TextIsCutAtSixteenAndPaddedWithSpaces) {
    LineDatagram d;
    lunvar::MakeLineDatagram(d, 0xC0, "  is Terminated.");
    EXPECT_EQ(Bytes(d), LineBytes(0xC0, "  is Terminated."));
    lunvar::MakeLineDatagram(d, 0x80, "Trovik Ext-DLL");
    EXPECT_EQ(Bytes(d), LineBytes(0x80, "Trovik Ext-DLL  "));
    lunvar::MakeLineDatagram(d, 0x80, "0123456789abcdefXYZ");
    EXPECT_EQ(Bytes(d), LineBytes(0x80, "0123456789abcdef"));
}

TEST(LunvarConfigTest, TheIniFileGivesTheDestinationWithDefaults) {
    testing::ScratchDir scratch;
    const std::string ini = scratch.Path("TrvikLunvar.ini").string();
    // No file: the built-in address and port (never used as a target here).
    lunvar::LcdDestination d = lunvar::ReadLcdDestination(ini);
    EXPECT_EQ(d.address, 0xC0A801C8u);
    EXPECT_EQ(d.port, 10003u);

    WriteText(ini, "[Config]\r\nIpAddress=2130706433\r\nLcdPort=4321\r\n");
    d = lunvar::ReadLcdDestination(ini);
    EXPECT_EQ(d.address, kLoopback);
    EXPECT_EQ(d.port, 4321u);
}

TEST(LunvarLinkTest, AFirstDatagramThatCannotBeSentFailsOpenWithItsMessage) {
    MessageRecord record;
    // Port 0 cannot be sent to.
    EXPECT_EQ(lunvar::OpenLcdLink({kLoopback, 0}), nullptr);
    ASSERT_EQ(record.Entries().size(), 1u);
    EXPECT_EQ(record.Entries()[0].caption, "Trovik拡張DLL - LUNVARへの表示");
    EXPECT_EQ(record.Entries()[0].text, "タイムアウトエラー。");
}

TEST(LunvarLinkTest, UpdatesNeverWaitForAReceiverThatDoesNotRead) {
    MessageRecord record;
    LoopbackReceiver receiver;
    ASSERT_NE(receiver.Port(), 0);
    lunvar::LcdLink* link = lunvar::OpenLcdLink({kLoopback, receiver.Port()});
    ASSERT_NE(link, nullptr);
    // Far more datagrams than the receiver's buffer holds.
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t i = 0; i < 20000; ++i) {
        lunvar::UpdateLcdLink(*link, ExtReading{0, 0, 0, i % 120, 0, std::uint64_t{i} << 10});
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    lunvar::CloseLcdLink(link);
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_TRUE(record.Entries().empty());
}

// The built module, loaded and fed by the host as the meter does, with its
// INI file pointing at a loopback receiver.
TEST(LunvarModuleTest, DatagramsArriveTickByTickFarewellIncluded) {
    LoopbackReceiver receiver;
    ASSERT_NE(receiver.Port(), 0);
    ModuleInScratch program("TrvikLunvar.so");
    const std::string ini = program.Ini("TrvikLunvar.ini");
    WriteText(ini,
              "[Config]\nIpAddress=2130706433\nLcdPort=" + std::to_string(receiver.Port()) + "\n");
    const lunvar::LcdDestination target = lunvar::ReadLcdDestination(ini);
    ASSERT_EQ(target.address, kLoopback);
    ASSERT_EQ(target.port, receiver.Port());

    testing::HostMessages messages;
    ExtDllHost host;
    ASSERT_TRUE(host.Load(program.Dir(), "TrvikLunvar.so", program.DataDir(), messages));
    EXPECT_EQ(receiver.Receive(), (std::vector<std::uint8_t>{0x01, 0x01}));

    host.Tick(ExtReading{100, 3000, 5, 60, 5000, 2047});
    EXPECT_EQ(receiver.Receive(), LineBytes(0x80, "        1kB Rcvd"));
    EXPECT_EQ(receiver.Receive(), BarBytes(10));
    host.Tick(ExtReading{100, 12500, 5, 250, 5000, 6000000000ull});
    EXPECT_EQ(receiver.Receive(), LineBytes(0x80, "  5859375kB Rcvd"));
    EXPECT_EQ(receiver.Receive(), BarBytes(16));

    host.Unload();
    EXPECT_EQ(receiver.Receive(), (std::vector<std::uint8_t>{0x01, 0x01}));
    EXPECT_EQ(receiver.Receive(), LineBytes(0x80, "Trovik Ext-DLL  "));
    EXPECT_EQ(receiver.Receive(), LineBytes(0xC0, "  is Terminated."));
    EXPECT_EQ(receiver.Receive(200), std::nullopt);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace trovik
