#include "platform/LinkServices.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <chrono>
#include <string>

#include "tests/platform/FakeLinkServices.h"
#include "tests/platform/PrivateBus.h"

namespace trovik {
namespace {

using testing::FakeBearer;
using testing::FakeDevice;
using testing::FakeLinkServices;
using testing::FakeModem;
using testing::PrivateBus;
using testing::RunPumping;
using namespace std::chrono_literals;

class LinkServicesTest : public ::testing::Test {
protected:
    BusChoice Start(bool networkManager, bool modemManager) {
        EXPECT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
        QDBusConnection c = bus.Connect(connectionName);
        EXPECT_TRUE(fakes.Register(c, networkManager, modemManager));
        return BusChoice::At(bus.Address());
    }
    ServiceLinks Ask(const BusChoice& choice) {
        return RunPumping([&choice] { return AskLinkServices(choice, 2000); });
    }

    PrivateBus bus;
    QString connectionName;
    FakeLinkServices fakes;
};

// What each report makes of a link: counted by default, its speed and
// technology. Metered only on the device of an active connection.
TEST_F(LinkServicesTest, DevicesAndBearersBecomeTheirLinks) {
    FakeDevice hotspot{QStringLiteral("wlan0"), true, 100, 3, true, 2, 72'200};  // guess-yes
    FakeDevice home{QStringLiteral("eth0"), true, 100, 4, true, 1, 0};           // guess-no
    FakeDevice unplugged{QStringLiteral("eth1"), true, 20, 1, false, 1, 0};      // yes, inactive
    FakeDevice unmanaged{QStringLiteral("eth2"), false, 10, 1, true, 1, 0};
    FakeDevice modemPort{QStringLiteral("wwan0"), true, 100, 0, true, 8, 0};
    fakes.Set({hotspot, home, unplugged, unmanaged, modemPort},
              {FakeModem{1u << 14 | 1u << 5,
                         {FakeBearer{QStringLiteral("wwan0"), false, 150'000'000},
                          FakeBearer{QStringLiteral("usb0"), true, 0}}}});
    const ServiceLinks links = Ask(Start(true, true));
    EXPECT_TRUE(links.networkManager);

    struct Expect {
        const char* name;
        bool byNm, byMm, metered, activated;
        std::uint32_t speed;
        const char* technology;
    };
    const Expect expected[] = {
        {"wlan0", true, false, true, true, 72'200'000, ""},
        {"eth0", true, false, false, true, 0, ""},
        {"eth1", true, false, false, false, 0, ""},
        // NetworkManager's word on activation holds over the bearer's.
        {"wwan0", true, true, false, true, 150'000'000, "LTE"},
        {"usb0", false, true, false, true, 0, "LTE"},
    };
    EXPECT_EQ(links.count, std::size(expected));
    EXPECT_EQ(links.Find("eth2"), nullptr) << "an unmanaged device is not NetworkManager's";
    for (const Expect& e : expected) {
        const ServiceLink* link = links.Find(e.name);
        ASSERT_NE(link, nullptr) << e.name;
        EXPECT_EQ(link->byNetworkManager, e.byNm) << e.name;
        EXPECT_EQ(link->byModemManager, e.byMm) << e.name;
        EXPECT_EQ(link->metered, e.metered) << e.name;
        EXPECT_EQ(link->activated, e.activated) << e.name;
        EXPECT_EQ(link->speedBits, e.speed) << e.name;
        EXPECT_EQ(link->Technology(), e.technology) << e.name;
    }
}

TEST_F(LinkServicesTest, AbsentServicesReportNothing) {
    fakes.Set({FakeDevice{QStringLiteral("wlan0"), true, 100, 1, true, 1, 0}}, {});
    const ServiceLinks links = Ask(Start(false, false));
    EXPECT_FALSE(links.networkManager);
    EXPECT_EQ(links.count, 0u);
    EXPECT_EQ(AskLinkServices(BusChoice::None(), 100).count, 0u);
}

// The watch publishes a first report at once and a new one when asked.
TEST_F(LinkServicesTest, TheWatchPublishesAtOnceAndOnRequest) {
    fakes.Set({FakeDevice{QStringLiteral("eth0"), true, 100, 4, true, 1, 0}}, {});
    const BusChoice choice = Start(true, false);
    ServiceLinkBoard board;
    LinkServiceWatch watch(board, choice, 1h);
    ServiceLinks seen;
    ASSERT_TRUE(testing::PumpUntil([&] { return board.TakeNew(seen); }, 5s));
    ASSERT_NE(seen.Find("eth0"), nullptr);
    EXPECT_FALSE(seen.Find("eth0")->metered);

    // The home Wi-Fi gives way to a phone's hotspot.
    fakes.Set({FakeDevice{QStringLiteral("eth0"), true, 30, 4, false, 1, 0},
               FakeDevice{QStringLiteral("wlan0"), true, 100, 1, true, 2, 54'000}},
              {});
    board.RequestRefresh();
    ASSERT_TRUE(testing::PumpUntil([&] { return board.TakeNew(seen); }, 5s));
    ASSERT_NE(seen.Find("wlan0"), nullptr);
    EXPECT_TRUE(seen.Find("wlan0")->metered);
    EXPECT_FALSE(seen.Find("eth0")->activated);
}

TEST(AccessTechnologyTest, TheNewestTechnologyNamesTheLine) {
    EXPECT_STREQ(AccessTechnologyName(0), "");
    EXPECT_STREQ(AccessTechnologyName(1u << 15 | 1u << 14), "5G");
    EXPECT_STREQ(AccessTechnologyName(1u << 9 | 1u << 5 | 1u << 1), "HSPA+");
    EXPECT_STREQ(AccessTechnologyName(1u << 4), "EDGE");
}

}  // namespace
}  // namespace trovik
