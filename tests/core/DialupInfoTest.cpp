#include "core/DialupInfo.h"

#include <gtest/gtest.h>

#include "tests/core/EngineFixture.h"

namespace trovik {
namespace {

TEST(DialupInfoTexts, NumberFormats) {
    struct Case {
        std::string in;
        std::string grouped;
    };
    // The last character (the blank) is never counted into a group.
    const Case cases[] = {
        {"0 ", "0 "},
        {"123 ", "123 "},
        {"1234 ", "1,234 "},
        {"123456 ", "123,456 "},
        {"1234567 ", "1,234,567 "},
        {"4294967296 ", "4,294,967,296 "},
        {"18446744073709551615 ", "18,446,744,073,709,551,615 "},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        InsertThousands(text);
        EXPECT_EQ(text, c.grouped) << c.in;
    }

    struct Time {
        std::uint32_t seconds;
        const char* connect;
        const char* idle;
    };
    const Time times[] = {
        {0, "0時間 00分", "0分 00秒"},
        {59, "0時間 00分", "0分 59秒"},
        {61, "0時間 01分", "1分 01秒"},
        {3599, "0時間 59分", "59分 59秒"},
        {3725, "1時間 02分", "62分 05秒"},
        {360000, "100時間 00分", "6000分 00秒"},
        {4294967295u, "1193046時間 28分", "71582788分 15秒"},
    };
    for (const Time& t : times) {
        EXPECT_EQ(ConnectTimeText(t.seconds), t.connect) << t.seconds;
        EXPECT_EQ(IdleTimeText(t.seconds), t.idle) << t.seconds;
    }
}

// A line whose address is known.
class AddressedConnection final : public ConnectionControl {
public:
    bool IsModemConnected() override { return true; }
    bool HangUpModem() override { return false; }
    bool GetHostAddress(std::string& text) override {
        ++asked;
        text = " 192.0.2.7";
        return true;
    }
    int asked = 0;
};

class DialupInfoEngine : public EngineTest {};

TEST_F(DialupInfoEngine, FieldsFromTheMeterState) {
    ASSERT_EQ(Start(), StartResult::Running);
    engine.connectTime = clock.now - 3725;
    engine.sampler.totalRecv = 5000000000ull;
    engine.sampler.totalSent = 1234;
    engine.sampler.avgRecvAll = 1234567;
    engine.sampler.avgSentAll = 999;
    engine.connectCount = 12345;
    engine.autoDisconnects = 2;
    engine.idleSeconds = 61;
    engine.connectSpeed = 28800;
    for (std::size_t k = 0; k < kErrorKindCount; ++k) {
        engine.errors.errLast[k] = static_cast<std::uint32_t>(10 * (k + 1));
        engine.errors.errCarried[k] = static_cast<std::uint32_t>(k);
    }
    engine.errors.errLast[0] = 0xFFFFFFFFu;  // the sum wraps as 32-bit arithmetic
    engine.errors.errCarried[0] = 2;

    DialupTexts t = DialupInfoTexts(engine);
    EXPECT_EQ(t[kFieldIp], "") << "not connected";
    EXPECT_EQ(t[kFieldSpeed], "--- ");
    EXPECT_EQ(t[kFieldTime], "1時間 02分");
    EXPECT_EQ(t[kFieldRecv], "5,000,000,000 ");
    EXPECT_EQ(t[kFieldSent], "1,234 ");
    EXPECT_EQ(t[kFieldAvgRecv], "1,234,567 ");
    EXPECT_EQ(t[kFieldAvgSent], "999 ");
    EXPECT_EQ(t[kFieldConnects], "12345 ") << "counts have no separators";
    EXPECT_EQ(t[kFieldIdle], "1分 01秒");
    EXPECT_EQ(t[kFieldAutoDisc], "2 ");
    // Counter order: alignment, buffer, CRC, framing, overrun, runts, time-out.
    EXPECT_EQ(t[kFieldAlignment], "1 ");
    EXPECT_EQ(t[kFieldBuffer], "21 ");
    EXPECT_EQ(t[kFieldCrc], "32 ");
    EXPECT_EQ(t[kFieldFraming], "43 ");
    EXPECT_EQ(t[kFieldOverrun], "54 ");
    EXPECT_EQ(t[kFieldRunts], "65 ");
    EXPECT_EQ(t[kFieldTimeout], "76 ");

    // Connected: the address is asked of the line at every refresh.
    engine.isConnected = true;
    t = DialupInfoTexts(engine);
    EXPECT_EQ(t[kFieldIp], " Unknown");
    EXPECT_EQ(t[kFieldSpeed], "28800 ");

    // A clock set back shows no connect time rather than a wrapped one.
    engine.connectTime = clock.now + 100;
    EXPECT_EQ(DialupInfoTexts(engine)[kFieldTime], "0時間 00分");
}

TEST_F(DialupInfoEngine, AddressOfAConnectedLine) {
    AddressedConnection line2;
    MeterEngine other{MeterEnv{line, store, clock, messages, line2, power, window,
                               DataFiles(dir.path().string(), "Trovik"), dir.path().string()}};
    ASSERT_EQ(other.Start(), StartResult::Running);
    ASSERT_TRUE(other.isConnected);
    EXPECT_EQ(DialupInfoTexts(other)[kFieldIp], " 192.0.2.7");
    EXPECT_EQ(DialupInfoTexts(other)[kFieldIp], " 192.0.2.7");
    EXPECT_EQ(line2.asked, 2);
    other.Destroy();
}

}  // namespace
}  // namespace trovik
