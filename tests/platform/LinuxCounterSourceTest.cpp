#include "platform/LinuxCounterSource.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

#include "tests/ScratchDir.h"
#include "tests/platform/LinkDumpBuilder.h"

namespace trovik {
namespace {

using testing::Bytes;
using testing::kStale;
using testing::LinkShape;
using testing::ReplayTransport;
using testing::Traffic;

using Values = std::array<std::uint32_t, kStatValueCount>;
constexpr std::size_t At(StatValue v) {
    return static_cast<std::size_t>(v);
}

class LinuxCounterSourceTest : public ::testing::Test {
protected:
    void Make(std::vector<std::string> names = {}, std::string root = "/nonexistent",
              ServiceLinkBoard* board = nullptr, std::unique_ptr<WirelessRates> rates = nullptr) {
        auto transport = std::make_unique<ReplayTransport>();
        replay = transport.get();
        source = std::make_unique<LinuxCounterSource>(std::move(names), std::move(root),
                                                      std::move(transport), nullptr, board,
                                                      std::move(rates));
    }
    // The recorded machine's links followed by `links`, one datagram each.
    static std::vector<Bytes> Dump(const std::vector<LinkShape>& links) {
        std::vector<Bytes> dump = testing::RecordedDump();
        dump.pop_back();
        for (const LinkShape& link : links) {
            dump.push_back(testing::LinkMessage(link));
        }
        dump.push_back(testing::DoneMessage());
        return dump;
    }
    bool OpenWith(const std::vector<LinkShape>& links) {
        replay->answers.push_back(Dump(links));
        return source->Open();
    }
    void Tick(std::vector<Bytes> answer) {
        replay->answers.push_back(std::move(answer));
        source->Refresh();
    }
    std::optional<Values> Read() {
        Values v{};
        for (std::size_t i = 0; i < kStatValueCount; ++i) {
            if (!source->Query(static_cast<StatValue>(i), v[i])) {
                return std::nullopt;
            }
        }
        return v;
    }
    std::uint32_t Read(StatValue which) { return Read().value_or(Values{})[At(which)]; }

    std::unique_ptr<LinuxCounterSource> source;
    ReplayTransport* replay = nullptr;
};

TEST_F(LinuxCounterSourceTest, SumsThePppLinksByDefault) {
    Make();
    // Open starts from the current sums; eth0, lo and the ifb links are not PPP.
    ASSERT_TRUE(OpenWith(
        {{.index = 7, .name = "ppp0", .stats = Traffic(1000, 500)},
         {.index = 8, .name = "ppp1", .stats = Traffic(30, 7)},
         {.index = 9, .name = "usb0", .type = ARPHRD_ETHER, .stats = Traffic(1 << 20, 1 << 20)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1030u);
    EXPECT_EQ(Read(StatValue::BytesXmit), 507u);
    EXPECT_TRUE(source->AnyCountedLinkUp());

    Tick(Dump({{.index = 7, .name = "ppp0", .up = false, .stats = Traffic(1500, 600)},
               {.index = 8, .name = "ppp1", .up = false, .stats = Traffic(80, 7)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1580u);
    EXPECT_EQ(Read(StatValue::BytesXmit), 607u);
    EXPECT_FALSE(source->AnyCountedLinkUp());
    EXPECT_EQ(replay->sends, 2);  // one kernel query per tick
}

TEST_F(LinuxCounterSourceTest, NamedInterfacesReplaceThePppDefault) {
    Make(ParseInterfaceList(" wwan0\tusb0 "));
    ASSERT_TRUE(
        OpenWith({{.index = 7, .name = "ppp0", .stats = Traffic(1000, 500)},
                  {.index = 9, .name = "usb0", .type = ARPHRD_ETHER, .stats = Traffic(200, 20)},
                  {.index = 10, .name = "wwan0", .type = ARPHRD_NONE, .stats = Traffic(3, 4)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 203u);
    EXPECT_EQ(Read(StatValue::BytesXmit), 24u);

    EXPECT_TRUE(ParseInterfaceList(" \t ").empty());
    EXPECT_EQ(ParseInterfaceList("a  b\t\tc"), (std::vector<std::string>{"a", "b", "c"}));
}

ServiceLink Reported(const char* name, bool metered, bool activated, std::uint32_t speed = 0) {
    ServiceLink link;
    std::string_view(name).copy(link.name.data(), link.name.size() - 1);
    link.byNetworkManager = true;
    link.metered = metered;
    link.activated = activated;
    link.speedBits = speed;
    return link;
}

ServiceLinks Report(std::initializer_list<ServiceLink> links) {
    ServiceLinks report;
    report.networkManager = true;
    for (const ServiceLink& link : links) {
        *report.Entry(link.Name()) = link;
    }
    return report;
}

// The home Wi-Fi, then the same radio on a phone's hotspot that
// NetworkManager reports metered, then a new `Interfaces`: each choice takes
// effect at the next tick, a link it adds counts from where its counters
// stand, and a veth pair never counts whatever is reported of it.
TEST_F(LinuxCounterSourceTest, TheServicesAndTheSettingChooseTheLinksAtTheNextTick) {
    ServiceLinkBoard board;
    Make({}, "/nonexistent", &board);
    board.Publish(Report({Reported("wlan0", false, true), Reported("veth1", true, true)}));
    const auto links = [](std::uint64_t wlan, std::uint64_t veth) {
        return Dump({{.index = 7, .name = "ppp0", .stats = Traffic(1000, 500)},
                     {.index = 9, .name = "wlan0", .type = ARPHRD_ETHER, .stats = Traffic(wlan, 0)},
                     {.index = 10,
                      .name = "veth1",
                      .type = ARPHRD_ETHER,
                      .stats = Traffic(veth, 0),
                      .kind = "veth"}});
    };
    replay->answers.push_back(links(5'000'000, 70));
    ASSERT_TRUE(source->Open());
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1000u) << "ppp0 alone";
    EXPECT_TRUE(source->AnyCountedLinkUp());

    board.Publish(
        Report({Reported("wlan0", true, true, 72'000'000), Reported("veth1", true, true)}));
    Tick(links(5'000'100, 80));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1000u) << "the home traffic before is not the hotspot's";
    Tick(links(5'000'400, 90));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1300u);

    // ppp0 comes first among the connected links; once it is gone wlan0 is
    // the line, with the speed NetworkManager reports.
    Tick(Dump(
        {{.index = 9, .name = "wlan0", .type = ARPHRD_ETHER, .stats = Traffic(5'000'500, 0)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1400u);
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 72'000'000u);
    LinuxCounterSource::CountedLink line;
    ASSERT_TRUE(source->FirstConnectedLink(line));
    EXPECT_STREQ(line.name.data(), "wlan0");
    ASSERT_NE(line.service, nullptr);

    // Deactivated by NetworkManager while the link stays up: not connected.
    board.Publish(Report({Reported("wlan0", true, false)}));
    Tick(Dump(
        {{.index = 9, .name = "wlan0", .type = ARPHRD_ETHER, .stats = Traffic(5'000'500, 0)}}));
    EXPECT_FALSE(source->AnyCountedLinkUp());

    // Named by the user: the veth link counts, from where it stands.
    source->UseInterfaces("veth1");
    Tick(links(5'000'600, 100));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1400u);
    Tick(links(5'000'700, 150));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1450u);
}

// A link no service manages is connected while it is up with a carrier and
// an address; when nothing counts, the links there are can be named.
TEST_F(LinuxCounterSourceTest, UnmanagedLinksNeedAnAddressAndNothingCountedIsTold) {
    Make({"usb0"});
    replay->noAddresses = true;
    ASSERT_TRUE(OpenWith({{.index = 9, .name = "usb0", .type = ARPHRD_ETHER}}));
    EXPECT_FALSE(source->AnyCountedLinkUp());
    EXPECT_EQ(replay->addressDumps, 1);
    replay->noAddresses = false;
    Tick(Dump({{.index = 9, .name = "usb0", .type = ARPHRD_ETHER}}));
    EXPECT_TRUE(source->AnyCountedLinkUp());
    EXPECT_FALSE(source->CountsNothing());

    source->UseInterfaces("");
    Tick(Dump({{.index = 9, .name = "usb0", .type = ARPHRD_ETHER}}));
    EXPECT_TRUE(source->CountsNothing());
    std::array<char, 64> names{};
    const std::size_t n = source->PresentLinksInto(names.data(), names.size());
    const std::string_view text(names.data(), n);
    EXPECT_EQ(text.substr(text.size() - 5), " usb0") << text;
    EXPECT_EQ(text.find("lo "), std::string_view::npos) << "loopback is no line: " << text;
    std::array<char, 3> small{};
    EXPECT_LE(source->PresentLinksInto(small.data(), small.size()), 2u);
}

TEST_F(LinuxCounterSourceTest, CallsThatEndAndBeginNeitherJumpNorFall) {
    Make();
    ASSERT_TRUE(OpenWith({{.index = 5, .name = "ppp0", .stats = Traffic(1000, 100)}}));
    Tick(Dump({{.index = 5, .name = "ppp0", .stats = Traffic(1800, 150)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1800u);
    Tick(Dump({}));  // hung up
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1800u);
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 0u);
    EXPECT_FALSE(source->AnyCountedLinkUp());
    // The next call: a new index, counters from 0, its negotiation counted.
    Tick(Dump({{.index = 6, .name = "ppp0", .stats = Traffic(40, 30)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1840u);
    EXPECT_EQ(Read(StatValue::BytesXmit), 180u);
    // Renamed under the same index: the same link, only its increase counts.
    Tick(Dump({{.index = 6, .name = "ppp9", .stats = Traffic(50, 35)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1850u);
    EXPECT_EQ(Read(StatValue::BytesXmit), 185u);
    Tick(Dump({{.index = 6, .name = "ppp9", .stats = Traffic(60, 35)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1860u);
}

TEST_F(LinuxCounterSourceTest, FallingCounterRestartsAndRunningValueWraps) {
    Make();
    const std::uint64_t k2To32 = 1ull << 32;
    // Open with 64-bit counters past 2^32: the running values keep the low half.
    ASSERT_TRUE(OpenWith({{.index = 5, .name = "ppp0", .stats = Traffic(3 * k2To32 + 7, 5000)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 7u);
    EXPECT_EQ(Read(StatValue::BytesXmit), 5000u);
    // tx reset to 0 under a link that stays, then 300 sent: +300, not a wrap.
    Tick(Dump({{.index = 5, .name = "ppp0", .stats = Traffic(4 * k2To32 - 100, 300)}}));
    EXPECT_EQ(Read(StatValue::BytesXmit), 5300u);
    EXPECT_EQ(Read(StatValue::BytesRecvd), 0xFFFFFF9Cu);  // 7 + 2^32 - 107
    Tick(Dump({{.index = 5, .name = "ppp0", .stats = Traffic(4 * k2To32 + 50, 350)}}));
    EXPECT_EQ(Read(StatValue::BytesRecvd), 50u);  // wrapped across 2^32
    EXPECT_EQ(Read(StatValue::BytesXmit), 5350u);
}

TEST_F(LinuxCounterSourceTest, ErrorKindsMapOntoTheKernelsCounters) {
    Make();
    rtnl_link_stats64 s{};
    s.rx_frame_errors = 1;
    s.rx_missed_errors = 2;
    s.rx_crc_errors = 4;
    s.rx_over_errors = 8;
    s.rx_fifo_errors = 16;
    s.rx_length_errors = 32;
    s.tx_errors = 64;
    s.rx_errors = 63 + 100;  // 100 the kernel did not classify
    ASSERT_TRUE(OpenWith({{.index = 5, .name = "ppp0", .stats = s}}));
    const Values expected = {1, 2, 4, 100, 24, 32, 64, 0, 0, 0};
    EXPECT_EQ(Read(), expected);

    // A second link whose rx_errors fall short of its classified errors adds
    // 0 unclassified ones, not 2^64 - 53; the rest add up as usual.
    rtnl_link_stats64 shortfall = s;
    shortfall.rx_errors = 10;
    Tick(Dump({{.index = 5, .name = "ppp0", .stats = s},
               {.index = 6, .name = "ppp1", .stats = shortfall}}));
    const Values doubled = {2, 4, 8, 100, 48, 64, 128, 0, 0, 0};
    EXPECT_EQ(Read(), doubled);
}

// Each tick's kernel counters of one link, and what the values are after it.
TEST_F(LinuxCounterSourceTest, EachValueMovesOnlyWithTheCountersItComesFrom) {
    constexpr std::uint64_t k2To32 = 1ull << 32;
    struct Step {
        rtnl_link_stats64 stats;
        Values expected;  // Alignment .. BytesRecvd, ConnectSpeed
    };
    const auto errors = [](std::uint64_t rx, std::uint64_t missed, std::uint64_t crc) {
        rtnl_link_stats64 s{};
        s.rx_errors = rx;
        s.rx_missed_errors = missed;
        s.rx_crc_errors = crc;
        return s;
    };
    struct Case {
        const char* what;
        bool with64;
        std::vector<Step> steps;  // the first is what Open finds
    };
    const Case cases[] = {
        {"a missed frame outside rx_errors is no framing error",
         true,
         {{errors(1000, 0, 0), {0, 0, 0, 1000, 0, 0, 0, 0, 0, 0}},
          {errors(1000, 1, 0), {0, 1, 0, 1000, 0, 0, 0, 0, 0, 0}},
          {errors(1000, 5, 0), {0, 5, 0, 1000, 0, 0, 0, 0, 0, 0}},
          // The new receive error is the CRC error.
          {errors(1001, 5, 1), {0, 5, 1, 1000, 0, 0, 0, 0, 0, 0}},
          {errors(1004, 5, 1), {0, 5, 1, 1003, 0, 0, 0, 0, 0, 0}}}},
        {"64-bit counters that fall were reset",
         true,
         {{Traffic(5000, 70), {0, 0, 0, 0, 0, 0, 0, 70, 5000, 0}},
          {Traffic(30, 80), {0, 0, 0, 0, 0, 0, 0, 80, 5030, 0}}}},
        {"32-bit counters wrap at 2^32",
         false,
         {{Traffic(k2To32 - 100, 10), {0, 0, 0, 0, 0, 0, 0, 10, 0xFFFFFF9Cu, 0}},
          {Traffic(50, 20), {0, 0, 0, 0, 0, 0, 0, 20, 50, 0}},
          // The bytes fall to 0 from far below 2^32: reset, adding 0.
          {errors(0xFFFFFFF0u, 0, 0), {0, 0, 0, 0xFFFFFFF0u, 0, 0, 0, 20, 50, 0}},
          {errors(3, 0, 0), {0, 0, 0, 3, 0, 0, 0, 20, 50, 0}}}},
        {"a 32-bit counter far below its last value was reset, not wrapped",
         false,
         {{Traffic(1000, 0), {0, 0, 0, 0, 0, 0, 0, 0, 1000, 0}},
          {Traffic(5, 0), {0, 0, 0, 0, 0, 0, 0, 0, 1005, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make();
        std::size_t n = 0;
        for (const Step& step : c.steps) {
            SCOPED_TRACE(n);
            LinkShape link{.index = 5, .name = "ppp0", .stats = step.stats, .with64 = c.with64};
            if (n++ == 0) {
                ASSERT_TRUE(OpenWith({link}));
            } else {
                Tick(Dump({link}));
            }
            EXPECT_EQ(Read(), step.expected);
        }
    }
}

TEST_F(LinuxCounterSourceTest, FailedTickFailsEveryQueryAndCostsNothingLater) {
    Make();
    ASSERT_TRUE(OpenWith({{.index = 5, .name = "ppp0", .stats = Traffic(100, 10)}}));

    std::vector<std::vector<Bytes>> bad = {
        Dump({{.index = 5,
               .name = "ppp0",
               .stats = Traffic(400, 40),
               .messageFlags = NLM_F_MULTI | NLM_F_DUMP_INTR}}),
        {testing::ErrorMessage(-EBUSY)},
        {testing::DoneMessage(-EINTR)},
        {testing::LinkMessage({.index = 5, .name = "ppp0", .stats = Traffic(400, 40)})},  // no DONE
        {Bytes(7, std::byte{0x55})},
        {},
    };
    for (auto& answer : bad) {
        Tick(std::move(answer));
        std::uint32_t value = 12345;
        EXPECT_FALSE(source->Query(StatValue::BytesRecvd, value));
        EXPECT_FALSE(source->Query(StatValue::ConnectSpeed, value));
        EXPECT_EQ(value, 12345u);
    }
    source->Refresh();  // nothing queued: the request itself fails
    EXPECT_FALSE(Read().has_value());

    // The rest of an earlier answer, still queued, is not this one.
    Bytes stale = testing::Concat(
        {testing::LinkMessage({.index = 5, .name = "ppp0", .stats = Traffic(9999, 999)}),
         testing::DoneMessage()});
    testing::SetSequence(stale, kStale);
    std::vector<Bytes> answer = Dump({{.index = 5, .name = "ppp0", .stats = Traffic(500, 50)}});
    answer.insert(answer.begin(), stale);
    Tick(answer);
    EXPECT_EQ(Read(StatValue::BytesRecvd), 500u);
    EXPECT_EQ(Read(StatValue::BytesXmit), 50u);
    EXPECT_GE(replay->opens, 2);  // a half-read answer is left on a dropped socket

    source->Close();
    EXPECT_FALSE(Read().has_value());
}

// A watch of the links that says what changed when, as the kernel's does.
class ScriptedWatch final : public LinkChangeWatch {
public:
    bool Open() override { return true; }
    void Close() override {}
    bool Changed() override { return std::exchange(changed, false); }
    bool changed = false;
};

// With a watch, only the counted links are read on a tick, one request each,
// until links change or one of them is gone; then a dump finds them again.
TEST_F(LinuxCounterSourceTest, WithAWatchOnlyTheCountedLinksAreRead) {
    auto transport = std::make_unique<ReplayTransport>();
    replay = transport.get();
    auto changes = std::make_unique<ScriptedWatch>();
    ScriptedWatch* watch = changes.get();
    source = std::make_unique<LinuxCounterSource>(std::vector<std::string>{}, "/nonexistent",
                                                  std::move(transport), std::move(changes));
    ASSERT_TRUE(OpenWith({{.index = 7, .name = "ppp0", .stats = Traffic(1000, 500)},
                          {.index = 8, .name = "ppp1", .stats = Traffic(30, 7)}}));
    const auto single = [](std::int32_t index, const char* name, std::uint64_t rx) {
        return std::vector<Bytes>{testing::LinkMessage(
            {.index = index, .name = name, .stats = Traffic(rx, 0), .messageFlags = 0})};
    };

    int sends = replay->sends;
    replay->answers.push_back(single(7, "ppp0", 1100));
    replay->answers.push_back(single(8, "ppp1", 40));
    source->Refresh();
    EXPECT_EQ(replay->sends - sends, 2) << "one request per counted link, no dump";
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1140u);

    // A link came: the next tick dumps and finds it.
    watch->changed = true;
    sends = replay->sends;
    Tick(Dump({{.index = 7, .name = "ppp0", .stats = Traffic(1200, 500)},
               {.index = 8, .name = "ppp1", .stats = Traffic(40, 7)},
               {.index = 9, .name = "ppp2", .stats = Traffic(5, 1)}}));
    EXPECT_EQ(replay->sends - sends, 1);
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1245u);

    // One of them is gone before the watch tells: that tick fails, the next
    // one dumps.
    replay->answers.push_back(single(7, "ppp0", 1300));
    replay->answers.push_back({testing::ErrorMessage(-ENODEV)});
    source->Refresh();
    EXPECT_FALSE(Read().has_value());
    sends = replay->sends;
    Tick(Dump({{.index = 7, .name = "ppp0", .stats = Traffic(1300, 500)},
               {.index = 9, .name = "ppp2", .stats = Traffic(6, 1)}}));
    EXPECT_EQ(replay->sends - sends, 1);
    EXPECT_EQ(Read(StatValue::BytesRecvd), 1346u) << "the gone link adds nothing more";
}

TEST_F(LinuxCounterSourceTest, ConnectSpeedComesFromTheFirstUpLinksSpeedFile) {
    const testing::ScratchDir sysfs("trovik-sysfs-");
    const std::filesystem::path& root = sysfs.path();
    auto write = [&](const char* link, const char* text) {
        std::filesystem::create_directories(root / link);
        std::ofstream(root / link / "speed") << text;
    };
    write("ppp0", "-1\n");  // down, as links without carrier tell
    write("ppp1", "2\n");
    write("ppp2", "-1\n");
    write("ppp3", "10000\n");
    Make({}, root.string());

    // ppp0 is down: the first up one, ppp1, tells.
    // A second copy of an index, were it taken, would count twice and be up.
    ASSERT_TRUE(OpenWith({{.index = 5, .name = "ppp0", .up = false, .stats = Traffic(10, 0)},
                          {.index = 5, .name = "ppp0", .stats = Traffic(10, 0)},
                          {.index = 6, .name = "ppp1"}}));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 2'000'000u);
    EXPECT_EQ(Read(StatValue::BytesRecvd), 10u);

    // The speed file is read when a link is first seen or comes up.
    write("ppp0", "100\n");
    write("ppp1", "5\n");
    Tick(Dump({{.index = 5, .name = "ppp0", .up = false}, {.index = 6, .name = "ppp1"}}));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 2'000'000u);
    Tick(Dump({{.index = 5, .name = "ppp0"}, {.index = 6, .name = "ppp1", .up = false}}));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 100'000'000u);  // ppp0 came up

    Tick(Dump({{.index = 8, .name = "ppp2"}}));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 0u);
    Tick(Dump({{.index = 9, .name = "ppp3"}}));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 0xFFFFFFFFu);  // 10 Gbit/s saturates
    Tick(Dump({{.index = 10, .name = "ppp4"}}));            // no file
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 0u);
}

// Wireless rates for the links of a test: the link of index `wireless`
// sends at `bits`, every other one is not wireless.
class FakeRates final : public WirelessRates {
public:
    bool TxBitrate(std::int32_t ifindex, std::uint32_t& bitsPerSecond) override {
        asked.push_back(ifindex);
        if (ifindex != wireless) {
            return false;
        }
        bitsPerSecond = bits;
        return true;
    }
    std::int32_t wireless = 0;
    std::uint32_t bits = 0;
    std::vector<std::int32_t> asked;
};

// A line without a service's or the kernel's link speed takes the wireless
// bitrate: asked when it becomes the line and every 50 ticks after, and
// never again of a link that answered none until that one comes up anew.
TEST_F(LinuxCounterSourceTest, AWirelessLineTakesItsBitrateEveryFiftyTicks) {
    ServiceLinkBoard board;
    auto fake = std::make_unique<FakeRates>();
    FakeRates* rates = fake.get();
    rates->wireless = 9;
    rates->bits = 72'000'000;
    Make({"eth1", "wlan0"}, "/nonexistent", &board, std::move(fake));
    const auto links = [](bool ethUp) {
        return Dump({{.index = 10, .name = "eth1", .type = ARPHRD_ETHER, .up = ethUp},
                     {.index = 9, .name = "wlan0", .type = ARPHRD_ETHER}});
    };
    using Asked = std::vector<std::int32_t>;
    ASSERT_TRUE(OpenWith({{.index = 9, .name = "wlan0", .type = ARPHRD_ETHER}}));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 72'000'000u);
    EXPECT_EQ(rates->asked, Asked{9});

    rates->bits = 144'000'000;
    for (int tick = 1; tick < 50; ++tick) {
        Tick(links(false));
    }
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 72'000'000u) << "not asked on every tick";
    EXPECT_EQ(rates->asked, Asked{9});
    Tick(links(false));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 144'000'000u);
    EXPECT_EQ(rates->asked, (Asked{9, 9}));

    // eth1 comes up first in the list: not wireless, asked once in its stay.
    for (int tick = 0; tick < 120; ++tick) {
        Tick(links(true));
    }
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 0u);
    EXPECT_EQ(rates->asked, (Asked{9, 9, 10}));
    // Gone down, wlan0 is the line again and asked at once; up again, eth1
    // is asked again.
    Tick(links(false));
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 144'000'000u);
    Tick(links(true));
    Tick(links(true));
    EXPECT_EQ(rates->asked, (Asked{9, 9, 10, 9, 10}));

    // A speed the service reports wins, and nothing is asked.
    board.Publish(Report({Reported("wlan0", true, true, 300'000'000)}));
    for (int tick = 0; tick < 60; ++tick) {
        Tick(links(false));
    }
    EXPECT_EQ(Read(StatValue::ConnectSpeed), 300'000'000u);
    EXPECT_EQ(rates->asked.size(), 5u);
}

// Against the running kernel: the loopback link, named.
TEST(LinuxCounterSourceKernel, LoopbackCountsDatagramsSentToItself) {
    LinuxCounterSource source({"lo"});
    ASSERT_TRUE(source.Open());
    source.Refresh();
    std::uint32_t sentBefore = 0;
    std::uint32_t receivedBefore = 0;
    ASSERT_TRUE(source.Query(StatValue::BytesXmit, sentBefore));
    ASSERT_TRUE(source.Query(StatValue::BytesRecvd, receivedBefore));
    // Counted, but no line: its only addresses reach no other host.
    EXPECT_FALSE(source.AnyCountedLinkUp());

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);  // discard: nobody listens, the kernel counts it anyway
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char payload[100] = {};
    for (int i = 0; i < 5; ++i) {
        ::sendto(fd, payload, sizeof(payload), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof(to));
    }
    ::close(fd);

    source.Refresh();
    std::uint32_t sent = 0;
    std::uint32_t received = 0;
    ASSERT_TRUE(source.Query(StatValue::BytesXmit, sent));
    ASSERT_TRUE(source.Query(StatValue::BytesRecvd, received));
    EXPECT_GE(sent - sentBefore, 500u);
    EXPECT_GE(received - receivedBefore, 500u);
    std::uint32_t speed = 1;
    ASSERT_TRUE(source.Query(StatValue::ConnectSpeed, speed));
    EXPECT_EQ(speed, 0u);  // loopback has no speed
}

}  // namespace
}  // namespace trovik
